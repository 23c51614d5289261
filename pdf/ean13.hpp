// EAN-13 texts and bar patterns.
//
// A bar pattern has one character per module, "1" for a bar and "0" for a
// space, without quiet zones: 95 modules for an EAN-13 code.
#pragma once

// Parity of the left-hand digits 2-7 by leading digit: 1 number set A, 0 set B.
extern const int ean13_D[10][6];
// Seven-module patterns of the digits 0-9 in the number sets A, B and C.
extern const char* const ean13_A[10];
extern const char* const ean13_B[10];
extern const char* const ean13_C[10];

// The check digit 0-9 of a text of digits (weights 3, 1, 3, ... from the
// right); -1 for a null text.  Prints "ean13_control(%s)=%d".
int ean13_control(const char* text);

// "%02d%05d%05d" of a, b and c followed by the check digit: 13 digits and
// the terminator (out needs 14 bytes).  0; -1 for a null out text.  A number
// outside its width (a not in 0-99, b or c not in 0-99,999) cannot be encoded
// in 13 digits: out becomes the empty text, the refusal is printed, -1.
int ean13_id2str(char* out, int a, int b, int c);

// The 95-module pattern of a text of exactly 13 digits (out needs 96 bytes);
// 0.  Any other text draws no bars: out becomes the empty text, the refusal
// is printed, -1.
int ean13_from_str(char* out, const char* text);

// ean13_id2str, then ean13_from_str of the text.
int ean13_from_ids(char* out, int a, int b, int c);

// "%013d" of c, and "%09d%04d" of b and c, without a check digit (out needs
// 14 bytes); 0; -1 for a null out text, and -1 with the empty text when the
// numbers do not fit 13 characters.
int ean13_id2str1(char* out, int a, int b, int c);
int ean13_id2str2(char* out, int a, int b, int c);

int ean13_test();
