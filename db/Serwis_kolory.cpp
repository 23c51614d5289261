#include "db/Serwis_kolory.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Serwis_kolory, 1)
