// The models of serviced equipment offered to a new repair (page 15) through
// the real kalmitor program, with the goods file as the oracle: a new model
// and a revived one, an empty name, the sorted list with equal names once,
// removing by row (only models), and where the models' links lead.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

#include "db/Towary.hpp"
#include "tests/kal_pages.hpp"
#include "tests/kal_records.hpp"

namespace {

using kal::pages::has;
using kal::pages::kHead;
using kal::pages::Site;

std::string goods_line(unsigned id, const std::string& name, unsigned type, int flags) {
  return " " + std::to_string(id) + " '" + name + "' '' '' '' '' 0.00 0.00 0.00 0.00 0.00 '' 1 " + std::to_string(type) +
         " 1 0.00 0.00 0 0 0 " + std::to_string(flags) + "\r\n";
}

// Type 3 holds the models ("Typ_towaru_do_serwisu"), type 1 the parts.
const std::string kGoods = std::string(kHead) + goods_line(1, "Rower", 3, 0) + goods_line(2, "Auto", 3, 0) +
                           goods_line(3, "Auto", 3, 0) + goods_line(4, "Skuter", 3, 1) +
                           goods_line(5, "Skuter", 1, 0) + goods_line(6, "Filtr", 1, 0) +
                           goods_line(7, "<b>Quad</b>", 3, 0);

// The list's rows: row number -> the Id its hidden input holds.
std::map<int, std::string> listed(const std::string& page) {
  std::map<int, std::string> rows;
  static const std::regex row("NAME=\"Usun_Id_Towary\\.([0-9]+)\" VALUE=\"([0-9]*)\"");
  for (auto it = std::sregex_iterator(page.begin(), page.end(), row); it != std::sregex_iterator(); ++it)
    rows[std::stoi((*it)[1])] = (*it)[2];
  return rows;
}

class RepairModels : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(site_.start()) << site_.log(); }
  std::vector<kal::record_fields> goods() { return kal::records<Towary>(site_.server().file("dat/Towary.dat")); }
  std::string flags_of(unsigned id) { return kal::find_record(goods(), "Id", std::to_string(id))["flags"]; }

  Site site_{{{"dat/Towary.dat", kGoods}}};
};

TEST_F(RepairModels, TheListShowsLiveModelsSortedByNameEqualNamesOnce) {
  const std::string page = site_.post({{"n_15", "x"}});
  EXPECT_TRUE(has(page, "Nowa nazwa serwisowanego sprzętu")) << page;
  // Models only (no parts), the removed one left out, "Auto" once (the
  // highest Id), the name escaped.
  std::map<int, std::string> rows = listed(page);
  ASSERT_EQ(rows.size(), 3u) << page;
  std::vector<std::string> ids;
  for (const auto& [n, id] : rows) ids.push_back(id);
  EXPECT_EQ(std::count(ids.begin(), ids.end(), "3"), 1);
  EXPECT_EQ(std::count(ids.begin(), ids.end(), "2"), 0);
  EXPECT_EQ(std::count(ids.begin(), ids.end(), "4"), 0);
  EXPECT_LT(page.find(">Auto</A>"), page.find(">Rower</A>"));
  EXPECT_TRUE(has(page, "&lt;b&gt;Quad&lt;/b&gt;"));
  EXPECT_FALSE(has(page, "<b>Quad</b>"));
  // The form's hidden goods fields, and the page's own return address.
  EXPECT_TRUE(has(page, "NAME=\"InnyKlienta.Towary_Id_Towary_typy\" VALUE=\"3\""));
  EXPECT_TRUE(has(page, "NAME=\"backhref\" VALUE=\"n_15=e\""));
  // Without a return address a model links to its goods page.
  EXPECT_TRUE(has(page, "HREF=\"towar_1.htm?n_17=e&Towary_Id=1&")) << page;
}

TEST_F(RepairModels, RemovingARowMarksExactlyThatModelAndOnlyAModel) {
  const std::string remove = site_.setting("Usun_sp_button");
  std::map<int, std::string> rows = listed(site_.post({{"n_15", "x"}}));
  const std::string second = rows[2];
  ASSERT_FALSE(second.empty());
  std::string page = site_.post({{"n_15", remove + "2."}, {"Usun_Id_Towary.2", second}});
  for (const auto& r : goods()) {
    const bool removed = r.at("Id") == second || r.at("Id") == "4";
    EXPECT_EQ(r.at("flags"), removed ? "1" : "0") << r.at("Id");
  }
  EXPECT_EQ(listed(page).size(), 2u);
  // A forged row naming a part (or an unknown goods) marks nothing.
  site_.post({{"n_15", remove + "1."}, {"Usun_Id_Towary.1", "6"}});
  site_.post({{"n_15", remove + "1."}, {"Usun_Id_Towary.1", "99"}});
  EXPECT_EQ(flags_of(6), "0");
  EXPECT_EQ(goods().size(), 7u);
}

TEST_F(RepairModels, ConfirmingStoresANewModelOrRevivesTheRemovedOne) {
  const std::string confirm = site_.setting("Zatwierdz_button");
  const auto form = [&](const std::string& name) {
    return kal::pages::Params{{"n_15", confirm},
                              {"InnyKlienta.Towary_nazwa", name},
                              {"InnyKlienta.Towary_opis", "opis " + name},
                              {"InnyKlienta.Towary_sciezka_do_pliku", ""},
                              {"InnyKlienta.Towary_Id_Stawki_VAT", "1"},
                              {"InnyKlienta.Towary_Id_Towary_typy", "3"},
                              {"InnyKlienta.Towary_Id_Jednostki_metryczne", "1"}};
  };
  // An empty name: the message, the form again, nothing stored.
  const std::string file = kal::pages::read_file(site_.server().file("dat/Towary.dat"));
  std::string page = site_.post(form(""));
  EXPECT_TRUE(has(page, "Nazwa nie może być pusta !")) << page;
  EXPECT_TRUE(has(page, "NAME=\"InnyKlienta.Towary_nazwa\""));
  EXPECT_EQ(kal::pages::read_file(site_.server().file("dat/Towary.dat")), file);

  // The removed model "Skuter" comes back; the part of that name stays a part.
  site_.post(form("Skuter"));
  EXPECT_EQ(flags_of(4), "0");
  EXPECT_EQ(goods().size(), 7u);

  // A new name: a new model of the models' type, the next Id; posting the
  // same form again stores nothing new.
  page = site_.post(form("Hulajnoga"));
  EXPECT_FALSE(has(page, "NAME=\"InnyKlienta.Towary_nazwa\"")) << page;
  site_.post(form("Hulajnoga"));
  const auto rows = goods();
  ASSERT_EQ(rows.size(), 8u);
  const kal::record_fields added = kal::find_record(rows, "nazwa", "Hulajnoga");
  EXPECT_EQ(added.at("Id"), "8");
  EXPECT_EQ(added.at("Id_Towary_typy"), "3");
  EXPECT_EQ(added.at("opis"), "opis Hulajnoga");
  EXPECT_EQ(added.at("flags"), "0");
}

TEST_F(RepairModels, AReturnAddressIsUsedOnlyWhenItStaysOnThisSite) {
  std::string page = site_.post({{"n_15", "x"}, {"backhref", "zlecenie.htm?n_30=n&NaprawyNew_Naprawy_Id_Towary__przyjety="}});
  EXPECT_TRUE(has(page, "HREF=\"zlecenie.htm?n_30=n&NaprawyNew_Naprawy_Id_Towary__przyjety=1&")) << page;
  for (const char* foreign : {"http://evil.example/?x=", "//evil.example/x", "javascript:alert(1)//"}) {
    page = site_.post({{"n_15", "x"}, {"backhref", foreign}});
    EXPECT_FALSE(has(page, "evil.example")) << foreign;
    EXPECT_FALSE(has(page, "javascript:")) << foreign;
    EXPECT_TRUE(has(page, "HREF=\"towar_1.htm?n_17=e&Towary_Id=1&")) << foreign;
  }
}

}  // namespace
