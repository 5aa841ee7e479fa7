// The Palm Desktop side of the window: PmAddrInfo behind the run's interface.
#include "common/palm/PalmAddrInfo.h"
#include "src/SyncSides.h"

namespace {

class PmSyncSide : public PalmSide {
public:
    bool PutMatched(const CommAddr& rec, int match, uint32_t pos) override {
        return m_Info.PutMatched(&rec, match, pos);
    }
    bool AddContact(const CommAddr& rec) override { return m_Info.AddContact(&rec); }
    bool UpdateContact(const CommAddr& rec, uint32_t pos) override {
        return m_Info.UpdateContact(&rec, static_cast<int>(pos));
    }
    bool Save() override { return m_Info.Save(); }
    CommAddrMgr& GetStore() override { return *m_Info.GetStore(); }
    PmAddrInfo* GetFacade() override { return &m_Info; }
    void SetSwapName(bool swap) override { m_Info.SetSwapName(swap); }
    bool LoadByUser(uint32_t userId) override { return m_Info.LoadByUser(userId); }
    bool LoadFile(const char* path) override { return m_Info.LoadFile(path); }

private:
    PmAddrInfo m_Info;
};

}  // namespace

std::unique_ptr<PalmSide> MakePalmSide() {
    return std::unique_ptr<PalmSide>(new PmSyncSide());
}
