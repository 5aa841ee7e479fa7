// Thin operating-system layer. Everything above it is portable; the Windows
// build implements it with Win32, the native build with POSIX stand-ins that
// reproduce the Windows behaviour the program relies on.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Same layout as the Windows SYSTEMTIME.
struct CxSystemTime {
    uint16_t wYear = 0;
    uint16_t wMonth = 0;
    uint16_t wDayOfWeek = 0;
    uint16_t wDay = 0;
    uint16_t wHour = 0;
    uint16_t wMinute = 0;
    uint16_t wSecond = 0;
    uint16_t wMilliseconds = 0;
};

namespace cxplat {

#ifdef _WIN32
constexpr char kPathSep = '\\';
#else
constexpr char kPathSep = '/';
#endif

inline bool IsPathSep(char c) { return c == '\\' || c == '/'; }

// --- time ---
void GetLocalTime(CxSystemTime& out);
// Windows VariantTimeToSystemTime rules: whole seconds, false outside years 100..9999.
bool VariantTimeToSystemTime(double date, CxSystemTime& out);
bool SystemTimeToVariantTime(const CxSystemTime& st, double& out);
uint32_t CurrentThreadId();
// Milliseconds from a fixed start, for measuring waits; never goes back.
uint64_t TickMs();
void SleepMs(uint32_t ms);

// --- profile (ini) files, GetPrivateProfileStringA / WritePrivateProfileStringA ---
// section and key must be non-empty; returns the characters copied.
uint32_t ReadProfileString(const char* path, const char* section, const char* key,
                          const char* def, char* buf, uint32_t size);
bool WriteProfileText(const char* path, const char* section, const char* key,
                        const char* value);

// --- folders and files ---
// The common application data folder without a trailing separator.
bool GetCommonAppDataFolder(std::string& out);
// Tests point the folder elsewhere or make it unavailable (empty override).
void OverrideCommonAppDataFolder(const char* folderOrNull, bool available = true);
bool FolderExists(const char* path);
bool CreateFolder(const char* path);
bool FileExists(const char* path);
bool RemoveFile(const char* path);
bool CopyFileReplace(const char* from, const char* to);
// Full path of the module's file; the program when module is null.
bool GetModulePath(const void* module, std::string& out);
// Opens with no sharing: on Windows a share-deny open, on POSIX an advisory
// exclusive lock. Null when the file cannot be opened or another holder has it.
FILE* OpenExclusive(const char* path, const char* mode);
// Opens an existing file for reading only; others may read it meanwhile but
// not write it (share-deny-write on Windows, a shared lock on POSIX).
FILE* OpenReadDenyWrite(const char* path);
// A plain file: no folder, device or link.
bool IsRegularFile(const char* path);
// The user's own local application data folder without a trailing separator
// (Windows: the known folder LocalAppData; POSIX: $XDG_DATA_HOME, else
// ~/.local/share). Tests point it elsewhere or make it unavailable.
bool GetLocalAppDataFolder(std::string& out);
void OverrideLocalAppDataFolder(const char* folderOrNull, bool available = true);
struct FolderEntry {
    std::string name;
    bool folder = false;
};
// The entries of a folder without "." and ".."; false when it cannot be read.
// A link to a folder is not marked as a folder.
bool ListFolder(const char* path, std::vector<FolderEntry>& out);
// Removes an empty folder.
bool RemoveFolder(const char* path);
// Size and last write time of a file; the time in 100-ns units since
// 1601-01-01 UTC, as a Windows FILETIME.
bool GetFileState(const char* path, uint64_t& size, uint64_t& writeTime);

// --- version resources and registry ---
bool GetFileVersion(const char* path, uint16_t version[4]);
enum class RegRoot { LocalMachine, CurrentUser };
bool RegReadString(RegRoot root, const char* key, const char* value, std::string& out);
bool RegKeyExists(RegRoot root, const char* key);

// --- run-time libraries (none on the native build) ---
void* LoadModule(const char* path);
void* GetModuleSymbol(void* module, const char* name);
void UnloadModule(void* module);
bool SetCurrentFolder(const char* path);
bool GetCurrentFolder(std::string& out);

// --- shell ---
bool ShellOpen(const char* target);

// --- code pages: the system ANSI code page (1252 on the native build) ---
unsigned AnsiCodePage();
// Returns the number of units written (or needed when cap is 0); -1 on failure.
int AnsiToUtf16(const char* in, int inLen, char16_t* out, int outCap);
int Utf16ToAnsi(const char16_t* in, int inLen, char* out, int outCap);
// The same, but -1 as soon as a unit has no exact counterpart in the code
// page (no best fit, no default character).
int Utf16ToAnsiExact(const char16_t* in, int inLen, char* out, int outCap);
// Text of the given code page (65001 is UTF-8) as UTF-8. A byte or pair the
// code page does not define becomes U+FFFD, never '?'. False, out empty,
// for a code page this build cannot convert (also with no text).
bool CodePageToUtf8(unsigned codePage, const char* in, size_t len, std::string& out);

// --- standard output: bytes as written (no CR added before LF on Windows) ---
bool SetStdoutBinary();

// --- safe replacement of a file ---
// Flushes the stream and asks the system to put its data on disk.
bool FlushToDisk(FILE* f);
// Replaces 'to' by 'from' in one step (same folder); 'from' is gone after.
bool MoveFileReplace(const char* from, const char* to);

}  // namespace cxplat
