#include "src/dialogs/WizardDialog.h"

#include <string>

#include "src/AppDialogs.h"
#include "src/AppSettings.h"
#include "src/dialogs/DialogIds.h"

namespace {
constexpr COLORREF kFoundColor = 0xFF0000;  // blue
constexpr COLORREF kMissingColor = 255;     // red
constexpr const char* kNotFound = "Not Found.";
}  // namespace

WizardDialog::WizardDialog(DialogContext& ctx) : DialogBase(IDD_WIZARD), m_Ctx(ctx) {}

void WizardDialog::OnInit() {
    SetProductPictures(m_hWnd);
    TransferWizard(false);
}

void WizardDialog::FillUsers() {
    HWND box = Item(IDC_WZ_USER);
    SendMessageA(box, CB_RESETCONTENT, 0, 0);
    PalmUserList* users = m_Ctx.users;
    if (!users || users->GetCount() == 0) return;
    uint32_t wanted = static_cast<uint32_t>(m_Ctx.settings->nPDUserID);
    if (wanted == 0) wanted = users->GetAt(0)->nUserID;
    int select = -1;
    for (uint32_t i = 0; i < users->GetCount(); ++i) {
        PalmUserInfo* u = users->GetAt(i);
        if (!u) continue;
        LRESULT pos = SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u->szUserName));
        if (pos < 0) continue;
        SendMessageA(box, CB_SETITEMDATA, pos, reinterpret_cast<LPARAM>(u));
        if (select < 0 && u->nUserID == wanted) select = static_cast<int>(pos);
    }
    SendMessageA(box, CB_SETCURSEL, select < 0 ? 0 : select, 0);
}

bool WizardDialog::TransferWizard(bool save) {
    AppSettings* s = m_Ctx.settings;
    if (save) {
        s->bShowWizard = IsChecked(IDC_WZ_SHOW);
        HWND box = Item(IDC_WZ_USER);
        LRESULT sel = SendMessageA(box, CB_GETCURSEL, 0, 0);
        if (sel != CB_ERR) {
            auto* u = reinterpret_cast<PalmUserInfo*>(SendMessageA(box, CB_GETITEMDATA, sel, 0));
            if (u && reinterpret_cast<LRESULT>(u) != CB_ERR)
                s->nPDUserID = static_cast<int32_t>(u->nUserID);
        }
        return true;
    }
    SetCheck(IDC_WZ_SHOW, s->bShowWizard);
    FillUsers();
    std::string text;
    m_bOutlookFound = GetDialogServices().outlookVersionText(text);
    SetText(IDC_WZ_OLVER, m_bOutlookFound ? text.c_str() : kNotFound);
    text.clear();
    m_bPalmFound = GetDialogServices().palmVersionText(text);
    SetText(IDC_WZ_PDVER, m_bPalmFound ? text.c_str() : kNotFound);
    return true;
}

bool WizardDialog::OnCommand(int id, int code) {
    if (id == IDOK) {
        TransferWizard(true);
        Close(1);
        return true;
    }
    if (id == IDC_WZ_DEBUG) {
        // Owned by the wizard: while it is up the wizard waits, and the
        // window below stays disabled until the wizard itself closes.
        if (code == BN_CLICKED) ShowDebugSettingsDialog(m_hWnd, m_Ctx);
        return true;
    }
    return false;
}

INT_PTR WizardDialog::OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
    handled = false;
    if (msg != WM_CTLCOLORSTATIC) return 0;
    int id = GetDlgCtrlID(reinterpret_cast<HWND>(lp));
    if (id != IDC_WZ_OLVER && id != IDC_WZ_PDVER) return 0;
    bool found = id == IDC_WZ_OLVER ? m_bOutlookFound : m_bPalmFound;
    HDC dc = reinterpret_cast<HDC>(wp);
    SetTextColor(dc, found ? kFoundColor : kMissingColor);
    SetBkMode(dc, TRANSPARENT);
    handled = true;
    return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
}

int ShowWizardDialog(HWND owner, DialogContext& ctx) {
    if (!ctx.settings) return -1;
    WizardDialog dlg(ctx);
    return dlg.ShowModal(owner);
}
