// What the debug settings and the problem report share: the log folder and
// file boxes and their "..." buttons.
#pragma once

#ifdef _WIN32
#include "src/dialogs/DialogBase.h"

class LogInfoDialog : public DialogBase {
public:
    using DialogBase::DialogBase;

protected:
    // The data folder and its log file, or both empty and the buttons
    // disabled when the folder cannot be had.
    void FillLogPaths();
    // True for the folder and file buttons.
    bool OnLogCommand(int id, int code);

private:
    void btnFolderClick();
    void btnFileClick();
};
#endif
