// Serviced equipment.
#pragma once

#include "db/vtab_table.hpp"

#define Serwis_FIELDS(X, T)             \
  X(T, Id, z, key)                      \
  X(T, Id_Firmy__klient, z, col)        \
  X(T, Id_Towary__przyjety, z, col)     \
  X(T, numer, s, col)                   \
  X(T, model, s, col)                   \
  X(T, kolor, s, col)                   \
  X(T, typ, s, col)                     \
  X(T, rodzaj, s, col)                  \
  X(T, nr_rej, s, col)                  \
  X(T, nr_ramy, s, col)                 \
  X(T, nr_silnika, s, col)              \
  X(T, przebieg, s, col)                \
  X(T, wyposazenie, s, col)             \
  X(T, Id_Transakcje__sprzedaz, z, col) \
  X(T, data_sprzedazy, t, col)          \
  X(T, Id_Naprawy__ostatnia, z, col)    \
  X(T, data_ostatniej_naprawy, t, col)

VTAB_DECLARE(Serwis, 1, .mgs_slot = 11)

static_assert(vtab_meta<Serwis>::field_count == 17);
