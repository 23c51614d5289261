// Amounts in words in every UI language, checked against hand-made tables and,
// for the languages it spells correctly, against Debian's num2words.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdio>
#include <string>
#include <vector>

#include "lib/slownie.hpp"
#include "server/oo_texts.hpp"

namespace {

enum { PL, EN, DE, CS, FR, IT, ES, RU };
const char* const kLangCode[] = {"pl", "en", "de", "cs", "fr", "it", "es", "ru"};

struct LangGuard {
  explicit LangGuard(int l) { oo_texts_set_lang(l); }
  ~LangGuard() { oo_texts_set_lang(0); }
};

std::string iconv_to_utf8(const char* from, const std::string& in) {
  iconv_t cd = iconv_open("UTF-8", from);
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
  std::string out(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  std::size_t src_left = in.size();
  char* dst = out.data();
  std::size_t dst_left = out.size();
  EXPECT_NE(iconv(cd, &src, &src_left, &dst, &dst_left), static_cast<std::size_t>(-1)) << in;
  iconv_close(cd);
  out.resize(out.size() - dst_left);
  return out;
}

// The words of a number in a language, as UTF-8.
std::string words(int language, int32_t n) {
  LangGuard g(language);
  std::string out;
  EXPECT_EQ(liczba_slownie(out, n), 0);
  if (language == RU) return out;
  return iconv_to_utf8(language == ES ? "ISO-8859-1" : "CP1250", out);
}

std::string u8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

struct Case {
  int language;
  int32_t n;
  const char8_t* words;
};

}  // namespace

TEST(LiczbaSlownie, SpellsWholeNumbersInEachLanguage) {
  const Case cases[] = {
      {PL, 0, u8"zero"},
      {PL, 21, u8"dwadzieścia jeden"},
      {PL, 100, u8"sto"},
      {PL, 115, u8"sto piętnaście"},
      {PL, 999, u8"dziewięćset dziewięćdziesiąt dziewięć"},
      {PL, 1000, u8"tysiąc"},
      {PL, 1001, u8"tysiąc jeden"},
      {PL, 2000, u8"dwa tysiące"},
      {PL, 5000, u8"pięć tysięcy"},
      {PL, 22000, u8"dwadzieścia dwa tysiące"},
      {PL, 101000, u8"sto jeden tysięcy"},
      {PL, 1000000, u8"milion"},
      {PL, 1000001, u8"milion jeden"},
      {PL, 7654321, u8"siedem milionów sześćset pięćdziesiąt cztery tysiące trzysta dwadzieścia jeden"},
      {PL, 2147483647,
       u8"dwa miliardy sto czterdzieści siedem milionów czterysta osiemdziesiąt trzy tysiące sześćset "
       u8"czterdzieści siedem"},
      // English nouns take no plural after a number, and one million is "one million".
      {EN, 21, u8"twenty one"},
      {EN, 100, u8"one hundred"},
      {EN, 101, u8"one hundred one"},
      {EN, 1000, u8"one thousand"},
      {EN, 1001, u8"one thousand one"},
      {EN, 2000, u8"two thousand"},
      {EN, 115000, u8"one hundred fifteen thousand"},
      {EN, 1000000, u8"one million"},
      {EN, 2000000, u8"two million"},
      {EN, 2000000000, u8"two billion"},
      // German: a number below a million in one word, units before tens,
      // "ein" inside it and before tausend, "eine" before Millionen.
      {DE, 21, u8"einundzwanzig"},
      {DE, 30, u8"dreißig"},
      {DE, 99, u8"neunundneunzig"},
      {DE, 100, u8"hundert"},
      {DE, 101, u8"hunderteins"},
      {DE, 121, u8"hunderteinundzwanzig"},
      {DE, 1000, u8"eintausend"},
      {DE, 1001, u8"eintausendeins"},
      {DE, 2000, u8"zweitausend"},
      {DE, 21000, u8"einundzwanzigtausend"},
      {DE, 100000, u8"einhunderttausend"},
      {DE, 101000, u8"einhunderteintausend"},
      {DE, 999999, u8"neunhundertneunundneunzigtausendneunhundertneunundneunzig"},
      {DE, 1000000, u8"eine Million"},
      {DE, 1000001, u8"eine Million eins"},
      {DE, 2500000, u8"zwei Millionen fünfhunderttausend"},
      {DE, 101000000, u8"einhunderteine Millionen"},
      {DE, 2000000000, u8"zwei Milliarden"},
      // Czech: the same forms as Polish; a billion is feminine.
      {CS, 0, u8"nula"},
      {CS, 21, u8"dvacet jedna"},
      {CS, 200, u8"dvě stě"},
      {CS, 1000, u8"tisíc"},
      {CS, 2000, u8"dva tisíce"},
      {CS, 5000, u8"pět tisíc"},
      {CS, 22000, u8"dvacet dva tisíce"},
      {CS, 3000000, u8"tři miliony"},
      {CS, 1000000000, u8"miliarda"},
      {CS, 2000000000, u8"dvě miliardy"},
      // French: "et un", the seventies and nineties, the s of vingt and cent.
      {FR, 0, u8"zéro"},
      {FR, 21, u8"vingt et un"},
      {FR, 71, u8"soixante et onze"},
      {FR, 72, u8"soixante-douze"},
      {FR, 80, u8"quatre-vingts"},
      {FR, 81, u8"quatre-vingt-un"},
      {FR, 91, u8"quatre-vingt-onze"},
      {FR, 99, u8"quatre-vingt-dix-neuf"},
      {FR, 200, u8"deux cents"},
      {FR, 201, u8"deux cent un"},
      {FR, 280, u8"deux cent quatre-vingts"},
      {FR, 1000, u8"mille"},
      {FR, 80000, u8"quatre-vingt mille"},
      {FR, 200000, u8"deux cent mille"},
      {FR, 80000000, u8"quatre-vingts millions"},
      {FR, 200000000, u8"deux cents millions"},
      // Italian: one word below a thousand, with the vowel dropped before uno
      // and otto.
      {IT, 21, u8"ventuno"},
      {IT, 23, u8"ventitre"},
      {IT, 28, u8"ventotto"},
      {IT, 101, u8"centouno"},
      {IT, 108, u8"centotto"},
      {IT, 180, u8"centottanta"},
      {IT, 1000, u8"mille"},
      {IT, 1001, u8"mille uno"},
      {IT, 2000, u8"duemila"},
      {IT, 21000, u8"ventunomila"},
      {IT, 2500, u8"duemila cinquecento"},
      {IT, 1000000, u8"un milione"},
      {IT, 2500000, u8"due milioni cinquecentomila"},
      // Spanish: veinti..., "y", cien/ciento, un before mil and millones,
      // and millions counted up to a thousand millions.
      {ES, 1, u8"uno"},
      {ES, 16, u8"dieciséis"},
      {ES, 21, u8"veintiuno"},
      {ES, 22, u8"veintidós"},
      {ES, 31, u8"treinta y uno"},
      {ES, 100, u8"cien"},
      {ES, 101, u8"ciento uno"},
      {ES, 1000, u8"mil"},
      {ES, 21000, u8"veintiún mil"},
      {ES, 31000, u8"treinta y un mil"},
      {ES, 100000, u8"cien mil"},
      {ES, 101000, u8"ciento un mil"},
      {ES, 1000000, u8"un millón"},
      {ES, 1001000, u8"un millón mil"},
      {ES, 21000000, u8"veintiún millones"},
      {ES, 1000000000, u8"mil millones"},
      {ES, 2000000000, u8"dos mil millones"},
      {ES, 1999999999,
       u8"mil novecientos noventa y nueve millones novecientos noventa y nueve mil novecientos noventa y nueve"},
      // Russian: every count spoken, thousand feminine, forms by the last digit.
      {RU, 1001, u8"одна тысяча один"},
      {RU, 2000, u8"две тысячи"},
      {RU, 11000, u8"одиннадцать тысяч"},
      {RU, 12000, u8"двенадцать тысяч"},
      {RU, 21000, u8"двадцать одна тысяча"},
      {RU, 22000, u8"двадцать две тысячи"},
      {RU, 21000000, u8"двадцать один миллион"},
      {RU, 2000000000, u8"два миллиарда"},
  };
  for (const Case& c : cases) EXPECT_EQ(words(c.language, c.n), u8(c.words)) << kLangCode[c.language] << " " << c.n;
}

TEST(LiczbaSlownie, AppendsAndSkipsNegativeNumbers) {
  std::string out = "Razem: ";
  EXPECT_EQ(liczba_slownie(out, 12), 0);
  EXPECT_EQ(out, "Razem: dwanaście");
  EXPECT_EQ(liczba_slownie(out, -5), 0);
  EXPECT_EQ(liczba_slownie(out, INT32_MIN), 0);
  EXPECT_EQ(out, "Razem: dwanaście");
}

namespace {

// num2words' words for a list of numbers, one line each.
std::vector<std::string> num2words(const char* language, const std::vector<int32_t>& numbers) {
  std::string cmd =
      "PYTHONIOENCODING=utf-8 /usr/bin/python3 -c 'import sys; from num2words import num2words; "
      "[print(num2words(int(n), lang=sys.argv[1])) for n in sys.argv[2:]]' ";
  cmd += language;
  for (int32_t n : numbers) cmd += " " + std::to_string(n);
  cmd += " 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  std::string all;
  if (p) {
    char buf[4096];
    std::size_t got;
    while ((got = fread(buf, 1, sizeof buf, p)) > 0) all.append(buf, got);
    EXPECT_EQ(pclose(p), 0) << "num2words (Debian package python3-num2words, see tools/deps.sh) failed:\n" << all;
  }
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = all.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(all.substr(start, end - start));
  return lines;
}

void replace_all(std::string& s, const std::string& what, const std::string& with) {
  for (std::size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + with.size()))
    s.replace(at, what.size(), with);
}

// What stays when the conventions of written forms are set aside: case,
// commas, hyphens and the British "and".
std::string normalized(const std::string& language, std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  replace_all(s, ",", "");
  replace_all(s, "-", " ");
  s = " " + s + " ";
  if (language == "en") replace_all(s, " and ", " ");
  if (language == "de") {
    // slips of num2words: "einhunderteinstausend", "einhunderteins Millionen"
    replace_all(s, "einstausend", "eintausend");
    replace_all(s, "eins million", "eine million");
    replace_all(s, "eins milliard", "eine milliard");
    replace_all(s, "einhundert", "hundert");  // num2words says "einhundert" where the system says "hundert"
  }
  if (language == "pl") replace_all(s, u8(u8"dzisiąt"), u8(u8"dziesiąt"));  // a spelling slip of num2words
  std::string out;
  for (char c : s)
    if (c != ' ' || (!out.empty() && out.back() != ' ')) out += c;
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

}  // namespace

TEST(LiczbaSlownie, AgreesWithNum2words) {
  const std::vector<int32_t> numbers = {0,    1,    2,     5,     11,     21,     71,      80,      91,
                                        101,  121,  200,   1000,  1001,   2000,   5000,    21000,   22000,
                                        80000, 100000, 101000, 200000, 999999, 1000000, 1000001, 2500000,
                                        101000000, 1999999999};
  for (int language : {PL, EN, DE, FR, RU}) {
    const std::vector<std::string> reference = num2words(kLangCode[language], numbers);
    ASSERT_EQ(reference.size(), numbers.size()) << kLangCode[language];
    for (std::size_t i = 0; i < numbers.size(); ++i) {
      EXPECT_EQ(normalized(kLangCode[language], words(language, numbers[i])),
                normalized(kLangCode[language], reference[i]))
          << kLangCode[language] << " " << numbers[i] << ": " << words(language, numbers[i]) << " / "
          << reference[i];
    }
  }
}

TEST(LiczbaSlownie, FormsOfTheBigUnits) {
  LangGuard g(PL);
  const struct {
    int count;
    const char* thousand;
  } cases[] = {
      {0, ""},         {-3, ""},        {1, "tysiąc"},   {2, "tysiące"},   {3, "tysiące"},  {4, "tysiące"},
      {22, "tysiące"}, {23, "tysiące"}, {104, "tysiące"}, {5, "tysięcy"},  {12, "tysięcy"}, {13, "tysięcy"},
      {21, "tysięcy"}, {25, "tysięcy"}, {100, "tysięcy"}, {101, "tysięcy"}, {111, "tysięcy"}, {112, "tysięcy"},
  };
  for (const auto& c : cases) EXPECT_STREQ(liczba_tysiecy_slownie(c.count), c.thousand) << c.count;
  EXPECT_STREQ(liczba_milionow_slownie(1), "milion");
  EXPECT_STREQ(liczba_milionow_slownie(3), "miliony");
  EXPECT_STREQ(liczba_milionow_slownie(7), "milionów");
  EXPECT_STREQ(liczba_miliardow_slownie(2), "miliardy");
  EXPECT_STREQ(liczba_miliardow_slownie(5), "miliardów");
  EXPECT_STREQ(liczba_miliardow_slownie(1), "miliard");
}

TEST(LiczbaSlownie, BelowOneThousand) {
  LangGuard g(PL);
  EXPECT_STREQ(liczba_999_slownie(1999), "dziewięćset dziewięćdziesiąt dziewięć");
  EXPECT_STREQ(liczba_999_slownie(2000), "zero");
  EXPECT_STREQ(liczba_999_slownie(-1), "");
  EXPECT_STREQ(liczba_999_slownie_de(21), "einundzwanzig");  // German whatever the UI language
  EXPECT_STREQ(liczba_999_slownie_de(1000), "eintausend");
  EXPECT_STREQ(liczba_999_slownie_de(999), "neunhundertneunundneunzig");
  EXPECT_STREQ(liczba_999_slownie_de(1001), "");
  EXPECT_STREQ(liczba_999_slownie_de(-1), "");
  oo_texts_set_lang(DE);
  EXPECT_STREQ(liczba_999_slownie(1021), "einundzwanzig");
}

TEST(Address, StreetPrefixAndBlanks) {
  const struct {
    const char* text;
    const char* rest;
  } streets[] = {
      {"ul. Długa 5", "Długa 5"}, {"UL. Długa", "Długa"}, {"Ul. Długa", "Długa"}, {"ul.Długa", "Długa"},
      {"UL.Długa", "Długa"},      {"ul Długa", "Długa"},  {"Ul Długa", "Długa"},  {"Ulica Długa", "Ulica Długa"},
      {"ul", "ul"},               {"", ""},               {nullptr, ""},
  };
  for (const auto& c : streets) EXPECT_STREQ(cancel_ul(c.text), c.rest) << (c.text ? c.text : "NULL");

  EXPECT_STREQ(ulica_if_not_empty("ul. Długa 5", "\n"), "Długa 5\n");
  EXPECT_STREQ(ulica_if_not_empty("ul. ", "\n"), "");
  EXPECT_STREQ(ulica_if_not_empty("ul.  ", "\n"), "");
  EXPECT_STREQ(ulica_if_not_empty(nullptr, "\n"), "");
  EXPECT_STREQ(ulica_if_not_empty("Polna", nullptr), "Polna");
  const std::string long_street(500, 'x');  // longer than any fixed buffer
  EXPECT_EQ(std::string(ulica_if_not_empty(long_street.c_str(), "\n")), long_street + "\n");

  EXPECT_STREQ(trim_sp(" \t\n Kraków"), "Kraków");
  EXPECT_STREQ(trim_sp("\r Kraków"), "\r Kraków");
  EXPECT_STREQ(trim_sp(nullptr), "");
}
