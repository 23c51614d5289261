// The tables of the database root as declared: their slots, file rules and
// generations, the kinds of their fields in column order (the order of the
// table files, which must stay readable across versions), and what single
// tables have beyond the generic members.  The generic members themselves are
// checked over every table by tests/vtab_table_suite.hpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <type_traits>
#include <vector>

#include "db/all_tables.hpp"

namespace {

struct Expected {
  const char* name;
  int slot;
  int generation;
  bool header_line;
  std::string kinds;  // one codec letter a field
};

std::string rep(char kind, int n) { return std::string(static_cast<std::size_t>(n), kind); }

const std::vector<Expected>& expected() {
  static const std::vector<Expected> e = {
      {"Firmy", 0, 1, true, "z" + rep('s', 14) + "zzti"},
      {"Firmy_typy", 1, 1, true, "zss"},
      {"Formy_platnosci", 2, 1, true, "zs"},
      {"Jednostki_metryczne", 3, 1, true, "zs"},
      {"Magazyny", 4, 1, true, "zsssszzzt"},
      {"Naprawy", 5, 1, true, "zstzzzzzstgttttszgizsssssssssz"},
      {"Naprawy_przyjmujacy", 6, 1, true, "zz"},
      {"Naprawy_wykonawcy", 7, 1, true, "zz"},
      {"Naprawy_typy", 8, 1, true, "zssssssssssssi"},
      {"Naprawy_stany", 9, 1, true, "zss"},
      {"Panstwa", 10, 1, true, "zsz"},
      {"Serwis", 11, 1, true, "zzzssssssssssztzt"},
      {"Serwis_zewnetrzny", 12, 1, true, "zzzgs"},
      {"Stawki_VAT", 13, 1, true, "zss"},
      {"Towary", 14, 1, true, "zsssssgggggszzzggttti"},
      {"Towary_magazyn", 15, 1, true, "zgzz"},
      {"Towary_transakcje", 16, 1, true, "zzzggz"},
      {"Towary_typy", 17, 1, true, "zss"},
      {"Transakcje", 18, 1, true, "zsttgszzztccgzi"},
      {"Transakcje_typy", 19, 1, true, "zss"},
      {"Waluty", 20, 1, true, "zsg"},
      {"Kody_poczt", 21, 1, false, "ss"},
      {"Serwis_typy", 22, 1, true, "zss"},
      {"Serwis_ramy", 23, 1, true, "zss"},
      {"Serwis_kolory", 24, 1, true, "zss"},
      {"Towary_rodzaje", 25, 1, true, "zssz"},
      {"Plany", 26, 2, true, "zzzzzzttgssti"},
      {"Karty", 27, 2, true, "zszzzzszzztsssszzssssstgggt"},
      {"Karty_wykonane_prace", 28, 2, true, "zzzsszg"},
      {"Karty_wymienione_czesci", 29, 2, true, "zzzsszg"},
      {"Srodki_transportu", 30, 2, true, "zssgsst"},
      {"Koszty", 31, 2, true, "zzzzg"},
      {"Dojazdy", 32, 2, true, "zzttzgzggzgsst"},
      {"Serwisanci_koszty", 33, 2, true, "zzzzgt"},
      {"Cykle", 34, 2, true, "zzzztttiigiiisssst"},
      {"Transakcje_ext", 35, 2, true, "z" + rep('s', 8) + rep('t', 4) + rep('g', 4)},
      {"Naprawy_ext", 36, 2, true, "z" + rep('s', 9) + rep('t', 4) + rep('g', 4) + rep('i', 4)},
      {"Sprzet_ext", 37, 2, true, "z" + rep('s', 40) + rep('t', 10) + rep('g', 10) + rep('i', 10)},
      {"Naprawy_roczna", 38, 2, true, "zz" + rep('s', 100) + rep('t', 10) + rep('g', 10) + rep('i', 10)},
  };
  return e;
}

struct Declared {
  std::string name;
  int slot, generation;
  bool header_line, own_loader, has_update;
  std::string kinds;
  std::vector<std::string> names;
};

template <class... T>
std::vector<Declared> declared(vtab_tables<T...>) {
  std::vector<Declared> out;
  auto one = [&](auto* tag) {
    using R = std::remove_pointer_t<decltype(tag)>;
    using M = vtab_meta<R>;
    Declared d{M::name, M::options.mgs_slot, M::generation, M::options.header_line, M::options.own_loader,
               vtab_api<R>::tab_update != nullptr, M::field_kinds, {}};
    for (int i = 0; i < M::field_count; ++i) d.names.push_back(M::field_names[i]);
    out.push_back(d);
  };
  (one(static_cast<T*>(nullptr)), ...);
  return out;
}

TEST(Tables, EveryRootSlotHoldsItsTableWithItsFileRulesAndFieldKinds) {
  std::vector<Declared> got = declared(vtab_all_tables{});
  const std::vector<Expected>& want = expected();
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(want[i].name);
    EXPECT_EQ(got[i].name, want[i].name) << "tables listed in slot order";
    EXPECT_EQ(got[i].slot, want[i].slot);
    EXPECT_EQ(got[i].generation, want[i].generation);
    EXPECT_EQ(got[i].has_update, want[i].generation == 2);
    EXPECT_EQ(got[i].header_line, want[i].header_line);
    EXPECT_EQ(got[i].own_loader, got[i].name == "Naprawy_roczna");
    EXPECT_EQ(got[i].kinds, want[i].kinds);
  }
}

TEST(Tables, SlotFieldsAreNumberedAsTheExtensionPagesNameThem) {
  // Spot checks of the numbered slots: their place in the record is their
  // column in the file.
  struct Case {
    const char* table;
    int pos;  // 0-based, the key being 0
    const char* field;
  };
  const Case cases[] = {
      {"Transakcje_ext", 1, "s1"},  {"Transakcje_ext", 16, "g4"}, {"Naprawy_ext", 0, "Id_Naprawy"},
      {"Naprawy_ext", 18, "i1"},    {"Naprawy_ext", 21, "i4"},    {"Sprzet_ext", 0, "Id_Serwis"},
      {"Sprzet_ext", 1, "s00"},     {"Sprzet_ext", 40, "s39"},    {"Sprzet_ext", 41, "t00"},
      {"Sprzet_ext", 61, "i00"},    {"Sprzet_ext", 70, "i09"},    {"Naprawy_roczna", 1, "Id_Serwis"},
      {"Naprawy_roczna", 2, "s00"}, {"Naprawy_roczna", 101, "s99"}, {"Naprawy_roczna", 102, "t00"},
      {"Naprawy_roczna", 112, "g00"}, {"Naprawy_roczna", 131, "i09"}, {"Transakcje", 2, "data_transkacji"},
  };
  std::vector<Declared> got = declared(vtab_all_tables{});
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.table) + " " + c.field);
    auto t = std::find_if(got.begin(), got.end(), [&](const Declared& d) { return d.name == c.table; });
    ASSERT_NE(t, got.end());
    ASSERT_LT(static_cast<std::size_t>(c.pos), t->names.size());
    EXPECT_EQ(t->names[static_cast<std::size_t>(c.pos)], c.field);
  }
}

// The repairs table has no maximum of its key: a new repair's Id comes from
// the range it falls in.
static_assert(Naprawy_Id_ops::max == nullptr);
static_assert(NAPRAWY_ID_PLANOWANE == 1000000u);

// The postcode table is keyed by the postcode text.
static_assert(std::is_same_v<vtab_meta<Kody_poczt>::key_kind, vtab_kind_s>);

}  // namespace
