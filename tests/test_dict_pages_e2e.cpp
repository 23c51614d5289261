// The dictionary pages through the real kalmitor program, with the table
// file as the oracle: payment forms, units, VAT rates and goods types each
// take a new record, refuse its name a second time (with a link to the
// record), refuse a blank name, keep the name on an edit, and delete it.  A
// VAT rate or goods type that goods still name is not deleted.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <memory>
#include <regex>
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

// The pages are UTF-8, the program's texts (and this file's literals)
// Windows-1250.
std::string convert(const std::string& s, bool to_page) {
  return (to_page ? kaltest::recode("CP1250", "UTF-8", s) : kaltest::recode("UTF-8", "CP1250", s)).value_or(s);
}

std::string url_encode(const std::string& text) {
  std::string out;
  for (unsigned char c : convert(text, true)) {
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

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A goods of rate 1 and type 1, so that those two cannot be deleted.
const char kGoods[] =
    "KALMITOR 1.0 http://kalmitor.example/\r\n"
    " 1 'Olej' '' '' '' '' 10.00 10.00 20.00 12.00 3.00 '' 1 1 1 0.00 0.00 1700000000 1700000000 1700000000 0\r\n";

class DictPages : public ::testing::Test {
 protected:
  void SetUp() override {
    Server::Options o;
    o.files = {{"dat/Towary.dat", kGoods}};
    srv_ = std::make_unique<Server>(o);
    ASSERT_TRUE(srv_->start()) << srv_->log();
    HttpReply r = srv_->post("/login.htm", "action=" + url_encode(setting("Wejscie_text")));
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.body, m, std::regex("sess_code=([0-9a-f]{32})"))) << r.body;
    code_ = m[1];
  }
  void TearDown() override { EXPECT_EQ(srv_->stop(), 0) << srv_->log(); }

  std::string setting(const std::string& key) {
    const std::string file = read_file(srv_->file("ustawienia.txt"));
    const std::size_t at = file.find("\n" + key + " ");
    if (at == std::string::npos) return key;
    const std::size_t start = at + key.size() + 2;
    return file.substr(start, file.find('\r', start) - start);
  }

  // Posts the fields (Windows-1250 texts) to p.htm; the body in Windows-1250.
  std::string post(const Params& fields) {
    std::string body = "sess_code=" + code_;
    for (const auto& [k, v] : fields) body += "&" + url_encode(k) + "=" + url_encode(v);
    HttpReply r = srv_->post("/p.htm", body);
    EXPECT_EQ(r.status, 200);
    return convert(r.body, false);
  }
  std::string dat(const std::string& table) { return read_file(srv_->file("dat/" + table + ".dat")); }

  std::unique_ptr<Server> srv_;
  std::string code_;
};

struct Dict {
  const char* table;
  int list, neu, edit;
  const char* list_title;    // as the list shows it
  const char* extra;         // a further field of the form, or nullptr
  const char* blank_refusal; // the message for a name of blanks
  const char* exists_text;   // what follows the link when the name exists
};

const Dict kDicts[] = {
    {"Formy_platnosci", 66, 67, 68, "Formy płatności", nullptr,
     "Nazwa Formy_platnosci nie może zawierać tylko białych znaków !", " już istnieje w bazie !"},
    {"Jednostki_metryczne", 63, 64, 65, "Jednostki metryczne", nullptr, "Name can not has only white chars !",
     " już istnieje w bazie !"},
    {"Stawki_VAT", 72, 73, 74, "Stawki VAT", "procent",
     "Nazwa Stawki VAT nie może zawierać tylko białych znaków !", " już istnieje w bazie !"},
    {"Towary_typy", 75, 76, 77, "Typy towarów", "uwagi",
     "Nazwa Towary_typy nie może zawierać tylko białych znaków !", " już istnieje w bazie !"},
};

TEST_F(DictPages, NewRefusedBlankEditAndDeleteInEveryDictionary) {
  const std::string confirm = setting("Zatwierdz_button");
  for (const Dict& d : kDicts) {
    SCOPED_TRACE(d.table);
    // A new record takes the next Id after the highest in the shipped file.
    const std::string before = dat(d.table);
    unsigned highest = 0;
    static const std::regex key("\r\n (\\d+) ");
    for (auto it = std::sregex_iterator(before.begin(), before.end(), key); it != std::sregex_iterator(); ++it)
      highest = std::max(highest, static_cast<unsigned>(std::stoul((*it)[1])));
    const std::string T = d.table, n_new = "n_" + std::to_string(d.neu), n_edit = "n_" + std::to_string(d.edit),
                      id = std::to_string(highest + 1), name = "Nowa <b>ł & x";
    const std::string escaped = "Nowa &lt;b&gt;ł &amp; x";

    // The list, then its add button: an empty form.
    std::string page = post({{"n_" + std::to_string(d.list), "l"}});
    EXPECT_TRUE(has(page, d.list_title)) << page;
    EXPECT_TRUE(has(page, "p.htm?n_" + std::to_string(d.edit) + "=e&" + T + "_Id=1&")) << page;
    page = post({{n_new, setting("Dodaj_button")}});
    EXPECT_TRUE(has(page, "NAME=\"" + T + "_nazwa\" VALUE=\"\"")) << page;

    // Confirmed: in the file under the next Id; the list follows.
    Params fields = {{n_new, confirm}, {T + "_nazwa", name}};
    if (d.extra) fields.emplace_back(T + "_" + d.extra, "7");
    page = post(fields);
    std::string file = dat(T);
    const std::string record = " " + id + " '" + name + "'" + (d.extra ? " '7'" : "") + "\r\n";
    EXPECT_EQ(file, before + record);
    EXPECT_TRUE(has(page, ">" + escaped + "</A>")) << page;

    // The same name again: refused with a link to that record.
    page = post(fields);
    EXPECT_EQ(dat(T), file);
    EXPECT_TRUE(has(page, "p.htm?n_" + std::to_string(d.edit) + "=e&" + T + "_Id=" + id + "&")) << page;
    EXPECT_TRUE(has(page, escaped + "</A>")) << page;
    EXPECT_TRUE(has(page, d.exists_text)) << page;
    // The form shows what was typed.
    EXPECT_TRUE(has(page, "VALUE=\"Nowa &lt;b&gt;ł &amp; x\"")) << page;
    // A name of blanks: refused with the table's message.
    page = post({{n_new, confirm}, {T + "_nazwa", " \t "}});
    EXPECT_TRUE(has(page, d.blank_refusal)) << page;
    page = post({{n_new, confirm}, {T + "_nazwa", ""}});
    EXPECT_EQ(dat(T), file);

    // Edit: the stored record in the form; confirming it with its own name
    // is accepted, and a field the request does not carry keeps its value.
    page = post({{n_edit, "e"}, {T + "_Id", id}});
    EXPECT_TRUE(has(page, "VALUE=\"" + escaped + "\"")) << page;
    EXPECT_TRUE(has(page, "VALUE=\"" + setting("Usun_button") + "\"")) << page;
    post({{n_edit, confirm}, {T + "_Id", id}, {T + "_nazwa", name}});
    EXPECT_EQ(dat(T), file);
    if (d.extra) {
      post({{n_edit, confirm}, {T + "_Id", id}, {T + "_nazwa", name}, {T + "_" + d.extra, "8"}});
      EXPECT_TRUE(has(dat(T), " " + id + " '" + name + "' '8'\r\n")) << dat(T);
    }
    // Another record's name is accepted on the edit page.
    post({{n_edit, confirm}, {T + "_Id", id}, {T + "_nazwa", "Druga"}});
    EXPECT_TRUE(has(dat(T), " " + id + " 'Druga'")) << dat(T);

    // Deleted: gone from the file, the list shown at once.
    page = post({{n_edit, setting("Usun_button")}, {T + "_Id", id}});
    EXPECT_EQ(dat(T), before);
    EXPECT_TRUE(has(page, d.list_title));
    // An Id of -1 is a bad parameter; an Id nobody has shows nothing.
    page = post({{n_edit, "e"}, {T + "_Id", "-1"}});
    EXPECT_TRUE(has(page, "mgs_" + T + "_edit() bad page parameter " + T + "_Id='-1' !\n<br\n>")) << page;
    page = post({{n_edit, "e"}, {T + "_Id", "99"}});
    EXPECT_FALSE(has(page, "NAME=\"" + T + "_nazwa\""));
  }
}

TEST_F(DictPages, TheListFiltersByTheBeginningOfTheName) {
  for (const char* l : {"2", "K", "k"}) {
    const std::string page = post({{"n_72", "l"}, {"l", l}});
    SCOPED_TRACE(l);
    const bool digit = l[0] == '2';
    EXPECT_EQ(has(page, ">23%</A>"), digit) << page;
    EXPECT_FALSE(has(page, ">8%</A>"));
  }
  const std::string page = post({{"n_72", "l"}, {"l", ""}});
  EXPECT_TRUE(has(page, ">8%</A>"));
}

TEST_F(DictPages, ARateOrTypeThatGoodsNameIsNotDeleted) {
  const std::string rates = dat("Stawki_VAT"), types = dat("Towary_typy");
  std::string page = post({{"n_74", setting("Usun_button")}, {"Stawki_VAT_Id", "1"}});
  EXPECT_EQ(dat("Stawki_VAT"), rates);
  EXPECT_TRUE(has(page, "COLOR=\"RED\"")) << page;
  EXPECT_TRUE(has(page, "Stawka VAT 23% nie została usunięta: mają ją towary (1) !")) << page;
  EXPECT_TRUE(has(page, "NAME=\"Stawki_VAT_nazwa\" VALUE=\"23%\""));
  page = post({{"n_77", setting("Usun_button")}, {"Towary_typy_Id", "1"}});
  EXPECT_EQ(dat("Towary_typy"), types);
  EXPECT_TRUE(has(page, "nie został usunięty: mają go towary (1) !")) << page;
  // Those no goods name go.
  post({{"n_74", setting("Usun_button")}, {"Stawki_VAT_Id", "2"}});
  EXPECT_FALSE(has(dat("Stawki_VAT"), " 2 '8%'"));
  post({{"n_77", setting("Usun_button")}, {"Towary_typy_Id", "2"}});
  EXPECT_FALSE(has(dat("Towary_typy"), " 2 '"));
}

}  // namespace
