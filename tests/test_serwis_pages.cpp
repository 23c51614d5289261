// The equipment register through the real kalmitor program: the list with its
// filters, sort and paging over a register of 25 items whose service cycles
// lie around the present moment, new and edited items read back from the
// table files, the "OK" of a due cycle, a firm's equipment, and the warranty
// card read back with qpdf and pdftotext.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "tests/kal_cdp.hpp"
#include "tests/kal_e2e.hpp"
#include "tests/kal_pages.hpp"
#include "tests/pdf_testutil.hpp"

namespace {

using kal::pages::has;
using kal::pages::Params;
using kal::pages::Site;

constexpr long kDay = 86400;

std::string firms() {
  return kal::pages::firms_file({{1, "Nasz serwis"}, {2, "Klient detaliczny"}, {3, "Alfa"}, {4, "Beta"}, {5, "Gamma"}});
}

// Goods 1 and 2: two models of the type of equipment received for service.
std::string goods() {
  std::string f = kal::pages::kHead;
  for (const char* row : {" 1 'Ciągnik C-330' '' '' '' '' 0.00 0.00 0.00 0.00 0.00 '' 1 3 1 0.00 0.00 0 0 0 0\r\n",
                          " 2 'Kosiarka' '' '' '' '' 0.00 0.00 0.00 0.00 0.00 '' 1 3 1 0.00 0.00 0 0 0 0\r\n"})
    f += row;
  return f;
}

std::string serwis_row(long id, long owner, long model, const std::string& rej, const std::string& ramy,
                       const std::string& silnika, long sold = 1700000000) {
  return " " + std::to_string(id) + " " + std::to_string(owner) + " " + std::to_string(model) + " 'N" +
         std::to_string(id) + "' 'M' 'czerwony' 'T' 'R' '" + rej + "' '" + ramy + "' '" + silnika +
         "' '12000' 'pług' 0 " + std::to_string(sold) + " 0 0\r\n";
}

std::string cykle_row(long id, long serwis, long start, long last, long days) {
  return " " + std::to_string(id) + " " + std::to_string(serwis) + " 0 0 " + std::to_string(start) + " 0 " +
         std::to_string(last) + " 0 0 0.00 " + std::to_string(days) + " 0 0 '' '' '' '' 0\r\n";
}

// Items 1..25: registrations "WX 01", "wx 02" ... (every other in lower case),
// items 21..25 "KR 21" ...; owners 3, 4, 5 in turn; model 1, model 2 for
// every fifth.  Cycles of 30 days: item 3 overdue, item 7 due within a day,
// item 12 not due, item 15 of period 0.
struct Register {
  long now = static_cast<long>(std::time(nullptr));
  std::string serwis, cykle;
  Register() {
    serwis = kal::pages::kHead;
    for (long i = 1; i <= 25; ++i) {
      char rej[16];
      std::snprintf(rej, sizeof rej, i > 20 ? "KR %02ld" : (i % 2 ? "WX %02ld" : "wx %02ld"), i);
      serwis += serwis_row(i, 3 + (i - 1) % 3, i % 5 == 0 ? 2 : 1, rej, "R" + std::to_string(i),
                           "S" + std::to_string(i));
    }
    cykle = kal::pages::kHead;
    cykle += cykle_row(1, 3, now - 100 * kDay, now - 40 * kDay, 30);
    cykle += cykle_row(2, 7, now - 100 * kDay, now - 30 * kDay + 3600, 30);
    cykle += cykle_row(3, 12, now - 100 * kDay, now, 30);
    cykle += cykle_row(4, 15, now - 100 * kDay, now - 1000 * kDay, 0);
  }
};

void set(std::string& s, const std::string& name, const std::string& value) {
  const std::string key = "\n" + name + " ";
  const std::size_t at = s.find(key);
  if (at != std::string::npos) s.replace(at + key.size(), s.find('\r', at + 1) - at - key.size(), value);
}

// The default settings with a page of ten items and one row of two custom
// fields.
std::string settings() {
  std::string s = kal::pages::read_file(KAL_SOURCE_DIR "/data/ustawienia.txt");
  set(s, "Sprzetu_na_stronie", "10");
  set(s, "ext_rows_count", "1");
  set(s, "ext_s00_text", "Nr polisy");
  return s + "ext_s01_text Ubezpieczyciel\r\n";
}

// The Ids of the items listed, in the order of their rows.
std::vector<long> listed(const std::string& page) {
  std::vector<long> ids;
  static const std::regex link("n_23=e&(?:amp;)?Serwis_Id=([0-9]+)");
  for (auto it = std::sregex_iterator(page.begin(), page.end(), link); it != std::sregex_iterator(); ++it) {
    const long id = std::stol((*it)[1]);
    if (ids.empty() || ids.back() != id) ids.push_back(id);
  }
  return ids;
}

// The table file's data lines.
std::vector<std::string> rows(const std::string& file) {
  std::vector<std::string> out;
  std::size_t pos = file.find('\n');
  while (pos != std::string::npos && pos + 1 < file.size()) {
    const std::size_t end = file.find('\n', pos + 1);
    std::string line = file.substr(pos + 1, end == std::string::npos ? std::string::npos : end - pos - 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) out.push_back(line);
    pos = end;
  }
  return out;
}

// Field n (from 0) of a table line: numbers and quoted texts split by blanks.
std::string field(const std::string& line, int n) {
  std::vector<std::string> f;
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ') {
      ++i;
      continue;
    }
    std::string v;
    if (line[i] == '\'') {
      ++i;
      while (i < line.size() && line[i] != '\'') v += line[i++];
      ++i;
    } else {
      while (i < line.size() && line[i] != ' ') v += line[i++];
    }
    f.push_back(v);
  }
  return n < static_cast<int>(f.size()) ? f[static_cast<std::size_t>(n)] : "";
}

class SerwisPages : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(site_.start()) << site_.log();
    zatwierdz_ = site_.setting("Zatwierdz_button");
  }
  void TearDown() override { EXPECT_EQ(site_.stop(), 0); }

  std::string list(const Params& more = {}) {
    Params p{{"n_22", "l"}};
    p.insert(p.end(), more.begin(), more.end());
    return site_.post(p, "/sprzet.htm");
  }
  // The token of a fresh new-equipment form.
  std::string new_form_token() {
    const std::string page = site_.post({{"n_86", "n"}}, "/sprzet.htm");
    std::smatch m;
    if (!std::regex_search(page, m, std::regex("name=\"Serwis_form_token\" value=\"([^\"]*)\""))) return "";
    return m[1];
  }
  std::string cycle_line(long id) {
    for (const std::string& l : rows(site_.dat("Cykle")))
      if (field(l, 0) == std::to_string(id)) return l;
    return "";
  }

  Register reg_;
  Site site_{{{"dat/Firmy.dat", firms()},
              {"dat/Towary.dat", goods()},
              {"dat/Serwis.dat", reg_.serwis},
              {"dat/Cykle.dat", reg_.cykle},
              {"ustawienia.txt", settings()}}};
  std::string zatwierdz_;
};

TEST_F(SerwisPages, ListSortsDueFirstAndPagesByTen) {
  // Opening afresh resets the filters and sorts by the cycle's state.
  std::string page = list({{"a", "n"}});
  const std::vector<long> first = listed(page);
  ASSERT_EQ(first.size(), 10u) << page;
  EXPECT_EQ(first[0], 3);  // overdue
  EXPECT_EQ(first[1], 7);  // due within a day
  EXPECT_EQ(first[2], 1);  // the rest by Id, the period-0 cycle among them
  EXPECT_TRUE(has(page, "cykle_id_1 VALUE=OK")) << page;
  EXPECT_TRUE(has(page, "cykle_id_2 VALUE=OK"));
  EXPECT_FALSE(has(page, "cykle_id_3 "));
  EXPECT_FALSE(has(page, "cykle_id_4 "));
  EXPECT_TRUE(has(page, "<FONT COLOR=red>")) << "the overdue date in red";

  std::vector<long> all = first;
  for (int step = 0; step < 2; ++step) {
    page = list({{"n_22", ">>"}});
    for (long id : listed(page)) all.push_back(id);
  }
  ASSERT_EQ(all.size(), 25u);
  std::vector<long> rest(all.begin() + 2, all.end());
  EXPECT_TRUE(std::is_sorted(rest.begin(), rest.end())) << "equal keys keep the order of their Ids";
  EXPECT_EQ(listed(list({{"n_22", ">>"}})).size(), 5u) << "the last page stays";

  // Ascending by the registration number, then descending.
  page = list({{"Psort", "5"}, {"n_22", "|<"}});
  EXPECT_EQ(listed(page).front(), 21) << "KR before WX";
  page = list({{"Psort", "6"}, {"n_22", "|<"}});
  EXPECT_EQ(listed(page).front(), 19) << "wx 19 / WX 19 last in collation";
}

TEST_F(SerwisPages, FiltersAreCaseInsensitivePrefixes) {
  list({{"a", "n"}});
  struct Case {
    Params filter;
    std::vector<long> ids;
  };
  const std::vector<Case> cases = {
      {{{"Nnr_rej", "wX 1"}}, {10, 11, 12, 13, 14, 15, 16, 17, 18, 19}},
      {{{"Nnr_rej", "kr"}}, {21, 22, 23, 24, 25}},
      {{{"Nnr_ramy", "r2"}}, {2, 20, 21, 22, 23, 24, 25}},
      {{{"Firmy_l", "gam"}}, {3, 6, 9, 12, 15, 18, 21, 24}},
      {{{"do_naprawy_Towary_l", "kosi"}}, {5, 10, 15, 20, 25}},
      {{{"SerwisSerach_Id_Towary__przyjety", "2"}, {"Nnr_silnika", "S1"}}, {10, 15}},
      {{{"Firmy_l", "*"}, {"Nnr_rej", "WX 0"}}, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
  };
  for (const Case& c : cases) {
    Params p = {{"Psort", "1"}, {"n_22", site_.setting("Szukaj_button")}};
    p.insert(p.end(), c.filter.begin(), c.filter.end());
    site_.post({{"n_22", site_.setting("Czysc_button")}}, "/sprzet.htm");
    const std::vector<long> got = listed(site_.post(p, "/sprzet.htm"));
    EXPECT_EQ(got, c.ids) << c.filter[0].first << "=" << c.filter[0].second;
  }
}

TEST_F(SerwisPages, NewItemAddsOneRowToEachTableOnce) {
  const std::size_t serwis = rows(site_.dat("Serwis")).size(), ext = rows(site_.dat("Sprzet_ext")).size(),
                    cykle = rows(site_.dat("Cykle")).size();
  const std::string token = new_form_token();
  ASSERT_FALSE(token.empty()) << site_.last();
  const Params form = {{"n_86", zatwierdz_},
                       {"Serwis_form_token", token},
                       {"NaprawyNew_Naprawy_Id_Towary__przyjety", "2"},
                       {"SerwisNew_Serwis_Id_Firmy__klient", "4"},
                       {"SerwisNew_Serwis_nr_rej", "PO 777"},
                       {"SerwisNew_Serwis_nr_ramy", "RAMA-7"},
                       {"SerwisNew_Serwis_data_sprzedazy", "05.03.2024"},
                       {"SerwisNew_Sprzet_ext_s00", "pole własne"},
                       {"Cykle_data_start", "01.02.2024"},
                       {"Cykle_okres1", "90"}};
  site_.post(form, "/serwis.htm");
  const std::vector<std::string> s = rows(site_.dat("Serwis"));
  ASSERT_EQ(s.size(), serwis + 1);
  EXPECT_EQ(field(s.back(), 0), "26");
  EXPECT_EQ(field(s.back(), 1), "4");
  EXPECT_EQ(field(s.back(), 2), "2");
  EXPECT_EQ(field(s.back(), 8), "PO 777");
  EXPECT_EQ(field(s.back(), 14), "1709596800");
  const std::vector<std::string> e = rows(site_.dat("Sprzet_ext"));
  ASSERT_EQ(e.size(), ext + 1);
  EXPECT_TRUE(has(e.back(), "'pole własne'")) << e.back();
  const std::vector<std::string> c = rows(site_.dat("Cykle"));
  ASSERT_EQ(c.size(), cykle + 1);
  EXPECT_EQ(field(c.back(), 1), "26");
  EXPECT_EQ(field(c.back(), 4), "1706745600");
  EXPECT_EQ(field(c.back(), 6), "1706745600");
  EXPECT_EQ(field(c.back(), 10), "90");

  // The same form again (a reload) creates nothing.
  site_.post(form, "/serwis.htm");
  EXPECT_EQ(rows(site_.dat("Serwis")).size(), serwis + 1) << site_.last();
  EXPECT_EQ(rows(site_.dat("Cykle")).size(), cykle + 1);
}

TEST_F(SerwisPages, PeriodsOutsideTheRangeAreRefused) {
  for (const char* period : {"33554432", "-1", "36501", "30x"}) {
    const std::size_t serwis = rows(site_.dat("Serwis")).size(), cykle = rows(site_.dat("Cykle")).size();
    const std::string page = site_.post({{"n_86", zatwierdz_},
                                         {"Serwis_form_token", new_form_token()},
                                         {"SerwisNew_Serwis_nr_rej", "ZZ 1"},
                                         {"Cykle_data_start", "01.02.2024"},
                                         {"Cykle_okres1", period}},
                                        "/serwis.htm");
    EXPECT_TRUE(has(page, "36500")) << period << page;
    EXPECT_EQ(rows(site_.dat("Serwis")).size(), serwis) << period;
    EXPECT_EQ(rows(site_.dat("Cykle")).size(), cykle) << period;
  }
  // 36500 days is a period like any other.
  site_.post({{"n_86", zatwierdz_},
              {"Serwis_form_token", new_form_token()},
              {"Cykle_data_start", "01.02.2024"},
              {"Cykle_okres1", "36500"}},
             "/serwis.htm");
  EXPECT_EQ(field(rows(site_.dat("Cykle")).back(), 10), "36500");
  EXPECT_TRUE(site_.server().running());
}

TEST_F(SerwisPages, EditWritesOnlyWhatTheFormCarries) {
  site_.post({{"n_23", "e"}, {"Serwis_Id", "12"}}, "/sprzet.htm");
  const std::string before = rows(site_.dat("Serwis"))[11];
  // A form of another item saves nothing.
  std::string page = site_.post(
      {{"n_23", zatwierdz_}, {"SerwisNew_Serwis_Id", "13"}, {"SerwisNew_Serwis_nr_rej", "XX"}}, "/serwis.htm");
  EXPECT_EQ(rows(site_.dat("Serwis"))[11], before);
  EXPECT_TRUE(has(page, "otwórz sprzęt ponownie")) << page;

  site_.post({{"n_23", "e"}, {"Serwis_Id", "12"}}, "/sprzet.htm");
  site_.post({{"n_23", zatwierdz_}, {"SerwisNew_Serwis_Id", "12"}, {"SerwisNew_Serwis_nr_rej", "NOWY 12"}},
             "/serwis.htm");
  const std::string after = rows(site_.dat("Serwis"))[11];
  EXPECT_EQ(field(after, 8), "NOWY 12");
  for (int f : {1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 14})
    EXPECT_EQ(field(after, f), field(before, f)) << "field " << f;
  // The cycle of the item keeps its last service.
  EXPECT_EQ(field(cycle_line(3), 6), std::to_string(reg_.now));
}

TEST_F(SerwisPages, OkConfirmsTheServiceOfACycle) {
  list({{"a", "n"}});
  const long last = reg_.now - 40 * kDay;
  const long start = reg_.now - 100 * kDay;
  // Empty date: the next due date (start + 90 days: the 60-day boundary is
  // passed by A), at midnight.
  site_.post({{"n_22", "l"}, {"cykle_id_1", "OK"}, {"Cykle_data_aktualnej_naprawy", ""}}, "/sprzet.htm");
  const long due = start + ((last - start) / (30 * kDay) + 1) * 30 * kDay;
  EXPECT_EQ(std::stol(field(cycle_line(1), 6)), due - due % kDay) << site_.log();
  EXPECT_FALSE(has(listed(site_.last()).empty() ? "" : site_.last(), "cykle_id_1 VALUE=OK"));

  site_.post({{"n_22", "l"}, {"cykle_id_2", "OK"}, {"Cykle_data_aktualnej_naprawy", "01.02.2024"}}, "/sprzet.htm");
  EXPECT_EQ(field(cycle_line(2), 6), "1706745600");

  const std::string kept = cycle_line(2);
  const std::string page =
      site_.post({{"n_22", "l"}, {"cykle_id_2", "OK"}, {"Cykle_data_aktualnej_naprawy", "jutro"}}, "/sprzet.htm");
  EXPECT_EQ(cycle_line(2), kept);
  EXPECT_TRUE(has(page, "cykl bez zmian")) << page;
}

TEST_F(SerwisPages, StoredTextIsEscapedAndPickLinksStayLocal) {
  const std::string evil = "<img src=x onerror=alert(1)>";
  site_.post({{"n_86", zatwierdz_},
              {"Serwis_form_token", new_form_token()},
              {"SerwisNew_Serwis_nr_rej", evil},
              {"SerwisNew_Serwis_nr_ramy", evil},
              {"SerwisNew_Serwis_nr_silnika", evil},
              {"SerwisNew_Serwis_Id_Firmy__klient", "3"}},
             "/serwis.htm");
  list({{"a", "n"}});
  std::string page = list({{"Nnr_rej", "<img"}});
  EXPECT_EQ(listed(page), std::vector<long>{26});
  EXPECT_FALSE(has(page, "<img src=x")) << page;
  EXPECT_TRUE(has(page, "&lt;img src=x onerror=alert(1)&gt;"));

  page = site_.post({{"n_19", "e"}, {"Firmy_Id", "3"}}, "/firma.htm");
  EXPECT_FALSE(has(page, "<img src=x"));
  EXPECT_TRUE(has(page, "n_23=e&amp;Serwis_Id=26") || has(page, "n_23=e&Serwis_Id=26")) << page;

  // A return link that leaves the program is dropped; a local one is used.
  page = list({{"backhref", "http://evil.example/x?Id="}});
  EXPECT_FALSE(has(page, "evil.example"));
  page = list({{"backhref", "plan.htm?n_103=e&Plany_Id_Serwis="}});
  EXPECT_TRUE(has(page, "plan.htm?n_103=e&amp;Plany_Id_Serwis=26") || has(page, "Plany_Id_Serwis=26")) << page;
}

TEST_F(SerwisPages, WarrantyCardIsAPdfOfTheItem) {
  const std::string dir = site_.server().file("");
  auto fetch = [&](const std::string& id) {
    return site_.server().get("/Karta_Gwarancyjna_" + id + ".pdf?sess_code=" + site_.code());
  };
  const kal::e2e::HttpReply r = fetch("12");
  ASSERT_EQ(r.body.rfind("%PDF", 0), 0u) << r.body.substr(0, 300);
  const std::string pdf = dir + "/card.pdf";
  {
    std::ofstream out(pdf, std::ios::binary);
    out << r.body;
  }
  EXPECT_EQ(kaltest::qpdf_problems(pdf), "");
  ASSERT_EQ(std::system(("pdftotext -enc UTF-8 " + pdf + " " + dir + "/card.txt").c_str()), 0);
  const std::string text = kal::pages::read_file(dir + "/card.txt");
  EXPECT_TRUE(has(text, "wx 12")) << text;
  EXPECT_TRUE(has(text, "Nasz serwis")) << text;
  EXPECT_TRUE(has(text, "14.11.2023")) << text;  // 1700000000

  for (const char* missing : {"999", "0"}) {
    const kal::e2e::HttpReply m = fetch(missing);
    EXPECT_EQ(m.body.find("%PDF"), std::string::npos) << missing;
    EXPECT_TRUE(has(m.body, "Brak w bazie")) << m.body;
  }
}

// The list and a new item in headless Chromium: ten rows a page, due items
// first, a filter typed in, a new item with a custom field and a cycle, and a
// registration number that is markup shown as text without any dialog.
TEST_F(SerwisPages, InTheBrowser) {
  kal::cdp::Browser b;
  if (kal::cdp::chromium_path().empty()) GTEST_SKIP() << "chromium is not installed (tools/deps.sh installs it)";
  ASSERT_TRUE(b.ok());
  const std::string shots = KAL_BINARY_DIR "/browser";
  std::filesystem::create_directories(shots);
  const std::string base = "http://127.0.0.1:" + std::to_string(site_.server().port()) + "/";
  auto js = [&](const std::string& e) { return b.eval(e); };
  auto type = [&](const std::string& name, const std::string& value) {
    js("document.querySelector('[name=\"" + name + "\"]').value = " + kal::cdp::quote(value) + "; 'ok'");
  };
  auto press = [&](const std::string& selector) { return b.submit("document.querySelector('" + selector + "').click()"); };
  const std::string rows_js = "String(new Set(Array.from(document.querySelectorAll('a[href*=\"n_23=e\"]'))"
                              ".map(a => a.href.replace(/.*Serwis_Id=([0-9]+).*/, '$1'))).size)";

  ASSERT_TRUE(b.open(base + "sprzet.htm?n_22=l&a=n&sess_code=" + site_.code()));
  EXPECT_EQ(js(rows_js), "10");
  EXPECT_EQ(js("document.querySelector('a[href*=\"n_23=e\"]').textContent"), "WX 03");
  EXPECT_EQ(js("String(document.querySelectorAll('input[name^=\"cykle_id_\"]').length)"), "2");
  EXPECT_TRUE(b.screenshot(shots + "/sprzet_lista.png"));

  type("Nnr_rej", "wX 2");
  ASSERT_TRUE(press("input[name=\"n_22\"][value=\"" + site_.setting("Szukaj_button") + "\"]"));
  EXPECT_EQ(js(rows_js), "1") << "only wx 20 (KR 21.. begin otherwise)";

  const std::size_t serwis = rows(site_.dat("Serwis")).size(), ext = rows(site_.dat("Sprzet_ext")).size(),
                    cykle = rows(site_.dat("Cykle")).size();
  ASSERT_TRUE(press("input[name=\"n_86\"]"));
  const std::string evil = "<img src=x onerror=alert(1)>";
  type("SerwisNew_Serwis_nr_rej", evil);
  type("SerwisNew_Serwis_nr_ramy", "RAMA 9");
  type("SerwisNew_Sprzet_ext_s00", "POL-123");
  type("Cykle_data_start", "01.02.2024");
  type("Cykle_okres1", "30");
  js("document.querySelector('select[name=\"NaprawyNew_Naprawy_Id_Towary__przyjety\"]').value = '2'; 'ok'");
  EXPECT_TRUE(b.screenshot(shots + "/sprzet_nowy.png"));
  ASSERT_TRUE(press("input[name=\"n_86\"][value^=\"Zatwierd\"]"));
  EXPECT_EQ(rows(site_.dat("Serwis")).size(), serwis + 1);
  EXPECT_EQ(rows(site_.dat("Sprzet_ext")).size(), ext + 1);
  EXPECT_TRUE(has(rows(site_.dat("Sprzet_ext")).back(), "'POL-123'"));
  EXPECT_EQ(rows(site_.dat("Cykle")).size(), cykle + 1);
  EXPECT_EQ(field(rows(site_.dat("Serwis")).back(), 2), "2");

  type("Nnr_rej", "<img");
  ASSERT_TRUE(press("input[name=\"n_22\"][value=\"" + site_.setting("Szukaj_button") + "\"]"));
  EXPECT_EQ(js(rows_js), "1");
  EXPECT_EQ(js("document.querySelector('a[href*=\"n_23=e\"]').textContent"), evil);
  EXPECT_EQ(js("String(document.querySelectorAll('img[src=\"x\"]').length)"), "0");
  EXPECT_TRUE(b.screenshot(shots + "/sprzet_znaczniki.png"));
  EXPECT_TRUE(b.dialogs().empty()) << b.dialogs().front();
}

}  // namespace
