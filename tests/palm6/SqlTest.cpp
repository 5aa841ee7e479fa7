// Statement texts, SQL values and row reading, without a database.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Palm6Support.h"
#include "common/palm/PalmCommEx2.h"

namespace {

std::vector<std::string> Names(int n) {
    std::vector<std::string> v;
    for (int i = 0; i < n; ++i) v.push_back("C" + std::to_string(i));
    return v;
}

std::string Build(const char* table, const char* tail, int type, int n) {
    std::vector<std::string> names = Names(n);
    std::vector<const char*> p;
    for (auto& s : names) p.push_back(s.c_str());
    PmSqlValues values(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) SetSqlInt(&values[static_cast<size_t>(i)], i);
    return BuildSqlStatement(table, tail, type, n ? p.data() : nullptr, values.data(), n);
}

TEST(SqlStatement, NoColumnsGiveTheEmptyTextForEveryType) {
    const char* const one[] = {"ID"};
    for (int type = SQL_SELECT; type <= SQL_UPDATE; ++type) {
        EXPECT_STREQ(BuildSqlStatement("Main", "WHERE x", type, one, nullptr, 0), "") << type;
        EXPECT_STREQ(BuildSqlStatement("Main", "WHERE x", type, nullptr, nullptr, 3), "") << type;
    }
    EXPECT_STREQ(BuildSqlStatement("Main", nullptr, 9, one, nullptr, 1), "");
}

TEST(SqlStatement, Texts) {
    const char* const info[] = {"Name", "Note"};
    EXPECT_STREQ(BuildSqlStatement("Information", nullptr, SQL_SELECT, info, nullptr, 2),
                 "SELECT [Name], [Note] FROM Information ");
    EXPECT_EQ(Build("Main", "WHERE [C0] = 1", SQL_SELECT, 1), "SELECT [C0] FROM Main WHERE [C0] = 1");
    EXPECT_EQ(Build("Main", nullptr, SQL_DELETE, 1), "DELETE FROM Main ");
    EXPECT_EQ(Build("Main", "WHERE [C0] = 2", SQL_DELETE, 1), "DELETE FROM Main WHERE [C0] = 2");
    EXPECT_EQ(Build("Main", nullptr, SQL_UPDATE, 2), "UPDATE Main SET [C0]=0, [C1]=1 ");
    EXPECT_EQ(Build("Main", "WHERE [Record ID] = 7", SQL_UPDATE, 1),
              "UPDATE Main SET [C0]=0 WHERE [Record ID] = 7");
    EXPECT_EQ(Build("Category", "ignored", SQL_INSERT, 4),
              "INSERT INTO Category ([C0], [C1], [C2], [C3]) VALUES (0, 1, 2, 3)");
    EXPECT_EQ(Build("T", nullptr, SQL_INSERT, 5),
              "INSERT INTO T ([C0], [C1], [C2], [C3], [C4], [Blob]) VALUES (0, 1, 2, 3, 4, "
              "0x00000000)");
}

TEST(SqlStatement, InsertBinaryColumnThresholds) {
    std::string s30 = Build("Main", nullptr, SQL_INSERT, 30);
    EXPECT_NE(s30.find("[C29], [Blob]) VALUES ("), std::string::npos);
    EXPECT_NE(s30.find(", 29, 0x00000000)"), std::string::npos);
    EXPECT_EQ(s30.find("[Photo]"), std::string::npos);
    std::string s31 = Build("Main", nullptr, SQL_INSERT, 31);
    EXPECT_NE(s31.find("[C30], [Photo], [VoiceTag], [Ringtone], [Blob]) VALUES ("),
              std::string::npos);
    EXPECT_NE(s31.find(", 30, 0x00000000, 0x00000000, 0x00000000, 0x00000000)"),
              std::string::npos);
}

TEST(SqlStatement, TextLiteralsInUpdateAndInsert) {
    const char* const names[] = {"Last Name", "Note"};
    PmSqlValues v(2);
    SetSqlText(&v[0], "O'Hara");
    SetSqlText(&v[1], nullptr);
    EXPECT_STREQ(BuildSqlStatement("Main", nullptr, SQL_UPDATE, names, v.data(), 2),
                 "UPDATE Main SET [Last Name]='O''Hara', [Note]='' ");
}

TEST(SqlStatement, AWholeNoteWithQuotesFitsAnUpdateUncut) {
    palm6_test::LogCapture log;
    std::string note(2047, '\'');
    const char* const names[] = {"Note"};
    PmSqlValues v(1);
    SetSqlText(&v[0], note.c_str());
    std::string stmt = BuildSqlStatement("Main", "WHERE [Record ID] = 1", SQL_UPDATE, names, v.data(), 1);
    EXPECT_EQ(stmt, "UPDATE Main SET [Note]='" + std::string(4094, '\'') + "' WHERE [Record ID] = 1");
    EXPECT_EQ(log.Count("was cut"), 0);
}

TEST(SqlStatement, ATextCutForAnUpdateIsLoggedWithItsColumn) {
    palm6_test::LogCapture log;
    std::string text(5000, 'x');
    const char* const names[] = {"Note"};
    PmSqlValues v(1);
    SetSqlText(&v[0], text.c_str());
    std::string stmt = BuildSqlStatement("Main", nullptr, SQL_UPDATE, names, v.data(), 1);
    EXPECT_EQ(stmt.size(), std::string("UPDATE Main SET [Note]='' ").size() + PM_SQL_UPDATE_LITERAL - 3);
    EXPECT_TRUE(log.Has(0, "PalmCommEx2.cpp",
                        "The value of column [Note] was cut to fit the SQL statement."));
}

TEST(SqlStatement, AStatementTooLongForItsBufferIsNotBuilt) {
    palm6_test::LogCapture log;
    // 95 texts of 1000 characters overflow the 40960-byte statement.
    std::vector<std::string> names = Names(95);
    std::vector<const char*> p;
    for (auto& s : names) p.push_back(s.c_str());
    PmSqlValues v(95);
    std::string text(1000, 'y');
    for (auto& e : v) SetSqlText(&e, text.c_str());
    EXPECT_STREQ(BuildSqlStatement("Main", nullptr, SQL_INSERT, p.data(), v.data(), 95), "");
    EXPECT_TRUE(log.Has(0, "PalmCommEx2.cpp",
                        "The SQL statement on table Main is too long to be built."));
}

TEST(SqlWhere, Clause) {
    const char* const keys[] = {"Record ID", "First Name", "Last Name"};
    PmSqlValues v(3);
    SetSqlInt(&v[0], 12);
    SetSqlText(&v[1], "Ann");
    SetSqlText(&v[2], "O'Lee");
    char out[256];
    ASSERT_TRUE(BuildWhereClause(keys, 3, v.data(), out, sizeof out));
    EXPECT_STREQ(out, "WHERE [Record ID] = 12 AND [First Name] = 'Ann' AND [Last Name] = 'O''Lee'");
    // An empty key also finds a row that holds NULL there.
    PmSqlValues e(3);
    SetSqlInt(&e[0], 12);
    SetSqlText(&e[1], "");
    SetSqlText(&e[2], "Lee");
    ASSERT_TRUE(BuildWhereClause(keys, 3, e.data(), out, sizeof out));
    EXPECT_STREQ(out, "WHERE [Record ID] = 12 AND ([First Name] = '' OR [First Name] IS NULL) AND "
                      "[Last Name] = 'Lee'");

    EXPECT_FALSE(BuildWhereClause(keys, 3, v.data(), nullptr, 10));
    strcpy(out, "x");
    EXPECT_TRUE(BuildWhereClause(keys, 0, v.data(), out, sizeof out));
    EXPECT_STREQ(out, "");
    strcpy(out, "x");
    EXPECT_TRUE(BuildWhereClause(keys, 3, nullptr, out, sizeof out));
    EXPECT_STREQ(out, "");
    // A condition that does not fit is refused, not cut.
    palm6_test::LogCapture log;
    EXPECT_FALSE(BuildWhereClause(keys, 3, v.data(), out, 30));
    EXPECT_EQ(log.Count("The WHERE clause is too long to be built"), 1);
}

TEST(SqlValues, MakersAndReaders) {
    PmSqlValue v;
    EXPECT_FALSE(SetSqlInt(nullptr, 1));
    EXPECT_FALSE(SetSqlBool(nullptr, 1));
    EXPECT_FALSE(SetSqlText(nullptr, "a"));
    EXPECT_FALSE(SetSqlIntText(nullptr, 1));

    ASSERT_TRUE(SetSqlBool(&v, 1));
    EXPECT_EQ(v.vt, PM_VT_BOOL);
    EXPECT_EQ(v.boolVal, 1);
    ASSERT_TRUE(SetSqlIntText(&v, -42));
    EXPECT_EQ(v.vt, PM_VT_BSTR);
    EXPECT_EQ(*v.bstrVal, u"-42");
    ASSERT_TRUE(SetSqlText(&v, ""));
    EXPECT_EQ(v.vt, PM_VT_BSTR);
    EXPECT_FALSE(v.bstrVal.has_value());

    struct IntCase {
        uint16_t vt;
        int32_t l;
        const char16_t* text;
        bool ok;
        int32_t want;
    } const ints[] = {
        {PM_VT_I4, -7, nullptr, true, -7},
        {PM_VT_I2, -300, nullptr, true, -300},
        {PM_VT_I1, -3, nullptr, true, -3},
        {PM_VT_BSTR, 0, u"12abc", true, 12},
        {PM_VT_BSTR, 0, nullptr, true, 0},
        {PM_VT_BSTR, 0, u"abc", true, 0},
        {PM_VT_BOOL, 1, nullptr, false, 99},
        {PM_VT_EMPTY, 0, nullptr, false, 99},
        {PM_VT_NULL, 0, nullptr, false, 99},
        {PM_VT_DATE, 0, nullptr, false, 99},
    };
    for (const IntCase& c : ints) {
        PmSqlValue x;
        x.vt = c.vt;
        x.lVal = c.l;
        if (c.text) x.bstrVal = std::u16string(c.text);
        int32_t out = 99;
        EXPECT_EQ(GetSqlInt(&x, out), c.ok) << c.vt;
        EXPECT_EQ(out, c.want) << c.vt;
    }
    int32_t n = 5;
    EXPECT_FALSE(GetSqlInt(nullptr, n));

    PmSqlValue b;
    b.vt = PM_VT_BOOL;
    b.boolVal = -1;
    bool flag = false;
    EXPECT_TRUE(GetSqlBool(&b, flag));
    EXPECT_TRUE(flag);
    PmSqlValue i4;
    SetSqlInt(&i4, 1);
    flag = false;
    EXPECT_FALSE(GetSqlBool(&i4, flag));
    EXPECT_FALSE(flag);

    char text[8] = "keep";
    EXPECT_FALSE(GetSqlText(&i4, text, sizeof text));
    EXPECT_STREQ(text, "keep");
    SetSqlText(&v, "abcdefghijk");
    EXPECT_TRUE(GetSqlText(&v, text, sizeof text));
    EXPECT_STREQ(text, "abcdefg");
    PmSqlValue absent;
    absent.vt = PM_VT_BSTR;
    EXPECT_TRUE(GetSqlText(&absent, text, sizeof text));
    EXPECT_STREQ(text, "");
}

// A query that hands out one row of given fields.
class FakeQuery : public PmDbQuery {
public:
    std::vector<PmSqlValue> fields;
    void Close() override {}
    void ClearSql() override {}
    void AddSql(const std::u16string&) override {}
    bool Open(PmDbError&) override { return true; }
    bool Execute(PmDbError&) override { return true; }
    bool IsEof() const override { return false; }
    bool Next(PmDbError&) override { return false; }
    int FieldCount() const override { return static_cast<int>(fields.size()); }
    bool GetField(int i, PmSqlValue& out) const override {
        out = fields[static_cast<size_t>(i)];
        return true;
    }
};

TEST(SqlValues, ReadCurrentRowConvertsEachKind) {
    FakeQuery q;
    auto add = [&](uint16_t vt) -> PmSqlValue& {
        q.fields.emplace_back();
        q.fields.back().vt = vt;
        return q.fields.back();
    };
    add(PM_VT_I2).lVal = -2;
    add(PM_VT_I4).lVal = 70000;
    add(PM_VT_BSTR).bstrVal = u"K\u00f6ln";
    add(PM_VT_BSTR);  // absent string
    add(PM_VT_BOOL).boolVal = -1;
    add(PM_VT_LPSTR).narrowVal = "long \x80 text";
    add(PM_VT_NULL);
    add(PM_VT_DATE).dblVal = 40000.5;
    add(PM_VT_R8).dblVal = 1.5;
    add(PM_VT_BINARY);
    add(PM_VT_I1).lVal = 3;

    PmSqlValues row;
    int count = 0;
    ASSERT_TRUE(ReadCurrentRow(&q, row, count));
    ASSERT_EQ(count, 11);
    ASSERT_EQ(row.size(), 11u);
    EXPECT_EQ(row[0].vt, PM_VT_I4);
    EXPECT_EQ(row[0].lVal, -2);
    EXPECT_EQ(row[1].lVal, 70000);
    EXPECT_EQ(*row[2].bstrVal, u"K\u00f6ln");
    ASSERT_TRUE(row[3].bstrVal.has_value());
    EXPECT_EQ(*row[3].bstrVal, u"");
    EXPECT_EQ(row[4].vt, PM_VT_BOOL);
    EXPECT_NE(row[4].boolVal, 0);
    EXPECT_EQ(row[5].vt, PM_VT_BSTR);
    EXPECT_EQ(*row[5].bstrVal, u"long \u20ac text");
    for (size_t i = 6; i < 11; ++i) EXPECT_EQ(row[i].vt, PM_VT_EMPTY) << i;
    int32_t out = 77;
    EXPECT_FALSE(GetSqlInt(&row[7], out));
    EXPECT_EQ(out, 77);
    FreeSqlValues(row, count);
    EXPECT_TRUE(row.empty());
    EXPECT_FALSE(ReadCurrentRow(nullptr, row, count));
}

TEST(SqlAccessor, BaseOperationsDoNothing) {
    PmDataAccessor a;
    PmSqlValues v;
    int n = 0;
    EXPECT_FALSE(a.SelectFirst("Main", nullptr, v, n));
    EXPECT_FALSE(a.QueryFirst("SELECT 1", v, n));
    EXPECT_FALSE(a.ExecuteQuery("SELECT 1", true));
    EXPECT_EQ(a.Reserved1(), 0);
    EXPECT_EQ(a.Reserved2(), nullptr);
    EXPECT_STREQ(a.GetLastSelection(), "");
}

}  // namespace
