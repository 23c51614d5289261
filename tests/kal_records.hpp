// The records of a table file read back by the table's own loader, each as
// field name -> text (texts as stored, numbers in decimal, money and other
// doubles with two decimals), in file order.
//
//   auto goods = kal::records<Towary>(site.server().file("dat/Towary.dat"));
//   EXPECT_EQ(goods[0]["nazwa"], "Samochód osobowy");
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "db/vtab_file.hpp"
#include "db/vtab_table.hpp"

namespace kal {

using record_fields = std::map<std::string, std::string>;

template <class T>
std::vector<record_fields> records(const std::string& path) {
  std::vector<record_fields> out;
  kal::TextIn in;
  if (vtab_file_open(path, in) != 0) return out;
  auto* tab = vtab_api<T>::tab_new();
  vtab_api<T>::tab_load(in, tab);
  for (auto* e = tab->first; e; e = e->next) {
    record_fields r;
    vtab_meta<T>::for_each_field([&](auto f) {
      using F = decltype(f);
      const auto& v = F::of(*e->row);
      if constexpr (F::letter == 's') {
        r[F::name()] = v.str();
      } else if constexpr (F::letter == 'g') {
        char text[64];
        std::snprintf(text, sizeof text, "%.2f", v);
        r[F::name()] = text;
      } else if constexpr (F::letter == 'c') {
        r[F::name()] = std::string(1, v);
      } else {
        r[F::name()] = std::to_string(v);
      }
    });
    out.push_back(std::move(r));
  }
  vtab_api<T>::tab_delete(&tab);
  return out;
}

// The first record whose field equals value; an empty record when none.
inline record_fields find_record(const std::vector<record_fields>& rows, const std::string& field,
                                 const std::string& value) {
  for (const auto& r : rows) {
    auto it = r.find(field);
    if (it != r.end() && it->second == value) return r;
  }
  return {};
}

}  // namespace kal
