// The drawn-PDF writer of the repairs, documents and service cards, the
// refusal PDF and the small text routines of the printouts.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "mages/cards/mgs_Karty_pdf.hpp"
#include "mages/goods/mgs_Transakcje_pdf2.hpp"
#include "mages/repairs/mgs_Naprawy_pdf.hpp"
#include "mages/repairs/mgs_Naprawy_pdf_layouts.hpp"
#include "pdf/pdfReport.hpp"
#include "pdf/pdf_reply.hpp"
#include "pdf/pdfpage.hpp"
#include "pdf/topdf.hpp"
#include "platform/textfile.hpp"
#include "server/serv.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"

namespace {

constexpr char kWorkFile[] = "wydruk.pdf";

// The page box and the logo come back as they were whatever a layout did.
struct PageBoxGuard {
  ~PageBoxGuard() { mediaBox = mediaBoxA4; }
};

}  // namespace

int makePdfNewPage(int* y, kal::PdfFile& file, int* page, int limit) {
  if (!y || !page || *y <= limit) return 0;
  writeContents(file, *page);
  initActPdfContents();
  ++*page;
  *y = 0;
  return 1;
}

int toPdf2(uint32_t Id, const char* path, const Naprawy_fields* fields, int layout, int pages) {
  PageBoxGuard box_guard;
  ProtokolLogoGuard logo_guard;
  initActPdfContents();
  mediaBox = mediaBoxA4;
  if (pages < 1) pages = 1;
  PDF.obj_nr = 0;
  PDF.pages_count = pages;
  kal::PdfFile file(path ? path : "");

  pdf_write_header(file);
  pdf_write_info(file);
  if (layout == TOPDF2_KOD_KRESKOWY) mediaBox = mediaBox32x25;
  pdf_write_fonts(file);
  if (layout == TOPDF2_PROTOKOL_PRZYJECIA) setProtokolPrzyjeciaLogo();
  pdf_write_resources(file, static_cast<int32_t>(Id));

  int written = 0;  // content streams written so far
  for (int i = 0; i < pages; ++i) {
    initActPdfContents();
    switch (layout) {
      case TOPDF2_DOWOD_PRZYJECIA:
        if (fields) makePdfContentsDowodPrzyjecia(*fields);
        break;
      case TOPDF2_DOWOD_PRZYJECIA_DOUBLE:
        if (fields) {
          makePdfContentsDowodPrzyjeciaDouble(*fields, 0);
          makePdfContentsDowodPrzyjeciaDouble(*fields, 400);
        }
        break;
      case TOPDF2_DOSSIER:
        if (fields) makePdfContentsDossier(*fields, file, &written);
        break;
      case TOPDF2_TRANSAKCJA: {
        // A long document continues on further pages of its own.
        const std::vector<std::string> contents = mgs_pdf_Faktura_VAT_pages(Id, i);
        for (std::size_t k = 0; k + 1 < contents.size(); ++k) {
          actPdfContents = contents[k];
          writeContents(file, written++);
        }
        actPdfContents = contents.empty() ? std::string() : contents.back();
        break;
      }
      case TOPDF2_KOD_KRESKOWY:
        makePdfContentsKodKreskowy(Id);
        break;
      case TOPDF2_DOWOD_PRZYJECIA_ONE:
        if (fields) makePdfContentsDowodPrzyjeciaDouble(*fields, 0);
        break;
      case TOPDF2_PROTOKOL_PRZYJECIA:
        makePdfContentsProtokolPrzyjecia(static_cast<int>(Id), fields);
        break;
      case TOPDF2_KARTA: {
        // A long card continues on further pages; its last page signs it.
        std::vector<std::string> earlier;
        makePdfContentsKarta(Id, fields, &earlier);
        const std::string last = actPdfContents;
        for (const std::string& page : earlier) {
          actPdfContents = page;
          writeContents(file, written++);
        }
        actPdfContents = last;
        break;
      }
      default:  // unknown layouts draw an empty page
        break;
    }
    writeContents(file, written++);
  }
  PDF.pages_count = written;
  for (int i = 0; i < written; ++i) writePage(file, i);
  writePages(file);
  writeCatalog(file);
  writeXref(file);
  initActPdfContents();
  if (path == nullptr || file.commit() != 0) {
    std::fprintf(stderr, "toPdf2(): Can't open file %s\n", path ? path : "");
    return -1;
  }
  return 0;
}

int pdf_file2(uint32_t Id, char* dst, int* len, const Naprawy_fields* fields, int layout, int pages) {
  bin_file_flag = 1;
  if (toPdf2(Id, kWorkFile, fields, layout, pages) != 0) {
    std::fprintf(stderr, "pdf_file2(): ERROR in toPdf2(\"%s\") !\n", kWorkFile);
    return -1;
  }
  if (!dst) return 0;
  std::string bytes;
  if (kal::read_file(kWorkFile, bytes) != 0) {
    std::fprintf(stderr, "pdf_file(): ERROR Can't open file '%s' to read binary !\n", kWorkFile);
    return -2;
  }
  if (int rc = pdf_reply_append(bytes); rc != 0) return rc;
  std::printf("pdf_file2() *len=%d END\n", len ? *len : send_buf_len);
  return 0;
}

int pdf_access_denied(int to_file, int pages) {
  const std::string text = std::string(tr(221)) + " !\n";
  std::vector<std::string> texts(static_cast<std::size_t>(pages < 1 ? 1 : pages), text);
  if (to_file) return pdf_file(nullptr, nullptr, texts);
  app(pdf_header());
  return pdf_file(send_buf, &send_buf_len, texts);
}

// --- text routines ------------------------------------------------------------------------

int str_end_lines(char* text, int n) {
  if (!text) return -1;
  if (n < 1) return 0;
  int seen = 0;
  for (char* p = text; *p; ++p)
    if (*p == '\n' && ++seen == n) {
      *p = '\0';
      break;
    }
  return 0;
}

int str_end_lines(std::string& text, int n) {
  if (n < 1) return 0;
  int seen = 0;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n' && ++seen == n) {
      text.resize(i);
      break;
    }
  return 0;
}

int calc_lines_nr(const char* text) {
  int n = 0;
  for (const char* p = text; p && *p; ++p)
    if (*p == '\n') ++n;
  return n;
}

const char* removeHtmlTags(const char* text) {
  static std::string out;
  out.clear();
  bool in_tag = false;
  for (const char* p = text; p && *p; ++p) {
    if (*p == '<') in_tag = true;
    else if (*p == '>' && in_tag) in_tag = false;
    else if (!in_tag) out += *p;
  }
  return out.c_str();
}

const char* ustawienia_get_remove_html(const char* key) { return removeHtmlTags(ustawienia_get(key)); }

std::string duplicate_text(const std::string& text) {
  std::string out = text;
  while (calc_lines_nr(out.c_str()) < 37) out += '\n';
  out += std::string(81, '-') + "\n\n";
  return out + text;
}
