// The one implementation behind every table's glue (mages/glue.hpp), and
// MGS_GLUE_DEFINE, which defines a table's named members on it.  Only the
// glue modules (mages/mgs_<T>0.cpp) include this file.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/vtab_key_map.hpp"
#include "lib/convert.hpp"
#include "mages/glue.hpp"
#include "mages/mgs_vv.hpp"
#include "server/form_dates.hpp"
#include "server/html_form.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"

namespace kal {

template <class T, class D = glue_desc<T>>
struct glue {
  using M = vtab_meta<T>;
  using Tab = typename M::tab;
  using Ref = vtab_ref<T>;
  static_assert(std::is_same_v<typename M::key_kind, vtab_kind_z>, "the glue keys records by an unsigned Id");

  static Tab* tab() { return glue_root<T>::tab(); }

  // The key field's members.
  template <class Fn>
  static void with_key(Fn&& fn) {
    M::for_each_field([&](auto f) {
      if constexpr (decltype(f)::pos == 0) fn(f);
    });
  }
  static std::uint32_t& key_of(T& r) { return r.*(M::key_member); }
  static std::uint32_t key_of(const T& r) { return r.*(M::key_member); }

  // The records with that Id (NULL when memory runs out); the caller frees it.
  static Ref* by_id(Tab* t, std::uint32_t id, int code = VTAB_CMP_EQUAL) {
    Ref* ref = nullptr;
    with_key([&](auto f) { ref = decltype(f)::ops::gets(t, id, code); });
    return ref;
  }
  static T* find(std::uint32_t id) {
    Tab* t = tab();
    if (!t) return nullptr;
    T* row = nullptr;
    with_key([&](auto f) { row = decltype(f)::ops::get(t, id, VTAB_CMP_EQUAL); });
    return row;
  }
  // Calls fn(row) for every record in ascending Id order; false when the
  // records cannot be listed (no table, no memory).
  template <class Fn>
  static bool each_by_id(Fn&& fn) {
    Tab* t = tab();
    if (!t) return false;
    Ref* ref = by_id(t, 0, VTAB_CMP_GE);
    if (!ref) return false;
    for (tab_ref_elem* e = ref->first; e; e = e->next)
      if (T* row = vtab_row<T>(e)) fn(*row);
    vtab_api<T>::ref_delete(&ref);
    return true;
  }

  // The same for a reading pass that changes no table (fn gets each record
  // in Id order, as each_by_id gives them), without a list of every record.
  template <class Fn>
  static bool each_in_id_order(Fn&& fn) {
    Tab* t = tab();
    if (!t) return false;
    vtab_for_each_by_key<T>(t, [&](const T& row, bool) { fn(row); });
    return true;
  }

  // prefix + T + "_" + F + suffix.
  static std::string var_name(const char* prefix, const char* field, const char* suffix) {
    std::string n = prefix ? prefix : "";
    n += M::name;
    n += '_';
    n += field;
    if (suffix) n += suffix;
    return n;
  }

  // --- one field as a variable's text ------------------------------------------------

  template <class F>
  static void read_field(T& r, const char* name) {
    static_cast<void>(form_dates_known);
    auto& v = F::of(r);
    if constexpr (F::letter == 'z') v = var_z(name);
    else if constexpr (F::letter == 'i') v = D::form(F::pos) == glue_form::tmin ? var_tmin(name) : var_i(name);
    else if constexpr (F::letter == 's') v = var_s(name);
    else if constexpr (F::letter == 't') v = D::form(F::pos) == glue_form::tmin ? var_tmin(name) : var_t(name);
    else if constexpr (F::letter == 'g') v = var_g(name);
    else if constexpr (F::letter == 'c') v = var_c(name);
  }

  template <class F>
  static const char* field_text(const T& r) {
    const auto& v = F::of(r);
    if constexpr (F::letter == 'z') return from_z(v);
    else if constexpr (F::letter == 'i') return D::form(F::pos) == glue_form::tmin ? from_tmin(v) : from_i(v);
    else if constexpr (F::letter == 's') return v.c_str();  // a missing text writes ""
    else if constexpr (F::letter == 't') return D::form(F::pos) == glue_form::tmin ? from_tmin(static_cast<int>(v)) : from_t(v);
    else if constexpr (F::letter == 'g') return D::form(F::pos) == glue_form::gzl0 ? from_gzl0(v) : from_gzl(v);
    else if constexpr (F::letter == 'c') return from_c(v);
  }

  // The table's date fields, every time field but a clock time in minutes,
  // made known as dates typed into forms (server/form_dates.hpp).
  static bool form_dates() {
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (F::letter == 't')
        if (D::form(F::pos) != glue_form::tmin) form_date_field(std::string(M::name) + "_" + F::name());
    });
    return true;
  }
  // Known from the program's start wherever the glue reads the table's form.
  static inline const bool form_dates_known = form_dates();

  // The position of the first field (of them all, or only that one) holding
  // a number that is not finite; -1 when there is none.
  static int not_finite(const T& r, int only = -1) {
    int bad = -1;
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (F::letter == 'g')
        if (bad < 0 && (only < 0 || only == F::pos) && !std::isfinite(F::of(r))) bad = F::pos;
    });
    return bad;
  }
  static void say_not_finite(const char* member, std::uint32_t id, int pos) {
    std::printf("%s(Id=%ld): %s_%s is not a finite number, nothing stored !\n", member, static_cast<long>(id), M::name,
                M::field_names[pos]);
  }

  // The value a table update takes.
  template <class F>
  static auto arg_of(const T& r) {
    if constexpr (F::letter == 's') return F::of(r).c_str();
    else return F::of(r);
  }

  // A record read from nothing: Id 0, texts "", numbers 0.
  static void clear(T& r) {
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (F::letter == 's') F::of(r) = "";
      else F::of(r) = {};
    });
  }

  // --- record members -------------------------------------------------------------------

  static int from_ht(T* r, const char* prefix, const char* suffix) {
    if (!r) return -1;
    if (D::trace_record) std::printf("mgs_%s_from_ht(prefix='%s',suffix='%s')\n", M::name, prefix ? prefix : "", suffix ? suffix : "");
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      read_field<F>(*r, var_name(prefix, F::name(), suffix).c_str());
    });
    return 0;
  }

  static int to_ht(const T* r, const char* prefix, const char* suffix) {
    if (!r) return -1;
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      sess_put(var_name(prefix, F::name(), suffix).c_str(), field_text<F>(*r));
    });
    return 0;
  }

  static int del_ht(const char* prefix, const char* suffix) {
    M::for_each_field([&](auto f) { sess_put(var_name(prefix, decltype(f)::name(), suffix).c_str(), ""); });
    return 0;
  }

  static int get(std::uint32_t id, T* r, const char* prefix, const char* suffix) {
    if (!r) return -1;
    if (D::trace_record) std::printf("mgs_%s_get(Id=%ld)\n", M::name, static_cast<long>(id));
    if (id == 0) return from_ht(r, prefix, suffix);
    if (const T* found = find(id)) {
      *r = *found;
      D::after_get(*r);
      return 0;
    }
    if (D::trace_record) std::printf("mgs_%s_get(Id=%ld) CLEAR\n", M::name, static_cast<long>(id));
    clear(*r);
    D::missing_record(*r);
    return -1;
  }

  // --- staging: create and update ----------------------------------------------------------

  // The variable that names the record last created: T + "_" + the key's
  // name ("Firmy_Id", "Sprzet_ext_Id_Serwis").
  static std::string key_var() { return var_name("", M::field_names[0], ""); }

  // Inserts a new record and names it in key_var, then saves the table.  A
  // failed insert stores nothing, names no record ("0") and is said on the
  // console; its result is returned.
  static int insert_new(const T& r) {
    Tab* t = tab();
    const int rc = t ? vtab_api<T>::tab_insert(t, &r) : -1;
    if (rc != 0) {
      std::printf("mgs_%s_create(): %s=%lu not inserted rc=%d !\n", M::name, M::field_names[0],
                  static_cast<unsigned long>(key_of(r)), rc);
      sess_put(key_var().c_str(), "0");
      return rc;
    }
    sess_put(key_var().c_str(), from_z(key_of(r)));
    glue_root<T>::save();
    return 0;
  }

  static int create(const char* prefix, const char* suffix) {
    T r{};
    get(0, &r, prefix, suffix);
    Tab* t = tab();
    if (!t) return -1;
    if (const int bad = not_finite(r); bad >= 0) {
      say_not_finite((std::string("mgs_") + M::name + "_create").c_str(), key_of(r), bad);
      return -4;
    }
    std::uint32_t key = 0;
    if (!D::next_key(t, key_of(r), &key)) {
      std::printf("mgs_%s_create(): no free %s left, nothing created !\n", M::name, M::field_names[0]);
      sess_put(key_var().c_str(), "0");
      return -1;
    }
    key_of(r) = key;
    return insert_new(r);
  }

  // A new record from the staged variables under the key the caller gives
  // (whatever the staged key variable holds); fix(record) may change other
  // fields before the insert.  As insert_new.
  template <class Fix>
  static int create_keyed(std::uint32_t key, const char* prefix, const char* suffix, Fix&& fix) {
    T r{};
    get(0, &r, prefix, suffix);
    key_of(r) = key;
    fix(r);
    return insert_new(r);
  }
  static int create_keyed(std::uint32_t key, const char* prefix, const char* suffix) {
    return create_keyed(key, prefix, suffix, [](T&) {});
  }

  // The records with that Id and the staged record; false when no record has
  // the Id (the caller then says so on the console).
  struct staged {
    T rec{};
    Ref* ref = nullptr;
    staged() = default;
    staged(const staged&) = delete;
    staged& operator=(const staged&) = delete;
    ~staged() {
      if (ref) vtab_api<T>::ref_delete(&ref);
    }
  };
  static bool stage(staged& s, std::uint32_t id, const char* prefix = nullptr) {
    const std::string own = prefix ? prefix : D::staging_prefix();
    get(0, &s.rec, own.c_str(), "");
    if (Tab* t = tab()) s.ref = by_id(t, id);
    return s.ref && s.ref->size > 0;
  }

  // Sets field Pos of the records of ref from the staged record.
  template <int Pos>
  static int put_field(Ref* ref, const T& rec) {
    int rc = 0;
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (F::pos == Pos) rc = F::ops::update(tab(), ref, arg_of<F>(rec));
    });
    return rc;
  }
  // The same by the field's name; -1 for a name the table does not have.
  static int put_field(Ref* ref, const T& rec, std::string_view field) {
    int rc = -1;
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      if (field == F::name()) rc = F::ops::update(tab(), ref, arg_of<F>(rec));
    });
    return rc;
  }

  // The staging prefix defaults to the table's own.
  template <int Pos>
  static int update_field(std::uint32_t id, const char* prefix = nullptr) {
    if (D::update_only_when_carried(Pos)) {
      const std::string own = prefix ? prefix : D::staging_prefix();
      if (!is_in_post_or_get(var_name(own.c_str(), M::field_names[Pos], "").c_str())) return 0;
    }
    staged s;
    if (!stage(s, id, prefix)) {
      std::fprintf(D::missing_stream(Pos), "mgs_%s_update_%s(Id=%ld): Brak w bazie !\n", M::name, M::field_names[Pos],
                   static_cast<long>(id));
      return 0;
    }
    if (not_finite(s.rec, Pos) >= 0) {
      say_not_finite((std::string("mgs_") + M::name + "_update_" + M::field_names[Pos]).c_str(), id, Pos);
      return -4;
    }
    return put_field<Pos>(s.ref, s.rec);
  }

  // An existing record takes the fields whose variables the request itself
  // carries; the key and every field the request does not carry keep their
  // stored values.  -1 when no record has the Id (nothing written), else the
  // last update's result.  Does not save.
  static int update_carried(std::uint32_t id, const char* prefix, const char* suffix) {
    staged s;
    get(0, &s.rec, prefix, suffix);
    if (Tab* t = tab()) s.ref = by_id(t, id);
    if (!s.ref || s.ref->size == 0) return -1;
    int rc = 0;
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (F::pos != 0) {
        if (is_in_post_or_get(var_name(prefix, F::name(), suffix).c_str()))
          rc = F::ops::update(tab(), s.ref, arg_of<F>(s.rec));
      }
    });
    return rc;
  }

  // Sets one field of the stored record with that Id directly.  0 for a
  // missing record (*found false), else the update's result.
  template <auto Member, class V>
  static int set_field(std::uint32_t id, V value, bool* found = nullptr) {
    Tab* t = tab();
    Ref* ref = t ? by_id(t, id) : nullptr;
    const bool any = ref && ref->size > 0;
    if (found) *found = any;
    int rc = 0;
    if (any) {
      M::for_each_field([&](auto f) {
        using F = decltype(f);
        if constexpr (std::is_same_v<std::remove_cv_t<decltype(F::member)>, std::remove_cv_t<decltype(Member)>>) {
          if constexpr (F::member == Member) rc = F::ops::update(t, ref, value);
        }
      });
    }
    if (ref) vtab_api<T>::ref_delete(&ref);
    return rc;
  }

  static int update(std::uint32_t id) {
    staged s;
    if (!stage(s, id)) {
      std::printf("mgs_%s_update(Id=%ld): Brak %s w bazie !\n", M::name, static_cast<long>(id), M::name);
      return 0;
    }
    if (const int bad = not_finite(s.rec); bad >= 0) {
      say_not_finite((std::string("mgs_") + M::name + "_update").c_str(), id, bad);
      return -4;
    }
    int rc = 0;
    // The key first: a staged Id other than the record's re-keys it.
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      rc = F::ops::update(tab(), s.ref, arg_of<F>(s.rec));
    });
    glue_root<T>::save();
    return rc;
  }

  // --- look-ups --------------------------------------------------------------------------

  template <auto Member>
  static glue_lookup_t<T, Member> lookup(std::uint32_t id, const char* member_name) {
    using R = glue_lookup_t<T, Member>;
    if constexpr (std::is_same_v<R, const char*>) {
      if (!_mgs) {
        static std::string no_root;
        no_root = std::string(member_name) + "() _mgs==NULL !";
        return no_root.c_str();
      }
      const T* row = find(id);
      return row ? (row->*Member).c_str() : D::missing_text();
    } else {
      const T* row = find(id);
      return row ? row->*Member : R{};
    }
  }

  template <auto Member, class V>
  static std::uint32_t id_by(V value) {
    std::uint32_t id = D::missing_key;
    bool found = false;
    each_by_id([&](const T& row) {
      if (found) return;
      if constexpr (std::is_same_v<std::remove_cvref_t<decltype(row.*Member)>, ostr>)
        found = (row.*Member).view() == std::string_view(value ? value : "");
      else
        found = row.*Member == value;
      if (found) id = key_of(row);
    });
    return id;
  }

  // --- text overrides ------------------------------------------------------------------

  static const char* vv(const char* text) {
    static hashtbl* overrides = nullptr;
    static const std::string file = std::string(M::name) + ".vv";
    return page_text_vv(&overrides, file.c_str(), text);
  }

  // --- choice lists --------------------------------------------------------------------

  static hashtbl* ht() {
    Tab* t = tab();
    hashtbl* h = hashtbl_new(t ? static_cast<std::uint32_t>(t->size) : 0);
    if (!h) return nullptr;
    std::string key;
    each_by_id([&](const T& row) {
      if (D::ht_key(row, key)) hashtbl_append(h, key.c_str(), from_z(key_of(row)));
    });
    return h;
  }

  static void app_label(const std::string& label) {
    if (D::select.label == glue_escape::attr)
      app_attr(label.c_str());
    else
      app_text(label.c_str());
  }

  static void app_option(const char* value, bool selected, const std::string& label) {
    const char q[2] = {D::select.quote, 0};
    app("<option value=");
    app(q);
    app(value);
    app(q);
    if (selected) app(" selected");
    app(">");
    app_label(label);
    app("\n");
  }

  // The option lines of the records that pass keep(row): 0; -1 when the
  // sorting table cannot be made, -2 when the records cannot be listed.
  template <class Keep>
  static int options(std::uint32_t selected, int flags, Keep&& keep) {
    constexpr glue_select_style st = D::select;
    const bool none = st.none_exact_one ? flags == 1 : (flags & 1) != 0;
    if (none) {
      app("<option value=\"");
      app(st.none_value);
      app(!st.none_exact_one && selected == 0 ? "\" selected>" : "\">");
      app(st.none_text);
      app("\n");
    }
    std::string label;
    if constexpr (st.order == glue_order::collation) {
      Tab* t = tab();
      hashtbl* h = hashtbl_new(t ? static_cast<std::uint32_t>(t->size) : 0);
      if (!h) return -1;
      const bool listed = each_in_id_order([&](const T& row) {
        if (keep(row) && D::label(row, label)) hashtbl_put(h, label.c_str(), from_z(key_of(row)));
      });
      if (!listed && tab()) {
        hashtbl_delete(&h);
        return -2;
      }
      for (std::uint32_t i = 0; i < h->size; ++i)
        app_option(h->values[i], to_z(h->values[i]) == selected, h->keys[i]);
      hashtbl_delete(&h);
    } else {
      const bool listed = each_in_id_order([&](const T& row) {
        if (!keep(row)) return;
        if (!D::label(row, label)) label.clear();
        app_option(from_z(key_of(row)), key_of(row) == selected, label);
      });
      if (!listed && tab()) return -2;
    }
    return 0;
  }
  static int options(std::uint32_t selected, int flags) {
    return options(selected, flags, [](const T&) { return true; });
  }

  template <class Keep>
  static int select_name(std::uint32_t selected, const char* name, int flags, Keep&& keep) {
    constexpr glue_select_style st = D::select;
    if (D::trace_select_name)
      std::printf("%s_select_name() Id=%ld select_name='%s'\n", M::name, static_cast<long>(selected), name ? name : "");
    Tab* t = tab();
    if (st.nothing_when_empty && (!t || t->size == 0)) return 0;
    app(st.head_open);
    app(name);
    app(st.head_close);
    int rc = options(selected, flags, keep);
    app("</select>");
    return rc;
  }
  static int select_name(std::uint32_t selected, const char* name, int flags) {
    return select_name(selected, name, flags, [](const T&) { return true; });
  }

  static int radio_name(std::uint32_t selected, const char* name) {
    hashtbl* h = ht();
    if (!h) return -1;
    for (std::uint32_t i = 0; i < h->size; ++i) {
      app("<input type=\"radio\" name=\"");
      app(name);
      app("\" value=\"");
      app(h->values[i]);
      app(to_z(h->values[i]) == selected ? "\" checked>" : "\">");
      app_attr(h->keys[i]);
      app("<br>\n");
    }
    hashtbl_delete(&h);
    return 0;
  }
};

}  // namespace kal

#define MGS_GLUE_DEF_record(T)                                                                   \
  int mgs_##T##_from_ht(T* rec, const char* prefix, const char* suffix) {                        \
    return kal::glue<T>::from_ht(rec, prefix, suffix);                                           \
  }                                                                                              \
  int mgs_##T##_to_ht(const T* rec, const char* prefix, const char* suffix) {                    \
    return kal::glue<T>::to_ht(rec, prefix, suffix);                                             \
  }                                                                                              \
  int mgs_##T##_del_ht(const char* prefix, const char* suffix) { return kal::glue<T>::del_ht(prefix, suffix); } \
  int mgs_##T##_get(uint32_t Id, T* rec, const char* prefix, const char* suffix) {               \
    return kal::glue<T>::get(Id, rec, prefix, suffix);                                           \
  }
#define MGS_GLUE_DEF_create(T) \
  int mgs_##T##_create() { return kal::glue<T>::create(glue_desc<T>::staging_prefix().c_str(), ""); }
#define MGS_GLUE_DEF_create_from(T) \
  int mgs_##T##_create(const char* prefix, const char* suffix) { return kal::glue<T>::create(prefix, suffix); }
#define MGS_GLUE_X_UPDATE_DEF(T, F, k, r) \
  int mgs_##T##_update_##F(uint32_t Id) { return kal::glue<T>::update_field<vtab_meta<T>::f_##F>(Id); }
#define MGS_GLUE_DEF_update(T)          \
  T##_FIELDS(MGS_GLUE_X_UPDATE_DEF, T)  \
  int mgs_##T##_update(uint32_t Id) { return kal::glue<T>::update(Id); }
#define MGS_GLUE_DEF_lookup(T, F) \
  glue_lookup_t<T, &T::F> T##_##F(uint32_t Id) { return kal::glue<T>::lookup<&T::F>(Id, #T "_" #F); }
#define MGS_GLUE_DEF_key_by(T, F)                                                           \
  uint32_t T##_Id_by_##F(std::remove_cvref_t<decltype(vtab_field_arg<T, &T::F>())> value) { \
    return kal::glue<T>::id_by<&T::F>(value);                                               \
  }
#define MGS_GLUE_DEF_update_each(T) T##_FIELDS(MGS_GLUE_X_UPDATE_DEF, T)
#define MGS_GLUE_DEF_set(T, F)                                                                      \
  int mgs_##T##_upd_##F(uint32_t Id, std::remove_cvref_t<decltype(vtab_field_arg<T, &T::F>())> value) { \
    return kal::glue<T>::set_field<&T::F>(Id, value);                                               \
  }
#define MGS_GLUE_DEF_vv(T) \
  const char* T##_vv(const char* text) { return kal::glue<T>::vv(text); }
#define MGS_GLUE_DEF_ht(T) \
  hashtbl* T##_ht() { return kal::glue<T>::ht(); }
#define MGS_GLUE_DEF_select_options(T) \
  int T##_select_options(uint32_t selected, int flags) { return kal::glue<T>::options(selected, flags); }
#define MGS_GLUE_DEF_select_name(T)                                   \
  int T##_select_name(uint32_t selected, const char* name, int flags) { \
    return kal::glue<T>::select_name(selected, name, flags);          \
  }
#define MGS_GLUE_DEF_radio(T) \
  int T##_radio_name(uint32_t selected, const char* name) { return kal::glue<T>::radio_name(selected, name); }
