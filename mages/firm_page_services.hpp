// What the firm form takes from the equipment and repair pages.
#pragma once

#include <cstdint>

// Appends the table of the equipment that the firm owns.  0.
int mgs_Serwis_Firma_list(uint32_t firm_id);
// Starts a fresh new-repair form in the session.  0.
int Naprawa_init_vars();
