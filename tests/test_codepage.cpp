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
// as another letter; the standard fonts take Windows-1250 as it is.
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

// --- the program's text and UTF-8, the encoding of the pages --------------------

// The table of Windows-1250 is the one iconv has, both ways, for every byte
// iconv knows (it has no character for 81 83 88 90 98).
TEST(ProgramText, Windows1250AgreesWithIconv) {
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const std::string utf = iconv_conv("CP1250", "UTF-8", byte);
    if (b != 0 && utf.empty()) {
      EXPECT_TRUE(b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98) << b;
      EXPECT_EQ(win1250_to_unicode(static_cast<unsigned char>(b)), static_cast<unsigned>(b));
      continue;
    }
    char bytes[4];
    const unsigned code = win1250_to_unicode(static_cast<unsigned char>(b));
    if (b != 0) {
      EXPECT_EQ(std::string(bytes, utf8_encode(code, bytes)), utf) << b;
    }
    EXPECT_EQ(unicode_to_win1250(code), b);
  }
  EXPECT_EQ(unicode_to_win1250(0x0436), -1);   // ж
  EXPECT_EQ(unicode_to_win1250(0x00F1), -1);   // ñ
  EXPECT_EQ(unicode_to_win1250(0x1F600), -1);  // an emoji
}

// The program's text on a page: Windows-1250 in every UI language, and the
// UTF-8 characters the Russian and the Spanish UI keep.
TEST(ProgramText, AsUtf8InEveryUiLanguage) {
  const std::string lodz = iconv_conv("UTF-8", "CP1250", u8(u8"Łódź Żółć Gęślą Jaźń ĄŚŹąśź"));
  const std::string czech = iconv_conv("UTF-8", "CP1250", u8(kCzech.c_str()));
  const std::string german = iconv_conv("UTF-8", "CP1250", u8(u8"Größe Ärger"));
  // Upper-case Polish words whose Windows-1250 bytes happen to form UTF-8:
  // "PÓŁKA" (D3 A3) and "CZĘŚĆ" (CA 8C).
  const std::string upper = iconv_conv("UTF-8", "CP1250", u8(u8"PÓŁKA CZĘŚĆ"));
  const struct Case {
    int lang;
    std::string in;
    std::string out;
  } cases[] = {
      {0, lodz, u8(u8"Łódź Żółć Gęślą Jaźń ĄŚŹąśź")},
      {0, upper, u8(u8"PÓŁKA CZĘŚĆ")},
      {0, czech, u8(kCzech.c_str())},
      {3, czech + lodz, u8(kCzech.c_str()) + u8(u8"Łódź Żółć Gęślą Jaźń ĄŚŹąśź")},
      {2, german, u8(u8"Größe Ärger")},
      {1, "plain ASCII <b>&amp;</b>\n", "plain ASCII <b>&amp;</b>\n"},
      // Russian letters as UTF-8 are the Polish letters Đ and Ń with a sign
      // or letter after them in every UI but the Russian one.
      {0, u8(u8"Ж"), u8(u8"Đ–")},
      {7, u8(u8"Жёлтый ") + lodz, u8(u8"Жёлтый Łódź Żółć Gęślą Jaźń ĄŚŹąśź")},
      {7, upper, u8(u8"PÓŁKA CZĘŚĆ")},
      // What the Russian pages stored as UTF-8 before reads back.
      {7, u8(u8"łódź ñ"), u8(u8"łódź ñ")},
      // The Spanish texts' ñ and º are UTF-8, the data's ń Windows-1250.
      {6, "Contrase\xC3\xB1" "a N.\xC2\xBA Gda\xF1sk", u8(u8"Contraseña N.º Gdańsk")},
      {6, lodz, u8(u8"Łódź Żółć Gęślą Jaźń ĄŚŹąśź")},
      // A lead byte at the end of the text is a Windows-1250 letter.
      {7, "\xD0", u8(u8"Đ")},
      {6, "\xC3", u8(u8"Ă")},
  };
  for (const Case& c : cases) {
    LangGuard g(c.lang);
    EXPECT_EQ(win2utf8(c.in), c.out) << "lang " << c.lang << ": " << c.out;
  }
}

// What a browser sends, into the program's text: Windows-1250 where it holds
// the character, Russian letters as UTF-8 in the Russian UI, else a '?' for
// each character (and each broken one).
TEST(ProgramText, FromUtf8InEveryUiLanguage) {
  const std::string lodz = iconv_conv("UTF-8", "CP1250", u8(u8"Łódź Żółć Gęślą Jaźń"));
  const struct Case {
    int lang;
    std::string in;
    std::string out;
    std::size_t replaced;
  } cases[] = {
      {0, u8(u8"Zatwierdź"), "Zatwierd\x9F", 0},
      {0, u8(u8"Łódź Żółć Gęślą Jaźń"), lodz, 0},
      {3, u8(kCzech.c_str()), iconv_conv("UTF-8", "CP1250", u8(kCzech.c_str())), 0},
      {2, u8(u8"Größe"), "Gr\xF6\xDF" "e", 0},
      {4, u8(u8"été ça è"), "\xE9t\xE9 \xE7" "a ?", 1},
      {6, u8(u8"Año depósito"), "A?o dep\xF3sito", 1},
      {0, u8(u8"Жук 😀!"), "??? ?!", 4},
      {7, u8(u8"Жук ") + u8(u8"Łódź Żółć Gęślą Jaźń"), u8(u8"Жук ") + lodz, 0},
      {7, u8(u8"Київ 😀"), u8(u8"Ки?в ?"), 2},
      // Not UTF-8: ISO-8859-2 bytes of an old form, a cut character, an
      // over-long one, a surrogate.
      {0, "Zatwierd\xBC", "Zatwierd?", 1},
      {0, "a\xC5", "a?", 1},
      {0, "a\xC0\xAF" "b", "a?b", 1},
      {0, "\xED\xA0\x80x", "?x", 1},
      {0, "plain + & = %", "plain + & = %", 0},
  };
  for (const Case& c : cases) {
    LangGuard g(c.lang);
    std::size_t replaced = 99;
    EXPECT_EQ(utf82win(c.in, &replaced), c.out) << "lang " << c.lang << ": " << c.in;
    EXPECT_EQ(replaced, c.replaced) << "lang " << c.lang << ": " << c.in;
  }
}

// Every character of the program's text that a page shows comes back as the
// same bytes when the browser posts it, in every UI language.
TEST(ProgramText, RoundTripsThroughThePage) {
  std::string every;
  for (int b = 0x20; b < 256; ++b)
    if (b != 0x7F) every.push_back(static_cast<char>(b));
  for (int l = 0; l < 8; ++l) {
    LangGuard g(l);
    for (char c : every) EXPECT_EQ(utf82win(win2utf8(std::string(1, c))), std::string(1, c)) << "lang " << l;
  }
  LangGuard g(7);
  const std::string russian = u8(u8"ЁАБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюяё");
  EXPECT_EQ(utf82win(win2utf8(russian)), russian);
}

// The Spanish texts (ISO-8859-1) in the program's text.
TEST(ProgramText, Latin1Texts) {
  EXPECT_EQ(latin1_to_win("Contrase\xF1" "a"), "Contrase\xC3\xB1" "a");
  EXPECT_EQ(latin1_to_win("N.\xBA \xA1" "Hola!"), "N.\xC2\xBA \xC2\xA1" "Hola!");
  EXPECT_EQ(latin1_to_win("\xE1\xE9\xED\xF3\xFA\xFC\xC1\xC9\xCD\xD3\xDA\xDC"),
            "\xE1\xE9\xED\xF3\xFA\xFC\xC1\xC9\xCD\xD3\xDA\xDC");
  LangGuard g(6);
  const std::string shown = u8(u8"Características del daño");
  EXPECT_EQ(win2utf8(latin1_to_win("Caracter\xEDsticas del da\xF1o")), shown);
}
