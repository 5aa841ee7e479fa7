// The stand-in Outlook in process: the DLL's entry points, registration of
// either form, and the call counters for tests and the timing program.
#include "standins/outlook/OlStandIn.h"

#include <olectl.h>

#include <string>

#include "standins/outlook/OlStandInCore.h"

namespace {

HMODULE g_hModule = nullptr;

std::wstring ModulePath() {
    wchar_t path[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(g_hModule, path, MAX_PATH * 4);
    if (n == 0 || n >= MAX_PATH * 4) return std::wstring();
    return std::wstring(path, n);
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
    if (!IsEqualCLSID(clsid, olsi::kClsid)) return CLASS_E_CLASSNOTAVAILABLE;
    return olsi::Factory()->QueryInterface(riid, ppv);
}

HRESULT WINAPI DllCanUnloadNow() { return olsi::g_nObjects == 0 && olsi::g_nLocks == 0 ? S_OK : S_FALSE; }

// Registers the in-process form for the current user and, where allowed,
// for the machine.
HRESULT WINAPI DllRegisterServer() {
    const std::wstring path = ModulePath();
    return path.empty() ? SELFREG_E_CLASS : olsi::RegisterInProcess(path);
}

// Registers the out-of-process form: the server program beside this DLL.
HRESULT WINAPI VtOlStandInRegisterLocal() {
    std::wstring path = ModulePath();
    const size_t slash = path.find_last_of(L"\\/");
    if (path.empty() || slash == std::wstring::npos) return SELFREG_E_CLASS;
    path = path.substr(0, slash + 1) + VT_OLSTANDIN_SERVER_EXE;
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return SELFREG_E_CLASS;
    return olsi::RegisterLocalServer(path);
}

HRESULT WINAPI DllUnregisterServer() { return olsi::Unregister(); }

void WINAPI VtOlStandInGetCounts(LONGLONG* idsOfNames, LONGLONG* invokes) {
    if (idsOfNames) *idsOfNames = olsi::g_nIdsCalls;
    if (invokes) *invokes = olsi::g_nInvokeCalls;
}

void WINAPI VtOlStandInResetCounts() {
    olsi::g_nIdsCalls = 0;
    olsi::g_nInvokeCalls = 0;
}

}  // extern "C"
