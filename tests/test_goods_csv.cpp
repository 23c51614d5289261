// Goods from and to CSV files: the import as a table of small files with the
// goods and dictionaries in memory and on disk as the oracle, the refused
// file names, the synchronisation script; the export read by Python's csv
// module, and an export imported into an empty installation giving the same
// catalogue.
#include <algorithm>
#include <cmath>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "tests/kal_testutil.hpp"
#include "lib/strbuf.hpp"
#include "mages/goods/mgs_Towary_csv.hpp"
#include "server/serv.hpp"
#include "tests/goods_io_env.hpp"

namespace {

using namespace goods_io;

const char kCode[] = "0123456789abcdef0123456789abcdef";
const std::string kHead = "<h4>Import towarów/usług z pliku</h4>\n";

std::string crlf(const std::string& text) {
  std::string disk;
  for (char ch : text) disk += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
  return disk;
}

class GoodsCsv : public GoodsFiles {
 protected:
  // One request that posts the file name and runs the import; what it
  // appended to the reply.
  std::string import(const std::string& file_name, int* rc = nullptr) {
    std::string out;
    request({{"sess_code", kCode}}, {{"Towary_import_plik", file_name}}, [&] {
      send_buf_len = 0;
      send_buf[0] = 0;
      const int r = Towary_import_z_csv();
      if (rc) *rc = r;
      out = kaltest::page_text(std::string_view(send_buf, static_cast<std::size_t>(send_buf_len)));
    });
    return out;
  }
};

// A goods as the import leaves it, field by field.
struct Want {
  uint32_t id;
  std::string nazwa, pkwiu, kod, rfid, opis;
  double kupno, sprzedaz, sztuk;
  std::string sciezka;
  uint32_t vat, typ, jednostka;
  double marza;
};

void expect_goods(const Want& w) {
  SCOPED_TRACE("goods " + std::to_string(w.id));
  const Towary* t = goods(w.id);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->nazwa.str(), w.nazwa);
  EXPECT_EQ(t->PKWiU.str(), w.pkwiu);
  EXPECT_EQ(t->kod.str(), w.kod);
  EXPECT_EQ(t->rfid.str(), w.rfid);
  EXPECT_EQ(t->opis.str(), w.opis);
  EXPECT_DOUBLE_EQ(t->ostatnia_cena_kupna, w.kupno);
  EXPECT_DOUBLE_EQ(t->cena_sprzedazy, w.sprzedaz);
  EXPECT_DOUBLE_EQ(t->liczba_sztuk, w.sztuk);
  EXPECT_EQ(t->sciezka_do_pliku.str(), w.sciezka);
  EXPECT_EQ(t->Id_Stawki_VAT, w.vat);
  EXPECT_EQ(t->Id_Towary_typy, w.typ);
  EXPECT_EQ(t->Id_Jednostki_metryczne, w.jednostka);
  EXPECT_DOUBLE_EQ(t->marza, w.marza);
}

std::string rate_of(uint32_t id) {
  const Stawki_VAT* r = Stawki_VAT_tab_get_Id(_mgs->_Stawki_VAT_tab, id, VTAB_CMP_EQUAL);
  return r ? r->nazwa.str() + "=" + r->procent.str() : "none";
}

TEST_F(GoodsCsv, ImportUpdatesByNameAndAddsNewGoods) {
  struct Case {
    const char* what;
    std::string csv;
    std::vector<Want> want;  // goods 1 and 2 stand before each case
    std::string report;      // after the heading, as the reply carries it
    std::vector<std::string> rates;  // every rate after the import, "name=percent"
  };
  const std::vector<std::string> seed_rates = {"23%=23", "8%=8", "5%=5", "0%=0", "zw.=zw"};
  const Want olej{1, "Olej", "", "OL-1", "", "", 20, 30, 5, "", 1, 1, 1, 25};
  const Want klocki{2, "Klocki", "", "KL-2", "", "stare", 40, 60, 2, "", 2, 1, 1, 25};
  auto with = [](Want w, auto fn) {
    fn(w);
    return w;
  };
  const std::vector<Case> cases = {
      {"a header only changes nothing", "nazwa;PKWiU\n", {olej, klocki}, "", seed_rates},
      {"an existing name takes its cells and keeps the rest",
       "h\nKlocki;;;RF-9;;\"12,5\";13.25;;C:\\img\\k.jpg\n",
       {olej, with(klocki, [](Want& w) {
          w.rfid = "RF-9";
          w.kupno = 12.5;
          w.sprzedaz = 13.25;
          w.sciezka = "C:\\img\\k.jpg";
        })},
       "1. Zaktualizowano: Klocki<br>\n",
       seed_rates},
      {"a new name makes goods with the defaults",
       "h\nFiltr;P-1;F-1;R-1;opis filtra;\"10,00\";\"15,50\";\"3,00\";f.jpg;8%;Usługi;szt.;further;cells\n",
       {olej, klocki, {3, "Filtr", "P-1", "F-1", "R-1", "opis filtra", 10, 15.5, 3, "f.jpg", 2, 2, 1, 10}},
       "1. Zaimportowano: Filtr<br>\n",
       seed_rates},
      {"the same new name twice gives one goods",
       "h\nPasek;;P1\nPasek;;;;drugi opis\n",
       {olej, klocki, {3, "Pasek", "", "P1", "", "drugi opis", 0, 0, 0, "", 1, 3, 1, 10}},
       "1. Zaimportowano: Pasek<br>\n2. Zaktualizowano: Pasek<br>\n",
       seed_rates},
      {"a line without a name changes nothing, not even the previous line's goods",
       "h\nOlej;;;;nowy opis\n;;;;obcy opis;\"99,00\"\n   ;;OBCY\nNowy\n;;;;cudzy\n",
       {with(olej, [](Want& w) { w.opis = "nowy opis"; }), klocki,
        {3, "Nowy", "", "", "", "", 0, 0, 0, "", 1, 3, 1, 10}},
       "1. Zaktualizowano: Olej<br>\n4. Zaimportowano: Nowy<br>\n",
       seed_rates},
      {"a VAT cell: a name, else the percentage atoi reads (a fraction kept), else a new rate",
       "h\nOlej;;;;;;;;;23;;\nKlocki;;;;;;;;;zw.\nA;;;;;;;;;8 %\nB;;;;;;;;;zw\nC;;;;;;;;;7%\nD;;;;;;;;;007\n"
       "E;;;;;;;;;zw\nF;;;;;;;;;23.0\nG;;;;;;;;; 23 %\nH;;;;;;;;;\"23,00\"\nI;;;;;;;;;7,50\nJ;;;;;;;;;7.5%\n"
       "K;;;;;;;;;5.00 %\n",
       {olej, with(klocki, [](Want& w) { w.vat = 5; }), {3, "A", "", "", "", "", 0, 0, 0, "", 2, 3, 1, 10},
        {4, "B", "", "", "", "", 0, 0, 0, "", 6, 3, 1, 10}, {5, "C", "", "", "", "", 0, 0, 0, "", 7, 3, 1, 10},
        {6, "D", "", "", "", "", 0, 0, 0, "", 7, 3, 1, 10}, {7, "E", "", "", "", "", 0, 0, 0, "", 6, 3, 1, 10},
        {8, "F", "", "", "", "", 0, 0, 0, "", 1, 3, 1, 10}, {9, "G", "", "", "", "", 0, 0, 0, "", 1, 3, 1, 10},
        {10, "H", "", "", "", "", 0, 0, 0, "", 1, 3, 1, 10}, {11, "I", "", "", "", "", 0, 0, 0, "", 8, 3, 1, 10},
        {12, "J", "", "", "", "", 0, 0, 0, "", 8, 3, 1, 10}, {13, "K", "", "", "", "", 0, 0, 0, "", 3, 3, 1, 10}},
       "1. Zaktualizowano: Olej<br>\n2. Zaktualizowano: Klocki<br>\n3. Zaimportowano: A<br>\n"
       "4. Zaimportowano: B<br>\n5. Zaimportowano: C<br>\n6. Zaimportowano: D<br>\n7. Zaimportowano: E<br>\n"
       "8. Zaimportowano: F<br>\n9. Zaimportowano: G<br>\n10. Zaimportowano: H<br>\n11. Zaimportowano: I<br>\n"
       "12. Zaimportowano: J<br>\n13. Zaimportowano: K<br>\n",
       {"23%=23", "8%=8", "5%=5", "0%=0", "zw.=zw", "zw=zw", "7%=7", "7,50=7.5"}},
      {"types and units named, made once when missing",
       "h\nOlej;;;;;;;;;;Usługi;kpl.\nKlocki;;;;;;;;;;Nowy typ;kpl.\nX;;;;;;;;;;Nowy typ;szt.\n",
       {with(olej, [](Want& w) {
          w.typ = 2;
          w.jednostka = 2;
        }),
        with(klocki, [](Want& w) {
          w.typ = 4;
          w.jednostka = 2;
        }),
        {3, "X", "", "", "", "", 0, 0, 0, "", 1, 4, 1, 10}},
       "1. Zaktualizowano: Olej<br>\n2. Zaktualizowano: Klocki<br>\n3. Zaimportowano: X<br>\n",
       seed_rates},
      {"numbers with a comma or a point; no number reads as 0, a number beyond doubles is left out",
       "h\nOlej;;;;;\"1,5\";2.75;abc\nKlocki;;;;;1e999;-3,5\n",
       {with(olej, [](Want& w) {
          w.kupno = 1.5;
          w.sprzedaz = 2.75;
          w.sztuk = 0;
        }),
        with(klocki, [](Want& w) { w.sprzedaz = -3.5; })},
       "1. Zaktualizowano: Olej<br>\n2. Zaktualizowano: Klocki<br>\n",
       seed_rates},
      {"quoted cells keep separators and quotes; names are written into the page as text",
       "h\n\"Kowal; \"\"Syn\"\"\";;;;\"opis; z, przecinkiem\"\n<b>Łódź</b>;;;;Ąą Śś Źź\n",
       {olej, klocki, {3, "Kowal; \"Syn\"", "", "", "", "opis; z, przecinkiem", 0, 0, 0, "", 1, 3, 1, 10},
        {4, "<b>Łódź</b>", "", "", "", "Ąą Śś Źź", 0, 0, 0, "", 1, 3, 1, 10}},
       // The reply is in ISO-8859-2: the ź of the escaped name shows as BC.
       "1. Zaimportowano: Kowal; \"Syn\"<br>\n2. Zaimportowano: &lt;b&gt;\xA3\xF3" "d\x9F&lt;/b&gt;<br>\n",
       seed_rates},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    mgs_delete(&_mgs);
    _mgs = mgs_new();
    seed_dictionaries();
    add_goods({1, "Olej", 20, 30, 5, 1, 1, 1, 0, "OL-1"});
    add_goods({2, "Klocki", 40, 60, 2, 2, 1, 1, 0, "KL-2", "stare"});
    fs::remove_all("dat");
    fs::create_directory("dat");
    write_bytes("import.csv", crlf(c.csv));
    int rc = -9;
    const std::string out = import("import.csv", &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(out, kHead + c.report);
    ASSERT_EQ(_mgs->_Towary_tab->size, static_cast<int32_t>(c.want.size()));
    for (const Want& w : c.want) expect_goods(w);
    std::vector<std::string> rates;
    for (auto* e = _mgs->_Stawki_VAT_tab->first; e; e = e->next) rates.push_back(e->row->nazwa.str() + "=" + e->row->procent.str());
    EXPECT_EQ(rates, c.rates);
    // The goods table is written once at the end; a dictionary only when the
    // import added to it.
    EXPECT_TRUE(fs::exists("dat/Towary.dat"));
    EXPECT_EQ(fs::exists("dat/Stawki_VAT.dat"), c.rates != seed_rates);
  }
}

TEST_F(GoodsCsv, NewGoodsAreStampedWithTheImportTime) {
  write_bytes("towary.csv", "h\r\nNowy\r\n");
  const long long before = std::time(nullptr);
  EXPECT_EQ(import(""), kHead + "1. Zaimportowano: Nowy<br>\n");
  const long long after = std::time(nullptr);
  const Towary* t = goods_named("Nowy");
  ASSERT_NE(t, nullptr);
  EXPECT_GE(t->czas_modyfikacji, before);
  EXPECT_LE(t->czas_modyfikacji, after);
  EXPECT_EQ(t->flags, 0);
  EXPECT_EQ(t->ostatnia_data_dostawy, 0);
  EXPECT_EQ(t->ostatnia_data_sprzedazy, 0);
}

TEST_F(GoodsCsv, TheImportLeavesTheUsersFormsAlone) {
  // The goods form of the session holds a draft; the import writes the
  // goods straight into the table, so the draft survives and no staged
  // dictionary entry appears.
  write_bytes("import.csv", "h\r\nOlej;PK;;;nowy;1;2;3;;99%;Nowy typ;kpl.\r\n");
  add_goods({1, "Olej"});
  std::map<std::string, std::string> before, after;
  request({{"sess_code", kCode}}, {{"Towary_opis", "szkic"}, {"Towary_nazwa", "Mój towar"}});
  auto vars = [](std::map<std::string, std::string>& into) {
    request({{"sess_code", kCode}}, {}, [&] {
      hashtbl* t = sess_get_ht();
      for (uint32_t i = 0; t && i < t->size; ++i) into[t->keys[i]] = t->values[i];
    });
  };
  vars(before);
  ASSERT_EQ(before["Towary_opis"], "szkic");
  import("import.csv");
  vars(after);
  before.erase("Towary_import_plik");
  after.erase("Towary_import_plik");
  EXPECT_EQ(after, before);
  EXPECT_EQ(goods(1)->opis.str(), "nowy");
}

TEST_F(GoodsCsv, RefusedAndMissingFilesChangeNothing) {
  // The install directory is "inst" inside the test's directory; beside it
  // lies a settings file that would import goods if it were read.
  fs::create_directories("inst/dat");
  write_bytes("ustawienia.txt", "h\r\nIntruz;x\r\n");
  write_bytes("inst/dat/x.csv", "h\r\nIntruz;x\r\n");
  add_goods({1, "Olej", 20, 30});
  const fs::path outer = fs::current_path();
  fs::current_path("inst");
  ASSERT_EQ(mgs_save_Towary(_mgs), 0);
  const std::string saved = read_bytes("dat/Towary.dat");
  const std::string shown_long(1100, 'a');
  const std::pair<std::string, std::string> cases[] = {
      {"../ustawienia.txt", "../ustawienia.txt"},
      {"/etc/passwd", "/etc/passwd"},
      {(outer / "ustawienia.txt").string(), (outer / "ustawienia.txt").string()},
      {"dat\\x.csv", "dat\\x.csv"},
      {"dat/../../ustawienia.txt", "dat/../../ustawienia.txt"},
      {"brak.csv", "brak.csv"},
      {"dat", "dat"},
      {"<i>.csv", "&lt;i&gt;.csv"},
      {shown_long, shown_long},
  };
  for (const auto& [name, shown] : cases) {
    SCOPED_TRACE(name.substr(0, 40));
    int rc = -9;
    const std::string out = import(name, &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(out, kHead + "<CENTER><BIG><FONT COLOR=\"RED\">\nNie mo\xBFna otworzy\xE6 pliku " + shown +
                       " do importu towar\xF3w/us\xB3ug !</FONT></BIG></CENTER>\n");
    EXPECT_EQ(read_bytes("dat/Towary.dat"), saved);
    EXPECT_EQ(goods_named("Intruz"), nullptr);
    EXPECT_EQ(_mgs->_Towary_tab->size, 1);
  }
  fs::current_path(outer);
}

TEST_F(GoodsCsv, ATableFileThatCannotBeWrittenIsSaidInRed) {
  fs::create_directories("dat/Towary.dat/x");
  write_bytes("import.csv", "h\r\nNowy;;;;;;;;;;;kpl.\r\n");
  int rc = 0;
  const std::string out = import("import.csv", &rc);
  EXPECT_EQ(rc, -1);
  EXPECT_EQ(out, kHead + "1. Zaimportowano: Nowy<br>\n<CENTER><BIG><FONT COLOR=\"RED\">\n"
                         "Nie mo\xBFna zapisa\xE6 pliku dat/Towary.dat !</FONT></BIG></CENTER>\n");
  EXPECT_TRUE(fs::is_directory("dat/Towary.dat/x"));
  // The unit the import added is on disk all the same.
  EXPECT_NE(read_bytes("dat/Jednostki_metryczne.dat").find("'kpl.'"), std::string::npos);
}

TEST_F(GoodsCsv, TheSynchronisationScriptRunsFirstWhenSwitchedOn) {
  // The script writes the file that the import then reads: it ran before the
  // import and was waited for.  It is a file of the install directory run as
  // a shell script by its name, whatever the name of the import file.
  const std::string script = "sleep 0.3\nprintf 'h\\r\\nZe skryptu\\r\\n' > towary.csv\necho ran >> ran.txt\n";
  struct Case {
    const char* setting;
    bool script_present;
    std::string report;
    bool ran;
  };
  const Case cases[] = {
      {"1", true, "1. Zaimportowano: Ze skryptu<br>\n", true},
      {"0", true, "<CENTER><BIG><FONT COLOR=\"RED\">\nNie mo\xBFna otworzy\xE6 pliku towary.csv do importu "
                  "towar\xF3w/us\xB3ug !</FONT></BIG></CENTER>\n",
       false},
      {"1", false, "<CENTER><BIG><FONT COLOR=\"RED\">\nNie mo\xBFna otworzy\xE6 pliku towary.csv do importu "
                   "towar\xF3w/us\xB3ug !</FONT></BIG></CENTER>\n",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.setting) + (c.script_present ? " with the script" : " without it"));
    fs::remove("towary.csv");
    fs::remove("ran.txt");
    fs::remove("tow_synr.bat");
    if (c.script_present) write_bytes("tow_synr.bat", script);
    ASSERT_EQ(ustawienia_upd("Wykonaj_sychronizacje_towarow", c.setting), 0);
    EXPECT_EQ(import(""), kHead + c.report);
    EXPECT_EQ(fs::exists("ran.txt"), c.ran);
  }
}

TEST_F(GoodsCsv, TheShippedSynchronisationScriptDoesNothing) {
  fs::copy_file(KAL_SOURCE_DIR "/data/tow_synr.bat", "tow_synr.bat");
  write_bytes("towary.csv", "h\r\nOlej\r\n");
  ASSERT_EQ(ustawienia_upd("Wykonaj_sychronizacje_towarow", "1"), 0);
  const auto files = [] {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(".")) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  };
  // A first request and a heartbeat make the files every import makes.
  request({{"sess_code", kCode}});
  save_watchdog();
  const auto before = files();
  EXPECT_EQ(import(""), kHead + "1. Zaimportowano: Olej<br>\n");
  EXPECT_EQ(files(), before);
  // Shipped runnable, like the send job's script.
  EXPECT_NE(fs::status(KAL_SOURCE_DIR "/data/tow_synr.bat").permissions() & fs::perms::owner_exec, fs::perms::none);
}

TEST_F(GoodsCsv, LongImportKeepsTheHeartbeat) {
  std::string csv = "nazwa;PKWiU\r\n";
  for (int i = 1; i < 250; ++i) csv += "Towar " + std::to_string(i) + ";P" + std::to_string(i) + "\r\n";
  write_bytes("duzy.csv", csv);
  save_watchdog();
  const long before = std::stol(read_bytes("watchdog.txt"));
  const std::string out = import("duzy.csv");
  const long after = std::stol(read_bytes("watchdog.txt"));
  // Lines 0, 100 and 200 beat at least once each.
  EXPECT_GE(after - before, 3);
  EXPECT_NE(out.find("249. Zaimportowano: Towar 249<br>\n"), std::string::npos);
  EXPECT_EQ(_mgs->_Towary_tab->size, 249);
}

// --- the export -----------------------------------------------------------------------------

class GoodsExport : public GoodsCsv {
 protected:
  void SetUp() override {
    GoodsCsv::SetUp();
    // Goods 3 goes in before goods 2: the export lists by Id.  Goods 4 is
    // deleted; goods 5 names a rate, type and unit that no longer exist.
    add_goods({1, "Olej 10W-40", 21.5, 34.9, 24, 1, 1, 1, 0, "OL-1", "1 l"});
    add_goods({3, "Łańcuch; \"428H\"", 58, 89, 4, 2, 1, 1, 0, "LN-428", "130 ogniw, ze spinką", "29.32", "RF1"});
    add_goods({2, "Przegląd", 0, 120, 0, 5, 2, 1, 0, "US-PRZ"});
    add_goods({4, "Stary", 1.005, 2, 1, 1, 1, 1, 1});
    add_goods({5, "Sierota", 0.1, 0.2, 0.5, 9, 9, 9});
    Jednostki_metryczne godz{2, "godz."};
    ASSERT_EQ(Jednostki_metryczne_tab_insert(_mgs->_Jednostki_metryczne_tab, &godz), 0);
    Towary_tab_update_Id_Jednostki_metryczne(_mgs->_Towary_tab, ref_of(2), 2);
  }
  Towary_ref* ref_of(uint32_t id) {
    refs_.push_back(Towary_tab_gets_Id(_mgs->_Towary_tab, id, VTAB_CMP_EQUAL));
    return refs_.back();
  }
  void TearDown() override {
    for (Towary_ref*& r : refs_) Towary_ref_delete(&r);
    GoodsCsv::TearDown();
  }
  std::vector<Towary_ref*> refs_;
};

const std::vector<std::string> kHeader = {"nazwa",        "PKWiU",      "kod",
                                          "rfid",         "opis",       "cena_netto_kupna",
                                          "cena_netto_sprzedazy", "liczba_sztuk", "sciezka_do_pliku",
                                          "Stawka_VAT",   "Typ_towaru", "Jednostka_metryczna"};

TEST_F(GoodsExport, ExportHoldsEveryGoodsInIdOrderForPythonsCsvReader) {
  if (python().empty()) GTEST_SKIP() << "python3-dbf / python3-dbfread are not installed";
  ASSERT_EQ(appended([] { EXPECT_EQ(mgs_Towary_to_csv(';', "towary_export.csv"), 0); }), "");
  const std::string raw = read_bytes("towary_export.csv");
  EXPECT_EQ(raw.substr(0, raw.find('\n') + 1),
            "nazwa;PKWiU;kod;rfid;opis;cena_netto_kupna;cena_netto_sprzedazy;liczba_sztuk;sciezka_do_pliku;"
            "Stawka_VAT;Typ_towaru;Jednostka_metryczna;\r\n");
  // Every line ends with the separator, CR LF on disk.
  EXPECT_NE(raw.find("\r\n\"\xA3" "a\xF1" "cuch; \"\"428H\"\"\";29.32;LN-428;RF1;\"130 ogniw, ze spink\xB9\";"
                     "\"58,00\";\"89,00\";\"4,00\";;8%;Części;szt.;\r\n"),
            std::string::npos)
      << raw;

  auto rows = read_csv("towary_export.csv");
  ASSERT_EQ(rows.size(), 6u);
  std::vector<std::string> header = kHeader;
  header.push_back("");  // after the last separator
  EXPECT_EQ(rows[0], header);
  const std::vector<std::vector<std::string>> want = {
      {"Olej 10W-40", "", "OL-1", "", "1 l", "21,50", "34,90", "24,00", "", "23%", "Części", "szt.", ""},
      {"Przegląd", "", "US-PRZ", "", "", "0,00", "120,00", "0,00", "", "zw.", "Usługi", "godz.", ""},
      {"Łańcuch; \"428H\"", "29.32", "LN-428", "RF1", "130 ogniw, ze spinką", "58,00", "89,00", "4,00", "", "8%",
       "Części", "szt.", ""},
      {"Stary", "", "", "", "", "1,00", "2,00", "1,00", "", "23%", "Części", "szt.", ""},
      {"Sierota", "", "", "", "", "0,10", "0,20", "0,50", "", "", "", "", ""},
  };
  for (std::size_t i = 0; i < want.size(); ++i) EXPECT_EQ(rows[i + 1], want[i]) << "row " << i + 1;
}

TEST_F(GoodsExport, AnExportImportedIntoAnEmptyInstallationGivesTheSameCatalogue) {
  ASSERT_EQ(mgs_Towary_to_csv(';', "towary_export.csv"), 0);
  std::map<std::string, std::vector<std::string>> before;
  auto snapshot = [](std::map<std::string, std::vector<std::string>>& into) {
    for (auto* e = _mgs->_Towary_tab->first; e; e = e->next) {
      const Towary& t = *e->row;
      auto name_of = [](auto* row) { return row ? row->nazwa.str() : std::string("-"); };
      into[t.nazwa.str()] = {t.PKWiU.str(), t.kod.str(), t.rfid.str(), t.opis.str(),
                             std::to_string(std::llround(t.ostatnia_cena_kupna * 100)),
                             std::to_string(std::llround(t.cena_sprzedazy * 100)),
                             std::to_string(std::llround(t.liczba_sztuk * 100)), t.sciezka_do_pliku.str(),
                             name_of(Stawki_VAT_tab_get_Id(_mgs->_Stawki_VAT_tab, t.Id_Stawki_VAT, VTAB_CMP_EQUAL)),
                             name_of(Towary_typy_tab_get_Id(_mgs->_Towary_typy_tab, t.Id_Towary_typy, VTAB_CMP_EQUAL)),
                             name_of(Jednostki_metryczne_tab_get_Id(_mgs->_Jednostki_metryczne_tab,
                                                                    t.Id_Jednostki_metryczne, VTAB_CMP_EQUAL))};
    }
  };
  snapshot(before);
  // The orphan takes the defaults where its export had no names.
  before["Sierota"][8] = "23%";
  before["Sierota"][9] = "Sprzęt do serwisu";
  before["Sierota"][10] = "szt.";

  // An installation without goods, VAT rates, types or units.
  for (Towary_ref*& r : refs_) Towary_ref_delete(&r);
  mgs_delete(&_mgs);
  _mgs = mgs_new();
  Stawki_VAT zero{1, "23%", "23"};
  ASSERT_EQ(Stawki_VAT_tab_insert(_mgs->_Stawki_VAT_tab, &zero), 0);
  Towary_typy sprzet{3, "Sprzęt do serwisu", ""};
  ASSERT_EQ(Towary_typy_tab_insert(_mgs->_Towary_typy_tab, &sprzet), 0);
  Jednostki_metryczne szt{1, "szt."};
  ASSERT_EQ(Jednostki_metryczne_tab_insert(_mgs->_Jednostki_metryczne_tab, &szt), 0);

  const std::string out = import("towary_export.csv");
  EXPECT_EQ(out, kHead + "1. Zaimportowano: Olej 10W-40<br>\n2. Zaimportowano: Przegl\xB9" "d<br>\n"
                         "3. Zaimportowano: \xA3" "a\xF1" "cuch; \"428H\"<br>\n4. Zaimportowano: Stary<br>\n"
                         "5. Zaimportowano: Sierota<br>\n");
  std::map<std::string, std::vector<std::string>> after;
  snapshot(after);
  EXPECT_EQ(after, before);
  // Rates, types and units made once each.
  auto names = [](auto* tab) {
    std::vector<std::string> v;
    for (auto* e = tab->first; e; e = e->next) v.push_back(e->row->nazwa.str());
    return v;
  };
  EXPECT_EQ(names(_mgs->_Stawki_VAT_tab), (std::vector<std::string>{"23%", "zw.", "8%"}));
  EXPECT_EQ(names(_mgs->_Towary_typy_tab), (std::vector<std::string>{"Sprzęt do serwisu", "Części", "Usługi"}));
  EXPECT_EQ(names(_mgs->_Jednostki_metryczne_tab), (std::vector<std::string>{"szt.", "godz."}));
  EXPECT_EQ(rate_of(2), "zw.=zw.");
  EXPECT_EQ(rate_of(3), "8%=8");
}

TEST_F(GoodsExport, AnEmptyCatalogueExportsItsHeaderAlone) {
  for (Towary_ref*& r : refs_) Towary_ref_delete(&r);
  mgs_delete(&_mgs);
  _mgs = mgs_new();
  ASSERT_EQ(mgs_Towary_to_csv(';', "towary_export.csv"), 0);
  EXPECT_EQ(read_bytes("towary_export.csv"),
            "nazwa;PKWiU;kod;rfid;opis;cena_netto_kupna;cena_netto_sprzedazy;liczba_sztuk;sciezka_do_pliku;"
            "Stawka_VAT;Typ_towaru;Jednostka_metryczna;\r\n");
}

TEST_F(GoodsExport, AFailedExportIsSaidInRedAndWritesNothing) {
  fs::create_directories("inst/towary_export.csv");
  const fs::path outer = fs::current_path();
  fs::current_path("inst");
  const std::pair<const char*, const char*> cases[] = {
      {"../towary_export.csv", "../towary_export.csv"},
      {"/tmp/towary_export.csv", "/tmp/towary_export.csv"},
      {"<b>\\x.csv", "&lt;b&gt;\\x.csv"},
      {"towary_export.csv", "towary_export.csv"},  // a directory stands there
  };
  for (const auto& [path, shown] : cases) {
    SCOPED_TRACE(path);
    int rc = 0;
    const std::string out = appended([&] { rc = mgs_Towary_to_csv(';', path); });
    EXPECT_EQ(rc, -1);
    EXPECT_EQ(out, std::string("<CENTER><BIG><FONT COLOR=\"RED\">\nNie mo\xBFna zapisa\xE6 pliku ") + shown +
                       " !</FONT></BIG></CENTER>\n");
  }
  EXPECT_FALSE(fs::exists(outer / "towary_export.csv"));
  EXPECT_TRUE(fs::is_directory("towary_export.csv"));
  fs::current_path(outer);
}

TEST_F(GoodsExport, RowWriterQuotesCellsHoldingTheSeparator) {
  // Another separator than ";": a cell holding it is quoted too, line ends
  // inside a text become blanks.
  add_goods({6, "a|b", 1, 2, 3, 1, 1, 1, 0, "k", "dwie\nlinie"});
  strbuf* buf = strbuf_new(100);
  ASSERT_EQ(mgs_Towary_row_to_csv(buf, goods(6), '|'), 0);
  EXPECT_EQ(std::string(buf->data, buf->size), "\"a|b\"||k||dwie linie|\"1,00\"|\"2,00\"|\"3,00\"||23%|Części|szt.|\n");
  EXPECT_EQ(mgs_Towary_row_to_csv(buf, nullptr, ';'), -1);
  EXPECT_EQ(mgs_Towary_row_to_csv(nullptr, goods(6), ';'), -1);
  strbuf_delete(&buf);
}

}  // namespace
