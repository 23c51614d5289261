#include "mages/equipment/mgs_Serwis_zewnetrzny.hpp"

#include <cstdio>
#include <string>

#include "mages/glue_impl.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "server/page_out.hpp"
#include "server/ustawienia.hpp"

MGS_GLUE_DEFINE(Serwis_zewnetrzny)

namespace {

Serwis_zewnetrzny_ref* rows_of(uint32_t repair_id) {
  Serwis_zewnetrzny_tab* tab = glue_root<Serwis_zewnetrzny>::tab();
  return tab ? Serwis_zewnetrzny_tab_gets_Id_Naprawy(tab, repair_id, VTAB_CMP_EQUAL) : nullptr;
}

void header_cell(const char* text) {
  app("  <td><small>");
  app(text);
  app("</small></td>\n");
}

}  // namespace

int Serwis_zewnetrzny_count(uint32_t repair_id) {
  Serwis_zewnetrzny_ref* rows = rows_of(repair_id);
  if (!rows) return 0;
  const int count = static_cast<int>(rows->size);
  Serwis_zewnetrzny_ref_delete(&rows);
  return count;
}

int mgs_Serwis_zewnetrzny_list(uint32_t repair_id) {
  Serwis_zewnetrzny_ref* rows = rows_of(repair_id);
  app("<b>");
  app(Serwis_zewnetrzny_vv("Części w serwisie zewnetrznym: "));
  app("</b>\n");
  app("<table border='0'>\n");
  app("<tr>\n");
  header_cell(ustawienia_get("Lp_text"));
  header_cell(ustawienia_get("Nazwa_towaru_uslugi_text"));
  header_cell(ustawienia_get("Sztuk_text"));
  header_cell(Serwis_zewnetrzny_vv("Cechy uszkodzenia"));
  app("</tr>\n");
  long n = 0;
  for (tab_ref_elem* e = rows ? rows->first : nullptr; e; e = e->next) {
    const Serwis_zewnetrzny* r = vtab_row<Serwis_zewnetrzny>(e);
    if (!r) continue;
    const std::uint32_t goods = r->Id_Towary__serwis_zewnetrzny;
    char link[96];
    std::snprintf(link, sizeof link, "towar_%lu.htm?n_%d=e&Towary_Id=%lu", static_cast<unsigned long>(goods), 17,
                  static_cast<unsigned long>(goods));
    const std::string name = kal::html_text(Towary_nazwa(goods));
    const std::string pieces = from_gzl0(r->liczba_sztuk);
    const std::string damage = kal::html_text(r->cechy_uszkodzenia.view());
    tableItemDisplay(nullptr, ++n, link, name.c_str(), pieces.c_str(), damage.c_str());
    app("\n");
  }
  if (rows) Serwis_zewnetrzny_ref_delete(&rows);
  app("</table>\n");
  return 0;
}
