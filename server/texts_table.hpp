// The per-language text tables behind tr().  Each language lists its texts as
// (id, text) pairs; ids it has no text for are simply left out, which is not
// the same as an empty text (though tr() shows both as "").
#pragma once

#include <array>
#include <cstddef>

namespace kal {

inline constexpr int kTextIds = 366;   // ids 0 .. 365
inline constexpr int kTextLanguages = 8;

struct TextEntry {
  int id;
  const char* text;
};

using TextTable = std::array<const char*, kTextIds>;

// Builds a table indexed by id at compile time; an id out of range or listed
// twice stops the build.
template <std::size_t N>
consteval TextTable make_text_table(const TextEntry (&entries)[N]) {
  TextTable t{};
  for (const TextEntry& e : entries) {
    if (e.id < 0 || e.id >= kTextIds) throw "text id out of range";
    if (t[e.id] != nullptr) throw "text id listed twice";
    if (e.text == nullptr) throw "text missing";
    t[e.id] = e.text;
  }
  return t;
}

extern const TextTable texts_pl;  // Windows-1250
extern const TextTable texts_en;  // ASCII
extern const TextTable texts_de;  // bytes common to Windows-1250 and ISO-8859-1
extern const TextTable texts_cs;  // Windows-1250
extern const TextTable texts_fr;  // bytes common to Windows-1250 and ISO-8859-1
extern const TextTable texts_it;  // ASCII
extern const TextTable texts_es;  // ISO-8859-1
extern const TextTable texts_ru;  // UTF-8

// The stored text of an id in a language (0 to 7), before any rewording by the
// settings; nullptr when the language has no text for the id.
const char* text_of(int language, int id);

// The Spanish text of an id in the program's text: the table's ISO-8859-1
// letters that Windows-1250 holds as its bytes, the others (ñ, º) as UTF-8
// (latin1_to_win of lib/codepage); "" for an id without a text.
const char* spanish_text(int id);

// The settings lookup of the Polish rewording: the value of a setting, or the
// key itself when the setting is absent.
using SettingLookup = const char* (*)(const char* key);

// The Polish text of an id after the settings have had their say:
//  - id 246: a non-empty value of the setting "tr_Faktura_VAT_nr" (anything
//    but the key itself) replaces the text, before any other rule;
//  - bills != 0 (bills instead of VAT invoices): the invoice wording of ids
//    39, 116-119, 122, 133, 134, 151, 246, 254 and 267 becomes bill wording.
// Never NULL.
const char* tr_pl(int id, SettingLookup setting, int bills);

}  // namespace kal
