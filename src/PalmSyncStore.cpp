#include "src/PalmSyncStore.h"

bool PalmSyncStore::AddContact(const CommAddr& rec) {
    if (!m_Info.AddContact(&rec)) return false;
    TakeBack(m_Info.GetStore()->GetCount() - 1);
    return true;
}

bool PalmSyncStore::UpdateContact(const CommAddr& rec, uint32_t pos) {
    if (!m_Info.UpdateContact(&rec, static_cast<int>(pos))) return false;
    TakeBack(pos);
    return true;
}

bool PalmSyncStore::WouldChange(const CommAddr& rec, uint32_t pos) {
    const PmAddrInfoRecord* now = m_Info.GetRecordAt(pos);
    if (!now) return true;
    PmAddrInfoRecord work(now->m_nGeneration);
    if (now->m_pAddr) *work.m_pAddr = *now->m_pAddr;
    if (now->m_pAddrEx) PmAddrExDataMgr::CopyRecord(*work.m_pAddrEx, *now->m_pAddrEx);
    if (now->m_pAddrEx2) *work.m_pAddrEx2 = *now->m_pAddrEx2;
    m_Info.ContactToRecord(rec, work);
    CommAddr before, after;
    m_Info.RecordToContact(*now, before);
    m_Info.RecordToContact(work, after);
    return !CommSameValues(before, after);
}

bool PalmSyncStore::SavesAtEnd() const {
    return m_Info.GetLoadedGeneration() == PM_GEN_CLASSIC || m_Info.GetLoadedGeneration() == PM_GEN_41X;
}

void PalmSyncStore::TakeBack(uint32_t pos) {
    const PmAddrInfoRecord* native = m_Info.GetRecordAt(pos);
    CommAddr* stored = m_Info.GetStore()->GetAt(pos);
    if (!native || !stored) return;
    CommAddr fresh;
    m_Info.RecordToContact(*native, fresh);
    fresh.m_nSourceType = SOURCE_PALM;
    fresh.m_nStatus = stored->m_nStatus;
    *stored = fresh;
}
