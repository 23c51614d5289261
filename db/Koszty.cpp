#include "db/Koszty.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Koszty, 2)
