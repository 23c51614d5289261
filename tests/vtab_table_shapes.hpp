// Tables of the shapes that later tables need, declared for the tests only:
// several indexes with an order of their own, a text key, no maximum of the
// key, one-character fields, the second generation.
#pragma once

#include "db/vtab_table.hpp"

// Several indexes, one of them on a text whose missing values sort last.
#define Vt_sessions_FIELDS(X, T) \
  X(T, Id, z, mkey)              \
  X(T, Id_Users, z, midx)        \
  X(T, address_ip, s, midx)      \
  X(T, loggin_time, t, midx)     \
  X(T, state, c, col)
VTAB_DECLARE(Vt_sessions, 1)
template <>
struct vtab_order<&Vt_sessions::address_ip> {
  static int cmp(const ostr& a, const ostr& b) {
    if (a.is_null() || b.is_null()) return a.is_null() == b.is_null() ? 0 : (a.is_null() ? 1 : -1);
    return a.compare(b);
  }
};

// Several indexes and the second generation.
#define Vt_users_FIELDS(X, T) \
  X(T, Id, z, mkey)           \
  X(T, user_name, s, col)     \
  X(T, user_passwd, s, col)   \
  X(T, created_time, t, midx) \
  X(T, Id_User_types, z, midx)
VTAB_DECLARE(Vt_users, 2)

// A text key, no version line.
#define Vt_postcodes_FIELDS(X, T) \
  X(T, pna, s, key)               \
  X(T, miasto, s, col)
VTAB_DECLARE(Vt_postcodes, 1, .header_line = false)

// No maximum of the key; one-character fields; a loader of its own.
#define Vt_repairs_FIELDS(X, T) \
  X(T, Id, z, key_nomax)        \
  X(T, numer, s, col)           \
  X(T, koszt, g, col)           \
  X(T, wydrukowano, c, col)     \
  X(T, odebrano, c, col)
VTAB_DECLARE(Vt_repairs, 1, .own_loader = true)

// The second generation over every number kind.
#define Vt_plans_FIELDS(X, T) \
  X(T, Id, z, key)            \
  X(T, Id_Serwis, z, col)     \
  X(T, data, t, col)          \
  X(T, koszt, g, col)         \
  X(T, opis, s, col)          \
  X(T, flags, i, col)
VTAB_DECLARE(Vt_plans, 2)

using vtab_shape_tables = vtab_tables<Vt_sessions, Vt_users, Vt_postcodes, Vt_repairs, Vt_plans>;
