// Glue of the service cycles: the form "CykleNew.Cykle_data_start" ...,
// the stored cycles and their choice lists.  A cycle has no name of its
// own; its label is its start date and period ("01.02.2024 30").
#pragma once

#include <string>

#include "db/Cykle.hpp"
#include "mages/glue.hpp"

#define Cykle_GLUE(X, T) \
  X(record, T) X(create, T) X(update, T) X(ht, T) X(select_options, T) X(select_name, T) X(radio, T)
MGS_GLUE_DECLARE(Cykle)

template <>
struct glue_desc<Cykle> : glue_desc_base<Cykle> {
  static bool label(const Cykle& r, std::string& out);
};
