// Hand-off of a finished file to the HTTP reply.
#pragma once

#include <string_view>

// Appends the bytes unchanged (no code-page conversion) to the server's reply
// buffer; 0, or -1 when they do not fit (nothing is appended then).
int pdf_reply_append(std::string_view bytes);
