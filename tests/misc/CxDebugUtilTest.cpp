#include "common/misc/CxDebugUtil.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cctype>

#include "common/misc/CxFile.h"
#include "support/TestSupport.h"

using vt_test::ReadText;
using vt_test::TempDir;

namespace {

struct LogFixture : ::testing::Test {
    TempDir dir;
    CxDebugUtil log;
    void SetUp() override { log.SetFolder(dir.Path().c_str()); }
    std::string Content() { return ReadText(log.GetLogPath()); }
    int Lines() {
        std::string c = Content();
        int n = 0;
        for (size_t p = 0; (p = c.find("\r\n", p)) != std::string::npos; p += 2) ++n;
        return n;
    }
};

TEST(CxDebugUtilFormat, ExactLine) {
    CxSystemTime t{2026, 12, 4, 10, 1, 2, 3, 0};
    EXPECT_EQ(CxDebugUtil::FormatLine(t, "C:\\src\\common\\misc\\CxIniUtil.cpp", 12, 0x1a4, 0, "boom"),
              "[2026/12/10 01:02:03][CxIniUtil.cpp" + std::string(7, ' ') + "(12  )][001a4][!!!] - boom");
    EXPECT_EQ(CxDebugUtil::FormatLine(t, "a.cpp", 12345, 0x123456, 2, "x"),
              "[2026/12/10 01:02:03][a.cpp" + std::string(15, ' ') + "(12345)][123456][   ] - x");
}

TEST(CxDebugUtilFormat, SourceNameIsThePartAfterTheLastSeparator) {
    struct Case { const char* in; const char* out; };
    const Case cases[] = {
        {"C:\\work\\src\\Main.cpp", "Main.cpp"},
        {"/work/main/common/misc/CxIniUtil.cpp", "CxIniUtil.cpp"},
        {"../common\\mixed/Last.cpp", "Last.cpp"},
        {"Plain.cpp", "Plain.cpp"},
        {nullptr, "<null>"},
        {"dir\\", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(CxDebugUtil::SourceName(c.in), c.out);
    EXPECT_EQ(CxDebugUtil::SourceName(std::string(300, 'n').c_str()).size(), 255u);
    // __FILE__ of this very file, whatever separators the compiler used
    EXPECT_EQ(CxDebugUtil::SourceName(__FILE__), "CxDebugUtilTest.cpp");
}

TEST(CxDebugUtilLevels, SetLevelClamps) {
    CxDebugUtil log;
    const std::pair<int, int> cases[] = {{7, 3}, {-1, 0}, {0, 0}, {1, 1}, {3, 3}, {4, 3}};
    for (auto [in, out] : cases) {
        log.SetLevel(in);
        EXPECT_EQ(log.GetLevel(), out) << in;
    }
}

TEST_F(LogFixture, WhichLevelsAreWritten) {
    struct Case { bool enabled; int setLevel; int lineLevel; bool written; };
    const Case cases[] = {
        {false, 3, 0, true},  {false, 3, 2, false}, {true, 3, 2, true}, {true, 2, 2, true},
        {true, 1, 2, false},  {true, 1, 0, true},   {true, 1, 1, true}, {true, 0, 1, false},
        {true, 3, 3, true},   {true, 3, 4, false},
    };
    for (const auto& c : cases) {
        vt_test::WriteText(log.GetLogPath(), "");
        log.SetEnabled(c.enabled);
        log.SetLevel(c.setLevel);
        log.Print(c.lineLevel, __FILE__, __LINE__, "line %d", c.lineLevel);
        EXPECT_EQ(Lines(), c.written ? 1 : 0)
            << c.enabled << " " << c.setLevel << " " << c.lineLevel;
    }
}

TEST_F(LogFixture, LineCarriesTimeSourceThreadAndMark) {
    log.Print(0, __FILE__, 77, "value %d and %s", 5, "text");
    std::string c = Content();
    char tid[16];
    snprintf(tid, sizeof(tid), "%05x", cxplat::CurrentThreadId());
    // "[yyyy/mm/dd hh:mm:ss]" then the fixed fields
    ASSERT_GE(c.size(), 22u);
    const std::string stamp = c.substr(0, 21);
    for (size_t i : {0u, 20u}) EXPECT_EQ(stamp[i], i ? ']' : '[');
    for (size_t i : {5u, 8u}) EXPECT_EQ(stamp[i], '/');
    for (size_t i : {14u, 17u}) EXPECT_EQ(stamp[i], ':');
    EXPECT_EQ(stamp[11], ' ');
    for (size_t i : {1u, 2u, 3u, 4u, 6u, 7u, 9u, 10u, 12u, 13u, 15u, 16u, 18u, 19u})
        EXPECT_TRUE(isdigit(static_cast<unsigned char>(stamp[i]))) << c;
    EXPECT_EQ(c.substr(21), std::string("[CxDebugUtilTest.cpp (77  )][") + tid +
                                "][!!!] - value 5 and text\r\n");
    log.SetEnabled(true);
    log.SetLevel(3);
    log.Print(2, nullptr, 1, "detail");
    EXPECT_THAT(Content(), ::testing::HasSubstr("[<null>" + std::string(14, ' ') + "(1   )]"));
    EXPECT_THAT(Content(), ::testing::HasSubstr("][   ] - detail\r\n"));
}

TEST_F(LogFixture, LongMessageIsCut) {
    std::string big(50000, 'm');
    log.Print(0, "f.cpp", 1, "%s", big.c_str());
    std::string c = Content();
    size_t start = c.find(" - ") + 3;
    EXPECT_EQ(c.size() - start - 2, CxDebugUtil::kMaxMessage);
}

TEST_F(LogFixture, RotatesOnlyAboveTheLimit) {
    const std::string path = log.GetLogPath();
    {
        FILE* f = fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::string block(1 << 20, 'a');
        for (int i = 0; i < 10; ++i) fwrite(block.data(), 1, block.size(), f);
        fclose(f);
    }
    ASSERT_EQ(CxFile::FileSize(path.c_str()), 10485760);
    log.Print(0, "r.cpp", 1, "appended");
    EXPECT_GT(CxFile::FileSize(path.c_str()), 10485760);
    EXPECT_FALSE(vt_test::Exists(log.GetRotatedPath()));

    // Now above the limit: the old content moves to the copy.
    const int32_t before = CxFile::FileSize(path.c_str());
    log.Print(0, "r.cpp", 2, "fresh");
    EXPECT_EQ(CxFile::FileSize(log.GetRotatedPath().c_str()), before);
    EXPECT_EQ(Lines(), 1);
    EXPECT_THAT(Content(), ::testing::EndsWith(" - fresh\r\n"));
    EXPECT_EQ(log.GetRotatedPath(), path + ".old.log");
}

TEST(CxDebugUtilFailures, MissingFolderIsSilent) {
    TempDir dir;
    CxDebugUtil log;
    std::string folder = dir.File("no_such_folder") + cxplat::kPathSep;
    log.SetFolder(folder.c_str());
    log.Print(0, "x.cpp", 1, "lost");
    EXPECT_FALSE(vt_test::Exists(log.GetLogPath()));
}

TEST(CxDebugUtilDefaults, StartsDisabledAtLevelZeroInCurrentFolder) {
    CxDebugUtil log;
    EXPECT_FALSE(log.IsEnabled());
    EXPECT_EQ(log.GetLevel(), 0);
    EXPECT_EQ(log.GetLogPath(), "./appdebug.log");
}

}  // namespace
