#include "src/dialogs/OptionDialog.h"

#include <commctrl.h>

#include <cstring>

#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxText.h"
#include "src/AppDialogs.h"
#include "src/AppSettings.h"
#include "src/dialogs/DialogIds.h"

namespace {

constexpr DWORD kFileNameChars = 259;

// The user's own colours in the colour dialog, kept while the program runs.
COLORREF g_CustomColors[16] = {};

void ReplaceBrush(HBRUSH& brush, COLORREF color) {
    if (brush) DeleteObject(brush);
    brush = CreateSolidBrush(color);
}

}  // namespace

OptionDialog::OptionDialog(DialogContext& ctx) : DialogBase(IDD_OPTIONS), m_Ctx(ctx) {}

OptionDialog::~OptionDialog() {
    for (HBRUSH b : {m_hSame, m_hDiff, m_hNew})
        if (b) DeleteObject(b);
}

void OptionDialog::OnInit() {
    HWND tab = GetDlgItem(m_hWnd, IDC_OP_PAGES);
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>("Contacts");
    SendMessageA(tab, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    // The page's controls lie over the tab; keep them painted above it.
    SetWindowPos(tab, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    TransferSettings(false);
}

void OptionDialog::UpdateEnabling() {
    bool file = IsChecked(IDC_OP_ADDRFILE);
    Enable(IDC_OP_ADDRFILE_EDIT, file);
    Enable(IDC_OP_BROWSE, file);
    Enable(IDC_OP_SETUP, IsChecked(IDC_OP_CUSTOM));
}

bool OptionDialog::TransferSettings(bool save) {
    AppSettings* s = m_Ctx.settings;
    if (!s) return false;
    if (!save) {
        SetCheck(IDC_OP_SHOWCOLOR, s->bShowColor);
        m_crSame = static_cast<COLORREF>(s->nSameColor);
        m_crDiff = static_cast<COLORREF>(s->nDiffColor);
        m_crNew = static_cast<COLORREF>(s->nNewColor);
        ReplaceBrush(m_hSame, m_crSame);
        ReplaceBrush(m_hDiff, m_crDiff);
        ReplaceBrush(m_hNew, m_crNew);
        int radio = IDC_OP_NOTHING;
        if (s->nConfAction == CONF_PALM_WINS) radio = IDC_OP_P2O;
        else if (s->nConfAction == CONF_OUTLOOK_WINS) radio = IDC_OP_O2P;
        else if (s->nConfAction == CONF_REMIND) radio = IDC_OP_REMIND;
        CheckRadioButton(m_hWnd, IDC_OP_P2O, IDC_OP_REMIND, radio);
        SetText(IDC_OP_ADDRFILE_EDIT, s->szAddrFileName);
        SetCheck(IDC_OP_ADDRFILE, s->bUseAddrFile);
        SetCheck(IDC_OP_SWAP, s->bAddrSwapName);
        SetCheck(IDC_OP_CUSTOM, s->bAddrCustom);
        UpdateEnabling();
        return true;
    }

    s->bShowColor = IsChecked(IDC_OP_SHOWCOLOR);
    s->nSameColor = static_cast<int32_t>(m_crSame);
    s->nDiffColor = static_cast<int32_t>(m_crDiff);
    s->nNewColor = static_cast<int32_t>(m_crNew);
    if (IsChecked(IDC_OP_P2O)) {
        s->nConfAction = CONF_PALM_WINS;
        s->bActionAlways = true;
    } else if (IsChecked(IDC_OP_O2P)) {
        s->nConfAction = CONF_OUTLOOK_WINS;
        s->bActionAlways = true;
    } else if (IsChecked(IDC_OP_NOTHING)) {
        s->nConfAction = CONF_DO_NOTHING;
        s->bActionAlways = true;
    } else {
        s->nConfAction = CONF_REMIND;
        s->bActionAlways = false;
    }
    s->bUseAddrFile = IsChecked(IDC_OP_ADDRFILE);
    if (s->bUseAddrFile) {
        std::string name = GetText(IDC_OP_ADDRFILE_EDIT);
        if (name != s->szAddrFileName) {
            if (name.size() >= sizeof(s->szAddrFileName))
                CX_LOG(0, "Contacts file name longer than %u characters, cut: %s",
                       static_cast<unsigned>(sizeof(s->szAddrFileName) - 1), name.c_str());
            CxCopyText(s->szAddrFileName, sizeof(s->szAddrFileName), name.c_str());
        }
    }
    s->bAddrSwapName = IsChecked(IDC_OP_SWAP);
    s->bAddrCustom = IsChecked(IDC_OP_CUSTOM);
    if (!s->bAddrCustom) {
        for (int n = 0; n < 9; ++n) s->nAddrCustom[n] = 0;
        if (m_Ctx.applyFieldMapping) m_Ctx.applyFieldMapping();
    }
    return true;
}

void OptionDialog::PickColor(int id, COLORREF& color) {
    CHOOSECOLORA cc = {};
    cc.lStructSize = sizeof(cc);
    cc.hwndOwner = m_hWnd;
    cc.rgbResult = color;
    cc.lpCustColors = g_CustomColors;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!GetDialogServices().chooseColor(&cc)) return;
    color = cc.rgbResult;
    HBRUSH& brush = id == IDC_OP_SAMECOLOR ? m_hSame : id == IDC_OP_DIFFCOLOR ? m_hDiff : m_hNew;
    ReplaceBrush(brush, color);
    InvalidateRect(Item(id), nullptr, TRUE);
}

void OptionDialog::btnAddrBrowseClick() {
    char file[kFileNameChars + 1] = {};
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = m_hWnd;
    ofn.lpstrFilter =
        "Palm Desktop 4.x Database File(*.dat)\0*.dat\0"
        "Palm Desktop 6.x Database File(*.mdb)\0*.mdb\0"
        "All Files(*.*)\0*.*\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = kFileNameChars;
    ofn.lpstrTitle = "Open Palm Desktop Contacts data file";
    ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (!GetDialogServices().openFileName(&ofn)) return;
    file[kFileNameChars] = 0;
    int type = GetDialogServices().detectFileType(file);
    if (type < 1 || type > 3) {
        MessageBoxText("Invalid Palm Desktop contacts database file, please try another one.",
                       "Error", MB_OK | MB_ICONERROR);
        SetFocus(Item(IDC_OP_ADDRFILE_EDIT));
        return;
    }
    SetText(IDC_OP_ADDRFILE_EDIT, file);
}

void OptionDialog::btnAddrCustomClick() {
    // What the mapping dialog confirms is already in the settings.
    ShowCustomMapDialog(m_hWnd, m_Ctx);
}

void OptionDialog::btnOKClick() {
    TransferSettings(true);
    Close(1);
}

bool OptionDialog::OnCommand(int id, int code) {
    switch (id) {
    case IDOK:
        btnOKClick();
        return true;
    case IDC_OP_ADDRFILE:
    case IDC_OP_CUSTOM:
        if (code == BN_CLICKED) UpdateEnabling();
        return true;
    case IDC_OP_BROWSE:
        if (code == BN_CLICKED) btnAddrBrowseClick();
        return true;
    case IDC_OP_SETUP:
        if (code == BN_CLICKED) btnAddrCustomClick();
        return true;
    case IDC_OP_SAMECOLOR:
        if (code == STN_CLICKED) PickColor(id, m_crSame);
        return true;
    case IDC_OP_DIFFCOLOR:
        if (code == STN_CLICKED) PickColor(id, m_crDiff);
        return true;
    case IDC_OP_NEWCOLOR:
        if (code == STN_CLICKED) PickColor(id, m_crNew);
        return true;
    default:
        return false;
    }
}

INT_PTR OptionDialog::OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
    if (msg == WM_CTLCOLORSTATIC) {
        int id = GetDlgCtrlID(reinterpret_cast<HWND>(lp));
        HBRUSH brush = id == IDC_OP_SAMECOLOR ? m_hSame
                       : id == IDC_OP_DIFFCOLOR ? m_hDiff
                       : id == IDC_OP_NEWCOLOR  ? m_hNew
                                                : nullptr;
        if (brush) {
            handled = true;
            return reinterpret_cast<INT_PTR>(brush);
        }
    }
    handled = false;
    return 0;
}

int ShowOptionsDialog(HWND owner, DialogContext& ctx) {
    if (!ctx.settings) return -1;
    OptionDialog dlg(ctx);
    return dlg.ShowModal(owner);
}
