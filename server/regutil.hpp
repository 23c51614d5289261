// Registry functions of the service frame: string values under keys given by
// path, on the store of platform/registry.hpp.  Every function returns 0 on
// success and nonzero on failure (the reason is kal::last_error()).
#pragma once

#include <string>
#include <vector>

#include "lib/ostr.hpp"

// The one root the programs use.
enum RegRoot : int { HKEY_LOCAL_MACHINE = 0 };

// A list of texts owning its entries: names read from the registry, or an
// argument list whose entry 0 is the service name.  argv() gives the entries
// as the C array a program's main function takes, ended by NULL.
class StrTab {
 public:
  StrTab() = default;
  explicit StrTab(std::vector<std::string> items) : items_(std::move(items)) {}

  void push_back(std::string s) { items_.push_back(std::move(s)); }
  int count() const { return static_cast<int>(items_.size()); }
  bool empty() const { return items_.empty(); }
  const std::string& operator[](std::size_t i) const { return items_[i]; }
  const std::vector<std::string>& items() const { return items_; }
  void clear() { items_.clear(); }
  // Valid until the list is changed or destroyed.
  char** argv();

 private:
  std::vector<std::string> items_;
  std::vector<char*> ptrs_;
};

// Opens an existing key for reading and writing.
int RegUtil_keyByName(RegRoot root, const char* key);
// Creates a key (and the keys above it).
int RegUtil_makeNewKey(RegRoot root, const char* key);
// Deletes a key without sub-keys.
int RegUtil_deleteKey(RegRoot root, const char* key);
// Deletes a key with all its sub-keys, depth first.
int RegUtil_deleteTree(RegRoot root, const char* key);

// A string value: *text gets a copy and *len its length; when the value or
// the key is missing *text is NULL and *len is -1.
int RegUtil_getValue(ostr* text, long* len, RegRoot root, const char* key, const char* name);
int RegUtil_getParamValue(ostr* text, long* len, RegRoot root, const char* key, const char* name);
// Writes the first len characters of text (up to a NUL) as a string value,
// creating the key when it does not exist.
int RegUtil_setValue(const char* text, long len, RegRoot root, const char* key, const char* name);
int RegUtil_setParamValue(const char* text, long len, RegRoot root, const char* key, const char* name);

// Names of the sub-keys / of the values of a key; an empty list and a failure
// when the key does not open.
int RegUtil_SubKeys(StrTab* names, RegRoot root, const char* key);
int RegUtil_keySubKeys(StrTab* names, RegRoot root, const char* key);
int RegUtil_Params(StrTab* names, RegRoot root, const char* key);
int RegUtil_keyParams(StrTab* names, RegRoot root, const char* key);
// Empties such a list.
void RegUtil_deleleStrTabs(StrTab* list, int n);
