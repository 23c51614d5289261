// The UI text table: which ids each language has, the bytes of its texts in
// the code page the language is served in, and the Polish rewording by the
// settings.
#include <gtest/gtest.h>
#include <iconv.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "server/oo_texts.hpp"
#include "server/texts.hpp"
#include "server/texts_table.hpp"

namespace {

enum { PL, EN, DE, CS, FR, IT, ES, RU };
const char* const kLangCode[] = {"pl", "en", "de", "cs", "fr", "it", "es", "ru"};

struct LangGuard {
  explicit LangGuard(int l) { oo_texts_set_lang(l); }
  ~LangGuard() { oo_texts_set_lang(0); }
};

// Converts with glibc's iconv; nullopt when the input is not valid in `from`.
std::optional<std::string> convert(const char* from, const char* to, const std::string& in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    ADD_FAILURE() << "iconv_open " << from << " -> " << to;
    return std::nullopt;
  }
  std::string out(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  std::size_t src_left = in.size();
  char* dst = out.data();
  std::size_t dst_left = out.size();
  const std::size_t rc = iconv(cd, &src, &src_left, &dst, &dst_left);
  iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1)) return std::nullopt;
  out.resize(out.size() - dst_left);
  return out;
}

std::string from_u8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

std::string raw(int language, int id) {
  const char* t = kal::text_of(language, id);
  return t ? t : "";
}

// printf conversions in order: "%s", "%ld", and a stray '%' with what follows.
std::vector<std::string> conversions(const std::string& s) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') continue;
    std::size_t j = i + 1;
    while (j < s.size() && std::string_view("-+ #0123456789.lhzjt").find(s[j]) != std::string_view::npos) ++j;
    out.push_back(s.substr(i, j - i + (j < s.size() ? 1 : 0)));
    i = j;
  }
  return out;
}

std::vector<std::string> html_tags(const std::string& s) {
  std::vector<std::string> out;
  for (std::size_t i = s.find('<'); i != std::string::npos; i = s.find('<', i + 1)) {
    const std::size_t e = s.find('>', i);
    out.push_back(s.substr(i, e == std::string::npos ? std::string::npos : e - i + 1));
  }
  return out;
}

std::string leading_white(const std::string& s) { return s.substr(0, s.find_first_not_of(" \t\n")); }
std::string trailing_white(const std::string& s) {
  const std::size_t e = s.find_last_not_of(" \t\n");
  return e == std::string::npos ? s : s.substr(e + 1);
}

std::set<int> ids(std::initializer_list<int> l) { return std::set<int>(l); }

}  // namespace

TEST(TextTable, EachLanguageHasItsTextsGapsAndEmptyTexts) {
  // ids that no language has
  std::set<int> unused = {128, 148, 149, 150};
  for (int id = 256; id <= 263; ++id) unused.insert(id);
  const std::set<int> empty_en_it = {55, 61, 79, 80, 81, 152, 153};
  std::set<int> empty_rest = empty_en_it;
  empty_rest.insert({103, 137});

  struct Expect {
    int language;
    std::set<int> missing;  // besides the unused ids
    std::set<int> empty;
  } expects[] = {
      {PL, ids({252}), ids({61})},          {EN, ids({117, 118}), empty_en_it},
      {DE, ids({4, 117, 118}), empty_rest}, {CS, ids({4, 117, 118}), empty_rest},
      {FR, ids({4, 117, 118}), empty_rest}, {IT, ids({4, 117, 118}), empty_en_it},
      {ES, ids({4, 117, 118}), empty_rest}, {RU, ids({4, 117, 118}), empty_rest},
  };
  for (const Expect& e : expects) {
    std::set<int> missing, empty;
    for (int id = 0; id < kal::kTextIds; ++id) {
      const char* t = kal::text_of(e.language, id);
      if (!t)
        missing.insert(id);
      else if (!*t)
        empty.insert(id);
    }
    std::set<int> want_missing = unused;
    want_missing.insert(e.missing.begin(), e.missing.end());
    EXPECT_EQ(missing, want_missing) << kLangCode[e.language];
    EXPECT_EQ(empty, e.empty) << kLangCode[e.language];
  }
}

TEST(Tr, GivesEmptyTextWhereThereIsNone) {
  {
    LangGuard g(PL);
    EXPECT_STREQ(tr(252), "");
    EXPECT_STREQ(tr(128), "");
    EXPECT_STREQ(tr(366), "");
    EXPECT_STREQ(tr(-1), "");
    EXPECT_STREQ(tr(0), "Adres");
    EXPECT_STREQ(tr(365), "Wybrany lekarz w innym gabinecie");
  }
  {
    LangGuard g(EN);
    EXPECT_STREQ(tr(117), "");
    EXPECT_STREQ(tr(252), "Put out date");
  }
  {
    LangGuard g(DE);
    EXPECT_STREQ(tr(4), "");
    EXPECT_STREQ(tr(0), "Adresse");
  }
  // A language number stored from outside the valid range has no texts.
  for (int bad : {8, -1, 100}) {
    lang = bad;
    EXPECT_STREQ(tr(0), "") << bad;
  }
  lang = 0;
}

TEST(Tr, PolishTextsAreWindows1250) {
  LangGuard g(PL);
  // Between them these texts hold every Polish small letter and the capitals
  // the table uses.
  const struct {
    int id;
    const char* bytes;
  } cases[] = {
      {35, "Czy\x9C\xE6 w\xB3" "a\x9C" "ciciela"},  // ś ć ł
      {199, "pa\x9F" "dziernik"},                   // ź
      {193, "kwiecie\xF1"},                         // ń
      {124, "Nowa Sprzeda\xBF"},                    // ż
      {226, "tylko dost\xEApne"},                   // ę
      {47, "Powr\xF3t do Naprawy"},                 // ó
      {332, "pi\xEA\xE6" "dziesi\xB9t"},            // ą
      {94, "\x8C" "cie\xBF" "ka do pliku"},         // Ś
      {176, "      DOW\xD3" "D PRZYJ\xCA" "CIA SPRZ\xCATU DO NAPRAWY  nr"},  // Ó Ę
      {181, "Z G \xA3 O S Z E N I E  R E K L A M A C Y J N E do naprawy nr"},  // Ł
  };
  for (const auto& c : cases) EXPECT_EQ(std::string(tr(c.id)), std::string(c.bytes)) << c.id;

  // The same through an independent converter, for a few texts with escapes.
  const struct {
    int id;
    const char8_t* utf8;
  } u8cases[] = {
      {1, u8"Firma o nazwie %s już istnieje w bazie !\n"},
      {137, u8"E:\\KALMITOR\\kopie"},
      {273, u8"Niezależnie od automatycznych kopi zaleca się ręczne robienie kopi zapasowych na płyty CD lub "
            u8"DVD każdego pierwszego dnia miesiąca"},
  };
  for (const auto& c : u8cases) EXPECT_EQ(convert("UTF-8", "CP1250", from_u8(c.utf8)), std::string(tr(c.id))) << c.id;
}

TEST(Tr, SpanishAndRussianKeepTheirOwnEncoding) {
  {
    // Kept in ISO-8859-1; handed out as the program's text, where ñ and º,
    // which Windows-1250 lacks, are UTF-8 (the F1 of ñ would read as ń).
    LangGuard g(ES);
    EXPECT_EQ(std::string(kal::text_of(ES, 297)), "Contrase\xF1" "a");
    EXPECT_EQ(std::string(tr(297)), "Contrase\xC3\xB1" "a");
    EXPECT_EQ(std::string(tr(180)), "Caracter\xEDsticas del da\xC3\xB1o");
    EXPECT_EQ(std::string(tr(17)), "N.\xC2\xBA Gadu-Gadu:");
    EXPECT_EQ(std::string(tr(0)), "Direcci\xF3n");
  }
  {
    LangGuard g(RU);
    const std::string address = from_u8(u8"Адрес"), yes = from_u8(u8"да");
    EXPECT_EQ(std::string(tr(0)), address);
    EXPECT_EQ(std::string(tr(0)), "\xD0\x90\xD0\xB4\xD1\x80\xD0\xB5\xD1\x81");
    EXPECT_EQ(std::string(tr(140)), yes);
  }
}

// Every text of every language, byte by byte: the code page the language is
// served in, and no byte that the browser's code page or the way back from a
// form would change.
TEST(TextTable, EveryTextObeysTheByteLimitsOfItsLanguage) {
  // Polish letters whose Windows-1250 and ISO-8859-2 codes differ; only Polish
  // and Czech may use them.
  const std::string polish_only = "\xA5\xB9\x8C\x8F\x9C\x9F";
  // ISO-8859-2 codes of those letters: a posted form value with one of them
  // comes back as the Windows-1250 letter, so a caption holding one would
  // never match again.
  const std::string round_trip = "\xA1\xA6\xAC\xB1\xB6\xBC";

  for (int language = 0; language < kal::kTextLanguages; ++language) {
    for (int id = 0; id < kal::kTextIds; ++id) {
      const std::string t = raw(language, id);
      SCOPED_TRACE(std::string(kLangCode[language]) + " " + std::to_string(id));
      for (unsigned char c : t) ASSERT_TRUE(c == '\n' || (c >= 0x20 && c != 0x7F)) << "control byte " << int(c);
      const bool has_high = std::any_of(t.begin(), t.end(), [](unsigned char c) { return c >= 0x80; });
      switch (language) {
        case PL:
        case CS:
          EXPECT_TRUE(convert("CP1250", "UTF-8", t).has_value()) << "not Windows-1250";
          break;
        case EN:
        case IT:
          EXPECT_FALSE(has_high) << "not ASCII";
          break;
        case DE:
        case FR: {
          const auto as_win = convert("CP1250", "UTF-8", t);
          const auto as_latin1 = convert("ISO-8859-1", "UTF-8", t);
          ASSERT_TRUE(as_win.has_value());
          EXPECT_EQ(*as_win, *as_latin1) << "reads differently in Windows-1250 and ISO-8859-1";
          EXPECT_EQ(t.find_first_of(polish_only + round_trip), std::string::npos);
          break;
        }
        case ES:
          for (unsigned char c : t) EXPECT_FALSE(c >= 0x80 && c <= 0x9F) << "not ISO-8859-1 text: " << int(c);
          EXPECT_EQ(t.find_first_of(polish_only + round_trip), std::string::npos);
          break;
        case RU: {
          // UTF-8 is passed through unchanged; the printouts' Cyrillic font
          // carries ASCII and the Cyrillic block up to U+045F.
          const auto u32 = convert("UTF-8", "UTF-32LE", t);
          ASSERT_TRUE(u32.has_value()) << "not UTF-8";
          for (std::size_t i = 0; i + 3 < u32->size(); i += 4) {
            const uint32_t cp = uint8_t((*u32)[i]) | uint8_t((*u32)[i + 1]) << 8 | uint8_t((*u32)[i + 2]) << 16;
            EXPECT_TRUE(cp < 0x80 || (cp >= 0x400 && cp <= 0x45F)) << std::hex << cp;
          }
          break;
        }
      }
    }
  }
}

TEST(Translations, KeepPlaceholdersLineEndsMarkupAndSurroundingBlanks) {
  for (int language : {DE, CS, FR, IT, ES, RU}) {
    for (int id = 0; id < kal::kTextIds; ++id) {
      const std::string pl = raw(PL, id), t = raw(language, id);
      if (pl.empty() || t.empty()) continue;
      if (language == IT && id == 137) continue;  // follows the English blank, not the Polish path
      SCOPED_TRACE(std::string(kLangCode[language]) + " " + std::to_string(id) + ": " + t);
      EXPECT_EQ(conversions(t), conversions(pl));
      EXPECT_EQ(std::count(t.begin(), t.end(), '\n'), std::count(pl.begin(), pl.end(), '\n'));
      EXPECT_EQ(trailing_white(t), trailing_white(pl));
      EXPECT_EQ(leading_white(t), leading_white(pl));
      EXPECT_EQ(html_tags(t), html_tags(pl));
    }
  }
}

TEST(Translations, PlaceholderCheckSeesAMismatch) {
  EXPECT_EQ(conversions("a %s b %ld c [%]"), (std::vector<std::string>{"%s", "%ld", "%]"}));
  EXPECT_NE(conversions("%ld %s"), conversions("%s %ld"));
  EXPECT_EQ(html_tags("a<br>b<BR>"), (std::vector<std::string>{"<br>", "<BR>"}));
}

TEST(Tr, TextsOtherModulesReadAsData) {
  // The printouts' font, the empty-money text in the UI's decimal separator,
  // the template file names and the "required" mark of the custom fields.
  const char* const font[] = {"ArialL2", "ArialL2", "ArialL2", "ArialL2", "F4", "F4", "F4", "ArialL2"};
  const char* const zero[] = {"0,00", "0.00", "0.00", "0,00", "0,00", "0,00", "0,00", "0,00"};
  for (int l = 0; l < kal::kTextLanguages; ++l) {
    LangGuard g(l);
    EXPECT_STREQ(tr(359), font[l]) << kLangCode[l];
    EXPECT_STREQ(tr(34), zero[l]) << kLangCode[l];
    EXPECT_STREQ(tr(216), "KartaGwarancyjna.txt") << kLangCode[l];
    EXPECT_STREQ(tr(217), "GwarancjaNaNaprawe.txt") << kLangCode[l];
    EXPECT_STREQ(tr(218), "ProtokolNaprawyGwarancyjnej.txt") << kLangCode[l];
    EXPECT_STREQ(tr(79), l == PL ? "1" : "") << kLangCode[l];
  }
}

namespace {

const char* g_setting_value = nullptr;  // nullptr: the setting is absent
const char* lookup(const char* key) {
  if (std::string(key) == "tr_Faktura_VAT_nr" && g_setting_value) return g_setting_value;
  return key;
}

}  // namespace

TEST(TrPolishSettings, BillWordingReplacesTheInvoiceTexts) {
  g_setting_value = nullptr;
  const struct {
    int id;
    const char* invoice;
    const char* bill;
  } cases[] = {
      {39, "Faktura", "Rachunek"},
      {116, "podpis i pieczęć osoby upoważnionej", "podpis i pieczęć osoby upoważnionej"},
      {117, "do odbioru faktury VAT", "do odbioru rachunku"},
      {118, "do wystawienia faktury VAT", "do wystawienia rachunku"},
      {119, "Fakturę wystawia", "Rachunek wystawia"},
      {122, "Lista sprzedaży i faktur", "Lista sprzedaży i rachunków"},
      {133, "Wydruk Faktury", "Wydruk rachunku"},
      {134, "Wydrukowano Fakturę", "Wydrukowano rachunek"},
      {151, "Wystaw Fakturę", "Wystaw rachunek"},
      {246, "Faktura VAT nr", "Rachunek nr"},
      {254, "podpis osoby upoważnionej", "podpis osoby upoważnionej"},
      {267, "konieczne dla wydruków dokumentów i faktur", "konieczne dla wydruków dokumentów i rachunków"},
      {40, "Forma płatności:", "Forma płatności:"},
      {247, "oryginał / kopia", "oryginał / kopia"},
      {252, "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_STREQ(kal::tr_pl(c.id, lookup, 0), c.invoice) << c.id;
    EXPECT_STREQ(kal::tr_pl(c.id, lookup, 1), c.bill) << c.id;
  }
  EXPECT_STREQ(kal::tr_pl(366, lookup, 1), "");
}

TEST(TrPolishSettings, InvoiceHeadingSettingComesFirst) {
  g_setting_value = "Faktura nr";
  EXPECT_EQ(kal::tr_pl(246, lookup, 0), g_setting_value);  // the store's own text
  EXPECT_EQ(kal::tr_pl(246, lookup, 1), g_setting_value);
  EXPECT_STREQ(kal::tr_pl(39, lookup, 1), "Rachunek");  // no other id is touched
  EXPECT_STREQ(kal::tr_pl(133, lookup, 0), "Wydruk Faktury");

  g_setting_value = "";  // an empty setting rewords nothing
  EXPECT_STREQ(kal::tr_pl(246, lookup, 0), "Faktura VAT nr");
  EXPECT_STREQ(kal::tr_pl(246, lookup, 1), "Rachunek nr");
  g_setting_value = nullptr;
  EXPECT_STREQ(kal::tr_pl(246, nullptr, 0), "Faktura VAT nr");

  // Other languages keep their heading.
  g_setting_value = "Faktura nr";
  LangGuard g(EN);
  EXPECT_STREQ(tr(246), "Invoice no");
  g_setting_value = nullptr;
}

TEST(C2cname, TransliteratesPolishLettersAndReplacesOtherBytes) {
  const std::string polish = "ąćęłńóśżźĄĆĘŁŃÓŚŻŹ";
  std::string buf = polish + "az AZ 09\r\n-.\xE9\x80" "ü";
  ASSERT_EQ(text2cname(buf.data()), 0);
  EXPECT_EQ(buf, "acelnoszzACELNOSZZaz_AZ_09\r\n_____");
  EXPECT_EQ(c2cname('\xAF'), 'Z');  // Ż
  EXPECT_EQ(c2cname(' '), '_');
  EXPECT_EQ(c2cname('\0'), '_');
  EXPECT_EQ(text2cname(nullptr), 0);
}

namespace {

struct TempDir {
  TempDir() {
    char tmpl[] = "/tmp/kal_texts_XXXXXX";
    path = mkdtemp(tmpl);
    old = std::filesystem::current_path();
    std::filesystem::current_path(path);
  }
  ~TempDir() {
    std::filesystem::current_path(old);
    std::filesystem::remove_all(path);
  }
  std::filesystem::path path, old;
};

std::string slurp(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

}  // namespace

TEST(File2cname, CopiesThroughTheTransliteration) {
  TempDir dir;
  std::string in = "Łódź\r\nZażółć gęślą jaźń\n";
  in += std::string(5000, '\xB9');  // more than one read
  std::ofstream(dir.path / "in.txt", std::ios::binary) << in;
  EXPECT_EQ(file2cname(), 0);
  EXPECT_EQ(slurp(dir.path / "out.txt"), "Lodz\r\nZazolc_gesla_jazn\n" + std::string(5000, 'a'));
}

TEST(File2cname, ReportsFilesItCannotOpen) {
  TempDir dir;
  testing::internal::CaptureStdout();
  EXPECT_EQ(file2cname(), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Can't open file in.txt to read !\n");

  std::ofstream(dir.path / "in.txt") << "x";
  std::filesystem::create_directory(dir.path / "out.txt");
  testing::internal::CaptureStdout();
  EXPECT_EQ(file2cname(), -2);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Can't open file out.txt to write !\n");
}
