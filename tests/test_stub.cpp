// The stub program: its one line, whatever it is given.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "kal_testutil.hpp"
#include "platform/textfile.hpp"

namespace {

TEST(Stub, PrintsItsNameLineAndEndsWellWhateverItIsGiven) {
  kaltest::TempDir tmp("stub");
  const std::vector<std::vector<std::string>> arg_lists = {
      {}, {"-console"}, {"-install", "HttpPort=1"}, {"--help"}, {"", "a b", "%s%n%d"},
  };
  for (const auto& extra : arg_lists) {
    std::vector<std::string> args = {KAL_TARNQUIL_PATH};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string out = tmp.file("out.txt"), err = tmp.file("err.txt");
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), nullptr), 0);
    posix_spawn_file_actions_destroy(&fa);
    int st = 0;
    ASSERT_EQ(waitpid(pid, &st, 0), pid);
    ASSERT_TRUE(WIFEXITED(st));
    EXPECT_EQ(WEXITSTATUS(st), 0) << extra.size();
    std::string text, errors;
    kal::read_file(out, text);
    kal::read_file(err, errors);
    EXPECT_EQ(text, "tarnquil()\n") << extra.size();
    EXPECT_EQ(errors, "") << extra.size();
  }
}

}  // namespace
