// The printouts of a repair fetched over HTTP from the real kalmitor with a
// logged-in session, and read back by real readers: qpdf, poppler's
// pdftotext, pdffonts and pdfinfo, and zbarimg on pages rendered by
// pdftoppm.  The table files are the oracle of the printed flag.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/textfile.hpp"
#include "tests/kal_e2e.hpp"
#include "tests/kal_pages.hpp"
#include "tests/pdf_testutil.hpp"

namespace {

using kal::e2e::HttpReply;
using kal::e2e::Server;
using Files = std::vector<std::pair<std::string, std::string>>;

using kal::pages::kHead;
using kal::pages::read_file;
using kal::pages::url_encode;

// The own firm 1, the client 5 and the worker's firm 7.
std::string firms_file(bool with_client = true) {
  std::string f = std::string(kHead) +
                  " 1 'Warsztat Ząbek' '' '725-000-00-01' 'ul. Długa 1' '90-001' 'Łódź' 'Bank Polski' '11 2222 3333' "
                  "'42 111 22 33' '' 'biuro@zabek.pl' '' '' '' 1 1 0 0\r\n";
  if (with_client)
    f += " 5 'Kowalski Jan' '' '' 'Krótka 5' '00-001' 'Warszawa' '' '' '600 700 800' '' '' '' '' '' 1 1 0 0\r\n";
  return f + " 7 'Nowak Anna' '' '' 'Polna 2' '30-001' 'Kraków' '' '' '' '' '' '' '' '' 1 1 0 0\r\n";
}

std::string goods_line(unsigned id, const char* name, const char* code, double net, unsigned rate, unsigned type) {
  char line[256];
  std::snprintf(line, sizeof line,
                " %u '%s' '' '%s' '' '' %.2f 0.00 0.00 %.2f 100.00 '' %u %u 1 0.00 0.00 0 0 0 0\r\n", id, name, code,
                net, net, rate, type);
  return line;
}

// The received goods 1, the part 2 (12.30 gross at 23 %) and a part 3 whose
// rate no longer exists.
std::string goods_file() {
  return std::string(kHead) + goods_line(1, "Skuter Vento", "SK-1", 0, 1, 3) + goods_line(2, "Filtr A", "F-1", 10.00, 1, 1) +
         goods_line(3, "Uszczelka bez stawki", "1234567890123", 10.00, 9, 1);
}

// A repair: Id, number, client, document, flags.
std::string repair(unsigned id, const std::string& numer, unsigned client = 5, unsigned doc = 0, int flags = 0) {
  return " " + std::to_string(id) + " '" + numer + "' 1760000000 " + std::to_string(client) +
         " 1 1 1 6 'Nie odpala, stuki w silniku' 1760000000 0.00 0 1760600000 1761000000 1761100000 "
         "'Wymiana filtra' " +
         std::to_string(doc) + " 0.00 " + std::to_string(flags) +
         " 0 'Vento 50' 'czerwony' '' '' 'WX 1234' 'RAMA123' '' '12000' 'kask' 0\r\n";
}

std::string document(unsigned id, const char* total = "0.00") {
  return " " + std::to_string(id) + " '" + std::to_string(id) + "/FV/2026' 1760000000 1760000000 " + total +
         " '' 5 1 1 1760000000 N N 0.00 0 0\r\n";
}

std::string lines(unsigned doc, int n, unsigned goods = 2, unsigned first_id = 1) {
  std::string out;
  for (int i = 0; i < n; ++i)
    out += " " + std::to_string(first_id + static_cast<unsigned>(i)) + " " + std::to_string(goods) + " " +
           std::to_string(doc) + " 12.30 1.00 1\r\n";
  return out;
}

// "Users.dat": the administrator "szef" (firm 1) and the worker "anna" (firm 7).
std::string users_file() { return kal::pages::users_file({{1, "szef", "haslo", 1}, {7, "anna", "haslo", 2}}); }

std::string num2words_pl(int n) {
  return kaltest::trimmed(kaltest::run("PYTHONIOENCODING=utf-8 /usr/bin/python3 -c 'from num2words import num2words; "
                                       "print(num2words(" +
                                       std::to_string(n) + ", lang=\"pl\"))' | iconv -f UTF-8 -t CP1250")
                              .out);
}

class RepairPdf : public ::testing::Test {
 protected:
  void start(Files files, const std::map<std::string, std::string>& settings = {}) {
    std::string s = read_file(KAL_SOURCE_DIR "/data/ustawienia.txt");
    for (const auto& [k, v] : settings)
      s = std::regex_replace(s, std::regex("\n" + k + " [^\r]*\r"), "\n" + k + " " + v + "\r");
    files.push_back({"ustawienia.txt", s});
    files.push_back({"dat/Users.dat", users_file()});
    files.push_back({"dat/User_types.dat", " 1 'administrator'\r\n 2 'pracownik'\r\n"});
    Server::Options o;
    o.files = std::move(files);
    srv_ = std::make_unique<Server>(o);
    ASSERT_TRUE(srv_->start()) << srv_->log();
    log_in("szef");
  }
  void log_in(const std::string& name) {
    HttpReply r = srv_->post("/login.htm", "user_name=" + name + "&user_pass=haslo");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.body, m, std::regex("sess_code=([0-9a-f]{32})"))) << r.body.substr(0, 500);
    code_ = m[1];
  }
  void TearDown() override {
    if (srv_) EXPECT_EQ(srv_->stop(), 0) << srv_->log();
  }

  // The PDF of a kind, checked by qpdf, kept as "<name>.pdf".
  std::string fetch(const std::string& kind, unsigned id, const std::string& name = "test") {
    HttpReply r = srv_->get("/" + kind + "_" + std::to_string(id) + ".pdf?sess_code=" + code_);
    EXPECT_EQ(r.body.rfind("%PDF", 0), 0u) << kind << ": " << r.body.substr(0, 300);
    const std::string pdf = srv_->file(name + ".pdf");
    std::ofstream(pdf, std::ios::binary) << r.body;
    EXPECT_EQ(kaltest::qpdf_problems(pdf), "") << kind;
    return pdf;
  }
  static std::string text_of(const std::string& pdf, const char* options = "") {
    return kaltest::run(std::string("pdftotext ") + options + " -enc UTF-8 " + kaltest::shell_quote(pdf) +
                            " - | iconv -f UTF-8 -t CP1250",
                        false)
        .out;
  }
  static int pages_of(const std::string& pdf) {
    std::smatch m;
    const std::string info = kaltest::run("pdfinfo " + kaltest::shell_quote(pdf)).out;
    return std::regex_search(info, m, std::regex("Pages:\\s+([0-9]+)")) ? std::stoi(m[1]) : -1;
  }
  // The text of every symbol of one symbology on the first page at 300 dpi
  // (half 1 or 2: only the upper or the lower half of an A4 page, for two
  // equal symbols that a scanner reports once per picture).
  std::string scan(const std::string& pdf, const char* symbology, int half = 0) {
    const std::string png = srv_->file("scan");
    const std::string crop = half == 0 ? "" : half == 1 ? "-x 0 -y 0 -W 2480 -H 1650 " : "-x 0 -y 1650 -W 2480 -H 1858 ";
    kaltest::run("pdftoppm -r 300 -gray -png -f 1 -l 1 -singlefile " + crop + kaltest::shell_quote(pdf) + " " +
                 kaltest::shell_quote(png));
    return kaltest::trimmed(kaltest::run(std::string("zbarimg --raw -q -Sdisable -S") + symbology + ".enable " +
                                             kaltest::shell_quote(png + ".png"),
                                         false)
                                .out);
  }
  int repair_flags(unsigned id) {
    // After Id and number: flags is the 19th field of the record, the 17th of the rest.
    std::string rest = read_file(srv_->file("dat/Naprawy.dat"));
    std::smatch m;
    const std::regex rec("\n " + std::to_string(id) +
                         " '[^']*' [0-9]+ [0-9]+ [0-9]+ [0-9]+ [0-9]+ [0-9]+ '[^']*' [0-9]+ [0-9.]+ [0-9]+ [0-9]+ [0-9]+ "
                         "[0-9]+ '[^']*' [0-9]+ [0-9.]+ ([0-9]+) ");
    return std::regex_search(rest, m, rec) ? std::stoi(m[1]) : -1;
  }

  std::unique_ptr<Server> srv_;
  std::string code_;
};

Files shop(const std::string& repairs, const std::string& docs = "", const std::string& doc_lines = "",
           bool with_client = true) {
  return {{"dat/Firmy.dat", firms_file(with_client)},
          {"dat/Stawki_VAT.dat", std::string(kHead) + " 1 '23%' '23'\r\n"},
          {"dat/Towary.dat", goods_file()},
          {"dat/Naprawy.dat", std::string(kHead) + repairs},
          {"dat/Transakcje.dat", std::string(kHead) + docs},
          {"dat/Towary_transakcje.dat", std::string(kHead) + doc_lines}};
}

}  // namespace

TEST_F(RepairPdf, EveryKindOfACompleteRepairOpensInRealReaders) {
  start(shop(repair(1, "1/2026", 5, 1), document(1, "24.60"), lines(1, 2)));
  struct Case {
    const char* kind;
    const char* title;
    bool number;
    const char* font;
  } cases[] = {
      {"Dowod_Przyjecia_do_Naprawy", "DOWÓD PRZYJĘCIA SPRZĘTU DO NAPRAWY nr", true, "ArialL2"},
      {"Dowod_Przyjecia_dla_serwisu", "DOWÓD PRZYJĘCIA SPRZĘTU DO NAPRAWY nr", true, "ArialL2"},
      {"Protokol_przyjecia", "Numer rejestracyjny", false, "Helvetica"},
      {"Protokol_Naprawy", "PROTOKÓŁ NAPRAWY GWARANCYJNEJ", false, "CourierNewL2"},
      {"Gwarancja_Na_Naprawe", "GWARANCJA NA NAPRAWĘ", true, "CourierNewL2"},
      {"Zgloszenie_Reklamacji", "R E K L A M A C Y J N E do naprawy nr 1/2026", true, "CourierNewL2"},
      {"Dossier_Naprawy", "N A P R A W Y", true, "ArialL2"},
      {"Kod_kreskowy", "1/2026", true, "ArialL2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    const std::string pdf = fetch(c.kind, 1);
    const std::string text = text_of(pdf);
    EXPECT_NE(text.find(c.title), std::string::npos) << text;
    if (c.number) EXPECT_NE(text.find("1/2026"), std::string::npos) << text;
    const std::string fonts = kaltest::run("pdffonts " + kaltest::shell_quote(pdf)).out;
    if (std::string(c.font) != "Helvetica")
      EXPECT_TRUE(std::regex_search(fonts, std::regex(std::string(c.font) + "[^\n]* yes "))) << fonts;
  }
  // The warranty gave back the form: the repair form still holds nothing of it.
  const std::string warranty = text_of(fetch("Gwarancja_Na_Naprawe", 1));
  EXPECT_NE(warranty.find("Kowalski Jan"), std::string::npos) << warranty;
  EXPECT_NE(warranty.find("WX 1234"), std::string::npos) << warranty;
}

TEST_F(RepairPdf, TheReceiptMarksTheRepairOnceAndTheServiceCopyHidesTheClient) {
  start(shop(repair(1, "1/2026")));
  ASSERT_EQ(repair_flags(1), 0);
  // The service copy first: no name, address or phone of the client, in
  // every receipt layout; it marks the repair too.
  for (const char* copies : {"0", "2", "3", "1"}) {
    SCOPED_TRACE(copies);
    srv_->stop();
    srv_.reset();
    Files files = shop(repair(1, "1/2026"));
    start(files, {{"Dowod_przyjecia_kopia", copies}});
    const std::string service = text_of(fetch("Dowod_Przyjecia_dla_serwisu", 1));
    EXPECT_NE(service.find("DOWÓD PRZYJĘCIA"), std::string::npos) << service;
    for (const char* personal : {"Kowalski", "600 700 800", "Krótka"})
      EXPECT_EQ(service.find(personal), std::string::npos) << personal << "\n" << service;
    EXPECT_EQ(repair_flags(1), 2);
    // The next ordinary receipt holds them again.
    const std::string pdf = fetch("Dowod_Przyjecia_do_Naprawy", 1);
    const std::string receipt = text_of(pdf);
    for (const char* personal : {"Kowalski Jan", "600 700 800", "WX 1234", "1/2026"})
      EXPECT_NE(receipt.find(personal), std::string::npos) << personal << "\n" << receipt;
    EXPECT_EQ(pages_of(pdf), std::string(copies) == "2" ? 2 : 1);
    EXPECT_EQ(repair_flags(1), 2);
    EXPECT_EQ(scan(pdf, "code128"), "1/2026");
    // Two receipts on one page: each carries its own code.
    if (std::string(copies) == "1")
      for (int half : {1, 2}) EXPECT_EQ(scan(pdf, "code128", half), "1/2026") << half;
  }
}

TEST_F(RepairPdf, BarcodesOnTheLabelScan) {
  start(shop(repair(1, "1/2026") + repair(2, "12345/2026") + repair(99999, "99999/2026") + repair(100000, "100000/2026") +
             repair(1000001, "1000001/2026")));
  // Code 128 of the number, centred on the 120 x 73 label.
  for (unsigned id : {1u, 2u, 1000001u}) {
    const std::string pdf = fetch("Kod_kreskowy", id);
    const std::string info = kaltest::run("pdfinfo " + kaltest::shell_quote(pdf)).out;
    EXPECT_TRUE(std::regex_search(info, std::regex("Page size: +120 x 73 pts"))) << info;
    const std::string number = id == 1 ? "1/2026" : id == 2 ? "12345/2026" : "1000001/2026";
    EXPECT_EQ(scan(pdf, "code128"), number) << id;
  }
  // The next printout is A4 again.
  const std::string receipt = fetch("Dowod_Przyjecia_do_Naprawy", 1);
  EXPECT_TRUE(std::regex_search(kaltest::run("pdfinfo " + kaltest::shell_quote(receipt)).out,
                                std::regex("Page size: +595 x 842 pts")));

  // EAN-13 of the Id behind the shipped prefixes 20 and 00001; an Id beyond
  // five digits falls back to Code 128 of its number.
  srv_->stop();
  srv_.reset();
  start(shop(repair(1, "1/2026") + repair(99999, "99999/2026") + repair(100000, "100000/2026")),
        {{"barcode_type", "0"}});
  auto ean = [](const std::string& twelve) {
    int sum = 0;
    for (int i = 0; i < 12; ++i) sum += (twelve[static_cast<std::size_t>(i)] - '0') * (i % 2 ? 3 : 1);
    return twelve + std::to_string((10 - sum % 10) % 10);
  };
  EXPECT_EQ(scan(fetch("Kod_kreskowy", 1), "ean13"), ean("200000100001"));
  EXPECT_EQ(scan(fetch("Kod_kreskowy", 99999), "ean13"), ean("200000199999"));
  const std::string fallback = fetch("Kod_kreskowy", 100000);
  EXPECT_EQ(scan(fallback, "ean13"), "");
  const std::string code = scan(fallback, "code128");
  EXPECT_EQ(code, "100000/2026");
  // The list's barcode jump opens the repair of the scanned code.
  std::string button = read_file(srv_->file("ustawienia.txt"));
  std::smatch m;
  ASSERT_TRUE(std::regex_search(button, m, std::regex("\nPrzejdz_button ([^\r]*)\r")));
  const HttpReply jump = srv_->post("/naprawy.htm", "sess_code=" + code_ + "&n_6=" + url_encode(m[1]) +
                                                        "&Nbarcode=" + url_encode(code));
  EXPECT_EQ(jump.status, 200);
  EXPECT_EQ(jump.body.find("Nie znaleziono zlecenia"), std::string::npos) << jump.body.substr(0, 2000);
  EXPECT_EQ(scan(fetch("Dowod_Przyjecia_do_Naprawy", 99999), "ean13"), ean("200000199999"));
}

TEST_F(RepairPdf, TheDossierRunsOverAsManyPagesAsItsLinesNeed) {
  struct Case {
    int lines;
    int pages;
  } cases[] = {{11, 1}, {12, 2}, {80, 3}};
  unsigned doc = 1;
  std::string repairs, docs, doc_lines;
  for (const Case& c : cases) {
    repairs += repair(doc, std::to_string(doc) + "/2026", 5, doc);
    docs += document(doc);
    doc_lines += lines(doc, c.lines, 2, doc * 1000);
    ++doc;
  }
  // A line whose goods has no usable rate counts at the default factor.
  repairs += repair(doc, std::to_string(doc) + "/2026", 5, doc);
  docs += document(doc);
  doc_lines += lines(doc, 1, 3, 9000);
  start(shop(repairs, docs, doc_lines));
  doc = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    const std::string pdf = fetch("Dossier_Naprawy", doc++);
    EXPECT_EQ(pages_of(pdf), c.pages);
    const std::string text = text_of(pdf, "-layout");
    // Every line once, the total of all of them, and in words.
    const std::regex row("Filtr A +1 +szt\\. +12,30 +12,30");
    EXPECT_EQ(std::distance(std::sregex_iterator(text.begin(), text.end(), row), std::sregex_iterator()), c.lines);
    const int cents = c.lines * 1230;
    char total[32];
    std::snprintf(total, sizeof total, "%d,%02d zł", cents / 100, cents % 100);
    EXPECT_TRUE(std::regex_search(text, std::regex("Całkowity koszt: +" + std::string(total)))) << text;
    EXPECT_TRUE(std::regex_search(text, std::regex("Słownie: +" + num2words_pl(cents / 100) + " zł\\."))) << text;
  }
  const std::string text = text_of(fetch("Dossier_Naprawy", doc), "-layout");
  EXPECT_TRUE(std::regex_search(text, std::regex("Całkowity koszt: +12,30 zł"))) << text;
  // A 13-character code in two small lines: its first ten and the last three.
  EXPECT_NE(text.find("1234567890"), std::string::npos) << text;
}

// A printout beyond what one reply holds comes as a page that says so, not
// as an empty reply; the next printout is whole again.
TEST_F(RepairPdf, APrintoutTooBigForTheReplyIsAPageThatSaysWhy) {
  start(shop(repair(1, "1/2026", 5, 1), document(1), lines(1, 14000)));
  // Two hundred and more pages take their time in a sanitized build.
  const HttpReply big = kal::e2e::parse_reply(
      srv_->request("GET /Dossier_Naprawy_1.pdf?sess_code=" + code_ + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 180000));
  EXPECT_EQ(big.status, 200);
  EXPECT_NE(big.body.rfind("%PDF", 0), 0u);
  const std::string page = kal::pages::page_text(big.body);
  EXPECT_TRUE(std::regex_search(page, std::regex("Wydruk jest za duży, by go wysłać: ma [0-9]+ bajtów"))) << page;
  ASSERT_NE(big.header("Content-Type"), nullptr);
  EXPECT_EQ(*big.header("Content-Type"), "text/html; charset=UTF-8");
  EXPECT_NE(text_of(fetch("Dowod_Przyjecia_do_Naprawy", 1)).find("DOWÓD PRZYJĘCIA"), std::string::npos);
}

TEST_F(RepairPdf, MissingRecordsAndMissingRightsGiveTextsNotForms) {
  Files files = shop(repair(1, "1/2026") + repair(3, "3/2026", 6));
  start(files);
  const std::string text = text_of(fetch("Dossier_Naprawy", 3));
  EXPECT_NE(text.find("Błędna strona pdf=Dossier_Naprawy Id_Naprawy=3 !"), std::string::npos) << text;
  EXPECT_NE(text.find("Błąd: Brak wpisu o właścicielu !<br>"), std::string::npos) << text;
  EXPECT_EQ(text.find("D O S S I E R"), std::string::npos);

  // A worker who neither repairs nor received repair 1 gets the refusal,
  // and the receipt marks nothing.
  log_in("anna");
  const std::string refused = text_of(fetch("Dowod_Przyjecia_do_Naprawy", 1));
  EXPECT_NE(refused.find("Nie masz uprawnień do tej strony ! !"), std::string::npos) << refused;
  EXPECT_EQ(refused.find("Kowalski"), std::string::npos);
  EXPECT_EQ(repair_flags(1), 0);
}
