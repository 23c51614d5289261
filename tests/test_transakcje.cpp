// Documents inside one process: the numbering of a year's documents, the VAT
// sums of the printouts (every rate, whatever its Id), the text of the
// invoice and of the dossier list in their modes, who may print a document,
// and the line counts of the form's text areas.
#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "db/mgs.hpp"
#include "mages/firms/mgs_Firmy0.hpp"
#include "mages/goods/mgs_Transakcje.hpp"
#include "mages/goods/mgs_Transakcje0.hpp"
#include "mages/goods/mgs_Transakcje_pdf.hpp"
#include "server/oo_texts.hpp"
#include "server/sess.hpp"
#include "server/ustawienia.hpp"
#include "tests/sess_env.hpp"

namespace {

using namespace sess_env;

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

int this_year() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return tm.tm_year + 1900;
}

class Documents : public ::testing::Test {
 protected:
  void SetUp() override {
    oo_texts_set_lang(0);
    rachunki_zamiast_faktur = 0;
    Faktura_oryginal_kopia = 1;
    setMGS_DATA_PATH("dat");
    _mgs = mgs_new();
    ASSERT_NE(_mgs, nullptr);
    rate(1, "23%", "23");
    rate(2, "8%", "8");
    rate(25, "5%", "5");
    firm(1, "Warsztat");
    firm(5, "Kowalski");
    unit();
  }
  void TearDown() override {
    mgs_delete(&_mgs);
    rachunki_zamiast_faktur = 0;
    Faktura_oryginal_kopia = 0;
  }

  static void rate(uint32_t id, const char* name, const char* percent) {
    Stawki_VAT r{id, name, percent};
    ASSERT_EQ(Stawki_VAT_tab_insert(_mgs->_Stawki_VAT_tab, &r), 0);
  }
  static void unit() {
    Jednostki_metryczne u{1, "szt."};
    ASSERT_EQ(Jednostki_metryczne_tab_insert(_mgs->_Jednostki_metryczne_tab, &u), 0);
  }
  template <class T>
  static void blank_texts(T& r) {
    vtab_meta<T>::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (F::letter == 's') F::of(r) = "";
    });
  }
  static void firm(uint32_t id, const char* name) {
    Firmy f{};
    blank_texts(f);
    f.Id = id;
    f.nazwa = name;
    ASSERT_EQ(Firmy_tab_insert(_mgs->_Firmy_tab, &f), 0);
  }
  static void goods(uint32_t id, const char* name, uint32_t rate, uint32_t type = 1) {
    Towary g{};
    blank_texts(g);
    g.Id = id;
    g.nazwa = name;
    g.kod = "K" + std::to_string(id);
    g.Id_Stawki_VAT = rate;
    g.Id_Towary_typy = type;
    g.Id_Jednostki_metryczne = 1;
    ASSERT_EQ(Towary_tab_insert(_mgs->_Towary_tab, &g), 0);
  }
  static void document(uint32_t id, const std::string& numer, uint32_t type = 1, int flags = 0, uint32_t firm = 5) {
    Transakcje d{};
    blank_texts(d);
    d.Id = id;
    d.numer = numer;
    d.Id_Transakcje_typy = type;
    d.Id_Firmy = firm;
    d.flags = flags;
    d.wydrukowano = d.odebrano = 'N';
    ASSERT_EQ(Transakcje_tab_insert(_mgs->_Transakcje_tab, &d), 0);
  }
  static void line(uint32_t id, uint32_t goods, uint32_t doc, double price, double count) {
    Towary_transakcje l{id, goods, doc, price, count, 1};
    ASSERT_EQ(Towary_transakcje_tab_insert(_mgs->_Towary_transakcje_tab, &l), 0);
  }

  InstallDir dir;
  Settings settings{{{"Faktura_oznaczenie", "FV/"},
                     {"Typ_towaru_czesci", "1"},
                     {"Typ_towaru_uslugi", "2"},
                     {"zl_text", "zł"},
                     {"gr_text", "gr"},
                     {"VAT_text", "VAT"},
                     {"NIP_text", "NIP"},
                     {"w_ramach_gwarancji", "<b>w ramach gwarancji</b>"},
                     {"Dossier_sporzadzil_text", "Sporządził"},
                     {"Dossier_odebral_text", "Odebrał"}}};
};

// --- numbering -------------------------------------------------------------------------------

TEST_F(Documents, NumbersOfTheYearCountOnFromTheHighest) {
  const std::string y = std::to_string(this_year()), last = std::to_string(this_year() - 1);
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, int>> sales;  // number, flags
    std::string next;
  } cases[] = {
      {"the first of the year", {}, "1/FV/" + y},
      {"an earlier year does not count", {{"30/FV/" + last, 0}}, "1/FV/" + y},
      {"the highest, in any order, deleted ones too",
       {{"7/FV/" + y, 0}, {"12/FV/" + y, 0}, {"30/FV/" + last, 0}, {"13/FV/" + y, 1}},
       "14/FV/" + y},
      {"a repair's unnumbered document does not count", {{"0/0000", 1}, {"2/FV/" + y, 0}}, "3/FV/" + y},
      {"a number without a leading number counts as 0", {{"FV/" + y, 0}}, "1/FV/" + y},
  };
  for (const Case& c : cases) {
    mgs_delete(&_mgs);
    _mgs = mgs_new();
    uint32_t id = 0;
    for (const auto& [numer, flags] : c.sales) document(++id, numer, 1, flags);
    // Purchases count apart.
    document(++id, "40/D/" + y, 2);
    EXPECT_EQ(Transakcje_new_numer(1), c.next) << c.what;
    EXPECT_EQ(std::string(Transakcje_new_numer(2)), "41/D/" + y) << c.what;
  }
  EXPECT_EQ(std::string(Transakcje_prev_numer(2)), "40/D/" + y);
}

TEST(TextAreas, LinesOfAText) {
  struct Case {
    const char* text;
    int lines, at_least_2;
  } cases[] = {{nullptr, 0, 2}, {"", 0, 2}, {"a", 1, 2}, {"a\nb", 2, 2}, {"a\r\nb\nc", 4, 4}};
  for (const Case& c : cases) {
    EXPECT_EQ(txtutils_lines_count(c.text), c.lines) << (c.text ? c.text : "NULL");
    EXPECT_EQ(txtutils_lines_count_min(c.text, 2), c.at_least_2);
  }
}

// --- the VAT sums and the invoice text ----------------------------------------------------

TEST_F(Documents, VatSumsCoverEveryRateAndAddUpToTheTotal) {
  goods(1, "A", 1);
  goods(2, "B", 2);
  goods(3, "C", 1, 2);
  goods(4, "D", 25);
  goods(5, "E", 99);  // a rate no longer in the table
  document(1, "1/FV/2026");
  line(1, 1, 1, 12.30, 2);
  line(2, 2, 1, 10.80, 1);
  line(3, 3, 1, 100.00, 1);
  line(4, 4, 1, 105.00, 1);
  line(5, 5, 1, 12.20, 1);
  std::string text;
  mgs_pdf_Faktura_towary(text, 1, 0);
  const Transakcje_sumy_VAT& s = mgs_Transakcje_sumy_VAT;
  EXPECT_DOUBLE_EQ(s.total.brutto, 252.60);
  EXPECT_DOUBLE_EQ(s.total.netto, 221.30);
  EXPECT_DOUBLE_EQ(s.total.vat, 31.30);
  EXPECT_DOUBLE_EQ(s.total.brutto_uslugi, 100.00);
  EXPECT_DOUBLE_EQ(s.total.brutto_czesci, 152.60);
  struct Want {
    uint32_t rate;
    double netto, vat, brutto;
  } want[] = {{1, 101.30, 23.30, 124.60}, {2, 10.00, 0.80, 10.80}, {25, 100.00, 5.00, 105.00}, {99, 10.00, 2.20, 12.20}};
  double netto = 0, vat = 0, brutto = 0;
  for (const Want& w : want) {
    ASSERT_EQ(s.rates.count(w.rate), 1u) << w.rate;
    EXPECT_DOUBLE_EQ(s.rates.at(w.rate).netto, w.netto) << w.rate;
    EXPECT_DOUBLE_EQ(s.rates.at(w.rate).vat, w.vat) << w.rate;
    EXPECT_DOUBLE_EQ(s.rates.at(w.rate).brutto, w.brutto) << w.rate;
    netto += w.netto;
    vat += w.vat;
    brutto += w.brutto;
  }
  EXPECT_NEAR(netto, s.total.netto, 0.001);
  EXPECT_NEAR(vat, s.total.vat, 0.001);
  EXPECT_NEAR(brutto, s.total.brutto, 0.001);
  EXPECT_TRUE(std::regex_search(text, std::regex(" 5% +100,00 +5,00 +105,00\n"))) << text;
  EXPECT_TRUE(std::regex_search(text, std::regex("razem: +221,30 +31,30 +252,60\n"))) << text;
}

TEST_F(Documents, ReceiptModeHasNoVatColumnsAndOneCopyMarker) {
  goods(1, "Filtr powietrza o bardzo długiej nazwie handlowej z kodem", 1);
  document(1, "3/FV/2026");
  line(1, 1, 1, 12.30, 2);
  std::string text;
  mgs_pdf_Transakcje_Faktura(text, 1, 1);
  EXPECT_TRUE(has(text, "(oryginał)\n")) << text;
  // A label past 32 characters goes on below; the rest past 64 is left out.
  EXPECT_TRUE(has(text, " 1 Filtr powietrza o bardzo długiej  2 szt. 23%    10,00     12,30    20,00    24,60\n"))
      << text;
  EXPECT_TRUE(has(text, "\n    nazwie handlowej z kodem\n"));
  EXPECT_TRUE(has(text, "Do zapłaty:  24,60 zł\n"));

  rachunki_zamiast_faktur = 1;
  Faktura_oryginal_kopia = 0;
  text.clear();
  mgs_pdf_Transakcje_Faktura(text, 1, 1);
  EXPECT_TRUE(has(text, "(oryginał / kopia)\n")) << text;
  EXPECT_TRUE(has(text, "długiej  2 szt.     12,30    24,60\n")) << text;
  EXPECT_TRUE(has(text, std::string(48, ' ') + "Razem:   24,60\n\n")) << text;
  EXPECT_FALSE(has(text, "w tym"));
}

TEST_F(Documents, LongInvoicesContinueWithTheTotalOnTheLastPage) {
  goods(1, "A", 1);
  document(1, "1/FV/2026");
  for (uint32_t i = 1; i <= 100; ++i) line(i, 1, 1, 1.00, 1);
  const std::vector<std::string> pages = mgs_pdf_Transakcje_Faktura_pages(1, 1, 50);
  ASSERT_GE(pages.size(), 3u);
  int rows = 0;
  for (std::size_t p = 0; p < pages.size(); ++p) {
    const std::string& t = pages[p];
    int lines = 0;
    for (char c : t) lines += c == '\n';
    EXPECT_LE(lines, 50) << p;
    EXPECT_EQ(has(t, "Do zapłaty"), p + 1 == pages.size()) << p;
    EXPECT_EQ(has(t, "podpis osoby upoważnionej"), p + 1 == pages.size()) << p;
    EXPECT_TRUE(has(t, "Faktura VAT nr 1/FV/2026\n")) << p;
    for (std::size_t at = t.find(" szt. 23%"); at != std::string::npos; at = t.find(" szt. 23%", at + 1)) ++rows;
  }
  EXPECT_EQ(rows, 100);
}

TEST_F(Documents, DossierListShowsTheWarrantyTextForFreeLines) {
  goods(1, "Filtr", 1);
  goods(2, "Robocizna", 1, 2);
  document(1, "0/0000", 1, 1);
  line(1, 1, 1, 0.00, 1);
  line(2, 2, 1, 123.00, 2);
  std::string text;
  mgs_pdf_Transakcje_Dossier(text, 1);
  EXPECT_TRUE(has(text, " 1 K1     Filtr                                       1 szt.w ramach gwarancji\n")) << text;
  EXPECT_TRUE(has(text, " 2 K2     Robocizna                                   2 szt.   123,00   246,00\n")) << text;
  EXPECT_TRUE(has(text, "Całkowity koszt: 246,00 zł\n"));
  EXPECT_TRUE(has(text, "Słownie:  zł dwieście czterdzieści sześć\n"));
  EXPECT_TRUE(has(text, "    Sporządził" + std::string(31, ' ') + "Odebrał\n"));
}

TEST_F(Documents, WhoMayPrintADocument) {
  // Repair 4 of document 1: repairer 1 (firm 10), receiving employee 1 (firm 11).
  Naprawy_wykonawcy w{1, 10};
  ASSERT_EQ(Naprawy_wykonawcy_tab_insert(_mgs->_Naprawy_wykonawcy_tab, &w), 0);
  Naprawy_przyjmujacy p{1, 11};
  ASSERT_EQ(Naprawy_przyjmujacy_tab_insert(_mgs->_Naprawy_przyjmujacy_tab, &p), 0);
  Naprawy r{};
  blank_texts(r);
  r.Id = 4;
  r.Id_Transakcje = 1;
  r.Id_Naprawy_wykonawcy = 1;
  r.Id_Naprawy_przyjmujacy = 1;
  ASSERT_EQ(Naprawy_tab_insert(_mgs->_Naprawy_tab, &r), 0);
  document(1, "1/FV/2026");
  document(2, "2/FV/2026");
  struct Case {
    uint32_t doc, user;
    int admin, worker_as_admin, want;
  } cases[] = {
      {1, 12, 1, 0, 1}, {2, 12, 1, 0, 1},  // administrators
      {1, 10, 0, 0, 1}, {1, 11, 0, 0, 1},  // the repair's repairer and receiving employee
      {1, 12, 0, 0, 0},                    // another worker
      {1, 12, 0, 1, 1},                    // workers as administrators, through the repair
      {2, 10, 0, 1, 0},                    // a document of no repair
  };
  for (const Case& c : cases)
    EXPECT_EQ(mgs_Transakcje_allow(c.doc, c.user, c.admin, c.worker_as_admin), c.want)
        << c.doc << " " << c.user << " " << c.admin << " " << c.worker_as_admin;
}

}  // namespace
