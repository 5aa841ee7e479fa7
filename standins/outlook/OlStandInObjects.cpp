// The stand-in Outlook's automation objects: application, namespace,
// folders, item collections, contact items and distribution lists, and the
// Exchange address book entries. They answer only the calls the program
// makes, with Outlook's documented habits where the registry switches them
// on. See docs/standins.md.
#include <ole2.h>
#include <oleauto.h>

#include <cstring>
#include <cwchar>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "standins/outlook/OlStandIn.h"
#include "standins/outlook/OlStandInCore.h"
#include "standins/outlook/OlStandInModel.h"

namespace olsi {

std::atomic<long> g_nObjects{0};
std::atomic<long> g_nLocks{0};
std::atomic<long long> g_nIdsCalls{0};
std::atomic<long long> g_nInvokeCalls{0};
std::atomic<unsigned long long> g_nLastCallTick{0};

const CLSID kClsid = {0x7117c79b, 0xa2de, 0x4f41, {0x88, 0x57, 0x2c, 0x55, 0x18, 0x8c, 0xba, 0xb0}};

namespace {

constexpr DISPID kFailingId = 0x7FFF0001;
constexpr HRESULT kMapiNotFound = static_cast<HRESULT>(0x8004010F);

struct Member {
    const wchar_t* name;
    DISPID id;
};

double NowAsDate() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    st.wMilliseconds = 0;
    double d = 0;
    SystemTimeToVariantTime(&st, &d);
    return d;
}

HRESULT ArgAsLong(DISPPARAMS* dp, UINT index, LONG* out) {
    VARIANT v;
    VariantInit(&v);
    HRESULT hr = VariantChangeType(&v, &dp->rgvarg[dp->cArgs - 1 - index], 0, VT_I4);
    if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
    *out = v.lVal;
    return S_OK;
}

HRESULT ArgAsText(DISPPARAMS* dp, UINT index, std::wstring* out) {
    VARIANT v;
    VariantInit(&v);
    if (FAILED(VariantChangeType(&v, &dp->rgvarg[dp->cArgs - 1 - index], 0, VT_BSTR)))
        return DISP_E_TYPEMISMATCH;
    out->assign(v.bstrVal ? v.bstrVal : L"", SysStringLen(v.bstrVal));
    VariantClear(&v);
    return S_OK;
}

HRESULT ReturnObject(VARIANT* result, IDispatch* obj) {
    if (!obj) return E_OUTOFMEMORY;
    if (result) {
        VariantInit(result);
        result->vt = VT_DISPATCH;
        result->pdispVal = obj;
    } else {
        obj->Release();
    }
    return S_OK;
}

HRESULT ReturnNothing(VARIANT* result) {
    if (result) {
        VariantInit(result);
        result->vt = VT_DISPATCH;
        result->pdispVal = nullptr;
    }
    return S_OK;
}

HRESULT ReturnText(VARIANT* result, const std::wstring& t) {
    if (!result) return S_OK;
    VariantInit(result);
    // Empty text comes back as a null string, as automation allows.
    result->vt = VT_BSTR;
    result->bstrVal = t.empty() ? nullptr : SysAllocStringLen(t.data(), static_cast<UINT>(t.size()));
    if (!t.empty() && !result->bstrVal) {
        result->vt = VT_EMPTY;
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT ReturnLong(VARIANT* result, long value) {
    if (result) {
        VariantInit(result);
        result->vt = VT_I4;
        result->lVal = value;
    }
    return S_OK;
}

// Outlook raises its errors: DISP_E_EXCEPTION with the code and a text.
HRESULT Raise(EXCEPINFO* ex, HRESULT code, const wchar_t* text) {
    if (ex) {
        memset(ex, 0, sizeof *ex);
        ex->bstrSource = SysAllocString(L"Microsoft Outlook");
        ex->bstrDescription = SysAllocString(text);
        ex->scode = code;
    }
    return DISP_E_EXCEPTION;
}

class DispBase : public IDispatch {
public:
    explicit DispBase(std::shared_ptr<Store> store) : m_pStore(std::move(store)) { ++g_nObjects; }
    virtual ~DispBase() { --g_nObjects; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_nRef; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --m_nRef;
        if (n == 0) delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return DISP_E_BADINDEX; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override {
        ++g_nIdsCalls;
        g_nLastCallTick = GetTickCount64();
        if (m_pStore->Busy()) return BusyAnswer();
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        if (!names || !ids || count == 0) return E_INVALIDARG;
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        // Named arguments are not part of this object model.
        if (count > 1) hr = DISP_E_UNKNOWNNAME;
        const wchar_t* name = names[0];
        if (!name) return DISP_E_UNKNOWNNAME;
        const Habits& h = m_pStore->habits;
        if (!h.englishOnlyName.empty() && lcid != 0x0409 && NameCompare(name, h.englishOnlyName.c_str()) == 0)
            return DISP_E_UNKNOWNNAME;
        if (!h.unknownName.empty() && NameCompare(name, h.unknownName.c_str()) == 0) return DISP_E_UNKNOWNNAME;
        DISPID id = Lookup(name);
        if (id != DISPID_UNKNOWN && !h.failName.empty() && NameCompare(name, h.failName.c_str()) == 0)
            id = kFailingId;
        if (id == DISPID_UNKNOWN) return DISP_E_UNKNOWNNAME;
        ids[0] = id;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* dp,
                                     VARIANT* result, EXCEPINFO* ex, UINT*) override {
        ++g_nInvokeCalls;
        g_nLastCallTick = GetTickCount64();
        if (m_pStore->Busy()) return BusyAnswer();
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        if (!dp) dp = &none;
        if (dp->cArgs > 0 && !dp->rgvarg) return E_INVALIDARG;
        if (dp->cNamedArgs > 0 && !dp->rgdispidNamedArgs) return E_INVALIDARG;
        if (id == kFailingId) return E_FAIL;
        return Do(id, flags, dp, result, ex);
    }

protected:
    virtual DISPID Lookup(const wchar_t* name) = 0;
    virtual HRESULT Do(DISPID id, WORD flags, DISPPARAMS* dp, VARIANT* result, EXCEPINFO* ex) = 0;

    static DISPID LookupIn(const Member* members, size_t n, const wchar_t* name) {
        for (size_t i = 0; i < n; ++i)
            if (NameCompare(members[i].name, name) == 0) return members[i].id;
        return DISPID_UNKNOWN;
    }
    // A plain method or property get: the right kind, no named arguments and
    // exactly `args` positional ones.
    static HRESULT Check(WORD flags, WORD need, DISPPARAMS* dp, UINT args) {
        if (!(flags & need)) return DISP_E_MEMBERNOTFOUND;
        if (dp->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
        if (dp->cArgs != args) return DISP_E_BADPARAMCOUNT;
        return S_OK;
    }

    std::shared_ptr<Store> m_pStore;

private:
    // Both ways a busy Outlook answers: a rejection from its message filter
    // and "retry later".
    HRESULT BusyAnswer() { return (++m_nBusy & 1) ? RPC_E_CALL_REJECTED : RPC_E_SERVERCALL_RETRYLATER; }

    std::atomic<ULONG> m_nRef{1};
    unsigned m_nBusy = 0;
};

// ------------------------------------------------------------ the folders

enum class Which { kContacts, kDeleted };

class Items;

class Folder : public DispBase {
public:
    Folder(std::shared_ptr<Store> store, Which which) : DispBase(std::move(store)), m_nWhich(which) {}

protected:
    enum : DISPID { kName = 1, kStoreID, kItems, kEntryID };
    DISPID Lookup(const wchar_t* name) override {
        static const Member m[] = {{L"Name", kName}, {L"StoreID", kStoreID}, {L"Items", kItems}, {L"EntryID", kEntryID}};
        return LookupIn(m, sizeof m / sizeof m[0], name);
    }
    HRESULT Do(DISPID id, WORD flags, DISPPARAMS* dp, VARIANT* result, EXCEPINFO*) override;

private:
    Which m_nWhich;
};

// ------------------------------------------------------ address book entries

class ExchangeUser : public DispBase {
public:
    ExchangeUser(std::shared_ptr<Store> store, std::wstring smtp) : DispBase(std::move(store)), m_Smtp(std::move(smtp)) {}

protected:
    DISPID Lookup(const wchar_t* name) override {
        static const Member m[] = {{L"PrimarySmtpAddress", 1}};
        return LookupIn(m, 1, name);
    }
    HRESULT Do(DISPID id, WORD flags, DISPPARAMS* dp, VARIANT* result, EXCEPINFO* ex) override {
        if (id != 1) return DISP_E_MEMBERNOTFOUND;
        HRESULT hr = Check(flags, DISPATCH_PROPERTYGET, dp, 0);
        if (FAILED(hr)) return hr;
        if (m_pStore->habits.denied.count(L"PrimarySmtpAddress"))
            return Raise(ex, E_ABORT, L"Outlook blocked access to this address book property.");
        return ReturnText(result, m_Smtp);
    }

private:
    std::wstring m_Smtp;
};

class AddressEntryObj : public DispBase {
public:
    AddressEntryObj(std::shared_ptr<Store> store, AddressEntry entry) : DispBase(std::move(store)), m_Entry(std::move(entry)) {}

protected:
    enum : DISPID { kAddress = 1, kGetExchangeUser };
    DISPID Lookup(const wchar_t* name) override {
        static const Member m[] = {{L"Address", kAddress}, {L"GetExchangeUser", kGetExchangeUser}};
        return LookupIn(m, 2, name);
    }
    HRESULT Do(DISPID id, WORD flags, DISPPARAMS* dp, VARIANT* result, EXCEPINFO*) override {
        if (id == kAddress) {
            HRESULT hr = Check(flags, DISPATCH_PROPERTYGET, dp, 0);
            return FAILED(hr) ? hr : ReturnText(result, m_Entry.x500);
        }
        if (id != kGetExchangeUser) return DISP_E_MEMBERNOTFOUND;
        HRESULT hr = Check(flags, DISPATCH_METHOD, dp, 0);
        if (FAILED(hr)) return hr;
        // No mailbox behind the entry: Nothing, as Outlook answers.
        if (m_Entry.smtp.empty()) return ReturnNothing(result);
        return ReturnObject(result, new (std::nothrow) ExchangeUser(m_pStore, m_Entry.smtp));
    }

private:
    AddressEntry m_Entry;
};

// ------------------------------------------------------------ contact item

class ContactItem : public DispBase {
public:
    // Properties are put into a working copy; "Save" makes it the stored
    // contact, so an item that is never saved changes nothing.
    ContactItem(std::shared_ptr<Store> store, std::shared_ptr<Contact> contact, bool saved)
        : DispBase(std::move(store)), m_pContact(std::move(contact)), m_Work(*m_pContact), m_bSaved(saved) {}

protected:
    enum : DISPID { kSave = 1000, kClass, kEntryID, kParent, kDelete, kSubject, kDLName, kMemberCount };

    DISPID Lookup(const wchar_t* name) override {
        static const Member m[] = {{L"Save", kSave},         {L"Class", kClass},   {L"EntryID", kEntryID},
                                   {L"Parent", kParent},     {L"Delete", kDelete}, {L"Subject", kSubject},
                                   {L"DLName", kDLName},     {L"MemberCount", kMemberCount}};
        DISPID id = LookupIn(m, sizeof m / sizeof m[0], name);
        const bool list = m_Work.cls == kClassDistList;
        if ((id == kDLName || id == kMemberCount) && !list) return DISPID_UNKNOWN;
        if (id != DISPID_UNKNOWN) return id;
        // A distribution list has none of a contact's properties but its body.
        int p = FindProp(name);
        if (p < 0 || (list && NameCompare(name, L"Body") != 0)) return DISPID_UNKNOWN;
        return static_cast<DISPID>(p + 1);
    }

    HRESULT Do(DISPID id, WORD flags, DISPPARAMS* dp, VARIANT* result, EXCEPINFO* ex) override {
        HRESULT hr;
        switch (id) {
        case kSave:
            if (FAILED(hr = Check(flags, DISPATCH_METHOD, dp, 0))) return hr;
            return Save(result);
        case kDelete:
            if (FAILED(hr = Check(flags, DISPATCH_METHOD, dp, 0))) return hr;
            return Delete(result, ex);
        case kClass:
            if (FAILED(hr = Check(flags, DISPATCH_PROPERTYGET, dp, 0))) return hr;
            return ReturnLong(result, m_Work.cls);
        case kEntryID:
            if (FAILED(hr = Check(flags, DISPATCH_PROPERTYGET, dp, 0))) return hr;
            return ReturnText(result, m_bSaved ? m_pContact->entryId : std::wstring());
        case kParent: {
            if (FAILED(hr = Check(flags, DISPATCH_PROPERTYGET, dp, 0))) return hr;
            bool inDeleted = false;
            if (m_bSaved) m_pStore->Find(m_pContact->entryId, &inDeleted);
            return ReturnObject(result, new (std::nothrow) Folder(m_pStore, inDeleted ? Which::kDeleted : Which::kContacts));
        }
        case kSubject:
        case kDLName:
            if (FAILED(hr = Check(flags, DISPATCH_PROPERTYGET, dp, 0))) return hr;
            return ReturnText(result, m_Work.cls == kClassDistList ? m_Work.dlName : m_Work.text[FindProp(L"FullName")]);
        case kMemberCount:
            if (FAILED(hr = Check(flags, DISPATCH_PROPERTYGET, dp, 0))) return hr;
            return ReturnLong(result, 0);
        default:
            break;
        }
        if (id < 1 || static_cast<size_t>(id) > kPropCount) return DISP_E_MEMBERNOTFOUND;
        const size_t p = static_cast<size_t>(id - 1);
        const PropDef& def = kProps[p];
        if (flags & DISPATCH_PROPERTYPUT) return Put(p, dp, ex);
        if (FAILED(hr = Check(flags, DISPATCH_PROPERTYGET, dp, 0))) return hr;
        if (m_pStore->habits.denied.count(def.name) || m_Work.denied.count(def.name))
            return Raise(ex, E_ABORT, L"Outlook blocked access to this property: the user denied it.");
        if (!result) return S_OK;
        if (def.type == kText) return ReturnText(result, m_Work.text[p]);
        VariantInit(result);
        if (def.type == kLong) {
            result->vt = VT_I4;
            result->lVal = static_cast<LONG>(m_Work.number[p]);
        } else {
            result->vt = VT_DATE;
            result->date = m_Work.number[p];
            if (result->date == 0 && m_pStore->habits.noDate4501 && !def.readOnly) result->date = kNoDate;
        }
        return S_OK;
    }

private:
    HRESULT Put(size_t p, DISPPARAMS* dp, EXCEPINFO* ex) {
        const PropDef& def = kProps[p];
        if (def.readOnly) return DISP_E_MEMBERNOTFOUND;
        if (dp->cArgs != 1) return DISP_E_BADPARAMCOUNT;
        if (dp->cNamedArgs != 1 || dp->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) return DISP_E_PARAMNOTOPTIONAL;
        if (m_pStore->habits.refusedPuts.count(def.name))
            return Raise(ex, E_INVALIDARG, L"The property cannot be set: the value is not valid.");
        VARTYPE want = def.type == kText ? VT_BSTR : def.type == kLong ? VT_I4 : VT_DATE;
        VARIANT v;
        VariantInit(&v);
        if (FAILED(VariantChangeType(&v, &dp->rgvarg[0], 0, want))) return DISP_E_TYPEMISMATCH;
        if (def.type == kText) {
            std::wstring text(v.bstrVal ? v.bstrVal : L"", SysStringLen(v.bstrVal));
            m_Work.text[p] = text;
            AfterTextPut(def.name, text);
        } else if (def.type == kLong) {
            m_Work.number[p] = v.lVal;
        } else {
            // Putting the "none" date clears the date.
            m_Work.number[p] = v.date == kNoDate ? 0.0 : v.date;
        }
        VariantClear(&v);
        return S_OK;
    }

    void AfterTextPut(const wchar_t* name, const std::wstring& text) {
        const bool rules = m_pStore->habits.nameRules;
        if (rules && NameCompare(name, L"FullName") == 0) {
            ParseFullName(m_Work, text);
            return;
        }
        if (rules) {
            for (const wchar_t* n : {L"FirstName", L"MiddleName", L"LastName", L"Suffix", L"Title"})
                if (NameCompare(name, n) == 0) m_Work.text[FindProp(L"FullName")] = DeriveFullName(m_Work);
        }
        // Putting an e-mail address fills in its type and display name anew.
        for (const wchar_t* n : {L"Email1Address", L"Email2Address", L"Email3Address"}) {
            if (NameCompare(name, n) != 0) continue;
            const std::wstring base(n, wcslen(n) - wcslen(L"Address"));
            m_Work.text[FindProp((base + L"AddressType").c_str())] = L"SMTP";
            m_Work.text[FindProp((base + L"EntryID").c_str())].clear();
            const std::wstring& full = m_Work.text[FindProp(L"FullName")];
            m_Work.text[FindProp((base + L"DisplayName").c_str())] = rules && !full.empty() ? full : text;
        }
    }

    HRESULT Save(VARIANT* result) {
        double now = NowAsDate();
        if (!m_bSaved) m_Work.number[FindProp(L"CreationTime")] = now;
        m_Work.number[FindProp(L"LastModificationTime")] = now;
        if (!m_bSaved) m_Work.entryId = m_pStore->NewEntryId();
        *m_pContact = m_Work;
        if (!m_bSaved) {
            auto& items = m_pStore->items;
            items.insert(items.begin() + static_cast<std::ptrdiff_t>(m_pStore->InsertPosition()), m_pContact);
            m_bSaved = true;
        }
        m_pStore->dirty = true;
        if (result) VariantInit(result);
        return S_OK;
    }

    // The item moves to Deleted Items and keeps its EntryID.
    HRESULT Delete(VARIANT* result, EXCEPINFO* ex) {
        bool inDeleted = false;
        if (!m_bSaved || !m_pStore->Find(m_pContact->entryId, &inDeleted))
            return Raise(ex, kMapiNotFound, L"The item has not been saved.");
        auto& items = m_pStore->items;
        for (size_t i = 0; i < items.size(); ++i) {
            if (items[i] != m_pContact) continue;
            items.erase(items.begin() + static_cast<std::ptrdiff_t>(i));
            m_pStore->deleted.push_back(m_pContact);
            m_pStore->dirty = true;
            break;
        }
        if (result) VariantInit(result);
        return S_OK;
    }

    std::shared_ptr<Contact> m_pContact;
    Contact m_Work;
    bool m_bSaved;
};

// ------------------------------------------------------- item collection

class Items : public DispBase {
public:
    explicit Items(std::shared_ptr<Store> store)
        : DispBase(std::move(store)), m_Order(m_pStore->Ordered()) {}

protected:
    enum : DISPID { kGetFirst = 1, kGetNext, kAdd, kItem, kCount };
    DISPID Lookup(const wchar_t* name) override {
        static const Member m[] = {{L"GetFirst", kGetFirst}, {L"GetNext", kGetNext}, {L"Add", kAdd},
                                   {L"Item", kItem},         {L"Count", kCount}};
        return LookupIn(m, sizeof m / sizeof m[0], name);
    }

    HRESULT Do(DISPID id, WORD flags, DISPPARAMS* dp, VARIANT* result, EXCEPINFO*) override {
        HRESULT hr;
        switch (id) {
        case kGetFirst:
        case kGetNext: {
            if (FAILED(hr = Check(flags, DISPATCH_METHOD, dp, 0))) return hr;
            m_nCursor = id == kGetFirst ? 0 : m_nCursor + 1;
            if (m_nCursor >= m_Order.size()) {
                m_nCursor = m_Order.size();
                return ReturnNothing(result);  // past the end: Nothing
            }
            return ReturnObject(result, new (std::nothrow) ContactItem(m_pStore, m_Order[m_nCursor], true));
        }
        case kAdd: {
            if (FAILED(hr = Check(flags, DISPATCH_METHOD, dp, 1))) return hr;
            LONG kind = 0;
            if (FAILED(hr = ArgAsLong(dp, 0, &kind))) return hr;
            if (kind != 2) return E_INVALIDARG;  // contact items only
            return ReturnObject(result, new (std::nothrow) ContactItem(m_pStore, std::make_shared<Contact>(), false));
        }
        case kItem: {
            if (FAILED(hr = Check(flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET, dp, 1))) return hr;
            LONG n = 0;
            if (FAILED(hr = ArgAsLong(dp, 0, &n))) return hr;
            if (n < 1 || static_cast<size_t>(n) > m_Order.size()) return DISP_E_BADINDEX;
            return ReturnObject(result, new (std::nothrow) ContactItem(m_pStore, m_Order[n - 1], true));
        }
        case kCount:
            if (FAILED(hr = Check(flags, DISPATCH_PROPERTYGET, dp, 0))) return hr;
            return ReturnLong(result, static_cast<long>(m_Order.size()));
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    std::vector<std::shared_ptr<Contact>> m_Order;
    size_t m_nCursor = 0;
};

HRESULT Folder::Do(DISPID id, WORD flags, DISPPARAMS* dp, VARIANT* result, EXCEPINFO*) {
    HRESULT hr = Check(flags, DISPATCH_PROPERTYGET, dp, 0);
    if (FAILED(hr)) return hr;
    const bool contacts = m_nWhich == Which::kContacts;
    switch (id) {
    case kItems:
        // Only the Contacts folder's items are ever asked for.
        return contacts ? ReturnObject(result, new (std::nothrow) Items(m_pStore)) : E_NOTIMPL;
    case kName:
        return ReturnText(result, contacts ? m_pStore->folderName : std::wstring(L"Deleted Items"));
    case kStoreID:
        return ReturnText(result, L"0000000038A1BB1005E5101AA1BB08002B2A56C200007673746E6F75746C6F6F6B00");
    case kEntryID:
        return ReturnText(result, contacts ? L"000000002DF1DB0CBC1C4D46A7D3A17B4C61A6A201000000000000000A000000"
                                           : L"000000002DF1DB0CBC1C4D46A7D3A17B4C61A6A2010000000000000003000000");
    }
    return DISP_E_MEMBERNOTFOUND;
}

// -------------------------------------------------------- the namespace

class NameSpace : public DispBase {
public:
    explicit NameSpace(std::shared_ptr<Store> store) : DispBase(std::move(store)) {}

protected:
    enum : DISPID { kGetDefaultFolder = 1, kGetItemFromID, kGetAddressEntryFromID };
    DISPID Lookup(const wchar_t* name) override {
        static const Member m[] = {{L"GetDefaultFolder", kGetDefaultFolder},
                                   {L"GetItemFromID", kGetItemFromID},
                                   {L"GetAddressEntryFromID", kGetAddressEntryFromID}};
        return LookupIn(m, sizeof m / sizeof m[0], name);
    }
    HRESULT Do(DISPID id, WORD flags, DISPPARAMS* dp, VARIANT* result, EXCEPINFO* ex) override {
        HRESULT hr;
        if (id == kGetDefaultFolder) {
            if (FAILED(hr = Check(flags, DISPATCH_METHOD, dp, 1))) return hr;
            LONG which = 0;
            if (FAILED(hr = ArgAsLong(dp, 0, &which))) return hr;
            if (which != 10 && which != 3) return E_INVALIDARG;  // Contacts, Deleted Items
            return ReturnObject(result, new (std::nothrow) Folder(m_pStore, which == 10 ? Which::kContacts : Which::kDeleted));
        }
        if (id != kGetItemFromID && id != kGetAddressEntryFromID) return DISP_E_MEMBERNOTFOUND;
        // GetItemFromID takes an optional store id as well.
        if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
        if (dp->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
        if (dp->cArgs < 1 || dp->cArgs > (id == kGetItemFromID ? 2u : 1u)) return DISP_E_BADPARAMCOUNT;
        std::wstring entryId;
        if (FAILED(hr = ArgAsText(dp, 0, &entryId))) return hr;
        if (id == kGetAddressEntryFromID) {
            const AddressEntry* e = m_pStore->FindAddress(entryId);
            if (!e) return Raise(ex, kMapiNotFound, L"The address book entry could not be found.");
            return ReturnObject(result, new (std::nothrow) AddressEntryObj(m_pStore, *e));
        }
        std::shared_ptr<Contact> c = m_pStore->Find(entryId, nullptr);
        if (!c) return Raise(ex, kMapiNotFound, L"The operation failed. An object could not be found.");
        return ReturnObject(result, new (std::nothrow) ContactItem(m_pStore, c, true));
    }
};

// ------------------------------------------------------ the application

// Outlook runs once per user: a second client reaches the same folders. An
// application object made while another one holds the same contacts file
// shares its store.
std::shared_ptr<Store> OpenStore() {
    static std::vector<std::weak_ptr<Store>> open;
    const std::wstring path = ReadSetting(VT_OLSTANDIN_DATAFILE);
    for (size_t i = 0; i < open.size();) {
        std::shared_ptr<Store> s = open[i].lock();
        if (!s) {
            open.erase(open.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        if (!path.empty() && s->path == path) return s;
        ++i;
    }
    auto store = std::make_shared<Store>();
    store->habits.Read();
    store->path = path;
    std::wstring folder = ReadSetting(VT_OLSTANDIN_FOLDERNAME);
    if (!folder.empty()) store->folderName = folder;
    store->Load();
    if (store->habits.busyMs) store->busyUntil = GetTickCount64() + store->habits.busyMs;
    open.push_back(store);
    return store;
}

class Application : public DispBase {
public:
    Application() : DispBase(OpenStore()) {}

protected:
    enum : DISPID { kGetNameSpace = 1, kSession };
    DISPID Lookup(const wchar_t* name) override {
        static const Member m[] = {{L"GetNameSpace", kGetNameSpace}, {L"Session", kSession}};
        return LookupIn(m, 2, name);
    }
    HRESULT Do(DISPID id, WORD flags, DISPPARAMS* dp, VARIANT* result, EXCEPINFO*) override {
        HRESULT hr;
        if (id == kSession) {
            if (FAILED(hr = Check(flags, DISPATCH_PROPERTYGET, dp, 0))) return hr;
            return ReturnObject(result, new (std::nothrow) NameSpace(m_pStore));
        }
        if (id != kGetNameSpace) return DISP_E_MEMBERNOTFOUND;
        if (FAILED(hr = Check(flags, DISPATCH_METHOD, dp, 1))) return hr;
        std::wstring type;
        if (FAILED(hr = ArgAsText(dp, 0, &type))) return hr;
        if (NameCompare(type.c_str(), L"MAPI") != 0) return E_INVALIDARG;
        return ReturnObject(result, new (std::nothrow) NameSpace(m_pStore));
    }
};

// ------------------------------------------------------- class factory

class AppFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *ppv = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // static object
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        g_nLastCallTick = GetTickCount64();
        Application* app = new (std::nothrow) Application();
        if (!app) return E_OUTOFMEMORY;
        HRESULT hr = app->QueryInterface(riid, ppv);
        app->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) ++g_nLocks;
        else --g_nLocks;
        return S_OK;
    }
};

AppFactory g_Factory;

}  // namespace

IClassFactory* Factory() { return &g_Factory; }

}  // namespace olsi
