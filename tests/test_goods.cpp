// Goods inside one process: the price sums checked against exact decimal
// arithmetic, the VAT factor of a rate text, the price buttons of the goods
// form, stock movements, and the document lines a session holds (appended,
// removed, shown, stored with their stock movement).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <regex>
#include <string>

#include "db/mgs.hpp"
#include "mages/glue_impl.hpp"
#include "mages/goods/mgs_Stawki_VAT0.hpp"
#include "mages/goods/mgs_Towary.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "mages/goods/mgs_Towary_magazyn.hpp"
#include "mages/goods/mgs_Towary_select.hpp"
#include "mages/goods/mgs_Towary_transakcje.hpp"
#include "mages/goods/mgs_Transakcje0.hpp"
#include "server/oo_texts.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "tests/sess_env.hpp"

namespace {

using namespace sess_env;

const char kCode[] = "0123456789abcdef0123456789abcdef";

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string console(const std::function<void()>& body) {
  testing::internal::CaptureStdout();
  body();
  return testing::internal::GetCapturedStdout();
}

class Goods : public ::testing::Test {
 protected:
  void SetUp() override {
    oo_texts_set_lang(0);
    setMGS_DATA_PATH("dat");
    _mgs = mgs_new();
    ASSERT_NE(_mgs, nullptr);
    rate(1, "23%", "23");
    rate(2, "8%", "8");
    rate(3, "zw", "zw");
    rate(4, "23,5%", "23,5");
  }
  void TearDown() override {
    mgs_delete(&_mgs);
    setMGS_DATA_PATH("dat");
    oo_texts_set_lang(0);
  }

  static void rate(uint32_t id, const char* name, const char* percent) {
    Stawki_VAT r{id, name, percent};
    ASSERT_EQ(Stawki_VAT_tab_insert(_mgs->_Stawki_VAT_tab, &r), 0);
  }
  static void goods(uint32_t id, const char* name, uint32_t rate, uint32_t type = 1, double stock = 0) {
    Towary g{};
    vtab_meta<Towary>::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (F::letter == 's') F::of(g) = "";
    });
    g.Id = id;
    g.nazwa = name;
    g.kod = std::string("K") + std::to_string(id);
    g.Id_Stawki_VAT = rate;
    g.Id_Towary_typy = type;
    g.liczba_sztuk = stock;
    ASSERT_EQ(Towary_tab_insert(_mgs->_Towary_tab, &g), 0);
  }
  static const Towary& stored(uint32_t id) { return *Towary_tab_get_Id(_mgs->_Towary_tab, id, VTAB_CMP_EQUAL); }

  // One request of the session with these parameters; what the page appended.
  std::string page(const std::function<void()>& body, const Params& post = {}) {
    std::string out;
    request({{"sess_code", kCode}}, post, [&] { out = appended(body); });
    return out;
  }
  // A session variable as the next request sees it.
  std::string var(const std::string& name) {
    std::string v;
    page([&] { v = var_s(name.c_str()); });
    return v;
  }

  InstallDir dir;
  Settings settings{{{"Logowanie_timeout", "3600"},
                     {"Typ_towaru_uslugi", "2"},
                     {"zl_text", "zł"},
                     {"VAT_text", "VAT"},
                     {"Usun_sp_button", "Usuń "},
                     {"Suma_text", "Suma"},
                     {"Na_netto_button", "Na netto"},
                     {"Na_brutto_button", "Na brutto"},
                     {"Przelicz_button", "Przelicz"}}};
  PageManager pm;
};

// --- the price sums --------------------------------------------------------------------

TEST(Prices, WorkedByHand) {
  struct Case {
    const char* what;
    double got, want;
  };
  const Case cases[] = {
      {"toBrutto(100.00, 1.23)", toBrutto(100.00, 1.23), 123.00},
      {"toBrutto(81.30, 1.23)", toBrutto(81.30, 1.23), 100.00},
      // 20.295 rounds up; the binary product 20.294999... must not decide.
      {"toBrutto(16.50, 1.23)", toBrutto(16.50, 1.23), 20.30},
      {"toBrutto(-1.237, 1.0)", toBrutto(-1.237, 1.0), -1.24},
      {"toBrutto(-16.50, 1.23)", toBrutto(-16.50, 1.23), -20.30},
      {"toBrutto(10.005, 1.0)", toBrutto(10.005, 1.0), 10.01},
      // Far beyond 21,474,836.47: no 32-bit grosze.
      {"toBrutto(30000000.00, 1.0)", toBrutto(30000000.00, 1.0), 30000000.00},
      {"toBrutto(30000000.00, 1.23)", toBrutto(30000000.00, 1.23), 36900000.00},
      {"toBrutto(x, 0)", toBrutto(100.0, 0.0), 0.0},
      {"toBrutto(inf, 1.23)", toBrutto(std::numeric_limits<double>::infinity(), 1.23), 0.0},
      {"toBrutto(nan, 1.23)", toBrutto(std::nan(""), 1.23), 0.0},
      {"toNetto(123.00, 1.23)", toNetto(123.00, 1.23), 100.00},
      {"toNetto(10.80, 1.08)", toNetto(10.80, 1.08), 10.00},
      {"toNetto(20.30, 1.23)", toNetto(20.30, 1.23), 16.50},
      {"toNetto(x, 0)", toNetto(123.00, 0.0), 0.0},
      {"toNetto(inf, 1.23)", toNetto(std::numeric_limits<double>::infinity(), 1.23), 0.0},
      {"calc_marza(120, 100)", calc_marza(120, 100), 20},
      {"calc_marza(80, 100)", calc_marza(80, 100), -20},
      {"calc_marza(50, 0)", calc_marza(50, 0), 100},
      {"calc_marza(50, -3)", calc_marza(50, -3), 100},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

TEST_F(Goods, EveryNetAmountAt23PercentAsDecimalArithmeticRoundsIt) {
  const double factor = stawka_vat_przelicznik(1);
  for (std::int64_t net = 1; net <= 99999; ++net) {
    // 1.23 x net grosze, half up, in integers.
    const std::int64_t gross = (net * 123 + 50) / 100;
    const double got = toBrutto(static_cast<double>(net) / 100.0, factor);
    ASSERT_EQ(got, static_cast<double>(gross) / 100.0) << "net " << net;
    // Each gross amount has its one net amount back.
    ASSERT_EQ(toNetto(got, factor), static_cast<double>(net) / 100.0) << "gross " << gross;
  }
}

TEST_F(Goods, VatFactorOfARateText) {
  struct Case {
    uint32_t id;
    double factor;
  } const cases[] = {{1, 1.23}, {2, 1.08}, {3, 1.0}, {4, 1.235}, {99, 0.0}};
  for (const Case& c : cases) EXPECT_EQ(stawka_vat_przelicznik(c.id), c.factor) << c.id;
  // Texts that strtod would read as infinite or undefined count as 0 %.
  rate(5, "x", "inf");
  rate(6, "y", "nan");
  rate(7, "z", "1e999");
  for (uint32_t id : {5u, 6u, 7u}) EXPECT_EQ(stawka_vat_przelicznik(id), 1.0) << id;
}

TEST_F(Goods, PriceButtonsOfTheGoodsForm) {
  const Params form = {{"Towary_Id_Stawki_VAT", "1"},
                       {"Towary_cena_sprzedazy", "16,50"},
                       {"Towary_ostatnia_cena_kupna", "15,00"},
                       {"Towary_marza", "25"},
                       {"Towary_brutto", "123,00"}};
  auto with = [&](Params extra) {
    Params p = form;
    for (auto& kv : extra) p.push_back(kv);
    return p;
  };
  // Net to gross: 16.50 at 23 % is 20.30; the margin over 15.00 is 10 %.
  page([] { mgs_Towary_cena(0, "Na brutto"); }, form);
  EXPECT_EQ(var("Towary_brutto"), "20,30");
  EXPECT_EQ(var("Towary_marza"), "10,00");
  // Gross to net.
  page([] { mgs_Towary_cena(0, "Na netto"); }, form);
  EXPECT_EQ(var("Towary_cena_sprzedazy"), "100,00");
  // The sale price from the purchase price and the margin, then the gross.
  page([] { mgs_Towary_cena(0, "Przelicz"); }, with({{"Towary_ostatnia_cena_kupna", "80"}}));
  EXPECT_EQ(var("Towary_cena_sprzedazy"), "100,00");
  EXPECT_EQ(var("Towary_brutto"), "123,00");

  // Without a rate the gross cannot become a net price: nothing changes,
  // never an "inf" in the form or the file.
  goods(7, "Wiertarka", 0);
  std::string out;
  int rc = 0;
  out = page([&] { rc = mgs_Towary_cena(7, "Na netto"); }, with({{"Towary_Id_Stawki_VAT", "0"}, {"Towary_Id", "7"}}));
  EXPECT_EQ(rc, -1);
  EXPECT_TRUE(has(out, "COLOR=\"RED\"")) << out;
  EXPECT_EQ(var("Towary_cena_sprzedazy"), "16,50");
  EXPECT_EQ(stored(7).cena_sprzedazy, 0.0);
  // A price that is not a finite number is refused.
  for (const char* bad : {"1e999", "nan", "-inf"}) {
    out = page([&] { rc = mgs_Towary_cena(7, "Na brutto"); }, with({{"Towary_cena_sprzedazy", bad}}));
    EXPECT_EQ(rc, -1) << bad;
    EXPECT_TRUE(has(out, "Towary_cena_sprzedazy")) << bad;
  }
  EXPECT_FALSE(has(sess_env::read_bytes("dat/Towary.dat"), "inf"));

  // On a stored goods the three buttons store the form at once.
  page([] { mgs_Towary_cena(7, "Na brutto"); }, with({{"Towary_Id", "7"}, {"Towary_nazwa", "Wiertarka"}}));
  EXPECT_EQ(stored(7).cena_sprzedazy, 16.50);
  EXPECT_EQ(stored(7).Id_Stawki_VAT, 1u);
  EXPECT_TRUE(has(sess_env::read_bytes("dat/Towary.dat"), " 7 'Wiertarka' "));
  // Any other caption only recalculates.
  page([] { mgs_Towary_cena(7, "Zapisz"); }, with({{"Towary_Id", "7"}, {"Towary_cena_sprzedazy", "1,00"}}));
  EXPECT_EQ(var("Towary_brutto"), "1,23");
  EXPECT_EQ(stored(7).cena_sprzedazy, 16.50);
}

// --- stock ---------------------------------------------------------------------------------

TEST_F(Goods, StockMovesTheTotalAndTheWarehouseRow) {
  goods(1, "Olej", 1, 1, 10);
  goods(2, "Robocizna", 1, 2, 0);
  const double five = 5, minus_two = -2, price = 12.5, sale = 20;
  Towary_update(1, &five, &price, nullptr);
  EXPECT_EQ(stored(1).liczba_sztuk, 15.0);
  EXPECT_EQ(stored(1).ostatnia_cena_kupna, 12.5);
  // A service keeps no count; its prices are set.
  Towary_update(2, &five, &price, &sale);
  EXPECT_EQ(stored(2).liczba_sztuk, 0.0);
  EXPECT_EQ(stored(2).cena_sprzedazy, 20.0);
  // The first movement in a warehouse makes its row: a sale first is negative.
  EXPECT_EQ(Towary_magazyn_update(1, 3, minus_two), 0);
  EXPECT_EQ(Towary_magazyn_update(1, 3, five), 0);
  EXPECT_EQ(Towary_magazyn_update(2, 3, five), 0);
  ASSERT_NE(Towary_magazyn_select(1, 3), nullptr);
  EXPECT_EQ(Towary_magazyn_select(1, 3)->liczba_sztuk, 3.0);
  EXPECT_EQ(Towary_magazyn_select(2, 3)->liczba_sztuk, 5.0);
  EXPECT_EQ(Towary_magazyn_select(1, 4), nullptr);
  // A count that is not a finite number moves nothing.
  const double inf = std::numeric_limits<double>::infinity();
  console([&] {
    Towary_update(1, &inf, nullptr, nullptr);
    Towary_magazyn_update(1, 3, inf);
  });
  EXPECT_EQ(stored(1).liczba_sztuk, 15.0);
  EXPECT_EQ(Towary_magazyn_select(1, 3)->liczba_sztuk, 3.0);
  // Zeroing the totals keeps the warehouse rows.
  EXPECT_EQ(Towary_Zeruj_stany(), 0);
  EXPECT_EQ(stored(1).liczba_sztuk, 0.0);
  EXPECT_EQ(Towary_magazyn_select(1, 3)->liczba_sztuk, 3.0);
  EXPECT_TRUE(has(sess_env::read_bytes("dat/Towary_magazyn.dat"), " 1 3.00 1 3\r\n"))
      << sess_env::read_bytes("dat/Towary_magazyn.dat");
}

// --- the goods picker ------------------------------------------------------------------------

TEST_F(Goods, PickerOffersGoodsByDocumentTypeWarehouseStockAndPrefix) {
  // Olej (sale 10.00 at 23 %, bought at 8.00, 5 in stock, 2 in warehouse 1),
  // Olej napędowy (8 %, none in stock), Filtr (0 %, 50 in stock, no row in
  // warehouse 1), the service Robocizna and the deleted Stary olej.
  goods(1, "Olej", 1, 1, 5);
  goods(2, "Olej napędowy", 2, 1, 0);
  goods(3, "Filtr", 3, 1, 50);
  goods(4, "Robocizna", 1, 2, 0);
  goods(5, "Stary olej", 1, 1, 3);
  struct Price {
    uint32_t id;
    double sale, buy;
  };
  for (const Price& pr : {Price{1, 10, 8}, Price{2, 20, 15}, Price{3, 4.5, 3}, Price{4, 100, 0}, Price{5, 1, 1}}) {
    kal::glue<Towary>::set_field<&Towary::cena_sprzedazy>(pr.id, pr.sale);
    kal::glue<Towary>::set_field<&Towary::ostatnia_cena_kupna>(pr.id, pr.buy);
  }
  kal::glue<Towary>::set_field<&Towary::flags>(5, TOWARY_FLAG_DELETED);
  Towary_magazyn_update(1, 1, 2);
  Towary_magazyn_update(2, 1, 0);

  struct Case {
    int type;
    uint32_t warehouse;
    const char* filter;
    const char* pattern;
    const char* goods_type;
    std::string want;
  } cases[] = {
      // A sale offers sale prices, a delivery purchase prices; labels sort in
  // the Polish collation (letters before digits).
      {1, 0, "3", "", "0",
       "<OPTION VALUE=\"3\">Filtr 4,50zł zwVAT 4,50zł\n<OPTION VALUE=\"2\">Olej napędowy 20,00zł 8%VAT 21,60zł\n"
       "<OPTION VALUE=\"1\" SELECTED>Olej 10,00zł 23%VAT 12,30zł\n<OPTION VALUE=\"4\">Robocizna 100,00zł 23%VAT "
       "123,00zł\n"},
      {2, 0, "", "ol", "1",
       "<OPTION VALUE=\"2\">Olej napędowy 15,00zł 8%VAT 16,20zł\n<OPTION VALUE=\"1\" SELECTED>Olej 8,00zł 23%VAT "
       "9,84zł\n"},
      // Only goods in stock; in warehouse 1 Filtr has no row, so none.
      {1, 0, "1", "", "1",
       "<OPTION VALUE=\"3\">Filtr 4,50zł zwVAT 4,50zł\n<OPTION VALUE=\"1\" SELECTED>Olej 10,00zł 23%VAT 12,30zł\n"},
      {1, 1, "1", "", "1", "<OPTION VALUE=\"1\" SELECTED>Olej 10,00zł 23%VAT 12,30zł\n"},
      {1, 1, "2", "", "1",
       "<OPTION VALUE=\"3\">Filtr 4,50zł zwVAT 4,50zł\n<OPTION VALUE=\"2\">Olej napędowy 20,00zł 8%VAT 21,60zł\n"},
      {1, 0, "4", "", "1",
       "<OPTION VALUE=\"2\">Olej napędowy 20,00zł 8%VAT 21,60zł\n<OPTION VALUE=\"1\" SELECTED>Olej 10,00zł 23%VAT "
       "12,30zł\n"},
      // The label starts with the name: a price typed finds nothing.
      {1, 0, "3", "OLEJ N", "0", "<OPTION VALUE=\"2\">Olej napędowy 20,00zł 8%VAT 21,60zł\n"},
      {1, 0, "3", "10,00", "0", ""},
  };
  for (const Case& c : cases) {
    const Params vars = {{"wzor", c.pattern},
                         {"typ", c.goods_type},
                         {c.type == 2 ? "Transakcje_Towary_select_count_Id.d" : "Transakcje_Towary_select_count_Id.s",
                          c.filter}};
    const std::string out =
        page([&] { Towary_select_name1(1, "wybor", c.warehouse, c.type, 0, "wzor", "typ"); }, vars);
    EXPECT_EQ(out, "<SELECT NAME=\"wybor\">" + c.want + "</SELECT>")
        << "type " << c.type << " warehouse " << c.warehouse << " filter " << c.filter << " '" << c.pattern << "'";
  }

  // Check boxes, each named after the goods; English puts the currency first.
  oo_texts_set_lang(1);
  const std::string boxes = page([] { Towary_select_name1(0, "uslugi", 0, 1, -1, "wzor", "typ"); },
                                 {{"wzor", ""}, {"typ", "2"}, {"Transakcje_Towary_select_count_Id.s", "3"}});
  EXPECT_TRUE(has(boxes, "<INPUT TYPE=\"CHECKBOX\" NAME=\"uslugi.4\" VALUE=\"4\" >Robocizna zł100.00 23%VAT zł123.00"))
      << boxes;
  EXPECT_FALSE(has(boxes, "uslugi.1"));
}

// --- document lines in the session ------------------------------------------------------------

class Lines : public Goods {
 protected:
  void SetUp() override {
    Goods::SetUp();
    goods(1, "Filtr <oleju>", 1, 1, 0);
    goods(2, "Olej", 2, 1, 0);
    goods(3, "Robocizna", 1, 2, 0);
  }
  // Appends a line to the sale list (type 1) or the purchase list (2).
  void add(int type, const Params& line) {
    page([type] { mgs_Towary_transakcje_append(type); }, line);
  }
  std::string line(int i, const char* field, char kind = 's') {
    return var(std::string("Towary_transakcje_") + field + "." + std::to_string(i) + kind);
  }
  std::string count(char kind = 's') { return var(std::string("Towary_transakcje_count.") + kind); }
};

TEST_F(Lines, AppendAndRemove) {
  for (const char* id : {"1", "2", "3"})
    add(1, {{"Towary_transakcje_Id_Towary", id},
            {"Towary_transakcje_liczba_sztuk", id},
            {"Towary_transakcje_cena", std::string(id) + "0,00"}});
  EXPECT_EQ(count(), "3");
  int rc = 0;
  page([&] { rc = mgs_Towary_transakcje_unappend("2", 1); });
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(count(), "2");
  EXPECT_EQ(line(0, "Id_Towary"), "1");
  EXPECT_EQ(line(1, "Id_Towary"), "3");
  EXPECT_EQ(line(1, "cena"), "30,00");
  EXPECT_EQ(line(2, "Id_Towary"), "");

  // Past the end, or below 1: nothing changes.
  for (const char* n : {"5", "3", "0", "-1", "x"}) {
    page([&] { rc = mgs_Towary_transakcje_unappend(n, 1); });
    EXPECT_EQ(rc, -1) << n;
    EXPECT_EQ(count(), "2") << n;
    EXPECT_EQ(line(1, "Id_Towary"), "3") << n;
  }

  // A new line after a removal takes nothing of the removed one.
  add(1, {{"Towary_transakcje_Id_Towary", "2"}, {"Towary_transakcje_liczba_sztuk", "1"}, {"Towary_transakcje_cena", ""}});
  EXPECT_EQ(count(), "3");
  EXPECT_EQ(line(2, "Id_Towary"), "2");
  EXPECT_EQ(line(2, "cena"), "");
  // Without the goods or the count nothing is appended.
  add(1, {{"Towary_transakcje_cena", "1"}});
  EXPECT_EQ(count(), "3");
  // The purchase list is another list.
  EXPECT_EQ(count('d'), "");
  add(2, {{"Towary_transakcje_Id_Towary", "2"}, {"Towary_transakcje_liczba_sztuk", "4"}});
  EXPECT_EQ(count('d'), "1");
  EXPECT_EQ(line(0, "Id_Towary", 'd'), "2");
  EXPECT_EQ(count(), "3");
  // Emptied, a list's counter reads 0 after a removal.
  page([] {
    sess_put("Towary_transakcje_count.s", "");
    mgs_Towary_transakcje_unappend("1", 1);
  });
  EXPECT_EQ(count(), "0");
}

TEST_F(Lines, TheCounterComesFromTheSessionAndIsCapped) {
  // A request cannot set the counter.
  add(1, {{"Towary_transakcje_Id_Towary", "1"},
          {"Towary_transakcje_liczba_sztuk", "1"},
          {"Towary_transakcje_count.s", "4000000000"}});
  EXPECT_EQ(count(), "1");
  std::string html;
  html = page([] { mgs_Towary_transakcje_dynamic("n_3", nullptr, 1, 0); }, {{"Towary_transakcje_count.s", "4000000000"}});
  EXPECT_EQ(std::regex_search(html, std::regex("Usu. 2\\.")), false) << html;
  // A counter beyond the most lines (an old session file) reads as the most.
  page([] { sess_put("Towary_transakcje_count.s", "4000000000"); });
  int rc = 0;
  page([&] { rc = mgs_Towary_transakcje_append(1); },
       {{"Towary_transakcje_Id_Towary", "1"}, {"Towary_transakcje_liczba_sztuk", "1"}});
  EXPECT_EQ(rc, -1);
  html = page([] { mgs_Towary_transakcje_dynamic("n_3", nullptr, 1, 1); });
  EXPECT_TRUE(has(html, "Usuń 100.")) << html.substr(0, 300);
  EXPECT_FALSE(has(html, "Usuń 101."));
}

TEST_F(Lines, EditableTableInPolishAndEnglish) {
  add(1, {{"Towary_transakcje_Id_Towary", "1"}, {"Towary_transakcje_liczba_sztuk", "2"}, {"Towary_transakcje_cena", "12,30"}});
  add(1, {{"Towary_transakcje_Id_Towary", "2"}, {"Towary_transakcje_liczba_sztuk", "3"}, {"Towary_transakcje_cena", "0,10"}});
  add(1, {{"Towary_transakcje_Id_Towary", "9"}, {"Towary_transakcje_liczba_sztuk", "1"}, {"Towary_transakcje_cena", "5,00"}});
  double total = -1;
  std::string html = page([&] { mgs_Towary_transakcje_dynamic("n_3", &total, 1, 0); });
  EXPECT_EQ(total, 24.90);
  // Net 10,00 of gross 12,30 at 23 %; the goods' name as text.
  EXPECT_TRUE(has(html, "<TD CLASS=field2><INPUT TYPE=\"submit\" NAME=\"n_3\" VALUE=\"Usuń 1.\" ></TD>\n"
                        "  <TD CLASS=field2>Filtr &lt;oleju&gt;</TD>\n  <TD CLASS=field2>K1</TD>\n"
                        "  <TD CLASS=field2>&nbsp;</TD>\n  <TD CLASS=field2>10,00zł</TD>\n"
                        "  <TD CLASS=field2>23%</TD>\n  <TD CLASS=field2>12,30zł</TD>\n"
                        "  <TD CLASS=field2>2</TD>\n  <TD CLASS=field2>24,60zł</TD>\n</TR>\n"))
      << html;
  EXPECT_TRUE(has(html, "<TD CLASS=fieldname>0,09zł</TD>")) << html;  // 0.10 / 1.08
  // A line whose goods is gone: the placeholders and nothing to the total.
  EXPECT_TRUE(has(html, " pTowary==NULL for _Towary_transakcje.Id_Towary=9 !<br>\nbrutto,nazwa_VAT: pTowary==NULL !<br>\n"));
  EXPECT_TRUE(has(html, "----------------------------------"));
  EXPECT_TRUE(has(html, "  <TD colspan=6 align=right> Suma:</TD>\n  <TD> 24,90 zł </TD>"
                        "<INPUT TYPE=\"HIDDEN\" NAME=\"Transakcje_laczna_wartosc\" VALUE=\"24,90\"></TR>\n"))
      << html;
  EXPECT_EQ(var("Transakcje_laczna_wartosc"), "24,90");

  oo_texts_set_lang(1);
  html = page([&] { mgs_Towary_transakcje_dynamic("n_3", &total, 1, 0); });
  EXPECT_TRUE(has(html, ">zł10.00</TD>")) << html;
  EXPECT_TRUE(has(html, ">zł24.60</TD>"));
  EXPECT_TRUE(has(html, "  <TD> zł24.90 </TD>"));
  // The short form: no prices, no total.
  html = page([&] { mgs_Towary_transakcje_dynamic("n_3", &total, 1, 1); });
  EXPECT_FALSE(has(html, "Transakcje_laczna_wartosc"));
  EXPECT_EQ(total, 24.90);
}

TEST_F(Lines, StoringMovesStockOnceAndWritesEachFileOnce) {
  for (int type : {2, 1})
    add(type, {{"Towary_transakcje_Id_Towary", "1"},
               {"Towary_transakcje_liczba_sztuk", "5"},
               {"Towary_transakcje_cena", "12,30"},
               {"Towary_transakcje_Id_Magazyny", "1"}});
  page([] {
    sess_put("Towary_transakcje_Id_Magazyny.0s", "1");
    sess_put("Towary_transakcje_Id_Magazyny.0d", "1");
  });
  const std::string goods_line = " 1 'Filtr <oleju>' '' 'K1' '' '' 0.00 0.00 0.00 0.00 ";
  int rc = -1;
  // The purchase: +5 on the goods and its warehouse row.
  page([&] { rc = mgs_Towary_transakcje_creates(7, 2); });
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(count('d'), "");
  EXPECT_TRUE(has(read_bytes("dat/Towary.dat"), goods_line + "5.00 ''")) << read_bytes("dat/Towary.dat");
  EXPECT_EQ(read_bytes("dat/Towary_magazyn.dat"), "KALMITOR 1.0 http://kalmitor.example/\r\n 1 5.00 1 1\r\n");
  // The sale: -5 on both.
  page([&] { rc = mgs_Towary_transakcje_creates(8, 1); });
  EXPECT_EQ(rc, 0);
  // Both stored lines keep +5.
  const std::string lines = read_bytes("dat/Towary_transakcje.dat");
  EXPECT_TRUE(has(lines, " 1 1 7 12.30 5.00 1\r\n")) << lines;
  EXPECT_TRUE(has(lines, " 2 1 8 12.30 5.00 1\r\n")) << lines;
  EXPECT_TRUE(has(read_bytes("dat/Towary.dat"), goods_line + "0.00 ''"));
  EXPECT_EQ(stored(1).liczba_sztuk, 0.0);
  ASSERT_NE(Towary_magazyn_select(1, 1), nullptr);
  EXPECT_EQ(Towary_magazyn_select(1, 1)->liczba_sztuk, 0.0);
  EXPECT_EQ(read_bytes("dat/Towary_magazyn.dat"), "KALMITOR 1.0 http://kalmitor.example/\r\n 1 0.00 1 1\r\n");
  EXPECT_EQ(line(0, "Id_Towary"), "");

  // Three lines stored: each file is written once (here every write fails,
  // so each attempt says so on the console).
  for (const char* id : {"1", "2", "1"})
    add(1, {{"Towary_transakcje_Id_Towary", id}, {"Towary_transakcje_liczba_sztuk", "1"}});
  setMGS_DATA_PATH("missing_directory");
  const std::string said = console([&] { page([&] { rc = mgs_Towary_transakcje_creates(9, 1); }); });
  auto times = [&](const std::string& file) {
    std::size_t n = 0;
    for (std::size_t at = said.find(file); at != std::string::npos; at = said.find(file, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(times("missing_directory/Towary.dat'"), 1u) << said;
  EXPECT_EQ(times("missing_directory/Towary_magazyn.dat'"), 1u) << said;
  EXPECT_EQ(times("missing_directory/Towary_transakcje.dat'"), 1u) << said;
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(stored(1).liczba_sztuk, -2.0);
  EXPECT_EQ(stored(2).liczba_sztuk, -1.0);
}

TEST_F(Lines, AStoredLineOfAPriceThatIsNoNumberIsRefused) {
  // Such a count is not taken into the list; one posted into the list's
  // slot by hand is refused where the line is stored.
  add(1, {{"Towary_transakcje_Id_Towary", "1"}, {"Towary_transakcje_liczba_sztuk", "1e999"}});
  EXPECT_EQ(count(), "");
  add(1, {{"Towary_transakcje_Id_Towary", "1"}, {"Towary_transakcje_liczba_sztuk", "1"}});
  int rc = 0;
  const std::string said = console([&] {
    page([&] { rc = mgs_Towary_transakcje_create(".0s", 1); }, {{"Towary_transakcje_liczba_sztuk.0s", "1e999"}});
  });
  EXPECT_EQ(rc, -4);
  EXPECT_TRUE(has(said, "not a finite number")) << said;
  EXPECT_EQ(_mgs->_Towary_transakcje_tab->size, 0);
  EXPECT_EQ(stored(1).liczba_sztuk, 0.0);
}

TEST_F(Lines, StoredDocumentShowsItsLinesOfAType) {
  Transakcje doc{};
  vtab_meta<Transakcje>::for_each_field([&](auto f) {
    using F = decltype(f);
    if constexpr (F::letter == 's') F::of(doc) = "";
  });
  doc.Id = 4;
  doc.numer = "4/2024";
  doc.Id_Transakcje_typy = 1;
  ASSERT_EQ(Transakcje_tab_insert(_mgs->_Transakcje_tab, &doc), 0);
  const Towary_transakcje lines[] = {{1, 1, 4, 12.30, 2, 1}, {2, 3, 4, 100.00, 1, 1}, {3, 2, 4, 10.80, 1, 1},
                                     {4, 9, 4, 1.00, 1, 1}, {5, 1, 5, 1.00, 1, 1}};
  for (const auto& l : lines) ASSERT_EQ(Towary_transakcje_tab_insert(_mgs->_Towary_transakcje_tab, &l), 0);

  double net = 0, gross = 0;
  std::string html = page([&] { EXPECT_EQ(mgs_Sprzedaz_existed(4, &net, &gross, "", 0), 0); });
  EXPECT_EQ(gross, 135.40);  // 24.60 + 100.00 + 10.80
  EXPECT_EQ(net, 111.30);    // 20.00 + 81.30 + 10.00
  EXPECT_TRUE(has(html, "Cena_netto__sprzedazy_text"));
  EXPECT_TRUE(has(html, "<TD CLASS=fieldname>2. </TD>\n  <TD CLASS=fieldname><A HREF=\"p.htm?n_17=n&Towary_Id=3&"));
  EXPECT_TRUE(has(html, "<TD CLASS=field2>3. </TD>\n  <TD CLASS=field2><A HREF=\"p.htm?n_17=n&Towary_Id=2&"));
  EXPECT_TRUE(has(html, "<TD CLASS=fieldname>81,30zł</TD>"));
  // Of type 1 only: the first and the third line, numbered 1 and 2.
  net = gross = 0;
  html = page([&] { EXPECT_EQ(mgs_Sprzedaz_existed_rows(4, &net, &gross, "Czesci", 1), 0); });
  EXPECT_EQ(gross, 35.40);
  EXPECT_TRUE(has(html, "Czesci")) << html;
  EXPECT_TRUE(has(html, "p.htm?n_17=n&Towary_Id=1&"));
  EXPECT_TRUE(has(html, "p.htm?n_17=n&Towary_Id=2&"));
  EXPECT_FALSE(has(html, "Towary_Id=3&"));
  EXPECT_TRUE(has(html, "  <TD>\n35,40 zł </TD>\n")) << html;
  EXPECT_EQ(mgs_Sprzedaz_existed(6, nullptr, nullptr, "", 0), -1);
}

}  // namespace
