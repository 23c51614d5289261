// The repair list (page 6), the deleted repairs (page 101), the export files
// and the printed list, on the real program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "db/all_tables.hpp"
#include "lib/convert.hpp"
#include "pagemgr/pagemgr.hpp"
#include "pdf/ean13.hpp"
#include "platform/textfile.hpp"
#include "server/texts.hpp"
#include "tests/kal_pages.hpp"
#include "tests/kal_table_files.hpp"
#include "tests/pdf_testutil.hpp"

namespace {

using kal::tables::blank;
using kal::tables::table_file;
using kal::tables::users_file;
using kal::pages::Params;
using kal::pages::Site;
using Ids = std::vector<std::uint32_t>;

const std::int64_t kNow = static_cast<std::int64_t>(std::time(nullptr));
constexpr std::int64_t kDay = 86400;

struct Rep {
  std::uint32_t id;
  const char* numer;
  std::uint32_t state;
  std::int64_t wplyw;  // relative to now
  int flags = 0;
  const char* nr_rej = "";
};

Naprawy make(const Rep& d) {
  Naprawy r = blank<Naprawy>();
  r.Id = d.id;
  r.numer = d.numer;
  r.Id_Naprawy_stany = d.state;
  r.data_wplywu = kNow + d.wplyw;
  r.flags = d.flags;
  r.nr_rej = d.nr_rej;
  r.Id_Firmy__klient = 3;
  r.Id_Towary__przyjety = 1;
  r.Id_Naprawy_typy = 1;
  r.data_naprawienia_szacunkowa = kNow + 7 * kDay;
  return r;
}

// The fixture: accepted repairs in every state, an urgent one, a deleted
// one, one with a number without year, planned ones due yesterday, in three
// days, in two weeks and in 40 days, and two stored with Id 0.
const std::vector<Rep> kFixture = {
    {1, "1/2025", 2, -40 * kDay, 0, "KR2"},
    {2, "2/2025", 3, -10 * kDay, 4, "KR1"},
    {3, "3/2025", 4, -9 * kDay, 0, "KR2"},
    {4, "4/2025", 5, -8 * kDay, 0, "KR3"},
    {5, "5/2025", 6, -7 * kDay, 0, "KR4"},
    {6, "6/2025", 7, -6 * kDay, 0, "KR5"},
    {7, "7/2025", 8, -5 * kDay, 0, "KR6"},
    {8, "8/2025", 9, -4 * kDay, 0, "KR7"},
    {9, "9/2025", 2, -3 * kDay, 1, "KR8"},
    {10, "1/2026", 1, -2 * kDay, 0, "KR9"},
    {11, "10", 3, -1 * kDay, 0, "KR1"},
    {1000001, "1000001/2026", 20, -1 * kDay, 0, "KR0"},
    {1000002, "1000002/2026", 20, 3 * kDay, 4, "KR0"},
    {1000003, "1000003/2026", 20, 14 * kDay, 0, "KR0"},
    {1000004, "1000004/2026", 20, 40 * kDay, 0, "KR0"},
    {0, "X1", 7, -50 * kDay, 0, "KR9"},
    {0, "X2", 7, -50 * kDay, 1, "KR9"},
};

// Repair 2 carries a description with a separator and line ends, a cost
// and an answer date.
void fixture_details(Naprawy& r) {
  if (r.Id != 2) return;
  r.opis_naprawy = "a;b\nc d\re";
  r.koszt_naprawy = 123.45;
  r.data_odpowiedzi = kNow - 3 * kDay;
}

std::string repairs_file(const std::vector<Rep>& reps, const std::function<void(Naprawy&)>& edit = {}) {
  std::vector<Naprawy> rows;
  for (const Rep& d : reps) {
    rows.push_back(make(d));
    if (edit) edit(rows.back());
  }
  return table_file(rows);
}

std::string firms_file() {
  Firmy a = blank<Firmy>(), b = blank<Firmy>(), c = blank<Firmy>();
  a.Id = 1, a.nazwa = "Nasz serwis";
  b.Id = 2, b.nazwa = "Klient detaliczny";
  c.Id = 3, c.nazwa = "Alfa <b>&;Co", c.telefon = "12;34", c.miasto = "Kraków";
  return table_file(std::vector<Firmy>{a, b, c});
}

std::string goods_file() {
  Towary t = blank<Towary>();
  t.Id = 1, t.nazwa = "Rower;górski", t.Id_Towary_typy = 3;
  return table_file(std::vector<Towary>{t});
}

// The settings file of the install directory with some values replaced (an
// empty value removes the line).
std::string settings_with(const std::map<std::string, std::string>& values) {
  std::string in = kal::pages::read_file(KAL_SOURCE_DIR "/data/ustawienia.txt");
  std::string out;
  std::size_t pos = 0;
  while (pos < in.size()) {
    std::size_t eol = in.find('\n', pos);
    std::string line = in.substr(pos, eol == std::string::npos ? std::string::npos : eol + 1 - pos);
    pos = eol == std::string::npos ? in.size() : eol + 1;
    const std::string key = line.substr(0, line.find(' '));
    auto it = values.find(key);
    if (it == values.end()) {
      out += line;
    } else if (!it->second.empty()) {
      out += key + " " + it->second + "\r\n";
    }
  }
  return out;
}

// The repairs a list page links to, in the order shown.
Ids listed(const std::string& page) {
  Ids ids;
  static const std::regex link("naprawa\\.htm\\?n_31=e&(?:amp;)?Naprawy_Id=([0-9]+)");
  for (std::sregex_iterator it(page.begin(), page.end(), link), end; it != end; ++it)
    ids.push_back(static_cast<std::uint32_t>(std::stoul((*it)[1])));
  return ids;
}

Ids sorted(Ids v) {
  std::sort(v.begin(), v.end());
  return v;
}

// A session variable as the session file of the site holds it ("" when none).
std::string session_value(Site& site, const std::string& name) {
  std::string found;
  for (const auto& e : std::filesystem::directory_iterator(site.server().install_dir())) {
    const std::string file = e.path().filename().string();
    if (file.rfind("sess", 0) != 0 || file.size() != 12) continue;
    std::string text;
    kal::read_text_file(e.path().string(), text);
    const std::size_t at = text.find("\n" + name + " ");
    if (at != std::string::npos) found = text.substr(at + name.size() + 2, text.find('\n', at + 1) - at - name.size() - 2);
    else if (text.rfind(name + " ", 0) == 0) found = text.substr(name.size() + 1, text.find('\n') - name.size() - 1);
  }
  return found;
}

class RepairList : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    site_ = new Site({{"dat/Naprawy.dat", repairs_file(kFixture, fixture_details)},
                      {"dat/Firmy.dat", firms_file()},
                      {"dat/Towary.dat", goods_file()}});
    ASSERT_TRUE(site_->start()) << site_->log();
  }
  static void TearDownTestSuite() {
    delete site_;
    site_ = nullptr;
  }
  static std::string press(const std::string& caption_key, Params more = {}) {
    more.emplace_back("n_6", site_->setting(caption_key));
    return site_->post(more, "/naprawy.htm");
  }
  static Site* site_;
};
Site* RepairList::site_ = nullptr;

// The two repairs stored with Id 0 got the next accepted keys, and the first
// list already saved the table with them (and wrote the export files).
TEST_F(RepairList, RepairsStoredWithIdZeroGetTheNextKeysAndTheTableIsSaved) {
  press("Wszystkie_button");
  const std::string dat = site_->dat("Naprawy");
  EXPECT_TRUE(kal::pages::has(dat, " 12 'X1'")) << dat;
  EXPECT_TRUE(kal::pages::has(dat, " 13 'X2'")) << dat;
  EXPECT_FALSE(kal::pages::has(dat, "\n 0 '")) << dat;
  EXPECT_TRUE(kal::file_exists(site_->server().file("naprawy.csv")));
}

TEST_F(RepairList, EachModeListsItsStates) {
  const Ids planned = {1000001, 1000002, 1000003, 1000004};
  auto with = [](Ids a, const Ids& b) {
    a.insert(a.end(), b.begin(), b.end());
    return sorted(a);
  };
  const std::vector<std::pair<const char*, Ids>> cases = {
      {"Wszystkie_button", with({1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12}, planned)},
      {"Do_naprawy_button", {1, 2, 4, 7, 8, 11}},
      {"Naprawione_button", {5}},
      {"Na_stanie_button", with({1, 2, 4, 5, 7, 8, 11}, planned)},
      {"Wydane_button", {6, 12}},
      {"Braki_button", {7, 8}},
      {"Planowane_button", planned},
      {"Plany_spoznione_button", {1000001}},
      {"Oznacz_pilne_button", {2, 1000002}},
      {"W_serwisie_zewnetrznym_button", {3}},
      {"Planowane_w_okresie_button", {1000001, 1000002, 1000003}},
  };
  for (const auto& [button, want] : cases) {
    const std::string page = press(button);
    EXPECT_EQ(sorted(listed(page)), want) << button;
  }
  // The advanced search's state, in a mode of its own.
  press("Zaawansowane_button");
  EXPECT_EQ(sorted(listed(press("Szukaj_button", {{"NaprawySearch.Naprawy_Id_Naprawy_stany", "3"}}))), Ids({2, 11}));
  press("Czysc_button");
  EXPECT_EQ(listed(press("Proste_szukanie_button")).size(), 15u);
}

TEST_F(RepairList, SortCodesOrderTheRows) {
  press("Wszystkie_button");
  const Ids by_id = {1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 1000001, 1000002, 1000003, 1000004};
  Ids desc = by_id;
  std::reverse(desc.begin(), desc.end());
  // By acceptance date, newest first.
  // Equal keys keep the Id order, which the descending order turns.
  const Ids by_date_desc = {1000004, 1000003, 1000002, 1000001, 11, 10, 8, 7, 6, 5, 4, 3, 2, 1, 12};
  // By year and sequence of the number, newest first; "10" and "X1" have no
  // year.
  const Ids by_number_desc = {1000004, 1000003, 1000002, 1000001, 10, 8, 7, 6, 5, 4, 3, 2, 1, 11, 12};
  // By registration number: equal numbers keep every repair, in Id order.
  const Ids by_nr_rej = {1000001, 1000002, 1000003, 1000004, 2, 11, 1, 3, 4, 5, 6, 7, 8, 10, 12};
  const std::vector<std::pair<const char*, Ids>> cases = {
      {"0", by_id}, {"1", by_id}, {"2", desc}, {"14", by_date_desc}, {"98", by_number_desc}, {"5", by_nr_rej}};
  for (const auto& [code, want] : cases)
    EXPECT_EQ(listed(site_->post({{"Nsort", code}, {"n_6", ""}}, "/naprawy.htm")), want) << "Nsort " << code;
  site_->post({{"Nsort", "0"}}, "/naprawy.htm");
}

TEST_F(RepairList, RowsAreEscapedColouredAndMarked) {
  press("Wszystkie_button");
  const std::string page = site_->post({{"Nsort", "0"}}, "/naprawy.htm");
  EXPECT_TRUE(kal::pages::has(page, "Alfa &lt;b&gt;&amp;;Co")) << page;
  EXPECT_FALSE(kal::pages::has(page, "Alfa <b>"));
  // Finished and handed-over rows in their colours, an overdue open one red,
  // the urgent mark, and planned ones by how soon they are due.
  EXPECT_TRUE(kal::pages::has(page, "<TD BGCOLOR=" + site_->setting("Kolor_napraw_wykonanych") + ">"));
  EXPECT_TRUE(kal::pages::has(page, "<TD BGCOLOR=" + site_->setting("Kolor_napraw_wydanych") + ">"));
  EXPECT_TRUE(kal::pages::has(page, "CLASS=fieldnamered>"));
  EXPECT_TRUE(kal::pages::has(page, "<FONT COLOR=red><B>! </B></FONT>"));
  for (const char* colour : {"red", "orange", "green"})
    EXPECT_TRUE(kal::pages::has(page, std::string("<FONT color=") + colour + "><I>")) << colour;
}

TEST_F(RepairList, TheBarcodeJumpOpensTheRepairOfANumberOrOfAnEan13Code) {
  // The number as Code 128 carries it.
  site_->post({{"Nbarcode", "3/2025"}, {"n_6", site_->setting("Przejdz_button")}}, "/naprawy.htm");
  EXPECT_EQ(session_value(*site_, "Naprawy_Id"), "3");
  EXPECT_EQ(session_value(*site_, "n_31"), "e");
  // EAN-13 of the configured prefix and repair 4.
  char code[14];
  ASSERT_EQ(ean13_id2str(code, std::stoi(site_->setting("Prints_rfid_start")),
                         std::stoi(site_->setting("Prints_rfid_company")), 4),
            0);
  site_->post({{"n_6", site_->setting("Przejdz_button")}, {"Nbarcode", code}}, "/naprawy.htm");
  EXPECT_EQ(session_value(*site_, "Naprawy_Id"), "4");
  // A wrong check digit opens nothing: the list is shown with a message.
  std::string wrong = code;
  wrong[12] = wrong[12] == '9' ? '0' : static_cast<char>(wrong[12] + 1);
  const std::string page = site_->post({{"n_6", site_->setting("Przejdz_button")}, {"Nbarcode", wrong}}, "/naprawy.htm");
  EXPECT_EQ(session_value(*site_, "Naprawy_Id"), "4");
  EXPECT_TRUE(kal::pages::has(page, "Nie znaleziono zlecenia")) << page;
  EXPECT_FALSE(listed(page).empty());
}

TEST_F(RepairList, TheBarcodeJumpReadsCodesOfAnotherPrefixByTheirDigits) {
  // Codes whose prefix is not the configured one: the Id is what remains
  // without the leading zeros and the last digit.
  auto ean = [](int start, int company, long id) {
    char code[14];
    EXPECT_EQ(ean13_id2str(code, start, company, id), 0);
    return std::string(code);
  };
  const struct {
    std::string code;
    const char* opens;  // "" for none
  } cases[] = {
      {ean(0, 0, 4), "4"},                // "0000000000048"
      {ean(0, 0, 11), "11"},
      {ean(0, 0, 123), ""},               // "0000000001236": no repair 123 here
      {ean(31, 7, 5), ""},                // a foreign prefix: 3100007000055 is no Id
      {" " + ean(0, 0, 8) + " ", "8"},    // blanks around the code
      {"0000000000049", ""},              // 13 digits, the wrong check digit
      {"0000000000000", ""},
      {"78", "7"},                        // typed by hand: 7 and a check digit
      {"10", "11"},                       // a repair number goes first
      {"X7", ""},
  };
  const std::string button = site_->setting("Przejdz_button");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    const std::string before = session_value(*site_, "Naprawy_Id");
    const std::string page = site_->post({{"n_6", button}, {"Nbarcode", c.code}}, "/naprawy.htm");
    if (*c.opens) {
      EXPECT_EQ(session_value(*site_, "Naprawy_Id"), c.opens);
      EXPECT_EQ(session_value(*site_, "n_31"), "e");
      EXPECT_FALSE(kal::pages::has(page, "Nie znaleziono zlecenia"));
    } else {
      EXPECT_EQ(session_value(*site_, "Naprawy_Id"), before);
      EXPECT_TRUE(kal::pages::has(page, "Nie znaleziono zlecenia")) << page;
    }
  }
}

TEST_F(RepairList, ExportFilesHoldTheRepairsInIdOrder) {
  press("Wszystkie_button");
  // The CSV file: a header, every repair that is not deleted.
  const std::string csv_path = site_->server().file("naprawy.csv");
  std::string csv;
  ASSERT_EQ(kal::read_file(csv_path, csv), 0);
  const std::string header = std::string(tr(245)) + ".;" + tr(111) + ";" + site_->setting("Stan_text") + ";" + tr(15) +
                             ";" + site_->setting("sprzet_text") + ";" + site_->setting("nr_rej_text") + ";" +
                             site_->setting("nr_ramy_text") + ";" + site_->setting("Opis_naprawy_text") + ";" +
                             site_->setting("Koszt_brutto_text") + ";" + tr(255) + ";" +
                             site_->setting("Szacunk__text") + ";" + site_->setting("Data2_text") + "\r\n";
  EXPECT_EQ(csv.substr(0, header.size()), header);
  const std::string cmd = "python3 -c \"import csv,sys\n"
                          "for r in csv.reader(open(sys.argv[1],newline='',encoding='cp1250'),delimiter=';',"
                          "quoting=csv.QUOTE_NONE): sys.stdout.buffer.write((r[1] + '|' + r[3] + '|' + r[4] + '|' + r[7] + "
                          "'\\n').encode('cp1250'))\" '" +
                          csv_path + "'";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string out;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  ASSERT_EQ(pclose(p), 0) << out;
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < out.size();) {
    const std::size_t eol = out.find('\n', at);
    lines.push_back(out.substr(at, eol - at));
    at = eol + 1;
  }
  ASSERT_EQ(lines.size(), 16u) << out;
  const char* numbers[] = {"1/2025", "2/2025", "3/2025", "4/2025", "5/2025", "6/2025", "7/2025", "8/2025",
                           "1/2026", "10", "X1", "1000001/2026", "1000002/2026", "1000003/2026", "1000004/2026"};
  for (std::size_t i = 0; i < 15; ++i)
    EXPECT_EQ(lines[i + 1].substr(0, lines[i + 1].find('|')), numbers[i]) << out;
  // Semicolons and line ends inside texts became blanks.
  EXPECT_EQ(lines[2], "2/2025|Alfa <b>& Co|Rower górski|a b c d e") << out;

  // The status feed: open and recently finished repairs only.
  std::string php;
  ASSERT_EQ(kal::read_file(site_->server().file("Naprawy_txt.php"), php), 0);
  ASSERT_EQ(php.rfind("<?php exit();\r\n", 0), 0u) << php;
  ASSERT_EQ(php.substr(php.size() - 4), "\r\n?>") << php;
  Ids in_feed;
  std::string line2;
  for (std::size_t at = php.find('\n') + 1; at < php.size() - 2;) {
    const std::size_t eol = php.find("\r\n", at);
    const std::string line = php.substr(at, eol - at);
    const std::size_t a = line.find(';');
    in_feed.push_back(static_cast<std::uint32_t>(std::stoul(line.substr(a + 1))));
    if (in_feed.size() == 2) line2 = line;
    at = eol + 2;
  }
  EXPECT_EQ(in_feed, Ids({1, 2, 3, 4, 5, 7, 8, 11}));
  const std::string want2 = "2;2;3;1;" + std::string("W naprawie") + ";Alfa <b>& Co;Rower górski;KR1;;a b c d e;" +
                            from_gzl(123.45) + ";" + from_td(kNow - 3 * kDay) + ";12 34";
  EXPECT_EQ(line2, want2);
}

TEST_F(RepairList, DeletedRepairsAreListedAndRestoredOnPage101) {
  press("Wszystkie_button");
  std::string page = site_->get("/naprawy_usuniete.htm", {{"n_101", "l"}});
  EXPECT_EQ(sorted(listed(page)), Ids({9, 13}));
  page = site_->post({{"n_101", site_->setting("Przywroc_button") + " 9"}}, "/naprawy_usuniete.htm");
  EXPECT_EQ(listed(page), Ids({13}));
  EXPECT_TRUE(kal::pages::has(site_->dat("Naprawy"), " 9 '9/2025'"));
  const std::string all = press("Wszystkie_button");
  EXPECT_EQ(listed(all).size(), 16u);
  EXPECT_TRUE(kal::pages::has(kal::pages::read_file(site_->server().file("naprawy.csv")), "9/2025;"));
}

TEST_F(RepairList, TheListPrintsAsAPdf) {
  press("Wszystkie_button");
  const kal::e2e::HttpReply r = site_->server().get("/Naprawy_list_0.pdf?sess_code=" + site_->code());
  ASSERT_EQ(r.body.rfind("%PDF", 0), 0u) << r.body.substr(0, 200);
  const std::string path = site_->server().file("list_check.pdf");
  kal::atomic_rewrite(path, r.body);
  EXPECT_EQ(kaltest::qpdf_problems(path), "");
}

// --- paging, on a list of its own -------------------------------------------------------

std::vector<Rep> many(int n) {
  std::vector<Rep> reps;
  static std::vector<std::string> numbers;
  numbers.clear();
  for (int i = 1; i <= n; ++i) numbers.push_back(std::to_string(i) + "/2026");
  for (int i = 1; i <= n; ++i) reps.push_back({static_cast<std::uint32_t>(i), numbers[i - 1].c_str(), 2, -kDay});
  return reps;
}

Ids range(std::uint32_t from, std::uint32_t to) {
  Ids v;
  for (std::uint32_t i = from; i <= to; ++i) v.push_back(i);
  return v;
}

TEST(RepairListPaging, TenAPageOverTwentyFiveRows) {
  Site site({{"dat/Naprawy.dat", repairs_file(many(25))},
             {"ustawienia.txt", settings_with({{"Napraw_na_stronie", "10"}})}});
  ASSERT_TRUE(site.start()) << site.log();
  auto page = [&](const char* button) {
    return listed(site.post({{"n_6", button}}, "/naprawy.htm"));
  };
  EXPECT_EQ(listed(site.post({{"n_6", site.setting("Wszystkie_button")}}, "/naprawy.htm")), range(1, 10));
  EXPECT_EQ(page("&gt;|"), range(21, 25));
  EXPECT_TRUE(kal::pages::has(site.last(), "21 - 25 " + site.setting("z_text") + " 25"));
  EXPECT_EQ(page("&gt;&gt;"), range(21, 25));
  EXPECT_EQ(page("|&lt;"), range(1, 10));
  EXPECT_EQ(page("&lt;&lt;"), range(1, 10));
  EXPECT_EQ(page("&gt;&gt;"), range(11, 20));
  EXPECT_EQ(page(">>"), range(21, 25));
}

TEST(RepairListPaging, AMissingOrBrokenPageSizeShowsTwenty) {
  for (const char* size : {"", "0", "abc"}) {
    Site site({{"dat/Naprawy.dat", repairs_file(many(25))},
               {"ustawienia.txt", settings_with({{"Napraw_na_stronie", size}})}});
    ASSERT_TRUE(site.start()) << site.log();
    EXPECT_EQ(listed(site.post({{"n_6", site.setting("Wszystkie_button")}}, "/naprawy.htm")), range(1, 20))
        << "'" << size << "'";
  }
}

// --- who sees what ------------------------------------------------------------------------

TEST(RepairListAccess, AWorkerSeesHisRepairsAndNoExportFile) {
  Naprawy_wykonawcy w{};
  w.Id = 1, w.Id_Firmy = 5;
  Site site({{"dat/Naprawy.dat", repairs_file({{1, "1/2026", 2, -kDay}, {2, "2/2026", 3, -kDay}, {3, "3/2026", 3, -kDay},
                                               {4, "4/2026", 3, -kDay, 1}},
                                              [](Naprawy& r) { r.Id_Naprawy_wykonawcy = r.Id == 2 ? 1 : 0; })},
             {"dat/Naprawy_wykonawcy.dat", table_file(std::vector<Naprawy_wykonawcy>{w})},
             {"dat/Users.dat", users_file()},
             {"dat/User_types.dat", kal::tables::kUserTypes}});
  // The administrator sees all, restores repair 4 (which writes the exports)
  // and may fetch the CSV file.
  ASSERT_TRUE(site.start("szef", "tajne")) << site.log() << site.last();
  EXPECT_EQ(listed(site.post({{"n_6", site.setting("Wszystkie_button")}}, "/naprawy.htm")), Ids({1, 2, 3}));
  site.post({{"n_101", site.setting("Przywroc_button") + " 4"}}, "/naprawy_usuniete.htm");
  const kal::e2e::HttpReply admin = site.server().get("/naprawy.csv?sess_code=" + site.code());
  EXPECT_EQ(admin.body.rfind(std::string(tr(245)) + ".;", 0), 0u) << admin.body;
  // The worker sees the repair he repairs only, and no export.
  ASSERT_TRUE(site.log_in("jan", "tajne"));
  EXPECT_EQ(listed(site.post({{"n_6", site.setting("Wszystkie_button")}}, "/naprawy.htm")), Ids({2}));
  const kal::e2e::HttpReply worker = site.server().get("/naprawy.csv?sess_code=" + site.code());
  EXPECT_EQ(worker.body, "Access denied !");
}

}  // namespace
