// Dates typed into the forms of the real program: a date that does not
// exist, or a text that is no date, is refused in red with the field's name
// and nothing is stored, on every form that stores a date; the same form
// with a good date stores it (so the refusal is the date's, not the form's).
#include <gtest/gtest.h>

#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "db/all_tables.hpp"
#include "tests/kal_pages.hpp"
#include "tests/kal_table_files.hpp"

namespace {

using kal::pages::has;
using kal::pages::Params;
using kal::pages::Site;
using kal::tables::blank;
using kal::tables::table_file;

const std::int64_t kNow = static_cast<std::int64_t>(std::time(nullptr));

// A sale, a repair in work with its equipment, a service card and a plan.
std::vector<std::pair<std::string, std::string>> files() {
  Transakcje sale = blank<Transakcje>();
  sale.Id = 1, sale.numer = "1/FV/2025", sale.Id_Transakcje_typy = 1, sale.Id_Firmy = 2;
  sale.data_transkacji = sale.termin_platnosci = sale.data_wystawienia = kNow - 86400;
  sale.wydrukowano = sale.odebrano = 'N';
  Naprawy repair = blank<Naprawy>();
  repair.Id = 1, repair.numer = "1/2025", repair.Id_Naprawy_stany = 3, repair.Id_Firmy__klient = 2;
  repair.Id_Naprawy_typy = 1, repair.data_wplywu = kNow - 86400;
  Naprawy_ext link = blank<Naprawy_ext>();
  link.Id_Naprawy = 1, link.i2 = 7;
  Serwis equipment = blank<Serwis>();
  equipment.Id = 7, equipment.Id_Firmy__klient = 2, equipment.nr_rej = "WA 123";
  Karty card = blank<Karty>();
  card.Id = 1, card.numer = "K1", card.Id_Naprawy = 1, card.data = kNow - 86400;
  Plany plan = blank<Plany>();
  plan.Id = 1, plan.Id_Serwis = 7, plan.data_rozpoczecia = kNow, plan.data_zakonczenia = kNow + 86400;
  return {{"dat/Firmy.dat", kal::pages::firms_file({{1, "Nasz serwis"}, {2, "Klient detaliczny"}})},
          {"dat/Transakcje.dat", table_file(std::vector<Transakcje>{sale})},
          {"dat/Naprawy.dat", table_file(std::vector<Naprawy>{repair})},
          {"dat/Naprawy_ext.dat", table_file(std::vector<Naprawy_ext>{link})},
          {"dat/Serwis.dat", table_file(std::vector<Serwis>{equipment})},
          {"dat/Karty.dat", table_file(std::vector<Karty>{card})},
          {"dat/Plany.dat", table_file(std::vector<Plany>{plan})}};
}

const char* const kTables[] = {"Transakcje", "Towary_transakcje", "Transakcje_ext", "Naprawy", "Naprawy_ext",
                               "Naprawy_roczna", "Serwis", "Sprzet_ext", "Cykle", "Karty", "Dojazdy", "Plany"};

std::map<std::string, std::string> tables(const Site& site) {
  std::map<std::string, std::string> out;
  for (const char* t : kTables) out[t] = site.dat(t);
  return out;
}

TEST(FormDates, ImpossibleDatesAreRefusedOnEveryFormAndNothingIsStored) {
  struct Form {
    const char* what;
    std::string field;  // the date
    Params open;        // shows the form
    const char* open_path;
    Params confirm;  // the form's confirmation, but for the date
    const char* path;
    const char* stores;  // the table a good date changes; NULL for a filter
  };
  const std::string ok = "Zatwierdz_button";  // replaced by its caption below
  const std::vector<Form> forms = {
      {"sale edit page", "Transakcje_data_transkacji", {{"n_84", "e"}, {"Transakcje_Id", "1"}, {"a", "n"}},
       "/sprzedaz.htm", {{"n_84", ok}, {"Transakcje_Id", "1"}, {"Transakcje_uwagi", "zmienione"}}, "/sprzedaz.htm",
       "Transakcje"},
      {"sale edit page", "Transakcje_termin_platnosci", {{"n_84", "e"}, {"Transakcje_Id", "1"}, {"a", "n"}},
       "/sprzedaz.htm", {{"n_84", ok}, {"Transakcje_Id", "1"}}, "/sprzedaz.htm", "Transakcje"},
      {"sale edit page", "Transakcje_data_wystawienia", {{"n_84", "e"}, {"Transakcje_Id", "1"}, {"a", "n"}},
       "/sprzedaz.htm", {{"n_84", ok}, {"Transakcje_Id", "1"}}, "/sprzedaz.htm", "Transakcje"},
      {"new purchase page", "Transakcje_data_transkacji", {{"n_1", "Nowa Dostawa"}}, "/dostawa.htm",
       {{"n_1", ok}, {"Transakcje_numer", "9/D/2025"}, {"Transakcje_Id_Firmy", "2"}}, "/dostawa.htm", "Transakcje"},
      {"repair page", "NaprawyNew_Naprawy_data_naprawienia_szacunkowa", {{"n_31", "e"}, {"Naprawy_Id", "1"}},
       "/naprawa.htm", {{"n_31", ok}, {"Naprawy_Id", "1"}, {"NaprawyNew_Naprawy_opis_naprawy", "nowy opis"}},
       "/naprawa.htm", "Naprawy"},
      {"repair page", "SerwisNew_Serwis_data_sprzedazy", {{"n_31", "e"}, {"Naprawy_Id", "1"}}, "/naprawa.htm",
       {{"n_31", ok}, {"Naprawy_Id", "1"}}, "/naprawa.htm", "Serwis"},
      {"equipment page", "SerwisNew_Serwis_data_sprzedazy", {{"n_23", "e"}, {"Serwis_Id", "7"}}, "/sprzet.htm",
       {{"n_23", ok}, {"SerwisNew_Serwis_Id", "7"}, {"SerwisNew_Serwis_nr_rej", "WA 999"}}, "/serwis.htm", "Serwis"},
      {"equipment page", "Cykle_data_start", {{"n_23", "e"}, {"Serwis_Id", "7"}}, "/sprzet.htm",
       {{"n_23", ok}, {"SerwisNew_Serwis_Id", "7"}, {"Cykle_okres1", "30"}}, "/serwis.htm", "Cykle"},
      {"service card page", "Karty_data", {{"n_212", "e"}, {"id", "1"}}, "/p.htm",
       {{"n_212", ok}, {"Karty_Id", "1"}, {"Karty_numer", "K9"}}, "/p.htm", "Karty"},
      {"plan page", "Plany_data_rozpoczecia", {{"n_103", "e"}, {"Plany_Id", "1"}}, "/p.htm",
       {{"n_103", ok}, {"Plany_Id", "1"}, {"Plany_Id_Serwis", "7"}, {"Plany_koszt", "200"}}, "/p.htm", "Plany"},
      {"sale list filter", "Transakcje_od", {{"n_4", "l"}}, "/sprzedaz.htm", {{"n_4", "Szukaj"}}, "/sprzedaz.htm",
       nullptr},
  };
  const char* const bad_dates[] = {"31.02.2025", "32.13.2026", "99.99.9999", "abc", "29.02.2025", "15.03.2025 24:00",
                                   "15.03.25"};
  for (const Form& f : forms) {
    SCOPED_TRACE(std::string(f.what) + ", " + f.field);
    Site site(files());
    ASSERT_TRUE(site.start()) << site.log();
    auto confirm = [&](const std::string& date) {
      Params p = f.confirm;
      for (auto& [k, v] : p)
        if (v == ok) v = site.setting(ok);
      p.emplace_back(f.field, date);
      return site.post(p, f.path);
    };
    site.post(f.open, f.open_path);
    const auto before = tables(site);
    for (const char* bad : bad_dates) {
      SCOPED_TRACE(bad);
      const std::string page = confirm(bad);
      EXPECT_TRUE(has(page, "<FONT COLOR=\"RED\">\nNiemożliwa data '" + std::string(bad) + "' w polu " + f.field +
                                " - nic nie zostało zapisane !"))
          << page;
      EXPECT_EQ(tables(site), before);
    }
    if (!f.stores) continue;
    // The same form with a date that exists stores it.
    const std::string page = confirm("15.03.2025");
    EXPECT_FALSE(has(page, "Niemożliwa data")) << page;
    EXPECT_NE(site.dat(f.stores), before.at(f.stores)) << page;
  }
}

}  // namespace
