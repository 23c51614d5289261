#include "mages/firms/mgs_Naprawy_wykonawcy0.hpp"

#include "mages/glue_impl.hpp"
#include "mages/firms/mgs_Firmy0.hpp"

bool glue_desc<Naprawy_wykonawcy>::label(const Naprawy_wykonawcy& r, std::string& out) {
  out = Firmy_nazwa(r.Id_Firmy);
  return true;
}

bool glue_desc<Naprawy_wykonawcy>::ht_key(const Naprawy_wykonawcy& r, std::string& out) {
  out = from_z(r.Id_Firmy);
  return true;
}

MGS_GLUE_DEFINE(Naprawy_wykonawcy)
