#include "src/SyncHistory.h"

#include <cstring>
#include <memory>

#include "common/misc/CxText.h"

void SyncHistoryMgr::SetDataFolder(const char* folder) { m_strDataFolder = folder ? folder : ""; }

SyncHistoryEntry* SyncHistoryMgr::AddEntry(const SyncHistoryEntry* entry) {
    if (!entry) return nullptr;
    return m_Entries.Append(std::make_unique<SyncHistoryEntry>(*entry));
}

void SyncHistoryMgr::DeleteEntry(SyncHistoryEntry* entry) {
    if (entry) m_Entries.Remove(entry, true);
}

void SyncHistoryMgr::Clear() { m_Entries.RemoveAll(true); }

bool SyncHistoryMgr::ResolvePath(const char* path) {
    if (path && *path) {
        CxCopyText(m_szPath, path);
        return true;
    }
    if (m_strDataFolder.empty()) return false;
    std::string def = m_strDataFolder + kHistoryFileName;
    if (def.size() >= sizeof(m_szPath)) return false;
    CxCopyText(m_szPath, def.c_str());
    return true;
}

bool SyncHistoryMgr::Load(const char* path) {
    if (!ResolvePath(path)) return false;
    if (!m_File.Open(m_szPath, "rb")) return false;
    int32_t count = 0;
    m_File.ReadInt(count);
    // The stored count is not trusted: entries are read until the count or
    // the file ends, whichever comes first.
    for (int32_t i = 0; i < count && !m_File.AtEnd(); ++i) {
        SyncHistoryEntry e;
        memset(&e, 0, sizeof(e));
        int32_t len = 0;
        m_File.ReadStringCut(e.szDescription, sizeof(e.szDescription), len);
        m_File.ReadDouble(e.dtStart);
        m_File.ReadDouble(e.dtEnd);
        m_File.ReadInt(e.nRecordCount);
        for (int32_t& n : e.nReserved) m_File.ReadInt(n);
        for (auto& text : e.szReserved) m_File.ReadStringCut(text, sizeof(text), len);
        AddEntry(&e);
    }
    m_File.Close();
    return true;
}

bool SyncHistoryMgr::Save(const char* path) {
    if (!ResolvePath(path)) return false;
    if (!m_File.Open(m_szPath, "wb")) return false;
    bool ok = m_File.WriteInt(static_cast<int32_t>(m_Entries.GetCount()));
    for (SyncHistoryEntry* e = m_Entries.GetFirst(); e; e = m_Entries.GetNext()) {
        ok = m_File.WriteString(e->szDescription) && ok;
        ok = m_File.WriteDouble(e->dtStart) && ok;
        ok = m_File.WriteDouble(e->dtEnd) && ok;
        ok = m_File.WriteInt(e->nRecordCount) && ok;
        for (int32_t n : e->nReserved) ok = m_File.WriteInt(n) && ok;
        for (const auto& text : e->szReserved) ok = m_File.WriteString(text) && ok;
    }
    ok = m_File.Close() && ok;
    return ok;
}
