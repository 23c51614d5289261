#include "mages/mgs_ext_fields.hpp"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "lib/convert.hpp"
#include "lib/qq.hpp"
#include "mages/firms/mgs_Firmy0.hpp"
#include "mages/qq_main.hpp"
#include "server/html_form.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/ustawienia.hpp"

namespace {

// A numbered name: prefix + the format filled with n.
std::string numbered(const char* prefix, const char* format, int n) {
  char tail[32];
  std::snprintf(tail, sizeof tail, format, n);
  return std::string(prefix) + tail;
}

// A setting's value; "" when it is absent (it then reads as its own key).
std::string setting(const std::string& key) {
  const char* v = ustawienia_get(key.c_str());
  return key == v ? std::string() : std::string(v);
}

}  // namespace

int mgs_ext_fields_display(const ext_fields_layout& l) {
  if (setting(std::string(l.settings) + "s00_text").empty()) return 0;
  const int rows = std::clamp(to_i(setting(std::string(l.settings) + "rows_count").c_str()), 0, l.slots / 2);
  int folded_to = -1;  // rows up to this one are folded away
  for (int r = 0; r < rows; ++r) {
    if (folded_to >= r) continue;
    const std::string heading = setting(numbered(l.settings, "row%02d_text", r));
    if (!heading.empty()) {
      const std::string show_var = numbered(l.settings, "row%02d_show", r);
      const std::string show = var_s(show_var.c_str());
      const char* label = show == "Ukryj" ? "Rozwiń" : "Ukryj";
      if (show.empty() || show == "Ukryj") sess_nav_set(31, "");
      const int count = to_i(setting(numbered(l.settings, "row%02d_count", r)).c_str());
      if (std::string_view(label) == "Rozwiń" && count >= 1) folded_to = r + count;
      app("<TR>\n");
      app("<TD CLASS=fieldname ALIGN=CENTER COLSPAN=4>");
      app_text(heading.c_str());
      if (count > 0) {
        app(" &nbsp; <INPUT TYPE=submit NAME=");
        app(show_var.c_str());
        app(" VALUE=\"");
        app(html_val(label));
        app("\" >\n");
      }
      app("</TD>\n");
      app("</TR>\n");
    }
    if (folded_to >= r) continue;
    app("<TR>\n");
    for (int n = 2 * r; n <= 2 * r + 1; ++n) {
      const std::string caption = setting(numbered(l.settings, "s%02d_text", n));
      app("<TD CLASS=fieldname>");
      app_text(caption.c_str());
      app(caption.empty() ? "&nbsp;" : ":");
      app("</TD>\n");
      app("<TD CLASS=fieldvalue>");
      form_input_s(numbered(l.var_prefix, "s%02d", n).c_str(), 200, 25);
      if (setting(numbered(l.settings, "s%02d_wymagane", n)) == "1") {
        app("<FONT color=red>");
        app("*");
        app("</FONT>");
      }
      app("</TD>\n");
    }
    app("<TD>&nbsp;</TD>\n");
    app("</TR>\n");
    app("\n");
  }

  for (int k = 0; k <= 3; ++k) {
    const std::uint32_t firm = var_z(numbered(l.var_prefix, "i%02d", k).c_str());
    const std::string base = numbered(l.firm_vars, "i%02d_", k);
    sess_put((base + "nazwa").c_str(), Firmy_nazwa(firm));
    sess_put((base + "ulica").c_str(), Firmy_ulica(firm));
    sess_put((base + "kod_pocztowy").c_str(), Firmy_kod_pocztowy(firm));
    sess_put((base + "miasto").c_str(), Firmy_miasto(firm));
    sess_put((base + "telefon").c_str(), Firmy_telefon(firm));
  }
  qq_run(l.firm_template, appc, qq_main);
  return 0;
}
