// Countries, each with its currency.
#pragma once

#include "db/vtab_table.hpp"

#define Panstwa_FIELDS(X, T) \
  X(T, Id, z, key)           \
  X(T, nazwa, s, col)        \
  X(T, Id_Waluty, z, col)

VTAB_DECLARE(Panstwa, 1, .mgs_slot = 10)

static_assert(vtab_meta<Panstwa>::field_count == 3);
