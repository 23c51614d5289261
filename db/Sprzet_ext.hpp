// Extension records of the serviced equipment, one per item, keyed by its
// Id.
#pragma once

#include "db/vtab_table.hpp"

#define Sprzet_ext_FIELDS(X, T) \
  X(T, Id_Serwis, z, key)       \
  X(T, s00, s, col)             \
  X(T, s01, s, col)             \
  X(T, s02, s, col)             \
  X(T, s03, s, col)             \
  X(T, s04, s, col)             \
  X(T, s05, s, col)             \
  X(T, s06, s, col)             \
  X(T, s07, s, col)             \
  X(T, s08, s, col)             \
  X(T, s09, s, col)             \
  X(T, s10, s, col)             \
  X(T, s11, s, col)             \
  X(T, s12, s, col)             \
  X(T, s13, s, col)             \
  X(T, s14, s, col)             \
  X(T, s15, s, col)             \
  X(T, s16, s, col)             \
  X(T, s17, s, col)             \
  X(T, s18, s, col)             \
  X(T, s19, s, col)             \
  X(T, s20, s, col)             \
  X(T, s21, s, col)             \
  X(T, s22, s, col)             \
  X(T, s23, s, col)             \
  X(T, s24, s, col)             \
  X(T, s25, s, col)             \
  X(T, s26, s, col)             \
  X(T, s27, s, col)             \
  X(T, s28, s, col)             \
  X(T, s29, s, col)             \
  X(T, s30, s, col)             \
  X(T, s31, s, col)             \
  X(T, s32, s, col)             \
  X(T, s33, s, col)             \
  X(T, s34, s, col)             \
  X(T, s35, s, col)             \
  X(T, s36, s, col)             \
  X(T, s37, s, col)             \
  X(T, s38, s, col)             \
  X(T, s39, s, col)             \
  X(T, t00, t, col)             \
  X(T, t01, t, col)             \
  X(T, t02, t, col)             \
  X(T, t03, t, col)             \
  X(T, t04, t, col)             \
  X(T, t05, t, col)             \
  X(T, t06, t, col)             \
  X(T, t07, t, col)             \
  X(T, t08, t, col)             \
  X(T, t09, t, col)             \
  X(T, g00, g, col)             \
  X(T, g01, g, col)             \
  X(T, g02, g, col)             \
  X(T, g03, g, col)             \
  X(T, g04, g, col)             \
  X(T, g05, g, col)             \
  X(T, g06, g, col)             \
  X(T, g07, g, col)             \
  X(T, g08, g, col)             \
  X(T, g09, g, col)             \
  X(T, i00, i, col)             \
  X(T, i01, i, col)             \
  X(T, i02, i, col)             \
  X(T, i03, i, col)             \
  X(T, i04, i, col)             \
  X(T, i05, i, col)             \
  X(T, i06, i, col)             \
  X(T, i07, i, col)             \
  X(T, i08, i, col)             \
  X(T, i09, i, col)

VTAB_DECLARE(Sprzet_ext, 2, .mgs_slot = 37)

static_assert(vtab_meta<Sprzet_ext>::field_count == 71);
