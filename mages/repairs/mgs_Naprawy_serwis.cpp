#include "mages/repairs/mgs_Naprawy_serwis.hpp"

#include <cstdio>
#include <cstring>
#include <string>

#include "lib/convert.hpp"
#include "lib/txt_utils.hpp"
#include "mages/equipment/mgs_Serwis0.hpp"
#include "mages/equipment/mgs_Serwis_kolory.hpp"
#include "mages/equipment/mgs_Serwis_ramy.hpp"
#include "mages/equipment/mgs_Serwis_typy.hpp"
#include "mages/equipment/mgs_Sprzet_ext.hpp"
#include "mages/firms/mgs_Firmy0.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "mages/repairs/mgs_Naprawy_search_impl.hpp"
#include "mages/repairs/mgs_Naprawy_wlasciciel.hpp"
#include "server/oo_texts.hpp"
#include "server/page_out.hpp"
#include "server/ustawienia.hpp"

namespace rs = kal::repair_search;

namespace {

struct required_field {
  const char* setting;
  const char* field;
  int code;
  const char* caption;
};
constexpr required_field kRequired[] = {
    {"Serwis_pole1_wymagane", "nr_rej", -2, "nr_rej_text"},
    {"Serwis_pole2_wymagane", "nr_ramy", -3, "nr_ramy_text"},
    {"Serwis_pole3_wymagane", "przebieg", -4, "przebieg_text"},
    {"Serwis_pole4_wymagane", "nr_silnika", -5, "nr_silnika_text"},
    {"Serwis_pole5_wymagane", "model", -16, "model_text"},
    {"Serwis_pole6_wymagane", "kolor", -17, "kolor_text"},
    {"Serwis_pole7_wymagane", "numer", -18, "numer_text"},
    {"Serwis_pole8_wymagane", "wyposazenie", -19, "wyposazenie_text"},
};

bool on(const char* setting) { return std::strcmp(ustawienia_get(setting), "1") == 0; }

// The red mark of a required field; n is the number of its setting.
void app_required(int n, const char* tail = "</FONT>") {
  if (!on(kRequired[n - 1].setting)) return;
  app("<FONT color=red>");
  app("*");
  app(tail);
}

std::string serwis_var(const char* field) { return std::string("SerwisNew_Serwis_") + field; }

// The typed values in the order of the query.
constexpr std::array<const char*, 9> kSearched = {"nr_rej", "nr_ramy", "nr_silnika", "przebieg", "numer",
                                                  "model", "kolor", "wyposazenie", "typ"};

const char* field_of(const Serwis& s, const char* field) {
  const ostr* v = nullptr;
  vtab_meta<Serwis>::for_each_field([&](auto f) {
    using F = decltype(f);
    if constexpr (F::letter == 's')
      if (std::strcmp(F::name(), field) == 0) v = &F::of(s);
  });
  return v ? v->c_str() : "";
}

}  // namespace

int Naprawa_serwis_validate() {
  for (const required_field& r : kRequired)
    if (on(r.setting) && !not_empty(var_s(serwis_var(r.field).c_str()))) return r.code;
  return 1;
}

int Naprawa_serwis_validate_err_display(int code) {
  for (const required_field& r : kRequired) {
    if (r.code != code) continue;
    std::string text = tr(155);
    if (const std::size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, ustawienia_get(r.caption));
    errorDisplay(text.c_str());
    return 0;
  }
  if (code == -7) {
    errorDisplay(tr(156));
  } else if (code == -20) {
    char text[64];
    std::snprintf(text, sizeof text, "Naprawa_serwis_validate() err=%d !", code);
    errorDisplay(text);
  }
  return 0;
}

hashtbl* mgs_Serwis_search(int flags) {
  const bool prefix_mode = (flags & 1) != 0;
  const std::uint32_t model = var_z("NaprawyNew_Naprawy_Id_Towary__przyjety");
  const auto typed = rs::read_typed("SerwisNew_Serwis_", kSearched, prefix_mode);
  Serwis_ref* ref = rs::query_first<Serwis>(typed);
  if (!ref) return nullptr;

  const rs::typed& nr_rej = typed[0];
  const rs::typed& nr_ramy = typed[1];
  hashtbl* hits = hashtbl_new(static_cast<std::uint32_t>(ref->size));
  for (tab_ref_elem* e = hits ? ref->first : nullptr; e; e = e->next) {
    const Serwis* s = vtab_row<Serwis>(e);
    if (!s) continue;
    if (model != 0 && s->Id_Towary__przyjety != model) continue;
    bool hit = true;
    if (prefix_mode) {
      for (const rs::typed& t : typed) hit = hit && rs::prefix_match(field_of(*s, t.field), t);
    } else {
      if (nr_rej.len == 0 && nr_ramy.len == 0) hit = false;
      if (hit && nr_rej.len > 0) hit = rs::whole_match(s->nr_rej.c_str(), nr_rej);
      if (hit && nr_ramy.len > 0) hit = rs::whole_match(s->nr_ramy.c_str(), nr_ramy);
    }
    if (!hit) continue;
    std::string label = s->nr_rej.str() + " " + s->nr_ramy.str() + " " + Towary_nazwa(s->Id_Towary__przyjety) + " " +
                        Firmy_nazwa(s->Id_Firmy__klient);
    hashtbl_put(hits, label.c_str(), from_z(s->Id));
  }
  Serwis_ref_delete(&ref);
  return hits;
}

int serwis_szukaj(int* flag) {
  if (flag) *flag = 1;
  hashtbl* hits = mgs_Serwis_search(1);
  if (hits) hashtbl_delete(&hits);
  return 0;
}

int serwis_to_ht(hashtbl* hits, int flags) {
  if (!hits) return -1;
  if (hits->size != 1) return -2;
  const std::uint32_t id = to_z(hits->values[0]);
  if (!Serwis_tab_get_Id(_mgs ? _mgs->_Serwis_tab : nullptr, id, VTAB_CMP_EQUAL)) return -3;
  if (flags & 1) {
    using update_fn = int (*)(uint32_t);
    const std::pair<const char*, update_fn> typed[] = {
        {"przebieg", mgs_Serwis_update_przebieg}, {"nr_silnika", mgs_Serwis_update_nr_silnika},
        {"model", mgs_Serwis_update_model},       {"kolor", mgs_Serwis_update_kolor},
        {"numer", mgs_Serwis_update_numer},       {"wyposazenie", mgs_Serwis_update_wyposazenie},
        {"typ", mgs_Serwis_update_typ}};
    for (const auto& [field, update] : typed)
      if (not_empty(var_s(serwis_var(field).c_str()))) update(id);
    mgs_save_Serwis(_mgs);
  }
  Serwis s{};
  mgs_Serwis_get(id, &s, "SerwisNew_", "");
  mgs_Serwis_to_ht(&s, "SerwisNew_", "");
  Firmy owner{};
  mgs_Firmy_get(s.Id_Firmy__klient, &owner, "Wlasciciel.", "");
  mgs_Firmy_to_ht(&owner, "Wlasciciel.", "");
  return 0;
}

uint32_t find_Serwis_Id(uint32_t, const char* nr_rej, const char* nr_ramy) {
  const char* rej = nr_rej ? nr_rej : "";
  const char* ramy = nr_ramy ? nr_ramy : "";
  const std::pair<const char*, const char*> tries[] = {{rej, ramy}, {"", ramy}, {rej, ""}};
  for (const auto& [r, f] : tries) {
    if (!not_empty(r) && !not_empty(f)) continue;
    // The texts may live in the variables cleared next.
    const std::string rr = r, ff = f;
    mgs_Serwis_del_ht("SerwisNew_", "");
    sess_put("SerwisNew_Serwis_nr_rej", rr.c_str());
    sess_put("SerwisNew_Serwis_nr_ramy", ff.c_str());
    hashtbl* hits = mgs_Serwis_search(0);
    const std::uint32_t id = hits && hits->size > 0 ? to_z(hits->values[0]) : 0;
    if (hits) hashtbl_delete(&hits);
    if (id != 0) return id;
  }
  return 0;
}

int towar_do_naprawy() {
  const char* type = ustawienia_get("Typ_towaru_do_serwisu");
  if (!type[0]) return 0;
  std::printf("towar_do_naprawy() Typ_towaru_do_serwisu='%s'\n", type);
  const std::uint32_t type_id = to_z(type);
  std::printf("towar_do_naprawy() Typ_towaru_do_serwisu=%d\n", static_cast<int>(type_id));
  Towary_select_name(var_z("NaprawyNew_Naprawy_Id_Towary__przyjety"), "NaprawyNew_Naprawy_Id_Towary__przyjety",
                     type_id, 0);
  return 0;
}

int towar_do_naprawy0() {
  char url[96];
  std::snprintf(url, sizeof url, "towar_do_naprawy.htm?n_%d=n&Towary_Id=%ld", 17,
                static_cast<long>(var_z("NaprawyNew_Naprawy_Id_Towary__przyjety")));
  app(page_href(url, ustawienia_get("Nowa_nazwa_button")));
  return 0;
}

int mgs_Naprawy_serwis() { return 0; }

namespace {

// "<TD CLASS=fieldname>" caption ":</TD>\n" "<TD CLASS=fieldvalue>" input
// and mark "</TD>\n", for a text field of the equipment form.
void app_text_field(const char* field, int mark, const char* mark_tail = "</FONT>") {
  app("<TD CLASS=fieldname>");
  app(ustawienia_get((std::string(field) + "_text").c_str()));
  app(":</TD>\n");
  app("<TD CLASS=fieldvalue>");
  form_input_s(serwis_var(field).c_str(), 200, 25);
  app_required(mark, mark_tail);
  app("</TD>\n");
}

void app_list_button(int page) {
  app("<TD>");
  app_button(page, ustawienia_get("Lista_button"));
  app("</TD>\n");
}

void app_model_row(const Naprawy_fields& b, bool new_repair) {
  app("<TR>\n");
  app("<TD CLASS=fieldname>");
  app(ustawienia_get("sprzet_text"));
  app(":");
  app("</TD>\n");
  app("<TD  CLASS=fieldvalue COLSPAN=4>");
  towar_do_naprawy();
  if (new_repair) {
    app("&nbsp;");
    app(tr(170));
    app("&nbsp;");
    app(form_input_submit("n_15", ustawienia_get("Nowa_nazwa_button"), ""));
  }
  if (!on("ukryj_data_sprzedazy")) {
    app(" &nbsp;\n");
    app(ustawienia_get("Data_sprzedazy_text"));
    app(": ");
    form_input_date2("SerwisNew_Serwis_data_sprzedazy", from_td(b._Serwis.data_sprzedazy));
  }
  if (!on("ukryj_szacunkowy_koszt")) {
    app("&nbsp;\n");
    app(ustawienia_get("szacunkowa_wycena_text"));
    app(": ");
    if (lang == 1) app(ustawienia_get("zl_text"));
    form_input_s("NaprawyNew_Naprawy_szacunkowa_wycena", 14, 6);
    if (lang != 1) app(ustawienia_get("zl_text"));
  }
  app("</TD>\n");
  app("</TR>\n");
}

void app_numbers_row(const Naprawy_fields& b, int plain) {
  app("<TR>\n");
  app("<TD CLASS=fieldname>");
  app(ustawienia_get("nr_rej_text"));
  app(":</TD>\n");
  app("<TD CLASS=fieldvalue>");
  const Serwis* equipment = Serwis_get_by_Naprawy_Id(b._Naprawy.Id);
  if (equipment && plain == 0) {
    form_input_s("SerwisNew_Serwis_nr_rej", 200, 22);
    char link[160];
    std::snprintf(link, sizeof link,
                  "<A HREF=\"sprzet.htm?sess_code=%s&n_%d=e&Serwis_Id=%lu\"><IMG BORDER=0 SRC=\"minisprzet.jpg\" "
                  "ALT=\"Sprzet\"></A>",
                  kal::html_attr(get_sess_code()).c_str(), 23, static_cast<unsigned long>(equipment->Id));
    app(link);
  } else {
    form_input_s("SerwisNew_Serwis_nr_rej", 200, 25);
    app_required(1);
  }
  app("</TD>\n");
  app("<TD CLASS=fieldname>");
  app(ustawienia_get("nr_ramy_text"));
  app(":</TD>\n");
  app("<TD CLASS=fieldvalue>");
  Serwis_ramy_select("SerwisNew_Serwis_nr_ramy", b._Serwis.nr_ramy.c_str(), b._Naprawy.Id == 0 ? 1 : 0);
  app_required(2);
  app("</TD>\n");
  app("<TD>");
  app_button(92, ustawienia_get("Lista_button"));
}

// The choice among several equipment records found.
void app_hits_row(hashtbl* hits, int flags) {
  if (flags == 1) {
    app(form_input_hidden("SerwisNew_Serwis_nr_rej", var_s("SerwisNew_Serwis_nr_rej")));
    app("\n");
    app(form_input_hidden("NaprawyNew_Naprawy_Id_Towary__przyjety", var_s("NaprawyNew_Naprawy_Id_Towary__przyjety")));
    app("\n");
  }
  app("<TR>\n");
  app("<TD CLASS=fieldname>");
  app(tr(158));
  app("</TD>\n");
  app("<TD  CLASS=fieldvalue COLSPAN=3>\n");
  rs::app_found(hits->size, " ", " ", " !<br>\n");
  app(tr(160));
  app(": ");
  app(ustawienia_get("nr_rej_text"));
  app(" ");
  app(ustawienia_get("nr_ramy_text"));
  app(" ");
  app(tr(161));
  app(" ");
  app("<BR>\n");
  app("<SELECT name='");
  app("SerwisNew_Serwis_Id");
  app("'>\n");
  const std::string chosen = var_s("SerwisNew_Serwis_Id");
  rs::app_hit_options(hits, chosen.c_str(), "<option value='", "'>", "' selected>");
  app("</SELECT>");
  app("</TD>\n");
  app("<TD>");
  app(form_input_submit("n_32", tr(50), ""));
}

}  // namespace

int aktualne_dane_naprawianego(const Naprawy_fields& b, int flags, long* hits_out, int owner_flags, int plain) {
  const std::uint32_t S = b._Naprawy_stany.Id;
  const bool new_repair = S <= 1;
  hashtbl* hits = nullptr;
  long count = 0;
  if (new_repair) {
    hits = mgs_Serwis_search(flags);
    count = hits ? static_cast<long>(hits->size) : 0;
    if (hits_out) *hits_out = count;
  }
  if ((flags & 1) && (count == 0 || count == 1) && new_repair) {
    app("<TR>");
    app("<TD COLSPAN=5 ALIGN=center>");
    infoDisplay(count == 0 ? tr(12) : tr(157));
    app("</TD>");
    app("</TR>\n");
    app("\n");
  }
  if (count > 1) {
    app_hits_row(hits, flags);
  } else {
    wlasciclel_display(b, owner_flags);
    app_model_row(b, new_repair);
    app_numbers_row(b, plain);
  }

  app("</TD>\n");
  app("</TR>\n");
  app("\n");

  app("<TR>\n");
  app_text_field("przebieg", 3, "</FONT>\n");
  sess_put("SerwisNew_Serwis_nr_silnika", b._Serwis.nr_silnika.c_str());
  app("<TD CLASS=fieldname>");
  app(ustawienia_get("nr_silnika_text"));
  app(":\n");
  app("</TD>\n");
  app("<TD CLASS=fieldvalue>");
  Serwis_typy_select("SerwisNew_Serwis_nr_silnika", b._Serwis.nr_silnika.c_str(), 0);
  app_required(4);
  app("</TD>\n");
  app_list_button(87);
  app("</TR>\n");
  app("\n");

  app("<TR>\n");
  app_text_field("model", 5);
  app("<TD CLASS=fieldname>");
  app(ustawienia_get("kolor_text"));
  app(":</TD>\n");
  app("<TD CLASS=fieldvalue>");
  Serwis_kolory_select("SerwisNew_Serwis_kolor", b._Naprawy.kolor.c_str(), 0);
  app_required(6);
  app("</TD>\n");
  app_list_button(95);
  app("</TR>\n");
  app("\n");

  app("<TR>\n");
  app_text_field("numer", 7);
  app_text_field("wyposazenie", 8);
  app("<TD>");
  if (count < 2 && new_repair)
    app(form_input_submit("n_32", ustawienia_get("Szukaj_button"), ""));
  else
    app("&nbsp;");
  app("</TD>\n");
  app("</TR>\n");
  app("\n");

  if (plain == 0) Sprzet_ext_fields_display();

  if (!on("Serwis_typ_off")) {
    sess_put("SerwisNew_Serwis_typ", b._Serwis.typ.c_str());
    app("<TR>\n");
    app("<TD CLASS=fieldname>");
    app(ustawienia_get("typ_text"));
    app(":</TD>\n");
    app("<TD CLASS=fieldvalue COLSPAN=4>");
    form_textarea("SerwisNew_Serwis_typ", 2, 70, "");
    app("</TD>\n");
    app("</TR>\n");
  }
  if (hits) hashtbl_delete(&hits);
  return 0;
}
