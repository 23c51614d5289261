#include "db/Naprawy_typy.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Naprawy_typy, 1)
