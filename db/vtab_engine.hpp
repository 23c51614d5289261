// The engine behind every generated table, and VTAB_DEFINE, which defines a
// table's named members on it.  Only the table modules (db/<T>.cpp) include
// this file.
//
// A table owns its list elements, each element its record, each record its
// texts.  Every element is in every index of its table, keyed by the current
// value of the index's field; that is why indexed fields change only through
// their update members.  Result lists name elements of the table and are valid
// until one of those is removed.
#pragma once

#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_set>

#include "db/vtab_file.hpp"
#include "db/vtab_table.hpp"

// The low 32 bits of an address as eight upper-case hexadecimal digits, for
// diagnostics.
std::string vtab_dword_hex(const void* p);

template <class T>
struct vtab_engine {
  using M = vtab_meta<T>;
  using Tab = typename M::tab;
  using L = vtab_listelem<T>;
  using Ref = vtab_ref<T>;

  // --- records and list elements ---------------------------------------------

  static L* listelem_new(L* prev, T* row) { return new (std::nothrow) L{row, prev, nullptr}; }

  static int delete_row(T** row) {
    if (row) {
      delete *row;
      *row = nullptr;
    }
    return 0;
  }

  // Unlinks the element from its neighbours and frees it with its record; the
  // table's first, last, size and indexes are the caller's business.
  static int listelem_delete(L** elem) {
    if (elem == nullptr || *elem == nullptr) return 0;
    L* e = *elem;
    if (e->prev) e->prev->next = e->next;
    if (e->next) e->next->prev = e->prev;
    delete_row(&e->row);
    delete e;
    *elem = nullptr;
    return 0;
  }

  static int list_delete(L** first) {
    if (first == nullptr) return 0;
    for (L* e = *first; e != nullptr;) {
      L* next = e->next == e ? nullptr : e->next;
      delete_row(&e->row);
      delete e;
      e = next;
    }
    *first = nullptr;
    return 0;
  }

  static void init(T* row) {
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (std::is_same_v<typename F::type, ostr>) F::of(*row).reset();
    });
  }

  // Copies every field in column order; a missing source text leaves the
  // destination's as it was.  0, or the 1-based position of the text field
  // whose copy failed (the fields after it are then not copied).
  static int copy(T* dst, const T* src) {
    int failed = 0;
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      if (failed) return;
      if constexpr (std::is_same_v<typename F::type, ostr>) {
        const ostr& s = F::of(*src);
        if (s.is_null()) return;
        try {
          F::of(*dst) = s;
        } catch (const std::bad_alloc&) {
          failed = F::pos + 1;
        }
      } else {
        F::of(*dst) = F::of(*src);
      }
    });
    return failed;
  }

  static T* new_row(const T* src) {
    T* row = new (std::nothrow) T();
    if (row == nullptr) return nullptr;
    if (copy(row, src) != 0) {
      delete row;
      return nullptr;
    }
    return row;
  }

  // --- result lists -------------------------------------------------------------

  static Ref* ref_new() { return new (std::nothrow) Ref{nullptr, nullptr, 0}; }

  static tab_ref_elem* ref_append(Ref* ref, L* elem) {
    tab_ref_elem* r = new (std::nothrow) tab_ref_elem{elem, nullptr};
    if (r == nullptr) return nullptr;
    if (ref->last) ref->last->next = r;
    else ref->first = r;
    ref->last = r;
    ++ref->size;
    return r;
  }

  static int ref_appends(Ref* ref, const Ref* other) {
    int failed = 0;
    // The count bounds the walk, so appending a list to itself ends.
    const tab_ref_elem* e = other->first;
    for (int32_t n = other->size; e != nullptr && n > 0; e = e->next, --n)
      if (ref_append(ref, static_cast<L*>(e->listelem)) == nullptr) ++failed;
    return failed;
  }

  static int ref_delete(Ref** ref) {
    if (ref == nullptr || *ref == nullptr) return 0;
    for (tab_ref_elem* e = (*ref)->first; e != nullptr;) {
      tab_ref_elem* next = e->next;
      delete e;
      e = next;
    }
    delete *ref;
    *ref = nullptr;
    return 0;
  }

  static void action_append(const vtree_node* node, void* ref, vtree_visit visit, int) {
    if (node != nullptr && (visit == vtree_postorder || visit == vtree_leaf))
      ref_append(static_cast<Ref*>(ref), static_cast<L*>(node->key));
  }

  // --- the table and its indexes ------------------------------------------------

  static vtree_node*& root(Tab* tab, int slot) { return tab->*(M::index_root[slot]); }
  static vtree_cmp_fn index_cmp(int slot) { return M::field_cmp[M::index_field[slot]]; }

  static void init_idxs(Tab* tab) {
    for (int i = 0; i < M::index_count; ++i) root(tab, i) = nullptr;
  }

  static Tab* tab_new() {
    Tab* tab = new (std::nothrow) Tab();
    if (tab == nullptr) return nullptr;
    tab->first = tab->last = nullptr;
    tab->size = 0;
    tab->damaged = 0;
    init_idxs(tab);
    return tab;
  }

  static void delete_void(void*) {}

  static int destroy_idxs(Tab* tab) {
    for (int i = 0; i < M::index_count; ++i) {
      if (root(tab, i) != nullptr) vtree_destroy(root(tab, i), delete_void);
      root(tab, i) = nullptr;
    }
    return 0;
  }

  static int tab_delete(Tab** tab) {
    if (tab == nullptr || *tab == nullptr) return 0;
    destroy_idxs(*tab);
    list_delete(&(*tab)->first);
    delete *tab;
    *tab = nullptr;
    return 0;
  }

  static int append(Tab* tab, T* row) {
    L* e = listelem_new(tab->last, row);
    if (e == nullptr) return -3;
    if (tab->first == nullptr) tab->first = e;
    if (tab->last) tab->last->next = e;
    tab->last = e;
    ++tab->size;
    return 0;
  }

  static bool tree_holds(const vtree_node* n, const void* key) {
    for (; n != nullptr; n = n->right) {
      for (const vtree_node* c = n; c != nullptr; c = c->next)
        if (c->key == key) return true;
      if (tree_holds(n->left, key)) return true;
    }
    return false;
  }

  // Takes the element out of index slot.  An element whose field was changed
  // behind the index's back cannot be found by its value; rather than leave it
  // in the tree, to be reached after it is freed, the index is rebuilt without it.
  static void unindex(L* e, Tab* tab, int slot) {
    vtree_node*& r = root(tab, slot);
    if (vtree_delete(e, &r, index_cmp(slot)) != nullptr || !tree_holds(r, e)) return;
    std::printf("%s: index of '%s' out of order, rebuilt\n", M::name, M::field_names[M::index_field[slot]]);
    vtree_destroy(r, delete_void);
    r = nullptr;
    for (L* x = tab->first; x != nullptr; x = x->next)
      if (x != e) vtree_search(x, &r, index_cmp(slot), nullptr);
  }

  static int delete_idxs(L* e, Tab* tab) {
    for (int i = 0; i < M::index_count; ++i) unindex(e, tab, i);
    return 0;
  }

  // Enters the last element into every index.  When index slot k cannot take
  // it, the element leaves the indexes that took it and the table, and the
  // result is -(1 + position of the index's field), the key being 1.
  static int upd_idxs(Tab* tab) {
    L* e = tab->last;
    if (e == nullptr) return 0;
    for (int i = 0; i < M::index_count; ++i)
      if (vtree_search(e, &root(tab, i), index_cmp(i), nullptr) == nullptr) return leave(tab, e, i);
    return 0;
  }

  // The last element e, which index slot i could not take, leaves the
  // indexes before it and the table: -(1 + position of the index's field).
  static int leave(Tab* tab, L* e, int i) {
    for (int j = 0; j < i; ++j) vtree_delete(e, &root(tab, j), index_cmp(j));
    tab->last = e->prev;
    if (tab->first == e) tab->first = nullptr;
    --tab->size;
    listelem_delete(&e);
    return -(2 + M::index_field[i]);
  }

  // Whether a field's index may take a value above its greatest without
  // comparing on the way down: the built-in order of a type whose values are
  // totally ordered.  Not for doubles (a NaN equals everything) nor for an
  // order of a table's own.
  template <class F>
  static constexpr bool ordered_append =
      !std::is_same_v<typename F::type, double> && requires { vtab_order<F::member>::builtin; };

  // The indexes of a table being loaded.  Records mostly come in the order of
  // their key, each above every one before it: such a record goes into the
  // index along the right edge the index keeps, with no descent.  Valid
  // while the records go into the table through upd_idxs alone.
  class loading {
   public:
    explicit loading(Tab* tab) : tab_(tab) {
      for (int i = 0; i < M::index_count; ++i) edge_[i].attach(&root(tab, i));
    }

    // upd_idxs for the last element, with the same results.
    int upd_idxs() {
      L* e = tab_->last;
      if (e == nullptr) return 0;
      int failed = -1;
      M::for_each_field([&](auto f) {
        using F = decltype(f);
        if constexpr (M::index_slot(F::pos) >= 0) {
          if (failed < 0 && enter<F>(e) == nullptr) failed = M::index_slot(F::pos);
        }
      });
      if (failed < 0) return 0;
      for (auto& a : edge_) a.reset();
      return leave(tab_, e, failed);
    }

   private:
    template <class F>
    vtree_node* enter(L* e) {
      constexpr int slot = M::index_slot(F::pos);
      kal::vtree_appender& a = edge_[slot];
      if constexpr (ordered_append<F>) {
        using O = vtab_order<F::member>;
        // Not above the record before it, then not above the greatest either.
        if (e->prev == nullptr || O::cmp(F::of(*e->row), F::of(*e->prev->row)) > 0) {
          const vtree_node* max = a.max();
          if (max != nullptr && O::cmp(F::of(*e->row), F::of(*static_cast<const L*>(max->key)->row)) > 0)
            return a.insert_above(e);
        }
      }
      a.reset();
      return vtree_search(e, &root(tab_, slot), index_cmp(slot), nullptr);
    }

    Tab* tab_;
    kal::vtree_appender edge_[M::index_count];
  };

  static int insert(Tab* tab, const T* src) {
    T* row = new_row(src);
    if (row == nullptr) return -2;
    if (append(tab, row) != 0) {
      delete_row(&row);
      return -3;
    }
    return upd_idxs(tab);
  }

  static int inserts(Tab* tab, const Ref* ref) {
    int failed = 0;
    const tab_ref_elem* e = ref->first;
    for (int32_t n = ref->size; e != nullptr && n > 0; e = e->next, --n) {
      T* row = vtab_row<T>(e);
      if (row == nullptr || insert(tab, row) != 0) ++failed;
    }
    return failed;
  }

  static Tab* create(const Ref* ref) {
    Tab* tab = tab_new();
    if (tab != nullptr) inserts(tab, ref);
    return tab;
  }

  // Removes every record named by the list; the list's hits become NULL.  A
  // record named twice is removed once.
  static int removes(Tab* tab, Ref* ref) {
    if (ref == nullptr || ref->first == nullptr) return 0;
    forget_repeats(ref);
    for (tab_ref_elem* r = ref->first; r != nullptr; r = r->next) {
      L* e = static_cast<L*>(r->listelem);
      if (e == nullptr) continue;
      delete_idxs(e, tab);
      if (e == tab->first) tab->first = e->next;
      if (e == tab->last) tab->last = e->prev;
      listelem_delete(&e);
      r->listelem = nullptr;
      --tab->size;
    }
    return 0;
  }

  static void forget_repeats(Ref* ref) {
    if (ref->first == ref->last) return;
    try {
      std::unordered_set<void*> seen;
      for (tab_ref_elem* r = ref->first; r != nullptr; r = r->next)
        if (r->listelem != nullptr && !seen.insert(r->listelem).second) r->listelem = nullptr;
    } catch (const std::bad_alloc&) {
      for (tab_ref_elem* r = ref->first; r != nullptr; r = r->next)
        for (tab_ref_elem* s = r->next; s != nullptr && r->listelem != nullptr; s = s->next)
          if (s->listelem == r->listelem) s->listelem = nullptr;
    }
  }

  static int remove_all(Tab* tab) {
    destroy_idxs(tab);
    list_delete(&tab->first);
    tab->last = nullptr;
    tab->size = 0;
    return 0;
  }

  // --- queries --------------------------------------------------------------------

  // The codes a list scan or an index walk answers.
  static bool ordered_code(int code) { return (code >= VTAB_CMP_LE && code <= VTAB_CMP_GREAT) || code == VTAB_CMP_NEQUAL; }

  static bool keeps(int code, int r) {
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

  static L* tab_min(Tab* tab, vtree_cmp_fn cmp) {
    L* best = tab->first;
    for (L* e = tab->first; e != nullptr; e = e->next)
      if (cmp(e, best) < 0) best = e;
    return best;
  }

  static L* tab_max(Tab* tab, vtree_cmp_fn cmp) {
    L* best = tab->first;
    for (L* e = tab->first; e != nullptr; e = e->next)
      if (cmp(e, best) > 0) best = e;
    return best;
  }

  // List scan: the elements e with cmp(e, key) satisfying the code, in list order.
  static Ref* tab_get(Tab* tab, L* key, int code, vtree_cmp_fn cmp) {
    Ref* ref = ref_new();
    if (ref == nullptr || !ordered_code(code)) return ref;
    for (L* e = tab->first; e != nullptr; e = e->next)
      if (keeps(code, cmp(e, key))) ref_append(ref, e);
    return ref;
  }

  static L* idx_min(vtree_node* r) {
    vtree_node* n = vtree_find_min(r);
    return n ? static_cast<L*>(n->key) : nullptr;
  }
  static L* idx_max(vtree_node* r) {
    vtree_node* n = vtree_find_max(r);
    return n ? static_cast<L*>(n->key) : nullptr;
  }

  // Index query: codes 1 to 5 walk the index (ascending key, equal keys in
  // chain order); 10 scans the list; the rest give an empty list.
  static Ref* idx_get(Tab* tab, L* key, int code, vtree_node* r, vtree_cmp_fn cmp) {
    if (code == VTAB_CMP_LIKE || code == VTAB_CMP_LIKEIC || code == VTAB_CMP_NEQUAL || code == VTAB_CMP_NEQIC)
      return tab_get(tab, key, code, cmp);
    Ref* ref = ref_new();
    if (ref == nullptr) return nullptr;
    switch (code) {
      case VTAB_CMP_LE: vtree_walk_le(r, key, cmp, action_append, ref); break;
      case VTAB_CMP_GE: vtree_walk_ge(r, key, cmp, action_append, ref); break;
      case VTAB_CMP_EQUAL: vtree_walk_gele(r, key, key, cmp, action_append, ref); break;
      case VTAB_CMP_LESS: vtree_walk_less(r, key, cmp, action_append, ref); break;
      case VTAB_CMP_GREAT: vtree_walk_great(r, key, cmp, action_append, ref); break;
      default: break;
    }
    return ref;
  }

  static Ref* idx_sub(L* low, L* high, vtree_node* r, vtree_cmp_fn cmp) {
    Ref* ref = ref_new();
    if (ref != nullptr) vtree_walk_gele(r, low, high, cmp, action_append, ref);
    return ref;
  }

  // --- per-field members -------------------------------------------------------

  // A key element: an element on the stack whose record holds one value.
  struct probe {
    T row{};
    L elem{&row, nullptr, nullptr};
    probe() = default;
    probe(const probe&) = delete;
    probe& operator=(const probe&) = delete;
  };

  template <class V, class A>
  static bool set_probe(probe& p, V T::*m, A value) {
    try {
      p.row.*m = value;
      return true;
    } catch (const std::bad_alloc&) {
      return false;
    }
  }

  static constexpr vtab_fold_fn fold = vtab_to_lowlang_cp1250;

  // Pattern codes of a text field: a list scan.
  static Ref* match(Tab* tab, ostr T::*m, const char* pattern, int code, const char* member) {
    Ref* ref = ref_new();
    if (ref == nullptr) return nullptr;
    long len = pattern ? static_cast<long>(std::strlen(pattern)) : 0;
    if (code == VTAB_CMP_NEQIC)
      std::printf("%s(CMP_NEQIC): all_size=%ld listelem=0x%s\n", member, static_cast<long>(tab->size),
                  vtab_dword_hex(tab->first).c_str());
    for (L* e = tab->first; e != nullptr; e = e->next) {
      const char* v = (e->row->*m).get();
      bool hit;
      if (code == VTAB_CMP_LIKE) hit = vtab_chkpatrn(v, pattern, len) != 0;
      else if (code == VTAB_CMP_LIKEIC) hit = vtab_chkpatrnic(v, pattern, len, fold) != 0;
      else hit = vtab_chkpatrnic(v, pattern, len, fold) == 0;
      if (hit) ref_append(ref, e);
    }
    return ref;
  }

  template <class V, class A>
  static Ref* gets(Tab* tab, int pos, V T::*m, A value, int code, const char* member) {
    if constexpr (std::is_same_v<V, ostr>) {
      if (code == VTAB_CMP_LIKE || code == VTAB_CMP_LIKEIC || code == VTAB_CMP_NEQIC)
        return match(tab, m, value, code, member);
    }
    probe p;
    if (!set_probe(p, m, value)) return nullptr;
    vtree_cmp_fn cmp = M::field_cmp[pos];
    int slot = M::index_slot(pos);
    if (slot >= 0) return idx_get(tab, &p.elem, code, root(tab, slot), cmp);
    return tab_get(tab, &p.elem, code, cmp);
  }

  // The first element the index query of `code` would list, found by going
  // down the tree once instead of listing every hit: the leftmost node in
  // range (equal keys share a node, whose own key comes first in its chain).
  static L* idx_first(vtree_node* n, const L* key, int code, vtree_cmp_fn cmp) {
    if (code == VTAB_CMP_LE || code == VTAB_CMP_LESS) {
      L* min = idx_min(n);
      if (min == nullptr) return nullptr;
      const int c = cmp(key, min);
      return (code == VTAB_CMP_LE ? c >= 0 : c > 0) ? min : nullptr;
    }
    vtree_node* found = nullptr;
    while (n != nullptr) {
      const int c = cmp(key, n->key);
      const bool in_range = code == VTAB_CMP_GREAT ? c < 0 : c <= 0;
      if (code == VTAB_CMP_EQUAL && c == 0) found = n;
      else if (code != VTAB_CMP_EQUAL && in_range) found = n;
      n = in_range ? n->left : n->right;
    }
    return found ? static_cast<L*>(found->key) : nullptr;
  }

  template <class V, class A>
  static T* get(Tab* tab, int pos, V T::*m, A value, int code, const char* member) {
    // The common look-ups take the first hit straight away.  Numbers with a
    // fraction keep the full query: a NaN compares equal to everything, and
    // only the walk says which of several such nodes comes first.
    if constexpr (!std::is_same_v<V, double>) {
      const bool ordered = code >= VTAB_CMP_LE && code <= VTAB_CMP_GREAT;
      if (ordered && tab != nullptr) {
        probe p;
        if (!set_probe(p, m, value)) return nullptr;
        vtree_cmp_fn cmp = M::field_cmp[pos];
        const int slot = M::index_slot(pos);
        if (slot >= 0) {
          L* first = idx_first(root(tab, slot), &p.elem, code, cmp);
          return first ? first->row : nullptr;
        }
        for (L* e = tab->first; e != nullptr; e = e->next)
          if (keeps(code, cmp(e, &p.elem))) return e->row;
        return nullptr;
      }
    }
    Ref* ref = gets(tab, pos, m, value, code, member);
    if (ref == nullptr) return nullptr;
    T* row = vtab_row<T>(ref->first);
    ref_delete(&ref);
    return row;
  }

  template <class V, class A>
  static Ref* sub(Tab* tab, int pos, V T::*m, A low, A high) {
    probe lo, hi;
    if (!set_probe(lo, m, low) || !set_probe(hi, m, high)) return nullptr;
    vtree_cmp_fn cmp = M::field_cmp[pos];
    int slot = M::index_slot(pos);
    if (slot >= 0) return idx_sub(&lo.elem, &hi.elem, root(tab, slot), cmp);
    Ref* ref = ref_new();
    if (ref == nullptr) return nullptr;
    for (L* e = tab->first; e != nullptr; e = e->next)
      if (cmp(e, &lo.elem) >= 0 && cmp(e, &hi.elem) <= 0) ref_append(ref, e);
    return ref;
  }

  template <class V, class O>
  static int minmax(Tab* tab, int pos, V T::*m, O* out, bool greatest) {
    int slot = M::index_slot(pos);
    L* e;
    if (slot >= 0) e = greatest ? idx_max(root(tab, slot)) : idx_min(root(tab, slot));
    else e = greatest ? tab_max(tab, M::field_cmp[pos]) : tab_min(tab, M::field_cmp[pos]);
    if (e == nullptr) return -1;
    if (out != nullptr) {
      if constexpr (std::is_same_v<V, ostr>) *out = (e->row->*m).get();
      else *out = e->row->*m;
    }
    return 0;
  }

  // The new value of an update, held apart from every record: the value may
  // be a text of one of the records being changed.
  template <class V, class A>
  struct held {
    A v;
    explicit held(A value) : v(value) {}
    bool store(V& dst) const {
      dst = v;
      return true;
    }
  };
  template <class A>
  struct held<ostr, A> {
    std::optional<std::string> v;
    explicit held(const char* value) {
      if (value) v.emplace(value);
    }
    bool store(ostr& dst) const {
      if (!v) {
        dst.reset();
        return true;
      }
      try {
        dst = std::string_view(*v);
        return true;
      } catch (const std::bad_alloc&) {
        dst.reset();
        return false;
      }
    }
  };

  // Sets the field in every record of the list; an indexed field re-enters
  // each record into its index.  The number of records that could not be
  // completed (a text not copied, an index entry not made; such a record is
  // left out of that index).
  template <class V, class A>
  static int update(Tab* tab, int pos, V T::*m, Ref* ref, A value) {
    if (ref == nullptr || ref->first == nullptr) return 0;
    std::optional<held<V, A>> h;
    try {
      h.emplace(value);
    } catch (const std::bad_alloc&) {
      return ref->size;  // nothing changed
    }
    int slot = M::index_slot(pos);
    int failed = 0;
    for (tab_ref_elem* r = ref->first; r != nullptr; r = r->next) {
      L* e = static_cast<L*>(r->listelem);
      if (e == nullptr) continue;
      if (slot < 0) {
        if (!h->store(e->row->*m)) ++failed;
        continue;
      }
      unindex(e, tab, slot);
      if (!h->store(e->row->*m) || vtree_search(e, &root(tab, slot), index_cmp(slot), nullptr) == nullptr)
        ++failed;
    }
    return failed;
  }

  using key_arg = typename M::key_kind::arg;

  static Ref* gets_key(Tab* tab, key_arg key) {
    return gets(tab, 0, M::key_member, key, VTAB_CMP_EQUAL, nullptr);
  }

  // By-key update of one field: 0 when no record has the key, else the
  // update's result; -1 when the records could not even be looked up.
  template <class V, class A>
  static int upd(Tab* tab, int pos, V T::*m, key_arg key, A value) {
    Ref* ref = gets_key(tab, key);
    if (ref == nullptr) return -1;
    int result = ref->size > 0 ? update(tab, pos, m, ref, value) : 0;
    ref_delete(&ref);
    return result;
  }

  template <class F>
  static typename F::kind::arg arg_of(const T& row) {
    if constexpr (std::is_same_v<typename F::type, ostr>) return F::of(row).get();
    else return F::of(row);
  }

  // Every non-key field of the records with row's key set from row; the
  // result of the last field's update.
  static int update_row(Tab* tab, const T* row) {
    Ref* ref = gets_key(tab, row->*M::key_member);
    if (ref == nullptr) return -1;
    int result = 0;
    if (ref->size > 0) {
      M::for_each_field([&](auto f) {
        using F = decltype(f);
        if constexpr (F::pos != 0) result = update(tab, F::pos, F::member, ref, arg_of<F>(*row));
      });
    }
    ref_delete(&ref);
    return result;
  }
};

// ---------------------------------------------------------------------------
// Definitions of a table's named members: VTAB_DEFINE(T, generation) in
// db/<T>.cpp (VTAB_DEFINE_OWN_LOADER for a table with a loader of its own).
// ---------------------------------------------------------------------------

#define VTAB_GENERIC_DEF(T)                                                                                      \
  T##_listelem* T##_listelem_new(T##_listelem* prev, T* row) { return vtab_engine<T>::listelem_new(prev, row); } \
  int T##_delete(T** row) { return vtab_engine<T>::delete_row(row); }                                           \
  int T##_listelem_delete(T##_listelem** elem) { return vtab_engine<T>::listelem_delete(elem); }                \
  int T##_list_delete(T##_listelem** first) { return vtab_engine<T>::list_delete(first); }                      \
  T##_ref* T##_ref_new() { return vtab_engine<T>::ref_new(); }                                                  \
  tab_ref_elem* T##_ref_append(T##_ref* ref, T##_listelem* elem) { return vtab_engine<T>::ref_append(ref, elem); } \
  int T##_ref_appends(T##_ref* ref, const T##_ref* other) { return vtab_engine<T>::ref_appends(ref, other); }   \
  int T##_ref_delete(T##_ref** ref) { return vtab_engine<T>::ref_delete(ref); }                                 \
  void T##_init(T* row) { vtab_engine<T>::init(row); }                                                          \
  void T##_tab_init_idxs(T##_tab* tab) { vtab_engine<T>::init_idxs(tab); }                                      \
  T##_tab* T##_tab_new() { return vtab_engine<T>::tab_new(); }                                                  \
  void T##_delete_void(void*) {}                                                                                \
  T##_listelem* T##_tab_min(T##_tab* tab, vtree_cmp_fn cmp) { return vtab_engine<T>::tab_min(tab, cmp); }       \
  T##_listelem* T##_tab_max(T##_tab* tab, vtree_cmp_fn cmp) { return vtab_engine<T>::tab_max(tab, cmp); }       \
  T##_ref* T##_tab_get(T##_tab* tab, T##_listelem* key, int code, vtree_cmp_fn cmp) {                           \
    return vtab_engine<T>::tab_get(tab, key, code, cmp);                                                        \
  }                                                                                                             \
  void T##_action_append(const vtree_node* node, void* ref, vtree_visit visit, int depth) {                     \
    vtab_engine<T>::action_append(node, ref, visit, depth);                                                     \
  }                                                                                                             \
  T##_listelem* T##_tab_idx_min(vtree_node* root) { return vtab_engine<T>::idx_min(root); }                     \
  T##_listelem* T##_tab_idx_max(vtree_node* root) { return vtab_engine<T>::idx_max(root); }                     \
  T##_ref* T##_tab_idx_get(T##_tab* tab, T##_listelem* key, int code, vtree_node* root, vtree_cmp_fn cmp) {     \
    return vtab_engine<T>::idx_get(tab, key, code, root, cmp);                                                  \
  }                                                                                                             \
  T##_ref* T##_tab_idx_sub(T##_listelem* low, T##_listelem* high, vtree_node* root, vtree_cmp_fn cmp) {         \
    return vtab_engine<T>::idx_sub(low, high, root, cmp);                                                       \
  }                                                                                                             \
  int T##_tab_append(T##_tab* tab, T* row) { return vtab_engine<T>::append(tab, row); }                         \
  int T##_tab_delete_idxs(T##_listelem* elem, T##_tab* tab) { return vtab_engine<T>::delete_idxs(elem, tab); }  \
  int T##_tab_removes(T##_tab* tab, T##_ref* ref) { return vtab_engine<T>::removes(tab, ref); }                 \
  int T##_tab_upd_idxs(T##_tab* tab) { return vtab_engine<T>::upd_idxs(tab); }                                  \
  int T##_copy(T* dst, const T* src) { return vtab_engine<T>::copy(dst, src); }                                 \
  T* T##_new(const T* src) { return vtab_engine<T>::new_row(src); }                                             \
  int T##_tab_insert(T##_tab* tab, const T* src) { return vtab_engine<T>::insert(tab, src); }                   \
  int T##_tab_inserts(T##_tab* tab, const T##_ref* ref) { return vtab_engine<T>::inserts(tab, ref); }           \
  T##_tab* T##_create(const T##_ref* ref) { return vtab_engine<T>::create(ref); }                               \
  int T##_tab_destroy_idxs(T##_tab* tab) { return vtab_engine<T>::destroy_idxs(tab); }                          \
  int T##_tab_delete(T##_tab** tab) { return vtab_engine<T>::tab_delete(tab); }

#define VTAB_X_FIELDDEF(T, F, k, r)                                                                    \
  int T##_##F##_cmp(const void* a, const void* b) {                                                    \
    return vtab_order<&T::F>::cmp(static_cast<const T##_listelem*>(a)->row->F,                          \
                                  static_cast<const T##_listelem*>(b)->row->F);                         \
  }                                                                                                    \
  T##_ref* T##_tab_gets_##F(T##_tab* tab, vtab_kind_##k::arg value, int code) {                         \
    return vtab_engine<T>::gets(tab, vtab_meta<T>::f_##F, &T::F, value, code, #T "_tab_gets_" #F);     \
  }                                                                                                    \
  T* T##_tab_get_##F(T##_tab* tab, vtab_kind_##k::arg value, int code) {                                \
    return vtab_engine<T>::get(tab, vtab_meta<T>::f_##F, &T::F, value, code, #T "_tab_gets_" #F);      \
  }                                                                                                    \
  T##_ref* T##_tab_sub_##F(T##_tab* tab, vtab_kind_##k::arg low, vtab_kind_##k::arg high) {             \
    return vtab_engine<T>::sub(tab, vtab_meta<T>::f_##F, &T::F, low, high);                            \
  }                                                                                                    \
  int T##_tab_min_##F(T##_tab* tab, vtab_kind_##k::out* out) {                                         \
    return vtab_engine<T>::minmax(tab, vtab_meta<T>::f_##F, &T::F, out, false);                        \
  }                                                                                                    \
  VTAB_MAXDEF_##r(T, F, k) int T##_tab_update_##F(T##_tab* tab, T##_ref* ref, vtab_kind_##k::arg value) { \
    return vtab_engine<T>::update(tab, vtab_meta<T>::f_##F, &T::F, ref, value);                        \
  }
#define VTAB_MAXDEF_key(T, F, k)                                        \
  int T##_tab_max_##F(T##_tab* tab, vtab_kind_##k::out* out) {          \
    return vtab_engine<T>::minmax(tab, vtab_meta<T>::f_##F, &T::F, out, true); \
  }
#define VTAB_MAXDEF_key_nomax(T, F, k)
#define VTAB_MAXDEF_mkey(T, F, k) VTAB_MAXDEF_key(T, F, k)
#define VTAB_MAXDEF_midx(T, F, k) VTAB_MAXDEF_key(T, F, k)
#define VTAB_MAXDEF_col(T, F, k) VTAB_MAXDEF_key(T, F, k)

#define VTAB_X_UPDDEF(T, F, k, r) VTAB_UPDDEF_##r(T, F, k)
#define VTAB_UPDDEF_key(T, F, k)
#define VTAB_UPDDEF_key_nomax(T, F, k)
#define VTAB_UPDDEF_mkey(T, F, k)
#define VTAB_UPDDEF_midx(T, F, k)                                                                     \
  int T##_tab_upd_##F(T##_tab* tab, vtab_meta<T>::key_kind::arg key, vtab_kind_##k::arg value) {     \
    return vtab_engine<T>::upd(tab, vtab_meta<T>::f_##F, &T::F, key, value);                         \
  }
#define VTAB_UPDDEF_col(T, F, k) VTAB_UPDDEF_midx(T, F, k)

#define VTAB_GENDEF_1(T)
#define VTAB_GENDEF_2(T)                                                                       \
  int T##_tab_remove_all(T##_tab* tab) { return vtab_engine<T>::remove_all(tab); }             \
  T##_FIELDS(VTAB_X_UPDDEF, T)                                                                 \
  int T##_tab_update(T##_tab* tab, const T* row) { return vtab_engine<T>::update_row(tab, row); }

#define VTAB_DEFINE_MEMBERS(T, gen)                                                           \
  static_assert(vtab_meta<T>::generation == gen, #T ": declared and defined generations differ"); \
  VTAB_GENERIC_DEF(T)                                                                         \
  T##_FIELDS(VTAB_X_FIELDDEF, T)                                                              \
  VTAB_GENDEF_##gen(T)                                                                        \
  VTAB_FILE_DEF(T)

#define VTAB_DEFINE(T, gen)                                                                       \
  static_assert(!vtab_meta<T>::options.own_loader,                                                \
                #T ": a table with a loader of its own is defined with VTAB_DEFINE_OWN_LOADER"); \
  VTAB_DEFINE_MEMBERS(T, gen)                                                                     \
  VTAB_LOAD_DEF(T)

// A table declared with .own_loader = true: every member but <T>_tab_load,
// which its module defines (vtab_file<T>::load does the reading).
#define VTAB_DEFINE_OWN_LOADER(T, gen)                                                              \
  static_assert(vtab_meta<T>::options.own_loader, #T ": declared without a loader of its own"); \
  VTAB_DEFINE_MEMBERS(T, gen)
