// Allocation faults on demand for tests of the out-of-memory paths.  While a
// fault_after guard is alive, the given number of allocations succeed and
// every later one fails (throwing new throws std::bad_alloc, nothrow new
// returns NULL).  Exactly one source file of a test program defines
// ALLOC_FAULT_OPERATORS before including this header: it gets the global
// operator new and delete that count.
#pragma once

#include <cstdlib>
#include <new>

namespace alloc_fault {

inline long budget = -1;  // allocations left before failing; -1 never fails
inline long failures = 0;

inline bool take() {
  if (budget < 0) return true;
  if (budget == 0) {
    ++failures;
    return false;
  }
  --budget;
  return true;
}

struct fault_after {
  explicit fault_after(long n) {
    budget = n;
    failures = 0;
  }
  ~fault_after() { budget = -1; }
  fault_after(const fault_after&) = delete;
  fault_after& operator=(const fault_after&) = delete;
};

}  // namespace alloc_fault

#ifdef ALLOC_FAULT_OPERATORS
void* operator new(std::size_t n) {
  if (!alloc_fault::take()) throw std::bad_alloc();
  void* p = std::malloc(n ? n : 1);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
void* operator new[](std::size_t n) { return ::operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  if (!alloc_fault::take()) return nullptr;
  return std::malloc(n ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept { return ::operator new(n, t); }
// Not inlined, so that the compiler does not pair these frees with the
// allocations of the callers' news.
__attribute__((noinline)) void operator delete(void* p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete[](void* p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete(void* p, std::size_t) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
#endif
