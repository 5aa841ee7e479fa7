#include "common/misc/CxFile.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using vt_test::ReadBytes;
using vt_test::TempDir;
using vt_test::WriteBytes;

namespace {

TEST(CxFile, OpenRefusesEmptyPathOrMode) {
    TempDir dir;
    CxFile f;
    EXPECT_FALSE(f.Open("", "rb"));
    EXPECT_FALSE(f.Open(nullptr, "rb"));
    EXPECT_FALSE(f.Open(dir.File("x").c_str(), ""));
    EXPECT_FALSE(f.Open(dir.File("missing").c_str(), "rb"));
    int32_t v = 5;
    EXPECT_FALSE(f.ReadInt(v));  // no file open
    double d = 0;
    EXPECT_FALSE(f.ReadDouble(d));
}

TEST(CxFile, WritesLittleEndianPrimitivesAndTexts) {
    TempDir dir;
    const std::string path = dir.File("p.bin");
    {
        CxFile f;
        ASSERT_TRUE(f.Open(path.c_str(), "wb"));
        EXPECT_TRUE(f.WriteString("abc"));
        EXPECT_TRUE(f.WriteString(""));
        EXPECT_TRUE(f.WriteString(nullptr));
        EXPECT_TRUE(f.WriteInt(-2));
        EXPECT_TRUE(f.WriteDouble(1.5));
        EXPECT_TRUE(f.WriteLine("hi"));
        EXPECT_TRUE(f.WriteLine(nullptr));
    }
    const std::vector<uint8_t> expected = {
        3, 0, 0, 0, 'a', 'b', 'c',                  // "abc"
        0, 0, 0, 0, 0, 0, 0, 0,                     // "" and null
        0xFE, 0xFF, 0xFF, 0xFF,                     // -2
        0, 0, 0, 0, 0, 0, 0xF8, 0x3F,               // 1.5
        'h', 'i', '\r', '\n', '\r', '\n'};
    EXPECT_EQ(ReadBytes(path), expected);
}

TEST(CxFile, ReadsBackWhatItWrote) {
    TempDir dir;
    const std::string path = dir.File("r.bin");
    {
        CxFile f;
        ASSERT_TRUE(f.Open(path.c_str(), "wb"));
        f.WriteInt(123456);
        f.WriteDouble(-46366.25);
        f.WriteString("hello");
    }
    CxFile f;
    ASSERT_TRUE(f.Open(path.c_str(), "rb"));
    int32_t i = 0;
    double d = 0;
    char buf[16] = "zzz";
    int32_t len = 0;
    EXPECT_TRUE(f.ReadInt(i));
    EXPECT_TRUE(f.ReadDouble(d));
    EXPECT_TRUE(f.ReadString(buf, sizeof(buf), len));
    EXPECT_EQ(i, 123456);
    EXPECT_EQ(d, -46366.25);
    EXPECT_EQ(len, 5);
    EXPECT_STREQ(buf, "hello");
    EXPECT_TRUE(f.AtEnd());
    // past the end: zeros, still "true" (a file is open)
    EXPECT_TRUE(f.ReadInt(i));
    EXPECT_EQ(i, 0);
}

TEST(CxFile, ReadStringLengthRules) {
    TempDir dir;
    const std::string path = dir.File("s.bin");
    // -1, 0, then 10 that does not fit a capacity of 8
    WriteBytes(path, {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 10, 0, 0, 0, '0', '1', '2', '3', '4',
                      '5', '6', '7', '8', '9'});
    CxFile f;
    ASSERT_TRUE(f.Open(path.c_str(), "rb"));
    char buf[8] = "keep";
    int32_t len = 0;
    EXPECT_TRUE(f.ReadString(buf, sizeof(buf), len));
    EXPECT_EQ(len, -1);
    EXPECT_STREQ(buf, "keep");  // untouched
    EXPECT_TRUE(f.ReadString(buf, sizeof(buf), len));
    EXPECT_EQ(len, 0);
    EXPECT_STREQ(buf, "keep");
    EXPECT_FALSE(f.ReadString(buf, sizeof(buf), len));
    EXPECT_EQ(len, 10);
}

TEST(CxFile, ReadStringCutKeepsTheNextFieldAligned) {
    TempDir dir;
    const std::string path = dir.File("c.bin");
    WriteBytes(path, {6, 0, 0, 0, 'a', 'b', 'c', 'd', 'e', 'f', 42, 0, 0, 0});
    CxFile f;
    ASSERT_TRUE(f.Open(path.c_str(), "rb"));
    char buf[4];
    int32_t len = 0, next = 0;
    EXPECT_TRUE(f.ReadStringCut(buf, sizeof(buf), len));
    EXPECT_EQ(len, 6);
    EXPECT_STREQ(buf, "abc");
    f.ReadInt(next);
    EXPECT_EQ(next, 42);
}

TEST(CxFile, HugeLengthDoesNotRunPastTheEnd) {
    TempDir dir;
    const std::string path = dir.File("h.bin");
    WriteBytes(path, {0xFF, 0xFF, 0xFF, 0x7F, 'x', 'y'});
    CxFile f;
    ASSERT_TRUE(f.Open(path.c_str(), "rb"));
    char buf[256];
    int32_t len = 0;
    f.ReadStringCut(buf, sizeof(buf), len);
    EXPECT_STREQ(buf, "xy");
    EXPECT_TRUE(f.AtEnd());
}

TEST(CxFile, FileSize) {
    TempDir dir;
    EXPECT_EQ(CxFile::FileSize(""), -1);
    EXPECT_EQ(CxFile::FileSize(nullptr), -1);
    EXPECT_EQ(CxFile::FileSize(dir.File("none").c_str()), -1);
    WriteBytes(dir.File("five"), {1, 2, 3, 4, 5});
    EXPECT_EQ(CxFile::FileSize(dir.File("five").c_str()), 5);
    WriteBytes(dir.File("empty"), {});
    EXPECT_EQ(CxFile::FileSize(dir.File("empty").c_str()), 0);
}

}  // namespace
