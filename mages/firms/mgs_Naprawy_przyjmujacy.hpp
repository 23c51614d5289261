// The receiving-employee pages: the list (page 78), a new receiving employee
// (79) and the edit page (80), on the dictionary page shape
// (mages/dict_pages.hpp).  A receiving employee is a link to a firm, picked
// through the firm list (whose links lead to the new page); a firm that is
// linked already is refused on the new page.  The list's back and cancel
// buttons return to the page the user came from.
#pragma once

#include <cstdint>
#include <string>

#include "db/Naprawy_przyjmujacy.hpp"
#include "mages/dict_pages.hpp"

MGS_DICT_PAGES_DECLARE_ACTION_LIST(Naprawy_przyjmujacy)
// The record form: its buttons named button with the non-empty captions,
// the Id and the firm's Id.  0.
int mgs_Naprawy_przyjmujacy_display(const char* button, const char* c1, const char* c2, const char* c3,
                                    const char* c4, const char* c5, const char* c6, const char* Id,
                                    const char* Id_Firmy);
// Makes sure the firm is a receiving employee: a new link (the next Id) when
// none names it, the table saved.  0; -1 when no link could be made.
int mgs_Naprawy_przyjmujacy_replace(uint32_t firm_Id);
