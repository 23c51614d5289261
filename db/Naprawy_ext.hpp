// Extension records of the repairs, one per repair, keyed by its Id.
#pragma once

#include "db/vtab_table.hpp"

#define Naprawy_ext_FIELDS(X, T) \
  X(T, Id_Naprawy, z, key)       \
  X(T, s1, s, col)               \
  X(T, s2, s, col)               \
  X(T, s3, s, col)               \
  X(T, s4, s, col)               \
  X(T, s5, s, col)               \
  X(T, s6, s, col)               \
  X(T, s7, s, col)               \
  X(T, s8, s, col)               \
  X(T, s9, s, col)               \
  X(T, t1, t, col)               \
  X(T, t2, t, col)               \
  X(T, t3, t, col)               \
  X(T, t4, t, col)               \
  X(T, g1, g, col)               \
  X(T, g2, g, col)               \
  X(T, g3, g, col)               \
  X(T, g4, g, col)               \
  X(T, i1, i, col)               \
  X(T, i2, i, col)               \
  X(T, i3, i, col)               \
  X(T, i4, i, col)

VTAB_DECLARE(Naprawy_ext, 2, .mgs_slot = 36)

static_assert(vtab_meta<Naprawy_ext>::field_count == 22);
