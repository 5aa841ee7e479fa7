// Sides that cannot be loaded whole, through the real window: the user is
// told at once, nothing is written, runs are refused as the side's state
// says, and File > Reload (F5) lists a side again once the cause is gone.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "src/resource.h"
#include "support/TestSupport.h"
#include "window/WindowEnv.h"

using namespace win_test;

namespace {

const char kRefusedPalm[] = "Nothing can be synchronized with Palm Desktop";
const char kRefusedOutlook[] = "Nothing can be synchronized with Outlook";
const char kReadOnlyPalm[] = "The Palm Desktop contacts are read-only";

class SideStateTest : public ::testing::Test {
protected:
    World world;
    void SetUp() override {
        world.AddPalmUser(1, "Alice", {kAnn, kBobPalm, kCid, kDee});
        world.SetOutlook({kAnn, kBobOutlook, kEve, kDee});
    }
    void Press(TfmMain& main, int mode) {
        world.messages.clear();
        Click(main, mode);
        if (mode != IDC_RBTNADDRSYNC) Click(main, mode == IDC_RBTNADDRP2O ? IDC_BTNADDRPDALL : IDC_BTNADDROLALL);
        Click(main, IDC_BTNADDRSTART);
    }
    static void F5(TfmMain& main) {
        MSG msg = {};
        msg.hwnd = main.GetPalmList();
        msg.message = WM_KEYDOWN;
        msg.wParam = VK_F5;
        EXPECT_TRUE(main.PreTranslate(&msg));
    }
    static void SetOutlookFailure(const char* name) {
        HKEY h;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Vantoro\\StandIns\\Outlook", 0, nullptr, 0,
                                  KEY_WRITE, nullptr, &h, nullptr),
                  ERROR_SUCCESS);
        if (name)
            RegSetValueExA(h, "FailName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name),
                           static_cast<DWORD>(strlen(name) + 1));
        else
            RegDeleteValueA(h, "FailName");
        RegCloseKey(h);
    }
};

struct PalmCase {
    const char* name;
    std::function<void(World&, HANDLE&)> spoil;  // before the start
    const char* told;                            // the start of the message shown at once
    UINT icon;
    bool listed;                                 // the contacts are listed (read-only)
};

TEST_F(SideStateTest, PalmFileThatCannotBeLoadedWholeIsToldAndNeverWritten) {
    const std::string file = world.PalmFile(1);
    const PalmCase cases[] = {
        {"held by another program",
         [&](World&, HANDLE& held) {
             held = CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
             ASSERT_NE(held, INVALID_HANDLE_VALUE);
         },
         "Another program, probably Palm Desktop, is using the Palm Desktop contacts file", MB_ICONERROR, false},
        {"read-only",
         [&](World&, HANDLE&) { ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY)); },
         "The Palm Desktop contacts file is read-only", MB_ICONWARNING, true},
        {"missing file", [&](World&, HANDLE&) { ASSERT_TRUE(DeleteFileA(file.c_str())); },
         "The Palm Desktop contacts file does not exist", MB_ICONERROR, false},
        {"missing folder",
         [&](World&, HANDLE&) {
             ASSERT_TRUE(DeleteFileA(file.c_str()));
             ASSERT_TRUE(RemoveDirectoryA(file.substr(0, file.rfind('\\')).c_str()));
         },
         "The folder of the Palm Desktop contacts file does not exist", MB_ICONERROR, false},
        {"damaged", [&](World&, HANDLE&) { vt_test::WriteText(file, "not a contacts file at all"); },
         "The Palm Desktop contacts file could not be read; it may be damaged", MB_ICONERROR, false},
    };
    const std::vector<uint8_t> good = vt_test::ReadBytes(file);
    for (const PalmCase& c : cases) {
        SCOPED_TRACE(c.name);
        // The file as the world made it, then spoilt.
        SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        CreateDirectoryA(file.substr(0, file.rfind('\\')).c_str(), nullptr);
        vt_test::WriteBytes(file, good);
        HANDLE held = INVALID_HANDLE_VALUE;
        c.spoil(world, held);
        // A held file cannot be read here either: it must stay as it was.
        const std::vector<uint8_t> before = held == INVALID_HANDLE_VALUE ? vt_test::ReadBytes(file) : good;
        world.messages.clear();
        TfmMain& main = world.Start();
        ASSERT_EQ(world.messages.size(), 1u);
        EXPECT_EQ(world.messages[0].text.find(c.told), 0u) << world.messages[0].text;
        EXPECT_EQ(world.messages[0].type & MB_ICONMASK, c.icon);
        HWND pd = main.GetPalmList(), ol = main.GetOutlookList();
        EXPECT_EQ(Rows(pd), c.listed ? 4 : 0);
        EXPECT_EQ(IsWindowEnabled(pd) != FALSE, c.listed);
        if (!c.listed) {
            // Against a side that is not there nothing is new.
            for (int i = 0; i < Rows(ol); ++i) EXPECT_EQ(RecordAt(ol, i)->m_nStatus, STATUS_SAME) << i;
        }
        // Every run that writes Palm Desktop is refused; reading it goes
        // ahead only when its contacts are listed.
        for (int mode : {IDC_RBTNADDRO2P, IDC_RBTNADDRSYNC, IDC_RBTNADDRP2O}) {
            SCOPED_TRACE(mode);
            Press(main, mode);
            ASSERT_EQ(world.messages.size(), 1u);
            const char* refusal = !c.listed ? kRefusedPalm : mode == IDC_RBTNADDRP2O ? nullptr : kReadOnlyPalm;
            if (refusal)
                EXPECT_EQ(world.messages[0].text.find(refusal), 0u) << world.messages[0].text;
            else
                EXPECT_EQ(world.messages[0].text.find("Contact information synchronized successfully."), 0u)
                    << world.messages[0].text;
        }
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        EXPECT_EQ(vt_test::ReadBytes(file), before) << "the Palm Desktop file was written";
        EXPECT_EQ(Rows(main.GetHistoryPage().GetList()), c.listed ? 1 : 0);
        world.Stop();
        DeleteFileA(world.HistoryFile().c_str());
    }
}

TEST_F(SideStateTest, HeldFileIsListedAfterReloadOnceReleased) {
    const std::string file = world.PalmFile(1);
    HANDLE held = CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    TfmMain& main = world.Start();
    EXPECT_EQ(Rows(main.GetPalmList()), 0);
    CloseHandle(held);
    world.messages.clear();
    F5(main);
    EXPECT_TRUE(world.messages.empty());
    EXPECT_EQ(Rows(main.GetPalmList()), 4);
    EXPECT_TRUE(IsWindowEnabled(main.GetPalmList()));
    EXPECT_EQ(RecordAt(main.GetOutlookList(), 2)->m_nStatus, STATUS_NEW);  // Eve, against a real side
    // The menu item does the same.
    SendMessageA(main.GetHandle(), WM_COMMAND, MAKEWPARAM(IDM_FILERELOAD, 0), 0);
    EXPECT_EQ(Rows(main.GetPalmList()), 4);
}

TEST_F(SideStateTest, MissingOutlookIsToldAndEveryRunRefused) {
    SetOutlookFailure("Items");
    const std::vector<uint8_t> before = vt_test::ReadBytes(world.PalmFile(1));
    TfmMain& main = world.Start();
    ASSERT_EQ(world.messages.size(), 1u);
    EXPECT_EQ(world.messages[0].text.find("Outlook's contacts could not be loaded"), 0u);
    EXPECT_EQ(world.messages[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(Rows(main.GetOutlookList()), 0);
    EXPECT_FALSE(IsWindowEnabled(main.GetOutlookList()));
    HWND pd = main.GetPalmList();
    ASSERT_EQ(Rows(pd), 4);
    for (int i = 0; i < Rows(pd); ++i) EXPECT_EQ(RecordAt(pd, i)->m_nStatus, STATUS_SAME) << i;
    for (int mode : {IDC_RBTNADDRP2O, IDC_RBTNADDRO2P, IDC_RBTNADDRSYNC}) {
        Press(main, mode);
        ASSERT_EQ(world.messages.size(), 1u);
        EXPECT_EQ(world.messages[0].text.find(kRefusedOutlook), 0u) << world.messages[0].text;
    }
    EXPECT_EQ(vt_test::ReadBytes(world.PalmFile(1)), before);
    SetOutlookFailure(nullptr);
}

}  // namespace
