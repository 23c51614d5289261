// Goods types.
#pragma once

#include "db/vtab_table.hpp"

#define Towary_typy_FIELDS(X, T) \
  X(T, Id, z, key)               \
  X(T, nazwa, s, col)            \
  X(T, uwagi, s, col)

VTAB_DECLARE(Towary_typy, 1, .mgs_slot = 17)

static_assert(vtab_meta<Towary_typy>::field_count == 3);
