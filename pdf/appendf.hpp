// printf onto the end of a std::string.
#pragma once

#include <cstdarg>
#include <string>

namespace kal {

// fmt is always a literal of the program, never text from a user or a file.
void vappendf(std::string& buf, const char* fmt, va_list ap);
void appendf(std::string& buf, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

}  // namespace kal
