#include "db/Transakcje_typy.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Transakcje_typy, 1)
