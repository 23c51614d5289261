// The PDF document writer.
//
// Every printout is a PDF 1.2 file: header, document information, the 14
// standard fonts and up to three embedded ones, JPEG images, one resources
// object shared by all pages, a content stream and a page object per page,
// the page tree, the catalog and the cross-reference table.  Lines end with
// a single CR; objects are numbered from 1 in the order they are written.
//
// One document is written at a time.  toPdf() writes a whole document from
// page texts; printouts with their own layout run the same steps themselves,
// in this order:
//
//   mediaBox = ...; PDF.obj_nr = 0; PDF.pages_count = n;
//   kal::PdfFile file(path);
//   pdf_write_header(file); pdf_write_info(file); pdf_write_fonts(file);
//   pdf_write_resources(file, barcode_number);
//   for each page i: fill actPdfContents, writeContents(file, i);
//   for each page i: writePage(file, i);
//   writePages(file); writeCatalog(file); writeXref(file);
//   file.commit();
//
// The resources object must be the last object before the first content
// stream, and the Pages object must directly follow the last page object.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kal {

// A PDF file being written.  The bytes are collected in memory and written
// whole by commit() through a temporary file that replaces the old file only
// when every write succeeded; a failed document never leaves a half-written
// file behind.  PDF is binary: nothing is converted.
class PdfFile {
 public:
  explicit PdfFile(std::string path = {}) : path_(std::move(path)) {}
  // The current position: the number of bytes written so far.
  uint32_t tell() const { return static_cast<uint32_t>(buf_.size()); }
  void write(std::string_view bytes) { buf_.append(bytes); }
  void write(const unsigned char* bytes, std::size_t n) {
    buf_.append(reinterpret_cast<const char*>(bytes), n);
  }
  // printf into the file; fmt is always a literal of the program.
  void printf(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  const std::string& bytes() const { return buf_; }
  const std::string& path() const { return path_; }
  // Writes the file; 0, or -1 with the reason in *err.
  int commit(std::string* err = nullptr) const;

 private:
  std::string path_;
  std::string buf_;
};

}  // namespace kal

// The writer's state for the document being written.  The tables grow as a
// document needs them, with the same numbering as the fixed tables of old.
struct PdfWriterState {
  std::vector<uint32_t> obj_offset;  // by object number; the xref offset at the object count
  int obj_nr = 0;                    // the number the next object gets
  int pages_count = 0;
  int last_offset = 0;  // offset of the last object of the header-side steps
  std::vector<uint32_t> contents_offset;  // by page index
  int pages_offset = 0;
  std::vector<uint32_t> page_offset;  // by page index
  int catalog_offset = 0;
  int xref_offset = 0;
  int resources_nr = 0;          // last header-side object: the resources object
  std::vector<uint32_t> font_nr;  // F0-F13, then CourierNewL2, ArialL2, Cyrylica when present
  std::vector<uint32_t> img_nr;   // 0 logo, 1-6 interleaved 2 of 5 pieces, 7-8 EAN-13 bars
  std::vector<uint32_t> contents_nr;  // by page index
  int pages_nr = 0;
  std::vector<uint32_t> page_nr;  // by page index
  int catalog_nr = 0;
  int xref_size = 0;
  std::string line;
  int margin = 0;  // page margin of the drawing operations; 30 once a document began
};

extern PdfWriterState PDF;

// Switches and logo settings (the settings step and the dispatcher set them).
extern int pdf_use_img_logo;
extern int pdf_use_img_rfid;
extern int pdf_add_font_CourierNewL2;
extern int pdf_add_font_ArialL2;
extern std::string pdf_logo_fname;  // "img\LOGO.JPG", relative to the working directory
extern int pdf_logo_width;
extern int pdf_logo_height;
extern int pdf_logo_pos_x;
extern int pdf_logo_pos_y;

// Page boxes {0, 0, width, height} in points.
using PdfBox = std::array<int, 4>;
extern PdfBox mediaBox;
extern const PdfBox mediaBoxA4;
extern const PdfBox mediaBoxA4LANDSCAPE;
extern const PdfBox mediaBox32x25;

extern const char pdfHeader[];
extern const char pdfInfo[];
extern const char baseFontNames[14][32];

// Writes a whole document of n page texts to path; 0, or -1 (with a message
// on the error stream) when the file cannot be written.
int toPdf(const char* path, const char* const* page_texts, int n);
int toPdf(const char* path, const std::vector<std::string>& page_texts);

int pdf_write_header(kal::PdfFile& file);
int pdf_write_info(kal::PdfFile& file);
int pdf_write_fonts(kal::PdfFile& file);
int pdf_write_resources(kal::PdfFile& file, int32_t number);
int writeContents(kal::PdfFile& file, int i);
int writePage(kal::PdfFile& file, int i);
int writePages(kal::PdfFile& file);
int writeCatalog(kal::PdfFile& file);
int writeXref(kal::PdfFile& file);
// Image XObject /Im<n> from a JPEG file (copied as it is) and its length object.
int pdf_write_img0(const char* path, kal::PdfFile& file, int n, int width, int height);
int pdf_barcode_resources(kal::PdfFile& file, int32_t number);
int pdf_ean13_resources(kal::PdfFile& file);
// Copies the bytes of the file at path and adds their number to *count;
// 0, or -1 when the file cannot be read.
int pdf_append_file(const char* path, unsigned long* count, kal::PdfFile& file);
int pdf_out(const char* text, kal::PdfFile& file);
// Copies a file like pdf_append_file and writes its bytes as a C array body
// into "a.c" in the working directory (a helper for making font tables).
int append_font_file0(const char* path, kal::PdfFile& file);
