// Repairers, each linked to a firm.
#pragma once

#include "db/vtab_table.hpp"

#define Naprawy_wykonawcy_FIELDS(X, T) \
  X(T, Id, z, key)                     \
  X(T, Id_Firmy, z, col)

VTAB_DECLARE(Naprawy_wykonawcy, 1, .mgs_slot = 7)

static_assert(vtab_meta<Naprawy_wykonawcy>::field_count == 2);
