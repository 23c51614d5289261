// Timing of the database root on the data of a busy workshop after ten years:
// 75,000 repairs, 20,000 firms, 50,000 goods with their stock, 100,000
// documents with 500,000 lines, 40,000 items of equipment with their
// extension rows.  The files are written into a temporary directory, then
//   - mgs_load of the whole root, next to reading the same files' bytes;
//   - mgs_save_<T> of the largest table, next to writing its bytes to a file
//     and syncing it;
//   - the resident size of a fresh process before and after an mgs_load of
//     those files, and after the mgs_delete.
//   bench_mgs [scale] [--keep]   (scale 1 by default; 0.1 for a quick run;
//                                 --keep leaves the files for the runs below)
//   bench_mgs --load DIR [runs]  loads DIR's tables runs times (1 by default)
//                                and tells the resident sizes: for profiling
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "db/mgs.hpp"
#include "db/vtab_file.hpp"
#include "platform/textfile.hpp"

namespace {

using clk = std::chrono::steady_clock;

double seconds_since(clk::time_point t) { return std::chrono::duration<double>(clk::now() - t).count(); }

// The best of a few runs: the one least disturbed by the rest of the machine.
template <class Fn>
double best_of(int runs, Fn&& fn) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    clk::time_point t = clk::now();
    fn();
    best = std::min(best, seconds_since(t));
  }
  return best;
}

std::mt19937 rng(2024);

const char* const kWords[] = {"wymiana", "łożyska", "silnik", "hamulce", "klocki", "tarcze", "olej", "filtr",
                              "przegląd", "naprawa", "gwarancja", "uszczelka", "pompa", "pasek", "rozrząd",
                              "sprzęgło", "akumulator", "Kowalski", "Nowak", "Wiśniewski", "ul.", "Długa", "Polna",
                              "Kraków", "Gdańsk", "Łódź", "sp. z o.o.", "serwis", "rower", "kosiarka", "piła"};

std::string words(int max_words) {
  std::uniform_int_distribution<int> count(0, max_words), pick(0, std::size(kWords) - 1);
  std::string s;
  for (int n = count(rng); n > 0; --n) {
    if (!s.empty()) s.push_back(' ');
    s += kWords[pick(rng)];
  }
  return s;
}

// A record of table T with values of the sizes a workshop's records have:
// texts of up to text_words words (about a third of them empty), numbers of
// every size.
template <class T>
T make(uint32_t id, int text_words) {
  T r{};
  std::uniform_int_distribution<int> third(0, 2);
  std::uniform_int_distribution<uint32_t> ref(1, 100000);
  std::uniform_int_distribution<int64_t> when(1262304000, 1735689600);
  std::uniform_real_distribution<double> money(0, 5000);
  vtab_meta<T>::for_each_field([&](auto f) {
    using F = decltype(f);
    using V = typename F::type;
    auto& v = F::of(r);
    if constexpr (F::pos == 0 && std::is_same_v<V, uint32_t>) v = id;
    else if constexpr (std::is_same_v<V, uint32_t>) v = ref(rng);
    else if constexpr (std::is_same_v<V, int64_t>) v = when(rng);
    else if constexpr (std::is_same_v<V, int32_t>) v = third(rng);
    else if constexpr (std::is_same_v<V, double>) v = static_cast<long>(money(rng) * 100) / 100.0;
    else if constexpr (std::is_same_v<V, char>) v = third(rng) == 0 ? 'T' : 'N';
    else v = third(rng) == 0 ? std::string() : words(text_words);
  });
  return r;
}

template <class T>
void fill(typename vtab_meta<T>::tab* tab, long n, int text_words) {
  for (long i = 1; i <= n; ++i) {
    T r = make<T>(static_cast<uint32_t>(i), text_words);
    if (vtab_api<T>::tab_insert(tab, &r) != 0) std::abort();
  }
}

std::vector<std::string> table_files(const std::string& dir) {
  std::vector<std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    if (e.path().extension() == ".dat") files.push_back(e.path().string());
  return files;
}

// VmRSS of /proc/self/status, in MB; 0 when it cannot be read.
double resident_mb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  return 0;
}

// The tables of dir loaded runs times in this process; the resident sizes
// before the first load, after it and after its mgs_delete.
int load_only(const char* dir, int runs) {
  setMGS_DATA_PATH(dir);
  double before = resident_mb(), loaded = 0, deleted = 0, best = 1e9;
  std::fflush(stdout);
  int saved_stdout = ::dup(1);
  int devnull = ::open("/dev/null", O_WRONLY);
  for (int i = 0; i < runs; ++i) {
    ::dup2(devnull, 1);
    mgs* r = mgs_new();
    clk::time_point t = clk::now();
    int rc = mgs_load(r);
    best = std::min(best, seconds_since(t));
    std::fflush(stdout);
    ::dup2(saved_stdout, 1);
    if (rc != 0) return 1;
    if (i == 0) loaded = resident_mb();
    mgs_delete(&r);
    if (i == 0) deleted = resident_mb();
  }
  ::close(devnull);
  ::close(saved_stdout);
  std::printf("mgs_load, all tables      %8.1f ms (best of %d)\n", best * 1e3, runs);
  std::printf("resident before the load  %8.1f MB\n", before);
  std::printf("resident after the load   %8.1f MB\n", loaded);
  std::printf("resident after mgs_delete %8.1f MB\n", deleted);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 && std::string(argv[1]) == "--load") return load_only(argv[2], argc > 3 ? std::atoi(argv[3]) : 1);
  const bool keep = argc > 2 && std::string(argv[2]) == "--keep";
  const double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
  auto count = [&](long n) { return std::max(1L, static_cast<long>(n * scale)); };
  char tmpl[] = "/tmp/kal_bench_mgs_XXXXXX";
  if (::mkdtemp(tmpl) == nullptr) return 1;
  const std::string dir = tmpl;
  setMGS_DATA_PATH(dir.c_str());
  // The repairs' save also writes the export files into the current
  // directory: the temporary one takes them.
  if (::chdir(dir.c_str()) != 0) return 1;

  std::printf("generating the data of ten years (scale %.2f) ...\n", scale);
  mgs* root = mgs_new();
  fill<Firmy>(root->_Firmy_tab, count(20000), 3);
  fill<Naprawy>(root->_Naprawy_tab, count(75000), 6);
  fill<Naprawy_ext>(root->_Naprawy_ext_tab, count(75000), 2);
  fill<Towary>(root->_Towary_tab, count(50000), 3);
  fill<Towary_magazyn>(root->_Towary_magazyn_tab, count(50000), 0);
  fill<Transakcje>(root->_Transakcje_tab, count(100000), 2);
  fill<Towary_transakcje>(root->_Towary_transakcje_tab, count(500000), 0);
  fill<Serwis>(root->_Serwis_tab, count(40000), 2);
  fill<Sprzet_ext>(root->_Sprzet_ext_tab, count(40000), 1);
  fill<Cykle>(root->_Cykle_tab, count(40000), 1);
  if (mgs_save(root) != 0) return 1;
  mgs_delete(&root);
  kal::atomic_rewrite(dir + "/Kody_poczt.dat", "");  // comes with the installation

  std::uintmax_t total = 0;
  std::string largest;
  std::uintmax_t largest_size = 0;
  for (const std::string& f : table_files(dir)) {
    std::uintmax_t size = std::filesystem::file_size(f);
    total += size;
    if (size > largest_size) {
      largest_size = size;
      largest = std::filesystem::path(f).stem().string();
    }
  }
  std::printf("%zu files, %.1f MB; the largest, %s.dat, %.1f MB\n\n", table_files(dir).size(), total / 1e6,
              largest.c_str(), largest_size / 1e6);

  // Loading, with the console lines of the load out of the way.
  std::fflush(stdout);
  int saved_stdout = ::dup(1);
  int devnull = ::open("/dev/null", O_WRONLY);
  double load = 1e9;
  for (int i = 0; i < 5; ++i) {
    std::fflush(stdout);
    ::dup2(devnull, 1);
    mgs* r = mgs_new();
    clk::time_point t = clk::now();
    if (mgs_load(r) != 0) std::abort();
    load = std::min(load, seconds_since(t));
    std::fflush(stdout);
    ::dup2(saved_stdout, 1);
    mgs_delete(&r);
  }
  double read = best_of(5, [&] {
    std::string bytes;
    for (const std::string& f : table_files(dir))
      if (kal::read_file(f, bytes) != 0) std::abort();
  });
  // Where the time of a load goes, for the largest tables.
  // open: the file read and its line ends turned; parse: the records read
  // into one record, nothing stored; load: parsed, stored and indexed.
  std::printf("%-20s %8s %9s %9s %9s %9s\n", "table", "MB", "records", "open ms", "parse ms", "load ms");
  auto detail = [&](auto tag, long records) {
    using T = decltype(tag);
    const std::string path = dir + "/" + vtab_meta<T>::name + ".dat";
    kal::TextIn in;
    double open = best_of(3, [&] {
      if (vtab_file_open(path, in) != 0) std::abort();
    });
    double parse = 1e9;
    for (int i = 0; i < 3; ++i) {
      vtab_file_open(path, in);
      T row{};
      int eof = 0;
      clk::time_point t = clk::now();
      if (vtab_meta<T>::options.header_line) vtab_read_ver(in);
      while (!eof) vtab_api<T>::from_file(&row, in, &eof);
      parse = std::min(parse, seconds_since(t));
    }
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
      vtab_file_open(path, in);
      auto* tab = vtab_api<T>::tab_new();
      clk::time_point t = clk::now();
      vtab_api<T>::tab_load(in, tab);
      best = std::min(best, seconds_since(t));
      vtab_api<T>::tab_delete(&tab);
    }
    std::printf("%-20s %8.1f %9ld %9.1f %9.1f %9.1f\n", vtab_meta<T>::name, std::filesystem::file_size(path) / 1e6,
                records, open * 1e3, parse * 1e3, best * 1e3);
  };
  detail(Naprawy{}, count(75000));
  detail(Towary_transakcje{}, count(500000));
  detail(Transakcje{}, count(100000));
  detail(Sprzet_ext{}, count(40000));
  detail(Towary{}, count(50000));
  std::printf("\n");
  std::printf("files in the page cache:\n");
  std::printf("mgs_load, all tables      %8.1f ms\n", load * 1e3);
  std::printf("read the same bytes       %8.1f ms\n", read * 1e3);
  std::printf("ratio                     %8.2f\n\n", load / read);

  // The same from the disk, as at a start after the machine has booted: the
  // files' pages are dropped from the cache first (they are clean: every
  // save synced them).
  auto drop_cache = [&] {
    for (const std::string& f : table_files(dir)) {
      int fd = ::open(f.c_str(), O_RDONLY);
      ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
      ::close(fd);
    }
  };
  double cold_load = 1e9, cold_read = 1e9;
  for (int i = 0; i < 3; ++i) {
    drop_cache();
    std::fflush(stdout);
    ::dup2(devnull, 1);
    mgs* r = mgs_new();
    clk::time_point t = clk::now();
    mgs_load(r);
    cold_load = std::min(cold_load, seconds_since(t));
    std::fflush(stdout);
    ::dup2(saved_stdout, 1);
    mgs_delete(&r);
    drop_cache();
    t = clk::now();
    std::string bytes;
    for (const std::string& f : table_files(dir)) kal::read_file(f, bytes);
    cold_read = std::min(cold_read, seconds_since(t));
  }
  std::printf("files read from the disk:\n");
  std::printf("mgs_load, all tables      %8.1f ms\n", cold_load * 1e3);
  std::printf("read the same bytes       %8.1f ms\n", cold_read * 1e3);
  std::printf("ratio                     %8.2f\n\n", cold_load / cold_read);

  // Saving the largest table through the root, next to a raw write and sync.
  root = mgs_new();
  std::fflush(stdout);
  ::dup2(devnull, 1);
  mgs_load(root);
  std::fflush(stdout);
  ::dup2(saved_stdout, 1);
  int (*save)(mgs*) = nullptr;
#define X(T) \
  if (largest == #T) save = &mgs_save_##T;
#define N(T)
  MGS_TABLES(X, N)
#undef X
#undef N
  if (save == nullptr) return 1;
  double saving = best_of(5, [&] {
    if (save(root) != 0) std::abort();
  });
  std::string bytes;
  kal::read_file(dir + "/" + largest + ".dat", bytes);
  const std::string raw_path = dir + "/raw.bin";
  double write = best_of(5, [&] {
    int fd = ::open(raw_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) || ::fsync(fd) != 0)
      std::abort();
    ::close(fd);
  });
  // Where the time of that save goes: the records formatted and written
  // into the temporary file, then its sync and rename.
  double records = 0, rewrite = 0, exports = 0;
  auto parts = [&](auto tag, auto* tab) {
    using T = decltype(tag);
    records = rewrite = 1e9;
    for (int i = 0; i < 3; ++i) {
      clk::time_point t = clk::now();
      kal::TextOut out(raw_path, kal::TextOut::disk_form);
      out.stream();
      vtab_api<T>::tab_save(out, tab);
      records = std::min(records, seconds_since(t));
      t = clk::now();
      out.commit();
      rewrite = std::min(rewrite, seconds_since(t));
    }
    if constexpr (std::is_same_v<T, Naprawy>) {
      // With the root as the program's, so that the files hold the clients
      // and goods.
      mgs* program = _mgs;
      _mgs = root;
      std::fflush(stdout);
      ::dup2(devnull, 1);
      exports = best_of(3, [] { mgs_Naprawy_export(); });
      std::fflush(stdout);
      ::dup2(saved_stdout, 1);
      _mgs = program;
    }
  };
#define X(T) \
  if (largest == #T) parts(T{}, root->_##T##_tab);
#define N(T)
  MGS_TABLES(X, N)
#undef X
#undef N
  std::printf("  records written         %8.1f ms\n", records * 1e3);
  std::printf("  sync and rename         %8.1f ms\n", rewrite * 1e3);
  if (exports > 0) std::printf("  the repairs' exports    %8.1f ms\n", exports * 1e3);
  std::printf("mgs_save_%-17s %8.1f ms\n", largest.c_str(), saving * 1e3);
  std::printf("write + fsync same bytes  %8.1f ms\n", write * 1e3);
  std::printf("ratio                     %8.2f\n", saving / write);
  if (largest == "Naprawy") {
    // As the running program saves the repairs: its root is the program's,
    // so the two export files written with every save hold the clients and
    // goods of ten years; next to writing the three files' bytes raw.
    mgs* program = _mgs;
    _mgs = root;
    std::fflush(stdout);
    ::dup2(devnull, 1);
    const double full = best_of(3, [&] {
      if (save(root) != 0) std::abort();
    });
    std::fflush(stdout);
    ::dup2(saved_stdout, 1);
    _mgs = program;
    std::vector<std::string> files(3);
    files[0] = bytes;
    kal::read_file("naprawy.csv", files[1]);
    kal::read_file("Naprawy_txt.php", files[2]);
    std::size_t total_bytes = 0;
    for (const std::string& f : files) total_bytes += f.size();
    const double raw = best_of(3, [&] {
      for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string path = raw_path + std::to_string(i);
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::write(fd, files[i].data(), files[i].size()) != static_cast<ssize_t>(files[i].size()) ||
            ::fsync(fd) != 0)
          std::abort();
        ::close(fd);
      }
    });
    std::printf("with its export files     %8.1f ms (%.1f MB in three files)\n", full * 1e3, total_bytes / 1e6);
    std::printf("write + fsync same bytes  %8.1f ms\n", raw * 1e3);
    std::printf("ratio                     %8.2f\n", full / raw);
    for (const char* f : {"naprawy.csv", "Naprawy_txt.php"}) std::filesystem::remove(f);
    for (int i = 0; i < 3; ++i) std::filesystem::remove(raw_path + std::to_string(i));
  }
  mgs_delete(&root);
  std::filesystem::remove(raw_path);

  // The resident size, in a process of its own that does nothing but load.
  std::printf("\nthe tables of %.1f MB loaded in a fresh process:\n", total / 1e6);
  std::fflush(stdout);
  pid_t child = ::fork();
  if (child == 0) {
    ::execl("/proc/self/exe", "bench_mgs", "--load", dir.c_str(), "1", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    std::printf("(the load in a fresh process failed)\n");

  ::close(devnull);
  ::close(saved_stdout);
  if (keep) {
    std::printf("\nthe files are kept in %s\n", dir.c_str());
    return 0;
  }
  std::filesystem::remove_all(dir);
  setMGS_DATA_PATH("dat");
  return 0;
}
