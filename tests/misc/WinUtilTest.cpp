#include "common/misc/WinUtil.h"

#include <gtest/gtest.h>

#include "common/misc/CxPlatform.h"
#include "support/TestSupport.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

TEST(HexDump, Table) {
    const unsigned char three[] = {0x00, 0xff, 0x10};
    EXPECT_EQ(HexDump(three, 3), "00 ff 10");
    EXPECT_EQ(HexDump(three, 0), "");
    EXPECT_EQ(HexDump(nullptr, 5), "");
    std::vector<unsigned char> many(2000, 0xab);
    std::string big = HexDump(many.data(), many.size());
    EXPECT_EQ(big.size(), 1024u * 3 - 1);  // only the first 1024 bytes
}

TEST(GetModuleFolder, EndsWithSeparatorAndHoldsThisProgram) {
    char folder[260] = {};
    ASSERT_TRUE(GetModuleFolder(nullptr, folder, sizeof(folder)));
    std::string f = folder;
    ASSERT_FALSE(f.empty());
    EXPECT_TRUE(cxplat::IsPathSep(f.back()));
    char tiny[2] = {};
    EXPECT_FALSE(GetModuleFolder(nullptr, tiny, sizeof(tiny)));
}

TEST(GetFileVersion, NoVersionResourceGivesZeros) {
    vt_test::TempDir dir;
    vt_test::WriteText(dir.File("plain.txt"), "no version here");
    int v[4] = {9, 9, 9, 9};
    EXPECT_FALSE(GetFileVersion(dir.File("plain.txt").c_str(), &v[0], &v[1], &v[2], &v[3]));
    EXPECT_EQ(v[0] + v[1] + v[2] + v[3], 0);
    v[0] = 9;
    EXPECT_FALSE(GetFileVersion("", &v[0], &v[1], &v[2], &v[3]));
    EXPECT_EQ(v[0], 0);
}

TEST(RunByShell, EmptyTextIsRefused) {
    EXPECT_FALSE(RunByShell(""));
    EXPECT_FALSE(RunByShell(nullptr));
}

#ifdef _WIN32
TEST(GetFileVersion, ReadsTheSystemLibraryVersion) {
    char sys[260] = {};
    GetSystemDirectoryA(sys, sizeof(sys));
    std::string path = std::string(sys) + "\\kernel32.dll";
    int v[4] = {};
    ASSERT_TRUE(GetFileVersion(path.c_str(), &v[0], &v[1], &v[2], &v[3]));
    EXPECT_GT(v[0], 0);
}
#endif

TEST(GetOutlookVersion, MissingKeyLeavesTextAlone) {
    // No Outlook is registered in the test prefix nor on the native build.
    std::string unused;
    if (cxplat::RegReadString(cxplat::RegRoot::LocalMachine, kOutlookAppPathKey, "Path", unused))
        GTEST_SKIP() << "an Outlook path is registered here";
    char text[64] = "before";
    EXPECT_FALSE(GetOutlookVersion(text, sizeof(text)));
    EXPECT_STREQ(text, "before");
}

}  // namespace
