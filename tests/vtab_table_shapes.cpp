#include "tests/vtab_table_shapes.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Vt_sessions, 1)
VTAB_DEFINE(Vt_users, 2)
VTAB_DEFINE(Vt_postcodes, 1)
VTAB_DEFINE(Vt_repairs, 1)
VTAB_DEFINE(Vt_plans, 2)
