// The editor of a stored document's goods lines, shared by the edit pages of
// the sales and purchase documents (pages 83 and 84) and the parts page of a
// repair (page 25): its head (pick a part or a service, count, gross price,
// the add button), the table of the lines with their removal buttons and
// editable prices and counts, and the actions add, remove and recalculate.
//
// Every change of a stored line moves the stock by the difference, with the
// sign of its document's type (a purchase adds, every other type takes
// away): adding takes the count away from (adds it to) the goods and its
// warehouse row, removing gives it back, a changed count moves the
// difference.  Only lines of the document on screen are touched, whatever
// line Ids a request posts; a request that carries only part of a row
// changes only what it carries.
//
// After every change the document's total (`laczna_wartosc`) is the sum of
// its lines and "Transakcje.dat" is written.
#pragma once

#include <cstdint>

#include "db/Towary_transakcje.hpp"

// The head and, when the document exists, the table of its lines.  0.
int Towary_transakcje_list_edit(int page, const char* action, uint32_t document_Id);
// The head: the form of page 25 ("czesci_uslugi.htm"; the document pages
// are a form already), the buttons to the goods list, the goods picked with
// its gross price, the count and price inputs and the add button.  0.
int Towary_transakcje_list_edit_head(int page, const char* action);
// Row n (from 1) of the table; adds the line's gross value to *total.  0.
int Towary_transakcje_row_display(int page, int row, const Towary_transakcje* line, double* total);
// The action of the page's button: "Dodaj_towar_usluge_button" with a goods
// picked adds it (a document Id of 0 first makes a sale document for the
// client and repairer given), a caption starting with remove_prefix removes
// the row of the number after it, "Przelicz_button" writes the edited
// prices and counts; adding and removing write the edited prices and counts
// first (and do nothing when those are refused); after each the document's
// total is recomputed into *total and the page's action emptied.  0.
int mgs_Towary_transakcje_action(int page, const char* remove_prefix, const char* action, uint32_t document_Id,
                                 uint32_t firm_Id, uint32_t repairer_Id, double* total);
// Adds the goods picked ("Towary_transakcje_Id_Towary", its count and the
// gross price "Towary_transakcje_brutto") as a line of the document in
// "Towary_transakcje_Id_Transakcje", with its stock movement.  0; -1 when no
// goods is picked, the goods or the document does not exist, or the page
// was out of date (the line was added already: said in red); -4 when the
// line or the total it gives is beyond what the money format holds (said
// in red); the result of storing the line otherwise.
int Towary_transakcje_add();
// Removes the line whose Id row n's removal variable carries, when it is a
// line of the document in "Towary_transakcje_Id_Transakcje", and gives its
// stock back.  0; -1 when nothing was removed; 1 when a file could not be
// written.
int Towary_transakcje_sub(int n);
// Writes the edited price and count of every row of the document's lines.
// 0; 1 when a file could not be written; -4 when a row's price or count, or
// the document's total they give, is beyond what the money format holds
// (said in red; no row written).
int Towary_transakcje_edit();
// The same for the document given (the rows typed on its page go in before
// any other button of the page acts, so that no change typed is dropped).
// 0 for document 0.
int Towary_transakcje_edit_typed(uint32_t document_Id);
// Row i's price and count into its line (when the row names a line of the
// document); the files are not written.  0; -1 when the row names no line
// of the document, -4 for a number that is not finite (nothing changed).
int Towary_transakcje_edit_pos(int i);
// The net and gross sums of the document's lines whose goods exist (each
// line's net unit price from its gross price and its goods' VAT rate).  0;
// -1 when no document has the Id (sums 0).
int Towary_transakcje_calc_suma(uint32_t document_Id, double* net, double* gross);
// The same, and the gross sum stored as the document's `laczna_wartosc`
// ("Transakcje.dat" written).  0; -1 no document; 1 the file could not be
// written.
int Transakcje_update_suma(uint32_t document_Id, double* net, double* gross);

namespace kal {
// A sale document for a repair: number "0/0000", flagged 1 until it is
// issued, for the client and the repairer given; its Id (0 when it could not
// be made).  The form of a document being entered in the same session stays
// as it is.
uint32_t towary_transakcje_repair_document(uint32_t firm_Id, uint32_t repairer_Id);
// The stock movement of a line of a document of that type whose count
// changes by delta (a purchase adds, every other type takes away); the goods
// and its warehouse row move together; the files are not written.
void towary_transakcje_move_stock(const Towary_transakcje& line, int document_type, double delta);
}  // namespace kal
