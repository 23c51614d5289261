#include "db/Towary_typy.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Towary_typy, 1)
