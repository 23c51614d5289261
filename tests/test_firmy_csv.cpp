// Firms from and to CSV files: the import as a table of small files with
// "dat/Firmy.dat" read back as the oracle, the refused file names, the
// heartbeat of a long import; the two exports read by Python's csv module,
// and an export imported again leaving the table as it was.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <tuple>
#include <string>
#include <vector>

#include "db/mgs.hpp"
#include "mages/firms/mgs_Firmy0.hpp"
#include "mages/firms/mgs_Firmy_csv.hpp"
#include "server/oo_texts.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "tests/sess_env.hpp"

namespace {

using namespace sess_env;
namespace fs = std::filesystem;

const char kCode[] = "0123456789abcdef0123456789abcdef";

const char* const kFields[] = {"Id",         "nazwa",   "opis",    "NIP",      "ulica",         "kod_pocztowy",
                               "miasto",     "bank_nazwa", "konto", "telefon",  "fax",           "email",
                               "www_page",   "nr_gadu_gadu", "nr_skype", "Id_Firmy_typy", "Id_Panstwa",
                               "czas_modyfikacji", "flags"};
constexpr int kFieldCount = 19;

int field_index(const std::string& name) {
  for (int i = 0; i < kFieldCount; ++i)
    if (name == kFields[i]) return i;
  ADD_FAILURE() << "no field " << name;
  return 0;
}

// A firm as the 19 texts of its table-file fields.
using Row = std::vector<std::string>;
using Rows = std::map<unsigned, Row>;

// Reads a firm table file from the rules of its format: a version line, then
// records of 19 fields, each after a blank; texts in single quotes with a
// quote inside doubled; line ends on disk CR LF.  Records by Id, in file
// order in *order.
Rows parse_firms(const std::string& path, std::vector<unsigned>* order = nullptr) {
  std::string bytes = read_bytes(path);
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); ++i)
    if (!(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')) text += bytes[i];
  std::size_t p = text.find('\n');
  EXPECT_NE(p, std::string::npos) << "no version line in " << path;
  EXPECT_EQ(text.substr(0, 13), "KALMITOR 1.0 ");
  std::vector<std::string> fields;
  for (++p; p < text.size();) {
    char c = text[p];
    if (c == ' ' || c == '\n') {
      ++p;
      continue;
    }
    std::string f;
    if (c == '\'') {
      for (++p; p < text.size(); ++p) {
        if (text[p] == '\'') {
          if (p + 1 < text.size() && text[p + 1] == '\'') {
            f += '\'';
            ++p;
            continue;
          }
          ++p;
          break;
        }
        f += text[p];
      }
    } else {
      while (p < text.size() && text[p] != ' ' && text[p] != '\n') f += text[p++];
    }
    fields.push_back(f);
  }
  EXPECT_EQ(fields.size() % kFieldCount, 0u) << path;
  Rows rows;
  for (std::size_t i = 0; i + kFieldCount <= fields.size(); i += kFieldCount) {
    const unsigned id = static_cast<unsigned>(std::stoul(fields[i]));
    rows[id] = Row(fields.begin() + static_cast<long>(i), fields.begin() + static_cast<long>(i) + kFieldCount);
    if (order) order->push_back(id);
  }
  return rows;
}

struct Fixture {
  unsigned id;
  std::vector<std::pair<const char*, std::string>> fields;
  unsigned type, country;
  long long time;
  int flags;
};

// The firms every test starts with.  Firm 3 is deleted.
const Fixture kFirms[] = {
    {1,
     {{"nazwa", "Serwis Kowalski"},
      {"ulica", "ul. Długa 1"},
      {"miasto", "Radom"},
      {"telefon", "48 111"},
      {"email", "serwis@example.com"},
      {"konto", "PL 11 2222"}},
     3, 2, 1700000000, 0},
    {2, {{"nazwa", "Klient detaliczny"}, {"opis", "sprzedaż"}}, 2, 1, 1700000100, 4},
    {3, {{"nazwa", "Stara Firma"}, {"email", "stara@example.com"}}, 1, 1, 1700000200, 1},
};

Firmy make_firm(const Fixture& fx) {
  Firmy f{};
  vtab_meta<Firmy>::for_each_field([&](auto fld) {
    using F = decltype(fld);
    if constexpr (F::letter == 's') F::of(f) = "";
  });
  f.Id = fx.id;
  f.Id_Firmy_typy = fx.type;
  f.Id_Panstwa = fx.country;
  f.czas_modyfikacji = fx.time;
  f.flags = fx.flags;
  for (const auto& [name, value] : fx.fields) {
    vtab_meta<Firmy>::for_each_field([&](auto fld) {
      using F = decltype(fld);
      if constexpr (F::letter == 's')
        if (std::string(F::name()) == name) F::of(f) = value;
    });
  }
  return f;
}

Row row_of(const Fixture& fx) {
  Row r(kFieldCount);
  r[0] = std::to_string(fx.id);
  for (const auto& [name, value] : fx.fields) r[field_index(name)] = value;
  r[15] = std::to_string(fx.type);
  r[16] = std::to_string(fx.country);
  r[17] = std::to_string(fx.time);
  r[18] = std::to_string(fx.flags);
  return r;
}

// What a new firm of the import holds before its cells: type 1, country 1,
// the time of the import ("now"), flags 0.
Row fresh(unsigned id, const std::string& name) {
  Row r(kFieldCount);
  r[0] = std::to_string(id);
  r[1] = name;
  r[15] = "1";
  r[16] = "1";
  r[17] = "now";
  r[18] = "0";
  return r;
}

std::string hex(const std::string& s) {
  static const char digits[] = "0123456789abcdef";
  std::string h;
  for (unsigned char c : s) h += {digits[c >> 4], digits[c & 15]};
  return h;
}

// The records of a CSV file as Python's csv module reads them, each cell as
// hexadecimal bytes.
std::vector<std::vector<std::string>> python_rows(const std::string& path, char separator) {
  const std::string cmd =
      "python3 '" KAL_SOURCE_DIR "/tests/csv_python.py' '" + path + "' '" + std::string(1, separator) + "'";
  FILE* p = popen(cmd.c_str(), "r");
  EXPECT_NE(p, nullptr);
  std::string out;
  if (!p) return {};
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  EXPECT_EQ(pclose(p), 0) << out;
  std::vector<std::vector<std::string>> rows;
  std::size_t start = 0;
  while (start < out.size()) {
    std::size_t end = out.find('\n', start);
    std::string line = out.substr(start, end - start);
    start = end == std::string::npos ? out.size() : end + 1;
    std::vector<std::string> cells;
    std::size_t from = 0;
    for (;;) {
      std::size_t comma = line.find(',', from);
      cells.push_back(line.substr(from, comma - from));
      if (comma == std::string::npos) break;
      from = comma + 1;
    }
    rows.push_back(cells);
  }
  return rows;
}

std::vector<std::string> hex_cells(const std::vector<std::string>& cells) {
  std::vector<std::string> h;
  for (const auto& c : cells) h.push_back(hex(c));
  return h;
}

class FirmCsv : public ::testing::Test {
 protected:
  void SetUp() override {
    oo_texts_set_lang(0);
    setMGS_DATA_PATH("dat");
    reset_table();
  }
  void TearDown() override { mgs_delete(&_mgs); }

  void reset_table() {
    mgs_delete(&_mgs);
    _mgs = mgs_new();
    ASSERT_NE(_mgs, nullptr);
    for (const Fixture& fx : kFirms) {
      Firmy f = make_firm(fx);
      ASSERT_EQ(Firmy_tab_insert(_mgs->_Firmy_tab, &f), 0);
    }
    fs::remove("dat/Firmy.dat");
  }

  Rows fixture_rows() {
    Rows rows;
    for (const Fixture& fx : kFirms) rows[fx.id] = row_of(fx);
    return rows;
  }

  // One request that posts the file name and runs the import; what it
  // appended to the reply.
  std::string import(const std::string& file_name, int* rc = nullptr) {
    std::string out;
    request({{"sess_code", kCode}}, {{"Firmy_import_plik", file_name}}, [&] {
      send_buf_len = 0;
      send_buf[0] = 0;
      const int r = Firmy_import_z_csv();
      if (rc) *rc = r;
      out = kaltest::page_text(std::string_view(send_buf, static_cast<std::size_t>(send_buf_len)));
    });
    return out;
  }

  InstallDir dir;
  Settings settings{{{"Logowanie_timeout", "3600"}}};
  PageManager pm;
};

const std::string kHead = "<h4>Import kontrahentów z pliku</h4>\n";

struct ImportCase {
  const char* what;
  const char* file_name;  // "" for the default name
  std::string csv;        // LF line ends; written as CR LF
  std::vector<Row> added;
  std::vector<std::tuple<unsigned, const char*, std::string>> changed;
  std::string report;  // after the heading
};

TEST_F(FirmCsv, ImportUpdatesByNameAndAddsNewFirms) {
  auto set = [](Row r, std::vector<std::pair<const char*, std::string>> fields) {
    for (const auto& [name, value] : fields) r[field_index(name)] = value;
    return r;
  };
  const std::vector<ImportCase> cases = {
      {"a header only changes nothing", "import.csv", "nazwa;opis;NIP\n", {}, {}, ""},
      {"an existing name takes its non-empty cells and keeps the rest",
       "import.csv",
       "nazwa;opis\n\nKlient detaliczny;;123-45;;;Radom;;;;;;;;;;further;cells\n",
       {},
       {{2, "NIP", "123-45"}, {2, "miasto", "Radom"}},
       "1. ZaktualizowanoKlient detaliczny: \n<br>\n"},
      {"a new name makes a firm with the defaults",
       "import.csv",
       "h\nNowa Sp. z o.o.;opis;;ul. Polna 1;00-950;Warszawa;Bank;12 34;22 333;22 444;nowa@example.com;"
       "www.nowa.example;123;nowa.skype\n",
       {set(fresh(4, "Nowa Sp. z o.o."), {{"opis", "opis"},
                                          {"ulica", "ul. Polna 1"},
                                          {"kod_pocztowy", "00-950"},
                                          {"miasto", "Warszawa"},
                                          {"bank_nazwa", "Bank"},
                                          {"konto", "12 34"},
                                          {"telefon", "22 333"},
                                          {"fax", "22 444"},
                                          {"email", "nowa@example.com"},
                                          {"www_page", "www.nowa.example"},
                                          {"nr_gadu_gadu", "123"},
                                          {"nr_skype", "nowa.skype"}})},
       {},
       "1. Zaimportowano: \nNowa Sp. z o.o.<br>\n"},
      {"the same new name twice gives one firm",
       "import.csv",
       "h\nNowa;pierwszy\nNowa;;NIP-2\n",
       {set(fresh(4, "Nowa"), {{"opis", "pierwszy"}, {"NIP", "NIP-2"}})},
       {},
       "1. Zaimportowano: \nNowa<br>\n2. ZaktualizowanoNowa: \n<br>\n"},
      {"a line without a name leaves the previous line's firm alone",
       "import.csv",
       "h\nKlient detaliczny;;111\n;obcy opis;222;;;;;;;;obcy@example.com\n   ;x;333\nNowa\n;y;444\n",
       {fresh(4, "Nowa")},
       {{2, "NIP", "111"}},
       "1. ZaktualizowanoKlient detaliczny: \n<br>\n4. Zaimportowano: \nNowa<br>\n"},
      {"a deleted firm is updated and stays deleted",
       "import.csv",
       "h\nStara Firma;;;;;;;;600 100 200\n",
       {},
       {{3, "telefon", "600 100 200"}},
       "1. ZaktualizowanoStara Firma: \n<br>\n"},
      {"quoted cells keep their separators and quotes; names are written as text",
       "import.csv",
       "h\n\"Kowal; Syn i \"\"Wnuk\"\"\";\"opis; z, przecinkiem\"\n<b>Łódź</b>;Ąą Śś Źź\n",
       {set(fresh(4, "Kowal; Syn i \"Wnuk\""), {{"opis", "opis; z, przecinkiem"}}),
        set(fresh(5, "<b>Łódź</b>"), {{"opis", "Ąą Śś Źź"}})},
       {},
       "1. Zaimportowano: \nKowal; Syn i \"Wnuk\"<br>\n2. Zaimportowano: \n&lt;b&gt;\xA3\xF3" "d\x9F&lt;/b&gt;<br>\n"},
      {"an empty file name imports firmy.csv", "", "h\nZ domyślnego pliku\n", {fresh(4, "Z domyślnego pliku")}, {},
       "1. Zaimportowano: \nZ domy\x9Clnego pliku<br>\n"},
  };
  for (const ImportCase& c : cases) {
    SCOPED_TRACE(c.what);
    reset_table();
    std::string disk;
    for (char ch : c.csv) disk += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    const std::string name = c.file_name[0] ? c.file_name : "firmy.csv";
    write_bytes(name, disk);
    const long long before = std::time(nullptr);
    int rc = -9;
    const std::string out = import(c.file_name, &rc);
    const long long after = std::time(nullptr);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(out, kHead + c.report);

    Rows want = fixture_rows();
    for (const Row& r : c.added) want[static_cast<unsigned>(std::stoul(r[0]))] = r;
    for (const auto& [id, field, value] : c.changed) want[id][field_index(field)] = value;
    ASSERT_TRUE(fs::exists("dat/Firmy.dat"));
    Rows got = parse_firms("dat/Firmy.dat");
    ASSERT_EQ(got.size(), want.size());
    for (auto& [id, row] : want) {
      ASSERT_TRUE(got.count(id)) << "firm " << id;
      if (row[17] == "now") {
        const long long t = std::stoll(got[id][17]);
        EXPECT_GE(t, before);
        EXPECT_LE(t, after);
        row[17] = got[id][17];
      }
      EXPECT_EQ(got[id], row) << "firm " << id;
    }
  }
}

TEST_F(FirmCsv, CellHandlerCodesAndTheFirmOfEachLine) {
  // Through the handler itself, as csv_load calls it: a line's cells reach
  // only the firm its own name cell made current.
  std::string reply = appended([] {
    struct Step {
      uint32_t line, column;
      const char* text;
      int rc;
    };
    const Step steps[] = {
        {0, 0, "nazwa", 0},          {0, 1, nullptr, 0},     {7, 0, "Klient detaliczny", 0},
        {7, 2, "NIP-7", 0},          {7, 1, "", -2},         {7, 3, nullptr, -1},
        {8, 0, "", -2},              {8, 2, "NIP-8", 0},     {9, 2, "NIP-9", 0},
        {10, 0, nullptr, -1},        {10, 2, "NIP-10", 0},   {11, 0, "Stara Firma", 0},
        {11, 14, "col 14", 0},       {11, 99, "far", 0},     {12, 0, " \t", 0},
        {12, 2, "NIP-12", 0},
    };
    for (const Step& s : steps)
      EXPECT_EQ(Firma_csv_manage(s.line, s.column, s.text), s.rc) << s.line << "/" << s.column;
  });
  EXPECT_EQ(reply, "7. ZaktualizowanoKlient detaliczny: \n<br>\n11. ZaktualizowanoStara Firma: \n<br>\n");
  EXPECT_STREQ(Firmy_tab_get_Id(_mgs->_Firmy_tab, 2, VTAB_CMP_EQUAL)->NIP.c_str(), "NIP-7");
  EXPECT_STREQ(Firmy_tab_get_Id(_mgs->_Firmy_tab, 3, VTAB_CMP_EQUAL)->NIP.c_str(), "");
  EXPECT_EQ(_mgs->_Firmy_tab->size, 3);
}

TEST_F(FirmCsv, RefusedAndMissingFilesChangeNothing) {
  // The install directory is "inst" inside the test's directory; beside it
  // lies a settings file that would import a firm if it were read.
  fs::create_directories("inst/dat");
  write_bytes("ustawienia.txt", "h\r\nIntruz;x\r\n");
  write_bytes("inst/dat/x.csv", "h\r\nIntruz;x\r\n");
  const fs::path outer = fs::current_path();
  fs::current_path("inst");
  ASSERT_EQ(mgs_save_Firmy(_mgs), 0);
  const std::string saved = read_bytes("dat/Firmy.dat");
  struct Case {
    std::string name, shown;
  };
  const Case cases[] = {
      {"../ustawienia.txt", "../ustawienia.txt"},
      {"/etc/passwd", "/etc/passwd"},
      {(outer / "ustawienia.txt").string(), (outer / "ustawienia.txt").string()},
      {"dat\\x.csv", "dat\\x.csv"},
      {"dat/../../ustawienia.txt", "dat/../../ustawienia.txt"},
      {"brak.csv", "brak.csv"},
      {"dat", "dat"},
      {"<i>.csv", "&lt;i&gt;.csv"},
      {std::string(1100, 'a'), std::string(1100, 'a')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.substr(0, 40));
    int rc = -9;
    const std::string out = import(c.name, &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(out, kHead + "<CENTER><BIG><FONT COLOR=\"RED\">\nNie mo\xBFna otworzy\xE6 pliku " + c.shown +
                       " do importu kontrahent\xF3w !</FONT></BIG></CENTER>\n");
    EXPECT_EQ(read_bytes("dat/Firmy.dat"), saved);
    EXPECT_EQ(Firmy_tab_get_nazwa(_mgs->_Firmy_tab, "Intruz", VTAB_CMP_EQUAL), nullptr);
  }
  fs::current_path(outer);
}

TEST_F(FirmCsv, ATableFileThatCannotBeWrittenIsSaidInRed) {
  // A directory where the table file should be: the rewrite cannot replace it.
  fs::create_directories("dat/Firmy.dat/x");
  write_bytes("import.csv", "h\r\nNowa\r\n");
  int rc = 0;
  const std::string out = import("import.csv", &rc);
  EXPECT_EQ(rc, -1);
  EXPECT_EQ(out, kHead + "1. Zaimportowano: \nNowa<br>\n<CENTER><BIG><FONT COLOR=\"RED\">\n"
                         "Nie mo\xBFna zapisa\xE6 pliku dat/Firmy.dat !</FONT></BIG></CENTER>\n");
  EXPECT_TRUE(fs::is_directory("dat/Firmy.dat/x"));
}

TEST_F(FirmCsv, LongImportKeepsTheHeartbeat) {
  std::string csv = "nazwa;opis\r\n";
  for (int i = 1; i < 250; ++i) csv += "Firma " + std::to_string(i) + ";opis " + std::to_string(i) + "\r\n";
  write_bytes("duzy.csv", csv);
  save_watchdog();
  const long before = std::stol(read_bytes("watchdog.txt"));
  const std::string out = import("duzy.csv");
  const long after = std::stol(read_bytes("watchdog.txt"));
  // Lines 0, 100 and 200 beat at least once each.
  EXPECT_GE(after - before, 3);
  EXPECT_NE(out.find("249. Zaimportowano: \nFirma 249<br>\n"), std::string::npos);
  EXPECT_EQ(parse_firms("dat/Firmy.dat").size(), 3u + 249u);
}

// --- the exports -------------------------------------------------------------------------

class FirmExport : public FirmCsv {
 protected:
  void SetUp() override {
    FirmCsv::SetUp();
    // Firm 5 goes in before firm 4: the exports list by Id.
    const Fixture more[] = {
        {5, {{"nazwa", "Pusty e-mail"}, {"email", "  "}, {"telefon", "5"}}, 1, 1, 1700000500, 0},
        {4,
         {{"nazwa", "Kowal, Nowak; \"Syn\""},
          {"opis", "dwie\nlinie"},
          {"NIP", "526-00-00-000"},
          {"ulica", "Świętokrzyska 5"},
          {"kod_pocztowy", "00-001"},
          {"miasto", "Łódź"},
          {"bank_nazwa", "Bank Ąę"},
          {"konto", "PL 99"},
          {"telefon", "601 000 000"},
          {"fax", "42 000"},
          {"email", "kn@example.com"},
          {"www_page", "kn.example"},
          {"nr_gadu_gadu", "777"},
          {"nr_skype", "kn;skype"}},
         1, 1, 1700000400, 0},
    };
    for (const Fixture& fx : more) {
      Firmy f = make_firm(fx);
      ASSERT_EQ(Firmy_tab_insert(_mgs->_Firmy_tab, &f), 0);
    }
  }

  const Firmy& firm(uint32_t id) { return *Firmy_tab_get_Id(_mgs->_Firmy_tab, id, VTAB_CMP_EQUAL); }
};

// The text of a cell as it comes back: line ends read as blanks.
std::string flat(std::string s) {
  for (char& c : s)
    if (c == '\n') c = ' ';
  return s;
}

TEST_F(FirmExport, FirmExportHoldsEveryFirmInIdOrder) {
  ASSERT_EQ(mgs_Firmy_to_csv(';', "kontrah_export.csv"), 0);
  const std::string raw = read_bytes("kontrah_export.csv");
  const std::string header =
      "nazwa;opis;NIP;ulica;kod_pocztowy;miasto;bank_nazwa;konto;telefon;fax;email;www_page;nr_gadu_gadu;nr_skype;\r\n";
  EXPECT_EQ(raw.substr(0, header.size()), header);
  EXPECT_NE(raw.find("\r\n\"Kowal, Nowak; \"\"Syn\"\"\";dwie linie;526-00-00-000;"), std::string::npos) << raw;

  const auto rows = python_rows("kontrah_export.csv", ';');
  ASSERT_EQ(rows.size(), 6u);
  std::vector<std::string> want_header;
  for (int i = 1; i <= 14; ++i) want_header.push_back(hex(kFields[i]));
  want_header.push_back("");  // after the separator that ends the line
  EXPECT_EQ(rows[0], want_header);
  const uint32_t ids[] = {1, 2, 3, 4, 5};
  for (std::size_t k = 0; k < 5; ++k) {
    SCOPED_TRACE(ids[k]);
    const Firmy& f = firm(ids[k]);
    const std::string cells[] = {f.nazwa.str(),  f.opis.str(),    f.NIP.str(),      f.ulica.str(),
                                 f.kod_pocztowy.str(), f.miasto.str(), f.bank_nazwa.str(), f.konto.str(),
                                 f.telefon.str(), f.fax.str(),     f.email.str(),    f.www_page.str(),
                                 f.nr_gadu_gadu.str(), f.nr_skype.str()};
    std::vector<std::string> want;
    for (const auto& c : cells) want.push_back(hex(flat(c)));
    want.push_back("");
    EXPECT_EQ(rows[k + 1], want);
  }
}

TEST_F(FirmExport, AnExportImportedAgainLeavesTheTableAsItWas) {
  // Line ends inside a value are written as blanks, so this one round trip
  // starts from a description without them.
  Firmy_ref* ref = Firmy_tab_gets_Id(_mgs->_Firmy_tab, 4, VTAB_CMP_EQUAL);
  ASSERT_EQ(Firmy_tab_update_opis(_mgs->_Firmy_tab, ref, "opis; z \"cudzysłowem\", przecinkiem"), 0);
  Firmy_ref_delete(&ref);
  ASSERT_EQ(mgs_save_Firmy(_mgs), 0);
  const std::string before = read_bytes("dat/Firmy.dat");

  ASSERT_EQ(mgs_Firmy_to_csv(';', "kontrah_export.csv"), 0);
  const std::string out = import("kontrah_export.csv");
  EXPECT_EQ(read_bytes("dat/Firmy.dat"), before);
  EXPECT_EQ(out.find("Zaimportowano"), std::string::npos) << out;
  EXPECT_NE(out.find("5. ZaktualizowanoPusty e-mail: \n"), std::string::npos) << out;
}

const char* const kTitles[92] = {
    "Tytuł", "Imię", "Drugie imię", "Nazwisko", "Sufiks", "Firma", "Dział", "Stanowisko",
    "Adres służbowy - ulica", "Adres służbowy - ulica 2", "Adres służbowy - ulica 3",
    "Adres służbowy - miejscowość", "Adres służbowy - województwo", "Adres służbowy - kod pocztowy",
    "Adres służbowy - kraj", "Adres domowy - ulica", "Adres domowy - ulica (2)", "Adres domowy - ulica (3)",
    "Adres domowy - miejscowość", "Adres domowy - województwo", "Adres domowy - kod pocztowy",
    "Adres domowy - kraj", "Inny adres - ulica", "Inny adres - ulica 2", "Inny adres - ulica 3",
    "Inny adres - miejscowość", "Inny adres - województwo", "Inny adres - kod pocztowy", "Inny adres - kraj",
    "Telefon asystenta", "Faks służbowy", "Telefon służbowy", "Telefon służbowy 2", "Wywołanie zwrotne",
    "Telefon w samochodzie", "Główny telefon do firmy", "Faks domowy", "Telefon domowy", "Telefon domowy 2",
    "ISDN", "Telefon komórkowy", "Inny faks", "Inny telefon", "Pager", "Telefon podstawowy", "Radiotelefon",
    "Telefon TTY/TDD", "Teleks", "Adres e-mail", "Typ poczty e-mail", "Wyświetlana nazwa e-mail",
    "Adres e-mail 2", "Rodzaj e-mail 2", "Wyświetlana nazwa e-mail 2", "Adres e-mail 3", "Rodzaj e-mail 3",
    "Wyświetlana nazwa e-mail 3", "Charakter", "Domowa skrzynka pocztowa", "Dzieci", "Hobby",
    "Imię i nazwisko asystenta", "Informacje rozliczeniowe", "Inicjały", "Inna skrzynka pocztowa",
    "Internetowe informacje wolny/zajęty", "Język", "Kategorie", "Konto", "Lokalizacja", "Lokalizacja biura",
    "Menedżer", "Notatki", "Numer ewidencyjny w organizacji", "Osoba polecająca", "PESEL", "Płeć", "Priorytet",
    "Prywatne", "Przebieg", "Rocznica", "Serwer katalogowy", "Słowa kluczowe", "Służbowa skrzynka pocztowa",
    "Strona sieci Web", "Urodziny", "Użytkownik 1", "Użytkownik 2", "Użytkownik 3", "Użytkownik 4",
    "Współmałżonek", "Zawód"};

TEST_F(FirmExport, ContactsHoldTheFirmsWithAnEmailUnderTheirTitles) {
  ASSERT_EQ(mgs_Firmy_email_to_csv(',', "contacts.csv"), 0);
  const std::string raw = read_bytes("contacts.csv");
  EXPECT_EQ(raw.substr(0, 18), "Tytu\xB3,Imi\xEA,Drugie ");
  EXPECT_NE(raw.find(",Wsp\xF3\xB3ma\xB3\xBFonek,Zaw\xF3" "d\r\n"), std::string::npos);

  const auto rows = python_rows("contacts.csv", ',');
  // Firms 1, 3 (deleted, still listed) and 4; 2 has no e-mail, 5 only blanks.
  ASSERT_EQ(rows.size(), 4u);
  std::vector<std::string> titles;
  for (const char* t : kTitles) titles.push_back(hex(t));
  EXPECT_EQ(rows[0], titles);

  const uint32_t ids[] = {1, 3, 4};
  for (std::size_t k = 0; k < 3; ++k) {
    SCOPED_TRACE(ids[k]);
    const Firmy& f = firm(ids[k]);
    std::vector<std::string> want(92);
    const std::pair<int, std::string> filled[] = {
        {4, f.nazwa.str()},          {9, f.ulica.str()},     {12, f.miasto.str()},
        {14, f.kod_pocztowy.str()},  {31, f.fax.str()},      {41, f.telefon.str()},
        {49, f.email.str()},         {50, "SMTP"},           {51, f.nazwa.str() + " (" + f.email.str() + ")"},
        {58, "Normalny"},            {69, f.konto.str()},    {77, "Nieokreślone"},
        {78, "Normalna"},            {79, "FAŁSZ"},          {81, "00-0-0"},
        {86, "00-0-0"},
    };
    for (const auto& [column, text] : filled) want[static_cast<std::size_t>(column - 1)] = text;
    EXPECT_EQ(rows[k + 1], hex_cells(want));
  }
  // The name with a comma, a semicolon and quotes is one cell.
  EXPECT_NE(raw.find(",,,\"Kowal, Nowak; \"\"Syn\"\"\",,"), std::string::npos);
}

TEST_F(FirmExport, ExportsRefuseNamesOutsideTheInstallDirectory) {
  // The install directory is "inst" inside the test's directory.
  fs::create_directories("inst/dat");
  const fs::path outer = fs::current_path();
  fs::current_path("inst");
  const std::string absolute = (outer / "abs.csv").string();
  const std::function<int(const char*)> exports[] = {
      [](const char* path) { return mgs_Firmy_to_csv(';', path); },
      [](const char* path) { return mgs_Firmy_email_to_csv(',', path); },
  };
  for (const auto& run : exports) {
    for (const char* path : {"../x.csv", absolute.c_str(), "dat\\x.csv", "brak/x.csv", ""}) {
      SCOPED_TRACE(path);
      EXPECT_EQ(run(path), -1);
    }
    EXPECT_EQ(run(nullptr), -1);
  }
  EXPECT_FALSE(fs::exists(outer / "x.csv"));
  EXPECT_FALSE(fs::exists(outer / "abs.csv"));
  EXPECT_FALSE(fs::exists("dat\\x.csv"));
  EXPECT_FALSE(fs::exists("brak"));
  // Another separator: a cell that holds it is quoted too.
  Firmy_ref* ref = Firmy_tab_gets_Id(_mgs->_Firmy_tab, 5, VTAB_CMP_EQUAL);
  ASSERT_EQ(Firmy_tab_update_nr_skype(_mgs->_Firmy_tab, ref, "a\tb"), 0);
  Firmy_ref_delete(&ref);
  ASSERT_EQ(mgs_Firmy_to_csv('\t', "tab.csv"), 0);
  EXPECT_NE(read_bytes("tab.csv").find("\t\"a\tb\"\t\r\n"), std::string::npos);
  fs::current_path(outer);
}

}  // namespace
