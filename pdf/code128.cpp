#include "pdf/code128.hpp"

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

char code128_current_set = 'B';
std::vector<int32_t> encoding_data;
int encoding_data_len = 0;
std::vector<int32_t> checksum_data;
int checksum_data_len = 0;
int32_t checksum_value = 0;

namespace {

constexpr int kMaxChars = 46;
constexpr int kStop = 106;

// Bar and space widths of every value, in modules.
constexpr const char* kWidths[107] = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212",
    "221213", "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221",
    "223211", "221132", "221231", "213212", "223112", "312131", "311222", "321122", "321221",
    "312212", "322112", "322211", "212123", "212321", "232121", "111323", "131123", "131321",
    "112313", "132113", "132311", "211313", "231113", "231311", "112133", "112331", "132131",
    "113123", "113321", "133121", "313121", "211331", "231131", "213113", "213311", "213131",
    "311123", "311321", "331121", "312113", "312311", "332111", "314111", "221411", "431111",
    "111224", "111422", "121124", "121421", "141122", "141221", "112214", "112412", "122114",
    "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111", "111242",
    "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311",
    "113141", "114131", "311141", "411131", "211412", "211214", "211232", "2331112",
};

struct Tables {
  std::array<std::string, 107> pattern;
  std::array<std::array<std::string, 107>, 3> symbol;  // sets A, B, C
};

const Tables& tables() {
  static const Tables t = [] {
    Tables t;
    for (int v = 0; v < 107; ++v) {
      std::string p;
      bool bar = true;
      for (const char* w = kWidths[v]; *w; ++w, bar = !bar) p.append(*w - '0', bar ? '1' : '0');
      t.pattern[v] = p;
    }
    static const char* const kControls[32] = {
        "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",
        "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
        "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};
    auto& a = t.symbol[0];
    auto& b = t.symbol[1];
    auto& c = t.symbol[2];
    for (int v = 0; v < 64; ++v) a[v] = std::string(1, static_cast<char>(32 + v));
    for (int v = 64; v < 96; ++v) a[v] = kControls[v - 64];
    for (int v = 0; v < 95; ++v) b[v] = std::string(1, static_cast<char>(32 + v));
    a[0] = b[0] = "SP";
    b[95] = "DEL";
    for (int v = 0; v < 100; ++v) {
      char two[3] = {static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10), 0};
      c[v] = two;
    }
    for (auto* s : {&a, &b}) {
      (*s)[96] = "FNC3";
      (*s)[97] = "FNC2";
      (*s)[98] = "SHIFT";
      (*s)[99] = "CodeC";
    }
    a[100] = "CodeB";
    a[101] = "FNC4";
    b[100] = "FNC4";
    b[101] = "CodeA";
    c[100] = "CodeB";
    c[101] = "CodeA";
    for (auto* s : {&a, &b, &c}) {
      (*s)[102] = "FNC1";
      (*s)[103] = "STARTA";
      (*s)[104] = "STARTB";
      (*s)[105] = "STARTC";
      (*s)[106] = "STOP";
    }
    return t;
  }();
  return t;
}

int set_index(char set) {
  switch (set) {
    case 'A': return 0;
    case 'B': return 1;
    case 'C': return 2;
    default: return -1;
  }
}

// Characters that a symbol text of one character can stand for: the blank
// (as "SP") and the printable ASCII characters.
bool carried(char c) { return c >= 32 && c <= 126; }

}  // namespace

int code128_set(char set, const char* symbol) {
  int s = set_index(set);
  if (s < 0 || symbol == nullptr) return -1;
  const auto& syms = tables().symbol[s];
  for (int v = 0; v < 107; ++v)
    if (syms[v] == symbol) return v;
  return -1;
}

int getCharcterValue(char set, const char* symbol) { return code128_set(set, symbol); }

int code128_key_exists(const char* symbol, char set) {
  return code128_set(set, symbol) >= 0 ? 1 : 0;
}

char code128_get_set(const char* symbol) {
  for (char s : {'C', 'B', 'A'})
    if (code128_key_exists(symbol, s)) return s;
  return 'A';
}

const char* code128_value(int value) {
  if (value < 0 || value > kStop) return "";
  return tables().pattern[value].c_str();
}

int code128_is_numeric(char c) { return (c >= '0' && c <= '9') ? 1 : 0; }

int code128_set_start_set(char set) {
  code128_current_set = set;
  return 0;
}

int code128_change_set(char set) {
  code128_current_set = set;
  int v = set == 'A' ? 101 : set == 'B' ? 100 : set == 'C' ? 99 : -1;
  if (v >= 0) {
    code128_add_checksum(v);
    code128_add_encode(v);
  }
  return 0;
}

int code128_add_checksum(int32_t value) {
  int32_t weight = checksum_data.empty() ? 1 : static_cast<int32_t>(checksum_data.size());
  checksum_data.push_back(value * weight);
  checksum_data_len = static_cast<int>(checksum_data.size());
  checksum_value = 0;
  for (int32_t w : checksum_data) checksum_value += w;
  return 0;
}

int code128_add_encode(int32_t value) {
  encoding_data.push_back(value);
  encoding_data_len = static_cast<int>(encoding_data.size());
  return 0;
}

int code128_to_str(char* out) {
  if (out == nullptr) return -1;
  std::string s;
  for (int32_t v : encoding_data) s += code128_value(v);
  std::memcpy(out, s.c_str(), s.size() + 1);
  return 0;
}

int code128_encode(char* out, const char* text) {
  encoding_data.clear();
  checksum_data.clear();
  encoding_data_len = checksum_data_len = 0;
  checksum_value = 0;
  code128_current_set = 'B';
  if (out == nullptr) return -1;
  out[0] = '\0';

  std::size_t n = text ? std::strlen(text) : 0;
  if (n > kMaxChars) n = kMaxChars;
  if (n == 0) {
    std::printf("code128_encode(): empty text, no barcode\n");
    return -1;
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (!carried(text[i])) {
      std::printf("code128_encode(): character %u at %zu can't be encoded, no barcode\n",
                  static_cast<unsigned char>(text[i]), i);
      return -1;
    }
  }

  std::vector<std::string> symbols;
  for (std::size_t i = 0; i < n;) {
    if (i + 1 < n && code128_is_numeric(text[i]) && code128_is_numeric(text[i + 1])) {
      symbols.emplace_back(text + i, 2);
      i += 2;
    } else {
      symbols.push_back(text[i] == ' ' ? std::string("SP") : std::string(1, text[i]));
      i += 1;
    }
  }

  char start = code128_get_set(symbols[0].c_str());
  code128_set_start_set(start);
  int start_value = start == 'A' ? 103 : start == 'C' ? 105 : 104;
  code128_add_checksum(start_value);
  code128_add_encode(start_value);
  for (const std::string& sym : symbols) {
    char s = code128_get_set(sym.c_str());
    if (s != code128_current_set) code128_change_set(s);
    int v = code128_set(s, sym.c_str());
    code128_add_checksum(v);
    code128_add_encode(v);
  }
  code128_add_encode(checksum_value % 103);
  code128_add_encode(kStop);
  return code128_to_str(out);
}
