// Helpers of the PDF and barcode tests: a scratch working directory and the
// outside readers (qpdf, poppler-utils, zbarimg) that check what we write.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/pdfpage.hpp"
#include "pdf/topdf.hpp"
#include "server/oo_texts.hpp"

namespace kaltest {

inline std::string shell_quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

struct CmdResult {
  int status = -1;
  std::string out;
};

// Runs a command of the test (paths quoted by the caller) and collects its
// standard output and, unless told otherwise, its standard error.
inline CmdResult run(const std::string& cmd, bool with_stderr = true) {
  CmdResult r;
  FILE* p = popen((cmd + (with_stderr ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
  if (p == nullptr) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  r.status = pclose(p);
  return r;
}

inline std::string read_bytes(const std::string& path) {
  std::string out;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return out;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  fclose(f);
  return out;
}

// The text without the line ends and page breaks that pdftotext adds.
inline std::string trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\f')) s.pop_back();
  return s;
}

inline std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> v;
  std::istringstream in(text);
  std::string l;
  while (std::getline(in, l)) v.push_back(l);
  return v;
}

// A word of a PDF as pdftotext -bbox places it: its page (from 1), its box
// in points from the page's top left corner, its text (Windows-1250).
struct Word {
  int page;
  double x0, y0, x1, y1;
  std::string text;
};

inline std::vector<Word> pdf_words(const std::string& pdf) {
  const std::string html =
      run("pdftotext -bbox -enc UTF-8 " + shell_quote(pdf) + " - | iconv -f UTF-8 -t CP1250", false).out;
  std::vector<Word> words;
  int page = 0;
  static const std::regex item(
      "<page |<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)</word>");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), item); it != std::sregex_iterator(); ++it) {
    if ((*it)[0].str() == "<page ") {
      ++page;
      continue;
    }
    std::string text = (*it)[5];
    for (const auto& [entity, c] : {std::pair<const char*, const char*>{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""},
                                    {"&apos;", "'"}, {"&amp;", "&"}})
      for (std::size_t at = 0; (at = text.find(entity, at)) != std::string::npos; at += std::strlen(c))
        text.replace(at, std::strlen(entity), c);
    words.push_back({page, std::stod((*it)[1]), std::stod((*it)[2]), std::stod((*it)[3]), std::stod((*it)[4]), text});
  }
  return words;
}

// The pairs of words of a page whose boxes (from the font's ascent to its
// descent) overlap by more than half a point each way, one line a pair
// ("'a' over 'b' on page 1").
inline std::string overlapping_words(const std::vector<Word>& words) {
  std::string out;
  for (std::size_t i = 0; i < words.size(); ++i) {
    for (std::size_t j = i + 1; j < words.size(); ++j) {
      const Word& a = words[i];
      const Word& b = words[j];
      if (a.page != b.page) continue;
      if (a.x0 < b.x1 - 0.5 && b.x0 < a.x1 - 0.5 && a.y0 < b.y1 - 0.5 && b.y0 < a.y1 - 0.5)
        out += "'" + a.text + "' over '" + b.text + "' on page " + std::to_string(a.page) + "\n";
    }
  }
  return out;
}

// A fresh temporary directory made the working directory for the test, with
// "img" leading to the shipped images; the old working directory comes back
// and the directory is removed at the end.
class WorkDir {
 public:
  explicit WorkDir(bool with_images = true) {
    char tmpl[] = "/tmp/kal_pdf_XXXXXX";
    char* d = mkdtemp(tmpl);
    EXPECT_NE(d, nullptr);
    dir_ = d ? d : "";
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    if (with_images)
      std::filesystem::create_directory_symlink(std::string(KAL_SOURCE_DIR) + "/data/img", "img");
  }
  ~WorkDir() {
    std::filesystem::current_path(old_);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  const std::string& path() const { return dir_; }

 private:
  std::string dir_;
  std::filesystem::path old_;
};

// What qpdf --check says beyond the one warning every file of ours draws:
// the keyword "stream" ends its line with a single CR like every other line.
inline std::string qpdf_problems(const std::string& pdf) {
  CmdResult r = run("qpdf --check " + shell_quote(pdf));
  std::string bad;
  for (const std::string& l : lines_of(r.out)) {
    if (l.rfind("checking ", 0) == 0 || l == "PDF Version: 1.2" || l == "File is not encrypted" ||
        l == "File is not linearized" || l == "No syntax or stream encoding errors found; the file may still contain" ||
        l == "errors that qpdf cannot detect" ||
        l == "qpdf: operation succeeded with warnings" ||
        l.find("stream keyword followed by carriage return only") != std::string::npos)
      continue;
    bad += l + "\n";
  }
  // Exit status 3 means warnings only; 2 means errors.
  int code = WIFEXITED(r.status) ? WEXITSTATUS(r.status) : -1;
  if (code != 0 && code != 3) bad += "qpdf exit status " + std::to_string(code) + "\n";
  return bad;
}

// Writes a document through the writer's steps, as the printouts with their
// own layout do: each page function draws one page into actPdfContents.
template <typename PageFn>
int write_document(const std::string& path, const std::vector<PageFn>& pages, int32_t barcode = 0,
                   const PdfBox& box = mediaBoxA4) {
  mediaBox = box;
  PDF.obj_nr = 0;
  PDF.pages_count = static_cast<int>(pages.size());
  kal::PdfFile file(path);
  pdf_write_header(file);
  pdf_write_info(file);
  pdf_write_fonts(file);
  pdf_write_resources(file, barcode);
  for (std::size_t i = 0; i < pages.size(); ++i) {
    initActPdfContents();
    pages[i]();
    writeContents(file, static_cast<int>(i));
  }
  for (std::size_t i = 0; i < pages.size(); ++i) writePage(file, static_cast<int>(i));
  writePages(file);
  writeCatalog(file);
  writeXref(file);
  return file.commit();
}

// The writer's switches as a new process has them; restored after each test.
class PdfSwitches : public ::testing::Test {
 protected:
  void SetUp() override { reset(); }
  void TearDown() override { reset(); }
  static void reset() {
    pdf_use_img_logo = 1;
    pdf_use_img_rfid = 1;
    pdf_add_font_CourierNewL2 = 1;
    pdf_add_font_ArialL2 = 1;
    pdf_logo_fname = "img\\LOGO.JPG";
    pdf_logo_width = 140;
    pdf_logo_height = 70;
    pdf_logo_pos_x = 50;
    pdf_logo_pos_y = 55;
    mediaBox = mediaBoxA4;
    PDF.margin = 30;
    oo_texts_set_lang(0);
  }
};

}  // namespace kaltest
