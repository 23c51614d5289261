// Warehouses; the two sums are kept as the warehouse form enters them.
#pragma once

#include "db/vtab_table.hpp"

#define Magazyny_FIELDS(X, T)    \
  X(T, Id, z, key)               \
  X(T, nazwa, s, col)            \
  X(T, ulica, s, col)            \
  X(T, kod, s, col)              \
  X(T, miasto, s, col)           \
  X(T, dostawy_suma, z, col)     \
  X(T, sprzedaze_suma, z, col)   \
  X(T, Id_Firmy, z, col)         \
  X(T, czas_modyfikacji, t, col)

VTAB_DECLARE(Magazyny, 1, .mgs_slot = 4)

static_assert(vtab_meta<Magazyny>::field_count == 9);
