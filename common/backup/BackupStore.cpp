#include "common/backup/BackupStore.h"

#include <algorithm>
#include <cstring>
#include <tuple>
#include <utility>

#include "common/backup/BackupRunName.h"
#include "common/misc/CxDebugUtil.h"

namespace {

std::string Join(const std::string& a, const std::string& b) {
    if (a.empty()) return b;
    if (cxplat::IsPathSep(a.back())) return a + b;
    return a + cxplat::kPathSep + b;
}

std::string FileNameOf(const std::string& path) {
    size_t i = path.size();
    while (i > 0 && !cxplat::IsPathSep(path[i - 1])) --i;
    return path.substr(i);
}

std::string ParentOf(const std::string& path) {
    size_t i = path.size();
    while (i > 0 && cxplat::IsPathSep(path[i - 1])) --i;  // trailing separators
    while (i > 0 && !cxplat::IsPathSep(path[i - 1])) --i;
    while (i > 1 && cxplat::IsPathSep(path[i - 1])) --i;
    return path.substr(0, i);
}

bool Newer(const BackupRun& a, const BackupRun& b) {
    auto key = [](const BackupRun& r) {
        const CxSystemTime& t = r.start;
        return std::make_tuple(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond,
                               t.wMilliseconds, r.sequence);
    };
    return key(a) > key(b);
}

}  // namespace

bool RemoveFolderTree(const std::string& path) {
    std::vector<cxplat::FolderEntry> entries;
    if (!cxplat::ListFolder(path.c_str(), entries)) return false;
    bool ok = true;
    for (const auto& e : entries) {
        const std::string child = Join(path, e.name);
        ok = (e.folder ? RemoveFolderTree(child) : cxplat::RemoveFile(child.c_str())) && ok;
    }
    return cxplat::RemoveFolder(path.c_str()) && ok;
}

bool BackupStore::DefaultRoot(std::string& out, std::string& error) {
    std::string base;
    if (!cxplat::GetLocalAppDataFolder(base) || base.empty()) {
        error = "The user's local application data folder cannot be found.";
        return false;
    }
    out = Join(Join(Join(base, "brenvik"), "Vantoro_OL_PD"), "backups");
    return true;
}

BackupStore::BackupStore(std::string root) : m_root(std::move(root)) {
    while (m_root.size() > 1 && cxplat::IsPathSep(m_root.back())) m_root.pop_back();
}

std::string BackupStore::RunFolder(const std::string& name) const { return Join(m_root, name); }

std::string BackupStore::JournalPath(const BackupRun& run) const {
    return Join(run.folder, kJournalName);
}

std::string BackupStore::BackupFolder(const BackupRun& run) const {
    return Join(run.folder, kBackupFolderName);
}

std::string BackupStore::JournalPathFor(double startOle, int32_t sequence) const {
    CxSystemTime start;
    if (!BackupRunTimeFromOle(startOle, start)) return std::string();
    return Join(RunFolder(BackupRunName(start, sequence)), kJournalName);
}

bool BackupStore::EnsureFolder(const std::string& path, std::string& error) const {
    if (cxplat::FolderExists(path.c_str())) return true;
    if (cxplat::FileExists(path.c_str())) {
        error = "The backup folder " + path + " is a file, not a folder.";
        return false;
    }
    const std::string parent = ParentOf(path);
    if (!parent.empty() && parent != path && !EnsureFolder(parent, error)) return false;
    if (!cxplat::CreateFolder(path.c_str()) && !cxplat::FolderExists(path.c_str())) {
        error = "Cannot create the backup folder " + path + ".";
        return false;
    }
    return true;
}

bool BackupStore::RootUsable(std::string& error) const {
    if (m_root.empty()) {
        error = "No backup folder is set.";
        return false;
    }
    if (cxplat::FolderExists(m_root.c_str())) return true;
    if (cxplat::FileExists(m_root.c_str()))
        error = "The backup folder " + m_root + " is a file, not a folder.";
    else
        error = "The backup folder " + m_root + " does not exist.";
    return false;
}

BackupRun BackupStore::MakeRun(const CxSystemTime& start, int32_t sequence) const {
    BackupRun run;
    run.start = start;
    run.sequence = sequence;
    run.name = BackupRunName(start, sequence);
    run.folder = RunFolder(run.name);
    run.hasBackup = cxplat::FolderExists(BackupFolder(run).c_str());
    return run;
}

bool BackupStore::BeginRun(const CxSystemTime& start, BackupRun& run, std::string& error) {
    if (m_root.empty()) {
        error = "No backup folder is set.";
        return false;
    }
    if (!EnsureFolder(m_root, error)) return false;
    double ole = 0;
    if (!BackupRunOleDate(start, ole)) {
        error = "The run's start time cannot name a backup folder.";
        return false;
    }
    // Creating the folder is the claim: a second run in the same
    // millisecond, in this process or another, finds it taken.
    for (int32_t seq = 1; seq <= kMaxSequence; ++seq) {
        const std::string name = BackupRunName(start, seq);
        const std::string folder = RunFolder(name);
        if (cxplat::FolderExists(folder.c_str()) || cxplat::FileExists(folder.c_str())) continue;
        if (!cxplat::CreateFolder(folder.c_str())) {
            if (cxplat::FolderExists(folder.c_str())) continue;  // taken meanwhile
            error = "Cannot create the backup folder " + folder + ".";
            return false;
        }
        run = MakeRun(start, seq);
        return true;
    }
    error = "Too many runs started at " + BackupRunTimeText(start) + ".";
    return false;
}

bool BackupStore::EnsureBackupFolder(const BackupRun& run, std::string& error) const {
    if (!cxplat::FolderExists(run.folder.c_str())) {
        error = "The run's backup folder " + run.folder + " does not exist.";
        return false;
    }
    return EnsureFolder(BackupFolder(run), error);
}

std::string BackupStore::OutlookBackupPath(const BackupRun& run) const {
    return Join(BackupFolder(run), kOutlookFileName);
}

std::string BackupStore::OutlookVCardPath(const BackupRun& run) const {
    return Join(BackupFolder(run), kOutlookVCardName);
}

bool BackupStore::BackupPalmFile(const BackupRun& run, const std::string& palmPath,
                                 std::string& copyPath, BackupFileState& state,
                                 std::string& error, const SafeCopyFault& fault) const {
    const std::string name = FileNameOf(palmPath);
    if (name.empty()) {
        error = "No Palm Desktop data file is named.";
        return false;
    }
    if (!EnsureBackupFolder(run, error)) return false;
    copyPath = Join(BackupFolder(run), name);
    return SafeCopyFile(palmPath, copyPath, state, error, fault);
}

bool BackupStore::FindRun(double startOle, int32_t sequence, BackupRun& run,
                          std::string& error) const {
    if (!RootUsable(error)) return false;
    CxSystemTime start;
    if (!BackupRunTimeFromOle(startOle, start)) {
        error = "The run's start time is not a valid date.";
        return false;
    }
    const std::string name = BackupRunName(start, sequence);
    const std::string folder = RunFolder(name);
    if (!cxplat::FolderExists(folder.c_str())) {
        error = "The folder of the run started " + BackupRunTimeText(start) + " (" + folder +
                ") does not exist.";
        return false;
    }
    run = MakeRun(start, sequence);
    return true;
}

bool BackupStore::ListRuns(std::vector<BackupRun>& runs, std::string& error) const {
    runs.clear();
    if (!RootUsable(error)) return false;
    std::vector<cxplat::FolderEntry> entries;
    if (!cxplat::ListFolder(m_root.c_str(), entries)) {
        error = "The backup folder " + m_root + " cannot be read.";
        return false;
    }
    for (const auto& e : entries) {
        BackupRun run;
        if (!e.folder || !ParseBackupRunName(e.name, run.start, run.sequence)) {
            CX_LOG(1, "Backup folder: %s is not a run's folder, left alone.", e.name.c_str());
            continue;
        }
        runs.push_back(MakeRun(run.start, run.sequence));
    }
    std::sort(runs.begin(), runs.end(), Newer);
    return true;
}

bool BackupStore::Rotate(int32_t keep, int32_t& removed, std::string& error) const {
    removed = 0;
    std::vector<BackupRun> runs;
    if (!ListRuns(runs, error)) return false;
    if (keep <= 0) return true;
    int32_t kept = 0;
    bool ok = true;
    for (const auto& run : runs) {
        if (!run.hasBackup) continue;
        if (kept < keep) {
            ++kept;
            continue;
        }
        if (RemoveFolderTree(BackupFolder(run))) {
            ++removed;
            CX_LOG(2, "Backup of the run %s removed (keeping the newest %d).", run.name.c_str(),
                   static_cast<int>(keep));
        } else {
            ok = false;
            error = "Cannot remove the backup folder " + BackupFolder(run) + ".";
            CX_LOG(0, "%s", error.c_str());
        }
    }
    return ok;
}
