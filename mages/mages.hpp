// The page dispatcher: what the program does with every request.
//
// mages_run is the server loop's page callback.  For each request it sets the
// interface language, serves the static files (images from "img", the style
// sheet, the help scripts, CSV files) and the documents made on request by a
// path that names the document and the record id ("/Faktura_VAT_12.pdf"),
// handles log-in and log-out, writes the HTML head, the body template and the
// menu, and then runs the page of the request through the three role tiers,
// following back_id to further pages of the same request (at most five).  A
// page above the logged user's role says "Nie masz uprawnień do tej strony !"
// in red instead.
//
// Who may do what comes from the session alone: the variable "user_logged"
// holds the Id of the logged user's Users row, and the server never takes it
// from a request.  While no user exists everybody works as administrator.
// Static paths are confined to their directories; documents need a logged-in
// user of their role (anybody while no user exists); the language switch once
// users exist and every data change need a logged-in user.  The CSV files
// (the exports the program writes, "naprawy_csv.php") are for administrators
// (and workers while "worker_as_admin" is 1) only, as downloads that no
// browser shows as a page ("text/csv", saved under the file's name); a file
// that does not exist yet gets a page that says so.
//
// The pages themselves are registered with the dispatcher
// (mages/mgs_pages.hpp); a page id without a handler gets the head, the body
// template and the menu only.
#pragma once

#include <cstdint>
#include <string>

#include "lib/hashtbl.hpp"

// --- the page-id table --------------------------------------------------------
// Every page: its name (also "MGS_PAGE_" + name, the symbolic name templates
// use) and its id, in the table's order.
#define MGS_PAGES(X)                                                                                              \
  X(DostawaN, 1) X(DostawaE, 83) X(DostawaL, 2) X(SprzedazN, 3) X(SprzedazE, 84) X(SprzedazL, 4) X(Raporty, 5)  \
  X(NaprawaN, 30) X(NaprawaNserw, 32) X(NaprawaNwlasc, 33) X(NaprawaE, 31) X(NaprawaK, 15) X(NaprawaC, 25)        \
  X(NaprawaU, 26) X(NaprawaR, 27) X(NaprawaPdf, 28) X(Naprawy, 6) X(ProtokolE, 13) X(TowarN, 7) X(TowarE, 17)     \
  X(Towary, 8) X(FirmaN, 9) X(FirmaE, 19) X(Firmy, 10) X(Firmy1, 301) X(Firmy2, 302) X(Firmy3, 303)              \
  X(Firmy4, 304) X(Firmy5, 305) X(Firmy6, 306) X(Firmy7, 307) X(Firmy8, 308) X(Firmy9, 309) X(Magazyn, 11)        \
  X(Ustawienia, 12) X(TowaryDostepne, 40) X(Info, 50) X(Naprawy_wykonawcyL, 60) X(Naprawy_wykonawcyN, 61)         \
  X(Naprawy_wykonawcyE, 62) X(Jednostki_metryczneL, 63) X(Jednostki_metryczneN, 64)                              \
  X(Jednostki_metryczneE, 65) X(Formy_platnosciL, 66) X(Formy_platnosciN, 67) X(Formy_platnosciE, 68)            \
  X(Naprawy_typyL, 69) X(Naprawy_typyN, 70) X(Naprawy_typyE, 71) X(Stawki_VATL, 72) X(Stawki_VATN, 73)            \
  X(Stawki_VATE, 74) X(Towary_typyL, 75) X(Towary_typyN, 76) X(Towary_typyE, 77) X(Naprawy_przyjmujacyL, 78)      \
  X(Naprawy_przyjmujacyN, 79) X(Naprawy_przyjmujacyE, 80) X(Serwis_typyL, 87) X(Serwis_typyN, 88)                \
  X(Serwis_typyE, 89) X(SerwisN, 86) X(SerwisE, 23) X(SerwisL, 22) X(SpecyfikacjaE, 85)                           \
  X(Rozlicz_mies_czesci, 91) X(Serwis_ramyL, 92) X(Serwis_ramyE, 93) X(Serwis_ramyN, 94) X(Serwis_koloryL, 95)   \
  X(Serwis_koloryE, 96) X(Serwis_koloryN, 97) X(Towary_rodzajeL, 98) X(Towary_rodzajeE, 99)                       \
  X(Towary_rodzajeN, 100) X(PlanyL, 102) X(PlanyE, 103) X(PlanyN, 104) X(KartyL, 211) X(KartyE, 212)              \
  X(KartyN, 213) X(Karty_wykonane_praceL, 214) X(Karty_wykonane_praceE, 215) X(Karty_wykonane_praceN, 216)       \
  X(Karty_wymienione_czesciL, 217) X(Karty_wymienione_czesciE, 218) X(Karty_wymienione_czesciN, 219)            \
  X(Srodki_transportuL, 220) X(Srodki_transportuE, 221) X(Srodki_transportuN, 222) X(KosztyL, 223)               \
  X(KosztyE, 224) X(KosztyN, 225) X(DojazdyL, 226) X(DojazdyE, 227) X(DojazdyN, 228)                              \
  X(Serwisanci_kosztyL, 229) X(Serwisanci_kosztyE, 230) X(Serwisanci_kosztyN, 231) X(KartaPdf, 232)              \
  X(UsersL, 233) X(UsersE, 234) X(UsersN, 235) X(KartaUruchomieniaE, 241) X(ProtokolPrzegladuE, 242)              \
  X(ProtokolSerwisowyE, 243) X(PrzegladRocznyE, 244) X(NaprawyU, 101) X(Pomoc, 20) X(FAQ, 21)

#define MGS_X_PAGE_CONST(name, id) inline constexpr int MGS_PAGE_##name = id;
MGS_PAGES(MGS_X_PAGE_CONST)
#undef MGS_X_PAGE_CONST

struct MGS_PAGE_cross {
  const char* name;  // without the prefix "MGS_PAGE_"
  int id;
};
extern const MGS_PAGE_cross MGS_PAGE_cross_tbl[];
extern const int MGS_PAGE_cross_count;  // 110

// The row's name; "" for an id that is not in the table.
const char* mages_nav_name(int id);
// The id of "MGS_PAGE_" + name (exact, case-sensitive); -1 when the text does
// not begin with the prefix or names no page.  Checks itself against
// mages_nav_id0 and says so on the console when they disagree.
int mages_nav_id(const char* text);
// The same look-up, one comparison of the whole text per row.
int mages_nav_id0(const char* text);

// --- start-up, shut-down, requests ---------------------------------------------

// Reads the settings of the install directory (the current one), creates the
// database root _mgs, makes repeated repair Ids unique and loads every table,
// then the style sheet.  Nothing when _mgs exists.  The mgs_load result (0:
// every file read).
int mages_init();
// Frees the database root and the settings; the mgs_delete result.
int mages_shut();
// The page callback of the server loop (proj_run).  0.
int mages_run(char* reply, hashtbl* http_params, hashtbl* page_params);

// --- roles ------------------------------------------------------------------------
// All read the session variable "user_logged" and the page manager's Users.

// The logged user's Id; 0 when nobody is logged in.
int user_check_loggin();
// 1 when no user exists, else 1 for a logged user of type 1 (administrator).
int user_is_admin();
// 1 for a logged user of type 2 (worker) / 3 (other); 0 while no user exists.
int user_is_worker();
int user_is_other();
// Always 1.
int user_allow_address();
int user_allow_nav_id();
int user_logging();

// --- template pages ---------------------------------------------------------------
// Each expands its template through qq_run with the page resolver qq_main.

// "login0.htm" and "login.htm" while no user exists, else "login.htm".
int mgs_loggin();
int mgs_Pomoc();  // "pomoc.htm"
int mgs_FAQ();    // "faq.htm"
// The menu of the user's role: "menu.htm" for an administrator, else
// "menu_worker.htm"; "menu2.htm" / "menu_worker2.htm" when both settings
// "ukryj_faktury" and "ukryj_magazyn" are "1".
int mgs_menu();
// mgs_menu, unless the page variable "nomenu" is 1 (it is then set to 0).
int mages_menu();

// --- the style sheet --------------------------------------------------------------

// The text of "styl.css" as last loaded; NULL until a load succeeded.
extern const char* css_text;
// The built-in style sheet, answered while no "styl.css" could be loaded.
extern const char* const css_text0;
// Loads "styl.css" into css_text; 0, or -1 when it cannot be read (the text
// loaded before stays).
int css_text_load();

// --- page script names (not used on the request road) -----------------------------

// 'n' for a path ending in "_new.php", 'e' "_edit.php", 'l' "_list.php";
// '-' for a ".php" path too short for such a suffix; '*' otherwise.
int parse_request_type(const char* path);
// The text before "_new.php", "_edit.php" or "_list.php" into *dst: 0; -1 for
// a path shorter than four characters or a ".php" path shorter than
// "_new.php"; '-' when it is too short for "_edit.php"; -3 when there is no
// such suffix.
int parse_table_name(std::string* dst, const char* path);
