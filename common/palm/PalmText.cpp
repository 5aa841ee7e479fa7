#include "common/palm/PalmText.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/misc/CxPlatform.h"

namespace {

size_t Utf16Length(const char16_t* text) {
    size_t n = 0;
    while (text[n]) ++n;
    return n;
}

constexpr int kIntMax = 0x7fffffff;

int ClampLen(size_t n) { return n > static_cast<size_t>(kIntMax) ? kIntMax : static_cast<int>(n); }

}  // namespace

bool ToNarrow(const char16_t* text, char* out, size_t size) {
    if (!out || size == 0) return false;
    out[0] = 0;
    if (!text || !text[0]) return true;
    size_t len = Utf16Length(text);
    int n = ClampLen(len < size - 1 ? len : size - 1);
    // Double-byte code pages may need more bytes than units: shorten until it fits.
    while (n > 0) {
        int need = cxplat::Utf16ToAnsi(text, n, nullptr, 0);
        if (need >= 0 && static_cast<size_t>(need) <= size - 1) break;
        --n;
    }
    if (n == 0) return true;
    int written = cxplat::Utf16ToAnsi(text, n, out, ClampLen(size - 1));
    if (written < 0) {
        out[0] = 0;
        return false;
    }
    out[written] = 0;
    return true;
}

bool ToWide(const char* text, char16_t* out, size_t size) {
    if (!out || size == 0) return false;
    out[0] = 0;
    if (!text || !text[0]) return true;
    size_t len = strlen(text);
    int n = ClampLen(len < size - 1 ? len : size - 1);
    while (n > 0) {
        int need = cxplat::AnsiToUtf16(text, n, nullptr, 0);
        if (need >= 0 && static_cast<size_t>(need) <= size - 1) break;
        --n;
    }
    if (n == 0) return true;
    int written = cxplat::AnsiToUtf16(text, n, out, ClampLen(size - 1));
    if (written < 0) {
        out[0] = 0;
        return false;
    }
    out[written] = 0;
    return true;
}

bool DoubleQuotes(char* text, size_t size) {
    if (!text) return false;
    if (size == 0) return true;
    size_t look = size < PM_QUOTE_WORK_SIZE ? size : PM_QUOTE_WORK_SIZE;
    std::string work;
    work.reserve(look * 2);
    for (size_t i = 0; i < look && text[i]; ++i) {
        size_t add = text[i] == '\'' ? 2 : 1;
        // A pair is kept whole or left out: half of it would end the literal.
        if (work.size() + add > size - 1) break;
        work.append(add, text[i]);
    }
    memcpy(text, work.data(), work.size());
    text[work.size()] = 0;
    return true;
}

bool FormatSqlLiteral(const PmSqlValue& value, char* out, size_t size, bool* cut) {
    if (cut) *cut = false;
    if (!out || size == 0) return false;
    switch (value.vt) {
    case PM_VT_BOOL:
        snprintf(out, size, "%s", value.boolVal ? "1" : "0");
        return true;
    case PM_VT_I4:
        snprintf(out, size, "%ld", static_cast<long>(value.lVal));
        return true;
    case PM_VT_BSTR: {
        out[0] = 0;
        if (size < 3) return false;
        // Room for the two quotes and the terminator.
        size_t inner = size - 2;
        if (inner > PM_QUOTE_WORK_SIZE) inner = PM_QUOTE_WORK_SIZE;
        size_t fullLen = 0;
        if (value.bstrVal && !value.bstrVal->empty()) {
            int need = cxplat::Utf16ToAnsi(value.bstrVal->c_str(),
                                           ClampLen(value.bstrVal->size()), nullptr, 0);
            fullLen = need > 0 ? static_cast<size_t>(need) : value.bstrVal->size();
        }
        // Doubled quotes need up to twice the text.
        size_t room = fullLen * 2 + 1;
        std::vector<char> text(room < inner ? room : inner, 0);
        if (fullLen) ToNarrow(value.bstrVal->c_str(), text.data(), text.size());
        size_t narrowLen = strlen(text.data());
        size_t quotes = 0;
        for (size_t i = 0; i < narrowLen; ++i) quotes += text[i] == '\'';
        DoubleQuotes(text.data(), text.size());
        size_t len = strlen(text.data());
        if (cut) *cut = narrowLen < fullLen || len < narrowLen + quotes;
        out[0] = '\'';
        memcpy(out + 1, text.data(), len);
        out[len + 1] = '\'';
        out[len + 2] = 0;
        return true;
    }
    default:
        return false;
    }
}
