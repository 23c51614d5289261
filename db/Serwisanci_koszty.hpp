// Servicemen's gross cost rates.
#pragma once

#include "db/vtab_table.hpp"

#define Serwisanci_koszty_FIELDS(X, T) \
  X(T, Id, z, key)                     \
  X(T, Id_Firmy, z, col)               \
  X(T, Id_Towary, z, col)              \
  X(T, Id_Koszty, z, col)              \
  X(T, koszt_brutto, g, col)           \
  X(T, czas_modyfikacji, t, col)

VTAB_DECLARE(Serwisanci_koszty, 2, .mgs_slot = 33)

static_assert(vtab_meta<Serwisanci_koszty>::field_count == 6);
