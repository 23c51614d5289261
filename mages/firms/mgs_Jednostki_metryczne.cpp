#include "mages/firms/mgs_Jednostki_metryczne.hpp"

#include "mages/dict_pages_impl.hpp"
#include "mages/firms/mgs_Jednostki_metryczne0.hpp"

template <>
struct dict_desc<Jednostki_metryczne> : dict_desc_base<Jednostki_metryczne> {
  static constexpr int list_page = 63, new_page = 64, edit_page = 65;
  static const char* list_title() { return tr(32); }
  static const char* form_title() { return tr(31); }
  static constexpr bool center_first = false;
  static constexpr const char* row_end = "</td></tr>\n</td></tr>\n";
  static constexpr dict_row rows[] = {{M::f_nazwa, [] { return ustawienia_get("Nazwa_text"); }}};
  static std::string msg_empty() { return "Name cannot be empty !\n"; }
  static std::string msg_blank() { return "Name can not has only white chars !\n"; }
};

MGS_DICT_PAGES_DEFINE(Jednostki_metryczne)

int mgs_Jednostki_metryczne_display(const char* button, const char* c1, const char* c2, const char* c3,
                                    const char* c4, const char* c5, const char* c6, const char* Id,
                                    const char* nazwa) {
  return kal::dict<Jednostki_metryczne>::display(button, {c1, c2, c3, c4, c5, c6},
                                                 {Id ? Id : "", nazwa ? nazwa : ""});
}
