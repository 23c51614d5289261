// The goods lines of a document being entered, held in the session until the
// document is stored: appending and removing lines, the editable table with
// net, VAT and gross per line and the total, storing the lines with their
// stock movement, and the read-only table of a stored document's lines.
//
// Line n (from 0) is a set of session variables named field + "." + n + a
// kind letter: "d" for a purchase (document type 2), "s" for every other
// type, so that a sale and a purchase can be entered side by side; the
// parts of a complaint being entered (TOWARY_TRANSAKCJE_REKLAMACJE) keep a
// list of their own, kind letter "r", so that neither is ever taken for the
// other.  The
// fields: "Towary_transakcje_Id" (empty until stored), "_Id_Towary",
// "_Id_Transakcje", "_cena" (the gross unit price), "_liczba_sztuk",
// "_Id_Magazyny", "_numer", "_model", "_kolor", "_typ" and
// "Serwis_zewnetrzny_cechy_uszkodzenia" (a note of the line).  The counter
// "Towary_transakcje_count." + letter holds the number of lines; only the
// pages set it (a request cannot), and it never exceeds
// TOWARY_TRANSAKCJE_MAX_LINES.
//
// The net price is never stored: it is the gross price over the VAT factor of
// the goods' rate (a factor below 1.0, a missing rate among them, counts as
// 1.22).  Money texts: the amount and the setting "zl_text" after it, before
// it in English.
#pragma once

#include <cstdint>
#include <string>

#include "mages/goods/mgs_Towary_transakcje0.hpp"

inline constexpr long TOWARY_TRANSAKCJE_MAX_LINES = 100;
// The list of the parts of a complaint, in place of a document type.
inline constexpr int TOWARY_TRANSAKCJE_REKLAMACJE = 27;

namespace kal {
// The number of lines of the list of that type, as the session holds it
// (0 .. TOWARY_TRANSAKCJE_MAX_LINES).
long towary_transakcje_count(int type);
// The suffix of line i (from 0) of the list of that type: "." + i + letter.
std::string towary_transakcje_suffix(long i, int type);
// Whether a line of the list of that type, or the list's total, is beyond
// what the money format holds (said in red, naming the line).
bool towary_transakcje_list_refused(int type);
}  // namespace kal

// Copies the entry fields "Towary_transakcje_Id_Towary",
// "Towary_transakcje_liczba_sztuk", "Serwis_zewnetrzny_cechy_uszkodzenia"
// and "Towary_transakcje_cena" that the request carries with a value into
// the variables of that name + suffix.  0 when the request carried the goods
// and the count (even empty), negative otherwise.
int mgs_Towary_transakcje_to_ht2(const char* suffix);
// Appends the line being entered to the list of the document type, in a slot
// emptied first; the counter grows only when the request carried the goods
// and the count.  0; -1 when the list is full, -4 when the count or the
// price typed is beyond what the money format holds (said in red); nothing
// changes then.
int mgs_Towary_transakcje_append(int type);
// Removes line n_text (1-based): the later lines move up, the last slot is
// emptied and the counter falls by one.  0; -1 for a number below 1 or past
// the end (nothing changes).  An empty list's counter becomes "0".
int mgs_Towary_transakcje_unappend(const char* n_text, int type);
// Empties the 11 variables of a line.  0.
int mgs_Towary_transakcje_del_ht2(const char* suffix);
// The editable table of the list of the document type (1 and 3: "s", 2: "d"):
// per line a delete button named form_name (caption "Usun_sp_button", the
// line number and "."), name, code, PKWiU, net unit price, VAT name, gross
// unit price, count, gross line total.  The full form (short_form 0) closes
// with the total, also put into "Transakcje_laczna_wartosc" and a hidden
// field of that name; *total (when given) receives it.  0.
int mgs_Towary_transakcje_dynamic(const char* form_name, double* total, int type, int short_form);
// Stores the line of that suffix as a new Towary_transakcje record (its Id
// into "Towary_transakcje_Id" + suffix) and moves the stock: a purchase adds
// the count to the goods and its warehouse row, every other type takes it
// away.  Writes "Towary_transakcje.dat", "Towary.dat", "Towary_magazyn.dat".
// 0; 1 when a file could not be written (the tables in memory hold the line);
// -1 when the line cannot be stored (no table, Ids used up, no memory), -4
// when its price or count is not a finite number (nothing stored).
int mgs_Towary_transakcje_create(const char* suffix, int type);
// Stores every line of the list under the document and empties the list
// (counter ""); each table file is written once.  The first nonzero result
// of the lines, else 1 when a file could not be written, else 0.
int mgs_Towary_transakcje_creates(uint32_t document_Id, int type);
// The read-only table of a stored document's lines ("<table border=0>\n",
// the rows, "</table>\n").  -1 when no document has the Id, else the rows'
// result.
int mgs_Sprzedaz_existed(uint32_t document_Id, double* net_sum, double* gross_sum, const char* caption,
                         uint32_t goods_type);
// Its rows: a heading (caption, else "Nazwa_towaru_uslugi_text", for the
// goods column), one row per line of goods of the type (0: every type) whose
// goods exists, numbered from 1, the name linking to the goods page, and the
// net and gross sums, which are also added to *net_sum and *gross_sum (each
// when given).  -1 when no document has the Id, else 0.
int mgs_Sprzedaz_existed_rows(uint32_t document_Id, double* net_sum, double* gross_sum, const char* caption,
                              uint32_t goods_type);
