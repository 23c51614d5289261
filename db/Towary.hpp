// Goods, parts and services.  Goods are never removed: bit value 1 of
// `flags` marks a deleted item, 2 a marked one.
#pragma once

#include "db/vtab_table.hpp"

#define Towary_FIELDS(X, T)              \
  X(T, Id, z, key)                       \
  X(T, nazwa, s, col)                    \
  X(T, PKWiU, s, col)                    \
  X(T, kod, s, col)                      \
  X(T, rfid, s, col)                     \
  X(T, opis, s, col)                     \
  X(T, ostatnia_cena_kupna, g, col)      \
  X(T, srednia_cena_kupna, g, col)       \
  X(T, marza, g, col)                    \
  X(T, cena_sprzedazy, g, col)           \
  X(T, liczba_sztuk, g, col)             \
  X(T, sciezka_do_pliku, s, col)         \
  X(T, Id_Stawki_VAT, z, col)            \
  X(T, Id_Towary_typy, z, col)           \
  X(T, Id_Jednostki_metryczne, z, col)   \
  X(T, ostatnie_sztuk_dostawy, g, col)   \
  X(T, ostatnie_sztuk_sprzedazy, g, col) \
  X(T, ostatnia_data_dostawy, t, col)    \
  X(T, ostatnia_data_sprzedazy, t, col)  \
  X(T, czas_modyfikacji, t, col)         \
  X(T, flags, i, col)

VTAB_DECLARE(Towary, 1, .mgs_slot = 14)

static_assert(vtab_meta<Towary>::field_count == 21);
