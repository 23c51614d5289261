#include "db/Transakcje.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Transakcje, 1)
