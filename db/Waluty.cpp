#include "db/Waluty.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Waluty, 1)
