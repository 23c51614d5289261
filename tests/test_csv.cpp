#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <type_traits>
#include <unistd.h>
#include <vector>

#include "lib/csv.hpp"
#include "lib/strbuf.hpp"
#include "platform/textfile.hpp"
#include "tests/kal_testutil.hpp"

namespace fs = std::filesystem;

namespace {

struct TempDir : kaltest::TempDir {
  TempDir() : kaltest::TempDir("csv") {}
};

struct Buf {
  strbuf* b = strbuf_new(64);
  ~Buf() { strbuf_delete(&b); }
  std::string text() const { return std::string(b->data, b->size); }
};

struct Cell {
  uint32_t line;
  uint32_t column;
  std::string text;
  bool operator==(const Cell&) const = default;
};

void PrintTo(const Cell& c, std::ostream* os) { *os << "{" << c.line << "," << c.column << ",\"" << c.text << "\"}"; }

struct Collector {
  std::vector<Cell> cells;
  csv_callback fn() {
    return [this](uint32_t line, uint32_t column, const char* text) { cells.push_back({line, column, text}); };
  }
};

std::vector<std::string> parse(const std::string& line) {
  std::vector<std::string> out;
  csv_parse(7, line, [&](uint32_t line_no, uint32_t column, const char* text) {
    EXPECT_EQ(line_no, 7u);
    EXPECT_EQ(column, out.size());
    out.emplace_back(text);
  });
  return out;
}

std::string raw_file(const std::string& path) {
  std::string s;
  EXPECT_EQ(kal::read_file(path, s), 0);
  return s;
}

void write_raw(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
  std::fclose(f);
}

}  // namespace

TEST(CsvCell, DecodesTheDialect) {
  const struct {
    const char* line;
    std::vector<std::string> cells;
  } cases[] = {
      {"a", {"a"}},
      {"\"a\"", {"a"}},
      {"a;;b", {"a", "", "b"}},
      {"a;", {"a"}},  // no empty cell after a closing separator
      {"a;;", {"a", ""}},
      {";", {""}},
      {"", {""}},
      {"\"x;y\";z", {"x;y", "z"}},
      {"a,b;c", {"a,b", "c"}},  // the comma is not a separator
      {"\"a\"\"b\"", {"a\"b"}},
      {"\"\"\"\"", {"\""}},
      {"\"\";x", {"", "x"}},
      {"\"say \"\"hi\"\"\";2", {"say \"hi\"", "2"}},
      {"\"open;to the end", {"open;to the end"}},  // unclosed quotes run to the line end
      {"a\"b;c\"d;e", {"ab;cd", "e"}},             // a quote inside a plain cell opens quotes
      {"  pad ; x", {"  pad ", " x"}},
      {"\xA3\xF3\x64\xBC;\xB9\x9C", {"\xA3\xF3\x64\xBC", "\xB9\x9C"}},
  };
  for (const auto& c : cases) EXPECT_EQ(parse(c.line), c.cells) << "line: " << c.line;
}

TEST(CsvCell, ReportsBytesTakenAndTheLastCell) {
  const struct {
    const char* rest;
    std::size_t taken;
    int last;
    const char* cell;
  } cases[] = {
      {"ab;cd", 3, 0, "ab"},   {"ab;", 3, 1, "ab"},       {"ab", 2, 1, "ab"},
      {";x", 1, 0, ""},        {"\"a;b\";c", 6, 0, "a;b"}, {"\"a;b", 4, 1, "a;b"},
  };
  for (const auto& c : cases) {
    std::string cell = "old";
    int last = -1;
    EXPECT_EQ(csv_cell(cell, c.rest, &last), c.taken) << c.rest;
    EXPECT_EQ(last, c.last) << c.rest;
    EXPECT_EQ(cell, c.cell) << c.rest;
  }
}

TEST(CsvLoad, NumbersNonEmptyLinesAndTakesEveryLineEnd) {
  TempDir d;
  std::string path = d.file("in.csv");
  // CR LF, bare LF, a lone CR, blank lines, and a last line without a line end.
  write_raw(path, "a;b\r\n\r\n\n\"c;d\";e\nf\rg;\r\n\r\nh");
  Collector got;
  ASSERT_EQ(csv_load(path.c_str(), got.fn()), 0);
  std::vector<Cell> want = {{0, 0, "a"}, {0, 1, "b"}, {1, 0, "c;d"}, {1, 1, "e"},
                            {2, 0, "f"}, {3, 0, "g"}, {4, 0, "h"}};
  EXPECT_EQ(got.cells, want);
}

TEST(CsvLoad, MissingFileIsReportedAndNothingIsCalled) {
  TempDir d;
  std::string path = d.file("none.csv");
  Collector got;
  testing::internal::CaptureStdout();
  EXPECT_EQ(csv_load(path.c_str(), got.fn()), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "csv_load(): Can't open file '" + path + "' to read !\n");
  EXPECT_TRUE(got.cells.empty());

  testing::internal::CaptureStdout();
  EXPECT_EQ(csv_load(nullptr, got.fn()), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "csv_load(): Can't open file '' to read !\n");
}

// A line is one record however long it is: no byte is dropped and its tail
// does not turn into a record of its own.
TEST(CsvLoad, LongLinesStayOneRecord) {
  TempDir d;
  std::string path = d.file("long.csv");
  std::string first(1500, 'x');
  for (std::size_t i = 0; i < first.size(); ++i) first[i] = static_cast<char>('a' + i % 26);
  std::string quoted(3000, ';');
  write_raw(path, first + ";2\r\n\"" + quoted + "\";tail\r\nnext\r\n");
  Collector got;
  ASSERT_EQ(csv_load(path.c_str(), got.fn()), 0);
  std::vector<Cell> want = {{0, 0, first}, {0, 1, "2"}, {1, 0, quoted}, {1, 1, "tail"}, {2, 0, "next"}};
  EXPECT_EQ(got.cells, want);
}

// The import pages hand their cell handlers over as plain functions.
static_assert(std::is_constructible_v<csv_callback, int (*)(uint32_t, uint32_t, const char*)>);
static_assert(std::is_constructible_v<csv_callback, int (*)(unsigned long, unsigned long, const char*)>);

TEST(CsvFileline, ReadsUpToEachLineEnd) {
  kal::TextIn in(std::string("ab\rc\n\nlast"));
  std::string line;
  int eof = -1;
  const struct {
    const char* line;
    int eof;
  } want[] = {{"ab", 0}, {"c", 0}, {"", 0}, {"last", 1}};
  for (const auto& w : want) {
    EXPECT_EQ(csv_fileline(in, line, &eof), std::string(w.line).size());
    EXPECT_EQ(line, w.line);
    EXPECT_EQ(eof, w.eof);
  }
  EXPECT_EQ(csv_fileline(in, line, &eof), 0u);
  EXPECT_EQ(eof, 1);
}

TEST(CsvAppCol, EncodesOneCell) {
  const struct {
    const char* text;
    const char* out;
  } cases[] = {
      {"", ""},
      {"plain text", "plain text"},
      {"Veviv; Zedodede", "\"Veviv; Zedodede\""},
      {"1,50", "\"1,50\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"\"", "\"\"\"\""},
      {"two\nlines", "two lines"},
      {"a\r\nb", "a  b"},  // no line end may reach the file: a reader would split the record
      {"x;\ny", "\"x; y\""},
      {"\xA3\xF3\x64\xBC", "\xA3\xF3\x64\xBC"},
  };
  for (const auto& c : cases) {
    Buf b;
    strbuf_append(b.b, "<");
    ASSERT_EQ(csv_app_col(b.b, c.text), 0) << c.text;
    EXPECT_EQ(b.text(), std::string("<") + c.out) << c.text;
  }

  Buf b;
  EXPECT_EQ(csv_app_col(b.b, nullptr), -1);
  EXPECT_EQ(csv_app_col(nullptr, "x"), -1);
  EXPECT_EQ(b.text(), "");
}

namespace {

// Rows as the exports write them: every cell followed by ";", then LF.
const std::vector<std::vector<std::string>> kRows = {
    {"nazwa", "opis", "NIP"},
    {"Veviv; Zedodede", "", "123-45-67-890"},
    {"\"Quoted\" Sp. z o.o.", "line one\nline two\r\nthree", "a,b"},
    {"", "", ""},
    {"\xA3\xF3\x64\xBC \xA5\xB9\x8C\x9C", "x\"\"y;;z", "end;"},
    {std::string(2500, 'L'), "\"" + std::string(1200, ';') + "\"", "\\"},
};

// What a reader sees of a cell: its line breaks became blanks.
std::string as_read(std::string s) {
  for (char& c : s)
    if (c == '\n' || c == '\r') c = ' ';
  return s;
}

std::string write_rows(const std::string& path) {
  Buf b;
  for (const auto& row : kRows) {
    for (const auto& cell : row) {
      EXPECT_EQ(csv_app_col(b.b, cell.c_str()), 0);
      strbuf_append(b.b, ";");
    }
    strbuf_append(b.b, "\n");
  }
  EXPECT_EQ(strbuf_buf_to_file(b.b, path.c_str()), 0);
  return b.text();
}

}  // namespace

TEST(CsvRoundTrip, WrittenCellsReadBackWhole) {
  TempDir d;
  std::string path = d.file("export.csv");
  write_rows(path);
  Collector got;
  ASSERT_EQ(csv_load(path.c_str(), got.fn()), 0);
  std::vector<Cell> want;
  for (uint32_t l = 0; l < kRows.size(); ++l)
    for (uint32_t c = 0; c < kRows[l].size(); ++c) want.push_back({l, c, as_read(kRows[l][c])});
  EXPECT_EQ(got.cells, want);
}

TEST(CsvRoundTrip, PythonCsvReadsWhatWeWrite) {
  TempDir d;
  std::string path = d.file("export.csv");
  write_rows(path);
  EXPECT_EQ(raw_file(path).substr(0, 20), "nazwa;opis;NIP;\r\n\"Ve");

  std::string cmd = "python3 '" KAL_SOURCE_DIR "/tests/csv_python.py' '" + path + "'";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string got;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) got.append(buf, n);
  ASSERT_EQ(pclose(p), 0) << got;

  auto hex = [](const std::string& s) {
    static const char digits[] = "0123456789abcdef";
    std::string h;
    for (unsigned char c : s) h += {digits[c >> 4], digits[c & 15]};
    return h;
  };
  std::string want;
  for (const auto& row : kRows) {
    for (const auto& cell : row) want += hex(as_read(cell)) + ",";
    want += "\n";  // the ";" after the last cell gives Python one more, empty, cell
  }
  EXPECT_EQ(got, want);
}
