#include "mages/goods/mgs_Towary_import.hpp"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <limits>

#include "db/Jednostki_metryczne.hpp"
#include "db/Stawki_VAT.hpp"
#include "db/Towary_typy.hpp"
#include "mages/glue.hpp"
#include "server/html_form.hpp"
#include "server/serv.hpp"

namespace kal::goods_import {

namespace {

// The percentage a text gives, read as the C library's atoi reads a number:
// blanks, then digits up to the first other byte ("23.0", "23 %" and "023%"
// give "23"); a fraction after a point or a comma is kept when it is not
// zero ("7,50" gives "7.5", never 7).  "" when the text starts with no digit
// ("zw").
std::string percent_key(const std::string& text) {
  std::size_t i = text.find_first_not_of(" \t");
  if (i == std::string::npos || text[i] < '0' || text[i] > '9') return "";
  std::string whole;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    if (!(whole.empty() && text[i] == '0')) whole += text[i];
  if (whole.empty()) whole = "0";
  std::string fraction;
  if (i + 1 < text.size() && (text[i] == '.' || text[i] == ',') && text[i + 1] >= '0' && text[i + 1] <= '9')
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) fraction += text[i];
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  return fraction.empty() ? whole : whole + "." + fraction;
}

// Fills a map of name -> Id in table order, the first record of a name kept.
template <class Tab, class Key>
void index(const Tab* tab, std::unordered_map<std::string, uint32_t>& map, Key&& key) {
  if (!tab) return;
  for (auto* e = tab->first; e; e = e->next)
    if (e->row) map.emplace(key(*e->row), e->row->Id);
}

// A new dictionary record under the highest Id + 1; its Id, 0 when it
// cannot be added.
template <class T, class Fill>
uint32_t add_entry(int (*max_id)(typename vtab_meta<T>::tab*, uint32_t*), int (*insert)(typename vtab_meta<T>::tab*, const T*),
                   const char* table, const std::string& name, Fill&& fill) {
  auto* tab = glue_root<T>::tab();
  if (!tab) return 0;
  uint32_t max = 0;
  max_id(tab, &max);
  T r{};
  r.Id = max + 1;
  fill(r);
  if (r.Id == 0 || insert(tab, &r) != 0) {
    std::printf("goods import: the %s entry '%s' could not be added\n", table, name.c_str());
    return 0;
  }
  return r.Id;
}

std::string file_of(const char* table) { return std::string(MGS_DATA_PATH) + "/" + table + ".dat"; }

}  // namespace

void heartbeat(uint32_t line) {
  using clock = std::chrono::steady_clock;
  static clock::time_point last{};
  static uint32_t last_line = 0;
  const clock::time_point now = clock::now();
  if ((line % 100 == 0 && line != last_line) || now - last >= std::chrono::seconds(1)) {
    save_watchdog();
    last = now;
    last_line = line;
  }
}

void heartbeat() {
  using clock = std::chrono::steady_clock;
  static clock::time_point last = clock::now();
  const clock::time_point now = clock::now();
  if (now - last >= std::chrono::seconds(1)) {
    save_watchdog();
    last = now;
  }
}

bool blank(const char* text) {
  for (; text && *text; ++text)
    if (*text != ' ' && *text != '\t' && *text != '\r' && *text != '\n') return false;
  return true;
}

Run::Run() {
  if (const Towary_tab* tab = glue_root<Towary>::tab()) {
    for (auto* e = tab->first; e; e = e->next) {
      if (!e->row) continue;
      goods_.emplace(e->row->nazwa.str(), e->row);
      if (e->row->Id >= next_goods_id_) next_goods_id_ = e->row->Id + 1;
    }
    if (next_goods_id_ == 0) std::printf("goods import: no goods Id is free\n");
  }
  index(glue_root<Stawki_VAT>::tab(), rates_by_name_, [](const Stawki_VAT& r) { return r.nazwa.str(); });
  index(glue_root<Stawki_VAT>::tab(), rates_by_percent_, [](const Stawki_VAT& r) { return percent_key(r.procent.str()); });
  rates_by_percent_.erase("");
  index(glue_root<Towary_typy>::tab(), types_, [](const Towary_typy& r) { return r.nazwa.str(); });
  index(glue_root<Jednostki_metryczne>::tab(), units_, [](const Jednostki_metryczne& r) { return r.nazwa.str(); });
}

Towary* Run::find(const std::string& name) const {
  const auto it = goods_.find(name);
  return it == goods_.end() ? nullptr : it->second;
}

Towary* Run::add(const std::string& name) {
  Towary_tab* tab = glue_root<Towary>::tab();
  if (!tab || next_goods_id_ == 0) return nullptr;
  Towary r{};
  vtab_meta<Towary>::for_each_field([&](auto f) {
    using F = decltype(f);
    if constexpr (F::letter == 's') F::of(r) = "";
  });
  r.Id = next_goods_id_;
  r.nazwa = name;
  r.marza = 10;
  r.Id_Stawki_VAT = 1;
  r.Id_Towary_typy = 3;
  r.Id_Jednostki_metryczne = 1;
  r.czas_modyfikacji = std::time(nullptr);
  r.flags = 0;
  Towary* row = nullptr;
  if (Towary_tab_insert(tab, &r) == 0) row = Towary_tab_get_Id(tab, r.Id, VTAB_CMP_EQUAL);
  if (!row) {
    std::printf("goods import: the goods '%s' could not be added\n", name.c_str());
    return nullptr;
  }
  next_goods_id_ = r.Id == std::numeric_limits<uint32_t>::max() ? 0 : r.Id + 1;
  goods_.emplace(name, row);
  return row;
}

uint32_t Run::vat_rate(const std::string& cell) {
  if (const auto it = rates_by_name_.find(cell); it != rates_by_name_.end()) return it->second;
  const std::string percent = percent_key(cell);
  if (!percent.empty())
    if (const auto it = rates_by_percent_.find(percent); it != rates_by_percent_.end()) return it->second;
  std::string procent = percent;
  if (procent.empty()) {
    procent = cell;
    if (!procent.empty() && procent.back() == '%') procent.pop_back();
  }
  const uint32_t id = add_entry<Stawki_VAT>(Stawki_VAT_tab_max_Id, Stawki_VAT_tab_insert, "Stawki_VAT", cell,
                                            [&](Stawki_VAT& r) {
                                              r.nazwa = cell;
                                              r.procent = procent;
                                            });
  if (id != 0) {
    rates_added_ = true;
    rates_by_name_.emplace(cell, id);
    if (!percent.empty()) rates_by_percent_.emplace(percent, id);
  }
  return id;
}

uint32_t Run::goods_type(const std::string& name) {
  if (const auto it = types_.find(name); it != types_.end()) return it->second;
  const uint32_t id = add_entry<Towary_typy>(Towary_typy_tab_max_Id, Towary_typy_tab_insert, "Towary_typy", name,
                                             [&](Towary_typy& r) {
                                               r.nazwa = name;
                                               r.uwagi = "";
                                             });
  if (id != 0) {
    types_added_ = true;
    types_.emplace(name, id);
  }
  return id;
}

uint32_t Run::unit(const std::string& name) {
  if (const auto it = units_.find(name); it != units_.end()) return it->second;
  const uint32_t id = add_entry<Jednostki_metryczne>(Jednostki_metryczne_tab_max_Id, Jednostki_metryczne_tab_insert,
                                                     "Jednostki_metryczne", name,
                                                     [&](Jednostki_metryczne& r) { r.nazwa = name; });
  if (id != 0) {
    units_added_ = true;
    units_.emplace(name, id);
  }
  return id;
}

std::string Run::save() const {
  std::string failed;
  auto save = [&](const char* table, int rc) {
    if (rc == 0) return;
    failed += (failed.empty() ? "" : ", ") + file_of(table);
  };
  if (rates_added_) save("Stawki_VAT", glue_root<Stawki_VAT>::save());
  if (types_added_) save("Towary_typy", glue_root<Towary_typy>::save());
  if (units_added_) save("Jednostki_metryczne", glue_root<Jednostki_metryczne>::save());
  save("Towary", glue_root<Towary>::save());
  if (failed.empty()) return "";
  return "Nie można zapisać pliku " + html_text(failed) + " !";
}

}  // namespace kal::goods_import
