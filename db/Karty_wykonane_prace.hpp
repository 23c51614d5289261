// Work performed, lines of a service card.
#pragma once

#include "db/vtab_table.hpp"

#define Karty_wykonane_prace_FIELDS(X, T) \
  X(T, Id, z, key)                        \
  X(T, Id_Karty, z, col)                  \
  X(T, Id_Towary_transakcje, z, col)      \
  X(T, opis, s, col)                      \
  X(T, uwagi, s, col)                     \
  X(T, Id_Wykonawcy, z, col)              \
  X(T, suma_brutto, g, col)

VTAB_DECLARE(Karty_wykonane_prace, 2, .mgs_slot = 28)

static_assert(vtab_meta<Karty_wykonane_prace>::field_count == 7);
