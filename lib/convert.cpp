#include "lib/convert.hpp"

#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <string_view>
#include <vector>

#include "server/oo_texts.hpp"

namespace {

// The last ten results of one converter.
class Ring {
 public:
  const char* put(std::string_view text) {
    std::string& slot = slots_[next_];
    next_ = (next_ + 1) % slots_.size();
    slot.assign(text);
    return slot.c_str();
  }

 private:
  std::array<std::string, 10> slots_;
  std::size_t next_ = 0;
};

bool is_digit(int c) { return c >= '0' && c <= '9'; }
bool is_space(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool english() { return oo_texts_get_lang() == 1; }

// Decimal reading as atol does it, saturating at the range of long.
long parse_long(const char* s) {
  if (!s) return 0;
  while (is_space(static_cast<unsigned char>(*s))) ++s;
  bool neg = false;
  if (*s == '-' || *s == '+') neg = *s++ == '-';
  unsigned long limit = neg ? static_cast<unsigned long>(LONG_MAX) + 1 : LONG_MAX;
  unsigned long v = 0;
  for (; is_digit(static_cast<unsigned char>(*s)); ++s) {
    unsigned d = static_cast<unsigned>(*s - '0');
    v = (v > (limit - d) / 10) ? limit : v * 10 + d;
  }
  if (!neg) return static_cast<long>(v);
  return v == limit ? LONG_MIN : -static_cast<long>(v);
}

// strtod in the "C" locale whatever the process locale is.
double parse_double(const char* s) {
  static locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  if (!c_locale) return std::strtod(s, nullptr);
  locale_t old = uselocale(c_locale);
  double v = std::strtod(s, nullptr);
  uselocale(old);
  return v;
}

std::string with_separator(std::string text) {
  char sep = kal::decimal_separator();
  char other = sep == '.' ? ',' : '.';
  auto at = text.find(other);
  if (at != std::string::npos) text[at] = sep;
  return text;
}

// Date texts of the fixed form "dd.mm.yyyy hh:mm:ss" and the ISO date.
class DateScanner {
 public:
  explicit DateScanner(const char* s) : s_(s), n_(std::strlen(s)) {}
  bool at_end() const { return p_ >= n_; }

  // A piece of at most width digits, then one separator byte.  A piece that
  // does not start with a digit reads as 0 and takes its full width and the
  // separator after it, as a fixed-position reading does: a stray comma or a
  // second blank before the time must not shift the clock ("15.03.2024,
  // 10:20" is midnight, not 01:00:20).
  int piece(std::size_t width) {
    std::size_t q = p_;
    int v = 0;
    while (q < n_ && q - p_ < width && is_digit(static_cast<unsigned char>(s_[q])))
      v = v * 10 + (s_[q++] - '0');
    if (q == p_) {
      p_ = std::min(p_ + width + 1, n_);
      return 0;
    }
    p_ = q;
    if (p_ < n_ && !is_digit(static_cast<unsigned char>(s_[p_]))) ++p_;
    return v;
  }

  // Four digits and a byte that is not one: year first.
  bool iso() const {
    if (n_ < 5) return false;
    for (int i = 0; i < 4; ++i)
      if (!is_digit(static_cast<unsigned char>(s_[i]))) return false;
    return !is_digit(static_cast<unsigned char>(s_[4]));
  }

 private:
  const char* s_;
  std::size_t n_;
  std::size_t p_ = 0;
};

int str_to_tm(struct tm* tm, const char* text, bool month_first) {
  *tm = {};
  tm->tm_mday = 1;
  tm->tm_year = 70;
  tm->tm_isdst = -1;
  if (!text) return 7;
  std::size_t n = std::strlen(text);
  if (n == 0) return 7;
  if (n <= 2) {
    tm->tm_year = to_i(text) + 100;
    return 8;
  }
  // Blanks before the date are no piece of it (" 5.03.2024").
  while (*text == ' ') ++text;
  DateScanner scan(text);
  if (scan.iso()) {
    tm->tm_year = scan.piece(4) - 1900;
    if (!scan.at_end()) tm->tm_mon = scan.piece(2) - 1;
    if (!scan.at_end()) tm->tm_mday = scan.piece(2);
    return 0;
  }
  // Day and month, in the order of the language; the month is kept 0-based.
  auto set = [tm](bool month, int v) {
    if (month)
      tm->tm_mon = v - 1;
    else
      tm->tm_mday = v;
  };
  if (scan.at_end()) return 1;
  set(month_first, scan.piece(2));
  if (scan.at_end()) return 2;
  set(!month_first, scan.piece(2));
  if (scan.at_end()) return 3;
  tm->tm_year = scan.piece(4) - 1900;
  if (scan.at_end()) return 4;
  tm->tm_hour = scan.piece(2);
  if (scan.at_end()) return 5;
  tm->tm_min = scan.piece(2);
  if (scan.at_end()) return 6;
  tm->tm_sec = scan.piece(2);
  return 0;
}

// "dd.mm.yyyy" / "mm/dd/yyyy", with " hh:mm:ss" when with_time.
std::string format_time(int64_t t, bool with_time) {
  bool en = english();
  struct tm tm {};
  time_t tt = static_cast<time_t>(t);
  if (t <= 0 || !localtime_r(&tt, &tm)) {
    std::string epoch = en ? "01/01/1970" : "01.01.1970";
    return with_time ? epoch + " 00:00:00" : epoch;
  }
  // "%02d.%02d.%04ld %02d:%02d:%02d" (English "/" and the month first),
  // written digit by digit: a page or an export writes thousands of them.
  std::string out;
  out.reserve(with_time ? 19 : 10);
  auto two = [&out](int v) {
    if (v < 0 || v > 99) {
      char digits[16];
      std::snprintf(digits, sizeof digits, "%02d", v);
      out += digits;
      return;
    }
    out += static_cast<char>('0' + v / 10);
    out += static_cast<char>('0' + v % 10);
  };
  two(en ? tm.tm_mon + 1 : tm.tm_mday);
  out += en ? '/' : '.';
  two(en ? tm.tm_mday : tm.tm_mon + 1);
  out += en ? '/' : '.';
  const long year = static_cast<long>(tm.tm_year) + 1900;
  if (year >= 0 && year <= 9999) {
    two(static_cast<int>(year / 100));
    two(static_cast<int>(year % 100));
  } else {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%04ld", year);
    out += digits;
  }
  if (with_time) {
    out += ' ';
    two(tm.tm_hour);
    out += ':';
    two(tm.tm_min);
    out += ':';
    two(tm.tm_sec);
  }
  return out;
}

}  // namespace

namespace kal {

std::string format_fixed(double value, int decimals, int width) {
  // The longest fixed form of a double: 309 digits, sign, point, decimals.
  char buf[400];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  std::string out(buf, r.ec == std::errc() ? r.ptr : buf);
  if (width > 0 && out.size() < static_cast<std::size_t>(width)) out.insert(0, width - out.size(), ' ');
  return out;
}

char decimal_separator() {
  int l = oo_texts_get_lang();
  return (l == 1 || l == 2) ? '.' : ',';
}

bool date_text_valid(const char* text) {
  if (!text) return true;
  std::string_view t = text;
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  if (t.empty()) return true;
  // The numbers of the text and the bytes between them.
  std::vector<std::string_view> numbers;
  std::size_t i = 0;
  while (i < t.size()) {
    const std::size_t start = i;
    while (i < t.size() && is_digit(static_cast<unsigned char>(t[i]))) ++i;
    if (i == start) return false;  // no number where one belongs
    numbers.push_back(t.substr(start, i - start));
    if (i < t.size()) {
      ++i;  // one separator
      if (i == t.size()) return false;
    }
  }
  // A year of this century alone ("24"), read so only in a text of at most
  // two bytes.
  if (numbers.size() == 1) return std::strlen(text) <= 2;
  auto value = [&numbers](std::size_t k) {
    long v = 0;
    for (char c : numbers[k]) v = v * 10 + (c - '0');
    return v;
  };
  long day = 0, month = 0, year = 0;
  std::size_t time_at = 3;
  if (numbers[0].size() == 4) {
    // yyyy-mm-dd, the date alone.
    if (numbers.size() != 3 || numbers[1].size() > 2 || numbers[2].size() > 2) return false;
    year = value(0), month = value(1), day = value(2);
  } else {
    if (numbers.size() < 3 || numbers.size() > 6 || numbers[0].size() > 2 || numbers[1].size() > 2 ||
        numbers[2].size() != 4)
      return false;
    const bool en = english();
    day = value(en ? 1 : 0), month = value(en ? 0 : 1), year = value(2);
  }
  static constexpr long kLimits[] = {23, 59, 59};  // hour, minute, second
  for (std::size_t k = time_at; k < numbers.size(); ++k)
    if (numbers[k].size() > 2 || value(k) > kLimits[k - time_at]) return false;
  if (year < 1970 || month < 1 || month > 12 || day < 1) return false;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

}  // namespace kal

const char* from_z(uint32_t value) {
  static Ring ring;
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return ring.put(std::string_view(buf, r.ptr - buf));
}

const char* from_i(int value) {
  static Ring ring;
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return ring.put(std::string_view(buf, r.ptr - buf));
}

const char* from_l(long value) {
  static Ring ring;
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return ring.put(std::string_view(buf, r.ptr - buf));
}

const char* from_q(unsigned long value) {
  static Ring ring;
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return ring.put(std::string_view(buf, r.ptr - buf));
}

const char* from_c(char value) {
  static char buf[2];
  buf[0] = value;
  buf[1] = '\0';
  return buf;
}

const char* from_s(const char* value) { return value; }

const char* from_t(int64_t time) {
  static Ring ring;
  return ring.put(format_time(time, true));
}

const char* from_td(int64_t time) {
  static std::string text;
  text = format_time(time, false);
  return text.c_str();
}

const char* from_tmin(int minutes) {
  static char buf[32];
  std::snprintf(buf, sizeof buf, "%d:%02d", minutes / 60, minutes % 60);
  return buf;
}

const char* from_gzl(double value) {
  static Ring ring;
  return ring.put(with_separator(kal::format_fixed(value, 2, 4)));
}

const char* from_gzl6(double value) {
  static Ring ring;
  return ring.put(with_separator(kal::format_fixed(value, 6, 8)));
}

const char* from_gzl0(double value) {
  static Ring ring;
  std::string text;
  // Only a value inside the range of long can be compared with its long.
  if (std::isfinite(value) && value >= -9.2e18 && value <= 9.2e18 &&
      value == static_cast<double>(static_cast<long>(value))) {
    text = std::to_string(static_cast<long>(value)) + ".0";
  } else {
    text = kal::format_fixed(value, 8, 10);
  }
  if (text.find('.') != std::string::npos) {
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
  }
  return ring.put(with_separator(std::move(text)));
}

uint32_t to_z(const char* text) {
  const long v = parse_long(text);
  // An id beyond 32 bits names no record: it must not wrap onto a small one.
  if (v > static_cast<long>(UINT32_MAX)) return UINT32_MAX;
  return static_cast<uint32_t>(v);
}

long to_l(const char* text) { return parse_long(text); }

int to_i(const char* text) {
  long v = parse_long(text);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

char to_c(const char* text) { return text ? text[0] : ' '; }

int to_tmin(const char* text) {
  if (!text || !text[0]) return 0;
  long long hours = to_i(text);
  long long minutes = 0;
  if (text[1] == ':')
    minutes = to_i(text + 2);
  else if (text[1] && text[2] == ':')
    minutes = to_i(text + 3);
  long long total = hours * 60 + minutes;
  if (total > INT_MAX) return INT_MAX;
  if (total < INT_MIN) return INT_MIN;
  return static_cast<int>(total);
}

double to_gzl(const char* text) {
  if (!text) return 0;
  std::string s(text);
  auto comma = s.find(',');
  if (comma != std::string::npos && comma > 0) s[comma] = '.';
  return parse_double(s.c_str());
}

int64_t to_t(const char* text) {
  if (!text) return static_cast<int64_t>(std::time(nullptr));
  struct tm tm {};
  if (english())
    utils_str_to_tm_dst_en(&tm, text);
  else
    utils_str_to_tm_dst(&tm, text);
  return static_cast<int64_t>(std::mktime(&tm));
}

int utils_str_to_tm_dst(struct tm* tm, const char* text) { return str_to_tm(tm, text, false); }

int utils_str_to_tm_dst_en(struct tm* tm, const char* text) { return str_to_tm(tm, text, true); }

int64_t utils_mktime(struct tm* tm) {
  if (tm->tm_isdst < 0) return static_cast<int64_t>(std::mktime(tm));
  // mktime normalises its argument, so each attempt starts from the
  // caller's own time.
  struct tm summer = *tm;
  summer.tm_isdst = 1;
  time_t t = std::mktime(&summer);
  struct tm check {};
  if (localtime_r(&t, &check) && check.tm_isdst > 0) {
    *tm = summer;
    return static_cast<int64_t>(t);
  }
  struct tm standard = *tm;
  standard.tm_isdst = 0;
  t = std::mktime(&standard);
  *tm = standard;
  return t < 0 ? 0 : static_cast<int64_t>(t);
}
