// The means-of-transport and servicemen's cost pages through the real
// kalmitor program, with the table files as the oracle: a record created
// (a rate with a decimal comma), edited without losing what the form does not
// show (remarks, modification time; a cost row's firm and good), deleted;
// new Ids pass over those trips still name; the list's back button leads to
// the service card page.
#include <gtest/gtest.h>

#include <string>

#include "tests/kal_pages.hpp"

namespace {

using kal::pages::has;
using kal::pages::kHead;
using kal::pages::Site;

const std::string kTransport = std::string(kHead) + " 1 'Bus' 'WA 123' 1.20 'opis busa' 'uwagi busa' 1700000000\r\n";
// A trip of card 1 by means of transport 4.
const std::string kTrip =
    std::string(kHead) + " 1 1 510 600 0 1.00 4 1.20 10.00 50 62.00 '' '' 1700000000\r\n";
const std::string kCosts = std::string(kHead) + " 1 5 3 2 40.00 1700000000\r\n";

class TransportCosts : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(site_.start()) << site_.log();
    confirm_ = site_.setting("Zatwierdz_button");
  }
  Site site_{std::vector<std::pair<std::string, std::string>>{{"dat/Srodki_transportu.dat", kTransport},
                                                              {"dat/Dojazdy.dat", kTrip},
                                                              {"dat/Serwisanci_koszty.dat", kCosts}}};
  std::string confirm_;
};

TEST_F(TransportCosts, MeansOfTransportCreatedEditedAndDeleted) {
  std::string page = site_.post({{"n_220", "l"}});
  EXPECT_TRUE(has(page, "<TABLE WIDTH=100%><TR><TD CLASS=pagetitle ALIGN=CENTER> Srodki transportu </TD></TR></TABLE>"))
      << page;
  EXPECT_TRUE(has(page, "Srodki_transportu.htm?n_221=e&Srodki_transportu_Id=1&")) << page;
  EXPECT_TRUE(has(page, ">Bus</A></TD>")) << page;
  EXPECT_TRUE(has(page, "1,20")) << page;

  // New: the rate with a decimal comma; the Id above the one a trip names.
  site_.post({{"n_222", site_.setting("Dodaj_button")}});
  site_.post({{"n_222", confirm_},
              {"Srodki_transportu_nazwa", "Osobowy <1>"},
              {"Srodki_transportu_nr_rej", "WB 9"},
              {"Srodki_transportu_stawka_za_km_brutto", "1,75"}});
  std::string file = site_.dat("Srodki_transportu");
  EXPECT_TRUE(has(file, "\r\n 5 'Osobowy <1>' 'WB 9' 1.75 '' '' ")) << file;

  // Edit: the remarks and the time the form does not show stay.
  page = site_.post({{"n_221", "e"}, {"Srodki_transportu_Id", "1"}});
  EXPECT_TRUE(has(page, "NAME=\"Srodki_transportu_stawka_za_km_brutto\" VALUE=\"1,20\"")) << page;
  EXPECT_TRUE(has(page, "<TD><TD colspan='2' align='center'>")) << page;
  site_.post({{"n_221", confirm_},
              {"Srodki_transportu_Id", "1"},
              {"Srodki_transportu_nazwa", "Bus"},
              {"Srodki_transportu_nr_rej", "WA 124"},
              {"Srodki_transportu_stawka_za_km_brutto", "2,05"}});
  file = site_.dat("Srodki_transportu");
  EXPECT_TRUE(has(file, "\r\n 1 'Bus' 'WA 124' 2.05 'opis busa' 'uwagi busa' 1700000000\r\n")) << file;
  // A rate that is no finite number is not stored.
  page = site_.post({{"n_221", confirm_}, {"Srodki_transportu_Id", "1"}, {"Srodki_transportu_stawka_za_km_brutto", "1e999"}});
  EXPECT_EQ(site_.dat("Srodki_transportu"), file);
  EXPECT_TRUE(has(page, "to nie jest liczba")) << page;

  // Deleted: the list at once.
  page = site_.post({{"n_221", site_.setting("Usun_button")}, {"Srodki_transportu_Id", "5"}});
  EXPECT_FALSE(has(site_.dat("Srodki_transportu"), "\r\n 5 "));
  EXPECT_TRUE(has(page, "Srodki transportu </TD>")) << page;
  // The bad Id parameter.
  page = site_.post({{"n_221", "e"}, {"Srodki_transportu_Id", "-1"}});
  EXPECT_TRUE(has(page, "mgs_Srodki_transportu_edit() bad page parameter Srodki_transportu_Id='-1' !\n<BR\n>")) << page;
  // The list's back button: the service card page.
  site_.post({{"n_220", site_.setting("Powrot_button")}});
  EXPECT_TRUE(has(site_.log(), "call page_id=212 ")) << site_.log();
}

TEST_F(TransportCosts, CostRowsKeepTheirFirmAndGood) {
  std::string page = site_.post({{"n_229", "l"}});
  EXPECT_TRUE(has(page, "Serwisanci_koszty - podgląd i edycja")) << page;
  EXPECT_TRUE(has(page, "Serwisanci_koszty.htm?n_230=e&Serwisanci_koszty_Id=1&")) << page;
  EXPECT_TRUE(has(page, "NAME=\"n_12\" VALUE=\"Powrót\"")) << page;
  EXPECT_TRUE(has(page, "NAME=\"n_231\" VALUE=\"Dodaj\"")) << page;
  EXPECT_TRUE(has(page, "40,00")) << page;

  // An edit with a decimal comma: the firm and the good stay.
  page = site_.post({{"n_230", "e"}, {"Serwisanci_koszty_Id", "1"}});
  EXPECT_TRUE(has(page, "NAME=\"Serwisanci_koszty_koszt_brutto\" VALUE=\"40,00\"")) << page;
  EXPECT_FALSE(has(page, "NAME=\"Serwisanci_koszty_Id_Firmy\"")) << page;
  site_.post({{"n_230", confirm_},
              {"Serwisanci_koszty_Id", "1"},
              {"Serwisanci_koszty_Id_Koszty", "4"},
              {"Serwisanci_koszty_koszt_brutto", "45,5"},
              {"Serwisanci_koszty_czas_modyfikacji", "01.02.2024 10:00:00"}});
  EXPECT_EQ(site_.dat("Serwisanci_koszty"), std::string(kHead) + " 1 5 3 4 45.50 1706781600\r\n");

  // A new row, then deleted.
  site_.post({{"n_231", "Dodaj"}});
  site_.post({{"n_231", confirm_}, {"Serwisanci_koszty_Id_Koszty", "0"}, {"Serwisanci_koszty_koszt_brutto", "1,75"}});
  EXPECT_TRUE(has(site_.dat("Serwisanci_koszty"), "\r\n 2 0 0 0 1.75 ")) << site_.dat("Serwisanci_koszty");
  site_.post({{"n_230", site_.setting("Usun_button")}, {"Serwisanci_koszty_Id", "2"}});
  EXPECT_EQ(site_.dat("Serwisanci_koszty"), std::string(kHead) + " 1 5 3 4 45.50 1706781600\r\n");
}

}  // namespace
