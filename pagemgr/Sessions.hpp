// Browser sessions: one row per session code the server has seen.  The code
// lives in `address_ip` (the field kept its old name); the row's Id names the
// session's variable file "sess%04lu.txt".
#pragma once

#include "db/vtab_table.hpp"

#define Sessions_FIELDS(X, T)        \
  X(T, Id, z, mkey)                  \
  X(T, Id_Users, z, midx)            \
  X(T, address_ip, s, midx)          \
  X(T, loggin_time, t, midx)         \
  X(T, logout_time, t, midx)         \
  X(T, last_active_time, t, midx)    \
  X(T, state, c, col)

VTAB_DECLARE(Sessions, 1, .header_line = false)

// Codes byte by byte; a row without a code sorts after every code, and two
// such rows are equal (the index must find a row again by its own value).
template <>
struct vtab_order<&Sessions::address_ip> {
  static int cmp(const ostr& a, const ostr& b) {
    if (a.is_null() || b.is_null()) return a.is_null() == b.is_null() ? 0 : (a.is_null() ? 1 : -1);
    return a.compare(b);
  }
};

static_assert(vtab_meta<Sessions>::field_count == 7 && vtab_meta<Sessions>::index_count == 6);
