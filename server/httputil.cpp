#include "server/httputil.hpp"

#include <cstdio>
#include <cstring>
#include <string>

#include "lib/codepage.hpp"
#include "lib/vtab_lang.hpp"

namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// URL-decodes a token and cuts it at a decoded NUL, as a C string would.
void decode(std::string& token) {
  URLDecode(token.data());
  token.resize(std::strlen(token.c_str()));
}

void put(hashtbl* table, const std::string& key, const std::string& value) {
  hashtbl_put(table, key.c_str(), value.c_str());
}

}  // namespace

int parse_request(hashtbl* table, const char* text) {
  if (!text) text = "";
  hashtbl_put(table, "params", "");

  // The request line.
  const char* p = text;
  std::string token;
  for (; *p && *p != '\n'; ++p)
    if (*p != '\r') token += *p;
  put(table, "address0", token);
  if (*p == '\n') ++p;

  // Header lines "Name: value"; the line end stores a pair.
  token.clear();
  std::string name;
  bool in_value = false;
  bool just_stored = false;
  for (; *p; ++p) {
    const char c = *p;
    if (c == '\r') continue;
    if (c == ':' && !in_value) {
      name = token;
      token.clear();
      in_value = true;
      just_stored = false;
    } else if (c == '\n' && !just_stored) {
      std::string key = name;
      vtab_to_lowlangs_cp1250(key.data());
      put(table, key, token.empty() || token[0] != ' ' ? token : token.substr(1));
      token.clear();
      in_value = false;
      just_stored = true;
    } else if (c == '\n' && token.empty()) {
      // The blank line that ends the head: everything from its line end on
      // is the body, colons included.
      token += '\n';
      for (++p; *p; ++p)
        if (*p != '\r') token += *p;
      break;
    } else {
      token += c;
    }
  }
  put(table, "params", token);
  return 0;
}

int parse_address(hashtbl* http_table, hashtbl* params_table, const char* line) {
  if (!line) line = "";
  const char* target = std::strchr(line, ' ');
  if (!target) {
    hashtbl_put(http_table, "address", "");
    return 0;
  }
  ++target;
  std::size_t len = std::strcspn(target, " ");
  std::string path(target, len);
  std::string query;
  bool has_query = false;
  if (auto q = path.find('?'); q != std::string::npos) {
    query = path.substr(q + 1);
    path.resize(q);
    has_query = true;
  }
  put(http_table, "address", path);
  if (has_query) parse_params(params_table, query.c_str());
  return 0;
}

int parse_params(hashtbl* table, const char* text) {
  if (!text) text = "";
  std::string name, token;
  bool in_value = false;
  bool just_stored = false;
  for (const char* p = text; *p; ++p) {
    const char c = *p;
    if (c == '\r' || c == '\n') continue;
    if (c == '=' && !in_value) {
      name = token;
      token.clear();
      in_value = true;
      just_stored = false;
    } else if (c == '&' && !just_stored) {
      decode(token);
      put(table, name, token);
      token.clear();
      in_value = false;
      just_stored = true;
    } else if (c == '&') {
      token += '\n';
    } else {
      token += c;
    }
  }
  decode(token);
  put(table, name, token);
  return 0;
}

int params_from_utf8(hashtbl* table) {
  if (!table) return -1;
  int refused = 0;
  for (std::uint32_t i = 0; i < table->size; ++i) {
    const char* value = table->values[i];
    if (!value) continue;
    bool plain = true;
    for (const char* p = value; *p && plain; ++p) plain = static_cast<unsigned char>(*p) < 0x80;
    if (plain) continue;
    std::size_t replaced = 0;
    const std::string text = utf82win(value, &replaced);
    const std::string key = table->keys[i];
    if (replaced > 0) {
      ++refused;
      std::printf("request variable %s: %zu character(s) the program's text cannot hold, stored as '?'\n",
                  key.c_str(), replaced);
    }
    put(table, key, text);
  }
  return refused;
}

void URLDecode(char* text) {
  if (!text) return;
  SwapChar(text, '+', ' ');
  const char* r = text;
  char* w = text;
  while (*r) {
    if (*r != '%') {
      *w++ = *r++;
    } else if (hex_digit(r[1]) >= 0 && hex_digit(r[2]) >= 0) {
      int v = IntFromHex(r + 1);
      r += 3;
      if (v != '\r') *w++ = static_cast<char>(v);
    } else {
      ++r;  // a lone "%" is dropped
    }
  }
  *w = 0;
}

void URLEncode(char* text) { SwapChar(text, ' ', '+'); }

int IntFromHex(const char* two) {
  if (!two) return -1;
  int hi = hex_digit(two[0]);
  if (hi < 0) return -1;
  int lo = hex_digit(two[1]);
  if (lo < 0) return -1;
  return hi * 16 + lo;
}

void SwapChar(char* text, char from, char to) {
  if (!text) return;
  for (; *text; ++text)
    if (*text == from) *text = to;
}

std::uint32_t IP2Long(unsigned char a, unsigned char b, unsigned char c, unsigned char d) {
  return (std::uint32_t{a} << 24) | (std::uint32_t{b} << 16) | (std::uint32_t{c} << 8) | std::uint32_t{d};
}

void Long2IP(std::uint32_t n, unsigned char* a, unsigned char* b, unsigned char* c, unsigned char* d) {
  if (a) *a = static_cast<unsigned char>(n >> 24);
  if (b) *b = static_cast<unsigned char>(n >> 16);
  if (c) *c = static_cast<unsigned char>(n >> 8);
  if (d) *d = static_cast<unsigned char>(n);
}

int httputil_line_to_ht_params(hashtbl* table, const char* line) {
  if (!table) return -1;
  if (!line) return 0;
  int count = 0;
  std::string piece;
  auto flush = [&]() {
    if (piece.empty()) return;
    std::string name = piece, value;
    if (auto eq = piece.find('='); eq != std::string::npos) {
      name = piece.substr(0, eq);
      value = piece.substr(eq + 1);
      decode(value);
    }
    put(table, name, value);
    ++count;
    piece.clear();
  };
  for (const char* p = line; *p; ++p) {
    if (*p == '\r' || *p == '\n') continue;
    if (*p == '&')
      flush();
    else
      piece += *p;
  }
  flush();
  return count;
}
