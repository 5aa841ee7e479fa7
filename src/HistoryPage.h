// The page "Synchronization History": the runs newest first. The page is
// created disabled (its check boxes and buttons take no input).
#pragma once

#ifdef _WIN32
#include <windows.h>

class SyncHistoryMgr;

class HistoryPage {
public:
    explicit HistoryPage(SyncHistoryMgr& history) : m_History(history) {}

    // The page dialog is made by the main window; this sets up the list.
    void Attach(HWND page);
    HWND GetWindow() const { return m_hPage; }
    HWND GetList() const;

    void Fill();
    // Sizes in the page's pixels; the margins are scaled from 96 DPI to dpi.
    void Layout(int width, int height, int dpi = 96);
    // WM_COMMAND of the page; true when handled.
    bool OnCommand(int id);

    void btnHistoryAllClick();
    void btnHistoryClearClick();
    void btnHistoryDelClick();

private:
    void SetAllChecks(bool checked);

    SyncHistoryMgr& m_History;
    HWND m_hPage = nullptr;
};
#endif
