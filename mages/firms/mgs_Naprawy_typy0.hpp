// Glue of the repair kinds.  A kind shows as its name, a blank and its firm
// name; its option lines come in Id order, kinds with equal texts all listed.
// Naprawy_typy_vv gives the overrides of the kind pages' texts from
// "Naprawy_typy.vv".
#pragma once

#include "db/Naprawy_typy.hpp"
#include "mages/glue.hpp"

#define Naprawy_typy_GLUE(X, T)                                                                   \
  X(record, T) X(create, T) X(update, T) X(lookup, T, nazwa_typu) X(ht, T) X(select_options, T) \
  X(select_name, T) X(radio, T) X(vv, T)
MGS_GLUE_DECLARE(Naprawy_typy)

template <>
struct glue_desc<Naprawy_typy> : glue_desc_base<Naprawy_typy> {
  static bool label(const Naprawy_typy& r, std::string& out) {
    out = r.nazwa_typu.str() + " " + r.nazwa_firmy.str();
    return true;
  }
  static constexpr glue_select_style select{.order = glue_order::by_id, .quote = '"'};
};
