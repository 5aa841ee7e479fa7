// SQL access to the Palm Desktop 6.x database: the data module with its
// connections and queries, the accessor that builds and runs statements,
// SQL values, categories and the Information table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/misc/CxList.h"
#include "common/palm/PmDatabase.h"

// Database kinds.
constexpr int32_t PM_DB_ADDR = 1;
constexpr int32_t PM_DB_DATE = 2;
constexpr int32_t PM_DB_TODO = 3;
constexpr int32_t PM_DB_MEMO = 4;

// How an accessor reaches its database: through the data module's shared
// connection of its kind, or through a connection of its own (a probe that
// must not move the program's connection), optionally read-only.
enum PmDbAccess : int { PM_ACCESS_SHARED = 0, PM_ACCESS_PRIVATE = 1, PM_ACCESS_READONLY = 2 };

// Statement types.
constexpr int SQL_SELECT = 1;
constexpr int SQL_INSERT = 2;
constexpr int SQL_DELETE = 3;
constexpr int SQL_UPDATE = 4;

// Buffer sizes of the layer.
constexpr size_t PM_SQL_STATEMENT_SIZE = 40960;
constexpr size_t PM_SQL_SELECTION_SIZE = 4096;
constexpr size_t PM_SQL_INSERT_LITERAL = 40960;
// Room for a whole 2047-character note with every quote doubled, so an
// update writes the same text an insert would.
constexpr size_t PM_SQL_UPDATE_LITERAL = 4100;
constexpr size_t PM_SQL_WHERE_LITERAL = 20480;
constexpr size_t PM_SQL_MAX_WIDE = 40960;

// An array of SQL values parallel to an array of column names.
using PmSqlValues = std::vector<PmSqlValue>;

// The data module: one per process, holding the connection and query of
// every database kind.
class TdmMain {
public:
    TdmMain();
    ~TdmMain();
    TdmMain(const TdmMain&) = delete;
    TdmMain& operator=(const TdmMain&) = delete;

    static TdmMain& Instance();
    // Closes every result and connection (shutdown, and tests that remove files).
    void CloseAll();

    std::unique_ptr<PmDbConnection> connAddr;
    std::unique_ptr<PmDbConnection> connDate;
    std::unique_ptr<PmDbConnection> connTodo;
    std::unique_ptr<PmDbConnection> connMemo;
    std::unique_ptr<PmDbQuery> qryAddr;
    std::unique_ptr<PmDbQuery> qryDate;
    std::unique_ptr<PmDbQuery> qryTodo;
    std::unique_ptr<PmDbQuery> qryMemo;
};

// --- SQL values ---
bool SetSqlInt(PmSqlValue* slot, int32_t value);
bool SetSqlBool(PmSqlValue* slot, uint8_t value);
bool SetSqlText(PmSqlValue* slot, const char* text);
bool SetSqlIntText(PmSqlValue* slot, int32_t value);
bool GetSqlInt(const PmSqlValue* value, int32_t& out);
bool GetSqlBool(const PmSqlValue* value, bool& out);
bool GetSqlText(const PmSqlValue* value, char* out, size_t size);
// GetSqlText that succeeds only when the whole text converts to the code
// page exactly and fits; a null or absent text is the empty one.
bool GetSqlTextExact(const PmSqlValue* value, char* out, size_t size);
void FreeSqlValues(PmSqlValues& values, int count);

// --- statement text ---
// The text lives in one shared buffer, rebuilt by every call.
const char* BuildSqlStatement(const char* table, const char* tail, int type,
                              const char* const* names, const PmSqlValue* values, int count);
bool BuildWhereClause(const char* const* names, int count, const PmSqlValue* values, char* out,
                      size_t size);
bool ReadCurrentRow(PmDbQuery* query, PmSqlValues& values, int& count);

class PmDataAccessor {
public:
    PmDataAccessor();
    virtual ~PmDataAccessor();
    PmDataAccessor(const PmDataAccessor&) = delete;
    PmDataAccessor& operator=(const PmDataAccessor&) = delete;

    virtual int Reserved1() { return 0; }
    virtual void Release() {}
    virtual const char* BuildInfoStatement(const char* tail, int type, const char* const* names,
                                           const PmSqlValue* values, int count);
    virtual const char* BuildCategoryStatement(const char* tail, int type,
                                               const char* const* names,
                                               const PmSqlValue* values, int count);
    virtual const char* BuildMainStatement(const char* tail, int type, const char* const* names,
                                           const PmSqlValue* values, int count);
    virtual const char* Reserved2() { return nullptr; }
    virtual const char* Reserved3() { return nullptr; }
    virtual const char* Reserved4() { return nullptr; }
    virtual bool SelectFirst(const char* table, const char* const* names, PmSqlValues& values,
                             int& count);
    virtual bool SelectNext(const char* table, const char* const* names, PmSqlValues& values,
                            int& count);
    virtual int Reserved5() { return 0; }
    virtual int Reserved6() { return 0; }
    virtual bool QueryFirst(const char* statement, PmSqlValues& values, int& count);
    virtual bool QueryNext(const char* statement, PmSqlValues& values, int& count);
    virtual int Reserved7() { return 0; }
    virtual int Reserved8() { return 0; }
    virtual bool ExecuteQuery(const char* statement, bool openResult);
    virtual int Reserved9() { return 0; }

    const char* GetLastSelection() const { return m_szLastSelect; }

protected:
    char m_szLastSelect[PM_SQL_SELECTION_SIZE] = {};
};

class PmMDBAccessor : public PmDataAccessor {
public:
    PmMDBAccessor(int32_t kind, const char* path, int access = PM_ACCESS_SHARED);
    ~PmMDBAccessor() override;

    void OpenDatabase(int32_t kind, const char* path);

    bool SelectFirst(const char* table, const char* const* names, PmSqlValues& values,
                     int& count) override;
    bool SelectNext(const char* table, const char* const* names, PmSqlValues& values,
                    int& count) override;
    bool QueryFirst(const char* statement, PmSqlValues& values, int& count) override;
    bool QueryNext(const char* statement, PmSqlValues& values, int& count) override;
    bool ExecuteQuery(const char* statement, bool openResult) override;

    virtual PmDbQuery* GetAddrQuery();
    virtual PmDbQuery* GetDateQuery();
    virtual PmDbQuery* GetTodoQuery();
    virtual PmDbQuery* GetMemoQuery();
    virtual PmDbQuery* GetQuery();
    virtual PmDbConnection* GetAddrConnection();
    virtual PmDbConnection* GetDateConnection();
    virtual PmDbConnection* GetTodoConnection();
    virtual PmDbConnection* GetMemoConnection();
    virtual PmDbConnection* GetConnection();

    // Whether the connection of the kind is open.
    bool IsConnected();
    // Whether the last statement run, or the last move to a next row, was
    // refused by the database (as opposed to giving no row).
    bool LastRefused() const { return m_bLastRefused; }
    // Moves the open result past its current row; true when another row is there.
    bool SkipRow();
    int32_t GetKind() const { return m_nKind; }
    int GetAccess() const { return m_nAccess; }
    const char* GetDatabaseFile() const { return m_szFile; }

private:
    TdmMain& m_dm;
    int32_t m_nKind = 0;
    int m_nAccess = PM_ACCESS_SHARED;
    // A private accessor's own connection and query; closed when it goes.
    std::unique_ptr<PmDbConnection> m_pOwnConn;
    std::unique_ptr<PmDbQuery> m_pOwnQuery;
    char m_szFile[260] = {};
    bool m_bLastRefused = false;
};

class PmCategoryEx2 {
public:
    PmCategoryEx2() = default;
    PmCategoryEx2(const PmCategoryEx2&) = default;
    PmCategoryEx2& operator=(const PmCategoryEx2&) = default;
    virtual ~PmCategoryEx2() = default;

    void SetName(const char* name);

    int32_t m_nID = 0;
    char m_szName[256] = {};
    int32_t m_nStatus = 0;
    int32_t m_nColor = 0;
};

class PmCategoryEx2Mgr {
public:
    PmCategoryEx2Mgr() : m_Cats(true) {}
    virtual ~PmCategoryEx2Mgr();
    PmCategoryEx2Mgr(const PmCategoryEx2Mgr&) = delete;
    PmCategoryEx2Mgr& operator=(const PmCategoryEx2Mgr&) = delete;

    virtual int GetCount();
    virtual void Clear();
    virtual bool AddCopy(const PmCategoryEx2& cat);
    virtual bool CreateCategory(PmCategoryEx2& cat);
    virtual PmCategoryEx2* FindById(int32_t id);
    virtual PmCategoryEx2* GetAt(int index);
    virtual PmCategoryEx2* FindByName(const char* name);
    virtual PmCategoryEx2* GetFirst();
    virtual PmCategoryEx2* GetNext();

    void SetAccessor(PmDataAccessor* accessor) { m_pAccessor = accessor; }

private:
    PmDataAccessor* m_pAccessor = nullptr;  // borrowed from the database utility
    CxList<PmCategoryEx2> m_Cats;
};

class PmInfoEx2 {
public:
    PmInfoEx2() = default;
    virtual ~PmInfoEx2() = default;

    int32_t m_nLicense = 0;
    int32_t m_nVersion = 0;
    int32_t m_nMinor = 0;
    int32_t m_nCodePage = 0;
    int32_t m_nPreSahara = 0;
    int32_t m_nFreeRecID = 0;
    char m_szTableString[1024] = {};
};

class PmDBEx2Util {
public:
    PmDBEx2Util();
    virtual ~PmDBEx2Util();
    PmDBEx2Util(const PmDBEx2Util&) = delete;
    PmDBEx2Util& operator=(const PmDBEx2Util&) = delete;

    virtual bool Open(int32_t kind, const char* path);
    virtual bool LoadCategories();
    virtual bool LoadInformation();
    virtual bool SelectMainById(int32_t recordId, const char* const* names, PmSqlValues& values,
                                int count);
    virtual bool SelectMainWhere(const char* where, const char* const* names,
                                 PmSqlValues& values, int count);

    // The access of the accessor the next Open makes (shared by default).
    void SetAccess(int access) { m_nAccess = access; }
    int GetAccess() const { return m_nAccess; }

    PmMDBAccessor* GetAccessor() { return m_pAccessor.get(); }
    PmCategoryEx2Mgr* GetCategories() { return m_pCatMgr.get(); }
    PmInfoEx2* GetInformation() { return m_pInfo.get(); }

protected:
    std::unique_ptr<PmMDBAccessor> m_pAccessor;
    std::unique_ptr<PmCategoryEx2Mgr> m_pCatMgr;
    std::unique_ptr<PmInfoEx2> m_pInfo;
    int m_nAccess = PM_ACCESS_SHARED;
};
