// Extension records of the documents, one per document, keyed by its Id:
// numbered slots whose meaning the document pages give.
#pragma once

#include "db/vtab_table.hpp"

#define Transakcje_ext_FIELDS(X, T) \
  X(T, Id_Transakcje, z, key)       \
  X(T, s1, s, col)                  \
  X(T, s2, s, col)                  \
  X(T, s3, s, col)                  \
  X(T, s4, s, col)                  \
  X(T, s5, s, col)                  \
  X(T, s6, s, col)                  \
  X(T, s7, s, col)                  \
  X(T, s8, s, col)                  \
  X(T, t1, t, col)                  \
  X(T, t2, t, col)                  \
  X(T, t3, t, col)                  \
  X(T, t4, t, col)                  \
  X(T, g1, g, col)                  \
  X(T, g2, g, col)                  \
  X(T, g3, g, col)                  \
  X(T, g4, g, col)

VTAB_DECLARE(Transakcje_ext, 2, .mgs_slot = 35)

static_assert(vtab_meta<Transakcje_ext>::field_count == 17);
