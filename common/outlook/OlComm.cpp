#ifdef _WIN32

#include "common/outlook/OlComm.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxGuard.h"

namespace {

// Windows asks the client's message filter what to do with a call Outlook
// rejected (busy with a dialog of its own): try again every 250 ms for as
// long as the call helper would, then give up. (Wine never asks.)
class OlMessageFilter : public IMessageFilter {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        return CxGuard("the message filter", E_UNEXPECTED, [&]() -> HRESULT {
            if (!ppv) return E_POINTER;
            if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IMessageFilter)) {
                *ppv = static_cast<IMessageFilter*>(this);
                return S_OK;
            }
            *ppv = nullptr;
            return E_NOINTERFACE;
        });
    }
    // A static object: counting changes nothing.
    ULONG STDMETHODCALLTYPE AddRef() override {
        return CxGuard("the message filter", ULONG{2}, [] { return ULONG{2}; });
    }
    ULONG STDMETHODCALLTYPE Release() override {
        return CxGuard("the message filter", ULONG{1}, [] { return ULONG{1}; });
    }
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
        return CxGuard("the message filter", DWORD{SERVERCALL_ISHANDLED},
                       [] { return DWORD{SERVERCALL_ISHANDLED}; });
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD elapsedMs, DWORD rejectType) override {
        return CxGuard("the message filter", static_cast<DWORD>(-1), [&]() -> DWORD {
            if (rejectType != SERVERCALL_RETRYLATER && rejectType != SERVERCALL_REJECTED)
                return static_cast<DWORD>(-1);
            return elapsedMs < CDispCmd::GetBusyTimeout() ? 250 : static_cast<DWORD>(-1);
        });
    }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override {
        return CxGuard("the message filter", DWORD{PENDINGMSG_WAITDEFPROCESS},
                       [] { return DWORD{PENDINGMSG_WAITDEFPROCESS}; });
    }
};

OlMessageFilter g_Filter;

// The one session of the process, shared by every OlBaseUtil.
struct OlSession {
    bool bOpen = false;
    IMessageFilter* pOldFilter = nullptr;
    bool bFilter = false;
    IUnknown* pApp = nullptr;
    std::unique_ptr<CDispCmd> pAppCmd;
    std::unique_ptr<CDispCmd> pNameSpaceCmd;
    int32_t nUsers = 0;
};

OlSession& Session() {
    static OlSession s;
    return s;
}

// Objects alive, so that closing the session clears every copy of its
// references and none is left dangling.
std::vector<OlBaseUtil*>& LiveObjects() {
    static std::vector<OlBaseUtil*> v;
    return v;
}

template <typename T>
void ReleaseRef(T*& p) {
    if (p) p->Release();
    p = nullptr;
}

void RestoreFilter(OlSession& s) {
    if (!s.bFilter) return;
    IMessageFilter* mine = nullptr;
    CoRegisterMessageFilter(s.pOldFilter, &mine);
    ReleaseRef(s.pOldFilter);
    s.bFilter = false;
}

}  // namespace

OlBaseUtil::OlBaseUtil() {
    LiveObjects().push_back(this);
    if (Session().bOpen) CopySession();
    Init();
}

OlBaseUtil::~OlBaseUtil() {
    // Called from here the base versions run: the derived part is gone.
    Clear();
    Term();
    auto& live = LiveObjects();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

bool OlBaseUtil::Load() {
    Clear();
    return true;
}

void OlBaseUtil::Clear() {}

void OlBaseUtil::Init() {
    m_bStarted = false;
    m_bStarted = Start();
}

void OlBaseUtil::Term() {
    Clear();
    Stop();
}

bool OlBaseUtil::IsSessionOpen() { return Session().bOpen; }

int32_t OlBaseUtil::GetUserCount() { return Session().nUsers; }

void OlBaseUtil::CopySession() {
    OlSession& s = Session();
    m_pAppCmd = s.pAppCmd.get();
    m_pNameSpaceCmd = s.pNameSpaceCmd.get();
    m_pApp = s.pApp;
}

void OlBaseUtil::ClearCopies() {
    m_pAppCmd = nullptr;
    m_pNameSpaceCmd = nullptr;
    m_pApp = nullptr;
}

bool OlBaseUtil::Start() {
    OlSession& s = Session();
    ++s.nUsers;
    if (s.bOpen) {
        CopySession();
        return true;
    }
    CX_LOG(2, "Outlook automation started.");

    IUnknown* pApp = nullptr;
    IDispatch* pDisp = nullptr;
    std::unique_ptr<CDispCmd> appCmd;
    std::unique_ptr<CDispCmd> nsCmd;
    bool ok = false;
    s.bFilter = SUCCEEDED(CoRegisterMessageFilter(&g_Filter, &s.pOldFilter));
    do {
        CLSID clsid;
        HRESULT hr = CLSIDFromProgID(L"Outlook.Application", &clsid);
        if (FAILED(hr)) {
            CX_LOG(0, "Can not get the CLSID of Outlook.Application, hr=0x%08x",
                   static_cast<unsigned>(hr));
            break;
        }
        CX_LOG(2, "Get Outlook.Application CLSID succeeded.");

        hr = CoCreateInstance(clsid, nullptr, 0x15, IID_IUnknown, reinterpret_cast<void**>(&pApp));
        if (FAILED(hr) || !pApp) {
            CX_LOG(0, "Failed to execute CoCreateInstance, hr=0x%08x", static_cast<unsigned>(hr));
            break;
        }
        CX_LOG(2, "CoCreateInstance succeeded.");

        hr = OleRun(pApp);
        if (FAILED(hr)) {
            CX_LOG(0, "Failed to execute OleRun, hr=0x%08x", static_cast<unsigned>(hr));
            break;
        }
        CX_LOG(2, "Microsoft Outlook started successfully.");

        hr = pApp->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&pDisp));
        if (FAILED(hr) || !pDisp) {
            CX_LOG(0, "Failed to query IDispatch interface of Outlook App, hr=0x%08x",
                   static_cast<unsigned>(hr));
            break;
        }
        CX_LOG(2, "Got Outlook IDispatch interface successfully.");
        appCmd.reset(new (std::nothrow) CDispCmd(pDisp));
        if (!appCmd) break;

        VARIANT arg;
        VariantInit(&arg);
        arg.vt = VT_BSTR;
        arg.bstrVal = SysAllocString(L"MAPI");
        VARIANT result;
        VariantInit(&result);
        hr = arg.bstrVal ? appCmd->Call(L"GetNameSpace", &arg, 1, &result) : E_OUTOFMEMORY;
        VariantClear(&arg);
        if (FAILED(hr) || result.vt != VT_DISPATCH || !result.pdispVal) {
            CX_LOG(0, "Failed to call Outlook.Application GetNameSpace method, hr=0x%08x",
                   static_cast<unsigned>(hr));
            VariantClear(&result);
            break;
        }
        CX_LOG(2, "Get Outlook MAPI namespace object successfully.");
        nsCmd.reset(new (std::nothrow) CDispCmd(result.pdispVal));
        VariantClear(&result);
        if (!nsCmd) break;
        ok = true;
    } while (false);

    ReleaseRef(pDisp);  // the application helper holds its own reference
    if (!ok) {
        nsCmd.reset();
        appCmd.reset();
        ReleaseRef(pApp);
        RestoreFilter(s);
        OlBaseUtil::Stop();
        return false;
    }
    s.bOpen = true;
    s.pApp = pApp;
    s.pAppCmd = std::move(appCmd);
    s.pNameSpaceCmd = std::move(nsCmd);
    m_bStarted = true;
    CopySession();
    CX_LOG(2, "Outlook Automation Succeeded.");
    return true;
}

void OlBaseUtil::Stop() {
    OlSession& s = Session();
    if (s.nUsers == 0) return;
    if (--s.nUsers > 0) return;
    s.pNameSpaceCmd.reset();
    s.pAppCmd.reset();
    ReleaseRef(s.pApp);
    RestoreFilter(s);
    s.bOpen = false;
    s.nUsers = 0;
    for (OlBaseUtil* o : LiveObjects()) o->ClearCopies();
}

#endif  // _WIN32
