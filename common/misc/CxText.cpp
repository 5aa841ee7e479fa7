#include "common/misc/CxText.h"

#include <cstdint>

int32_t CxAtol(const char* text) {
    if (!text) return 0;
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool neg = false;
    if (*p == '+' || *p == '-') neg = *p++ == '-';
    int64_t v = 0;
    while (*p >= '0' && *p <= '9') {
        v = v * 10 + (*p++ - '0');
        if (v > INT64_C(0x80000000)) { v = INT64_C(0x80000000); }
    }
    if (neg) v = -v;
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}
