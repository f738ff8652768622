// What the benchmarks measure besides time: heap allocations and the resident memory of the
// process. Allocations are counted in two groups: those of the dynamics library (through its own
// allocation hooks), and all others (every malloc, calloc, realloc and aligned allocation of the
// process, operator new included, since it allocates through malloc): the second group is what
// the layer, the engine and the benchmark's own code allocate.
#ifndef VARRIK_BENCH_BENCH_MEMORY_H
#define VARRIK_BENCH_BENCH_MEMORY_H

#include <cstdint>

namespace varrik {
namespace bench {

//! Whether allocations are counted in this build (not under AddressSanitizer, which owns malloc).
bool allocationsCounted();
//! Routes the dynamics library's allocations through counting hooks of their own; call before
//! the library allocates anything.
void countLibraryAllocationsApart();
//! Heap allocations since the program started, the dynamics library's excluded.
uint64_t allocationCount();
//! Allocations of the dynamics library since countLibraryAllocationsApart().
uint64_t libraryAllocationCount();
//! Resident memory of the process in bytes (0 where it cannot be read).
uint64_t residentBytes();

}  // namespace bench
}  // namespace varrik

#endif
