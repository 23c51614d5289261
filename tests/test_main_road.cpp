// The main road of the workshop in headless Chromium against the real
// program on a fresh copy of data/: a new user starts the program and takes
// a car in for repair, prints its papers and takes it through its states to
// the hand-over.  The story grows with the program; each step leaves a screenshot in
// <build directory>/browser/ for a person to look at, and no step may open a
// dialog or throw a script error.  Texts given to the browser are UTF-8
// (this file's literals are the program's own code page).
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "db/Firmy.hpp"
#include "db/Naprawy.hpp"
#include "db/Serwis.hpp"
#include "db/Towary.hpp"
#include "tests/kal_cdp.hpp"
#include "tests/kal_e2e.hpp"
#include "tests/kal_records.hpp"
#include "tests/pdf_testutil.hpp"

namespace {

namespace fs = std::filesystem;
const std::string kShots = KAL_BINARY_DIR "/browser";

std::string year() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  return std::to_string(tm.tm_year + 1900);
}

class MainRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    if (kal::cdp::chromium_path().empty()) GTEST_SKIP() << "chromium is not installed (tools/deps.sh installs it)";
    ASSERT_TRUE(srv_.start()) << srv_.log();
    ASSERT_TRUE(b_.ok()) << "the browser did not come up";
    std::error_code ec;
    fs::create_directories(kShots, ec);
    base_ = "http://127.0.0.1:" + std::to_string(srv_.port()) + "/";
  }
  void TearDown() override {
    if (srv_.running()) EXPECT_EQ(srv_.stop(), 0);
  }

  // What a person does: look, type, choose, press.
  bool shows(const std::string& text) {
    return at_->eval("String(document.body.innerText.indexOf(" + kal::cdp::quote(text) + ") >= 0)") == "true";
  }
  std::string value(const std::string& name) {
    return at_->eval("document.querySelector('[name=\"" + name + "\"]').value");
  }
  void type(const std::string& name, const std::string& text) {
    at_->eval("document.querySelector('[name=\"" + name + "\"]').value = " + kal::cdp::quote(text) + "; 'ok'");
  }
  bool press(const std::string& caption) {
    return at_->submit("document.querySelector('input[type=submit][value=" + kal::cdp::quote(caption) + "]').click()");
  }
  void shot(const std::string& name) { EXPECT_TRUE(at_->screenshot(kShots + "/main_road_" + name + ".png")); }
  void no_trouble(const std::string& step) {
    EXPECT_TRUE(at_->dialogs().empty()) << step << ": " << at_->dialogs().front();
    EXPECT_TRUE(at_->errors().empty()) << step << ": " << at_->errors().front();
  }
  std::string file(const std::string& table) { return srv_.file("dat/" + table + ".dat"); }
  // A printout of repair 1, checked as a PDF and read back as a person's PDF
  // reader would.
  std::string pdf_text(const std::string& kind) {
    const auto reply = srv_.get("/" + kind + "_1.pdf");
    EXPECT_EQ(reply.body.rfind("%PDF", 0), 0u) << kind << ": " << reply.body.substr(0, 300);
    const std::string pdf = srv_.file(kind + ".pdf");
    std::ofstream(pdf, std::ios::binary) << reply.body;
    EXPECT_EQ(kaltest::qpdf_problems(pdf), "") << kind;
    return kaltest::run("pdftotext -enc UTF-8 " + kaltest::shell_quote(pdf) + " -", false).out;
  }

  // The log-in page of a fresh installation: no user yet, one button.
  void start_work() {
    ASSERT_TRUE(at_->open(base_));
    ASSERT_TRUE(press("Rozpocznij prac\xc4\x99"));
    no_trouble("log-in");
  }
  // The menu's "new repair".
  void new_repair() {
    ASSERT_TRUE(b_.submit("document.querySelector('nav.menu a.new').click()"));
    ASSERT_EQ(b_.eval("String(!!document.querySelector('[name=\"Wlasciciel.Firmy_nazwa\"]'))"), "true")
        << b_.eval("document.body.innerText");
  }

  // New goods in the catalogue: brake pads, a part, 100.00 net at the first
  // VAT rate (23 %).
  void new_part() {
    ASSERT_TRUE(b_.submit("document.querySelector('nav.menu a[href^=\"towary.htm\"]').click()"));
    ASSERT_TRUE(b_.submit("document.querySelector('input[name=\"n_7\"]').click()")) << b_.eval("document.body.innerText");
    type("Towary_nazwa", "Klocki hamulcowe");
    type("Towary_cena_sprzedazy", "100");
    b_.eval("document.querySelector('[name=\"Towary_Id_Stawki_VAT\"]').value = '1'; 'ok'");
    b_.eval("document.querySelector('[name=\"Towary_Id_Towary_typy\"]').value = '1'; 'ok'");
    ASSERT_TRUE(press("Na brutto"));
    EXPECT_EQ(value("Towary_brutto"), "123,00");
    ASSERT_TRUE(press("Zatwierd\xc5\xba"));
    no_trouble("new goods");
  }
  // From the repair's page: its parts page, the part picked in the catalogue,
  // two of them added, then back to the repair's page.
  void add_parts() {
    ASSERT_TRUE(press("Cz\xc4\x99\xc5\x9b" "ci i us\xc5\x82ugi"));
    EXPECT_TRUE(shows("Cz\xc4\x99\xc5\x9b" "ci i us\xc5\x82ugi")) << b_.eval("document.body.innerText");
    ASSERT_TRUE(press("Wybierz cz\xc4\x99\xc5\x9b\xc4\x87"));
    ASSERT_TRUE(b_.submit("Array.from(document.querySelectorAll('a')).find(a => a.textContent.includes('Klocki')).click()"))
        << b_.eval("document.body.innerText");
    type("Towary_transakcje_liczba_sztuk", "2");
    ASSERT_TRUE(press("Dodaj towar/us\xc5\x82ug\xc4\x99")) << b_.eval("document.body.innerText");
    EXPECT_TRUE(shows("246,00")) << b_.eval("document.body.innerText");
    ASSERT_TRUE(press("Powr\xc3\xb3t do naprawy"));
  }

  kal::e2e::Server srv_;
  kal::cdp::Browser b_;
  kal::cdp::Browser* at_ = &b_;  // the browser the person works in
  std::string base_;
};

TEST_F(MainRoad, ACarIsTakenInForRepair) {
  start_work();
  new_repair();
  shot("1_nowe_zlecenie");

  // The owner and the car; the model is the one the installation brings.
  type("Wlasciciel.Firmy_nazwa", "Jan Kowalski");
  type("Wlasciciel.Firmy_miasto", "Radom");
  type("Wlasciciel.Firmy_telefon", "600 100 200");
  type("SerwisNew_Serwis_nr_rej", "WX 1234");
  type("SerwisNew_Serwis_nr_ramy", "VF1AB000123456789");
  type("NaprawyNew_Naprawy_Id_Towary__przyjety", "1");
  EXPECT_EQ(value("NaprawyNew_Naprawy_Id_Towary__przyjety"), "1");
  type("NaprawyNew_Naprawy_opis_uszkodzenia", "Stuki w zawieszeniu");
  shot("2_wypelnione");
  no_trouble("the form filled in");

  // "Przyjmij": the repair's own page with its number and state.
  ASSERT_TRUE(press("Przyjmij"));
  EXPECT_EQ(value("NaprawyNew_Naprawy_numer"), "1/" + year());
  EXPECT_TRUE(shows("Przyj\xc4\x99ta")) << b_.eval("document.body.innerText");
  EXPECT_TRUE(shows("Jan Kowalski"));
  EXPECT_EQ(value("SerwisNew_Serwis_nr_rej"), "WX 1234");
  shot("3_przyjeta");
  no_trouble("accepted");

  const auto repairs = kal::records<Naprawy>(file("Naprawy"));
  ASSERT_EQ(repairs.size(), 1u);
  EXPECT_EQ(repairs[0].at("numer"), "1/" + year());
  EXPECT_EQ(repairs[0].at("Id_Naprawy_stany"), "2");
  EXPECT_EQ(repairs[0].at("nr_ramy"), "VF1AB000123456789");
  EXPECT_EQ(kal::find_record(kal::records<Firmy>(file("Firmy")), "Id", repairs[0].at("Id_Firmy__klient")).at("nazwa"),
            "Jan Kowalski");
  EXPECT_EQ(kal::records<Serwis>(file("Serwis")).size(), 1u);

  // Its papers: the acceptance receipt and the dossier.
  for (const std::string kind : {"Dowod_Przyjecia_do_Naprawy", "Dossier_Naprawy"}) {
    const std::string text = pdf_text(kind);
    EXPECT_NE(text.find("1/" + year()), std::string::npos) << kind << ":\n" << text;
    EXPECT_NE(text.find("Jan Kowalski"), std::string::npos) << kind << ":\n" << text;
  }
}

// The repair's life after it was taken in: started, parts added, finished,
// handed over, found in the list by its state, removed and restored.
TEST_F(MainRoad, TheRepairMovesThroughItsStatesToHandOver) {
  start_work();
  new_part();
  new_repair();
  type("Wlasciciel.Firmy_nazwa", "Anna Nowak");
  type("Wlasciciel.Firmy_telefon", "600 200 300");
  type("SerwisNew_Serwis_nr_rej", "WY 777");
  type("NaprawyNew_Naprawy_Id_Towary__przyjety", "1");
  ASSERT_TRUE(press("Przyjmij"));
  auto repair = [&] { return kal::records<Naprawy>(file("Naprawy")).at(0); };
  ASSERT_EQ(repair().at("Id_Naprawy_stany"), "2");
  const long now = static_cast<long>(std::time(nullptr));
  // The same day (the tests run in UTC; a date field gives its midnight).
  auto today = [&](const std::string& t) { return std::stol(t) / 86400 == now / 86400; };

  ASSERT_TRUE(press("Rozpocznij napraw\xc4\x99"));
  EXPECT_TRUE(shows("W naprawie")) << b_.eval("document.body.innerText");
  EXPECT_EQ(repair().at("Id_Naprawy_stany"), "3");
  shot("4_w_naprawie");
  no_trouble("started");

  // Parts: brake pads from the catalogue, two of them, make the repair's sale
  // document and its cost, and take the pads out of stock.
  add_parts();
  EXPECT_EQ(repair().at("koszt_naprawy"), "246.00");
  EXPECT_NE(repair().at("Id_Transakcje"), "0");
  EXPECT_EQ(kal::find_record(kal::records<Towary>(file("Towary")), "nazwa", "Klocki hamulcowe").at("liczba_sztuk"),
            "-2.00");
  shot("4a_czesci");
  no_trouble("parts");
  // The dossier lists them with their price and the total.
  const std::string dossier = pdf_text("Dossier_Naprawy");
  EXPECT_NE(dossier.find("Klocki hamulcowe"), std::string::npos) << dossier;
  EXPECT_NE(dossier.find("246,00"), std::string::npos) << dossier;

  ASSERT_TRUE(press("Zako\xc5\x84" "cz napraw\xc4\x99"));
  EXPECT_EQ(repair().at("Id_Naprawy_stany"), "6");
  EXPECT_TRUE(today(repair().at("data_zakonczenia_rzeczywista")));
  EXPECT_TRUE(shows("Zako\xc5\x84" "czona")) << b_.eval("document.body.innerText");
  shot("5_zakonczona");
  no_trouble("finished");

  ASSERT_TRUE(press("Wydaj sprz\xc4\x99t"));
  EXPECT_EQ(repair().at("Id_Naprawy_stany"), "7");
  EXPECT_TRUE(today(repair().at("data_odbioru")));
  EXPECT_TRUE(shows("Wydana")) << b_.eval("document.body.innerText");
  shot("6_wydana");
  no_trouble("handed over");

  // The list: among the handed-over repairs in their colour, not among those
  // to repair.
  ASSERT_TRUE(b_.submit("document.querySelector('a[href*=\"n_6=l\"]').click()"));
  ASSERT_TRUE(press("Wydane"));
  EXPECT_EQ(b_.eval("String(document.querySelectorAll('a[href*=\"n_31=e\"][href*=\"Naprawy_Id=1&\"]').length)"), "1")
      << b_.eval("document.body.innerText");
  EXPECT_EQ(b_.eval("String(document.querySelectorAll('td[bgcolor]').length > 0)"), "true");
  shot("7_lista_wydane");
  ASSERT_TRUE(press("Do naprawy"));
  EXPECT_EQ(b_.eval("String(document.querySelectorAll('a[href*=\"n_31=e\"][href*=\"Naprawy_Id=1&\"]').length)"), "0");
  no_trouble("the list");

  // Another person in a browser of their own opens the handed-over repair
  // from the list: its car is there, and saving it keeps the car's record.
  const auto cars = kal::records<Serwis>(file("Serwis"));
  {
    kal::cdp::Browser other;
    ASSERT_TRUE(other.ok()) << "the second browser did not come up";
    at_ = &other;
    start_work();
    ASSERT_TRUE(other.submit("document.querySelector('a[href*=\"n_6=l\"]').click()"));
    ASSERT_TRUE(other.submit("document.querySelector('a[href*=\"n_31=e\"][href*=\"Naprawy_Id=1&\"]').click()"))
        << other.eval("document.body.innerText");
    EXPECT_EQ(value("SerwisNew_Serwis_nr_rej"), "WY 777");
    shot("6a_wydana_druga_sesja");
    ASSERT_TRUE(press("Zatwierd\xc5\xba"));
    EXPECT_EQ(value("SerwisNew_Serwis_nr_rej"), "WY 777");
    no_trouble("the second session");
    at_ = &b_;
  }
  EXPECT_EQ(kal::records<Serwis>(file("Serwis")), cars);
  EXPECT_EQ(repair().at("nr_rej"), "WY 777");

  // Removed from its page (its side row keeps it, flagged), restored on the
  // page of removed repairs.
  ASSERT_TRUE(press("Wydane"));
  ASSERT_TRUE(b_.submit("document.querySelector('a[href*=\"n_31=e\"][href*=\"Naprawy_Id=1&\"]').click()"));
  ASSERT_TRUE(press("Usu\xc5\x84"));
  EXPECT_EQ(std::stoi(repair().at("flags")) & 1, 1);
  ASSERT_TRUE(b_.submit("document.querySelector('a[href*=\"n_101=l\"]').click()"));
  shot("8_usuniete");
  ASSERT_TRUE(press("Przywr\xc3\xb3\xc4\x87 1"));
  EXPECT_EQ(std::stoi(repair().at("flags")) & 1, 0);
  EXPECT_EQ(repair().at("Id_Naprawy_stany"), "7");
  no_trouble("removed and restored");
}

TEST_F(MainRoad, AnOwnersNameIsShownAsTextNeverRun) {
  const std::string name = "<img src=x onerror=alert(1)>";
  start_work();
  new_repair();
  type("Wlasciciel.Firmy_nazwa", name);
  type("Wlasciciel.Firmy_telefon", "1");
  type("SerwisNew_Serwis_nr_rej", "XSS 1");
  // The owner search shows the typed name back on page 30.
  ASSERT_TRUE(press("Szukaj"));
  EXPECT_EQ(value("Wlasciciel.Firmy_nazwa"), name);
  no_trouble("page 30");
  type("NaprawyNew_Naprawy_Id_Towary__przyjety", "1");
  ASSERT_TRUE(press("Przyjmij"));
  EXPECT_TRUE(shows(name)) << b_.eval("document.body.innerText");
  EXPECT_EQ(b_.eval("String(document.querySelectorAll('img[src=x]').length)"), "0");
  shot("xss");
  no_trouble("page 31");
}

}  // namespace
