// The printed service card "Karta_uslug_<Id>.pdf": the own firm, the title
// with the card's number, the ordering customer, the service and parts lines
// of the repair's sale document, the trips, the additional cost, the total
// cost, the remarks, the two signature fields and the footer text.  It is
// layout 4 of the drawn-PDF writer (toPdf2).
//
// Who may print a card is the rule of its repair (mgs_Karty_allow_print); a
// refused user gets a one-page PDF with the refusal only.  A card that does
// not exist is an error page, not a document.  Content that does not fit
// above the signature block continues on the next page; the signatures and
// the footer are on the last page, at their fixed places.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Naprawy_fields;

// The card as the reply (file_only 0: the PDF header and the file) or only
// written to "wydruk.pdf".  kind is not used.  0; -1 for a card that does
// not exist (the reply is then an error page), or the writer's result.
int mgs_Karta_pdf(int file_only, const char* kind, uint32_t Id);
// The same as a document of the dispatcher (file NULL: the reply).
int mgs_Karta_pdf_doc(const char* name, uint32_t Id, const char* file);
// Fills the page content (actPdfContents) with the card's last page; the
// pages before it, when the card needs more than one, go into *earlier (in
// order; without earlier everything is drawn on the one page).  0.
int makePdfContentsKarta(uint32_t Id, const Naprawy_fields* bundle, std::vector<std::string>* earlier = nullptr);
// The trips table from *y: its header and one row per trip of the card; the
// rows count into *line_count and their money into *trips_sum.  0.
int makePdfContentsDojazdy(int* line_count, int* y, uint32_t card_Id, double* trips_sum);
int makePdfContentsDojazdyLista(int* line_count, int* y, int x, uint32_t card_Id, double* trips_sum);
// One row; -4 for no trip (nothing drawn), else 0.
int makePdfContentsDojazd(int y, int x, unsigned long index, const struct Dojazdy* trip, double* labour,
                          double* transport);
// The number of the card's trips.
int makePdfContentsDojazdyCount(uint32_t card_Id);
// The text's override from the page text file "Karty_pdf.vv", else the text;
// "" for NULL.
const char* Karty_pdf_vv(const char* key);
