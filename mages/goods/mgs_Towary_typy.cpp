#include "mages/goods/mgs_Towary_typy.hpp"

#include "mages/dict_pages_impl.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "mages/goods/mgs_Towary_typy0.hpp"

namespace {

// How many goods (deleted ones too: old documents show them) have the type.
long goods_of_type(uint32_t id) {
  long n = 0;
  if (Towary_tab* t = glue_root<Towary>::tab())
    for (const Towary_listelem* e = t->first; e; e = e->next)
      if (e->row && e->row->Id_Towary_typy == id) ++n;
  return n;
}

}  // namespace

template <>
struct dict_desc<Towary_typy> : dict_desc_base<Towary_typy> {
  static constexpr int list_page = 75, new_page = 76, edit_page = 77;
  static const char* list_title() { return tr(283); }
  static constexpr int head_count = 2;
  static const char* list_head(int column) { return column == 0 ? tr(293) : tr(131); }
  static void list_cells(const Towary_typy& r, std::vector<std::string>& cells) { cells.push_back(r.uwagi.str()); }
  static const char* form_title() { return ustawienia_get("Typ_towaru_text"); }
  static constexpr dict_row rows[] = {
      {M::f_nazwa, [] { return ustawienia_get("Nazwa_text"); }},
      {M::f_uwagi, [] { return ustawienia_get("Opis_text"); }, dict_control::textarea, 0, 0, 4, 40}};

  // A deleted type's Id would go to the next new type, re-typing its goods.
  static bool in_use(const Towary_typy& r, std::string& why) {
    const long n = goods_of_type(r.Id);
    if (n == 0) return false;
    why = kal::dict_fill("Typ towaru %s nie został usunięty: mają go towary (%ld) !\n",
                         {kal::html_text(r.nazwa.view()), std::to_string(n)});
    return true;
  }
};

MGS_DICT_PAGES_DEFINE(Towary_typy)

int mgs_Towary_typy_display(const char* button, const char* c1, const char* c2, const char* c3, const char* c4,
                            const char* c5, const char* c6, const char* Id, const char* nazwa, const char* uwagi) {
  return kal::dict<Towary_typy>::display(button, {c1, c2, c3, c4, c5, c6},
                                         {Id ? Id : "", nazwa ? nazwa : "", uwagi ? uwagi : ""});
}
