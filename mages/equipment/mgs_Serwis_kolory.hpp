// The colours typed before, offered on the equipment form (mages/mgs_value_list.hpp).
#pragma once

#include "db/Serwis_kolory.hpp"
#include "mages/mgs_value_list.hpp"

template <>
struct value_list_desc<Serwis_kolory> {
  static constexpr const char* form_var = "SerwisNew_Serwis_kolor";
  static constexpr int list_page = 95, new_page = 97, edit_page = 96;
  static constexpr const char* title_key = "kolor_text";
};
MGS_VALUE_LIST_DECLARE(Serwis_kolory)
