// Late-bound automation calls on one IDispatch object: every member is
// addressed by name at run time (no type library). Windows only.
#pragma once

#ifdef _WIN32

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <cstdint>

class CDispCmd {
public:
    // Size of the UTF-16 buffer PutText converts through; the last unit is
    // always the terminator, so at most kPutTextUnits - 1 units are sent.
    static constexpr int kPutTextUnits = 20480;
    static constexpr LCID kSystemLocale = 0x0800;
    static constexpr LCID kEnglishLocale = 0x0409;

    explicit CDispCmd(IDispatch* pDisp);
    ~CDispCmd();
    CDispCmd(const CDispCmd&) = delete;
    CDispCmd& operator=(const CDispCmd&) = delete;

    // The held reference, without a new one.
    IDispatch* GetDispatch() const { return m_pDisp; }

    // How long a call Outlook rejects as busy is tried again before it
    // fails; 30 s unless a test shortens it.
    static void SetBusyTimeout(uint32_t ms);
    static uint32_t GetBusyTimeout();

    // Resolves the name (locale 0x0800, then 0x0409) and invokes it. A call
    // Outlook rejects as busy is tried again for the busy timeout; an error
    // Outlook describes (DISP_E_EXCEPTION) is logged with its description.
    HRESULT InvokeByName(LPCOLESTR name, WORD kind, DISPPARAMS* params, VARIANT* result);
    // args are given in call order; the block is built in the automation
    // standard's reversed order.
    HRESULT Call(LPCOLESTR name, VARIANT* args, UINT argCount, VARIANT* result,
                 WORD kind = DISPATCH_METHOD, DISPID* named = nullptr, UINT namedCount = 0);
    HRESULT GetProperty(LPCOLESTR name, VARIANT* result);
    HRESULT PutProperty(LPCOLESTR name, const VARIANT& value);

    // Status 0 done, 1 wrong type or nowhere to put it (nothing stored),
    // negative a failure.
    // *cut (when given) tells whether the value was longer than the buffer.
    HRESULT GetText(LPCOLESTR name, char* buffer, int capacity, bool* cut = nullptr);
    HRESULT GetLong(LPCOLESTR name, int32_t* out);
    HRESULT GetDate(LPCOLESTR name, double* out);
    // On 0 the caller owns *out.
    HRESULT GetObject(LPCOLESTR name, IDispatch** out);

    // Empty text is not sent, so it never clears a property.
    HRESULT PutText(LPCOLESTR name, const char* text);
    HRESULT PutLong(LPCOLESTR name, int32_t value);
    // A zero date (|value| < 0.00001) is not sent.
    HRESULT PutDate(LPCOLESTR name, double value);

private:
    HRESULT Resolve(LPCOLESTR name, DISPID* id);
    HRESULT InvokeOnce(DISPID id, LPCOLESTR name, WORD kind, DISPPARAMS* params, VARIANT* result);

    IDispatch* m_pDisp = nullptr;
};

#endif  // _WIN32
