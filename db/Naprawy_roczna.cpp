#include "db/Naprawy_roczna.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Naprawy_roczna, 2)
