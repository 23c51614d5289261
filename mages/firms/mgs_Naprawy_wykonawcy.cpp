#include "mages/firms/mgs_Naprawy_wykonawcy.hpp"

#include <cmath>
#include <ctime>

#include "db/Naprawy.hpp"
#include "db/Plany.hpp"
#include "mages/cards/mgs_Serwisanci_koszty0.hpp"
#include "mages/firms/mgs_Naprawy_wykonawcy0.hpp"
#include "mages/firms/mgs_firm_links_impl.hpp"

namespace {

constexpr const char* kCostVar = "Serwisanci_koszty_koszt_brutto";

Serwisanci_koszty_ref* cost_rows(uint32_t firm) {
  Serwisanci_koszty_tab* t = glue_root<Serwisanci_koszty>::tab();
  return t ? Serwisanci_koszty_tab_gets_Id_Firmy(t, firm, VTAB_CMP_EQUAL) : nullptr;
}

// Whether a repairer other than the one with Id names the firm.
bool named_by_another(uint32_t firm, uint32_t Id) {
  bool found = false;
  kal::glue<Naprawy_wykonawcy>::each_by_id([&](const Naprawy_wykonawcy& row) {
    if (row.Id_Firmy == firm && row.Id != Id) found = true;
  });
  return found;
}

// A new cost row of the firm, with no good and no cost item.
void insert_cost(uint32_t firm, double cost) {
  Serwisanci_koszty_tab* t = glue_root<Serwisanci_koszty>::tab();
  uint32_t id = 0;
  if (!t || !kal::dict_next_id<Serwisanci_koszty>(t, &id)) return;
  Serwisanci_koszty row{};
  row.Id = id;
  row.Id_Firmy = firm;
  row.koszt_brutto = cost;
  row.czas_modyfikacji = static_cast<int64_t>(std::time(nullptr));
  if (Serwisanci_koszty_tab_insert(t, &row) != 0)
    errorDisplay("Nie można dodać kosztu do tabeli Serwisanci_koszty !");
}

}  // namespace

template <>
struct dict_desc<Naprawy_wykonawcy> : kal::firm_link_desc<Naprawy_wykonawcy> {
  static constexpr int list_page = 60, new_page = 61, edit_page = 62;
  static const char* list_title() { return tr(74); }
  static const char* list_head(int) { return tr(75); }
  static const char* form_title() { return tr(73); }
  // A new form does not show the cost of the repairer seen last.
  static void list_opened() { sess_put(kCostVar, ""); }

  // values: Id, Id_Firmy, then the cost text.  On the edit page a firm the
  // request names (just picked, or posted back) stands for the stored one
  // (the variable is then emptied), and the cost is the stored firm's unless
  // the request names a firm (then it is what was typed).
  static void form_values(std::vector<std::string>& values, const Naprawy_wykonawcy* stored) {
    if (!stored) {
      values.emplace_back(var_s(kCostVar));
      return;
    }
    const char* carried = get_post_or_get_s("Naprawy_wykonawcy_Id_Firmy");
    const std::string picked = carried ? carried : "";
    if (picked.empty()) {
      values.emplace_back(from_gzl(Serwisanci_koszt_brutto_Firmy(stored->Id_Firmy)));
      return;
    }
    values[1] = picked;
    sess_put("Naprawy_wykonawcy_Id_Firmy", "");
    values.emplace_back(var_s(kCostVar));
  }

  static void form_rows(const std::vector<std::string>& values) {
    const std::string& id = values[0];
    const int target = id.empty() || to_z(id.c_str()) == 0 ? new_page : edit_page;
    firm_row("Wybierz_wykonawce_button", "WYKONAWCA_href",
             "p?n_" + std::to_string(target) + "=n&Naprawy_wykonawcy_Id=" + id + "&Naprawy_wykonawcy_Id_Firmy=",
             values[1].c_str());
    app("<TR><TD CLASS=fieldname>");
    app(ustawienia_get("Koszt_brutto_text"));
    app(":</TD><TD>");
    app(form_input_text2(kCostVar, values.size() > 2 ? values[2].c_str() : "", 10, 10, ""));
    app("</TD></TR>\n");
    app(form_input_hidden("Naprawy_wykonawcy_Id", id.c_str()));
    app("\n");
    app(form_input_hidden("Naprawy_wykonawcy_Id_Firmy", values[1].c_str()));
    app("\n");
  }

  static int check(std::string& msg, const Naprawy_wykonawcy* r) { return check_link(msg, r, tr(76), tr(77)); }

  static bool refused(const Naprawy_wykonawcy*, const Naprawy_wykonawcy&, std::string& why) {
    if (std::isfinite(var_g(kCostVar))) return false;
    why = kal::html_text(ustawienia_get("Koszt_brutto_text")) + ": to nie jest liczba !";
    return true;
  }

  // The firm's cost: its rows take it, or a new row when it has none.
  static void inserted(const Naprawy_wykonawcy& r) {
    Serwisanci_koszty_tab* t = glue_root<Serwisanci_koszty>::tab();
    if (!t) return;
    const double cost = var_g(kCostVar);
    Serwisanci_koszty_ref* rows = cost_rows(r.Id_Firmy);
    if (rows && rows->size > 0)
      Serwisanci_koszty_tab_update_koszt_brutto(t, rows, cost);
    else
      insert_cost(r.Id_Firmy, cost);
    if (rows) Serwisanci_koszty_ref_delete(&rows);
    kal::dict_save<Serwisanci_koszty>();
  }

  static void changing(const Naprawy_wykonawcy& stored, const Naprawy_wykonawcy& r) {
    Serwisanci_koszty_tab* t = glue_root<Serwisanci_koszty>::tab();
    if (!t) return;
    const double cost = var_g(kCostVar);
    Serwisanci_koszty_ref* rows = cost_rows(r.Id_Firmy);
    if ((!rows || rows->size == 0) && stored.Id_Firmy != 0 && stored.Id_Firmy != r.Id_Firmy &&
        !named_by_another(stored.Id_Firmy, stored.Id)) {
      // The rows of the firm this repairer named before go with it.
      if (rows) Serwisanci_koszty_ref_delete(&rows);
      rows = cost_rows(stored.Id_Firmy);
      if (rows && rows->size > 0) Serwisanci_koszty_tab_update_Id_Firmy(t, rows, r.Id_Firmy);
    }
    if (rows && rows->size > 0)
      Serwisanci_koszty_tab_update_koszt_brutto(t, rows, cost);
    else
      insert_cost(r.Id_Firmy, cost);
    if (rows) Serwisanci_koszty_ref_delete(&rows);
    kal::dict_save<Serwisanci_koszty>();
  }

  static void removing(const Naprawy_wykonawcy& stored) {
    if (named_by_another(stored.Id_Firmy, stored.Id)) return;
    Serwisanci_koszty_tab* t = glue_root<Serwisanci_koszty>::tab();
    Serwisanci_koszty_ref* rows = cost_rows(stored.Id_Firmy);
    if (!t || !rows) return;
    Serwisanci_koszty_tab_removes(t, rows);
    Serwisanci_koszty_ref_delete(&rows);
    kal::dict_save<Serwisanci_koszty>();
  }

  // Repairs and plans name repairers by Id.
  static std::uint32_t highest_named() {
    return std::max(kal::dict_highest(&Naprawy::Id_Naprawy_wykonawcy), kal::dict_highest(&Plany::Id_Naprawy_wykonawcy));
  }
};

MGS_DICT_PAGES_DEFINE(Naprawy_wykonawcy)

int mgs_Naprawy_wykonawcy_display(const char* button, const char* c1, const char* c2, const char* c3,
                                  const char* c4, const char* c5, const char* c6, const char* Id,
                                  const char* Id_Firmy, const char* koszt_brutto) {
  return kal::dict<Naprawy_wykonawcy>::display(
      button, {c1, c2, c3, c4, c5, c6}, {Id ? Id : "", Id_Firmy ? Id_Firmy : "", koszt_brutto ? koszt_brutto : ""});
}

int mgs_Naprawy_wykonawcy_replace(uint32_t firm_Id) {
  using D = dict_desc<Naprawy_wykonawcy>;
  if (D::link_of(firm_Id)) return 0;
  Naprawy_wykonawcy_tab* t = glue_root<Naprawy_wykonawcy>::tab();
  uint32_t id = 0;
  if (!t || !kal::dict<Naprawy_wykonawcy>::next_id(t, &id)) return -1;
  const Naprawy_wykonawcy r{id, firm_Id};
  if (Naprawy_wykonawcy_tab_insert(t, &r) != 0) return -1;
  kal::dict_save<Naprawy_wykonawcy>();
  return 0;
}

const char* Naprawy_wykonawcy_nazwa_Firmy(uint32_t Id) { return Firmy_nazwa(Naprawy_wykonawcy_Id_Firmy(Id)); }
