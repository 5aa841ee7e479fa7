// The Windows backend: ADO reached by late-bound automation. The connection
// is an "ADODB.Connection"; rows come from an "ADODB.Recordset" opened on it,
// statements without rows run through the connection's Execute. A COM
// error's description is the message of a database error.
#ifdef _WIN32

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/palm/PalmText.h"
#include "common/palm/PmDatabase.h"

namespace {

constexpr long kAdStateOpen = 1;
constexpr long kAdModeUnknown = 0;
constexpr long kAdModeRead = 1;
constexpr long kAdOpenForwardOnly = 0;
constexpr long kAdLockReadOnly = 1;
constexpr long kAdCmdText = 1;
constexpr long kAdExecuteNoRecords = 0x80;

std::string FromBstr(BSTR text) {
    if (!text) return std::string();
    std::string out(SysStringLen(text) * 2 + 1, '\0');
    ToNarrow(reinterpret_cast<const char16_t*>(text), &out[0], out.size());
    out.resize(strlen(out.c_str()));
    return out;
}

// Owns an IDispatch reference.
class DispPtr {
public:
    DispPtr() = default;
    explicit DispPtr(IDispatch* p) : m_p(p) {}
    ~DispPtr() { Reset(); }
    DispPtr(const DispPtr&) = delete;
    DispPtr& operator=(const DispPtr&) = delete;
    DispPtr(DispPtr&& o) noexcept : m_p(o.m_p) { o.m_p = nullptr; }
    DispPtr& operator=(DispPtr&& o) noexcept {
        if (this != &o) {
            Reset();
            m_p = o.m_p;
            o.m_p = nullptr;
        }
        return *this;
    }
    void Reset() {
        if (m_p) m_p->Release();
        m_p = nullptr;
    }
    IDispatch* Get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    IDispatch* m_p = nullptr;
};

// Holds a VARIANT and clears it.
struct Var {
    VARIANT v;
    Var() { VariantInit(&v); }
    ~Var() { VariantClear(&v); }
    Var(const Var&) = delete;
    Var& operator=(const Var&) = delete;
};

bool CreateObject(const wchar_t* progId, DispPtr& out, PmDbError& err) {
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(progId, &clsid);
    IDispatch* disp = nullptr;
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                              IID_IDispatch, reinterpret_cast<void**>(&disp));
    if (FAILED(hr) || !disp) {
        err.Reset();
        return false;
    }
    out = DispPtr(disp);
    return true;
}

// Calls a member by name. args are in the member's order.
bool Call(IDispatch* obj, const wchar_t* name, WORD flags, std::vector<VARIANT>& args,
          VARIANT* result, PmDbError& err) {
    err.Reset();
    if (!obj) return false;
    DISPID id = 0;
    LPOLESTR n = const_cast<LPOLESTR>(name);
    HRESULT hr = obj->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return false;
    std::vector<VARIANT> rev(args.rbegin(), args.rend());
    DISPPARAMS dp = {};
    dp.cArgs = static_cast<UINT>(rev.size());
    dp.rgvarg = rev.empty() ? nullptr : rev.data();
    DISPID put = DISPID_PROPERTYPUT;
    if (flags & DISPATCH_PROPERTYPUT) {
        dp.cNamedArgs = 1;
        dp.rgdispidNamedArgs = &put;
    }
    EXCEPINFO ei = {};
    UINT argErr = 0;
    hr = obj->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &dp, result, &ei, &argErr);
    if (hr == DISP_E_EXCEPTION) {
        if (ei.pfnDeferredFillIn) ei.pfnDeferredFillIn(&ei);
        err.Set(FromBstr(ei.bstrDescription));
        SysFreeString(ei.bstrDescription);
        SysFreeString(ei.bstrSource);
        SysFreeString(ei.bstrHelpFile);
        return false;
    }
    if (FAILED(hr)) {
        IErrorInfo* info = nullptr;
        if (GetErrorInfo(0, &info) == S_OK && info) {
            BSTR desc = nullptr;
            if (SUCCEEDED(info->GetDescription(&desc))) err.Set(FromBstr(desc));
            SysFreeString(desc);
            info->Release();
        }
        return false;
    }
    return true;
}

bool GetLong(IDispatch* obj, const wchar_t* name, long& out, PmDbError& err) {
    std::vector<VARIANT> none;
    Var r;
    if (!Call(obj, name, DISPATCH_PROPERTYGET, none, &r.v, err)) return false;
    if (FAILED(VariantChangeType(&r.v, &r.v, 0, VT_I4))) return false;
    out = r.v.lVal;
    return true;
}

VARIANT BstrArg(const std::u16string& text, std::vector<BSTR>& keep) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.c_str()),
                                  static_cast<UINT>(text.size()));
    keep.push_back(v.bstrVal);
    return v;
}

VARIANT LongArg(long value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

VARIANT MissingArg() {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

void FreeBstrs(std::vector<BSTR>& keep) {
    for (BSTR b : keep) SysFreeString(b);
    keep.clear();
}

void EnsureCom() {
    static const bool done = [] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        return true;
    }();
    (void)done;
}

class AdoConnection : public PmDbConnection {
public:
    ~AdoConnection() override { Close(); }
    void SetConnectionString(const std::u16string& text) override { m_cs = text; }
    void SetReadOnly(bool readOnly) override { m_bReadOnly = readOnly; }
    bool Open(PmDbError& err) override {
        err.Reset();
        if (!m_conn && !CreateObject(L"ADODB.Connection", m_conn, err)) return false;
        if (IsOpen()) Close();
        std::vector<BSTR> keep;
        std::vector<VARIANT> args{BstrArg(m_cs, keep)};
        bool ok = Call(m_conn.Get(), L"ConnectionString", DISPATCH_PROPERTYPUT, args, nullptr, err);
        FreeBstrs(keep);
        if (!ok) return false;
        // Mode can be set only while the connection is closed; a new one is
        // adModeUnknown, so a writable open needs no put.
        const long mode = m_bReadOnly ? kAdModeRead : kAdModeUnknown;
        if (mode != m_nMode) {
            std::vector<VARIANT> arg{LongArg(mode)};
            if (!Call(m_conn.Get(), L"Mode", DISPATCH_PROPERTYPUT, arg, nullptr, err)) return false;
            m_nMode = mode;
        }
        std::vector<VARIANT> none;
        Var r;
        return Call(m_conn.Get(), L"Open", DISPATCH_METHOD, none, &r.v, err);
    }
    void Close() override {
        if (!IsOpen()) return;
        PmDbError err;
        std::vector<VARIANT> none;
        Var r;
        Call(m_conn.Get(), L"Close", DISPATCH_METHOD, none, &r.v, err);
    }
    bool IsOpen() const override {
        if (!m_conn) return false;
        long state = 0;
        PmDbError err;
        return GetLong(m_conn.Get(), L"State", state, err) && (state & kAdStateOpen);
    }
    IDispatch* Dispatch() const { return m_conn.Get(); }

private:
    std::u16string m_cs;
    DispPtr m_conn;
    bool m_bReadOnly = false;
    long m_nMode = kAdModeUnknown;  // as last put
};

class AdoQuery : public PmDbQuery {
public:
    explicit AdoQuery(AdoConnection& conn) : m_conn(conn) {}
    ~AdoQuery() override { Close(); }
    void Close() override {
        m_fields.Reset();
        m_count = 0;
        m_eof = true;
        if (!m_rs) return;
        long state = 0;
        PmDbError err;
        if (GetLong(m_rs.Get(), L"State", state, err) && (state & kAdStateOpen)) {
            std::vector<VARIANT> none;
            Var r;
            Call(m_rs.Get(), L"Close", DISPATCH_METHOD, none, &r.v, err);
        }
    }
    void ClearSql() override { m_sql.clear(); }
    void AddSql(const std::u16string& line) override {
        if (!m_sql.empty()) m_sql += u"\r\n";
        m_sql += line;
    }
    bool Open(PmDbError& err) override {
        Close();
        if (!m_conn.Dispatch()) {
            err.Reset();
            return false;
        }
        if (!m_rs && !CreateObject(L"ADODB.Recordset", m_rs, err)) return false;
        std::vector<BSTR> keep;
        VARIANT conn;
        VariantInit(&conn);
        conn.vt = VT_DISPATCH;
        conn.pdispVal = m_conn.Dispatch();
        std::vector<VARIANT> args{BstrArg(m_sql, keep), conn, LongArg(kAdOpenForwardOnly),
                                  LongArg(kAdLockReadOnly), LongArg(kAdCmdText)};
        Var r;
        bool ok = Call(m_rs.Get(), L"Open", DISPATCH_METHOD, args, &r.v, err);
        FreeBstrs(keep);
        if (!ok) return false;
        std::vector<VARIANT> none;
        Var fields;
        if (!Call(m_rs.Get(), L"Fields", DISPATCH_PROPERTYGET, none, &fields.v, err) ||
            fields.v.vt != VT_DISPATCH || !fields.v.pdispVal)
            return false;
        fields.v.pdispVal->AddRef();
        m_fields = DispPtr(fields.v.pdispVal);
        long count = 0;
        if (!GetLong(m_fields.Get(), L"Count", count, err)) return false;
        m_count = static_cast<int>(count);
        return ReadEof(err);
    }
    bool Execute(PmDbError& err) override {
        Close();
        if (!m_conn.Dispatch()) {
            err.Reset();
            return false;
        }
        std::vector<BSTR> keep;
        std::vector<VARIANT> args{BstrArg(m_sql, keep), MissingArg(),
                                  LongArg(kAdCmdText | kAdExecuteNoRecords)};
        Var r;
        bool ok = Call(m_conn.Dispatch(), L"Execute", DISPATCH_METHOD, args, &r.v, err);
        FreeBstrs(keep);
        return ok;
    }
    bool IsEof() const override { return m_eof; }
    bool Next(PmDbError& err) override {
        if (!m_rs || m_eof) return false;
        std::vector<VARIANT> none;
        Var r;
        if (!Call(m_rs.Get(), L"MoveNext", DISPATCH_METHOD, none, &r.v, err)) return false;
        return ReadEof(err);
    }
    int FieldCount() const override { return m_fields ? m_count : 0; }
    bool GetField(int index, PmSqlValue& out) const override {
        out.Clear();
        if (!m_fields || m_eof || index < 0 || index >= m_count) return false;
        PmDbError err;
        std::vector<VARIANT> args{LongArg(index)};
        Var field;
        if (!Call(m_fields.Get(), L"Item", DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, &field.v,
                  err) ||
            field.v.vt != VT_DISPATCH || !field.v.pdispVal)
            return false;
        std::vector<VARIANT> none;
        Var value;
        if (!Call(field.v.pdispVal, L"Value", DISPATCH_PROPERTYGET, none, &value.v, err))
            return false;
        FromVariant(value.v, out);
        return true;
    }

private:
    bool ReadEof(PmDbError& err) {
        std::vector<VARIANT> none;
        Var r;
        if (!Call(m_rs.Get(), L"EOF", DISPATCH_PROPERTYGET, none, &r.v, err)) return false;
        if (FAILED(VariantChangeType(&r.v, &r.v, 0, VT_BOOL))) return false;
        m_eof = r.v.boolVal != VARIANT_FALSE;
        return true;
    }
    static void FromVariant(const VARIANT& v, PmSqlValue& out) {
        switch (v.vt) {
        case VT_NULL: out.vt = PM_VT_NULL; break;
        case VT_I2: out.vt = PM_VT_I2; out.lVal = v.iVal; break;
        case VT_I4: out.vt = PM_VT_I4; out.lVal = v.lVal; break;
        case VT_I1: out.vt = PM_VT_I1; out.lVal = v.cVal; break;
        case VT_BOOL: out.vt = PM_VT_BOOL; out.boolVal = v.boolVal; break;
        case VT_R8: out.vt = PM_VT_R8; out.dblVal = v.dblVal; break;
        case VT_DATE: out.vt = PM_VT_DATE; out.dblVal = v.date; break;
        case VT_BSTR:
            out.vt = PM_VT_BSTR;
            if (v.bstrVal)
                out.bstrVal = std::u16string(reinterpret_cast<const char16_t*>(v.bstrVal),
                                             SysStringLen(v.bstrVal));
            break;
        default:
            // Other kinds (currency, decimals, binary) stay unknown to the caller.
            out.vt = (v.vt & VT_ARRAY) ? PM_VT_BINARY : PM_VT_EMPTY;
            if (v.vt == VT_R4 || v.vt == VT_CY || v.vt == VT_DECIMAL) out.vt = PM_VT_R8;
            break;
        }
    }

    AdoConnection& m_conn;
    std::u16string m_sql;
    DispPtr m_rs;
    DispPtr m_fields;
    int m_count = 0;
    bool m_eof = true;
};

}  // namespace

std::unique_ptr<PmDbConnection> PmCreateDbConnection() {
    EnsureCom();
    return std::make_unique<AdoConnection>();
}

std::unique_ptr<PmDbQuery> PmCreateDbQuery(PmDbConnection& conn) {
    return std::make_unique<AdoQuery>(static_cast<AdoConnection&>(conn));
}

#endif  // _WIN32
