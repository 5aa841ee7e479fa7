#include "src/dialogs/DialogBase.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "common/misc/CxGuard.h"
#include "common/misc/CxPlatform.h"
#include "common/misc/WinUtil.h"
#include "common/palm/PalmDesktop.h"
#include "src/dialogs/DialogIds.h"
#include "src/dialogs/FileTypeCheck.h"

namespace {

constexpr UINT WM_VT_SHOWN = WM_APP + 0x2b0;
constexpr const char* kSupportAddress = "support@vantoro.example";
constexpr const char* kReportSubject = "Vantoro for Outlook and Palm Desktop Error Report";

bool PalmExeVersionText(std::string& out) {
    char folder[MAX_PATH] = {};
    if (GetPalmDesktopFolder(folder, sizeof(folder)) != 0 || !folder[0]) return false;
    std::string exe = folder;
    if (!cxplat::IsPathSep(exe.back())) exe += '\\';
    exe += "palm.exe";
    int v[4] = {};
    if (!GetFileVersion(exe.c_str(), &v[0], &v[1], &v[2], &v[3])) return false;
    char text[64];
    snprintf(text, sizeof(text), "%d.%d.%d.%d", v[0], v[1], v[2], v[3]);
    out = text;
    return true;
}

bool OutlookVersionText(std::string& out) {
    char text[64] = {};
    if (!GetOutlookVersion(text, sizeof(text)) || !text[0]) return false;
    out = text;
    return true;
}

DialogServices MakeRealServices() {
    DialogServices s;
    s.chooseColor = [](CHOOSECOLORA* cc) { return ChooseColorA(cc); };
    s.openFileName = [](OPENFILENAMEA* ofn) { return GetOpenFileNameA(ofn); };
    s.saveFileName = [](OPENFILENAMEA* ofn) { return GetSaveFileNameA(ofn); };
    s.messageBox = [](HWND owner, const char* text, const char* caption, UINT flags) {
        return MessageBoxA(owner, text, caption, flags);
    };
    s.shellOpen = [](const char* target) { return RunByShell(target); };
    s.detectFileType = [](const char* path) { return DetectPalmFileType(path); };
    s.palmVersion = [] { return GetPalmDesktopVersion(); };
    s.palmVersionText = PalmExeVersionText;
    s.outlookVersionText = OutlookVersionText;
    return s;
}

}  // namespace

DialogServices& GetDialogServices() {
    static DialogServices services = MakeRealServices();
    return services;
}

void ResetDialogServices() { GetDialogServices() = MakeRealServices(); }

int DialogBase::ShowModal(HWND owner) {
    static const bool controlsReady = [] {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)controlsReady;
    INT_PTR r = DialogBoxParamA(DialogModule(), MAKEINTRESOURCEA(m_nTemplate), owner, Proc,
                                reinterpret_cast<LPARAM>(this));
    m_hWnd = nullptr;
    return static_cast<int>(r);
}

INT_PTR CALLBACK DialogBase::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return CxGuard("a dialog", FALSE, [&] { return Dispatch(hwnd, msg, wp, lp); });
}

INT_PTR DialogBase::Dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    DialogBase* self;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<DialogBase*>(lp);
        SetWindowLongPtrA(hwnd, DWLP_USER, lp);
        self->m_hWnd = hwnd;
        self->OnInit();
        if (GetDialogServices().onShown) PostMessageA(hwnd, WM_VT_SHOWN, 0, 0);
        return TRUE;
    }
    self = reinterpret_cast<DialogBase*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self) return FALSE;
    switch (msg) {
    case WM_VT_SHOWN: {
        // A copy: the driver may replace the services while it runs.
        auto shown = GetDialogServices().onShown;
        if (shown) shown(hwnd, self->m_nTemplate);
        return TRUE;
    }
    case WM_COMMAND: {
        int id = LOWORD(wp);
        int code = HIWORD(wp);
        if (self->OnCommand(id, code)) return TRUE;
        if (id == IDCANCEL) {
            self->Close(IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    default: {
        bool handled = false;
        INT_PTR r = self->OnMessage(msg, wp, lp, handled);
        if (handled) SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, r);
        return handled ? (r ? r : TRUE) : FALSE;
    }
    }
}

void DialogBase::Close(int result) {
    if (m_hWnd) EndDialog(m_hWnd, result);
}

HWND DialogBase::Item(int id) const { return FindDescendant(m_hWnd, id); }

void DialogBase::SetText(int id, const char* text) { SetWindowTextA(Item(id), text ? text : ""); }

std::string DialogBase::GetText(int id) const {
    HWND h = Item(id);
    int len = h ? GetWindowTextLengthA(h) : 0;
    if (len <= 0) return std::string();
    std::vector<char> buf(static_cast<size_t>(len) + 1);
    GetWindowTextA(h, buf.data(), len + 1);
    return std::string(buf.data());
}

void DialogBase::SetCheck(int id, bool checked) {
    SendMessageA(Item(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool DialogBase::IsChecked(int id) const {
    return SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void DialogBase::Enable(int id, bool enabled) { EnableWindow(Item(id), enabled ? TRUE : FALSE); }

int DialogBase::MessageBoxText(const char* text, const char* caption, UINT flags) {
    return GetDialogServices().messageBox(m_hWnd, text, caption, flags);
}

bool DialogBase::ShellOpen(const char* target) { return GetDialogServices().shellOpen(target); }

namespace {
struct FindData {
    int id;
    HWND found;
};
BOOL CALLBACK FindChild(HWND hwnd, LPARAM lp) {
    return CxGuard("the control search", FALSE, [&]() -> BOOL {
        auto* fd = reinterpret_cast<FindData*>(lp);
        if (GetDlgCtrlID(hwnd) == fd->id) {
            fd->found = hwnd;
            return FALSE;
        }
        return TRUE;
    });
}
}  // namespace

HWND FindDescendant(HWND parent, int id) {
    if (!parent) return nullptr;
    if (HWND direct = GetDlgItem(parent, id)) return direct;
    FindData fd{id, nullptr};
    EnumChildWindows(parent, FindChild, reinterpret_cast<LPARAM>(&fd));
    return fd.found;
}

HINSTANCE DialogModule() { return GetModuleHandleA(nullptr); }

void SetProductPictures(HWND dialog) {
    if (HWND logo = GetDlgItem(dialog, IDC_DLG_LOGO)) {
        HANDLE icon = LoadImageA(DialogModule(), MAKEINTRESOURCEA(IDI_VT_LOGO), IMAGE_ICON, 48,
                                 48, LR_SHARED);
        if (icon) SendMessageA(logo, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
    }
    if (HWND name = GetDlgItem(dialog, IDC_DLG_NAMEPIC)) {
        HANDLE bmp = LoadImageA(DialogModule(), MAKEINTRESOURCEA(IDB_VT_NAME), IMAGE_BITMAP, 0,
                                0, LR_SHARED);
        if (bmp) SendMessageA(name, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bmp));
    }
}

const char* SupportAddress() { return kSupportAddress; }

std::string SupportMailLink() {
    return std::string("mailto:") + kSupportAddress + "?subject=" + kReportSubject;
}
