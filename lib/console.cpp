#include "lib/console.hpp"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace kal {

namespace {
thread_local std::string* capture = nullptr;
}

void console_printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  if (capture == nullptr) {
    std::vprintf(format, args);
    va_end(args);
    return;
  }
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  if (n > 0) {
    std::vector<char> text(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(text.data(), text.size(), format, again);
    capture->append(text.data(), static_cast<std::size_t>(n));
  }
  va_end(again);
}

console_capture::console_capture(std::string& into) : outer_(capture) { capture = &into; }

console_capture::~console_capture() { capture = outer_; }

}  // namespace kal
