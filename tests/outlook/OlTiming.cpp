// Timing run of the Outlook reader and writer against the stand-in Outlook
// (not a test: run it by hand under wine64, see docs/standins.md). It counts
// the automation calls per contact read and written (in process), then loads
// 200 and 1,000 contacts out of process, as Outlook runs, and extrapolates to
// 5,000; bare cross-process calls on one item show where the time goes.
#include <windows.h>
#include <ole2.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/misc/CxPlatform.h"
#include "common/backup/OlBackupFile.h"
#include "common/outlook/OlAddr.h"
#include "common/outlook/OlBackup.h"
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

struct Written {
    Counts added, updated, backedUp;
    double addSeconds = 0, updateSeconds = 0, backedUpSeconds = 0;
};

// n new contacts, then one changed compared field on each.
Written WriteRun(const std::wstring& path, int n) {
    Written w;
    DeleteFileW(path.c_str());
    OlAddrUtil util;
    util.Load();
    std::vector<CommAddr> recs(static_cast<size_t>(n));
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
    w.addSeconds = Seconds(t0, Clock::now());
    w.added = Take();
    for (CommAddr& r : recs) SetFieldText(r, FID_WORK_PHONE, "555-0000");
    t0 = Clock::now();
    for (CommAddr& r : recs) util.PutContact(&r);
    w.updateSeconds = Seconds(t0, Clock::now());
    w.updated = Take();
    // The same updates again, each backed up first as a run does: the
    // planned properties read whole and kept in a backup file.
    for (CommAddr& r : recs) SetFieldText(r, FID_WORK_PHONE, "555-0001");
    const std::wstring wideBackup = path + L".vtol";
    DeleteFileW(wideBackup.c_str());
    std::string backupPath;
    for (wchar_t c : wideBackup) backupPath += static_cast<char>(c);
    OlBackupIo io;
    OlBackupFile file;
    std::string error, entryId;
    std::vector<std::string> properties;
    OlBackupContact before;
    file.Create(backupPath, error);
    t0 = Clock::now();
    for (CommAddr& r : recs) {
        uint32_t index = 0;
        const int match = util.GetStore()->FindMatch(&r, nullptr, &index);
        if (util.PlanUpdate(&r, static_cast<int32_t>(index), entryId, properties) && !properties.empty() &&
            io.ReadProperties(entryId, properties, before, error))
            file.AddChanged(before, error);
        util.PutMatched(&r, match, index);
    }
    file.Close(error);
    w.backedUpSeconds = Seconds(t0, Clock::now());
    w.backedUp = Take();
    DeleteFileW(wideBackup.c_str());
    return w;
}

}  // namespace

// Arguments: the contact counts loaded out of process (default 200 1000).
int main(int argc, char** argv) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    std::string self;
    cxplat::GetModulePath(nullptr, self);
    std::string dll = self.substr(0, self.find_last_of("\\/") + 1) + "vt_outlook_standin.dll";
    g_hStandIn = LoadLibraryA(dll.c_str());
    if (!g_hStandIn || Export<VtOlStandInRegisterFn>("DllRegisterServer")() != S_OK) {
        printf("the stand-in Outlook could not be registered (%s)\n", dll.c_str());
        return 1;
    }
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(atoi(argv[i]));
    if (sizes.empty()) sizes = {200, 1000};
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    const std::wstring path = std::wstring(tmp) + L"vt_outlook_timing.txt";
    SetValue(VT_OLSTANDIN_DATAFILE, path);

    // Calls per contact, counted in process (the same calls cross the
    // process boundary when Outlook runs apart).
    const int counted = 200;
    WriteContacts(path, counted);
    double inLoad = 0;
    {
        TimedUtil util;
        Take();
        auto t0 = Clock::now();
        util.Load();
        inLoad = Seconds(t0, Clock::now());
        Counts c = Take();
        printf("calls per contact read:    %.2f GetIDsOfNames + %.2f Invoke (%d contacts, in process %.3f s)\n",
               static_cast<double>(c.ids) / counted, static_cast<double>(c.invokes) / counted, counted, inLoad);
    }
    Written w = WriteRun(path, counted);
    printf("calls per contact added:   %.2f + %.2f\n", static_cast<double>(w.added.ids) / counted,
           static_cast<double>(w.added.invokes) / counted);
    printf("calls per contact updated: %.2f + %.2f (one changed field)\n",
           static_cast<double>(w.updated.ids) / counted, static_cast<double>(w.updated.invokes) / counted);
    printf("  with its backup:         %.2f + %.2f\n", static_cast<double>(w.backedUp.ids) / counted,
           static_cast<double>(w.backedUp.invokes) / counted);
    // The backup's share of a run's updates at 5,000 contacts, in process.
    const int many = 5000;
    Written big = WriteRun(path, many);
    printf("in process, %d updates: %.2f s without backup, %.2f s with it (ratio %.2f)\n", many,
           big.updateSeconds, big.backedUpSeconds, big.updateSeconds > 0 ? big.backedUpSeconds / big.updateSeconds : 0.0);

    // Out of process, as Outlook runs.
    if (Export<VtOlStandInRegisterFn>("VtOlStandInRegisterLocal")() != S_OK) {
        printf("the out-of-process stand-in could not be registered\n");
        return 1;
    }
    printf("\nout of process      load s   ms/contact   ms/call   5,000 contacts (extrapolated)\n");
    double perCall = 0;
    for (int n : sizes) {
        WriteContacts(path, n);
        auto t0 = Clock::now();
        auto util = std::make_unique<TimedUtil>();
        const double start = Seconds(t0, Clock::now());
        t0 = Clock::now();
        bool ok = util->Load();
        double load = Seconds(t0, Clock::now());
        if (!ok || util->GetStore()->GetCount() != static_cast<uint32_t>(n)) {
            printf("load of %d contacts failed\n", n);
            return 1;
        }
        // every lookup and every call crosses: 2 x (properties + 3) per contact
        const double calls = 2.0 * n * (OL_PROP_COUNT + 3);
        perCall = load * 1000 / calls;
        printf("%6d contacts %11.2f %12.1f %9.2f %12.0f s (%.1f min); session start %.2f s\n", n, load,
               load * 1000 / n, perCall, load / n * 5000, load / n * 5000 / 60, start);
        if (n == sizes.back()) {
            // Where the time goes: the same number of bare cross-process
            // lookups and gets on one item, without the program around them.
            const LONGLONG pairs = 500;
            double raw = RawCost(*util, pairs);
            printf("bare cross-process lookup + get: %.2f ms per pair (%.0f%% of the load's time per pair)\n",
                   raw * 1000 / pairs, 100.0 * (raw / pairs) / (load / (n * (OL_PROP_COUNT + 3.0))));
        }
        util.reset();
    }
    const int written = 20;
    w = WriteRun(path, written);
    printf("out of process: %d contacts added in %.2f s (%.0f ms each), updated in %.2f s (%.0f ms each), "
           "updated with backup in %.2f s (%.0f ms each)\n", written, w.addSeconds, w.addSeconds * 1000 / written,
           w.updateSeconds, w.updateSeconds * 1000 / written, w.backedUpSeconds, w.backedUpSeconds * 1000 / written);

    Export<VtOlStandInRegisterFn>("DllRegisterServer")();
    DeleteFileW(path.c_str());
    SetValue(VT_OLSTANDIN_DATAFILE, L"");
    CoUninitialize();
    return 0;
}
