#include "db/Firmy_typy.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Firmy_typy, 1)
