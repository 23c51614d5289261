// The VAT rate pages: the list (page 72), a new rate (73) and the edit page
// (74), on the dictionary page shape (mages/dict_pages.hpp).  The rate in
// percent is free text (stawka_vat_przelicznik reads it); a rate that goods
// still name cannot be deleted.
#pragma once

#include <string>

#include "db/Stawki_VAT.hpp"
#include "mages/dict_pages.hpp"

MGS_DICT_PAGES_DECLARE(Stawki_VAT)
// The record form: its buttons named button with the non-empty captions,
// the Id, the name and the rate.  0.
int mgs_Stawki_VAT_display(const char* button, const char* c1, const char* c2, const char* c3, const char* c4,
                           const char* c5, const char* c6, const char* Id, const char* nazwa, const char* procent);
