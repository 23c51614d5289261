#include "db/Firmy.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Firmy, 1)
