// The platform layer: the same cases hold for Win32 under Wine and for the
// POSIX stand-ins.
#include "common/misc/CxPlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

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

TEST(Platform, ListRemoveFolderAndFileState) {
    vt_test::TempDir dir;
    const std::string base = dir.Path() + "list";
    ASSERT_TRUE(cxplat::CreateFolder(base.c_str()));
    std::vector<cxplat::FolderEntry> entries;
    ASSERT_TRUE(cxplat::ListFolder(base.c_str(), entries));
    EXPECT_TRUE(entries.empty());
    const std::string sub = base + cxplat::kPathSep + "sub";
    const std::string file = base + cxplat::kPathSep + "f.txt";
    ASSERT_TRUE(cxplat::CreateFolder(sub.c_str()));
    vt_test::WriteText(file, "12345");
    ASSERT_TRUE(cxplat::ListFolder(base.c_str(), entries));
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "f.txt");
    EXPECT_FALSE(entries[0].folder);
    EXPECT_EQ(entries[1].name, "sub");
    EXPECT_TRUE(entries[1].folder);
    EXPECT_FALSE(cxplat::ListFolder((base + "-missing").c_str(), entries));

    uint64_t size = 0, time = 0;
    ASSERT_TRUE(cxplat::GetFileState(file.c_str(), size, time));
    EXPECT_EQ(size, 5u);
    // After 2020-01-01 (FILETIME 132223104000000000).
    EXPECT_GT(time, 132223104000000000ULL);
    EXPECT_FALSE(cxplat::GetFileState(sub.c_str(), size, time));
    EXPECT_FALSE(cxplat::GetFileState((base + "-missing").c_str(), size, time));

    EXPECT_FALSE(cxplat::RemoveFolder(base.c_str()));  // not empty
    EXPECT_TRUE(cxplat::RemoveFolder(sub.c_str()));
    EXPECT_FALSE(cxplat::FolderExists(sub.c_str()));
}

TEST(Platform, LocalAppDataFolder) {
    std::string folder;
    cxplat::OverrideLocalAppDataFolder("Y", true);
    ASSERT_TRUE(cxplat::GetLocalAppDataFolder(folder));
    EXPECT_EQ(folder, "Y");
    cxplat::OverrideLocalAppDataFolder(nullptr, false);
    EXPECT_FALSE(cxplat::GetLocalAppDataFolder(folder));
    cxplat::OverrideLocalAppDataFolder(nullptr, true);
#ifdef _WIN32
    ASSERT_TRUE(cxplat::GetLocalAppDataFolder(folder));
    EXPECT_TRUE(cxplat::FolderExists(folder.c_str())) << folder;
    EXPECT_FALSE(cxplat::IsPathSep(folder.back()));
#else
    const char* oldXdg = getenv("XDG_DATA_HOME");
    const std::string keep = oldXdg ? oldXdg : "";
    setenv("XDG_DATA_HOME", "/tmp/xdg-data/", 1);
    ASSERT_TRUE(cxplat::GetLocalAppDataFolder(folder));
    EXPECT_EQ(folder, "/tmp/xdg-data");
    unsetenv("XDG_DATA_HOME");
    const char* home = getenv("HOME");
    if (home && *home) {
        ASSERT_TRUE(cxplat::GetLocalAppDataFolder(folder));
        EXPECT_EQ(folder, std::string(home) + "/.local/share");
    }
    if (oldXdg) setenv("XDG_DATA_HOME", keep.c_str(), 1);
#endif
}

#ifdef _WIN32
TEST(Platform, RealCommonAppDataFolderExists) {
    std::string folder;
    ASSERT_TRUE(cxplat::GetCommonAppDataFolder(folder));
    EXPECT_TRUE(cxplat::FolderExists(folder.c_str())) << folder;
}
#endif

}  // namespace
