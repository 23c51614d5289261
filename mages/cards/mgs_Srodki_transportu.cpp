#include "mages/cards/mgs_Srodki_transportu.hpp"

#include "db/Dojazdy.hpp"
#include "mages/cards/mgs_Srodki_transportu0.hpp"
#include "mages/dict_pages_impl.hpp"

template <>
struct dict_desc<Srodki_transportu> : dict_desc_base<Srodki_transportu> {
  static constexpr int list_page = 220, edit_page = 221, new_page = 222;
  // The list's back button posts to the list, which leads to the card page.
  static constexpr int back_page = 220;
  static unsigned long list_leave(std::string_view action) { return action == ustawienia_get("Powrot_button") ? 212 : 0; }
  static constexpr bool old_layout = true;
  static constexpr const char* form_action = "Srodki_transportu.htm";
  static constexpr const char* list_action = "Srodki_transportu.htm";
  static constexpr bool list_filter = false;
  static const char* list_title() { return "Srodki transportu"; }
  static constexpr int head_count = 3;
  static const char* list_head(int column) {
    return ustawienia_get(column == 0 ? "Nazwa" : column == 1 ? "Nr rejestracyjny" : "Stawka za km");
  }
  static constexpr int cell_count = 4;
  static void list_cells(const Srodki_transportu& r, std::vector<std::string>& cells) {
    cells.push_back(r.nr_rej.str());
    cells.push_back(from_gzl(r.stawka_za_km_brutto));
    cells.push_back(r.opis.str());
    cells.push_back(r.uwagi.str());
  }
  static const char* form_title() { return "Środek transportu"; }
  static constexpr dict_row rows[] = {
      {M::f_nazwa, [] { return ustawienia_get("Nazwa"); }, dict_control::input, 40, 20},
      {M::f_nr_rej, [] { return ustawienia_get("Nr rejestracyjny"); }, dict_control::input, 40, 20},
      {M::f_stawka_za_km_brutto, [] { return ustawienia_get("Stawka za km"); }, dict_control::input, 10, 10}};
  static bool is_cancel(std::string_view action) {
    return action == ustawienia_get("Anuluj_button") || action == ustawienia_get("Powrot_button");
  }
  static constexpr dict_after after_new = dict_after::list;
  static constexpr dict_after after_edit = dict_after::list;
  // Any record will do.
  static int check(std::string& msg, const Srodki_transportu* r) {
    msg = r ? "" : "ERROR Srodki_transportu NULL !\n";
    return r ? 0 : -1;
  }
  // Trips name their means of transport by Id.
  static std::uint32_t highest_named() { return kal::dict_highest(&Dojazdy::Id_Srodki_transportu); }
};

MGS_DICT_PAGES_DEFINE_ACTION_LIST(Srodki_transportu)

int mgs_Srodki_transportu_display(const char* button, const char* c1, const char* c2, const char* c3,
                                  const char* c4, const char* c5, const char* c6, const char* Id, const char* nazwa,
                                  const char* nr_rej, const char* stawka) {
  return kal::dict<Srodki_transportu>::display(
      button, {c1, c2, c3, c4, c5, c6},
      {Id ? Id : "", nazwa ? nazwa : "", nr_rej ? nr_rej : "", stawka ? stawka : ""});
}
