#include "db/Towary_magazyn.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Towary_magazyn, 1)
