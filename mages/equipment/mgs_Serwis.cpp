#include "mages/equipment/mgs_Serwis.hpp"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "lib/convert.hpp"
#include "lib/qq.hpp"
#include "lib/vtab_lang.hpp"
#include "mages/equipment/mgs_Cykle.hpp"
#include "mages/equipment/mgs_Serwis0.hpp"
#include "mages/equipment/mgs_Sprzet_ext.hpp"
#include "mages/equipment/mgs_Sprzet_ext0.hpp"
#include "mages/repairs/mgs_Naprawy_new.hpp"
#include "mages/repairs/mgs_Naprawy_list.hpp"
#include "mages/firms/mgs_Firmy0.hpp"
#include "mages/firms/mgs_Naprawy_stany0.hpp"
#include "mages/glue_impl.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "mages/mages.hpp"
#include "mages/mgs_pages.hpp"
#include "mages/mgs_pdf_text.hpp"
#include "mages/qq_main.hpp"
#include "mages/repairs/mgs_Naprawy0.hpp"
#include "pdf/pdfpage.hpp"
#include "platform/textfile.hpp"
#include "server/html_form.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"

using G = kal::glue<Serwis>;

namespace {

constexpr int kPageList = MGS_PAGE_SerwisL;  // 22
constexpr int kPageEdit = MGS_PAGE_SerwisE;  // 23
constexpr int kPageNew = MGS_PAGE_SerwisN;   // 86
constexpr int kPageGoods = MGS_PAGE_TowarE;  // 17
constexpr int kPageFirm = MGS_PAGE_FirmaE;   // 19
constexpr int kPageRepair = MGS_PAGE_NaprawaE;  // 31
constexpr int kPageRepairNew = MGS_PAGE_NaprawaN;  // 30

bool is(const std::string& action, const char* caption_key) { return action == ustawienia_get(caption_key); }

std::string local_href(const char* href) { return href && href[0] && kal::href_is_local(href) ? href : ""; }

template <class... A>
std::string fmt(const char* format, A... args) {
  char buf[512];
  std::snprintf(buf, sizeof buf, format, args...);
  return buf;
}

// The text, or "&nbsp;" for an empty one; escaped.
std::string cell_text(const ostr& s) { return s.view().empty() ? std::string("&nbsp;") : kal::html_text(s.view()); }

// A case-insensitive prefix test (a leading "*" matches anywhere).
bool prefix_ok(const char* value, const std::string& pattern) {
  if (pattern.empty()) return true;
  return vtab_chkpatrnicx(value ? value : "", pattern.c_str(), static_cast<long>(pattern.size()),
                          vtab_to_lowlang_cp1250) != 0;
}

void back_to_previous() {
  back_id = last_page_id;
  sess_put("a", "n");
  sess_put("backhref", "");
}

}  // namespace

// --- the list -------------------------------------------------------------------------------

namespace {

// The sort key, with the item's cycle found by cycle_of.
template <class CycleOf>
std::string sort_key(const Serwis& r, int code, CycleOf&& cycle_of) {
  switch (code) {
    case 3: case 4: return r.Id_Towary__przyjety ? Towary_nazwa(r.Id_Towary__przyjety) : "";
    case 5: case 6: return r.nr_rej.str();
    case 7: case 8: return r.nr_ramy.str();
    case 9: case 10: return r.Id_Firmy__klient ? Firmy_nazwa(r.Id_Firmy__klient) : "";
    case 11: case 12: return r.nr_silnika.str();
    case 13: case 14: {
      const Cykle* c = cycle_of(r.Id);
      return from_i(c ? mgs_Serwis_Cykle_get_do_zatwierdzenia(c) : 0);
    }
    default: return fmt("%09ld", static_cast<long>(r.Id));
  }
}

// The cycle of each item (mgs_Cykle_get_by_Serwis_Id: the last of its cycles
// in table order) for a pass over many items, gathered in one pass over the
// cycles at the first use.
class cycles_of_items {
 public:
  const Cykle* operator()(std::uint32_t Id_Serwis) {
    if (!last_) {
      last_.emplace();
      Cykle_tab* t = kal::glue<Cykle>::tab();
      for (const Cykle_listelem* e = t ? t->first : nullptr; e; e = e->next) (*last_)[e->row->Id_Serwis] = e->row;
    }
    const auto at = last_->find(Id_Serwis);
    return at == last_->end() ? nullptr : at->second;
  }

 private:
  std::optional<std::unordered_map<std::uint32_t, const Cykle*>> last_;
};

}  // namespace

std::string mgs_Serwis_sort_key(const Serwis& r, int code) {
  return sort_key(r, code, [](std::uint32_t id) -> const Cykle* { return mgs_Cykle_get_by_Serwis_Id(id); });
}

namespace {

// What the rows of one list look up: repairs by their numbers, cycles by their
// item.
struct row_lookups {
  explicit row_lookups(std::vector<std::string> numbers) : repairs(std::move(numbers)) {}
  Naprawy_by_numbers repairs;
  cycles_of_items cycles;
};

int elem_display(const Serwis* r, const char* back_link, long n, row_lookups& look) {
  if (!r) return 0;
  const std::string back = back_link ? back_link : "";
  const std::string url = back.empty() ? fmt("sprzet.htm?n_%d=e&Serwis_Id=%lu", kPageEdit, static_cast<long>(r->Id))
                                       : back + from_z(r->Id);
  const std::string nr_rej = cell_text(r->nr_rej);
  const std::string ramy = page_href(url.c_str(), cell_text(r->nr_ramy).c_str());
  const std::string silnika = cell_text(r->nr_silnika);

  std::string goods = "&nbsp;";
  if (r->Id_Towary__przyjety) {
    const std::string name = kal::html_text(Towary_nazwa(r->Id_Towary__przyjety));
    goods = page_href(fmt("towar.htm?n_%d=e&Towary_Id=%lu", kPageGoods, static_cast<long>(r->Id_Towary__przyjety)).c_str(),
                      name.c_str());
  }
  std::string owner = "&nbsp;";
  if (r->Id_Firmy__klient && kal::glue<Firmy>::find(r->Id_Firmy__klient)) {
    const std::string name = kal::html_text(Firmy_nazwa(r->Id_Firmy__klient));
    owner = page_href(fmt("firma.htm?n_%d=e&Firmy_Id=%ld", kPageFirm, static_cast<long>(r->Id_Firmy__klient)).c_str(),
                      name.c_str());
  }
  std::string last = "&nbsp;";
  if (const Naprawy* rep = look.repairs.find_last(r->Id_Towary__przyjety, r->nr_rej.c_str(), r->nr_ramy.c_str())) {
    const std::string date = Naprawa_data_stanu(rep->Id_Naprawy_stany, rep);
    const std::string link =
        page_href(fmt("naprawa.htm?n_%d=e&Naprawy_Id=%ld", kPageRepair, static_cast<long>(rep->Id)).c_str(),
                  kal::html_text(date).c_str());
    last = "<NOBR>" + kal::html_text(rep->numer.view()) + ". " + link + "</NOBR>";
  }
  std::string cycle = "&nbsp;";
  if (const Cykle* c = look.cycles(r->Id)) {
    const int state = mgs_Serwis_Cykle_get_do_zatwierdzenia(c);
    if ((state == 1 || state == 2) && c->okres1 >= 1) {
      std::string html;
      mgs_Serwis_Cykle_get_data_nastepnej_naprawy(nullptr, nullptr, &html, nullptr, c);
      cycle = html + " <INPUT TYPE=submit NAME=cykle_id_" + from_z(c->Id) + " VALUE=OK>";
    }
  }
  return tableItemDisplay2(n, url.c_str(), nr_rej.c_str(), ramy.c_str(), silnika.c_str(), goods.c_str(),
                           owner.c_str(), last.c_str(), cycle.c_str());
}

}  // namespace

int mgs_Serwis_elem_display(const Serwis* r, const char* back_link, long n) {
  row_lookups look({r ? r->nr_rej.c_str() : ""});
  return elem_display(r, back_link, n, look);
}

int mgs_Serwis_list(const char* action_arg) {
  const std::string action = action_arg ? action_arg : "";
  std::string href;
  if (is(action, "Zmien_button")) {
    const std::string plany = var_s("PLANY_href");
    href = local_href(!plany.empty() ? plany.c_str() : get_post_or_get_s("backhref"));
  } else {
    href = local_href(get_post_or_get_s("backhref"));
  }

  if (is(action, "Anuluj_button") || is(action, "Powrot_button")) {
    back_to_previous();
    return 0;
  }
  if (is(action, "Czysc_button") || std::string(var_s("a")) == "n") {
    mgs_Naprawy_Czysc();
    sess_put("SerwisSerach_Id_Towary__przyjety", "0");
    sess_put("Serwis_listing_page_id", "0");
    sess_put("a", "");
    sess_put("Psort", "14");
  }

  app("<CENTER>\n");
  html_form_open("sprzet.htm");
  const std::string f_rej = var_s("Nnr_rej"), f_ramy = var_s("Nnr_ramy"), f_silnika = var_s("Nnr_silnika");
  const std::string f_owner = var_s("Firmy_l"), f_goods = var_s("do_naprawy_Towary_l");
  const std::uint32_t f_type = var_z("Naprawy_Towary_typy_Id");
  const std::uint32_t model = var_z("SerwisSerach_Id_Towary__przyjety");
  const int code = var_i("Psort");

  // The records kept, with their sort keys, in the order of their Ids.
  struct Item {
    std::string key;
    std::uint32_t id;
  };
  std::vector<Item> items;
  cycles_of_items cycles;
  Serwis_tab* t = G::tab();
  Serwis_ref* hits = nullptr;
  if (t) hits = model ? Serwis_tab_gets_Id_Towary__przyjety(t, model, VTAB_CMP_EQUAL) : Serwis_tab_gets_Id(t, 0, VTAB_CMP_GE);
  for (tab_ref_elem* e = hits ? hits->first : nullptr; e; e = e->next) {
    Serwis* r = vtab_row<Serwis>(e);
    if (!r) continue;
    Serwis_fix0(r);
    if (!prefix_ok(r->nr_rej.c_str(), f_rej) || !prefix_ok(r->nr_ramy.c_str(), f_ramy) ||
        !prefix_ok(r->nr_silnika.c_str(), f_silnika))
      continue;
    if (!f_owner.empty() && f_owner != "*") {
      const Firmy* owner = kal::glue<Firmy>::find(r->Id_Firmy__klient);
      if (!owner || !prefix_ok(owner->nazwa.c_str(), f_owner)) continue;
    }
    if (!f_goods.empty() && f_goods != "*") {
      const Towary* goods = kal::glue<Towary>::find(r->Id_Towary__przyjety);
      if (!goods || (f_type != 0 && goods->Id_Towary_typy != f_type) || !prefix_ok(goods->nazwa.c_str(), f_goods))
        continue;
    }
    items.push_back({sort_key(*r, code, cycles), r->Id});
  }
  if (hits) Serwis_ref_delete(&hits);
  std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.id < b.id; });
  const bool down = code > 0 && code % 2 == 0;
  std::stable_sort(items.begin(), items.end(), [down](const Item& a, const Item& b) {
    const int c = vtab_langcmp(a.key.c_str(), b.key.c_str(), vtab_lplti_cp1250);
    return down ? c > 0 : c < 0;
  });

  const int count = static_cast<int>(items.size());
  int page_size = 1, first = 0, end = 0;
  manage_rewind(action.c_str(), "Serwis_from", "Serwis_to", "Serwis_end", count, &page_size, &first, &end,
                "Sprzetu_na_stronie", "Serwis_listing_page_id");

  sess_put("Stitle", ustawienia_get("Lista_serwisowanego_sprzetu_text"));
  qq_run("Sprzet_filtr.htm", appc, qq_main);
  if (!href.empty()) {
    app("\n");
    app(" ");
    app(form_input_hidden("backhref", href.c_str()));
    app(page_href(href.c_str(), ustawienia_get("Powrot_button")));
  }
  app("<table border=0>\n");
  const int rc = qq_run("Sprzet_row0.htm", appc, qq_main);
  std::vector<std::string> numbers;
  for (int i = first; i < end && i < count; ++i)
    if (const Serwis* r = G::find(items[static_cast<std::size_t>(i)].id)) numbers.push_back(r->nr_rej.c_str());
  row_lookups look(std::move(numbers));
  for (int i = first; i < end && i < count; ++i) {
    const Serwis* r = G::find(items[static_cast<std::size_t>(i)].id);
    if (r) elem_display(r, href.c_str(), i + 1, look);
  }
  app("</table>\n");
  html_form_close();
  app("</CENTER>\n");
  return rc;
}

// --- the form ---------------------------------------------------------------------------------

int mgs_Serwis_Naprawy_list(uint32_t goods_id, const char* nr_rej) {
  mgs_Naprawy_Czysc();
  sess_put("do_naprawy_Towary_l", goods_id ? Towary_nazwa(goods_id) : "");
  sess_put("Nnr_rej", nr_rej ? nr_rej : "");
  sess_put("Nzaawansowane", "1");
  sess_put("Naprawy_page_Id", "23");
  mgs_Naprawy_list(0);
  sess_put("Naprawy_page_Id", "6");
  sess_put("Nzaawansowane", "0");
  sess_put("Nnr_rej", "");
  sess_put("do_naprawy_Towary_l", "");
  return 0;
}

int mgs_Serwis_display(int page, uint32_t Id) {
  app("<CENTER>\n");
  html_form_open("serwis.htm");
  sess_put("SStitle", ustawienia_get(Id ? "Serwisowany_sprzet_text" : "Nowy_sprzet_do_serwisu_text"));
  const std::string id = from_z(Id);
  sess_put("WLASCICIEL_href", fmt("sprzet.htm?n_%d=WlascE&Serwis_Id=", page).append(id).append("&Id_Firmy=").c_str());
  for (int k = 1; k <= 4; ++k) {
    const std::string var = "Firmy" + std::to_string(k) + "_href";
    const std::string link = fmt("sprzet.htm?n_%d=Firmy%dE&Serwis_Id=", page, k) + id + "&Id_Firmy=";
    sess_put(var.c_str(), link.c_str());
  }
  // The form names the item it shows; a save of another item is refused.
  sess_put("SerwisNew_Serwis_Id", id.c_str());
  // A new form of its own: a second submission of the same one creates nothing.
  static unsigned long forms = 0;
  const std::string token =
      Id ? std::string() : std::to_string(static_cast<long long>(std::time(nullptr))) + "-" + std::to_string(++forms);
  sess_put("Serwis_form_token", token.c_str());
  mgs_Serwis_Cykle_set_vars(Id);
  qq_run("Sprzet.htm", appc, qq_main);
  Sprzet_ext_fields_display();
  if (Id) {
    mgs_Serwis_Naprawy_list(var_z("NaprawyNew_Naprawy_Id_Towary__przyjety"), var_s("SerwisNew_Serwis_nr_rej"));
    qq_run("Sprzet_action.htm", appc, qq_main);
  } else {
    qq_run("Sprzet_actionN.htm", appc, qq_main);
  }
  html_form_close();
  app("</CENTER>\n");
  mgs_Naprawa_Czysc(std::time(nullptr), 0);
  return 0;
}

namespace {

// The owner firm into the "Wlasciciel." variables (cleared when there is none).
void owner_to_form(std::uint32_t firm) {
  Firmy f{};
  mgs_Firmy_get(firm, &f, "Wlasciciel.", "");
  if (firm == 0) mgs_Firmy_del_ht("Wlasciciel.", "");
  else mgs_Firmy_to_ht(&f, "Wlasciciel.", "");
}

// The fields of an item of equipment that its form carries: each written only
// when the request itself carries its variable.
struct carried_field {
  const char* var;
  int (*update)(uint32_t);
};
const carried_field kCarried[] = {
    {"SerwisNew_Serwis_numer", mgs_Serwis_update_numer},
    {"SerwisNew_Serwis_model", mgs_Serwis_update_model},
    {"SerwisNew_Serwis_kolor", mgs_Serwis_update_kolor},
    {"SerwisNew_Serwis_typ", mgs_Serwis_update_typ},
    {"SerwisNew_Serwis_rodzaj", mgs_Serwis_update_rodzaj},
    {"SerwisNew_Serwis_nr_rej", mgs_Serwis_update_nr_rej},
    {"SerwisNew_Serwis_nr_ramy", mgs_Serwis_update_nr_ramy},
    {"SerwisNew_Serwis_nr_silnika", mgs_Serwis_update_nr_silnika},
    {"SerwisNew_Serwis_przebieg", mgs_Serwis_update_przebieg},
    {"SerwisNew_Serwis_wyposazenie", mgs_Serwis_update_wyposazenie},
    {"SerwisNew_Serwis_data_sprzedazy", mgs_Serwis_update_data_sprzedazy},
};

void finish_form_actions() {
  sess_nav_set(kPageNew, "");
  sess_nav_set(kPageEdit, "");
  sess_nav_set(kPageList, "l");
  sess_put("a", "n");
  sess_put("backhref", "");
}

}  // namespace

int mgs_Serwis_new(const char* action_arg) {
  const std::string action = action_arg ? action_arg : "";
  if (is(action, "Anuluj_button") || is(action, "Powrot_button")) {
    sess_put("a", "n");
    sess_put("backhref", "");
    return mgs_Serwis_list("l");
  }
  if (is(action, "Zatwierdz_button")) {
    if (mgs_Serwis_Cykle_refused()) return mgs_Serwis_display(kPageNew, 0);
    finish_form_actions();
    const std::string token = get_post_or_get_s("Serwis_form_token") ? get_post_or_get_s("Serwis_form_token") : "";
    if (!token.empty() && token == var_s("Serwis_form_used")) {
      std::printf("mgs_Serwis_new(): the form '%s' was stored already, nothing created\n", token.c_str());
      errorDisplay("Ten sprzęt został już zapisany - nie utworzono drugiego !");
      return mgs_Serwis_list("l");
    }
    if (!token.empty()) sess_put("Serwis_form_used", token.c_str());
    sess_put("SerwisNew_Serwis_Id_Towary__przyjety", var_s("NaprawyNew_Naprawy_Id_Towary__przyjety"));
    const int rc = mgs_Serwis_create();
    const std::uint32_t id = var_z("Serwis_Id");
    if (rc != 0 || id == 0) {
      errorDisplay("Nie można zapisać sprzętu !");
      return mgs_Serwis_list("l");
    }
    mgs_Sprzet_ext_create();
    mgs_Serwis_Cykle_update(id);
    return mgs_Serwis_list("l");
  }
  if (action == "WlascE") {
    const std::uint32_t firm = var_z("Id_Firmy");
    if (kal::glue<Firmy>::find(firm)) owner_to_form(firm);
    sess_put("SerwisNew_Serwis_Id_Firmy__klient", from_z(firm));
    sess_nav_set(kPageNew, "n");
    return mgs_Serwis_display(kPageNew, 0);
  }
  if (is(action, "Nowy_sprzet_button")) {
    const char* firm = get_post_or_get_s("Firmy_Id");
    sess_put("SerwisNew_Serwis_Id_Firmy__klient", firm ? firm : "0");
    owner_to_form(to_z(firm));
    return mgs_Serwis_display(kPageNew, 0);
  }
  return mgs_Serwis_display(kPageNew, 0);
}

int mgs_Serwis_edit(const char* action_arg) {
  const std::string action = action_arg ? action_arg : "";
  const std::uint32_t Id = var_z("Serwis_Id");
  if (is(action, "Anuluj_button") || is(action, "Powrot_button")) {
    sess_nav_set(kPageEdit, "");
    back_to_previous();
    return 0;
  }
  if (Id == 4294967295u) {
    sess_nav_set(kPageEdit, "");
    back_id = last_page_id;
    return 0;
  }
  std::string act = action;
  if (act == "WlascE") {
    mgs_Serwis_upd_Id_Firmy__klient(Id, var_z("Id_Firmy"));
    glue_root<Serwis>::save();
    act = "e";
  }
  if (is(act, "Usun_button")) {
    if (Serwis_tab* t = G::tab()) {
      if (Serwis_ref* ref = Serwis_tab_gets_Id(t, Id, VTAB_CMP_EQUAL)) {
        Serwis_tab_removes(t, ref);
        Serwis_ref_delete(&ref);
      }
    }
    glue_root<Serwis>::save();
    sess_nav_set(kPageEdit, "");
    back_to_previous();
    return 0;
  }
  if (!G::find(Id)) return 0;
  if (is(act, "Zatwierdz_button")) {
    const char* form_id = get_post_or_get_s("SerwisNew_Serwis_Id");
    if (form_id && to_z(form_id) != Id) {
      std::printf("mgs_Serwis_edit(Serwis_Id=%ld): the form holds equipment %s, nothing saved\n",
                  static_cast<long>(Id), form_id);
      errorDisplay("Formularz dotyczy innego sprzętu - otwórz sprzęt ponownie, nic nie zapisano !");
      return 0;
    }
    if (mgs_Serwis_Cykle_refused()) return mgs_Serwis_display(kPageEdit, Id);
    finish_form_actions();
    if (is_in_post_or_get("NaprawyNew_Naprawy_Id_Towary__przyjety")) {
      sess_put("SerwisNew_Serwis_Id_Towary__przyjety", var_s("NaprawyNew_Naprawy_Id_Towary__przyjety"));
      mgs_Serwis_update_Id_Towary__przyjety(Id);
    }
    for (const carried_field& f : kCarried)
      if (is_in_post_or_get(f.var)) f.update(Id);
    glue_root<Serwis>::save();
    if (is_in_post_or_get("Cykle_data_start") || is_in_post_or_get("Cykle_okres1")) mgs_Serwis_Cykle_update(Id);
    mgs_Sprzet_ext_update(Id);
    back_id = last_page_id;
    return 0;
  }
  Serwis r{};
  mgs_Serwis_get(Id, &r, "SerwisNew_", "");
  mgs_Serwis_to_ht(&r, "SerwisNew_", "");
  Sprzet_ext ext{};
  mgs_Sprzet_ext_get(Id, &ext, "SerwisNew_", "");
  mgs_Sprzet_ext_to_ht(&ext, "SerwisNew_", "");
  sess_put("SerwisNew_Serwis_data_sprzedazy", from_td(r.data_sprzedazy));
  sess_put("NaprawyNew_Naprawy_Id_Towary__przyjety", from_z(r.Id_Towary__przyjety));
  owner_to_form(r.Id_Firmy__klient);
  return mgs_Serwis_display(kPageEdit, Id);
}

// --- a firm's equipment ---------------------------------------------------------------------

int mgs_Serwis_Firma_list(uint32_t firm_id) {
  app("<table border=0>\n");
  app("<tr>\n");
  for (const char* caption : {ustawienia_get("Lp_text"), ustawienia_get("nr_rej_text"), ustawienia_get("nr_ramy_text"),
                              ustawienia_get("Nazwa_sprzetu_text"), tr(83)}) {
    app("  <td CLASS=colname>");
    app(caption);
    app("</td>\n");
  }
  app("</tr>\n");
  Serwis_tab* t = G::tab();
  Serwis_ref* hits = t ? Serwis_tab_gets_Id_Firmy__klient(t, firm_id, VTAB_CMP_EQUAL) : nullptr;
  long n = 0;
  for (tab_ref_elem* e = hits ? hits->first : nullptr; e; e = e->next) {
    const Serwis* r = vtab_row<Serwis>(e);
    if (!r) continue;
    ++n;
    const std::string rej = page_href(fmt("sprzet.htm?n_%d=e&Serwis_Id=%lu", kPageEdit, static_cast<long>(r->Id)).c_str(),
                                      cell_text(r->nr_rej).c_str());
    const std::string goods =
        page_href(fmt("towar.htm?n_%d=e&Towary_Id=%ld", kPageGoods, static_cast<long>(r->Id_Towary__przyjety)).c_str(),
                  kal::html_text(r->Id_Towary__przyjety ? Towary_nazwa(r->Id_Towary__przyjety) : "").c_str());
    std::string act = page_href(
        (fmt("zlecenie.htm?n_%d=", kPageRepairNew) + "Serwis" +
         fmt("&SerwisNew_Serwis_Id=%ld&NaprawyNew_Naprawy_Id_Firmy__klient=%ld", static_cast<long>(r->Id),
             static_cast<long>(firm_id)))
            .c_str(),
        tr(84));
    const Naprawy* last = r->Id_Naprawy__ostatnia ? kal::glue<Naprawy>::find(r->Id_Naprawy__ostatnia) : nullptr;
    if (last && last->Id_Naprawy_stany != 7) {
      const Naprawy_stany* st = kal::glue<Naprawy_stany>::find(last->Id_Naprawy_stany);
      act = page_href(fmt("naprawa.htm?n_%d=e&Naprawy_Id=%ld&backhref=n_%ld&Firmy_Id=%ld", kPageRepair,
                          static_cast<long>(last->Id), static_cast<long>(page_id), static_cast<long>(firm_id))
                          .c_str(),
                      kal::html_text(st ? st->nazwa.view() : std::string_view()).c_str());
    }
    app("<tr>\n");
    for (const std::string& cell :
         {fmt("%ld", n), rej, cell_text(r->nr_ramy), goods, act}) {
      approw(n - 1);
      app(cell.c_str());
      app("</td>\n");
    }
    app("</tr>\n");
  }
  if (hits) Serwis_ref_delete(&hits);
  app("</table>\n");
  return 0;
}

// --- the warranty card ------------------------------------------------------------------------

namespace {

void warranty_error(const std::string& text) { mgs_pdf_error_page(text.c_str()); }

// The card's one page of text.
std::string warranty_text(const Serwis& r) {
  // The print variables are not the edit form's; the equipment the edit page
  // works on ("Serwis_Id") stays as it was.
  const std::string form_id = var_s("Serwis_Id");
  mgs_Serwis_to_ht(&r, "", "");
  sess_put("FIRMA_WLASNA", Firmy_nazwa(1));
  sess_put("GWARANCJA_START", from_td(r.data_sprzedazy));
  qq_pdf_text.clear();
  qq_run(tr(216), pdf_qqc, qq_pdf);
  sess_put("Serwis_Id", form_id.c_str());
  return qq_pdf_text;
}

}  // namespace

int Karta_Gwarancyjna_pdf_doc(const char*, uint32_t Id, const char* file) {
  Serwis r{};
  if (Id == 0 || mgs_Serwis_get(Id, &r, "", "") != 0) {
    std::printf("Karta_Gwarancyjna_pdf(Id=%ld): Brak w bazie !\n", static_cast<long>(Id));
    if (!file) warranty_error("Brak w bazie Id_Serwis=" + std::to_string(Id));
    return -1;
  }
  return mgs_pdf_text_out({warranty_text(r)}, file) == 0 ? 0 : -2;
}

int Karta_Gwarancyjna_pdf(uint32_t Id) { return Karta_Gwarancyjna_pdf_doc("Karta_Gwarancyjna", Id, nullptr); }

// --- registration -----------------------------------------------------------------------------

void mgs_Serwis_register() {
  mgs_page_register(kPageList, [](const char*, const char* a) { return mgs_Serwis_list(a); });
  mgs_page_register(kPageNew, [](const char*, const char* a) { return mgs_Serwis_new(a); });
  mgs_page_register(kPageEdit, [](const char*, const char* a) { return mgs_Serwis_edit(a); });
  mgs_doc_register("Karta_Gwarancyjna", Karta_Gwarancyjna_pdf_doc);
  mgs_cykle_ok_register(mgs_Serwis_Cykle_OK);
}
