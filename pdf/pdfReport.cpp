#include "pdf/pdfReport.hpp"

#include <cstdio>
#include <ctime>
#include <string>

#include "pdf/pdfpage.hpp"
#include "pdf/topdf.hpp"
#include "server/winservice.hpp"

reportItem reportItems[REPORT_ITEMS];
const char protokolPrzyjeciaImage[] = "img\\protokol_przyjecia_pojazdu_ZELWARN.JPG";
std::string pdf_logo_fname0;
pdfReport_data_fn pdfReport_data = nullptr;

namespace {

// The logo's geometry saved while the form picture stands in for it.
struct SavedLogo {
  bool pending = false;
  int width = 0, height = 0, pos_x = 0, pos_y = 0;
} saved;

struct InitialItem {
  int id, x, y;
  const char* text;
};
constexpr InitialItem kItems[] = {
    {1, 97, 478, "Dane zakladu0"},        {2, 97, 571, "Marka i model"},
    {3, 97, 668, "Rok produkcji"},        {4, 97, 759, "Dane klienta"},
    {5, 499, 573, "Pojemnosc silnika"},   {6, 499, 668, "Stan licznika"},
    {7, 670, 759, "Numer kontaktowy"},    {8, 895, 478, "Data przyjecia"},
    {9, 895, 573, "Kod silnika"},         {10, 895, 668, "Numer rejestracyjny"},
    {11, 300, 894, "STEROWNIK"},          {12, 300, 944, "REDUKTOR"},
    {13, 300, 994, "WTRYSKIWACZ"},        {14, 300, 1044, "WIELOZAWÓR"},
    {15, 300, 1094, "ZBIORNIK"},          {16, 300, 1144, "INNE"},
    {17, 120, 1289, "Inne ustalenia"},    {18, 120, 1339, "Inne ustalenia2"},
    {19, 120, 1389, "Inne ustalenia3"},   {20, 690, 1483, "Zarejestrowane błędy"},
    {21, 690, 1625, "Przewidywane cena"}, {22, 97, 1630, "Podpis montażysty"},
    {23, 97, 1739, "Podpis osoby"},
};

bool valid(int id) { return id >= 0 && id < REPORT_ITEMS; }

std::string log_path() {
  std::string dir = global_install_dir;
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir + "kalmitor.log";
}

}  // namespace

void pdfReport_log(const char* message) {
  std::FILE* f = std::fopen(log_path().c_str(), "a");
  if (!f) {
    std::printf("Can't open file kalmitor.log to append.\n");
    return;
  }
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  std::fprintf(f, "%04d-%02d-%02d %02d:%02d.%02d %s\r\n", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
               tm.tm_min, tm.tm_sec, message ? message : "");
  std::fclose(f);
}

int addReportItem(int x, int y, int id, const char* text) {
  if (!valid(id)) return -1;
  reportItems[id] = reportItem{x, y, id, text ? text : ""};
  return 0;
}

int setReportItemText(int id, const char* text) {
  if (!valid(id)) return -1;
  reportItems[id].text = text ? text : "";
  return 0;
}

int initReportItems() {
  pdfReport_log("initReportItems()");
  for (const InitialItem& it : kItems) addReportItem(it.x, it.y, it.id, it.text);
  return 0;
}

const char* getReportFont() { return "F4"; }

int addTextToReport(int x, int y, const char* text) {
  const int px = static_cast<int>((x - 147.42268041237114) / 2.0618556701030926);
  const int py = static_cast<int>((y - 139.97674418604652) / 2.186046511627907);
  return pdfContentsAppendText(actPdfContents, text, px, py, getReportFont(), 10);
}

int setProtokolPrzyjeciaLogo() {
  if (!saved.pending) {
    pdf_logo_fname0 = pdf_logo_fname;
    saved = SavedLogo{true, pdf_logo_width, pdf_logo_height, pdf_logo_pos_x, pdf_logo_pos_y};
  }
  pdf_logo_fname = protokolPrzyjeciaImage;
  pdf_logo_width = PROTOKOL_IMG_WIDTH;
  pdf_logo_height = PROTOKOL_IMG_HEIGHT;
  pdf_logo_pos_x = -610;
  pdf_logo_pos_y = -870;
  return 0;
}

int restoreLogoFileName() {
  if (!saved.pending) return 0;
  pdf_logo_fname = pdf_logo_fname0;
  pdf_logo_width = saved.width;
  pdf_logo_height = saved.height;
  pdf_logo_pos_x = saved.pos_x;
  pdf_logo_pos_y = saved.pos_y;
  saved.pending = false;
  return 0;
}

int makePdfContentsProtokolPrzyjecia(int /*number*/, const void* fields) {
  pdfReport_log("makePdfContentsProtokolPrzyjecia()");
  initActPdfContents();
  if (pdf_use_img_logo == 1) pdf_append_img_logo(0);
  initReportItems();
  pdfReport_log("set yyyyy");
  if (fields && pdfReport_data) pdfReport_data();
  for (int id = 1; id <= 23; ++id) addTextToReport(reportItems[id].x, reportItems[id].y, reportItems[id].text.c_str());
  return 0;
}
