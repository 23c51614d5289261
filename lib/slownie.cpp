// Numbers in words.  The words come from the text table (ids 309 to 354); the
// way they are put together depends on the language.  Groups (billions,
// millions, thousands, the rest) are separated by blanks, so that the
// printouts can wrap long amounts; only German writes a number below a
// million as one word ("zweitausendeins"), as German does.
#include "lib/slownie.hpp"

#include <cstring>
#include <string_view>

#include "lib/slownie_lang.hpp"
#include "lib/txt_utils.hpp"
#include "server/oo_texts.hpp"
#include "server/texts.hpp"
#include "server/texts_table.hpp"

namespace kal::slownie {
namespace {

enum Language : int { kPolish = 0, kEnglish, kGerman, kCzech, kFrench, kItalian, kSpanish, kRussian };

constexpr int kZero = 309;      // 309 .. 328: 0 .. 19
constexpr int kTens = 327;      // 327 + t: t tens (t = 2 .. 9)
constexpr int kHundreds = 336;  // 336 + h: h hundreds (h = 1 .. 9)
constexpr int kUnitForms = 346; // + 3 * unit: singular, 5 and more, 2 to 4

constexpr int32_t kUnitBase[] = {1000, 1000000, 1000000000};

std::string without_trailing_s(std::string s) {
  if (!s.empty() && s.back() == 's') s.pop_back();
  return s;
}

// German: "einundzwanzig", "hunderteins".  Always the German words, whatever
// the UI language.
const char* de(int id) {
  const char* w = text_of(kGerman, id);
  return w ? w : "";
}

std::string de_below_1000(int n) {
  if (n < 0 || n > 1000) return {};
  if (n == 1000) return de(kUnitForms);
  std::string s;
  if (n >= 100) {
    s = de(kHundreds + n / 100);
    n %= 100;
    if (n == 0) return s;
  }
  if (n <= 20) {
    s += de(kZero + n);
  } else if (n % 10 == 0) {
    s += de(kTens + n / 10);
  } else {
    s += n % 10 == 1 ? "ein" : de(kZero + n % 10);
    s += "und";
    s += de(kTens + n / 10);
  }
  return s;
}

// French: "vingt et un", "soixante-douze", "quatre-vingts", "deux cents"; before
// "mille" the plural s of vingt and cent is dropped ("quatre-vingt mille").
std::string fr_below_100(int r, bool before_mille) {
  if (r < 20) return tr(kZero + r);
  const int t = r / 10, u = r % 10;
  if (t == 7 || t == 9) {
    // sixty and eighty take the words from ten to nineteen
    const std::string base = t == 7 ? std::string(tr(kTens + 6)) : without_trailing_s(tr(kTens + 8));
    const int rest = r - (t == 7 ? 60 : 80);
    if (rest == 11 && t == 7) return base + " et " + tr(kZero + 11);
    return base + "-" + tr(kZero + rest);
  }
  if (t == 8) {
    if (u == 0) return before_mille ? without_trailing_s(tr(kTens + 8)) : std::string(tr(kTens + 8));
    return without_trailing_s(tr(kTens + 8)) + "-" + tr(kZero + u);
  }
  std::string s = tr(kTens + t);
  if (u == 1) return s + " et " + tr(kZero + 1);
  if (u != 0) s += "-" + std::string(tr(kZero + u));
  return s;
}

std::string fr_below_1000(int v, bool before_mille) {
  const int h = v / 100, r = v % 100;
  if (h == 0) return fr_below_100(r, before_mille);
  std::string s = tr(kHundreds + h);
  if (h > 1 && (r != 0 || before_mille)) s = without_trailing_s(s);
  if (r != 0) {
    s += ' ';
    s += fr_below_100(r, before_mille);
  }
  return s;
}

// Italian: one word below a thousand, the tens losing their last vowel
// before uno and otto ("ventuno", "ventotto"), the hundreds theirs before otto
// and ottanta ("centottanta").
std::string it_below_1000(int v) {
  const int h = v / 100, r = v % 100;
  std::string s = h ? tr(kHundreds + h) : "";
  if (h && r == 0) return s;
  std::string rest;
  if (r < 20) {
    rest = tr(kZero + r);
  } else {
    rest = tr(kTens + r / 10);
    const int u = r % 10;
    if (u == 1 || u == 8) rest.pop_back();
    if (u != 0) rest += tr(kZero + u);
  }
  if (h && rest.compare(0, 3, "ott") == 0) s.pop_back();
  return s + rest;
}

std::string below_1000(int v) {
  switch (oo_texts_get_lang()) {
    case kGerman: return de_below_1000(v);
    case kFrench: return fr_below_1000(v, false);
    case kItalian: return it_below_1000(v);
    case kSpanish: return es_below_1000(v, false);
    default: return plain_below_1000(v);
  }
}

// The usual rule of the forms: 1 the singular; 2-4, 22-24, 32-34 ... (but not
// 12-14) the form for 2 to 4; everything else the form for 5 and more.
const char* common_unit_form(int count, Unit unit) {
  const int id = kUnitForms + 3 * unit;
  if (count == 1) return tr(id);
  const int r = count % 100;
  if (r >= 2 && r <= 4) return tr(id + 2);
  if (r >= 5 && r <= 21) return tr(id + 1);
  if (r >= 22 && r % 10 >= 2 && r % 10 <= 4) return tr(id + 2);
  return tr(id + 1);
}

const char* unit_form(int count, Unit unit) {
  if (count <= 0) return "";
  switch (oo_texts_get_lang()) {
    case kEnglish: {
      // the English nouns take no plural s after a number
      static constexpr const char* one[] = {"one thousand", "one million", "one billion"};
      static constexpr const char* many[] = {"thousand", "million", "billion"};
      return count == 1 ? one[unit] : many[unit];
    }
    case kRussian: return ru_unit_form(count, unit);
    default: return common_unit_form(count, unit);
  }
}

// The words of a count that go before its unit; a count of one is usually
// left out ("tysiąc", not "jeden tysiąc").
std::string count_words(int count, Unit unit) {
  switch (oo_texts_get_lang()) {
    case kRussian: return ru_count_words(count, unit);
    case kGerman: {
      if (count <= 1) return {};
      std::string s = de_below_1000(count);
      if (count % 100 == 1) replace_tail(s, "eins", unit == kThousand ? "ein" : "eine");
      if (count / 100 == 1) s = "ein" + s;  // "einhunderttausend"
      return s;
    }
    case kFrench: return count > 1 ? fr_below_1000(count, unit == kThousand) : std::string();
    case kCzech: {
      if (count <= 1) return {};
      std::string s = plain_below_1000(count);
      if (unit == kBillion && count % 10 == 2 && count % 100 != 12) replace_tail(s, "dva", "dvě");
      return s;
    }
    default: return count > 1 ? below_1000(count) : std::string();
  }
}

void append_part(std::string& out, std::string_view part) {
  if (part.empty()) return;
  if (!out.empty()) out += ' ';
  out += part;
}

std::string whole_words(int32_t n) {
  if (n < 1000) return below_1000(n);
  for (int u = kBillion; u >= kThousand; --u) {
    if (n < kUnitBase[u]) continue;
    const Unit unit = static_cast<Unit>(u);
    const int count = n / kUnitBase[u];
    const int32_t rest = n % kUnitBase[u];
    // "duemila"; German joins the thousands and what follows them as well.
    const int lang = oo_texts_get_lang();
    const bool joined = unit == kThousand && (lang == kItalian || lang == kGerman);
    std::string s = count_words(count, unit);
    if (joined)
      s += unit_form(count, unit);
    else
      append_part(s, unit_form(count, unit));
    if (rest == 0) return s;
    if (joined && lang == kGerman)
      s += whole_words(rest);
    else
      append_part(s, whole_words(rest));
    return s;
  }
  return {};
}

}  // namespace

void replace_tail(std::string& s, std::string_view tail, std::string_view with) {
  if (s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0)
    s.replace(s.size() - tail.size(), tail.size(), with);
}

std::string plain_below_1000(int v) {
  if (v < 0 || v > 999) return {};
  if (v <= 20) return tr(kZero + v);
  if (v <= 100) {
    std::string s = v == 100 ? tr(kHundreds + 1) : tr(kTens + v / 10);
    if (v % 10 != 0) {
      s += ' ';
      s += tr(kZero + v % 10);
    }
    return s;
  }
  std::string s = tr(kHundreds + v / 100);
  if (v % 100 != 0) {
    s += ' ';
    s += plain_below_1000(v % 100);
  }
  return s;
}

}  // namespace kal::slownie

using namespace kal::slownie;

int liczba_slownie(std::string& out, int32_t number) {
  if (number < 0) return 0;
  if (oo_texts_get_lang() == kSpanish)
    out += es_words(number);
  else
    out += whole_words(number);
  return 0;
}

const char* liczba_999_slownie(int number) {
  static std::string result;
  const int v = number % 1000;
  result = v < 0 ? std::string() : below_1000(v);
  return result.c_str();
}

const char* liczba_999_slownie_de(int number) {
  static std::string result;
  result = de_below_1000(number);
  return result.c_str();
}

const char* liczba_tysiecy_slownie(int count) { return unit_form(count, kThousand); }
const char* liczba_milionow_slownie(int count) { return unit_form(count, kMillion); }
const char* liczba_miliardow_slownie(int count) { return unit_form(count, kBillion); }

const char* cancel_ul(const char* text) {
  if (!text) return "";
  for (const char* p : {"ul. ", "UL. ", "Ul. "})
    if (std::strncmp(text, p, 4) == 0) return text + 4;
  for (const char* p : {"ul.", "UL.", "Ul.", "ul ", "UL ", "Ul "})
    if (std::strncmp(text, p, 3) == 0) return text + 3;
  return text;
}

const char* ulica_if_not_empty(const char* street, const char* suffix) {
  static std::string result;
  const char* rest = cancel_ul(street);
  std::string s;
  if (not_empty(rest)) {
    s = rest;
    if (suffix) s += suffix;
  }
  result = std::move(s);
  return result.c_str();
}

const char* trim_sp(const char* text) {
  if (!text) return "";
  while (*text == ' ' || *text == '\t' || *text == '\n') ++text;
  return text;
}
