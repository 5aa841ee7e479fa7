// OlAddrUtil's traffic with Outlook's items: the folder walk, reading and
// writing one item, finding an item again by its EntryID.
#ifdef _WIN32

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxPlatform.h"
#include "common/misc/CxText.h"
#include "common/outlook/OlAddr.h"
#include "common/outlook/OlAddrDetail.h"

using namespace ol_detail;

namespace {

constexpr int32_t kContactClass = 40;  // olContact; a distribution list is 69

// A read that failed for another reason than a property the item lacks
// (a guarded property the user did not allow, an error Outlook raised).
bool IsRefusal(HRESULT hr) { return FAILED(hr) && hr != DISP_E_UNKNOWNNAME; }

VARIANT TextArg(const char* text) {
    VARIANT v;
    VariantInit(&v);
    const int len = static_cast<int>(strlen(text));
    std::unique_ptr<char16_t[]> wide(new (std::nothrow) char16_t[static_cast<size_t>(len) + 1]);
    if (!wide) return v;
    const int n = len ? cxplat::AnsiToUtf16(text, len, wide.get(), len) : 0;
    if (n < 0) return v;
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(wide.get()), static_cast<UINT>(n));
    if (!v.bstrVal) v.vt = VT_EMPTY;
    return v;
}

// The whole text of a property that must never be cut (an EntryID).
bool GetWholeText(CDispCmd& obj, LPCOLESTR name, char* buffer, int capacity) {
    bool cut = false;
    const HRESULT hr = obj.GetText(name, buffer, capacity, &cut);
    if (hr == 0 && !cut && buffer[0]) return true;
    buffer[0] = 0;
    return false;
}

bool StartsWith(const wchar_t* s, const wchar_t* head) { return wcsncmp(s, head, wcslen(head)) == 0; }

bool EndsWith(const wchar_t* s, const wchar_t* tail) {
    const size_t n = wcslen(s), t = wcslen(tail);
    return n >= t && wcscmp(s + n - t, tail) == 0;
}

bool IsEmailAddress(const wchar_t* name) { return StartsWith(name, L"Email") && EndsWith(name, L"Address"); }

bool IsAddressCompanion(const wchar_t* name) {
    return StartsWith(name, L"Email") && (EndsWith(name, L"AddressType") || EndsWith(name, L"DisplayName"));
}

bool IsNamePart(const wchar_t* name) {
    for (const wchar_t* part : {L"FirstName", L"MiddleName", L"LastName"})
        if (wcscmp(name, part) == 0) return true;
    return false;
}

bool SlotEqual(const OlPropInfo& p, const char* a, const char* b) {
    if (p.m_nType == OL_PROP_TEXT) return strcmp(a, b) == 0;
    return memcmp(a, b, p.m_nType == OL_PROP_LONG ? sizeof(int32_t) : sizeof(double)) == 0;
}

}  // namespace

bool OlAddrUtil::Load() {
    Clear();
    m_nSideState = SIDE_UNAVAILABLE;
    m_szFolderEntryID[0] = 0;
    if (!m_pFolder) return false;
    return LoadFolder(m_pFolder.get());
}

bool OlAddrUtil::LoadFolder(CDispCmd* folder) {
    if (!folder || !m_pStore) return false;
    char name[32] = {};
    HRESULT hr = folder->GetText(L"Name", name, 31);
    if (hr != 0) {
        name[0] = 0;
        CX_LOG(0, "Failed to get the name of the Contact folder. hr=0x%x", static_cast<unsigned>(hr));
    } else {
        CX_LOG(2, "Got the name of the Contacts folder: %s", name);
    }
    char storeId[1024] = {};
    hr = folder->GetText(L"StoreID", storeId, 1023);
    if (hr != 0)
        CX_LOG(0, "Failed to get the StoreID of the Contact folder. hr=0x%x", static_cast<unsigned>(hr));
    else
        CX_LOG(2, "Got the StoreID of the Contact folder: %s", storeId);

    IDispatch* pItems = nullptr;
    hr = folder->GetObject(L"Items", &pItems);
    if (hr != 0 || !pItems) {
        CX_LOG(0, "Failed to get the \"Items\" property of the Contact folder. hr=0x%x",
               static_cast<unsigned>(hr));
        return false;
    }
    CDispCmd items(pItems);
    pItems->Release();

    // Without the folder's own EntryID no update can tell that its item is
    // still in this folder.
    bool whole = GetWholeText(*folder, L"EntryID", m_szFolderEntryID, sizeof(m_szFolderEntryID));
    if (!whole) CX_LOG(0, "Failed to get the EntryID of the Contact folder; Outlook is read only for this load.");

    std::unique_ptr<OlContactBuf> buf = NewBuffer();
    std::unique_ptr<CommAddr> rec(new (std::nothrow) CommAddr());
    if (!buf || !rec) return false;
    uint32_t walked = 0;
    VARIANT result;
    VariantInit(&result);
    hr = items.Call(L"GetFirst", nullptr, 0, &result);
    for (;;) {
        if (FAILED(hr)) {
            // The items after this point are unknown: writing could add a
            // contact Outlook already has.
            CX_LOG(0, "The walk of the Contacts folder failed after %u items, hr=0x%08x; Outlook is read only for this load.",
                   walked, static_cast<unsigned>(hr));
            VariantClear(&result);
            whole = false;
            break;
        }
        IDispatch* pItem = TakeObject(hr, result);
        if (!pItem) break;
        ++walked;
        {
            CDispCmd item(pItem);
            pItem->Release();
            memset(buf.get(), 0, sizeof(OlContactBuf));
            CxCopyText(buf->m_szFolderName, name);
            bool contact = true;
            const bool readable = ReadItemWhole(&item, buf.get(), &contact);
            if (contact) {
                *rec = CommAddr();
                ItemToContact(buf.get(), rec.get());
                rec->m_Native.Set(buf.get(), sizeof(OlContactBuf));
                rec->m_nSourceType = SOURCE_OUTLOOK;
                if (!readable) rec->m_nFlags |= ADDR_FLAG_UNREADABLE;
                if (!m_pStore->AddCopy(rec.get())) {
                    CX_LOG(0, "Out of memory while listing the Outlook contacts; Outlook is read only for this load.");
                    whole = false;
                }
            }
        }
        VariantInit(&result);
        hr = items.Call(L"GetNext", nullptr, 0, &result);
    }
    m_nSideState = whole ? SIDE_AVAILABLE : SIDE_READONLY;
    return true;
}

// Reads one item of the folder. *contact false: not a contact (skipped).
// False when the contact could not be read whole.
bool OlAddrUtil::ReadItemWhole(CDispCmd* item, OlContactBuf* buf, bool* contact) {
    *contact = true;
    int32_t cls = kContactClass;
    HRESULT hr = item->GetLong(L"Class", &cls);
    if (hr == 0 && cls != kContactClass) {
        *contact = false;
        char title[64] = {};
        item->GetText(L"Subject", title, sizeof(title));
        CX_LOG(2, "Skipped an item of the Contacts folder that is not a contact (Class %d): %s", cls, title);
        return true;
    }
    bool whole = !IsRefusal(hr);
    buf->m_nClass = kContactClass;
    whole = GetWholeText(*item, L"EntryID", buf->m_szEntryID, sizeof(buf->m_szEntryID)) && whole;
    whole = ReadItem(item, buf) && whole;
    whole = ResolveExchangeAddresses(item, buf) && whole;
    if (!whole)
        CX_LOG(0, "The Outlook contact %s could not be read whole; it is listed but not written.",
               WhoText(*buf).c_str());
    return whole;
}

bool OlAddrUtil::ReadItem(CDispCmd* item, OlContactBuf* buf) {
    if (!item || !buf) return true;
    bool whole = true;
    for (size_t i = 0; i < OL_PROP_COUNT; ++i) {
        const OlPropInfo& p = g_OlPropInfo[i];
        char* slot = SlotAt(buf, p.m_nOffset);
        HRESULT hr = S_OK;
        switch (p.m_nType) {
        case OL_PROP_TEXT: {
            bool cut = false;
            hr = item->GetText(p.m_pszName, slot, static_cast<int>(p.m_nSize), &cut);
            if (cut) buf->m_nCutSlots[i / 64] |= uint64_t{1} << (i % 64);
            break;
        }
        case OL_PROP_LONG: {
            int32_t v = 0;
            if ((hr = item->GetLong(p.m_pszName, &v)) == 0) memcpy(slot, &v, sizeof v);
            break;
        }
        case OL_PROP_DATE: {
            double v = 0;
            if ((hr = item->GetDate(p.m_pszName, &v)) == 0) memcpy(slot, &v, sizeof v);
            break;
        }
        }
        if (IsRefusal(hr)) whole = false;
    }
    return whole;
}

// An Exchange address ("EX") is an X.500 text no other program can use: its
// SMTP form is asked of the address book (Outlook 2007 and later). When
// there is none, the e-mail address is not known and the contact is not
// read whole.
bool OlAddrUtil::ResolveExchangeAddresses(CDispCmd* item, OlContactBuf* buf) {
    static const struct {
        const wchar_t* entryId;
        size_t address, size, type;
    } kAddresses[] = {
        {L"Email1EntryID", offsetof(OlContactBuf, m_szEmail1Address), sizeof(OlContactBuf::m_szEmail1Address),
         offsetof(OlContactBuf, m_szEmail1AddressType)},
        {L"Email2EntryID", offsetof(OlContactBuf, m_szEmail2Address), sizeof(OlContactBuf::m_szEmail2Address),
         offsetof(OlContactBuf, m_szEmail2AddressType)},
        {L"Email3EntryID", offsetof(OlContactBuf, m_szEmail3Address), sizeof(OlContactBuf::m_szEmail3Address),
         offsetof(OlContactBuf, m_szEmail3AddressType)},
    };
    bool whole = true;
    for (const auto& a : kAddresses) {
        if (_stricmp(SlotAt(buf, a.type), "EX") != 0) continue;
        char* address = SlotAt(buf, a.address);
        bool found = false;
        char id[512] = {};
        if (m_pNameSpaceCmd && GetWholeText(*item, a.entryId, id, sizeof(id))) {
            VARIANT arg = TextArg(id);
            VARIANT result;
            VariantInit(&result);
            IDispatch* pEntry = TakeObject(
                arg.vt == VT_BSTR ? m_pNameSpaceCmd->Call(L"GetAddressEntryFromID", &arg, 1, &result) : E_OUTOFMEMORY,
                result);
            VariantClear(&arg);
            if (pEntry) {
                CDispCmd entry(pEntry);
                pEntry->Release();
                VariantInit(&result);
                IDispatch* pUser = TakeObject(entry.Call(L"GetExchangeUser", nullptr, 0, &result), result);
                if (pUser) {
                    CDispCmd user(pUser);
                    pUser->Release();
                    std::unique_ptr<char[]> smtp(new (std::nothrow) char[a.size]);
                    bool cut = false;
                    if (smtp && user.GetText(L"PrimarySmtpAddress", smtp.get(), static_cast<int>(a.size), &cut) == 0 &&
                        smtp[0] && !cut) {
                        CxCopyText(address, a.size, smtp.get());
                        found = true;
                    }
                }
            }
        }
        if (!found) {
            CX_LOG(0, "No SMTP address could be had for the Exchange address %s of %s.", address,
                   WhoText(*buf).c_str());
            whole = false;
        }
    }
    return whole;
}

std::vector<size_t> OlPropertiesToPut(const OlContactBuf& buf, const OlContactBuf* baseline) {
    std::vector<size_t> out;
    // Outlook makes the full name from the name parts: a full name of our
    // own would replace what it derives, so it goes only without them.
    const bool namedByParts = buf.m_szFirstName[0] || buf.m_szLastName[0];
    // Outlook fills an e-mail address's type and display name in anew when
    // the address is put: after a changed address neither is put.
    bool addressPut = false;
    for (size_t i = 0; i < OL_PROP_COUNT; ++i) {
        const OlPropInfo& p = g_OlPropInfo[i];
        if (p.m_bReadOnly) continue;
        const bool companion = IsAddressCompanion(p.m_pszName);
        if (!companion) addressPut = false;
        if (namedByParts && wcscmp(p.m_pszName, L"FullName") == 0) continue;
        const char* slot = SlotAt(&buf, p.m_nOffset);
        const char* base = baseline ? SlotAt(baseline, p.m_nOffset) : nullptr;
        if (base && SlotEqual(p, slot, base)) continue;
        if (companion && addressPut) continue;
        // Puts of empty texts and zero dates are not sent (see CDispCmd).
        if (p.m_nType == OL_PROP_TEXT && !slot[0]) continue;
        if (p.m_nType == OL_PROP_DATE) {
            double v;
            memcpy(&v, slot, sizeof v);
            if (v > -0.00001f && v < 0.00001f) continue;
        }
        if (IsEmailAddress(p.m_pszName)) addressPut = true;
        out.push_back(i);
    }
    return out;
}

std::vector<std::string> OlPropertiesChangedBy(const OlContactBuf& buf, const OlContactBuf* baseline) {
    std::vector<std::string> out;
    bool namePartPut = false;
    auto add = [&out](const wchar_t* name) {
        std::string n;
        for (const wchar_t* w = name; *w; ++w) n += static_cast<char>(*w);
        for (const std::string& have : out)
            if (have == n) return;
        out.push_back(n);
    };
    for (size_t i : OlPropertiesToPut(buf, baseline)) {
        const wchar_t* name = g_OlPropInfo[i].m_pszName;
        add(name);
        if (IsNamePart(name)) namePartPut = true;
        // Outlook fills the address's type and display name in anew.
        if (IsEmailAddress(name)) {
            for (size_t c = i + 1; c < OL_PROP_COUNT && IsAddressCompanion(g_OlPropInfo[c].m_pszName); ++c)
                add(g_OlPropInfo[c].m_pszName);
        }
    }
    // Outlook derives the full name from the parts put.
    if (namePartPut) add(L"FullName");
    return out;
}

bool OlAddrUtil::WriteItem(CDispCmd* item, OlContactBuf* buf, const OlContactBuf* baseline) {
    if (!item || !buf) return false;
    for (size_t i : OlPropertiesToPut(*buf, baseline)) {
        const OlPropInfo& p = g_OlPropInfo[i];
        char* slot = SlotAt(buf, p.m_nOffset);
        HRESULT hr = S_OK;
        switch (p.m_nType) {
        case OL_PROP_TEXT:
            hr = item->PutText(p.m_pszName, slot);
            break;
        case OL_PROP_LONG: {
            int32_t v;
            memcpy(&v, slot, sizeof v);
            hr = item->PutLong(p.m_pszName, v);
            break;
        }
        case OL_PROP_DATE: {
            double v;
            memcpy(&v, slot, sizeof v);
            hr = item->PutDate(p.m_pszName, v);
            break;
        }
        }
        if (FAILED(hr)) {
            // Saving now would store the contact without this value and call
            // it written: nothing is saved.
            CX_LOG(0, "Outlook refused the value of %S for the contact %s, hr=0x%08x; the contact was not saved.",
                   p.m_pszName, WhoText(*buf).c_str(), static_cast<unsigned>(hr));
            return false;
        }
    }
    // A refused save leaves Outlook without the change: report it, so the
    // run does not count it as written.
    HRESULT hr = item->Call(L"Save", nullptr, 0, nullptr);
    if (FAILED(hr)) {
        CX_LOG(0, "Failed to save the Contact item. hr=0x%x", static_cast<unsigned>(hr));
        return false;
    }
    return true;
}

bool OlAddrUtil::GetItems(IDispatch** items) {
    HRESULT hr = m_pFolder->GetObject(L"Items", items);
    if (hr != 0 || !*items) {
        if (*items) (*items)->Release();
        *items = nullptr;
        CX_LOG(0, "Failed to get the \"Items\" property of the Contact folder. hr=0x%x",
               static_cast<unsigned>(hr));
        return false;
    }
    return true;
}

bool OlAddrUtil::Writable(const char* what) const {
    if (m_nSideState != SIDE_READONLY) return true;
    CX_LOG(0, "Outlook is read only for this load; %s was not written.", what);
    return false;
}

bool OlAddrUtil::AddContact(CommAddr* rec) {
    if (!rec || !m_pFolder) return false;
    std::unique_ptr<OlContactBuf> buf = NewBuffer();
    if (!buf) return false;
    ContactToItem(rec, buf.get());
    if (!Writable(WhoText(*buf).c_str())) return false;
    IDispatch* pItems = nullptr;
    if (!GetItems(&pItems)) return false;
    CDispCmd items(pItems);
    pItems->Release();

    VARIANT arg = LongArg(2);  // a contact item
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = items.Call(L"Add", &arg, 1, &result);
    IDispatch* pItem = TakeObject(hr, result);
    if (!pItem) {
        CX_LOG(0, "Failed to call the \"Add\" method. hr=0x%x", static_cast<unsigned>(hr));
        return false;
    }
    CDispCmd item(pItem);
    pItem->Release();

    if (!WriteItem(&item, buf.get())) return false;  // the unsaved item is dropped
    // Outlook gives the EntryID at the first save; without it the new
    // contact cannot be found again, so it is not written before a reload.
    buf->m_nClass = kContactClass;
    if (!GetWholeText(item, L"EntryID", buf->m_szEntryID, sizeof(buf->m_szEntryID))) {
        CX_LOG(0, "The new Outlook contact %s has no readable EntryID; it is not written again before a reload.",
               WhoText(*buf).c_str());
        rec->m_nFlags |= ADDR_FLAG_UNREADABLE;
    }
    rec->m_Native.Set(buf.get(), sizeof(OlContactBuf));
    return true;
}

IDispatch* OlAddrUtil::FindItem(const char* entryId, const char* who) {
    if (!m_pNameSpaceCmd) return nullptr;
    VARIANT arg = TextArg(entryId);
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = arg.vt == VT_BSTR ? m_pNameSpaceCmd->Call(L"GetItemFromID", &arg, 1, &result) : E_OUTOFMEMORY;
    VariantClear(&arg);
    IDispatch* pItem = TakeObject(hr, result);
    if (!pItem) {
        CX_LOG(0, "The Outlook contact %s is no longer there (hr=0x%08x); it was not written.", who,
               static_cast<unsigned>(hr));
        return nullptr;
    }
    // A deleted contact keeps its EntryID in the Deleted Items folder.
    bool inFolder = false;
    {
        CDispCmd item(pItem);
        IDispatch* pParent = nullptr;
        hr = item.GetObject(L"Parent", &pParent);
        if (hr == 0 && pParent) {
            CDispCmd parent(pParent);
            pParent->Release();
            char id[512] = {};
            inFolder = GetWholeText(parent, L"EntryID", id, sizeof(id)) && strcmp(id, m_szFolderEntryID) == 0;
        }
    }
    if (!inFolder) {
        CX_LOG(0, "The Outlook contact %s is no longer in the Contacts folder; it was not written.", who);
        pItem->Release();
        return nullptr;
    }
    return pItem;
}

bool OlAddrUtil::PrepareUpdate(const CommAddr* rec, int32_t position, OlContactBuf* buf, OlContactBuf* last) {
    CommAddr* stored = m_pStore && rec && position >= 0 ? m_pStore->GetAt(static_cast<uint32_t>(position)) : nullptr;
    if (!stored || stored->m_Native.GetLength() != sizeof(OlContactBuf)) return false;
    memcpy(last, stored->m_Native.GetData(), sizeof(OlContactBuf));
    TerminateTexts(last);
    // Properties without a common field go back as last read.
    memcpy(buf, last, sizeof(OlContactBuf));
    ContactToItem(rec, buf);
    KeepUnchanged(rec, buf, last);
    return true;
}

bool OlAddrUtil::PlanUpdate(const CommAddr* rec, int32_t position, std::string& entryId,
                            std::vector<std::string>& properties) {
    entryId.clear();
    properties.clear();
    std::unique_ptr<OlContactBuf> buf = NewBuffer();
    std::unique_ptr<OlContactBuf> last = NewBuffer();
    if (!buf || !last || !PrepareUpdate(rec, position, buf.get(), last.get())) return false;
    entryId = last->m_szEntryID;
    properties = OlPropertiesChangedBy(*buf, last.get());
    return !entryId.empty();
}

bool OlAddrUtil::UpdateContact(const CommAddr* rec, int32_t position) {
    if (!rec || position < 0 || !m_pFolder || !m_pStore) return false;
    CommAddr* stored = m_pStore->GetAt(static_cast<uint32_t>(position));
    std::unique_ptr<OlContactBuf> buf = NewBuffer();
    std::unique_ptr<OlContactBuf> last = NewBuffer();
    if (!buf || !last) return false;
    if (!PrepareUpdate(rec, position, buf.get(), last.get())) {
        CX_LOG(0, "No Outlook contact was read at position %d; nothing was written.", position);
        return false;
    }
    const std::string who = WhoText(*last);
    if (!Writable(who.c_str())) return false;
    if (stored->m_nFlags & ADDR_FLAG_UNREADABLE) {
        CX_LOG(0, "The Outlook contact %s could not be read whole; it was not written.", who.c_str());
        return false;
    }
    IDispatch* pItem = last->m_szEntryID[0] ? FindItem(last->m_szEntryID, who.c_str()) : nullptr;
    if (!pItem) return false;
    CDispCmd item(pItem);
    pItem->Release();

    const bool ok = WriteItem(&item, buf.get(), last.get());
    // The stored buffer now says what the item holds, so a later update
    // compares against what was written rather than what was first read.
    if (ok) memcpy(stored->m_Native.GetData(), buf.get(), sizeof(OlContactBuf));
    return ok;
}

#endif  // _WIN32
