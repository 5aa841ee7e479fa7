#include "common/palm/PalmDesktop.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/misc/CxText.h"
#include "common/misc/WinUtil.h"
#include "src/AppSettings.h"
#include "src/AppStartup.h"
#include "support/TestSupport.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

std::vector<std::string> g_errors;
const ErrorReporter kRecord = [](const char* text) { g_errors.push_back(text); };

#ifndef _WIN32

// The native build has no Palm Desktop: everything reports "not found".
TEST(PalmDesktopAbsent, NothingIsFoundAndNothingBreaks) {
    char folder[260] = "x";
    EXPECT_EQ(GetPalmDesktopFolder(folder, sizeof(folder)), PM_ERR_NOT_FOUND);
    EXPECT_EQ(GetPalmDesktopFolder(nullptr, 10), PM_ERR_NO_BUFFER);
    EXPECT_EQ(GetPalmDesktopFolder(folder, 0), PM_ERR_NO_BUFFER);
    EXPECT_EQ(GetPalmDesktopVersion(), PM_VERSION_UNKNOWN);
    EXPECT_FALSE(LoadPalmLibraries(PM_LIB_ALL));
    EXPECT_EQ(UmGetUserCount(), -100);
    uint32_t id = 5;
    EXPECT_EQ(UmGetUserID(0, &id), -100);
    EXPECT_FALSE(GetUserDataFolder(1, folder, sizeof(folder)));
    g_errors.clear();
    EXPECT_FALSE(BuildPalmUserList(kRecord));
    ASSERT_EQ(g_errors.size(), 1u);
    EXPECT_EQ(g_errors[0], "Can not find any Palm users in your desktop environment.");
    EXPECT_EQ(GetPalmUserList().GetCount(), 0u);
    StopPalmDesktop();
}

#else

// A stand-in installation in a temporary folder, named by the registry.
class StandInInstall : public ::testing::Test {
protected:
    vt_test::TempDir dir;
    std::string folder;  // with a trailing backslash

    static std::string BuildFolder() {
        char exe[260] = {};
        GetModuleFolder(nullptr, exe, sizeof(exe));
        return std::string(exe) + VT_STANDINS_REL "palmdesktop/";
    }

    void Install(const char* version, const std::string& users) {
        folder = dir.Path();
        const std::string from = BuildFolder();
        for (const char* f : {"condmgr.dll", "UserData.dll", "HSAPI.DLL", "instaide.dll"})
            ASSERT_TRUE(CopyFileA((from + f).c_str(), (folder + f).c_str(), FALSE)) << f;
        ASSERT_TRUE(CopyFileA((from + "v" + version + "\\palm.exe").c_str(),
                              (folder + "palm.exe").c_str(), FALSE));
        vt_test::WriteText(folder + "users.txt", users);
    }

    static void SetValue(HKEY root, const char* key, const char* name, const std::string& value) {
        HKEY h;
        ASSERT_EQ(RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
        RegCloseKey(h);
    }

    static void ClearKeys() {
        RegDeleteKeyA(HKEY_CURRENT_USER, kPalmCoreKeyUser);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kPalmCoreKeyMachine);
    }

    void SetUp() override { ClearKeys(); }
    void TearDown() override {
        StopPalmDesktop();
        ClearKeys();
        char exe[260] = {};
        GetModuleFolder(nullptr, exe, sizeof(exe));
        DeleteFileA((std::string(exe) + "brenvik.ini").c_str());
    }
};

TEST_F(StandInInstall, FolderFromDesktopPathOrHotSyncPath) {
    char out[260] = {};
    EXPECT_EQ(GetPalmDesktopFolder(out, sizeof(out)), PM_ERR_NOT_FOUND);
    EXPECT_EQ(GetPalmDesktopVersion(), PM_VERSION_UNKNOWN);

    SetValue(HKEY_LOCAL_MACHINE, kPalmCoreKeyMachine, "HotSyncPath", "C:\\Palm\\HotSync.exe");
    EXPECT_EQ(GetPalmDesktopFolder(out, sizeof(out)), 0);
    EXPECT_STREQ(out, "C:\\Palm\\");

    // The user's key wins when it exists, even without the value.
    SetValue(HKEY_CURRENT_USER, kPalmCoreKeyUser, "Other", "x");
    EXPECT_EQ(GetPalmDesktopFolder(out, sizeof(out)), PM_ERR_NOT_FOUND);
    SetValue(HKEY_CURRENT_USER, kPalmCoreKeyUser, "DesktopPath", "D:\\Palm Desktop");
    EXPECT_EQ(GetPalmDesktopFolder(out, sizeof(out)), 0);
    EXPECT_STREQ(out, "D:\\Palm Desktop");
    char small[8] = {};
    EXPECT_EQ(GetPalmDesktopFolder(small, sizeof(small)), PM_ERR_TOO_LONG);
}

TEST_F(StandInInstall, OverrideBesideTheProgramWins) {
    SetValue(HKEY_CURRENT_USER, kPalmCoreKeyUser, "DesktopPath", "D:\\Elsewhere");
    char exe[260] = {};
    GetModuleFolder(nullptr, exe, sizeof(exe));
    vt_test::WriteText(std::string(exe) + "brenvik.ini", "[Path]\r\nPDPath=C:\\Palm\r\n");
    char out[260] = {};
    EXPECT_EQ(GetPalmDesktopFolder(out, sizeof(out)), 0);
    EXPECT_STREQ(out, "C:\\Palm");
    // A value the buffer cannot hold whole is refused, not cut.
    char small[8] = {};
    EXPECT_EQ(GetPalmDesktopFolder(small, sizeof(small)), 0);  // 7 characters fit
    EXPECT_STREQ(small, "C:\\Palm");
    vt_test::WriteText(std::string(exe) + "brenvik.ini", "[Path]\r\nPDPath=C:\\Palm\\x\r\n");
    EXPECT_EQ(GetPalmDesktopFolder(small, sizeof(small)), PM_ERR_TOO_LONG);
    EXPECT_EQ(GetPalmDesktopFolder(out, sizeof(out)), 0);
    EXPECT_STREQ(out, "C:\\Palm\\x");
}

TEST_F(StandInInstall, VersionOfEachGeneration) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"410", 40100}, {"414", 40104}, {"620", 60200}};
    for (auto [tag, version] : cases) {
        Install(tag, "");
        SetValue(HKEY_CURRENT_USER, kPalmCoreKeyUser, "DesktopPath", folder);
        EXPECT_EQ(GetPalmDesktopVersion(), version) << tag;
    }
}

TEST_F(StandInInstall, UsersComeFromTheUserManager) {
    Install("414", "101\tAnn Smith\tSmithA\r\n202\tBob Jones\tJonesB\r\n");
    SetValue(HKEY_CURRENT_USER, kPalmCoreKeyUser, "DesktopPath", folder);
    g_errors.clear();
    StartPalmDesktop(kRecord);
    EXPECT_TRUE(g_errors.empty());
    for (uint32_t bit : {PM_LIB_CONDMGR, PM_LIB_USERDATA, PM_LIB_HSAPI, PM_LIB_INSTAIDE})
        EXPECT_TRUE(IsPalmLibraryLoaded(bit));
    PalmUserList& list = GetPalmUserList();
    ASSERT_EQ(list.GetCount(), 2u);
    PalmUserInfo* u = list.GetFirst();
    EXPECT_EQ(u->nUserID, 101u);
    EXPECT_STREQ(u->szUserName, "Ann Smith");
    EXPECT_STREQ(u->szUserDir, "SmithA");
    EXPECT_STREQ(list.GetNext()->szUserName, "Bob Jones");

    char data[260] = {};
    ASSERT_TRUE(GetUserDataFolder(202, data, sizeof(data)));
    EXPECT_EQ(std::string(data), folder + "JonesB\\");
    // A cut folder would name another place: refused.
    char cut[10] = {};
    EXPECT_FALSE(GetUserDataFolder(202, cut, sizeof(cut)));

    // Loading again unloads first; unloading forgets the functions.
    EXPECT_TRUE(LoadPalmLibraries(PM_LIB_ALL));
    EXPECT_EQ(UmGetUserCount(), 2);
    StopPalmDesktop();
    EXPECT_EQ(GetPalmUserList().GetCount(), 0u);
    EXPECT_EQ(UmGetUserCount(), -100);
    EXPECT_FALSE(GetUserDataFolder(202, data, sizeof(data)));
}

TEST_F(StandInInstall, ZeroUsersGiveAnEmptyListWithoutMessage) {
    Install("620", "");
    SetValue(HKEY_CURRENT_USER, kPalmCoreKeyUser, "DesktopPath", folder);
    g_errors.clear();
    StartPalmDesktop(kRecord);
    EXPECT_TRUE(g_errors.empty());
    EXPECT_EQ(GetPalmUserList().GetCount(), 0u);
}

TEST_F(StandInInstall, MissingLibraryStopsTheLoadAtItsRow) {
    Install("414", "1\tA\tA\r\n");
    DeleteFileA((folder + "condmgr.dll").c_str());
    SetValue(HKEY_CURRENT_USER, kPalmCoreKeyUser, "DesktopPath", folder);
    EXPECT_FALSE(LoadPalmLibraries(PM_LIB_ALL));
    EXPECT_FALSE(IsPalmLibraryLoaded(PM_LIB_USERDATA));
    g_errors.clear();
    EXPECT_FALSE(BuildPalmUserList(kRecord));
    EXPECT_EQ(g_errors.size(), 1u);
    EXPECT_TRUE(LoadPalmLibraries(PM_LIB_USERDATA));  // alone it loads
    EXPECT_EQ(UmGetUserCount(), 1);
}

TEST_F(StandInInstall, NoFolderMeansNoLibrariesAndAMessage) {
    g_errors.clear();
    StartPalmDesktop(kRecord);
    ASSERT_EQ(g_errors.size(), 1u);
    EXPECT_EQ(g_errors[0], "Can not find any Palm users in your desktop environment.");
    char data[260] = {};
    EXPECT_FALSE(GetUserDataFolder(1, data, sizeof(data)));
}

#endif

}  // namespace
