// The synchronization history: entries kept oldest first and stored in
// "synchis.dat" in the data folder.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/misc/CxFile.h"
#include "common/misc/CxList.h"

constexpr const char* kHistoryFileName = "synchis.dat";
// A save writes here first and replaces the history only when all is on disk.
constexpr const char* kHistoryTempSuffix = ".vtnew";
// A damaged history is moved aside under its name followed by this.
constexpr const char* kHistoryDamagedSuffix = ".damaged";
// The smallest stored entry: empty texts, 4 + 8 + 8 + 4 + 40 + 40 bytes.
constexpr uint64_t kHistoryMinEntryBytes = 104;

struct SyncHistoryEntry {
    char szDescription[256];
    double dtStart;
    double dtEnd;
    int32_t nRecordCount;
    int32_t nReserved[10];
    char szReserved[10][2];
};

// The steps of a save, in order; a test seam may make any of them fail.
enum class HistorySaveStep { OpenTemp, Write, Flush, Replace };

class SyncHistoryMgr {
public:
    SyncHistoryMgr() : m_Entries(true) {}
    ~SyncHistoryMgr() { Clear(); }
    SyncHistoryMgr(const SyncHistoryMgr&) = delete;
    SyncHistoryMgr& operator=(const SyncHistoryMgr&) = delete;

    // The folder of the default path; empty when the data folder cannot be had.
    void SetDataFolder(const char* folder);

    // Appends a copy; null for a null entry.
    SyncHistoryEntry* AddEntry(const SyncHistoryEntry* entry);
    void DeleteEntry(SyncHistoryEntry* entry);
    void Clear();
    SyncHistoryEntry* GetLast() { return m_Entries.GetLast(); }
    SyncHistoryEntry* GetPrev() { return m_Entries.GetPrev(); }
    size_t GetCount() const { return m_Entries.GetCount(); }

    // Null path: the data folder followed by "synchis.dat". Read entries
    // come after those already held. A file whose content cannot be a
    // history (a negative count or length, a count the file cannot hold, a
    // length past its end) is moved aside and logged; the entries read
    // before the damage are kept and Load still succeeds.
    bool Load(const char* path);
    // Writes a temporary file beside the history, puts it on disk and only
    // then replaces the history with it; on failure the history is untouched.
    bool Save(const char* path);
    const char* GetPath() const { return m_szPath; }
    // Where the last Load moved a damaged file; empty when it did not.
    const std::string& GetDamagedPath() const { return m_strDamagedPath; }

    // Test seam: asked before each step of a save; true makes the step fail.
    void SetSaveFault(std::function<bool(HistorySaveStep)> fault) { m_SaveFault = std::move(fault); }

private:
    bool ResolvePath(const char* path);
    bool Fails(HistorySaveStep step) const { return m_SaveFault && m_SaveFault(step); }
    bool WriteEntry(const SyncHistoryEntry& e);
    void MoveDamagedAside(const char* why);

    CxList<SyncHistoryEntry> m_Entries;
    CxFile m_File;
    char m_szPath[260] = {};
    std::string m_strDataFolder;
    std::string m_strDamagedPath;
    std::function<bool(HistorySaveStep)> m_SaveFault;
};
