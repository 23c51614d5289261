// The session of a request: sess_start, sess_end, the purge, session codes.
#include "server/sess.hpp"

#include <sodium.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "lib/convert.hpp"
#include "pagemgr/pagemgr.hpp"
#include "platform/commit.hpp"
#include "platform/textfile.hpp"
#include "server/form_dates.hpp"
#include "server/serv.hpp"
#include "server/sess_internal.hpp"
#include "server/ustawienia.hpp"

hashtbl* actual_sess = nullptr;
unsigned long sess_id = 0;
unsigned long page_id = 0;
unsigned long last_page_id = 0;
unsigned long back_id = 0;
std::int64_t remove_timeoted_sessions_last_run_time = 0;

namespace {

constexpr std::size_t kCodeBytes = 16;  // 128 random bits

// The request's session was found or made (false: the request runs without
// one, and its variables are saved nowhere).
bool have_session = false;
// The bytes of the session's variable file as this request read them (empty
// when there was none), and the session they came from: sess_end writes the
// file only when the bytes it would write differ.  Compared as bytes, so that
// nothing the file does not keep (a variable without a name) counts as a
// change.
struct Loaded {
  unsigned long id = 0;
  std::string bytes;
} loaded;

std::vector<std::pair<std::string, std::string>> pairs_of(hashtbl* t) {
  std::vector<std::pair<std::string, std::string>> out;
  if (!t) return out;
  out.reserve(t->size);
  for (std::uint32_t i = 0; i < t->size; ++i) out.emplace_back(t->keys[i], t->values[i]);
  return out;
}

// Removes the variables that pick chooses from a request table, saying on
// the console why.
template <class Pick>
void strip(hashtbl* t, Pick&& pick, const char* why) {
  if (!t) return;
  bool any = false;
  for (std::uint32_t i = 0; i < t->size && !any; ++i) any = pick(t->keys[i]);
  if (!any) return;
  auto pairs = pairs_of(t);
  hashtbl_clear(t);
  for (const auto& [k, v] : pairs)
    if (pick(k.c_str()))
      std::printf("sess_start() request parameter '%s' ignored: %s\n", k.c_str(), why);
    else
      hashtbl_append(t, k.c_str(), v.c_str());
  hashtbl_sort(t);
}

// Removes the names the server keeps for itself from a request table.
void strip_reserved(hashtbl* t) { strip(t, kal::sess_reserved_name, "the server keeps it"); }

// The name of the page's action variable ("n_31"): the first "n_" variable
// of the request with a page number; "" when it has none.
std::string page_key() {
  if (!page_params) return "";
  for (std::uint32_t i = 0; i < page_params->size; ++i) {
    const char* k = page_params->keys[i];
    if (k[0] != 'n' || k[1] != '_') continue;
    return to_l(k + 2) > 0 ? k : "";
  }
  return "";
}

// Dates typed into the forms that are no dates: out of the request, and the
// page's button not pressed (its action stays what the session holds, as on
// a reload), so that nothing is stored; the page says why.
void screen_dates(hashtbl* vars) {
  if (!kal::form_dates_screen(page_params)) return;
  strip(
      page_params,
      [](const char* name) {
        for (const kal::refused_date& r : kal::form_dates_refused())
          if (r.name == name) return true;
        return false;
      },
      "no date");
  const std::string key = page_key();
  if (key.empty()) return;
  const char* before = vars ? hashtbl_get_ptr(vars, key.c_str()) : nullptr;
  const std::string action = before ? before : "";
  hashtbl_put(page_params, key.c_str(), action.c_str());
}

// The request's parameters into the session, except the look-up code, which
// never changes what the session stores, and those kept in the request only.
void merge_request(hashtbl* vars) {
  if (!vars || !page_params) return;
  for (std::uint32_t i = 0; i < page_params->size; ++i) {
    const char* k = page_params->keys[i];
    if (std::strcmp(k, "sess_code") == 0 || kal::sess_request_only_name(k)) continue;
    hashtbl_put(vars, k, page_params->values[i]);
  }
}

void log_out_vars() {
  sess_put("user_logged", "0");
  sess_put("logged_user_name", "");
  sess_put("Wyloguj", "");
}

// Step 9 of the start: the page id and its action variable.
void take_page_id() {
  const unsigned long old = page_id;
  get_page_id();
  if (page_id != old) last_page_id = old;
  char name[32];
  std::snprintf(name, sizeof name, "n_%lu", page_id);
  std::string action = get_page_param_s(page_params, name);
  sess_put(name, action.c_str());
}

// A request without a session: its own parameters only, logged out.
int run_without_session() {
  have_session = false;
  screen_dates(kal::sess_vars());
  merge_request(kal::sess_vars());
  log_out_vars();
  take_page_id();
  return -1;
}

Sessions_listelem* element_of(Sessions_tab* tab, const Sessions* row) {
  for (Sessions_listelem* e = tab->first; e != nullptr; e = e->next)
    if (e->row == row) return e;
  return nullptr;
}

void set_last_active(Sessions_tab* tab, Sessions* row, std::int64_t now) {
  Sessions_listelem* elem = element_of(tab, row);
  Sessions_ref* ref = elem ? Sessions_ref_new() : nullptr;
  if (ref && Sessions_ref_append(ref, elem)) Sessions_tab_update_last_active_time(tab, ref, now);
  Sessions_ref_delete(&ref);
}

// last_active + timeout < now, without overflow for any stored values.
bool idle_too_long(std::int64_t last_active, long timeout, std::int64_t now) {
  return static_cast<__int128>(last_active) + timeout < static_cast<__int128>(now);
}

bool sodium_ready() {
  static const bool ready = sodium_init() >= 0;
  return ready;
}

}  // namespace

namespace kal {

std::string sess_file_name(unsigned long id) {
  char name[40];
  std::snprintf(name, sizeof name, "sess%04lu.txt", id);
  return name;
}

bool sess_reserved_name(const char* name) {
  if (!name) return false;
  return std::strcmp(name, "user_logged") == 0 || std::strcmp(name, "logged_user_name") == 0 ||
         std::strcmp(name, "Wyloguj") == 0 || std::strcmp(name, "Towary_transakcje_count.s") == 0 ||
         std::strcmp(name, "Towary_transakcje_count.d") == 0 || std::strcmp(name, "Towary_transakcje_count.r") == 0;
}

bool sess_request_only_name(const char* name) { return name && std::strcmp(name, "Users_user_passwd") == 0; }

long sess_login_timeout() {
  // A missing or broken setting must not log every session out after a
  // second.
  const char* text = ustawienia_ht ? hashtbl_get_ptr(ustawienia_ht, "Logowanie_timeout") : nullptr;
  const long value = text ? to_l(text) : 0;
  return value > 0 ? value : sess_default_login_timeout;
}

bool sess_code_is_server_made(const char* code) {
  if (!code || std::strlen(code) != 2 * kCodeBytes) return false;
  for (const char* p = code; *p; ++p)
    if (!((*p >= '0' && *p <= '9') || (*p >= 'a' && *p <= 'f'))) return false;
  return true;
}

}  // namespace kal

int sess_start() {
  kal::sess_forget_texts();
  hashtbl* vars = kal::sess_vars();
  if (vars) hashtbl_clear(vars);
  loaded = Loaded{};
  have_session = false;
  strip_reserved(get_params);
  strip_reserved(post_params);
  strip_reserved(page_params);

  const char* given = page_s("sess_code");
  const std::string code = given ? given : "";
  if (code.empty())
    std::printf("sess_start() empty sess_code -> ''\n");
  else
    std::printf("sess_start() sess_code='%s'\n", code.c_str());

  if (!_pagemgr || !_pagemgr->_Sessions_tab) {
    std::printf("sess_start() no page manager, the request runs without a session\n");
    return run_without_session();
  }
  Sessions_tab* tab = _pagemgr->_Sessions_tab;
  const std::int64_t now = std::time(nullptr);
  bool logout = false;

  Sessions* row = Sessions_tab_get_address_ip(tab, code.c_str(), VTAB_CMP_EQUAL);
  if (row) {
    sess_id = row->Id;
    std::printf("sess_start() sess_id=%lu sess_code='%s'\n", sess_id, code.c_str());
    sess_set_new_sess_code(code.c_str(), sess_id);
  } else {
    std::uint32_t max = 0;
    const bool any = Sessions_tab_max_Id(tab, &max) == 0;
    const unsigned long id = any ? static_cast<unsigned long>(max) + 1 : 1;
    if (id <= UINT32_MAX) {
      Sessions s{};
      s.Id = static_cast<std::uint32_t>(id);
      s.Id_Users = 0;
      s.address_ip = code;
      s.loggin_time = now;
      s.logout_time = 0;
      s.last_active_time = now;
      s.state = 'i';
      Sessions_tab_insert(tab, &s);
      row = Sessions_tab_get_Id(tab, s.Id, VTAB_CMP_EQUAL);
    }
    if (!row) {
      std::printf("Sessions_tab_get_Id(sess_id=%lu) return NULL !\n", id);
      return run_without_session();
    }
    sess_id = row->Id;
    std::printf("new sess_id=%lu sess_code='%s'\n", sess_id, code.c_str());
    logout = true;
    // A file left by a removed session of the same Id is not this session's.
    const std::string stale = kal::sess_file_name(sess_id);
    if (kal::file_exists(stale)) std::remove(stale.c_str());
  }
  have_session = true;

  sess_id = row->Id;
  find_session_by_sess_code(code.c_str());
  loaded.id = sess_id;

  screen_dates(vars);
  merge_request(vars);

  const long timeout = kal::sess_login_timeout();
  if (idle_too_long(row->last_active_time, timeout, now)) {
    std::printf("last_active_time_diff=%ld > %ld[s] \n", static_cast<long>(now - row->last_active_time), timeout);
    logout = true;
    row->state = 't';
  } else {
    row->state = 'i';
  }

  const bool no_code = code.empty() || code == "QQ$sess_code";
  if (no_code) {
    // A users file that did not load whole counts as holding users.
    if (_pagemgr->_Users_tab->size > 0 || _pagemgr->users_damaged) {
      logout = true;
      row->state = 't';
    }
    sess_put("sess_code", "");
  } else if (!kal::sess_code_is_server_made(code.c_str())) {
    // Codes of older versions were the log-in time in seconds, easy to
    // guess: such a session must log in again to get a code of ours.
    logout = true;
  }

  set_last_active(tab, row, now);
  if (logout) log_out_vars();
  take_page_id();
  return 0;
}

int sess_end() {
  if (!_pagemgr) return 0;
  pagemgr_save_Sessions(_pagemgr);
  pagemgr_save_Users(_pagemgr);
  pagemgr_save_User_types(_pagemgr);
  const char* code = get_sess_code();
  if (have_session && code[0]) {
    std::printf("sess_end() save sess_id=%lu sess_code='%s'!\n", sess_id, code);
    hashtbl* vars = kal::sess_vars();
    std::string bytes = hashtbl_file_bytes(vars);
    if (vars && (sess_id != loaded.id || bytes != loaded.bytes)) {
      const std::string file = kal::sess_file_name(sess_id);
      kal::JoinCommit join;
      if (kal::atomic_rewrite(file, bytes) == 0) {
        loaded.id = sess_id;
        loaded.bytes = std::move(bytes);
      }
    }
  }
  remove_timeoted_sessions();
  return 0;
}

int exists_sess_code(const char* code) {
  if (!code || !code[0] || !_pagemgr || !_pagemgr->_Sessions_tab) return 0;
  return Sessions_tab_get_address_ip(_pagemgr->_Sessions_tab, code, VTAB_CMP_EQUAL) ? 1 : 0;
}

int sess_set_new_sess_code(const char* code, unsigned long id) {
  if (!code) return 0;
  // The code may be a text of the tables changed below.
  const std::string copy = code;
  if (get_params) hashtbl_put(get_params, "sess_code", copy.c_str());
  if (_pagemgr && _pagemgr->_Sessions_tab && id <= UINT32_MAX) {
    Sessions_tab* tab = _pagemgr->_Sessions_tab;
    Sessions_ref* ref = Sessions_tab_gets_Id(tab, static_cast<std::uint32_t>(id), VTAB_CMP_EQUAL);
    if (ref) {
      Sessions_tab_update_address_ip(tab, ref, copy.c_str());
      Sessions_ref_delete(&ref);
    }
  }
  return 0;
}

const char* sess_renew_sess_code() {
  static std::string code;
  if (!have_session || !_pagemgr || !sodium_ready()) {
    std::printf("sess_renew_sess_code(): no session or no random source, no code made\n");
    return "";
  }
  unsigned char bytes[kCodeBytes];
  char hex[2 * kCodeBytes + 1];
  do {
    randombytes_buf(bytes, sizeof bytes);
    sodium_bin2hex(hex, sizeof hex, bytes, sizeof bytes);
  } while (exists_sess_code(hex));
  code = hex;
  sess_set_new_sess_code(code.c_str(), sess_id);
  sess_put("sess_code", code.c_str());
  return code.c_str();
}

hashtbl* find_session_by_sess_code(const char* code) {
  hashtbl* vars = kal::sess_vars();
  if (vars) hashtbl_clear(vars);
  if (!code || !code[0] || !_pagemgr || !_pagemgr->_Sessions_tab) return vars;
  Sessions_tab* tab = _pagemgr->_Sessions_tab;
  Sessions_ref* ref = Sessions_tab_gets_Id(tab, 0, VTAB_CMP_GE);
  if (!ref) return vars;
  for (tab_ref_elem* e = ref->first; e != nullptr; e = e->next) {
    const Sessions* s = vtab_row<Sessions>(e);
    if (!s || s->address_ip.is_null() || std::strcmp(s->address_ip.c_str(), code) != 0) continue;
    std::printf("found and load sess sess_id: %lu -> %lu sess_code='%s'\n", sess_id,
                static_cast<unsigned long>(s->Id), code);
    sess_id = s->Id;
    if (get_params) hashtbl_put(get_params, "sess_code", code);
    if (vars) hashtbl_load(vars, kal::sess_file_name(sess_id).c_str(), &loaded.bytes);
    break;
  }
  Sessions_ref_delete(&ref);
  return vars;
}

int remove_timeoted_sessions() {
  if (!_pagemgr || !_pagemgr->_Sessions_tab) return 0;
  Sessions_tab* tab = _pagemgr->_Sessions_tab;
  const std::int64_t now = std::time(nullptr);
  if (now - remove_timeoted_sessions_last_run_time <= 3599) return 0;
  std::printf("remove_timeoted_sessions() start actual_size=%lu\n", static_cast<unsigned long>(tab->size));
  const long timeout = kal::sess_login_timeout();
  long max_diff = timeout > LONG_MAX / 10 ? LONG_MAX : (timeout < LONG_MIN / 10 ? LONG_MIN : timeout * 10);
  if (max_diff < 600) max_diff = 600;
  std::printf("remove_timeoted_sessions() max_diff_t=%ld\n", max_diff);
  remove_timeoted_sessions_last_run_time = now;
  Sessions_ref* ref = Sessions_tab_gets_last_active_time(tab, now - max_diff, VTAB_CMP_LE);
  if (!ref) return 0;
  for (tab_ref_elem* e = ref->first; e != nullptr; e = e->next) {
    const Sessions* s = vtab_row<Sessions>(e);
    if (!s) continue;
    const std::string file = kal::sess_file_name(s->Id);
    std::printf("call remove('%s')\n", file.c_str());
    std::remove(file.c_str());
  }
  Sessions_tab_removes(tab, ref);
  Sessions_ref_delete(&ref);
  std::printf("remove_timeoted_sessions() done actual_size=%lu\n", static_cast<unsigned long>(tab->size));
  return 0;
}

unsigned long get_page_id() {
  const std::string key = page_key();
  if (!key.empty()) page_id = static_cast<unsigned long>(to_l(key.c_str() + 2));
  return page_id;
}
