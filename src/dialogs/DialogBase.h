// The common frame of the modal dialogs: one object per showing, a dialog
// procedure that forwards to virtual handlers, and the outside services the
// dialogs use (standard dialogs, message boxes, the shell), which tests
// replace to drive the dialogs without a user.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <commdlg.h>

#include <cstdint>
#include <functional>
#include <string>

struct DialogServices {
    std::function<BOOL(CHOOSECOLORA*)> chooseColor;        // ChooseColorA
    std::function<BOOL(OPENFILENAMEA*)> openFileName;      // GetOpenFileNameA
    std::function<BOOL(OPENFILENAMEA*)> saveFileName;      // GetSaveFileNameA
    std::function<int(HWND, const char*, const char*, UINT)> messageBox;
    std::function<bool(const char*)> shellOpen;            // RunByShell
    // Palm Desktop contacts file generation: 1, 2, 3 known; else not one.
    std::function<int(const char*)> detectFileType;
    // major * 10000 + minor * 100 + third of palm.exe; all bits set unknown.
    std::function<uint32_t()> palmVersion;
    // "%d.%d.%d.%d" of palm.exe and of Outlook; false when not found.
    std::function<bool(std::string&)> palmVersionText;
    std::function<bool(std::string&)> outlookVersionText;
    // Called once a dialog is up and its modal loop runs, with its template
    // id; tests drive the dialog from here.
    std::function<void(HWND, int)> onShown;
};

// The process-wide services; each member starts as the real one.
DialogServices& GetDialogServices();
// Puts every member back to the real one.
void ResetDialogServices();

class DialogBase {
public:
    explicit DialogBase(int templateId) : m_nTemplate(templateId) {}
    virtual ~DialogBase() = default;
    DialogBase(const DialogBase&) = delete;
    DialogBase& operator=(const DialogBase&) = delete;

    // The modal result: what the dialog closed with, -1 when not shown.
    int ShowModal(HWND owner);
    HWND Handle() const { return m_hWnd; }

protected:
    virtual void OnInit() {}
    // True when handled.
    virtual bool OnCommand(int id, int code) { return false; }
    // Any other message; set handled to use the result.
    virtual INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
        handled = false;
        return 0;
    }

    void Close(int result);
    HWND Item(int id) const;
    void SetText(int id, const char* text);
    std::string GetText(int id) const;
    void SetCheck(int id, bool checked);
    bool IsChecked(int id) const;
    void Enable(int id, bool enabled);
    int MessageBoxText(const char* text, const char* caption, UINT flags);
    bool ShellOpen(const char* target);

    HWND m_hWnd = nullptr;

private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static INT_PTR Dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    int m_nTemplate;
};

// A child window anywhere below parent with the control id; null when none.
HWND FindDescendant(HWND parent, int id);
// The module that holds the dialog resources (the program or test program).
HINSTANCE DialogModule();
// Loads the product pictures into the logo and name controls, when present.
void SetProductPictures(HWND dialog);
// The support mailbox address, its mail link and the report's subject.
const char* SupportAddress();
std::string SupportMailLink();
#endif
