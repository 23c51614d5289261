// A table with a loader of its own, for the table-file tests: it refuses
// records without a number.  Defined apart from the tests, whose source
// replaces the allocation operators.
#pragma once

#include "db/vtab_table.hpp"

#define Vf_own_FIELDS(X, T) \
  X(T, Id, z, key)          \
  X(T, numer, s, col)       \
  X(T, koszt, g, col)
VTAB_DECLARE(Vf_own, 1, .own_loader = true)
