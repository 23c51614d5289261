// Small text helpers of the fixed-pitch printouts: printf into a text,
// blanks, cutting and right alignment.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

#include "pdf/appendf.hpp"

namespace kal::pdftext {

// printf into a new text; the format is always a literal of the program.
inline std::string fmt(const char* format, ...) __attribute__((format(printf, 1, 2)));
inline std::string fmt(const char* format, ...) {
  std::string out;
  va_list ap;
  va_start(ap, format);
  kal::vappendf(out, format, ap);
  va_end(ap);
  return out;
}

// A text cut to at most n bytes.
inline std::string cut(std::string s, std::size_t n) {
  if (s.size() > n) s.resize(n);
  return s;
}

inline std::string blanks(int n) { return std::string(static_cast<std::size_t>(n > 0 ? n : 0), ' '); }

// Right-aligned in width (never cut).
inline std::string right(const std::string& s, int width) {
  return s.size() >= static_cast<std::size_t>(width) ? s : blanks(width - static_cast<int>(s.size())) + s;
}

}  // namespace kal::pdftext
