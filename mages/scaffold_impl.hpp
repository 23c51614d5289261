// The pages of the older dictionary layout (firm types, warehouses, repair
// states, countries), written once for every table: a dispatcher on an action
// letter, a list with an optional initial-letter index, a new page, an edit
// page with delete, and a record form posting to "p.htm".  No page id leads
// to them; their links name ".php" pages, as they always have.
//
// A table describes what its pages differ in with a scaffold_desc<T>:
//   letter_index     the list shows the initial-letter index
//   cells[2]         the fields shown after the name link (-1: an empty cell)
//   setting_captions the buttons take their captions from the settings
//   control(pos)     the form control of a field
// Form and parameter names are the table's name, "_" and the field's name;
// "<T>_Id" and "e" carry the Id, "<T>_action" the pressed button's caption,
// "l" the list's initial letter.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "lib/convert.hpp"
#include "mages/glue_impl.hpp"
#include "server/html_form.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/ustawienia.hpp"

enum class scaffold_control { text, textarea, currency };

template <class T>
struct scaffold_desc;

namespace kal {

// The currencies as the country form offers them.
struct scaffold_currency_desc : glue_desc_base<Waluty> {
  static constexpr glue_select_style select{
      .order = glue_order::by_id, .quote = '"', .head_open = "<select name=\"", .head_close = "\">"};
};

template <class T, class D = scaffold_desc<T>>
struct scaffold {
  using M = vtab_meta<T>;
  using G = glue<T>;
  using Tab = typename M::tab;
  using Ref = vtab_ref<T>;

  static std::string name() { return M::name; }
  static std::string field_var(int pos) { return name() + "_" + M::field_names[pos]; }

  static const char* cancel() { return D::setting_captions ? ustawienia_get("Anuluj_button") : "Anuluj"; }
  static const char* confirm() { return D::setting_captions ? ustawienia_get("Zatwierdz_button") : "Zatwierdź"; }
  static const char* remove() { return D::setting_captions ? ustawienia_get("Usun_button") : "Usuń"; }

  static void appf(const char* fmt, const std::string& a) {
    const int n = std::snprintf(nullptr, 0, fmt, a.c_str());
    std::string s(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    std::snprintf(s.data(), s.size() + 1, fmt, a.c_str());
    app(s.c_str());
  }

  // --- the list ------------------------------------------------------------------------

  // The records whose name matches the pattern without regard to case, in
  // table order.
  static Ref* by_name(Tab* t, const char* pattern) {
    Ref* ref = nullptr;
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (F::pos == M::f_nazwa) ref = F::ops::gets(t, pattern, VTAB_CMP_LIKEIC);
    });
    return ref;
  }

  static int list_like(const char* letter) {
    Tab* t = G::tab();
    if (!t || !letter) return 0;
    const std::string pattern = std::string(letter) + "*";
    Ref* ref = by_name(t, pattern.c_str());
    if (!ref) return 0;
    if (ref->size > 0) {
      const std::string url = name() + "_list.php?l=" + letter;
      app(page_href(url.c_str(), (std::string(letter) + "..").c_str()));
    }
    vtab_api<T>::ref_delete(&ref);
    return 0;
  }

  static std::string cell_text(const T& r, int pos) {
    std::string text;
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      if (F::pos == pos) text = G::template field_text<F>(r);
    });
    return kal::html_text(text);
  }

  static int list(hashtbl* params) {
    Tab* t = G::tab();
    if (!t) return 0;
    const std::string l = get_page_param_s(params, "l");
    Ref* ref = l.empty() ? G::by_id(t, 0, VTAB_CMP_GE) : by_name(t, (l + "*").c_str());
    appf("<b>%s</b>\n", name() + " - lista: ");
    app("[");
    app(page_href((name() + "_new.php").c_str(), "Wprowadź"));
    app("]");
    if (D::letter_index) {
      static const char* const letters[] = {"a", "ą", "b", "c", "ć", "d", "e", "ę", "f", "g", "h", "i",
                                            "j", "k", "l", "ł", "m", "n", "ń", "o", "ó", "p", "q", "r",
                                            "s", "ś", "t", "u", "w", "x", "y", "z", "ż", "ź"};
      for (const char* letter : letters) list_like(letter);
      app("<br>\n");
    }
    app("<table border=0>\n<tr>\n  <td>Nr</td>\n  <td width='70'>nazwa</td>\n");
    for (int pos : D::cells)
      if (pos >= 0) appf("  <td>%s</td>\n", M::field_names[pos]);
    app("</tr>\n");
    if (ref) {
      long n = 0;
      for (tab_ref_elem* e = ref->first; e; e = e->next) {
        const T* r = vtab_row<T>(e);
        if (!r) continue;
        char url[160];
        std::snprintf(url, sizeof url, "%s_edit.php?%s_Id=%lu", M::name, M::name, static_cast<unsigned long>(r->Id));
        const std::string link = kal::html_text(r->nazwa.c_str());
        const std::string c1 = D::cells[0] >= 0 ? cell_text(*r, D::cells[0]) : "";
        const std::string c2 = D::cells[1] >= 0 ? cell_text(*r, D::cells[1]) : "";
        tableItemDisplay(nullptr, ++n, url, link.c_str(), c1.c_str(), c2.c_str());
        app("\n");
      }
      vtab_api<T>::ref_delete(&ref);
    }
    app("</table>\n");
    return 0;
  }

  // --- the record form ---------------------------------------------------------------

  // values: the texts of every field in field order, the Id first.
  static int display(const char* const (&captions)[6], const std::vector<std::string>& values) {
    html_form_open("p.htm");
    app("<table>\n");
    for (int pos = 1; pos < M::field_count; ++pos) {
      const std::string var = field_var(pos);
      const char* value = pos < static_cast<int>(values.size()) ? values[pos].c_str() : "";
      app("<tr><td>");
      app(M::field_names[pos]);
      app(":</td><td>");
      switch (D::control(pos)) {
        case scaffold_control::text:
          app(form_input_text2(var.c_str(), value, 255, 40, ""));
          break;
        case scaffold_control::textarea:
          form_textareav(var.c_str(), value, 0, 0, "");
          break;
        case scaffold_control::currency:
          glue<Waluty, scaffold_currency_desc>::select_name(to_z(value), var.c_str(), 0);
          break;
      }
      app("</td></tr>\n");
    }
    const char* id = values.empty() ? "" : values[0].c_str();
    app(form_input_hidden("e", id));
    app("\n");
    app(form_input_hidden((name() + "_Id").c_str(), id));
    app("\n");
    if (captions[0] && captions[0][0]) {
      const std::string button = name() + "_action";
      app("<tr><td colspan=\"2\" align=\"center\">");
      bool first = true;
      for (const char* c : captions) {
        if (!c || !c[0]) continue;
        if (!first) app("&nbsp;&nbsp;&nbsp;");
        first = false;
        app(form_input_submit(button.c_str(), c, ""));
      }
      app("</td></tr>\n");
    }
    html_form_close();
    app("</table>\n");
    return 0;
  }

  static std::vector<std::string> texts_of(const T& r) {
    std::vector<std::string> v;
    M::for_each_field([&](auto f) { v.emplace_back(G::template field_text<decltype(f)>(r)); });
    return v;
  }
  static std::vector<std::string> texts_of(hashtbl* params) {
    std::vector<std::string> v;
    for (int pos = 0; pos < M::field_count; ++pos) v.emplace_back(get_page_param_s(params, field_var(pos).c_str()));
    return v;
  }

  // A field's value from its parameter.
  template <class F>
  static void read_param(T& r, hashtbl* params) {
    const std::string var = field_var(F::pos);
    if constexpr (F::letter == 's') F::of(r) = get_page_param_s(params, var.c_str());
    else if constexpr (F::letter == 't') F::of(r) = get_page_param_t(params, var.c_str());
    else if constexpr (F::letter == 'z') F::of(r) = get_page_param_z(params, var.c_str());
    else if constexpr (F::letter == 'i') F::of(r) = get_page_param_i(params, var.c_str());
    else if constexpr (F::letter == 'g') F::of(r) = get_page_param_g(params, var.c_str());
    else if constexpr (F::letter == 'c') F::of(r) = get_page_param_c(params, var.c_str());
  }

  // --- new and edit ----------------------------------------------------------------------

  // A number that is not finite is never stored: the page says which.
  static bool refused_not_finite(const T& r) {
    const int bad = G::not_finite(r);
    if (bad < 0) return false;
    app((kal::html_text(field_var(bad)) + ": to nie jest liczba !<br>\n").c_str());
    return true;
  }

  static int new_page(hashtbl* params) {
    const std::string action = get_page_param_s(params, (name() + "_action").c_str());
    if (action == cancel()) return list(params);
    if (action != confirm()) {
      const char* captions[6] = {cancel(), confirm(), "", "", "", ""};
      return display(captions, texts_of(params));
    }
    Tab* t = G::tab();
    if (!t) return 0;
    std::uint32_t id = 0;
    G::with_key([&](auto f) {
      if (decltype(f)::ops::max(t, &id) != 0) id = 0;
    });
    id += 1;
    char line[200];
    std::snprintf(line, sizeof line, " new_Id=%u <br>\n", id);
    app(("new " + name() + "_action=" + kal::html_text(action) + line).c_str());
    T r{};
    M::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (F::pos > 0) read_param<F>(r, params);
    });
    G::key_of(r) = id;
    if (refused_not_finite(r)) return list(params);
    const int rc = vtab_api<T>::tab_insert(t, &r);
    glue_root<T>::save();
    std::snprintf(line, sizeof line, "_tab_insert() err=%d<br>\n", rc);
    app(("done " + name() + line).c_str());
    return list(params);
  }

  static int edit(hashtbl* params) {
    const std::string action = get_page_param_s(params, (name() + "_action").c_str());
    if (action == cancel()) return list(params);
    const std::uint32_t id = get_page_param_z(params, (name() + "_Id").c_str());
    if (id == 4294967295u) {
      app(("mgs_" + name() + "_edit() bad page parameter " + name() + "_Id='" +
           kal::html_text(get_page_param_s(params, "e")) + "' !\n")
              .c_str());
      app("<br\n>");
      return -1;
    }
    Tab* t = G::tab();
    if (!t) return 0;
    Ref* ref = G::by_id(t, id);
    if (!ref) return 0;
    char line[200];
    if (action == remove()) {
      const int rc = vtab_api<T>::tab_removes(t, ref);
      glue_root<T>::save();
      std::snprintf(line, sizeof line, "_tab_removes() err=%d<br>\n", rc);
      app(("done " + name() + line).c_str());
      vtab_api<T>::ref_delete(&ref);
      return list(params);
    }
    if (ref->size == 0) {
      vtab_api<T>::ref_delete(&ref);
      return 0;
    }
    if (action == confirm()) {
      app((name() + "_action=" + kal::html_text(action) + "<br>\n").c_str());
      T r{};
      int rc = 0;
      M::for_each_field([&](auto f) { read_param<decltype(f)>(r, params); });
      if (refused_not_finite(r)) {
        vtab_api<T>::ref_delete(&ref);
        return list(params);
      }
      // The Id first, then every other field from its parameter.
      M::for_each_field([&](auto f) { rc = decltype(f)::ops::update(t, ref, G::template arg_of<decltype(f)>(r)); });
      glue_root<T>::save();
      std::snprintf(line, sizeof line, "_tab_update() err=%d<br>\n", rc);
      app(("done " + name() + line).c_str());
      vtab_api<T>::ref_delete(&ref);
      return list(params);
    }
    const char* captions[6] = {cancel(), confirm(), remove(), "", "", ""};
    const T* r = vtab_row<T>(ref->first);
    std::vector<std::string> values = r ? texts_of(*r) : std::vector<std::string>{};
    vtab_api<T>::ref_delete(&ref);
    return display(captions, values);
  }

  static int dispatch(hashtbl* params, char action) {
    switch (action) {
      case 'n':
        return new_page(params);
      case 'e':
        return edit(params);
      case 'l':
        return list(params);
      default:
        return 0;
    }
  }
};

}  // namespace kal
