#include "lib/csv.hpp"

#include <cstdio>

int csv_load(const char* path, const csv_callback& callback) {
  kal::TextIn file;
  if (!path || file.open(path) != 0) {
    std::printf("csv_load(): Can't open file '%s' to read !\n", path ? path : "");
    return -1;
  }
  std::string line;
  uint32_t line_no = 0;
  int eof = 0;
  while (!eof) {
    if (csv_fileline(file, line, &eof) == 0) continue;
    csv_parse(line_no++, line, callback);
  }
  return 0;
}

int csv_parse(uint32_t line_no, std::string_view line, const csv_callback& callback) {
  std::string cell;
  uint32_t column = 0;
  int last = 0;
  while (!last) {
    line.remove_prefix(csv_cell(cell, line, &last));
    if (callback) callback(line_no, column, cell.c_str());
    ++column;
  }
  return 0;
}

std::size_t csv_cell(std::string& cell, std::string_view rest, int* last) {
  cell.clear();
  bool quoted = false;
  char prev = ';';
  std::size_t i = 0;
  while (i < rest.size()) {
    char c = rest[i++];
    if (c == ';' && !quoted) break;  // consumed with the cell
    if (c != '"') {
      cell.push_back(c);
    } else if (quoted) {
      quoted = false;  // the closing quote, or the first of a doubled pair
    } else {
      if (prev == '"') cell.push_back('"');  // the second of a doubled pair
      quoted = true;
    }
    prev = c;
  }
  if (last) *last = i >= rest.size() ? 1 : 0;
  return i;
}

std::size_t csv_fileline(kal::TextIn& file, std::string& line, int* eof) {
  line.clear();
  int at_end = 0;
  for (;;) {
    int c = file.getc();
    if (c == EOF) {
      at_end = 1;
      break;
    }
    if (c == '\r' || c == '\n') break;
    line.push_back(static_cast<char>(c));
  }
  if (eof) *eof = at_end;
  return line.size();
}

int csv_app_col(strbuf* buf, const char* text) {
  if (!buf || !text) return -1;
  std::string_view in(text);
  if (in.empty()) return 0;
  bool quote = in.find_first_of(";,\"") != std::string_view::npos;
  std::string out;
  out.reserve(in.size() + 2);
  if (quote) out.push_back('"');
  for (char c : in) {
    if (c == '"') {
      out += "\"\"";
    } else if (c == '\n' || c == '\r') {
      out.push_back(' ');
    } else {
      out.push_back(c);
    }
  }
  if (quote) out.push_back('"');
  return strbuf_append_size(buf, out.data(), out.size()) == 0 ? 0 : -1;
}
