#include "db/Panstwa.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Panstwa, 1)
