#include "db/Serwis_typy.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Serwis_typy, 1)
