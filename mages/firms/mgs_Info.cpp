#include "mages/firms/mgs_Info.hpp"

#include "mages/mgs_vv.hpp"
#include "server/serv.hpp"

namespace {

// The maker's web page.
constexpr const char* kMakerPage = "http://kalmitor.example/";

}  // namespace

const char* Info_vv(const char* text) {
  static hashtbl* overrides = nullptr;
  return kal::page_text_vv(&overrides, "Info.vv", text);
}

int mgs_Info() {
  app("<br>\n");
  app("<br>\n");
  app("<center>\n");
  app("<h3>");
  app(Info_vv("KALMITOR wersja "));
  app(mgs_version);
  app(Info_vv(" - program do obsługi serwisu, napraw"));
  app("</h3>\n");
  app("</center>\n");
  app("<center>\n");
  app("<h4>\n");
  app("<A HREF=\"");
  app(kMakerPage);
  app("\" TARGET=\"BRENTAVIX\">");
  app(Info_vv("BRENTAVIX - Strona producenta programu Kalmitor"));
  app("</a>\n");
  app(" - Zobacz aktualizacje.\n");
  app("</h4>\n");
  app("</center>\n");
  return 0;
}
