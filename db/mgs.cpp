#include "db/mgs.hpp"

#include <cstddef>
#include <cstdio>
#include <new>
#include <string>
#include <type_traits>

#include "db/vtab_file.hpp"
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

std::string table_path(const char* name) { return kal::path_join(MGS_DATA_PATH, std::string(name) + ".dat"); }

template <class T>
int load_table(typename vtab_meta<T>::tab* tab) {
  const std::string path = table_path(vtab_meta<T>::name);
  kal::TextIn in;
  if (tab == nullptr || vtab_file_open(path, in) != 0) {
    std::printf("Can't open table date file '%s' to read !\n", path.c_str());
    return 1;
  }
  int rc = vtab_api<T>::tab_load(in, tab);
  std::printf("mgs_load() filename='%s' done rc=%d\n", path.c_str(), rc);
  return 0;
}

template <class T>
int save_table(typename vtab_meta<T>::tab* tab) {
  // The repairs export goes first, whether the table's file can then be
  // written or not.
  if constexpr (std::is_same_v<T, Naprawy>) mgs_Naprawy_export();
  const std::string path = table_path(vtab_meta<T>::name);
  if (tab != nullptr) {
    kal::TextOut out(path);
    vtab_api<T>::tab_save(out, tab);
    if (vtab_file_commit(out, &tab->damaged) == 0) return 0;
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
  int failed = 0;
#define MGS_X_LOAD(T) failed += load_table<T>(root->_##T##_tab);
  MGS_TABLES(MGS_X_LOAD, MGS_X_LOAD)
#undef MGS_X_LOAD
  return failed;
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
