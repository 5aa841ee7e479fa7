#include "src/AppStartup.h"

#include <cstring>
#include <memory>

#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxPlatform.h"
#include "common/misc/CxText.h"
#include "common/palm/PalmAddrInfo.h"
#include "common/palm/PalmDesktop.h"
#include "src/AppSettings.h"

bool BuildPalmUserList(const ErrorReporter& reportError) {
    FreePalmUserList();
    PalmUserList& list = GetPalmUserList();
    const int16_t count = UmGetUserCount();
    for (int16_t i = 0; i < count; ++i) {
        auto user = std::make_unique<PalmUserInfo>();
        memset(user.get(), 0, sizeof(PalmUserInfo));
        UmGetUserID(i, &user->nUserID);
        int16_t size = sizeof(user->szUserName);
        UmGetUserName(user->nUserID, user->szUserName, &size);
        user->szUserName[sizeof(user->szUserName) - 1] = 0;
        size = sizeof(user->szUserDir);
        UmGetUserDirectory(user->nUserID, user->szUserDir, &size);
        user->szUserDir[sizeof(user->szUserDir) - 1] = 0;
        list.Append(std::move(user));
    }
    if (count < 0) {
        if (reportError) reportError("Can not find any Palm users in your desktop environment.");
        return false;
    }
    return true;
}

void StartPalmDesktop(const ErrorReporter& reportError) {
    char folder[CX_MAX_PATH] = {};
    if (GetPalmDesktopFolder(folder, sizeof(folder)) == 0) cxplat::SetCurrentFolder(folder);
    LoadPalmLibraries(PM_LIB_ALL);
    // Every store finds a user's data folder through the user manager.
    PmAddrInfo::UseUserDataFolder();
    BuildPalmUserList(reportError);
}

void ReportRefusedSettings(const AppSettings& settings, const ErrorReporter& reportError) {
    if (!settings.bAddrFileNameRefused) return;
    CX_LOG(0, "The stored Palm Desktop contacts file name is longer than %u characters and was "
              "ignored; the contacts are loaded by user.",
           static_cast<unsigned>(sizeof(settings.szAddrFileName) - 1));
    if (!reportError) return;
    reportError(
        "The Palm Desktop contacts file named in the settings has a path longer than 259 "
        "characters, so it was not used. The contacts of the Palm Desktop user are loaded "
        "instead. To use a contacts file, move it to a shorter path and choose it in Options.");
}

void StopPalmDesktop() {
    FreePalmUserList();
    UnloadPalmLibraries(PM_LIB_ALL);
}
