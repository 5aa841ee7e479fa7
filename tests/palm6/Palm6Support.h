// Shared pieces of the 6.x tests: log capture and a fresh database per test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Fixture.h"
#include "common/misc/CxDebugUtil.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

namespace palm6_test {

using LogCapture = vt_test::LogCapture;

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
