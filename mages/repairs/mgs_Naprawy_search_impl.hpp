// What the equipment and owner searches of the repair form share: typed
// values with their lengths, the query on the first typed field, the wildcard
// tests, and the choice of at most 100 hits.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "db/mgs.hpp"
#include "lib/hashtbl.hpp"
#include "lib/vtab_lang.hpp"
#include "mages/glue.hpp"
#include "server/html_form.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/texts.hpp"

namespace kal::repair_search {

// One typed value: the field, the text as the search uses it (with "*"
// appended in prefix mode) and the length typed.
struct typed {
  const char* field;
  std::string text;
  long len = 0;
};

template <std::size_t N>
std::array<typed, N> read_typed(const char* prefix, const std::array<const char*, N>& fields, bool prefix_mode) {
  std::array<typed, N> out{};
  for (std::size_t i = 0; i < N; ++i) {
    out[i].field = fields[i];
    out[i].text = var_s((std::string(prefix) + fields[i]).c_str());
    out[i].len = static_cast<long>(out[i].text.size());
    if (prefix_mode && (out[i].text.empty() || out[i].text.back() != '*')) out[i].text += '*';
  }
  return out;
}

// The records of T whose text field `field` matches value without regard to
// case (VTAB_CMP_LIKEIC); NULL when there is no table or no such field.
template <class T>
vtab_ref<T>* query(const char* field, const char* value) {
  auto* tab = glue_root<T>::tab();
  if (!tab) return nullptr;
  vtab_ref<T>* ref = nullptr;
  vtab_meta<T>::for_each_field([&](auto f) {
    using F = decltype(f);
    if constexpr (F::letter == 's')
      if (std::string_view(F::name()) == field) ref = F::ops::gets(tab, value, VTAB_CMP_LIKEIC);
  });
  return ref;
}

// The query on the first non-empty typed value; NULL when all are empty or
// nothing matched (an empty result is freed).
template <class T, std::size_t N>
vtab_ref<T>* query_first(const std::array<typed, N>& values) {
  for (const typed& v : values) {
    if (v.text.empty()) continue;
    vtab_ref<T>* ref = query<T>(v.field, v.text.c_str());
    if (ref && ref->size == 0) vtab_api<T>::ref_delete(&ref);
    return ref;
  }
  return nullptr;
}

// A case-insensitive prefix test (an empty prefix matches anything) and a
// whole-pattern test ("*" at either end a wildcard).
inline bool prefix_match(const char* value, const typed& t) {
  return vtab_chkpatrnicx(value ? value : "", t.text.c_str(), t.len, vtab_to_lowlang_cp1250) != 0;
}
inline bool whole_match(const char* value, const typed& t) {
  return vtab_chkpatrnic(value ? value : "", t.text.c_str(), t.len, vtab_to_lowlang_cp1250) != 0;
}

// Most entries a choice of hits offers.
inline constexpr std::uint32_t max_offered = 100;

// "Znaleziono %ld wpisów." with the count, then between, and above
// max_offered the notice that only those are shown ("<lead>" before it,
// "<tail>" after).
inline void app_found(std::uint32_t count, const char* between, const char* lead, const char* tail) {
  std::string text = tr(159);
  if (const std::size_t at = text.find("%ld"); at != std::string::npos) text.replace(at, 3, std::to_string(count));
  app(text.c_str());
  app(between);
  if (count > max_offered) {
    app(lead);
    app(tr(166));
    app(tail);
  }
}

// The option lines of at most max_offered hits: open, the Id, close (or
// close_marked for the hit whose Id is selected), the label, a line end.
inline void app_hit_options(hashtbl* hits, const char* selected, const char* open, const char* close,
                            const char* close_marked) {
  for (std::uint32_t i = 0; i < hits->size && i < max_offered; ++i) {
    app(open);
    app_attr(hits->values[i]);
    app(std::string_view(hits->values[i]) == selected ? close_marked : close);
    app_text(hits->keys[i]);
    app("\n");
  }
}

}  // namespace kal::repair_search
