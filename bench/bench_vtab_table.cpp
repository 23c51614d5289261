// Timing of the generated tables: a million stock records inserted, then
// queried by key (index), by key range (index walk) and by a field without an
// index (list scan); a smaller firms table for text queries.
//   bench_vtab_table [records]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "db/Firmy.hpp"
#include "db/Towary_magazyn.hpp"

namespace {

using clk = std::chrono::steady_clock;

class Timer {
 public:
  explicit Timer(const char* what, long ops) : what_(what), ops_(ops), start_(clk::now()) {}
  ~Timer() {
    double ns = std::chrono::duration<double, std::nano>(clk::now() - start_).count();
    std::printf("%-44s %10ld ops %12.1f ns/op\n", what_, ops_, ns / static_cast<double>(ops_));
  }
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

 private:
  const char* what_;
  long ops_;
  clk::time_point start_;
};

long sink = 0;

void bench_stock(long n) {
  std::printf("Towary_magazyn, %ld records\n", n);
  Towary_magazyn_tab* tab = Towary_magazyn_tab_new();
  std::vector<uint32_t> keys(static_cast<size_t>(n));
  for (long i = 0; i < n; ++i) keys[static_cast<size_t>(i)] = static_cast<uint32_t>(i + 1);
  std::mt19937 rng(7);
  std::shuffle(keys.begin(), keys.end(), rng);
  {
    Timer t("insert (keys in random order)", n);
    for (long i = 0; i < n; ++i) {
      Towary_magazyn r{keys[static_cast<size_t>(i)], 1.5, static_cast<uint32_t>(i % 5000), static_cast<uint32_t>(i % 7)};
      if (Towary_magazyn_tab_insert(tab, &r) != 0) std::abort();
    }
  }
  {
    Timer t("get_Id EQUAL (index)", n);
    for (long i = 0; i < n; ++i) sink += Towary_magazyn_tab_get_Id(tab, keys[static_cast<size_t>(i)], VTAB_CMP_EQUAL)->Id_Towary;
  }
  {
    const long q = n / 10;
    Timer t("sub_Id, 100 keys a range (index walk)", q);
    for (long i = 0; i < q; ++i) {
      uint32_t lo = keys[static_cast<size_t>(i)];
      Towary_magazyn_ref* ref = Towary_magazyn_tab_sub_Id(tab, lo, lo + 99);
      sink += ref->size;
      Towary_magazyn_ref_delete(&ref);
    }
  }
  {
    Timer t("max_Id (index)", n);
    for (long i = 0; i < n; ++i) {
      uint32_t m = 0;
      Towary_magazyn_tab_max_Id(tab, &m);
      sink += m;
    }
  }
  {
    const long q = 20;
    Timer t("gets_Id_Towary EQUAL (list scan), per query", q);
    for (long i = 0; i < q; ++i) {
      Towary_magazyn_ref* ref = Towary_magazyn_tab_gets_Id_Towary(tab, static_cast<uint32_t>(i), VTAB_CMP_EQUAL);
      sink += ref->size;
      Towary_magazyn_ref_delete(&ref);
    }
  }
  {
    const long q = 20;
    Timer t("gets_Id_Towary EQUAL (list scan), per record", q * n);
    for (long i = 0; i < q; ++i) {
      Towary_magazyn_ref* ref = Towary_magazyn_tab_gets_Id_Towary(tab, static_cast<uint32_t>(i), VTAB_CMP_EQUAL);
      sink += ref->size;
      Towary_magazyn_ref_delete(&ref);
    }
  }
  {
    const long q = n / 10;
    Timer t("update_Id of one record (re-index)", q);
    for (long i = 0; i < q; ++i) {
      uint32_t k = keys[static_cast<size_t>(i)];
      Towary_magazyn_ref* ref = Towary_magazyn_tab_gets_Id(tab, k, VTAB_CMP_EQUAL);
      Towary_magazyn_tab_update_Id(tab, ref, k + static_cast<uint32_t>(n));
      Towary_magazyn_ref_delete(&ref);
    }
  }
  {
    const long q = n / 10;
    Timer t("removes of one record by key", q);
    for (long i = 0; i < q; ++i) {
      Towary_magazyn_ref* ref = Towary_magazyn_tab_gets_Id(tab, keys[static_cast<size_t>(n - 1 - i)], VTAB_CMP_EQUAL);
      Towary_magazyn_tab_removes(tab, ref);
      Towary_magazyn_ref_delete(&ref);
    }
  }
  {
    long left = tab->size;
    Timer t("tab_delete, per record", left);
    Towary_magazyn_tab_delete(&tab);
  }
}

void bench_firms(long n) {
  std::printf("Firmy, %ld records\n", n);
  Firmy_tab* tab = Firmy_tab_new();
  {
    Timer t("insert with six texts", n);
    for (long i = 0; i < n; ++i) {
      Firmy f{};
      f.Id = static_cast<uint32_t>(i + 1);
      std::string name = "Firma " + std::to_string(i * 7919 % n);
      f.nazwa = name;
      f.ulica = "ul. D\xB3uga 5";
      f.miasto = i % 2 ? "Krak\xF3w" : "Warszawa";
      f.NIP = "123-456-78-90";
      f.telefon = "12 345 67 89";
      f.email = "biuro@example.com";
      if (Firmy_tab_insert(tab, &f) != 0) std::abort();
    }
  }
  {
    const long q = 20;
    Timer t("gets_nazwa LIKEIC 'firma 12*' (scan), per record", q * n);
    for (long i = 0; i < q; ++i) {
      Firmy_ref* ref = Firmy_tab_gets_nazwa(tab, "firma 12*", VTAB_CMP_LIKEIC);
      sink += ref->size;
      Firmy_ref_delete(&ref);
    }
  }
  {
    const long q = 20;
    Timer t("gets_miasto EQUAL (scan), per record", q * n);
    for (long i = 0; i < q; ++i) {
      Firmy_ref* ref = Firmy_tab_gets_miasto(tab, "Warszawa", VTAB_CMP_EQUAL);
      sink += ref->size;
      Firmy_ref_delete(&ref);
    }
  }
  {
    Timer t("get_Id EQUAL (index)", n);
    for (long i = 0; i < n; ++i) sink += Firmy_tab_get_Id(tab, static_cast<uint32_t>(i + 1), VTAB_CMP_EQUAL)->flags;
  }
  Firmy_tab_delete(&tab);
}

}  // namespace

int main(int argc, char** argv) {
  long n = argc > 1 ? std::atol(argv[1]) : 1000000;
  if (n < 100) n = 100;
  bench_stock(n);
  bench_firms(n / 10);
  std::printf("(checksum %ld)\n", sink);
  return 0;
}
