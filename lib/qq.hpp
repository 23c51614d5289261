// QQ templates: page layouts and printout texts with placeholders.
//
// A template is copied byte by byte to a character callback; the two letters
// QQ followed by a name mark a placeholder, whose name goes to a value
// callback at its place in the byte stream.  The page resolver qq_main
// appends the value to the reply; the printouts collect text for the PDF.
//
// - A name is made of A-Z, a-z, 0-9 and the bytes _ , . [ ] ( ) $, and ends at
//   the first other byte, which is written out as text.  It may be empty, and
//   it is handed over whole however long it is.
// - A "#" right after a name ends it and hides the rest of that line, its LF
//   included: a comment.
// - A single Q not followed by a second Q is ordinary text.
//
// Examples: "Name: QQnazwa<br>" writes "Name: ", asks for nazwa, writes
// "<br>"; "QQQx" asks for Qx; "QQabc#note\nZ" asks for abc and writes Z.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "platform/textfile.hpp"

// Receives every byte of ordinary text.  Any callable taking a char fits
// (appc, pdf_qqc); what it returns is ignored.
using qq_put_char_fn = std::function<void(char c)>;
// Receives every placeholder name: NUL-terminated, length bytes long.  Any
// callable taking (const char*, length) fits (qq_main, qq_pdf).
using qq_value_fn = std::function<void(const char* name, std::size_t length)>;

// Expands the template file at path (read as text: CR LF is LF).  0; -1 with
// "qq(): Can't open file '%s' to read !" when it cannot be read (nothing is
// called).  An empty callback drops what it would have received.
int qq_run(const char* path, const qq_put_char_fn& put_char, const qq_value_fn& value);

// Receives ordinary text a run at a time: length bytes (NULs included).
using qq_put_text_fn = std::function<void(const char* text, std::size_t length)>;
// qq_run with the text handed over in runs instead of byte by byte: the same
// bytes and the same names in the same order.
int qq_run_text(const char* path, const qq_put_text_fn& put_text, const qq_value_fn& value);

// The steps of qq_run, on a template already in memory.

// Expands the rest of the template; 0.
int qq_find_all(kal::TextIn& in, const qq_put_char_fn& put_char, const qq_value_fn& value);
// Copies text up to and through the next QQ: 1 when a placeholder begins
// there, 0 at the end of the template (a single Q left at the end is written).
int qq_find(kal::TextIn& in, const qq_put_char_fn& put_char);
// Reads the name after QQ into name and consumes the byte that ends it;
// returns that byte (0 to 255), or EOF when the template ended.
int qq_value(kal::TextIn& in, std::string& name);
// Skips the rest of the line up to and including its LF; 0.
int qq_comment(kal::TextIn& in);
