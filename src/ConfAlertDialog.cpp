#include "src/ConfAlertDialog.h"

#include <commctrl.h>

#include <vector>

#include "common/addr/CommAddr.h"
#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxGuard.h"
#include "src/resource.h"

namespace {

std::function<void(HWND)>& ShownHook() {
    static std::function<void(HWND)> hook;
    return hook;
}

// The eight fields of the list, as the main window's lists show them.
const int32_t kListFields[8] = {FID_FIRST_NAME, FID_LAST_NAME, FID_EMAIL,  FID_WORK_PHONE,
                                FID_HOME_PHONE, FID_MOBILE_PHONE, FID_COMPANY, FID_TITLE};
const char* const kColumns[9] = {"Software",   "First Name",   "Last Name",
                                 "Email",      "Business Phone", "Home Phone",
                                 "Mobile Phone", "Company",     "Title"};
const int kColumnWidths[9] = {100, 70, 70, 110, 90, 80, 80, 80, 70};

void AddRow(HWND lv, int row, const char* caption, const CommAddr* rec) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = row;
    item.pszText = const_cast<char*>(caption);
    item.lParam = reinterpret_cast<LPARAM>(rec);
    int at = static_cast<int>(SendMessageA(lv, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    for (int c = 0; c < 8; ++c) {
        char text[256] = {};
        CommFieldInfo info;
        if (GetFieldInfo(kListFields[c], &info)) GetFieldText(rec, &info, text, sizeof(text));
        LVITEMA sub = {};
        sub.iSubItem = c + 1;
        sub.pszText = text;
        SendMessageA(lv, LVM_SETITEMTEXTA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&sub));
    }
}

// Line breaks of a value shown on one line.
std::string OneLine(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p == '\r') continue;
        out += *p == '\n' ? ' ' : *p;
    }
    return out;
}

}  // namespace

void TfmConfAlert::FormCreate() {
    m_nAction = kNothing;
    m_bApplyThisRun = false;
    m_bApplyAlways = false;
}

void TfmConfAlert::SetShownHook(std::function<void(HWND)> hook) {
    ShownHook() = std::move(hook);
}

void TfmConfAlert::ShowRecords(const CommAddr* palmRec, const CommAddr* outlookRec) {
    if (!palmRec || !outlookRec) return;
    m_pPalm = palmRec;
    m_pOutlook = outlookRec;
    if (!m_hWnd) return;  // filled when the window is made
    HWND lv = GetDlgItem(m_hWnd, IDC_CONFLVADDR);
    SendMessageA(lv, LVM_DELETEALLITEMS, 0, 0);
    AddRow(lv, 0, "Palm Desktop", m_pPalm);
    AddRow(lv, 1, "Microsoft Outlook", m_pOutlook);
    SetDlgItemTextA(m_hWnd, IDC_CONFDIFFS, DiffText(*m_pPalm, *m_pOutlook).c_str());
}

bool TfmConfAlert::TransferChoice(bool save) {
    if (!save) {
        if (m_hWnd) {
            int id = m_nAction == kPalmWins      ? IDC_RBTNP2O
                     : m_nAction == kOutlookWins ? IDC_RBTNO2P
                                                 : IDC_RBTNNOTHING;
            CheckRadioButton(m_hWnd, IDC_RBTNP2O, IDC_RBTNNOTHING, id);
        }
        return true;
    }
    if (!m_hWnd) return true;
    if (IsDlgButtonChecked(m_hWnd, IDC_RBTNP2O) == BST_CHECKED)
        m_nAction = kPalmWins;
    else if (IsDlgButtonChecked(m_hWnd, IDC_RBTNO2P) == BST_CHECKED)
        m_nAction = kOutlookWins;
    else
        m_nAction = kNothing;
    m_bApplyThisRun = IsDlgButtonChecked(m_hWnd, IDC_CBTHIS) == BST_CHECKED;
    m_bApplyAlways = IsDlgButtonChecked(m_hWnd, IDC_CBALL) == BST_CHECKED;
    return true;
}

std::string TfmConfAlert::DiffText(const CommAddr& palmRec, const CommAddr& outlookRec) {
    static CommAddrMgr rules;  // the comparison rules of every store
    uint32_t count = 0;
    const int32_t* ids = rules.GetCompareFields(&count);
    std::string out;
    std::vector<char> a(sizeof(palmRec.m_szNote) + 64), b(a.size());
    for (uint32_t i = 0; i < count; ++i) {
        if (rules.FieldsEqual(&palmRec, &outlookRec, &ids[i], 1)) continue;
        CommFieldInfo info;
        if (!GetFieldInfo(ids[i], &info)) continue;
        a[0] = b[0] = 0;
        GetFieldText(&palmRec, &info, a.data(), a.size());
        GetFieldText(&outlookRec, &info, b.data(), b.size());
        if (!out.empty()) out += "\r\n";
        out += info.m_szName;
        out += ": Palm Desktop \"" + OneLine(a.data()) + "\", Outlook \"" + OneLine(b.data()) + "\"";
    }
    return out;
}

int TfmConfAlert::ShowModal(HWND owner) {
    INT_PTR r = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONFALERT), owner,
                                DlgProc, reinterpret_cast<LPARAM>(this));
    m_hWnd = nullptr;
    if (r == -1 || r == 0) {
        CX_LOG(0, "The conflict dialog could not be shown. Error=%lu", GetLastError());
        return -1;
    }
    return static_cast<int>(r);
}

void TfmConfAlert::OnInit() {
    HWND lv = GetDlgItem(m_hWnd, IDC_CONFLVADDR);
    SendMessageA(lv, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int c = 0; c < 9; ++c) {
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.pszText = const_cast<char*>(kColumns[c]);
        col.cx = kColumnWidths[c];
        SendMessageA(lv, LVM_INSERTCOLUMNA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col));
    }
    if (m_pPalm && m_pOutlook) ShowRecords(m_pPalm, m_pOutlook);
    TransferChoice(false);
    CheckDlgButton(m_hWnd, IDC_CBTHIS, BST_UNCHECKED);
    CheckDlgButton(m_hWnd, IDC_CBALL, BST_UNCHECKED);
}

void TfmConfAlert::btnOKClick() {
    TransferChoice(true);
    EndDialog(m_hWnd, 1);
}

void TfmConfAlert::btnCancelClick() {
    EndDialog(m_hWnd, 2);
}

INT_PTR CALLBACK TfmConfAlert::DlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    return CxGuard("the conflict dialog", FALSE, [&] { return OnMessage(hDlg, msg, wParam, lParam); });
}

INT_PTR TfmConfAlert::OnMessage(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TfmConfAlert*>(GetWindowLongPtrA(hDlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        self = reinterpret_cast<TfmConfAlert*>(lParam);
        SetWindowLongPtrA(hDlg, DWLP_USER, lParam);
        self->m_hWnd = hDlg;
        self->OnInit();
        if (ShownHook()) ShownHook()(hDlg);
        return TRUE;
    case WM_COMMAND:
        if (!self) break;
        if (LOWORD(wParam) == IDOK) {
            self->btnOKClick();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {  // also the close box
            self->btnCancelClick();
            return TRUE;
        }
        break;
    }
    return FALSE;
}
