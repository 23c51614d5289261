// Dates typed into forms.  A request variable that holds a date (a time
// field of a table in its form variable, a date filter of a list) and
// carries a text that is no date ("31.02.2025", "abc") is refused where the
// request's values are taken, before they reach the session: the request
// acts as if its button had not been pressed (the page shows itself as on a
// reload), and the page says in red which field held what.  Dates read from
// stored files are no business of this.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "lib/hashtbl.hpp"

namespace kal {

// Variables whose whole names are these hold dates ("Transakcje_od"); true,
// so that a module can say so where it starts:
//   static const bool dates = kal::form_date_names({"Kdata_od", "Kdata_do"});
bool form_date_names(std::initializer_list<std::string_view> whole_names);
// Every variable whose name is table_field, or ends with it after a form's
// prefix ("NaprawyNew_Naprawy_data_odbioru", "CykleNew.Cykle_data_start" for
// "Naprawy_data_odbioru", "Cykle_data_start"), holds a date.
void form_date_field(std::string_view table_field);
// Whether the variable holds a date.
bool is_form_date(std::string_view name);

struct refused_date {
  std::string name;  // the variable
  std::string text;  // what the request carried
};

// Screens the request's variables: the date variables whose text is no date
// (date_text_valid) are taken out of it and kept as the refused ones, until
// the next screen.  True when one was refused.
bool form_dates_screen(hashtbl* request);
const std::vector<refused_date>& form_dates_refused();
// The refusals into the page, in red, one for each field.
void form_dates_report();

}  // namespace kal
