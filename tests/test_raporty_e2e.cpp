// The sales report (page 5) and the monthly settlement of parts (page 91)
// through the real kalmitor program, on small shops worked out by hand.  The
// pages' list tables are read with Python's html.parser
// (tests/report_table.py), as a browser would see them.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <memory>
#include <regex>
#include <spawn.h>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/kal_e2e.hpp"
#include "tests/kal_testutil.hpp"

namespace {

using kal::e2e::HttpReply;
using kal::e2e::Server;
using Params = std::vector<std::pair<std::string, std::string>>;
using Files = std::vector<std::pair<std::string, std::string>>;
using Rows = std::vector<std::vector<std::string>>;

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

std::vector<std::string> split(const std::string& text, char sep) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (true) {
    const std::size_t at = text.find(sep, start);
    out.push_back(text.substr(start, at - start));
    if (at == std::string::npos) return out;
    start = at + 1;
  }
}

// The standard output of a program run with the arguments (no shell);
// *status its exit status.  Started by posix_spawn: forking this test
// program, with its sanitizer's mappings, would take far longer.
std::string run(std::vector<std::string> args, int* status) {
  *status = -1;
  int fds[2];
  if (::pipe(fds) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int rc = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  std::string out;
  char buf[4096];
  ssize_t n;
  while (rc == 0 && (n = ::read(fds[0], buf, sizeof buf)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fds[0]);
  if (rc == 0 && ::waitpid(pid, status, 0) != pid) *status = -1;
  return out;
}

// The rows of the page's list table as html.parser reads them: each cell its
// text, a linked cell its text, 0x1F and the address (Windows-1250).
Rows table_rows(const std::string& page) {
  kaltest::TempDir dir("report");
  const std::string path = dir.file("page.htm");
  std::ofstream(path, std::ios::binary) << page;
  int status = -1;
  const std::string out = run({"python3", KAL_SOURCE_DIR "/tests/report_table.py", path}, &status);
  EXPECT_EQ(status, 0) << "report_table.py failed";
  Rows rows;
  for (const std::string& line : split(to_win(out), '\n'))
    if (!line.empty()) rows.push_back(split(line, '\t'));
  return rows;
}

// A cell's text without its link.
std::string text(const std::string& cell) { return cell.substr(0, cell.find('\x1f')); }
std::string link(const std::string& cell) {
  const std::size_t at = cell.find('\x1f');
  return at == std::string::npos ? "" : cell.substr(at + 1);
}

const std::string kHead = "KALMITOR 1.0 http://kalmitor.example/\r\n";

std::string goods_line(unsigned id, const char* name, const char* pkwiu, const char* code, double purchase,
                       unsigned rate, unsigned type) {
  char line[256];
  std::snprintf(line, sizeof line,
                " %u '%s' '%s' '%s' '' '' %.2f 0.00 0.00 0.00 0.00 '' %u %u 1 0.00 0.00 0 0 0 0\r\n", id, name, pkwiu,
                code, purchase, rate, type);
  return line;
}

// A document: Id, type, date, flags.
std::string document(unsigned id, int type, long long when, int flags = 0) {
  const std::string t = std::to_string(when);
  return " " + std::to_string(id) + " '" + std::to_string(id) + "/FV/X' " + t + " " + t + " 0.00 '' 5 " +
         std::to_string(type) + " 1 " + t + " N N 0.00 0 " + std::to_string(flags) + "\r\n";
}

std::string line(unsigned id, unsigned goods, unsigned doc, const char* price, const char* count) {
  return " " + std::to_string(id) + " " + std::to_string(goods) + " " + std::to_string(doc) + " " + price + " " + count +
         " 1\r\n";
}

// A repair with its repairer and sale document.
std::string repair(unsigned id, unsigned repairer, unsigned doc) {
  return " " + std::to_string(id) + " '" + std::to_string(id) + "/2025' 1740000000 5 1 1 0 6 '' 0 0.00 0 0 0 0 '' " +
         std::to_string(doc) + " 0.00 0 " + std::to_string(repairer) + " '' '' '' '' '' '' '' '' '' 0\r\n";
}

class PagesE2E : public ::testing::Test {
 protected:
  void start(const Files& files, std::vector<std::string> env = {}) {
    Server::Options o;
    o.files = files;
    o.env = std::move(env);
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
    const std::string file = read_file(KAL_SOURCE_DIR "/data/ustawienia.txt");
    const std::size_t at = file.find("\n" + key + " ");
    if (at == std::string::npos) return key;
    const std::size_t start = at + key.size() + 2;
    return file.substr(start, file.find('\r', start) - start);
  }

  // The page of the path with the fields in its query (Windows-1250).
  std::string get(const std::string& path, const Params& fields) {
    std::string target = path + "?sess_code=" + code_;
    for (const auto& [k, v] : fields) target += "&" + url_encode(k) + "=" + url_encode(v);
    HttpReply r = srv_->get(target);
    EXPECT_EQ(r.status, 200) << target;
    return to_win(r.body);
  }

  std::unique_ptr<Server> srv_;
  std::string code_;
};

// --- the sales report -------------------------------------------------------------------

// Rates 1 (23 %) and 2 (8 %).  Goods (purchase price net, rate, type):
//   1 "Głowica G"     10.00 at 23 % (12.30 gross), type 1, code Z-1, no PKWiU
//   2 "Amortyzator H" 50.00 at 8 % (54.00), type 2, code A-2, PKWiU 29.32
//   3 "Łożysko K"      0.00, type 1, code M-3, PKWiU 28.11
//   4 "Silnik N"   20000.00 at 23 % (24600.00), type 2, code B-4, PKWiU 30.00
// Sales (gross unit prices), in table order:
//   doc 1, 2 days ago: G 3 x 20.00, H 3 x 100.00, a goods no longer in the catalogue
//   doc 2, yesterday: G 1 x 18.00 (held by repair 7)
//   doc 3, a purchase 2 days ago: G 10 x 12.30
//   doc 4, 60 days ago: G 5 x 20.00
//   doc 5, 3 hours ago: K 2 x 5.50
//   doc 6, 10 days ago: N 1 x 1000.00
//   doc 7, in 3 days: G 1 x 100.00
// By default (the last 31 days up to tomorrow):
//   G value 78.00, profit 78.00 - 4 x 12.30 = 28.80, count 4, 2 lines, last doc 2
//   H 300.00, 300.00 - 3 x 54.00 = 138.00, 3, 1 line, doc 1
//   K 11.00, all of it profit, 2, 1 line, doc 5
//   N 1000.00, 1000.00 - 24600.00 = -23600.00, 1, 1 line, doc 6
class ReportE2E : public PagesE2E {
 protected:
  void SetUp() override {
    const long long now = std::time(nullptr);
    day_ = [now](int days) { return now + days * 86400LL; };
    when_[1] = day_(-2);
    when_[2] = day_(-1);
    when_[4] = day_(-60);
    when_[5] = now - 3 * 3600;
    when_[6] = day_(-10);
    start({
        {"dat/Stawki_VAT.dat", kHead + " 1 '23%' '23'\r\n 2 '8%' '8'\r\n"},
        {"dat/Towary.dat", kHead + goods_line(1, "Głowica G", "", "Z-1", 10.00, 1, 1) +
                               goods_line(2, "Amortyzator H", "29.32", "A-2", 50.00, 2, 2) +
                               goods_line(3, "Łożysko K", "28.11", "M-3", 0.00, 1, 1) +
                               goods_line(4, "Silnik N", "30.00", "B-4", 20000.00, 1, 2)},
        {"dat/Transakcje.dat", kHead + document(1, 1, when_[1]) + document(2, 1, when_[2]) +
                                   document(3, 2, when_[1]) + document(4, 1, when_[4]) + document(5, 1, when_[5]) +
                                   document(6, 1, when_[6]) + document(7, 1, day_(3))},
        {"dat/Towary_transakcje.dat", kHead + line(1, 1, 1, "20.00", "3.00") + line(2, 2, 1, "100.00", "3.00") +
                                          line(3, 99, 1, "5.00", "1.00") + line(4, 1, 2, "18.00", "1.00") +
                                          line(5, 1, 3, "12.30", "10.00") + line(6, 1, 4, "20.00", "5.00") +
                                          line(7, 3, 5, "5.50", "2.00") + line(8, 4, 6, "1000.00", "1.00") +
                                          line(9, 1, 7, "100.00", "1.00")},
        {"dat/Naprawy.dat", kHead + repair(3, 1, 0) + repair(7, 1, 2)},
    });
  }

  static std::string date(long long t) {
    const std::time_t tt = static_cast<std::time_t>(t);
    std::tm tm{};
    localtime_r(&tt, &tm);
    char out[48];
    std::snprintf(out, sizeof out, "%02d.%02d.%04d", tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900);
    return out;
  }

  // The report with the filter: date from, date to, name, type, sort code.
  Rows report(const std::string& od, const std::string& do_, const std::string& name, const std::string& type,
              const std::string& sort) {
    return table_rows(get("/raporty.htm", {{"n_5", "l"},
                                           {"Rdata_od", od},
                                           {"Rdata_do", do_},
                                           {"Rnazwa", name},
                                           {"Naprawy_Towary_typy_Id", type},
                                           {"Rsort", sort}}));
  }

  // The first letter after the blank of each row's name ("Głowica G" -> G),
  // the totals row left out.
  static std::string names(const Rows& rows) {
    std::string out;
    for (std::size_t i = 0; i + 1 < rows.size(); ++i) out += text(rows[i].at(1)).back();
    return out;
  }

  std::function<long long(int)> day_;
  long long when_[8] = {};
};

TEST_F(ReportE2E, SumsOfTheShopWorkedByHand) {
  const Rows rows = report("", "", "", "0", "0");
  ASSERT_EQ(rows.size(), 5u);
  const std::vector<std::vector<std::string>> want = {
      {"1.", "Głowica G", "Z-1", "", "78,00", "28,80", "4", "2", date(when_[2])},
      {"2.", "Amortyzator H", "A-2", "29.32", "300,00", "138,00", "3", "1", date(when_[1])},
      {"3.", "Łożysko K", "M-3", "28.11", "11,00", "11,00", "2", "1", date(when_[5])},
      {"4.", "Silnik N", "B-4", "30.00", "1000,00", "-23600,00", "1", "1", date(when_[6])},
      {"", "", "", "Suma:", "1389,00", "-23422,20", "10", "", ""},
  };
  for (std::size_t r = 0; r < want.size(); ++r) {
    ASSERT_EQ(rows[r].size(), want[r].size()) << "row " << r;
    for (std::size_t c = 0; c < want[r].size(); ++c) EXPECT_EQ(text(rows[r][c]), want[r][c]) << r << "," << c;
  }
  // The name leads to the goods, the date to the repair holding the last
  // document (none: 0).
  EXPECT_EQ(link(rows[0][1]).rfind("sprzet.htm?n_17=e&Towary_Id=1&", 0), 0u) << link(rows[0][1]);
  EXPECT_EQ(link(rows[0][8]).rfind("naprawa.htm?n_31=e&Naprawy_Id=7&", 0), 0u) << link(rows[0][8]);
  EXPECT_EQ(link(rows[1][8]).rfind("naprawa.htm?n_31=e&Naprawy_Id=0&", 0), 0u) << link(rows[1][8]);
  // The defaults went back into the form.
  const std::string page = get("/raporty.htm", {{"n_5", "l"}});
  EXPECT_NE(page.find("name=\"Rdata_od\" value=\"" + date(day_(-31)) + "\""), std::string::npos) << page;
  EXPECT_NE(page.find("name=\"Rdata_do\" value=\"" + date(day_(1)) + "\""), std::string::npos);
  EXPECT_NE(page.find("Zestawienie Sprzedaży"), std::string::npos);
}

TEST_F(ReportE2E, OrderOfEverySortCode) {
  struct Case {
    const char* code;
    const char* order;
  } cases[] = {
      {"0", "GHKN"},  {"1", "GHKN"},  {"2", "NKHG"},  {"3", "HGKN"},  {"4", "NKGH"},   // Id, name (Ł after G)
      {"5", "KGHN"},  {"6", "NHGK"},  {"7", "NKHG"},  {"8", "GHKN"},                   // value, count
      {"11", "NHGK"}, {"12", "KGHN"},                                                   // date of the last sale
      {"13", "NKGH"}, {"14", "HGKN"},                                                   // profit, a loss first
      {"15", "KHNG"}, {"16", "GNHK"},                                                   // PKWiU, the empty one last
      {"17", "HNKG"}, {"18", "GKNH"},                                                   // code
      {"99", "GHKN"},
  };
  for (const Case& c : cases) EXPECT_EQ(names(report("", "", "", "0", c.code)), c.order) << "Rsort " << c.code;
}

TEST_F(ReportE2E, FiltersOfTypeNameAndDates) {
  struct Case {
    std::string od, do_, name, type, order;
  } cases[] = {
      {"", "", "", "2", "HN"},
      {"", "", "gł", "0", "G"},        // a prefix, Polish letters folded
      {"", "", "*LNIK", "0", "N"},     // anywhere in the name
      {"", "", "a", "1", ""},
      {date(day_(-61)), date(day_(-59)), "", "0", "G"},
      // The "to" day counts to its end: the sale of that day, whatever its hour.
      {date(day_(-60)), date(day_(-60)), "", "0", "G"},
      {date(day_(-59)), date(day_(-58)), "", "0", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(names(report(c.od, c.do_, c.name, c.type, "0")), c.order) << c.name << " " << c.type << " " << c.od;

  // Only the old sale: its own sums.
  const Rows rows = report(date(day_(-61)), date(day_(-59)), "", "0", "0");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(text(rows[0][4]), "100,00");
  EXPECT_EQ(text(rows[0][5]), "38,50");
  EXPECT_EQ(text(rows[0][6]), "5");
  EXPECT_EQ(text(rows[0][7]), "1");
}

TEST_F(ReportE2E, ClearSetsThisCalendarYear) {
  report("01.01.2020", "02.01.2020", "xyz", "2", "0");
  const std::string page = get("/raporty.htm", {{"n_5", setting("Czysc_button")}});
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  const int y = tm.tm_year + 1900;
  EXPECT_NE(page.find("name=\"Rdata_od\" value=\"01.01." + std::to_string(y) + "\""), std::string::npos) << page;
  EXPECT_NE(page.find("name=\"Rdata_do\" value=\"01.01." + std::to_string(y + 1) + "\""), std::string::npos);
  EXPECT_NE(page.find("name=\"Rnazwa\" value=\"\""), std::string::npos);
  EXPECT_NE(page.find("<option value=\"0\" selected>"), std::string::npos);
}

// --- the monthly settlement -------------------------------------------------------------

// Local time of the server: Central European, so that a month's ends are not
// those of UTC.  Documents (goods, count x gross price) and the repairs
// holding them (repairer):
//   doc 10  01.03.2025 00:00  K 1 x 3.00    repair 6 (2)
//   doc 11  31.03.2025 23:00  G 1 x 10.00   repair 1 (1)
//   doc 12  01.04.2025 00:00  G 2 x 10.00   repair 2 (2)
//   doc 13  15.04.2025 12:00  H 1 x 7.00    repair 3 (1)
//   doc 14  01.04.2025 10:00  G 5 x 1.00    no repair
//   doc 15  01.01.2026 00:00  H 10 x 1.00   repair 5 (2)
// Repair 4 (1) has no document.
class SettlementE2E : public PagesE2E {
 protected:
  void SetUp() override {
    start({{"dat/Stawki_VAT.dat", kHead + " 1 '23%' '23'\r\n"},
           {"dat/Towary.dat", kHead + goods_line(1, "Głowica G", "", "G", 5.00, 1, 1) +
                                  goods_line(2, "Amortyzator H", "", "H", 5.00, 1, 1) +
                                  goods_line(3, "Łożysko K", "", "K", 1.00, 1, 1)},
           {"dat/Transakcje.dat", kHead + document(10, 1, 1740783600) + document(11, 1, 1743454800) +
                                      document(12, 1, 1743458400) + document(13, 1, 1744711200) +
                                      document(14, 1, 1743494400) + document(15, 1, 1767222000)},
           {"dat/Towary_transakcje.dat", kHead + line(1, 3, 10, "3.00", "1.00") + line(2, 1, 11, "10.00", "1.00") +
                                             line(3, 1, 12, "10.00", "2.00") + line(4, 2, 13, "7.00", "1.00") +
                                             line(5, 1, 14, "1.00", "5.00") + line(6, 2, 15, "1.00", "10.00")},
           {"dat/Naprawy.dat", kHead + repair(1, 1, 11) + repair(2, 2, 12) + repair(3, 1, 13) + repair(4, 1, 0) +
                                   repair(5, 2, 15) + repair(6, 2, 10)}},
          {"TZ=CET-1CEST,M3.5.0,M10.5.0/3"});
  }

  // The rows as "name count value" and the totals as "Suma: count value".
  std::vector<std::string> settlement(const std::string& action, const std::string& year,
                                      const std::string& repairer) {
    page_ = get("/rozliczenie.htm",
                {{"n_91", action}, {"RMCyear", year}, {"NaprawySearch.Naprawy_Id_Naprawy_wykonawcy", repairer}});
    std::vector<std::string> out;
    for (const auto& r : table_rows(page_)) {
      EXPECT_EQ(r.size(), 4u);
      if (r.size() == 4) out.push_back(text(r[1]) + " " + text(r[2]) + " " + text(r[3]));
    }
    return out;
  }

  std::string page_;
};

TEST_F(SettlementE2E, MonthsAreHalfOpenAndTheRepairerFilters) {
  using V = std::vector<std::string>;
  struct Case {
    const char* action;
    const char* year;
    const char* repairer;
    V rows;
  } cases[] = {
      {"3", "2025", "0", {"Głowica G 1 10,00", "Łożysko K 1 3,00", "Suma: 2 13,00"}},
      {"4", "2025", "0", {"Głowica G 2 20,00", "Amortyzator H 1 7,00", "Suma: 3 27,00"}},
      // Another button keeps the month of the page.
      {"Szukaj", "2025", "0", {"Głowica G 2 20,00", "Amortyzator H 1 7,00", "Suma: 3 27,00"}},
      {"4", "2025", "1", {"Amortyzator H 1 7,00", "Suma: 1 7,00"}},
      {"4", "2025", "2", {"Głowica G 2 20,00", "Suma: 2 20,00"}},
      {"3", "2025", "1", {"Głowica G 1 10,00", "Suma: 1 10,00"}},
      {"2", "2025", "0", {"Suma: 0 0,00"}},
      {"Cały rok", "2025", "0",
       {"Głowica G 3 30,00", "Amortyzator H 1 7,00", "Łożysko K 1 3,00", "Suma: 5 40,00"}},
      {"12", "2025", "0", {"Suma: 0 0,00"}},
      {"1", "2026", "0", {"Amortyzator H 10 10,00", "Suma: 10 10,00"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(settlement(c.action, c.year, c.repairer), c.rows) << c.action << " " << c.year << " " << c.repairer;
    EXPECT_NE(page_.find("<option value='" + std::string(c.year) + "' selected>"), std::string::npos) << c.year;
  }
  // The name leads to the goods.
  settlement("4", "2025", "0");
  const Rows rows = table_rows(page_);
  EXPECT_EQ(link(rows.at(0).at(1)).rfind("sprzet.htm?n_17=e&Towary_Id=1&", 0), 0u);
  EXPECT_NE(page_.find("NAME=\"RMCmonth\" VALUE=\"4\""), std::string::npos) << page_;
}

TEST_F(SettlementE2E, AYearBefore2007IsTheCurrentOne) {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  const std::string y = std::to_string(tm.tm_year + 1900);
  for (const char* year : {"2005", "", "abc", "100000"}) {
    settlement("4", year, "0");
    EXPECT_NE(page_.find("<option value='" + y + "' selected>"), std::string::npos) << year;
  }
  settlement("l", "2005", "0");
  EXPECT_NE(page_.find("Rozliczenia miesięczne"), std::string::npos);
}

}  // namespace
