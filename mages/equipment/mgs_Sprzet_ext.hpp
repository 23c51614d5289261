// The custom fields of the equipment on a form: the rows the settings "ext_"
// define (mages/mgs_ext_fields.hpp), filled from "SerwisNew_Sprzet_ext_s00"
// ..., and the equipment's first four firms through "Sprzet_firmy.htm".
// The equipment form and the repair form show them.
#pragma once

// Appends the rows; 0.
int Sprzet_ext_fields_display();
