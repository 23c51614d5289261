// The firm pages in headless Chromium against the real program: the list,
// the new-firm form typed into and confirmed, the firm shown again on its
// edit page, and a firm whose name is a script shown as text, never run.
// Screenshots go to <build directory>/browser/ for a person to look at.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "tests/kal_cdp.hpp"
#include "tests/kal_e2e.hpp"

namespace {

namespace fs = std::filesystem;

const std::string kShots = KAL_BINARY_DIR "/browser";

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class FirmyBrowser : public ::testing::Test {
 protected:
  void SetUp() override {
    if (kal::cdp::chromium_path().empty()) GTEST_SKIP() << "chromium is not installed (tools/deps.sh installs it)";
    ASSERT_TRUE(srv_.start()) << srv_.log();
    // No user yet: the entry button logs in as the first administrator.
    const auto login = srv_.post("/login.htm", "sess_code=&action=Rozpocznij%20prac%EA");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(login.body, m, std::regex("sess_code=([0-9a-f]{32})"))) << login.body;
    code_ = m[1];
    base_ = "http://127.0.0.1:" + std::to_string(srv_.port()) + "/";
    ASSERT_TRUE(browser_.ok()) << "the browser did not come up";
    std::error_code ec;
    fs::create_directories(kShots, ec);
  }
  void TearDown() override {
    if (srv_.running()) {
      EXPECT_EQ(srv_.stop(), 0);
    }
  }

  std::string url(const std::string& page) { return base_ + page + "&sess_code=" + code_; }
  std::string field(const std::string& name) {
    return browser_.eval("document.querySelector('[name=\"" + name + "\"]').value");
  }
  // Types the texts into the form's fields (UTF-8) and presses the button.
  bool fill_and_press(const std::vector<std::pair<std::string, std::string>>& fields, const std::string& button) {
    for (const auto& [name, value] : fields)
      browser_.eval("document.querySelector('[name=\"" + name + "\"]').value = " + kal::cdp::quote(value) + "; 'ok'");
    return browser_.submit("document.querySelector('" + button + "').click()");
  }
  std::string title() {
    return browser_.eval("document.querySelector('td.pagetitle, TD.pagetitle').textContent.trim()");
  }

  kal::e2e::Server srv_;
  kal::cdp::Browser browser_;
  std::string code_, base_;
};

TEST_F(FirmyBrowser, ListNewFirmAndItsEditPage) {
  ASSERT_TRUE(browser_.open(url("firmy.htm?n_10=l")));
  EXPECT_EQ(title(), "Lista kontrahent\xc3\xb3w");
  EXPECT_TRUE(browser_.screenshot(kShots + "/firmy_list.png"));

  // The list's button to the new-firm form.
  ASSERT_TRUE(browser_.submit("document.querySelector('input[name=\"n_9\"]').click()"));
  EXPECT_EQ(title(), "Wprowadzanie nowego kontrahenta");
  const std::string name = "Zak\xc5\x82" "ad \xc5\x9arubka \"Z\xc5\xbc\" & syn";  // Zakład Śrubka "Zż" & syn
  ASSERT_TRUE(fill_and_press({{"Firmy_nazwa", name},
                              {"Firmy_NIP", "725-111-22-33"},
                              {"Firmy_ulica", "ul. Wsch\xc3\xb3" "dnia 7"},
                              {"Firmy_kod_pocztowy", "90-001"},
                              {"Firmy_miasto", "\xc5\x81\xc3\xb3" "d\xc5\xba"},
                              {"Firmy_telefon", "42 555 12 34"}},
                             "input[name=\"n_9\"][value=\"Zatwierd\xc5\xba\"]"));
  // The firm is in the table file (Windows-1250), after the own firm and the
  // retail customer of the shipped data.
  const std::string dat = slurp(srv_.file("dat/Firmy.dat"));
  EXPECT_NE(dat.find(" 3 'Zak\xb3" "ad \x8crubka \"Z\xbf\" & syn' '' '725-111-22-33' 'ul. Wsch\xf3" "dnia 7' '90-001' "
                     "'\xa3\xf3" "d\x9f'"),
            std::string::npos)
      << dat;

  // Found in the list, and its link opens it for editing.
  ASSERT_TRUE(browser_.open(url("firmy.htm?n_10=l")));
  EXPECT_EQ(browser_.eval("String(document.querySelectorAll('a[href*=\"n_19=e\"]').length)"), "3");
  ASSERT_TRUE(browser_.submit("document.querySelector('a[href*=\"Firmy_Id=3&\"]').click()"));
  EXPECT_EQ(title(), "Kontrahent i serwisowany sprz\xc4\x99t");
  EXPECT_EQ(field("Firmy_nazwa"), name);
  EXPECT_EQ(field("Firmy_miasto"), "\xc5\x81\xc3\xb3" "d\xc5\xba");
  EXPECT_EQ(field("Firmy_Id"), "3");
  EXPECT_TRUE(browser_.screenshot(kShots + "/firma_edit.png"));

  // A changed phone, confirmed on the edit page, is in the file.
  ASSERT_TRUE(fill_and_press({{"Firmy_telefon", "42 000 00 00"}},
                             "input[name=\"n_19\"][value=\"Zatwierd\xc5\xba\"]"));
  EXPECT_NE(slurp(srv_.file("dat/Firmy.dat")).find("'42 000 00 00'"), std::string::npos);
  EXPECT_TRUE(browser_.dialogs().empty());
  EXPECT_TRUE(browser_.errors().empty()) << browser_.errors().front();
}

TEST_F(FirmyBrowser, AScriptInAFirmNameIsShownAsText) {
  const std::string script = "<script>alert(1)</script>";
  ASSERT_TRUE(browser_.open(url("firma.htm?n_9=Nowy%20Kontrahent")));
  ASSERT_TRUE(fill_and_press({{"Firmy_nazwa", script}, {"Firmy_miasto", "<img src=x onerror=alert(2)>"}},
                             "input[name=\"n_9\"][value=\"Zatwierd\xc5\xba\"]"));

  ASSERT_TRUE(browser_.open(url("firmy.htm?n_10=l")));
  EXPECT_EQ(browser_.eval("document.querySelector('a[href*=\"Firmy_Id=3&\"]').textContent"), script);
  EXPECT_EQ(browser_.eval("String(document.querySelectorAll('img[src=x]').length)"), "0");
  EXPECT_TRUE(browser_.screenshot(kShots + "/firmy_script_name.png"));

  ASSERT_TRUE(browser_.open(url("firma_3.htm?n_19=e&Firmy_Id=3")));
  EXPECT_EQ(field("Firmy_nazwa"), script);
  EXPECT_EQ(field("Firmy_miasto"), "<img src=x onerror=alert(2)>");
  // The hidden fields that hand the firm to a new repair hold it as text too.
  EXPECT_EQ(field("Wlasciciel.Firmy_nazwa"), script);

  EXPECT_TRUE(browser_.dialogs().empty()) << browser_.dialogs().front();
  EXPECT_TRUE(browser_.errors().empty()) << browser_.errors().front();
}

}  // namespace
