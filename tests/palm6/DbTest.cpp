// The accessor and the database utility against a real database.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Palm6Support.h"
#include "common/palm/PalmCommEx2.h"

namespace palm6_test {
namespace {

const char kSrc[] = "PalmCommEx2.cpp";

std::string ConnString(const std::string& path) {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"" + path + "\"";
}

TEST_F(DbTest, OpenDatabaseLogsEachStep) {
    auto db = MakeDb();
    db->Close();
    LogCapture log;
    PmMDBAccessor acc(PM_DB_ADDR, Path().c_str());
    EXPECT_TRUE(acc.IsConnected());
    EXPECT_TRUE(log.Has(2, kSrc, "Set database file to be opened: " + Path()));
    EXPECT_TRUE(log.Has(2, kSrc, "Connection String: " + ConnString(Path())));
    EXPECT_EQ(log.Count("The connection is already opened"), 0);

    // A second open on the same kind closes the first connection.
    acc.OpenDatabase(PM_DB_ADDR, Path().c_str());
    EXPECT_TRUE(log.Has(2, kSrc, "The connection is already opened, close it now."));
    EXPECT_TRUE(acc.IsConnected());

    // A missing file leaves the open connection alone.
    acc.OpenDatabase(PM_DB_ADDR, Path("missing.mdb").c_str());
    EXPECT_TRUE(log.Has(0, kSrc, "The file doesn't exist. Abort."));
    EXPECT_TRUE(acc.IsConnected());
    EXPECT_STREQ(acc.GetDatabaseFile(), Path("missing.mdb").c_str());

    // A path too long for the field is not cut into another file's name.
    std::string longPath = Path() + std::string(300, 'x');
    Fixture(longPath.substr(0, 259)).Close();  // the cut name names a database
    log.Reset();
    acc.OpenDatabase(PM_DB_ADDR, longPath.c_str());
    EXPECT_TRUE(log.Has(0, kSrc, "The file doesn't exist. Abort."));
    EXPECT_EQ(strlen(acc.GetDatabaseFile()), 259u);
    EXPECT_EQ(log.Count("Connection String:"), 0);
    EXPECT_TRUE(acc.IsConnected());

    acc.OpenDatabase(PM_DB_ADDR, nullptr);
    EXPECT_TRUE(log.Has(2, kSrc, "Set database file to be opened: "));

    // A kind without a connection.
    PmMDBAccessor other(9, Path().c_str());
    EXPECT_TRUE(log.Has(0, kSrc, "There is no valid database connection to open this file."));
    EXPECT_EQ(other.GetQuery(), nullptr);
    EXPECT_FALSE(other.ExecuteQuery("SELECT [ID] FROM Category", true));
}

TEST_F(DbTest, AFileThatIsNoDatabaseFailsWithTheProvidersMessage) {
    vt_test::WriteText(Path("junk.mdb"), std::string(4096, 'J'));
    LogCapture log;
    PmMDBAccessor acc(PM_DB_ADDR, Path("junk.mdb").c_str());
    EXPECT_FALSE(acc.IsConnected());
    std::string prefix = "Database Connection Error, Connection String=" + ConnString(Path("junk.mdb")) + ", Error=";
    EXPECT_EQ(log.Count("[!!!] - " + prefix), 1) << log.Text();

    PmDBEx2Util util;
    EXPECT_FALSE(util.Open(PM_DB_ADDR, Path("junk.mdb").c_str()));
    EXPECT_FALSE(util.Open(PM_DB_ADDR, Path("none.mdb").c_str()));
    EXPECT_FALSE(util.Open(PM_DB_ADDR, ""));
}

TEST_F(DbTest, ExecuteQueryReportsRefusedStatements) {
    auto db = MakeDb();
    db->Close();
    LogCapture log;
    PmMDBAccessor acc(PM_DB_ADDR, Path().c_str());
    EXPECT_TRUE(acc.ExecuteQuery("INSERT INTO Category ([ID], [Name], [Status], [Color]) VALUES (1, 'A', 1, 0)", false));
    EXPECT_TRUE(log.Has(2, kSrc, "Execute SQL Query: INSERT INTO Category ([ID], [Name], [Status], [Color]) VALUES (1, 'A', 1, 0)"));
    EXPECT_TRUE(log.Has(2, kSrc, "Query executed successfully."));

    const char bad[] = "UPDATE Nowhere SET [X]=1 ";
    EXPECT_FALSE(acc.ExecuteQuery(bad, false));
    EXPECT_TRUE(acc.LastRefused());
    EXPECT_EQ(log.Count(std::string("[!!!] - Database Query Error, Query String=") + bad + ", Error="), 1);

    EXPECT_FALSE(acc.ExecuteQuery("", false));
    EXPECT_FALSE(acc.ExecuteQuery(nullptr, true));

    PmSqlValues row;
    int n = 0;
    log.Reset();
    EXPECT_FALSE(acc.QueryFirst("", row, n));
    EXPECT_TRUE(log.Has(0, kSrc, "Invalid query string found."));
    EXPECT_FALSE(acc.QueryFirst("SELECT [Nope] FROM Category ", row, n));
    EXPECT_FALSE(acc.QueryNext(nullptr, row, n));
}

TEST_F(DbTest, SelectWalksRowsAndFollowsTheLastSelection) {
    auto db = MakeDb();
    ASSERT_TRUE(db->AddCategory(1, "Business"));
    ASSERT_TRUE(db->AddCategory(2, "Personal"));
    db->Close();
    LogCapture log;
    PmMDBAccessor acc(PM_DB_ADDR, Path().c_str());
    const char* const names[] = {"ID", "Name"};
    PmSqlValues row;
    int n = 2;
    ASSERT_TRUE(acc.SelectFirst("Category", names, row, n));
    EXPECT_STREQ(acc.GetLastSelection(), "SELECT [ID], [Name] FROM Category ");
    ASSERT_EQ(n, 2);
    EXPECT_EQ(row[0].vt, PM_VT_I4);
    EXPECT_EQ(row[0].lVal, 1);
    EXPECT_EQ(*row[1].bstrVal, u"Business");

    // Another statement, even a valid one, does not continue the walk.
    EXPECT_FALSE(acc.QueryNext("SELECT [ID] FROM Category ", row, n));
    EXPECT_TRUE(log.Has(2, kSrc, "This query is not same with former query. Ignore this query."));

    ASSERT_TRUE(acc.SelectNext(nullptr, nullptr, row, n));
    EXPECT_EQ(row[0].lVal, 2);
    EXPECT_FALSE(acc.SelectNext(nullptr, nullptr, row, n));
    EXPECT_FALSE(acc.LastRefused());

    // QueryFirst leaves the last selection alone.
    ASSERT_TRUE(acc.QueryFirst("SELECT [Name] FROM Category WHERE [ID] = 2", row, n));
    EXPECT_EQ(n, 1);
    EXPECT_STREQ(acc.GetLastSelection(), "SELECT [ID], [Name] FROM Category ");
    // An empty result gives false without a line of its own.
    log.Reset();
    EXPECT_FALSE(acc.QueryFirst("SELECT [Name] FROM Category WHERE [ID] = 99", row, n));
    EXPECT_EQ(log.Count("!!!"), 0);
}

TEST_F(DbTest, CategoriesLoadAndGrow) {
    auto db = MakeDb();
    ASSERT_TRUE(db->AddCategory(1, "Business"));
    ASSERT_TRUE(db->AddCategory(2, "O'Brien's"));
    ASSERT_TRUE(db->AddCategory(5, "Quick List"));
    ASSERT_TRUE(db->AddCategory(2, "Duplicate"));
    db->Close();

    LogCapture log;
    PmDBEx2Util util;
    ASSERT_TRUE(util.Open(PM_DB_ADDR, Path().c_str()));
    PmCategoryEx2Mgr* cats = util.GetCategories();
    ASSERT_EQ(cats->GetCount(), 4);
    EXPECT_TRUE(log.Has(2, kSrc, "Start loading Palm Desktop category information."));
    EXPECT_TRUE(log.Has(2, kSrc, "Category loaded: O'Brien's"));
    EXPECT_TRUE(log.Has(2, kSrc, "Categories information loaded successfully."));
    // Duplicate IDs: the first in list order wins.
    ASSERT_NE(cats->FindById(2), nullptr);
    EXPECT_STREQ(cats->FindById(2)->m_szName, "O'Brien's");
    EXPECT_EQ(cats->FindByName("quick list"), nullptr);
    ASSERT_NE(cats->FindByName("Quick List"), nullptr);
    EXPECT_EQ(cats->FindByName(""), nullptr);
    EXPECT_EQ(cats->FindByName(nullptr), nullptr);
    EXPECT_EQ(cats->GetAt(3)->m_nID, 2);
    EXPECT_EQ(cats->GetAt(4), nullptr);

    // Four categories: the new ID is 5 unless taken, so the next free one.
    PmCategoryEx2 fresh;
    fresh.SetName("Friends");
    ASSERT_TRUE(cats->CreateCategory(fresh));
    EXPECT_EQ(fresh.m_nID, 6);
    EXPECT_TRUE(log.Has(2, kSrc, "Execute SQL Query: INSERT INTO Category ([ID], [Name], [Status], [Color]) VALUES (6, 'Friends', 1, 0)"));
    ASSERT_TRUE(util.LoadCategories());
    EXPECT_EQ(cats->GetCount(), 5);
    ASSERT_NE(cats->FindByName("Friends"), nullptr);
    EXPECT_EQ(cats->FindByName("Friends")->m_nID, 6);
    EXPECT_EQ(cats->FindByName("Friends")->m_nStatus, 1);
}

TEST_F(DbTest, CreateCategoryTakesCountPlusOne) {
    auto db = MakeDb();
    ASSERT_TRUE(db->AddCategory(1, "A"));
    ASSERT_TRUE(db->AddCategory(2, "B"));
    ASSERT_TRUE(db->AddCategory(5, "E"));
    db->Close();
    PmDBEx2Util util;
    ASSERT_TRUE(util.Open(PM_DB_ADDR, Path().c_str()));
    PmCategoryEx2 cat;
    cat.SetName("It's new");
    ASSERT_TRUE(util.GetCategories()->CreateCategory(cat));
    EXPECT_EQ(cat.m_nID, 4);
    PmMDBAccessor* acc = util.GetAccessor();
    PmSqlValues row;
    int n = 0;
    ASSERT_TRUE(acc->QueryFirst("SELECT [ID], [Name] FROM Category WHERE [ID] = 4", row, n));
    EXPECT_EQ(*row[1].bstrVal, u"It's new");
}

TEST_F(DbTest, ARefusedCategoryInsertIsNotKept) {
    FixtureShape shape;
    shape.category = false;
    auto db = MakeDb("Address.mdb", shape);
    ASSERT_TRUE(db->Exec("CREATE TABLE Category ([ID] INTEGER, [Name] VARCHAR(8) CHECK (length([Name]) < 8), [Status] INTEGER, [Color] INTEGER)"));
    db->Close();
    LogCapture log;
    PmDBEx2Util util;
    ASSERT_TRUE(util.Open(PM_DB_ADDR, Path().c_str()));
    PmCategoryEx2 cat;
    cat.SetName("A name far too long");
    EXPECT_FALSE(util.GetCategories()->CreateCategory(cat));
    EXPECT_EQ(util.GetCategories()->GetCount(), 0);
    EXPECT_EQ(log.Count("[!!!] - Database Query Error, Query String=INSERT INTO Category"), 1);
}

TEST_F(DbTest, MissingCategoryTableLeavesAnEmptyList) {
    FixtureShape shape;
    shape.category = false;
    auto db = MakeDb("Address.mdb", shape);
    db->Close();
    LogCapture log;
    PmDBEx2Util util;
    EXPECT_TRUE(util.Open(PM_DB_ADDR, Path().c_str()));
    EXPECT_EQ(util.GetCategories()->GetCount(), 0);
    EXPECT_FALSE(util.LoadCategories());
    EXPECT_EQ(log.Count("[!!!] - Database Query Error, Query String=SELECT [ID], [Name], [Status], [Color] FROM Category , Error="), 2);
}

TEST_F(DbTest, InformationTable) {
    auto db = MakeDb();
    ASSERT_TRUE(db->AddInfo("License", "3"));
    ASSERT_TRUE(db->AddInfo("Version", "6"));
    ASSERT_TRUE(db->AddInfo("Minor", "2x"));
    ASSERT_TRUE(db->AddInfo("CodePage", "1252"));
    ASSERT_TRUE(db->AddInfo("PreSahara", "-1"));
    ASSERT_TRUE(db->AddInfo("FreeRecID", "2001"));
    ASSERT_TRUE(db->AddInfo("TableString", "Main;Category"));
    ASSERT_TRUE(db->AddInfo("Other", "9"));
    ASSERT_TRUE(db->Exec("INSERT INTO Information ([Name], [Note]) VALUES ('Version', NULL)"));
    db->Close();
    PmDBEx2Util util;
    EXPECT_FALSE(util.LoadInformation());  // no accessor yet
    ASSERT_TRUE(util.Open(PM_DB_ADDR, Path().c_str()));
    ASSERT_TRUE(util.LoadInformation());
    const PmInfoEx2* info = util.GetInformation();
    EXPECT_EQ(info->m_nLicense, 3);
    EXPECT_EQ(info->m_nVersion, 6);  // the row with a null note is skipped
    EXPECT_EQ(info->m_nMinor, 2);
    EXPECT_EQ(info->m_nCodePage, 1252);
    EXPECT_EQ(info->m_nPreSahara, -1);
    EXPECT_EQ(info->m_nFreeRecID, 2001);
    EXPECT_STREQ(info->m_szTableString, "Main;Category");
}

}  // namespace
}  // namespace palm6_test

namespace palm6_test {
namespace {

// Both backends type a value by its column, as ADO types a field.
TEST_F(DbTest, ValuesComeTypedByTheirColumn) {
    auto db = MakeDb();
    ASSERT_TRUE(db->Exec("CREATE TABLE Kinds ([I] INTEGER, [S] SMALLINT, [B] BIT, [V] VARCHAR(50), "
                         "[M] MEMO, [D] DOUBLE, [T] DATETIME, [N] INTEGER)"));
    ASSERT_TRUE(db->Exec("INSERT INTO Kinds ([I], [S], [B], [V], [M], [D], [T], [N]) VALUES "
                         "(-70000, -300, 1, 'M\xfcller \x80', 'line 1\r\nline 2', 2.5, 40000.5, NULL)"));
    db->Close();
    PmMDBAccessor acc(PM_DB_ADDR, Path().c_str());
    const char* const names[] = {"I", "S", "B", "V", "M", "D", "T", "N"};
    PmSqlValues row;
    int n = 8;
    ASSERT_TRUE(acc.SelectFirst("Kinds", names, row, n));
    ASSERT_EQ(n, 8);
    EXPECT_EQ(row[0].vt, PM_VT_I4);
    EXPECT_EQ(row[0].lVal, -70000);
    EXPECT_EQ(row[1].vt, PM_VT_I4);  // a 16-bit field reads as an integer
    EXPECT_EQ(row[1].lVal, -300);
    EXPECT_EQ(row[2].vt, PM_VT_BOOL);
    EXPECT_EQ(row[2].boolVal, 1);
    ASSERT_EQ(row[3].vt, PM_VT_BSTR);
    EXPECT_EQ(*row[3].bstrVal, u"M\u00fcller \u20ac");
    char text[64];
    ASSERT_TRUE(GetSqlText(&row[3], text, sizeof text));
    EXPECT_STREQ(text, "M\xfcller \x80");
    ASSERT_EQ(row[4].vt, PM_VT_BSTR);
    EXPECT_EQ(*row[4].bstrVal, u"line 1\r\nline 2");
    for (int i = 5; i < 8; ++i) EXPECT_EQ(row[static_cast<size_t>(i)].vt, PM_VT_EMPTY) << i;
}

}  // namespace
}  // namespace palm6_test
