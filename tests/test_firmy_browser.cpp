// The firm pages in headless Chromium against the real program: the list,
// the new-firm form typed into and confirmed, the firm shown again on its
// edit page, and a firm whose name is a script shown as text, never run.
// Screenshots go to <build directory>/browser/ for a person to look at.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/kal_browser_site.hpp"
#include "tests/kal_cdp.hpp"
#include "tests/kal_e2e.hpp"

namespace {

class FirmyBrowser : public kal::test::LoggedInBrowser {};

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
