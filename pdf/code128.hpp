// Code 128 bar patterns.
//
// A bar pattern has one character per module, "1" for a bar and "0" for a
// space, without quiet zones; it ends with the 13-module stop pattern.
#pragma once

#include <cstdint>
#include <vector>

// Module state of the last code128_encode.
extern char code128_current_set;               // 'A', 'B' or 'C'
extern std::vector<int32_t> encoding_data;     // values in output order
extern int encoding_data_len;
extern std::vector<int32_t> checksum_data;     // weighted values of the check sum
extern int checksum_data_len;
extern int32_t checksum_value;

// The bar pattern of the first 46 characters of text into out (room for 1,037
// bytes); 0.  Digit pairs go to set C, every other character to set B, with a
// set change wherever the set differs from the current one.  A text that
// Code 128 cannot carry (empty, or with a control character or a byte above
// 126) draws no bars: out becomes the empty text, the refusal is printed, -1.
int code128_encode(char* out, const char* text);

// The value 0-106 of a symbol text ("A", "SP", "42", "CodeC" ...) in the set
// 'A', 'B' or 'C'; -1 for another set or a symbol the set lacks.
int code128_set(char set, const char* symbol);
int getCharcterValue(char set, const char* symbol);
int code128_key_exists(const char* symbol, char set);
// The first of 'C', 'B', 'A' that holds the symbol; 'A' when none does.
char code128_get_set(const char* symbol);
// The module pattern of a value; "" outside 0-106.
const char* code128_value(int value);
int code128_is_numeric(char c);
int code128_set_start_set(char set);
int code128_change_set(char set);
int code128_add_checksum(int32_t value);
int code128_add_encode(int32_t value);
// out becomes the patterns of encoding_data in order.
int code128_to_str(char* out);
