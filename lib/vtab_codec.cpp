#include "lib/vtab_codec.hpp"

#include <charconv>
#include <cmath>
#include <cstring>
#include <new>
#include <string_view>

#include "lib/convert.hpp"

namespace {

// The version line's web address: fixed, without blanks, never read back.
constexpr const char* kVersionLine = "KALMITOR 1.0 http://kalmitor.example/\n";

// The longest blob whose length fits 7 hexadecimal digits.
constexpr uint32_t kMaxBlob = 0x0FFFFFFF;

bool is_field_space(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Skips white space; the next byte, or EOF.
int next_byte(kal::TextIn& f) {
  int c;
  do c = f.getc();
  while (is_field_space(c));
  return c;
}

template <class T>
int write_integer(kal::TextOut& f, T value) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  f.write(std::string_view(buf, r.ptr - buf));
  return static_cast<int>(r.ptr - buf);
}

// The integer reader of every integer kind: the value modulo 2^64.
int read_integer(uint64_t* value, kal::TextIn& f, int* eof) {
  int c = next_byte(f);
  if (c == EOF) {
    *eof = 1;
    return 1;
  }
  bool neg = false;
  if (c == '-' || c == '+') {
    neg = c == '-';
    c = f.getc();
  }
  uint64_t v = 0;
  while (c >= '0' && c <= '9') {
    v = v * 10 + static_cast<uint64_t>(c - '0');
    c = f.getc();
  }
  if (c == EOF) *eof = 1;
  *value = neg ? 0 - v : v;
  return 0;
}

// A number field: its bytes up to the next white space or end of file.
int read_number(double* value, kal::TextIn& f, int* eof) {
  std::string text;
  int c = next_byte(f);
  while (c != EOF && !is_field_space(c)) {
    text.push_back(static_cast<char>(c));
    c = f.getc();
  }
  if (c == EOF) *eof = 1;
  *value = to_gzl(text.c_str());
  return 0;
}

// Escapes of the characters a reader would skip as white space.
struct CharEscape {
  char value;
  char letter;
};
constexpr CharEscape kCharEscapes[] = {{' ', 's'}, {'\t', 't'}, {'\r', 'r'}, {'\n', 'n'}, {'\0', '0'}};

int hex_digit(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 0;
}

int* or_dummy(int* eof, int& dummy) { return eof ? eof : &dummy; }

}  // namespace

vtab_bin* vtab_bin_new(const vtab_bin* source) {
  try {
    auto blob = std::make_unique<vtab_bin>();
    if (source && source->data && source->length > 0) {
      blob->data.reset(new unsigned char[source->length]);
      std::memcpy(blob->data.get(), source->data.get(), source->length);
      blob->length = source->length;
    }
    return blob.release();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

int vtab_bin_delete(vtab_bin** blob) {
  if (blob) {
    delete *blob;
    *blob = nullptr;
  }
  return 0;
}

int vtab_write_ver(kal::TextOut& file) {
  file.write(kVersionLine);
  return 0;
}

int vtab_read_ver(kal::TextIn& file) {
  for (;;) {
    int c = file.getc();
    if (c == EOF) return 1;
    if (c == '\n') return 0;
  }
}

int vtab_to_file_z(kal::TextOut& file, uint32_t value) { return write_integer(file, value); }
int vtab_to_file_i(kal::TextOut& file, int32_t value) { return write_integer(file, value); }
int vtab_to_file_l(kal::TextOut& file, long value) { return write_integer(file, value); }
int vtab_to_file_t(kal::TextOut& file, int64_t value) { return write_integer(file, value); }

int vtab_to_file_c(kal::TextOut& file, char value) {
  char buf[vtab_put_max_c];
  const std::size_t n = static_cast<std::size_t>(vtab_put_c(buf, value) - buf);
  file.write(std::string_view(buf, n));
  return static_cast<int>(n);
}

char* vtab_put_c(char* p, char value) {
  for (const auto& e : kCharEscapes) {
    if (e.value == value) {
      *p++ = '\\';
      *p++ = e.letter;
      return p;
    }
  }
  *p++ = value;
  return p;
}

int vtab_to_file_s(kal::TextOut& file, const ostr& value) {
  std::string_view text = value.view();
  std::size_t start = text.find_first_not_of(" \t");
  text = start == std::string_view::npos ? std::string_view() : text.substr(start);
  const std::size_t length = text.size();
  file.put('\'');
  // A quote doubled; the runs between quotes whole.
  for (std::size_t q; (q = text.find('\'')) != std::string_view::npos;) {
    file.write(text.substr(0, q + 1));
    file.put('\'');
    text.remove_prefix(q + 1);
  }
  file.write(text);
  file.put('\'');
  return static_cast<int>(2 + length);
}

int vtab_to_file_g(kal::TextOut& file, double value) {
  char buf[vtab_put_max_g];
  const std::size_t n = static_cast<std::size_t>(vtab_put_g(buf, value) - buf);
  file.write(std::string_view(buf, n));
  return static_cast<int>(n);
}

// format_fixed(value, 2, 4) without a string of its own: the value rounded to
// hundredths, at least four bytes wide (blanks before).
char* vtab_put_g(char* p, double value) {
  // Most values are whole hundredths, k / 100.  When the double nearest to
  // k / 100 is the value, and the value is below 1e13, where a double lies
  // within 0.001 of that k / 100, rounding to hundredths gives k: its digits
  // are the text, without the general conversion.  The sign comes from the
  // sign bit, so that -0.0 reads "-0.00" as the conversion writes it.
  const double a = std::fabs(value);
  if (a < 1e13) {
    const auto k = static_cast<uint64_t>(a * 100.0 + 0.5);
    if (static_cast<double>(k) / 100.0 == a) {
      if (std::signbit(value)) *p++ = '-';
      p = std::to_chars(p, p + vtab_put_max_integer, k / 100).ptr;
      const auto cents = static_cast<unsigned>(k % 100);
      *p++ = '.';
      *p++ = static_cast<char>('0' + cents / 10);
      *p++ = static_cast<char>('0' + cents % 10);
      return p;
    }
  }
  char buf[vtab_put_max_g];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 2);
  const std::size_t n = r.ec == std::errc() ? static_cast<std::size_t>(r.ptr - buf) : 0;
  for (std::size_t pad = n; pad < 4; ++pad) *p++ = ' ';
  std::memcpy(p, buf, n);
  return p + n;
}

namespace {

// Whether one of the eight bytes of word is c.
constexpr bool has_byte(uint64_t word, char c) {
  constexpr uint64_t ones = 0x0101010101010101u;
  const uint64_t x = word ^ (ones * static_cast<unsigned char>(c));
  return ((x - ones) & ~x & (ones << 7)) != 0;
}

}  // namespace

char* vtab_put_s(char* p, std::string_view text, bool disk) {
  const char* s = text.data();
  const char* const end = s + text.size();
  while (s != end && (*s == ' ' || *s == '\t')) ++s;
  *p++ = '\'';
  // Most texts hold neither a quote nor (on disk) a LF: whether this one does
  // is looked at eight bytes at a time, and then it is copied whole.
  const char* q = s;
  bool plain = true;
  for (; end - q >= 8 && plain; q += 8) {
    uint64_t word;
    std::memcpy(&word, q, 8);
    plain = !has_byte(word, '\'') && !(disk && has_byte(word, '\n'));
  }
  for (; q != end && plain; ++q) plain = *q != '\'' && !(disk && *q == '\n');
  if (plain) {
    const auto n = static_cast<std::size_t>(end - s);
    if (n > 0) std::memcpy(p, s, n);
    p += n;
  } else {
    for (; s != end; ++s) {
      const char ch = *s;
      if (ch == '\'') *p++ = '\'';
      else if (ch == '\n' && disk) *p++ = '\r';
      *p++ = ch;
    }
  }
  *p++ = '\'';
  return p;
}

char* vtab_put_s16(char* p, const char* block, std::size_t n, bool disk) {
  char b[16];
  std::memcpy(b, block, sizeof b);
  b[15] = 0;
  uint64_t lo, hi;
  std::memcpy(&lo, b, 8);
  std::memcpy(&hi, b + 8, 8);
  const bool plain = n > 0 && b[0] != ' ' && b[0] != '\t' && !has_byte(lo, '\'') && !has_byte(hi, '\'') &&
                     !(disk && (has_byte(lo, '\n') || has_byte(hi, '\n')));
  if (!plain) return vtab_put_s(p, std::string_view(block, n), disk);
  // The text and the zeros after it in one go: the closing quote then
  // takes the place after the text.
  *p++ = '\'';
  std::memcpy(p, b, sizeof b);
  p += n;
  *p++ = '\'';
  return p;
}

int vtab_to_file_f(kal::TextOut& file, float value) { return vtab_to_file_g(file, static_cast<double>(value)); }

int vtab_to_file_x(kal::TextOut& file, const vtab_bin* value) {
  if (!value) return 0;
  std::string text;
  int n = vtab_bin_to_str(value, text);
  if (n > 0) file.write(text);
  return n;
}

int vtab_from_file_z(uint32_t* value, kal::TextIn& file, int* eof) {
  int dummy = 0;
  uint64_t v = 0;
  int rc = read_integer(&v, file, or_dummy(eof, dummy));
  if (rc == 0) *value = static_cast<uint32_t>(v);
  return rc;
}

int vtab_from_file_i(int32_t* value, kal::TextIn& file, int* eof) {
  int dummy = 0;
  uint64_t v = 0;
  int rc = read_integer(&v, file, or_dummy(eof, dummy));
  if (rc == 0) *value = static_cast<int32_t>(static_cast<uint32_t>(v));
  return rc;
}

int vtab_from_file_l(long* value, kal::TextIn& file, int* eof) {
  int dummy = 0;
  uint64_t v = 0;
  int rc = read_integer(&v, file, or_dummy(eof, dummy));
  if (rc == 0) *value = static_cast<long>(v);
  return rc;
}

int vtab_from_file_t(int64_t* value, kal::TextIn& file, int* eof) {
  int dummy = 0;
  uint64_t v = 0;
  int rc = read_integer(&v, file, or_dummy(eof, dummy));
  if (rc == 0) *value = static_cast<int64_t>(v);
  return rc;
}

int vtab_from_file_c(char* value, kal::TextIn& file, int* eof) {
  int c = next_byte(file);
  if (c == EOF) {
    if (eof) *eof = 1;
    *value = static_cast<char>(0xFF);
    return 0;
  }
  if (c == '\\') {
    int letter = file.peek();
    for (const auto& e : kCharEscapes) {
      if (e.letter == letter) {
        file.getc();
        *value = e.value;
        return 0;
      }
    }
  }
  *value = static_cast<char>(c);
  return 0;
}

int vtab_from_file_s(ostr* value, kal::TextIn& file, int* eof) {
  int dummy = 0;
  eof = or_dummy(eof, dummy);
  int c = next_byte(file);
  if (c == EOF) {
    *eof = 1;
    return 1;
  }
  if (c != '\'') return 2;
  try {
    std::string text;
    for (;;) {
      c = file.getc();
      if (c == EOF) {
        *eof = 1;
        break;
      }
      if (c == '\'') {
        int after = file.getc();
        if (after == '\'') {
          text.push_back('\'');
          continue;
        }
        if (after == EOF) *eof = 1;
        break;
      }
      text.push_back(static_cast<char>(c));
    }
    *value = text;
  } catch (const std::bad_alloc&) {
    return 3;
  }
  return 0;
}

int vtab_from_file_g(double* value, kal::TextIn& file, int* eof) {
  int dummy = 0;
  return read_number(value, file, or_dummy(eof, dummy));
}

int vtab_from_file_f(float* value, kal::TextIn& file, int* eof) {
  int dummy = 0;
  double v = 0;
  int rc = read_number(&v, file, or_dummy(eof, dummy));
  *value = static_cast<float>(v);
  return rc;
}

int vtab_from_file_x(vtab_bin* value, kal::TextIn& file, int* eof) {
  int dummy = 0;
  eof = or_dummy(eof, dummy);
  int c = next_byte(file);
  if (c == EOF) {
    *eof = 1;
    return 1;
  }
  uint32_t length = 0;
  for (int i = 0; i < 7; ++i) {
    if (i > 0) c = file.getc();
    if (c == EOF) {
      *eof = 1;
      return 2;
    }
    length = length * 16 + static_cast<uint32_t>(hex_digit(c));
  }
  if (length == 0) {
    value->length = 0;
    return 0;
  }
  value->data.reset();
  value->length = 0;
  try {
    value->data.reset(new unsigned char[length]());
  } catch (const std::bad_alloc&) {
    return 3;
  }
  value->length = length;
  for (uint32_t i = 0; i < length; ++i) {
    int high = file.getc();
    if (high == EOF) {
      *eof = 1;
      return 4;
    }
    int low = file.getc();
    if (low == EOF) {
      *eof = 1;
      return 5;
    }
    value->data[i] = vtab_hex2byte(static_cast<char>(high), static_cast<char>(low));
  }
  return 0;
}

int vtab_bin_to_str(const vtab_bin* blob, std::string& out) {
  out.clear();
  if (!blob) return 0;
  if (blob->length > kMaxBlob) return -1;
  uint32_t length = blob->data ? blob->length : 0;
  out.reserve(7 + 2 * static_cast<std::size_t>(length));
  for (int shift = 24; shift >= 0; shift -= 4) {
    const char* digits = "0123456789ABCDEF";
    out.push_back(digits[(length >> shift) & 0x0F]);
  }
  char hex[2];
  for (uint32_t i = 0; i < length; ++i) {
    vtab_byte2hex(blob->data[i], hex);
    out.append(hex, 2);
  }
  return static_cast<int>(out.size());
}

unsigned char vtab_hex2byte(char high, char low) {
  return static_cast<unsigned char>(hex_digit(static_cast<unsigned char>(high)) * 16 +
                                    hex_digit(static_cast<unsigned char>(low)));
}

void vtab_byte2hex(unsigned char byte, char* out) {
  const char* digits = "0123456789ABCDEF";
  out[0] = digits[byte >> 4];
  out[1] = digits[byte & 0x0F];
}

int vtab_fileline(kal::TextIn& file, std::string& line, int* eof) {
  int dummy = 0;
  eof = or_dummy(eof, dummy);
  line.clear();
  *eof = 0;
  for (;;) {
    int c = file.getc();
    if (c == EOF) {
      *eof = 1;
      break;
    }
    if (c == '\r' || c == '\n') break;
    line.push_back(static_cast<char>(c));
  }
  return static_cast<int>(line.size());
}
