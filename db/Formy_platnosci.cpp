#include "db/Formy_platnosci.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Formy_platnosci, 1)
