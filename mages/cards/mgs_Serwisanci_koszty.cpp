#include "mages/cards/mgs_Serwisanci_koszty.hpp"

#include "mages/cards/mgs_Serwisanci_koszty0.hpp"
#include "mages/dict_pages_impl.hpp"

template <>
struct dict_desc<Serwisanci_koszty> : dict_desc_base<Serwisanci_koszty> {
  static constexpr int list_page = 229, edit_page = 230, new_page = 231;
  static constexpr bool old_layout = true;
  static constexpr const char* form_action = "Serwisanci_koszty.htm";
  static constexpr const char* list_action = "Serwisanci_koszty.htm";
  static constexpr bool list_filter = false;
  static const char* list_title() { return "Serwisanci_koszty - podgląd i edycja"; }
  static constexpr int head_count = 3;
  static const char* list_head(int column) {
    return ustawienia_get(column == 0 ? "Id_Firmy_text" : column == 1 ? "Id_Towary_text" : "Id_Koszty_text");
  }
  static std::string list_label(const Serwisanci_koszty& r) { return from_z(r.Id_Firmy); }
  static constexpr int cell_count = 4;
  static void list_cells(const Serwisanci_koszty& r, std::vector<std::string>& cells) {
    cells.push_back(from_z(r.Id_Towary));
    cells.push_back(from_z(r.Id_Koszty));
    cells.push_back(from_gzl(r.koszt_brutto));
    cells.push_back(from_t(r.czas_modyfikacji));
  }
  static const char* back_caption() { return "Powrót"; }
  static const char* add_caption() { return "Dodaj"; }
  static const char* form_title() { return "Serwisanci_koszty"; }
  static constexpr dict_row rows[] = {
      {M::f_Id_Koszty, [] { return "Id_Koszty"; }, dict_control::input, 10, 4},
      {M::f_koszt_brutto, [] { return ustawienia_get("Koszt_brutto_text"); }, dict_control::input, 10, 10},
      {M::f_czas_modyfikacji, [] { return ustawienia_get("czas_modyfikacji_text"); }, dict_control::input, 10, 10}};
  static constexpr dict_after after_new = dict_after::list;
  static constexpr dict_after after_edit = dict_after::list;
  // Any row will do.
  static int check(std::string& msg, const Serwisanci_koszty* r) {
    msg = r ? "" : "ERROR Serwisanci_koszty NULL !\n";
    return r ? 0 : -1;
  }
};

MGS_DICT_PAGES_DEFINE(Serwisanci_koszty)

int mgs_Serwisanci_koszty_display(const char* button, const char* c1, const char* c2, const char* c3,
                                  const char* c4, const char* c5, const char* c6, const char* Id, const char* Id_Firmy,
                                  const char* Id_Towary, const char* Id_Koszty, const char* koszt_brutto,
                                  const char* czas_modyfikacji) {
  auto text = [](const char* s) { return std::string(s ? s : ""); };
  return kal::dict<Serwisanci_koszty>::display(button, {c1, c2, c3, c4, c5, c6},
                                               {text(Id), text(Id_Firmy), text(Id_Towary), text(Id_Koszty),
                                                text(koszt_brutto), text(czas_modyfikacji)});
}
