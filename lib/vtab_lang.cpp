#include "lib/vtab_lang.hpp"

#include <array>
#include <cstring>
#include <string>

namespace {

// The Polish letters as Windows-1250 bytes, lower case before capital.
constexpr unsigned char kPolishAfter[][4] = {
    // base letter, lower, upper  (0 = none)
    {'a', 0xB9, 0xA5, 0}, {'c', 0xE6, 0xC6, 0}, {'e', 0xEA, 0xCA, 0}, {'l', 0xB3, 0xA3, 0},
    {'n', 0xF1, 0xD1, 0}, {'o', 0xF3, 0xD3, 0}, {'s', 0x9C, 0x8C, 0},
    // z is followed by z-dot, then z-acute
    {'z', 0xBF, 0xAF, 0}, {'z', 0x9F, 0x8F, 0},
};

constexpr std::array<unsigned char, 256> make_weights() {
  std::array<unsigned char, 256> w{};
  std::array<bool, 256> placed{};
  int next = 0;
  auto put = [&](unsigned char byte) {
    w[byte] = static_cast<unsigned char>(next++);
    placed[byte] = true;
  };
  put(0);
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    put(static_cast<unsigned char>(letter));
    put(static_cast<unsigned char>(letter - 'a' + 'A'));
    for (const auto& pl : kPolishAfter) {
      if (pl[0] == letter) {
        put(pl[1]);
        put(pl[2]);
      }
    }
  }
  for (char d = '0'; d <= '9'; ++d) put(static_cast<unsigned char>(d));
  for (char c : {'_', '.', ',', ' ', '-', '+', '"', '\'', '*', '?', '/', '\\', ':', ';'})
    put(static_cast<unsigned char>(c));
  for (int c = 0x01; c <= 0x1F; ++c) put(static_cast<unsigned char>(c));
  for (char c : {'!', '#', '$', '%', '&', '(', ')', '<', '=', '>', '@', '[', ']', '^', '`', '{', '|', '}', '~'})
    put(static_cast<unsigned char>(c));
  for (int c = 0x7F; c <= 0xFF; ++c)
    if (!placed[c]) put(static_cast<unsigned char>(c));
  return w;
}

constexpr std::array<unsigned char, 256> kWeights = make_weights();
constexpr bool is_permutation(const std::array<unsigned char, 256>& w) {
  std::array<bool, 256> seen{};
  for (unsigned char v : w) {
    if (seen[v]) return false;
    seen[v] = true;
  }
  return true;
}
static_assert(is_permutation(kWeights), "collation weights must be a permutation");
static_assert(kWeights['a'] == 1 && kWeights[0x8F] == 70, "letters take weights 1 to 70");
static_assert(kWeights['0'] == 71 && kWeights[';'] == 94 && kWeights[0x01] == 95 && kWeights['!'] == 126 &&
              kWeights['~'] == 144 && kWeights[0x7F] == 145);

}  // namespace

const unsigned char vtab_lplti_cp1250[256] = {
#define W(i) kWeights[i]
#define W8(i) W(i), W(i + 1), W(i + 2), W(i + 3), W(i + 4), W(i + 5), W(i + 6), W(i + 7)
#define W64(i) W8(i), W8(i + 8), W8(i + 16), W8(i + 24), W8(i + 32), W8(i + 40), W8(i + 48), W8(i + 56)
    W64(0), W64(64), W64(128), W64(192)
#undef W64
#undef W8
#undef W
};

int vtab_langcmp(const char* a, const char* b, const unsigned char* weights) {
  const auto* x = reinterpret_cast<const unsigned char*>(a ? a : "");
  const auto* y = reinterpret_cast<const unsigned char*>(b ? b : "");
  while (*x == *y) {
    if (*x == 0) return 0;
    ++x;
    ++y;
  }
  return weights[*y] < weights[*x] ? 1 : -1;
}

int vtab_to_lowlang_cp1250(int c) {
  unsigned char u = static_cast<unsigned char>(c);
  if (u >= 'A' && u <= 'Z') return u + 32;
  switch (u) {
    case 0xA5: return 0xB9;  // A ogonek
    case 0xC6: return 0xE6;  // C acute
    case 0xCA: return 0xEA;  // E ogonek
    case 0xA3: return 0xB3;  // L stroke
    case 0xD1: return 0xF1;  // N acute
    case 0xD3: return 0xF3;  // O acute
    case 0x8C: return 0x9C;  // S acute
    case 0xAF: return 0xBF;  // Z dot
    case 0x8F: return 0x9F;  // Z acute
    case 0xC1: return 0xE1;  // A acute
    case 0xC8: return 0xE8;  // C caron
    case 0xCC: return 0xEC;  // E caron
    case 0xC9: return 0xE9;  // E acute
    case 0xCD: return 0xED;  // I acute
    case 0xD8: return 0xF8;  // R caron
    case 0x8A: return 0x9A;  // S caron
    case 0xD9: return 0xF9;  // U ring
    case 0xDA: return 0xFA;  // U acute
    case 0xDD: return 0xFD;  // Y acute
    case 0x8E: return 0x9E;  // Z caron
    default: return c;
  }
}

char* vtab_to_lowlangs_cp1250(char* text) {
  if (!text) return text;
  for (char* p = text; *p; ++p) *p = static_cast<char>(vtab_to_lowlang_cp1250(static_cast<unsigned char>(*p)));
  return text;
}

long vtab_ptrfind(const char* text, const char* needle, long start) {
  if (!text || !needle || start < 0) return -1;
  long len = static_cast<long>(std::strlen(text));
  if (start > len) return -1;
  long p = start;
  for (;;) {
    while (text[p] != '\0' && text[p] != needle[0]) ++p;
    if (text[p] == '\0') return needle[0] == '\0' ? p : -1;
    for (long i = 0;; ++i) {
      // Reaching the needle's end (its NUL or a star) means it was found.
      if (needle[i] == '\0' || needle[i] == '*') return p;
      if (text[p + i] == '\0' || text[p + i] != needle[i]) break;
    }
    ++p;
  }
}

int vtab_chkpatrn(const char* value, const char* pattern, long len) {
  if (!pattern) return 0;
  if (len == 1 && pattern[0] == '*') return 1;
  const char* v = value ? value : "";
  std::size_t vlen = std::strlen(v);
  if (len <= 0) return vlen == 0 ? 1 : 0;
  if (vlen == 0) return 0;
  const std::size_t n = static_cast<std::size_t>(len);
  bool lead = pattern[0] == '*';
  bool trail = pattern[n - 1] == '*';
  if (!lead && trail) return (vlen >= n - 1 && std::memcmp(v, pattern, n - 1) == 0) ? 1 : 0;
  if (!lead && !trail) return (vlen == n && std::memcmp(v, pattern, n) == 0) ? 1 : 0;
  if (lead && !trail) return (vlen >= n - 1 && std::memcmp(v + vlen - (n - 1), pattern + 1, n - 1) == 0) ? 1 : 0;
  // Star at both ends: the value must contain the first piece between stars.
  return vtab_ptrfind(v, pattern + 1, 0) >= 0 ? 1 : 0;
}

int vtab_chkpatrnic(const char* value, const char* pattern, long len, vtab_fold_fn fold) {
  if (!value || !pattern) return 0;
  if (!fold) fold = vtab_to_lowlang_cp1250;
  if (len == 1 && pattern[0] == '*' && fold('*') == '*') return 1;  // everything
  std::string v(value);
  for (char& c : v) c = static_cast<char>(fold(static_cast<unsigned char>(c)));
  std::string p(pattern, len > 0 ? static_cast<std::size_t>(len) : 0);
  for (char& c : p) c = static_cast<char>(fold(static_cast<unsigned char>(c)));
  return vtab_chkpatrn(v.c_str(), p.c_str(), len > 0 ? len : 0);
}

namespace {
std::string prefix_pattern(const char* pattern, long len) {
  if (!pattern || len < 1) return "*";
  std::string p(pattern, static_cast<std::size_t>(len));
  if (p.back() != '*') p.push_back('*');
  return p;
}
}  // namespace

int vtab_chkpatrnx(const char* value, const char* pattern, long len) {
  std::string p = prefix_pattern(pattern, len);
  return vtab_chkpatrn(value, p.c_str(), static_cast<long>(p.size()));
}

int vtab_chkpatrnicx(const char* value, const char* pattern, long len, vtab_fold_fn fold) {
  std::string p = prefix_pattern(pattern, len);
  return vtab_chkpatrnic(value, p.c_str(), static_cast<long>(p.size()), fold);
}

const char* vtab_cmp_from(int kind) {
  switch (kind) {
    case VTAB_CMP_LE: return "VTAB_CMP_LE";
    case VTAB_CMP_GE: return "VTAB_CMP_GE";
    case VTAB_CMP_EQUAL: return "VTAB_CMP_EQUAL";
    case VTAB_CMP_LESS: return "VTAB_CMP_LESS";
    case VTAB_CMP_GREAT: return "VTAB_CMP_GREAT";
    case VTAB_CMP_LIKE: return "VTAB_CMP_LIKE";
    case VTAB_CMP_LIKEIC: return "VTAB_CMP_LIKEIC";
    case VTAB_CMP_LIKEX: return "VTAB_CMP_LIKEX";
    case VTAB_CMP_LIKEICX: return "VTAB_CMP_LIKEICX";
    case VTAB_CMP_NEQUAL: return "VTAB_CMP_NEQUAL";
    case VTAB_CMP_NEQIC: return "VTAB_CMP_NEQIC";
    default: return "VTAB_CMP_ERROR";
  }
}

const char* vtab_cmp_type_to_str(int kind) {
  if (kind == VTAB_CMP_LIKEX || kind == VTAB_CMP_LIKEICX) return "VTAB_CMP_ERROR";
  return vtab_cmp_from(kind);
}
