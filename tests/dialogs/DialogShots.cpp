// Pictures of every dialog for the user guide: shows each one with sample
// contents, copies its screen area into a BMP file in the given folder and
// closes it. Run under an X display (scripts/dialog-screenshots.sh).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/addr/CommAddr.h"
#include "common/backup/BackupStore.h"
#include "common/backup/RunJournal.h"
#include "common/misc/CxIniUtil.h"
#include "src/AppDialogs.h"
#include "src/AppSettings.h"
#include "src/dialogs/DialogBase.h"
#include "src/dialogs/DialogIds.h"

namespace {

std::string g_folder;
// Steps for the dialog on screen: each runs after a pause, the first ones
// prepare and save pictures, the last closes it.
std::vector<std::function<void(HWND)>> g_steps;
size_t g_step = 0;
HWND g_dialog = nullptr;

bool SaveWindow(HWND hwnd, const std::string& name) {
    RECT r;
    GetWindowRect(hwnd, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    DWORD stride = ((w * 3 + 3) / 4) * 4;
    DWORD size = stride * h;
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(bi.bmiHeader);
    fh.bfSize = fh.bfOffBits + size;
    std::string path = g_folder + name + ".bmp";
    FILE* f = fopen(path.c_str(), "wb");
    bool ok = f != nullptr;
    if (f) {
        ok = fwrite(&fh, sizeof(fh), 1, f) == 1 && fwrite(&bi.bmiHeader, sizeof(bi.bmiHeader), 1, f) == 1 &&
             fwrite(bits, 1, size, f) == size;
        fclose(f);
    }
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    printf("%s %s (%dx%d)\n", ok ? "saved" : "FAILED", path.c_str(), w, h);
    return ok;
}

void CALLBACK NextStep(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND dlg = g_dialog;
    if (g_step < g_steps.size()) {
        auto step = g_steps[g_step++];
        step(dlg);
    }
    if (g_step < g_steps.size()) SetTimer(nullptr, 0, 700, NextStep);
}

void Shoot(const std::string& name) {
    g_steps.push_back([name](HWND dlg) {
        UpdateWindow(dlg);
        SaveWindow(dlg, name);
    });
}

void CloseWith(int id) {
    g_steps.push_back([id](HWND dlg) { SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); });
}

void SelectTab(int tabId, int index) {
    g_steps.push_back([tabId, index](HWND dlg) {
        HWND tab = FindDescendant(dlg, tabId);
        SendMessageA(tab, TCM_SETCURSEL, index, 0);
        NMHDR hdr = {tab, static_cast<UINT_PTR>(tabId), static_cast<UINT>(TCN_SELCHANGE)};
        SendMessageA(GetParent(tab), WM_NOTIFY, tabId, reinterpret_cast<LPARAM>(&hdr));
    });
}

// Runs the steps once the next dialog with this template is up.
void Plan(int templateId) {
    g_step = 0;
    GetDialogServices().onShown = [templateId](HWND dlg, int id) {
        if (id != templateId) return;
        g_dialog = dlg;
        SetTimer(nullptr, 0, 700, NextStep);
    };
}

CommAddr SampleRecord() {
    CommAddr rec;
    SetFieldText(rec, FID_FIRST_NAME, "Ada");
    SetFieldText(rec, FID_LAST_NAME, "Lovelace");
    SetFieldText(rec, FID_COMPANY, "Analytical Engines Ltd");
    SetFieldText(rec, FID_TITLE, "Director");
    SetFieldText(rec, FID_WORK_PHONE, "020 7946 0101");
    SetFieldText(rec, FID_HOME_PHONE, "020 7946 0102");
    SetFieldText(rec, FID_MOBILE_PHONE, "07700 900123");
    SetFieldText(rec, FID_EMAIL, "ada@example.com");
    SetFieldText(rec, FID_CATEGORY, "Business");
    SetFieldText(rec, FID_WORK_STREET, "12 St James's Square\nSecond floor");
    SetFieldText(rec, FID_WORK_CITY, "London");
    SetFieldText(rec, FID_WORK_POSTAL, "SW1Y 4JH");
    SetFieldText(rec, FID_WORK_COUNTRY, "United Kingdom");
    SetFieldText(rec, FID_CUSTOM1, "Member since 1998");
    SetFieldText(rec, FID_IM1, "ada.lovelace");
    SetFieldText(rec, FID_WORK_HOME_PAGE, "www.example.com/ada");
    SetFieldText(rec, FID_NOTE, "Prefers e-mail.\r\nMet at the spring fair.");
    return rec;
}

// Two runs of a sample backup folder for Restore and Run details; the
// journal of the newer one.
std::string SampleBackups(const std::string& root) {
    RemoveFolderTree(root);  // a former run's samples
    BackupStore store(root);
    std::string error, journalPath;
    struct Sample {
        uint16_t hour;
        const char* mode;
    };
    for (const Sample& sample : {Sample{9, "Synchronize All"}, Sample{14, "Palm Desktop to Outlook"}}) {
        CxSystemTime start = {};
        start.wYear = 2026;
        start.wMonth = 12;
        start.wDay = 10;
        start.wHour = sample.hour;
        start.wMinute = 30;
        start.wMilliseconds = 250;
        BackupRun run;
        RunJournal j;
        if (!store.BeginRun(start, run, error) || !j.Open(store.JournalPath(run), start, sample.mode, error)) continue;
        j.ContactAdded(JournalSide::Outlook, {"Charles Babbage", "00000000A1B2C3D4E5F6"});
        j.FieldChanged(JournalSide::Outlook, {"Ada Lovelace", "00000000A1B2C3D4E5F7"}, "BusinessTelephoneNumber",
                       "020 7946 0100", "020 7946 0101");
        j.FieldChanged(JournalSide::Palm, {"Ada Lovelace", "1042"}, "Title", "", "Director");
        j.WriteFailed(JournalSide::Outlook, {"Mary Somerville", "00000000A1B2C3D4E5F8"},
                      "Outlook refused the value of Hobby");
        j.Close(error);
        store.EnsureBackupFolder(run, error);
        journalPath = store.JournalPath(run);
    }
    return journalPath;
}

}  // namespace

int main(int argc, char** argv) {
    g_folder = argc > 1 ? argv[1] : ".\\";
    if (!g_folder.empty() && g_folder.back() != '\\' && g_folder.back() != '/') g_folder += '\\';

    DialogServices& s = GetDialogServices();
    s.shellOpen = [](const char*) { return true; };
    s.outlookVersionText = [](std::string& out) {
        out = "11.0.8303.0";
        return true;
    };
    s.palmVersionText = [](std::string& out) {
        out = "6.2.0.0";
        return true;
    };
    s.palmVersion = [] { return 60200u; };

    CxIniUtil ini("", "no-settings-here.ini");
    AppSettings settings;
    LoadSettings(ini, settings);
    settings.bAddrCustom = true;
    settings.nAddrCustom[0] = 23;
    PalmUserList users;
    for (const char* name : {"Ada Lovelace", "Charles Babbage"}) {
        auto u = std::make_unique<PalmUserInfo>();
        u->nUserID = static_cast<uint32_t>(users.GetCount() + 1);
        snprintf(u->szUserName, sizeof(u->szUserName), "%s", name);
        users.Append(std::move(u));
    }
    DialogContext ctx;
    ctx.settings = &settings;
    ctx.users = &users;

    g_steps.clear(); Shoot("about"); CloseWith(IDOK);
    Plan(IDD_ABOUT);
    ShowAboutDialog(nullptr);

    g_steps.clear(); Shoot("wizard"); CloseWith(IDCANCEL);
    Plan(IDD_WIZARD);
    ShowWizardDialog(nullptr, ctx);

    // The same without Outlook and Palm Desktop.
    s.outlookVersionText = [](std::string&) { return false; };
    s.palmVersionText = [](std::string&) { return false; };
    g_steps.clear(); Shoot("wizard-not-found"); CloseWith(IDCANCEL);
    Plan(IDD_WIZARD);
    ShowWizardDialog(nullptr, ctx);

    g_steps.clear(); Shoot("options"); CloseWith(IDCANCEL);
    Plan(IDD_OPTIONS);
    ShowOptionsDialog(nullptr, ctx);

    g_steps.clear(); Shoot("custom-mapping"); CloseWith(IDCANCEL);
    Plan(IDD_CUSTOMMAP);
    ShowCustomMapDialog(nullptr, ctx);

    CommAddr rec = SampleRecord();
    g_steps.clear();
    Shoot("detail-general");
    SelectTab(IDC_DT_PAGES, 0);
    Shoot("detail-address");
    SelectTab(IDC_DT_PAGES, 2);
    Shoot("detail-other");
    CloseWith(IDCANCEL);
    Plan(IDD_DETAIL);
    ShowDetailDialog(nullptr, rec);

    g_steps.clear(); Shoot("debug-options"); CloseWith(IDCANCEL);
    Plan(IDD_DEBUG);
    ShowDebugSettingsDialog(nullptr, ctx);

    g_steps.clear(); Shoot("problem-report"); CloseWith(IDOK);
    Plan(IDD_DUMP);
    ShowProblemReportDialog(nullptr, ctx);

    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    RestoreContext restore;
    restore.backupRoot = std::string(temp) + "vantoro-shots-backups";
    const std::string journal = SampleBackups(restore.backupRoot);
    g_steps.clear(); Shoot("restore"); CloseWith(IDCANCEL);
    Plan(IDD_RESTORE);
    ShowRestoreDialog(nullptr, restore);
    g_steps.clear(); Shoot("run-details"); CloseWith(IDCANCEL);
    Plan(IDD_RUNDETAILS);
    ShowRunDetailsDialog(nullptr, journal);
    return 0;
}
