#include "db/Serwisanci_koszty.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Serwisanci_koszty, 2)
