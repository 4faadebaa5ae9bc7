#include "util/MemoryReserve.h"

#include <cstdlib>
#include <new>

namespace {

void* g_reserve = nullptr;

void ReleaseReserve()
{
    std::free(g_reserve);
    g_reserve = nullptr;
    std::set_new_handler(nullptr);
    throw std::bad_alloc();
}

} // namespace

void InstallMemoryReserve(size_t bytes)
{
    if (g_reserve) return;
    g_reserve = std::malloc(bytes);
    if (g_reserve) std::set_new_handler(ReleaseReserve);
}
