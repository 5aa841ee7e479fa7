#include "src/SyncHistory.h"

#include <gtest/gtest.h>

#include <cstring>

#include "common/misc/CxPlatform.h"
#include "support/TestSupport.h"

using vt_test::ReadBytes;
using vt_test::TempDir;
using vt_test::WriteBytes;

namespace {

constexpr const char* kMode1 = "Transfer contact information from Palm Desktop to Outlook.";

SyncHistoryEntry MakeEntry(const char* text, double start, double end, int32_t count) {
    SyncHistoryEntry e;
    memset(&e, 0, sizeof(e));
    strncpy(e.szDescription, text, sizeof(e.szDescription) - 1);
    e.dtStart = start;
    e.dtEnd = end;
    e.nRecordCount = count;
    return e;
}

void PutInt(std::vector<uint8_t>& v, int32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(static_cast<uint32_t>(x) >> (8 * i)));
}
void PutDouble(std::vector<uint8_t>& v, double d) {
    uint64_t b;
    memcpy(&b, &d, 8);
    for (int i = 0; i < 8; ++i) v.push_back(static_cast<uint8_t>(b >> (8 * i)));
}

struct HistoryFixture : ::testing::Test {
    TempDir dir;
    SyncHistoryMgr mgr;
    void SetUp() override { mgr.SetDataFolder(dir.Path().c_str()); }
    std::string DefaultPath() { return dir.File("synchis.dat"); }
};

TEST_F(HistoryFixture, EmptyHistoryIsFourZeroBytes) {
    ASSERT_TRUE(mgr.Save(nullptr));
    EXPECT_EQ(ReadBytes(DefaultPath()), std::vector<uint8_t>({0, 0, 0, 0}));
    EXPECT_EQ(std::string(mgr.GetPath()), DefaultPath());
}

TEST_F(HistoryFixture, ModeOneEntryAdds162Bytes) {
    ASSERT_EQ(strlen(kMode1), 58u);
    SyncHistoryEntry e = MakeEntry(kMode1, 46366.25, 46366.26, 2);
    ASSERT_NE(mgr.AddEntry(&e), nullptr);
    ASSERT_TRUE(mgr.Save(nullptr));
    std::vector<uint8_t> bytes = ReadBytes(DefaultPath());
    ASSERT_EQ(bytes.size(), 4u + 162u);
    std::vector<uint8_t> expected;
    PutInt(expected, 1);
    PutInt(expected, 58);
    expected.insert(expected.end(), kMode1, kMode1 + 58);
    PutDouble(expected, 46366.25);
    PutDouble(expected, 46366.26);
    PutInt(expected, 2);
    for (int i = 0; i < 20; ++i) PutInt(expected, 0);  // ten numbers, ten empty texts
    EXPECT_EQ(bytes, expected);
}

TEST_F(HistoryFixture, LoadThenSaveGivesTheSameBytesAndKeepsHeldEntries) {
    SyncHistoryEntry a = MakeEntry("first", 1.5, 2.5, 3);
    SyncHistoryEntry b = MakeEntry("", 4.0, 5.0, 0);
    SyncHistoryEntry c = MakeEntry(std::string(255, 'd').c_str(), -1.0, 0.0, -7);
    mgr.AddEntry(&a);
    mgr.AddEntry(&b);
    mgr.AddEntry(&c);
    ASSERT_TRUE(mgr.Save(nullptr));
    const auto original = ReadBytes(DefaultPath());

    SyncHistoryMgr other;
    SyncHistoryEntry held = MakeEntry("held", 0, 0, 1);
    other.AddEntry(&held);
    ASSERT_TRUE(other.Load(DefaultPath().c_str()));
    ASSERT_EQ(other.GetCount(), 4u);
    // newest first
    EXPECT_EQ(other.GetLast()->nRecordCount, -7);
    EXPECT_STREQ(other.GetPrev()->szDescription, "");
    EXPECT_STREQ(other.GetPrev()->szDescription, "first");
    EXPECT_STREQ(other.GetPrev()->szDescription, "held");
    EXPECT_EQ(other.GetPrev(), nullptr);
    SyncHistoryMgr again;
    again.Load(DefaultPath().c_str());
    const std::string copy = dir.File("copy.dat");
    ASSERT_TRUE(again.Save(copy.c_str()));
    EXPECT_EQ(ReadBytes(copy), original);
}

TEST_F(HistoryFixture, DeleteAndClear) {
    SyncHistoryEntry a = MakeEntry("a", 0, 0, 1), b = MakeEntry("b", 0, 0, 2);
    SyncHistoryEntry* pa = mgr.AddEntry(&a);
    mgr.AddEntry(&b);
    EXPECT_EQ(mgr.AddEntry(nullptr), nullptr);
    SyncHistoryEntry stranger = MakeEntry("x", 0, 0, 0);
    mgr.DeleteEntry(&stranger);  // not in the list: nothing
    EXPECT_EQ(mgr.GetCount(), 2u);
    mgr.DeleteEntry(pa);
    ASSERT_EQ(mgr.GetCount(), 1u);
    EXPECT_STREQ(mgr.GetLast()->szDescription, "b");
    mgr.Clear();
    EXPECT_EQ(mgr.GetCount(), 0u);
    EXPECT_EQ(mgr.GetLast(), nullptr);
}

TEST_F(HistoryFixture, MissingFileOrNoDataFolder) {
    EXPECT_FALSE(mgr.Load(nullptr));
    EXPECT_EQ(mgr.GetCount(), 0u);
    SyncHistoryMgr noFolder;
    noFolder.SetDataFolder("");
    EXPECT_FALSE(noFolder.Load(nullptr));
    EXPECT_FALSE(noFolder.Save(nullptr));
    const std::string blocked = dir.File("sub") + cxplat::kPathSep + "x.dat";  // no folder "sub"
    EXPECT_FALSE(mgr.Save(blocked.c_str()));
}

// Damaged files: never a crash, never reading past the end, what could be
// read is kept.
struct BadFile {
    const char* name;
    std::vector<uint8_t> bytes;
    size_t entries;
    const char* lastDescription;
    int32_t lastCount;
};

std::vector<BadFile> BadFiles() {
    std::vector<BadFile> cases;
    cases.push_back({"empty file", {}, 0, nullptr, 0});
    cases.push_back({"short count", {1, 0}, 0, nullptr, 0});
    {
        std::vector<uint8_t> v;
        PutInt(v, 0x7FFFFFFF);
        cases.push_back({"huge count, no entries", v, 0, nullptr, 0});
        PutInt(v, 3);
        v.insert(v.end(), {'a', 'b', 'c'});
        PutDouble(v, 1.0);
        PutDouble(v, 2.0);
        PutInt(v, 9);
        cases.push_back({"huge count, one entry cut inside its reserved numbers", v, 1, "abc", 9});
    }
    {
        std::vector<uint8_t> v;
        PutInt(v, -5);
        PutInt(v, 1);
        cases.push_back({"negative count", v, 0, nullptr, 0});
    }
    {
        std::vector<uint8_t> v;
        PutInt(v, 2);
        PutInt(v, 0x7FFFFFF0);  // text length far beyond the file
        v.insert(v.end(), {'z', 'z'});
        cases.push_back({"huge text length", v, 1, "zz", 0});
    }
    {
        std::vector<uint8_t> v;
        PutInt(v, 1);
        PutInt(v, -100);  // negative length reads nothing more
        PutDouble(v, 3.0);
        PutDouble(v, 4.0);
        PutInt(v, 5);
        for (int i = 0; i < 20; ++i) PutInt(v, 0);
        cases.push_back({"negative text length", v, 1, "", 5});
    }
    {
        std::vector<uint8_t> v;
        PutInt(v, 2);
        PutInt(v, 300);
        for (int i = 0; i < 300; ++i) v.push_back(static_cast<uint8_t>('a' + i % 26));
        PutDouble(v, 3.0);
        PutDouble(v, 4.0);
        PutInt(v, 77);
        for (int i = 0; i < 10; ++i) PutInt(v, 0);
        for (int i = 0; i < 10; ++i) {  // reserved texts longer than their slot
            PutInt(v, 3);
            v.insert(v.end(), {'r', 's', 't'});
        }
        std::vector<uint8_t> second;
        PutInt(second, 1);
        second.push_back('Q');
        PutDouble(second, 0.0);
        PutDouble(second, 0.0);
        PutInt(second, 88);
        for (int i = 0; i < 20; ++i) PutInt(second, 0);
        v.insert(v.end(), second.begin(), second.end());
        cases.push_back({"over-long texts cut, next entry aligned", v, 2, "Q", 88});
    }
    return cases;
}

TEST_F(HistoryFixture, DamagedFilesLoadWhatTheyHold) {
    for (const BadFile& c : BadFiles()) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("bad.dat");
        WriteBytes(path, c.bytes);
        SyncHistoryMgr m;
        EXPECT_TRUE(m.Load(path.c_str()));
        ASSERT_EQ(m.GetCount(), c.entries);
        if (c.entries == 0) continue;
        SyncHistoryEntry* last = m.GetLast();
        EXPECT_STREQ(last->szDescription, c.lastDescription);
        EXPECT_EQ(last->nRecordCount, c.lastCount);
    }
}

TEST_F(HistoryFixture, OverLongDescriptionIsCutTo255) {
    std::vector<uint8_t> v;
    PutInt(v, 1);
    PutInt(v, 300);
    v.insert(v.end(), 300, 'L');
    PutDouble(v, 10.0);
    PutDouble(v, 11.0);
    PutInt(v, 12);
    for (int i = 0; i < 20; ++i) PutInt(v, 0);
    WriteBytes(dir.File("long.dat"), v);
    ASSERT_TRUE(mgr.Load(dir.File("long.dat").c_str()));
    SyncHistoryEntry* e = mgr.GetLast();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(strlen(e->szDescription), 255u);
    EXPECT_EQ(e->dtStart, 10.0);
    EXPECT_EQ(e->dtEnd, 11.0);
    EXPECT_EQ(e->nRecordCount, 12);
}

}  // namespace
