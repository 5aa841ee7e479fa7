// Shared pieces of the facade tests: log capture and contact helpers.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "common/addr/CommAddr.h"
#include "common/misc/CxDebugUtil.h"
#include "support/TestSupport.h"

namespace facade_test {

// Points the process log at a temp folder for the life of the object.
class LogCapture {
public:
    LogCapture() {
        CxDebugUtil::Instance().SetFolder(m_dir.Path().c_str());
        CxDebugUtil::Instance().SetEnabled(true);
        CxDebugUtil::Instance().SetLevel(3);
    }
    ~LogCapture() {
        CxDebugUtil::Instance().SetEnabled(false);
        CxDebugUtil::Instance().SetLevel(0);
        CxDebugUtil::Instance().SetFolder("./");
    }
    std::string Text() const { return vt_test::ReadText(CxDebugUtil::Instance().GetLogPath()); }
    void Reset() { vt_test::WriteText(CxDebugUtil::Instance().GetLogPath(), ""); }
    // Whether a line carries exactly this message at the level (0 marked "!!!").
    bool Has(int level, const std::string& message) const {
        const std::string tail =
            std::string(level == 0 ? "[!!!]" : "[   ]") + " - " + message + "\r\n";
        return Text().find(tail) != std::string::npos;
    }
    // Position of a message in the log (npos when absent), for order checks.
    size_t Find(const std::string& message) const { return Text().find(" - " + message + "\r\n"); }

private:
    vt_test::TempDir m_dir;
};

inline CommAddr Contact(const char* first, const char* last) {
    CommAddr rec;
    SetFieldText(rec, FID_FIRST_NAME, first);
    SetFieldText(rec, FID_LAST_NAME, last);
    return rec;
}

}  // namespace facade_test
