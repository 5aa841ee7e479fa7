// Win32 implementation of the platform layer.
#include "common/misc/CxPlatform.h"

#include <windows.h>
#include <io.h>
#include <fcntl.h>
#include <oleauto.h>
#include <shellapi.h>
#include <shlobj.h>
#include <knownfolders.h>

#include <optional>
#include <vector>

namespace cxplat {

namespace {
std::optional<std::string> g_appDataOverride;
bool g_appDataAvailable = true;
std::optional<std::string> g_localAppDataOverride;
bool g_localAppDataAvailable = true;
}  // namespace

void GetLocalTime(CxSystemTime& out) {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    static_assert(sizeof(st) == sizeof(out), "SYSTEMTIME layout");
    memcpy(static_cast<void*>(&out), &st, sizeof(out));
}

bool VariantTimeToSystemTime(double date, CxSystemTime& out) {
    SYSTEMTIME st = {};
    bool ok = ::VariantTimeToSystemTime(date, &st) != 0;
    memcpy(static_cast<void*>(&out), &st, sizeof(out));
    return ok;
}

bool SystemTimeToVariantTime(const CxSystemTime& in, double& out) {
    SYSTEMTIME st;
    memcpy(&st, static_cast<const void*>(&in), sizeof(st));
    DATE d = 0;
    bool ok = ::SystemTimeToVariantTime(&st, &d) != 0;
    out = d;
    return ok;
}

uint32_t CurrentThreadId() { return ::GetCurrentThreadId(); }

uint64_t TickMs() { return ::GetTickCount64(); }

void SleepMs(uint32_t ms) { ::Sleep(ms); }

uint32_t ReadProfileString(const char* path, const char* section, const char* key,
                          const char* def, char* buf, uint32_t size) {
    if (!buf || size == 0) return 0;
    return ::GetPrivateProfileStringA(section, key, def ? def : "", buf, size, path);
}

bool WriteProfileText(const char* path, const char* section, const char* key,
                        const char* value) {
    return ::WritePrivateProfileStringA(section, key, value ? value : "", path) != 0;
}

void OverrideCommonAppDataFolder(const char* folder, bool available) {
    if (folder) g_appDataOverride = folder; else g_appDataOverride.reset();
    g_appDataAvailable = available;
}

bool GetCommonAppDataFolder(std::string& out) {
    if (!g_appDataAvailable) return false;
    if (g_appDataOverride) { out = *g_appDataOverride; return true; }
    char path[MAX_PATH] = {};
    // CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, current path.
    if (FAILED(::SHGetFolderPathA(nullptr, 0x8023, nullptr, SHGFP_TYPE_CURRENT, path)))
        return false;
    out = path;
    return true;
}

bool FolderExists(const char* path) {
    DWORD a = ::GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolder(const char* path) { return ::CreateDirectoryA(path, nullptr) != 0; }

bool FileExists(const char* path) {
    DWORD a = ::GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool RemoveFile(const char* path) { return ::DeleteFileA(path) != 0; }

bool CopyFileReplace(const char* from, const char* to) {
    return ::CopyFileA(from, to, FALSE) != 0;
}

bool GetModulePath(const void* module, std::string& out) {
    char path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameA(static_cast<HMODULE>(const_cast<void*>(module)), path,
                                   MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    out.assign(path, n);
    return true;
}

FILE* OpenExclusive(const char* path, const char* mode) {
    if (!path || !*path || !mode || !*mode) return nullptr;
    const bool write = mode[0] == 'w' || mode[0] == 'a';
    const bool plus = strchr(mode, '+') != nullptr;
    DWORD access = GENERIC_READ | ((write || plus) ? GENERIC_WRITE : 0);
    DWORD disposition = mode[0] == 'w' ? CREATE_ALWAYS : mode[0] == 'a' ? OPEN_ALWAYS : OPEN_EXISTING;
    HANDLE h = ::CreateFileA(path, access, 0 /* no sharing */, nullptr, disposition,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    // A file this call made is removed again when the rest fails.
    const bool created = disposition != OPEN_EXISTING && ::GetLastError() != ERROR_ALREADY_EXISTS;
    int flags = _O_BINARY | ((write || plus) ? (mode[0] == 'a' ? _O_APPEND : 0) : _O_RDONLY);
    if (write || plus) flags |= _O_RDWR;
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), flags);
    if (fd < 0) {
        ::CloseHandle(h);
        if (created) ::DeleteFileA(path);
        return nullptr;
    }
    FILE* f = _fdopen(fd, mode);
    if (!f) {
        _close(fd);
        if (created) ::DeleteFileA(path);
        return nullptr;
    }
    return f;
}

FILE* OpenReadDenyWrite(const char* path) {
    if (!path || !*path) return nullptr;
    HANDLE h = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_BINARY | _O_RDONLY);
    if (fd < 0) {
        ::CloseHandle(h);
        return nullptr;
    }
    FILE* f = _fdopen(fd, "rb");
    if (!f) _close(fd);
    return f;
}

bool IsRegularFile(const char* path) {
    if (!path || !*path) return false;
    const DWORD a = ::GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES &&
           (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) == 0;
}

void OverrideLocalAppDataFolder(const char* folder, bool available) {
    if (folder) g_localAppDataOverride = folder; else g_localAppDataOverride.reset();
    g_localAppDataAvailable = available;
}

bool GetLocalAppDataFolder(std::string& out) {
    if (!g_localAppDataAvailable) return false;
    if (g_localAppDataOverride) { out = *g_localAppDataOverride; return true; }
    PWSTR wide = nullptr;
    if (FAILED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, &wide))) {
        ::CoTaskMemFree(wide);
        return false;
    }
    // The program's paths are ANSI; a folder the code page cannot spell is unusable.
    BOOL lossy = FALSE;
    int n = ::WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, &lossy);
    std::string text(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0) ::WideCharToMultiByte(CP_ACP, 0, wide, -1, &text[0], n, nullptr, &lossy);
    ::CoTaskMemFree(wide);
    if (n <= 1 || lossy) return false;
    text.resize(static_cast<size_t>(n - 1));
    out = text;
    return true;
}

bool ListFolder(const char* path, std::vector<FolderEntry>& out) {
    out.clear();
    if (!path || !*path) return false;
    const std::string pattern = std::string(path) + "\\*";
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND && FolderExists(path);
    do {
        const std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        FolderEntry entry;
        entry.name = name;
        // A junction or link is an entry of its own, never the folder it points to.
        entry.folder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                       !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
        out.push_back(std::move(entry));
    } while (::FindNextFileA(h, &fd));
    ::FindClose(h);
    return true;
}

bool RemoveFolder(const char* path) { return path && *path && ::RemoveDirectoryA(path) != 0; }

bool GetFileState(const char* path, uint64_t& size, uint64_t& writeTime) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!path || !::GetFileAttributesExA(path, GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    writeTime = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                data.ftLastWriteTime.dwLowDateTime;
    return true;
}

bool GetFileVersion(const char* path, uint16_t version[4]) {
    version[0] = version[1] = version[2] = version[3] = 0;
    DWORD handle = 0;
    DWORD size = ::GetFileVersionInfoSizeA(path, &handle);
    if (size == 0) return false;
    std::vector<char> data(size);
    if (!::GetFileVersionInfoA(path, 0, size, data.data())) return false;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    if (!::VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &len) || !info ||
        len < sizeof(VS_FIXEDFILEINFO))
        return false;
    version[0] = HIWORD(info->dwFileVersionMS);
    version[1] = LOWORD(info->dwFileVersionMS);
    version[2] = HIWORD(info->dwFileVersionLS);
    version[3] = LOWORD(info->dwFileVersionLS);
    return true;
}

bool RegReadString(RegRoot root, const char* key, const char* value, std::string& out) {
    HKEY hRoot = root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    HKEY h = nullptr;
    if (::RegOpenKeyExA(hRoot, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    DWORD type = 0, size = 0;
    LONG rc = ::RegQueryValueExA(h, value, nullptr, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        ::RegCloseKey(h);
        return false;
    }
    std::vector<char> data(size + 1, 0);
    rc = ::RegQueryValueExA(h, value, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    ::RegCloseKey(h);
    if (rc != ERROR_SUCCESS) return false;
    out.assign(data.data());
    return true;
}

bool RegKeyExists(RegRoot root, const char* key) {
    HKEY hRoot = root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    HKEY h = nullptr;
    if (::RegOpenKeyExA(hRoot, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    ::RegCloseKey(h);
    return true;
}

void* LoadModule(const char* path) {
    return (path && *path) ? reinterpret_cast<void*>(::LoadLibraryA(path)) : nullptr;
}

void* GetModuleSymbol(void* module, const char* name) {
    if (!module || !name) return nullptr;
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), name));
}

void UnloadModule(void* module) {
    if (module) ::FreeLibrary(static_cast<HMODULE>(module));
}

bool SetCurrentFolder(const char* path) {
    return path && *path && ::SetCurrentDirectoryA(path) != 0;
}

bool GetCurrentFolder(std::string& out) {
    char buf[MAX_PATH] = {};
    DWORD n = ::GetCurrentDirectoryA(MAX_PATH, buf);
    if (n == 0 || n >= MAX_PATH) return false;
    out.assign(buf, n);
    return true;
}

bool ShellOpen(const char* target) {
    HINSTANCE r = ::ShellExecuteA(nullptr, "open", target, "", "", SW_SHOWNORMAL);
    return reinterpret_cast<intptr_t>(r) > 32;
}

unsigned AnsiCodePage() { return ::GetACP(); }

int AnsiToUtf16(const char* in, int inLen, char16_t* out, int outCap) {
    if (inLen == 0) return 0;
    int n = ::MultiByteToWideChar(CP_ACP, 0, in, inLen, reinterpret_cast<wchar_t*>(out), outCap);
    return n > 0 ? n : -1;
}

int Utf16ToAnsi(const char16_t* in, int inLen, char* out, int outCap) {
    if (inLen == 0) return 0;
    int n = ::WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(in), inLen, out,
                                  outCap, nullptr, nullptr);
    return n > 0 ? n : -1;
}

int Utf16ToAnsiExact(const char16_t* in, int inLen, char* out, int outCap) {
    if (inLen == 0) return 0;
    const wchar_t* w = reinterpret_cast<const wchar_t*>(in);
    // UTF-8 takes neither flag nor default character: only broken surrogates fail.
    if (::GetACP() == CP_UTF8) {
        int n = ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, w, inLen, out, outCap,
                                      nullptr, nullptr);
        return n > 0 ? n : -1;
    }
    BOOL usedDefault = FALSE;
    int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w, inLen, out, outCap, nullptr,
                                  &usedDefault);
    return n > 0 && !usedDefault ? n : -1;
}

bool CodePageToUtf8(unsigned codePage, const char* in, size_t len, std::string& out) {
    out.clear();
    if (!in) len = 0;
    if (codePage == 0 || !::IsValidCodePage(codePage)) return false;
    if (len == 0) return true;
    if (len > 0x3FFFFFFF) return false;
    std::vector<wchar_t> wide;
    const int all = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in, static_cast<int>(len),
                                          nullptr, 0);
    if (all > 0) {
        wide.resize(static_cast<size_t>(all));
        ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in, static_cast<int>(len),
                              wide.data(), all);
    } else {
        // Something undefined: one character (of one or two bytes) at a time,
        // an undefined byte as U+FFFD instead of the code page's default '?'.
        wchar_t one[4];
        for (size_t i = 0; i < len;) {
            int n = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in + i, 1, one, 4);
            size_t used = 1;
            if (n <= 0 && i + 1 < len) {
                n = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in + i, 2, one, 4);
                used = 2;
            }
            if (n <= 0) {
                one[0] = 0xFFFD;
                n = 1;
                used = 1;
            }
            wide.insert(wide.end(), one, one + n);
            i += used;
        }
    }
    const int units = static_cast<int>(wide.size());
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return false;
    out.resize(static_cast<size_t>(bytes));
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, &out[0], bytes, nullptr, nullptr);
    return true;
}

bool SetStdoutBinary() {
    fflush(stdout);
    return _setmode(_fileno(stdout), _O_BINARY) != -1;
}

bool FlushToDisk(FILE* f) {
    if (!f || fflush(f) != 0) return false;
    return _commit(_fileno(f)) == 0;
}

bool MoveFileReplace(const char* from, const char* to) {
    if (!from || !*from || !to || !*to) return false;
    auto widen = [](const char* s, std::vector<wchar_t>& out) {
        int n = ::MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
        if (n <= 0) return false;
        out.resize(static_cast<size_t>(n));
        return ::MultiByteToWideChar(CP_ACP, 0, s, -1, out.data(), n) == n;
    };
    std::vector<wchar_t> wFrom, wTo;
    if (!widen(from, wFrom) || !widen(to, wTo)) return false;
    return ::MoveFileExW(wFrom.data(), wTo.data(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace cxplat
