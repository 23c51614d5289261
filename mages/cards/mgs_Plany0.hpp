// Glue of the plans: the plan form's variables ("Plany_Id_Serwis" ...) and
// the stored plans.  A plan shows as its description.
#pragma once

#include "db/Plany.hpp"
#include "mages/glue.hpp"

#define Plany_GLUE(X, T) X(record, T) X(create, T) X(update, T) X(ht, T) X(select_options, T) X(select_name, T) X(radio, T)
MGS_GLUE_DECLARE(Plany)

template <>
struct glue_desc<Plany> : glue_desc_base<Plany> {
  static bool label(const Plany& r, std::string& out) {
    out = r.opis.str();
    return true;
  }
  static constexpr glue_select_style select{.order = glue_order::by_id};
};
