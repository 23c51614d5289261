// The barcode of a repair on its printouts and the barcode label.
//
// EAN-13 carries the repair's Id in its last five digits before the check
// digit, behind the two-digit and five-digit prefixes of the settings
// "Prints_rfid_start" and "Prints_rfid_company"; the list page's barcode jump
// reads the Id back from there.  An Id that five digits cannot hold (planned
// repairs, or more than 99,999 repairs) is printed as Code 128 of the repair
// number instead, which the same jump accepts.  Bars are one-module-wide
// images: image 7 the normal bar, image 8 the long guard bar.
#include <cstdio>
#include <cstring>
#include <string>

#include "lib/convert.hpp"
#include "mages/repairs/mgs_Naprawy.hpp"
#include "mages/repairs/mgs_Naprawy0.hpp"
#include "mages/repairs/mgs_Naprawy_pdf.hpp"
#include "pdf/code128.hpp"
#include "pdf/ean13.hpp"
#include "pdf/pdfpage.hpp"
#include "pdf/topdf.hpp"
#include "server/ustawienia.hpp"

namespace {

constexpr char kFont[] = "ArialL2";
constexpr int kBarHeight = 40;
constexpr int kGuardHeight = 48;
constexpr int kQuietModules = 10;
constexpr uint32_t kEan13MaxId = 99999;

int page_width() { return mediaBox[2]; }

int setting_int(const char* key) { return to_i(ustawienia_get(key)); }

// Text x of the page writer for a text that should start at page x.
int text_x(double page_x) { return static_cast<int>(page_x) - PDF.margin - 20; }

}  // namespace

int makePdfContentsBarcodeEAN13(uint32_t Id, int x, int y) {
  if (pdf_use_img_rfid != 1) return 0;
  char digits[14] = "";
  if (Id > kEan13MaxId || ean13_id2str(digits, setting_int("Prints_rfid_start"), setting_int("Prints_rfid_company"),
                                       static_cast<int>(Id)) != 0)
    return -1;
  char bars[96] = "";
  std::printf("ean13_str=%s\n", digits);
  std::printf("len=%d\n", static_cast<int>(std::strlen(digits)));
  if (ean13_from_str(bars, digits) != 0) return -1;
  std::printf("ean13_code=%s\n", bars);
  for (int i = 0; bars[i] != '\0'; ++i) {
    if (bars[i] != '1') continue;
    const bool guard = i == 0 || i == 2 || i == 46 || i == 48 || i == 92 || i == 94;
    pdf_append_img(guard ? 8 : 7, x - 8 - i, y, 1, guard ? kGuardHeight : kBarHeight);
  }
  const int X = page_width() - x;
  const std::string d = digits;
  pdfContentsAppendText(actPdfContents, d.substr(0, 1).c_str(), X - 51, y + 8, kFont, 12);
  pdfContentsAppendText(actPdfContents, d.substr(1, 6).c_str(), X - 39, y + 8, kFont, 12);
  pdfContentsAppendText(actPdfContents, d.substr(7, 6).c_str(), X + 7, y + 8, kFont, 12);
  return 0;
}

int makePdfContentsBarcodeCODE128(uint32_t Id, int x, int y) {
  if (pdf_use_img_rfid != 1) return 0;
  const char* stored = Naprawy_numer(Id);
  const std::string numer = stored ? stored : "";
  std::string bars(1040, '\0');
  if (code128_encode(bars.data(), numer.c_str()) != 0) return -1;
  bars.resize(std::strlen(bars.c_str()));
  const double W = page_width();
  const double n = static_cast<double>(bars.size());
  // One point a module from x (the code's left end, counted from the right
  // edge) as on the A4 printouts; where that leaves no quiet zone on either
  // side (the label) the code is centred and its modules narrowed to fit.
  double w = 1.0;
  double left = W - x;
  const bool centred = left < kQuietModules * w || left + (n + kQuietModules) * w > W;
  if (centred) {
    w = W / (n + 2 * kQuietModules);
    if (w > 1.0) w = 1.0;
    left = (W - n * w) / 2;
  }
  for (std::size_t i = 0; i < bars.size(); ++i) {
    if (bars[i] != '1') continue;
    // Neighbouring bars overlap by a hair so that no seam shows between them.
    const double from_right = W - (left + static_cast<double>(i) * w) - w;
    pdf_append_img_scale(7, static_cast<float>(from_right), static_cast<float>(y), static_cast<float>(w * 1.02),
                         kBarHeight, 0, 0);
  }
  if (centred) {
    const double text_w = pdf_text_width(numer.c_str()) * 12 / 1000.0;
    pdfContentsAppendText(actPdfContents, numer.c_str(), text_x((W - text_w) / 2), y + 8, kFont, 12);
  } else {
    pdfContentsAppendText(actPdfContents, numer.c_str(), page_width() - x - 53, y + 8, kFont, 12);
  }
  return 0;
}

int makePdfContentsBarcode(uint32_t Id, int x, int y) {
  if (std::strcmp(ustawienia_get("barcode_type"), "1") == 0 || Id > kEan13MaxId)
    return makePdfContentsBarcodeCODE128(Id, x, y);
  return makePdfContentsBarcodeEAN13(Id, x, y);
}

int makePdfContentsBarcode_i2of5(long number, int x, int y) {
  if (pdf_use_img_rfid != 1) return 0;
  static const int widths[6] = {8, 28, 28, 28, 28, 8};
  int right = x;
  for (int k = 0; k < 6; ++k) {
    right -= widths[k];
    pdf_append_img(k + 1, right, y, widths[k], 50);
  }
  char text[32];
  std::snprintf(text, sizeof text, "%07ld", number);
  pdfContentsAppendText(actPdfContents, text, 570 - x, y + 17, kFont, 16);
  return 0;
}

int makePdfContentsKodKreskowy(uint32_t Id) {
  initActPdfContents();
  return makePdfContentsBarcode(Id, 116, 5);
}
