#include "db/Towary.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Towary, 1)
