// The compiler turns the UTF-8 sources into the code page each text needs.
// Check the bytes of a few literals against iconv.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

extern const char encoding_spanish_sample[];
extern const char encoding_russian_sample[];

namespace {

std::string iconv_to(const char* charset, const std::string& utf8) {
  char tmpl[] = "/tmp/kal_enc_XXXXXX";
  int fd = mkstemp(tmpl);
  EXPECT_GE(fd, 0);
  FILE* f = fdopen(fd, "wb");
  fwrite(utf8.data(), 1, utf8.size(), f);
  fclose(f);
  std::string cmd = std::string("iconv -f UTF-8 -t ") + charset + " " + tmpl;
  FILE* p = popen(cmd.c_str(), "r");
  EXPECT_NE(p, nullptr);
  std::string out;
  char buf[256];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  EXPECT_EQ(pclose(p), 0);
  remove(tmpl);
  return out;
}

std::string from_u8(const char8_t* s) { return std::string(reinterpret_cast<const char*>(s)); }

}  // namespace

TEST(Encoding, PolishAndCzechLiteralsAreWindows1250) {
  struct Case {
    const char* compiled;
    const char8_t* utf8;
  } cases[] = {
      {"ąćęłńóśźżĄĆĘŁŃÓŚŹŻ", u8"ąćęłńóśźżĄĆĘŁŃÓŚŹŻ"},
      {"Zażółć gęślą jaźń", u8"Zażółć gęślą jaźń"},
      {"ěščřžýáíéůúďťň ĚŠČŘŽÝÁÍÉŮÚĎŤŇ", u8"ěščřžýáíéůúďťň ĚŠČŘŽÝÁÍÉŮÚĎŤŇ"},
      {"Größe Übersicht", u8"Größe Übersicht"},
  };
  for (const auto& c : cases) {
    std::string expected = iconv_to("CP1250", from_u8(c.utf8));
    EXPECT_EQ(std::string(c.compiled), expected) << reinterpret_cast<const char*>(c.utf8);
  }
  // A few bytes spelled out, so that a broken iconv cannot hide a fault.
  EXPECT_EQ(std::string("ąĄśŚźŹ"), std::string("\xB9\xA5\x9C\x8C\x9F\x8F"));
}

TEST(Encoding, SpanishLiteralsAreLatin1) {
  std::string expected = iconv_to("ISO-8859-1", from_u8(u8"Año, niño, señor"));
  EXPECT_EQ(std::string(encoding_spanish_sample), expected);
  EXPECT_NE(std::string(encoding_spanish_sample).find('\xF1'), std::string::npos);
}

TEST(Encoding, RussianLiteralsStayUtf8) {
  // (kept out of the macro: gtest would quote the Cyrillic text as a plain literal)
  const std::string expected = from_u8(u8"Счёт-фактура №");
  EXPECT_EQ(std::string(encoding_russian_sample), expected);
}
