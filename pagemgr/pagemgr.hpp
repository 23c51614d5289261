// The page manager: the three tables of the web frame itself, the browser
// sessions, the users and the user types, with their files "Sessions.dat",
// "Users.dat" (with the version line) and "User_types.dat" (without) in the
// data directory.
//
// The files are read once at start-up and written whole, through a temporary
// file, only when their contents changed.  A "Users.dat" that exists but
// could not be read whole (unreadable, empty, cut short, records that do not
// load) is never written over, and while it is so the log-in is refused
// (users_login_refused(), pagemgr/users_auth.hpp): an empty users table must
// not silently turn everybody into an administrator.
#pragma once

#include <string>

#include "pagemgr/Sessions.hpp"
#include "pagemgr/User_types.hpp"
#include "pagemgr/Users.hpp"

struct pagemgr {
  Sessions_tab* _Sessions_tab = nullptr;
  Users_tab* _Users_tab = nullptr;
  User_types_tab* _User_types_tab = nullptr;

  // What each file held when it was last read or written (LF line ends); a
  // save whose text equals it writes nothing.
  std::string on_disk_Sessions;
  std::string on_disk_Users;
  std::string on_disk_User_types;
  bool known_Sessions = false;
  bool known_Users = false;
  bool known_User_types = false;
  // "Users.dat" exists but did not load whole: log-ins are refused and the
  // file is left as it is.
  bool users_damaged = false;
  bool told_users_not_written = false;
};

// The one page manager of the program; NULL until pagemgr_init.
extern pagemgr* _pagemgr;

// Creates and loads _pagemgr (nothing when it exists): the pagemgr_load
// result, or -9 when it could not be created.
int pagemgr_init();
// Saves and frees _pagemgr; the delete's result, 0 when there is none.
int pagemgr_shut();

pagemgr* pagemgr_new();
// Frees the tables and the page manager, sets *pm to NULL; 0.
int pagemgr_delete(pagemgr** pm);
// Loads the three files into the (empty) tables: the number of files that
// could not be opened (0 to 3), -7 for a NULL page manager.
int pagemgr_load(pagemgr* pm);
// Saves the three files: the number that could not be written (0 to 3).
int pagemgr_save(pagemgr* pm);
// 0 written or unchanged, 1 when the file could not be written.
int pagemgr_save_Sessions(pagemgr* pm);
int pagemgr_save_Users(pagemgr* pm);
int pagemgr_save_User_types(pagemgr* pm);

namespace kal {

// The path of a page-manager file in the database's data directory
// MGS_DATA_PATH ("dat/Users.dat").
std::string pagemgr_path(const char* file_name);

}  // namespace kal
