#include "mages/mgs_pages.hpp"

#include <cstdio>
#include <map>
#include <string>

#include "lib/convert.hpp"
#include "mages/mages.hpp"
#include "mages/cards/mgs_Karty.hpp"
#include "mages/cards/mgs_Karty_pdf.hpp"
#include "mages/cards/mgs_Plany.hpp"
#include "mages/cards/mgs_Serwisanci_koszty.hpp"
#include "mages/cards/mgs_Srodki_transportu.hpp"
#include "mages/admin/mgs_Users.hpp"
#include "mages/admin/mgs_Ustawienia.hpp"
#include "mages/equipment/mgs_Protokol.hpp"
#include "mages/equipment/mgs_Serwis.hpp"
#include "mages/equipment/mgs_Serwis_kolory.hpp"
#include "mages/equipment/mgs_Serwis_ramy.hpp"
#include "mages/equipment/mgs_Serwis_typy.hpp"
#include "mages/firms/mgs_Firmy.hpp"
#include "mages/firms/mgs_Formy_platnosci.hpp"
#include "mages/firms/mgs_Info.hpp"
#include "mages/firms/mgs_Jednostki_metryczne.hpp"
#include "mages/firms/mgs_Naprawy_przyjmujacy.hpp"
#include "mages/firms/mgs_Naprawy_przyjmujacy0.hpp"
#include "mages/firms/mgs_Naprawy_stany0.hpp"
#include "mages/firms/mgs_Naprawy_typy.hpp"
#include "mages/firms/mgs_Naprawy_typy0.hpp"
#include "mages/firms/mgs_Naprawy_wykonawcy.hpp"
#include "mages/firms/mgs_Naprawy_wykonawcy0.hpp"
#include "mages/goods/mgs_Raporty.hpp"
#include "mages/goods/mgs_Rozlicz_mies_czesci.hpp"
#include "mages/goods/mgs_Towary_rodzaje.hpp"
#include "mages/goods/mgs_Stawki_VAT.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "mages/goods/mgs_Towary_pages.hpp"
#include "mages/goods/mgs_Towary_typy.hpp"
#include "mages/goods/mgs_Towary_typy0.hpp"
#include "mages/goods/mgs_Transakcje.hpp"
#include "mages/goods/mgs_Transakcje_pdf.hpp"
#include "mages/goods/mgs_Transakcje_pdf2.hpp"
#include "mages/repairs/mgs_Naprawy_export.hpp"
#include "mages/repairs/mgs_Naprawy_list.hpp"
#include "mages/repairs/mgs_Naprawy_pdf.hpp"
#include "pdf/pdfReport.hpp"
#include "mages/repairs/mgs_Naprawy_InnyKlienta.hpp"
#include "mages/repairs/mgs_Naprawy_edit.hpp"
#include "mages/repairs/mgs_Naprawy_new.hpp"
#include "mages/repairs/mgs_Naprawy_czesci.hpp"
#include "mages/repairs/mgs_Naprawy_reklamacje.hpp"
#include "server/html_form.hpp"
#include "server/sess.hpp"
#include "server/ustawienia.hpp"

// --- the program's entries ----------------------------------------------------------

namespace {

// A select of the equipment received for service (goods of the type of the
// setting "Typ_towaru_do_serwisu") named after the variable holding the choice.
int serwis_goods_select(const char* var, int options) {
  return Towary_select_name(var_z(var), var, to_z(ustawienia_get("Typ_towaru_do_serwisu")), options);
}

}  // namespace

void mgs_register_pages() {
  // Pages: the id and a handler taking (n, a).
  mgs_page_register(MGS_PAGE_Pomoc, [](const char*, const char*) { return mgs_Pomoc(); });
  mgs_page_register(MGS_PAGE_FAQ, [](const char*, const char*) { return mgs_FAQ(); });
  // The firms: the list (also as the pickers 301 to 309), new, edit.
  mgs_page_register(MGS_PAGE_FirmaN, [](const char*, const char* a) { return mgs_Firmy_new(a); });
  mgs_page_register(MGS_PAGE_FirmaE, [](const char*, const char* a) { return mgs_Firmy_edit(a); });
  for (int id : {MGS_PAGE_Firmy, MGS_PAGE_Firmy1, MGS_PAGE_Firmy2, MGS_PAGE_Firmy3, MGS_PAGE_Firmy4, MGS_PAGE_Firmy5,
                 MGS_PAGE_Firmy6, MGS_PAGE_Firmy7, MGS_PAGE_Firmy8, MGS_PAGE_Firmy9})
    mgs_page_register(id, [](const char*, const char*) { return mgs_Firmy_list(); });
  // The equipment register: list, new and edit pages, the warranty card and
  // the service-cycle confirmation.
  mgs_Serwis_register();
  // The warranty protocol of a repair, its parts list and forms.
  mgs_Protokol_register();
  // The value lists of the equipment form: list, new and edit pages each.
  mgs_Serwis_typy_register();
  mgs_Serwis_ramy_register();
  mgs_Serwis_kolory_register();
  mgs_Towary_rodzaje_register();
  // Dictionaries: units, payment forms, VAT rates, goods types.
  MGS_DICT_PAGES_REGISTER(Jednostki_metryczne)
  MGS_DICT_PAGES_REGISTER(Formy_platnosci)
  MGS_DICT_PAGES_REGISTER(Stawki_VAT)
  MGS_DICT_PAGES_REGISTER(Towary_typy)
  // Repair kinds, receiving employees, repairers.
  MGS_DICT_PAGES_REGISTER(Naprawy_typy)
  MGS_DICT_PAGES_REGISTER_ACTION_LIST(Naprawy_przyjmujacy)
  MGS_DICT_PAGES_REGISTER(Naprawy_wykonawcy)
  // Means of transport, servicemen's costs, users.
  MGS_DICT_PAGES_REGISTER_ACTION_LIST(Srodki_transportu)
  MGS_DICT_PAGES_REGISTER(Serwisanci_koszty)
  mgs_page_register(MGS_PAGE_UsersL, [](const char*, const char*) { return mgs_Users_list(); });
  mgs_page_register(MGS_PAGE_UsersE, [](const char*, const char* a) { return mgs_Users_edit(a); });
  mgs_page_register(MGS_PAGE_UsersN, [](const char*, const char* a) { return mgs_Users_new(a); });
  // Service cards (the trip pages 226 to 228 are not reached) and plans.
  mgs_page_register(MGS_PAGE_KartyL, [](const char*, const char* a) { return mgs_Karty_list(a); });
  mgs_page_register(MGS_PAGE_KartyE, [](const char*, const char* a) { return mgs_Karty_edit(a); });
  mgs_page_register(MGS_PAGE_KartyN, [](const char*, const char* a) { return mgs_Karty_new(a); });
  mgs_page_register(MGS_PAGE_PlanyL, [](const char*, const char*) { return mgs_Plany_list(); });
  mgs_page_register(MGS_PAGE_PlanyE, [](const char*, const char* a) { return mgs_Plany_edit(a); });
  mgs_page_register(MGS_PAGE_PlanyN, [](const char*, const char* a) { return mgs_Plany_new(a); });
  // The settings.
  mgs_page_register(MGS_PAGE_Ustawienia, [](const char*, const char* a) { return mgs_Ustawienia(a); });
  // The about page.
  mgs_page_register(MGS_PAGE_Info, [](const char*, const char*) { return mgs_Info(); });

  // The goods catalogue: new, list and edit.
  mgs_page_register(MGS_PAGE_TowarN, [](const char*, const char* a) { return mgs_Towary_new(a); });
  mgs_page_register(MGS_PAGE_Towary, [](const char*, const char*) { return mgs_Towary_list(); });
  mgs_page_register(MGS_PAGE_TowarE, [](const char*, const char* a) { return mgs_Towary_edit(a); });

  // The parts and services of a repair, its services and its complaint.
  mgs_page_register(MGS_PAGE_NaprawaC, [](const char*, const char* a) {
    std::string button;
    return mgs_Naprawy_czesci(button, a);
  });
  mgs_page_register(MGS_PAGE_NaprawaU, [](const char*, const char* a) {
    std::string button;
    return mgs_Naprawy_uslugi(0, button, a);
  });
  mgs_page_register(MGS_PAGE_NaprawaR, [](const char*, const char* a) { return mgs_Naprawy_reklamacje(a); });

  // The sales and purchase documents: new, list and edit pages of each type.
  mgs_page_register(MGS_PAGE_DostawaN, [](const char*, const char* a) { return mgs_Transakcje_new(2, a); });
  mgs_page_register(MGS_PAGE_DostawaL, [](const char*, const char*) { return mgs_Transakcje_list(2); });
  mgs_page_register(MGS_PAGE_SprzedazN, [](const char*, const char* a) { return mgs_Transakcje_new(1, a); });
  mgs_page_register(MGS_PAGE_SprzedazL, [](const char*, const char*) { return mgs_Transakcje_list(1); });
  mgs_page_register(MGS_PAGE_DostawaE, [](const char*, const char* a) { return mgs_Transakcje_edit(2, a); });
  mgs_page_register(MGS_PAGE_SprzedazE, [](const char*, const char* a) { return mgs_Transakcje_edit(1, a); });
  // The sales report and the monthly settlement of parts.
  mgs_page_register(MGS_PAGE_Raporty, [](const char*, const char* a) { return mgs_Raporty(a); });
  mgs_page_register(MGS_PAGE_Rozlicz_mies_czesci, [](const char*, const char* a) { return mgs_Rozlicz_mies_czesci(a); });

  // A new repair, with its equipment and owner searches.
  for (int id : {MGS_PAGE_NaprawaN, MGS_PAGE_NaprawaNserw, MGS_PAGE_NaprawaNwlasc})
    mgs_page_register(id, [](const char*, const char* a) { return mgs_Naprawy_new(a); });
  // The repair order page with its state moves.
  mgs_page_register(MGS_PAGE_NaprawaE, [](const char*, const char* a) { return mgs_Naprawy_edit(a); });
  // The models of serviced equipment for a new repair.
  mgs_page_register(MGS_PAGE_NaprawaK, [](const char*, const char* a) { return mgs_Naprawy_InnyKlienta(nullptr, a); });
  // The repair list and the deleted repairs.
  mgs_page_register(MGS_PAGE_Naprawy, [](const char*, const char*) {
    mgs_Naprawy_list(1);
    return 0;
  });
  mgs_page_register(MGS_PAGE_NaprawyU, [](const char*, const char* a) { return mgs_Naprawy_usuniete_list(a); });

  // Documents by name: (name, id, file).
  mgs_doc_register("Faktura", mgs_Transakcje_pdf_doc);
  mgs_doc_register("Faktura_VAT", mgs_Transakcje_pdf2_doc);
  mgs_doc_register("Naprawy_list", Naprawy_list_pdf_doc);
  mgs_doc_register("Karta_uslug", mgs_Karta_pdf_doc);
  for (const char* kind : Naprawy_pdf_kind) mgs_doc_register(kind, mgs_Naprawy_pdf_doc);
  // The intake protocol fills its items from the repair being printed.
  pdfReport_data = setProtokolPrzyjeciaData;

  // Selection fields of templates.
  mgs_select_register("year_select_options(RMCyear)", [] {
    const int y = var_i("RMCyear");
    return year_select_options(y, y - 2, y + 2, 0);
  });
  // The repair search's choices of kind, repairer and state, and the repair
  // form's receiving employee.
  mgs_select_register("NaprawyTypy()", [] {
    return Naprawy_typy_select_options(var_z("NaprawySearch.Naprawy_Id_Naprawy_typy"), 1);
  });
  mgs_select_register("NaprawyWykonawcy()", [] {
    return Naprawy_wykonawcy_select_options(var_z("NaprawySearch.Naprawy_Id_Naprawy_wykonawcy"), 1);
  });
  mgs_select_register("NaprawyPrzyjmujacy()", [] {
    return Naprawy_przyjmujacy_select_options(var_z("NaprawyNew_Naprawy_Id_Naprawy_przyjmujacy"), 0);
  });
  mgs_select_register("KartyStany()", [] {
    return Karty_stany_select_options(var_z("Search.Karty_Id_Karty_stany"), 1);
  });
  mgs_select_register("NaprawyStany()", [] {
    return Naprawy_stany_select_options(var_z("NaprawySearch.Naprawy_Id_Naprawy_stany"), 1);
  });
  // The equipment form's fields with their value lists, and the repair
  // search's engine-number choice.
  mgs_select_register("Serwis_ramy_select()", [] {
    return Serwis_ramy_select("SerwisNew_Serwis_nr_ramy", var_s("SerwisNew_Serwis_nr_ramy"), 0);
  });
  mgs_select_register("Serwis_typy_select()", [] {
    return Serwis_typy_select("SerwisNew_Serwis_nr_silnika", var_s("SerwisNew_Serwis_nr_silnika"), 0);
  });
  mgs_select_register("Serwis_kolory_select()", [] {
    return Serwis_kolory_select("SerwisNew_Serwis_kolor", var_s("SerwisNew_Serwis_kolor"), 0);
  });
  mgs_select_register("Serwis_typy_select_name(1)",
                      [] { return mgs_Serwis_typy_select("Nnr_silnika", var_s("Nnr_silnika"), 1); });
  // The goods types of the repair list's filter; the equipment received for
  // service (goods of the type the settings name) on the repair forms.
  mgs_select_register("TowaryTypy()", [] { return Towary_typy_select_options(var_z("Naprawy_Towary_typy_Id"), 1); });
  mgs_select_register("NaprawyTowary()", [] {
    return Towary_select_options(var_z("NaprawyNew_Naprawy_Id_Towary__przyjety"),
                                 to_z(ustawienia_get("Typ_towaru_do_serwisu")), 0);
  });
  mgs_select_register("Towary_select_name(Serwis,0)",
                      [] { return serwis_goods_select("NaprawyNew_Naprawy_Id_Towary__przyjety", 0); });
  mgs_select_register("Towary_select_name(Serwis,1)",
                      [] { return serwis_goods_select("NaprawyNew_Naprawy_Id_Towary__przyjety", 1); });
  mgs_select_register("Towary_select_name(Serwis,2)",
                      [] { return serwis_goods_select("SerwisSerach_Id_Towary__przyjety", 1); });
}

// --- tiers ------------------------------------------------------------------------------

int mgs_page_tier(int id) {
  switch (id) {
    // Workers, administrators and others.
    case 6: case 7: case 8: case 13: case 15: case 17: case 20: case 21: case 22: case 23: case 25: case 26:
    case 27: case 30: case 31: case 32: case 33: case 50: case 85: case 86: case 87: case 88: case 89: case 92:
    case 93: case 94: case 95: case 96: case 97: case 98: case 99: case 100: case 102: case 103: case 104:
    case 211: case 212: case 213: case 241: case 242: case 243: case 244:
      return MGS_TIER_ALL;
    // Workers and administrators: the firms.
    case 9: case 10: case 19: case 301: case 302: case 303: case 304: case 305: case 306: case 307: case 308:
    case 309:
      return MGS_TIER_STAFF;
    // Administrators.
    case 1: case 2: case 3: case 4: case 5: case 12: case 60: case 61: case 62: case 63: case 64: case 65:
    case 66: case 67: case 68: case 69: case 70: case 71: case 72: case 73: case 74: case 75: case 76: case 77:
    case 78: case 79: case 80: case 83: case 84: case 91: case 101: case 220: case 221: case 222: case 229:
    case 230: case 231: case 233: case 234: case 235:
      return MGS_TIER_ADMIN;
    default:
      return MGS_TIER_NONE;
  }
}

// --- the registry -----------------------------------------------------------------------

namespace {

struct Registry {
  std::map<int, mgs_page_fn> pages;
  std::map<std::string, mgs_doc_fn, std::less<>> docs;
  std::map<std::string, mgs_select_fn, std::less<>> selects;
  mgs_cykle_ok_fn cykle_ok = nullptr;
};

Registry& registry() {
  static Registry r;
  static bool filled = false;
  if (!filled) {
    filled = true;
    mgs_register_pages();
  }
  return r;
}

template <class Map, class Key, class Fn>
void put(Map& map, const Key& key, Fn fn) {
  if (fn)
    map[key] = fn;
  else
    map.erase(key);
}

template <class Map, class Key>
auto find(const Map& map, const Key& key) -> typename Map::mapped_type {
  auto it = map.find(key);
  return it == map.end() ? nullptr : it->second;
}

}  // namespace

void mgs_page_register(int id, mgs_page_fn fn) {
  if (fn && mgs_page_tier(id) == MGS_TIER_NONE)
    std::printf("mgs_page_register(): page id=%d has no role tier, its handler never runs\n", id);
  put(registry().pages, id, fn);
}

void mgs_doc_register(const char* name, mgs_doc_fn fn) {
  if (name) put(registry().docs, std::string(name), fn);
}

void mgs_select_register(const char* placeholder, mgs_select_fn fn) {
  if (placeholder) put(registry().selects, std::string(placeholder), fn);
}

void mgs_cykle_ok_register(mgs_cykle_ok_fn fn) { registry().cykle_ok = fn; }

mgs_page_fn mgs_page_find(int id) { return find(registry().pages, id); }
mgs_doc_fn mgs_doc_find(std::string_view name) { return find(registry().docs, name); }
mgs_select_fn mgs_select_find(std::string_view placeholder) { return find(registry().selects, placeholder); }
mgs_cykle_ok_fn mgs_cykle_ok_find() { return registry().cykle_ok; }
