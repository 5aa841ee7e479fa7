// The two contact lists of the main window: filling, marking, colours,
// ticks, the sides' states and reloading.
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "common/misc/CxDebugUtil.h"
#include "src/ListRows.h"
#include "src/MainWindow.h"
#include "src/StatusBar.h"
#include "src/resource.h"

namespace {

struct ListColumn {
    const char* caption;
    int width;
    int32_t field;
};

const ListColumn kColumns[8] = {
    {"First Name", 80, FID_FIRST_NAME},       {"Last Name", 80, FID_LAST_NAME},
    {"Email", 100, FID_EMAIL},                {"Business Phone", 100, FID_WORK_PHONE},
    {"Home Phone", 80, FID_HOME_PHONE},       {"Mobile Phone", 80, FID_MOBILE_PHONE},
    {"Company", 80, FID_COMPANY},             {"Title", 80, FID_TITLE},
};

}  // namespace

void TfmMain::SetupList(HWND list) {
    const DWORD ex = LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES;
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
    for (int c = 0; c < 8; ++c) {
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.pszText = const_cast<char*>(kColumns[c].caption);
        col.cx = kColumns[c].width;
        SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col));
    }
}

void TfmMain::FillUserBox() {
    HWND box = GetDlgItem(m_hListPage, IDC_CBADDRUSER);
    SendMessageA(box, CB_RESETCONTENT, 0, 0);
    PalmUserList& users = GetPalmUserList();
    std::vector<PalmUserInfo*> all;
    for (PalmUserInfo* u = users.GetFirst(); u; u = users.GetNext()) all.push_back(u);
    if (m_Settings.nPDUserID == 0 && !all.empty())
        m_Settings.nPDUserID = static_cast<int32_t>(all[0]->nUserID);
    int selected = -1;
    for (PalmUserInfo* u : all) {
        int at = static_cast<int>(SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u->szUserName)));
        if (at < 0) continue;
        SendMessageA(box, CB_SETITEMDATA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(u));
        if (selected < 0 && static_cast<int32_t>(u->nUserID) == m_Settings.nPDUserID) selected = at;
    }
    if (selected < 0 && !all.empty()) selected = 0;
    SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void TfmMain::FillList(HWND list, CommAddrMgr* store, CommSideState state) {
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    if (store) {
        CommFieldInfo infos[8];
        for (int c = 0; c < 8; ++c) GetFieldInfo(kColumns[c].field, &infos[c]);
        SendMessageA(list, LVM_SETITEMCOUNT, store->GetCount(), LVSICF_NOINVALIDATEALL);
        int row = 0;
        std::vector<char> text(1024);
        for (CommAddr* rec = store->GetFirst(); rec; rec = store->GetNext()) {
            if (m_Settings.bAddrEmailOnly && rec->m_szEmail[0] == 0) continue;
            text[0] = 0;
            GetFieldText(rec, &infos[0], text.data(), text.size());
            LVITEMA item = {};
            item.mask = LVIF_TEXT | LVIF_PARAM;
            item.iItem = row;
            item.pszText = text.data();
            item.lParam = reinterpret_cast<LPARAM>(rec);
            int at = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
            if (at < 0) continue;
            for (int c = 1; c < 8; ++c) {
                text[0] = 0;
                GetFieldText(rec, &infos[c], text.data(), text.size());
                LVITEMA sub = {};
                sub.iSubItem = c;
                sub.pszText = text.data();
                SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&sub));
            }
            ++row;
        }
        if (row > 0) {
            ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        }
    }
    // A side that could not be loaded shows an empty, greyed list.
    EnableWindow(list, state != SIDE_UNAVAILABLE);
    if (m_bSyncAll) SetTicksQuietly(list, nullptr);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void TfmMain::FillPalmList(bool reload) {
    // Rows point into the store: none may outlive a reload that fails half way.
    if (reload) SendMessageA(GetPalmList(), LVM_DELETEALLITEMS, 0, 0);
    if (reload) m_SavedTicks[0].clear();
    if (reload && m_pPalm) {
        m_pPalm->SetSwapName(m_Settings.bAddrSwapName);
        if (m_Settings.bUseAddrFile)
            m_pPalm->LoadFile(m_Settings.szAddrFileName);
        else
            m_pPalm->LoadByUser(static_cast<uint32_t>(m_Settings.nPDUserID));
    }
    FillList(GetPalmList(), m_pPalm ? &m_pPalm->GetStore() : nullptr,
             m_pPalm ? m_pPalm->GetSideState() : SIDE_UNAVAILABLE);
    if (reload && m_pPalm) ReportLoadProblem(m_pPalm->LoadProblem(), m_pPalm->GetSideState());
}

void TfmMain::FillOutlookList(bool reload) {
    if (reload) SendMessageA(GetOutlookList(), LVM_DELETEALLITEMS, 0, 0);
    if (reload) m_SavedTicks[1].clear();
    if (reload && m_pOutlook) m_pOutlook->Reload();
    FillList(GetOutlookList(), m_pOutlook ? &m_pOutlook->GetStore() : nullptr,
             m_pOutlook ? m_pOutlook->GetSideState() : SIDE_UNAVAILABLE);
    if (reload && m_pOutlook) ReportLoadProblem(m_pOutlook->LoadProblem(), m_pOutlook->GetSideState());
}

void TfmMain::ReportLoadProblem(const std::string& problem, CommSideState state) {
    if (problem.empty()) return;
    CX_LOG(2, "%s", problem.c_str());
    if (state == SIDE_UNAVAILABLE)
        Message(problem.c_str(), "Error", MB_OK | MB_ICONERROR);
    else
        Message(problem.c_str(), "Warning", MB_OK | MB_ICONWARNING);
}

void TfmMain::ReloadBoth() {
    FillPalmList(true);
    FillOutlookList(true);
    MarkLists();
}

void TfmMain::ReloadPalmAfterRun() {
    FillPalmList(true);
    FillOutlookList(false);
    MarkLists();
    m_History.Fill();
}

void TfmMain::MarkLists() {
    if (m_pPalm && m_pOutlook) {
        m_pPalm->GetStore().MarkStatus(&m_pOutlook->GetStore());
        m_pOutlook->GetStore().MarkStatus(&m_pPalm->GetStore());
        // Against a side that is not there nothing is new: such rows keep
        // the normal colour, and Select Diff ticks none of them.
        auto allSame = [](CommAddrMgr& store) {
            for (uint32_t i = 0; i < store.GetCount(); ++i) store.GetAt(i)->m_nStatus = STATUS_SAME;
        };
        if (m_pOutlook->GetSideState() == SIDE_UNAVAILABLE) allSame(m_pPalm->GetStore());
        if (m_pPalm->GetSideState() == SIDE_UNAVAILABLE) allSame(m_pOutlook->GetStore());
    }
    InvalidateRect(GetPalmList(), nullptr, TRUE);
    InvalidateRect(GetOutlookList(), nullptr, TRUE);
    ShowListCounts(GetDlgItem(m_hWnd, IDC_SBMAIN), GetPalmList(), GetOutlookList());
}

void TfmMain::SetAllChecks(HWND list, bool checked) {
    const bool was = m_bTicking;
    m_bTicking = true;
    int n = RowCount(list);
    for (int i = 0; i < n; ++i) ListView_SetCheckState(list, i, checked);
    m_bTicking = was;
}

void TfmMain::SelectDiff(HWND list) {
    const bool was = m_bTicking;
    m_bTicking = true;
    int n = RowCount(list);
    for (int i = 0; i < n; ++i) {
        const CommAddr* rec = RowRecord(list, i);
        bool tick = rec && (rec->m_nStatus == STATUS_NEW || rec->m_nStatus == STATUS_DIFF);
        ListView_SetCheckState(list, i, tick);
    }
    m_bTicking = was;
}

// Every row ticked (null), or the ticks given, as far as the rows go.
void TfmMain::SetTicksQuietly(HWND list, const std::vector<bool>* ticks) {
    const bool was = m_bTicking;
    m_bTicking = true;
    const int n = RowCount(list);
    for (int i = 0; i < n; ++i)
        ListView_SetCheckState(list, i, ticks ? (static_cast<size_t>(i) < ticks->size() && (*ticks)[i]) : true);
    m_bTicking = was;
}

void TfmMain::SetSyncAllMode(bool on) {
    HWND lists[2] = {GetPalmList(), GetOutlookList()};
    if (on && !m_bSyncAll) {
        for (int k = 0; k < 2; ++k) {
            m_SavedTicks[k].clear();
            for (int i = 0; i < RowCount(lists[k]); ++i)
                m_SavedTicks[k].push_back(ListView_GetCheckState(lists[k], i) != FALSE);
        }
    }
    const bool leaving = m_bSyncAll && !on;
    m_bSyncAll = on;
    for (int k = 0; k < 2; ++k) {
        if (on) SetTicksQuietly(lists[k], nullptr);
        if (leaving) SetTicksQuietly(lists[k], &m_SavedTicks[k]);
    }
    for (int id : {IDC_BTNADDRPDALL, IDC_BTNADDRPDDIFF, IDC_BTNADDRPDCLEAR, IDC_BTNADDROLALL,
                   IDC_BTNADDROLDIFF, IDC_BTNADDROLCLEAR})
        EnableWindow(GetDlgItem(m_hListPage, id), !on);
    ShowWindow(GetDlgItem(m_hListPage, IDC_LBLSYNCALL), on ? SW_SHOW : SW_HIDE);
}

bool TfmMain::TickChangeAllowed(const NMLISTVIEW* change) const {
    if (!m_bSyncAll || m_bTicking || !(change->uChanged & LVIF_STATE)) return true;
    return ((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK) == 0;
}

HMENU TfmMain::PrepareListMenu() {
    HMENU popup = m_hListMenu ? GetSubMenu(m_hListMenu, 0) : nullptr;
    if (!popup) return nullptr;
    for (UINT id : {IDM_LISTALL, IDM_LISTDIFF, IDM_LISTCLEAR})
        EnableMenuItem(popup, id, MF_BYCOMMAND | (m_bSyncAll ? MF_GRAYED : MF_ENABLED));
    return popup;
}

COLORREF TfmMain::RowColor(const CommAddr* rec) const {
    if (!m_Settings.bShowColor) return 0;
    int32_t status = rec ? rec->m_nStatus : STATUS_SAME;
    if (status == STATUS_DIFF) return static_cast<COLORREF>(m_Settings.nDiffColor);
    if (status == STATUS_NEW) return static_cast<COLORREF>(m_Settings.nNewColor);
    return static_cast<COLORREF>(m_Settings.nSameColor);
}

