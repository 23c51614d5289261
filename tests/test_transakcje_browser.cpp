// A new sale in headless Chromium against the real program: started from
// the menu, a goods picked (as the goods list hands it back), its count
// typed, the line added, remarks typed and the sale confirmed; the document
// and its line are in the table files, and the page ran without a script
// error.  Screenshots go to <build directory>/browser/ for a person to look
// at.
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
const std::string kHead = "KALMITOR 1.0 http://kalmitor.example/\r\n";

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

kal::e2e::Server::Options shop() {
  kal::e2e::Server::Options o;
  o.files = {{"dat/Towary.dat",
              kHead + " 1 'Filtr oleju' '' 'F1' '' '' 10.00 0.00 0.00 10.00 10.00 '' 1 1 1 0.00 0.00 0 0 0 0\r\n"}};
  return o;
}

class SaleBrowser : public ::testing::Test {
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
  void type(const std::string& name, const std::string& value) {
    browser_.eval("document.querySelector('[name=\"" + name + "\"]').value = " + kal::cdp::quote(value) + "; 'ok'");
  }

  kal::e2e::Server srv_{shop()};
  kal::cdp::Browser browser_;
  std::string code_, base_;
};

TEST_F(SaleBrowser, ANewSaleFilledInAndConfirmed) {
  // The menu's link.
  ASSERT_TRUE(browser_.open(url("sprzedaz.htm?n_3=Nowa%20Sprzeda%BF&s=1")));
  EXPECT_EQ(field("Transakcje_Id_Firmy"), "2");
  const std::string numer = field("Transakcje_numer");
  EXPECT_TRUE(std::regex_match(numer, std::regex("1/FV/[0-9]{4}"))) << numer;

  // The goods list hands the picked goods back; its gross price fills the
  // price field.
  ASSERT_TRUE(browser_.open(url("p?n_3=n&Towary_transakcje_Id_Towary=1")));
  EXPECT_EQ(field("Towary_transakcje_cena"), "12,30");
  type("Towary_transakcje_liczba_sztuk", "2");
  ASSERT_TRUE(browser_.submit("document.querySelector('input[name=\"n_3\"][value=\"Dodaj\"]').click()"));
  EXPECT_EQ(browser_.eval("String(document.body.innerText.indexOf('Filtr oleju') >= 0)"), "true");
  EXPECT_EQ(field("Transakcje_laczna_wartosc"), "24,60");
  EXPECT_TRUE(browser_.screenshot(kShots + "/sprzedaz_nowa.png"));

  type("Transakcje_uwagi", "P\xc5\x82" "atne przy odbiorze");  // Płatne przy odbiorze
  ASSERT_TRUE(browser_.submit("document.querySelector('input[name=\"n_3\"][value=\"Zatwierd\xc5\xba\"]').click()"));
  EXPECT_NE(browser_.eval("document.querySelector('td.pagetitle, TD.pagetitle').textContent"),
            "");
  EXPECT_EQ(browser_.eval("String(document.body.innerText.indexOf(" + kal::cdp::quote(numer) + ") >= 0)"), "true");
  EXPECT_TRUE(browser_.screenshot(kShots + "/sprzedaz_lista.png"));

  const std::string docs = slurp(srv_.file("dat/Transakcje.dat"));
  EXPECT_NE(docs.find(" 1 '" + numer + "' "), std::string::npos) << docs;
  EXPECT_NE(docs.find(" 24.60 'P\xb3" "atne przy odbiorze' 2 1 "), std::string::npos) << docs;
  EXPECT_NE(slurp(srv_.file("dat/Towary_transakcje.dat")).find(" 1 1 1 12.30 2.00 "), std::string::npos);
  EXPECT_TRUE(browser_.dialogs().empty());
  EXPECT_TRUE(browser_.errors().empty()) << browser_.errors().front();
}

}  // namespace
