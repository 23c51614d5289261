// The start-up pass over the repair keys of "Naprawy.dat" (before the tables
// are loaded): a key that an earlier repair of the file already has is given
// to the later one again as the next free key of its range.
#include <cerrno>
#include <cstdio>
#include <new>
#include <string>
#include <unordered_set>

#include "db/mgs.hpp"
#include "db/vtab_file.hpp"
#include "mages/repairs/mgs_Naprawy0.hpp"
#include "platform/paths.hpp"

namespace {

constexpr std::uint32_t kLastLo = NAPRAWY_ID_PLANOWANE - 1;
constexpr std::uint32_t kLastHi = 4294967295u;

// The scratch table of the pass, freed however the pass ends.
struct scratch {
  Naprawy_tab* tab = Naprawy_tab_new();
  ~scratch() { Naprawy_tab_delete(&tab); }
};

enum class walk { same, changed, no_memory };

// One range: keys first .. last, the greatest of them in use `top`.  The
// first record with a key keeps it; a later one takes top + 1, unless top is
// the range's last key, when it is reported and left.
walk renumber(Naprawy_tab* tab, std::uint32_t first, std::uint32_t last, std::uint32_t top, const char* what) {
  walk result = walk::same;
  try {
    std::unordered_set<std::uint32_t> seen;
    for (Naprawy_listelem* e = tab->first; e; e = e->next) {
      const std::uint32_t id = e->row ? e->row->Id : 0;
      if (id < first || id > last) continue;
      if (seen.insert(id).second) continue;
      if (top >= last) {
        std::printf("powtorzone Id=%ld -> no free Id left in its range, left as it is !\n", static_cast<long>(id));
        continue;
      }
      ++top;
      std::printf("powtorzone Id=%ld -> added_Id_%s=%ld\n", static_cast<long>(id), what, static_cast<long>(top));
      if (!Naprawy_tab_rekey(tab, e, top)) return walk::no_memory;
      result = walk::changed;
    }
  } catch (const std::bad_alloc&) {
    std::printf("Naprawy_repair_Ids() Ids_%s_tab==NULL\n", what);
    return walk::no_memory;
  }
  return result;
}

}  // namespace

bool Naprawy_tab_rekey(Naprawy_tab* tab, Naprawy_listelem* e, std::uint32_t id) {
  Naprawy_ref* one = Naprawy_ref_new();
  if (!one || !Naprawy_ref_append(one, e)) {
    if (one) Naprawy_ref_delete(&one);
    return false;
  }
  const int rc = Naprawy_tab_update_Id(tab, one, id);
  Naprawy_ref_delete(&one);
  return rc == 0;
}

int Naprawy_repair_Ids() {
  std::printf("Naprawy_repair_Ids()\n");
  const std::string path = kal::path_join(MGS_DATA_PATH, "Naprawy.dat");
  kal::TextIn in;
  if (vtab_file_open(path, in) != 0) {
    // Missing or unreadable: nothing to renumber, and nothing is written
    // over a file that could not be read.
    std::printf("Naprawy_repair_Ids() Can't open table date file '%s' to read !\n", path.c_str());
    return 1;
  }
  scratch s;
  if (!s.tab) {
    std::printf("Naprawy_repair_Ids() Ids_lo_tab==NULL\n");
    return -1;
  }
  const int loaded = Naprawy_tab_load(in, s.tab);
  if (loaded != 0) {
    // Some records could not be kept: a rewrite would lose them.
    std::printf("Naprawy_repair_Ids() '%s' not loaded whole (rc=%d), left as it is\n", path.c_str(), loaded);
    return -1;
  }

  std::uint32_t lo = 0, hi = 0;
  Naprawy_tab_max_Id_lo(s.tab, &lo);
  std::printf("max_Id_lo=%ld\n", static_cast<long>(lo));
  const walk w_lo = renumber(s.tab, 1, kLastLo, lo, "lo");
  if (w_lo == walk::no_memory) return -1;
  Naprawy_tab_max_Id_hi(s.tab, &hi);
  std::printf("max_Id_hi=%ld\n", static_cast<long>(hi));
  const walk w_hi = renumber(s.tab, NAPRAWY_ID_PLANOWANE + 1, kLastHi, hi, "hi");
  if (w_hi == walk::no_memory) return -1;
  if (w_lo == walk::same && w_hi == walk::same) return 0;

  kal::TextOut out(path);
  Naprawy_tab_save(out, s.tab);
  if (vtab_file_commit(out, &s.tab->damaged) != 0) {
    std::printf("Naprawy_repair_Ids() Can't open table date file '%s' to write !\n", path.c_str());
    return 1;
  }
  return 0;
}
