#include "common/palm/PalmCommEx2.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxPlatform.h"
#include "common/misc/CxText.h"
#include "common/palm/PalmText.h"

// ---------------------------------------------------------------- TdmMain

TdmMain::TdmMain()
    : connAddr(PmCreateDbConnection()),
      connDate(PmCreateDbConnection()),
      connTodo(PmCreateDbConnection()),
      connMemo(PmCreateDbConnection()) {
    qryAddr = PmCreateDbQuery(*connAddr);
    qryDate = PmCreateDbQuery(*connDate);
    qryTodo = PmCreateDbQuery(*connTodo);
    qryMemo = PmCreateDbQuery(*connMemo);
}

TdmMain::~TdmMain() { CloseAll(); }

TdmMain& TdmMain::Instance() {
    static TdmMain dm;
    return dm;
}

void TdmMain::CloseAll() {
    for (PmDbQuery* q : {qryAddr.get(), qryDate.get(), qryTodo.get(), qryMemo.get()})
        if (q) q->Close();
    for (PmDbConnection* c : {connAddr.get(), connDate.get(), connTodo.get(), connMemo.get()})
        if (c) c->Close();
}

// ---------------------------------------------------------------- SQL values

bool SetSqlInt(PmSqlValue* slot, int32_t value) {
    if (!slot) return false;
    slot->Clear();
    slot->vt = PM_VT_I4;
    slot->lVal = value;
    return true;
}

bool SetSqlBool(PmSqlValue* slot, uint8_t value) {
    if (!slot) return false;
    slot->Clear();
    slot->vt = PM_VT_BOOL;
    slot->boolVal = value;
    return true;
}

bool SetSqlText(PmSqlValue* slot, const char* text) {
    if (!slot) return false;
    slot->Clear();
    slot->vt = PM_VT_BSTR;
    if (!text || !text[0]) return true;
    // No code page gives more UTF-16 units than bytes.
    size_t len = strlen(text);
    std::vector<char16_t> wide(len + 1 < PM_SQL_MAX_WIDE ? len + 1 : PM_SQL_MAX_WIDE, 0);
    ToWide(text, wide.data(), wide.size());
    slot->bstrVal = std::u16string(wide.data());
    return true;
}

bool SetSqlIntText(PmSqlValue* slot, int32_t value) {
    if (!slot) return false;
    char digits[16];
    snprintf(digits, sizeof digits, "%ld", static_cast<long>(value));
    return SetSqlText(slot, digits);
}

bool GetSqlInt(const PmSqlValue* value, int32_t& out) {
    if (!value) return false;
    switch (value->vt) {
    case PM_VT_I4:
        out = value->lVal;
        return true;
    case PM_VT_I2:
        out = static_cast<int16_t>(value->lVal);
        return true;
    case PM_VT_I1:
        out = static_cast<int8_t>(value->lVal);
        return true;
    case PM_VT_BSTR: {
        if (!value->bstrVal) {
            out = 0;
            return true;
        }
        // Only the leading number matters; 32 characters hold any of them.
        char text[32];
        ToNarrow(value->bstrVal->c_str(), text, sizeof text);
        out = CxAtol(text);
        return true;
    }
    default:
        return false;
    }
}

bool GetSqlBool(const PmSqlValue* value, bool& out) {
    if (!value || value->vt != PM_VT_BOOL) return false;
    out = value->boolVal != 0;
    return true;
}

bool GetSqlText(const PmSqlValue* value, char* out, size_t size) {
    if (!value || value->vt != PM_VT_BSTR || !out || size == 0) return false;
    if (!value->bstrVal) {
        out[0] = 0;
        return true;
    }
    return ToNarrow(value->bstrVal->c_str(), out, size);
}

bool GetSqlTextExact(const PmSqlValue* value, char* out, size_t size) {
    if (!value || !out || size == 0) return false;
    out[0] = 0;
    // A null arrives as an empty value.
    if (value->vt == PM_VT_NULL || value->vt == PM_VT_EMPTY ||
        (value->vt == PM_VT_BSTR && !value->bstrVal))
        return true;
    if (value->vt != PM_VT_BSTR) return false;
    const std::u16string& text = *value->bstrVal;
    if (text.empty()) return true;
    if (text.size() >= static_cast<size_t>(INT32_MAX)) return false;
    const int len = static_cast<int>(text.size());
    const int need = cxplat::Utf16ToAnsiExact(text.c_str(), len, nullptr, 0);
    if (need <= 0 || static_cast<size_t>(need) >= size) return false;
    if (cxplat::Utf16ToAnsiExact(text.c_str(), len, out, need) != need) {
        out[0] = 0;
        return false;
    }
    out[need] = 0;
    return true;
}

void FreeSqlValues(PmSqlValues& values, int count) {
    (void)count;
    PmSqlValues().swap(values);
}

// ---------------------------------------------------------------- statement text

namespace {

// Appends pieces to a fixed buffer and remembers when one did not fit.
class TextBuilder {
public:
    TextBuilder(char* buf, size_t cap) : m_buf(buf), m_cap(cap) { m_buf[0] = 0; }
    void Add(const char* text) {
        if (!text || m_overflow) return;
        size_t n = strlen(text);
        if (m_len + n + 1 > m_cap) {
            m_overflow = true;
            return;
        }
        memcpy(m_buf + m_len, text, n + 1);
        m_len += n;
    }
    void AddName(const char* name) {
        Add("[");
        Add(name ? name : "");
        Add("]");
    }
    // "[a], [b], ..."
    void AddNames(const char* const* names, int count) {
        for (int i = 0; i < count; ++i) {
            if (i) Add(", ");
            AddName(names[i]);
        }
    }
    // The clause that ends a statement (WHERE ...), after a space.
    void AddTail(const char* tail) {
        Add(" ");
        if (tail) Add(tail);
    }
    bool Overflow() const { return m_overflow; }
    void Reset() {
        m_len = 0;
        m_buf[0] = 0;
    }

private:
    char* m_buf;
    size_t m_cap;
    size_t m_len = 0;
    bool m_overflow = false;
};

char* StatementBuffer() {
    static std::array<char, PM_SQL_STATEMENT_SIZE> buf{};
    return buf.data();
}

// Formats one value; a text that had to be shortened is reported, since the
// shortened text would replace the stored one.
void AddLiteral(TextBuilder& tb, const char* name, const PmSqlValue* value, size_t size) {
    static std::vector<char> lit(PM_SQL_INSERT_LITERAL, 0);
    if (size > lit.size()) size = lit.size();
    lit[0] = 0;
    bool cut = false;
    if (value) FormatSqlLiteral(*value, lit.data(), size, &cut);
    if (cut)
        CX_LOG(0, "The value of column [%s] was cut to fit the SQL statement.", name ? name : "");
    tb.Add(lit.data());
}

}  // namespace

const char* BuildSqlStatement(const char* table, const char* tail, int type,
                              const char* const* names, const PmSqlValue* values, int count) {
    char* out = StatementBuffer();
    TextBuilder tb(out, PM_SQL_STATEMENT_SIZE);
    if (!names || count <= 0) return out;
    if (!table) table = "";
    switch (type) {
    case SQL_SELECT:
        tb.Add("SELECT ");
        tb.AddNames(names, count);
        tb.Add(" ");
        tb.Add("FROM ");
        tb.Add(table);
        tb.AddTail(tail);
        break;
    case SQL_INSERT:
        tb.Add("INSERT INTO ");
        tb.Add(table);
        tb.Add(" (");
        tb.AddNames(names, count);
        if (count > 30) {
            tb.Add(", [Photo], ");
            tb.Add("[VoiceTag], ");
            tb.Add("[Ringtone]");
        }
        if (count > 4) tb.Add(", [Blob]");
        tb.Add(") VALUES (");
        for (int i = 0; i < count; ++i) {
            if (i) tb.Add(", ");
            AddLiteral(tb, names[i], values ? &values[i] : nullptr, PM_SQL_INSERT_LITERAL);
        }
        if (count > 30) tb.Add(", 0x00000000, 0x00000000, 0x00000000");
        if (count > 4) tb.Add(", 0x00000000");
        tb.Add(")");
        break;
    case SQL_DELETE:
        tb.Add("DELETE FROM ");
        tb.Add(table);
        tb.AddTail(tail);
        break;
    case SQL_UPDATE:
        tb.Add("UPDATE ");
        tb.Add(table);
        tb.Add(" SET ");
        for (int i = 0; i < count; ++i) {
            if (i) tb.Add(", ");
            tb.AddName(names[i]);
            tb.Add("=");
            AddLiteral(tb, names[i], values ? &values[i] : nullptr, PM_SQL_UPDATE_LITERAL);
        }
        tb.AddTail(tail);
        break;
    default:
        break;
    }
    if (tb.Overflow()) {
        // A cut statement would run as a different one: build none.
        CX_LOG(0, "The SQL statement on table %s is too long to be built.", table);
        tb.Reset();
    }
    return out;
}

bool BuildWhereClause(const char* const* names, int count, const PmSqlValue* values, char* out,
                      size_t size) {
    if (!out || size == 0) return false;
    out[0] = 0;
    if (!names || !values || count <= 0) return true;
    std::string text = "WHERE ";
    std::vector<char> lit(PM_SQL_WHERE_LITERAL, 0);
    for (int i = 0; i < count; ++i) {
        if (i) text += " AND ";
        const std::string column = std::string("[") + (names[i] ? names[i] : "") + "]";
        // An empty text is also stored as NULL, which = '' never matches.
        const PmSqlValue& v = values[i];
        const bool emptyText = (v.vt == PM_VT_BSTR && (!v.bstrVal || v.bstrVal->empty())) ||
                               (v.vt == PM_VT_LPSTR && v.narrowVal.empty());
        if (emptyText) {
            text += "(" + column + " = '' OR " + column + " IS NULL)";
            continue;
        }
        text += column + " = ";
        lit[0] = 0;
        FormatSqlLiteral(v, lit.data(), lit.size());
        text += lit.data();
    }
    // A cut condition would pick other rows: refuse it.
    if (text.size() > size - 1) {
        CX_LOG(0, "The WHERE clause is too long to be built: %.200s", text.c_str());
        return false;
    }
    CxCopyText(out, size, text.c_str());
    return true;
}

bool ReadCurrentRow(PmDbQuery* query, PmSqlValues& values, int& count) {
    if (!query) return false;
    count = query->FieldCount();
    if (count < 0) count = 0;
    PmSqlValues row(static_cast<size_t>(count));
    PmSqlValue field;
    for (int i = 0; i < count; ++i) {
        if (!query->GetField(i, field)) continue;
        PmSqlValue& entry = row[static_cast<size_t>(i)];
        switch (field.vt) {
        case PM_VT_I2:
        case PM_VT_I4:
            entry.vt = PM_VT_I4;
            entry.lVal = field.vt == PM_VT_I2 ? static_cast<int16_t>(field.lVal) : field.lVal;
            break;
        case PM_VT_BSTR:
            entry.vt = PM_VT_BSTR;
            entry.bstrVal = field.bstrVal ? std::move(field.bstrVal) : std::u16string();
            break;
        case PM_VT_BOOL:
            entry.vt = PM_VT_BOOL;
            entry.boolVal = field.boolVal ? 1 : 0;
            break;
        case PM_VT_LPSTR: {
            size_t len = field.narrowVal.size();
            std::vector<char16_t> wide(len + 1 < PM_SQL_MAX_WIDE ? len + 1 : PM_SQL_MAX_WIDE, 0);
            ToWide(field.narrowVal.c_str(), wide.data(), wide.size());
            entry.vt = PM_VT_BSTR;
            entry.bstrVal = std::u16string(wide.data());
            break;
        }
        default:
            break;  // null, date, floating point, binary: left empty
        }
    }
    values = std::move(row);
    return true;
}

// ---------------------------------------------------------------- PmDataAccessor

PmDataAccessor::PmDataAccessor() = default;

PmDataAccessor::~PmDataAccessor() { Release(); }

const char* PmDataAccessor::BuildInfoStatement(const char* tail, int type,
                                               const char* const* names,
                                               const PmSqlValue* values, int count) {
    return BuildSqlStatement("Information", tail, type, names, values, count);
}

const char* PmDataAccessor::BuildCategoryStatement(const char* tail, int type,
                                                   const char* const* names,
                                                   const PmSqlValue* values, int count) {
    return BuildSqlStatement("Category", tail, type, names, values, count);
}

const char* PmDataAccessor::BuildMainStatement(const char* tail, int type,
                                               const char* const* names,
                                               const PmSqlValue* values, int count) {
    return BuildSqlStatement("Main", tail, type, names, values, count);
}

bool PmDataAccessor::SelectFirst(const char*, const char* const*, PmSqlValues&, int&) {
    return false;
}
bool PmDataAccessor::SelectNext(const char*, const char* const*, PmSqlValues&, int&) {
    return false;
}
bool PmDataAccessor::QueryFirst(const char*, PmSqlValues&, int&) { return false; }
bool PmDataAccessor::QueryNext(const char*, PmSqlValues&, int&) { return false; }
bool PmDataAccessor::ExecuteQuery(const char*, bool) { return false; }

// ---------------------------------------------------------------- PmMDBAccessor

namespace {

void LogQueryError(const char* statement, const PmDbError& err) {
    if (err.hasMessage)
        CX_LOG(0, "Database Query Error, Query String=%s, Error=%s", statement,
               err.message.c_str());
    else
        CX_LOG(0, "Database Query Error, Query String=%s", statement);
}

}  // namespace

PmMDBAccessor::PmMDBAccessor(int32_t kind, const char* path, int access)
    : m_dm(TdmMain::Instance()), m_nAccess(access) {
    if (m_nAccess != PM_ACCESS_SHARED) {
        m_pOwnConn = PmCreateDbConnection();
        m_pOwnQuery = PmCreateDbQuery(*m_pOwnConn);
        m_pOwnConn->SetReadOnly(m_nAccess == PM_ACCESS_READONLY);
    }
    OpenDatabase(kind, path);
}

PmMDBAccessor::~PmMDBAccessor() {
    // Only a connection of its own is closed: the shared one stays open.
    if (m_pOwnQuery) m_pOwnQuery->Close();
    if (m_pOwnConn) m_pOwnConn->Close();
}

void PmMDBAccessor::OpenDatabase(int32_t kind, const char* path) {
    m_nKind = kind;
    CxCopyText(m_szFile, path ? path : "");
    CX_LOG(2, "Set database file to be opened: %s", m_szFile);
    // A path cut to fit would name another file.
    bool tooLong = path && strlen(path) >= sizeof m_szFile;
    if (tooLong || !m_szFile[0] || !cxplat::FileExists(m_szFile)) {
        CX_LOG(0, "The file doesn't exist. Abort.");
        return;
    }
    PmDbConnection* conn = GetConnection();
    if (!conn) {
        CX_LOG(0, "There is no valid database connection to open this file.");
        return;
    }
    if (conn->IsOpen()) {
        CX_LOG(2, "The connection is already opened, close it now.");
        if (PmDbQuery* q = GetQuery()) q->Close();
        conn->Close();
    }
    std::string cs = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=";
    cs += "\"";
    cs += m_szFile;
    cs += "\"";
    std::vector<char16_t> wide(cs.size() + 1, 0);
    ToWide(cs.c_str(), wide.data(), wide.size());
    conn->SetConnectionString(std::u16string(wide.data()));
    CX_LOG(2, "Connection String: %s", cs.c_str());
    PmDbError err;
    if (!conn->Open(err)) {
        if (err.hasMessage)
            CX_LOG(0, "Database Connection Error, Connection String=%s, Error=%s", cs.c_str(),
                   err.message.c_str());
        else
            CX_LOG(0, "Database Connection Error, Connection String=%s.", cs.c_str());
    }
}

PmDbQuery* PmMDBAccessor::GetAddrQuery() { return m_dm.qryAddr.get(); }
PmDbQuery* PmMDBAccessor::GetDateQuery() { return m_dm.qryDate.get(); }
PmDbQuery* PmMDBAccessor::GetTodoQuery() { return m_dm.qryTodo.get(); }
PmDbQuery* PmMDBAccessor::GetMemoQuery() { return m_dm.qryMemo.get(); }

PmDbQuery* PmMDBAccessor::GetQuery() {
    if (m_pOwnQuery) return m_nKind >= PM_DB_ADDR && m_nKind <= PM_DB_MEMO ? m_pOwnQuery.get() : nullptr;
    switch (m_nKind) {
    case PM_DB_ADDR: return GetAddrQuery();
    case PM_DB_DATE: return GetDateQuery();
    case PM_DB_TODO: return GetTodoQuery();
    case PM_DB_MEMO: return GetMemoQuery();
    default: return nullptr;
    }
}

PmDbConnection* PmMDBAccessor::GetAddrConnection() { return m_dm.connAddr.get(); }
PmDbConnection* PmMDBAccessor::GetDateConnection() { return m_dm.connDate.get(); }
PmDbConnection* PmMDBAccessor::GetTodoConnection() { return m_dm.connTodo.get(); }
PmDbConnection* PmMDBAccessor::GetMemoConnection() { return m_dm.connMemo.get(); }

PmDbConnection* PmMDBAccessor::GetConnection() {
    if (m_pOwnConn) return m_nKind >= PM_DB_ADDR && m_nKind <= PM_DB_MEMO ? m_pOwnConn.get() : nullptr;
    switch (m_nKind) {
    case PM_DB_ADDR: return GetAddrConnection();
    case PM_DB_DATE: return GetDateConnection();
    case PM_DB_TODO: return GetTodoConnection();
    case PM_DB_MEMO: return GetMemoConnection();
    default: return nullptr;
    }
}

bool PmMDBAccessor::IsConnected() {
    PmDbConnection* conn = GetConnection();
    return conn && conn->IsOpen();
}

bool PmMDBAccessor::SkipRow() {
    PmDbQuery* query = GetQuery();
    if (!query || query->IsEof()) return false;
    PmDbError err;
    if (!query->Next(err)) {
        m_bLastRefused = true;
        return false;
    }
    return !query->IsEof();
}

bool PmMDBAccessor::ExecuteQuery(const char* statement, bool openResult) {
    PmDbQuery* query = GetQuery();
    if (!query || !statement || !statement[0]) return false;
    CX_LOG(2, "Execute SQL Query: %s", statement);
    query->Close();
    query->ClearSql();
    std::vector<char16_t> wide(strlen(statement) + 1, 0);
    ToWide(statement, wide.data(), wide.size());
    query->AddSql(std::u16string(wide.data()));
    PmDbError err;
    bool ok = openResult ? query->Open(err) : query->Execute(err);
    m_bLastRefused = !ok;
    if (!ok) {
        LogQueryError(statement, err);
        return false;
    }
    CX_LOG(2, "Query executed successfully.");
    return true;
}

bool PmMDBAccessor::QueryFirst(const char* statement, PmSqlValues& values, int& count) {
    // A statement that could not be built or run is no empty result.
    m_bLastRefused = true;
    if (!statement || !statement[0]) {
        CX_LOG(0, "Invalid query string found.");
        return false;
    }
    PmDbQuery* query = GetQuery();
    if (!query) return false;
    if (!ExecuteQuery(statement, true)) return false;
    if (query->IsEof()) return false;
    return ReadCurrentRow(query, values, count);
}

bool PmMDBAccessor::QueryNext(const char* statement, PmSqlValues& values, int& count) {
    m_bLastRefused = false;
    if (!statement || !statement[0]) {
        CX_LOG(0, "Invalid query string found.");
        return false;
    }
    if (strcmp(statement, m_szLastSelect) != 0) {
        CX_LOG(2, "This query is not same with former query. Ignore this query.");
        return false;
    }
    PmDbQuery* query = GetQuery();
    if (!query) return false;
    PmDbError err;
    if (!query->Next(err)) {
        if (err.hasMessage || !query->IsEof()) {
            m_bLastRefused = true;
            LogQueryError(statement, err);
        }
        return false;
    }
    if (query->IsEof()) return false;
    return ReadCurrentRow(query, values, count);
}

bool PmMDBAccessor::SelectFirst(const char* table, const char* const* names, PmSqlValues& values,
                                int& count) {
    if (!GetQuery()) {
        m_bLastRefused = true;
        return false;
    }
    const char* stmt = BuildSqlStatement(table, nullptr, SQL_SELECT, names, nullptr, count);
    CxCopyText(m_szLastSelect, stmt);
    return QueryFirst(m_szLastSelect, values, count);
}

bool PmMDBAccessor::SelectNext(const char*, const char* const*, PmSqlValues& values, int& count) {
    return QueryNext(m_szLastSelect, values, count);
}

// ---------------------------------------------------------------- categories

void PmCategoryEx2::SetName(const char* name) { CxCopyText(m_szName, 255, name); }

PmCategoryEx2Mgr::~PmCategoryEx2Mgr() { Clear(); }

int PmCategoryEx2Mgr::GetCount() { return static_cast<int>(m_Cats.GetCount()); }

void PmCategoryEx2Mgr::Clear() { m_Cats.RemoveAll(true); }

bool PmCategoryEx2Mgr::AddCopy(const PmCategoryEx2& cat) {
    return m_Cats.Append(std::make_unique<PmCategoryEx2>(cat)) != nullptr;
}

bool PmCategoryEx2Mgr::CreateCategory(PmCategoryEx2& cat) {
    if (!m_pAccessor) return false;
    int32_t id = GetCount() + 1;
    // IDs need not be dense: never hand out one that a category holds already.
    while (FindById(id)) ++id;
    cat.m_nID = id;
    PmSqlValues values(4);
    SetSqlInt(&values[0], id);
    std::vector<char16_t> wide(256, 0);
    ToWide(cat.m_szName, wide.data(), wide.size());
    values[1].vt = PM_VT_BSTR;
    if (wide[0]) values[1].bstrVal = std::u16string(wide.data());
    SetSqlInt(&values[2], 1);
    SetSqlInt(&values[3], 0);
    static const char* const kNames[] = {"ID", "Name", "Status", "Color"};
    char stmt[1024];
    const char* built =
        m_pAccessor->BuildCategoryStatement(nullptr, SQL_INSERT, kNames, values.data(), 4);
    // A cut insert would be another statement.
    if (strlen(built) >= sizeof stmt) {
        CX_LOG(0, "The SQL statement on table Category is too long to be built.");
        return false;
    }
    CxCopyText(stmt, built);
    bool ok = m_pAccessor->ExecuteQuery(stmt, false);
    FreeSqlValues(values, 4);
    // A category the database refused would leave records pointing nowhere.
    if (!ok) return false;
    return AddCopy(cat);
}

PmCategoryEx2* PmCategoryEx2Mgr::FindById(int32_t id) {
    for (size_t i = 0; i < m_Cats.GetCount(); ++i) {
        PmCategoryEx2* c = m_Cats.GetAt(i);
        if (c && c->m_nID == id) return c;
    }
    return nullptr;
}

PmCategoryEx2* PmCategoryEx2Mgr::GetAt(int index) {
    if (index < 0) return nullptr;
    return m_Cats.GetAt(static_cast<size_t>(index));
}

PmCategoryEx2* PmCategoryEx2Mgr::FindByName(const char* name) {
    if (!name || !name[0]) return nullptr;
    for (size_t i = 0; i < m_Cats.GetCount(); ++i) {
        PmCategoryEx2* c = m_Cats.GetAt(i);
        if (c && strcmp(c->m_szName, name) == 0) return c;
    }
    return nullptr;
}

PmCategoryEx2* PmCategoryEx2Mgr::GetFirst() { return m_Cats.GetFirst(); }
PmCategoryEx2* PmCategoryEx2Mgr::GetNext() { return m_Cats.GetNext(); }

// ---------------------------------------------------------------- PmDBEx2Util

PmDBEx2Util::PmDBEx2Util()
    : m_pCatMgr(std::make_unique<PmCategoryEx2Mgr>()), m_pInfo(std::make_unique<PmInfoEx2>()) {}

PmDBEx2Util::~PmDBEx2Util() {
    if (m_pCatMgr) m_pCatMgr->SetAccessor(nullptr);
}

bool PmDBEx2Util::Open(int32_t kind, const char* path) {
    if (!path || !path[0] || !cxplat::FileExists(path)) return false;
    if (m_pAccessor && m_pAccessor->GetAccess() != m_nAccess) {
        m_pCatMgr->SetAccessor(nullptr);
        m_pAccessor.reset();
    }
    if (m_pAccessor)
        m_pAccessor->OpenDatabase(kind, path);
    else
        m_pAccessor = std::make_unique<PmMDBAccessor>(kind, path, m_nAccess);
    m_pCatMgr->SetAccessor(m_pAccessor.get());
    LoadCategories();
    // A file the provider could not open is a failed open, not an empty one.
    return m_pAccessor->IsConnected();
}

bool PmDBEx2Util::LoadCategories() {
    if (!m_pAccessor) return false;
    CX_LOG(2, "Start loading Palm Desktop category information.");
    m_pCatMgr->Clear();
    static const char* const kNames[] = {"ID", "Name", "Status", "Color"};
    PmSqlValues row;
    int count = 4;
    bool more = m_pAccessor->SelectFirst("Category", kNames, row, count);
    while (more) {
        PmCategoryEx2 cat;
        if (count == 4 && row.size() == 4) {
            // The integer payloads, whatever the kind.
            cat.m_nID = row[0].lVal;
            if (row[1].bstrVal) ToNarrow(row[1].bstrVal->c_str(), cat.m_szName, sizeof cat.m_szName);
            cat.m_nStatus = row[2].lVal;
            cat.m_nColor = row[3].lVal;
        }
        CX_LOG(2, "Category loaded: %s", cat.m_szName);
        m_pCatMgr->AddCopy(cat);
        FreeSqlValues(row, count);
        count = 4;
        more = m_pAccessor->SelectNext("Category", kNames, row, count);
    }
    CX_LOG(2, "Categories information loaded successfully.");
    return !m_pAccessor->LastRefused();
}

bool PmDBEx2Util::LoadInformation() {
    if (!m_pAccessor) return false;
    static const char* const kNames[] = {"Name", "Note"};
    PmSqlValues row;
    int count = 2;
    bool more = m_pAccessor->SelectFirst("Information", kNames, row, count);
    while (more) {
        if (row.size() == 2 && row[0].vt == PM_VT_BSTR && row[1].vt == PM_VT_BSTR) {
            char name[64];
            char note[1024];
            GetSqlText(&row[0], name, sizeof name);
            GetSqlText(&row[1], note, sizeof note);
            struct {
                const char* key;
                int32_t* field;
            } const ints[] = {{"License", &m_pInfo->m_nLicense},
                              {"Version", &m_pInfo->m_nVersion},
                              {"Minor", &m_pInfo->m_nMinor},
                              {"CodePage", &m_pInfo->m_nCodePage},
                              {"PreSahara", &m_pInfo->m_nPreSahara},
                              {"FreeRecID", &m_pInfo->m_nFreeRecID}};
            for (const auto& e : ints)
                if (strcmp(name, e.key) == 0) *e.field = CxAtol(note);
            if (strcmp(name, "TableString") == 0) CxCopyText(m_pInfo->m_szTableString, note);
        }
        FreeSqlValues(row, count);
        count = 2;
        more = m_pAccessor->SelectNext("Information", kNames, row, count);
    }
    return true;
}

bool PmDBEx2Util::SelectMainById(int32_t recordId, const char* const* names,
                                 PmSqlValues& values, int count) {
    if (!m_pAccessor) return false;
    static const char* const kKey[] = {"Record ID"};
    PmSqlValue id;
    SetSqlInt(&id, recordId);
    std::vector<char> where(PM_SQL_STATEMENT_SIZE, 0);
    if (!BuildWhereClause(kKey, 1, &id, where.data(), where.size())) return false;
    const char* stmt =
        m_pAccessor->BuildMainStatement(where.data(), SQL_SELECT, names, nullptr, count);
    std::string text(stmt);
    int n = count;
    return m_pAccessor->QueryFirst(text.c_str(), values, n);
}

bool PmDBEx2Util::SelectMainWhere(const char* where, const char* const* names,
                                  PmSqlValues& values, int count) {
    if (!m_pAccessor) return false;
    const char* stmt = m_pAccessor->BuildMainStatement(where, SQL_SELECT, names, nullptr, count);
    std::string text(stmt);
    int n = count;
    return m_pAccessor->QueryFirst(text.c_str(), values, n);
}
