// A repairer picked in headless Chromium against the real program: the
// repairer list, its add button, a cost typed in, "Wybierz wykonawcę" to the
// firm list, a click on a firm, the form back with that firm and the cost,
// confirmed into the link and cost files.  Screenshots go to
// <build directory>/browser/ for a person to look at.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/kal_cdp.hpp"
#include "tests/kal_pages.hpp"

namespace {

namespace fs = std::filesystem;

const std::string kShots = KAL_BINARY_DIR "/browser";

TEST(RepairerBrowser, AFirmPickedFromTheFirmListBecomesARepairer) {
  if (kal::cdp::chromium_path().empty()) GTEST_SKIP() << "chromium is not installed (tools/deps.sh installs it)";
  kal::pages::Site site({{"dat/Firmy.dat", kal::pages::firms_file({{1, "Nasz serwis"},
                                                                    {5, "Jan <b>Kowalski</b>"},
                                                                    {6, "Anna Nowak"}})}});
  ASSERT_TRUE(site.start()) << site.log();
  kal::cdp::Browser browser;
  ASSERT_TRUE(browser.ok()) << "the browser did not come up";
  std::error_code ec;
  fs::create_directories(kShots, ec);
  const std::string base = "http://127.0.0.1:" + std::to_string(site.server().port()) + "/";
  auto eval = [&](const std::string& js) { return browser.eval(js); };
  auto title = [&] { return eval("document.querySelector('td.pagetitle, TD.pagetitle').textContent.trim()"); };

  ASSERT_TRUE(browser.open(base + "p.htm?n_60=l&sess_code=" + site.code()));
  EXPECT_EQ(title(), "Wykonawcy napraw serwisowych");
  ASSERT_TRUE(browser.submit("document.querySelector('input[name=\"n_61\"]').click()"));
  EXPECT_EQ(title(), "Wykonawca napraw serwisowych");
  eval("document.querySelector('[name=\"Serwisanci_koszty_koszt_brutto\"]').value = '12,50'; 'ok'");

  // "Wybierz wykonawcę": the firm list, whose firms link back to the form.
  ASSERT_TRUE(browser.submit("document.querySelector('input[name=\"n_10\"]').click()"));
  EXPECT_EQ(eval("String(document.querySelectorAll('a[href*=\"Naprawy_wykonawcy_Id_Firmy=5&\"]').length)"), "1");
  EXPECT_TRUE(browser.screenshot(kShots + "/wykonawca_pick.png"));
  ASSERT_TRUE(browser.submit("document.querySelector('a[href*=\"Naprawy_wykonawcy_Id_Firmy=5&\"]').click()"));

  // Back on the form: the firm's name (as text) and the cost typed before.
  EXPECT_EQ(title(), "Wykonawca napraw serwisowych");
  EXPECT_EQ(eval("document.querySelector('input[name=\"n_10\"]').closest('tr').cells[1].textContent.trim()"),
            "Jan <b>Kowalski</b>");
  EXPECT_EQ(eval("document.querySelector('[name=\"Naprawy_wykonawcy_Id_Firmy\"]').value"), "5");
  EXPECT_EQ(eval("document.querySelector('[name=\"Serwisanci_koszty_koszt_brutto\"]').value"), "12,50");
  EXPECT_TRUE(browser.screenshot(kShots + "/wykonawca_new.png"));

  ASSERT_TRUE(browser.submit("document.querySelector('input[name=\"n_61\"][value=\"Zatwierd\xc5\xba\"]').click()"));
  EXPECT_EQ(title(), "Wykonawcy napraw serwisowych");
  EXPECT_EQ(eval("document.querySelector('a[href*=\"n_62=e\"]').textContent"), "Jan <b>Kowalski</b>");
  EXPECT_EQ(site.dat("Naprawy_wykonawcy"), std::string(kal::pages::kHead) + " 1 5\r\n");
  EXPECT_TRUE(kal::pages::has(site.dat("Serwisanci_koszty"), "\r\n 1 5 0 0 12.50 ")) << site.dat("Serwisanci_koszty");
  EXPECT_TRUE(browser.dialogs().empty());
  EXPECT_TRUE(browser.errors().empty()) << browser.errors().front();
}

}  // namespace
