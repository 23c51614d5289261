#include "pdf/pdfpage.hpp"

#include <spawn.h>
#include <sys/types.h>

#include <charconv>
#include <cstdio>
#include <cstring>

#include "lib/codepage.hpp"
#include "pdf/appendf.hpp"
#include "pdf/pdf_fonts.hpp"
#include "pdf/pdf_reply.hpp"
#include "server/serv.hpp"
#include "pdf/topdf.hpp"
#include "platform/textfile.hpp"
#include "server/oo_texts.hpp"

extern char** environ;

std::string actPdfContents;

namespace {

constexpr std::size_t kContentsSize = 1000000;
constexpr char kPdfFileName[] = "wydruk.pdf";
constexpr char kCyrylica[] = "Cyrylica";
constexpr int kRussian = 7;

int page_width() { return mediaBox[2]; }
int page_height() { return mediaBox[3]; }

using kal::appendf;

// "%f" of the C locale, whatever locale the process runs in.
std::string fixed6(double v) {
  char s[64];
  auto r = std::to_chars(s, s + sizeof s, v, std::chars_format::fixed, 6);
  return std::string(s, r.ptr);
}

// One text block: leading, start position, then the text line by line as
// strings shown with Tj.  In the Russian UI the font switches between the
// given one and Cyrylica wherever the kind of letter changes.  Every other
// letter is written in the code page of the given font.
void text_block(std::string& buf, const char* text, int leading, int tx, int ty,
                const char* font, int size) {
  if (text == nullptr) text = "";
  if (font == nullptr) font = "";
  const PdfFontCodes codes = pdf_font_codes(font);
  const bool russian = oo_texts_get_lang() == kRussian;
  bool cyr = russian && is_cyrylica(text) != 0;

  buf += "BT\r";
  appendf(buf, "%i TL\r", leading);
  appendf(buf, "%i %i Td\r", tx, ty);
  appendf(buf, " /%s %i Tf\r", cyr ? kCyrylica : font, size);
  buf += "T* (";
  const char* p = text;
  const char* const end = text + std::strlen(text);
  while (*p != '\0') {
    if (*p == '\n') {
      buf += ") Tj\rT* (";
      ++p;
      continue;
    }
    int c = is_cyrylica(p);
    int ref_len = 0;
    char ref = is_html_char(p, &ref_len);
    if (russian && (c != 0) != cyr) {
      cyr = c != 0;
      buf += ") Tj\r";
      appendf(buf, " /%s %i Tf\r", cyr ? kCyrylica : font, size);
      buf += " (";
    }
    if (c != 0) {
      if (c == 0x5C)
        buf += "\\\\";
      else
        buf += static_cast<char>(c);
      p += 2;
    } else if (ref != 0) {
      buf += ref;
      p += ref_len;
    } else {
      std::size_t length = 1;
      const unsigned code = win_char(p, static_cast<std::size_t>(end - p), &length);
      const char glyph = pdf_font_glyph(code, codes);
      if (glyph == '\\' || glyph == '(' || glyph == ')') buf += '\\';
      buf += glyph;
      p += length == 0 ? 1 : length;
    }
  }
  buf += ") Tj\rET\r";
}

}  // namespace

int initActPdfContents() {
  static bool allocated = false;
  if (!allocated) {
    actPdfContents.reserve(kContentsSize);
    allocated = true;
  }
  actPdfContents.clear();
  return 0;
}

int addRectangle(std::string& buf, int x, int y, int w, int h) {
  appendf(buf, "%i %i %i %i re\r", PDF.margin + x + 20, page_height() - PDF.margin - y, w, h);
  return 0;
}

int addFont(std::string& buf, const char* font, int size) {
  appendf(buf, " /%s %i Tf\r", font ? font : "", size);
  return 0;
}

int textPositon(std::string& buf, int dx, int dy) {
  appendf(buf, "%i %i Td\r", dx, dy);
  return 0;
}

int setTextLeading(std::string& buf, int leading) {
  appendf(buf, "%i TL\r", leading);
  return 0;
}

int pdf_append_img(int n, int x, int y, int w, int h) {
  appendf(actPdfContents, "q %d %d %d %d %d %d cm /Im%d Do Q\r", w, 0, 0, h,
          page_width() - w - x, page_height() - h - y, n);
  return 0;
}

int pdf_append_img_scale(int n, float x, float y, float w, float h, float b, float c) {
  const float W = static_cast<float>(page_width());
  const float H = static_cast<float>(page_height());
  actPdfContents += "q " + fixed6(w) + " " + fixed6(b) + " " + fixed6(c) + " " + fixed6(h) + " " +
                    fixed6(W - w - x) + " " + fixed6(H - h - y) + " cm ";
  appendf(actPdfContents, "/Im%d Do Q\r", n);
  return 0;
}

int pdf_append_img_logo(int offset) {
  appendf(actPdfContents, "q %d %d %d %d %d %d cm /Im0 Do Q\r", pdf_logo_width / 2, 0, 0,
          pdf_logo_height / 2, page_width() - pdf_logo_width - pdf_logo_pos_x,
          page_height() - offset - pdf_logo_height - pdf_logo_pos_y);
  return 0;
}

int pdfContentsAppendText(std::string& buf, const char* text, int x, int y, const char* font,
                          int size) {
  text_block(buf, text, size / 10 + size + 1, PDF.margin + x + 20, page_height() - PDF.margin - y,
             font, size);
  return 0;
}

int pdfContentsAppendTextCenter(std::string& buf, const char* text, int x, int y,
                                const char* font, int size, int width) {
  int len = text ? static_cast<int>(std::strlen(text)) : 0;
  return pdfContentsAppendText(buf, text, x + (width - len * size / 2) / 2, y, font, size);
}

int pdf_text_width(const char* text) {
  if (text == nullptr) return 0;
  std::string copy = text;
  repl_win2none(copy);
  int sum = 0;
  for (char c : copy) sum += pdf_font_ArialL2_widths[static_cast<unsigned char>(c)];
  return sum;
}

int pdfContentsAppendTextDivide(std::string& buf, const char* text, int x, int y,
                                const char* font, int size, int max_width, int max_lines) {
  std::string wrapped;
  std::string line;
  int breaks = 0;
  for (const char* p = text ? text : ""; *p != '\0'; ++p) {
    wrapped += *p;
    line += *p;
    if (pdf_text_width(line.c_str()) / 100 > max_width) {
      ++breaks;
      if (breaks >= max_lines) {
        wrapped.pop_back();
        break;
      }
      wrapped.back() = '\n';
      wrapped += *p;
      line.assign(1, *p);
    }
  }
  return pdfContentsAppendText(buf, wrapped.c_str(), x, y, font, size);
}

int makePdfContents(const char* text) {
  initActPdfContents();
  if (pdf_use_img_logo == 1) pdf_append_img_logo(0);
  text_block(actPdfContents, text, 10, 50, page_height() - 30, "CourierNewL2", 10);
  return 0;
}

namespace {

int write_pdf_file(const char* const* page_texts, int n) {
  if (toPdf(kPdfFileName, page_texts, n) != 0) {
    const char* first = (page_texts && n > 0 && page_texts[0]) ? page_texts[0] : "";
    std::fprintf(stderr, "ERROR in toPdf(\"%s\",\"%s\");\n", kPdfFileName, first);
    return -1;
  }
  return 0;
}

int read_pdf_file(std::string& bytes) {
  if (kal::read_file(kPdfFileName, bytes) != 0) {
    std::fprintf(stderr, "pdf_file(): ERROR Can't open file '%s' to read binary !\n", kPdfFileName);
    return -2;
  }
  return 0;
}

}  // namespace

int pdf_file_bytes(const char* const* page_texts, int n, std::string& bytes) {
  int rc = write_pdf_file(page_texts, n);
  return rc != 0 ? rc : read_pdf_file(bytes);
}

int pdf_file(char* reply, int* /*reply_len*/, const char* const* page_texts, int n) {
  bin_file_flag = 1;
  if (int rc = write_pdf_file(page_texts, n); rc != 0) return rc;
  if (reply == nullptr) return 0;
  std::string bytes;
  if (int rc = read_pdf_file(bytes); rc != 0) return rc;
  return pdf_reply_append(bytes);
}

int pdf_file(char* reply, int* reply_len, const std::vector<std::string>& page_texts) {
  std::vector<const char*> ptrs;
  ptrs.reserve(page_texts.size());
  for (const std::string& t : page_texts) ptrs.push_back(t.c_str());
  return pdf_file(reply, reply_len, ptrs.data(), static_cast<int>(ptrs.size()));
}

// Printing goes through the system's print spooler client "lp".
namespace {
constexpr char kPrintCommand[] = "lp";
}

int spawnv_print(const char* /*path*/) {
  // Only prepared: the file is printed from the browser, nothing is started.
  std::printf("spawnv_print() pid=%d\n", 0);
  return 0;
}

int spawnv_print1(const char* path) {
  char* argv[] = {const_cast<char*>(kPrintCommand), const_cast<char*>(path ? path : ""), nullptr};
  pid_t pid = -1;
  if (posix_spawnp(&pid, kPrintCommand, nullptr, nullptr, argv, environ) != 0) pid = -1;
  std::printf("spawnv_print() pid=%d\n", static_cast<int>(pid));
  return static_cast<int>(pid);
}
