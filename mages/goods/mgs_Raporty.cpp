#include "mages/goods/mgs_Raporty.hpp"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>
#include <string>

#include "db/Naprawy.hpp"
#include "lib/convert.hpp"
#include "lib/qq.hpp"
#include "lib/txt_utils.hpp"
#include "lib/vtab_lang.hpp"
#include "mages/glue.hpp"
#include "mages/goods/mgs_Towary.hpp"
#include "mages/qq_main.hpp"
#include "server/form_dates.hpp"
#include "server/html_form.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/ustawienia.hpp"

namespace {

// The date filter of the reports.
[[maybe_unused]] const bool kFormDates = kal::form_date_names({"Rdata_od", "Rdata_do"});

constexpr int kPageGoodsEdit = 17;
constexpr int kPageRepairEdit = 31;

// One day and 31 days in seconds: the default ends of the report.
constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kMonth = 2678400;

const Towary* catalogue(std::uint32_t Id) {
  Towary_tab* t = glue_root<Towary>::tab();
  return t ? Towary_tab_get_Id(t, Id, VTAB_CMP_EQUAL) : nullptr;
}

// The first repair in table order that holds a document, per document.
class repairs_by_doc {
 public:
  repairs_by_doc() {
    Naprawy_tab* t = glue_root<Naprawy>::tab();
    if (!t) return;
    for (Naprawy_listelem* e = t->first; e; e = e->next)
      if (e->row && e->row->Id_Transakcje != 0) ids_.try_emplace(e->row->Id_Transakcje, e->row->Id);
  }
  std::uint32_t of(std::uint32_t doc_Id) const {
    auto it = ids_.find(doc_Id);
    return it == ids_.end() ? 0 : it->second;
  }

 private:
  std::unordered_map<std::uint32_t, std::uint32_t> ids_;
};

const repairs_by_doc* g_repairs = nullptr;  // while a report page is written

// The last second of the local day of a time.
std::int64_t end_of_day(std::int64_t time) {
  const std::time_t t = static_cast<std::time_t>(time);
  std::tm day{};
  if (!localtime_r(&t, &day)) return time;
  day.tm_mday += 1;
  day.tm_hour = day.tm_min = day.tm_sec = 0;
  day.tm_isdst = -1;
  const std::time_t next = std::mktime(&day);
  return next == static_cast<std::time_t>(-1) ? time : static_cast<std::int64_t>(next) - 1;
}

// The text of a catalogue field for sorting: "&nbsp;" when empty.
std::string text_key(const char* text) { return txtutils_nbsp(text); }

// amount + grosze, exact.
double plus_cents(double amount, std::int64_t cents) {
  std::int64_t have = 0;
  if (!kal::money_cents(amount, &have)) return amount + kal::money_of_cents(cents);
  return kal::money_of_cents(have + cents);
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

// --- the scratch table ------------------------------------------------------------------

Raporty_sums::Raporty_sums() : tab_(Towary_tab_new()) {}
Raporty_sums::~Raporty_sums() {
  if (tab_) Towary_tab_delete(&tab_);
}

namespace kal {

report_lines::report_lines() {
  Towary_transakcje_tab* t = glue_root<Towary_transakcje>::tab();
  if (!t) return;
  try {
    for (Towary_transakcje_listelem* e = t->first; e; e = e->next)
      if (e->row) by_doc_[e->row->Id_Transakcje].push_back(e->row);
  } catch (const std::bad_alloc&) {
    by_doc_.clear();
    ok_ = false;
  }
}

const std::vector<const Towary_transakcje*>* report_lines::of(std::uint32_t doc_Id) const {
  auto it = by_doc_.find(doc_Id);
  return it == by_doc_.end() ? nullptr : &it->second;
}

double money_add(double a, double b) {
  std::int64_t cents = 0;
  return money_cents(b, &cents) ? plus_cents(a, cents) : a + b;
}

std::string report_number_key(double value) {
  // The bits of a double as an unsigned number whose order is the numbers'
  // order: the sign bit flipped for positive numbers, every bit for negative
  // ones.  Twenty digits each, so the texts compare digit by digit.
  std::uint64_t bits = 0;
  if (value == 0.0) value = 0.0;  // -0 sorts as 0
  std::memcpy(&bits, &value, sizeof bits);
  bits = (bits >> 63) ? ~bits : bits | (std::uint64_t{1} << 63);
  if (std::isnan(value)) bits = 0;
  char key[32];
  std::snprintf(key, sizeof key, "%020" PRIu64, bits);
  return key;
}

hashtbl* report_keys(Towary_tab* sums, int code, double (*zysk)(const Towary& sum)) {
  if (!sums) return nullptr;
  hashtbl* keys = hashtbl_new(static_cast<std::uint32_t>(sums->size) + 1);
  if (!keys) return nullptr;
  Towary_ref* all = Towary_tab_gets_Id(sums, 0, VTAB_CMP_GE);
  if (!all) {
    hashtbl_delete(&keys);
    return nullptr;
  }
  for (tab_ref_elem* e = all->first; e; e = e->next) {
    const Towary* s = vtab_row<Towary>(e);
    if (!s) continue;
    const Towary* good = catalogue(s->Id);
    std::string key;
    switch (code) {
      case 3: case 4: key = text_key(good ? good->nazwa.c_str() : ""); break;
      case 5: case 6: key = report_number_key(s->cena_sprzedazy); break;
      case 7: case 8: key = report_number_key(s->liczba_sztuk); break;
      case 9: case 10: key = report_number_key(s->ostatnie_sztuk_sprzedazy); break;
      case 11: case 12: {
        Transakcje_tab* docs = glue_root<Transakcje>::tab();
        const Transakcje* d = docs ? Transakcje_tab_get_Id(docs, s->Id_Jednostki_metryczne, VTAB_CMP_EQUAL) : nullptr;
        key = report_number_key(d ? static_cast<double>(d->data_transkacji) : 0.0);
        break;
      }
      case 13: case 14: key = report_number_key(zysk(*s)); break;
      case 15: case 16: key = text_key(good ? good->PKWiU.c_str() : ""); break;
      case 17: case 18: key = text_key(good ? good->kod.c_str() : ""); break;
      default: key = report_number_key(s->Id);
    }
    hashtbl_append(keys, key.c_str(), from_z(s->Id));
  }
  Towary_ref_delete(&all);
  return keys;
}

std::uint32_t report_sort_do(hashtbl* keys, int code) {
  const std::uint32_t rc = hashtbl_sort(keys);
  if (rc != HASHTBL_OK) return rc;
  if (code > 0 && code % 2 == 0) hashtbl_reverse(keys);
  return HASHTBL_OK;
}

void report_filter_reset() {
  sess_put("Rnazwa", "");
  sess_put("Naprawy_Towary_typy_Id", "0");
  sess_put("Rdata_od", from_td(txtutils_begin_year()));
  sess_put("Rdata_do", from_td(txtutils_next_year()));
}

}  // namespace kal

// --- filter and gathering ---------------------------------------------------------------

int Raporty_filter_init(Raporty_filter* filter) {
  if (!filter) return -1;
  // The ends are days: the defaults go into the form as dates and are read
  // back like typed ones, the "to" day counting to its last second.
  const std::int64_t now = std::time(nullptr);
  if (!var_s("Rdata_od")[0]) sess_put("Rdata_od", from_td(now - kMonth));
  if (!var_s("Rdata_do")[0]) sess_put("Rdata_do", from_td(now + kDay));
  filter->od = var_t("Rdata_od");
  filter->do_ = end_of_day(var_t("Rdata_do"));
  filter->nazwa = var_s("Rnazwa");
  if (static_cast<long>(filter->nazwa.size()) > RAPORTY_NAZWA_MAX) filter->nazwa.resize(RAPORTY_NAZWA_MAX);
  filter->Id_Towary_typy = var_z("Naprawy_Towary_typy_Id");
  return 0;
}

bool Raporty_Transakcje_row_allow_add(const Raporty_filter* filter, const Transakcje& doc,
                                      const Towary_transakcje& line) {
  if (!filter) return false;
  if (filter->od && doc.data_transkacji < filter->od) return false;
  if (filter->do_ && doc.data_transkacji > filter->do_) return false;
  const Towary* good = catalogue(line.Id_Towary);
  if (!good) return false;
  if (filter->Id_Towary_typy != 0 && good->Id_Towary_typy != filter->Id_Towary_typy) return false;
  if (!filter->nazwa.empty() &&
      !vtab_chkpatrnicx(good->nazwa.c_str(), filter->nazwa.c_str(), static_cast<long>(filter->nazwa.size()),
                        vtab_to_lowlang_cp1250))
    return false;
  return true;
}

int Raporty_Towary_row(Towary_tab* sums, const Towary_transakcje& line, std::uint32_t doc_Id) {
  if (!sums) return -1;
  std::int64_t cents = 0;
  if (!std::isfinite(line.liczba_sztuk) || !kal::money_product_cents(line.cena, line.liczba_sztuk, &cents)) {
    std::printf("Raporty_Towary_row(Id=%lu): the line's price or count is no number, not counted\n",
                static_cast<unsigned long>(line.Id));
    return 1;
  }
  if (Towary* s = Towary_tab_get_Id(sums, line.Id_Towary, VTAB_CMP_EQUAL)) {
    s->cena_sprzedazy = plus_cents(s->cena_sprzedazy, cents);
    s->liczba_sztuk += line.liczba_sztuk;
    s->ostatnie_sztuk_sprzedazy += 1;
    s->Id_Jednostki_metryczne = doc_Id;
    return 0;
  }
  Towary s;
  Towary_init(&s);
  s.Id = line.Id_Towary;
  s.cena_sprzedazy = kal::money_of_cents(cents);
  s.liczba_sztuk = line.liczba_sztuk;
  s.ostatnie_sztuk_sprzedazy = 1;
  s.Id_Jednostki_metryczne = doc_Id;
  return Towary_tab_insert(sums, &s) == 0 ? 0 : -1;
}

int Raporty_Transakcje_row(Towary_tab* sums, const Raporty_filter* filter, const Transakcje& doc,
                           const Towary_transakcje& line) {
  if (!Raporty_Transakcje_row_allow_add(filter, doc, line)) return 0;
  const int rc = Raporty_Towary_row(sums, line, doc.Id);
  return rc < 0 ? -1 : rc == 0 ? 1 : 0;
}

long Raporty_Transakcje_run(Towary_tab* sums, const Raporty_filter* filter) {
  Transakcje_tab* docs = glue_root<Transakcje>::tab();
  if (!sums || !filter || !docs) return -1;
  const kal::report_lines lines;
  if (!lines.ok()) return -1;
  long counted = 0;
  for (Transakcje_listelem* e = docs->first; e; e = e->next) {
    const Transakcje* d = e->row;
    if (!d || d->Id_Transakcje_typy != 1) continue;
    const auto* of = lines.of(d->Id);
    if (!of) continue;
    for (const Towary_transakcje* l : *of) {
      const int rc = Raporty_Transakcje_row(sums, filter, *d, *l);
      if (rc < 0) return -1;
      counted += rc;
    }
  }
  return counted;
}

// --- profit, order, rows ------------------------------------------------------------------

double Raporty_zysk(const Towary& sum) {
  const Towary* good = catalogue(sum.Id);
  if (!good) return 0.0;
  const double cost = toBrutto(good->ostatnia_cena_kupna, stawka_vat_przelicznik(good->Id_Stawki_VAT));
  std::int64_t cents = 0;
  if (!kal::money_product_cents(cost, sum.liczba_sztuk, &cents)) return sum.cena_sprzedazy;
  return plus_cents(sum.cena_sprzedazy, -cents);
}

hashtbl* Raporty_sort(Towary_tab* sums, int code) {
  hashtbl* keys = kal::report_keys(sums, code, Raporty_zysk);
  if (keys && kal::report_sort_do(keys, code) != HASHTBL_OK) hashtbl_delete(&keys);
  return keys;
}

int Raporty_show_row(long n, const Towary& sum, double* total_value, double* total_profit, double* total_count) {
  const Towary* good = catalogue(sum.Id);
  if (!good) return -1;
  const double profit = Raporty_zysk(sum);
  char url[96];
  app("<tr>\n");
  cell(n, true, std::string(from_l(n + 1)) + ". ");
  std::snprintf(url, sizeof url, "sprzet.htm?n_%d=e&Towary_Id=%lu", kPageGoodsEdit, static_cast<unsigned long>(sum.Id));
  cell(n, false, page_href(url, kal::html_text(good->nazwa.view()).c_str()));
  cell(n, true, kal::html_text(good->kod.view()));
  cell(n, true, good->PKWiU.empty() ? "&nbsp;" : kal::html_text(good->PKWiU.view()));
  cell(n, true, from_gzl(sum.cena_sprzedazy));
  cell(n, true, from_gzl(profit));
  cell(n, true, from_gzl0(sum.liczba_sztuk));
  cell(n, true, from_gzl0(sum.ostatnie_sztuk_sprzedazy));
  Transakcje_tab* docs = glue_root<Transakcje>::tab();
  const Transakcje* d = docs ? Transakcje_tab_get_Id(docs, sum.Id_Jednostki_metryczne, VTAB_CMP_EQUAL) : nullptr;
  std::uint32_t repair = 0;
  if (g_repairs) {
    repair = g_repairs->of(sum.Id_Jednostki_metryczne);
  } else if (Naprawy_tab* repairs = glue_root<Naprawy>::tab(); repairs && sum.Id_Jednostki_metryczne != 0) {
    if (const Naprawy* r = Naprawy_tab_get_Id_Transakcje(repairs, sum.Id_Jednostki_metryczne, VTAB_CMP_EQUAL))
      repair = r->Id;
  }
  std::snprintf(url, sizeof url, "naprawa.htm?n_%d=e&Naprawy_Id=%lu", kPageRepairEdit,
                static_cast<unsigned long>(repair));
  const std::string date = d ? from_td(d->data_transkacji) : "";
  cell(n, true, page_href(url, date.c_str()));
  app("</tr>\n");
  if (total_value) *total_value = kal::money_add(*total_value, sum.cena_sprzedazy);
  if (total_profit) *total_profit = kal::money_add(*total_profit, profit);
  if (total_count) *total_count += sum.liczba_sztuk;
  return 0;
}

// --- the page -----------------------------------------------------------------------------

int mgs_Raporty(const char* action_arg) {
  const std::string action = action_arg ? action_arg : "";
  if (action == ustawienia_get("Czysc_button")) kal::report_filter_reset();

  Raporty_filter filter;
  Raporty_filter_init(&filter);
  Raporty_sums sums;
  if (!sums.tab() || Raporty_Transakcje_run(sums.tab(), &filter) < 0)
    std::printf("mgs_Raporty(): the documents could not be summed\n");

  app("<CENTER>\n");
  html_form_open("raporty.htm");
  sess_put("Rtitle", "Zestawienie Sprzedaży");
  int rc = qq_run("Raporty_filtr.htm", appc, qq_main);
  app("<table border=0>\n");
  if (qq_run("Raporty_row0.htm", appc, qq_main) != 0) rc = -1;

  const repairs_by_doc repairs;
  g_repairs = &repairs;
  double value = 0, profit = 0, count = 0;
  long shown = 0;
  if (hashtbl* order = Raporty_sort(sums.tab(), var_i("Rsort"))) {
    for (std::uint32_t i = 0; i < order->size; ++i) {
      const Towary* s = Towary_tab_get_Id(sums.tab(), to_z(order->values[i]), VTAB_CMP_EQUAL);
      if (s && Raporty_show_row(shown, *s, &value, &profit, &count) == 0) ++shown;
    }
    hashtbl_delete(&order);
  }
  g_repairs = nullptr;

  app("<tr>\n");
  for (int i = 0; i < 3; ++i) cell(shown, false, "");
  cell(shown, true, "<b>" + kal::html_text(ustawienia_get("Suma_text")) + ":</b>");
  cell(shown, true, from_gzl(value));
  cell(shown, true, from_gzl(profit));
  cell(shown, true, from_gzl0(count));
  for (int i = 0; i < 2; ++i) cell(shown, false, "");
  app("</tr>\n");
  app("</table>\n");
  html_form_close();
  app("</CENTER>\n");
  return rc;
}
