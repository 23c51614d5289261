#include "server/oo_texts.hpp"

int lang = 0;

namespace {
constexpr const char* kLangNames[] = {"pl", "en", "de", "cs", "fr", "it", "es", "ru"};
constexpr int kLangCount = 8;
}  // namespace

int oo_texts_set_lang(int language) {
  if (language >= 0 && language < kLangCount) lang = language;
  return 0;
}

int oo_texts_get_lang() { return (lang >= 0 && lang < kLangCount) ? lang : 0; }

int oo_texts_get_is_utf8() { return oo_texts_get_lang() == 7 ? 1 : 0; }

int oo_texts_get_is_cp1250() {
  int l = oo_texts_get_lang();
  return (l == 0 || l == 3) ? 1 : 0;
}

const char* oo_texts_get_lang_name() {
  return (lang >= 0 && lang < kLangCount) ? kLangNames[lang] : "";
}
