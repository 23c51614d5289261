// The goods type pages: the list (page 75), a new type (76) and the edit page
// (77), on the dictionary page shape (mages/dict_pages.hpp).  A type that
// goods still have cannot be deleted.
#pragma once

#include <string>

#include "db/Towary_typy.hpp"
#include "mages/dict_pages.hpp"

MGS_DICT_PAGES_DECLARE(Towary_typy)
// The record form: its buttons named button with the non-empty captions,
// the Id, the name and the note.  0.
int mgs_Towary_typy_display(const char* button, const char* c1, const char* c2, const char* c3, const char* c4,
                            const char* c5, const char* c6, const char* Id, const char* nazwa, const char* uwagi);
