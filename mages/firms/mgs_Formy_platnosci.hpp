// The payment-form pages: the list (page 66), a new payment form (67) and the
// edit page (68), on the dictionary page shape (mages/dict_pages.hpp).
#pragma once

#include <string>

#include "db/Formy_platnosci.hpp"
#include "mages/dict_pages.hpp"

MGS_DICT_PAGES_DECLARE(Formy_platnosci)
// The record form: its buttons named button with the non-empty captions,
// the Id and the name.  0.
int mgs_Formy_platnosci_display(const char* button, const char* c1, const char* c2, const char* c3, const char* c4,
                                const char* c5, const char* c6, const char* Id, const char* nazwa);
