#include "AllocCount.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

std::atomic<int64_t> g_live{0};
// Keeps the payload aligned like the default operator new.
constexpr size_t kHeader = alignof(std::max_align_t) > sizeof(size_t) ? alignof(std::max_align_t)
                                                                       : sizeof(size_t);

void* Take(size_t n) {
    void* p = std::malloc(n + kHeader);
    if (!p) return nullptr;
    *static_cast<size_t*>(p) = n;
    g_live += static_cast<int64_t>(n);
    return static_cast<char*>(p) + kHeader;
}

void Give(void* p) noexcept {
    if (!p) return;
    char* block = static_cast<char*>(p) - kHeader;
    g_live -= static_cast<int64_t>(*reinterpret_cast<size_t*>(block));
    std::free(block);
}

}  // namespace

int64_t LiveNewBytes() { return g_live.load(); }

void* operator new(size_t n) {
    if (void* p = Take(n)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t n) { return operator new(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return Take(n); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return Take(n); }
void operator delete(void* p) noexcept { Give(p); }
void operator delete[](void* p) noexcept { Give(p); }
void operator delete(void* p, size_t) noexcept { Give(p); }
void operator delete[](void* p, size_t) noexcept { Give(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Give(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Give(p); }
