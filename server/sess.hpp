// Sessions and request variables.
//
// Every request belongs to a browser session, found by the code the browser
// carries in the parameter "sess_code".  sess_start (before the page) finds or
// creates the session's row in the page manager's Sessions table, loads the
// session's variables from "sess%04lu.txt" into actual_sess, merges the
// request's parameters into them, logs the session out when it has been idle
// too long, and decides the page id.  sess_end (after the page) writes the
// page manager's files and the session's variables when they changed, and
// purges old sessions at most once an hour.
//
// The log-in state lives in the session only.  Request parameters named
// "user_logged", "logged_user_name" or "Wyloguj" are dropped from the request
// tables before anything reads them, and "sess_code", the look-up key, never
// changes a session's stored code.  So are the counters of the document lines
// a session holds ("Towary_transakcje_count.s", "Towary_transakcje_count.d",
// "Towary_transakcje_count.r"), which only the pages set.  A session code is
// made by the server alone: sess_renew_sess_code() at every successful log-in.
//
// Pages read their form state through the readers (var_s and kin): the
// request's value first (remembered in the session; the server has read it
// from UTF-8 into the program's text already), else the session's remembered
// value, else an empty default.
// Every text a reader returns stays valid until the next sess_start.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "lib/hashtbl.hpp"

// --- globals of the current request ----------------------------------------

extern hashtbl* actual_sess;     // the session's variables (capacity 4096)
extern unsigned long sess_id;    // Id of the session's row
extern unsigned long page_id;    // the page of the request
extern unsigned long last_page_id;  // the page id before its last change
extern unsigned long back_id;    // the next page to run in this request; 0 none
extern std::int64_t remove_timeoted_sessions_last_run_time;  // 0 at start

// --- session life (the server loop) ------------------------------------------

// 0; -1 when there is no page manager or the new session's row cannot be
// made (the request then runs logged out with no remembered variables).
int sess_start();
// 0.
int sess_end();

// --- sessions -------------------------------------------------------------------

// 1 when a live session has this code, 0 for NULL, "" or an unknown code.
int exists_sess_code(const char* code);
// Puts "sess_code" = code into get_params and makes it the code of the row
// with that Id.  0.
int sess_set_new_sess_code(const char* code, unsigned long id);
// For the log-in: gives the current session a new code of 128 random bits
// (32 hexadecimal digits), unique among the live sessions, installs it with
// sess_set_new_sess_code and stores it as the variable "sess_code".  Returns
// the code (valid until the next call), or "" when there is no session (or
// no random source): the log-in must then fail.  Every successful log-in
// calls it, the one without users included.
const char* sess_renew_sess_code();
// Clears actual_sess and loads into it the file of the first row (by Id) whose
// code is this one; never for an empty code.  Returns actual_sess.
hashtbl* find_session_by_sess_code(const char* code);
// Removes sessions idle longer than 10 time-outs (at least 600 s) with their
// files; runs at most once an hour.  0.
int remove_timeoted_sessions();
// The page id from the first request parameter named "n_<id>"; else the
// previous one.  Stores it in page_id.
unsigned long get_page_id();

// --- session and request tables ----------------------------------------------

hashtbl* sess_get_ht();
// Puts copies into page_params and actual_sess; a NULL value stores nothing.
void sess_put(const char* name, const char* value);
// Puts into actual_sess only, then var_upd(name); the hashtbl_put result.
std::uint32_t sess_upd(const char* name, const char* value);
int sess_exist(const char* name);
const char* sess_get_ptr(const char* name);
const char* get_s(const char* name);
const char* post_s(const char* name);
const char* page_s(const char* name);
// The request's "sess_code", or "".
const char* get_sess_code();
// Puts every pair of src into dest; 0, -1 src NULL, -2 dest NULL.
int hashtbl_puts(hashtbl* dest, hashtbl* src);

// --- readers --------------------------------------------------------------------

const char* get_page_param_s(hashtbl* table, const char* name);
// A copy of get_page_param_s, allocated with malloc; the caller frees it.
char* get_page_param_copy_s(hashtbl* table, const char* name);
std::uint32_t get_page_param_z(hashtbl* table, const char* name);
int get_page_param_i(hashtbl* table, const char* name);
long get_page_param_l(hashtbl* table, const char* name);
unsigned long get_page_param_q(hashtbl* table, const char* name);
double get_page_param_g(hashtbl* table, const char* name);
char get_page_param_c(hashtbl* table, const char* name);
std::int64_t get_page_param_t(hashtbl* table, const char* name);

const char* var_s(const char* name);
char* var_copy_s(const char* name);
std::uint32_t var_z(const char* name);
int var_i(const char* name);
long var_l(const char* name);
unsigned long var_q(const char* name);
double var_g(const char* name);
char var_c(const char* name);
std::int64_t var_t(const char* name);
int var_tmin(const char* name);
const char* var_upd(const char* name);

// What the request itself carried (page_params00), whatever later sess_puts
// did.
const char* get_post_or_get_s(const char* name);
int is_in_post_or_get(const char* name);
int is_in_post_or_getx();
// A list's name filter: the request's raw value, else var_s; "0" with *len 0
// when empty, else *len its length.
const char* get_name_filter_zl(const char* name, int* len);

// --- page actions ---------------------------------------------------------------

// Sets "n_<page_id>" to value; 0, -1 for a NULL value.
int sess_nav_set(int page_id, const char* value);
// 1 when var_s("n_<page_id>") equals action, else 0.
int sess_nav_action(int page_id, const char* action);

// --- numbered variables of editable lines -------------------------------------

// Stores the request's non-empty value of name under name + suffix; 0, -1
// when the request does not carry name, -2 on a look-up error.
int append_dynamic(const char* name, const char* suffix);
// Sets name + suffix to "".  0.
int remove_dynamic(const char* name, const char* suffix);
// Sets "<name>.<n><suffix>" to the value of "<name>.<n+1><suffix>".  0.
int set_previous_dynamic(const char* name, long n, const char* suffix);
// Empties every session variable starting with prefix that the request does
// not carry; 0, -1 NULL prefix, -2 empty prefix.
int sess_params_clear(const char* prefix);

namespace kal {

// "sess%04lu.txt" of a session Id.
std::string sess_file_name(unsigned long id);
// The request parameters the server keeps for itself: never taken from a
// request.
bool sess_reserved_name(const char* name);
// Request parameters that stay in their request and are never kept in a
// session (and so never in its file): the password a user form posts.  Pages
// read them with get_post_or_get_s.
bool sess_request_only_name(const char* name);
// The log-in time-out in seconds: the setting "Logowanie_timeout" when it
// holds a positive number, else sess_default_login_timeout.  A session idle
// longer is logged out; the purge removes sessions idle ten times as long (at
// least 600 s).
inline constexpr long sess_default_login_timeout = 1800;
long sess_login_timeout();
// A code as sess_renew_sess_code makes them: 32 hexadecimal digits.
bool sess_code_is_server_made(const char* code);

}  // namespace kal
