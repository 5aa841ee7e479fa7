// The Palm Desktop contacts of a run: the facade behind the run's side
// interface. Portable, so that the run can be tested over real files.
#pragma once

#include <cstdint>

#include "common/palm/PalmAddrInfo.h"
#include "src/SyncEngine.h"

class PalmSyncStore : public ISyncSide {
public:
    PalmSyncStore() = default;
    // As if Palm Desktop of this version were installed (tests).
    explicit PalmSyncStore(uint32_t palmVersion) : m_Info(palmVersion) {}

    // On success the store record becomes what the native record now
    // holds, read as a load reads it.
    bool AddContact(const CommAddr& rec) override;
    bool UpdateContact(const CommAddr& rec, uint32_t pos) override;
    // Converts rec into a copy of the native record at pos and compares
    // what a load would read from the two.
    bool WouldChange(const CommAddr& rec, uint32_t pos) override;
    bool Save() override { return m_Info.Save(); }
    CommAddrMgr& GetStore() override { return *m_Info.GetStore(); }
    CommSideState GetSideState() const override { return m_Info.GetSideState(); }
    bool ChangedSinceLoad() const override { return m_Info.ChangedSinceLoad(); }
    bool LastSaveFoundChange() const override { return m_Info.LastSaveFoundChange(); }
    bool SavesAtEnd() const override;

    PmAddrInfo& Facade() { return m_Info; }
    const PmAddrInfo& Facade() const { return m_Info; }

private:
    // The facade with its conversions in reach.
    class Info : public PmAddrInfo {
    public:
        using PmAddrInfo::PmAddrInfo;
        using PmAddrInfo::ContactToRecord;
        using PmAddrInfo::RecordToContact;
    };
    void TakeBack(uint32_t pos);

    Info m_Info;
};
