// The sales and purchase documents pages: the new-document pages of a
// purchase (page 1) and a sale (page 3), their lists (2 and 4) and edit pages
// (83 and 84), the document form they share, the numbering of documents per
// year, and the text file attached to a document.
//
// Document types: 1 sale, 2 purchase.  The header of the document on screen
// lives in the variables "Transakcje_" + field, its goods lines in the
// session (mgs_Towary_transakcje.hpp) while the document is new and in the
// lines table (the line editor, mgs_Towary_transakcje_edit.hpp) once it is
// stored.  A stored document's total is always the sum of its stored lines.
//
// Attached text files are bare file names inside the directory
// MGS_TRANSAKCJE_ZALACZNIKI of the install directory; any other name is
// refused in red and nothing is read or written.
#pragma once

#include <cstdint>
#include <string>

#include "mages/goods/mgs_Transakcje0.hpp"

// The retail customer (firm 2 of the shipped data), preselected on every
// new sale.
extern uint32_t g_sprzedaz_detaliczna_paragon;

// The directory of the attached text files, under the install directory.
inline constexpr const char MGS_TRANSAKCJE_ZALACZNIKI[] = "zalaczniki";
// The largest attached text file that is read, in bytes.
inline constexpr unsigned long MGS_TRANSAKCJE_ZALACZNIK_MAX = 65536;

// Page 1 (type 2) and page 3 (type 1) with their action.  0.
int mgs_Transakcje_new(int type, const char* action);
// Page 83 (type 2) and 84 (type 1).  0; -1 when "Transakcje_Id" is no number.
int mgs_Transakcje_edit(int type, const char* action);
// Page 2 (type 2) and page 4 (type 1).  0.
int mgs_Transakcje_list(int type);
// The document form of the new and edit pages: six button captions (each
// shown when not empty), the document's Id ("" for a new one), number, due
// date and total texts, its firm, its type and its remarks.  0.
int mgs_Transakcje_display(const char* action, const char* caption1, const char* caption2, const char* caption3,
                           const char* caption4, const char* caption5, const char* caption6, const char* Id_text,
                           const char* numer, const char* termin_text, const char* total_text, uint32_t firm_Id,
                           int type, const char* uwagi);
// Stores the header of the form as a new document of the type (its Id into
// *new_Id and "NaprawyNew_Naprawy_Id_Transakcje"), then the session's lines
// of the type under it with their stock movement; the document's total is
// the sum of the stored lines.  0; -1 when nothing could be stored (no
// table, no Id left), -4 for a number in the form that is not finite, 1 when
// a table file could not be written (the records are in memory).
int mgs_Transakcje_create1(uint32_t* new_Id, int type);
// Writes into the stored document Id the header fields that the request
// carries (the type, the flags and the total are never taken from a form;
// the total is recomputed from the stored lines) and saves "Transakcje.dat".
// 0; -1 when no document has the Id or the form holds another document's Id
// (nothing written, said in red), -4 for a number that is not finite, 1 when
// the file could not be written.
int mgs_Transakcje_update1(uint32_t Id);
// "Zatwierdz_button": mgs_Transakcje_update1 and mgs_Transakcje_ext_update
// of *Id; "Usun_button": the table saved.  0.
int mgs_Transakcje_edit_action(const char* action, uint32_t* Id);
// The next number of the type in the current year: n + 1, "/", the setting
// "Faktura_oznaczenie" (a sale) or "D/" (a purchase) and the year, where n
// is the largest leading number among the year's documents of the type
// (deleted ones too).  The text stays valid until the next call.
const char* Transakcje_new_numer(int type);
// That year's document number of the type with the largest leading number
// (the first in table order of equal ones); "" when there is none.
const char* Transakcje_prev_numer(int type);
// Whether a document of the type (not deleted) other than except_Id carries
// exactly this number.
bool Transakcje_numer_taken(int type, const char* numer, uint32_t except_Id);
// The attached text's buttons: tr(361) reads the named file into
// "Transakcje_ext_s2", tr(362) writes that text into the file; the session
// variable "a" = "n" first loads the stored name and text of the document
// (Id 0: empties them).  0.
int mgs_Transakcje_ext(uint32_t Id, const char* action);
// Stores the name and the text of the attached file with the document (its
// Transakcje_ext record, made when missing) and saves "Transakcje_ext.dat".
// 0; 1 when the file could not be written, -1 without a table.
int mgs_Transakcje_ext_update(uint32_t Id);
// The document's date of sale (delivery); 0 when there is no such document.
int64_t Transakcje_data(uint32_t Id);
// One row of the list: whether the document passes the list's filter
// (counted as number *match), and when show is set the row itself.
bool Transakcje_row(const Transakcje& t, long match, bool show, int edit_page, const std::string& firm_pattern,
                    const std::string& number_pattern, int64_t od, int64_t do_, double wartosc_od,
                    double wartosc_do);
// The entry row of a new document's lines (pick a goods, count, price,
// "Dodaj_button") followed by the editable table of its session lines.  0.
int mgs_Towary_transakcje_dynamic_head(int page, const char* header);
// The number of lines of a text: 0 for NULL or "", else 1 + its CR and LF
// bytes; the _min form gives at least min.
int txtutils_lines_count(const char* text);
int txtutils_lines_count_min(const char* text, int min);
