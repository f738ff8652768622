#include "BenchMemory.h"

#include <ode/ode.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

std::atomic<uint64_t> g_iAllocations{0};
std::atomic<uint64_t> g_iLibraryAllocations{0};

inline void counted() { g_iAllocations.fetch_add(1, std::memory_order_relaxed); }

}  // namespace

#if defined(__SANITIZE_ADDRESS__)

namespace {
void* rawMalloc(size_t iSize) { return malloc(iSize); }
void* rawRealloc(void* p, size_t iSize) { return realloc(p, iSize); }
void rawFree(void* p) { free(p); }
}  // namespace

namespace varrik {
namespace bench {
bool allocationsCounted() { return false; }
}  // namespace bench
}  // namespace varrik

#else

// The C library's own allocator under its internal names. Defining malloc and its relatives in
// the program puts these counting versions in front of every library of the process (the
// engine, the dynamics library, the C++ runtime's operator new), so nothing allocates unseen.
extern "C" {
void* __libc_malloc(size_t iSize);
void* __libc_calloc(size_t iCount, size_t iSize);
void* __libc_realloc(void* p, size_t iSize);
void* __libc_memalign(size_t iAlignment, size_t iSize);
void __libc_free(void* p);

void* malloc(size_t iSize) {
  counted();
  return __libc_malloc(iSize);
}
void* calloc(size_t iCount, size_t iSize) {
  counted();
  return __libc_calloc(iCount, iSize);
}
void* realloc(void* p, size_t iSize) {
  counted();
  return __libc_realloc(p, iSize);
}
void* memalign(size_t iAlignment, size_t iSize) {
  counted();
  return __libc_memalign(iAlignment, iSize);
}
void* aligned_alloc(size_t iAlignment, size_t iSize) {
  counted();
  return __libc_memalign(iAlignment, iSize);
}
int posix_memalign(void** pp, size_t iAlignment, size_t iSize) {
  counted();
  void* p = __libc_memalign(iAlignment, iSize);
  if (!p) return ENOMEM;
  *pp = p;
  return 0;
}
void free(void* p) { __libc_free(p); }
}

namespace {
void* rawMalloc(size_t iSize) { return __libc_malloc(iSize); }
void* rawRealloc(void* p, size_t iSize) { return __libc_realloc(p, iSize); }
void rawFree(void* p) { __libc_free(p); }
}  // namespace

namespace varrik {
namespace bench {
bool allocationsCounted() { return true; }
}  // namespace bench
}  // namespace varrik

#endif

namespace {

// The dynamics library's hooks allocate past the counting malloc and count on their own.
void* libraryAlloc(dsizeint iSize) {
  g_iLibraryAllocations.fetch_add(1, std::memory_order_relaxed);
  return rawMalloc(iSize);
}
void* libraryRealloc(void* p, dsizeint, dsizeint iNewSize) {
  g_iLibraryAllocations.fetch_add(1, std::memory_order_relaxed);
  return rawRealloc(p, iNewSize);
}
void libraryFree(void* p, dsizeint) { rawFree(p); }

}  // namespace

namespace varrik {
namespace bench {

void countLibraryAllocationsApart() {
  dSetAllocHandler(libraryAlloc);
  dSetReallocHandler(libraryRealloc);
  dSetFreeHandler(libraryFree);
}

uint64_t allocationCount() { return g_iAllocations.load(std::memory_order_relaxed); }

uint64_t libraryAllocationCount() { return g_iLibraryAllocations.load(std::memory_order_relaxed); }

uint64_t residentBytes() {
  // The second number of statm is the resident set in pages.
  FILE* f = fopen("/proc/self/statm", "r");
  if (!f) return 0;
  unsigned long iSize = 0, iResident = 0;
  const int iRead = fscanf(f, "%lu %lu", &iSize, &iResident);
  fclose(f);
  if (iRead != 2) return 0;
  return static_cast<uint64_t>(iResident) * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
}

}  // namespace bench
}  // namespace varrik
