#include "server/regutil.hpp"

#include <cerrno>
#include <cstring>

#include "platform/registry.hpp"
#include "platform/syserror.hpp"

char** StrTab::argv() {
  ptrs_.clear();
  for (std::string& s : items_) ptrs_.push_back(s.data());
  ptrs_.push_back(nullptr);
  return ptrs_.data();
}

namespace {

bool usable(RegRoot root, const char* key) {
  if (root != HKEY_LOCAL_MACHINE || !key) {
    kal::set_last_error(EINVAL);
    return false;
  }
  return true;
}

int names_of(StrTab* names, RegRoot root, const char* key, bool sub_keys) {
  if (names) names->clear();
  if (!names || !usable(root, key)) return EINVAL;
  std::vector<std::string> list;
  int rc = sub_keys ? kal::reg_sub_keys(key, &list) : kal::reg_value_names(key, &list);
  if (rc == 0) *names = StrTab(std::move(list));
  return rc;
}

}  // namespace

int RegUtil_keyByName(RegRoot root, const char* key) {
  if (!usable(root, key)) return EINVAL;
  return kal::reg_open_key(key);
}

int RegUtil_makeNewKey(RegRoot root, const char* key) {
  if (!usable(root, key)) return EINVAL;
  return kal::reg_create_key(key);
}

int RegUtil_deleteKey(RegRoot root, const char* key) {
  if (!usable(root, key)) return EINVAL;
  return kal::reg_delete_key(key);
}

int RegUtil_deleteTree(RegRoot root, const char* key) {
  if (!usable(root, key)) return EINVAL;
  return kal::reg_delete_tree(key);
}

int RegUtil_getValue(ostr* text, long* len, RegRoot root, const char* key, const char* name) {
  if (text) text->reset();
  if (len) *len = -1;
  if (!text || !len || !name || !usable(root, key)) return EINVAL;
  std::string value;
  if (int rc = kal::reg_get_value(key, name, &value)) return rc;
  *len = static_cast<long>(value.size());
  *text = value;
  return 0;
}

int RegUtil_getParamValue(ostr* text, long* len, RegRoot root, const char* key, const char* name) {
  return RegUtil_getValue(text, len, root, key, name);
}

int RegUtil_setValue(const char* text, long len, RegRoot root, const char* key, const char* name) {
  if (!text || len < 0 || !name || !usable(root, key)) {
    kal::set_last_error(EINVAL);
    return EINVAL;
  }
  if (int rc = kal::reg_open_key(key); rc == ENOENT) {
    if ((rc = kal::reg_create_key(key)) != 0) return rc;
  } else if (rc != 0) {
    return rc;
  }
  std::string value(text, strnlen(text, static_cast<std::size_t>(len)));
  return kal::reg_set_value(key, name, value);
}

int RegUtil_setParamValue(const char* text, long len, RegRoot root, const char* key, const char* name) {
  return RegUtil_setValue(text, len, root, key, name);
}

int RegUtil_SubKeys(StrTab* names, RegRoot root, const char* key) { return names_of(names, root, key, true); }
int RegUtil_keySubKeys(StrTab* names, RegRoot root, const char* key) { return names_of(names, root, key, true); }
int RegUtil_Params(StrTab* names, RegRoot root, const char* key) { return names_of(names, root, key, false); }
int RegUtil_keyParams(StrTab* names, RegRoot root, const char* key) { return names_of(names, root, key, false); }

void RegUtil_deleleStrTabs(StrTab* list, int /*n*/) {
  if (list) list->clear();
}
