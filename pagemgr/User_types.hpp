// Names of the user roles.  The role numbers are fixed in the code (1
// administrator, 2 worker, 3 other); this table only names them.
#pragma once

#include "db/vtab_table.hpp"

#define User_types_FIELDS(X, T) \
  X(T, Id, z, key)              \
  X(T, type_name, s, col)

VTAB_DECLARE(User_types, 1, .header_line = false)

static_assert(vtab_meta<User_types>::field_count == 2 && vtab_meta<User_types>::index_count == 1);
