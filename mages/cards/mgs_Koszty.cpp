#include "mages/cards/mgs_Koszty.hpp"

#include "mages/cards/mgs_Koszty0.hpp"
#include "mages/dict_pages_impl.hpp"

template <>
struct dict_desc<Koszty> : dict_desc_base<Koszty> {
  static constexpr int list_page = 223, edit_page = 224, new_page = 225;
  static constexpr int back_page = 223;
  static constexpr bool old_layout = true;
  static constexpr const char* form_action = "Koszty.htm";
  static constexpr const char* list_action = "Koszty.htm";
  static constexpr bool list_filter = false;
  static const char* list_title() { return ustawienia_get("Koszty_text"); }
  static constexpr int head_count = 4;
  static const char* list_head(int column) {
    return column == 0 ? "Id_Karty" : column == 1 ? "Id_Naprawy" : column == 2 ? "Id_Towary" : ustawienia_get("Koszt_brutto_text");
  }
  static std::string list_label(const Koszty& r) { return from_z(r.Id_Karty); }
  static void list_cells(const Koszty& r, std::vector<std::string>& cells) {
    cells.push_back(from_z(r.Id_Naprawy));
    cells.push_back(from_z(r.Id_Towary));
    cells.push_back(from_gzl(r.koszt_brutto));
  }
  static const char* form_title() { return ustawienia_get("Koszty_text"); }
  static constexpr dict_row rows[] = {{M::f_Id_Karty, [] { return "Id_Karty"; }, dict_control::input, 10, 10},
                                      {M::f_Id_Naprawy, [] { return "Id_Naprawy"; }, dict_control::input, 10, 10},
                                      {M::f_Id_Towary, [] { return "Id_Towary"; }, dict_control::input, 10, 10},
                                      {M::f_koszt_brutto, [] { return ustawienia_get("Koszt_brutto_text"); },
                                       dict_control::input, 10, 10}};
  static constexpr dict_after after_new = dict_after::list;
  static constexpr dict_after after_edit = dict_after::list;
  static int check(std::string& msg, const Koszty* r) {
    msg = r ? "" : "ERROR Koszty NULL !\n";
    return r ? 0 : -1;
  }
};

MGS_DICT_PAGES_DEFINE(Koszty)

int mgs_Koszty_display(const char* button, const char* c1, const char* c2, const char* c3, const char* c4,
                       const char* c5, const char* c6, const char* Id, const char* Id_Karty, const char* Id_Naprawy,
                       const char* Id_Towary, const char* koszt_brutto) {
  auto text = [](const char* s) { return std::string(s ? s : ""); };
  return kal::dict<Koszty>::display(button, {c1, c2, c3, c4, c5, c6},
                                    {text(Id), text(Id_Karty), text(Id_Naprawy), text(Id_Towary), text(koszt_brutto)});
}
