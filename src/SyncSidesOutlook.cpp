// The Outlook side of the window: OlAddrUtil behind the run's interface.
#include "src/SyncSides.h"

#include <new>

#include "common/misc/CxDebugUtil.h"
#include "common/outlook/OlAddr.h"

bool ReplaceKeepingNative(CommAddrMgr& store, const CommAddr& rec, uint32_t pos) {
    CommAddr* dst = store.GetAt(pos);
    if (!dst) return false;
    CommNativeBlock keep = std::move(dst->m_Native);
    static_cast<CommAddrData&>(*dst) = static_cast<const CommAddrData&>(rec);
    dst->m_Native = std::move(keep);
    return true;
}

namespace {

class OlSyncSide : public OutlookSide {
public:
    bool PutMatched(const CommAddr& rec, int match, uint32_t pos) override {
        return m_Util.PutMatched(&rec, match, pos);
    }

    bool AddContact(const CommAddr& rec) override { return m_Util.AddAndList(&rec); }

    bool UpdateContact(const CommAddr& rec, uint32_t pos) override {
        if (!m_Util.UpdateContact(&rec, static_cast<int32_t>(pos))) return false;
        CommAddrMgr* store = m_Util.GetStore();
        if (store) ReplaceKeepingNative(*store, rec, pos);
        return true;
    }

    bool Save() override { return true; }  // Outlook is written item by item
    CommAddrMgr& GetStore() override { return *m_Util.GetStore(); }
    bool Reload() override { return m_Util.Load(); }
    void SetCustomMap(const int32_t map[10]) override { m_Util.SetCustomMap(map); }
    OlAddrUtil* GetUtil() override { return &m_Util; }

private:
    OlAddrUtil m_Util;
};

}  // namespace

std::unique_ptr<OutlookSide> MakeOutlookSide() {
    return std::unique_ptr<OutlookSide>(new OlSyncSide());
}
