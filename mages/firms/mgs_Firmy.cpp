#include "mages/firms/mgs_Firmy.hpp"

#include <cstdio>
#include <ctime>
#include <string>

#include "db/Kody_poczt.hpp"
#include "lib/convert.hpp"
#include "lib/qq.hpp"
#include "lib/txt_utils.hpp"
#include "mages/firm_page_services.hpp"
#include "mages/glue_impl.hpp"
#include "mages/firms/mgs_Firmy0.hpp"
#include "mages/firms/mgs_scaffold.hpp"
#include "mages/qq_main.hpp"
#include "server/html_form.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"

namespace {

constexpr int kPageNew = 9;
constexpr int kPageList = 10;
constexpr int kPageEdit = 19;
constexpr int kPageRepairNew = 30;

bool is(const std::string& action, const char* caption_key) { return action == ustawienia_get(caption_key); }

// A UI text with its one "%s" replaced by arg (the text is never a format).
std::string with_arg(const char* text, const std::string& arg) {
  std::string s = text;
  const std::size_t at = s.find("%s");
  if (at != std::string::npos) s.replace(at, 2, arg);
  return s;
}

// The firm selects: an empty first choice of 15 dashes, nothing at all for
// an empty table.
struct firm_select_desc : glue_desc<Firmy> {
  static constexpr glue_select_style select{
      .none_value = "", .none_text = "---------------", .nothing_when_empty = true};
};
using firm_select = kal::glue<Firmy, firm_select_desc>;

// The pick modes of the list: the caption of the button that opens it, the
// variable holding the link prefix and the mode word.
struct Pick {
  const char* caption;
  const char* href_var;
  const char* mode;
};
constexpr Pick kPicks[] = {
    {"Wybierz_dostawce_button", "DOSTAWA_href", "DOSTAWA"},
    {"Wybierz_klienta_button", "SPRZEDAZ_href", "SPRZEDAZ"},
    {"Zmien_klienta_button", "SPRZEDAZE_href", "SPRZEDAZE"},
    {"Wybierz_przyjmujecego_button", "PRZYJMUJACY_href", "PRZYJMUJACY"},
    {"Wybierz_wykonawce_button", "WYKONAWCA_href", "WYKONAWCA"},
    {"Wybierz_uzytkownika_button", "USER_href", "USER"},
};

// A link prefix that leads off this site (another scheme, another host) is
// no prefix: the list would otherwise put it before every firm.
std::string local_href(const char* href) { return href && href[0] && kal::href_is_local(href) ? href : ""; }

std::string id_text(uint32_t id) { return from_z(id); }

void app_cell(long shown, const std::string& html) {
  approw(shown);
  app(html.c_str());
  app("</td>\n");
}

}  // namespace

// --- the list ---------------------------------------------------------------------------

int mgs_Firmy_list() {
  const std::string action = var_s("n_10");
  if (is(action, "Czysc_button")) mgs_Firmy_filter_Czysc();

  // The pick mode: which button opened the list.
  std::string href, mode;
  bool picked = false;
  for (const Pick& p : kPicks) {
    if (is(action, p.caption)) {
      href = local_href(var_s(p.href_var));
      mode = p.mode;
      picked = true;
    }
  }
  for (int k = 0; k <= 9; ++k) {
    const int page = k == 0 ? kPageList : 300 + k;
    if (!sess_nav_action(page, ustawienia_get("Zmien_button"))) continue;
    const std::string var = k == 0 ? "WLASCICIEL_href" : "Firmy" + std::to_string(k) + "_href";
    href = local_href(var_s(var.c_str()));
    mode = "NAPRAWA";
    picked = true;
    break;
  }
  // A reload repeats nothing.
  sess_nav_set(kPageList, "");
  for (int page = 301; page <= 309; ++page) sess_nav_set(page, "");
  // Otherwise the list's own form carries the prefix and the mode word.
  if (!picked) {
    href = local_href(get_page_param_s(page_params, "backhref"));
    if (!href.empty()) mode = get_page_param_s(page_params, "suffix");
  }

  hashtbl* found = nullptr;
  Firmy_filer filter;
  mgs_Firmy_filer_run(&found, &filter, mode.c_str());
  const int count = found ? static_cast<int>(found->size) : 0;

  app("<CENTER>\n");
  html_form_open("firmy.htm");
  app("<TABLE WIDTH=100%><TR><TD CLASS=pagetitle ALIGN=CENTER> ");
  app(tr(7));
  app(" </TD></TR></TABLE>\n");
  mgs_Firmy_filer_display(&filter, mode.c_str());
  app_button(kPageList, ustawienia_get("Szukaj_button"));
  app("&nbsp;&nbsp;\n");
  app_button(kPageList, ustawienia_get("Czysc_button"));
  app("<br>\n");

  int page_size = 1, first = 0, end = 0;
  manage_rewind(action.c_str(), "Firm_from", "Firm_to", "Firm_end", count, &page_size, &first, &end,
                "Firm_na_stronie", "Firmy_listing_page_id");
  sess_nav_set(kPageList, "");

  app("<small>");
  if (count > 0) {
    char range[64];
    std::snprintf(range, sizeof range, "%ld - %ld ", static_cast<long>(first) + 1, static_cast<long>(end));
    app(range);
    app(ustawienia_get("ze_znalezionych_text"));
    app(" ");
    app(from_l(count));
  } else {
    app(tr(12));
  }
  app("</small>");
  // The buttons show (and post) the bare arrows.
  for (const char* arrow : {"|<", "<<", ">>", ">|"}) {
    app(" ");
    app_button(kPageList, arrow);
  }

  if (!href.empty()) {
    app("\n");
    app(" ");
    app(form_input_hidden("backhref", href.c_str()));
    app(form_input_hidden("suffix", mode.c_str()));
    app(page_href(href.c_str(), ustawienia_get("Powrot_button")));
    app("&nbsp;&nbsp;&nbsp;&nbsp;");
  } else {
    app("&nbsp;&nbsp;\n");
    app_button(kPageNew, tr(14));
  }

  app("<br>\n");
  app("<table border=0>\n");
  const int rc = qq_run_text("Firmy_row0.htm", appn, qq_main);

  long shown = 0;
  for (long i = first; i < static_cast<long>(first) + page_size && i < count; ++i) {
    const std::string id = found->values[static_cast<std::uint32_t>(i)];
    const Firmy* r = kal::glue<Firmy>::find(to_z(id.c_str()));
    if (!r) continue;
    std::string link;
    if (!href.empty()) {
      link = href + id;
    } else {
      char url[96];
      std::snprintf(url, sizeof url, "firma_%s.htm?n_%d=e&Firmy_Id=%s", id.c_str(), kPageEdit, id.c_str());
      link = url;
    }
    app("<tr>\n");
    app_cell(shown, std::to_string(i + 1) + ". ");
    app_cell(shown, page_href(link.c_str(), kal::html_text(r->nazwa.view()).c_str()));
    app_cell(shown, kal::html_text(r->NIP.view()));
    app_cell(shown, "<small>" + kal::html_text(r->kod_pocztowy.view()) + " " + kal::html_text(r->miasto.view()) + " " +
                        kal::html_text(r->ulica.view()) + "</small>");
    app("</tr>\n");
    ++shown;
  }
  hashtbl_delete(&found);
  app("</table>\n");
  html_form_close();
  app("</CENTER>\n");
  return rc;
}

// --- new and edit ------------------------------------------------------------------------

int mgs_Firmy_new(const char* action_arg) {
  const std::string action = action_arg ? action_arg : "";
  if (is(action, "Powrot_button")) {
    sess_nav_set(kPageRepairNew, "n");
    sess_nav_set(kPageNew, "l");
    back_id = last_page_id;
    return 0;
  }
  if (action == tr(14)) mgs_Firmy_del_ht("", "");

  std::string kod = var_s("Firmy_kod_pocztowy");
  std::string miasto = var_s("Firmy_miasto");
  if (is(action, "Poczta_button")) {
    if (const char* city = kod_poczta1(kod.c_str())) {
      miasto = city;
      sess_put("Firmy_miasto", miasto.c_str());
    }
  }

  if (is(action, "Zatwierdz_button")) {
    uint32_t id = 0;
    if (Firmy_tab* t = glue_root<Firmy>::tab(); !t || Firmy_tab_max_Id(t, &id) != 0) id = 0;
    id += 1;
    sess_nav_set(kPageRepairNew, "n");
    Firmy f{};
    mgs_Firmy_get(0, &f, "", "");
    f.Id = id;
    // A new firm is never born deleted, whatever a form left in "Firmy_flags".
    f.flags = 0;
    std::string msg;
    if (Firmy_validate(msg, &f) == 0 && glue_root<Firmy>::tab()) {
      Firmy_tab_insert(glue_root<Firmy>::tab(), &f);
      glue_root<Firmy>::save();
      sess_put("Transakcje_Id_Firmy", from_z(id));
      sess_put("NaprawyNew_Naprawy_Id_Firmy__klient", from_z(id));
      sess_nav_set(kPageRepairNew, "n");
      sess_nav_set(kPageNew, "l");
      back_id = last_page_id;
      return 0;
    }
    errorDisplay(msg.c_str());
    sess_nav_set(kPageNew, "n");
  }

  Firmy f{};
  mgs_Firmy_get(0, &f, "", "");
  f.kod_pocztowy = kod;
  f.miasto = miasto;
  const char* actions[7];
  actions_init(actions);
  actions_set(actions, 0, ustawienia_get("Powrot_button"));
  actions_set(actions, 1, ustawienia_get("Zatwierdz_button"));
  return mgs_Firmy_display("firma.htm", "n_9", actions, &f);
}

int mgs_Firmy_edit(const char* action_arg) {
  const std::string action = action_arg ? action_arg : "";
  if (action == "l") {
    back_id = kPageList;
    return 0;
  }
  if (is(action, "Powrot_button")) {
    sess_nav_set(kPageRepairNew, "n");
    sess_nav_set(kPageNew, "l");
    sess_nav_set(kPageEdit, "l");
    back_id = last_page_id ? last_page_id : kPageList;
    return 0;
  }
  const uint32_t id = var_z("Firmy_Id");
  if (id == 4294967295u) {
    app(("mgs_Firmy_edit() bad page parameter Firmy_Id=\"" + kal::html_text(var_s("Firmy_Id")) + "\" !\n").c_str());
    app("<br\n>");
    return -1;
  }
  Firmy_tab* tab = glue_root<Firmy>::tab();
  if (!tab) return 0;

  if (is(action, "Usun_button")) {
    sess_nav_set(kPageEdit, "e");
    if (const Firmy* r = kal::glue<Firmy>::find(id)) {
      const std::string name = r->nazwa.str();
      Firmy_ref* ref = Firmy_tab_gets_Id(tab, id, VTAB_CMP_EQUAL);
      if (ref) {
        Firmy_tab_update_flags(tab, ref, r->flags | FIRMY_FLAG_DELETED);
        Firmy_ref_delete(&ref);
      }
      glue_root<Firmy>::save();
      infoDisplay(with_arg(tr(3), kal::html_text(name)).c_str());
      app("<br\n>");
    }
    back_id = last_page_id;
    return 0;
  }

  const Firmy* stored = kal::glue<Firmy>::find(id);
  if (!stored) return 0;

  const bool poczta = is(action, "Poczta_button");
  std::string kod = stored->kod_pocztowy.str();
  std::string miasto = stored->miasto.str();
  if (poczta) {
    kod = var_s("Firmy_kod_pocztowy");
    if (const char* city = kod_poczta1(kod.c_str())) miasto = city;
  }

  if (is(action, "Zatwierdz_button") || poczta) {
    sess_put("Transakcje_Id_Firmy", var_s("Firmy_Id"));
    sess_nav_set(kPageRepairNew, "n");
    sess_nav_set(kPageEdit, "e");
    Firmy check{};
    check.nazwa = var_s("Firmy_nazwa");
    std::string msg;
    const int rc = Firmy_validate(msg, &check);
    const bool ok = rc == 0 || rc == 1;
    if (ok) {
      sess_put("Firmy_czas_modyfikacji", from_t(std::time(nullptr)));
      // The form shows neither the flags (the deletion mark) nor the
      // country: the firm keeps what it has.
      sess_put("Firmy_flags", from_i(stored->flags));
      sess_put("Firmy_Id_Panstwa", from_z(stored->Id_Panstwa));
      mgs_Firmy_update(id);
      glue_root<Firmy>::save();
    } else {
      errorDisplay(msg.c_str());
    }
    if (!poczta) {
      if (ok) {
        mgs_Firmy_del_ht("", "");
        back_id = last_page_id;
      }
      return 0;
    }
    // The update may have changed (or re-keyed) the record.
    stored = kal::glue<Firmy>::find(id);
    if (!stored) return 0;
  }

  const char* actions[7];
  actions_init(actions);
  actions_set(actions, 0, ustawienia_get("Powrot_button"));
  actions_set(actions, 1, ustawienia_get("Zatwierdz_button"));
  // The own firm, the retail customer and firm 3 cannot be deleted here.
  if (id > 3) actions_set(actions, 2, ustawienia_get("Usun_button"));
  Firmy f = *stored;
  f.kod_pocztowy = kod;
  f.miasto = miasto;
  return mgs_Firmy_display("firma.htm", "n_19", actions, &f);
}

// --- the form -----------------------------------------------------------------------------

int mgs_Firmy_display(const char* action_url, const char* button_name, const char* const* actions, const Firmy* f) {
  Firmy empty{};
  if (!f) {
    kal::glue<Firmy>::clear(empty);
    f = &empty;
  }
  app("<CENTER>\n");
  app("<table border=0>\n");
  html_form_open(action_url);
  app("<tr><td CLASS=pagetitle ALIGN=CENTER COLSPAN=2> ");
  app(f->Id ? tr(6) : tr(22));
  app(" </td></tr>\n");
  if (var_z("Naprawy_Id") != 0) {
    app(form_input_hidden("Naprawy_Id", var_s("Naprawy_Id")));
    app("\n");
  }
  if (f->Id) {
    app("<tr>\n<td>\n");
    app_button(86, ustawienia_get("Nowy_sprzet_button"));
    app("<br>\n");
    app_button(kPageRepairNew, ustawienia_get("menu_Nowe_Zlecenie"));
    app("</td>\n<td>\n");
    mgs_Serwis_Firma_list(f->Id);
    app("</td>\n</tr>\n");
  }

  auto row_open = [](const char* caption) {
    app("<tr><td CLASS=fieldname>");
    app(caption);
    app("</td><td>");
  };
  auto row_close = [] { app("</td></tr>\n"); };

  app_tr_input(tr(9), "Firmy_nazwa", f->nazwa.c_str(), 255, 60);
  row_open(ustawienia_get("Opis_text"));
  form_textareav("Firmy_opis", f->opis.c_str(), 2, 47, "");
  row_close();
  app_tr_input(ustawienia_get("NIP_text"), "Firmy_NIP", f->NIP.c_str(), 255, 13);
  app_tr_input(ustawienia_get("Ulica_text"), "Firmy_ulica", f->ulica.c_str(), 255, 60);
  row_open(ustawienia_get("Kod_pocztowy_text"));
  app(form_input_text2("Firmy_kod_pocztowy", f->kod_pocztowy.c_str(), 30, 6, ""));
  app("&nbsp;\n");
  app(form_input_submit(button_name, ustawienia_get("Poczta_button"), ""));
  app("&nbsp;\n");
  app(form_input_text2("Firmy_miasto", f->miasto.c_str(), 255, 36, ""));
  row_close();
  app_tr_input(tr(8), "Firmy_bank_nazwa", f->bank_nazwa.c_str(), 255, 60);
  app_tr_input(tr(18), "Firmy_konto", f->konto.c_str(), 255, 60);
  app_tr_input(ustawienia_get("Telefon_text"), "Firmy_telefon", f->telefon.c_str(), 255, 60);
  app_tr_input(tr(215), "Firmy_fax", f->fax.c_str(), 255, 60);
  app_tr_input(ustawienia_get("email_text"), "Firmy_email", f->email.c_str(), 255, 60);
  app_tr_input(tr(21), "Firmy_www_page", f->www_page.c_str(), 255, 60);
  app_tr_input(tr(17), "Firmy_nr_gadu_gadu", f->nr_gadu_gadu.c_str(), 255, 60);
  app_tr_input(tr(19), "Firmy_nr_skype", f->nr_skype.c_str(), 255, 60);
  row_open(ustawienia_get("Typ_firmy_text"));
  // A firm without a type shows type 1.
  Firmy_typy_select("Firmy_Id_Firmy_typy", f->Id_Firmy_typy ? f->Id_Firmy_typy : 1, 1);
  app("\n");
  row_close();
  row_open(ustawienia_get("Ostatnia_modyfikacja_text"));
  apptd(f->czas_modyfikacji);
  app("\n");
  app(form_input_hidden("czas_modyfikacji", from_td(f->czas_modyfikacji)));
  app("\n");
  row_close();

  app(form_input_hidden("Firmy_Id", id_text(f->Id).c_str()));
  app("\n");
  app_actions(button_name, actions);

  // The firm handed to a new repair as its owner.
  Naprawa_init_vars();
  const std::pair<const char*, const ostr*> owner[] = {
      {"Wlasciciel.Firmy_nazwa", &f->nazwa},     {"Wlasciciel.Firmy_ulica", &f->ulica},
      {"Wlasciciel.Firmy_kod_pocztowy", &f->kod_pocztowy}, {"Wlasciciel.Firmy_miasto", &f->miasto},
      {"Wlasciciel.Firmy_telefon", &f->telefon}, {"Wlasciciel.Firmy_email", &f->email}};
  for (const auto& [name, value] : owner) {
    app(form_input_hidden(name, value->c_str()));
    app("\n");
  }
  sess_put("SerwisNew_Serwis_Id", "");

  html_form_close();
  app("</table>\n");
  app("</CENTER>\n");
  return 0;
}

// --- checks and look-ups ------------------------------------------------------------------

int Firmy_validate(std::string& msg, const Firmy* f) {
  if (!f) {
    msg = "ERROR Firmy_validate NULL !\n";
    return -1;
  }
  if (f->nazwa.is_null()) {
    msg = "ERROR Firmy_validate nazwa NULL !\n";
    return -2;
  }
  if (f->nazwa.empty()) {
    msg = tr(10);
    return -3;
  }
  if (f->nazwa.view().find_first_not_of(" \t\r\n") == std::string_view::npos) {
    msg = tr(11);
    return -4;
  }
  Firmy_tab* tab = glue_root<Firmy>::tab();
  if (const Firmy* same = tab ? Firmy_tab_get_nazwa(tab, f->nazwa.c_str(), VTAB_CMP_EQUAL) : nullptr) {
    char url[96];
    std::snprintf(url, sizeof url, "firma.htm?n_%d=e&Firmy_Id=%ld", kPageEdit, static_cast<long>(same->Id));
    msg = with_arg(tr(1), page_href(url, kal::html_text(same->nazwa.view()).c_str()));
    return 1;
  }
  msg = with_arg(tr(2), kal::html_text(f->nazwa.view()));
  return 0;
}

const char* kod_poczta1(const char* kod) {
  if (!_mgs || !_mgs->_Kody_poczt_tab || !kod) return nullptr;
  const Kody_poczt* k = Kody_poczt_tab_get_pna(_mgs->_Kody_poczt_tab, kod, VTAB_CMP_EQUAL);
  return k ? k->miasto.c_str() : nullptr;
}

int mgs_Firmy_select(const char* name, uint32_t selected, int bits, uint32_t type) {
  return firm_select::select_name(selected, name, bits,
                                  [type](const Firmy& r) { return type == 0 || r.Id_Firmy_typy == type; });
}

int Firmy_select(const char* name, uint32_t Id, int force, uint32_t type) {
  Firmy_tab* t = glue_root<Firmy>::tab();
  if (t && t->size > 0 && (force || kal::glue<Firmy>::find(Id))) return mgs_Firmy_select(name, Id, 0, type);
  return form_input_s(name, 200, 25);
}
