// Glue of the repair states: the record members only, and the option lines
// of the states in Id order (every state listed), which the repair search
// offers.
#pragma once

#include "db/Naprawy_stany.hpp"
#include "mages/glue.hpp"

#define Naprawy_stany_GLUE(X, T) X(record, T) X(select_options, T) X(select_name, T)
MGS_GLUE_DECLARE(Naprawy_stany)

template <>
struct glue_desc<Naprawy_stany> : glue_desc_base<Naprawy_stany> {
  static constexpr glue_select_style select{.order = glue_order::by_id, .quote = '"'};
};
