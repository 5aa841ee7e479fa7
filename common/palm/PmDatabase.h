// The database behind the 6.x contacts store: a connection that takes a
// connection string, and a query bound to it that runs one line of SQL and
// either opens a result, walked row by row, or executes a statement.
// Windows talks ADO by late-bound automation; the native build runs the same
// statement texts on SQLite.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// Kind codes of SQL values, those of the automation VARIANT.
enum : uint16_t {
    PM_VT_EMPTY = 0,
    PM_VT_NULL = 1,
    PM_VT_I2 = 2,
    PM_VT_I4 = 3,
    PM_VT_R8 = 5,
    PM_VT_DATE = 7,
    PM_VT_BSTR = 8,
    PM_VT_BOOL = 11,
    PM_VT_I1 = 16,
    PM_VT_LPSTR = 30,   // 8-bit string, as some drivers deliver long text
    PM_VT_BINARY = 0x2011,  // VT_ARRAY | VT_UI1
};

// One SQL value: a kind code and its payload. A text value owns its UTF-16
// string, which may be absent (a null BSTR).
struct PmSqlValue {
    uint16_t vt = PM_VT_EMPTY;
    int32_t lVal = 0;       // PM_VT_I4, PM_VT_I2, PM_VT_I1
    int16_t boolVal = 0;    // PM_VT_BOOL
    double dblVal = 0.0;    // PM_VT_R8, PM_VT_DATE
    std::optional<std::u16string> bstrVal;  // PM_VT_BSTR
    std::string narrowVal;  // PM_VT_LPSTR

    void Clear() { *this = PmSqlValue(); }
};

// A database failure; hasMessage tells whether the engine gave a text.
struct PmDbError {
    bool hasMessage = false;
    std::string message;  // in the ANSI code page

    void Set(std::string text) {
        hasMessage = !text.empty();
        message = std::move(text);
    }
    void Reset() { hasMessage = false; message.clear(); }
};

class PmDbConnection {
public:
    virtual ~PmDbConnection() = default;
    virtual void SetConnectionString(const std::u16string& text) = 0;
    // Read-only access (ADO's Mode adModeRead) for the next Open; writes are
    // then refused by the engine.
    virtual void SetReadOnly(bool readOnly) = 0;
    virtual bool Open(PmDbError& err) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
};

class PmDbQuery {
public:
    virtual ~PmDbQuery() = default;
    // Closes the current result, if any.
    virtual void Close() = 0;
    virtual void ClearSql() = 0;
    virtual void AddSql(const std::u16string& line) = 0;
    // Runs the SQL text as a statement that returns rows and stands on the first.
    virtual bool Open(PmDbError& err) = 0;
    // Runs the SQL text as a statement without rows.
    virtual bool Execute(PmDbError& err) = 0;
    virtual bool IsEof() const = 0;
    virtual bool Next(PmDbError& err) = 0;
    virtual int FieldCount() const = 0;
    // The field's value as the engine types it.
    virtual bool GetField(int index, PmSqlValue& out) const = 0;
};

// The backend of this build.
std::unique_ptr<PmDbConnection> PmCreateDbConnection();
std::unique_ptr<PmDbQuery> PmCreateDbQuery(PmDbConnection& conn);
