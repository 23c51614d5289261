// Employees who accept equipment for repair, each linked to a firm.
#pragma once

#include "db/vtab_table.hpp"

#define Naprawy_przyjmujacy_FIELDS(X, T) \
  X(T, Id, z, key)                       \
  X(T, Id_Firmy, z, col)

VTAB_DECLARE(Naprawy_przyjmujacy, 1, .mgs_slot = 6)

static_assert(vtab_meta<Naprawy_przyjmujacy>::field_count == 2);
