// Restore... and Run details driven in-process over a backup folder made
// for the test: two runs with a backup (one with a damaged journal) and
// one whose backup rotation removed.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/backup/BackupStore.h"
#include "common/backup/RunJournal.h"
#include "src/AppDialogs.h"
#include "src/dialogs/BackupDialogs.h"
#include "src/dialogs/DialogBase.h"
#include "src/dialogs/DialogIds.h"
#include "support/TestSupport.h"

namespace {

CxSystemTime At(uint16_t hour, uint16_t minute) {
    CxSystemTime t = {};
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDay = 11;
    t.wHour = hour;
    t.wMinute = minute;
    t.wMilliseconds = 123;
    return t;
}

// One run of the fixture; withBackup false: rotation took its copies.
BackupRun MakeRun(BackupStore& store, const CxSystemTime& start, const char* mode, bool withBackup,
                  const std::function<void(RunJournal&)>& rows) {
    BackupRun run;
    std::string error;
    EXPECT_TRUE(store.BeginRun(start, run, error)) << error;
    RunJournal journal;
    EXPECT_TRUE(journal.Open(store.JournalPath(run), start, mode, error)) << error;
    rows(journal);
    EXPECT_TRUE(journal.Close(error)) << error;
    if (withBackup) {
        EXPECT_TRUE(store.EnsureBackupFolder(run, error)) << error;
    }
    return run;
}

std::string Cell(HWND list, int row, int column) {
    char buf[256] = {};
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = buf;
    item.cchTextMax = sizeof(buf);
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return buf;
}

int Rows(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

std::string Text(HWND dlg, int id) {
    char buf[512] = {};
    GetWindowTextA(FindDescendant(dlg, id), buf, sizeof(buf));
    return buf;
}

void Select(HWND list, int row) {
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void Press(HWND dlg, int id) { SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

class BackupDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetDialogServices();
        DialogServices& s = GetDialogServices();
        s.messageBox = [this](HWND, const char* text, const char*, UINT) {
            messages.push_back(text);
            return IDOK;
        };
        s.onShown = [this](HWND dlg, int templateId) {
            ++shown[templateId];
            auto it = drivers.find(templateId);
            if (it == drivers.end()) {
                ADD_FAILURE() << "no driver for dialog " << templateId;
                Press(dlg, IDCANCEL);
                return;
            }
            it->second(dlg);
        };
        ctx.backupRoot = dir.Path() + "backups";
    }
    void TearDown() override { ResetDialogServices(); }

    // The fixture's runs: 09:00 (backup), 10:00 (rotated), 11:00 (backup,
    // journal damaged after its first rows).
    void MakeRuns() {
        BackupStore store(ctx.backupRoot);
        first = MakeRun(store, At(9, 0), "Both ways", true, [](RunJournal& j) {
            j.ContactAdded(JournalSide::Outlook, {"Di Ox", "00AB"});
            j.FieldChanged(JournalSide::Palm, {"Ann Lee", "7"}, "Work phone", "555-0100", "555-0199");
            j.FieldChanged(JournalSide::Palm, {"Ann Lee", "7"}, "Note", "line one\r\nline two", "");
            j.WriteFailed(JournalSide::Outlook, {"Bo Ek", "00AC"}, "Outlook refused the value of Hobby");
        });
        MakeRun(store, At(10, 0), "Palm Desktop to Outlook", false, [](RunJournal&) {});
        const BackupRun damaged = MakeRun(store, At(11, 0), "Outlook to Palm Desktop", true, [](RunJournal& j) {
            j.ContactAdded(JournalSide::Palm, {"Cy Po", "12"});
        });
        FILE* f = fopen(store.JournalPath(damaged).c_str(), "ab");
        ASSERT_NE(f, nullptr);
        fputs("\"Added\",\"unterminated\r\n", f);
        fclose(f);
    }

    vt_test::TempDir dir;
    RestoreContext ctx;
    BackupRun first;
    std::map<int, std::function<void(HWND)>> drivers;
    std::map<int, int> shown;
    std::vector<std::string> messages;
};

TEST_F(BackupDialogTest, RestoreListsTheRunsWithABackupNewestFirst) {
    MakeRuns();
    std::vector<std::vector<std::string>> cells;
    drivers[IDD_RESTORE] = [&](HWND dlg) {
        HWND list = FindDescendant(dlg, IDC_RS_LIST);
        for (int r = 0; r < Rows(list); ++r)
            cells.push_back({Cell(list, r, 0), Cell(list, r, 1), Cell(list, r, 2), Cell(list, r, 3)});
        EXPECT_TRUE(IsWindowEnabled(FindDescendant(dlg, IDC_RS_RESTORE)));
        Press(dlg, IDCANCEL);
    };
    EXPECT_EQ(ShowRestoreDialog(nullptr, ctx), IDCANCEL);
    const std::vector<std::vector<std::string>> expected = {
        {"2026-12-11 11:00:00.123", "(journal damaged)", "1 added, 0 changed, 0 failed",
         "0 added, 0 changed, 0 failed"},
        {"2026-12-11 09:00:00.123", "Both ways", "0 added, 1 changed, 0 failed", "1 added, 0 changed, 1 failed"},
    };
    EXPECT_EQ(cells, expected);
}

TEST_F(BackupDialogTest, RestoreHandsTheChosenRunOnAndStaysOpenWhenItFails) {
    MakeRuns();
    std::vector<std::string> asked;
    bool succeed = false;
    ctx.restore = [&](HWND, const BackupRun& run) {
        asked.push_back(run.name);
        return succeed;
    };
    drivers[IDD_RESTORE] = [&](HWND dlg) {
        Select(FindDescendant(dlg, IDC_RS_LIST), 1);
        Press(dlg, IDC_RS_RESTORE);  // refused: the dialog stays
        succeed = true;
        Press(dlg, IDC_RS_RESTORE);
    };
    EXPECT_EQ(ShowRestoreDialog(nullptr, ctx), 1);
    EXPECT_EQ(asked, std::vector<std::string>(2, first.name));
}

TEST_F(BackupDialogTest, RestoreWithoutRunsOrFolderSaysSoAndOffersNothing) {
    for (bool folder : {false, true}) {
        SCOPED_TRACE(folder);
        if (folder) CreateDirectoryA(ctx.backupRoot.c_str(), nullptr);
        std::string status;
        drivers[IDD_RESTORE] = [&](HWND dlg) {
            status = Text(dlg, IDC_RS_STATUS);
            EXPECT_EQ(Rows(FindDescendant(dlg, IDC_RS_LIST)), 0);
            EXPECT_FALSE(IsWindowEnabled(FindDescendant(dlg, IDC_RS_RESTORE)));
            EXPECT_FALSE(IsWindowEnabled(FindDescendant(dlg, IDC_RS_DETAILS)));
            Press(dlg, IDCANCEL);
        };
        ShowRestoreDialog(nullptr, ctx);
        if (folder) {
            EXPECT_EQ(status, "No run has a backup.");
        } else {
            EXPECT_NE(status.find("does not exist"), std::string::npos) << status;
        }
    }
}

TEST_F(BackupDialogTest, RunDetailsShowsEveryJournalRowAndWhereItIsDamaged) {
    MakeRuns();
    std::vector<std::vector<std::string>> rows;
    std::string status;
    auto readDetails = [&](HWND dlg) {
        HWND list = FindDescendant(dlg, IDC_RD_LIST);
        rows.clear();
        for (int r = 0; r < Rows(list); ++r) {
            std::vector<std::string> row;
            for (int c = 0; c < 8; ++c) row.push_back(Cell(list, r, c));
            rows.push_back(row);
        }
        status = Text(dlg, IDC_RD_STATUS);
        Press(dlg, IDCANCEL);
    };
    drivers[IDD_RUNDETAILS] = readDetails;
    // opened from Restore, for the selected (older) run
    drivers[IDD_RESTORE] = [&](HWND dlg) {
        Select(FindDescendant(dlg, IDC_RS_LIST), 1);
        Press(dlg, IDC_RS_DETAILS);
        Press(dlg, IDCANCEL);
    };
    ShowRestoreDialog(nullptr, ctx);
    EXPECT_EQ(shown[IDD_RUNDETAILS], 1);
    EXPECT_EQ(status, "Run started 2026-12-11 09:00:00.123, Both ways");
    ASSERT_GE(rows.size(), 4u);
    const std::vector<std::string> changed = {"Changed", "Palm Desktop", "Ann Lee", "7",
                                              "Note", "line one line two", "", ""};
    EXPECT_NE(std::find(rows.begin(), rows.end(), changed), rows.end());
    const auto failed = std::find_if(rows.begin(), rows.end(), [](const auto& r) { return r[0] == "Failed"; });
    ASSERT_NE(failed, rows.end());
    EXPECT_EQ((*failed)[7], "Outlook refused the value of Hobby");

    // the damaged journal: its good rows, and the line of the damage
    BackupStore store(ctx.backupRoot);
    std::vector<BackupRun> runs;
    std::string error;
    ASSERT_TRUE(store.ListRuns(runs, error));
    ShowRunDetailsDialog(nullptr, store.JournalPath(runs.front()));
    EXPECT_NE(status.find("line"), std::string::npos) << status;
    const auto added = std::find_if(rows.begin(), rows.end(), [](const auto& r) { return r[0] == "Added"; });
    ASSERT_NE(added, rows.end());
    EXPECT_EQ((*added)[2], "Cy Po");
}

}  // namespace
