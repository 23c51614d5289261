// The registry: keys holding named string values, kept in files.
//
// The store lives under the directory named by the environment variable
// KALMITOR_REGISTRY_DIR (default /var/lib/kalmitor/registry).  A key path is
// written with backslashes, "SOFTWARE\KALMITOR\2"; every key is a directory of
// the same name under its parent, and its values are one file ".values" in it,
// in the key/value file format (a name, one blank, the value with backslash
// written as "\\" and LF as "\n"; CR LF on disk).  Values keep the order in
// which they were first set.
//
// Names are matched without regard to ASCII case, as the system expects: a key
// made as "SOFTWARE\KALMITOR" is found as "Software\KALMITOR".  A key or value
// keeps the case it was made with.  Empty path pieces (a doubled or trailing
// backslash) are skipped, so "SOFTWARE\KALMITOR\" is "SOFTWARE\KALMITOR".  A
// key name may not be "." or "..", begin with ".", or hold "/" or NUL; a value
// name may not be empty or hold a blank, tab, CR, LF or NUL, and a value may
// not hold CR or NUL (the file could not give them back).
//
// Every call returns 0 or an errno code (ENOENT for a missing key or value,
// EINVAL for a bad name, ENOTEMPTY for a key that still has sub-keys, or the
// code of the failing file operation), which is also kept as last_error().
// Every rewrite of a values file goes through atomic_rewrite.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kal {

// The directory of the store.
std::string registry_root();

// 0 when the key exists.
int reg_open_key(std::string_view key);
// Creates the key and every missing key above it.
int reg_create_key(std::string_view key);
// Removes a key and its values; refused (ENOTEMPTY) while it has sub-keys.
int reg_delete_key(std::string_view key);
// Removes a key with everything below it.
int reg_delete_tree(std::string_view key);

// A string value of an existing key.
int reg_get_value(std::string_view key, std::string_view name, std::string* value);
// Sets a value of an existing key (ENOENT when the key is missing).
int reg_set_value(std::string_view key, std::string_view name, std::string_view value);

// Names of the sub-keys, sorted without regard to case.
int reg_sub_keys(std::string_view key, std::vector<std::string>* names);
// Names of the values, in the order they were first set.
int reg_value_names(std::string_view key, std::vector<std::string>* names);

}  // namespace kal
