// POSIX implementation of the platform layer, for the native build. Each
// function reproduces the Windows behaviour the program relies on; the same
// tests run against the Win32 originals under Wine.
#include "common/misc/CxPlatform.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <time.h>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

namespace cxplat {

namespace {

std::optional<std::string> g_appDataOverride;
bool g_appDataAvailable = true;

// Days since 1970-01-01 to civil date (proleptic Gregorian).
void CivilFromDays(int64_t z, int& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int>(yy + (m <= 2));
}

int64_t DaysFromCivil(int y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

constexpr int64_t kOleEpochDays = -25569;  // 1899-12-30 relative to 1970-01-01
constexpr double kDateMin = -657434.0;       // 0100-01-01
constexpr double kDateMax = 2958465.0;       // 9999-12-31

bool IsProfileSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' ||
           c == 0x1a;
}

int FoldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

bool EqualNoCase(const std::string& a, const char* b, size_t blen) {
    if (a.size() != blen) return false;
    for (size_t i = 0; i < blen; ++i)
        if (FoldAscii(static_cast<unsigned char>(a[i])) != FoldAscii(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// In-memory form of a profile file, parsed and written by the Windows rules.
struct ProfileKey {
    std::string name;
    bool hasValue = false;
    std::string value;
};
struct ProfileSection {
    std::string name;  // empty: the keys before the first section
    std::vector<ProfileKey> keys;
};

std::string CutAtNul(const char* p, size_t n) {
    const void* z = memchr(p, 0, n);
    return std::string(p, z ? static_cast<const char*>(z) - p : n);
}

std::vector<ProfileSection> ParseProfile(const std::string& text) {
    std::vector<ProfileSection> sections(1);
    const ProfileKey* prev = nullptr;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        size_t lineEnd = nl == std::string::npos ? text.size() : nl + 1;
        size_t s = pos, e = lineEnd;
        pos = lineEnd;
        while (s < e && IsProfileSpace(text[s])) ++s;
        while (e > s && IsProfileSpace(text[e - 1])) --e;
        if (s >= e) continue;
        if (text[s] == '[') {
            size_t close = text.rfind(']', e - 1);
            if (close != std::string::npos && close >= s) {
                ProfileSection sec;
                sec.name = CutAtNul(text.data() + s + 1, close - s - 1);
                sections.push_back(std::move(sec));
                prev = nullptr;
                continue;
            }
        }
        size_t nameLen = e - s;
        size_t eq = text.find('=', s);
        bool hasValue = eq != std::string::npos && eq < e;
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
    return sections;
}

std::string SaveProfile(const std::vector<ProfileSection>& sections) {
    std::string out;
    for (const auto& sec : sections) {
        if (!sec.name.empty()) out += "[" + sec.name + "]\r\n";
        for (const auto& k : sec.keys) {
            out += k.name;
            if (k.hasValue) out += "=" + k.value;
            out += "\r\n";
        }
    }
    return out;
}

void Trimmed(const char* s, const char*& b, size_t& len) {
    while (*s && IsProfileSpace(*s)) ++s;
    size_t n = strlen(s);
    while (n > 1 && IsProfileSpace(s[n - 1])) --n;
    b = s;
    len = n;
}

ProfileKey* FindKey(std::vector<ProfileSection>& sections, const char* section, const char* key,
                    bool create) {
    const char* sb;
    size_t sl;
    const char* kb;
    size_t kl;
    Trimmed(section, sb, sl);
    Trimmed(key, kb, kl);
    for (auto& sec : sections) {
        if (sec.name.empty() || !EqualNoCase(sec.name, sb, sl)) continue;
        for (auto& k : sec.keys)
            if (EqualNoCase(k.name, kb, kl)) return &k;
        if (!create) return nullptr;
        sec.keys.push_back(ProfileKey{key, false, {}});
        return &sec.keys.back();
    }
    if (!create) return nullptr;
    ProfileSection sec;
    sec.name = section;
    sec.keys.push_back(ProfileKey{key, false, {}});
    sections.push_back(std::move(sec));
    return &sections.back().keys.back();
}

bool ReadWholeFile(const char* path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    out = ss.str();
    return true;
}

// Windows-1252 bytes 0x80..0x9F; 0 marks the five undefined bytes, which
// Windows maps to the control code of the same value.
const char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char16_t Cp1252ToUnit(unsigned char c) {
    if (c >= 0x80 && c <= 0x9F) {
        char16_t u = kCp1252High[c - 0x80];
        return u ? u : c;
    }
    return c;
}

int UnitToCp1252(char16_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return u;
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == u || (kCp1252High[i] == 0 && u == 0x80 + i)) return 0x80 + i;
    return -1;
}

}  // namespace

void GetLocalTime(CxSystemTime& out) {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm t{};
    localtime_r(&ts.tv_sec, &t);
    out.wYear = static_cast<uint16_t>(t.tm_year + 1900);
    out.wMonth = static_cast<uint16_t>(t.tm_mon + 1);
    out.wDayOfWeek = static_cast<uint16_t>(t.tm_wday);
    out.wDay = static_cast<uint16_t>(t.tm_mday);
    out.wHour = static_cast<uint16_t>(t.tm_hour);
    out.wMinute = static_cast<uint16_t>(t.tm_min);
    out.wSecond = static_cast<uint16_t>(t.tm_sec);
    out.wMilliseconds = static_cast<uint16_t>(ts.tv_nsec / 1000000);
}

bool VariantTimeToSystemTime(double date, CxSystemTime& out) {
    if (!(date > kDateMin - 1.0 && date < kDateMax + 1.0)) return false;
    // Whole days towards zero; the fraction is the time of day even for
    // negative dates (-1.25 is 29 Dec 1899 06:00).
    const double dayPart = date < 0.0 ? std::ceil(date) : std::floor(date);
    double t = std::fabs(date - dayPart) + 1e-11;  // guards against 0.99999 truncation
    if (t >= 1.0) t -= 1e-11;
    int64_t days = static_cast<int64_t>(dayPart) + kOleEpochDays;
    t *= 24.0;
    int hour = static_cast<int>(t);
    t = (t - hour) * 60.0;
    int minute = static_cast<int>(t);
    t = (t - minute) * 60.0;
    int second = static_cast<int>(t);
    t -= second;
    if (t > 0.5 && ++second == 60) {
        second = 0;
        if (++minute == 60) {
            minute = 0;
            if (++hour == 24) {
                hour = 0;
                ++days;
            }
        }
    }
    int y;
    unsigned m, d;
    CivilFromDays(days, y, m, d);
    out.wYear = static_cast<uint16_t>(y);
    out.wMonth = static_cast<uint16_t>(m);
    out.wDay = static_cast<uint16_t>(d);
    int64_t wd = (days + 4) % 7;  // 1970-01-01 was a Thursday
    out.wDayOfWeek = static_cast<uint16_t>(wd < 0 ? wd + 7 : wd);
    out.wHour = static_cast<uint16_t>(hour);
    out.wMinute = static_cast<uint16_t>(minute);
    out.wSecond = static_cast<uint16_t>(second);
    out.wMilliseconds = 0;
    return true;
}

bool SystemTimeToVariantTime(const CxSystemTime& st, double& out) {
    if (st.wYear < 100 || st.wYear > 9999 || st.wMonth < 1 || st.wMonth > 12 || st.wDay < 1 ||
        st.wDay > 31 || st.wHour > 23 || st.wMinute > 59 || st.wSecond > 59)
        return false;
    int64_t days = DaysFromCivil(st.wYear, st.wMonth, st.wDay) - kOleEpochDays;
    double frac = (st.wHour * 3600.0 + st.wMinute * 60.0 + st.wSecond) / 86400.0;
    out = days >= 0 ? static_cast<double>(days) + frac : static_cast<double>(days) - frac;
    return true;
}

uint32_t CurrentThreadId() { return static_cast<uint32_t>(syscall(SYS_gettid)); }

uint64_t TickMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

void SleepMs(uint32_t ms) {
    timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

uint32_t ReadProfileString(const char* path, const char* section, const char* key,
                           const char* def, char* buf, uint32_t size) {
    if (!buf || size == 0) return 0;
    if (!key || !*key) return 0;
    // Trailing blanks of the default are dropped.
    std::string defVal = def ? def : "";
    while (!defVal.empty() && defVal.back() == ' ') defVal.pop_back();
    std::string text;
    std::vector<ProfileSection> sections;
    if (path && ReadWholeFile(path, text)) sections = ParseProfile(text);
    const ProfileKey* k =
        section ? FindKey(sections, section, key, false) : nullptr;
    std::string value = (k && k->hasValue) ? k->value : defVal;
    // A value enclosed in matching quotes loses them.
    bool quoted = value.size() > 1 && (value[0] == '"' || value[0] == '\'') &&
                  value.back() == value[0];
    const char* v = value.c_str() + (quoted ? 1 : 0);
    size_t vlen = strlen(v);
    size_t n = vlen < size - 1 ? vlen : size - 1;
    memcpy(buf, v, n);
    buf[n] = 0;
    if (quoted && size >= vlen && n > 0) buf[--n] = 0;
    return static_cast<uint32_t>(n);
}

bool WriteProfileText(const char* path, const char* section, const char* key,
                      const char* value) {
    if (!path || !*path || !section || !key) return false;
    std::string text;
    bool existed = ReadWholeFile(path, text);
    std::vector<ProfileSection> sections = existed ? ParseProfile(text) : std::vector<ProfileSection>(1);
    const char* v = value ? value : "";
    while (IsProfileSpace(*v)) ++v;
    ProfileKey* k = FindKey(sections, section, key, true);
    if (k->hasValue && k->value == v) return true;  // no change, file left alone
    k->hasValue = true;
    k->value = v;
    std::string outText = SaveProfile(sections);
    FILE* f = fopen(path, "wb");
    if (!f) return false;
    bool ok = fwrite(outText.data(), 1, outText.size(), f) == outText.size();
    ok = (fclose(f) == 0) && ok;
    return ok;
}

void OverrideCommonAppDataFolder(const char* folder, bool available) {
    if (folder) g_appDataOverride = folder; else g_appDataOverride.reset();
    g_appDataAvailable = available;
}

bool GetCommonAppDataFolder(std::string& out) {
    if (!g_appDataAvailable) return false;
    if (g_appDataOverride) { out = *g_appDataOverride; return true; }
    const char* env = getenv("VANTORO_COMMON_APPDATA");
    if (env && *env) { out = env; return true; }
    const char* xdg = getenv("XDG_DATA_HOME");
    if (xdg && *xdg) { out = xdg; return FolderExists(xdg) || CreateFolder(xdg); }
    const char* home = getenv("HOME");
    if (!home || !*home) return false;
    out = std::string(home) + "/.local/share";
    return FolderExists(out.c_str());
}

bool FolderExists(const char* path) {
    struct stat st{};
    return path && stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateFolder(const char* path) { return path && mkdir(path, 0777) == 0; }

bool FileExists(const char* path) {
    struct stat st{};
    return path && stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

bool RemoveFile(const char* path) { return path && unlink(path) == 0; }

bool CopyFileReplace(const char* from, const char* to) {
    std::string data;
    if (!ReadWholeFile(from, data)) return false;
    FILE* f = fopen(to, "wb");
    if (!f) return false;
    bool ok = fwrite(data.data(), 1, data.size(), f) == data.size();
    return (fclose(f) == 0) && ok;
}

bool GetModulePath(const void* module, std::string& out) {
    if (module) return false;
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return false;
    out.assign(buf, static_cast<size_t>(n));
    return true;
}

FILE* OpenExclusive(const char* path, const char* mode) {
    if (!path || !*path || !mode || !*mode) return nullptr;
    const bool plus = strchr(mode, '+') != nullptr;
    int flags = 0;
    switch (mode[0]) {
        case 'r': flags = plus ? O_RDWR : O_RDONLY; break;
        case 'w': flags = (plus ? O_RDWR : O_WRONLY) | O_CREAT; break;
        case 'a': flags = (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND; break;
        default: return nullptr;
    }
    int fd = open(path, flags | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    // Lock before truncating, so a holder's data is never touched.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return nullptr;
    }
    if (mode[0] == 'w' && ftruncate(fd, 0) != 0) {
        close(fd);
        return nullptr;
    }
    FILE* f = fdopen(fd, mode);
    if (!f) close(fd);
    return f;
}

bool GetFileVersion(const char*, uint16_t version[4]) {
    version[0] = version[1] = version[2] = version[3] = 0;
    return false;  // no version resources here
}

bool RegReadString(RegRoot, const char*, const char*, std::string&) { return false; }

bool RegKeyExists(RegRoot, const char*) { return false; }

// Palm Desktop's libraries exist only on Windows.
void* LoadModule(const char*) { return nullptr; }
void* GetModuleSymbol(void*, const char*) { return nullptr; }
void UnloadModule(void*) {}

bool SetCurrentFolder(const char* path) { return path && *path && chdir(path) == 0; }

bool GetCurrentFolder(std::string& out) {
    char buf[4096];
    if (!getcwd(buf, sizeof(buf))) return false;
    out = buf;
    return true;
}

bool ShellOpen(const char*) { return false; }

unsigned AnsiCodePage() { return 1252; }

int AnsiToUtf16(const char* in, int inLen, char16_t* out, int outCap) {
    if (inLen < 0) inLen = static_cast<int>(strlen(in)) + 1;
    if (outCap == 0) return inLen;
    if (outCap < inLen) return -1;
    for (int i = 0; i < inLen; ++i) out[i] = Cp1252ToUnit(static_cast<unsigned char>(in[i]));
    return inLen;
}

int Utf16ToAnsi(const char16_t* in, int inLen, char* out, int outCap) {
    if (inLen < 0) {
        inLen = 0;
        while (in[inLen]) ++inLen;
        ++inLen;
    }
    if (outCap == 0) return inLen;
    if (outCap < inLen) return -1;
    for (int i = 0; i < inLen; ++i) {
        int c = UnitToCp1252(in[i]);
        out[i] = static_cast<char>(c < 0 ? '?' : c);
    }
    return inLen;
}

bool FlushToDisk(FILE* f) {
    if (!f || fflush(f) != 0) return false;
    return fsync(fileno(f)) == 0;
}

bool MoveFileReplace(const char* from, const char* to) {
    if (!from || !*from || !to || !*to) return false;
    return rename(from, to) == 0;
}

}  // namespace cxplat
