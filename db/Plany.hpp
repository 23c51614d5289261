// Planned repairs and inspections of equipment.
#pragma once

#include "db/vtab_table.hpp"

#define Plany_FIELDS(X, T)             \
  X(T, Id, z, key)                     \
  X(T, Id_Serwis, z, col)              \
  X(T, Id_Naprawy, z, col)             \
  X(T, Id_Naprawy_przyjmujacy, z, col) \
  X(T, Id_Naprawy_wykonawcy, z, col)   \
  X(T, Id_Rodzaje_planow, z, col)      \
  X(T, data_rozpoczecia, t, col)       \
  X(T, data_zakonczenia, t, col)       \
  X(T, koszt, g, col)                  \
  X(T, opis, s, col)                   \
  X(T, uwagi, s, col)                  \
  X(T, czas_modyfikacji, t, col)       \
  X(T, flags, i, col)

VTAB_DECLARE(Plany, 2, .mgs_slot = 26)

static_assert(vtab_meta<Plany>::field_count == 13);
