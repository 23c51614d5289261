#include "lib/qq.hpp"

#include <cstdio>
#include <string_view>

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

int qq_run_text(const char* path, const qq_put_text_fn& put_text, const qq_value_fn& value) {
  std::string text;
  if (!path || kal::read_text_file_cached(path, text) != 0) {
    std::printf("qq(): Can't open file '%s' to read !\n", path ? path : "");
    return -1;
  }
  const std::string_view t(text);
  auto put = [&](std::size_t from, std::size_t to) {
    if (put_text && to > from) put_text(t.data() + from, to - from);
  };
  std::string name;
  // Text runs from `from`; the next placeholder is looked for from `scan`
  // (the byte that ended a name is text, never the first Q of a QQ).
  std::size_t from = 0, scan = 0;
  for (;;) {
    const std::size_t qq = t.find("QQ", scan);
    if (qq == std::string_view::npos) {
      put(from, t.size());
      return 0;
    }
    put(from, qq);
    std::size_t end = qq + 2;
    while (end < t.size() && is_name_byte(static_cast<unsigned char>(t[end]))) ++end;
    name.assign(t.data() + qq + 2, end - qq - 2);
    if (value) value(name.c_str(), name.size());
    if (end == t.size()) return 0;
    if (t[end] == '#') {
      // A comment: the rest of the line with its LF.
      const std::size_t lf = t.find('\n', end);
      if (lf == std::string_view::npos) return 0;
      from = scan = lf + 1;
    } else {
      from = end;
      scan = end + 1;
    }
  }
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
