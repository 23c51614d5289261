// Interleaved 2 of 5 texts of the PDF barcode images.
//
// An id becomes seven digits and a check digit; the PDF writer picks one
// ready-made image per pair of digits ("img\barcode\NN.jpg").
#pragma once

#include <cstdint>

// The check digit 0-9 of the text (weights 3, 1, 3, ... from the left);
// 0 for a null text.
int barcode_i25_strchecksum(const char* text);

// "%07ld" of the value followed by its check digit, in a static buffer that
// the next call overwrites.  Values 0 to 9,999,999 give eight digits; a
// larger value gives a longer text of which the pairs below cover only the
// first eight characters.
const char* barcode_i25_9999999c(int32_t value);

// Pair k (characters 2k-1 and 2k) of the text, each function in its own
// static buffer; "00" for a null text.  A character past the end of a short
// text reads as "0".
const char* barcode_i25_1(const char* text);
const char* barcode_i25_2(const char* text);
const char* barcode_i25_3(const char* text);
const char* barcode_i25_4(const char* text);
