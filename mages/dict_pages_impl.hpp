// The one implementation of the dictionary pages (mages/dict_pages.hpp).
// Only the page modules that define a table's pages include this file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "lib/convert.hpp"
#include "mages/dict_pages.hpp"
#include "mages/glue_impl.hpp"
#include "server/html_form.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"

namespace kal {

// A UI text with its conversions ("%s", "%d", "%ld", "%lu", "%u") replaced by
// the arguments in turn; the text is never used as a format, and what the
// arguments hold is never taken for a conversion.
inline std::string dict_fill(const char* text, std::initializer_list<std::string> args) {
  std::string s = text ? text : "";
  auto arg = args.begin();
  for (std::size_t at = s.find('%'); at != std::string::npos && arg != args.end(); at = s.find('%', at)) {
    std::size_t end = at + 1;
    if (end < s.size() && s[end] == 'l') ++end;
    if (end < s.size() && (s[end] == 's' || s[end] == 'd' || s[end] == 'u')) {
      s.replace(at, end + 1 - at, *arg);
      at += arg->size();
      ++arg;
    } else {
      ++at;
    }
  }
  return s;
}
inline std::string dict_fill(const char* text, const std::string& arg) { return dict_fill(text, {arg}); }

template <class T, class D = dict_desc<T>>
struct dict {
  using M = vtab_meta<T>;
  using G = glue<T>;
  using Tab = typename M::tab;
  using Ref = vtab_ref<T>;

  static std::string var(int pos) { return std::string(M::name) + "_" + M::field_names[pos]; }
  static std::string id_var() { return var(0); }
  static bool is(std::string_view action, const char* caption_key) { return action == ustawienia_get(caption_key); }

  // --- the name field ---

  static const ostr* name_of(const T& r) {
    const ostr* name = nullptr;
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (F::letter == 's')
        if (F::pos == D::name_pos()) name = &F::of(r);
    });
    return name;
  }
  // The records whose name compares to the value.
  static Ref* by_name(Tab* t, const char* value, int op) {
    Ref* ref = nullptr;
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (F::letter == 's')
        if (F::pos == D::name_pos()) ref = F::ops::gets(t, value, op);
    });
    return ref;
  }
  static const T* first_named(Tab* t, const char* value) {
    const T* row = nullptr;
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (F::letter == 's')
        if (F::pos == D::name_pos()) row = F::ops::get(t, value, VTAB_CMP_EQUAL);
    });
    return row;
  }

  static std::string edit_url(std::uint32_t id) {
    return "p.htm?n_" + std::to_string(D::edit_page) + "=e&" + id_var() + "=" + std::to_string(id);
  }

  // --- saving and new Ids ---

  // Saves the table; a failure is shown in red.  True when it was written.
  static bool save() {
    if (glue_root<T>::save() == 0) return true;
    errorDisplay(("Nie można zapisać pliku " + html_text(std::string(MGS_DATA_PATH) + "/" + M::name + ".dat") +
                  " !")
                     .c_str());
    return false;
  }

  // The next Id (1 in an empty table); false when the Ids are used up.
  static bool next_id(Tab* t, std::uint32_t* id) {
    std::uint32_t max = 0;
    bool any = false;
    G::with_key([&](auto f) { any = decltype(f)::ops::max(t, &max) == 0; });
    if (any && max == UINT32_MAX) {
      errorDisplay((std::string("Brak wolnego Id w tabeli ") + M::name + " !").c_str());
      return false;
    }
    *id = any ? max + 1 : 1;
    return true;
  }

  // A record with a number that is not finite is not stored.
  static bool finite(const T& r) {
    const int bad = G::not_finite(r);
    if (bad < 0) return true;
    errorDisplay((html_text(var(bad)) + ": to nie jest liczba !").c_str());
    return false;
  }

  // The page the user came from, unless that is this very page (whose
  // action would then run again).
  static void back_from(int page) {
    back_id = last_page_id != static_cast<unsigned long>(page) ? last_page_id : D::list_page;
  }

  // --- the name check ---

  static int validate(std::string& msg, const T* r) {
    if (!r) {
      msg = D::msg_null();
      return -1;
    }
    const ostr* name = name_of(*r);
    if (!name || name->is_null()) {
      msg = D::msg_name_null();
      return -2;
    }
    if (name->empty()) {
      msg = D::msg_empty();
      return -3;
    }
    if (name->view().find_first_not_of(" \t\r\n") == std::string_view::npos) {
      msg = D::msg_blank();
      return -4;
    }
    if (D::unique_name) {
      Tab* t = G::tab();
      if (const T* same = t ? first_named(t, name->c_str()) : nullptr) {
        const std::string label = html_text(name_of(*same)->view());
        msg = D::msg_exists(*same, page_href(edit_url(G::key_of(*same)).c_str(), label.c_str()));
        return 1;
      }
    }
    msg = D::msg_new(*r);
    return 0;
  }

  // --- the list ---

  static int list() {
    const std::string l = var_s("l");
    G::del_ht("", "");
    Tab* t = G::tab();
    Ref* ref = nullptr;
    if (t) ref = l.empty() ? G::by_id(t, 0, VTAB_CMP_GE) : by_name(t, (l + "*").c_str(), VTAB_CMP_LIKEIC);

    app("<center>\n");
    app("<table border=0>\n");
    app(("<tr><td CLASS=pagetitle ALIGN=CENTER COLSPAN=" + std::to_string(D::head_count + 1) + "> ").c_str());
    app(D::list_title());
    app(D::list_title_end);
    app("<tr>\n");
    app("  <td>");
    app(ustawienia_get("Lp_text"));
    app("</td>\n");
    for (int c = 0; c < D::head_count; ++c) {
      app("  <td>");
      app(D::list_head(c));
      app("</td>\n");
    }
    app("</tr>\n");
    if (ref) {
      long n = 0;
      std::vector<std::string> cells;
      for (tab_ref_elem* e = ref->first; e; e = e->next) {
        const T* r = vtab_row<T>(e);
        if (!r) continue;
        const ostr* name = name_of(*r);
        const std::string label = html_text(name ? name->view() : std::string_view());
        cells.clear();
        D::list_cells(*r, cells);
        cells.resize(8);
        for (std::string& c : cells) c = html_text(c);
        const int shown = D::head_count - 1;
        auto cell = [&](int i) { return i < shown ? cells[static_cast<std::size_t>(i)].c_str() : nullptr; };
        tableItemDisplay2(++n, edit_url(G::key_of(*r)).c_str(), label.c_str(), cell(0), cell(1), cell(2), cell(3),
                          cell(4), cell(5), cell(6), cell(7));
        app("\n");
      }
      vtab_api<T>::ref_delete(&ref);
    }
    app("</table>\n");
    html_form_open("p.htm");
    app(" &nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;\n");
    app(form_input_submit(("n_" + std::to_string(D::back_page)).c_str(), ustawienia_get("Powrot_button"), ""));
    app(" &nbsp;&nbsp;&nbsp;\n");
    app(form_input_submit(("n_" + std::to_string(D::new_page)).c_str(), ustawienia_get("Dodaj_button"), ""));
    html_form_close();
    app("</center>\n");
    return 0;
  }

  // --- the record form ---

  // values: the texts of the fields in field order, the Id first.
  static int display(const char* button, const char* const (&captions)[6], const std::vector<std::string>& values) {
    auto value = [&](int pos) { return pos < static_cast<int>(values.size()) ? values[pos].c_str() : ""; };
    if (D::center_first) {
      app("<center>\n");
      html_form_open("p.htm");
    } else {
      html_form_open("p.htm");
      app("<center>\n");
    }
    app("<table border=0>\n");
    app("<tr><td CLASS=pagetitle ALIGN=CENTER COLSPAN=2> ");
    app(D::form_title());
    app(" </td></tr>\n");
    for (const dict_row& row : D::rows) {
      app("<tr><td CLASS=fieldname>");
      app(row.label());
      app(":</td><td>\n");
      if (row.control == dict_control::textarea)
        form_textareav(var(row.pos).c_str(), value(row.pos), row.rows, row.cols, "");
      else
        app(form_input_text2(var(row.pos).c_str(), value(row.pos), row.maxlength, row.size, ""));
      app(D::row_end);
    }
    app(form_input_hidden(id_var().c_str(), value(0)));
    app("\n");
    if (captions[0] && captions[0][0]) {
      app("<tr><td colspan='2' align='center'>");
      app(form_input_submit(button, captions[0], ""));
      for (int i = 1; i < 6; ++i) {
        if (!captions[i] || !captions[i][0]) continue;
        app("&nbsp;&nbsp;&nbsp;");
        app(form_input_submit(button, captions[i], ""));
      }
      app("</td></tr>\n");
    }
    html_form_close();
    app("</table>\n");
    app("</center>\n");
    return 0;
  }

  static std::vector<std::string> texts_of(const T& r) {
    std::vector<std::string> v;
    M::for_each_field([&](auto f) { v.emplace_back(G::template field_text<decltype(f)>(r)); });
    return v;
  }
  static std::vector<std::string> texts_of_vars() {
    std::vector<std::string> v;
    for (int pos = 0; pos < M::field_count; ++pos) v.emplace_back(var_s(var(pos).c_str()));
    return v;
  }

  // --- new and edit ---

  static std::string nav(int page) { return "n_" + std::to_string(page); }

  static int new_page(const char* action_arg) {
    const std::string_view action = action_arg ? action_arg : "";
    if (is(action, D::cancel_key)) {
      sess_nav_set(D::new_page, "l");
      back_id = D::list_page;
      return 0;
    }
    if (is(action, "Zatwierdz_button")) {
      Tab* t = G::tab();
      std::uint32_t id = 0;
      if (t && next_id(t, &id)) {
        T r{};
        M::for_each_field([&](auto f) {
          using F = decltype(f);
          if constexpr (F::pos > 0) G::template read_field<F>(r, var(F::pos).c_str());
        });
        G::key_of(r) = id;
        std::string msg;
        if (validate(msg, &r) == 0) {
          if (finite(r)) {
            vtab_api<T>::tab_insert(t, &r);
            if (save()) back_from(D::new_page);
            return 0;
          }
        } else {
          infoDisplay(msg.c_str());
        }
      }
      sess_nav_set(D::new_page, "n");
    }
    const char* captions[6] = {ustawienia_get(D::cancel_key), ustawienia_get("Zatwierdz_button"), "", "", "", ""};
    return display(nav(D::new_page).c_str(), captions, texts_of_vars());
  }

  static int edit(const char* action_arg) {
    const std::string_view action = action_arg ? action_arg : "";
    if (is(action, D::cancel_key)) {
      sess_nav_set(D::edit_page, "l");
      back_id = D::list_page;
      return 0;
    }
    const std::uint32_t id = var_z(id_var().c_str());
    if (id == UINT32_MAX) {
      app(("mgs_" + std::string(M::name) + "_edit() bad page parameter " + id_var() + "='" +
           html_text(var_s(id_var().c_str())) + "' !\n")
              .c_str());
      app("<br\n>");
      return -1;
    }
    Tab* t = G::tab();
    if (!t) return 0;
    Ref* ref = G::by_id(t, id);
    if (!ref) return 0;
    const T* stored = ref->size > 0 ? vtab_row<T>(ref->first) : nullptr;

    if (is(action, "Usun_button")) {
      std::string why;
      if (!stored || !D::in_use(*stored, why)) {
        vtab_api<T>::tab_removes(t, ref);
        vtab_api<T>::ref_delete(&ref);
        save();
        return list();
      }
      errorDisplay(why.c_str());
    }
    if (!stored) {
      vtab_api<T>::ref_delete(&ref);
      return 0;
    }

    if (is(action, "Zatwierdz_button")) {
      // The fields the request carries; the others keep what is stored.
      T r = *stored;
      M::for_each_field([&](auto f) {
        using F = decltype(f);
        if constexpr (F::pos > 0) {
          const std::string name = var(F::pos);
          if (is_in_post_or_get(name.c_str())) G::template read_field<F>(r, name.c_str());
        }
      });
      std::string msg;
      const int code = validate(msg, &r);
      if (code == 0 || code == 1) {
        if (finite(r)) {
          M::for_each_field([&](auto f) {
            using F = decltype(f);
            if constexpr (F::pos > 0) F::ops::update(t, ref, G::template arg_of<F>(r));
          });
          vtab_api<T>::ref_delete(&ref);
          if (save()) back_from(D::edit_page);
          return 0;
        }
      } else {
        infoDisplay(msg.c_str());
      }
      sess_nav_set(D::new_page, "n");
    }

    const char* captions[6] = {ustawienia_get(D::cancel_key), ustawienia_get("Zatwierdz_button"),
                               ustawienia_get("Usun_button"), "", "", ""};
    const std::vector<std::string> values = texts_of(*stored);
    vtab_api<T>::ref_delete(&ref);
    return display(nav(D::edit_page).c_str(), captions, values);
  }
};

}  // namespace kal

// --- the defaults of dict_desc_base ---

template <class T>
const char* dict_desc_base<T>::list_head(int) {
  return ustawienia_get("Nazwa_text");
}

template <class T>
std::string dict_desc_base<T>::msg_new(const T& r) {
  return kal::dict_fill(tr(304), std::to_string(r.*(vtab_meta<T>::key_member)));
}

template <class T>
std::string dict_desc_base<T>::msg_exists(const T&, const std::string& link) {
  return link + " " + tr(303);
}
