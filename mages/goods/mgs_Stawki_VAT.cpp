#include "mages/goods/mgs_Stawki_VAT.hpp"

#include "mages/dict_pages_impl.hpp"
#include "mages/goods/mgs_Stawki_VAT0.hpp"
#include "mages/goods/mgs_Towary0.hpp"

namespace {

// How many goods (deleted ones too: old documents show them) name the rate.
long goods_with_rate(uint32_t id) {
  long n = 0;
  if (Towary_tab* t = glue_root<Towary>::tab())
    for (const Towary_listelem* e = t->first; e; e = e->next)
      if (e->row && e->row->Id_Stawki_VAT == id) ++n;
  return n;
}

}  // namespace

template <>
struct dict_desc<Stawki_VAT> : dict_desc_base<Stawki_VAT> {
  static constexpr int list_page = 72, new_page = 73, edit_page = 74;
  static const char* list_title() { return tr(86); }
  static constexpr int head_count = 2;
  static const char* list_head(int column) { return column == 0 ? ustawienia_get("Nazwa_text") : tr(85); }
  static void list_cells(const Stawki_VAT& r, std::vector<std::string>& cells) { cells.push_back(r.procent.str()); }
  static const char* form_title() { return ustawienia_get("VAT_text"); }
  static constexpr dict_row rows[] = {{M::f_nazwa, [] { return ustawienia_get("Nazwa_text"); }},
                                      {M::f_procent, [] { return tr(85); }}};

  static std::string msg_null() { return Stawki_VAT_vv("ERROR Stawki_VAT NULL !\n"); }
  static std::string msg_name_null() { return Stawki_VAT_vv("ERROR Stawki_VAT_validate nazwa NULL !\n"); }
  static std::string msg_empty() { return tr(87); }
  static std::string msg_blank() { return tr(88); }
  static std::string msg_new(const Stawki_VAT& r) { return kal::dict_fill(tr(90), kal::html_text(r.nazwa.view())); }
  static std::string msg_exists(const Stawki_VAT&, const std::string& link) { return kal::dict_fill(tr(89), link); }

  // A deleted rate's Id would go to the next new rate, re-pricing its goods.
  static bool in_use(const Stawki_VAT& r, std::string& why) {
    const long n = goods_with_rate(r.Id);
    if (n == 0) return false;
    why = kal::dict_fill(Stawki_VAT_vv("Stawka VAT %s nie została usunięta: mają ją towary (%ld) !\n"),
                         {kal::html_text(r.nazwa.view()), std::to_string(n)});
    return true;
  }
};

MGS_DICT_PAGES_DEFINE(Stawki_VAT)

int mgs_Stawki_VAT_display(const char* button, const char* c1, const char* c2, const char* c3, const char* c4,
                           const char* c5, const char* c6, const char* Id, const char* nazwa, const char* procent) {
  return kal::dict<Stawki_VAT>::display(button, {c1, c2, c3, c4, c5, c6},
                                        {Id ? Id : "", nazwa ? nazwa : "", procent ? procent : ""});
}
