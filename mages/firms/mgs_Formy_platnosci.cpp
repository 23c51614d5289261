#include "mages/firms/mgs_Formy_platnosci.hpp"

#include "mages/dict_pages_impl.hpp"
#include "mages/firms/mgs_Formy_platnosci0.hpp"

template <>
struct dict_desc<Formy_platnosci> : dict_desc_base<Formy_platnosci> {
  static constexpr int list_page = 66, new_page = 67, edit_page = 68;
  static const char* list_title() { return tr(30); }
  static constexpr const char* list_title_end = " </td>\n";
  static const char* list_head(int) { return tr(29); }
  static const char* form_title() { return tr(29); }
  static constexpr const char* row_end = "</td></tr>\n</td></tr>\n";
  static constexpr dict_row rows[] = {{M::f_nazwa, [] { return ustawienia_get("Nazwa_text"); }}};
};

MGS_DICT_PAGES_DEFINE(Formy_platnosci)

int mgs_Formy_platnosci_display(const char* button, const char* c1, const char* c2, const char* c3, const char* c4,
                                const char* c5, const char* c6, const char* Id, const char* nazwa) {
  return kal::dict<Formy_platnosci>::display(button, {c1, c2, c3, c4, c5, c6}, {Id ? Id : "", nazwa ? nazwa : ""});
}
