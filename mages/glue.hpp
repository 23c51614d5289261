// The page glue: what moves one record of a table between the table and the
// session variables that hold a form, stages records for creation and update,
// and builds the choice lists (select options, radio buttons) from which other
// forms pick a record.
//
// Every table's glue is generated from its table declaration (db/<T>.hpp):
// the fields, their kinds and their names come from vtab_meta<T>, the member
// names from token pasting.  A table's glue module mages/<subsystem>/mgs_<T>0.hpp lists
// the member groups the table has and, where it differs from the plain
// template, a short description glue_desc<T>; mages/<subsystem>/mgs_<T>0.cpp defines the
// members.  For a table whose display text is its field `nazwa`:
//
//   // mages/firms/mgs_Formy_platnosci0.hpp
//   #pragma once
//   #include "db/Formy_platnosci.hpp"
//   #include "mages/glue.hpp"
//   #define Formy_platnosci_GLUE(X, T) X(record, T) X(create, T) X(update, T)
//     X(lookup, T, nazwa) X(ht, T) X(select_name, T) X(radio, T)
//     (one line, or lines continued with a backslash)
//   MGS_GLUE_DECLARE(Formy_platnosci)
//
//   // mages/firms/mgs_Formy_platnosci0.cpp
//   #include "mages/firms/mgs_Formy_platnosci0.hpp"
//   #include "mages/glue_impl.hpp"
//   MGS_GLUE_DEFINE(Formy_platnosci)
//
// Member groups and what they declare (T the table, F a field):
//
//   record          int mgs_T_from_ht(T* rec, const char* prefix, const char* suffix)
//                   int mgs_T_to_ht(const T* rec, const char* prefix, const char* suffix)
//                   int mgs_T_del_ht(const char* prefix, const char* suffix)
//                   int mgs_T_get(uint32_t Id, T* rec, const char* prefix, const char* suffix)
//   create          int mgs_T_create()            (reads the staging variables)
//   create_from     int mgs_T_create(const char* prefix, const char* suffix)
//   update          int mgs_T_update_F(uint32_t Id) for every field, int mgs_T_update(uint32_t Id)
//   update_each     int mgs_T_update_F(uint32_t Id) for every field (the table's own
//                   module writes mgs_T_update)
//   set, F          int mgs_T_upd_F(uint32_t Id, value): the field of the stored record set
//                   to value directly (no form, no save, no message); 0 for a missing record
//   lookup, F       T_F(uint32_t Id): the field of the record with that Id
//   key_by, F       uint32_t T_Id_by_F(value): the first record's Id in Id order whose F
//                   equals value (a text for a text field); missing_key when none
//   ht              hashtbl* T_ht()
//   select_options  int T_select_options(uint32_t selected, int flags)
//   select_name     int T_select_name(uint32_t selected, const char* name, int flags)
//   radio           int T_radio_name(uint32_t selected, const char* name)
//   vv              const char* T_vv(const char* text): the text's override from the page text
//                   file "<T>.vv" (read on first use, at most 100 pairs), else the text
//
// Besides the named members, kal::glue<T> (mages/glue_impl.hpp) offers what a
// table's own members build on: create_keyed (a new record under a key the
// caller gives, for records keyed by their parent), update_carried (an
// existing record takes only the fields the request itself carries) and
// put_field (one field of the records of a result set from a staged record).
//
// Form variables.  Field F of a record lives in the session variable
// prefix + T + "_" + F + suffix ("Formy_platnosci_nazwa";
// "Formy_platnosciNew.Formy_platnosci_nazwa" under the staging prefix).
// Numbers are written as decimal text, times as date and time (from_t),
// money with two decimals (from_gzl); they are read back with var_z, var_i,
// var_t, var_g, var_c and var_s.  A field that the description marks as
// minutes is an int written as "h:mm" and read with var_tmin; one marked as a
// count is a double written in its shortest form (from_gzl0).
//
// Numbers that are not finite (a form value such as "1e999" or "nan") are
// never stored: create and the update members refuse a staged record holding
// one, say so on the console and give -4.
//
// Records.  A record filled by the glue owns copies of its texts; a missing
// record reads as Id 0, every text "" and every number 0.
//
// Choice lists write data escaped: option labels as element text, radio
// labels as attribute values.  Control names are the page's own and are
// written as given.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <type_traits>
#include <utility>

#include "db/mgs.hpp"
#include "lib/hashtbl.hpp"

// --- the description of a table's glue ---------------------------------------------

// The text form of a field in a variable: by its kind, as minutes (an int,
// or a time field that holds minutes after midnight), or as a count in its
// shortest form (a double).
enum class glue_form { by_kind, tmin, gzl0 };

// How a select lists the records: in the Polish collation order of their
// display texts, records with equal texts collapsed into one option (the one
// with the highest Id), or every record in ascending Id order.
enum class glue_order { collation, by_id };

// How an option's label is escaped: as element text (& < >) or as an
// attribute value (also both quotes).
enum class glue_escape { text, attr };

struct glue_select_style {
  glue_order order = glue_order::collation;
  // Around option values.
  char quote = '\'';
  glue_escape label = glue_escape::text;
  // The frame of select_name: head_open, the control name, head_close, the
  // options, "</select>".
  const char* head_open = "<select name='";
  const char* head_close = "'>\n";
  // The row for no choice: shown when bit 0 of the flags is set, marked when
  // the selected Id is 0.
  const char* none_value = "0";
  const char* none_text = "----------------------------------";
  // Instead: the row for no choice only when the flags are exactly 1, never
  // marked.
  bool none_exact_one = false;
  // An empty table gives no select at all, not even its frame.
  bool nothing_when_empty = false;
};

template <class T>
struct glue_desc;

// What every table's glue does unless its description says otherwise.
template <class T>
struct glue_desc_base {
  // The prefix under which create and update find the staged record.
  static std::string staging_prefix() { return std::string(vtab_meta<T>::name) + "New."; }
  static constexpr glue_form form(int /*pos*/) { return glue_form::by_kind; }
  // What a look-up gives for an Id that no record has.
  static const char* missing_text() {
    static const std::string text = std::string("błąd ") + vtab_meta<T>::name + " !";
    return text.c_str();
  }
  // The display text of a record in the choice lists; false: the record has
  // none and is left out of sorted lists.
  static bool label(const T& r, std::string& out) {
    if (r.nazwa.is_null()) return false;
    out = r.nazwa.str();
    return true;
  }
  // The key of a record in T_ht (its display text unless said otherwise).
  static bool ht_key(const T& r, std::string& out) { return glue_desc<T>::label(r, out); }
  static constexpr glue_select_style select{};
  // select_name tells on the console what it was asked for.
  static constexpr bool trace_select_name = false;
  // from_ht and get say on the console what they read.
  static constexpr bool trace_record = false;

  // The key of a new record made by create: the highest key + 1 (in an empty
  // table the staged key + 1).  False: no key is free (nothing is created).
  template <class Tab>
  static bool next_key(Tab* t, std::uint32_t staged, std::uint32_t* out) {
    vtab_meta<T>::for_each_field([&](auto f) {
      if constexpr (decltype(f)::pos == 0) decltype(f)::ops::max(t, &staged);
    });
    *out = staged + 1;
    return true;
  }
  // What get does to a stored record it copied, and to the cleared record it
  // gives for an Id that no record has.
  static void after_get(T&) {}
  static void missing_record(T&) {}
  // A field whose update member acts only when the request itself carries
  // its variable (else it returns 0 at once).
  static constexpr bool update_only_when_carried(int /*pos*/) { return false; }
  // Where an update member says that the record is missing.
  static std::FILE* missing_stream(int /*pos*/) { return stdout; }
  // What key_by gives when no record has the value.
  static constexpr std::uint32_t missing_key = 0;
};

// A table's description; tables that differ specialize it, deriving from
// glue_desc_base<T> and replacing what differs.
template <class T>
struct glue_desc : glue_desc_base<T> {};

// --- the root's table of a record type ---------------------------------------------

template <class T>
struct glue_root;

#define MGS_GLUE_X_ROOT(T)                                                  \
  template <>                                                               \
  struct glue_root<T> {                                                     \
    static T##_tab* tab() { return _mgs ? _mgs->_##T##_tab : nullptr; }     \
    static int save() { return _mgs ? mgs_save_##T(_mgs) : 1; }             \
  };
#define MGS_GLUE_X_ROOT_NOSAVE(T)                                           \
  template <>                                                               \
  struct glue_root<T> {                                                     \
    static T##_tab* tab() { return _mgs ? _mgs->_##T##_tab : nullptr; }     \
    static int save() { return 1; }                                         \
  };
MGS_TABLES(MGS_GLUE_X_ROOT, MGS_GLUE_X_ROOT_NOSAVE)
#undef MGS_GLUE_X_ROOT
#undef MGS_GLUE_X_ROOT_NOSAVE

// What a look-up returns: the text for a text field, the value otherwise.
template <class T, auto Member>
using glue_lookup_t =
    std::conditional_t<std::is_same_v<std::remove_cvref_t<decltype(std::declval<T&>().*Member)>, ostr>, const char*,
                       std::remove_cvref_t<decltype(std::declval<T&>().*Member)>>;

// The argument type of a field's queries and updates (const char* for a
// text), for the declarations of the named members.
template <class T, auto Member>
auto vtab_field_arg() {
  using V = std::remove_cvref_t<decltype(std::declval<T&>().*Member)>;
  if constexpr (std::is_same_v<V, ostr>) return static_cast<const char*>(nullptr);
  else return V{};
}

// --- declaring and defining a table's glue ----------------------------------------------

#define MGS_GLUE_DECLARE(T) T##_GLUE(MGS_GLUE_X_DECL, T)
#define MGS_GLUE_DEFINE(T) T##_GLUE(MGS_GLUE_X_DEF, T)
#define MGS_GLUE_X_DECL(G, ...) MGS_GLUE_DECL_##G(__VA_ARGS__)
#define MGS_GLUE_X_DEF(G, ...) MGS_GLUE_DEF_##G(__VA_ARGS__)

#define MGS_GLUE_DECL_record(T)                                                   \
  int mgs_##T##_from_ht(T* rec, const char* prefix, const char* suffix);          \
  int mgs_##T##_to_ht(const T* rec, const char* prefix, const char* suffix);      \
  int mgs_##T##_del_ht(const char* prefix, const char* suffix);                   \
  int mgs_##T##_get(uint32_t Id, T* rec, const char* prefix, const char* suffix);
#define MGS_GLUE_DECL_create(T) int mgs_##T##_create();
#define MGS_GLUE_DECL_update_each(T) T##_FIELDS(MGS_GLUE_X_UPDATE_DECL, T)
#define MGS_GLUE_DECL_set(T, F) \
  int mgs_##T##_upd_##F(uint32_t Id, std::remove_cvref_t<decltype(vtab_field_arg<T, &T::F>())> value);
#define MGS_GLUE_DECL_vv(T) const char* T##_vv(const char* text);
#define MGS_GLUE_DECL_create_from(T) int mgs_##T##_create(const char* prefix, const char* suffix);
#define MGS_GLUE_X_UPDATE_DECL(T, F, k, r) int mgs_##T##_update_##F(uint32_t Id);
#define MGS_GLUE_DECL_update(T)              \
  T##_FIELDS(MGS_GLUE_X_UPDATE_DECL, T)      \
  int mgs_##T##_update(uint32_t Id);
#define MGS_GLUE_DECL_lookup(T, F) glue_lookup_t<T, &T::F> T##_##F(uint32_t Id);
#define MGS_GLUE_DECL_key_by(T, F) \
  uint32_t T##_Id_by_##F(std::remove_cvref_t<decltype(vtab_field_arg<T, &T::F>())> value);
#define MGS_GLUE_DECL_ht(T) hashtbl* T##_ht();
#define MGS_GLUE_DECL_select_options(T) int T##_select_options(uint32_t selected, int flags);
#define MGS_GLUE_DECL_select_name(T) int T##_select_name(uint32_t selected, const char* name, int flags);
#define MGS_GLUE_DECL_radio(T) int T##_radio_name(uint32_t selected, const char* name);
