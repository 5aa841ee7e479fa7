// The synchronization history: entries kept oldest first and stored in
// "synchis.dat" in the data folder.
#pragma once

#include <cstdint>
#include <string>

#include "common/misc/CxFile.h"
#include "common/misc/CxList.h"

constexpr const char* kHistoryFileName = "synchis.dat";

struct SyncHistoryEntry {
    char szDescription[256];
    double dtStart;
    double dtEnd;
    int32_t nRecordCount;
    int32_t nReserved[10];
    char szReserved[10][2];
};

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
    // come after those already held.
    bool Load(const char* path);
    bool Save(const char* path);
    const char* GetPath() const { return m_szPath; }

private:
    bool ResolvePath(const char* path);

    CxList<SyncHistoryEntry> m_Entries;
    CxFile m_File;
    char m_szPath[260] = {};
    std::string m_strDataFolder;
};
