#include "src/AppSettings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxPlatform.h"
#include "src/AppStartup.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

using vt_test::ReadText;
using vt_test::TempDir;
using vt_test::WriteText;

namespace {

struct SettingsFixture : ::testing::Test {
    TempDir dir;
    CxIniUtil ini{"", "unused.ini"};
    std::string path;
    void SetUp() override {
        path = dir.File("brenvik.ini");
        ini.SetPath(path.c_str());
    }
    void TearDown() override { cxplat::OverrideCommonAppDataFolder(nullptr, true); }
};

TEST_F(SettingsFixture, FreshMachineGivesDefaults) {
    AppSettings s;
    memset(&s, 0x5A, sizeof(s));
    LoadSettings(ini, s);
    EXPECT_TRUE(s.bShowWizard);
    EXPECT_TRUE(s.bShowHistory);
    EXPECT_EQ(s.nSyncMode, 1);
    EXPECT_TRUE(s.bShowColor);
    EXPECT_EQ(s.nDiffColor, 0xFF0000);
    EXPECT_EQ(s.nSameColor, 0);
    EXPECT_EQ(s.nNewColor, 0x008000);
    EXPECT_EQ(s.nConfAction, 3);
    EXPECT_FALSE(s.bActionAlways);
    EXPECT_FALSE(s.bAddrSwapName);
    EXPECT_FALSE(s.bAddrEmailOnly);
    EXPECT_FALSE(s.bEnableDebug);
    EXPECT_EQ(s.nLogLevel, 3);
    EXPECT_EQ(s.nPDUserID, 0);
    EXPECT_FALSE(s.bUseAddrFile);
    EXPECT_STREQ(s.szAddrFileName, "");
    EXPECT_FALSE(s.bAddrCustom);
    for (int32_t v : s.nAddrCustom) EXPECT_EQ(v, 0);
    EXPECT_TRUE(s.bWriteNotes);
    EXPECT_EQ(s.nAddrType, 1);
    EXPECT_EQ(s.nBackupRuns, 10);
}

TEST_F(SettingsFixture, SaveWritesEveryKeyInOrderButNotSyncMode) {
    AppSettings s;
    LoadSettings(ini, s);
    s.nSyncMode = 2;
    SaveSettings(ini, s);
    const std::string expected =
        "[Vantoro_OL_PD]\r\nShowWizard=1\r\nShowHistory=1\r\nShowColor=1\r\n"
        "DiffColor=16711680\r\nSameColor=0\r\nNewColor=32768\r\nConfAction=3\r\n"
        "ActionAlways=0\r\nAddrSwapName=0\r\nAddrEmailOnly=0\r\nEnableDebug=0\r\nLogLevel=3\r\n"
        "PDUserID=0\r\nUseAddrFile=0\r\nAddrFileName=\r\nAddrCustom=0\r\nAddrCustom_1=0\r\n"
        "AddrCustom_2=0\r\nAddrCustom_3=0\r\nAddrCustom_4=0\r\nAddrCustom_5=0\r\n"
        "AddrCustom_6=0\r\nAddrCustom_7=0\r\nAddrCustom_8=0\r\nAddrCustom_9=0\r\n"
        "AddrCustom_10=0\r\nWriteNotes=1\r\nAddrType=1\r\nBackupRuns=10\r\n";
    EXPECT_EQ(ReadText(path), expected);
}

TEST_F(SettingsFixture, SyncModeIsReadButNeverWritten) {
    WriteText(path, "[Vantoro_OL_PD]\r\nSyncMode=2\r\n");
    AppSettings s;
    LoadSettings(ini, s);
    EXPECT_EQ(s.nSyncMode, 2);
    s.nSyncMode = 3;  // the user picked another mode
    SaveSettings(ini, s);
    LoadSettings(ini, s);
    EXPECT_EQ(s.nSyncMode, 2);
}

TEST_F(SettingsFixture, ValuesRoundTrip) {
    AppSettings s;
    LoadSettings(ini, s);
    s.bShowWizard = false;
    s.nDiffColor = 0x123456;
    s.nConfAction = 0;
    s.bActionAlways = true;
    s.nPDUserID = 424242;
    s.bUseAddrFile = true;
    strcpy(s.szAddrFileName, "C:\\Palm\\user\\address\\address.dat");
    for (int i = 0; i < kCustomKeyCount; ++i) s.nAddrCustom[i] = i * 7;
    s.nAddrType = 5;
    s.nBackupRuns = 0;  // keep all
    SaveSettings(ini, s);
    AppSettings r;
    LoadSettings(ini, r);
    s.nSyncMode = r.nSyncMode;
    EXPECT_EQ(memcmp(&s, &r, sizeof(s)), 0);
    int32_t map[kFieldMapCount];
    GetFieldMapping(r, map);
    EXPECT_EQ(map[0], 5);
    for (int i = 1; i < kFieldMapCount; ++i) EXPECT_EQ(map[i], (i - 1) * 7);
}

TEST_F(SettingsFixture, OddValuesTable) {
    WriteText(path,
              "[Vantoro_OL_PD]\r\nShowColor=yes\r\nLogLevel=7\r\nDiffColor=\r\nNewColor=12abc\r\n"
              "ShowWizard=  0\r\nConfAction=-1\r\nBackupRuns=-3\r\nAddrFileName=" + std::string(400, 'f') + "\r\n");
    AppSettings s;
    LoadSettings(ini, s);
    EXPECT_FALSE(s.bShowColor);      // a word reads as 0
    EXPECT_EQ(s.nLogLevel, 7);       // held as read; the log writer clamps
    EXPECT_EQ(s.nDiffColor, 0xFF0000);  // empty value gives the default
    EXPECT_EQ(s.nNewColor, 12);
    EXPECT_FALSE(s.bShowWizard);
    EXPECT_EQ(s.nConfAction, -1);
    EXPECT_EQ(s.nBackupRuns, 10);    // a negative count is no choice: the default
    EXPECT_STREQ(s.szAddrFileName, "");  // too long: refused, never cut
    EXPECT_TRUE(s.bAddrFileNameRefused);
}

// A stored contacts file name that does not fit is refused whole: a cut
// path would name another file. The user is told at start-up and the
// stored keys survive the save at exit.
TEST_F(SettingsFixture, StoredFileNameTooLongIsRefusedNotCut) {
    struct Case { size_t length; bool refused; };
    const Case cases[] = {{0, false}, {255, false}, {259, false}, {260, true}, {1000, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        const std::string name = c.length ? "C:\\" + std::string(c.length - 3, 'p') : "";
        const std::string stored = "[Vantoro_OL_PD]\r\nUseAddrFile=1\r\nAddrFileName=" + name + "\r\n";
        WriteText(path, stored);
        AppSettings s;
        LoadSettings(ini, s);
        EXPECT_EQ(s.bAddrFileNameRefused, c.refused);
        EXPECT_EQ(s.bUseAddrFile, !c.refused);  // refused: the contacts load by user
        EXPECT_EQ(std::string(s.szAddrFileName), c.refused ? "" : name);

        std::vector<std::string> shown;
        vt_test::LogCapture log;
        ReportRefusedSettings(s, [&](const char* text) { shown.push_back(text); });
        ASSERT_EQ(shown.size(), c.refused ? 1u : 0u);
        if (c.refused) {
            EXPECT_THAT(shown[0], ::testing::HasSubstr("longer than 259 characters"));
            EXPECT_EQ(log.Count("contacts file name is longer than 259 characters and was ignored"), 1);
        }

        SaveSettings(ini, s);
        char back[1100] = {};
        ini.ReadString("Vantoro_OL_PD", "AddrFileName", back, sizeof(back), "");
        EXPECT_EQ(std::string(back), name);
        EXPECT_TRUE(ini.ReadBool("Vantoro_OL_PD", "UseAddrFile", false));
    }
}

TEST_F(SettingsFixture, ChoosingAnotherFileReplacesARefusedName) {
    WriteText(path, "[Vantoro_OL_PD]\r\nUseAddrFile=1\r\nAddrFileName=" + std::string(300, 'q') + "\r\n");
    AppSettings s;
    LoadSettings(ini, s);
    ASSERT_TRUE(s.bAddrFileNameRefused);
    s.bUseAddrFile = true;
    strcpy(s.szAddrFileName, "D:\\short\\address.dat");
    SaveSettings(ini, s);
    AppSettings again;
    LoadSettings(ini, again);
    EXPECT_FALSE(again.bAddrFileNameRefused);
    EXPECT_TRUE(again.bUseAddrFile);
    EXPECT_STREQ(again.szAddrFileName, "D:\\short\\address.dat");
}

TEST_F(SettingsFixture, LogWriterTakesLevelClampedAndFolder) {
    AppSettings s;
    LoadSettings(ini, s);
    s.bEnableDebug = true;
    s.nLogLevel = 7;
    CxDebugUtil& log = CxDebugUtil::Instance();
    ApplyLogSettings(s, dir.Path().c_str());
    EXPECT_TRUE(log.IsEnabled());
    EXPECT_EQ(log.GetLevel(), 3);
    EXPECT_EQ(std::string(log.GetFolder()), dir.Path());
    ApplyLogSettings(s, "");  // no data folder: folder unchanged
    EXPECT_EQ(std::string(log.GetFolder()), dir.Path());
    log.SetEnabled(false);
    log.SetLevel(0);
    log.SetFolder("./");
}

TEST_F(SettingsFixture, DataFolderIsMadeAndSettingsMoveThere) {
    cxplat::OverrideCommonAppDataFolder(dir.Path().c_str(), true);
    char folder[260] = {};
    ASSERT_TRUE(GetAppDataFolder(folder, sizeof(folder)));
    const std::string sep(1, cxplat::kPathSep);
    EXPECT_EQ(std::string(folder), dir.Path() + "brenvik" + sep + "Vantoro_OL_PD" + sep);
    EXPECT_TRUE(cxplat::FolderExists(folder));
    // Made once, found the second time.
    ASSERT_TRUE(GetAppDataFolder(folder, sizeof(folder)));

    CxIniUtil programIni("", kSettingsFileName);
    AppSettings s;
    char data[260] = {};
    ASSERT_TRUE(OpenSettings(programIni, s, data, sizeof(data)));
    EXPECT_EQ(std::string(programIni.GetPath()), std::string(folder) + "brenvik.ini");
    SaveSettings(programIni, s);
    EXPECT_TRUE(vt_test::Exists(std::string(folder) + "brenvik.ini"));
}

TEST_F(SettingsFixture, NoDataFolderKeepsSettingsBesideTheProgram) {
    cxplat::OverrideCommonAppDataFolder(nullptr, false);
    char folder[260] = "x";
    EXPECT_FALSE(GetAppDataFolder(folder, sizeof(folder)));
    CxIniUtil programIni("", kSettingsFileName);
    const std::string beside = programIni.GetPath();
    AppSettings s;
    char data[260] = "x";
    EXPECT_FALSE(OpenSettings(programIni, s, data, sizeof(data)));
    EXPECT_EQ(std::string(programIni.GetPath()), beside);
    EXPECT_STREQ(data, "");
}

TEST_F(SettingsFixture, DataFolderFailsWhenAFileBlocksIt) {
    cxplat::OverrideCommonAppDataFolder(dir.Path().c_str(), true);
    WriteText(dir.File("brenvik"), "a file where the folder should be");
    char folder[260] = {};
    EXPECT_FALSE(GetAppDataFolder(folder, sizeof(folder)));
}

TEST(PalmUsers, ListOwnsEntriesAndFreeIsSafe) {
    FreePalmUserList();  // safe on an empty list
    PalmUserList& list = GetPalmUserList();
    auto user = std::make_unique<PalmUserInfo>();
    memset(user.get(), 0, sizeof(PalmUserInfo));
    user->nUserID = 7;
    strcpy(user->szUserName, "Ann");
    list.Append(std::move(user));
    EXPECT_EQ(list.GetCount(), 1u);
    EXPECT_EQ(list.GetFirst()->nUserID, 7u);
    FreePalmUserList();
    EXPECT_EQ(list.GetCount(), 0u);
    FreePalmUserList();
}

}  // namespace
