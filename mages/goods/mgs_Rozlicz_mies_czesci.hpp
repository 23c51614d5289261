// The monthly settlement of parts (page 91): the goods on the documents of
// the repairs, of one repairer or of all, summed for one month or one whole
// year with the sales report's mechanism (mgs_Raporty.hpp), one row per good
// with its count and value.
//
// A period runs from its first moment up to, not including, the first moment
// of the next one: a month from the 1st 00:00 local time to the 1st 00:00 of
// the next month, a year from 1 January 00:00 to 1 January 00:00 of the next,
// so a document dated on the 1st at midnight belongs to one month only.
//
// Session variables: "RMCyear" (the year), "RMCmonth" (the month, 1-12, kept
// in a hidden field of the page), "NaprawySearch.Naprawy_Id_Naprawy_wykonawcy"
// (the repairer, 0 all; shared with the repair list's search), "Rsort" (the
// order, shared with page 5).  The page sets "RMCtitle", "RMCmonthstr" and
// "Rdata_od" (the start of the period) for its template "RMC_filtr.htm".
#pragma once

#include <cstdint>

#include "db/Towary.hpp"
#include "db/Towary_transakcje.hpp"
#include "db/Transakcje.hpp"
#include "lib/hashtbl.hpp"

// The action that asks for the whole year.
inline constexpr const char RMC_CALY_ROK[] = "Cały rok";

struct RMC_filter {
  std::uint32_t Id_Naprawy_wykonawcy = 0;  // 0: every repairer
  int year = 0;
  int month = 0;                           // 1-12; 0 for the whole year
  std::int64_t od = 0, do_ = 0;            // od <= time < do_
};

// Page 91.  The action: a month number 1 to 12, RMC_CALY_ROK, or anything
// else (the month of "RMCmonth", else the current one); "Czysc_button"
// resets the sales report's filter as page 5 does.  0; -1 when a template
// cannot be read.
int mgs_Rozlicz_mies_czesci(const char* action);

// The period of the action: the year of "RMCyear" (the current year when it
// is below 2007 or above 9999), the month as above.  0.
int RMC_filter_init(RMC_filter* filter, const char* action);
// Sums the lines of the documents of the repairs (the repairer's, else every
// repair in ascending Id) whose date lies in the period; a document attached
// to two repairs counts for each.  The number of lines counted; -1 without
// the tables or memory.
long RMC_Transakcje_run(Towary_tab* sums, const RMC_filter* filter);
// Whether the document's date lies in the period.
bool RMC_Transakcje_row_allow_add(const RMC_filter* filter, const Transakcje& doc);
// Raporty_Towary_row.
int RMC_Towary_row(Towary_tab* sums, const Towary_transakcje& line, std::uint32_t doc_Id);
// Raporty_zysk.
double RMC_zysk(const Towary& sum);
// The Ids of the sums in the order of code, as Raporty_sort; a new table the
// caller frees, NULL when memory runs out.
hashtbl* RMC_sort(Towary_tab* sums, int code);
// Sorts the keys and turns them for a descending code (kal::report_sort_do).
std::uint32_t RMC_sort_do(hashtbl* keys, int code);
// Row n (from 0): number, the good's name linked to its page, count, value;
// adds count and value to the totals.  0; -1 for a good missing from the
// catalogue (no row).
int RMC_show_row(long n, const Towary& sum, double* total_count, double* total_value);
// The override of a text of this page from "Rozlicz_mies_czesci.vv" (read
// once, at most 100 pairs), else the text.
const char* Rozlicz_mies_czesci_vv(const char* text);
