// The problem report after a failed load or an unhandled exception: the
// support mailbox, where the log lives, and a way to quit.
#pragma once

#ifdef _WIN32
#include "src/dialogs/LogInfoDialog.h"

class ProblemReportDialog : public LogInfoDialog {
public:
    ProblemReportDialog();
    ~ProblemReportDialog() override;

protected:
    void OnInit() override;
    bool OnCommand(int id, int code) override;
    INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;

private:
    void lblSupportClick();

    HFONT m_hLinkFont = nullptr;
};
#endif
