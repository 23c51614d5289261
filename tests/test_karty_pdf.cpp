// The printed service card through the real program, read back by qpdf and
// poppler: the title with the number, the client, the service and part lines
// of the repair's document, the trips, the total (trips + the document's
// gross lines + the additional cost); content never reaches the signature
// block, a long card continues on a second page with the signatures at its
// end; a worker prints only the cards he may open; a card that does not
// exist is an error page.
#include <gtest/gtest.h>

#include <fstream>
#include <algorithm>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "tests/kal_pages.hpp"
#include "tests/pdf_testutil.hpp"

namespace {

using kal::pages::firms_file;
using kal::pages::has;
using kal::pages::kHead;
using kal::pages::Site;

std::string goods(unsigned id, const char* name, unsigned type) {
  return " " + std::to_string(id) + " '" + name + "' '' 'K" + std::to_string(id) +
         "' '' '' 0.00 0.00 0.00 10.00 100.00 '' 1 " + std::to_string(type) + " 1 0.00 0.00 0 0 0 0\r\n";
}

// Repair 7 of client 5 with the sale document 1: a service at 100.00 and two
// parts at 25.00 (gross); card 1 of the repair with an additional cost of
// 10.05 and one trip (10.9 km at 1.50, 8:00 to 10:30 at 40 an hour).
std::vector<std::pair<std::string, std::string>> files(int extra_trips, const std::string& users = "") {
  std::string trips = std::string(kHead) + " 1 1 480 630 0 2.50 1 0.00 10.90 40 0.00 '' '' 1700000000\r\n";
  for (int i = 0; i < extra_trips; ++i)
    trips += " " + std::to_string(2 + i) + " 1 480 540 0 1.00 1 0.00 1.00 10 0.00 '' '' 1700000000\r\n";
  std::vector<std::pair<std::string, std::string>> f = {
      {"dat/Firmy.dat", firms_file({{1, "Nasz serwis"}, {2, "Klient detaliczny"}, {3, "Jan Serwisant"},
                                    {4, "Anna Serwisantka"}, {5, "Kowalski"}})},
      {"dat/Naprawy_wykonawcy.dat", std::string(kHead) + " 1 3\r\n 2 4\r\n"},
      {"dat/Naprawy.dat", std::string(kHead) + " 7 '7/2026' 1700000000 5 1 1 0 2 'opis' 0 0.00 0 0 0 0 '' 1 0.00 0 1 "
                                               "'' '' '' '' 'WA 7' 'RAMA7' '' '' '' 0\r\n"},
      {"dat/Stawki_VAT.dat", std::string(kHead) + " 1 '23%' '23'\r\n"},
      {"dat/Towary.dat", std::string(kHead) + goods(1, "Wymiana oleju", 2) + goods(2, "Filtr paliwa", 1)},
      {"dat/Transakcje.dat",
       std::string(kHead) + " 1 '1/FV/2026' 1760000000 1760000000 150.00 '' 5 1 1 1760000000 N N 0.00 0 0\r\n"},
      {"dat/Towary_transakcje.dat", std::string(kHead) + " 1 1 1 100.00 1.00 1\r\n 2 2 1 25.00 2.00 1\r\n"},
      {"dat/Srodki_transportu.dat", std::string(kHead) + " 1 'Bus' 'WA 1' 1.50 '' '' 1700000000\r\n"},
      {"dat/Karty.dat", std::string(kHead) + " 1 'K/1' 7 0 0 1 '' 0 0 0 1765000000 'Uwagi do karty' '' '' '' 0 2 "
                                             "'' '' '' '' '' 1765000000 0.00 10.05 0.00 1765000000\r\n"},
      {"dat/Dojazdy.dat", trips}};
  if (!users.empty()) f.push_back({"dat/Users.dat", users});
  return f;
}

using kaltest::Word;

class CardPdf : public ::testing::Test {
 protected:
  void start(int extra_trips, const std::string& users = "", const std::string& user = "",
             const std::string& password = "") {
    site_ = std::make_unique<Site>(files(extra_trips, users));
    ASSERT_TRUE(site_->start(user, password)) << site_->log();
  }
  std::string fetch(unsigned id) {
    auto r = site_->server().get("/Karta_uslug_" + std::to_string(id) + ".pdf?sess_code=" + site_->code());
    body_ = r.body;
    const std::string pdf = site_->server().file("karta.pdf");
    std::ofstream(pdf, std::ios::binary) << r.body;
    return pdf;
  }
  static std::string text_of(const std::string& pdf) {
    return kaltest::run("pdftotext -layout -enc UTF-8 " + kaltest::shell_quote(pdf) + " - | iconv -f UTF-8 -t CP1250",
                        false)
        .out;
  }
  static std::vector<Word> words_of(const std::string& pdf) { return kaltest::pdf_words(pdf); }
  std::unique_ptr<Site> site_;
  std::string body_;
};

TEST_F(CardPdf, TheCardWithItsLinesTripsAndTotal) {
  start(0);
  const std::string pdf = fetch(1);
  ASSERT_EQ(body_.rfind("%PDF", 0), 0u) << body_.substr(0, 300);
  EXPECT_EQ(kaltest::qpdf_problems(pdf), "");
  const std::string text = text_of(pdf);
  for (const char* part : {"K A R T A U S Ł U G nr K/1", "Kowalski", "Wymiana oleju", "Filtr paliwa", "Bus",
                           "10,9", "16,35 zł", "8:00", "10:30", "100,00", "Koszt dodatkowy:", "10,05 zł",
                           "Uwagi do karty", "Podpis prowadzącego prace", "Jan Serwisant", "Nasz serwis"})
    EXPECT_TRUE(has(text, part)) << part << "\n" << text;
  // The total: trips 116.35 + lines 150.00 + additional 10.05.
  EXPECT_TRUE(has(text, "276,40")) << text;
  EXPECT_TRUE(std::regex_search(kaltest::run("pdfinfo " + kaltest::shell_quote(pdf)).out, std::regex("Pages: +1\n")));
}

// With no trips at all, and with 40 more: the signature captions are never
// overprinted, and the long card signs on its last page only.
TEST_F(CardPdf, ContentNeverReachesTheSignatures) {
  for (int extra : {0, 40}) {
    SCOPED_TRACE(extra);
    start(extra);
    const std::string pdf = fetch(1);
    EXPECT_EQ(kaltest::qpdf_problems(pdf), "");
    const std::vector<Word> words = words_of(pdf);
    int last_page = 0;
    for (const Word& w : words) last_page = std::max(last_page, w.page);
    EXPECT_EQ(last_page, extra == 0 ? 1 : 2);
    // The caption "Podpis prowadzącego prace" is on the last page only.
    std::vector<Word> caption;
    for (std::size_t i = 0; i + 2 < words.size(); ++i)
      if (words[i].text == "Podpis" && words[i + 1].text == "prowadzącego" && words[i + 2].text == "prace")
        caption.insert(caption.end(), {words[i], words[i + 1], words[i + 2]});
    ASSERT_EQ(caption.size(), 3u);
    EXPECT_EQ(caption[0].page, last_page);
    // No word of the content lies in the band of the signature block.
    for (const Word& w : words) {
      if (w.page != caption[0].page || w.y0 > caption[0].y0 - 0.5) continue;
      EXPECT_LT(w.y1, caption[0].y0 + 0.5) << w.text;
    }
    for (const Word& w : words) {
      if (w.y0 >= caption[0].y0 - 0.5 || w.page != caption[0].page) continue;
      for (const Word& c : caption) {
        const bool overlap = w.x0 < c.x1 && c.x0 < w.x1 && w.y0 < c.y1 && c.y0 < w.y1;
        EXPECT_FALSE(overlap) << w.text << " over " << c.text;
      }
    }
    // Every trip row is printed.
    const std::string text = text_of(pdf);
    EXPECT_TRUE(std::regex_search(text, std::regex("\n *" + std::to_string(extra + 1) + " +Bus"))) << text;
    site_->stop();
  }
}

TEST_F(CardPdf, AWorkerPrintsOnlyHisCardsAndAMissingCardIsAnError) {
  start(0,
        std::string(kHead) + " 1 'admin' 'adm' 1700000000 1\r\n 3 'jan' 'jan1' 1700000000 2\r\n"
                             " 4 'anna' 'anna1' 1700000000 2\r\n",
        "anna", "anna1");
  std::string text = text_of(fetch(1));
  EXPECT_TRUE(has(text, "Nie masz uprawnień do tej strony !")) << text;
  EXPECT_FALSE(has(text, "Kowalski")) << text;
  ASSERT_TRUE(site_->log_in("jan", "jan1"));
  text = text_of(fetch(1));
  EXPECT_TRUE(has(text, "K A R T A")) << text;
  fetch(99);
  EXPECT_NE(body_.rfind("%PDF", 0), 0u);
  EXPECT_TRUE(has(body_, "Nie ma karty us")) << body_;
}

}  // namespace
