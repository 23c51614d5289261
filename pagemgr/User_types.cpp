#include "pagemgr/User_types.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(User_types, 1)
