// The main window and every dialog at 144 DPI: no control covers another or
// reaches past its page. Wine gives a process the system DPI from the
// prefix's "LogPixels" at start, so the check runs in a child process
// started after the value is set, and the value is put back afterwards.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "common/backup/BackupStore.h"
#include "common/backup/RunJournal.h"
#include "src/AppDialogs.h"
#include "src/ConfAlertDialog.h"
#include "src/DpiScale.h"
#include "src/dialogs/DialogBase.h"
#include "src/dialogs/DialogIds.h"
#include "src/resource.h"
#include "support/TestSupport.h"
#include "window/WindowEnv.h"

using namespace win_test;

namespace {

constexpr const char* kDesktopKey = "Control Panel\\Desktop";

// Sets the prefix's "LogPixels" for its lifetime; the old value (or none)
// comes back after.
class LogPixelsSetting {
public:
    explicit LogPixelsSetting(DWORD dpi) {
        RegCreateKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &m_hKey,
                        nullptr);
        DWORD size = sizeof(m_dwOld), type = 0;
        m_bHadOld = RegQueryValueExA(m_hKey, "LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&m_dwOld),
                                     &size) == ERROR_SUCCESS && type == REG_DWORD;
        m_bSet = RegSetValueExA(m_hKey, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                                sizeof(dpi)) == ERROR_SUCCESS;
    }
    ~LogPixelsSetting() {
        if (m_bHadOld)
            RegSetValueExA(m_hKey, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&m_dwOld),
                           sizeof(m_dwOld));
        else
            RegDeleteValueA(m_hKey, "LogPixels");
        RegCloseKey(m_hKey);
    }
    LogPixelsSetting(const LogPixelsSetting&) = delete;
    LogPixelsSetting& operator=(const LogPixelsSetting&) = delete;
    bool IsSet() const { return m_bSet; }

private:
    HKEY m_hKey = nullptr;
    DWORD m_dwOld = 0;
    bool m_bHadOld = false;
    bool m_bSet = false;
};

// The prefix's "LogPixels"; -1 when it has none.
long long ReadLogPixels() {
    DWORD value = 0, size = sizeof(value);
    if (RegGetValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS)
        return -1;
    return value;
}

std::string Describe(HWND w) {
    char cls[64] = {}, text[64] = {};
    GetClassNameA(w, cls, sizeof(cls));
    GetWindowTextA(w, text, sizeof(text));
    return std::string(cls) + " " + std::to_string(GetDlgCtrlID(w)) + " \"" + text + "\"";
}

bool IsGroupBox(HWND w) {
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof(cls));
    return lstrcmpiA(cls, "Button") == 0 && (GetWindowLongA(w, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

bool IsTab(HWND w) {
    char cls[32] = {};
    GetClassNameA(w, cls, sizeof(cls));
    return lstrcmpiA(cls, "SysTabControl32") == 0;
}

bool IsPage(HWND w) {
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof(cls));
    return lstrcmpA(cls, "#32770") == 0;
}

RECT RectIn(HWND parent, HWND child) {
    RECT rc;
    GetWindowRect(child, &rc);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// What a holder (a group box, a tab) leaves for the controls it holds.
RECT HeldArea(HWND parent, HWND holder) {
    RECT rc = RectIn(parent, holder);
    if (IsTab(holder)) SendMessageA(holder, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rc));
    return rc;
}

// Every visible control of parent inside its client area and clear of its
// visible siblings, then the same within each child page. A group box or a
// tab may hold controls: a control that meets one lies wholly in what it
// holds. The progress bar lies over the status bar during a run.
void CheckControls(HWND parent, const std::string& where, std::vector<std::string>& faults) {
    RECT client;
    GetClientRect(parent, &client);
    std::vector<HWND> shown;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (GetWindowLongA(c, GWL_STYLE) & WS_VISIBLE) shown.push_back(c);
    for (size_t i = 0; i < shown.size(); ++i) {
        const RECT a = RectIn(parent, shown[i]);
        if (a.left < 0 || a.top < 0 || a.right > client.right || a.bottom > client.bottom)
            faults.push_back(where + ": " + Describe(shown[i]) + " leaves its page");
        for (size_t j = i + 1; j < shown.size(); ++j) {
            const RECT b = RectIn(parent, shown[j]);
            RECT both;
            if (!IntersectRect(&both, &a, &b)) continue;
            const int ids[2] = {GetDlgCtrlID(shown[i]), GetDlgCtrlID(shown[j])};
            if ((ids[0] == IDC_PBSYNC && ids[1] == IDC_SBMAIN) || (ids[0] == IDC_SBMAIN && ids[1] == IDC_PBSYNC))
                continue;
            bool held = false;
            for (int k = 0; k < 2 && !held; ++k) {
                HWND holder = shown[k ? j : i];
                const RECT& other = k ? a : b;
                if (IsGroupBox(holder) || IsTab(holder)) held = Inside(other, HeldArea(parent, holder));
            }
            if (!held) faults.push_back(where + ": " + Describe(shown[i]) + " overlaps " + Describe(shown[j]));
        }
    }
    for (HWND c : shown)
        if (IsPage(c)) CheckControls(c, where + " / page " + std::to_string(GetDlgCtrlID(c)), faults);
}

// Buttons, check boxes, radio buttons and labels of parent whose caption,
// in the control's own font, is wider than the control leaves for it.
void CheckCaptionsFit(HWND parent, const std::string& where, std::vector<std::string>& faults) {
    HDC dc = GetDC(parent);
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[32] = {}, text[256] = {};
        GetClassNameA(c, cls, sizeof(cls));
        const bool button = lstrcmpiA(cls, "Button") == 0, label = lstrcmpiA(cls, "Static") == 0;
        if ((!button && !label) || IsGroupBox(c) || GetWindowTextA(c, text, sizeof(text)) <= 0) continue;
        const LONG type = GetWindowLongA(c, GWL_STYLE) & BS_TYPEMASK;
        const bool boxed = button && type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON;
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(c, WM_GETFONT, 0, 0)));
        SIZE size = {};
        GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
        SelectObject(dc, old);
        RECT rc;
        GetClientRect(c, &rc);
        // A check box or radio button gives its box and a gap to the left.
        const int room = rc.right - (boxed ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : button ? 4 : 0);
        if (size.cx > room || size.cy > rc.bottom)
            faults.push_back(where + ": the caption of " + Describe(c) + " needs " + std::to_string(size.cx) + "x" +
                             std::to_string(size.cy) + ", has " + std::to_string(room) + "x" +
                             std::to_string(rc.bottom));
    }
    ReleaseDC(parent, dc);
}

// Run by DpiLayout in a process of its own.
TEST(DpiChild, DISABLED_NoControlOverlapsOrLeavesItsPage) {
    ASSERT_EQ(WindowDpi(nullptr), 144) << "the prefix's LogPixels did not reach this process";
    World world;
    world.AddPalmUser(1, "Alice", {{"Ann", "Able", "ann@example.com", "Palm Co", "555-0001", ""}});
    world.SetOutlook({{"Ann", "Able", "ann@example.com", "Outlook Co", "555-0001", ""}});
    std::vector<std::string> faults;
    std::set<int> checked;
    GetDialogServices().onShown = [&](HWND dlg, int id) {
        checked.insert(id);
        CheckControls(dlg, "dialog " + std::to_string(id), faults);
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    };
    TfmConfAlert::SetShownHook([&](HWND dlg) {
        checked.insert(IDD_CONFALERT);
        CheckControls(dlg, "conflict dialog", faults);
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    });
    TfmMain& main = world.Start();
    EXPECT_EQ(WindowDpi(main.GetHandle()), 144);
    RECT wr;
    GetWindowRect(main.GetHandle(), &wr);
    MINMAXINFO mm = {};
    SendMessageA(main.GetHandle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mm));
    for (int width : {static_cast<int>(mm.ptMinTrackSize.x), static_cast<int>(wr.right - wr.left)}) {
        SetWindowPos(main.GetHandle(), nullptr, 0, 0, width, wr.bottom - wr.top, SWP_NOMOVE | SWP_NOZORDER);
        for (int page : {TfmMain::PAGE_LIST, TfmMain::PAGE_HISTORY}) {
            main.ShowPage(page);
            CheckControls(main.GetHandle(), "main window " + std::to_string(width) + " wide", faults);
            CheckCaptionsFit(main.GetHandle(), "main window", faults);
            CheckCaptionsFit(page == TfmMain::PAGE_LIST ? main.GetListPage() : main.GetHistoryPage().GetWindow(),
                             "main window page", faults);
        }
    }
    main.ShowPage(TfmMain::PAGE_LIST);

    for (int command : {IDM_TOOLOPTION, IDM_TOOLDEBUG, IDM_HELPABOUT})
        SendMessageA(main.GetHandle(), WM_COMMAND, command, 0);
    main.ShowProblemReport();
    DialogContext ctx = main.MakeDialogContext();
    ShowWizardDialog(main.GetHandle(), ctx);
    ShowCustomMapDialog(main.GetHandle(), ctx);
    ShowDetailDialog(main.GetHandle(), *RecordAt(main.GetPalmList(), 0));
    {
        // Restore and Run details over one run with a backup.
        vt_test::TempDir backups;
        BackupStore store(backups.Path() + "backups");
        CxSystemTime start = {};
        start.wYear = 2026;
        start.wMonth = 12;
        start.wDay = 11;
        BackupRun run;
        RunJournal journal;
        std::string error;
        ASSERT_TRUE(store.BeginRun(start, run, error)) << error;
        ASSERT_TRUE(journal.Open(store.JournalPath(run), start, "Both ways", error)) << error;
        journal.ContactAdded(JournalSide::Palm, {"Ann Able", "1"});
        ASSERT_TRUE(journal.Close(error)) << error;
        ASSERT_TRUE(store.EnsureBackupFolder(run, error)) << error;
        RestoreContext restore;
        restore.backupRoot = store.Root();
        ShowRestoreDialog(main.GetHandle(), restore);
        ShowRunDetailsDialog(main.GetHandle(), store.JournalPath(run));
    }
    Click(main, IDC_RBTNADDRSYNC);
    Click(main, IDC_BTNADDRSTART);
    TfmConfAlert::SetShownHook(nullptr);

    const std::set<int> all = {IDD_OPTIONS, IDD_DEBUG, IDD_ABOUT, IDD_DUMP, IDD_WIZARD,
                               IDD_CUSTOMMAP, IDD_DETAIL, IDD_CONFALERT, IDD_RESTORE, IDD_RUNDETAILS};
    EXPECT_EQ(checked, all);
    std::string list;
    for (const std::string& f : faults) list += f + "\n";
    EXPECT_TRUE(faults.empty()) << list;
}

TEST(DpiLayout, MainWindowAndDialogsAt144Dpi) {
    char exe[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, exe, sizeof(exe)), 0u);
    std::string command = std::string("\"") + exe +
                          "\" --gtest_also_run_disabled_tests --gtest_filter=DpiChild.DISABLED_*";
    DWORD exitCode = 1;
    const long long before = ReadLogPixels();
    {
        LogPixelsSetting dpi(144);
        ASSERT_TRUE(dpi.IsSet());
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi));
        EXPECT_EQ(WaitForSingleObject(pi.hProcess, 120000), WAIT_OBJECT_0);
        GetExitCodeProcess(pi.hProcess, &exitCode);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    EXPECT_EQ(exitCode, 0u) << "the checks at 144 DPI failed: see their output above";
    EXPECT_EQ(ReadLogPixels(), before) << "the prefix is back at its own DPI";
}

}  // namespace
