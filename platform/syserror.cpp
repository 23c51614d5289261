#include "platform/syserror.hpp"

#include <cstring>

namespace kal {

namespace {
thread_local int t_last_error = 0;
}

int last_error() { return t_last_error; }

void set_last_error(int code) { t_last_error = code; }

std::string error_text(int code) {
  char buf[256];
  // GNU strerror_r returns the text, which need not be in buf.
  const char* s = strerror_r(code, buf, sizeof buf);
  return s ? std::string(s) : std::string();
}

}  // namespace kal
