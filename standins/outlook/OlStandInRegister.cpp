// Registration of the stand-in Outlook in one of its two forms. Which form
// a prefix uses is the one registered last.
#include <olectl.h>

#include <string>

#include "standins/outlook/OlStandIn.h"
#include "standins/outlook/OlStandInCore.h"

namespace olsi {

namespace {

bool SetKey(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

void DeleteTree(HKEY root, const std::wstring& path) {
    RegDeleteTreeW(root, path.c_str());
    RegDeleteKeyW(root, path.c_str());
}

const std::wstring kClsidKey = L"CLSID\\" VT_OLSTANDIN_CLSID_TEXT;

// Windows reads per-user classes from HKCU\Software\Classes; Wine reads
// only the machine-wide classes root. The server goes into both.
bool RegisterUnder(HKEY root, const std::wstring& prefix, const wchar_t* serverKey, const std::wstring& path,
                   const wchar_t* otherKey) {
    const std::wstring clsidKey = prefix + kClsidKey;
    const std::wstring progKey = prefix + VT_OLSTANDIN_PROGID;
    DeleteTree(root, clsidKey + L"\\" + otherKey);
    bool ok = SetKey(root, clsidKey, nullptr, L"Vantoro stand-in Outlook") &&
              SetKey(root, clsidKey + L"\\" + serverKey, nullptr, path) &&
              SetKey(root, clsidKey + L"\\ProgID", nullptr, VT_OLSTANDIN_PROGID) &&
              SetKey(root, progKey, nullptr, L"Vantoro stand-in Outlook") &&
              SetKey(root, progKey + L"\\CLSID", nullptr, VT_OLSTANDIN_CLSID_TEXT);
    if (ok && wcscmp(serverKey, L"InprocServer32") == 0)
        ok = SetKey(root, clsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
    return ok;
}

HRESULT RegisterBoth(const wchar_t* serverKey, const std::wstring& path, const wchar_t* otherKey) {
    bool user = RegisterUnder(HKEY_CURRENT_USER, L"Software\\Classes\\", serverKey, path, otherKey);
    bool machine = RegisterUnder(HKEY_CLASSES_ROOT, L"", serverKey, path, otherKey);
    return user || machine ? S_OK : SELFREG_E_CLASS;
}

}  // namespace

HRESULT RegisterInProcess(const std::wstring& dllPath) {
    return RegisterBoth(L"InprocServer32", dllPath, L"LocalServer32");
}

HRESULT RegisterLocalServer(const std::wstring& exePath) {
    // COM appends " -Embedding" when it starts the server.
    return RegisterBoth(L"LocalServer32", L"\"" + exePath + L"\"", L"InprocServer32");
}

HRESULT Unregister() {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_CLASSES_ROOT}) {
        const std::wstring prefix = root == HKEY_CURRENT_USER ? L"Software\\Classes\\" : L"";
        DeleteTree(root, prefix + kClsidKey);
        DeleteTree(root, prefix + VT_OLSTANDIN_PROGID);
    }
    return S_OK;
}

}  // namespace olsi
