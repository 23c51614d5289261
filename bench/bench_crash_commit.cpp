// How often a kill leaves the table files disagreeing with each other.
//
//   bench_crash_commit [program] [kills per kind] [scale] [kinds]
//
//   program          the kalmitor to run (default: the one of this build);
//                    an older build works as well
//   kills per kind   200 by default
//   scale            the seed's size as a share of a workshop after some
//                    years (5,000 clients, 3,000 parts, 10,000 documents,
//                    10,000 repairs); 0.2 by default
//   kinds            a comma list of sale,purchase,acceptance,parts (all by
//                    default); runs of different kinds may go side by side
//   where            burst: a kill at any moment of the burst (default);
//                    store: within the first storing request, where the
//                    files are written
//
// Each kill is a round of its own: a fresh copy of the seed, a session,
// operations of one kind back to back, SIGKILL at a moment drawn uniformly
// from the time three operations take (the median of three rounds without a
// kill, which must store everything) or, with "store", from the time a
// storing request takes after the first one went out, a restart on the same
// directory, and the checks of
// tests/kal_burst.hpp.  The table says after how many kills each kind of
// violation was found, with the number of violations in brackets, and the
// first findings of each operation kind follow.  Progress goes to stderr.
//
// For example, a Release build of this tree and of an older one:
//   cmake -S . -B build-rel -DCMAKE_BUILD_TYPE=Release -DKAL_TESTS=OFF
//   cmake --build build-rel -j4 --target kalmitor bench_crash_commit
//   build-rel/bench/bench_crash_commit build-rel/kalmitor 200
//   build-rel/bench/bench_crash_commit /path/to/old/kalmitor 200
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/kal_burst.hpp"

namespace {

using namespace kal::burst;

struct Tally {
  int kills = 0, bad = 0, in_flight = 0, acknowledged = 0, refused = 0, completed = 0, dropped = 0;
  std::map<std::string, int> kills_with, violations;
  std::vector<std::string> examples;
};

std::vector<Kind> parse_kinds(const std::string& text) {
  std::vector<Kind> out;
  std::stringstream ss(text);
  std::string item;
  while (std::getline(ss, item, ','))
    for (Kind k : kKinds)
      if (item == name(k)) out.push_back(k);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string program = argc > 1 && argv[1][0] ? argv[1] : KAL_KALMITOR_PATH;
  const int kills = argc > 2 ? std::atoi(argv[2]) : 200;
  const double scale = argc > 3 ? std::atof(argv[3]) : 0.2;
  const std::vector<Kind> kinds = argc > 4 && argv[4][0] ? parse_kinds(argv[4])
                                                         : std::vector<Kind>(std::begin(kKinds), std::end(kKinds));
  const std::string where = argc > 5 ? argv[5] : "burst";
  if (kills <= 0 || scale <= 0 || kinds.empty() || (where != "burst" && where != "store")) {
    std::fprintf(stderr, "usage: bench_crash_commit [program] [kills per kind] [scale] [kinds] [burst|store]\n");
    return 2;
  }

  char tmpl[] = "/tmp/kal_bench_crash_XXXXXX";
  const std::string tmp = ::mkdtemp(tmpl);
  const Scale sc = Scale::workshop().times(scale);
  const Seed seed = make_seed(tmp + "/seed", sc);
  if (seed.dir.empty()) {
    std::fprintf(stderr, "bench_crash_commit: cannot write the seed in %s\n", tmp.c_str());
    return 1;
  }
  Runner runner(seed, program);
  std::mt19937 rng(std::random_device{}());
  std::map<Kind, Tally> tally;
  int rc = 0;
  for (Kind kind : kinds) {
    Tally& t = tally[kind];
    // Three rounds without a kill: the operations store what they should,
    // and the median of their times is the window for the kills.
    std::vector<double> times, store_ms;
    for (int i = 0; i < 3 && rc == 0; ++i) {
      const Round first = runner.calibrate(kind, rng);
      bool usable = first.ok && first.ops.size() == 3;
      for (const Op& op : first.ops) usable = usable && op.state == Op::stored;
      if (!usable || !first.findings.empty()) {
        std::fprintf(stderr, "%s: a round without a kill went wrong: %s\n", name(kind), first.error.c_str());
        for (const Op& op : first.ops)
          if (op.state != Op::stored) std::fprintf(stderr, "  an operation not stored: %s\n", op.reply.c_str());
        for (const auto& n : first.findings.notes) std::fprintf(stderr, "  %s\n", n.c_str());
        rc = 1;
      }
      times.push_back(first.burst_ms);
      for (const Op& op : first.ops) store_ms.push_back(op.commit_ms);
    }
    if (rc != 0) break;
    std::sort(times.begin(), times.end());
    std::sort(store_ms.begin(), store_ms.end());
    const double window = where == "store" ? store_ms[store_ms.size() / 2] : times[1];
    std::fprintf(stderr, "%s: three operations take %.0f ms, a storing request %.0f ms\n", name(kind), times[1],
                 store_ms[store_ms.size() / 2]);
    for (int k = 0; k < kills; ++k) {
      const Round r = where == "store" ? runner.round_in_store(kind, window, rng) : runner.round(kind, window, rng);
      if (!r.ok) {
        std::fprintf(stderr, "%s: kill %d: %s\n", name(kind), k + 1, r.error.c_str());
        rc = 1;
        break;
      }
      ++t.kills;
      for (const Op& op : r.ops) {
        t.acknowledged += op.state == Op::stored;
        t.refused += op.state == Op::refused;
      }
      t.in_flight += !r.ops.empty() && r.ops.back().state == Op::sent;
      t.completed += r.completed();
      t.dropped += r.dropped();
      if (!r.findings.empty()) {
        ++t.bad;
        for (const auto& [v, n] : r.findings.count) {
          ++t.kills_with[v];
          t.violations[v] += n;
        }
        if (t.examples.size() < 8)
          for (std::size_t i = 0; i < r.findings.notes.size() && i < 3; ++i)
            t.examples.push_back("kill " + std::to_string(k + 1) + ": " + r.findings.notes[i]);
      }
      if ((k + 1) % 20 == 0)
        std::fprintf(stderr, "%s: %d kills, %d left the files disagreeing\n", name(kind), k + 1, t.bad);
    }
  }

  std::printf("program: %s\n", program.c_str());
  std::printf("kills: %s\n", where == "store" ? "within the first storing request" : "at any moment of the burst");
  std::printf("seed: %d firms, %d parts, %d documents, %d repairs\n", sc.firms, sc.parts, sc.documents, sc.repairs);
  std::printf("%-34s", "");
  for (Kind k : kinds) std::printf("%16s", name(k));
  std::printf("\n");
  auto row = [&](const std::string& label, auto cell) {
    std::printf("%-34s", label.c_str());
    for (Kind k : kinds) std::printf("%16s", cell(tally[k]).c_str());
    std::printf("\n");
  };
  row("kills", [](const Tally& t) { return std::to_string(t.kills); });
  row("  storing request in flight", [](const Tally& t) { return std::to_string(t.in_flight); });
  row("  operations acknowledged", [](const Tally& t) { return std::to_string(t.acknowledged); });
  row("  operations refused by the page", [](const Tally& t) { return std::to_string(t.refused); });
  row("  restart completed a commit", [](const Tally& t) { return std::to_string(t.completed); });
  row("  restart removed unfinished saves", [](const Tally& t) { return std::to_string(t.dropped); });
  row("kills leaving a violation", [](const Tally& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%d (%.0f %%)", t.bad, t.kills ? 100.0 * t.bad / t.kills : 0.0);
    return std::string(text);
  });
  for (const std::string& v : violation_kinds())
    row("  " + v, [&v](const Tally& t) {
      auto k = t.kills_with.find(v);
      if (k == t.kills_with.end()) return std::string("0");
      return std::to_string(k->second) + " (" + std::to_string(t.violations.at(v)) + ")";
    });
  for (Kind k : kinds) {
    if (tally[k].examples.empty()) continue;
    std::printf("\n%s, first findings:\n", name(k));
    for (const std::string& e : tally[k].examples) std::printf("  %s\n", e.c_str());
  }
  std::error_code ec;
  std::filesystem::remove_all(tmp, ec);
  return rc;
}
