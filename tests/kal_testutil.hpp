// Small helpers shared by the tests.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace kaltest {

// A fresh directory under /tmp, removed with everything in it at the end.
struct TempDir {
  std::filesystem::path path;
  explicit TempDir(const char* tag = "test") {
    std::string tmpl = std::string("/tmp/kal_") + tag + "_XXXXXX";
    if (char* made = mkdtemp(tmpl.data())) path = made;
  }
  ~TempDir() {
    std::error_code ec;
    // A test may have taken the write permission away.
    std::filesystem::permissions(path, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string file(const char* name) const { return (path / name).string(); }
};

}  // namespace kaltest
