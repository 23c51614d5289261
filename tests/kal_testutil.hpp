// Small helpers shared by the tests.
#pragma once

#include <iconv.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
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

// The bytes converted between code pages by the C library's iconv, an
// oracle independent of the program's own tables; nullopt when they are not
// text of `from` or hold a character `to` lacks.
inline std::optional<std::string> recode(const char* from, const char* to, std::string_view bytes) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string in(bytes), out(bytes.size() * 4 + 4, '\0');
  char* ip = in.data();
  char* op = out.data();
  std::size_t il = in.size(), ol = out.size();
  const std::size_t r = iconv(cd, &ip, &il, &op, &ol);
  iconv_close(cd);
  if (r == static_cast<std::size_t>(-1)) return std::nullopt;
  out.resize(out.size() - ol);
  return out;
}

// A page (UTF-8) as the program's text (Windows-1250), by iconv; a page that
// is not UTF-8, or holds a character Windows-1250 lacks, is given as it came.
inline std::string page_text(std::string_view page) {
  return recode("UTF-8", "CP1250", page).value_or(std::string(page));
}

// Windows-1250 text as UTF-8, and back ("" when it cannot be).
inline std::string utf8_of(std::string_view win1250) { return recode("CP1250", "UTF-8", win1250).value_or(""); }
inline std::string win1250_of(std::string_view utf8) { return recode("UTF-8", "CP1250", utf8).value_or(""); }

}  // namespace kaltest
