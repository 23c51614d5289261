// Glue of the trips of the service cards.  The start and end of the work are
// minutes after midnight written as "h:mm"; the distance is a number in its
// shortest form ("10,9").  A trip shows as its Id.
#pragma once

#include "db/Dojazdy.hpp"
#include "mages/glue.hpp"

#define Dojazdy_GLUE(X, T) \
  X(record, T) X(create, T) X(update, T) X(ht, T) X(select_options, T) X(select_name, T) X(radio, T)
MGS_GLUE_DECLARE(Dojazdy)

template <>
struct glue_desc<Dojazdy> : glue_desc_base<Dojazdy> {
  using M = vtab_meta<Dojazdy>;
  static constexpr glue_form form(int pos) {
    return pos == M::f_godz_rozpoczecia || pos == M::f_godz_zakonczenia ? glue_form::tmin
           : pos == M::f_dojazd_w_km                                    ? glue_form::gzl0
                                                                        : glue_form::by_kind;
  }
  static bool label(const Dojazdy& r, std::string& out);
  static constexpr glue_select_style select{.order = glue_order::by_id};
};
