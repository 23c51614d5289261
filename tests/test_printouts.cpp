// Every printout of the program, fetched over HTTP from the real kalmitor for
// records filled as a busy workshop fills them, read back word by word with
// the boxes pdftotext gives: no text is drawn over another, on any page of
// any kind, in any of the receipt's layouts.
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
  void start(const std::map<std::string, std::string>& settings) {
    Files files = shop();
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

}  // namespace
