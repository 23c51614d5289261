// What the equipment pages take from the repair acceptance: the fresh
// acceptance form.
#pragma once

#include <cstdint>

// Resets the acceptance form to the time and the received goods.  0.
int mgs_Naprawa_Czysc(std::int64_t time, std::uint32_t goods);
