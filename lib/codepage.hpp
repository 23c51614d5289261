// Code pages of the system's texts.
//
// Inside the program text is Windows-1250 (UTF-8 in the Russian UI).  The
// pages travel as UTF-8, the PDF fonts use ISO-8859-2, the stock program's files
// use Mazovia, the label program's files code page 852, and Russian letters are written into PDF pages as one-byte
// codes of the embedded font Cyrylica.  Every table and every conversion
// between these lives here.
//
// The conversions that depend on the UI language read it with
// oo_texts_get_lang() (0 Polish ... 3 Czech ... 7 Russian).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The 18 Polish letters in the order
// Ą Ć Ę Ł Ń Ó Ś Ź Ż ą ć ę ł ń ó ś ź ż, in three code pages.
extern const unsigned char plconv_Windows_EE[18];
extern const unsigned char plconv_ISO_Latin_2[18];
extern const unsigned char plconv_Mazovia[18];
extern const unsigned char plconv_CP852[18];

// --- Windows-1250 <-> ISO-8859-2 of the letters of the UI language ---------
//
// Polish UI (0): the six Polish letters whose codes differ (ą ś ź Ą Ś Ź).
// Czech UI (3): the six Czech letters whose codes differ (š ť ž Š Ť Ž).
// Every other byte, and every byte in the other languages, passes unchanged;
// in addition iso2win turns a CR into a blank in every language.  The two
// tables never map a byte onto a byte that they map again, so converting a
// text twice changes nothing more.

char win2iso(char c);
char iso2win(char c);
// A Polish letter becomes its letter without diacritic, in every language.
char win2none(char c);

// In place over a NUL-terminated text (NULL is ignored); return the text.
char* repl_win2iso(char* text);
char* repl_iso2win(char* text);
char* repl_win2none(char* text);
void repl_win2iso(std::string& text);
void repl_iso2win(std::string& text);
void repl_win2none(std::string& text);

// --- the reply's output code page ------------------------------------------
//
// win2iso_org: Russian UI unchanged; Czech UI as win2iso; every other UI maps
// the 18 Polish letters from plconv_Windows_EE to plconv_ISO_Latin_2.
// iso2win_org is its reverse and keeps a CR as it is.
char win2iso_org(char c);
char iso2win_org(char c);
// The 256 bytes win2iso_org gives under the current language, for turning
// whole texts at once.
const unsigned char* win2iso_org_map();

// --- Windows-1250 <-> Mazovia (the 18 Polish letters; Russian UI unchanged) -
char win2maz(char c);
char maz2win(char c);
char* repl_win2maz(char* text);
char* repl_maz2win(char* text);
void repl_win2maz(std::string& text);
void repl_maz2win(std::string& text);

// --- Windows-1250 -> code page 852 (the 18 Polish letters; Russian UI
// unchanged), for the label program's dBASE files --------------------------
char win2cp852(char c);
char* repl_win2cp852(char* text);
void repl_win2cp852(std::string& text);

// --- Cyrillic letters in the PDF font Cyrylica -------------------------------
//
// The code of the two-byte UTF-8 Cyrillic letter first, second in the font
// Cyrylica (U+0401-U+0404, U+0406-U+0451); 0 when the pair is none of them.
int utf8_to_cyrylica(unsigned char first, unsigned char second);
// 0 at the end of the text, else utf8_to_cyrylica of the byte at p and the
// next one.
int is_cyrylica(const char* p);

// The replacement character of the character reference that starts at p
// ("&#169;" -> 'c', "&#8222;" and "&#8221;" -> '"', "&#8211;" -> '-') with
// its length in *length; 0 and length 0 for any other text.
char is_html_char(const char* p, int* length);

// 1 for the ASCII letters A-Z and a-z, else 0.
int is_az(char c);

// --- the code pages of the PDF fonts -------------------------------------------
//
// A printout text is Windows-1250 like every text of the program (the
// Spanish UI's own texts ISO-8859-1; the Russian UI's Cyrillic letters UTF-8,
// which the page builder draws in the font Cyrylica).  The fonts that draw
// the rest keep their letters in one of two code pages:
//   - the embedded CourierNewL2 and ArialL2: ISO-8859-2 at 0xA0-0xFF and the
//     Windows punctuation at 0x80-0x9F;
//   - the standard text fonts F0-F7 and F9-F12, which the document writer
//     gives Windows-1250 (pdf_win1250_differences), with the Spanish
//     texts' º, ñ and Ñ at 0x81, 0x83 and 0x88, codes Windows-1250 leaves
//     free.
// Both hold every Polish and Czech letter; a character the font lacks is
// drawn as a look-alike ('"' for „ and «, 'c' for ©, '?' for a byte that
// Windows-1250 leaves free).
enum class PdfFontCodes { kLatin2, kWindows1250 };

// The font code page of a font resource name (F0 ... F13, CourierNewL2,
// ArialL2): Windows-1250 for the standard fonts, Latin-2 for the others.
PdfFontCodes pdf_font_codes(const char* font);
// The code of one Windows-1250 byte in a font of that code page.
char pdf_font_char(char c, PdfFontCodes codes);
// The code of one character (as win_char reads the program's text) in a
// font of that code page: Windows-1250 characters as pdf_font_char, the
// Spanish texts' º ñ Ñ as above ('n', 'N' and the degree sign in the Latin-2
// fonts), any other '?'.
char pdf_font_glyph(unsigned code, PdfFontCodes codes);
// The /Differences array that makes WinAnsiEncoding Windows-1250 (and puts
// º ñ Ñ at 0x81 0x83 0x88), for the encoding of the standard text fonts.
const char* pdf_win1250_differences();

// --- the program's text and Unicode (pages travel as UTF-8) ----------------
//
// The program's text is Windows-1250.  A character Windows-1250 lacks is kept
// as its UTF-8 bytes where the UI language has such characters:
//   - Russian UI (7): the Russian letters (Ё А-я ё) of its texts and of what
//     is typed on its pages; besides, a two-byte UTF-8 character of
//     U+0080-U+017F stands for itself (the Russian pages have always stored
//     what was typed on them as UTF-8);
//   - Spanish UI (6): the same two-byte characters of U+0080-U+017F (the
//     Spanish texts' ñ, º and the like, see tr()).
// In the other UI languages every byte is one Windows-1250 character.

// The Unicode character of a Windows-1250 byte.  The five bytes Windows-1250
// leaves free (81 83 88 90 98) stand for the control characters of the same
// numbers.
unsigned win1250_to_unicode(unsigned char c);
// The Windows-1250 byte of a Unicode character; -1 when it has none.
int unicode_to_win1250(unsigned code);

// The character of the program's text at p under the current UI language:
// its Unicode value, and in *length the bytes it takes (1 or 2; 0 at the end
// of the text, where the value is 0).  n is the number of bytes left.
unsigned win_char(const char* p, std::size_t n, std::size_t* length);

// The UTF-8 bytes of a Unicode character (at most 4) into out; their number.
std::size_t utf8_encode(unsigned code, char* out);

// The program's text as UTF-8 (for the pages and replies).
std::string win2utf8(std::string_view text);

// UTF-8 (what a browser sends) into the program's text under the current UI
// language: characters Windows-1250 holds become its bytes; in the Russian UI
// a Russian letter keeps its UTF-8 bytes; any other character, and any byte
// that is not well-formed UTF-8, becomes '?'.  *replaced (when given) gets
// the number of characters replaced that way.
std::string utf82win(std::string_view text, std::size_t* replaced = nullptr);

// ISO-8859-1 text (the Spanish texts) into the program's text: a character
// Windows-1250 holds becomes its byte, any other its UTF-8 bytes.
std::string latin1_to_win(std::string_view text);
