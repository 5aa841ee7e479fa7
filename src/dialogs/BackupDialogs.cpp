// Restore... and Run details. Both only read the backup folder; the restore
// itself is the caller's (it asks the user what the stores need).
#include "src/dialogs/BackupDialogs.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "common/backup/BackupRunName.h"
#include "src/AppDialogs.h"
#include "src/dialogs/DialogBase.h"
#include "src/dialogs/DialogIds.h"

bool ListRestorableRuns(const BackupStore& store, std::vector<RestoreListRow>& rows, std::string& error) {
    rows.clear();
    std::vector<BackupRun> runs;
    if (!store.ListRuns(runs, error)) return false;
    for (const BackupRun& run : runs) {
        if (!run.hasBackup) continue;
        RestoreListRow row;
        row.run = run;
        row.start = BackupRunTimeText(run.start);
        RunJournalData data;
        if (ReadRunJournal(store.JournalPath(run), data, row.journalError)) row.journalError.clear();
        // A damaged journal still counts what it holds before the damage.
        row.mode = data.mode;
        row.counts = CountRunJournal(data);
        rows.push_back(std::move(row));
    }
    return true;
}

std::string RestoreCountsText(const RunJournalCounts& counts, JournalSide side) {
    const int s = side == JournalSide::Palm ? 0 : 1;
    char text[96];
    snprintf(text, sizeof(text), "%d added, %d changed, %d failed", static_cast<int>(counts.added[s]),
             static_cast<int>(counts.changed[s]), static_cast<int>(counts.failed[s]));
    return text;
}

namespace {

void InitListControls() {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
}

void AddColumns(HWND list, const std::vector<std::pair<const char*, int>>& columns) {
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    for (size_t i = 0; i < columns.size(); ++i) {
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.pszText = const_cast<char*>(columns[i].first);
        // Widths in dialog units, so the columns grow with the font.
        RECT rc = {0, 0, columns[i].second, 8};
        MapDialogRect(GetParent(list), &rc);
        col.cx = rc.right;
        SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&col));
    }
}

void AddRow(HWND list, const std::vector<std::string>& cells) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<char*>(cells.empty() ? "" : cells[0].c_str());
    const int at = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    for (size_t c = 1; c < cells.size(); ++c) {
        LVITEMA sub = {};
        sub.iSubItem = static_cast<int>(c);
        sub.pszText = const_cast<char*>(cells[c].c_str());
        SendMessageA(list, LVM_SETITEMTEXTA, at, reinterpret_cast<LPARAM>(&sub));
    }
}

// Line breaks inside a value would not show in a list cell.
std::string OneLine(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r') continue;
        out += c == '\n' || c == '\t' ? ' ' : c;
    }
    return out;
}

class RestoreDialog : public DialogBase {
public:
    explicit RestoreDialog(RestoreContext& ctx) : DialogBase(IDD_RESTORE), m_Ctx(ctx) {}

protected:
    void OnInit() override {
        HWND list = Item(IDC_RS_LIST);
        AddColumns(list, {{"Start", 86}, {"Mode", 86}, {"Palm Desktop", 114}, {"Outlook", 114}});
        std::string error;
        if (!ListRestorableRuns(BackupStore(m_Ctx.backupRoot), m_Rows, error)) {
            SetText(IDC_RS_STATUS, error.c_str());
        } else if (m_Rows.empty()) {
            SetText(IDC_RS_STATUS, "No run has a backup.");
        }
        for (const RestoreListRow& r : m_Rows)
            AddRow(list, {r.start, r.journalError.empty() ? r.mode : "(journal damaged)",
                          RestoreCountsText(r.counts, JournalSide::Palm),
                          RestoreCountsText(r.counts, JournalSide::Outlook)});
        if (!m_Rows.empty()) ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        Enable(IDC_RS_RESTORE, !m_Rows.empty());
        Enable(IDC_RS_DETAILS, !m_Rows.empty());
    }

    bool OnCommand(int id, int code) override {
        if (code != BN_CLICKED) return false;
        const RestoreListRow* row = Selected();
        if (id == IDC_RS_DETAILS) {
            if (row) ShowRunDetailsDialog(m_hWnd, BackupStore(m_Ctx.backupRoot).JournalPath(row->run));
            return true;
        }
        if (id == IDC_RS_RESTORE || id == IDOK) {
            if (!row) {
                MessageBoxText("Choose a run first.", "Restore", MB_OK | MB_ICONINFORMATION);
            } else if (m_Ctx.restore && m_Ctx.restore(m_hWnd, row->run)) {
                Close(1);
            }
            return true;
        }
        return false;
    }

    INT_PTR OnMessage(UINT msg, WPARAM, LPARAM lp, bool& handled) override {
        handled = false;
        if (msg == WM_NOTIFY) {
            const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lp);
            if (hdr->idFrom == IDC_RS_LIST && hdr->code == NM_DBLCLK) {
                OnCommand(IDC_RS_DETAILS, BN_CLICKED);
                handled = true;
            }
        }
        return 0;
    }

private:
    const RestoreListRow* Selected() const {
        const int at = static_cast<int>(SendMessageA(Item(IDC_RS_LIST), LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                                     LVNI_SELECTED));
        return at >= 0 && static_cast<size_t>(at) < m_Rows.size() ? &m_Rows[static_cast<size_t>(at)] : nullptr;
    }

    RestoreContext& m_Ctx;
    std::vector<RestoreListRow> m_Rows;
};

class RunDetailsDialog : public DialogBase {
public:
    explicit RunDetailsDialog(const std::string& path) : DialogBase(IDD_RUNDETAILS), m_Path(path) {}

protected:
    void OnInit() override {
        HWND list = Item(IDC_RD_LIST);
        AddColumns(list, {{"Kind", 50}, {"Side", 45}, {"Contact", 70}, {"Key", 40}, {"Field", 50},
                          {"Old value", 60}, {"New value", 60}, {"Reason", 70}});
        RunJournalData data;
        std::string error;
        const bool whole = ReadRunJournal(m_Path, data, error);
        for (const JournalRow& r : data.rows)
            AddRow(list, {r.kind, r.side, OneLine(r.contact), r.key, r.field, OneLine(r.oldValue),
                          OneLine(r.newValue), OneLine(r.reason)});
        std::string status = whole ? "Run started " + data.start + ", " + data.mode : error;
        SetText(IDC_RD_STATUS, status.c_str());
    }

private:
    std::string m_Path;
};

}  // namespace

int ShowRestoreDialog(HWND owner, RestoreContext& ctx) {
    InitListControls();
    RestoreDialog dlg(ctx);
    return dlg.ShowModal(owner);
}

int ShowRunDetailsDialog(HWND owner, const std::string& journalPath) {
    InitListControls();
    RunDetailsDialog dlg(journalPath);
    return dlg.ShowModal(owner);
}
