#include "src/SyncHistory.h"

#include <cstring>
#include <memory>

#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxPlatform.h"
#include "common/misc/CxText.h"

namespace {

// Reads stored fields while counting down the bytes the file still holds,
// so every length is judged against what can follow it.
class HistoryReader {
public:
    HistoryReader(CxFile& file, uint64_t size) : m_File(file), m_nLeft(size) {}

    uint64_t Left() const { return m_nLeft; }
    // Set when a field cannot belong to a history; the reason in words.
    const char* Damage() const { return m_pszDamage; }

    bool Int(int32_t& value) {
        if (m_nLeft < 4) return End();
        m_nLeft -= 4;
        return m_File.ReadInt(value);
    }
    bool Double(double& value) {
        if (m_nLeft < 8) return End();
        m_nLeft -= 8;
        return m_File.ReadDouble(value);
    }
    // A length, then its characters; a longer text than the slot is cut.
    bool Text(char* buffer, size_t capacity) {
        int32_t len = 0;
        if (!Int(len)) return false;
        if (len < 0) return Damaged("a negative text length");
        if (static_cast<uint64_t>(len) > m_nLeft) return Damaged("a text length past the end of the file");
        const size_t n = static_cast<size_t>(len);
        const size_t keep = n < capacity ? n : capacity - 1;
        if (m_File.ReadBytes(buffer, keep) != keep) return End();
        buffer[keep] = 0;
        m_nLeft -= n;
        return keep == n || m_File.Skip(n - keep);
    }
    bool Entry(SyncHistoryEntry& e) {
        memset(&e, 0, sizeof(e));
        if (!Text(e.szDescription, sizeof(e.szDescription)) || !Double(e.dtStart) ||
            !Double(e.dtEnd) || !Int(e.nRecordCount))
            return false;
        for (int32_t& n : e.nReserved)
            if (!Int(n)) return false;
        for (auto& text : e.szReserved)
            if (!Text(text, sizeof(text))) return false;
        return true;
    }
    bool Damaged(const char* why) {
        m_pszDamage = why;
        return false;
    }

private:
    bool End() {
        m_nLeft = 0;
        return false;
    }

    CxFile& m_File;
    uint64_t m_nLeft;
    const char* m_pszDamage = nullptr;
};

bool IsBlank(const SyncHistoryEntry& e) {
    static const SyncHistoryEntry zero = {};
    return memcmp(&e, &zero, sizeof(e)) == 0;
}

}  // namespace

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
        if (strlen(path) >= sizeof(m_szPath)) return false;
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
    m_strDamagedPath.clear();
    if (!ResolvePath(path)) return false;
    if (!m_File.Open(m_szPath, "rb")) return false;
    HistoryReader in(m_File, m_File.Remaining());
    int32_t count = 0;
    if (!in.Int(count)) count = 0;
    // A file shorter than its count gives its whole entries; a count no file
    // of this size can hold, or a negative one, says the file is damaged.
    if (count < 0) {
        in.Damaged("a negative count");
    } else if (static_cast<uint64_t>(count) > in.Left() / kHistoryMinEntryBytes) {
        in.Damaged("a count the file is too short for");
    }
    const bool countDamaged = in.Damage() != nullptr;
    const char* why = in.Damage();
    size_t read = 0;
    for (int32_t i = 0; i < count && in.Left() > 0; ++i) {
        SyncHistoryEntry e;
        if (!in.Entry(e)) {
            if (in.Damage()) why = in.Damage();
            break;
        }
        // Under a count that cannot be true, zero bytes are no entries: a run
        // always has a start time.
        if (countDamaged && IsBlank(e)) break;
        AddEntry(&e);
        ++read;
    }
    m_File.Close();
    if (why) {
        MoveDamagedAside(why);
        CX_LOG(1, "%u history entries read before the damage were kept.",
               static_cast<unsigned>(read));
    } else if (read < static_cast<size_t>(count)) {
        CX_LOG(1, "The history file %s ends after %u of its %d entries; they were kept.", m_szPath,
               static_cast<unsigned>(read), count);
    }
    return true;
}

void SyncHistoryMgr::MoveDamagedAside(const char* why) {
    for (int n = 1; n < 100; ++n) {
        std::string aside = std::string(m_szPath) + kHistoryDamagedSuffix;
        if (n > 1) aside += std::to_string(n);
        if (cxplat::FileExists(aside.c_str())) continue;
        if (cxplat::MoveFileReplace(m_szPath, aside.c_str())) {
            m_strDamagedPath = aside;
            CX_LOG(1, "The history file %s is damaged (%s); it was moved to %s.", m_szPath, why,
                   aside.c_str());
            return;
        }
        break;
    }
    CX_LOG(1, "The history file %s is damaged (%s) and could not be moved aside.", m_szPath, why);
}

bool SyncHistoryMgr::WriteEntry(const SyncHistoryEntry& e) {
    bool ok = m_File.WriteString(e.szDescription);
    ok = m_File.WriteDouble(e.dtStart) && ok;
    ok = m_File.WriteDouble(e.dtEnd) && ok;
    ok = m_File.WriteInt(e.nRecordCount) && ok;
    for (int32_t n : e.nReserved) ok = m_File.WriteInt(n) && ok;
    for (const auto& text : e.szReserved) ok = m_File.WriteString(text) && ok;
    return ok;
}

bool SyncHistoryMgr::Save(const char* path) {
    if (!ResolvePath(path)) return false;
    const std::string temp = std::string(m_szPath) + kHistoryTempSuffix;
    FILE* raw = Fails(HistorySaveStep::OpenTemp) ? nullptr : cxplat::OpenExclusive(temp.c_str(), "wb");
    if (!raw) {
        CX_LOG(1, "Failed to save the history: %s cannot be written.", temp.c_str());
        return false;
    }
    m_File.Attach(raw);
    const size_t count = m_Entries.GetCount();
    bool ok = m_File.WriteInt(static_cast<int32_t>(count));
    size_t written = 0;
    for (SyncHistoryEntry* e = m_Entries.GetFirst(); e && ok; e = m_Entries.GetNext()) {
        // Half way through is where a full disk is simulated.
        if (written == count / 2 && Fails(HistorySaveStep::Write)) ok = false;
        ok = ok && WriteEntry(*e);
        ++written;
    }
    if (count == 0 && Fails(HistorySaveStep::Write)) ok = false;
    const char* failed = ok ? nullptr : "writing";
    if (ok && (Fails(HistorySaveStep::Flush) || !cxplat::FlushToDisk(raw))) failed = "flushing";
    if (!m_File.Close() && !failed) failed = "closing";
    if (!failed && (Fails(HistorySaveStep::Replace) || !cxplat::MoveFileReplace(temp.c_str(), m_szPath)))
        failed = "replacing the history with";
    if (!failed) return true;
    cxplat::RemoveFile(temp.c_str());
    CX_LOG(1, "Failed to save the history: %s %s failed; %s was left as it was.", failed,
           temp.c_str(), m_szPath);
    return false;
}
