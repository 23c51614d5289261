#include "platform/registry.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/paths.hpp"
#include "platform/syserror.hpp"
#include "platform/textfile.hpp"

namespace kal {

namespace {

constexpr const char* kValuesFile = ".values";

int fail(int code) {
  set_last_error(code);
  return code;
}

int ok() { return 0; }

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  return true;
}

bool less_name(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(ascii_lower(x)) < static_cast<unsigned char>(ascii_lower(y));
  });
}

bool is_dir(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Splits a key path into its names; EINVAL for a name the store cannot hold.
int split_key(std::string_view key, std::vector<std::string>* parts) {
  parts->clear();
  std::size_t i = 0;
  while (i <= key.size()) {
    std::size_t end = key.find('\\', i);
    if (end == std::string_view::npos) end = key.size();
    std::string_view part = key.substr(i, end - i);
    if (!part.empty()) {
      if (part.front() == '.' || part.find('/') != std::string_view::npos ||
          part.find('\0') != std::string_view::npos)
        return EINVAL;
      parts->emplace_back(part);
    }
    i = end + 1;
  }
  return 0;
}

// The entry of dir that is the key name, matched without regard to case.
int find_sub_key(const std::string& dir, const std::string& name, std::string* found) {
  std::string exact = dir + "/" + name;
  if (is_dir(exact)) {
    *found = name;
    return 0;
  }
  DIR* d = ::opendir(dir.c_str());
  if (!d) return errno == ENOTDIR ? ENOENT : errno;
  int rc = ENOENT;
  while (struct dirent* e = ::readdir(d)) {
    if (e->d_name[0] == '.') continue;
    if (!same_name(e->d_name, name)) continue;
    if (!is_dir(dir + "/" + e->d_name)) continue;
    *found = e->d_name;
    rc = 0;
    break;
  }
  ::closedir(d);
  return rc;
}

// The directory of a key; with create, missing keys are made on the way.
int key_dir(std::string_view key, bool create, std::string* dir) {
  std::vector<std::string> parts;
  if (int rc = split_key(key, &parts)) return rc;
  std::string cur = registry_root();
  if (create) {
    if (make_dirs(cur) != 0) return errno ? errno : EIO;
  } else if (!is_dir(cur)) {
    return ENOENT;
  }
  for (const std::string& part : parts) {
    std::string found;
    int rc = find_sub_key(cur, part, &found);
    if (rc == ENOENT && create) {
      if (::mkdir((cur + "/" + part).c_str(), 0755) != 0 && errno != EEXIST) return errno;
      rc = find_sub_key(cur, part, &found);
    }
    if (rc) return rc;
    cur += "/" + found;
  }
  *dir = cur;
  return 0;
}

using ValueList = std::vector<std::pair<std::string, std::string>>;

// Reads a values file; a key without one has no values.  The first of two
// equal names wins, and a last line without LF is not taken.
int read_values(const std::string& dir, ValueList* values) {
  values->clear();
  std::string text;
  if (read_text_file(dir + "/" + kValuesFile, text) != 0) return errno == ENOENT ? 0 : errno;
  enum { Name, Value, Escape } state = Name;
  std::string name, value;
  auto end_line = [&]() {
    bool known = std::any_of(values->begin(), values->end(),
                             [&](const auto& p) { return same_name(p.first, name); });
    if (!name.empty() && !known) values->emplace_back(name, value);
    name.clear();
    value.clear();
    state = Name;
  };
  for (char c : text) {
    if (c == '\r') continue;
    switch (state) {
      case Name:
        if (c == '\n') {
          name.clear();  // a line without a value is not a pair
        } else if (c == ' ' || c == '\t') {
          state = Value;
        } else {
          name += c;
        }
        break;
      case Value:
        if (c == '\n')
          end_line();
        else if (c == '\\')
          state = Escape;
        else
          value += c;
        break;
      case Escape:
        if (c == 'n') {
          value += '\n';
        } else if (c == '\n') {
          value += '\\';
          end_line();
          break;
        } else {
          value += c;  // "\\" and anything unknown: the character itself
        }
        state = Value;
        break;
    }
  }
  return 0;
}

int write_values(const std::string& dir, const ValueList& values) {
  std::string text;
  for (const auto& [name, value] : values) {
    text += name;
    text += ' ';
    for (char c : value) {
      if (c == '\\')
        text += "\\\\";
      else if (c == '\n')
        text += "\\n";
      else
        text += c;
    }
    text += '\n';
  }
  if (write_text_file(dir + "/" + kValuesFile, text) != 0) return errno ? errno : EIO;
  return 0;
}

bool valid_value_name(std::string_view name) {
  if (name.empty()) return false;
  return name.find_first_of(std::string_view(" \t\r\n\0", 5)) == std::string_view::npos;
}

// Holds an exclusive lock on a key's directory while its values file is read
// and rewritten, so that two writers do not lose each other's values.
class KeyLock {
 public:
  explicit KeyLock(const std::string& dir) : fd_(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ >= 0)
      while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
  }
  ~KeyLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  KeyLock(const KeyLock&) = delete;
  KeyLock& operator=(const KeyLock&) = delete;

 private:
  int fd_;
};

int list_sub_keys(const std::string& dir, std::vector<std::string>* names) {
  names->clear();
  DIR* d = ::opendir(dir.c_str());
  if (!d) return errno;
  while (struct dirent* e = ::readdir(d)) {
    if (e->d_name[0] == '.') continue;
    if (is_dir(dir + "/" + e->d_name)) names->emplace_back(e->d_name);
  }
  ::closedir(d);
  std::sort(names->begin(), names->end(), less_name);
  return 0;
}

// Removes the files of one key (its values and any temporary file left by an
// interrupted rewrite), then the directory itself.
int remove_key_dir(const std::string& dir) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return errno;
  std::vector<std::string> files;
  while (struct dirent* e = ::readdir(d)) {
    std::string_view n = e->d_name;
    if (n == kValuesFile || n.substr(0, std::strlen(kValuesFile) + 4) == std::string(kValuesFile) + ".tmp")
      files.emplace_back(n);
  }
  ::closedir(d);
  for (const std::string& f : files)
    if (::unlink((dir + "/" + f).c_str()) != 0 && errno != ENOENT) return errno;
  if (::rmdir(dir.c_str()) != 0) return errno;
  return 0;
}

int delete_tree_dir(const std::string& dir) {
  std::vector<std::string> subs;
  if (int rc = list_sub_keys(dir, &subs)) return rc;
  for (const std::string& s : subs)
    if (int rc = delete_tree_dir(dir + "/" + s)) return rc;
  return remove_key_dir(dir);
}

// The root itself is no key that can be deleted.
bool names_root(std::string_view key) {
  std::vector<std::string> parts;
  return split_key(key, &parts) == 0 && parts.empty();
}

}  // namespace

std::string registry_root() {
  const char* env = std::getenv("KALMITOR_REGISTRY_DIR");
  return (env && *env) ? std::string(env) : std::string("/var/lib/kalmitor/registry");
}

int reg_open_key(std::string_view key) {
  std::string dir;
  if (int rc = key_dir(key, false, &dir)) return fail(rc);
  return ok();
}

int reg_create_key(std::string_view key) {
  std::string dir;
  if (int rc = key_dir(key, true, &dir)) return fail(rc);
  return ok();
}

int reg_delete_key(std::string_view key) {
  if (names_root(key)) return fail(EINVAL);
  std::string dir;
  if (int rc = key_dir(key, false, &dir)) return fail(rc);
  std::vector<std::string> subs;
  if (int rc = list_sub_keys(dir, &subs)) return fail(rc);
  if (!subs.empty()) return fail(ENOTEMPTY);
  if (int rc = remove_key_dir(dir)) return fail(rc);
  return ok();
}

int reg_delete_tree(std::string_view key) {
  if (names_root(key)) return fail(EINVAL);
  std::string dir;
  if (int rc = key_dir(key, false, &dir)) return fail(rc);
  if (int rc = delete_tree_dir(dir)) return fail(rc);
  return ok();
}

int reg_get_value(std::string_view key, std::string_view name, std::string* value) {
  std::string dir;
  if (int rc = key_dir(key, false, &dir)) return fail(rc);
  ValueList values;
  if (int rc = read_values(dir, &values)) return fail(rc);
  for (const auto& p : values) {
    if (same_name(p.first, name)) {
      if (value) *value = p.second;
      return ok();
    }
  }
  return fail(ENOENT);
}

int reg_set_value(std::string_view key, std::string_view name, std::string_view value) {
  if (!valid_value_name(name) || value.find_first_of(std::string_view("\r\0", 2)) != std::string_view::npos)
    return fail(EINVAL);
  std::string dir;
  if (int rc = key_dir(key, false, &dir)) return fail(rc);
  KeyLock lock(dir);
  ValueList values;
  if (int rc = read_values(dir, &values)) return fail(rc);
  auto it = std::find_if(values.begin(), values.end(), [&](const auto& p) { return same_name(p.first, name); });
  if (it != values.end())
    it->second.assign(value);
  else
    values.emplace_back(std::string(name), std::string(value));
  if (int rc = write_values(dir, values)) return fail(rc);
  return ok();
}

int reg_sub_keys(std::string_view key, std::vector<std::string>* names) {
  std::string dir;
  if (int rc = key_dir(key, false, &dir)) return fail(rc);
  if (int rc = list_sub_keys(dir, names)) return fail(rc);
  return ok();
}

int reg_value_names(std::string_view key, std::vector<std::string>* names) {
  names->clear();
  std::string dir;
  if (int rc = key_dir(key, false, &dir)) return fail(rc);
  ValueList values;
  if (int rc = read_values(dir, &values)) return fail(rc);
  for (auto& p : values) names->push_back(std::move(p.first));
  return ok();
}

}  // namespace kal
