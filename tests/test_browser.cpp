// The pages in a real browser: headless Chromium loads the log-in page, the
// start page after log-in and the help page of the real kalmitor running on a
// copy of data/, and the date picker of each help script on a page of its
// own.  Screenshots go to <build directory>/browser/ for a person to look at;
// the tests check the rendered document (--dump-dom) and that the browser
// reported no script error, failed load or other console message.
//
// Chromium comes from tools/deps.sh (Debian's "chromium"); without it the
// tests are skipped.  KAL_CHROMIUM names another browser binary.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <regex>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "tests/kal_e2e.hpp"

extern char** environ;

namespace {

namespace fs = std::filesystem;

const std::string kData = KAL_SOURCE_DIR "/data";
const std::string kShots = KAL_BINARY_DIR "/browser";

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string chromium_path() {
  if (const char* env = std::getenv("KAL_CHROMIUM"); env && *env) return env;
  for (const char* p : {"/usr/bin/chromium", "/usr/bin/chromium-browser", "/usr/lib/chromium/chromium"})
    if (::access(p, X_OK) == 0) return p;
  return "";
}

// One run of headless Chromium with a fresh profile.
struct Browser {
  struct Result {
    int status = -1;
    std::string out;       // standard output (the document for --dump-dom)
    std::string err;       // its log
    std::string console;   // the lines of console messages in the log
  };

  explicit Browser(std::string exe) : exe_(std::move(exe)) {
    char tmpl[] = "/tmp/kal_browser_XXXXXX";
    if (::mkdtemp(tmpl)) dir_ = tmpl;
  }
  ~Browser() {
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
  }
  Browser(const Browser&) = delete;
  Browser& operator=(const Browser&) = delete;

  const std::string& dir() const { return dir_; }

  Result run(const std::vector<std::string>& extra, int timeout_s = 90) {
    Result r;
    const std::string profile = dir_ + "/profile" + std::to_string(++runs_);
    const std::string out = dir_ + "/out.txt", err = dir_ + "/err.txt";
    std::vector<std::string> args = {exe_,
                                     "--headless",
                                     "--no-sandbox",
                                     "--disable-gpu",
                                     "--disable-quic",
                                     "--no-first-run",
                                     "--disable-background-networking",
                                     "--disable-component-update",
                                     "--disable-sync",
                                     "--disable-dev-shm-usage",
                                     "--user-data-dir=" + profile,
                                     "--enable-logging=stderr",
                                     "--v=0",
                                     "--hide-scrollbars",
                                     "--window-size=1280,900"};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);  // its own group, ended as one
    posix_spawnattr_setpgroup(&attr, 0);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &fa, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) return r;

    int st = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_s);
    for (;;) {
      pid_t w = ::waitpid(pid, &st, WNOHANG);
      if (w == pid) {
        r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        break;
      }
      if (std::chrono::steady_clock::now() > deadline) {
        ::kill(-pid, SIGKILL);
        ::waitpid(pid, &st, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    // Helper processes of the browser that outlived it.
    ::kill(-pid, SIGKILL);
    r.out = slurp(out);
    r.err = slurp(err);
    std::istringstream lines(r.err);
    for (std::string line; std::getline(lines, line);)
      if (line.find(":CONSOLE") != std::string::npos || line.find("Uncaught") != std::string::npos)
        r.console += line + "\n";
    std::error_code ec;
    fs::remove_all(profile, ec);
    return r;
  }

  Result dump(const std::string& url) { return run({"--dump-dom", url}); }

  // A screenshot into the build directory; the run's result.
  Result screenshot(const std::string& url, const std::string& name) {
    std::error_code ec;
    fs::create_directories(kShots, ec);
    const std::string path = kShots + "/" + name;
    fs::remove(path, ec);
    return run({"--screenshot=" + path, url});
  }

 private:
  std::string exe_, dir_;
  int runs_ = 0;
};

#define REQUIRE_CHROMIUM(var)                                                            \
  const std::string var = chromium_path();                                               \
  if (var.empty()) GTEST_SKIP() << "chromium is not installed (tools/deps.sh installs it)"

// The text of <pre id="out"> in a dumped document.
std::string out_text(const std::string& dom) {
  std::smatch m;
  static const std::regex pre(R"re(<pre id="out">([\s\S]*?)</pre>)re");
  return std::regex_search(dom, m, pre) ? m[1].str() : std::string();
}

std::string unescape_amp(std::string s) {
  for (std::size_t i; (i = s.find("&amp;")) != std::string::npos;) s.replace(i, 5, "&");
  return s;
}

// --- the date picker ------------------------------------------------------------------

// A page with two date fields that opens the calendar on the first, checks
// its month, goes a month on, picks the 20th, then opens the calendar on the
// empty second field, picks today and closes a third calendar with Escape.
std::string picker_page(const std::string& script, const std::string& value) {
  return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><script src=\"" + script +
         "\"></script></head>\n"
         "<body><form><input name=\"d\" value=\"" +
         value +
         "\"><input name=\"e\" value=\"\"></form><pre id=\"out\"></pre>\n"
         "<script>\n"
         "window.addEventListener('load', function () {\n"
         "  var out = [], f = document.forms[0];\n"
         "  function box() { return document.querySelector('.kcal'); }\n"
         "  show_calendar('document.forms[0].d', f.d.value);\n"
         "  out.push('month=' + box().getAttribute('data-month'));\n"
         "  out.push('title=' + box().querySelector('.kcal-title').textContent);\n"
         "  out.push('selected=' + box().querySelector('.kcal-day.sel').getAttribute('data-date'));\n"
         "  box().querySelector('.kcal-next').click();\n"
         "  out.push('next=' + box().getAttribute('data-month'));\n"
         "  box().querySelector('[data-date=\"2026-04-20\"]').click();\n"
         "  out.push('value=' + f.d.value);\n"
         "  out.push('closed=' + (box() === null));\n"
         "  show_calendar('document.forms[0].e', f.e.value);\n"
         "  box().querySelector('.kcal-today').click();\n"
         "  out.push('today=' + f.e.value);\n"
         "  show_calendar('document.forms[0].d', f.d.value);\n"
         "  document.dispatchEvent(new KeyboardEvent('keydown', {key: 'Escape'}));\n"
         "  out.push('escape=' + (box() === null));\n"
         "  document.getElementById('out').textContent = out.join('\\n') + '\\n';\n"
         "});\n"
         "</script></body></html>\n";
}

TEST(BrowserDatePicker, PicksDatesInTheFieldsOwnForm) {
  REQUIRE_CHROMIUM(exe);
  Browser browser(exe);
  ASSERT_FALSE(browser.dir().empty());
  struct Case {
    const char* script;
    const char* value;
    const char* title;   // of March 2026, UTF-8
    const char* picked;  // the 20th of April 2026 written back
    const char* today;   // the form of a date picked into an empty field
  } cases[] = {
      {"help.js", "15.03.2026", "Marzec 2026", "20.04.2026", R"(\d\d\.\d\d\.\d{4})"},
      {"help_en.js", "03/15/2026", "March 2026", "04/20/2026", R"(\d\d/\d\d/\d{4})"},
      // English scripts serve every other language too, whose dates read
      // day first.
      {"help_en.js", "15.03.2026", "March 2026", "20.04.2026", R"(\d\d/\d\d/\d{4})"},
      {"help_de.js", "15.03.2026 10:30:00", "M\xc3\xa4rz 2026", "20.04.2026 10:30:00", R"(\d\d\.\d\d\.\d{4})"},
      {"help_de.js", "2026-03-15", "M\xc3\xa4rz 2026", "2026-04-20", R"(\d\d\.\d\d\.\d{4})"},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.script) + " " + c.value);
    const std::string page = browser.dir() + "/picker" + std::to_string(++n) + ".html";
    std::ofstream(page) << picker_page("file://" + kData + "/" + c.script, c.value);
    const auto r = browser.dump("file://" + page);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.console, "");
    const std::string out = out_text(r.out);
    ASSERT_FALSE(out.empty()) << r.out;
    EXPECT_NE(out.find("month=2026-03\n"), std::string::npos) << out;
    EXPECT_NE(out.find("title=" + std::string(c.title) + "\n"), std::string::npos) << out;
    EXPECT_NE(out.find("selected=2026-03-15\n"), std::string::npos) << out;
    EXPECT_NE(out.find("next=2026-04\n"), std::string::npos) << out;
    EXPECT_NE(out.find("value=" + std::string(c.picked) + "\n"), std::string::npos) << out;
    EXPECT_NE(out.find("closed=true\n"), std::string::npos) << out;
    EXPECT_TRUE(std::regex_search(out, std::regex("today=" + std::string(c.today) + "\n"))) << out;
    EXPECT_NE(out.find("escape=true\n"), std::string::npos) << out;
  }
}

// --- the pages of the real program ----------------------------------------------------

TEST(BrowserPages, LogInStartAndHelpPagesRenderCleanly) {
  REQUIRE_CHROMIUM(exe);
  kal::e2e::Server srv;
  ASSERT_TRUE(srv.start()) << srv.log();
  const auto home = srv.get("/");
  if (home.body.find("<BODY data-user=") == std::string::npos)
    GTEST_SKIP() << "the program does not serve the page templates of data/ (no page dispatcher yet)";
  Browser browser(exe);
  const std::string base = "http://127.0.0.1:" + std::to_string(srv.port());

  // Nobody logged in ("user_logged" 0, or unset in a session without a
  // code), no users yet: the entry button and the log-in form, no menu.
  const std::regex logged_out(R"re(<body data-user="0?">)re");
  auto shot = browser.screenshot(base + "/", "login.png");
  EXPECT_EQ(shot.status, 0) << shot.err;
  EXPECT_EQ(shot.console, "");
  EXPECT_GT(fs::file_size(kShots + "/login.png"), 5000u);
  auto dom = browser.dump(base + "/");
  ASSERT_EQ(dom.status, 0) << dom.err;
  EXPECT_EQ(dom.console, "");
  EXPECT_TRUE(std::regex_search(dom.out, logged_out));
  EXPECT_NE(dom.out.find("name=\"user_name\""), std::string::npos);
  EXPECT_NE(dom.out.find("name=\"user_pass\""), std::string::npos);
  // The page's ISO-8859-2 reached the browser as the right letters.
  EXPECT_NE(dom.out.find("value=\"Rozpocznij prac\xc4\x99\""), std::string::npos);
  EXPECT_NE(dom.out.find("U\xc5\xbcytkownik"), std::string::npos);

  // The entry button logs in as the first administrator and opens the start
  // page; its links carry the new session code.
  const auto login = srv.post("/login.htm", "sess_code=&action=Rozpocznij%20prac%C4%99");
  ASSERT_EQ(login.status, 200);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(login.body, m, std::regex(R"re(class="brand" href="([^"]+)")re"))) << login.body;
  const std::string start = unescape_amp(m[1]);
  ASSERT_TRUE(std::regex_search(start, m, std::regex("sess_code=([0-9A-Za-z]+)"))) << start;
  const std::string code = m[1];

  shot = browser.screenshot(base + "/" + start, "start.png");
  EXPECT_EQ(shot.status, 0) << shot.err;
  EXPECT_EQ(shot.console, "");
  dom = browser.dump(base + "/" + start);
  ASSERT_EQ(dom.status, 0) << dom.err;
  EXPECT_EQ(dom.console, "");
  EXPECT_FALSE(std::regex_search(dom.out, logged_out));
  EXPECT_NE(dom.out.find("<nav class=\"menu\">"), std::string::npos);
  EXPECT_NE(dom.out.find("<span class=\"user\">admin</span>"), std::string::npos);
  EXPECT_NE(dom.out.find("href=\"wyloguj.htm?sess_code=" + code + "\">Wyloguj</a>"), std::string::npos);
  EXPECT_NE(dom.out.find("naprawy.htm?n_6=l&amp;s=&amp;sess_code=" + code + "\">Lista zlece\xc5\x84</a>"),
            std::string::npos);

  // The help page from the menu.
  const std::string help = "pomoc.htm?n_20=l&sess_code=" + code;
  shot = browser.screenshot(base + "/" + help, "pomoc.png");
  EXPECT_EQ(shot.status, 0) << shot.err;
  EXPECT_EQ(shot.console, "");
  dom = browser.dump(base + "/" + help);
  EXPECT_EQ(dom.console, "");
  EXPECT_NE(dom.out.find("<h1>Pomoc</h1>"), std::string::npos);

  // The browser fetched the style sheet, the script and the icon.
  const std::string log = srv.log();
  for (const char* path : {"GET /styl.css", "GET /help.js", "GET /favicon.ico"})
    EXPECT_NE(log.find(path), std::string::npos) << path;

  // Logging out leads back to the log-in page.
  dom = browser.dump(base + "/wyloguj.htm?sess_code=" + code);
  EXPECT_EQ(dom.console, "");
  EXPECT_TRUE(std::regex_search(dom.out, logged_out));
  EXPECT_NE(dom.out.find("name=\"user_pass\""), std::string::npos);
  EXPECT_EQ(dom.out.find("<span class=\"user\">admin</span>"), std::string::npos);
  EXPECT_EQ(srv.stop(), 0);
}

}  // namespace
