// The numbered UI texts (ids 0 to 365) in the eight UI languages, and the
// transliteration of Polish letters for names.
#pragma once

// The text of an id in the current UI language (`lang`), in the program's
// text (lib/codepage: Windows-1250; the Russian texts' letters and the
// Spanish texts' ñ and º as UTF-8).  Never NULL: an id
// the language has no text for, an id out of range or an unknown language give
// the empty text.  The text is constant and owned by this module (or, for the
// Polish invoice heading, by the settings store).
const char* tr(int id);

// Transliteration of one Windows-1250 byte for names: the Polish letters
// become their plain Latin letters; a-z, A-Z, 0-9, LF and CR stay; every other
// byte becomes '_'.
char c2cname(char c);
// Applies c2cname to every byte of a text in place; 0.
int text2cname(char* text);
// Copies "in.txt" to "out.txt" through c2cname: 0, -1 when "in.txt" cannot be
// read, -2 when "out.txt" cannot be written.
int file2cname();
