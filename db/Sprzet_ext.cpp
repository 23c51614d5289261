#include "db/Sprzet_ext.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Sprzet_ext, 2)
