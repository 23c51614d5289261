// Timing of the goods CSV files on a large catalogue: the export of N goods,
// their import into an empty installation (every line makes a goods), and
// the same file imported again (every line finds its goods by name).  One
// pass each; the time per goods should not grow with N.
//   bench_goods_import [goods]     (50000 by default)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "db/mgs.hpp"
#include "mages/goods/mgs_Towary_csv.hpp"
#include "server/oo_texts.hpp"
#include "server/serv.hpp"
#include "server/ustawienia.hpp"

namespace {

using clk = std::chrono::steady_clock;

double seconds_since(clk::time_point t) { return std::chrono::duration<double>(clk::now() - t).count(); }

void report(const char* what, double s, long n) {
  std::printf("%-36s %8.3f s  %8.2f us/goods\n", what, s, s * 1e6 / static_cast<double>(n));
}

void fresh_root() {
  mgs_delete(&_mgs);
  _mgs = mgs_new();
  Stawki_VAT rate{1, "23%", "23"};
  Stawki_VAT_tab_insert(_mgs->_Stawki_VAT_tab, &rate);
}

}  // namespace

int main(int argc, char** argv) {
  const long n = argc > 1 ? std::atol(argv[1]) : 50000;
  char tmpl[] = "/tmp/kal_bench_goods_XXXXXX";
  const char* dir = ::mkdtemp(tmpl);
  if (!dir) return 1;
  const std::filesystem::path saved = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  std::filesystem::create_directory("dat");
  oo_texts_set_lang(0);
  setMGS_DATA_PATH("dat");
  ustawienia_ht = hashtbl_new(100);
  ustawienia_desc = hashtbl_new(100);

  fresh_root();
  for (long i = 1; i <= n; ++i) {
    const std::string name = "Towar numer " + std::to_string(i * 7919 % (n * 10));
    Towary t{};
    t.Id = static_cast<uint32_t>(i);
    t.nazwa = name;
    t.PKWiU = "";
    t.kod = "K" + std::to_string(i);
    t.rfid = "";
    t.opis = "opis towaru numer " + std::to_string(i);
    t.sciezka_do_pliku = "";
    t.ostatnia_cena_kupna = static_cast<double>(i % 1000) / 7;
    t.cena_sprzedazy = static_cast<double>(i % 1000) / 5;
    t.Id_Stawki_VAT = 1;
    t.Id_Towary_typy = 1 + i % 3;
    t.Id_Jednostki_metryczne = 1;
    Towary_tab_insert(_mgs->_Towary_tab, &t);
  }

  clk::time_point t0 = clk::now();
  mgs_Towary_to_csv(';', "towary.csv");
  report("export", seconds_since(t0), n);

  fresh_root();
  send_buf_len = 0;
  t0 = clk::now();
  Towary_import_z_csv();
  report("import into an empty catalogue", seconds_since(t0), n);

  send_buf_len = 0;
  t0 = clk::now();
  Towary_import_z_csv();
  report("import again (every goods known)", seconds_since(t0), n);
  std::printf("goods after the imports: %ld\n", static_cast<long>(_mgs->_Towary_tab->size));

  mgs_delete(&_mgs);
  std::filesystem::current_path(saved);
  std::filesystem::remove_all(dir);
  return 0;
}
