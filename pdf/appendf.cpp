#include "pdf/appendf.hpp"

#include <cstdio>

namespace kal {

void vappendf(std::string& buf, const char* fmt, va_list ap) {
  char line[256];
  va_list again;
  va_copy(again, ap);
  int n = std::vsnprintf(line, sizeof line, fmt, ap);
  if (n >= 0 && static_cast<std::size_t>(n) < sizeof line) {
    buf.append(line, static_cast<std::size_t>(n));
  } else if (n > 0) {
    std::size_t old = buf.size();
    buf.resize(old + static_cast<std::size_t>(n) + 1);
    std::vsnprintf(buf.data() + old, static_cast<std::size_t>(n) + 1, fmt, again);
    buf.resize(old + static_cast<std::size_t>(n));
  }
  va_end(again);
}

void appendf(std::string& buf, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  vappendf(buf, fmt, ap);
  va_end(ap);
}

}  // namespace kal
