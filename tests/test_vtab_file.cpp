// Table files: the line form; short, broken and cut files; a file written
// from the format's rules alone; the prints; failing writes.  The round trip
// of every table is in tests/vtab_file_suite.hpp.
#define ALLOC_FAULT_OPERATORS
#include "tests/alloc_fault.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "tests/vtab_file_own.hpp"
#include "tests/vtab_file_suite.hpp"

VTAB_FILE_SUITE_PART(0)

using namespace vtab_file_suite;

namespace {

// --- The line form ------------------------------------------------------------------

TEST(TableFile, LineForm) {
  auto* tab = Jednostki_metryczne_tab_new();
  Jednostki_metryczne u{12, "ab'c"};
  ASSERT_EQ(Jednostki_metryczne_tab_insert(tab, &u), 0);
  Jednostki_metryczne none{3, ostr()};
  ASSERT_EQ(Jednostki_metryczne_tab_insert(tab, &none), 0);
  kal::TextOut out;
  EXPECT_EQ(Jednostki_metryczne_tab_save(out, tab), 0);
  EXPECT_EQ(out.text(), header() + " 12 'ab''c'\n 3 ''\n");
  Jednostki_metryczne_tab_delete(&tab);

  Firmy f{};
  f.Id = 5;
  f.nazwa = "Serwis Kowalski";
  f.czas_modyfikacji = 4102444800LL;
  f.flags = -1;
  std::string thirteen_empty;
  for (int i = 0; i < 13; ++i) thirteen_empty += " ''";
  EXPECT_EQ(record_text(f), " 5 'Serwis Kowalski'" + thirteen_empty + " 0 0 4102444800 -1");

  Transakcje t{};
  t.Id = 1;
  t.laczna_wartosc = 1234.5;
  t.zaplacono = -0.004;
  t.wydrukowano = 'T';
  t.odebrano = ' ';
  EXPECT_EQ(record_text(t), " 1 '' 0 0 1234.50 '' 0 0 0 0 T \\s -0.00 0 0");
}

TEST(TableFile, HeaderContentIsNotChecked) {
  Loaded<Jednostki_metryczne> l("anything at all\n 1 'a'\n");
  EXPECT_EQ(l.rc, 0);
  ASSERT_EQ(l.tab->size, 1);
  EXPECT_STREQ(l.tab->first->row->nazwa.get(), "a");
}

// A last record without its line end loads, but nothing tells whether its
// last number was cut short: the file counts as damaged.
TEST(TableFile, LastLineWithoutLineEnd) {
  for (const char* text : {" '1' 'a'\n '2' 'b'", " '1' 'a'\n '2' 'b'  "}) {
    Loaded<Kody_poczt> l(text);
    EXPECT_EQ(l.rc, 0);
    EXPECT_EQ(l.tab->size, 2) << text;
    EXPECT_EQ(l.tab->damaged, 1);
    EXPECT_EQ(l.out,
              "Kody_poczt_tab_load(): line 2: the file ends without the line end of the last record, which may be cut "
              "short; record kept\n");
  }
  Loaded<Kody_poczt> l(" '1' 'a'\n '2' 'b'\n\n  \n");
  EXPECT_EQ(l.tab->size, 2);
  EXPECT_EQ(l.tab->damaged, 0);
  EXPECT_EQ(l.out, "");
}

TEST(TableFile, LoadAppendsToWhatTheTableHolds) {
  auto* tab = Jednostki_metryczne_tab_new();
  Jednostki_metryczne u{7, "first"};
  ASSERT_EQ(Jednostki_metryczne_tab_insert(tab, &u), 0);
  kal::TextIn in(header() + " 7 'again'\n 1 'one'\n");
  EXPECT_EQ(Jednostki_metryczne_tab_load(in, tab), 0);
  ASSERT_EQ(tab->size, 3);
  EXPECT_STREQ(tab->first->next->row->nazwa.get(), "again");
  Jednostki_metryczne_ref* ref = Jednostki_metryczne_tab_gets_Id(tab, 7, VTAB_CMP_EQUAL);
  EXPECT_EQ(ref->size, 2) << "both records with key 7 in the index";
  Jednostki_metryczne_ref_delete(&ref);
  Jednostki_metryczne_tab_delete(&tab);
}

// A file cut at every byte: the records before the cut load, a record cut
// short is dropped and reported, a last number cut short is kept but
// reported, and only a cut right after a line end leaves the table whole.
TEST(TableFile, CutAtEveryByte) {
  auto* tab = Firmy_tab_new();
  for (int n = 1; n <= 3; ++n) {
    Firmy f{};
    f.Id = static_cast<uint32_t>(n);
    f.nazwa = "Firma\n" + std::to_string(n);
    f.flags = n * 100;
    ASSERT_EQ(Firmy_tab_insert(tab, &f), 0);
  }
  const std::string whole = saved_text<Firmy>(tab);
  Firmy_tab_delete(&tab);
  // Where the digits of each record's last field (flags) begin.
  std::vector<std::size_t> last_field;
  for (std::size_t at = whole.find("00\n"); at != std::string::npos; at = whole.find("00\n", at + 1))
    last_field.push_back(at - 1);
  ASSERT_EQ(last_field.size(), 3u);
  for (std::size_t cut = header().size(); cut <= whole.size(); ++cut) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    Loaded<Firmy> l(whole.substr(0, cut));
    std::vector<int32_t> flags;
    std::size_t boundary = header().size();  // after the last whole line
    for (std::size_t f : last_field) {
      if (cut <= f) break;
      std::size_t digits = std::min<std::size_t>(cut - f, 3);
      flags.push_back(std::stoi(whole.substr(f, digits)));
      if (cut >= f + 4) boundary = f + 4;
    }
    const bool clean = whole.substr(boundary, cut - boundary).find_first_not_of(" ") == std::string::npos;
    EXPECT_EQ(l.rc, 0);
    EXPECT_EQ(l.tab->damaged, clean ? 0 : 1);
    if (clean) EXPECT_EQ(l.out, "");
    else EXPECT_EQ(l.out.compare(0, 23, "Firmy_tab_load(): line "), 0) << l.out;
    std::vector<int32_t> got;
    for (const Firmy* r : rows<Firmy>(l.tab)) got.push_back(r->flags);
    EXPECT_EQ(got, flags);
  }
}

// Records a save could not have written, in a table with every field kind:
// each is dropped alone, and the table saved afterwards is the file without it.
TEST(TableFile, BrokenFieldsOfEveryKind) {
  const std::string good1 = " 1 'A/1' 100 200 10.50 'u' 3 1 2 300 T N 1.00 4 0";
  const std::string good3 = " 3 'A/3' 100 200 10.50 'u' 3 1 2 300 \\s \\n 1.00 4 0";
  struct Case {
    const char* what;
    std::string line;
  };
  const std::vector<Case> cases{
      {"letters in an unsigned field", " 2 'A/2' 100 200 10.50 'u' 3x 1 2 300 T N 1.00 4 0"},
      {"letters in a time field", " 2 'A/2' 1OO 200 10.50 'u' 3 1 2 300 T N 1.00 4 0"},
      {"letters in a number field", " 2 'A/2' 100 200 10.5O 'u' 3 1 2 300 T N 1.00 4 0"},
      {"a sign alone", " 2 'A/2' 100 200 10.50 'u' 3 1 2 300 T N 1.00 4 -"},
      {"two characters for one", " 2 'A/2' 100 200 10.50 'u' 3 1 2 300 TN N 1.00 4 0"},
      {"a text without its opening quote", " 2 A/2' 100 200 10.50 'u' 3 1 2 300 T N 1.00 4 0"},
      {"a quote not doubled", " 2 'A/2' 100 200 10.50 'it's' 3 1 2 300 T N 1.00 4 0"},
      {"a field missing in the middle", " 2 'A/2' 100 10.50 'u' 3 1 2 300 T N 1.00 4 0"},
      {"a field missing at the end", " 2 'A/2' 100 200 10.50 'u' 3 1 2 300 T N 1.00 4"},
      {"a field too many", " 2 'A/2' 100 200 10.50 'u' 3 1 2 300 T N 1.00 4 0 0"},
      {"the record split over two lines", " 2 'A/2' 100 200 10.50 'u' 3 1\n 2 300 T N 1.00 4 0"},
      {"a text left open", " 2 'A/2' 100 200 10.50 'u 3 1 2 300 T N 1.00 4 0"},
  };
  const std::string expected = header() + good1 + "\n" + good3 + "\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Loaded<Transakcje> l(header() + good1 + "\n" + c.line + "\n" + good3 + "\n");
    EXPECT_EQ(l.rc, 0);
    EXPECT_GE(l.tab->damaged, 1);
    EXPECT_NE(l.out.find("Transakcje_tab_load(): line 3: "), std::string::npos) << l.out;
    EXPECT_EQ(saved_text<Transakcje>(l.tab), expected);
  }
  // Forms a save does not write but the field readers have always taken.
  Loaded<Transakcje> l(header() + " +2 '' -1 +5 10,5 '' 1 1 1 1 \\ x 1e2 0 -0\n");
  EXPECT_EQ(l.tab->damaged, 0) << l.out;
  ASSERT_EQ(l.tab->size, 1);
  const Transakcje& t = *l.tab->first->row;
  EXPECT_EQ(t.Id, 2u);
  EXPECT_EQ(t.data_transkacji, -1);
  EXPECT_EQ(t.laczna_wartosc, 10.5);
  EXPECT_EQ(t.wydrukowano, '\\');
  EXPECT_EQ(t.odebrano, 'x');
  EXPECT_EQ(t.zaplacono, 100.0);
  EXPECT_EQ(l.tab->damaged, 0);
}

// Number fields come out of the reader exactly as out of the codec's reader,
// whatever their form: the short road for the form a save writes must give
// the same double.
TEST(TableFile, NumberFieldsReadAsTheCodecReadsThem) {
  std::vector<std::string> tokens{"0.00",  "-0.00",   "0.29",  "1234567.89",   "9999999999999.99", "-999999999999.99",
                                  "99999999999999.99", "123456789012345678.25", "1,50",   "+2.50", "1e3",
                                  "-1.5e-3", "inf",    "-inf",  "0.1",          "12",      "-7",    ".5",  "5.",
                                  "0.125", "00012.30"};
  std::mt19937_64 rng(5);
  for (int i = 0; i < 20000; ++i) {
    double v = static_cast<double>(static_cast<int64_t>(rng() % 2000000000000000ULL) - 1000000000000000LL) /
               std::pow(10.0, static_cast<double>(rng() % 16));
    tokens.push_back(kal::format_fixed(v, 2, 4));
  }
  for (const std::string& token : tokens) {
    double codec = -1, ours = -2;
    int eof = 0;
    kal::TextIn in(token);
    vtab_from_file_g(&codec, in, &eof);
    kal::vtab_cursor c{token.data(), token.data() + token.size()};
    ASSERT_EQ(kal::vtab_read_field(c, true, &ours), kal::vtab_field_ok) << token;
    ASSERT_EQ(std::memcmp(&codec, &ours, sizeof codec), 0) << token << ": " << codec << " " << ours;
  }
  double v = 0;
  for (const char* bad : {"1.2.3", "12a", "-", "1,2,3", "--1"}) {
    std::string token = bad;
    kal::vtab_cursor c{token.data(), token.data() + token.size()};
    EXPECT_EQ(kal::vtab_read_field(c, true, &v), kal::vtab_field_bad) << token;
  }
}

// The record reader's results, as a loader of its own sees them.
TEST(TableFile, FromFileResults) {
  Jednostki_metryczne u{};
  int eof = 0;
  kal::TextIn in(" 1 'a'\n 2 x\n 3 'c'\n 4");
  EXPECT_EQ(Jednostki_metryczne_from_file(&u, in, &eof), 0);
  EXPECT_EQ(eof, 0);
  EXPECT_EQ(Jednostki_metryczne_from_file(&u, in, &eof), -2) << "field 2 broken";
  EXPECT_EQ(eof, 0);
  EXPECT_EQ(Jednostki_metryczne_from_file(&u, in, &eof), 0) << "reading goes on at the next line";
  EXPECT_EQ(u.Id, 3u);
  EXPECT_STREQ(u.nazwa.get(), "c");
  EXPECT_EQ(Jednostki_metryczne_from_file(&u, in, &eof), 1) << "the file ends in field 1, right after its digits";
  EXPECT_EQ(eof, 1);
  kal::TextIn blank_after(" 4 ");
  eof = 0;
  EXPECT_EQ(Jednostki_metryczne_from_file(&u, blank_after, &eof), 2) << "the file ends before field 2";
  EXPECT_EQ(eof, 1);

  kal::TextIn last(" 9 'z'");
  eof = 0;
  EXPECT_EQ(Jednostki_metryczne_from_file(&u, last, &eof), 0);
  EXPECT_EQ(eof, 1) << "a last line without its line end";
  eof = 0;
  EXPECT_EQ(Jednostki_metryczne_from_file(&u, last, &eof), 1);
  EXPECT_EQ(eof, 1);
}

// A loader of its own refuses records; they count as damage, so the file
// they are in is kept before it is overwritten.
TEST(TableFile, RecordsRefusedByAnOwnLoaderCountAsDamage) {
  Loaded<Vf_own> l(header() + " 1 '1/2024' 0.00\n 2 '' 0.00\n 3 '3/2024' 0.00\n");
  EXPECT_EQ(l.rc, 0);
  EXPECT_EQ(l.tab->size, 2);
  EXPECT_EQ(l.tab->damaged, 1);
}

TEST(TableFile, OutOfMemoryKeepsWhatWasReadAndCountsAsDamage) {
  auto* tab = Firmy_tab_new();
  for (uint32_t n = 1; n <= 4; ++n) {
    Firmy f{};
    f.Id = n;
    f.nazwa = "a name long enough not to fit inside the string object " + std::to_string(n);
    ASSERT_EQ(Firmy_tab_insert(tab, &f), 0);
  }
  const std::string text = saved_text<Firmy>(tab);
  Firmy_tab_delete(&tab);
  int rc = -1;
  std::vector<int> seen;
  for (long budget = 0; rc != 0; ++budget) {
    ASSERT_LT(budget, 1000);
    kal::TextIn in(text);
    auto* t = Firmy_tab_new();
    {
      alloc_fault::fault_after fault(budget);
      rc = Firmy_tab_load(in, t);
    }
    if (rc != 0) {
      EXPECT_TRUE(rc == -1 || rc == -2 || rc == -3) << rc;
      EXPECT_GT(t->damaged, 0);
      seen.push_back(rc);
    } else {
      EXPECT_EQ(t->damaged, 0);
      EXPECT_EQ(t->size, 4);
    }
    uint32_t id = 0;
    for (auto* e = t->first; e != nullptr; e = e->next) EXPECT_EQ(e->row->Id, ++id) << "the records read before stay";
    Firmy_tab_delete(&t);
  }
  for (int code : {-1, -2, -3}) EXPECT_NE(std::find(seen.begin(), seen.end(), code), seen.end()) << code;
}

// --- A file written from the format's rules alone --------------------------------------

std::string unhex(const std::string& hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

// The fields of a record as the Python script writes them into its .expect
// file (doubles compared by value).
template <class T>
void expect_fields(const T& row, const std::string& line, int n) {
  std::vector<std::string> want;
  std::size_t from = 0;
  for (std::size_t comma; (comma = line.find(',', from)) != std::string::npos; from = comma + 1)
    want.push_back(unhex(line.substr(from, comma - from)));
  want.push_back(unhex(line.substr(from)));
  ASSERT_EQ(want.size(), static_cast<std::size_t>(vtab_meta<T>::field_count));
  vtab_meta<T>::for_each_field([&](auto f) {
    using F = decltype(f);
    using V = typename F::type;
    const std::string& w = want[F::pos];
    const V& v = F::of(row);
    SCOPED_TRACE(std::string("record ") + std::to_string(n) + " field " + F::name());
    if constexpr (std::is_same_v<V, ostr>) EXPECT_EQ(v.str(), w);
    else if constexpr (std::is_same_v<V, char>) EXPECT_EQ(std::string(1, v), w);
    else if constexpr (std::is_same_v<V, double>) EXPECT_EQ(v, std::strtod(w.c_str(), nullptr));
    else EXPECT_EQ(std::to_string(v), w);
  });
}

template <class T>
void check_python_file(const TempDir& dir) {
  const std::string name = vtab_meta<T>::name;
  SCOPED_TRACE(name);
  kal::TextIn in;
  ASSERT_EQ(vtab_file_open(dir / (name + ".dat"), in), 0);
  auto* tab = vtab_api<T>::tab_new();
  EXPECT_EQ(vtab_api<T>::tab_load(in, tab), 0);
  EXPECT_EQ(tab->damaged, 0);
  kal::TextIn expect;
  ASSERT_EQ(expect.open(dir / (name + ".expect")), 0);
  std::string line;
  int n = 0;
  auto* e = tab->first;
  for (; expect.getline(line); ++n, e = e->next) {
    ASSERT_NE(e, nullptr) << "record " << n << " missing";
    expect_fields(*e->row, line, n);
  }
  EXPECT_EQ(e, nullptr) << "records the script did not write";
  // Saved again, the records are the same bytes (the version line is ours).
  std::string written = kal::text_from_disk(file_bytes(dir / (name + ".dat")));
  std::string saved = saved_text<T>(tab);
  if (vtab_meta<T>::options.header_line) {
    written.erase(0, written.find('\n') + 1);
    saved.erase(0, saved.find('\n') + 1);
  }
  EXPECT_EQ(saved, written);
  vtab_api<T>::tab_delete(&tab);
}

TEST(TableFileFormat, ReadsWhatAnIndependentWriterWrote) {
  TempDir dir;
  const std::string cmd = "python3 '" KAL_SOURCE_DIR "/tests/vtab_file_format.py' '" + dir.path + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  check_python_file<Transakcje>(dir);
  check_python_file<Kody_poczt>(dir);
}

// --- Prints ----------------------------------------------------------------------------

TEST(TableFile, Prints) {
  auto* tab = Jednostki_metryczne_tab_new();
  for (uint32_t n = 1; n <= 3; ++n) {
    Jednostki_metryczne u{n, n == 2 ? "kg" : "szt."};
    ASSERT_EQ(Jednostki_metryczne_tab_insert(tab, &u), 0);
  }
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(Jednostki_metryczne_tab_print(tab), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "0000:  1 'szt.'\n0001:  2 'kg'\n0002:  3 'szt.'\n");

  Jednostki_metryczne_ref* ref = Jednostki_metryczne_tab_gets_nazwa(tab, "szt.", VTAB_CMP_EQUAL);
  Jednostki_metryczne_tab_removes(tab, ref);
  Jednostki_metryczne_ref* all = Jednostki_metryczne_tab_gets_Id(tab, 0, VTAB_CMP_GE);
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(Jednostki_metryczne_ref_print(ref), 0);
  EXPECT_EQ(Jednostki_metryczne_ref_print(all), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Jednostki_metryczne_ref_print() size=2\n"
            "0000: Jednostki_metryczne_ref_print(): tab_ref_elem->listelem==NULL !\n"
            "0001: Jednostki_metryczne_ref_print(): tab_ref_elem->listelem==NULL !\n"
            "Jednostki_metryczne_ref_print() size=1\n"
            "0000:  2 'kg'\n");
  ::testing::internal::CaptureStdout();
  Jednostki_metryczne_print(tab->first->row);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), " 2 'kg'");
  Jednostki_metryczne_ref_delete(&ref);
  Jednostki_metryczne_ref_delete(&all);
  Jednostki_metryczne_tab_delete(&tab);
}

// --- Writing the file -------------------------------------------------------------------

TEST(TableFileCommit, DamagedFileIsKeptOnceBeforeTheFirstRewrite) {
  TempDir dir;
  const std::string path = dir / "Jednostki_metryczne.dat";
  const std::string original = kal::text_to_disk(header() + " 1 'szt.'\n 2 k g\n 3 'kg'\n");
  put_bytes(path, original);
  kal::TextIn in;
  ASSERT_EQ(vtab_file_open(path, in), 0);
  auto* tab = Jednostki_metryczne_tab_new();
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(Jednostki_metryczne_tab_load(in, tab), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Jednostki_metryczne_tab_load(): line 3: field 2 ('nazwa') broken, record dropped\n");
  EXPECT_EQ(tab->size, 2);
  EXPECT_EQ(tab->damaged, 1);

  kal::TextOut out(path);
  Jednostki_metryczne_tab_save(out, tab);
  ::testing::internal::CaptureStdout();
  ASSERT_EQ(vtab_file_commit(out, &tab->damaged), 0);
  std::string said = ::testing::internal::GetCapturedStdout();
  auto kept = vtab_test::files_starting(dir.path, "Jednostki_metryczne.dat.damaged-");
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].size(), std::string("Jednostki_metryczne.dat.damaged-YYYYMMDD-HHMMSS").size());
  EXPECT_EQ(file_bytes(dir / kept[0]), original) << "the original bytes, CR LF and all";
  EXPECT_NE(said.find("its original is kept as '" + dir / kept[0] + "'"), std::string::npos) << said;
  EXPECT_EQ(tab->damaged, 0);
  EXPECT_EQ(file_bytes(path), kal::text_to_disk(header() + " 1 'szt.'\n 3 'kg'\n"));

  ::testing::internal::CaptureStdout();
  ASSERT_EQ(vtab_file_commit(out, &tab->damaged), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(vtab_test::files_starting(dir.path, "Jednostki_metryczne.dat.damaged-").size(), 1u);
  Jednostki_metryczne_tab_delete(&tab);
}

TEST(TableFileCommit, FailedWritesAreReportedAndLeaveTheOldFileWhole) {
  TempDir dir;
  const std::string path = dir / "Firmy.dat";
  // Larger than the limits below, which the captured console output stays within.
  const std::string old = kal::text_to_disk(header() + " 1 '" + std::string(3000, 'o') + "'\n");
  put_bytes(path, old);
  kal::TextOut out(path);
  out.write(header() + " 1 '" + std::string(5000, 'x') + "'\n");

  {  // The disk is full.
    vtab_test::FileSizeLimit limit(1000);
    std::string err;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(vtab_file_commit(out, nullptr, &err), -1);
    ::testing::internal::GetCapturedStdout();
    EXPECT_FALSE(err.empty());
  }
  EXPECT_EQ(file_bytes(path), old);
  EXPECT_EQ(vtab_test::files_starting(dir.path, "Firmy.dat").size(), 1u) << "no temporary file left";

  {  // A damaged table whose original cannot be kept is not written over.
    int32_t damaged = 1;
    vtab_test::FileSizeLimit limit(1000);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(vtab_file_commit(out, &damaged), -1);
    std::string said = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(said.find("vtab_file_commit(): cannot keep the damaged '" + path + "'"), std::string::npos) << said;
    EXPECT_EQ(damaged, 1);
  }
  EXPECT_EQ(file_bytes(path), old);

  // A directory that cannot exist: its parent is a file.
  kal::TextOut nowhere(dir / "Firmy.dat/Firmy.dat");
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(vtab_file_commit(nowhere, nullptr), -1);
  ::testing::internal::GetCapturedStdout();
}

// A save streamed into the file as it is made fails as a save built whole
// does: the same result and console words, the old file whole, no temporary
// file left, also when the save is given up before its commit.
TEST(TableFileCommit, StreamedSavesFailAsWholeOnesDo) {
  TempDir dir;
  const std::string path = dir / "Firmy.dat";
  const std::string old = kal::text_to_disk(header() + " 1 'old'\n");
  const std::string text = header() + " 1 '" + std::string(300000, 'x') + "'\n";
  auto attempt = [&](const std::string& where, bool streamed, rlim_t limit, std::string* said) {
    put_bytes(path, old);
    vtab_test::FileSizeLimit room(limit);
    kal::TextOut out(where, kal::TextOut::disk_form);
    if (streamed) out.stream();
    ::testing::internal::CaptureStdout();
    out.write(text);
    int rc = vtab_file_commit(out, nullptr);
    *said = ::testing::internal::GetCapturedStdout();
    return rc;
  };
  for (const std::string& where : {path, dir / "no/such/Firmy.dat"}) {
    std::string whole, streamed;
    EXPECT_EQ(attempt(where, false, 100000, &whole), -1);
    EXPECT_EQ(attempt(where, true, 100000, &streamed), -1);
    EXPECT_EQ(streamed, whole);
    EXPECT_NE(whole.find("atomic_rewrite() cannot "), std::string::npos) << whole;
    EXPECT_EQ(file_bytes(path), old);
    EXPECT_EQ(vtab_test::files_starting(dir.path, "Firmy.dat").size(), 1u) << "no temporary file left";
  }
  {
    kal::TextOut out(path, kal::TextOut::disk_form);
    out.stream();
    out.write(text);
  }
  EXPECT_EQ(file_bytes(path), old);
  EXPECT_EQ(vtab_test::files_starting(dir.path, "Firmy.dat").size(), 1u) << "a save given up leaves nothing";

  // The original of a damaged table is kept before the streamed file replaces it.
  int32_t damaged = 2;
  kal::TextOut out(path, kal::TextOut::disk_form);
  out.stream();
  out.write(text);
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(vtab_file_commit(out, &damaged), 0);
  ::testing::internal::GetCapturedStdout();
  auto kept = vtab_test::files_starting(dir.path, "Firmy.dat.damaged-");
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(file_bytes(dir / kept[0]), old);
  EXPECT_EQ(file_bytes(path), kal::text_to_disk(text));
  EXPECT_EQ(damaged, 0);
}

TEST(TableFileOpen, ReadsCrLfAsLfAndReportsMissingFiles) {
  TempDir dir;
  put_bytes(dir / "a.dat", "x\r\ny\rz\r\n\r\n'a\r\r\nb'");
  kal::TextIn in;
  ASSERT_EQ(vtab_file_open(dir / "a.dat", in), 0);
  EXPECT_EQ(in.text(), "x\ny\rz\n\n'a\r\nb'");
  EXPECT_EQ(in.pos(), 0u);
  EXPECT_EQ(vtab_file_open(dir / "missing.dat", in), -1);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(vtab_file_open(dir.path, in), -1) << "a directory";

  // Large files are read in pieces: a CR LF, a CR alone and CRs in a row on
  // every side of the places where a piece may end.
  const std::string pieces[] = {"\r\n", "\r", "\r\r\n", "\r\r", "\n\r", "\r\n\r\n"};
  for (std::size_t boundary : {std::size_t{1} << 18, std::size_t{2} << 18}) {
    for (std::size_t before = 0; before <= 3; ++before) {
      for (const std::string& piece : pieces) {
        std::string bytes(boundary - before, 'a');
        bytes += piece + "tail";
        if (before == 0) bytes.resize(boundary - 1 + piece.size());  // the file ends within the run
        put_bytes(dir / "big.dat", bytes);
        ASSERT_EQ(vtab_file_open(dir / "big.dat", in), 0);
        ASSERT_EQ(in.text(), kal::text_from_disk(bytes)) << "run of " << piece.size() << " at " << boundary - before;
      }
    }
  }
}

}  // namespace
