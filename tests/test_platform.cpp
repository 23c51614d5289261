#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/paths.hpp"
#include "platform/textfile.hpp"
#include "tests/kal_testutil.hpp"

namespace fs = std::filesystem;

namespace {

struct TempDir : kaltest::TempDir {
  TempDir() : kaltest::TempDir("platform") {}
};

std::string raw(const std::string& path) {
  std::string s;
  EXPECT_EQ(kal::read_file(path, s), 0);
  return s;
}

}  // namespace

TEST(TextFile, LineEndsAreCrLfOnDiskAndLfInside) {
  TempDir d;
  std::string f = d.file("a.txt");
  ASSERT_EQ(kal::write_text_file(f, "one\ntwo\n\nlast"), 0);
  EXPECT_EQ(raw(f), "one\r\ntwo\r\n\r\nlast");
  std::string back;
  ASSERT_EQ(kal::read_text_file(f, back), 0);
  EXPECT_EQ(back, "one\ntwo\n\nlast");

  // Readers take bare LF too, and keep a CR that ends no line.
  ASSERT_EQ(kal::atomic_rewrite(f, "a\nb\r\nc\rd"), 0);
  ASSERT_EQ(kal::read_text_file(f, back), 0);
  EXPECT_EQ(back, "a\nb\nc\rd");
}

TEST(TextFile, TextInAndTextOut) {
  TempDir d;
  kal::TextOut out(d.file("t.txt"));
  out.printf("%s=%d\n", "x", 42);
  out.write(std::string(2000, 'y'));
  out.put('\n');
  ASSERT_EQ(out.commit(), 0);

  kal::TextIn in;
  ASSERT_EQ(in.open(d.file("t.txt")), 0);
  std::string line;
  bool lf = false;
  ASSERT_TRUE(in.getline(line, &lf));
  EXPECT_EQ(line, "x=42");
  EXPECT_TRUE(lf);
  ASSERT_TRUE(in.getline(line, &lf));
  EXPECT_EQ(line.size(), 2000u);
  EXPECT_FALSE(in.getline(line, &lf));
  EXPECT_EQ(in.getc(), EOF);
  EXPECT_EQ(in.open(d.file("missing.txt")), -1);
}

TEST(AtomicRewrite, ReplacesWholeFileAndLeavesNoTemporary) {
  TempDir d;
  std::string f = d.file("Firmy.dat");
  ASSERT_EQ(kal::atomic_rewrite(f, "old contents that are longer"), 0);
  ASSERT_EQ(kal::atomic_rewrite(f, "new"), 0);
  EXPECT_EQ(raw(f), "new");
  int entries = 0;
  for (auto& e : fs::directory_iterator(d.path)) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

TEST(AtomicRewrite, FailedWriteKeepsOldFileAndReportsError) {
  TempDir d;
  std::string f = d.file("Naprawy.dat");
  const std::string old = "version 1\r\n1 'keep me'\r\n";
  ASSERT_EQ(kal::atomic_rewrite(f, old), 0);

  // Let the write run out of room half way: the file size limit makes the
  // kernel refuse the bytes, whoever runs the test.
  struct rlimit saved {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string err;
  int rc = kal::atomic_rewrite(f, std::string(10000, 'x'), &err);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, old_handler);

  EXPECT_EQ(rc, -1);
  EXPECT_FALSE(err.empty());
  EXPECT_EQ(raw(f), old);
  int entries = 0;
  for (auto& e : fs::directory_iterator(d.path)) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 1) << "the temporary file must be removed";
}

TEST(AtomicRewrite, ReadOnlyDirectoryKeepsOldFile) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only directories";
  TempDir d;
  std::string f = d.file("Users.dat");
  ASSERT_EQ(kal::atomic_rewrite(f, "old"), 0);
  fs::permissions(d.path, fs::perms::owner_read | fs::perms::owner_exec);
  std::string err;
  EXPECT_EQ(kal::atomic_rewrite(f, "new"), -1);
  fs::permissions(d.path, fs::perms::owner_all);
  EXPECT_EQ(raw(f), "old");
}

TEST(AtomicRewrite, MissingDirectoryIsAnError) {
  TempDir d;
  std::string err;
  EXPECT_EQ(kal::atomic_rewrite(d.file("no/such/dir.dat"), "x", &err), -1);
  EXPECT_NE(err.find("no/such"), std::string::npos);
}

TEST(Paths, JoinAndConvert) {
  struct {
    const char *a, *b, *want;
  } cases[] = {
      {"dat", "Firmy.dat", "dat/Firmy.dat"},
      {"dat/", "Firmy.dat", "dat/Firmy.dat"},
      {"dat", "/Firmy.dat", "dat/Firmy.dat"},
      {"", "Firmy.dat", "Firmy.dat"},
      {"img\\barcode\\", "1.jpg", "img/barcode/1.jpg"},
      {"/", "x", "/x"},
      {"c", "", "c"},
  };
  for (auto& c : cases) EXPECT_EQ(kal::path_join(c.a, c.b), c.want) << c.a << " + " << c.b;
  EXPECT_EQ(kal::unix_path("dat\\Firmy.dat"), "dat/Firmy.dat");
}

TEST(Paths, ConfinedPaths) {
  struct {
    std::string path;
    bool ok;
  } cases[] = {
      {"img/logo.jpg", true},
      {"styl.css", true},
      {"a..b/c", true},
      {"", false},
      {"../dat/Users.dat", false},
      {"img/../../x.jpg", false},
      {"img/..", false},
      {"/etc/passwd", false},
      {"img\\..\\x", false},
      {std::string("img/a\0b", 7), false},
      {"c:/x", false},
  };
  for (auto& c : cases) EXPECT_EQ(kal::path_is_confined(c.path), c.ok) << c.path;
}

TEST(Paths, MakeDirs) {
  TempDir d;
  std::string deep = (d.path / "a/b/c").string();
  EXPECT_EQ(kal::make_dirs(deep), 0);
  EXPECT_TRUE(fs::is_directory(deep));
  EXPECT_EQ(kal::make_dirs(deep), 0);
}
