// The last error of the platform layers, kept per thread, so that a caller can
// report why a registry or service call failed after other calls (printf and
// the like) have changed errno.
#pragma once

#include <string>

namespace kal {

// The code (an errno value) of the last failure of a platform-layer call on
// this thread; 0 when none has failed yet.
int last_error();
void set_last_error(int code);

// The system's text for a code ("No such file or directory").
std::string error_text(int code);

}  // namespace kal
