// The conflict dialog of two-way runs: the pair side by side, every
// compared field that differs with both values, and the user's answer.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

struct CommAddr;

class TfmConfAlert {
public:
    static constexpr int32_t kPalmWins = 1;
    static constexpr int32_t kOutlookWins = 2;
    static constexpr int32_t kNothing = 3;

    TfmConfAlert() { FormCreate(); }

    // Fills the list with the pair; nothing when either record is null.
    void ShowRecords(const CommAddr* palmRec, const CommAddr* outlookRec);
    // false: checks the radio button of the current action; true: reads the
    // controls back. Returns true.
    bool TransferChoice(bool save);
    // 1 after OK, 2 after Cancel or the close box, -1 when it cannot be shown.
    int ShowModal(HWND owner);

    int32_t GetAction() const { return m_nAction; }
    bool GetApplyThisRun() const { return m_bApplyThisRun; }
    bool GetApplyAlways() const { return m_bApplyAlways; }

    // One line per compared field that differs: name, then both values.
    static std::string DiffText(const CommAddr& palmRec, const CommAddr& outlookRec);

    // Tests: called with the dialog window once it is filled, before the
    // user could act; the hook answers by sending the dialog messages.
    static void SetShownHook(std::function<void(HWND)> hook);

private:
    void FormCreate();
    static INT_PTR CALLBACK DlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam);
    static INT_PTR OnMessage(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam);
    void OnInit();
    void btnOKClick();
    void btnCancelClick();

    HWND m_hWnd = nullptr;
    const CommAddr* m_pPalm = nullptr;
    const CommAddr* m_pOutlook = nullptr;
    int32_t m_nAction = kNothing;
    bool m_bApplyThisRun = false;
    bool m_bApplyAlways = false;
};
#endif
