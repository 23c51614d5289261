// The users who may log in.  `Id` is also the Id of the user's firm;
// `Id_User_types` is the role: 1 administrator, 2 worker, 3 other.
// `user_passwd` holds the password's salted hash (pagemgr/users_auth.hpp); a
// plain-text password from an older file is replaced by its hash at the
// user's next log-in.
#pragma once

#include "db/vtab_table.hpp"

#define Users_FIELDS(X, T)           \
  X(T, Id, z, mkey)                  \
  X(T, user_name, s, col)            \
  X(T, user_passwd, s, col)          \
  X(T, created_time, t, midx)        \
  X(T, Id_User_types, z, midx)

VTAB_DECLARE(Users, 2)

static_assert(vtab_meta<Users>::field_count == 5 && vtab_meta<Users>::index_count == 3);
