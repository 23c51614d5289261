// What storing a sale and taking a repair in cost over HTTP, for one program
// or several side by side (a build of this tree next to an older one).
//
//   bench_commit_cost [operations] [scale] [program...]
//
//   operations   of each kind and program, 60 by default
//   scale        the data's size as a share of a workshop after some years
//                (5,000 clients, 3,000 parts, 10,000 sales and purchases of
//                three lines, 10,000 repairs with their equipment); 1 by
//                default
//   program      the kalmitor programs to compare (default: this build's)
//
// Each program runs on its own copy of the same data, logged in; after a few
// operations to warm up, the time of the request that stores is taken: the
// confirmation of a new sale of three lines (its lines were added before,
// into the session) and the acceptance of a repair for a new owner with new
// equipment.  The programs take turns in blocks of ten operations, so that
// the disk's moods fall on each alike.  Shown: the median and the 10th and
// 90th percentiles in milliseconds.
//
// For example, a Release build of this tree and of an older one:
//   cmake -S . -B build-rel -DCMAKE_BUILD_TYPE=Release -DKAL_TESTS=OFF
//   cmake --build build-rel -j4 --target kalmitor bench_commit_cost
//   build-rel/bench/bench_commit_cost 60 1 /path/to/old/kalmitor build-rel/kalmitor
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tests/kal_burst.hpp"

namespace {

using namespace kal::burst;

struct Side {
  std::string program;
  std::unique_ptr<kal::e2e::Server> srv;
  std::unique_ptr<Driver> driver;
  std::mt19937 rng{7};
  std::vector<double> sale, acceptance;
};

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t i = std::min(v.size() - 1, static_cast<std::size_t>(p * (v.size() - 1) + 0.5));
  return v[i];
}

}  // namespace

int main(int argc, char** argv) {
  const int operations = argc > 1 ? std::atoi(argv[1]) : 60;
  const double scale = argc > 2 ? std::atof(argv[2]) : 1.0;
  std::vector<Side> sides;
  for (int i = 3; i < argc; ++i) sides.emplace_back().program = argv[i];
  if (sides.empty()) sides.emplace_back().program = KAL_KALMITOR_PATH;
  if (operations <= 0 || scale <= 0) {
    std::fprintf(stderr, "usage: bench_commit_cost [operations] [scale] [program...]\n");
    return 2;
  }

  char tmpl[] = "/tmp/kal_bench_cost_XXXXXX";
  const std::string tmp = ::mkdtemp(tmpl);
  const Scale sc = Scale::workshop().times(scale);
  const Seed seed = make_seed(tmp + "/seed", sc);
  if (seed.dir.empty()) {
    std::fprintf(stderr, "bench_commit_cost: cannot write the data in %s\n", tmp.c_str());
    return 1;
  }
  int round = 0;
  for (Side& s : sides) {
    kal::e2e::Server::Options o;
    o.program = s.program;
    o.data_dir = seed.dir;
    o.start_timeout_ms = 60000;
    s.srv = std::make_unique<kal::e2e::Server>(o);
    s.driver = std::make_unique<Driver>(*s.srv, seed, s.rng, ++round);
    if (!s.srv->start() || !s.driver->login()) {
      std::fprintf(stderr, "bench_commit_cost: %s did not start\n%s\n", s.program.c_str(), s.srv->log().c_str());
      return 1;
    }
  }
  auto run = [](Side& s, Kind kind, std::vector<double>* into) {
    Op op;
    if (!s.driver->run(kind, op) || op.state != Op::stored) {
      std::fprintf(stderr, "bench_commit_cost: %s: a %s was not stored\n%s\n", s.program.c_str(), name(kind),
                   op.reply.c_str());
      std::exit(1);
    }
    if (into) into->push_back(op.commit_ms);
  };
  for (Side& s : sides)
    for (int i = 0; i < 3; ++i) run(s, Kind::sale, nullptr), run(s, Kind::acceptance, nullptr);
  for (int done = 0; done < operations; done += 10)
    for (Side& s : sides)
      for (int i = done; i < operations && i < done + 10; ++i) {
        run(s, Kind::sale, &s.sale);
        run(s, Kind::acceptance, &s.acceptance);
      }

  std::printf("data: %d firms, %d parts, %d documents, %d repairs; %d operations of each kind\n", sc.firms, sc.parts,
              sc.documents, sc.repairs, operations);
  std::printf("%-26s", "ms: median [p10 p90]");
  for (std::size_t i = 0; i < sides.size(); ++i) std::printf("  %-26s", ("program " + std::to_string(i + 1)).c_str());
  std::printf("\n");
  auto row = [&](const char* label, std::vector<double> Side::*times) {
    std::printf("%-26s", label);
    for (Side& s : sides) {
      char cell[64];
      const auto& v = s.*times;
      std::snprintf(cell, sizeof cell, "%.1f [%.1f %.1f]", percentile(v, 0.5), percentile(v, 0.1), percentile(v, 0.9));
      std::printf("  %-26s", cell);
    }
    std::printf("\n");
  };
  row("sale confirmed", &Side::sale);
  row("repair accepted", &Side::acceptance);
  for (std::size_t i = 0; i < sides.size(); ++i) std::printf("program %zu: %s\n", i + 1, sides[i].program.c_str());
  for (Side& s : sides) s.srv->stop(60000);
  std::error_code ec;
  std::filesystem::remove_all(tmp, ec);
  return 0;
}
