// A dictionary page in headless Chromium against the real program: the VAT
// rate list, its add button, the new rate typed in and confirmed, the same
// name refused with a link that opens the rate, the rate on its edit page.
// Screenshots go to <build directory>/browser/ for a person to look at.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/kal_browser_site.hpp"
#include "tests/kal_cdp.hpp"
#include "tests/kal_e2e.hpp"

namespace {

class DictBrowser : public kal::test::LoggedInBrowser {
 protected:
  std::string count(const std::string& selector) {
    return browser_.eval("String(document.querySelectorAll('" + selector + "').length)");
  }
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
