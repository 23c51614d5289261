// Backups and the scheduled jobs: the dated directories and what they hold,
// the paths that are refused, failures shown instead of the success text, the
// schedule, the send script, and the same with the real program.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "db/mgs.hpp"
#include "kal_e2e.hpp"
#include "kal_testutil.hpp"
#include "lib/hashtbl.hpp"
#include "mages/admin/mgs_backup.hpp"
#include "pagemgr/pagemgr.hpp"
#include "platform/textfile.hpp"
#include "server/serv.hpp"
#include "server/ustawienia.hpp"
#include "server/winservice.hpp"

namespace fs = std::filesystem;

namespace {

const std::string kData = KAL_SOURCE_DIR "/data";
const char* const kSuccess = "<center><h3>Kopia zapasowa wykonana</h3></center>\n";

std::string slurp(const fs::path& p) {
  std::string s;
  kal::read_file(p.string(), s);
  return s;
}

void spit(const fs::path& p, const std::string& bytes) { ASSERT_EQ(kal::atomic_rewrite(p.string(), bytes), 0) << p; }

// Every file of a directory (not below it): name -> bytes.
std::map<std::string, std::string> files_of(const fs::path& dir) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.is_regular_file()) out[e.path().filename().string()] = slurp(e.path());
  return out;
}

// The dated directories under a backup path, in name order.
std::vector<fs::path> dated_dirs(const fs::path& path) {
  static const std::regex dated(R"(\d{4}-\d\d-\d\d_\d\d_\d\d_\d\d)");
  std::vector<fs::path> out;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(path, ec))
    if (e.is_directory() && std::regex_match(e.path().filename().string(), dated)) out.push_back(e.path());
  std::sort(out.begin(), out.end());
  return out;
}

// The table files a backup holds: every shipped table but the postcodes.
std::set<std::string> table_files() {
  std::set<std::string> out;
  for (const auto& e : fs::directory_iterator(kData + "/dat"))
    if (e.path().extension() == ".dat" && e.path().filename() != "Kody_poczt.dat") out.insert(e.path().filename());
  return out;
}

std::string reply_of(const std::function<int()>& run, int* rc) {
  send_buf_len = 0;
  send_buf[0] = 0;
  *rc = run();
  std::string out = kaltest::page_text(std::string_view(send_buf, static_cast<std::size_t>(send_buf_len)));
  send_buf_len = 0;
  send_buf[0] = 0;
  return out;
}

// A copy of the shipped install directory, current while the test runs, with
// the settings and every table loaded as the program loads them.
class Backup : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(tmp_.path.empty());
    inst_ = tmp_.path / "inst";
    fs::copy(kData, inst_, fs::copy_options::recursive);
    saved_cwd_ = fs::current_path();
    fs::current_path(inst_);
    global_install_dir = inst_.string() + "/";
    setMGS_DATA_PATH("dat");
    backup_time = 65700;
    last_backup_time = last_send_time = 0;
    global_program_status = 0;
    testing::internal::CaptureStdout();
    ASSERT_EQ(kal::ustawienia_load(), 0);
    _mgs = mgs_new();
    ASSERT_NE(_mgs, nullptr);
    ASSERT_EQ(mgs_load(_mgs), 0);
    testing::internal::GetCapturedStdout();
  }
  void TearDown() override {
    mgs_delete(&_mgs);
    kal::ustawienia_free();
    fs::current_path(saved_cwd_);
    global_install_dir.clear();
    backup_time = 65700;
    last_backup_time = last_send_time = 0;
  }

  void set_backup_path(const std::string& path) { ASSERT_EQ(ustawienia_upd("backup_path", path.c_str()), 0); }

  // do_backup with its console output kept aside; the reply it appended.
  std::string backup(int* rc) {
    testing::internal::CaptureStdout();
    std::string reply = reply_of(do_backup, rc);
    console_ = testing::internal::GetCapturedStdout();
    return reply;
  }

  kaltest::TempDir tmp_{"backup"};
  fs::path inst_, saved_cwd_;
  std::string console_;
};

TEST_F(Backup, DatedDirectoryHoldsEveryTableTheUsersAndTheSettings) {
  // The users files go as they are on disk, whatever they hold.
  spit(inst_ / "dat" / "Users.dat", "users \"as on disk\"\r\n");
  spit(inst_ / "dat" / "User_types.dat", " 1 'admin'\r\n");
  const auto live_before = files_of(inst_ / "dat");
  const std::string settings_before = slurp(inst_ / "ustawienia.txt");

  int rc = -9;
  EXPECT_EQ(backup(&rc), kSuccess);
  EXPECT_EQ(rc, 0) << console_;
  // An empty "backup_path" is the install directory's "kopie", remembered.
  const fs::path kopie = inst_ / "kopie";
  EXPECT_EQ(std::string(ustawienia_get("backup_path")), kopie.string());
  const auto dirs = dated_dirs(kopie);
  ASSERT_EQ(dirs.size(), 1u);

  auto copy = files_of(dirs[0]);
  std::set<std::string> names;
  for (const auto& [name, bytes] : copy) names.insert(name);
  std::set<std::string> want = table_files();
  want.insert({"Users.dat", "User_types.dat", "ustawienia.txt"});
  EXPECT_EQ(names, want);
  for (const auto& [name, bytes] : copy) {
    if (name == "ustawienia.txt") continue;
    EXPECT_EQ(bytes, live_before.at(name)) << name;
  }
  // The settings as they are in memory, the backup path among them.
  hashtbl* saved = hashtbl_new(2000);
  hashtbl_load(saved, (dirs[0] / "ustawienia.txt").c_str());
  EXPECT_STREQ(hashtbl_get_ptr(saved, "backup_path"), kopie.c_str());
  EXPECT_EQ(saved->size, ustawienia_ht->size);
  hashtbl_delete(&saved);

  // Nothing live was written.
  EXPECT_EQ(files_of(inst_ / "dat"), live_before);
  EXPECT_EQ(slurp(inst_ / "ustawienia.txt"), settings_before);
  EXPECT_STREQ(MGS_DATA_PATH, "dat");
}

TEST_F(Backup, RepeatedBackupsAddDirectoriesAndRemoveNothing) {
  const fs::path kopie = tmp_.path / "nosnik" / "kopie";
  set_backup_path(kopie.string());
  // What lies there already stays: older backups, a rotated directory, a file.
  fs::create_directories(kopie / "2001-01-01_00_00_00");
  spit(kopie / "2001-01-01_00_00_00" / "Firmy.dat", "old");
  fs::create_directories(tmp_.path / "nosnik" / "kopie.old");
  spit(kopie / "notatka.txt", "keep");

  for (int i = 0; i < 3; ++i) {
    if (i) std::this_thread::sleep_for(std::chrono::milliseconds(1050));
    int rc = -9;
    EXPECT_EQ(backup(&rc), kSuccess) << i;
    EXPECT_EQ(rc, 0) << console_;
  }
  const auto dirs = dated_dirs(kopie);
  ASSERT_EQ(dirs.size(), 4u);
  EXPECT_EQ(slurp(dirs[0] / "Firmy.dat"), "old");
  for (std::size_t i = 1; i < dirs.size(); ++i) EXPECT_EQ(files_of(dirs[i]).size(), table_files().size() + 1) << i;
  EXPECT_TRUE(fs::is_directory(tmp_.path / "nosnik" / "kopie.old"));
  EXPECT_EQ(slurp(kopie / "notatka.txt"), "keep");
}

TEST_F(Backup, PathOfTheProgramOrItsDataOrAboveIsRefused) {
  fs::create_directory_symlink(inst_, tmp_.path / "link");
  const std::string i = inst_.string();
  const std::vector<std::string> refused = {
      i + "/dat", i + "/dat/", i + "\\dat", i, i + "/", i + "/..", "/", i + "/kopie/../dat",
      (tmp_.path / "link").string(), (tmp_.path / "link" / "dat").string(), "dat", ".", "kopie/../..",
  };
  const auto live_before = files_of(inst_ / "dat");
  for (const std::string& path : refused) {
    SCOPED_TRACE(path);
    set_backup_path(path);
    int rc = 0;
    const std::string reply = backup(&rc);
    EXPECT_EQ(rc, -1);
    EXPECT_NE(reply.find("<FONT COLOR=\"RED\">"), std::string::npos) << reply;
    EXPECT_NE(reply.find("Kopia zapasowa nie została wykonana"), std::string::npos) << reply;
    EXPECT_EQ(reply.find("wykonana</h3>"), std::string::npos);
    EXPECT_EQ(std::string(ustawienia_get("backup_path")), path) << "the setting stays as it was";
  }
  // dat/ holds what it held, and nothing was made in it or beside it.
  EXPECT_EQ(files_of(inst_ / "dat"), live_before);
  for (const auto& e : fs::directory_iterator(inst_ / "dat")) EXPECT_FALSE(e.is_directory()) << e.path();
  EXPECT_TRUE(dated_dirs(inst_).empty());
  EXPECT_TRUE(dated_dirs("/").empty());

  // Below the install directory, beside it, or inside the data directory is
  // another directory: allowed.
  for (const std::string& path : {i + "/kopie2", (tmp_.path / "obok").string(), i + "/dat/kopie"}) {
    set_backup_path(path);
    int rc = -9;
    EXPECT_EQ(backup(&rc), kSuccess) << path;
    EXPECT_EQ(dated_dirs(path).size(), 1u) << path;
  }
}

TEST_F(Backup, PathThatCannotBeMadeIsAnErrorEscapedOnThePage) {
  spit(tmp_.path / "plik", "a file, not a directory");
  set_backup_path((tmp_.path / "plik" / "<b>kopie").string());
  int rc = 0;
  const std::string reply = backup(&rc);
  EXPECT_EQ(rc, -1);
  EXPECT_NE(reply.find("<FONT COLOR=\"RED\">"), std::string::npos) << reply;
  EXPECT_NE(reply.find("nie można utworzyć katalogu"), std::string::npos) << reply;
  EXPECT_NE(reply.find("&lt;b&gt;kopie"), std::string::npos) << reply;
  EXPECT_EQ(reply.find("<b>kopie"), std::string::npos) << reply;
  EXPECT_EQ(reply.find(kSuccess), std::string::npos);
}

TEST_F(Backup, FilesThatCannotBeWrittenAreCountedAndShown) {
  const fs::path kopie = tmp_.path / "kopie";
  set_backup_path(kopie.string());
  // A directory in the way of two files, in the dated directory of this and
  // the next few seconds.
  const std::time_t now = std::time(nullptr);
  for (std::time_t t = now; t < now + 5; ++t) {
    fs::create_directories(kopie / t_to_fname(t) / "Firmy.dat" / "x");
    fs::create_directories(kopie / t_to_fname(t) / "ustawienia.txt" / "x");
  }
  int rc = 0;
  const std::string reply = backup(&rc);
  EXPECT_EQ(rc, 2);
  EXPECT_EQ(reply.find(kSuccess), std::string::npos) << reply;
  EXPECT_NE(reply.find("<FONT COLOR=\"RED\">"), std::string::npos) << reply;
  EXPECT_NE(reply.find("nie zapisano 2 plików (Firmy.dat, ustawienia.txt)"), std::string::npos) << reply;
  // The other files are there all the same.
  bool found = false;
  for (const auto& d : dated_dirs(kopie)) {
    if (!fs::exists(d / "Towary.dat")) continue;
    found = true;
    EXPECT_EQ(slurp(d / "Towary.dat"), slurp(inst_ / "dat" / "Towary.dat"));
  }
  EXPECT_TRUE(found);
}

TEST_F(Backup, TableLoadedWithDamageKeepsItsOriginalAfterABackup) {
  const fs::path live = inst_ / "dat" / "Firmy_typy.dat";
  const std::string damaged = slurp(live) + " 77 'cut short\r\n";
  spit(live, damaged);
  mgs_delete(&_mgs);
  _mgs = mgs_new();
  ASSERT_NE(_mgs, nullptr);
  testing::internal::CaptureStdout();
  ASSERT_EQ(mgs_load(_mgs), 0);
  testing::internal::GetCapturedStdout();
  ASSERT_NE(_mgs->_Firmy_typy_tab->damaged, 0);

  set_backup_path((tmp_.path / "kopie").string());
  int rc = -9;
  EXPECT_EQ(backup(&rc), kSuccess);
  // The copy does not count as the table's own first overwrite: that one
  // still keeps the damaged original aside.
  EXPECT_NE(_mgs->_Firmy_typy_tab->damaged, 0);
  testing::internal::CaptureStdout();
  EXPECT_EQ(mgs_save_Firmy_typy(_mgs), 0);
  testing::internal::GetCapturedStdout();
  int kept = 0;
  for (const auto& e : fs::directory_iterator(inst_ / "dat"))
    if (e.path().filename().string().rfind("Firmy_typy.dat.damaged-", 0) == 0) {
      ++kept;
      EXPECT_EQ(slurp(e.path()), damaged);
    }
  EXPECT_EQ(kept, 1);
}

// ---- schedule ------------------------------------------------------------------

int seconds_after_midnight(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec;
}

TEST(BackupSchedule, MomentIsTodaysClockTime) {
  const std::time_t now = std::time(nullptr);
  for (int secs : {1, 65700, 30600, 86399}) {
    const std::time_t m = kal::backup_moment(now, secs);
    std::tm got{}, today{};
    localtime_r(&m, &got);
    localtime_r(&now, &today);
    EXPECT_EQ(got.tm_year * 400 + got.tm_yday, today.tm_year * 400 + today.tm_yday) << secs;
    EXPECT_EQ(seconds_after_midnight(m), secs) << secs;
  }
  // No clock time within a day: no daily backup.
  for (int secs : {0, -1, -65700, 86400, INT_MAX, INT_MIN}) EXPECT_EQ(kal::backup_moment(now, secs), -1) << secs;
}

TEST_F(Backup, StartUpBackupThenDailyAtTheClockTime) {
  const fs::path kopie = tmp_.path / "kopie";
  set_backup_path(kopie.string());
  auto check = [&] {
    testing::internal::CaptureStdout();
    cron_backup();
    console_ = testing::internal::GetCapturedStdout();
    return dated_dirs(kopie).size();
  };
  // The first check backs up, whatever the time; the next ones within the
  // same second do not.  00:00 (or any time not within a day) adds nothing.
  for (int t : {0, -3600, 86400}) {
    backup_time = t;
    last_backup_time = 0;
    fs::remove_all(kopie);
    EXPECT_EQ(check(), 1u) << t;
    EXPECT_NE(console_.find("cron_backup() call do_backup()"), std::string::npos);
    for (int i = 0; i < 2; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1100));
      EXPECT_EQ(check(), 1u) << t;
    }
  }

  std::time_t now = std::time(nullptr);
  while (seconds_after_midnight(now) == 0) {  // midnight itself has no time before it today
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    now = std::time(nullptr);
  }
  const int secs = seconds_after_midnight(now);
  // Today's time passed since the last backup: one backup, then none.
  backup_time = secs > 60 ? secs - 60 : secs;
  last_backup_time = now - 120;
  fs::remove_all(kopie);
  EXPECT_EQ(check(), 1u);
  EXPECT_GE(last_backup_time, now);
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  EXPECT_EQ(check(), 1u);
  // Today's time still to come: nothing yet.
  if (secs + 600 < 86400) {
    backup_time = secs + 600;
    last_backup_time = now - 100000;
    fs::remove_all(kopie);
    EXPECT_EQ(check(), 0u);
  }
}

TEST_F(Backup, SendRunsTheScriptEverySendTimeMinutesNeverForZero) {
  set_backup_path((tmp_.path / "kopie").string());
  spit(inst_ / "p.bat", "echo sent >> sent.txt\n");
  struct {
    const char* value;  // nullptr: the setting is absent
    int sends;          // over two checks right after each other
    int send_time;
  } cases[] = {
      {nullptr, 0, 0}, {"", 0, 0}, {"0", 0, 0}, {"-3", 0, -180}, {"x", 0, 0},
      {"1", 1, 60}, {"5", 1, 300}, {"99999999999999", 1, INT_MAX},
  };
  // No backup in the way: the one of this start is done.
  backup_time = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(absent)");
    if (c.value) {
      hashtbl_put(ustawienia_ht, "send_time", c.value);
    } else {
      hashtbl* without = hashtbl_new(2000);
      for (std::uint32_t k = 0; k < ustawienia_ht->size; ++k)
        if (std::string(ustawienia_ht->keys[k]) != "send_time")
          hashtbl_put(without, ustawienia_ht->keys[k], ustawienia_ht->values[k]);
      hashtbl_delete(&ustawienia_ht);
      ustawienia_ht = without;
    }
    ASSERT_STREQ(ustawienia_get("send_time"), c.value ? c.value : "send_time");
    fs::remove(inst_ / "sent.txt");
    last_send_time = 0;
    last_backup_time = std::time(nullptr);
    testing::internal::CaptureStdout();
    cron_backup();
    cron_backup();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(send_time, c.send_time);
    std::string sent = slurp(inst_ / "sent.txt");
    EXPECT_EQ(static_cast<int>(std::count(sent.begin(), sent.end(), '\n')), c.sends);
    EXPECT_EQ(out.find("cron_send() call do_send()") != std::string::npos, c.sends > 0) << out;
  }
}

TEST_F(Backup, SendScriptByArgumentVectorAndItsResult) {
  // The name is the script's path, never a command line: blanks and shell
  // characters in the install directory are just characters.
  const fs::path odd = tmp_.path / "a b;$(touch pwned)";
  fs::create_directories(odd);
  global_install_dir = odd.string();  // no trailing separator: one is put in
  spit(odd / "p.bat", "echo \"$0\" > \"$(dirname \"$0\")/ran.txt\"\nexit 3\n");
  testing::internal::CaptureStdout();
  EXPECT_EQ(do_send(), 3);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(slurp(odd / "ran.txt"), (odd / "p.bat").string() + "\n");
  EXPECT_FALSE(fs::exists(inst_ / "pwned"));
  EXPECT_FALSE(fs::exists(tmp_.path / "pwned"));
  EXPECT_NE(out.find("do_send() call " + (odd / "p.bat").string() + "\n"), std::string::npos) << out;

  fs::remove(odd / "p.bat");
  testing::internal::CaptureStdout();
  EXPECT_EQ(do_send(), -1);
  out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("can't run"), std::string::npos) << out;
}

// ---- helpers --------------------------------------------------------------------

TEST(BackupHelpers, FileNamesOfLocalTimes) {
  const char* saved = std::getenv("TZ");
  const std::string old = saved ? saved : "";
  setenv("TZ", "UTC", 1);
  tzset();
  struct {
    std::time_t t;
    const char* name;
  } cases[] = {
      {0, "1970-01-01_00_00_00"},
      {1700000000, "2023-11-14_22_13_20"},
      {2147483647, "2038-01-19_03_14_07"},
      {8589934592LL, "2242-03-16_12_56_32"},  // past 32 bits
  };
  for (const auto& c : cases) EXPECT_STREQ(t_to_fname(c.t), c.name);
  // A name stays valid for the next nine calls.
  std::vector<const char*> ring;
  for (int i = 0; i < 10; ++i) ring.push_back(t_to_fname(86400LL * i));
  for (int i = 0; i < 10; ++i) {
    char want[32];
    std::snprintf(want, sizeof want, "1970-01-%02d_00_00_00", i + 1);
    EXPECT_STREQ(ring[i], want) << i;
  }
  if (saved)
    setenv("TZ", old.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

TEST(BackupHelpers, DirectoriesAlongAPathAndRemovingFiles) {
  kaltest::TempDir tmp("mkdirs");
  const fs::path saved = fs::current_path();
  fs::current_path(tmp.path);
  testing::internal::CaptureStdout();
  EXPECT_EQ(mkfullpathdir("a\\b\\c"), 0);
  EXPECT_EQ(mkfullpathdir((tmp.path / "x//y" / "z/").c_str()), 0);
  EXPECT_EQ(mkfullpathdir("a/b/c"), 0) << "already there";
  spit(tmp.path / "plik", "f");
  EXPECT_EQ(mkfullpathdir("plik/d"), -3);
  EXPECT_EQ(mkfullpathdir(nullptr), -1);
  testing::internal::GetCapturedStdout();
  EXPECT_TRUE(fs::is_directory(tmp.path / "a" / "b" / "c"));
  EXPECT_TRUE(fs::is_directory(tmp.path / "x" / "y" / "z"));

  spit(tmp.path / "a" / "f.dat", "f");
  EXPECT_EQ(remove_file("a", "f.dat"), 0);
  EXPECT_FALSE(fs::exists(tmp.path / "a" / "f.dat"));
  EXPECT_EQ(remove_file("a", "f.dat"), 0) << "a missing file is no error";
  EXPECT_EQ(remove_file(nullptr, "f.dat"), 0);
  fs::current_path(saved);
}

// ---- the real program --------------------------------------------------------------

std::string users_file() {
  Users_tab* tab = Users_tab_new();
  Users row{};
  row.Id = 1;
  row.user_name = "szef";
  row.user_passwd = "tajne";
  row.created_time = 1700000000;
  row.Id_User_types = 1;
  Users_tab_insert(tab, &row);
  kal::TextOut out;
  Users_tab_save(out, tab);
  Users_tab_delete(&tab);
  return kal::text_to_disk(out.text());
}

bool wait_until(const std::function<bool()>& done, int ms) {
  for (int waited = 0; waited < ms; waited += 50) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return done();
}

TEST(BackupE2E, ProgramBacksUpWithinSecondsOfItsStart) {
  kal::e2e::Server::Options o;
  o.files = {{"dat/Users.dat", users_file()}, {"dat/User_types.dat", " 1 'administrator'\r\n 2 'pracownik'\r\n"}};
  kal::e2e::Server srv(o);
  ASSERT_TRUE(srv.start()) << srv.log();
  const fs::path kopie = fs::path(srv.install_dir()) / "kopie";
  ASSERT_TRUE(wait_until(
      [&] {
        auto dirs = dated_dirs(kopie);
        return dirs.size() == 1 && fs::exists(dirs[0] / "ustawienia.txt");
      },
      10000))
      << srv.log();
  const auto copy = files_of(dated_dirs(kopie)[0]);
  const auto live = files_of(fs::path(srv.install_dir()) / "dat");
  std::set<std::string> want = table_files();
  want.insert({"Users.dat", "User_types.dat"});
  for (const std::string& name : want) {
    ASSERT_TRUE(copy.count(name)) << name;
    EXPECT_EQ(copy.at(name), live.at(name)) << name;
  }
  EXPECT_EQ(copy.size(), want.size() + 1);
  EXPECT_TRUE(copy.count("ustawienia.txt"));
  EXPECT_FALSE(copy.count("Kody_poczt.dat"));
  EXPECT_FALSE(copy.count("Sessions.dat"));
  // One backup only, and the server answers all along.
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  EXPECT_EQ(dated_dirs(kopie).size(), 1u);
  EXPECT_EQ(srv.get("/").status, 200);
  EXPECT_EQ(srv.stop(), 0) << srv.log();
}

TEST(BackupE2E, HeartbeatGoesOnWhileTheSendScriptRuns) {
  std::string settings = slurp(kData + "/ustawienia.txt");
  const std::string from = "\r\nsend_time 0\r\n";
  ASSERT_NE(settings.find(from), std::string::npos);
  settings.replace(settings.find(from), from.size(), "\r\nsend_time 1\r\n");
  kal::e2e::Server::Options o;
  o.files = {{"ustawienia.txt", settings}, {"p.bat", "touch send_started\nsleep 12\ntouch send_done\n"}};
  kal::e2e::Server srv(o);
  ASSERT_TRUE(srv.start()) << srv.log();
  const std::string heartbeat = srv.file("watchdog.txt");
  ASSERT_TRUE(wait_until([&] { return fs::exists(srv.file("send_started")); }, 10000)) << srv.log();
  // Eight seconds into the script, the heartbeat changed at least once every
  // two seconds, always upwards.
  long last = std::atol(slurp(heartbeat).c_str());
  int changes = 0;
  for (int i = 0; i < 4; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    const long now = std::atol(slurp(heartbeat).c_str());
    EXPECT_GT(now, last) << i;
    changes += now > last;
    last = now;
  }
  EXPECT_EQ(changes, 4);
  EXPECT_FALSE(fs::exists(srv.file("send_done"))) << "the script was still running";
  ASSERT_TRUE(wait_until([&] { return fs::exists(srv.file("send_done")); }, 15000)) << srv.log();
  EXPECT_EQ(srv.get("/").status, 200);
  EXPECT_EQ(srv.stop(), 0) << srv.log();
  EXPECT_NE(srv.log().find("do_send() call " + srv.install_dir() + "/p.bat"), std::string::npos) << srv.log();
}

}  // namespace
