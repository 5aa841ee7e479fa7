// The stand-in Outlook out of process, as Outlook itself runs: COM starts
// this program (with " -Embedding") when a client asks for the class. It
// ends once it has had no objects for a while, and also when no call has
// come for two minutes (a client that died leaves its objects behind).
#include <windows.h>
#include <ole2.h>

#include <cwchar>
#include <string>

#include "standins/outlook/OlStandIn.h"
#include "standins/outlook/OlStandInCore.h"
#include "standins/outlook/OlStandInModel.h"

namespace {

constexpr unsigned long long kAbandonedMs = 120000;

unsigned long long g_IdleSince = 0;

void CALLBACK Watchdog(HWND, UINT, UINT_PTR, DWORD) {
    static const unsigned long long idleMs = [] {
        unsigned long v = wcstoul(olsi::ReadSetting(VT_OLSTANDIN_IDLEMS).c_str(), nullptr, 10);
        return v ? v : 3000ul;
    }();
    const unsigned long long now = GetTickCount64();
    if (olsi::g_nObjects > 0 || olsi::g_nLocks > 0) {
        g_IdleSince = 0;
        if (now - olsi::g_nLastCallTick > kAbandonedMs) PostQuitMessage(2);
        return;
    }
    if (!g_IdleSince) g_IdleSince = now;
    if (now - g_IdleSince >= idleMs) PostQuitMessage(0);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR cmdLine, int) {
    std::wstring args = cmdLine ? cmdLine : L"";
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    if (args.find(L"RegServer") != std::wstring::npos) {
        wchar_t path[MAX_PATH * 4];
        DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
        HRESULT hr = n && n < MAX_PATH * 4 ? olsi::RegisterLocalServer(path) : E_FAIL;
        CoUninitialize();
        return SUCCEEDED(hr) ? 0 : 1;
    }
    DWORD cookie = 0;
    HRESULT hr = CoRegisterClassObject(olsi::kClsid, olsi::Factory(), CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie);
    if (FAILED(hr)) {
        CoUninitialize();
        return 1;
    }
    olsi::g_nLastCallTick = GetTickCount64();
    UINT_PTR timer = SetTimer(nullptr, 0, 250, Watchdog);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    KillTimer(nullptr, timer);
    // Revoked before the end, so that the next client starts a new server
    // instead of finding a dead one.
    CoRevokeClassObject(cookie);
    CoUninitialize();
    return static_cast<int>(msg.wParam);
}
