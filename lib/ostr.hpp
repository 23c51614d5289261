// The owned text of a record field.  A field may be missing (NULL), which is
// not the same as empty while the program runs, though both are stored in a
// table file the same way.
//
// Records hold many texts, most of them short or empty, so a text takes 16
// bytes: up to 15 bytes are kept in place, a longer text in a block of its
// own of exactly its size.  The last of the 16 bytes tells which: 15 - size
// for a text in place (0 for 15 bytes, then also its terminating NUL),
// kHeap for a text in its own block (the block's address and the size then
// in the first 12 bytes), kMissing for a missing text (all other bytes 0,
// which read as the empty text).  The bytes of a text in place after its end
// are 0.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

class ostr {
 public:
  ostr() noexcept { forget(); }  // missing
  ostr(const char* s) : ostr() { assign(s); }  // NOLINT: records are filled from C texts
  ostr(std::string_view s) : ostr() { set(s); }
  ostr(const std::string& s) : ostr(std::string_view(s)) {}
  ostr(const ostr& o) : ostr() {
    if (!o.is_null()) set(o.view());
  }
  ostr(ostr&& o) noexcept {
    std::memcpy(b_, o.b_, sizeof b_);
    o.forget();
  }
  ~ostr() { release(); }

  ostr& operator=(const ostr& o) {
    if (this != &o) {
      if (o.is_null()) reset();
      else set(o.view());
    }
    return *this;
  }
  ostr& operator=(ostr&& o) noexcept {
    if (this != &o) {
      release();
      std::memcpy(b_, o.b_, sizeof b_);
      o.forget();
    }
    return *this;
  }
  ostr& operator=(const char* s) {
    assign(s);
    return *this;
  }
  ostr& operator=(std::string_view s) {
    set(s);
    return *this;
  }
  ostr& operator=(const std::string& s) { return *this = std::string_view(s); }

  void assign(const char* s) {
    if (s) set(std::string_view(s));
    else reset();
  }
  void reset() noexcept {
    release();
    forget();
  }

  bool is_null() const noexcept { return tag() == kMissing; }
  // The text, or nullptr when missing.
  const char* get() const noexcept { return is_null() ? nullptr : c_str(); }
  // The text, or "" when missing.
  const char* c_str() const noexcept { return on_heap() ? heap_ptr() : b_; }
  std::string_view view() const noexcept { return std::string_view(c_str(), size()); }
  std::string str() const { return std::string(view()); }
  std::size_t size() const noexcept {
    if (tag() <= kInPlace) return kInPlace - static_cast<std::size_t>(tag());
    if (on_heap()) return heap_size();
    return 0;
  }
  bool empty() const noexcept { return size() == 0; }
  // For writers that copy short texts by whole words: a text kept in place
  // (at most 15 bytes, or missing) as 16 bytes, its own, then 0 up to the
  // 15th (the 16th is not part of it); NULL for a longer text.
  const char* in_place_block() const noexcept { return on_heap() ? nullptr : b_; }

  // Byte-wise comparison; a missing text compares as the empty text.
  int compare(const ostr& o) const { return cmp(c_str(), o.c_str()); }
  friend bool operator==(const ostr& a, const ostr& b) {
    return a.is_null() == b.is_null() && a.view() == b.view();
  }

 private:
  static constexpr std::size_t kInPlace = 15;
  static constexpr unsigned char kHeap = 0x80;
  static constexpr unsigned char kMissing = 0x40;

  static int cmp(const char* a, const char* b) {
    int r = std::strcmp(a, b);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
  }

  unsigned char& tag() noexcept { return reinterpret_cast<unsigned char&>(b_[kInPlace]); }
  unsigned char tag() const noexcept { return static_cast<unsigned char>(b_[kInPlace]); }
  bool on_heap() const noexcept { return tag() == kHeap; }
  char* heap_ptr() const noexcept {
    char* p;
    std::memcpy(&p, b_, sizeof p);
    return p;
  }
  uint32_t heap_size() const noexcept {
    uint32_t n;
    std::memcpy(&n, b_ + sizeof(char*), sizeof n);
    return n;
  }
  // Missing, without freeing anything.
  void forget() noexcept {
    std::memset(b_, 0, sizeof b_);
    tag() = kMissing;
  }
  void release() noexcept {
    if (on_heap()) delete[] heap_ptr();
  }
  // The text s, which may be (part of) this one's own.
  void set(std::string_view s) {
    if (s.size() <= kInPlace) {
      char in_place[sizeof b_] = {};
      if (!s.empty()) std::memcpy(in_place, s.data(), s.size());  // before the old text goes
      release();
      std::memcpy(b_, in_place, sizeof b_);
      tag() = static_cast<unsigned char>(kInPlace - s.size());
      return;
    }
    if (s.size() >= UINT32_MAX) throw std::bad_alloc();
    char* p = new char[s.size() + 1];
    std::memcpy(p, s.data(), s.size());
    p[s.size()] = '\0';
    release();
    const auto n = static_cast<uint32_t>(s.size());
    std::memset(b_, 0, sizeof b_);
    std::memcpy(b_, &p, sizeof p);
    std::memcpy(b_ + sizeof p, &n, sizeof n);
    tag() = kHeap;
  }

  alignas(8) char b_[16];
};
