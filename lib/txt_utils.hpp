// Small text helpers of the pages and printouts: word wrapping for the
// fixed-width lines of printouts, emptiness tests of form values, prefix
// patterns, year boundaries, month names, the captions of a form's button row
// and the last-write time of a file.
#pragma once

#include <ctime>
#include <string>

// Word wrap in place: lines of at most first_width bytes (the first line) and
// next_width bytes (the others) wherever blanks allow; CR and LF become blanks
// first, and a word longer than the width is never cut.  0; -1 (text
// unchanged) for a NULL text or a width below 1.
int str_divide(char* text, int first_width, int next_width);
// The older wrap: breaks only at blanks and tabs, and the LFs of the text stay
// line ends.  0; -1 as above.
int str_divide0(char* text, int first_width, int next_width);

// 1 + the number of LF bytes of the text (0 for NULL).
int txt_utils_lines_nr(const char* text);

// Overwrites the first occurrence of `what` in text with the first
// strlen(what) bytes of `with`; the text keeps its length.  0, also when `what`
// does not occur; -1 (nothing changed) when an argument is NULL or `with` is
// shorter than `what`.
int str_replace(char* text, const char* what, const char* with);

// A blank for blank, tab, CR and LF; otherwise the byte itself.
char white2sp(char c);

// 1 for NULL, the empty text, or one or two bytes that are all blank, tab, CR
// or LF; else 0.  not_empty is the opposite.
int is_empty(const char* text);
int not_empty(const char* text);

// The text with a star appended unless it already ends with one (NULL and the
// empty text give "*").  The result lives in a ring of ten buffers: it stays
// valid until ten further calls have been made.
const char* append_asterix(const char* text);

// 1 January, 00:00:00 local time, of the current and of the next year, in
// seconds since 1970; 0 when the local time cannot be had.
time_t txtutils_begin_year();
time_t txtutils_next_year();

// The text, or "&nbsp;" for NULL or the empty text.
const char* txtutils_nbsp(const char* text);

// The name of month 0 (January) .. 11 in the UI language; "" for any other.
const char* txtutils_month2str(int month);

// The number that starts at the third byte of the text ("n_123" gives 123);
// 0 for NULL or a text shorter than 3 bytes.
int backhref_id(const char* text);

// dst := src without its trailing blanks, tabs, CR and LF; a NULL source
// leaves dst as it is.  0.
int txtutils_trim_right_sp(std::string& dst, const char* src);

// The captions of a form's button row: slot 0 the submit button, slots 1 to 6
// further buttons.  actions_init sets every slot to ""; actions_set sets one
// slot, ignoring slots outside 0..6.  Both 0.
int actions_init(const char* (&actions)[7]);
int actions_set(const char* (&actions)[7], int slot, const char* caption);

// The last-write time of a file in seconds since 1970: 0; -2 when the file
// cannot be opened for reading (or is no regular file), -1 when its times
// cannot be read.
int filedate_filetime(time_t* time, const char* path);
