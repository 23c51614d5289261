// Glue of the VAT rates (`Id`, `nazwa`, `procent` kept as text): the plain
// template, with a first choice of seven dashes in the select and the text
// overrides of "Stawki_VAT.vv".
#pragma once

#include "db/Stawki_VAT.hpp"
#include "mages/glue.hpp"

#define Stawki_VAT_GLUE(X, T)                                                                       \
  X(record, T) X(create, T) X(update, T) X(lookup, T, nazwa) X(ht, T) X(select_name, T) X(radio, T) \
  X(vv, T)
MGS_GLUE_DECLARE(Stawki_VAT)

template <>
struct glue_desc<Stawki_VAT> : glue_desc_base<Stawki_VAT> {
  static constexpr glue_select_style select{.none_text = "-------"};
};
