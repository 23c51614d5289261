// A process locale whose decimal separator is a comma, built for the test in
// a temporary directory (the machine need not have one installed), to show
// that number texts do not follow the process locale.
#pragma once

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

class CommaLocale {
 public:
  CommaLocale() {
    char tmpl[] = "/tmp/kal_locale_XXXXXX";
    if (!mkdtemp(tmpl)) return;
    dir_ = tmpl;
    std::string cmd = "localedef -i de_DE -f UTF-8 '" + dir_ + "/de_DE.UTF-8' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return;
    setenv("LOCPATH", dir_.c_str(), 1);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") && std::localeconv()->decimal_point[0] == ',') active_ = true;
  }
  ~CommaLocale() {
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
    std::error_code ec;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
  }
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;
  // False when no such locale could be made here.
  bool active() const { return active_; }

 private:
  std::string dir_;
  bool active_ = false;
};
