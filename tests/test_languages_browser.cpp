// Every UI language in headless Chromium against the real program, as a new
// user tries it: a list page, a form typed into and saved through its confirm
// button (the record in the table file, byte for byte as the Polish pages
// store it), a firm named with every Polish letter shown on the list and on
// its edit page, and the language's own letters in its captions.  What is
// checked is the text as the browser renders it, not the bytes it got.
// Screenshots go to <build directory>/browser/ for a person to look at.
//
// Plain literals of this file are compiled as Windows-1250: they are the
// bytes of the table files.  What the browser shows and what is typed into it
// is written as u8 literals.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tests/kal_browser_site.hpp"
#include "tests/kal_cdp.hpp"
#include "tests/kal_e2e.hpp"
#include "tests/kal_pages.hpp"

namespace {

std::string str(const char8_t* s) { return reinterpret_cast<const char*>(s); }

struct Language {
  const char* code;
  int setting;                  // the setting "lang"
  const char8_t* payments;      // title of the payment methods' list
  const char8_t* firm_page;     // title of a firm's edit page
  const char8_t* password;      // caption of the password on the new user's form
  const char8_t* typed;         // a payment method typed into its form
  std::string stored;           // its bytes in the table file
};

// Test names tell the language; the rest is in the table.
void PrintTo(const Language& l, std::ostream* os) { *os << l.code; }

// The firm, typed as UTF-8 and stored in Windows-1250.
const std::string kFirm = str(u8"Łódź Żółć Gęślą Jaźń");
const std::string kFirmStored = "Łódź Żółć Gęślą Jaźń";

const Language kLanguages[] = {
    {"pl", 0, u8"Formy płatności", u8"Kontrahent i serwisowany sprzęt", u8"Hasło", u8"Przelew ŁĄCZONY ąę",
     "Przelew ŁĄCZONY ąę"},
    {"en", 1, u8"Payment methods", u8"Contractor and equipment", u8"Password", u8"Transfer Śląsk", "Transfer Śląsk"},
    {"de", 2, u8"Zahlungsarten", u8"Geschäftspartner und Servicegeräte", u8"Passwort", u8"Überweisung größer Łódź",
     "Überweisung größer Łódź"},
    {"cs", 3, u8"Formy úhrady", u8"Obchodní partner a servisované zařízení", u8"Heslo", u8"Převod účtů Źródło",
     "Převod účtů Źródło"},
    {"fr", 4, u8"Modes de paiement", u8"Tiers et équipement suivi", u8"Mot de passe", u8"Virement été ça Ćma",
     "Virement été ça Ćma"},
    {"it", 5, u8"Metodi di pagamento", u8"Anagrafica e apparecchiature in assistenza", u8"Password",
     u8"Bonifico Żuraw", "Bonifico Żuraw"},
    {"es", 6, u8"Formas de pago", u8"Tercero y equipos en servicio", u8"Contraseña", u8"Depósito Gdańsk",
     "Depósito Gdańsk"},
    {"ru", 7, u8"Формы оплаты", u8"Контрагент и обслуживаемое оборудование", u8"Пароль", u8"Наличные Łódź",
     str(u8"Наличные ") + "Łódź"},
};

// The shipped settings with the UI language set.
std::string settings_with_language(int language) {
  std::string s = kal::pages::read_file(KAL_SOURCE_DIR "/data/ustawienia.txt");
  const std::size_t at = s.find("\nlang 0\r\n");
  if (at != std::string::npos) s.replace(at, 9, "\nlang " + std::to_string(language) + "\r\n");
  return s;
}

kal::e2e::Server::Options options(const Language& l) {
  kal::e2e::Server::Options o;
  o.files = {{"ustawienia.txt", settings_with_language(l.setting)}};
  return o;
}

class LanguagesBrowser : public kal::test::LoggedInBrowser, public ::testing::WithParamInterface<Language> {
 protected:
  LanguagesBrowser() : LoggedInBrowser(options(GetParam())) {}
  std::string shot(const char* page) { return kShots + "/lang_" + GetParam().code + "_" + page + ".png"; }
  std::string text_of(const std::string& selector) {
    return browser_.eval("document.querySelector('" + selector + "').textContent");
  }
};

TEST_P(LanguagesBrowser, ListFormSaveAndPolishDataInTheLanguage) {
  const Language& l = GetParam();
  const std::string confirm = str(u8"Zatwierdź");

  // A list page, its add button, the form typed into and confirmed.
  ASSERT_TRUE(browser_.open(url("p.htm?n_66=l")));
  EXPECT_EQ(title(), str(l.payments));
  ASSERT_TRUE(browser_.submit("document.querySelector('input[name=\"n_67\"]').click()"));
  EXPECT_EQ(field("Formy_platnosci_nazwa"), "");
  EXPECT_TRUE(browser_.screenshot(shot("payment_form")));
  ASSERT_TRUE(fill_and_press({{"Formy_platnosci_nazwa", str(l.typed)}},
                             "input[name=\"n_67\"][value=\"" + confirm + "\"]"));
  const std::string payments = slurp(srv_.file("dat/Formy_platnosci.dat"));
  EXPECT_NE(payments.find(" 3 '" + l.stored + "'\r\n"), std::string::npos) << payments;
  // Back on the list, which shows it as it was typed.
  EXPECT_EQ(title(), str(l.payments));
  EXPECT_EQ(text_of("a[href*=\"Formy_platnosci_Id=3&\"]"), str(l.typed));
  EXPECT_TRUE(browser_.screenshot(shot("payments")));

  // A firm named with every Polish letter, through the firm form's confirm
  // button, then on the list and on its edit page.
  ASSERT_TRUE(browser_.open(url("firmy.htm?n_10=l")));
  ASSERT_TRUE(browser_.submit("document.querySelector('input[name=\"n_9\"]').click()"));
  ASSERT_TRUE(fill_and_press({{"Firmy_nazwa", kFirm}, {"Firmy_miasto", str(u8"Bielsko-Biała")}},
                             "input[name=\"n_9\"][value=\"" + confirm + "\"]"));
  const std::string firms = slurp(srv_.file("dat/Firmy.dat"));
  EXPECT_NE(firms.find(" 3 '" + kFirmStored + "' '' '' '' '' 'Bielsko-Biała'"), std::string::npos) << firms;
  ASSERT_TRUE(browser_.open(url("firmy.htm?n_10=l")));
  EXPECT_EQ(text_of("a[href*=\"Firmy_Id=3&\"]"), kFirm);
  EXPECT_TRUE(browser_.screenshot(shot("firms")));
  ASSERT_TRUE(browser_.submit("document.querySelector('a[href*=\"Firmy_Id=3&\"]').click()"));
  EXPECT_EQ(title(), str(l.firm_page));
  EXPECT_EQ(field("Firmy_nazwa"), kFirm);
  EXPECT_EQ(field("Firmy_miasto"), str(u8"Bielsko-Biała"));
  EXPECT_TRUE(browser_.screenshot(shot("firm")));

  // The new user's form: the password's caption in the language's letters.
  ASSERT_TRUE(browser_.open(url("p.htm?n_235=n")));
  EXPECT_EQ(browser_.eval("String(Array.from(document.querySelectorAll('td.fieldname'))"
                          ".some(td => td.textContent.trim() === " +
                          kal::cdp::quote(str(l.password) + ":") + "))"),
            "true");

  EXPECT_TRUE(browser_.dialogs().empty()) << browser_.dialogs().front();
  EXPECT_TRUE(browser_.errors().empty()) << browser_.errors().front();
}

INSTANTIATE_TEST_SUITE_P(EveryUiLanguage, LanguagesBrowser, ::testing::ValuesIn(kLanguages),
                         [](const ::testing::TestParamInfo<Language>& i) { return std::string(i.param.code); });

}  // namespace
