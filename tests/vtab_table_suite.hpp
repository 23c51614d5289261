// The suite that runs over every table of db/all_tables.hpp and over the test
// shapes.  The tables are shared out among a few source files
// (register_part), which the build compiles in parallel; each registers the
// suite's tests for its tables as "Table/<name>.<test>".
//
// Every test keeps a model of the table (the records in list order and when
// each entered each index) and checks the table against it: the list, the
// records, every index, and every query of every field with every code.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "db/all_tables.hpp"
#include "lib/vtab_codec.hpp"
#include "platform/textfile.hpp"
#include "tests/alloc_fault.hpp"
#include "tests/vtab_table_shapes.hpp"

namespace vtab_suite {

template <class... A, class... B>
vtab_tables<A..., B...> operator+(vtab_tables<A...>, vtab_tables<B...>) {
  return {};
}
using Tables = decltype(vtab_all_tables{} + vtab_shape_tables{});

// --- Values -------------------------------------------------------------------

// Seven values a kind, with the corners of each order: unsigned above the
// signed range, times beyond 32 bits, characters above 0x7F (negative bytes),
// a missing text beside the empty one.
template <class K>
std::vector<typename K::type> pool();
template <>
inline std::vector<uint32_t> pool<vtab_kind_z>() {
  return {0u, 1u, 2u, 7u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
}
template <>
inline std::vector<int64_t> pool<vtab_kind_t>() {
  return {-86400, 0, 1, 1700000000, 4102444800LL, -1, 5};
}
template <>
inline std::vector<int32_t> pool<vtab_kind_i>() {
  return {-5, 0, 3, INT32_MIN, INT32_MAX, -1, 42};
}
template <>
inline std::vector<double> pool<vtab_kind_g>() {
  return {-1.5, 0.0, 2.25, 1e9, 0.5, -1e-3, 100.0};
}
template <>
inline std::vector<char> pool<vtab_kind_c>() {
  return {'N', 'T', 'a', '\xE5', '0', '\x80', 'Z'};
}
template <>
inline std::vector<ostr> pool<vtab_kind_s>() {
  return {ostr(), ostr(""), ostr("abc"), ostr("Abd"), ostr("\xA5ka"), ostr("zeta"), ostr("ab'c")};
}

// A value no pooled record holds.
template <class K>
typename K::type absent() {
  if constexpr (std::is_same_v<K, vtab_kind_s>) return ostr("absent");
  else return typename K::type(77);
}

// Patterns for the pattern codes; "\xB9" is a small a with ogonek.
inline const char* const kPatterns[] = {"ab*", "AB*", "*c", "*b*", "abc", "", "*", "\xB9K*", "zeta", "*d"};

template <class K>
typename K::arg arg(const typename K::type& v) {
  if constexpr (std::is_same_v<K, vtab_kind_s>) return v.get();
  else return v;
}

inline bool ordered_code(int code) { return (code >= 1 && code <= 5) || code == 10; }

inline bool keeps(int code, int r) {
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

// --- Fields at run time ------------------------------------------------------------

// One field with its named members.  The suite's checks are written once per
// kind over this, so that the fields of a table cost little to compile.
template <class T, class K>
struct Field {
  using kind = K;
  using V = typename K::type;
  using Arg = typename K::arg;
  using Out = typename K::out;
  using Tab = typename vtab_meta<T>::tab;
  using Ref = vtab_ref<T>;
  const char* name;
  int pos;
  int slot;  // its index, -1 for none
  V T::*member;
  int (*order)(const V&, const V&);
  Ref* (*gets)(Tab*, Arg, int);
  T* (*get)(Tab*, Arg, int);
  Ref* (*sub)(Tab*, Arg, Arg);
  int (*min)(Tab*, Out*);
  int (*max)(Tab*, Out*);
  int (*update)(Tab*, Ref*, Arg);
  int (*upd)(Tab*, typename vtab_meta<T>::key_kind::arg, Arg);

  V& of(T& r) const { return r.*member; }
  const V& of(const T& r) const { return r.*member; }
  bool indexed() const { return slot >= 0; }
  int cmp(const V& a, const V& b) const {
    int r = order(a, b);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
  }
};

template <auto Member, class V>
int order_of(const V& a, const V& b) {
  return vtab_order<Member>::cmp(a, b);
}

template <class T, class F>
Field<T, typename F::kind> field_of() {
  return {F::name(),     F::pos,      vtab_meta<T>::index_slot(F::pos),
          F::member,     &order_of<F::member, typename F::type>,
          F::ops::gets,  F::ops::get, F::ops::sub,
          F::ops::min,   F::ops::max, F::ops::update,
          F::ops::upd};
}

// Calls fn(field) for every field in column order.
template <class T, class Fn>
void each_field(Fn&& fn) {
  vtab_meta<T>::for_each_field([&](auto f) { fn(field_of<T, decltype(f)>()); });
}

template <class T>
T make_row(int n) {
  T r{};
  each_field<T>([&](const auto& f) {
    auto p = pool<typename std::remove_cvref_t<decltype(f)>::kind>();
    f.of(r) = p[static_cast<size_t>(n * (f.pos % 6 + 1) + f.pos) % p.size()];
  });
  return r;
}

// A row whose texts are too long to live inside the string object, so that
// each text copy allocates.
template <class T>
T long_row(int n) {
  T r = make_row<T>(n);
  each_field<T>([&](const auto& f) {
    if constexpr (std::is_same_v<typename std::remove_cvref_t<decltype(f)>::V, ostr>)
      f.of(r) = "a text of " + std::string(f.name) + " long enough to be allocated";
  });
  return r;
}

template <class T>
bool same_row(const T& a, const T& b) {
  bool same = true;
  each_field<T>([&](const auto& f) {
    if constexpr (std::is_same_v<typename std::remove_cvref_t<decltype(f)>::V, double>) {
      if (std::memcmp(&f.of(a), &f.of(b), sizeof(double)) != 0) same = false;
    } else if (!(f.of(a) == f.of(b))) {
      same = false;
    }
  });
  return same;
}

// A value of kind K that rises with k (characters wrap around once).
template <class K>
typename K::type rising(int k) {
  if constexpr (std::is_same_v<K, vtab_kind_s>) {
    char text[16];
    std::snprintf(text, sizeof text, "k%07d", k);
    return ostr(text);
  } else if constexpr (std::is_same_v<K, vtab_kind_c>) {
    return static_cast<char>(k % 256 - 128);
  } else if constexpr (std::is_same_v<K, vtab_kind_g>) {
    return k * 0.25;
  } else if constexpr (std::is_same_v<K, vtab_kind_i>) {
    return k - 100;
  } else {
    return static_cast<typename K::type>(k);
  }
}

// Whether two trees of two tables are the same tree, node for node: the same
// colours, and in each place the elements at the same places of their lists.
inline bool same_index(const vtree_node* a, const vtree_node* b, const std::map<const void*, size_t>& at_a,
                       const std::map<const void*, size_t>& at_b) {
  if (a == nullptr || b == nullptr) return a == b;
  if (a->red != b->red) return false;
  const vtree_node* x = a;
  const vtree_node* y = b;
  for (; x != nullptr && y != nullptr; x = x->next, y = y->next)
    if (at_a.at(x->key) != at_b.at(y->key)) return false;
  return x == y && same_index(a->left, b->left, at_a, at_b) && same_index(a->right, b->right, at_a, at_b);
}

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
  static_assert(M::index_count <= 8);

  void SetUp() override {
    tab = A::tab_new();
    ASSERT_NE(tab, nullptr);
  }
  void TearDown() override {
    EXPECT_EQ(A::tab_delete(&tab), 0);
    EXPECT_EQ(tab, nullptr);
  }

  void add_model(const T& row) {
    Entry e{tab->last, row, {}};
    for (long& s : e.stamp) s = ++clock;
    model.push_back(e);
  }
  void insert(const T& row) {
    ASSERT_EQ(A::tab_insert(tab, &row), 0);
    add_model(row);
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

  // Sorts hits as an index walk gives them: by value, equal values in the
  // order they entered the index; drops those out of the index.
  template <class K>
  static void index_order(const Field<T, K>& f, std::vector<const Entry*>* hits) {
    int slot = f.slot;
    std::erase_if(*hits, [&](const Entry* e) { return e->stamp[slot] < 0; });
    std::stable_sort(hits->begin(), hits->end(), [&](const Entry* a, const Entry* b) {
      int c = f.cmp(f.of(a->shadow), f.of(b->shadow));
      return c < 0 || (c == 0 && a->stamp[slot] < b->stamp[slot]);
    });
  }

  template <class K>
  std::vector<const Entry*> expect_gets(const Field<T, K>& f, const typename K::type& v, int code) const {
    std::vector<const Entry*> hits;
    if (!ordered_code(code)) return hits;
    for (const Entry& e : model)
      if (keeps(code, f.cmp(f.of(e.shadow), v))) hits.push_back(&e);
    if (f.indexed() && code != VTAB_CMP_NEQUAL) index_order(f, &hits);
    return hits;
  }

  template <class K>
  std::vector<const Entry*> expect_match(const Field<T, K>& f, const char* pattern, int code) const {
    std::vector<const Entry*> hits;
    long len = static_cast<long>(std::strlen(pattern));
    for (const Entry& e : model) {
      const char* v = f.of(e.shadow).get();
      bool hit = false;
      if (code == VTAB_CMP_LIKE) hit = vtab_chkpatrn(v, pattern, len);
      if (code == VTAB_CMP_LIKEIC) hit = vtab_chkpatrnic(v, pattern, len, vtab_to_lowlang_cp1250);
      if (code == VTAB_CMP_NEQIC) hit = !vtab_chkpatrnic(v, pattern, len, vtab_to_lowlang_cp1250);
      if (hit) hits.push_back(&e);
    }
    return hits;
  }

  template <class K>
  std::vector<const Entry*> expect_sub(const Field<T, K>& f, const typename K::type& lo,
                                       const typename K::type& hi) const {
    std::vector<const Entry*> hits;
    for (const Entry& e : model)
      if (f.cmp(f.of(e.shadow), lo) >= 0 && f.cmp(f.of(e.shadow), hi) <= 0) hits.push_back(&e);
    if (f.indexed()) index_order(f, &hits);
    return hits;
  }

  // The record whose value a minimum or maximum reports.
  template <class K>
  const Entry* expect_extreme(const Field<T, K>& f, bool greatest) const {
    std::vector<const Entry*> all;
    for (const Entry& e : model) all.push_back(&e);
    if (all.empty()) return nullptr;
    if (f.indexed()) {
      index_order(f, &all);
      if (all.empty()) return nullptr;
      if (!greatest) return all.front();
      // The index's last node reports its own record: the first of its key.
      auto it = all.end() - 1;
      while (it != all.begin() && f.cmp(f.of((*(it - 1))->shadow), f.of((*it)->shadow)) == 0) --it;
      return *it;
    }
    const Entry* best = all.front();
    for (const Entry* e : all) {
      int c = f.cmp(f.of(e->shadow), f.of(best->shadow));
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

  template <class K>
  void check_field(const Field<T, K>& f) {
    SCOPED_TRACE(std::string("field ") + f.name);
    constexpr bool text = std::is_same_v<K, vtab_kind_s>;
    const auto values = pool<K>();
    for (const auto& v : values) {
      for (int code = -1; code <= 12; ++code) {
        // Patterns are checked below.
        if (text && (code == VTAB_CMP_LIKE || code == VTAB_CMP_LIKEIC || code == VTAB_CMP_NEQIC)) continue;
        Ref* ref = f.gets(tab, arg<K>(v), code);
        ASSERT_NE(ref, nullptr) << "code " << code;
        auto want = elems(expect_gets(f, v, code));
        EXPECT_EQ(elems(ref), want) << "code " << code;
        A::ref_delete(&ref);
        EXPECT_EQ(ref, nullptr);
        T* first = f.get(tab, arg<K>(v), code);
        EXPECT_EQ(first, want.empty() ? nullptr : static_cast<const L*>(want.front())->row) << "code " << code;
      }
    }
    if constexpr (text) {
      ::testing::internal::CaptureStdout();  // the lines of the not-like code
      for (const char* p : kPatterns) {
        for (int code : {VTAB_CMP_LIKE, VTAB_CMP_LIKEIC, VTAB_CMP_NEQIC, VTAB_CMP_LIKEX, VTAB_CMP_LIKEICX}) {
          Ref* ref = f.gets(tab, p, code);
          EXPECT_EQ(elems(ref), elems(expect_match(f, p, code))) << "pattern '" << p << "' code " << code;
          A::ref_delete(&ref);
        }
      }
      ::testing::internal::GetCapturedStdout();
    }
    for (const auto& lo : values) {
      for (const auto& hi : values) {
        Ref* ref = f.sub(tab, arg<K>(lo), arg<K>(hi));
        ASSERT_NE(ref, nullptr);
        EXPECT_EQ(elems(ref), elems(expect_sub(f, lo, hi)));
        A::ref_delete(&ref);
      }
    }
    for (bool greatest : {false, true}) {
      if (greatest && f.max == nullptr) continue;
      typename K::out out{};
      const Entry* want = expect_extreme(f, greatest);
      int rc = greatest ? f.max(tab, &out) : f.min(tab, &out);
      if (want == nullptr) {
        EXPECT_EQ(rc, -1);
        continue;
      }
      EXPECT_EQ(rc, 0);
      const auto& field = f.of(*want->elem->row);
      if constexpr (text) {
        EXPECT_EQ(out, field.get()) << "the record's own text";
      } else if constexpr (std::is_same_v<K, vtab_kind_g>) {
        EXPECT_DOUBLE_EQ(out, field);
      } else {
        EXPECT_EQ(out, field) << (greatest ? "max" : "min");
      }
    }
  }

  void check_all() {
    check_structure();
    if (HasFatalFailure()) return;
    each_field<T>([&](const auto& f) { check_field(f); });
  }

  // Model side of an update of field f to v in the records of ref, in its order.
  template <class K>
  void model_update(const Field<T, K>& f, const Ref* ref, const typename K::type& v) {
    for (const tab_ref_elem* r = ref->first; r != nullptr; r = r->next) {
      Entry* e = entry_of(r->listelem);
      if (e == nullptr) continue;
      f.of(e->shadow) = v;
      if (f.indexed()) e->stamp[f.slot] = ++clock;
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

// --- The tests ------------------------------------------------------------------------

#define VTAB_SUITE_TEST(Name)               \
  template <class T>                        \
  struct Name : TableTest<T> {              \
    void TestBody() override;               \
  };                                        \
  template <class T>                        \
  void Name<T>::TestBody()

VTAB_SUITE_TEST(InsertsOwnCopiesInListOrder) {
  using A = vtab_api<T>;
  this->fill(40);
  this->check_structure();

  // The table keeps copies: changing the caller's record later changes
  // nothing in the table, and a missing text stays missing while an empty one
  // stays empty.
  T row = long_row<T>(3);
  this->insert(row);
  each_field<T>([&](const auto& f) {
    if constexpr (std::is_same_v<typename std::remove_cvref_t<decltype(f)>::V, ostr>) {
      EXPECT_NE(f.of(*this->tab->last->row).get(), f.of(row).get());
      f.of(row) = "changed";
    }
  });
  T with_null = make_row<T>(0);
  each_field<T>([&](const auto& f) {
    if constexpr (std::is_same_v<typename std::remove_cvref_t<decltype(f)>::V, ostr>)
      f.of(with_null) = f.pos % 2 ? ostr() : ostr("");
  });
  this->insert(with_null);
  // Two records with one key are both kept and both found.
  T twin = make_row<T>(5);
  this->insert(twin);
  this->insert(twin);
  this->check_all();

  // new, init and copy on their own.
  T* copy = A::new_row(&row);
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(same_row(*copy, row));
  A::init(copy);
  each_field<T>([&](const auto& f) {
    if constexpr (std::is_same_v<typename std::remove_cvref_t<decltype(f)>::V, ostr>) {
      EXPECT_TRUE(f.of(*copy).is_null());
    } else {
      EXPECT_TRUE(f.of(*copy) == f.of(row)) << "init leaves numbers alone";
    }
  });
  EXPECT_EQ(A::copy(copy, &with_null), 0);  // missing texts leave the destination's
  each_field<T>([&](const auto& f) {
    if constexpr (std::is_same_v<typename std::remove_cvref_t<decltype(f)>::V, ostr>) {
      EXPECT_EQ(f.of(*copy).is_null(), f.of(with_null).is_null());
    }
  });
  EXPECT_EQ(A::delete_row(&copy), 0);
  EXPECT_EQ(copy, nullptr);
}

VTAB_SUITE_TEST(QueriesAnswerEveryCodeOnEveryField) {
  this->fill(40);
  this->check_all();
}

VTAB_SUITE_TEST(EmptyTable) {
  using A = vtab_api<T>;
  using M = vtab_meta<T>;
  this->check_all();  // empty lists (not NULL), -1 from every minimum and maximum
  T probe{};
  vtab_listelem<T> key{&probe, nullptr, nullptr};
  auto cmp = M::field_cmp[0];
  auto* ref = A::tab_get(this->tab, &key, VTAB_CMP_GE, cmp);
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(ref->size, 0);
  A::ref_delete(&ref);
  ref = A::tab_idx_get(this->tab, &key, VTAB_CMP_GE, this->tab->*(M::index_root[0]), cmp);
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(ref->first, nullptr);
  EXPECT_EQ(A::tab_removes(this->tab, ref), 0);
  A::ref_delete(&ref);
  EXPECT_EQ(A::tab_min(this->tab, cmp), nullptr);
  EXPECT_EQ(A::tab_max(this->tab, cmp), nullptr);
  EXPECT_EQ(A::tab_idx_min(nullptr), nullptr);
  EXPECT_EQ(A::tab_idx_max(nullptr), nullptr);
}

VTAB_SUITE_TEST(UpdatesSetEveryRecordOfTheListAndReindex) {
  using A = vtab_api<T>;
  this->fill(40);
  each_field<T>([&](const auto& f) {
    using K = typename std::remove_cvref_t<decltype(f)>::kind;
    SCOPED_TRACE(std::string("field ") + f.name);
    const auto values = pool<K>();

    // The records holding one value get another one.
    auto* ref = f.gets(this->tab, arg<K>(values[2]), VTAB_CMP_EQUAL);
    ASSERT_NE(ref, nullptr);
    ASSERT_GT(ref->size, 0);
    this->model_update(f, ref, values[5]);
    EXPECT_EQ(f.update(this->tab, ref, arg<K>(values[5])), 0);
    A::ref_delete(&ref);

    // The new value is a record's own field, and that record is among those
    // changed (in list order, so it is changed first).
    ref = f.gets(this->tab, arg<K>(values[1]), VTAB_CMP_NEQUAL);
    ASSERT_GT(ref->size, 1);
    typename K::type own = f.of(*vtab_row<T>(ref->first));
    this->model_update(f, ref, own);
    EXPECT_EQ(f.update(this->tab, ref, arg<K>(f.of(*vtab_row<T>(ref->first)))), 0);
    A::ref_delete(&ref);

    // An empty list changes nothing.
    ref = A::ref_new();
    EXPECT_EQ(f.update(this->tab, ref, arg<K>(values[0])), 0);
    A::ref_delete(&ref);
    this->check_structure();
    this->check_field(f);
  });
  this->check_all();
}

VTAB_SUITE_TEST(RemovesKeepListAndIndexesWhole) {
  using A = vtab_api<T>;
  using M = vtab_meta<T>;
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
    this->check_structure();
  };
  remove({this->tab->first});
  remove({this->tab->last});
  remove({this->tab->first->next->next->next});
  remove({this->tab->first, this->tab->last});
  this->check_all();

  // Every record of one key, through the key query.
  each_field<T>([&](const auto& f) {
    using K = typename std::remove_cvref_t<decltype(f)>::kind;
    if (f.pos != 0) return;
    auto* ref = f.gets(this->tab, arg<K>(f.of(*this->tab->first->row)), VTAB_CMP_EQUAL);
    ASSERT_GT(ref->size, 1);
    for (tab_ref_elem* r = ref->first; r != nullptr; r = r->next) this->model_remove(r->listelem);
    A::tab_removes(this->tab, ref);
    A::ref_delete(&ref);
  });
  this->check_all();

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

VTAB_SUITE_TEST(ResultListsCopyIntoNewTables) {
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

// Every allocation of an insert failing in turn: a failure code, the table
// as before, nothing leaked.
VTAB_SUITE_TEST(OutOfMemoryLeavesTableAsItWas) {
  using A = vtab_api<T>;
  using M = vtab_meta<T>;
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
      this->add_model(row);
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
  each_field<T>([&](const auto& f) {
    if constexpr (std::is_same_v<typename std::remove_cvref_t<decltype(f)>::V, ostr>) text_pos.push_back(f.pos + 1);
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
  each_field<T>([&](const auto& f) {
    using K = typename std::remove_cvref_t<decltype(f)>::kind;
    for (long k = 0; k < 6; ++k) {
      vtab_ref<T>* ref;
      {
        alloc_fault::fault_after guard(k);
        ref = f.gets(this->tab, arg<K>(f.of(row)), VTAB_CMP_NEQUAL);
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
  each_field<T>([&](const auto& f) {
    if constexpr (std::is_same_v<typename std::remove_cvref_t<decltype(f)>::V, ostr>) {
      if (f.pos == 0) return;
      auto* ref = this->all_records();
      // The value itself is copied first, longer than any text held.
      std::string value(200, 'x');
      int rc;
      {
        alloc_fault::fault_after guard(1);
        rc = f.update(this->tab, ref, value.c_str());
      }
      EXPECT_EQ(rc, ref->size);
      for (auto& m : this->model) {
        f.of(m.shadow).reset();
        if (f.indexed()) m.stamp[f.slot] = -1;
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

// A load enters its records into the indexes as inserts of the same
// records do: the same trees, node for node.  The keys mostly rise, as in the
// files a save writes, with keys repeated and keys below the greatest among
// them, into a table that held records (some of them removed) before.
VTAB_SUITE_TEST(LoadIndexesAsInsertsDo) {
  using A = vtab_api<T>;
  using M = vtab_meta<T>;
  using L = vtab_listelem<T>;
  std::mt19937 rng(7);
  std::vector<T> rows;
  for (int n = 0, top = 0; n < 300; ++n) {
    const unsigned roll = rng() % 100;
    const int key = roll < 8 ? top : roll < 14 ? static_cast<int>(rng() % static_cast<unsigned>(top + 1))
                                               : (top += 1 + static_cast<int>(rng() % 3));
    T row = make_row<T>(n);
    each_field<T>([&](const auto& f) {
      if (f.indexed()) f.of(row) = rising<typename std::remove_cvref_t<decltype(f)>::kind>(key);
    });
    rows.push_back(row);
  }

  auto* twin = A::tab_new();
  constexpr int kBefore = 40;
  for (int n = 0; n < kBefore; ++n) {
    this->insert(rows[static_cast<size_t>(n)]);
    ASSERT_EQ(A::tab_insert(twin, &rows[static_cast<size_t>(n)]), 0);
  }
  for (auto* t : {this->tab, twin}) {
    auto* ref = A::ref_new();
    int i = 0;
    for (L* e = t->first; e != nullptr; e = e->next, ++i)
      if (i % 7 == 3 || e == t->last) A::ref_append(ref, e);
    if (t == this->tab)
      for (tab_ref_elem* r = ref->first; r != nullptr; r = r->next) this->model_remove(r->listelem);
    A::tab_removes(t, ref);
    A::ref_delete(&ref);
  }

  kal::TextOut out;
  if (M::options.header_line) vtab_write_ver(out);
  for (size_t n = kBefore; n < rows.size(); ++n) {
    A::to_file(out, &rows[n]);
    out.put('\n');
  }
  L* before = this->tab->last;
  kal::TextIn in(out.text());
  ::testing::internal::CaptureStdout();  // a loader of its own refuses some
  EXPECT_EQ(A::tab_load(in, this->tab), 0);
  ::testing::internal::GetCapturedStdout();
  ASSERT_GT(this->tab->size, 150);
  for (L* e = before->next; e != nullptr; e = e->next) {
    this->add_model(*e->row);
    this->model.back().elem = e;
    ASSERT_EQ(A::tab_insert(twin, e->row), 0);
  }
  this->check_structure();

  std::map<const void*, size_t> at_loaded, at_inserted;
  size_t i = 0;
  for (const L* e = this->tab->first; e != nullptr; e = e->next) at_loaded[e] = i++;
  i = 0;
  for (const L* e = twin->first; e != nullptr; e = e->next) at_inserted[e] = i++;
  ASSERT_EQ(at_loaded.size(), at_inserted.size());
  for (int slot = 0; slot < M::index_count; ++slot)
    EXPECT_TRUE(same_index(this->tab->*(M::index_root[slot]), twin->*(M::index_root[slot]), at_loaded, at_inserted))
        << "index " << slot;
  A::tab_delete(&twin);
}

VTAB_SUITE_TEST(SecondGenerationUpdatesByKey) {
  using A = vtab_api<T>;
  using M = vtab_meta<T>;
  this->fill(30);
  const auto key = this->tab->first->row->*M::key_member;
  const auto no_key = absent<typename M::key_kind>();
  // The records of the key, in the order the key query gives them.
  std::vector<const void*> of_key;
  each_field<T>([&](const auto& f) {
    if constexpr (std::is_same_v<typename std::remove_cvref_t<decltype(f)>::kind, typename M::key_kind>) {
      if (f.pos != 0) return;
      auto* ref = f.gets(this->tab, key, VTAB_CMP_EQUAL);
      for (tab_ref_elem* r = ref->first; r != nullptr; r = r->next) of_key.push_back(r->listelem);
      A::ref_delete(&ref);
    }
  });
  ASSERT_GT(of_key.size(), 1u);
  auto changed = [&](const auto& f, const auto& v) {
    for (const void* e : of_key) {
      auto* m = this->entry_of(e);
      f.of(m->shadow) = v;
      if (f.indexed()) m->stamp[f.slot] = ++this->clock;
    }
  };

  each_field<T>([&](const auto& f) {
    using K = typename std::remove_cvref_t<decltype(f)>::kind;
    if (f.pos == 0) {
      EXPECT_EQ(f.upd, nullptr) << "no by-key update of the key";
      return;
    }
    SCOPED_TRACE(std::string("field ") + f.name);
    const auto values = pool<K>();
    EXPECT_EQ(f.upd(this->tab, no_key, arg<K>(values[3])), 0);
    EXPECT_EQ(f.upd(this->tab, key, arg<K>(values[3])), 0);
    changed(f, values[3]);
  });
  this->check_all();

  // The whole record but its key; then a record of the table itself as the source.
  T row = make_row<T>(11);
  row.*M::key_member = key;
  EXPECT_EQ(A::tab_update(this->tab, &row), 0);
  each_field<T>([&](const auto& f) {
    if (f.pos != 0) changed(f, f.of(row));
  });
  this->check_all();
  T* own = static_cast<vtab_listelem<T>*>(const_cast<void*>(of_key.back()))->row;
  EXPECT_EQ(A::tab_update(this->tab, own), 0);
  each_field<T>([&](const auto& f) {
    if (f.pos != 0) changed(f, f.of(row));  // the same values, each indexed field re-entered
  });
  this->check_all();
  row.*M::key_member = no_key;
  EXPECT_EQ(A::tab_update(this->tab, &row), 0);
  this->check_all();

  // Without memory for the key query nothing changes, and that is reported.
  each_field<T>([&](const auto& f) {
    using K = typename std::remove_cvref_t<decltype(f)>::kind;
    if (f.pos == 0) return;
    const auto value = pool<K>()[0];
    int rc;
    {
      alloc_fault::fault_after guard(0);
      rc = f.upd(this->tab, key, arg<K>(value));
    }
    EXPECT_EQ(rc, -1);
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
  this->fill(3);
  this->check_all();
}

// --- Registration ------------------------------------------------------------------------

template <class T, class Test>
void add_test(const std::string& suite, const char* name) {
  ::testing::RegisterTest(suite.c_str(), name, nullptr, nullptr, __FILE__, __LINE__,
                          []() -> TableTest<T>* { return new Test(); });
}

template <class T>
void register_table() {
  const std::string suite = std::string("Table/") + vtab_meta<T>::name;
  add_test<T, InsertsOwnCopiesInListOrder<T>>(suite, "InsertsOwnCopiesInListOrder");
  add_test<T, QueriesAnswerEveryCodeOnEveryField<T>>(suite, "QueriesAnswerEveryCodeOnEveryField");
  add_test<T, EmptyTable<T>>(suite, "EmptyTable");
  add_test<T, UpdatesSetEveryRecordOfTheListAndReindex<T>>(suite, "UpdatesSetEveryRecordOfTheListAndReindex");
  add_test<T, RemovesKeepListAndIndexesWhole<T>>(suite, "RemovesKeepListAndIndexesWhole");
  add_test<T, ResultListsCopyIntoNewTables<T>>(suite, "ResultListsCopyIntoNewTables");
  add_test<T, OutOfMemoryLeavesTableAsItWas<T>>(suite, "OutOfMemoryLeavesTableAsItWas");
  add_test<T, LoadIndexesAsInsertsDo<T>>(suite, "LoadIndexesAsInsertsDo");
  if constexpr (vtab_meta<T>::generation == 2)
    add_test<T, SecondGenerationUpdatesByKey<T>>(suite, "SecondGenerationUpdatesByKey");
}

// Registers the suite for the tables whose place in the list is part modulo
// parts; only those are compiled in the calling source file.
template <int parts, int part, size_t I, class T>
void register_if_mine() {
  if constexpr (I % parts == part) register_table<T>();
}
template <int parts, int part, class... T, size_t... I>
bool register_some(vtab_tables<T...>, std::index_sequence<I...>) {
  (register_if_mine<parts, part, I, T>(), ...);
  return true;
}
template <int parts, int part, class... T>
bool register_part_of(vtab_tables<T...> tables) {
  return register_some<parts, part>(tables, std::index_sequence_for<T...>{});
}
template <int parts, int part>
bool register_part() {
  return register_part_of<parts, part>(Tables{});
}

// The number of source files the suite is shared out among.
inline constexpr int kParts = 8;

}  // namespace vtab_suite
