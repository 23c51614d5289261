#include "db/Naprawy.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Naprawy, 1)
