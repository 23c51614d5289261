// The sales report (page 5) and the mechanism it shares with the monthly
// settlement of parts (mgs_Rozlicz_mies_czesci.hpp): document lines summed
// per good into a scratch goods table, the profit of a good, the order of the
// rows, the rows and the totals.
//
// The scratch table holds one Towary record per good, keyed by the good's Id,
// whose fields are counters:
//   cena_sprzedazy            the value: sum of gross unit price x count
//   liczba_sztuk              the sum of the counts
//   ostatnie_sztuk_sprzedazy  the number of lines
//   Id_Jednostki_metryczne    the document of the last line counted
// It lives for one request (Raporty_sums frees it).
//
// Filter state of page 5 in session variables: "Rdata_od", "Rdata_do" (date
// texts), "Rnazwa" (a name pattern, a star allowed at either end, a plain
// text read as a prefix, case folded), "Naprawy_Towary_typy_Id" (goods type,
// 0 all) and "Rsort" (the order, shared with page 91).
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/Towary.hpp"
#include "db/Towary_transakcje.hpp"
#include "db/Transakcje.hpp"
#include "lib/hashtbl.hpp"

// The longest name pattern that is used; a longer one is cut.
inline constexpr long RAPORTY_NAZWA_MAX = 63;

struct Raporty_filter {
  std::int64_t od = 0;   // 0: no lower end
  std::int64_t do_ = 0;  // 0: no upper end; both ends count
  std::string nazwa;     // "" matches every name
  std::uint32_t Id_Towary_typy = 0;
};

// The scratch table of the sums; empty, or NULL when memory runs out.
class Raporty_sums {
 public:
  Raporty_sums();
  ~Raporty_sums();
  Raporty_sums(const Raporty_sums&) = delete;
  Raporty_sums& operator=(const Raporty_sums&) = delete;
  Towary_tab* tab() const { return tab_; }

 private:
  Towary_tab* tab_;
};

// Page 5.  "Czysc_button" resets the filter to this calendar year.  0.
int mgs_Raporty(const char* action);

// The filter from the session: from the start of the day "Rdata_od" (31
// days before now when empty) to the end of the day "Rdata_do" (one day after
// now when empty), the defaults written back as date texts; the name pattern
// (cut to RAPORTY_NAZWA_MAX bytes) and the goods type.  0.
int Raporty_filter_init(Raporty_filter* filter);
// Sums into sums the lines of every sale document (deleted ones too), the
// documents in table order and the lines of each in table order, that pass
// the filter.  The number of lines counted; -1 without the tables or memory.
long Raporty_Transakcje_run(Towary_tab* sums, const Raporty_filter* filter);
// One line of a sale document: counted when it passes the filter.  1
// counted, 0 not, -1 no memory.
int Raporty_Transakcje_row(Towary_tab* sums, const Raporty_filter* filter, const Transakcje& doc,
                           const Towary_transakcje& line);
// Whether the line counts: the document's date within the ends, the good in
// the catalogue, of the filter's type (unless 0), its name matching the
// pattern (unless empty).
bool Raporty_Transakcje_row_allow_add(const Raporty_filter* filter, const Transakcje& doc,
                                      const Towary_transakcje& line);
// Adds the line of document doc_Id to its good's sums (the first line of a
// good makes its record).  The value grows by the line's gross price x count
// rounded to the grosz.  0; 1 a line whose price or count is not a finite
// number (nothing added, said on the console); -1 no memory.
int Raporty_Towary_row(Towary_tab* sums, const Towary_transakcje& line, std::uint32_t doc_Id);
// The profit of a good's sums: the value less the good's last purchase price
// made gross by its VAT rate (its current catalogue data) times the count;
// 0 when the good is no longer in the catalogue.
double Raporty_zysk(const Towary& sum);
// The Ids of the sums (as texts, the values of a key/value table) in the
// order of code: 3-4 name, 5-6 value, 7-8 count, 9-10 lines, 11-12 date of
// the last document, 13-14 profit, 15-16 PKWiU, 17-18 code, anything else
// the Id; an even code above 0 descending, else ascending; equal keys keep
// the order of the Ids (reversed when descending).  Texts go by the Polish
// collation (an empty one as "&nbsp;"), numbers by their value, negative and
// large ones included.  A new table the caller frees; NULL when memory runs
// out.
hashtbl* Raporty_sort(Towary_tab* sums, int code);
// Row n (from 0) of the report: number, the good's name linked to its page,
// code, PKWiU, value, profit, count, lines, and the date of the last document
// linked to the repair that holds it.  Adds value, profit and count to the
// totals.  0; -1 for a good missing from the catalogue (no row).
int Raporty_show_row(long n, const Towary& sum, double* total_value, double* total_profit, double* total_count);

namespace kal {
// The sort key of a number: texts of one length whose order under the
// program's collation is the order of the numbers (every finite double;
// not-a-number first).
std::string report_number_key(double value);
// A key/value table of the sort keys of code (see Raporty_sort) and the Ids
// of the sums, in Id order, the profit by zysk; NULL when memory runs out.
hashtbl* report_keys(Towary_tab* sums, int code, double (*zysk)(const Towary& sum));
// Sorts the keys by the collation and reverses them for an even code above
// 0.  0; a hashtbl code when the sort fails.
std::uint32_t report_sort_do(hashtbl* keys, int code);
// "Czysc_button" of both pages: no name pattern, every goods type, and the
// dates from 1 January of this year to 1 January of the next.
void report_filter_reset();
// a + b with the grosze exact (as decimal arithmetic adds them).
double money_add(double a, double b);
// The lines of the documents, each document's in table order; built once per
// report so that a document's lines are not looked for line by line.
class report_lines {
 public:
  // Every line of the lines table; empty without it.
  report_lines();
  // The lines of document doc_Id (NULL: none).
  const std::vector<const Towary_transakcje*>* of(std::uint32_t doc_Id) const;
  bool ok() const { return ok_; }

 private:
  std::unordered_map<std::uint32_t, std::vector<const Towary_transakcje*>> by_doc_;
  bool ok_ = true;
};
}  // namespace kal
