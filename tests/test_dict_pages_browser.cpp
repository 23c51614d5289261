// A dictionary page in headless Chromium against the real program: the VAT
// rate list, its add button, the new rate typed in and confirmed, the same
// name refused with a link that opens the rate, the rate on its edit page.
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

class DictBrowser : public ::testing::Test {
 protected:
  void SetUp() override {
    if (kal::cdp::chromium_path().empty()) GTEST_SKIP() << "chromium is not installed (tools/deps.sh installs it)";
    ASSERT_TRUE(srv_.start()) << srv_.log();
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
  std::string count(const std::string& selector) {
    return browser_.eval("String(document.querySelectorAll('" + selector + "').length)");
  }
  bool fill_and_press(const std::vector<std::pair<std::string, std::string>>& fields, const std::string& button) {
    for (const auto& [name, value] : fields)
      browser_.eval("document.querySelector('[name=\"" + name + "\"]').value = " + kal::cdp::quote(value) + "; 'ok'");
    return browser_.submit("document.querySelector('" + button + "').click()");
  }
  std::string title() { return browser_.eval("document.querySelector('td.pagetitle').textContent.trim()"); }

  kal::e2e::Server srv_;
  kal::cdp::Browser browser_;
  std::string code_, base_;
};

TEST_F(DictBrowser, VatRateListNewRateAndItsEditPage) {
  ASSERT_TRUE(browser_.open(url("p.htm?n_72=l")));
  EXPECT_EQ(title(), "Stawki VAT");
  EXPECT_EQ(count("a[href*=\"n_74=e\"]"), "5");
  EXPECT_TRUE(browser_.screenshot(kShots + "/stawki_vat_list.png"));

  // The add button opens an empty form.
  ASSERT_TRUE(browser_.submit("document.querySelector('input[name=\"n_73\"]').click()"));
  EXPECT_EQ(title(), "VAT");
  EXPECT_EQ(field("Stawki_VAT_nazwa"), "");
  const std::string zatwierdz = "input[name=\"n_73\"][value=\"Zatwierd\xc5\xba\"]";
  ASSERT_TRUE(fill_and_press({{"Stawki_VAT_nazwa", "7% <ulga>"}, {"Stawki_VAT_procent", "7"}}, zatwierdz));
  // Back on the list, which shows the new rate; the file holds it.
  EXPECT_EQ(title(), "Stawki VAT");
  EXPECT_EQ(count("a[href*=\"n_74=e\"]"), "6");
  EXPECT_EQ(browser_.eval("document.querySelector('a[href*=\"Stawki_VAT_Id=6&\"]').textContent"), "7% <ulga>");
  EXPECT_NE(slurp(srv_.file("dat/Stawki_VAT.dat")).find(" 6 '7% <ulga>' '7'\r\n"), std::string::npos);

  // The same name again: refused, the message links to the rate.
  ASSERT_TRUE(browser_.submit("document.querySelector('input[name=\"n_73\"]').click()"));
  ASSERT_TRUE(fill_and_press({{"Stawki_VAT_nazwa", "7% <ulga>"}, {"Stawki_VAT_procent", "7"}}, zatwierdz));
  EXPECT_EQ(field("Stawki_VAT_nazwa"), "7% <ulga>");
  EXPECT_TRUE(browser_.screenshot(kShots + "/stawki_vat_refused.png"));
  ASSERT_TRUE(browser_.submit("document.querySelector('font a[href*=\"Stawki_VAT_Id=6&\"]').click()"));
  EXPECT_EQ(field("Stawki_VAT_Id"), "6");
  EXPECT_EQ(field("Stawki_VAT_procent"), "7");
  EXPECT_EQ(count("input[name=\"n_74\"]"), "3");
  EXPECT_TRUE(browser_.screenshot(kShots + "/stawki_vat_edit.png"));

  // A changed rate, confirmed, is in the file.
  ASSERT_TRUE(fill_and_press({{"Stawki_VAT_procent", "7,5"}}, "input[name=\"n_74\"][value=\"Zatwierd\xc5\xba\"]"));
  EXPECT_NE(slurp(srv_.file("dat/Stawki_VAT.dat")).find(" 6 '7% <ulga>' '7,5'\r\n"), std::string::npos);
  EXPECT_TRUE(browser_.dialogs().empty());
  EXPECT_TRUE(browser_.errors().empty()) << browser_.errors().front();
}

}  // namespace
