#include "mages/goods/mgs_Rozlicz_mies_czesci.hpp"

#include <cstdio>
#include <ctime>
#include <string>

#include "db/Naprawy.hpp"
#include "lib/convert.hpp"
#include "lib/qq.hpp"
#include "lib/txt_utils.hpp"
#include "mages/glue.hpp"
#include "mages/goods/mgs_Raporty.hpp"
#include "mages/qq_main.hpp"
#include "server/html_form.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/ustawienia.hpp"

namespace {

constexpr int kPageGoodsEdit = 17;

// 1 <month> <year>, 00:00 local time; month 13 is January of the next year.
std::int64_t first_of_month(int year, int month) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = 1;
  t.tm_isdst = -1;
  return static_cast<std::int64_t>(std::mktime(&t));
}

void cell(long n, bool right, const std::string& html) {
  if (right)
    approwr(n);
  else
    approw(n);
  app(html.c_str());
  app("</td>\n");
}

}  // namespace

int RMC_filter_init(RMC_filter* filter, const char* action) {
  if (!filter) return -1;
  const std::time_t now = std::time(nullptr);
  std::tm today{};
  localtime_r(&now, &today);
  filter->Id_Naprawy_wykonawcy = var_z("NaprawySearch.Naprawy_Id_Naprawy_wykonawcy");
  int year = var_i("RMCyear");
  if (year < 2007 || year > 9999) year = today.tm_year + 1900;
  filter->year = year;
  if (action && std::string(action) == RMC_CALY_ROK) {
    filter->month = 0;
    filter->od = first_of_month(year, 1);
    filter->do_ = first_of_month(year + 1, 1);
    return 0;
  }
  int month = action ? to_i(action) : 0;
  if (month < 1 || month > 12) month = var_i("RMCmonth");
  if (month < 1 || month > 12) month = today.tm_mon + 1;
  filter->month = month;
  filter->od = first_of_month(year, month);
  filter->do_ = first_of_month(year, month + 1);
  return 0;
}

bool RMC_Transakcje_row_allow_add(const RMC_filter* filter, const Transakcje& doc) {
  return filter && doc.data_transkacji >= filter->od && doc.data_transkacji < filter->do_;
}

int RMC_Towary_row(Towary_tab* sums, const Towary_transakcje& line, std::uint32_t doc_Id) {
  return Raporty_Towary_row(sums, line, doc_Id);
}

long RMC_Transakcje_run(Towary_tab* sums, const RMC_filter* filter) {
  Naprawy_tab* repairs = glue_root<Naprawy>::tab();
  Transakcje_tab* docs = glue_root<Transakcje>::tab();
  if (!sums || !filter || !repairs || !docs) return -1;
  const kal::report_lines lines;
  if (!lines.ok()) return -1;
  Naprawy_ref* set = filter->Id_Naprawy_wykonawcy != 0
                         ? Naprawy_tab_gets_Id_Naprawy_wykonawcy(repairs, filter->Id_Naprawy_wykonawcy, VTAB_CMP_EQUAL)
                         : Naprawy_tab_gets_Id(repairs, 0, VTAB_CMP_GE);
  if (!set) return -1;
  long counted = 0;
  for (tab_ref_elem* e = set->first; e && counted >= 0; e = e->next) {
    const Naprawy* r = vtab_row<Naprawy>(e);
    if (!r || r->Id_Transakcje == 0) continue;
    const Transakcje* d = Transakcje_tab_get_Id(docs, r->Id_Transakcje, VTAB_CMP_EQUAL);
    if (!d || !RMC_Transakcje_row_allow_add(filter, *d)) continue;
    const auto* of = lines.of(d->Id);
    if (!of) continue;
    for (const Towary_transakcje* l : *of) {
      const int rc = RMC_Towary_row(sums, *l, d->Id);
      if (rc < 0) {
        counted = -1;
        break;
      }
      if (rc == 0) ++counted;
    }
  }
  Naprawy_ref_delete(&set);
  return counted;
}

double RMC_zysk(const Towary& sum) { return Raporty_zysk(sum); }

std::uint32_t RMC_sort_do(hashtbl* keys, int code) { return kal::report_sort_do(keys, code); }

hashtbl* RMC_sort(Towary_tab* sums, int code) {
  hashtbl* keys = kal::report_keys(sums, code, RMC_zysk);
  if (keys && RMC_sort_do(keys, code) != HASHTBL_OK) hashtbl_delete(&keys);
  return keys;
}

int RMC_show_row(long n, const Towary& sum, double* total_count, double* total_value) {
  Towary_tab* goods = glue_root<Towary>::tab();
  const Towary* good = goods ? Towary_tab_get_Id(goods, sum.Id, VTAB_CMP_EQUAL) : nullptr;
  if (!good) return -1;
  char url[96];
  std::snprintf(url, sizeof url, "sprzet.htm?n_%d=e&Towary_Id=%lu", kPageGoodsEdit, static_cast<unsigned long>(sum.Id));
  app("<tr>\n");
  cell(n, true, std::string(from_l(n + 1)) + ". ");
  cell(n, false, page_href(url, kal::html_text(good->nazwa.view()).c_str()));
  cell(n, true, from_gzl0(sum.liczba_sztuk));
  cell(n, true, from_gzl(sum.cena_sprzedazy));
  app("</tr>\n");
  if (total_count) *total_count += sum.liczba_sztuk;
  if (total_value) *total_value = kal::money_add(*total_value, sum.cena_sprzedazy);
  return 0;
}

const char* Rozlicz_mies_czesci_vv(const char* text) {
  if (!text) return "";
  static hashtbl* overrides = nullptr;
  if (!overrides) {
    overrides = hashtbl_new(100);
    if (!overrides) return text;
    hashtbl_load_sp(overrides, "Rozlicz_mies_czesci.vv");
  }
  const char* v = hashtbl_get_ptr(overrides, text);
  return v ? v : text;
}

int mgs_Rozlicz_mies_czesci(const char* action) {
  if (action && std::string(action) == ustawienia_get("Czysc_button")) kal::report_filter_reset();

  RMC_filter filter;
  RMC_filter_init(&filter, action);
  sess_put("RMCyear", from_i(filter.year));
  if (filter.month != 0) sess_put("RMCmonth", from_i(filter.month));
  sess_put("Rdata_od", from_td(filter.od));

  Raporty_sums sums;
  if (!sums.tab() || RMC_Transakcje_run(sums.tab(), &filter) < 0)
    std::printf("mgs_Rozlicz_mies_czesci(): the documents could not be summed\n");

  app("<CENTER>\n");
  html_form_open("rozliczenie.htm");
  sess_put("RMCtitle", Rozlicz_mies_czesci_vv("Rozliczenia miesięczne"));
  sess_put("RMCmonthstr", txtutils_month2str(filter.month - 1));
  int rc = qq_run("RMC_filtr.htm", appc, qq_main);
  app(form_input_hidden("RMCmonth", from_i(filter.month)));
  app("\n<table border=0>\n");
  if (qq_run("RMC_row0.htm", appc, qq_main) != 0) rc = -1;

  double count = 0, value = 0;
  long shown = 0;
  if (hashtbl* order = RMC_sort(sums.tab(), var_i("Rsort"))) {
    for (std::uint32_t i = 0; i < order->size; ++i) {
      const Towary* s = Towary_tab_get_Id(sums.tab(), to_z(order->values[i]), VTAB_CMP_EQUAL);
      if (s && RMC_show_row(shown, *s, &count, &value) == 0) ++shown;
    }
    hashtbl_delete(&order);
  }

  app("<tr>\n");
  cell(shown, false, "");
  cell(shown, true, "<b>" + kal::html_text(ustawienia_get("Suma_text")) + ":</b>");
  cell(shown, true, from_gzl0(count));
  cell(shown, true, from_gzl(value));
  app("</tr>\n");
  app("</table>\n");
  html_form_close();
  app("</CENTER>\n");
  return rc;
}
