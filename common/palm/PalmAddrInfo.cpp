#include "common/palm/PalmAddrInfo.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxText.h"
#include "common/palm/PalmDesktop.h"

namespace {

const char* Extension(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    const char* dot = strrchr(name, '.');
    return dot ? dot : "";
}

bool SameText(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        char x = *a, y = *b;
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return *a == *b;
}

int32_t StatusOf(const PmAddrInfoRecord& r) {
    if (r.m_pAddr) return r.m_pAddr->nStatus;
    if (r.m_pAddrEx) return r.m_pAddrEx->nStatus;
    if (r.m_pAddrEx2) return r.m_pAddrEx2->m_nStatus;
    return 0;
}

constexpr int32_t kStatusAdded = 1;
constexpr int32_t kStatusChanged = 2;
constexpr int32_t kStatusNotOffered = 4 | 128;
constexpr int32_t kPlacementNew = 0x7FFFFFFF;

}  // namespace

PmAddrInfoRecord::PmAddrInfoRecord(int generation) : m_nGeneration(generation) {
    switch (generation) {
    case PM_GEN_CLASSIC:
        m_pAddr = std::make_unique<PmAddrRecord>();
        break;
    case PM_GEN_41X:
        m_pAddrEx = std::make_unique<PmAddrExRecord>();
        break;
    case PM_GEN_6X:
        m_pAddrEx2 = std::make_unique<PmAddrEx2Record>();
        ClearRecord(*m_pAddrEx2);
        break;
    default:
        break;
    }
}

PmAddrInfo::PmAddrInfo() { Init(GetPalmDesktopVersion()); }

PmAddrInfo::PmAddrInfo(uint32_t palmVersion) { Init(palmVersion); }

PmAddrInfo::~PmAddrInfo() {
    m_Recs.RemoveAll(true);
    if (m_pStore) m_pStore->Clear();
}

void PmAddrInfo::Init(uint32_t palmVersion) {
    m_nInstalledGen = GenerationFromVersion(palmVersion);
    CX_LOG(2, "Palm Desktop Version: %d", static_cast<int>(palmVersion));
    m_nLoadedGen = PM_GEN_UNKNOWN;
    m_pStore = std::make_unique<CommAddrMgr>();
    m_pClassic = std::make_unique<PmAddrUtil>();
    m_pEx = std::make_unique<PmAddrExUtil>();
    m_pEx2 = std::make_unique<PmAddrEx2Util>();
}

int PmAddrInfo::GenerationFromVersion(uint32_t palmVersion) {
    if (palmVersion >= 60000u) return PM_GEN_6X;
    if (palmVersion >= 40102u) return PM_GEN_41X;
    if (palmVersion >= 30500u) return PM_GEN_CLASSIC;
    return PM_GEN_UNKNOWN;
}

void PmAddrInfo::UseUserDataFolder() {
    auto finder = [](uint32_t userId, char* folder, size_t size) {
        return GetUserDataFolder(userId, folder, size);
    };
    PmSetUserFolderFinder(finder);
    PmAddrEx2Util::SetUserFolderSource(finder);
}

bool PmAddrInfo::IsLoaded() const {
    return m_nLoadedGen == PM_GEN_CLASSIC || m_nLoadedGen == PM_GEN_41X ||
           m_nLoadedGen == PM_GEN_6X;
}

CommSideState PmAddrInfo::GetSideState() const {
    if (!IsLoaded()) return SIDE_UNAVAILABLE;
    if ((m_nLoadedGen == PM_GEN_CLASSIC && m_pClassic->HasFurtherRow()) ||
        (m_nLoadedGen == PM_GEN_41X && m_pEx->HasFurtherRow()))
        return SIDE_READONLY;
    return SIDE_AVAILABLE;
}

void PmAddrInfo::SetSwapName(bool swap) {
    m_pClassic->SetSwapName(swap);
    m_pEx->SetSwapName(swap);
}

const PmAddrInfoRecord* PmAddrInfo::GetRecordAt(size_t index) const {
    return const_cast<CxList<PmAddrInfoRecord>&>(m_Recs).GetAt(index);
}

void PmAddrInfo::Clear() {
    m_nLoadedGen = PM_GEN_UNKNOWN;
    m_pClassic->GetRecords()->Clear();
    m_pEx->GetRecords()->Clear();
    m_pEx2->GetRecords()->Clear();
    m_Recs.RemoveAll(true);
    m_pStore->Clear();
    m_szEx2Path[0] = '\0';
}

int PmAddrInfo::DetectFileType(const char* path) {
    if (!path || !path[0]) return PM_GEN_UNKNOWN;
    CX_LOG(2, "Check Palm Desktop Contacts file version, file: %s", path);
    const char* ext = Extension(path);
    int found = PM_GEN_FAILED;
    if (SameText(ext, ".mdb")) {
        bool loaded = false;
        {
            // A connection of its own: the one a loaded store writes through stays put.
            PmAddrEx2Util probe;
            probe.SetAccess(PM_ACCESS_READONLY);
            loaded = probe.Load(path);
        }
        if (loaded) {
            CX_LOG(2, "Check Palm Desktop Contacts file type: (%s) - Palm Desktop 6.x", path);
            found = PM_GEN_6X;
        }
    } else if (SameText(ext, ".dat")) {
        bool loaded = false;
        {
            PmAddrExUtil probe;
            probe.SetReadOnly(true);
            loaded = probe.Load(path);
        }
        if (loaded) {
            CX_LOG(2, "Check Palm Desktop Contacts file type: (%s) - Palm Desktop 4.1.x", path);
            found = PM_GEN_41X;
        } else {
            {
                PmAddrUtil probe;
                probe.SetReadOnly(true);
                loaded = probe.Load(path);
            }
            if (loaded) {
                CX_LOG(2,
                       "Check Palm Desktop Contacts file type: (%s) - Palm Desktop 4.1 or earlier",
                       path);
                found = PM_GEN_CLASSIC;
            }
        }
    }
    if (found == PM_GEN_FAILED)
        CX_LOG(0, "Failed to check Palm Desktop Contacts file type: (%s)", path);
    return found;
}

bool PmAddrInfo::LoadByUserUnguarded(uint32_t userId) {
    Clear();
    CX_LOG(2, "Load Palm Desktop Contacts by user: %d", static_cast<int>(userId));
    bool ok = false;
    switch (m_nInstalledGen) {
    case PM_GEN_6X:
        ok = m_pEx2->LoadByUser(userId);
        break;
    case PM_GEN_41X:
        ok = m_pEx->LoadByUser(userId);
        break;
    case PM_GEN_CLASSIC:
        ok = m_pClassic->LoadByUser(userId);
        break;
    default:
        CX_LOG(0, "Unknown Palm Desktop version");
        m_nLoadedGen = PM_GEN_FAILED;
        return false;
    }
    if (!ok) {
        CX_LOG(0, "Could not open Palm Desktop Contacts database by User: %d",
               static_cast<int>(userId));
        // What a failed load left in the store is not offered.
        Clear();
        return false;
    }
    m_nLoadedGen = m_nInstalledGen;
    if (m_nLoadedGen == PM_GEN_6X) {
        char folder[CX_MAX_PATH] = {};
        if (PmFindUserFolder(userId, folder, sizeof folder)) {
            std::string path = std::string(folder) + "address\\Address.mdb";
            CxCopyText(m_szEx2Path, path.c_str());
        }
    }
    return BuildRecords();
}

bool PmAddrInfo::LoadFileUnguarded(const char* path) {
    if (!path || !path[0]) return false;
    Clear();
    CX_LOG(2, "Load Palm Desktop Contacts by file: %s", path);
    const char* ext = Extension(path);
    int gen = PM_GEN_FAILED;
    if (SameText(ext, ".mdb")) {
        CX_LOG(2, ".mdb file, try Palm Desktop 6.x database loader.");
        if (m_pEx2->Load(path)) {
            gen = PM_GEN_6X;
            CxCopyText(m_szEx2Path, path);
        }
    } else if (SameText(ext, ".dat")) {
        CX_LOG(2, ".dat file, try Palm Desktop 4.1.4 database loader.");
        if (m_pEx->Load(path)) {
            gen = PM_GEN_41X;
        } else {
            CX_LOG(2, "Unable to load this file with Palm Desktop 4.1.4 file loader, try earlier "
                      "loader version.");
            m_pEx->GetRecords()->Clear();
            if (m_pClassic->Load(path)) gen = PM_GEN_CLASSIC;
        }
    }
    if (gen == PM_GEN_FAILED) {
        Clear();
        m_nLoadedGen = PM_GEN_FAILED;
        CX_LOG(0, "Failed to load Palm Desktop Contacts data file: %s", path);
        return false;
    }
    m_nLoadedGen = gen;
    return BuildRecords();
}

bool PmAddrInfo::LoadChosen(bool useFile, const char* fileName, uint32_t userId, bool swapName) {
    SetSwapName(swapName);
    return useFile ? LoadFile(fileName) : LoadByUser(userId);
}

bool PmAddrInfo::BuildRecords() {
    bool complete = true;
    auto offer = [this, &complete](std::unique_ptr<PmAddrInfoRecord> rec) {
        if (!complete || (StatusOf(*rec) & kStatusNotOffered)) return;
        CommAddr common;
        RecordToContact(*rec, common);
        common.m_nSourceType = SOURCE_PALM;
        common.m_nStatus = StatusOf(*rec);
        // A contact that cannot be kept fails the load rather than go missing.
        if (!m_pStore->AddCopy(&common) || !m_Recs.Append(std::move(rec))) complete = false;
    };
    switch (m_nLoadedGen) {
    case PM_GEN_CLASSIC: {
        PmAddrDataMgr* store = m_pClassic->GetRecords();
        for (size_t i = 0; i < store->GetCount(); ++i) {
            auto rec = std::make_unique<PmAddrInfoRecord>(PM_GEN_CLASSIC);
            PmAddrRecord* native = store->GetAt(i);
            *rec->m_pAddr = *native;
            rec->m_pStoreRecord = native;
            offer(std::move(rec));
        }
        break;
    }
    case PM_GEN_41X: {
        PmAddrExDataMgr* store = m_pEx->GetRecords();
        for (size_t i = 0; i < store->GetCount(); ++i) {
            auto rec = std::make_unique<PmAddrInfoRecord>(PM_GEN_41X);
            PmAddrExRecord* native = store->GetAt(i);
            PmAddrExDataMgr::CopyRecord(*rec->m_pAddrEx, *native);
            rec->m_pStoreRecord = native;
            offer(std::move(rec));
        }
        break;
    }
    case PM_GEN_6X: {
        PmAddrEx2DataMgr* store = m_pEx2->GetRecords();
        for (int i = 0; i < store->GetCount(); ++i) {
            auto rec = std::make_unique<PmAddrInfoRecord>(PM_GEN_6X);
            PmAddrEx2Record* native = store->GetAt(i);
            *rec->m_pAddrEx2 = *native;
            rec->m_pStoreRecord = native;
            offer(std::move(rec));
        }
        break;
    }
    default:
        break;
    }
    if (complete) return true;
    CX_LOG(0, "Not enough memory to list every Palm Desktop contact; the load failed.");
    Clear();
    m_nLoadedGen = PM_GEN_FAILED;
    return false;
}

bool PmAddrInfo::PutContact(const CommAddr* rec) {
    if (!rec) return false;
    uint32_t index = 0;
    const int match = m_pStore->FindMatch(rec, nullptr, &index);
    return PutMatched(rec, match, index);
}

bool PmAddrInfo::PutMatched(const CommAddr* rec, int match, uint32_t index) {
    if (!rec) return false;
    switch (match) {
    case MATCH_NEW:
        return AddContact(rec);
    case MATCH_DIFF:
        return UpdateContact(rec, static_cast<int>(index));
    default:
        return false;
    }
}

bool PmAddrInfo::AddContact(const CommAddr* rec) {
    if (!rec || !IsLoaded()) return false;
    auto info = std::make_unique<PmAddrInfoRecord>(m_nLoadedGen);
    ContactToRecord(*rec, *info);
    void* stored = nullptr;
    switch (m_nLoadedGen) {
    case PM_GEN_CLASSIC: {
        PmAddrRecord& a = *info->m_pAddr;
        a.nStatus |= kStatusAdded;
        a.nPlacement = kPlacementNew;
        a.nRecordId = 0;
        PmAddrDataMgr* store = m_pClassic->GetRecords();
        if (!store->AddCopy(a)) return false;
        stored = store->GetAt(store->GetCount() - 1);
        break;
    }
    case PM_GEN_41X: {
        PmAddrExRecord& e = *info->m_pAddrEx;
        PmAddrExDataMgr* store = m_pEx->GetRecords();
        const int32_t n = static_cast<int32_t>(store->GetCount());
        e.nStatus |= kStatusAdded;
        e.nColumn1 = n + 4096;
        e.nColumn3 = n * 73;
        e.nPlacement = kPlacementNew;
        e.nRecordId = 0;
        if (!store->AddCopy(e)) return false;
        stored = store->GetAt(store->GetCount() - 1);
        break;
    }
    case PM_GEN_6X: {
        PmAddrEx2Record& x = *info->m_pAddrEx2;
        x.m_nStatus |= kStatusAdded;
        x.m_nPlacement = kPlacementNew;
        // The insert numbers it past every stored row and "FreeRecID".
        x.m_nRecordID = 0;
        // A record the database refuses is not presented as stored.
        if (!m_pEx2->WriteRecord(&x)) {
            CX_LOG(0, "Failed to add the contact to the Palm Desktop Contacts database: %s %s",
                   x.m_szFirstName, x.m_szLastName);
            return false;
        }
        PmAddrEx2DataMgr* store = m_pEx2->GetRecords();
        if (!store->AddCopy(&x)) return false;
        stored = store->GetAt(store->GetCount() - 1);
        break;
    }
    default:
        return false;
    }
    info->m_pStoreRecord = stored;
    if (!m_pStore->AddCopy(rec)) return false;
    m_Recs.Append(std::move(info));
    return true;
}

bool PmAddrInfo::UpdateContact(const CommAddr* rec, int position) {
    if (!rec || position < 0 || !IsLoaded()) return false;
    PmAddrInfoRecord* info = m_Recs.GetAt(static_cast<size_t>(position));
    if (!info || !info->m_pStoreRecord) return false;
    switch (info->m_nGeneration) {
    case PM_GEN_CLASSIC: {
        ContactToRecord(*rec, *info);
        info->m_pAddr->nStatus |= kStatusChanged;
        *static_cast<PmAddrRecord*>(info->m_pStoreRecord) = *info->m_pAddr;
        break;
    }
    case PM_GEN_41X: {
        ContactToRecord(*rec, *info);
        info->m_pAddrEx->nStatus |= kStatusChanged;
        auto* target = static_cast<PmAddrExRecord*>(info->m_pStoreRecord);
        PmAddrExDataMgr::FreeBlocks(*target);
        PmAddrExDataMgr::CopyRecord(*target, *info->m_pAddrEx);
        break;
    }
    case PM_GEN_6X: {
        // Work on a copy: what the database refuses changes nothing here.
        PmAddrInfoRecord work(PM_GEN_6X);
        *work.m_pAddrEx2 = *info->m_pAddrEx2;
        ContactToRecord(*rec, work);
        work.m_pAddrEx2->m_nStatus |= kStatusChanged;
        if (!m_pEx2->WriteRecord(work.m_pAddrEx2.get(), info->m_pAddrEx2.get())) {
            CX_LOG(0, "Failed to update the contact in the Palm Desktop Contacts database: %s %s",
                   work.m_pAddrEx2->m_szFirstName, work.m_pAddrEx2->m_szLastName);
            return false;
        }
        *info->m_pAddrEx2 = *work.m_pAddrEx2;
        *static_cast<PmAddrEx2Record*>(info->m_pStoreRecord) = *info->m_pAddrEx2;
        break;
    }
    default:
        return false;
    }
    return m_pStore->UpdateAt(rec, static_cast<uint32_t>(position));
}
