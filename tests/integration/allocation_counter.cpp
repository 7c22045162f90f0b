// Every way to the heap is counted while counting is on: the program
// replaces the global operator new, and the C allocation functions too
// (malloc, calloc, realloc, aligned_alloc, posix_memalign, memalign), which
// hand the work to the C library's own allocator.  In a build with
// AddressSanitizer the sanitizer owns the C functions; its allocation hook
// counts them instead.
#include "tests/integration/allocation_counter.h"

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define TOMELET_SANITIZER_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TOMELET_SANITIZER_HEAP 1
#endif
#endif

namespace {

bool counting = false;
int64_t allocations = 0;

void note() {
    if (counting) ++allocations;
}

}  // namespace

#if defined(TOMELET_SANITIZER_HEAP)

extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, size_t),
                                                          void (*free_hook)(const volatile void*));

namespace {

void on_allocation(const volatile void*, size_t) { note(); }
void on_release(const volatile void*) {}
[[maybe_unused]] const bool hooks_installed = __sanitizer_install_malloc_and_free_hooks(on_allocation, on_release) != 0;

// operator new below goes to malloc, which the hook counts.
void* raw_allocate(std::size_t size) { return std::malloc(size); }
void raw_free(void* p) { std::free(p); }

}  // namespace

#else

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* p, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* p);

void* malloc(size_t size) noexcept {
    note();
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) noexcept {
    note();
    return __libc_calloc(count, size);
}

void* realloc(void* p, size_t size) noexcept {
    note();
    return __libc_realloc(p, size);
}

void* aligned_alloc(size_t alignment, size_t size) noexcept {
    note();
    return __libc_memalign(alignment, size);
}

void* memalign(size_t alignment, size_t size) noexcept {
    note();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, size_t alignment, size_t size) noexcept {
    note();
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
    void* p = __libc_memalign(alignment, size);
    if (p == nullptr) return ENOMEM;
    *out = p;
    return 0;
}

void free(void* p) noexcept { __libc_free(p); }
}

namespace {

// operator new below counts itself and goes to the C library directly.
void* raw_allocate(std::size_t size) {
    note();
    return __libc_malloc(size);
}
void raw_free(void* p) { __libc_free(p); }

}  // namespace

#endif

namespace {

void* allocate(std::size_t size) {
    void* p = raw_allocate(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return raw_allocate(size == 0 ? 1 : size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return raw_allocate(size == 0 ? 1 : size); }
void operator delete(void* p) noexcept { raw_free(p); }
void operator delete[](void* p) noexcept { raw_free(p); }
void operator delete(void* p, std::size_t) noexcept { raw_free(p); }
void operator delete[](void* p, std::size_t) noexcept { raw_free(p); }

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
