// Shared helpers of the Palm file tests: a captured debug log.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "common/misc/CxDebugUtil.h"
#include "support/TestSupport.h"

namespace palm_test {

// Points the process-wide log at a fresh folder with every level on.
class LogCapture {
public:
    LogCapture() {
        auto& log = CxDebugUtil::Instance();
        log.SetFolder(m_dir.Path().c_str());
        log.SetEnabled(true);
        log.SetLevel(3);
    }
    ~LogCapture() {
        auto& log = CxDebugUtil::Instance();
        log.SetEnabled(false);
        log.SetLevel(0);
        log.SetFolder("./");
    }
    std::string Text() const { return vt_test::ReadText(CxDebugUtil::Instance().GetLogPath()); }
    void Clear() const { vt_test::WriteText(CxDebugUtil::Instance().GetLogPath(), ""); }
    // A line from the source file at the level (0 error, else detail) with
    // exactly this message.
    bool Has(const std::string& source, int level, const std::string& message) const {
        const std::string text = Text();
        const std::string tail = std::string(level == 0 ? "[!!!]" : "[   ]") + " - " + message;
        size_t pos = 0;
        while (pos < text.size()) {
            size_t end = text.find('\n', pos);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(pos, end - pos);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.find("[" + source) != std::string::npos && line.size() >= tail.size() &&
                line.compare(line.size() - tail.size(), tail.size(), tail) == 0)
                return true;
            pos = end + 1;
        }
        return false;
    }

private:
    vt_test::TempDir m_dir;
};

}  // namespace palm_test
