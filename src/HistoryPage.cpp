#include "src/HistoryPage.h"

#include <commctrl.h>

#include <cstdio>

#include "common/misc/CxDateTime.h"
#include "src/DpiScale.h"
#include "src/SyncHistory.h"
#include "src/resource.h"

namespace {

const char* const kColumns[4] = {"Sync Start Time", "Sync End Time", "Description",
                                 "Number of Records"};
const int kWidths[4] = {150, 150, 500, 120};

std::string DateTimeOf(double when) {
    CxDateTime dt;
    dt.SetOleDate(when);
    return dt.DateTimeText();
}

}  // namespace

HWND HistoryPage::GetList() const {
    return m_hPage ? GetDlgItem(m_hPage, IDC_LVHISTORY) : nullptr;
}

void HistoryPage::Attach(HWND page) {
    m_hPage = page;
    HWND lv = GetList();
    SendMessageA(lv, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES,
                 LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES);
    for (int c = 0; c < 4; ++c) {
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.pszText = const_cast<char*>(kColumns[c]);
        col.cx = kWidths[c];
        SendMessageA(lv, LVM_INSERTCOLUMNA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col));
    }
}

void HistoryPage::Fill() {
    HWND lv = GetList();
    if (!lv) return;
    SendMessageA(lv, WM_SETREDRAW, FALSE, 0);
    SendMessageA(lv, LVM_DELETEALLITEMS, 0, 0);
    int row = 0;
    for (SyncHistoryEntry* e = m_History.GetLast(); e; e = m_History.GetPrev(), ++row) {
        std::string start = DateTimeOf(e->dtStart);
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = row;
        item.pszText = const_cast<char*>(start.c_str());
        item.lParam = reinterpret_cast<LPARAM>(e);
        int at = static_cast<int>(SendMessageA(lv, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        std::string end = DateTimeOf(e->dtEnd);
        char count[16];
        snprintf(count, sizeof(count), "%d", e->nRecordCount);
        const char* texts[3] = {end.c_str(), e->szDescription, count};
        for (int c = 0; c < 3; ++c) {
            LVITEMA sub = {};
            sub.iSubItem = c + 1;
            sub.pszText = const_cast<char*>(texts[c]);
            SendMessageA(lv, LVM_SETITEMTEXTA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&sub));
        }
    }
    SendMessageA(lv, WM_SETREDRAW, TRUE, 0);
}

void HistoryPage::Layout(int width, int height, int dpi) {
    if (!m_hPage) return;
    auto px = [dpi](int v) { return ScaleToDpi(v, dpi); };
    MoveWindow(GetList(), px(15), px(15), width - px(30), height - px(85), TRUE);
    const int ids[3] = {IDC_BTNHISTORYALL, IDC_BTNHISTORYCLEAR, IDC_BTNHISTORYDEL};
    for (int i = 0; i < 3; ++i)
        MoveWindow(GetDlgItem(m_hPage, ids[i]), px(15 + i * 125), height - px(45), px(115), px(25), TRUE);
}

bool HistoryPage::OnCommand(int id) {
    switch (id) {
    case IDC_BTNHISTORYALL: btnHistoryAllClick(); return true;
    case IDC_BTNHISTORYCLEAR: btnHistoryClearClick(); return true;
    case IDC_BTNHISTORYDEL: btnHistoryDelClick(); return true;
    }
    return false;
}

void HistoryPage::SetAllChecks(bool checked) {
    HWND lv = GetList();
    int n = static_cast<int>(SendMessageA(lv, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) ListView_SetCheckState(lv, i, checked);
}

void HistoryPage::btnHistoryAllClick() { SetAllChecks(true); }
void HistoryPage::btnHistoryClearClick() { SetAllChecks(false); }

void HistoryPage::btnHistoryDelClick() {
    HWND lv = GetList();
    int n = static_cast<int>(SendMessageA(lv, LVM_GETITEMCOUNT, 0, 0));
    bool deleted = false;
    for (int i = 0; i < n; ++i) {
        if (!ListView_GetCheckState(lv, i)) continue;
        LVITEMA item = {};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        if (!SendMessageA(lv, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) || !item.lParam)
            continue;
        m_History.DeleteEntry(reinterpret_cast<SyncHistoryEntry*>(item.lParam));
        deleted = true;
    }
    if (deleted) {
        m_History.Save(nullptr);
        Fill();
    }
}
