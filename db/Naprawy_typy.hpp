// Repair kinds.
#pragma once

#include "db/vtab_table.hpp"

#define Naprawy_typy_FIELDS(X, T) \
  X(T, Id, z, key)                \
  X(T, nazwa_typu, s, col)        \
  X(T, nazwa_firmy, s, col)       \
  X(T, uwagi, s, col)             \
  X(T, text1, s, col)             \
  X(T, text2, s, col)             \
  X(T, text3, s, col)             \
  X(T, text4, s, col)             \
  X(T, text5, s, col)             \
  X(T, text6, s, col)             \
  X(T, text7, s, col)             \
  X(T, text8, s, col)             \
  X(T, text9, s, col)             \
  X(T, flags, i, col)

VTAB_DECLARE(Naprawy_typy, 1, .mgs_slot = 8)

static_assert(vtab_meta<Naprawy_typy>::field_count == 14);
