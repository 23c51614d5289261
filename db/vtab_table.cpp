#include <cstdint>
#include <cstdio>
#include <string>

#include "db/vtab_engine.hpp"

std::string vtab_dword_hex(const void* p) {
  char buf[9];
  std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(p) & 0xFFFFFFFFu));
  return buf;
}
