// The boxed invoice "Faktura_VAT": a drawn A4 page per copy (original, then
// copy) in small fixed-pitch type: dates, title, seller, buyer and payment,
// an eleven-column goods table with the VAT table beneath, and the amount
// due in figures and words with the signature lines.
//
// A table that outgrows the page continues on further pages (each repeats
// the title, the copy marker and the table head); the footer follows the
// table, never over it, and moves to a further page when it does not fit.
// The seller is the invoice firm (getFirmaDlaFaktur).  Figures are printed
// whole.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/Towary_transakcje.hpp"

// mode 0: the PDF (always the original and the copy) with its header as the
// reply; any other mode only the work file "wydruk.pdf".  pdf_file2's result.
int mgs_Transakcje_pdf2(int mode, uint32_t Id);
// The document "Faktura_VAT_<Id>": the access check, the issue when the
// session variable "a" is "wystaw", the invoice, the printed mark; as the
// reply (file NULL) or into the file.  0.
int mgs_Transakcje_pdf2_doc(const char* name, uint32_t Id, const char* file);

// Draws the first page of one copy into contents: page 1 the copy, any other
// the original.  0; -1 no document, -2 no buyer, -3 no seller (the page then
// holds only the message).
int makePdfContentsFaktura(uint32_t Id, std::string& contents, int page);
// Every page of one copy (page as above), one content each.
std::vector<std::string> mgs_pdf_Faktura_VAT_pages(uint32_t Id, int page);

// Zeroes the VAT sums, writes the rows of every line and the VAT table;
// *rows := the lines printed.  0.
int mgs_pdf_Faktura_towary2(std::string& text, uint32_t Id, int* rows);
// The three text lines of one goods line; its gross value is added to
// *total.  0; -4 no line ("Brak danych o transakcji towaru !" written), -5
// its goods is missing (nothing written).
int mgs_pdf_Faktura_towar2(std::string& text, unsigned long index, const Towary_transakcje* line, double* total);
// The VAT table: the gross total, a row per rate a line used, the totals.  0.
int mgs_pdf_Transakcje_sumy_VAT2(std::string& text);
