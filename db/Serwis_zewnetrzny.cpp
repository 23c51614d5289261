#include "db/Serwis_zewnetrzny.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Serwis_zewnetrzny, 1)
