// The service card pages, their trips and the plans pages through the real
// kalmitor program, with the table files as the oracle: the money of the
// trips (transport by the rate per km, labour by the hourly rate, rounded to
// the grosz) as shown and as stored, a confirm that writes back what it
// stored and keeps what the form does not carry, rows matched to the card by
// their trip's Id, one card per repair, the access of workers to the cards
// of others, and the plans with their equipment pick.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "tests/kal_pages.hpp"
#include "tests/pdf_testutil.hpp"

namespace {

using kal::pages::firms_file;
using kal::pages::has;
using kal::pages::kHead;
using kal::pages::Params;
using kal::pages::Site;

// The records of a table file, each as its fields (quotes taken off texts),
// by Id.
std::map<std::string, std::vector<std::string>> rows_of(const std::string& file) {
  std::map<std::string, std::vector<std::string>> rows;
  std::size_t at = file.find("\r\n");
  while (at != std::string::npos && at + 2 < file.size()) {
    const std::size_t end = file.find("\r\n", at + 2);
    const std::string line = file.substr(at + 2, end == std::string::npos ? std::string::npos : end - at - 2);
    std::vector<std::string> fields;
    for (std::size_t i = 0; i < line.size();) {
      if (line[i] == ' ') {
        ++i;
      } else if (line[i] == '\'') {
        std::string text;
        ++i;
        while (i < line.size()) {
          if (line[i] == '\'' && i + 1 < line.size() && line[i + 1] == '\'') {
            text += '\'';
            i += 2;
          } else if (line[i] == '\'') {
            ++i;
            break;
          } else {
            text += line[i++];
          }
        }
        fields.push_back(text);
      } else {
        const std::size_t next = line.find(' ', i);
        fields.push_back(line.substr(i, next == std::string::npos ? std::string::npos : next - i));
        i = next == std::string::npos ? line.size() : next;
      }
    }
    if (!fields.empty()) rows[fields[0]] = fields;
    at = end;
  }
  return rows;
}

// Fields of a trip and of a card by position.
enum Trip { tId, tCard, tStart, tEnd, tDest, tHours, tVehicle, tRateKm, tKm, tRate, tCost, tOpis, tUwagi, tTime };
enum Card { cId, cNumer, cRepair, cZlec, cOrderer, cRepairer, cIdent, cProw, cSpr, cDoc, cData, cUwagi, cUwagiN,
            cOpis, cOpisN, cRepState, cState, cFvat, cText1, cText2, cText3, cText4, cData2, cSuma, cKoszt, cZysk, cTime };

// Repairs 7 (repairer 1, the firm of user 3) and 8 (repairer 2, the firm of
// user 4), both of client 5.
std::string repair(const std::string& id, const std::string& repairer) {
  return " " + id + " '" + id + "/2026' 1700000000 5 1 1 0 2 'opis' 0 0.00 0 0 0 0 '' 0 0.00 0 " + repairer +
         " '' '' '' '' 'WA " + id + "' 'RAMA" + id + "' '' '' '' 0\r\n";
}
const std::string kRepairs = std::string(kHead) + repair("7", "1") + repair("8", "2");
const std::string kRepairers = std::string(kHead) + " 1 3\r\n 2 4\r\n";
const std::string kFirms = firms_file({{1, "Nasz serwis"}, {2, "Klient detaliczny"}, {3, "Jan Serwisant"},
                                       {4, "Anna Serwisantka"}, {5, "Kowalski"}});
const std::string kTransport = std::string(kHead) + " 1 'Bus' 'WA 1' 1.50 '' '' 1700000000\r\n";
// Card 1: without repair, of repairer 2, ordered by firm 5; card 2: of repair
// 8.  Both dated well inside the list's range below.
const std::string kCards = std::string(kHead) +
                           " 1 'K1' 0 0 5 2 'id1' 0 0 0 1765000000 'uwagi' 'wewn' 'opis1' '' 0 2 'FV1' 'zl1' 't2' '' '' "
                           "1765000000 0.00 0.00 0.00 1765000000\r\n"
                           " 2 'K2' 8 0 0 2 '' 0 0 0 1765000000 '' '' '' '' 0 1 '' '' '' '' '' 1765000000 0.00 0.00 "
                           "0.00 1765000000\r\n";
// Trips of card 1: 10.9 km by the bus, 8:00 to 10:30 at 40 an hour; a trip
// by a vehicle that does not exist at rate 0.  Trip 3 belongs to card 2.
const std::string kTrips = std::string(kHead) +
                           " 1 1 480 630 0 2.50 1 0.00 10.90 40 0.00 'op1' 'uw1' 1700000000\r\n"
                           " 2 1 600 660 0 1.00 9 0.00 5.00 0 0.00 '' '' 1700000000\r\n"
                           " 3 2 600 720 0 2.00 1 0.00 3.00 30 0.00 'op3' '' 1700000000\r\n";

const Params kWholeRange = {{"Kdata_od", "01.01.2000"}, {"Kdata_do", "01.01.2100"}};

std::vector<std::pair<std::string, std::string>> files() {
  return {{"dat/Naprawy.dat", kRepairs},      {"dat/Naprawy_wykonawcy.dat", kRepairers},
          {"dat/Firmy.dat", kFirms},          {"dat/Srodki_transportu.dat", kTransport},
          {"dat/Karty.dat", kCards},          {"dat/Dojazdy.dat", kTrips}};
}

class CardsPages : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(site_.start()) << site_.log();
    confirm_ = site_.setting("Zatwierdz_button");
  }
  std::string open(const std::string& id) { return site_.post({{"n_212", "e"}, {"id", id}}); }
  Site site_{files()};
  std::string confirm_;
};

TEST_F(CardsPages, TripMoneyShownStoredAndConfirmed) {
  std::string page = open("1");
  // Row 1: 10.9 km x 1.50 = 16.35; 2:30 h x 40 = 100.00.  Row 2: no such
  // vehicle, rate 0: nothing.
  EXPECT_TRUE(has(page, "NAME=\"Dojazdy_dojazd_w_km.0\" VALUE=\"10,9\"")) << page;
  EXPECT_TRUE(has(page, "16,35 zł")) << page;
  EXPECT_TRUE(has(page, "NAME=\"Dojazdy_godz_rozpoczecia.0\" VALUE=\"8:00\"")) << page;
  EXPECT_TRUE(has(page, "NAME=\"Dojazdy_godz_zakonczenia.0\" VALUE=\"10:30\"")) << page;
  EXPECT_TRUE(has(page, "2:30 godz. &nbsp; 100,00 zł")) << page;
  EXPECT_TRUE(has(page, "1:00 godz. &nbsp; 0,00 zł")) << page;
  // The sums row: km, transport, hours and labour; the total of all costs.
  EXPECT_TRUE(has(page, "NAME=\"suma_km\" VALUE=\"15,9\"")) << page;
  EXPECT_TRUE(has(page, "3:30 godz. 100,00 zł")) << page;
  EXPECT_TRUE(has(page, "łącznie z dodatkowym:</TD>\n<TD>116,35 zł")) << page;
  // What the page shows is stored.
  auto card = rows_of(site_.dat("Karty"))["1"];
  EXPECT_EQ(card[cZysk], "100.00");
  EXPECT_EQ(card[cSuma], "0.00");

  // A confirm with the rows as shown and an additional cost: the distance
  // keeps its decimals, what the rows do not carry stays, and so do the
  // card's fields the form does not carry.
  site_.post({{"n_212", confirm_}, {"Karty_Id", "1"}, {"Karty_numer", "K1"}, {"Karty_koszt_brutto", "10,05"},
              {"Karty_Id_Karty_stany", "3"}, {"Karty_data", "05.12.2025"},
              {"Dojazdy_Id.0", "1"}, {"Dojazdy_Id_Srodki_transportu.0", "1"}, {"Dojazdy_dojazd_w_km.0", "10,9"},
              {"Dojazdy_godz_rozpoczecia.0", "8:00"}, {"Dojazdy_godz_zakonczenia.0", "10:30"},
              {"Dojazdy_Id_Koszty.0", "40"},
              {"Dojazdy_Id.1", "2"}, {"Dojazdy_godz_rozpoczecia.1", "22:00"}, {"Dojazdy_godz_zakonczenia.1", "1:30"},
              {"Dojazdy_Id_Koszty.1", "20"}});
  auto trips = rows_of(site_.dat("Dojazdy"));
  EXPECT_EQ(trips["1"][tKm], "10.90");
  EXPECT_EQ(trips["1"][tHours], "2.50");
  EXPECT_EQ(trips["1"][tOpis], "op1");
  EXPECT_EQ(trips["1"][tUwagi], "uw1");
  // An end before the start is on the next day: 22:00 to 1:30 is 3.5 hours.
  EXPECT_EQ(trips["2"][tHours], "3.50");
  EXPECT_EQ(trips["2"][tRate], "20");
  card = rows_of(site_.dat("Karty"))["1"];
  EXPECT_EQ(card[cState], "3");
  EXPECT_EQ(card[cKoszt], "10.05");
  EXPECT_EQ(card[cOpis], "opis1");
  EXPECT_EQ(card[cText2], "t2");
  EXPECT_EQ(card[cOrderer], "5");
  // The same request showed the card again: labour 100 + 70, stored.
  EXPECT_EQ(card[cZysk], "170.00");
  page = site_.last();
  EXPECT_TRUE(has(page, "łącznie z dodatkowym:</TD>\n<TD>196,40 zł")) << page;

  // The card list: its cost column is transport + labour + additional cost,
  // and the sums row adds the shown rows.
  page = site_.post([&] {
    Params p = kWholeRange;
    p.push_back({"n_211", "l"});
    return p;
  }());
  EXPECT_TRUE(has(page, "<TD align=right>0,00</TD>\n<TD align=right>196,40</TD>\n<TD align=right>170,00</TD>")) << page;
  EXPECT_TRUE(has(page, "Suma:</B></TD>\n<TD align=right>0,00</TD>\n<TD align=right>260,90</TD>\n<TD align=right>170,00")) << page;
}

TEST_F(CardsPages, RowsActOnlyOnTheTripsOfTheCard) {
  const std::string before = site_.dat("Dojazdy");
  open("1");
  // A rate that is negative or no number is refused, the row unchanged.
  std::string page = site_.post({{"n_212", confirm_}, {"Karty_Id", "1"}, {"Dojazdy_Id.0", "1"},
                                 {"Dojazdy_Id_Koszty.0", "-5"}, {"Dojazdy_godz_zakonczenia.0", "12:00"}});
  EXPECT_TRUE(has(page, "w wierszu 1 musi być liczbą całkowitą")) << page;
  auto trips = rows_of(site_.dat("Dojazdy"));
  EXPECT_EQ(trips["1"][tRate], "40");
  EXPECT_EQ(trips["1"][tEnd], "630");
  site_.post({{"n_212", confirm_}, {"Karty_Id", "1"}, {"Dojazdy_Id.0", "1"}, {"Dojazdy_Id_Koszty.0", "abc"}});
  EXPECT_EQ(rows_of(site_.dat("Dojazdy"))["1"][tRate], "40");

  // A row naming the trip of another card changes nothing, and neither does
  // its delete.
  site_.post({{"n_212", confirm_}, {"Karty_Id", "1"}, {"Dojazdy_Id.0", "3"}, {"Dojazdy_dojazd_w_km.0", "99"},
              {"Dojazdy_Id_Koszty.0", "1"}});
  EXPECT_EQ(rows_of(site_.dat("Dojazdy"))["3"], rows_of(before)["3"]);
  open("1");
  site_.post({{"n_212", site_.setting("Usun_sp_button") + "1."}, {"Karty_Id", "1"}, {"Usun_Id_Dojazdy.1", "3"}});
  EXPECT_EQ(rows_of(site_.dat("Dojazdy")).count("3"), 1u);
  // Its own trip goes, whatever its position.
  site_.post({{"n_212", site_.setting("Usun_sp_button") + "1."}, {"Karty_Id", "1"}, {"Usun_Id_Dojazdy.1", "2"}});
  EXPECT_EQ(rows_of(site_.dat("Dojazdy")).count("2"), 0u);

  // A form of another card than the one open writes nothing.
  open("1");
  const std::string cards = site_.dat("Karty");
  page = site_.post({{"n_212", confirm_}, {"Karty_Id", "2"}, {"Karty_numer", "OBCY"}});
  EXPECT_TRUE(has(page, "Otwórz kartę ponownie")) << page;
  EXPECT_EQ(site_.dat("Karty"), cards);

  // A new trip: added once, however often its form is posted.
  page = open("1");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(page, m, std::regex("NAME=\"dict_once\" VALUE=\"([^\"]+)\""))) << page;
  const Params add = {{"n_212", "Wprowadź nowy dojazd"}, {"Karty_Id", "1"}, {"dict_once", m[1]}};
  site_.post(add);
  site_.post(add);
  trips = rows_of(site_.dat("Dojazdy"));
  ASSERT_EQ(trips.size(), 3u);
  EXPECT_EQ(trips["4"][tCard], "1");

  // Deleting the card leaves its trips.
  site_.post({{"n_212", site_.setting("Usun_button")}, {"Karty_Id", "1"}});
  EXPECT_EQ(rows_of(site_.dat("Karty")).count("1"), 0u);
  EXPECT_EQ(rows_of(site_.dat("Dojazdy")).count("1"), 1u);
}

TEST_F(CardsPages, NewCardsAndTheOwnerPick) {
  // The card of repair 7: made once, with the repair's number and repairer.
  site_.post({{"n_213", "n"}, {"Karty_Id_Naprawy", "7"}, {"id", "0"}});
  std::string page = site_.post({{"n_213", "n"}, {"Karty_Id_Naprawy", "7"}, {"id", "0"}});
  auto cards = rows_of(site_.dat("Karty"));
  ASSERT_EQ(cards.size(), 3u);
  EXPECT_EQ(cards["3"][cRepair], "7");
  EXPECT_EQ(cards["3"][cNumer], "7/2026");
  EXPECT_EQ(cards["3"][cRepairer], "1");
  EXPECT_TRUE(has(page, "NAME=\"Karty_numer\" VALUE=\"7/2026\"")) << page;
  // A card of a repair that does not exist is not made.
  page = site_.post({{"n_213", "n"}, {"Karty_Id_Naprawy", "99"}});
  EXPECT_EQ(rows_of(site_.dat("Karty")).size(), 3u);

  // "Dodaj": a card without repair, one per form however often it is posted.
  page = site_.post(kWholeRange);
  page = site_.post({{"n_211", "l"}});
  std::smatch m;
  ASSERT_TRUE(std::regex_search(page, m, std::regex("NAME=\"dict_once\" VALUE=\"([^\"]+)\""))) << page;
  site_.post({{"n_213", "Dodaj"}, {"dict_once", m[1]}});
  page = site_.post({{"n_213", "Dodaj"}, {"dict_once", m[1]}});
  cards = rows_of(site_.dat("Karty"));
  ASSERT_EQ(cards.size(), 4u);
  EXPECT_EQ(cards["4"][cRepair], "0");
  EXPECT_EQ(cards["4"][cNumer], "");
  // Without repair the form offers the owner and the firm pick.
  EXPECT_TRUE(has(page, "NAME=\"n_10\" VALUE=\"" + site_.setting("Zmien_button") + "\"")) << page;
  site_.get("/karta_uslug.htm", {{"n_212", "WlascE"}, {"Karty_Id", "4"}, {"Id_Zleceniodawca", "5"}});
  EXPECT_EQ(rows_of(site_.dat("Karty"))["4"][cOrderer], "5");
  EXPECT_TRUE(has(site_.last(), "Kowalski, ")) << site_.last();
}

// Workers: user 3 (the firm of repairer 1) and user 4 (repairer 2).
class CardsAccess : public ::testing::Test {
 protected:
  void SetUp() override {
    auto f = files();
    f.push_back({"dat/Users.dat", std::string(kHead) + " 1 'admin' 'adm' 1700000000 1\r\n 3 'jan' 'jan1' 1700000000 2\r\n"
                                                   " 4 'anna' 'anna1' 1700000000 2\r\n"});
    site_ = std::make_unique<Site>(f);
    ASSERT_TRUE(site_->start("jan", "jan1")) << site_->log() << site_->last();
  }
  std::unique_ptr<Site> site_;
};

TEST_F(CardsAccess, AWorkerSeesAndChangesOnlyHisCards) {
  const std::string refused = "Nie masz uprawnień do tej strony !";
  Params list = kWholeRange;
  list.push_back({"n_211", "l"});
  std::string page = site_->post(list);
  EXPECT_FALSE(has(page, "id=1&")) << page;
  EXPECT_FALSE(has(page, "id=2&")) << page;
  // Another's card, without and with repair.
  EXPECT_TRUE(has(site_->post({{"n_212", "e"}, {"id", "1"}}), refused));
  EXPECT_TRUE(has(site_->post({{"n_212", "e"}, {"id", "2"}}), refused));
  const std::string cards = site_->dat("Karty");
  site_->post({{"n_212", site_->setting("Zatwierdz_button")}, {"id", "1"}, {"Karty_Id", "1"}, {"Karty_numer", "X"}});
  EXPECT_EQ(site_->dat("Karty"), cards);
  // Not even through the repair of another.
  EXPECT_TRUE(has(site_->post({{"n_213", "n"}, {"Karty_Id_Naprawy", "8"}}), refused));
  EXPECT_EQ(site_->dat("Karty"), cards);

  // His own repair's card: made, opened, listed.
  page = site_->post({{"n_213", "n"}, {"Karty_Id_Naprawy", "7"}});
  EXPECT_FALSE(has(page, refused)) << page;
  EXPECT_TRUE(has(page, "Jan Serwisant")) << page;
  EXPECT_EQ(rows_of(site_->dat("Karty"))["3"][cRepairer], "1");
  page = site_->post(list);
  EXPECT_TRUE(has(page, "id=3&")) << page;
  EXPECT_FALSE(has(page, "id=1&")) << page;
  // A card without repair of his own.
  page = site_->post({{"n_213", "Dodaj"}});
  EXPECT_EQ(rows_of(site_->dat("Karty"))["4"][cRepairer], "1");
  EXPECT_FALSE(has(page, refused)) << page;
}

// Who sees a card in the list and who prints it.  Jan (user 3) is the firm of
// repairer 1; besides the cards above: card 5 of repair 9, which Anna repairs
// and Jan received; card 6 without repair and card 7 of Anna's repair 8, both
// with Jan as the card's repairer.
TEST(CardsRights, TheListShowsTheUsersCardsThePrintoutFollowsTheRepair) {
  auto card = [](const char* id, const char* repair_Id, const char* repairer) {
    return " " + std::string(id) + " 'K" + id + "' " + repair_Id + " 0 5 " + repairer +
           " '' 0 0 0 1765000000 '' '' '' '' 0 1 '' '' '' '' '' 1765000000 0.00 0.00 0.00 1765000000\r\n";
  };
  std::string received = repair("9", "2");
  received.replace(received.size() - 3, 3, "1\r\n");  // received by employee 1, Jan's firm
  auto f = files();
  for (auto& [name, text] : f) {
    if (name == "dat/Naprawy.dat") text += received;
    if (name == "dat/Karty.dat") text += card("5", "9", "2") + card("6", "0", "1") + card("7", "8", "1");
  }
  f.push_back({"dat/Naprawy_przyjmujacy.dat", std::string(kHead) + " 1 3\r\n"});
  f.push_back({"dat/Users.dat", std::string(kHead) + " 1 'admin' 'adm' 1700000000 1\r\n 3 'jan' 'jan1' 1700000000 2\r\n"
                                                     " 4 'anna' 'anna1' 1700000000 2\r\n"});
  Site site(f);
  ASSERT_TRUE(site.start("admin", "adm")) << site.log() << site.last();
  const std::string refused = "Nie masz uprawnień do tej strony !";

  auto listed = [&] {
    Params list = kWholeRange;
    list.push_back({"n_211", "l"});
    const std::string page = site.post(list);
    std::string ids;
    for (const char* id : {"1", "2", "3", "4", "5", "6", "7"})
      if (has(page, std::string("id=") + id + "&")) ids += id;
    return ids;
  };
  auto printed = [&](const char* id) {
    const kal::e2e::HttpReply r =
        site.server().get(std::string("/Karta_uslug_") + id + ".pdf?sess_code=" + site.code());
    const std::string pdf = site.server().file("karta.pdf");
    std::ofstream(pdf, std::ios::binary) << r.body;
    const std::string text =
        kaltest::run("pdftotext -layout -enc UTF-8 " + kaltest::shell_quote(pdf) + " - | iconv -f UTF-8 -t CP1250",
                     false)
            .out;
    EXPECT_TRUE(has(text, refused) != has(text, "K A R T A")) << id << "\n" << text;
    return has(text, "K A R T A");
  };
  struct Case {
    const char *user, *password, *worker_as_admin, *list;
    std::vector<const char*> printed, refused;
  } cases[] = {
      {"admin", "adm", "0", "12567", {"1", "2", "5", "6", "7"}, {}},
      {"jan", "jan1", "0", "67", {"5"}, {"1", "2", "6", "7"}},
      {"jan", "jan1", "1", "67", {"1", "2", "5", "6", "7"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.user) + " worker_as_admin=" + c.worker_as_admin);
    if (site.setting("worker_as_admin") != c.worker_as_admin) {
      ASSERT_TRUE(site.log_in("admin", "adm"));
      site.post({{"n_12", site.setting("Zatwierdz_button")}, {"worker_as_admin", c.worker_as_admin}});
      ASSERT_EQ(site.setting("worker_as_admin"), c.worker_as_admin);
    }
    ASSERT_TRUE(site.log_in(c.user, c.password)) << site.last();
    EXPECT_EQ(listed(), c.list);
    for (const char* id : c.printed) EXPECT_TRUE(printed(id)) << id;
    for (const char* id : c.refused) EXPECT_FALSE(printed(id)) << id;
  }
  // The card page keeps its own rule: Jan opens his card without repair.
  ASSERT_TRUE(site.log_in("jan", "jan1"));
  EXPECT_FALSE(has(site.post({{"n_212", "e"}, {"id", "6"}}), refused)) << site.last();
}

// --- plans ---------------------------------------------------------------------------

const std::string kEquipment =
    std::string(kHead) + " 5 5 0 '' '' '' '' '' 'WX 555' 'FR5' '' '' '' 0 0 0 0\r\n";
const std::string kPlans = std::string(kHead) + " 1 5 7 2 1 4 1767225600 1767312000 150.00 'przegląd' 'uw' 1700000000 3\r\n";

class PlansPages : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(site_.start()) << site_.log(); }
  Site site_{{{"dat/Serwis.dat", kEquipment}, {"dat/Plany.dat", kPlans}, {"dat/Firmy.dat", kFirms}}};
};

TEST_F(PlansPages, NewPlanWithItsEquipmentAndAConfirmThatKeepsTheLinks) {
  std::string page = site_.post({{"n_102", "l"}});
  EXPECT_TRUE(has(page, "Lista planowanych napraw i przeglądów")) << page;
  EXPECT_TRUE(has(page, "Plany.htm?n_103=e&Plany_Id=1&")) << page;
  EXPECT_TRUE(has(page, ">WX 555</A>")) << page;
  EXPECT_TRUE(has(page, ">Kowalski</A>")) << page;

  // A new plan: the equipment picked through the list comes back and is
  // shown and stored.
  page = site_.post({{"n_104", "Dodaj"}});
  // The form's button opens the equipment list, whose rows lead back here.
  page = site_.post({{"n_22", site_.setting("Zmien_button")}});
  EXPECT_TRUE(has(page, "n_104=SelectSerwis&Plany_Id=&Plany_Id_Serwis=5")) << page;
  page = site_.get("/plany.htm", {{"n_104", "SelectSerwis"}, {"Plany_Id", ""}, {"Plany_Id_Serwis", "5"}});
  EXPECT_TRUE(has(page, "WX 555 FR5 Kowalski")) << page;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(page, m, std::regex("NAME=\"dict_once\" VALUE=\"([^\"]+)\""))) << page;
  const Params confirm = {{"n_104", "Zatwierdź"}, {"Plany_Id", ""}, {"Plany_Id_Serwis", "5"},
                          {"Plany_data_rozpoczecia", "02.01.2026"}, {"Plany_data_zakonczenia", "03.01.2026"},
                          {"Plany_koszt", "99,5"}, {"Plany_opis", "wymiana"}, {"dict_once", m[1]}};
  site_.post(confirm);
  site_.post(confirm);
  auto plans = rows_of(site_.dat("Plany"));
  ASSERT_EQ(plans.size(), 2u);
  EXPECT_EQ(plans["2"][1], "5");
  EXPECT_EQ(plans["2"][6], "1767312000");
  EXPECT_EQ(plans["2"][7], "1767398400");
  EXPECT_EQ(plans["2"][8], "99.50");
  EXPECT_EQ(plans["2"][9], "wymiana");

  // An edit: the repair and the other links stay.
  page = site_.post({{"n_103", "e"}, {"Plany_Id", "1"}});
  EXPECT_TRUE(has(page, "NAME=\"Plany_koszt\" VALUE=\"150,00\"")) << page;
  site_.post({{"n_103", "Zatwierdź"}, {"Plany_Id", "1"}, {"Plany_Id_Serwis", "5"}, {"Plany_koszt", "200"},
              {"Plany_opis", "nowy"}});
  plans = rows_of(site_.dat("Plany"));
  EXPECT_EQ(plans["1"][2], "7");
  EXPECT_EQ(plans["1"][3], "2");
  EXPECT_EQ(plans["1"][5], "4");
  EXPECT_EQ(plans["1"][8], "200.00");
  EXPECT_EQ(plans["1"][9], "nowy");
  EXPECT_EQ(plans["1"][12], "3");
  // Deleted: the list at once.
  page = site_.post({{"n_103", "Usuń"}, {"Plany_Id", "2"}});
  EXPECT_EQ(rows_of(site_.dat("Plany")).count("2"), 0u);
  EXPECT_TRUE(has(page, "Lista planowanych napraw")) << page;
}

}  // namespace
