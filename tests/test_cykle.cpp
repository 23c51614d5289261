// Service cycles: the next due time and the due state as tables of dates,
// periods far beyond any real one included (the build runs with UBSan), and
// the confirmation date check.
#include <gtest/gtest.h>

#include <cstdint>

#include "mages/equipment/mgs_Cykle.hpp"

namespace {

constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kJan1 = 1704067200;  // 01.01.2024 00:00 UTC
constexpr std::int64_t kNow = 1717200000;

TEST(Cykle, NextDueTime) {
  struct Case {
    const char* what;
    std::int64_t start, last, days, next;
  };
  const Case cases[] = {
      {"confirmed at the start", kJan1, kJan1, 30, kJan1 + 30 * kDay},
      {"one period on", kJan1, kJan1 + 30 * kDay, 30, kJan1 + 60 * kDay},
      {"inside the second period", kJan1, kJan1 + 45 * kDay, 30, kJan1 + 60 * kDay},
      {"an hour before a boundary: a whole period after it", kJan1, kJan1 + 30 * kDay - 3600, 30,
       kJan1 + 60 * kDay - 3600},
      {"a day before a boundary: the boundary", kJan1, kJan1 + 29 * kDay, 30, kJan1 + 30 * kDay},
      {"a period of one day, confirmed mid-day", kJan1, kJan1 + kDay / 2, 1, kJan1 + kDay + kDay / 2},
      {"confirmed before the start: the division truncates", kJan1, kJan1 - 10 * kDay, 30, kJan1 + 30 * kDay},
      {"well before the start", kJan1, kJan1 - 45 * kDay, 30, kJan1},
      {"period 0: now", kJan1, kJan1, 0, kNow},
      {"a negative period: now", kJan1, kJan1, -5, kNow},
      {"30,000 days", kJan1, kJan1, 30000, kJan1 + 30000 * kDay},
      {"33,554,432 days", kJan1, kJan1, 33554432, kJan1 + 33554432LL * kDay},
      {"the largest int", 0, 0, 2147483647, 2147483647LL * kDay},
  };
  for (const Case& c : cases) EXPECT_EQ(kal::cykle_next_due(c.start, c.last, c.days, kNow), c.next) << c.what;
}

TEST(Cykle, DueState) {
  struct Case {
    std::int64_t since_last, days;
    int state;
  };
  const Case cases[] = {
      {30 * kDay, 30, 2},         {30 * kDay + 1, 30, 2},    {29 * kDay, 30, 1}, {30 * kDay - 1, 30, 1},
      {29 * kDay - 1, 30, 0},     {0, 30, 0},                {0, 1, 1},          {kDay, 1, 2},
      {1000 * kDay, 0, 0},        {1000 * kDay, -3, 0},      {0, 33554432, 0},   {-5 * kDay, 30, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(kal::cykle_state(kNow - c.since_last, c.days, kNow), c.state) << c.since_last << " " << c.days;
}

TEST(Cykle, PeriodAndDateTexts) {
  for (const char* ok : {"", "0", "30", " 30", "36500", "30 "}) EXPECT_TRUE(kal::cykle_period_ok(ok)) << ok;
  for (const char* bad : {"-1", "36501", "33554432", "30x", "x", "99999999999999999999", "3.5"})
    EXPECT_FALSE(kal::cykle_period_ok(bad)) << bad;
  for (const char* ok : {"01.02.2024", "1.2.2024", "01.02.2024 10:30", "2024-02-01"})
    EXPECT_TRUE(kal::cykle_date_readable(ok)) << ok;
  for (const char* bad : {"", "jutro", "32.01.2024", "01.13.2024", "01.02"})
    EXPECT_FALSE(kal::cykle_date_readable(bad)) << bad;
}

}  // namespace
