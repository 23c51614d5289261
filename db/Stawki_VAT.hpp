// VAT rates; the rate in percent is kept as text.
#pragma once

#include "db/vtab_table.hpp"

#define Stawki_VAT_FIELDS(X, T) \
  X(T, Id, z, key)              \
  X(T, nazwa, s, col)           \
  X(T, procent, s, col)

VTAB_DECLARE(Stawki_VAT, 1, .mgs_slot = 13)

static_assert(vtab_meta<Stawki_VAT>::field_count == 3);
