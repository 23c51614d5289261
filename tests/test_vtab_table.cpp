// The generated tables: the suite of tests/vtab_table_suite.hpp runs over
// every declared table (this file registers one share of them), then the
// behaviour of particular tables and shapes.
#define ALLOC_FAULT_OPERATORS
#include "tests/alloc_fault.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstdio>
#include <string>
#include <vector>

#include "db/all_tables.hpp"
#include "db/vtab_engine.hpp"
#include "db/vtab_key_map.hpp"
#include "tests/vtab_table_shapes.hpp"
#include "tests/vtab_table_suite.hpp"

static const bool registered = vtab_suite::register_part<vtab_suite::kParts, 0>();

static_assert(Vt_repairs_Id_ops::max == nullptr, "a table without the key's maximum");
static_assert(Vt_plans_Id_ops::upd == nullptr, "no by-key update of the key");
static_assert(Firmy_nazwa_ops::upd == nullptr && vtab_api<Firmy>::tab_update == nullptr);
static_assert(vtab_meta<Vt_sessions>::index_count == 4 && vtab_meta<Vt_users>::index_count == 3);
static_assert(!vtab_meta<Vt_postcodes>::options.header_line && vtab_meta<Firmy>::options.header_line);
static_assert(vtab_meta<Vt_repairs>::options.own_loader && !vtab_meta<Firmy>::options.own_loader);
static_assert(vtab_meta<Firmy>::options.mgs_slot == 0 && vtab_meta<Towary_magazyn>::options.mgs_slot == 15);
static_assert(std::string_view(vtab_meta<Firmy>::field_kinds) == "zssssssssssssss" "zzti");
static_assert(vtab_meta<Vt_users>::f_created_time == 3 && vtab_meta<Vt_users>::index_slot(3) == 1);

namespace {

// --- Particular tables --------------------------------------------------------------

template <class T>
std::vector<uint32_t> ids(vtab_ref<T>* ref) {
  std::vector<uint32_t> out;
  for (tab_ref_elem* e = ref->first; e != nullptr; e = e->next) out.push_back(vtab_row<T>(e)->Id);
  vtab_engine<T>::ref_delete(&ref);
  return out;
}

class FirmyTest : public ::testing::Test {
 protected:
  void SetUp() override { tab = Firmy_tab_new(); }
  void TearDown() override { Firmy_tab_delete(&tab); }
  void add(uint32_t id, const char* name, int32_t flags = 0) {
    Firmy f{};
    f.Id = id;
    f.nazwa = name;
    f.flags = flags;
    ASSERT_EQ(Firmy_tab_insert(tab, &f), 0);
  }
  Firmy_tab* tab = nullptr;
};

// The walk in key order lists what the key query lists, the walk backwards
// from a key lists the records before it, and the key map answers as the key
// look-up does: with keys filling their range (read from an array) and keys
// spread over the whole range (searched), a key given twice (its first
// record), and keys that are not there.
TEST_F(FirmyTest, WalksInKeyOrderAndTheKeyMapAnswerAsTheKeyQueries) {
  const std::vector<std::vector<uint32_t>> cases = {
      {},
      {0},
      {5, 3, 9, 1, 2, 8, 7, 4, 6},
      {4000000000u, 1, 0xFFFFFFFFu, 70000, 12},
      {3, 3, 10, 2, 10},
  };
  for (const auto& keys : cases) {
    Firmy_tab_delete(&tab);
    tab = Firmy_tab_new();
    int n = 0;
    for (uint32_t k : keys) add(k, ("firma " + std::to_string(n++)).c_str());
    std::vector<const Firmy*> walked, listed;
    vtab_for_each_by_key<Firmy>(tab, [&](const Firmy& f, bool) { walked.push_back(&f); });
    Firmy_ref* all = Firmy_tab_gets_Id(tab, 0, VTAB_CMP_GE);
    for (tab_ref_elem* e = all->first; e != nullptr; e = e->next) listed.push_back(vtab_row<Firmy>(e));
    Firmy_ref_delete(&all);
    EXPECT_EQ(walked, listed) << "every record in the order of the key query";
    std::vector<uint32_t> probes = {0, 1, 2, 11, 13, 69999, 70001, 4000000001u, 0xFFFFFFFEu, 0xFFFFFFFFu};
    probes.insert(probes.end(), keys.begin(), keys.end());
    // Backwards from each key: the records before its first one, reversed.
    for (uint32_t k : probes) {
      std::vector<const Firmy*> back;
      const bool there = vtab_back_from_key<Firmy>(tab, k, [&](const Firmy& f) {
        back.push_back(&f);
        return true;
      });
      const auto at = std::find_if(listed.begin(), listed.end(), [&](const Firmy* f) { return f->Id == k; });
      ASSERT_EQ(there, at != listed.end()) << "key " << k;
      if (!there) continue;
      EXPECT_EQ(back, std::vector<const Firmy*>(std::make_reverse_iterator(at + 1), listed.rend())) << "key " << k;
      int asked = 0;
      vtab_back_from_key<Firmy>(tab, k, [&](const Firmy&) { return ++asked < 2; });
      EXPECT_EQ(asked, std::min<int>(2, static_cast<int>(back.size()))) << "stops when told";
    }
    const vtab_key_map<Firmy> map(tab);
    for (uint32_t k : probes)
      EXPECT_EQ(map.find(k), Firmy_tab_get_Id(tab, k, VTAB_CMP_EQUAL)) << "key " << k << " of " << keys.size();
  }
  EXPECT_EQ(vtab_key_map<Firmy>(nullptr).find(1), nullptr);
}

TEST_F(FirmyTest, KeyQueriesWalkTheIndexAndScansKeepListOrder) {
  uint32_t max = 99;
  EXPECT_EQ(Firmy_tab_max_Id(tab, &max), -1);
  EXPECT_EQ(max, 99u) << "output untouched on an empty table";
  for (uint32_t id : {7u, 3u, 5u, 1u}) add(id, "x");
  using V = std::vector<uint32_t>;
  EXPECT_EQ(ids(Firmy_tab_gets_Id(tab, 5, VTAB_CMP_LE)), V({1, 3, 5}));
  EXPECT_EQ(ids(Firmy_tab_gets_Id(tab, 5, VTAB_CMP_NEQUAL)), V({7, 3, 1}));
  EXPECT_EQ(ids(Firmy_tab_gets_Id(tab, 3, VTAB_CMP_GREAT)), V({5, 7}));
  EXPECT_EQ(ids(Firmy_tab_sub_Id(tab, 2, 7)), V({3, 5, 7}));
  EXPECT_EQ(ids(Firmy_tab_sub_Id(tab, 7, 2)), V());
  EXPECT_EQ(Firmy_tab_get_Id(tab, 0, VTAB_CMP_EQUAL), nullptr);
  ASSERT_NE(Firmy_tab_get_Id(tab, 5, VTAB_CMP_EQUAL), nullptr);
  EXPECT_EQ(Firmy_tab_get_Id(tab, 5, VTAB_CMP_EQUAL)->Id, 5u);
  for (int code : std::initializer_list<int>{0, VTAB_CMP_LIKE, VTAB_CMP_LIKEIC, VTAB_CMP_LIKEX, VTAB_CMP_LIKEICX, VTAB_CMP_NEQIC, 12}) {
    Firmy_ref* ref = Firmy_tab_gets_Id(tab, 5, code);
    ASSERT_NE(ref, nullptr) << code;
    EXPECT_EQ(ref->size, 0) << code;
    Firmy_ref_delete(&ref);
    ref = Firmy_tab_gets_flags(tab, 0, code);
    EXPECT_EQ(ref->size, 0) << code;
    Firmy_ref_delete(&ref);
  }
  EXPECT_EQ(Firmy_tab_max_Id(tab, &max), 0);
  EXPECT_EQ(max, 7u);

  // Re-keying moves the record in the index.
  Firmy_ref* ref = Firmy_tab_gets_Id(tab, 3, VTAB_CMP_EQUAL);
  EXPECT_EQ(Firmy_tab_update_Id(tab, ref, 9), 0);
  Firmy_ref_delete(&ref);
  EXPECT_EQ(Firmy_tab_get_Id(tab, 3, VTAB_CMP_EQUAL), nullptr);
  EXPECT_EQ(ids(Firmy_tab_gets_Id(tab, 0, VTAB_CMP_GE)), V({1, 5, 7, 9}));
}

TEST_F(FirmyTest, NamePatterns) {
  add(1, "Kowalski");
  add(2, "kowalczyk");
  add(3, "KOWAL");
  add(4, "Nowak");
  add(5, "\xA3\xD3" "D\x8F");  // capitals with Polish marks
  add(6, nullptr);
  using V = std::vector<uint32_t>;
  EXPECT_EQ(ids(Firmy_tab_gets_nazwa(tab, "Kow*", VTAB_CMP_LIKE)), V({1}));
  EXPECT_EQ(ids(Firmy_tab_gets_nazwa(tab, "kow*", VTAB_CMP_LIKEIC)), V({1, 2, 3}));
  EXPECT_EQ(ids(Firmy_tab_gets_nazwa(tab, "\xB3\xF3" "d*", VTAB_CMP_LIKEIC)), V({5}));
  EXPECT_EQ(ids(Firmy_tab_gets_nazwa(tab, "*", VTAB_CMP_LIKE)), V({1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(ids(Firmy_tab_gets_nazwa(tab, "kow*", VTAB_CMP_LIKEICX)), V());
  EXPECT_EQ(ids(Firmy_tab_gets_nazwa(tab, "Nowak", VTAB_CMP_EQUAL)), V({4}));
  EXPECT_EQ(ids(Firmy_tab_gets_nazwa(tab, "", VTAB_CMP_EQUAL)), V({6})) << "a missing name is the empty text";

  ::testing::internal::CaptureStdout();
  Firmy_ref* ref = Firmy_tab_gets_nazwa(tab, "kow*", VTAB_CMP_NEQIC);
  std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(ids(ref), V({4, 5, 6}));
  char line[128];
  std::snprintf(line, sizeof line, "Firmy_tab_gets_nazwa(CMP_NEQIC): all_size=6 listelem=0x%08X\n",
                static_cast<unsigned>(reinterpret_cast<uintptr_t>(tab->first) & 0xFFFFFFFFu));
  EXPECT_EQ(out, line);

  const char* name = nullptr;
  EXPECT_EQ(Firmy_tab_max_nazwa(tab, &name), 0);
  EXPECT_EQ(name, Firmy_tab_get_Id(tab, 5, VTAB_CMP_EQUAL)->nazwa.get()) << "bytes above 0x7F last";
  EXPECT_EQ(ids(Firmy_tab_sub_nazwa(tab, "A", "Z")), V({1, 3, 4})) << "byte-wise: small letters after capitals";
  EXPECT_EQ(Firmy_tab_min_nazwa(tab, &name), 0);
  EXPECT_EQ(name, nullptr) << "the missing name is the smallest, and its own value is reported";
}

TEST(VtabOrder, EachKindComparesByItsOwnRule) {
  auto cmp = [](auto fn, auto fill_a, auto fill_b, auto row) {
    auto a = row, b = row;
    fill_a(a);
    fill_b(b);
    vtab_listelem<decltype(row)> la{&a, nullptr, nullptr}, lb{&b, nullptr, nullptr};
    int r = fn(&la, &lb);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
  };
  Firmy f{};
  Towary_magazyn t{};
  Vt_repairs r{};
  Vt_sessions s{};
  EXPECT_EQ(cmp(Firmy_Id_cmp, [](Firmy& x) { x.Id = 0x80000000u; }, [](Firmy& x) { x.Id = 1; }, f), 1);
  EXPECT_EQ(cmp(Firmy_flags_cmp, [](Firmy& x) { x.flags = INT32_MIN; }, [](Firmy& x) { x.flags = 1; }, f), -1);
  EXPECT_EQ(cmp(Firmy_czas_modyfikacji_cmp, [](Firmy& x) { x.czas_modyfikacji = 4102444800LL; },
                [](Firmy& x) { x.czas_modyfikacji = 2147483647; }, f),
            1);
  EXPECT_EQ(cmp(Firmy_nazwa_cmp, [](Firmy& x) { x.nazwa = "B"; }, [](Firmy& x) { x.nazwa = "a"; }, f), -1);
  EXPECT_EQ(cmp(Firmy_nazwa_cmp, [](Firmy& x) { x.nazwa = "\xE5"; }, [](Firmy& x) { x.nazwa = "z"; }, f), 1);
  EXPECT_EQ(cmp(Firmy_nazwa_cmp, [](Firmy& x) { x.nazwa.reset(); }, [](Firmy& x) { x.nazwa = ""; }, f), 0);
  EXPECT_EQ(cmp(Firmy_nazwa_cmp, [](Firmy& x) { x.nazwa.reset(); }, [](Firmy& x) { x.nazwa = "a"; }, f), -1);
  EXPECT_EQ(cmp(Towary_magazyn_liczba_sztuk_cmp, [](Towary_magazyn& x) { x.liczba_sztuk = NAN; },
                [](Towary_magazyn& x) { x.liczba_sztuk = 1; }, t),
            0);
  EXPECT_EQ(cmp(Towary_magazyn_liczba_sztuk_cmp, [](Towary_magazyn& x) { x.liczba_sztuk = -0.01; },
                [](Towary_magazyn& x) { x.liczba_sztuk = 0; }, t),
            -1);
  EXPECT_EQ(cmp(Vt_repairs_wydrukowano_cmp, [](Vt_repairs& x) { x.wydrukowano = '\x80'; },
                [](Vt_repairs& x) { x.wydrukowano = 'N'; }, r),
            -1);
  // Missing texts last, and equal to each other.
  EXPECT_EQ(cmp(Vt_sessions_address_ip_cmp, [](Vt_sessions& x) { x.address_ip.reset(); },
                [](Vt_sessions& x) { x.address_ip = "zzz"; }, s),
            1);
  EXPECT_EQ(cmp(Vt_sessions_address_ip_cmp, [](Vt_sessions& x) { x.address_ip.reset(); },
                [](Vt_sessions& x) { x.address_ip.reset(); }, s),
            0);
}

// A key changed behind the index's back: removing the record must not leave
// it in the index.
TEST_F(FirmyTest, KeyChangedInPlaceIsStillRemovedWhole) {
  for (uint32_t id = 1; id <= 20; ++id) add(id, "x");
  Firmy* f = Firmy_tab_get_Id(tab, 5, VTAB_CMP_EQUAL);
  f->Id = 100;
  Firmy_ref* ref = Firmy_tab_gets_nazwa(tab, "x", VTAB_CMP_EQUAL);
  Firmy_ref* one = Firmy_ref_new();
  for (tab_ref_elem* e = ref->first; e != nullptr; e = e->next)
    if (vtab_row<Firmy>(e) == f) Firmy_ref_append(one, static_cast<Firmy_listelem*>(e->listelem));
  Firmy_ref_delete(&ref);
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(Firmy_tab_removes(tab, one), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Firmy: index of 'Id' out of order, rebuilt\n");
  Firmy_ref_delete(&one);
  EXPECT_EQ(tab->size, 19);
  std::vector<uint32_t> want;
  for (uint32_t id = 1; id <= 20; ++id)
    if (id != 5) want.push_back(id);
  EXPECT_EQ(ids(Firmy_tab_gets_Id(tab, 0, VTAB_CMP_GE)), want);
}

TEST(SessionsShape, MissingCodesSortLastAndLeaveCleanly) {
  Vt_sessions_tab* tab = Vt_sessions_tab_new();
  auto add = [&](uint32_t id, const char* code) {
    Vt_sessions s{};
    s.Id = id;
    s.address_ip = code;
    s.state = 'i';
    ASSERT_EQ(Vt_sessions_tab_insert(tab, &s), 0);
  };
  add(1, nullptr);
  add(2, "k2");
  add(3, nullptr);
  add(4, "k1");
  const char* code = "unset";
  EXPECT_EQ(Vt_sessions_tab_min_address_ip(tab, &code), 0);
  EXPECT_STREQ(code, "k1");
  EXPECT_EQ(Vt_sessions_tab_max_address_ip(tab, &code), 0);
  EXPECT_EQ(code, nullptr);
  using V = std::vector<uint32_t>;
  EXPECT_EQ(ids(Vt_sessions_tab_gets_address_ip(tab, "k2", VTAB_CMP_GE)), V({2, 1, 3}));
  EXPECT_EQ(ids(Vt_sessions_tab_gets_address_ip(tab, nullptr, VTAB_CMP_EQUAL)), V({1, 3}));
  // Both sessions without a code go, and the index holds exactly the rest.
  Vt_sessions_ref* ref = Vt_sessions_tab_gets_address_ip(tab, nullptr, VTAB_CMP_EQUAL);
  ::testing::internal::CaptureStdout();
  Vt_sessions_tab_removes(tab, ref);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "") << "found by value, no rebuild";
  Vt_sessions_ref_delete(&ref);
  EXPECT_EQ(ids(Vt_sessions_tab_gets_address_ip(tab, "", VTAB_CMP_GE)), V({4, 2}));
  // A new code re-indexes at once.
  ref = Vt_sessions_tab_gets_Id(tab, 4, VTAB_CMP_EQUAL);
  EXPECT_EQ(Vt_sessions_tab_update_address_ip(tab, ref, "k9"), 0);
  Vt_sessions_ref_delete(&ref);
  EXPECT_EQ(ids(Vt_sessions_tab_gets_address_ip(tab, "", VTAB_CMP_GE)), V({2, 4}));
  EXPECT_EQ(Vt_sessions_tab_get_address_ip(tab, "k1", VTAB_CMP_EQUAL), nullptr);
  Vt_sessions_tab_delete(&tab);
}

TEST(UsersShape, TypeIndexFollowsEveryChange) {
  Vt_users_tab* tab = Vt_users_tab_new();
  for (uint32_t id : {1u, 2u, 3u}) {
    Vt_users u{};
    u.Id = id;
    u.user_name = "u";
    u.created_time = 1000 - id;
    u.Id_User_types = id == 3 ? 2 : 1;
    ASSERT_EQ(Vt_users_tab_insert(tab, &u), 0);
  }
  using V = std::vector<uint32_t>;
  EXPECT_EQ(ids(Vt_users_tab_gets_Id_User_types(tab, 1, VTAB_CMP_EQUAL)), V({1, 2}));
  // One administrator becomes a worker: the other is still found.
  Vt_users_ref* ref = Vt_users_tab_gets_Id(tab, 1, VTAB_CMP_EQUAL);
  EXPECT_EQ(Vt_users_tab_update_Id_User_types(tab, ref, 2), 0);
  Vt_users_ref_delete(&ref);
  EXPECT_EQ(ids(Vt_users_tab_gets_Id_User_types(tab, 1, VTAB_CMP_EQUAL)), V({2}));
  EXPECT_EQ(ids(Vt_users_tab_gets_Id_User_types(tab, 2, VTAB_CMP_EQUAL)), V({3, 1}));
  EXPECT_EQ(Vt_users_tab_upd_Id_User_types(tab, 3, 1), 0);
  EXPECT_EQ(ids(Vt_users_tab_gets_Id_User_types(tab, 1, VTAB_CMP_EQUAL)), V({2, 3}));
  int64_t t = 0;
  EXPECT_EQ(Vt_users_tab_max_created_time(tab, &t), 0);
  EXPECT_EQ(t, 999);
  EXPECT_EQ(Vt_users_tab_min_created_time(tab, &t), 0);
  EXPECT_EQ(t, 997);
  // Removing a user takes it out of all three indexes.
  ref = Vt_users_tab_gets_Id(tab, 2, VTAB_CMP_EQUAL);
  Vt_users_tab_removes(tab, ref);
  Vt_users_ref_delete(&ref);
  EXPECT_EQ(ids(Vt_users_tab_gets_Id_User_types(tab, 1, VTAB_CMP_EQUAL)), V({3}));
  EXPECT_EQ(ids(Vt_users_tab_sub_created_time(tab, 0, 2000)), V({3, 1}));
  Vt_users_tab_delete(&tab);
}

TEST(PostcodesShape, TextKey) {
  Vt_postcodes_tab* tab = Vt_postcodes_tab_new();
  for (const char* pna : {"31-000", "00-950", "80-001", "00-950"}) {
    Vt_postcodes p{};
    p.pna = pna;
    p.miasto = pna[0] == '0' ? "Warszawa" : "inne";
    ASSERT_EQ(Vt_postcodes_tab_insert(tab, &p), 0);
  }
  auto pnas = [](Vt_postcodes_ref* ref) {
    std::vector<std::string> out;
    for (tab_ref_elem* e = ref->first; e != nullptr; e = e->next) out.push_back(vtab_row<Vt_postcodes>(e)->pna.str());
    Vt_postcodes_ref_delete(&ref);
    return out;
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(pnas(Vt_postcodes_tab_gets_pna(tab, "31-000", VTAB_CMP_LE)), V({"00-950", "00-950", "31-000"}));
  EXPECT_EQ(pnas(Vt_postcodes_tab_gets_pna(tab, "*950", VTAB_CMP_LIKE)), V({"00-950", "00-950"}));
  EXPECT_EQ(pnas(Vt_postcodes_tab_gets_pna(tab, "*0*", VTAB_CMP_LIKE)), V({"31-000", "00-950", "80-001", "00-950"}))
      << "list order";
  EXPECT_EQ(pnas(Vt_postcodes_tab_gets_pna(tab, "00-950", VTAB_CMP_NEQUAL)), V({"31-000", "80-001"}));
  ASSERT_NE(Vt_postcodes_tab_get_pna(tab, "00-950", VTAB_CMP_EQUAL), nullptr);
  EXPECT_STREQ(Vt_postcodes_tab_get_pna(tab, "00-950", VTAB_CMP_EQUAL)->miasto.get(), "Warszawa");
  EXPECT_EQ(Vt_postcodes_tab_get_pna(tab, "99-999", VTAB_CMP_EQUAL), nullptr);
  const char* first = nullptr;
  EXPECT_EQ(Vt_postcodes_tab_max_pna(tab, &first), 0);
  EXPECT_STREQ(first, "80-001");
  // Re-keying through the index.
  Vt_postcodes_ref* ref = Vt_postcodes_tab_gets_pna(tab, "80-001", VTAB_CMP_EQUAL);
  EXPECT_EQ(Vt_postcodes_tab_update_pna(tab, ref, "01-001"), 0);
  Vt_postcodes_ref_delete(&ref);
  EXPECT_EQ(pnas(Vt_postcodes_tab_sub_pna(tab, "00-000", "09-999")), V({"00-950", "00-950", "01-001"}));
  Vt_postcodes_tab_delete(&tab);
}

}  // namespace
