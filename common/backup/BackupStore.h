// The per-user backup folder: one sub-folder per run, named by the run's
// start time and sequence number. A run folder holds the run's journal and,
// in its "backup" sub-folder, the copies made before the run wrote
// anything. Rotation empties only "backup" sub-folders, so journals stay.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/backup/BackupFiles.h"
#include "common/misc/CxPlatform.h"

struct BackupRun {
    CxSystemTime start;  // local time with milliseconds
    int32_t sequence = 1;
    std::string name;    // folder name
    std::string folder;  // full path, no trailing separator
    bool hasBackup = false;
};

class BackupStore {
public:
    static constexpr const char* kJournalName = "journal.csv";
    static constexpr const char* kBackupFolderName = "backup";
    static constexpr const char* kOutlookFileName = "outlook.vtol";
    static constexpr const char* kOutlookVCardName = "outlook.vcf";
    // The settings key of how many runs keep their backups (0 = all).
    static constexpr const char* kKeepRunsKey = "BackupRuns";
    static constexpr int32_t kDefaultKeepRuns = 10;
    static constexpr int32_t kMaxSequence = 9999;

    // <local app data>\brenvik\Vantoro_OL_PD\backups; false with a reason
    // when the user's folder cannot be had.
    static bool DefaultRoot(std::string& out, std::string& error);

    explicit BackupStore(std::string root);
    const std::string& Root() const { return m_root; }

    // Makes the folder of a new run (and the root when missing). Two runs
    // with the same start get distinct sequence numbers.
    bool BeginRun(const CxSystemTime& start, BackupRun& run, std::string& error);
    // Copies the Palm Desktop data file, under its own name, into the run's
    // backup folder. copyPath and state describe the copy.
    bool BackupPalmFile(const BackupRun& run, const std::string& palmPath, std::string& copyPath,
                        BackupFileState& state, std::string& error,
                        const SafeCopyFault& fault = {}) const;

    // Makes the run's backup folder, for the Outlook files.
    bool EnsureBackupFolder(const BackupRun& run, std::string& error) const;
    std::string OutlookBackupPath(const BackupRun& run) const;
    std::string OutlookVCardPath(const BackupRun& run) const;

    std::string JournalPath(const BackupRun& run) const;
    std::string BackupFolder(const BackupRun& run) const;
    std::string RunFolder(const std::string& name) const;
    // Where the journal of the run started at startOle (an OLE date with
    // milliseconds, as the history keeps it) is, whether or not it exists.
    std::string JournalPathFor(double startOle, int32_t sequence = 1) const;
    // The existing run started at startOle; a clear error when it is gone.
    bool FindRun(double startOle, int32_t sequence, BackupRun& run, std::string& error) const;

    // The runs, newest first. Folders that are not run folders are left out.
    // False, with a reason, when the root is missing or cannot be read.
    bool ListRuns(std::vector<BackupRun>& runs, std::string& error) const;
    // Keeps the backups of the newest keep runs that have one (keep <= 0:
    // all) and removes the older ones' backup folders; journals stay.
    bool Rotate(int32_t keep, int32_t& removed, std::string& error) const;

private:
    BackupRun MakeRun(const CxSystemTime& start, int32_t sequence) const;
    bool EnsureFolder(const std::string& path, std::string& error) const;
    bool RootUsable(std::string& error) const;

    std::string m_root;
};

// Removes a folder and everything in it (links removed, never followed).
bool RemoveFolderTree(const std::string& path);
