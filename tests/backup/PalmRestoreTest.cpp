// Restoring the Palm Desktop file from a run's backup: byte for byte, and
// only over the file the run left behind.
#include "common/backup/PalmRestore.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "BackupTestUtil.h"
#include "common/backup/RunJournal.h"
#include "support/TestSupport.h"

namespace {

using backup_test::BinaryContent;
using backup_test::Entries;
using backup_test::Time;

// A run that backed up the data file, wrote it, and journaled both.
class PalmRestoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        palm = dir.File("address.dat");
        before = BinaryContent(70000, 1);
        afterRun = BinaryContent(71000, 2);
        vt_test::WriteText(palm, before);
        std::string error, copy;
        ASSERT_TRUE(store.BeginRun(Time(2026, 12, 11, 0, 28, 47, 123), run, error)) << error;
        BackupFileState copied;
        ASSERT_TRUE(store.BackupPalmFile(run, palm, copy, copied, error)) << error;
        RunJournal journal;
        ASSERT_TRUE(journal.Open(store.JournalPath(run), run.start, "Outlook to Palm Desktop",
                                 error));
        journal.BackupMade(JournalSide::Palm, "address.dat", copied);
        vt_test::WriteText(palm, afterRun);  // the run's save
        BackupFileState saved;
        ASSERT_TRUE(ReadBackupFileState(palm, saved, error));
        journal.PalmFileSaved(saved);
        ASSERT_TRUE(journal.Close(error)) << error;
    }

    PalmRestoreRequest Request() {
        PalmRestoreRequest r;
        PalmRestoreResult result = PalmRestoreResult::Failed;
        std::string message;
        EXPECT_TRUE(PalmRestore::RequestForRun(store, run, palm, r, result, message)) << message;
        return r;
    }

    vt_test::TempDir dir;
    BackupStore store{dir.File("backups")};
    BackupRun run;
    std::string palm, before, afterRun;
};

TEST_F(PalmRestoreTest, PutsTheFileBackByteForByte) {
    std::string message;
    EXPECT_EQ(PalmRestore::Restore(Request(), message), PalmRestoreResult::Restored) << message;
    EXPECT_EQ(vt_test::ReadText(palm), before);
    EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"address.dat", "backups"}));
    // The backup stays: nothing is deleted outright.
    EXPECT_EQ(vt_test::ReadText(store.BackupFolder(run) + cxplat::kPathSep + "address.dat"),
              before);
}

TEST_F(PalmRestoreTest, ChangedFileIsRefusedUnlessTheUserAgrees) {
    const std::string later = afterRun + "one more record";
    vt_test::WriteText(palm, later);
    std::string message;
    PalmRestoreRequest r = Request();
    EXPECT_EQ(PalmRestore::Restore(r, message), PalmRestoreResult::ChangedSinceRun);
    EXPECT_NE(message.find("changed since"), std::string::npos) << message;
    EXPECT_EQ(vt_test::ReadText(palm), later);
    r.replaceChanged = true;
    EXPECT_EQ(PalmRestore::Restore(r, message), PalmRestoreResult::Restored) << message;
    EXPECT_EQ(vt_test::ReadText(palm), before);
}

TEST_F(PalmRestoreTest, SameSizeOtherContentCountsAsChanged) {
    std::string same = afterRun;
    same[500] ^= 1;
    vt_test::WriteText(palm, same);
    std::string message;
    EXPECT_EQ(PalmRestore::Restore(Request(), message), PalmRestoreResult::ChangedSinceRun);
    EXPECT_EQ(vt_test::ReadText(palm), same);
}

TEST_F(PalmRestoreTest, MissingOrDamagedBackupIsRefusedAndChangesNothing) {
    const std::string copy = store.BackupFolder(run) + cxplat::kPathSep + "address.dat";
    std::string message;
    {
        PalmRestoreRequest r = Request();
        vt_test::WriteText(copy, before.substr(1));  // damaged copy
        EXPECT_EQ(PalmRestore::Restore(r, message), PalmRestoreResult::BackupDamaged);
        EXPECT_NE(message.find("damaged"), std::string::npos) << message;
        cxplat::RemoveFile(copy.c_str());
        EXPECT_EQ(PalmRestore::Restore(r, message), PalmRestoreResult::BackupMissing);
        EXPECT_NE(message.find("does not exist"), std::string::npos) << message;
    }
    // Backup folder removed by rotation.
    cxplat::RemoveFolder(store.BackupFolder(run).c_str());
    PalmRestoreRequest r;
    PalmRestoreResult result = PalmRestoreResult::Restored;
    EXPECT_FALSE(PalmRestore::RequestForRun(store, run, palm, r, result, message));
    EXPECT_EQ(result, PalmRestoreResult::BackupMissing);
    EXPECT_NE(message.find("no longer kept"), std::string::npos) << message;
    // Journal gone, then damaged.
    cxplat::RemoveFile(store.JournalPath(run).c_str());
    EXPECT_FALSE(PalmRestore::RequestForRun(store, run, palm, r, result, message));
    EXPECT_EQ(result, PalmRestoreResult::BackupMissing);
    vt_test::WriteText(store.JournalPath(run), "\"Kind\",\"Si");
    EXPECT_FALSE(PalmRestore::RequestForRun(store, run, palm, r, result, message));
    EXPECT_EQ(result, PalmRestoreResult::BackupDamaged);
    EXPECT_EQ(vt_test::ReadText(palm), afterRun);
}

TEST_F(PalmRestoreTest, JournalMayNotPointOutsideTheBackupFolder) {
    std::string text = vt_test::ReadText(store.JournalPath(run));
    const std::string from = "\"File\",\"\",\"address.dat\"";
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, from.size(), "\"File\",\"\",\"..\"");
    vt_test::WriteText(store.JournalPath(run), text);
    PalmRestoreRequest r;
    PalmRestoreResult result = PalmRestoreResult::Restored;
    std::string message;
    EXPECT_FALSE(PalmRestore::RequestForRun(store, run, palm, r, result, message));
    EXPECT_EQ(result, PalmRestoreResult::BackupDamaged);
}

TEST_F(PalmRestoreTest, FailedReplaceLeavesTheFileAsItWas) {
    for (SafeCopyStep failing : {SafeCopyStep::OpenTemp, SafeCopyStep::Write,
                                 SafeCopyStep::Flush, SafeCopyStep::Replace}) {
        std::string message;
        EXPECT_EQ(PalmRestore::Restore(Request(), message,
                                       [&](SafeCopyStep s) { return s == failing; }),
                  PalmRestoreResult::Failed);
        EXPECT_NE(message.find("as it was"), std::string::npos) << message;
        EXPECT_EQ(vt_test::ReadText(palm), afterRun);
        EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"address.dat", "backups"}));
    }
}

TEST_F(PalmRestoreTest, FileHeldByAnotherProgramIsLeftAlone) {
    FILE* holder = cxplat::OpenExclusive(palm.c_str(), "rb");
    ASSERT_NE(holder, nullptr);
    std::string message;
    EXPECT_EQ(PalmRestore::Restore(Request(), message), PalmRestoreResult::InUse);
    fclose(holder);
    EXPECT_EQ(vt_test::ReadText(palm), afterRun);
}

TEST_F(PalmRestoreTest, RunThatNeverSavedRestoresOnlyAnUnchangedFile) {
    PalmRestoreRequest r = Request();
    r.haveAfterRun = false;
    std::string message;
    EXPECT_EQ(PalmRestore::Restore(r, message), PalmRestoreResult::ChangedSinceRun);
    vt_test::WriteText(palm, before);
    EXPECT_EQ(PalmRestore::Restore(r, message), PalmRestoreResult::Restored) << message;
    EXPECT_EQ(vt_test::ReadText(palm), before);
    // A file that is gone since the run needs the user's word too.
    cxplat::RemoveFile(palm.c_str());
    EXPECT_EQ(PalmRestore::Restore(r, message), PalmRestoreResult::ChangedSinceRun);
    EXPECT_FALSE(cxplat::FileExists(palm.c_str()));
}

}  // namespace
