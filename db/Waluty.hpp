// Currencies.
#pragma once

#include "db/vtab_table.hpp"

#define Waluty_FIELDS(X, T) \
  X(T, Id, z, key)          \
  X(T, nazwa, s, col)       \
  X(T, przelicznik, g, col)

VTAB_DECLARE(Waluty, 1, .mgs_slot = 20)

static_assert(vtab_meta<Waluty>::field_count == 3);
