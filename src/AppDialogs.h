// The one place through which the main window and start-up open the modal
// dialogs. Each returns the modal result: 1 OK, 2 Cancel (also the close
// box), -1 when the dialog could not be shown.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct AppSettings;
struct BackupRun;
struct CommAddr;
class PalmUserList;
class OlAddrUtil;
class PmAddrInfo;
class CommAddrMgr;

struct DialogContext {
    AppSettings* settings = nullptr;     // edited in memory only
    PalmUserList* users = nullptr;       // the Palm Desktop user list
    OlAddrUtil* outlook = nullptr;       // may be null (no Outlook)
    // Hands the current field mapping to the Outlook side (custom mapping OK).
    std::function<void()> applyFieldMapping;
};

int ShowWizardDialog(HWND owner, DialogContext& ctx);
int ShowOptionsDialog(HWND owner, DialogContext& ctx);
int ShowCustomMapDialog(HWND owner, DialogContext& ctx);
int ShowDetailDialog(HWND owner, const CommAddr& rec);
int ShowDebugSettingsDialog(HWND owner, DialogContext& ctx);
// The problem report; returns 1 when the user chose to quit the program.
int ShowProblemReportDialog(HWND owner, DialogContext& ctx);
int ShowAboutDialog(HWND owner);

// What File > Export... may write: the two lists and their ticked rows.
struct ExportContext {
    PmAddrInfo* palm = nullptr;                // the loaded facade; null: the store alone
    const CommAddrMgr* palmStore = nullptr;    // null: no Palm Desktop list
    const CommAddrMgr* outlookStore = nullptr; // null: no Outlook list
    std::vector<const CommAddr*> palmTicked, outlookTicked;
    unsigned codePage = 1252;  // texts of classic and 4.1.x files
};
int ShowExportDialog(HWND owner, ExportContext& ctx);

// Restore...: the runs that have a backup (start, mode, counts), newest
// first. "Restore" calls restore with the chosen run; the dialog closes
// with 1 when it returns true and stays open otherwise. "Run details"
// shows the chosen run's journal.
struct RestoreContext {
    std::string backupRoot;  // BackupStore's root folder
    std::function<bool(HWND owner, const BackupRun& run)> restore;
};
int ShowRestoreDialog(HWND owner, RestoreContext& ctx);
// Run details: every row of the journal at journalPath in a list. A damaged
// journal shows the rows before the damage and says where it is.
int ShowRunDetailsDialog(HWND owner, const std::string& journalPath);
#endif
