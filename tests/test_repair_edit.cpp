// The repair page (page 31) on the real program: the state moves with the
// stored table as the oracle, the refusals, and a form that holds another
// repair.
#include <gtest/gtest.h>

#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "db/all_tables.hpp"
#include "lib/convert.hpp"
#include "server/texts.hpp"
#include "tests/kal_pages.hpp"
#include "tests/kal_table_files.hpp"

namespace {

using kal::pages::has;
using kal::pages::Params;
using kal::pages::Site;
using kal::tables::blank;
using kal::tables::read_table;
using kal::tables::table_file;

const std::int64_t kNow = static_cast<std::int64_t>(std::time(nullptr));
constexpr std::int64_t kDay = 86400;

Naprawy repair(std::uint32_t id, std::uint32_t state, int flags = 0) {
  Naprawy r = blank<Naprawy>();
  r.Id = id;
  r.numer = std::to_string(id) + "/2026";
  r.Id_Naprawy_stany = state;
  r.flags = flags;
  r.data_wplywu = kNow - 10 * kDay;
  r.data_odpowiedzi = kNow - 9 * kDay;
  r.data_naprawienia_szacunkowa = kNow + 3 * kDay;
  r.Id_Firmy__klient = 3;
  r.Id_Naprawy_typy = 1;
  r.koszt_naprawy = 50;
  r.opis_naprawy = "stary opis";
  return r;
}

std::string firms_file() {
  Firmy a = blank<Firmy>(), b = blank<Firmy>(), c = blank<Firmy>(), d = blank<Firmy>();
  a.Id = 1, a.nazwa = "Nasz serwis";
  b.Id = 2, b.nazwa = "Klient detaliczny";
  c.Id = 3, c.nazwa = "Alfa";
  d.Id = 4, d.nazwa = "Beta";
  return table_file(std::vector<Firmy>{a, b, c, d});
}

std::map<std::uint32_t, Naprawy> stored(Site& site) {
  std::map<std::uint32_t, Naprawy> out;
  for (const Naprawy& r : read_table<Naprawy>(site.server().file("dat/Naprawy.dat"), Naprawy_tab_load)) out[r.Id] = r;
  return out;
}

std::string open_repair(Site& site, std::uint32_t id) {
  return site.get("/naprawa.htm", {{"n_31", "e"}, {"Naprawy_Id", std::to_string(id)}});
}

std::string press(Site& site, std::uint32_t id, const std::string& caption_key, Params more = {}) {
  more.emplace_back("Naprawy_Id", std::to_string(id));
  more.emplace_back("n_31", site.setting(caption_key));
  return site.post(more, "/naprawa.htm");
}

bool today(std::int64_t t) { return t > kNow - 600 && t < kNow + 600; }

struct Move {
  Naprawy start;
  const char* button;
  std::uint32_t state;  // afterwards
  int flags;            // afterwards
  bool finished_today = false;
  bool given_today = false;
};

TEST(RepairEdit, StateMoves) {
  const std::vector<Move> moves = {
      {repair(1, 2, 2), "Rozpocznij_Naprawe_button", 3, 2},
      {repair(2, 3), "Brak_czesci_button", 8, 0},
      {repair(3, 3), "Do_wyjasnienia_button", 9, 0},
      {repair(4, 3), "Wysylka_samych_czesci_button", 5, 0},
      {repair(5, 3), "Wysylka_calego_sprzetu_button", 4, 0},
      {repair(6, 4), "Powrot_z_zewnetrznego_button", 3, 0},
      {repair(7, 3), "Zakoncz_Naprawe_button", 6, 0, true},
      {repair(8, 6, 4), "Wydaj_Towar_button", 7, 0, false, true},
      {repair(9, 3, 4), "Zakoncz_Naprawe_i_wydaj_Towar_button", 7, 0, true, true},
      {repair(10, 3), "Oznacz_pilne_button", 3, 4},
      {repair(11, 3, 4), "Odznacz_pilne_button", 3, 0},
      {repair(12, 8), "Rozpocznij_ponownie_button", 3, 0},
      {repair(13, 3), "Przyjmij_towar_button", 3, 0},  // not planned: refused
      {repair(14, 3), "Usun_button", 3, 1},            // not the newest: flagged
  };
  std::vector<Naprawy> rows;
  for (const Move& m : moves) rows.push_back(m.start);
  rows.push_back(repair(15, 2));
  Site site({{"dat/Naprawy.dat", table_file(rows)}, {"dat/Firmy.dat", firms_file()}});
  ASSERT_TRUE(site.start()) << site.log();
  for (const Move& m : moves) {
    open_repair(site, m.start.Id);
    press(site, m.start.Id, m.button);
    const auto after = stored(site);
    ASSERT_TRUE(after.count(m.start.Id)) << m.button;
    const Naprawy& r = after.at(m.start.Id);
    EXPECT_EQ(r.Id_Naprawy_stany, m.state) << m.button;
    EXPECT_EQ(r.flags, m.flags) << m.button;
    EXPECT_EQ(today(r.data_zakonczenia_rzeczywista), m.finished_today) << m.button;
    EXPECT_EQ(today(r.data_odbioru), m.given_today) << m.button;
    EXPECT_EQ(r.opis_naprawy.str(), "stary opis") << m.button;
    EXPECT_EQ(r.Id_Firmy__klient, 3u) << m.button;
  }
  // The newest repair goes, its key is given again by the next acceptance.
  open_repair(site, 15);
  press(site, 15, "Usun_button");
  EXPECT_EQ(stored(site).count(15), 0u);
  EXPECT_EQ(stored(site).size(), moves.size());
}

TEST(RepairEdit, StartNeedsThePrintedReceiptWhenTheSettingSaysSo) {
  Site site({{"dat/Naprawy.dat", table_file(std::vector<Naprawy>{repair(1, 2, 0), repair(2, 2, 2)})},
             {"dat/Firmy.dat", firms_file()},
             {"ustawienia.txt", [] {
                std::string s = kal::pages::read_file(KAL_SOURCE_DIR "/data/ustawienia.txt");
                const std::string key = "\nWydruk_dowodu_przyjecia_wymagany 0";
                s.replace(s.find(key), key.size(), "\nWydruk_dowodu_przyjecia_wymagany 1");
                return s;
              }()}});
  ASSERT_TRUE(site.start()) << site.log();
  open_repair(site, 1);
  const std::string page = press(site, 1, "Rozpocznij_Naprawe_button");
  // The refusal is an error (red), not the green box.
  EXPECT_TRUE(has(page, std::string("<FONT COLOR=\"RED\">\n") + tr(49))) << page;
  EXPECT_EQ(stored(site).at(1).Id_Naprawy_stany, 2u);
  open_repair(site, 2);
  press(site, 2, "Rozpocznij_Naprawe_button");
  EXPECT_EQ(stored(site).at(2).Id_Naprawy_stany, 3u);
}

TEST(RepairEdit, APlannedRepairIsAcceptedUnderTheNextKeyWithItsRows) {
  Naprawy planned = repair(1000001, 20);
  Naprawy_ext ext = blank<Naprawy_ext>();
  ext.Id_Naprawy = 1000001, ext.s1 = "Jan", ext.i2 = 7;
  Plany plan = blank<Plany>();
  plan.Id = 1, plan.Id_Naprawy = 1000001;
  Site site({{"dat/Naprawy.dat", table_file(std::vector<Naprawy>{repair(1, 3), repair(2, 3), planned})},
             {"dat/Naprawy_ext.dat", table_file(std::vector<Naprawy_ext>{ext})},
             {"dat/Plany.dat", table_file(std::vector<Plany>{plan})},
             {"dat/Firmy.dat", firms_file()}});
  ASSERT_TRUE(site.start()) << site.log();
  open_repair(site, 1000001);
  const std::string page = press(site, 1000001, "Przyjmij_towar_button");
  const auto after = stored(site);
  EXPECT_EQ(after.count(1000001), 0u);
  ASSERT_EQ(after.count(3), 1u);
  EXPECT_EQ(after.at(3).Id_Naprawy_stany, 2u);
  EXPECT_NE(after.at(3).numer.str(), "1000001/2026");
  const auto exts = read_table<Naprawy_ext>(site.server().file("dat/Naprawy_ext.dat"), Naprawy_ext_tab_load);
  ASSERT_EQ(exts.size(), 1u);
  EXPECT_EQ(exts[0].Id_Naprawy, 3u);
  const auto plans = read_table<Plany>(site.server().file("dat/Plany.dat"), Plany_tab_load);
  ASSERT_EQ(plans.size(), 1u);
  EXPECT_EQ(plans[0].Id_Naprawy, 3u);
  // The page follows the repair under its new key; a second press does
  // nothing more.
  EXPECT_TRUE(has(page, "NAME=\"Naprawy_Id\" VALUE=\"3\"")) << page;
  press(site, 1000001, "Przyjmij_towar_button");
  EXPECT_EQ(stored(site).size(), 3u);
}

TEST(RepairEdit, APlanIsBookedOnceAndTheNewestRepairWithRowsIsOnlyFlagged) {
  Naprawy done = repair(1, 7);
  done.Id_Transakcje = 5;  // a sale document refers to it
  Site site({{"dat/Naprawy.dat", table_file(std::vector<Naprawy>{done})}, {"dat/Firmy.dat", firms_file()}});
  ASSERT_TRUE(site.start()) << site.log();
  site.get("/plan.htm", {{"n_31", "plan"}, {"Naprawy_Id", "1"}});
  auto after = stored(site);
  ASSERT_EQ(after.count(1000001), 1u);
  EXPECT_EQ(after.at(1000001).Id_Naprawy_stany, 20u);
  EXPECT_EQ(after.at(1000001).Id_Firmy__klient, 3u);
  // The reload of the link, and a later visit of the page, book nothing.
  site.get("/plan.htm", {{"n_31", "plan"}, {"Naprawy_Id", "1"}});
  site.get("/naprawa.htm", {});
  EXPECT_EQ(stored(site).size(), 2u);
  // Repair 1 is the newest accepted one, but its document refers to it.
  open_repair(site, 1);
  press(site, 1, "Usun_button");
  ASSERT_EQ(stored(site).count(1), 1u);
  EXPECT_EQ(stored(site).at(1).flags & 1, 1);
}

TEST(RepairEdit, ASaveNeverTakesValuesOfAnotherRepair) {
  Naprawy a = repair(1, 3), b = repair(2, 6, 4);
  b.Id_Firmy__klient = 4, b.koszt_naprawy = 999, b.Id_Transakcje = 8, b.opis_naprawy = "opis B";
  Site site({{"dat/Naprawy.dat", table_file(std::vector<Naprawy>{a, b})}, {"dat/Firmy.dat", firms_file()}});
  ASSERT_TRUE(site.start()) << site.log();
  // A's page, then the list: the save of A keeps A's own values.
  open_repair(site, 1);
  site.get("/naprawy.htm", {{"n_6", site.setting("Wszystkie_button")}});
  press(site, 1, "Zatwierdz_button", {{"NaprawyNew_Naprawy_opis_naprawy", "nowy opis"}});
  Naprawy r = stored(site).at(1);
  EXPECT_EQ(r.opis_naprawy.str(), "nowy opis");
  EXPECT_EQ(r.Id_Naprawy_stany, 3u);
  EXPECT_EQ(r.Id_Firmy__klient, 3u);
  EXPECT_EQ(r.koszt_naprawy, 50);
  EXPECT_EQ(r.Id_Transakcje, 0u);
  EXPECT_EQ(r.flags, 0);
  // A's page, then B's in another tab: A's form is refused, A unchanged.
  open_repair(site, 1);
  open_repair(site, 2);
  const std::string page = press(site, 1, "Zatwierdz_button", {{"NaprawyNew_Naprawy_opis_naprawy", "z karty A"}});
  EXPECT_TRUE(has(page, "Otwórz zlecenie ponownie")) << page;
  r = stored(site).at(1);
  EXPECT_EQ(r.opis_naprawy.str(), "nowy opis");
  EXPECT_EQ(r.Id_Firmy__klient, 3u);
  EXPECT_EQ(r.koszt_naprawy, 50);
  EXPECT_EQ(stored(site).at(2).opis_naprawy.str(), "opis B");
}

TEST(RepairEdit, TheClientPickedMustExist) {
  Site site({{"dat/Naprawy.dat", table_file(std::vector<Naprawy>{repair(1, 3)})}, {"dat/Firmy.dat", firms_file()}});
  ASSERT_TRUE(site.start()) << site.log();
  open_repair(site, 1);
  site.post({{"Naprawy_Id", "1"}, {"n_31", "WlascE"}, {"Id_Firmy", "77"}}, "/naprawa.htm");
  EXPECT_EQ(stored(site).at(1).Id_Firmy__klient, 3u);
  site.post({{"Naprawy_Id", "1"}, {"n_31", "WlascE"}, {"Id_Firmy", "4"}}, "/naprawa.htm");
  EXPECT_EQ(stored(site).at(1).Id_Firmy__klient, 4u);
}

// Firms 1 to 9 of the repair's equipment (its custom-field slots i00-i08),
// chosen on the firm list: with a custom-field record and without one, the
// choice is in the record, and the next save of the form keeps it.
TEST(RepairEdit, AFirmChosenForTheEquipmentReachesItsCustomFields) {
  struct Case {
    bool record;  // the equipment has custom fields already
    int slot;     // FirmyN sets i(N-1)
  } cases[] = {{true, 1}, {false, 1}, {false, 3}, {false, 9}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.record ? "with" : "without") + " a record, Firmy" + std::to_string(c.slot));
    Serwis equipment = blank<Serwis>();
    equipment.Id = 7, equipment.Id_Firmy__klient = 3, equipment.nr_rej = "WA 123";
    Naprawy_ext link = blank<Naprawy_ext>();
    link.Id_Naprawy = 1, link.i2 = 7;
    std::vector<Sprzet_ext> ext;
    if (c.record) {
      Sprzet_ext e = blank<Sprzet_ext>();
      e.Id_Serwis = 7, e.s00 = "stary numer", e.i05 = 2;
      ext.push_back(e);
    }
    Site site({{"dat/Naprawy.dat", table_file(std::vector<Naprawy>{repair(1, 3)})},
               {"dat/Firmy.dat", firms_file()},
               {"dat/Serwis.dat", table_file(std::vector<Serwis>{equipment})},
               {"dat/Naprawy_ext.dat", table_file(std::vector<Naprawy_ext>{link})},
               {"dat/Sprzet_ext.dat", table_file(ext)}});
    ASSERT_TRUE(site.start()) << site.log();
    open_repair(site, 1);
    site.get("/naprawa.htm", {{"n_31", "Firmy" + std::to_string(c.slot)}, {"Id_Firmy", "4"}, {"Naprawy_Id", "1"}});
    press(site, 1, "Zatwierdz_button", {{"NaprawyNew_Naprawy_opis_naprawy", "po wyborze firmy"}});
    const auto records = read_table<Sprzet_ext>(site.server().file("dat/Sprzet_ext.dat"), Sprzet_ext_tab_load);
    ASSERT_EQ(records.size(), 1u);
    const Sprzet_ext& r = records[0];
    EXPECT_EQ(r.Id_Serwis, 7u);
    const std::int32_t slots[] = {r.i00, r.i01, r.i02, r.i03, r.i04, r.i05, r.i06, r.i07, r.i08};
    for (int i = 0; i < 9; ++i) {
      const std::int32_t want = i == c.slot - 1 ? 4 : (c.record && i == 5 ? 2 : 0);
      EXPECT_EQ(slots[i], want) << "i0" << i;
    }
    EXPECT_EQ(r.s00.str(), c.record ? "stary numer" : "");
    EXPECT_EQ(stored(site).at(1).opis_naprawy.str(), "po wyborze firmy");
  }
}

TEST(RepairEdit, AWorkerWhoNeitherRepairsNorReceivedItIsRefused) {
  Naprawy mine = repair(1, 3), other = repair(2, 3);
  mine.Id_Naprawy_wykonawcy = 1;
  other.opis_naprawy = "tajny opis";
  Naprawy_wykonawcy w{};
  w.Id = 1, w.Id_Firmy = 5;
  Site site({{"dat/Naprawy.dat", table_file(std::vector<Naprawy>{mine, other})},
             {"dat/Firmy.dat", firms_file()},
             {"dat/Naprawy_wykonawcy.dat", table_file(std::vector<Naprawy_wykonawcy>{w})},
             {"dat/Users.dat", kal::tables::users_file()},
             {"dat/User_types.dat", kal::tables::kUserTypes}});
  ASSERT_TRUE(site.start("jan", "tajne")) << site.log();
  std::string page = open_repair(site, 2);
  EXPECT_TRUE(has(page, "Nie masz uprawnień do tej strony !")) << page;
  EXPECT_FALSE(has(page, "tajny opis"));
  EXPECT_FALSE(has(page, "2/2026"));
  page = press(site, 2, "Brak_czesci_button");
  EXPECT_EQ(stored(site).at(2).Id_Naprawy_stany, 3u);
  page = open_repair(site, 1);
  EXPECT_FALSE(has(page, "Nie masz uprawnień")) << page;
  EXPECT_TRUE(has(page, "1/2026"));
}

}  // namespace
