// The look-ups and choice lists of the means of transport, the servicemen's
// costs and the cost items, and the cost item pages that no page id leads
// to, inside the program's own request cycle.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "db/mgs.hpp"
#include "mages/cards/mgs_Koszty.hpp"
#include "mages/cards/mgs_Koszty0.hpp"
#include "mages/cards/mgs_Serwisanci_koszty0.hpp"
#include "mages/cards/mgs_Srodki_transportu0.hpp"
#include "mages/admin/mgs_Users.hpp"
#include "server/oo_texts.hpp"
#include "tests/sess_env.hpp"

namespace {

using namespace sess_env;

const char kCode[] = "0123456789abcdef0123456789abcdef";

class CardsGlue : public ::testing::Test {
 protected:
  void SetUp() override {
    oo_texts_set_lang(0);
    setMGS_DATA_PATH("dat");
    _mgs = mgs_new();
    ASSERT_NE(_mgs, nullptr);
  }
  void TearDown() override { mgs_delete(&_mgs); }

  std::string page(const std::function<void()>& body, const Params& post = {}) {
    std::string out;
    request({{"sess_code", kCode}}, post, [&] { out = appended(body); });
    return out;
  }
  void transport(uint32_t id, const char* name, double rate) {
    Srodki_transportu r{};
    r.Id = id;
    r.nazwa = name;
    r.nr_rej = "";
    r.stawka_za_km_brutto = rate;
    r.opis = "";
    r.uwagi = "";
    ASSERT_EQ(Srodki_transportu_tab_insert(_mgs->_Srodki_transportu_tab, &r), 0);
  }
  void cost(uint32_t id, uint32_t firm, double value) {
    Serwisanci_koszty r{id, firm, 0, 0, value, 0};
    ASSERT_EQ(Serwisanci_koszty_tab_insert(_mgs->_Serwisanci_koszty_tab, &r), 0);
  }

  InstallDir dir;
  Settings settings{{{"Logowanie_timeout", "3600"}}};
  PageManager pm;
};

TEST_F(CardsGlue, TransportSelectAndLookUps) {
  EXPECT_EQ(page([] { Srodki_transportu_select_name(0, "Dojazdy_Id_Srodki_transportu", 1); }),
            "<select name='Dojazdy_Id_Srodki_transportu'><option value=\"0\" selected>------------------------\n"
            "</select>");
  transport(1, "Bus", 1.2);
  transport(2, "Auto & <przyczepa>", 0.9);
  transport(3, "Bus", 1.5);
  // Sorted by name; two of one name give one option, the later Id.
  EXPECT_EQ(page([] { Srodki_transportu_select_name(3, "st", 1); }),
            "<select name='st'><option value=\"0\">------------------------\n"
            "<option value='2'>Auto &amp; &lt;przyczepa&gt;\n"
            "<option value='3' selected>Bus\n"
            "</select>");
  EXPECT_EQ(page([] { Srodki_transportu_select_name(1, "st", 0); }),
            "<select name='st'><option value='2'>Auto &amp; &lt;przyczepa&gt;\n<option value='3'>Bus\n</select>");
  EXPECT_STREQ(Srodki_transportu_nazwa(2), "Auto & <przyczepa>");
  EXPECT_STREQ(Srodki_transportu_nazwa(9), "zlecenidawca");
  EXPECT_DOUBLE_EQ(Srodki_transportu_stawka(3), 1.5);
  EXPECT_DOUBLE_EQ(Srodki_transportu_stawka(9), 0.0);
}

TEST_F(CardsGlue, CostLookUps) {
  cost(1, 6, 30.0);
  cost(2, 5, 40.0);
  cost(3, 5, 50.0);
  // The first row of the firm in table order.
  EXPECT_DOUBLE_EQ(Serwisanci_koszt_brutto_Firmy(5), 40.0);
  EXPECT_DOUBLE_EQ(Serwisanci_koszt_brutto_Firmy(7), 0.0);
  EXPECT_DOUBLE_EQ(Serwisanci_koszt_brutto(3), 50.0);
  EXPECT_DOUBLE_EQ(Serwisanci_koszt_brutto(4), 0.0);
  // The trips' hourly rate is the value itself, whatever the table holds.
  EXPECT_DOUBLE_EQ(Koszty_koszt_brutto(35), 35.0);
  EXPECT_DOUBLE_EQ(Koszty_koszt_brutto(0), 0.0);
}

TEST_F(CardsGlue, CostItemPagesStoreAndShowTheirItems) {
  // No setting: the captions are the keys themselves.
  page([] { mgs_Koszty_new("Zatwierdz_button"); },
       {{"n_225", "Zatwierdz_button"},
        {"Koszty_Id_Karty", "4"},
        {"Koszty_Id_Naprawy", "7"},
        {"Koszty_Id_Towary", "9"},
        {"Koszty_koszt_brutto", "12,5"}});
  const Koszty* k = Koszty_tab_get_Id(_mgs->_Koszty_tab, 1, VTAB_CMP_EQUAL);
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->Id_Karty, 4u);
  EXPECT_EQ(k->Id_Naprawy, 7u);
  EXPECT_EQ(k->Id_Towary, 9u);
  EXPECT_DOUBLE_EQ(k->koszt_brutto, 12.5);
  EXPECT_EQ(back_id, 223u);
  const std::string list = page([] { mgs_Koszty_list(); });
  EXPECT_NE(list.find("Koszty.htm?n_224=e&Koszty_Id=1&"), std::string::npos) << list;
  EXPECT_NE(list.find("12,50"), std::string::npos) << list;
  // An edit changes what the request carries.
  page([] { mgs_Koszty_edit("Zatwierdz_button"); }, {{"Koszty_Id", "1"}, {"Koszty_koszt_brutto", "3"}});
  k = Koszty_tab_get_Id(_mgs->_Koszty_tab, 1, VTAB_CMP_EQUAL);
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->Id_Towary, 9u);
  EXPECT_DOUBLE_EQ(k->koszt_brutto, 3.0);
}

TEST_F(CardsGlue, RolesAndTheirSelect) {
  EXPECT_STREQ(User_types_nazwa(1), "Administrator");
  EXPECT_STREQ(User_types_nazwa(3), "Inny");
  EXPECT_STREQ(User_types_nazwa(4), "");
  EXPECT_EQ(page([] { Users_types_select_name(2, "r", 1); }),
            "<select name='r'>\n<option value=\"0\">----------------------------------\n"
            "<option value='1'>Administrator\n<option value='3'>Inny\n<option value='2' selected>Pracownik\n"
            "</select>");
  add_user(5, "jan", "x", 1);
  add_user(6, "anna", "y", 2);
  add_user(7, "ola", "z", 2);
  EXPECT_EQ(Users_admin_count(), 1);
  EXPECT_EQ(Users_worker_count(), 2);
  EXPECT_EQ(Users_other_count(), 0);
  EXPECT_EQ(Users_all_count(), 3);
  EXPECT_EQ(Users_Id_Firmy(6), 6u);
}

}  // namespace
