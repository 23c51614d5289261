// Spanish numbers in words (compiled as ISO-8859-1).  Spanish counts millions
// up to a million ("mil millones" is a thousand millions), joins 21 to 29 into
// one word and puts "y" between tens and units; "uno" becomes "un" before mil
// and millones, and "cien" is "ciento" when more follows.
#include "lib/slownie_lang.hpp"

#include "server/texts.hpp"

namespace kal::slownie {
namespace {

std::string es_below_100(int r, bool apocope) {
  static constexpr const char* twenties[] = {"veinte",      "veintiuno",  "veintidós",
                                             "veintitrés",  "veinticuatro", "veinticinco",
                                             "veintiséis",  "veintisiete", "veintiocho",
                                             "veintinueve"};
  if (r == 1 && apocope) return "un";
  if (r < 20) return tr(309 + r);
  if (r < 30) return (r == 21 && apocope) ? "veintiún" : twenties[r - 20];
  std::string s = tr(327 + r / 10);
  const int u = r % 10;
  if (u != 0) {
    s += " y ";
    s += (u == 1 && apocope) ? "un" : tr(309 + u);
  }
  return s;
}

// 1 .. 999999
std::string es_below_million(int n, bool apocope) {
  std::string s;
  const int thousands = n / 1000, rest = n % 1000;
  if (thousands == 1) {
    s = tr(346);  // mil
  } else if (thousands > 1) {
    s = es_below_1000(thousands, true) + " " + tr(347);
  }
  if (rest != 0) {
    if (!s.empty()) s += ' ';
    s += es_below_1000(rest, apocope);
  }
  return s;
}

}  // namespace

std::string es_below_1000(int v, bool apocope) {
  if (v < 0 || v > 999) return {};
  const int h = v / 100, r = v % 100;
  if (h == 0) return es_below_100(r, apocope);
  std::string s = h == 1 ? (r == 0 ? tr(337) : "ciento") : tr(336 + h);
  if (r != 0) s += " " + es_below_100(r, apocope);
  return s;
}

std::string es_words(int32_t n) {
  if (n < 0) return {};
  if (n == 0) return tr(309);
  std::string s;
  const int millions = n / 1000000, rest = n % 1000000;
  if (millions == 1) {
    s = tr(349);  // un millón
  } else if (millions > 1) {
    s = es_below_million(millions, true) + " " + tr(350);  // millones
  }
  if (rest != 0) {
    if (!s.empty()) s += ' ';
    s += es_below_million(rest, false);
  }
  return s;
}

}  // namespace kal::slownie
