// The repairs' keys, numbers and glue: the start-up pass that makes repeated
// keys unique (in the file, and through the real program), the numbers of
// the current year, the form read back from a stored repair, the guard
// against a repeated acceptance, and the save of the form.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "db/mgs.hpp"
#include "db/vtab_file.hpp"
#include "mages/repairs/mgs_Naprawy.hpp"
#include "mages/repairs/mgs_Naprawy0.hpp"
#include "server/oo_texts.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "tests/kal_e2e.hpp"
#include "tests/sess_env.hpp"

namespace {

using namespace sess_env;

const char kCode[] = "0123456789abcdef0123456789abcdef";

std::string console(const std::function<void()>& body) {
  testing::internal::CaptureStdout();
  body();
  return testing::internal::GetCapturedStdout();
}

int this_year() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return tm.tm_year + 1900;
}

Naprawy repair(uint32_t id, const std::string& numer = "") {
  Naprawy r{};
  r.Id = id;
  r.numer = numer;
  vtab_meta<Naprawy>::for_each_field([&](auto f) {
    using F = decltype(f);
    if constexpr (F::letter == 's') {
      if (F::of(r).is_null()) F::of(r) = "";
    }
  });
  r.data_wplywu = 1700000000;
  return r;
}

// The text of a repairs file holding these keys, in this order, with LF line
// ends (a rewrite by the program would give CR LF).
std::string repairs_file(const std::vector<uint32_t>& ids) {
  Naprawy_tab* tab = Naprawy_tab_new();
  for (uint32_t id : ids) {
    Naprawy r = repair(id, "n" + std::to_string(id));
    Naprawy_tab_insert(tab, &r);
  }
  kal::TextOut out;
  Naprawy_tab_save(out, tab);
  Naprawy_tab_delete(&tab);
  return out.text();
}

// The keys of a repairs file in file order; {} when it cannot be read.
std::vector<uint32_t> keys_of(const std::string& path) {
  std::vector<uint32_t> ids;
  kal::TextIn in;
  if (vtab_file_open(path, in) != 0) return ids;
  Naprawy_tab* tab = Naprawy_tab_new();
  Naprawy_tab_load(in, tab);
  for (Naprawy_listelem* e = tab->first; e; e = e->next) ids.push_back(e->row->Id);
  Naprawy_tab_delete(&tab);
  return ids;
}

class RepairIds : public ::testing::Test {
 protected:
  void SetUp() override { setMGS_DATA_PATH("dat"); }
  InstallDir dir;
};

TEST_F(RepairIds, RepeatedKeysTakeTheNextFreeKeyOfTheirRange) {
  struct Case {
    std::vector<uint32_t> before;
    std::vector<uint32_t> after;
    std::vector<std::string> said;  // console lines, in order
  } cases[] = {
      {{5, 5, 7}, {5, 8, 7}, {"max_Id_lo=7\n", "powtorzone Id=5 -> added_Id_lo=8\n", "max_Id_hi=1000000\n"}},
      {{1000003, 1000003, 1000001},
       {1000003, 1000004, 1000001},
       {"max_Id_lo=0\n", "max_Id_hi=1000003\n", "powtorzone Id=1000003 -> added_Id_hi=1000004\n"}},
      // Each range counts on its own; three of one key take two new ones.
      {{2, 1000002, 2, 1000002, 2},
       {2, 1000002, 3, 1000003, 4},
       {"powtorzone Id=2 -> added_Id_lo=3\n", "powtorzone Id=2 -> added_Id_lo=4\n",
        "powtorzone Id=1000002 -> added_Id_hi=1000003\n"}},
      // No key left in the range: reported, left as it is, never wrapped.
      {{999999, 999999}, {999999, 999999}, {"powtorzone Id=999999 -> no free Id left in its range"}},
      {{4294967295u, 4294967295u},
       {4294967295u, 4294967295u},
       {"powtorzone Id=4294967295 -> no free Id left in its range"}},
      // Keys 0 and the border between the ranges are never renumbered.
      {{0, 0, 1000000, 1000000, 3}, {0, 0, 1000000, 1000000, 3}, {"max_Id_lo=3\n"}},
      {{}, {}, {"max_Id_lo=0\n", "max_Id_hi=1000000\n"}},
  };
  for (const Case& c : cases) {
    const std::string before = repairs_file(c.before);
    write_bytes("dat/Naprawy.dat", before);
    int rc = -9;
    const std::string said = console([&] { rc = Naprawy_repair_Ids(); });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(keys_of("dat/Naprawy.dat"), c.after) << said;
    std::size_t at = 0;
    for (const std::string& line : c.said) {
      at = said.find(line, at);
      EXPECT_NE(at, std::string::npos) << line << " in:\n" << said;
    }
    // The file is rewritten only when a key changed.
    if (c.before == c.after) {
      EXPECT_EQ(read_bytes("dat/Naprawy.dat"), before) << said;
      EXPECT_EQ(said.find("powtorzone Id=0"), std::string::npos);
    } else {
      EXPECT_NE(read_bytes("dat/Naprawy.dat").find("\r\n"), std::string::npos);
    }
  }
}

TEST_F(RepairIds, AFileThatCannotBeReadWholeIsLeftAsItIs) {
  const std::string file = repairs_file({5, 5, 7});
  write_bytes("dat/Naprawy.dat", file);
  ::chmod("dat/Naprawy.dat", 0);
  ::chmod(".", 0755);
  // Read it as somebody without the right to (the superuser reads anything).
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(100);
    ::_exit(Naprawy_repair_Ids() & 0xff);
  }
  int st = 0;
  ASSERT_EQ(::waitpid(pid, &st, 0), pid);
  ASSERT_TRUE(WIFEXITED(st));
  ASSERT_NE(WEXITSTATUS(st), 100) << "could not drop the superuser's rights";
  EXPECT_EQ(WEXITSTATUS(st), 1);
  ::chmod("dat/Naprawy.dat", 0644);
  EXPECT_EQ(read_bytes("dat/Naprawy.dat"), file);

  // A missing file: reported, and not made.
  std::remove("dat/Naprawy.dat");
  const std::string said = console([] { EXPECT_EQ(Naprawy_repair_Ids(), 1); });
  EXPECT_NE(said.find("Naprawy_repair_Ids() Can't open table date file 'dat/Naprawy.dat' to read !"),
            std::string::npos)
      << said;
  EXPECT_FALSE(std::filesystem::exists("dat/Naprawy.dat"));
}

TEST_F(RepairIds, ADamagedFileIsKeptAsideBeforeTheRenumberedOneReplacesIt) {
  std::string file = repairs_file({5, 5});
  file += " broken line\n";
  write_bytes("dat/Naprawy.dat", file);
  console([] { EXPECT_EQ(Naprawy_repair_Ids(), 0); });
  EXPECT_EQ(keys_of("dat/Naprawy.dat"), (std::vector<uint32_t>{5, 6}));
  int copies = 0;
  for (const auto& e : std::filesystem::directory_iterator("dat")) {
    if (e.path().filename().string().rfind("Naprawy.dat.damaged-", 0) == 0) {
      ++copies;
      EXPECT_EQ(read_bytes(e.path().string()), file);
    }
  }
  EXPECT_EQ(copies, 1);
}

TEST(RepairIdsE2E, TheProgramStartsWithUniqueRepairKeys) {
  kal::e2e::Server::Options o;
  std::string file = repairs_file({3, 1, 3, 1000001, 1000001, 2});
  // CR LF, as the program writes it.
  std::string crlf;
  for (char c : file) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  o.files = {{"dat/Naprawy.dat", crlf}};
  kal::e2e::Server srv(o);
  ASSERT_TRUE(srv.start()) << srv.log();
  EXPECT_EQ(srv.stop(), 0);
  EXPECT_EQ(keys_of(srv.file("dat/Naprawy.dat")), (std::vector<uint32_t>{3, 1, 4, 1000001, 1000002, 2}));
  EXPECT_NE(srv.log().find("powtorzone Id=3 -> added_Id_lo=4"), std::string::npos) << srv.log();
}

// --- keys and numbers of the tables in memory ---------------------------------------------

class Repairs : public ::testing::Test {
 protected:
  void SetUp() override {
    oo_texts_set_lang(0);
    setMGS_DATA_PATH("dat");
    _mgs = mgs_new();
    ASSERT_NE(_mgs, nullptr);
    mgs_Naprawy_create_guard_reset();
  }
  void TearDown() override { mgs_delete(&_mgs); }

  std::string page(const std::function<void()>& body, const Params& post = {}) {
    std::string out;
    request({{"sess_code", kCode}}, post, [&] { out = appended(body); });
    return out;
  }
  void add(const Naprawy& r) { ASSERT_EQ(Naprawy_tab_insert(_mgs->_Naprawy_tab, &r), 0); }
  const Naprawy* stored(uint32_t id) { return Naprawy_tab_get_Id(_mgs->_Naprawy_tab, id, VTAB_CMP_EQUAL); }

  InstallDir dir;
  Settings settings{{{"Logowanie_timeout", "3600"}}};
  PageManager pm;
};

TEST_F(Repairs, HighestKeyOfEachRange) {
  uint32_t lo = 7, hi = 7;
  Naprawy_tab_max_Id_lo(_mgs->_Naprawy_tab, &lo);
  Naprawy_tab_max_Id_hi(_mgs->_Naprawy_tab, &hi);
  EXPECT_EQ(lo, 0u);
  EXPECT_EQ(hi, 1000000u);
  for (uint32_t id : {5u, 999999u, 1000000u, 1000007u, 12u, 1000002u}) add(repair(id));
  Naprawy_tab_max_Id_lo(_mgs->_Naprawy_tab, &lo);
  Naprawy_tab_max_Id_hi(_mgs->_Naprawy_tab, &hi);
  EXPECT_EQ(lo, 999999u);
  EXPECT_EQ(hi, 1000007u);
}

TEST_F(Repairs, NumbersCountWithinTheCurrentYearAndRange) {
  const std::string y = std::to_string(this_year());
  const std::string last = std::to_string(this_year() - 1);
  struct Case {
    std::vector<std::string> numbers;
    std::string accepted, planned;  // the next numbers, without "/<year>"
  } cases[] = {
      {{}, "1", "1000001"},
      // Last year's numbers do not count: the sequence starts again.
      {{"3/" + last, "9/" + last, "1000004/" + last}, "1", "1000001"},
      // By the leading number, not as text.
      {{"12/" + y, "9/" + y}, "13", "1000001"},
      // Each range counts on its own.
      {{"1000001/" + y, "4/" + y}, "5", "1000002"},
      {{"1000001/" + y, "1000009/" + y, "1000002/" + y}, "1", "1000010"},
      // Numbers that do not begin with a sequence count as 0; an enormous
      // one is taken as the largest int, without overflowing.
      {{"abc/" + y, "-4/" + y}, "1", "1000001"},
      {{"99999999999/" + y}, "1", "2147483648"},
  };
  for (const Case& c : cases) {
    mgs_delete(&_mgs);
    _mgs = mgs_new();
    uint32_t id = 1;
    for (const std::string& n : c.numbers) add(repair(id++, n));
    EXPECT_EQ(Naprawy_new_numer(0), c.accepted + "/" + y) << c.numbers.size();
    EXPECT_EQ(Naprawy_new_numer(1), c.planned + "/" + y) << c.numbers.size();
  }
  // The highest number itself is the stored text.
  mgs_delete(&_mgs);
  _mgs = mgs_new();
  add(repair(1, "7/" + y));
  add(repair(2, "7/" + y));
  EXPECT_EQ(Naprawy_prev_numer(0), stored(1)->numer.c_str());
  EXPECT_STREQ(Naprawy_prev_numer(1), "1000000");
}

// --- the glue ----------------------------------------------------------------------------

TEST_F(Repairs, StoredRepairsReadBackWithTheirStateAndMissingOnesAsNew) {
  const uint32_t stored_states[] = {0, 1, 2, 3, 7, 20};
  const uint32_t shown[] = {2, 2, 2, 3, 7, 20};
  for (uint32_t i = 0; i < 6; ++i) {
    Naprawy r = repair(i + 1, "x");
    r.Id_Naprawy_stany = stored_states[i];
    add(r);
  }
  page([&] {
    for (uint32_t i = 0; i < 6; ++i) {
      Naprawy got{};
      EXPECT_EQ(mgs_Naprawy_get(i + 1, &got, "NaprawyNew_", ""), 0);
      EXPECT_EQ(got.Id_Naprawy_stany, shown[i]) << stored_states[i];
    }
    // The table keeps what it holds.
    EXPECT_EQ(stored(1)->Id_Naprawy_stany, 0u);

    Naprawy missing = repair(99, "old");
    missing.koszt_naprawy = 5;
    const std::int64_t now = std::time(nullptr);
    EXPECT_EQ(mgs_Naprawy_get(99, &missing, "NaprawyNew_", ""), -1);
    EXPECT_EQ(missing.Id, 0u);
    EXPECT_STREQ(missing.numer.get(), "");
    for (std::int64_t t : {missing.data_wplywu, missing.data_odpowiedzi, missing.data_wyceny,
                           missing.data_naprawienia_szacunkowa, missing.data_zakonczenia_rzeczywista}) {
      EXPECT_GE(t, now);
      EXPECT_LE(t, now + 5);
    }
    EXPECT_EQ(missing.data_odbioru, 0);
    EXPECT_EQ(missing.Id_Naprawy_typy, 1u);
    EXPECT_EQ(missing.Id_Naprawy_stany, 1u);
    EXPECT_EQ(missing.Id_Firmy__naprawiajacy, 1u);
    EXPECT_EQ(missing.koszt_naprawy, 0.0);
  });
}

TEST_F(Repairs, TheGuardStopsARepeatedAcceptanceOnly) {
  // The form of one acceptance: client, receipt date, equipment and its
  // numbers.
  struct Form {
    const char* client;
    const char* date;
    const char* equipment;
    const char* nr_rej;
    const char* nr_ramy;
  };
  const Form first{"4", "01.02.2024", "11", "", ""};
  struct Case {
    const char* what;
    Form second;
    int rc;  // of the second insert
  } cases[] = {
      {"the same form again", first, -1},
      {"another item of the owner, the same day", {"4", "01.02.2024", "12", "", ""}, 0},
      {"another registration number", {"4", "01.02.2024", "11", "WX 1", ""}, 0},
      {"another day", {"4", "02.02.2024", "11", "", ""}, 0},
      {"another client", {"5", "01.02.2024", "11", "", ""}, 0},
  };
  auto fill = [](const Form& f) {
    sess_put("NaprawyNew_Naprawy_Id_Firmy__klient", f.client);
    sess_put("NaprawyNew_Naprawy_data_wplywu", f.date);
    sess_put("SerwisNew_Serwis_Id", f.equipment);
    sess_put("SerwisNew_Serwis_nr_rej", f.nr_rej);
    sess_put("SerwisNew_Serwis_nr_ramy", f.nr_ramy);
  };
  for (const Case& c : cases) {
    mgs_delete(&_mgs);
    _mgs = mgs_new();
    mgs_Naprawy_create_guard_reset();
    std::string said = console([&] {
      page([&] {
        fill(first);
        sess_put("NaprawyNew_Naprawy_Id_Transakcje", "77");
        EXPECT_EQ(mgs_Naprawy_create(1), 0);
        EXPECT_STREQ(var_s("Naprawy_Id"), "1");
        fill(c.second);
        EXPECT_EQ(mgs_Naprawy_create(2), c.rc) << c.what;
      });
    });
    EXPECT_EQ(_mgs->_Naprawy_tab->size, c.rc == 0 ? 2 : 1) << c.what;
    EXPECT_EQ(said.find("ERROR try to insert second time the same repair") != std::string::npos, c.rc != 0)
        << c.what << said;
    // A new repair has no sale document whatever the form held.
    EXPECT_EQ(stored(1)->Id_Transakcje, 0u);
  }

  // A repair without a client is never taken for a repeat; a key that is
  // taken, or none, inserts nothing.
  mgs_delete(&_mgs);
  _mgs = mgs_new();
  mgs_Naprawy_create_guard_reset();
  console([&] {
    page([&] {
      fill({"0", "01.02.2024", "11", "", ""});
      EXPECT_EQ(mgs_Naprawy_create(1), 0);
      EXPECT_EQ(mgs_Naprawy_create(2), 0);
      EXPECT_EQ(mgs_Naprawy_create(2), -1);
      EXPECT_EQ(mgs_Naprawy_create(0), -1);
    });
  });
  EXPECT_EQ(_mgs->_Naprawy_tab->size, 2);
  EXPECT_NE(read_bytes("dat/Naprawy.dat").find("\r\n 2 "), std::string::npos);
}

TEST_F(Repairs, SavingTheFormWritesWhatTheRequestCarriesIntoTheRepairItHolds) {
  Naprawy a = repair(1, "1/2024");
  a.opis_uszkodzenia = "stuka";
  a.opis_naprawy = "wymiana";
  a.Id_Naprawy_typy = 3;
  a.model = "Ursus";
  Naprawy b = repair(2, "2/2024");
  b.opis_uszkodzenia = "cieknie";
  b.model = "Zetor";
  b.flags = 4;
  add(a);
  add(b);
  ASSERT_EQ(mgs_save_Naprawy(_mgs), 0);
  const std::string before = read_bytes("dat/Naprawy.dat");

  // B was shown last: a save of A from that form writes nothing.
  std::string shown;
  const std::string said = console([&] {
    page([&] { mgs_Naprawy_to_ht(stored(2), "NaprawyNew_", ""); });
    shown = page([&] { EXPECT_EQ(mgs_Naprawy_update(1), -1); }, {{"NaprawyNew_Naprawy_opis_naprawy", "nic"}});
  });
  EXPECT_EQ(read_bytes("dat/Naprawy.dat"), before);
  EXPECT_STREQ(stored(1)->opis_naprawy.c_str(), "wymiana");
  EXPECT_NE(shown.find("<FONT COLOR=\"RED\">"), std::string::npos) << shown;
  EXPECT_NE(shown.find("Otwórz zlecenie ponownie"), std::string::npos) << shown;
  EXPECT_NE(said.find("mgs_Naprawy_update(Id=1): the form holds repair Id=2, nothing saved"), std::string::npos);

  // A shown, then the session's variables of every field changed, and a
  // request carrying only the work description: that and the fields the
  // pages compute are written, the rest keeps its stored value.
  page([&] {
    mgs_Naprawy_to_ht(stored(1), "NaprawyNew_", "");
    sess_put("NaprawyNew_Naprawy_opis_uszkodzenia", "z innego formularza");
    sess_put("NaprawyNew_Naprawy_Id_Naprawy_typy", "9");
    sess_put("NaprawyNew_Naprawy_model", "Zetor");
    sess_put("NaprawyNew_Naprawy_flags", "4");
    sess_put("NaprawyNew_Naprawy_Id_Naprawy_stany", "3");
  });
  page([&] { EXPECT_EQ(mgs_Naprawy_update(1), 0); },
       {{"NaprawyNew_Naprawy_opis_naprawy", "nowy opis"}, {"SerwisNew_Serwis_numer", "SN-5"}});
  const Naprawy* s = stored(1);
  EXPECT_STREQ(s->opis_naprawy.c_str(), "nowy opis");
  EXPECT_EQ(s->flags, 4);
  EXPECT_EQ(s->Id_Naprawy_stany, 3u);
  EXPECT_STREQ(s->opis_uszkodzenia.c_str(), "stuka");
  EXPECT_EQ(s->Id_Naprawy_typy, 3u);
  EXPECT_STREQ(s->model.c_str(), "Ursus");
  EXPECT_STREQ(s->rodzaj.c_str(), "SN-5");
  EXPECT_NE(read_bytes("dat/Naprawy.dat").find("'nowy opis'"), std::string::npos);
  // B's line is as it was.
  EXPECT_STREQ(stored(2)->opis_uszkodzenia.c_str(), "cieknie");

  // A missing repair: said, nothing written.
  const std::string missing = console([&] { page([&] { EXPECT_EQ(mgs_Naprawy_update(5), -1); }); });
  EXPECT_NE(missing.find("mgs_Naprawy_update(Id=5): Brak Naprawy w bazie !"), std::string::npos);
}

TEST_F(Repairs, FieldUpdatesAndLookUps) {
  add(repair(1, "1/2024"));
  add(repair(3, "3/2024"));
  page([&] {
    // The answer date only when the request carries it.
    sess_put("NaprawyNew_Naprawy_data_odpowiedzi", "05.03.2024");
    EXPECT_EQ(mgs_Naprawy_update_data_odpowiedzi(1), 0);
  });
  EXPECT_EQ(stored(1)->data_odpowiedzi, 0);
  page([&] { mgs_Naprawy_update_data_odpowiedzi(1); }, {{"NaprawyNew_Naprawy_data_odpowiedzi", "05.03.2024"}});
  EXPECT_NE(stored(1)->data_odpowiedzi, 0);

  page([&] {
    sess_put("Serwis.Naprawy_typ", "ciągnik");
    EXPECT_EQ(mgs_Naprawy_update_typ(3, "Serwis."), 0);
  });
  EXPECT_STREQ(stored(3)->typ.c_str(), "ciągnik");

  const std::string said = console([&] {
    EXPECT_EQ(mgs_Naprawy_upd_Id_Firmy__klient(3, 8), 0);
    EXPECT_EQ(mgs_Naprawy_upd_Id_Firmy__klient(4, 8), 0);
  });
  EXPECT_EQ(stored(3)->Id_Firmy__klient, 8u);
  EXPECT_NE(said.find("mgs_Naprawy_upd_Id_Firmy__klient(Id=4): Brak w bazie !"), std::string::npos);

  EXPECT_STREQ(Naprawy_numer(3), "3/2024");
  EXPECT_STREQ(Naprawy_numer(2), "błąd Naprawy !");
  EXPECT_EQ(Naprawy_Id_by_numer("3/2024"), 3u);
  EXPECT_EQ(Naprawy_Id_by_numer("9/2024"), 4294967295u);
  EXPECT_STREQ(Naprawy_vv("Części"), "Części");
}

}  // namespace

// --- who may open a repair ---------------------------------------------------------------

TEST_F(Repairs, OnlyItsRepairerOrReceiverOpensARepairUnlessAdministrator) {
  Naprawy_wykonawcy w{};
  w.Id = 4;
  w.Id_Firmy = 40;
  ASSERT_EQ(Naprawy_wykonawcy_tab_insert(_mgs->_Naprawy_wykonawcy_tab, &w), 0);
  Naprawy_przyjmujacy p{};
  p.Id = 5;
  p.Id_Firmy = 50;
  ASSERT_EQ(Naprawy_przyjmujacy_tab_insert(_mgs->_Naprawy_przyjmujacy_tab, &p), 0);
  Naprawy r = repair(3);
  r.Id_Naprawy_wykonawcy = 4;
  r.Id_Naprawy_przyjmujacy = 5;
  add(r);

  struct Case {
    uint32_t id, firm;
    int admin, worker_as_admin, allowed;
  } cases[] = {
      {3, 40, 0, 0, 1},  // the repairer
      {3, 50, 0, 0, 1},  // the receiving employee
      {3, 60, 0, 0, 0},  // somebody else
      {3, 60, 1, 0, 1},  // an administrator
      {3, 60, 0, 1, 1},  // workers act as administrators
      {3, 0, 0, 0, 1},   // nobody logged in (no users yet)
      {9, 40, 0, 0, 0},  // no such repair
      {9, 40, 1, 0, 1},  // an administrator is not asked for the record
  };
  for (const Case& c : cases)
    EXPECT_EQ(mgs_Naprawy_allow(c.id, c.firm, c.admin, c.worker_as_admin), c.allowed)
        << "repair " << c.id << " firm " << c.firm << " admin " << c.admin << " w/a " << c.worker_as_admin;
  EXPECT_EQ(mgs_Naprawy_allow0(nullptr, 40, 0, 0), 0);
}
