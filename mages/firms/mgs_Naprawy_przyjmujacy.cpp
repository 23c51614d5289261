#include "mages/firms/mgs_Naprawy_przyjmujacy.hpp"

#include "db/Naprawy.hpp"
#include "db/Plany.hpp"
#include "mages/firms/mgs_Naprawy_przyjmujacy0.hpp"
#include "mages/firms/mgs_firm_links_impl.hpp"

template <>
struct dict_desc<Naprawy_przyjmujacy> : kal::firm_link_desc<Naprawy_przyjmujacy> {
  static constexpr int list_page = 78, new_page = 79, edit_page = 80;
  // The list's back button posts to the list itself.
  static constexpr int back_page = 78;
  static bool is_cancel(std::string_view action) {
    return action == ustawienia_get("Anuluj_button") || action == ustawienia_get("Powrot_button");
  }
  static bool own(unsigned long page) { return page == list_page || page == new_page || page == edit_page; }
  // Back to the page before these pages (the settings page when that is not
  // known).
  static unsigned long list_leave(std::string_view action) {
    if (!is_cancel(action)) return 0;
    return own(last_page_id) || last_page_id == 0 ? 12 : last_page_id;
  }
  static unsigned long cancel_to() { return own(last_page_id) || last_page_id == 0 ? list_page : last_page_id; }
  static const char* list_title() { return tr(63); }
  static const char* list_head(int) { return tr(64); }
  static const char* form_title() { return tr(62); }

  // values: Id, Id_Firmy.
  static void form_rows(const std::vector<std::string>& values) {
    firm_row("Wybierz_przyjmujecego_button", "PRZYJMUJACY_href",
             "p?n_" + std::to_string(new_page) + "=n&Naprawy_przyjmujacy_Id_Firmy=", values[1].c_str());
    app(form_input_hidden("Naprawy_przyjmujacy_Id", values[0].c_str()));
    app("\n");
  }

  static int check(std::string& msg, const Naprawy_przyjmujacy* r) { return check_link(msg, r, tr(65), tr(66)); }

  // Repairs and plans name receiving employees by Id.
  static std::uint32_t highest_named() {
    return std::max(kal::dict_highest(&Naprawy::Id_Naprawy_przyjmujacy), kal::dict_highest(&Plany::Id_Naprawy_przyjmujacy));
  }
};

MGS_DICT_PAGES_DEFINE_ACTION_LIST(Naprawy_przyjmujacy)

int mgs_Naprawy_przyjmujacy_display(const char* button, const char* c1, const char* c2, const char* c3,
                                    const char* c4, const char* c5, const char* c6, const char* Id,
                                    const char* Id_Firmy) {
  return kal::dict<Naprawy_przyjmujacy>::display(button, {c1, c2, c3, c4, c5, c6},
                                                 {Id ? Id : "", Id_Firmy ? Id_Firmy : ""});
}

int mgs_Naprawy_przyjmujacy_replace(uint32_t firm_Id) {
  using D = dict_desc<Naprawy_przyjmujacy>;
  if (D::link_of(firm_Id)) return 0;
  Naprawy_przyjmujacy_tab* t = glue_root<Naprawy_przyjmujacy>::tab();
  uint32_t id = 0;
  if (!t || !kal::dict<Naprawy_przyjmujacy>::next_id(t, &id)) return -1;
  const Naprawy_przyjmujacy r{id, firm_Id};
  if (Naprawy_przyjmujacy_tab_insert(t, &r) != 0) return -1;
  kal::dict_save<Naprawy_przyjmujacy>();
  return 0;
}
