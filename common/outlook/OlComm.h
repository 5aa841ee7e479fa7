// The Outlook session: creates or joins the Outlook application by
// automation, reaches its MAPI namespace and shares both with every
// OlBaseUtil object, counting users and closing the session with the last.
// Windows only.
#pragma once

#ifdef _WIN32

#include <windows.h>
#include <ole2.h>

#include <cstdint>

#include "common/misc/DispCmd.h"

class OlBaseUtil {
public:
    OlBaseUtil();
    virtual ~OlBaseUtil();
    OlBaseUtil(const OlBaseUtil&) = delete;
    OlBaseUtil& operator=(const OlBaseUtil&) = delete;

    virtual bool Load();
    virtual void Clear();
    virtual void Init();
    virtual void Term();
    // True when the session is open afterwards; every call is one user.
    virtual bool Start();
    // Leaves the session; the last user closes it.
    virtual void Stop();

    bool IsStarted() const { return m_bStarted; }

    // The shared session, for tests and diagnostics.
    static bool IsSessionOpen();
    static int32_t GetUserCount();

protected:
    // Non-owning copies of the session's references, valid while it is open.
    CDispCmd* m_pAppCmd = nullptr;
    CDispCmd* m_pNameSpaceCmd = nullptr;
    IUnknown* m_pApp = nullptr;
    bool m_bStarted = false;

private:
    void CopySession();
    void ClearCopies();
};

#endif  // _WIN32
