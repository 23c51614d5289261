// The kalmitor program end to end: a copy of data/ with templates of the
// test's own, requests over real sockets, and the service frame's switches.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "pagemgr/pagemgr.hpp"
#include "pagemgr/users_auth.hpp"
#include "platform/registry.hpp"
#include "platform/textfile.hpp"
#include "tests/kal_e2e.hpp"
#include "tests/kal_pages.hpp"

using kal::e2e::HttpReply;
using kal::e2e::Server;
namespace fs = std::filesystem;

namespace {

using Files = std::vector<std::pair<std::string, std::string>>;

// Templates and settings just big enough to tell the pages apart.
Files templates() {
  return {
      {"body.htm", "<BODY>\n[body user=QQ$logged_user_name code=QQ$sess_code;]\n"},
      {"login0.htm", "[login0]\n"},
      {"login.htm", "[login QQU(Wejscie_text);]\n"},
      {"menu.htm", "[menu admin]\n"},
      {"menu_worker.htm", "[menu worker]\n"},
      {"pomoc.htm", "[pomoc]\n"},
      {"faq.htm", "[faq]\n"},
      {"styl.css", "BODY { color: #123456; }\r\n"},
      {"ustawienia.txt", "Logowanie_timeout 3600\r\nWejscie_text Wejdz\r\nlang 0\r\nstart_page_id 20\r\n"},
  };
}

// "Users.dat" with one user of each role, made by the page manager itself.
std::string users_file() { return kal::pages::users_file({{1, "szef", "tajne", 1}, {2, "jan", "haslo", 2}}); }

Server::Options with_users(bool users) {
  Server::Options o;
  o.files = templates();
  if (users) o.files.emplace_back("dat/Users.dat", users_file());
  return o;
}

// The page (UTF-8) holds the text (Windows-1250, as this file's literals).
bool has(const HttpReply& r, const std::string& text) {
  return kal::pages::page_text(r.body).find(text) != std::string::npos;
}

std::string code_of(const HttpReply& r) {
  const std::size_t at = r.body.find(" code=");
  if (at == std::string::npos) return "";
  return r.body.substr(at + 6, r.body.find(';', at) - at - 6);
}

// Logs in through the form; the new session code ("" when refused).
std::string log_in(Server& s, const std::string& name, const std::string& password) {
  return code_of(s.post("/login.htm", "user_name=" + name + "&user_pass=" + password));
}

std::string file_text(const std::string& path) {
  std::string text;
  kal::read_file(path, text);
  return text;
}

}  // namespace

TEST(MagesE2E, LogInPageWhileNoUserExistsAndTheEntryButton) {
  Server s(with_users(false));
  ASSERT_TRUE(s.start()) << s.log();
  HttpReply r = s.get("/");
  EXPECT_EQ(r.status, 200);
  // The settings came from the install directory.
  EXPECT_TRUE(has(r, "[login0]\n[login Wejdz;]\n</BODY></HTML>\n")) << r.body;
  EXPECT_TRUE(has(r, "[menu admin]"));

  // The entry button logs in as admin and opens the start page of the
  // settings (the help page here).
  r = s.post("/login.htm", "action=Wejdz");
  EXPECT_TRUE(has(r, "[body user=admin code=")) << r.body;
  EXPECT_EQ(code_of(r).size(), 32u);
  EXPECT_TRUE(has(r, "[pomoc]"));
  EXPECT_FALSE(has(r, "[login"));
  EXPECT_EQ(s.stop(), 0) << s.log();
}

TEST(MagesE2E, ImagesStyleSheetAndLanguage) {
  Server s(with_users(false));
  ASSERT_TRUE(s.start()) << s.log();
  const std::string logo = file_text(KAL_SOURCE_DIR "/data/img/LOGO.JPG");
  ASSERT_FALSE(logo.empty());
  HttpReply r = s.get("/LOGO.JPG");
  EXPECT_EQ(r.status, 200);
  ASSERT_NE(r.header("Content-Type"), nullptr);
  EXPECT_EQ(*r.header("Content-Type"), "image/jpeg");
  EXPECT_EQ(*r.header("Content-Length"), std::to_string(logo.size()));
  EXPECT_TRUE(r.body == logo) << "the image's bytes, untouched";
  EXPECT_EQ(s.get("/barcode/00.jpg").body, file_text(KAL_SOURCE_DIR "/data/img/barcode/00.jpg"));

  r = s.get("/styl.css");
  EXPECT_EQ(*r.header("Content-Type"), "text/css");
  EXPECT_EQ(r.body, "BODY { color: #123456; }\n");

  r = s.get("/?lang=en");
  EXPECT_EQ(*r.header("Content-Type"), "text/html; charset=UTF-8");
  EXPECT_TRUE(has(r, "charset=UTF-8\">")) << r.body;
  EXPECT_TRUE(has(r, "<SCRIPT src=\"help_en.js\""));
  EXPECT_TRUE(has(r, "management software system"));
  EXPECT_NE(("\r\n" + file_text(s.file("ustawienia.txt"))).find("\r\nlang 1\r\n"), std::string::npos)
      << file_text(s.file("ustawienia.txt"));
  // The language holds for the requests that follow, until one changes it.
  EXPECT_TRUE(has(s.get("/"), "<SCRIPT src=\"help_en.js\""));
  r = s.get("/?lang=cs");
  EXPECT_TRUE(has(r, "charset=UTF-8\">"));
  EXPECT_TRUE(has(r, "<SCRIPT src=\"help.js\""));
  EXPECT_EQ(s.stop(), 0) << s.log();
}

TEST(MagesE2E, BuiltInStyleSheetWithoutAFile) {
  Server::Options o;
  o.data_dir = "";
  Server s(o);
  ASSERT_TRUE(s.start()) << s.log();
  HttpReply r = s.get("/styl.css");
  EXPECT_EQ(r.status, 200);
  EXPECT_NE(r.body.find("font: 8pt Arial;"), std::string::npos) << r.body;
  EXPECT_EQ(s.stop(), 0) << s.log();
}

TEST(MagesE2E, LogInLogOutAndWrongPasswords) {
  Server s(with_users(true));
  ASSERT_TRUE(s.start()) << s.log();
  const std::string code = log_in(s, "jan", "haslo");
  ASSERT_EQ(code.size(), 32u) << s.log();
  HttpReply r = s.get("/?sess_code=" + code + "&n_20=x");
  EXPECT_TRUE(has(r, "[body user=jan code=" + code + ";]")) << r.body;
  EXPECT_TRUE(has(r, "[menu worker]"));
  EXPECT_TRUE(has(r, "[pomoc]"));

  r = s.get("/wyloguj.htm?sess_code=" + code + "&n_20=x");
  EXPECT_TRUE(has(r, "[login Wejdz;]")) << r.body;
  EXPECT_FALSE(has(r, "[pomoc]"));
  r = s.get("/?sess_code=" + code + "&n_20=x");
  EXPECT_TRUE(has(r, "[login Wejdz;]"));
  EXPECT_FALSE(has(r, "[pomoc]"));

  r = s.post("/login.htm", "user_name=jan&user_pass=zle");
  EXPECT_TRUE(has(r, "Z\xb3" "e has\xb3o u\xbfytkownika jan !")) << r.body;
  EXPECT_TRUE(has(r, "[body user= code=;]"));
  r = s.post("/login.htm", "user_name=%3Cscript%3Ex&user_pass=a");
  EXPECT_TRUE(has(r, "U\xbfytkownik &lt;script&gt;x nie istnieje !")) << r.body;
  EXPECT_FALSE(has(r, "<script>"));
  // With users, the entry button of an empty installation logs nobody in.
  r = s.post("/login.htm", "action=Wejdz");
  EXPECT_TRUE(has(r, "[body user= code=;]"));

  // The password is kept as a hash, and in no session file.
  EXPECT_EQ(s.stop(), 0) << s.log();
  int session_files = 0;
  for (const auto& entry : fs::directory_iterator(s.install_dir())) {
    if (entry.path().filename().string().rfind("sess", 0) != 0) continue;
    ++session_files;
    EXPECT_EQ(file_text(entry.path().string()).find("haslo"), std::string::npos) << entry.path();
  }
  EXPECT_GE(session_files, 1);
}

TEST(MagesE2E, NoPageWithoutALogInWhateverTheRequestSays) {
  Server s(with_users(true));
  ASSERT_TRUE(s.start()) << s.log();
  for (const char* target : {"/?n_20=x&user_logged=1", "/?n_20=x&user_logged=1&logged_user_name=szef&Wyloguj=Wyloguj",
                             "/?n_31=e", "/?n_233=x&user_logged=1", "/?n_20=x&sess_code=QQ$sess_code&user_logged=2"}) {
    HttpReply r = s.get(target);
    EXPECT_TRUE(has(r, "[body user= code=;]\n[menu worker]\n[login Wejdz;]\n</BODY></HTML>\n")) << target << r.body;
    EXPECT_FALSE(has(r, "[pomoc]")) << target;
  }
  EXPECT_EQ(s.stop(), 0) << s.log();
}

TEST(MagesE2E, PathsOutsideTheirDirectoriesAreRefused) {
  Server::Options o = with_users(true);
  o.files.emplace_back("x.jpg", "SECRET-JPG");
  o.files.emplace_back("secret.csv", "SECRET-CSV");
  Server s(o);
  ASSERT_TRUE(s.start()) << s.log();
  for (const char* target : {"/img/../../x.jpg", "/img/%2e%2e/%2e%2e/x.jpg", "/img/..%2f..%2fx.jpg",
                             "/img/%2E%2E/%2E%2E/x.jpg", "/../secret.csv", "/dat/%2e%2e/../secret.csv"}) {
    HttpReply r = s.get(target);
    EXPECT_EQ(r.status, 403) << target;
    EXPECT_EQ(r.raw.find("SECRET"), std::string::npos) << target;
  }
  // Not a file road at all: the log-in page, nothing of the users file.
  for (const char* target : {"/../dat/Users.dat", "/%2e%2e/dat/Users.dat", "/dat/Users.dat"}) {
    HttpReply r = s.get(target);
    EXPECT_TRUE(has(r, "[login Wejdz;]")) << target;
    EXPECT_EQ(r.raw.find("argon2"), std::string::npos) << target;
  }
  EXPECT_EQ(s.stop(), 0) << s.log();
}

TEST(MagesE2E, DocumentsNeedALogInOnceUsersExist) {
  for (bool users : {true, false}) {
    SCOPED_TRACE(users ? "users" : "no users");
    Server s(with_users(users));
    ASSERT_TRUE(s.start()) << s.log();
    for (const char* target : {"/Faktura_VAT_12.pdf", "/Naprawy_list.pdf", "/Kod_kreskowy_3.pdf"}) {
      HttpReply r = s.get(target);
      // Refused without a log-in; while no user exists everybody may (the
      // document, or the document's own error for a record that is missing).
      EXPECT_EQ(r.status, users ? 403 : 200) << target;
      if (!users) {
        EXPECT_FALSE(r.body.empty()) << target;
      }
    }
    EXPECT_EQ(s.get("/wydruk.pdf").body, "");
    if (users) {
      const std::string worker = log_in(s, "jan", "haslo");
      EXPECT_EQ(s.get("/Kod_kreskowy_3.pdf?sess_code=" + worker).status, 200);
      // Invoices are open to every role; the document's own rule refuses a
      // worker who took no part in its repair, in a PDF.
      EXPECT_EQ(s.get("/Faktura_VAT_12.pdf?sess_code=" + worker).status, 200);
      const HttpReply refused = s.get("/Faktura_12.pdf?sess_code=" + worker);
      EXPECT_EQ(refused.status, 200);
      EXPECT_EQ(refused.body.rfind("%PDF", 0), 0u) << refused.body.substr(0, 300);
      const std::string admin = log_in(s, "szef", "tajne");
      EXPECT_EQ(s.get("/Faktura_VAT_12.pdf?sess_code=" + admin).status, 200);
      // No document 12: an error page, never an empty document.
      const HttpReply missing = s.get("/Faktura_12.pdf?sess_code=" + admin);
      EXPECT_NE(missing.body.find("Brak w bazie Id_Transakcje=12"), std::string::npos) << missing.body;
    }
    EXPECT_EQ(s.stop(), 0) << s.log();
  }
}

// ---- the service frame --------------------------------------------------------------

namespace {

struct Outcome {
  int rc = -1;
  std::string out;
};

// Runs kalmitor with args to its end, in the environment plus env.
Outcome run_kalmitor(const std::vector<std::string>& args, const std::vector<std::string>& env, const fs::path& dir) {
  Outcome r;
  const std::string out = (dir / "out.txt").string();
  std::vector<std::string> all = {KAL_KALMITOR_PATH};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env_texts = env;
  for (char** e = environ; *e; ++e) env_texts.emplace_back(*e);  // ours first: they win
  std::vector<char*> envp;
  for (auto& e : env_texts) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&fa, 1, 2);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) return r;
  int status = 0;
  if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) r.rc = WEXITSTATUS(status);
  r.out = file_text(out);
  return r;
}

}  // namespace

TEST(MagesE2E, InstalledParametersRunTheConsoleAndRemoveTakesTheServiceAway) {
  char tmpl[] = "/tmp/kal_svc_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const fs::path dir = tmpl;
  const std::vector<std::string> env = {"KALMITOR_REGISTRY_DIR=" + (dir / "reg").string(),
                                        "KALMITOR_SYSTEMD_DIR=" + (dir / "units").string(),
                                        "KALMITOR_RUN_DIR=" + (dir / "run").string()};
  Server::Options o = with_users(false);
  o.port = kal::e2e::free_port();
  o.command = {"-consolereg"};
  o.env = env;
  {
    Server s(o);
    const Outcome install = run_kalmitor({"-install", "HttpHost=127.0.0.1", "HttpPort=" + std::to_string(o.port),
                                      "Install_Dir=" + s.install_dir()},
                                     env, dir);
    EXPECT_EQ(install.rc, 0) << install.out;
    EXPECT_NE(install.out.find("KALMITOR installed.\n"), std::string::npos) << install.out;
    EXPECT_TRUE(fs::exists(dir / "units" / "kalmitor.service"));

    // -consolereg alone: host, port and install directory from the registry.
    ASSERT_TRUE(s.start()) << s.log();
    HttpReply r = s.get("/");
    EXPECT_TRUE(has(r, "[login Wejdz;]")) << r.body;
    EXPECT_EQ(s.stop(), 0) << s.log();
  }

  const Outcome removal = run_kalmitor({"-remove"}, env, dir);
  EXPECT_EQ(removal.rc, 0) << removal.out;
  EXPECT_FALSE(fs::exists(dir / "units" / "kalmitor.service"));
  setenv("KALMITOR_REGISTRY_DIR", (dir / "reg").c_str(), 1);
  EXPECT_NE(kal::reg_open_key("SYSTEM\\CurrentControlSet\\Services\\KALMITOR"), 0) << "the service is gone";
  // Its parameters stay for a later install.
  std::string port;
  EXPECT_EQ(kal::reg_get_value("SOFTWARE\\KALMITOR", "HttpPort", &port), 0);
  EXPECT_EQ(port, std::to_string(o.port));
  unsetenv("KALMITOR_REGISTRY_DIR");
  // A second removal fails and says why.
  EXPECT_NE(run_kalmitor({"-remove"}, env, dir).out.find("OpenService KALMITOR failed"), std::string::npos);
  std::error_code ec;
  fs::remove_all(dir, ec);
}
