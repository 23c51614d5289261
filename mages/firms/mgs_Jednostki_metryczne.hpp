// The pages of the units of measure: the list (page 63), a new unit (64) and
// the edit page (65), on the dictionary page shape (mages/dict_pages.hpp).
#pragma once

#include <string>

#include "db/Jednostki_metryczne.hpp"
#include "mages/dict_pages.hpp"

MGS_DICT_PAGES_DECLARE(Jednostki_metryczne)
// The record form: its buttons named button with the non-empty captions,
// the Id and the name.  0.
int mgs_Jednostki_metryczne_display(const char* button, const char* c1, const char* c2, const char* c3,
                                    const char* c4, const char* c5, const char* c6, const char* Id,
                                    const char* nazwa);
