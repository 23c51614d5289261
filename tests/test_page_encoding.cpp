// Pages and form values on the wire, against the real program: every page is
// UTF-8 in every UI language, and what a browser posts (UTF-8) reaches the
// table files in the program's text, byte for byte as the Polish pages store
// it.  A character the program's text cannot hold is stored as a visible '?'.
//
// Plain literals of this file are compiled as Windows-1250: they are the
// bytes of the table files.  What a browser types is written as u8 literals.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <ostream>
#include <string>
#include <vector>

#include "tests/kal_e2e.hpp"
#include "tests/kal_pages.hpp"
#include "tests/kal_testutil.hpp"

namespace {

std::string str(const char8_t* s) { return reinterpret_cast<const char*>(s); }

// The shipped settings with the UI language set.
std::string settings_with_language(int language) {
  std::string s = kal::pages::read_file(KAL_SOURCE_DIR "/data/ustawienia.txt");
  const std::size_t at = s.find("\nlang 0\r\n");
  if (at != std::string::npos) s.replace(at, 9, "\nlang " + std::to_string(language) + "\r\n");
  return s;
}

bool is_utf8(const std::string& bytes) { return kaltest::recode("UTF-8", "UTF-16LE", bytes).has_value(); }

struct Typed {
  std::string sent;    // the bytes the browser sends (before the escaping)
  std::string stored;  // the name's bytes in the table file
  std::string shown;   // the name on the list page (UTF-8)
};

struct Language {
  const char* what;
  int setting;
  const char* query;  // added to the address of the add button's page
  std::vector<Typed> typed;
};

// Test names tell the language; the rest is in the table.
void PrintTo(const Language& l, std::ostream* os) { *os << l.what; }

const std::vector<Language>& languages() {
  static const std::vector<Language> all = {
      {"Polish",
       0,
       "",
       {{str(u8"Przelew łączony ŻÓŁĆ"), "Przelew łączony ŻÓŁĆ", str(u8"Przelew łączony ŻÓŁĆ")},
        {str(u8"Łódź Żółć Gęślą Jaźń"), "Łódź Żółć Gęślą Jaźń", str(u8"Łódź Żółć Gęślą Jaźń")},
        // Characters the program's text cannot hold: an emoji, Russian
        // letters on a Polish page, bytes that are not UTF-8 at all.
        {str(u8"Karta 😀"), "Karta ?", "Karta ?"},
        {str(u8"Наличные"), "????????", "????????"},
        {"Got\xF3wka \xFF\xBC", "Got?wka ?", "Got?wka ?"}}},
      // The address asks for English, as a user switching the language does.
      {"English", 0, "&lang=en", {{str(u8"Transfer Łódź"), "Transfer Łódź", str(u8"Transfer Łódź")}}},
      {"German",
       2,
       "",
       {{str(u8"Überweisung groß Gęślą"), "Überweisung groß Gęślą", str(u8"Überweisung groß Gęślą")}}},
      {"Czech", 3, "", {{str(u8"Převod účtů Jaźń"), "Převod účtů Jaźń", str(u8"Převod účtů Jaźń")}}},
      {"Spanish",
       6,
       "",
       {{str(u8"Depósito Año Żółć"), "Depósito A?o Żółć", str(u8"Depósito A?o Żółć")}}},
      // Russian letters are kept as UTF-8, as the Russian pages store them;
      // Polish letters as Polish pages store them.
      {"Russian",
       7,
       "",
       {{str(u8"Наличные Łódź"), str(u8"Наличные ") + "Łódź", str(u8"Наличные Łódź")},
        {str(u8"Ёжик 😀"), str(u8"Ёжик ?"), str(u8"Ёжик ?")}}},
  };
  return all;
}

class PageEncoding : public ::testing::TestWithParam<Language> {};

TEST_P(PageEncoding, PagesAreUtf8AndTypedTextIsStoredAsTheProgramsText) {
  const Language& l = GetParam();
  kal::pages::Site site({{"ustawienia.txt", settings_with_language(l.setting)}});
  ASSERT_TRUE(site.start()) << site.log();
  kal::e2e::Server& srv = site.server();
  const std::string session = "sess_code=" + site.code();

  std::uint32_t id = 3;  // after the two payment methods of the shipped data
  for (const Typed& t : l.typed) {
    SCOPED_TRACE(t.shown);
    const kal::e2e::HttpReply form = srv.get("/p.htm?n_67=Dodaj" + std::string(l.query) + "&" + session);
    ASSERT_EQ(form.status, 200);
    ASSERT_NE(form.header("Content-Type"), nullptr);
    EXPECT_EQ(*form.header("Content-Type"), "text/html; charset=UTF-8");
    EXPECT_NE(form.body.find("<META HTTP-EQUIV=\"Content-type\" CONTENT=\"text/html; charset=UTF-8\">"),
              std::string::npos);
    EXPECT_TRUE(is_utf8(form.body));
    // The confirm button's caption, as the browser shows it and posts it back.
    ASSERT_NE(form.body.find(str(u8"VALUE=\"Zatwierdź\"")), std::string::npos) << form.body;

    using kal::pages::percent_encode;
    const kal::e2e::HttpReply saved = srv.post("/p.htm", session + "&n_67=" + percent_encode(str(u8"Zatwierdź")) +
                                                             "&Formy_platnosci_nazwa=" + percent_encode(t.sent));
    ASSERT_EQ(saved.status, 200);
    EXPECT_TRUE(is_utf8(saved.body));
    const std::string record = " " + std::to_string(id) + " '" + t.stored + "'\r\n";
    const std::string dat = site.dat("Formy_platnosci");
    EXPECT_NE(dat.find(record), std::string::npos) << dat;
    const kal::e2e::HttpReply list = srv.get("/p.htm?n_66=l&" + session);
    EXPECT_TRUE(is_utf8(list.body));
    EXPECT_NE(list.body.find(">" + t.shown + "<"), std::string::npos) << list.body;
    ++id;
  }
  EXPECT_EQ(site.stop(), 0);
}

INSTANTIATE_TEST_SUITE_P(Languages, PageEncoding, ::testing::ValuesIn(languages()),
                         [](const ::testing::TestParamInfo<Language>& i) { return std::string(i.param.what); });

}  // namespace
