#include "db/Naprawy_wykonawcy.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Naprawy_wykonawcy, 1)
