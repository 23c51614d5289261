#include "server/html_form.hpp"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "lib/convert.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/ustawienia.hpp"

namespace {

std::string_view view(const char* text) { return text ? std::string_view(text) : std::string_view(); }

bool empty(const char* text) { return !text || !text[0]; }

// Keeps the result of a returning emitter until its next call.  The new text
// is built apart first, since an argument may point into the old one.
const char* keep(std::string& slot, std::string text) {
  slot = std::move(text);
  return slot.c_str();
}

std::string escape(std::string_view text, bool amp, bool quotes) {
  std::string out;
  out.reserve(text.size() + 16);
  for (char c : text) {
    switch (c) {
      case '&': out += amp ? "&amp;" : "&"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += quotes ? "&quot;" : "\""; break;
      case '\'': out += quotes ? "&#39;" : "'"; break;
      default: out += c;
    }
  }
  return out;
}

std::string hidden(const char* name, const char* value) {
  if (!name || !value) return {};
  std::string r = "<INPUT TYPE=\"HIDDEN\" NAME=\"";
  r += name;
  r += "\" VALUE=\"";
  r += kal::html_attr(value);
  r += "\">";
  return r;
}

std::string open_form(const char* action, const char* override_action, const char* target) {
  std::string r = "<FORM METHOD=\"POST\" ACTION=\"";
  r += kal::html_url(view(empty(override_action) ? action : override_action));
  r += "\"";
  if (!empty(target)) {
    r += " target=\"";
    r += kal::html_attr(target);
    r += "\">";
  } else {
    r += ">";
  }
  r += "\n";
  r += hidden("s", from_z(static_cast<std::uint32_t>(sess_id)));
  r += "\n";
  r += hidden("sess_code", get_sess_code());
  r += "\n";
  return r;
}

std::string text_field(const char* name, const char* value, int maxlength, int size, const char* cls) {
  std::string r = "<INPUT TYPE=\"text\" NAME=\"";
  r += view(name);
  r += "\" VALUE=\"";
  r += kal::html_attr(view(value));
  r += "\" ";
  if (maxlength != 0) r += " MAXLENGTH=\"" + std::to_string(maxlength) + "\"";
  if (size != 0) r += " size=\"" + std::to_string(size) + "\"";
  if (!empty(cls)) {
    r += " CLASS=\"";
    r += cls;
    r += "\"";
  }
  r += ">";
  return r;
}

std::string checkbox(const char* name, const char* value, int checked) {
  std::string r = "<INPUT TYPE=\"CHECKBOX\" NAME=\"";
  r += view(name);
  r += "\" VALUE=\"";
  r += kal::html_attr(view(value));
  r += "\" ";
  if (checked == 1) r += "checked=\"checked\"";
  r += ">";
  return r;
}

// The name of the page action variable of a page.
std::string action_name(int page_id) { return "n_" + std::to_string(page_id); }

// A checkbox of a group counts as ticked when its variable holds its value.
bool group_box_ticked(const char* prefix, const char* value) {
  const std::string var = std::string(view(prefix)) + "." + std::string(view(value));
  return static_cast<long>(var_z(var.c_str())) == to_l(value);
}

// The SELECT of count options, the i-th given by option(i, &label, &value).
template <class Option>
int select_of(const char* name, std::uint32_t count, Option option, bool (*selected)(const char* value, const void* arg),
              const void* arg) {
  std::string r = "<SELECT NAME=\"";
  r += view(name);
  r += "\">";
  for (std::uint32_t i = 0; i < count; ++i) {
    const char* label = nullptr;
    const char* value = nullptr;
    option(i, &label, &value);
    r += "<OPTION VALUE=\"";
    r += kal::html_attr(view(value));
    r += selected(value, arg) ? "\" SELECTED>" : "\">";
    r += kal::html_text(view(label));
    r += "\n";
  }
  r += "</SELECT>";
  app(r.c_str());
  return 0;
}

int select_options(const char* name, hashtbl* options, bool (*selected)(const char* value, const void* arg),
                   const void* arg) {
  return select_of(
      name, options ? options->size : 0,
      [options](std::uint32_t i, const char** label, const char** value) {
        *label = options->keys[i];
        *value = options->values[i];
      },
      selected, arg);
}

bool number_selected(const char* value, const void* arg) { return to_l(value) == *static_cast<const long*>(arg); }

}  // namespace

// --- escaping ----------------------------------------------------------------

namespace kal {

std::string html_attr(std::string_view text) { return escape(text, true, true); }

std::string html_text(std::string_view text) { return escape(text, true, false); }

std::string html_url(std::string_view text) { return escape(text, false, true); }

std::string make_page_href(const char* url, const char* text) {
  std::string r = "<A HREF=\"";
  r += html_url(view(url));
  r += url && std::strchr(url, '?') ? "&" : "?";
  r += "s=";
  r += from_z(static_cast<std::uint32_t>(sess_id));
  r += "&sess_code=";
  r += html_url(get_sess_code());
  r += "\">";
  r += view(text);
  r += "</A>";
  return r;
}

std::string make_input_submit(const char* name, const char* value, const char* extra) {
  if (empty(name)) return {};
  std::string r = "<INPUT TYPE=\"submit\" NAME=\"";
  r += name;
  r += "\" VALUE=\"";
  r += html_attr(view(value));
  r += "\" ";
  if (!empty(extra)) {
    r += " ";
    r += extra;
  }
  r += ">";
  return r;
}

bool href_is_local(const char* href) {
  if (empty(href)) return false;
  // Browsers drop leading blanks and control bytes, read "\" as "/", and take
  // "//host" as another site.
  if (static_cast<unsigned char>(href[0]) <= ' ') return false;
  if (href[0] == '/' && href[1] == '/') return false;
  for (const char* p = href; *p; ++p)
    if (static_cast<unsigned char>(*p) < ' ' || *p == '\\' || *p == 0x7f) return false;
  // A scheme ("http:", "javascript:") is a ':' before any '/', '?' or '#'.
  const std::size_t end = std::strcspn(href, "/?#");
  return std::memchr(href, ':', end) == nullptr;
}

}  // namespace kal

const char* html_val(const char* text) {
  static std::string buf;
  return keep(buf, kal::html_attr(view(text)));
}

void app_attr(const char* text) {
  if (text) app(kal::html_attr(text).c_str());
}

void app_text(const char* text) {
  if (text) app(kal::html_text(text).c_str());
}

// --- links and forms -----------------------------------------------------------

const char* page_href(const char* url, const char* text) {
  static std::string buf;
  return keep(buf, kal::make_page_href(url, text));
}

const char* form_open(const char* action, const char* target) {
  static std::string buf;
  return keep(buf, open_form(action, nullptr, target));
}

const char* form_open_back(const char* action, const char* override_action, const char* target) {
  static std::string buf;
  return keep(buf, open_form(action, override_action, target));
}

int html_form_open(const char* action) {
  const std::string href = var_s("href");
  const char* target = nullptr;
  if (!href.empty()) {
    if (kal::href_is_local(href.c_str()))
      target = href.c_str();
    else
      std::printf("html_form_open() href '%s' leads off this site, the form posts to '%s'\n", href.c_str(),
                  action ? action : "");
  }
  app(open_form(action, target, "").c_str());
  return 0;
}

int html_form_close() {
  app("</FORM>\n");
  return 0;
}

const char* form_close() { return "</FORM>"; }

const char* form_input_hidden(const char* name, const char* value) {
  static std::string buf;
  return keep(buf, hidden(name, value));
}

// --- text fields ---------------------------------------------------------------

const char* form_input_text2(const char* name, const char* value, int maxlength, int size, const char* cls) {
  static std::string buf;
  return keep(buf, text_field(name, value, maxlength, size, cls));
}

int form_input_s(const char* name, int maxlength, int size) {
  const std::string value = var_s(name);
  app(text_field(name, value.c_str(), maxlength, size, "").c_str());
  return 0;
}

int app_tr_input(const char* label, const char* name, const char* value, int maxlength, int size) {
  app("<TR>");
  app("<TD CLASS=fieldname>");
  app(label);
  app("</TD><TD>");
  app(text_field(name, value, maxlength, size, "").c_str());
  app("</TD></TR>\n");
  return 0;
}

int form_textareav(const char* name, const char* value, int rows, int cols, const char* cls) {
  std::string r = "<textarea NAME=\"";
  r += view(name);
  r += "\"";
  if (rows > 0) r += " ROWS=\"" + std::to_string(rows) + "\"";
  if (cols > 0) r += " COLS=\"" + std::to_string(cols) + "\"";
  if (!empty(cls)) {
    r += " CLASS=\"";
    r += cls;
    r += "\"";
  }
  r += ">";
  // A browser drops one line feed that directly follows the opening tag, so a
  // text that starts with one gets one more to keep its own.
  if (value && value[0] == '\n') r += "\n";
  r += kal::html_attr(view(value));
  r += "</textarea>";
  app(r.c_str());
  return 0;
}

int form_textarea(const char* name, int rows, int cols, const char* cls) {
  const std::string value = var_s(name);
  return form_textareav(name, value.c_str(), rows, cols, cls);
}

int form_input_date(const char* name) {
  const std::string date = from_td(var_t(name));
  return form_input_date2(name, date.c_str());
}

int form_input_date2(const char* name, const char* value) {
  app(text_field(name, value, 10, 10, "").c_str());
  return form_calendar_href(name);
}

int form_calendar_href(const char* name) {
  const std::string_view n = view(name);
  std::string r = "<a href=\"javascript:show_calendar('";
  r += "document.forms[0].";
  r += n;
  r += "', ";
  r += "document.forms[0].";
  r += n;
  r += ".value);\">";
  r += "<img src=\"cal.gif\" width=\"16\" height=\"16\" border=\"0\" ";
  r += "alt=\"";
  r += kal::html_attr(ustawienia_get("Kliknij_tu_aby_wybrac_date_z_kalendarza_text"));
  r += "\">";
  r += "</a>";
  app(r.c_str());
  return 0;
}

// --- selects and checkboxes ------------------------------------------------------

int formutil_select(const char* name, hashtbl* options, long selected) {
  return select_options(name, options, number_selected, &selected);
}

int formutil_select_list(const char* name, const select_option* options, std::size_t count, long selected) {
  return select_of(
      name, options ? static_cast<std::uint32_t>(count) : 0,
      [options](std::uint32_t i, const char** label, const char** value) {
        *label = options[i].label;
        *value = options[i].value;
      },
      number_selected, &selected);
}

int formutil_selectn(const char* name, hashtbl* options, const char* selected_text) {
  return select_options(
      name, options,
      [](const char* value, const void* arg) {
        const char* want = static_cast<const char*>(arg);
        return want && value && std::strcmp(value, want) == 0;
      },
      selected_text);
}

const char* formutil_input_checkbox(const char* name, const char* value, int checked) {
  static std::string buf;
  return keep(buf, checkbox(name, value, checked));
}

int formutil_checkbox(const char* prefix, hashtbl* options) {
  app("<table border=0>\n");
  app("<tr>\n");
  for (std::uint32_t i = 0; options && i < options->size; ++i) {
    const std::string label = options->keys[i];
    const std::string value = options->values[i];
    const std::string name = std::string(view(prefix)) + "." + kal::html_attr(value);
    const bool ticked = group_box_ticked(prefix, value.c_str());
    app(tableItemTD(i));
    app("\n");
    app(checkbox(name.c_str(), value.c_str(), ticked ? 1 : 0).c_str());
    app_text(label.c_str());
    app("</td>\n");
    app("</tr><tr>\n");
  }
  app("</tr>\n");
  app("</table>\n");
  return 0;
}

int formutil_checkbox0(const char* prefix, hashtbl* options) {
  app("<table>\n");
  app("<tr>\n");
  const std::uint32_t count = options ? options->size : 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::string label = options->keys[i];
    const std::string value = options->values[i];
    const std::string escaped = kal::html_attr(value);
    std::string r = "<td>\n";
    r += "<INPUT TYPE=\"checkbox\" NAME=\"";
    r += view(prefix);
    r += ".";
    r += escaped;
    r += "\" VALUE=\"";
    r += escaped;
    r += group_box_ticked(prefix, value.c_str()) ? "\" checked=\"checked\">" : "\">";
    r += kal::html_text(label);
    r += "\n";
    r += "</td>\n";
    if (i % 2 == 1 && i + 1 < count) r += "</tr><tr>\n";
    app(r.c_str());
  }
  app("</tr>\n");
  app("</table>\n");
  return 0;
}

int year_select_options(int selected, int first, int last, int with_empty) {
  if (with_empty & 1)
    app(selected == 0 ? "<option value=\"0\" selected>----\n" : "<option value=\"0\">----\n");
  for (long y = first; y <= last; ++y) {
    const std::string year = std::to_string(y);
    std::string r = "<option value='" + year + (y == selected ? "' selected>" : "'>") + year + "\n";
    app(r.c_str());
  }
  return 0;
}

// --- buttons -------------------------------------------------------------------

const char* form_input_submit(const char* name, const char* value, const char* extra) {
  static std::string buf;
  return keep(buf, kal::make_input_submit(name, value, extra));
}

int app_button(int page_id, const char* caption) {
  app(kal::make_input_submit(action_name(page_id).c_str(), caption, "").c_str());
  return 0;
}

int app_action_button_nav(const char* name, const char* caption) {
  if (empty(caption)) return 0;
  app("&nbsp;&nbsp;&nbsp;");
  app(kal::make_input_submit(name, caption, "").c_str());
  return 0;
}

int app_action_button(int page_id, const char* caption) {
  return app_action_button_nav(action_name(page_id).c_str(), caption);
}

int app_actions(const char* name, const char* const* captions) {
  if (!captions || empty(captions[0])) return 0;
  app("<tr><td colspan=\"2\" align=\"center\">");
  app(kal::make_input_submit(name, captions[0], "").c_str());
  for (int k = 1; k <= 6; ++k) app_action_button_nav(name, captions[k]);
  app("</td></tr>\n");
  return 0;
}
