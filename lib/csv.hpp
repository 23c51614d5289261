// CSV files of the firm and goods imports and exports.
//
// The dialect: one record a line, cells separated by ";" (a comma is not a
// separator).  A cell may be enclosed in double quotes; inside them a ";" is
// part of the cell and two double quotes stand for one.  A line ends at LF or
// CR (the file is read as text, so CR LF ends a line once); a quoted cell
// cannot hold a line break.  A line that ends with ";" has no empty cell
// after it, so writers put ";" after every cell, the last one included.
//
// Lines are read whole, however long they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "lib/strbuf.hpp"
#include "platform/textfile.hpp"

// Called for every cell: line number (counting the non-empty lines from 0),
// column number (from 0 on each line) and the decoded cell.  The text is valid
// only during the call.  A result the callback returns is ignored.
using csv_callback = std::function<void(uint32_t line, uint32_t column, const char* text)>;

// Reads the text file at path and hands every cell of every non-empty line to
// callback, in order.  0; -1 with "csv_load(): Can't open file '%s' to read !"
// when the file cannot be read (the callback is not called).
int csv_load(const char* path, const csv_callback& callback);

// Hands the cells of one line (without its line end) to callback under the
// given line number; 0.  An empty line has one empty cell.
int csv_parse(uint32_t line_no, std::string_view line, const csv_callback& callback);

// Decodes the cell at the start of rest into cell.  Returns the number of
// bytes it took, its separator included; *last is 1 when nothing follows
// (the line ended inside the cell or right after its separator), else 0.
std::size_t csv_cell(std::string& cell, std::string_view rest, int* last);

// Reads the bytes up to the next CR or LF (consumed, not stored) or the end of
// the text (*eof 1, else 0) into line; returns the line's length.
std::size_t csv_fileline(kal::TextIn& file, std::string& line, int* eof);

// Appends text to buf as one cell, without a separator.  A text holding ";",
// "," or a double quote is enclosed in double quotes, with every double quote
// doubled.  LF and CR are written as blanks, so a cell never breaks its line.
// An empty text writes nothing.  0; -1 for a NULL buffer or text, or when
// the buffer cannot grow (nothing is appended then).
int csv_app_col(strbuf* buf, const char* text);
