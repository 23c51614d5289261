// The warranty protocol of a repair on the real program: the rows of page 13
// (added, copied from the sale document, updated and removed only when they
// are the repair's own), the print view and the parts list padded
// by the setting, their variables, and the access rule.  Small templates that
// print a marker per row stand in for the shipped ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "db/all_tables.hpp"
#include "mages/equipment/mgs_Protokol.hpp"
#include "pagemgr/pagemgr.hpp"
#include "tests/kal_pages.hpp"
#include "tests/kal_table_files.hpp"

namespace {

using kal::pages::has;
using kal::pages::Params;
using kal::pages::Site;
using kal::tables::blank;
using kal::tables::table_file;

std::size_t count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

std::string settings(const std::string& rows) {
  std::string s = kal::pages::read_file(KAL_SOURCE_DIR "/data/ustawienia.txt");
  const std::string key = "\nProtokol_liczba_czesci ";
  const std::size_t at = s.find(key);
  s.replace(at + key.size(), s.find('\r', at + 1) - at - key.size(), rows);
  return s;
}

Towary goods(std::uint32_t id, const char* name, const char* kod) {
  Towary g = blank<Towary>();
  g.Id = id, g.nazwa = name, g.kod = kod, g.PKWiU = "28.1", g.Id_Stawki_VAT = 1, g.Id_Towary_typy = 1;
  return g;
}

Naprawy repair(std::uint32_t id, std::uint32_t doc, const char* kolor) {
  Naprawy r = blank<Naprawy>();
  r.Id = id, r.numer = id == 1 ? "1/2024" : "2/2024", r.Id_Naprawy_stany = 3, r.Id_Firmy__klient = 3;
  r.Id_Towary__przyjety = 1, r.Id_Naprawy_typy = 1, r.Id_Transakcje = doc, r.kolor = kolor;
  r.data_wplywu = 1706745600, r.data_zakonczenia_rzeczywista = 1709251200;  // 01.02.2024, 01.03.2024
  r.nr_rej = "WX 1";
  return r;
}

Serwis_zewnetrzny row(std::uint32_t id, std::uint32_t rep, std::uint32_t g, double n, const char* text) {
  Serwis_zewnetrzny r = blank<Serwis_zewnetrzny>();
  r.Id = id, r.Id_Naprawy = rep, r.Id_Towary__serwis_zewnetrzny = g, r.liczba_sztuk = n, r.cechy_uszkodzenia = text;
  return r;
}

std::vector<std::pair<std::string, std::string>> files(const std::string& rows) {
  Towary model = goods(1, "Ciągnik C-330", "C330");
  model.Id_Towary_typy = 3;
  Transakcje doc = blank<Transakcje>();
  doc.Id = 7, doc.numer = "FV 7", doc.Id_Firmy = 3, doc.Id_Transakcje_typy = 1;
  Towary_transakcje l1 = blank<Towary_transakcje>(), l2 = blank<Towary_transakcje>();
  l1.Id = 1, l1.Id_Transakcje = 7, l1.Id_Towary = 10, l1.cena = 12.30, l1.liczba_sztuk = 2;
  l2.Id = 2, l2.Id_Transakcje = 7, l2.Id_Towary = 11, l2.cena = 5.00, l2.liczba_sztuk = 1;
  Naprawy_wykonawcy w{};
  w.Id = 1, w.Id_Firmy = 5;
  Users admin = blank<Users>(), worker = blank<Users>();
  admin.Id = 1, admin.user_name = "szef", admin.user_passwd = "tajne", admin.Id_User_types = 1;
  worker.Id = 5, worker.user_name = "jan", worker.user_passwd = "tajne", worker.Id_User_types = 2;
  return {
      {"dat/Firmy.dat", kal::pages::firms_file({{1, "Nasz serwis"}, {2, "Klient detaliczny"}, {3, "Alfa"}, {5, "Jan"}})},
      {"dat/Towary.dat", table_file(std::vector<Towary>{model, goods(10, "Filtr", "F1"), goods(11, "Pasek", "P2")})},
      {"dat/Transakcje.dat", table_file(std::vector<Transakcje>{doc})},
      {"dat/Towary_transakcje.dat", table_file(std::vector<Towary_transakcje>{l1, l2})},
      {"dat/Naprawy.dat", table_file(std::vector<Naprawy>{repair(1, 7, "01.02.2024"), repair(2, 0, "czerwony")})},
      {"dat/Naprawy_wykonawcy.dat", table_file(std::vector<Naprawy_wykonawcy>{w})},
      {"dat/Serwis_zewnetrzny.dat", table_file(std::vector<Serwis_zewnetrzny>{row(1, 1, 10, 2, "pęknięty"),
                                                                             row(2, 2, 11, 1, "obcy"),
                                                                             row(3, 1, 11, 1, "zużyty")})},
      {"dat/Users.dat", table_file(std::vector<Users>{admin, worker})},
      {"dat/User_types.dat", " 1 'administrator'\r\n 2 'pracownik'\r\n 3 'inny'\r\n"},
      {"ustawienia.txt", settings(rows)},
      {"Zgloszenie.htm", "HEAD QQ$uzytkowania_dni|QQ$data_zakupu|QQ$Nazwa_sprzetu|QQ$KLIENT_Firmy_nazwa|QQ$czesc_0_nazwa "
                         "QQ$czesc_0_netto QQ$czesc_0_brutto|QQ$czesc_1_kod\n"},
      {"Zgloszenie_row.htm", "[ROW QQ$cell_Lp|QQ$cell_nazwa|QQ$cell_sztuk|QQ$cell_cechy ]\n"},
      {"Zgloszenie_end.htm", "END\n"},
      {"Specyfikacja.htm", "SPEC QQ$uzytkowania_dni\n"},
      {"Specyfikacja_row.htm", "[SROW QQ$cell_Lp|QQ$cell_cena ]\n"},
      {"Specyfikacja_end.htm", "SUM QQ$Specyfikacja_suma\n"},
      {"KartaUruchomienia.htm", "KARTA QQ$PROTOKOL_Naprawy_numer\n"},
  };
}

// The data lines of a table file.
std::vector<std::string> lines(const std::string& file) {
  std::vector<std::string> out;
  std::size_t pos = file.find('\n');
  while (pos != std::string::npos && pos + 1 < file.size()) {
    const std::size_t end = file.find('\n', pos + 1);
    std::string l = file.substr(pos + 1, end == std::string::npos ? std::string::npos : end - pos - 1);
    if (!l.empty() && l.back() == '\r') l.pop_back();
    if (!l.empty()) out.push_back(l);
    pos = end;
  }
  return out;
}

class Protokol : public ::testing::Test {
 protected:
  void start(const std::string& rows = "10") {
    site_ = std::make_unique<Site>(files(rows));
    ASSERT_TRUE(site_->start("szef", "tajne")) << site_->log() << site_->last();
  }
  std::string page13(const Params& more) {
    Params p{{"Naprawy_Id", "1"}};
    p.insert(p.end(), more.begin(), more.end());
    return site_->post(p, "/protokol.htm");
  }
  std::string view() { return site_->get("/Zgloszenie.htm", {{"n_13", "h"}, {"nomenu", "1"}, {"Naprawy_Id", "1"}}); }
  std::vector<std::string> rows() { return lines(site_->dat("Serwis_zewnetrzny")); }

  std::unique_ptr<Site> site_;
};

TEST_F(Protokol, PaddingFollowsTheSetting) {
  struct Case {
    const char* setting;
    std::size_t view_rows, spec_rows;
  };
  // Repair 1 has two rows and a document of two lines.
  for (const Case& c : {Case{"5", 10, 5}, Case{"12", 12, 12}, Case{"500", 200, 500}, Case{"-1", 200, 2},
                        Case{"99999999", 200, 1000}, Case{"abc", 10, 2}}) {
    start(c.setting);
    const std::string page = view();
    EXPECT_EQ(count(page, "[ROW "), c.view_rows) << c.setting;
    EXPECT_EQ(count(page, "[SROW "), c.spec_rows) << c.setting;
    EXPECT_TRUE(has(page, "END")) << c.setting;
    EXPECT_TRUE(has(page, "SUM 29,60")) << c.setting << page.substr(page.size() > 400 ? page.size() - 400 : 0);
    EXPECT_EQ(site_->stop(), 0);
  }
}

TEST_F(Protokol, PrintVariables) {
  start();
  const std::string page = view();
  EXPECT_TRUE(has(page, "HEAD 29||Ciągnik C-330|Alfa|Filtr 10,00 12,30|P2")) << page.substr(0, 2000);
  EXPECT_TRUE(has(page, "[ROW 1. |Filtr|2|pęknięty ]")) << page;
  EXPECT_TRUE(has(page, "[ROW 2. |Pasek|1|zużyty ]"));
  EXPECT_TRUE(has(page, "[ROW 3. ||| ]"));
  EXPECT_TRUE(has(page, "[SROW 1. |24,60 ]"));
  EXPECT_TRUE(has(page, "SPEC 29"));
  // Repair 2: its colour field is no date, so there are no days of use; it
  // has no sale document, so the parts list stops after its head.
  const std::string other = site_->get("/Zgloszenie.htm", {{"n_13", "h"}, {"nomenu", "1"}, {"Naprawy_Id", "2"}});
  EXPECT_TRUE(has(other, "HEAD |")) << other.substr(0, 2000);
  EXPECT_TRUE(has(other, "SPEC \n"));
  EXPECT_FALSE(has(other, "SUM"));
  // A printable form of its own template.
  EXPECT_TRUE(has(site_->post({{"n_241", "x"}, {"Naprawy_Id", "1"}}, "/p.htm"), "KARTA 1/2024"));
}

TEST_F(Protokol, RowsChangeOnlyWhenTheyAreTheRepairs) {
  start();
  const std::string zatwierdz = site_->setting("Zatwierdz_button");
  const std::string usun = site_->setting("Usun_sp_button");
  const std::vector<std::string> before = rows();

  // The Id of repair 2's row posted for removal and for an update changes nothing.
  page13({{"n_13", usun + "1."}, {"Usun_Id_Serwis_zewnetrzny.1", "2"}});
  page13({{"n_13", zatwierdz},
          {"Usun_Id_Serwis_zewnetrzny.1", "2"},
          {"Serwis_zewnetrzny_liczba_sztuk.1", "9"},
          {"Serwis_zewnetrzny_cechy_uszkodzenia.1", "cudzy"}});
  EXPECT_EQ(rows(), before);

  // An update matched by the row Ids, whatever their order on the page.
  page13({{"n_13", zatwierdz},
          {"Usun_Id_Serwis_zewnetrzny.1", "3"},
          {"Serwis_zewnetrzny_liczba_sztuk.1", "4"},
          {"Serwis_zewnetrzny_cechy_uszkodzenia.1", "wytarty"},
          {"Usun_Id_Serwis_zewnetrzny.2", "1"},
          {"Serwis_zewnetrzny_liczba_sztuk.2", "2,5"},
          {"Serwis_zewnetrzny_cechy_uszkodzenia.2", "pęknięty"},
          {"PROTOKOL_Naprawy_typ", "Usterka skrzyni"}});
  std::vector<std::string> now = rows();
  ASSERT_EQ(now.size(), 3u);
  EXPECT_TRUE(has(now[0], " 1 1 10 2.50 'pęknięty'")) << now[0];
  EXPECT_EQ(now[1], before[1]);
  EXPECT_TRUE(has(now[2], " 3 1 11 4.00 'wytarty'")) << now[2];
  EXPECT_TRUE(has(site_->dat("Naprawy"), "'Usterka skrzyni'"));

  // Removing its own row.
  page13({{"n_13", usun + "2."}, {"Usun_Id_Serwis_zewnetrzny.2", "3"}});
  EXPECT_EQ(rows().size(), 2u);

  // Adding needs a picked goods; copying takes the document's lines.
  page13({{"n_13", site_->setting("Dodaj_towar_usluge_button")}, {"Serwis_zewnetrzny_Id_Towary", "0"}});
  EXPECT_EQ(rows().size(), 2u);
  page13({{"n_13", site_->setting("Dodaj_towar_usluge_button")},
          {"Serwis_zewnetrzny_Id_Towary", "11"},
          {"Serwis_zewnetrzny_liczba_sztuk", "3"},
          {"Serwis_zewnetrzny_cechy_uszkodzenia", "<b>luz</b>"}});
  now = rows();
  ASSERT_EQ(now.size(), 3u);
  EXPECT_TRUE(has(now[2], " 3 1 11 3.00 '<b>luz</b>'")) << now[2];
  const std::string page = page13({{"n_13", site_->setting("Kopiuj_z_Dossier_button")}});
  EXPECT_EQ(rows().size(), 5u);
  EXPECT_FALSE(has(page, "<b>luz</b>")) << "stored text is escaped";
  EXPECT_TRUE(has(page, "&lt;b&gt;luz&lt;/b&gt;"));
}

TEST_F(Protokol, AWorkerWithoutTheRepairIsRefused) {
  start();
  ASSERT_TRUE(site_->log_in("jan", "tajne"));
  const std::vector<std::string> before = rows();
  const std::string usun = site_->setting("Usun_sp_button");
  for (const Params& p : {Params{{"n_13", usun + "1."}, {"Usun_Id_Serwis_zewnetrzny.1", "1"}}, Params{{"n_13", "h"}},
                          Params{{"n_85", "x"}}, Params{{"n_241", "x"}}}) {
    Params q = p;
    q.push_back({"Naprawy_Id", "1"});
    const std::string page = site_->post(q, "/protokol.htm");
    EXPECT_TRUE(has(page, "Nie masz uprawnień do tej strony")) << p[0].first;
    EXPECT_FALSE(has(page, "[ROW ")) << p[0].first;
    EXPECT_FALSE(has(page, "KARTA")) << p[0].first;
  }
  EXPECT_EQ(rows(), before);
}

TEST(ProtokolRules, PaddingAndSuffixes) {
  const std::tuple<const char*, int, int> pads[] = {
      {"0", 10, 0},    {"9", 10, 9},      {"10", 10, 10},  {"200", 200, 200}, {"201", 200, 201},
      {"-1", 200, 0},  {"5000", 200, 1000}, {"", 10, 0},   {"x", 10, 0},
  };
  for (const auto& [setting, view, spec] : pads) {
    EXPECT_EQ(kal::protokol_rows_view(setting), view) << setting;
    EXPECT_EQ(kal::protokol_rows_spec(setting), spec) << setting;
  }
  for (const char* ok : {"", "_C330", "a-b_9"}) EXPECT_TRUE(kal::protokol_suffix_ok(ok)) << ok;
  for (const char* bad : {"../x", "a/b", "a b", "x.htm", "ą"}) EXPECT_FALSE(kal::protokol_suffix_ok(bad)) << bad;
}

}  // namespace
