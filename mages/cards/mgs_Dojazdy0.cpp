#include "mages/cards/mgs_Dojazdy0.hpp"

#include "mages/glue_impl.hpp"

bool glue_desc<Dojazdy>::label(const Dojazdy& r, std::string& out) {
  out = from_z(r.Id);
  return true;
}

MGS_GLUE_DEFINE(Dojazdy)
