#include "mages/equipment/mgs_Cykle0.hpp"

#include "lib/convert.hpp"
#include "mages/glue_impl.hpp"

MGS_GLUE_DEFINE(Cykle)

bool glue_desc<Cykle>::label(const Cykle& r, std::string& out) {
  out = from_td(r.data_start);
  out += ' ';
  out += from_i(r.okres1);
  return true;
}
