#include "platform/textfile.hpp"

#include "platform/commit.hpp"

#include <cerrno>
#include <climits>
#include <ctime>
#include <unordered_map>
#include <csignal>
#include <cstdarg>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>
#include <vector>

namespace kal {

std::string text_to_disk(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16 + 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

std::string text_from_disk(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    out.push_back(c);
  }
  return out;
}

int read_file(const std::string& path, std::string& out) {
  // What the open commit holds for the file is its contents now.
  if (const std::string* tmp = commit_detail::pending(path)) return read_file(*tmp, out);
  out.clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    return -1;
  }
  if (st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      int e = errno;
      ::close(fd);
      errno = e;
      return -1;
    }
    if (n == 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return 0;
}

int read_text_file(const std::string& path, std::string& out) {
  std::string raw;
  if (read_file(path, raw) != 0) {
    out.clear();
    return -1;
  }
  out = text_from_disk(raw);
  return 0;
}

namespace {

struct CachedText {
  dev_t dev;
  ino_t ino;
  off_t size;
  timespec mtime, ctime;
  std::string text;
};

bool same_time(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

}  // namespace

int read_text_file_cached(const std::string& path, std::string& out) {
  constexpr off_t kLargest = 1 << 20;
  constexpr std::size_t kFiles = 256;
  static std::unordered_map<std::string, CachedText> cache;
  if (commit_detail::pending(path) != nullptr) return read_text_file(path, out);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    const int e = errno;
    cache.erase(path);
    out.clear();
    errno = e;
    return -1;
  }
  if (!S_ISREG(st.st_mode) || st.st_size > kLargest) {
    cache.erase(path);
    return read_text_file(path, out);
  }
  auto it = cache.find(path);
  if (it != cache.end() && it->second.dev == st.st_dev && it->second.ino == st.st_ino &&
      it->second.size == st.st_size && same_time(it->second.mtime, st.st_mtim) &&
      same_time(it->second.ctime, st.st_ctim)) {
    out = it->second.text;
    return 0;
  }
  if (read_text_file(path, out) != 0) {
    if (it != cache.end()) cache.erase(it);
    return -1;
  }
  // A file changed just now may change again within the same clock tick
  // without its times showing it: keep it only once it has been still for a
  // while.
  const std::time_t now = std::time(nullptr);
  const bool settled = now - st.st_mtim.tv_sec >= 2 && now - st.st_ctim.tv_sec >= 2;
  if (!settled) {
    if (it != cache.end()) cache.erase(it);
    return 0;
  }
  if (it == cache.end() && cache.size() >= kFiles) cache.clear();
  cache[path] = CachedText{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim, out};
  return 0;
}

bool file_exists(const std::string& path) {
  if (commit_detail::pending(path) != nullptr) return true;
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

namespace {

int fail(const std::string& path, const char* step, int e, std::string* err) {
  std::string why = std::string(step) + " '" + path + "': " + std::strerror(e);
  std::printf("atomic_rewrite() %s\n", why.c_str());
  if (err) *err = why;
  return -1;
}

std::string dir_of(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

AtomicFile::~AtomicFile() {
  if (!done_) drop_temporary();
}

AtomicFile::AtomicFile(std::string path, bool durable)
    : path_(std::move(path)), durable_(durable), joined_(durable && commit_joining()) {}

void AtomicFile::failed(const char* step, const std::string& name, int e) {
  if (fail_step_ != nullptr) return;
  fail_step_ = step;
  fail_name_ = name;
  fail_errno_ = e;
  drop_temporary();
}

void AtomicFile::drop_temporary() {
  if (fd_ >= 0) {
    ::close(fd_);
    ::unlink(tmp_.c_str());
  }
  fd_ = -1;
}

bool AtomicFile::open_temporary() {
  if (fd_ >= 0) return true;
  if (fail_step_ != nullptr || done_) return false;
  if (path_.empty()) {
    failed("no file name for", path_, EINVAL);
    return false;
  }
  tmp_ = joined_ ? commit_detail::temp_name(path_) : path_ + ".tmp" + std::to_string(::getpid());
  fd_ = ::open(tmp_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    failed("cannot create", tmp_, errno);
    return false;
  }
  return true;
}

void AtomicFile::write(std::string_view bytes) {
  if (!open_temporary()) return;
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd_, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      failed("cannot write", tmp_, errno);
      return;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  written_ += bytes.size();
  // A durable file's pages start on their way to the disk while the rest is
  // being made, so that the sync at the end has less left to wait for.
  constexpr uint64_t kAhead = uint64_t{4} << 20;
  if (durable_ && written_ - flushing_ >= kAhead) {
    ::sync_file_range(fd_, static_cast<off_t>(flushing_), static_cast<off_t>(written_ - flushing_),
                      SYNC_FILE_RANGE_WRITE);
    flushing_ = written_;
  }
}

int AtomicFile::commit(std::string* err) {
  std::string why;
  const int rc = finish(&why);
  // A joined rewrite that failed fails the commit it belongs to.
  if (rc != 0 && joined_) commit_detail::fail(why);
  if (err) *err = why;
  return rc;
}

int AtomicFile::finish(std::string* err) {
  if (done_) return fail(path_, "already committed", EINVAL, err);
  open_temporary();  // nothing written: an empty file
  done_ = true;
  if (fail_step_ != nullptr) return fail(fail_name_, fail_step_, fail_errno_, err);
  // A joined rewrite is synced by its commit, once, however often the
  // request rewrote the file.
  if (durable_ && !joined_ && ::fsync(fd_) != 0) {
    int e = errno;
    drop_temporary();
    return fail(tmp_, "cannot sync", e, err);
  }
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) {
    int e = errno;
    ::unlink(tmp_.c_str());
    return fail(tmp_, "cannot close", e, err);
  }
  // Keep the permissions of the file being replaced.
  struct stat st {};
  if (::stat(path_.c_str(), &st) == 0) ::chmod(tmp_.c_str(), st.st_mode & 07777);
  if (joined_) {
    // Renamed with the other files of its commit.
    commit_detail::add(path_, tmp_);
    return 0;
  }
  if (::rename(tmp_.c_str(), path_.c_str()) != 0) {
    int e = errno;
    ::unlink(tmp_.c_str());
    return fail(path_, "cannot replace", e, err);
  }
  if (!durable_) return 0;
  // Make the rename itself durable.
  int dfd = ::open(dir_of(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return 0;
}

namespace {

int rewrite(const std::string& path, std::string_view bytes, std::string* err, bool durable) {
  AtomicFile file(path, durable);
  file.write(bytes);
  return file.commit(err);
}

}  // namespace

int atomic_rewrite(const std::string& path, std::string_view bytes, std::string* err) {
  return rewrite(path, bytes, err, true);
}

int replace_file_nosync(const std::string& path, std::string_view bytes, std::string* err) {
  return rewrite(path, bytes, err, false);
}

int write_text_file(const std::string& path, std::string_view text, std::string* err) {
  return atomic_rewrite(path, text_to_disk(text), err);
}

namespace {

// The process id of a rewrite's temporary file name, 0 for any other name.
long rewrite_temp_pid(std::string_view name) {
  const std::size_t at = name.rfind(".tmp");
  if (at == std::string_view::npos || at == 0) return 0;
  std::string_view digits = name.substr(at + 4);
  if (digits.empty() || digits.size() > 10 || digits[0] == '0') return 0;
  long pid = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    pid = pid * 10 + (c - '0');
  }
  return pid <= INT_MAX ? pid : 0;
}

bool process_runs(long pid) {
  if (pid == ::getpid()) return false;  // our own files are from before our start
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace

int remove_rewrite_leftovers(const std::string& dir) {
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return 0;
  std::vector<std::string> names;
  while (const dirent* e = ::readdir(d)) {
    const long pid = rewrite_temp_pid(e->d_name);
    if (pid > 0 && !process_runs(pid)) names.emplace_back(e->d_name);
  }
  ::closedir(d);
  int removed = 0;
  for (const std::string& name : names) {
    const std::string path = dir.empty() ? name : dir + "/" + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (::unlink(path.c_str()) == 0) {
      std::printf("remove_rewrite_leftovers() removed '%s', left by an interrupted save\n", path.c_str());
      ++removed;
    }
  }
  return removed;
}

void TextOut::printf(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  va_list ap2;
  va_copy(ap2, ap);
  char small[512];
  int n = std::vsnprintf(small, sizeof small, fmt, ap);
  va_end(ap);
  if (n < 0) {
    va_end(ap2);
    return;
  }
  if (static_cast<std::size_t>(n) < sizeof small) {
    write(std::string_view(small, static_cast<std::size_t>(n)));
  } else {
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    std::vsnprintf(big.data(), big.size(), fmt, ap2);
    big.resize(static_cast<std::size_t>(n));
    write(big);
  }
  va_end(ap2);
}

void TextOut::spill() {
  if (disk_) file_->write(buf_);
  else file_->write(text_to_disk(buf_));
  buf_.clear();
}

void TextOut::append_disk(std::string_view s) {
  for (;;) {
    const void* lf = s.empty() ? nullptr : std::memchr(s.data(), '\n', s.size());
    if (!lf) break;
    const std::size_t n = static_cast<std::size_t>(static_cast<const char*>(lf) - s.data());
    buf_.append(s.data(), n);
    buf_.append("\r\n", 2);
    s.remove_prefix(n + 1);
  }
  buf_.append(s);
}

bool TextIn::getline(std::string& line, bool* had_lf) {
  line.clear();
  if (pos_ >= buf_.size()) {
    if (had_lf) *had_lf = false;
    return false;
  }
  auto nl = buf_.find('\n', pos_);
  if (nl == std::string::npos) {
    line.assign(buf_, pos_, std::string::npos);
    pos_ = buf_.size();
    if (had_lf) *had_lf = false;
  } else {
    line.assign(buf_, pos_, nl - pos_);
    pos_ = nl + 1;
    if (had_lf) *had_lf = true;
  }
  return true;
}

}  // namespace kal
