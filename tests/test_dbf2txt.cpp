// dbf2txt, the converter of the stock program's tables: its output read back
// with the goods import's CSV reader equals, field by field and byte by byte,
// what Debian's python3-dbfread reads from tables that python3-dbf wrote;
// broken tables end with their exit codes.
#include <string>
#include <vector>

#include "lib/csv.hpp"
#include "tests/goods_io_env.hpp"
#include "tests/kal_testutil.hpp"

#ifndef KAL_DBF2TXT_PATH
#error "KAL_DBF2TXT_PATH must name the dbf2txt program"
#endif

namespace {

using namespace goods_io;

Ran dbf2txt(const std::string& path) { return run("'" KAL_DBF2TXT_PATH "' '" + path + "' 2>/dev/null"); }

// The converter's output as the import reads it: lines of cells.
std::vector<std::vector<std::string>> cells_of(const std::string& out) {
  std::vector<std::vector<std::string>> rows;
  std::size_t start = 0;
  uint32_t n = 0;
  while (start < out.size()) {
    std::size_t end = out.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
    if (end == std::string::npos) end = out.size();
    std::vector<std::string> cells;
    csv_parse(n++, std::string_view(out).substr(start, end - start),
              [&](uint32_t, uint32_t, const char* text) { cells.push_back(text); });
    rows.push_back(cells);
    start = end + 2;
  }
  return rows;
}

// A dBASE III table put together byte by byte: one character field of
// width w (up to 65535), the given records (flag byte included), the end mark when asked.
std::string table(unsigned w, const std::vector<std::string>& records, bool end_mark = true,
                  unsigned record_len = 0, unsigned count = 0) {
  std::string t(32, '\0');
  t[0] = 0x03;
  const unsigned header_len = 32 + 32 + 1;
  if (!record_len) record_len = 1 + w;
  if (!count) count = static_cast<unsigned>(records.size());
  t[4] = static_cast<char>(count);
  t[8] = static_cast<char>(header_len);
  t[10] = static_cast<char>(record_len & 0xFF);
  t[11] = static_cast<char>(record_len >> 8);
  std::string field(32, '\0');
  field.replace(0, 4, "NAME");
  field[11] = 'C';
  // A character field's length takes the next byte as its high byte.
  field[16] = static_cast<char>(w & 0xFF);
  field[17] = static_cast<char>(w >> 8);
  t += field + "\r";
  for (const std::string& r : records) t += r;
  if (end_mark) t += '\x1a';
  return t;
}

TEST(Dbf2txt, WritesWhatPythonsDbfreadReadsFieldByField) {
  if (python().empty()) GTEST_SKIP() << "python3-dbf / python3-dbfread are not installed";
  kaltest::TempDir d("dbf2txt");
  struct Case {
    const char* what;
    std::string fields;
    std::vector<std::vector<std::string>> records;
    std::vector<int> deleted;
    std::string bytes = "";  // instead: the table's bytes
  };
  std::string wide_fields;
  std::vector<std::string> wide_record;
  for (int i = 0; i < 120; ++i) {
    wide_fields += (i ? "; F" : "F") + std::to_string(i) + " C(" + std::to_string(1 + i % 7) + ")";
    wide_record.push_back(std::string(1 + i % 7, static_cast<char>('a' + i % 26)));
  }
  const std::vector<Case> cases = {
      {"texts, numbers, dates and flags; deleted records left out",
       "NAZWA C(30); CENA N(10,2); ILOSC N(5,0); DATA D; JEST L",
       {{"Olej silnikowy", "21.5", "24", "2024-03-01", "1"},
        {"Usunięty", "1", "1", "", ""},
        {"Łańcuch; \"428H\"", "", "", "", ""},
        {"", "-3.25", "0", "1999-12-31", ""},
        {"ostatni usunięty", "", "", "", ""}},
       {1, 4}},
      {"a table of one field and no records", "A C(1)", {}, {}},
      {"many fields of many widths", wide_fields, {wide_record, wide_record}, {}},
      {"a field longer than 255 bytes", "", {}, {},
       table(300, {" " + std::string(287, 'x') + "koniec; i ju\xBF", "*" + std::string(300, 'y'),
                   " " + std::string(300, ' ')})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = d.file("t.dbf");
    fs::remove(path);
    if (c.bytes.empty())
      ASSERT_TRUE(make_dbf(path, c.fields, c.records, c.deleted));
    else
      write_bytes(path, c.bytes);
    const auto want = read_dbf(path);
    const Ran r = dbf2txt(path);
    ASSERT_EQ(r.status, 0);
    const auto got = cells_of(r.out);
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) EXPECT_EQ(got[i], want[i]) << "line " << i;
  }
}

TEST(Dbf2txt, QuotesOnlyWhatTheReaderWouldSplit) {
  if (python().empty()) GTEST_SKIP() << "python3-dbf / python3-dbfread are not installed";
  kaltest::TempDir d("dbf2txt");
  ASSERT_TRUE(make_dbf(d.file("t.dbf"), "A C(8); B C(6); C C(4)",
                       {{"a;b", "x\"y", "Ąę, "}, {"zwykły", "", "1,5"}}));
  const Ran r = dbf2txt(d.file("t.dbf"));
  ASSERT_EQ(r.status, 0);
  // Fields with ";" or a double quote are quoted, quotes doubled; everything
  // else is the table's bytes, padding and code page included.
  EXPECT_EQ(r.out, "A;B;C\r\n\"a;b     \";\"x\"\"y   \";\xA5\xEA, \r\nzwyk\xB3y  ;      ;1,5 \r\n");
}

TEST(Dbf2txt, BrokenTablesEndWithTheirCodes) {
  kaltest::TempDir d("dbf2txt");
  struct Case {
    const char* what;
    std::string bytes;  // written to the file; "<none>" for no file
    int status;
    std::string out;
  };
  const std::vector<Case> cases = {
      {"a good table", table(3, {" abc", "*del", " \r\nx"}), 0, "NAME\r\nabc\r\n  x\r\n"},
      {"records after the end mark are not read", table(3, {" abc"}) + " zzz", 0, "NAME\r\nabc\r\n"},
      {"no end mark", table(3, {" abc"}, false), 0, "NAME\r\nabc\r\n"},
      {"a record cut short: the records before it", table(3, {" abc", " de"}, false), 4, "NAME\r\nabc\r\n"},
      {"an unknown flag is no record", table(3, {"?abc", " def"}), 0, "NAME\r\ndef\r\n"},
      {"no file", "<none>", 2, ""},
      {"an empty file", "", 3, ""},
      {"text instead of a table", std::string(200, 'x'), 3, ""},
      {"fields longer than the record", table(3, {" abc"}, true, 2), 3, ""},
      {"a header longer than the file", table(3, {}).substr(0, 40), 3, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = d.file("t.dbf");
    fs::remove(path);
    if (c.bytes != "<none>") write_bytes(path, c.bytes);
    const Ran r = dbf2txt(path);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, c.out);
  }
  EXPECT_EQ(run("'" KAL_DBF2TXT_PATH "' 2>/dev/null").status, 1);
  EXPECT_EQ(run("'" KAL_DBF2TXT_PATH "' a b 2>/dev/null").status, 1);
}

}  // namespace
