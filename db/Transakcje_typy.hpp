// Document kinds: 1 sale, 2 purchase.
#pragma once

#include "db/vtab_table.hpp"

#define Transakcje_typy_FIELDS(X, T) \
  X(T, Id, z, key)                   \
  X(T, nazwa, s, col)                \
  X(T, uwagi, s, col)

VTAB_DECLARE(Transakcje_typy, 1, .mgs_slot = 19)

static_assert(vtab_meta<Transakcje_typy>::field_count == 3);
