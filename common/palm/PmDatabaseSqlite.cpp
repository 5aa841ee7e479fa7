// The native backend: the statements run on SQLite. The Jet connection
// string names the database file in its Data Source; that file is opened as
// an SQLite database. Values come back typed by the declared column type, as
// an ADO field is typed by its column.
#ifndef _WIN32

#include <sqlite3.h>

#include <cstring>
#include <string>

#include "common/palm/PalmText.h"
#include "common/palm/PmDatabase.h"

namespace {

std::string Narrow16(const void* text) {
    if (!text) return std::string();
    const char16_t* t = static_cast<const char16_t*>(text);
    size_t n = 0;
    while (t[n]) ++n;
    std::string out(n * 2 + 1, '\0');
    ToNarrow(t, &out[0], out.size());
    out.resize(strlen(out.c_str()));
    return out;
}

std::string ErrorText(sqlite3* db) {
    return db ? Narrow16(sqlite3_errmsg16(db)) : std::string("out of memory");
}

// The value of "Data Source" in a connection string, without its quotes.
bool DataSource(const std::u16string& cs, std::u16string& path) {
    const std::u16string key = u"Data Source=";
    size_t pos = cs.find(key);
    if (pos == std::u16string::npos) return false;
    pos += key.size();
    if (pos < cs.size() && cs[pos] == u'"') {
        size_t end = cs.find(u'"', pos + 1);
        if (end == std::u16string::npos) return false;
        path = cs.substr(pos + 1, end - pos - 1);
    } else {
        size_t end = cs.find(u';', pos);
        path = cs.substr(pos, end == std::u16string::npos ? std::u16string::npos : end - pos);
    }
    return !path.empty();
}

bool DeclIs(const char* decl, const char* part) {
    if (!decl) return false;
    std::string d(decl);
    for (char& c : d) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return d.find(part) != std::string::npos;
}

class SqliteConnection : public PmDbConnection {
public:
    ~SqliteConnection() override { Close(); }
    void SetConnectionString(const std::u16string& text) override { m_cs = text; }
    void SetReadOnly(bool readOnly) override { m_bReadOnly = readOnly; }
    bool Open(PmDbError& err) override {
        err.Reset();
        Close();
        if (m_cs.find(u"Provider=Microsoft.Jet.OLEDB.4.0;") != 0) {
            err.Set("Provider cannot be found. It may not be properly installed.");
            return false;
        }
        std::u16string path;
        if (!DataSource(m_cs, path)) {
            err.Set("No data source in the connection string.");
            return false;
        }
        std::string narrowPath = Narrow16(path.c_str());
        sqlite3* db = nullptr;
        int rc = sqlite3_open_v2(narrowPath.c_str(), &db,
                                 m_bReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE,
                                 nullptr);
        if (rc == SQLITE_OK) {
            // SQLite reads the file lazily: make a file that is no database fail here.
            rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
        }
        if (rc != SQLITE_OK) {
            err.Set(ErrorText(db));
            sqlite3_close(db);
            return false;
        }
        m_db = db;
        return true;
    }
    void Close() override {
        if (m_db) {
            sqlite3_close_v2(m_db);
            m_db = nullptr;
        }
    }
    bool IsOpen() const override { return m_db != nullptr; }
    sqlite3* Handle() const { return m_db; }

private:
    std::u16string m_cs;
    sqlite3* m_db = nullptr;
    bool m_bReadOnly = false;
};

class SqliteQuery : public PmDbQuery {
public:
    explicit SqliteQuery(SqliteConnection& conn) : m_conn(conn) {}
    ~SqliteQuery() override { Close(); }
    void Close() override {
        if (m_stmt) sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        m_eof = true;
    }
    void ClearSql() override { m_sql.clear(); }
    void AddSql(const std::u16string& line) override {
        if (!m_sql.empty()) m_sql += u"\r\n";
        m_sql += line;
    }
    bool Open(PmDbError& err) override {
        if (!Prepare(err)) return false;
        return Step(err);
    }
    bool Execute(PmDbError& err) override {
        if (!Prepare(err)) return false;
        int rc;
        while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW) {
        }
        bool ok = rc == SQLITE_DONE;
        if (!ok) err.Set(ErrorText(m_conn.Handle()));
        Close();
        return ok;
    }
    bool IsEof() const override { return m_eof; }
    bool Next(PmDbError& err) override {
        if (!m_stmt || m_eof) return false;
        return Step(err);
    }
    int FieldCount() const override { return m_stmt ? sqlite3_column_count(m_stmt) : 0; }
    bool GetField(int i, PmSqlValue& out) const override {
        out.Clear();
        if (!m_stmt || m_eof || i < 0 || i >= FieldCount()) return false;
        int type = sqlite3_column_type(m_stmt, i);
        const char* decl = sqlite3_column_decltype(m_stmt, i);
        if (type == SQLITE_NULL) {
            out.vt = PM_VT_NULL;
        } else if (DeclIs(decl, "BIT") || DeclIs(decl, "BOOL") || DeclIs(decl, "YESNO")) {
            out.vt = PM_VT_BOOL;
            out.boolVal = sqlite3_column_int64(m_stmt, i) != 0 ? -1 : 0;
        } else if (DeclIs(decl, "BLOB") || DeclIs(decl, "BINARY") || DeclIs(decl, "IMAGE")) {
            out.vt = PM_VT_BINARY;
        } else if (DeclIs(decl, "CHAR") || DeclIs(decl, "TEXT") || DeclIs(decl, "MEMO") ||
                   DeclIs(decl, "CLOB")) {
            SetText(i, out);
        } else if (DeclIs(decl, "SMALLINT") || DeclIs(decl, "SHORT")) {
            out.vt = PM_VT_I2;
            out.lVal = static_cast<int16_t>(sqlite3_column_int(m_stmt, i));
        } else if (DeclIs(decl, "INT") || DeclIs(decl, "LONG") || DeclIs(decl, "COUNTER")) {
            out.vt = PM_VT_I4;
            out.lVal = sqlite3_column_int(m_stmt, i);
        } else if (DeclIs(decl, "DATE") || DeclIs(decl, "TIME")) {
            out.vt = PM_VT_DATE;
            out.dblVal = sqlite3_column_double(m_stmt, i);
        } else if (DeclIs(decl, "REAL") || DeclIs(decl, "FLOA") || DeclIs(decl, "DOUB")) {
            out.vt = PM_VT_R8;
            out.dblVal = sqlite3_column_double(m_stmt, i);
        } else if (type == SQLITE_INTEGER) {
            // No known column type (an expression): as the value is stored.
            out.vt = PM_VT_I4;
            out.lVal = sqlite3_column_int(m_stmt, i);
        } else if (type == SQLITE_FLOAT) {
            out.vt = PM_VT_R8;
            out.dblVal = sqlite3_column_double(m_stmt, i);
        } else if (type == SQLITE_BLOB) {
            out.vt = PM_VT_BINARY;
        } else {
            SetText(i, out);
        }
        return true;
    }

private:
    void SetText(int i, PmSqlValue& out) const {
        out.vt = PM_VT_BSTR;
        const void* t = sqlite3_column_text16(m_stmt, i);
        int bytes = sqlite3_column_bytes16(m_stmt, i);
        out.bstrVal = std::u16string(static_cast<const char16_t*>(t),
                                     t ? static_cast<size_t>(bytes) / 2 : 0);
    }
    bool Prepare(PmDbError& err) {
        err.Reset();
        Close();
        if (!m_conn.Handle()) {
            err.Set("The connection is closed.");
            return false;
        }
        const void* tail = nullptr;
        int rc = sqlite3_prepare16_v2(m_conn.Handle(), m_sql.c_str(),
                                      static_cast<int>(m_sql.size() * sizeof(char16_t)), &m_stmt,
                                      &tail);
        if (rc != SQLITE_OK || !m_stmt) {
            err.Set(rc == SQLITE_OK ? std::string("Empty statement.") : ErrorText(m_conn.Handle()));
            Close();
            return false;
        }
        return true;
    }
    bool Step(PmDbError& err) {
        int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW) {
            m_eof = false;
            return true;
        }
        m_eof = true;
        if (rc == SQLITE_DONE) return true;
        err.Set(ErrorText(m_conn.Handle()));
        return false;
    }

    SqliteConnection& m_conn;
    std::u16string m_sql;
    sqlite3_stmt* m_stmt = nullptr;
    bool m_eof = true;
};

}  // namespace

std::unique_ptr<PmDbConnection> PmCreateDbConnection() {
    return std::make_unique<SqliteConnection>();
}

std::unique_ptr<PmDbQuery> PmCreateDbQuery(PmDbConnection& conn) {
    return std::make_unique<SqliteQuery>(static_cast<SqliteConnection&>(conn));
}

#endif  // !_WIN32
