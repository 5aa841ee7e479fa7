// Pictures of the main window, the history page and the conflict dialog
// for the user guide and for review. Not part of the test run: it needs a
// display (scripts/screenshots.sh runs it under Xvfb) and writes BMP files
// into the folder named by VT_SHOT_DIR.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "src/ConfAlertDialog.h"
#include "src/resource.h"
#include "window/ScreenCapture.h"
#include "window/WindowEnv.h"

using namespace win_test;

namespace {

std::vector<Contact> People(bool outlook) {
    const char* firsts[] = {"Anna", "Ben", "Clara", "David", "Emma", "Felix", "Greta", "Hugo",
                            "Ida", "Jonas", "Karla", "Lukas", "Mia", "Noah"};
    std::vector<Contact> out;
    for (int i = 0; i < 14; ++i) {
        Contact c{firsts[i], "Berg " + std::to_string(i + 1),
                  std::string(firsts[i]) + "@example.com", i % 3 ? "Brenvik AS" : "Fjord Ltd",
                  "555-01" + std::to_string(10 + i), ""};
        if (outlook && i % 4 == 2) c.workPhone = "555-09" + std::to_string(10 + i);  // differs
        if (outlook && i % 4 == 3) c.last = "Outlook " + std::to_string(i + 1);     // Outlook only
        if (!outlook && i % 5 == 4) c.street = "4 Harbour Road";                     // differs off-list
        out.push_back(c);
    }
    return out;
}

TEST(Screenshots, DISABLED_MainWindowHistoryAndConflict) {
    char dir[260] = {};
    ASSERT_GT(GetEnvironmentVariableA("VT_SHOT_DIR", dir, sizeof(dir)), 0u);
    const std::string out = std::string(dir) + "\\";

    World world;
    world.AddPalmUser(1001, "Demo User 1", People(false));
    world.SetOutlook(People(true));
    TfmMain& main = world.Start();
    SetWindowPos(main.GetHandle(), nullptr, 20, 20, 1000, 640, SWP_NOZORDER);
    ShowWindow(main.GetHandle(), SW_SHOW);
    SendMessageA(main.GetListPage(), WM_COMMAND, MAKEWPARAM(IDC_RBTNADDRP2O, BN_CLICKED), 0);
    Pump(1500);
    SaveWindow(main.GetHandle(), out + "main-window.bmp");

    bool shot = false;
    TfmConfAlert::SetShownHook([&](HWND dlg) {
        if (!shot) {
            ShowWindow(dlg, SW_SHOW);
            Pump(1200);
            SaveWindow(dlg, out + "conflict-dialog.bmp");
            shot = true;
        }
        CheckRadioButton(dlg, IDC_RBTNP2O, IDC_RBTNNOTHING, IDC_RBTNP2O);
        CheckDlgButton(dlg, IDC_CBTHIS, BST_CHECKED);
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    CheckRadioButton(main.GetListPage(), IDC_RBTNADDRP2O, IDC_RBTNADDRSYNC, IDC_RBTNADDRSYNC);
    SendMessageA(main.GetListPage(), WM_COMMAND, MAKEWPARAM(IDC_BTNADDRSTART, BN_CLICKED), 0);
    CheckRadioButton(main.GetListPage(), IDC_RBTNADDRP2O, IDC_RBTNADDRSYNC, IDC_RBTNADDRP2O);
    SendMessageA(main.GetListPage(), WM_COMMAND, MAKEWPARAM(IDC_BTNADDRPDALL, BN_CLICKED), 0);
    SendMessageA(main.GetListPage(), WM_COMMAND, MAKEWPARAM(IDC_BTNADDRSTART, BN_CLICKED), 0);
    TfmConfAlert::SetShownHook(nullptr);
    EXPECT_TRUE(shot);

    SendMessageA(main.GetHandle(), WM_COMMAND, IDM_VIEWHISTORY, 0);
    Pump(1500);
    SaveWindow(main.GetHandle(), out + "history-page.bmp");
}

}  // namespace
