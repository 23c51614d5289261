#include "db/Towary_transakcje.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Towary_transakcje, 1)
