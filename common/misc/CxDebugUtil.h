// Process-wide plain-text diagnostic log. Level 0 (errors) is always written;
// other levels only when enabled and not above the set level. The file is
// opened for one line at a time and rotated above 10 MiB.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/misc/CxPlatform.h"

#if defined(__GNUC__)
#define CX_PRINTF_LIKE(f, a) __attribute__((format(printf, f, a)))
#else
#define CX_PRINTF_LIKE(f, a)
#endif

class CxDebugUtil {
public:
    static constexpr int kMaxLevel = 3;
    static constexpr int32_t kRotateAbove = 10485760;  // bytes; exactly this much is kept
    static constexpr size_t kMaxMessage = 40959;
    static constexpr size_t kMaxSourceName = 255;

    CxDebugUtil();
    static CxDebugUtil& Instance();

    void Print(int level, const char* sourceFile, int line, const char* format, ...)
        CX_PRINTF_LIKE(5, 6);
    void PrintV(int level, const char* sourceFile, int line, const char* format, va_list args);

    void SetLevel(int32_t level);
    int32_t GetLevel() const { return m_nLevel; }
    void SetEnabled(bool enabled) { m_bEnabled = enabled; }
    bool IsEnabled() const { return m_bEnabled; }
    void SetFolder(const char* folder);
    const char* GetFolder() const { return m_szFolder; }
    std::string GetLogPath() const;
    std::string GetRotatedPath() const;

    bool WouldWrite(int level) const {
        return level == 0 || (m_bEnabled && level <= m_nLevel);
    }

    // The file name part of a source path: after the last '\' or '/'.
    static std::string SourceName(const char* sourceFile);
    // One line without its CR LF.
    static std::string FormatLine(const CxSystemTime& now, const char* sourceFile, int line,
                                  uint32_t threadId, int level, const char* message);

private:
    char m_szFileName[260] = "appdebug.log";
    char m_szFolder[260] = "./";
    int32_t m_nLevel = 0;
    bool m_bEnabled = false;
};

#define CX_LOG(level, ...) \
    CxDebugUtil::Instance().Print((level), __FILE__, __LINE__, __VA_ARGS__)
