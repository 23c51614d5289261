#include "mages/equipment/mgs_Sprzet_ext.hpp"

#include "mages/mgs_ext_fields.hpp"

int Sprzet_ext_fields_display() {
  static constexpr ext_fields_layout layout{"ext_", "SerwisNew_Sprzet_ext_", 40, "Sprzet_ext_", "Sprzet_firmy.htm"};
  return mgs_ext_fields_display(layout);
}
