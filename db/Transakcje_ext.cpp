#include "db/Transakcje_ext.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Transakcje_ext, 2)
