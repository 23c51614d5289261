// The cost item pages: a list (page id 223), its edit page (224) and a new
// item (225), on the dictionary page shape (mages/dict_pages.hpp) in its
// older layout.  No page of the program leads to them: the dispatcher has no
// case for these ids.
#pragma once

#include <string>

#include "db/Koszty.hpp"
#include "mages/dict_pages.hpp"

MGS_DICT_PAGES_DECLARE(Koszty)
// The form: its buttons named button with the non-empty captions, the Id,
// the card, the repair, the good and the cost.  0.
int mgs_Koszty_display(const char* button, const char* c1, const char* c2, const char* c3, const char* c4,
                       const char* c5, const char* c6, const char* Id, const char* Id_Karty, const char* Id_Naprawy,
                       const char* Id_Towary, const char* koszt_brutto);
