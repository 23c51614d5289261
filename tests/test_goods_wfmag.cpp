// Goods from the stock program's dBASE files: fixtures written by Debian's
// python3-dbf, converted by our dbf2txt, merged into the goods; the file-time
// check, the codes of a step, a converter that is missing or fails, names
// that a shell would read as commands, the users' forms left alone, and the
// job run by the real server while it is idle.
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "lib/hashtbl.hpp"
#include "mages/goods/mgs_Towary_wfmag.hpp"
#include "server/serv.hpp"
#include "server/ustawienia.hpp"
#include "tests/goods_io_env.hpp"
#include "tests/kal_e2e.hpp"
#include "tests/kal_testutil.hpp"

#ifndef KAL_DBF2TXT_PATH
#error "KAL_DBF2TXT_PATH must name the dbf2txt program"
#endif

namespace {

using namespace goods_io;

// A goods of the stock program's file, in the columns the import reads.
struct Stock {
  std::string nazwa, opis = "", pkwiu = "", kod = "", rfid = "";
  std::string sztuk = "", kupno = "", sprzedaz = "";
  std::string jednostka = "", vat = "", sciezka = "";
};

// The stock program's table: 100 fields F00 ... F99, numbers in numeric
// fields, texts blank-padded in character fields.
bool write_stock(const std::string& path, const std::vector<Stock>& goods, const std::vector<int>& deleted = {}) {
  std::string fields;
  for (int i = 0; i < 100; ++i) {
    char f[32];
    const bool number = i == 8 || i == 13 || i == 16;
    std::snprintf(f, sizeof f, number ? "F%02d N(12,2)" : (i == 1 ? "F%02d C(60)" : "F%02d C(20)"), i);
    fields += (i ? "; " : "") + std::string(f);
  }
  std::vector<std::vector<std::string>> records;
  for (const Stock& g : goods) {
    std::vector<std::string> r(100);
    r[0] = "x";
    r[1] = g.nazwa;
    r[2] = g.opis;
    r[3] = g.pkwiu;
    r[4] = g.kod;
    r[6] = g.rfid;
    r[8] = g.sztuk;
    r[13] = g.kupno;
    r[16] = g.sprzedaz;
    r[30] = g.jednostka;
    r[32] = g.vat;
    r[99] = g.sciezka;
    records.push_back(r);
  }
  return make_dbf(path, fields, records, deleted);
}

void set_mtime(const std::string& path, std::time_t t) {
  utimbuf times{t, t};
  ASSERT_EQ(::utime(path.c_str(), &times), 0) << path;
}

std::time_t mtime(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_mtime : 0;
}

// PATH set for as long as it lives.
class PathVar {
 public:
  explicit PathVar(const std::string& value) {
    if (const char* p = std::getenv("PATH")) saved_ = p;
    ::setenv("PATH", value.c_str(), 1);
  }
  ~PathVar() { ::setenv("PATH", saved_.c_str(), 1); }

 private:
  std::string saved_;
};

class StockImport : public GoodsFiles {
 protected:
  void SetUp() override {
    GoodsFiles::SetUp();
    if (python().empty()) GTEST_SKIP() << "python3-dbf / python3-dbfread are not installed";
    fs::copy_file(KAL_DBF2TXT_PATH, "dbf2txt");
    fs::create_directory("magazyn");
    ASSERT_EQ(ustawienia_upd("dbf_fname", "magazyn/towary.dbf"), 0);
  }

  // One step of the job for "dbf_fname"; what it appended to the reply.
  std::string step(std::time_t* remembered, int* rc = nullptr) {
    return appended([&] {
      const int r = Towary_import_z_wfmag_dbfname("dbf_fname", remembered);
      if (rc) *rc = r;
    });
  }
};

const Stock kOlej{"Olej", "olej 1 l", "20.59", "OL-1", "RF-OL", "24", "21.5", "34.9", "szt.", "23", "img/olej.jpg"};
const Stock kFiltr{"Filtr powietrza", "", "", "FP-2", "", "3", "10", "15.5", "kpl", "23"};
const Stock kPasek{"Pasek", "", "", "", "", "", "", "7.25", "szt.", "8"};
const Stock kSwieca{"Świeca zapłonowa", "", "", "", "", "1", "", "", "", "zw"};

TEST_F(StockImport, CreatesAndUpdatesGoodsAndFollowsTheFileTime) {
  add_goods({1, "Olej", 20, 30, 5, 1, 1, 1, 0, "OL-1", "stary opis"});
  ASSERT_TRUE(write_stock("magazyn/towary.dbf", {kOlej, {"Usunięty"}, kFiltr, {"   "}, kPasek, kSwieca}, {1}));
  std::time_t remembered = 0;
  int rc = -9;
  // New goods are said in the reply (the deleted record is not in the work
  // file, so the lines count without it); existing goods are not.
  // The reply is ISO-8859-2: the Ś of the last name shows as A6.
  EXPECT_EQ(step(&remembered, &rc),
            "2. Zaimportowano: Filtr powietrza<br>\n4. Zaimportowano: Pasek<br>\n"
            "5. Zaimportowano: \x8Cwieca zap\xB3onowa<br>\n");
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(remembered, mtime("magazyn/towary.dbf"));
  ASSERT_EQ(_mgs->_Towary_tab->size, 4);

  // The existing goods took the stock program's fields and kept its type
  // and margin; the blank-padded name matched it.
  const Towary* olej = goods(1);
  EXPECT_EQ(olej->opis.str(), "olej 1 l");
  EXPECT_EQ(olej->PKWiU.str(), "20.59");
  EXPECT_EQ(olej->rfid.str(), "RF-OL");
  EXPECT_EQ(olej->sciezka_do_pliku.str(), "img/olej.jpg");
  EXPECT_DOUBLE_EQ(olej->liczba_sztuk, 24);
  EXPECT_DOUBLE_EQ(olej->ostatnia_cena_kupna, 21.5);
  EXPECT_DOUBLE_EQ(olej->cena_sprzedazy, 34.9);
  EXPECT_EQ(olej->Id_Towary_typy, 1u);
  EXPECT_DOUBLE_EQ(olej->marza, 25);
  EXPECT_EQ(olej->Id_Stawki_VAT, 1u);  // "23": the rate whose percentage is 23

  const Towary* filtr = goods_named("Filtr powietrza");
  ASSERT_NE(filtr, nullptr);
  EXPECT_EQ(filtr->Id, 2u);
  EXPECT_EQ(filtr->kod.str(), "FP-2");
  EXPECT_DOUBLE_EQ(filtr->cena_sprzedazy, 15.5);
  EXPECT_EQ(filtr->Id_Towary_typy, 3u);
  EXPECT_DOUBLE_EQ(filtr->marza, 10);
  EXPECT_EQ(filtr->Id_Jednostki_metryczne, 2u);  // "kpl" made
  EXPECT_EQ(goods_named("Pasek")->Id_Stawki_VAT, 2u);
  // "zw" is not the 0 % rate: a rate of its own.
  const Towary* swieca = goods_named("Świeca zapłonowa");
  ASSERT_NE(swieca, nullptr);
  const Stawki_VAT* zw = Stawki_VAT_tab_get_Id(_mgs->_Stawki_VAT_tab, swieca->Id_Stawki_VAT, VTAB_CMP_EQUAL);
  ASSERT_NE(zw, nullptr);
  EXPECT_EQ(zw->nazwa.str(), "zw");
  EXPECT_EQ(swieca->Id_Jednostki_metryczne, 1u);  // a blank unit names nothing
  EXPECT_EQ(goods_named("Usunięty"), nullptr);

  // Written once; the work file kept as the copy of the last import.
  const std::string saved = read_bytes("dat/Towary.dat");
  EXPECT_NE(saved.find("'Filtr powietrza'"), std::string::npos);
  EXPECT_FALSE(fs::exists("wfmag_towary.csv"));
  EXPECT_TRUE(fs::exists("wfmag_towary_.csv"));

  // Nothing changed on disk: the step does nothing, not even convert.
  fs::remove("wfmag_towary_.csv");
  EXPECT_EQ(step(&remembered), "");
  EXPECT_FALSE(fs::exists("wfmag_towary_.csv"));

  // After a restart the same file is merged again and changes nothing.
  remembered = 0;
  EXPECT_EQ(step(&remembered), "");
  EXPECT_TRUE(fs::exists("wfmag_towary_.csv"));
  EXPECT_EQ(read_bytes("dat/Towary.dat"), saved);
  EXPECT_EQ(_mgs->_Towary_tab->size, 4);
  EXPECT_EQ(_mgs->_Stawki_VAT_tab->size, 6);
  EXPECT_EQ(_mgs->_Jednostki_metryczne_tab->size, 2);

  // A new price: within 60 seconds of the last import's file time it waits,
  // at 61 seconds it is taken.
  const std::time_t t = remembered;
  Stock pasek = kPasek;
  pasek.sprzedaz = "8.10";
  ASSERT_TRUE(write_stock("magazyn/towary.dbf", {kOlej, kFiltr, pasek, kSwieca}));
  set_mtime("magazyn/towary.dbf", t + 60);
  EXPECT_EQ(step(&remembered), "");
  EXPECT_DOUBLE_EQ(goods_named("Pasek")->cena_sprzedazy, 7.25);
  EXPECT_EQ(remembered, t);
  set_mtime("magazyn/towary.dbf", t + 61);
  EXPECT_EQ(step(&remembered), "");
  EXPECT_DOUBLE_EQ(goods_named("Pasek")->cena_sprzedazy, 8.10);
  EXPECT_EQ(remembered, t + 61);
  EXPECT_NE(read_bytes("dat/Towary.dat").find(" 8.10 "), std::string::npos);
}

TEST_F(StockImport, CodesOfAStep) {
  write_bytes("magazyn/stary.dbf", "x");
  set_mtime("magazyn/stary.dbf", 100000);
  write_bytes("magazyn/dobry.dbf", "x");
  set_mtime("magazyn/dobry.dbf", 100001);
  struct Case {
    const char* setting;
    int rc;
    bool remembered;
  };
  const Case cases[] = {
      {"", 0, false},                      // no file named
      {"  ", 0, false},                    // blanks name nothing
      {"magazyn/brak.dbf", -2, false},     // no such file
      {"magazyn", -2, false},              // a directory
      {"magazyn/stary.dbf", -4, false},    // an implausible time
      {"magazyn\\dobry.dbf", 0, true},     // a Windows path; not a table: converted in vain
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.setting);
    ASSERT_EQ(ustawienia_upd("dbf_fname", c.setting), 0);
    std::time_t remembered = 0;
    int rc = -9;
    EXPECT_EQ(step(&remembered, &rc), "");
    EXPECT_EQ(rc, c.rc);
    EXPECT_EQ(remembered != 0, c.remembered);
  }
  EXPECT_EQ(_mgs->_Towary_tab->size, 0);
  EXPECT_FALSE(fs::exists("dat/Towary.dat"));
  if (::geteuid() != 0) {
    ASSERT_EQ(ustawienia_upd("dbf_fname", "magazyn/dobry.dbf"), 0);
    fs::permissions("magazyn/dobry.dbf", fs::perms::none);
    std::time_t remembered = 0;
    int rc = 0;
    step(&remembered, &rc);
    EXPECT_TRUE(rc == -2 || rc == -3) << rc;
  }
}

TEST_F(StockImport, TheFileNameIsNeverReadByAShell) {
  // Names a shell would take for commands are files like any other: the
  // converter gets them as one argument.
  const char* names[] = {"magazyn/x; touch pwned; y.dbf", "magazyn/$(touch pwned2).dbf",
                         "magazyn/a`touch pwned3`b.dbf", "magazyn/-c.dbf"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    mgs_delete(&_mgs);
    _mgs = mgs_new();
    seed_dictionaries();
    ASSERT_TRUE(write_stock(name, {kPasek}));
    ASSERT_EQ(ustawienia_upd("dbf_fname", name), 0);
    std::time_t remembered = 0;
    EXPECT_EQ(step(&remembered), "1. Zaimportowano: Pasek<br>\n");
  }
  for (const char* made : {"pwned", "pwned2", "pwned3", "magazyn/pwned", "magazyn/pwned2"})
    EXPECT_FALSE(fs::exists(made)) << made;
}

TEST_F(StockImport, AConverterThatCannotStartOrFailsNeverLoadsAnOldWorkFile) {
  ASSERT_TRUE(write_stock("magazyn/towary.dbf", {kPasek}));
  const std::string stale = "F00;F01\r\nx;Stary towar z pliku\r\n";
  struct Case {
    const char* what;
    const char* script;  // the install directory's dbf2txt; NULL: none at all
  };
  const Case cases[] = {
      {"no converter anywhere", nullptr},
      {"a converter that fails", "#!/bin/sh\nprintf 'F00;F01\\r\\nx;Z nieudanej konwersji\\r\\n'\nexit 3\n"},
      {"a converter that is no program", "not a program"},
  };
  const PathVar path("/nonexistent");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove("dbf2txt");
    if (c.script) {
      write_bytes("dbf2txt", c.script);
      fs::permissions("dbf2txt", fs::perms::owner_all);
    }
    write_bytes("wfmag_towary.csv", stale);
    std::time_t remembered = 0;
    int rc = -9;
    EXPECT_EQ(step(&remembered, &rc), "");
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(_mgs->_Towary_tab->size, 0);
    EXPECT_FALSE(fs::exists("wfmag_towary.csv"));
    EXPECT_FALSE(fs::exists("dat/Towary.dat"));
    // Not tried again until the file changes.
    EXPECT_EQ(remembered, mtime("magazyn/towary.dbf"));
  }
}

TEST_F(StockImport, TheConverterIsFoundAlongPathWhenTheInstallDirectoryHasNone) {
  fs::remove("dbf2txt");
  ASSERT_TRUE(write_stock("magazyn/towary.dbf", {kPasek}));
  const PathVar path("/nonexistent:" + fs::path(KAL_DBF2TXT_PATH).parent_path().string());
  std::time_t remembered = 0;
  EXPECT_EQ(step(&remembered), "1. Zaimportowano: Pasek<br>\n");
}

TEST_F(StockImport, TheJobTouchesNoSessionVariable) {
  // The job runs between requests: the last session's variables (a goods
  // form being filled) stay exactly as they were.
  request({{"sess_code", "0123456789abcdef0123456789abcdef"}},
          {{"Towary_opis", "szkic"}, {"Towary_nazwa", "Pasek"}, {"Towary_cena_sprzedazy", "1,00"}});
  hashtbl* vars = sess_get_ht();
  ASSERT_NE(vars, nullptr);
  auto snapshot = [&] {
    std::map<std::string, std::string> m;
    for (uint32_t i = 0; i < vars->size; ++i) m[vars->keys[i]] = vars->values[i];
    return m;
  };
  const auto before = snapshot();
  ASSERT_EQ(before.at("Towary_opis"), "szkic");
  ASSERT_TRUE(write_stock("magazyn/towary.dbf", {kPasek, kFiltr}));
  EXPECT_EQ(Towary_import_z_wfmag(), 0);
  EXPECT_EQ(_mgs->_Towary_tab->size, 2);
  EXPECT_EQ(snapshot(), before);
}

TEST_F(StockImport, ALongImportKeepsTheHeartbeat) {
  std::vector<Stock> many;
  for (int i = 1; i <= 250; ++i) many.push_back({"Towar " + std::to_string(i)});
  ASSERT_TRUE(write_stock("magazyn/towary.dbf", many));
  save_watchdog();
  const long before = std::stol(read_bytes("watchdog.txt"));
  std::time_t remembered = 0;
  const std::string out = step(&remembered);
  const long after = std::stol(read_bytes("watchdog.txt"));
  EXPECT_GE(after - before, 3);
  EXPECT_NE(out.find("250. Zaimportowano: Towar 250<br>\n"), std::string::npos);
  EXPECT_EQ(_mgs->_Towary_tab->size, 250);
}

TEST(StockImportServer, TheIdleServerImportsTheStockProgramsFile) {
  if (python().empty()) GTEST_SKIP() << "python3-dbf / python3-dbfread are not installed";
  // The settings of a new installation with the goods file named.
  std::string settings = read_bytes(KAL_SOURCE_DIR "/data/ustawienia.txt");
  const std::string line = "\r\ndbf_fname \r\n";
  const std::size_t at = settings.find(line);
  ASSERT_NE(at, std::string::npos);
  settings.replace(at, line.size(), "\r\ndbf_fname magazyn/towary.dbf\r\n");
  kaltest::TempDir tmp("stock");
  ASSERT_TRUE(write_stock(tmp.file("towary.dbf"), {kFiltr, kSwieca}));

  kal::e2e::Server::Options o;
  o.files = {{"ustawienia.txt", settings}, {"magazyn/towary.dbf", read_bytes(tmp.file("towary.dbf"))}};
  // The converter along the server's PATH.
  o.env = {"PATH=" + fs::path(KAL_DBF2TXT_PATH).parent_path().string() + ":/usr/bin:/bin"};
  kal::e2e::Server srv(o);
  ASSERT_TRUE(srv.start()) << srv.log();
  std::string goods;
  for (int i = 0; i < 150 && goods.find("'Filtr powietrza'") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    goods = read_bytes(srv.file("dat/Towary.dat"));
  }
  EXPECT_NE(goods.find("'Filtr powietrza'"), std::string::npos) << srv.log();
  EXPECT_NE(goods.find("'\x8Cwieca zap\xB3onowa'"), std::string::npos);
  EXPECT_EQ(srv.stop(), 0);
  EXPECT_NE(srv.log().find("dbf2txt magazyn/towary.dbf > wfmag_towary.csv DONE"), std::string::npos) << srv.log();
  EXPECT_TRUE(fs::exists(srv.file("wfmag_towary_.csv")));
}

}  // namespace
