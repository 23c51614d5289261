// The frame numbers typed before, offered on the equipment form (mages/mgs_value_list.hpp).
#pragma once

#include "db/Serwis_ramy.hpp"
#include "mages/mgs_value_list.hpp"

template <>
struct value_list_desc<Serwis_ramy> {
  static constexpr const char* form_var = "SerwisNew_Serwis_nr_ramy";
  static constexpr int list_page = 92, new_page = 94, edit_page = 93;
  static constexpr const char* title_key = "nr_ramy_text";
};
MGS_VALUE_LIST_DECLARE(Serwis_ramy)
