// The vehicle intake protocol: one page whose background is the picture of
// the printed form, with up to 23 short texts written into its fields.
//
// The places of the texts are given in the form picture's own pixels and
// mapped to page points by a fixed linear mapping.  While the protocol is
// written the form picture takes the logo's place as image Im0; every step
// is noted in "kalmitor.log" of the install directory.
//
// Order of use by the drawn-PDF writer: after the fonts and before the
// resources setProtokolPrzyjeciaLogo(); per page
// makePdfContentsProtokolPrzyjecia() and restoreLogoFileName(); a
// ProtokolLogoGuard restores the logo also when the writer stops early.
#pragma once

#include <string>

struct reportItem {
  int x = 0;
  int y = 0;
  int id = 0;
  std::string text;  // the item's own copy
};

inline constexpr int REPORT_ITEMS = 25;
// Items 1-23 are printed; 24 may hold a text but is never printed.
extern reportItem reportItems[REPORT_ITEMS];

// The form picture and its size in pixels.
extern const char protokolPrzyjeciaImage[];  // "img\protokol_przyjecia_pojazdu_ZELWARN.JPG"
inline constexpr int PROTOKOL_IMG_WIDTH = 1211;
inline constexpr int PROTOKOL_IMG_HEIGHT = 1713;

// The logo as it was before the form picture took its place.
extern std::string pdf_logo_fname0;

// An id outside 0-24 is ignored.  0, or -1 for a bad id.
int addReportItem(int x, int y, int id, const char* text);
int setReportItemText(int id, const char* text);
// Logs, then sets items 1-23 to their places and initial texts.  0.
int initReportItems();
// "F4" (Helvetica).
const char* getReportFont();
// Appends the text at the page position of the form position (x, y).  0.
int addTextToReport(int x, int y, const char* text);
// The form picture becomes the logo (file, size and position); 0.
int setProtokolPrzyjeciaLogo();
// The logo as it was before setProtokolPrzyjeciaLogo (file, size and
// position); 0.  Nothing when no swap is pending.
int restoreLogoFileName();
// Builds the protocol page in actPdfContents.  fields is only tested for
// null: when given, the repair's data is filled in through the hook below.  0.
int makePdfContentsProtokolPrzyjecia(int number, const void* fields);

// Fills the items from the repair being printed; set by the repair
// printouts (setProtokolPrzyjeciaData).
using pdfReport_data_fn = int (*)();
extern pdfReport_data_fn pdfReport_data;

// Restores the logo when it goes out of scope.
class ProtokolLogoGuard {
 public:
  ProtokolLogoGuard() = default;
  ~ProtokolLogoGuard() { restoreLogoFileName(); }
  ProtokolLogoGuard(const ProtokolLogoGuard&) = delete;
  ProtokolLogoGuard& operator=(const ProtokolLogoGuard&) = delete;
};

// Appends "yyyy-mm-dd hh:mm.ss message" (UTC) to "kalmitor.log" of the
// install directory; says so on the console when the file cannot be opened.
void pdfReport_log(const char* message);
