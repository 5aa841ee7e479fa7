#include "common/backup/PalmRestore.h"

#include <cstdio>
#include <memory>

#include "common/backup/RunJournal.h"
#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxPlatform.h"

namespace {

PalmRestoreResult Say(PalmRestoreResult result, std::string& message, const std::string& text) {
    message = text;
    CX_LOG(result == PalmRestoreResult::Restored ? 2 : 0, "Palm Desktop restore: %s",
           text.c_str());
    return result;
}

// Another program holding the file keeps it from being replaced safely.
bool HeldByAnother(const std::string& path) {
    FILE* f = cxplat::OpenExclusive(path.c_str(), "rb");
    if (!f) return cxplat::FileExists(path.c_str());
    fclose(f);
    return false;
}

}  // namespace

PalmRestoreResult PalmRestore::Restore(const PalmRestoreRequest& r, std::string& message,
                                       const SafeCopyFault& fault) {
    if (!cxplat::FileExists(r.backupPath.c_str()))
        return Say(PalmRestoreResult::BackupMissing, message,
                   "The backup " + r.backupPath + " does not exist.");
    BackupFileState backup;
    std::string why;
    if (!ReadBackupFileState(r.backupPath, backup, why))
        return Say(PalmRestoreResult::Failed, message, why);
    if (!backup.SameContent(r.backupState))
        return Say(PalmRestoreResult::BackupDamaged, message,
                   "The backup " + r.backupPath + " is damaged: it is not the file the run copied.");
    if (cxplat::FileExists(r.palmPath.c_str())) {
        if (HeldByAnother(r.palmPath))
            return Say(PalmRestoreResult::InUse, message,
                       "The Palm Desktop file " + r.palmPath +
                           " is in use by another program. Close it and try again.");
        BackupFileState current;
        if (!ReadBackupFileState(r.palmPath, current, why))
            return Say(PalmRestoreResult::Failed, message, why);
        const bool unchanged = r.haveAfterRun ? current.SameContent(r.afterRun)
                                              : current.SameContent(r.backupState);
        if (!unchanged && !r.replaceChanged)
            return Say(PalmRestoreResult::ChangedSinceRun, message,
                       "The Palm Desktop file " + r.palmPath + " has changed since that run.");
    } else if (!r.replaceChanged) {
        return Say(PalmRestoreResult::ChangedSinceRun, message,
                   "The Palm Desktop file " + r.palmPath + " is gone since that run.");
    }
    BackupFileState copied;
    if (!SafeCopyFile(r.backupPath, r.palmPath, copied, why, fault))
        return Say(PalmRestoreResult::Failed, message,
                   why + " The Palm Desktop file is as it was.");
    return Say(PalmRestoreResult::Restored, message,
               "The Palm Desktop file " + r.palmPath + " is back as it was before the run.");
}

bool PalmRestore::RequestForRun(const BackupStore& store, const BackupRun& run,
                                const std::string& palmPath, PalmRestoreRequest& request,
                                PalmRestoreResult& result, std::string& message) {
    RunJournalData data;
    std::string why;
    if (!ReadRunJournal(store.JournalPath(run), data, why)) {
        result = cxplat::FileExists(store.JournalPath(run).c_str())
                     ? PalmRestoreResult::BackupDamaged
                     : PalmRestoreResult::BackupMissing;
        message = why;
        return false;
    }
    if (!data.hasPalmBackup) {
        result = PalmRestoreResult::BackupMissing;
        message = "The run started " + data.start + " made no backup of the Palm Desktop file.";
        return false;
    }
    // Only a plain file name: a journal must not send the restore elsewhere.
    const std::string& name = data.palmBackupName;
    if (name == "." || name == ".." || name.find_first_of("\\/:") != std::string::npos) {
        result = PalmRestoreResult::BackupDamaged;
        message = "The journal of the run started " + data.start + " names no usable backup file.";
        return false;
    }
    const std::string folder = store.BackupFolder(run);
    if (!cxplat::FolderExists(folder.c_str())) {
        result = PalmRestoreResult::BackupMissing;
        message = "The backup of the run started " + data.start +
                  " is no longer kept (backup folder " + folder + " is gone).";
        return false;
    }
    request = PalmRestoreRequest{};
    request.backupPath = folder + cxplat::kPathSep + data.palmBackupName;
    request.backupState = data.palmBackup;
    request.palmPath = palmPath;
    request.haveAfterRun = data.hasPalmAfter;
    request.afterRun = data.palmAfter;
    return true;
}
