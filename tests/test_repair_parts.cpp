// The parts, services and complaint of a repair.  Over HTTP with the table
// files as the oracle: parts picked from the catalogue and added to a repair
// (its sale document made on the first, linked to the repair), counts changed
// and lines removed with the stock moving by the difference, the repair's
// cost following, lines of other documents left alone, and a user without
// rights to the repair refused on every page.  Inside one process: the
// complaint lines saved as external-service rows, and the ticked services
// taken over once into the repair's sale document.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "db/mgs.hpp"
#include "lib/convert.hpp"
#include "mages/glue_impl.hpp"
#include "mages/goods/mgs_Towary0.hpp"
#include "mages/goods/mgs_Towary_transakcje.hpp"
#include "mages/repairs/mgs_Naprawy_czesci.hpp"
#include "mages/repairs/mgs_Naprawy_reklamacje.hpp"
#include "pagemgr/pagemgr.hpp"
#include "platform/textfile.hpp"
#include "server/oo_texts.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "tests/kal_pages.hpp"
#include "tests/sess_env.hpp"

namespace {

using kal::pages::has;
using kal::pages::kHead;
using kal::pages::Params;
using kal::pages::Site;


// Part P (10 in stock, all in warehouse 1, 10.00 net at 23 %), the services
// S (81.30 net) and R (40.65 net), part F; repair 5 of client 2 in repair (state 3), without
// a sale document; sale 1 of another client with one line of F.
const std::string kGoods = std::string(kHead) +
                           " 1 'Klocki P' '' 'KP' '' '' 6.00 0.00 0.00 10.00 10.00 '' 1 1 1 0.00 0.00 0 0 0 0\r\n"
                           " 2 'Wymiana S' '' 'WS' '' '' 0.00 0.00 0.00 81.30 0.00 '' 1 2 1 0.00 0.00 0 0 0 0\r\n"
                           " 3 'Filtr F' '' 'FF' '' '' 5.00 0.00 0.00 10.00 4.00 '' 1 1 1 0.00 0.00 0 0 0 0\r\n"
                           " 4 'Regulacja R' '' 'RR' '' '' 0.00 0.00 0.00 40.65 0.00 '' 1 2 1 0.00 0.00 0 0 0 0\r\n";
const std::string kStock = std::string(kHead) + " 1 10.00 1 1\r\n 2 4.00 3 1\r\n";
const std::string kRepair = std::string(kHead) +
                            " 5 '5/2026' 1740000000 2 1 1 0 3 'Piszczy' 0 0.00 0 0 0 0 '' 0 0.00 0 0 '' '' '' '' '' "
                            "'' '' '' '' 0\r\n";
const std::string kSale = std::string(kHead) +
                          " 1 '1/FV/2026' 1740000000 1740000000 12.30 '' 5 1 1 1740000000 N N 0.00 0 0\r\n";
const std::string kSaleLines = std::string(kHead) + " 1 3 1 12.30 1.00 1\r\n";

std::string users_file() {
  Users_tab* tab = Users_tab_new();
  for (const auto& [id, name, type] : {std::tuple<unsigned, const char*, unsigned>{1, "szef", 1}, {7, "jan", 2}}) {
    Users row{};
    row.Id = id;
    row.user_name = name;
    row.user_passwd = "tajne";
    row.created_time = 1700000000;
    row.Id_User_types = type;
    Users_tab_insert(tab, &row);
  }
  kal::TextOut out;
  Users_tab_save(out, tab);
  Users_tab_delete(&tab);
  return kal::text_to_disk(out.text());
}

class RepairParts : public ::testing::Test {
 protected:
  void start(const std::string& user = "szef", const std::string& password = "tajne") {
    site_ = std::make_unique<Site>(std::vector<std::pair<std::string, std::string>>{
        {"dat/Towary.dat", kGoods},
        {"dat/Towary_magazyn.dat", kStock},
        {"dat/Naprawy.dat", kRepair},
        {"dat/Transakcje.dat", kSale},
        {"dat/Towary_transakcje.dat", kSaleLines},
        {"dat/Users.dat", users_file()},
        {"dat/User_types.dat", " 1 'administrator'\r\n 2 'pracownik'\r\n"}});
    ASSERT_TRUE(site_->start(user, password)) << site_->log() << site_->last();
  }
  std::string parts(Params fields) {
    fields.insert(fields.begin(), {"Naprawy_Id", "5"});
    if (fields.size() < 2 || fields[1].first != "n_25") fields.insert(fields.begin() + 1, {"n_25", "e"});
    return site_->post(fields, "/czesci_uslugi.htm");
  }
  // Adds goods x count at price on the parts page, as its form posts it.
  std::string add(const char* goods, const char* count, const char* price) {
    const std::string page = parts({});
    std::smatch m;
    std::regex_search(page, m, std::regex("NAME=\"Towary_transakcje_stan\" VALUE=\"([^\"]*)\""));
    return parts({{"n_25", site_->setting("Dodaj_towar_usluge_button")},
                  {"Towary_transakcje_stan", m[1]},
                  {"Towary_transakcje_Id_Towary", goods},
                  {"Towary_transakcje_liczba_sztuk", count},
                  {"Towary_transakcje_brutto", price}});
  }
  std::map<unsigned, std::vector<std::string>> table(const char* name) { return kal::pages::records(site_->dat(name)); }
  // The goods' total and the sum of its warehouse rows.
  std::string stock(unsigned goods) {
    double sum = 0;
    for (const auto& [id, r] : table("Towary_magazyn"))
      if (std::stoul(r[2]) == goods) sum += std::stod(r[1]);
    char text[64];
    std::snprintf(text, sizeof text, "%s/%.2f", table("Towary").at(goods)[10].c_str(), sum);
    return text;
  }
  std::string cost() { return table("Naprawy").at(5)[17]; }
  std::string document() { return table("Naprawy").at(5)[16]; }

  std::unique_ptr<Site> site_;
};

TEST_F(RepairParts, PartsMoveTheStockAndTheRepairsCostFollowsItsDocument) {
  start();
  std::string page = parts({});
  EXPECT_TRUE(has(page, "Naprawa nr 5/2026. - Części i usługi")) << page;
  // The catalogue in the parts mode links back to this page.
  page = site_->post({{"n_8", site_->setting("Wybierz_czesc_button")}}, "/towary.htm");
  EXPECT_TRUE(has(page, "HREF=\"p?n_25=e&Towary_transakcje_Id_Towary=1&")) << page;
  EXPECT_FALSE(has(page, "Towary_transakcje_Id_Towary=2&")) << "services are not parts";
  page = site_->get("/p", {{"n_25", "e"}, {"Towary_transakcje_Id_Towary", "1"}});
  EXPECT_TRUE(has(page, "Klocki P 12,30 zł")) << page;

  // P x 2 at 12.30: the sale document is made and linked, the cost follows.
  add("1", "2", "12,30");
  const auto docs = table("Transakcje");
  ASSERT_EQ(docs.size(), 2u) << site_->dat("Transakcje");
  EXPECT_EQ(docs.at(2)[1], "0/0000");
  EXPECT_EQ(docs.at(2)[4], "24.60");
  EXPECT_EQ(docs.at(2)[6], "2") << "the repair's client";
  EXPECT_EQ(docs.at(2)[7], "1") << "a sale";
  EXPECT_EQ(document(), "2");
  EXPECT_EQ(cost(), "24.60");
  EXPECT_EQ(stock(1), "8.00/8.00");
  unsigned line = 0;
  for (const auto& [id, l] : table("Towary_transakcje"))
    if (l[2] == "2") line = id;
  ASSERT_NE(line, 0u);
  // The goods' page lists the repair that uses it; the repairs' page size
  // setting is as it was.
  const std::string settings = site_->file("ustawienia.txt");
  page = site_->post({{"n_17", "e"}, {"Towary_Id", "1"}}, "/towar.htm");
  EXPECT_TRUE(has(page, "5/2026")) << page;
  EXPECT_FALSE(has(site_->post({{"n_17", "e"}, {"Towary_Id", "3"}}, "/towar.htm"), "5/2026"));
  EXPECT_EQ(site_->file("ustawienia.txt"), settings);
  // The same page sent again adds nothing.
  page = parts({{"n_25", site_->setting("Dodaj_towar_usluge_button")},
                {"Towary_transakcje_stan", "0:0"},
                {"Towary_transakcje_Id_Towary", "1"},
                {"Towary_transakcje_liczba_sztuk", "2"},
                {"Towary_transakcje_brutto", "12,30"}});
  EXPECT_EQ(table("Towary_transakcje").size(), 2u);
  EXPECT_EQ(stock(1), "8.00/8.00");

  // Three instead of two: one more out.
  parts({{"n_25", site_->setting("Przelicz_button")},
         {"Towary_transakcje_Id.1", std::to_string(line)},
         {"Towary_transakcje_brutto.1", "12,30"},
         {"Towary_transakcje_sztuk.1", "3"}});
  EXPECT_EQ(stock(1), "7.00/7.00");
  EXPECT_EQ(cost(), "36.90");
  // Removed: all back, the cost 0.
  parts({{"n_25", site_->setting("Usun_sp_button") + "1."}, {"Usun_Id_Towary_transakcje.1", std::to_string(line)}});
  EXPECT_EQ(table("Towary_transakcje").count(line), 0u);
  EXPECT_EQ(stock(1), "10.00/10.00");
  EXPECT_EQ(cost(), "0.00");

  // A service keeps no total; three at 1.15 are 3.45 exactly.
  add("2", "3", "1,15");
  EXPECT_EQ(table("Towary").at(2)[10], "0.00");
  EXPECT_EQ(cost(), "3.45");
  EXPECT_EQ(table("Transakcje").at(2)[4], "3.45");

  // Another document's line posted in a row of this one: nothing moves.
  const std::string lines = site_->dat("Towary_transakcje"), goods = site_->dat("Towary");
  parts({{"n_25", site_->setting("Usun_sp_button") + "1."}, {"Usun_Id_Towary_transakcje.1", "1"}});
  parts({{"n_25", site_->setting("Przelicz_button")},
         {"Towary_transakcje_Id.1", "1"},
         {"Towary_transakcje_sztuk.1", "9"}});
  EXPECT_EQ(site_->dat("Towary_transakcje"), lines);
  EXPECT_EQ(site_->dat("Towary"), goods);
  EXPECT_EQ(table("Transakcje").at(1)[4], "12.30");

  // An Id that names no repair adds nothing and makes no document.
  const std::string docs_before = site_->dat("Transakcje");
  page = site_->post({{"Naprawy_Id", "99"},
                      {"n_25", site_->setting("Dodaj_towar_usluge_button")},
                      {"Towary_transakcje_Id_Towary", "1"},
                      {"Towary_transakcje_liczba_sztuk", "1"},
                      {"Towary_transakcje_brutto", "12,30"}},
                     "/czesci_uslugi.htm");
  EXPECT_TRUE(has(page, "Brak naprawy Id=99")) << page;
  EXPECT_EQ(site_->dat("Transakcje"), docs_before);
  EXPECT_EQ(stock(1), "10.00/10.00");
}

TEST_F(RepairParts, ServicesTickedOnTheirPageBecomeLinesOfTheRepairWhenItIsFinished) {
  start();
  add("1", "2", "12,30");  // a part: the document and its first line
  // The services page: S and R ticked, back to the repair's page.
  Params ticked = kal::pages::form_fields(site_->post({{"Naprawy_Id", "5"}, {"n_26", "n"}}, "/uslugi_do_naprawy.htm"));
  ticked.push_back({"Naprawy_uslugi_Id_Towary.2", "2"});
  ticked.push_back({"Naprawy_uslugi_Id_Towary.4", "4"});
  ticked.push_back({"n_31", site_->setting("Powrot_do_Naprawy_button")});
  site_->post(ticked, "/naprawa.htm");
  EXPECT_EQ(table("Towary_transakcje").size(), 2u) << "nothing before the end of the repair";

  // Finished: one line each after the part's, the total and the cost follow,
  // the services keep no stock and the part's stays.
  Params finish = kal::pages::form_fields(site_->get("/naprawa.htm", {{"n_31", "e"}, {"Naprawy_Id", "5"}}));
  finish.push_back({"n_31", site_->setting("Zakoncz_Naprawe_button")});
  site_->post(finish, "/naprawa.htm");
  std::vector<std::vector<std::string>> lines;
  for (const auto& [id, l] : table("Towary_transakcje"))
    if (l[2] == "2") lines.push_back(l);
  ASSERT_EQ(lines.size(), 3u) << site_->dat("Towary_transakcje");
  EXPECT_EQ(lines[0][1], "1");
  EXPECT_EQ(lines[1][1], "2");
  EXPECT_EQ(lines[1][3], "100.00");
  EXPECT_EQ(lines[1][4], "1.00");
  EXPECT_EQ(lines[2][1], "4");
  EXPECT_EQ(lines[2][3], "50.00");
  EXPECT_EQ(lines[2][4], "1.00");
  EXPECT_EQ(table("Transakcje").at(2)[4], "174.60");
  EXPECT_EQ(cost(), "174.60");
  EXPECT_EQ(table("Naprawy").at(5)[7], "6");
  EXPECT_EQ(stock(1), "8.00/8.00");
  EXPECT_EQ(table("Towary").at(2)[10], "0.00");
  EXPECT_EQ(table("Towary").at(4)[10], "0.00");

  // Finished again, the page reloaded: nothing more.
  const std::string after = site_->dat("Towary_transakcje") + site_->dat("Transakcje") + site_->dat("Towary");
  site_->post(finish, "/naprawa.htm");
  site_->get("/naprawa.htm", {{"n_31", "e"}, {"Naprawy_Id", "5"}});
  EXPECT_EQ(site_->dat("Towary_transakcje") + site_->dat("Transakcje") + site_->dat("Towary"), after);
  EXPECT_EQ(cost(), "174.60");
}

// The first part of a repair with a count or price beyond what the money
// format holds: refused in red, and no sale document is made for it.
TEST_F(RepairParts, AFirstPartBeyondTheMoneyFormatMakesNoDocument) {
  start();
  const std::vector<std::string> tables = {"Transakcje", "Towary_transakcje", "Towary", "Towary_magazyn", "Naprawy"};
  auto files = [&] {
    std::vector<std::string> out;
    for (const std::string& t : tables) out.push_back(site_->dat(t));
    return out;
  };
  const auto before = files();
  for (const auto& [count, price] : {std::pair{"1", "1e300"}, {"1e300", "12,30"}, {"100000000", "12,30"}}) {
    SCOPED_TRACE(std::string(count) + " x " + price);
    const std::string page = add("1", count, price);
    EXPECT_TRUE(has(page, "Nowa pozycja: ")) << page;
    EXPECT_TRUE(has(page, " - nic nie zostało zapisane !")) << page;
    EXPECT_EQ(files(), before);
  }
  add("1", "2", "12,30");
  EXPECT_EQ(document(), "2");
}

TEST_F(RepairParts, AUserWithoutRightsToTheRepairIsRefusedOnEveryPage) {
  start("jan", "tajne");
  const std::vector<std::string> files = {"Towary", "Towary_transakcje", "Transakcje", "Naprawy", "Serwis_zewnetrzny"};
  std::map<std::string, std::string> before;
  for (const auto& f : files) before[f] = site_->dat(f);
  const std::vector<Params> posts = {
      {{"Naprawy_Id", "5"},
       {"n_25", site_->setting("Dodaj_towar_usluge_button")},
       {"Towary_transakcje_Id_Towary", "1"},
       {"Towary_transakcje_liczba_sztuk", "1"},
       {"Towary_transakcje_brutto", "12,30"}},
      {{"Naprawy_Id", "5"}, {"n_26", "n"}, {"NaprawyNew_Naprawy_opis_naprawy", "cudzy opis"}},
      {{"Naprawy_Id", "5"},
       {"n_27", site_->setting("Dodaj_button")},
       {"Towary_transakcje_Id_Towary", "1"},
       {"Towary_transakcje_liczba_sztuk", "1"}},
  };
  for (const Params& p : posts) {
    const std::string page = site_->post(p, "/p.htm");
    EXPECT_TRUE(has(page, "Nie masz uprawnień do tej strony !")) << p[1].first << page;
    EXPECT_FALSE(has(page, "Klocki P")) << p[1].first;
  }
  for (const auto& f : files) EXPECT_EQ(site_->dat(f), before[f]) << f;

  // The administrator may; the services page stores the descriptions the
  // request carries, and only those.
  ASSERT_TRUE(site_->log_in("szef", "tajne"));
  std::string page = site_->post({{"Naprawy_Id", "5"}, {"n_26", "n"}, {"NaprawyNew_Naprawy_opis_naprawy", "Nowe klocki"}});
  EXPECT_TRUE(has(page, "NAME=\"Naprawy_uslugi_Id_Towary.2\"")) << page;
  EXPECT_FALSE(has(page, "Naprawy_uslugi_Id_Towary.1\"")) << "parts are no services";
  EXPECT_EQ(table("Naprawy").at(5)[15], "Nowe klocki");
  EXPECT_EQ(table("Naprawy").at(5)[8], "Piszczy");
}

// --- inside one process ----------------------------------------------------------------------

using namespace sess_env;

const char kCode[] = "0123456789abcdef0123456789abcdef";

class RepairLists : public ::testing::Test {
 protected:
  void SetUp() override {
    oo_texts_set_lang(0);
    setMGS_DATA_PATH("dat");
    _mgs = mgs_new();
    ASSERT_NE(_mgs, nullptr);
    Stawki_VAT rate{1, "23%", "23"};
    ASSERT_EQ(Stawki_VAT_tab_insert(_mgs->_Stawki_VAT_tab, &rate), 0);
    goods(1, "Klocki", 1, 10.00, 10);
    goods(2, "Wymiana", 2, 81.30, 0);
    goods(3, "Regulacja", 2, 40.65, 0);
    Naprawy r{};
    vtab_meta<Naprawy>::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (F::letter == 's') F::of(r) = "";
    });
    r.Id = 5;
    r.numer = "5/2026";
    r.Id_Firmy__klient = 2;
    r.Id_Naprawy_stany = 3;
    ASSERT_EQ(Naprawy_tab_insert(_mgs->_Naprawy_tab, &r), 0);
  }
  void TearDown() override {
    mgs_delete(&_mgs);
    setMGS_DATA_PATH("dat");
  }
  static void goods(uint32_t id, const char* name, uint32_t type, double sale, double stock) {
    Towary g{};
    vtab_meta<Towary>::for_each_field([&](auto f) {
      using F = decltype(f);
      if constexpr (F::letter == 's') F::of(g) = "";
    });
    g.Id = id;
    g.nazwa = name;
    g.Id_Stawki_VAT = 1;
    g.Id_Towary_typy = type;
    g.cena_sprzedazy = sale;
    g.liczba_sztuk = stock;
    ASSERT_EQ(Towary_tab_insert(_mgs->_Towary_tab, &g), 0);
  }
  std::string page(const std::function<void()>& body, const Params& post = {}) {
    std::string out;
    request({{"sess_code", kCode}}, post, [&] { out = appended(body); });
    return out;
  }
  std::string var(const std::string& name) {
    std::string v;
    page([&] { v = var_s(name.c_str()); });
    return v;
  }
  static const Naprawy& repair() { return *Naprawy_tab_get_Id(_mgs->_Naprawy_tab, 5, VTAB_CMP_EQUAL); }

  InstallDir dir;
  Settings settings{{{"Logowanie_timeout", "3600"},
                     {"Typ_towaru_uslugi", "2"},
                     {"zl_text", "zł"},
                     {"Usun_sp_button", "Usuń "},
                     {"Dodaj_button", "Dodaj"},
                     {"worker_as_admin", "1"}}};
  PageManager pm;
};

TEST_F(RepairLists, ComplaintLinesBecomeRowsOfTheRepairAndASaleInProgressStays) {
  // A sale being entered in the same session: one line.
  page([] { mgs_Towary_transakcje_append(1); },
       {{"Towary_transakcje_Id_Towary", "1"}, {"Towary_transakcje_liczba_sztuk", "4"}});
  // Three complaint lines, the second removed and added again.
  const char* damage[] = {"pęknięte", "zużyte <bardzo>", "brak"};
  for (int i = 0; i < 3; ++i)
    page([] { mgs_Naprawy_reklamacje("Dodaj"); }, {{"Naprawy_Id", "5"},
                                                   {"Towary_transakcje_Id_Towary", std::to_string(i + 1)},
                                                   {"Towary_transakcje_liczba_sztuk", std::to_string(i + 1)},
                                                   {"Serwis_zewnetrzny_cechy_uszkodzenia", damage[i]}});
  std::string out = page([] { mgs_Naprawy_reklamacje("n"); }, {{"Naprawy_Id", "5"}});
  EXPECT_TRUE(has(out, "zużyte &lt;bardzo&gt;")) << out;
  EXPECT_EQ(var("Towary_transakcje_count.r"), "3");
  page([] { mgs_Naprawy_reklamacje("Usuń 2."); }, {{"Naprawy_Id", "5"}});
  EXPECT_EQ(var("Towary_transakcje_Id_Towary.1r"), "3") << "the third line moves up";
  page([] { mgs_Naprawy_reklamacje("Dodaj"); }, {{"Naprawy_Id", "5"},
                                                 {"Towary_transakcje_Id_Towary", "2"},
                                                 {"Towary_transakcje_liczba_sztuk", "2"},
                                                 {"Serwis_zewnetrzny_cechy_uszkodzenia", damage[1]}});

  page([] { reklamacje_zapis(); }, {{"Naprawy_Id", "5"}});
  const std::string file = read_bytes("dat/Serwis_zewnetrzny.dat");
  EXPECT_TRUE(has(file, " 1 5 1 1.00 'pęknięte'\r\n 2 5 3 3.00 'brak'\r\n 3 5 2 2.00 'zużyte <bardzo>'\r\n")) << file;
  EXPECT_EQ(var("Towary_transakcje_count.r"), "");
  // Saved again: nothing more.
  page([] { reklamacje_zapis(); }, {{"Naprawy_Id", "5"}});
  EXPECT_EQ(read_bytes("dat/Serwis_zewnetrzny.dat"), file);
  // The sale in progress is as it was.
  EXPECT_EQ(var("Towary_transakcje_count.s"), "1");
  EXPECT_EQ(var("Towary_transakcje_Id_Towary.0s"), "1");
  EXPECT_EQ(var("Towary_transakcje_liczba_sztuk.0s"), "4");
}

TEST_F(RepairLists, TickedServicesBecomeLinesOfTheRepairOnceWhenItIsFinished) {
  // The services page shows the services; two are ticked and sent on to
  // the parts page.
  std::string out = page([] {
    std::string button;
    mgs_Naprawy_uslugi(0, button, "n");
  }, {{"Naprawy_Id", "5"}});
  EXPECT_TRUE(has(out, "NAME=\"Naprawy_uslugi_Id_Towary.3\"")) << out;
  EXPECT_FALSE(has(out, "Naprawy_uslugi_Id_Towary.1\""));
  page([] {
    std::string button;
    mgs_Naprawy_czesci(button, "e");
  }, {{"Naprawy_Id", "5"}, {"Naprawy_uslugi", "1"}, {"Naprawy_uslugi_Id_Towary.2", "2"}, {"Naprawy_uslugi_Id_Towary.3", "3"}});

  double sum = -1;
  page([&] { mgs_Naprawy_uslugi_Transakcje_append(&sum); }, {{"Naprawy_Id", "5"}});
  EXPECT_EQ(sum, 150.0);
  EXPECT_EQ(_mgs->_Towary_transakcje_tab->size, 0) << "a sum changes nothing";

  int added = 0;
  page([&] { added = mgs_Naprawy_uslugi_Transakcje_append(nullptr); }, {{"Naprawy_Id", "5"}});
  EXPECT_EQ(added, 2);
  ASSERT_NE(repair().Id_Transakcje, 0u);
  EXPECT_EQ(repair().koszt_naprawy, 150.0);
  const Transakcje* doc = Transakcje_tab_get_Id(_mgs->_Transakcje_tab, repair().Id_Transakcje, VTAB_CMP_EQUAL);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->laczna_wartosc, 150.0);
  EXPECT_EQ(std::string(doc->numer.c_str()), "0/0000");
  // Once: the boxes are cleared.
  page([&] { added = mgs_Naprawy_uslugi_Transakcje_append(nullptr); }, {{"Naprawy_Id", "5"}});
  EXPECT_EQ(added, 0);
  EXPECT_EQ(repair().koszt_naprawy, 150.0);
  EXPECT_EQ(var("Naprawy_uslugi_Id_Towary.2"), "");
}

}  // namespace
