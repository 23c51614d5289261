// Repair states; the program relies on the Ids 1 to 9 and 20 only.
#pragma once

#include "db/vtab_table.hpp"

#define Naprawy_stany_FIELDS(X, T) \
  X(T, Id, z, key)                 \
  X(T, nazwa, s, col)              \
  X(T, uwagi, s, col)

VTAB_DECLARE(Naprawy_stany, 1, .mgs_slot = 9)

static_assert(vtab_meta<Naprawy_stany>::field_count == 3);
