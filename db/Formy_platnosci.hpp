// Payment forms.
#pragma once

#include "db/vtab_table.hpp"

#define Formy_platnosci_FIELDS(X, T) \
  X(T, Id, z, key)                   \
  X(T, nazwa, s, col)

VTAB_DECLARE(Formy_platnosci, 1, .mgs_slot = 2)

static_assert(vtab_meta<Formy_platnosci>::field_count == 2);
