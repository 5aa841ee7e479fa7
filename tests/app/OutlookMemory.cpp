// Memory the Outlook side holds per contact (not a test: run it by hand
// under wine64). Loads 50,000 contacts from the in-process stand-in Outlook
// and reports the bytes the program keeps per contact, counted at operator
// new; the stand-in's own memory (Outlook's, in real use) is not counted.
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <memory>
#include <string>

#include "AllocCount.h"
#include "common/misc/CxPlatform.h"
#include "common/outlook/OlAddr.h"
#include "standins/outlook/OlStandIn.h"

namespace {

constexpr int kContacts = 50000;

bool PointStandInAt(const std::wstring& dataFile) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, VT_OLSTANDIN_KEY, 0, nullptr, 0, KEY_WRITE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG rc = RegSetValueExW(key, VT_OLSTANDIN_DATAFILE, 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(dataFile.c_str()),
                                   static_cast<DWORD>((dataFile.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

// The same typical contact as the Palm measurement: a name, a company, two
// phones, an e-mail, an address and a note.
bool WriteContacts(const std::wstring& path) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    for (int i = 0; i < kContacts; ++i)
        fprintf(f,
                "[Contact]\r\nLastName=Lastname %d\r\nFirstName=First %d\r\n"
                "CompanyName=Company Incorporated %d\r\nBusinessTelephoneNumber=+1 555 0100 %d\r\n"
                "Email1Address=person%d@example.com\r\nBusinessAddressStreet=Main Street %d\r\n"
                "BusinessAddressCity=Springfield %d\r\n"
                "Body=A note of moderate length about this contact %d\r\n",
                i, i, i, i, i, i, i, i);
    return fclose(f) == 0;
}

}  // namespace

int main() {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    std::string self;
    cxplat::GetModulePath(nullptr, self);
    const std::string dll = self.substr(0, self.find_last_of("\\/") + 1) + "vt_outlook_standin.dll";
    HMODULE standIn = LoadLibraryA(dll.c_str());
    auto reg = standIn ? reinterpret_cast<VtOlStandInRegisterFn>(
                             reinterpret_cast<void*>(GetProcAddress(standIn, "DllRegisterServer")))
                       : nullptr;
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    const std::wstring data = std::wstring(tmp) + L"vt_outlook_memory.txt";
    if (!reg || reg() != S_OK || !PointStandInAt(data) || !WriteContacts(data)) {
        printf("the stand-in Outlook could not be set up (%s)\n", dll.c_str());
        return 1;
    }
    const int64_t before = LiveNewBytes();
    auto util = std::make_unique<OlAddrUtil>();
    const bool ok = util->Load();
    const int64_t held = LiveNewBytes() - before;
    const uint32_t n = util->GetStore() ? util->GetStore()->GetCount() : 0;
    if (!ok || n != static_cast<uint32_t>(kContacts)) {
        printf("load failed: %u contacts\n", n);
        return 1;
    }
    printf("outlook  %8u contacts  %8.0f bytes/contact held  (%zu of a common record)\n", n,
           static_cast<double>(held) / n, sizeof(CommAddr));
    util.reset();
    DeleteFileW(data.c_str());
    CoUninitialize();
    return 0;
}
