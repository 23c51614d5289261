#include "platform/commit.hpp"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/textfile.hpp"

namespace kal {

namespace {

constexpr char kHeader[] = "KALMITOR commit";

struct Entry {
  std::string path;  // as the rewrite named it
  std::string tmp;
};

// The open commit.  One thread saves (the server loop); the loads that run
// side by side at start-up write nothing.
struct State {
  int depth = 0;  // open scopes
  int joins = 0;  // live JoinCommit guards
  unsigned long seq = 0;  // the outermost scopes opened so far
  std::string record;
  std::string cwd;  // the current directory when the scope opened, with a "/"
  std::vector<Entry> entries;  // in the order of their first rewrite
  std::unordered_map<std::string, std::size_t> by_path;  // absolute path -> entry
  bool failed = false;
  std::string why;
  std::vector<std::function<void()>> on_abort;

  void clear() {
    entries.clear();
    by_path.clear();
    failed = false;
    why.clear();
    on_abort.clear();
  }
};

State& state() {
  static State s;
  return s;
}

std::string current_dir() {
  std::string dir;
  char buf[4096];
  if (::getcwd(buf, sizeof buf) != nullptr) dir = buf;
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

std::string absolute_in(const std::string& cwd, const std::string& path) {
  std::filesystem::path p = !path.empty() && path[0] == '/' ? std::filesystem::path(path)
                                                            : std::filesystem::path(cwd + path);
  return p.lexically_normal().string();
}

std::string dir_of(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

void sync_dir(const std::string& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

void sync_dirs_of(const std::vector<std::string>& paths) {
  std::set<std::string> dirs;
  for (const std::string& p : paths) dirs.insert(dir_of(p));
  for (const std::string& d : dirs) sync_dir(d);
}

uint64_t fnv1a(const std::string& text) {
  uint64_t h = 14695981039346656037ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

std::string trailer(const std::string& body, std::size_t files) {
  char line[64];
  std::snprintf(line, sizeof line, "end %zu %016" PRIx64 "\n", files, fnv1a(body));
  return line;
}

// Writes the record in place and syncs it: the moment the commit is made.
// A record that did not exist yet has its directory synced too.
int write_record(const std::string& record, const std::string& text, std::string* why) {
  bool created = false;
  int fd = ::open(record.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) {
    fd = ::open(record.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    created = fd >= 0;
  }
  if (fd < 0) {
    *why = "cannot open '" + record + "': " + std::strerror(errno);
    return -1;
  }
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::pwrite(fd, text.data() + done, text.size() - done, static_cast<off_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      *why = "cannot write '" + record + "': " + std::strerror(errno);
      ::close(fd);
      return -1;
    }
    done += static_cast<std::size_t>(n);
  }
  if (::ftruncate(fd, static_cast<off_t>(text.size())) != 0 || ::fdatasync(fd) != 0) {
    *why = "cannot sync '" + record + "': " + std::strerror(errno);
    ::close(fd);
    return -1;
  }
  ::close(fd);
  if (created) sync_dir(dir_of(absolute_in(current_dir(), record)));
  return 0;
}

// Syncs a temporary of the commit; false (with why) when it cannot.
bool sync_temporary(const std::string& tmp, std::string* why) {
  const int fd = ::open(tmp.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || ::fsync(fd) != 0) {
    *why = "cannot sync '" + tmp + "': " + std::strerror(errno);
    if (fd >= 0) ::close(fd);
    return false;
  }
  ::close(fd);
  return true;
}

// Empties the record (a commit it lists is done or dropped).
void empty_record(const std::string& record) {
  const int fd = ::open(record.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return;
  ::fdatasync(fd);
  ::close(fd);
}

// Drops what the open commit holds: the temporaries go, the old files stay.
void discard(State& s) {
  for (const Entry& e : s.entries) ::unlink(e.tmp.c_str());
  std::vector<std::function<void()>> undo = std::move(s.on_abort);
  s.clear();
  for (auto& fn : undo) fn();
}

int failure(const std::string& why, std::string* err, int rc) {
  std::printf("commit() nothing of this change was saved: %s\n", why.c_str());
  if (err) *err = why;
  return rc;
}

// Renames every temporary over its file and syncs their directories; -1 when
// a rename failed (that file keeps its old contents).
int land(const std::vector<Entry>& entries, std::string* why) {
  int rc = 0;
  std::vector<std::string> renamed;
  for (const Entry& e : entries) {
    if (::rename(e.tmp.c_str(), e.path.c_str()) != 0) {
      const int err = errno;
      ::unlink(e.tmp.c_str());
      if (rc == 0) *why = "cannot replace '" + e.path + "': " + std::strerror(err);
      std::printf("commit() cannot replace '%s': %s\n", e.path.c_str(), std::strerror(err));
      rc = -1;
      continue;
    }
    renamed.push_back(e.path);
  }
  sync_dirs_of(renamed);
  return rc;
}

}  // namespace

CommitScope::CommitScope(std::string record_path) {
  State& s = state();
  outermost_ = s.depth == 0;
  ++s.depth;
  if (outermost_) {
    s.clear();
    s.record = std::move(record_path);
    s.cwd = current_dir();
    ++s.seq;
  }
}

CommitScope::~CommitScope() {
  State& s = state();
  if (outermost_ && !done_ && !s.entries.empty()) {
    std::printf("commit() dropped %zu file(s) never committed\n", s.entries.size());
    discard(s);
  }
  if (outermost_ && !done_) s.clear();
  --s.depth;
}

int CommitScope::commit(std::string* err) {
  State& s = state();
  if (done_) return 0;
  done_ = true;
  if (!outermost_) return s.failed ? -1 : 0;
  if (s.failed) {
    const std::string why = s.why;
    discard(s);
    return failure(why, err, -1);
  }
  if (s.entries.empty()) {
    s.clear();
    return 0;
  }
  std::vector<Entry> entries = std::move(s.entries);
  std::string why;
  // Every temporary is whole on the disk before anything names it.
  for (const Entry& e : entries)
    if (!sync_temporary(e.tmp, &why)) {
      s.entries = std::move(entries);
      discard(s);
      return failure(why, err, -2);
    }
  if (entries.size() > 1) {
    // More than one file: the record first, so that a crash during the
    // renames is completed at the next start.
    std::string body = std::string(kHeader) + "\n";
    for (const Entry& e : entries) {
      const std::string tmp = absolute_in(s.cwd, e.tmp), path = absolute_in(s.cwd, e.path);
      if (tmp.find_first_of("\t\n") != std::string::npos || path.find_first_of("\t\n") != std::string::npos) {
        why = "a file name holds a tab or a line end: '" + e.path + "'";
        break;
      }
      body += tmp + "\t" + path + "\n";
    }
    if (why.empty()) write_record(s.record, body + trailer(body, entries.size()), &why);
    if (!why.empty()) {
      s.entries = std::move(entries);
      discard(s);
      return failure(why, err, -2);
    }
    if (commit_detail::after_record) commit_detail::after_record();
  }
  s.clear();
  if (land(entries, &why) != 0) {
    std::printf("commit() cannot replace every file: %s\n", why.c_str());
    if (err) *err = why;
    return -2;
  }
  return 0;
}

JoinCommit::JoinCommit(bool join) : join_(join) {
  if (join_) ++state().joins;
}

JoinCommit::~JoinCommit() {
  if (join_) --state().joins;
}

bool commit_joining() {
  const State& s = state();
  return s.depth > 0 && s.joins > 0;
}

void commit_on_abort(std::function<void()> fn) {
  State& s = state();
  if (s.depth > 0 && fn) s.on_abort.push_back(std::move(fn));
}

namespace commit_detail {

void (*after_record)() = nullptr;

std::string temp_name(const std::string& path) {
  return path + ".c" + std::to_string(state().seq) + ".tmp" + std::to_string(::getpid());
}

void add(const std::string& path, const std::string& tmp) {
  State& s = state();
  const std::string key = absolute_in(s.cwd, path);
  auto it = s.by_path.find(key);
  if (it != s.by_path.end()) {
    // The earlier temporary goes, unless it is this one named otherwise.
    Entry& e = s.entries[it->second];
    if (absolute_in(s.cwd, e.tmp) != absolute_in(s.cwd, tmp)) ::unlink(e.tmp.c_str());
    e.tmp = tmp;
    return;
  }
  s.by_path.emplace(key, s.entries.size());
  s.entries.push_back({path, tmp});
}

void fail(const std::string& why) {
  State& s = state();
  if (s.failed) return;
  s.failed = true;
  s.why = why;
}

const std::string* pending(const std::string& path) {
  const State& s = state();
  if (s.entries.empty()) return nullptr;
  auto it = s.by_path.find(absolute_in(s.cwd, path));
  return it == s.by_path.end() ? nullptr : &s.entries[it->second].tmp;
}

}  // namespace commit_detail

int commit_recover(const std::string& record_path) {
  std::string text;
  if (read_file(record_path, text) != 0 || text.empty()) return 0;
  // The pairs the record names, and whether it is whole.
  std::vector<Entry> entries;
  bool whole = false;
  const std::string head = std::string(kHeader) + "\n";
  if (text.compare(0, head.size(), head) == 0) {
    std::size_t at = head.size();
    while (at < text.size()) {
      const std::size_t nl = text.find('\n', at);
      if (nl == std::string::npos) break;
      const std::string line = text.substr(at, nl - at);
      if (line.compare(0, 4, "end ") == 0) {
        whole = nl + 1 == text.size() && text.substr(at) == trailer(text.substr(0, at), entries.size());
        break;
      }
      const std::size_t tab = line.find('\t');
      if (tab == std::string::npos) break;
      entries.push_back({line.substr(tab + 1), line.substr(0, tab)});
      at = nl + 1;
    }
  }
  int replaced = 0;
  std::vector<std::string> touched;
  for (const Entry& e : entries) {
    if (!file_exists(e.tmp)) continue;  // renamed before the stop, or never made
    if (whole) {
      if (::rename(e.tmp.c_str(), e.path.c_str()) == 0) {
        std::printf("commit_recover() '%s' replaced, as the interrupted commit had it\n", e.path.c_str());
        touched.push_back(e.path);
        ++replaced;
      } else {
        std::printf("commit_recover() cannot replace '%s': %s\n", e.path.c_str(), std::strerror(errno));
      }
    } else if (::unlink(e.tmp.c_str()) == 0) {
      std::printf("commit_recover() removed '%s' of a commit never made; '%s' stays as it was\n", e.tmp.c_str(),
                  e.path.c_str());
    }
  }
  sync_dirs_of(touched);
  empty_record(record_path);
  return replaced;
}

}  // namespace kal
