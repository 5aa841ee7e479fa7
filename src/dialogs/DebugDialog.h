// The debug log settings: on or off, how much, and where the log lives.
#pragma once

#ifdef _WIN32
#include "src/dialogs/LogInfoDialog.h"

struct DialogContext;

class DebugDialog : public LogInfoDialog {
public:
    explicit DebugDialog(DialogContext& ctx);
    bool TransferDebug(bool save);

protected:
    void OnInit() override;
    bool OnCommand(int id, int code) override;

private:
    DialogContext& m_Ctx;
};
#endif
