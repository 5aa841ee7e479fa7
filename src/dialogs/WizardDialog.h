// The first-run wizard: versions found, the Palm Desktop user, whether to
// show the wizard again, and the way to the debug log settings.
#pragma once

#ifdef _WIN32
#include "src/dialogs/DialogBase.h"

struct DialogContext;

class WizardDialog : public DialogBase {
public:
    explicit WizardDialog(DialogContext& ctx);
    bool TransferWizard(bool save);

protected:
    void OnInit() override;
    bool OnCommand(int id, int code) override;
    INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;

private:
    void FillUsers();

    DialogContext& m_Ctx;
    bool m_bOutlookFound = false;
    bool m_bPalmFound = false;
};
#endif
