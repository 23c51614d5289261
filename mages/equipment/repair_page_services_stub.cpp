// Stand-in for the acceptance form's reset while the acceptance page is not
// part of the program; the real definition replaces it (this one is weak).
#include "mages/equipment/repair_page_services.hpp"

__attribute__((weak)) int mgs_Naprawa_Czysc(std::int64_t, std::uint32_t) { return 0; }
