// Taking a repair in (pages 30, 32 and 33) through the real kalmitor program
// on a fresh copy of data/, with the table files as the oracle: a new owner
// with new equipment, a registered item found by its numbers, a planned
// repair, a required field missing, the same form posted twice, and a
// second item of the same owner on the same day.
#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "db/Firmy.hpp"
#include "db/Naprawy.hpp"
#include "db/Naprawy_ext.hpp"
#include "db/Naprawy_roczna.hpp"
#include "db/Serwis.hpp"
#include "db/Towary.hpp"
#include "pagemgr/Users.hpp"
#include "platform/textfile.hpp"
#include "tests/kal_pages.hpp"
#include "tests/kal_records.hpp"

namespace {

using kal::find_record;
using kal::record_fields;
using kal::pages::has;
using kal::pages::kHead;
using kal::pages::Params;
using kal::pages::Site;

std::string today_plus(int days) {
  const std::time_t t = std::time(nullptr) + days * 86400;
  std::tm tm{};
  localtime_r(&t, &tm);
  char text[16];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d", tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900);
  return text;
}

// The shipped settings with some values replaced.
std::string settings_with(const std::vector<std::pair<std::string, std::string>>& values) {
  std::string s = kal::pages::read_file(KAL_SOURCE_DIR "/data/ustawienia.txt");
  for (const auto& [key, value] : values) {
    const std::size_t at = s.find("\n" + key + " ");
    if (at == std::string::npos) {
      s += key + " " + value + "\r\n";
      continue;
    }
    const std::size_t start = at + 1 + key.size() + 1;
    s.replace(start, s.find('\r', start) - start, value);
  }
  return s;
}

// An administrator "szef" (firm 1) and a worker "jan" (firm 8), passwords as
// an older file holds them.
std::string users_file() {
  Users_tab* tab = Users_tab_new();
  const std::tuple<unsigned, const char*, const char*, unsigned> users[] = {{1, "szef", "a", 1}, {8, "jan", "b", 2}};
  for (const auto& [id, name, password, role] : users) {
    Users row{};
    row.Id = id;
    row.user_name = name;
    row.user_passwd = password;
    row.created_time = 1700000000;
    row.Id_User_types = role;
    Users_tab_insert(tab, &row);
  }
  kal::TextOut out;
  Users_tab_save(out, tab);
  Users_tab_delete(&tab);
  return kal::text_to_disk(out.text());
}

std::string year() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  return std::to_string(tm.tm_year + 1900);
}

// Equipment 7 "AB 777" of firm 5 "Anna Nowak", model 1.
const std::string kFirms = kal::pages::firms_file({{1, "Nasz serwis"}, {2, "Klient detaliczny"}, {5, "Anna Nowak"}});
const std::string kEquipment = std::string(kHead) +
                               " 7 5 1 '' 'Astra' 'czarny' '' '' 'AB 777' 'R777' '' '12000' '' 0 0 0 0\r\n";

class Acceptance : public ::testing::Test {
 protected:
  void start(std::vector<std::pair<std::string, std::string>> files = {}) {
    site_ = std::make_unique<Site>(std::move(files));
    ASSERT_TRUE(site_->start()) << site_->log();
  }
  void SetUp() override { start(); }

  template <class T>
  std::vector<record_fields> rows(const std::string& table) {
    return kal::records<T>(site_->server().file("dat/" + table + ".dat"));
  }
  // A fresh form from the menu, then the fields typed and a button pressed.
  std::string accept(const Params& typed, const std::string& button_key = "Przyjmij_towar_button") {
    site_->post({{"n_30", "Nowa Naprawa"}});
    return press(typed, button_key);
  }
  std::string press(const Params& typed, const std::string& button_key = "Przyjmij_towar_button") {
    Params fields = typed;
    fields.push_back({"n_30", site_->setting(button_key)});
    return site_->post(fields);
  }
  static Params owner_and_item(const std::string& name, const std::string& reg, const std::string& frame) {
    return {{"Wlasciciel.Firmy_nazwa", name},
            {"Wlasciciel.Firmy_miasto", "Radom"},
            {"Wlasciciel.Firmy_telefon", "600 100 200"},
            {"SerwisNew_Serwis_nr_rej", reg},
            {"SerwisNew_Serwis_nr_ramy", frame},
            {"NaprawyNew_Naprawy_Id_Towary__przyjety", "1"},
            {"NaprawyNew_Naprawy_opis_uszkodzenia", "nie odpala"}};
  }

  std::unique_ptr<Site> site_;
};

TEST_F(Acceptance, TheMenuOpensAFreshForm) {
  // Something typed and left, then the menu's link: an empty form.
  site_->post({{"n_33", "x"}, {"Wlasciciel.Firmy_nazwa", "Stary"}, {"SerwisNew_Serwis_nr_rej", "OLD 1"}});
  const std::string page = site_->get("/zlecenie.htm", {{"n_30", "Nowa Naprawa"}});
  EXPECT_TRUE(has(page, "NAME=\"Wlasciciel.Firmy_nazwa\" VALUE=\"\"")) << page;
  EXPECT_FALSE(has(page, "OLD 1")) << page;
  EXPECT_FALSE(has(page, "Stary")) << page;
  // Receipt today, estimated completion "szacunkowa_data_offset" (7) days on.
  EXPECT_TRUE(has(page, "NAME=\"NaprawyNew_Naprawy_data_wplywu\" VALUE=\"" + today_plus(0) + "\"")) << page;
  EXPECT_TRUE(has(page, "NAME=\"NaprawyNew_Naprawy_data_naprawienia_szacunkowa\" VALUE=\"" + today_plus(7) + "\""))
      << page;
}

TEST_F(Acceptance, ANewOwnerWithNewEquipment) {
  const std::string page = accept(owner_and_item("Jan Kowalski", "WX 1234", "VF1AB000123"));
  // The repair page follows at once: its number and state.
  EXPECT_TRUE(has(page, "name=NaprawyNew_Naprawy_numer value='1/" + year() + "'")) << page;
  EXPECT_TRUE(has(page, " - Przyjęta")) << page;
  EXPECT_FALSE(has(page, "Nie przyjęto")) << page;
  EXPECT_FALSE(has(page, "Nie zapisano")) << page;

  const auto firms = rows<Firmy>("Firmy");
  ASSERT_EQ(firms.size(), 3u);
  const record_fields owner = find_record(firms, "nazwa", "Jan Kowalski");
  EXPECT_EQ(owner.at("Id"), "3");
  EXPECT_EQ(owner.at("miasto"), "Radom");
  EXPECT_EQ(owner.at("telefon"), "600 100 200");

  const auto items = rows<Serwis>("Serwis");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].at("Id_Firmy__klient"), "3");
  EXPECT_EQ(items[0].at("Id_Naprawy__ostatnia"), "1");
  EXPECT_EQ(items[0].at("Id_Towary__przyjety"), "1");
  EXPECT_EQ(items[0].at("nr_rej"), "WX 1234");
  EXPECT_EQ(items[0].at("nr_ramy"), "VF1AB000123");

  const auto repairs = rows<Naprawy>("Naprawy");
  ASSERT_EQ(repairs.size(), 1u);
  const record_fields& r = repairs[0];
  EXPECT_EQ(r.at("Id"), "1");
  EXPECT_EQ(r.at("numer"), "1/" + year());
  EXPECT_EQ(r.at("Id_Naprawy_stany"), "2");
  EXPECT_EQ(r.at("Id_Firmy__klient"), "3");
  EXPECT_EQ(r.at("Id_Towary__przyjety"), "1");
  EXPECT_EQ(r.at("nr_rej"), "WX 1234");
  EXPECT_EQ(r.at("opis_uszkodzenia"), "nie odpala");
  EXPECT_EQ(r.at("Id_Firmy__naprawiajacy"), "1") << "the workshop repairs it";
  // No form changes the repairing firm.
  site_->post({{"Naprawy_Id", "1"},
               {"NaprawyNew_Naprawy_Id_Firmy__naprawiajacy", "3"},
               {"n_31", site_->setting("Zatwierdz_button")}},
              "/naprawa.htm");
  EXPECT_EQ(rows<Naprawy>("Naprawy").at(0).at("Id_Firmy__naprawiajacy"), "1");

  const auto side = rows<Naprawy_ext>("Naprawy_ext");
  ASSERT_EQ(side.size(), 1u);
  EXPECT_EQ(side[0].at("Id_Naprawy"), "1");
  EXPECT_EQ(side[0].at("i2"), "1");
  const auto annual = rows<Naprawy_roczna>("Naprawy_roczna");
  ASSERT_EQ(annual.size(), 1u);
  EXPECT_EQ(annual[0].at("Id"), "1");
}

TEST_F(Acceptance, ARegisteredItemIsFoundByItsNumbersAndKeepsItsOwner) {
  start({{"dat/Firmy.dat", kFirms}, {"dat/Serwis.dat", kEquipment}});
  accept({{"SerwisNew_Serwis_nr_rej", "ab 777"}, {"SerwisNew_Serwis_nr_ramy", "R777"}});
  const auto items = rows<Serwis>("Serwis");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].at("Id_Naprawy__ostatnia"), "1");
  EXPECT_EQ(items[0].at("Id_Firmy__klient"), "5");
  const auto repairs = rows<Naprawy>("Naprawy");
  ASSERT_EQ(repairs.size(), 1u);
  EXPECT_EQ(repairs[0].at("Id_Firmy__klient"), "5");
  EXPECT_EQ(repairs[0].at("nr_rej"), "AB 777");
  EXPECT_EQ(repairs[0].at("model"), "Astra");
  EXPECT_EQ(rows<Firmy>("Firmy").size(), 3u);
  EXPECT_EQ(find_record(rows<Naprawy_ext>("Naprawy_ext"), "Id_Naprawy", "1").at("i2"), "7");
}

TEST_F(Acceptance, APlannedRepairTakesTheFirstPlannedKeyAndNumber) {
  const std::string page = accept(owner_and_item("Jan Kowalski", "WX 1234", "F1"), "Zaplanuj_na_dzien_button");
  EXPECT_TRUE(has(page, " - Zaplanowana")) << page;
  const auto repairs = rows<Naprawy>("Naprawy");
  ASSERT_EQ(repairs.size(), 1u);
  EXPECT_EQ(repairs[0].at("Id"), "1000001");
  EXPECT_EQ(repairs[0].at("numer"), "1000001/" + year());
  EXPECT_EQ(repairs[0].at("Id_Naprawy_stany"), "20");
  EXPECT_EQ(repairs[0].at("Id_Firmy__naprawiajacy"), "1");
  // The accepted range starts at 1 all the same.
  accept(owner_and_item("Jan Kowalski", "WX 5678", "F2"));
  EXPECT_EQ(find_record(rows<Naprawy>("Naprawy"), "Id", "1").at("numer"), "1/" + year());
  EXPECT_EQ(find_record(rows<Naprawy>("Naprawy"), "Id", "1").at("Id_Firmy__naprawiajacy"), "1");
}

TEST_F(Acceptance, NothingIsWrittenWithoutWhatIsRequired) {
  const std::vector<std::string> files = {"Firmy", "Serwis", "Naprawy", "Naprawy_ext", "Naprawy_roczna", "Sprzet_ext"};
  const auto snapshot = [&] {
    std::string all;
    for (const auto& f : files) all += site_->dat(f);
    return all;
  };
  const std::string before = snapshot();
  struct Case {
    Params typed;
    const char* message;
  };
  Params no_owner = owner_and_item("", "WX 1", "F1");
  Params no_phone = owner_and_item("Jan", "WX 1", "F1");
  no_phone[2].second = "";
  Params no_model = owner_and_item("Jan", "WX 1", "F1");
  no_model[5].second = "0";
  const Case cases[] = {
      {no_owner, "Podaj dane właściciela !"},
      {no_phone, "Podaj telefon właściciela !"},
      {no_model, "Nowa nazwa"},
  };
  for (const Case& c : cases) {
    const std::string page = accept(c.typed);
    EXPECT_TRUE(has(page, c.message)) << c.message << "\n" << page;
    EXPECT_EQ(snapshot(), before) << c.message;
  }
}


TEST_F(Acceptance, TheSameFormPostedTwiceMakesOneRepair) {
  const Params typed = owner_and_item("Jan Kowalski", "WX 1234", "F1");
  accept(typed);
  const std::string again = press(typed);
  EXPECT_TRUE(has(again, "została już przyjęta (numer 1/" + year() + ")")) << again;
  EXPECT_EQ(rows<Naprawy>("Naprawy").size(), 1u);
  EXPECT_EQ(rows<Serwis>("Serwis").size(), 1u);
  EXPECT_EQ(rows<Firmy>("Firmy").size(), 3u);
}

TEST_F(Acceptance, ASecondItemOfTheSameOwnerTheSameDay) {
  accept(owner_and_item("Jan Kowalski", "WX 1234", "F1"));
  const std::string side_before = site_->dat("Naprawy_ext"), annual_before = site_->dat("Naprawy_roczna");
  accept(owner_and_item("Jan Kowalski", "WX 9999", "F2"));
  const auto repairs = rows<Naprawy>("Naprawy");
  ASSERT_EQ(repairs.size(), 2u);
  EXPECT_EQ(repairs[1].at("numer"), "2/" + year());
  EXPECT_EQ(repairs[0].at("Id_Firmy__klient"), repairs[1].at("Id_Firmy__klient"));
  EXPECT_EQ(rows<Firmy>("Firmy").size(), 3u);
  EXPECT_EQ(rows<Serwis>("Serwis").size(), 2u);
  // The first repair's side rows are as they were, the second has its own.
  EXPECT_EQ(site_->dat("Naprawy_ext").substr(0, side_before.size()), side_before);
  EXPECT_EQ(site_->dat("Naprawy_roczna").substr(0, annual_before.size()), annual_before);
  EXPECT_EQ(find_record(rows<Naprawy_ext>("Naprawy_ext"), "Id_Naprawy", "2").at("i2"), "2");
}

TEST_F(Acceptance, AFormNeverOpenedIsAcceptedAndAFullRangeIsRefused) {
  // Straight to "Przyjmij" in a new session.
  press(owner_and_item("Jan Kowalski", "WX 1234", "F1"));
  EXPECT_EQ(rows<Naprawy>("Naprawy").size(), 1u);

  // The accepted range used up: nothing is stored, the page says why.
  start({{"dat/Naprawy.dat", std::string(kHead) + " 999999 '999999/2024' 1700000000 2 1 1 1 2 '' 0 0.00 0 0 0 0 '' "
                                                  "0 0.00 0 0 '' '' '' '' '' '' '' '' '' 0\r\n"}});
  const std::string files = site_->dat("Firmy") + site_->dat("Serwis") + site_->dat("Naprawy");
  const std::string page = accept(owner_and_item("Jan Kowalski", "WX 1234", "F1"));
  EXPECT_TRUE(has(page, "zabrakło numerów")) << page;
  EXPECT_EQ(site_->dat("Firmy") + site_->dat("Serwis") + site_->dat("Naprawy"), files);
}

TEST_F(Acceptance, ARequiredEquipmentFieldMissingStopsEverything) {
  start({{"ustawienia.txt", settings_with({{"Serwis_pole3_wymagane", "1"}})}});
  const std::string page = accept(owner_and_item("Jan Kowalski", "WX 1234", "F1"));
  EXPECT_TRUE(has(page, "Podaj Przebieg przyjmowanego sprzętu")) << page;
  EXPECT_EQ(rows<Firmy>("Firmy").size(), 2u);
  EXPECT_TRUE(rows<Serwis>("Serwis").empty());
  EXPECT_TRUE(rows<Naprawy>("Naprawy").empty());
  // With the mileage typed it goes through.
  Params typed = owner_and_item("Jan Kowalski", "WX 1234", "F1");
  typed.push_back({"SerwisNew_Serwis_przebieg", "120000"});
  accept(typed);
  EXPECT_EQ(rows<Naprawy>("Naprawy").size(), 1u);
  EXPECT_EQ(rows<Serwis>("Serwis")[0].at("przebieg"), "120000");
}

TEST_F(Acceptance, ForgedOrStaleIdsAreNotActedOn) {
  start({{"dat/Firmy.dat", kFirms}, {"dat/Serwis.dat", kEquipment}});
  const std::string before = site_->dat("Naprawy") + site_->dat("Serwis");
  // Equipment that does not exist, named as the chosen one.
  Params typed = owner_and_item("Jan", "WX 1", "F1");
  typed.push_back({"SerwisNew_Serwis_Id", "99"});
  std::string page = accept(typed);
  EXPECT_TRUE(has(page, "nie ma takiego sprzętu")) << page;
  EXPECT_EQ(site_->dat("Naprawy") + site_->dat("Serwis"), before);
  EXPECT_EQ(rows<Firmy>("Firmy").size(), 3u);
  // A link naming equipment 7 and a client that is not its owner: the
  // repair goes to the equipment's owner.
  site_->post({{"n_30", "Nowa Naprawa"}});
  site_->get("/zlecenie.htm", {{"n_30", "Serwis"}, {"SerwisNew_Serwis_Id", "7"}, {"NaprawyNew_Naprawy_Id_Firmy__klient", "2"}});
  press({});
  const auto repairs = rows<Naprawy>("Naprawy");
  ASSERT_EQ(repairs.size(), 1u);
  EXPECT_EQ(repairs[0].at("Id_Firmy__klient"), "5");
  EXPECT_EQ(repairs[0].at("nr_rej"), "AB 777");
}

TEST_F(Acceptance, TheEquipmentAndOwnerSearchesOfTheForm) {
  const std::string items = std::string(kHead) +
                            " 1 5 1 '' '' '' '' '' 'ab123' 'R1' '' '' '' 0 0 0 0\r\n"
                            " 2 5 1 '' '' '' '' '' 'AB' 'R2' '' '' '' 0 0 0 0\r\n"
                            " 3 5 1 '' '' '' '' '' 'XY 1' 'R3' '' '' '' 0 0 0 0\r\n";
  const std::string firms = kal::pages::firms_file({{1, "Nasz serwis"}, {5, "Anna Nowak"}, {6, "Anna Nowakowska"}});
  start({{"dat/Firmy.dat", firms}, {"dat/Serwis.dat", items}});
  // Page 32: the prefix search lists both "AB" items.
  site_->post({{"n_30", "Nowa Naprawa"}});
  std::string page = site_->post({{"n_32", site_->setting("Szukaj_button")}, {"SerwisNew_Serwis_nr_rej", "AB"}});
  EXPECT_TRUE(has(page, "Znaleziono 2 wpisów.")) << page;
  EXPECT_TRUE(has(page, "<option value='1'>ab123 R1")) << page;
  // "XY" prefix: the single hit is taken into the form, its owner too.
  site_->post({{"n_30", "Nowa Naprawa"}});
  page = site_->post({{"n_32", site_->setting("Szukaj_button")}, {"SerwisNew_Serwis_nr_rej", "xy"}});
  EXPECT_TRUE(has(page, "Znaleziono serwisowany sprzęt.")) << page;
  EXPECT_TRUE(has(page, "VALUE=\"XY 1\"")) << page;
  EXPECT_TRUE(has(page, "VALUE=\"Anna Nowak\"")) << page;
  // Accepting with "AB" typed takes the exact "AB" item (not ab123).
  accept({{"SerwisNew_Serwis_nr_rej", "AB"}, {"SerwisNew_Serwis_nr_ramy", ""}});
  EXPECT_EQ(find_record(rows<Naprawy_ext>("Naprawy_ext"), "Id_Naprawy", "1").at("i2"), "2");

  // Page 33: two firms answer "Anna"; "Poczta" fills the town.
  site_->post({{"n_30", "Nowa Naprawa"}});
  page = site_->post({{"n_33", site_->setting("Szukaj_button")}, {"Wlasciciel.Firmy_nazwa", "anna"}});
  EXPECT_TRUE(has(page, "Znaleziono 2 wpisów.")) << page;
  EXPECT_TRUE(has(page, "<SELECT name='NaprawyNew_Naprawy_Id_Firmy__klient'>")) << page;
  site_->post({{"n_30", "Nowa Naprawa"}});
  page = site_->post({{"n_33", site_->setting("Poczta_button")}, {"Wlasciciel.Firmy_kod_pocztowy", "00-001"}});
  EXPECT_TRUE(has(page, "NAME=\"Wlasciciel.Firmy_miasto\" VALUE=\"Warszawa\"")) << page;
}

TEST_F(Acceptance, ANewModelFromPage15IsTheFormsModel) {
  site_->post({{"n_30", "Nowa Naprawa"}});
  site_->post({{"n_15", site_->setting("Nowa_nazwa_button")}, {"Wlasciciel.Firmy_nazwa", "Jan"}});
  const std::string page = site_->post({{"n_15", site_->setting("Zatwierdz_button")},
                                        {"InnyKlienta.Towary_nazwa", "Kosiarka"},
                                        {"InnyKlienta.Towary_Id_Towary_typy", "3"}});
  // Back on page 30 with what was typed, the new model chosen.
  EXPECT_TRUE(has(page, "<option value='2' selected>Kosiarka")) << page;
  EXPECT_TRUE(has(page, "VALUE=\"Jan\"")) << page;
  EXPECT_EQ(find_record(kal::records<Towary>(site_->server().file("dat/Towary.dat")), "Id", "2").at("nazwa"),
            "Kosiarka");
}

TEST_F(Acceptance, ARepairPageIsShownOnlyToWhoMayOpenIt) {
  const std::string firms = kal::pages::firms_file({{1, "Nasz serwis"}, {2, "Klient detaliczny"}, {8, "Jan Monter"}});
  site_ = std::make_unique<Site>(std::vector<std::pair<std::string, std::string>>{
      {"dat/Users.dat", users_file()}, {"dat/User_types.dat", " 1 'administrator'\r\n 2 'pracownik'\r\n 3 'inny'\r\n"},
      {"dat/Firmy.dat", firms}});
  ASSERT_TRUE(site_->start("szef", "a")) << site_->last();
  accept(owner_and_item("Jan Kowalski", "WX 1234", "F1"));
  ASSERT_EQ(rows<Naprawy>("Naprawy").size(), 1u);
  ASSERT_TRUE(site_->log_in("jan", "b")) << site_->last();
  std::string page = site_->get("/naprawa.htm", {{"n_31", "e"}, {"Naprawy_Id", "1"}});
  EXPECT_TRUE(has(page, "Nie masz uprawnień do tej strony !")) << page;
  EXPECT_FALSE(has(page, "WX 1234")) << page;
  page = site_->get("/naprawa.htm", {{"n_31", "e"}, {"Naprawy_Id", "77"}});
  EXPECT_TRUE(has(page, "Nie ma naprawy")) << page;
}

}  // namespace
