#include "mages/mages.hpp"

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "db/mgs.hpp"
#include "lib/codepage.hpp"
#include "lib/convert.hpp"
#include "lib/qq.hpp"
#include "mages/firms/mgs_Naprawy_przyjmujacy0.hpp"
#include "mages/firms/mgs_Naprawy_wykonawcy0.hpp"
#include "mages/mgs_pages.hpp"
#include "mages/qq_main.hpp"
#include "pagemgr/pagemgr.hpp"
#include "pagemgr/users_auth.hpp"
#include "pdf/pdfpage.hpp"
#include "pdf/topdf.hpp"
#include "platform/paths.hpp"
#include "platform/textfile.hpp"
#include "server/form_dates.hpp"
#include "server/html_form.hpp"
#include "server/httputil.hpp"
#include "server/oo_texts.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"

// --- the style sheet ---------------------------------------------------------------

namespace {
std::string css_storage;
}  // namespace

const char* css_text = nullptr;

const char* const css_text0 =
    "BODY {\n"
    "  font-size: 11px;\n"
    "  color: #000000;\n"
    "  font-family: \"Arial\", \"Helvetica\", \"sans-serif\";\n"
    "}\n"
    "P {\n"
    "  font-size: 11px;\n"
    "  color: #000000;\n"
    "  font-family: \"Arial\", \"Helvetica\", \"sans-serif\";\n"
    "  font-weight: normal;\n"
    "  margin: 0px;\n"
    "}\n"
    "INPUT, TEXTAREA, SELECT {\n"
    "  border-top: 1px solid;\n"
    "  border-right: 1px solid;\n"
    "  border-bottom: 1px solid;\n"
    "  border-left: 1px solid;\n"
    "  font: 8pt Arial;\n"
    "  color: #777777;\n"
    "}\n";

int css_text_load() {
  // Read whole, however long the style sheet is.
  std::string text;
  if (kal::read_text_file("styl.css", text) != 0) return -1;
  css_storage = std::move(text);
  css_text = css_storage.c_str();
  return 0;
}

// --- start-up and shut-down ----------------------------------------------------------

int mages_init() {
  if (_mgs) return 0;
  pdf_logo_fname = "img\\LOGO.JPG";
  _mgs = mgs_new();
  kal::ustawienia_load();
  if (!_mgs) {
    std::printf("mages_init(): mgs_new() failed, out of memory !\n");
    return -1;
  }
  Naprawy_repair_Ids();
  const int err = mgs_load(_mgs);
  if (err != 0) std::printf("mages_init(): mgs_load() err=%d\n", err);
  css_text_load();
  std::printf("mages_init(): DONE\n");
  return err;
}

int mages_shut() {
  const int err = mgs_delete(&_mgs);
  if (err != 0) std::printf("mages_shut(): mgs_delete() err=%d\n", err);
  kal::ustawienia_free();
  return err;
}

// --- roles -------------------------------------------------------------------------

namespace {

const Users* logged_user() {
  const std::uint32_t id = var_z("user_logged");
  if (id == 0 || !_pagemgr || !_pagemgr->_Users_tab) return nullptr;
  return Users_tab_get_Id(_pagemgr->_Users_tab, id, VTAB_CMP_EQUAL);
}

std::uint32_t logged_type() {
  const Users* u = logged_user();
  return u ? u->Id_User_types : 0;
}

// Logged in, and in one of the three roles.
bool logged_in_with_role() {
  return user_check_loggin() != 0 && (user_is_admin() || user_is_worker() || user_is_other());
}

}  // namespace

int user_check_loggin() { return static_cast<int>(var_z("user_logged")); }
int user_is_admin() { return users_none() ? 1 : logged_type() == 1; }
int user_is_worker() { return users_none() ? 0 : logged_type() == 2; }
int user_is_other() { return users_none() ? 0 : logged_type() == 3; }
int user_allow_address() { return 1; }
int user_allow_nav_id() { return 1; }
int user_logging() { return 1; }

// --- template pages ------------------------------------------------------------------

namespace {

int qq_page(const char* file) { return qq_run_text(file, appn, qq_main); }

bool setting_is(const char* key, std::string_view value) { return ustawienia_get(key) == value; }

}  // namespace

int mgs_loggin() {
  if (users_none()) qq_page("login0.htm");
  return qq_page("login.htm");
}

int mgs_Pomoc() { return qq_page("pomoc.htm"); }
int mgs_FAQ() { return qq_page("faq.htm"); }

int mgs_menu() {
  const bool short_menu = setting_is("ukryj_faktury", "1") && setting_is("ukryj_magazyn", "1");
  if (user_is_admin()) return qq_page(short_menu ? "menu2.htm" : "menu.htm");
  return qq_page(short_menu ? "menu_worker2.htm" : "menu_worker.htm");
}

int mages_menu() {
  if (var_i("nomenu") == 1) {
    sess_put("nomenu", "0");
    return 0;
  }
  return mgs_menu();
}

// --- page script names -----------------------------------------------------------------

namespace {

bool starts_with(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }
bool ends_with(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

}  // namespace

int parse_request_type(const char* path) {
  const std::string_view p = path ? path : "";
  if (!ends_with(p, ".php")) return '*';
  if (p.size() < 8) return '-';
  if (ends_with(p, "_new.php")) return 'n';
  if (p.size() < 9) return '-';
  if (ends_with(p, "_edit.php")) return 'e';
  if (ends_with(p, "_list.php")) return 'l';
  return '*';
}

int parse_table_name(std::string* dst, const char* path) {
  const std::string_view p = path ? path : "";
  if (p.size() < 4) return -1;
  if (ends_with(p, ".php")) {
    if (p.size() < 8) return -1;
    for (std::string_view suffix : {"_new.php", "_edit.php", "_list.php"}) {
      if (p.size() < suffix.size()) return '-';
      if (ends_with(p, suffix)) {
        if (dst) *dst = std::string(p.substr(0, p.size() - suffix.size()));
        return 0;
      }
    }
  }
  return -3;
}

// --- one request -------------------------------------------------------------------------

namespace {

// The documents made by name, in the order their names are tested: a name
// that begins another comes after it.  Invoices are open to every role; the
// document's own rule decides who may print it.
struct DocName {
  const char* name;
  int tier;
};
constexpr DocName kDocNames[] = {
    {"Naprawy_list", MGS_TIER_ALL},
    {"Karta_Gwarancyjna", MGS_TIER_ALL},
    {"Faktura_VAT", MGS_TIER_ALL},
    {"Zgloszenie_Reklamacji", MGS_TIER_ALL},
    {"Dowod_Przyjecia_do_Naprawy", MGS_TIER_ALL},
    {"Dowod_Przyjecia_dla_serwisu", MGS_TIER_ALL},
    {"Protokol_Naprawy", MGS_TIER_ALL},
    {"Gwarancja_Na_Naprawe", MGS_TIER_ALL},
    {"Dossier_Naprawy", MGS_TIER_ALL},
    {"Protokol_przyjecia", MGS_TIER_ALL},
    {"Faktura", MGS_TIER_ALL},
    {"Karta_uslug", MGS_TIER_ALL},
    {"Kod_kreskowy", MGS_TIER_ALL},
};

// A whole reply of our own, in place of whatever the reply held: the status,
// the type and a short body of the program's text, sent as UTF-8.
void reply_own(const char* status, const char* type, const std::string& body) {
  const std::string bytes = win2utf8(body);
  const std::string head = std::string("HTTP/1.0 ") + status + "\r\nServer: KALMITOR " + mgs_version +
                           "\r\nContent-Length: " + std::to_string(bytes.size()) +
                           "\r\nConnection: close\r\nContent-Type: " + type +
                           "\r\nX-Content-Type-Options: nosniff\r\n\r\n";
  send_buf_len = 0;
  send_buf[0] = 0;
  send_buf_append_bytes(head.data(), head.size());
  send_buf_append_bytes(bytes.data(), bytes.size());
  bin_file_flag = 1;
}

// The character set of every page, whatever the UI language.
const char* page_charset() { return "UTF-8"; }

// A short page of our own in place of a file: the message in red.
void reply_message(const char* status, const std::string& message) {
  reply_own(status, (std::string("text/html; charset=") + page_charset()).c_str(),
            "<HTML><BODY><CENTER><BIG><FONT COLOR=\"RED\">\n" + message + "</FONT></BIG></CENTER></BODY></HTML>\n");
}

// A reply of our own that refuses the request.
void reply_refused() { reply_own("403 Forbidden", "text/html", "<HTML><BODY>Access denied !</BODY></HTML>\n"); }

// A canned header opens a file reply: the server adds none of its own.
void file_reply(const char* header) {
  app(header);
  bin_file_flag = 1;
}

// The path as URL-decoding would read it.
std::string url_decoded(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const int byte = (text[i] == '%' && i + 2 < text.size()) ? IntFromHex(std::string(text.substr(i + 1, 2)).c_str()) : -1;
    if (byte >= 0) {
      out += static_cast<char>(byte);
      i += 2;
    } else {
      out += text[i] == '+' ? ' ' : text[i];
    }
  }
  return out;
}

// A request path that names a file under the install directory: "/" and a
// relative path without "..", backslashes or NULs, also once URL-decoded.
bool path_confined(std::string_view path) {
  if (path.empty() || path[0] != '/') return false;
  const std::string_view rest = path.substr(1);
  return kal::path_is_confined(rest) && kal::path_is_confined(url_decoded(rest));
}

void refuse_path(std::string_view path) {
  std::printf("mages_run(): path '%.*s' refused: it leaves its directory\n", static_cast<int>(path.size()),
              path.data());
  reply_refused();
}

const char* image_type(std::string_view p) {
  if (p.size() >= 5) {
    if (ends_with(p, ".gif") || ends_with(p, ".GIF")) return "gif";
    if (ends_with(p, ".jpg") || ends_with(p, ".JPG")) return "jpeg";
    if (ends_with(p, ".png") || ends_with(p, ".PNG")) return "png";
    if (ends_with(p, ".bmp") || ends_with(p, ".BMP")) return "bmp";
    if (ends_with(p, ".ico") || ends_with(p, ".ICO")) return "ico";
  }
  if (p.size() > 5 && (ends_with(p, ".jpeg") || ends_with(p, ".JPEG"))) return "jpeg";
  return nullptr;
}

void serve_image(std::string_view path, const char* type) {
  if (!path_confined(path)) return refuse_path(path);
  const std::string file = "img" + std::string(path);
  std::uint64_t size = 0;
  filedir_filesize(&size, file.c_str());
  app(img_header(type, static_cast<long>(size)));
  bin_file(send_buf, file.c_str());
}

// The export files the program writes (the firms, their contacts, the goods,
// the repairs) hold the workshop's data: they are for administrators only,
// and for workers while the setting "worker_as_admin" is 1.  A refusal is
// "Access denied !" as plain text.
bool may_fetch_export(const std::string& file) {
  const char* w = ustawienia_get("worker_as_admin");
  const bool workers = w && std::strcmp(w, "1") == 0;
  const bool logged = exists_sess_code(get_sess_code()) && logged_in_with_role();
  if (logged && (user_is_admin() || (workers && user_is_worker()))) return true;
  std::printf("mages_run(): '%s' refused: not an administrator\n", file.c_str());
  reply_own("403 Forbidden", "text/plain", "Access denied !");
  return false;
}

// A data file as a download that no browser shows as a page; a page that
// says so when the file does not exist yet (or cannot be sent).
void serve_data_file(const std::string& file) {
  const std::string name = kal::html_text(file);
  std::uint64_t size = 0;
  if (filedir_filesize(&size, file.c_str()) != 0) {
    std::printf("mages_run(): '%s' does not exist (yet)\n", file.c_str());
    reply_message("404 Not Found", "Plik " + name + " jeszcze nie istnieje: najpierw wykonaj eksport.");
    return;
  }
  const std::size_t slash = file.find_last_of('/');
  file_reply(csv_header(slash == std::string::npos ? file.c_str() : file.c_str() + slash + 1));
  if (bin_file(send_buf, file.c_str()) != 0)
    reply_message("500 Internal Server Error", "Pliku " + name + " nie można wysłać.");
}

void serve_export(std::string_view path) {
  const std::string file(path.substr(1));
  std::printf("csv filepath='%s'\n", file.c_str());
  if (!path_confined(path)) return refuse_path(path);
  if (may_fetch_export(file)) serve_data_file(file);
}

void serve_file(const char* header, const char* file) {
  file_reply(header);
  bin_file(send_buf, file);
}

// The record id after a document's name and one separator character.
std::uint32_t doc_id(std::string_view rest) {
  if (rest.size() < 2) return 0;
  const std::string digits(rest.substr(1));
  const char* p = digits.c_str();
  return (*p >= '0' && *p <= '9') ? to_z(p) : 0;
}

// Documents need a logged-in user of the document's tier; while no user
// exists everybody may.
bool may_fetch(int tier) {
  if (!users_none() && user_check_loggin() == 0) return false;
  return tier == MGS_TIER_ADMIN ? user_is_admin() != 0 : (user_is_admin() || user_is_worker() || user_is_other());
}

void serve_doc(const DocName& doc, std::uint32_t id) {
  if (!may_fetch(doc.tier)) {
    std::printf("mages_run(): document '%s' id=%lu refused: nobody with the right to it is logged in\n", doc.name,
                static_cast<unsigned long>(id));
    reply_refused();
    return;
  }
  if (mgs_doc_fn fn = mgs_doc_find(doc.name)) {
    fn(doc.name, id, nullptr);
    return;
  }
  std::printf("mages_run(): no document '%s' in this program, empty reply\n", doc.name);
}

enum class Road { page, done };

// The static road: true when the path was served here.
Road static_road(std::string_view p) {
  if (const char* type = image_type(p)) {
    serve_image(p, type);
    return Road::done;
  }
  if (starts_with(p, "/naprawy.csv")) {
    serve_export("/naprawy.csv");
    return Road::done;
  }
  if (p.size() > 4 && (ends_with(p, ".csv") || ends_with(p, ".CSV"))) {
    serve_export(p);
    return Road::done;
  }
  if (p == "/wydruk.pdf") return Road::done;
  if (starts_with(p, "/naprawy_csv.php")) {
    serve_export("/naprawy_csv.php");
    return Road::done;
  }
  for (const char* sample : {"kontrah_przyklad.csv", "towary_przyklad.csv"}) {
    if (p.size() > 1 && starts_with(p.substr(1), sample)) {
      serve_file(csv_header(sample), sample);
      return Road::done;
    }
  }
  if (starts_with(p, "/help.js")) {
    serve_file(js_header(), "help.js");
    return Road::done;
  }
  if (starts_with(p, "/help_en")) {
    serve_file(js_header(), "help_en.js");
    return Road::done;
  }
  if (starts_with(p, "/help_de")) {
    serve_file(js_header(), "help_de.js");
    return Road::done;
  }
  if (starts_with(p, "/kalmitor.htm")) {
    page_id = MGS_PAGE_Info;
    return Road::page;
  }
  if (starts_with(p, "/styl.css")) {
    file_reply(css_header());
    css_text_load();
    app(css_text ? css_text : css_text0);
    return Road::done;
  }
  if (p.empty() || p[0] != '/') return Road::page;
  const std::string_view name = p.substr(1);
  for (const DocName& doc : kDocNames) {
    if (!starts_with(name, doc.name)) continue;
    if (std::strcmp(doc.name, "Karta_uslug") == 0 && !ends_with(p, ".pdf")) return Road::page;
    serve_doc(doc, doc_id(name.substr(std::strlen(doc.name))));
    return Road::done;
  }
  return Road::page;
}

// --- the page road ---------------------------------------------------------------------

void head() {
  app("<HTML>\n");
  app("<HEAD>\n");
  app("<META HTTP-EQUIV=\"Content-type\" CONTENT=\"text/html; charset=");
  app(page_charset());
  app("\">\n");
  app("<TITLE>KALMITOR ");
  app(mgs_version);
  app(" - ");
  app(tr(305));
  app("</TITLE>\n");
  app("<LINK href=\"styl.css\" type=text/css rel=stylesheet>\n");
  app("<META NAME=\"description\" CONTENT=\"");
  app(tr(306));
  app("\">\n");
  app("<META NAME=\"keywords\" CONTENT=\"");
  app(tr(307));
  app("\">\n");
  app("<META NAME=\"author\" CONTENT=\"");
  app(tr(308));
  app("\">\n");
  const int l = oo_texts_get_lang();
  app(l == 0   ? "<SCRIPT src=\"help.js\" type=text/JavaScript></SCRIPT>\n"
      : l == 2 ? "<SCRIPT src=\"help_de.js\" type=text/JavaScript></SCRIPT>\n"
               : "<SCRIPT src=\"help_en.js\" type=text/JavaScript></SCRIPT>\n");
  app("</HEAD>\n");
}

void log_out_vars() {
  sess_put("user_logged", "0");
  sess_put("logged_user_name", "");
  sess_put("Wyloguj", "");
}

unsigned long start_page() {
  const long v = to_l(ustawienia_get("start_page_id"));
  return v > 0 ? static_cast<unsigned long>(v) : static_cast<unsigned long>(MGS_PAGE_NaprawaN);
}

// What a log-in opens: the start page with a new repair form.
void open_start_page() {
  page_id = start_page();
  sess_nav_set(MGS_PAGE_NaprawaN, "n");
  sess_nav_set(MGS_PAGE_NaprawaE, "");
  sess_put("a", "n");
}

void log_in_refused(const std::string& name, const char* why) {
  std::printf("mages_run(): log-in of '%s' refused (%s) sess_id=%lu\n", name.c_str(), why, sess_id);
  log_out_vars();
}

void log_in() {
  const std::string name = var_s("user_name");
  const std::string password = var_s("user_pass");
  // The password goes no further than the check: not into the session's file,
  // not into a page.
  sess_put("user_pass", "");

  if (users_login_refused()) {
    errorDisplay(kal::html_text(users_login_refused_text()).c_str());
    log_in_refused(name, "the users file was not read whole");
    return;
  }

  if (users_none()) {
    // No user yet: everybody works as administrator.
    const bool enter = std::string_view(var_s("action")) == ustawienia_get("Wejscie_text");
    if (enter) {
      open_start_page();
      sess_put("action", "");
    } else {
      page_id = MGS_PAGE_UsersL;
    }
    if (!*sess_renew_sess_code()) {
      log_in_refused("admin", "no session code could be made");
      return;
    }
    sess_put("user_logged", "1");
    sess_put("logged_user_name", "admin");
    sess_put("Wyloguj", "Wyloguj");
    std::printf("mages_run(): no users yet, logged in as 'admin' sess_id=%lu page_id=%lu\n", sess_id, page_id);
    return;
  }

  open_start_page();
  Users* user = nullptr;
  switch (users_check_login(name.c_str(), password.c_str(), &user)) {
    case USERS_LOGIN_OK:
      break;
    case USERS_LOGIN_UNKNOWN_USER:
      errorDisplay(("Użytkownik " + kal::html_text(name) + " nie istnieje !").c_str());
      log_in_refused(name, "no such user");
      return;
    case USERS_LOGIN_BAD_PASSWORD:
      errorDisplay(("Złe hasło użytkownika " + kal::html_text(name) + " !").c_str());
      log_in_refused(name, "wrong password");
      return;
    default:
      errorDisplay(kal::html_text(users_login_refused_text()).c_str());
      log_in_refused(name, "the users file was not read whole");
      return;
  }
  const std::uint32_t id = user->Id;
  const std::string user_name = user->user_name.is_null() ? "" : user->user_name.c_str();
  if (!*sess_renew_sess_code()) {
    log_in_refused(name, "no session code could be made");
    return;
  }
  sess_put("user_logged", from_z(id));
  sess_put("logged_user_name", user_name.c_str());
  sess_put("Wyloguj", "Wyloguj");
  const std::uint32_t przyjmujacy = Naprawy_przyjmujacy_Id_by_Id_Firmy(id);
  const std::uint32_t wykonawca = Naprawy_wykonawcy_Id_by_Id_Firmy(id);
  sess_put("NaprawyNew_Naprawy_Id_Naprawy_przyjmujacy", from_z(przyjmujacy));
  sess_put("przyjmujacy2", from_z(przyjmujacy));
  sess_put("NaprawyNew_Naprawy_Id_Naprawy_wykonawcy", from_z(wykonawca));
  sess_put("wykonawca2", from_z(wykonawca));
  std::printf("mages_run(): user '%s' Id=%lu logged in, sess_id=%lu\n", user_name.c_str(),
              static_cast<unsigned long>(id), sess_id);
}

// The acceptance receipt printed when the repair page asks for it.
void print_on_load(hashtbl* params) {
  const char* print = params ? hashtbl_get_ptr(params, "print") : nullptr;
  if (!print || std::strcmp(print, "1") != 0) return;
  if (!sess_nav_action(MGS_PAGE_NaprawaE, "Dowod_Przyjecia_do_Naprawy")) return;
  if (!logged_in_with_role()) {
    std::printf("mages_run(): print of the acceptance receipt refused: nobody is logged in\n");
    return;
  }
  const std::uint32_t repair = var_z("Naprawy_Id");
  sess_nav_set(MGS_PAGE_NaprawaE, "e");
  const mgs_doc_fn fn = mgs_doc_find("Dowod_Przyjecia_do_Naprawy");
  if (!fn) {
    std::printf("mages_run(): no document 'Dowod_Przyjecia_do_Naprawy' in this program\n");
    return;
  }
  if (fn("Dowod_Przyjecia_do_Naprawy", repair, "wydruk.pdf") != 0) {
    std::printf("mages_run(): the acceptance receipt of repair Id=%lu could not be made, nothing printed\n",
                static_cast<unsigned long>(repair));
    return;
  }
  // The printer's command, started by argument vector.
  if (spawnv_print1("wydruk.pdf") < 0)
    std::printf("mages_run(): the print command 'lp' could not be started, the receipt was not printed\n");
}

// The service cycle a list confirms with a button named "cykle_id_<Id>".
void confirm_cycle(const std::string& action, bool logging_out) {
  if (action == "Zmień" || !page_params00) return;
  const char* found = nullptr;
  for (std::uint32_t i = 0; i < page_params00->size && !found; ++i) {
    const char* k = page_params00->keys[i];
    if (std::strncmp(k, "cykle_id_", 9) == 0 && std::strcmp(page_params00->values[i], "OK") == 0) found = k;
  }
  if (!found) return;
  const std::string key = found;
  if (logging_out || !logged_in_with_role()) {
    std::printf("mages_run(): '%s' refused: nobody is logged in\n", key.c_str());
    return;
  }
  const char* date = get_post_or_get_s("Cykle_data_aktualnej_naprawy");
  const std::string day = date ? date : "";
  if (mgs_cykle_ok_fn fn = mgs_cykle_ok_find())
    fn(to_z(key.c_str() + 9), day.c_str());
  else
    std::printf("mages_run(): no service cycles in this program, '%s' not confirmed\n", key.c_str());
  sess_put("Cykle_data_aktualnej_naprawy", "");
}

// The page's handler, when the user's role reaches its tier.
void run_page(const char* n, const char* a) {
  if (page_id > static_cast<unsigned long>(INT_MAX)) return;
  const int id = static_cast<int>(page_id);
  const mgs_page_fn fn = mgs_page_find(id);
  if (!fn) return;
  const int tier = mgs_page_tier(id);
  const bool admin = user_is_admin(), worker = user_is_worker(), other = user_is_other();
  const bool reached = (tier == MGS_TIER_ALL && (worker || admin || other) && id >= 6 && id <= 244) ||
                       (tier == MGS_TIER_STAFF && (worker || admin)) || (tier == MGS_TIER_ADMIN && admin && id < 236);
  if (reached) {
    fn(n, a);
  } else if (worker || admin || other) {
    // A page above the user's role says so instead of staying empty.
    std::printf("mages_run(): page_id=%d refused: not for this user's role\n", id);
    errorDisplay("Nie masz uprawnień do tej strony !");
  }
}

constexpr int max_deep_nr = 5;

void page_loop(bool logging_out) {
  char n[32];
  std::snprintf(n, sizeof n, "n_%lu", page_id);
  const std::string action = var_s(n);
  std::printf("action='%s'\n", action.c_str());
  // A request with a date that is no date confirms nothing either.
  if (kal::form_dates_refused().empty()) confirm_cycle(action, logging_out);

  if (page_id == 0) mgs_loggin();
  back_id = page_id;
  int deep_id = 0;
  while (back_id != 0) {
    page_id = back_id;
    back_id = 0;
    std::snprintf(n, sizeof n, "n_%lu", page_id);
    const std::string a = var_s(n);
    std::printf("call page_id=%ld action=\"%s\" = %s\n", static_cast<long>(page_id), a.c_str(),
                mages_nav_name(page_id > static_cast<unsigned long>(INT_MAX) ? -1 : static_cast<int>(page_id)));
    if (logging_out || user_check_loggin() == 0) {
      mgs_loggin();
      break;
    }
    run_page(n, a.c_str());
    if (++deep_id >= max_deep_nr) {
      std::printf("ERROR deep_id=%d >= max_deep_nr=%d !\n", deep_id, max_deep_nr);
      break;
    }
    sess_put("print", "");
  }
}

// The language a request asks for with "lang"; a change is kept in the
// settings file.  It changes the settings, so it needs a logged-in user (or
// no users yet).
void set_language(hashtbl* params) {
  const char* value = params ? hashtbl_get_ptr(params, "lang") : nullptr;
  if (!value) return;
  if (!users_none() && !logged_in_with_role()) {
    std::printf("mages_run(): language '%s' ignored: nobody is logged in\n", value);
    return;
  }
  int language = 0;
  const char* setting = "0";
  if (std::strcmp(value, "en") == 0) {
    language = 1;
    setting = "1";
  } else if (std::strcmp(value, "de") == 0) {
    language = 2;
    setting = "2";
  } else if (std::strcmp(value, "ru") == 0) {
    language = 7;
    setting = "7";
  }
  const int before = oo_texts_get_lang();
  oo_texts_set_lang(language);
  ustawienia_upd("lang", setting);
  if (language != before) kal::ustawienia_save();
}

}  // namespace

int mages_run(char* /*reply*/, hashtbl* http, hashtbl* params) {
  pdf_add_font_ArialL2 = 1;
  pdf_add_font_CourierNewL2 = 1;
  send_buf_len = 0;
  send_buf[0] = 0;

  set_language(params);
  rachunki_zamiast_faktur = static_cast<int>(to_l(ustawienia_get("rachunki_zamiast_faktur")));
  ustawienia_upd("menu_Faktury", rachunki_zamiast_faktur == 1 ? "Rachunki" : "Faktury");

  const char* address = http ? hashtbl_get_ptr(http, "address") : nullptr;
  const std::string path = address ? address : "";
  if (address && static_road(path) == Road::done) return 0;

  // The page road.
  if (!bin_file_flag) head();
  const std::string_view after_slash = path.empty() ? std::string_view() : std::string_view(path).substr(1);
  bool logging_out = false;
  if (starts_with(after_slash, "wyloguj.htm")) {
    std::printf("address: wyloguj.htm\n");
    log_out_vars();
    logging_out = true;
  }
  if (starts_with(after_slash, "login.htm")) log_in();
  print_on_load(params);
  qq_page("body.htm");
  sess_put("PrintOnLoad", "");
  mages_menu();
  kal::form_dates_report();
  std::printf("page_id='%d'\n", static_cast<int>(page_id));

  page_loop(logging_out);
  if (!bin_file_flag) app("</BODY></HTML>\n");
  return 0;
}
