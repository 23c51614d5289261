#include "db/Naprawy_stany.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Naprawy_stany, 1)
