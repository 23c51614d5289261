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
#include "tests/kal_pages.hpp"
#include "tests/kal_records.hpp"

namespace {

using kal::find_record;
using kal::record_fields;
using kal::pages::has;
using kal::pages::kHead;
using kal::pages::Params;
using kal::pages::Site;

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

TEST_F(Acceptance, ANewOwnerWithNewEquipment) {
  const std::string page = accept(owner_and_item("Jan Kowalski", "WX 1234", "VF1AB000123"));
  // The repair page follows at once: its number and state.
  EXPECT_TRUE(has(page, "name=NaprawyNew_Naprawy_numer value='1/" + year() + "'")) << page;
  EXPECT_TRUE(has(page, " - Przyjęta")) << page;
  EXPECT_FALSE(has(page, "Nie przyjęto")) << page;

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
  // The accepted range starts at 1 all the same.
  accept(owner_and_item("Jan Kowalski", "WX 5678", "F2"));
  EXPECT_EQ(find_record(rows<Naprawy>("Naprawy"), "Id", "1").at("numer"), "1/" + year());
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
  EXPECT_TRUE(has(again, "została już przyjęta")) << again;
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

}  // namespace
