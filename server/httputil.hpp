// HTTP request parsing and URL coding.
//
// The server loop keeps a request as text: the head lines with their CR LF,
// a blank line, then the body.  parse_request() files the request line, the
// headers and the body into a key/value table; parse_address() takes the path
// and the query string from the request line; parse_params() splits
// name=value&... lists of forms and URL-decodes the values; params_from_utf8()
// reads the decoded values from UTF-8 into the program's text.
#pragma once

#include <cstdint>

#include "lib/hashtbl.hpp"

// Puts into table:
//   "address0"  the request line without its line end;
//   one pair per header line: the name lowered over Windows-1250, the value
//               after the first ":" with one leading blank dropped (a later
//               header of the same name wins);
//   "params"    the body: the text after the head's blank line, CRs removed,
//               starting with the LF of the blank line itself.
// Returns 0.
int parse_request(hashtbl* table, const char* text);

// From a request line "METHOD target VERSION": puts "address" (the target up
// to its first "?", not decoded) into http_table and the query's pairs into
// params_table.  A NULL line counts as empty.  Returns 0.
int parse_address(hashtbl* http_table, hashtbl* params_table, const char* line);

// Splits name=value pairs separated by "&" into table: the name as sent, the
// value URL-decoded.  CR and LF are dropped.  A piece without "=" before any
// pair goes under the empty name, a trailing piece without "=" under the
// previous pair's name.  NULL text counts as empty.  Returns 0.
int parse_params(hashtbl* table, const char* text);

// The values of a table of request parameters (as parse_params left them)
// from UTF-8, the encoding of every page, into the program's text (utf82win
// of lib/codepage under the current UI language).  A value with characters
// the program's text cannot hold keeps a '?' in their place, and the console
// says so.  Names stay as they are.  Returns the number of values that had
// such characters; -1 for a NULL table.
int params_from_utf8(hashtbl* table);

// In place: "+" becomes a blank, "%" and two hexadecimal digits the byte they
// name (a decoded CR is dropped); a "%" not followed by two hex digits is
// dropped.  No code-page conversion.
void URLDecode(char* text);
// In place: blanks become "+"; nothing else is encoded.
void URLEncode(char* text);
// The value of two hexadecimal digits (either case); -1 when they are not.
int IntFromHex(const char* two);
// Replaces every from by to.
void SwapChar(char* text, char from, char to);

// Four address bytes as one number, a the highest, and back.
std::uint32_t IP2Long(unsigned char a, unsigned char b, unsigned char c, unsigned char d);
void Long2IP(std::uint32_t n, unsigned char* a, unsigned char* b, unsigned char* c, unsigned char* d);

// Splits a line of name=value pieces separated by "&": each piece at its first
// "=", the name as it is, the value URL-decoded; a piece without "=" is a name
// with an empty value; empty pieces, CR and LF are skipped.  Puts every pair
// into table.  Returns the number of pairs put; -1 for a NULL table.
int httputil_line_to_ht_params(hashtbl* table, const char* line);
