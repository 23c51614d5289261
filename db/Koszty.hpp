// Cost items.
#pragma once

#include "db/vtab_table.hpp"

#define Koszty_FIELDS(X, T)  \
  X(T, Id, z, key)           \
  X(T, Id_Karty, z, col)     \
  X(T, Id_Naprawy, z, col)   \
  X(T, Id_Towary, z, col)    \
  X(T, koszt_brutto, g, col)

VTAB_DECLARE(Koszty, 2, .mgs_slot = 31)

static_assert(vtab_meta<Koszty>::field_count == 5);
