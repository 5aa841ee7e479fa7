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

HRESULT CDispCmd::InvokeByName(LPCOLESTR name, WORD kind, DISPPARAMS* params, VARIANT* result) {
    if (!m_pDisp || !name || !name[0]) return E_INVALIDARG;
    // Identifiers are resolved anew on every call: an object may be replaced
    // behind the same reference, and Outlook does not promise stable ids.
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = m_pDisp->GetIDsOfNames(IID_NULL, names, 1, kSystemLocale, &id);
    if (hr == DISP_E_UNKNOWNNAME) {
        // Some localised Outlook builds know a member only by its English name.
        hr = m_pDisp->GetIDsOfNames(IID_NULL, names, 1, kEnglishLocale, &id);
    }
    if (FAILED(hr)) {
        // Nothing is invoked: an identifier from a failed lookup means nothing.
        CX_LOG(0, "Failed to call IDispatch->GetIDsOfNames, Name=%S, hr=0x%08x", name,
               static_cast<unsigned>(hr));
        return hr;
    }
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    return m_pDisp->Invoke(id, IID_NULL, kSystemLocale, kind, params ? params : &none, result,
                           nullptr, nullptr);
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

HRESULT CDispCmd::GetText(LPCOLESTR name, char* buffer, int capacity) {
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
            if (n > 0) memcpy(buffer, all.data(), static_cast<size_t>(n));
        }
    }
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
