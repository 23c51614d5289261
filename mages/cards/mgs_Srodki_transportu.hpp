// The means-of-transport pages: the list (page 220), the edit page (221) and
// a new means of transport (222), on the dictionary page shape
// (mages/dict_pages.hpp) in its older layout.  The list's back button leads
// to the service card page (212).  An edit keeps what its form does not show
// (description, remarks, modification time); a rate may be typed with a
// decimal comma.
#pragma once

#include <string>

#include "db/Srodki_transportu.hpp"
#include "mages/dict_pages.hpp"

MGS_DICT_PAGES_DECLARE_ACTION_LIST(Srodki_transportu)
// The form: its buttons named button with the non-empty captions, the Id,
// the name, the registration number and the rate.  0.
int mgs_Srodki_transportu_display(const char* button, const char* c1, const char* c2, const char* c3,
                                  const char* c4, const char* c5, const char* c6, const char* Id, const char* nazwa,
                                  const char* nr_rej, const char* stawka);
