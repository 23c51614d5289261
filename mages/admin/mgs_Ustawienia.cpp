#include "mages/admin/mgs_Ustawienia.hpp"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "lib/convert.hpp"
#include "lib/hashtbl.hpp"
#include "lib/txt_utils.hpp"
#include "mages/admin/mgs_backup.hpp"
#include "mages/firms/mgs_Firmy0.hpp"
#include "mages/firms/mgs_Firmy_csv.hpp"
#include "mages/goods/mgs_Stawki_VAT0.hpp"
#include "mages/goods/mgs_Towary_csv.hpp"
#include "mages/goods/mgs_Towary_typy0.hpp"
#include "server/html_form.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"
#include "server/winservice.hpp"

namespace {

constexpr int kPage = 12;
constexpr const char* kNav = "n_12";

constexpr const char* kBase[] = {
    "backup_path", "Dowod_przyjecia_kopia", "Dowod_przyjecia_1nr_rej", "Dowod_przyjecia_2nr_ramy",
    "Dowod_przyjecia_3przebieg", "Dowod_przyjecia_4nr_silnika", "Dowod_przyjecia_5model", "Dowod_przyjecia_6kolor",
    "Dowod_przyjecia_7numer", "Dowod_przyjecia_8wyposazenie", "Dowod_przyjecia_9typ", "Dowod_przyjecia_opis",
    "Dowod_przyjecia_szacunkowa_data", "Dowod_przyjecia_szacunkowa_text", "Dowod_przyjecia_zgoda",
    "Faktura_oryginal_kopia", "Faktura_oznaczenie", "Firm_na_stronie", "kolor_text", "model_text",
    "Napraw_na_stronie", "nr_ramy_text", "nr_rej_text", "nr_silnika_text", "numer_text", "Podstawowy_VAT",
    "przebieg_text", "sprzet_text", "Towarow_na_stronie", "Transakcji_na_stronie", "Typ_towaru_czesci",
    "Typ_towaru_do_serwisu", "Typ_towaru_uslugi", "wyposazenie_text", "Wlasciciel_miasto_wymagane",
    "Wlasciciel_telefon_wymagane", "Serwis_pole1_wymagane", "Serwis_pole2_wymagane", "Serwis_pole3_wymagane",
    "Serwis_pole4_wymagane", "Serwis_pole5_wymagane", "Serwis_pole6_wymagane", "Serwis_pole7_wymagane",
    "Serwis_pole8_wymagane", "Wydruk_dowodu_przyjecia_wymagany", "Nazwa_sprzetu_text",
    "Opis_i_przyczyna_uszkodzenia_text", "Sprzetu_na_stronie", "Logo_nazwa_pliku", "Logo_szerokosc",
    "Logo_wysokosc", "Logo_pozycja_x", "Logo_pozycja_y", "Protokol_liczba_czesci", "szacunkowa_data_offset",
    "sprzedazy_data_offset", "send_time", "dossier_oswiadczenie_text", "Logowanie", "Logowanie_timeout",
    "Zaplanuj_za_dni", "Serwis_typ_off", "karty_uslug_off", "main_email", "main_www", "numer_naprawy_z_rokiem",
    "DOWOD_PRZYJECIA_SPRZETU_DO_NAPRAWY__nr_text", "D_O_S_S_I_E_R___N_A_P_R_A_W_Y__nr_text", "Prints_rfid",
    "Prints_rfid_start", "Prints_rfid_company", "Dodatkowy_dowod_bez_danych_osobowych", "start_page_id",
    "Wydruk_samego_kodu", "barcode_type", "offset_red_t", "rachunki_zamiast_faktur", "wydruk_kodu_na_fakturze",
    "w_ramach_gwarancji", "Kolor_napraw_wykonanych", "Kolor_napraw_wydanych", "ukryj_faktury",
    "ukryj_forma_platnosci", "ukryj_termin_platnosci", "ukryj_data_sprzedazy", "ukryj_data_odpowiedzi",
    "ukryj_rzeczywista_data_naprawienia", "ukryj_szacunkowy_koszt", "ukryj_zaplanuj_dzien", "ukryj_magazyn",
    "ukryj_wydane", "ukryj_braki", "ukryj_planowane", "ukryj_plany_spoznione", "ukryj_Planowane_w_okresie",
    "ukryj_opcje_przeglad", "ukryj_protokol", "ukryj_protokol_przegladu", "ukryj_protokol_serwisowy",
    "ukryj_protokol_przyjecia", "ukryj_karte_uslug", "ukryj_dodaj_usun_uslugi_czesci", "ukryj_brak_czesci",
    "ukryj_do_wyjasnienia", "ukryj_zakoncz_i_wydaj_towar", "ukryj_wydaj_towar", "ukryj_dla_serwisu",
    "ukryj_data_odbioru", "ukryj_odbierajacy", "ukryj_filtr_wykonawca", "ukryj_dbf_export",
    "ukryj_ulica_na_liscie_napraw", "ukryj_kod_pocztowy_na_liscie_napraw", "ukryj_miasto_na_liscie_napraw",
    "worker_as_admin", "drukuj_tylko_niepuste", "Nazwa_firmy_do_kontaktu", "Nazwa_firmy_dla_faktur",
};

constexpr const char* kMain[] = {"sprzet_text", "nr_rej_text",   "nr_ramy_text", "przebieg_text",    "nr_silnika_text",
                                 "model_text",  "kolor_text",    "numer_text",   "wyposazenie_text", "typ_text"};

// Edited in text areas at the end of the page.
constexpr const char* kLongTexts[] = {"Opis_i_przyczyna_uszkodzenia_text", "Dowod_przyjecia_szacunkowa_text",
                                      "Dowod_przyjecia_opis",              "Dowod_przyjecia_zgoda",
                                      "Karta_uslug_uwagi_text",            "dossier_oswiadczenie_text"};
// Texts kept in files of their own.
constexpr const char* kGuaranteeTexts[] = {"Sprzet_Karta_Gwarancyjna_strona1", "Sprzet_Karta_Gwarancyjna_strona2",
                                           "Gwarancja_Na_Naprawe"};

constexpr const char* kYesNo[] = {
    "Wydruk_dowodu_przyjecia_wymagany", "Wlasciciel_miasto_wymagane", "Wlasciciel_telefon_wymagane",
    "Serwis_pole1_wymagane", "Serwis_pole2_wymagane", "Serwis_pole3_wymagane", "Serwis_pole4_wymagane",
    "Serwis_pole5_wymagane", "Serwis_pole6_wymagane", "Serwis_pole7_wymagane", "Serwis_pole8_wymagane",
    "Dowod_przyjecia_1nr_rej", "Dowod_przyjecia_2nr_ramy", "Dowod_przyjecia_3przebieg", "Dowod_przyjecia_4nr_silnika",
    "Dowod_przyjecia_5model", "Dowod_przyjecia_6kolor", "Dowod_przyjecia_7numer", "Dowod_przyjecia_8wyposazenie",
    "Dowod_przyjecia_9typ", "Dowod_przyjecia_szacunkowa_data", "Logowanie", "numer_naprawy_z_rokiem", "Prints_rfid",
    "Dodatkowy_dowod_bez_danych_osobowych", "rachunki_zamiast_faktur", "wydruk_kodu_na_fakturze",
    "Wydruk_samego_kodu",
};

template <std::size_t N>
bool listed(const char* const (&list)[N], const char* key) {
  if (!key) return false;
  for (const char* k : list)
    if (std::strcmp(k, key) == 0) return true;
  return false;
}

bool starts_with(const char* text, std::string_view prefix) {
  return text && std::string_view(text).substr(0, prefix.size()) == prefix;
}

bool is_yes_no(const char* key) { return listed(kYesNo, key) || (starts_with(key, "ukryj_") && ustawienia_is_base(key)); }

bool is(const char* action, const char* text) { return action && text && std::strcmp(action, text) == 0; }

// The stored value of a key; NULL when the store has none.
const char* stored(const char* key) { return ustawienia_ht ? hashtbl_get_ptr(ustawienia_ht, key) : nullptr; }

void select_list(const char* key, const char* value, std::initializer_list<select_option> options) {
  formutil_select_list(key, options.begin(), options.size(), to_l(value));
}

// A submit button of the page with the caption.
void button(const char* caption) { app(form_input_submit(kNav, caption, "")); }

// --- what a save or a backup takes from the request ----------------------------------------

// Collects what could not be stored, for one red block.
struct Refusals {
  std::vector<std::string> lines;
  void add(const std::string& line) {
    std::printf("mgs_Ustawienia(): %s\n", line.c_str());
    lines.push_back(line);
  }
  bool any() const { return !lines.empty(); }
  void show(const char* tail) const {
    if (lines.empty()) return;
    std::string text;
    for (const std::string& l : lines) text += kal::html_text(l) + "<BR>\n";
    if (tail) text += tail;
    errorDisplay(text.c_str());
  }
};

// The row label of a key: its description, else the key.
std::string label_of(const char* key) {
  const char* d = ustawienia_desc ? hashtbl_get_ptr(ustawienia_desc, key) : nullptr;
  return d && d[0] ? d : key;
}

// Why a value may not be stored under a range-checked key.
std::string range_refusal(const char* key, const char* value) {
  int min = 0, max = 0;
  bool zero_off = false;
  std::string text = "Nie zapisano ustawienia \"" + label_of(key) + "\": wartość '" + value + "' ";
  if (!ustawienia_int_range(key, &min, &max, &zero_off)) return text + "odrzucona";
  text += "musi być liczbą od " + std::to_string(min) + " do " + std::to_string(max);
  if (zero_off) text += " albo 0 (wcale)";
  return text;
}

// "hh:mm" (or "h:mm") of a clock time; false for anything else.
bool clock_time(std::string_view t) {
  const std::size_t colon = t.find(':');
  if (colon == std::string_view::npos || colon == 0 || colon > 2 || t.size() != colon + 3) return false;
  for (std::size_t i = 0; i < t.size(); ++i)
    if (i != colon && (t[i] < '0' || t[i] > '9')) return false;
  const int h = to_i(std::string(t.substr(0, colon)).c_str());
  const int m = to_i(std::string(t.substr(colon + 1)).c_str());
  return h <= 23 && m <= 59;
}

// The backup time as the page shows it.
std::string backup_time_text() {
  char buf[16];
  if (backup_time < 0 || backup_time >= 24 * 3600) return "18:15";
  std::snprintf(buf, sizeof buf, "%02d:%02d", backup_time / 3600, backup_time % 3600 / 60);
  return buf;
}

// The backup time and path as the request carries them, into the settings:
// a time that is no clock time goes back to the one in force, a path the
// backups may not use is not stored.  Returns true when either was stored.
bool take_backup_fields(Refusals* refused) {
  bool changed = false;
  if (is_in_post_or_get("backup_time")) {
    const std::string t = var_s("backup_time");
    const char* old = stored("backup_time");
    if (!clock_time(t)) {
      refused->add("Nie zmieniono godziny kopii zapasowej: '" + t + "' nie jest godziną w postaci gg:mm (00:00 - 23:59)");
      sess_put("backup_time", backup_time_text().c_str());
    } else if (!old || t != old) {
      changed = ustawienia_upd("backup_time", t.c_str()) == 0;
    }
  }
  if (!is_in_post_or_get("backup_path")) return changed;
  const std::string path = var_s("backup_path");
  const char* old = stored("backup_path");
  if (old && path == old) return changed;
  if (not_empty(path.c_str())) {
    const std::string why = kal::backup_path_refusal(path);
    if (!why.empty()) {
      refused->add("Nie zapisano katalogu kopii zapasowych: " + why);
      sess_put("backup_path", old ? old : "");
      return changed;
    }
  }
  return ustawienia_upd("backup_path", path.c_str()) == 0 || changed;
}

// The settings file written; a failure said in red.
bool save_settings() {
  if (kal::ustawienia_save() == 0) return true;
  errorDisplay("Nie zapisano ustawień: nie można zapisać pliku ustawienia.txt !");
  return false;
}

// "Zatwierdz_button": every described key the request carries, checked and
// stored; the rest stays as it is.
void save_keys() {
  Refusals refused;
  take_backup_fields(&refused);
  for (std::uint32_t i = 0; i < ustawienia_desc->size; ++i) {
    const std::string key = ustawienia_desc->keys[i];
    if (key == "backup_path" || !is_in_post_or_get(key.c_str())) continue;
    const std::string value = var_s(key.c_str());
    const char* old = stored(key.c_str());
    if (old && value == old) continue;
    if (ustawienia_upd(key.c_str(), value.c_str()) != 0) refused.add(range_refusal(key.c_str(), value.c_str()));
  }
  Ustawienia_set();
  const bool saved = save_settings();
  if (refused.any()) {
    refused.show(saved ? "Pozostałe ustawienia zapisano." : nullptr);
  } else if (saved) {
    app("<center><h3>");
    app(tr(289));
    app("</h3></center>\n");
  }
}

// "Wykonaj teraz": the backup into the path just typed (when it may be used).
void backup_now() {
  Refusals refused;
  const bool changed = take_backup_fields(&refused);
  set_backup_vars();
  if (refused.any()) {
    refused.show("Kopia zapasowa nie została wykonana.");
    return;
  }
  if (changed && !save_settings()) return;
  do_backup();
}

// The firm exports say nothing themselves when they fail.
void export_firms() {
  for (const char* name : {"kontrah_export.csv", "contacts.csv"}) {
    const int rc = std::strcmp(name, "contacts.csv") == 0 ? mgs_Firmy_email_to_csv(',', name)
                                                           : mgs_Firmy_to_csv(';', name);
    if (rc != 0) errorDisplay((std::string("Nie można zapisać pliku ") + name + " !").c_str());
  }
}

// A file variable's default, when it is empty.
void default_file(const char* var, const char* name) {
  if (!not_empty(var_s(var))) sess_put(var, name);
}

void csv_link(const char* href_fmt, const char* text) {
  char buf[512];
  std::snprintf(buf, sizeof buf, href_fmt, get_sess_code(), text);
  app(buf);
}

void import_row(int caption, const char* var, const char* sep, const std::vector<std::pair<const char*, int>>& links) {
  button(tr(caption));
  app(sep);
  form_input_s(var, 30, 30);
  app(" ");
  bool first = true;
  for (const auto& [fmt, text] : links) {
    if (!first) app(" &nbsp;&nbsp;&nbsp; ");
    first = false;
    csv_link(fmt, tr(text));
  }
  app("<BR>\n<BR>\n");
}

}  // namespace

// --- membership -----------------------------------------------------------------------------

int ustawienia_is_base(const char* key) { return listed(kBase, key) ? 1 : 0; }
int ustawienia_is_main(const char* key) { return listed(kMain, key) ? 1 : 0; }

// --- widgets ----------------------------------------------------------------------------------

int ustawienie_ht_faktura_oryginal_kopia(const char* key, const char* value) {
  select_list(key, value, {{tr(138), "0"}, {tr(139), "1"}});
  return 0;
}

int ustawienie_ht_dowod_przyjecia_kopia(const char* key, const char* value) {
  select_list(key, value, {{tr(290), "0"}, {tr(291), "1"}, {tr(292), "2"}, {"regulamin na pół strony", "3"}});
  return 0;
}

int ustawienie_ht_tak_nie(const char* key, const char* value) {
  select_list(key, value, {{tr(141), "0"}, {tr(140), "1"}});
  return 0;
}

int ustawienie_ht_barcode(const char* key, const char* value) {
  select_list(key, value, {{"EAN-13", "0"}, {"CODE128", "1"}});
  return 0;
}

int ustawienie_ht_worker_type(const char* key, const char* value) {
  select_list(key, value, {{"Tylko swoje naprawy", "0"}, {"Wszystkie naprawy", "1"}});
  return 0;
}

// --- the table of keys --------------------------------------------------------------------------

int ustawienie_ht_display(const char* key, const char* value, const char* description) {
  if (!key) key = "";
  if (!value) value = "";
  if (!description) description = key;
  sess_put(key, value);
  if (!ustawienia_is_base(key) || ustawienia_is_internal(key)) return 0;
  if (!listed(kLongTexts, key) && !listed(kGuaranteeTexts, key)) {
    app("<TR><TD CLASS=fieldname>");
    app_text(description);
    app(":");
    app("</TD><TD CLASS=fieldvalue>");
    if (std::strcmp(key, "Faktura_oryginal_kopia") == 0) {
      ustawienie_ht_faktura_oryginal_kopia(key, value);
    } else if (std::strcmp(key, "Dowod_przyjecia_kopia") == 0) {
      ustawienie_ht_dowod_przyjecia_kopia(key, value);
    } else if (is_yes_no(key)) {
      ustawienie_ht_tak_nie(key, value);
    } else if (std::strcmp(key, "Typ_towaru_uslugi") == 0 || std::strcmp(key, "Typ_towaru_do_serwisu") == 0 ||
               std::strcmp(key, "Typ_towaru_czesci") == 0) {
      Towary_typy_select_name(to_z(var_s(key)), key, 0);
    } else if (std::strcmp(key, "Podstawowy_VAT") == 0) {
      Stawki_VAT_select_name(to_z(var_s(key)), "Podstawowy_VAT", 0);
    } else if (std::strcmp(key, "DOWOD_PRZYJECIA_SPRZETU_DO_NAPRAWY__nr_text") == 0 ||
               std::strcmp(key, "D_O_S_S_I_E_R___N_A_P_R_A_W_Y__nr_text") == 0) {
      form_input_s(key, 80, 80);
    } else if (std::strcmp(key, "barcode_type") == 0) {
      ustawienie_ht_barcode(key, value);
    } else if (std::strcmp(key, "worker_as_admin") == 0) {
      ustawienie_ht_worker_type(key, value);
    } else {
      form_input_s(key, 70, 40);
    }
  }
  app("</TD></TR>\n");
  return 0;
}

int ustawienia_ht_display() {
  if (!ustawienia_ht || !ustawienia_desc) return -1;
  std::string install;
  get_install_dir(&install);
  for (const char* key : kMain) {
    const char* d = hashtbl_get_ptr(ustawienia_desc, key);
    ustawienie_ht_display(key, stored(key), d);
  }
  for (std::uint32_t i = 0; i < ustawienia_desc->size; ++i) {
    const std::string key = ustawienia_desc->keys[i];
    if (ustawienia_is_main(key.c_str())) continue;
    const std::string d = ustawienia_desc->values[i];
    const char* value = stored(key.c_str());
    ustawienie_ht_display(key.c_str(), value ? value : "", d.empty() ? key.c_str() : d.c_str());
  }

  app("<TR><TD COLSPAN=2 ALIGN=CENTER>");
  for (std::uint32_t i = 0; i < ustawienia_desc->size; ++i) {
    const std::string key = ustawienia_desc->keys[i];
    if (key == "Sprzet_Karta_Gwarancyjna_strona1") {
      app("<TR><TD CLASS=fieldname COLSPAN=2>");
      app("Tekst dotyczące karty gwarancyjnej należy modyfikować w pliku ");
      app_text((install + tr(216)).c_str());
      app("</TD></TR>");
    } else if (key == "Gwarancja_Na_Naprawe") {
      app("<TR><TD CLASS=fieldname COLSPAN=2>");
      app("Tekst dotyczący gwarancji na naprawę należy modyfikować w pliku ");
      app_text((install + tr(217)).c_str());
      app("</TD></TR>");
      app("</TD></TR>");
    }
  }

  app("<TR><TD COLSPAN=2 ALIGN=CENTER>");
  for (std::uint32_t i = 0; i < ustawienia_desc->size; ++i) {
    const std::string key = ustawienia_desc->keys[i];
    if (!listed(kLongTexts, key.c_str())) continue;
    const std::string d = ustawienia_desc->values[i];
    app("<TR><TD CLASS=fieldname COLSPAN=2>");
    app_text(d.c_str());
    app(":");
    app("</TD></TR>\n<TR><TD CLASS=fieldvalue COLSPAN=2>");
    const std::string value = var_s(key.c_str());
    form_textareav(key.c_str(), value.c_str(), 4, 90, "");
    app("</TD></TR>\n");
  }

  app("<TR><TD COLSPAN=2 ALIGN=CENTER>");
  app("<BR>\n");
  button(ustawienia_get("Zatwierdz_button"));
  app("</TD></TR>\n");
  return 0;
}

// --- the blocks above the table -------------------------------------------------------------------

int ustawienia_import() {
  char buf[64];
  std::snprintf(buf, sizeof buf, "firma_wlasna.htm?n_%d=e&Firmy_Id=1", 19);
  const std::string own = std::string(tr(266)) + " - " + kal::html_text(Firmy_nazwa(1)) + "\n";
  app(page_href(buf, own.c_str()));
  app(" - ");
  app(tr(267));
  app("<BR>\n<BR>\n");

  // The time in force, as the settings hold it.
  sess_put("backup_time", backup_time_text().c_str());
  app(tr(268));
  app(":<BR>\n");
  app(tr(269));
  form_input_s("backup_time", 5, 5);
  app(" ");
  app(tr(270));
  app(":\n");
  const char* path = stored("backup_path");
  sess_put("backup_path", path ? path : "");
  form_input_s("backup_path", 250, 30);
  button(ustawienia_get("Zatwierdz_button"));
  button(tr(284));
  app("<BR>\n");
  app(tr(271));
  app(".\n");
  app(tr(272));
  app(".\n");
  app("<BR>\n");
  app(tr(273));
  app(".\n");

  default_file("Firmy_import_plik", "kontrah.csv");
  default_file("Towary_import_plik", "towary.csv");
  default_file("Firmy_export_plik", "kontrah_export.csv");
  default_file("Towary_export_plik", "towary_export.csv");
  import_row(5, "Firmy_import_plik", ": ",
             {{"<a href=\"kontrah_przyklad.csv?sess_code=%s\" TARGET=\"kontrah.csv\">%s</a>\n", 274}});
  import_row(95, "Towary_import_plik", ": ",
             {{"<a href=\"towary_przyklad.csv?sess_code=%s\" TARGET=\"towary.csv\">%s</a>\n", 274}});
  import_row(285, "Firmy_export_plik", " ",
             {{"<a href=\"kontrah_export.csv?sess_code=%s\" TARGET=\"kontrah_export.csv\">%s</a>\n", 276},
              {"<a href=\"contacts.csv?sess_code=%s\" TARGET=\"contacts.csv\">%s</a>\n", 355}});
  import_row(286, "Towary_export_plik", ": ",
             {{"<a href=\"towary_export.csv?sess_code=%s\" TARGET=\"towary_export.csv\">%s</a>\n", 277}});

  char link[512];
  std::snprintf(link, sizeof link, "<a href=\"naprawy.csv?sess_code=%s\" TARGET=\"naprawy.csv\">%s (%s)</a>\n",
                get_sess_code(), tr(278), tr(279));
  app(" ");
  app(link);
  app("<BR>\n<BR>\n<BR>\n<BR>\n");
  return 0;
}

int ustawienia_menu() {
  struct Link {
    const char* url;
    int page;
    int text;
  };
  static constexpr Link kLinks[] = {
      {"Uzytkownicy.htm?n_%d=l", 233, 281},         {"Formy_platnosci.htm?n_%d=l", 66, 30},
      {"Jednostki_metryczne.htm?n_%d=l", 63, 32},   {"Naprawy_typy.htm?n_%d=l", 69, 68},
      {"Naprawy_przyjmujacy.htm?n_%d=l", 78, 288},  {"Naprawy_wykonawcy.htm?n_%d=l", 60, 282},
      {"Stawki_VAT.htm?n_%d=l", 72, 86},            {"Towary_typy.htm?n_%d=l", 75, 283},
  };
  app("<CENTER>\n");
  for (const Link& l : kLinks) {
    char url[64];
    std::snprintf(url, sizeof url, l.url, l.page);
    const std::string text = std::string(tr(l.text)) + " - " + tr(280);
    app(page_href(url, text.c_str()));
    app("\n");
    app("<BR>\n<BR>\n");
  }
  app("</CENTER>\n");
  return 0;
}

// --- the page ----------------------------------------------------------------------------------------

int mgs_Ustawienia(const char* action) {
  if (!action) action = "";
  if (is(action, tr(5))) {
    sess_nav_set(kPage, "");
    Firmy_import_z_csv();
  } else if (is(action, tr(95))) {
    sess_nav_set(kPage, "");
    Towary_import_z_csv();
  } else if (is(action, tr(285))) {
    sess_nav_set(kPage, "");
    export_firms();
  } else if (is(action, tr(286))) {
    sess_nav_set(kPage, "");
    mgs_Towary_to_csv(';', "towary_export.csv");
  }

  html_form_open("ustawienia.htm");
  if (is(action, tr(284))) {
    backup_now();
    sess_nav_set(kPage, "");
  }
  if (is(action, ustawienia_get("Zatwierdz_button")) && ustawienia_ht && ustawienia_desc) {
    sess_nav_set(kPage, "");
    save_keys();
  }

  app("<TABLE WIDTH=100%><TR><TD CLASS=pagetitle ALIGN=CENTER> ");
  app(tr(264));
  app(" </TD></TR></TABLE>\n");
  app("<center><small>");
  app(tr(265));
  app(": " __DATE__ " " __TIME__ "</small></center>\n");

  ustawienia_import();
  ustawienia_menu();
  app("<CENTER>\n");
  app("<TABLE border=1 width=640>\n");
  ustawienia_ht_display();
  app("</FORM>\n");
  app("</TABLE>\n");
  app("</CENTER>\n");
  app("<BR>\n");
  return 0;
}
