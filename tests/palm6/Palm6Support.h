// Shared pieces of the 6.x tests: log capture and a fresh database per test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Fixture.h"
#include "common/misc/CxDebugUtil.h"
#include "support/TestSupport.h"

namespace palm6_test {

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
    // Whether a line from the source file carries exactly this message at the level.
    bool Has(int level, const std::string& source, const std::string& message) const {
        std::string text = Text();
        std::string tail = std::string(level == 0 ? "[!!!]" : "[   ]") + " - " + message + "\r\n";
        size_t pos = 0;
        while ((pos = text.find(tail, pos)) != std::string::npos) {
            size_t start = text.rfind('\n', pos);
            start = start == std::string::npos ? 0 : start + 1;
            if (text.compare(start + 22, source.size(), source) == 0) return true;
            pos += tail.size();
        }
        return false;
    }
    int Count(const std::string& piece) const {
        std::string text = Text();
        int n = 0;
        for (size_t pos = 0; (pos = text.find(piece, pos)) != std::string::npos; pos += piece.size())
            ++n;
        return n;
    }

private:
    vt_test::TempDir m_dir;
};

class DbTest : public ::testing::Test {
protected:
    void TearDown() override { TdmMain::Instance().CloseAll(); }
    std::unique_ptr<Fixture> MakeDb(const std::string& name = "Address.mdb",
                                    const FixtureShape& shape = FixtureShape()) {
        auto f = std::make_unique<Fixture>(m_dir.File(name), shape);
        EXPECT_TRUE(f->Ok()) << f->Error();
        return f;
    }
    std::string Path(const std::string& name = "Address.mdb") const { return m_dir.File(name); }
    vt_test::TempDir m_dir;
};

}  // namespace palm6_test
