// Barcodes drawn into a PDF the way the printouts draw them, rendered at
// 300 dpi and read back by a real scanner program (zbarimg).
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "pdf/barcode.hpp"
#include "pdf/code128.hpp"
#include "pdf/ean13.hpp"
#include "pdf/pdfpage.hpp"
#include "pdf/topdf.hpp"
#include "tests/pdf_testutil.hpp"

namespace {

using PageFn = std::function<void()>;

// A page wide enough for the longest Code 128 symbol at one point a module.
const PdfBox kStrip = {0, 0, 1200, 100};
constexpr int kLeft = 40;  // quiet zone before the first module, in points
constexpr int kTop = 20;

// Draws a bar pattern one point per module: the EAN-13 bar image, the taller
// guard bar image at the modules given.
void draw_modules(const std::string& pattern, const std::vector<int>& guards = {}) {
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '1') continue;
    bool guard = false;
    for (int g : guards) guard = guard || g == static_cast<int>(i);
    int left = kLeft + static_cast<int>(i);
    pdf_append_img(guard ? 8 : 7, kStrip[2] - 1 - left, kTop, 1, guard ? 48 : 40);
  }
}

// Renders every page and scans each with only the given symbology enabled;
// one decoded text per page ("" when nothing was found).
std::vector<std::string> scan(const std::string& pdf, std::size_t pages, const char* symbology) {
  auto r = kaltest::run("pdftoppm -r 300 -gray -png " + kaltest::shell_quote(pdf) + " page");
  EXPECT_EQ(r.status, 0) << r.out;
  std::vector<std::string> out;
  int width = pages >= 100 ? 3 : pages >= 10 ? 2 : 1;
  for (std::size_t p = 1; p <= pages; ++p) {
    char name[32];
    std::snprintf(name, sizeof name, "page-%0*zu.png", width, p);
    auto z = kaltest::run(std::string("zbarimg --raw -q -Sdisable -S") + symbology + ".enable " + name, false);
    out.push_back(kaltest::trimmed(z.out));
  }
  return out;
}

}  // namespace

class BarcodeScan : public kaltest::PdfSwitches {};

// Leading digits 0-9 take every parity row; the digits of both halves run
// through all three number sets.
TEST_F(BarcodeScan, Ean13) {
  kaltest::WorkDir wd;
  struct Case {
    int a, b, c;
  } cases[] = {
      {0, 0, 0},          {59, 9990, 1505},   {99, 99999, 99999}, {12, 34567, 89012},
      {23, 45678, 90123}, {34, 56789, 1234},  {45, 67890, 12345}, {56, 78901, 23456},
      {67, 89012, 34567}, {78, 90123, 45678}, {89, 1234, 56789},  {90, 12345, 67890},
      {5, 50505, 50},
  };
  std::vector<std::string> texts;
  std::vector<PageFn> pages;
  for (const auto& c : cases) {
    char text[14];
    ASSERT_EQ(ean13_id2str(text, c.a, c.b, c.c), 0);
    texts.push_back(text);
    pages.push_back([t = std::string(text)] {
      char bars[96];
      ASSERT_EQ(ean13_from_str(bars, t.c_str()), 0);
      draw_modules(bars, {0, 2, 46, 48, 92, 94});
    });
  }
  ASSERT_EQ(kaltest::write_document("ean.pdf", pages, 0, kStrip), 0);
  EXPECT_EQ(kaltest::qpdf_problems("ean.pdf"), "");
  EXPECT_EQ(scan("ean.pdf", pages.size(), "ean13"), texts);
}

// The PDF writer's interleaved 2 of 5 pieces: start, four digit-pair images
// and stop side by side.  The numbers take every pair image in the first
// three places.
TEST_F(BarcodeScan, Interleaved2of5Images) {
  kaltest::WorkDir wd;
  std::vector<int32_t> numbers = {0, 1, 1234567, 9999999};
  for (int k = 0; k < 34; ++k)
    numbers.push_back((3 * k % 100) * 100000 + ((3 * k + 1) % 100) * 1000 + ((3 * k + 2) % 100) * 10 + k % 10);
  std::vector<std::string> texts;
  for (int32_t n : numbers) texts.push_back(barcode_i25_9999999c(n));

  // The images belong to the document, so each number is a document of its own.
  std::vector<std::string> decoded;
  for (int32_t n : numbers) {
    std::vector<PageFn> page = {[] {
      int right = kStrip[2] - kLeft;
      const int widths[] = {8, 28, 28, 28, 28, 8};
      for (int im = 1; im <= 6; ++im) {
        right -= widths[im - 1];
        pdf_append_img(im, right, kTop, widths[im - 1], 50);
      }
    }};
    ASSERT_EQ(kaltest::write_document("i25.pdf", page, n, kStrip), 0);
    std::vector<std::string> got = scan("i25.pdf", 1, "i25");
    decoded.push_back(got[0]);
  }
  EXPECT_EQ(decoded, texts);
  EXPECT_EQ(kaltest::qpdf_problems("i25.pdf"), "");
}

TEST_F(BarcodeScan, Code128) {
  kaltest::WorkDir wd;
  std::string printable;
  for (char c = ' '; c <= '~'; ++c) printable += c;
  std::string pairs;
  for (int i = 0; i < 100; ++i) {
    pairs += static_cast<char>('0' + i / 10);
    pairs += static_cast<char>('0' + i % 10);
  }
  std::string mixed;
  for (int i = 0; i < 23; ++i) mixed += i % 2 ? "a" : "12";
  std::vector<std::string> texts = {
      "12", "123", "A1", "a12b", "A B", "5", "0", "00", "NAPRAWA 2024/0815",
      printable.substr(0, 46), printable.substr(46, 46), printable.substr(92),
      pairs.substr(0, 46), pairs.substr(46, 46), pairs.substr(92, 46), pairs.substr(138, 46),
      pairs.substr(184), mixed, std::string(46, 'Z'),
  };
  std::vector<std::string> expected = texts;
  // Longer than 46 characters: the code carries the first 46.
  texts.push_back(std::string(40, 'x') + "ABCDEFGHIJ");
  expected.push_back(std::string(40, 'x') + "ABCDEF");

  std::vector<PageFn> pages;
  for (const std::string& t : texts) {
    pages.push_back([t] {
      char bars[1037];
      ASSERT_EQ(code128_encode(bars, t.c_str()), 0) << t;
      draw_modules(bars);
    });
  }
  ASSERT_EQ(kaltest::write_document("c128.pdf", pages, 0, kStrip), 0);
  EXPECT_EQ(kaltest::qpdf_problems("c128.pdf"), "");
  EXPECT_EQ(scan("c128.pdf", pages.size(), "code128"), expected);
}
