// Goods kinds offered on the equipment form.
#pragma once

#include "db/vtab_table.hpp"

#define Towary_rodzaje_FIELDS(X, T) \
  X(T, Id, z, key)                  \
  X(T, nazwa, s, col)               \
  X(T, opis, s, col)                \
  X(T, Id_Towary, z, col)

VTAB_DECLARE(Towary_rodzaje, 1, .mgs_slot = 25)

static_assert(vtab_meta<Towary_rodzaje>::field_count == 4);
