// The generated table: one typed suite runs over every declared table (and
// over a few tables of the shapes later tables need, declared here), then
// fixtures for the behaviour of particular tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "db/all_tables.hpp"
#include "db/vtab_engine.hpp"
#include "tests/alloc_fault.hpp"

// --- Tables of the shapes that later tables need ------------------------------

// Several indexes, one of them on a text whose missing values sort last.
#define Vt_sessions_FIELDS(X, T) \
  X(T, Id, z, mkey)              \
  X(T, Id_Users, z, midx)        \
  X(T, address_ip, s, midx)      \
  X(T, loggin_time, t, midx)     \
  X(T, state, c, col)
VTAB_DECLARE(Vt_sessions, 1)
template <>
struct vtab_order<&Vt_sessions::address_ip> {
  static int cmp(const ostr& a, const ostr& b) {
    if (a.is_null() || b.is_null()) return a.is_null() == b.is_null() ? 0 : (a.is_null() ? 1 : -1);
    return a.compare(b);
  }
};
VTAB_DEFINE(Vt_sessions, 1)

// Several indexes and the second generation.
#define Vt_users_FIELDS(X, T) \
  X(T, Id, z, mkey)           \
  X(T, user_name, s, col)     \
  X(T, user_passwd, s, col)   \
  X(T, created_time, t, midx) \
  X(T, Id_User_types, z, midx)
VTAB_DECLARE(Vt_users, 2)
VTAB_DEFINE(Vt_users, 2)

// A text key.
#define Vt_postcodes_FIELDS(X, T) \
  X(T, pna, s, key)               \
  X(T, miasto, s, col)
VTAB_DECLARE(Vt_postcodes, 1, .header_line = false)
VTAB_DEFINE(Vt_postcodes, 1)

// No maximum of the key; one-character fields.
#define Vt_repairs_FIELDS(X, T) \
  X(T, Id, z, key_nomax)        \
  X(T, numer, s, col)           \
  X(T, koszt, g, col)           \
  X(T, wydrukowano, c, col)     \
  X(T, odebrano, c, col)
VTAB_DECLARE(Vt_repairs, 1, .own_loader = true)
VTAB_DEFINE(Vt_repairs, 1)

// The second generation over every number kind.
#define Vt_plans_FIELDS(X, T) \
  X(T, Id, z, key)            \
  X(T, Id_Serwis, z, col)     \
  X(T, data, t, col)          \
  X(T, koszt, g, col)         \
  X(T, opis, s, col)          \
  X(T, flags, i, col)
VTAB_DECLARE(Vt_plans, 2)
VTAB_DEFINE(Vt_plans, 2)

static_assert(Vt_repairs_Id_ops::max == nullptr, "a table without the key's maximum");
static_assert(Vt_plans_Id_ops::upd == nullptr, "no by-key update of the key");
static_assert(Firmy_nazwa_ops::upd == nullptr && vtab_api<Firmy>::tab_update == nullptr);
static_assert(vtab_meta<Vt_sessions>::index_count == 4 && vtab_meta<Vt_users>::index_count == 3);
static_assert(!vtab_meta<Vt_postcodes>::options.header_line && vtab_meta<Firmy>::options.header_line);
static_assert(vtab_meta<Firmy>::options.mgs_slot == 0 && vtab_meta<Towary_magazyn>::options.mgs_slot == 15);
static_assert(std::string_view(vtab_meta<Firmy>::field_kinds) == "zssssssssssssss" "zzti");

namespace {

// --- Values -------------------------------------------------------------------

// Seven values a kind, with the corners of each order: unsigned above the
// signed range, times beyond 32 bits, characters above 0x7F (negative bytes),
// a missing text beside the empty one.
template <class K>
std::vector<typename K::type> pool();
template <>
std::vector<uint32_t> pool<vtab_kind_z>() {
  return {0u, 1u, 2u, 7u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
}
template <>
std::vector<int64_t> pool<vtab_kind_t>() {
  return {-86400, 0, 1, 1700000000, 4102444800LL, -1, 5};
}
template <>
std::vector<int32_t> pool<vtab_kind_i>() {
  return {-5, 0, 3, INT32_MIN, INT32_MAX, -1, 42};
}
template <>
std::vector<double> pool<vtab_kind_g>() {
  return {-1.5, 0.0, 2.25, 1e9, 0.5, -1e-3, 100.0};
}
template <>
std::vector<char> pool<vtab_kind_c>() {
  return {'N', 'T', 'a', '\xE5', '0', '\x80', 'Z'};
}
template <>
std::vector<ostr> pool<vtab_kind_s>() {
  return {ostr(), ostr(""), ostr("abc"), ostr("Abd"), ostr("\xA5ka"), ostr("zeta"), ostr("ab'c")};
}

// A value no pooled record holds.
template <class K>
typename K::type absent() {
  if constexpr (std::is_same_v<K, vtab_kind_s>) return ostr("absent");
  else return typename K::type(77);
}

// Patterns for the pattern codes; "\xB9" is a small a with ogonek.
const char* const kPatterns[] = {"ab*", "AB*", "*c", "*b*", "abc", "", "*", "\xB9K*", "zeta", "*d"};

template <class F>
typename F::kind::arg arg(const typename F::type& v) {
  if constexpr (std::is_same_v<typename F::type, ostr>) return v.get();
  else return v;
}

template <class T>
T make_row(int n) {
  T r{};
  vtab_meta<T>::for_each_field([&](auto f) {
    using F = decltype(f);
    auto p = pool<typename F::kind>();
    F::of(r) = p[static_cast<size_t>(n * (F::pos % 6 + 1) + F::pos) % p.size()];
  });
  return r;
}

// A row whose texts are too long to live inside the string object, so that
// each text copy allocates.
template <class T>
T long_row(int n) {
  T r = make_row<T>(n);
  vtab_meta<T>::for_each_field([&](auto f) {
    using F = decltype(f);
    if constexpr (std::is_same_v<typename F::type, ostr>)
      F::of(r) = "a text of " + std::string(F::name()) + " long enough to be allocated";
  });
  return r;
}

template <class T>
bool same_row(const T& a, const T& b) {
  bool same = true;
  vtab_meta<T>::for_each_field([&](auto f) {
    using F = decltype(f);
    if constexpr (std::is_same_v<typename F::type, double>) {
      if (std::memcmp(&F::of(a), &F::of(b), sizeof(double)) != 0) same = false;
    } else if (!(F::of(a) == F::of(b))) {
      same = false;
    }
  });
  return same;
}

bool ordered_code(int code) { return (code >= 1 && code <= 5) || code == 10; }

bool keeps(int code, int r) {
  switch (code) {
    case VTAB_CMP_LE: return r <= 0;
    case VTAB_CMP_GE: return r >= 0;
    case VTAB_CMP_EQUAL: return r == 0;
    case VTAB_CMP_LESS: return r < 0;
    case VTAB_CMP_GREAT: return r > 0;
    case VTAB_CMP_NEQUAL: return r != 0;
    default: return false;
  }
}

template <class... A, class... B>
vtab_tables<A..., B...> join(vtab_tables<A...>, vtab_tables<B...>);
using Tables = decltype(join(vtab_all_tables{}, vtab_tables<Vt_sessions, Vt_users, Vt_postcodes, Vt_repairs, Vt_plans>{}));

template <class... T>
::testing::Types<T...> as_types(vtab_tables<T...>);
template <class... A, class... B>
vtab_tables<A..., B...> operator+(vtab_tables<A...>, vtab_tables<B...>) {
  return {};
}
template <class T>
auto if_second(T*) {
  if constexpr (vtab_meta<T>::generation == 2) return vtab_tables<T>{};
  else return vtab_tables<>{};
}
template <class... T>
auto second_generation(vtab_tables<T...>) {
  return (vtab_tables<>{} + ... + if_second(static_cast<T*>(nullptr)));
}

using AllTables = decltype(as_types(Tables{}));
using SecondGenerationTables = decltype(as_types(second_generation(Tables{})));

// --- The fixture: a table and its model -------------------------------------------

template <class T>
class TableTest : public ::testing::Test {
 protected:
  using M = vtab_meta<T>;
  using A = vtab_api<T>;
  using Tab = typename M::tab;
  using L = vtab_listelem<T>;
  using Ref = vtab_ref<T>;

  // A record as the table should hold it: its element, its values, and per
  // index the moment it entered it (equal keys keep that order) or -1 when it
  // is out of that index.
  struct Entry {
    L* elem;
    T shadow;
    std::array<long, 8> stamp;
  };

  void SetUp() override {
    tab = A::tab_new();
    ASSERT_NE(tab, nullptr);
  }
  void TearDown() override {
    EXPECT_EQ(A::tab_delete(&tab), 0);
    EXPECT_EQ(tab, nullptr);
  }

  void insert(const T& row) {
    ASSERT_EQ(A::tab_insert(tab, &row), 0);
    Entry e{tab->last, row, {}};
    for (long& s : e.stamp) s = ++clock;
    model.push_back(e);
  }
  void fill(int n) {
    for (int i = 0; i < n; ++i) insert(make_row<T>(i));
  }

  Entry* entry_of(const void* elem) {
    for (Entry& e : model)
      if (e.elem == elem) return &e;
    ADD_FAILURE() << "element not in the model";
    return nullptr;
  }

  static std::vector<const void*> elems(const Ref* ref) {
    std::vector<const void*> out;
    const tab_ref_elem* last = nullptr;
    for (const tab_ref_elem* e = ref->first; e != nullptr; e = e->next) {
      out.push_back(e->listelem);
      last = e;
    }
    EXPECT_EQ(ref->last, last);
    EXPECT_EQ(static_cast<size_t>(ref->size), out.size());
    return out;
  }
  static std::vector<const void*> elems(const std::vector<const Entry*>& es) {
    std::vector<const void*> out;
    for (const Entry* e : es) out.push_back(e->elem);
    return out;
  }

  template <class F>
  static int cmpv(const typename F::type& a, const typename F::type& b) {
    T ra{}, rb{};
    F::of(ra) = a;
    F::of(rb) = b;
    L la{&ra, nullptr, nullptr}, lb{&rb, nullptr, nullptr};
    return F::ops::cmp(&la, &lb);
  }

  // Sorts hits as an index walk gives them: by value, equal values in the
  // order they entered the index; drops those out of the index.
  template <class F>
  static void index_order(std::vector<const Entry*>* hits) {
    constexpr int slot = M::index_slot(F::pos);
    std::erase_if(*hits, [](const Entry* e) { return e->stamp[slot] < 0; });
    std::stable_sort(hits->begin(), hits->end(), [](const Entry* a, const Entry* b) {
      int c = cmpv<F>(F::of(a->shadow), F::of(b->shadow));
      return c < 0 || (c == 0 && a->stamp[slot] < b->stamp[slot]);
    });
  }

  template <class F>
  std::vector<const Entry*> expect_gets(const typename F::type& v, int code) const {
    std::vector<const Entry*> hits;
    if (!ordered_code(code)) return hits;
    for (const Entry& e : model)
      if (keeps(code, cmpv<F>(F::of(e.shadow), v))) hits.push_back(&e);
    if (F::indexed() && code != VTAB_CMP_NEQUAL) index_order<F>(&hits);
    return hits;
  }

  template <class F>
  std::vector<const Entry*> expect_match(const char* pattern, int code) const {
    std::vector<const Entry*> hits;
    long len = static_cast<long>(std::strlen(pattern));
    for (const Entry& e : model) {
      const char* v = F::of(e.shadow).get();
      bool hit = false;
      if (code == VTAB_CMP_LIKE) hit = vtab_chkpatrn(v, pattern, len);
      if (code == VTAB_CMP_LIKEIC) hit = vtab_chkpatrnic(v, pattern, len, vtab_to_lowlang_cp1250);
      if (code == VTAB_CMP_NEQIC) hit = !vtab_chkpatrnic(v, pattern, len, vtab_to_lowlang_cp1250);
      if (hit) hits.push_back(&e);
    }
    return hits;
  }

  template <class F>
  std::vector<const Entry*> expect_sub(const typename F::type& lo, const typename F::type& hi) const {
    std::vector<const Entry*> hits;
    for (const Entry& e : model)
      if (cmpv<F>(F::of(e.shadow), lo) >= 0 && cmpv<F>(F::of(e.shadow), hi) <= 0) hits.push_back(&e);
    if (F::indexed()) index_order<F>(&hits);
    return hits;
  }

  // The record whose value a minimum or maximum reports.
  template <class F>
  const Entry* expect_extreme(bool greatest) const {
    std::vector<const Entry*> all;
    for (const Entry& e : model) all.push_back(&e);
    if (F::indexed()) {
      index_order<F>(&all);
      if (all.empty()) return nullptr;
      if (!greatest) return all.front();
      // The index's last node reports its own record: the first of its key.
      auto it = all.end() - 1;
      while (it != all.begin() && cmpv<F>(F::of((*(it - 1))->shadow), F::of((*it)->shadow)) == 0) --it;
      return *it;
    }
    const Entry* best = all.empty() ? nullptr : all.front();
    for (const Entry* e : all) {
      int c = cmpv<F>(F::of(e->shadow), F::of(best->shadow));
      if (greatest ? c > 0 : c < 0) best = e;
    }
    return best;
  }

  // The list, the records and every index against the model.
  void check_structure() {
    ASSERT_EQ(static_cast<size_t>(tab->size), model.size());
    const L* prev = nullptr;
    const L* e = tab->first;
    for (const Entry& m : model) {
      ASSERT_EQ(e, m.elem);
      EXPECT_EQ(e->prev, prev);
      EXPECT_TRUE(same_row(*e->row, m.shadow));
      prev = e;
      e = e->next;
    }
    EXPECT_EQ(e, nullptr);
    EXPECT_EQ(tab->last, prev);
    for (int slot = 0; slot < M::index_count; ++slot) {
      std::vector<const void*> walk;
      vtree_walk(
          tab->*(M::index_root[slot]),
          [](const vtree_node* n, void* out, vtree_visit v, int) {
            if (v == vtree_postorder || v == vtree_leaf) static_cast<std::vector<const void*>*>(out)->push_back(n->key);
          },
          &walk);
      size_t in = 0;
      for (const Entry& m : model) in += m.stamp[slot] >= 0;
      EXPECT_EQ(walk.size(), in) << "index " << slot;
    }
  }

  template <class F>
  void check_field() {
    SCOPED_TRACE(std::string("field ") + F::name());
    const auto values = pool<typename F::kind>();
    for (const auto& v : values) {
      for (int code = -1; code <= 12; ++code) {
        if constexpr (std::is_same_v<typename F::type, ostr>) {
          // Patterns are checked below.
          if (code == VTAB_CMP_LIKE || code == VTAB_CMP_LIKEIC || code == VTAB_CMP_NEQIC) continue;
        }
        Ref* ref = F::ops::gets(tab, arg<F>(v), code);
        ASSERT_NE(ref, nullptr) << "code " << code;
        auto want = elems(expect_gets<F>(v, code));
        EXPECT_EQ(elems(ref), want) << "code " << code;
        A::ref_delete(&ref);
        EXPECT_EQ(ref, nullptr);
        T* first = F::ops::get(tab, arg<F>(v), code);
        EXPECT_EQ(first, want.empty() ? nullptr : static_cast<const L*>(want.front())->row) << "code " << code;
      }
    }
    if constexpr (std::is_same_v<typename F::type, ostr>) {
      ::testing::internal::CaptureStdout();  // the lines of the not-like code
      for (const char* p : kPatterns) {
        for (int code : {VTAB_CMP_LIKE, VTAB_CMP_LIKEIC, VTAB_CMP_NEQIC, VTAB_CMP_LIKEX, VTAB_CMP_LIKEICX}) {
          Ref* ref = F::ops::gets(tab, p, code);
          EXPECT_EQ(elems(ref), elems(expect_match<F>(p, code))) << "pattern '" << p << "' code " << code;
          A::ref_delete(&ref);
        }
      }
      ::testing::internal::GetCapturedStdout();
    }
    for (const auto& lo : values) {
      for (const auto& hi : values) {
        Ref* ref = F::ops::sub(tab, arg<F>(lo), arg<F>(hi));
        ASSERT_NE(ref, nullptr);
        EXPECT_EQ(elems(ref), elems(expect_sub<F>(lo, hi)));
        A::ref_delete(&ref);
      }
    }
    for (bool greatest : {false, true}) {
      if (greatest && F::ops::max == nullptr) continue;
      typename F::kind::out out{};
      const Entry* want = expect_extreme<F>(greatest);
      int rc = greatest ? F::ops::max(tab, &out) : F::ops::min(tab, &out);
      if (want == nullptr) {
        EXPECT_EQ(rc, -1);
        continue;
      }
      EXPECT_EQ(rc, 0);
      const auto& field = F::of(*want->elem->row);
      if constexpr (std::is_same_v<typename F::type, ostr>) EXPECT_EQ(out, field.get()) << "the record's own text";
      else if constexpr (std::is_same_v<typename F::type, double>) EXPECT_DOUBLE_EQ(out, field);
      else EXPECT_EQ(out, field) << (greatest ? "max" : "min");
    }
  }

  void check_all() {
    check_structure();
    if (HasFatalFailure()) return;
    M::for_each_field([&](auto f) { check_field<decltype(f)>(); });
  }

  // Model side of an update of field F to v in the records of ref, in its order.
  template <class F>
  void model_update(const Ref* ref, const typename F::type& v) {
    for (const tab_ref_elem* r = ref->first; r != nullptr; r = r->next) {
      Entry* e = entry_of(r->listelem);
      if (e == nullptr) continue;
      F::of(e->shadow) = v;
      if (F::indexed()) e->stamp[M::index_slot(F::pos)] = ++clock;
    }
  }

  void model_remove(const void* elem) {
    std::erase_if(model, [&](const Entry& e) { return e.elem == elem; });
  }

  Ref* all_records() {
    Ref* ref = A::ref_new();
    for (L* e = tab->first; e != nullptr; e = e->next) A::ref_append(ref, e);
    return ref;
  }

  Tab* tab = nullptr;
  std::vector<Entry> model;
  long clock = 0;
};

TYPED_TEST_SUITE(TableTest, AllTables);

TYPED_TEST(TableTest, InsertsOwnCopiesInListOrder) {
  using T = TypeParam;
  using M = vtab_meta<T>;
  using A = vtab_api<T>;
  this->fill(40);
  this->check_structure();

  // The table keeps copies: changing or freeing the caller's record later
  // changes nothing in the table, and a missing text stays missing while an
  // empty one stays empty.
  T row = long_row<T>(3);
  this->insert(row);
  M::for_each_field([&](auto f) {
    using F = decltype(f);
    if constexpr (std::is_same_v<typename F::type, ostr>) {
      EXPECT_NE(F::of(*this->tab->last->row).get(), F::of(row).get());
      F::of(row) = "changed";
    }
  });
  T with_null = make_row<T>(0);
  M::for_each_field([&](auto f) {
    using F = decltype(f);
    if constexpr (std::is_same_v<typename F::type, ostr>) F::of(with_null) = F::pos % 2 ? ostr() : ostr("");
  });
  this->insert(with_null);
  this->check_structure();

  // Two records with one key are both kept and both found.
  T twin = make_row<T>(5);
  this->insert(twin);
  this->insert(twin);
  auto key = M::key_member;
  using KF = std::remove_reference_t<decltype(twin.*key)>;
  (void)sizeof(KF);
  this->check_all();

  // new, copy and init on their own.
  T* copy = A::new_row(&row);
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(same_row(*copy, row));
  A::init(copy);
  M::for_each_field([&](auto f) {
    using F = decltype(f);
    if constexpr (std::is_same_v<typename F::type, ostr>) EXPECT_TRUE(F::of(*copy).is_null());
    else EXPECT_TRUE(F::of(*copy) == F::of(row)) << "init leaves numbers alone";
  });
  EXPECT_EQ(A::copy(copy, &with_null), 0);  // missing texts leave the destination's
  M::for_each_field([&](auto f) {
    using F = decltype(f);
    if constexpr (std::is_same_v<typename F::type, ostr>) {
      EXPECT_EQ(F::of(*copy).is_null(), F::of(with_null).is_null());
    }
  });
  EXPECT_EQ(A::delete_row(&copy), 0);
  EXPECT_EQ(copy, nullptr);
}

TYPED_TEST(TableTest, QueriesAnswerEveryCodeOnEveryField) {
  this->fill(40);
  this->check_all();
}

TYPED_TEST(TableTest, EmptyTable) {
  using A = vtab_api<TypeParam>;
  this->check_all();  // empty lists (not NULL), -1 from every minimum and maximum
  using L = vtab_listelem<TypeParam>;
  TypeParam probe{};
  L key{&probe, nullptr, nullptr};
  auto cmp = vtab_meta<TypeParam>::field_cmp[0];
  auto* ref = A::tab_get(this->tab, &key, VTAB_CMP_GE, cmp);
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(ref->size, 0);
  A::ref_delete(&ref);
  ref = A::tab_idx_get(this->tab, &key, VTAB_CMP_GE, this->tab->*(vtab_meta<TypeParam>::index_root[0]), cmp);
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(ref->first, nullptr);
  EXPECT_EQ(A::tab_removes(this->tab, ref), 0);
  A::ref_delete(&ref);
  EXPECT_EQ(A::tab_min(this->tab, cmp), nullptr);
  EXPECT_EQ(A::tab_max(this->tab, cmp), nullptr);
  EXPECT_EQ(A::tab_idx_min(nullptr), nullptr);
  EXPECT_EQ(A::tab_idx_max(nullptr), nullptr);
}

TYPED_TEST(TableTest, UpdatesSetEveryRecordOfTheListAndReindex) {
  using T = TypeParam;
  using M = vtab_meta<T>;
  using A = vtab_api<T>;
  this->fill(40);
  M::for_each_field([&](auto f) {
    using F = decltype(f);
    SCOPED_TRACE(std::string("field ") + F::name());
    const auto values = pool<typename F::kind>();

    // The records holding one value get another one.
    auto* ref = F::ops::gets(this->tab, arg<F>(values[2]), VTAB_CMP_EQUAL);
    ASSERT_NE(ref, nullptr);
    ASSERT_GT(ref->size, 0);
    this->template model_update<F>(ref, values[5]);
    EXPECT_EQ(F::ops::update(this->tab, ref, arg<F>(values[5])), 0);
    A::ref_delete(&ref);

    // The new value is a record's own field, and that record is among those
    // changed (in list order, so it is changed first).
    ref = F::ops::gets(this->tab, arg<F>(values[1]), VTAB_CMP_NEQUAL);
    ASSERT_GT(ref->size, 1);
    typename F::type own = F::of(*vtab_row<T>(ref->first));
    this->template model_update<F>(ref, own);
    EXPECT_EQ(F::ops::update(this->tab, ref, arg<F>(F::of(*vtab_row<T>(ref->first)))), 0);
    A::ref_delete(&ref);

    // An empty list changes nothing.
    ref = A::ref_new();
    EXPECT_EQ(F::ops::update(this->tab, ref, arg<F>(values[0])), 0);
    A::ref_delete(&ref);
    this->check_all();
  });
}

TYPED_TEST(TableTest, RemovesKeepListAndIndexesWhole) {
  using T = TypeParam;
  using M = vtab_meta<T>;
  using A = vtab_api<T>;
  using L = vtab_listelem<T>;
  this->fill(30);
  auto remove = [&](std::vector<L*> which) {
    auto* ref = A::ref_new();
    for (L* e : which) A::ref_append(ref, e);
    int32_t size = ref->size;
    EXPECT_EQ(A::tab_removes(this->tab, ref), 0);
    for (L* e : which) this->model_remove(e);
    // The list stays, naming nothing.
    EXPECT_EQ(ref->size, size);
    for (tab_ref_elem* r = ref->first; r != nullptr; r = r->next) EXPECT_EQ(r->listelem, nullptr);
    A::ref_delete(&ref);
    this->check_all();
  };
  remove({this->tab->first});
  remove({this->tab->last});
  remove({this->tab->first->next->next->next});
  remove({this->tab->first, this->tab->last});

  // Every record of one key, through the key query.
  using KF = std::remove_cvref_t<decltype(std::declval<T>().*M::key_member)>;
  (void)sizeof(KF);
  M::for_each_field([&](auto f) {
    using F = decltype(f);
    if constexpr (F::pos == 0) {
      auto* ref = F::ops::gets(this->tab, arg<F>(F::of(*this->tab->first->row)), VTAB_CMP_EQUAL);
      ASSERT_GT(ref->size, 1);
      for (tab_ref_elem* r = ref->first; r != nullptr; r = r->next) this->model_remove(r->listelem);
      A::tab_removes(this->tab, ref);
      A::ref_delete(&ref);
      this->check_all();
    }
  });

  // A list that names records twice removes each once.
  auto* ref = A::ref_new();
  A::ref_append(ref, this->tab->first);
  A::ref_append(ref, this->tab->first->next);
  EXPECT_EQ(A::ref_appends(ref, ref), 0);
  EXPECT_EQ(ref->size, 4);
  this->model_remove(this->tab->first);
  this->model_remove(this->tab->first->next);
  A::tab_removes(this->tab, ref);
  A::ref_delete(&ref);
  this->check_all();

  // Everything: the table is empty and takes records again.
  ref = this->all_records();
  A::tab_removes(this->tab, ref);
  A::ref_delete(&ref);
  this->model.clear();
  EXPECT_EQ(this->tab->first, nullptr);
  EXPECT_EQ(this->tab->last, nullptr);
  for (int i = 0; i < M::index_count; ++i) EXPECT_EQ(this->tab->*(M::index_root[i]), nullptr);
  this->fill(5);
  this->check_all();
}

TYPED_TEST(TableTest, ResultListsCopyIntoNewTables) {
  using T = TypeParam;
  using A = vtab_api<T>;
  this->fill(12);
  auto* ref = this->all_records();
  auto* part = A::ref_new();
  A::ref_append(part, this->tab->last);
  EXPECT_EQ(A::ref_appends(ref, part), 0);
  EXPECT_EQ(ref->size, 13);

  auto* copy = A::create(ref);
  ASSERT_NE(copy, nullptr);
  ASSERT_EQ(copy->size, 13);
  const vtab_listelem<T>* c = copy->first;
  for (const tab_ref_elem* r = ref->first; r != nullptr; r = r->next, c = c->next) {
    EXPECT_TRUE(same_row(*c->row, *vtab_row<T>(r)));
    EXPECT_NE(c->row, vtab_row<T>(r));
  }
  // Inserting into the table the list points into copies each record once.
  EXPECT_EQ(A::tab_inserts(copy, part), 0);
  EXPECT_EQ(copy->size, 14);
  A::tab_delete(&copy);

  // A hit whose record is gone cannot be copied.
  A::tab_removes(this->tab, part);
  this->model_remove(this->model.back().elem);
  auto* empty = A::create(part);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->size, 0);
  EXPECT_EQ(A::tab_inserts(empty, part), 1);
  A::tab_delete(&empty);
  A::ref_delete(&part);
  A::ref_delete(&ref);
  this->check_all();
}

template <class T>
class SecondGenerationTest : public TableTest<T> {};
TYPED_TEST_SUITE(SecondGenerationTest, SecondGenerationTables);

TYPED_TEST(SecondGenerationTest, UpdatesByKey) {
  using T = TypeParam;
  using M = vtab_meta<T>;
  using A = vtab_api<T>;
  {
    this->fill(30);
    const T& sample = *this->tab->first->row;
    auto key = sample.*M::key_member;
    auto no_key = absent<typename M::key_kind>();
    // The records of the key, in the order the key query gives them.
    std::vector<const void*> of_key;
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (F::pos == 0) {
        auto* ref = F::ops::gets(this->tab, key, VTAB_CMP_EQUAL);
        for (tab_ref_elem* r = ref->first; r != nullptr; r = r->next) of_key.push_back(r->listelem);
        A::ref_delete(&ref);
      }
    });
    ASSERT_GT(of_key.size(), 1u);

    M::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (F::pos != 0) {
        SCOPED_TRACE(std::string("field ") + F::name());
        const auto values = pool<typename F::kind>();
        EXPECT_EQ(F::ops::upd(this->tab, no_key, arg<F>(values[3])), 0);
        EXPECT_EQ(F::ops::upd(this->tab, key, arg<F>(values[3])), 0);
        for (const void* e : of_key) {
          typename TestFixture::Entry* m = this->entry_of(e);
          F::of(m->shadow) = values[3];
          if (F::indexed()) m->stamp[M::index_slot(F::pos)] = ++this->clock;
        }
      }
    });
    this->check_all();

    // The whole record but its key; a record of the table itself as the source.
    T row = make_row<T>(11);
    row.*M::key_member = key;
    EXPECT_EQ(A::tab_update(this->tab, &row), 0);
    T* own = static_cast<vtab_listelem<T>*>(const_cast<void*>(of_key.back()))->row;
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (F::pos != 0) {
        for (const void* e : of_key) {
          typename TestFixture::Entry* m = this->entry_of(e);
          F::of(m->shadow) = F::of(row);
          if (F::indexed()) m->stamp[M::index_slot(F::pos)] = ++this->clock;
        }
      }
    });
    this->check_all();
    EXPECT_EQ(A::tab_update(this->tab, own), 0);
    M::for_each_field([&](auto f) {  // each field re-entered its index once more
      using F = decltype(f);
      if constexpr (F::pos != 0 && F::indexed()) {
        for (const void* e : of_key) this->entry_of(e)->stamp[M::index_slot(F::pos)] = ++this->clock;
      }
    });
    this->check_all();
    row.*M::key_member = no_key;
    EXPECT_EQ(A::tab_update(this->tab, &row), 0);
    this->check_all();

    // Without memory for the key query nothing changes, and that is reported.
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (F::pos != 0) {
        const auto value = pool<typename F::kind>()[0];
        int rc;
        {
          alloc_fault::fault_after guard(0);
          rc = F::ops::upd(this->tab, key, arg<F>(value));
        }
        EXPECT_EQ(rc, -1);
      }
    });
    int rc;
    {
      alloc_fault::fault_after guard(0);
      rc = A::tab_update(this->tab, &row);
    }
    EXPECT_EQ(rc, -1);
    this->check_all();

    EXPECT_EQ(A::tab_remove_all(this->tab), 0);
    this->model.clear();
    EXPECT_EQ(this->tab->first, nullptr);
    EXPECT_EQ(this->tab->last, nullptr);
    EXPECT_EQ(this->tab->size, 0);
    for (int i = 0; i < M::index_count; ++i) EXPECT_EQ(this->tab->*(M::index_root[i]), nullptr);
    EXPECT_EQ(A::tab_remove_all(this->tab), 0);
    this->check_all();
    this->fill(3);
    this->check_all();
  }
}

// Every allocation of an insert failing in turn: a failure code, the table
// as before, nothing leaked.
TYPED_TEST(TableTest, OutOfMemoryLeavesTableAsItWas) {
  using T = TypeParam;
  using M = vtab_meta<T>;
  using A = vtab_api<T>;
  this->fill(20);
  const T row = long_row<T>(4);

  std::set<int> codes;
  for (long k = 0;; ++k) {
    int rc;
    {
      alloc_fault::fault_after guard(k);
      rc = A::tab_insert(this->tab, &row);
    }
    if (rc == 0) {
      typename TestFixture::Entry e{this->tab->last, row, {}};
      for (long& s : e.stamp) s = ++this->clock;
      this->model.push_back(e);
      break;
    }
    codes.insert(rc);
    this->check_structure();
    ASSERT_LT(k, 1000);
  }
  std::set<int> want = {-2, -3};
  for (int i = 0; i < M::index_count; ++i) want.insert(-(2 + M::index_field[i]));
  EXPECT_EQ(codes, want) << "-(1 + position) for the index that failed";

  // A copy reports the position of the text it could not copy.
  std::vector<int> text_pos;
  M::for_each_field([&](auto f) {
    if constexpr (std::is_same_v<typename decltype(f)::type, ostr>) text_pos.push_back(decltype(f)::pos + 1);
  });
  for (size_t j = 0; j <= text_pos.size(); ++j) {
    T dst{};
    int rc;
    {
      alloc_fault::fault_after guard(static_cast<long>(j));
      rc = A::copy(&dst, &row);
    }
    EXPECT_EQ(rc, j < text_pos.size() ? text_pos[j] : 0);
    T* made;
    {
      alloc_fault::fault_after guard(static_cast<long>(j));
      made = A::new_row(&row);
    }
    EXPECT_EQ(made == nullptr, j <= text_pos.size());  // the record itself takes one allocation
    A::delete_row(&made);
  }

  // Queries: NULL or a list with hits missing, never a crash.
  M::for_each_field([&](auto f) {
    using F = decltype(f);
    for (long k = 0; k < 6; ++k) {
      typename vtab_meta<T>::ref* ref;
      {
        alloc_fault::fault_after guard(k);
        ref = F::ops::gets(this->tab, arg<F>(F::of(row)), VTAB_CMP_NEQUAL);
      }
      if (ref != nullptr) {
        EXPECT_LE(ref->size, this->tab->size);
      }
      A::ref_delete(&ref);
    }
  });
  this->check_all();

  // A text update whose copies fail leaves the texts missing and reports
  // each record; an indexed one leaves them out of its index.
  M::for_each_field([&](auto f) {
    using F = decltype(f);
    if constexpr (std::is_same_v<typename F::type, ostr> && F::pos != 0) {
      auto* ref = this->all_records();
      int rc;
      {
        // The value itself is copied first, longer than any text held.
        std::string value(200, 'x');
        alloc_fault::fault_after guard(1);
        rc = F::ops::update(this->tab, ref, value.c_str());
      }
      EXPECT_EQ(rc, ref->size);
      for (auto& m : this->model) {
        F::of(m.shadow).reset();
        if (F::indexed()) m.stamp[M::index_slot(F::pos)] = -1;
      }
      A::ref_delete(&ref);
    }
  });
  this->check_all();
  // Records out of an index still go cleanly.
  auto* ref = this->all_records();
  A::tab_removes(this->tab, ref);
  A::ref_delete(&ref);
  this->model.clear();
  this->check_all();
}

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
