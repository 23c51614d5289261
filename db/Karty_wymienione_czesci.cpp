#include "db/Karty_wymienione_czesci.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Karty_wymienione_czesci, 2)
