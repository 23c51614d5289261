#include "db/Kody_poczt.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Kody_poczt, 1)
