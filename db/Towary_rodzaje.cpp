#include "db/Towary_rodzaje.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Towary_rodzaje, 1)
