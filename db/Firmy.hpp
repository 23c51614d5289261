// Firms: the workshop's customers, suppliers, staff and its own firm (key 1).
#pragma once

#include "db/vtab_table.hpp"

#define Firmy_FIELDS(X, T)       \
  X(T, Id, z, key)               \
  X(T, nazwa, s, col)            \
  X(T, opis, s, col)             \
  X(T, NIP, s, col)              \
  X(T, ulica, s, col)            \
  X(T, kod_pocztowy, s, col)     \
  X(T, miasto, s, col)           \
  X(T, bank_nazwa, s, col)       \
  X(T, konto, s, col)            \
  X(T, telefon, s, col)          \
  X(T, fax, s, col)              \
  X(T, email, s, col)            \
  X(T, www_page, s, col)         \
  X(T, nr_gadu_gadu, s, col)     \
  X(T, nr_skype, s, col)         \
  X(T, Id_Firmy_typy, z, col)    \
  X(T, Id_Panstwa, z, col)       \
  X(T, czas_modyfikacji, t, col) \
  X(T, flags, i, col)

VTAB_DECLARE(Firmy, 1, .mgs_slot = 0)

static_assert(vtab_meta<Firmy>::field_count == 19);
