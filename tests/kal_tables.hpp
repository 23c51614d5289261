// Table files for a test's data directory, written by the tables themselves:
//
//   Naprawy r = kal::tables::blank<Naprawy>();   // every text "", not NULL
//   files.push_back({"dat/Naprawy.dat", kal::tables::table_file(std::vector<Naprawy>{r})});
#pragma once

#include <string>
#include <vector>

#include "db/all_tables.hpp"
#include "platform/textfile.hpp"

namespace kal::tables {

// A record whose texts are empty rather than missing.
template <class T>
T blank() {
  T r{};
  vtab_meta<T>::for_each_field([&](auto f) {
    using F = decltype(f);
    if constexpr (F::letter == 's') {
      if (F::of(r).is_null()) F::of(r) = "";
    }
  });
  return r;
}

// The table file of the records, as the program writes it.
template <class T>
std::string table_file(const std::vector<T>& rows) {
  auto* tab = vtab_api<T>::tab_new();
  for (const T& r : rows) vtab_api<T>::tab_insert(tab, &r);
  kal::TextOut out;
  vtab_api<T>::tab_save(out, tab);
  vtab_api<T>::tab_delete(&tab);
  return kal::text_to_disk(out.text());
}

}  // namespace kal::tables
