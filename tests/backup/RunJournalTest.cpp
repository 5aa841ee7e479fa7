// The run journal: what a run writes comes back from the reader, the file
// is plain CSV, and damage is reported with its line.
#include "common/backup/RunJournal.h"

#include <gtest/gtest.h>

#include "BackupTestUtil.h"
#include "common/backup/CxSha256.h"
#include "support/TestSupport.h"

namespace {

using backup_test::Time;

BackupFileState State(uint64_t size, const std::string& content, uint64_t time) {
    BackupFileState s;
    s.size = size;
    s.sha256 = CxSha256::Of(content);
    s.writeTime = time;
    return s;
}

// Values a field can hold that a CSV writer gets wrong.
const char* const kAwkward[] = {
    "", "plain", "with, comma", "say \"hi\"", "two\r\nlines", "lf\nonly", "cr\ronly",
    "tab\there", "Zoë Ünal 中文 😀", "\"", ",", "  spaced  ",
};

TEST(RunJournal, WhatIsWrittenIsReadBack) {
    vt_test::TempDir dir;
    const std::string path = dir.File("journal.csv");
    RunJournal j;
    std::string error;
    ASSERT_TRUE(j.Open(path, Time(2026, 12, 11, 0, 28, 47, 123), "Two-way", error)) << error;
    const BackupFileState backup = State(10, "backup", 134414225271234567ULL);
    j.BackupMade(JournalSide::Palm, "address.dat", backup);
    j.BackupMade(JournalSide::Outlook, "outlook.vtol", BackupFileState{});
    const JournalContact anna{"Anna Ähnlich", "1234"};
    const JournalContact olContact{"Bob, \"Bobby\"", "00000000ABCDEF"};
    j.ContactAdded(JournalSide::Outlook, olContact);
    for (const char* v : kAwkward) j.FieldChanged(JournalSide::Palm, anna, "Note", v, "new");
    j.FieldChanged(JournalSide::Outlook, olContact, "Birthday", "1990-05-01", "");
    j.WriteFailed(JournalSide::Palm, anna, "Record too long\r\n(over 64 KB)");
    j.PalmFileSaved(State(11, "first save", 1));
    const BackupFileState last = State(12, "last save", 134414225281234567ULL);
    j.PalmFileSaved(last);  // 6.x: one state per write, the last counts
    EXPECT_TRUE(j.Ok());
    ASSERT_TRUE(j.Close(error)) << error;

    RunJournalData d;
    ASSERT_TRUE(ReadRunJournal(path, d, error)) << error;
    EXPECT_EQ(d.start, "2026-12-11 00:28:47.123");
    EXPECT_EQ(d.mode, "Two-way");
    ASSERT_TRUE(d.hasPalmBackup);
    EXPECT_EQ(d.palmBackupName, "address.dat");
    EXPECT_TRUE(d.palmBackup.SameContent(backup));
    EXPECT_EQ(d.palmBackup.writeTime, backup.writeTime);
    EXPECT_TRUE(d.hasOutlookBackup);
    EXPECT_EQ(d.outlookBackupName, "outlook.vtol");
    ASSERT_TRUE(d.hasPalmAfter);
    EXPECT_TRUE(d.palmAfter.SameContent(last));
    EXPECT_EQ(d.palmAfter.writeTime, last.writeTime);

    std::vector<JournalRow> changes, added, failed;
    for (const auto& r : d.rows) {
        if (r.kind == journal::kChanged) changes.push_back(r);
        if (r.kind == journal::kAdded) added.push_back(r);
        if (r.kind == journal::kFailed) failed.push_back(r);
    }
    const size_t n = sizeof(kAwkward) / sizeof(kAwkward[0]);
    ASSERT_EQ(changes.size(), n + 1);
    for (size_t i = 0; i < n; ++i) {
        EXPECT_EQ(changes[i].oldValue, kAwkward[i]) << i;
        EXPECT_EQ(changes[i].side, "Palm Desktop");
        EXPECT_EQ(changes[i].contact, anna.name);
        EXPECT_EQ(changes[i].key, "1234");
        EXPECT_EQ(changes[i].field, "Note");
    }
    EXPECT_EQ(changes[n].newValue, "");
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0].side, "Outlook");
    EXPECT_EQ(added[0].contact, olContact.name);
    EXPECT_EQ(added[0].key, olContact.key);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].reason, "Record too long\r\n(over 64 KB)");

    // Anna changed in many fields is one contact; Bob added and changed.
    const RunJournalCounts counts = CountRunJournal(d);
    EXPECT_EQ(counts.changed[0], 1);
    EXPECT_EQ(counts.changed[1], 1);
    EXPECT_EQ(counts.added[0], 0);
    EXPECT_EQ(counts.added[1], 1);
    EXPECT_EQ(counts.failed[0], 1);
    EXPECT_EQ(counts.failed[1], 0);
}

TEST(RunJournal, IsCsvAUserCanOpen) {
    vt_test::TempDir dir;
    const std::string path = dir.File("journal.csv");
    {
        RunJournal j;
        std::string error;
        ASSERT_TRUE(j.Open(path, Time(2026, 1, 2, 3, 4, 5, 60), "Outlook to Palm Desktop", error));
        j.FieldChanged(JournalSide::Palm, {"Anna", "7"}, "Last name", "Old", "New");
    }  // closed by its end
    EXPECT_EQ(vt_test::ReadText(path),
              "\xEF\xBB\xBF\"Kind\",\"Side\",\"Contact\",\"Key\",\"Field\",\"Old value\",\"New "
              "value\",\"Reason\"\r\n"
              "\"Run\",\"\",\"\",\"\",\"Start\",\"\",\"2026-01-02 03:04:05.060\",\"\"\r\n"
              "\"Run\",\"\",\"\",\"\",\"Mode\",\"\",\"Outlook to Palm Desktop\",\"\"\r\n"
              "\"Changed\",\"Palm Desktop\",\"Anna\",\"7\",\"Last name\",\"Old\",\"New\",\"\"\r\n");
    // Never over an existing journal.
    const std::string before = vt_test::ReadText(path);
    RunJournal again;
    std::string error;
    EXPECT_FALSE(again.Open(path, Time(2026, 1, 2, 3, 4, 5, 60), "x", error));
    EXPECT_NE(error.find("exists"), std::string::npos) << error;
    EXPECT_EQ(vt_test::ReadText(path), before);
}

TEST(RunJournal, DamageIsReportedWithItsLine) {
    const std::string header =
        "\"Kind\",\"Side\",\"Contact\",\"Key\",\"Field\",\"Old value\",\"New value\",\"Reason\"\r\n";
    const std::string good = "\"Added\",\"Outlook\",\"A\",\"1\",\"\",\"\",\"\",\"\"\r\n";
    struct Case {
        std::string text;
        const char* where;
        size_t rowsKept;
    };
    const Case cases[] = {
        {"", "line 1", 0},
        {"Name,Phone\r\n", "line 1", 0},
        {header + good + "\"Added\",\"Outlook\",\"cut", "line 3", 1},
        {header + good + "\"Added\",\"Outlook\"\r\n", "line 3", 1},
        {header + "\"Changed\",\"Palm Desktop\",\"A\",\"1\",\"Note\",\"a\r\nb\",\"c\",\"\"\r\n" +
             "\"Added\",\"x\"y,\"\",\"\",\"\",\"\",\"\",\"\"\r\n",
         "line 4", 1},
        {header + "\"Palm file after save\",\"Palm Desktop\",\"\",\"\",\"SHA-256\",\"\",\"xyz\","
                  "\"\"\r\n",
         "line 2", 0},
        {header + "\"Backup\",\"Palm Desktop\",\"\",\"\",\"Size\",\"\",\"-1\",\"\"\r\n", "line 2", 0},
        {header + good + "\"Deleted\",\"Outlook\",\"A\",\"1\",\"\",\"\",\"\",\"\"\r\n", "line 3", 1},
    };
    for (const auto& c : cases) {
        vt_test::TempDir dir;
        vt_test::WriteText(dir.File("j.csv"), c.text);
        RunJournalData d;
        std::string error;
        EXPECT_FALSE(ReadRunJournal(dir.File("j.csv"), d, error)) << c.text;
        EXPECT_NE(error.find(c.where), std::string::npos) << error;
        EXPECT_EQ(d.rows.size(), c.rowsKept) << c.text;
    }
    RunJournalData d;
    std::string error;
    vt_test::TempDir dir;
    EXPECT_FALSE(ReadRunJournal(dir.File("none.csv"), d, error));
    EXPECT_NE(error.find("none.csv"), std::string::npos);
}

#ifndef _WIN32
TEST(RunJournal, LostRowsAreReported) {
    if (!cxplat::FileExists("/dev/full") && !vt_test::Exists("/dev/full")) GTEST_SKIP();
    RunJournal j;
    std::string error;
    // Every write to /dev/full fails as a full disk does.
    EXPECT_FALSE(j.Open("/dev/full", Time(2026, 1, 1, 0, 0, 0, 0), "x", error));
    EXPECT_FALSE(j.Ok());
    j.ContactAdded(JournalSide::Palm, {"A", "1"});
    EXPECT_FALSE(j.Close(error));
    EXPECT_NE(error.find("Cannot write"), std::string::npos) << error;
}
#endif

}  // namespace
