#include "common/misc/CxDebugUtil.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "common/misc/CxFile.h"
#include "common/misc/CxText.h"

CxDebugUtil::CxDebugUtil() = default;

CxDebugUtil& CxDebugUtil::Instance() {
    static CxDebugUtil instance;
    return instance;
}

void CxDebugUtil::SetLevel(int32_t level) {
    if (level > kMaxLevel) level = kMaxLevel;
    if (level < 0) level = 0;
    m_nLevel = level;
}

void CxDebugUtil::SetFolder(const char* folder) {
    CxCopyText(m_szFolder, folder ? folder : "");
}

std::string CxDebugUtil::GetLogPath() const { return std::string(m_szFolder) + m_szFileName; }

std::string CxDebugUtil::GetRotatedPath() const { return GetLogPath() + ".old.log"; }

std::string CxDebugUtil::SourceName(const char* sourceFile) {
    if (!sourceFile) return "<null>";
    const char* name = sourceFile;
    for (const char* p = sourceFile; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    std::string out(name);
    if (out.size() > kMaxSourceName) out.resize(kMaxSourceName);
    return out;
}

std::string CxDebugUtil::FormatLine(const CxSystemTime& now, const char* sourceFile, int line,
                                    uint32_t threadId, int level, const char* message) {
    const std::string source = SourceName(sourceFile);
    const char* msg = message ? message : "";
    std::vector<char> buf(source.size() + strlen(msg) + 128);
    snprintf(buf.data(), buf.size(), "[%04d/%02d/%02d %02d:%02d:%02d][%-20s(%-4d)][%05x][%s] - %s",
             now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
             source.c_str(), line, static_cast<unsigned>(threadId), level == 0 ? "!!!" : "   ",
             msg);
    return buf.data();
}

void CxDebugUtil::Print(int level, const char* sourceFile, int line, const char* format, ...) {
    if (!WouldWrite(level)) return;
    va_list args;
    va_start(args, format);
    PrintV(level, sourceFile, line, format, args);
    va_end(args);
}

void CxDebugUtil::PrintV(int level, const char* sourceFile, int line, const char* format,
                         va_list args) {
    if (!WouldWrite(level)) return;
    std::vector<char> message(kMaxMessage + 1);
    if (format) vsnprintf(message.data(), message.size(), format, args);

    CxSystemTime now;
    cxplat::GetLocalTime(now);
    const std::string text =
        FormatLine(now, sourceFile, line, cxplat::CurrentThreadId(), level, message.data());

    const std::string path = GetLogPath();
    const char* mode = "ab";
    if (CxFile::FileSize(path.c_str()) > kRotateAbove) {
        // A failed copy still starts the log afresh.
        cxplat::CopyFileReplace(path.c_str(), GetRotatedPath().c_str());
        mode = "wb";
    }
    CxFile file;
    if (!file.Open(path.c_str(), mode)) return;
    file.WriteLine(text.c_str());
    file.Close();
}
