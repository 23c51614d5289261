// Code-page conversions, checked against iconv where a real code page is meant.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "lib/codepage.hpp"
#include "server/oo_texts.hpp"

namespace {

// Converts bytes with iconv; "" when iconv fails.
std::string iconv_conv(const char* from, const char* to, const std::string& bytes) {
  char tmpl[] = "/tmp/kal_cp_XXXXXX";
  int fd = mkstemp(tmpl);
  EXPECT_GE(fd, 0);
  FILE* f = fdopen(fd, "wb");
  fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
  std::string cmd = std::string("iconv -f ") + from + " -t " + to + " " + tmpl + " 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  EXPECT_NE(p, nullptr);
  std::string out;
  char buf[256];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int rc = pclose(p);
  unlink(tmpl);
  return rc == 0 ? out : std::string();
}

std::string u8(const char8_t* s) { return std::string(reinterpret_cast<const char*>(s)); }

class LangGuard {
 public:
  explicit LangGuard(int l) : saved_(oo_texts_get_lang()) { oo_texts_set_lang(l); }
  ~LangGuard() { oo_texts_set_lang(saved_); }

 private:
  int saved_;
};

std::string map_each(const std::string& s, char (*f)(char)) {
  std::string out = s;
  for (char& c : out) c = f(c);
  return out;
}

// Every byte 1-255.
std::string all_bytes() {
  std::string s;
  for (int i = 1; i < 256; ++i) s.push_back(static_cast<char>(i));
  return s;
}

const std::u8string kPolish = u8"ĄĆĘŁŃÓŚŹŻąćęłńóśźż";
const std::u8string kCzech = u8"ÁČĎÉĚÍŇÓŘŠŤÚŮÝŽáčďéěíňóřšťúůýž";

}  // namespace

// The letters of the UI language reach the browser and the PDF fonts as the
// ISO-8859-2 letters iconv gives, and come back as the same Windows-1250
// letters.
TEST(Codepage, LettersOfTheUiLanguageMatchIconv) {
  struct Case {
    int lang;
    std::u8string letters;
  } cases[] = {{0, kPolish}, {3, kCzech}};
  for (const auto& c : cases) {
    LangGuard g(c.lang);
    std::string utf = u8(c.letters.c_str());
    std::string win = iconv_conv("UTF-8", "CP1250", utf);
    std::string iso = iconv_conv("UTF-8", "ISO-8859-2", utf);
    ASSERT_FALSE(win.empty());
    ASSERT_EQ(win.size(), iso.size());
    EXPECT_EQ(map_each(win, win2iso), iso) << "lang " << c.lang;
    EXPECT_EQ(map_each(iso, iso2win), win) << "lang " << c.lang;
    std::string t = iso;
    EXPECT_EQ(repl_iso2win(t.data()), t.data());
    EXPECT_EQ(t, win);
    repl_win2iso(t);
    EXPECT_EQ(t, iso);
  }
}

// Only the letters of the UI language change; other letters and the other
// languages pass unchanged, so Polish and Czech letters never swap.
TEST(Codepage, OnlyTheUiLanguagesLettersChange) {
  {
    LangGuard g(0);
    EXPECT_EQ(win2iso('\xB9'), '\xB1');  // ą
    EXPECT_EQ(win2iso('\x9A'), '\x9A');  // š stays in the Polish UI
  }
  {
    LangGuard g(3);
    EXPECT_EQ(win2iso('\xB9'), '\xB9');  // ą stays in the Czech UI
    EXPECT_EQ(win2iso('\x9A'), '\xB9');  // š
    EXPECT_EQ(iso2win('\xB1'), '\xB1');
  }
  for (int l : {1, 2, 4, 5, 6, 7}) {
    LangGuard g(l);
    std::string bytes = all_bytes();
    EXPECT_EQ(map_each(bytes, win2iso), bytes) << "lang " << l;
    std::string expected = bytes;
    expected['\r' - 1] = ' ';
    EXPECT_EQ(map_each(bytes, iso2win), expected) << "lang " << l;
  }
}

// A request value may be converted again after it was stored: a second pass
// must change nothing.  CR always becomes a blank on the way in, never on the
// way out.
TEST(Codepage, ConvertingTwiceChangesNothingMore) {
  for (int l = 0; l < 8; ++l) {
    LangGuard g(l);
    std::string once = all_bytes();
    repl_iso2win(once);
    std::string twice = once;
    repl_iso2win(twice.data());
    EXPECT_EQ(once, twice) << "lang " << l;
    EXPECT_EQ(once.find('\r'), std::string::npos);
    EXPECT_EQ(win2iso('\r'), '\r');
  }
  EXPECT_EQ(repl_iso2win(static_cast<char*>(nullptr)), nullptr);
}

// In every UI language a Windows-1250 character reaches the Latin-2 PDF fonts
// as the ISO-8859-2 byte iconv gives, or, when ISO-8859-2 lacks it, as a
// Windows punctuation code of those fonts or a plain ASCII look-alike, never
// as another letter; the standard fonts take Windows-1250 as it is.  The
// Spanish UI's ordinal (0xBA of its texts) is the one byte read otherwise.
TEST(Codepage, PdfFontCodesMatchIconv) {
  EXPECT_EQ(pdf_font_codes("F4"), PdfFontCodes::kWindows1250);
  EXPECT_EQ(pdf_font_codes("F13"), PdfFontCodes::kWindows1250);
  EXPECT_EQ(pdf_font_codes("ArialL2"), PdfFontCodes::kLatin2);
  EXPECT_EQ(pdf_font_codes("CourierNewL2"), PdfFontCodes::kLatin2);
  std::string latin2(256, '\0');  // iconv's ISO-8859-2 byte, or 0 when it has none
  for (int b = 0x80; b < 256; ++b) {
    const std::string iso = iconv_conv("CP1250", "ISO-8859-2", std::string(1, static_cast<char>(b)));
    if (iso.size() == 1) latin2[static_cast<std::size_t>(b)] = iso[0];
  }
  for (int l = 0; l < 8; ++l) {
    LangGuard g(l);
    for (int b = 1; b < 256; ++b) {
      const char c = static_cast<char>(b);
      const auto font = static_cast<unsigned char>(pdf_font_char(c, PdfFontCodes::kLatin2));
      const auto standard = static_cast<unsigned char>(pdf_font_char(c, PdfFontCodes::kWindows1250));
      if (l == 6 && b == 0xBA) {
        EXPECT_EQ(font, 0xB0);  // the degree sign looks like it
        EXPECT_EQ(standard, 0x81);
        continue;
      }
      if (b < 0x80) {
        EXPECT_EQ(font, b);
      } else if (latin2[static_cast<std::size_t>(b)] != '\0') {
        EXPECT_EQ(font, static_cast<unsigned char>(latin2[static_cast<std::size_t>(b)])) << std::hex << b;
      } else {
        EXPECT_TRUE(font < 0xA0 && font != 0x81 && font != 0x83 && font != 0x88 && font != 0x98) << std::hex << b;
      }
      const bool free_byte = b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98;
      EXPECT_EQ(standard, free_byte ? '?' : b) << std::hex << b;
    }
  }
}

TEST(Codepage, LettersWithoutDiacritics) {
  std::string win = iconv_conv("UTF-8", "CP1250", u8(u8"Zażółć gęślą jaźń ĄĆĘŁŃÓŚŹŻ"));
  std::string t = win;
  repl_win2none(t.data());
  EXPECT_EQ(t, "Zazolc gesla jazn ACELNOSZZ");
  // Czech letters are not Polish and stay.
  EXPECT_EQ(win2none('\x9A'), '\x9A');
}

// The reply's output map: the Polish letters in every UI but Czech and
// Russian, the Czech ones in Czech, nothing in Russian.
TEST(Codepage, ReplyOutputMap) {
  std::string pl_win = iconv_conv("UTF-8", "CP1250", u8(kPolish.c_str()));
  std::string pl_iso = iconv_conv("UTF-8", "ISO-8859-2", u8(kPolish.c_str()));
  std::string cz_win = iconv_conv("UTF-8", "CP1250", u8(kCzech.c_str()));
  std::string cz_iso = iconv_conv("UTF-8", "ISO-8859-2", u8(kCzech.c_str()));
  for (int l : {0, 1, 2, 4, 5, 6}) {
    LangGuard g(l);
    EXPECT_EQ(map_each(pl_win, win2iso_org), pl_iso) << "lang " << l;
    EXPECT_EQ(map_each(pl_iso, iso2win_org), pl_win) << "lang " << l;
  }
  {
    LangGuard g(3);
    EXPECT_EQ(map_each(cz_win, win2iso_org), cz_iso);
    EXPECT_EQ(map_each(cz_iso, iso2win_org), cz_win);
  }
  {
    LangGuard g(7);
    EXPECT_EQ(map_each(pl_win, win2iso_org), pl_win);
    EXPECT_EQ(map_each(pl_iso, iso2win_org), pl_iso);
  }
  LangGuard g(0);
  EXPECT_EQ(iso2win_org('\r'), '\r');
}

TEST(Codepage, PolishTablesAgreeWithIconv) {
  std::string utf = u8(kPolish.c_str());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(plconv_Windows_EE), 18),
            iconv_conv("UTF-8", "CP1250", utf));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(plconv_ISO_Latin_2), 18),
            iconv_conv("UTF-8", "ISO-8859-2", utf));
}

TEST(Codepage, Mazovia) {
  LangGuard g(0);
  std::string win(reinterpret_cast<const char*>(plconv_Windows_EE), 18);
  std::string maz = "\x8F\x95\x90\x9C\xA5\xA3\x98\xA0\xA1\x86\x8D\x91\x92\xA4\xA2\x9E\xA6\xA7";
  std::string t = win + "abc";
  repl_win2maz(t.data());
  EXPECT_EQ(t, maz + "abc");
  repl_maz2win(t);
  EXPECT_EQ(t, win + "abc");
  {
    LangGuard r(7);
    EXPECT_EQ(win2maz('\xB9'), '\xB9');
    EXPECT_EQ(maz2win('\x86'), '\x86');
  }
}

// The Russian alphabet in the font Cyrylica.
TEST(Codepage, CyrillicLetters) {
  struct Case {
    const char8_t* letter;
    int code;
  } cases[] = {
      {u8"Ё", 0x4B}, {u8"Є", 0x4E}, {u8"І", 0x50}, {u8"А", 0x5A}, {u8"В", 0x5C},
      {u8"Я", 0x79}, {u8"а", 0x7A}, {u8"п", 0x89}, {u8"р", 0x8A}, {u8"ф", 0x8E},
      {u8"х", 0xD4}, {u8"ц", 0x8F}, {u8"я", 0x98}, {u8"ё", 0x9A},
      {u8"Ѕ", 0},    {u8"ђ", 0},    {u8"ą", 0},    {u8"ab", 0},
  };
  for (const auto& c : cases) {
    std::string s = u8(c.letter);
    EXPECT_EQ(is_cyrylica(s.c_str()), c.code) << s;
  }
  EXPECT_EQ(is_cyrylica(""), 0);
  EXPECT_EQ(is_cyrylica("\xD0"), 0);  // a lead byte at the end of the text
}

TEST(Codepage, CharacterReferences) {
  struct Case {
    const char* text;
    char repl;
    int len;
  } cases[] = {
      {"&#169; 2013", 'c', 6}, {"&#8222;x", '"', 7}, {"&#8211;", '-', 7},
      {"&#8221;", '"', 7},     {"&amp;", 0, 0},      {"&#822", 0, 0},
      {"", 0, 0},
  };
  for (const auto& c : cases) {
    int len = -1;
    EXPECT_EQ(is_html_char(c.text, &len), c.repl) << c.text;
    EXPECT_EQ(len, c.len) << c.text;
  }
  EXPECT_EQ(is_az('a') + is_az('Z') + is_az('0') + is_az('\xB9'), 2);
}
