// Backups and the scheduled jobs the server loop runs while it is idle.
//
// A backup is a new directory "<backup path>/<YYYY-MM-DD_hh_mm_ss>/" holding
// the file of every table the database root saves (all but the postcodes),
// the users files "Users.dat" and "User_types.dat" as they are on disk (a
// restore without them would let everybody in as administrator), and the
// settings "ustawienia.txt"; every file is written whole through a temporary
// file.  The backup path is the setting "backup_path", else the install
// directory's "kopie" (which then becomes the setting).  Backups only add
// directories: nothing is renamed or removed, and a backup path that is the
// install or the data directory or lies above one of them is refused.
//
// Schedule (cron_backup, every second idle second of the server loop): a
// backup at the first check after start, then daily at the clock time
// backup_time (seconds after local midnight; none when it is not within one
// day); after a scheduled backup, the goods CSV import when the setting
// "Wykonaj_sychronizacje_towarow" is "1".  The send job runs the shell script
// "p.bat" of the install directory every "send_time" minutes (never for 0 or
// less), the first time at the first check.  While a backup or the script
// runs, the heartbeat goes on at least once a second.
#pragma once

#include <ctime>
#include <string>

// The send interval in seconds, "send_time" (minutes) times 60, refreshed at
// every check.
extern int send_time;
// When the last backup and the last send ran; 0 until they first do.
extern std::time_t last_backup_time;
extern std::time_t last_send_time;

// One scheduling check; 0.
int cron_backup();
// A backup now, its outcome shown on the page: "Kopia zapasowa wykonana" in
// the reply, or what failed in red.  0 on success; else the number of files
// that could not be written, or -1 when no backup was made (refused path, no
// path, directory not made).
int do_backup();
// Runs "p.bat" of the install directory and waits for it: its exit code, or
// -1 when it could not be run.
int do_send();
// Creates every directory along a path ("\" or "/" separated).  0 when the
// whole path is a directory afterwards; -1 NULL path; -2 the path could not be
// copied; -3 it could not be made.
int mkfullpathdir(const char* path);
// Removes the file name of directory dir, if there is one; 0.
int remove_file(const char* dir, const char* name);
// A local time as "YYYY-MM-DD_hh_mm_ss", in a ring of ten buffers (a result
// stays valid for the next nine calls).
const char* t_to_fname(std::time_t time);

namespace kal {

struct BackupOutcome {
  std::string dir;    // the dated directory ("" when none was made)
  int failed = 0;     // files not written
  bool made = false;  // false: no backup at all (error says why)
  std::string error;  // what went wrong, for the console and the page
};

// The backup itself, without touching the reply; true when everything was
// written.
bool backup_run(BackupOutcome* outcome);
// Whether a backup path may be used: "" when it may, else why not (the
// install or data directory, or a directory above one of them).
std::string backup_path_refusal(const std::string& path);
// The moment of today's (local) scheduled backup at backup_time seconds after
// midnight, for the day of now; -1 when backup_time is not within one day.
std::time_t backup_moment(std::time_t now, int seconds_after_midnight);

}  // namespace kal
