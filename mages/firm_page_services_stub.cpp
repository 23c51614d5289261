// A stand-in for the equipment list of a firm, until the equipment pages are
// written: it shows nothing.
#include "mages/firm_page_services.hpp"

int mgs_Serwis_Firma_list(uint32_t) { return 0; }
