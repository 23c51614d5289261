#include "lib/qq.hpp"

#include <cstdio>

namespace {

bool is_name_byte(int c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == ',' ||
         c == '.' || c == '[' || c == ']' || c == '(' || c == ')' || c == '$';
}

void put(const qq_put_char_fn& put_char, int c) {
  if (put_char) put_char(static_cast<char>(c));
}

}  // namespace

int qq_run(const char* path, const qq_put_char_fn& put_char, const qq_value_fn& value) {
  std::string text;
  if (!path || kal::read_text_file_cached(path, text) != 0) {
    std::printf("qq(): Can't open file '%s' to read !\n", path ? path : "");
    return -1;
  }
  kal::TextIn in(std::move(text));
  return qq_find_all(in, put_char, value);
}

int qq_find_all(kal::TextIn& in, const qq_put_char_fn& put_char, const qq_value_fn& value) {
  std::string name;
  while (qq_find(in, put_char)) {
    int end = qq_value(in, name);
    if (value) value(name.c_str(), name.size());
    if (end == EOF) break;
    if (end == '#') {
      qq_comment(in);
    } else {
      put(put_char, end);
    }
  }
  return 0;
}

int qq_find(kal::TextIn& in, const qq_put_char_fn& put_char) {
  bool pending_q = false;
  for (;;) {
    int c = in.getc();
    if (c == EOF) {
      if (pending_q) put(put_char, 'Q');
      return 0;
    }
    if (c == 'Q') {
      if (pending_q) return 1;
      pending_q = true;
      continue;
    }
    if (pending_q) put(put_char, 'Q');
    pending_q = false;
    put(put_char, c);
  }
}

int qq_value(kal::TextIn& in, std::string& name) {
  name.clear();
  for (;;) {
    int c = in.getc();
    if (!is_name_byte(c)) return c;
    name.push_back(static_cast<char>(c));
  }
}

int qq_comment(kal::TextIn& in) {
  for (int c = in.getc(); c != EOF && c != '\n'; c = in.getc()) {
  }
  return 0;
}
