// Values to text and back, in the form of the current UI language.
//
// from_<x> turns a value into text, to_<x> a text into a value; the letter
// names the value's type: z unsigned 32-bit id, i int, l long, q unsigned
// count, c character, s text, t date and time, td date, tmin minutes, gzl
// money and quantities.
//
// Dates are written day first (month first in English, language 1); money
// has a full stop as decimal separator in English and German (languages 1
// and 2) and a comma in all other languages.  Nothing here depends on the
// process locale.
//
// Result texts of from_<x> belong to the converter: most converters keep the
// last ten results, each in its own slot, so a result stays valid until the
// same converter has been called ten more times.  from_c, from_td and
// from_tmin keep one result, replaced by their next call.  Copy a text that
// must live longer.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

const char* from_z(uint32_t value);
const char* from_i(int value);
const char* from_l(long value);
const char* from_q(unsigned long value);
const char* from_c(char value);
const char* from_s(const char* value);
// Local date and time "dd.mm.yyyy hh:mm:ss" ("mm/dd/yyyy hh:mm:ss" in
// English); a time of 0 or less gives 01.01.1970 00:00:00 whatever the zone.
const char* from_t(int64_t time);
// The date of from_t only.
const char* from_td(int64_t time);
// "h:mm" of a number of minutes (truncating: -90 gives "-1:-30").
const char* from_tmin(int minutes);
// "%4.2f", "%8.6f" and the shortest form (no trailing zeros, at most eight
// decimals), each with the language's decimal separator.
const char* from_gzl(double value);
const char* from_gzl6(double value);
const char* from_gzl0(double value);

// Decimal numbers: leading white space, a sign, digits up to the first other
// byte.  NULL or no digits give 0; a number beyond the type saturates (to_z
// gives 4294967295 for every number above it, and takes the low 32 bits of a
// negative one, so "-1" gives 4294967295 too).
uint32_t to_z(const char* text);
long to_l(const char* text);
int to_i(const char* text);
// The first character; NULL gives a blank.
char to_c(const char* text);
// "h:mm" or "hh:mm" to minutes; a text without such a colon is hours only.
int to_tmin(const char* text);
// A number whose decimal point may be a comma (the first comma that is not
// the first byte); NULL gives 0.
double to_gzl(const char* text);
// A date and time in the form of the language, as local time; a date alone is
// midnight.  NULL gives the current time.
int64_t to_t(const char* text);

// Date parsers: fill tm from a text, day first / month first, and tell how
// much of the text was used:
//   0  complete date and time, or an ISO date (yyyy-mm-dd, any separators)
//   1  nothing before the day (month) piece
//   2  the day (month) only
//   3  day and month, no year
//   4  the date without a time
//   5  the date and the hour
//   6  the date, hour and minutes
//   7  empty text
//   8  a text of one or two characters, read as a year of this century
// The pieces are numbers of up to two digits (four for the year) with one
// separator byte of any kind between them, so both 05.03.2024 and 5.3.2024
// are read; blanks before the text are skipped.  A piece that starts with
// anything but a digit reads as 0 and spans its full width, as in the fixed
// form.  The tm starts as 1 January 1970 00:00:00 with the daylight-
// saving flag -1; ranges are not checked (mktime normalises them).
int utils_str_to_tm_dst(struct tm* tm, const char* text);
int utils_str_to_tm_dst_en(struct tm* tm, const char* text);

// mktime that works out the summer time itself when the flag is not
// negative: the time is taken as summer time when summer time is in force
// then, else as standard time (a negative result of that becomes 0).  tm
// receives the normalised time that was used.
int64_t utils_mktime(struct tm* tm);

namespace kal {
// printf's "%<width>.<decimals>f" with a full stop in every locale.
std::string format_fixed(double value, int decimals, int width);
// The decimal separator of the UI language: '.' in English and German, ','
// otherwise.
char decimal_separator();
// Whether a date typed into a form is one the date readers above read as
// written: empty (the current time), a year of this century alone ("24"),
// day, month and four-digit year in the order of the language with an
// optional time of hours, minutes and seconds ("5.3.2024", "05.03.2024
// 10:20"), or an ISO date ("2024-03-05"); one separator byte between the
// numbers, blanks around the text allowed.  A day or month that does not
// exist ("31.02.2025", "32.13.2026"), a time beyond 23:59:59, a year before
// 1970 (which no date text shows) or a text that is no date ("abc") is not.
bool date_text_valid(const char* text);
}  // namespace kal
