#include "src/dialogs/LogInfoDialog.h"

#include <string>

#include "common/misc/CxPlatform.h"
#include "src/AppSettings.h"
#include "src/dialogs/DialogIds.h"

void LogInfoDialog::FillLogPaths() {
    char folder[260] = {};
    bool have = GetAppDataFolder(folder, sizeof(folder));
    SetText(IDC_DB_FOLDER, have ? folder : "");
    SetText(IDC_DB_FILE, have ? (std::string(folder) + "appdebug.log").c_str() : "");
    Enable(IDC_DB_FOLDER_BTN, have);
    Enable(IDC_DB_FILE_BTN, have);
}

void LogInfoDialog::btnFolderClick() { ShellOpen(GetText(IDC_DB_FOLDER).c_str()); }

void LogInfoDialog::btnFileClick() {
    std::string file = GetText(IDC_DB_FILE);
    if (file.empty() || !cxplat::FileExists(file.c_str())) {
        MessageBoxText("Debug log file doesn't exist", "Error", MB_OK | MB_ICONINFORMATION);
        return;
    }
    ShellOpen(file.c_str());
}

bool LogInfoDialog::OnLogCommand(int id, int code) {
    if (id == IDC_DB_FOLDER_BTN) {
        if (code == BN_CLICKED) btnFolderClick();
        return true;
    }
    if (id == IDC_DB_FILE_BTN) {
        if (code == BN_CLICKED) btnFileClick();
        return true;
    }
    return false;
}
