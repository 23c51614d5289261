// The database root: creating, loading, saving and freeing every table over
// a data directory; the messages; the save of each table; the seed data that
// comes with a new installation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "db/mgs.hpp"
#include "db/vtab_file.hpp"
#include "platform/paths.hpp"
#include "tests/vtab_file_util.hpp"

using vtab_test::file_bytes;
using vtab_test::put_bytes;
using vtab_test::TempDir;

namespace {

// The table names in slot order.
std::vector<std::string> slot_names(bool with_postcodes = true) {
  std::vector<std::string> names;
#define X(T) names.push_back(#T);
#define N(T) \
  if (with_postcodes) names.push_back(#T);
  MGS_TABLES(X, N)
#undef X
#undef N
  return names;
}

std::string version_line() {
  kal::TextOut out;
  vtab_write_ver(out);
  return kal::text_to_disk(out.text());
}

// Each test works on its own data directory and leaves MGS_DATA_PATH as it
// found it.
class Root : public ::testing::Test {
 protected:
  void SetUp() override {
    setMGS_DATA_PATH(dir.path.c_str());
    root = mgs_new();
    ASSERT_NE(root, nullptr);
  }
  void TearDown() override {
    mgs_delete(&root);
    setMGS_DATA_PATH("dat");
  }
  int load(std::string* said) {
    ::testing::internal::CaptureStdout();
    int rc = mgs_load(root);
    *said = ::testing::internal::GetCapturedStdout();
    return rc;
  }
  int save(std::string* said) {
    ::testing::internal::CaptureStdout();
    int rc = mgs_save(root);
    *said = ::testing::internal::GetCapturedStdout();
    return rc;
  }
  std::string path(const std::string& table) const { return dir / (table + ".dat"); }

  TempDir dir;
  mgs* root = nullptr;
};

TEST_F(Root, EmptyDataDirectory) {
  std::string said;
  EXPECT_EQ(load(&said), 39);
  std::string want;
  for (const std::string& t : slot_names())
    want += "Can't open table date file '" + path(t) + "' to read !\n";
  EXPECT_EQ(said, want) << "one line a table, in slot order";
  EXPECT_EQ(root->_Firmy_tab->size, 0);
  EXPECT_EQ(root->_Naprawy_roczna_tab->size, 0);

  // Every table's file appears at its first save, the postcodes' never.
  EXPECT_EQ(save(&said), 0);
  EXPECT_EQ(said, "");
  for (const std::string& t : slot_names(false)) {
    std::string want_file = t == "Kody_poczt" ? "" : version_line();
    EXPECT_EQ(file_bytes(path(t)), want_file) << t;
  }
  EXPECT_FALSE(kal::file_exists(path("Kody_poczt")));
  EXPECT_EQ(vtab_test::files_starting(dir.path, "").size(), 38u);
}

TEST_F(Root, OnlyTheFirmsFile) {
  put_bytes(path("Firmy"), version_line() + kal::text_to_disk(" 1 'Nasza firma' '' '' '' '' '' '' '' '' '' '' '' '' '' 0 0 0 0\n"));
  std::string said;
  EXPECT_EQ(load(&said), 38);
  EXPECT_EQ(said.find("mgs_load() filename='" + path("Firmy") + "' done rc=0\n"), 0u) << said;
  ASSERT_EQ(root->_Firmy_tab->size, 1);
  EXPECT_STREQ(root->_Firmy_tab->first->row->nazwa.get(), "Nasza firma");
}

// Records in every table, saved and loaded into a new root: the same files.
TEST_F(Root, SaveAndLoadEveryTable) {
  Firmy f{};
  f.Id = 1;
  f.nazwa = "Serwis \xA3\xF3" "d\x9F";
  ASSERT_EQ(Firmy_tab_insert(root->_Firmy_tab, &f), 0);
  Naprawy n{};
  n.Id = 1000001;
  n.numer = "1000001/2024";
  n.opis_uszkodzenia = "nie dzia\xB3" "a\n'pilne'";
  n.szacunkowa_wycena = 150.5;
  ASSERT_EQ(Naprawy_tab_insert(root->_Naprawy_tab, &n), 0);
  Towary_transakcje line{};
  line.Id = 3;
  line.liczba_sztuk = 2;
  ASSERT_EQ(Towary_transakcje_tab_insert(root->_Towary_transakcje_tab, &line), 0);
  Sprzet_ext s{};
  s.Id_Serwis = 9;
  ASSERT_EQ(Sprzet_ext_tab_insert(root->_Sprzet_ext_tab, &s), 0);
  Kody_poczt k{ostr("00-001"), ostr("Miasto")};
  ASSERT_EQ(Kody_poczt_tab_insert(root->_Kody_poczt_tab, &k), 0);

  std::string said;
  ASSERT_EQ(save(&said), 0);
  EXPECT_FALSE(kal::file_exists(path("Kody_poczt"))) << "the postcodes are never written";
  std::vector<std::string> files;
  for (const std::string& t : slot_names(false)) files.push_back(file_bytes(path(t)));

  mgs* again = mgs_new();
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(mgs_load(again), 1) << "all but the postcodes";
  said = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(said.find("Kody_poczt_tab_load"), std::string::npos);
  EXPECT_NE(said.find("mgs_load() filename='" + path("Naprawy") + "' done rc=0\n"), std::string::npos) << said;
  EXPECT_EQ(again->_Naprawy_tab->size, 1);
  EXPECT_STREQ(again->_Naprawy_tab->first->row->opis_uszkodzenia.get(), "nie dzia\xB3" "a\n'pilne'");
  mgs_delete(&root);
  root = again;
  ASSERT_EQ(save(&said), 0);
  std::size_t i = 0;
  for (const std::string& t : slot_names(false)) EXPECT_EQ(file_bytes(path(t)), files[i++]) << t;
}

// Each save member writes its own table's file and no other.
TEST_F(Root, EachSaveWritesItsOwnFile) {
  struct Save {
    const char* table;
    int (*fn)(mgs*);
  };
  const std::vector<Save> saves{
#define X(T) {#T, &mgs_save_##T},
#define N(T)
      MGS_TABLES(X, N)
#undef X
#undef N
  };
  ASSERT_EQ(saves.size(), 38u);
  for (const Save& s : saves) {
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(s.fn(root), 0) << s.table;
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(vtab_test::files_starting(dir.path, "").size(), static_cast<std::size_t>(&s - &saves[0] + 1))
        << s.table;
    EXPECT_TRUE(kal::file_exists(path(s.table))) << s.table;
  }
}

// Writes that fail: the messages, the count, and the old files left whole.
TEST_F(Root, FailedSaves) {
  put_bytes(dir / "file", "not a directory");
  setMGS_DATA_PATH((dir / "file/dat").c_str());
  std::string said;
  EXPECT_EQ(save(&said), 38);
  std::string want;
  for (const std::string& t : slot_names(false))
    want += "Can't open table date file '" + dir / "file/dat/" + t + ".dat' to write !\n";
  // Between them, the rewrite's own reasons.
  std::string lines;
  for (std::size_t at = 0; (at = said.find("Can't open", at)) != std::string::npos; at = said.find('\n', at) + 1)
    lines += said.substr(at, said.find('\n', at) + 1 - at);
  EXPECT_EQ(lines, want);
  EXPECT_EQ(said.find("Kody_poczt"), std::string::npos);

  // One file that cannot be replaced: that save alone fails, and the
  // table keeps its records for the next save.
  setMGS_DATA_PATH(dir.path.c_str());
  ASSERT_EQ(vtab_test::files_starting(dir.path, "").size(), 1u);
  ASSERT_EQ(kal::make_dirs(path("Magazyny")), 0);
  Magazyny m{};
  m.Id = 1;
  m.nazwa = "Magazyn g\xB3\xF3wny";
  ASSERT_EQ(Magazyny_tab_insert(root->_Magazyny_tab, &m), 0);
  EXPECT_EQ(save(&said), 1);
  EXPECT_NE(said.find("Can't open table date file '" + path("Magazyny") + "' to write !\n"), std::string::npos);
  EXPECT_EQ(root->_Magazyny_tab->size, 1);
  std::filesystem::remove(path("Magazyny"));
  EXPECT_EQ(mgs_save_Magazyny(root), 0);
  EXPECT_NE(file_bytes(path("Magazyny")).find("'Magazyn g\xB3\xF3wny'"), std::string::npos);

  // A full disk leaves the old file as it was.
  const std::string before = file_bytes(path("Magazyny"));
  for (uint32_t id = 2; id < 200; ++id) {
    m.Id = id;
    ASSERT_EQ(Magazyny_tab_insert(root->_Magazyny_tab, &m), 0);
  }
  {
    vtab_test::FileSizeLimit limit(before.size() + 1000);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(mgs_save_Magazyny(root), 1);
    said = ::testing::internal::GetCapturedStdout();
  }
  EXPECT_NE(said.find("Can't open table date file '" + path("Magazyny") + "' to write !\n"), std::string::npos);
  EXPECT_EQ(file_bytes(path("Magazyny")), before);
}

// The tables are loaded side by side, the greatest files first; the console
// still reads table by table in slot order, a table's complaints just before
// its closing line, whichever load ended first.
TEST_F(Root, LoadSaysEachTableInSlotOrder) {
  const std::string broken = kal::text_to_disk(" 1 'got\xF3wka'\n 2 przelew\n 3 'karta'\n");
  put_bytes(path("Formy_platnosci"), version_line() + broken);
  put_bytes(path("Waluty"), version_line() + kal::text_to_disk(" 1 'PLN' 1.00\n 2 EUR 4.30\n"));
  // Far the greatest file, in a slot between the two.
  std::string lines;
  for (int id = 1; id <= 20000; ++id) lines += " " + std::to_string(id) + " 7\n";
  put_bytes(path("Naprawy_przyjmujacy"), version_line() + kal::text_to_disk(lines));

  std::string said;
  EXPECT_EQ(load(&said), static_cast<int>(slot_names().size()) - 3) << "every missing file counts";
  std::vector<std::string> order = slot_names();
  static const std::regex names_table("^(?:(\\w+)_tab_load\\(\\)|.*/(\\w+)\\.dat')");
  std::size_t slot = 0;
  std::size_t at = 0;
  for (std::size_t end; (end = said.find('\n', at)) != std::string::npos; at = end + 1) {
    const std::string line = said.substr(at, end - at);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(line, m, names_table)) << line;
    const std::string table = m[1].matched ? m[1].str() : m[2].str();
    auto it = std::find(order.begin() + static_cast<long>(slot), order.end(), table);
    ASSERT_NE(it, order.end()) << "out of slot order: " << line << "\n" << said;
    slot = static_cast<std::size_t>(it - order.begin());
  }
  EXPECT_EQ(at, said.size());
  EXPECT_NE(said.find("Formy_platnosci_tab_load(): line 3: field 2 ('nazwa') broken, record dropped\n"
                      "mgs_load() filename='" +
                      path("Formy_platnosci") + "' done rc=0\n"),
            std::string::npos)
      << said;
  EXPECT_NE(said.find("Waluty_tab_load(): line 3: field 2 ('nazwa') broken, record dropped\n"
                      "mgs_load() filename='" +
                      path("Waluty") + "' done rc=0\n"),
            std::string::npos)
      << said;
  EXPECT_NE(said.find("Can't open table date file '" + path("Naprawy") + "' to read !\n"), std::string::npos);
  EXPECT_EQ(root->_Naprawy_przyjmujacy_tab->size, 20000);
  EXPECT_EQ(root->_Formy_platnosci_tab->size, 2);
  EXPECT_EQ(root->_Waluty_tab->size, 1);
}

// A damaged file: the broken record is reported at the load, and the file is
// kept aside at the first save, which then writes what did load.
TEST_F(Root, DamagedFileIsKeptAtTheFirstSave) {
  const std::string original =
      version_line() + kal::text_to_disk(" 1 'got\xF3wka'\n 2 przelew\n 3 'karta'\n");
  put_bytes(path("Formy_platnosci"), original);
  std::string said;
  load(&said);
  EXPECT_NE(said.find("Formy_platnosci_tab_load(): line 3: field 2 ('nazwa') broken, record dropped\n"
                      "mgs_load() filename='" +
                      path("Formy_platnosci") + "' done rc=0\n"),
            std::string::npos)
      << said;
  EXPECT_EQ(root->_Formy_platnosci_tab->size, 2);

  ::testing::internal::CaptureStdout();
  EXPECT_EQ(mgs_save_Formy_platnosci(root), 0);
  said = ::testing::internal::GetCapturedStdout();
  auto kept = vtab_test::files_starting(dir.path, "Formy_platnosci.dat.damaged-");
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(file_bytes(dir / kept[0]), original);
  EXPECT_NE(said.find("kept as '" + dir / kept[0] + "'"), std::string::npos) << said;
  EXPECT_EQ(file_bytes(path("Formy_platnosci")), version_line() + kal::text_to_disk(" 1 'got\xF3wka'\n 3 'karta'\n"));
  EXPECT_EQ(mgs_save_Formy_platnosci(root), 0);
  EXPECT_EQ(vtab_test::files_starting(dir.path, "Formy_platnosci.dat.damaged-").size(), 1u) << "kept once";
}

// The annual repair records load whole with 0; a record with the key 0 after
// the first is left out with a message, the rest still load, and the file is
// kept before it is rewritten.
TEST_F(Root, AnnualRepairRecords) {
  auto record = [](uint32_t id) {
    Naprawy_roczna r{};
    r.Id = id;
    r.Id_Serwis = id + 100;
    r.s05 = "przegl\xB9" "d " + std::to_string(id);
    return r;
  };
  for (uint32_t id : {0u, 4u, 9u}) {
    Naprawy_roczna r = record(id);
    ASSERT_EQ(Naprawy_roczna_tab_insert(root->_Naprawy_roczna_tab, &r), 0);
  }
  ASSERT_EQ(mgs_save_Naprawy_roczna(root), 0);
  std::string said;
  {
    mgs* again = mgs_new();
    ::testing::internal::CaptureStdout();
    mgs_load(again);
    said = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(said.find("mgs_load() filename='" + path("Naprawy_roczna") + "' done rc=0\n"), std::string::npos)
        << said;
    EXPECT_EQ(again->_Naprawy_roczna_tab->size, 3) << "a first record with the key 0 is taken";
    mgs_delete(&again);
  }

  const std::string with_zero = version_line() + kal::text_to_disk([&] {
    kal::TextOut out;
    Naprawy_roczna_tab* t = Naprawy_roczna_tab_new();
    for (uint32_t id : {4u, 0u, 9u}) {
      Naprawy_roczna r = record(id);
      Naprawy_roczna_tab_insert(t, &r);
    }
    Naprawy_roczna_tab_save(out, t);
    Naprawy_roczna_tab_delete(&t);
    return out.text().substr(out.text().find('\n') + 1);
  }());
  put_bytes(path("Naprawy_roczna"), with_zero);
  mgs* again = mgs_new();
  ::testing::internal::CaptureStdout();
  mgs_load(again);
  said = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(said.find("Naprawy_roczna_tab_load(): new_row.Id=0 size=1\n"), std::string::npos) << said;
  std::vector<uint32_t> ids;
  for (auto* e = again->_Naprawy_roczna_tab->first; e != nullptr; e = e->next) ids.push_back(e->row->Id);
  EXPECT_EQ(ids, std::vector<uint32_t>({4, 9})) << "loading goes on after the record left out";
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(mgs_save_Naprawy_roczna(again), 0);
  ::testing::internal::GetCapturedStdout();
  auto kept = vtab_test::files_starting(dir.path, "Naprawy_roczna.dat.damaged-");
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(file_bytes(dir / kept[0]), with_zero);
  mgs_delete(&again);
}

// The data directory a new installation starts with: every table's file,
// loaded without a word of complaint, the rows the pages need from the first
// day, and the bytes a save writes back.
TEST(SeedData, LoadsWholeAndSavesBackTheSameBytes) {
  const std::string seed = KAL_SOURCE_DIR "/data/dat";
  setMGS_DATA_PATH(seed.c_str());
  mgs* root = mgs_new();
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(mgs_load(root), 0);
  std::string said = ::testing::internal::GetCapturedStdout();
  std::string want;
  for (const std::string& t : slot_names()) want += "mgs_load() filename='" + seed + "/" + t + ".dat' done rc=0\n";
  EXPECT_EQ(said, want);

  auto names = [](auto* tab) {
    std::vector<std::string> out;
    for (auto* e = tab->first; e != nullptr; e = e->next) {
      EXPECT_EQ(e->row->Id, out.size() + 1) << "Ids from 1 in order";
      out.push_back(e->row->nazwa.str());
    }
    return out;
  };
  using V = std::vector<std::string>;
  std::vector<uint32_t> states;
  for (auto* e = root->_Naprawy_stany_tab->first; e != nullptr; e = e->next) {
    states.push_back(e->row->Id);
    EXPECT_FALSE(e->row->nazwa.empty());
  }
  EXPECT_EQ(states, std::vector<uint32_t>({1, 2, 3, 4, 5, 6, 7, 8, 9, 20}));
  std::vector<std::string> kinds;
  for (auto* e = root->_Naprawy_typy_tab->first; e != nullptr; e = e->next) kinds.push_back(e->row->nazwa_typu.str());
  ASSERT_FALSE(kinds.empty());
  EXPECT_EQ(root->_Naprawy_typy_tab->first->row->Id, 1u) << "a new repair's kind";
  EXPECT_NE(std::find(kinds.begin(), kinds.end(), "gwarancyjna"), kinds.end()) << "the warranty kind";
  EXPECT_EQ(names(root->_Transakcje_typy_tab), V({"Sprzeda\xBF", "Zakup"}));
  ASSERT_NE(Firmy_tab_get_Id(root->_Firmy_tab, 1, VTAB_CMP_EQUAL), nullptr) << "the own firm";
  std::vector<std::string> rates;
  for (auto* e = root->_Stawki_VAT_tab->first; e != nullptr; e = e->next) rates.push_back(e->row->procent.str());
  EXPECT_EQ(rates, V({"23", "8", "5", "0", "zw"}));
  EXPECT_EQ(names(root->_Jednostki_metryczne_tab), V({"szt."}));
  EXPECT_EQ(names(root->_Formy_platnosci_tab), V({"got\xF3wka", "przelew"}));
  EXPECT_EQ(names(root->_Waluty_tab), V({"PLN"}));
  EXPECT_EQ(root->_Magazyny_tab->size, 1);
  EXPECT_EQ(names(root->_Towary_typy_tab), V({"Cz\xEA\x9C" "ci", "Us\xB3ugi", "Sprz\xEAt do serwisu"}))
      << "parts, services, equipment for service: the Ids the goods-type settings name";
  EXPECT_GT(root->_Kody_poczt_tab->size, 0);
  const std::vector<std::string> seeded{"Firmy",        "Firmy_typy",      "Formy_platnosci", "Jednostki_metryczne",
                                        "Magazyny",     "Naprawy_typy",    "Naprawy_stany",   "Panstwa",
                                        "Stawki_VAT",   "Towary_typy",     "Transakcje_typy", "Waluty",
                                        "Kody_poczt",   "Towary"};
  auto starts_empty = [&](const char* t) { return std::find(seeded.begin(), seeded.end(), t) == seeded.end(); };
#define X(T) \
  EXPECT_TRUE(!starts_empty(#T) || root->_##T##_tab->size == 0) << #T;
  MGS_TABLES(X, X)
#undef X

  TempDir dir;
  setMGS_DATA_PATH(dir.path.c_str());
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(mgs_save(root), 0);
  ::testing::internal::GetCapturedStdout();
  for (const std::string& t : slot_names(false))
    EXPECT_EQ(file_bytes(dir / (t + ".dat")), file_bytes(seed + "/" + t + ".dat")) << t;
  kal::TextOut postcodes;
  Kody_poczt_tab_save(postcodes, root->_Kody_poczt_tab);
  EXPECT_EQ(kal::text_to_disk(postcodes.text()), file_bytes(seed + "/Kody_poczt.dat"));
  mgs_delete(&root);
  setMGS_DATA_PATH("dat");

  // The stand-alone check prints the goods (the sample model), the firms and
  // the goods types.
  setMGS_DATA_PATH(seed.c_str());
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(main_msg(), 0);
  said = ::testing::internal::GetCapturedStdout();
  setMGS_DATA_PATH("dat");
  const std::string prints = said.substr(said.rfind("done rc=0\n") + 10);
  EXPECT_EQ(prints.substr(0, 12), "0000:  1 'Sa") << prints;
  EXPECT_NE(prints.find("\n0000:  1 'Na"), std::string::npos) << prints;
  EXPECT_NE(prints.find("\n0000:  1 'Cz\xEA\x9C" "ci' ''\n0001:  2 'Us\xB3ugi' ''\n0002:  3 "), std::string::npos)
      << prints;

  // The shipped files are what the script writes.
  TempDir fresh;
  const std::string cmd = "python3 '" KAL_SOURCE_DIR "/tools/make_seed_data.py' '" + fresh.path + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  for (const std::string& t : slot_names()) EXPECT_EQ(file_bytes(fresh / (t + ".dat")), file_bytes(seed + "/" + t + ".dat")) << t;
  EXPECT_EQ(vtab_test::files_starting(fresh.path, "").size(), 39u);
}

TEST(RootPath, OwnCopyAndBackslashes) {
  TempDir dir;
  ASSERT_EQ(kal::make_dirs(dir / "backup/2024-01-01"), 0);
  std::string windows = dir.path + "\\backup\\2024-01-01";
  std::vector<char> buffer(windows.begin(), windows.end());
  buffer.push_back('\0');
  setMGS_DATA_PATH(buffer.data());
  std::memset(buffer.data(), 'x', buffer.size() - 1);  // the caller's text may go
  EXPECT_EQ(std::string(MGS_DATA_PATH), windows);
  setMGS_DATA_PATH(MGS_DATA_PATH);
  EXPECT_EQ(std::string(MGS_DATA_PATH), windows);
  mgs* root = mgs_new();
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(mgs_save(root), 0);
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(vtab_test::files_starting(dir / "backup/2024-01-01", "").size(), 38u);
  setMGS_DATA_PATH(nullptr);
  EXPECT_STREQ(MGS_DATA_PATH, "dat");
  EXPECT_EQ(mgs_delete(&root), 0);
  EXPECT_EQ(root, nullptr);
  EXPECT_EQ(mgs_delete(&root), 0);
}

}  // namespace
