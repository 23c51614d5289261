#include "db/vtab_file.hpp"

#include "platform/commit.hpp"

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <charconv>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <locale.h>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace kal {

namespace {

inline bool is_sep(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; }

// Moves to the first byte of a field.
inline int skip_to_field(vtab_cursor& c, bool first) {
  const char* p = c.p;
  for (; p < c.end; ++p) {
    char ch = *p;
    if (ch == ' ' || ch == '\t' || ch == '\r') continue;
    if (ch == '\n' && first) continue;
    c.p = p;
    return ch == '\n' ? vtab_field_bad : vtab_field_ok;
  }
  c.p = p;
  return vtab_field_none;
}

// True when the field ends at p: a separator or the end of the file follows.
inline bool ends_at(const vtab_cursor& c, const char* p) { return p == c.end || is_sep(*p); }

// An integer field: an optional sign and at least one digit; the value modulo
// 2^64, as the codec reads it.
int read_integer(vtab_cursor& c, bool first, uint64_t* out) {
  int rc = skip_to_field(c, first);
  if (rc != vtab_field_ok) return rc;
  const char* p = c.p;
  bool neg = false;
  if (*p == '-' || *p == '+') {
    neg = *p == '-';
    ++p;
  }
  const char* digits = p;
  uint64_t v = 0;
  while (p < c.end && *p >= '0' && *p <= '9') v = v * 10 + static_cast<uint64_t>(*p++ - '0');
  if (p == digits) {
    c.p = p;
    return p == c.end ? vtab_field_cut : vtab_field_bad;
  }
  c.p = p;
  if (!ends_at(c, p)) return vtab_field_bad;
  *out = neg ? 0 - v : v;
  return vtab_field_ok;
}

// strtod in the "C" locale, whatever the process locale is.
double strtod_c(const char* s, char** end) {
  static locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  if (!c_locale) return std::strtod(s, end);
  return strtod_l(s, end, c_locale);
}

}  // namespace

int vtab_read_field(vtab_cursor& c, bool first, uint32_t* v) {
  uint64_t x = 0;
  int rc = read_integer(c, first, &x);
  if (rc == vtab_field_ok) *v = static_cast<uint32_t>(x);
  return rc;
}

int vtab_read_field(vtab_cursor& c, bool first, int32_t* v) {
  uint64_t x = 0;
  int rc = read_integer(c, first, &x);
  if (rc == vtab_field_ok) *v = static_cast<int32_t>(static_cast<uint32_t>(x));
  return rc;
}

int vtab_read_field(vtab_cursor& c, bool first, int64_t* v) {
  uint64_t x = 0;
  int rc = read_integer(c, first, &x);
  if (rc == vtab_field_ok) *v = static_cast<int64_t>(x);
  return rc;
}

// A number field: its bytes up to the next separator must make one number as
// the codec reads it (a comma may stand for the decimal point).
int vtab_read_field(vtab_cursor& c, bool first, double* v) {
  int rc = skip_to_field(c, first);
  if (rc != vtab_field_ok) return rc;
  const char* start = c.p;
  const char* p = start;
  while (p < c.end && !is_sep(*p)) ++p;
  c.p = p;
  std::string_view token(start, static_cast<std::size_t>(p - start));
  // The form a save writes, "-12.34": its hundredths divided by 100 are the
  // nearest double to it, as from_chars would give.
  if (token.size() >= 4 && token[token.size() - 3] == '.') {
    std::size_t i = token[0] == '-' ? 1 : 0;
    uint64_t hundredths = 0;  // at most 15 digits: exact in a double
    bool digits = i + 3 < token.size() && token.size() - i <= 16;
    for (std::size_t k = i; k < token.size() && digits; ++k) {
      if (k == token.size() - 3) continue;
      char d = token[k];
      if (d < '0' || d > '9') digits = false;
      else hundredths = hundredths * 10 + static_cast<uint64_t>(d - '0');
    }
    if (digits) {
      double x = static_cast<double>(hundredths) / 100.0;
      *v = i ? -x : x;
      return vtab_field_ok;
    }
  }
  // Other forms of a number, also straight from the text.
  if (token.find(',') == std::string_view::npos && token[0] != '+') {
    double x = 0;
    auto r = std::from_chars(token.data(), token.data() + token.size(), x);
    if (r.ec == std::errc() && r.ptr == token.data() + token.size()) {
      *v = x;
      return vtab_field_ok;
    }
  }
  // Every other form the codec takes: a comma for the point, a plus sign,
  // numbers out of range.
  std::string text(token);
  auto comma = text.find(',');
  if (comma != std::string::npos && comma > 0) text[comma] = '.';
  if (std::isspace(static_cast<unsigned char>(text[0]))) return vtab_field_bad;
  char* end = nullptr;
  double x = strtod_c(text.c_str(), &end);
  if (end != text.c_str() + text.size()) return vtab_field_bad;
  *v = x;
  return vtab_field_ok;
}

// A character field: one byte, or a backslash and the letter of a byte that
// would otherwise be taken for a separator.
int vtab_read_field(vtab_cursor& c, bool first, char* v) {
  int rc = skip_to_field(c, first);
  if (rc != vtab_field_ok) return rc;
  const char* p = c.p;
  if (*p == '\\' && p + 1 < c.end && ends_at(c, p + 2)) {
    static constexpr char kLetters[] = "strn0";
    static constexpr char kValues[] = {' ', '\t', '\r', '\n', '\0'};
    if (const char* l = std::strchr(kLetters, p[1]); l != nullptr && p[1] != '\0') {
      *v = kValues[l - kLetters];
      c.p = p + 2;
      return vtab_field_ok;
    }
  }
  if (!ends_at(c, p + 1)) {
    c.p = p + 1;
    return vtab_field_bad;
  }
  *v = *p;
  c.p = p + 1;
  return vtab_field_ok;
}

// A text field: in single quotes, a quote inside written twice; it may hold
// line breaks.
int vtab_read_field(vtab_cursor& c, bool first, ostr* v) {
  int rc = skip_to_field(c, first);
  if (rc != vtab_field_ok) return rc;
  if (*c.p != '\'') return vtab_field_bad;
  const char* from = c.p + 1;
  if (from + 1 < c.end && from[0] == '\'' && is_sep(from[1])) {  // '' and a separator: the common empty text
    c.p = from + 1;
    *v = std::string_view();
    return vtab_field_ok;
  }
  std::string doubled;  // used only when the text holds a quote
  bool any_doubled = false;
  for (;;) {
    const char* q = static_cast<const char*>(std::memchr(from, '\'', static_cast<std::size_t>(c.end - from)));
    if (q == nullptr) {
      c.p = c.end;
      return vtab_field_cut;
    }
    if (q + 1 < c.end && q[1] == '\'') {
      doubled.append(from, static_cast<std::size_t>(q + 1 - from));
      any_doubled = true;
      from = q + 2;
      continue;
    }
    c.p = q + 1;
    if (!ends_at(c, c.p)) return vtab_field_bad;
    if (any_doubled) {
      doubled.append(from, static_cast<std::size_t>(q - from));
      *v = doubled;
    } else {
      *v = std::string_view(from, static_cast<std::size_t>(q - from));
    }
    return vtab_field_ok;
  }
}

void vtab_fast::set_text(ostr* v, const char* p, std::size_t n) { *v = std::string_view(p, n); }

int vtab_read_record_end(vtab_cursor& c) {
  const char* p = c.p;
  while (p < c.end && (*p == ' ' || *p == '\t' || *p == '\r')) ++p;
  c.p = p;
  if (p == c.end) return 1;
  if (*p != '\n') return -1;
  c.p = p + 1;
  return 0;
}

void vtab_skip_line(vtab_cursor& c) {
  const char* nl = static_cast<const char*>(std::memchr(c.p, '\n', static_cast<std::size_t>(c.end - c.p)));
  c.p = nl ? nl + 1 : c.end;
}

void vtab_skip_space(vtab_cursor& c) {
  while (c.p < c.end && is_sep(*c.p)) ++c.p;
}

long vtab_line_of(const std::string& text, std::size_t offset) {
  offset = std::min(offset, text.size());
  return 1 + static_cast<long>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

}  // namespace kal

int vtab_file_open(const std::string& path, kal::TextIn& in) {
  // A file the open commit rewrote is read as it will be.
  if (const std::string* tmp = kal::commit_detail::pending(path)) return vtab_file_open(*tmp, in);
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    int e = S_ISDIR(st.st_mode) ? EISDIR : errno;
    ::close(fd);
    errno = e;
    return -1;
  }
  // The file is read a piece at a time into a buffer of its own and each
  // piece appended to the text with its CR LF turned into LF on the way: the
  // text is written once, its pages never cleared beforehand.  A CR alone
  // stays; a CR at the end of a piece waits for the next one.
  std::string text;
  try {
    // The size is a hint: the file may still grow or shrink while it is read.
    text.reserve(static_cast<std::size_t>(st.st_size));
    constexpr std::size_t kPiece = 1 << 18;
    std::unique_ptr<char[]> piece(new char[kPiece]);
    bool cr_pending = false;
    for (;;) {
      ssize_t n = ::read(fd, piece.get(), kPiece);
      if (n < 0) {
        if (errno == EINTR) continue;
        int e = errno;
        ::close(fd);
        errno = e;
        return -1;
      }
      if (n == 0) break;
      const char* r = piece.get();
      const char* end = r + n;
      if (cr_pending && *r != '\n') text.push_back('\r');
      cr_pending = false;
      while (r < end) {
        const char* cr = static_cast<const char*>(std::memchr(r, '\r', static_cast<std::size_t>(end - r)));
        if (cr == nullptr) {
          text.append(r, end);
          break;
        }
        text.append(r, cr);
        if (cr + 1 == end) cr_pending = true;  // the next piece tells
        else if (cr[1] != '\n') text.push_back('\r');
        r = cr + 1;
      }
    }
    if (cr_pending) text.push_back('\r');
  } catch (const std::bad_alloc&) {
    ::close(fd);
    errno = ENOMEM;
    return -1;
  }
  ::close(fd);
  in = kal::TextIn(std::move(text));
  return 0;
}

namespace {

// "<path>.damaged-YYYYMMDD-HHMMSS", with a number added should that exist.
std::string damaged_name(const std::string& path) {
  std::time_t now = std::time(nullptr);
  struct tm tm {};
  localtime_r(&now, &tm);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
  std::string base = path + ".damaged-" + stamp;
  std::string name = base;
  for (int n = 2; kal::file_exists(name); ++n) name = base + "-" + std::to_string(n);
  return name;
}

}  // namespace

int vtab_file_commit(kal::TextOut& out, int32_t* damaged, std::string* err) {
  const std::string& path = out.path();
  if (damaged != nullptr && *damaged != 0) {
    std::string bytes;
    if (kal::read_file(path, bytes) != 0) {
      if (errno != ENOENT) {
        std::string why = "cannot read '" + path + "' to keep it: " + std::strerror(errno);
        std::printf("vtab_file_commit(): %s; the file is not overwritten\n", why.c_str());
        if (err) *err = why;
        return -1;
      }
    } else {
      std::string kept = damaged_name(path);
      std::string why;
      if (kal::atomic_rewrite(kept, bytes, &why) != 0) {
        std::printf("vtab_file_commit(): cannot keep the damaged '%s'; the file is not overwritten\n", path.c_str());
        if (err) *err = why;
        return -1;
      }
      std::printf("vtab_file_commit(): '%s' loaded with damage (%ld records dropped); its original is kept as '%s'\n",
                  path.c_str(), static_cast<long>(*damaged), kept.c_str());
    }
    // Should the rewrite not land, the next one keeps the original again.
    kal::commit_on_abort([damaged, was = *damaged] { *damaged = was; });
    *damaged = 0;
  }
  return out.commit(err);
}
