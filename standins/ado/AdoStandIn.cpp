// Stand-in for ADO over the Jet provider: see README.md.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <sql.h>
#include <sqlext.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

HINSTANCE g_module = nullptr;
std::atomic<long> g_objects{0};

// {6cec2768-e4ec-46c1-8eee-ec0f5035fa41}
const CLSID CLSID_StandInConnection = {
    0x6cec2768, 0xe4ec, 0x46c1, {0x8e, 0xee, 0xec, 0x0f, 0x50, 0x35, 0xfa, 0x41}};
// {439d0c38-560b-41be-84b7-7af6741fa854}
const CLSID CLSID_StandInRecordset = {
    0x439d0c38, 0x560b, 0x41be, {0x84, 0xb7, 0x7a, 0xf6, 0x74, 0x1f, 0xa8, 0x54}};
// Private interface through which a recordset finds the connection object.
// {b1860fd3-bbd4-403c-901c-db31f536a9e6}
const IID IID_StandInConnection = {
    0xb1860fd3, 0xbbd4, 0x403c, {0x90, 0x1c, 0xdb, 0x31, 0xf5, 0x36, 0xa9, 0xe6}};

constexpr long kAdStateClosed = 0;
constexpr long kAdStateOpen = 1;
constexpr long kAdModeRead = 1;

struct Member {
    const wchar_t* name;
    DISPID id;
};

// A failure raised to the caller as an automation exception.
struct Failure {
    HRESULT hr = S_OK;
    std::wstring text;
};

// Base of every object: IUnknown and IDispatch over a table of members.
class DispBase : public IDispatch {
public:
    DispBase() { ++g_objects; }
    virtual ~DispBase() { --g_objects; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
        } else if (void* p = Private(riid)) {
            *out = p;
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --m_refs;
        if (n == 0) delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        if (n) *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            for (const Member* m = Members(); m->name; ++m)
                if (_wcsicmp(m->name, names[i]) == 0) ids[i] = m->id;
            if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* dp,
                                     VARIANT* result, EXCEPINFO* ei, UINT*) override {
        VARIANT scratch;
        VariantInit(&scratch);
        if (!result) result = &scratch;
        VariantInit(result);
        Failure f;
        bool known = Call(id, flags, dp, result, f);
        VariantClear(&scratch);
        if (!known) return DISP_E_MEMBERNOTFOUND;
        if (f.hr == S_OK) return S_OK;
        if (ei) {
            memset(ei, 0, sizeof *ei);
            ei->scode = f.hr;
            ei->bstrSource = SysAllocString(L"Microsoft JET Database Engine");
            ei->bstrDescription = SysAllocString(f.text.c_str());
        }
        return DISP_E_EXCEPTION;
    }

protected:
    virtual const Member* Members() const = 0;
    // False for an unknown member; errors go into f.
    virtual bool Call(DISPID id, WORD flags, DISPPARAMS* dp, VARIANT* result, Failure& f) = 0;
    virtual void* Private(REFIID) { return nullptr; }

    // Positional argument i (0 = first), skipping nothing when absent.
    static VARIANT* Arg(DISPPARAMS* dp, UINT i) {
        if (!dp || i >= dp->cArgs) return nullptr;
        VARIANT* v = &dp->rgvarg[dp->cArgs - 1 - i];
        if (v->vt == (VT_VARIANT | VT_BYREF)) v = v->pvarVal;
        if (v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND) return nullptr;
        return v;
    }
    static bool ArgText(DISPPARAMS* dp, UINT i, std::wstring& out) {
        VARIANT* v = Arg(dp, i);
        if (!v) return false;
        VARIANT t;
        VariantInit(&t);
        if (FAILED(VariantChangeType(&t, v, 0, VT_BSTR))) return false;
        out.assign(t.bstrVal ? t.bstrVal : L"", t.bstrVal ? SysStringLen(t.bstrVal) : 0);
        VariantClear(&t);
        return true;
    }
    static void SetLong(VARIANT* r, long v) {
        r->vt = VT_I4;
        r->lVal = v;
    }
    static void SetBool(VARIANT* r, bool v) {
        r->vt = VT_BOOL;
        r->boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
    }

private:
    std::atomic<ULONG> m_refs{1};
};

std::wstring Diag(SQLSMALLINT type, SQLHANDLE h) {
    std::wstring all;
    SQLWCHAR state[6];
    SQLWCHAR msg[1024];
    SQLINTEGER native = 0;
    SQLSMALLINT len = 0;
    for (SQLSMALLINT rec = 1; rec <= 4; ++rec) {
        if (!SQL_SUCCEEDED(SQLGetDiagRecW(type, h, rec, state, &native, msg, 1024, &len))) break;
        if (!all.empty()) all += L" ";
        all += reinterpret_cast<wchar_t*>(msg);
    }
    return all.empty() ? L"Unknown database error." : all;
}

// The ODBC path under Wine cuts each UTF-16 unit of statement text to its
// low byte, while results come back whole. So statements travel as ASCII:
// a text literal with other characters is rewritten as a concatenation
// with SQLite's char(), 'M\u00fcller' becoming ('M' || char(252) || 'ller').
std::wstring AsciiOnly(const std::wstring& sql) {
    std::wstring out;
    size_t i = 0;
    while (i < sql.size()) {
        if (sql[i] != L'\'') {
            out += sql[i++];
            continue;
        }
        // One literal: up to the quote that is not doubled.
        size_t end = i + 1;
        bool plain = true;
        while (end < sql.size()) {
            if (sql[end] == L'\'') {
                if (end + 1 < sql.size() && sql[end + 1] == L'\'') {
                    end += 2;
                    continue;
                }
                break;
            }
            if (sql[end] > 0x7f) plain = false;
            ++end;
        }
        if (plain) {
            out.append(sql, i, end + 1 - i);
            i = end + 1;
            continue;
        }
        out += L"('";
        for (size_t k = i + 1; k < end && k < sql.size(); ++k) {
            unsigned c = sql[k];
            if (c <= 0x7f) {
                out += static_cast<wchar_t>(c);
                continue;
            }
            if (c >= 0xD800 && c <= 0xDBFF && k + 1 < end && sql[k + 1] >= 0xDC00 &&
                sql[k + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (sql[k + 1] - 0xDC00);
                ++k;
            }
            out += L"' || char(" + std::to_wstring(c) + L") || '";
        }
        out += L"')";
        i = end + 1;
    }
    return out;
}

// ---------------------------------------------------------------- Connection

class Connection : public DispBase {
public:
    enum : DISPID { kConnectionString = 1, kOpen, kClose, kState, kExecute, kMode };
    ~Connection() override { Disconnect(); }

    SQLHDBC Handle() const { return m_dbc; }

protected:
    const Member* Members() const override {
        static const Member m[] = {{L"ConnectionString", kConnectionString},
                                   {L"Open", kOpen},
                                   {L"Close", kClose},
                                   {L"State", kState},
                                   {L"Execute", kExecute},
                                   {L"Mode", kMode},
                                   {nullptr, 0}};
        return m;
    }
    void* Private(REFIID riid) override {
        return riid == IID_StandInConnection ? static_cast<IDispatch*>(this) : nullptr;
    }
    bool Call(DISPID id, WORD flags, DISPPARAMS* dp, VARIANT* r, Failure& f) override {
        switch (id) {
        case kConnectionString:
            if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
                if (!ArgText(dp, 0, m_cs)) f = {E_INVALIDARG, L"Invalid connection string."};
            } else {
                r->vt = VT_BSTR;
                r->bstrVal = SysAllocStringLen(m_cs.c_str(), static_cast<UINT>(m_cs.size()));
            }
            return true;
        case kOpen: {
            std::wstring cs;
            if (ArgText(dp, 0, cs)) m_cs = cs;
            Connect(f);
            return true;
        }
        case kClose:
            if (!m_dbc) f = {E_FAIL, L"Operation is not allowed when the object is closed."};
            Disconnect();
            return true;
        case kState:
            SetLong(r, m_dbc ? kAdStateOpen : kAdStateClosed);
            return true;
        case kMode:
            // As ADO: read/write while closed, read-only once open.
            if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
                VARIANT* a = Arg(dp, 0);
                VARIANT v;
                VariantInit(&v);
                if (m_dbc)
                    f = {E_FAIL, L"Operation is not allowed when the object is open."};
                else if (!a || FAILED(VariantChangeType(&v, a, 0, VT_I4)))
                    f = {E_INVALIDARG, L"Arguments are of the wrong type, are out of acceptable "
                                       L"range, or are in conflict with one another."};
                else
                    m_mode = v.lVal;
            } else {
                SetLong(r, m_mode);
            }
            return true;
        case kExecute: {
            std::wstring sql;
            if (!m_dbc) {
                f = {E_FAIL, L"Operation is not allowed when the object is closed."};
            } else if (!ArgText(dp, 0, sql)) {
                f = {E_INVALIDARG, L"Command text was not set for the command object."};
            } else {
                RunStatement(sql, f);
            }
            return true;
        }
        default:
            return false;
        }
    }

private:
    void Connect(Failure& f) {
        Disconnect();
        const std::wstring provider = L"Provider=Microsoft.Jet.OLEDB.4.0;";
        const std::wstring key = L"Data Source=";
        if (m_cs.compare(0, provider.size(), provider) != 0) {
            f = {E_FAIL, L"Provider cannot be found. It may not be properly installed."};
            return;
        }
        size_t pos = m_cs.find(key);
        std::wstring path;
        if (pos != std::wstring::npos) {
            pos += key.size();
            if (pos < m_cs.size() && m_cs[pos] == L'"') {
                size_t end = m_cs.find(L'"', pos + 1);
                if (end != std::wstring::npos) path = m_cs.substr(pos + 1, end - pos - 1);
            } else {
                path = m_cs.substr(pos, m_cs.find(L';', pos) - pos);
            }
        }
        DWORD attrs = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(path.c_str());
        if (attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_DIRECTORY)) {
            f = {E_FAIL, L"Could not find file '" + path + L"'."};
            return;
        }
        std::wstring unixPath = UnixPath(path);
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env)) ||
            !SQL_SUCCEEDED(SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION,
                                         reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)) ||
            !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc))) {
            Disconnect();
            f = {E_FAIL, L"The ODBC driver manager is not available."};
            return;
        }
        std::wstring odbc = L"DRIVER={SQLite3};Database=" + unixPath + L";";
        SQLWCHAR out[1024];
        SQLSMALLINT outLen = 0;
        SQLRETURN rc = SQLDriverConnectW(m_dbc, nullptr,
                                         reinterpret_cast<SQLWCHAR*>(const_cast<wchar_t*>(odbc.c_str())),
                                         SQL_NTS, out, 1024, &outLen, SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(rc)) {
            f = {E_FAIL, Diag(SQL_HANDLE_DBC, m_dbc)};
            Disconnect();
            return;
        }
        // The engine reads the file lazily: a file that is no database fails here.
        Failure check;
        RunStatement(L"SELECT count(*) FROM sqlite_master", check);
        if (check.hr != S_OK) {
            Disconnect();
            f = {E_FAIL, L"Unrecognized database format '" + path + L"'."};
            return;
        }
        // adModeRead: the engine refuses every change made through this connection.
        if ((m_mode & 3) == kAdModeRead) RunStatement(L"PRAGMA query_only = 1", check);
    }
    static std::wstring UnixPath(const std::wstring& path) {
        using Fn = char*(CDECL*)(LPCWSTR);
        HMODULE k32 = GetModuleHandleW(L"kernel32.dll");
        auto fn = reinterpret_cast<Fn>(
            reinterpret_cast<void*>(GetProcAddress(k32, "wine_get_unix_file_name")));
        if (!fn) return path;
        char* p = fn(path.c_str());
        if (!p) return path;
        std::string s = p;
        HeapFree(GetProcessHeap(), 0, p);
        int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, nullptr, 0);
        std::wstring w(n > 0 ? n : 1, L'\0');
        MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, &w[0], n);
        w.resize(wcslen(w.c_str()));
        return w;
    }
    void RunStatement(const std::wstring& sql, Failure& f) {
        SQLHSTMT st = SQL_NULL_HSTMT;
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &st))) {
            f = {E_FAIL, Diag(SQL_HANDLE_DBC, m_dbc)};
            return;
        }
        std::wstring text = AsciiOnly(sql);
        SQLRETURN rc = SQLExecDirectW(
            st, reinterpret_cast<SQLWCHAR*>(const_cast<wchar_t*>(text.c_str())), SQL_NTS);
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
            f = {E_FAIL, Diag(SQL_HANDLE_STMT, st)};
            if ((m_mode & 3) == kAdModeRead && f.text.find(L"readonly") != std::wstring::npos)
                f.text = L"Cannot update. Database or object is read-only.";
        }
        SQLFreeHandle(SQL_HANDLE_STMT, st);
    }
    void Disconnect() {
        if (m_dbc) {
            SQLDisconnect(m_dbc);
            SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
            m_dbc = SQL_NULL_HDBC;
        }
        if (m_env) {
            SQLFreeHandle(SQL_HANDLE_ENV, m_env);
            m_env = SQL_NULL_HENV;
        }
    }

    std::wstring m_cs;
    long m_mode = 0;  // adModeUnknown
    SQLHENV m_env = SQL_NULL_HENV;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
};

// ---------------------------------------------------------------- Field and Fields

class Field : public DispBase {
public:
    enum : DISPID { kValue = 0, kName = 1 };
    Field(const VARIANT& v, const std::wstring& name) : m_name(name) {
        VariantInit(&m_value);
        VariantCopy(&m_value, const_cast<VARIANT*>(&v));
    }
    ~Field() override { VariantClear(&m_value); }

protected:
    const Member* Members() const override {
        static const Member m[] = {{L"Value", kValue}, {L"Name", kName}, {nullptr, 0}};
        return m;
    }
    bool Call(DISPID id, WORD, DISPPARAMS*, VARIANT* r, Failure&) override {
        if (id == kValue) {
            VariantCopy(r, &m_value);
            return true;
        }
        if (id == kName) {
            r->vt = VT_BSTR;
            r->bstrVal = SysAllocString(m_name.c_str());
            return true;
        }
        return false;
    }

private:
    VARIANT m_value;
    std::wstring m_name;
};

struct Row {
    std::vector<std::wstring> names;
    std::vector<VARIANT> values;
    void Clear() {
        for (VARIANT& v : values) VariantClear(&v);
        values.clear();
    }
};

class Fields : public DispBase {
public:
    enum : DISPID { kItem = 0, kCount = 1 };
    explicit Fields(const Row* row) : m_row(row) {}
    void Detach() { m_row = nullptr; }

protected:
    const Member* Members() const override {
        static const Member m[] = {{L"Item", kItem}, {L"Count", kCount}, {nullptr, 0}};
        return m;
    }
    bool Call(DISPID id, WORD, DISPPARAMS* dp, VARIANT* r, Failure& f) override {
        if (id == kCount) {
            SetLong(r, m_row ? static_cast<long>(m_row->names.size()) : 0);
            return true;
        }
        if (id != kItem) return false;
        VARIANT* a = Arg(dp, 0);
        VARIANT idx;
        VariantInit(&idx);
        long i = -1;
        if (a && SUCCEEDED(VariantChangeType(&idx, a, 0, VT_I4))) i = idx.lVal;
        if (!m_row || i < 0 || static_cast<size_t>(i) >= m_row->values.size()) {
            f = {E_FAIL, L"Item cannot be found in the collection corresponding to the requested "
                         L"name or ordinal."};
            return true;
        }
        r->vt = VT_DISPATCH;
        r->pdispVal = new Field(m_row->values[static_cast<size_t>(i)],
                                m_row->names[static_cast<size_t>(i)]);
        return true;
    }

private:
    const Row* m_row;
};

// ---------------------------------------------------------------- Recordset

class Recordset : public DispBase {
public:
    enum : DISPID { kOpen = 1, kClose, kState, kEOF, kMoveNext, kFields };
    ~Recordset() override { Shut(); }

protected:
    const Member* Members() const override {
        static const Member m[] = {{L"Open", kOpen},         {L"Close", kClose},
                                   {L"State", kState},       {L"EOF", kEOF},
                                   {L"MoveNext", kMoveNext}, {L"Fields", kFields},
                                   {nullptr, 0}};
        return m;
    }
    bool Call(DISPID id, WORD, DISPPARAMS* dp, VARIANT* r, Failure& f) override {
        switch (id) {
        case kOpen:
            Open(dp, f);
            return true;
        case kClose:
            if (!m_stmt) f = {E_FAIL, L"Operation is not allowed when the object is closed."};
            Shut();
            return true;
        case kState:
            SetLong(r, m_stmt ? kAdStateOpen : kAdStateClosed);
            return true;
        case kEOF:
            if (!m_stmt) f = {E_FAIL, L"Operation is not allowed when the object is closed."};
            SetBool(r, m_eof);
            return true;
        case kMoveNext:
            if (!m_stmt || m_eof)
                f = {E_FAIL, L"Either BOF or EOF is True, or the current record has been deleted."};
            else
                Fetch(f);
            return true;
        case kFields:
            if (!m_fields) {
                m_fields = new Fields(&m_row);
            }
            m_fields->AddRef();
            r->vt = VT_DISPATCH;
            r->pdispVal = m_fields;
            return true;
        default:
            return false;
        }
    }

private:
    void Open(DISPPARAMS* dp, Failure& f) {
        if (m_stmt) {
            f = {E_FAIL, L"Operation is not allowed when the object is open."};
            return;
        }
        std::wstring sql;
        VARIANT* conn = Arg(dp, 1);
        Connection* c = nullptr;
        if (conn && (conn->vt == VT_DISPATCH || conn->vt == VT_UNKNOWN) && conn->punkVal)
            conn->punkVal->QueryInterface(IID_StandInConnection, reinterpret_cast<void**>(&c));
        if (!c || !c->Handle()) {
            if (c) c->Release();
            f = {E_FAIL, L"The connection cannot be used to perform this operation. It is either "
                         L"closed or invalid in this context."};
            return;
        }
        SQLHDBC dbc = c->Handle();
        c->Release();
        if (!ArgText(dp, 0, sql)) {
            f = {E_FAIL, L"Command text was not set for the command object."};
            return;
        }
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &m_stmt))) {
            f = {E_FAIL, Diag(SQL_HANDLE_DBC, dbc)};
            m_stmt = SQL_NULL_HSTMT;
            return;
        }
        std::wstring text = AsciiOnly(sql);
        SQLRETURN rc = SQLExecDirectW(
            m_stmt, reinterpret_cast<SQLWCHAR*>(const_cast<wchar_t*>(text.c_str())), SQL_NTS);
        if (!SQL_SUCCEEDED(rc)) {
            f = {E_FAIL, Diag(SQL_HANDLE_STMT, m_stmt)};
            Shut();
            return;
        }
        SQLSMALLINT cols = 0;
        SQLNumResultCols(m_stmt, &cols);
        m_row.names.clear();
        m_types.clear();
        for (SQLSMALLINT i = 1; i <= cols; ++i) {
            SQLWCHAR name[256] = {};
            SQLSMALLINT nameLen = 0, type = 0, digits = 0, nullable = 0;
            SQLULEN size = 0;
            SQLDescribeColW(m_stmt, static_cast<SQLUSMALLINT>(i), name, 256, &nameLen, &type,
                            &size, &digits, &nullable);
            m_row.names.push_back(reinterpret_cast<wchar_t*>(name));
            m_types.push_back(type);
        }
        Fetch(f);
    }
    void Fetch(Failure& f) {
        m_row.Clear();
        SQLRETURN rc = SQLFetch(m_stmt);
        if (rc == SQL_NO_DATA) {
            m_eof = true;
            return;
        }
        if (!SQL_SUCCEEDED(rc)) {
            m_eof = true;
            f = {E_FAIL, Diag(SQL_HANDLE_STMT, m_stmt)};
            return;
        }
        m_eof = false;
        for (size_t i = 0; i < m_types.size(); ++i) {
            VARIANT v;
            VariantInit(&v);
            ReadColumn(static_cast<SQLUSMALLINT>(i + 1), m_types[i], v);
            m_row.values.push_back(v);
        }
    }
    void ReadColumn(SQLUSMALLINT col, SQLSMALLINT type, VARIANT& v) {
        SQLLEN ind = 0;
        switch (type) {
        case SQL_INTEGER:
        case SQL_BIGINT: {
            SQLINTEGER n = 0;
            SQLGetData(m_stmt, col, SQL_C_SLONG, &n, sizeof n, &ind);
            if (ind == SQL_NULL_DATA) { v.vt = VT_NULL; return; }
            v.vt = VT_I4;
            v.lVal = n;
            return;
        }
        case SQL_SMALLINT:
        case SQL_TINYINT: {
            SQLSMALLINT n = 0;
            SQLGetData(m_stmt, col, SQL_C_SSHORT, &n, sizeof n, &ind);
            if (ind == SQL_NULL_DATA) { v.vt = VT_NULL; return; }
            v.vt = VT_I2;
            v.iVal = n;
            return;
        }
        case SQL_BIT: {
            SQLINTEGER n = 0;
            SQLGetData(m_stmt, col, SQL_C_SLONG, &n, sizeof n, &ind);
            if (ind == SQL_NULL_DATA) { v.vt = VT_NULL; return; }
            v.vt = VT_BOOL;
            v.boolVal = n ? VARIANT_TRUE : VARIANT_FALSE;
            return;
        }
        case SQL_DOUBLE:
        case SQL_FLOAT:
        case SQL_REAL:
        case SQL_NUMERIC:
        case SQL_DECIMAL: {
            double d = 0;
            SQLGetData(m_stmt, col, SQL_C_DOUBLE, &d, sizeof d, &ind);
            if (ind == SQL_NULL_DATA) { v.vt = VT_NULL; return; }
            v.vt = VT_R8;
            v.dblVal = d;
            return;
        }
        case SQL_TYPE_DATE:
        case SQL_TYPE_TIME:
        case SQL_TYPE_TIMESTAMP:
        case SQL_DATE:
        case SQL_TIME:
        case SQL_TIMESTAMP: {
            SQLWCHAR buf[64];
            SQLGetData(m_stmt, col, SQL_C_WCHAR, buf, sizeof buf, &ind);
            if (ind == SQL_NULL_DATA) { v.vt = VT_NULL; return; }
            v.vt = VT_DATE;
            v.date = 0;
            return;
        }
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY: {
            unsigned char buf[16];
            SQLGetData(m_stmt, col, SQL_C_BINARY, buf, sizeof buf, &ind);
            if (ind == SQL_NULL_DATA) { v.vt = VT_NULL; return; }
            v.vt = VT_ARRAY | VT_UI1;
            v.parray = SafeArrayCreateVector(VT_UI1, 0, 0);
            return;
        }
        default: {
            std::wstring text;
            SQLWCHAR buf[2048];
            for (;;) {
                SQLRETURN rc = SQLGetData(m_stmt, col, SQL_C_WCHAR, buf, sizeof buf, &ind);
                if (rc == SQL_NO_DATA) break;
                if (!SQL_SUCCEEDED(rc)) break;
                if (ind == SQL_NULL_DATA) { v.vt = VT_NULL; return; }
                text += reinterpret_cast<wchar_t*>(buf);
                if (rc == SQL_SUCCESS) break;
            }
            v.vt = VT_BSTR;
            v.bstrVal = SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size()));
            return;
        }
        }
    }
    void Shut() {
        m_row.Clear();
        m_eof = true;
        if (m_stmt) {
            SQLFreeHandle(SQL_HANDLE_STMT, m_stmt);
            m_stmt = SQL_NULL_HSTMT;
        }
        if (m_fields) {
            m_fields->Detach();
            m_fields->Release();
            m_fields = nullptr;
        }
    }

    SQLHSTMT m_stmt = SQL_NULL_HSTMT;
    std::vector<SQLSMALLINT> m_types;
    Row m_row;
    bool m_eof = true;
    Fields* m_fields = nullptr;
};

// ---------------------------------------------------------------- class factory

template <typename T>
class Factory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (outer) return CLASS_E_NOAGGREGATION;
        T* obj = new T();
        HRESULT hr = obj->QueryInterface(riid, out);
        obj->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) ++g_objects; else --g_objects;
        return S_OK;
    }
};

Factory<Connection> g_connectionFactory;
Factory<Recordset> g_recordsetFactory;

std::wstring GuidText(const GUID& g) {
    wchar_t buf[64];
    StringFromGUID2(g, buf, 64);
    return buf;
}

bool SetKey(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY h = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h,
                        nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

bool RegisterClass(const CLSID& clsid, const wchar_t* progId, const std::wstring& dll) {
    std::wstring id = GuidText(clsid);
    return SetKey(L"CLSID\\" + id, nullptr, progId) &&
           SetKey(L"CLSID\\" + id + L"\\InprocServer32", nullptr, dll) &&
           SetKey(L"CLSID\\" + id + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
           SetKey(L"CLSID\\" + id + L"\\ProgID", nullptr, progId) &&
           SetKey(progId, nullptr, progId) && SetKey(std::wstring(progId) + L"\\CLSID", nullptr, id);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE inst, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = inst;
        DisableThreadLibraryCalls(inst);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* out) {
    if (clsid == CLSID_StandInConnection) return g_connectionFactory.QueryInterface(riid, out);
    if (clsid == CLSID_StandInRecordset) return g_recordsetFactory.QueryInterface(riid, out);
    if (out) *out = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return g_objects == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
    wchar_t path[MAX_PATH] = {};
    if (!GetModuleFileNameW(g_module, path, MAX_PATH)) return E_FAIL;
    bool ok = RegisterClass(CLSID_StandInConnection, L"ADODB.Connection", path) &&
              RegisterClass(CLSID_StandInRecordset, L"ADODB.Recordset", path);
    return ok ? S_OK : E_FAIL;
}

STDAPI DllUnregisterServer() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + GuidText(CLSID_StandInConnection)).c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + GuidText(CLSID_StandInRecordset)).c_str());
    return S_OK;
}
