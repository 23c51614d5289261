// Hand-off of a finished file to the HTTP reply.
#pragma once

#include <string>
#include <string_view>

// Non-zero: the reply body carries its own header (a PDF or another file);
// the server sends it as it stands and clears the flag.
extern int bin_file_flag;

// Appends the bytes unchanged (no code-page conversion) to the reply.
int pdf_reply_append(std::string& reply, std::string_view bytes);
