// Glue of the service cards: the card form's variables ("Karty_numer",
// "KartyEdit.Karty_numer" ...) and the stored cards.  A card shows as its
// number.
#pragma once

#include "db/Karty.hpp"
#include "mages/glue.hpp"

#define Karty_GLUE(X, T) \
  X(record, T) X(create, T) X(update, T) X(lookup, T, numer) X(ht, T) X(select_options, T) X(select_name, T) X(radio, T)
MGS_GLUE_DECLARE(Karty)

template <>
struct glue_desc<Karty> : glue_desc_base<Karty> {
  static bool label(const Karty& r, std::string& out) {
    out = r.numer.str();
    return true;
  }
  static constexpr glue_select_style select{.order = glue_order::by_id};
};
