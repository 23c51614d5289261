#include "db/Plany.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Plany, 2)
