// Glue of the receiving employees: links from an Id to a firm, shown by the
// firm's name.  The option values are double-quoted and the names escaped as
// attribute values; select_name says on the console what it was asked for.
#pragma once

#include "db/Naprawy_przyjmujacy.hpp"
#include "mages/glue.hpp"

#define Naprawy_przyjmujacy_GLUE(X, T)                                                                                  \
  X(record, T) X(create, T) X(update, T) X(lookup, T, Id_Firmy) X(key_by, T, Id_Firmy) X(ht, T) \
  X(select_options, T) X(select_name, T) X(radio, T)
MGS_GLUE_DECLARE(Naprawy_przyjmujacy)

template <>
struct glue_desc<Naprawy_przyjmujacy> : glue_desc_base<Naprawy_przyjmujacy> {
  // The linked firm's name ("" for a firm that is gone).
  static bool label(const Naprawy_przyjmujacy& r, std::string& out);
  // T_ht is keyed by the firm's Id.
  static bool ht_key(const Naprawy_przyjmujacy& r, std::string& out);
  static constexpr glue_select_style select{.quote = '"', .label = glue_escape::attr};
  static constexpr bool trace_select_name = true;
};
