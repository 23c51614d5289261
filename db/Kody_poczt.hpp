// Postcodes and their towns, keyed by the postcode itself.  The file comes
// with the installation, has no version line and is never written.
#pragma once

#include "db/vtab_table.hpp"

#define Kody_poczt_FIELDS(X, T) \
  X(T, pna, s, key)             \
  X(T, miasto, s, col)

VTAB_DECLARE(Kody_poczt, 1, .header_line = false, .mgs_slot = 21)

static_assert(vtab_meta<Kody_poczt>::field_count == 2);
