// Whole numbers in words in the UI language (amounts on sales documents), and
// two helpers for street addresses on printouts.
#pragma once

#include <cstdint>
#include <string>

// Appends the number in words of the current UI language to out ("zero" for
// 0); a negative number appends nothing.  0.
int liczba_slownie(std::string& out, int32_t number);

// The words for number modulo 1000 ("" for a negative number).  The result
// stays valid until the next call.
const char* liczba_999_slownie(int number);
// The German words for 0 .. 1000 ("" otherwise); valid until the next call.
const char* liczba_999_slownie_de(int number);

// The form of thousand, million and billion that goes with a count ("" for a
// count of 0 or less).
const char* liczba_tysiecy_slownie(int count);
const char* liczba_milionow_slownie(int count);
const char* liczba_miliardow_slownie(int count);

// The text without a leading street abbreviation ("ul. ", "UL. ", "Ul. ",
// "ul.", "UL.", "Ul.", "ul ", "UL ", "Ul "); "" for NULL.
const char* cancel_ul(const char* text);
// cancel_ul of the street followed by suffix, or "" when nothing but white
// space is left of the street.  Valid until the next call.
const char* ulica_if_not_empty(const char* street, const char* suffix);
// The text after its leading blanks, tabs and LFs (a CR stops it); "" for
// NULL.
const char* trim_sp(const char* text);
