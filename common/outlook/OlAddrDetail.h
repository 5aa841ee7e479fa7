// Small helpers shared by the two halves of OlAddrUtil (conversions and
// item input/output). Windows only; not for other users.
#pragma once

#ifdef _WIN32

#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "common/outlook/OlAddr.h"

namespace ol_detail {

inline char* SlotAt(OlContactBuf* buf, size_t offset) { return reinterpret_cast<char*>(buf) + offset; }
inline const char* SlotAt(const OlContactBuf* buf, size_t offset) {
    return reinterpret_cast<const char*>(buf) + offset;
}

// A buffer taken from a stored block: every text slot is made terminated.
inline void TerminateTexts(OlContactBuf* buf) {
    for (const OlPropInfo& p : g_OlPropInfo)
        if (p.m_nType == OL_PROP_TEXT) SlotAt(buf, p.m_nOffset)[p.m_nSize - 1] = 0;
    buf->m_szFolderName[sizeof(buf->m_szFolderName) - 1] = 0;
    buf->m_szSuffix[sizeof(buf->m_szSuffix) - 1] = 0;
    buf->m_szEntryID[sizeof(buf->m_szEntryID) - 1] = 0;
}

inline std::unique_ptr<OlContactBuf> NewBuffer() {
    std::unique_ptr<OlContactBuf> buf(new (std::nothrow) OlContactBuf);
    if (buf) memset(buf.get(), 0, sizeof(OlContactBuf));
    return buf;
}

inline VARIANT LongArg(int32_t value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

// The object a call returned, or null; the variant is cleared either way.
inline IDispatch* TakeObject(HRESULT hr, VARIANT& result) {
    IDispatch* p = nullptr;
    if (SUCCEEDED(hr) && result.vt == VT_DISPATCH && result.pdispVal) {
        p = result.pdispVal;
        p->AddRef();
    }
    VariantClear(&result);
    return p;
}

// Index of the table property at this offset of the buffer; -1 for none.
int PropIndexAt(size_t offset);

// The record's name for log lines: "First Last", else the full name.
std::string WhoText(const OlContactBuf& buf);

}  // namespace ol_detail

#endif  // _WIN32
