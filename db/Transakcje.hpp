// Sales and purchase documents.  The date of sale is spelled
// `data_transkacji`, in the record, the file and the form names alike.
#pragma once

#include "db/vtab_table.hpp"

#define Transakcje_FIELDS(X, T)    \
  X(T, Id, z, key)                 \
  X(T, numer, s, col)              \
  X(T, data_transkacji, t, col)    \
  X(T, termin_platnosci, t, col)   \
  X(T, laczna_wartosc, g, col)     \
  X(T, uwagi, s, col)              \
  X(T, Id_Firmy, z, col)           \
  X(T, Id_Transakcje_typy, z, col) \
  X(T, Id_Formy_platnosci, z, col) \
  X(T, data_wystawienia, t, col)   \
  X(T, wydrukowano, c, col)        \
  X(T, odebrano, c, col)           \
  X(T, zaplacono, g, col)          \
  X(T, Id_Wykonawcy, z, col)       \
  X(T, flags, i, col)

VTAB_DECLARE(Transakcje, 1, .mgs_slot = 18)

static_assert(vtab_meta<Transakcje>::field_count == 15);
