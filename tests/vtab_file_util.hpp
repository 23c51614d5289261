// Helpers of the table-file and database-root tests: a temporary directory,
// whole files, a file-size limit that makes writes fail.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "platform/textfile.hpp"

namespace vtab_test {

struct TempDir {
  std::string path;
  TempDir() {
    char tmpl[] = "/tmp/kal_vtab_file_XXXXXX";
    const char* p = ::mkdtemp(tmpl);
    if (p == nullptr) std::abort();
    path = p;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string operator/(const std::string& name) const { return path + "/" + name; }
};

inline std::string file_bytes(const std::string& path) {
  std::string out;
  EXPECT_EQ(kal::read_file(path, out), 0) << path;
  return out;
}

inline void put_bytes(const std::string& path, const std::string& bytes) {
  ASSERT_EQ(kal::atomic_rewrite(path, bytes), 0) << path;
}

// While alive, no file of the process may grow beyond limit bytes: a write
// past it fails with EFBIG (the signal it would raise is ignored).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t limit) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit r = old_;
    r.rlim_cur = limit;
    ::setrlimit(RLIMIT_FSIZE, &r);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, old_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*old_handler_)(int) = nullptr;
};

// The names of the files in a directory that start with prefix.
inline std::vector<std::string> files_starting(const std::string& dir, const std::string& prefix) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    std::string name = e.path().filename().string();
    if (name.compare(0, prefix.size(), prefix) == 0) out.push_back(name);
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace vtab_test
