// The program's operator new and delete, replaced to count allocations.
// Compiled into the benchmark itself (not a library), so that the linker
// always takes these over the standard ones.
#include "frame/HeapCount.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<unsigned long long> heapAllocations{0};

} // namespace

unsigned long long heapAllocationCount()
{
    return heapAllocations.load(std::memory_order_relaxed);
}

void* operator new(std::size_t size)
{
    heapAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* block = std::malloc(size != 0 ? size : 1)) {
        return block;
    }
    throw std::bad_alloc();
}
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
#pragma GCC diagnostic pop
