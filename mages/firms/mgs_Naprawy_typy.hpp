// The repair kind pages: the list (page 69), a new kind (70) and the edit page
// (71), on the dictionary page shape (mages/dict_pages.hpp).
//
// Kinds 1, 2 and 3 are fixed: their form shows the name as plain text, with
// no firm name and no delete button, and the server refuses to delete them or
// to change their name.  Other kinds take one of the three names of the
// settings "usługowa", "przegląd" and "gwarancyjna" (and keep a name of their
// own they already have).  Several kinds may share a name.  An edit keeps the
// texts and flags the form does not show.
#pragma once

#include <string>

#include "db/Naprawy_typy.hpp"
#include "mages/dict_pages.hpp"

MGS_DICT_PAGES_DECLARE(Naprawy_typy)
// The record form: its buttons named button with the non-empty captions,
// the Id, the kind's name, its firm name and its remarks.  0.
int mgs_Naprawy_typy_display(const char* button, const char* c1, const char* c2, const char* c3, const char* c4,
                             const char* c5, const char* c6, const char* Id, const char* nazwa_typu,
                             const char* nazwa_firmy, const char* uwagi);
// Whether a kind is one of the fixed kinds 1 to 3.
bool Naprawy_typy_fixed(uint32_t Id);
