// The main window and the end of the Windows session: a run holds off
// logging off and shutting down, and closing the window waits for it.
#include <windows.h>

#include "common/misc/CxDebugUtil.h"
#include "src/MainWindow.h"

namespace {

const wchar_t* const kBlockReason = L"Vantoro is synchronizing contacts.";

}  // namespace

void TfmMain::BlockSessionEnd(bool block) {
    if (!m_hWnd) return;
    // The reason shows in the system's list of programs that hold off the end.
    // The answer to WM_QUERYENDSESSION holds the end off; the reason is
    // what the user reads meanwhile, and a system without it still waits.
    if (block && !m_bSessionHeld) {
        if (!ShutdownBlockReasonCreate(m_hWnd, kBlockReason))
            CX_LOG(1, "The reason for holding off the end of the session could not be set. Error=%lu",
                   GetLastError());
    } else if (!block && m_bSessionHeld) {
        ShutdownBlockReasonDestroy(m_hWnd);
    }
    m_bSessionHeld = block;
}

bool TfmMain::OnQueryEndSession() {
    if (!m_bSessionHeld) return true;
    CX_LOG(0, "The end of the Windows session was held off: a synchronization is running.");
    return false;
}

void TfmMain::OnEndSession(bool ending) {
    if (!ending || !m_hWnd) return;
    if (m_bBusy) {
        // Forced while a run is on: the run's stores must outlive it, so the
        // window stays and the system ends the process.
        CX_LOG(0, "The Windows session ends during a synchronization.");
        return;
    }
    // The process may be ended as soon as this returns: the normal shutdown
    // (settings saved, both sides released) runs now.
    CX_LOG(2, "The Windows session ends: Vantoro closes.");
    DestroyWindow(m_hWnd);
}

bool TfmMain::CloseRequested() {
    if (!m_bBusy) return true;
    CX_LOG(2, "Closing was refused: a synchronization is running.");
    Message("A synchronization is running. Please close Vantoro when it has finished.", kAppTitle,
            MB_OK | MB_ICONINFORMATION);
    return false;
}
