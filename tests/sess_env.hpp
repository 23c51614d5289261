// A little install directory for the tests of the page manager, the sessions
// and the settings: a temporary directory that the test changes into (with
// "dat/" for the table files), the page manager, the settings store, and
// requests driven as the server loop drives them (request tables filled,
// sess_start, the page, sess_end).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "lib/hashtbl.hpp"
#include "pagemgr/pagemgr.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/ustawienia.hpp"
#include "tests/kal_testutil.hpp"

namespace sess_env {

namespace fs = std::filesystem;

// What an appending emitter wrote into the reply, as the program's text (the
// reply is UTF-8); the reply is emptied before and after.
inline std::string appended(const std::function<void()>& emit) {
  send_buf_len = 0;
  send_buf[0] = 0;
  emit();
  std::string out = kaltest::page_text(std::string_view(send_buf, static_cast<std::size_t>(send_buf_len)));
  send_buf_len = 0;
  send_buf[0] = 0;
  return out;
}

using Params = std::vector<std::pair<std::string, std::string>>;

inline std::string read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void write_bytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// A temporary install directory, current while the object lives.
class InstallDir {
 public:
  InstallDir() {
    char tmpl[] = "/tmp/kal_sess_XXXXXX";
    path_ = mkdtemp(tmpl);
    saved_ = fs::current_path();
    fs::current_path(path_);
    fs::create_directory("dat");
  }
  ~InstallDir() {
    fs::current_path(saved_);
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  InstallDir(const InstallDir&) = delete;
  InstallDir& operator=(const InstallDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  fs::path saved_;
};

// The settings store with the given pairs; freed with the object.
class Settings {
 public:
  explicit Settings(const Params& pairs = {}) {
    ustawienia_ht = hashtbl_new(2000);
    ustawienia_desc = hashtbl_new(2000);
    for (const auto& [k, v] : pairs) hashtbl_put(ustawienia_ht, k.c_str(), v.c_str());
  }
  ~Settings() { kal::ustawienia_free(); }
  Settings(const Settings&) = delete;
  Settings& operator=(const Settings&) = delete;
};

// _pagemgr loaded from the current directory's "dat/"; freed (not saved)
// with the object, together with the session state of the process.
class PageManager {
 public:
  PageManager() { load(); }
  ~PageManager() {
    pagemgr_delete(&_pagemgr);
    hashtbl_delete(&actual_sess);
    page_id = last_page_id = back_id = sess_id = 0;
    remove_timeoted_sessions_last_run_time = 0;
  }
  PageManager(const PageManager&) = delete;
  PageManager& operator=(const PageManager&) = delete;
  // Drops the tables in memory and reads the files again, as a restart does.
  void reload() {
    pagemgr_delete(&_pagemgr);
    load();
  }

 private:
  void load() {
    _pagemgr = pagemgr_new();
    ASSERT_NE(_pagemgr, nullptr);
    pagemgr_load(_pagemgr);
  }
};

// One request as the server loop serves it: the request tables filled from
// the query and the body, sess_start, page_params00, the page, sess_end.
inline void request(const Params& get, const Params& post = {}, const std::function<void()>& page = {}) {
  http_params = hashtbl_new(5000);
  get_params = hashtbl_new(5000);
  post_params = hashtbl_new(5000);
  page_params = hashtbl_new(5000);
  page_params00 = hashtbl_new(5000);
  for (const auto& [k, v] : get) hashtbl_put(get_params, k.c_str(), v.c_str());
  for (const auto& [k, v] : post) hashtbl_put(post_params, k.c_str(), v.c_str());
  hashtbl_puts(page_params, get_params);
  hashtbl_puts(page_params, post_params);
  sess_start();
  hashtbl_puts(page_params00, page_params);
  if (page) page();
  sess_end();
  hashtbl_delete(&http_params);
  hashtbl_delete(&get_params);
  hashtbl_delete(&post_params);
  hashtbl_delete(&page_params);
  hashtbl_delete(&page_params00);
}

// The session row of a code; NULL when there is none.
inline Sessions* session_of(const std::string& code) {
  return Sessions_tab_get_address_ip(_pagemgr->_Sessions_tab, code.c_str(), VTAB_CMP_EQUAL);
}

// Adds a user to _pagemgr's table.
inline void add_user(uint32_t id, const char* name, const char* passwd, uint32_t type = 1) {
  Users u{};
  u.Id = id;
  u.user_name = name;
  u.user_passwd = passwd;
  u.created_time = 1700000000 + id;
  u.Id_User_types = type;
  ASSERT_EQ(Users_tab_insert(_pagemgr->_Users_tab, &u), 0);
}

}  // namespace sess_env
