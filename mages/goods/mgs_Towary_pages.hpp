// The goods catalogue: the list (page 8) with its filters, sort keys, paging,
// marks and pick modes, the new-goods page (7), the edit page (17) with the
// repairs that use the goods below the form, and the name check.
//
// Filters.  Every filter variable ends in a suffix: "" for the plain list,
// or the word of a pick mode ("NAPRAWA", "SPRZEDAZ", "CZESCI", "USLUGI"), so
// that each caller keeps its own filters: "Towary_l" (name prefix), "Towary_k"
// (code pattern), "Towary_h" (PKWiU pattern), "cena_od_l" / "cena_do_l" (sale
// price bounds, not applied when 0 or less), "liczba_sztuk_od_l" /
// "liczba_sztuk_do_l" (stock bounds, "-999999" and "999999" when empty),
// "Towary_typy_Id" and "Stawki_VAT_Id" (0: all).  "Tsort" (sort code),
// "Towary_tylko_oznaczone" and "Towary_listing_page_id" are shared.
//
// Picking.  A page stores a link prefix in the variable of a mode
// ("NAPRAWA_href", "SPRZEDAZ_TOWAR_href", "NAPRAWA_CZESCI_href",
// "NAPRAWA_USLUGI_href") and posts the mode's caption to the list; each row
// then links to that prefix followed by the goods' Id.  A prefix that leads
// off this site (a scheme, "//") is no prefix: the list shows no pick mode.
//
// Marks.  A row's check box "Towary_check_<Id>" ticks the goods for the label
// file; confirming the marks changes only the goods of the page submitted
// (their Ids travel in the hidden "Towary_check_shown"), so marks set on
// other pages stay.
#pragma once

#include <cstdint>
#include <string>

#include "db/Towary.hpp"

// Page 8.  The result of the header template "Towary_row0.htm": 0, or -1
// when it cannot be read.
int mgs_Towary_list();
// Page 7 with its action.  0.
int mgs_Towary_new(const char* action);
// Page 17 with its action; the goods is "Towary_Id".  0; -1 for an Id of 0
// or 4294967295.
int mgs_Towary_edit(const char* action);
// The goods form from the form variables, posting to page_id with buttons
// named button_name, one per non-empty caption.  0.
int mgs_Towary_display(int page_id, const char* button_name, const char* caption1, const char* caption2 = nullptr,
                       const char* caption3 = nullptr, const char* caption4 = nullptr,
                       const char* caption5 = nullptr, const char* caption6 = nullptr);
// The name check: -1 no record, -2 empty name, -3 a name of white space only,
// 0 no goods of that name exists, 1 one exists (msg names it with a link to
// its edit page).  msg receives the message (HTML, data escaped).
int Towary_validate(std::string& msg, const Towary* t);
// The list's actions: the plain filter set reset; the marks of the goods on
// the submitted page confirmed; every mark cleared.  The two mark actions
// write "Towary.dat" and return 0, or -2 when the goods cannot be listed.
int Towary_Czysc();
int Towary_Zatwierdz_oznaczenia();
int Towary_Czysc_oznaczenia();
// The repairs in which the goods is the received equipment / a part, drawn
// by the repair list page inside this page; the list's variables are given
// back afterwards.  0.
int mgs_Naprawiany_Naprawy_list(uint32_t Id);
int mgs_Czesci_Naprawy_list(uint32_t Id);
