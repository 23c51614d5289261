// Means of transport with their gross rate per kilometre.
#pragma once

#include "db/vtab_table.hpp"

#define Srodki_transportu_FIELDS(X, T) \
  X(T, Id, z, key)                     \
  X(T, nazwa, s, col)                  \
  X(T, nr_rej, s, col)                 \
  X(T, stawka_za_km_brutto, g, col)    \
  X(T, opis, s, col)                   \
  X(T, uwagi, s, col)                  \
  X(T, czas_modyfikacji, t, col)

VTAB_DECLARE(Srodki_transportu, 2, .mgs_slot = 30)

static_assert(vtab_meta<Srodki_transportu>::field_count == 7);
