// The one implementation behind every value list (mages/mgs_value_list.hpp),
// and MGS_VALUE_LIST_DEFINE, which defines a list's named members on it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "db/mgs.hpp"
#include "lib/convert.hpp"
#include "lib/hashtbl.hpp"
#include "lib/txt_utils.hpp"
#include "mages/glue.hpp"
#include "mages/mgs_pages.hpp"
#include "mages/mgs_value_list.hpp"
#include "server/html_form.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"

namespace kal {

template <class T, class D = value_list_desc<T>>
struct value_list {
  using M = vtab_meta<T>;
  using Tab = typename M::tab;
  using Ref = vtab_ref<T>;

  static Tab* tab() { return glue_root<T>::tab(); }
  static std::string var(const char* field) { return std::string(M::name) + "_" + field; }
  static std::string delete_var(int row) { return "Usun_Id_" + std::string(M::name) + "." + std::to_string(row); }
  static std::string button_name(int page) { return "n_" + std::to_string(page); }
  static bool is(const std::string& action, const char* caption_key) {
    const char* caption = ustawienia_get(caption_key);
    return caption[0] && action == caption;
  }

  // The stored record of that name, NULL when none.
  static T* named(const char* name) {
    Tab* t = tab();
    T* row = nullptr;
    if (t) {
      M::for_each_field([&](auto f) {
        using F = decltype(f);
        if constexpr (F::pos == M::f_nazwa) row = F::ops::get(t, name ? name : "", VTAB_CMP_EQUAL);
      });
    }
    return row;
  }
  // The records with Id at least 1 (or exactly id), ascending; NULL when
  // memory runs out.
  static Ref* by_id(std::uint32_t id, int code) {
    Ref* ref = nullptr;
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (F::pos == 0) ref = F::ops::gets(tab(), id, code);
    });
    return ref;
  }
  // Name -> Id text in the Polish collation order, equal names once (the
  // highest Id); the caller frees it.  NULL when memory runs out.
  static hashtbl* names() {
    Tab* t = tab();
    hashtbl* h = hashtbl_new(t ? static_cast<std::uint32_t>(t->size) : 0);
    if (!h || !t) return h;
    Ref* ref = by_id(1, VTAB_CMP_GE);
    for (tab_ref_elem* e = ref ? ref->first : nullptr; e; e = e->next)
      if (const T* row = vtab_row<T>(e)) hashtbl_put(h, row->nazwa.c_str(), from_z(row->Id));
    if (ref) vtab_api<T>::ref_delete(&ref);
    return h;
  }

  // The equipment and repair forms open in their normal modes again.
  static void reset_actions() {
    sess_nav_set(D::edit_page, "");
    sess_nav_set(86, "n");
    sess_nav_set(23, "e");
    sess_nav_set(30, "n");
    sess_nav_set(31, "e");
  }
  static void go_back() {
    const int id = backhref_id(var_s("backhref"));
    back_id = id > 0 ? static_cast<unsigned long>(id) : 0;
  }

  static int nowy() {
    Tab* t = tab();
    if (!t) return 2;
    std::uint32_t top = 0;
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (F::pos == 0) F::ops::max(t, &top);  // an empty table leaves 0
    });
    const std::string name = var_s(var("nazwa").c_str());
    const std::string opis = var_s(var("opis").c_str());
    if (named(name.c_str())) return 0;
    if (top == 4294967295u) {
      std::printf("%s_nowy(): no Id left for '%s'\n", M::name, name.c_str());
      errorDisplay(vv("Nie dodano nazwy: lista nie ma już wolnego numeru (Id) !"));
      return 1;
    }
    T r{};
    r.Id = top + 1;
    r.nazwa = name;
    r.opis = opis;
    if (vtab_api<T>::tab_insert(t, &r) != 0) {
      std::printf("%s_nowy(): '%s' not inserted, out of memory\n", M::name, name.c_str());
      errorDisplay(vv("Nie dodano nazwy: brak pamięci !"));
      return 2;
    }
    return saved() ? 0 : 3;
  }

  // Saves the table; false, shown on the page, when the file cannot be
  // written (the change stays in memory).
  static bool saved() {
    if (glue_root<T>::save() == 0) return true;
    const std::string text = "Nie zapisano pliku " + std::string(M::name) + ".dat !";
    errorDisplay(html_text(text).c_str());
    return false;
  }

  static void remove(int row) {
    const std::uint32_t id = var_z(delete_var(row).c_str());
    Ref* ref = by_id(id, VTAB_CMP_EQUAL);
    if (!ref) return;
    const bool any = ref->size > 0;
    if (any) vtab_api<T>::tab_removes(tab(), ref);
    vtab_api<T>::ref_delete(&ref);
    if (any) saved();
  }

  static int page(std::string* button, const char* action_arg) {
    const std::string action = action_arg ? action_arg : "";
    const std::string name = button_name(D::edit_page);
    if (button) *button = name;
    if (is(action, "Powrot_button") || is(action, "Anuluj_button")) {
      reset_actions();
      go_back();
      return 0;
    }
    if (is(action, "Zatwierdz_button")) {
      reset_actions();
      if (not_empty(var_s(var("nazwa").c_str()))) {
        if (nowy() == 0) {
          go_back();
          return 0;
        }
      } else {
        infoDisplay(vv("Nazwa nie może być pusta !"));
      }
    } else {
      const std::string del = ustawienia_get("Usun_sp_button");
      if (!del.empty() && action.compare(0, del.size(), del) == 0) {
        remove(to_i(action.c_str() + del.size()));
        sess_nav_set(D::edit_page, "");
      }
    }

    app("<CENTER>\n");
    app("<table border=0>\n");
    html_form_open("serwis_typy.htm");
    app("<tr><td CLASS=pagetitle ALIGN=CENTER COLSPAN=2>");
    app(ustawienia_get(D::title_key));
    app(" ");
    app(tr(171));
    app("</td></tr>\n");
    app("<tr><td CLASS=fieldname>");
    app(ustawienia_get("Nazwa_text"));
    app(":</td><td>");
    form_input_s(var("nazwa").c_str(), 255, 40);
    app("</td></tr>\n");
    app("<tr><td CLASS=fieldname>");
    app(ustawienia_get("Opis_text"));
    app(":</td><td>");
    form_textarea(var("opis").c_str(), 2, 34, "");
    app("</td></tr>\n");
    const char* confirm = ustawienia_get("Zatwierdz_button");
    if (confirm[0]) {
      app("<tr><td colspan=\"2\" align=\"center\">");
      app("   ");
      app(form_input_submit(name.c_str(), confirm, ""));
      for (const char* key : {"Anuluj_button", "Powrot_button"}) {
        const char* caption = ustawienia_get(key);
        if (!caption[0]) continue;
        app("   ");
        app(form_input_submit(name.c_str(), caption, ""));
      }
      app("</td></tr>\n");
    }
    lista(D::edit_page);
    app("</FORM>\n");
    app("</table>\n");
    app("</CENTER>\n");
    return 0;
  }

  static int lista(int page) {
    hashtbl* h = names();
    for (std::uint32_t i = 0; h && i < h->size; ++i) elem(page, static_cast<int>(i), h->values[i], h->keys[i]);
    hashtbl_delete(&h);
    app(form_input_hidden("backhref", var_s("backhref")));
    return 0;
  }

  static int elem(int page, int row, const char* id_text, const char* name) {
    app("<tr>");
    approw(row);
    app(form_input_hidden(delete_var(row + 1).c_str(), id_text ? id_text : ""));
    app("\n");
    char caption[128];
    std::snprintf(caption, sizeof caption, "%s%d.", ustawienia_get("Usun_sp_button"), row + 1);
    app(form_input_submit(button_name(page).c_str(), caption, ""));
    app("</TD>\n");
    approw(row);
    if (id_text && id_text[0])
      app_text(name ? name : "");
    else
      app("&nbsp;");
    app("</td></tr>\n");
    return 0;
  }

  static int select(const char* name, const char* value_arg, int flags) {
    Tab* t = tab();
    if (!t || t->size == 0) return 0;
    const std::string_view value = value_arg ? value_arg : "";
    app("<select name='");
    app(name);
    app("'>\n");
    if (flags & 1) app(value.empty() ? "<option value=\"\" selected>---------------\n" : "<option value=\"\">---------------\n");
    hashtbl* h = names();
    for (std::uint32_t i = 0; h && i < h->size; ++i) {
      app("<option value='");
      app_attr(h->keys[i]);
      app(value == h->keys[i] ? "' selected>" : "'>");
      app_text(h->keys[i]);
      app("\n");
    }
    hashtbl_delete(&h);
    app("</select>");
    return 0;
  }

  static int field(const char* name, const char* value, int force) {
    Tab* t = tab();
    if (t && t->size > 0 && (force || named(value))) return select(name, value, 0);
    return form_input_s(name, 200, 25);
  }

  static int list_page(const char* action) {
    sess_put(var("nazwa").c_str(), var_s(D::form_var));
    return page(nullptr, action);
  }
};

}  // namespace kal

#define MGS_VALUE_LIST_DEFINE(T)                                                                      \
  int mgs_##T##_list(const char* action) { return kal::value_list<T>::list_page(action); }            \
  int mgs_##T##_new(const char* action) { return kal::value_list<T>::page(nullptr, action); }         \
  int mgs_##T##_edit(const char* action) { return kal::value_list<T>::page(nullptr, action); }        \
  int mgs_##T(std::string* button_name, const char* action) {                                         \
    return kal::value_list<T>::page(button_name, action);                                             \
  }                                                                                                   \
  int T##_nowy() { return kal::value_list<T>::nowy(); }                                               \
  int mgs_##T##_lista(int page) { return kal::value_list<T>::lista(page); }                           \
  int mgs_##T##_elem(int page, int row, const char* id_text, const char* name) {                      \
    return kal::value_list<T>::elem(page, row, id_text, name);                                        \
  }                                                                                                   \
  int mgs_##T##_select(const char* name, const char* value, int flags) {                              \
    return kal::value_list<T>::select(name, value, flags);                                            \
  }                                                                                                   \
  int T##_select(const char* name, const char* value, int force) {                                    \
    return kal::value_list<T>::field(name, value, force);                                             \
  }                                                                                                   \
  void mgs_##T##_register() {                                                                         \
    mgs_page_register(value_list_desc<T>::list_page, [](const char*, const char* a) { return mgs_##T##_list(a); }); \
    mgs_page_register(value_list_desc<T>::new_page, [](const char*, const char* a) { return mgs_##T##_new(a); });   \
    mgs_page_register(value_list_desc<T>::edit_page, [](const char*, const char* a) { return mgs_##T##_edit(a); }); \
  }
