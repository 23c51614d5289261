#include "platform/paths.hpp"

#include <cerrno>
#include <sys/stat.h>

namespace kal {

std::string unix_path(std::string_view windows_path) {
  std::string out(windows_path);
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}

std::string path_join(std::string_view a, std::string_view b) {
  std::string left = unix_path(a);
  std::string right = unix_path(b);
  if (left.empty()) return right;
  if (right.empty()) return left;
  while (left.size() > 1 && left.back() == '/') left.pop_back();
  std::size_t skip = 0;
  while (skip < right.size() && right[skip] == '/') ++skip;
  if (left == "/") return left + right.substr(skip);
  return left + "/" + right.substr(skip);
}

bool path_is_confined(std::string_view p) {
  if (p.empty()) return false;
  if (p.front() == '/') return false;
  for (char c : p)
    if (c == '\0' || c == '\\') return false;
  // Refuse ".." as a whole component; names such as "a..b" are fine.
  std::size_t start = 0;
  while (start <= p.size()) {
    std::size_t end = p.find('/', start);
    if (end == std::string_view::npos) end = p.size();
    if (p.substr(start, end - start) == "..") return false;
    start = end + 1;
  }
  // A drive letter ("c:...") is absolute on the system this came from.
  if (p.size() >= 2 && p[1] == ':') return false;
  return true;
}

int make_dirs(const std::string& path) {
  if (path.empty()) return -1;
  std::string cur;
  std::size_t i = 0;
  if (path[0] == '/') {
    cur = "/";
    i = 1;
  }
  while (i <= path.size()) {
    std::size_t end = path.find('/', i);
    if (end == std::string::npos) end = path.size();
    if (end > i) {
      if (!cur.empty() && cur.back() != '/') cur += '/';
      cur.append(path, i, end - i);
      if (::mkdir(cur.c_str(), 0755) != 0 && errno != EEXIST) return -1;
    }
    i = end + 1;
  }
  struct stat st {};
  return (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ? 0 : -1;
}

}  // namespace kal
