// The page manager: its three tables (the table suite, the several indexes),
// their files, and the users' passwords and log-in check.
#define ALLOC_FAULT_OPERATORS
#include "tests/alloc_fault.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/mgs.hpp"
#include "pagemgr/pagemgr.hpp"
#include "pagemgr/users_auth.hpp"
#include "lib/vtab_codec.hpp"
#include "platform/textfile.hpp"
#include "tests/sess_env.hpp"
#include "tests/vtab_table_suite.hpp"

static const bool registered = vtab_suite::register_part_of<1, 0>(vtab_tables<Sessions, Users, User_types>{});

static_assert(vtab_meta<Sessions>::index_count == 6 && !vtab_meta<Sessions>::options.header_line);
static_assert(vtab_meta<Users>::generation == 2 && vtab_meta<Users>::options.header_line);
static_assert(!vtab_meta<User_types>::options.header_line);

namespace {

using namespace sess_env;

template <class T>
std::vector<uint32_t> ids(vtab_ref<T>* ref) {
  std::vector<uint32_t> out;
  for (tab_ref_elem* e = ref->first; e != nullptr; e = e->next) out.push_back(vtab_row<T>(e)->Id);
  vtab_api<T>::ref_delete(&ref);
  return out;
}
using V = std::vector<uint32_t>;

// --- indexes ----------------------------------------------------------------

TEST(SessionsTable, RowsWithoutACodeSortLastAndTheCodeIndexFollowsUpdates) {
  Sessions_tab* tab = Sessions_tab_new();
  auto add = [&](uint32_t id, const char* code) {
    Sessions s{};
    s.Id = id;
    s.address_ip = code;
    s.state = 'i';
    ASSERT_EQ(Sessions_tab_insert(tab, &s), 0);
  };
  add(1, nullptr);
  add(2, "b");
  add(3, "a");
  const char* code = "unset";
  EXPECT_EQ(Sessions_tab_min_address_ip(tab, &code), 0);
  EXPECT_STREQ(code, "a");
  EXPECT_EQ(Sessions_tab_max_address_ip(tab, &code), 0);
  EXPECT_EQ(code, nullptr);
  EXPECT_EQ(ids(Sessions_tab_gets_address_ip(tab, "a", VTAB_CMP_GE)), V({3, 2, 1}));

  // A new code moves the row in the index at once; the old code finds nothing.
  Sessions_ref* ref = Sessions_tab_gets_Id(tab, 2, VTAB_CMP_EQUAL);
  EXPECT_EQ(Sessions_tab_update_address_ip(tab, ref, "0"), 0);
  Sessions_ref_delete(&ref);
  EXPECT_EQ(Sessions_tab_get_address_ip(tab, "b", VTAB_CMP_EQUAL), nullptr);
  EXPECT_EQ(ids(Sessions_tab_gets_address_ip(tab, "", VTAB_CMP_GE)), V({2, 3, 1}));
  Sessions_tab_delete(&tab);
}

TEST(UsersTable, RoleAndCreationIndexesKeepExactlyTheTablesRows) {
  Users_tab* tab = Users_tab_new();
  auto add = [&](uint32_t id, int64_t created, uint32_t type) {
    Users u{};
    u.Id = id;
    u.user_name = "u";
    u.created_time = created;
    u.Id_User_types = type;
    ASSERT_EQ(Users_tab_insert(tab, &u), 0);
  };
  add(1, 300, 1);
  add(2, 100, 1);
  add(3, 200, 2);
  int64_t t = 0;
  EXPECT_EQ(Users_tab_min_created_time(tab, &t), 0);
  EXPECT_EQ(t, 100);
  EXPECT_EQ(Users_tab_max_created_time(tab, &t), 0);
  EXPECT_EQ(t, 300);

  // Two administrators; one goes, the other is still found by role.
  Users_ref* one = Users_tab_gets_Id(tab, 1, VTAB_CMP_EQUAL);
  EXPECT_EQ(Users_tab_removes(tab, one), 0);
  Users_ref_delete(&one);
  EXPECT_EQ(ids(Users_tab_gets_Id_User_types(tab, 1, VTAB_CMP_EQUAL)), V({2}));

  // A new role is found under that role at once, and no longer under the old.
  EXPECT_EQ(Users_tab_upd_Id_User_types(tab, 3, 1), 0);
  EXPECT_EQ(ids(Users_tab_gets_Id_User_types(tab, 1, VTAB_CMP_EQUAL)), V({2, 3}));
  EXPECT_EQ(ids(Users_tab_gets_Id_User_types(tab, 2, VTAB_CMP_EQUAL)), V({}));
  Users_tab_delete(&tab);
}

// --- files ------------------------------------------------------------------

class PagemgrFiles : public ::testing::Test {
 protected:
  InstallDir dir;
};

TEST_F(PagemgrFiles, SaveWritesHeaderOnlyInUsersAndLoadGivesTheRowsBack) {
  {
    PageManager pm;
    Sessions s{};
    s.Id = 4;
    s.address_ip = "c0de";
    s.loggin_time = 1700000000;
    s.last_active_time = 1700000100;
    s.state = 't';
    ASSERT_EQ(Sessions_tab_insert(_pagemgr->_Sessions_tab, &s), 0);
    add_user(7, "jan", "$argon2id$x", 2);
    User_types ut{};
    ut.Id = 1;
    ut.type_name = "Administrator";
    ASSERT_EQ(User_types_tab_insert(_pagemgr->_User_types_tab, &ut), 0);
    EXPECT_EQ(pagemgr_save(_pagemgr), 0);
  }
  EXPECT_EQ(read_bytes("dat/Sessions.dat"), " 4 0 'c0de' 1700000000 0 1700000100 t\r\n");
  EXPECT_EQ(read_bytes("dat/User_types.dat"), " 1 'Administrator'\r\n");
  const std::string users = read_bytes("dat/Users.dat");
  EXPECT_EQ(users.substr(0, 9), "KALMITOR ");
  EXPECT_NE(users.find("\r\n 7 'jan' '$argon2id$x' 1700000007 2\r\n"), std::string::npos) << users;

  PageManager again;
  ASSERT_NE(Sessions_tab_get_address_ip(_pagemgr->_Sessions_tab, "c0de", VTAB_CMP_EQUAL), nullptr);
  EXPECT_EQ(Sessions_tab_get_address_ip(_pagemgr->_Sessions_tab, "c0de", VTAB_CMP_EQUAL)->state, 't');
  EXPECT_EQ(_pagemgr->_Users_tab->size, 1);
  EXPECT_EQ(_pagemgr->_User_types_tab->size, 1);
  EXPECT_FALSE(_pagemgr->users_damaged);
}

TEST_F(PagemgrFiles, MissingFilesLoadEmptyAndAreCounted) {
  ::testing::internal::CaptureStdout();
  pagemgr* pm = pagemgr_new();
  EXPECT_EQ(pagemgr_load(pm), 3);
  std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("Can't open table date file 'dat/Users.dat' to read !\n"), std::string::npos);
  EXPECT_EQ(pm->_Sessions_tab->size, 0);
  EXPECT_FALSE(pm->users_damaged) << "no users file: no users yet";
  // Nothing changed, so nothing is written.
  EXPECT_EQ(pagemgr_save(pm), 0);
  EXPECT_FALSE(kal::file_exists("dat/Users.dat"));
  EXPECT_FALSE(kal::file_exists("dat/Sessions.dat"));
  EXPECT_EQ(pagemgr_load(nullptr), -7);
  pagemgr_delete(&pm);
  EXPECT_EQ(pm, nullptr);
}

TEST_F(PagemgrFiles, FilesAreWrittenOnlyWhenTheirTablesChanged) {
  PageManager pm;
  add_user(1, "a", "$argon2id$x");
  ASSERT_EQ(pagemgr_save(_pagemgr), 0);
  ASSERT_TRUE(kal::file_exists("dat/Users.dat"));
  // Unchanged: the file is not written again (a removed file stays away).
  std::remove("dat/Users.dat");
  EXPECT_EQ(pagemgr_save_Users(_pagemgr), 0);
  EXPECT_FALSE(kal::file_exists("dat/Users.dat"));
  add_user(2, "b", "$argon2id$y");
  EXPECT_EQ(pagemgr_save_Users(_pagemgr), 0);
  EXPECT_TRUE(kal::file_exists("dat/Users.dat"));
}

TEST_F(PagemgrFiles, AFileThatCannotBeWrittenIsReportedAndTriedAgain) {
  PageManager pm;
  add_user(1, "a", "p");
  std::filesystem::create_directories("dat/Users.dat/x");
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(pagemgr_save_Users(_pagemgr), 1);
  EXPECT_NE(::testing::internal::GetCapturedStdout().find("Can't open table date file 'dat/Users.dat' to write !\n"),
            std::string::npos);
  std::filesystem::remove_all("dat/Users.dat");
  EXPECT_EQ(pagemgr_save_Users(_pagemgr), 0);
  EXPECT_TRUE(kal::file_exists("dat/Users.dat"));
}

TEST_F(PagemgrFiles, InitAndShutSaveWhatChanged) {
  ASSERT_EQ(_pagemgr, nullptr);
  EXPECT_EQ(pagemgr_init(), 3);
  pagemgr* first = _pagemgr;
  EXPECT_EQ(pagemgr_init(), 0);
  EXPECT_EQ(_pagemgr, first);
  add_user(1, "admin", "x");
  EXPECT_EQ(pagemgr_shut(), 0);
  EXPECT_EQ(_pagemgr, nullptr);
  EXPECT_TRUE(kal::file_exists("dat/Users.dat"));
  EXPECT_EQ(pagemgr_shut(), 0);
}

TEST_F(PagemgrFiles, FilesFollowTheDatabaseDataDirectoryAndDamageIsKeptAside) {
  namespace fs = std::filesystem;
  struct DataPath {
    DataPath() { setMGS_DATA_PATH("kopia\\dat"); }  // a backslash is taken as "/"
    ~DataPath() { setMGS_DATA_PATH(nullptr); }
  } data_path;
  fs::create_directories("kopia/dat");
  const std::string broken = " 1 0 'a' 1700000000 0 1700000000 i\r\n 2 0 zepsute\r\n";
  write_bytes("kopia/dat/Sessions.dat", broken);
  {
    ::testing::internal::CaptureStdout();
    PageManager pm;
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(_pagemgr->_Sessions_tab->size, 1);
    add_user(1, "a", "$argon2id$x");
    Sessions s{};
    s.Id = 3;
    s.address_ip = "c";
    s.state = 'i';
    ASSERT_EQ(Sessions_tab_insert(_pagemgr->_Sessions_tab, &s), 0);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(pagemgr_save(_pagemgr), 0);
    ::testing::internal::GetCapturedStdout();
  }
  EXPECT_TRUE(kal::file_exists("kopia/dat/Users.dat"));
  EXPECT_FALSE(kal::file_exists("dat/Users.dat"));
  EXPECT_NE(read_bytes("kopia/dat/Sessions.dat").find(" 3 0 'c' "), std::string::npos);
  int kept = 0;
  for (const auto& e : fs::directory_iterator("kopia/dat")) {
    if (e.path().filename().string().rfind("Sessions.dat.damaged-", 0) != 0) continue;
    ++kept;
    EXPECT_EQ(read_bytes(e.path().string()), broken);
  }
  EXPECT_EQ(kept, 1) << "the file as it was, before it was written over";
}

// A users file that is there but does not load whole must neither pass for
// "no users" (everybody administrator) nor be written over.
TEST_F(PagemgrFiles, DamagedUsersFileRefusesLogInsAndIsNeverWritten) {
  // Written by the system, to cut and spoil below.
  {
    PageManager pm;
    add_user(1, "admin", "tajne");
    add_user(2, "jan", "haslo", 2);
    ASSERT_EQ(pagemgr_save_Users(_pagemgr), 0);
  }
  const std::string good = kal::text_from_disk(read_bytes("dat/Users.dat"));
  const std::size_t second = good.find("\n 2 ");
  ASSERT_NE(second, std::string::npos);
  struct Case {
    const char* what;
    std::string text;  // LF line ends
    bool damaged;
  };
  const std::vector<Case> cases = {
      {"empty file", "", true},
      {"blank lines only", "\n\n", true},
      {"cut inside the version line", good.substr(0, 5), true},
      {"cut inside the last record", good.substr(0, second + 8), true},
      {"a broken field", good.substr(0, second) + "\n 2 'jan' 'haslo' soon 2\n", true},
      {"a field too many", good.substr(0, second) + "\n 2 'jan' 'haslo' 1 2 3\n", true},
      {"whole", good, false},
      {"version line only", good.substr(0, good.find('\n') + 1), false},
      // The system always ends a record with its line end; without it the last
      // number may have been cut short, so the table counts as damaged.
      {"last line without its line end", good.substr(0, good.size() - 1), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string bytes = kal::text_to_disk(c.text);
    write_bytes("dat/Users.dat", bytes);
    ::testing::internal::CaptureStdout();
    PageManager pm;
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(_pagemgr->users_damaged, c.damaged);
    EXPECT_EQ(users_login_refused(), c.damaged ? 1 : 0);
    if (c.damaged) {
      EXPECT_EQ(users_none(), 0) << "no administrator mode for a damaged file";
      EXPECT_EQ(users_check_login("admin", "tajne", nullptr), USERS_LOGIN_REFUSED);
      EXPECT_NE(std::string(users_login_refused_text()).find("Users.dat"), std::string::npos);
      add_user(9, "new", "x");
      ::testing::internal::CaptureStdout();
      EXPECT_EQ(pagemgr_save(_pagemgr), 0);
      ::testing::internal::GetCapturedStdout();
      EXPECT_EQ(read_bytes("dat/Users.dat"), bytes) << "left as it was";
    }
  }

  // A users "file" that cannot be read at all.
  std::remove("dat/Users.dat");
  std::filesystem::create_directory("dat/Users.dat");
  ::testing::internal::CaptureStdout();
  PageManager pm;
  ::testing::internal::GetCapturedStdout();
  EXPECT_TRUE(_pagemgr->users_damaged);
  EXPECT_EQ(users_login_refused(), 1);
}

// --- passwords and the log-in check ---------------------------------------------

TEST(Passwords, HashesAreSaltedAndCheckedPlainTextStillMatches) {
  std::string a, b;
  ASSERT_EQ(kal::users_passwd_hash("Zażółć", a), 0);
  ASSERT_EQ(kal::users_passwd_hash("Zażółć", b), 0);
  EXPECT_EQ(a.rfind("$argon2id$", 0), 0u) << a;
  EXPECT_NE(a, b) << "salted";
  EXPECT_TRUE(kal::users_passwd_is_hash(a.c_str()));
  EXPECT_TRUE(kal::users_passwd_matches(a.c_str(), "Zażółć"));
  EXPECT_FALSE(kal::users_passwd_matches(a.c_str(), "Zażółć "));
  EXPECT_FALSE(kal::users_passwd_matches(a.c_str(), ""));
  EXPECT_FALSE(kal::users_passwd_matches("$argon2id$broken", "x"));

  // Plain text from an older file, and a missing password, which is "".
  EXPECT_FALSE(kal::users_passwd_is_hash("tajne"));
  EXPECT_TRUE(kal::users_passwd_matches("tajne", "tajne"));
  EXPECT_FALSE(kal::users_passwd_matches("tajne", "tajn"));
  EXPECT_FALSE(kal::users_passwd_matches("tajne", "tajne2"));
  EXPECT_TRUE(kal::users_passwd_matches(nullptr, ""));
  EXPECT_TRUE(kal::users_passwd_matches("", nullptr));
  EXPECT_FALSE(kal::users_passwd_matches(nullptr, "x"));
}

class LogIn : public ::testing::Test {
 protected:
  InstallDir dir;
};

TEST_F(LogIn, HashedPasswordLogsInWrongOneAndUnknownUserDoNot) {
  PageManager pm;
  add_user(1, "admin", "");
  add_user(2, "jan", "", 2);
  ASSERT_EQ(users_set_password(2, "kot"), 0);
  EXPECT_EQ(users_set_password(99, "kot"), -1);
  const Users* jan = Users_tab_get_Id(_pagemgr->_Users_tab, 2, VTAB_CMP_EQUAL);
  EXPECT_TRUE(kal::users_passwd_is_hash(jan->user_passwd.get()));

  Users* who = nullptr;
  EXPECT_EQ(users_check_login("jan", "kot", &who), USERS_LOGIN_OK);
  EXPECT_EQ(who, jan);
  EXPECT_EQ(users_check_login("jan", "pies", &who), USERS_LOGIN_BAD_PASSWORD);
  EXPECT_EQ(who, nullptr);
  EXPECT_EQ(users_check_login("Jan", "kot", &who), USERS_LOGIN_UNKNOWN_USER) << "names byte for byte";
  EXPECT_EQ(users_check_login(nullptr, "kot", &who), USERS_LOGIN_UNKNOWN_USER);
  EXPECT_EQ(users_none(), 0);
}

// An older "Users.dat" holds plain text: the password is accepted once and
// the file then holds its hash only.
TEST_F(LogIn, PlainTextPasswordOfAnOlderFileIsReplacedByItsHashAtLogIn) {
  kal::TextOut old;
  vtab_write_ver(old);
  old.write(" 1 'admin' 'Tajne1' 1700000000 1\n 2 'jan' 'kot' 1700000001 2\n");
  write_bytes("dat/Users.dat", kal::text_to_disk(old.text()));
  PageManager pm;
  ASSERT_FALSE(_pagemgr->users_damaged);

  EXPECT_EQ(users_check_login("admin", "tajne1", nullptr), USERS_LOGIN_BAD_PASSWORD);
  EXPECT_EQ(read_bytes("dat/Users.dat").find("$argon2id$"), std::string::npos) << "a failed log-in changes nothing";

  ::testing::internal::CaptureStdout();
  EXPECT_EQ(users_check_login("admin", "Tajne1", nullptr), USERS_LOGIN_OK);
  ::testing::internal::GetCapturedStdout();
  std::string bytes = read_bytes("dat/Users.dat");
  EXPECT_EQ(bytes.find("Tajne1"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find(" 1 'admin' '$argon2id$"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find(" 2 'jan' 'kot' 1700000001 2\r\n"), std::string::npos) << "other users untouched";

  // After a restart the hash is what logs in.
  pm.reload();
  EXPECT_EQ(users_check_login("admin", "Tajne1", nullptr), USERS_LOGIN_OK);
  EXPECT_EQ(users_check_login("admin", "Tajne", nullptr), USERS_LOGIN_BAD_PASSWORD);
  EXPECT_EQ(read_bytes("dat/Users.dat"), bytes) << "a hash is not hashed again";
}

TEST_F(LogIn, NoUsersMeansAdministratorModeOnlyWithASoundFile) {
  PageManager pm;
  EXPECT_EQ(users_none(), 1);
  EXPECT_EQ(users_login_refused(), 0);
  add_user(1, "admin", "x");
  EXPECT_EQ(users_none(), 0);
  pagemgr_delete(&_pagemgr);
  EXPECT_EQ(users_none(), 0) << "no page manager";
  EXPECT_EQ(users_login_refused(), 1);
}

}  // namespace
