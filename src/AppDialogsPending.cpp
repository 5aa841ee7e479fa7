// Placeholders until the dialogs exist: each reports that it could not be
// shown, so callers take their "nothing changed" path.
#include "src/AppDialogs.h"

int ShowWizardDialog(HWND, DialogContext&) { return -1; }
int ShowOptionsDialog(HWND, DialogContext&) { return -1; }
int ShowCustomMapDialog(HWND, DialogContext&) { return -1; }
int ShowDetailDialog(HWND, const CommAddr&) { return -1; }
int ShowDebugSettingsDialog(HWND, DialogContext&) { return -1; }
int ShowProblemReportDialog(HWND, DialogContext&) { return -1; }
int ShowAboutDialog(HWND) { return -1; }
int ShowExportDialog(HWND, ExportContext&) { return -1; }
