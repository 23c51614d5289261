// Console lines of work done on a helper thread.  Such a thread captures what
// it would print, and the thread that waits for it prints the captures in an
// order of its own choosing, so the console reads the same however the work
// was shared out.
#pragma once

#include <string>

namespace kal {

// printf to standard output, or to the calling thread's capture while one is
// open.
void console_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Opens a capture for the calling thread for its lifetime; captures nest.
class console_capture {
 public:
  explicit console_capture(std::string& into);
  ~console_capture();
  console_capture(const console_capture&) = delete;
  console_capture& operator=(const console_capture&) = delete;

 private:
  std::string* outer_;
};

}  // namespace kal
