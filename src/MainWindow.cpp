#include "src/MainWindow.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxGuard.h"
#include "common/misc/CxPlatform.h"
#include "common/misc/CxText.h"
#include "common/misc/WinUtil.h"
#include "src/AppLinks.h"
#include "src/ListRows.h"
#include "src/AppStartup.h"
#include "src/ConfAlertDialog.h"
#include "src/DpiScale.h"
#include "src/SplitLayout.h"
#include "src/StatusBar.h"
#include "src/SyncHistory.h"
#include "src/resource.h"

// The logo icon of the dialogs' resource script (IDI_VT_LOGO).
constexpr int kProgramIconId = 2001;

namespace {

constexpr int kTopBand = 56;
// The splitter between the two lists, and the width either list keeps.
constexpr int kSplitGap = 3;
constexpr int kMinListWidth = 120;
// The contacts page: where the lists start and what the bands below leave.
constexpr int kListLeft = 15;
constexpr int kListTop = 50;
constexpr int kListBottomSpace = 75;
// The right edge of the mode buttons, and a window wide enough for them,
// Start and Options side by side.
constexpr int kModesRight = 651 + 112;
constexpr int kMinWindowWidth = 980;
constexpr int kFirstWindowWidth = 1000;

// The bands and the list area of a contacts page this wide.
int BandWidth(int pageWidth) { return pageWidth - 30; }

// A move copies a control's old pixels, and a display may show a neighbour's
// moved pixels (a blank block, a ghost scroll bar) in its place: after a
// layout every control is painted anew.
void RepaintAll(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

}  // namespace

TfmMain::TfmMain(CxIniUtil& ini, SyncHistoryMgr& history, MainWindowOptions options)
    : m_Ini(ini), m_HistoryMgr(history), m_Options(std::move(options)), m_History(history) {}

TfmMain::~TfmMain() {
    if (m_hWnd) DestroyWindow(m_hWnd);
    if (m_hListMenu) DestroyMenu(m_hListMenu);
}

HWND TfmMain::GetPalmList() const { return GetDlgItem(m_hListPage, IDC_LVPDADDR); }
HWND TfmMain::GetOutlookList() const { return GetDlgItem(m_hListPage, IDC_LVOLADDR); }

bool TfmMain::Create(HINSTANCE instance) {
    m_hInstance = instance;
    m_hWnd = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainProc,
                                reinterpret_cast<LPARAM>(this));
    if (!m_hWnd) {
        CX_LOG(0, "The main window could not be made. Error=%lu", GetLastError());
        return false;
    }
    return true;
}

void TfmMain::FormCreate() {
    // A run that is on stays on: its own end puts the bar and the cursor back.
    m_pGuardReport = std::make_unique<CxGuardReporterScope>([this] { ShowProblemReport(); });
    SetWindowTextA(m_hWnd, kAppTitle);
    HICON icon = LoadIconA(m_hInstance, MAKEINTRESOURCEA(kProgramIconId));
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    m_hListMenu = LoadMenuA(m_hInstance, MAKEINTRESOURCEA(IDR_LISTMENU));

    HWND tab = GetDlgItem(m_hWnd, IDC_PMAIN);
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>("Contacts information");
    SendMessageA(tab, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    item.pszText = const_cast<char*>("Synchronization History");
    SendMessageA(tab, TCM_INSERTITEMA, 1, reinterpret_cast<LPARAM>(&item));

    LPARAM self = reinterpret_cast<LPARAM>(this);
    m_hListPage = CreateDialogParamA(m_hInstance, MAKEINTRESOURCEA(IDD_PAGE_LIST), m_hWnd, PageProc, self);
    m_hCardPage = CreateDialogParamA(m_hInstance, MAKEINTRESOURCEA(IDD_PAGE_CARD), m_hWnd, PageProc, self);
    m_hHistoryPage =
        CreateDialogParamA(m_hInstance, MAKEINTRESOURCEA(IDD_PAGE_HISTORY), m_hWnd, PageProc, self);
    SetupList(GetPalmList());
    SetupList(GetOutlookList());
    m_History.Attach(m_hHistoryPage);

    // Settings: from the data folder when it can be had, else beside the program.
    if (!m_Options.dataFolder.empty()) {
        CxCopyText(m_szDataFolder, sizeof(m_szDataFolder), m_Options.dataFolder.c_str());
        m_Ini.SetPath((m_Options.dataFolder + kSettingsFileName).c_str());
        LoadSettings(m_Ini, m_Settings);
    } else {
        OpenSettings(m_Ini, m_Settings, m_szDataFolder, sizeof(m_szDataFolder));
    }
    m_HistoryMgr.SetDataFolder(m_szDataFolder);

    // The mode named by "SyncMode"; the resource checks the first one.
    CheckDlgButton(m_hListPage, IDC_RBTNADDRP2O, BST_CHECKED);
    const int modeIds[3] = {IDC_RBTNADDRP2O, IDC_RBTNADDRO2P, IDC_RBTNADDRSYNC};
    if (m_Settings.nSyncMode >= 1 && m_Settings.nSyncMode <= 3)
        CheckRadioButton(m_hListPage, IDC_RBTNADDRP2O, IDC_RBTNADDRSYNC,
                         modeIds[m_Settings.nSyncMode - 1]);

    ApplyLogSettings(m_Settings, m_szDataFolder);
    const ErrorReporter reportError = [this](const char* text) {
        Message(text, "Error", MB_OK | MB_ICONERROR);
    };
    StartPalmDesktop(reportError);
    ReportRefusedSettings(m_Settings, reportError);

    m_nDpi = WindowDpi(m_hWnd);
    SetWindowPos(m_hWnd, nullptr, 0, 0, Px(kFirstWindowWidth), Px(660), SWP_NOMOVE | SWP_NOZORDER);
    ShowPage(PAGE_LIST);
    Layout();
}

void TfmMain::Startup() {
    if (m_Settings.bShowWizard) {
        DialogContext ctx = MakeDialogContext();
        ShowWizardDialog(m_hWnd, ctx);
    }
    FirstLoad();
    m_HistoryMgr.Load(nullptr);
    m_History.Fill();
}

void TfmMain::FirstLoad() {
    try {
        m_pPalm = m_Options.makePalmSide ? m_Options.makePalmSide() : nullptr;
        m_pOutlook = m_Options.makeOutlookSide ? m_Options.makeOutlookSide() : nullptr;
        FillUserBox();
        if (m_pOutlook) {
            int32_t map[kFieldMapCount];
            GetFieldMapping(m_Settings, map);
            m_pOutlook->SetCustomMap(map);
        }
        FillPalmList(true);
        FillOutlookList(true);
        MarkLists();
        SetSyncAllMode(ReadMode() == SYNC_BOTH_WAYS);
        CX_LOG(2, "Contacts listed: %d Palm Desktop, %d Outlook.", RowCount(GetPalmList()),
               RowCount(GetOutlookList()));
    } catch (const std::exception& e) {
        FirstLoadFailed(e.what());
    } catch (...) {
        FirstLoadFailed("unknown error");
    }
}

void TfmMain::FirstLoadFailed(const char* reason) {
    CX_LOG(0, "Failed to initialize Contacts data.");
    CX_LOG(2, "The first load stopped on: %s", reason);
    Message("Failed to initialize Contacts data.", "Error", MB_OK | MB_ICONERROR);
    ShowProblemReport();
}

void TfmMain::FormDestroy() {
    if (m_bDestroyed) return;
    m_bDestroyed = true;
    m_pGuardReport.reset();
    int mode = ReadMode();
    if (mode) m_Settings.nSyncMode = mode;
    m_pPalm.reset();
    m_pOutlook.reset();
    SaveSettings(m_Ini, m_Settings);
    StopPalmDesktop();
}

void TfmMain::Close() {
    if (m_hWnd) DestroyWindow(m_hWnd);
}

bool TfmMain::PreTranslate(MSG* msg) {
    if (!m_hWnd) return false;
    // F5 reloads wherever the focus is in the window (not in a dialog it owns).
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_F5 && IsWindowEnabled(m_hWnd) &&
        (msg->hwnd == m_hWnd || IsChild(m_hWnd, msg->hwnd))) {
        ReloadBoth();
        return true;
    }
    HWND pages[3] = {m_hListPage, m_hHistoryPage, m_hWnd};
    for (HWND page : pages)
        if (page && IsChild(page, msg->hwnd) && IsDialogMessageA(page, msg)) return true;
    return IsDialogMessageA(m_hWnd, msg) != FALSE;
}

int TfmMain::ReadMode() const {
    if (IsDlgButtonChecked(m_hListPage, IDC_RBTNADDRP2O) == BST_CHECKED) return SYNC_PALM_TO_OUTLOOK;
    if (IsDlgButtonChecked(m_hListPage, IDC_RBTNADDRO2P) == BST_CHECKED) return SYNC_OUTLOOK_TO_PALM;
    if (IsDlgButtonChecked(m_hListPage, IDC_RBTNADDRSYNC) == BST_CHECKED) return SYNC_BOTH_WAYS;
    return 0;
}

void TfmMain::ShowPage(int page) {
    if (page < PAGE_LIST || page > PAGE_HISTORY) return;
    m_nPage = page;
    ShowWindow(m_hListPage, page == PAGE_LIST ? SW_SHOW : SW_HIDE);
    ShowWindow(m_hCardPage, page == PAGE_CARD ? SW_SHOW : SW_HIDE);
    ShowWindow(m_hHistoryPage, page == PAGE_HISTORY ? SW_SHOW : SW_HIDE);
    // The card page has no tab.
    HWND tab = GetDlgItem(m_hWnd, IDC_PMAIN);
    SendMessageA(tab, TCM_SETCURSEL, page == PAGE_LIST ? 0 : page == PAGE_HISTORY ? 1 : -1, 0);
    HMENU menu = GetMenu(m_hWnd);
    CheckMenuItem(menu, IDM_VIEWLIST, page == PAGE_LIST ? MF_CHECKED : MF_UNCHECKED);
    CheckMenuItem(menu, IDM_VIEWCARD, page == PAGE_CARD ? MF_CHECKED : MF_UNCHECKED);
    CheckMenuItem(menu, IDM_VIEWHISTORY, page == PAGE_HISTORY ? MF_CHECKED : MF_UNCHECKED);
}

void TfmMain::Layout() {
    if (!m_hWnd || !m_hListPage) return;
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    const int w = rc.right;
    MoveWindow(GetDlgItem(m_hWnd, IDC_LOGO), Px(8), Px(4), Px(48), Px(48), TRUE);
    MoveWindow(GetDlgItem(m_hWnd, IDC_NAMEPIC), Px(60), Px(4), Px(176), Px(48), TRUE);
    MoveWindow(GetDlgItem(m_hWnd, IDC_BTNEXIT), w - Px(110), Px(14), Px(100), Px(28), TRUE);
    MoveWindow(GetDlgItem(m_hWnd, IDC_BTNHELP), w - Px(110 + 105), Px(14), Px(100), Px(28), TRUE);

    HWND sb = GetDlgItem(m_hWnd, IDC_SBMAIN);
    SendMessageA(sb, WM_SIZE, 0, 0);
    RECT sr;
    GetWindowRect(sb, &sr);
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&sr), 2);
    MoveWindow(GetDlgItem(m_hWnd, IDC_PBSYNC), sr.left + 2, sr.top + 1, sr.right - sr.left - 4,
               sr.bottom - sr.top - 2, TRUE);
    SetWindowPos(GetDlgItem(m_hWnd, IDC_PBSYNC), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    HWND tab = GetDlgItem(m_hWnd, IDC_PMAIN);
    RECT tr = {2, Px(kTopBand), w - 2, sr.top - 2};
    MoveWindow(tab, tr.left, tr.top, tr.right - tr.left, tr.bottom - tr.top, TRUE);
    RECT pr = {0, 0, tr.right - tr.left, tr.bottom - tr.top};
    SendMessageA(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&pr));
    OffsetRect(&pr, tr.left, tr.top);
    const int pw = pr.right - pr.left, ph = pr.bottom - pr.top;
    for (HWND page : {m_hListPage, m_hCardPage, m_hHistoryPage}) {
        MoveWindow(page, pr.left, pr.top, pw, ph, TRUE);
        SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    LayoutListPage(pw, ph);
    m_History.Layout(pw, ph, m_nDpi);
    RepaintAll(m_hWnd);
}

// In layout pixels; each edge is scaled on its own, so controls apart at
// 96 DPI stay apart at any DPI.
void TfmMain::LayoutListPage(int pixelWidth, int pixelHeight) {
    const int w = Lx(pixelWidth), h = Lx(pixelHeight);
    auto place = [this](int id, int x, int y, int cw, int ch) {
        const int left = Px(x), top = Px(y);
        MoveWindow(GetDlgItem(m_hListPage, id), left, top, Px(x + cw) - left, Px(y + ch) - top, TRUE);
    };
    const int band = BandWidth(w);
    place(IDC_LBLUSER, 25, 19, 62, 18);
    place(IDC_CBADDRUSER, 90, 15, 150, 200);
    place(IDC_LBLMODE, 255, 19, 70, 18);
    place(IDC_RBTNADDRP2O, 325, 16, 160, 20);
    place(IDC_RBTNADDRO2P, 488, 16, 160, 20);
    place(IDC_RBTNADDRSYNC, 651, 16, 112, 20);
    // Start and Options keep to the right edge but never cover a mode.
    const int start = std::max(15 + band - 185, kModesRight + 8);
    place(IDC_BTNADDRSTART, start, 12, 85, 26);
    place(IDC_BTNADDROPTION, start + 90, 12, 85, 26);

    const int listHeight = h - kListTop - kListBottomSpace;
    const SplitPanes panes = SplitWidths(band, kSplitGap, m_dSplit, kMinListWidth);
    place(IDC_LVPDADDR, kListLeft, kListTop, panes.left, listHeight);
    place(IDC_LVOLADDR, kListLeft + panes.left + kSplitGap, kListTop, panes.right, listHeight);
    m_rcSplitter = {kListLeft + panes.left, kListTop, kListLeft + panes.left + kSplitGap,
                    kListTop + std::max(0, listHeight)};

    const int bottom = h - 71;
    place(IDC_LBLPDDATA, 20, bottom + 12, 120, 18);
    place(IDC_BTNADDRPDALL, 20 + 120, bottom + 8, 85, 26);
    place(IDC_BTNADDRPDDIFF, 20 + 210, bottom + 8, 85, 26);
    place(IDC_BTNADDRPDCLEAR, 20 + 300, bottom + 8, 85, 26);
    // The Outlook group starts at the middle of the band; on a narrow page
    // it moves left rather than past the edge.
    const int label = std::min(15 + band / 2 + 5, 15 + band - (255 + 85));
    place(IDC_LBLOLDATA, label, bottom + 12, 74, 18);
    place(IDC_BTNADDROLALL, label + 75, bottom + 8, 85, 26);
    place(IDC_BTNADDROLDIFF, label + 165, bottom + 8, 85, 26);
    place(IDC_BTNADDROLCLEAR, label + 255, bottom + 8, 85, 26);
    place(IDC_LBLSYNCALL, 20, bottom + 40, std::min(band - 10, 420), 18);
    RepaintAll(m_hListPage);
}

bool TfmMain::OnSplitterMouse(UINT msg, int pixelX, int pixelY) {
    const int x = Lx(pixelX), y = Lx(pixelY);
    const POINT pt = {x, y};
    switch (msg) {
    case WM_LBUTTONDOWN:
        if (!PtInRect(&m_rcSplitter, pt)) return false;
        m_nSplitGrab = x - m_rcSplitter.left;
        m_bSplitDrag = true;
        SetCapture(m_hListPage);
        return true;
    case WM_MOUSEMOVE: {
        if (!m_bSplitDrag) return false;
        RECT rc;
        GetClientRect(m_hListPage, &rc);
        m_dSplit = SplitRatioAt(x - m_nSplitGrab - kListLeft, BandWidth(Lx(rc.right)), kSplitGap, kMinListWidth);
        LayoutListPage(rc.right, rc.bottom);
        return true;
    }
    case WM_LBUTTONUP:
        if (!m_bSplitDrag) return false;
        m_bSplitDrag = false;
        ReleaseCapture();
        return true;
    }
    return false;
}

int TfmMain::Message(const char* text, const char* caption, UINT type) {
    int answer = m_Options.messageBox ? m_Options.messageBox(m_hWnd, text, caption, type)
                                      : MessageBoxA(m_hWnd, text, caption, type);
    KeepBusyCursor();
    return answer;
}

DialogContext TfmMain::MakeDialogContext() {
    DialogContext ctx;
    ctx.settings = &m_Settings;
    ctx.users = &GetPalmUserList();
    ctx.outlook = m_pOutlook ? m_pOutlook->GetUtil() : nullptr;
    ctx.applyFieldMapping = [this]() {
        if (!m_pOutlook) return;
        int32_t map[kFieldMapCount];
        GetFieldMapping(m_Settings, map);
        m_pOutlook->SetCustomMap(map);
    };
    return ctx;
}

void TfmMain::ShowProblemReport() {
    DialogContext ctx = MakeDialogContext();
    // "Quit Vantoro" ends the program through the normal shutdown.
    if (ShowProblemReportDialog(m_hWnd, ctx) == 1 && m_hWnd) PostMessage(m_hWnd, WM_CLOSE, 0, 0);
}

void TfmMain::RunSync() {
    const int mode = ReadMode();
    if (!mode) return;
    m_Settings.nSyncMode = mode;
    if (!m_pPalm || !m_pOutlook) {
        CX_LOG(0, "The synchronization cannot run: a contact store is missing.");
        Message("The contacts could not be loaded, so nothing can be synchronized.\r\n\r\n"
                "The debug log holds the reasons.",
                "Error", MB_OK | MB_ICONERROR);
        return;
    }
    std::vector<SyncRow> palmRows, outlookRows;
    auto collect = [](HWND list, std::vector<SyncRow>& rows) {
        int n = RowCount(list);
        rows.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            rows.push_back({RowRecord(list, i), ListView_GetCheckState(list, i) != FALSE});
    };
    collect(GetPalmList(), palmRows);
    collect(GetOutlookList(), outlookRows);
    try {
        SyncEngine engine(*m_pPalm, *m_pOutlook, m_HistoryMgr, *this);
        engine.Run(mode, palmRows, outlookRows, m_Settings.nConfAction);
    } catch (const std::exception& e) {
        CX_LOG(0, "The synchronization stopped on an error: %s", e.what());
        ShowProgress(false);
        SetBusy(false);
        ShowProblemReport();
    } catch (...) {
        CX_LOG(0, "The synchronization stopped on an unknown error.");
        ShowProgress(false);
        SetBusy(false);
        ShowProblemReport();
    }
}

void TfmMain::cbAddrUserChange() {
    HWND box = GetDlgItem(m_hListPage, IDC_CBADDRUSER);
    int sel = static_cast<int>(SendMessageA(box, CB_GETCURSEL, 0, 0));
    if (sel < 0) return;
    auto* user = reinterpret_cast<PalmUserInfo*>(SendMessageA(box, CB_GETITEMDATA, static_cast<WPARAM>(sel), 0));
    if (!user || reinterpret_cast<LRESULT>(user) == CB_ERR) return;
    m_Settings.nPDUserID = static_cast<int32_t>(user->nUserID);
    FillPalmList(true);
    MarkLists();
}

void TfmMain::miToolOptionClick() {
    DialogContext ctx = MakeDialogContext();
    if (ShowOptionsDialog(m_hWnd, ctx) == 1) {
        FillPalmList(true);
        MarkLists();
    }
}

void TfmMain::ExportContacts() {
    ExportContext ctx;
    auto ticked = [](HWND list, std::vector<const CommAddr*>& out) {
        for (int i = 0; i < RowCount(list); ++i)
            if (ListView_GetCheckState(list, i)) out.push_back(RowRecord(list, i));
    };
    if (m_pPalm) {
        ctx.palm = m_pPalm->GetFacade();
        ctx.palmStore = &m_pPalm->GetStore();
        ticked(GetPalmList(), ctx.palmTicked);
    }
    if (m_pOutlook) {
        ctx.outlookStore = &m_pOutlook->GetStore();
        ticked(GetOutlookList(), ctx.outlookTicked);
    }
    ShowExportDialog(m_hWnd, ctx);
}

void TfmMain::miToolDebugClick() {
    DialogContext ctx = MakeDialogContext();
    ShowDebugSettingsDialog(m_hWnd, ctx);
}

void TfmMain::ListDblClick(HWND list) {
    int row = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (row < 0) return;
    const CommAddr* rec = RowRecord(list, row);
    if (rec) ShowDetailDialog(m_hWnd, *rec);
}

void TfmMain::OnContextMenu(HWND list, int x, int y) {
    if (!m_hListMenu) return;
    if (x == -1 && y == -1) {
        RECT rc;
        GetWindowRect(list, &rc);
        x = rc.left + 10;
        y = rc.top + 10;
    }
    HMENU popup = PrepareListMenu();
    int cmd = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, m_hWnd, nullptr);
    switch (cmd) {
    case IDM_LISTALL: SetAllChecks(list, true); break;
    case IDM_LISTDIFF: SelectDiff(list); break;
    case IDM_LISTCLEAR: SetAllChecks(list, false); break;
    case IDM_LISTDETAIL: ListDblClick(list); break;
    }
}

void TfmMain::OpenHelp() {
    char folder[CX_MAX_PATH] = {};
    std::string path = GetModuleFolder(nullptr, folder, sizeof(folder)) ? std::string(folder) : "";
    path += kHelpGuideFile;
    if (folder[0] && ShellOpenTarget(path.c_str())) return;
    CX_LOG(0, "Failed to open the user guide: %s", path.c_str());
    std::string text = "The user guide could not be opened:\r\n" + path +
                       "\r\n\r\nIt is the guide folder beside the program; reinstalling Vantoro puts it back.";
    Message(text.c_str(), "Help", MB_OK | MB_ICONWARNING);
}

void TfmMain::OpenWebSite() {
    if (ShellOpenTarget(kHomePageUrl)) return;
    CX_LOG(0, "Failed to open the web site: %s", kHomePageUrl);
    std::string text = std::string("The web browser could not be started for:\r\n") + kHomePageUrl +
                       "\r\n\r\nPlease open this address in your browser yourself.";
    Message(text.c_str(), "Vantoro Web Site", MB_OK | MB_ICONWARNING);
}

bool TfmMain::ShellOpenTarget(const char* target) {
    return m_Options.shellOpen ? m_Options.shellOpen(target) : cxplat::ShellOpen(target);
}

void TfmMain::OnCommand(int id, int code, HWND) {
    HWND pd = GetPalmList(), ol = GetOutlookList();
    // Synchronize All takes every row: its ticks are not the user's to change.
    const bool tickCommand = id == IDC_BTNADDRPDALL || id == IDC_BTNADDRPDCLEAR || id == IDC_BTNADDRPDDIFF ||
                             id == IDC_BTNADDROLALL || id == IDC_BTNADDROLCLEAR || id == IDC_BTNADDROLDIFF;
    if (tickCommand && m_bSyncAll) return;
    if ((id == IDC_RBTNADDRP2O || id == IDC_RBTNADDRO2P || id == IDC_RBTNADDRSYNC) && code == BN_CLICKED)
        SetSyncAllMode(id == IDC_RBTNADDRSYNC);
    switch (id) {
    case IDC_BTNADDRPDALL: SetAllChecks(pd, true); break;
    case IDC_BTNADDRPDCLEAR: SetAllChecks(pd, false); break;
    case IDC_BTNADDRPDDIFF: SelectDiff(pd); break;
    case IDC_BTNADDROLALL: SetAllChecks(ol, true); break;
    case IDC_BTNADDROLCLEAR: SetAllChecks(ol, false); break;
    case IDC_BTNADDROLDIFF: SelectDiff(ol); break;
    case IDC_RBTNADDRP2O:
        if (code == BN_CLICKED) SelectDiff(pd);
        break;
    case IDC_RBTNADDRO2P:
        if (code == BN_CLICKED) SelectDiff(ol);
        break;
    case IDC_RBTNADDRSYNC: break;  // every row takes part: nothing to tick
    case IDC_BTNADDRSTART:
    case IDM_FILESYNC: RunSync(); break;
    case IDM_FILEEXPORT: ExportContacts(); break;
    case IDM_FILERELOAD: ReloadBoth(); break;
    case IDC_BTNADDROPTION:
    case IDM_TOOLOPTION: miToolOptionClick(); break;
    case IDC_CBADDRUSER:
        if (code == CBN_SELCHANGE) cbAddrUserChange();
        break;
    case IDC_BTNEXIT:
    case IDM_FILEEXIT: SendMessageA(m_hWnd, WM_CLOSE, 0, 0); break;
    case IDM_VIEWLIST: ShowPage(PAGE_LIST); break;
    case IDM_VIEWCARD: ShowPage(PAGE_CARD); break;
    case IDM_VIEWHISTORY: ShowPage(PAGE_HISTORY); break;
    case IDM_TOOLDEBUG: miToolDebugClick(); break;
    case IDC_BTNHELP:
    case IDM_HELPCONTENT: OpenHelp(); break;
    case IDM_HELPWEB: OpenWebSite(); break;
    case IDM_HELPABOUT: ShowAboutDialog(m_hWnd); break;
    default: m_History.OnCommand(id); break;
    }
}

LRESULT TfmMain::OnNotify(NMHDR* hdr) {
    if (hdr->idFrom == IDC_PMAIN && hdr->code == TCN_SELCHANGE) {
        int tab = static_cast<int>(SendMessageA(hdr->hwndFrom, TCM_GETCURSEL, 0, 0));
        ShowPage(tab == 1 ? PAGE_HISTORY : PAGE_LIST);
        return 0;
    }
    if (hdr->idFrom != IDC_LVPDADDR && hdr->idFrom != IDC_LVOLADDR) return 0;
    if (hdr->code == NM_CUSTOMDRAW) {
        auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(hdr);
        if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
        if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
            cd->clrText = RowColor(reinterpret_cast<const CommAddr*>(cd->nmcd.lItemlParam));
            return CDRF_DODEFAULT;
        }
        return CDRF_DODEFAULT;
    }
    if (hdr->code == LVN_ITEMCHANGING)
        return TickChangeAllowed(reinterpret_cast<NMLISTVIEW*>(hdr)) ? FALSE : TRUE;
    if (hdr->code == NM_DBLCLK) ListDblClick(hdr->hwndFrom);
    return 0;
}

// ISyncCallback

void TfmMain::SetBusy(bool busy) {
    if (busy != m_bBusy) BlockSessionEnd(busy);
    m_bBusy = busy;
    SetCursor(LoadCursorA(nullptr, busy ? MAKEINTRESOURCEA(32514) : MAKEINTRESOURCEA(32512)));
}

// A message box or dialog during a run puts the arrow back: the run is not
// over, so the hourglass returns with it.
bool TfmMain::KeepBusyCursor() {
    if (m_bBusy) SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));
    return m_bBusy;
}

void TfmMain::ShowProgress(bool visible) {
    ShowWindow(GetDlgItem(m_hWnd, IDC_PBSYNC), visible ? SW_SHOW : SW_HIDE);
}

void TfmMain::SetProgress(int percent) {
    // The run reports every row; the bar only needs each new percentage.
    if (percent == m_nProgress) return;
    m_nProgress = percent;
    HWND pb = GetDlgItem(m_hWnd, IDC_PBSYNC);
    SendMessageA(pb, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    UpdateWindow(pb);
}

void TfmMain::SetRowTicked(bool palmList, size_t row, bool ticked) {
    ListView_SetCheckState(palmList ? GetPalmList() : GetOutlookList(), static_cast<int>(row), ticked);
}

void TfmMain::ShowMessage(const char* text, const char* caption, SyncIcon icon) {
    UINT type = MB_OK | (icon == SyncIcon::Error     ? MB_ICONERROR
                         : icon == SyncIcon::Warning ? MB_ICONWARNING
                                                     : MB_ICONINFORMATION);
    Message(text, caption, type);
}

bool TfmMain::AskConflict(const CommAddr& palmRec, const CommAddr& outlookRec, int32_t& action,
                          bool& applyThisRun, bool& applyAlways) {
    TfmConfAlert dlg;
    dlg.ShowRecords(&palmRec, &outlookRec);
    dlg.TransferChoice(false);
    const INT_PTR answer = dlg.ShowModal(m_hWnd);
    KeepBusyCursor();
    if (answer != 1) return false;  // Cancel, close box, or not shown
    action = dlg.GetAction();
    applyThisRun = dlg.GetApplyThisRun();
    applyAlways = dlg.GetApplyAlways();
    return true;
}

void TfmMain::RefreshAfterChange() {
    FillPalmList(false);
    FillOutlookList(false);
    MarkLists();
    m_History.Fill();
}

// Window procedures

// Commands and notifications reach the window from its own controls and
// from those of its pages alike.
INT_PTR TfmMain::ForwardToWindow(TfmMain* self, HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!self) return FALSE;
    if (msg == WM_COMMAND) {
        if (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL)
            self->OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return TRUE;
    }
    SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, self->OnNotify(reinterpret_cast<NMHDR*>(lParam)));
    return TRUE;
}

// An error must not leave through the system's code that called the
// procedure: the guard reports it.
INT_PTR CALLBACK TfmMain::MainProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return CxGuard("the main window", FALSE, [&] { return MainMessage(hWnd, msg, wParam, lParam); });
}

INT_PTR CALLBACK TfmMain::PageProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return CxGuard("a page of the main window", FALSE,
                   [&] { return PageMessage(hWnd, msg, wParam, lParam); });
}

INT_PTR TfmMain::MainMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TfmMain*>(GetWindowLongPtrA(hWnd, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        self = reinterpret_cast<TfmMain*>(lParam);
        SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
        self->m_hWnd = hWnd;
        self->FormCreate();
        return TRUE;
    case WM_SIZE:
        if (self) self->Layout();
        return TRUE;
    case WM_SETCURSOR:
        if (self && self->KeepBusyCursor()) {
            SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        break;
    case WM_GETMINMAXINFO: {
        auto* mm = reinterpret_cast<MINMAXINFO*>(lParam);
        mm->ptMinTrackSize.x = self ? self->Px(kMinWindowWidth) : kMinWindowWidth;
        mm->ptMinTrackSize.y = self ? self->Px(420) : 420;
        return TRUE;
    }
    case WM_DPICHANGED:
        // Moved to a screen of another DPI: the system's suggested frame, laid out anew.
        if (self) {
            self->m_nDpi = HIWORD(wParam);
            const RECT* r = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(hWnd, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            self->Layout();
        }
        return TRUE;
    case WM_COMMAND:
    case WM_NOTIFY:
        return ForwardToWindow(self, hWnd, msg, wParam, lParam);
    case WM_CLOSE:
        if (!self || self->CloseRequested()) DestroyWindow(hWnd);
        return TRUE;
    case WM_QUERYENDSESSION:
        SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, !self || self->OnQueryEndSession());
        return TRUE;
    case WM_ENDSESSION:
        if (self) self->OnEndSession(wParam != FALSE);
        return TRUE;
    case WM_DESTROY:
        if (self) {
            self->FormDestroy();
            self->m_hWnd = nullptr;
            if (self->m_Options.quitOnDestroy) PostQuitMessage(0);
        }
        return TRUE;
    }
    return FALSE;
}

INT_PTR TfmMain::PageMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TfmMain*>(GetWindowLongPtrA(hWnd, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
        return FALSE;
    case WM_COMMAND:
    case WM_NOTIFY:
        return ForwardToWindow(self, hWnd, msg, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
        if (self && hWnd == self->m_hListPage &&
            self->OnSplitterMouse(msg, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)))
            return TRUE;
        break;
    case WM_CAPTURECHANGED:
        if (self && hWnd == self->m_hListPage) self->m_bSplitDrag = false;
        break;
    case WM_SETCURSOR:
        if (self && self->KeepBusyCursor()) {
            SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        if (self && hWnd == self->m_hListPage && reinterpret_cast<HWND>(wParam) == hWnd) {
            POINT pt;
            GetCursorPos(&pt);
            ScreenToClient(hWnd, &pt);
            pt = {self->Lx(pt.x), self->Lx(pt.y)};
            if (self->m_bSplitDrag || PtInRect(&self->m_rcSplitter, pt)) {
                SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32644)));  // IDC_SIZEWE
                SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, TRUE);
                return TRUE;
            }
        }
        break;
    case WM_CONTEXTMENU: {
        HWND target = reinterpret_cast<HWND>(wParam);
        if (self && (target == self->GetPalmList() || target == self->GetOutlookList())) {
            self->OnContextMenu(target, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return TRUE;
        }
        break;
    }
    }
    return FALSE;
}

int TfmMain::Px(int layout) const { return ScaleToDpi(layout, m_nDpi); }

int TfmMain::Lx(int pixels) const { return ScaleFromDpi(pixels, m_nDpi); }
