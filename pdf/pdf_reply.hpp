// Hand-off of a finished file to the HTTP reply.
#pragma once

#include <string>
#include <string_view>

// What pdf_file and pdf_file2 give for a PDF that does not fit into the reply.
inline constexpr int PDF_REPLY_TOO_BIG = -3;

// Appends the bytes unchanged (no code-page conversion) to the server's reply
// buffer: 0.  When they do not fit, the reply becomes a page that says so
// (pdf_reply_error) and the result is PDF_REPLY_TOO_BIG.
int pdf_reply_append(std::string_view bytes);

// Replaces whatever the reply holds (the PDF header included) with an HTML
// page that shows the text as an error; the server adds its own headers.
void pdf_reply_error(const std::string& text);
