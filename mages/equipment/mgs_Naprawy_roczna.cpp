#include "mages/equipment/mgs_Naprawy_roczna.hpp"

#include "mages/mgs_ext_fields.hpp"

int Naprawy_roczna_fields_display() {
  static constexpr ext_fields_layout layout{"ext_roczna_", "SerwisNew_Naprawy_roczna_", 100, "Naprawy_roczna_",
                                            "Naprawy_firmy.htm"};
  return mgs_ext_fields_display(layout);
}
