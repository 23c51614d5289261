#include "mages/admin/mgs_backup.hpp"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <sys/stat.h>
#include <system_error>

#include "db/mgs.hpp"
#include "lib/convert.hpp"
#include "lib/hashtbl.hpp"
#include "mages/mgs_idle_jobs.hpp"
#include "platform/batch.hpp"
#include "platform/paths.hpp"
#include "platform/syserror.hpp"
#include "platform/textfile.hpp"
#include "server/html_form.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"
#include "server/winservice.hpp"

int send_time = 0;
std::time_t last_backup_time = 0;
std::time_t last_send_time = 0;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kDaySeconds = 24 * 3600;
// The page manager's files that go into a backup with the tables.
constexpr const char* kUserFiles[] = {"Users.dat", "User_types.dat"};
constexpr const char* kSettingsFile = "ustawienia.txt";
constexpr const char* kSendScript = "p.bat";

// The heartbeat during long work, at most once a second.
class Heartbeat {
 public:
  void tick() {
    const Clock::time_point now = Clock::now();
    if (now - last_ < std::chrono::seconds(1)) return;
    save_watchdog();
    last_ = now;
  }

 private:
  Clock::time_point last_ = Clock::now();
};

// Points the tables' data path at a backup directory for as long as it
// lives.
class DataPathSwitch {
 public:
  explicit DataPathSwitch(const std::string& to) : previous_(MGS_DATA_PATH) { setMGS_DATA_PATH(to.c_str()); }
  ~DataPathSwitch() { setMGS_DATA_PATH(previous_.c_str()); }
  DataPathSwitch(const DataPathSwitch&) = delete;
  DataPathSwitch& operator=(const DataPathSwitch&) = delete;
  const std::string& previous() const { return previous_; }

 private:
  std::string previous_;
};

bool blank(const std::string& text) { return text.find_first_not_of(" \t\r\n") == std::string::npos; }

// The stored "backup_path"; "" when the setting is absent.
std::string stored_backup_path() {
  if (!ustawienia_ht) return "";
  const char* v = hashtbl_get_ptr(ustawienia_ht, "backup_path");
  return v ? std::string(v) : std::string();
}

// An absolute path with links resolved as far as it exists, without a
// trailing separator; empty when it cannot be formed.
fs::path resolved(const std::string& path) {
  std::error_code ec;
  fs::path abs = fs::absolute(kal::unix_path(path), ec);
  if (ec) return {};
  fs::path canon = fs::weakly_canonical(abs, ec);
  if (ec) canon = abs.lexically_normal();
  std::string text = canon.string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return fs::path(text);
}

// True when a is b or a directory above it.
bool same_or_above(const fs::path& a, const fs::path& b) {
  auto bi = b.begin();
  for (auto ai = a.begin(); ai != a.end(); ++ai, ++bi)
    if (bi == b.end() || *ai != *bi) return false;
  return true;
}

bool backup_due(std::time_t now) {
  if (last_backup_time == 0) return true;  // the first check after start
  const std::time_t moment = kal::backup_moment(now, backup_time);
  return moment >= 0 && now >= moment && last_backup_time < moment;
}

}  // namespace

namespace kal {

std::time_t backup_moment(std::time_t now, int seconds_after_midnight) {
  if (seconds_after_midnight <= 0 || seconds_after_midnight >= kDaySeconds) return -1;
  std::tm tm{};
  if (!localtime_r(&now, &tm)) return -1;
  tm.tm_hour = seconds_after_midnight / 3600;
  tm.tm_min = seconds_after_midnight % 3600 / 60;
  tm.tm_sec = seconds_after_midnight % 60;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

std::string backup_path_refusal(const std::string& path) {
  if (blank(path)) return "brak katalogu kopii zapasowych";
  const fs::path target = resolved(path);
  if (target.empty()) return "katalogu kopii zapasowych '" + path + "' nie można ustalić";
  std::string install;
  get_install_dir(&install);
  for (const std::string& kept : {install, std::string("."), std::string(MGS_DATA_PATH)}) {
    const fs::path dir = resolved(kept);
    if (!dir.empty() && same_or_above(target, dir))
      return "katalog kopii zapasowych '" + path +
             "' jest katalogiem programu lub danych albo katalogiem nad nim; wybierz inny nośnik";
  }
  return "";
}

bool backup_run(BackupOutcome* outcome) {
  BackupOutcome o;
  std::string install;
  get_install_dir(&install);
  std::string path = stored_backup_path();
  if (blank(path)) {
    ustawienia_upd("backup_path", path_join(install, "kopie").c_str());
    path = stored_backup_path();
  }
  std::string refusal = backup_path_refusal(path);
  if (!refusal.empty()) {
    o.error = "Kopia zapasowa nie została wykonana: " + refusal;
  } else {
    const std::time_t now = std::time(nullptr);
    o.dir = path_join(unix_path(path), t_to_fname(now));
    if (mkfullpathdir(o.dir.c_str()) != 0) {
      o.error = "Kopia zapasowa nie została wykonana: nie można utworzyć katalogu '" + o.dir + "'";
      o.dir.clear();
    }
  }
  if (!o.error.empty()) {
    std::printf("do_backup(): %s\n", o.error.c_str());
    if (outcome) *outcome = o;
    return false;
  }

  o.made = true;
  std::string failed_files;
  auto failed = [&](const std::string& name) {
    ++o.failed;
    failed_files += (failed_files.empty() ? "" : ", ") + name;
  };
  Heartbeat heartbeat;
  {
    DataPathSwitch data_path(o.dir);
    std::printf("backup_path='%s'  save\n", path.c_str());
    std::printf("backup_path_date='%s'  save\n", o.dir.c_str());
#define BACKUP_SAVE(T)                                  \
  if (mgs_save_##T(_mgs) != 0) failed(#T ".dat"); \
  heartbeat.tick();
#define BACKUP_NOSAVE(T)
    MGS_TABLES(BACKUP_SAVE, BACKUP_NOSAVE)
#undef BACKUP_SAVE
#undef BACKUP_NOSAVE

    // The users files as they are on disk: one that did not load whole is
    // copied as it is, for whoever restores it.
    for (const char* name : kUserFiles) {
      std::string bytes;
      if (read_file(path_join(data_path.previous(), name), bytes) != 0) {
        if (errno != ENOENT) failed(name);  // none yet: nothing to copy
        continue;
      }
      if (atomic_rewrite(path_join(o.dir, name), bytes) != 0) failed(name);
    }
  }
  hashtbl_last_error = HASHTBL_OK;
  if (ustawienia_ht) hashtbl_save(ustawienia_ht, path_join(o.dir, kSettingsFile).c_str());
  if (!ustawienia_ht || hashtbl_last_error != HASHTBL_OK) failed(kSettingsFile);

  if (o.failed != 0) {
    o.error = "Kopia zapasowa w '" + o.dir + "' jest niepełna: nie zapisano " + std::to_string(o.failed) +
              (o.failed == 1 ? " pliku (" : " plików (") + failed_files + ")";
    std::printf("do_backup(): %s\n", o.error.c_str());
  } else {
    std::printf("do_backup(): backup in '%s' done\n", o.dir.c_str());
  }
  if (outcome) *outcome = o;
  return o.failed == 0;
}

}  // namespace kal

int do_backup() {
  kal::BackupOutcome o;
  if (kal::backup_run(&o)) {
    app("<center><h3>");
    app(tr(287));
    app("</h3></center>\n");
    return 0;
  }
  errorDisplay(kal::html_text(o.error).c_str());
  return o.made ? o.failed : -1;
}

int cron_backup() {
  const std::time_t now = std::time(nullptr);
  // Minutes to seconds without overflow; an absent setting reads as its key,
  // which is no number: 0, never.
  const long minutes = to_l(ustawienia_get("send_time"));
  send_time = minutes > INT_MAX / 60 ? INT_MAX : minutes < INT_MIN / 60 ? INT_MIN : static_cast<int>(minutes * 60);

  if (backup_due(now)) {
    std::printf("cron_backup() call do_backup()\n");
    kal::backup_run(nullptr);
    if (std::strcmp(ustawienia_get("Wykonaj_sychronizacje_towarow"), "1") == 0) Towary_import_z_csv();
    last_backup_time = now;
  }
  if (send_time < 1) return 0;
  // The first check after start sends, whatever the interval.
  if (last_send_time == 0 || static_cast<long long>(last_send_time) + send_time < static_cast<long long>(now)) {
    std::printf("cron_send() call do_send()\n");
    do_send();
    last_send_time = now;
  }
  return 0;
}

int do_send() {
  std::string install;
  get_install_dir(&install);
  const std::string command = install.empty() ? std::string(kSendScript) : kal::path_join(install, kSendScript);
  std::printf("do_send() call %s\n", command.c_str());
  std::fflush(stdout);
  kal::BatchResult result;
  const int rc = kal::run_batch(
      command,
      [] {
        save_watchdog();
        return global_program_status != WinService::STOP;
      },
      &result);
  if (rc != 0) {
    std::printf("do_send(): can't run %s - %s\n", command.c_str(), kal::error_text(rc).c_str());
    return -1;
  }
  if (result.stopped) {
    std::printf("do_send(): %s ended, the program stops\n", command.c_str());
    return -1;
  }
  if (result.exit_code != 0) std::printf("do_send(): %s ended with %d\n", command.c_str(), result.exit_code);
  return result.exit_code;
}

int mkfullpathdir(const char* path) {
  if (!path) {
    std::printf("mkfullpathdir() dir_path==NULL");
    return -1;
  }
  std::string dir;
  try {
    dir = kal::unix_path(path);
  } catch (const std::bad_alloc&) {
    std::printf("mkfullpathdir() s==NULL");
    return -2;
  }
  std::printf("mkfullpathdir('%s') dir_sep='%c'=%d\n", path, '/', '/');
  for (std::size_t i = 1; i < dir.size(); ++i) {
    if (dir[i] != '/' || dir[i - 1] == '/') continue;
    const std::string prefix = dir.substr(0, i);
    std::printf("mkfullpathdir(): mkdir('%s')\n", prefix.c_str());
    ::mkdir(prefix.c_str(), 0755);
  }
  std::printf("mkfullpathdir(): end mkdir('%s')\n", dir.c_str());
  ::mkdir(dir.c_str(), 0755);
  struct stat st {};
  return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? 0 : -3;
}

int remove_file(const char* dir, const char* name) {
  if (dir && name) std::remove(kal::path_join(dir, name).c_str());
  return 0;
}

const char* t_to_fname(std::time_t time) {
  static char ring[10][64];
  static int next = 0;
  next = (next + 1) % 10;
  char* buf = ring[next];
  std::tm tm{};
  if (!localtime_r(&time, &tm)) {
    std::snprintf(buf, sizeof ring[0], "%s", "0000-00-00_00_00_00");
    return buf;
  }
  std::snprintf(buf, sizeof ring[0], "%04lld-%02d-%02d_%02d_%02d_%02d", static_cast<long long>(tm.tm_year) + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}
