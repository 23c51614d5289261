#include "mages/repairs/mgs_Naprawy_edit.hpp"

#include <cstdint>

#include "db/Naprawy.hpp"
#include "mages/glue.hpp"
#include "mages/repairs/mgs_Naprawy.hpp"
#include "mages/repairs/mgs_Naprawy_fields.hpp"
#include "mages/repairs/mgs_Naprawy_form.hpp"
#include "server/html_form.hpp"
#include "server/page_out.hpp"
#include "server/sess.hpp"

int mgs_Naprawy_edit(const char*) {
  const uint32_t Id = var_z("Naprawy_Id");
  Naprawy_tab* t = glue_root<Naprawy>::tab();
  if (!t || !Naprawy_tab_get_Id(t, Id, VTAB_CMP_EQUAL)) {
    errorDisplay(kal::html_text("Nie ma naprawy o numerze (Id) " + std::to_string(Id) + " !").c_str());
    return 0;
  }
  if (!mgs_Naprawy_allow_current(Id)) {
    mgs_Naprawy_refuse();
    return 0;
  }
  Naprawy_fields b;
  get_Naprawy_fields(Id, "NaprawyNew_", &b);
  mgs_Naprawy_przyjety(b);
  switch (b._Naprawy.Id_Naprawy_stany) {
    case NAPRAWY_STAN_PRZYJETA:
    case NAPRAWY_STAN_ZAPLANOWANA:
      mgs_Naprawy_rozpczecie(b);
      break;
    case NAPRAWY_STAN_ZAKONCZONA:
      mgs_Naprawy_rozpoczeta(b);
      mgs_Naprawy_zakonczona(b);
      mgs_Naprawy_wydanie(b);
      break;
    case NAPRAWY_STAN_ODEBRANA:
      mgs_Naprawy_rozpoczeta(b);
      mgs_Naprawy_zakonczona(b);
      mgs_Naprawy_wydano(b);
      break;
    default:
      mgs_Naprawy_rozpoczeta(b);
      mgs_Naprawy_zakonczenie(Id, b);
      break;
  }
  mgs_Naprawy_form_close();
  return 0;
}
