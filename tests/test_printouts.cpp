// Every printout of the program, fetched over HTTP from the real kalmitor for
// records filled as a busy workshop fills them, read back word by word with
// the boxes pdftotext gives: no text is drawn over another, on any page of
// any kind, in any of the receipt's layouts; and in every UI language the
// Polish letters of the data and of the labels read back as they were
// written, whichever font draws them.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "tests/kal_e2e.hpp"
#include "tests/kal_pages.hpp"
#include "tests/kal_workshop.hpp"
#include "tests/pdf_testutil.hpp"

namespace {

using kal::e2e::HttpReply;
using kal::e2e::Server;
using kal::workshop::Files;
using kal::workshop::shop;

// The shipped settings with some values replaced.
std::string settings_with(const std::map<std::string, std::string>& values) {
  std::string s = kal::pages::read_file(KAL_SOURCE_DIR "/data/ustawienia.txt");
  for (const auto& [k, v] : values) s = std::regex_replace(s, std::regex("\n" + k + " [^\r]*\r"), "\n" + k + " " + v + "\r");
  return s;
}

class Printouts : public ::testing::Test {
 protected:
  void start(const std::map<std::string, std::string>& settings, Files files = shop()) {
    files.push_back({"ustawienia.txt", settings_with(settings)});
    site_ = std::make_unique<kal::pages::Site>(files);
    ASSERT_TRUE(site_->start()) << site_->log();
  }
  // The printout at path, checked by qpdf: its words.
  std::vector<kaltest::Word> words(const std::string& path) {
    const HttpReply r = site_->server().get(path + "?sess_code=" + site_->code());
    EXPECT_EQ(r.body.rfind("%PDF", 0), 0u) << path << ": " << r.body.substr(0, 300);
    const std::string pdf = site_->server().file("printout.pdf");
    std::ofstream(pdf, std::ios::binary) << r.body;
    EXPECT_EQ(kaltest::qpdf_problems(pdf), "") << path;
    return kaltest::pdf_words(pdf);
  }
  // The printout at path, checked by qpdf: its text as pdftotext reads it
  // (UTF-8).
  std::string text(const std::string& path) {
    const HttpReply r = site_->server().get(path + "?sess_code=" + site_->code());
    EXPECT_EQ(r.body.rfind("%PDF", 0), 0u) << path << ": " << r.body.substr(0, 300);
    const std::string pdf = site_->server().file("printout.pdf");
    std::ofstream(pdf, std::ios::binary) << r.body;
    EXPECT_EQ(kaltest::qpdf_problems(pdf), "") << path;
    return kaltest::run("pdftotext -enc UTF-8 " + kaltest::shell_quote(pdf) + " -", false).out;
  }
  std::unique_ptr<kal::pages::Site> site_;
};

// Each kind, and each layout of the receipt, with the invoices as invoices
// and as bills.
TEST_F(Printouts, NoTextOfAnyPrintoutRunsIntoAnother) {
  const char* const kinds[] = {
      "/Dowod_Przyjecia_do_Naprawy_1.pdf", "/Dowod_Przyjecia_dla_serwisu_1.pdf", "/Protokol_przyjecia_1.pdf",
      "/Protokol_Naprawy_1.pdf",           "/Gwarancja_Na_Naprawe_1.pdf",        "/Zgloszenie_Reklamacji_1.pdf",
      "/Dossier_Naprawy_1.pdf",            "/Kod_kreskowy_1.pdf",                "/Karta_Gwarancyjna_1.pdf",
      "/Faktura_1.pdf",                    "/Faktura_VAT_1.pdf",                 "/Karta_uslug_1.pdf",
      "/Naprawy_list.pdf",
  };
  const struct {
    const char* name;
    std::map<std::string, std::string> settings;
    bool all_kinds;
  } setups[] = {
      {"one receipt a page", {{"Dowod_przyjecia_kopia", "0"}}, true},
      {"two receipts a page", {{"Dowod_przyjecia_kopia", "1"}}, false},
      {"a receipt and its copy", {{"Dowod_przyjecia_kopia", "2"}}, false},
      {"one compact receipt", {{"Dowod_przyjecia_kopia", "3"}}, false},
      {"bills and EAN-13", {{"rachunki_zamiast_faktur", "1"}, {"barcode_type", "0"}}, true},
  };
  for (const auto& setup : setups) {
    SCOPED_TRACE(setup.name);
    start(setup.settings);
    for (const char* kind : kinds) {
      if (!setup.all_kinds && std::string(kind).find("Dowod_Przyjecia") == std::string::npos) continue;
      SCOPED_TRACE(kind);
      const std::vector<kaltest::Word> w = words(kind);
      EXPECT_FALSE(w.empty());
      EXPECT_EQ(kaltest::overlapping_words(w), "");
    }
    site_.reset();
  }
}

// --- Polish letters in every UI language ---------------------------------------

std::string u8s(const char8_t* s) { return reinterpret_cast<const char*>(s); }

// The workshop with its own firm named with the eighteen Polish letters and
// the client with a name that holds every small one.
Files lettered_shop() {
  using kal::workshop::firm;
  Firmy own = firm(1, "ĄĆĘŁŃÓŚŹŻ ąćęłńóśźż", "ul. Długa 123/45", "Łódź");
  own.bank_nazwa = "Bank Spółdzielczy w Łodzi";
  own.konto = "11 2222 3333 4444 5555 6666 7777";
  const std::string firms = kal::tables::table_file(std::vector<Firmy>{
      own, firm(3, "Jan Serwisant", "Polna 2", "Kraków"), firm(5, "Łódź Żółć Gęślą Jaźń", "Krótka 5", "Warszawa"),
      firm(7, "Nowak Anna", "Polna 3", "Kraków")});
  Files files = shop();
  for (auto& [name, content] : files)
    if (name == "dat/Firmy.dat") content = firms;
  return files;
}

const std::string kOwnFirm = u8s(u8"ĄĆĘŁŃÓŚŹŻ ąćęłńóśźż");
const std::string kClient = u8s(u8"Łódź Żółć Gęślą Jaźń");

// The UI languages by the setting "lang" (read at start).
struct Language {
  int lang;
  const char* name;
};
constexpr Language kLanguages[] = {{0, "Polish"}, {1, "English"}, {2, "German"},  {3, "Czech"},
                                   {4, "French"}, {5, "Italian"}, {6, "Spanish"}, {7, "Russian"}};

// A printout, the texts it must show in every language (Polish letters of
// the data and of the labels: settings and the program's own Polish texts)
// and texts of some UI languages with their own letters, as UTF-8.
struct Lettered {
  const char* path;
  std::vector<std::string> texts;
  std::map<int, std::string> own = {};
};

class PrintoutLetters : public Printouts {
 protected:
  void check(const std::vector<Lettered>& printouts) {
    for (const Language& l : kLanguages) {
      SCOPED_TRACE(l.name);
      start({{"lang", std::to_string(l.lang)}}, lettered_shop());
      for (const Lettered& p : printouts) {
        SCOPED_TRACE(p.path);
        const std::string t = text(p.path);
        std::vector<std::string> wanted = p.texts;
        if (auto it = p.own.find(l.lang); it != p.own.end()) wanted.push_back(it->second);
        std::string missing;
        for (const std::string& want : wanted)
          if (t.find(want) == std::string::npos) missing += "[" + want + "] ";
        EXPECT_EQ(missing, "") << t;
      }
      site_.reset();
    }
  }
};

TEST_F(PrintoutLetters, GoodsPrintoutsShowPolishLettersInEveryLanguage) {
  check({
      {"/Faktura_1.pdf",
       {kOwnFirm, kClient, u8s(u8"Bank Spółdzielczy w Łodzi"), u8s(u8"Uszczelka głowicy"),
        u8s(u8"Płatne przelewem, dziękujemy"), u8s(u8"Nazwa towaru/usługi")},
       {{2, u8s(u8"Käufer:")}, {3, u8s(u8"Množství")}, {4, u8s(u8"Quantité")}, {7, u8s(u8"Счёт-фактура")}}},
      {"/Faktura_VAT_1.pdf", {kOwnFirm, kClient, u8s(u8"Uszczelka głowicy"), u8s(u8"Ilość"), u8s(u8"Wartość")}},
  });
}

TEST_F(PrintoutLetters, RepairPrintoutsShowPolishLettersInEveryLanguage) {
  check({
      {"/Dowod_Przyjecia_do_Naprawy_1.pdf",
       {kOwnFirm, kClient, u8s(u8"DOWÓD PRZYJĘCIA SPRZĘTU"), u8s(u8"w ciągu 90 dni"), u8s(u8"słychać stuki")},
       {{4, u8s(u8"tél.")}, {7, u8s(u8"тел.")}}},
      {"/Protokol_przyjecia_1.pdf",
       {kOwnFirm, u8s(u8"WIELOZAWÓR"), u8s(u8"Zarejestrowane błędy"), u8s(u8"Podpis montażysty")}},
      {"/Dossier_Naprawy_1.pdf", {kOwnFirm, kClient, u8s(u8"Uszczelka głowicy")}, {{6, u8s(u8"N.º")}}},
      {"/Protokol_Naprawy_1.pdf", {kOwnFirm, u8s(u8"Wykonane czynności i wymienione części")}},
  });
}

TEST_F(PrintoutLetters, TheServiceCardShowsPolishLettersInEveryLanguage) {
  check({
      {"/Karta_uslug_1.pdf",
       {kOwnFirm, kClient, u8s(u8"U S Ł U G"), u8s(u8"Podpis prowadzącego prace"), u8s(u8"w ciągu 14 dni"),
        u8s(u8"dojazd od strony podwórza")},
       {{4, u8s(u8"Quantité")}, {7, u8s(u8"Стоимость")}}},
  });
}

}  // namespace
