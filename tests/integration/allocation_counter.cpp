#include "tests/integration/allocation_counter.h"

#include <cstdlib>
#include <new>

namespace {

bool counting = false;
int64_t allocations = 0;

void* allocate(std::size_t size) {
    if (counting) ++allocations;
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (counting) ++allocations;
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (counting) ++allocations;
    return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace tomelet::testing {

void start_counting_allocations() {
    allocations = 0;
    counting = true;
}

int64_t stop_counting_allocations() {
    counting = false;
    return allocations;
}

}  // namespace tomelet::testing
