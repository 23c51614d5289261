#include "pagemgr/Users.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Users, 2)
