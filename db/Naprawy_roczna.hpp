// The annual-inspection form of a repair: one record per repair, keyed by the
// repair's Id, with the equipment's Id and numbered slots whose meaning the
// repair pages give.  Its loader is its own (db/Naprawy_roczna.cpp): a
// record with the key 0 after the first is refused.
#pragma once

#include "db/vtab_table.hpp"

#define Naprawy_roczna_FIELDS(X, T) \
  X(T, Id, z, key)                  \
  X(T, Id_Serwis, z, col)           \
  X(T, s00, s, col)                 \
  X(T, s01, s, col)                 \
  X(T, s02, s, col)                 \
  X(T, s03, s, col)                 \
  X(T, s04, s, col)                 \
  X(T, s05, s, col)                 \
  X(T, s06, s, col)                 \
  X(T, s07, s, col)                 \
  X(T, s08, s, col)                 \
  X(T, s09, s, col)                 \
  X(T, s10, s, col)                 \
  X(T, s11, s, col)                 \
  X(T, s12, s, col)                 \
  X(T, s13, s, col)                 \
  X(T, s14, s, col)                 \
  X(T, s15, s, col)                 \
  X(T, s16, s, col)                 \
  X(T, s17, s, col)                 \
  X(T, s18, s, col)                 \
  X(T, s19, s, col)                 \
  X(T, s20, s, col)                 \
  X(T, s21, s, col)                 \
  X(T, s22, s, col)                 \
  X(T, s23, s, col)                 \
  X(T, s24, s, col)                 \
  X(T, s25, s, col)                 \
  X(T, s26, s, col)                 \
  X(T, s27, s, col)                 \
  X(T, s28, s, col)                 \
  X(T, s29, s, col)                 \
  X(T, s30, s, col)                 \
  X(T, s31, s, col)                 \
  X(T, s32, s, col)                 \
  X(T, s33, s, col)                 \
  X(T, s34, s, col)                 \
  X(T, s35, s, col)                 \
  X(T, s36, s, col)                 \
  X(T, s37, s, col)                 \
  X(T, s38, s, col)                 \
  X(T, s39, s, col)                 \
  X(T, s40, s, col)                 \
  X(T, s41, s, col)                 \
  X(T, s42, s, col)                 \
  X(T, s43, s, col)                 \
  X(T, s44, s, col)                 \
  X(T, s45, s, col)                 \
  X(T, s46, s, col)                 \
  X(T, s47, s, col)                 \
  X(T, s48, s, col)                 \
  X(T, s49, s, col)                 \
  X(T, s50, s, col)                 \
  X(T, s51, s, col)                 \
  X(T, s52, s, col)                 \
  X(T, s53, s, col)                 \
  X(T, s54, s, col)                 \
  X(T, s55, s, col)                 \
  X(T, s56, s, col)                 \
  X(T, s57, s, col)                 \
  X(T, s58, s, col)                 \
  X(T, s59, s, col)                 \
  X(T, s60, s, col)                 \
  X(T, s61, s, col)                 \
  X(T, s62, s, col)                 \
  X(T, s63, s, col)                 \
  X(T, s64, s, col)                 \
  X(T, s65, s, col)                 \
  X(T, s66, s, col)                 \
  X(T, s67, s, col)                 \
  X(T, s68, s, col)                 \
  X(T, s69, s, col)                 \
  X(T, s70, s, col)                 \
  X(T, s71, s, col)                 \
  X(T, s72, s, col)                 \
  X(T, s73, s, col)                 \
  X(T, s74, s, col)                 \
  X(T, s75, s, col)                 \
  X(T, s76, s, col)                 \
  X(T, s77, s, col)                 \
  X(T, s78, s, col)                 \
  X(T, s79, s, col)                 \
  X(T, s80, s, col)                 \
  X(T, s81, s, col)                 \
  X(T, s82, s, col)                 \
  X(T, s83, s, col)                 \
  X(T, s84, s, col)                 \
  X(T, s85, s, col)                 \
  X(T, s86, s, col)                 \
  X(T, s87, s, col)                 \
  X(T, s88, s, col)                 \
  X(T, s89, s, col)                 \
  X(T, s90, s, col)                 \
  X(T, s91, s, col)                 \
  X(T, s92, s, col)                 \
  X(T, s93, s, col)                 \
  X(T, s94, s, col)                 \
  X(T, s95, s, col)                 \
  X(T, s96, s, col)                 \
  X(T, s97, s, col)                 \
  X(T, s98, s, col)                 \
  X(T, s99, s, col)                 \
  X(T, t00, t, col)                 \
  X(T, t01, t, col)                 \
  X(T, t02, t, col)                 \
  X(T, t03, t, col)                 \
  X(T, t04, t, col)                 \
  X(T, t05, t, col)                 \
  X(T, t06, t, col)                 \
  X(T, t07, t, col)                 \
  X(T, t08, t, col)                 \
  X(T, t09, t, col)                 \
  X(T, g00, g, col)                 \
  X(T, g01, g, col)                 \
  X(T, g02, g, col)                 \
  X(T, g03, g, col)                 \
  X(T, g04, g, col)                 \
  X(T, g05, g, col)                 \
  X(T, g06, g, col)                 \
  X(T, g07, g, col)                 \
  X(T, g08, g, col)                 \
  X(T, g09, g, col)                 \
  X(T, i00, i, col)                 \
  X(T, i01, i, col)                 \
  X(T, i02, i, col)                 \
  X(T, i03, i, col)                 \
  X(T, i04, i, col)                 \
  X(T, i05, i, col)                 \
  X(T, i06, i, col)                 \
  X(T, i07, i, col)                 \
  X(T, i08, i, col)                 \
  X(T, i09, i, col)

VTAB_DECLARE(Naprawy_roczna, 2, .own_loader = true, .mgs_slot = 38)

static_assert(vtab_meta<Naprawy_roczna>::field_count == 132);
