#include "pagemgr/Sessions.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Sessions, 1)
