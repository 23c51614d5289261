#include "db/mgs.hpp"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <type_traits>
#include <vector>

#include "db/vtab_file.hpp"
#include "lib/console.hpp"
#include "platform/commit.hpp"
#include "platform/paths.hpp"
#include "platform/textfile.hpp"

// Every table of the list has its slot in the root, in the list's order.
namespace {
constexpr int kSlotCount = 0
#define MGS_X_COUNT(T) +1
    MGS_TABLES(MGS_X_COUNT, MGS_X_COUNT)
#undef MGS_X_COUNT
    ;
static_assert(kSlotCount == 39);
#define MGS_X_CHECK(T)                                                                    \
  static_assert(offsetof(mgs, _##T##_tab) / sizeof(void*) == vtab_meta<T>::options.mgs_slot, \
                #T ": the root's list and the table's slot differ");
MGS_TABLES(MGS_X_CHECK, MGS_X_CHECK)
#undef MGS_X_CHECK

std::string& data_path_storage() {
  static std::string path = "dat";
  return path;
}

// The data directory the tables were last loaded from; empty before any load.
std::string& loaded_path_storage() {
  static std::string path;
  return path;
}

std::string table_path(const char* name) { return kal::path_join(MGS_DATA_PATH, std::string(name) + ".dat"); }

template <class T>
int load_table(typename vtab_meta<T>::tab* tab) {
  const std::string path = table_path(vtab_meta<T>::name);
  kal::TextIn in;
  if (tab == nullptr || vtab_file_open(path, in) != 0) {
    kal::console_printf("Can't open table date file '%s' to read !\n", path.c_str());
    return 1;
  }
  int rc = vtab_api<T>::tab_load(in, tab);
  kal::console_printf("mgs_load() filename='%s' done rc=%d\n", path.c_str(), rc);
  return 0;
}

// The load of one table, run on whichever thread takes it.
struct load_job {
  std::function<int()> load;
  std::uintmax_t bytes = 0;  // the file's size: the greatest loads are begun first
  int failed = 0;
  std::string said;  // its console lines
};

template <class T>
load_job load_job_of(typename vtab_meta<T>::tab* tab) {
  load_job job;
  job.load = [tab] { return load_table<T>(tab); };
  std::error_code error;
  job.bytes = std::filesystem::file_size(table_path(vtab_meta<T>::name), error);
  if (error) job.bytes = 0;
  return job;
}

// Runs the loads on up to as many threads as the machine has cores (the
// tables are independent of each other, and most of a load's time goes into
// building records and indexes), then prints what each load said in the
// order of the jobs.  The calling thread takes its share, and all the loads
// when no thread can be started.
int run_loads(std::vector<load_job>& jobs) {
  std::vector<load_job*> by_size;
  for (load_job& j : jobs) by_size.push_back(&j);
  std::stable_sort(by_size.begin(), by_size.end(),
                   [](const load_job* a, const load_job* b) { return a->bytes > b->bytes; });
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t i = next++; i < by_size.size(); i = next++) {
      kal::console_capture capture(by_size[i]->said);
      by_size[i]->failed = by_size[i]->load();
    }
  };
  const std::size_t helpers = std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), 8) - 1;
  std::vector<std::thread> threads;
  threads.reserve(helpers);
  for (std::size_t i = 0; i < helpers; ++i) {
    try {
      threads.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // the loads left over run here
    }
  }
  work();
  for (std::thread& t : threads) t.join();
  int failed = 0;
  for (const load_job& j : jobs) {
    std::fputs(j.said.c_str(), stdout);
    failed += j.failed;
  }
  return failed;
}

template <class T>
int save_table(typename vtab_meta<T>::tab* tab) {
  // The repairs export goes first, whether the table's file can then be
  // written or not.
  if constexpr (std::is_same_v<T, Naprawy>) mgs_Naprawy_export();
  const std::string path = table_path(vtab_meta<T>::name);
  if (tab != nullptr) {
    // A damaged load concerns the file the table came from: a copy written
    // elsewhere (a backup) neither keeps it aside nor forgets the damage.
    const std::string& loaded = loaded_path_storage();
    const bool own_file = loaded.empty() || loaded == MGS_DATA_PATH;
    // The table's own file lands with the other files the request changes;
    // a copy (a backup) is written at once.
    kal::JoinCommit join(own_file);
    // The file's bytes straight away, into the rewrite's temporary file as
    // they are made.
    kal::TextOut out(path, kal::TextOut::disk_form);
    out.stream();
    vtab_api<T>::tab_save(out, tab);
    if (vtab_file_commit(out, own_file ? &tab->damaged : nullptr) == 0) return 0;
  }
  std::printf("Can't open table date file '%s' to write !\n", path.c_str());
  return 1;
}

}  // namespace

mgs* _mgs = nullptr;
const char* MGS_DATA_PATH = "dat";

void setMGS_DATA_PATH(const char* path) {
  std::string copy = path ? path : "dat";  // path may be MGS_DATA_PATH itself
  data_path_storage() = std::move(copy);
  MGS_DATA_PATH = data_path_storage().c_str();
}

mgs* mgs_new() {
  mgs* root = new (std::nothrow) mgs{};
  if (root == nullptr) return nullptr;
  bool made = true;
#define MGS_X_NEW(T) \
  if (made) made = (root->_##T##_tab = T##_tab_new()) != nullptr;
  MGS_TABLES(MGS_X_NEW, MGS_X_NEW)
#undef MGS_X_NEW
  if (!made) {
    std::printf("mgs_new(): out of memory\n");
    mgs_delete(&root);
  }
  return root;
}

int mgs_load(mgs* root) {
  if (root == nullptr) return 0;
  loaded_path_storage() = MGS_DATA_PATH;
  std::vector<load_job> jobs;
#define MGS_X_LOAD(T) jobs.push_back(load_job_of<T>(root->_##T##_tab));
  MGS_TABLES(MGS_X_LOAD, MGS_X_LOAD)
#undef MGS_X_LOAD
  return run_loads(jobs);
}

#define MGS_X_SAVE(T) \
  int mgs_save_##T(mgs* root) { return save_table<T>(root ? root->_##T##_tab : nullptr); }
#define MGS_X_NOSAVE(T)
MGS_TABLES(MGS_X_SAVE, MGS_X_NOSAVE)
#undef MGS_X_SAVE
#undef MGS_X_NOSAVE

int mgs_save(mgs* root) {
  int failed = 0;
#define MGS_X_SAVE(T) failed += mgs_save_##T(root);
#define MGS_X_NOSAVE(T)
  MGS_TABLES(MGS_X_SAVE, MGS_X_NOSAVE)
#undef MGS_X_SAVE
#undef MGS_X_NOSAVE
  return failed;
}

int mgs_delete(mgs** root) {
  if (root == nullptr || *root == nullptr) return 0;
#define MGS_X_DELETE(T) T##_tab_delete(&(*root)->_##T##_tab);
  MGS_TABLES(MGS_X_DELETE, MGS_X_DELETE)
#undef MGS_X_DELETE
  delete *root;
  *root = nullptr;
  return 0;
}

int main_msg() {
  mgs* root = mgs_new();
  if (root == nullptr) return 0;
  int rc = mgs_load(root);
  if (rc != 0) std::printf("mgs_load() err=%d\n", rc);
  Towary_tab_print(root->_Towary_tab);
  Firmy_tab_print(root->_Firmy_tab);
  Towary_typy_tab_print(root->_Towary_typy_tab);
  rc = mgs_delete(&root);
  if (rc != 0) std::printf("mgs_delete() err=%d\n", rc);
  return 0;
}
