// Known values of the equipment's frame number.
#pragma once

#include "db/vtab_table.hpp"

#define Serwis_ramy_FIELDS(X, T) \
  X(T, Id, z, key)               \
  X(T, nazwa, s, col)            \
  X(T, opis, s, col)

VTAB_DECLARE(Serwis_ramy, 1, .mgs_slot = 23)

static_assert(vtab_meta<Serwis_ramy>::field_count == 3);
