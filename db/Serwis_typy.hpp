// Known values of the equipment's engine number.
#pragma once

#include "db/vtab_table.hpp"

#define Serwis_typy_FIELDS(X, T) \
  X(T, Id, z, key)               \
  X(T, nazwa, s, col)            \
  X(T, opis, s, col)

VTAB_DECLARE(Serwis_typy, 1, .mgs_slot = 22)

static_assert(vtab_meta<Serwis_typy>::field_count == 3);
