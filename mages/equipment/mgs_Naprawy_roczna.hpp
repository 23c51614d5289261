// The annual-inspection fields of a repair on the repair form: the rows the
// settings "ext_roczna_" define (mages/mgs_ext_fields.hpp), filled from
// "SerwisNew_Naprawy_roczna_s00" ..., and the inspection's four firms through
// "Naprawy_firmy.htm".
#pragma once

// Appends the rows; 0.
int Naprawy_roczna_fields_display();
