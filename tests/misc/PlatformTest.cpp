// The platform layer: the same cases hold for Win32 under Wine and for the
// POSIX stand-ins.
#include "common/misc/CxPlatform.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "support/TestSupport.h"

namespace {

TEST(Platform, AnsiCodePageIs1252) {
    // Wine derives it from the locale: a different one here breaks many tests.
    ASSERT_EQ(cxplat::AnsiCodePage(), 1252u);
}

TEST(Platform, CodePageConversionTable) {
    struct Case { unsigned char ansi; char16_t unit; };
    const Case cases[] = {
        {'A', u'A'}, {0x80, 0x20AC}, {0x8A, 0x0160}, {0x9F, 0x0178}, {0xE9, 0x00E9},
        {0xFF, 0x00FF}, {0x81, 0x0081}, {0xA0, 0x00A0},
    };
    for (const auto& c : cases) {
        char in[1] = {static_cast<char>(c.ansi)};
        char16_t w[2] = {};
        ASSERT_EQ(cxplat::AnsiToUtf16(in, 1, w, 2), 1);
        EXPECT_EQ(w[0], c.unit) << int(c.ansi);
        char back[2] = {};
        ASSERT_EQ(cxplat::Utf16ToAnsi(w, 1, back, 2), 1);
        EXPECT_EQ(static_cast<unsigned char>(back[0]), c.ansi);
    }
    const char16_t cjk[] = {0x4E2D};
    char out[2] = {};
    ASSERT_EQ(cxplat::Utf16ToAnsi(cjk, 1, out, 2), 1);
    EXPECT_EQ(out[0], '?');
    // with the terminator
    char16_t w[8] = {};
    EXPECT_EQ(cxplat::AnsiToUtf16("abc", -1, w, 8), 4);
    EXPECT_EQ(std::u16string(w), u"abc");
    EXPECT_EQ(cxplat::AnsiToUtf16("abc", -1, nullptr, 0), 4);
}

TEST(Platform, ExclusiveOpenShutsOutOthers) {
    vt_test::TempDir dir;
    const std::string path = dir.File("locked.dat");
    vt_test::WriteText(path, "original");
    FILE* holder = cxplat::OpenExclusive(path.c_str(), "rb");
    ASSERT_NE(holder, nullptr);
    EXPECT_EQ(cxplat::OpenExclusive(path.c_str(), "rb"), nullptr);
    EXPECT_EQ(cxplat::OpenExclusive(path.c_str(), "wb"), nullptr);
    fclose(holder);
    EXPECT_EQ(vt_test::ReadText(path), "original");  // the refused "wb" truncated nothing
    FILE* writer = cxplat::OpenExclusive(path.c_str(), "wb");
    ASSERT_NE(writer, nullptr);
    fputs("new", writer);
    fclose(writer);
    EXPECT_EQ(vt_test::ReadText(path), "new");
    EXPECT_EQ(cxplat::OpenExclusive(dir.File("missing").c_str(), "rb"), nullptr);
    EXPECT_EQ(cxplat::OpenExclusive("", "rb"), nullptr);
}

TEST(Platform, FoldersAndFiles) {
    vt_test::TempDir dir;
    const std::string sub = dir.File("sub");
    EXPECT_FALSE(cxplat::FolderExists(sub.c_str()));
    EXPECT_TRUE(cxplat::CreateFolder(sub.c_str()));
    EXPECT_TRUE(cxplat::FolderExists(sub.c_str()));
    EXPECT_FALSE(cxplat::CreateFolder(sub.c_str()));
    EXPECT_FALSE(cxplat::FileExists(sub.c_str()));
    vt_test::WriteText(dir.File("a"), "A");
    EXPECT_TRUE(cxplat::CopyFileReplace(dir.File("a").c_str(), dir.File("b").c_str()));
    vt_test::WriteText(dir.File("a"), "AA");
    EXPECT_TRUE(cxplat::CopyFileReplace(dir.File("a").c_str(), dir.File("b").c_str()));
    EXPECT_EQ(vt_test::ReadText(dir.File("b")), "AA");
    EXPECT_TRUE(cxplat::RemoveFile(dir.File("b").c_str()));
    EXPECT_FALSE(cxplat::FileExists(dir.File("b").c_str()));
}

TEST(Platform, CommonAppDataOverride) {
    std::string real;
    cxplat::OverrideCommonAppDataFolder("X", true);
    ASSERT_TRUE(cxplat::GetCommonAppDataFolder(real));
    EXPECT_EQ(real, "X");
    cxplat::OverrideCommonAppDataFolder(nullptr, false);
    EXPECT_FALSE(cxplat::GetCommonAppDataFolder(real));
    cxplat::OverrideCommonAppDataFolder(nullptr, true);
}

#ifdef _WIN32
TEST(Platform, RealCommonAppDataFolderExists) {
    std::string folder;
    ASSERT_TRUE(cxplat::GetCommonAppDataFolder(folder));
    EXPECT_TRUE(cxplat::FolderExists(folder.c_str())) << folder;
}
#endif

}  // namespace
