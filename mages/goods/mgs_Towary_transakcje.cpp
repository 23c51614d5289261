#include "mages/goods/mgs_Towary_transakcje.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "lib/convert.hpp"
#include "mages/glue_impl.hpp"
#include "mages/goods/mgs_Stawki_VAT0.hpp"
#include "mages/goods/mgs_Towary.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "mages/goods/mgs_Towary_magazyn.hpp"
#include "mages/goods/mgs_Transakcje0.hpp"
#include "server/html_form.hpp"
#include "server/oo_texts.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"

namespace {

constexpr int kPageGoodsEdit = 17;

// The variables of one line, in the order the line moves them.
constexpr const char* kLineFields[] = {
    "Towary_transakcje_Id",      "Towary_transakcje_Id_Towary",  "Towary_transakcje_Id_Transakcje",
    "Towary_transakcje_cena",    "Towary_transakcje_liczba_sztuk", "Towary_transakcje_Id_Magazyny",
    "Towary_transakcje_numer",   "Towary_transakcje_model",      "Towary_transakcje_kolor",
    "Towary_transakcje_typ",     "Serwis_zewnetrzny_cechy_uszkodzenia"};

const char* letter(int type) { return type == 2 ? "d" : type == TOWARY_TRANSAKCJE_REKLAMACJE ? "r" : "s"; }
std::string counter_name(int type) { return std::string("Towary_transakcje_count.") + letter(type); }
std::string line_suffix(long i, int type) { return "." + std::to_string(i) + letter(type); }

// The counter as the session holds it, within 0 .. the most lines.
long line_count(int type) {
  const long n = to_l(var_s(counter_name(type).c_str()));
  if (n < 0) return 0;
  return n > TOWARY_TRANSAKCJE_MAX_LINES ? TOWARY_TRANSAKCJE_MAX_LINES : n;
}
void set_line_count(int type, const char* text) { sess_put(counter_name(type).c_str(), text); }

// A VAT factor of a line's goods: below 1.0 (no rate) it is 1.22.
double line_factor(const Towary& goods) {
  const double f = stawka_vat_przelicznik(goods.Id_Stawki_VAT);
  return f < 1.0 ? 1.22 : f;
}

// The amount with the currency: before it in English, after it otherwise,
// joined by sep.
std::string money(double amount, const char* sep = "") {
  const std::string a = from_gzl(kal::money_round(amount));
  const std::string zl = ustawienia_get("zl_text");
  return oo_texts_get_lang() == 1 ? zl + sep + a : a + sep + zl;
}

// a x b in grosze; 0 for what is not a finite amount.
std::int64_t cents_of(double a, double b) {
  std::int64_t c = 0;
  return kal::money_product_cents(a, b, &c) ? c : 0;
}

void colname(const char* caption) {
  app("  <TD CLASS=colname>");
  app(caption);
  app("</TD>\n");
}

// Writes the three files a stored line changes: 0, or 1 when one of them
// could not be written (the console says which).
int save_files() {
  int failed = glue_root<Towary_transakcje>::save();
  failed += glue_root<Towary>::save();
  failed += glue_root<Towary_magazyn>::save();
  return failed ? 1 : 0;
}

// Stores one line; the files are written when save is set.
int store_line(const std::string& suffix, int type, bool save) {
  Towary_transakcje_tab* t = glue_root<Towary_transakcje>::tab();
  if (!t) return -1;
  Towary_transakcje line{};
  mgs_Towary_transakcje_from_ht(&line, "", suffix.c_str());
  if (!std::isfinite(line.cena) || !std::isfinite(line.liczba_sztuk)) {
    std::printf("mgs_Towary_transakcje_create(%s): the price or the count is not a finite number, not stored !\n",
                suffix.c_str());
    return -4;
  }
  uint32_t max = 0;
  const bool any = Towary_transakcje_tab_max_Id(t, &max) == 0;
  if (any && max == UINT32_MAX) {
    std::printf("mgs_Towary_transakcje_create(%s): no free Id left, not stored !\n", suffix.c_str());
    return -1;
  }
  line.Id = any ? max + 1 : 1;
  sess_put(("Towary_transakcje_Id" + suffix).c_str(), from_z(line.Id));
  const int rc = Towary_transakcje_tab_insert(t, &line);
  if (rc != 0) return rc;
  const double delta = type == 2 ? line.liczba_sztuk : -line.liczba_sztuk;
  kal::towary_move(line.Id_Towary, &delta, nullptr, nullptr);
  kal::towary_magazyn_move(line.Id_Towary, line.Id_Magazyny, delta);
  return save ? save_files() : 0;
}

}  // namespace

// --- the list in the session -------------------------------------------------------------

namespace kal {
long towary_transakcje_count(int type) { return line_count(type); }
std::string towary_transakcje_suffix(long i, int type) { return line_suffix(i, type); }

bool towary_transakcje_list_refused(int type) {
  std::int64_t sum = 0;
  const long count = line_count(type);
  for (long i = 0; i < count; ++i) {
    const std::string suffix = line_suffix(i, type);
    std::int64_t value = 0;
    if (line_refused("Pozycja " + std::to_string(i + 1), var_g(("Towary_transakcje_cena" + suffix).c_str()),
                     var_g(("Towary_transakcje_liczba_sztuk" + suffix).c_str()), &value))
      return true;
    if (!money_add_cents(sum, value, &sum)) {
      errorDisplay(total_refusal().c_str());
      return true;
    }
  }
  return false;
}
}  // namespace kal

int mgs_Towary_transakcje_to_ht2(const char* suffix) {
  const int goods = append_dynamic("Towary_transakcje_Id_Towary", suffix);
  const int count = append_dynamic("Towary_transakcje_liczba_sztuk", suffix);
  append_dynamic("Serwis_zewnetrzny_cechy_uszkodzenia", suffix);
  append_dynamic("Towary_transakcje_cena", suffix);
  return goods + count;
}

int mgs_Towary_transakcje_del_ht2(const char* suffix) {
  for (const char* field : kLineFields) remove_dynamic(field, suffix ? suffix : "");
  return 0;
}

int mgs_Towary_transakcje_append(int type) {
  const long count = line_count(type);
  if (count >= TOWARY_TRANSAKCJE_MAX_LINES) {
    std::printf("mgs_Towary_transakcje_append(%d): the list holds %ld lines already, nothing appended\n", type,
                count);
    return -1;
  }
  // What the request types for the new line (nothing typed reads as 0).
  auto typed = [](const char* name) {
    const char* text = get_post_or_get_s(name);
    return text ? to_gzl(text) : 0.0;
  };
  std::int64_t value = 0;
  if (kal::line_refused("Nowa pozycja", typed("Towary_transakcje_cena"), typed("Towary_transakcje_liczba_sztuk"),
                        &value))
    return -4;
  const std::string suffix = line_suffix(count, type);
  // Whatever a removed line left in the slot is not the new line's.
  mgs_Towary_transakcje_del_ht2(suffix.c_str());
  if (mgs_Towary_transakcje_to_ht2(suffix.c_str()) == 0) set_line_count(type, from_l(count + 1));
  return 0;
}

int mgs_Towary_transakcje_unappend(const char* n_text, int type) {
  const long n = to_l(n_text);
  if (n < 1) return -1;
  const long count = line_count(type);
  if (count == 0) {
    set_line_count(type, "0");
    return 0;
  }
  if (n > count) return -1;
  for (long i = n - 1; i <= count - 2; ++i)
    for (const char* field : kLineFields) set_previous_dynamic(field, i, letter(type));
  mgs_Towary_transakcje_del_ht2(line_suffix(count - 1, type).c_str());
  set_line_count(type, from_l(count - 1));
  return 0;
}

// --- the editable table ---------------------------------------------------------------------

int mgs_Towary_transakcje_dynamic(const char* form_name, double* total, int type, int short_form) {
  if (type != 1 && type != 2 && type != 3) std::printf("err Id_Transakcje_typy=%d !\n", type);
  const bool full = short_form == 0;
  std::int64_t total_cents = 0;

  app("<table border=0>\n");
  app("<TR>\n");
  colname(ustawienia_get("Lp_text"));
  colname(ustawienia_get("Nazwa_towaru_uslugi_text"));
  colname(ustawienia_get("kod_text"));
  colname(ustawienia_get("PKWiU_text"));
  if (full) {
    colname(tr(233));
    colname(ustawienia_get("VAT_text"));
    colname(tr(231));
  }
  colname(ustawienia_get("Sztuk_text"));
  if (full) colname(tr(232));
  if (type == 3 && short_form == 1) colname(tr(180));
  app("</TR>\n");

  const long count = line_count(type);
  for (long i = 0; i < count; ++i) {
    const std::string suffix = line_suffix(i, type);
    Towary_transakcje line{};
    mgs_Towary_transakcje_from_ht(&line, "", suffix.c_str());
    const Towary* goods = kal::glue<Towary>::find(line.Id_Towary);
    double gross = 0.0, net = 0.0;
    std::string name, kod, pkwiu, vat;
    if (goods) {
      gross = kal::money_round(var_g(("Towary_transakcje_cena" + suffix).c_str()));
      net = kal::money_round(gross / line_factor(*goods));
      name = kal::html_text(goods->nazwa.view());
      kod = kal::html_text(goods->kod.view());
      pkwiu = kal::html_text(goods->PKWiU.view());
      vat = kal::html_text(Stawki_VAT_nazwa(goods->Id_Stawki_VAT));
    } else {
      app((" pTowary==NULL for _Towary_transakcje.Id_Towary=" + std::string(from_z(line.Id_Towary)) + " !<br>\n")
              .c_str());
      app("brutto,nazwa_VAT: pTowary==NULL !<br>\n");
    }
    const double pieces = std::isfinite(line.liczba_sztuk) ? line.liczba_sztuk : 0.0;
    const std::int64_t line_cents = cents_of(gross, pieces);
    total_cents += line_cents;
    const std::string net_text = money(net), gross_text = money(gross), count_text = from_gzl0(pieces),
                      line_text = money(kal::money_of_cents(line_cents));
    tableItemDynamic(nullptr, i + 1, form_name, nullptr, nullptr, name.c_str(), nullptr, kod.c_str(), nullptr,
                     pkwiu.c_str(), nullptr, net_text.c_str(), nullptr, vat.c_str(), nullptr, gross_text.c_str(),
                     nullptr, count_text.c_str(), nullptr, line_text.c_str());
  }

  const double sum = kal::money_of_cents(total_cents);
  if (total) *total = sum;
  if (!full) {
    app("</table>\n");
    return 0;
  }
  app("<TR>\n");
  app("  <TD colspan=6 align=right> ");
  app(ustawienia_get("Suma_text"));
  app(":</TD>\n");
  app(("  <TD> " + money(sum, oo_texts_get_lang() == 1 ? "" : " ") + " </TD>").c_str());
  const std::string sum_text = from_gzl(sum);
  sess_put("Transakcje_laczna_wartosc", sum_text.c_str());
  app(form_input_hidden("Transakcje_laczna_wartosc", sum_text.c_str()));
  app("</TR>\n");
  app("</table>\n");
  return 0;
}

// --- storing ----------------------------------------------------------------------------------

int mgs_Towary_transakcje_create(const char* suffix, int type) {
  return store_line(suffix ? suffix : "", type, true);
}

int mgs_Towary_transakcje_creates(uint32_t document_Id, int type) {
  const long count = line_count(type);
  int first = 0;
  for (long i = 0; i < count; ++i) {
    const std::string suffix = line_suffix(i, type);
    sess_put(("Towary_transakcje_Id_Transakcje" + suffix).c_str(), from_z(document_Id));
    const int rc = store_line(suffix, type, false);
    if (first == 0) first = rc;
    mgs_Towary_transakcje_del_ht2(suffix.c_str());
  }
  const int saved = count > 0 ? save_files() : 0;
  set_line_count(type, "");
  return first != 0 ? first : saved;
}

// --- a stored document's lines -------------------------------------------------------------------

int mgs_Sprzedaz_existed_rows(uint32_t document_Id, double* net_sum, double* gross_sum, const char* caption,
                              uint32_t goods_type) {
  const Transakcje* document = kal::glue<Transakcje>::find(document_Id);
  if (!document) return -1;

  app("<TR>\n");
  colname(ustawienia_get("Lp_text"));
  colname(caption && caption[0] ? caption : ustawienia_get("Nazwa_towaru_uslugi_text"));
  colname(ustawienia_get("kod_text"));
  colname(ustawienia_get("PKWiU_text"));
  colname(ustawienia_get(document->Id_Transakcje_typy == 2 ? "Cena_netto__kupna_text"
                                                            : "Cena_netto__sprzedazy_text"));
  colname(ustawienia_get("VAT_text"));
  colname(tr(231));
  colname(ustawienia_get("Sztuk_text"));
  colname(tr(232));
  app("</TR>\n");

  std::int64_t net_cents = 0, gross_cents = 0;
  Towary_transakcje_tab* t = glue_root<Towary_transakcje>::tab();
  Towary_transakcje_ref* ref = t ? Towary_transakcje_tab_gets_Id_Transakcje(t, document_Id, VTAB_CMP_EQUAL) : nullptr;
  long shown = 0;
  for (tab_ref_elem* e = ref ? ref->first : nullptr; e; e = e->next) {
    const Towary_transakcje* line = vtab_row<Towary_transakcje>(e);
    const Towary* goods = line ? kal::glue<Towary>::find(line->Id_Towary) : nullptr;
    if (!goods) continue;
    if (goods_type != 0 && goods->Id_Towary_typy != goods_type) continue;
    const double net = toNetto(line->cena, line_factor(*goods));
    const std::int64_t line_gross = cents_of(line->cena, line->liczba_sztuk);
    gross_cents += line_gross;
    net_cents += cents_of(net, line->liczba_sztuk);
    char url[64];
    std::snprintf(url, sizeof url, "p.htm?n_%d=n&Towary_Id=%ld", kPageGoodsEdit, static_cast<long>(goods->Id));
    const std::string name = kal::html_text(goods->nazwa.view()), kod = kal::html_text(goods->kod.view()),
                      pkwiu = kal::html_text(goods->PKWiU.view()),
                      vat = kal::html_text(Stawki_VAT_nazwa(goods->Id_Stawki_VAT)), net_text = money(net),
                      gross_text = money(line->cena),
                      count_text = from_gzl0(std::isfinite(line->liczba_sztuk) ? line->liczba_sztuk : 0.0),
                      line_text = money(kal::money_of_cents(line_gross));
    tableItemDisplay2(++shown, url, name.c_str(), kod.c_str(), pkwiu.c_str(), net_text.c_str(), vat.c_str(),
                      gross_text.c_str(), count_text.c_str(), line_text.c_str());
  }
  if (ref) Towary_transakcje_ref_delete(&ref);

  const double net = kal::money_of_cents(net_cents), gross = kal::money_of_cents(gross_cents);
  const char* sep = oo_texts_get_lang() == 1 ? "" : " ";
  app("<TR>\n");
  app("  <TD colspan=3></TD>\n");
  colname(ustawienia_get("Suma_text"));
  app(("  <TD>\n" + money(net, sep) + " </TD>\n").c_str());
  app("  <TD colspan=2></TD>\n");
  colname(ustawienia_get("Suma_text"));
  app(("  <TD>\n" + money(gross, sep) + " </TD>\n").c_str());
  app("</TR>\n");
  if (net_sum) *net_sum += net;
  if (gross_sum) *gross_sum += gross;
  return 0;
}

int mgs_Sprzedaz_existed(uint32_t document_Id, double* net_sum, double* gross_sum, const char* caption,
                         uint32_t goods_type) {
  if (!kal::glue<Transakcje>::find(document_Id)) return -1;
  app("<table border=0>\n");
  const int rc = mgs_Sprzedaz_existed_rows(document_Id, net_sum, gross_sum, caption, goods_type);
  app("</table>\n");
  return rc;
}
