// Batch files run as shell scripts: waited for with the caller called back
// while they run, ended with everything they started when the caller stops.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/batch.hpp"
#include "platform/textfile.hpp"
#include "tests/kal_testutil.hpp"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

std::string read(const std::string& path) {
  std::string s;
  kal::read_file(path, s);
  return s;
}

}  // namespace

TEST(Batch, WaitsForTheScriptCallingBackWhileItRuns) {
  kaltest::TempDir d("batch");
  struct {
    const char* script;
    int exit_code;
    int min_ticks;
  } cases[] = {
      {"exit 0\n", 0, 0},
      {"exit 5\n", 5, 0},
      {"sleep 1.2\n", 0, 4},
      {"kill -PIPE $$\n", -1, 0},  // ended by a signal: no exit code of its own
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    ASSERT_EQ(kal::atomic_rewrite(d.file("p.bat"), c.script), 0);
    int ticks = 0;
    kal::BatchResult r;
    ASSERT_EQ(kal::run_batch(d.file("p.bat"), [&] { return ++ticks > 0; }, &r, 200), 0);
    EXPECT_EQ(r.exit_code, c.exit_code);
    EXPECT_FALSE(r.stopped);
    EXPECT_GE(ticks, c.min_ticks);
  }
}

TEST(Batch, StopEndsTheScriptAndWhatItStarted) {
  kaltest::TempDir d("batch");
  // The script starts a child of its own and waits for it.
  ASSERT_EQ(kal::atomic_rewrite(d.file("p.bat"), "sleep 30 &\necho $! > '" + d.file("child") + "'\nwait\n"), 0);
  int ticks = 0;
  kal::BatchResult r;
  const auto t0 = Clock::now();
  ASSERT_EQ(kal::run_batch(d.file("p.bat"), [&] { return ++ticks < 3; }, &r, 100), 0);
  EXPECT_LT(Clock::now() - t0, std::chrono::seconds(5));
  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(r.exit_code, -1);
  const pid_t child = std::atoi(read(d.file("child")).c_str());
  ASSERT_GT(child, 0);
  bool gone = false;
  for (int i = 0; i < 200 && !gone; ++i) {
    gone = ::kill(child, 0) != 0;
    if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(gone) << "the script's own child ended with it";
}

TEST(Batch, NameIsAFileNeverACommandLine) {
  kaltest::TempDir d("batch");
  const fs::path saved = fs::current_path();
  fs::current_path(d.path);
  // A relative name is the file in the current directory, even one that looks
  // like an option or holds shell characters.
  for (const char* name : {"p.bat", "-c", "a b;touch pwned"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(kal::atomic_rewrite(name, "echo ran > ran.txt\n"), 0);
    kal::BatchResult r;
    EXPECT_EQ(kal::run_batch(name, {}, &r), 0);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(read("ran.txt"), "ran\n");
    fs::remove("ran.txt");
  }
  EXPECT_FALSE(fs::exists("pwned"));
  kal::BatchResult r;
  EXPECT_EQ(kal::run_batch("missing.bat", {}, &r), ENOENT);
  EXPECT_EQ(kal::run_batch("", {}, &r), ENOENT);
  fs::create_directory("dir.bat");
  EXPECT_EQ(kal::run_batch("dir.bat", {}, &r), EISDIR);
  fs::current_path(saved);
}

TEST(Program, ArgumentsReachTheProgramAsTheyAreAndItsOutputGoesToTheFile) {
  kaltest::TempDir d("program");
  const fs::path saved = fs::current_path();
  fs::current_path(d.path);
  // Arguments a shell would split or run reach the program one by one.
  const std::vector<std::string> args = {"/usr/bin/printf", "[%s]\\n", "a b", "x; touch pwned", "$(touch pwned2)",
                                         "'\"", ""};
  kal::BatchResult r;
  ASSERT_EQ(kal::run_program(args, "out.txt", {}, &r), 0);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(read("out.txt"), "[a b]\n[x; touch pwned]\n[$(touch pwned2)]\n['\"]\n[]\n");
  EXPECT_FALSE(fs::exists("pwned"));
  EXPECT_FALSE(fs::exists("pwned2"));

  // A name without "/" is looked up along PATH, the output file emptied
  // first; the exit code comes back.
  ASSERT_EQ(kal::run_program({"sh", "-c", "echo short; exit 7"}, "out.txt", {}, &r), 0);
  EXPECT_EQ(r.exit_code, 7);
  EXPECT_EQ(read("out.txt"), "short\n");

  // No such program: the errno code, nothing run.
  EXPECT_EQ(kal::run_program({"no-such-program-here"}, "", {}, &r), ENOENT);
  EXPECT_EQ(kal::run_program({"./no-such-program"}, "", {}, &r), ENOENT);
  EXPECT_EQ(kal::run_program({}, "", {}, &r), ENOENT);
  fs::current_path(saved);
}
