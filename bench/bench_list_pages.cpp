// Timing of the list pages on the data of a busy workshop after ten years:
// 75,000 repairs of 20,000 clients and 5,000 goods, in every state.
// Measured, each the best of a few runs:
//   - reading "Naprawy.dat" into a table (the floor of any work on them);
//   - the default list page (all repairs, by Id, first page);
//   - a filtered and sorted page (to repair, a client name prefix, by
//     acceptance date newest first), and its last page;
//   - the export files that every save of the repairs table writes;
//   - the firm list (page 10): the first page by Id, a name prefix by name,
//     the last page by city.
//   bench_list_pages [scale]     (scale 1 by default; 0.1 for a quick run)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "db/mgs.hpp"
#include "db/vtab_file.hpp"
#include "lib/hashtbl.hpp"
#include "mages/firms/mgs_Firmy.hpp"
#include "mages/repairs/mgs_Naprawy_export.hpp"
#include "mages/repairs/mgs_Naprawy_list.hpp"
#include "platform/textfile.hpp"
#include "server/serv.hpp"
#include "server/sess.hpp"
#include "server/ustawienia.hpp"
#include "tests/kal_table_files.hpp"

namespace {

using clk = std::chrono::steady_clock;

template <class Fn>
double best_of(int runs, Fn&& fn) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    const clk::time_point t = clk::now();
    fn();
    best = std::min(best, std::chrono::duration<double>(clk::now() - t).count());
  }
  return best;
}

std::mt19937 rng(2026);

using kal::tables::blank;

const char* const kNames[] = {"Kowalski", "Nowak", "Wiśniewski", "Wójcik", "Kamiński", "Lewandowski", "Zieliński",
                              "Szymański", "Woźniak", "Dąbrowski", "Serwis", "Auto", "Rower", "Ogród", "Łukasz"};

void fill(int repairs, int firms, int goods) {
  std::uniform_int_distribution<int> name(0, std::size(kNames) - 1);
  for (int i = 1; i <= firms; ++i) {
    Firmy f = blank<Firmy>();
    f.Id = static_cast<uint32_t>(i);
    f.nazwa = std::string(kNames[name(rng)]) + " " + std::to_string(i);
    f.miasto = kNames[name(rng)];
    Firmy_tab_insert(_mgs->_Firmy_tab, &f);
  }
  for (int i = 1; i <= goods; ++i) {
    Towary t = blank<Towary>();
    t.Id = static_cast<uint32_t>(i);
    t.nazwa = std::string(kNames[name(rng)]) + " model " + std::to_string(i);
    t.Id_Towary_typy = 3;
    Towary_tab_insert(_mgs->_Towary_tab, &t);
  }
  for (uint32_t s : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 20u}) {
    Naprawy_stany st = blank<Naprawy_stany>();
    st.Id = s;
    st.nazwa = "stan " + std::to_string(s);
    Naprawy_stany_tab_insert(_mgs->_Naprawy_stany_tab, &st);
  }
  const std::int64_t start = 1420070400;  // 2015
  const std::uint32_t states[] = {2, 3, 4, 5, 6, 7, 7, 7, 7, 7, 7, 8, 9};
  std::uniform_int_distribution<int> state(0, std::size(states) - 1), client(1, firms), good(1, goods);
  for (int i = 1; i <= repairs; ++i) {
    Naprawy r = blank<Naprawy>();
    r.Id = static_cast<uint32_t>(i);
    r.data_wplywu = start + static_cast<std::int64_t>(i) * 4200;
    r.numer = std::to_string(i % 7500 + 1) + "/" + std::to_string(2015 + i / 7500);
    r.Id_Naprawy_stany = states[state(rng)];
    r.Id_Firmy__klient = static_cast<uint32_t>(client(rng));
    r.Id_Towary__przyjety = static_cast<uint32_t>(good(rng));
    r.Id_Naprawy_typy = 1;
    r.nr_rej = "KR " + std::to_string(10000 + i);
    r.model = kNames[name(rng)];
    r.opis_naprawy = "wymiana łożyska; przegląd\nogólny";
    r.data_naprawienia_szacunkowa = r.data_wplywu + 7 * 86400;
    r.data_zakonczenia_rzeczywista = r.data_wplywu + 5 * 86400;
    Naprawy_tab_insert(_mgs->_Naprawy_tab, &r);
  }
}

void put(const char* name, const char* value) {
  hashtbl_put(page_params, name, value);
  hashtbl_put(actual_sess, name, value);
}

// One call of page 6, as a request with these variables makes it.
std::size_t list_page(std::initializer_list<std::pair<const char*, const char*>> vars) {
  for (const auto& [k, v] : vars) put(k, v);
  send_buf_len = 0;
  send_buf[0] = 0;
  mgs_Naprawy_list(1);
  return static_cast<std::size_t>(send_buf_len);
}

// One call of page 10, the same way.
std::size_t firm_page(std::initializer_list<std::pair<const char*, const char*>> vars) {
  for (const auto& [k, v] : vars) put(k, v);
  send_buf_len = 0;
  send_buf[0] = 0;
  mgs_Firmy_list();
  return static_cast<std::size_t>(send_buf_len);
}

}  // namespace

int main(int argc, char** argv) {
  const double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
  const int repairs = static_cast<int>(75000 * scale), firms = static_cast<int>(20000 * scale) + 1,
            goods = static_cast<int>(5000 * scale) + 1;
  char tmpl[] = "/tmp/kal_bench_list_XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  std::filesystem::current_path(dir);
  std::filesystem::create_directory("dat");
  std::freopen("/dev/null", "w", stdout);  // the pages talk on the console
  FILE* out = std::fopen("/dev/tty", "w");
  if (!out) out = stderr;

  ustawienia_ht = hashtbl_new(2000);
  ustawienia_desc = hashtbl_new(10);
  for (const auto& [k, v] : {std::pair{"Napraw_na_stronie", "20"}, std::pair{"Firm_na_stronie", "20"}, std::pair{"Prints_rfid", "1"},
                             std::pair{"worker_as_admin", "0"}, std::pair{"Kolor_napraw_wykonanych", "#d8f0dc"}})
    hashtbl_put(ustawienia_ht, k, v);
  actual_sess = hashtbl_new(4096);
  page_params = hashtbl_new(5000);
  page_params00 = hashtbl_new(5000);
  get_params = hashtbl_new(10);
  post_params = hashtbl_new(10);
  hashtbl_put(actual_sess, "user_logged", "0");  // nobody logged in: every repair

  _mgs = mgs_new();
  fill(repairs, firms, goods);
  {
    kal::TextOut file(std::string(MGS_DATA_PATH) + "/Naprawy.dat");
    Naprawy_tab_save(file, _mgs->_Naprawy_tab);
    file.commit();
  }
  const double read = best_of(3, [] {
    kal::TextIn in;
    vtab_file_open(std::string(MGS_DATA_PATH) + "/Naprawy.dat", in);
    Naprawy_tab* t = Naprawy_tab_new();
    Naprawy_tab_load(in, t);
    Naprawy_tab_delete(&t);
  });
  std::size_t bytes = 0;
  if (std::getenv("KAL_BENCH_DUMP")) {
    list_page({{"n_6", ""}, {"Notwarte", "0"}});
    std::fwrite(send_buf, 1, static_cast<std::size_t>(send_buf_len), out);
  }
  const double plain = best_of(5, [&] {
    bytes = list_page({{"n_6", ""}, {"Notwarte", "0"}, {"Nsort", "0"}, {"Naprawy_listing_page_id", "0"}});
  });
  const double filtered = best_of(5, [&] {
    list_page({{"n_6", ""}, {"Notwarte", "2"}, {"Nsort", "14"}, {"Firmy_l", "Now"}, {"Naprawy_listing_page_id", "0"}});
  });
  const double last = best_of(5, [&] {
    list_page({{"n_6", "&gt;|"}, {"Notwarte", "0"}, {"Nsort", "9"}, {"Firmy_l", ""}});
  });
  const double exports = best_of(3, [] { mgs_Naprawy_export(); });
  std::size_t firm_bytes = 0;
  const double firms_plain = best_of(5, [&] {
    firm_bytes = firm_page({{"n_10", ""}, {"Fsort", "0"}, {"Firmy_l", ""}, {"Firmy_listing_page_id", "0"}});
  });
  const double firms_named = best_of(5, [&] {
    firm_page({{"n_10", ""}, {"Fsort", "3"}, {"Firmy_l", "Now"}, {"Firmy_listing_page_id", "0"}});
  });
  const double firms_last = best_of(5, [&] { firm_page({{"n_10", "&gt;|"}, {"Fsort", "8"}, {"Firmy_l", ""}}); });

  std::fprintf(out, "repairs: %d, firms: %d, goods: %d\n", repairs, firms, goods);
  std::fprintf(out, "read Naprawy.dat:                       %8.1f ms\n", read * 1000);
  std::fprintf(out, "list page, all by Id (%zu bytes):      %8.1f ms\n", bytes, plain * 1000);
  std::fprintf(out, "list page, to repair, client, by date:  %8.1f ms\n", filtered * 1000);
  std::fprintf(out, "list page, last, by client name:        %8.1f ms\n", last * 1000);
  std::fprintf(out, "export files (naprawy.csv, .php):       %8.1f ms\n", exports * 1000);
  std::fprintf(out, "firm list, by Id (%zu bytes):          %8.1f ms\n", firm_bytes, firms_plain * 1000);
  std::fprintf(out, "firm list, a name prefix, by name:      %8.1f ms\n", firms_named * 1000);
  std::fprintf(out, "firm list, last, by city:               %8.1f ms\n", firms_last * 1000);

  mgs_delete(&_mgs);
  hashtbl_delete(&actual_sess);
  hashtbl_delete(&page_params);
  hashtbl_delete(&page_params00);
  hashtbl_delete(&get_params);
  hashtbl_delete(&post_params);
  kal::ustawienia_free();
  std::filesystem::current_path("/");
  std::filesystem::remove_all(dir);
  return 0;
}
