// The generated table.  Every table is declared once, by its name and its
// field list, and gets from that declaration its record type, its table, list
// element and result-list types, and every member named after the table and
// its fields (Firmy_tab_insert, Firmy_tab_gets_nazwa ...).  The members are
// thin named entries into one generic engine (db/vtab_engine.hpp); this header
// holds the types, the field metadata and the declarations.  db/README.md
// tells how to declare a table.
#pragma once

#include <cstdint>

#include "lib/ostr.hpp"
#include "lib/vtab_lang.hpp"
#include "lib/vtree.hpp"

namespace kal {
class TextIn;
class TextOut;
}  // namespace kal

// One hit of a query: the table's list element (not a copy), NULL once the
// record has been removed.  One type for every table.
struct tab_ref_elem {
  void* listelem;
  tab_ref_elem* next;
};

// A record in its table's list, in load and insertion order.
template <class R>
struct vtab_listelem {
  R* row;  // owned
  vtab_listelem* prev;
  vtab_listelem* next;
};

// The result list of a query on a table of records R.
template <class R>
struct vtab_ref {
  tab_ref_elem* first;
  tab_ref_elem* last;
  int32_t size;
};

// The record of a hit; NULL for a hit whose record has been removed.
template <class R>
R* vtab_row(const tab_ref_elem* e) {
  return e && e->listelem ? static_cast<vtab_listelem<R>*>(e->listelem)->row : nullptr;
}

// Field kinds: the C++ type a record holds, the type a query or an update takes
// and the type a minimum or maximum stores.
struct vtab_kind_z {  // unsigned 32-bit key, reference or counter
  using type = uint32_t;
  using arg = uint32_t;
  using out = uint32_t;
  static constexpr char letter = 'z';
};
struct vtab_kind_t {  // time, seconds since 1970
  using type = int64_t;
  using arg = int64_t;
  using out = int64_t;
  static constexpr char letter = 't';
};
struct vtab_kind_i {
  using type = int32_t;
  using arg = int32_t;
  using out = int32_t;
  static constexpr char letter = 'i';
};
struct vtab_kind_g {
  using type = double;
  using arg = double;
  using out = double;
  static constexpr char letter = 'g';
};
struct vtab_kind_c {  // one character, compared as a signed byte
  using type = char;
  using arg = char;
  using out = char;
  static constexpr char letter = 'c';
};
struct vtab_kind_s {  // owned text, possibly missing (NULL)
  using type = ostr;
  using arg = const char*;
  using out = const char*;  // the record's own text, not a copy
  static constexpr char letter = 's';
};

// The order of a field's values: -1, 0 or 1.  Numbers by value (a NaN equals
// everything), characters as signed bytes, texts byte by byte with a missing
// text equal to the empty one.
inline int vtab_cmp_value(uint32_t a, uint32_t b) { return a < b ? -1 : (a > b ? 1 : 0); }
inline int vtab_cmp_value(int64_t a, int64_t b) { return a < b ? -1 : (a > b ? 1 : 0); }
inline int vtab_cmp_value(int32_t a, int32_t b) { return a < b ? -1 : (a > b ? 1 : 0); }
inline int vtab_cmp_value(double a, double b) { return a < b ? -1 : (a > b ? 1 : 0); }
inline int vtab_cmp_value(char a, char b) {
  return vtab_cmp_value(static_cast<int32_t>(static_cast<signed char>(a)), static_cast<int32_t>(static_cast<signed char>(b)));
}
inline int vtab_cmp_value(const ostr& a, const ostr& b) { return a.compare(b); }

// The comparison of one field, named by its member pointer.  A table whose
// field needs another order specializes it in its own header, right after its
// declaration:
//   template <> struct vtab_order<&Sessions::address_ip> {
//     static int cmp(const ostr& a, const ostr& b);
//   };
template <auto Member>
struct vtab_order {
  static constexpr bool builtin = true;  // a table's own order does not have this
  template <class V>
  static int cmp(const V& a, const V& b) {
    return vtab_cmp_value(a, b);
  }
};

// Per-table choices that the file layer and the database root read.
struct vtab_options {
  bool header_line = true;  // the table file starts with the version line
  bool own_loader = false;  // the table's module defines its own <T>_tab_load
  int mgs_slot = -1;        // slot in the database root, -1 for none
};

// A list of table types.
template <class... T>
struct vtab_tables {};

// Metadata of a table, specialized by VTAB_DECLARE:
//   name, generation, options, field_count, field_names[], field_kinds (one
//   letter a field), field_cmp[] (the comparison members), the enumerators
//   f_<F> (0-based field positions), index_count, index_field[] (field
//   position of each index), index_root[] (member pointers into <T>_tab),
//   index_slot(pos) (index of a field, -1 if none), key_kind, key_member, and
//   for_each_field(fn), which calls fn with a vtab_field<...> for every field
//   in column order.
template <class R>
struct vtab_meta;

// The generic members of a table as pointers (listelem_new, delete_row,
// listelem_delete, list_delete, ref_new, ref_append, ref_appends, ref_delete,
// init, tab_init_idxs, tab_new, delete_void, tab_min, tab_max, tab_get,
// action_append, tab_idx_min, tab_idx_max, tab_idx_get, tab_idx_sub,
// tab_append, tab_delete_idxs, tab_removes, tab_upd_idxs, copy, new_row,
// tab_insert, tab_inserts, create, tab_destroy_idxs, tab_delete, and of the
// second generation tab_remove_all and tab_update, nullptr in the first), for
// code written once for every table.  Specialized by VTAB_DECLARE.
template <class R>
struct vtab_api;

// A field, as for_each_field hands it over: its kind, member pointer, position
// and name, and Ops, the field's named members as pointers (cmp, gets, get, sub,
// min, max, update, upd; max and upd are nullptr where the table has none).
template <class R, class Kind, auto Member, int Pos, class Ops>
struct vtab_field {
  using row = R;
  using kind = Kind;
  using type = typename Kind::type;
  using ops = Ops;
  static constexpr auto member = Member;
  static constexpr int pos = Pos;  // 0 is the key
  static constexpr char letter = Kind::letter;
  static constexpr const char* name() { return vtab_meta<R>::field_names[Pos]; }
  static constexpr bool indexed() { return vtab_meta<R>::index_slot(Pos) >= 0; }
  static type& of(R& r) { return r.*Member; }
  static const type& of(const R& r) { return r.*Member; }
};

// ---------------------------------------------------------------------------
// Declaring a table.  In db/<T>.hpp:
//
//   #define Firmy_FIELDS(X, T) X(T, Id, z, key) X(T, nazwa, s, col) ...
//   (one X a line, each line ending in a backslash)
//   VTAB_DECLARE(Firmy, 1, .mgs_slot = 0)
//
// Every field is X(T, name, kind letter, role), in column order; the first is
// the key.  Roles:
//   key        the key of a table with one index; the index root is `idx`
//   key_nomax  the same, but the table has no <T>_tab_max_<key>
//   mkey       the key of a table with several indexes; root `idx_<F>`
//   midx       a further indexed field; root `idx_<F>`
//   col        a field without an index
// The second argument is the generation (1, or 2 for the by-key members
// <T>_tab_remove_all, <T>_tab_upd_<F> and <T>_tab_update); then the options.
// db/<T>.cpp holds VTAB_DEFINE(T) after including db/vtab_engine.hpp.
// ---------------------------------------------------------------------------

#define VTAB_X_MEMBER(T, F, k, r) vtab_kind_##k::type F;
#define VTAB_X_ENUM(T, F, k, r) f_##F,
#define VTAB_X_NAME(T, F, k, r) #F,
#define VTAB_X_LETTER(T, F, k, r) #k
#define VTAB_X_CMPPTR(T, F, k, r) &T##_##F##_cmp,
#define VTAB_X_CMPDECL(T, F, k, r) int T##_##F##_cmp(const void* a, const void* b);

#define VTAB_X_ROOT(T, F, k, r) VTAB_ROOT_##r(F)
#define VTAB_ROOT_key(F) vtree_node* idx;
#define VTAB_ROOT_key_nomax(F) vtree_node* idx;
#define VTAB_ROOT_mkey(F) vtree_node* idx_##F;
#define VTAB_ROOT_midx(F) vtree_node* idx_##F;
#define VTAB_ROOT_col(F)

#define VTAB_X_ROOTPTR(T, F, k, r) VTAB_ROOTPTR_##r(T, F)
#define VTAB_ROOTPTR_key(T, F) &T##_tab::idx,
#define VTAB_ROOTPTR_key_nomax(T, F) &T##_tab::idx,
#define VTAB_ROOTPTR_mkey(T, F) &T##_tab::idx_##F,
#define VTAB_ROOTPTR_midx(T, F) &T##_tab::idx_##F,
#define VTAB_ROOTPTR_col(T, F)

#define VTAB_X_IDXFIELD(T, F, k, r) VTAB_IDXFIELD_##r(F)
#define VTAB_IDXFIELD_key(F) f_##F,
#define VTAB_IDXFIELD_key_nomax(F) f_##F,
#define VTAB_IDXFIELD_mkey(F) f_##F,
#define VTAB_IDXFIELD_midx(F) f_##F,
#define VTAB_IDXFIELD_col(F)

#define VTAB_X_IDXCOUNT(T, F, k, r) VTAB_IDXCOUNT_##r
#define VTAB_IDXCOUNT_key +1
#define VTAB_IDXCOUNT_key_nomax +1
#define VTAB_IDXCOUNT_mkey +1
#define VTAB_IDXCOUNT_midx +1
#define VTAB_IDXCOUNT_col

#define VTAB_X_KEYINFO(T, F, k, r) VTAB_KEYINFO_##r(T, F, k)
#define VTAB_KEYINFO_key(T, F, k)    \
  using key_kind = vtab_kind_##k; \
  static constexpr auto key_member = &T::F;
#define VTAB_KEYINFO_key_nomax(T, F, k) VTAB_KEYINFO_key(T, F, k)
#define VTAB_KEYINFO_mkey(T, F, k) VTAB_KEYINFO_key(T, F, k)
#define VTAB_KEYINFO_midx(T, F, k)
#define VTAB_KEYINFO_col(T, F, k)

#define VTAB_X_VISIT(T, F, k, r) fn(vtab_field<T, vtab_kind_##k, &T::F, f_##F, T##_##F##_ops>{});

// The members of one field.
#define VTAB_X_FIELDDECL(T, F, k, r)                                                                     \
  T##_ref* T##_tab_gets_##F(T##_tab* tab, vtab_kind_##k::arg value, int code);                           \
  T* T##_tab_get_##F(T##_tab* tab, vtab_kind_##k::arg value, int code);                                  \
  T##_ref* T##_tab_sub_##F(T##_tab* tab, vtab_kind_##k::arg low, vtab_kind_##k::arg high);               \
  int T##_tab_min_##F(T##_tab* tab, vtab_kind_##k::out* out);                                            \
  VTAB_MAXDECL_##r(T, F, k) int T##_tab_update_##F(T##_tab* tab, T##_ref* ref, vtab_kind_##k::arg value);
#define VTAB_MAXDECL_key(T, F, k) int T##_tab_max_##F(T##_tab* tab, vtab_kind_##k::out* out);
#define VTAB_MAXDECL_key_nomax(T, F, k)
#define VTAB_MAXDECL_mkey(T, F, k) VTAB_MAXDECL_key(T, F, k)
#define VTAB_MAXDECL_midx(T, F, k) VTAB_MAXDECL_key(T, F, k)
#define VTAB_MAXDECL_col(T, F, k) VTAB_MAXDECL_key(T, F, k)

// Second generation: one by-key update per non-key field.
#define VTAB_X_UPDDECL(T, F, k, r) VTAB_UPDDECL_##r(T, F, k)
#define VTAB_UPDDECL_key(T, F, k)
#define VTAB_UPDDECL_key_nomax(T, F, k)
#define VTAB_UPDDECL_mkey(T, F, k)
#define VTAB_UPDDECL_midx(T, F, k) \
  int T##_tab_upd_##F(T##_tab* tab, vtab_meta<T>::key_kind::arg key, vtab_kind_##k::arg value);
#define VTAB_UPDDECL_col(T, F, k) VTAB_UPDDECL_midx(T, F, k)

#define VTAB_GENDECL_1(T)
#define VTAB_GENDECL_2(T)                    \
  int T##_tab_remove_all(T##_tab* tab);      \
  T##_FIELDS(VTAB_X_UPDDECL, T)              \
  int T##_tab_update(T##_tab* tab, const T* row);

// The field's members as pointers, for code generated over the fields; one
// form a generation.
#define VTAB_X_OPS1(T, F, k, r) VTAB_OPS(T, F, k, VTAB_OPSMAX_##r(T, F), VTAB_NOUPD(T, k))
#define VTAB_X_OPS2(T, F, k, r) VTAB_OPS(T, F, k, VTAB_OPSMAX_##r(T, F), VTAB_OPSUPD_##r(T, F, k))
#define VTAB_OPS(T, F, k, maxp, updp)                 \
  struct T##_##F##_ops {                              \
    static constexpr auto cmp = &T##_##F##_cmp;       \
    static constexpr auto gets = &T##_tab_gets_##F;   \
    static constexpr auto get = &T##_tab_get_##F;     \
    static constexpr auto sub = &T##_tab_sub_##F;     \
    static constexpr auto min = &T##_tab_min_##F;     \
    static constexpr auto max = maxp;                 \
    static constexpr auto update = &T##_tab_update_##F; \
    static constexpr auto upd = updp;                 \
  };
#define VTAB_OPSMAX_key(T, F) &T##_tab_max_##F
#define VTAB_OPSMAX_key_nomax(T, F) static_cast<decltype(&T##_tab_min_##F)>(nullptr)
#define VTAB_OPSMAX_mkey(T, F) &T##_tab_max_##F
#define VTAB_OPSMAX_midx(T, F) &T##_tab_max_##F
#define VTAB_OPSMAX_col(T, F) &T##_tab_max_##F
#define VTAB_NOUPD(T, k) static_cast<int (*)(T##_tab*, vtab_meta<T>::key_kind::arg, vtab_kind_##k::arg)>(nullptr)
#define VTAB_OPSUPD_key(T, F, k) VTAB_NOUPD(T, k)
#define VTAB_OPSUPD_key_nomax(T, F, k) VTAB_NOUPD(T, k)
#define VTAB_OPSUPD_mkey(T, F, k) VTAB_NOUPD(T, k)
#define VTAB_OPSUPD_midx(T, F, k) &T##_tab_upd_##F
#define VTAB_OPSUPD_col(T, F, k) &T##_tab_upd_##F

// The generic members of a table.
#define VTAB_GENERIC_DECL(T)                                                                          \
  T##_listelem* T##_listelem_new(T##_listelem* prev, T* row);                                         \
  int T##_delete(T** row);                                                                            \
  int T##_listelem_delete(T##_listelem** elem);                                                       \
  int T##_list_delete(T##_listelem** first);                                                          \
  T##_ref* T##_ref_new();                                                                             \
  tab_ref_elem* T##_ref_append(T##_ref* ref, T##_listelem* elem);                                     \
  int T##_ref_appends(T##_ref* ref, const T##_ref* other);                                            \
  int T##_ref_delete(T##_ref** ref);                                                                  \
  void T##_init(T* row);                                                                              \
  void T##_tab_init_idxs(T##_tab* tab);                                                               \
  T##_tab* T##_tab_new();                                                                             \
  void T##_delete_void(void* key);                                                                    \
  T##_listelem* T##_tab_min(T##_tab* tab, vtree_cmp_fn cmp);                                          \
  T##_listelem* T##_tab_max(T##_tab* tab, vtree_cmp_fn cmp);                                          \
  T##_ref* T##_tab_get(T##_tab* tab, T##_listelem* key, int code, vtree_cmp_fn cmp);                  \
  void T##_action_append(const vtree_node* node, void* ref, vtree_visit visit, int depth);            \
  T##_listelem* T##_tab_idx_min(vtree_node* root);                                                    \
  T##_listelem* T##_tab_idx_max(vtree_node* root);                                                    \
  T##_ref* T##_tab_idx_get(T##_tab* tab, T##_listelem* key, int code, vtree_node* root, vtree_cmp_fn cmp); \
  T##_ref* T##_tab_idx_sub(T##_listelem* low, T##_listelem* high, vtree_node* root, vtree_cmp_fn cmp); \
  int T##_tab_append(T##_tab* tab, T* row);                                                           \
  int T##_tab_delete_idxs(T##_listelem* elem, T##_tab* tab);                                          \
  int T##_tab_removes(T##_tab* tab, T##_ref* ref);                                                    \
  int T##_tab_upd_idxs(T##_tab* tab);                                                                 \
  int T##_copy(T* dst, const T* src);                                                                 \
  T* T##_new(const T* src);                                                                           \
  int T##_tab_insert(T##_tab* tab, const T* src);                                                     \
  int T##_tab_inserts(T##_tab* tab, const T##_ref* ref);                                              \
  T##_tab* T##_create(const T##_ref* ref);                                                            \
  int T##_tab_destroy_idxs(T##_tab* tab);                                                             \
  int T##_tab_delete(T##_tab** tab);

// The table file: one record a line (db/vtab_file.hpp).
#define VTAB_FILE_DECL(T)                                          \
  int T##_to_file(kal::TextOut& file, const T* row);               \
  int T##_tab_save(kal::TextOut& file, const T##_tab* tab);        \
  void T##_print(const T* row);                                    \
  int T##_tab_print(const T##_tab* tab);                           \
  int T##_ref_print(const T##_ref* ref);                           \
  int T##_from_file(T* row, kal::TextIn& file, int* eof);          \
  int T##_tab_load(kal::TextIn& file, T##_tab* tab);

#define VTAB_API(T, gen)                                      \
  template <>                                                 \
  struct vtab_api<T> {                                        \
    static constexpr auto listelem_new = &T##_listelem_new;   \
    static constexpr auto delete_row = &T##_delete;           \
    static constexpr auto listelem_delete = &T##_listelem_delete; \
    static constexpr auto list_delete = &T##_list_delete;     \
    static constexpr auto ref_new = &T##_ref_new;             \
    static constexpr auto ref_append = &T##_ref_append;       \
    static constexpr auto ref_appends = &T##_ref_appends;     \
    static constexpr auto ref_delete = &T##_ref_delete;       \
    static constexpr auto init = &T##_init;                   \
    static constexpr auto tab_init_idxs = &T##_tab_init_idxs; \
    static constexpr auto tab_new = &T##_tab_new;             \
    static constexpr auto delete_void = &T##_delete_void;     \
    static constexpr auto tab_min = &T##_tab_min;             \
    static constexpr auto tab_max = &T##_tab_max;             \
    static constexpr auto tab_get = &T##_tab_get;             \
    static constexpr auto action_append = &T##_action_append; \
    static constexpr auto tab_idx_min = &T##_tab_idx_min;     \
    static constexpr auto tab_idx_max = &T##_tab_idx_max;     \
    static constexpr auto tab_idx_get = &T##_tab_idx_get;     \
    static constexpr auto tab_idx_sub = &T##_tab_idx_sub;     \
    static constexpr auto tab_append = &T##_tab_append;       \
    static constexpr auto tab_delete_idxs = &T##_tab_delete_idxs; \
    static constexpr auto tab_removes = &T##_tab_removes;     \
    static constexpr auto tab_upd_idxs = &T##_tab_upd_idxs;   \
    static constexpr auto copy = &T##_copy;                   \
    static constexpr auto new_row = &T##_new;                 \
    static constexpr auto tab_insert = &T##_tab_insert;       \
    static constexpr auto tab_inserts = &T##_tab_inserts;     \
    static constexpr auto create = &T##_create;               \
    static constexpr auto tab_destroy_idxs = &T##_tab_destroy_idxs; \
    static constexpr auto tab_delete = &T##_tab_delete;       \
    static constexpr auto tab_remove_all = VTAB_API_REMOVE_ALL_##gen(T); \
    static constexpr auto tab_update = VTAB_API_UPDATE_##gen(T); \
    static constexpr auto to_file = &T##_to_file;             \
    static constexpr auto tab_save = &T##_tab_save;           \
    static constexpr auto print = &T##_print;                 \
    static constexpr auto tab_print = &T##_tab_print;         \
    static constexpr auto ref_print = &T##_ref_print;         \
    static constexpr auto from_file = &T##_from_file;         \
    static constexpr auto tab_load = &T##_tab_load;           \
  };
#define VTAB_API_REMOVE_ALL_1(T) static_cast<int (*)(T##_tab*)>(nullptr)
#define VTAB_API_REMOVE_ALL_2(T) &T##_tab_remove_all
#define VTAB_API_UPDATE_1(T) static_cast<int (*)(T##_tab*, const T*)>(nullptr)
#define VTAB_API_UPDATE_2(T) &T##_tab_update

// The whole declaration: types, metadata, members.  Besides its list and its
// index roots, a table counts in `damaged` the records its last load could not
// take (a broken record, a record cut off by the end of the file, a load
// stopped for want of memory); while it is not 0, the file it was loaded from
// is kept aside before it is first overwritten (vtab_file_commit).
#define VTAB_DECLARE(T, gen, ...)                                                          \
  struct T {                                                                               \
    T##_FIELDS(VTAB_X_MEMBER, T)                                                           \
  };                                                                                       \
  using T##_listelem = vtab_listelem<T>;                                                   \
  using T##_ref = vtab_ref<T>;                                                             \
  struct T##_tab {                                                                         \
    T##_listelem* first;                                                                   \
    T##_listelem* last;                                                                    \
    int32_t size;                                                                          \
    T##_FIELDS(VTAB_X_ROOT, T)                                                             \
    int32_t damaged;                                                                       \
  };                                                                                       \
  T##_FIELDS(VTAB_X_CMPDECL, T)                                                            \
  template <>                                                                              \
  struct vtab_meta<T> {                                                                    \
    using row = T;                                                                         \
    using tab = T##_tab;                                                                   \
    using listelem = T##_listelem;                                                         \
    using ref = T##_ref;                                                                   \
    static constexpr const char* name = #T;                                                \
    static constexpr int generation = gen;                                                 \
    static constexpr vtab_options options{__VA_ARGS__};                                    \
    enum : int { T##_FIELDS(VTAB_X_ENUM, T) field_count };                                 \
    static constexpr const char* field_names[] = {T##_FIELDS(VTAB_X_NAME, T)};             \
    static constexpr const char field_kinds[] = T##_FIELDS(VTAB_X_LETTER, T);              \
    static constexpr vtree_cmp_fn field_cmp[] = {T##_FIELDS(VTAB_X_CMPPTR, T)};            \
    static constexpr int index_count = 0 T##_FIELDS(VTAB_X_IDXCOUNT, T);                   \
    static constexpr int index_field[] = {T##_FIELDS(VTAB_X_IDXFIELD, T)};                 \
    static constexpr vtree_node* T##_tab::* index_root[] = {T##_FIELDS(VTAB_X_ROOTPTR, T)}; \
    static constexpr int index_slot(int pos) {                                             \
      for (int i = 0; i < index_count; ++i)                                                \
        if (index_field[i] == pos) return i;                                               \
      return -1;                                                                           \
    }                                                                                      \
    T##_FIELDS(VTAB_X_KEYINFO, T)                                                          \
    template <class Fn>                                                                    \
    static void for_each_field(Fn&& fn);                                                   \
  };                                                                                       \
  static_assert(vtab_meta<T>::index_count >= 1 && vtab_meta<T>::index_field[0] == 0,       \
                #T ": the first field must be the key");                                   \
  VTAB_GENERIC_DECL(T)                                                                     \
  T##_FIELDS(VTAB_X_FIELDDECL, T)                                                          \
  VTAB_GENDECL_##gen(T)                                                                    \
  VTAB_FILE_DECL(T)                                                                        \
  VTAB_API(T, gen)                                                                         \
  T##_FIELDS(VTAB_X_OPS##gen, T)                                                           \
  template <class Fn>                                                                      \
  void vtab_meta<T>::for_each_field(Fn&& fn) {                                             \
    T##_FIELDS(VTAB_X_VISIT, T)                                                            \
  }
