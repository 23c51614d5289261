// Field codecs of the table files.
//
// A table file is a version line, then one record a line; each field is
// preceded by one blank (written by the caller, who also ends the record with
// LF).  The writers put the bare field into a TextOut; the readers take it
// from a TextIn and first skip blanks, tabs, CR and LF, so a file is read as a
// stream of fields.
//
// Field kinds, by the letter of their codec:
//   z  uint32_t  unsigned decimal
//   i  int32_t   signed decimal
//   l  long      signed decimal
//   t  int64_t   seconds since 1970, signed decimal (the same text as a
//                32-bit time for every date that fits 32 bits)
//   c  char      the character itself; the few that a reader would take for
//                a field separator are escaped (below)
//   s  ostr      single-quoted, quotes inside doubled, leading blanks and tabs
//                dropped; a missing text is written as ''
//   g  double    "%4.2f" with a full stop
//   f  float     as g
//   x  vtab_bin  7 hexadecimal digits of length, then 2 per byte
//
// Readers return 0 for a field read (*eof may still be set when the file
// ended inside it), 1 when the file ends before the field (integers, strings,
// blobs; numbers and characters return 0 with *eof set), 2 for a field of the
// wrong form, 3 when memory runs out, 4 and 5 for a blob cut short before the
// high or the low digit of a byte.
//
// Character fields: a blank, tab, CR, LF or NUL is written as a backslash and
// one of the letters s, t, r, n and 0.  Every other character is written as it
// stands, a backslash too: a field is always followed by a blank or a line
// end, so a backslash followed by one of those letters never occurs in a file
// written without the escape, and old files read as they always did.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "lib/ostr.hpp"
#include "platform/textfile.hpp"

// A binary field.
struct vtab_bin {
  std::unique_ptr<unsigned char[]> data;  // NULL when empty
  uint32_t length = 0;
};

// A new blob holding a copy of source's bytes (empty when source is NULL or
// empty); NULL when out of memory.
vtab_bin* vtab_bin_new(const vtab_bin* source);
// Frees the blob and sets *blob to NULL; 0.
int vtab_bin_delete(vtab_bin** blob);

// "KALMITOR 1.0 <web address>\n"; 0.
int vtab_write_ver(kal::TextOut& file);
// Skips the first line: 0, or 1 when the file ends before its LF.
int vtab_read_ver(kal::TextIn& file);

// Writers; each returns the number of bytes written (x: 7 + 2 x length, s: 2
// + the bytes of the value).
int vtab_to_file_z(kal::TextOut& file, uint32_t value);
int vtab_to_file_i(kal::TextOut& file, int32_t value);
int vtab_to_file_l(kal::TextOut& file, long value);
int vtab_to_file_t(kal::TextOut& file, int64_t value);
int vtab_to_file_c(kal::TextOut& file, char value);
int vtab_to_file_s(kal::TextOut& file, const ostr& value);
int vtab_to_file_g(kal::TextOut& file, double value);
int vtab_to_file_f(kal::TextOut& file, float value);
// Nothing for a NULL blob; -1 (nothing written) for a blob of 2^28 bytes or
// more, whose length does not fit its 7 digits.
int vtab_to_file_x(kal::TextOut& file, const vtab_bin* value);

// The same fields written straight into a buffer of the caller, for a whole
// table at a time: each writes the bare field at p, in the same bytes as the
// writer above, and returns the place after it.  The buffer must have room for
// vtab_put_max_* bytes (vtab_put_max_s(n) for a text of n bytes).  A text is
// written in the form of its file: with disk true each LF inside it as CR LF.
inline constexpr std::size_t vtab_put_max_integer = 20;  // "-9223372036854775808"
inline constexpr std::size_t vtab_put_max_c = 2;
inline constexpr std::size_t vtab_put_max_g = 320;  // "%4.2f" of -DBL_MAX, 313 bytes
constexpr std::size_t vtab_put_max_s(std::size_t length) { return 2 + 2 * length; }

template <class Int>
char* vtab_put_integer(char* p, Int value) {
  static_assert(sizeof(Int) <= 8);
  return std::to_chars(p, p + vtab_put_max_integer, value).ptr;
}
char* vtab_put_c(char* p, char value);
char* vtab_put_g(char* p, double value);
char* vtab_put_s(char* p, std::string_view value, bool disk);
// The same for a text of n bytes (at most 15) at the start of a block of 16
// bytes whose bytes after the text up to the 15th are 0 (ostr::in_place_block);
// the buffer must have room for vtab_put_max_s16 bytes.
inline constexpr std::size_t vtab_put_max_s16 = vtab_put_max_s(15);
char* vtab_put_s16(char* p, const char* block, std::size_t n, bool disk);

// Readers.  Integers: an optional sign and decimal digits; the byte after the
// digits is consumed.  z and i wrap at 32 bits, l and t at 64.
int vtab_from_file_z(uint32_t* value, kal::TextIn& file, int* eof);
int vtab_from_file_i(int32_t* value, kal::TextIn& file, int* eof);
int vtab_from_file_l(long* value, kal::TextIn& file, int* eof);
int vtab_from_file_t(int64_t* value, kal::TextIn& file, int* eof);
// The first byte after the white space (or an escape); at the end of the
// file 0xFF with *eof set.
int vtab_from_file_c(char* value, kal::TextIn& file, int* eof);
// A text of any length; a field that does not start with a quote leaves the
// value as it was (result 2).  The file ending before the closing quote sets
// *eof and keeps what was read.
int vtab_from_file_s(ostr* value, kal::TextIn& file, int* eof);
// The bytes up to the next blank, tab, CR, LF or end of file, read by to_gzl
// (a comma is taken as the decimal point).
int vtab_from_file_g(double* value, kal::TextIn& file, int* eof);
int vtab_from_file_f(float* value, kal::TextIn& file, int* eof);
int vtab_from_file_x(vtab_bin* value, kal::TextIn& file, int* eof);

// The text form of a blob, as vtab_to_file_x writes it; 7 + 2 x length (-1
// as there).
int vtab_bin_to_str(const vtab_bin* blob, std::string& out);
// The byte of two hexadecimal digits of either case; another byte counts as 0.
unsigned char vtab_hex2byte(char high, char low);
// Two upper-case hexadecimal digits into out[0] and out[1].
void vtab_byte2hex(unsigned char byte, char* out);

// The bytes up to the next CR or LF (consumed, not stored) or the end of the
// file (*eof 1, else 0); returns the length of the line.
int vtab_fileline(kal::TextIn& file, std::string& line, int* eof);
