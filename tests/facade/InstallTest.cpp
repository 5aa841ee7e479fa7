// The facade beside a stand-in Palm Desktop installation of each
// generation: start-up builds the user list, every user's contacts load, a
// round of writes adds, merges and leaves equal records alone, and a fresh
// load reads back what was saved.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <string>
#include <vector>

#include "FacadeSupport.h"
#include "common/misc/CxPlatform.h"
#include "common/misc/CxText.h"
#include "common/misc/WinUtil.h"
#include "common/palm/PalmAddrInfo.h"
#include "common/palm/PalmCommEx2.h"
#include "common/palm/PalmDesktop.h"
#include "src/AppSettings.h"
#include "src/AppStartup.h"
#include "standins/palmdesktop/PdSetup.h"

namespace {

std::string ProgramFolder() {
    char exe[260] = {};
    GetModuleFolder(nullptr, exe, sizeof(exe));
    return exe;
}

std::string StandInFolder() { return ProgramFolder() + VT_STANDINS_REL "palmdesktop/"; }

// Every compared field and the match key agree, and the category when b has one.
::testing::AssertionResult SameCommon(CommAddrMgr& store, const CommAddr& a, const CommAddr& b) {
    uint32_t n = 0, k = 0;
    const int32_t* compared = store.GetCompareFields(&n);
    const int32_t* keys = store.GetMatchKeys(&k);
    if (!store.FieldsEqual(&a, &b, compared, n) || !store.FieldsEqual(&a, &b, keys, k))
        return ::testing::AssertionFailure() << a.m_szFirstName << " " << a.m_szLastName << " vs "
                                             << b.m_szFirstName << " " << b.m_szLastName;
    // A contact without category reads back in the file's category 0 ("Unfiled").
    if (b.m_szCategory[0] && strcmp(a.m_szCategory, b.m_szCategory) != 0)
        return ::testing::AssertionFailure() << "category " << a.m_szCategory << " vs "
                                             << b.m_szCategory;
    return ::testing::AssertionSuccess();
}

class InstallTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        cxplat::GetCurrentFolder(m_cwd);
        RegDeleteKeyA(HKEY_CURRENT_USER, kPalmCoreKeyUser);
        m_folder = m_dir.Path() + "PalmDemo\\";
    }
    void TearDown() override {
        StopPalmDesktop();
        TdmMain::Instance().CloseAll();
        PmSetUserFolderFinder(nullptr);
        PmAddrEx2Util::SetUserFolderSource(nullptr);
        RegDeleteKeyA(HKEY_CURRENT_USER, kPalmCoreKeyUser);
        cxplat::SetCurrentFolder(m_cwd.c_str());
    }

    vt_test::TempDir m_dir;
    std::string m_folder;
    std::string m_cwd;
};

TEST_P(InstallTest, StartUpLoadsEveryUserAndWritesRoundTrip) {
    const int tag = GetParam();
    const int gen = pdsetup::GenerationOfTag(tag);
    pdsetup::Options o;
    o.folder = m_folder;
    o.generation = tag;
    o.users = 2;
    o.contacts = 12;
    o.seed = 3;
    o.sourceFolder = StandInFolder();
    std::string error;
    ASSERT_TRUE(pdsetup::Install(o, error)) << error;

    std::vector<std::string> errors;
    StartPalmDesktop([&](const char* text) { errors.push_back(text); });
    EXPECT_TRUE(errors.empty());
    PalmUserList& users = GetPalmUserList();
    ASSERT_EQ(users.GetCount(), 2u);

    PmAddrInfo info;
    EXPECT_EQ(info.GetInstalledGeneration(), gen);
    for (size_t u = 0; u < users.GetCount(); ++u) {
        const PalmUserInfo* user = users.GetAt(u);
        SCOPED_TRACE(user->szUserName);
        EXPECT_STREQ(user->szUserName, pdsetup::UserName(static_cast<int>(u)).c_str());
        ASSERT_TRUE(info.LoadChosen(false, nullptr, user->nUserID, false));
        EXPECT_EQ(info.GetLoadedGeneration(), gen);
        const std::vector<CommAddr> made =
            pdsetup::MakeContacts(o.seed + static_cast<uint32_t>(u), o.contacts);
        ASSERT_EQ(info.GetStore()->GetCount(), made.size());
        for (size_t i = 0; i < made.size(); ++i)
            EXPECT_TRUE(SameCommon(*info.GetStore(), *info.GetStore()->GetAt(static_cast<uint32_t>(i)),
                                   made[i]));

        // Outlook's side: equal, differing and new records.
        const std::vector<CommAddr> outlook = pdsetup::MakeOutlookContacts(made, o.seed, 16);
        int added = 0, merged = 0, left = 0;
        for (size_t i = 0; i < outlook.size(); ++i) {
            const int match = info.GetStore()->FindMatch(&outlook[i], nullptr, nullptr);
            const bool wrote = info.PutContact(&outlook[i]);
            EXPECT_EQ(wrote, match != MATCH_SAME) << i;
            if (match == MATCH_NEW) ++added;
            if (match == MATCH_DIFF) ++merged;
            if (match == MATCH_SAME) ++left;
        }
        EXPECT_GT(added, 0);
        EXPECT_GT(merged, 0);
        EXPECT_GT(left, 0);
        EXPECT_EQ(info.GetStore()->GetCount(), made.size() + static_cast<size_t>(added));
        ASSERT_TRUE(info.Save());

        std::vector<CommAddr> expected;
        for (uint32_t i = 0; i < info.GetStore()->GetCount(); ++i)
            expected.push_back(*info.GetStore()->GetAt(i));
        TdmMain::Instance().CloseAll();

        PmAddrInfo fresh;
        ASSERT_TRUE(fresh.LoadByUser(user->nUserID));
        ASSERT_EQ(fresh.GetStore()->GetCount(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_TRUE(SameCommon(*fresh.GetStore(),
                                   *fresh.GetStore()->GetAt(static_cast<uint32_t>(i)), expected[i]))
                << i;
        // Every Outlook record now has an equal Palm counterpart.
        for (const CommAddr& rec : outlook)
            EXPECT_EQ(fresh.GetStore()->FindMatch(&rec, nullptr, nullptr), MATCH_SAME);
        TdmMain::Instance().CloseAll();
    }
}

INSTANTIATE_TEST_SUITE_P(Generations, InstallTest, ::testing::Values(410, 414, 620));

// A user directory longer than the root folder is found whole: the user
// manager hands back the length it wrote, which is no buffer size.
TEST_F(InstallTest, UserDirectoryLongerThanTheRootFolder) {
    pdsetup::Options o;
    o.folder = m_folder;
    o.generation = 414;
    o.contacts = 3;
    o.sourceFolder = StandInFolder();
    std::string error;
    ASSERT_TRUE(pdsetup::Install(o, error)) << error;
    const std::string longDir = "Long" + std::string(m_folder.size() + 40, 'L');
    ASSERT_TRUE(MoveFileA((m_folder + pdsetup::UserDirectory(0)).c_str(),
                          (m_folder + longDir).c_str()));
    vt_test::WriteText(m_folder + "users.txt", "1001\tLong Dir\t" + longDir + "\r\n");
    StartPalmDesktop(nullptr);
    char folder[CX_MAX_PATH] = {};
    ASSERT_TRUE(GetUserDataFolder(1001, folder, sizeof folder));
    EXPECT_EQ(std::string(folder), m_folder + longDir + "\\");
    // A buffer too small for the folder gives no cut folder.
    char small[16] = {};
    EXPECT_FALSE(GetUserDataFolder(1001, small, sizeof small));
    PmAddrInfo info;
    ASSERT_TRUE(info.LoadByUser(1001));
    EXPECT_EQ(info.GetStore()->GetCount(), 3u);
}

// The program itself, as the demo calls it.
TEST(PdSetupProgram, InstallsAndWritesTheOutlookFile) {
    vt_test::TempDir dir;
    const std::string folder = dir.Path() + "Demo";
    const std::string outlook = dir.Path() + "outlook.txt";
    auto run = [](const std::string& args) {
        std::string cmd = "\"" + StandInFolder() + "pdsetup.exe\" " + args;
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return -1;
        WaitForSingleObject(pi.hProcess, 120000);
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        return static_cast<int>(code);
    };
    ASSERT_EQ(run("--folder \"" + folder + "\" --generation 414 --users 1 --contacts 20 --seed 1 "
                  "--outlook-file \"" + outlook + "\" --outlook-contacts 24 --no-outlook-registry"),
              0);
    EXPECT_TRUE(vt_test::Exists(folder + "\\palm.exe"));
    EXPECT_TRUE(vt_test::Exists(folder + "\\UserData.dll"));
    EXPECT_EQ(vt_test::ReadText(folder + "\\users.txt"), "1001\tDemo User 1\tDemoUser1\r\n");
    PmAddrInfo info(40104);
    ASSERT_TRUE(info.LoadFile((folder + "\\DemoUser1\\address\\address.dat").c_str()));
    EXPECT_EQ(info.GetStore()->GetCount(), 20u);

    const std::string text = vt_test::ReadText(outlook);
    size_t contacts = 0;
    for (size_t pos = 0; (pos = text.find("[Contact]", pos)) != std::string::npos; pos += 9)
        ++contacts;
    EXPECT_EQ(contacts, 24u);
    // The stand-in Outlook's DataFile value is left to the Outlook tests,
    // which run beside these.
    std::string desktop;
    EXPECT_TRUE(cxplat::RegReadString(cxplat::RegRoot::CurrentUser, kPalmCoreKeyUser,
                                      "DesktopPath", desktop));
    EXPECT_EQ(desktop, folder + "\\");

    // Bad arguments: usage, nothing installed.
    EXPECT_EQ(run("--folder \"" + dir.Path() + "X\" --generation 500"), 2);
    EXPECT_EQ(run("--folder \"" + dir.Path() + "X\" --generation 414 --contacts -3"), 2);
    EXPECT_FALSE(vt_test::Exists(dir.Path() + "X\\palm.exe"));
    RegDeleteKeyA(HKEY_CURRENT_USER, kPalmCoreKeyUser);
}

}  // namespace
#endif
