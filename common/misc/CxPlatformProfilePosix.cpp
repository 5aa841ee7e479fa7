// POSIX stand-in for the Windows profile (ini) functions, following Wine's
// reading of them: a byte-order mark selects UTF-8 or UTF-16, lines end at
// CR or LF, names compare without case. A file is parsed once and the parse
// kept while its bytes stay the same.
#include "common/misc/CxPlatform.h"

#include <sys/stat.h>

#include <cstring>
#include <mutex>
#include <vector>

namespace cxplat {

namespace {

enum class ProfileEncoding { Ansi, Utf8, Utf16Le, Utf16Be };

struct ProfileKey {
    std::u16string name;
    bool hasValue = false;
    std::u16string value;
};
struct ProfileSection {
    std::u16string name;  // empty: the keys before the first section
    std::vector<ProfileKey> keys;
};
struct Profile {
    ProfileEncoding encoding = ProfileEncoding::Ansi;
    std::vector<ProfileSection> sections = std::vector<ProfileSection>(1);
};

bool IsProfileSpace(char16_t c) { return (c >= 0x09 && c <= 0x0d) || c == 0x20 || c == 0x1a; }

char16_t Fold(char16_t c) { return (c >= 'A' && c <= 'Z') ? static_cast<char16_t>(c + 32) : c; }

bool EqualNoCase(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

std::u16string AnsiToWide(const char* p, size_t n) {
    std::u16string out(n, u'\0');
    if (n && AnsiToUtf16(p, static_cast<int>(n), out.data(), static_cast<int>(n)) < 0) out.clear();
    return out;
}

std::string WideToAnsi(const std::u16string& w) {
    std::string out(w.size(), '\0');
    if (!w.empty() && Utf16ToAnsi(w.data(), static_cast<int>(w.size()), out.data(),
                                  static_cast<int>(out.size())) < 0)
        out.clear();
    return out;
}

// Malformed sequences become U+FFFD, as MultiByteToWideChar does.
std::u16string Utf8ToWide(const std::string& s, size_t from) {
    std::u16string out;
    size_t i = from;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || i + extra >= s.size() + (extra ? 0 : 1)) {
            out += u'\xFFFD';
            ++i;
            continue;
        }
        uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) { ok = false; break; }
            cp = cp << 6 | (t & 0x3F);
        }
        if (!ok) {
            out += u'\xFFFD';
            ++i;
            continue;
        }
        i += static_cast<size_t>(extra) + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string WideToUtf8(const std::u16string& w) {
    std::string out;
    for (size_t i = 0; i < w.size(); ++i) {
        uint32_t cp = w[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < w.size() && w[i + 1] >= 0xDC00 && w[i + 1] < 0xE000)
            cp = 0x10000 + ((cp - 0xD800) << 10) + (w[++i] - 0xDC00);
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | cp >> 6);
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | cp >> 12);
            out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | cp >> 18);
            out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

std::u16string Decode(const std::string& bytes, ProfileEncoding& encoding) {
    auto starts = [&](const char* mark, size_t n) { return bytes.size() >= n && memcmp(bytes.data(), mark, n) == 0; };
    if (starts("\xEF\xBB\xBF", 3)) {
        encoding = ProfileEncoding::Utf8;
        return Utf8ToWide(bytes, 3);
    }
    const bool le = starts("\xFF\xFE", 2), be = starts("\xFE\xFF", 2);
    if (le || be) {
        encoding = le ? ProfileEncoding::Utf16Le : ProfileEncoding::Utf16Be;
        std::u16string out;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const unsigned char a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
            out += static_cast<char16_t>(le ? (a | b << 8) : (b | a << 8));
        }
        return out;
    }
    encoding = ProfileEncoding::Ansi;
    return AnsiToWide(bytes.data(), bytes.size());
}

std::string Encode(const std::u16string& text, ProfileEncoding encoding) {
    switch (encoding) {
        case ProfileEncoding::Utf8:
            return "\xEF\xBB\xBF" + WideToUtf8(text);
        case ProfileEncoding::Utf16Le:
        case ProfileEncoding::Utf16Be: {
            const bool le = encoding == ProfileEncoding::Utf16Le;
            std::string out = le ? "\xFF\xFE" : "\xFE\xFF";
            for (char16_t c : text) {
                const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
                out += le ? lo : hi;
                out += le ? hi : lo;
            }
            return out;
        }
        case ProfileEncoding::Ansi:
            break;
    }
    return WideToAnsi(text);
}

std::u16string CutAtNul(const char16_t* p, size_t n) {
    size_t len = 0;
    while (len < n && p[len]) ++len;
    return std::u16string(p, len);
}

Profile Parse(const std::string& bytes) {
    Profile profile;
    const std::u16string text = Decode(bytes, profile.encoding);
    std::vector<ProfileSection>& sections = profile.sections;
    const ProfileKey* prev = nullptr;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t s = pos, e = pos;
        while (e < text.size() && text[e] != u'\n' && text[e] != u'\r') ++e;
        pos = e;
        while (pos < text.size() && (text[pos] == u'\n' || text[pos] == u'\r')) ++pos;
        while (s < e && IsProfileSpace(text[s])) ++s;
        while (e > s && IsProfileSpace(text[e - 1])) --e;
        if (s >= e) continue;
        if (text[s] == u'[') {
            size_t close = e - 1;
            while (close > s && text[close] != u']') --close;
            if (close > s) {
                ProfileSection sec;
                size_t ns = s + 1, ne = close;
                while (ns < ne && IsProfileSpace(text[ns])) ++ns;
                while (ne > ns && IsProfileSpace(text[ne - 1])) --ne;
                sec.name = CutAtNul(text.data() + ns, ne - ns);
                sections.push_back(std::move(sec));
                prev = nullptr;
                continue;
            }
        }
        size_t nameLen = e - s;
        size_t eq = s;
        while (eq < e && text[eq] != u'=') ++eq;
        const bool hasValue = eq < e;
        size_t valueStart = e;
        if (hasValue) {
            size_t ne = eq;
            while (ne > s && IsProfileSpace(text[ne - 1])) --ne;
            nameLen = ne - s;
            valueStart = eq + 1;
            while (valueStart < e && IsProfileSpace(text[valueStart])) ++valueStart;
        }
        if (nameLen || !prev || !prev->name.empty()) {
            ProfileKey key;
            key.name = CutAtNul(text.data() + s, nameLen);
            key.hasValue = hasValue;
            if (hasValue) key.value = CutAtNul(text.data() + valueStart, e - valueStart);
            sections.back().keys.push_back(std::move(key));
            prev = &sections.back().keys.back();
        }
    }
    return profile;
}

std::string Save(const Profile& profile, size_t sizeHint) {
    std::u16string out;
    out.reserve(sizeHint + 256);
    for (const auto& sec : profile.sections) {
        if (!sec.name.empty()) {
            out += u'[';
            out += sec.name;
            out += u"]\r\n";
        }
        for (const auto& k : sec.keys) {
            out += k.name;
            if (k.hasValue) {
                out += u'=';
                out += k.value;
            }
            out += u"\r\n";
        }
    }
    return Encode(out, profile.encoding);
}

std::u16string Trimmed(const char* s) {
    std::u16string w = AnsiToWide(s, strlen(s));
    size_t b = 0, e = w.size();
    while (b < e && IsProfileSpace(w[b])) ++b;
    while (e > b + 1 && IsProfileSpace(w[e - 1])) --e;
    return w.substr(b, e - b);
}

ProfileKey* FindKey(Profile& profile, const char* section, const char* key, bool create) {
    const std::u16string sec = Trimmed(section), name = Trimmed(key);
    for (auto& s : profile.sections) {
        if (s.name.empty() || !EqualNoCase(s.name, sec)) continue;
        for (auto& k : s.keys)
            if (EqualNoCase(k.name, name)) return &k;
        if (!create) return nullptr;
        s.keys.push_back(ProfileKey{AnsiToWide(key, strlen(key)), false, {}});
        return &s.keys.back();
    }
    if (!create) return nullptr;
    ProfileSection s;
    s.name = AnsiToWide(section, strlen(section));
    s.keys.push_back(ProfileKey{AnsiToWide(key, strlen(key)), false, {}});
    profile.sections.push_back(std::move(s));
    return &profile.sections.back().keys.back();
}

// The last file parsed. Modification times can be as coarse as the timer
// tick, so a file rewritten within one tick at the same size would look
// unchanged: the bytes themselves decide, and only parsing is saved.
struct ProfileCache {
    std::mutex lock;
    std::string path;
    std::string bytes;
    std::string scratch;  // the bytes read for the comparison, kept for reuse
    Profile profile;
};

ProfileCache& Cache() {
    static ProfileCache cache;
    return cache;
}

bool ReadBytes(const char* path, std::string& out) {
    struct stat st{};
    if (stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    FILE* f = fopen(path, "rb");
    if (!f) return false;
    out.resize(static_cast<size_t>(st.st_size));
    size_t got = out.empty() ? 0 : fread(out.data(), 1, out.size(), f);
    // The file may have grown or shrunk since the stat.
    char more[4096];
    while (size_t n = fread(more, 1, sizeof(more), f)) {
        out.append(more, n);
        got += n;
    }
    const bool ok = !ferror(f);
    fclose(f);
    out.resize(got);
    return ok;
}

// The parsed file; false when it cannot be read (the caller uses an empty one).
bool Load(ProfileCache& c, const char* path) {
    if (!ReadBytes(path, c.scratch)) return false;
    if (c.path == path && c.bytes == c.scratch) return true;
    c.profile = Parse(c.scratch);
    c.bytes.swap(c.scratch);
    c.path = path;
    return true;
}

void Forget(ProfileCache& c) {
    c.path.clear();
    c.bytes.clear();
    c.profile = Profile();
}

}  // namespace

uint32_t ReadProfileString(const char* path, const char* section, const char* key,
                           const char* def, char* buf, uint32_t size) {
    if (!buf || size == 0) return 0;
    if (!key || !*key) return 0;
    // Trailing blanks of the default are dropped.
    std::string value = def ? def : "";
    while (!value.empty() && value.back() == ' ') value.pop_back();
    if (path && section) {
        ProfileCache& c = Cache();
        std::lock_guard<std::mutex> hold(c.lock);
        if (Load(c, path)) {
            const ProfileKey* k = FindKey(c.profile, section, key, false);
            if (k && k->hasValue) value = WideToAnsi(k->value);
        }
    }
    // A value enclosed in matching quotes loses them.
    const bool quoted = value.size() > 1 && (value[0] == '"' || value[0] == '\'') &&
                        value.back() == value[0];
    const char* v = value.c_str() + (quoted ? 1 : 0);
    const size_t vlen = strlen(v);
    size_t n = vlen < size - 1 ? vlen : size - 1;
    memcpy(buf, v, n);
    buf[n] = 0;
    if (quoted && size >= vlen && n > 0) buf[--n] = 0;
    return static_cast<uint32_t>(n);
}

bool WriteProfileText(const char* path, const char* section, const char* key,
                      const char* value) {
    if (!path || !*path || !section || !key) return false;
    ProfileCache& c = Cache();
    std::lock_guard<std::mutex> hold(c.lock);
    if (!Load(c, path)) {
        Forget(c);
        c.path = path;  // a new file
    }
    const char* v = value ? value : "";
    while (IsProfileSpace(static_cast<unsigned char>(*v))) ++v;
    const std::u16string wide = AnsiToWide(v, strlen(v));
    ProfileKey* k = FindKey(c.profile, section, key, true);
    if (k->hasValue && k->value == wide) return true;  // no change, file left alone
    k->hasValue = true;
    k->value = wide;
    std::string out = Save(c.profile, c.bytes.size());
    FILE* f = fopen(path, "wb");
    bool ok = f && fwrite(out.data(), 1, out.size(), f) == out.size();
    if (f) ok = (fclose(f) == 0) && ok;
    if (ok) {
        c.bytes = std::move(out);
    } else {
        Forget(c);
    }
    return ok;
}

}  // namespace cxplat
