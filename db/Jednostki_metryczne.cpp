#include "db/Jednostki_metryczne.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Jednostki_metryczne, 1)
