#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "lib/vtab_lang.hpp"

namespace {

bool coll_less(const std::string& a, const std::string& b) {
  return vtab_langcmp(a.c_str(), b.c_str(), vtab_lplti_cp1250) < 0;
}

int match(const char* v, const char* p) { return vtab_chkpatrn(v, p, static_cast<long>(std::strlen(p))); }
int matchic(const char* v, const char* p) {
  return vtab_chkpatrnic(v, p, static_cast<long>(std::strlen(p)), vtab_to_lowlang_cp1250);
}
int matchicx(const char* v, const char* p) {
  return vtab_chkpatrnicx(v, p, static_cast<long>(std::strlen(p)), vtab_to_lowlang_cp1250);
}
int matchx(const char* v, const char* p) { return vtab_chkpatrnx(v, p, static_cast<long>(std::strlen(p))); }

}  // namespace

TEST(Collation, WeightsArePermutationInDocumentedGroups) {
  std::set<int> seen(vtab_lplti_cp1250, vtab_lplti_cp1250 + 256);
  EXPECT_EQ(seen.size(), 256u);
  // The whole alphabet, lower before capital, Polish letters after their base.
  const std::string alphabet =
      "aA\xB9\xA5" "bBcC\xE6\xC6" "dDeE\xEA\xCA" "fFgGhHiIjJkKlL\xB3\xA3" "mMnN\xF1\xD1" "oO\xF3\xD3"
      "pPqQrRsS\x9C\x8C" "tTuUvVwWxXyYzZ\xBF\xAF\x9F\x8F";
  ASSERT_EQ(alphabet.size(), 70u);
  for (size_t i = 0; i < alphabet.size(); ++i)
    EXPECT_EQ(vtab_lplti_cp1250[static_cast<unsigned char>(alphabet[i])], i + 1) << i;
  EXPECT_EQ(vtab_lplti_cp1250[0], 0);
  EXPECT_EQ(vtab_lplti_cp1250['9'], 80);
  EXPECT_EQ(vtab_lplti_cp1250['_'], 81);
  EXPECT_EQ(vtab_lplti_cp1250[';'], 94);
  EXPECT_EQ(vtab_lplti_cp1250[0x1F], 125);
  EXPECT_EQ(vtab_lplti_cp1250['~'], 144);
  EXPECT_EQ(vtab_lplti_cp1250[0x7F], 145);
  EXPECT_EQ(vtab_lplti_cp1250[0x80], 146);
  EXPECT_EQ(vtab_lplti_cp1250[0xFF], 255);
}

TEST(Collation, SortsMixedPolishWords) {
  std::vector<std::string> words = {"b", "A", "a", "\xB9", "\xA5", "ab", "z", "\xBF", "\x9F", "1", "_x"};
  std::sort(words.begin(), words.end(), coll_less);
  std::vector<std::string> want = {"a", "ab", "A", "\xB9", "\xA5", "b", "z", "\xBF", "\x9F", "1", "_x"};
  EXPECT_EQ(words, want);

  // Signs: digits < blank < hyphen; control bytes after group four, before '!'.
  EXPECT_LT(vtab_langcmp("9", " ", vtab_lplti_cp1250), 0);
  EXPECT_LT(vtab_langcmp(" ", "-", vtab_lplti_cp1250), 0);
  EXPECT_LT(vtab_langcmp(";", "\x01", vtab_lplti_cp1250), 0);
  EXPECT_LT(vtab_langcmp("\x1F", "!", vtab_lplti_cp1250), 0);
  EXPECT_EQ(vtab_langcmp("\xA3\xF3" "d\x9F", "\xA3\xF3" "d\x9F", vtab_lplti_cp1250), 0);
  EXPECT_EQ(vtab_langcmp("abc", "ab", vtab_lplti_cp1250), 1);
  EXPECT_EQ(vtab_langcmp("ab", "abc", vtab_lplti_cp1250), -1);
}

TEST(Collation, LowerCaseFolding) {
  const unsigned char upper[] = {0xA5, 0xC6, 0xCA, 0xA3, 0xD1, 0xD3, 0x8C, 0xAF, 0x8F, 0xC1,
                                 0xC8, 0xCC, 0xC9, 0xCD, 0xD8, 0x8A, 0xD9, 0xDA, 0xDD, 0x8E};
  const unsigned char lower[] = {0xB9, 0xE6, 0xEA, 0xB3, 0xF1, 0xF3, 0x9C, 0xBF, 0x9F, 0xE1,
                                 0xE8, 0xEC, 0xE9, 0xED, 0xF8, 0x9A, 0xF9, 0xFA, 0xFD, 0x9E};
  for (size_t i = 0; i < sizeof upper; ++i) EXPECT_EQ(vtab_to_lowlang_cp1250(upper[i]), lower[i]);
  int folded = 0;
  for (int c = 0x7F; c <= 0xFF; ++c) folded += vtab_to_lowlang_cp1250(c) != c;
  EXPECT_EQ(folded, 20);
  EXPECT_EQ(vtab_to_lowlang_cp1250(0x8D), 0x8D);  // T caron stays
  EXPECT_EQ(vtab_to_lowlang_cp1250('Q'), 'q');
  EXPECT_EQ(vtab_to_lowlang_cp1250('['), '[');
  char s[] = "Za\xAF\xF3\xA3\xC6";
  EXPECT_STREQ(vtab_to_lowlangs_cp1250(s), "za\xBF\xF3\xB3\xE6");
}

TEST(Wildcards, PatternsAndTheirNullRules) {
  struct {
    const char* value;
    const char* pattern;
    int like, likeic, likeicx;
  } cases[] = {
      {"Kowalski", "Kow*", 1, 1, 1},
      {"Kowalski", "*ski", 1, 1, 1},
      {"Kowalski", "*wal*", 1, 1, 1},
      {"Kowalski", "kow*", 0, 1, 1},
      {"Kowalski", "kow", 0, 0, 1},
      {"Kowalski", "", 0, 0, 1},
      {"Kowalski", "Kowalski", 1, 1, 1},
      {"Kowalski", "Kowalsk", 0, 0, 1},
      {"Kowalski", "*", 1, 1, 1},
      {"Ko*ki", "Ko*ki", 1, 1, 1},
      {"Kowalski", "Ko*ki", 0, 0, 0},
      {"a", "*a*zzz*", 1, 1, 1},
      {"bbb", "*a*zzz*", 0, 0, 0},
      {"", "", 1, 1, 1},
      {"", "a*", 0, 0, 0},
      {"", "*", 1, 1, 1},
      {"K", "Kow*", 0, 0, 0},
      {"ski", "*ski", 1, 1, 1},
      {"ki", "*ski", 0, 0, 0},
      {"x*y", "**", 1, 1, 1},
      {"xy", "**", 0, 0, 0},
      {"\xA3\xF3" "d\x9F", "\xB3\xF3*", 0, 1, 1},
  };
  for (auto& c : cases) {
    EXPECT_EQ(match(c.value, c.pattern), c.like) << c.value << " LIKE " << c.pattern;
    EXPECT_EQ(matchic(c.value, c.pattern), c.likeic) << c.value << " LIKEIC " << c.pattern;
    EXPECT_EQ(matchicx(c.value, c.pattern), c.likeicx) << c.value << " LIKEICX " << c.pattern;
  }
  // NULL values: only the lone star matches; the IC forms never match.
  EXPECT_EQ(match(nullptr, "*"), 1);
  EXPECT_EQ(match(nullptr, "a*"), 0);
  EXPECT_EQ(matchic(nullptr, "*"), 0);
  EXPECT_EQ(vtab_chkpatrnic("a", nullptr, 0, vtab_to_lowlang_cp1250), 0);
  EXPECT_EQ(matchx("Kowalski", "Kow"), 1);
  EXPECT_EQ(matchx("Kowalski", "kow"), 0);
  EXPECT_EQ(matchx("Kowalski", "*ski"), 1);
}

TEST(Wildcards, NeedleSearch) {
  EXPECT_EQ(vtab_ptrfind("abcabc", "bc", 0), 1);
  EXPECT_EQ(vtab_ptrfind("abcabc", "bc", 2), 4);
  EXPECT_EQ(vtab_ptrfind("abcabc", "bd", 0), -1);
  EXPECT_EQ(vtab_ptrfind("abcabc", "bc*zz", 0), 1);
  EXPECT_EQ(vtab_ptrfind("abc", "", 0), 3);
  EXPECT_EQ(vtab_ptrfind("aab", "ab", 0), 1);
  EXPECT_EQ(vtab_ptrfind("ab", "abc", 0), -1);
  EXPECT_EQ(vtab_ptrfind("x*y", "*", 0), 1);
}

TEST(Wildcards, KindNames) {
  EXPECT_STREQ(vtab_cmp_from(1), "VTAB_CMP_LE");
  EXPECT_STREQ(vtab_cmp_from(8), "VTAB_CMP_LIKEX");
  EXPECT_STREQ(vtab_cmp_from(9), "VTAB_CMP_LIKEICX");
  EXPECT_STREQ(vtab_cmp_from(11), "VTAB_CMP_NEQIC");
  EXPECT_STREQ(vtab_cmp_from(12), "VTAB_CMP_ERROR");
  EXPECT_STREQ(vtab_cmp_type_to_str(8), "VTAB_CMP_ERROR");
  EXPECT_STREQ(vtab_cmp_type_to_str(7), "VTAB_CMP_LIKEIC");
  EXPECT_STREQ(vtab_cmp_type_to_str(0), "VTAB_CMP_ERROR");
}
