// Timing run of the Outlook reader and writer against the stand-in Outlook
// (not a test: run it by hand under wine64, see docs/standins.md). For 1,000
// and 10,000 contacts it reports the automation calls per contact read and
// written, contacts read per second, and the time the stand-in itself needs
// for the same number of raw GetIDsOfNames + Invoke pairs.
#include <windows.h>
#include <ole2.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/misc/CxPlatform.h"
#include "common/outlook/OlAddr.h"
#include "standins/outlook/OlStandIn.h"

namespace {

using Clock = std::chrono::steady_clock;

HMODULE g_hStandIn = nullptr;

template <typename Fn>
Fn Export(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(g_hStandIn, name)));
}

struct Counts {
    LONGLONG ids = 0;
    LONGLONG invokes = 0;
};

Counts Take() {
    Counts c;
    Export<VtOlStandInGetCountsFn>("VtOlStandInGetCounts")(&c.ids, &c.invokes);
    Export<VtOlStandInResetCountsFn>("VtOlStandInResetCounts")();
    return c;
}

void SetValue(const wchar_t* name, const std::wstring& value) {
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

std::string Narrow(const wchar_t* w) {
    std::string s;
    for (; *w; ++w) s += static_cast<char>(*w);
    return s;
}

// n contacts with every text property filled, as a busy address book has.
void WriteContacts(const std::wstring& path, int n) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return;
    for (int i = 0; i < n; ++i) {
        fputs("[Contact]\r\n", f);
        for (const OlPropInfo& p : g_OlPropInfo) {
            std::string name = Narrow(p.m_pszName);
            if (p.m_nType == OL_PROP_TEXT) {
                std::string v = name.substr(0, 3) + std::to_string(i);
                if (v.size() >= p.m_nSize) v.resize(p.m_nSize - 1);
                fprintf(f, "%s=%s\r\n", name.c_str(), v.c_str());
            } else if (p.m_nType == OL_PROP_LONG) {
                fprintf(f, "%s=1\r\n", name.c_str());
            } else {
                fprintf(f, "%s=%d.5\r\n", name.c_str(), 30000 + i % 9000);
            }
        }
    }
    fclose(f);
}

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// The stand-in's own cost: `pairs` raw lookups and property gets on one
// item, through IDispatch directly, cycling over the item's properties.
struct TimedUtil : OlAddrUtil {
    CDispCmd* NameSpace() { return m_pNameSpaceCmd; }
};

double RawCost(TimedUtil& util, LONGLONG pairs) {
    CDispCmd* ns = util.NameSpace();
    VARIANT arg, r;
    VariantInit(&arg);
    arg.vt = VT_I4;
    arg.lVal = 10;
    VariantInit(&r);
    if (!ns || FAILED(ns->Call(L"GetDefaultFolder", &arg, 1, &r)) || r.vt != VT_DISPATCH) return -1;
    CDispCmd folder(r.pdispVal);
    VariantClear(&r);
    IDispatch* items = nullptr;
    if (folder.GetObject(L"Items", &items) != 0 || !items) return -1;
    CDispCmd itemsCmd(items);
    items->Release();
    arg.lVal = 1;
    if (FAILED(itemsCmd.Call(L"Item", &arg, 1, &r)) || r.vt != VT_DISPATCH) return -1;
    IDispatch* item = r.pdispVal;

    auto t0 = Clock::now();
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    for (LONGLONG i = 0; i < pairs; ++i) {
        LPOLESTR name = const_cast<LPOLESTR>(g_OlPropInfo[i % OL_PROP_COUNT].m_pszName);
        DISPID id = 0;
        item->GetIDsOfNames(IID_NULL, &name, 1, 0x0800, &id);
        VARIANT v;
        VariantInit(&v);
        item->Invoke(id, IID_NULL, 0x0800, DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr);
        VariantClear(&v);
    }
    double s = Seconds(t0, Clock::now());
    item->Release();
    return s;
}

}  // namespace

int main() {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    std::string self;
    cxplat::GetModulePath(nullptr, self);
    std::string dll = self.substr(0, self.find_last_of("\\/") + 1) + "vt_outlook_standin.dll";
    g_hStandIn = LoadLibraryA(dll.c_str());
    if (!g_hStandIn || Export<VtOlStandInRegisterFn>("DllRegisterServer")() != S_OK) {
        printf("the stand-in Outlook could not be registered (%s)\n", dll.c_str());
        return 1;
    }
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    const std::wstring path = std::wstring(tmp) + L"vt_outlook_timing.txt";
    SetValue(VT_OLSTANDIN_DATAFILE, path);

    printf("%8s %12s %12s %12s %14s %12s %8s\n", "contacts", "ids/read", "invokes/read",
           "load s", "contacts/s", "raw s", "ratio");
    for (int n : {1000, 10000}) {
        WriteContacts(path, n);
        auto util = std::make_unique<TimedUtil>();
        Take();
        auto t0 = Clock::now();
        bool ok = util->Load();
        double load = Seconds(t0, Clock::now());
        Counts c = Take();
        if (!ok || util->GetStore()->GetCount() != static_cast<uint32_t>(n)) {
            printf("load of %d contacts failed\n", n);
            return 1;
        }
        // raw pairs: as many as the load made (its lookups; each is followed by one call)
        double raw = RawCost(*util, c.ids);
        printf("%8d %12.2f %12.2f %12.3f %14.0f %12.3f %8.2f\n", n,
               static_cast<double>(c.ids) / n, static_cast<double>(c.invokes) / n, load,
               n / load, raw, load / raw);
        util.reset();
    }

    // Writing: 1,000 new contacts, then one changed compared field on each.
    const int n = 1000;
    DeleteFileW(path.c_str());
    {
        OlAddrUtil util;
        util.Load();
        std::vector<CommAddr> recs(n);
        for (int i = 0; i < n; ++i) {
            CommAddr& r = recs[static_cast<size_t>(i)];
            for (int id = 1; id <= 90; ++id) {
                size_t size = 0;
                if (GetTextSlot(r, id, &size) && id != FID_NOTE)
                    SetFieldText(r, id, ("f" + std::to_string(id) + "-" + std::to_string(i)).c_str());
            }
            SetFieldText(r, FID_NOTE, "a note of a few words");
            r.m_dtBirthday = 30000 + i;
        }
        Take();
        auto t0 = Clock::now();
        for (CommAddr& r : recs) util.PutContact(&r);
        double addTime = Seconds(t0, Clock::now());
        Counts added = Take();
        for (CommAddr& r : recs) SetFieldText(r, FID_WORK_PHONE, "555-0000");
        t0 = Clock::now();
        for (CommAddr& r : recs) util.PutContact(&r);
        double updTime = Seconds(t0, Clock::now());
        Counts updated = Take();
        printf("\nwriting %d contacts      ids/contact  invokes/contact  seconds\n", n);
        printf("  added (PutContact)   %11.2f %16.2f %8.3f\n",
               static_cast<double>(added.ids) / n, static_cast<double>(added.invokes) / n, addTime);
        printf("  updated, 1 field     %11.2f %16.2f %8.3f\n",
               static_cast<double>(updated.ids) / n, static_cast<double>(updated.invokes) / n,
               updTime);
    }
    DeleteFileW(path.c_str());
    SetValue(VT_OLSTANDIN_DATAFILE, L"");
    CoUninitialize();
    return 0;
}
