#include "mages/cards/mgs_Dojazdy.hpp"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "mages/cards/mgs_Dojazdy0.hpp"
#include "mages/cards/mgs_Koszty0.hpp"
#include "mages/cards/mgs_Srodki_transportu0.hpp"
#include "mages/dict_pages_impl.hpp"
#include "mages/goods/mgs_Towary.hpp"
#include "mages/mages.hpp"

// --- the stand-alone pages ------------------------------------------------------------

template <>
struct dict_desc<Dojazdy> : dict_desc_base<Dojazdy> {
  static constexpr int list_page = MGS_PAGE_DojazdyL, edit_page = MGS_PAGE_DojazdyE, new_page = MGS_PAGE_DojazdyN;
  static constexpr int back_page = MGS_PAGE_DojazdyL;
  static constexpr bool old_layout = true;
  static constexpr const char* form_action = "Dojazdy.htm";
  static constexpr const char* list_action = "Dojazdy.htm";
  static constexpr bool list_filter = false;
  static const char* list_title() { return "Dojazdy"; }
  static constexpr int head_count = 4;
  static const char* list_head(int column) {
    return column == 0 ? "Id_Karty" : column == 1 ? "Dojazd (w km)" : column == 2 ? "Godz. rozpoczęcia" : "Godz. zakończenia";
  }
  static std::string list_label(const Dojazdy& r) { return from_z(r.Id_Karty); }
  static void list_cells(const Dojazdy& r, std::vector<std::string>& cells) {
    cells.push_back(from_gzl0(r.dojazd_w_km));
    cells.push_back(from_tmin(static_cast<int>(r.godz_rozpoczecia)));
    cells.push_back(from_tmin(static_cast<int>(r.godz_zakonczenia)));
  }
  static const char* form_title() { return "Dojazd"; }
  static constexpr dict_row rows[] = {
      {M::f_Id_Karty, [] { return "Id_Karty"; }, dict_control::input, 10, 10},
      {M::f_Id_Srodki_transportu, [] { return "Środek transportu"; }, dict_control::input, 10, 10},
      {M::f_dojazd_w_km, [] { return "Dojazd (w km)"; }, dict_control::input, 20, 6},
      {M::f_godz_rozpoczecia, [] { return "Godz. rozpoczęcia"; }, dict_control::input, 10, 5},
      {M::f_godz_zakonczenia, [] { return "Godz. zakończenia"; }, dict_control::input, 10, 5},
      {M::f_Id_Koszty, [] { return "Koszt<BR>zł/godz"; }, dict_control::input, 10, 4}};
  static constexpr dict_after after_new = dict_after::list;
  static constexpr dict_after after_edit = dict_after::list;
  static int check(std::string& msg, const Dojazdy* r) {
    msg = r ? "" : "ERROR Dojazdy NULL !\n";
    return r ? 0 : -1;
  }
};

MGS_DICT_PAGES_DEFINE(Dojazdy)

int mgs_Dojazdy_display(const char* button, const char* c1, const char* c2, const char* c3, const char* c4,
                        const char* c5, const char* c6, const char* Id, const char* Id_Karty,
                        const char* Id_Srodki_transportu, const char* dojazd_w_km, const char* godz_rozpoczecia,
                        const char* godz_zakonczenia, const char* Id_Koszty) {
  using M = vtab_meta<Dojazdy>;
  std::vector<std::string> values(M::field_count);
  auto put = [&](int pos, const char* s) { values[pos] = s ? s : ""; };
  put(M::f_Id, Id);
  put(M::f_Id_Karty, Id_Karty);
  put(M::f_Id_Srodki_transportu, Id_Srodki_transportu);
  put(M::f_dojazd_w_km, dojazd_w_km);
  put(M::f_godz_rozpoczecia, godz_rozpoczecia);
  put(M::f_godz_zakonczenia, godz_zakonczenia);
  put(M::f_Id_Koszty, Id_Koszty);
  return kal::dict<Dojazdy>::display(button, {c1, c2, c3, c4, c5, c6}, values);
}

// --- money --------------------------------------------------------------------------------

namespace {

using G = kal::glue<Dojazdy>;

constexpr int kCardPage = MGS_PAGE_KartyE;

double money_product(double a, double b) {
  std::int64_t cents = 0;
  return kal::money_product_cents(a, b, &cents) ? kal::money_of_cents(cents) : 0.0;
}

// Minutes of a number of hours, to the nearest minute (hours are kept with
// two decimals); bounded, so that no conversion overflows.
int minutes_of(double hours) {
  if (!std::isfinite(hours)) return 0;
  const double m = std::round(hours * 60.0);
  constexpr double kMax = 1.0e9;
  return static_cast<int>(m > kMax ? kMax : m < -kMax ? -kMax : m);
}

std::string row_var(const char* field, unsigned long index) {
  return std::string("Dojazdy_") + field + "." + std::to_string(index);
}

void amount_zl(double amount) {
  appgzl(amount);
  app(" ");
  app(ustawienia_get("zl_text"));
}

void head_cell(const char* key) {
  app("  <TD CLASS=colname>");
  app(ustawienia_get(key));
  app("</TD>\n");
}

// The trips of a card in table order.
template <class Fn>
void each_trip(uint32_t card_Id, Fn&& fn) {
  Dojazdy_tab* t = G::tab();
  if (!t) return;
  for (Dojazdy_listelem* e = t->first; e; e = e->next)
    if (e->row && e->row->Id_Karty == card_Id) fn(*e->row);
}

// A whole hourly rate of at least 0 from its text: blanks around it, digits,
// and at most a decimal separator followed by zeros.  False otherwise.
bool rate_of(const char* text, uint32_t* out) {
  std::string s = text ? text : "";
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
  std::size_t i = 0;
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  s = s.substr(i);
  if (s.empty()) {
    *out = 0;
    return true;
  }
  std::size_t digits = 0;
  unsigned long long v = 0;
  while (digits < s.size() && std::isdigit(static_cast<unsigned char>(s[digits]))) {
    v = v * 10 + static_cast<unsigned>(s[digits] - '0');
    if (v > 4294967295ull) return false;
    ++digits;
  }
  if (digits == 0) return false;
  if (digits < s.size()) {
    if (s[digits] != ',' && s[digits] != '.') return false;
    for (std::size_t k = digits + 1; k < s.size(); ++k)
      if (s[k] != '0') return false;
  }
  *out = static_cast<uint32_t>(v);
  return true;
}

}  // namespace

double Dojazdy_transport(const Dojazdy& trip) {
  return money_product(Srodki_transportu_stawka(trip.Id_Srodki_transportu), trip.dojazd_w_km);
}

double Dojazdy_labour(const Dojazdy& trip) {
  return money_product(Koszty_koszt_brutto(trip.Id_Koszty), trip.liczba_roboczogodzin);
}

double Dojazdy_hours(long long start_min, long long end_min) {
  long long span = end_min - start_min;
  if (span < 0) span += 24 * 60;
  return static_cast<double>(span) / 60.0;
}

// --- the trips block ----------------------------------------------------------------------

int mgs_Naprawa_Dojazd_display(unsigned long index, const Dojazdy* trip, double* hours, double* labour, double rate,
                               double* km, double* transport, int show) {
  if (!trip) return 0;
  const double trip_transport = Dojazdy_transport(*trip);
  const double trip_labour = money_product(rate, trip->liczba_roboczogodzin);
  if (hours && std::isfinite(trip->liczba_roboczogodzin)) *hours += trip->liczba_roboczogodzin;
  if (labour) *labour += trip_labour;
  if (km && std::isfinite(trip->dojazd_w_km)) *km += trip->dojazd_w_km;
  if (transport) *transport += trip_transport;
  if (show != 1) return 0;

  const std::string n = std::to_string(index + 1);
  app("<TR>\n<TD>");
  app(form_input_submit(("n_" + std::to_string(kCardPage)).c_str(),
                        (std::string(ustawienia_get("Usun_sp_button")) + n + ".").c_str(), ""));
  app(form_input_hidden(("Usun_Id_Dojazdy." + n).c_str(), from_z(trip->Id)));
  app(form_input_hidden(row_var("Id", index).c_str(), from_z(trip->Id)));
  app(form_input_hidden(row_var("Id_Karty", index).c_str(), from_z(trip->Id_Karty)));
  app("</TD>\n<TD>");
  Srodki_transportu_select_name(trip->Id_Srodki_transportu, row_var("Id_Srodki_transportu", index).c_str(), 1);
  app("</TD>\n<TD>");
  app(form_input_text2(row_var("dojazd_w_km", index).c_str(), from_gzl0(trip->dojazd_w_km), 20, 6, ""));
  app(" ");
  amount_zl(trip_transport);
  app("</TD>\n<TD>");
  app(form_input_text2(row_var("godz_rozpoczecia", index).c_str(), from_tmin(static_cast<int>(trip->godz_rozpoczecia)),
                       10, 5, ""));
  app("</TD>\n<TD>");
  app(form_input_text2(row_var("godz_zakonczenia", index).c_str(), from_tmin(static_cast<int>(trip->godz_zakonczenia)),
                       10, 5, ""));
  app("</TD>\n<TD>");
  app(form_input_text2(row_var("Id_Koszty", index).c_str(), from_z(trip->Id_Koszty), 10, 4, ""));
  app("</TD>\n<TD>");
  app(from_tmin(minutes_of(trip->liczba_roboczogodzin)));
  app(" godz. ");
  app("&nbsp; ");
  amount_zl(trip_labour);
  app("</TD>\n</TR>\n");
  return 0;
}

int mgs_Naprawa_Dojazdy_list(uint32_t card_Id, double additional, double* transport_and_labour, double* labour,
                             double* transport, double* total, int show) {
  if (show == 1) {
    app(page_href(("Srodki_transportu.htm?n_" + std::to_string(MGS_PAGE_Srodki_transportuL) + "=l").c_str(),
                  "Lista środków transportu"));
    app("\n");
    app_button(kCardPage, ustawienia_get("Wprowadź nowy dojazd"));
    app("<TABLE border=0>\n<TR>\n");
    for (const char* key : {"Lp_text", "Środek transportu", "Dojazd<BR>(w km)", "Godzina<BR>rozpoczęcia",
                            "Godzina<BR>zakończenia", "Koszt<BR>zł/godz", "Roboczogodziny"})
      head_cell(key);
    app("</TR>\n");
  }
  double hours = 0, labour_sum = 0, km = 0, transport_sum = 0;
  unsigned long index = 0;
  each_trip(card_Id, [&](const Dojazdy& trip) {
    mgs_Naprawa_Dojazd_display(index++, &trip, &hours, &labour_sum, Koszty_koszt_brutto(trip.Id_Koszty), &km,
                               &transport_sum, show);
  });
  labour_sum = kal::money_round(labour_sum);
  transport_sum = kal::money_round(transport_sum);
  const double extra = std::isfinite(additional) ? kal::money_round(additional) : 0.0;
  const double all = kal::money_round(transport_sum + labour_sum + extra);

  if (show == 1) {
    const char* sum = ustawienia_get("Suma_text");
    app("<TR>\n<TD></TD>\n<TD CLASS=colname align=right>");
    app(sum);
    app(":</TD>\n<TD>");
    app(form_input_text2("suma_km", from_gzl0(km), 20, 6, ""));
    app(" ");
    amount_zl(transport_sum);
    app("</TD>\n<TD></TD>\n<TD></TD>\n<TD CLASS=colname align=right>");
    app(sum);
    app(":</TD>\n<TD>");
    app(from_tmin(minutes_of(hours)));
    app(" godz. ");
    amount_zl(labour_sum);
    app("</TD>\n</TR>\n");
    app("<TR>\n<TD CLASS=colname align=right COLSPAN=3>Suma wszystkich kosztów łącznie z dodatkowym:</TD>\n<TD>");
    amount_zl(all);
    app("</TD>\n<TD></TD>\n<TD></TD>\n<TD></TD>\n</TR>\n");
    app("<TR>\n<TD CLASS=colname align=right COLSPAN=3>Zysk = Godziny * stawka:</TD>\n<TD>");
    amount_zl(labour_sum);
    app("</TD>\n<TD></TD>\n<TD></TD>\n<TD></TD>\n</TR>\n");
    app("</TABLE>\n\n<BR>\n");
  }
  if (transport_and_labour) *transport_and_labour = kal::money_round(transport_sum + labour_sum);
  if (labour) *labour = labour_sum;
  if (transport) *transport = transport_sum;
  if (total) *total = all;
  return 0;
}

// --- adding, confirming and removing trips ------------------------------------------------

int mgs_Naprawa_Wprowadz_nowy_dojazd() {
  const uint32_t card_Id = var_z("Karty_Id");
  Dojazdy_tab* t = G::tab();
  if (!t || !_mgs || !Karty_tab_get_Id(_mgs->_Karty_tab, card_Id, VTAB_CMP_EQUAL)) {
    std::printf("mgs_Naprawa_Wprowadz_nowy_dojazd(): no card Id=%lu, no trip added\n", static_cast<unsigned long>(card_Id));
    return -1;
  }
  uint32_t id = 0;
  if (!kal::dict_next_id<Dojazdy>(t, &id)) return -1;
  Dojazdy r{};
  G::clear(r);
  r.Id = id;
  r.Id_Karty = card_Id;
  r.czas_modyfikacji = static_cast<int64_t>(std::time(nullptr));
  std::string msg;
  if (Dojazdy_validate(msg, &r) != 0) {
    infoDisplay(msg.c_str());
    return 0;
  }
  const int rc = Dojazdy_tab_insert(t, &r);
  if (rc != 0) {
    errorDisplay("Nie można dodać dojazdu !");
    return rc;
  }
  kal::dict_save<Dojazdy>();
  return 0;
}

int mgs_Naprawa_Dojazd_Zatwierdz(unsigned long index, uint32_t trip_Id) {
  Dojazdy* stored = G::find(trip_Id);
  if (!stored) return 0;
  Dojazdy r = *stored;
  const std::string rate_var = row_var("Id_Koszty", index);
  if (is_in_post_or_get(rate_var.c_str()) && !rate_of(get_post_or_get_s(rate_var.c_str()), &r.Id_Koszty)) {
    errorDisplay(kal::dict_fill("Stawka za godzinę w wierszu %lu musi być liczbą całkowitą nie mniejszą niż 0 - wiersz "
                                "nie został zapisany !",
                                std::to_string(index + 1))
                     .c_str());
    return -1;
  }
  auto carried = [&](const char* field) {
    const std::string name = row_var(field, index);
    return is_in_post_or_get(name.c_str()) ? name : std::string();
  };
  if (std::string v = carried("Id_Srodki_transportu"); !v.empty()) r.Id_Srodki_transportu = var_z(v.c_str());
  if (std::string v = carried("dojazd_w_km"); !v.empty()) r.dojazd_w_km = var_g(v.c_str());
  if (std::string v = carried("godz_rozpoczecia"); !v.empty()) r.godz_rozpoczecia = var_tmin(v.c_str());
  if (std::string v = carried("godz_zakonczenia"); !v.empty()) r.godz_zakonczenia = var_tmin(v.c_str());
  if (!std::isfinite(r.dojazd_w_km)) {
    errorDisplay(kal::dict_fill("Dojazd w wierszu %lu to nie jest liczba - wiersz nie został zapisany !",
                                std::to_string(index + 1))
                     .c_str());
    return -1;
  }
  r.liczba_roboczogodzin = Dojazdy_hours(r.godz_rozpoczecia, r.godz_zakonczenia);
  r.czas_modyfikacji = static_cast<int64_t>(std::time(nullptr));
  G::set_field<&Dojazdy::Id_Srodki_transportu>(trip_Id, r.Id_Srodki_transportu);
  G::set_field<&Dojazdy::dojazd_w_km>(trip_Id, r.dojazd_w_km);
  G::set_field<&Dojazdy::godz_rozpoczecia>(trip_Id, r.godz_rozpoczecia);
  G::set_field<&Dojazdy::godz_zakonczenia>(trip_Id, r.godz_zakonczenia);
  G::set_field<&Dojazdy::Id_Koszty>(trip_Id, r.Id_Koszty);
  G::set_field<&Dojazdy::liczba_roboczogodzin>(trip_Id, r.liczba_roboczogodzin);
  G::set_field<&Dojazdy::czas_modyfikacji>(trip_Id, r.czas_modyfikacji);
  return 0;
}

int mgs_Naprawa_Dojazdy_Zatwierdz(uint32_t card_Id) {
  Dojazdy_tab* t = G::tab();
  if (!t) return 0;
  int rc = 0;
  // The rows the request carries, each with its trip's Id; no more rows than
  // the table has trips.
  const unsigned long limit = static_cast<unsigned long>(t->size);
  for (unsigned long i = 0; i < limit; ++i) {
    const std::string id_var = row_var("Id", i);
    if (!is_in_post_or_get(id_var.c_str())) break;
    const uint32_t id = to_z(get_post_or_get_s(id_var.c_str()));
    const Dojazdy* trip = G::find(id);
    if (!trip || trip->Id_Karty != card_Id) {
      std::printf("mgs_Naprawa_Dojazdy_Zatwierdz(): row %lu names trip Id=%lu, not one of card Id=%lu, skipped\n", i,
                  static_cast<unsigned long>(id), static_cast<unsigned long>(card_Id));
      continue;
    }
    if (mgs_Naprawa_Dojazd_Zatwierdz(i, id) != 0) rc = -1;
  }
  kal::dict_save<Dojazdy>();
  return rc;
}

int mgs_Naprawa_Dojazd_usun(uint32_t card_Id, uint32_t trip_Id) {
  Dojazdy_tab* t = G::tab();
  const Dojazdy* trip = G::find(trip_Id);
  if (!t || !trip || trip->Id_Karty != card_Id) {
    std::printf("mgs_Naprawa_Dojazd_usun(): trip Id=%lu is not one of card Id=%lu, nothing removed\n",
                static_cast<unsigned long>(trip_Id), static_cast<unsigned long>(card_Id));
    return -1;
  }
  Dojazdy_ref* ref = G::by_id(t, trip_Id);
  if (!ref) return -1;
  Dojazdy_tab_removes(t, ref);
  Dojazdy_ref_delete(&ref);
  kal::dict_save<Dojazdy>();
  return 0;
}
