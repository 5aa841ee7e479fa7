// The Outlook side of the window: OlAddrUtil behind the run's interface.
#include "src/SyncSides.h"

#include <cstring>
#include <memory>
#include <new>

#include "common/misc/CxDebugUtil.h"
#include "common/outlook/OlAddr.h"

namespace {

// The reader and writer with its conversions in reach, so that the store
// can hold what an item holds after a write.
class OlSideUtil : public OlAddrUtil {
public:
    // What the item at pos of the store would hold after an update from
    // rec: the buffer the update sends, with every value Outlook is never
    // sent (an empty text, no date) as the item has it.
    std::unique_ptr<OlContactBuf> Project(const CommAddr& rec, uint32_t pos) {
        const CommAddr* stored = GetStore() ? GetStore()->GetAt(pos) : nullptr;
        if (!stored || stored->m_Native.GetLength() != sizeof(OlContactBuf)) return nullptr;
        std::unique_ptr<OlContactBuf> last(new (std::nothrow) OlContactBuf);
        std::unique_ptr<OlContactBuf> buf(new (std::nothrow) OlContactBuf);
        if (!last || !buf) return nullptr;
        memcpy(last.get(), stored->m_Native.GetData(), sizeof(OlContactBuf));
        memcpy(buf.get(), last.get(), sizeof(OlContactBuf));
        ContactToItem(&rec, buf.get());
        KeepUnchanged(&rec, buf.get(), last.get());
        for (const OlPropInfo& p : g_OlPropInfo) {
            if (p.m_bReadOnly) continue;
            char* slot = reinterpret_cast<char*>(buf.get()) + p.m_nOffset;
            const char* then = reinterpret_cast<const char*>(last.get()) + p.m_nOffset;
            double date = 0;
            if (p.m_nType == OL_PROP_DATE) memcpy(&date, slot, sizeof date);
            const bool notSent = (p.m_nType == OL_PROP_TEXT && slot[0] == '\0') ||
                                 (p.m_nType == OL_PROP_DATE && date > -0.00001 && date < 0.00001);
            if (notSent) memcpy(slot, then, p.m_nSize);
        }
        return buf;
    }
    bool Differs(const OlContactBuf& buf, uint32_t pos) {
        const CommAddr* stored = GetStore()->GetAt(pos);
        const char* a = reinterpret_cast<const char*>(&buf);
        const char* b = reinterpret_cast<const char*>(stored->m_Native.GetData());
        for (const OlPropInfo& p : g_OlPropInfo) {
            if (p.m_bReadOnly) continue;
            const bool same = p.m_nType == OL_PROP_TEXT
                                  ? strncmp(a + p.m_nOffset, b + p.m_nOffset, p.m_nSize) == 0
                                  : memcmp(a + p.m_nOffset, b + p.m_nOffset,
                                           p.m_nType == OL_PROP_LONG ? sizeof(int32_t) : sizeof(double)) == 0;
            if (!same) return true;
        }
        return false;
    }
    // The store record at pos becomes what its buffer says, read as a load reads it.
    void TakeBack(uint32_t pos, const OlContactBuf* written) {
        CommAddr* stored = GetStore() ? GetStore()->GetAt(pos) : nullptr;
        if (!stored || stored->m_Native.GetLength() != sizeof(OlContactBuf)) return;
        if (written) memcpy(stored->m_Native.GetData(), written, sizeof(OlContactBuf));
        std::unique_ptr<OlContactBuf> buf(new (std::nothrow) OlContactBuf);
        std::unique_ptr<CommAddr> fresh(new (std::nothrow) CommAddr());
        if (!buf || !fresh) return;
        memcpy(buf.get(), stored->m_Native.GetData(), sizeof(OlContactBuf));
        ItemToContact(buf.get(), fresh.get());
        fresh->m_nStatus = stored->m_nStatus;
        static_cast<CommAddrData&>(*stored) = static_cast<const CommAddrData&>(*fresh);
        stored->m_Cut = fresh->m_Cut;
    }
};

class OlSyncSide : public OutlookSide {
public:
    bool AddContact(const CommAddr& rec) override {
        CommAddrMgr* store = m_Util.GetStore();
        const uint32_t before = store ? store->GetCount() : 0;
        if (!m_Util.AddAndList(&rec)) return false;
        if (store && store->GetCount() > before) m_Util.TakeBack(before, nullptr);
        return true;
    }

    bool UpdateContact(const CommAddr& rec, uint32_t pos) override {
        std::unique_ptr<OlContactBuf> after = m_Util.Project(rec, pos);
        if (!m_Util.UpdateContact(&rec, static_cast<int32_t>(pos))) return false;
        m_Util.TakeBack(pos, after.get());
        return true;
    }

    bool WouldChange(const CommAddr& rec, uint32_t pos) override {
        std::unique_ptr<OlContactBuf> after = m_Util.Project(rec, pos);
        return !after || m_Util.Differs(*after, pos);
    }

    bool Save() override { return true; }  // Outlook is written item by item
    CommAddrMgr& GetStore() override { return *m_Util.GetStore(); }
    bool Reload() override {
        // After a failed load the session is made anew: Outlook may have
        // been started or mended meanwhile.
        if (m_bLoaded && m_Util.GetSideState() == SIDE_UNAVAILABLE) {
            m_Util.Stop();
            m_Util.Start();
        }
        m_bLoaded = true;
        return m_Util.Load();
    }
    void SetCustomMap(const int32_t map[10]) override { m_Util.SetCustomMap(map); }
    OlAddrUtil* GetUtil() override { return &m_Util; }
    CommSideState GetSideState() const override {
        return static_cast<CommSideState>(m_Util.GetSideState());
    }
    uint32_t UnreadableCount() const override { return m_Util.GetUnreadableCount(); }
    std::string LoadProblem() const override {
        switch (m_Util.GetSideState()) {
        case SIDE_UNAVAILABLE:
            return "Outlook's contacts could not be loaded: Outlook could not be started, or its "
                   "Contacts folder could not be opened.\r\n\r\nStart Outlook once and close it, then "
                   "choose File > Reload. The debug log holds the details.";
        case SIDE_READONLY:
            return "Not all of Outlook's contacts could be read. Those read are listed, but nothing is "
                   "written to Outlook, so that none is overwritten by mistake.\r\n\r\nThe debug log "
                   "holds the details; choose File > Reload to try again.";
        default:
            return {};
        }
    }

private:
    OlSideUtil m_Util;
    bool m_bLoaded = false;
};

}  // namespace

std::unique_ptr<OutlookSide> MakeOutlookSide() {
    return std::unique_ptr<OutlookSide>(new OlSyncSide());
}
