// Puts a run's backup of the Palm Desktop data file back, with the same
// safe replace as a save, and only over the file the run left behind.
#pragma once

#include <string>

#include "common/backup/BackupFiles.h"
#include "common/backup/BackupStore.h"

enum class PalmRestoreResult {
    Restored,
    ChangedSinceRun,  // the file is not what the run left; the caller asks the user
    InUse,            // another program holds the file
    BackupMissing,
    BackupDamaged,    // the copy or the journal do not hold what the run recorded
    Failed,           // reading or replacing failed; the file is as it was
};

struct PalmRestoreRequest {
    std::string backupPath;       // the copy in the run's backup folder
    BackupFileState backupState;  // what the journal says the copy is
    std::string palmPath;         // the current data file
    bool haveAfterRun = false;    // false: the run never saved the file
    BackupFileState afterRun;     // the file as the run left it
    bool replaceChanged = false;  // the user agreed to lose later changes
};

class PalmRestore {
public:
    // message says what happened in a sentence for the user.
    static PalmRestoreResult Restore(const PalmRestoreRequest& request, std::string& message,
                                     const SafeCopyFault& fault = {});
    // The request from the run's journal and backup folder; false (with
    // BackupMissing or BackupDamaged and a message) when they cannot give it.
    static bool RequestForRun(const BackupStore& store, const BackupRun& run,
                              const std::string& palmPath, PalmRestoreRequest& request,
                              PalmRestoreResult& result, std::string& message);
};
