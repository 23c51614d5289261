// The frame-number list in headless Chromium against the real program: a
// frame number typed into a form is carried to the list page, confirmed,
// and offered by the form as the chosen entry of its drop-down; an empty
// name is refused; a name with quotes and markup is shown as text.
//
// The form is a small stand-in of the equipment form, the help page's
// template replaced by one holding the frame-number field (the placeholder
// "Serwis_ramy_select()") and the button that opens the list, returning to
// the help page (page 20).  Screenshots go to <build directory>/browser/.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/kal_browser_site.hpp"
#include "tests/kal_cdp.hpp"
#include "tests/kal_e2e.hpp"

namespace {

const char kForm[] =
    "<FORM METHOD=\"POST\" ACTION=\"sprzet.htm\">\r\n"
    "<input type=\"hidden\" name=\"sess_code\" value=\"QQ$sess_code\">\r\n"
    "<input type=\"hidden\" name=\"backhref\" value=\"n_20\">\r\n"
    "<p id=\"ramy\">QQSerwis_ramy_select()</p>\r\n"
    "<input type=\"submit\" name=\"n_92\" value=\"l\" id=\"lista\">\r\n"
    "</FORM>\r\n";

kal::e2e::Server::Options with_form() {
  kal::e2e::Server::Options o;
  o.files = {{"pomoc.htm", kForm}};
  return o;
}

class ValueListsBrowser : public kal::test::LoggedInBrowser {
 protected:
  ValueListsBrowser() : LoggedInBrowser(with_form()) {}

  std::string js(const std::string& expression) { return browser_.eval(expression); }
  static constexpr const char* kConfirm = "input[name=\"n_93\"][value=\"Zatwierd\xc5\xba\"]";
};

TEST_F(ValueListsBrowser, AFrameNumberFromTheFormJoinsItsList) {
  // The list is empty: the form's field is typed in.
  ASSERT_TRUE(browser_.open(url("pomoc.htm?n_20=x")));
  EXPECT_EQ(js("document.querySelector('#ramy input').name"), "SerwisNew_Serwis_nr_ramy");
  type("SerwisNew_Serwis_nr_ramy", "RAMA-77");
  ASSERT_TRUE(press("#lista"));

  // The list page holds the typed number as the name to add.
  EXPECT_EQ(js("document.querySelector('[name=\"Serwis_ramy_nazwa\"]').value"), "RAMA-77");
  EXPECT_EQ(js("document.querySelector('td.pagetitle, TD.pagetitle').textContent"),
            "Nr ramy serwisowanego sprz\xc4\x99tu");
  EXPECT_TRUE(browser_.screenshot(kShots + "/serwis_ramy.png"));
  ASSERT_TRUE(press(kConfirm));

  // Back on the form, the number is the chosen entry of a drop-down.
  EXPECT_EQ(js("document.querySelector('#ramy select').value"), "RAMA-77");
  EXPECT_NE(slurp(srv_.file("dat/Serwis_ramy.dat")).find(" 1 'RAMA-77' ''\r\n"), std::string::npos);
  EXPECT_TRUE(browser_.screenshot(kShots + "/serwis_ramy_form.png"));

  // An empty name is refused, and the page says why.
  ASSERT_TRUE(press("#lista"));
  type("Serwis_ramy_nazwa", "");
  ASSERT_TRUE(press(kConfirm));
  EXPECT_NE(js("document.body.textContent").find("Nazwa nie mo\xc5\xbc" "e by\xc4\x87 pusta !"), std::string::npos);
  EXPECT_EQ(js("String(document.querySelectorAll('input[name^=\"Usun_Id_Serwis_ramy.\"]').length)"), "1");

  // A name with quotes and markup: stored and shown as it was typed.
  const std::string odd = "a'\"<b>";
  type("Serwis_ramy_nazwa", odd);
  ASSERT_TRUE(press(kConfirm));
  EXPECT_EQ(js("document.querySelector('#ramy select').value"), "RAMA-77");
  EXPECT_EQ(js("Array.from(document.querySelectorAll('#ramy option')).map(o => o.textContent.trim()).join('|')"),
            odd + "|RAMA-77");
  EXPECT_EQ(js("Array.from(document.querySelectorAll('#ramy option')).map(o => o.value).join('|')"),
            odd + "|RAMA-77");
  EXPECT_EQ(js("String(document.querySelectorAll('#ramy b').length)"), "0");
  ASSERT_TRUE(press("#lista"));
  // A row's cell holds the name as text, not an element.
  EXPECT_EQ(js("String(Array.from(document.querySelectorAll('td')).some(td => td.textContent.trim() === " +
               kal::cdp::quote(odd) + " && td.children.length === 0))"),
            "true");
  EXPECT_TRUE(browser_.screenshot(kShots + "/serwis_ramy_odd_name.png"));

  // The first row's button removes its name.
  ASSERT_TRUE(press("input[name=\"n_93\"][value^=\"Usu\"]"));
  EXPECT_EQ(js("String(document.querySelectorAll('input[name^=\"Usun_Id_Serwis_ramy.\"]').length)"), "1");
  EXPECT_EQ(slurp(srv_.file("dat/Serwis_ramy.dat")).find("<b>"), std::string::npos);

  EXPECT_TRUE(browser_.dialogs().empty());
  EXPECT_TRUE(browser_.errors().empty()) << browser_.errors().front();
}

}  // namespace
