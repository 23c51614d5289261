// What the receiving-employee and repairer pages share: both tables link an
// Id of their own to a firm, whose name is the person's name.  Their pages
// are dictionary pages (mages/dict_pages.hpp) whose records have no name of
// their own: the list shows the firm's name and is not filtered, the form
// picks the firm through the firm list (the link prefix in a pick variable),
// the check looks at the firm, and a stored change shows the list at once.
// Only the two page modules include this file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "mages/dict_pages_impl.hpp"
#include "mages/firms/mgs_Firmy0.hpp"

namespace kal {

template <class T>
struct firm_link_desc : dict_desc_base<T> {
  static constexpr int name_pos() { return -1; }
  static constexpr bool list_filter = false;
  static std::string list_label(const T& r) { return Firmy_nazwa(r.Id_Firmy); }
  static constexpr dict_after after_new = dict_after::list_now;
  static constexpr dict_after after_edit = dict_after::list_now;

  // The first link to the firm in Id order; NULL when there is none.
  static const T* link_of(std::uint32_t firm) {
    const T* found = nullptr;
    glue<T>::each_by_id([&](const T& row) {
      if (!found && row.Id_Firmy == firm) found = &row;
    });
    return found;
  }

  // -1 no record, -3 no firm chosen, 1 a link to the firm exists (the message
  // names it with a link to its edit page), 0 otherwise.
  static int check_link(std::string& msg, const T* r, const char* no_firm, const char* exists) {
    if (!r) {
      msg = std::string("ERROR ") + vtab_meta<T>::name + " NULL !\n";
      return -1;
    }
    if (r->Id_Firmy == 0) {
      msg = no_firm;
      return -3;
    }
    if (const T* same = link_of(r->Id_Firmy)) {
      const std::string label = html_text(Firmy_nazwa(same->Id_Firmy));
      msg = dict_fill(exists, page_href(dict<T>::edit_url(same->Id).c_str(), label.c_str()));
      return 1;
    }
    msg = dict_fill(tr(304), std::to_string(r->Id_Firmy));
    return 0;
  }

  // The firm row of the form: the button that opens the firm list in the
  // pick mode of pick_key, which links each firm to href followed by its Id;
  // then the firm's name ("&nbsp;" for none).
  static void firm_row(const char* pick_key, const char* href_var, const std::string& href, const char* firm) {
    app("<tr><td CLASS=fieldname>");
    app(form_input_submit("n_10", ustawienia_get(pick_key), ""));
    sess_put(href_var, href.c_str());
    app("</td>\n");
    app("<td>\n");
    const std::uint32_t id = to_z(firm);
    if (id == 0)
      app("&nbsp;");
    else
      app_text(Firmy_nazwa(id));
    app("</td>\n");
    app("</tr>\n");
  }
};

}  // namespace kal
