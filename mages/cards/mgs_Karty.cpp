#include "mages/cards/mgs_Karty.hpp"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>

#include "lib/qq.hpp"
#include "lib/txt_utils.hpp"
#include "lib/vtab_lang.hpp"
#include "mages/cards/mgs_Dojazdy.hpp"
#include "mages/cards/mgs_Karty0.hpp"
#include "mages/dict_pages_impl.hpp"
#include "mages/equipment/mgs_Serwis0.hpp"
#include "mages/firms/mgs_Firmy0.hpp"
#include "mages/firms/mgs_Naprawy_wykonawcy.hpp"
#include "mages/firms/mgs_Naprawy_wykonawcy0.hpp"
#include "mages/goods/mgs_Towary.hpp"
#include "mages/goods/mgs_Towary_transakcje.hpp"
#include "mages/mages.hpp"
#include "mages/qq_main.hpp"
#include "mages/repairs/mgs_Naprawy.hpp"
#include "server/form_dates.hpp"
#include "server/texts.hpp"

namespace {

// The date filter of the card list.
[[maybe_unused]] const bool kFormDates = kal::form_date_names({"Kdata_od", "Kdata_do"});

using G = kal::glue<Karty>;
using M = vtab_meta<Karty>;

constexpr int kList = MGS_PAGE_KartyL, kEdit = MGS_PAGE_KartyE, kNew = MGS_PAGE_KartyN;
constexpr int kRepair = MGS_PAGE_NaprawaE;
constexpr std::int64_t kMonth = 2678400, kDay = 86400;

bool is(std::string_view action, const char* key) { return action == ustawienia_get(key); }

const Naprawy* repair_of(uint32_t id) {
  return id && _mgs && _mgs->_Naprawy_tab ? Naprawy_tab_get_Id(_mgs->_Naprawy_tab, id, VTAB_CMP_EQUAL) : nullptr;
}
const Firmy* firm_of(uint32_t id) {
  return _mgs && _mgs->_Firmy_tab ? Firmy_tab_get_Id(_mgs->_Firmy_tab, id, VTAB_CMP_EQUAL) : nullptr;
}
int worker_as_admin() {
  const char* w = ustawienia_get("worker_as_admin");
  return (w && *w && std::string_view(w) != "worker_as_admin") ? to_i(w) : 0;
}

void nav_shown() {
  sess_nav_set(kRepair, "e");
  sess_nav_set(kNew, "");
  sess_nav_set(kEdit, "e");
}

std::string link(const char* url_format_page, int page, const std::string& tail) {
  return std::string(url_format_page) + "?n_" + std::to_string(page) + "=" + tail;
}

// The first card of a repair in table order.
const Karty* card_of_repair(uint32_t repair_Id) {
  Karty_tab* t = G::tab();
  if (!t || repair_Id == 0) return nullptr;
  for (Karty_listelem* e = t->first; e; e = e->next)
    if (e->row && e->row->Id_Naprawy == repair_Id) return e->row;
  return nullptr;
}

// The repairer that stands for the logged user (0 when none).
uint32_t own_repairer() {
  const uint32_t user = static_cast<uint32_t>(user_check_loggin());
  if (user == 0) return 0;
  const uint32_t id = Naprawy_wykonawcy_Id_by_Id_Firmy(user);
  return id == 4294967295u ? 0 : id;
}

void label_cell(const char* label) {
  app("<TR><TD CLASS=fieldname>");
  app(label);
  app(":</TD><TD>");
}

}  // namespace

// --- states, check, access ------------------------------------------------------------

const char* Karty_stany_nazwa(uint32_t state) {
  switch (state) {
    case 1: return tr(172);
    case 2: return tr(173);
    case 3: return tr(174);
    default: return "";
  }
}

int Karty_stany_select_options(uint32_t selected, int flags) {
  if (flags & 1) {
    app(selected == 0 ? "<option value=\"0\" selected>" : "<option value=\"0\">");
    app("----------------------------------\n");
  }
  for (uint32_t s = 1; s <= 3; ++s) {
    app("<option value=\"");
    app(from_z(s));
    app(s == selected ? "\" selected>" : "\">");
    app(Karty_stany_nazwa(s));
    app("\n");
  }
  return 0;
}

int Karty_stany_select_name(uint32_t selected, const char* name, int flags) {
  app("<select name='");
  app(name ? name : "");
  app("'>\n");
  Karty_stany_select_options(selected, flags);
  app("</select>");
  return 0;
}

int Karty_validate(std::string& err, const Karty* rec) {
  if (rec) return 0;
  err = "ERROR Karty NULL !\n";
  return -1;
}

bool mgs_Karty_allow(const Karty* card) {
  if (!card) return false;
  const uint32_t user = static_cast<uint32_t>(user_check_loggin());
  if (user == 0 || user_is_admin() >= 1 || worker_as_admin() == 1) return true;
  if (card->Id_Wykonawca != 0 && Naprawy_wykonawcy_Id_Firmy(card->Id_Wykonawca) == user) return true;
  if (card->Id_Naprawy != 0) {
    if (const Naprawy* repair = repair_of(card->Id_Naprawy))
      return mgs_Naprawy_allow0(repair, user, user_is_admin(), worker_as_admin()) == 1;
  }
  return false;
}

bool mgs_Karty_allow_list(const Karty* card) {
  if (!card) return false;
  const uint32_t user = static_cast<uint32_t>(user_check_loggin());
  if (user == 0 || user_is_admin() >= 1) return true;
  return card->Id_Wykonawca != 0 && Naprawy_wykonawcy_Id_Firmy(card->Id_Wykonawca) == user;
}

bool mgs_Karty_allow_print(const Karty* card) {
  if (!card) return false;
  return mgs_Naprawy_allow(card->Id_Naprawy, static_cast<uint32_t>(user_check_loggin()), user_is_admin(),
                           worker_as_admin()) == 1;
}

uint32_t Karty_owner(const Karty& card) {
  if (card.Id_Naprawy != 0) {
    const Naprawy* repair = repair_of(card.Id_Naprawy);
    return repair ? repair->Id_Firmy__klient : 0;
  }
  return card.Id_Zleceniodawca;
}

double Karty_koszt_calkowity(const Karty& card) {
  double total = 0;
  mgs_Naprawa_Dojazdy_list(card.Id, card.koszt_brutto, nullptr, nullptr, nullptr, &total, 0);
  return total;
}

// --- the list ---------------------------------------------------------------------------

int Karty_filter_init(Karty_filter* f) {
  if (!f) return -1;
  const std::int64_t now = std::time(nullptr);
  if (!var_s("Kdata_od")[0]) sess_put("Kdata_od", from_td(now - kMonth));
  if (!var_s("Kdata_do")[0]) sess_put("Kdata_do", from_td(now + kDay));
  f->data_od = var_t("Kdata_od");
  f->data_do = var_t("Kdata_do");
  auto copy = [](char* dst, long* len, const char* src) {
    std::strncpy(dst, src ? src : "", 63);
    dst[63] = 0;
    *len = static_cast<long>(std::strlen(dst));
  };
  copy(f->nazwa, &f->nazwa_len, var_s("Knazwa"));
  copy(f->wlasciciel, &f->wlasciciel_len, var_s("Kwlasciciel"));
  f->Id_Karty_stany = var_z("Search.Karty_Id_Karty_stany");
  f->Id_Naprawy_wykonawcy = var_z("NaprawySearch.Naprawy_Id_Naprawy_wykonawcy");
  return 0;
}

int mgs_Karty_list(const char* action_arg) {
  const std::string_view action = action_arg ? action_arg : "";
  if (is(action, "Czysc_button")) {
    sess_put("Knazwa", "");
    sess_put("Kwlasciciel", "");
    sess_put("Search.Karty_Id_Karty_stany", "0");
    sess_put("NaprawySearch.Naprawy_Id_Naprawy_wykonawcy", "0");
    sess_put("Kdata_od", from_td(txtutils_begin_year()));
    sess_put("Kdata_do", from_td(txtutils_next_year()));
  }
  Karty_filter f;
  Karty_filter_init(&f);

  app("<CENTER>\n");
  html_form_open("Karty.htm");
  app(form_input_hidden("Karty_Id_Naprawy", "0"));
  app("\n");
  // The mark of the form: "Dodaj" posted twice makes one card.
  app(form_input_hidden(kal::dict_once::field, kal::dict_once::fresh().c_str()));
  app("\n");
  sess_put("Ktitle", "Lista kart usług");
  const int rc = qq_run("Karty_filtr.htm", appc, qq_main);

  app("<TABLE border=0>\n<TR>\n");
  for (const char* key : {"Lp_text", "Numer_text", "Wykonawca", "nr_ramy_text", "Wlasciciel_text", "Stan_text",
                          "Data_text", "Przychod_text", "Koszty_text", "Zysk_text"}) {
    app("  <TD CLASS=colname>");
    app(ustawienia_get(key));
    app("</TD>\n");
  }
  app("</TR>\n");

  double income = 0, cost = 0, labour = 0;
  long shown = 0;
  G::each_by_id([&](const Karty& card) {
    if (!mgs_Karty_allow_list(&card)) return;
    if (f.data_od != 0 && card.data < f.data_od) return;
    if (f.data_do != 0 && card.data > f.data_do) return;
    if (f.Id_Karty_stany != 0 && card.Id_Karty_stany != f.Id_Karty_stany) return;
    if (f.Id_Naprawy_wykonawcy != 0 && card.Id_Wykonawca != f.Id_Naprawy_wykonawcy) return;
    const Naprawy* repair = repair_of(card.Id_Naprawy);
    const Serwis* equipment = card.Id_Naprawy ? Serwis_get_by_Naprawy_Id(card.Id_Naprawy) : nullptr;
    const std::string frame = repair && !repair->nr_ramy.view().empty() ? kal::html_text(repair->nr_ramy.view()) : "&nbsp;";
    if (equipment && f.nazwa_len > 0 &&
        !vtab_chkpatrnic(repair && !repair->nr_ramy.view().empty() ? repair->nr_ramy.c_str() : "&nbsp;", f.nazwa,
                         f.nazwa_len, vtab_to_lowlang_cp1250))
      return;
    const uint32_t owner_Id = Karty_owner(card);
    const Firmy* owner = firm_of(owner_Id);
    if (f.wlasciciel_len > 0 && owner && !owner->nazwa.view().empty() &&
        !vtab_chkpatrnic(owner->nazwa.c_str(), f.wlasciciel, f.wlasciciel_len, vtab_to_lowlang_cp1250))
      return;

    const double card_cost = Karty_koszt_calkowity(card);
    ++shown;
    app("<TR>\n<TD>");
    app(from_l(shown));
    app(". </TD>\n<TD>");
    const std::string number = card.numer.view().empty() ? "___" : kal::html_text(card.numer.view());
    app(page_href(link("Karty.htm", kEdit, "e&id=" + std::string(from_z(card.Id))).c_str(), number.c_str()));
    app("</TD>\n<TD>");
    app_text(Naprawy_wykonawcy_nazwa_Firmy(card.Id_Wykonawca));
    app("</TD>\n<TD>");
    if (equipment)
      app(page_href(link("sprzet.htm", MGS_PAGE_SerwisE, "e&Serwis_Id=" + std::string(from_z(equipment->Id))).c_str(),
                    frame.c_str()));
    else
      app("&nbsp;");
    app("</TD>\n<TD>");
    if (owner)
      app(page_href(link("firma.htm", MGS_PAGE_FirmaE, "e&Firmy_Id=" + std::string(from_z(owner_Id))).c_str(),
                    kal::html_text(owner->nazwa.view()).c_str()));
    else
      app("&nbsp;");
    app("</TD>\n<TD>");
    app(Karty_stany_nazwa(card.Id_Karty_stany));
    app("</TD>\n<TD>");
    apptd(card.data);
    app("</TD>\n<TD align=right>");
    appgzl(card.suma_brutto);
    app("</TD>\n<TD align=right>");
    appgzl(card_cost);
    app("</TD>\n<TD align=right>");
    appgzl(card.zysk_brutto);
    app("</TD>\n</TR>\n");
    if (std::isfinite(card.suma_brutto)) income += card.suma_brutto;
    cost += card_cost;
    if (std::isfinite(card.zysk_brutto)) labour += card.zysk_brutto;
  });
  app("<TR>\n");
  for (int i = 0; i < 6; ++i) app("<TD>&nbsp;</TD>\n");
  app("<TD><B>");
  app(ustawienia_get("Suma_text"));
  app(":</B></TD>\n<TD align=right>");
  appgzl(kal::money_round(income));
  app("</TD>\n<TD align=right>");
  appgzl(kal::money_round(cost));
  app("</TD>\n<TD align=right>");
  appgzl(kal::money_round(labour));
  app("</TD>\n</TR>\n</TABLE>\n");
  app_button(kList, "Powrót");
  app("&nbsp;&nbsp;&nbsp;\n");
  app_button(kNew, "Dodaj");
  html_form_close();
  app("</CENTER>\n");
  return rc;
}

// --- the card form --------------------------------------------------------------------

int mgs_Karty_display(const char* n, const char* b1, const char* b2, const char* b3, const char* b4, const char* b5,
                      const char* b6, const char* Id, const char* numer, const char* Id_Naprawy,
                      const char* /*Id_Zlecenia*/, const char* Id_Zleceniodawca, const char* Id_Wykonawca,
                      const char* ident, const char* /*Id_Prowadzacy*/, const char* /*Id_Sprawdzajacy*/,
                      const char* /*Id_Transakcje*/, const char* data, const char* uwagi,
                      const char* uwagi_niedrukowane, const char* /*opis*/, const char* /*opis_niedrukowany*/,
                      const char* /*Id_Naprawy_stany*/, const char* Id_Karty_stany, const char* numer_FVAT,
                      const char* text1, const char* /*text2*/, const char* /*text3*/, const char* /*text4*/,
                      const char* /*data2*/, const char* /*suma_brutto*/, const char* koszt_brutto,
                      const char* /*zysk_brutto*/, const char* /*czas_modyfikacji*/) {
  auto s = [](const char* t) { return t ? t : ""; };
  const uint32_t card_Id = to_z(s(Id));
  const uint32_t repair_Id = to_z(s(Id_Naprawy));
  const Naprawy* repair = repair_of(repair_Id);
  std::string number = s(numer);
  if (number.empty() && repair) number = repair->numer.str();

  html_form_open("Karty.htm");
  app(form_input_hidden("Karty_Id_Naprawy", from_z(repair_Id)));
  app(form_input_hidden("Naprawy_Id", from_z(repair_Id)));
  if (repair_Id == 0) app(form_input_hidden("Karty_Id_Zleceniodawca", s(Id_Zleceniodawca)));
  app("\n<CENTER>\n<TABLE WIDTH=100%><TR><TD CLASS=pagetitle ALIGN=CENTER> ");
  app(page_href(link("karty.htm", kList, "l").c_str(), ustawienia_get("Lista_kart_uslug_text")));
  app(" &nbsp;&nbsp;&nbsp;&nbsp; ");
  app(page_href(link("naprawa.htm", kRepair, "e&Naprawy_Id=" + std::string(from_z(repair_Id))).c_str(),
                ("(Naprawa " + (repair ? kal::html_text(repair->numer.view()) : std::string()) + ")").c_str()));
  app(" Karta usług numer ");
  app(form_input_text2("Karty_numer", number.c_str(), 20, 10, ""));
  app(" &nbsp; \n");
  const std::string id_text = kal::html_attr(s(Id));
  app((" <A HREF=\"Karta_uslug_" + id_text + ".pdf?sess_code=" + kal::html_attr(get_sess_code()) +
       "\" TARGET=\"Karta_uslug_" + id_text + "\">Wydruk</A>")
          .c_str());
  app(" </TD></TR></TABLE>\n");

  app("<TABLE border=0>\n");
  // The repairer.
  label_cell(ustawienia_get("Wykonawca"));
  if (user_is_admin() == 1) {
    Naprawy_wykonawcy_select_name(to_z(s(Id_Wykonawca)), "Karty_Id_Wykonawca", 1);
  } else {
    const Firmy* me = firm_of(static_cast<uint32_t>(user_check_loggin()));
    if (me) app_text(me->nazwa.c_str());
    app(form_input_hidden("Karty_Id_Wykonawca", from_z(own_repairer())));
  }
  app("</TD></TR>\n");
  // The owner of a card without repair, and the button that picks another.
  if (repair_Id == 0) {
    label_cell(ustawienia_get("Wlasciciel_text"));
    const uint32_t owner_Id = to_z(s(Id_Zleceniodawca));
    if (const Firmy* owner = firm_of(owner_Id)) {
      const std::string text = kal::html_text(owner->nazwa.view()) + ", " + kal::html_text(owner->ulica.view()) + ", " +
                               kal::html_text(owner->kod_pocztowy.view()) + " " + kal::html_text(owner->miasto.view());
      app(page_href(link("firma.htm", MGS_PAGE_FirmaE, "n&Firmy_Id=" + std::string(from_z(owner_Id))).c_str(),
                    text.c_str()));
    }
    sess_put("WLASCICIEL_href",
             (link("karta_uslug.htm", kEdit, "WlascE&Karty_Id=") + from_z(card_Id) + "&Id_Zleceniodawca=").c_str());
    app(" ");
    app_button(MGS_PAGE_Firmy, ustawienia_get("Zmien_button"));
    app("</TD></TR>\n");
  }
  // State and date.
  label_cell("Status");
  Karty_stany_select_name(to_z(s(Id_Karty_stany)), "Karty_Id_Karty_stany", 0);
  app("</TD><TD CLASS=fieldname>Data:</TD><TD>");
  form_input_date2("Karty_data", s(data)[0] ? s(data) : from_td(std::time(nullptr)));
  app("</TD></TR>\n");
  label_cell("Do zlecenia");
  app(form_input_text2("Karty_text1", s(text1), 40, 20, ""));
  app("</TD><TD CLASS=fieldname>Identyfikator:</TD><TD>");
  app(form_input_text2("Karty_ident", s(ident), 40, 20, ""));
  app("</TD></TR>\n");
  label_cell("Dodatkowy<BR>koszt");
  app(form_input_text2("Karty_koszt_brutto", s(koszt_brutto), 40, 20, ""));
  app("</TD><TD CLASS=fieldname>Numer faktury VAT:</TD><TD>");
  app(form_input_text2("Karty_numer_FVAT", s(numer_FVAT), 40, 20, ""));
  app("</TD></TR>\n");
  label_cell(ustawienia_get("Uwagi_text"));
  form_textareav("Karty_uwagi", s(uwagi), 4, 70, "");
  app("</TD></TR>\n");
  label_cell("Uwagi<BR>(niedrukowane)");
  form_textareav("Karty_uwagi_niedrukowane", s(uwagi_niedrukowane), 4, 70, "");
  app("</TD></TR>\n</TABLE>\n");

  // The lines of the repair's sale document: services, then parts.
  double net = 0, income = 0;
  if (repair && repair->Id_Transakcje != 0) {
    app("<table border=0>\n");
    mgs_Sprzedaz_existed_rows(repair->Id_Transakcje, &net, &income, ustawienia_get("Wykonane_prace_text"),
                              to_z(ustawienia_get("Typ_towaru_uslugi")));
    double parts_net = 0, parts_gross = 0;
    mgs_Sprzedaz_existed_rows(repair->Id_Transakcje, &parts_net, &parts_gross, ustawienia_get("Czesci_text"),
                              to_z(ustawienia_get("Typ_towaru_czesci")));
    app("</table>\n");
  }
  // The trips.
  double additional = to_gzl(s(koszt_brutto));
  if (!std::isfinite(additional)) additional = 0;
  additional = kal::money_round(additional);
  double labour = 0;
  mgs_Naprawa_Dojazdy_list(card_Id, additional, nullptr, &labour, nullptr, nullptr, 1);
  // The money the card shows is the money it keeps.
  if (G::find(card_Id)) {
    G::set_field<&Karty::suma_brutto>(card_Id, kal::money_round(income));
    G::set_field<&Karty::koszt_brutto>(card_Id, additional);
    G::set_field<&Karty::zysk_brutto>(card_Id, labour);
  }
  kal::dict_save<Karty>();

  app("<TABLE>\n");
  app(form_input_hidden("Karty_Id", s(Id)));
  app(form_input_hidden(kal::dict_once::field, kal::dict_once::fresh().c_str()));
  app("\n");
  if (b1 && b1[0]) {
    app("<TD><TD colspan='4' align='center'>");
    app(form_input_submit(n, b1, ""));
    for (const char* b : {b2, b3, b4, b5, b6}) app_action_button_nav(n, b ? b : "");
    app("</TD></TD>\n");
  }
  app("</TABLE>\n");
  html_form_close();
  app("</CENTER>\n");
  return 0;
}

// --- the card page --------------------------------------------------------------------------

namespace {

int show_card(const Karty& c) {
  const std::string n = "n_" + std::to_string(kEdit);
  std::string t[27];
  int i = 0;
  M::for_each_field([&](auto f) {
    using F = decltype(f);
    if constexpr (F::letter == 't')
      t[i++] = (F::pos == M::f_czas_modyfikacji) ? from_t(F::of(c)) : from_td(F::of(c));
    else
      t[i++] = G::template field_text<F>(c);
  });
  back_id = 0;
  nav_shown();
  return mgs_Karty_display(n.c_str(), ustawienia_get("Powrot_button"), ustawienia_get("Zatwierdz_button"),
                           ustawienia_get("Usun_button"), "", "", "", t[0].c_str(), t[1].c_str(), t[2].c_str(),
                           t[3].c_str(), t[4].c_str(), t[5].c_str(), t[6].c_str(), t[7].c_str(), t[8].c_str(),
                           t[9].c_str(), t[10].c_str(), t[11].c_str(), t[12].c_str(), t[13].c_str(), t[14].c_str(),
                           t[15].c_str(), t[16].c_str(), t[17].c_str(), t[18].c_str(), t[19].c_str(), t[20].c_str(),
                           t[21].c_str(), t[22].c_str(), t[23].c_str(), t[24].c_str(), t[25].c_str(), t[26].c_str());
}

// The once-marks of the card forms: an action that adds something is not
// repeated by the same form posted again.
bool once_used(const char* var) {
  const std::string mark = kal::dict_once::posted();
  if (kal::dict_once::used(var, mark)) return true;
  kal::dict_once::use(var, mark);
  return false;
}

}  // namespace

int mgs_Karty_edit(const char* action_arg) {
  const std::string_view action = action_arg ? action_arg : "";
  const char* id_text = var_s("id");
  const uint32_t id = var_z("id");
  const Karty* card = G::find(id);
  const uint32_t repair_Id = card ? card->Id_Naprawy : 0;

  if (card && !mgs_Karty_allow(card)) {
    mgs_Naprawy_refuse();
    return 0;
  }
  if (is(action, "Powrot_button")) {
    back_id = repair_Id ? kRepair : kList;
    return 0;
  }
  if (id == 4294967295u) {
    app(kal::dict_fill("mgs_Karty_edit() bad page parameter Karty_Id='%s' !\n", kal::html_text(id_text)).c_str());
    app("<BR\n>");
    back_id = 0;
    return -1;
  }
  // A form of another card changes nothing.
  const bool changes = is(action, "Wprowadź nowy dojazd") || is(action, "Usun_button") ||
                       is(action, "Zatwierdz_button") || action == "WlascE" ||
                       (action.rfind(ustawienia_get("Usun_sp_button"), 0) == 0 && !action.empty());
  if (changes && is_in_post_or_get("Karty_Id") && to_z(get_post_or_get_s("Karty_Id")) != id) {
    errorDisplay("Formularz należy do innej karty usług niż otwarta - nic nie zostało zapisane. Otwórz kartę ponownie !");
    if (card) return show_card(*card);
    return 0;
  }
  if (card) sess_put("Karty_Id", from_z(id));

  if (card && is(action, "Wprowadź nowy dojazd")) {
    if (!once_used("Dojazdy.dict_once")) mgs_Naprawa_Wprowadz_nowy_dojazd();
  } else if (card && !is(action, "Usun_button")) {
    const char* prefix = ustawienia_get("Usun_sp_button");
    const std::size_t len = std::strlen(prefix);
    if (len > 0 && action.size() > len && action.compare(0, len, prefix) == 0) {
      const int row = to_i(std::string(action.substr(len)).c_str());
      const std::string var = "Usun_Id_Dojazdy." + std::to_string(row);
      if (row > 0 && is_in_post_or_get(var.c_str()))
        mgs_Naprawa_Dojazd_usun(id, to_z(get_post_or_get_s(var.c_str())));
    }
  }
  if (card && is(action, "Usun_button")) {
    Karty_tab* t = G::tab();
    if (Karty_ref* ref = G::by_id(t, id)) {
      Karty_tab_removes(t, ref);
      Karty_ref_delete(&ref);
    }
    kal::dict_save<Karty>();
    nav_shown();
    back_id = repair_Id ? kRepair : kList;
    return 0;
  }
  if (!card) {
    nav_shown();
    return 0;
  }
  if (action == "WlascE" && is_in_post_or_get("Id_Zleceniodawca"))
    G::set_field<&Karty::Id_Zleceniodawca>(id, to_z(get_post_or_get_s("Id_Zleceniodawca")));

  if (is(action, "Zatwierdz_button")) {
    if (is_in_post_or_get("Karty_koszt_brutto") && !std::isfinite(var_g("Karty_koszt_brutto"))) {
      errorDisplay("Dodatkowy koszt to nie jest liczba - karta nie została zapisana !");
      return show_card(*card);
    }
    mgs_Naprawa_Dojazdy_Zatwierdz(id);
    std::string err;
    if (Karty_validate(err, card) != 0) {
      infoDisplay(err.c_str());
      sess_nav_set(kNew, "n");
      back_id = kEdit;
      return 0;
    }
    // The fields the form carries; what it does not carry stays as stored.
    G::update_carried(id, "", "");
    G::set_field<&Karty::czas_modyfikacji>(id, static_cast<std::int64_t>(std::time(nullptr)));
    kal::dict_save<Karty>();
    back_id = kEdit;
    nav_shown();
    return 0;
  }
  const Karty* shown = G::find(id);
  return shown ? show_card(*shown) : 0;
}

// --- a new card ------------------------------------------------------------------------------

int mgs_Karty_new(const char* action_arg) {
  const std::string_view action = action_arg ? action_arg : "";
  const bool add = action == "Dodaj";
  if (add) {
    sess_put("Karty_Id_Naprawy", "0");
    sess_put("Karty_numer", "");
  }
  const uint32_t repair_Id = var_z("Karty_Id_Naprawy");
  const Naprawy* repair = repair_of(repair_Id);
  if (repair_Id != 0 && (!repair || mgs_Naprawy_allow_current(repair_Id) != 1)) {
    if (!repair)
      errorDisplay(kal::dict_fill("Nie ma naprawy o Id %s - karta nie została założona !", from_z(repair_Id)).c_str());
    else
      mgs_Naprawy_refuse();
    return 0;
  }
  sess_nav_set(kNew, "");
  sess_nav_set(kEdit, "e");
  sess_nav_set(kRepair, "");
  page_id = kEdit;
  back_id = 0;

  int rc = 0;
  uint32_t id = 0;
  // The same "Dodaj" form posted again opens the card it made.
  const std::string mark = kal::dict_once::posted();
  const std::string made = var_s("Karty.dodaj_once");
  const std::size_t blank = made.find(' ');
  if (add && !mark.empty() && blank != std::string::npos && made.substr(0, blank) == mark &&
      G::find(to_z(made.c_str() + blank + 1))) {
    id = to_z(made.c_str() + blank + 1);
  } else if (const Karty* existing = card_of_repair(repair_Id)) {
    id = existing->Id;
  } else {
    Karty_tab* t = G::tab();
    if (!t || !kal::dict_next_id<Karty>(t, &id)) return 0;
    Karty r{};
    G::clear(r);
    const std::int64_t now = std::time(nullptr);
    r.Id = id;
    r.Id_Naprawy = repair_Id;
    if (repair) r.numer = repair->numer.str();
    r.Id_Wykonawca = repair && repair->Id_Naprawy_wykonawcy ? repair->Id_Naprawy_wykonawcy : own_repairer();
    r.data = now;
    r.data2 = now;
    r.czas_modyfikacji = now;
    std::string err;
    if (Karty_validate(err, &r) != 0) {
      infoDisplay(err.c_str());
      return 0;
    }
    rc = Karty_tab_insert(t, &r);
    if (rc != 0) {
      errorDisplay("Nie można dodać karty usług !");
      return rc;
    }
    kal::dict_save<Karty>();
    if (add && !mark.empty()) sess_put("Karty.dodaj_once", (mark + " " + from_z(id)).c_str());
  }
  sess_put("Karty_Id", from_z(id));
  sess_put("Karty_numer", repair ? repair->numer.c_str() : "");
  sess_put("id", from_z(id));
  const int shown = mgs_Karty_edit("e");
  return rc != 0 ? rc : shown;
}
