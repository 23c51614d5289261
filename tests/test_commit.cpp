// Files changed together land together: the commit of one request.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/commit.hpp"
#include "platform/textfile.hpp"
#include "tests/kal_pages.hpp"
#include "tests/kal_testutil.hpp"
#include "tests/vtab_file_util.hpp"

namespace {

namespace fs = std::filesystem;

// The bytes on the disk, read past the open commit.
std::string on_disk(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<none>";
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void put(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// Every name in the directory but the files given.
std::vector<std::string> others(const kaltest::TempDir& dir, const std::vector<std::string>& known) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(dir.path)) {
    const std::string name = e.path().filename().string();
    bool k = false;
    for (const std::string& n : known) k = k || n == name;
    if (!k) out.push_back(name);
  }
  return out;
}

struct Files {
  kaltest::TempDir dir{"commit"};
  std::string a = dir.file("A.dat"), b = dir.file("B.dat"), record = dir.file("commit.txt");
  Files() {
    put(a, "a1");
    put(b, "b1");
  }
  std::vector<std::string> leftovers() const { return others(dir, {"A.dat", "B.dat", "C.dat", "commit.txt"}); }
};

TEST(Commit, TheFilesOfOneScopeLandTogetherAndAreReadBackBeforeThat) {
  Files f;
  const std::string c = f.dir.file("C.dat");
  kal::CommitScope scope(f.record);
  {
    kal::JoinCommit join;
    ASSERT_EQ(kal::atomic_rewrite(f.a, "a2"), 0);
    ASSERT_EQ(kal::write_text_file(c, "c\n"), 0);
    kal::TextOut out(f.b, kal::TextOut::disk_form);
    out.stream();
    out.write("b2\n");
    ASSERT_EQ(out.commit(), 0);
  }
  // Nothing replaced yet; the request reads what it wrote.
  EXPECT_EQ(on_disk(f.a), "a1");
  EXPECT_EQ(on_disk(f.b), "b1");
  EXPECT_EQ(on_disk(c), "<none>");
  std::string got;
  ASSERT_EQ(kal::read_file(f.a, got), 0);
  EXPECT_EQ(got, "a2");
  ASSERT_EQ(kal::read_text_file(c, got), 0);
  EXPECT_EQ(got, "c\n");
  EXPECT_TRUE(kal::file_exists(c));

  ASSERT_EQ(scope.commit(), 0);
  EXPECT_EQ(on_disk(f.a), "a2");
  EXPECT_EQ(on_disk(f.b), "b2\r\n");
  EXPECT_EQ(on_disk(c), "c\r\n");
  EXPECT_TRUE(f.leftovers().empty());
}

// A rewrite that fails fails the whole commit: every old file stays, no
// temporary is left, and whoever kept what a file holds hears of it.
TEST(Commit, AFailedRewriteLeavesEveryOldFile) {
  struct Case {
    const char* what;
    bool streamed;
  };
  for (const Case& k : {Case{"whole", false}, Case{"streamed", true}}) {
    SCOPED_TRACE(k.what);
    Files f;
    bool undone = false;
    std::string why;
    {
      kal::CommitScope scope(f.record);
      kal::JoinCommit join;
      ASSERT_EQ(kal::atomic_rewrite(f.a, "a2"), 0);
      kal::commit_on_abort([&] { undone = true; });
      {
        vtab_test::FileSizeLimit limit(1000);
        const std::string big(5000, 'x');
        if (k.streamed) {
          kal::TextOut out(f.b, kal::TextOut::disk_form);
          out.stream();
          out.write(big);
          EXPECT_NE(out.commit(), 0);
        } else {
          EXPECT_NE(kal::atomic_rewrite(f.b, big), 0);
        }
      }
      // Later rewrites of the request change nothing either.
      ASSERT_EQ(kal::atomic_rewrite(f.dir.file("C.dat"), "c"), 0);
      testing::internal::CaptureStdout();
      EXPECT_EQ(scope.commit(&why), -1) << "the failed save was told when it happened";
      const std::string said = testing::internal::GetCapturedStdout();
      EXPECT_NE(said.find("commit() nothing of this change was saved"), std::string::npos) << said;
    }
    EXPECT_NE(why.find("B.dat"), std::string::npos) << why;
    EXPECT_TRUE(undone);
    EXPECT_EQ(on_disk(f.a), "a1");
    EXPECT_EQ(on_disk(f.b), "b1");
    EXPECT_EQ(on_disk(f.dir.file("C.dat")), "<none>");
    EXPECT_TRUE(f.leftovers().empty());
  }
}

// The commit itself cannot be made (its record cannot be written): nothing
// lands, and the caller can tell it from a save that failed on the way.
TEST(Commit, ACommitWhoseRecordCannotBeWrittenLeavesEveryOldFile) {
  Files f;
  fs::create_directory(f.record);  // in the record's way
  std::string why;
  {
    kal::CommitScope scope(f.record);
    kal::JoinCommit join;
    ASSERT_EQ(kal::atomic_rewrite(f.a, "a2"), 0);
    ASSERT_EQ(kal::atomic_rewrite(f.b, "b2"), 0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(scope.commit(&why), -2);
    testing::internal::GetCapturedStdout();
  }
  EXPECT_NE(why.find("commit.txt"), std::string::npos) << why;
  EXPECT_EQ(on_disk(f.a), "a1");
  EXPECT_EQ(on_disk(f.b), "b1");
  EXPECT_TRUE(f.leftovers().empty());
}

// Over HTTP: a page that says it saved, whose commit then fails, is replaced
// by one that says nothing was saved, and the files are as they were.
TEST(CommitE2E, APageWhoseCommitFailsSaysSoAndChangesNoFile) {
  kal::pages::Site site;
  ASSERT_TRUE(site.start()) << site.log();
  const std::string record = site.server().file("commit.txt");
  fs::remove(record);
  fs::create_directory(record);
  const std::string before = site.dat("Formy_platnosci"), sessions = site.dat("Sessions");
  const std::string page =
      site.post({{"n_67", site.setting("Zatwierdz_button")}, {"Formy_platnosci_nazwa", "Przelew 30 dni"}});
  EXPECT_TRUE(kal::pages::has(page, "Zmiany nie zostały zapisane na dysku: ")) << page;
  EXPECT_FALSE(kal::pages::has(page, "Przelew 30 dni")) << page;
  EXPECT_EQ(site.dat("Formy_platnosci"), before);
  EXPECT_EQ(site.dat("Sessions"), sessions);

  // Once the record can be written again, the table's next save lands whole,
  // with what the program kept in memory.
  fs::remove(record);
  site.post({{"n_67", site.setting("Zatwierdz_button")}, {"Formy_platnosci_nazwa", "Gotówka 7 dni"}});
  const std::string after = site.dat("Formy_platnosci");
  EXPECT_TRUE(kal::pages::has(after, "'Przelew 30 dni'") && kal::pages::has(after, "'Gotówka 7 dni'")) << after;
  EXPECT_EQ(site.stop(), 0) << site.log();
}

// Only durable rewrites under a guard inside a scope wait for the commit.
TEST(Commit, OtherRewritesReplaceTheirFileAtOnce) {
  struct Case {
    const char* what;
    bool scope, guard, durable;
  };
  for (const Case& k : {Case{"no scope", false, true, true}, Case{"no guard", true, false, true},
                        Case{"a guard that does not join", true, false, true},
                        Case{"not durable (the heartbeat)", true, true, false}}) {
    SCOPED_TRACE(k.what);
    Files f;
    std::optional<kal::CommitScope> scope;
    if (k.scope) scope.emplace(f.record);
    kal::JoinCommit join(k.guard);
    EXPECT_EQ(k.durable ? kal::atomic_rewrite(f.a, "a2") : kal::replace_file_nosync(f.a, "a2"), 0);
    EXPECT_EQ(on_disk(f.a), "a2");
    EXPECT_TRUE(f.leftovers().empty());
  }
}

TEST(Commit, AFileRewrittenTwiceLandsOnceWithItsLastContents) {
  Files f;
  kal::CommitScope scope(f.record);
  kal::JoinCommit join;
  ASSERT_EQ(kal::atomic_rewrite(f.a, "a2"), 0);
  ASSERT_EQ(kal::atomic_rewrite(f.b, "b2"), 0);
  ASSERT_EQ(kal::atomic_rewrite(f.dir.path.string() + "/./A.dat", "a3"), 0);
  EXPECT_EQ(f.leftovers().size(), 2u) << "one temporary file a file";
  ASSERT_EQ(scope.commit(), 0);
  EXPECT_EQ(on_disk(f.a), "a3");
  EXPECT_EQ(on_disk(f.b), "b2");
  EXPECT_TRUE(f.leftovers().empty());
}

TEST(Commit, AScopeLeftWithoutCommitDropsItsFilesAndAnInnerOneCommitsWithTheOuter) {
  Files f;
  {
    kal::CommitScope scope(f.record);
    kal::JoinCommit join;
    ASSERT_EQ(kal::atomic_rewrite(f.a, "a2"), 0);
    testing::internal::CaptureStdout();
  }
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(on_disk(f.a), "a1");
  EXPECT_TRUE(f.leftovers().empty());

  kal::CommitScope outer(f.record);
  kal::JoinCommit join;
  {
    kal::CommitScope inner(f.record);
    EXPECT_FALSE(inner.outermost());
    ASSERT_EQ(kal::atomic_rewrite(f.a, "a2"), 0);
    EXPECT_EQ(inner.commit(), 0);
  }
  EXPECT_EQ(on_disk(f.a), "a1");
  ASSERT_EQ(kal::atomic_rewrite(f.b, "b2"), 0);
  EXPECT_EQ(outer.commit(), 0);
  EXPECT_EQ(on_disk(f.a), "a2");
  EXPECT_EQ(on_disk(f.b), "b2");
}

// A process killed at the moments that matter, and the next start's
// recovery.
TEST(Commit, ACrashLeavesAllOldFilesOrTheNextStartCompletesAllNewOnes) {
  enum class Stop { before_commit, after_record, after_record_cut_short };
  struct Case {
    const char* what;
    Stop stop;
    bool lands;
  };
  for (const Case& k : {Case{"before the record", Stop::before_commit, false},
                        Case{"after the record", Stop::after_record, true},
                        Case{"record cut short", Stop::after_record_cut_short, false}}) {
    SCOPED_TRACE(k.what);
    Files f;
    const std::string c = f.dir.file("C.dat");
    put(c, "c1");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      kal::commit_detail::after_record = [] { ::_exit(0); };
      kal::CommitScope scope(f.record);
      kal::JoinCommit join;
      kal::atomic_rewrite(f.a, "a2");
      kal::atomic_rewrite(f.b, "b2");
      kal::atomic_rewrite(c, "c2");
      if (k.stop == Stop::before_commit) ::_exit(0);
      scope.commit();
      ::_exit(1);  // the hook stops it first
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(on_disk(f.a), "a1");
    EXPECT_EQ(f.leftovers().size(), 3u) << "the temporary files";
    if (k.stop == Stop::after_record_cut_short) {
      const std::string whole = on_disk(f.record);
      ASSERT_GT(whole.size(), 10u);
      put(f.record, whole.substr(0, whole.size() - 3));
    }

    testing::internal::CaptureStdout();
    const int replaced = kal::commit_recover(f.record);
    kal::remove_rewrite_leftovers(f.dir.path.string());
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_EQ(replaced, k.lands ? 3 : 0) << said;
    const char* want = k.lands ? "2" : "1";
    EXPECT_EQ(on_disk(f.a), std::string("a") + want);
    EXPECT_EQ(on_disk(f.b), std::string("b") + want);
    EXPECT_EQ(on_disk(c), std::string("c") + want);
    EXPECT_TRUE(f.leftovers().empty()) << said;
    EXPECT_TRUE(on_disk(f.record) == "" || on_disk(f.record) == "<none>");
    // A second start finds nothing to do.
    EXPECT_EQ(kal::commit_recover(f.record), 0);
  }
}

}  // namespace
