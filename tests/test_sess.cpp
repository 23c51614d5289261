// Sessions and request variables, driven request by request as the server
// loop drives them.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <ctime>
#include <string>

#include "lib/convert.hpp"
#include "pagemgr/users_auth.hpp"
#include "platform/textfile.hpp"
#include "server/oo_texts.hpp"
#include "tests/sess_env.hpp"

namespace {

using namespace sess_env;

class Sess : public ::testing::Test {
 protected:
  // A log-in as the dispatcher makes it: a new code, then the user.
  std::string log_in(const Params& get, uint32_t user) {
    std::string code;
    request(get, {}, [&] {
      code = sess_renew_sess_code();
      sess_put("user_logged", std::to_string(user).c_str());
      sess_put("logged_user_name", "jan");
      sess_put("Wyloguj", "Wyloguj");
    });
    return code;
  }
  // What a page of a request with these parameters reads.
  std::string read_var(const Params& get, const char* name, const Params& post = {}) {
    std::string v;
    request(get, post, [&] { v = var_s(name); });
    return v;
  }

  InstallDir dir;
  Settings settings{{{"Logowanie_timeout", "3600"}}};
  PageManager pm;
};

ino_t inode_of(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST_F(Sess, NewBrowserIsLoggedOutGetsACodeAtLogInAndKeepsItsSession) {
  add_user(5, "jan", "x", 2);
  // A first request without a code: a row with an empty code, logged out.
  std::string logged;
  request({{"n_30", "n"}}, {}, [&] { logged = var_s("user_logged"); });
  EXPECT_EQ(logged, "0");
  ASSERT_EQ(_pagemgr->_Sessions_tab->size, 1);
  const unsigned long first_id = sess_id;
  EXPECT_EQ(session_of("")->Id, first_id);
  EXPECT_FALSE(kal::file_exists(kal::sess_file_name(first_id))) << "no code, no variable file";

  const std::string code = log_in({}, 5);
  EXPECT_TRUE(kal::sess_code_is_server_made(code.c_str())) << code;
  ASSERT_NE(session_of(code), nullptr);
  EXPECT_EQ(session_of(code)->Id, first_id) << "the log-in gives the session its code";
  EXPECT_EQ(exists_sess_code(code.c_str()), 1);
  EXPECT_EQ(exists_sess_code(""), 0);
  EXPECT_EQ(exists_sess_code(nullptr), 0);

  // The next request with that code is the same session, still logged in.
  std::string name;
  request({{"sess_code", code}}, {}, [&] {
    logged = var_s("user_logged");
    name = var_s("logged_user_name");
  });
  EXPECT_EQ(sess_id, first_id);
  EXPECT_EQ(logged, "5");
  EXPECT_EQ(name, "jan");
  EXPECT_EQ(session_of(code)->state, 'i');
  EXPECT_TRUE(kal::file_exists(kal::sess_file_name(first_id)));
  // The rows reach Sessions.dat, without a version line.
  EXPECT_EQ(read_bytes("dat/Sessions.dat").rfind(" 1 0 '" + code + "' ", 0), 0u);
}

// Log-in state comes from the session only, never from the request.
TEST_F(Sess, ForgedLogInParametersLeaveTheRequestLoggedOut) {
  add_user(5, "jan", "x");
  const std::string code = log_in({}, 5);
  request({{"sess_code", code}}, {}, [] {  // the log-out page
    sess_put("user_logged", "0");
    sess_put("logged_user_name", "");
    sess_put("Wyloguj", "");
  });
  struct Case {
    const char* what;
    Params get, post;
  };
  const Case cases[] = {
      {"no code", {{"user_logged", "5"}}, {}},
      {"unknown code", {{"sess_code", "0123456789abcdef0123456789abcdef"}, {"user_logged", "5"}}, {}},
      {"code of a logged-out session", {{"sess_code", code}}, {{"user_logged", "5"}, {"Wyloguj", "Wyloguj"}}},
      {"in the query and the body", {{"sess_code", code}, {"user_logged", "5"}}, {{"user_logged", "5"}}},
      {"template placeholder", {{"sess_code", "QQ$sess_code"}, {"logged_user_name", "admin"}}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string logged, name;
    const char* raw = "unset";
    request(c.get, c.post, [&] {
      logged = var_s("user_logged");
      name = var_s("logged_user_name");
      raw = page_s("user_logged");
    });
    EXPECT_EQ(to_l(logged.c_str()), 0);
    EXPECT_EQ(name, "");
    EXPECT_EQ(raw, nullptr) << "gone from the request tables";
  }
  // And the session remembers nothing of it.
  std::string logged;
  request({{"sess_code", code}}, {}, [&] { logged = var_s("user_logged"); });
  EXPECT_EQ(logged, "0");
}

// Without users everybody works as administrator, but only through the
// log-in form: a forged parameter on a logged-out session stays ignored.
TEST_F(Sess, ForgedLogInWithoutUsersIsDroppedToo) {
  const std::string code = log_in({}, 1);
  request({{"sess_code", code}}, {}, [] { sess_put("user_logged", "0"); });
  EXPECT_EQ(read_var({{"sess_code", code}, {"user_logged", "1"}}, "user_logged"), "0");
  EXPECT_EQ(read_var({{"user_logged", "1"}}, "user_logged"), "0");
}

// The request's code finds the session but never changes the code it has.
TEST_F(Sess, RequestCodeNeverOverwritesTheStoredCode) {
  const std::string code = log_in({}, 1);
  std::string stored;
  request({{"sess_code", code}}, {{"sess_code", "forged"}}, [&] { stored = get_sess_code(); });
  EXPECT_EQ(stored, code) << "the query's code is the one looked up";
  EXPECT_NE(session_of(code), nullptr);
  EXPECT_EQ(session_of("forged"), nullptr);
}

TEST_F(Sess, TwoLogInsInOneSecondGetDifferentCodesAndSessions) {
  add_user(1, "a", "x");
  add_user(2, "b", "x");
  const std::string a = log_in({{"sess_code", "browser-a"}}, 1);
  const std::string b = log_in({{"sess_code", "browser-b"}}, 2);
  EXPECT_NE(a, b);
  EXPECT_NE(session_of(a)->Id, session_of(b)->Id);
  EXPECT_EQ(session_of("browser-a"), nullptr) << "the old code is gone";
  EXPECT_EQ(read_var({{"sess_code", a}}, "user_logged"), "1");
  EXPECT_EQ(read_var({{"sess_code", b}}, "user_logged"), "2");
}

TEST_F(Sess, CodesOfOlderVersionsStillLoadButMustLogInAgain) {
  add_user(3, "c", "x");
  const std::string bytes = kal::text_to_disk(" 1 0 '1700000000' 1700000000 0 " + std::to_string(std::time(nullptr)) + " i\n");
  write_bytes("dat/Sessions.dat", bytes);
  write_bytes("sess0001.txt", "user_logged 3\nfiltr abc\n");
  pm.reload();
  ASSERT_NE(session_of("1700000000"), nullptr);
  std::string logged, filter;
  request({{"sess_code", "1700000000"}}, {}, [&] {
    logged = var_s("user_logged");
    filter = var_s("filtr");
  });
  EXPECT_EQ(sess_id, 1u);
  EXPECT_EQ(filter, "abc") << "its variables are kept";
  EXPECT_EQ(logged, "0") << "a guessable code is not trusted";
}

TEST_F(Sess, IdleLongerThanTheTimeOutLogsOut) {
  add_user(5, "jan", "x");
  const std::string code = log_in({}, 5);
  // Idle exactly the time-out: still in; one second more: out.
  hashtbl_put(ustawienia_ht, "Logowanie_timeout", "600");
  for (int idle : {600, 601}) {
    std::string logged;
    for (int attempt = 0; attempt < 5; ++attempt) {
      request({{"sess_code", code}}, {}, [] { sess_put("user_logged", "5"); });
      const std::time_t before = std::time(nullptr);
      Sessions_ref* ref = Sessions_tab_gets_Id(_pagemgr->_Sessions_tab, session_of(code)->Id, VTAB_CMP_EQUAL);
      Sessions_tab_update_last_active_time(_pagemgr->_Sessions_tab, ref, before - idle);
      Sessions_ref_delete(&ref);
      request({{"sess_code", code}}, {}, [&] { logged = var_s("user_logged"); });
      if (std::time(nullptr) == before) break;  // the clock did not tick in between
    }
    SCOPED_TRACE(idle);
    EXPECT_EQ(logged, idle == 600 ? "5" : "0");
    EXPECT_EQ(session_of(code)->state, idle == 600 ? 'i' : 't');
    EXPECT_GE(session_of(code)->last_active_time, std::time(nullptr) - 1) << "the request counts as activity";
  }
}

TEST_F(Sess, MissingOrBrokenTimeOutMeansHalfAnHour) {
  struct Case {
    const char* value;  // NULL: no such setting
    long timeout;
  } cases[] = {{nullptr, 1800}, {"", 1800}, {"godzina", 1800}, {"0", 1800}, {"-60", 1800},
               {"60", 60},       {"600", 600}, {"7200", 7200}};
  for (const Case& c : cases) {
    if (c.value)
      hashtbl_put(ustawienia_ht, "Logowanie_timeout", c.value);
    else
      hashtbl_clear(ustawienia_ht);
    EXPECT_EQ(kal::sess_login_timeout(), c.timeout) << (c.value ? c.value : "(none)");
  }

  // Without the setting a session idle for two minutes is still logged in,
  // one idle for longer than half an hour is not.
  hashtbl_clear(ustawienia_ht);
  add_user(5, "jan", "x");
  const std::string code = log_in({}, 5);
  for (int idle : {120, 1801}) {
    request({{"sess_code", code}}, {}, [] { sess_put("user_logged", "5"); });
    Sessions_ref* ref = Sessions_tab_gets_Id(_pagemgr->_Sessions_tab, session_of(code)->Id, VTAB_CMP_EQUAL);
    Sessions_tab_update_last_active_time(_pagemgr->_Sessions_tab, ref, std::time(nullptr) - idle);
    Sessions_ref_delete(&ref);
    std::string logged;
    request({{"sess_code", code}}, {}, [&] { logged = var_s("user_logged"); });
    EXPECT_EQ(logged, idle == 120 ? "5" : "0") << idle;
  }
}

TEST_F(Sess, NoCodeWithUsersLogsOutWithoutUsersOnlyWhenNew) {
  std::string code_var = "unset";
  request({}, {}, [&] { code_var = var_s("sess_code"); });
  EXPECT_EQ(code_var, "");
  EXPECT_EQ(session_of("")->state, 'i');
  add_user(1, "a", "x");
  request({{"sess_code", "QQ$sess_code"}}, {}, [&] { code_var = var_s("sess_code"); });
  EXPECT_EQ(code_var, "");
  EXPECT_EQ(session_of("QQ$sess_code")->state, 't');
}

TEST_F(Sess, PurgeRemovesLongIdleSessionsWithTheirFilesAtMostHourly) {
  hashtbl_put(ustawienia_ht, "Logowanie_timeout", "60");
  const std::string old_code = log_in({}, 1);
  const std::string young_code = log_in({{"sess_code", "other"}}, 1);
  const unsigned long old_id = session_of(old_code)->Id, young_id = session_of(young_code)->Id;
  ASSERT_TRUE(kal::file_exists(kal::sess_file_name(old_id)));
  ASSERT_TRUE(kal::file_exists(kal::sess_file_name(young_id)));
  const std::time_t now = std::time(nullptr);
  auto set_idle = [&](const std::string& code, std::time_t idle) {
    Sessions_ref* ref = Sessions_tab_gets_Id(_pagemgr->_Sessions_tab, session_of(code)->Id, VTAB_CMP_EQUAL);
    Sessions_tab_update_last_active_time(_pagemgr->_Sessions_tab, ref, now - idle);
    Sessions_ref_delete(&ref);
  };
  set_idle(old_code, 600);    // 10 time-outs: goes
  set_idle(young_code, 590);  // stays

  // The first purge ran at the end of the first request: not again this hour.
  EXPECT_EQ(remove_timeoted_sessions(), 0);
  EXPECT_NE(session_of(old_code), nullptr);

  remove_timeoted_sessions_last_run_time = now - 3600;
  EXPECT_EQ(remove_timeoted_sessions(), 0);
  EXPECT_EQ(session_of(old_code), nullptr);
  EXPECT_FALSE(kal::file_exists(kal::sess_file_name(old_id)));
  EXPECT_NE(session_of(young_code), nullptr);
  EXPECT_TRUE(kal::file_exists(kal::sess_file_name(young_id)));
  EXPECT_EQ(exists_sess_code(old_code.c_str()), 0);

  // The old code now makes a new, logged-out session.
  EXPECT_EQ(read_var({{"sess_code", old_code}}, "user_logged"), "0");
}

TEST_F(Sess, NewSessionNeverInheritsALeftOverFileOfItsId) {
  write_bytes("sess0001.txt", "Firmy_filtr secret\n");
  EXPECT_EQ(read_var({{"sess_code", "x"}}, "Firmy_filtr"), "");
}

TEST_F(Sess, VariableFileIsWrittenOnlyWhenTheVariablesChanged) {
  const std::string code = log_in({}, 1);
  const std::string file = kal::sess_file_name(session_of(code)->Id);
  request({{"sess_code", code}, {"a", "1"}});
  const ino_t first = inode_of(file);
  request({{"sess_code", code}, {"a", "1"}});
  EXPECT_EQ(inode_of(file), first) << "nothing changed, nothing written";
  request({{"sess_code", code}, {"a", "2"}});
  EXPECT_NE(inode_of(file), first);
  EXPECT_NE(read_bytes(file).find("a 2\r\n"), std::string::npos);

  // A variable without a name is never kept in the file: storing one changes
  // nothing there.
  const ino_t second = inode_of(file);
  request({{"sess_code", code}}, {}, [] { sess_put("", "x"); });
  EXPECT_EQ(inode_of(file), second) << "a nameless variable rewrote the file";

  // The file as another program left it (in the order a save writes) is read
  // by the next request; one that changes nothing leaves it as it is, one
  // that changes a variable writes the edit together with the change.
  std::string edited = read_bytes(file);
  ASSERT_EQ(edited.rfind("a 2\r\n", 0), 0u);
  edited.insert(5, "Firmy_filtr kowal\r\n");
  write_bytes(file, edited);
  EXPECT_EQ(read_var({{"sess_code", code}}, "Firmy_filtr"), "kowal");
  EXPECT_EQ(read_bytes(file), edited);
  request({{"sess_code", code}, {"a", "3"}});
  EXPECT_NE(read_bytes(file).find("Firmy_filtr kowal\r\n"), std::string::npos);

  // After a restart the session is found with every variable it had.
  pm.reload();
  hashtbl_delete(&actual_sess);
  EXPECT_EQ(read_var({{"sess_code", code}}, "a"), "3");
  EXPECT_EQ(read_var({{"sess_code", code}}, "user_logged"), "1");
}

TEST_F(Sess, WithoutPageManagerRequestsRunLoggedOutAndWriteNothing) {
  pagemgr_delete(&_pagemgr);
  std::string logged, filter;
  request({{"sess_code", "abc"}, {"user_logged", "1"}, {"f", "1"}}, {}, [&] {
    logged = var_s("user_logged");
    filter = var_s("f");
  });
  EXPECT_EQ(logged, "0");
  EXPECT_EQ(filter, "1");
  EXPECT_FALSE(kal::file_exists("sess0001.txt"));
  EXPECT_EQ(sess_renew_sess_code(), std::string());
}

// --- readers --------------------------------------------------------------------

TEST_F(Sess, ReadersTakeTheRequestThenTheSessionThenAnEmptyDefault) {
  const std::string code = log_in({}, 1);
  const Params s = {{"sess_code", code}};
  auto with = [&](Params extra) {
    Params p = s;
    p.insert(p.end(), extra.begin(), extra.end());
    return p;
  };
  request(with({{"x", "2"}}), {}, [] {
    sess_put("x", "1");
    EXPECT_STREQ(var_s("x"), "1") << "a put wins over the request in the same request";
  });
  EXPECT_EQ(read_var(s, "x"), "1") << "and in the next request that does not carry it";
  EXPECT_EQ(read_var(with({{"x", "3"}}), "x"), "3");
  EXPECT_EQ(read_var(s, "x"), "3") << "a value read is remembered";

  request(s, {}, [] {
    EXPECT_STREQ(var_s("none"), "");
    EXPECT_EQ(var_z("none"), 0u);
    EXPECT_EQ(var_i("none"), 0);
    EXPECT_EQ(var_l("none"), 0);
    EXPECT_EQ(var_g("none"), 0.0);
    EXPECT_EQ(var_c("none"), '@');
    const std::time_t now = std::time(nullptr);
    EXPECT_LE(std::abs(var_t("none") - now), 1);
    EXPECT_EQ(sess_exist("none"), 0) << "an absent value is not stored";
    EXPECT_EQ(var_z("x"), 3u);
    EXPECT_EQ(var_c("x"), '3');
  });

  // Body values win over the query.  A value is the program's text as the
  // server read it from the page: the readers keep every byte (ą ś ź, and
  // ± ¶ ľ, whose bytes are the ISO-8859-2 codes of ą ś ź).
  request(with({{"t", "q"}}), {{"t", "\xB9\x9C\x9F \xB1\xB6\xBC"}}, [] {
    EXPECT_STREQ(var_s("t"), "\xB9\x9C\x9F \xB1\xB6\xBC");
    EXPECT_STREQ(get_post_or_get_s("t"), "\xB9\x9C\x9F \xB1\xB6\xBC") << "what the request itself carried";
    int len = -1;
    EXPECT_STREQ(get_name_filter_zl("t", &len), "\xB9\x9C\x9F \xB1\xB6\xBC") << "read once, remembered";
    EXPECT_EQ(len, 7);
    EXPECT_STREQ(get_name_filter_zl("none", &len), "0");
    EXPECT_EQ(len, 0);
  });

  // An empty time in the request is now, and so remembered.
  request(with({{"d", ""}}), {}, [] {
    const std::time_t now = std::time(nullptr);
    EXPECT_LE(std::abs(var_t("d") - now), 1);
    EXPECT_STRNE(var_s("d"), "");
  });
}

TEST_F(Sess, ReturnedTextsStayValidForTheWholeRequest) {
  request({{"x", "first"}}, {}, [] {
    const char* before = var_s("x");
    const char* code = get_sess_code();
    sess_put("x", "second, much longer than the first value");
    for (int i = 0; i < 200; ++i) sess_put(("v" + std::to_string(i)).c_str(), "filler");
    EXPECT_STREQ(before, "first");
    EXPECT_STREQ(code, "");
    EXPECT_STREQ(var_s("x"), "second, much longer than the first value");
  });
}

TEST_F(Sess, PageIdComesFromTheFirstActionNameInTableOrder) {
  request({{"n_7", "e"}, {"n_12", "Zapisz"}}, {}, [] {
    EXPECT_EQ(page_id, 12u) << "n_12 sorts before n_7";
    EXPECT_STREQ(var_s("n_12"), "Zapisz");
    EXPECT_EQ(sess_nav_action(12, "Zapisz"), 1);
    EXPECT_EQ(sess_nav_action(12, "zapisz"), 0);
    EXPECT_EQ(sess_nav_action(12, nullptr), 0);
  });
  const unsigned long before = last_page_id;
  request({{"n_12", "x"}});
  EXPECT_EQ(last_page_id, before) << "same page: last_page_id unchanged";
  request({{"n_7", "l"}});
  EXPECT_EQ(page_id, 7u);
  EXPECT_EQ(last_page_id, 12u);
  request({{"n_0", "x"}, {"q", "1"}}, {}, [] {
    EXPECT_EQ(page_id, 7u) << "no page id: the previous one";
    EXPECT_STREQ(var_s("n_7"), "") << "and its action is empty";
    EXPECT_EQ(sess_nav_set(7, nullptr), -1);
    EXPECT_EQ(sess_nav_set(7, "e"), 0);
    EXPECT_EQ(sess_nav_action(7, "e"), 1);
  });
}

TEST_F(Sess, NumberedLineVariables) {
  const std::string code = log_in({}, 1);
  const Params s = {{"sess_code", code}};
  Params req = s;
  req.push_back({"cena", "12,50"});
  req.push_back({"Naprawy_uslugi_Id_Towary.2", "kept"});
  request(req, {}, [] {
    EXPECT_EQ(append_dynamic("cena", ".3s"), 0);
    EXPECT_EQ(append_dynamic("missing", ".3s"), -1);
    EXPECT_STREQ(var_s("cena.3s"), "12,50");
    sess_put("cena.4s", "7");
    EXPECT_EQ(set_previous_dynamic("cena", 3, "s"), 0);
    EXPECT_STREQ(var_s("cena.3s"), "7");
    EXPECT_EQ(set_previous_dynamic("cena", 4, "s"), 0);
    EXPECT_STREQ(var_s("cena.4s"), "") << "line 5 does not exist";
    EXPECT_EQ(remove_dynamic("cena", ".3s"), 0);
    EXPECT_STREQ(var_s("cena.3s"), "");
    sess_put("Naprawy_uslugi_Id_Towary.1", "a");
    sess_put("Naprawy_uslugi_Id_Towarx", "b");
  });
  request(req, {}, [] {
    EXPECT_EQ(sess_params_clear(nullptr), -1);
    EXPECT_EQ(sess_params_clear(""), -2);
    EXPECT_EQ(sess_params_clear("Naprawy_uslugi_Id_Towary"), 0);
    EXPECT_STREQ(sess_get_ptr("Naprawy_uslugi_Id_Towary.1"), "");
    EXPECT_STREQ(sess_get_ptr("Naprawy_uslugi_Id_Towary.2"), "kept") << "the request carries it";
    EXPECT_STREQ(sess_get_ptr("Naprawy_uslugi_Id_Towarx"), "b");
  });
}

TEST(Hashtbl, PutsMergesInOrderAndReportsMissingTables) {
  hashtbl* a = hashtbl_new(10);
  hashtbl* b = hashtbl_new(10);
  hashtbl_put(a, "k", "1");
  hashtbl_put(b, "k", "2");
  hashtbl_put(b, "j", "3");
  EXPECT_EQ(hashtbl_puts(a, b), 0);
  EXPECT_STREQ(hashtbl_get_ptr(a, "k"), "2");
  EXPECT_STREQ(hashtbl_get_ptr(a, "j"), "3");
  EXPECT_EQ(hashtbl_puts(a, nullptr), -1);
  EXPECT_EQ(hashtbl_puts(nullptr, b), -2);
  hashtbl_delete(&a);
  hashtbl_delete(&b);
}

}  // namespace
