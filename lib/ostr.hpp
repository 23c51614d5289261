// The owned text of a record field.  A field may be missing (NULL), which is
// not the same as empty while the program runs, though both are stored in a
// table file the same way.
#pragma once

#include <cstring>
#include <string>
#include <string_view>

class ostr {
 public:
  ostr() = default;  // missing
  ostr(const char* s) { assign(s); }  // NOLINT: records are filled from C texts
  ostr(std::string_view s) : s_(s), null_(false) {}
  ostr(const std::string& s) : s_(s), null_(false) {}

  ostr& operator=(const char* s) {
    assign(s);
    return *this;
  }
  ostr& operator=(std::string_view s) {
    s_.assign(s.data(), s.size());
    null_ = false;
    return *this;
  }
  ostr& operator=(const std::string& s) { return *this = std::string_view(s); }

  void assign(const char* s) {
    if (s) {
      s_.assign(s);
      null_ = false;
    } else {
      reset();
    }
  }
  void reset() {
    s_.clear();
    null_ = true;
  }

  bool is_null() const { return null_; }
  // The text, or nullptr when missing.
  const char* get() const { return null_ ? nullptr : s_.c_str(); }
  // The text, or "" when missing.
  const char* c_str() const { return s_.c_str(); }
  std::string_view view() const { return s_; }
  const std::string& str() const { return s_; }
  std::size_t size() const { return s_.size(); }
  bool empty() const { return s_.empty(); }

  // Byte-wise comparison; a missing text compares as the empty text.
  int compare(const ostr& o) const { return cmp(c_str(), o.c_str()); }
  friend bool operator==(const ostr& a, const ostr& b) { return a.null_ == b.null_ && a.s_ == b.s_; }

 private:
  static int cmp(const char* a, const char* b) {
    int r = std::strcmp(a, b);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
  }
  std::string s_;
  bool null_ = true;
};
