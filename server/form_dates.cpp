#include "server/form_dates.hpp"

#include <cstdio>
#include <set>

#include "lib/convert.hpp"
#include "server/html_form.hpp"
#include "server/page_out.hpp"

namespace kal {

namespace {

struct Names {
  std::set<std::string, std::less<>> whole, fields;
};

Names& names() {
  static Names n;
  return n;
}

std::vector<refused_date>& refused() {
  static std::vector<refused_date> list;
  return list;
}

}  // namespace

bool form_date_names(std::initializer_list<std::string_view> whole_names) {
  for (std::string_view n : whole_names) names().whole.emplace(n);
  return true;
}

void form_date_field(std::string_view table_field) { names().fields.emplace(table_field); }

bool is_form_date(std::string_view name) {
  const Names& n = names();
  if (n.whole.count(name)) return true;
  for (const std::string& f : n.fields) {
    if (name.size() < f.size() || name.compare(name.size() - f.size(), f.size(), f) != 0) continue;
    if (name.size() == f.size()) return true;
    const char before = name[name.size() - f.size() - 1];
    if (before == '_' || before == '.') return true;
  }
  return false;
}

bool form_dates_screen(hashtbl* request) {
  std::vector<refused_date>& list = refused();
  list.clear();
  if (!request) return false;
  for (std::uint32_t i = 0; i < request->size; ++i) {
    const char* name = request->keys[i];
    const char* value = request->values[i];
    if (!value || !value[0] || !is_form_date(name)) continue;
    std::string text = value;
    if (date_text_valid(text.c_str())) continue;
    std::printf("request variable %s='%s' refused: no date\n", name, text.c_str());
    list.push_back({name, std::move(text)});
  }
  return !list.empty();
}

const std::vector<refused_date>& form_dates_refused() { return refused(); }

void form_dates_report() {
  for (const refused_date& r : refused())
    errorDisplay(("Niemożliwa data '" + html_text(r.text) + "' w polu " + html_text(r.name) +
                  " - nic nie zostało zapisane !")
                     .c_str());
}

}  // namespace kal
