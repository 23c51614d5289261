#include "mages/cards/mgs_Koszty0.hpp"

#include "mages/glue_impl.hpp"

bool glue_desc<Koszty>::label(const Koszty& r, std::string& out) {
  out = from_gzl(r.koszt_brutto);
  return true;
}

MGS_GLUE_DEFINE(Koszty)

double Koszty_koszt_brutto(uint32_t value) { return static_cast<double>(value); }
