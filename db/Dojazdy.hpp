// Trips of a service card.  The two hours are minutes after midnight (8:30
// is 510), although they are of the time kind; `Id_Koszty` is the hourly
// labour rate as a whole number.
#pragma once

#include "db/vtab_table.hpp"

#define Dojazdy_FIELDS(X, T)         \
  X(T, Id, z, key)                   \
  X(T, Id_Karty, z, col)             \
  X(T, godz_rozpoczecia, t, col)     \
  X(T, godz_zakonczenia, t, col)     \
  X(T, Id_Firmy_dokad, z, col)       \
  X(T, liczba_roboczogodzin, g, col) \
  X(T, Id_Srodki_transportu, z, col) \
  X(T, stawka_za_km_brutto, g, col)  \
  X(T, dojazd_w_km, g, col)          \
  X(T, Id_Koszty, z, col)            \
  X(T, koszt_brutto, g, col)         \
  X(T, opis, s, col)                 \
  X(T, uwagi, s, col)                \
  X(T, czas_modyfikacji, t, col)

VTAB_DECLARE(Dojazdy, 2, .mgs_slot = 32)

static_assert(vtab_meta<Dojazdy>::field_count == 14);
