// The rows of custom fields that the settings define on a form: the custom
// fields of the equipment ("ext_" settings, slots of Sprzet_ext) and the
// fields of the annual inspection ("ext_roczna_" settings, slots of
// Naprawy_roczna).  One shape serves both, described by an ext_fields_layout.
//
// Settings, each after the layout's prefix: "s00_text" must have a value of
// its own, else nothing is shown; "rows_count" rows follow, row r holding the
// text slots 2r and 2r + 1, each labelled by "s%02d_text" and marked required
// (a red "*") when "s%02d_wymagane" is "1"; a row whose "row%02d_text" is set
// is headed by that text, and with "row%02d_count" at least 1 the heading has
// a button that folds its own row and the next count rows ("Ukryj") or shows
// them again ("Rozwiń"), remembered in the variable "row%02d_show" (after the
// prefix).  Rows beyond the record's slots are not shown.  A setting that is
// absent (it reads back as its own key) counts as not set.
//
// After the rows the four firms of the slots i00 to i03 are put into the
// layout's firm variables (name, street, postal code, town and phone, as
// "Sprzet_ext_i00_nazwa") and its firm template is run.
#pragma once

struct ext_fields_layout {
  const char* settings;       // "ext_", "ext_roczna_"
  const char* var_prefix;     // "SerwisNew_Sprzet_ext_", "SerwisNew_Naprawy_roczna_"
  int slots;                  // text slots of the record: 40, 100
  const char* firm_vars;      // "Sprzet_ext_", "Naprawy_roczna_"
  const char* firm_template;  // "Sprzet_firmy.htm", "Naprawy_firmy.htm"
};

// Appends the rows; 0.
int mgs_ext_fields_display(const ext_fields_layout& layout);
