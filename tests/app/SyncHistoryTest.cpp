#include "src/SyncHistory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/misc/CxPlatform.h"
#include "support/LogCapture.h"
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

// One stored entry as a run writes it: a description, two times, a count.
void PutEntry(std::vector<uint8_t>& v, const std::string& text, int32_t count) {
    PutInt(v, static_cast<int32_t>(text.size()));
    v.insert(v.end(), text.begin(), text.end());
    PutDouble(v, 46000.5);
    PutDouble(v, 46000.75);
    PutInt(v, count);
    for (int i = 0; i < 20; ++i) PutInt(v, 0);
}

// Odd and damaged files: never a crash, never reading past the end, the
// whole entries before the damage are kept; only content no history can
// hold is moved aside.
struct BadFile {
    const char* name;
    std::vector<uint8_t> bytes;
    size_t entries;
    const char* lastDescription;
    int32_t lastCount;
    bool damaged;
};

std::vector<BadFile> BadFiles() {
    std::vector<BadFile> cases;
    cases.push_back({"empty file", {}, 0, nullptr, 0, false});
    cases.push_back({"short count", {1, 0}, 0, nullptr, 0, false});
    {
        std::vector<uint8_t> v;
        PutInt(v, 0x7FFFFFFF);
        cases.push_back({"huge count, no entries", v, 0, nullptr, 0, true});
        std::vector<uint8_t> zeros = v;
        zeros.resize(zeros.size() + 10 * 1024 * 1024, 0);
        cases.push_back({"huge count followed by 10 MB of zeros", zeros, 0, nullptr, 0, true});
        PutEntry(v, "abc", 9);
        PutEntry(v, "def", 10);
        std::vector<uint8_t> thenZeros = v;
        thenZeros.resize(thenZeros.size() + 5000, 0);
        cases.push_back({"huge count, two entries, then zeros", thenZeros, 2, "def", 10, true});
        v.resize(v.size() - 30);
        cases.push_back({"huge count, second entry cut", v, 1, "abc", 9, true});
    }
    {
        std::vector<uint8_t> v;
        PutInt(v, -5);
        PutEntry(v, "x", 1);
        cases.push_back({"negative count", v, 0, nullptr, 0, true});
    }
    {
        std::vector<uint8_t> v;
        PutInt(v, 3);
        PutEntry(v, "kept", 4);
        PutInt(v, 0x7FFFFFF0);  // text length far beyond the file
        v.insert(v.end(), 300, 'z');
        cases.push_back({"text length past the end", v, 1, "kept", 4, true});
    }
    {
        std::vector<uint8_t> v;
        PutInt(v, 2);
        PutEntry(v, "kept", 4);
        PutInt(v, -100);
        v.resize(v.size() + 200, 0);
        cases.push_back({"negative text length", v, 1, "kept", 4, true});
    }
    {
        // A cut history of real entries: the count fits the bytes, so the file
        // is only short, not damaged; the cut entry is not made up.
        std::vector<uint8_t> v;
        PutInt(v, 5);
        for (int i = 0; i < 3; ++i) PutEntry(v, std::string(200, char('a' + i)), i);
        v.resize(v.size() - 50);
        cases.push_back({"short of its count, long entries", v, 2, nullptr, 1, false});
        std::vector<uint8_t> shortOnes;
        PutInt(shortOnes, 10);
        for (int i = 0; i < 3; ++i) PutEntry(shortOnes, "run", 20 + i);
        shortOnes.resize(shortOnes.size() - 3);
        cases.push_back({"short of its count, short entries", shortOnes, 2, "run", 21, true});
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
        PutEntry(v, "Q", 88);
        cases.push_back({"over-long texts cut, next entry aligned", v, 2, "Q", 88, false});
    }
    return cases;
}

TEST_F(HistoryFixture, DamagedFilesKeepTheirWholeEntriesAndAreMovedAside) {
    for (const BadFile& c : BadFiles()) {
        SCOPED_TRACE(c.name);
        TempDir own;
        const std::string path = own.File("synchis.dat");
        WriteBytes(path, c.bytes);
        SyncHistoryMgr m;
        EXPECT_TRUE(m.Load(path.c_str()));
        ASSERT_EQ(m.GetCount(), c.entries);
        if (c.damaged) {
            EXPECT_EQ(m.GetDamagedPath(), path + ".damaged");
            EXPECT_FALSE(vt_test::Exists(path));
            EXPECT_EQ(ReadBytes(path + ".damaged"), c.bytes);
        } else {
            EXPECT_EQ(m.GetDamagedPath(), "");
            EXPECT_EQ(ReadBytes(path), c.bytes);
        }
        if (c.entries == 0) continue;
        SyncHistoryEntry* last = m.GetLast();
        if (c.lastDescription) {
            EXPECT_STREQ(last->szDescription, c.lastDescription);
        }
        EXPECT_EQ(last->nRecordCount, c.lastCount);
    }
}

TEST_F(HistoryFixture, DamageIsLoggedAndAnEarlierCopyIsNotOverwritten) {
    vt_test::LogCapture log;
    std::vector<uint8_t> bad;
    PutInt(bad, -1);
    WriteBytes(DefaultPath(), bad);
    WriteBytes(DefaultPath() + ".damaged", {1, 2, 3});
    ASSERT_TRUE(mgr.Load(nullptr));
    EXPECT_EQ(mgr.GetDamagedPath(), DefaultPath() + ".damaged2");
    EXPECT_EQ(ReadBytes(DefaultPath() + ".damaged"), std::vector<uint8_t>({1, 2, 3}));
    EXPECT_TRUE(log.Has(1, "The history file " + DefaultPath() + " is damaged (a negative count); "
                           "it was moved to " + DefaultPath() + ".damaged2."));
    // The next save starts a fresh file.
    SyncHistoryEntry e = MakeEntry("after", 1, 2, 3);
    mgr.AddEntry(&e);
    ASSERT_TRUE(mgr.Save(nullptr));
    SyncHistoryMgr again;
    ASSERT_TRUE(again.Load(DefaultPath().c_str()));
    EXPECT_EQ(again.GetCount(), 1u);
    EXPECT_EQ(again.GetDamagedPath(), "");
}

// A save that fails at any step leaves the history as it was and no
// temporary file behind.
TEST_F(HistoryFixture, FailedSaveAtEachStepKeepsTheOldFile) {
    for (int i = 0; i < 3; ++i) {
        SyncHistoryEntry e = MakeEntry("old", i, i, i);
        mgr.AddEntry(&e);
    }
    ASSERT_TRUE(mgr.Save(nullptr));
    const auto before = ReadBytes(DefaultPath());
    SyncHistoryEntry added = MakeEntry("new", 9, 9, 9);
    mgr.AddEntry(&added);
    const HistorySaveStep steps[] = {HistorySaveStep::OpenTemp, HistorySaveStep::Write,
                                     HistorySaveStep::Flush, HistorySaveStep::Replace};
    for (HistorySaveStep step : steps) {
        SCOPED_TRACE(static_cast<int>(step));
        vt_test::LogCapture log;
        mgr.SetSaveFault([step](HistorySaveStep s) { return s == step; });
        EXPECT_FALSE(mgr.Save(nullptr));
        EXPECT_EQ(ReadBytes(DefaultPath()), before);
        EXPECT_FALSE(vt_test::Exists(DefaultPath() + ".vtnew"));
        EXPECT_EQ(log.Count("Failed to save the history"), 1);
    }
    mgr.SetSaveFault(nullptr);
    ASSERT_TRUE(mgr.Save(nullptr));
    SyncHistoryMgr back;
    ASSERT_TRUE(back.Load(DefaultPath().c_str()));
    EXPECT_EQ(back.GetCount(), 4u);
    EXPECT_FALSE(vt_test::Exists(DefaultPath() + ".vtnew"));
}

// The process dies at each step of a save: the history still loads whole
// (old or new), and the next save gets past a leftover temporary file.
// The dying child runs the test again from its start (always so on
// Windows), so it must find the parent's folder, not make its own.
constexpr const char* kKillDirVar = "VT_HISTORY_KILL_DIR";

// The parent makes the folder and hands it on; the child only finds it.
std::string FolderSharedWithChild(std::unique_ptr<TempDir>& own) {
    const char* inherited = getenv(kKillDirVar);
    if (inherited && *inherited) return inherited;
    own = std::make_unique<TempDir>();
#ifdef _WIN32
    _putenv_s(kKillDirVar, own->Path().c_str());
#else
    setenv(kKillDirVar, own->Path().c_str(), 1);
#endif
    return own->Path();
}

TEST(HistoryKill, KilledSaveAtEachStepLeavesAWholeHistory) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::unique_ptr<TempDir> dir;
    SyncHistoryMgr mgr;
    const std::string folder = FolderSharedWithChild(dir);
    mgr.SetDataFolder(folder.c_str());
    const std::string path = folder + "synchis.dat";
    for (int i = 0; i < 200; ++i) {
        SyncHistoryEntry e = MakeEntry("old run", i, i + 1, i);
        mgr.AddEntry(&e);
    }
    ASSERT_TRUE(mgr.Save(nullptr));
    const HistorySaveStep steps[] = {HistorySaveStep::OpenTemp, HistorySaveStep::Write,
                                     HistorySaveStep::Flush, HistorySaveStep::Replace};
    for (HistorySaveStep step : steps) {
        SCOPED_TRACE(static_cast<int>(step));
        EXPECT_EXIT(
            {
                SyncHistoryEntry e = MakeEntry("new run", 0, 0, 1);
                mgr.AddEntry(&e);
                mgr.SetSaveFault([step](HistorySaveStep s) {
                    if (s == step) std::_Exit(7);
                    return false;
                });
                mgr.Save(nullptr);
            },
            ::testing::ExitedWithCode(7), "");
        SyncHistoryMgr back;
        ASSERT_TRUE(back.Load(path.c_str()));
        EXPECT_EQ(back.GetCount(), 200u);
        EXPECT_EQ(back.GetDamagedPath(), "");
    }
    EXPECT_TRUE(vt_test::Exists(path + ".vtnew"));  // left by the last kill
    SyncHistoryEntry e = MakeEntry("after", 0, 0, 2);
    mgr.AddEntry(&e);
    ASSERT_TRUE(mgr.Save(nullptr));
    EXPECT_FALSE(vt_test::Exists(path + ".vtnew"));
    SyncHistoryMgr back;
    ASSERT_TRUE(back.Load(path.c_str()));
    EXPECT_EQ(back.GetCount(), 201u);
#ifdef _WIN32
    _putenv_s(kKillDirVar, "");
#else
    unsetenv(kKillDirVar);
#endif
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
