#include "db/Karty_wykonane_prace.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Karty_wykonane_prace, 2)
