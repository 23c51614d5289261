// A new sale in headless Chromium against the real program: started from
// the menu, a goods picked (as the goods list hands it back), its count
// typed, the line added, remarks typed and the sale confirmed; the document
// and its line are in the table files, and the page ran without a script
// error.  Screenshots go to <build directory>/browser/ for a person to look
// at.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/kal_browser_site.hpp"
#include "tests/kal_cdp.hpp"
#include "tests/kal_e2e.hpp"

namespace {

const std::string kHead = "KALMITOR 1.0 http://kalmitor.example/\r\n";

kal::e2e::Server::Options shop() {
  kal::e2e::Server::Options o;
  o.files = {{"dat/Towary.dat",
              kHead + " 1 'Filtr oleju' '' 'F1' '' '' 10.00 0.00 0.00 10.00 10.00 '' 1 1 1 0.00 0.00 0 0 0 0\r\n"}};
  return o;
}

class SaleBrowser : public kal::test::LoggedInBrowser {
 protected:
  SaleBrowser() : LoggedInBrowser(shop()) {}
};

TEST_F(SaleBrowser, ANewSaleFilledInAndConfirmed) {
  // The menu's link.
  ASSERT_TRUE(browser_.open(url("sprzedaz.htm?n_3=Nowa%20Sprzeda%C5%BC&s=1")));
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
