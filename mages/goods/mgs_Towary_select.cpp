#include "mages/goods/mgs_Towary_select.hpp"

#include <string>

#include "lib/convert.hpp"
#include "lib/hashtbl.hpp"
#include "lib/txt_utils.hpp"
#include "lib/vtab_lang.hpp"
#include "mages/glue_impl.hpp"
#include "mages/goods/mgs_Stawki_VAT0.hpp"
#include "mages/goods/mgs_Towary.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "mages/goods/mgs_Towary_magazyn.hpp"
#include "server/html_form.hpp"
#include "server/oo_texts.hpp"
#include "server/sess.hpp"
#include "server/ustawienia.hpp"

namespace {

constexpr std::size_t kLabelLimit = 255;
constexpr std::size_t kPatternLimit = 279;

bool passes_stock(int filter, double stock) {
  switch (filter) {
    case 1: return stock > 0;
    case 2: return stock == 0;
    case 4: return stock < 10;
    case 5: return stock < 100;
    default: return true;
  }
}

std::string label_of(const Towary& t, int document_type) {
  const double net = document_type == 1 ? t.cena_sprzedazy : t.ostatnia_cena_kupna;
  const std::string net_text = from_gzl(kal::money_round(net));
  const std::string gross_text = from_gzl(toBrutto(net, stawka_vat_przelicznik(t.Id_Stawki_VAT)));
  const std::string zl = ustawienia_get("zl_text"), vat = ustawienia_get("VAT_text");
  const std::string rate = Stawki_VAT_nazwa(t.Id_Stawki_VAT);
  std::string label = oo_texts_get_lang() == 1
                          ? t.nazwa.str() + " " + zl + net_text + " " + rate + vat + " " + zl + gross_text
                          : t.nazwa.str() + " " + net_text + zl + " " + rate + vat + " " + gross_text + zl;
  if (label.size() > kLabelLimit) label.resize(kLabelLimit);
  return label;
}

}  // namespace

int Towary_select_name1(uint32_t selected, const char* name, uint32_t warehouse_Id, int document_type, int mode,
                        const char* pattern_var, const char* type_var) {
  std::string pattern = pattern_var ? var_s(pattern_var) : "";
  if (pattern.size() > kPatternLimit) pattern.resize(kPatternLimit);
  if (!pattern.empty()) pattern = append_asterix(pattern.c_str());
  uint32_t type = type_var ? var_z(type_var) : 0;
  if (type == 4294967295u) type = 0;
  const int filter = var_i(document_type == 2 ? "Transakcje_Towary_select_count_Id.d" : "Transakcje_Towary_select_count_Id.s");

  Towary_tab* tab = glue_root<Towary>::tab();
  hashtbl* options = hashtbl_new(tab ? static_cast<uint32_t>(tab->size) + 1 : 1);
  if (!options) return 0;
  kal::glue<Towary>::each_by_id([&](const Towary& t) {
    if (t.flags & TOWARY_FLAG_DELETED) return;
    double stock = t.liczba_sztuk;
    if (warehouse_Id != 0) {
      const Towary_magazyn* row = Towary_magazyn_select(t.Id, warehouse_Id);
      stock = row ? row->liczba_sztuk : 0.0;
    }
    if (!passes_stock(filter, stock)) return;
    if (type != 0 && t.Id_Towary_typy != type) return;
    const std::string label = label_of(t, document_type);
    if (!pattern.empty() && !vtab_chkpatrnicx(label.c_str(), pattern.c_str(), static_cast<long>(pattern.size()),
                                              vtab_to_lowlang_cp1250))
      return;
    hashtbl_put(options, label.c_str(), from_z(t.Id));
  });
  if (mode < 0)
    formutil_checkbox(name, options);
  else
    formutil_select(name, options, static_cast<long>(selected));
  hashtbl_delete(&options);
  return 0;
}
