// The default install directory data/: the settings files, the page
// templates, the style sheet, the scripts, the images and the sample import
// files are what the program reads and serves, in the bytes it expects.
//
// Texts of the files are Windows-1250; this source is compiled to
// Windows-1250 too, but every non-ASCII byte below is written as an escape.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "lib/csv.hpp"
#include "lib/hashtbl.hpp"
#include "lib/qq.hpp"
#include "mages/mages.hpp"
#include "server/ustawienia.hpp"

extern char** environ;

namespace {

namespace fs = std::filesystem;

const std::string kRoot = KAL_SOURCE_DIR;
const std::string kData = kRoot + "/data";

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Every line ends in CR LF, the last one included; no other CR or LF.
bool crlf_lines(const std::string& s) {
  if (s.size() < 2 || s.compare(s.size() - 2, 2, "\r\n") != 0) return false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r')) return false;
    if (s[i] == '\r' && (i + 1 == s.size() || s[i + 1] != '\n')) return false;
  }
  return true;
}

bool ascii_only(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// True when the text holds a well-formed UTF-8 sequence of two or more bytes:
// such a text was saved as UTF-8, not as Windows-1250 (where the Polish
// letters are single bytes that never form one).
bool holds_utf8(const std::string& s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int n = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 0;
    if (n == 0 || i + n >= s.size()) continue;
    bool ok = true;
    for (int k = 1; k <= n && ok; ++k) ok = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
    if (ok) return true;
  }
  return false;
}

// Bytes that Windows-1250 gives to Polish letters and no other code page here
// uses for letters: a text holding one is Polish in Windows-1250.
bool holds_cp1250_polish(const std::string& s) {
  static const std::string polish = "\xb9\xa5\xe6\xc6\xea\xca\xb3\xa3\xf1\xd1\xf3\xd3\x9c\x8c\xbf\xaf\x9f\x8f";
  return s.find_first_of(polish) != std::string::npos;
}

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/kal_default_data_XXXXXX";
    if (::mkdtemp(tmpl)) path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// A key/value file loaded with the program's own reader.
class KeyValueFile {
 public:
  explicit KeyValueFile(const std::string& path) : table_(hashtbl_new(4000)) {
    hashtbl_load(table_, path.c_str());
    loaded_ = hashtbl_last_error == HASHTBL_OK;
    for (std::uint32_t i = 0; i < table_->size; ++i) pairs_[table_->keys[i]] = table_->values[i];
  }
  ~KeyValueFile() { hashtbl_delete(&table_); }
  KeyValueFile(const KeyValueFile&) = delete;
  KeyValueFile& operator=(const KeyValueFile&) = delete;

  bool loaded() const { return loaded_; }
  hashtbl* table() const { return table_; }
  const std::map<std::string, std::string>& pairs() const { return pairs_; }
  bool has(const std::string& key) const { return pairs_.count(key) != 0; }
  std::string operator[](const std::string& key) const {
    auto it = pairs_.find(key);
    return it == pairs_.end() ? std::string() : it->second;
  }

 private:
  hashtbl* table_;
  bool loaded_ = false;
  std::map<std::string, std::string> pairs_;
};

const KeyValueFile& defaults() {
  static const KeyValueFile file(kData + "/ustawienia.txt");
  return file;
}

// The Ids of a seed table file (the first field of every record line).
std::set<long> seed_ids(const std::string& table) {
  std::set<long> ids;
  std::istringstream in(slurp(kData + "/dat/" + table + ".dat"));
  std::string line;
  std::getline(in, line);  // the version line
  while (std::getline(in, line)) ids.insert(std::atol(line.c_str()));
  return ids;
}

// "" when equal, else where the two texts part, with a little of each.
std::string difference(const std::string& a, const std::string& b) {
  if (a == b) return "";
  std::size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  const std::size_t from = i > 20 ? i - 20 : 0;
  return "differ at byte " + std::to_string(i) + ": '" + a.substr(from, 60) + "' / '" + b.substr(from, 60) + "'";
}

// Runs a program with its arguments (no shell) and waits: its exit status, or
// -1 when it could not be started.
int run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int st = 0;
  if (waitpid(pid, &st, 0) != pid) return -1;
  return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

// --- settings ------------------------------------------------------------------------

TEST(DefaultSettings, FilesReadAndWriteBackByteForByte) {
  // Loading and saving again through the program's key/value file reader and
  // writer gives the same bytes: one pair a line, keys in collation order and
  // unique, escapes as written, CR LF.
  TempDir tmp;
  ASSERT_FALSE(tmp.path().empty());
  for (const char* name : {"ustawienia.txt", "ustawienia_desc.txt", "ustawienia0.txt"}) {
    SCOPED_TRACE(name);
    const std::string original = slurp(kData + "/" + name);
    ASSERT_FALSE(original.empty());
    EXPECT_TRUE(crlf_lines(original));
    KeyValueFile file(kData + "/" + name);
    ASSERT_TRUE(file.loaded());
    const std::string copy = tmp.path() + "/" + name;
    hashtbl_save(file.table(), copy.c_str());
    EXPECT_EQ(difference(slurp(copy), original), "");
  }
}

TEST(DefaultSettings, EveryKeyTheProgramReadsHasADefault) {
  // String literals handed to the settings store anywhere in the program.
  // Keys holding a blank or markup cannot be stored in the file: they serve
  // as their own captions.  "tr_Faktura_VAT_nr" stays unset on purpose (when
  // set it replaces the invoice title).
  const std::regex call(R"re(\b(?:ustawienia_\w+|setting)\s*\(\s*"([^"\\]+)")re");
  const std::set<std::string> unset = {"tr_Faktura_VAT_nr"};
  std::set<std::string> read, missing;
  for (const char* dir : {"lib", "server", "mages", "pagemgr", "db", "pdf", "platform", "kalmitor", "watchdog"}) {
    if (!fs::is_directory(kRoot + "/" + dir)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(kRoot + "/" + dir)) {
      const auto ext = entry.path().extension();
      if (ext != ".cpp" && ext != ".hpp") continue;
      const std::string text = slurp(entry.path().string());
      for (std::sregex_iterator it(text.begin(), text.end(), call), end; it != end; ++it) {
        const std::string key = (*it)[1];
        if (key.find_first_of(" <>\t") != std::string::npos) continue;
        read.insert(key);
        if (!unset.count(key) && !defaults().has(key)) missing.insert(key);
      }
    }
  }
  // The scan must find what the frame reads, or it finds nothing at all.
  EXPECT_TRUE(read.count("Logo_szerokosc"));
  EXPECT_TRUE(read.count("Kliknij_tu_aby_wybrac_date_z_kalendarza_text"));
  std::string list;
  for (const auto& k : missing) list += " " + k;
  EXPECT_TRUE(missing.empty()) << "no default for:" << list;
  for (const auto& k : unset) EXPECT_FALSE(defaults().has(k)) << k;
}

TEST(DefaultSettings, ValuesPassTheStoresChecksAndNumbersAreNumbers) {
  const auto& s = defaults();
  ASSERT_TRUE(s.loaded());
  for (const auto& [key, value] : s.pairs()) {
    // "send_time" 0: no scheduled send, the one default outside its range.
    if (key == "send_time") {
      EXPECT_EQ(value, "0");
      continue;
    }
    EXPECT_EQ(ustawienia_validate_int(key.c_str(), value.c_str()), 0) << key << "=" << value;
  }
  // Read as numbers by the program: whole decimal numbers.
  const std::regex number("-?[0-9]+");
  for (const char* key :
       {"lang", "start_page_id", "Logowanie_timeout", "Firm_na_stronie", "Napraw_na_stronie", "Sprzetu_na_stronie",
        "Towarow_na_stronie", "Transakcji_na_stronie", "Typ_towaru_czesci", "Typ_towaru_uslugi", "Typ_towaru_do_serwisu",
        "Podstawowy_VAT", "Logo_szerokosc", "Logo_wysokosc", "Logo_pozycja_x", "Logo_pozycja_y", "Prints_rfid",
        "Prints_rfid_start", "Prints_rfid_company", "Faktura_oryginal_kopia", "Dowod_przyjecia_kopia", "barcode_type",
        "szacunkowa_data_offset", "Zaplanuj_za_dni", "offset_red_t", "Protokol_liczba_czesci", "send_time",
        "worker_as_admin", "ext_rows_count", "ext_roczna_rows_count", "rachunki_zamiast_faktur"}) {
    EXPECT_TRUE(std::regex_match(s[key], number)) << key << "='" << s[key] << "'";
  }
  // Switches are on only for exactly "1": each is "0" or "1".
  for (const auto& [key, value] : s.pairs()) {
    const bool numbered_receipt_field =
        key.rfind("Dowod_przyjecia_", 0) == 0 && std::isdigit(static_cast<unsigned char>(key[16]));
    const bool is_switch =
        key.rfind("ukryj_", 0) == 0 || key.find("_wymagane") != std::string::npos || numbered_receipt_field;
    if (is_switch) {
      EXPECT_TRUE(value == "0" || value == "1") << key << "=" << value;
    }
  }
  EXPECT_EQ(s["lang"], "0");  // Polish
  EXPECT_EQ(s["start_page_id"], "30");
}

TEST(DefaultSettings, IdsNameSeedRecords) {
  // The goods-type settings and the basic VAT rate name records of the seed
  // tables; the three goods types are different types.
  const auto types = seed_ids("Towary_typy");
  const auto rates = seed_ids("Stawki_VAT");
  const auto& s = defaults();
  std::set<std::string> distinct;
  for (const char* key : {"Typ_towaru_czesci", "Typ_towaru_uslugi", "Typ_towaru_do_serwisu"}) {
    EXPECT_TRUE(types.count(std::atol(s[key].c_str()))) << key;
    distinct.insert(s[key]);
  }
  EXPECT_EQ(distinct.size(), 3u);
  EXPECT_TRUE(rates.count(std::atol(s["Podstawowy_VAT"].c_str())));
  // The repair kinds offered for a new kind are the seed kinds' names (the
  // warranty kind is recognised by its name).
  const std::string kinds = slurp(kData + "/dat/Naprawy_typy.dat");
  for (const char* key : {"us\xb3ugowa", "przegl\xb9" "d", "gwarancyjna"}) {
    ASSERT_TRUE(s.has(key)) << key;
    EXPECT_NE(kinds.find("'" + s[key] + "'"), std::string::npos) << key;
  }
}

TEST(DefaultSettings, CaptionsArePlainPolishTextAndButtonsTellApart) {
  const auto& s = defaults();
  const std::string file = slurp(kData + "/ustawienia.txt");
  EXPECT_TRUE(holds_cp1250_polish(file));
  EXPECT_FALSE(holds_utf8(file));
  for (const auto& [key, value] : s.pairs()) {
    for (const char* entity : {"&lt;", "&gt;", "&amp;", "&quot;", "&nbsp;"})
      EXPECT_EQ(value.find(entity), std::string::npos) << key << " holds " << entity;
    bool caption = key.size() > 5 && (key.compare(key.size() - 5, 5, "_text") == 0 ||
                                      (key.size() > 7 && key.compare(key.size() - 7, 7, "_button") == 0));
    if (caption && key.rfind("ext_", 0) != 0) {
      EXPECT_FALSE(value.empty()) << key;
    }
  }
  EXPECT_EQ(s["Zatwierdz_button"], "Zatwierd\x9f");
  EXPECT_EQ(s["Usun_button"], "Usu\xf1");
  // A page tells its buttons apart by their captions alone.
  const std::vector<std::vector<const char*>> groups = {
      // the firm list's pick modes
      {"Wybierz_dostawce_button", "Wybierz_klienta_button", "Zmien_klienta_button", "Wybierz_przyjmujecego_button",
       "Wybierz_wykonawce_button", "Wybierz_uzytkownika_button", "Zmien_button", "Czysc_button", "Szukaj_button"},
      // the repair list's views and searches
      {"Wszystkie_button", "Do_naprawy_button", "Naprawione_button", "Na_stanie_button", "Wydane_button",
       "Braki_button", "Planowane_button", "Plany_spoznione_button", "Oznacz_pilne_button",
       "W_serwisie_zewnetrznym_button", "Planowane_w_okresie_button", "Zaawansowane_button", "Proste_szukanie_button",
       "Szukaj_button", "Czysc_button", "Przejdz_button"},
      // the repair page
      {"Powrot_button", "Usun_button", "Zatwierdz_button", "Przyjmij_towar_button", "Rozpocznij_Naprawe_button",
       "Rozpocznij_ponownie_button", "Brak_czesci_button", "Do_wyjasnienia_button", "Wysylka_samych_czesci_button",
       "Wysylka_calego_sprzetu_button", "Powrot_z_zewnetrznego_button", "Oznacz_pilne_button", "Odznacz_pilne_button",
       "Zakoncz_Naprawe_button", "Zakoncz_Naprawe_i_wydaj_Towar_button", "Wydaj_Towar_button",
       "Wymiana_czesci_button", "Zaplanuj_na_dzien_button"},
      // the goods list and form
      {"Czysc_button", "Nie_filtruj_oznaczonych_button", "Tylko_oznaczone_button", "Zeruj_stany_button",
       "Zatwierdz_oznaczenia_button", "Czysc_oznaczenia_button", "Oznaczone_do_DBF_button", "Szukaj_button",
       "Na_netto_button", "Na_brutto_button", "Przelicz_button", "Nowy_Towar_Usluga_button", "Powrot_button",
       "Zatwierdz_button"},
      // the dictionaries' forms
      {"Anuluj_button", "Zatwierdz_button", "Usun_button", "Dodaj_button", "Powrot_button"},
      // the log-in page: its own button must not act as the entry button
      {"Wejscie_text", "Zaloguj_button"},
  };
  for (const auto& group : groups) {
    std::map<std::string, std::string> seen;
    for (const char* key : group) {
      ASSERT_TRUE(s.has(key)) << key;
      auto [it, fresh] = seen.emplace(s[key], key);
      EXPECT_TRUE(fresh || it->second == key) << key << " and " << it->second << " read the same";
    }
  }
  // The line delete buttons read "<caption>1.", "<caption>2." ...: the
  // caption ends in a blank so that the number stands apart.
  EXPECT_EQ(s["Usun_sp_button"], "Usu\xf1 ");
}

TEST(DefaultSettings, DescriptionsAndMergedDefaultsAgreeWithTheDefaults) {
  const auto& s = defaults();
  KeyValueFile desc(kData + "/ustawienia_desc.txt");
  KeyValueFile merged(kData + "/ustawienia0.txt");
  ASSERT_TRUE(desc.loaded());
  ASSERT_TRUE(merged.loaded());
  // The settings page edits the described keys and writes each back: every
  // one has a default and a label.
  for (const auto& [key, label] : desc.pairs()) {
    EXPECT_TRUE(s.has(key)) << key;
    EXPECT_FALSE(label.empty()) << key;
  }
  for (const char* key : {"Firm_na_stronie", "Logowanie_timeout", "backup_path", "Zaplanuj_za_dni",
                          "dossier_oswiadczenie_text", "ukryj_faktury", "Typ_towaru_do_serwisu"})
    EXPECT_TRUE(desc.has(key)) << key;
  // Merged at start-up through the range check: the same defaults, each one
  // acceptable to the check.
  for (const auto& [key, value] : merged.pairs()) {
    EXPECT_EQ(value, s[key]) << key;
    EXPECT_EQ(ustawienia_validate_int(key.c_str(), value.c_str()), 0) << key;
  }
  for (const auto& [key, value] : s.pairs())
    if (key != "send_time") {
      EXPECT_TRUE(merged.has(key)) << key;
    }
}

// --- templates ---------------------------------------------------------------------

const std::vector<std::string> kTemplates = {"body.htm", "login.htm", "login0.htm", "menu.htm",
                                             "menu2.htm", "menu_worker.htm", "menu_worker2.htm", "pomoc.htm",
                                             "faq.htm", "Firmy_row0.htm"};

// A template expanded as the pages will show it: page ids from the page
// table, settings from the defaults, variables from vars.
struct Expanded {
  std::string text;
  std::vector<std::string> names;
};

Expanded expand(const std::string& name, const std::map<std::string, std::string>& vars = {}) {
  Expanded e;
  qq_run(
      (kData + "/" + name).c_str(), [&](char c) { e.text += c; },
      [&](const char* ph, std::size_t len) {
        std::string n(ph, len);
        e.names.push_back(n);
        if (n.rfind("MGS_PAGE_", 0) == 0) {
          e.text += std::to_string(mages_nav_id(n.c_str()));
        } else if (n.size() > 3 && n.compare(0, 2, "U(") == 0 && n.back() == ')') {
          e.text += defaults()[n.substr(2, n.size() - 3)];
        } else if (n.size() > 1 && n[0] == '$') {
          auto it = vars.find(n.substr(1));
          if (it != vars.end()) e.text += it->second;
        }
      });
  return e;
}

TEST(DefaultTemplates, EveryTemplateIsWindows1250WithCrLf) {
  for (const auto& name : kTemplates) {
    SCOPED_TRACE(name);
    const std::string text = slurp(kData + "/" + name);
    ASSERT_FALSE(text.empty());
    EXPECT_TRUE(crlf_lines(text));
    EXPECT_FALSE(holds_utf8(text));
  }
  for (const char* name : {"pomoc.htm", "faq.htm", "Firmy_row0.htm"})
    EXPECT_TRUE(holds_cp1250_polish(slurp(kData + "/" + name))) << name;
}

TEST(DefaultTemplates, PlaceholdersNamePagesSettingsAndVariables) {
  const std::regex variable(R"(\$[A-Za-z_][A-Za-z0-9_]*)");
  const std::regex comment(R"(QQ[A-Za-z0-9_,.\[\]()$]*#)");
  for (const auto& name : kTemplates) {
    SCOPED_TRACE(name);
    const std::string raw = slurp(kData + "/" + name);
    // A "#" after a name would swallow the rest of its line.
    EXPECT_FALSE(std::regex_search(raw, comment));
    const Expanded e = expand(name);
    EXPECT_FALSE(e.names.empty());
    for (const auto& n : e.names) {
      if (n.rfind("MGS_PAGE_", 0) == 0) {
        EXPECT_GT(mages_nav_id(n.c_str()), 0) << n;
      } else if (n.compare(0, 2, "U(") == 0) {
        ASSERT_TRUE(n.size() > 3 && n.back() == ')') << n;
        EXPECT_TRUE(defaults().has(n.substr(2, n.size() - 3))) << n;
      } else {
        EXPECT_TRUE(std::regex_match(n, variable)) << "placeholder '" << n << "'";
      }
    }
  }
}

// Page ids that only an administrator reaches, and those of the invoice and
// stock sections.
const std::set<int> kAdminPages = {1,  2,  3,  4,  5,  12, 60, 61, 62, 63,  64,  65,  66,  67,  68,  69,  70,  71,  72,
                                   73, 74, 75, 76, 77, 78, 79, 80, 83, 84, 91, 101, 220, 221, 222, 229, 230, 231, 233,
                                   234, 235};
const std::set<int> kInvoicePages = {1, 2, 3, 4, 5, 83, 84, 91};
const std::set<int> kStockPages = {7, 8, 17};

TEST(DefaultTemplates, MenusLinkToPagesOfTheirRoleWithTheSessionCode) {
  const std::regex link(R"re(<a[^>]* href="([^"]*)")re");
  const std::regex page(R"(\bn_([0-9]+)=)");
  struct Case {
    const char* menu;
    bool admin, invoices, stock;
  } cases[] = {{"menu.htm", true, true, true},
               {"menu2.htm", true, false, false},
               {"menu_worker.htm", false, false, true},
               {"menu_worker2.htm", false, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.menu);
    const Expanded e = expand(c.menu, {{"sess_code", "C0DE"}, {"s", "7"}});
    // The pages' date fields write to document.forms[0]: no form before them.
    EXPECT_EQ(e.text.find("<form"), std::string::npos);
    std::set<int> pages;
    for (std::sregex_iterator it(e.text.begin(), e.text.end(), link), end; it != end; ++it) {
      const std::string href = (*it)[1];
      std::smatch m;
      ASSERT_TRUE(std::regex_search(href, m, page)) << href;
      const int id = std::stoi(m[1]);
      EXPECT_STRNE(mages_nav_name(id), "") << href;
      EXPECT_NE(href.find("&amp;sess_code=C0DE"), std::string::npos) << href;
      pages.insert(id);
    }
    for (int id : {6, 30, 10, 22, 20, 21}) EXPECT_TRUE(pages.count(id)) << id;
    if (!c.admin) {
      for (int id : kAdminPages) EXPECT_FALSE(pages.count(id)) << id;
    }
    EXPECT_EQ(pages.count(12) + pages.count(233), c.admin ? 2u : 0u);
    for (int id : {1, 2, 3, 4, 5, 91}) EXPECT_EQ(pages.count(id), c.invoices ? 1u : 0u) << id;
    if (!c.invoices) {
      for (int id : kInvoicePages) EXPECT_FALSE(pages.count(id)) << id;
    }
    if (!c.stock) {
      for (int id : kStockPages) EXPECT_FALSE(pages.count(id)) << id;
    }
    EXPECT_EQ(pages.count(8), c.stock ? 1u : 0u);
    // The caption switches of the sections turn into the classes hide-0 and
    // hide-1 (the style sheet hides hide-1).
    if (c.invoices) {
      EXPECT_NE(e.text.find("class=\"sec hide-0\""), std::string::npos);
    }
  }
}

TEST(DefaultTemplates, LogInFormsPostToTheLogInPath) {
  const Expanded entry = expand("login0.htm", {{"sess_code", "C0DE"}});
  EXPECT_NE(entry.text.find("action=\"login.htm\""), std::string::npos);
  EXPECT_NE(entry.text.find("name=\"action\" value=\"" + defaults()["Wejscie_text"] + "\""), std::string::npos);
  EXPECT_NE(entry.text.find("name=\"sess_code\" value=\"C0DE\""), std::string::npos);

  const Expanded login = expand("login.htm", {{"user_name", "jan"}});
  EXPECT_NE(login.text.find("action=\"login.htm\""), std::string::npos);
  EXPECT_NE(login.text.find("name=\"user_name\" value=\"jan\""), std::string::npos);
  EXPECT_NE(login.text.find("type=\"password\" id=\"user_pass\" name=\"user_pass\""), std::string::npos);
  // The password is never written back into the page.
  EXPECT_EQ(login.text.find("user_pass\" value"), std::string::npos);

  // The top bar names the user and offers the log-out link of the session.
  const Expanded body = expand("body.htm", {{"user_logged", "3"}, {"logged_user_name", "jan"},
                                            {"Wyloguj", "Wyloguj"}, {"sess_code", "C0DE"}});
  EXPECT_EQ(body.text.rfind("<BODY data-user=\"3\">", 0), 0u);
  EXPECT_NE(body.text.find("<span class=\"user\">jan</span>"), std::string::npos);
  EXPECT_NE(body.text.find("href=\"wyloguj.htm?sess_code=C0DE\">Wyloguj</a>"), std::string::npos);
  EXPECT_EQ(body.text.find("<form"), std::string::npos);
}

TEST(DefaultTemplates, FirmListHeaderSortsWithinTheListsForm) {
  const Expanded e = expand("Firmy_row0.htm");
  EXPECT_EQ(e.text.rfind("<tr>", 0), 0u);
  for (int sort = 1; sort <= 8; ++sort)
    EXPECT_NE(e.text.find("name=\"Fsort\" value=\"" + std::to_string(sort) + "\" formaction=\"firmy.htm?n_10=\""),
              std::string::npos)
        << sort;
  for (const char* key : {"Lp_text", "Nazwa_text", "NIP_text", "Miejscowosc_text", "Ulica_text"})
    EXPECT_NE(e.text.find(defaults()[key]), std::string::npos) << key;
}

// --- style sheet, scripts, images ----------------------------------------------------

TEST(DefaultStyleSheet, FitsTheReaderAndStylesEveryClassThePagesUse) {
  const std::string css = slurp(kData + "/styl.css");
  ASSERT_FALSE(css.empty());
  EXPECT_LT(css.size(), 10000u);  // the program reads no more
  EXPECT_TRUE(ascii_only(css));
  EXPECT_TRUE(crlf_lines(css));
  std::set<std::string> used = {"field2", "fieldname", "field2red", "fieldnamered", "fieldvalue", "colname",
                                "pagetitle", "hide-1"};
  const std::regex cls(R"re(class="([^"]*)")re");
  for (const auto& name : kTemplates) {
    const std::string text = slurp(kData + "/" + name);
    for (std::sregex_iterator it(text.begin(), text.end(), cls), end; it != end; ++it) {
      std::istringstream words((*it)[1].str());
      for (std::string w; words >> w;)
        if (w.find("QQ") == std::string::npos) used.insert(w);
    }
  }
  for (const auto& c : used) EXPECT_NE(css.find("." + c), std::string::npos) << c;
}

TEST(DefaultScripts, DatePickerInEachLanguage) {
  for (const char* name : {"help.js", "help_en.js", "help_de.js"}) {
    SCOPED_TRACE(name);
    const std::string js = slurp(kData + "/" + name);
    ASSERT_FALSE(js.empty());
    EXPECT_TRUE(ascii_only(js));  // sent as it is, whatever the page's code page
    EXPECT_NE(js.find("window.show_calendar = function"), std::string::npos);
  }
  EXPECT_NE(slurp(kData + "/help.js").find("\"Stycze\\u0144\""), std::string::npos);
  EXPECT_NE(slurp(kData + "/help_en.js").find("\"January\""), std::string::npos);
  EXPECT_NE(slurp(kData + "/help_de.js").find("\"M\\u00e4rz\""), std::string::npos);
}

TEST(DefaultImages, PagesFindTheirImages) {
  struct Case {
    const char* file;
    std::string magic;
  } cases[] = {{"img/cal.gif", "GIF8"},
               {"img/minisprzet.jpg", "\xff\xd8\xff"},
               {"img/favicon.ico", std::string("\0\0\1\0", 4)},
               {"img/LOGO.JPG", "\xff\xd8\xff"}};
  for (const auto& c : cases) {
    const std::string data = slurp(kData + "/" + c.file);
    EXPECT_EQ(data.compare(0, c.magic.size(), c.magic), 0) << c.file;
  }
  // The date fields' button is drawn 16 x 16.
  const std::string gif = slurp(kData + "/img/cal.gif");
  ASSERT_GE(gif.size(), 10u);
  EXPECT_EQ(static_cast<unsigned char>(gif[6]) | static_cast<unsigned char>(gif[7]) << 8, 16);
  EXPECT_EQ(static_cast<unsigned char>(gif[8]) | static_cast<unsigned char>(gif[9]) << 8, 16);
}

// --- sample import files ----------------------------------------------------------------

TEST(SampleImportFiles, ColumnsOfTheImports) {
  struct Case {
    const char* file;
    std::vector<std::string> header;
  } cases[] = {
      {"kontrah_przyklad.csv",
       {"nazwa", "opis", "NIP", "ulica", "kod_pocztowy", "miasto", "bank_nazwa", "konto", "telefon", "fax", "email",
        "www_page", "nr_gadu_gadu", "nr_skype"}},
      {"towary_przyklad.csv",
       {"nazwa", "PKWiU", "kod", "rfid", "opis", "cena_netto_kupna", "cena_netto_sprzedazy", "liczba_sztuk",
        "sciezka_do_pliku", "Stawka_VAT", "Typ_towaru", "Jednostka_metryczna"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = kData + "/" + c.file;
    const std::string raw = slurp(path);
    EXPECT_TRUE(crlf_lines(raw));
    EXPECT_TRUE(holds_cp1250_polish(raw));
    EXPECT_FALSE(holds_utf8(raw));
    std::vector<std::vector<std::string>> rows;
    ASSERT_EQ(csv_load(path.c_str(),
                       [&](uint32_t line, uint32_t column, const char* text) {
                         if (rows.size() <= line) rows.resize(line + 1);
                         if (rows[line].size() <= column) rows[line].resize(column + 1);
                         rows[line][column] = text;
                       }),
              0);
    ASSERT_GE(rows.size(), 4u);
    EXPECT_EQ(rows[0], c.header);
    std::set<std::string> names;
    for (std::size_t i = 1; i < rows.size(); ++i) {
      EXPECT_EQ(rows[i].size(), c.header.size()) << "line " << i;
      EXPECT_FALSE(rows[i][0].empty()) << "line " << i;
      EXPECT_TRUE(names.insert(rows[i][0]).second) << rows[i][0];
    }
  }
  // The goods name the seed VAT rates and goods types by their names, so an
  // import creates none of them (a new unit is fine).
  const std::string rates = slurp(kData + "/dat/Stawki_VAT.dat");
  const std::string types = slurp(kData + "/dat/Towary_typy.dat");
  std::vector<std::vector<std::string>> goods;
  csv_load((kData + "/towary_przyklad.csv").c_str(), [&](uint32_t line, uint32_t column, const char* text) {
    if (goods.size() <= line) goods.resize(line + 1);
    if (goods[line].size() <= column) goods[line].resize(column + 1);
    goods[line][column] = text;
  });
  for (std::size_t i = 1; i < goods.size(); ++i) {
    ASSERT_EQ(goods[i].size(), 12u);
    EXPECT_NE(rates.find("'" + goods[i][9] + "'"), std::string::npos) << goods[i][9];
    EXPECT_NE(types.find("'" + goods[i][10] + "'"), std::string::npos) << goods[i][10];
  }
}

// --- the generators --------------------------------------------------------------------

TEST(DefaultData, GeneratedFilesMatchTheirScripts) {
  // The text files of data/ are written by scripts in tools/; a file edited by
  // hand, or a script changed without writing its files again, shows here.
  if (run({"python3", "-c", "pass"}) != 0) GTEST_SKIP() << "python3 is not installed";
  TempDir tmp;
  ASSERT_FALSE(tmp.path().empty());
  ASSERT_EQ(run({"python3", kRoot + "/tools/make_default_settings.py", tmp.path()}), 0);
  ASSERT_EQ(run({"python3", kRoot + "/tools/make_web_assets.py", tmp.path()}), 0);
  int compared = 0;
  for (const auto& entry : fs::directory_iterator(tmp.path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_EQ(difference(slurp(entry.path().string()), slurp(kData + "/" + name)), "")
        << name << ": the script writes other bytes than data/ holds";
    ++compared;
  }
  EXPECT_GE(compared, 19);
}

}  // namespace
