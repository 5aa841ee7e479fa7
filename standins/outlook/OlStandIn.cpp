// The stand-in Outlook: answers the automation calls the program makes on
// Outlook (application, MAPI namespace, Contacts folder, its items and
// contact items) and nothing else. Contacts live in memory as UTF-16 and
// in a UTF-8 text file that the registry names; the file is read when the
// application object is made and written when the last object of that
// application is released. See docs/standins.md.
#include "standins/outlook/OlStandIn.h"

#include <ole2.h>
#include <oleauto.h>
#include <olectl.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

namespace {

HMODULE g_hModule = nullptr;
std::atomic<long> g_nObjects{0};
std::atomic<long> g_nLocks{0};
std::atomic<long long> g_nIdsCalls{0};
std::atomic<long long> g_nInvokeCalls{0};

const CLSID kClsid = {0x7117c79b, 0xa2de, 0x4f41, {0x88, 0x57, 0x2c, 0x55, 0x18, 0x8c, 0xba, 0xb0}};

// ---------------------------------------------------------------- settings

std::wstring ReadSetting(const wchar_t* value) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, VT_OLSTANDIN_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::wstring();
    std::wstring out;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, value, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && size >= sizeof(wchar_t) && size < 65536) {
        std::vector<wchar_t> buf(size / sizeof(wchar_t) + 1, 0);
        if (RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(buf.data()),
                             &size) == ERROR_SUCCESS)
            out.assign(buf.data());
    }
    RegCloseKey(key);
    return out;
}

// -------------------------------------------------------- contact properties

enum PropType { kText, kLong, kDate };

struct PropDef {
    const wchar_t* name;
    PropType type;
    bool readOnly;
};

// Every contact item property the program exchanges, with its automation type.
const PropDef kProps[] = {
    {L"Account", kText, false},
    {L"Anniversary", kDate, false},
    {L"AssistantName", kText, false},
    {L"AssistantTelephoneNumber", kText, false},
    {L"Birthday", kDate, false},
    {L"Business2TelephoneNumber", kText, false},
    {L"BusinessAddressCity", kText, false},
    {L"BusinessAddressCountry", kText, false},
    {L"BusinessAddressPostalCode", kText, false},
    {L"BusinessAddressPostOfficeBox", kText, false},
    {L"BusinessAddressState", kText, false},
    {L"BusinessAddressStreet", kText, false},
    {L"BusinessFaxNumber", kText, false},
    {L"BusinessHomePage", kText, false},
    {L"BusinessTelephoneNumber", kText, false},
    {L"CallbackTelephoneNumber", kText, false},
    {L"CarTelephoneNumber", kText, false},
    {L"CompanyMainTelephoneNumber", kText, false},
    {L"CompanyName", kText, false},
    {L"ComputerNetworkName", kText, false},
    {L"CustomerID", kText, false},
    {L"Department", kText, false},
    {L"Email1Address", kText, false},
    {L"Email1AddressType", kText, false},
    {L"Email1DisplayName", kText, false},
    {L"Email2Address", kText, false},
    {L"Email2AddressType", kText, false},
    {L"Email2DisplayName", kText, false},
    {L"Email3Address", kText, false},
    {L"Email3AddressType", kText, false},
    {L"Email3DisplayName", kText, false},
    {L"FirstName", kText, false},
    {L"FTPSite", kText, false},
    {L"FullName", kText, false},
    {L"Gender", kLong, false},
    {L"Hobby", kText, false},
    {L"Home2TelephoneNumber", kText, false},
    {L"HomeAddressCity", kText, false},
    {L"HomeAddressCountry", kText, false},
    {L"HomeAddressPostalCode", kText, false},
    {L"HomeAddressPostOfficeBox", kText, false},
    {L"HomeAddressState", kText, false},
    {L"HomeAddressStreet", kText, false},
    {L"HomeFaxNumber", kText, false},
    {L"HomeTelephoneNumber", kText, false},
    {L"IMAddress", kText, false},
    {L"Initials", kText, false},
    {L"ISDNNumber", kText, false},
    {L"JobTitle", kText, false},
    {L"Language", kText, false},
    {L"LastName", kText, false},
    {L"MailingAddressCity", kText, false},
    {L"MailingAddressCountry", kText, false},
    {L"MailingAddressPostalCode", kText, false},
    {L"MailingAddressPostOfficeBox", kText, false},
    {L"MailingAddressState", kText, false},
    {L"MailingAddressStreet", kText, false},
    {L"ManagerName", kText, false},
    {L"MiddleName", kText, false},
    {L"MobileTelephoneNumber", kText, false},
    {L"NickName", kText, false},
    {L"OtherAddressCity", kText, false},
    {L"OtherAddressCountry", kText, false},
    {L"OtherAddressPostalCode", kText, false},
    {L"OtherAddressPostOfficeBox", kText, false},
    {L"OtherAddressState", kText, false},
    {L"OtherAddressStreet", kText, false},
    {L"OtherTelephoneNumber", kText, false},
    {L"PagerNumber", kText, false},
    {L"PersonalHomePage", kText, false},
    {L"PrimaryTelephoneNumber", kText, false},
    {L"Profession", kText, false},
    {L"RadioTelephoneNumber", kText, false},
    {L"Spouse", kText, false},
    {L"WebPage", kText, false},
    {L"Body", kText, false},
    {L"CreationTime", kDate, true},
    {L"LastModificationTime", kDate, true},
    {L"Categories", kText, false},
};
constexpr size_t kPropCount = sizeof(kProps) / sizeof(kProps[0]);

// Member names are ASCII; folding only A-Z keeps lookups cheap.
int NameCompare(const wchar_t* a, const wchar_t* b) {
    for (;; ++a, ++b) {
        wchar_t x = *a >= L'A' && *a <= L'Z' ? static_cast<wchar_t>(*a + 32) : *a;
        wchar_t y = *b >= L'A' && *b <= L'Z' ? static_cast<wchar_t>(*b + 32) : *b;
        if (x != y) return x < y ? -1 : 1;
        if (!x) return 0;
    }
}

int FindProp(const wchar_t* name) {
    for (size_t i = 0; i < kPropCount; ++i)
        if (NameCompare(kProps[i].name, name) == 0) return static_cast<int>(i);
    return -1;
}

// One contact. Text is kept as UTF-16; numbers as the value's bits.
struct Contact {
    std::wstring text[kPropCount];
    double number[kPropCount] = {};
};

double NowAsDate() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    st.wMilliseconds = 0;
    double d = 0;
    SystemTimeToVariantTime(&st, &d);
    return d;
}

// ------------------------------------------------------------ the data file

std::wstring Utf8ToWide(const std::string& s) {
    if (s.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &out[0], n);
    return out;
}

std::string WideToUtf8(const std::wstring& s) {
    if (s.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0,
                                nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &out[0], n, nullptr,
                        nullptr);
    return out;
}

// Values sit on one line: backslash, CR and LF are escaped.
std::string Escape(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        if (c == '\\') out += "\\\\";
        else if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

std::string Unescape(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            char c = s[++i];
            out += c == 'n' ? '\n' : c == 'r' ? '\r' : c;
        } else {
            out += s[i];
        }
    }
    return out;
}

// The Contacts folder of one application object.
struct Store {
    std::wstring path;  // empty: kept in memory only
    std::wstring folderName = L"Contacts";
    std::vector<std::shared_ptr<Contact>> items;
    bool dirty = false;

    ~Store() {
        if (dirty) Save();
    }

    void Load() {
        items.clear();
        if (path.empty()) return;
        FILE* f = _wfopen(path.c_str(), L"rb");
        if (!f) return;  // no file yet: an empty folder
        std::string data;
        char chunk[65536];
        size_t n;
        while ((n = fread(chunk, 1, sizeof(chunk), f)) > 0) data.append(chunk, n);
        fclose(f);
        if (data.size() >= 3 && data.compare(0, 3, "\xEF\xBB\xBF") == 0) data.erase(0, 3);
        std::shared_ptr<Contact> cur;
        size_t pos = 0;
        while (pos < data.size()) {
            size_t end = data.find('\n', pos);
            if (end == std::string::npos) end = data.size();
            std::string line = data.substr(pos, end - pos);
            pos = end + 1;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty() || line[0] == '#') continue;
            if (line == "[Contact]") {
                cur = std::make_shared<Contact>();
                items.push_back(cur);
                continue;
            }
            size_t eq = line.find('=');
            if (!cur || eq == std::string::npos) continue;  // not ours: skipped
            int p = FindProp(Utf8ToWide(line.substr(0, eq)).c_str());
            if (p < 0) continue;
            std::string value = Unescape(line.substr(eq + 1));
            if (kProps[p].type == kText) cur->text[p] = Utf8ToWide(value);
            else cur->number[p] = strtod(value.c_str(), nullptr);
        }
    }

    void Save() {
        dirty = false;
        if (path.empty()) return;
        std::string out = "# Vantoro stand-in Outlook contacts (UTF-8)\r\n";
        char num[64];
        for (const auto& c : items) {
            out += "[Contact]\r\n";
            for (size_t p = 0; p < kPropCount; ++p) {
                std::string value;
                if (kProps[p].type == kText) {
                    if (c->text[p].empty()) continue;
                    value = Escape(WideToUtf8(c->text[p]));
                } else {
                    if (c->number[p] == 0) continue;
                    if (kProps[p].type == kLong)
                        snprintf(num, sizeof num, "%ld", static_cast<long>(c->number[p]));
                    else
                        snprintf(num, sizeof num, "%.17g", c->number[p]);
                    value = num;
                }
                out += WideToUtf8(kProps[p].name) + "=" + value + "\r\n";
            }
        }
        std::wstring tmp = path + L".tmp";
        FILE* f = _wfopen(tmp.c_str(), L"wb");
        if (!f) return;
        bool ok = fwrite(out.data(), 1, out.size(), f) == out.size();
        ok = fclose(f) == 0 && ok;
        if (ok) MoveFileExW(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
        else DeleteFileW(tmp.c_str());
    }
};

// ------------------------------------------------------- dispatch objects

// Test controls, read when an application object is made ("" for none):
// a name answered only under the English locale, a name never answered and
// a name whose invocation fails.
std::wstring g_EnglishOnlyName;
std::wstring g_UnknownName;
std::wstring g_FailName;
constexpr DISPID kFailingId = 0x7FFF0001;

struct Member {
    const wchar_t* name;
    DISPID id;
};

HRESULT ArgAsLong(DISPPARAMS* dp, UINT index, LONG* out) {
    VARIANT v;
    VariantInit(&v);
    HRESULT hr = VariantChangeType(&v, &dp->rgvarg[dp->cArgs - 1 - index], 0, VT_I4);
    if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
    *out = v.lVal;
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

class DispBase : public IDispatch {
public:
    DispBase() { ++g_nObjects; }
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
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override {
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override {
        ++g_nIdsCalls;
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        if (!names || !ids || count == 0) return E_INVALIDARG;
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        // Named arguments are not part of this object model.
        if (count > 1) hr = DISP_E_UNKNOWNNAME;
        const wchar_t* name = names[0];
        if (!name) return DISP_E_UNKNOWNNAME;
        if (!g_EnglishOnlyName.empty() && lcid != 0x0409 &&
            NameCompare(name, g_EnglishOnlyName.c_str()) == 0)
            return DISP_E_UNKNOWNNAME;
        if (!g_UnknownName.empty() && NameCompare(name, g_UnknownName.c_str()) == 0)
            return DISP_E_UNKNOWNNAME;
        DISPID id = Lookup(name);
        if (id != DISPID_UNKNOWN && !g_FailName.empty() && NameCompare(name, g_FailName.c_str()) == 0)
            id = kFailingId;
        if (id == DISPID_UNKNOWN) return DISP_E_UNKNOWNNAME;
        ids[0] = id;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* dp,
                                     VARIANT* result, EXCEPINFO*, UINT*) override {
        ++g_nInvokeCalls;
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        if (!dp) dp = &none;
        if (dp->cArgs > 0 && !dp->rgvarg) return E_INVALIDARG;
        if (dp->cNamedArgs > 0 && !dp->rgdispidNamedArgs) return E_INVALIDARG;
        if (id == kFailingId) return E_FAIL;
        return Do(id, flags, dp, result);
    }

protected:
    virtual DISPID Lookup(const wchar_t* name) = 0;
    virtual HRESULT Do(DISPID id, WORD flags, DISPPARAMS* dp, VARIANT* result) = 0;

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

private:
    std::atomic<ULONG> m_nRef{1};
};

// ------------------------------------------------------------ contact item

class ContactItem : public DispBase {
public:
    // Properties are put into a working copy; "Save" makes it the stored
    // contact, so an item that is never saved changes nothing.
    ContactItem(std::shared_ptr<Store> store, std::shared_ptr<Contact> contact, bool saved)
        : m_pStore(std::move(store)), m_pContact(std::move(contact)), m_Work(*m_pContact),
          m_bSaved(saved) {}

protected:
    static constexpr DISPID kSave = 1000;

    DISPID Lookup(const wchar_t* name) override {
        if (NameCompare(name, L"Save") == 0) return kSave;
        int p = FindProp(name);
        return p < 0 ? DISPID_UNKNOWN : static_cast<DISPID>(p + 1);
    }

    HRESULT Do(DISPID id, WORD flags, DISPPARAMS* dp, VARIANT* result) override {
        if (id == kSave) {
            HRESULT hr = Check(flags, DISPATCH_METHOD, dp, 0);
            if (FAILED(hr)) return hr;
            double now = NowAsDate();
            if (!m_bSaved) m_Work.number[FindProp(L"CreationTime")] = now;
            m_Work.number[FindProp(L"LastModificationTime")] = now;
            *m_pContact = m_Work;
            if (!m_bSaved) {
                m_pStore->items.push_back(m_pContact);
                m_bSaved = true;
            }
            m_pStore->dirty = true;
            if (result) VariantInit(result);
            return S_OK;
        }
        if (id < 1 || static_cast<size_t>(id) > kPropCount) return DISP_E_MEMBERNOTFOUND;
        const size_t p = static_cast<size_t>(id - 1);
        const PropDef& def = kProps[p];
        if (flags & DISPATCH_PROPERTYPUT) {
            if (def.readOnly) return DISP_E_MEMBERNOTFOUND;
            if (dp->cArgs != 1) return DISP_E_BADPARAMCOUNT;
            if (dp->cNamedArgs != 1 || dp->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
                return DISP_E_PARAMNOTOPTIONAL;
            VARTYPE want = def.type == kText ? VT_BSTR : def.type == kLong ? VT_I4 : VT_DATE;
            VARIANT v;
            VariantInit(&v);
            if (FAILED(VariantChangeType(&v, &dp->rgvarg[0], 0, want))) return DISP_E_TYPEMISMATCH;
            if (def.type == kText) {
                m_Work.text[p].assign(v.bstrVal ? v.bstrVal : L"", SysStringLen(v.bstrVal));
                SetAddressCompanions(def.name, m_Work.text[p]);
            }
            else if (def.type == kLong)
                m_Work.number[p] = v.lVal;
            else
                m_Work.number[p] = v.date;
            VariantClear(&v);
            return S_OK;
        }
        HRESULT hr = Check(flags, DISPATCH_PROPERTYGET, dp, 0);
        if (FAILED(hr)) return hr;
        if (!result) return S_OK;
        VariantInit(result);
        if (def.type == kText) {
            // Empty text comes back as a null string, as automation allows.
            const std::wstring& t = m_Work.text[p];
            result->vt = VT_BSTR;
            result->bstrVal =
                t.empty() ? nullptr : SysAllocStringLen(t.data(), static_cast<UINT>(t.size()));
            if (!t.empty() && !result->bstrVal) {
                result->vt = VT_EMPTY;
                return E_OUTOFMEMORY;
            }
        } else if (def.type == kLong) {
            result->vt = VT_I4;
            result->lVal = static_cast<LONG>(m_Work.number[p]);
        } else {
            result->vt = VT_DATE;
            result->date = m_Work.number[p];
        }
        return S_OK;
    }

private:
    // As Outlook does, putting an e-mail address fills in its type and
    // display name anew.
    void SetAddressCompanions(const wchar_t* name, const std::wstring& address) {
        for (const wchar_t* n : {L"Email1Address", L"Email2Address", L"Email3Address"}) {
            if (NameCompare(name, n) != 0) continue;
            const std::wstring base(n, wcslen(n) - wcslen(L"Address"));
            m_Work.text[FindProp((base + L"AddressType").c_str())] = L"SMTP";
            m_Work.text[FindProp((base + L"DisplayName").c_str())] = address;
        }
    }

    std::shared_ptr<Store> m_pStore;
    std::shared_ptr<Contact> m_pContact;
    Contact m_Work;
    bool m_bSaved;
};

// ------------------------------------------------------- item collection

class Items : public DispBase {
public:
    explicit Items(std::shared_ptr<Store> store) : m_pStore(std::move(store)) {}

protected:
    enum : DISPID { kGetFirst = 1, kGetNext, kAdd, kItem, kCount };
    DISPID Lookup(const wchar_t* name) override {
        static const Member m[] = {{L"GetFirst", kGetFirst}, {L"GetNext", kGetNext},
                                   {L"Add", kAdd},           {L"Item", kItem},
                                   {L"Count", kCount}};
        return LookupIn(m, sizeof m / sizeof m[0], name);
    }

    HRESULT Do(DISPID id, WORD flags, DISPPARAMS* dp, VARIANT* result) override {
        HRESULT hr;
        switch (id) {
        case kGetFirst:
        case kGetNext: {
            if (FAILED(hr = Check(flags, DISPATCH_METHOD, dp, 0))) return hr;
            m_nCursor = id == kGetFirst ? 0 : m_nCursor + 1;
            if (m_nCursor >= m_pStore->items.size()) {
                // past the end: Nothing
                m_nCursor = m_pStore->items.size();
                if (result) {
                    VariantInit(result);
                    result->vt = VT_DISPATCH;
                    result->pdispVal = nullptr;
                }
                return S_OK;
            }
            return ReturnObject(result, new ContactItem(m_pStore, m_pStore->items[m_nCursor], true));
        }
        case kAdd: {
            if (FAILED(hr = Check(flags, DISPATCH_METHOD, dp, 1))) return hr;
            LONG kind = 0;
            if (FAILED(hr = ArgAsLong(dp, 0, &kind))) return hr;
            if (kind != 2) return E_INVALIDARG;  // contact items only
            return ReturnObject(result,
                                new ContactItem(m_pStore, std::make_shared<Contact>(), false));
        }
        case kItem: {
            if (FAILED(hr = Check(flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET, dp, 1))) return hr;
            LONG n = 0;
            if (FAILED(hr = ArgAsLong(dp, 0, &n))) return hr;
            if (n < 1 || static_cast<size_t>(n) > m_pStore->items.size()) return DISP_E_BADINDEX;
            return ReturnObject(result,
                                new ContactItem(m_pStore, m_pStore->items[n - 1], true));
        }
        case kCount:
            if (FAILED(hr = Check(flags, DISPATCH_PROPERTYGET, dp, 0))) return hr;
            if (result) {
                VariantInit(result);
                result->vt = VT_I4;
                result->lVal = static_cast<LONG>(m_pStore->items.size());
            }
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    std::shared_ptr<Store> m_pStore;
    size_t m_nCursor = 0;
};

// ------------------------------------------------------------ the folder

class Folder : public DispBase {
public:
    explicit Folder(std::shared_ptr<Store> store) : m_pStore(std::move(store)) {}

protected:
    enum : DISPID { kName = 1, kStoreID, kItems };
    DISPID Lookup(const wchar_t* name) override {
        static const Member m[] = {{L"Name", kName}, {L"StoreID", kStoreID}, {L"Items", kItems}};
        return LookupIn(m, sizeof m / sizeof m[0], name);
    }

    HRESULT Do(DISPID id, WORD flags, DISPPARAMS* dp, VARIANT* result) override {
        HRESULT hr = Check(flags, DISPATCH_PROPERTYGET, dp, 0);
        if (FAILED(hr)) return hr;
        if (id == kItems) return ReturnObject(result, new Items(m_pStore));
        if (id != kName && id != kStoreID) return DISP_E_MEMBERNOTFOUND;
        if (!result) return S_OK;
        VariantInit(result);
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocString(id == kName ? m_pStore->folderName.c_str()
                                                     : L"0000000038A1BB1005E5101AA1BB08002B2A56C2"
                                                       L"00007673746E6F75746C6F6F6B00");
        return result->bstrVal ? S_OK : E_OUTOFMEMORY;
    }

private:
    std::shared_ptr<Store> m_pStore;
};

// -------------------------------------------------------- the namespace

class NameSpace : public DispBase {
public:
    explicit NameSpace(std::shared_ptr<Store> store) : m_pStore(std::move(store)) {}

protected:
    DISPID Lookup(const wchar_t* name) override {
        static const Member m[] = {{L"GetDefaultFolder", 1}};
        return LookupIn(m, 1, name);
    }
    HRESULT Do(DISPID id, WORD flags, DISPPARAMS* dp, VARIANT* result) override {
        if (id != 1) return DISP_E_MEMBERNOTFOUND;
        HRESULT hr = Check(flags, DISPATCH_METHOD, dp, 1);
        if (FAILED(hr)) return hr;
        LONG which = 0;
        if (FAILED(hr = ArgAsLong(dp, 0, &which))) return hr;
        if (which != 10) return E_INVALIDARG;  // only the Contacts folder exists here
        return ReturnObject(result, new Folder(m_pStore));
    }

private:
    std::shared_ptr<Store> m_pStore;
};

// ------------------------------------------------------ the application

class Application : public DispBase {
public:
    Application() : m_pStore(std::make_shared<Store>()) {
        m_pStore->path = ReadSetting(VT_OLSTANDIN_DATAFILE);
        std::wstring folder = ReadSetting(VT_OLSTANDIN_FOLDERNAME);
        if (!folder.empty()) m_pStore->folderName = folder;
        g_EnglishOnlyName = ReadSetting(VT_OLSTANDIN_ENGLISHONLY);
        g_UnknownName = ReadSetting(VT_OLSTANDIN_UNKNOWNNAME);
        g_FailName = ReadSetting(VT_OLSTANDIN_FAILNAME);
        m_pStore->Load();
    }

protected:
    DISPID Lookup(const wchar_t* name) override {
        static const Member m[] = {{L"GetNameSpace", 1}};
        return LookupIn(m, 1, name);
    }
    HRESULT Do(DISPID id, WORD flags, DISPPARAMS* dp, VARIANT* result) override {
        if (id != 1) return DISP_E_MEMBERNOTFOUND;
        HRESULT hr = Check(flags, DISPATCH_METHOD, dp, 1);
        if (FAILED(hr)) return hr;
        VARIANT v;
        VariantInit(&v);
        if (FAILED(VariantChangeType(&v, &dp->rgvarg[0], 0, VT_BSTR))) return DISP_E_TYPEMISMATCH;
        bool mapi = v.bstrVal && _wcsicmp(v.bstrVal, L"MAPI") == 0;
        VariantClear(&v);
        if (!mapi) return E_INVALIDARG;
        return ReturnObject(result, new NameSpace(m_pStore));
    }

private:
    std::shared_ptr<Store> m_pStore;
};

// ------------------------------------------------------- class factory

class Factory : public IClassFactory {
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

Factory g_Factory;

// ------------------------------------------------------- registration

bool SetKey(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

// Windows reads per-user classes from HKCU\Software\Classes; Wine reads
// only the machine-wide classes root. The server goes into both.
bool RegisterUnder(HKEY root, const std::wstring& prefix, const wchar_t* path) {
    const std::wstring clsidKey = prefix + L"CLSID\\" VT_OLSTANDIN_CLSID_TEXT;
    const std::wstring progKey = prefix + VT_OLSTANDIN_PROGID;
    return SetKey(root, clsidKey, nullptr, L"Vantoro stand-in Outlook") &&
           SetKey(root, clsidKey + L"\\InprocServer32", nullptr, path) &&
           SetKey(root, clsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
           SetKey(root, clsidKey + L"\\ProgID", nullptr, VT_OLSTANDIN_PROGID) &&
           SetKey(root, progKey, nullptr, L"Vantoro stand-in Outlook") &&
           SetKey(root, progKey + L"\\CLSID", nullptr, VT_OLSTANDIN_CLSID_TEXT);
}

void UnregisterUnder(HKEY root, const std::wstring& prefix) {
    RegDeleteTreeW(root, (prefix + L"CLSID\\" VT_OLSTANDIN_CLSID_TEXT).c_str());
    RegDeleteKeyW(root, (prefix + L"CLSID\\" VT_OLSTANDIN_CLSID_TEXT).c_str());
    RegDeleteTreeW(root, (prefix + VT_OLSTANDIN_PROGID).c_str());
    RegDeleteKeyW(root, (prefix + VT_OLSTANDIN_PROGID).c_str());
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_hModule = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(clsid, kClsid)) return CLASS_E_CLASSNOTAVAILABLE;
    return g_Factory.QueryInterface(riid, ppv);
}

HRESULT WINAPI DllCanUnloadNow() {
    return g_nObjects == 0 && g_nLocks == 0 ? S_OK : S_FALSE;
}

// Registers for the current user and, where allowed, for the machine.
HRESULT WINAPI DllRegisterServer() {
    wchar_t path[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(g_hModule, path, MAX_PATH * 4);
    if (n == 0 || n >= MAX_PATH * 4) return SELFREG_E_CLASS;
    bool user = RegisterUnder(HKEY_CURRENT_USER, L"Software\\Classes\\", path);
    bool machine = RegisterUnder(HKEY_CLASSES_ROOT, L"", path);
    return user || machine ? S_OK : SELFREG_E_CLASS;
}

HRESULT WINAPI DllUnregisterServer() {
    UnregisterUnder(HKEY_CURRENT_USER, L"Software\\Classes\\");
    UnregisterUnder(HKEY_CLASSES_ROOT, L"");
    return S_OK;
}

void WINAPI VtOlStandInGetCounts(LONGLONG* idsOfNames, LONGLONG* invokes) {
    if (idsOfNames) *idsOfNames = g_nIdsCalls;
    if (invokes) *invokes = g_nInvokeCalls;
}

void WINAPI VtOlStandInResetCounts() {
    g_nIdsCalls = 0;
    g_nInvokeCalls = 0;
}

}  // extern "C"
