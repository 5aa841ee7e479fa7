// Restore... (the runs that have a backup) and Run details (a run's
// journal, row by row). Windows only.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <string>
#include <vector>

#include "common/backup/BackupStore.h"
#include "common/backup/RunJournal.h"

// One line of the Restore list: a run with a backup and what its journal
// says.
struct RestoreListRow {
    BackupRun run;
    std::string start;  // "2026-12-11 00:28:47.123"
    std::string mode;   // from the journal; empty when it could not be read
    RunJournalCounts counts;
    std::string journalError;  // why the journal could not be read whole
};

// The runs of the store that still have a backup, newest first. False with
// the reason when the backup folder cannot be read.
bool ListRestorableRuns(const BackupStore& store, std::vector<RestoreListRow>& rows, std::string& error);

// "Palm Desktop: 2 added, 1 changed, 0 failed" for one side of a row.
std::string RestoreCountsText(const RunJournalCounts& counts, JournalSide side);
#endif
