// Number words of the languages whose letters need their own code page
// (Spanish in ISO-8859-1, Russian in UTF-8), and what they share with the
// main module.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kal::slownie {

enum Unit : int { kThousand = 0, kMillion = 1, kBillion = 2 };

// The plain composition below one thousand (Polish, English, Czech, Russian):
// units, tens and hundreds words of the text table joined by blanks.
std::string plain_below_1000(int v);

// Replaces the end of s when s ends with `tail`.
void replace_tail(std::string& s, std::string_view tail, std::string_view with);

// Spanish: a whole number (n >= 0), and the words below one thousand, with
// "uno" shortened to "un" before mil and millones when `apocope` is set.
std::string es_words(int32_t n);
std::string es_below_1000(int v, bool apocope);

// Russian: the words of a count in the gender of the unit that follows, and
// the form of the unit for that count.
std::string ru_count_words(int count, Unit unit);
const char* ru_unit_form(int count, Unit unit);

}  // namespace kal::slownie
