// Primitives of the Palm data files: counted strings, typed values, opening.
#include "common/palm/PalmComm.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/misc/CxPlatform.h"
#include "palm/PalmFixture.h"
#include "support/TestSupport.h"

using palm_fixture::Bytes;

namespace {

class PalmCommTest : public ::testing::Test {
protected:
    std::string Path() const { return m_dir.File("prims.dat"); }
    // Writes bytes and opens them for reading.
    void OpenWith(const std::vector<uint8_t>& bytes) {
        m_db.Close();  // Windows keeps others out of a file held open
        vt_test::WriteBytes(Path(), bytes);
        ASSERT_TRUE(m_db.Open(Path().c_str(), 0));
    }
    template <typename F>
    std::vector<uint8_t> Written(F write) {
        m_db.Close();
        EXPECT_TRUE(m_db.Open(Path().c_str(), 3));
        EXPECT_TRUE(write(m_db));
        m_db.Close();
        return vt_test::ReadBytes(Path());
    }

    vt_test::TempDir m_dir;
    PmDBUtil m_db;
};

TEST_F(PalmCommTest, CountedStringFormsWriteAndReadBack) {
    struct Case {
        std::string text;
        std::vector<uint8_t> head;  // the length bytes
    };
    const Case cases[] = {
        {"", {0x00}},
        {"abc", {0x03}},
        {std::string(254, 'x'), {0xFE}},
        {std::string(255, 'y'), {0xFF, 0xFF, 0x00}},
        {std::string(300, 'z'), {0xFF, 0x2C, 0x01}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> expect = c.head;
        expect.insert(expect.end(), c.text.begin(), c.text.end());
        EXPECT_EQ(Written([&](PmDBUtil& db) { return db.WriteCountedString(c.text.c_str()); }),
                  expect)
            << c.text.size();
        ASSERT_TRUE(m_db.Open(Path().c_str(), 0));
        std::vector<char> buf(400);
        uint32_t max = 399;
        EXPECT_TRUE(m_db.ReadCountedString(buf.data(), max));
        EXPECT_EQ(std::string(buf.data()), c.text);
        EXPECT_EQ(m_db.GetPosition(), expect.size());
    }
    EXPECT_EQ(Written([](PmDBUtil& db) { return db.WriteCountedString(nullptr); }),
              std::vector<uint8_t>{0x00});
}

TEST_F(PalmCommTest, CountedStringReaderAcceptsLongFormForShortText) {
    OpenWith({0xFF, 0x03, 0x00, 'a', 'b', 'c'});
    char buf[16];
    uint32_t max = 15;
    ASSERT_TRUE(m_db.ReadCountedString(buf, max));
    EXPECT_STREQ(buf, "abc");
}

TEST_F(PalmCommTest, CountedStringLongerThanMaximumReportsLength) {
    OpenWith(Bytes().Str(std::string(300, 'q')).data);
    std::vector<char> buf(257, 'X');
    uint32_t max = 256;
    EXPECT_FALSE(m_db.ReadCountedString(buf.data(), max));
    EXPECT_EQ(max, 300u);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(m_db.GetPosition(), 3u);  // only the length bytes
}

TEST_F(PalmCommTest, TextValuesAreCutAt8191AndFullyConsumed) {
    const std::string exact(8191, 'e');
    const std::string longer(9000, 'l');
    OpenWith(Bytes().TextVal(exact).TextVal(longer, 77).IntVal(42).data);
    std::vector<char> buf(PM_TEXT_VALUE_SIZE);
    uint32_t extra = 0;
    ASSERT_TRUE(m_db.ReadTextValue(buf.data(), extra));
    EXPECT_EQ(std::string(buf.data()), exact);
    ASSERT_TRUE(m_db.ReadTextValue(buf.data(), extra));
    EXPECT_EQ(extra, 77u);
    EXPECT_EQ(std::string(buf.data()), longer.substr(0, 8191));
    uint32_t v = 0;
    ASSERT_TRUE(m_db.ReadIntValue(v));  // the position ended after all 9000
    EXPECT_EQ(v, 42u);
}

TEST_F(PalmCommTest, TypeCodesAcceptedByEachReader) {
    struct Case {
        uint32_t code;
        bool intOk;
        bool textOk;
    };
    const Case cases[] = {{1, true, false}, {3, true, false}, {6, true, false},
                          {5, false, true}, {2, false, false}, {68, false, false}};
    for (const Case& c : cases) {
        OpenWith(Bytes().U32(c.code).U32(0).U8(0).data);
        uint32_t v = 0;
        EXPECT_EQ(m_db.ReadIntValue(v), c.intOk) << c.code;
        OpenWith(Bytes().U32(c.code).U32(0).U8(0).data);
        char buf[PM_TEXT_VALUE_SIZE];
        EXPECT_EQ(m_db.ReadTextValue(buf, v), c.textOk) << c.code;
    }
}

TEST_F(PalmCommTest, BlockValueSizesAndRoundTrip) {
    struct Case {
        PmBlockValue block;
        size_t bytes;
    };
    Case cases[3];
    cases[0].block.nType = 64;
    cases[0].bytes = 8;
    cases[1].block.nType = 65;
    cases[1].block.nSize = 2;
    cases[1].block.nWordA = 7;
    cases[1].block.nWordB = 8;
    cases[1].bytes = 20;
    cases[2].block.nType = 66;
    cases[2].block.nSize = 10;
    cases[2].block.nLength = 10;
    cases[2].block.data.assign(10, 0xAB);
    cases[2].bytes = 18;
    for (const Case& c : cases) {
        const auto bytes = Written([&](PmDBUtil& db) { return db.WriteBlockValue(c.block); });
        EXPECT_EQ(bytes.size(), c.bytes);
        ASSERT_TRUE(m_db.Open(Path().c_str(), 0));
        PmBlockValue back;
        ASSERT_TRUE(m_db.ReadBlockValue(back));
        EXPECT_TRUE(back == c.block);
        EXPECT_EQ(m_db.GetPosition(), c.bytes);
    }
    // Size 1 to 3 carries its own data length.
    OpenWith(Bytes().BlockVal(67, 3, 1, 2, {5, 6, 7, 8, 9}).data);
    PmBlockValue b;
    ASSERT_TRUE(m_db.ReadBlockValue(b));
    EXPECT_EQ(b.nLength, 5u);
    EXPECT_EQ(b.data, (std::vector<uint8_t>{5, 6, 7, 8, 9}));
}

TEST_F(PalmCommTest, BlockValuesLargerThanTheFileFailWithoutReading) {
    // Sizes far beyond the file: no buffer of that size is asked for.
    OpenWith(Bytes().U32(64).U32(0xFFFFFFF0u).U32(1).data);
    PmBlockValue b;
    EXPECT_FALSE(m_db.ReadBlockValue(b));
    EXPECT_TRUE(b.data.empty());
    OpenWith(Bytes().U32(65).U32(2).U32(0).U32(0).U32(0x7FFFFFFFu).U8(1).data);
    EXPECT_FALSE(m_db.ReadBlockValue(b));
    // A holder without the data it announces cannot be written.
    PmBlockValue bad;
    bad.nType = 64;
    bad.nSize = 12;
    ASSERT_TRUE(m_db.Open(Path().c_str(), 3));
    EXPECT_FALSE(m_db.WriteBlockValue(bad));
}

TEST_F(PalmCommTest, EightByteAndIntegerWriters) {
    const uint8_t eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const auto bytes = Written([&](PmDBUtil& db) {
        return db.Write8ByteValue(eight) && db.WriteIntValue(0x01020304) && db.WriteFlagValue(1) &&
               db.WriteTextValue("hi", 1);
    });
    EXPECT_EQ(bytes, Bytes().EightVal(eight).IntVal(0x01020304).IntVal(1, 6).TextVal("hi").data);
    ASSERT_TRUE(m_db.Open(Path().c_str(), 0));
    uint8_t back[8] = {};
    ASSERT_TRUE(m_db.Read8ByteValue(back));
    EXPECT_EQ(memcmp(back, eight, 8), 0);
}

TEST_F(PalmCommTest, ShortReadsFail) {
    OpenWith({1, 2, 3});
    uint32_t v = 0;
    EXPECT_FALSE(m_db.ReadU32(v));
    OpenWith({1, 2, 3});
    uint8_t buf[8];
    size_t count = 8;
    EXPECT_TRUE(m_db.ReadUpTo(buf, count));
    EXPECT_EQ(count, 3u);
    count = 0;
    EXPECT_FALSE(m_db.ReadUpTo(buf, count));
    EXPECT_FALSE(m_db.ReadBytes(nullptr, 1));
    EXPECT_FALSE(m_db.ReadBytes(buf, 0));
}

TEST_F(PalmCommTest, OpenModesNamesAndSharing) {
    EXPECT_FALSE(m_db.Open(Path().c_str(), 0));  // not there yet
    EXPECT_FALSE(m_db.Open(Path().c_str(), 2));
    ASSERT_TRUE(m_db.Open(Path().c_str(), 3));  // created
    EXPECT_STREQ(m_db.GetFileName(), Path().c_str());
    m_db.Close();
    EXPECT_FALSE(m_db.Open(Path().c_str(), 4));
    EXPECT_FALSE(m_db.Open("", 0));
    EXPECT_FALSE(m_db.Open(nullptr, 0));
    EXPECT_STREQ(m_db.GetFileName(), Path().c_str());  // a failed open keeps the name
    EXPECT_EQ(m_db.GetPosition(), 0u);

    // While another holder has the file, it is neither read nor written.
    vt_test::WriteText(Path(), "held");
    FILE* holder = cxplat::OpenExclusive(Path().c_str(), "rb");
    ASSERT_NE(holder, nullptr);
    for (int mode = 0; mode <= 3; ++mode) EXPECT_FALSE(m_db.Open(Path().c_str(), mode)) << mode;
    fclose(holder);
    EXPECT_EQ(vt_test::ReadText(Path()), "held");
    // A reader lets other readers in and keeps writers out; a writer keeps
    // everyone out.
    for (int mode = 0; mode <= 2; ++mode) {
        ASSERT_TRUE(m_db.Open(Path().c_str(), mode)) << mode;
        PmDBUtil other;
        EXPECT_EQ(other.Open(Path().c_str(), 0), mode == 0) << mode;
        other.Close();
        EXPECT_FALSE(other.Open(Path().c_str(), 2)) << mode;
    }
    m_db.Close();
    EXPECT_EQ(vt_test::ReadText(Path()), "held");
}

TEST(PalmUserFolder, PathIsBuiltBelowTheFolder) {
    char out[260];
    const std::string sep(1, cxplat::kPathSep);
    ASSERT_TRUE(PmBuildUserAddressPath("C:\\Palm\\JohnS\\", out, sizeof(out)));
    EXPECT_EQ(std::string(out), "C:\\Palm\\JohnS\\address" + sep + "address.dat");
    ASSERT_TRUE(PmBuildUserAddressPath("/data/u", out, sizeof(out)));
    EXPECT_EQ(std::string(out), "/data/u" + sep + "address" + sep + "address.dat");
    EXPECT_FALSE(PmBuildUserAddressPath(std::string(250, 'a').c_str(), out, sizeof(out)));
    EXPECT_FALSE(PmBuildUserAddressPath("", out, sizeof(out)));
}

}  // namespace
