// The kinds of received goods typed before, offered on the equipment form
// (mages/mgs_value_list.hpp).  New kinds name no goods (Id_Towary 0).
#pragma once

#include "db/Towary_rodzaje.hpp"
#include "mages/mgs_value_list.hpp"

template <>
struct value_list_desc<Towary_rodzaje> {
  static constexpr const char* form_var = "SerwisNew_Serwis_rodzaj_tow";
  static constexpr int list_page = 98, new_page = 100, edit_page = 99;
  static constexpr const char* title_key = "rodzaj_tow_text";
};
MGS_VALUE_LIST_DECLARE(Towary_rodzaje)
