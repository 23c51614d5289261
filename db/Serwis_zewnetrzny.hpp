// Part and service rows of a repair's claim form for an outside service.
#pragma once

#include "db/vtab_table.hpp"

#define Serwis_zewnetrzny_FIELDS(X, T)       \
  X(T, Id, z, key)                           \
  X(T, Id_Naprawy, z, col)                   \
  X(T, Id_Towary__serwis_zewnetrzny, z, col) \
  X(T, liczba_sztuk, g, col)                 \
  X(T, cechy_uszkodzenia, s, col)

VTAB_DECLARE(Serwis_zewnetrzny, 1, .mgs_slot = 12)

static_assert(vtab_meta<Serwis_zewnetrzny>::field_count == 5);
