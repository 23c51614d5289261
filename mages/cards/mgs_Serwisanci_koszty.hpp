// The servicemen's cost pages: the list of the cost rows (page 229), the
// edit page (230) and a new row (231), on the dictionary page shape
// (mages/dict_pages.hpp) in its older layout.  The form shows the cost item,
// the cost and the modification time; an edit keeps the row's firm and good,
// which the form does not show (the repairer pages keep a row's firm).  A cost
// may be typed with a decimal comma.
#pragma once

#include <string>

#include "db/Serwisanci_koszty.hpp"
#include "mages/dict_pages.hpp"

MGS_DICT_PAGES_DECLARE(Serwisanci_koszty)
// The form: its buttons named button with the non-empty captions, the Id,
// the firm and the good (not shown), the cost item, the cost and the time.
// 0.
int mgs_Serwisanci_koszty_display(const char* button, const char* c1, const char* c2, const char* c3,
                                  const char* c4, const char* c5, const char* c6, const char* Id, const char* Id_Firmy,
                                  const char* Id_Towary, const char* Id_Koszty, const char* koszt_brutto,
                                  const char* czas_modyfikacji);
