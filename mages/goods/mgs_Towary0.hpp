// Glue of the goods: the goods form's variables ("Towary_nazwa", ...), the
// stored goods read, created and updated from them, the goods name look-up
// and the goods selects.  The form lives under the empty prefix, which is
// also where create and the updates find the staged goods; the counts (the
// stock and the last delivered and sold counts) are written in their
// shortest form.
#pragma once

#include <cstdint>

#include "db/Towary.hpp"
#include "mages/glue.hpp"

#define Towary_GLUE(X, T) X(record, T) X(create, T) X(update, T) X(lookup, T, nazwa) X(vv, T)
MGS_GLUE_DECLARE(Towary)

template <>
struct glue_desc<Towary> : glue_desc_base<Towary> {
  static std::string staging_prefix() { return ""; }
  static constexpr glue_form form(int pos) {
    using M = vtab_meta<Towary>;
    return pos == M::f_liczba_sztuk || pos == M::f_ostatnie_sztuk_dostawy || pos == M::f_ostatnie_sztuk_sprzedazy
               ? glue_form::gzl0
               : glue_form::by_kind;
  }
};

// The bit of `flags` that marks a deleted goods (kept in the table, hidden)
// and the one that marks it for the label file.
inline constexpr int TOWARY_FLAG_DELETED = 0x1;
inline constexpr int TOWARY_FLAG_MARKED = 0x2;

// The option lines of the goods of a type (0: every type) that are not
// deleted, sorted by name (goods of equal names once, with the highest Id);
// bit 0 of options first adds the choice "0" of 34 dashes (marked when
// selected is 0).  Says on the console what it was asked for.  0; -1 when the
// goods table holds more than 100,000 goods (no options then) or the sorting
// table cannot be made, -2 when the goods cannot be listed.
int Towary_select_options(uint32_t selected, uint32_t type, int options);
// "<select name='" + name + "'>\n", the option lines, "</select>"; the
// options' result.
int Towary_select_name(uint32_t selected, const char* name, uint32_t type, int options);
