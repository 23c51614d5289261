// Table files for tests of the real program: records made in memory (every
// text field present, empty) and saved as the program writes them.
#pragma once

#include <string>
#include <tuple>
#include <vector>

#include "db/all_tables.hpp"
#include "db/vtab_file.hpp"  // vtab_file_open
#include "pagemgr/pagemgr.hpp"
#include "platform/textfile.hpp"

namespace kal::tables {

// A record with every number 0 and every text empty.
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

// A table file of the records, as the program writes it.
template <class T>
inline std::string table_file(const std::vector<T>& rows) {
  auto* tab = vtab_api<T>::tab_new();
  for (const T& r : rows) vtab_api<T>::tab_insert(tab, &r);
  kal::TextOut out;
  vtab_api<T>::tab_save(out, tab);
  vtab_api<T>::tab_delete(&tab);
  return kal::text_to_disk(out.text());
}

// The records of a table file in file order, read by the table's loader
// (Naprawy_tab_load ...); none when it cannot be read.
template <class T>
inline std::vector<T> read_table(const std::string& path, int (*load)(kal::TextIn&, typename vtab_meta<T>::tab*)) {
  std::vector<T> rows;
  kal::TextIn in;
  if (vtab_file_open(path, in) != 0) return rows;
  auto* tab = vtab_api<T>::tab_new();
  load(in, tab);
  for (auto* e = tab->first; e; e = e->next) rows.push_back(*e->row);
  vtab_api<T>::tab_delete(&tab);
  return rows;
}

// Two users: "szef" (Id 1, administrator) and "jan" (Id 5, worker), both
// with the password "tajne".
inline std::string users_file() {
  std::vector<Users> rows;
  for (auto [id, name, type] : {std::tuple{1u, "szef", 1u}, std::tuple{5u, "jan", 2u}}) {
    Users u = blank<Users>();
    u.Id = id;
    u.user_name = name;
    u.user_passwd = "tajne";
    u.created_time = 1700000000;
    u.Id_User_types = type;
    rows.push_back(u);
  }
  return table_file(rows);
}

// The user types of the users above.
inline const char kUserTypes[] = " 1 'administrator'\r\n 2 'pracownik'\r\n 3 'inny'\r\n";

}  // namespace kal::tables
