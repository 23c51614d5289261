#include "db/Magazyny.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Magazyny, 1)
