#include "mages/repairs/mgs_Naprawy_reklamacje.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "lib/convert.hpp"
#include "mages/glue_impl.hpp"
#include "mages/goods/mgs_Stawki_VAT0.hpp"
#include "mages/goods/mgs_Towary.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "mages/goods/mgs_Towary_select.hpp"
#include "mages/goods/mgs_Towary_transakcje.hpp"
#include "mages/goods/mgs_Towary_transakcje_edit.hpp"
#include "mages/goods/mgs_Transakcje0.hpp"
#include "mages/mgs_vv.hpp"
#include "mages/repairs/mgs_Naprawy.hpp"
#include "mages/repairs/mgs_Naprawy0.hpp"
#include "mages/repairs/mgs_Naprawy_czesci.hpp"
#include "server/html_form.hpp"
#include "server/oo_texts.hpp"
#include "server/page_out.hpp"
#include "server/sess.hpp"
#include "server/texts.hpp"
#include "server/ustawienia.hpp"

namespace {

constexpr int kPageGoodsEdit = 17;
constexpr int kPageParts = 25;
constexpr int kPageServices = 26;
constexpr int kPageComplaint = 27;
constexpr int kPageRepair = 31;
constexpr int kList = TOWARY_TRANSAKCJE_REKLAMACJE;
constexpr const char* kTicks = "Naprawy_uslugi_Id_Towary";
constexpr const char* kTicksOwner = "Naprawy_uslugi_Id_Naprawy";

bool is(std::string_view action, const char* caption_key) { return action == ustawienia_get(caption_key); }

std::string button_of(int page) { return "n_" + std::to_string(page); }

// The gross sale price of a goods; a goods without a rate counts 22 %.
double gross_price(const Towary& t) {
  const double f = stawka_vat_przelicznik(t.Id_Stawki_VAT);
  return toBrutto(t.cena_sprzedazy, f < 1.0 ? 1.22 : f);
}

// The repair of the page when the user may open it; else the refusal (or
// the missing repair) is said and NULL returned.
const Naprawy* page_repair() {
  const uint32_t id = var_z("Naprawy_Id");
  if (!mgs_Naprawy_allow_current(id)) {
    mgs_Naprawy_refuse();
    return nullptr;
  }
  const Naprawy* repair = kal::glue<Naprawy>::find(id);
  if (!repair) errorDisplay(("Brak naprawy Id=" + kal::html_text(var_s("Naprawy_Id")) + " w bazie !").c_str());
  return repair;
}

// "Dodaj_button" appends the line entered to the complaint list, a caption
// starting with "Usun_sp_button" removes the line numbered after it.
void list_action(const std::string& action, int page) {
  const std::string remove = ustawienia_get("Usun_sp_button");
  if (is(action, "Dodaj_button")) {
    mgs_Towary_transakcje_append(kList);
    sess_nav_set(page, "n");
  } else if (!remove.empty() && action.compare(0, remove.size(), remove) == 0) {
    mgs_Towary_transakcje_unappend(action.c_str() + remove.size(), kList);
    sess_nav_set(page, "n");
  }
}

// The complaint list: a removal button per line, the goods, its code, the
// quantity and the damage.
void complaint_table(const std::string& button) {
  app("<table border=0>\n<TR>\n");
  for (const std::string& caption : {std::string(ustawienia_get("Lp_text")),
                                     std::string(ustawienia_get("Nazwa_towaru_uslugi_text")),
                                     std::string(ustawienia_get("kod_text")), std::string(ustawienia_get("Sztuk_text")),
                                     std::string(tr(180))}) {
    app("  <TD CLASS=colname>");
    app(caption.c_str());
    app("</TD>\n");
  }
  app("</TR>\n");
  const long count = kal::towary_transakcje_count(kList);
  for (long i = 0; i < count; ++i) {
    const std::string suffix = kal::towary_transakcje_suffix(i, kList);
    const Towary* goods = kal::glue<Towary>::find(var_z(("Towary_transakcje_Id_Towary" + suffix).c_str()));
    const std::string name = goods ? kal::html_text(goods->nazwa.view()) : "";
    const std::string kod = goods ? kal::html_text(goods->kod.view()) : "";
    const std::string pieces = from_gzl0(var_g(("Towary_transakcje_liczba_sztuk" + suffix).c_str()));
    const std::string damage = kal::html_text(var_s(("Serwis_zewnetrzny_cechy_uszkodzenia" + suffix).c_str()));
    tableItemDynamic(nullptr, i + 1, button.c_str(), nullptr, nullptr, name.c_str(), nullptr, kod.c_str(), nullptr,
                     pieces.c_str(), nullptr, damage.c_str());
  }
  app("</table>\n");
}

// The goods picked, linked to its page, with its gross price.
void picked_goods(const char* format) {
  const Towary* goods = kal::glue<Towary>::find(var_z("Towary_transakcje_Id_Towary"));
  if (!goods) return;
  const std::string id = from_z(goods->Id), price = from_gzl(gross_price(*goods)),
                    name = kal::html_text(goods->nazwa.view()), zl = ustawienia_get("zl_text");
  char url[96];
  std::snprintf(url, sizeof url, format, kPageGoodsEdit, id.c_str());
  app(page_href(url, (oo_texts_get_lang() == 1 ? name + " " + zl + price : name + " " + price + " " + zl).c_str()));
  app("\n");
  app(form_input_hidden("Towary_transakcje_Id_Towary", id.c_str()));
  app("\n");
}

// The ticked services: the variables and the goods they name.
std::vector<std::pair<std::string, uint32_t>> ticks() {
  std::vector<std::pair<std::string, uint32_t>> out;
  const std::string_view prefix = kTicks;
  for (uint32_t i = 0; actual_sess && i < actual_sess->size; ++i) {
    const std::string_view key = actual_sess->keys[i];
    const char* value = actual_sess->values[i];
    if (key.substr(0, prefix.size()) != prefix || !value || !value[0]) continue;
    out.emplace_back(std::string(key), to_z(value));
  }
  return out;
}

// The damage and repair descriptions the request carries, from the repair
// form when it holds this repair.
void store_descriptions(uint32_t id) {
  if (is_in_post_or_get("NaprawyNew_Naprawy_Id") && var_z("NaprawyNew_Naprawy_Id") != id) return;
  bool any = false;
  if (is_in_post_or_get("NaprawyNew_Naprawy_opis_uszkodzenia")) {
    kal::glue<Naprawy>::set_field<&Naprawy::opis_uszkodzenia>(id, var_s("NaprawyNew_Naprawy_opis_uszkodzenia"));
    any = true;
  }
  if (is_in_post_or_get("NaprawyNew_Naprawy_opis_naprawy")) {
    kal::glue<Naprawy>::set_field<&Naprawy::opis_naprawy>(id, var_s("NaprawyNew_Naprawy_opis_naprawy"));
    any = true;
  }
  if (any && glue_root<Naprawy>::save() != 0) errorDisplay("Nie można zapisać pliku dat/Naprawy.dat !");
}

}  // namespace

const char* Naprawy_reklamacje_vv(const char* text) {
  static hashtbl* overrides = nullptr;
  return kal::page_text_vv(&overrides, "Naprawy_reklamacje.vv", text);
}

// --- complaints -------------------------------------------------------------------------------

int mgs_Naprawy_reklamacje(const char* action_arg) {
  const std::string action = action_arg ? action_arg : "";
  const Naprawy* repair = page_repair();
  if (!repair) return 0;
  const std::string button = button_of(kPageComplaint);
  list_action(action, kPageComplaint);

  html_form_open("p.htm");
  app(form_input_hidden("Naprawy_Id", from_z(repair->Id)));
  app("\n");
  app(form_input_submit("n_8", ustawienia_get("Wybierz_czesc_button"), ""));
  char href[64];
  std::snprintf(href, sizeof href, "p?n_%d=n&Towary_transakcje_Id_Towary=", kPageComplaint);
  sess_put("NAPRAWA_CZESCI_href", href);
  picked_goods("p.htm?n_%d=n&Towary_Id=%s");
  app("<br>\n");
  app(Naprawy_reklamacje_vv("Cechy uszkodzenia:"));
  app(" ");
  form_textareav("Serwis_zewnetrzny_cechy_uszkodzenia", "", 2, 50, "");
  app("   ");
  app(form_input_text2("Towary_transakcje_liczba_sztuk", "1", 10, 1, ""));
  app(ustawienia_get("szt_text"));
  app(form_input_submit(button.c_str(), ustawienia_get("Dodaj_button"), ""));
  app("<br>\n");
  complaint_table(button);
  app("<center>\n");
  app(form_input_submit(button_of(kPageRepair).c_str(), ustawienia_get("Powrot_do_Naprawy_button"), ""));
  app("&nbsp;&nbsp;&nbsp;&nbsp;\n");
  app(form_input_submit(button_of(kPageRepair).c_str(), tr(53), ""));
  app("</center>\n");
  html_form_close();
  return 0;
}

int reklamacje_insert(const char* suffix, uint32_t repair_Id) {
  Serwis_zewnetrzny_tab* t = glue_root<Serwis_zewnetrzny>::tab();
  if (!t) return -1;
  const std::string s = suffix ? suffix : "";
  uint32_t max = 0;
  const bool any = Serwis_zewnetrzny_tab_max_Id(t, &max) == 0;
  if (any && max == UINT32_MAX) return -1;
  Serwis_zewnetrzny row{};
  row.Id = any ? max + 1 : 1;
  row.Id_Naprawy = repair_Id;
  row.Id_Towary__serwis_zewnetrzny = var_z(("Towary_transakcje_Id_Towary" + s).c_str());
  const double pieces = var_g(("Towary_transakcje_liczba_sztuk" + s).c_str());
  row.liczba_sztuk = std::isfinite(pieces) ? pieces : 0.0;
  row.cechy_uszkodzenia = var_s(("Serwis_zewnetrzny_cechy_uszkodzenia" + s).c_str());
  return Serwis_zewnetrzny_tab_insert(t, &row);
}

int reklamacje_zapis() {
  const uint32_t id = var_z("Naprawy_Id");
  if (!kal::glue<Naprawy>::find(id)) return 0;
  const long count = kal::towary_transakcje_count(kList);
  for (long i = 0; i < count; ++i) {
    const std::string suffix = kal::towary_transakcje_suffix(i, kList);
    if (var_z(("Towary_transakcje_Id_Towary" + suffix).c_str()) != 0) reklamacje_insert(suffix.c_str(), id);
    mgs_Towary_transakcje_del_ht2(suffix.c_str());
  }
  if (glue_root<Serwis_zewnetrzny>::save() != 0) errorDisplay("Nie można zapisać pliku dat/Serwis_zewnetrzny.dat !");
  sess_put("Towary_transakcje_count.r", "");
  return 0;
}

// --- services ---------------------------------------------------------------------------------

int Naprawy_uslugi(int mode, int /*unused*/, std::string& button, int /*unused2*/, int /*unused3*/) {
  if (button.empty()) button = button_of(kPageServices);
  sess_put("Naprawy_uslugi_Towary_typy_Id", ustawienia_get("Typ_towaru_uslugi"));
  Towary_select_name1(0, kTicks, 0, 1, mode == 110 ? -1 : 0, "Naprawy_uslugi_l", "Naprawy_uslugi_Towary_typy_Id");
  app("<br>\n");
  app("\n");
  return 0;
}

int mgs_Naprawy_uslugi(int /*unused*/, std::string& button, const char* action_arg) {
  button = button_of(kPageServices);
  const std::string action = action_arg ? action_arg : "";
  const Naprawy* repair = page_repair();
  if (!repair) return 0;
  const uint32_t id = repair->Id;
  list_action(action, kPageServices);
  store_descriptions(id);
  // The boxes ticked for another repair are not this one's.
  if (var_z(kTicksOwner) != id) {
    for (const auto& [name, goods] : ticks()) sess_put(name.c_str(), "");
    sess_put(kTicksOwner, from_z(id));
  }

  html_form_open("uslugi_do_naprawy.htm");
  app(form_input_hidden("Naprawy_Id", from_z(id)));
  app("\n");
  app("<b>");
  app("Filtr:");
  app("</b>");
  app("  ");
  app(form_input_text2("Naprawy_uslugi_l", var_s("Naprawy_uslugi_l"), 100, 12, ""));
  app(form_input_submit(button.c_str(), ustawienia_get("Szukaj_button"), ""));
  app("<br>");
  app("\n");
  Naprawy_uslugi(110, 0, button, 0, 0);
  app("<center>\n");
  app(form_input_submit(button_of(kPageRepair).c_str(), ustawienia_get("Powrot_do_Naprawy_button"), ""));
  app(" &nbsp;&nbsp; \n");
  app(form_input_submit(button_of(kPageParts).c_str(), ustawienia_get("Wymiana_czesci_button"), ""));
  app(form_input_hidden("Naprawy_uslugi", "1"));
  app("\n");
  app("</center>\n");
  html_form_close();
  return 0;
}

int mgs_Naprawy_uslugi_Transakcje_append(double* sum) {
  // The goods and their gross prices.
  std::vector<std::pair<uint32_t, double>> services;
  const auto ticked = ticks();
  for (const auto& [name, id] : ticked) {
    const Towary* goods = kal::glue<Towary>::find(id);
    if (goods && !(goods->flags & TOWARY_FLAG_DELETED)) services.emplace_back(goods->Id, gross_price(*goods));
  }
  if (sum) {
    std::int64_t cents = 0;
    for (const auto& [id, price] : services) {
      std::int64_t c = 0;
      if (kal::money_cents(price, &c)) cents += c;
    }
    *sum = kal::money_of_cents(cents);
    return static_cast<int>(services.size());
  }

  int added = 0;
  const uint32_t repair_Id = var_z("Naprawy_Id");
  const Naprawy* repair = kal::glue<Naprawy>::find(repair_Id);
  if (repair && !services.empty() && var_z(kTicksOwner) == repair_Id) {
    // The entry of the parts page is given back afterwards.
    const char* const kEntry[] = {"Towary_transakcje_Id",           "Towary_transakcje_Id_Towary",
                                  "Towary_transakcje_Id_Transakcje", "Towary_transakcje_cena",
                                  "Towary_transakcje_liczba_sztuk", "Towary_transakcje_brutto"};
    std::vector<std::string> kept;
    for (const char* name : kEntry) kept.emplace_back(var_s(name));
    uint32_t document = repair->Id_Transakcje;
    if (document == 0) document = kal::towary_transakcje_repair_document(repair->Id_Firmy__klient, repair->Id_Naprawy_wykonawcy);
    if (document != 0 && kal::glue<Transakcje>::find(document)) {
      for (const auto& [id, price] : services) {
        sess_put("Towary_transakcje_Id", "");
        sess_put("Towary_transakcje_Id_Transakcje", from_z(document));
        sess_put("Towary_transakcje_Id_Towary", from_z(id));
        sess_put("Towary_transakcje_liczba_sztuk", "1");
        sess_put("Towary_transakcje_brutto", from_gzl(price));
        const int rc = Towary_transakcje_add();
        if (rc == 0 || rc == 1) ++added;
      }
      double net = 0.0, gross = 0.0;
      Transakcje_update_suma(document, &net, &gross);
      kal::naprawy_koszt_update(repair_Id, document, gross);
    }
    for (std::size_t i = 0; i < kept.size(); ++i) sess_put(kEntry[i], kept[i].c_str());
  }
  // Taken over (or not this repair's): the boxes are cleared.
  for (const auto& [name, id] : ticked) sess_put(name.c_str(), "");
  return added;
}
