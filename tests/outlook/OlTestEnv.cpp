#include "OlTestEnv.h"

#include <gtest/gtest.h>
#include <ole2.h>

#include <cstdio>

#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxPlatform.h"
#include "common/misc/DispCmd.h"
#include "standins/outlook/OlStandIn.h"
#include "tests/support/TestSupport.h"
#include "standins/outlook/OlStandInText.h"

namespace ol_test {

namespace {

HMODULE StandInModule() {
    static HMODULE h = nullptr;
    if (!h) {
        std::string path;
        cxplat::GetModulePath(nullptr, path);
        path = path.substr(0, path.find_last_of("\\/") + 1) + kStandInDll;
        h = LoadLibraryA(path.c_str());
    }
    return h;
}

template <typename Fn>
Fn Export(const char* name) {
    HMODULE h = StandInModule();
    return h ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(h, name))) : nullptr;
}

// COM for the whole program, as the application does at start-up.
class ComEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_EQ(GetACP(), 1252u) << "the tests expect the Windows code page 1252";
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_TRUE(RegisterStandIn()) << "the stand-in Outlook could not be registered";
    }
    void TearDown() override {
        SetStandInValue(VT_OLSTANDIN_DATAFILE, L"");
        SetStandInValue(VT_OLSTANDIN_ENGLISHONLY, L"");
        CoUninitialize();
    }
};

const auto* const g_Env = ::testing::AddGlobalTestEnvironment(new ComEnvironment);

using olstandin::EscapeLine;
using olstandin::UnescapeLine;


}  // namespace

bool RegisterStandIn() {
    auto fn = Export<VtOlStandInRegisterFn>("DllRegisterServer");
    return fn && fn() == S_OK;
}

bool RegisterStandInServer() {
    auto fn = Export<VtOlStandInRegisterFn>("VtOlStandInRegisterLocal");
    return fn && fn() == S_OK;
}

bool DeleteItem(const std::string& entryId) {
    CLSID clsid;
    IUnknown* app = nullptr;
    if (FAILED(CLSIDFromProgID(L"Outlook.Application", &clsid)) ||
        FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&app))))
        return false;
    IDispatch* appDisp = nullptr;
    HRESULT hr = app->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&appDisp));
    app->Release();
    if (FAILED(hr)) return false;
    CDispCmd appCmd(appDisp);
    appDisp->Release();
    auto call = [](CDispCmd& on, LPCOLESTR name, const std::wstring& text, VARIANT* result) {
        VARIANT arg;
        VariantInit(&arg);
        arg.vt = VT_BSTR;
        arg.bstrVal = SysAllocString(text.c_str());
        HRESULT r = on.Call(name, &arg, 1, result);
        VariantClear(&arg);
        return r;
    };
    VARIANT ns;
    VariantInit(&ns);
    if (FAILED(call(appCmd, L"GetNameSpace", L"MAPI", &ns)) || ns.vt != VT_DISPATCH) return false;
    CDispCmd nsCmd(ns.pdispVal);
    VariantClear(&ns);
    VARIANT item;
    VariantInit(&item);
    if (FAILED(call(nsCmd, L"GetItemFromID", Widen(entryId), &item)) || item.vt != VT_DISPATCH) return false;
    CDispCmd itemCmd(item.pdispVal);
    VariantClear(&item);
    return SUCCEEDED(itemCmd.Call(L"Delete", nullptr, 0, nullptr));
}

bool UnregisterStandIn() {
    auto fn = Export<VtOlStandInRegisterFn>("DllUnregisterServer");
    return fn && fn() == S_OK;
}

void SetStandInValue(const wchar_t* name, const std::wstring& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, VT_OLSTANDIN_KEY, 0, nullptr, 0, KEY_WRITE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    if (value.empty())
        RegDeleteValueW(key, name);
    else
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

Counts GetCounts() {
    Counts c;
    auto fn = Export<VtOlStandInGetCountsFn>("VtOlStandInGetCounts");
    if (fn) fn(&c.ids, &c.invokes);
    return c;
}

void ResetCounts() {
    auto fn = Export<VtOlStandInResetCountsFn>("VtOlStandInResetCounts");
    if (fn) fn();
}

std::wstring Widen(const std::string& s) {
    std::wstring out;
    int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, nullptr, 0);
    if (n > 1) {
        out.resize(static_cast<size_t>(n));
        MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, &out[0], n);
        out.resize(static_cast<size_t>(n - 1));
    }
    return out;
}

void WriteContacts(const std::string& path, const std::vector<Props>& contacts) {
    std::string out = "# seeded by a test\r\n";
    for (const Props& c : contacts) {
        out += "[Contact]\r\n";
        for (const auto& kv : c) out += kv.first + "=" + EscapeLine(kv.second) + "\r\n";
    }
    vt_test::WriteText(path, out);
}

Folders ReadFolders(const std::string& path) {
    Folders out;
    std::vector<Props>* folder = nullptr;
    for (const std::string& line : vt_test::SplitCrLf(vt_test::ReadText(path))) {
        if (line.empty() || line[0] == '#') continue;
        if (line == "[Contact]" || line == "[Deleted]") {
            folder = line == "[Contact]" ? &out.contacts : &out.deleted;
            folder->emplace_back();
            continue;
        }
        size_t eq = line.find('=');
        if (eq != std::string::npos && folder)
            folder->back()[line.substr(0, eq)] = UnescapeLine(line.substr(eq + 1));
    }
    return out;
}

std::vector<Props> ReadContacts(const std::string& path) {
    std::vector<Props> out = ReadFolders(path).contacts;
    for (Props& p : out) p.erase("EntryID");  // the stand-in's own bookkeeping
    return out;
}

StandInData::StandInData(const std::vector<Props>& contacts) : m_path(m_dir.File("contacts.txt")) {
    if (!contacts.empty()) WriteContacts(m_path, contacts);
    SetStandInValue(VT_OLSTANDIN_DATAFILE, Widen(m_path));
}

StandInData::~StandInData() { SetStandInValue(VT_OLSTANDIN_DATAFILE, L""); }


}  // namespace ol_test
