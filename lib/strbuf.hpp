// Byte buffers in which pages and exports build their texts, and into which
// whole files are read.
//
// A buffer is created with a capacity that sizes it for what its producer
// means to write.  The capacity is a hint, not a limit: an append that needs
// more room grows the area, so nothing is ever written beyond it.  Growing
// moves the bytes, so `data` and `end` are valid only until the next append.
// The text always stays terminated: there is a NUL at offset `size`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct strbuf {
  char* data = nullptr;    // the bytes
  char* end = nullptr;     // next free byte, data + size
  uint32_t size = 0;       // bytes in use
  uint32_t capacity = 0;   // as given to strbuf_new
  std::vector<char> area;  // owns the bytes; always longer than size
};

// A new empty buffer; NULL for capacity 0 or when memory runs out.
strbuf* strbuf_new(uint32_t capacity);
// Frees the buffer and sets *buf to NULL: 0; -1 for a NULL address, -2 when
// *buf is already NULL.
int strbuf_delete(strbuf** buf);

int strbuf_terminate(strbuf* buf);
int strbuf_clear(strbuf* buf);
// Prints "data->size=<size>:\n<text>\n".
int strbuf_print(strbuf* buf);

// Appends count bytes (which may hold NULs).  0; -1 when the buffer cannot
// grow (a text of 4 GiB, or no memory), in which case nothing is appended.
int strbuf_append_size(strbuf* buf, const char* bytes, std::size_t count);
// Appends a NUL-terminated text; NULL appends nothing.
void strbuf_append(strbuf* buf, const char* text);
int strbuf_appendc(strbuf* buf, char c);

// Text files (CR LF on disk, LF here).  0, or -1 with a console message.
int strbuf_file_to_buf(strbuf* buf, const char* path);
// Writes the text up to its first NUL; the file is replaced atomically.
int strbuf_buf_to_file(strbuf* buf, const char* path);

// A new buffer holding the bytes of a file; NULL with a console message when
// the file cannot be read.
strbuf* strbuf_binfile_to_buf(const char* path);
// Writes exactly size bytes; the file is replaced atomically.
int strbuf_buf_to_binfile(strbuf* buf, const char* path);

// Compares the bytes of b from offb to its end with as many bytes of a from
// offa: 0 when equal; -2 when offb is not below b's size, -3 when offa is not
// below a's size; 2 when b's rest is longer than a's; else the difference of
// the first unequal bytes as signed chars (a's minus b's).
int strbuf_cmp(const strbuf* a, const strbuf* b, uint32_t offa, uint32_t offb);
// The first offset at or after start where the whole of b occurs in a; a's
// size when there is none.
uint32_t strbuf_find(const strbuf* a, const strbuf* b, uint32_t start);

// Hexadecimal digit of the low four bits, upper case.
char memdebug_byte2hex(int value);
// Eight upper-case hexadecimal digits in memdebug_dword_hex_str, which the
// next call overwrites.
extern char memdebug_dword_hex_str[9];
const char* memdebug_dword_hex(uint32_t value);

// 16-bit (UTF-16) strings.
std::size_t unilen(const uint16_t* s);
// A copy allocated with malloc (free it with free); NULL when out of memory.
uint16_t* unidup(const uint16_t* s);
