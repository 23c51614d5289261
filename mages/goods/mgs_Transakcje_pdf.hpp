// The printed sales document: who may print it, its issue (dates and a new
// number), the text invoice "Faktura" (a bill in receipt mode) in one copy
// or as original and copy, the per-rate VAT sums that every printout of
// document lines fills, the seller named on invoices, and the parts-and-
// services list of the repair dossier.
//
// The invoice is fixed-width text, one PDF page per page of text.  An
// invoice longer than a page continues on further pages (each continuation
// repeats the number, the copy marker and the table head); the VAT table,
// the amount due, the amount in words, the payment and the signatures are
// kept together on the last page.  Figures are printed whole, whatever the
// width of their column.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "db/Firmy.hpp"
#include "db/Towary.hpp"
#include "db/Towary_transakcje.hpp"

// The sums of one VAT rate, or of the whole document (`brutto_czesci` and
// `brutto_uslugi` only there).  Amounts are whole grosze.
struct Transakcje_suma_VAT {
  double netto = 0.0;
  double vat = 0.0;
  double brutto = 0.0;
  double brutto_czesci = 0.0;  // lines that are not of the services type
  double brutto_uslugi = 0.0;  // lines of the setting "Typ_towaru_uslugi"
};

// The sums of the document being printed: the totals and one element per
// VAT rate Id that a line used (any Id).  Valid from one
// mgs_Transakcje_sumy_VAT_init to the next.
struct Transakcje_sumy_VAT {
  Transakcje_suma_VAT total;
  std::map<uint32_t, Transakcje_suma_VAT> rates;
};
extern Transakcje_sumy_VAT mgs_Transakcje_sumy_VAT;

// Empties the sums.  0.
int mgs_Transakcje_sumy_VAT_init();
// Adds a line of count pieces at the net and gross unit prices under the
// rate: net x count and gross x count (each rounded to the grosz) and their
// difference as VAT, to the rate and to the totals; the gross goes to
// `brutto_uslugi` when the goods type is the services type (and not also the
// parts type), else to `brutto_czesci`.  0.
int mgs_Transakcje_sumy_VAT_do(uint32_t rate_Id, double net_unit, double gross_unit, double count,
                               uint32_t goods_type);

// 1 when the user (firm Id) may print the document: an administrator, and
// anybody else whom a repair whose document it is lets in (its repairer or
// receiving employee; everybody there while "worker_as_admin" is 1).  Says
// its arguments on the console.
int mgs_Transakcje_allow(uint32_t Id, uint32_t user_Id, int is_admin, int worker_as_admin);

// The document "Faktura_<Id>" as the reply (file NULL) or into the file: the
// access check, the issue when the session variable "a" is "wystaw", the
// invoice pages, the printed mark.  0.
int mgs_Transakcje_pdf(const char* name, uint32_t Id);
int mgs_Transakcje_pdf_doc(const char* name, uint32_t Id, const char* file);
// The steps every invoice document takes around its rendering: the access
// check (the refusal as the document), the missing document (an error page),
// the issue when "a" is "wystaw", render (0 when the PDF was made, as the
// reply with file NULL or into the file) and the printed mark.  0.
using mgs_Transakcje_render_fn = int (*)(uint32_t Id, const char* file);
int mgs_Transakcje_pdf_flow(const char* name, uint32_t Id, const char* file, mgs_Transakcje_render_fn render);
// Issues the document: its three dates become now, deleted bit cleared, and
// it gets the type's next number unless it already carries a number of this
// year's numbering that no other document of its type has; "Transakcje.dat"
// is written.  0; -1 no such document; 1 the file could not be written.
int mgs_Transakcje_wystaw(uint32_t Id);

// The seller of invoices: the firm named by the setting
// "Nazwa_firmy_dla_faktur" when it is set and exists, else the own firm
// (Id 1); NULL when there is neither.
const Firmy* getFirmaDlaFaktur();

// The whole text of one copy of the invoice (original 1, copy 0), as one
// text; a missing document appends nothing.  0.
int mgs_pdf_Transakcje_Faktura(std::string& text, uint32_t Id, int original);
// The same cut into page texts of at most lines_per_page lines each.
std::vector<std::string> mgs_pdf_Transakcje_Faktura_pages(uint32_t Id, int original, int lines_per_page);
// Seller, number, copy marker and buyer.  0; -2 no buyer, -3 no seller.
int mgs_pdf_Faktura_dane(std::string& text, uint32_t firm_Id, const char* numer, int original);
// The two head lines of the goods table.  0.
int mgs_pdf_Towary_head(std::string& text);
// Zeroes the VAT sums, appends every line of the document and then the VAT
// summary.  0.
int mgs_pdf_Faktura_towary(std::string& text, uint32_t Id, int flag);
// One goods line numbered index; its gross value is added to *total.  0; -4
// no line, -5 its goods is missing (nothing written).
int mgs_pdf_Faktura_towar(std::string& text, unsigned long index, const Towary_transakcje* line, double* total);
// The VAT summary (receipt mode: the total only).  0.
int mgs_pdf_Transakcje_sumy_VAT(std::string& text);
// *flag := 1 when a line's goods has a PKWiU.  0.
int mgs_pdf_isPKWiU(uint32_t Id, int* flag);

// The parts-and-services list of the repair dossier.  0.
int mgs_pdf_Transakcje_Dossier(std::string& text, uint32_t Id);
// At most max lines of the document from position first, numbered by their
// position from 1; the VAT sums are zeroed first and hold the lines'
// totals afterwards.  0.
int mgs_pdf_Dossier_towary(std::string& text, uint32_t Id, unsigned long first, unsigned long max);
// One line of the list.  0; -4 no line, -5 its goods is missing.
int mgs_pdf_Dossier_towar(std::string& text, unsigned long index, const Towary_transakcje* line, double* total);

// --- shared with the drawn printouts of document lines ------------------------------------

// The document's goods lines in the table's order.
std::vector<const Towary_transakcje*> mgs_Transakcje_lines(uint32_t Id);
// The VAT factor of a goods' rate; a goods without a usable rate counts as
// 22 %, as on the document pages (never a division by zero).
double mgs_Towary_vat_factor(const Towary& goods);
// The name of the goods' unit; "" when it has none.
std::string mgs_Towary_unit_name(const Towary& goods);
// The goods as invoices name it: its name, or its code and name when the
// setting "wydruk_kodu_na_fakturze" is "1".
std::string mgs_Towary_invoice_label(const Towary& goods);
// The amount in words: the whole złoty, the currency and, with_grosze, the
// grosze in words and "gr_text".
std::string mgs_pdf_kwota_slownie(double amount, bool with_grosze);
