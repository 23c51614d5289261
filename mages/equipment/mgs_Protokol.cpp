#include "mages/equipment/mgs_Protokol.hpp"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "lib/convert.hpp"
#include "lib/hashtbl.hpp"
#include "lib/qq.hpp"
#include "mages/equipment/mgs_Cykle.hpp"
#include "mages/equipment/mgs_Serwis0.hpp"
#include "mages/firms/mgs_Firmy0.hpp"
#include "mages/glue_impl.hpp"
#include "mages/goods/mgs_Towary.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "mages/mages.hpp"
#include "mages/mgs_form_keep.hpp"
#include "mages/mgs_pages.hpp"
#include "mages/qq_main.hpp"
#include "mages/repairs/mgs_Naprawy.hpp"
#include "mages/repairs/mgs_Naprawy0.hpp"
#include "mages/repairs/mgs_Naprawy_serwis.hpp"
#include "server/html_form.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"

using Rows = kal::glue<Serwis_zewnetrzny>;

namespace {

constexpr int kPage = MGS_PAGE_ProtokolE;       // 13
constexpr int kPageGoods = MGS_PAGE_Towary;     // 8
constexpr int kPageGoodsE = MGS_PAGE_TowarE;    // 17
constexpr int kPageRepair = MGS_PAGE_NaprawaE;  // 31
constexpr std::int64_t kDay = 86400;

bool is(const std::string& action, const char* caption_key) { return action == ustawienia_get(caption_key); }

template <class... A>
std::string fmt(const char* format, A... args) {
  char buf[256];
  std::snprintf(buf, sizeof buf, format, args...);
  return buf;
}

// The rows of the repair, in the order of the query.
template <class Fn>
void each_row(uint32_t repair, Fn&& fn) {
  Serwis_zewnetrzny_tab* t = Rows::tab();
  Serwis_zewnetrzny_ref* hits = t ? Serwis_zewnetrzny_tab_gets_Id_Naprawy(t, repair, VTAB_CMP_EQUAL) : nullptr;
  for (tab_ref_elem* e = hits ? hits->first : nullptr; e; e = e->next)
    if (Serwis_zewnetrzny* r = vtab_row<Serwis_zewnetrzny>(e)) fn(*r);
  if (hits) Serwis_zewnetrzny_ref_delete(&hits);
}

// The lines of a document; NULL when it has none (the caller frees the list).
Towary_transakcje_ref* doc_lines(uint32_t doc) {
  if (!_mgs || !_mgs->_Towary_transakcje_tab || doc == 0) return nullptr;
  return Towary_transakcje_tab_gets_Id_Transakcje(_mgs->_Towary_transakcje_tab, doc, VTAB_CMP_EQUAL);
}

template <class Fn>
void each_line(Towary_transakcje_ref* lines, Fn&& fn) {
  for (tab_ref_elem* e = lines ? lines->first : nullptr; e; e = e->next)
    if (const Towary_transakcje* l = vtab_row<Towary_transakcje>(e)) fn(*l);
}

// The repair on this page, or a refusal for a user who may not open it.
const Naprawy* allowed_repair(uint32_t Id) {
  if (!mgs_Naprawy_allow_current(Id)) {
    mgs_Naprawy_refuse();
    return nullptr;
  }
  return kal::glue<Naprawy>::find(Id);
}

void run(const std::string& name) { qq_run(name.c_str(), appc, qq_main); }

// A goods record's field, "" when there is none.
const Towary* goods(uint32_t id) { return id ? kal::glue<Towary>::find(id) : nullptr; }

}  // namespace

// --- template suffixes and padding ---------------------------------------------------------

namespace kal {

int protokol_rows_view(const char* setting) {
  const unsigned long v = std::strtoul(setting ? setting : "", nullptr, 10);
  const bool negative = setting && std::strchr(setting, '-') && v != 0;
  if (negative || v > 200) return 200;
  if (v < 10) return 10;
  return static_cast<int>(v);
}

int protokol_rows_spec(const char* setting) {
  const long v = to_l(setting);
  if (v < 0) return 0;
  return v > 1000 ? 1000 : static_cast<int>(v);
}

bool protokol_suffix_ok(const char* suffix) {
  if (!suffix) return false;
  for (const char* p = suffix; *p; ++p) {
    const char c = *p;
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-'))
      return false;
  }
  return true;
}

}  // namespace kal

const char* Serwis_type(const char* key) {
  static hashtbl* types = nullptr;
  if (!types) {
    types = hashtbl_new(200);
    if (!types) return "";
    hashtbl_load_sp(types, "Serwis_type.txt");
  }
  const char* v = key ? hashtbl_get_ptr(types, key) : nullptr;
  if (!v || std::strcmp(v, " ") == 0) return "";
  if (!kal::protokol_suffix_ok(v)) {
    std::printf("Serwis_type(\"%s\"): suffix '%s' not used: only letters, digits, '_' and '-'\n", key, v);
    return "";
  }
  return v;
}

const char* Specyfikacja_Serwis_type(const char* key) { return Serwis_type(key); }

// --- print variables --------------------------------------------------------------------------

int protokol_set_czesc_html_vars(int j, const Towary_transakcje* line) {
  const Towary* g = line ? goods(line->Id_Towary) : nullptr;
  if (!g) return 0;
  std::printf("protokol_set_czesc_html_vars() j=%d Towary_transakcje->Id_Towary=%ld\n", j,
              static_cast<long>(line->Id_Towary));
  const std::string p = "czesc_" + std::to_string(j) + "_";
  const double factor = stawka_vat_przelicznik(g->Id_Stawki_VAT);
  sess_put((p + "nazwa").c_str(), g->nazwa.c_str());
  sess_put((p + "kod").c_str(), g->kod.c_str());
  sess_put((p + "PKWiU").c_str(), g->PKWiU.c_str());
  sess_put((p + "netto").c_str(), from_gzl(toNetto(line->cena, factor)));
  sess_put((p + "brutto").c_str(), from_gzl(line->cena));
  sess_put((p + "liczba_sztuk").c_str(), from_gzl(line->liczba_sztuk));
  return 0;
}

int protokol_set_czesci_html_vars(uint32_t Id_Transakcje) {
  std::printf("protokol_set_czesci_html_vars() Id_Transakcje=%ld\n", static_cast<long>(Id_Transakcje));
  if (!Id_Transakcje || !kal::glue<Transakcje>::find(Id_Transakcje)) return 0;
  for (int j = 0; j < PROTOKOL_CZESCI_MAX; ++j)
    for (const char* f : {"nazwa", "kod", "PKWiU", "netto", "brutto", "liczba_sztuk"})
      sess_put(("czesc_" + std::to_string(j) + "_" + f).c_str(), "");
  Towary_transakcje_ref* lines = doc_lines(Id_Transakcje);
  int j = 0;
  each_line(lines, [&](const Towary_transakcje& l) {
    if (j < PROTOKOL_CZESCI_MAX) protokol_set_czesc_html_vars(j, &l);
    ++j;
  });
  if (lines) Towary_transakcje_ref_delete(&lines);
  return 0;
}

namespace {

// The firms, goods, dates and days of use, common to the print view and the
// parts list.
void set_common_vars(const Naprawy_fields& b, const char* prefix) {
  const Naprawy& r = b._Naprawy;
  mgs_Naprawy_to_ht(&r, prefix, "");
  sess_put("Nazwa_sprzetu", b._Towary__przyjety.nazwa.c_str());
  Firmy f{};
  if (mgs_Firmy_get(1, &f, "", "") == 0) mgs_Firmy_to_ht(&f, "WLASNA_", "");
  if (r.Id_Firmy__klient && mgs_Firmy_get(r.Id_Firmy__klient, &f, "", "") == 0) mgs_Firmy_to_ht(&f, "KLIENT_", "");
  const Naprawy_wykonawcy* w = kal::glue<Naprawy_wykonawcy>::find(r.Id_Naprawy_wykonawcy);
  if (w && w->Id_Firmy && mgs_Firmy_get(w->Id_Firmy, &f, "", "") == 0) mgs_Firmy_to_ht(&f, "WYKONAWCA_", "");
  Towary t{};
  if (r.Id_Towary__przyjety && mgs_Towary_get(r.Id_Towary__przyjety, &t, "", "") == 0)
    mgs_Towary_to_ht(&t, "SPRZET_", "");
  sess_put("data_wplywu", from_td(r.data_wplywu));
  sess_put("data_odpowiedzi", from_td(r.data_odpowiedzi));
  sess_put("data_zakonczenia", from_td(r.data_zakonczenia_rzeczywista));
  sess_put("data_szacunkowa", from_td(r.data_naprawienia_szacunkowa));
  // The day of sale is written in the repair's colour field; a text that is
  // no date gives no figure.
  if (kal::cykle_date_readable(r.kolor.c_str())) {
    const std::int64_t days = (r.data_zakonczenia_rzeczywista - to_t(r.kolor.c_str())) / kDay;
    sess_put("uzytkowania_dni", from_l(static_cast<long>(days < 0 ? 0 : days)));
  } else {
    sess_put("uzytkowania_dni", "");
  }
  const Naprawy_typy* k = kal::glue<Naprawy_typy>::find(r.Id_Naprawy_typy);
  sess_put("NAPRAWA_nazwa_typu", k ? k->nazwa_typu.c_str() : "");
}

}  // namespace

int protokol_set_html_vars(uint32_t Id, Naprawy_fields* bundle) {
  Naprawy_fields own;
  Naprawy_fields& b = bundle ? *bundle : own;
  get_Naprawy_fields_view(Id, &b);
  set_common_vars(b, "PROTOKOL_");
  const Naprawy& r = b._Naprawy;
  const uint32_t serwis = find_Serwis_Id(0, r.nr_rej.c_str(), r.nr_ramy.c_str());
  Serwis s{};
  if (serwis && mgs_Serwis_get(serwis, &s, "", "") == 0) mgs_Serwis_to_ht(&s, "SerwisNew_", "");
  sess_put("data_zakupu", serwis && s.data_sprzedazy >= 90001 ? from_td(s.data_sprzedazy) : "");
  protokol_set_czesci_html_vars(r.Id_Transakcje);
  return 0;
}

// --- the print views ------------------------------------------------------------------------

int Zgloszenie_html(uint32_t Id) {
  mgs_form_keep keep;
  Naprawy_fields b;
  protokol_set_html_vars(Id, &b);
  const std::string s = Serwis_type(var_s("Nazwa_sprzetu"));
  run("Zgloszenie" + s + ".htm");
  const int rows = kal::protokol_rows_view(ustawienia_get("Protokol_liczba_czesci"));
  unsigned long k = 0;
  each_row(Id, [&](const Serwis_zewnetrzny& row) {
    ++k;
    const Towary* g = goods(row.Id_Towary__serwis_zewnetrzny);
    sess_put("cell_Lp", fmt("%lu. ", static_cast<long>(k)).c_str());
    sess_put("cell_sztuk", from_gzl0(row.liczba_sztuk));
    sess_put("cell_kod", g ? g->kod.c_str() : "");
    sess_put("cell_kod_h", g ? g->PKWiU.c_str() : "");
    sess_put("cell_nazwa", g ? g->nazwa.c_str() : "");
    sess_put("cell_cechy", row.cechy_uszkodzenia.c_str());
    run("Zgloszenie_row" + s + ".htm");
  });
  while (k < static_cast<unsigned long>(rows)) {
    ++k;
    sess_put("cell_Lp", fmt("%lu. ", static_cast<long>(k)).c_str());
    for (const char* v : {"cell_sztuk", "cell_kod", "cell_kod_h", "cell_nazwa", "cell_cechy"}) sess_put(v, "");
    run("Zgloszenie_row" + s + ".htm");
  }
  run("Zgloszenie_end" + s + ".htm");
  app("\n");
  app("\n");
  Specyfikacja_html(Id);
  return 0;
}

int Specyfikacja_html(uint32_t Id) {
  mgs_form_keep keep;
  Naprawy_fields b;
  get_Naprawy_fields_view(Id, &b);
  set_common_vars(b, "Specyfikacja_");
  const Naprawy& r = b._Naprawy;
  sess_put("data_zakupu", r.kolor.c_str());
  const std::string s = Specyfikacja_Serwis_type(var_s("Nazwa_sprzetu"));
  run("Specyfikacja" + s + ".htm");
  if (!r.Id_Transakcje || !kal::glue<Transakcje>::find(r.Id_Transakcje)) return -1;
  Towary_transakcje_ref* lines = doc_lines(r.Id_Transakcje);
  unsigned long k = 0;
  std::int64_t sum = 0;
  each_line(lines, [&](const Towary_transakcje& l) {
    const Towary* g = goods(l.Id_Towary);
    if (!g) return;
    ++k;
    std::int64_t cents = 0;
    if (!kal::money_product_cents(l.cena, l.liczba_sztuk, &cents)) cents = 0;
    sum += cents;
    sess_put("cell_Lp", fmt("%lu. ", static_cast<long>(k)).c_str());
    sess_put("cell_sztuk", from_gzl0(l.liczba_sztuk));
    sess_put("cell_kod", g->kod.c_str());
    sess_put("cell_kod_h", g->PKWiU.c_str());
    sess_put("cell_nazwa", g->nazwa.c_str());
    sess_put("cell_cechy", "");
    sess_put("cell_cena", from_gzl(kal::money_of_cents(cents)));
    run("Specyfikacja_row" + s + ".htm");
  });
  if (lines) Towary_transakcje_ref_delete(&lines);
  sess_put("Specyfikacja_suma", from_gzl(kal::money_of_cents(sum)));
  const int rows = kal::protokol_rows_spec(ustawienia_get("Protokol_liczba_czesci"));
  while (k < static_cast<unsigned long>(rows)) {
    ++k;
    sess_put("cell_Lp", fmt("%lu. ", static_cast<long>(k)).c_str());
    for (const char* v : {"cell_sztuk", "cell_kod", "cell_kod_h", "cell_nazwa", "cell_cechy", "cell_cena"})
      sess_put(v, "");
    run("Specyfikacja_row" + s + ".htm");
  }
  run("Specyfikacja_end" + s + ".htm");
  return 0;
}

// --- rows ---------------------------------------------------------------------------------------

const Towary_transakcje* Serwis_zewnetrzny_get_tt(Towary_transakcje_ref* lines, uint32_t goods_id) {
  const Towary_transakcje* found = nullptr;
  each_line(lines, [&](const Towary_transakcje& l) {
    if (!found && l.Id_Towary == goods_id) found = &l;
  });
  return found;
}

int Serwis_zewnetrzny_add(uint32_t Id) {
  Serwis_zewnetrzny_tab* t = Rows::tab();
  if (!t) return -1;
  Serwis_zewnetrzny r{};
  std::uint32_t top = 0;
  Serwis_zewnetrzny_tab_max_Id(t, &top);
  if (top == 4294967295u) {
    errorDisplay("Brak wolnego numeru wiersza - nic nie dodano !");
    return -1;
  }
  const double count = to_gzl(var_s("Serwis_zewnetrzny_liczba_sztuk"));
  if (!std::isfinite(count)) {
    errorDisplay("Niepoprawna liczba sztuk - nic nie dodano !");
    return -4;
  }
  r.Id = top + 1;
  r.Id_Naprawy = Id;
  r.Id_Towary__serwis_zewnetrzny = var_z("Serwis_zewnetrzny_Id_Towary");
  r.liczba_sztuk = count;
  r.cechy_uszkodzenia = var_s("Serwis_zewnetrzny_cechy_uszkodzenia");
  const int rc = Serwis_zewnetrzny_tab_insert(t, &r);
  sess_put("Serwis_zewnetrzny_cechy_uszkodzenia", "");
  return rc;
}

int Serwis_zewnetrzny_sub(int i, uint32_t Id) {
  const uint32_t row_id = var_z(fmt("Usun_Id_Serwis_zewnetrzny.%d", i).c_str());
  Serwis_zewnetrzny_tab* t = Rows::tab();
  if (!t || row_id == 0) return 0;
  const Serwis_zewnetrzny* row = Rows::find(row_id);
  if (!row || row->Id_Naprawy != Id) {
    std::printf("Serwis_zewnetrzny_sub(%d): row Id=%ld is not a row of repair %ld, nothing removed\n", i,
                static_cast<long>(row_id), static_cast<long>(Id));
    return 0;
  }
  if (Serwis_zewnetrzny_ref* ref = Serwis_zewnetrzny_tab_gets_Id(t, row_id, VTAB_CMP_EQUAL)) {
    Serwis_zewnetrzny_tab_removes(t, ref);
    Serwis_zewnetrzny_ref_delete(&ref);
  }
  return 0;
}

int Serwis_zewnetrzny_copy_from_tt(uint32_t Id) {
  const Naprawy* repair = kal::glue<Naprawy>::find(Id);
  if (!repair) return -1;
  if (!repair->Id_Transakcje || !kal::glue<Transakcje>::find(repair->Id_Transakcje)) return -2;
  Towary_transakcje_ref* lines = doc_lines(repair->Id_Transakcje);
  each_line(lines, [&](const Towary_transakcje& l) {
    sess_put("Serwis_zewnetrzny_Id_Naprawy", from_z(Id));
    sess_put("Serwis_zewnetrzny_Id_Towary", from_z(l.Id_Towary));
    sess_put("Serwis_zewnetrzny_liczba_sztuk", from_gzl0(l.liczba_sztuk));
    sess_put("Serwis_zewnetrzny_cechy_uszkodzenia", "");
    Serwis_zewnetrzny_add(Id);
  });
  if (lines) Towary_transakcje_ref_delete(&lines);
  return 0;
}

int Serwis_zewnetrzny_row_update(int i, uint32_t row_id, uint32_t Id) {
  Serwis_zewnetrzny_tab* t = Rows::tab();
  const Serwis_zewnetrzny* row = Rows::find(row_id);
  if (!t || !row || row->Id_Naprawy != Id) {
    std::printf("Serwis_zewnetrzny_row_update(%d): row Id=%ld is not a row of repair %ld, nothing changed\n", i,
                static_cast<long>(row_id), static_cast<long>(Id));
    return 0;
  }
  const std::string count_var = fmt("Serwis_zewnetrzny_liczba_sztuk.%d", i);
  const std::string text_var = fmt("Serwis_zewnetrzny_cechy_uszkodzenia.%d", i);
  Serwis_zewnetrzny_ref* ref = Serwis_zewnetrzny_tab_gets_Id(t, row_id, VTAB_CMP_EQUAL);
  if (!ref) return 0;
  if (is_in_post_or_get(count_var.c_str())) {
    const double count = to_gzl(var_s(count_var.c_str()));
    if (std::isfinite(count)) Serwis_zewnetrzny_tab_update_liczba_sztuk(t, ref, count);
  }
  if (is_in_post_or_get(text_var.c_str()))
    Serwis_zewnetrzny_tab_update_cechy_uszkodzenia(t, ref, var_s(text_var.c_str()));
  Serwis_zewnetrzny_ref_delete(&ref);
  return 0;
}

int Serwis_zewnetrzny_update(uint32_t Id) {
  // Each listed row names its own Id; a row is found by it, not by its place.
  for (int n = 1;; ++n) {
    const std::string var = fmt("Usun_Id_Serwis_zewnetrzny.%d", n);
    if (!is_in_post_or_get(var.c_str())) break;
    Serwis_zewnetrzny_row_update(n, to_z(get_post_or_get_s(var.c_str())), Id);
  }
  return 0;
}

int Protokol_save(uint32_t Id) {
  if (is_in_post_or_get("PROTOKOL_Naprawy_typ")) mgs_Naprawy_update_typ(Id, "PROTOKOL_");
  int rc = glue_root<Naprawy>::save();
  if (glue_root<Serwis_zewnetrzny>::save() != 0) rc = 1;
  if (rc != 0) errorDisplay("Nie można zapisać protokołu !");
  return 0;
}

// --- the page -------------------------------------------------------------------------------------

int Serwis_zewnetrzny_list_edit_head(int page) {
  app(form_open("protokol.htm", ""));
  app(form_input_hidden("Naprawy_Id", var_s("Naprawy_Id")));
  app("\n");
  const std::string n = "n_" + std::to_string(page);
  app(form_input_submit(n.c_str(), ustawienia_get("Kopiuj_z_Dossier_button"), ""));
  app(" &nbsp;\n");
  app(form_input_submit(("n_" + std::to_string(kPageGoods)).c_str(), ustawienia_get("Wybierz_czesc_button"), ""));
  app(" &nbsp;\n");
  app(form_input_submit(("n_" + std::to_string(kPageGoods)).c_str(), ustawienia_get("Wybierz_usluge_button"), ""));
  const std::string back = fmt("p?n_%d=n&Serwis_zewnetrzny_Id_Towary=", page);
  sess_put("NAPRAWA_CZESCI_href", back.c_str());
  sess_put("NAPRAWA_USLUGI_href", back.c_str());
  const uint32_t picked = var_z("Serwis_zewnetrzny_Id_Towary");
  if (const Towary* g = goods(picked)) {
    const std::string id = from_z(picked);
    char url[128];
    std::snprintf(url, sizeof url, "towar_%s.htm?n_%d=n&Towary_Id=%s", id.c_str(), kPageGoodsE, id.c_str());
    app(page_href(url, kal::html_text(g->nazwa.view()).c_str()));
    app("\n");
    app(form_input_hidden("Serwis_zewnetrzny_Id_Towary", id.c_str()));
    app("\n");
  }
  app("<br>\n");
  app(form_input_text2("Serwis_zewnetrzny_liczba_sztuk", "1", 6, 2, ""));
  app(ustawienia_get("szt_text"));
  app(" &nbsp; \n");
  app(ustawienia_get("Cechy_uszkodzenia_text"));
  app(":");
  app(form_input_text2("Serwis_zewnetrzny_cechy_uszkodzenia", var_s("Serwis_zewnetrzny_cechy_uszkodzenia"), 80, 30, ""));
  app("\n");
  app(form_input_submit(n.c_str(), ustawienia_get("Dodaj_towar_usluge_button"), ""));
  app("<br>\n");
  return 0;
}

int Serwis_zewnetrzny_row_display(int i, const Serwis_zewnetrzny* row, Towary_transakcje_ref* lines) {
  if (!row) return 0;
  const Towary* g = goods(row->Id_Towary__serwis_zewnetrzny);
  const std::string n = "n_" + std::to_string(kPage);
  const long shown = i;
  auto cell = [&](const std::string& html, bool right = false) {
    if (right) approwr(shown);
    else approw(shown);
    app(html.c_str());
    app("</TD>\n");
  };
  app("<TR>\n");
  cell(std::string(form_input_hidden(fmt("Usun_Id_Serwis_zewnetrzny.%d", i + 1).c_str(), from_z(row->Id))) + "\n" +
       form_input_submit(n.c_str(), (std::string(ustawienia_get("Usun_sp_button")) + fmt("%d.", i + 1)).c_str(), ""));
  const std::string url = fmt("p.htm?n_%d=e&Towary_Id=%lu", kPageGoodsE, static_cast<long>(row->Id_Towary__serwis_zewnetrzny));
  cell(page_href(url.c_str(), g ? kal::html_text(g->nazwa.view()).c_str() : "----------------------------------"));
  cell(g ? kal::html_text(g->kod.view()) : std::string());
  cell(g ? kal::html_text(g->PKWiU.view()) : std::string());
  const Towary_transakcje* line = Serwis_zewnetrzny_get_tt(lines, row->Id_Towary__serwis_zewnetrzny);
  cell(line ? std::string(from_gzl(line->cena)) + "&nbsp;" : std::string("&nbsp;"), true);
  cell(form_input_text2(fmt("Serwis_zewnetrzny_liczba_sztuk.%d", i + 1).c_str(), from_gzl0(row->liczba_sztuk), 6, 2, ""));
  cell(form_input_text2(fmt("Serwis_zewnetrzny_cechy_uszkodzenia.%d", i + 1).c_str(), row->cechy_uszkodzenia.c_str(), 80,
                        30, ""));
  app("</TR>\n");
  return 0;
}

int Protokol_list_edit(int page, const Naprawy* repair) {
  if (!repair) return 0;
  Serwis_zewnetrzny_list_edit_head(page);
  app("<table border=0>\n");
  app("<TR>\n");
  for (const char* key : {"Lp_text", "Nazwa_towaru_uslugi_text", "kod_text", "PKWiU_text", "Cena_text", "Sztuk_text",
                          "Cechy_uszkodzenia_text"}) {
    app("  <TD CLASS=colname>");
    app(ustawienia_get(key));
    app("</TD>\n");
  }
  app("</TR>\n");
  Towary_transakcje_ref* lines = doc_lines(repair->Id_Transakcje);
  int i = 0;
  each_row(repair->Id, [&](const Serwis_zewnetrzny& row) { Serwis_zewnetrzny_row_display(i++, &row, lines); });
  if (lines) Towary_transakcje_ref_delete(&lines);
  app("<TR>\n");
  app("  <TD CLASS=colname COLSPAN=7 ALIGN=LEFT>");
  app(ustawienia_get("Opis_oraz_okreslenie_przyczyny_usterki_text"));
  app(":<BR>\n");
  form_textareav("PROTOKOL_Naprawy_typ", var_s("PROTOKOL_Naprawy_typ"), 3, 70, "");
  app("</TD>\n");
  app("</TR>\n");
  app("</table>\n");
  app("<center>\n");
  app_button(page, ustawienia_get("Zatwierdz_button"));
  app(" &nbsp; ");
  app_button(kPageRepair, ustawienia_get("Powrot_do_Naprawy_button"));
  app("</center>\n");
  html_form_close();
  return 0;
}

int mgs_Protokol(std::string* button_name, const char* action_arg) {
  const std::string action = action_arg ? action_arg : "";
  const uint32_t R = var_z("Naprawy_Id");
  if (!mgs_Naprawy_allow_current(R)) {
    mgs_Naprawy_refuse();
    return 0;
  }
  const Naprawy* repair = kal::glue<Naprawy>::find(R);
  if (action == "h") return Zgloszenie_html(R);
  if (std::strcmp(get_post_or_get_s("Naprawy_uslugi") ? get_post_or_get_s("Naprawy_uslugi") : "", "1") == 0 &&
      !is_in_post_or_get("Naprawy_uslugi_Id_Towary"))
    sess_put("Naprawy_uslugi_Id_Towary", "");
  if (!repair) {
    errorDisplay(("Brak w bazie Id_Naprawy=" + std::to_string(R)).c_str());
    return 0;
  }
  const std::string usun = ustawienia_get("Usun_sp_button");
  bool save = false;
  if (is(action, "Dodaj_towar_usluge_button")) {
    if (var_z("Serwis_zewnetrzny_Id_Towary") != 0) {
      Serwis_zewnetrzny_add(R);
      save = true;
    }
  } else if (!usun.empty() && action.compare(0, usun.size(), usun) == 0) {
    Serwis_zewnetrzny_sub(std::atoi(action.c_str() + usun.size()), R);
    save = true;
  } else if (is(action, "Kopiuj_z_Dossier_button")) {
    Serwis_zewnetrzny_copy_from_tt(R);
    save = true;
  } else if (is(action, "Zatwierdz_button")) {
    Serwis_zewnetrzny_update(R);
    save = true;
  }
  if (save) Protokol_save(R);

  Naprawy_fields b;
  get_Naprawy_fields_view(R, &b);
  mgs_Naprawy_to_ht(&b._Naprawy, "PROTOKOL_", "");
  app("<CENTER>\n");
  app("<TABLE BORDER=0 cellSpacing=0 cellPadding=0 WIDTH=100%>\n");
  app("<TR>\n");
  app("<TD CLASS=pagetitle ALIGN=CENTER>");
  app(tr(59));
  app(" ");
  app_text(b._Naprawy.numer.c_str());
  app(". - ");
  app("Protokół gwarancyjny");
  app(" &nbsp; ");
  char link[512];
  std::snprintf(link, sizeof link,
                "<A HREF=\"Zgloszenie.htm?sess_code=%s&n_%d=h&nomenu=1&Naprawy_Id=%ld\" TARGET=\"Zgloszenie_%ld.htm\">%s</A>\n",
                html_val(var_s("sess_code")), kPage, static_cast<long>(R), static_cast<long>(R), "Podgląd wydruku");
  app(link);
  app("</TD>\n");
  app("</TR>\n");
  app("</TABLE>\n");
  if (button_name) *button_name = "n_" + std::to_string(kPage);
  Protokol_list_edit(kPage, kal::glue<Naprawy>::find(R));
  sess_nav_set(kPage, "e");
  app("</CENTER>\n");
  return 0;
}

// --- page 85 and the printable forms -------------------------------------------------------------

int mgs_Specyfikacja() {
  const uint32_t R = var_z("Naprawy_Id");
  if (!allowed_repair(R)) return 0;
  Specyfikacja_html(R);
  return 0;
}

namespace {

int print_form(const char* templ, int page) {
  const uint32_t R = var_z("Naprawy_Id");
  if (allowed_repair(R)) {
    mgs_form_keep keep;
    Naprawy_fields b;
    protokol_set_html_vars(R, &b);
    run(templ);
  }
  sess_nav_set(page, "");
  page_id = kPageRepair;
  return 0;
}

}  // namespace

int mgs_KartaUruchomienia() { return print_form("KartaUruchomienia.htm", MGS_PAGE_KartaUruchomieniaE); }
int mgs_ProtokolPrzegladu() { return print_form("ProtokolPrzegladu.htm", MGS_PAGE_ProtokolPrzegladuE); }
int mgs_ProtokolSerwisowy() { return print_form("ProtokolSerwisowy.htm", MGS_PAGE_ProtokolSerwisowyE); }
int mgs_PrzegladRoczny() { return print_form("PrzegladRoczny.htm", MGS_PAGE_PrzegladRocznyE); }

void mgs_Protokol_register() {
  mgs_page_register(kPage, [](const char*, const char* a) {
    std::string name;
    return mgs_Protokol(&name, a);
  });
  mgs_page_register(MGS_PAGE_SpecyfikacjaE, [](const char*, const char*) { return mgs_Specyfikacja(); });
  mgs_page_register(MGS_PAGE_KartaUruchomieniaE, [](const char*, const char*) { return mgs_KartaUruchomienia(); });
  mgs_page_register(MGS_PAGE_ProtokolPrzegladuE, [](const char*, const char*) { return mgs_ProtokolPrzegladu(); });
  mgs_page_register(MGS_PAGE_ProtokolSerwisowyE, [](const char*, const char*) { return mgs_ProtokolSerwisowy(); });
  mgs_page_register(MGS_PAGE_PrzegladRocznyE, [](const char*, const char*) { return mgs_PrzegladRoczny(); });
}
