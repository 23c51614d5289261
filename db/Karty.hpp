// Service cards.
#pragma once

#include "db/vtab_table.hpp"

#define Karty_FIELDS(X, T)         \
  X(T, Id, z, key)                 \
  X(T, numer, s, col)              \
  X(T, Id_Naprawy, z, col)         \
  X(T, Id_Zlecenia, z, col)        \
  X(T, Id_Zleceniodawca, z, col)   \
  X(T, Id_Wykonawca, z, col)       \
  X(T, ident, s, col)              \
  X(T, Id_Prowadzacy, z, col)      \
  X(T, Id_Sprawdzajacy, z, col)    \
  X(T, Id_Transakcje, z, col)      \
  X(T, data, t, col)               \
  X(T, uwagi, s, col)              \
  X(T, uwagi_niedrukowane, s, col) \
  X(T, opis, s, col)               \
  X(T, opis_niedrukowany, s, col)  \
  X(T, Id_Naprawy_stany, z, col)   \
  X(T, Id_Karty_stany, z, col)     \
  X(T, numer_FVAT, s, col)         \
  X(T, text1, s, col)              \
  X(T, text2, s, col)              \
  X(T, text3, s, col)              \
  X(T, text4, s, col)              \
  X(T, data2, t, col)              \
  X(T, suma_brutto, g, col)        \
  X(T, koszt_brutto, g, col)       \
  X(T, zysk_brutto, g, col)        \
  X(T, czas_modyfikacji, t, col)

VTAB_DECLARE(Karty, 2, .mgs_slot = 27)

static_assert(vtab_meta<Karty>::field_count == 27);
