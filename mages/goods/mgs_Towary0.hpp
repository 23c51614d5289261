// Glue of the goods: the goods form's variables ("Towary_nazwa", ...), the
// stored goods read and updated from them, and the goods name look-up.
#pragma once

#include "db/Towary.hpp"
#include "mages/glue.hpp"

#define Towary_GLUE(X, T) X(record, T) X(lookup, T, nazwa)
MGS_GLUE_DECLARE(Towary)

template <>
struct glue_desc<Towary> : glue_desc_base<Towary> {
  // The goods pages keep their form under the empty prefix.
  static std::string staging_prefix() { return ""; }
};
