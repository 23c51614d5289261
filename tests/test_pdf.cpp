// The PDF writer and page content, checked byte by byte where the layout is
// fixed and with real readers (qpdf, pdftotext, pdffonts, pdfimages) for the
// files as a whole.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <sys/wait.h>
#include <regex>
#include <string>
#include <vector>

#include "lib/codepage.hpp"
#include "pdf/pdf_reply.hpp"
#include "pdf/pdfpage.hpp"
#include "server/serv.hpp"
#include "pdf/topdf.hpp"
#include "server/oo_texts.hpp"
#include "tests/pdf_testutil.hpp"

using kaltest::PdfSwitches;
using kaltest::WorkDir;
using PageFn = std::function<void()>;

namespace {

std::string u8s(const char8_t* s) { return std::string(reinterpret_cast<const char*>(s)); }

// The cross-reference table of a file, read the way a reader finds it.
struct Xref {
  long startxref = -1;
  int size = -1;
  std::vector<long> offsets;  // by object number; [0] unused
  int root = -1;
  std::string error;
};

Xref read_xref(const std::string& pdf) {
  Xref x;
  std::size_t s = pdf.rfind("startxref\r");
  if (s == std::string::npos) {
    x.error = "no startxref";
    return x;
  }
  x.startxref = std::strtol(pdf.c_str() + s + 10, nullptr, 10);
  if (pdf.compare(static_cast<std::size_t>(x.startxref), 5, "xref\r") != 0) {
    x.error = "startxref does not point at xref";
    return x;
  }
  const char* p = pdf.c_str() + x.startxref + 5;
  char* end;
  long first = std::strtol(p, &end, 10);
  x.size = static_cast<int>(std::strtol(end, &end, 10));
  if (first != 0 || *end != '\r') {
    x.error = "bad subsection header";
    return x;
  }
  const char* entries = end + 1;
  if (std::string(entries, 20) != "0000000000 65535 f \r") x.error = "bad free entry";
  x.offsets.assign(static_cast<std::size_t>(x.size), 0);
  for (int k = 1; k < x.size; ++k) {
    std::string e(entries + 20 * k, 20);
    if (!std::regex_match(e, std::regex("[0-9]{10} 00000 n \r"))) x.error = "bad entry " + std::to_string(k);
    x.offsets[static_cast<std::size_t>(k)] = std::strtol(e.c_str(), nullptr, 10);
  }
  std::smatch m;
  std::string tail = pdf.substr(static_cast<std::size_t>(x.startxref));
  if (std::regex_search(tail, m, std::regex("/Root ([0-9]+) 0 R\r"))) x.root = std::stoi(m[1]);
  return x;
}

// The text of object k from its offset up to its "endobj".
std::string object_text(const std::string& pdf, const Xref& x, int k) {
  std::size_t off = static_cast<std::size_t>(x.offsets[static_cast<std::size_t>(k)]);
  std::size_t end = pdf.find("endobj\r", off);
  return pdf.substr(off, end == std::string::npos ? std::string::npos : end + 7 - off);
}

std::string write_and_read(const std::vector<std::string>& pages, const char* name = "doc.pdf") {
  EXPECT_EQ(toPdf(name, pages), 0);
  return kaltest::read_bytes(name);
}

}  // namespace

// --- page content --------------------------------------------------------------

class PdfPage : public PdfSwitches {};

TEST_F(PdfPage, PageFromText) {
  makePdfContents("");
  EXPECT_EQ(actPdfContents,
            "q 70 0 0 35 405 717 cm /Im0 Do Q\r"
            "BT\r10 TL\r50 812 Td\r /CourierNewL2 10 Tf\rT* () Tj\rET\r");
  makePdfContents("ab\ncd");
  EXPECT_EQ(actPdfContents,
            "q 70 0 0 35 405 717 cm /Im0 Do Q\r"
            "BT\r10 TL\r50 812 Td\r /CourierNewL2 10 Tf\rT* (ab) Tj\rT* (cd) Tj\rET\r");
  pdf_use_img_logo = 0;
  makePdfContents("x");
  EXPECT_EQ(actPdfContents, "BT\r10 TL\r50 812 Td\r /CourierNewL2 10 Tf\rT* (x) Tj\rET\r");
}

// The strings a text block shows, by UI language and font: escapes,
// character references, the code page of the font (Latin-2 in the embedded
// fonts, Windows-1250 in the standard ones) and the Cyrylica font.
TEST_F(PdfPage, TextBlockStrings) {
  struct Case {
    int lang;
    const char* font;
    std::string text;
    std::string shown;  // what follows the first font operator
  } cases[] = {
      {0, "F4", "a\\b(c)", "T* (a\\\\b\\(c\\)) Tj\r"},
      {0, "F4", "&#8222;x&#8221; &#169; &#8211; &amp;", "T* (\"x\" c - &amp;) Tj\r"},
      // The Polish letters whose codes differ in Latin-2, in every UI.
      {0, "ArialL2", "\xB9\x9C\x9F\xA5\x8C\x8F\xEA\xF3", "T* (\xB1\xB6\xBC\xA1\xA6\xAC\xEA\xF3) Tj\r"},
      {1, "CourierNewL2", "\xB9\x9C\x9F\xA5\x8C\x8F\xEA\xF3", "T* (\xB1\xB6\xBC\xA1\xA6\xAC\xEA\xF3) Tj\r"},
      {7, "ArialL2", "\xB9\x9C\x9F\xA5\x8C\x8F\xEA\xF3", "T* (\xB1\xB6\xBC\xA1\xA6\xAC\xEA\xF3) Tj\r"},
      // The Czech ones, and a Polish ą in the Czech UI.
      {3, "ArialL2", "\xB9\x9A\x9D\x9E\x8A\x8D\x8E\xE8", "T* (\xB1\xB9\xBB\xBE\xA9\xAB\xAE\xE8) Tj\r"},
      // Signs Latin-2 lacks become look-alikes; the Windows quotes stay.
      {0, "ArialL2", "\x84x\x94 \xA9\xAB\xBB\x80\xB1\x81", "T* (\x84x\x94 c\"\"E+?) Tj\r"},
      // The standard fonts draw Windows-1250 as it is.
      {0, "F4", "\xB9\x9C\x9F\xA5\x8C\x8F\xB3\xBF", "T* (\xB9\x9C\x9F\xA5\x8C\x8F\xB3\xBF) Tj\r"},
      {4, "F4", "\xA3\xCA\xE9\xE7\x81", "T* (\xA3\xCA\xE9\xE7?) Tj\r"},
      // The Spanish texts' º and ñ (UTF-8 in its UI): the standard fonts keep
      // them at 0x81 and 0x83, the Latin-2 fonts show look-alikes; the byte
      // 0xBA is the data's ş in every UI, 0xF1 its ń.
      {6, "F4", "n.\xC2\xBA a\xC3\xB1o \xF1\xBA", "T* (n.\x81 a\x83o \xF1\xBA) Tj\r"},
      {6, "CourierNewL2", "n.\xC2\xBA a\xC3\xB1o \xF1\xBA", "T* (n.\xB0 ano \xF1\xBA) Tj\r"},
      {0, "F4", "\xBA", "T* (\xBA) Tj\r"},
      {0, "F4", "a\nb\n", "T* (a) Tj\rT* (b) Tj\rT* () Tj\r"},
      // Russian UI: the font follows the kind of letter, on the same line;
      // В is code 0x5C and needs its backslash, х is 0xD4.
      {7, "F4", "ab " + u8s(u8"Вх") + "\ncd",
       "T* (ab ) Tj\r /Cyrylica 10 Tf\r (\\\\\xD4) Tj\rT* () Tj\r /F4 10 Tf\r (cd) Tj\r"},
      // Other UIs keep the given font and write the Cyrylica codes as bytes.
      {2, "F4", "ab " + u8s(u8"Вх"), "T* (ab \\\\\xD4) Tj\r"},
      // A lone UTF-8 lead byte or a letter outside the alphabet is not
      // Cyrillic: its bytes go out one by one.
      {7, "F4", u8s(u8"Ѕ"), "T* (\xD0\x85) Tj\r"},
  };
  for (const auto& c : cases) {
    oo_texts_set_lang(c.lang);
    std::string buf;
    pdfContentsAppendText(buf, c.text.c_str(), 10, 20, c.font, 10);
    std::string head = std::string("BT\r12 TL\r60 792 Td\r /") + c.font + " 10 Tf\r";
    ASSERT_EQ(buf.substr(0, head.size()), head) << c.text;
    EXPECT_EQ(buf.substr(head.size()), c.shown + "ET\r") << "lang " << c.lang << " " << c.font << ": " << c.text;
  }
  // A Russian text that begins with a Cyrillic letter starts in Cyrylica.
  oo_texts_set_lang(7);
  std::string buf;
  pdfContentsAppendText(buf, (u8s(u8"Я") + "a").c_str(), 0, 0, "ArialL2", 12);
  EXPECT_EQ(buf, "BT\r14 TL\r50 812 Td\r /Cyrylica 12 Tf\rT* (\x79) Tj\r /ArialL2 12 Tf\r (a) Tj\rET\r");
}

TEST_F(PdfPage, PlacementOperators) {
  std::string buf;
  pdfContentsAppendTextCenter(buf, "0123456789", 10, 0, "F0", 12, 170);
  EXPECT_NE(buf.find("115 812 Td\r"), std::string::npos) << buf;  // 30 + 65 + 20

  buf.clear();
  addRectangle(buf, 10, 20, 100, 0);
  addFont(buf, "F1", 9);
  textPositon(buf, -3, 4);
  setTextLeading(buf, 11);
  EXPECT_EQ(buf, "60 792 100 0 re\r /F1 9 Tf\r-3 4 Td\r11 TL\r");

  initActPdfContents();
  pdf_append_img(7, 10, 20, 1, 40);
  pdf_append_img_scale(1, 10, 20, 30, 40, 0.5f, 0);
  pdf_append_img_logo(100);
  EXPECT_EQ(actPdfContents,
            "q 1 0 0 40 584 782 cm /Im7 Do Q\r"
            "q 30.000000 0.500000 0.000000 40.000000 555.000000 782.000000 cm /Im1 Do Q\r"
            "q 70 0 0 35 405 617 cm /Im0 Do Q\r");
  // The small label page of the repair printouts.
  mediaBox = mediaBox32x25;
  initActPdfContents();
  pdf_append_img(8, 0, 0, 1, 48);
  EXPECT_EQ(actPdfContents, "q 1 0 0 48 119 25 cm /Im8 Do Q\r");
}

TEST_F(PdfPage, TextWidthAndWrapping) {
  EXPECT_EQ(pdf_text_width("Zażółć gęślą jaźń"), pdf_text_width("Zazolc gesla jazn"));
  EXPECT_EQ(pdf_text_width("\x85"), 1000);  // a byte above 127 has its own width
  EXPECT_EQ(pdf_text_width("\xE9"), 556);
  EXPECT_EQ(pdf_text_width("W"), 944);
  EXPECT_EQ(pdf_text_width(""), 0);

  struct Case {
    const char* text;
    int max_width, max_lines;
    std::string shown;
  } cases[] = {
      // 'a' is 556 wide: one, two, three letters measure 5, 11, 16 tenths.
      {"aaaaa", 12, 3, "T* (aa) Tj\rT* (aa) Tj\rT* (a) Tj\r"},
      {"aaaaa", 12, 2, "T* (aa) Tj\rT* (aa) Tj\r"},
      {"aaaaa", 12, 1, "T* (aa) Tj\r"},
      {"aaaaa", 100, 1, "T* (aaaaa) Tj\r"},
      // A line end of the text is kept but does not start a new measure.
      {"a\naa", 12, 3, "T* (a) Tj\rT* () Tj\rT* (aa) Tj\r"},
  };
  for (const auto& c : cases) {
    std::string buf;
    pdfContentsAppendTextDivide(buf, c.text, 0, 0, "F4", 10, c.max_width, c.max_lines);
    std::string head = "BT\r12 TL\r50 812 Td\r /F4 10 Tf\r";
    EXPECT_EQ(buf, head + c.shown + "ET\r") << c.text << " " << c.max_width << "/" << c.max_lines;
  }
}

// --- the document ----------------------------------------------------------------

class PdfDocument : public PdfSwitches {};

// Both Latin-2 fonts, logo, barcode images, Polish UI, two pages.
TEST_F(PdfDocument, UsualDocumentLayout) {
  WorkDir wd;
  std::string pdf = write_and_read({"page one", "page two"});
  EXPECT_EQ(pdf.substr(0, 27), "%PDF-1.2\r%/235/244/255/224\r");
  ASSERT_GE(pdf.size(), 5u);
  EXPECT_EQ(pdf.substr(pdf.size() - 6), "\r%%EOF");

  Xref x = read_xref(pdf);
  ASSERT_EQ(x.error, "");
  EXPECT_EQ(x.size, 47);
  EXPECT_EQ(x.root, 46);
  EXPECT_NE(pdf.find("/Size 47\r>>\rstartxref\r" + std::to_string(x.startxref) + "\r%%EOF"),
            std::string::npos);
  for (int k = 1; k < x.size; ++k)
    EXPECT_EQ(pdf.compare(static_cast<std::size_t>(x.offsets[k]), std::to_string(k).size() + 7,
                          std::to_string(k) + " 0 obj\r"),
              0)
        << "object " << k;

  std::map<int, std::string> expect = {
      {1, "/Title (KALMITOR - program do obslugi serwisu, napraw)\r"},
      {2, "/BaseFont /Courier\r/Name /F0\r/Encoding <</Type /Encoding /BaseEncoding /WinAnsiEncoding\r"
          "/Differences [129 /ordmasculine 131 /ntilde 136 /Ntilde 140 /Sacute /Tcaron 143 /Zacute 156 /sacute /tcaron 159 /zacute "},
      {10, "/BaseFont /Symbol\r/Name /F8\r/Encoding /WinAnsiEncoding\r"},
      {15, "/BaseFont /ZapfDingbats\r/Name /F13\r"},
      {16, "/Length1 "},
      {17, "/FontName/CourierNewL2\r/ItalicAngle 0\r/StemV 75\r/XHeight 423\r/FontFile  16 0 R\r"},
      {18, "/Widths[250 250 250 250 250 600 600 250 600 250 600 600 600 250 600 250 250"},
      {19, "/Length1 "},
      {20, "/FontFile  19 0 R\r/FontName /ArialL2\r"},
      {21, "/Widths[250 250 250 250 250 333 333 250 333 250 333 333 333 250 278 250 250"},
      {22, "/Name /Im0\r/Width 140\r/Height 70\r/BitsPerComponent 8\r/ColorSpace /DeviceRGB\r"
           "/Length 23 0 R \r/Filter /DCTDecode\r>>\rstream\r\xFF\xD8"},
      {24, "/Name /Im1\r/Width 8\r/Height 50\r"},
      {26, "/Name /Im2\r/Width 28\r/Height 50\r"},
      {34, "/Name /Im6\r/Width 8\r/Height 50\r"},
      {36, "/Name /Im7\r/Width 1\r/Height 40\r"},
      {38, "/Name /Im8\r/Width 1\r/Height 48\r"},
      {40, "/F0 2 0 R\r"},
      {41, "<<\r/Length "},
      {43, "<<\r/Contents 41 0 R\r/MediaBox [0 0 595 842]\r/Parent 45 0 R\r/Resources 40 0 R\r"
           "/Type /Page\r>>\rendobj\r"},
      {44, "/Contents 42 0 R\r/MediaBox [0 0 595 842]\r/Parent 45 0 R\r"},
      {45, "<<\r/Count 2.0\r/Kids [43 0 R 44 0 R ]\r/Type /Pages\r>>\rendobj\r"},
      {46, "<<\r/Pages 45 0 R\r/Type /Catalog\r>>\rendobj\r"},
  };
  for (const auto& [k, text] : expect)
    EXPECT_NE(object_text(pdf, x, k).find(text), std::string::npos) << "object " << k;
  EXPECT_NE(object_text(pdf, x, 40).find("/F13 15 0 R\r/CourierNewL2 18 0 R\r/ArialL2 21 0 R\r>>\r"
                                         "/ProcSet [/PDF /Text /ImageC]\r/XObject <<\r/Im0 22 0 R\r"
                                         "/Im1 24 0 R\r/Im2 26 0 R\r/Im3 28 0 R\r/Im4 30 0 R\r"
                                         "/Im5 32 0 R\r/Im6 34 0 R\r/Im7 36 0 R\r/Im8 38 0 R\r>>\r>>\r"),
            std::string::npos);

  // The length objects hold the bytes copied from each JPEG.
  std::string logo = kaltest::read_bytes("img/LOGO.JPG");
  EXPECT_EQ(object_text(pdf, x, 23), "23 0 obj\r" + std::to_string(logo.size()) + "\rendobj\r");
  EXPECT_NE(object_text(pdf, x, 22).find(logo + "\rendstream\rendobj\r"), std::string::npos);
  // Every pair image of the number 0 is "00".
  std::string pair00 = kaltest::read_bytes("img/barcode/00.jpg");
  for (int k : {26, 28, 30, 32}) EXPECT_NE(object_text(pdf, x, k).find(pair00), std::string::npos);

  // A content stream's length counts the page text, which ends with CR.
  std::string c41 = object_text(pdf, x, 41);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(c41, m, std::regex("/Length ([0-9]+)\r>>\rstream\r")));
  std::size_t len = std::stoul(m[1]);
  std::size_t data = c41.find("stream\r") + 7;
  EXPECT_EQ(c41.substr(data + len), "endstream\rendobj\r");
  EXPECT_EQ(c41[data + len - 1], '\r');

  EXPECT_EQ(kaltest::qpdf_problems("doc.pdf"), "");
}

// Which objects exist follows the switches; the numbers close up behind them.
TEST_F(PdfDocument, SwitchesShapeTheDocument) {
  struct Case {
    const char* name;
    int lang, courier, arial, logo, rfid, pages;
    int size;
    std::vector<std::string> present, absent;
  } cases[] = {
      {"usual", 0, 1, 1, 1, 1, 2, 47, {"/ArialL2 21 0 R\r>>\r"}, {"/Cyrylica"}},
      {"russian", 7, 1, 1, 1, 1, 2, 51,
       {"/ArialL2 21 0 R\r/Cyrylica 25 0 R\r>>\r", "/BaseFont/EAAAAA+LinLibertine\r",
        "/Parent 49 0 R\r", "/ToUnicode 22 0 R\r"},
       {}},
      {"russian without Latin-2 fonts", 7, 0, 0, 1, 1, 1, 43, {"/F13 15 0 R\r/Cyrylica 19 0 R\r>>\r"},
       {"/CourierNewL2", "/ArialL2"}},
      {"no barcode images", 0, 1, 1, 1, 0, 2, 31,
       {"/XObject <<\r/Im0 22 0 R\r>>\r"}, {"/Im1", "/Im8"}},
      {"no images", 0, 1, 1, 0, 0, 1, 27, {"/ProcSet [/PDF /Text]\r"}, {"/XObject", "/Im0"}},
      {"no pages", 0, 1, 1, 1, 1, 0, 43, {"/Count 0.0\r/Kids []\r"}, {}},
      {"no embedded fonts", 0, 0, 0, 1, 1, 1, 39, {"/F13 15 0 R\r>>\r"}, {"/CourierNewL2 ", "FontDescriptor"}},
      {"Arial only", 0, 0, 1, 1, 1, 1, 42, {"/F13 15 0 R\r/ArialL2 18 0 R\r>>\r"}, {"/CourierNewL2 "}},
  };
  for (const auto& c : cases) {
    WorkDir wd;
    oo_texts_set_lang(c.lang);
    pdf_add_font_CourierNewL2 = c.courier;
    pdf_add_font_ArialL2 = c.arial;
    pdf_use_img_logo = c.logo;
    pdf_use_img_rfid = c.rfid;
    std::vector<std::string> pages(static_cast<std::size_t>(c.pages), "tekst");
    std::string pdf = write_and_read(pages);
    Xref x = read_xref(pdf);
    ASSERT_EQ(x.error, "") << c.name;
    EXPECT_EQ(x.size, c.size) << c.name;
    EXPECT_EQ(x.root, c.size - 1) << c.name;
    for (const auto& s : c.present) EXPECT_NE(pdf.find(s), std::string::npos) << c.name << ": " << s;
    // What is absent is absent from the resources and the objects (page
    // texts always name CourierNewL2, which the server always embeds).
    std::string objects = pdf.substr(0, pdf.find(">>\rendobj\r", pdf.find("/Font <<\r")));
    for (const auto& s : c.absent) EXPECT_EQ(objects.find(s), std::string::npos) << c.name << ": " << s;
    EXPECT_EQ(kaltest::qpdf_problems("doc.pdf"), "") << c.name;
  }
}

// Far more pages and content than the old fixed tables held.
TEST_F(PdfDocument, LargeDocumentsStayWhole) {
  WorkDir wd;
  std::vector<std::string> pages;
  for (int i = 0; i < 300; ++i) pages.push_back("Strona " + std::to_string(i + 1));
  pages.push_back(std::string(1200000, 'x'));  // one page above a million bytes of operators
  std::string pdf = write_and_read(pages);
  Xref x = read_xref(pdf);
  ASSERT_EQ(x.error, "");
  EXPECT_EQ(x.size, 40 + 2 * 301 + 3);
  EXPECT_EQ(kaltest::qpdf_problems("doc.pdf"), "");
  auto info = kaltest::run("pdfinfo doc.pdf");
  EXPECT_TRUE(std::regex_search(info.out, std::regex("Pages:\\s+301\n"))) << info.out;
  auto text = kaltest::run("pdftotext -f 300 -l 300 doc.pdf -");
  EXPECT_NE(text.out.find("Strona 300"), std::string::npos);
}

// A missing picture gives an empty image, and the document is still finished.
TEST_F(PdfDocument, MissingImagesLeaveEmptyImages) {
  WorkDir wd(false);
  testing::internal::CaptureStderr();
  std::string pdf = write_and_read({"bez obrazkow"});
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("pdf_append_file(): Can't open file \"img\\LOGO.JPG\" to read binary !\n"),
            std::string::npos);
  EXPECT_NE(err.find("\"img\\barcode\\1a.jpg\""), std::string::npos);
  Xref x = read_xref(pdf);
  ASSERT_EQ(x.error, "");
  EXPECT_EQ(object_text(pdf, x, 23), "23 0 obj\r0\rendobj\r");
  EXPECT_NE(object_text(pdf, x, 22).find("stream\r\rendstream\r"), std::string::npos);
  EXPECT_EQ(pdf.substr(pdf.size() - 5), "%%EOF");
}

TEST_F(PdfDocument, FileThatCannotBeWritten) {
  WorkDir wd;
  testing::internal::CaptureStderr();
  const char* pages[] = {"x"};
  EXPECT_EQ(toPdf("no-such-dir/out.pdf", pages, 1), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "toPdf0(): Can't open file no-such-dir/out.pdf\n");
  EXPECT_FALSE(std::filesystem::exists("no-such-dir"));
}

// --- pdf_file: "wydruk.pdf" and the reply ----------------------------------------

class PdfFileReply : public PdfSwitches {};

TEST_F(PdfFileReply, FileAndReply) {
  WorkDir wd;
  const char* pages[] = {"Faktura nr 1", "Strona 2"};

  bin_file_flag = 0;
  EXPECT_EQ(pdf_file(nullptr, nullptr, pages, 2), 0);
  EXPECT_EQ(bin_file_flag, 1);
  std::string first = kaltest::read_bytes("wydruk.pdf");
  EXPECT_EQ(first.substr(0, 8), "%PDF-1.2");

  send_buf_len = 0;
  app(pdf_header());
  const std::string head(send_buf, static_cast<std::size_t>(send_buf_len));
  bin_file_flag = 0;
  EXPECT_EQ(pdf_file(send_buf, &send_buf_len, pages, 2), 0);
  EXPECT_EQ(bin_file_flag, 1);
  EXPECT_EQ(std::string(send_buf, static_cast<std::size_t>(send_buf_len)), head + kaltest::read_bytes("wydruk.pdf"));
  send_buf_len = 0;
  EXPECT_EQ(kaltest::read_bytes("wydruk.pdf"), first);  // the file stays

  std::string bytes;
  EXPECT_EQ(pdf_file_bytes(pages, 2, bytes), 0);
  EXPECT_EQ(bytes, first);
}

TEST_F(PdfFileReply, FailureLeavesTheReplyAsItWas) {
  WorkDir wd;
  std::filesystem::create_directory("wydruk.pdf");  // nothing can be written there
  const char* pages[] = {"Tekst strony"};
  send_buf_len = 0;
  app("head");
  bin_file_flag = 0;
  testing::internal::CaptureStderr();
  EXPECT_EQ(pdf_file(send_buf, &send_buf_len, pages, 1), -1);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("ERROR in toPdf(\"wydruk.pdf\",\"Tekst strony\");\n"), std::string::npos) << err;
  EXPECT_EQ(std::string(send_buf, static_cast<std::size_t>(send_buf_len)), "head");
  EXPECT_EQ(bin_file_flag, 1);
  send_buf_len = 0;
}

TEST(PdfPrint, PrintCommand) {
  testing::internal::CaptureStdout();
  EXPECT_EQ(spawnv_print("wydruk.pdf"), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "spawnv_print() pid=0\n");

  // The print command gets the file as one argument, with no shell between.
  WorkDir wd(false);
  {
    FILE* f = std::fopen("lp", "w");
    ASSERT_NE(f, nullptr);
    std::fputs("#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" > printed\n", f);
    std::fclose(f);
    std::filesystem::permissions("lp", std::filesystem::perms::owner_all);
  }
  std::string old_path = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (wd.path() + ":" + old_path).c_str(), 1);
  testing::internal::CaptureStdout();
  int pid = spawnv_print1("my file; rm -rf x.pdf");
  std::string out = testing::internal::GetCapturedStdout();
  setenv("PATH", old_path.c_str(), 1);
  ASSERT_GT(pid, 0);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_EQ(out, "spawnv_print() pid=" + std::to_string(pid) + "\n");
  EXPECT_EQ(kaltest::read_bytes("printed"), "1|my file; rm -rf x.pdf|");
}

// --- what real readers make of it -------------------------------------------------

class PdfReaders : public PdfSwitches {};

// Every Polish letter, in the embedded fonts and in the standard ones and
// whatever the UI language, and the letters of the UI languages that the
// fonts hold, come back from the page as the same text.
TEST_F(PdfReaders, LatinLettersReadBackInEveryTextFont) {
  const std::u8string polish = u8"Zażółć gęślą jaźń ĄĆĘŁŃÓŚŹŻ ąćęłńóśźż (1) \\ [x]";
  const std::u8string czech = u8"Příliš žluťoučký kůň úpěl ďábelské ódy ÁČĎÉĚÍŇÓŘŠŤÚŮÝŽ";
  struct Case {
    int lang;
    const char* font;
    std::u8string utf8;
    const char* code_page = "CP1250";  // of the text handed to the page
  } cases[] = {
      {0, "CourierNewL2", polish},
      {0, "ArialL2", polish},
      {1, "ArialL2", polish},
      {7, "CourierNewL2", polish},
      {0, "F4", polish},
      {1, "F0", polish},
      {4, "F4", polish},
      {7, "F9", polish},
      {3, "CourierNewL2", czech},
      {3, "ArialL2", czech},
      {3, "F4", czech},
      {2, "F4", u8"Käufer Grüße Öl Übung"},
      {2, "ArialL2", u8"Käufer Grüße Öl Übung"},
      {4, "F5", u8"Quantité Reçu Rôle Été"},
      {6, "F4", u8"Reparación n.º Características Contraseña", "ISO-8859-1"},
  };
  for (const auto& c : cases) {
    WorkDir wd;
    oo_texts_set_lang(c.lang);
    std::string utf = u8s(c.utf8.c_str());
    auto conv = kaltest::run("printf '%s' " + kaltest::shell_quote(utf) + " | iconv -f UTF-8 -t " + c.code_page);
    ASSERT_EQ(conv.status, 0);
    // The Spanish texts reach a printout as tr() gives them: what
    // Windows-1250 lacks as UTF-8.
    std::string win = c.lang == 6 ? latin1_to_win(conv.out) : conv.out;
    std::vector<PageFn> pages = {[&] { pdfContentsAppendText(actPdfContents, win.c_str(), 0, 0, c.font, 12); }};
    ASSERT_EQ(kaltest::write_document("t.pdf", pages), 0);
    EXPECT_EQ(kaltest::qpdf_problems("t.pdf"), "");
    auto text = kaltest::run("pdftotext -enc UTF-8 t.pdf -");
    EXPECT_EQ(kaltest::trimmed(text.out), utf) << c.font << " lang " << c.lang;
  }
}

TEST_F(PdfReaders, PageTextReadsBack) {
  WorkDir wd;
  const char* pages[] = {"Naprawa nr 12/2024\nKlient: Żaneta Łęcka\nKwota: 150,00 zł"};
  ASSERT_EQ(pdf_file(nullptr, nullptr, pages, 1), 0);
  auto text = kaltest::run("pdftotext -layout -enc UTF-8 wydruk.pdf -");
  EXPECT_NE(text.out.find(u8s(u8"Klient: Żaneta Łęcka")), std::string::npos) << text.out;
  EXPECT_NE(text.out.find(u8s(u8"Kwota: 150,00 zł")), std::string::npos);
}

TEST_F(PdfReaders, RussianTextReadsBack) {
  WorkDir wd;
  oo_texts_set_lang(7);
  std::string line1 = u8s(u8"АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ");
  std::string line2 = u8s(u8"абвгдеёжзийклмнопрстуфхцчшщъыьэюя");
  std::string line3 = u8s(u8"Заказ 15: ремонт (Bosch) - готово, Ёлка");
  std::string page = line1 + "\n" + line2 + "\n" + line3;
  const char* pages[] = {page.c_str()};
  ASSERT_EQ(pdf_file(nullptr, nullptr, pages, 1), 0);
  EXPECT_EQ(kaltest::qpdf_problems("wydruk.pdf"), "");
  auto text = kaltest::run("pdftotext -enc UTF-8 wydruk.pdf -");
  EXPECT_EQ(kaltest::trimmed(text.out), page);
}

TEST_F(PdfReaders, FontsAreListedEmbedded) {
  WorkDir wd;
  oo_texts_set_lang(7);
  const char* pages[] = {"x"};
  ASSERT_EQ(pdf_file(nullptr, nullptr, pages, 1), 0);
  auto fonts = kaltest::run("pdffonts wydruk.pdf");
  std::map<std::string, std::string> seen;
  for (const std::string& l : kaltest::lines_of(fonts.out)) {
    std::smatch m;
    if (std::regex_match(l, m, std::regex("(\\S+)\\s+(Type 1|TrueType)\\s+\\S+\\s+(yes|no)\\s.*")))
      seen[m[1]] = std::string(m[2]) + " " + std::string(m[3]);
  }
  EXPECT_EQ(seen["CourierNewL2"], "Type 1 yes");
  EXPECT_EQ(seen["ArialL2"], "Type 1 yes");
  EXPECT_EQ(seen["EAAAAA+LinLibertine"], "TrueType yes");
  for (const char* std14 : {"Courier", "Helvetica-Bold", "Symbol", "Times-BoldItalic", "ZapfDingbats"})
    EXPECT_EQ(seen[std14], "Type 1 no") << std14;
  EXPECT_EQ(seen.size(), 17u) << fonts.out;
}

// Each shipped image is an RGB JPEG of the size the writer states.
TEST_F(PdfReaders, ImagesHaveTheirSizes) {
  WorkDir wd;
  std::vector<PageFn> pages = {[] {
    for (int n = 0; n <= 8; ++n) pdf_append_img(n, 10 + 60 * n, 100, 40, 40);
  }};
  ASSERT_EQ(kaltest::write_document("i.pdf", pages, 1234567), 0);
  EXPECT_EQ(kaltest::qpdf_problems("i.pdf"), "");
  auto list = kaltest::run("pdfimages -list i.pdf");
  std::vector<std::string> sizes;
  for (const std::string& l : kaltest::lines_of(list.out)) {
    std::smatch m;
    if (std::regex_search(l, m, std::regex("image\\s+(\\d+)\\s+(\\d+)\\s+(\\w+)\\s+(\\d+)\\s+8\\s+(\\w+)")))
      sizes.push_back(std::string(m[1]) + "x" + std::string(m[2]) + " " + std::string(m[3]) + " " +
                      std::string(m[4]) + " " + std::string(m[5]));
  }
  std::vector<std::string> expected = {"140x70 rgb 3 jpeg", "8x50 rgb 3 jpeg",  "28x50 rgb 3 jpeg",
                                       "28x50 rgb 3 jpeg",  "28x50 rgb 3 jpeg", "28x50 rgb 3 jpeg",
                                       "8x50 rgb 3 jpeg",   "1x40 rgb 3 jpeg",  "1x48 rgb 3 jpeg"};
  EXPECT_EQ(sizes, expected) << list.out;
  // Every digit pair has its picture.
  for (int p = 0; p < 100; ++p) {
    char name[32];
    std::snprintf(name, sizeof name, "img/barcode/%02d.jpg", p);
    EXPECT_TRUE(std::filesystem::exists(name)) << name;
  }
}
