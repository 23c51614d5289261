// Glue of the cost items.  A cost item shows as its cost.  Of the module only
// Koszty_koszt_brutto is in use: the trips keep their hourly rate, in whole
// currency units, where a cost item's Id would stand.
#pragma once

#include "db/Koszty.hpp"
#include "mages/glue.hpp"

#define Koszty_GLUE(X, T) X(record, T) X(create, T) X(update, T) X(ht, T) X(select_options, T) X(select_name, T) X(radio, T)
MGS_GLUE_DECLARE(Koszty)

template <>
struct glue_desc<Koszty> : glue_desc_base<Koszty> {
  // The cost as money text.
  static bool label(const Koszty& r, std::string& out);
};

// The value itself as a number (no table is read).
double Koszty_koszt_brutto(uint32_t value);
