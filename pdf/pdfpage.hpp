// Page content of PDF printouts.
//
// A page is built as text of PDF operators in actPdfContents, which the
// document writer copies into the file between pages.  Callers give y
// downwards from the top edge of mediaBox.  Text and rectangles take x from
// the left edge, shifted by PDF.margin + 20 to the right and PDF.margin
// down; images take x leftwards from the right edge to the image's right side.
//
// Texts are Windows-1250 (Cyrillic letters UTF-8 in the Russian UI) with LF
// between lines and may hold the character references &#169; &#8222;
// &#8211; &#8221;.  They reach the page in the code page of the font that
// draws them (lib/codepage.hpp): ISO-8859-2 in the embedded CourierNewL2 and
// ArialL2, Windows-1250 in the standard text fonts (F0-F7, F9-F12); Cyrillic
// letters are written as one-byte codes of the font Cyrylica.
#pragma once

#include <string>
#include <vector>

#include "pdf/pdf_reply.hpp"

// The content of the page being built.
extern std::string actPdfContents;

// Empties the page content.
int initActPdfContents();

int addRectangle(std::string& buf, int x, int y, int w, int h);
int addFont(std::string& buf, const char* font, int size);
int textPositon(std::string& buf, int dx, int dy);
int setTextLeading(std::string& buf, int leading);

// Image /Im<n> scaled to w x h points, its right side x points from the right
// edge and its top y points below the top edge.
int pdf_append_img(int n, int x, int y, int w, int h);
int pdf_append_img_scale(int n, float x, float y, float w, float h, float b, float c);
// The logo /Im0 at half its pixel size, offset points further down.
int pdf_append_img_logo(int offset);

// A text block at x, y in the font and size given (see the .cpp).
int pdfContentsAppendText(std::string& buf, const char* text, int x, int y, const char* font,
                          int size);
// The block at x + (width - length x size / 2) / 2: each byte reckoned half
// the font size wide.
int pdfContentsAppendTextCenter(std::string& buf, const char* text, int x, int y,
                                const char* font, int size, int width);
// The text broken before the character that would make a line wider than
// max_width tenths of the font size, at most max_lines lines, as one block.
int pdfContentsAppendTextDivide(std::string& buf, const char* text, int x, int y,
                                const char* font, int size, int max_width, int max_lines);
// Width of the text in thousandths of the font size, by the ArialL2 widths of
// its letters without diacritics.
int pdf_text_width(const char* text);

// Empties the page and fills it with one page of fixed-width text lines.
int makePdfContents(const char* text);

// Writes the page texts as "wydruk.pdf" in the working directory and appends
// its bytes to the server's reply (reply is the reply buffer send_buf, whose
// length is *reply_len; nothing is appended when reply is null).  Sets the
// server's binary-reply flag on every call.  0; -1 when the file cannot be
// written, -2 when it cannot be read back (the reply is then left as it
// was), PDF_REPLY_TOO_BIG (-3) when it does not fit into the reply, which is
// then a page that says so.
int pdf_file(char* reply, int* reply_len, const char* const* page_texts, int n);
int pdf_file(char* reply, int* reply_len, const std::vector<std::string>& page_texts);

// Writes the page texts as "wydruk.pdf" and gives its bytes; 0, -1 or -2 as
// pdf_file.
int pdf_file_bytes(const char* const* page_texts, int n, std::string& bytes);

// Prepares the print command for a file and starts nothing; 0.
int spawnv_print(const char* path);
// Starts the print command for the file without waiting; its process id, or
// -1 when it cannot be started.
int spawnv_print1(const char* path);
