#include "db/Naprawy_ext.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Naprawy_ext, 2)
