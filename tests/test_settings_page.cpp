// The settings page through the real kalmitor program, with "ustawienia.txt"
// as the oracle: a save stores only the keys its request carries and keeps
// every other line byte for byte; values outside their ranges, a backup path
// the backups may not use and a backup time that is no clock time are shown
// in red and not stored; only administrators reach the page; the import,
// export and backup buttons do their work; and in headless Chromium a
// changed text, switch and multi-line text are shown again after a restart.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/kal_cdp.hpp"
#include "tests/kal_pages.hpp"

namespace {

namespace fs = std::filesystem;
using kal::pages::has;
using kal::pages::kHead;
using kal::pages::Params;
using kal::pages::Site;

const char kRed[] = "<FONT COLOR=\"RED\">";
// The save button at the end of the key table.
const char kLastSave[] = "Array.from(document.querySelectorAll('input[name=\"n_12\"]')).pop().click()";
const char kSaved[] = "<center><h3>Zapisano ustawienia</h3></center>";

// The settings file with one key's line changed (or added at the end).
std::string with_setting(std::string file, const std::string& key, const std::string& value) {
  const std::string line = "\n" + key + " ";
  const std::size_t at = file.find(line);
  if (at == std::string::npos) return file + key + " " + value + "\r\n";
  const std::size_t start = at + line.size();
  return file.replace(start, file.find('\r', start) - start, value);
}

// A user of each role: szef the administrator (firm 1), jan a worker (firm
// 5), ola of the role "other" (firm 6); and the firms.
std::vector<std::pair<std::string, std::string>> with_roles(
    const std::string& firms = kal::pages::firms_file({{1, "Nasz serwis"}, {5, "Jan"}, {6, "Ola"}})) {
  return {{"dat/Users.dat", std::string(kHead) + " 1 'szef' 'szef-haslo' 1700000000 1\r\n"
                                                 " 5 'jan' 'jan-haslo' 1700000000 2\r\n"
                                                 " 6 'ola' 'ola-haslo' 1700000000 3\r\n"},
          {"dat/Firmy.dat", firms}};
}

class SettingsPage : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(site_.start()) << site_.log();
    confirm_ = site_.setting("Zatwierdz_button");
    shipped_ = site_.file("ustawienia.txt");
  }
  std::string save(Params fields) {
    fields.insert(fields.begin(), {"n_12", confirm_});
    return site_.post(fields);
  }
  std::string press(const std::string& caption, Params fields = {}) {
    fields.insert(fields.begin(), {"n_12", caption});
    return site_.post(fields);
  }
  std::string settings() const { return site_.file("ustawienia.txt"); }

  Site site_;
  std::string confirm_, shipped_;
};

TEST_F(SettingsPage, ShowsTheKeysWithTheirWidgetsAndTheLinks) {
  const std::string page = site_.get("/ustawienia.htm", {{"n_12", ""}});
  EXPECT_TRUE(has(page, "<TD CLASS=pagetitle ALIGN=CENTER> Konfiguracja ustawień programu </TD>")) << page;
  // The main keys first, a yes/no switch, the invoice select in its own
  // order, a goods-type select, a text field.
  const std::size_t sprzet = page.find("Nazwa pola: sprzęt:"), kolor = page.find("Nazwa pola: kolor:");
  ASSERT_NE(sprzet, std::string::npos);
  ASSERT_NE(kolor, std::string::npos);
  EXPECT_LT(sprzet, kolor);
  EXPECT_LT(kolor, page.find("Ukryj faktury:"));
  EXPECT_TRUE(has(page, "<SELECT NAME=\"ukryj_faktury\"><OPTION VALUE=\"0\" SELECTED>nie\n<OPTION VALUE=\"1\">tak\n"));
  EXPECT_TRUE(has(page, "<SELECT NAME=\"barcode_type\"><OPTION VALUE=\"0\""));
  EXPECT_TRUE(has(page, "<select name='Typ_towaru_czesci'>")) << page;
  EXPECT_TRUE(has(page, "NAME=\"main_email\""));
  EXPECT_TRUE(std::regex_search(page, std::regex("<textarea NAME=\"Dowod_przyjecia_zgoda\" ROWS=\"4\" COLS=\"90\">")));
  // The backup path has its field in the backup block only; "typ_text" and the
  // long texts get no row.
  EXPECT_EQ(page.find("Katalog kopii zapasowych:"), std::string::npos);
  EXPECT_TRUE(has(page, "NAME=\"backup_path\""));
  EXPECT_EQ(page.find("NAME=\"typ_text\""), std::string::npos);
  EXPECT_EQ(page.find("<INPUT TYPE=\"text\" NAME=\"Dowod_przyjecia_zgoda\""), std::string::npos);
  // The links with the session code, the buttons of the backup block.
  for (const std::string& link : std::vector<std::string>{"Uzytkownicy.htm?n_233=l", "Towary_typy.htm?n_75=l", "Stawki_VAT.htm?n_72=l",
                                  "kontrah_przyklad.csv?sess_code=" + site_.code(),
                                  "towary_przyklad.csv?sess_code=" + site_.code(), "naprawy.csv?sess_code="})
    EXPECT_TRUE(has(page, link)) << link;
  EXPECT_TRUE(has(page, "VALUE=\"Wykonaj teraz\""));
  EXPECT_TRUE(has(page, "Tekst dotyczący gwarancji") || !has(site_.file("ustawienia_desc.txt"), "Gwarancja_Na_Naprawe"));
}

TEST_F(SettingsPage, ASaveStoresOnlyWhatTheRequestCarries) {
  // A session that never showed the page posts one key: only that line changes.
  std::string page = save({{"main_email", "serwis@example.com"}});
  EXPECT_TRUE(has(page, kSaved)) << page;
  EXPECT_FALSE(has(page, kRed));
  EXPECT_EQ(settings(), with_setting(shipped_, "main_email", "serwis@example.com"));

  // A text area's markup stays text, on the page and in the file.
  const std::string text = "Zgoda </textarea><b>x</b> & \"cudzysłów\"\nDruga linia";
  page = save({{"Dowod_przyjecia_zgoda", text}});
  EXPECT_TRUE(has(page, kSaved));
  EXPECT_TRUE(has(page, "&lt;/textarea&gt;&lt;b&gt;x&lt;/b&gt; &amp; &quot;cudzysłów&quot;\nDruga linia</textarea>"))
      << page;
  EXPECT_TRUE(has(settings(), "\nDowod_przyjecia_zgoda Zgoda </textarea><b>x</b> & \"cudzysłów\"\\nDruga linia\r\n"));

  // A key without a description is not the page's to change.
  const std::string before = settings();
  save({{"Zatwierdz_button", "X"}, {"Wykonaj_sychronizacje_towarow", "1"}});
  EXPECT_EQ(settings(), before);
}

TEST_F(SettingsPage, ValuesOutOfTheirRangesAreShownInRedAndNotStored) {
  struct Case {
    const char* key;
    const char* value;
    bool stored;
  };
  const Case cases[] = {
      {"Firm_na_stronie", "9", false},     {"Firm_na_stronie", "1001", false}, {"Firm_na_stronie", "abc", false},
      {"Firm_na_stronie", "1000", true},   {"Logo_szerokosc", "69", false},    {"Logo_pozycja_x", "-300", true},
      {"send_time", "0", true},            {"send_time", "4", false},          {"send_time", "5", true},
      {"Logowanie_timeout", "599", false}, {"Zaplanuj_za_dni", "1830", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + "=" + c.value);
    const std::string before = settings();
    const std::string page = save({{c.key, c.value}, {"main_www", std::string("www.") + c.value + ".pl"}});
    // The other key of the same request is stored all the same.
    std::string want = with_setting(before, "main_www", std::string("www.") + c.value + ".pl");
    if (c.stored) {
      want = with_setting(want, c.key, c.value);
      EXPECT_TRUE(has(page, kSaved)) << page;
      EXPECT_FALSE(has(page, kRed));
    } else {
      EXPECT_TRUE(has(page, kRed)) << page;
      EXPECT_TRUE(has(page, std::string("wartość '") + c.value + "'")) << page;
      EXPECT_FALSE(has(page, kSaved));
      // The field shows the stored value again.
      EXPECT_TRUE(has(page, "NAME=\"" + std::string(c.key) + "\" VALUE=\"" + site_.setting(c.key) + "\"")) << page;
    }
    EXPECT_EQ(settings(), want);
  }
}

TEST_F(SettingsPage, BackupTimeAndPathAreCheckedBeforeTheyAreTaken) {
  const std::string install = site_.server().install_dir();
  for (const std::string& path : {install, install + "/dat", install + "/..", std::string("dat")}) {
    SCOPED_TRACE(path);
    const std::string page = save({{"backup_path", path}});
    EXPECT_TRUE(has(page, kRed)) << page;
    EXPECT_FALSE(has(page, kSaved));
    EXPECT_EQ(settings(), shipped_);
  }
  for (const char* t : {"25:00", "12:60", "1215", "ab:cd", "12:5"}) {
    SCOPED_TRACE(t);
    const std::string page = save({{"backup_time", t}});
    EXPECT_TRUE(has(page, kRed)) << page;
    EXPECT_TRUE(has(page, "NAME=\"backup_time\" VALUE=\"18:15\"")) << page;
  }
  // Good ones are taken: the path into the settings, the time into the form.
  const std::string kopie = install + "/../kopie_serwisu";
  std::string page = save({{"backup_time", "07:30"}, {"backup_path", kopie}});
  EXPECT_TRUE(has(page, kSaved)) << page;
  EXPECT_EQ(site_.setting("backup_path"), kopie);
  EXPECT_TRUE(has(page, "NAME=\"backup_time\" VALUE=\"07:30\""));
  page = save({{"backup_time", "0:00"}});
  EXPECT_TRUE(has(page, kSaved)) << page;
}

TEST_F(SettingsPage, BackupNowUsesThePathJustTypedAndKeepsEveryBackup) {
  const fs::path kopie = fs::path(site_.server().install_dir()).parent_path() / "kopie_teraz";
  const std::string dat_before = site_.dat("Firmy");
  // The start-up backup first, into the shipped path.
  const fs::path start_up = fs::path(site_.server().install_dir()) / "kopie";
  for (int i = 0; i < 100 && (!fs::exists(start_up) || fs::is_empty(start_up)); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_TRUE(fs::exists(start_up)) << site_.log();
  for (int i = 0; i < 3; ++i) {
    if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    const std::string page = press("Wykonaj teraz", {{"backup_path", kopie.string()}, {"backup_time", "18:15"}});
    EXPECT_TRUE(has(page, "<center><h3>Kopia zapasowa wykonana</h3></center>")) << page;
    EXPECT_FALSE(has(page, kRed)) << page;
  }
  std::set<fs::path> dirs;
  for (const auto& e : fs::directory_iterator(kopie)) dirs.insert(e.path());
  ASSERT_EQ(dirs.size(), 3u);
  for (const fs::path& d : dirs) {
    EXPECT_TRUE(std::regex_match(d.filename().string(), std::regex(R"(\d{4}-\d\d-\d\d_\d\d_\d\d_\d\d)")));
    EXPECT_EQ(kal::pages::read_file((d / "Firmy.dat").string()), dat_before);
    EXPECT_TRUE(fs::exists(d / "ustawienia.txt"));
  }
  EXPECT_EQ(site_.setting("backup_path"), kopie.string());

  // A path the backups may not use: refused, nothing made, dat/ as it was.
  const std::string dat = site_.server().install_dir() + "/dat";
  std::set<fs::path> dat_files;
  for (const auto& e : fs::directory_iterator(dat)) dat_files.insert(e.path());
  std::string page = press("Wykonaj teraz", {{"backup_path", dat}});
  EXPECT_TRUE(has(page, kRed)) << page;
  EXPECT_TRUE(has(page, "Kopia zapasowa nie została wykonana")) << page;
  std::set<fs::path> after;
  for (const auto& e : fs::directory_iterator(dat)) after.insert(e.path());
  EXPECT_EQ(after, dat_files);
  EXPECT_EQ(site_.setting("backup_path"), kopie.string());

  // A path that cannot be made is an error, not a success.
  const fs::path blocker = fs::path(site_.server().install_dir()).parent_path() / "plik";
  { std::ofstream(blocker) << "x"; }
  page = press("Wykonaj teraz", {{"backup_path", (blocker / "kopie").string()}});
  EXPECT_TRUE(has(page, kRed)) << page;
  EXPECT_FALSE(has(page, "Kopia zapasowa wykonana</h3>"));
}

TEST_F(SettingsPage, ImportAndExportButtons) {
  // Exports: the firm list and the address book, the goods.
  press("Eksport kontrahentów do pliku");
  EXPECT_TRUE(has(site_.file("kontrah_export.csv"), "nazwa;opis;NIP;"));
  EXPECT_TRUE(fs::exists(site_.server().file("contacts.csv")));
  press("Eksport towarów/usług do pliku");
  EXPECT_TRUE(has(site_.file("towary_export.csv"), "nazwa;PKWiU;kod;"));

  // Imports from the example files the page links to.
  std::string page = press("Import kontrahentów z pliku", {{"Firmy_import_plik", "kontrah_przyklad.csv"}});
  EXPECT_FALSE(has(page, kRed)) << page;
  EXPECT_TRUE(has(site_.dat("Firmy"), "'Kowalski Jan'"));
  page = press("Import towarów/usług z pliku", {{"Towary_import_plik", "towary_przyklad.csv"}});
  EXPECT_FALSE(has(page, kRed)) << page;
  EXPECT_TRUE(has(site_.dat("Towary"), "'Klocki hamulcowe przednie'"));
  // A file name outside the install directory is refused in red.
  page = press("Import kontrahentów z pliku", {{"Firmy_import_plik", "../kontrah.csv"}});
  EXPECT_TRUE(has(page, kRed)) << page;
}

TEST(SettingsPageAccess, OnlyAdministratorsReachIt) {
  Site site(with_roles());
  ASSERT_TRUE(site.start("jan", "jan-haslo")) << site.last();
  const std::string confirm = site.setting("Zatwierdz_button");
  const std::string shipped = site.file("ustawienia.txt");
  for (const auto& [user, password] : {std::pair{"jan", "jan-haslo"}, std::pair{"ola", "ola-haslo"}}) {
    ASSERT_TRUE(site.log_in(user, password)) << site.last();
    const std::string page = site.post({{"n_12", confirm}, {"main_email", "obcy@example.com"}});
    EXPECT_FALSE(has(page, "Konfiguracja ustawień programu")) << user;
    EXPECT_EQ(site.file("ustawienia.txt"), shipped) << user;
    site.post({{"n_12", "Eksport kontrahentów do pliku"}});
    EXPECT_FALSE(fs::exists(site.server().file("kontrah_export.csv"))) << user;
  }
  ASSERT_TRUE(site.log_in("szef", "szef-haslo")) << site.last();
  const std::string page = site.post({{"n_12", confirm}, {"main_email", "szef@example.com"}});
  EXPECT_TRUE(has(page, kSaved)) << page;
  EXPECT_EQ(site.setting("main_email"), "szef@example.com");
}

TEST_F(SettingsPage, ABackupTimeSavedLastsAfterARestart) {
  // Whichever button takes the time, the settings file holds it.
  struct Case {
    std::string button, time;
  } cases[] = {{confirm_, "07:45"}, {"Wykonaj teraz", "06:10"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    const std::string page = press(c.button, {{"backup_time", c.time}});
    EXPECT_FALSE(has(page, kRed)) << page;
    EXPECT_EQ(site_.setting("backup_time"), c.time);
  }
  const std::string saved = settings();
  ASSERT_EQ(site_.stop(), 0);
  // After a restart the time in force is the one saved.
  Site again({{"ustawienia.txt", saved}});
  ASSERT_TRUE(again.start()) << again.log();
  const std::string page = again.get("/ustawienia.htm", {{"n_12", ""}});
  EXPECT_TRUE(has(page, "NAME=\"backup_time\" VALUE=\"06:10\"")) << page;
}

// The files the program exports hold the workshop's data: they are served as
// downloads that no browser shows as a page, to administrators (and workers
// while workers act as administrators) only; before an export the link says
// that there is no file yet.
TEST(ExportFiles, DownloadsForAdministratorsOnly) {
  const std::string firms = kal::pages::firms_file({{1, "Nasz serwis"}, {6, "Ola"}}) +
                            " 5 'Jan' 'Klient <b>VIP</b>' '' '' '' '' '' '' '' '' 'jan@example.com' '' '' '' 1 0 "
                            "1700000000 0\r\n";
  auto data = with_roles(firms);
  data.push_back({"naprawy.csv", "Lp.;Numer;\r\n1.;1/2026;\r\n"});
  Site site(data);
  ASSERT_TRUE(site.start("szef", "szef-haslo")) << site.last();
  auto fetch = [&](const std::string& name) {
    return site.server().get("/" + name + "?sess_code=" + site.code());
  };

  // Before the exports: a page that says so, never an empty one.
  for (const char* name : {"kontrah_export.csv", "contacts.csv", "towary_export.csv"}) {
    SCOPED_TRACE(name);
    const kal::e2e::HttpReply r = fetch(name);
    EXPECT_EQ(r.status, 404);
    EXPECT_TRUE(has(r.body, std::string("Plik ") + name + " jeszcze nie istnieje")) << r.raw;
  }
  site.post({{"n_12", "Eksport kontrahentów do pliku"}});
  site.post({{"n_12", "Eksport towarów/usług do pliku"}});

  struct Case {
    const char* name;
    const char* data;  // a piece of what the file holds
  } files[] = {{"kontrah_export.csv", "Klient <b>VIP</b>"},
               {"contacts.csv", "jan@example.com"},
               {"towary_export.csv", "nazwa;PKWiU;kod;"},
               {"naprawy.csv", "1/2026"}};
  struct Who {
    const char *user, *password;
    bool workers_as_admin, served;
  } roles[] = {{"szef", "szef-haslo", false, true}, {"jan", "jan-haslo", false, false},
               {"ola", "ola-haslo", false, false},  {"jan", "jan-haslo", true, true},
               {"ola", "ola-haslo", true, false}};
  for (const Who& w : roles) {
    if (w.workers_as_admin && site.setting("worker_as_admin") != "1") {
      ASSERT_TRUE(site.log_in("szef", "szef-haslo"));
      site.post({{"n_12", site.setting("Zatwierdz_button")}, {"worker_as_admin", "1"}});
      ASSERT_EQ(site.setting("worker_as_admin"), "1");
    }
    ASSERT_TRUE(site.log_in(w.user, w.password)) << site.last();
    for (const Case& f : files) {
      SCOPED_TRACE(std::string(w.user) + (w.workers_as_admin ? " (worker_as_admin)" : "") + " " + f.name);
      const kal::e2e::HttpReply r = fetch(f.name);
      const std::string* type = r.header("Content-Type");
      ASSERT_NE(type, nullptr) << r.raw;
      EXPECT_EQ(type->find("html"), std::string::npos) << *type;
      const std::string* sniff = r.header("X-Content-Type-Options");
      EXPECT_TRUE(sniff && *sniff == "nosniff") << r.raw;
      if (w.served) {
        EXPECT_EQ(r.status, 200);
        EXPECT_EQ(*type, "text/csv");
        const std::string* disposition = r.header("Content-Disposition");
        EXPECT_TRUE(disposition && *disposition == std::string("attachment; filename=\"") + f.name + "\"") << r.raw;
        EXPECT_TRUE(has(r.body, f.data)) << r.body;
      } else {
        EXPECT_EQ(r.status, 403);
        EXPECT_EQ(r.body, "Access denied !");
      }
    }
  }
}

// A user opening a page above his role is told so; nothing of the page runs.
TEST(SettingsPageAccess, PagesAboveTheRoleSayTheyAreRefused) {
  Site site(with_roles());
  ASSERT_TRUE(site.start("jan", "jan-haslo")) << site.last();
  const std::string refused = std::string(kRed) + "\nNie masz uprawnień do tej strony !";
  struct Case {
    const char *user, *password, *page, *title;
  } cases[] = {
      {"jan", "jan-haslo", "n_12", "Konfiguracja ustawień programu"},
      {"jan", "jan-haslo", "n_233", "COLSPAN=4> Użytkownicy"},
      {"jan", "jan-haslo", "n_235", "NAME=Users_user_passwd"},
      {"jan", "jan-haslo", "n_2", "CLASS=pagetitle ALIGN=CENTER>Lista dostaw"},
      {"ola", "ola-haslo", "n_12", "Konfiguracja ustawień programu"},
      {"ola", "ola-haslo", "n_10", "CLASS=pagetitle ALIGN=CENTER> Lista kontrahentów"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.user) + " " + c.page);
    ASSERT_TRUE(site.log_in(c.user, c.password)) << site.last();
    const std::string page = site.post({{c.page, "l"}});
    EXPECT_TRUE(has(page, refused)) << page;
    EXPECT_FALSE(has(page, c.title)) << page;
  }
  // The pages of the role stay open.
  ASSERT_TRUE(site.log_in("jan", "jan-haslo"));
  EXPECT_FALSE(has(site.post({{"n_10", "l"}}), refused)) << site.last();
}

// --- in the browser -------------------------------------------------------------------------------

TEST(SettingsBrowser, ChangesShowAgainAfterARestart) {
  if (kal::cdp::chromium_path().empty()) GTEST_SKIP() << "chromium is not installed (tools/deps.sh installs it)";
  std::string saved;
  const std::string zgoda = "Pierwsza linia zgody\nDruga linia <i>zgody</i>";
  auto open = [](Site& site, kal::cdp::Browser& b) {
    const std::string base = "http://127.0.0.1:" + std::to_string(site.server().port()) + "/";
    return b.open(base + "ustawienia.htm?n_12=&sess_code=" + site.code());
  };
  auto value = [](kal::cdp::Browser& b, const std::string& name) {
    return b.eval("document.querySelector('[name=\"" + name + "\"]').value");
  };
  {
    Site site;
    ASSERT_TRUE(site.start()) << site.log();
    kal::cdp::Browser b;
    ASSERT_TRUE(b.ok());
    ASSERT_TRUE(open(site, b));
    b.eval("document.querySelector('[name=\"main_www\"]').value = 'www.serwis.example'; 'ok'");
    b.eval("document.querySelector('[name=\"ukryj_faktury\"]').value = '1'; 'ok'");
    b.eval("document.querySelector('[name=\"Dowod_przyjecia_zgoda\"]').value = " + kal::cdp::quote(zgoda) + "; 'ok'");
    ASSERT_TRUE(b.submit(kLastSave));
    EXPECT_EQ(b.eval("String(document.body.innerHTML.includes('Zapisano ustawienia'))"), "true");
    EXPECT_EQ(site.setting("main_www"), "www.serwis.example");
    EXPECT_EQ(site.setting("ukryj_faktury"), "1");
    saved = site.file("ustawienia.txt");
    EXPECT_EQ(site.stop(), 0);
  }
  Site again({{"ustawienia.txt", saved}});
  ASSERT_TRUE(again.start()) << again.log();
  kal::cdp::Browser b;
  ASSERT_TRUE(b.ok());
  ASSERT_TRUE(open(again, b));
  EXPECT_EQ(value(b, "main_www"), "www.serwis.example");
  EXPECT_EQ(value(b, "ukryj_faktury"), "1");
  EXPECT_EQ(value(b, "Dowod_przyjecia_zgoda"), zgoda);
  // A value out of its range: red on the page, the stored one stays.
  b.eval("document.querySelector('[name=\"Firm_na_stronie\"]').value = '5'; 'ok'");
  ASSERT_TRUE(b.submit(kLastSave));
  EXPECT_EQ(b.eval("String(document.querySelectorAll('font[color=\"RED\"]').length > 0)"), "true");
  EXPECT_EQ(value(b, "Firm_na_stronie"), again.setting("Firm_na_stronie"));
  EXPECT_NE(again.setting("Firm_na_stronie"), "5");
}

}  // namespace
