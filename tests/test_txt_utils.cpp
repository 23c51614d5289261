#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "lib/txt_utils.hpp"
#include "server/oo_texts.hpp"

namespace {

std::string wrapped(int (*wrap)(char*, int, int), std::string text, int first, int next) {
  EXPECT_EQ(wrap(text.data(), first, next), 0);
  return text;
}

}  // namespace

TEST(StrDivide, WrapsAtTheLastBlankBeforeEachWidth) {
  const struct {
    const char* text;
    int first, next;
    const char* want;
  } cases[] = {
      {"aaa bbb ccc", 5, 5, "aaa\nbbb\nccc"},
      {"aaa bbb ccc", 4, 4, "aaa\nbbb\nccc"},
      {"abcdefgh ij", 3, 3, "abcdefgh\nij"},  // a long word is never cut
      {"ab\ncd", 10, 10, "ab cd"},            // old line ends become blanks
      {"ab\r\ncd ef", 3, 3, "ab \ncd\nef"},   // ...as they are reached
      {"aaaaa bbb", 5, 5, "aaaaa\nbbb"},      // a blank right at the width is used
      {"aaa b", 5, 5, "aaa b"},               // a text that fits is left alone
      {" abc def", 4, 4, " abc\ndef"},        // a blank at a line's start is never used
      {"one two three four five", 8, 4, "one two\nthree\nfour\nfive"},
      {"ab\tcd\x01" "ef", 3, 3, "ab\ncd\nef"},  // tabs and control bytes break too
      {"", 5, 5, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(wrapped(str_divide, c.text, c.first, c.next), c.want) << c.text;
}

TEST(StrDivide, NeverBreaksAtAPolishLetter) {
  // ą (B9), ś (9C) and Ś (8C) stand at multiples of the width; bytes above
  // 127 are letters, not blanks.
  std::string text = "abc\xB9" "def\x9C" "gh ij\x8C" "k";
  EXPECT_EQ(wrapped(str_divide, text, 4, 4), "abc\xB9" "def\x9C" "gh\nij\x8C" "k");
}

TEST(StrDivide, LinesFitWhenWordsFit) {
  std::mt19937 rng(7);
  for (int width = 1; width <= 12; ++width) {
    for (int round = 0; round < 50; ++round) {
      std::string text;
      const int words = 1 + static_cast<int>(rng() % 30);
      for (int w = 0; w < words; ++w) {
        if (w) text += ' ';
        text.append(1 + rng() % width, static_cast<char>('a' + rng() % 26));
      }
      const std::string out = wrapped(str_divide, text, width, width);
      std::string joined = out;
      for (char& ch : joined)
        if (ch == '\n') ch = ' ';
      ASSERT_EQ(joined, text) << "only blanks may turn into line ends";
      std::size_t start = 0;
      while (start <= out.size()) {
        std::size_t end = out.find('\n', start);
        if (end == std::string::npos) end = out.size();
        ASSERT_LE(end - start, static_cast<std::size_t>(width)) << out;
        start = end + 1;
      }
    }
  }
}

TEST(StrDivide0, KeepsTheTextsOwnLineEnds) {
  const struct {
    const char* text;
    int first, next;
    const char* want;
  } cases[] = {
      {"ab\ncd", 10, 10, "ab\ncd"},
      {"ab cd\n", 10, 3, "ab cd\n"},
      {"ab cd\nef gh", 10, 3, "ab cd\nef\ngh"},  // the next width starts after the LF
      {"aaa bbb ccc", 4, 4, "aaa\nbbb\nccc"},
      {"ab\x01" "cd ef", 3, 3, "ab\x01" "cd\nef"},  // only blanks and tabs break
      {"ab\tcd", 3, 3, "ab\ncd"},
  };
  for (const auto& c : cases) EXPECT_EQ(wrapped(str_divide0, c.text, c.first, c.next), c.want) << c.text;
}

TEST(StrDivide, RefusesWidthsBelowOne) {
  std::string text = "ab cd";
  EXPECT_EQ(str_divide(text.data(), 0, 5), -1);
  EXPECT_EQ(str_divide0(text.data(), 5, -1), -1);
  EXPECT_EQ(str_divide(nullptr, 5, 5), -1);
  EXPECT_EQ(text, "ab cd");
}

TEST(TxtUtils, LinesAndReplacement) {
  EXPECT_EQ(txt_utils_lines_nr(""), 1);
  EXPECT_EQ(txt_utils_lines_nr("a\nb\n"), 3);
  EXPECT_EQ(txt_utils_lines_nr("a\r\nb"), 2);

  std::string t = "ABC_ABC";
  EXPECT_EQ(str_replace(t.data(), "BC", "xyz"), 0);  // only strlen("BC") bytes are taken
  EXPECT_EQ(t, "Axy_ABC");
  EXPECT_EQ(str_replace(t.data(), "nope", "1234"), 0);
  EXPECT_EQ(t, "Axy_ABC");
  // A replacement shorter than the searched text would be read past its end.
  EXPECT_EQ(str_replace(t.data(), "ABC", "x"), -1);
  EXPECT_EQ(t, "Axy_ABC");
  EXPECT_EQ(str_replace(nullptr, "a", "b"), -1);
}

TEST(TxtUtils, EmptinessOfFormValues) {
  const struct {
    const char* text;
    int empty;
  } cases[] = {
      {nullptr, 1}, {"", 1},    {" ", 1},    {"\t", 1},   {"  ", 1}, {"\r\n", 1},
      {"   ", 0},   {"a", 0},   {" a", 0},   {"a ", 0},   {"\t\tx", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(is_empty(c.text), c.empty) << (c.text ? c.text : "NULL");
    EXPECT_EQ(not_empty(c.text), 1 - c.empty) << (c.text ? c.text : "NULL");
  }
  EXPECT_EQ(white2sp('\t'), ' ');
  EXPECT_EQ(white2sp('\r'), ' ');
  EXPECT_EQ(white2sp('\n'), ' ');
  EXPECT_EQ(white2sp('x'), 'x');
}

TEST(AppendAsterix, AddsOneStarAndKeepsTenResults) {
  EXPECT_STREQ(append_asterix("Kow"), "Kow*");
  EXPECT_STREQ(append_asterix("Kow*"), "Kow*");
  EXPECT_STREQ(append_asterix(""), "*");
  EXPECT_STREQ(append_asterix(nullptr), "*");
  EXPECT_STREQ(append_asterix("*abc"), "*abc*");

  std::vector<const char*> results;
  for (int i = 0; i < 10; ++i) results.push_back(append_asterix(std::to_string(i).c_str()));
  for (int i = 0; i < 10; ++i) EXPECT_EQ(std::string(results[i]), std::to_string(i) + "*");

  const std::string long_text(1000, 'x');  // no limit on the length
  EXPECT_EQ(std::string(append_asterix(long_text.c_str())), long_text + "*");
}

TEST(TxtUtils, SmallHelpers) {
  EXPECT_STREQ(txtutils_nbsp(nullptr), "&nbsp;");
  EXPECT_STREQ(txtutils_nbsp(""), "&nbsp;");
  EXPECT_STREQ(txtutils_nbsp(" "), " ");

  const struct {
    const char* text;
    int id;
  } ids[] = {{"n_123", 123}, {"n_5x", 5}, {"n_", 0}, {"n", 0}, {nullptr, 0}, {"n_-4", -4}, {"n_abc", 0},
             {"n_99999999999", 2147483647}};
  for (const auto& c : ids) EXPECT_EQ(backhref_id(c.text), c.id) << (c.text ? c.text : "NULL");

  std::string dst = "old";
  EXPECT_EQ(txtutils_trim_right_sp(dst, "ab c \t\r\n"), 0);
  EXPECT_EQ(dst, "ab c");
  txtutils_trim_right_sp(dst, " \n ");
  EXPECT_EQ(dst, "");
  dst = "kept";
  txtutils_trim_right_sp(dst, nullptr);
  EXPECT_EQ(dst, "kept");
}

TEST(TxtUtils, MonthNamesFollowTheUiLanguage) {
  oo_texts_set_lang(0);
  EXPECT_STREQ(txtutils_month2str(0), "styczeń");
  EXPECT_STREQ(txtutils_month2str(11), "grudzień");
  EXPECT_STREQ(txtutils_month2str(12), "");
  EXPECT_STREQ(txtutils_month2str(-1), "");
  oo_texts_set_lang(1);
  EXPECT_STREQ(txtutils_month2str(4), "may");
  oo_texts_set_lang(0);
}

TEST(TxtUtils, Actions) {
  const char* actions[7];
  EXPECT_EQ(actions_init(actions), 0);
  for (const char* a : actions) EXPECT_STREQ(a, "");
  EXPECT_EQ(actions_set(actions, 0, "Zapisz"), 0);
  EXPECT_EQ(actions_set(actions, 6, "Wstecz"), 0);
  EXPECT_EQ(actions_set(actions, 7, "ignored"), 0);
  EXPECT_EQ(actions_set(actions, -1, "ignored"), 0);
  actions_set(actions, 3, nullptr);
  EXPECT_STREQ(actions[0], "Zapisz");
  EXPECT_STREQ(actions[6], "Wstecz");
  EXPECT_STREQ(actions[3], "");
}

namespace {

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar.
long days_from_civil(long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe) - 719468;
}

struct TzGuard {
  explicit TzGuard(const char* tz) {
    const char* old_tz = std::getenv("TZ");
    had = old_tz != nullptr;
    if (had) old = old_tz;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~TzGuard() {
    if (had)
      setenv("TZ", old.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  bool had = false;
  std::string old;
};

}  // namespace

TEST(TxtUtils, YearBoundariesAreLocalMidnightOfFirstJanuary) {
  for (const char* tz : {"UTC0", "CET-1", "EST5"}) {
    TzGuard guard(tz);
    const time_t now = time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    const long year = local.tm_year + 1900;
    const long offset = -timezone;  // seconds east of UTC; these zones keep no summer time
    const time_t begin = txtutils_begin_year(), next = txtutils_next_year();
    EXPECT_EQ(begin, days_from_civil(year, 1, 1) * 86400 - offset) << tz;
    EXPECT_EQ(next, days_from_civil(year + 1, 1, 1) * 86400 - offset) << tz;
    EXPECT_LE(begin, now);
    EXPECT_GT(next, now);
  }
}

TEST(FiledateFiletime, ReadsTheLastWriteTime) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("kal_txt_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string file = (dir / "a.csv").string();
  std::ofstream(file) << "x";
  for (time_t when : {time_t{1700000000}, time_t{4102444800}}) {  // 2023, and 2100 beyond 32 bits
    const struct timespec times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    time_t t = 0;
    EXPECT_EQ(filedate_filetime(&t, file.c_str()), 0);
    EXPECT_EQ(t, when);
  }
  time_t t = 123;
  EXPECT_EQ(filedate_filetime(&t, (dir / "missing.csv").string().c_str()), -2);
  EXPECT_EQ(filedate_filetime(&t, dir.string().c_str()), -2);  // a directory is no file
  EXPECT_EQ(filedate_filetime(&t, nullptr), -2);
  EXPECT_EQ(t, 123);
  std::filesystem::remove_all(dir);
}
