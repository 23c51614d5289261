// The engine numbers typed before, offered on the equipment form and as the
// repair list's filter (mages/mgs_value_list.hpp).
#pragma once

#include "db/Serwis_typy.hpp"
#include "mages/mgs_value_list.hpp"

template <>
struct value_list_desc<Serwis_typy> {
  static constexpr const char* form_var = "SerwisNew_Serwis_nr_silnika";
  static constexpr int list_page = 87, new_page = 88, edit_page = 89;
  static constexpr const char* title_key = "nr_silnika_text";
};
MGS_VALUE_LIST_DECLARE(Serwis_typy)
