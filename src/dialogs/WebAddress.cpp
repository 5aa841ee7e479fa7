#include "src/dialogs/WebAddress.h"

#include <cctype>
#include <cstddef>

namespace {

constexpr size_t kMaxHost = 253;

bool StartsWithNoCase(const std::string& s, const char* prefix) {
    size_t i = 0;
    for (; prefix[i]; ++i) {
        if (i >= s.size()) return false;
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
    }
    return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Labels of letters, digits and hyphens joined by single dots.
bool ValidHost(const std::string& host, bool needDot) {
    if (host.empty() || host.size() > kMaxHost) return false;
    bool dot = false;
    size_t labelStart = 0;
    for (size_t i = 0; i <= host.size(); ++i) {
        if (i == host.size() || host[i] == '.') {
            size_t len = i - labelStart;
            if (len == 0 || len > 63) return false;
            if (host[labelStart] == '-' || host[i - 1] == '-') return false;
            if (i < host.size()) dot = true;
            labelStart = i + 1;
            continue;
        }
        unsigned char c = static_cast<unsigned char>(host[i]);
        if (!std::isalnum(c) && c != '-') return false;
    }
    return dot || !needDot;
}

// Printable ASCII that a shell or browser takes as part of one address.
bool SafePathChar(unsigned char c) {
    if (c <= 0x20 || c >= 0x7f) return false;
    switch (c) {
    case '"': case '<': case '>': case '\\': case '^': case '`': case '{': case '|': case '}':
        return false;
    default:
        return true;
    }
}

}  // namespace

bool MakeWebAddress(const std::string& text, std::string& out) {
    out.clear();
    size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    std::string t = text.substr(b, e - b);
    if (t.empty()) return false;

    std::string prefix;
    size_t start;
    bool needDot;
    if (StartsWithNoCase(t, "http://")) {
        start = 7;
        needDot = false;
    } else if (StartsWithNoCase(t, "https://")) {
        start = 8;
        needDot = false;
    } else {
        prefix = "http://";
        start = 0;
        needDot = true;
    }

    size_t hostEnd = t.find_first_of(":/?#", start);
    if (hostEnd == std::string::npos) hostEnd = t.size();
    if (!ValidHost(t.substr(start, hostEnd - start), needDot)) return false;

    size_t pos = hostEnd;
    if (pos < t.size() && t[pos] == ':') {
        size_t portEnd = t.find_first_of("/?#", pos + 1);
        if (portEnd == std::string::npos) portEnd = t.size();
        size_t digits = portEnd - pos - 1;
        if (digits == 0 || digits > 5) return false;
        long port = 0;
        for (size_t i = pos + 1; i < portEnd; ++i) {
            if (!std::isdigit(static_cast<unsigned char>(t[i]))) return false;
            port = port * 10 + (t[i] - '0');
        }
        if (port < 1 || port > 65535) return false;
        pos = portEnd;
    }
    for (size_t i = pos; i < t.size(); ++i)
        if (!SafePathChar(static_cast<unsigned char>(t[i]))) return false;

    out = prefix + t;
    return true;
}
