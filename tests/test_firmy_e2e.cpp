// The firm pages through the real kalmitor program: a firm created, found by
// a filter in either case, edited and marked deleted, each change seen in
// "dat/Firmy.dat"; a list of 120 firms paged through; firm data written into
// the page as text.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "tests/kal_e2e.hpp"
#include "tests/kal_testutil.hpp"

namespace {

using kal::e2e::HttpReply;
using kal::e2e::Server;
using Params = std::vector<std::pair<std::string, std::string>>;

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

// A table file of firms: the version line, then the records.
std::string firm_line(unsigned id, const std::string& name, const std::string& nip, const std::string& city,
                      unsigned country = 0, int flags = 0) {
  return " " + std::to_string(id) + " '" + name + "' '' '" + nip + "' '' '' '" + city +
         "' '' '' '' '' '' '' '' '' 1 " + std::to_string(country) + " 1700000000 " + std::to_string(flags) + "\r\n";
}

std::string firms_file(int count) {
  std::string f = "KALMITOR 1.0 http://kalmitor.example/\r\n";
  for (int i = 1; i <= count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "Firma %03d", i);
    // Firm 7 carries what the form does not show: a flag bit and a country.
    f += i == 7 ? firm_line(7, name, "", "Radom", 7, 4) : firm_line(i, name, "", "");
  }
  return f;
}

class FirmyE2E : public ::testing::Test {
 protected:
  explicit FirmyE2E(int firms = 120) {
    Server::Options o;
    o.files = {{"dat/Firmy.dat", firms_file(firms)}};
    srv_ = std::make_unique<Server>(o);
  }

  void SetUp() override {
    ASSERT_TRUE(srv_->start()) << srv_->log();
    // No user yet: the log-in lets everybody in as administrator.
    HttpReply r = srv_->post("/login.htm", "action=" + url_encode(setting("Wejscie_text")));
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.body, m, std::regex("sess_code=([0-9a-f]{32})"))) << r.body;
    code_ = m[1];
  }
  void TearDown() override { EXPECT_EQ(srv_->stop(), 0) << srv_->log(); }

  // A setting of the install directory's settings file (Windows-1250).
  std::string setting(const std::string& key) {
    const std::string file = read_file(srv_->file("ustawienia.txt"));
    const std::size_t at = file.find("\n" + key + " ");
    if (at == std::string::npos) return key;
    const std::size_t start = at + key.size() + 2;
    return file.substr(start, file.find('\r', start) - start);
  }

  // Posts the fields (Windows-1250 texts) to the page path of this session;
  // the reply's body in Windows-1250.
  std::string post(const std::string& path, const Params& fields) {
    std::string body = "sess_code=" + code_;
    for (const auto& [k, v] : fields) body += "&" + url_encode(k) + "=" + url_encode(v);
    HttpReply r = srv_->post(path, body);
    EXPECT_EQ(r.status, 200) << path;
    return to_win(r.body);
  }

  std::string firms_dat() { return read_file(srv_->file("dat/Firmy.dat")); }

  // The firm links of a list page: (running number, Id, name).
  struct Row {
    int n;
    unsigned id;
    std::string name;
  };
  static std::vector<Row> rows(const std::string& page) {
    static const std::regex row(
        "<tr>\n<TD CLASS=\\w+>\n(\\d+)\\. </td>\n<TD CLASS=\\w+>\n<A HREF=\"firma_(\\d+)\\.htm\\?n_19=e&Firmy_Id=\\d+&s=\\d+&"
        "sess_code=[0-9a-f]+\">([^<]*)</A></td>");
    std::vector<Row> out;
    for (auto it = std::sregex_iterator(page.begin(), page.end(), row); it != std::sregex_iterator(); ++it)
      out.push_back({std::stoi((*it)[1]), static_cast<unsigned>(std::stoul((*it)[2])), (*it)[3]});
    return out;
  }
  static std::string counter(const std::string& page) {
    std::smatch m;
    return std::regex_search(page, m, std::regex("<small>([^<]*)</small> <INPUT")) ? std::string(m[1]) : "";
  }

  std::unique_ptr<Server> srv_;
  std::string code_;
};

TEST_F(FirmyE2E, PagesThroughAHundredAndTwentyFirms) {
  std::string page = post("/firmy.htm", {{"n_10", "l"}});
  EXPECT_EQ(counter(page), "1 - 20 ze znalezionych 120");
  std::vector<Row> seen = rows(page);
  ASSERT_EQ(seen.size(), 20u) << page;
  for (int k = 0; k < 5; ++k) {
    page = post("/firmy.htm", {{"n_10", ">>"}});
    for (const Row& r : rows(page)) seen.push_back(r);
  }
  EXPECT_EQ(counter(page), "101 - 120 ze znalezionych 120");
  ASSERT_EQ(seen.size(), 120u);
  for (int i = 0; i < 120; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "Firma %03d", i + 1);
    EXPECT_EQ(seen[i].n, i + 1);
    EXPECT_EQ(seen[i].id, static_cast<unsigned>(i + 1));
    EXPECT_EQ(seen[i].name, name);
  }
  // Past the end stays on the last page; back, first, last.
  EXPECT_EQ(counter(post("/firmy.htm", {{"n_10", ">>"}})), "101 - 120 ze znalezionych 120");
  EXPECT_EQ(counter(post("/firmy.htm", {{"n_10", "<<"}})), "81 - 100 ze znalezionych 120");
  EXPECT_EQ(counter(post("/firmy.htm", {{"n_10", "|<"}})), "1 - 20 ze znalezionych 120");
  page = post("/firmy.htm", {{"n_10", ">|"}});
  EXPECT_EQ(counter(page), "101 - 120 ze znalezionych 120");
  EXPECT_EQ(rows(page).front().n, 101);
  // Descending by Id.
  page = post("/firmy.htm", {{"n_10", "|<"}, {"Fsort", "2"}});
  EXPECT_EQ(rows(page).front().id, 120u);
}

TEST_F(FirmyE2E, CreateFindEditAndDeleteAFirm) {
  const std::string zatwierdz = setting("Zatwierdz_button");
  const std::string name = "Zakład Ślusarski \"Źdźbło\" Łódź";
  const Params form = {{"Firmy_nazwa", name},
                       {"Firmy_opis", "Spawanie, cięcie\npiłą"},
                       {"Firmy_NIP", "725-000-11-22"},
                       {"Firmy_ulica", "ul. Piotrkowska 1"},
                       {"Firmy_kod_pocztowy", "90-001"},
                       {"Firmy_miasto", "Łódź"},
                       {"Firmy_bank_nazwa", "Bank"},
                       {"Firmy_konto", "11 2222"},
                       {"Firmy_telefon", "42 123"},
                       {"Firmy_fax", ""},
                       {"Firmy_email", "biuro@zdzblo.pl"},
                       {"Firmy_www_page", "zdzblo.pl"},
                       {"Firmy_nr_gadu_gadu", "123"},
                       {"Firmy_nr_skype", "zdzblo"},
                       {"Firmy_Id_Firmy_typy", "2"}};

  // New: the form, then confirmed.
  std::string page = post("/firma.htm", {{"n_9", "Nowy Kontrahent"}});
  EXPECT_NE(page.find("Wprowadzanie nowego kontrahenta"), std::string::npos) << page;
  Params create = form;
  create.emplace_back("n_9", zatwierdz);
  const std::time_t before = std::time(nullptr);
  post("/firma.htm", create);
  const std::time_t after = std::time(nullptr);

  // The record, byte for byte (the time is the moment of creation); a text
  // with a line break spans two lines of the file.  It is the last record.
  std::string file = firms_dat();
  const std::size_t at = file.find("\r\n 121 ");
  ASSERT_NE(at, std::string::npos) << file.substr(file.size() - 400);
  const std::string record = file.substr(at);
  const std::string head =
      "\r\n 121 'Zakład Ślusarski \"Źdźbło\" Łódź' 'Spawanie, cięcie\r\npiłą' '725-000-11-22' 'ul. Piotrkowska 1' "
      "'90-001' 'Łódź' 'Bank' '11 2222' '42 123' '' 'biuro@zdzblo.pl' 'zdzblo.pl' '123' 'zdzblo' 2 0 ";
  ASSERT_EQ(record.substr(0, head.size()), head);
  const std::string tail = record.substr(head.size());
  ASSERT_TRUE(std::regex_match(tail, std::regex("\\d+ 0\r\n"))) << tail;
  const long stamp = std::stol(tail);
  EXPECT_GE(stamp, before - 1);
  EXPECT_LE(stamp, after + 1);
  std::smatch m;

  // Found by the name filter in upper or lower case, Polish letters included.
  for (const char* filter : {"ZAKŁAD ŚL", "zakład śl", "*ŹDŹBŁO"}) {
    page = post("/firmy.htm", {{"n_10", setting("Szukaj_button")}, {"Firmy_l", filter}});
    const std::vector<Row> found = rows(page);
    ASSERT_EQ(found.size(), 1u) << filter;
    EXPECT_EQ(found[0].id, 121u);
    EXPECT_EQ(found[0].name, "Zakład Ślusarski \"Źdźbło\" Łódź");
  }
  page = post("/firmy.htm", {{"n_10", setting("Czysc_button")}});
  EXPECT_EQ(counter(page), "1 - 20 ze znalezionych 121");

  // A second firm of the same name is refused on the new page.
  page = post("/firma.htm", create);
  EXPECT_NE(page.find("już istnieje w bazie"), std::string::npos);
  EXPECT_NE(page.find("<FONT COLOR=\"RED\">\nFirma o nazwie"), std::string::npos) << page;

  // Edit: the form shows the stored firm; a changed street is saved.
  page = post("/firma_121.htm", {{"n_19", "e"}, {"Firmy_Id", "121"}});
  EXPECT_NE(page.find("NAME=\"Firmy_nazwa\" VALUE=\"Zakład Ślusarski &quot;Źdźbło&quot; Łódź\""), std::string::npos)
      << page;
  EXPECT_NE(page.find("VALUE=\"" + setting("Usun_button") + "\""), std::string::npos);
  Params edit = form;
  edit[3].second = "ul. Wólczańska 2";
  edit.emplace_back("Firmy_Id", "121");
  edit.emplace_back("n_19", zatwierdz);
  post("/firma.htm", edit);
  file = firms_dat();
  EXPECT_NE(file.find("'725-000-11-22' 'ul. Wólczańska 2' '90-001'"), std::string::npos);
  EXPECT_EQ(file.find("Piotrkowska"), std::string::npos);
  // A blank name is refused as an error; the firm stays as it is.
  Params blank = edit;
  blank[0].second = "  ";
  page = post("/firma.htm", blank);
  EXPECT_NE(page.find("<FONT COLOR=\"RED\">\nNazwa firmy nie może zawierać tylko białych znaków"), std::string::npos)
      << page;
  EXPECT_EQ(firms_dat(), file);

  // Editing keeps what the form does not show: firm 7's flag bit and country.
  Params edit7 = form;
  edit7[0].second = "Firma 007 po zmianie";
  edit7.emplace_back("Firmy_Id", "7");
  edit7.emplace_back("n_19", zatwierdz);
  post("/firma.htm", edit7);
  file = firms_dat();
  ASSERT_TRUE(std::regex_search(file, m, std::regex("\r\n 7 'Firma 007 po zmianie' 'Spawanie, cięcie\r\npiłą'[^\r]*' 2 7 \\d+ 4\r\n"))) << file;

  // Deleted: bit 0 of the flags in the file; the list and its filter skip it.
  page = post("/firma.htm", {{"n_19", setting("Usun_button")}, {"Firmy_Id", "121"}});
  EXPECT_NE(page.find("oznaczono jako usunięta"), std::string::npos);
  file = firms_dat();
  EXPECT_TRUE(std::regex_search(file, std::regex("\r\n 121 'Zakład[^\r]*\r\n[^\r]* \\d+ 1\r\n"))) << file;
  page = post("/firmy.htm", {{"n_10", setting("Szukaj_button")}, {"Firmy_l", "zakład"}});
  EXPECT_TRUE(rows(page).empty());
  EXPECT_NE(page.find("Nic nie znaleziono."), std::string::npos);
  // The edit page still finds it by Id.
  page = post("/firma_121.htm", {{"n_19", "e"}, {"Firmy_Id", "121"}});
  EXPECT_NE(page.find("VALUE=\"ul. Wólczańska 2\""), std::string::npos);
}

TEST_F(FirmyE2E, FirmDataIsWrittenAsText) {
  const std::string script = "<script>alert(1)</script>";
  post("/firma.htm", {{"n_9", setting("Zatwierdz_button")},
                      {"Firmy_nazwa", script},
                      {"Firmy_NIP", "\"><img src=x onerror=alert(2)>"},
                      {"Firmy_miasto", "<b>M</b>"}});
  for (const std::string& page :
       {post("/firmy.htm", {{"n_10", "l"}, {"Fsort", "2"}}), post("/firma.htm", {{"n_19", "e"}, {"Firmy_Id", "121"}})}) {
    EXPECT_EQ(page.find("<script>alert"), std::string::npos);
    EXPECT_EQ(page.find("<img src=x"), std::string::npos);
    EXPECT_EQ(page.find("<b>M</b>"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos) << page;
  }
}

}  // namespace
