// vantoro.exe: start-up, the message loop and the last resort for errors.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <exception>
#include <string>

#include "common/misc/CxDebugUtil.h"
#include "common/palm/PalmAddrInfo.h"
#include "src/AppSettings.h"
#include "src/MainWindow.h"
#include "src/SyncHistory.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    HRESULT hrCom = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    // The process-wide objects.
    CxDebugUtil::Instance();
    CxIniUtil ini("", kSettingsFileName);
    SyncHistoryMgr history;
    PmAddrInfo::UseUserDataFolder();

    int result = 0;
    TfmMain main(ini, history);
    const char* reason = nullptr;
    std::string text;
    try {
        if (main.Create(instance)) {
            main.Startup();
            ShowWindow(main.GetHandle(), show);
            UpdateWindow(main.GetHandle());
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
                if (main.PreTranslate(&msg)) continue;
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            result = static_cast<int>(msg.wParam);
        } else {
            result = 1;
        }
    } catch (const std::exception& e) {
        text = e.what();
        reason = text.c_str();
    } catch (...) {
        reason = "unknown error";
    }
    if (reason) {
        CX_LOG(0, "Unhandled error: %s", reason);
        if (main.GetHandle()) main.ShowProblemReport();
        MessageBoxA(nullptr, reason, "Error", MB_OK | MB_ICONERROR);
        result = 1;
    }
    main.Close();
    if (SUCCEEDED(hrCom)) CoUninitialize();
    return result;
}
