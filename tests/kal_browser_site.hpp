// A page test in headless Chromium against the real program, logged in: the
// program is started on a fresh copy of data/ (with the test's own files),
// the entry button of an installation without users logs in as the first
// administrator, and the browser comes up.  The test is skipped where
// Chromium is not installed.  Screenshots go to <build directory>/browser/.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/kal_cdp.hpp"
#include "tests/kal_e2e.hpp"

namespace kal::test {

class LoggedInBrowser : public ::testing::Test {
 protected:
  explicit LoggedInBrowser(kal::e2e::Server::Options options = {}) : srv_(std::move(options)) {}

  void SetUp() override {
    if (kal::cdp::chromium_path().empty()) GTEST_SKIP() << "chromium is not installed (tools/deps.sh installs it)";
    ASSERT_TRUE(srv_.start()) << srv_.log();
    const auto login = srv_.post("/login.htm", "sess_code=&action=Rozpocznij%20prac%C4%99");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(login.body, m, std::regex("sess_code=([0-9a-f]{32})"))) << login.body;
    code_ = m[1];
    base_ = "http://127.0.0.1:" + std::to_string(srv_.port()) + "/";
    ASSERT_TRUE(browser_.ok()) << "the browser did not come up";
    std::error_code ec;
    std::filesystem::create_directories(kShots, ec);
  }
  void TearDown() override {
    if (srv_.running()) {
      EXPECT_EQ(srv_.stop(), 0);
    }
  }

  // The page's address with the session.
  std::string url(const std::string& page) { return base_ + page + "&sess_code=" + code_; }
  // The value of the form field of that name.
  std::string field(const std::string& name) {
    return browser_.eval("document.querySelector('[name=\"" + name + "\"]').value");
  }
  // Types the text (UTF-8) into the form field of that name.
  void type(const std::string& name, const std::string& value) {
    browser_.eval("document.querySelector('[name=\"" + name + "\"]').value = " + kal::cdp::quote(value) + "; 'ok'");
  }
  // Clicks the element the selector finds and waits for the next page.
  bool press(const std::string& selector) {
    return browser_.submit("document.querySelector('" + selector + "').click()");
  }
  // Types the texts into the form's fields and presses the button.
  bool fill_and_press(const std::vector<std::pair<std::string, std::string>>& fields, const std::string& button) {
    for (const auto& [name, value] : fields) type(name, value);
    return browser_.submit("document.querySelector('" + button + "').click()");
  }
  // The page's title cell.
  std::string title() {
    return browser_.eval("document.querySelector('td.pagetitle, TD.pagetitle').textContent.trim()");
  }
  static std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  static inline const std::string kShots = KAL_BINARY_DIR "/browser";
  kal::e2e::Server srv_;
  kal::cdp::Browser browser_;
  std::string code_, base_;
};

}  // namespace kal::test
