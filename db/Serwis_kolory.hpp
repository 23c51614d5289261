// Known values of the equipment's colour.
#pragma once

#include "db/vtab_table.hpp"

#define Serwis_kolory_FIELDS(X, T) \
  X(T, Id, z, key)                 \
  X(T, nazwa, s, col)              \
  X(T, opis, s, col)

VTAB_DECLARE(Serwis_kolory, 1, .mgs_slot = 24)

static_assert(vtab_meta<Serwis_kolory>::field_count == 3);
