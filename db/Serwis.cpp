#include "db/Serwis.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Serwis, 1)
