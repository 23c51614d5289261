// Glue of the servicemen's cost rates: the gross hourly cost of a repairer's
// firm (and, optionally, of a good), one row or more per firm.  A row shows
// in the choice lists as its cost.
#pragma once

#include "db/Serwisanci_koszty.hpp"
#include "mages/glue.hpp"

#define Serwisanci_koszty_GLUE(X, T) \
  X(record, T) X(create, T) X(update, T) X(ht, T) X(select_options, T) X(select_name, T) X(radio, T)
MGS_GLUE_DECLARE(Serwisanci_koszty)

template <>
struct glue_desc<Serwisanci_koszty> : glue_desc_base<Serwisanci_koszty> {
  // The cost as money text.
  static bool label(const Serwisanci_koszty& r, std::string& out);
};

// The cost of the first row of the firm in table order; 0 when the firm has
// none.
double Serwisanci_koszt_brutto_Firmy(uint32_t firm_Id);
// The cost of the row with that Id; 0 when there is none.
double Serwisanci_koszt_brutto(uint32_t Id);
