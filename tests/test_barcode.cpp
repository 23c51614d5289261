// Barcode texts and bar patterns.  The patterns are also drawn into a PDF and
// read back by a real scanner program in barcode_scan.cpp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/barcode.hpp"
#include "pdf/code128.hpp"
#include "pdf/ean13.hpp"

TEST(BarcodeI25, TextAndCheckDigit) {
  struct Case {
    int32_t value;
    const char* text;
  } cases[] = {
      {0, "00000000"},
      {1, "00000017"},
      {1234567, "12345670"},
      {9999999, "99999995"},
      {10000000, "100000007"},  // wider than seven digits: the pairs cover eight
  };
  for (const auto& c : cases) EXPECT_STREQ(barcode_i25_9999999c(c.value), c.text) << c.value;
  EXPECT_EQ(barcode_i25_strchecksum(nullptr), 0);
}

TEST(BarcodeI25, FourPairsHeldAtOnce) {
  const char* t = barcode_i25_9999999c(1234567);
  const char* p1 = barcode_i25_1(t);
  const char* p2 = barcode_i25_2(t);
  const char* p3 = barcode_i25_3(t);
  const char* p4 = barcode_i25_4(t);
  EXPECT_STREQ(p1, "12");
  EXPECT_STREQ(p2, "34");
  EXPECT_STREQ(p3, "56");
  EXPECT_STREQ(p4, "70");
  EXPECT_STREQ(barcode_i25_4("100000007"), "00");
  EXPECT_STREQ(barcode_i25_3(nullptr), "00");
  // A short text never reads past its end.
  EXPECT_STREQ(barcode_i25_2("123"), "30");
  EXPECT_STREQ(barcode_i25_4("123"), "00");
}

TEST(Ean13, CheckDigitAndText) {
  EXPECT_EQ(ean13_control("123456789012"), 8);
  EXPECT_EQ(ean13_control("590999001505"), 4);
  EXPECT_EQ(ean13_control("000000000000"), 0);
  EXPECT_EQ(ean13_control(nullptr), -1);

  char out[14];
  EXPECT_EQ(ean13_id2str(out, 59, 9990, 1505), 0);
  EXPECT_STREQ(out, "5909990015054");
  EXPECT_EQ(ean13_id2str(out, 0, 0, 0), 0);
  EXPECT_STREQ(out, "0000000000000");
  EXPECT_EQ(ean13_id2str(nullptr, 1, 2, 3), -1);
}

// Numbers wider than their places would make a longer text than the caller's
// 14 bytes and a code of other digits: refused with no text at all.
TEST(Ean13, NumbersOutsideTheirWidthsAreRefused) {
  struct Case {
    int a, b, c;
  } cases[] = {{100, 0, 0}, {0, 100000, 0}, {0, 0, 100000}, {-1, 0, 0}, {0, 0, -5}};
  for (const auto& c : cases) {
    char out[14] = "x";
    char bars[96] = "x";
    EXPECT_EQ(ean13_id2str(out, c.a, c.b, c.c), -1);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(ean13_from_ids(bars, c.a, c.b, c.c), -1);
    EXPECT_STREQ(bars, "");
  }
  char out[14];
  EXPECT_EQ(ean13_id2str1(out, 0, 0, 42), 0);
  EXPECT_STREQ(out, "0000000000042");
  EXPECT_EQ(ean13_id2str2(out, 0, 7, 42), 0);
  EXPECT_STREQ(out, "0000000070042");
  EXPECT_EQ(ean13_id2str2(out, 0, 1, 123456), -1);
  EXPECT_STREQ(out, "");
}

TEST(Ean13, PatternLayout) {
  char out[96];
  for (const char* t : {"5909990015054", "0000000000000", "7501031311309", "9780201379624"}) {
    ASSERT_EQ(ean13_from_str(out, t), 0) << t;
    std::string p = out;
    ASSERT_EQ(p.size(), 95u) << t;
    for (int i : {0, 2, 46, 48, 92, 94}) EXPECT_EQ(p[i], '1') << t << " module " << i;
    EXPECT_EQ(p.substr(0, 3), "101");
    EXPECT_EQ(p.substr(45, 5), "01010");
    EXPECT_EQ(p.substr(92), "101");
  }
  // Leading digit 0: every left-hand digit in set A.
  ASSERT_EQ(ean13_from_str(out, "0123456789012"), 0);
  std::string left = std::string(out).substr(3, 42);
  std::string expected;
  for (int d = 1; d <= 6; ++d) expected += ean13_A[d];
  EXPECT_EQ(left, expected);
  // A known code, module by module.
  ASSERT_EQ(ean13_from_ids(out, 59, 9990, 1505), 0);
  EXPECT_STREQ(out,
               "101" "0001011" "0100111" "0010111" "0001011" "0001011" "0100111"  // 9 0 9 9 9 0: ABBAAB
               "01010" "1110010" "1100110" "1001110" "1110010" "1001110" "1011100" "101");
}

TEST(Ean13, TextsThatAreNotThirteenDigitsDrawNoBars) {
  for (const char* t : {"", "123456789012", "12345678901234", "-000000000001", "59099900150a4",
                        "5909990 15054"}) {
    char out[96] = "x";
    EXPECT_EQ(ean13_from_str(out, t), -1) << t;
    EXPECT_STREQ(out, "") << t;
  }
  char out[96] = "x";
  EXPECT_EQ(ean13_from_str(out, nullptr), -1);
  EXPECT_STREQ(out, "");
}

TEST(Code128, ValuesOfTypicalTexts) {
  struct Case {
    const char* text;
    std::vector<int32_t> values;
  } cases[] = {
      {"12", {105, 12, 14, 106}},
      {"123", {105, 12, 100, 19, 65, 106}},
      {"A1", {104, 33, 17, 68, 106}},
      {"a12b", {104, 65, 99, 12, 100, 66, 0, 106}},
      {"A B", {104, 33, 0, 34, 33, 106}},
      {"5", {104, 21, 22, 106}},
  };
  for (const auto& c : cases) {
    char out[1037];
    ASSERT_EQ(code128_encode(out, c.text), 0) << c.text;
    EXPECT_EQ(encoding_data, c.values) << c.text;
    EXPECT_EQ(encoding_data_len, static_cast<int>(c.values.size()));
    std::string p = out;
    EXPECT_EQ(p.size(), 11 * (c.values.size() - 1) + 13) << c.text;
    EXPECT_EQ(p.substr(0, 5), "11010") << c.text;
    EXPECT_EQ(p.substr(p.size() - 13), "1100011101011") << c.text;
  }
  char out[1037];
  code128_encode(out, "12");
  EXPECT_STREQ(out, "1101001110010110011100100110011101100011101011");
}

TEST(Code128, LongTextKeepsItsFirst46Characters) {
  std::string text(60, 'x');
  text.replace(46, 14, "\x01\x02 12345 zzzz");  // past the limit: ignored
  char a[1037], b[1037];
  ASSERT_EQ(code128_encode(a, text.c_str()), 0);
  ASSERT_EQ(code128_encode(b, std::string(46, 'x').c_str()), 0);
  EXPECT_STREQ(a, b);
  // The longest value list: 46 alternating symbols and 45 changes.
  std::string alt;
  for (int i = 0; i < 23; ++i) alt += i % 2 ? "a" : "12";
  while (alt.size() < 46) alt += "a";
  char out[1037];
  ASSERT_EQ(code128_encode(out, alt.c_str()), 0);
  EXPECT_LT(std::string(out).size(), 1037u);
}

TEST(Code128, TextsItCannotCarryDrawNoBars) {
  for (const char* t : {"", "ab\x01", "\x7F", "Za\xBF\xF3\xB3\xE6", "tab\there"}) {
    char out[1037] = "x";
    EXPECT_EQ(code128_encode(out, t), -1) << t;
    EXPECT_STREQ(out, "");
  }
  char out[1037] = "x";
  EXPECT_EQ(code128_encode(out, nullptr), -1);
  EXPECT_STREQ(out, "");
}

TEST(Code128, SymbolLookups) {
  struct Case {
    char set;
    const char* symbol;
    int value;
  } cases[] = {
      {'A', "SP", 0},     {'B', "SP", 0},      {'A', "A", 33},    {'A', "NUL", 64},
      {'A', "US", 95},    {'B', "a", 65},      {'B', "DEL", 95},  {'C', "00", 0},
      {'C', "99", 99},    {'A', "CodeC", 99},  {'C', "CodeB", 100}, {'B', "CodeA", 101},
      {'A', "FNC4", 101}, {'B', "FNC4", 100},  {'C', "FNC1", 102}, {'A', "STARTA", 103},
      {'C', "STOP", 106}, {'A', "a", -1},      {'C', "5", -1},     {'D', "A", -1},
      {'B', "sp", -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(code128_set(c.set, c.symbol), c.value) << c.set << " " << c.symbol;
    EXPECT_EQ(getCharcterValue(c.set, c.symbol), c.value);
  }
  EXPECT_EQ(code128_get_set("42"), 'C');
  EXPECT_EQ(code128_get_set("x"), 'B');
  EXPECT_EQ(code128_get_set("NUL"), 'A');
  EXPECT_EQ(code128_get_set("\xB9"), 'A');
  EXPECT_STREQ(code128_value(107), "");
  EXPECT_STREQ(code128_value(-1), "");
  EXPECT_STREQ(code128_value(106), "1100011101011");
  for (int v = 0; v < 106; ++v) EXPECT_EQ(std::string(code128_value(v)).size(), 11u) << v;
}
