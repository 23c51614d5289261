// Units of measure.
#pragma once

#include "db/vtab_table.hpp"

#define Jednostki_metryczne_FIELDS(X, T) \
  X(T, Id, z, key)                       \
  X(T, nazwa, s, col)

VTAB_DECLARE(Jednostki_metryczne, 1, .mgs_slot = 3)

static_assert(vtab_meta<Jednostki_metryczne>::field_count == 2);
