// Goods lines of the sales and purchase documents; `cena` is the gross unit
// price.
#pragma once

#include "db/vtab_table.hpp"

#define Towary_transakcje_FIELDS(X, T) \
  X(T, Id, z, key)                     \
  X(T, Id_Towary, z, col)              \
  X(T, Id_Transakcje, z, col)          \
  X(T, cena, g, col)                   \
  X(T, liczba_sztuk, g, col)           \
  X(T, Id_Magazyny, z, col)

VTAB_DECLARE(Towary_transakcje, 1, .mgs_slot = 16)

static_assert(vtab_meta<Towary_transakcje>::field_count == 6);
