// Request and session variables: the readers the pages take their form state
// from, and the writers that remember values in the session.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <unordered_set>
#include <vector>

#include "lib/convert.hpp"
#include "server/oo_texts.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/sess_internal.hpp"

namespace {

constexpr std::uint32_t kSessCapacity = 4096;

// Texts handed out by the readers during this request.
std::unordered_set<std::string>& kept_texts() {
  static std::unordered_set<std::string> texts;
  return texts;
}

const char* lookup(hashtbl* table, const char* name) {
  return table && name ? hashtbl_get_ptr(table, name) : nullptr;
}

std::string nav_name(int id) {
  char name[32];
  std::snprintf(name, sizeof name, "n_%d", id);
  return name;
}

char* copy_of(const char* text) {
  const std::size_t n = std::strlen(text) + 1;
  char* copy = static_cast<char*>(std::malloc(n));
  if (copy) std::memcpy(copy, text, n);
  return copy;
}

}  // namespace

namespace kal {

hashtbl* sess_vars() {
  if (!actual_sess) actual_sess = hashtbl_new(kSessCapacity);
  return actual_sess;
}

const char* sess_keep_text(std::string_view text) { return kept_texts().emplace(text).first->c_str(); }

void sess_forget_texts() { kept_texts().clear(); }

}  // namespace kal

hashtbl* sess_get_ht() { return actual_sess; }

void sess_put(const char* name, const char* value) {
  if (!name || !value) return;
  // The value may be a text of one of the two tables.
  const std::string n = name, v = value;
  if (page_params) hashtbl_put(page_params, n.c_str(), v.c_str());
  if (hashtbl* vars = kal::sess_vars()) hashtbl_put(vars, n.c_str(), v.c_str());
}

std::uint32_t sess_upd(const char* name, const char* value) {
  std::uint32_t r = hashtbl_put(kal::sess_vars(), name, value);
  var_upd(name);
  return r;
}

int sess_exist(const char* name) { return lookup(actual_sess, name) ? 1 : 0; }

const char* sess_get_ptr(const char* name) {
  const char* v = lookup(actual_sess, name);
  return v ? kal::sess_keep_text(v) : nullptr;
}

const char* get_s(const char* name) { return lookup(get_params, name); }
const char* post_s(const char* name) { return lookup(post_params, name); }

const char* page_s(const char* name) {
  const char* v = get_s(name);
  return v ? v : post_s(name);
}

const char* get_sess_code() {
  const char* v = page_s("sess_code");
  return v && v[0] ? kal::sess_keep_text(v) : "";
}

int hashtbl_puts(hashtbl* dest, hashtbl* src) {
  if (!src) return -1;
  if (!dest) return -2;
  for (std::uint32_t i = 0; i < src->size; ++i) hashtbl_put(dest, src->keys[i], src->values[i]);
  return 0;
}

// --- readers -------------------------------------------------------------------

const char* get_page_param_s(hashtbl* table, const char* name) {
  if (!name) return "";
  const char* v = lookup(page_params, name);
  if (!v) v = lookup(table, name);
  if (!v) return "";
  const std::string text = v;
  sess_put(name, text.c_str());
  return kal::sess_keep_text(text);
}

char* get_page_param_copy_s(hashtbl* table, const char* name) { return copy_of(get_page_param_s(table, name)); }

std::uint32_t get_page_param_z(hashtbl* table, const char* name) { return to_z(get_page_param_s(table, name)); }
int get_page_param_i(hashtbl* table, const char* name) { return to_i(get_page_param_s(table, name)); }
long get_page_param_l(hashtbl* table, const char* name) { return to_l(get_page_param_s(table, name)); }
unsigned long get_page_param_q(hashtbl* table, const char* name) {
  return static_cast<unsigned long>(to_l(get_page_param_s(table, name)));
}
double get_page_param_g(hashtbl* table, const char* name) {
  const char* s = get_page_param_s(table, name);
  return s[0] ? to_gzl(s) : 0.0;
}

char get_page_param_c(hashtbl* table, const char* name) {
  const char* s = get_page_param_s(table, name);
  return s[0] ? s[0] : '@';
}

std::int64_t get_page_param_t(hashtbl* table, const char* name) {
  const char* s = get_page_param_s(table, name);
  if (!s[0]) return std::time(nullptr);
  struct tm tm {};
  if (oo_texts_get_lang() == 1)
    utils_str_to_tm_dst_en(&tm, s);
  else
    utils_str_to_tm_dst(&tm, s);
  return std::mktime(&tm);
}

const char* var_s(const char* name) { return get_page_param_s(actual_sess, name); }
char* var_copy_s(const char* name) { return copy_of(var_s(name)); }
std::uint32_t var_z(const char* name) { return get_page_param_z(actual_sess, name); }
int var_i(const char* name) { return get_page_param_i(actual_sess, name); }
long var_l(const char* name) { return get_page_param_l(actual_sess, name); }
unsigned long var_q(const char* name) { return get_page_param_q(actual_sess, name); }
double var_g(const char* name) { return get_page_param_g(actual_sess, name); }
char var_c(const char* name) { return get_page_param_c(actual_sess, name); }

std::int64_t var_t(const char* name) {
  const char* carried = lookup(page_params, name);
  const bool carried_empty = carried && !carried[0];
  std::int64_t t = get_page_param_t(actual_sess, name);
  if (carried_empty) {
    t = std::time(nullptr);
    sess_put(name, from_t(t));
  }
  return t;
}

int var_tmin(const char* name) { return to_tmin(var_s(name)); }

const char* var_upd(const char* name) {
  // A value the request carries is found first and remembered; otherwise
  // the session's value is read (and put into the request table).
  return lookup(page_params, name) ? get_page_param_s(page_params, name) : var_s(name);
}

const char* get_post_or_get_s(const char* name) { return lookup(page_params00, name); }
int is_in_post_or_get(const char* name) { return lookup(page_params00, name) ? 1 : 0; }
int is_in_post_or_getx() { return 1; }

const char* get_name_filter_zl(const char* name, int* len) {
  const char* raw = lookup(page_params, name);
  std::string text = raw ? raw : var_s(name);
  if (text.empty()) {
    if (len) *len = 0;
    return "0";
  }
  if (len) *len = text.size() > INT_MAX ? INT_MAX : static_cast<int>(text.size());
  return kal::sess_keep_text(text);
}

// --- page actions -----------------------------------------------------------------

int sess_nav_set(int id, const char* value) {
  if (!value) return -1;
  sess_put(nav_name(id).c_str(), value);
  return 0;
}

int sess_nav_action(int id, const char* action) {
  if (!action) return 0;
  return std::strcmp(var_s(nav_name(id).c_str()), action) == 0 ? 1 : 0;
}

// --- numbered variables -------------------------------------------------------------

int append_dynamic(const char* name, const char* suffix) {
  if (!name || !suffix || !page_params) return -2;
  const char* v = hashtbl_get_ptr(page_params, name);
  if (!v) return hashtbl_last_error == page_params->max_size ? -1 : -2;
  if (!v[0]) return 0;
  std::string full = std::string(name) + suffix;
  if (full.size() > 255) full.resize(255);
  sess_put(full.c_str(), v);
  return 0;
}

int remove_dynamic(const char* name, const char* suffix) {
  if (!name || !suffix) return 0;
  sess_put((std::string(name) + suffix).c_str(), "");
  return 0;
}

int set_previous_dynamic(const char* name, long n, const char* suffix) {
  if (!name || !suffix || n == LONG_MAX) return 0;
  auto line = [&](long k) {
    const int len = std::snprintf(nullptr, 0, "%s.%ld%s", name, k, suffix);
    std::string s(static_cast<std::size_t>(len), '\0');
    std::snprintf(s.data(), s.size() + 1, "%s.%ld%s", name, k, suffix);
    return s;
  };
  const std::string next = var_s(line(n + 1).c_str());
  sess_put(line(n).c_str(), next.c_str());
  return 0;
}

int sess_params_clear(const char* prefix) {
  if (!prefix) return -1;
  if (!prefix[0]) return -2;
  hashtbl* vars = actual_sess;
  if (!vars) return 0;
  const std::size_t n = std::strlen(prefix);
  std::vector<std::string> names;
  for (std::uint32_t i = 0; i < vars->size; ++i) {
    const char* k = vars->keys[i];
    if (std::strncmp(k, prefix, n) == 0 && !lookup(page_params, k)) names.emplace_back(k);
  }
  for (const std::string& k : names) sess_put(k.c_str(), "");
  return 0;
}
