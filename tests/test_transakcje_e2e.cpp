// The sales and purchase documents through the real kalmitor program: a sale
// started from the menu, its lines added and removed and the sale confirmed
// (once, however often the confirmation is sent), the stored lines edited
// with their stock movements, the form of a stored document saved, the
// invoice printed and issued, and the attached text file in the stock
// program's code page.  The table files are the oracle.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/kal_e2e.hpp"
#include "tests/kal_testutil.hpp"
#include "tests/pdf_testutil.hpp"

namespace {

using kal::e2e::HttpReply;
using kal::e2e::Server;
using Params = std::vector<std::pair<std::string, std::string>>;
using Files = std::vector<std::pair<std::string, std::string>>;

// The pages are UTF-8, the program's texts (and this file's literals)
// Windows-1250.
std::string to_utf8(const std::string& s) { return kaltest::recode("CP1250", "UTF-8", s).value_or(s); }
std::string to_win(const std::string& s) { return kaltest::recode("UTF-8", "CP1250", s).value_or(s); }

std::string url_encode(const std::string& text) {
  std::string out;
  for (unsigned char c : to_utf8(text)) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.') {
      out += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    }
  }
  return out;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

const std::string kHead = "KALMITOR 1.0 http://kalmitor.example/\r\n";

int this_year() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return tm.tm_year + 1900;
}

// The records of a table file: the fields of each record (texts without
// their quotes; a text may span lines), by the first field.
std::map<unsigned, std::vector<std::string>> records(const std::string& file) {
  std::map<unsigned, std::vector<std::string>> out;
  std::vector<std::string> fields;
  auto end_record = [&] {
    if (!fields.empty()) out[static_cast<unsigned>(std::stoul(fields[0]))] = fields;
    fields.clear();
  };
  std::size_t i = file.find('\n');  // after the version line
  i = i == std::string::npos ? file.size() : i + 1;
  while (i < file.size()) {
    const char c = file[i];
    if (c == '\r' || c == '\n') {
      end_record();
      ++i;
    } else if (c == ' ') {
      ++i;
    } else if (c == '\'') {
      std::string f;
      for (++i; i < file.size(); ++i) {
        if (file[i] == '\'' && i + 1 < file.size() && file[i + 1] == '\'') {
          f += '\'';
          ++i;
        } else if (file[i] == '\'') {
          ++i;
          break;
        } else if (file[i] != '\r') {
          f += file[i];
        }
      }
      fields.push_back(f);
    } else {
      std::string f;
      while (i < file.size() && file[i] != ' ' && file[i] != '\r' && file[i] != '\n') f += file[i++];
      fields.push_back(f);
    }
  }
  end_record();
  return out;
}

// Table files of a small shop.  VAT rates 1 (23 %), 2 (8 %) and 25 (5 %);
// goods 1 A (12.30 gross), 2 B (10.80), 3 the service C (100.00), 4 D at the
// rate with Id 25 (105.00), 5 E (123,456.78); the own firm 1 and the
// customer 5.
std::string rates_file() { return kHead + " 1 '23%' '23'\r\n 2 '8%' '8'\r\n 25 '5%' '5'\r\n"; }

std::string goods_line(unsigned id, const char* name, double net, double stock, unsigned rate, unsigned type) {
  char line[256];
  std::snprintf(line, sizeof line,
                " %u '%s' '' 'K%u' '' '' %.2f 0.00 0.00 %.2f %.2f '' %u %u 1 0.00 0.00 0 0 0 0\r\n", id, name, id, net,
                net, stock, rate, type);
  return line;
}

std::string goods_file() {
  return kHead + goods_line(1, "Filtr A", 10.00, 10, 1, 1) + goods_line(2, "Olej B", 10.00, 5, 2, 1) +
         goods_line(3, "Usługa C", 81.30, 0, 1, 2) + goods_line(4, "Klocki D", 100.00, 7, 25, 1) +
         goods_line(5, "Maszyna E", 100371.37, 1, 1, 1);
}

std::string firms_file() {
  return kHead +
         " 1 'Warsztat Ząbek' '' '725-000-00-01' 'ul. Długa 1' '90-001' 'Łódź' 'Bank Polski' '11 2222 3333' "
         "'42 111 22 33' '' 'biuro@zabek.pl' '' '' '' 1 1 0 0\r\n"
         " 2 'Klient detaliczny' '' '' '' '' '' '' '' '' '' '' '' '' '' 1 1 0 0\r\n"
         " 5 'Kowalski Jan' '' '111-222-33-44' 'Krótka 5' '00-001' 'Warszawa' '' '' '' '' '' '' '' '' 1 1 0 0\r\n"
         " 7 'Nowak Anna' '' '' 'Polna 2' '30-001' 'Kraków' '' '' '' '' '' '' '' '' 1 1 0 0\r\n";
}

// Yesterday, as the table files write times: within the list's default dates.
const std::string& when() {
  static const std::string text = std::to_string(static_cast<long>(std::time(nullptr)) - 86400);
  return text;
}

// A document record: Id, number, type, firm, total, flags, the printed and
// collected characters.
std::string document(unsigned id, const std::string& numer, int type, unsigned firm, const char* total = "0.00",
                     int flags = 0, char printed = 'N', char collected = 'N') {
  return " " + std::to_string(id) + " '" + numer + "' " + when() + " " + when() + " " + total + " 'uwagi " +
         std::to_string(id) + "' " + std::to_string(firm) + " " + std::to_string(type) + " 1 " + when() + " " + printed +
         " " + collected + " 0.00 0 " + std::to_string(flags) + "\r\n";
}

std::string line(unsigned id, unsigned goods, unsigned doc, const char* price, const char* count) {
  return " " + std::to_string(id) + " " + std::to_string(goods) + " " + std::to_string(doc) + " " + price + " " + count +
         " 1\r\n";
}

class DocsE2E : public ::testing::Test {
 protected:
  void start(Files extra = {}) {
    Server::Options o;
    o.files = {{"dat/Stawki_VAT.dat", rates_file()}, {"dat/Towary.dat", goods_file()}, {"dat/Firmy.dat", firms_file()}};
    for (auto& f : extra) o.files.push_back(std::move(f));
    srv_ = std::make_unique<Server>(o);
    ASSERT_TRUE(srv_->start()) << srv_->log();
    // No user yet: the log-in lets everybody in as administrator.
    HttpReply r = srv_->post("/login.htm", "action=" + url_encode(setting("Wejscie_text")));
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.body, m, std::regex("sess_code=([0-9a-f]{32})"))) << r.body;
    code_ = m[1];
  }
  void TearDown() override {
    if (srv_) {
      EXPECT_EQ(srv_->stop(), 0) << srv_->log();
    }
  }

  std::string setting(const std::string& key) {
    const std::string file = read_file(srv_ ? srv_->file("ustawienia.txt") : KAL_SOURCE_DIR "/data/ustawienia.txt");
    const std::size_t at = file.find("\n" + key + " ");
    if (at == std::string::npos) return key;
    const std::size_t start = at + key.size() + 2;
    return file.substr(start, file.find('\r', start) - start);
  }

  // Posts the fields (Windows-1250 texts) to the path; the reply's body in
  // Windows-1250.
  std::string post(const std::string& path, const Params& fields) {
    std::string body = "sess_code=" + code_;
    for (const auto& [k, v] : fields) body += "&" + url_encode(k) + "=" + url_encode(v);
    HttpReply r = srv_->post(path, body);
    EXPECT_EQ(r.status, 200) << path;
    return to_win(r.body);
  }
  HttpReply get(const std::string& path) {
    return srv_->get(path + (path.find('?') == std::string::npos ? "?" : "&") + "sess_code=" + code_);
  }

  std::map<unsigned, std::vector<std::string>> table(const char* name) {
    return records(read_file(srv_->file(std::string("dat/") + name + ".dat")));
  }
  // The stock of a goods: its total and its warehouse rows summed.
  std::pair<std::string, double> stock(unsigned goods) {
    const auto all = table("Towary");
    const std::string total = all.count(goods) ? all.at(goods)[10] : "?";
    double rows = 0;
    for (const auto& [id, r] : table("Towary_magazyn"))
      if (std::stoul(r[2]) == goods) rows += std::stod(r[1]);
    return {total, rows};
  }

  std::unique_ptr<Server> srv_;
  std::string code_;
};

std::string year_number(int n, const char* prefix = "FV/") {
  return std::to_string(n) + "/" + prefix + std::to_string(this_year());
}

// --- a new sale -------------------------------------------------------------------------------

TEST_F(DocsE2E, NewSaleFromTheMenuStoredOnceWithItsLinesAndStock) {
  start({{"dat/Transakcje.dat", kHead + document(1, year_number(7), 1, 5)}});
  const std::string add = setting("Dodaj_button"), confirm = setting("Zatwierdz_button");
  // The menu's link: a fresh number, the retail customer.
  HttpReply menu = get("/sprzedaz.htm?n_3=Nowa%20Sprzeda%C5%BC");
  std::string page = to_win(menu.body);
  EXPECT_NE(page.find("NAME=\"Transakcje_numer\" VALUE=\"" + year_number(8) + "\""), std::string::npos) << page;
  EXPECT_NE(page.find(">Klient detaliczny</A>"), std::string::npos);

  auto add_line = [&](const char* goods, const char* count, const char* price) {
    return post("/sprzedaz.htm", {{"n_3", add},
                                  {"Towary_transakcje_Id_Towary", goods},
                                  {"Towary_transakcje_liczba_sztuk", count},
                                  {"Towary_transakcje_cena", price}});
  };
  add_line("1", "2", "12,30");
  page = add_line("2", "1", "10,80");
  EXPECT_NE(page.find("Olej B"), std::string::npos);
  // The first line out, then A and the service C again.
  page = post("/sprzedaz.htm", {{"n_3", setting("Usun_sp_button") + "1."}});
  EXPECT_EQ(page.find("Filtr A"), std::string::npos);
  add_line("1", "2", "12,30");
  page = add_line("3", "1", "100,00");
  EXPECT_NE(page.find("135,40 zł"), std::string::npos) << page;

  const Params form = {{"n_3", confirm},
                       {"Transakcje_numer", year_number(8)},
                       {"Transakcje_data_transkacji", "05.03.2026"},
                       {"Transakcje_termin_platnosci", "19.03.2026"},
                       {"Transakcje_Id_Formy_platnosci", "2"},
                       {"Transakcje_Id_Firmy", "2"},
                       {"Transakcje_uwagi", "Zapłacono gotówką"},
                       {"Transakcje_Id_Wykonawcy", "0"},
                       {"Transakcje_laczna_wartosc", "1,00"}};
  page = post("/sprzedaz.htm", form);
  EXPECT_NE(page.find("Lista sprzedaży"), std::string::npos) << page;
  // The same confirmation again (a reload): no second document.
  page = post("/sprzedaz.htm", form);
  EXPECT_NE(page.find("jest już zapisany"), std::string::npos) << page;

  const auto docs = table("Transakcje");
  ASSERT_EQ(docs.size(), 2u);
  const auto& d = docs.at(2);
  EXPECT_EQ(d[1], year_number(8));
  EXPECT_EQ(d[4], "135.40") << "the total comes from the stored lines, not from the form";
  EXPECT_EQ(d[5], "Zapłacono gotówką");
  EXPECT_EQ(d[6], "2");
  EXPECT_EQ(d[7], "1");
  EXPECT_EQ(d[8], "2");
  EXPECT_EQ(d[10], "N");
  EXPECT_EQ(d[14], "0");

  const auto lines = table("Towary_transakcje");
  ASSERT_EQ(lines.size(), 3u);
  std::vector<std::string> got;
  for (const auto& [id, l] : lines) got.push_back(l[1] + " " + l[2] + " " + l[3] + " " + l[4]);
  EXPECT_EQ(got, (std::vector<std::string>{"2 2 10.80 1.00", "1 2 12.30 2.00", "3 2 100.00 1.00"}));
  // A sale takes its counts from the stock; the service keeps no total.
  EXPECT_EQ(stock(1), std::make_pair(std::string("8.00"), -2.0));
  EXPECT_EQ(stock(2), std::make_pair(std::string("4.00"), -1.0));
  EXPECT_EQ(stock(3).first, "0.00");

  // The list shows it; a new sale from the list's button counts on.
  page = post("/sprzedaz.htm", {{"n_4", "l"}});
  EXPECT_NE(page.find(">" + year_number(8) + "</A>"), std::string::npos) << page;
  page = post("/sprzedaz.htm", {{"n_3", "Nowa Sprzedaż"}});
  EXPECT_NE(page.find("VALUE=\"" + year_number(9) + "\""), std::string::npos);
}

TEST_F(DocsE2E, NumbersCountPerTypeAndYearDeletedOnesIncluded) {
  const std::string y = std::to_string(this_year()), last = std::to_string(this_year() - 1);
  start({{"dat/Transakcje.dat", kHead + document(1, "12/FV/" + y, 1, 5) + document(2, "30/FV/" + last, 1, 5) +
                                    document(3, "7/FV/" + y, 1, 5) + document(4, "13/FV/" + y, 1, 5, "0.00", 1) +
                                    document(5, "3/D/" + y, 2, 7) + document(6, "0/0000", 1, 5)}});
  struct Case {
    const char* path;
    const char* menu;
    std::string want;
  } cases[] = {
      {"/sprzedaz.htm", "n_3=Nowa%20Sprzeda%C5%BC", "14/FV/" + y},
      {"/dostawa.htm", "n_1=Nowa%20Dostawa", "4/D/" + y},
  };
  for (const Case& c : cases) {
    const std::string page = to_win(get(std::string(c.path) + "?" + c.menu).body);
    EXPECT_NE(page.find("NAME=\"Transakcje_numer\" VALUE=\"" + c.want + "\""), std::string::npos) << c.menu;
  }
}

TEST_F(DocsE2E, TheMenuStartsANewSaleInEveryLanguage) {
  std::string settings = read_file(KAL_SOURCE_DIR "/data/ustawienia.txt");
  settings = std::regex_replace(settings, std::regex("\nlang [0-9]*\r"), "\nlang 1\r");
  start({{"ustawienia.txt", settings}, {"dat/Transakcje.dat", kHead + document(1, year_number(4), 1, 5)}});
  // The menu's caption is Polish; the English list's button is English.
  std::string page = to_win(get("/sprzedaz.htm?n_3=Nowa%20Sprzeda%C5%BC").body);
  EXPECT_NE(page.find("VALUE=\"" + year_number(5) + "\""), std::string::npos) << page;
  EXPECT_NE(page.find(">Klient detaliczny</A>"), std::string::npos);
  post("/sprzedaz.htm", {{"Transakcje_numer", "x"}, {"n_3", "n"}});
  page = post("/sprzedaz.htm", {{"n_3", "New Sold"}});
  EXPECT_NE(page.find("VALUE=\"" + year_number(5) + "\""), std::string::npos) << page;
}

// --- the stored lines ----------------------------------------------------------------------------

TEST_F(DocsE2E, EditedLinesMoveTheStockByTheDifference) {
  // Sale 1 with A x2 and B x1, sale 2 with A x1, purchase 3 with D x4.
  start({{"dat/Transakcje.dat", kHead + document(1, year_number(1), 1, 5, "35.40") +
                                    document(2, year_number(2), 1, 5, "12.30") +
                                    document(3, year_number(1, "D/"), 2, 7, "420.00")},
         {"dat/Towary_transakcje.dat", kHead + line(1, 1, 1, "12.30", "2.00") + line(2, 2, 1, "10.80", "1.00") +
                                           line(3, 1, 2, "12.30", "1.00") + line(4, 4, 3, "105.00", "4.00")}});
  const std::string usun = setting("Usun_sp_button"), przelicz = setting("Przelicz_button");
  std::string page = post("/sprzedaz.htm", {{"n_84", "e"}, {"Transakcje_Id", "1"}, {"a", "n"}});
  EXPECT_NE(page.find("NAME=\"Usun_Id_Towary_transakcje.2\" VALUE=\"2\""), std::string::npos) << page;

  // Row 2 (line 2, B) removed: B's count comes back.
  post("/sprzedaz.htm", {{"n_84", usun + "2."}, {"Transakcje_Id", "1"}, {"Usun_Id_Towary_transakcje.2", "2"}});
  EXPECT_EQ(table("Towary_transakcje").count(2), 0u);
  EXPECT_EQ(stock(2), std::make_pair(std::string("6.00"), 1.0));
  EXPECT_EQ(table("Transakcje").at(1)[4], "24.60");

  // A's count from 2 to 5 takes 3 more; the price changes the total.
  post("/sprzedaz.htm", {{"n_84", przelicz},
                         {"Transakcje_Id", "1"},
                         {"Towary_transakcje_Id.1", "1"},
                         {"Towary_transakcje_brutto.1", "12,00"},
                         {"Towary_transakcje_sztuk.1", "5"},
                         {"Towary_transakcje_edit_count", "100000"}});
  EXPECT_EQ(table("Towary_transakcje").at(1)[3], "12.00");
  EXPECT_EQ(table("Towary_transakcje").at(1)[4], "5.00");
  EXPECT_EQ(stock(1), std::make_pair(std::string("7.00"), -3.0));
  EXPECT_EQ(table("Transakcje").at(1)[4], "60.00");

  // Lines of another document posted in the rows of this one: nothing moves.
  const std::string lines_before = read_file(srv_->file("dat/Towary_transakcje.dat"));
  const std::string goods_before = read_file(srv_->file("dat/Towary.dat"));
  post("/sprzedaz.htm", {{"n_84", usun + "1."}, {"Transakcje_Id", "1"}, {"Usun_Id_Towary_transakcje.1", "3"}});
  post("/sprzedaz.htm", {{"n_84", przelicz},
                         {"Transakcje_Id", "1"},
                         {"Towary_transakcje_Id.1", "3"},
                         {"Towary_transakcje_sztuk.1", "9"},
                         {"Towary_transakcje_Id.2", "4"},
                         {"Towary_transakcje_sztuk.2", "9"}});
  EXPECT_EQ(read_file(srv_->file("dat/Towary_transakcje.dat")), lines_before);
  EXPECT_EQ(read_file(srv_->file("dat/Towary.dat")), goods_before);

  // A purchase gives back the other way: its removed line takes the count away.
  post("/dostawa.htm", {{"n_83", "e"}, {"Transakcje_Id", "3"}, {"a", "n"}});
  post("/dostawa.htm", {{"n_83", usun + "1."}, {"Transakcje_Id", "3"}, {"Usun_Id_Towary_transakcje.1", "4"}});
  EXPECT_EQ(table("Towary_transakcje").count(4), 0u);
  EXPECT_EQ(stock(4), std::make_pair(std::string("3.00"), -4.0));
  EXPECT_EQ(table("Transakcje").at(3)[4], "0.00");
}

TEST_F(DocsE2E, AGoodsAddedOnTheEditPageOnceWhateverTheRepeats) {
  start({{"dat/Transakcje.dat", kHead + document(1, year_number(1), 1, 5, "24.60")},
         {"dat/Towary_transakcje.dat", kHead + line(1, 1, 1, "12.30", "2.00")}});
  std::string page = post("/sprzedaz.htm", {{"n_84", "e"}, {"Transakcje_Id", "1"}, {"a", "n"}});
  std::smatch m;
  ASSERT_TRUE(std::regex_search(page, m, std::regex("NAME=\"Towary_transakcje_stan\" VALUE=\"([^\"]*)\""))) << page;
  const Params add = {{"n_84", setting("Dodaj_towar_usluge_button")},
                      {"Transakcje_Id", "1"},
                      {"Towary_transakcje_stan", m[1]},
                      {"Towary_transakcje_Id_Towary", "2"},
                      {"Towary_transakcje_liczba_sztuk", "3"},
                      {"Towary_transakcje_brutto", "10,80"}};
  post("/sprzedaz.htm", add);
  page = post("/sprzedaz.htm", add);
  EXPECT_NE(page.find("Strona była nieaktualna"), std::string::npos) << page;
  const auto lines = table("Towary_transakcje");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines.at(2)[1] + " " + lines.at(2)[2] + " " + lines.at(2)[4], "2 1 3.00");
  EXPECT_EQ(stock(2), std::make_pair(std::string("2.00"), -3.0));
  EXPECT_EQ(table("Transakcje").at(1)[4], "57.00");
}

// Prices and counts typed into the rows of the edit page go in with
// whatever button of the page is pressed: none is dropped in silence.
TEST_F(DocsE2E, TheRowsTypedOnTheEditPageGoInWithEveryButton) {
  struct Case {
    const char* button;
    Params more;
    std::vector<std::string> lines;  // goods, price and count of every line afterwards
    std::string total;
  } cases[] = {
      {"Zatwierdz_button", {{"Transakcje_uwagi", "po zmianie"}}, {"1 12.00 5.00", "2 10.80 1.00"}, "70.80"},
      {"Dodaj_towar_usluge_button",
       {{"Towary_transakcje_Id_Towary", "3"}, {"Towary_transakcje_liczba_sztuk", "1"}, {"Towary_transakcje_brutto", "100,00"}},
       {"1 12.00 5.00", "2 10.80 1.00", "3 100.00 1.00"},
       "170.80"},
      {"Usun_sp_button", {{"Usun_Id_Towary_transakcje.2", "2"}}, {"1 12.00 5.00"}, "60.00"},
      {"Przelicz_button", {}, {"1 12.00 5.00", "2 10.80 1.00"}, "70.80"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    start({{"dat/Transakcje.dat", kHead + document(1, year_number(1), 1, 5, "35.40")},
           {"dat/Towary_transakcje.dat", kHead + line(1, 1, 1, "12.30", "2.00") + line(2, 2, 1, "10.80", "1.00")}});
    post("/sprzedaz.htm", {{"n_84", "e"}, {"Transakcje_Id", "1"}, {"a", "n"}});
    std::string caption = setting(c.button);
    if (std::string(c.button) == "Usun_sp_button") caption += "2.";
    Params form = {{"n_84", caption},
                   {"Transakcje_Id", "1"},
                   {"Towary_transakcje_Id.1", "1"},
                   {"Towary_transakcje_brutto.1", "12,00"},
                   {"Towary_transakcje_sztuk.1", "5"},
                   {"Towary_transakcje_Id.2", "2"},
                   {"Towary_transakcje_brutto.2", "10,80"},
                   {"Towary_transakcje_sztuk.2", "1"}};
    form.insert(form.end(), c.more.begin(), c.more.end());
    post("/sprzedaz.htm", form);
    std::vector<std::string> got;
    for (const auto& [id, l] : table("Towary_transakcje")) got.push_back(l[1] + " " + l[3] + " " + l[4]);
    EXPECT_EQ(got, c.lines);
    EXPECT_EQ(table("Transakcje").at(1)[4], c.total);
    // Goods A's count went from 2 to 5: 3 more taken from the stock.
    EXPECT_EQ(stock(1), std::make_pair(std::string("7.00"), -3.0));
    srv_->stop();
    srv_.reset();
  }
}

// A price or count beyond what the money format holds, typed anywhere a
// line is entered, is refused in red and nothing is stored.
TEST_F(DocsE2E, AmountsBeyondTheMoneyFormatAreRefusedAndNothingIsStored) {
  struct Case {
    const char* what;
    const char* path;
    Params form;  // "Przelicz_button" and the like stand for their captions
  };
  const Params row1 = {{"Transakcje_Id", "1"}, {"Towary_transakcje_Id.1", "1"}};
  auto with = [](Params p, Params more) {
    p.insert(p.end(), more.begin(), more.end());
    return p;
  };
  const std::vector<Case> cases = {
      {"a row's price", "/sprzedaz.htm",
       with(row1, {{"n_84", "Przelicz_button"}, {"Towary_transakcje_brutto.1", "1e300"}})},
      {"a row's count", "/sprzedaz.htm",
       with(row1, {{"n_84", "Przelicz_button"}, {"Towary_transakcje_sztuk.1", "1e300"}})},
      {"a count of eight digits", "/sprzedaz.htm",
       with(row1, {{"n_84", "Przelicz_button"}, {"Towary_transakcje_sztuk.1", "10000000"}})},
      {"a count that is no number", "/sprzedaz.htm",
       with(row1, {{"n_84", "Przelicz_button"}, {"Towary_transakcje_sztuk.1", "nan"}})},
      {"a price beyond 2^53 grosze", "/sprzedaz.htm",
       with(row1, {{"n_84", "Przelicz_button"}, {"Towary_transakcje_brutto.1", "90071992547410,00"}})},
      {"a line's value beyond it", "/sprzedaz.htm",
       with(row1, {{"n_84", "Przelicz_button"}, {"Towary_transakcje_brutto.1", "10000000000000"},
                   {"Towary_transakcje_sztuk.1", "100"}})},
      {"a total beyond it", "/sprzedaz.htm",
       with(row1, {{"n_84", "Przelicz_button"}, {"Towary_transakcje_brutto.1", "90071992547409,91"},
                   {"Towary_transakcje_sztuk.1", "1"}})},
      {"a row's price confirmed with the header", "/sprzedaz.htm",
       with(row1, {{"n_84", "Zatwierdz_button"}, {"Transakcje_uwagi", "nie zapisane"},
                   {"Towary_transakcje_brutto.1", "1e300"}})},
      {"a line added on the edit page", "/sprzedaz.htm",
       {{"n_84", "Dodaj_towar_usluge_button"}, {"Transakcje_Id", "1"}, {"Towary_transakcje_Id_Towary", "2"},
        {"Towary_transakcje_liczba_sztuk", "1"}, {"Towary_transakcje_brutto", "1e300"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    start({{"dat/Transakcje.dat", kHead + document(1, year_number(1), 1, 5, "35.40")},
           {"dat/Towary_transakcje.dat", kHead + line(1, 1, 1, "12.30", "2.00") + line(2, 2, 1, "10.80", "1.00")}});
    post("/sprzedaz.htm", {{"n_84", "e"}, {"Transakcje_Id", "1"}, {"a", "n"}});
    std::vector<std::string> before;
    for (const char* t : {"Transakcje", "Towary_transakcje", "Towary", "Towary_magazyn"})
      before.push_back(read_file(srv_->file(std::string("dat/") + t + ".dat")));
    Params form = c.form;
    for (auto& [k, v] : form)
      if (k == "n_84") v = setting(v);
    const std::string page = post(c.path, form);
    EXPECT_NE(page.find("nic nie zostało zapisane !"), std::string::npos) << page;
    std::vector<std::string> after;
    for (const char* t : {"Transakcje", "Towary_transakcje", "Towary", "Towary_magazyn"})
      after.push_back(read_file(srv_->file(std::string("dat/") + t + ".dat")));
    EXPECT_EQ(after, before);
    srv_->stop();
    srv_.reset();
  }
}

// A new sale: a line beyond the money format is not added to the list, and
// a list holding one anyway (its price posted by hand) stores no document.
TEST_F(DocsE2E, ANewSaleWithAnAmountBeyondTheMoneyFormatIsNotStored) {
  start();
  get("/sprzedaz.htm?n_3=Nowa%20Sprzeda%C5%BC");
  const std::string add = setting("Dodaj_button");
  std::string page = post("/sprzedaz.htm", {{"n_3", add},
                                            {"Towary_transakcje_Id_Towary", "1"},
                                            {"Towary_transakcje_liczba_sztuk", "1e300"},
                                            {"Towary_transakcje_cena", "12,30"}});
  EXPECT_NE(page.find("Nowa pozycja: liczba sztuk"), std::string::npos) << page;
  EXPECT_EQ(page.find("VALUE=\"" + setting("Usun_sp_button") + "1.\""), std::string::npos) << "no line 1";
  page = post("/sprzedaz.htm", {{"n_3", add},
                                {"Towary_transakcje_Id_Towary", "1"},
                                {"Towary_transakcje_liczba_sztuk", "2"},
                                {"Towary_transakcje_cena", "12,30"}});
  EXPECT_NE(page.find("VALUE=\"" + setting("Usun_sp_button") + "1.\""), std::string::npos) << page;
  page = post("/sprzedaz.htm", {{"n_3", setting("Zatwierdz_button")},
                                {"Transakcje_numer", year_number(1)},
                                {"Transakcje_Id_Firmy", "2"},
                                {"Towary_transakcje_cena.0s", "1e300"}});
  EXPECT_NE(page.find("Pozycja 1: cena jest poza zakresem"), std::string::npos) << page;
  EXPECT_TRUE(table("Transakcje").empty());
  EXPECT_TRUE(table("Towary_transakcje").empty());
  EXPECT_EQ(stock(1).first, "10.00");
}

// --- the header of a stored document --------------------------------------------------------

TEST_F(DocsE2E, ThePickedFirmAndTypedChangesAreSavedWhatTheFormLacksIsKept) {
  start({{"dat/Transakcje.dat", kHead + document(1, year_number(1), 1, 5, "24.60", 2, 'T', 'Y')},
         {"dat/Towary_transakcje.dat", kHead + line(1, 1, 1, "12.30", "2.00")}});
  post("/sprzedaz.htm", {{"n_84", "e"}, {"Transakcje_Id", "1"}, {"a", "n"}});
  // Back from the firm list with firm 7.
  std::string page =
      to_win(get("/p?n_84=e&Transakcje_Id_Transakcje_typy=1&Transakcje_Id=1&Transakcje_Id_Firmy=7").body);
  EXPECT_NE(page.find(">Nowak Anna</A>"), std::string::npos) << page;
  page = post("/sprzedaz.htm", {{"n_84", setting("Zatwierdz_button")},
                                {"Transakcje_Id", "1"},
                                {"Transakcje_Id_Firmy", "7"},
                                {"Transakcje_numer", year_number(1)},
                                {"Transakcje_uwagi", "nowe uwagi"},
                                {"Transakcje_laczna_wartosc", "999,00"},
                                {"Transakcje_flags", "1"}});
  const auto d = table("Transakcje").at(1);
  EXPECT_EQ(d[6], "7");
  EXPECT_EQ(d[5], "nowe uwagi");
  EXPECT_EQ(d[4], "24.60");
  // Printed and collected stay the characters they are; the flags are the
  // document's own (printed, not deleted).
  EXPECT_EQ(d[10], "T");
  EXPECT_EQ(d[11], "Y");
  EXPECT_EQ(d[14], "2");
  // Dates the form did not carry are kept.
  EXPECT_EQ(d[2], when());
  EXPECT_EQ(d[9], when());
  EXPECT_NE(page.find(">Nowak Anna</A>"), std::string::npos);
}

// A document is changed only on its own page: the new-document pages make
// new documents whatever Id a request names, and the purchase pages never
// touch a sale (nor the sale pages a purchase).
TEST_F(DocsE2E, AConfirmActsOnlyOnTheDocumentOnScreen) {
  const std::string confirm = setting("Zatwierdz_button"), remove = setting("Usun_button");
  start({{"dat/Transakcje.dat", kHead + document(1, year_number(1), 1, 5) + document(2, year_number(1, "D/"), 2, 7)}});
  const Params forged = {{"Transakcje_numer", "HACK"}, {"Transakcje_uwagi", "forged"}, {"Transakcje_Id_Firmy", "1"}};
  struct Case {
    const char* what;
    const char* menu;  // the new-document page opened first, or nullptr
    std::string path, button, caption, Id;
  } cases[] = {
      {"new purchase, a sale's Id", "/dostawa.htm?n_1=Nowa%20Dostawa", "/p.htm", "n_1", confirm, "1"},
      {"new sale, a purchase's Id", "/sprzedaz.htm?n_3=Nowa%20Sprzeda%C5%BC", "/sprzedaz.htm", "n_3", confirm, "2"},
      {"purchase edit, a sale", nullptr, "/dostawa.htm", "n_83", confirm, "1"},
      {"purchase edit deletes a sale", nullptr, "/dostawa.htm", "n_83", remove, "1"},
      {"sale edit, a purchase", nullptr, "/sprzedaz.htm", "n_84", confirm, "2"},
      {"sale edit deletes a purchase", nullptr, "/sprzedaz.htm", "n_84", remove, "2"},
  };
  const auto before = table("Transakcje");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.menu) get(c.menu);
    Params fields = {{c.button, c.caption}, {"Transakcje_Id", c.Id}};
    fields.insert(fields.end(), forged.begin(), forged.end());
    const std::string page = post(c.path, fields);
    EXPECT_NE(page.find("<FONT COLOR=\"RED\">"), std::string::npos) << page;
    EXPECT_EQ(table("Transakcje"), before);
  }

  // A stored sale opened after the new purchase's form (another tab) leaves
  // its Id in the session: the purchase's confirmation still makes a new one.
  get("/dostawa.htm?n_1=Nowa%20Dostawa");
  post("/sprzedaz.htm", {{"n_84", "e"}, {"Transakcje_Id", "1"}, {"a", "n"}});
  post("/dostawa.htm", {{"n_1", confirm},
                        {"Transakcje_numer", year_number(2, "D/")},
                        {"Transakcje_uwagi", "nowa dostawa"},
                        {"Transakcje_Id_Firmy", "7"}});
  const auto after = table("Transakcje");
  ASSERT_EQ(after.size(), 3u);
  EXPECT_EQ(after.at(1), before.at(1));
  EXPECT_EQ(after.at(3)[1], year_number(2, "D/"));
  EXPECT_EQ(after.at(3)[5], "nowa dostawa");
  EXPECT_EQ(after.at(3)[7], "2");
}

TEST_F(DocsE2E, ADeletedDocumentLeavesTheList) {
  start({{"dat/Transakcje.dat", kHead + document(1, year_number(1), 1, 5) + document(2, year_number(2), 1, 7)}});
  std::string page = post("/sprzedaz.htm", {{"n_4", "l"}});
  EXPECT_NE(page.find(">" + year_number(2) + "</A>"), std::string::npos);
  page = post("/sprzedaz.htm", {{"n_84", setting("Usun_button")}, {"Transakcje_Id", "2"}});
  EXPECT_NE(page.find("oznaczono jako usunięta"), std::string::npos) << page;
  EXPECT_EQ(table("Transakcje").at(2)[14], "1");
  page = post("/sprzedaz.htm", {{"n_4", "l"}});
  EXPECT_EQ(page.find(">" + year_number(2) + "</A>"), std::string::npos);
  EXPECT_NE(page.find(">" + year_number(1) + "</A>"), std::string::npos);
  // A bad Id on the edit page is named as text.
  page = post("/sprzedaz.htm", {{"n_84", "e"}, {"Transakcje_Id", "<b>x"}});
  EXPECT_NE(page.find("bad page parameter Transakcje_Id='&lt;b&gt;x'"), std::string::npos) << page;
}

// --- the invoice ----------------------------------------------------------------------------------

class InvoiceE2E : public DocsE2E {
 protected:
  // The PDF of the document, checked by qpdf; its text by pages.
  std::vector<std::string> invoice(unsigned id, const std::string& query = "", const std::string& kind = "Faktura",
                                   const char* font = "CourierNewL2") {
    HttpReply r = get("/" + kind + "_" + std::to_string(id) + ".pdf" + query);
    EXPECT_EQ(r.body.rfind("%PDF", 0), 0u) << r.body.substr(0, 400);
    const std::string pdf = srv_->file("test.pdf");
    std::ofstream(pdf, std::ios::binary) << r.body;
    EXPECT_EQ(kaltest::qpdf_problems(pdf), "");
    const std::string fonts = kaltest::run("pdffonts " + kaltest::shell_quote(pdf)).out;
    EXPECT_TRUE(std::regex_search(fonts, std::regex(std::string(font) + "[^\n]* yes "))) << fonts;
    std::vector<std::string> pages;
    std::smatch m;
    const std::string info = kaltest::run("pdfinfo " + kaltest::shell_quote(pdf)).out;
    if (!std::regex_search(info, m, std::regex("Pages:\\s+([0-9]+)"))) return pages;
    for (int p = 1; p <= std::stoi(m[1]); ++p) {
      // The text in the program's own code page.
      const auto t = kaltest::run("pdftotext -layout -enc UTF-8 -f " + std::to_string(p) + " -l " + std::to_string(p) +
                                      " " + kaltest::shell_quote(pdf) + " - | iconv -f UTF-8 -t CP1250",
                                  false);
      pages.push_back(t.out);
    }
    return pages;
  }
};

std::string num2words_pl(int n) {
  return kaltest::trimmed(kaltest::run("PYTHONIOENCODING=utf-8 /usr/bin/python3 -c 'from num2words import num2words; "
                                       "print(num2words(" +
                                       std::to_string(n) + ", lang=\"pl\"))' | iconv -f UTF-8 -t CP1250")
                              .out);
}

TEST_F(InvoiceE2E, TheFixtureSaleWorkedByHand) {
  start({{"dat/Transakcje.dat", kHead + document(1, year_number(1), 1, 5, "135.40")},
         {"dat/Towary_transakcje.dat", kHead + line(1, 1, 1, "12.30", "2.00") + line(2, 2, 1, "10.80", "1.00") +
                                           line(3, 3, 1, "100.00", "1.00")}});
  const std::vector<std::string> pages = invoice(1);
  ASSERT_EQ(pages.size(), 2u);
  for (int p = 0; p < 2; ++p) {
    const std::string& t = pages[p];
    EXPECT_NE(t.find(p == 0 ? "(oryginał)" : "(kopia)"), std::string::npos) << t;
    EXPECT_EQ(t.find(p == 0 ? "(kopia)" : "(oryginał)"), std::string::npos);
    // Seller and buyer.
    EXPECT_NE(t.find("Warsztat Ząbek"), std::string::npos);
    EXPECT_NE(t.find("Kowalski Jan"), std::string::npos);
    EXPECT_NE(t.find("Faktura VAT nr " + year_number(1)), std::string::npos) << t;
    // The rows: net unit, gross unit, net and gross values.
    EXPECT_TRUE(std::regex_search(t, std::regex("Filtr A +2 +szt\\. +23% +10,00 +12,30 +20,00 +24,60"))) << t;
    EXPECT_TRUE(std::regex_search(t, std::regex("Olej B +1 +szt\\. +8% +10,00 +10,80 +10,00 +10,80"))) << t;
    EXPECT_TRUE(std::regex_search(t, std::regex("Usługa C +1 +szt\\. +23% +81,30 +100,00 +81,30 +100,00"))) << t;
    // The VAT table: the totals and one row per rate.
    EXPECT_TRUE(std::regex_search(t, std::regex("razem: +111,30 +24,10 +135,40"))) << t;
    EXPECT_TRUE(std::regex_search(t, std::regex("23% +101,30 +23,30 +124,60"))) << t;
    EXPECT_TRUE(std::regex_search(t, std::regex(" 8% +10,00 +0,80 +10,80"))) << t;
    EXPECT_TRUE(std::regex_search(t, std::regex("Do zapłaty: +135,40 zł"))) << t;
    const std::string words = "Słownie: +" + num2words_pl(135) + " zł +" + num2words_pl(40) + " gr";
    EXPECT_TRUE(std::regex_search(t, std::regex(words))) << words << "\n" << t;
  }
  // The first printout marks it printed.
  EXPECT_EQ(table("Transakcje").at(1)[14], "2");
}

TEST_F(InvoiceE2E, EveryRateEveryFigureAndEveryLineIsPrinted) {
  std::string many;
  for (unsigned i = 1; i <= 35; ++i) many += line(10 + i, 1, 2, "12.30", "1.00");
  start({{"dat/Transakcje.dat", kHead + document(1, year_number(1), 1, 5) + document(2, year_number(2), 1, 5)},
         {"dat/Towary_transakcje.dat",
          kHead + line(1, 4, 1, "105.00", "1.00") + line(2, 5, 1, "123456.78", "1.00") + line(3, 1, 1, "12.30", "1.00") +
              many}});
  // A rate with Id 25 has its row, and the rows add up to the total; a
  // figure wider than its column is printed whole.
  std::vector<std::string> pages = invoice(1);
  ASSERT_EQ(pages.size(), 2u);
  const std::string& t = pages[0];
  EXPECT_TRUE(std::regex_search(t, std::regex(" 5% +100,00 +5,00 +105,00"))) << t;
  EXPECT_TRUE(std::regex_search(t, std::regex("Maszyna E +1 +szt\\. +23% +[0-9]+,[0-9]{2} +123456,78 +[0-9]+,[0-9]{2} +123456,78")))
      << t;
  EXPECT_TRUE(std::regex_search(t, std::regex("Do zapłaty: +123574,08 zł"))) << t;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(t, m, std::regex("razem: +([0-9,]+) +([0-9,]+) +([0-9,]+)"))) << t;
  EXPECT_EQ(m[3], "123574,08");

  // 35 lines: the original and the copy continue on a second page each, the
  // amount due on the last page of each.
  pages = invoice(2);
  ASSERT_EQ(pages.size(), 4u);
  int rows = 0;
  const std::regex row("Filtr A +1 +szt");
  for (int p = 0; p < 4; ++p) {
    const bool last = p == 1 || p == 3;
    EXPECT_EQ(pages[p].find("Do zapłaty") != std::string::npos, last) << p << "\n" << pages[p];
    EXPECT_NE(pages[p].find(p < 2 ? "(oryginał)" : "(kopia)"), std::string::npos) << p;
    for (auto it = std::sregex_iterator(pages[p].begin(), pages[p].end(), row);
         it != std::sregex_iterator(); ++it)
      ++rows;
  }
  EXPECT_EQ(rows, 70);
  EXPECT_TRUE(std::regex_search(pages[1], std::regex("Do zapłaty: +430,50 zł")));
  EXPECT_NE(pages[1].find("podpis osoby upoważnionej"), std::string::npos);
}

TEST_F(InvoiceE2E, IssuingGivesANumberThatARestartNeverGivesAgain) {
  const Files docs = {{"dat/Transakcje.dat", kHead + document(1, "0/0000", 1, 5, "24.60", 1) +
                                                 document(2, "0/0000", 1, 7, "10.80", 1) +
                                                 document(3, year_number(4, "D/"), 2, 7)},
                      {"dat/Towary_transakcje.dat", kHead + line(1, 1, 1, "12.30", "2.00") + line(2, 2, 2, "10.80", "1.00")}};
  start(docs);
  std::vector<std::string> pages = invoice(1, "?a=wystaw");
  ASSERT_FALSE(pages.empty());
  EXPECT_NE(pages[0].find("Faktura VAT nr " + year_number(1)), std::string::npos) << pages[0];
  auto d = table("Transakcje").at(1);
  EXPECT_EQ(d[1], year_number(1));
  EXPECT_EQ(d[14], "2") << "issued: not deleted any more, and printed";
  const long issued = std::stol(d[9]);
  EXPECT_LE(std::abs(issued - static_cast<long>(std::time(nullptr))), 5);
  // Issued again (a reload of the address): the same number.
  invoice(1, "?a=wystaw");
  EXPECT_EQ(table("Transakcje").at(1)[1], year_number(1));

  // A restart on the files as written: the next issue counts on.
  const std::string saved = read_file(srv_->file("dat/Transakcje.dat"));
  EXPECT_EQ(srv_->stop(), 0);
  Files again = docs;
  again[0].second = saved;
  start(again);
  invoice(2, "?a=wystaw");
  EXPECT_EQ(table("Transakcje").at(2)[1], year_number(2));
  EXPECT_EQ(table("Transakcje").at(1)[1], year_number(1));
  EXPECT_EQ(table("Transakcje").at(3)[1], year_number(4, "D/"));
}

// --- the boxed invoice -----------------------------------------------------------------------

// The top of each word on the page: word -> the y of its first appearance.
std::map<std::string, double> word_tops(const std::string& pdf, int page) {
  const std::string xml = kaltest::run("pdftotext -bbox -enc UTF-8 -f " + std::to_string(page) + " -l " +
                                           std::to_string(page) + " " + kaltest::shell_quote(pdf) +
                                           " - | iconv -f UTF-8 -t CP1250",
                                       false)
                              .out;
  std::map<std::string, double> tops;
  const std::regex word("<word xMin=\"[0-9.]+\" yMin=\"([0-9.]+)\"[^>]*>([^<]*)</word>");
  for (auto it = std::sregex_iterator(xml.begin(), xml.end(), word); it != std::sregex_iterator(); ++it)
    tops.emplace((*it)[2], std::stod((*it)[1]));
  return tops;
}

TEST_F(InvoiceE2E, TheBoxedInvoiceOfTheFixtureSale) {
  std::string settings = read_file(KAL_SOURCE_DIR "/data/ustawienia.txt");
  // The seller is the invoice firm of the settings, not the workshop.
  settings = std::regex_replace(settings, std::regex("\nNazwa_firmy_dla_faktur [^\r]*\r"),
                                "\nNazwa_firmy_dla_faktur Nowak Anna\r");
  start({{"ustawienia.txt", settings},
         {"dat/Transakcje.dat", kHead + document(1, year_number(1), 1, 5, "135.40")},
         {"dat/Towary_transakcje.dat", kHead + line(1, 1, 1, "12.30", "2.00") + line(2, 2, 1, "10.80", "1.00") +
                                           line(3, 3, 1, "100.00", "1.00") + line(4, 4, 1, "105.00", "1.00")}});
  // Three rates: 23 %, 8 % and the one with Id 25.
  const std::vector<std::string> pages = invoice(1, "", "Faktura_VAT");
  ASSERT_EQ(pages.size(), 2u);
  for (int p = 0; p < 2; ++p) {
    const std::string& t = pages[p];
    EXPECT_NE(t.find(p == 0 ? "(oryginał)" : "(kopia)"), std::string::npos) << t;
    EXPECT_EQ(t.find(p == 0 ? "(kopia)" : "(oryginał)"), std::string::npos);
    EXPECT_NE(t.find("FAKTURA VAT nr " + year_number(1)), std::string::npos) << t;
    EXPECT_TRUE(std::regex_search(t, std::regex("SPRZEDAWCA +: Nowak Anna"))) << t;
    EXPECT_TRUE(std::regex_search(t, std::regex("NABYWCA +: Kowalski Jan"))) << t;
    // Count, unit, gross unit price, net value, rate, VAT and gross value;
    // the VAT table.  Compared without the blanks that the reader spreads.
    std::string packed;
    for (char ch : t)
      if (ch != ' ') packed += ch;
    for (const char* cells : {"|1|FiltrA||2szt.|12,30||12,30|20,00|23|4,60|24,60|", "|N10,00|",
                              "RAZEM|240,40|", "|101,30|23|23,30|124,60|", "|10,00|8%|0,80|10,80|",
                              "|100,00|5%|5,00|105,00|", "OGÓŁEM|211,30|xx|29,10|240,40|"})
      EXPECT_NE(packed.find(cells), std::string::npos) << cells << "\n" << t;
    EXPECT_TRUE(std::regex_search(t, std::regex("DO ZAPŁATY: 240,40 zł"))) << t;
    const std::string words = "SŁOWNIE: " + num2words_pl(240) + " zł +" + num2words_pl(40) + " gr";
    EXPECT_TRUE(std::regex_search(t, std::regex(words))) << words << "\n" << t;
  }
  // The amount due stands below the last row of the VAT table.
  const auto tops = word_tops(srv_->file("test.pdf"), 1);
  ASSERT_TRUE(tops.count("OGÓŁEM") && tops.count("ZAPŁATY:"));
  EXPECT_GT(tops.at("ZAPŁATY:"), tops.at("OGÓŁEM") + 8);
  EXPECT_EQ(table("Transakcje").at(1)[14], "2");
}

TEST_F(InvoiceE2E, ALongBoxedInvoiceContinuesWithEveryFigureWhole) {
  std::string many;
  for (unsigned i = 1; i <= 35; ++i) many += line(10 + i, 1, 1, "12.30", "1.00");
  start({{"dat/Transakcje.dat", kHead + document(1, year_number(1), 1, 5)},
         {"dat/Towary_transakcje.dat", kHead + line(1, 5, 1, "123456.78", "2.00") + many}});
  const std::vector<std::string> pages = invoice(1, "", "Faktura_VAT");
  ASSERT_GE(pages.size(), 4u);
  // Each copy runs over pages of its own; every row is printed once a copy,
  // the amount due is on the last page of each.
  int rows = 0, due = 0;
  bool copy_seen = false;
  for (const std::string& t : pages) {
    const bool copy = t.find("(kopia)") != std::string::npos;
    EXPECT_NE(copy || t.find("(oryginał)") != std::string::npos, false) << t;
    EXPECT_FALSE(copy_seen && !copy) << "the original follows the copy";
    copy_seen = copy_seen || copy;
    const std::regex row("Filtr A +\\|");  // the first row line of each
    rows += static_cast<int>(std::distance(std::sregex_iterator(t.begin(), t.end(), row), std::sregex_iterator()));
    if (t.find("DO ZAPŁATY") != std::string::npos) {
      ++due;
      EXPECT_TRUE(std::regex_search(t, std::regex("DO ZAPŁATY: 247344,06 zł"))) << t;
    }
  }
  EXPECT_EQ(rows, 70);
  EXPECT_EQ(due, 2);
  EXPECT_NE(pages.back().find("DO ZAPŁATY"), std::string::npos);
  // The net, VAT and gross values of a line of 246 913,56 are whole (the
  // net unit price is the one whose gross is the line's price again).
  std::string packed;
  for (char ch : pages[0])
    if (ch != ' ') packed += ch;
  EXPECT_NE(packed.find("|200742,76|23|46170,80|246913,56|"), std::string::npos) << pages[0];
}

// --- the attached text file --------------------------------------------------------------------

TEST_F(DocsE2E, TheAttachedTextIsReadAndWrittenInMazoviaInsideItsDirectory) {
  std::string settings = read_file(KAL_SOURCE_DIR "/data/ustawienia.txt");
  settings = std::regex_replace(settings, std::regex("\nFaktura_nowy_wydruk [0-9]*\r"), "\nFaktura_nowy_wydruk 1\r");
  // "Zażółć gęślą jaźń" in Mazovia, with CR LF.
  const std::string mazovia = "Za\xA7\xA2\x92\x8D g\x91\x9El\x86 ja\xA6\xA4\r\ndruga linia\r\n";
  start({{"ustawienia.txt", settings}, {"zalaczniki/opis.txt", mazovia}, {"poza.txt", "tajne\r\n"}});
  const std::string read = "Odczytaj", write = "Zapisz do pliku";
  // The browser's file field may carry a path: its file name counts.
  std::string page = post("/sprzedaz.htm", {{"n_3", read}, {"Transakcje_ext_fname", "C:\\fakepath\\opis.txt"}});
  EXPECT_NE(page.find(">Zażółć gęślą jaźń\ndruga linia\n</textarea>"), std::string::npos) << page;

  // Only the bare name counts; a name that is no file name is refused.
  struct Bad {
    const char* name;
    const char* says;
  } bad[] = {{"../poza", "Nie można odczytać pliku zalaczniki/poza.txt"},
             {"/etc/passwd", "Nie można odczytać pliku zalaczniki/passwd.txt"},
             {"C:poza", "niedozwolona"},
             {"..", "niedozwolona"}};
  for (const Bad& b : bad) {
    page = post("/sprzedaz.htm", {{"n_3", read}, {"Transakcje_ext_fname", b.name}});
    EXPECT_NE(page.find(b.says), std::string::npos) << b.name;
    EXPECT_EQ(page.find("tajne"), std::string::npos) << b.name;
    EXPECT_EQ(page.find("root:"), std::string::npos) << b.name;
  }

  page = post("/sprzedaz.htm",
              {{"n_3", write}, {"Transakcje_ext_fname", "nowy"}, {"Transakcje_ext_s2", "Źrebię łąkę\nkoniec"}});
  EXPECT_EQ(read_file(srv_->file("zalaczniki/nowy.txt")), "\xA0rebi\x91 \x92\x86k\x91\r\nkoniec");

  // Stored with a new sale: the name and the text.
  post("/sprzedaz.htm", {{"n_3", "Nowa Sprzedaż"}});
  post("/sprzedaz.htm", {{"n_3", read}, {"Transakcje_ext_fname", "opis"}});
  post("/sprzedaz.htm", {{"n_3", setting("Zatwierdz_button")}});
  const auto ext = table("Transakcje_ext");
  ASSERT_EQ(ext.size(), 1u);
  EXPECT_EQ(ext.begin()->second[1], "opis");
  EXPECT_EQ(ext.begin()->second[2].substr(0, 17), "Zażółć gęślą jaźń");

  // A file beyond the size limit is not read.
  std::ofstream(srv_->file("zalaczniki/duzy.txt"), std::ios::binary) << std::string(70000, 'x');
  page = post("/sprzedaz.htm", {{"n_3", read}, {"Transakcje_ext_fname", "duzy"}});
  EXPECT_NE(page.find("za duży"), std::string::npos) << page.substr(0, 2000);
}

}  // namespace
