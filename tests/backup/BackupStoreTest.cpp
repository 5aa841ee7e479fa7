// Run folder names, the backup folder, copies of the Palm file and rotation.
#include "common/backup/BackupStore.h"

#include <gtest/gtest.h>

#include <cmath>

#include "BackupTestUtil.h"
#include "common/backup/BackupRunName.h"
#include "common/backup/OlBackupFile.h"
#include "common/backup/OlBackupVCard.h"
#include "common/backup/RunJournal.h"
#include "support/TestSupport.h"

namespace {

using backup_test::Entries;
using backup_test::Time;

std::string Sep(const std::string& a, const std::string& b) { return a + cxplat::kPathSep + b; }

TEST(BackupRunName, NamesParseBackAndTimesKeepTheirMilliseconds) {
    const CxSystemTime times[] = {
        Time(2026, 12, 11, 0, 28, 47, 123), Time(2026, 12, 31, 23, 59, 59, 999),
        Time(2000, 2, 29, 12, 0, 0, 0),     Time(1900, 1, 1, 0, 0, 0, 1),
        Time(9999, 12, 31, 23, 59, 59, 999),
    };
    for (const auto& t : times) {
        for (int32_t seq : {1, 2, 10, 9999}) {
            const std::string name = BackupRunName(t, seq);
            CxSystemTime back;
            int32_t backSeq = 0;
            ASSERT_TRUE(ParseBackupRunName(name, back, backSeq)) << name;
            EXPECT_EQ(BackupRunName(back, backSeq), name);
        }
        double ole = 0;
        ASSERT_TRUE(BackupRunOleDate(t, ole)) << BackupRunTimeText(t);
        CxSystemTime back;
        ASSERT_TRUE(BackupRunTimeFromOle(ole, back));
        EXPECT_EQ(BackupRunTimeText(back), BackupRunTimeText(t));
    }
    EXPECT_EQ(BackupRunName(Time(2026, 12, 11, 0, 28, 47, 5), 1), "2026-12-11_00-28-47.005_1");
    // One millisecond apart stays apart.
    double a = 0, b = 0;
    ASSERT_TRUE(BackupRunOleDate(Time(2026, 12, 11, 0, 28, 47, 122), a));
    ASSERT_TRUE(BackupRunOleDate(Time(2026, 12, 11, 0, 28, 47, 123), b));
    EXPECT_LT(a, b);
}

TEST(BackupRunName, ForeignNamesAreNotRuns) {
    const char* names[] = {
        "",
        "backup",
        "2026-12-11_00-28-47.123",       // no sequence
        "2026-12-11_00-28-47.123_0",     // sequences start at 1
        "2026-12-11_00-28-47.123_1 ",    // trailing text
        "2026-12-11_00-28-47.12_1",      // not three digits
        "2026-12-11_00-28-47.123_+1",
        "2026-12-11_00-28-47.123_01",
        "2026-02-30_00-28-47.123_1",     // no such day
        "2026-13-01_00-28-47.123_1",
        "2026-12-11_24-00-00.000_1",
        "1899-12-31_00-00-00.000_1",     // before the history's dates
    };
    for (const char* n : names) {
        CxSystemTime t;
        int32_t seq = 0;
        EXPECT_FALSE(ParseBackupRunName(n, t, seq)) << n;
    }
    CxSystemTime t;
    EXPECT_FALSE(BackupRunTimeFromOle(-1.5, t));
    EXPECT_FALSE(BackupRunTimeFromOle(std::nan(""), t));
}

TEST(BackupStore, DefaultRootIsUnderTheUsersLocalData) {
    std::string root, error;
    cxplat::OverrideLocalAppDataFolder("base", true);
    ASSERT_TRUE(BackupStore::DefaultRoot(root, error));
    EXPECT_EQ(root, Sep(Sep(Sep("base", "brenvik"), "Vantoro_OL_PD"), "backups"));
    cxplat::OverrideLocalAppDataFolder(nullptr, false);
    EXPECT_FALSE(BackupStore::DefaultRoot(root, error));
    EXPECT_FALSE(error.empty());
    cxplat::OverrideLocalAppDataFolder(nullptr, true);
}

TEST(BackupStore, RunsInOneMillisecondGetTheirOwnFolders) {
    vt_test::TempDir dir;
    const std::string root = Sep(Sep(dir.Path() + "local", "brenvik"), "backups");
    BackupStore store(root);
    const CxSystemTime start = Time(2026, 12, 11, 0, 28, 47, 123);
    BackupRun a, b;
    std::string error;
    ASSERT_TRUE(store.BeginRun(start, a, error)) << error;  // makes the missing parents
    ASSERT_TRUE(store.BeginRun(start, b, error)) << error;
    EXPECT_EQ(a.name, "2026-12-11_00-28-47.123_1");
    EXPECT_EQ(b.name, "2026-12-11_00-28-47.123_2");
    EXPECT_TRUE(cxplat::FolderExists(a.folder.c_str()));
    EXPECT_TRUE(cxplat::FolderExists(b.folder.c_str()));
    // A second store on the same folder (another process) does not reuse them.
    BackupStore other(root + cxplat::kPathSep);
    BackupRun c;
    ASSERT_TRUE(other.BeginRun(start, c, error)) << error;
    EXPECT_EQ(c.sequence, 3);

    double ole = 0;
    ASSERT_TRUE(BackupRunOleDate(start, ole));
    EXPECT_EQ(store.JournalPathFor(ole, 2), store.JournalPath(b));
    BackupRun found;
    ASSERT_TRUE(store.FindRun(ole, 2, found, error)) << error;
    EXPECT_EQ(found.folder, b.folder);
    EXPECT_FALSE(store.FindRun(ole, 4, found, error));
    EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
}

TEST(BackupStore, PalmFileCopiedWholeUnderItsName) {
    vt_test::TempDir dir;
    const std::string content = backup_test::BinaryContent(150000, 9);
    vt_test::WriteText(dir.File("address.dat"), content);
    BackupStore store(dir.File("backups"));
    BackupRun run;
    std::string error, copy;
    ASSERT_TRUE(store.BeginRun(Time(2026, 1, 2, 3, 4, 5, 6), run, error)) << error;
    BackupFileState state;
    ASSERT_TRUE(store.BackupPalmFile(run, dir.File("address.dat"), copy, state, error)) << error;
    EXPECT_EQ(copy, Sep(store.BackupFolder(run), "address.dat"));
    EXPECT_EQ(vt_test::ReadText(copy), content);
    BackupFileState original;
    ASSERT_TRUE(ReadBackupFileState(dir.File("address.dat"), original, error));
    EXPECT_TRUE(state.SameContent(original));
    EXPECT_EQ(Entries(store.BackupFolder(run)), std::vector<std::string>{"address.dat"});

    BackupRun other;
    ASSERT_TRUE(store.BeginRun(Time(2026, 1, 2, 3, 4, 5, 7), other, error));
    EXPECT_FALSE(store.BackupPalmFile(other, dir.File("Address.mdb"), copy, state, error));
    EXPECT_NE(error.find("Address.mdb"), std::string::npos) << error;
    BackupRun gone = other;
    gone.folder += "-gone";
    EXPECT_FALSE(store.BackupPalmFile(gone, dir.File("address.dat"), copy, state, error));
    EXPECT_FALSE(cxplat::FolderExists(gone.folder.c_str()));
}

// Runs at minutes 1..n; each has a journal, runs listed in withBackup a backup.
std::vector<BackupRun> MakeRuns(BackupStore& store, int n, const std::vector<bool>& withBackup) {
    std::vector<BackupRun> runs;
    for (int i = 0; i < n; ++i) {
        BackupRun run;
        std::string error;
        EXPECT_TRUE(store.BeginRun(Time(2026, 3, 1, 10, i + 1, 0, 0), run, error)) << error;
        vt_test::WriteText(store.JournalPath(run), "journal");
        if (withBackup[static_cast<size_t>(i)]) {
            cxplat::CreateFolder(store.BackupFolder(run).c_str());
            vt_test::WriteText(Sep(store.BackupFolder(run), "address.dat"), "data");
            vt_test::WriteText(Sep(store.BackupFolder(run), BackupStore::kOutlookFileName), "ol");
        }
        runs.push_back(run);
    }
    return runs;
}

TEST(BackupStore, ListsRunsNewestFirstAndLeavesOtherFoldersOut) {
    vt_test::TempDir dir;
    BackupStore store(dir.File("backups"));
    MakeRuns(store, 3, {true, false, true});
    cxplat::CreateFolder(Sep(store.Root(), "my notes").c_str());
    vt_test::WriteText(Sep(store.Root(), "2026-03-01_11-00-00.000_1"), "a file, not a run");
    std::vector<BackupRun> runs;
    std::string error;
    ASSERT_TRUE(store.ListRuns(runs, error)) << error;
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].name, "2026-03-01_10-03-00.000_1");
    EXPECT_EQ(runs[2].name, "2026-03-01_10-01-00.000_1");
    EXPECT_TRUE(runs[0].hasBackup);
    EXPECT_FALSE(runs[1].hasBackup);
}

TEST(BackupStore, RotationKeepsTheNewestBackupsAndEveryJournal) {
    struct Case {
        int32_t keep;
        std::vector<bool> withBackup;
        std::vector<bool> backupAfter;
    };
    const Case cases[] = {
        {2, {true, true, true, true, true}, {false, false, false, true, true}},
        // Runs without a backup do not use up the count.
        {2, {true, true, true, false, false}, {false, true, true, false, false}},
        {10, {true, true, true}, {true, true, true}},
        {0, {true, true, true}, {true, true, true}},  // 0 keeps all
        {1, {false, false}, {false, false}},
    };
    for (const auto& c : cases) {
        vt_test::TempDir dir;
        BackupStore store(dir.File("backups"));
        const auto runs = MakeRuns(store, static_cast<int>(c.withBackup.size()), c.withBackup);
        cxplat::CreateFolder(Sep(store.Root(), "keep me").c_str());
        int32_t removed = -1;
        std::string error;
        ASSERT_TRUE(store.Rotate(c.keep, removed, error)) << error;
        int32_t expectRemoved = 0;
        for (size_t i = 0; i < runs.size(); ++i) {
            EXPECT_EQ(cxplat::FolderExists(store.BackupFolder(runs[i]).c_str()), c.backupAfter[i])
                << "keep " << c.keep << " run " << i;
            EXPECT_EQ(vt_test::ReadText(store.JournalPath(runs[i])), "journal");
            expectRemoved += c.withBackup[i] && !c.backupAfter[i];
        }
        EXPECT_EQ(removed, expectRemoved) << "keep " << c.keep;
        EXPECT_TRUE(cxplat::FolderExists(Sep(store.Root(), "keep me").c_str()));
    }
}

TEST(BackupStore, MissingOrDamagedFolderIsReportedAndLeftAlone) {
    vt_test::TempDir dir;
    std::vector<BackupRun> runs;
    std::string error;
    int32_t removed = 0;

    BackupStore missing(dir.File("backups"));
    EXPECT_FALSE(missing.ListRuns(runs, error));
    EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
    EXPECT_FALSE(missing.Rotate(1, removed, error));
    EXPECT_FALSE(cxplat::FolderExists(dir.File("backups").c_str()));

    vt_test::WriteText(dir.File("afile"), "not a folder");
    BackupStore file(dir.File("afile"));
    EXPECT_FALSE(file.ListRuns(runs, error));
    EXPECT_NE(error.find("is a file"), std::string::npos) << error;
    BackupRun run;
    EXPECT_FALSE(file.BeginRun(Time(2026, 1, 1, 0, 0, 0, 0), run, error));
    EXPECT_EQ(vt_test::ReadText(dir.File("afile")), "not a folder");

    BackupStore none{std::string()};
    EXPECT_FALSE(none.BeginRun(Time(2026, 1, 1, 0, 0, 0, 0), run, error));
    EXPECT_FALSE(none.ListRuns(runs, error));
}

TEST(BackupStore, ARunsFilesLiveBesideItsJournalUntilRotated) {
    vt_test::TempDir dir;
    vt_test::WriteText(dir.File("Address.mdb"), "database");
    BackupStore store(dir.File("backups"));
    BackupRun old, recent;
    std::string error, copy;
    BackupFileState state;
    for (BackupRun* run : {&old, &recent}) {
        const int minute = run == &old ? 1 : 2;
        ASSERT_TRUE(store.BeginRun(Time(2026, 5, 1, 9, minute, 0, 0), *run, error)) << error;
        RunJournal journal;
        ASSERT_TRUE(journal.Open(store.JournalPath(*run), run->start, "Two-way", error)) << error;
        ASSERT_TRUE(store.BackupPalmFile(*run, dir.File("Address.mdb"), copy, state, error));
        journal.BackupMade(JournalSide::Palm, "Address.mdb", state);
        ASSERT_TRUE(store.EnsureBackupFolder(*run, error)) << error;
        OlBackupFile ol;
        ASSERT_TRUE(ol.Create(store.OutlookBackupPath(*run), error)) << error;
        ASSERT_TRUE(ol.AddChanged({"00AB", {{"LastName", "Ng"}}}, error));
        ASSERT_TRUE(ol.Close(error));
        journal.BackupMade(JournalSide::Outlook, BackupStore::kOutlookFileName, {});
        ASSERT_TRUE(OlBackupWriteVCard(store.OutlookBackupPath(*run), store.OutlookVCardPath(*run),
                                       error))
            << error;
        ASSERT_TRUE(journal.Close(error));
    }
    EXPECT_EQ(Entries(store.BackupFolder(old)),
              (std::vector<std::string>{"Address.mdb", "outlook.vcf", "outlook.vtol"}));
    EXPECT_NE(vt_test::ReadText(store.OutlookVCardPath(old)).find("N:Ng;"), std::string::npos);
    int32_t removed = 0;
    ASSERT_TRUE(store.Rotate(1, removed, error)) << error;
    EXPECT_EQ(removed, 1);
    EXPECT_EQ(Entries(old.folder), std::vector<std::string>{"journal.csv"});
    EXPECT_EQ(Entries(recent.folder), (std::vector<std::string>{"backup", "journal.csv"}));
    // The journal still tells what the run kept.
    RunJournalData data;
    ASSERT_TRUE(ReadRunJournal(store.JournalPath(old), data, error)) << error;
    EXPECT_EQ(data.palmBackupName, "Address.mdb");
    EXPECT_EQ(data.outlookBackupName, "outlook.vtol");
    // Writing the cards from a damaged file makes no card file.
    vt_test::WriteText(store.OutlookBackupPath(recent), "garbage\r\n");
    cxplat::RemoveFile(store.OutlookVCardPath(recent).c_str());
    EXPECT_FALSE(OlBackupWriteVCard(store.OutlookBackupPath(recent),
                                    store.OutlookVCardPath(recent), error));
    EXPECT_FALSE(cxplat::FileExists(store.OutlookVCardPath(recent).c_str()));
}

}  // namespace
