#include "src/dialogs/CustomMapDialog.h"

#include "common/misc/CxDebugUtil.h"
#include "common/outlook/OlAddr.h"
#include "src/AppDialogs.h"
#include "src/AppSettings.h"
#include "src/dialogs/DialogIds.h"

CustomMapDialog::CustomMapDialog(DialogContext& ctx) : DialogBase(IDD_CUSTOMMAP), m_Ctx(ctx) {}

bool CustomMapDialog::SetMap(int32_t* values) {
    m_pMap = values;
    if (!values) return false;
    if (m_hWnd) TransferMap(false);
    return true;
}

void CustomMapDialog::OnInit() {
    uint32_t version = GetDialogServices().palmVersion();
    bool nine = version != 0xFFFFFFFFu && version >= kNineFieldsVersion;
    for (int n = 5; n <= kLists; ++n) Enable(IDC_CM_LIST1 + n - 1, nine);
    TransferMap(false);
}

void CustomMapDialog::FillTargetBox(HWND list, int32_t value) {
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (int32_t k = 0; k < kEntries; ++k) {
        LRESULT pos = SendMessageA(list, CB_ADDSTRING, 0,
                                   reinterpret_cast<LPARAM>(OlAddrUtil::GetTargetName(k)));
        if (pos >= 0) SendMessageA(list, CB_SETITEMDATA, pos, k);
    }
    // A value outside the list (only by editing the file) shows no entry
    // and is kept unless the user picks one.
    SendMessageA(list, CB_SETCURSEL, value >= 0 && value < kEntries ? value : -1, 0);
}

int32_t CustomMapDialog::GetTargetBoxValue(HWND list) const {
    LRESULT sel = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (sel == CB_ERR) return -1;
    return static_cast<int32_t>(SendMessageA(list, CB_GETITEMDATA, sel, 0));
}

bool CustomMapDialog::TransferMap(bool save) {
    if (!m_pMap) return false;
    for (int n = 1; n <= kLists; ++n) {
        HWND list = Item(IDC_CM_LIST1 + n - 1);
        if (!save) {
            FillTargetBox(list, m_pMap[n - 1]);
        } else {
            int32_t value = GetTargetBoxValue(list);
            if (value >= 0) m_pMap[n - 1] = value;
        }
    }
    return true;
}

bool CustomMapDialog::OnCommand(int id, int code) {
    if (id != IDOK) return false;
    if (TransferMap(true)) {
        if (m_Ctx.applyFieldMapping) m_Ctx.applyFieldMapping();
        Close(1);
    }
    return true;
}

int ShowCustomMapDialog(HWND owner, DialogContext& ctx) {
    if (!ctx.settings) return -1;
    CustomMapDialog dlg(ctx);
    if (!dlg.SetMap(ctx.settings->nAddrCustom)) return -1;
    return dlg.ShowModal(owner);
}
