// Glue of the repairers: links from an Id to a firm, shown by the firm's
// name, with the option quoting of the payment forms.
#pragma once

#include "db/Naprawy_wykonawcy.hpp"
#include "mages/glue.hpp"

#define Naprawy_wykonawcy_GLUE(X, T)                                                                                  \
  X(record, T) X(create, T) X(update, T) X(lookup, T, Id_Firmy) X(key_by, T, Id_Firmy) X(ht, T) \
  X(select_options, T) X(select_name, T) X(radio, T)
MGS_GLUE_DECLARE(Naprawy_wykonawcy)

template <>
struct glue_desc<Naprawy_wykonawcy> : glue_desc_base<Naprawy_wykonawcy> {
  // The linked firm's name ("" for a firm that is gone).
  static bool label(const Naprawy_wykonawcy& r, std::string& out);
  // T_ht is keyed by the firm's Id.
  static bool ht_key(const Naprawy_wykonawcy& r, std::string& out);

};
