// The printouts of a repair and the drawn-PDF writer they share with the
// documents and the service cards.
//
// A repair's printouts are asked for by address: the kind, "_" and the
// repair's Id ("/Dowod_Przyjecia_do_Naprawy_12.pdf").  The acceptance
// receipt (with its copy for an outside service, "Dowod_Przyjecia_dla_serwisu",
// which leaves out the client's personal data), the intake protocol, the
// dossier and the barcode label are drawn layouts; the complaint report, the
// repair protocol and the warranty are page texts.
//
// toPdf2 writes the work file "wydruk.pdf" of one drawn document by its
// layout; pdf_file2 wraps it for a reply.  Everything here runs on the
// server's thread, one document at a time.
#pragma once

#include <cstdint>
#include <string>

#include "pdf/topdf.hpp"

struct Naprawy_fields;

// The layouts of toPdf2.
enum toPdf2_layout {
  TOPDF2_DOWOD_PRZYJECIA = 1,         // acceptance receipt, one per page
  TOPDF2_DOWOD_PRZYJECIA_DOUBLE = 2,  // two receipts on one page (y 0 and 400)
  TOPDF2_DOSSIER = 3,                 // repair dossier, over as many pages as it needs
  TOPDF2_KARTA = 4,                   // service card
  TOPDF2_TRANSAKCJA = 5,              // sales or purchase document (the boxed invoice)
  TOPDF2_KOD_KRESKOWY = 6,            // barcode label on its own 120 x 73 page
  TOPDF2_DOWOD_PRZYJECIA_ONE = 7,     // one compact receipt in the upper half
  TOPDF2_PROTOKOL_PRZYJECIA = 8,      // intake protocol over the form picture
};

// The printout kinds, as their addresses name them.
extern const char* const Naprawy_pdf_kind[8];

// 1 while a receipt for an outside service is being made: the owner block is
// left out.  Cleared when the block was left out and at the end of every
// receipt.
extern int force_is_other;

// Makes the PDF of repair Id.  to_file 0: the PDF header and the file's
// bytes go into the reply; otherwise only "wydruk.pdf" is written.  The
// result of pdf_file2 for drawn layouts, else 0.
int mgs_Naprawy_pdf(int to_file, const char* kind, uint32_t Id);
// The same as a document of the dispatcher: file NULL for the reply, else the
// work file (which the dispatcher names).
int mgs_Naprawy_pdf_doc(const char* name, uint32_t Id, const char* file);

// Renders layout with pages pages into "wydruk.pdf" and, with dst given,
// appends the file to the reply.  Sets bin_file_flag.  0; -1 the file could
// not be written; -2 it could not be read back; PDF_REPLY_TOO_BIG (-3) it
// does not fit into the reply, which is then a page that says so.
int pdf_file2(uint32_t Id, char* dst, int* len, const Naprawy_fields* fields, int layout, int pages);
// Writes one drawn PDF file.  0, or -1 with "toPdf2(): Can't open file %s"
// on the error stream.  The page box is A4 again afterwards, and the logo is
// the normal logo whatever the layout did with it.
int toPdf2(uint32_t Id, const char* path, const Naprawy_fields* fields, int layout, int pages);
// Ends the page being drawn when *y is beyond limit: writes it as page
// *page, empties the content, counts the page and starts *y at 0.
int makePdfNewPage(int* y, kal::PdfFile& file, int* page, int limit);

// 1 when the logged user may see repair Id (the rule of the repair page).
int hasNaprawaRightsToDisplay(uint32_t Id);
// The one-page refusal "Nie masz uprawnień do tej strony ! !": with to_file 0
// as the reply, otherwise only written.  0.
int pdf_access_denied(int to_file, int pages);

// Text routines of the printouts.
// Cuts the text at its n-th LF (n < 1 or fewer LFs: whole); -1 for no text.
int str_end_lines(char* text, int n);
int str_end_lines(std::string& text, int n);
// The number of LFs.
int calc_lines_nr(const char* text);
// The text without every part from "<" to the next ">" (one static buffer).
const char* removeHtmlTags(const char* text);
// The setting without its HTML tags.
const char* ustawienia_get_remove_html(const char* key);
// The text, LFs up to 37 lines, a rule of 81 "-" and the text again.
std::string duplicate_text(const std::string& text);

// Fills the intake protocol's items from the repair: item 1 the own firm's
// name, item 24 empty.  0.
int setProtokolPrzyjeciaData();

// --- barcodes and label --------------------------------------------------------------
// x is measured from the right edge of the page to the right end of the code,
// y from the top.  Nothing is drawn unless pdf_use_img_rfid is 1.

// Code 128 of the repair number when "barcode_type" is 1, or when the Id
// does not fit EAN-13's five digits; else EAN-13.
int makePdfContentsBarcode(uint32_t Id, int x, int y);
int makePdfContentsBarcodeEAN13(uint32_t Id, int x, int y);
int makePdfContentsBarcodeCODE128(uint32_t Id, int x, int y);
// Interleaved 2 of 5 of a number from the six piece images (unused by the
// layouts).
int makePdfContentsBarcode_i2of5(long number, int x, int y);
// The label page: the content emptied and the code at (116, 5).
int makePdfContentsKodKreskowy(uint32_t Id);
