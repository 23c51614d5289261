// The goods catalogue in headless Chromium against the real program: the
// list, a new goods typed in with its gross price worked out by the price
// button and confirmed, the list sorted by a header button, and a goods
// whose name is markup shown as text.  Screenshots go to
// <build directory>/browser/ for a person to look at.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/kal_browser_site.hpp"
#include "tests/kal_cdp.hpp"
#include "tests/kal_e2e.hpp"

namespace {

class CatalogueBrowser : public kal::test::LoggedInBrowser {
 protected:
  // The names of the list's rows, in order, joined by "|".
  std::string names() {
    return browser_.eval(
        "Array.from(document.querySelectorAll('a[href*=\"n_17=e\"]')).map(a => a.textContent).join('|')");
  }
};

TEST_F(CatalogueBrowser, NewGoodsWithItsGrossPriceThenSortedAndShownAsText) {
  ASSERT_TRUE(browser_.open(url("towary.htm?n_8=l")));
  EXPECT_EQ(title(), "Lista towar\xc3\xb3w/us\xc5\x82ug");

  const std::string markup = "<b>Klocki</b> & \"tarcze\"";
  for (const std::string& name : {std::string("Amortyzator"), markup}) {
    ASSERT_TRUE(press("input[name=\"n_7\"]"));
    EXPECT_EQ(title(), "Edycja towaru/us\xc5\x82ugi");
    type("Towary_nazwa", name);
    type("Towary_cena_sprzedazy", "100");
    browser_.eval("document.querySelector('[name=\"Towary_Id_Stawki_VAT\"]').value = '1'; 'ok'");
    // The price button works out the gross price on the form.
    ASSERT_TRUE(press("input[name=\"n_7\"][value=\"Na brutto\"]"));
    EXPECT_EQ(field("Towary_brutto"), "123,00");
    EXPECT_EQ(field("Towary_nazwa"), name);
    ASSERT_TRUE(press("input[name=\"n_7\"][value=\"Zatwierd\xc5\xba\"]"));
  }
  const std::string dat = slurp(srv_.file("dat/Towary.dat"));
  EXPECT_NE(dat.find("'<b>Klocki</b> & \"tarcze\"'"), std::string::npos) << dat;

  ASSERT_TRUE(browser_.open(url("towary.htm?n_8=l")));
  ASSERT_TRUE(press("button[name=\"Tsort\"][value=\"3\"]"));
  // The shipped data holds one sample model, "Samochód osobowy".
  const std::string model = "Samoch\xc3\xb3" "d osobowy";
  EXPECT_EQ(names(), "Amortyzator|" + model + "|" + markup);
  ASSERT_TRUE(press("button[name=\"Tsort\"][value=\"4\"]"));
  EXPECT_EQ(names(), markup + "|" + model + "|Amortyzator");
  EXPECT_EQ(browser_.eval("String(document.querySelectorAll('table b').length)"), "0");
  EXPECT_TRUE(browser_.screenshot(kShots + "/towary_list.png"));
  EXPECT_TRUE(browser_.dialogs().empty());
  EXPECT_TRUE(browser_.errors().empty()) << browser_.errors().front();
}

}  // namespace
