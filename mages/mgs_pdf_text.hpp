// A printout of plain page texts (the PDF writer's fixed-width pages) as a
// document by name: into a file when one is given, else as the reply, with an
// error page in place of a document that could not be made.
#pragma once

#include <string>
#include <vector>

// The pages as "wydruk.pdf" into file (rewritten whole), or as the reply
// with its PDF header.  0; -1 when the PDF cannot be made or stored: a reply
// is then the error page "Nie można utworzyć pliku wydruk.pdf !" and nothing
// of the PDF.
int mgs_pdf_text_out(const std::vector<std::string>& pages, const char* file);
// An error page of the text (markup as given), for a printout that cannot be
// made.
void mgs_pdf_error_page(const char* text);
