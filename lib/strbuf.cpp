#include "lib/strbuf.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/textfile.hpp"

namespace {

constexpr std::size_t kMaxSize = std::numeric_limits<uint32_t>::max() - 1;

void sync_pointers(strbuf* buf) {
  buf->data = buf->area.data();
  buf->end = buf->data + buf->size;
}

// Makes room for `extra` more bytes and the NUL after them.
bool reserve_more(strbuf* buf, std::size_t extra) {
  if (extra > kMaxSize - buf->size) {
    std::printf("strbuf_append_size(): the text would exceed %zu bytes !\n", kMaxSize);
    return false;
  }
  std::size_t need = buf->size + extra + 1;
  if (need <= buf->area.size()) return true;
  std::size_t grown = buf->area.size() * 2;
  if (grown < need) grown = need;
  try {
    buf->area.resize(grown, '\0');
  } catch (const std::bad_alloc&) {
    std::printf("strbuf_append_size(): out of memory for %zu bytes !\n", grown);
    return false;
  }
  sync_pointers(buf);
  return true;
}

// Size of a regular file, as the size query of the file helpers gives it:
// 0; -2 for a NULL path, -3 when the file cannot be opened, -4 when its size
// cannot be had (or does not fit the 32-bit sizes of a buffer).
int file_size(const char* path, uint32_t* size) {
  *size = 0;
  if (!path) return -2;
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -3;
  struct stat st {};
  int rc = 0;
  if (::fstat(fd, &st) != 0)
    rc = -4;
  else if (!S_ISREG(st.st_mode))
    rc = -3;
  else if (static_cast<unsigned long long>(st.st_size) > kMaxSize - 2)
    rc = -4;
  else
    *size = static_cast<uint32_t>(st.st_size);
  ::close(fd);
  return rc;
}

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

}  // namespace

strbuf* strbuf_new(uint32_t capacity) {
  if (capacity == 0) return nullptr;
  try {
    auto buf = std::make_unique<strbuf>();
    buf->area.assign(static_cast<std::size_t>(capacity) + 1, '\0');
    buf->capacity = capacity;
    sync_pointers(buf.get());
    return buf.release();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

int strbuf_delete(strbuf** buf) {
  if (!buf) return -1;
  if (!*buf) return -2;
  delete *buf;
  *buf = nullptr;
  return 0;
}

int strbuf_terminate(strbuf* buf) {
  if (!buf) return -1;
  buf->area[buf->size] = '\0';
  return 0;
}

int strbuf_clear(strbuf* buf) {
  if (!buf) return -1;
  buf->size = 0;
  sync_pointers(buf);
  buf->area[0] = '\0';
  return 0;
}

int strbuf_print(strbuf* buf) {
  if (!buf) return -1;
  strbuf_terminate(buf);
  std::printf("data->size=%lu:\n%s\n", static_cast<unsigned long>(buf->size), buf->data);
  return 0;
}

int strbuf_append_size(strbuf* buf, const char* bytes, std::size_t count) {
  if (!buf) return -1;
  if (count == 0) return 0;
  if (!bytes || !reserve_more(buf, count)) return -1;
  std::memcpy(buf->end, bytes, count);
  buf->size += static_cast<uint32_t>(count);
  buf->end += count;
  *buf->end = '\0';
  return 0;
}

void strbuf_append(strbuf* buf, const char* text) {
  if (!text) return;
  strbuf_append_size(buf, text, std::strlen(text));
}

int strbuf_appendc(strbuf* buf, char c) { return strbuf_append_size(buf, &c, 1); }

int strbuf_file_to_buf(strbuf* buf, const char* path) {
  std::string text;
  if (!buf || !path || kal::read_text_file(path, text) != 0) {
    std::printf("strbuf_file_to_buf(): Can't open file '%s' to read !\n", path ? path : "");
    return -1;
  }
  if (strbuf_append_size(buf, text.data(), text.size()) != 0) return -1;
  strbuf_terminate(buf);
  return 0;
}

int strbuf_buf_to_file(strbuf* buf, const char* path) {
  if (!buf || !path ||
      kal::write_text_file(path, std::string_view(buf->data, std::strlen(buf->data))) != 0) {
    std::printf("strbuf_buf_to_file(): Can't open file '%s' to write !\n", path ? path : "");
    return -1;
  }
  return 0;
}

strbuf* strbuf_binfile_to_buf(const char* path) {
  uint32_t size = 0;
  int err = file_size(path, &size);
  if (err != 0) {
    std::printf("strbuf_binfile_to_buf(): filedir_filesize('%s') err = %d !\n", path ? path : "", err);
    return nullptr;
  }
  std::unique_ptr<FILE, FileCloser> f(std::fopen(path, "rb"));
  if (!f) {
    std::printf("strbuf_binfile_to_buf(): Can't open file '%s' to read binary !\n", path);
    return nullptr;
  }
  strbuf* buf = strbuf_new(size + 2);
  if (!buf) return nullptr;
  char block[65536];
  for (;;) {
    std::size_t n = std::fread(block, 1, sizeof block, f.get());
    if (n > 0 && strbuf_append_size(buf, block, n) != 0) {
      strbuf_delete(&buf);
      return nullptr;
    }
    if (n < sizeof block) break;
  }
  if (std::ferror(f.get())) {
    std::printf("strbuf_binfile_to_buf(): Can't open file '%s' to read binary !\n", path);
    strbuf_delete(&buf);
    return nullptr;
  }
  return buf;
}

int strbuf_buf_to_binfile(strbuf* buf, const char* path) {
  if (!buf || !path || kal::atomic_rewrite(path, std::string_view(buf->data, buf->size)) != 0) {
    std::printf("strbuf_buf_to_binfile(): Can't open file '%s' to write binary!\n", path ? path : "");
    return -1;
  }
  return 0;
}

int strbuf_cmp(const strbuf* a, const strbuf* b, uint32_t offa, uint32_t offb) {
  if (!b || offb >= b->size) return -2;
  if (!a || offa >= a->size) return -3;
  uint32_t rest = b->size - offb;
  if (rest > a->size - offa) return 2;
  const char* pa = a->data + offa;
  const char* pb = b->data + offb;
  for (uint32_t i = 0; i < rest; ++i) {
    if (pa[i] != pb[i])
      return static_cast<int>(static_cast<signed char>(pa[i])) - static_cast<int>(static_cast<signed char>(pb[i]));
  }
  return 0;
}

uint32_t strbuf_find(const strbuf* a, const strbuf* b, uint32_t start) {
  if (!a) return 0;
  if (!b || b->size == 0 || start >= a->size) return a->size;
  std::string_view hay(a->data, a->size);
  std::size_t at = hay.find(std::string_view(b->data, b->size), start);
  return at == std::string_view::npos ? a->size : static_cast<uint32_t>(at);
}

char memdebug_byte2hex(int value) { return "0123456789ABCDEF"[value & 0x0F]; }

char memdebug_dword_hex_str[9];

const char* memdebug_dword_hex(uint32_t value) {
  for (int i = 7; i >= 0; --i) {
    memdebug_dword_hex_str[i] = memdebug_byte2hex(static_cast<int>(value & 0x0F));
    value >>= 4;
  }
  memdebug_dword_hex_str[8] = '\0';
  return memdebug_dword_hex_str;
}

std::size_t unilen(const uint16_t* s) {
  std::size_t n = 0;
  if (s)
    while (s[n] != 0) ++n;
  return n;
}

uint16_t* unidup(const uint16_t* s) {
  std::size_t n = unilen(s);
  auto* copy = static_cast<uint16_t*>(std::malloc((n + 1) * sizeof(uint16_t)));
  if (!copy) return nullptr;
  if (n) std::memcpy(copy, s, n * sizeof(uint16_t));
  copy[n] = 0;
  return copy;
}
