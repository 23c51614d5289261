// Glue of the goods types (`Id`, `nazwa`, `uwagi`): the plain template, with
// a first choice of 17 dashes in the selects.
#pragma once

#include "db/Towary_typy.hpp"
#include "mages/glue.hpp"

#define Towary_typy_GLUE(X, T)                                                                       \
  X(record, T) X(create, T) X(update, T) X(lookup, T, nazwa) X(ht, T) X(select_options, T)        \
  X(select_name, T) X(radio, T)
MGS_GLUE_DECLARE(Towary_typy)

template <>
struct glue_desc<Towary_typy> : glue_desc_base<Towary_typy> {
  static constexpr glue_select_style select{.none_text = "-----------------"};
};
