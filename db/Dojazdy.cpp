#include "db/Dojazdy.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Dojazdy, 2)
