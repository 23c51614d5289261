// The label file of the marked goods: an outside label program prints shelf
// and price labels from the dBASE file "etykiety_towarow.dbf".  It is made
// from the installed template "etykiety_towarow0.dbf", whose records (one a
// label) hold placeholder texts in character fields of exactly their widths;
// the marked goods (flags bit value 2), in Id order, take the labels one after
// another, each placeholder replaced by its value at its first occurrence
// still unfilled.  The file is read and written as bytes: the template's
// header and fields pass through unchanged.  Labels left over keep their
// placeholders.
//
// Placeholders and values (each value blank-padded and cut to the width, its
// Polish letters in code page 852):
//   "NAZWA_NAZWA_NAZWA_NAZWA_NAZWA_NAZWA_NAZWA_NAZWA555" (50)  the name
//   "CENA111" (7)  the gross sale price rounded to whole units, two decimals
//   "CENA222" (7)  the gross last purchase price, two decimals
//   "KOD1_KOD1_KOD1" (14)  PKWiU;  "KOD2_KOD2_KOD2" (14)  the code;
//   "KOD3_KOD3_KOD3" (14)  rfid;  "OPIS_OPIS_OPIS_OPIS_OPIS_OPIS333" (32)
//   the description.
// Amounts carry the UI language's decimal separator; one too long for its
// field loses its decimals, and one whose whole part does not fit is written
// as stars rather than cut into another number.
#pragma once

#include <string>

#include "db/Towary.hpp"

// Writes "etykiety_towarow.dbf" from the template with the marked goods.  A
// missing template, an unwritable result, or marked goods for which the
// template has no label left are said in red on the page.  0; -1 when the
// file was not written; -2 when the goods cannot be listed.
int Towary_oznaczone_do_dbf();

// Fills the next free label of the label file with the goods.  0; -1 when
// the file has no label left (or there is no goods).
int Towar_do_dbf(const Towary* t);

// Pads value with blanks to the placeholder's width and cuts it there,
// converts its Polish letters to code page 852, and writes it over the first
// occurrence of the placeholder in the label file.  While
// Towary_oznaczone_do_dbf runs this is its file in memory, where a text that
// earlier values wrote is never taken for a placeholder; otherwise the file
// "etykiety_towarow.dbf" itself is rewritten.  0; -1 when no placeholder was
// left; or the file rewrite's code (repstr).
int Towar_do_dbf_replace(const char* placeholder, const char* value);

// The Windows-1250 byte as code page 852: the 18 Polish letters converted,
// every other byte unchanged (in the Russian UI, whose texts are UTF-8, no
// byte changes).
char pl2dbf(char c);
// The same over a text, in place; returns it.
char* pl2dbf_str(char* text);
