// The main window: both contact lists, the mode, the run, the history page.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/misc/CxGuard.h"
#include "src/AppDialogs.h"
#include "src/AppSettings.h"
#include "src/HistoryPage.h"
#include "src/SyncEngine.h"
#include "src/SyncSides.h"

class SyncHistoryMgr;

struct MainWindowOptions {
    // Settings and history folder instead of the per-machine data folder.
    std::string dataFolder;
    std::function<std::unique_ptr<PalmSide>()> makePalmSide = MakePalmSide;
    std::function<std::unique_ptr<OutlookSide>()> makeOutlookSide = MakeOutlookSide;
    // Message boxes; tests record them instead of showing them.
    std::function<int(HWND owner, const char* text, const char* caption, UINT type)> messageBox;
    // The shell's "open" of the guide and the web site; tests record them.
    std::function<bool(const char* target)> shellOpen;
    // The program ends its message loop when the window goes.
    bool quitOnDestroy = true;
};

class TfmMain : public ISyncCallback {
public:
    enum Page { PAGE_LIST = 0, PAGE_CARD = 1, PAGE_HISTORY = 2 };

    TfmMain(CxIniUtil& ini, SyncHistoryMgr& history, MainWindowOptions options = {});
    ~TfmMain() override;
    TfmMain(const TfmMain&) = delete;
    TfmMain& operator=(const TfmMain&) = delete;

    // Makes the window: data folder, settings, mode, log, Palm Desktop folder,
    // libraries and user list. False when the window cannot be made.
    bool Create(HINSTANCE instance);
    // The rest of start-up: wizard, first load, history.
    void Startup();
    void FirstLoad();
    // The window's messages in the program's loop.
    bool PreTranslate(MSG* msg);
    void Close();

    HWND GetHandle() const { return m_hWnd; }
    HWND GetListPage() const { return m_hListPage; }
    HWND GetPalmList() const;
    HWND GetOutlookList() const;
    HistoryPage& GetHistoryPage() { return m_History; }
    AppSettings& Settings() { return m_Settings; }
    PalmSide* GetPalmSide() { return m_pPalm.get(); }
    OutlookSide* GetOutlookSide() { return m_pOutlook.get(); }
    int GetActivePage() const { return m_nPage; }

    // Operations
    void FillUserBox();
    void FillPalmList(bool reload);
    void FillOutlookList(bool reload);
    void MarkLists();
    void SetAllChecks(HWND list, bool checked);
    void SelectDiff(HWND list);
    void ShowPage(int page);
    void RunSync();
    // File > Reload (F5): both sides loaded afresh, listed and marked.
    void ReloadBoth();
    // Synchronize All takes every row: the ticks are kept aside and the
    // tick controls disabled while it is chosen.
    void SetSyncAllMode(bool on);
    bool InSyncAllMode() const { return m_bSyncAll; }
    // The list context menu with its items enabled as the mode allows.
    HMENU PrepareListMenu();
    // The text colour of a row of the record.
    COLORREF RowColor(const CommAddr* rec) const;

    // Handlers
    void OnCommand(int id, int code, HWND control);
    LRESULT OnNotify(NMHDR* hdr);
    void btnAddrStartClick() { RunSync(); }
    void cbAddrUserChange();
    void miToolOptionClick();
    void miToolDebugClick();
    void ExportContacts();
    void ListDblClick(HWND list);
    void OnContextMenu(HWND list, int x, int y);
    void OpenHelp();
    void OpenWebSite();

    // ISyncCallback
    void SetBusy(bool busy) override;
    void ShowProgress(bool visible) override;
    void SetProgress(int percent) override;
    void SetRowTicked(bool palmList, size_t row, bool ticked) override;
    void ShowMessage(const char* text, const char* caption, SyncIcon icon) override;
    bool AskConflict(const CommAddr& palmRec, const CommAddr& outlookRec, int32_t& action,
                     bool& applyThisRun, bool& applyAlways) override;
    void RefreshAfterChange() override;
    void ReloadPalmAfterRun() override;

    // The end of the Windows session and closing: refused while a run lasts.
    bool OnQueryEndSession();
    void OnEndSession(bool ending);
    bool CloseRequested();
    // True while a run holds off logging off and shutting down.
    bool IsSessionEndHeldOff() const { return m_bSessionHeld; }

    // A message box through the options' seam.
    int Message(const char* text, const char* caption, UINT type);
    bool ShellOpenTarget(const char* target);
    DialogContext MakeDialogContext();
    void ShowProblemReport();

private:
    static INT_PTR CALLBACK MainProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK PageProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static INT_PTR MainMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static INT_PTR PageMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static INT_PTR ForwardToWindow(TfmMain* self, HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void FormCreate();
    void FormDestroy();
    void FirstLoadFailed(const char* reason);
    void Layout();
    void LayoutListPage(int width, int height);
    // Holds off logging off and shutting down while a run lasts.
    void BlockSessionEnd(bool block);
    // The hourglass while a run lasts; true when it was set.
    bool KeepBusyCursor();
    // The splitter between the lists: true when the message was its.
    bool OnSplitterMouse(UINT msg, int pixelX, int pixelY);
    // Layout pixels (96 DPI) to the window's pixels and back.
    int Px(int layout) const;
    int Lx(int pixels) const;
    void SetupList(HWND list);
    void FillList(HWND list, CommAddrMgr* store, CommSideState state);
    // Tells the user at once what kept a side's load from being whole.
    void ReportLoadProblem(const std::string& problem, CommSideState state);
    void SetTicksQuietly(HWND list, const std::vector<bool>* ticks);
    // False for a tick change the current mode does not allow.
    bool TickChangeAllowed(const NMLISTVIEW* change) const;
    int ReadMode() const;

    CxIniUtil& m_Ini;
    SyncHistoryMgr& m_HistoryMgr;
    MainWindowOptions m_Options;
    AppSettings m_Settings{};
    char m_szDataFolder[260] = {};
    HistoryPage m_History;
    HINSTANCE m_hInstance = nullptr;
    HWND m_hWnd = nullptr;
    HWND m_hListPage = nullptr;
    HWND m_hCardPage = nullptr;
    HWND m_hHistoryPage = nullptr;
    HMENU m_hListMenu = nullptr;
    int m_nPage = PAGE_LIST;
    int m_nProgress = -1;    // what the progress bar shows
    bool m_bBusy = false;    // a run is on: the hourglass stays
    double m_dSplit = 0.5;   // the Palm Desktop list's share of the width
    RECT m_rcSplitter = {};  // in the contacts page, layout pixels
    int m_nDpi = 96;         // of the window's screen
    bool m_bSplitDrag = false;
    int m_nSplitGrab = 0;    // pointer offset within the splitter at the press
    bool m_bDestroyed = false;
    bool m_bSessionHeld = false;
    bool m_bSyncAll = false;
    bool m_bTicking = false;              // the window itself sets ticks
    std::vector<bool> m_SavedTicks[2];    // Palm Desktop, Outlook: before Synchronize All
    std::unique_ptr<PalmSide> m_pPalm;
    std::unique_ptr<OutlookSide> m_pOutlook;
    // The problem report for errors caught at the callbacks, while the window lives.
    std::unique_ptr<CxGuardReporterScope> m_pGuardReport;
};
#endif
