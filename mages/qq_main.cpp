#include "mages/qq_main.hpp"

#include <string>
#include <string_view>

#include "lib/convert.hpp"
#include "mages/mages.hpp"
#include "mages/mgs_pages.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/ustawienia.hpp"

std::string qq_pdf_text;

namespace {

// The variables that mark a required form field.
bool is_required_mark(std::string_view var) {
  if (var == "Wlasciciel_miasto_wymagane" || var == "Wlasciciel_telefon_wymagane") return true;
  constexpr std::string_view head = "Serwis_pole", tail = "_wymagane";
  return var.size() == head.size() + 1 + tail.size() && var.substr(0, head.size()) == head &&
         var[head.size()] >= '1' && var[head.size()] <= '8' && var.substr(head.size() + 1) == tail;
}

// The key of "U(key)", or false when the name is not of that form.
bool setting_key(std::string_view name, std::string* key) {
  if (name.size() < 3 || name.substr(0, 2) != "U(" || name.back() != ')') return false;
  *key = std::string(name.substr(2, name.size() - 3));
  return true;
}

// The id of a page name "MGS_PAGE_<name>"; -1 for anything else.
int page_id_of(std::string_view name) {
  if (name.substr(0, 9) != "MGS_PAGE_") return -1;
  return mages_nav_id(std::string(name).c_str());
}

}  // namespace

namespace kal {

std::string qq_html(const char* text) {
  std::string out;
  if (!text) return out;
  char before = 0;
  for (const char* p = text; *p; before = *p++) {
    switch (*p) {
      case '\n': out += "<BR>\n"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      case ' ': out += before == ' ' ? "&nbsp;" : " "; break;
      default: out += *p;
    }
  }
  return out;
}

}  // namespace kal

int qq_main(const char* name_ptr, std::size_t length) {
  if (!name_ptr || length == 0) return 0;
  const std::string_view name(name_ptr, length);

  if (int id = page_id_of(name); id >= 0) {
    appl(id);
    return 0;
  }
  if (std::string key; setting_key(name, &key)) {
    app(ustawienia_get(key.c_str()));
    return 0;
  }
  if (mgs_select_fn writer = mgs_select_find(name)) return writer();
  if (name[0] == '$') {
    const std::string var(name.substr(1));
    if (is_required_mark(var)) {
      if (std::string_view(ustawienia_get(var.c_str())) == "1") app("*");
      return 0;
    }
    app(kal::qq_html(var_s(var.c_str())).c_str());
  }
  return 0;
}

int qq_pdf(const char* name_ptr, std::size_t length) {
  if (!name_ptr || length == 0) return 0;
  const std::string_view name(name_ptr, length);
  if (int id = page_id_of(name); id >= 0) {
    pdf_qqs(from_l(id));
    return 0;
  }
  if (std::string key; setting_key(name, &key)) {
    pdf_qqs(ustawienia_get(key.c_str()));
    return 0;
  }
  if (name[0] == '$') pdf_qqs(var_s(std::string(name.substr(1)).c_str()));
  return 0;
}

int pdf_qqc(char c) {
  const int before = static_cast<int>(qq_pdf_text.size());
  qq_pdf_text.push_back(c);
  return before;
}

void pdf_qqs(const char* text) {
  if (text) qq_pdf_text += text;
}
