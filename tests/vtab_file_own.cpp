#include "tests/vtab_file_own.hpp"

#include "db/vtab_engine.hpp"

VTAB_DEFINE_OWN_LOADER(Vf_own, 1)

int Vf_own_tab_load(kal::TextIn& file, Vf_own_tab* tab) {
  return vtab_file<Vf_own>::load(file, tab, [](const Vf_own& r) { return !r.numer.empty(); });
}
