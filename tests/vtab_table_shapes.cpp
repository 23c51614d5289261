#include "tests/vtab_table_shapes.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE(Vt_sessions, 1)
VTAB_DEFINE(Vt_users, 2)
VTAB_DEFINE(Vt_postcodes, 1)
VTAB_DEFINE_OWN_LOADER(Vt_repairs, 1)
VTAB_DEFINE(Vt_plans, 2)

// The loader of its own: a record without a number is refused.
int Vt_repairs_tab_load(kal::TextIn& file, Vt_repairs_tab* tab) {
  return vtab_file<Vt_repairs>::load(file, tab, [](const Vt_repairs& r) { return !r.numer.empty(); });
}
