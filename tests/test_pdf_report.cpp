// The intake protocol: the form picture in the logo's place, the 23 items
// at their mapped places, the logo given back in full afterwards and the
// steps noted in the install directory's log.  Read back with poppler.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <regex>
#include <string>

#include "mages/repairs/mgs_Naprawy_pdf.hpp"
#include "pdf/pdfReport.hpp"
#include "pdf/pdfpage.hpp"
#include "pdf/topdf.hpp"
#include "server/winservice.hpp"
#include "tests/pdf_testutil.hpp"

namespace {

struct Word {
  double x, y_max;
};

// Every word of the page with its box (x from the left, y from the top).
std::map<std::string, Word> words(const std::string& pdf) {
  const std::string xml = kaltest::run("pdftotext -bbox " + kaltest::shell_quote(pdf) + " -").out;
  std::map<std::string, Word> out;
  const std::regex w("<word xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"[0-9.]+\" yMax=\"([0-9.]+)\">([^<]*)</word>");
  for (auto it = std::sregex_iterator(xml.begin(), xml.end(), w); it != std::sregex_iterator(); ++it)
    out[(*it)[3]] = Word{std::stod((*it)[1]), std::stod((*it)[2])};
  return out;
}

// The images of a PDF as "width x height" per line of pdfimages -list.
std::vector<std::string> images(const std::string& pdf) {
  std::vector<std::string> out;
  const auto lines = kaltest::lines_of(kaltest::run("pdfimages -list " + kaltest::shell_quote(pdf)).out);
  for (std::size_t i = 2; i < lines.size(); ++i) {
    std::istringstream in(lines[i]);
    std::string page, num, type, width, height;
    in >> page >> num >> type >> width >> height;
    out.push_back(width + "x" + height);
  }
  return out;
}

int numbered_items() {
  for (int id = 1; id <= 23; ++id) {
    char t[8];
    std::snprintf(t, sizeof t, "I%02d", id);
    setReportItemText(id, t);
  }
  return 0;
}

class IntakeProtocol : public kaltest::PdfSwitches {
 protected:
  void TearDown() override {
    pdfReport_data = saved_hook_;
    global_install_dir = saved_dir_;
    kaltest::PdfSwitches::TearDown();
  }
  pdfReport_data_fn saved_hook_ = pdfReport_data;
  std::string saved_dir_ = global_install_dir;
};

}  // namespace

TEST_F(IntakeProtocol, ItemsSitAtTheirMappedPlacesOverTheFormPicture) {
  kaltest::WorkDir wd;
  global_install_dir = wd.path();
  pdfReport_data = numbered_items;
  const int fields = 1;  // only tested for null
  ASSERT_EQ(toPdf2(7, "protokol.pdf", reinterpret_cast<const Naprawy_fields*>(&fields), 8, 1), 0);
  EXPECT_EQ(kaltest::qpdf_problems("protokol.pdf"), "");
  EXPECT_EQ(images("protokol.pdf"), std::vector<std::string>{"1211x1713"});

  // Block start of each item in page points (x from the left, y from the
  // bottom), as the form-to-page mapping gives them.
  struct Item {
    int id, x, y;
  } items[] = {{1, 26, 658},  {2, 26, 615},  {3, 26, 571},  {4, 26, 529},  {5, 220, 614},  {6, 220, 571},
               {7, 303, 529}, {8, 412, 658}, {9, 412, 614}, {10, 412, 571}, {11, 124, 468}, {12, 124, 445},
               {13, 124, 422}, {14, 124, 399}, {15, 124, 376}, {16, 124, 353}, {17, 37, 287}, {18, 37, 264},
               {19, 37, 241}, {20, 313, 198}, {21, 313, 133}, {22, 26, 131}, {23, 26, 81}};
  const auto found = words("protokol.pdf");
  double offset = NAN;  // the glyph box's bottom below the first line's top
  for (const Item& it : items) {
    char t[8];
    std::snprintf(t, sizeof t, "I%02d", it.id);
    ASSERT_TRUE(found.count(t)) << t;
    const Word& w = found.at(t);
    EXPECT_NEAR(w.x, it.x, 0.6) << t;
    const double below = w.y_max - (842 - it.y);
    if (std::isnan(offset)) offset = below;
    EXPECT_NEAR(below, offset, 0.6) << t;
  }
  EXPECT_GT(offset, 8);  // one 12-point line below the block's start
  EXPECT_LT(offset, 16);

  // The log of the install directory has every step.
  const std::string log = kaltest::read_bytes(wd.path() + "/kalmitor.log");
  for (const char* step : {"makePdfContentsProtokolPrzyjecia\\(\\)\r\n", "initReportItems\\(\\)\r\n", "set yyyyy\r\n"})
    EXPECT_TRUE(std::regex_search(log, std::regex("[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}\\.[0-9]{2} " +
                                                  std::string(step))))
        << log;
}

TEST_F(IntakeProtocol, TheNextPrintoutDrawsTheNormalLogo) {
  kaltest::WorkDir wd;
  global_install_dir = wd.path();
  // An item's text is its own copy: the caller's buffer may go.
  {
    std::string temporary = "Kowalski";
    setReportItemText(4, temporary.c_str());
    temporary.assign(40, 'x');
    EXPECT_EQ(reportItems[4].text, "Kowalski");
  }
  ASSERT_EQ(toPdf2(7, "protokol.pdf", nullptr, 8, 1), 0);
  EXPECT_EQ(pdf_logo_fname, "img\\LOGO.JPG");
  EXPECT_EQ(pdf_logo_width, 140);
  EXPECT_EQ(pdf_logo_height, 70);
  EXPECT_EQ(pdf_logo_pos_x, 50);
  EXPECT_EQ(pdf_logo_pos_y, 55);
  // Without fields the items keep their printed-form texts.
  EXPECT_NE(kaltest::run("pdftotext protokol.pdf -").out.find("Numer rejestracyjny"), std::string::npos);

  ASSERT_EQ(toPdf("zwykly.pdf", std::vector<std::string>{"tekst"}), 0);
  EXPECT_EQ(images("zwykly.pdf"), std::vector<std::string>{"140x70"});
  const std::string bytes = kaltest::read_bytes("zwykly.pdf");
  EXPECT_NE(bytes.find("q 70 0 0 35 "), std::string::npos);
}
