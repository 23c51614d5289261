// What the equipment pages take from the repair pages: the repair list's
// filters and its embedded table, the date of a repair's current state and
// the fresh acceptance form.
#pragma once

#include <cstdint>

#include "db/Naprawy.hpp"

// Empties the repair list's filter variables.  0.
int mgs_Naprawy_Czysc();
// Draws the repair list; full 0 draws only its table (embedded use).
int mgs_Naprawy_list(int full);
// The date of the repair's current state (from_td); "" for no repair.
const char* Naprawa_data_stanu(int state, const Naprawy* repair);
// Resets the acceptance form to the time and the received goods.  0.
int mgs_Naprawa_Czysc(std::int64_t time, std::uint32_t goods);
