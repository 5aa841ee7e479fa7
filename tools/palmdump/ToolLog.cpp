#include "tools/palmdump/ToolLog.h"

#include <fstream>

#include "common/misc/CxDebugUtil.h"

PmToolLog::PmToolLog(const char* folder, const char* stem) {
    namespace fs = std::filesystem;
    std::error_code ec;
    std::string dir;
    if (folder) {
        dir = folder;
        CxDebugUtil::Instance().SetEnabled(true);
        CxDebugUtil::Instance().SetLevel(2);
    } else {
        m_Own = fs::temp_directory_path(ec) /
                (std::string(stem) + "-" +
                 std::to_string(fs::file_time_type::clock::now().time_since_epoch().count()));
        fs::create_directories(m_Own, ec);
        dir = m_Own.string();
    }
    if (dir.empty() || (dir.back() != '/' && dir.back() != '\\')) dir += '/';
    CxDebugUtil::Instance().SetFolder(dir.c_str());
}

PmToolLog::~PmToolLog() {
    std::error_code ec;
    if (!m_Own.empty()) std::filesystem::remove_all(m_Own, ec);
}

std::string PmToolLog::FirstError() const {
    std::ifstream log(CxDebugUtil::Instance().GetLogPath());
    for (std::string line; std::getline(log, line);) {
        const size_t at = line.find("[!!!] - ");
        if (at == std::string::npos) continue;
        std::string message = line.substr(at + 8);
        while (!message.empty() && (message.back() == '\r' || message.back() == '\n')) message.pop_back();
        if (message.rfind("Record ID Position:", 0) == 0 || message.rfind("Unknown", 0) == 0) continue;
        return message;
    }
    return std::string();
}
