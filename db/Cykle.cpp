#include "db/Cykle.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Cykle, 2)
