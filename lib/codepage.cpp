#include "lib/codepage.hpp"

#include <array>
#include <cstring>

#include "server/oo_texts.hpp"

const unsigned char plconv_Windows_EE[18] = {0xA5, 0xC6, 0xCA, 0xA3, 0xD1, 0xD3, 0x8C, 0x8F, 0xAF,
                                             0xB9, 0xE6, 0xEA, 0xB3, 0xF1, 0xF3, 0x9C, 0x9F, 0xBF};
const unsigned char plconv_ISO_Latin_2[18] = {0xA1, 0xC6, 0xCA, 0xA3, 0xD1, 0xD3, 0xA6, 0xAC, 0xAF,
                                              0xB1, 0xE6, 0xEA, 0xB3, 0xF1, 0xF3, 0xB6, 0xBC, 0xBF};
const unsigned char plconv_Mazovia[18] = {0x8F, 0x95, 0x90, 0x9C, 0xA5, 0xA3, 0x98, 0xA0, 0xA1,
                                          0x86, 0x8D, 0x91, 0x92, 0xA4, 0xA2, 0x9E, 0xA6, 0xA7};
const unsigned char plconv_CP852[18] = {0xA4, 0x8F, 0xA8, 0x9D, 0xE3, 0xE0, 0x97, 0x8D, 0xBD,
                                        0xA5, 0x86, 0xA9, 0x88, 0xE4, 0xA2, 0x98, 0xAB, 0xBE};

namespace {

constexpr int kPolish = 0;
constexpr int kCzech = 3;
constexpr int kRussian = 7;

struct Pair {
  unsigned char win;
  unsigned char iso;
};

// Letters whose Windows-1250 and ISO-8859-2 codes differ.
constexpr Pair kPolishDiff[] = {{0xB9, 0xB1}, {0x9C, 0xB6}, {0x9F, 0xBC},
                                {0xA5, 0xA1}, {0x8C, 0xA6}, {0x8F, 0xAC}};
constexpr Pair kCzechDiff[] = {{0x9A, 0xB9}, {0x9D, 0xBB}, {0x9E, 0xBE},
                               {0x8A, 0xA9}, {0x8D, 0xAB}, {0x8E, 0xAE}};

// A 256-byte map; identity except for the pairs given.
using Map = std::array<unsigned char, 256>;

constexpr Map identity() {
  Map m{};
  for (int i = 0; i < 256; ++i) m[i] = static_cast<unsigned char>(i);
  return m;
}

template <std::size_t N>
constexpr Map from_pairs(const Pair (&pairs)[N], bool reverse) {
  Map m = identity();
  for (const Pair& p : pairs) {
    if (reverse)
      m[p.iso] = p.win;
    else
      m[p.win] = p.iso;
  }
  return m;
}

constexpr Map from_lists(const unsigned char* from, const unsigned char* to) {
  Map m = identity();
  for (int i = 0; i < 18; ++i) m[from[i]] = to[i];
  return m;
}

constexpr Map kWin2IsoPl = from_pairs(kPolishDiff, false);
constexpr Map kIso2WinPl = from_pairs(kPolishDiff, true);
constexpr Map kWin2IsoCz = from_pairs(kCzechDiff, false);
constexpr Map kIso2WinCz = from_pairs(kCzechDiff, true);

const Map& win2maz_map() {
  static const Map m = from_lists(plconv_Windows_EE, plconv_Mazovia);
  return m;
}
const Map& maz2win_map() {
  static const Map m = from_lists(plconv_Mazovia, plconv_Windows_EE);
  return m;
}
const Map& win2cp852_map() {
  static const Map m = from_lists(plconv_Windows_EE, plconv_CP852);
  return m;
}
const Map& win2iso_pl_map() {
  static const Map m = from_lists(plconv_Windows_EE, plconv_ISO_Latin_2);
  return m;
}
const Map& iso2win_pl_map() {
  static const Map m = from_lists(plconv_ISO_Latin_2, plconv_Windows_EE);
  return m;
}

inline char apply(const Map& m, char c) {
  return static_cast<char>(m[static_cast<unsigned char>(c)]);
}

template <typename F>
char* repl(char* text, F f) {
  if (text == nullptr) return nullptr;
  for (char* p = text; *p != '\0'; ++p) *p = f(*p);
  return text;
}

template <typename F>
void repl(std::string& text, F f) {
  for (char& c : text) c = f(c);
}

}  // namespace

char win2iso(char c) {
  switch (oo_texts_get_lang()) {
    case kPolish: return apply(kWin2IsoPl, c);
    case kCzech: return apply(kWin2IsoCz, c);
    default: return c;
  }
}

char iso2win(char c) {
  if (c == '\r') return ' ';
  switch (oo_texts_get_lang()) {
    case kPolish: return apply(kIso2WinPl, c);
    case kCzech: return apply(kIso2WinCz, c);
    default: return c;
  }
}

char win2none(char c) {
  switch (static_cast<unsigned char>(c)) {
    case 0xB9: return 'a';
    case 0xE6: return 'c';
    case 0xEA: return 'e';
    case 0xB3: return 'l';
    case 0xF1: return 'n';
    case 0xF3: return 'o';
    case 0x9C: return 's';
    case 0x9F: return 'z';
    case 0xBF: return 'z';
    case 0xA5: return 'A';
    case 0xC6: return 'C';
    case 0xCA: return 'E';
    case 0xA3: return 'L';
    case 0xD1: return 'N';
    case 0xD3: return 'O';
    case 0x8C: return 'S';
    case 0xAF: return 'Z';
    case 0x8F: return 'Z';
    default: return c;
  }
}

char* repl_win2iso(char* text) { return repl(text, win2iso); }
char* repl_iso2win(char* text) { return repl(text, iso2win); }
char* repl_win2none(char* text) { return repl(text, win2none); }
void repl_win2iso(std::string& text) { repl(text, win2iso); }
void repl_iso2win(std::string& text) { repl(text, iso2win); }
void repl_win2none(std::string& text) { repl(text, win2none); }

char win2iso_org(char c) {
  switch (oo_texts_get_lang()) {
    case kRussian: return c;
    case kCzech: return win2iso(c);
    default: return apply(win2iso_pl_map(), c);
  }
}

const unsigned char* win2iso_org_map() {
  static constexpr Map kSame = identity();
  switch (oo_texts_get_lang()) {
    case kRussian: return kSame.data();
    case kCzech: return kWin2IsoCz.data();
    default: return win2iso_pl_map().data();
  }
}

char iso2win_org(char c) {
  switch (oo_texts_get_lang()) {
    case kRussian: return c;
    case kCzech: return apply(kIso2WinCz, c);
    default: return apply(iso2win_pl_map(), c);
  }
}

char win2maz(char c) {
  return oo_texts_get_lang() == kRussian ? c : apply(win2maz_map(), c);
}

char maz2win(char c) {
  return oo_texts_get_lang() == kRussian ? c : apply(maz2win_map(), c);
}

char* repl_win2maz(char* text) { return repl(text, win2maz); }
char* repl_maz2win(char* text) { return repl(text, maz2win); }
void repl_win2maz(std::string& text) { repl(text, win2maz); }
void repl_maz2win(std::string& text) { repl(text, maz2win); }

char win2cp852(char c) {
  return oo_texts_get_lang() == kRussian ? c : apply(win2cp852_map(), c);
}

char* repl_win2cp852(char* text) { return repl(text, win2cp852); }
void repl_win2cp852(std::string& text) { repl(text, win2cp852); }

int utf8_to_cyrylica(unsigned char first, unsigned char second) {
  if (first == 0xD0) {
    if (second >= 0x81 && second <= 0x84) return 0x4B + (second - 0x81);  // Ё Ђ Ѓ Є
    if (second >= 0x86 && second <= 0xBF) return 0x50 + (second - 0x86);  // І ... п
    return 0;
  }
  if (first == 0xD1) {
    if (second >= 0x80 && second <= 0x84) return 0x8A + (second - 0x80);  // р ... ф
    if (second == 0x85) return 0xD4;  // х has no code of its own; the font's ҳ looks the same
    if (second >= 0x86 && second <= 0x91) return 0x8F + (second - 0x86);  // ц ... ё
    return 0;
  }
  return 0;
}

int is_cyrylica(const char* p) {
  if (p == nullptr || *p == '\0') return 0;
  return utf8_to_cyrylica(static_cast<unsigned char>(p[0]), static_cast<unsigned char>(p[1]));
}

char is_html_char(const char* p, int* length) {
  struct Ref {
    const char* text;
    char repl;
  };
  static constexpr Ref kRefs[] = {
      {"&#169;", 'c'}, {"&#8222;", '"'}, {"&#8211;", '-'}, {"&#8221;", '"'}};
  if (p != nullptr) {
    for (const Ref& r : kRefs) {
      std::size_t n = std::strlen(r.text);
      if (std::strncmp(p, r.text, n) == 0) {
        if (length) *length = static_cast<int>(n);
        return r.repl;
      }
    }
  }
  if (length) *length = 0;
  return 0;
}

int is_az(char c) { return ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) ? 1 : 0; }

// --- the code pages of the PDF fonts -------------------------------------------

namespace {

constexpr int kSpanish = 6;
// Where the standard fonts keep the Spanish texts' º, ñ and Ñ: codes that
// Windows-1250 leaves free.
constexpr unsigned char kOrdinalStandard = 0x81;
constexpr unsigned char kNtildeStandard = 0x83;
constexpr unsigned char kNtildeCapitalStandard = 0x88;
constexpr unsigned char kOrdinalLatin2 = 0xB0;    // the degree sign, its look-alike in Latin-2

// The bytes that Windows-1250 leaves free; the fonts draw '?' for them when
// they come as bytes of a text.
constexpr unsigned char kUndefined1250[] = {0x81, 0x83, 0x88, 0x90, 0x98};

// Windows-1250 -> the Latin-2 fonts, where the codes differ: the letters to
// their ISO-8859-2 codes, the signs ISO-8859-2 lacks to look-alikes.  The
// Windows punctuation (‚ „ … † ‡ ‰ ‹ › ‘ ’ “ ” • – — ™) keeps its codes.
constexpr Pair kWin1250Latin2[] = {
    {0x80, 'E'},  {0x8A, 0xA9}, {0x8C, 0xA6}, {0x8D, 0xAB}, {0x8E, 0xAE}, {0x8F, 0xAC},  // € Š Ś Ť Ž Ź
    {0x9A, 0xB9}, {0x9C, 0xB6}, {0x9D, 0xBB}, {0x9E, 0xBE}, {0x9F, 0xBC},                // š ś ť ž ź
    {0xA1, 0xB7}, {0xA5, 0xA1}, {0xA6, '|'},  {0xA9, 'c'},  {0xAB, '"'},  {0xAC, '-'},   // ˇ Ą ¦ © « ¬
    {0xAE, 'R'},  {0xB1, '+'},  {0xB5, 'u'},  {0xB6, 'P'},  {0xB7, '.'},  {0xB9, 0xB1},  // ® ± µ ¶ · ą
    {0xBB, '"'},  {0xBC, 0xA5}, {0xBE, 0xB5},                                            // » Ľ ľ
};

Map font_map(bool latin2) {
  Map m = identity();
  for (unsigned char c : kUndefined1250) m[c] = '?';
  if (latin2)
    for (const Pair& p : kWin1250Latin2) m[p.win] = p.iso;
  return m;
}

// --- the program's text and Unicode ----------------------------------------------

// Unicode of the Windows-1250 bytes 80-FF.
constexpr unsigned short kWin1250High[128] = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,  // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,  // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,  // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,  // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,  // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,  // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,  // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,  // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,  // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,  // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,  // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,  // F8
};

bool continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Ё, А-я, ё.
bool russian_letter(unsigned code) { return code == 0x401 || (code >= 0x410 && code <= 0x44F) || code == 0x451; }

// The UTF-8 character at p of n bytes: its value and length, or length 0
// when the bytes there are not a well-formed character.
unsigned utf8_decode(const unsigned char* p, std::size_t n, std::size_t* length) {
  *length = 0;
  if (n == 0) return 0;
  const unsigned char c = p[0];
  if (c < 0x80) {
    *length = 1;
    return c;
  }
  std::size_t need;
  unsigned code, min;
  if (c >= 0xC2 && c <= 0xDF) {
    need = 2, code = c & 0x1F, min = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    need = 3, code = c & 0x0F, min = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    need = 4, code = c & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (n < need) return 0;
  for (std::size_t i = 1; i < need; ++i) {
    if (!continuation(p[i])) return 0;
    code = (code << 6) | (p[i] & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  *length = need;
  return code;
}

}  // namespace

PdfFontCodes pdf_font_codes(const char* font) {
  if (font != nullptr && font[0] == 'F' && font[1] >= '0' && font[1] <= '9') return PdfFontCodes::kWindows1250;
  return PdfFontCodes::kLatin2;
}

char pdf_font_char(char c, PdfFontCodes codes) {
  static const Map kLatin2 = font_map(true);
  static const Map kStandard = font_map(false);
  return apply(codes == PdfFontCodes::kLatin2 ? kLatin2 : kStandard, c);
}

char pdf_font_glyph(unsigned code, PdfFontCodes codes) {
  const bool latin2 = codes == PdfFontCodes::kLatin2;
  if (const int byte = unicode_to_win1250(code); byte >= 0) return pdf_font_char(static_cast<char>(byte), codes);
  switch (code) {
    case 0xBA: return static_cast<char>(latin2 ? kOrdinalLatin2 : kOrdinalStandard);  // º
    case 0xF1: return latin2 ? 'n' : static_cast<char>(kNtildeStandard);               // ñ
    case 0xD1: return latin2 ? 'N' : static_cast<char>(kNtildeCapitalStandard);        // Ñ
    default: return '?';
  }
}

const char* pdf_win1250_differences() {
  return "[129 /ordmasculine 131 /ntilde 136 /Ntilde 140 /Sacute /Tcaron 143 /Zacute 156 /sacute /tcaron 159 /zacute 161 "
         "/caron /breve /Lslash 165 /Aogonek 170 /Scedilla 175 /Zdotaccent 178 /ogonek /lslash 185 "
         "/aogonek /scedilla 188 /Lcaron /hungarumlaut /lcaron /zdotaccent /Racute 195 /Abreve 197 "
         "/Lacute /Cacute 200 /Ccaron 202 /Eogonek 204 /Ecaron 207 /Dcaron /Dcroat /Nacute /Ncaron "
         "213 /Ohungarumlaut 216 /Rcaron /Uring 219 /Uhungarumlaut 222 /Tcommaaccent 224 /racute 227 "
         "/abreve 229 /lacute /cacute 232 /ccaron 234 /eogonek 236 /ecaron 239 /dcaron /dcroat "
         "/nacute /ncaron 245 /ohungarumlaut 248 /rcaron /uring 251 /uhungarumlaut 254 /tcommaaccent "
         "/dotaccent]";
}

unsigned win1250_to_unicode(unsigned char c) { return c < 0x80 ? c : kWin1250High[c - 0x80]; }

int unicode_to_win1250(unsigned code) {
  if (code < 0x80) return static_cast<int>(code);
  static const std::array<int, 0x2200> reverse = [] {
    std::array<int, 0x2200> r{};
    r.fill(-1);
    for (int i = 0; i < 128; ++i) r[kWin1250High[i]] = 0x80 + i;
    return r;
  }();
  return code < reverse.size() ? reverse[code] : -1;
}

unsigned win_char(const char* p, std::size_t n, std::size_t* length) {
  if (p == nullptr || n == 0) {
    *length = 0;
    return 0;
  }
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  const int language = oo_texts_get_lang();
  if ((language == kRussian || language == kSpanish) && n >= 2 && continuation(u[1])) {
    std::size_t len = 0;
    const unsigned code = utf8_decode(u, 2, &len);
    if (len == 2 && (code <= 0x17F || (language == kRussian && russian_letter(code)))) {
      *length = 2;
      return code;
    }
  }
  *length = 1;
  return win1250_to_unicode(u[0]);
}

std::size_t utf8_encode(unsigned code, char* out) {
  if (code < 0x80) {
    out[0] = static_cast<char>(code);
    return 1;
  }
  if (code < 0x800) {
    out[0] = static_cast<char>(0xC0 | (code >> 6));
    out[1] = static_cast<char>(0x80 | (code & 0x3F));
    return 2;
  }
  if (code < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (code >> 12));
    out[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (code & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (code >> 18));
  out[1] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (code & 0x3F));
  return 4;
}

std::string win2utf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  char bytes[4];
  for (std::size_t i = 0; i < text.size();) {
    std::size_t length = 0;
    const unsigned code = win_char(text.data() + i, text.size() - i, &length);
    out.append(bytes, utf8_encode(code, bytes));
    i += length;
  }
  return out;
}

std::string utf82win(std::string_view text, std::size_t* replaced) {
  std::string out;
  out.reserve(text.size());
  std::size_t count = 0;
  const bool russian = oo_texts_get_lang() == kRussian;
  const auto* u = reinterpret_cast<const unsigned char*>(text.data());
  for (std::size_t i = 0; i < text.size();) {
    std::size_t length = 0;
    const unsigned code = utf8_decode(u + i, text.size() - i, &length);
    if (length == 0) {
      // Not UTF-8: the byte and the continuation bytes after it are one
      // broken character.
      out += '?';
      ++count;
      for (++i; i < text.size() && continuation(u[i]);) ++i;
      continue;
    }
    if (const int byte = unicode_to_win1250(code); byte >= 0) {
      out += static_cast<char>(byte);
    } else if (russian && russian_letter(code)) {
      out.append(text.data() + i, length);
    } else {
      out += '?';
      ++count;
    }
    i += length;
  }
  if (replaced) *replaced = count;
  return out;
}

std::string latin1_to_win(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  char bytes[4];
  for (char c : text) {
    const unsigned code = static_cast<unsigned char>(c);
    if (const int byte = unicode_to_win1250(code); byte >= 0)
      out += static_cast<char>(byte);
    else
      out.append(bytes, utf8_encode(code, bytes));
  }
  return out;
}
