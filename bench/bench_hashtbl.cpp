// Times the request-table workload: 5,000 puts into a 5,000-slot table in
// form order, sorted order and random order, then 5,000 lookups; and a load of
// the same pairs appended and sorted.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "lib/hashtbl.hpp"

namespace {

double ms_since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

void run(const char* label, const std::vector<std::string>& names, int rounds) {
  double put_ms = 0, get_ms = 0;
  unsigned long misses = 0;
  for (int r = 0; r < rounds; ++r) {
    hashtbl* t = hashtbl_new(5000);
    auto t0 = std::chrono::steady_clock::now();
    for (const auto& n : names) hashtbl_put(t, n.c_str(), "some value of a form field");
    put_ms += ms_since(t0);
    t0 = std::chrono::steady_clock::now();
    for (const auto& n : names)
      if (!hashtbl_get_ptr(t, n.c_str())) ++misses;
    get_ms += ms_since(t0);
    hashtbl_delete(&t);
  }
  std::printf("%-22s %zu puts %8.3f ms   %zu lookups %8.3f ms   (misses %lu)\n", label, names.size(),
              put_ms / rounds, names.size(), get_ms / rounds, misses);
}

}  // namespace

int main() {
  std::vector<std::string> names;
  for (int i = 0; i < 5000; ++i) names.push_back("field_" + std::to_string(i * 7919 % 5000) + "_x");
  const int rounds = 20;

  run("form order", names, rounds);
  std::vector<std::string> sorted = names;
  std::sort(sorted.begin(), sorted.end());
  run("byte order", sorted, rounds);
  std::vector<std::string> shuffled = names;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(1));
  run("random order", shuffled, rounds);
  std::vector<std::string> reversed(sorted.rbegin(), sorted.rend());
  run("reverse order", reversed, rounds);

  // Appends that leave the table unsorted: puts then scan every pair.
  double ms = 0;
  for (int r = 0; r < rounds; ++r) {
    hashtbl* t = hashtbl_new(10000);
    for (int i = 0; i < 2500; ++i) hashtbl_append(t, shuffled[static_cast<std::size_t>(i)].c_str(), "v");
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 2500; i < 5000; ++i) hashtbl_put(t, shuffled[static_cast<std::size_t>(i)].c_str(), "v");
    ms += ms_since(t0);
    hashtbl_delete(&t);
  }
  std::printf("%-22s 2500 puts %8.3f ms\n", "after unsorted appends", ms / rounds);
  return 0;
}
