#include "mages/cards/mgs_Srodki_transportu0.hpp"

#include "mages/glue_impl.hpp"

MGS_GLUE_DEFINE(Srodki_transportu)

double Srodki_transportu_stawka(uint32_t Id) {
  return kal::glue<Srodki_transportu>::lookup<&Srodki_transportu::stawka_za_km_brutto>(Id, "Srodki_transportu_stawka");
}
