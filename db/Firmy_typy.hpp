// Firm types.
#pragma once

#include "db/vtab_table.hpp"

#define Firmy_typy_FIELDS(X, T) \
  X(T, Id, z, key)              \
  X(T, nazwa, s, col)           \
  X(T, uwagi_typ_Firmy, s, col)

VTAB_DECLARE(Firmy_typy, 1, .mgs_slot = 1)

static_assert(vtab_meta<Firmy_typy>::field_count == 3);
