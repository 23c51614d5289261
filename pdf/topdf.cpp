#include "pdf/topdf.hpp"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "lib/codepage.hpp"
#include "pdf/appendf.hpp"
#include "pdf/barcode.hpp"
#include "pdf/pdf_fonts.hpp"
#include "pdf/pdfpage.hpp"
#include "platform/paths.hpp"
#include "platform/textfile.hpp"
#include "server/oo_texts.hpp"

namespace kal {

void PdfFile::printf(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  vappendf(buf_, fmt, ap);
  va_end(ap);
}

int PdfFile::commit(std::string* err) const { return atomic_rewrite(path_, buf_, err); }

}  // namespace kal

PdfWriterState PDF;

int pdf_use_img_logo = 1;
int pdf_use_img_rfid = 1;
int pdf_add_font_CourierNewL2 = 1;
int pdf_add_font_ArialL2 = 1;
std::string pdf_logo_fname = "img\\LOGO.JPG";
int pdf_logo_width = 140;
int pdf_logo_height = 70;
int pdf_logo_pos_x = 50;
int pdf_logo_pos_y = 55;

PdfBox mediaBox = {0, 0, 595, 842};
const PdfBox mediaBoxA4 = {0, 0, 595, 842};
const PdfBox mediaBoxA4LANDSCAPE = {0, 0, 842, 595};
const PdfBox mediaBox32x25 = {0, 0, 120, 73};

const char pdfHeader[] = "%PDF-1.2\r%/235/244/255/224\r";

const char pdfInfo[] =
    "/Author ( \"BRENTAVIX\" Warszawa, Polska)\r"
    "/CreationDate (17.06.2013)\r"
    "/Producer (KALMITOR, www.brentavix.example)\r"
    "/Creator (KALMITOR.EXE)\r"
    "/Subject (KALMITOR serwis, naprawy)\r"
    "/Title (KALMITOR - program do obslugi serwisu, napraw)\r";

const char baseFontNames[14][32] = {
    "Courier",   "Courier-Bold",   "Courier-Oblique",   "Courier-BoldOblique",
    "Helvetica", "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-BoldOblique",
    "Symbol",    "Times-Roman",    "Times-Bold",        "Times-Italic",
    "Times-BoldItalic", "ZapfDingbats"};

const int pdf_font_ArialL2_widths[256] = {
    250, 250, 250, 250, 250, 333, 333, 250, 333, 250, 333, 333, 333, 250, 278, 250,
    250, 250, 250, 250, 250, 250, 250, 250, 250, 250, 250, 250, 250, 250, 250, 250,
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556,
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778,
    667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,
    333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,
    556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584, 250,
    250, 250, 222, 556, 333, 1000, 556, 556, 333, 1000, 667, 333, 1000, 250, 250, 250,
    250, 222, 222, 333, 333, 350, 556, 1000, 333, 1000, 500, 333, 944, 250, 250, 667,
    278, 667, 333, 556, 556, 556, 667, 556, 333, 667, 667, 611, 611, 333, 611, 611,
    400, 556, 333, 222, 333, 292, 500, 333, 333, 500, 500, 375, 500, 333, 500, 500,
    722, 667, 667, 667, 667, 556, 722, 722, 722, 667, 667, 667, 667, 278, 278, 722,
    722, 722, 722, 778, 778, 778, 778, 584, 722, 722, 722, 722, 722, 667, 611, 611,
    333, 556, 556, 556, 556, 222, 500, 500, 500, 556, 556, 556, 556, 278, 278, 615,
    556, 556, 556, 556, 556, 556, 556, 549, 333, 556, 556, 556, 556, 500, 278, 333,
};

namespace {

// The standard fonts that hold symbols, not letters: Symbol and ZapfDingbats.
constexpr int kSymbolFont = 8;
constexpr int kDingbatsFont = 13;

// Which embedded fonts the font step wrote, and their slots in PDF.font_nr.
struct EmbeddedFonts {
  int courier = -1;
  int arial = -1;
  int cyrylica = -1;
} embedded;

void store(std::vector<uint32_t>& table, int index, uint32_t value) {
  if (index < 0) return;
  if (table.size() <= static_cast<std::size_t>(index)) table.resize(static_cast<std::size_t>(index) + 1, 0);
  table[static_cast<std::size_t>(index)] = value;
}

uint32_t at(const std::vector<uint32_t>& table, int index) {
  return (index >= 0 && static_cast<std::size_t>(index) < table.size()) ? table[static_cast<std::size_t>(index)] : 0;
}

// Starts the next object: records its offset and writes "N 0 obj".  The
// objects of the header-side steps also become the last such object.
uint32_t begin_object(kal::PdfFile& file, bool header_side) {
  uint32_t off = file.tell();
  store(PDF.obj_offset, PDF.obj_nr, off);
  if (header_side) {
    PDF.last_offset = static_cast<int>(off);
    PDF.resources_nr = PDF.obj_nr;
  }
  file.printf("%i 0 obj\r", PDF.obj_nr);
  return off;
}

void end_object() { ++PDF.obj_nr; }

int courier_width(int code) {
  if (code <= 4 || code == 7 || code == 9 || code == 13 || (code >= 15 && code <= 31) ||
      (code >= 127 && code <= 129) || (code >= 141 && code <= 144) || code == 157 || code == 158)
    return 250;
  return 600;
}

void write_courier(kal::PdfFile& file) {
  int file_nr = PDF.obj_nr;
  begin_object(file, true);
  file.write(pdf_font_CourierNewL2, static_cast<std::size_t>(pdf_font_CourierNewL2_len));
  file.write("endobj\r");
  end_object();

  int desc_nr = PDF.obj_nr;
  begin_object(file, true);
  file.write("<</Type/FontDescriptor\r/Ascent 613\r/CapHeight 571\r/Descent -188\r/Flags 5\r"
             "/FontBBox[-32 -274 679 799]\r/FontName/CourierNewL2\r/ItalicAngle 0\r/StemV 75\r"
             "/XHeight 423\r");
  file.printf("/FontFile  %d 0 R\r", file_nr);
  file.write(">>\rendobj\r");
  end_object();

  embedded.courier = 14;
  store(PDF.font_nr, embedded.courier, static_cast<uint32_t>(PDF.obj_nr));
  begin_object(file, true);
  file.write("<</Type/Font\r/Subtype/Type1\r/FirstChar 0\r/LastChar 255\r/Widths[");
  for (int c = 0; c < 256; ++c) file.printf(c ? " %d" : "%d", courier_width(c));
  file.write("]\r/BaseFont/CourierNewL2\r");
  file.printf("/FontDescriptor %d 0 R\r", desc_nr);
  file.write(">>\rendobj\r");
  end_object();
}

void write_arial(kal::PdfFile& file, int slot) {
  int file_nr = PDF.obj_nr;
  begin_object(file, true);
  file.write(pdf_font_ArialL2, static_cast<std::size_t>(pdf_font_ArialL2_len));
  file.write("endobj\r");
  end_object();

  int desc_nr = PDF.obj_nr;
  begin_object(file, true);
  file.write("<<\r/Ascent  716\r/CapHeight  716\r/Descent  -199\r/Flags  4\r"
             "/FontBBox [-46 -283 1000 938]\r");
  file.printf("/FontFile  %d 0 R\r", file_nr);
  file.write("/FontName /ArialL2\r/ItalicAngle  0\r/StemV  75\r/Type /FontDescriptor\r"
             "/XHeight  519\r>>\rendobj\r");
  end_object();

  embedded.arial = slot;
  store(PDF.font_nr, slot, static_cast<uint32_t>(PDF.obj_nr));
  begin_object(file, true);
  file.write("<<\r/BaseFont /ArialL2\r/FirstChar 0  \r");
  file.printf("/FontDescriptor %d 0 R\r", desc_nr);
  file.write("/LastChar 255  \r/Name /ArialL2\r/Subtype /Type1\r/Type /Font\r/Widths[");
  for (int c = 0; c < 256; ++c) file.printf(c ? " %d" : "%d", pdf_font_ArialL2_widths[c]);
  file.write(" ]  \r>>\rendobj\r");
  end_object();
}

void write_cyrylica(kal::PdfFile& file, int slot) {
  int tounicode_nr = PDF.obj_nr;
  begin_object(file, true);
  file.write(pdf_font_Cyrylica_ToUnicode, static_cast<std::size_t>(pdf_font_Cyrylica_ToUnicode_len));
  file.write("\rendobj\r");
  end_object();

  int file_nr = PDF.obj_nr;
  begin_object(file, true);
  file.write(pdf_font_Cyrylica, static_cast<std::size_t>(pdf_font_Cyrylica_len));
  file.write("\rendobj\r");
  end_object();

  int desc_nr = PDF.obj_nr;
  begin_object(file, true);
  file.write("<</Type/FontDescriptor/FontName/EAAAAA+LinLibertine\r/Flags 4\r"
             "/FontBBox[-445 -312 6170 895]/ItalicAngle 0\r/Ascent 893\r/Descent -244\r"
             "/CapHeight 895\r/StemV 80\r");
  file.printf("/FontFile2 %d 0 R>> \r", file_nr);
  file.write("endobj\r");
  end_object();

  embedded.cyrylica = slot;
  store(PDF.font_nr, slot, static_cast<uint32_t>(PDF.obj_nr));
  begin_object(file, true);
  file.write("<</Type/Font/Subtype/TrueType/BaseFont/EAAAAA+LinLibertine\r/FirstChar 0\r"
             "/LastChar 255\r/Widths[");
  for (int c = 0; c < 256; ++c)
    file.printf(c % 16 == 15 ? "%d\r" : "%d ", pdf_font_Cyrylica_widths[c]);
  file.write("]\r");
  file.printf("/FontDescriptor %d 0 R\r", desc_nr);
  file.printf("/ToUnicode %d 0 R\r", tounicode_nr);
  file.write(">>\rendobj\r");
  end_object();
}

}  // namespace

int pdf_out(const char* text, kal::PdfFile& file) {
  if (text != nullptr) file.write(std::string_view(text));
  return 0;
}

int pdf_write_header(kal::PdfFile& file) {
  file.write(pdfHeader);
  return 0;
}

int pdf_write_info(kal::PdfFile& file) {
  PDF.obj_nr = 1;
  PDF.margin = 30;
  begin_object(file, true);
  file.write("<<\r");
  file.write(pdfInfo);
  file.write(">>\rendobj\r");
  end_object();
  return 0;
}

int pdf_write_fonts(kal::PdfFile& file) {
  embedded = EmbeddedFonts{};
  for (int i = 0; i < 14; ++i) {
    store(PDF.font_nr, i, static_cast<uint32_t>(PDF.obj_nr));
    begin_object(file, true);
    file.write("<<\r");
    file.printf("/BaseFont /%s\r", baseFontNames[i]);
    file.printf("/Name /F%i\r", i);
    // The text fonts draw Windows-1250, the program's own code page; the
    // two symbol fonts keep the plain encoding.
    if (i == kSymbolFont || i == kDingbatsFont) {
      file.write("/Encoding /WinAnsiEncoding\r");
    } else {
      file.write("/Encoding <</Type /Encoding /BaseEncoding /WinAnsiEncoding\r/Differences ");
      file.write(pdf_win1250_differences());
      file.write(">>\r");
    }
    file.write("/Subtype /Type1\r/Type /Font\r>>\rendobj\r");
    end_object();
  }
  int slot = 14;
  if (pdf_add_font_CourierNewL2) {
    write_courier(file);
    ++slot;
  }
  if (pdf_add_font_ArialL2) write_arial(file, slot++);
  if (oo_texts_get_lang() == 7) write_cyrylica(file, slot++);
  return 0;
}

int pdf_append_file(const char* path, unsigned long* count, kal::PdfFile& file) {
  std::string bytes;
  if (path == nullptr || kal::read_file(kal::unix_path(path), bytes) != 0) {
    std::fprintf(stderr, "pdf_append_file(): Can't open file \"%s\" to read binary !\n",
                 path ? path : "");
    return -1;
  }
  file.write(bytes);
  if (count) *count += bytes.size();
  return 0;
}

int append_font_file0(const char* path, kal::PdfFile& file) {
  std::string bytes;
  if (path == nullptr || kal::read_file(kal::unix_path(path), bytes) != 0) {
    std::fprintf(stderr, "Can't open file \"%s\" to read binary !\n", path ? path : "");
    return -1;
  }
  file.write(bytes);
  std::string listing;
  char num[16];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i % 20 == 0) listing += '\n';
    std::snprintf(num, sizeof num, ",%3d", static_cast<unsigned char>(bytes[i]));
    listing += num;
  }
  kal::write_text_file("a.c", listing);
  return 0;
}

int pdf_write_img0(const char* path, kal::PdfFile& file, int n, int width, int height) {
  store(PDF.img_nr, n, static_cast<uint32_t>(PDF.obj_nr));
  begin_object(file, true);
  file.write("<<\r/Type /XObject\r/Subtype /Image\r");
  file.printf("/Name /Im%d\r", n);
  file.printf("/Width %d\r", width);
  file.printf("/Height %d\r", height);
  file.write("/BitsPerComponent 8\r/ColorSpace /DeviceRGB\r");
  file.printf("/Length %d 0 R \r", PDF.obj_nr + 1);
  file.write("/Filter /DCTDecode\r>>\rstream\r");
  unsigned long count = 0;
  pdf_append_file(path, &count, file);  // a missing picture leaves an empty image
  file.write("\rendstream\rendobj\r");
  end_object();

  begin_object(file, true);
  file.printf("%lu\r", count);
  file.write("endobj\r");
  end_object();
  return 0;
}

int pdf_barcode_resources(kal::PdfFile& file, int32_t number) {
  if (pdf_use_img_rfid != 1) return 0;
  std::string text = barcode_i25_9999999c(number);
  const char* pairs[4] = {barcode_i25_1(text.c_str()), barcode_i25_2(text.c_str()),
                          barcode_i25_3(text.c_str()), barcode_i25_4(text.c_str())};
  pdf_write_img0("img\\barcode\\start.jpg", file, 1, 8, 50);
  for (int k = 0; k < 4; ++k) {
    std::string path = std::string("img\\barcode\\") + pairs[k] + ".jpg";
    pdf_write_img0(path.c_str(), file, 2 + k, 28, 50);
  }
  pdf_write_img0("img\\barcode\\end.jpg", file, 6, 8, 50);
  return 0;
}

int pdf_ean13_resources(kal::PdfFile& file) {
  if (pdf_use_img_rfid != 1) return 0;
  pdf_write_img0("img\\barcode\\1.jpg", file, 7, 1, 40);
  pdf_write_img0("img\\barcode\\1a.jpg", file, 8, 1, 48);
  return 0;
}

int pdf_write_resources(kal::PdfFile& file, int32_t number) {
  if (pdf_use_img_logo == 1)
    pdf_write_img0(pdf_logo_fname.c_str(), file, 0, pdf_logo_width, pdf_logo_height);
  pdf_barcode_resources(file, number);
  pdf_ean13_resources(file);

  begin_object(file, true);
  file.write("<<\r/Font <<\r");
  for (int i = 0; i < 14; ++i) file.printf("/F%i %i 0 R\r", i, static_cast<int>(at(PDF.font_nr, i)));
  if (embedded.courier >= 0)
    file.printf("/CourierNewL2 %i 0 R\r", static_cast<int>(at(PDF.font_nr, embedded.courier)));
  if (embedded.arial >= 0)
    file.printf("/ArialL2 %i 0 R\r", static_cast<int>(at(PDF.font_nr, embedded.arial)));
  if (embedded.cyrylica >= 0)
    file.printf("/Cyrylica %i 0 R\r", static_cast<int>(at(PDF.font_nr, embedded.cyrylica)));
  file.write(">>\r");
  if (pdf_use_img_logo == 1) {
    file.write("/ProcSet [/PDF /Text /ImageC]\r/XObject <<\r");
    int last = pdf_use_img_rfid == 1 ? 8 : 0;
    for (int n = 0; n <= last; ++n) file.printf("/Im%i %i 0 R\r", n, static_cast<int>(at(PDF.img_nr, n)));
    file.write(">>\r");
  } else {
    file.write("/ProcSet [/PDF /Text]\r");
  }
  file.write(">>\rendobj\r");
  end_object();
  return 0;
}

int writeContents(kal::PdfFile& file, int i) {
  uint32_t off = file.tell();
  store(PDF.contents_offset, i, off);
  store(PDF.contents_nr, i, static_cast<uint32_t>(PDF.obj_nr));
  begin_object(file, false);
  file.printf("<<\r/Length %li\r>>\r", static_cast<long>(actPdfContents.size()));
  file.write("stream\r");
  file.write(actPdfContents);
  file.write("endstream\rendobj\r");
  end_object();
  return 0;
}

int writePage(kal::PdfFile& file, int i) {
  uint32_t off = file.tell();
  store(PDF.page_offset, i, off);
  store(PDF.page_nr, i, static_cast<uint32_t>(PDF.obj_nr));
  int own = PDF.obj_nr;
  begin_object(file, false);
  file.write("<<\r");
  file.printf("/Contents %i 0 R\r", static_cast<int>(at(PDF.contents_nr, i)));
  file.printf("/MediaBox [0 0 %i %i]\r", mediaBox[2], mediaBox[3]);
  file.printf("/Parent %i 0 R\r", own - i + PDF.pages_count);
  file.printf("/Resources %i 0 R\r", PDF.resources_nr);
  file.write("/Type /Page\r>>\rendobj\r");
  end_object();
  return 0;
}

int writePages(kal::PdfFile& file) {
  PDF.pages_offset = static_cast<int>(file.tell());
  PDF.pages_nr = PDF.obj_nr;
  begin_object(file, false);
  file.write("<<\r");
  file.printf("/Count %i.0\r", PDF.pages_count);
  file.write("/Kids [");
  for (int i = 0; i < PDF.pages_count; ++i) file.printf("%i 0 R ", static_cast<int>(at(PDF.page_nr, i)));
  file.write("]\r/Type /Pages\r>>\rendobj\r");
  end_object();
  return 0;
}

int writeCatalog(kal::PdfFile& file) {
  PDF.catalog_offset = static_cast<int>(file.tell());
  PDF.catalog_nr = PDF.obj_nr;
  begin_object(file, false);
  file.write("<<\r");
  file.printf("/Pages %i 0 R\r", PDF.pages_nr);
  file.write("/Type /Catalog\r>>\rendobj\r");
  end_object();
  return 0;
}

int writeXref(kal::PdfFile& file) {
  int n = PDF.obj_nr;
  PDF.xref_size = n;
  uint32_t off = file.tell();
  PDF.xref_offset = static_cast<int>(off);
  store(PDF.obj_offset, n, off);
  file.write("xref\r");
  file.printf("0 %i\r", n);
  file.write("0000000000 65535 f \r");
  for (int k = 1; k < n; ++k) file.printf("%010li 00000 n \r", static_cast<long>(at(PDF.obj_offset, k)));
  file.write("trailer\r<<\r/Info 1 0 R\r");
  file.printf("/Root %i 0 R\r", n - 1);
  file.printf("/Size %i\r>>\rstartxref\r%li\r%%%%EOF", n, static_cast<long>(off));
  return 0;
}

int toPdf(const char* path, const char* const* page_texts, int n) {
  if (n < 0) n = 0;
  mediaBox = mediaBoxA4;
  PDF.pages_count = n;
  PDF.obj_nr = 0;
  kal::PdfFile file(path ? path : "");
  pdf_write_header(file);
  pdf_write_info(file);
  pdf_write_fonts(file);
  pdf_write_resources(file, 0);
  for (int i = 0; i < n; ++i) {
    makePdfContents(page_texts && page_texts[i] ? page_texts[i] : "");
    writeContents(file, i);
  }
  for (int i = 0; i < n; ++i) writePage(file, i);
  writePages(file);
  writeCatalog(file);
  writeXref(file);
  if (path == nullptr || file.commit() != 0) {
    std::fprintf(stderr, "toPdf0(): Can't open file %s\n", path ? path : "");
    return -1;
  }
  return 0;
}

int toPdf(const char* path, const std::vector<std::string>& page_texts) {
  std::vector<const char*> ptrs;
  ptrs.reserve(page_texts.size());
  for (const std::string& t : page_texts) ptrs.push_back(t.c_str());
  return toPdf(path, ptrs.data(), static_cast<int>(ptrs.size()));
}
