// Passwords and the log-in check of the users table.
//
// `Users.user_passwd` holds a salted hash made by libsodium's password
// hashing (Argon2id), recognised by its prefix "$argon2id$".  Any other value
// is a plain-text password from an older file: it is accepted once, at the
// user's next log-in, and replaced there by its hash ("Users.dat" is
// rewritten at once).  Comparisons take the same time whatever the password.
#pragma once

#include <cstdint>
#include <string>

#include "pagemgr/Users.hpp"

// Results of users_check_login.
inline constexpr int USERS_LOGIN_OK = 0;
inline constexpr int USERS_LOGIN_UNKNOWN_USER = 1;  // no user of that name
inline constexpr int USERS_LOGIN_BAD_PASSWORD = 2;
inline constexpr int USERS_LOGIN_REFUSED = 3;       // users_login_refused()

// The log-in check: finds the user by name (byte for byte) in _pagemgr's
// users table and verifies the password (NULL counts as "").  On success
// *user (when given) points at the user's record, and a plain-text password
// has been replaced by its hash and "Users.dat" rewritten.  While
// users_login_refused() nothing is looked up.
int users_check_login(const char* user_name, const char* password, Users** user);

// Stores the hash of password as the user's `user_passwd` (the user pages;
// they save "Users.dat" afterwards).  0; -1 no page manager or no user of
// that Id; -2 the hash could not be made (out of memory).
int users_set_password(std::uint32_t id, const char* password);

// 1 while log-ins must be refused: "Users.dat" exists but could not be read
// whole, or there is no page manager.  The dispatcher checks it before any
// log-in, the one without users included.
int users_login_refused();
// The message that tells the user why (Polish UI: Polish, else English).
const char* users_login_refused_text();
// 1 when there is no user at all and "Users.dat" is sound: the state in
// which everybody works as administrator.  0 otherwise (also while log-ins
// are refused).
int users_none();

namespace kal {

// 1 when a stored password is a hash (begins with "$argon2id$").
bool users_passwd_is_hash(const char* stored);
// The hash of a password into out; 0, or -1 when it could not be made.
int users_passwd_hash(const char* password, std::string& out);
// 1 when password matches the stored value (hash or plain text), in time
// that does not depend on where they differ.
bool users_passwd_matches(const char* stored, const char* password);

}  // namespace kal
