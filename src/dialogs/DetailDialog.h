// The contact detail viewer: one record over four pages; nothing typed
// into it is written back.
#pragma once

#ifdef _WIN32
#include <vector>

#include "src/dialogs/DialogBase.h"

struct CommAddr;

class DetailDialog : public DialogBase {
public:
    DetailDialog();
    // Sets the record and fills the controls once the window exists.
    void ShowRecord(const CommAddr* rec);
    // False without a record; saving writes nothing and gives true.
    bool TransferRecord(bool save);

protected:
    void OnInit() override;
    bool OnCommand(int id, int code) override;
    INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;

private:
    void btnGoClick();
    HWND MakePage(HWND tab, HWND parent, int templateId, int windowId);
    void ShowPage(HWND tab, const std::vector<HWND>& pages);

    const CommAddr* m_pRec = nullptr;
    std::vector<HWND> m_Pages;      // General, Address, Notes, Other (tab order below)
    std::vector<HWND> m_AddrPages;  // Other, Home, Business
    HWND m_hMainTab = nullptr;
    HWND m_hAddrTab = nullptr;
};
#endif
