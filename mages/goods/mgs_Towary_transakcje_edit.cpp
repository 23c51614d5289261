#include "mages/goods/mgs_Towary_transakcje_edit.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "lib/convert.hpp"
#include "mages/glue_impl.hpp"
#include "mages/goods/mgs_Stawki_VAT0.hpp"
#include "mages/goods/mgs_Towary.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "mages/goods/mgs_Towary_magazyn.hpp"
#include "mages/goods/mgs_Towary_transakcje.hpp"
#include "mages/goods/mgs_Transakcje.hpp"
#include "mages/goods/mgs_Transakcje0.hpp"
#include "server/html_form.hpp"
#include "server/oo_texts.hpp"
#include "server/page_out.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/ustawienia.hpp"

namespace {

constexpr int kPageGoodsList = 8;
constexpr int kPageGoodsEdit = 17;
constexpr int kPagePurchaseEdit = 83;
constexpr int kPageSaleEdit = 84;

bool is(std::string_view action, const char* caption_key) { return action == ustawienia_get(caption_key); }

std::string row_var(const char* format, int n) {
  char name[96];
  std::snprintf(name, sizeof name, format, n);
  return name;
}

// The amount with the currency: "zl_text" and the amount in English, the
// amount, a blank and "zl_text" otherwise.
std::string with_currency(double amount) {
  const std::string a = from_gzl(kal::money_round(amount));
  const std::string zl = ustawienia_get("zl_text");
  return oo_texts_get_lang() == 1 ? zl + a : a + " " + zl;
}

double goods_factor(const Towary& goods) {
  const double f = stawka_vat_przelicznik(goods.Id_Stawki_VAT);
  return f < 1.0 ? 1.22 : f;
}

std::int64_t product_cents(double a, double b) {
  std::int64_t c = 0;
  return kal::money_product_cents(a, b, &c) ? c : 0;
}

Towary_transakcje_ref* lines_ref(uint32_t document_Id) {
  Towary_transakcje_tab* t = glue_root<Towary_transakcje>::tab();
  return t ? Towary_transakcje_tab_gets_Id_Transakcje(t, document_Id, VTAB_CMP_EQUAL) : nullptr;
}

// The Ids of the document's lines in the table's order.
std::vector<uint32_t> line_ids(uint32_t document_Id) {
  std::vector<uint32_t> ids;
  Towary_transakcje_ref* ref = lines_ref(document_Id);
  for (tab_ref_elem* e = ref ? ref->first : nullptr; e; e = e->next)
    if (const Towary_transakcje* line = vtab_row<Towary_transakcje>(e)) ids.push_back(line->Id);
  if (ref) Towary_transakcje_ref_delete(&ref);
  return ids;
}

// What the editor shows of the document: its Id and its number of lines.  A
// request whose page showed something else is out of date.
std::string editor_state(uint32_t document_Id) {
  return std::string(from_z(document_Id)) + ":" + std::to_string(document_Id ? line_ids(document_Id).size() : 0);
}

// The line with that Id when it belongs to the document; NULL otherwise.
const Towary_transakcje* document_line(uint32_t document_Id, uint32_t line_Id) {
  if (document_Id == 0 || line_Id == 0) return nullptr;
  const Towary_transakcje* line = kal::glue<Towary_transakcje>::find(line_Id);
  return line && line->Id_Transakcje == document_Id ? line : nullptr;
}

int document_type(uint32_t document_Id) {
  const Transakcje* d = kal::glue<Transakcje>::find(document_Id);
  return d ? static_cast<int>(d->Id_Transakcje_typy) : 0;
}

// Writes the three files a changed line touches: 0, or 1 when one of them
// could not be written.
int save_line_files() {
  int failed = glue_root<Towary_transakcje>::save();
  failed += glue_root<Towary>::save();
  failed += glue_root<Towary_magazyn>::save();
  if (failed) errorDisplay("Nie można zapisać plików dat/Towary_transakcje.dat, dat/Towary.dat, dat/Towary_magazyn.dat !");
  return failed ? 1 : 0;
}

// What the request itself carries under the name; "" when nothing.
const char* carried(const std::string& name) {
  const char* value = get_post_or_get_s(name.c_str());
  return value ? value : "";
}

// A number the request carries for a row; false when it carries none.
bool carried_number(const std::string& name, double* value) {
  if (!is_in_post_or_get(name.c_str())) return false;
  *value = to_gzl(carried(name));
  return true;
}

// The values of the document's lines in grosze, a line by its Id taken from
// changed where it is there; false (said in red) when their sum is beyond
// what the money format holds.
bool total_held(uint32_t document_Id, const std::map<uint32_t, std::int64_t>& changed, std::int64_t more = 0) {
  std::int64_t sum = more;
  bool held = true;
  Towary_transakcje_ref* ref = lines_ref(document_Id);
  for (tab_ref_elem* e = ref ? ref->first : nullptr; e && held; e = e->next) {
    const Towary_transakcje* line = vtab_row<Towary_transakcje>(e);
    if (!line) continue;
    const auto it = changed.find(line->Id);
    held = kal::money_add_cents(sum, it != changed.end() ? it->second : product_cents(line->cena, line->liczba_sztuk),
                                &sum);
  }
  if (ref) Towary_transakcje_ref_delete(&ref);
  if (!held) errorDisplay(kal::total_refusal().c_str());
  return held;
}

// Whether the line being added (its count and gross price), or the total it
// gives the document, is beyond what the money format holds (said in red).
bool new_line_refused(uint32_t document_Id) {
  std::int64_t value = 0;
  return kal::line_refused("Nowa pozycja", var_g("Towary_transakcje_brutto"),
                           var_g("Towary_transakcje_liczba_sztuk"), &value) ||
         !total_held(document_Id, {}, value);
}

// Whether a row's typed price or count, or the total they give, is beyond
// what the money format holds (said in red): every row is checked before
// any is written.
bool edit_refused(uint32_t document_Id, std::size_t rows) {
  std::map<uint32_t, std::int64_t> changed;
  for (std::size_t i = 1; i <= rows; ++i) {
    const int n = static_cast<int>(i);
    const Towary_transakcje* line = document_line(document_Id, to_z(carried(row_var("Towary_transakcje_Id.%d", n))));
    if (!line) continue;
    double price = line->cena, count = line->liczba_sztuk;
    const bool new_price = carried_number(row_var("Towary_transakcje_brutto.%d", n), &price);
    const bool new_count = carried_number(row_var("Towary_transakcje_sztuk.%d", n), &count);
    if (!new_price && !new_count) continue;
    std::int64_t value = 0;
    if (kal::line_refused("Pozycja " + std::to_string(n), price, count, &value)) return true;
    changed[line->Id] = value;
  }
  return !total_held(document_Id, changed);
}

}  // namespace

namespace kal {

uint32_t towary_transakcje_repair_document(uint32_t firm_Id, uint32_t repairer_Id) {
  const char* const kHeader[] = {"Transakcje_numer",          "Transakcje_data_transkacji", "Transakcje_termin_platnosci",
                                 "Transakcje_uwagi",          "Transakcje_wydrukowano",     "Transakcje_odebrano",
                                 "Transakcje_zaplacono",      "Transakcje_flags",           "Transakcje_laczna_wartosc",
                                 "Transakcje_Id_Firmy",       "Transakcje_Id_Wykonawcy",    "Towary_transakcje_count.s"};
  std::vector<std::string> kept;
  for (const char* name : kHeader) kept.emplace_back(var_s(name));
  sess_put("Transakcje_numer", "0/0000");
  sess_put("Transakcje_data_transkacji", "");
  sess_put("Transakcje_termin_platnosci", "");
  sess_put("Transakcje_uwagi", "");
  sess_put("Transakcje_wydrukowano", "N");
  sess_put("Transakcje_odebrano", "N");
  sess_put("Transakcje_zaplacono", "N");
  sess_put("Transakcje_flags", "1");
  sess_put("Transakcje_laczna_wartosc", "0,00");
  sess_put("Transakcje_Id_Firmy", from_z(firm_Id));
  sess_put("Towary_transakcje_count.s", "0");
  sess_put("Transakcje_Id_Wykonawcy", from_z(repairer_Id));
  uint32_t id = 0;
  mgs_Transakcje_create1(&id, TRANSAKCJE_SPRZEDAZ);
  for (std::size_t i = 0; i < kept.size(); ++i) sess_put(kHeader[i], kept[i].c_str());
  return id;
}

void towary_transakcje_move_stock(const Towary_transakcje& line, int document_type, double delta) {
  if (delta == 0.0 || !std::isfinite(delta)) return;
  const double move = document_type == TRANSAKCJE_DOSTAWA ? delta : -delta;
  towary_move(line.Id_Towary, &move, nullptr, nullptr);
  towary_magazyn_move(line.Id_Towary, line.Id_Magazyny, move);
}

}  // namespace kal

// --- sums ---------------------------------------------------------------------------------------

int Towary_transakcje_calc_suma(uint32_t document_Id, double* net, double* gross) {
  std::int64_t net_cents = 0, gross_cents = 0;
  const bool exists = kal::glue<Transakcje>::find(document_Id) != nullptr;
  if (exists) {
    Towary_transakcje_ref* ref = lines_ref(document_Id);
    for (tab_ref_elem* e = ref ? ref->first : nullptr; e; e = e->next) {
      const Towary_transakcje* line = vtab_row<Towary_transakcje>(e);
      const Towary* goods = line ? kal::glue<Towary>::find(line->Id_Towary) : nullptr;
      if (!goods) continue;
      gross_cents += product_cents(line->cena, line->liczba_sztuk);
      net_cents += product_cents(toNetto(kal::money_round(line->cena), goods_factor(*goods)), line->liczba_sztuk);
    }
    if (ref) Towary_transakcje_ref_delete(&ref);
  }
  if (net) *net = kal::money_of_cents(net_cents);
  if (gross) *gross = kal::money_of_cents(gross_cents);
  return exists ? 0 : -1;
}

int Transakcje_update_suma(uint32_t document_Id, double* net, double* gross) {
  double n = 0.0, g = 0.0;
  if (Towary_transakcje_calc_suma(document_Id, &n, &g) != 0) {
    if (net) *net = 0.0;
    if (gross) *gross = 0.0;
    return -1;
  }
  if (net) *net = n;
  if (gross) *gross = g;
  kal::glue<Transakcje>::set_field<&Transakcje::laczna_wartosc>(document_Id, g);
  return glue_root<Transakcje>::save() == 0 ? 0 : 1;
}

// --- the actions ---------------------------------------------------------------------------------

int Towary_transakcje_add() {
  const uint32_t goods_Id = var_z("Towary_transakcje_Id_Towary");
  const uint32_t document_Id = var_z("Towary_transakcje_Id_Transakcje");
  if (goods_Id == 0) return -1;
  if (!kal::glue<Towary>::find(goods_Id)) {
    errorDisplay(("Brak towaru Id=" + std::string(from_z(goods_Id)) + " w bazie !").c_str());
    return -1;
  }
  const int type = document_type(document_Id);
  if (type == 0) return -1;
  sess_put("Towary_transakcje_cena", var_s("Towary_transakcje_brutto"));
  if (new_line_refused(document_Id)) return -4;
  const int rc = mgs_Towary_transakcje_create("", type);
  if (rc == 1) save_line_files();
  return rc;
}

int Towary_transakcje_sub(int n) {
  const uint32_t document_Id = var_z("Towary_transakcje_Id_Transakcje");
  const std::string var = row_var("Usun_Id_Towary_transakcje.%d", n);
  const uint32_t line_Id = to_z(carried(var));
  const Towary_transakcje* found = document_line(document_Id, line_Id);
  if (!found) {
    std::printf("Towary_transakcje_sub(%d): line Id=%lu is no line of document Id=%lu, nothing removed\n", n,
                static_cast<unsigned long>(line_Id), static_cast<unsigned long>(document_Id));
    return -1;
  }
  const Towary_transakcje line = *found;
  Towary_transakcje_tab* t = glue_root<Towary_transakcje>::tab();
  Towary_transakcje_ref* ref = Towary_transakcje_tab_gets_Id(t, line_Id, VTAB_CMP_EQUAL);
  if (!ref) return -1;
  Towary_transakcje_tab_removes(t, ref);
  Towary_transakcje_ref_delete(&ref);
  // The stock the line took (or brought) goes back.
  kal::towary_transakcje_move_stock(line, document_type(document_Id), -line.liczba_sztuk);
  return save_line_files();
}

int Towary_transakcje_edit_pos(int i) {
  const uint32_t document_Id = var_z("Towary_transakcje_Id_Transakcje");
  const uint32_t line_Id = to_z(carried(row_var("Towary_transakcje_Id.%d", i)));
  const Towary_transakcje* found = document_line(document_Id, line_Id);
  if (!found) return -1;
  const Towary_transakcje line = *found;
  double price = line.cena, count = line.liczba_sztuk;
  const bool new_price = carried_number(row_var("Towary_transakcje_brutto.%d", i), &price);
  const bool new_count = carried_number(row_var("Towary_transakcje_sztuk.%d", i), &count);
  if (!std::isfinite(price) || !std::isfinite(count)) {
    std::printf("Towary_transakcje_edit_pos(%d): line Id=%lu: the price or the count is not a finite number, "
                "nothing changed\n",
                i, static_cast<unsigned long>(line_Id));
    return -4;
  }
  Towary_transakcje_tab* t = glue_root<Towary_transakcje>::tab();
  Towary_transakcje_ref* ref = Towary_transakcje_tab_gets_Id(t, line_Id, VTAB_CMP_EQUAL);
  if (!ref) return -1;
  if (new_price) Towary_transakcje_tab_update_cena(t, ref, price);
  if (new_count) Towary_transakcje_tab_update_liczba_sztuk(t, ref, count);
  Towary_transakcje_ref_delete(&ref);
  if (new_count) kal::towary_transakcje_move_stock(line, document_type(document_Id), count - line.liczba_sztuk);
  return 0;
}

int Towary_transakcje_edit() {
  const uint32_t document_Id = var_z("Towary_transakcje_Id_Transakcje");
  // One row per line of the document, whatever count the request names.
  const std::size_t rows = document_Id ? line_ids(document_Id).size() : 0;
  if (edit_refused(document_Id, rows)) return -4;
  for (std::size_t i = 1; i <= rows; ++i) Towary_transakcje_edit_pos(static_cast<int>(i));
  return rows ? save_line_files() : 0;
}

int Towary_transakcje_edit_typed(uint32_t document_Id) {
  if (document_Id == 0) return 0;
  sess_put("Towary_transakcje_Id_Transakcje", from_z(document_Id));
  return Towary_transakcje_edit();
}

int mgs_Towary_transakcje_action(int page, const char* remove_prefix, const char* action, uint32_t document_Id,
                                 uint32_t firm_Id, uint32_t repairer_Id, double* total) {
  if (total) *total = 0.0;
  const std::string a = action ? action : "";
  const std::string prefix = remove_prefix ? remove_prefix : "";
  double net = 0.0, gross = 0.0;
  if (is(a, "Dodaj_towar_usluge_button") && var_z("Towary_transakcje_Id_Towary") != 0) {
    // A reload or a second click of the same page adds nothing.
    const char* shown = carried("Towary_transakcje_stan");
    if (shown[0] && editor_state(document_Id) != shown) {
      errorDisplay("Strona była nieaktualna: pozycji nie dodano, sprawdź listę i dodaj ją ponownie !");
      sess_nav_set(page, "");
      Towary_transakcje_calc_suma(document_Id, &net, total);
      return 0;
    }
    // What was typed into the rows goes in first: a change is never dropped.
    if (new_line_refused(document_Id) || Towary_transakcje_edit_typed(document_Id) < 0) {
      sess_nav_set(page, "");
      Towary_transakcje_calc_suma(document_Id, &net, total);
      return 0;
    }
    if (document_Id == 0) document_Id = kal::towary_transakcje_repair_document(firm_Id, repairer_Id);
    sess_put("Towary_transakcje_Id_Transakcje", from_z(document_Id));
    Towary_transakcje_add();
    Transakcje_update_suma(document_Id, &net, &gross);
    if (total) *total = gross;
    sess_nav_set(page, "");
    return 0;
  }
  if (!prefix.empty() && a.compare(0, prefix.size(), prefix) == 0) {
    if (Towary_transakcje_edit_typed(document_Id) >= 0) Towary_transakcje_sub(to_i(a.c_str() + prefix.size()));
  } else if (is(a, "Przelicz_button")) {
    Towary_transakcje_edit_typed(document_Id);
  } else {
    return 0;
  }
  Transakcje_update_suma(document_Id, &net, &gross);
  if (total) *total = gross;
  sess_nav_set(page, "");
  return 0;
}

// --- the editor ---------------------------------------------------------------------------------

int Towary_transakcje_list_edit_head(int page, const char* action) {
  if (page != kPagePurchaseEdit && page != kPageSaleEdit) html_form_open("czesci_uslugi.htm");
  app(form_input_hidden("Naprawy_Id", var_s("Naprawy_Id")));
  app("\n");
  const std::string button = "n_" + std::to_string(kPageGoodsList);
  app(form_input_submit(button.c_str(), ustawienia_get("Wybierz_czesc_button"), ""));
  app("&nbsp;");
  app(form_input_submit(button.c_str(), ustawienia_get("Wybierz_usluge_button"), ""));
  char href[96];
  std::snprintf(href, sizeof href, "p?n_%d=%s&Towary_transakcje_Id_Towary=", page, action ? action : "");
  sess_put("NAPRAWA_CZESCI_href", href);
  sess_put("NAPRAWA_USLUGI_href", href);

  if (const Towary* goods = kal::glue<Towary>::find(var_z("Towary_transakcje_Id_Towary"))) {
    const std::string id = from_z(goods->Id);
    const std::string gross = from_gzl(toBrutto(goods->cena_sprzedazy, goods_factor(*goods)));
    const std::string name = kal::html_text(goods->nazwa.view()), zl = ustawienia_get("zl_text");
    const std::string text = oo_texts_get_lang() == 1 ? name + " " + zl + gross : name + " " + gross + " " + zl;
    const std::string url = "towar_" + id + ".htm?n_" + std::to_string(kPageGoodsEdit) + "=n&Towary_Id=" + id;
    app(page_href(url.c_str(), text.c_str()));
    app(form_input_hidden("Towary_transakcje_Id_Towary", id.c_str()));
    sess_put("Towary_transakcje_brutto", gross.c_str());
  }
  app("   ");
  app(form_input_text2("Towary_transakcje_liczba_sztuk", "1", 6, 2, ""));
  app(ustawienia_get("szt_text"));
  app("&nbsp;");
  const bool english = oo_texts_get_lang() == 1;
  if (english) app(ustawienia_get("zl_text"));
  app(form_input_text2("Towary_transakcje_brutto", var_s("Towary_transakcje_brutto"), 8, 6, ""));
  if (!english) app(ustawienia_get("zl_text"));
  app(form_input_submit(("n_" + std::to_string(page)).c_str(), ustawienia_get("Dodaj_towar_usluge_button"), ""));
  app("<br>\n");
  return 0;
}

int Towary_transakcje_row_display(int page, int row, const Towary_transakcje* line, double* total) {
  if (!line) return 0;
  const Towary* goods = kal::glue<Towary>::find(line->Id_Towary);
  const std::string td = tableItemTD(row);
  const std::string id = from_z(line->Id);
  const std::string button = "n_" + std::to_string(page);
  const std::string caption = ustawienia_get("Usun_sp_button") + std::to_string(row) + ".";
  const double count = std::isfinite(line->liczba_sztuk) ? line->liczba_sztuk : 0.0;
  const double gross = kal::money_round(line->cena);
  const std::int64_t value = product_cents(gross, count);

  app("<TR>\n");
  app(td.c_str());
  app(form_input_hidden(row_var("Usun_Id_Towary_transakcje.%d", row).c_str(), id.c_str()));
  app(form_input_submit(button.c_str(), caption.c_str(), ""));
  app("</TD>\n");
  std::string name = "----------------------------------", kod, pkwiu, net;
  if (goods) {
    char url[96];
    std::snprintf(url, sizeof url, "p.htm?n_%d=e&Towary_Id=%lu", kPageGoodsEdit,
                  static_cast<unsigned long>(goods->Id));
    name = page_href(url, kal::html_text(goods->nazwa.view()).c_str());
    kod = kal::html_text(goods->kod.view());
    pkwiu = kal::html_text(goods->PKWiU.view());
    net = with_currency(toNetto(gross, goods_factor(*goods)));
  }
  for (const std::string& cell : {name, kod, pkwiu, net}) {
    app(td.c_str());
    app(cell.empty() ? "&nbsp;" : cell.c_str());
    app("</TD>\n");
  }
  app(td.c_str());
  app(form_input_hidden(row_var("Towary_transakcje_Id.%d", row).c_str(), id.c_str()));
  app(form_input_text2(row_var("Towary_transakcje_brutto.%d", row).c_str(), from_gzl(gross), 10, 5, ""));
  app(" ");
  app(ustawienia_get("zl_text"));
  app("</TD>\n");
  app(td.c_str());
  app(form_input_text2(row_var("Towary_transakcje_sztuk.%d", row).c_str(), from_gzl0(count), 10, 3, ""));
  app("</TD>\n");
  app(td.c_str());
  app(with_currency(kal::money_of_cents(value)).c_str());
  app("</TD>\n");
  app("</TR>\n");
  if (total) {
    std::int64_t sum = 0;
    kal::money_cents(*total, &sum);
    *total = kal::money_of_cents(sum + value);
  }
  return 0;
}

int Towary_transakcje_list_edit(int page, const char* action, uint32_t document_Id) {
  Towary_transakcje_list_edit_head(page, action);
  app(form_input_hidden("Towary_transakcje_stan", editor_state(document_Id).c_str()));
  app("\n");
  if (!kal::glue<Transakcje>::find(document_Id)) return 0;

  app("<table border=0>\n");
  app("<TR>\n");
  for (const char* key : {"Lp_text", "Nazwa_towaru_uslugi_text", "kod_text", "PKWiU_text", "Cena_netto__sprzedazy_text",
                          "Cena_brutto__sprzedazy_text", "Sztuk_text", "Suma_text"}) {
    app("  <TD CLASS=colname>");
    app(ustawienia_get(key));
    app("</TD>\n");
  }
  app("</TR>\n");
  double total = 0.0;
  int row = 0;
  for (uint32_t id : line_ids(document_Id))
    if (const Towary_transakcje* line = kal::glue<Towary_transakcje>::find(id))
      Towary_transakcje_row_display(page, ++row, line, &total);

  app("<TR>\n");
  app("<TD colspan=6 align=right>");
  app(form_input_hidden("Transakcje_laczna_wartosc", from_gzl(total)));
  app(form_input_hidden("Towary_transakcje_edit_count", from_i(row)));
  app(ustawienia_get("Suma_text"));
  app(":</TD>\n");
  app("<TD>");
  app(with_currency(total).c_str());
  app("</TD>\n");
  app("</TR>\n");
  app("</table>\n");
  return 0;
}
