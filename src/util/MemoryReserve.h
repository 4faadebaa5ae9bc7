#pragma once
#include <cstddef>

// Keeps a block of memory aside. The first allocation that finds no memory frees it and
// fails with std::bad_alloc, so that unwinding and the report of the failure (which both
// allocate) still find memory; later failures throw as usual.
void InstallMemoryReserve(size_t bytes);
