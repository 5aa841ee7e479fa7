#include "src/dialogs/ProblemReportDialog.h"

#include "src/AppDialogs.h"
#include "src/dialogs/DialogIds.h"

namespace {
// Not 1: the caller takes 1 as the user's choice to quit.
constexpr int kClosed = IDCANCEL;
constexpr int kQuit = 1;
}  // namespace

ProblemReportDialog::ProblemReportDialog() : LogInfoDialog(IDD_DUMP) {}

ProblemReportDialog::~ProblemReportDialog() {
    if (m_hLinkFont) DeleteObject(m_hLinkFont);
}

void ProblemReportDialog::OnInit() {
    SetProductPictures(m_hWnd);
    HWND link = Item(IDC_DP_SUPPORT);
    SetWindowTextA(link, SupportAddress());
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(link, WM_GETFONT, 0, 0));
    LOGFONTA lf = {};
    if (font && GetObjectA(font, sizeof(lf), &lf)) {
        lf.lfUnderline = TRUE;
        m_hLinkFont = CreateFontIndirectA(&lf);
        if (m_hLinkFont) SendMessageA(link, WM_SETFONT, reinterpret_cast<WPARAM>(m_hLinkFont), 0);
    }
    FillLogPaths();
}

void ProblemReportDialog::lblSupportClick() { ShellOpen(SupportMailLink().c_str()); }

bool ProblemReportDialog::OnCommand(int id, int code) {
    if (OnLogCommand(id, code)) return true;
    switch (id) {
    case IDC_DP_SUPPORT:
        if (code == STN_CLICKED) lblSupportClick();
        return true;
    case IDOK:
    case IDCANCEL:
        Close(kClosed);
        return true;
    case IDC_DP_EXIT:
        Close(kQuit);
        return true;
    default:
        return false;
    }
}

INT_PTR ProblemReportDialog::OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
    handled = false;
    if (msg == WM_CTLCOLORSTATIC && GetDlgCtrlID(reinterpret_cast<HWND>(lp)) == IDC_DP_SUPPORT) {
        HDC dc = reinterpret_cast<HDC>(wp);
        SetTextColor(dc, RGB(0, 0, 255));
        SetBkMode(dc, TRANSPARENT);
        handled = true;
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }
    if (msg == WM_SETCURSOR &&
        GetDlgCtrlID(reinterpret_cast<HWND>(wp)) == IDC_DP_SUPPORT) {
        SetCursor(LoadCursor(nullptr, IDC_HAND));
        handled = true;
        return TRUE;
    }
    return 0;
}

int ShowProblemReportDialog(HWND owner, DialogContext&) {
    ProblemReportDialog dlg;
    return dlg.ShowModal(owner);
}
