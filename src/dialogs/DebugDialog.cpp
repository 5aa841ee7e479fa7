#include "src/dialogs/DebugDialog.h"

#include "common/misc/CxDebugUtil.h"
#include "src/AppDialogs.h"
#include "src/AppSettings.h"
#include "src/dialogs/DialogIds.h"

namespace {
const char* const kLevelTexts[] = {
    "Critical - Only log critical error information.",
    "High - Log high level debug information.",
    "Low - Log very detail debug information.",
};
constexpr int32_t kLevelValues[] = {0, 1, 3};
}  // namespace

DebugDialog::DebugDialog(DialogContext& ctx) : LogInfoDialog(IDD_DEBUG), m_Ctx(ctx) {}

void DebugDialog::OnInit() {
    SetProductPictures(m_hWnd);
    TransferDebug(false);
}

bool DebugDialog::TransferDebug(bool save) {
    AppSettings* s = m_Ctx.settings;
    HWND level = Item(IDC_DB_LEVEL);
    if (!save) {
        FillLogPaths();
        SetCheck(IDC_DB_ENABLE, s->bEnableDebug);
        SendMessageA(level, CB_RESETCONTENT, 0, 0);
        for (const char* t : kLevelTexts)
            SendMessageA(level, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t));
        int sel = s->nLogLevel == 0 ? 0 : s->nLogLevel == 1 ? 1 : 2;
        SendMessageA(level, CB_SETCURSEL, sel, 0);
        return true;
    }
    s->bEnableDebug = IsChecked(IDC_DB_ENABLE);
    LRESULT sel = SendMessageA(level, CB_GETCURSEL, 0, 0);
    s->nLogLevel = sel == 0 ? kLevelValues[0] : sel == 1 ? kLevelValues[1] : kLevelValues[2];
    CxDebugUtil& log = CxDebugUtil::Instance();
    log.SetEnabled(s->bEnableDebug);
    log.SetLevel(s->nLogLevel);
    return true;
}

bool DebugDialog::OnCommand(int id, int code) {
    if (OnLogCommand(id, code)) return true;
    if (id == IDOK) {
        TransferDebug(true);
        Close(1);
        return true;
    }
    return false;
}

int ShowDebugSettingsDialog(HWND owner, DialogContext& ctx) {
    if (!ctx.settings) return -1;
    DebugDialog dlg(ctx);
    return dlg.ShowModal(owner);
}
