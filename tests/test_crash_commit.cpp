// A kill never leaves the tables disagreeing with each other.  The real
// program runs bursts of sales, purchases, repair acceptances and parts added
// to repairs, is killed with SIGKILL at a random moment while a request that
// stores runs, and started again on the same directory; then the table files
// are checked against each other, the seed and what the replies acknowledged
// (tests/kal_burst.hpp).  A few kills of each kind here; bench/
// bench_crash_commit runs hundreds.  The checks themselves are tried first on
// a seed damaged by hand, one kind of disagreement at a time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/kal_burst.hpp"

namespace {

namespace fs = std::filesystem;
using namespace kal::burst;

// A directory removed at the end.
struct TempDir {
  std::string path;
  TempDir() {
    char tmpl[] = "/tmp/kal_crash_XXXXXX";
    path = ::mkdtemp(tmpl);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

template <class T>
std::vector<T> rows(const std::string& dir, const char* table) {
  int damaged = 0;
  return load_rows<T>(dir + "/dat/" + table + ".dat", &damaged);
}
template <class T>
void put(const std::string& dir, const char* table, const std::vector<T>& rows) {
  ASSERT_TRUE(write_bytes(dir + "/dat/" + table + ".dat", kal::tables::table_file(rows)));
}
template <class T, class Keep>
void keep_only(const std::string& dir, const char* table, Keep keep) {
  std::vector<T> out;
  for (const T& r : rows<T>(dir, table))
    if (keep(r)) out.push_back(r);
  put(dir, table, out);
}
template <class T, class Change>
void change(const std::string& dir, const char* table, Change fn) {
  std::vector<T> all = rows<T>(dir, table);
  for (T& r : all) fn(r);
  put(dir, table, all);
}

std::set<std::string> kinds(const Findings& f) {
  std::set<std::string> out;
  for (const auto& [kind, n] : f.count) out.insert(kind);
  return out;
}

// What a restart's console says of the saves a kill interrupted.
std::string recovery(const std::string& log) {
  std::istringstream in(log);
  std::string out, line;
  while (std::getline(in, line))
    if (line.find("commit") != std::string::npos || line.find("rewrite") != std::string::npos ||
        line.find("_tab_load()") != std::string::npos)
      out += "  " + line + "\n";
  return out;
}

std::string said(const Findings& f) {
  std::string out;
  for (const auto& n : f.notes) out += "  " + n + "\n";
  return out;
}

TEST(CrashCommit, TheChecksFindEachKindOfDisagreement) {
  TempDir tmp;
  const Seed seed = make_seed(tmp.path + "/seed", Scale::small());
  ASSERT_FALSE(seed.dir.empty());
  ASSERT_TRUE(check(seed.dir, seed, {}).empty()) << said(check(seed.dir, seed, {}));
  // Repair 3 has a parts document (every third does), repair 1 none.
  const std::uint32_t with_parts = seed.repairs_with_parts.at(0), part = seed.parts.at(0);
  ASSERT_EQ(with_parts, 3u);

  Op lost;  // a sale whose reply came, and nothing of it is stored
  lost.kind = Kind::sale;
  lost.tag = "sprzedaz 00010001";
  lost.lines = {{part, 1, 1230}};
  lost.state = Op::stored;
  Op half;  // an acceptance without a reply whose owner alone was stored
  half.kind = Kind::acceptance;
  half.tag = "Klient 00010002";
  half.reg = "KR00010002";
  half.state = Op::sent;
  Op gone = half;  // ... and one of which nothing was stored
  gone.tag = "Klient 00010003";
  gone.reg = "KR00010003";

  struct Case {
    const char* what;
    std::function<void(const std::string&)> damage;
    std::vector<Op> ops;
    std::set<std::string> want;
  };
  const std::vector<Case> cases = {
      {"a total", [](const std::string& d) { change<Transakcje>(d, "Transakcje", [](Transakcje& t) {
         if (t.Id == 1) t.laczna_wartosc += 0.01; }); },
       {}, {"document total != lines"}},
      {"the lines of a document", [](const std::string& d) { keep_only<Towary_transakcje>(d, "Towary_transakcje",
         [](const Towary_transakcje& l) { return l.Id_Transakcje != 1; }); },
       {}, {"document without lines"}},
      {"a document", [](const std::string& d) { keep_only<Transakcje>(d, "Transakcje",
         [](const Transakcje& t) { return t.Id != 1; }); },
       {}, {"line without document"}},
      {"a stock", [part](const std::string& d) { change<Towary>(d, "Towary", [part](Towary& t) {
         if (t.Id == part) t.liczba_sztuk -= 2; }); },
       {}, {"stock != seed+lines", "stock != warehouse rows"}},
      {"a sale line stored without its stock", [part, &seed](const std::string& d) {
         std::vector<Towary_transakcje> all = rows<Towary_transakcje>(d, "Towary_transakcje");
         Towary_transakcje l = all.at(0);
         l.Id = seed.last_line + 1;
         l.Id_Towary = part;
         l.cena = 0;
         all.push_back(l);
         put(d, "Towary_transakcje", all); },
       {}, {"stock != seed+lines"}},
      {"a warehouse row", [part](const std::string& d) { change<Towary_magazyn>(d, "Towary_magazyn",
         [part](Towary_magazyn& w) { if (w.Id_Towary == part) w.liczba_sztuk += 1; }); },
       {}, {"stock != warehouse rows"}},
      {"a Naprawy_ext row", [](const std::string& d) { keep_only<Naprawy_ext>(d, "Naprawy_ext",
         [](const Naprawy_ext& e) { return e.Id_Naprawy != 1; }); },
       {}, {"repair without Naprawy_ext"}},
      {"a Naprawy_roczna record", [](const std::string& d) { keep_only<Naprawy_roczna>(d, "Naprawy_roczna",
         [](const Naprawy_roczna& a) { return a.Id != 1; }); },
       {}, {"repair without Naprawy_roczna"}},
      {"equipment", [](const std::string& d) { keep_only<Serwis>(d, "Serwis",
         [](const Serwis& s) { return s.Id != 1; }); },
       {}, {"repair without equipment"}},
      {"a Sprzet_ext record", [](const std::string& d) { keep_only<Sprzet_ext>(d, "Sprzet_ext",
         [](const Sprzet_ext& x) { return x.Id_Serwis != 1; }); },
       {}, {"equipment without Sprzet_ext"}},
      {"a repair's cost", [with_parts](const std::string& d) { change<Naprawy>(d, "Naprawy", [with_parts](Naprawy& r) {
         if (r.Id == with_parts) r.koszt_naprawy = 0; }); },
       {}, {"koszt_naprawy != document total"}},
      {"a repair's document link", [with_parts](const std::string& d) { change<Naprawy>(d, "Naprawy",
         [with_parts](Naprawy& r) { if (r.Id == with_parts) { r.Id_Transakcje = 0; r.koszt_naprawy = 0; } }); },
       {}, {"parts document without repair"}},
      {"a file cut short", [](const std::string& d) {
         // Within its last record: a firm nothing else checks.
         const std::string file = d + "/dat/Firmy.dat";
         fs::resize_file(file, fs::file_size(file) - 10); },
       {}, {"table file torn"}},
      {"an acknowledged sale", [](const std::string&) {}, {lost}, {"acknowledged, not stored whole"}},
      {"an unacknowledged acceptance", [&half](const std::string& d) {
         std::vector<Firmy> all = rows<Firmy>(d, "Firmy");
         Firmy owner = all.back();
         owner.Id += 1;
         owner.nazwa = half.tag;
         all.push_back(owner);
         put(d, "Firmy", all); },
       {half, gone}, {"unacknowledged, stored half"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string dir = tmp.path + "/case";
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::copy(seed.dir, dir, fs::copy_options::recursive);
    c.damage(dir);
    const Findings f = check(dir, seed, c.ops);
    EXPECT_EQ(kinds(f), c.want) << said(f);
  }
}

// Rounds of each kind; the first without a kill shows that the operations
// store what they should, so that nothing found means something.  The kills
// fall within the storing request, where a few of them meet the writes.
TEST(CrashCommit, KilledBurstsLeaveTheTablesAgreeing) {
  TempDir tmp;
  const Seed seed = make_seed(tmp.path + "/seed", Scale::small());
  ASSERT_FALSE(seed.dir.empty());
  Runner runner(seed);
  const int kills = 5;
  std::mt19937 rng(std::random_device{}());
  for (Kind kind : kKinds) {
    SCOPED_TRACE(name(kind));
    const Round first = runner.calibrate(kind, rng);
    ASSERT_TRUE(first.ok) << first.error;
    EXPECT_TRUE(first.findings.empty()) << said(first.findings);
    ASSERT_EQ(first.ops.size(), 3u);
    std::vector<double> store_ms;
    for (const Op& op : first.ops) {
      ASSERT_EQ(op.state, Op::stored) << op.reply;
      store_ms.push_back(op.commit_ms);
    }
    std::sort(store_ms.begin(), store_ms.end());
    int completed = 0, dropped = 0;
    for (int k = 0; k < kills; ++k) {
      const Round r = runner.round_in_store(kind, store_ms[1], rng);
      ASSERT_TRUE(r.ok) << r.error;
      EXPECT_TRUE(r.findings.empty()) << "kill " << k << " after " << r.ops.size() << " operation(s)\n"
                                      << said(r.findings) << "the restart:\n" << recovery(r.log);
      completed += r.completed();
      dropped += r.dropped();
    }
    std::printf("%s: %d kills within a storing request of %.0f ms; the restarts completed %d commit(s) and removed "
                "the unfinished saves of %d\n",
                name(kind), kills, store_ms[1], completed, dropped);
  }
}

}  // namespace
