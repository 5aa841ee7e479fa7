#include "src/AppStartup.h"

#include <cstring>
#include <memory>

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

void StopPalmDesktop() {
    FreePalmUserList();
    UnloadPalmLibraries(PM_LIB_ALL);
}
