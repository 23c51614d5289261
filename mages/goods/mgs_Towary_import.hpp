// What the two goods imports share, the CSV file (mgs_Towary_csv) and the
// stock program's goods file (mgs_Towary_wfmag): goods found by name or made
// new, the VAT rates, goods types and units of measure found by name or made
// new, the fields written straight into the stored goods, and the files
// written once at the end.
//
// The imports write no form or session variable: the scheduled jobs run them
// without a user, and a user's forms stay as they were.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "db/Towary.hpp"

namespace kal::goods_import {

// The heartbeat of a long import: once on every hundredth line, and
// whenever a second has gone by since the last one.
void heartbeat(uint32_t line);
// The heartbeat of other long work: whenever a second has gone by.
void heartbeat();

// True for a text that holds nothing but blanks, tabs, CR and LF.
bool blank(const char* text);

// One run of an import.  Names are looked up in maps built at the start, so
// an import of many goods takes one pass.
class Run {
 public:
  Run();
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  // The first goods (in table order) of exactly that name; NULL when none.
  Towary* find(const std::string& name) const;
  // A new goods of that name with the import's defaults (Id highest + 1,
  // empty texts, numbers 0, margin 10, VAT rate 1, goods type 3, unit 1,
  // modified now, flags 0); NULL when it cannot be added (said on the
  // console).
  Towary* add(const std::string& name);

  // The Id of the VAT rate named by cell: the rate of that name; else, for a
  // cell that starts with a number ("23", "8%", "23.0", "23 %"), the first
  // rate whose percentage is that number (whole numbers as atoi reads them,
  // a fraction that is not zero kept); else a new rate named cell whose
  // percentage is that number, or cell without its "%" when it starts with
  // no digit ("zw" stays "zw", which counts as 0 %).  0 when none can be
  // made.
  uint32_t vat_rate(const std::string& cell);
  // The Id of the goods type / unit of that name, made when missing; 0 when
  // none can be made.
  uint32_t goods_type(const std::string& name);
  uint32_t unit(const std::string& name);

  // Writes the goods table, and each dictionary to which the run added; the
  // files that could not be written, as one page message, or "".
  std::string save() const;

 private:
  std::unordered_map<std::string, Towary*> goods_;
  uint32_t next_goods_id_ = 1;
  std::unordered_map<std::string, uint32_t> rates_by_name_, rates_by_percent_, types_, units_;
  bool rates_added_ = false, types_added_ = false, units_added_ = false;
};

}  // namespace kal::goods_import
