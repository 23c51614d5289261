// Stock of one goods item in one warehouse.
#pragma once

#include "db/vtab_table.hpp"

#define Towary_magazyn_FIELDS(X, T) \
  X(T, Id, z, key)                  \
  X(T, liczba_sztuk, g, col)        \
  X(T, Id_Towary, z, col)           \
  X(T, Id_Magazyny, z, col)

VTAB_DECLARE(Towary_magazyn, 1, .mgs_slot = 15)

static_assert(vtab_meta<Towary_magazyn>::field_count == 4);
