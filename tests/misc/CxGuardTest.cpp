#include "common/misc/CxGuard.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "common/misc/CxDebugUtil.h"
#include "support/TestSupport.h"

namespace {

// The process-wide log pointed at a folder of the test's own.
struct GuardFixture : ::testing::Test {
    vt_test::TempDir dir;
    std::string oldFolder;
    int reports = 0;
    void SetUp() override {
        oldFolder = CxDebugUtil::Instance().GetFolder();
        CxDebugUtil::Instance().SetFolder(dir.Path().c_str());
    }
    void TearDown() override { CxDebugUtil::Instance().SetFolder(oldFolder.c_str()); }
    std::string Log() { return vt_test::ReadText(CxDebugUtil::Instance().GetLogPath()); }
};

TEST_F(GuardFixture, WhatTheBodyThrowsIsLoggedReportedAndReplacedByTheFallback) {
    CxGuardReporterScope scope([this] { ++reports; });
    struct Case {
        const char* name;
        std::function<long()> body;
        long result;
        const char* logged;  // null: nothing logged
    } const cases[] = {
        {"returns", [] { return 7L; }, 7, nullptr},
        {"std::exception", []() -> long { throw std::runtime_error("disk gone"); }, -1,
         "Unhandled error in std::exception: disk gone"},
        {"not an exception", []() -> long { throw 42; }, -1,
         "Unhandled error in not an exception: unknown error"},
    };
    int expectedReports = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CxGuard(c.name, -1L, c.body), c.result);
        if (c.logged) {
            ++expectedReports;
            EXPECT_NE(Log().find(c.logged), std::string::npos) << Log();
        }
        EXPECT_EQ(reports, expectedReports);
    }
    EXPECT_EQ(Log().find("in returns"), std::string::npos);

    bool ran = false;
    CxGuard("no result", [&] {
        ran = true;
        throw std::logic_error("late");
    });
    EXPECT_TRUE(ran);
    EXPECT_EQ(reports, expectedReports + 1);
    EXPECT_NE(Log().find("Unhandled error in no result: late"), std::string::npos);
}

// The report's own dialog pumps messages: callbacks failing meanwhile are
// logged but do not stack further reports, and a failing report stays inside.
TEST_F(GuardFixture, AReportIsShownOnceWhileItIsUp) {
    CxGuardReporterScope scope([this] {
        ++reports;
        EXPECT_TRUE(CxGuardReporting());
        CxGuard("inside the report", [] { throw std::runtime_error("again"); });
        throw std::runtime_error("the report broke");
    });
    EXPECT_EQ(CxGuard("first", 0, []() -> int { throw std::runtime_error("boom"); }), 0);
    EXPECT_EQ(reports, 1);
    EXPECT_FALSE(CxGuardReporting());
    const std::string log = Log();
    EXPECT_NE(log.find("Unhandled error in first: boom"), std::string::npos);
    EXPECT_NE(log.find("Unhandled error in inside the report: again"), std::string::npos);
    EXPECT_NE(log.find("The problem report itself failed."), std::string::npos);

    // Once the report is gone, the next failure is reported again.
    CxGuard("second", [] { throw 1; });
    EXPECT_EQ(reports, 2);
}

TEST_F(GuardFixture, TheReporterScopePutsThePreviousOneBack) {
    int outer = 0;
    CxGuardReporterScope a([&] { ++outer; });
    {
        CxGuardReporterScope b([this] { ++reports; });
        CxGuard("inner", [] { throw 1; });
    }
    CxGuard("outer", [] { throw 1; });
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(outer, 1);
    {
        CxGuardReporterScope none(nullptr);
        CxGuard("unreported", [] { throw 1; });  // logged only
    }
    EXPECT_EQ(outer, 1);
    EXPECT_NE(Log().find("Unhandled error in unreported"), std::string::npos);
}

}  // namespace
