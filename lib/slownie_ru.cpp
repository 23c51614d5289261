// Russian numbers in words (compiled as UTF-8).  Every count is spoken, also
// one ("одна тысяча", "один миллион"); thousand is feminine, so a count ending
// in one or two takes "одна" or "две"; and the unit's form follows the last
// digit: 1 (but not 11) the singular, 2-4 (but not 12-14) the genitive
// singular, everything else the genitive plural.
#include "lib/slownie_lang.hpp"

#include "server/texts.hpp"

namespace kal::slownie {

std::string ru_count_words(int count, Unit unit) {
  if (count <= 0) return {};
  std::string s = plain_below_1000(count % 1000);
  if (unit == kThousand && count % 100 / 10 != 1) {
    if (count % 10 == 1) replace_tail(s, tr(310), "одна");
    if (count % 10 == 2) replace_tail(s, tr(311), "две");
  }
  return s;
}

const char* ru_unit_form(int count, Unit unit) {
  if (count <= 0) return "";
  const int id = 346 + 3 * unit;  // singular, genitive plural, genitive singular
  const int r100 = count % 100, r10 = count % 10;
  if (r100 >= 11 && r100 <= 14) return tr(id + 1);
  if (r10 == 1) return tr(id);
  if (r10 >= 2 && r10 <= 4) return tr(id + 2);
  return tr(id + 1);
}

}  // namespace kal::slownie
