#include "lib/txt_utils.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "server/texts.hpp"

namespace {

bool is_white(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Shared body of the two wraps.  `is_break` says which bytes may become line
// ends; with keep_lf the text's own LFs end lines, otherwise CR and LF turn
// into blanks as they are reached.
template <typename BreakTest>
int wrap(char* text, int first_width, int next_width, bool keep_lf, BreakTest is_break) {
  if (!text || first_width < 1 || next_width < 1) return -1;
  std::size_t start = 0;    // index of the current line's first byte
  long width = first_width;
  long last_break = -1;     // position in the line of the last break byte seen
  for (std::size_t i = 0; text[i] != '\0'; ++i) {
    if (keep_lf) {
      if (text[i] == '\n') {
        start = i + 1;
        width = next_width;
        last_break = -1;
        continue;
      }
    } else if (text[i] == '\r' || text[i] == '\n') {
      text[i] = ' ';
    }
    const long pos = static_cast<long>(i - start);
    if (is_break(static_cast<unsigned char>(text[i]))) last_break = pos;
    if (pos % width == 0 && last_break > 0) {
      text[start + last_break] = '\n';
      start += last_break + 1;
      width = next_width;
      last_break = -1;
    }
  }
  return 0;
}

}  // namespace

int str_divide(char* text, int first_width, int next_width) {
  return wrap(text, first_width, next_width, false, [](unsigned char c) { return c >= 1 && c <= 32; });
}

int str_divide0(char* text, int first_width, int next_width) {
  return wrap(text, first_width, next_width, true, [](unsigned char c) { return c == ' ' || c == '\t'; });
}

int txt_utils_lines_nr(const char* text) {
  if (!text) return 0;
  int n = 1;
  for (const char* p = text; *p; ++p)
    if (*p == '\n') ++n;
  return n;
}

int str_replace(char* text, const char* what, const char* with) {
  if (!text || !what || !with) return -1;
  const std::size_t n = std::strlen(what);
  if (std::strlen(with) < n) return -1;
  if (n == 0) return 0;
  char* at = std::strstr(text, what);
  if (at) std::memcpy(at, with, n);
  return 0;
}

char white2sp(char c) { return is_white(c) ? ' ' : c; }

int is_empty(const char* text) {
  if (!text || text[0] == '\0') return 1;
  if (!is_white(text[0])) return 0;
  if (text[1] == '\0') return 1;
  return (is_white(text[1]) && text[2] == '\0') ? 1 : 0;
}

int not_empty(const char* text) { return is_empty(text) ? 0 : 1; }

const char* append_asterix(const char* text) {
  static std::array<std::string, 10> ring;
  static std::size_t next = 0;
  std::string& out = ring[next];
  next = (next + 1) % ring.size();
  out.assign(text ? text : "");
  if (out.empty() || out.back() != '*') out.push_back('*');
  return out.c_str();
}

namespace {

time_t first_of_january(int years_ahead) {
  const time_t now = std::time(nullptr);
  struct tm tm {};
  if (now == static_cast<time_t>(-1) || !localtime_r(&now, &tm)) return 0;
  tm.tm_year += years_ahead;
  tm.tm_mon = 0;
  tm.tm_mday = 1;
  tm.tm_hour = tm.tm_min = tm.tm_sec = 0;
  tm.tm_isdst = -1;
  const time_t t = std::mktime(&tm);
  return t == static_cast<time_t>(-1) ? 0 : t;
}

}  // namespace

time_t txtutils_begin_year() { return first_of_january(0); }
time_t txtutils_next_year() { return first_of_january(1); }

const char* txtutils_nbsp(const char* text) { return (text && text[0]) ? text : "&nbsp;"; }

const char* txtutils_month2str(int month) { return (month >= 0 && month <= 11) ? tr(190 + month) : ""; }

int backhref_id(const char* text) {
  if (!text || std::strlen(text) < 3) return 0;
  const long v = std::strtol(text + 2, nullptr, 10);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

int txtutils_trim_right_sp(std::string& dst, const char* src) {
  if (!src) return 0;
  std::size_t n = std::strlen(src);
  while (n > 0 && is_white(src[n - 1])) --n;
  dst.assign(src, n);
  return 0;
}

int actions_init(const char* (&actions)[7]) {
  for (const char*& a : actions) a = "";
  return 0;
}

int actions_set(const char* (&actions)[7], int slot, const char* caption) {
  if (slot >= 0 && slot < 7) actions[slot] = caption ? caption : "";
  return 0;
}

int filedate_filetime(time_t* time, const char* path) {
  if (!path) return -2;
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -2;
  struct stat st {};
  const int rc = ::fstat(fd, &st);
  ::close(fd);
  if (rc != 0) return -1;
  if (!S_ISREG(st.st_mode)) return -2;
  if (!time) return -1;
  *time = st.st_mtime;
  return 0;
}
