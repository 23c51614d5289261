// Console lines captured per thread: what a thread prints while a capture is
// open lands in it, whole, and nowhere else.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "lib/console.hpp"

TEST(Console, CaptureTakesTheLinesOfItsThreadOnly) {
  std::string outer, inner, other;
  const std::string long_text(70000, 'x');
  ::testing::internal::CaptureStdout();
  kal::console_printf("before %d\n", 1);
  {
    kal::console_capture a(outer);
    kal::console_printf("outer %s\n", "A");
    {
      kal::console_capture b(inner);
      kal::console_printf("%s|%d\n", long_text.c_str(), 2);
    }
    std::thread t([&] {
      kal::console_capture c(other);
      kal::console_printf("other\n");
    });
    t.join();
    kal::console_printf("outer %s\n", "B");
  }
  kal::console_printf("after\n");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "before 1\nafter\n");
  EXPECT_EQ(outer, "outer A\nouter B\n");
  EXPECT_EQ(inner, long_text + "|2\n");
  EXPECT_EQ(other, "other\n");
}

TEST(Console, ThreadsWithoutCaptureStillPrint) {
  ::testing::internal::CaptureStdout();
  std::thread([] { kal::console_printf("from a thread\n"); }).join();
  std::fflush(stdout);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "from a thread\n");
}
