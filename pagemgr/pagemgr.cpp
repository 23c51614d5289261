#include "pagemgr/pagemgr.hpp"

#include <cerrno>
#include <cstdio>
#include <new>

#include "db/mgs.hpp"
#include "db/vtab_file.hpp"
#include "platform/commit.hpp"
#include "platform/paths.hpp"
#include "platform/textfile.hpp"

pagemgr* _pagemgr = nullptr;

namespace kal {

std::string pagemgr_path(const char* file_name) { return path_join(MGS_DATA_PATH, file_name); }

}  // namespace kal

namespace {

constexpr char kSessionsFile[] = "Sessions.dat";
constexpr char kUsersFile[] = "Users.dat";
constexpr char kUserTypesFile[] = "User_types.dat";

// Where a table's file stands: what it held when last read or written.
struct FileState {
  std::string& on_disk;
  bool& known;
};

// A file that holds no line at all, or nothing but blanks: not even the
// version line a save always writes.
bool blank_or_unterminated(const std::string& text) {
  if (text.find('\n') == std::string::npos) return true;
  return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

// Loads one file; 1 when it could not be opened, else 0.  errno_out gets the
// reason of a failed open.
template <class Tab, class Save, class Load>
int load_one(const char* file_name, Tab* tab, FileState st, Save save, Load load, int* errno_out, int* rc_out,
             std::string* text_out) {
  const std::string path = kal::pagemgr_path(file_name);
  kal::TextIn in;
  if (vtab_file_open(path, in) != 0) {
    *errno_out = errno;
    std::printf("Can't open table date file '%s' to read !\n", path.c_str());
    std::fflush(stdout);
    if (*errno_out == ENOENT) {
      // A missing file is an empty table: nothing to write until it changes.
      kal::TextOut empty;
      save(empty, tab);
      st.on_disk = empty.text();
      st.known = true;
    }
    return 1;
  }
  *rc_out = load(in, tab);
  std::printf("pagemgr_load() filename='%s' done rc=%d\n", path.c_str(), *rc_out);
  std::fflush(stdout);
  st.on_disk = in.text();
  st.known = true;
  if (text_out) *text_out = in.text();
  return 0;
}

// Writes a table's file when its text differs from what the file holds.
template <class Tab, class Save>
int save_one(const char* file_name, Tab* tab, FileState st, Save save) {
  const std::string path = kal::pagemgr_path(file_name);
  kal::TextOut out(path);
  save(out, tab);
  if (st.known && out.text() == st.on_disk) return 0;
  kal::JoinCommit join;
  // Should the rewrite not land, the file's contents are no longer known.
  kal::commit_on_abort([known = &st.known] { *known = false; });
  if (vtab_file_commit(out, &tab->damaged) != 0) {
    std::printf("Can't open table date file '%s' to write !\n", path.c_str());
    std::fflush(stdout);
    return 1;
  }
  st.on_disk = out.text();
  st.known = true;
  return 0;
}

}  // namespace

pagemgr* pagemgr_new() {
  pagemgr* pm = new (std::nothrow) pagemgr();
  if (!pm) return nullptr;
  pm->_Sessions_tab = Sessions_tab_new();
  pm->_Users_tab = Users_tab_new();
  pm->_User_types_tab = User_types_tab_new();
  if (!pm->_Sessions_tab || !pm->_Users_tab || !pm->_User_types_tab) pagemgr_delete(&pm);
  return pm;
}

int pagemgr_delete(pagemgr** pm) {
  if (!pm || !*pm) return 0;
  if ((*pm)->_Sessions_tab) Sessions_tab_delete(&(*pm)->_Sessions_tab);
  if ((*pm)->_Users_tab) Users_tab_delete(&(*pm)->_Users_tab);
  if ((*pm)->_User_types_tab) User_types_tab_delete(&(*pm)->_User_types_tab);
  delete *pm;
  *pm = nullptr;
  return 0;
}

int pagemgr_load(pagemgr* pm) {
  if (!pm) {
    std::printf("pagemgr_load() ERROR struct pagemgr *p==NULL !\n");
    std::fflush(stdout);
    return -7;
  }
  std::printf("pagemgr_load() start ...\n");
  std::fflush(stdout);
  int failed = 0;
  int err = 0, rc = 0;
  failed += load_one(kSessionsFile, pm->_Sessions_tab, {pm->on_disk_Sessions, pm->known_Sessions}, Sessions_tab_save,
                     Sessions_tab_load, &err, &rc, nullptr);

  std::string users_text;
  err = 0;
  rc = 0;
  const int users_failed = load_one(kUsersFile, pm->_Users_tab, {pm->on_disk_Users, pm->known_Users}, Users_tab_save,
                                    Users_tab_load, &err, &rc, &users_text);
  failed += users_failed;
  // A users file that is there but did not load whole must not pass for "no
  // users yet", in which everybody would work as administrator.
  if (users_failed ? err != ENOENT : (rc != 0 || pm->_Users_tab->damaged != 0 || blank_or_unterminated(users_text))) {
    pm->users_damaged = true;
    std::printf("pagemgr_load(): '%s' could not be read whole; log-ins are refused and the file is left as it is "
                "until it is restored\n",
                kal::pagemgr_path(kUsersFile).c_str());
    std::fflush(stdout);
  }

  failed += load_one(kUserTypesFile, pm->_User_types_tab, {pm->on_disk_User_types, pm->known_User_types},
                     User_types_tab_save, User_types_tab_load, &err, &rc, nullptr);
  std::printf("pagemgr_load() DONE\n");
  std::fflush(stdout);
  return failed;
}

int pagemgr_save_Sessions(pagemgr* pm) {
  if (!pm || !pm->_Sessions_tab) return 0;
  return save_one(kSessionsFile, pm->_Sessions_tab, {pm->on_disk_Sessions, pm->known_Sessions}, Sessions_tab_save);
}

int pagemgr_save_Users(pagemgr* pm) {
  if (!pm || !pm->_Users_tab) return 0;
  if (pm->users_damaged) {
    // Written over, the file would lose for good the users it still holds.
    if (!pm->told_users_not_written)
      std::printf("pagemgr_save_Users(): '%s' did not load whole and is not written\n",
                  kal::pagemgr_path(kUsersFile).c_str());
    pm->told_users_not_written = true;
    return 0;
  }
  return save_one(kUsersFile, pm->_Users_tab, {pm->on_disk_Users, pm->known_Users}, Users_tab_save);
}

int pagemgr_save_User_types(pagemgr* pm) {
  if (!pm || !pm->_User_types_tab) return 0;
  return save_one(kUserTypesFile, pm->_User_types_tab, {pm->on_disk_User_types, pm->known_User_types},
                  User_types_tab_save);
}

int pagemgr_save(pagemgr* pm) {
  return pagemgr_save_Sessions(pm) + pagemgr_save_Users(pm) + pagemgr_save_User_types(pm);
}

int pagemgr_init() {
  std::printf("pagemgr_init() start ...\n");
  if (_pagemgr) {
    std::printf("pagemgr_init() _pagemgr!=NULL return 0;\n");
    return 0;
  }
  _pagemgr = pagemgr_new();
  if (!_pagemgr) {
    std::printf("pagemgr_init() _pagemgr==NULL return -9;\n");
    return -9;
  }
  std::printf("pagemgr_init() _pagemgr->_Sessions_tab=%p;\n", static_cast<void*>(_pagemgr->_Sessions_tab));
  std::printf("pagemgr_init() _pagemgr->_Users_tab=%p;\n", static_cast<void*>(_pagemgr->_Users_tab));
  std::printf("pagemgr_init() _pagemgr->_User_types_tab=%p;\n", static_cast<void*>(_pagemgr->_User_types_tab));
  const int err = pagemgr_load(_pagemgr);
  if (err != 0) std::printf("pagemgr_init(): pagemgr_load() err=%d\n", err);
  std::printf("pagemgr_init(): pagemgr_load() DONE\n");
  std::printf("pagemgr_init() DONE err=%d\n", err);
  std::fflush(stdout);
  return err;
}

int pagemgr_shut() {
  if (!_pagemgr) return 0;
  const int err = pagemgr_save(_pagemgr);
  if (err != 0) std::printf("pagemgr_shut(): pagemgr_save() err=%d\n", err);
  const int del = pagemgr_delete(&_pagemgr);
  if (del != 0) std::printf("pagemgr_shut(): pagemgr_delete() err=%d\n", del);
  return del;
}
