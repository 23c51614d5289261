// The one implementation of the dictionary pages (mages/dict_pages.hpp).
// Only the page modules that define a table's pages include this file.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
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

// Saves a table's file; a failure is shown in red.  True when it was written.
template <class T>
bool dict_save() {
  if (glue_root<T>::save() == 0) return true;
  errorDisplay(("Nie można zapisać pliku " +
                html_text(std::string(MGS_DATA_PATH) + "/" + vtab_meta<T>::name + ".dat") + " !")
                   .c_str());
  return false;
}

// The next Id of a table (1 in an empty one); false when the Ids are used up,
// which is said in red.
// The next Id of a table: above its highest Id and above floor (1 in an
// empty table with floor 0); false when the Ids are used up, which is said in
// red.
template <class T>
bool dict_next_id(typename vtab_meta<T>::tab* t, std::uint32_t* id, std::uint32_t floor = 0) {
  std::uint32_t max = 0;
  bool any = false;
  glue<T>::with_key([&](auto f) { any = decltype(f)::ops::max(t, &max) == 0; });
  if (!any) max = 0;
  max = std::max(max, floor);
  if (max == UINT32_MAX) {
    errorDisplay((std::string("Brak wolnego Id w tabeli ") + vtab_meta<T>::name + " !").c_str());
    return false;
  }
  *id = max + 1;
  return true;
}

// The highest value of an Id field over the rows of table U (0 for none).
template <class U>
std::uint32_t dict_highest(std::uint32_t U::*member) {
  std::uint32_t max = 0;
  if (auto* t = glue_root<U>::tab())
    for (auto* e = t->first; e; e = e->next)
      if (e->row) max = std::max(max, e->row->*member);
  return max;
}

// How many rows of table U have that value in an Id field.
template <class U>
long dict_rows_naming(std::uint32_t U::*member, std::uint32_t value) {
  long n = 0;
  if (auto* t = glue_root<U>::tab())
    for (auto* e = t->first; e; e = e->next)
      if (e->row && e->row->*member == value) ++n;
  return n;
}

// The page the user came from, unless that is the given page itself (whose
// action would then run again): then fallback.
inline unsigned long dict_back_from(int page, unsigned long fallback) {
  return last_page_id != static_cast<unsigned long>(page) ? last_page_id : fallback;
}

// The marks of the new-record forms.  Every form shown gets a mark of its own;
// a stored record uses its form's mark up, and the session keeps the last
// marks used (the variable <T>.dict_once), so that the same form posted again
// is known.
struct dict_once {
  static constexpr const char* field = "dict_once";
  static constexpr std::size_t kept = 8;

  static std::string fresh() {
    static unsigned long counter = 0;
    return std::to_string(static_cast<long long>(std::time(nullptr))) + "-" + std::to_string(++counter);
  }
  // The mark the request carries ("" when none).
  static std::string posted() {
    const char* v = get_post_or_get_s(field);
    return v ? v : "";
  }
  static bool used(const std::string& var, const std::string& mark) {
    if (mark.empty()) return false;
    const char* done = sess_get_ptr(var.c_str());
    const std::string list = std::string(" ") + (done ? done : "") + " ";
    return list.find(" " + mark + " ") != std::string::npos;
  }
  static void use(const std::string& var, const std::string& mark) {
    if (mark.empty() || mark.find(' ') != std::string::npos) return;
    const char* done = sess_get_ptr(var.c_str());
    std::vector<std::string> marks;
    std::string word;
    for (const char* c = done ? done : ""; ; ++c) {
      if (*c == ' ' || *c == 0) {
        if (!word.empty()) marks.push_back(word);
        word.clear();
        if (!*c) break;
      } else {
        word += *c;
      }
    }
    marks.push_back(mark);
    if (marks.size() > kept) marks.erase(marks.begin(), marks.end() - static_cast<std::ptrdiff_t>(kept));
    std::string out;
    for (const std::string& m : marks) out += (out.empty() ? "" : " ") + m;
    sess_put(var.c_str(), out.c_str());
  }
};

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
    return std::string(D::list_action) + "?n_" + std::to_string(D::edit_page) + "=e&" + id_var() + "=" +
           std::to_string(id);
  }

  // --- saving and new Ids ---

  static bool save() { return dict_save<T>(); }
  static bool next_id(Tab* t, std::uint32_t* id) { return dict_next_id<T>(t, id, D::highest_named()); }

  // A record with a number that is not finite is not stored.
  static bool finite(const T& r) {
    const int bad = G::not_finite(r);
    if (bad < 0) return true;
    errorDisplay((html_text(var(bad)) + ": to nie jest liczba !").c_str());
    return false;
  }

  // What follows a stored record (or the same form posted again).
  static int after(dict_after how, int page) {
    switch (how) {
      case dict_after::back:
        back_id = dict_back_from(page, D::list_page);
        return 0;
      case dict_after::list:
        back_id = D::list_page;
        return 0;
      case dict_after::list_now:
        return list("l");
    }
    return 0;
  }

  // --- the check ---

  static int validate(std::string& msg, const T* r) {
    if constexpr (requires(std::string& m, const T* p) { D::check(m, p); }) {
      return D::check(msg, r);
    } else {
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
  }

  // --- the list ---

  static void title_table(const char* title) {
    app("<TABLE WIDTH=100%><TR><TD CLASS=pagetitle ALIGN=CENTER> ");
    app(title);
    app(" </TD></TR></TABLE>\n");
  }

  static int list(const char* action_arg) {
    const std::string_view action = action_arg ? action_arg : "";
    if (const unsigned long to = D::list_leave(action)) {
      back_id = to;
      return 0;
    }
    const std::string l = D::list_filter ? var_s("l") : "";
    G::del_ht("", "");
    D::list_opened();
    Tab* t = G::tab();
    Ref* ref = nullptr;
    if (t) {
      if constexpr (D::list_filter)
        ref = l.empty() ? G::by_id(t, 0, VTAB_CMP_GE) : by_name(t, (l + "*").c_str(), VTAB_CMP_LIKEIC);
      else
        ref = G::by_id(t, 0, VTAB_CMP_GE);
    }

    if (D::old_layout) {
      app("<CENTER>\n");
      title_table(D::list_title());
      app("<TABLE border=0>\n");
      app("<TR>\n");
      app("  <td CLASS=colname>");
      app(ustawienia_get("Lp_text"));
      app("</td>\n");
      for (int c = 0; c < D::head_count; ++c) {
        app("  <TD CLASS=colname>");
        app(D::list_head(c));
        app("</td>\n");
      }
      app("</TR>\n");
    } else {
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
    }
    if (ref) {
      long n = 0;
      std::vector<std::string> cells;
      const int shown = std::max(D::head_count - 1, D::cell_count);
      for (tab_ref_elem* e = ref->first; e; e = e->next) {
        const T* r = vtab_row<T>(e);
        if (!r) continue;
        const std::string label = html_text(D::list_label(*r));
        cells.clear();
        D::list_cells(*r, cells);
        cells.resize(8);
        for (std::string& c : cells) c = html_text(c);
        auto cell = [&](int i) { return i < shown ? cells[static_cast<std::size_t>(i)].c_str() : nullptr; };
        tableItemDisplay2(++n, edit_url(G::key_of(*r)).c_str(), label.c_str(), cell(0), cell(1), cell(2), cell(3),
                          cell(4), cell(5), cell(6), cell(7));
        app("\n");
      }
      vtab_api<T>::ref_delete(&ref);
    }
    app(D::old_layout ? "</TABLE>\n" : "</table>\n");
    html_form_open(D::list_action);
    app(" &nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;\n");
    app(form_input_submit(("n_" + std::to_string(D::back_page)).c_str(), D::back_caption(), ""));
    app(" &nbsp;&nbsp;&nbsp;\n");
    app(form_input_submit(("n_" + std::to_string(D::new_page)).c_str(), D::add_caption(), ""));
    html_form_close();
    app(D::old_layout ? "</CENTER>\n" : "</center>\n");
    return 0;
  }

  // --- the record form ---

  // values: the texts of the fields in field order, the Id first, then what
  // the description adds (form_values).  once: the mark of a new-record form.
  static int display(const char* button, const char* const (&captions)[6], const std::vector<std::string>& values,
                     const char* once = nullptr) {
    auto value = [&](int pos) { return pos < static_cast<int>(values.size()) ? values[pos].c_str() : ""; };
    if (D::old_layout) {
      app("<CENTER>\n");
      title_table(D::form_title());
      html_form_open(D::form_action);
      app("<TABLE border=0>\n");
    } else {
      if (D::center_first) {
        app("<center>\n");
        html_form_open(D::form_action);
      } else {
        html_form_open(D::form_action);
        app("<center>\n");
      }
      app("<table border=0>\n");
      app("<tr><td CLASS=pagetitle ALIGN=CENTER COLSPAN=2> ");
      app(D::form_title());
      app(" </td></tr>\n");
    }
    if constexpr (requires(const std::vector<std::string>& v) { D::form_rows(v); }) {
      D::form_rows(values);
    } else {
      for (const dict_row& row : D::rows) {
        app(D::old_layout ? "<TR><TD CLASS=fieldname>" : "<tr><td CLASS=fieldname>");
        app(row.label());
        app(D::old_layout ? ":</TD><TD>" : ":</td><td>\n");
        if (row.control == dict_control::textarea)
          form_textareav(var(row.pos).c_str(), value(row.pos), row.rows, row.cols, "");
        else
          app(form_input_text2(var(row.pos).c_str(), value(row.pos), row.maxlength, row.size, ""));
        app(D::old_layout ? "</TD></TR>\n" : D::row_end);
      }
      app(form_input_hidden(id_var().c_str(), value(0)));
      app("\n");
    }
    if (once) {
      app(form_input_hidden(dict_once::field, once));
      app("\n");
    }
    if (captions[0] && captions[0][0]) {
      app(D::old_layout ? "<TD><TD colspan='2' align='center'>" : "<tr><td colspan='2' align='center'>");
      app(form_input_submit(button, captions[0], ""));
      for (int i = 1; i < 6; ++i) {
        if (!captions[i] || !captions[i][0]) continue;
        app("&nbsp;&nbsp;&nbsp;");
        app(form_input_submit(button, captions[i], ""));
      }
      app(D::old_layout ? "</TD></TD>\n" : "</td></tr>\n");
    }
    html_form_close();
    app(D::old_layout ? "</TABLE>\n" : "</table>\n");
    app(D::old_layout ? "</CENTER>\n" : "</center>\n");
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
  static std::string once_var() { return std::string(M::name) + "." + dict_once::field; }

  static int new_page(const char* action_arg) {
    const std::string_view action = action_arg ? action_arg : "";
    if (D::is_cancel(action)) {
      sess_nav_set(D::new_page, "l");
      back_id = D::cancel_to();
      return 0;
    }
    if (is(action, "Zatwierdz_button")) {
      const std::string mark = dict_once::posted();
      if (dict_once::used(once_var(), mark)) {
        std::printf("mgs_%s_new(): the form %s was stored already, nothing stored again\n", M::name, mark.c_str());
        return after(D::after_new, D::new_page);
      }
      Tab* t = G::tab();
      std::uint32_t id = 0;
      if (t && next_id(t, &id)) {
        T r{};
        M::for_each_field([&](auto f) {
          using F = decltype(f);
          if constexpr (F::pos > 0) G::template read_field<F>(r, var(F::pos).c_str());
        });
        G::key_of(r) = id;
        std::string msg, why;
        if (validate(msg, &r) != 0) {
          infoDisplay(msg.c_str());
        } else if (D::refused(nullptr, r, why)) {
          errorDisplay(why.c_str());
        } else if (finite(r)) {
          if (vtab_api<T>::tab_insert(t, &r) != 0) {
            errorDisplay((std::string("Nie można dodać rekordu do tabeli ") + M::name + " !").c_str());
            return 0;
          }
          dict_once::use(once_var(), mark);
          // A page that runs this one again later does not store it again.
          sess_nav_set(D::new_page, "");
          const bool saved = save();
          D::inserted(r);
          return saved ? after(D::after_new, D::new_page) : 0;
        }
      }
      sess_nav_set(D::new_page, "n");
    }
    const char* captions[6] = {ustawienia_get(D::cancel_key), ustawienia_get("Zatwierdz_button"), "", "", "", ""};
    std::vector<std::string> values = texts_of_vars();
    D::form_values(values, nullptr);
    const std::string mark = dict_once::fresh();
    return display(nav(D::new_page).c_str(), captions, values, mark.c_str());
  }

  static int edit(const char* action_arg) {
    const std::string_view action = action_arg ? action_arg : "";
    if (D::is_cancel(action)) {
      sess_nav_set(D::edit_page, "l");
      back_id = D::cancel_to();
      return 0;
    }
    const std::uint32_t id = var_z(id_var().c_str());
    if (id == UINT32_MAX) {
      app(("mgs_" + std::string(M::name) + "_edit() bad page parameter " + id_var() + "='" +
           html_text(var_s(id_var().c_str())) + "' !\n")
              .c_str());
      app(D::old_layout ? "<BR\n>" : "<br\n>");
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
        if (stored) D::removing(*stored);
        vtab_api<T>::tab_removes(t, ref);
        vtab_api<T>::ref_delete(&ref);
        sess_nav_set(D::edit_page, "");
        save();
        return list("");
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
      std::string msg, why;
      const int code = validate(msg, &r);
      if (code != 0 && code != 1) {
        infoDisplay(msg.c_str());
      } else if (D::refused(stored, r, why)) {
        errorDisplay(why.c_str());
      } else if (finite(r)) {
        D::changing(*stored, r);
        M::for_each_field([&](auto f) {
          using F = decltype(f);
          if constexpr (F::pos > 0) F::ops::update(t, ref, G::template arg_of<F>(r));
        });
        vtab_api<T>::ref_delete(&ref);
        sess_nav_set(D::edit_page, "");
        return save() ? after(D::after_edit, D::edit_page) : 0;
      }
      sess_nav_set(D::new_page, "n");
    }

    const char* captions[6] = {ustawienia_get(D::cancel_key), ustawienia_get("Zatwierdz_button"),
                               D::offers_delete(*stored) ? ustawienia_get("Usun_button") : "", "", "", ""};
    std::vector<std::string> values = texts_of(*stored);
    D::form_values(values, stored);
    vtab_api<T>::ref_delete(&ref);
    return display(nav(D::edit_page).c_str(), captions, values);
  }
};

}  // namespace kal

// --- the defaults of dict_desc_base ---

template <class T>
std::string dict_desc_base<T>::list_label(const T& r) {
  const ostr* name = kal::dict<T>::name_of(r);
  return name ? name->str() : std::string();
}

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
