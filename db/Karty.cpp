#include "db/Karty.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Karty, 2)
