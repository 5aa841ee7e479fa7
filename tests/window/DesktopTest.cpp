// The main window as a desktop treats it: help that cannot open, the end of
// the Windows session, the counts in the status bar, and errors raised
// inside a procedure the system called.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "common/misc/CxDebugUtil.h"
#include "src/AppLinks.h"
#include "src/ConfAlertDialog.h"
#include "src/dialogs/DialogIds.h"
#include "src/resource.h"
#include "support/TestSupport.h"
#include "window/WindowEnv.h"

using namespace win_test;

namespace {


std::string StatusText(TfmMain& main) {
    HWND sb = GetDlgItem(main.GetHandle(), IDC_SBMAIN);
    char text[512] = {};
    SendMessageA(sb, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    return text;
}

// Palm: Ann (same), Bob (different), Cid (Palm only), Dee (no email).
// Outlook: Ann, Bob, Eve (Outlook only), Dee.
class DesktopTest : public ::testing::Test {
protected:
    World world;
    void SetUp() override {
        world.AddPalmUser(1, "Alice", {kAnn, kBobPalm, kCid, kDee});
        world.SetOutlook({kAnn, kBobOutlook, kEve, kDee});
    }
};

TEST_F(DesktopTest, HelpThatCannotOpenSaysSo) {
    TfmMain& main = world.Start();
    struct Case {
        const char* name;
        int command;
        bool opens;
        const char* target;   // the end of what the shell is asked to open
        const char* caption;  // of the message; null: no message
    } const cases[] = {
        {"Help button", IDC_BTNHELP, true, "\\guide\\index.html", nullptr},
        {"Help, Content", IDM_HELPCONTENT, true, "\\guide\\index.html", nullptr},
        {"Web Site", IDM_HELPWEB, true, kHomePageUrl, nullptr},
        {"Help button, no guide", IDC_BTNHELP, false, "\\guide\\index.html", "Help"},
        {"Help, Content, no guide", IDM_HELPCONTENT, false, "\\guide\\index.html", "Help"},
        {"Web Site, no browser", IDM_HELPWEB, false, kHomePageUrl, "Vantoro Web Site"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        world.messages.clear();
        world.shellOpened.clear();
        world.shellOpens = c.opens;
        SendMessageA(main.GetHandle(), WM_COMMAND, MAKEWPARAM(c.command, BN_CLICKED), 0);
        ASSERT_EQ(world.shellOpened.size(), 1u);
        const std::string& target = world.shellOpened[0];
        const std::string end = c.target;
        ASSERT_GE(target.size(), end.size());
        EXPECT_EQ(target.substr(target.size() - end.size()), end);
        if (!c.caption) {
            EXPECT_TRUE(world.messages.empty());
            continue;
        }
        ASSERT_EQ(world.messages.size(), 1u);
        EXPECT_EQ(world.messages[0].caption, c.caption);
        EXPECT_NE(world.messages[0].text.find(target), std::string::npos)
            << "the message names what could not be opened: " << world.messages[0].text;
        EXPECT_EQ(world.messages[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
    }
}

TEST_F(DesktopTest, StatusBarCountsTheListedContacts) {
    struct Case {
        const char* name;
        bool emailOnly;
        const char* before;
        const char* afterRun;  // Palm Desktop to Outlook over the differing rows
    } const cases[] = {
        {"every contact", false,
         "Palm Desktop: 4 contacts, 1 new, 1 different      Outlook: 4 contacts, 1 new, 1 different",
         "Palm Desktop: 4 contacts, 0 new, 0 different      Outlook: 5 contacts, 1 new, 0 different"},
        {"e-mail only", true,
         "Palm Desktop: 3 contacts, 1 new, 1 different      Outlook: 3 contacts, 1 new, 1 different",
         "Palm Desktop: 3 contacts, 0 new, 0 different      Outlook: 4 contacts, 1 new, 0 different"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        World w;
        w.AddPalmUser(1, "Alice", {kAnn, kBobPalm, kCid, kDee});
        w.SetOutlook({kAnn, kBobOutlook, kEve, kDee});
        w.SetSetting("AddrEmailOnly", c.emailOnly ? "1" : "0");
        TfmMain& main = w.Start();
        EXPECT_EQ(StatusText(main), c.before);
        Click(main, IDC_RBTNADDRP2O);
        Click(main, IDC_BTNADDRSTART);
        ASSERT_EQ(w.messages.size(), 1u);
        EXPECT_EQ(StatusText(main), c.afterRun);
    }
}

TEST_F(DesktopTest, EmptyListsCountNothing) {
    World empty;
    empty.AddPalmUser(1, "Alice", {kAnn});
    empty.SetOutlook({});
    TfmMain& main = empty.Start();
    EXPECT_EQ(StatusText(main),
              "Palm Desktop: 1 contact, 1 new, 0 different      Outlook: 0 contacts, 0 new, 0 different");
}

// The run is on while the conflict dialog is up: the session's end and
// closing are refused then, and allowed again afterwards.
TEST_F(DesktopTest, ARunHoldsOffTheEndOfTheSessionAndClosing) {
    HWND mainWnd = nullptr;
    struct During {
        LRESULT queryEnd = -1;
        bool heldOff = false;
        bool aliveAfterClose = false;
        bool aliveAfterExit = false;
        bool aliveAfterForcedEnd = false;
    } during;
    TfmConfAlert::SetShownHook([&](HWND dlg) {
        during.queryEnd = SendMessageA(mainWnd, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
        during.heldOff = world.Main().IsSessionEndHeldOff();
        SendMessageA(mainWnd, WM_CLOSE, 0, 0);
        during.aliveAfterClose = IsWindow(mainWnd) != FALSE;
        SendMessageA(mainWnd, WM_COMMAND, IDM_FILEEXIT, 0);
        during.aliveAfterExit = IsWindow(mainWnd) != FALSE;
        // A forced end: the run's stores stay until the system ends the process.
        SendMessageA(mainWnd, WM_ENDSESSION, TRUE, ENDSESSION_CRITICAL);
        during.aliveAfterForcedEnd = IsWindow(mainWnd) != FALSE;
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    });
    TfmMain& main = world.Start();
    mainWnd = main.GetHandle();
    EXPECT_EQ(SendMessageA(mainWnd, WM_QUERYENDSESSION, 0, 0), TRUE) << "no run: the session may end";
    EXPECT_FALSE(main.IsSessionEndHeldOff());
    Click(main, IDC_RBTNADDRSYNC);
    Click(main, IDC_BTNADDRSTART);

    EXPECT_EQ(during.queryEnd, FALSE);
    EXPECT_TRUE(during.aliveAfterClose);
    EXPECT_TRUE(during.aliveAfterExit);
    EXPECT_TRUE(during.aliveAfterForcedEnd);
    ASSERT_GE(world.messages.size(), 2u);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(world.messages[i].text, "A synchronization is running. Please close Vantoro when it has finished.");
    EXPECT_TRUE(during.heldOff);
    EXPECT_FALSE(main.IsSessionEndHeldOff());
    EXPECT_EQ(SendMessageA(mainWnd, WM_QUERYENDSESSION, 0, 0), TRUE) << "the run is over";
    TfmConfAlert::SetShownHook(nullptr);

    // A session end that was called off leaves the window; one that goes on
    // closes it with the settings saved.
    main.Settings().nPDUserID = 1;
    SendMessageA(mainWnd, WM_ENDSESSION, FALSE, 0);
    EXPECT_TRUE(IsWindow(mainWnd));
    EXPECT_EQ(vt_test::ReadText(world.SettingsFile()).find("PDUserID"), std::string::npos);
    SendMessageA(mainWnd, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_FALSE(IsWindow(mainWnd));
    const std::string ini = vt_test::ReadText(world.SettingsFile());
    EXPECT_NE(ini.find("PDUserID=1"), std::string::npos) << ini;
    EXPECT_NE(ini.find("AddrType=1"), std::string::npos) << ini;
}

// A procedure the system calls that meets an error: caught there, logged and
// reported once, and the window goes on.
TEST_F(DesktopTest, AnErrorInsideADialogProcedureIsReportedAndTheRunGoesOn) {
    vt_test::TempDir logDir;
    const std::string oldFolder = CxDebugUtil::Instance().GetFolder();
    CxDebugUtil::Instance().SetFolder(logDir.Path().c_str());
    int shown = 0;
    TfmConfAlert::SetShownHook([&](HWND dlg) {
        ++shown;
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        throw std::runtime_error("the dialog broke");
    });
    TfmMain& main = world.Start();
    Click(main, IDC_RBTNADDRSYNC);
    Click(main, IDC_BTNADDRSTART);
    TfmConfAlert::SetShownHook(nullptr);

    EXPECT_EQ(shown, 1);
    EXPECT_EQ(world.shownDialogs.size(), 1u);
    if (!world.shownDialogs.empty()) {
        EXPECT_EQ(world.shownDialogs[0], IDD_DUMP) << "the problem report";
    }
    EXPECT_TRUE(IsWindow(main.GetHandle()));
    const std::string log = vt_test::ReadText(CxDebugUtil::Instance().GetLogPath());
    CxDebugUtil::Instance().SetFolder(oldFolder.c_str());
    EXPECT_NE(log.find("Unhandled error in the conflict dialog: the dialog broke"), std::string::npos) << log;
}

}  // namespace
