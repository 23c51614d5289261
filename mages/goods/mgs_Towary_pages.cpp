#include "mages/goods/mgs_Towary_pages.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "lib/convert.hpp"
#include "lib/hashtbl.hpp"
#include "lib/qq.hpp"
#include "lib/txt_utils.hpp"
#include "lib/vtab_lang.hpp"
#include "mages/firms/mgs_Jednostki_metryczne0.hpp"
#include "mages/glue_impl.hpp"
#include "mages/goods/mgs_Stawki_VAT0.hpp"
#include "mages/goods/mgs_Towary.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "mages/goods/mgs_Towary_dbf.hpp"
#include "mages/goods/mgs_Towary_magazyn.hpp"
#include "mages/goods/mgs_Towary_typy0.hpp"
#include "mages/qq_main.hpp"
#include "mages/repairs/mgs_Naprawy_list.hpp"
#include "server/html_form.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"

namespace {

constexpr int kPageDeliveries = 2;
constexpr int kPageNew = 7;
constexpr int kPageList = 8;
constexpr int kPageEdit = 17;
constexpr uint32_t kBadId = 4294967295u;
constexpr long kDefaultPageSize = 20;
constexpr long kMaxPageSize = 1000;
constexpr int kRepairListRows = 9999;

bool is(std::string_view action, const char* caption_key) { return action == ustawienia_get(caption_key); }

// A UI text with its one "%s" replaced by arg (the text is never a format).
std::string with_arg(const char* text, const std::string& arg) {
  std::string s = text;
  const std::size_t at = s.find("%s");
  if (at != std::string::npos) s.replace(at, 2, arg);
  return s;
}

// A filter text cut to its limit.
std::string cut(const char* text, std::size_t limit) {
  std::string s = text ? text : "";
  if (s.size() > limit) s.resize(limit);
  return s;
}

std::string id_text(uint32_t id) { return from_z(id); }

// The pick modes: the caption that starts one (a setting, or UI text 107),
// the mode's word, the goods type it presets (a setting, or none) and the
// variable holding its link prefix.
struct PickMode {
  const char* caption_key;  // NULL: UI text 107
  const char* suffix;
  const char* type_key;  // NULL: type 0
  const char* href_var;
};
constexpr PickMode kModes[] = {
    {nullptr, "NAPRAWA", "Typ_towaru_do_serwisu", "NAPRAWA_href"},
    {"Wybierz_towar_button", "SPRZEDAZ", nullptr, "SPRZEDAZ_TOWAR_href"},
    {"Wybierz_czesc_button", "CZESCI", "Typ_towaru_czesci", "NAPRAWA_CZESCI_href"},
    {"Wybierz_usluge_button", "USLUGI", "Typ_towaru_uslugi", "NAPRAWA_USLUGI_href"},
};

// A link prefix taken from the session or the request: kept only when it
// stays on this site.
std::string local_href(const char* href) { return href && href[0] && kal::href_is_local(href) ? href : ""; }

void reset_filters(const std::string& s, const char* type) {
  sess_put(("Towary_l" + s).c_str(), "");
  sess_put(("Towary_typy_Id" + s).c_str(), type);
  sess_put(("Stawki_VAT_Id" + s).c_str(), "0");
  sess_put(("cena_od_l" + s).c_str(), "0");
  sess_put(("cena_do_l" + s).c_str(), "0");
  sess_put(("liczba_sztuk_od_l" + s).c_str(), "-999999");
  sess_put(("liczba_sztuk_do_l" + s).c_str(), "999999");
}

// The filter set of a suffix.
struct Filter {
  std::string name, kod, pkwiu;
  double cena_od = 0, cena_do = 0, count_od = -999999, count_do = 999999;
  uint32_t type = 0, vat = 0;
  bool only_marked = false;
};

double bound(const std::string& var, double fallback) {
  const std::string text = cut(var_s(var.c_str()), 15);
  if (text.empty()) return fallback;
  const double v = to_gzl(text.c_str());
  return std::isfinite(v) ? v : fallback;
}

Filter read_filter(const std::string& s) {
  Filter f;
  f.name = cut(var_s(("Towary_l" + s).c_str()), 127);
  f.kod = cut(var_s(("Towary_k" + s).c_str()), 31);
  f.pkwiu = cut(var_s(("Towary_h" + s).c_str()), 31);
  f.cena_od = bound("cena_od_l" + s, 0);
  f.cena_do = bound("cena_do_l" + s, 0);
  f.count_od = bound("liczba_sztuk_od_l" + s, -999999);
  f.count_do = bound("liczba_sztuk_do_l" + s, 999999);
  f.type = var_z(("Towary_typy_Id" + s).c_str());
  f.vat = var_z(("Stawki_VAT_Id" + s).c_str());
  if (f.type == kBadId) f.type = 0;
  if (f.vat == kBadId) f.vat = 0;
  f.only_marked = std::string_view(var_s("Towary_tylko_oznaczone")) == "1";
  return f;
}

bool like(const char* value, const std::string& pattern) {
  if (pattern.empty()) return true;
  const std::string p = append_asterix(pattern.c_str());
  return vtab_chkpatrnicx(value ? value : "", p.c_str(), static_cast<long>(p.size()), vtab_to_lowlang_cp1250) != 0;
}

bool keep(const Towary& t, const Filter& f) {
  if (t.flags & TOWARY_FLAG_DELETED) return false;
  if (f.only_marked && !(t.flags & TOWARY_FLAG_MARKED)) return false;
  if (f.type != 0 && t.Id_Towary_typy != f.type) return false;
  if (f.vat != 0 && t.Id_Stawki_VAT != f.vat) return false;
  if (f.cena_od > 0 && t.cena_sprzedazy < f.cena_od) return false;
  if (f.cena_do > 0 && t.cena_sprzedazy > f.cena_do) return false;
  if (!(t.liczba_sztuk >= f.count_od && t.liczba_sztuk <= f.count_do)) return false;
  return like(t.nazwa.c_str(), f.name) && like(t.kod.c_str(), f.kod) && like(t.PKWiU.c_str(), f.pkwiu);
}

// The selected goods' Ids in the order of the sort code.
std::vector<uint32_t> select_sorted(const Filter& f, int sort) {
  std::vector<uint32_t> out;
  Towary_tab* tab = glue_root<Towary>::tab();
  hashtbl* h = hashtbl_new(tab ? static_cast<uint32_t>(tab->size) + 1 : 1);
  if (!h) return out;
  kal::glue<Towary>::each_by_id([&](const Towary& t) {
    if (!keep(t, f)) return;
    const long id = static_cast<long>(t.Id);
    const std::string value = id_text(t.Id);
    switch (sort) {
      case 3: case 4: hashtbl_append(h, t.nazwa.c_str(), value.c_str()); break;
      case 5: case 6: hashtbl_append(h, t.kod.c_str(), value.c_str()); break;
      case 15: case 16: hashtbl_append(h, t.PKWiU.c_str(), value.c_str()); break;
      case 7: case 8: hashtbl_append_cena(h, t.ostatnia_cena_kupna, id); break;
      case 9: case 10: hashtbl_append_cena(h, t.cena_sprzedazy, id); break;
      case 13: case 14: hashtbl_append_cena(h, t.liczba_sztuk, id); break;
      case 11: case 12: {
        char key[32];
        std::snprintf(key, sizeof key, "%02d", to_i(Stawki_VAT_nazwa(t.Id_Stawki_VAT)));
        hashtbl_append(h, key, value.c_str());
        break;
      }
      default: hashtbl_append_Id(h, id); break;
    }
  });
  hashtbl_sort(h);
  if (sort > 0 && sort % 2 == 0) hashtbl_reverse(h);
  for (uint32_t i = 0; i < h->size; ++i) out.push_back(to_z(h->values[i]));
  hashtbl_delete(&h);
  return out;
}

long page_size() {
  long p = to_l(ustawienia_get("Towarow_na_stronie"));
  if (p < 1) p = kDefaultPageSize;
  if (p > kMaxPageSize) p = kMaxPageSize;
  return p;
}

// The first row to show after the paging button, out of n rows.
long first_row(const std::string& action, long n, long p) {
  long s = to_l(var_s("Towary_listing_page_id"));
  if (s < 0) s = 0;
  const long last = n <= 0 ? 0 : (n % p == 0 ? n - p : n - n % p);
  if (s >= n) s = last;
  if (action == "|<" || action == "|&lt;") {
    s = 0;
  } else if (action == "<<" || action == "&lt;&lt;") {
    s = s > p ? s - p : 0;
  } else if (action == ">>" || action == "&gt;&gt;") {
    if (s + p < n) s += p;
  } else if (action == ">|" || action == "&gt;|") {
    s = last;
  }
  return s < 0 ? 0 : s;
}

std::string money(double v) { return from_gzl(kal::money_round(v)); }

void submit(int page, const char* caption) { app_button(page, caption); }

void list_row(long position, const Towary& t, const std::string& href) {
  const std::string id = id_text(t.Id);
  std::string link;
  if (!href.empty()) {
    link = href + id;
  } else {
    char url[96];
    std::snprintf(url, sizeof url, "towar_%s.htm?n_%d=e&Towary_Id=%s", id.c_str(), kPageEdit, id.c_str());
    link = url;
  }
  const double factor = stawka_vat_przelicznik(t.Id_Stawki_VAT);
  const std::string name = kal::html_text(t.nazwa.view()), kod = kal::html_text(t.kod.view()),
                    pkwiu = kal::html_text(t.PKWiU.view()), buy = money(t.ostatnia_cena_kupna),
                    buy_gross = money(toBrutto(t.ostatnia_cena_kupna, factor)), sale = money(t.cena_sprzedazy),
                    vat = kal::html_text(Stawki_VAT_nazwa(t.Id_Stawki_VAT)),
                    sale_gross = money(toBrutto(t.cena_sprzedazy, factor)), count = from_gzl0(t.liczba_sztuk);
  const std::string box = "Towary_check_" + id;
  tableItemDisplay3(box.c_str(), (t.flags & TOWARY_FLAG_MARKED) ? 1 : 0, position, link.c_str(), name.c_str(),
                    kod.c_str(), pkwiu.c_str(), buy.c_str(), buy_gross.c_str(), sale.c_str(), vat.c_str(),
                    sale_gross.c_str(), count.c_str());
}

// The filter rows of the list for the suffix.
void filter_rows(const std::string& s, const Filter& f, bool picking) {
  const std::string name_var = "Towary_l" + s;
  app("<TR><TD>");
  app(ustawienia_get("Nazwa_towaru_uslugi_text"));
  app("</TD><TD COLSPAN=3>");
  app(form_input_text2(name_var.c_str(), f.name.c_str(), 100, 25, ""));
  app(" ");
  Towary_typy_select_name(f.type, ("Towary_typy_Id" + s).c_str(), 1);
  if (!picking) {
    app(" ");
    app(form_input_hidden("Transakcje_Id_Transakcje_typy", "2"));
    submit(kPageDeliveries, tr(97));
    app(" ");
    submit(kPageNew, ustawienia_get("Nowy_Towar_Usluga_button"));
  }
  app("</TD></TR>\n<TR><TD COLSPAN=4>");
  app(ustawienia_get("kod_text"));
  app(" ");
  app(form_input_text2(("Towary_k" + s).c_str(), f.kod.c_str(), 40, 8, ""));
  app(" ");
  app(ustawienia_get("PKWiU_text"));
  app(" ");
  app(form_input_text2(("Towary_h" + s).c_str(), f.pkwiu.c_str(), 40, 8, ""));
  app(" ");
  app(tr(91));
  app(" ");
  app(form_input_text2(("cena_od_l" + s).c_str(), var_s(("cena_od_l" + s).c_str()), 10, 4, ""));
  app(" ");
  app(tr(92));
  app(" ");
  app(form_input_text2(("cena_do_l" + s).c_str(), var_s(("cena_do_l" + s).c_str()), 10, 4, ""));
  app(" ");
  app(tr(363));
  app(" ");
  app(form_input_text2(("liczba_sztuk_od_l" + s).c_str(), from_gzl0(f.count_od), 10, 5, ""));
  app(" ");
  app(tr(92));
  app(" ");
  app(form_input_text2(("liczba_sztuk_do_l" + s).c_str(), from_gzl0(f.count_do), 10, 5, ""));
  app("</TD></TR>\n<TR><TD COLSPAN=4>");
  app(ustawienia_get("VAT_text"));
  app(":");
  Stawki_VAT_select_name(f.vat, ("Stawki_VAT_Id" + s).c_str(), 1);
  app(" ");
  submit(kPageList, ustawienia_get(f.only_marked ? "Nie_filtruj_oznaczonych_button" : "Tylko_oznaczone_button"));
  if (std::string_view(ustawienia_get("ukryj_zeruj_stany")) != "1") {
    app(" ");
    submit(kPageList, ustawienia_get("Zeruj_stany_button"));
  }
  app(" ");
  submit(kPageList, ustawienia_get("Czysc_button"));
  app(" ");
  submit(kPageList, ustawienia_get("Szukaj_button"));
  app("</TD></TR>\n");
}

// The goods shown on the page the request came from.
std::vector<uint32_t> shown_ids() {
  std::vector<uint32_t> ids;
  const std::string shown = get_post_or_get_s("Towary_check_shown") ? get_post_or_get_s("Towary_check_shown") : "";
  std::size_t at = 0;
  while (at < shown.size()) {
    std::size_t end = shown.find(',', at);
    if (end == std::string::npos) end = shown.size();
    const uint32_t id = to_z(shown.substr(at, end - at).c_str());
    if (id != 0 && id != kBadId) ids.push_back(id);
    at = end + 1;
  }
  return ids;
}

int set_flags(uint32_t id, int flags) { return kal::glue<Towary>::set_field<&Towary::flags>(id, flags); }

bool finite_goods(const Towary& t) {
  for (double v : {t.ostatnia_cena_kupna, t.srednia_cena_kupna, t.marza, t.cena_sprzedazy, t.liczba_sztuk,
                   t.ostatnie_sztuk_dostawy, t.ostatnie_sztuk_sprzedazy})
    if (!std::isfinite(v)) return false;
  return true;
}

const char* kNotFinite = "Towaru nie zapisano: jedno z jego pól liczbowych nie jest liczbą !";

// Every goods variable of the form emptied (the gross price too).
void clear_form() {
  mgs_Towary_del_ht("", "");
  sess_put("Towary_brutto", "");
}

void load_form(uint32_t id) {
  Towary t{};
  mgs_Towary_get(id, &t, "", "");
  mgs_Towary_to_ht(&t, "", "");
  sess_put("Towary_brutto", money(toBrutto(t.cena_sprzedazy, stawka_vat_przelicznik(t.Id_Stawki_VAT))).c_str());
}

bool price_button(std::string_view action) {
  return is(action, "Na_netto_button") || is(action, "Na_brutto_button") || is(action, "Przelicz_button");
}

// The stored goods takes the fields the request carries and the fields the
// page computes (margin, time of change, flags).  false when nothing was
// stored (not a number, no goods, no file).
bool store_carried(uint32_t id, int flags) {
  Towary form{};
  mgs_Towary_from_ht(&form, "", "");
  if (!finite_goods(form)) {
    errorDisplay(kNotFinite);
    return false;
  }
  if (kal::glue<Towary>::update_carried(id, "", "") == -1) return false;
  kal::glue<Towary>::set_field<&Towary::cena_sprzedazy>(id, form.cena_sprzedazy);
  kal::glue<Towary>::set_field<&Towary::marza>(id, calc_marza(form.cena_sprzedazy, form.ostatnia_cena_kupna));
  kal::glue<Towary>::set_field<&Towary::czas_modyfikacji>(id, static_cast<int64_t>(std::time(nullptr)));
  set_flags(id, flags);
  if (glue_root<Towary>::save() != 0) {
    errorDisplay("Nie można zapisać pliku dat/Towary.dat !");
    return false;
  }
  return true;
}

// The repair list drawn inside the page, its variables given back.
void embedded_repairs(const char* filter_var, const std::string& value, const char* reset_value) {
  mgs_Naprawy_Czysc();
  sess_put(filter_var, value.c_str());
  sess_put("Nzaawansowane", "1");
  sess_put("Naprawy_page_Id", from_i(kPageEdit));
  mgs_Naprawy_list(0);
  sess_put("Naprawy_page_Id", "6");
  sess_put("Nzaawansowane", "0");
  sess_put(filter_var, reset_value);
}

}  // namespace

// --- the list's actions -------------------------------------------------------------------------

int Towary_Czysc() {
  sess_put("Towary_l", "");
  sess_put("Towary_k", "");
  sess_put("Towary_h", "");
  sess_put("Towary_typy_Id", "0");
  sess_put("cena_od_l", "0");
  sess_put("cena_do_l", "0");
  sess_put("Stawki_VAT_Id", "0");
  sess_put("Towary_tylko_oznaczone", "0");
  sess_put("Tsort", "3");
  sess_put("liczba_sztuk_od_l", "-999999");
  sess_put("liczba_sztuk_do_l", "999999");
  return 0;
}

int Towary_Zatwierdz_oznaczenia() {
  if (!glue_root<Towary>::tab()) {
    std::printf("Towary_Zatwierdz_oznaczenia() tab_ref==NULL !\n");
    return -2;
  }
  // The goods of the submitted page: a ticked box marks, an unticked one
  // (which the browser does not send) clears.  Without the list of the page,
  // only the ticked boxes the request carries count.
  std::set<uint32_t> ids;
  for (uint32_t id : shown_ids()) ids.insert(id);
  const bool whole_page = !ids.empty();
  if (!whole_page) {
    kal::glue<Towary>::each_by_id([&](const Towary& t) {
      if (is_in_post_or_get(("Towary_check_" + id_text(t.Id)).c_str())) ids.insert(t.Id);
    });
  }
  for (uint32_t id : ids) {
    const Towary* t = kal::glue<Towary>::find(id);
    if (!t) continue;
    const std::string var = "Towary_check_" + id_text(id);
    const char* posted = get_post_or_get_s(var.c_str());
    const bool on = posted && std::string_view(posted) == "on";
    const int flags = on ? (t->flags | TOWARY_FLAG_MARKED) : (t->flags & ~TOWARY_FLAG_MARKED);
    if (flags != t->flags) set_flags(id, flags);
  }
  sess_params_clear("Towary_check_");
  for (uint32_t id : ids) sess_put(("Towary_check_" + id_text(id)).c_str(), "");
  if (glue_root<Towary>::save() != 0) errorDisplay("Nie można zapisać pliku dat/Towary.dat !");
  return 0;
}

int Towary_Czysc_oznaczenia() {
  if (!glue_root<Towary>::tab()) {
    std::printf("Towary_Czysc_oznaczenia() tab_ref==NULL !\n");
    return -2;
  }
  std::vector<std::pair<uint32_t, int>> marked;
  kal::glue<Towary>::each_by_id([&](const Towary& t) {
    if (t.flags & TOWARY_FLAG_MARKED) marked.emplace_back(t.Id, t.flags & ~TOWARY_FLAG_MARKED);
  });
  for (const auto& [id, flags] : marked) {
    set_flags(id, flags);
    sess_put(("Towary_check_" + id_text(id)).c_str(), "");
  }
  if (glue_root<Towary>::save() != 0) errorDisplay("Nie można zapisać pliku dat/Towary.dat !");
  return 0;
}

// --- the list -----------------------------------------------------------------------------------

int mgs_Towary_list() {
  const long p = page_size();
  const std::string action = var_s("n_8");
  bool zeroed = false;
  if (is(action, "Czysc_button")) Towary_Czysc();
  if (is(action, "Nie_filtruj_oznaczonych_button")) sess_put("Towary_tylko_oznaczone", "0");
  if (is(action, "Tylko_oznaczone_button")) sess_put("Towary_tylko_oznaczone", "1");
  if (is(action, "Zeruj_stany_button")) zeroed = Towary_Zeruj_stany() == 0;
  if (is(action, "Zatwierdz_oznaczenia_button")) Towary_Zatwierdz_oznaczenia();
  if (is(action, "Czysc_oznaczenia_button")) Towary_Czysc_oznaczenia();
  if (is(action, "Oznaczone_do_DBF_button")) Towary_oznaczone_do_dbf();

  std::string href, suffix;
  bool mode_started = false;
  for (const PickMode& m : kModes) {
    const std::string caption = m.caption_key ? ustawienia_get(m.caption_key) : tr(107);
    if (action != caption) continue;
    const std::string type = m.type_key ? ustawienia_get(m.type_key) : "0";
    reset_filters(m.suffix, type.c_str());
    if (std::string_view(m.suffix) != "SPRZEDAZ") sess_put("Towary_Id_Towary_typy", type.c_str());
    href = local_href(var_s(m.href_var));
    suffix = m.suffix;
    mode_started = true;
    break;
  }
  // Otherwise the list's own form carries the link and the mode word; a
  // list opened without them (the menu) picks nothing.
  if (!mode_started) {
    href = local_href(get_post_or_get_s("backhref"));
    if (!href.empty()) suffix = cut(get_post_or_get_s("suffix"), 16);
  }
  // A link that is no local link drops the pick mode.
  if (href.empty()) suffix.clear();
  bool known = suffix.empty();
  for (const PickMode& m : kModes) known = known || suffix == m.suffix;
  if (!known) {
    suffix.clear();
    href.clear();
  }

  const Filter f = read_filter(suffix);
  const std::vector<uint32_t> rows = select_sorted(f, var_i("Tsort"));
  const long n = static_cast<long>(rows.size());
  const long s = first_row(action, n, p);
  sess_nav_set(kPageList, "");
  sess_put("Towary_listing_page_id", from_l(s));

  app("<CENTER>\n");
  html_form_open("towary.htm");
  if (zeroed) {
    infoDisplay("Wyzerowano stany.");
    app("<BR>\n");
  }
  app("<TABLE WIDTH=100%><TR><TD CLASS=pagetitle ALIGN=CENTER> ");
  app(tr(98));
  app(" </TD></TR></TABLE>\n");
  app("<TABLE>\n");
  filter_rows(suffix, f, !href.empty());
  app("</TABLE>\n");

  const long end = s + p < n ? s + p : n;
  if (n > 0) {
    char range[96];
    std::snprintf(range, sizeof range, "%ld - %ld %s ", s + 1, end, ustawienia_get("ze_znalezionych_text"));
    app(range);
    app(from_l(n));
  } else {
    infoDisplay(tr(12));
  }
  for (const char* arrow : {"|<", "<<", ">>", ">|"}) {  // the emitter escapes them
    app(" ");
    app(form_input_submit("n_8", arrow, ""));
  }
  app(form_input_hidden("Towary_listing_page_id", from_l(s)));
  if (!href.empty()) {
    app(form_input_hidden("backhref", href.c_str()));
    app(form_input_hidden("suffix", suffix.c_str()));
    app(" ");
    app(page_href(href.c_str(), ustawienia_get("Powrot_button")));
  }
  app("<br>\n<table border=0>\n");
  const int rc = qq_run("Towary_row0.htm", appc, qq_main);

  std::string shown;
  for (long i = s; i < end; ++i) {
    const Towary* t = kal::glue<Towary>::find(rows[static_cast<std::size_t>(i)]);
    if (!t) continue;
    list_row(i + 1, *t, href);
    if (!shown.empty()) shown += ",";
    shown += id_text(t->Id);
  }
  app("</table>\n");
  app(form_input_hidden("Towary_check_shown", shown.c_str()));
  submit(kPageList, ustawienia_get("Zatwierdz_oznaczenia_button"));
  app(" ");
  submit(kPageList, ustawienia_get("Czysc_oznaczenia_button"));
  if (std::string_view(ustawienia_get("ukryj_dbf_export")) != "1") {
    app(" ");
    submit(kPageList, ustawienia_get("Oznaczone_do_DBF_button"));
  }
  app("\n");
  html_form_close();
  app("</CENTER>\n");
  return rc;
}

// --- the name check -----------------------------------------------------------------------------

int Towary_validate(std::string& msg, const Towary* t) {
  msg.clear();
  if (!t) return -1;
  const std::string name = t->nazwa.str();
  if (name.empty()) {
    msg = std::string(tr(100)) + "\n";
    return -2;
  }
  if (name.find_first_not_of(" \t\r\n") == std::string::npos) {
    msg = std::string(tr(101)) + "\n";
    return -3;
  }
  uint32_t found = 0;
  kal::glue<Towary>::each_by_id([&](const Towary& r) {
    if (found == 0 && r.nazwa.str() == name) found = r.Id;
  });
  if (found == 0) {
    msg = with_arg(tr(105), kal::html_text(name));
    return 0;
  }
  char url[96];
  std::snprintf(url, sizeof url, "towar.htm?n_%d=e&Towary_Id=%lu", kPageEdit, static_cast<unsigned long>(found));
  msg = with_arg(tr(104), page_href(url, kal::html_text(name).c_str()));
  return 1;
}

// --- the form -----------------------------------------------------------------------------------

int mgs_Towary_display(int page_id, const char* button_name, const char* caption1, const char* caption2,
                       const char* caption3, const char* caption4, const char* caption5, const char* caption6) {
  const char* button = button_name ? button_name : "";
  auto label = [](const char* text) {
    app("<TD CLASS=fieldname>");
    app(text);
    app("</TD>");
  };
  auto field = [](const std::string& html, int colspan = 1) {
    app(colspan > 1 ? ("<TD COLSPAN=" + std::to_string(colspan) + ">").c_str() : "<TD>");
    app(html.c_str());
    app("</TD>");
  };
  auto text_input = [](const char* name, int maxlength, int size) {
    return std::string(form_input_text2(name, var_s(name), maxlength, size, ""));
  };
  char action_url[48];
  std::snprintf(action_url, sizeof action_url, "towar.htm?%s=", button);
  (void)page_id;
  html_form_open(action_url);
  const std::string back = local_href(get_post_or_get_s("backhref"));
  if (!back.empty()) app(form_input_hidden("backhref", back.c_str()));
  app("<TABLE>\n<TR><TD COLSPAN=4 CLASS=pagetitle ALIGN=CENTER>");
  app(tr(93));
  app("</TD></TR>\n<TR>");
  label(ustawienia_get("Nazwa_towaru_uslugi_text"));
  field(text_input("Towary_nazwa", 64, 45), 3);
  app("</TR>\n<TR>");
  label(ustawienia_get("kod_text"));
  field(text_input("Towary_kod", 100, 20));
  label(ustawienia_get("PKWiU_text"));
  field(text_input("Towary_PKWiU", 100, 20));
  app("</TR>\n<TR>");
  label(ustawienia_get("rfid_text"));
  field(text_input("Towary_rfid", 128, 40), 3);
  app("</TR>\n<TR>");
  label(ustawienia_get("Opis_text"));
  app("<TD COLSPAN=3>");
  form_textareav("Towary_opis", var_s("Towary_opis"), 2, 50, "");
  app("</TD></TR>\n<TR>");
  label(ustawienia_get("Cena_netto__kupna_text"));
  field(text_input("Towary_ostatnia_cena_kupna", 10, 10));
  label(tr(99));
  field(text_input("Towary_marza", 10, 5) + " " + form_input_submit(button, ustawienia_get("Przelicz_button"), ""));
  app("</TR>\n<TR>");
  label(ustawienia_get("Cena_netto__sprzedazy_text"));
  field(text_input("Towary_cena_sprzedazy", 10, 10));
  label(ustawienia_get("Cena_brutto__sprzedazy_text"));
  field(text_input("Towary_brutto", 10, 10));
  app("</TR>\n<TR><TD></TD><TD COLSPAN=3>");
  app(form_input_submit(button, ustawienia_get("Na_brutto_button"), ""));
  app(" ");
  app(form_input_submit(button, ustawienia_get("Na_netto_button"), ""));
  app("</TD></TR>\n<TR>");
  label(ustawienia_get("Sztuk_text"));
  field(form_input_text2("Towary_liczba_sztuk", from_gzl0(var_g("Towary_liczba_sztuk")), 10, 10, ""));
  label(tr(96));
  app("<TD>");
  Jednostki_metryczne_select_name(var_z("Towary_Id_Jednostki_metryczne"), "Towary_Id_Jednostki_metryczne", 0);
  app("</TD></TR>\n<TR>");
  label(ustawienia_get("VAT_text"));
  app("<TD>");
  Stawki_VAT_select_name(var_z("Towary_Id_Stawki_VAT"), "Towary_Id_Stawki_VAT", 0);
  app("</TD>");
  label(tr(106));
  app("<TD>");
  Towary_typy_select_name(var_z("Towary_Id_Towary_typy"), "Towary_Id_Towary_typy", 0);
  app("</TD></TR>\n<TR>");
  label(tr(94));
  field(text_input("Towary_sciezka_do_pliku", 100, 60), 3);
  app("</TR>\n<TR>");
  label(ustawienia_get("Ostatnia_modyfikacja_text"));
  field(kal::html_text(var_s("Towary_czas_modyfikacji")) +
            form_input_hidden("Towary_czas_modyfikacji", var_s("Towary_czas_modyfikacji")),
        3);
  app("</TR>\n</TABLE>\n");
  app(form_input_hidden("Towary_Id", var_s("Towary_Id")));
  bool first = true;
  for (const char* caption : {caption1, caption2, caption3, caption4, caption5, caption6}) {
    if (!caption || !caption[0]) continue;
    if (!first) app("&nbsp;&nbsp;&nbsp;");
    app(form_input_submit(button, caption, ""));
    first = false;
  }
  app("\n");
  html_form_close();
  const uint32_t id = var_z("Towary_Id");
  if (id != 0 && id != kBadId) {
    if (var_z("Towary_Id_Towary_typy") == to_z(ustawienia_get("Typ_towaru_do_serwisu")))
      mgs_Naprawiany_Naprawy_list(id);
    else
      mgs_Czesci_Naprawy_list(id);
  }
  return 0;
}

int mgs_Naprawiany_Naprawy_list(uint32_t Id) {
  embedded_repairs("do_naprawy_Towary_l", Towary_nazwa(Id), "");
  return 0;
}

int mgs_Czesci_Naprawy_list(uint32_t Id) {
  const std::string size = ustawienia_get("Napraw_na_stronie");
  ustawienia_upd("Napraw_na_stronie", from_i(kRepairListRows));
  embedded_repairs("Naprawy_czesc_Id", id_text(Id), "0");
  ustawienia_upd("Napraw_na_stronie", size.c_str());
  return 0;
}

// --- new and edit -------------------------------------------------------------------------------

int mgs_Towary_new(const char* action_arg) {
  const std::string action = action_arg ? action_arg : "";
  mgs_Towary_cena(0, action.c_str());
  if (is(action, "Powrot_button")) {
    sess_nav_set(kPageList, "l");
    back_id = last_page_id;
    return 0;
  }
  if (is(action, "Nowy_Towar_Usluga_button")) {
    const std::string type = var_s("Towary_Id_Towary_typy");
    clear_form();
    sess_put("Towary_Id_Towary_typy", type.c_str());
    sess_put("Towary_Id_Stawki_VAT", ustawienia_get("Podstawowy_VAT"));
    sess_put("Towary_Id_Jednostki_metryczne", "1");
  } else if (is(action, "Zatwierdz_button")) {
    Towary t{};
    mgs_Towary_from_ht(&t, "", "");
    uint32_t max = 0;
    Towary_tab* tab = glue_root<Towary>::tab();
    kal::glue<Towary>::each_by_id([&](const Towary& r) { max = r.Id > max ? r.Id : max; });
    t.Id = max + 1;
    // A new goods is never born deleted or marked, whatever the form held.
    t.flags = 0;
    t.marza = calc_marza(t.cena_sprzedazy, t.ostatnia_cena_kupna);
    std::string msg;
    const int rc = Towary_validate(msg, &t);
    if (rc == 0 && (!tab || max == kBadId)) {
      msg = "Nie można dodać towaru: brak wolnego Id !";
    } else if (rc == 0 && !finite_goods(t)) {
      msg = kNotFinite;
    } else if (rc == 0) {
      if (Towary_tab_insert(tab, &t) != 0 || glue_root<Towary>::save() != 0) {
        errorDisplay("Nie można zapisać pliku dat/Towary.dat !");
        sess_nav_set(kPageNew, "n");
      } else {
        sess_put("Towary_Id", from_z(t.Id));
        sess_nav_set(kPageNew, "l");
        back_id = last_page_id;
        sess_put("Towary_lCZESCI", t.nazwa.c_str());
        for (const char* var : {"Towary_typy_IdCZESCI", "Stawki_VAT_IdCZESCI", "cena_od_lCZESCI", "cena_do_lCZESCI"})
          sess_put(var, "0");
        sess_put("liczba_sztuk_od_lCZESCI", "-999999");
        sess_put("liczba_sztuk_do_lCZESCI", "999999");
        return 0;
      }
    }
    if (!msg.empty()) errorDisplay(msg.c_str());
    sess_nav_set(kPageNew, "n");
  }
  sess_put("Towary_Id", "0");
  return mgs_Towary_display(kPageNew, "n_7", ustawienia_get("Powrot_button"), ustawienia_get("Zatwierdz_button"));
}

int mgs_Towary_edit(const char* action_arg) {
  const std::string action = action_arg ? action_arg : "";
  if (is(action, "Powrot_button")) {
    sess_nav_set(kPageNew, "l");
    sess_nav_set(kPageEdit, "l");
    back_id = last_page_id;
    return 0;
  }
  const uint32_t id = var_z("Towary_Id");
  if (id == 0 || id == kBadId) {
    app(("mgs_Towary_edit() bad page parameter Towary_Id=\"" + kal::html_text(var_s("Towary_Id")) + "\" !\n").c_str());
    app("<br\n>");
    return -1;
  }
  const Towary* stored = kal::glue<Towary>::find(id);
  if (is(action, "Usun_button")) {
    sess_nav_set(kPageNew, "l");
    sess_nav_set(kPageEdit, "l");
    if (stored) {
      set_flags(id, TOWARY_FLAG_DELETED);
      if (glue_root<Towary>::save() != 0) errorDisplay("Nie można zapisać pliku dat/Towary.dat !");
    }
    back_id = last_page_id;
    return 0;
  }
  if (is(action, "Zatwierdz_button") || (price_button(action) && stored)) {
    Towary form{};
    mgs_Towary_from_ht(&form, "", "");
    std::string msg;
    const int rc = Towary_validate(msg, &form);
    if (rc >= 0 && stored) {
      const bool save = is(action, "Zatwierdz_button");
      if (save) {
        sess_nav_set(kPageNew, "l");
        sess_nav_set(kPageEdit, "l");
        sess_put("Naprawy_Id_Towary__przyjety", from_z(id));
      }
      // The price buttons recalculate the form first; a price that is no
      // number stores nothing.
      const bool priced = save || mgs_Towary_cena(0, action.c_str()) == 0;
      const int flags = save ? stored->flags & ~TOWARY_FLAG_DELETED : stored->flags;
      if (priced && store_carried(id, flags) && save) {
        clear_form();
        back_id = last_page_id;
        return 0;
      }
    } else if (rc < 0) {
      sess_nav_set(kPageEdit, "e");
      errorDisplay(msg.c_str());
    }
  }
  load_form(id);
  sess_put("Towary_Id", from_z(id));
  return mgs_Towary_display(kPageEdit, "n_17", ustawienia_get("Powrot_button"), ustawienia_get("Zatwierdz_button"),
                            ustawienia_get("Usun_button"));
}
