#ifdef _WIN32

#include "common/misc/DispCmd.h"

#include <cstring>
#include <vector>

#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxPlatform.h"

CDispCmd::CDispCmd(IDispatch* pDisp) : m_pDisp(pDisp) {
    if (m_pDisp) m_pDisp->AddRef();
}

CDispCmd::~CDispCmd() {
    if (m_pDisp) m_pDisp->Release();
}

namespace {

uint32_t g_nBusyTimeoutMs = 30000;
constexpr uint32_t kBusyPauseMs = 200;

// Outlook rejects calls while a dialog of its own is open or it is busy
// with a long task; nothing was done, so the call can simply be repeated.
bool IsBusy(HRESULT hr) { return hr == RPC_E_CALL_REJECTED || hr == RPC_E_SERVERCALL_RETRYLATER; }

template <typename Fn>
HRESULT RetryWhileBusy(LPCOLESTR name, Fn call) {
    HRESULT hr = call();
    if (!IsBusy(hr)) return hr;
    const uint64_t start = cxplat::TickMs();
    CX_LOG(1, "Outlook is busy (hr=0x%08x); %S is tried again for up to %u s.",
           static_cast<unsigned>(hr), name, static_cast<unsigned>(g_nBusyTimeoutMs / 1000));
    uint64_t waited = 0;
    while (IsBusy(hr) && (waited = cxplat::TickMs() - start) < g_nBusyTimeoutMs) {
        const uint64_t left = g_nBusyTimeoutMs - waited;
        cxplat::SleepMs(static_cast<uint32_t>(left < kBusyPauseMs ? left : kBusyPauseMs));
        hr = call();
    }
    waited = cxplat::TickMs() - start;
    if (IsBusy(hr))
        CX_LOG(0, "Outlook stayed busy for %u ms; %S failed, hr=0x%08x", static_cast<unsigned>(waited),
               name, static_cast<unsigned>(hr));
    else
        CX_LOG(1, "Outlook answered %S after %u ms of waiting.", name, static_cast<unsigned>(waited));
    return hr;
}

}  // namespace

void CDispCmd::SetBusyTimeout(uint32_t ms) { g_nBusyTimeoutMs = ms; }

uint32_t CDispCmd::GetBusyTimeout() { return g_nBusyTimeoutMs; }

HRESULT CDispCmd::Resolve(LPCOLESTR name, DISPID* id) {
    // Identifiers are resolved anew on every call: an object may be replaced
    // behind the same reference, and Outlook does not promise stable ids.
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = RetryWhileBusy(name, [&] {
        return m_pDisp->GetIDsOfNames(IID_NULL, names, 1, kSystemLocale, id);
    });
    if (hr == DISP_E_UNKNOWNNAME) {
        // Some localised Outlook builds know a member only by its English name.
        hr = RetryWhileBusy(name, [&] {
            return m_pDisp->GetIDsOfNames(IID_NULL, names, 1, kEnglishLocale, id);
        });
    }
    return hr;
}

HRESULT CDispCmd::InvokeOnce(DISPID id, LPCOLESTR name, WORD kind, DISPPARAMS* params,
                             VARIANT* result) {
    EXCEPINFO ex;
    memset(&ex, 0, sizeof ex);
    UINT argError = 0;
    HRESULT hr = m_pDisp->Invoke(id, IID_NULL, kSystemLocale, kind, params, result, &ex, &argError);
    if (hr == DISP_E_EXCEPTION) {
        if (ex.pfnDeferredFillIn) ex.pfnDeferredFillIn(&ex);
        const HRESULT code = ex.scode ? ex.scode : static_cast<HRESULT>(ex.wCode);
        CX_LOG(0, "Outlook refused %S: %S (code 0x%08x)", name,
               ex.bstrDescription ? ex.bstrDescription : L"no description", static_cast<unsigned>(code));
    }
    SysFreeString(ex.bstrSource);
    SysFreeString(ex.bstrDescription);
    SysFreeString(ex.bstrHelpFile);
    return hr;
}

HRESULT CDispCmd::InvokeByName(LPCOLESTR name, WORD kind, DISPPARAMS* params, VARIANT* result) {
    if (!m_pDisp || !name || !name[0]) return E_INVALIDARG;
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = Resolve(name, &id);
    if (FAILED(hr)) {
        // Nothing is invoked: an identifier from a failed lookup means nothing.
        CX_LOG(0, "Failed to call IDispatch->GetIDsOfNames, Name=%S, hr=0x%08x", name,
               static_cast<unsigned>(hr));
        return hr;
    }
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    DISPPARAMS* dp = params ? params : &none;
    return RetryWhileBusy(name, [&] { return InvokeOnce(id, name, kind, dp, result); });
}

HRESULT CDispCmd::Call(LPCOLESTR name, VARIANT* args, UINT argCount, VARIANT* result, WORD kind,
                       DISPID* named, UINT namedCount) {
    if (argCount > 0 && !args) return E_INVALIDARG;
    if (namedCount > 0 && (!named || namedCount > argCount)) return E_INVALIDARG;
    // The callee expects the last argument first. Shallow copies: the caller
    // keeps ownership of what the arguments hold.
    std::vector<VARIANT> reversed(argCount);
    for (UINT i = 0; i < argCount; ++i) reversed[argCount - 1 - i] = args[i];
    DISPPARAMS dp = {argCount ? reversed.data() : nullptr, namedCount ? named : nullptr, argCount,
                     namedCount};
    return InvokeByName(name, kind, &dp, result);
}

HRESULT CDispCmd::GetProperty(LPCOLESTR name, VARIANT* result) {
    DISPPARAMS dp = {nullptr, nullptr, 0, 0};
    return InvokeByName(name, DISPATCH_PROPERTYGET, &dp, result);
}

HRESULT CDispCmd::PutProperty(LPCOLESTR name, const VARIANT& value) {
    VARIANT arg = value;  // shallow: the caller still owns the value
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS dp = {&arg, &putId, 1, 1};
    return InvokeByName(name, DISPATCH_PROPERTYPUT, &dp, nullptr);
}

HRESULT CDispCmd::GetText(LPCOLESTR name, char* buffer, int capacity, bool* cut) {
    if (cut) *cut = false;
    if (!buffer || capacity < 1) return 1;
    VARIANT v;
    VariantInit(&v);
    HRESULT hr = GetProperty(name, &v);
    if (FAILED(hr)) return hr;
    if (v.vt != VT_BSTR) {
        VariantClear(&v);
        return 1;
    }
    if (!v.bstrVal) {
        buffer[0] = 0;
        return 0;
    }
    const int units = static_cast<int>(SysStringLen(v.bstrVal));
    const char16_t* text = reinterpret_cast<const char16_t*>(v.bstrVal);
    // Most values fit: convert straight into the buffer. A longer one is
    // converted whole and then cut to capacity - 1 bytes. (An output size
    // of 0 would only ask for the length, hence the check.)
    int n = units && capacity > 1 ? cxplat::Utf16ToAnsi(text, units, buffer, capacity - 1) : 0;
    if (n < 0) {
        int need = cxplat::Utf16ToAnsi(text, units, nullptr, 0);
        n = 0;
        if (need > 0) {
            std::vector<char> all(static_cast<size_t>(need));
            need = cxplat::Utf16ToAnsi(text, units, all.data(), need);
            n = need < 0 ? 0 : (need < capacity ? need : capacity - 1);
            if (cut) *cut = need >= capacity;
            if (n > 0) memcpy(buffer, all.data(), static_cast<size_t>(n));
        }
    }
    if (cut && units > 0 && capacity == 1) *cut = true;
    buffer[n] = 0;
    VariantClear(&v);
    return 0;
}

HRESULT CDispCmd::GetLong(LPCOLESTR name, int32_t* out) {
    VARIANT v;
    VariantInit(&v);
    HRESULT hr = GetProperty(name, &v);
    if (FAILED(hr)) return hr;
    hr = 1;
    if (v.vt == VT_I4 && out) {
        *out = v.lVal;
        hr = 0;
    }
    VariantClear(&v);
    return hr;
}

HRESULT CDispCmd::GetDate(LPCOLESTR name, double* out) {
    VARIANT v;
    VariantInit(&v);
    HRESULT hr = GetProperty(name, &v);
    if (FAILED(hr)) return hr;
    hr = 1;
    if (v.vt == VT_DATE && out) {
        *out = v.date;
        hr = 0;
    }
    VariantClear(&v);
    return hr;
}

HRESULT CDispCmd::GetObject(LPCOLESTR name, IDispatch** out) {
    if (!out) return 1;
    *out = nullptr;
    VARIANT v;
    VariantInit(&v);
    HRESULT hr = GetProperty(name, &v);
    if (FAILED(hr)) return hr;
    if (v.vt != VT_DISPATCH) {
        VariantClear(&v);
        return 1;
    }
    *out = v.pdispVal;  // the reference passes to the caller
    return 0;
}

HRESULT CDispCmd::PutText(LPCOLESTR name, const char* text) {
    if (!text || !text[0]) return 0;
    // One byte gives at most one unit: cutting the input keeps the result
    // inside the buffer with room for its terminator.
    const int len = static_cast<int>(strnlen(text, kPutTextUnits - 1));
    std::vector<char16_t> wide(static_cast<size_t>(len) + 1, 0);
    const int n = cxplat::AnsiToUtf16(text, len, wide.data(), len);
    // A text that cannot be converted would go as an empty one and clear
    // the property: send nothing instead.
    if (n <= 0) return E_INVALIDARG;
    wide[static_cast<size_t>(n)] = 0;
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(wide.data()),
                                  static_cast<UINT>(n));
    if (!v.bstrVal) return E_OUTOFMEMORY;
    HRESULT hr = PutProperty(name, v);
    VariantClear(&v);
    return hr;
}

HRESULT CDispCmd::PutLong(LPCOLESTR name, int32_t value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return PutProperty(name, v);
}

HRESULT CDispCmd::PutDate(LPCOLESTR name, double value) {
    // A zero date means "no date": it never reaches the object.
    if (value > -0.00001f && value < 0.00001f) return 0;
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DATE;
    v.date = value;
    return PutProperty(name, v);
}

#endif  // _WIN32
