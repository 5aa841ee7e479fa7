// The options dialog: row colours, the contacts file, name swap, custom
// mapping and the standing conflict rule.
#pragma once

#ifdef _WIN32
#include "src/dialogs/DialogBase.h"

struct DialogContext;

class OptionDialog : public DialogBase {
public:
    explicit OptionDialog(DialogContext& ctx);
    ~OptionDialog() override;
    bool TransferSettings(bool save);

protected:
    void OnInit() override;
    bool OnCommand(int id, int code) override;
    INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;

private:
    void PickColor(int id, COLORREF& color);
    void btnAddrBrowseClick();
    void btnAddrCustomClick();
    void btnOKClick();
    void UpdateEnabling();

    DialogContext& m_Ctx;
    COLORREF m_crSame = 0;
    COLORREF m_crDiff = 0;
    COLORREF m_crNew = 0;
    HBRUSH m_hSame = nullptr;
    HBRUSH m_hDiff = nullptr;
    HBRUSH m_hNew = nullptr;
};
#endif
