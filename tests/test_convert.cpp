#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "lib/convert.hpp"
#include "server/oo_texts.hpp"
#include "tests/comma_locale.hpp"

namespace {

constexpr int PL = 0, EN = 1, DE = 2, CS = 3;

// Sets the UI language for one scope.
struct Lang {
  explicit Lang(int l) { oo_texts_set_lang(l); }
  ~Lang() { oo_texts_set_lang(PL); }
};

// Central European time with its summer time, from a POSIX rule (needs no
// time-zone database), for one scope.
struct Zone {
  explicit Zone(const char* tz = "CET-1CEST,M3.5.0,M10.5.0/3") {
    setenv("TZ", tz, 1);
    tzset();
  }
  ~Zone() {
    setenv("TZ", "UTC", 1);
    tzset();
  }
};

// 2024-03-15 10:20:00 UTC
constexpr int64_t kMarch15 = 1710498000;
// 2024-07-15 10:00:00 UTC
constexpr int64_t kJuly15 = 1721037600;

}  // namespace

TEST(Money, WrittenWithTheSeparatorOfTheLanguage) {
  struct Case {
    double v;
    const char* pl;  // Polish and every other comma language
    const char* en;  // English and German
  } cases[] = {
      {1234.5, "1234,50", "1234.50"}, {0.5, "0,50", "0.50"},   {-3, "-3,00", "-3.00"},
      {0, "0,00", "0.00"},            {-0.001, "-0,00", "-0.00"}, {0.125, "0,12", "0.12"},
      {1e20, "100000000000000000000,00", "100000000000000000000.00"},
  };
  for (const auto& c : cases) {
    for (int l : {PL, CS, 4, 5, 6, 7}) {
      Lang lang(l);
      EXPECT_STREQ(from_gzl(c.v), c.pl) << c.v << " lang " << l;
    }
    for (int l : {EN, DE}) {
      Lang lang(l);
      EXPECT_STREQ(from_gzl(c.v), c.en) << c.v << " lang " << l;
    }
  }
  Lang pl(PL);
  EXPECT_STREQ(from_gzl(INFINITY), " inf");
  EXPECT_STREQ(from_gzl6(3.25), "3,250000");
  EXPECT_STREQ(from_gzl6(-0.5), "-0,500000");
}

TEST(Money, ReadInEveryForm) {
  struct Case {
    const char* text;
    double v;
  } cases[] = {
      {"12,5", 12.5},  {"12.5", 12.5},   {",5", 0},         {"1.234,56", 1.234}, {" 3,25", 3.25},
      {"-7,5", -7.5},  {"+2", 2},        {"abc", 0},        {"", 0},             {"1e3", 1000},
      {"12,50 zl", 12.5}, {"0,1,2", 0.1},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(to_gzl(c.text), c.v) << c.text;
  EXPECT_EQ(to_gzl(nullptr), 0.0);
  EXPECT_TRUE(std::isinf(to_gzl("1e999")));

  // What a language writes, it reads back.
  for (int l : {PL, EN, DE}) {
    Lang lang(l);
    for (double v : {0.0, 0.01, 1234.5, -99.99, 1e9 + 0.25}) EXPECT_DOUBLE_EQ(to_gzl(from_gzl(v)), v) << l;
  }
}

TEST(Money, ShortestForm) {
  struct Case {
    double v;
    const char* pl;
  } cases[] = {
      {5, "5"},     {1.5, "1,5"},         {0.125, "0,125"},        {2.000000001, "2"},
      {-2.5, "-2,5"}, {0, "0"},           {-0.0, "0"},             {1e20, "100000000000000000000"},
      {0.1, "0,1"}, {1234567.25, "1234567,25"},
  };
  for (const auto& c : cases) {
    Lang pl(PL);
    EXPECT_STREQ(from_gzl0(c.v), c.pl) << c.v;
    Lang de(DE);
    std::string en = c.pl;
    for (char& ch : en)
      if (ch == ',') ch = '.';
    EXPECT_EQ(from_gzl0(c.v), en) << c.v;
  }
}

// The locale-free formatting gives what printf gives in the "C" locale,
// rounding included.
TEST(Money, FixedFormMatchesPrintf) {
  std::vector<double> values = {0.005, 0.015, 0.125, 0.375, 2.675, 1.005, -1.005, 1e15 + 0.5, 123456789.125,
                                DBL_MAX, -DBL_MAX, DBL_MIN, 5e-324, -0.0};
  unsigned seed = 12345;
  for (int i = 0; i < 5000; ++i) {
    seed = seed * 1103515245u + 12345u;
    double v = (static_cast<int>(seed >> 8) % 2000001 - 1000000) / 1000.0;  // three decimals: many ties
    values.push_back(v);
    values.push_back(v * 1.0e-3 + 1e6);
  }
  char want[512];
  for (double v : values) {
    std::snprintf(want, sizeof want, "%4.2f", v);
    EXPECT_EQ(kal::format_fixed(v, 2, 4), want) << v;
    std::snprintf(want, sizeof want, "%10.8f", v);
    EXPECT_EQ(kal::format_fixed(v, 8, 10), want) << v;
  }
}

TEST(Money, IndependentOfTheProcessLocale) {
  CommaLocale loc;
  if (!loc.active()) GTEST_SKIP() << "no locale with a decimal comma could be made";
  {
    Lang en(EN);
    EXPECT_STREQ(from_gzl(1234.5), "1234.50");
    EXPECT_STREQ(from_gzl0(0.125), "0.125");
    EXPECT_DOUBLE_EQ(to_gzl("12.5"), 12.5);
    EXPECT_DOUBLE_EQ(to_gzl("7.25e1"), 72.5);
  }
  Lang pl(PL);
  EXPECT_STREQ(from_gzl(1234.5), "1234,50");
  EXPECT_STREQ(from_gzl6(0.5), "0,500000");
  EXPECT_DOUBLE_EQ(to_gzl("12,5"), 12.5);
}

TEST(Converters, RingsKeepTheLastTenResults) {
  std::vector<const char*> got;
  for (uint32_t i = 0; i < 10; ++i) got.push_back(from_z(i + 100));
  // Other converters have rings of their own.
  from_i(-1);
  from_l(-2);
  from_q(3);
  from_gzl(4);
  from_t(5);
  for (uint32_t i = 0; i < 10; ++i) EXPECT_EQ(got[i], std::to_string(i + 100)) << i;
  const char* eleventh = from_z(999);
  EXPECT_EQ(eleventh, got[0]);
  EXPECT_STREQ(got[0], "999");
  EXPECT_STREQ(got[1], "101");

  // Every ring, including those whose texts may be long.
  std::vector<const char*> money;
  for (int i = 0; i < 10; ++i) money.push_back(from_gzl(i == 3 ? 1e300 : i));
  for (int i = 0; i < 10; ++i) {
    if (i == 3)
      EXPECT_EQ(std::string(money[i]).size(), 304u);
    else
      EXPECT_EQ(to_gzl(money[i]), i);
  }
}

TEST(Converters, Integers) {
  EXPECT_STREQ(from_z(4294967295u), "4294967295");
  EXPECT_STREQ(from_i(INT_MIN), "-2147483648");
  EXPECT_STREQ(from_l(LONG_MIN), "-9223372036854775808");
  EXPECT_STREQ(from_q(ULONG_MAX), "18446744073709551615");
  EXPECT_STREQ(from_c('N'), "N");
  EXPECT_STREQ(from_c('\0'), "");
  const char* s = "text";
  EXPECT_EQ(from_s(s), s);

  struct Case {
    const char* text;
    uint32_t z;
    long l;
    int i;
  } cases[] = {
      {nullptr, 0, 0, 0},
      {"", 0, 0, 0},
      {"42", 42, 42, 42},
      {" \t 42", 42, 42, 42},
      {"+7", 7, 7, 7},
      {"-1", 4294967295u, -1, -1},
      {"12abc", 12, 12, 12},
      {"abc", 0, 0, 0},
      {"- 5", 0, 0, 0},
      {"4294967297", 4294967295u, 4294967297L, INT_MAX},
      {"4294967296", 4294967295u, 4294967296L, INT_MAX},
      {"4294967295", 4294967295u, 4294967295L, INT_MAX},
      {"99999999999999999999", 4294967295u, LONG_MAX, INT_MAX},
      {"-99999999999999999999", 0, LONG_MIN, INT_MIN},
  };
  for (const auto& c : cases) {
    const char* t = c.text ? c.text : "(null)";
    EXPECT_EQ(to_z(c.text), c.z) << t;
    EXPECT_EQ(to_l(c.text), c.l) << t;
    EXPECT_EQ(to_i(c.text), c.i) << t;
  }
  EXPECT_EQ(to_c(nullptr), ' ');
  EXPECT_EQ(to_c("xyz"), 'x');
  EXPECT_EQ(to_c(""), '\0');
}

TEST(Converters, Minutes) {
  struct Case {
    int minutes;
    const char* text;
  } out[] = {{90, "1:30"}, {725, "12:05"}, {0, "0:00"}, {-90, "-1:-30"}, {59, "0:59"}, {6000, "100:00"}};
  for (const auto& c : out) EXPECT_STREQ(from_tmin(c.minutes), c.text) << c.minutes;

  struct In {
    const char* text;
    int minutes;
  } in[] = {{"1:30", 90},  {"01:30", 90}, {"12:05", 725}, {"7", 420}, {"123:45", 7380},
            {"", 0},       {"0:5", 5},    {"2:", 120},    {"x", 0}};
  for (const auto& c : in) EXPECT_EQ(to_tmin(c.text), c.minutes) << c.text;
  EXPECT_EQ(to_tmin(nullptr), 0);
}

TEST(Dates, WrittenInTheOrderOfTheLanguage) {
  struct Case {
    int lang;
    int64_t t;
    const char* full;
    const char* date;
  } cases[] = {
      {PL, kMarch15, "15.03.2024 10:20:00", "15.03.2024"},
      {DE, kMarch15, "15.03.2024 10:20:00", "15.03.2024"},
      {EN, kMarch15, "03/15/2024 10:20:00", "03/15/2024"},
      {PL, 0, "01.01.1970 00:00:00", "01.01.1970"},
      {EN, 0, "01/01/1970 00:00:00", "01/01/1970"},
      {PL, -5, "01.01.1970 00:00:00", "01.01.1970"},
      {PL, 1, "01.01.1970 00:00:01", "01.01.1970"},
      // Past the 32-bit range: 2040-01-02 03:04:05 UTC.
      {PL, 2209086245LL, "02.01.2040 03:04:05", "02.01.2040"},
  };
  for (const auto& c : cases) {
    Lang lang(c.lang);
    EXPECT_STREQ(from_t(c.t), c.full) << c.t;
    EXPECT_STREQ(from_td(c.t), c.date) << c.t;
  }

  // Local time; the epoch text does not look at the zone.
  Zone cet;
  Lang pl(PL);
  EXPECT_STREQ(from_t(kMarch15), "15.03.2024 11:20:00");
  EXPECT_STREQ(from_t(kJuly15), "15.07.2024 12:00:00");
  EXPECT_STREQ(from_t(0), "01.01.1970 00:00:00");
}

TEST(Dates, Parsed) {
  struct Case {
    bool en;
    const char* text;
    int code;
    int year, mon, mday, hour, min, sec;  // mon 1-12
  } cases[] = {
      {false, "15.03.2024", 4, 2024, 3, 15, 0, 0, 0},
      {false, "15.03.2024 10:20", 6, 2024, 3, 15, 10, 20, 0},
      {false, "15.03.2024 10", 5, 2024, 3, 15, 10, 0, 0},
      {false, "15.03.2024 10:20:30", 0, 2024, 3, 15, 10, 20, 30},
      {false, "15-03-2024", 4, 2024, 3, 15, 0, 0, 0},
      {false, "2024-03-15", 0, 2024, 3, 15, 0, 0, 0},
      {false, "2024/03/15 10:20", 0, 2024, 3, 15, 0, 0, 0},
      {false, "24", 8, 2024, 1, 1, 0, 0, 0},
      {false, "5", 8, 2005, 1, 1, 0, 0, 0},
      {false, "", 7, 1970, 1, 1, 0, 0, 0},
      {false, "15.03", 3, 1970, 3, 15, 0, 0, 0},
      {false, "15.", 2, 1970, 1, 15, 0, 0, 0},
      // Without leading zeros.
      {false, "5.3.2024", 4, 2024, 3, 5, 0, 0, 0},
      {false, "15.3.2024 8:05", 6, 2024, 3, 15, 8, 5, 0},
      {false, "1.03.2024 10:00", 6, 2024, 3, 1, 10, 0, 0},
      {false, "5.3.2024 7:8:9", 0, 2024, 3, 5, 7, 8, 9},
      {false, "2024-3-5", 0, 2024, 3, 5, 0, 0, 0},
      {false, " 5.03.2024", 4, 2024, 3, 5, 0, 0, 0},
      // A piece that starts with anything but a digit reads as 0 and keeps
      // its place: the time is not read from the wrong bytes.
      {false, "15.03.2024, 10:20", 6, 2024, 3, 15, 0, 0, 0},
      {false, "15.03.2024  10:20", 6, 2024, 3, 15, 0, 0, 0},
      {false, "15.03.2024 10:x5:30", 0, 2024, 3, 15, 10, 0, 30},
      {true, "03/15/2024,  7:08", 6, 2024, 3, 15, 0, 0, 0},
      {true, "03/15/2024", 4, 2024, 3, 15, 0, 0, 0},
      {true, "03/15/2024 10:20:30", 0, 2024, 3, 15, 10, 20, 30},
      {true, "3/5/2024 7:08", 6, 2024, 3, 5, 7, 8, 0},
      {true, "03/", 2, 1970, 3, 1, 0, 0, 0},
      {true, "2024-03-15", 0, 2024, 3, 15, 0, 0, 0},
  };
  for (const auto& c : cases) {
    struct tm tm;
    int code = c.en ? utils_str_to_tm_dst_en(&tm, c.text) : utils_str_to_tm_dst(&tm, c.text);
    SCOPED_TRACE(c.text);
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(tm.tm_year + 1900, c.year);
    EXPECT_EQ(tm.tm_mon + 1, c.mon);
    EXPECT_EQ(tm.tm_mday, c.mday);
    EXPECT_EQ(tm.tm_hour, c.hour);
    EXPECT_EQ(tm.tm_min, c.min);
    EXPECT_EQ(tm.tm_sec, c.sec);
    EXPECT_EQ(tm.tm_isdst, -1);
  }
}

// The written dates are those of printf's "%02d.%02d.%04ld %02d:%02d:%02d"
// (and its English order) over times spread from 1970 to past the year 9999.
TEST(Dates, WrittenAsPrintfWritesThem) {
  std::mt19937_64 rng(7);
  std::vector<int64_t> times = {1, 59, 86399, 86400, 951782400, 253402300799LL, 253402300800LL, 300000000000LL};
  for (int i = 0; i < 20000; ++i) times.push_back(static_cast<int64_t>(rng() % 320000000000ULL) + 1);
  for (const char* tz : {"UTC", "CET-1CEST,M3.5.0,M10.5.0/3"}) {
    Zone zone(tz);
    for (int l : {PL, EN}) {
      Lang lang(l);
      for (int64_t t : times) {
        const time_t tt = static_cast<time_t>(t);
        struct tm tm {};
        ASSERT_NE(localtime_r(&tt, &tm), nullptr);
        char want[96];
        const int a = l == EN ? tm.tm_mon + 1 : tm.tm_mday, b = l == EN ? tm.tm_mday : tm.tm_mon + 1;
        std::snprintf(want, sizeof want, l == EN ? "%02d/%02d/%04ld %02d:%02d:%02d" : "%02d.%02d.%04ld %02d:%02d:%02d",
                      a, b, static_cast<long>(tm.tm_year) + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
        ASSERT_STREQ(from_t(t), want) << tz << " " << t;
        ASSERT_EQ(std::string(from_td(t)), std::string(want).substr(0, std::string(want).find(' '))) << tz << " " << t;
      }
    }
  }
}

TEST(Dates, ReadBackInEveryLanguage) {
  for (const char* tz : {"UTC", "CET-1CEST,M3.5.0,M10.5.0/3"}) {
    Zone zone(tz);
    for (int l : {PL, EN, DE}) {
      Lang lang(l);
      for (int64_t t : {kMarch15, kJuly15, int64_t{86400}, int64_t{2209086245LL}}) {
        EXPECT_EQ(to_t(from_t(t)), t) << tz << " lang " << l << " " << from_t(t);
        // A date alone is local midnight of that day.
        std::string date = from_td(t);
        EXPECT_EQ(from_t(to_t(date.c_str())), date + " 00:00:00") << tz << " lang " << l;
      }
    }
  }
  {
    Lang en(EN);
    EXPECT_EQ(to_t("03/15/2024 10:20:00"), kMarch15);
    EXPECT_EQ(to_t("3/15/2024 10:20"), kMarch15);
  }
  Lang pl(PL);
  EXPECT_EQ(to_t("15.03.2024 10:20:00"), kMarch15);
  EXPECT_EQ(to_t("15.3.2024 10:20"), kMarch15);
  EXPECT_EQ(to_t("2024-03-15"), kMarch15 - (10 * 3600 + 20 * 60));
  EXPECT_EQ(to_t(""), 0);
  int64_t before = std::time(nullptr);
  int64_t now = to_t(nullptr);
  EXPECT_GE(now, before);
  EXPECT_LE(now, before + 5);
}

// A date typed into a form is valid only when the readers read it as
// written: every valid text reads back as the date it names.
TEST(Dates, TypedIntoAFormValidOnlyWhenReadAsWritten) {
  struct Case {
    int lang;
    const char* text;
    const char* reads;  // the date the valid text names; NULL: not valid
  } cases[] = {
      {PL, "", ""},
      {PL, "15.03.2024", "15.03.2024"},
      {PL, "5.3.2024", "05.03.2024"},
      {PL, " 15.03.2024 ", "15.03.2024"},
      {PL, "15.03.2024 10:20", "15.03.2024"},
      {PL, "15.03.2024 23:59:59", "15.03.2024"},
      {PL, "29.02.2024", "29.02.2024"},
      {PL, "29.02.2000", "29.02.2000"},
      {PL, "31.12.9999", "31.12.9999"},
      {PL, "01.01.1970", "01.01.1970"},
      {PL, "2024-03-15", "15.03.2024"},
      {PL, "24", "01.01.2024"},
      {PL, "31.02.2025", nullptr},
      {PL, "32.13.2026", nullptr},
      {PL, "99.99.9999", nullptr},
      {PL, "abc", nullptr},
      {PL, "29.02.2025", nullptr},
      {PL, "29.02.1900", nullptr},
      {PL, "00.03.2024", nullptr},
      {PL, "15.00.2024", nullptr},
      {PL, "15.03.24", nullptr},
      {PL, "15.03.20245", nullptr},
      {PL, "15.03", nullptr},
      {PL, "15.03.2024 24:00", nullptr},
      {PL, "15.03.2024 10:60", nullptr},
      {PL, "15.03.2024 10:20:61", nullptr},
      {PL, "15.03.2024 10:20:30:40", nullptr},
      {PL, "15.03.1969", nullptr},
      {PL, "15..03.2024", nullptr},
      {PL, "15.03.2024.", nullptr},
      {PL, "2024-02-30", nullptr},
      {PL, "2024-03", nullptr},
      {PL, "   5", nullptr},
      {PL, "03/15/2024", nullptr},
      {EN, "03/15/2024", "03/15/2024"},
      {EN, "3/15/2024 10:20", "03/15/2024"},
      {EN, "15/03/2024", nullptr},
      {EN, "02/30/2024", nullptr},
  };
  Zone zone;
  for (const Case& c : cases) {
    Lang lang(c.lang);
    EXPECT_EQ(kal::date_text_valid(c.text), c.reads != nullptr) << c.text;
    if (c.reads && c.text[0]) {
      EXPECT_EQ(std::string(from_td(to_t(c.text))), c.reads) << c.text;
    }
  }
}

TEST(Dates, MktimeWorksOutTheSummerTime) {
  Zone cet;
  auto at = [](int year, int mon, int mday, int hour, int isdst) {
    struct tm tm {};
    tm.tm_year = year - 1900;
    tm.tm_mon = mon - 1;
    tm.tm_mday = mday;
    tm.tm_hour = hour;
    tm.tm_isdst = isdst;
    return tm;
  };
  // Summer: 12:00 local is 10:00 UTC whatever flag the caller had.
  for (int flag : {0, 1, -1}) {
    struct tm tm = at(2024, 7, 15, 12, flag);
    EXPECT_EQ(utils_mktime(&tm), kJuly15) << flag;
    EXPECT_EQ(tm.tm_hour, 12);
    EXPECT_EQ(tm.tm_isdst, 1);
  }
  // Winter: 12:00 local is 11:00 UTC, also when the caller said summer.
  for (int flag : {0, 1, -1}) {
    struct tm tm = at(2024, 1, 15, 12, flag);
    EXPECT_EQ(utils_mktime(&tm), 1705316400) << flag;
    EXPECT_EQ(tm.tm_hour, 12);
    EXPECT_EQ(tm.tm_isdst, 0);
  }
  // Before 1970 the standard-time path gives 0.
  struct tm old = at(1969, 12, 31, 12, 0);
  EXPECT_EQ(utils_mktime(&old), 0);
  old = at(1969, 12, 31, 12, -1);
  EXPECT_EQ(utils_mktime(&old), -43200 + -3600);
}
