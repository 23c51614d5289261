#include "db/Serwis_ramy.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Serwis_ramy, 1)
