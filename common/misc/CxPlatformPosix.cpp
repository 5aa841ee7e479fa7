// POSIX implementation of the platform layer, for the native build. Each
// function reproduces the Windows behaviour the program relies on; the same
// tests run against the Win32 originals under Wine.
#include "common/misc/CxPlatform.h"

#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
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
std::optional<std::string> g_localAppDataOverride;
bool g_localAppDataAvailable = true;

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

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
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
    // Know whether this call made the file, so a failure after that leaves
    // nothing behind.
    bool created = false;
    int fd = -1;
    if (flags & O_CREAT) {
        fd = open(path, flags | O_EXCL | O_CLOEXEC, 0666);
        created = fd >= 0;
    }
    if (fd < 0) fd = open(path, (flags & ~O_CREAT) | O_CLOEXEC);
    if (fd < 0) return nullptr;
    auto fail = [&]() -> FILE* {
        close(fd);
        if (created) unlink(path);
        return nullptr;
    };
    // Lock before truncating, so a holder's data is never touched.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) return fail();
    if (mode[0] == 'w' && ftruncate(fd, 0) != 0) return fail();
    FILE* f = fdopen(fd, mode);
    if (!f) return fail();
    return f;
}

FILE* OpenReadDenyWrite(const char* path) {
    if (!path || !*path) return nullptr;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    // A shared lock: other readers go on, an exclusive holder keeps us out.
    if (flock(fd, LOCK_SH | LOCK_NB) != 0) {
        close(fd);
        return nullptr;
    }
    FILE* f = fdopen(fd, "rb");
    if (!f) close(fd);
    return f;
}

bool IsRegularFile(const char* path) {
    struct stat st {};
    return path && *path && lstat(path, &st) == 0 && S_ISREG(st.st_mode);
}

void OverrideLocalAppDataFolder(const char* folder, bool available) {
    if (folder) g_localAppDataOverride = folder; else g_localAppDataOverride.reset();
    g_localAppDataAvailable = available;
}

bool GetLocalAppDataFolder(std::string& out) {
    if (!g_localAppDataAvailable) return false;
    if (g_localAppDataOverride) { out = *g_localAppDataOverride; return true; }
    const char* xdg = getenv("XDG_DATA_HOME");
    if (xdg && *xdg) out = xdg;
    else {
        const char* home = getenv("HOME");
        if (!home || !*home) return false;
        out = std::string(home) + "/.local/share";
    }
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    return true;
}

bool ListFolder(const char* path, std::vector<FolderEntry>& out) {
    out.clear();
    if (!path || !*path) return false;
    DIR* d = opendir(path);
    if (!d) return false;
    const std::string base = std::string(path) + "/";
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        FolderEntry entry;
        entry.name = name;
        // A link is an entry of its own, never the folder it points to.
        struct stat st{};
        entry.folder = lstat((base + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        out.push_back(std::move(entry));
    }
    closedir(d);
    return true;
}

bool RemoveFolder(const char* path) { return path && *path && rmdir(path) == 0; }

bool GetFileState(const char* path, uint64_t& size, uint64_t& writeTime) {
    struct stat st{};
    if (!path || stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    size = static_cast<uint64_t>(st.st_size);
    // Seconds from 1601 to 1970: 11644473600.
    writeTime = (static_cast<uint64_t>(st.st_mtim.tv_sec) + 11644473600ULL) * 10000000ULL +
                static_cast<uint64_t>(st.st_mtim.tv_nsec) / 100u;
    return true;
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

int Utf16ToAnsiExact(const char16_t* in, int inLen, char* out, int outCap) {
    if (inLen < 0) {
        inLen = 0;
        while (in[inLen]) ++inLen;
        ++inLen;
    }
    for (int i = 0; i < inLen; ++i)
        if (UnitToCp1252(in[i]) < 0) return -1;
    return Utf16ToAnsi(in, inLen, out, outCap);
}

bool CodePageToUtf8(unsigned codePage, const char* in, size_t len, std::string& out) {
    out.clear();
    if (!in) len = 0;
    if (codePage == 1252) {
        // The table above, so the undefined bytes map as on Windows.
        out.reserve(len);
        for (size_t i = 0; i < len; ++i) AppendUtf8(out, Cp1252ToUnit(static_cast<unsigned char>(in[i])));
        return true;
    }
    char name[16];
    if (codePage == 65001) {
        snprintf(name, sizeof(name), "UTF-8");
    } else {
        snprintf(name, sizeof(name), "CP%u", codePage);
    }
    iconv_t cd = iconv_open("UTF-8", name);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    char* src = const_cast<char*>(in);
    size_t srcLeft = len;
    char buf[1024];
    while (srcLeft > 0) {
        char* dst = buf;
        size_t dstLeft = sizeof(buf);
        const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        const int err = errno;
        out.append(buf, sizeof(buf) - dstLeft);
        if (r != static_cast<size_t>(-1)) break;
        if (err == E2BIG) continue;
        // An undefined or cut-off sequence: one replacement character per byte.
        AppendUtf8(out, 0xFFFD);
        ++src;
        --srcLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return true;
}

bool SetStdoutBinary() { return true; }

bool FlushToDisk(FILE* f) {
    if (!f || fflush(f) != 0) return false;
    return fsync(fileno(f)) == 0;
}

bool MoveFileReplace(const char* from, const char* to) {
    if (!from || !*from || !to || !*to) return false;
    return rename(from, to) == 0;
}

}  // namespace cxplat
