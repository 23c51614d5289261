// Service cycles of equipment.
#pragma once

#include "db/vtab_table.hpp"

#define Cykle_FIELDS(X, T)       \
  X(T, Id, z, key)               \
  X(T, Id_Serwis, z, col)        \
  X(T, Id_Naprawy, z, col)       \
  X(T, Id_Firmy, z, col)         \
  X(T, data_start, t, col)       \
  X(T, data_koniec, t, col)      \
  X(T, data_aktualna, t, col)    \
  X(T, stan1, i, col)            \
  X(T, stan2, i, col)            \
  X(T, wartosc, g, col)          \
  X(T, okres1, i, col)           \
  X(T, okres2, i, col)           \
  X(T, okres3, i, col)           \
  X(T, text1, s, col)            \
  X(T, text2, s, col)            \
  X(T, text3, s, col)            \
  X(T, text4, s, col)            \
  X(T, czas_modyfikacji, t, col)

VTAB_DECLARE(Cykle, 2, .mgs_slot = 34)

static_assert(vtab_meta<Cykle>::field_count == 18);
