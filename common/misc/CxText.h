// Fixed-width text helpers: texts are cut, never overflowed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

constexpr size_t CX_MAX_PATH = 260;

// Copies src into dst of the given capacity (room for capacity - 1
// characters and the terminator); returns the characters copied.
inline size_t CxCopyText(char* dst, size_t capacity, const char* src) {
    if (!dst || capacity == 0) return 0;
    size_t n = 0;
    if (src) {
        while (n + 1 < capacity && src[n]) ++n;
        memcpy(dst, src, n);
    }
    dst[n] = 0;
    return n;
}

template <size_t N>
inline size_t CxCopyText(char (&dst)[N], const char* src) {
    return CxCopyText(dst, N, src);
}

// The C library's atol, with the result held to the 32-bit range as the
// Windows run-time does (long is 32-bit there).
int32_t CxAtol(const char* text);
