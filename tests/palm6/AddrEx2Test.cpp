// The 6.x contacts store: loading, writing back and the record helpers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Palm6Support.h"
#include "common/palm/PalmAddrEx2.h"
#include "common/misc/CxPlatform.h"
#include "common/misc/CxText.h"
#include "common/palm/PalmText.h"

namespace palm6_test {
namespace {

const char kSrc[] = "PalmAddrEx2.cpp";

// Every column and the category text, as literals.
std::string Describe(const PmAddrEx2Record& r) {
    std::string out = std::string("cat=") + r.m_szCategory;
    std::vector<char> lit(8192);
    for (int c = 0; c < PM_ADDREX2_COLUMNS; ++c) {
        PmSqlValue v;
        GetColumnValue(&r, c, &v);
        FormatSqlLiteral(v, lit.data(), lit.size());
        out += std::string("|") + GetColumnName(c) + "=" + lit.data();
    }
    return out;
}

class AddrEx2Test : public DbTest {
protected:
    // A database with three categories and the given records.
    void MakeBook(const std::vector<PmAddrEx2Record>& recs) {
        auto db = MakeDb();
        ASSERT_TRUE(db->AddCategory(1, "Business"));
        ASSERT_TRUE(db->AddCategory(2, "Friends"));
        ASSERT_TRUE(db->AddCategory(3, "Quick List"));
        for (const auto& r : recs) ASSERT_TRUE(db->AddRecord(r)) << db->Error();
    }
    std::vector<std::vector<std::string>> Query(const std::string& sql) {
        Fixture reader(Path(), Existing());
        return reader.Rows(sql);
    }
};

TEST_F(AddrEx2Test, LoadReadsEveryRowWithItsLogLines) {
    MakeBook({MakeRecord(1), MakeRecord(2), MakeRecord(3)});
    LogCapture log;
    PmAddrEx2Util util(Path().c_str());
    ASSERT_TRUE(util.IsLoaded());
    PmAddrEx2DataMgr* recs = util.GetRecords();
    ASSERT_EQ(recs->GetCount(), 3);
    for (int i = 0; i < 3; ++i) {
        PmAddrEx2Record want = MakeRecord(i + 1);
        const char* cats[] = {"", "Business", "Friends", "Quick List"};
        CxCopyText(want.m_szCategory, cats[want.m_nCategoryID]);
        EXPECT_EQ(Describe(*recs->GetAt(i)), Describe(want)) << i;
    }
    EXPECT_TRUE(log.Has(2, kSrc, "Loading Palm Desktop Contacts:" + Path()));
    EXPECT_TRUE(log.Has(2, kSrc, "Start loading Palm Desktop Contacts main records."));
    EXPECT_TRUE(log.Has(2, kSrc, "Query first record in the Contacts database table successfully."));
    EXPECT_TRUE(log.Has(2, kSrc, "Failed to query the next record of the Contacts main table. Check if it is the end of the table."));
    EXPECT_TRUE(log.Has(2, kSrc, "Loading Palm Desktop Contacts main records completed successfully."));
    EXPECT_EQ(log.Count("!!!"), 0) << log.Text();
    // Every selection of "Main" names the 95 columns in order.
    std::string select = "SELECT [Record ID], [Status], [Placement], [Private], [Category], [Note], ";
    EXPECT_EQ(log.Count("Execute SQL Query: " + select), 1);
    EXPECT_EQ(log.Count("[Ringtone MIME type], [Ringtone Sync counter] FROM Main \r\n"), 1);
}

TEST_F(AddrEx2Test, PhoneSlotsFollowTheirLabelsAndUnmappedColumnsAreDropped) {
    PmAddrEx2Record r = MakeRecord(4);
    r.m_nPhoneLabel[1] = 7;
    CxCopyText(r.m_szPhone[1], "555-1234");
    MakeBook({r});
    {
        Fixture db(Path(), Existing());
        ASSERT_TRUE(db.Exec("UPDATE Main SET [Other Fax]='999', [Pager]='pg' WHERE [Record ID] = 4"));
    }
    PmAddrEx2Util util(Path().c_str());
    ASSERT_EQ(util.GetRecords()->GetCount(), 1);
    PmAddrEx2Record got = *util.GetRecords()->GetAt(0);
    EXPECT_STREQ(got.m_szPhone[1], "555-1234");
    EXPECT_EQ(got.m_nPhoneLabel[1], 7);
    // An update of the record leaves the unmapped columns as they are.
    CxCopyText(got.m_szCompany, "Acme");
    ASSERT_TRUE(util.WriteRecord(&got));
    auto rows = Query("SELECT [Other Fax], [Pager], [Company] FROM Main WHERE [Record ID] = 4");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"999", "pg", "Acme"}));
}

TEST_F(AddrEx2Test, LoadFailuresAndEmptyTables) {
    LogCapture log;
    {
        PmAddrEx2Util util;
        EXPECT_FALSE(util.Load(nullptr));
        EXPECT_FALSE(util.Load(""));
        EXPECT_FALSE(util.Load(Path("none.mdb").c_str()));
        EXPECT_TRUE(log.Has(0, kSrc, "Open Palm Desktop Contacts database failed: " + Path("none.mdb")));
        vt_test::WriteText(Path("junk.mdb"), std::string(2048, 'Z'));
        EXPECT_FALSE(util.Load(Path("junk.mdb").c_str()));
        EXPECT_TRUE(log.Has(0, kSrc, "Open Palm Desktop Contacts database failed: " + Path("junk.mdb")));
        EXPECT_FALSE(util.LoadRecords());  // the accessor exists, the connection does not
        EXPECT_EQ(util.GetRecords()->GetCount(), 0);
    }
    MakeBook({});
    log.Reset();
    PmAddrEx2Util util(Path().c_str());
    EXPECT_TRUE(util.IsLoaded());
    EXPECT_EQ(util.GetRecords()->GetCount(), 0);
    EXPECT_TRUE(log.Has(2, kSrc, "Failed to query the first record of the Contacts main table. Check if there is any records in the database table."));
    EXPECT_EQ(log.Count("!!!"), 0);
}

TEST_F(AddrEx2Test, MissingTableOrColumnFailsTheLoad) {
    struct Case {
        const char* name;
        FixtureShape shape;
    } const cases[] = {
        {"no-main.mdb", FixtureShape{false, true, true, {}, {}}},
        {"no-pager.mdb", FixtureShape{true, true, true, "Pager", {}}},
    };
    for (const Case& c : cases) {
        auto db = MakeDb(c.name, c.shape);
        db->Close();
        LogCapture log;
        PmAddrEx2Util util;
        EXPECT_FALSE(util.Load(Path(c.name).c_str())) << c.name;
        EXPECT_EQ(util.GetRecords()->GetCount(), 0);
        EXPECT_EQ(log.Count("[!!!] - Database Query Error, Query String=SELECT [Record ID]"), 1) << c.name;
        // Nothing is written when the row cannot even be looked for.
        PmAddrEx2Record r = MakeRecord(1);
        log.Reset();
        EXPECT_FALSE(util.WriteRecord(&r));
        EXPECT_EQ(log.Count("INSERT INTO"), 0);
    }
}

TEST_F(AddrEx2Test, ValuesOfUnexpectedKindsLeaveFieldsEmpty) {
    FixtureShape shape;
    shape.typeOf["Status"] = "DOUBLE";
    shape.typeOf["Birthday"] = "DATETIME";
    shape.typeOf["Private"] = "INTEGER";
    auto db = MakeDb("Address.mdb", shape);
    ASSERT_TRUE(db->AddCategory(1, "Business"));
    std::string note(3000, 'n');
    ASSERT_TRUE(db->Exec("INSERT INTO Main ([Record ID], [Status], [Birthday], [Private], [Category], "
                         "[First Name], [Company], [Note], [Anniversary]) VALUES (5, 2.5, 40000.25, 1, "
                         "'1', 'Ann', NULL, '" + note + "', NULL)"));
    db->Close();
    PmAddrEx2Util util(Path().c_str());
    ASSERT_TRUE(util.IsLoaded());
    ASSERT_EQ(util.GetRecords()->GetCount(), 1);
    const PmAddrEx2Record& r = *util.GetRecords()->GetAt(0);
    EXPECT_EQ(r.m_nRecordID, 5);
    EXPECT_EQ(r.m_nStatus, 0);
    EXPECT_EQ(r.m_nBirthday, 0);
    EXPECT_EQ(r.m_bPrivate, 0);  // an integer is no boolean
    EXPECT_EQ(r.m_nCategoryID, 1);
    EXPECT_STREQ(r.m_szCategory, "Business");
    EXPECT_STREQ(r.m_szFirstName, "Ann");
    EXPECT_STREQ(r.m_szCompany, "");
    EXPECT_EQ(r.m_nAnniversary, 0);
    EXPECT_EQ(strlen(r.m_szNote), 2047u);
}

TEST_F(AddrEx2Test, WriteRecordUpdatesOnlyWhatChanged) {
    MakeBook({MakeRecord(1), MakeRecord(2)});
    PmAddrEx2Util util(Path().c_str());
    ASSERT_EQ(util.GetRecords()->GetCount(), 2);
    const PmAddrEx2Record base = *util.GetRecords()->GetAt(0);
    const std::string where = " WHERE [Record ID] = 1 AND [First Name] = 'First1' AND [Last Name] = 'O''Last1'";

    struct Case {
        const char* what;
        void (*change)(PmAddrEx2Record&);
        bool equal;
        const char* update;  // the statement's start, or null when nothing is written
    } const cases[] = {
        {"nothing", [](PmAddrEx2Record&) {}, true, nullptr},
        {"placement only", [](PmAddrEx2Record& r) { r.m_nPlacement = 77; }, true, nullptr},
        // A label goes with its slot's number only.
        {"phone label only", [](PmAddrEx2Record& r) { r.m_nPhoneLabel[3] = 6; }, false, nullptr},
        {"phone number and its label",
         [](PmAddrEx2Record& r) {
             CxCopyText(r.m_szPhone[3], "555-4");
             r.m_nPhoneLabel[3] = 6;
         },
         false, "UPDATE Main SET [Home Phone]='555-4', [Phone Label4]=6"},
        {"chat name and its label",
         [](PmAddrEx2Record& r) {
             CxCopyText(r.m_szChat1, "ann.chat");
             r.m_nChat1LabelID = 2;
         },
         false, "UPDATE Main SET [Chat1]='ann.chat', [Chat1 LabelID]=2"},
        {"alarm advance", [](PmAddrEx2Record& r) { r.m_nAnniversaryAlarmAdv = 5; }, false,
         "UPDATE Main SET [Anniversary AlarmAdv]=5"},
        {"status and company",
         [](PmAddrEx2Record& r) {
             r.m_nStatus = 3;
             CxCopyText(r.m_szCompany, "Acme");
         },
         false, "UPDATE Main SET [Status]=3, [Company]='Acme'"},
        {"category and flag",
         [](PmAddrEx2Record& r) {
             r.m_nCategoryID = 2;
             r.m_bPrivate = 0;
             CxCopyText(r.m_szCustom[4], "c5");
         },
         false, "UPDATE Main SET [Private]=0, [Category]='2', [Custom 5]='c5'"},
    };
    for (const Case& c : cases) {
        PmAddrEx2Record r = base;
        r.m_bPrivate = base.m_bPrivate;
        c.change(r);
        EXPECT_EQ(RecordsEqual(&r, &base), c.equal) << c.what;
        LogCapture log;
        EXPECT_TRUE(util.WriteRecord(&r)) << c.what;
        if (c.update) {
            EXPECT_TRUE(log.Has(2, "PalmCommEx2.cpp", std::string("Execute SQL Query: ") + c.update + where)) << c.what << log.Text();
            PmAddrEx2Util again(Path().c_str());
            ASSERT_EQ(again.GetRecords()->GetCount(), 2);
            PmAddrEx2Record got = *again.GetRecords()->GetAt(0);
            EXPECT_TRUE(RecordsEqual(&got, &r)) << c.what;
            // Put the row back as loaded for the next case.
            Fixture db(Path(), Existing());
            ASSERT_TRUE(db.Exec("DELETE FROM Main WHERE [Record ID] = 1"));
            ASSERT_TRUE(db.AddRecord(MakeRecord(1))) << db.Error();
        } else {
            EXPECT_EQ(log.Count("UPDATE"), 0) << c.what;
            EXPECT_EQ(log.Count("INSERT"), 0) << c.what;
        }
    }
}

TEST_F(AddrEx2Test, WriteRecordInsertsUnknownRecordsAndReportsRefusals) {
    MakeBook({MakeRecord(12)});
    PmAddrEx2Util util(Path().c_str());
    LogCapture log;
    // A new record: one insert of the 95 columns and the four binary ones.
    PmAddrEx2Record fresh = MakeRecord(40);
    ASSERT_TRUE(util.WriteRecord(&fresh));
    EXPECT_EQ(log.Count("Execute SQL Query: INSERT INTO Main ([Record ID], [Status], "), 1);
    EXPECT_EQ(log.Count("[Ringtone Sync counter], [Photo], [VoiceTag], [Ringtone], [Blob]) VALUES (40, "), 1);
    EXPECT_EQ(log.Count(", 0x00000000, 0x00000000, 0x00000000, 0x00000000)\r\n"), 1);
    EXPECT_EQ(Query("SELECT [Other Fax], [Pager] FROM Main WHERE [Record ID] = 40")[0],
              (std::vector<std::string>{"", ""}));

    // A record not read from the database is inserted: with the Record ID
    // of a stored row the insert clashes and the refusal reaches the caller.
    PmAddrEx2Record clash = MakeRecord(12);
    CxCopyText(clash.m_szFirstName, "Bob");
    log.Reset();
    EXPECT_FALSE(util.WriteRecord(&clash));
    EXPECT_EQ(log.Count("Execute SQL Query: INSERT INTO Main ([Record ID]"), 1);
    EXPECT_EQ(log.Count("[!!!] - Database Query Error, Query String=INSERT INTO Main"), 1);
    EXPECT_EQ(Query("SELECT [First Name] FROM Main WHERE [Record ID] = 12")[0][0], "First12");
    EXPECT_FALSE(util.WriteRecord(nullptr));
}

TEST_F(AddrEx2Test, RowWithoutANameIsUpdatedNotInsertedAgain) {
    // A company-only contact: its names are NULL in the table.
    MakeBook({MakeRecord(7)});
    {
        Fixture db(Path(), Existing());
        ASSERT_TRUE(db.Exec("UPDATE Main SET [First Name] = NULL, [Last Name] = NULL"));
    }
    PmAddrEx2Util util(Path().c_str());
    ASSERT_EQ(util.GetRecords()->GetCount(), 1);
    PmAddrEx2Record r = *util.GetRecords()->GetAt(0);
    EXPECT_STREQ(r.m_szLastName, "");
    CxCopyText(r.m_szCompany, "Acme");
    LogCapture log;
    ASSERT_TRUE(util.WriteRecord(&r));
    EXPECT_EQ(log.Count("INSERT"), 0) << log.Text();
    EXPECT_EQ(log.Count("UPDATE Main SET [Company]='Acme' WHERE [Record ID] = 7 AND "
                        "([First Name] = '' OR [First Name] IS NULL) AND "
                        "([Last Name] = '' OR [Last Name] IS NULL)"), 1) << log.Text();
    EXPECT_EQ(Query("SELECT [Company] FROM Main"), (std::vector<std::vector<std::string>>{{"Acme"}}));
}

TEST_F(AddrEx2Test, ALongNoteWithQuotesIsUpdatedWhole) {
    MakeBook({MakeRecord(1)});
    PmAddrEx2Util util(Path().c_str());
    PmAddrEx2Record r = *util.GetRecords()->GetAt(0);
    std::string note;
    while (note.size() < 2047) note += "It's ";
    note.resize(2047);
    CxCopyText(r.m_szNote, note.c_str());
    LogCapture log;
    ASSERT_TRUE(util.WriteRecord(&r));
    EXPECT_EQ(log.Count("UPDATE Main SET [Note]='It''s It''s"), 1);
    EXPECT_EQ(log.Count("was cut"), 0);
    PmAddrEx2Util again(Path().c_str());
    EXPECT_STREQ(again.GetRecords()->GetAt(0)->m_szNote, note.c_str());
}

TEST_F(AddrEx2Test, CategoriesByName) {
    MakeBook({});
    PmAddrEx2Util util(Path().c_str());
    LogCapture log;
    int32_t id = 99;
    EXPECT_TRUE(util.GetCategoryId("", id, true));
    EXPECT_EQ(id, 0);
    id = 99;
    EXPECT_TRUE(util.GetCategoryId(nullptr, id, false));
    EXPECT_EQ(id, 0);
    EXPECT_TRUE(util.GetCategoryId("Friends", id, false));
    EXPECT_EQ(id, 2);
    EXPECT_FALSE(util.GetCategoryId("friends", id, false));  // letter case counts
    EXPECT_EQ(id, 0);
    EXPECT_TRUE(util.GetCategoryId("friends", id, true));
    EXPECT_EQ(id, 4);
    EXPECT_TRUE(util.GetCategoryId("friends", id, true));
    EXPECT_EQ(id, 4);
    EXPECT_EQ(log.Count("INSERT INTO Category"), 1);
    EXPECT_TRUE(util.GetCategoryId("Bob's", id, true));
    EXPECT_EQ(id, 5);
    auto rows = Query("SELECT [ID], [Name], [Status], [Color] FROM Category WHERE [ID] > 3");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"4", "friends", "1", "0"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"5", "Bob's", "1", "0"}));

    PmAddrEx2Record r = MakeRecord(1);
    r.m_nCategoryID = 5;
    EXPECT_TRUE(util.FillCategoryText(&r));
    EXPECT_STREQ(r.m_szCategory, "Bob's");
    r.m_nCategoryID = 42;
    EXPECT_FALSE(util.FillCategoryText(&r));
    EXPECT_STREQ(r.m_szCategory, "Bob's");
}

TEST_F(AddrEx2Test, LoadByUserAsksForTheUsersFolder) {
    LogCapture log;
    PmAddrEx2Util::SetUserFolderSource(nullptr);
    PmAddrEx2Util util;
    EXPECT_FALSE(util.LoadByUser(7));
    EXPECT_TRUE(log.Has(2, kSrc, "Start loading Palm Desktop Contacts by user ID: 7"));
    EXPECT_TRUE(log.Has(0, kSrc, "Failed to get user database path by user ID."));

    // The folder ends with a backslash; the store sits in its "address" folder.
    std::string dir = m_dir.Path() + "address";
    ASSERT_TRUE(cxplat::CreateFolder(dir.c_str()));
    const std::string expected = m_dir.Path() + "address\\Address.mdb";
    const std::string folder = m_dir.Path();
    PmAddrEx2Util::SetUserFolderSource([folder](uint32_t id, char* out, size_t size) {
        if (id != 7) return false;
        CxCopyText(out, size, folder.c_str());
        return true;
    });
    EXPECT_FALSE(util.LoadByUser(8));
    auto db = MakeDb("address\\Address.mdb");
    db->Close();
#ifndef _WIN32
    // On POSIX the backslash is part of the file name.
    ASSERT_TRUE(vt_test::Exists(expected));
#endif
    log.Reset();
    EXPECT_TRUE(util.LoadByUser(7));
    EXPECT_TRUE(log.Has(2, kSrc, "Get user file successfully, try loading file:" + expected));
    PmAddrEx2Util::SetUserFolderSource(nullptr);
}

TEST(AddrEx2Columns, NamesAndValues) {
    EXPECT_STREQ(GetColumnName(0), "Record ID");
    EXPECT_STREQ(GetColumnName(34), "Work Phone");
    EXPECT_STREQ(GetColumnName(47), "Pager");
    EXPECT_STREQ(GetColumnName(94), "Ringtone Sync counter");
    EXPECT_STREQ(GetColumnName(95), "");
    EXPECT_STREQ(GetColumnName(-1), "");

    PmAddrEx2Record r = MakeRecord(3);
    PmSqlValue v;
    EXPECT_FALSE(GetColumnValue(&r, 95, &v));
    EXPECT_FALSE(SetColumnValue(&v, -1, &r));
    ASSERT_TRUE(GetColumnValue(&r, 44, &v));  // "E-mail 1" has no field
    EXPECT_EQ(v.vt, PM_VT_BSTR);
    EXPECT_FALSE(v.bstrVal.has_value());
    SetSqlText(&v, "x@y");
    PmAddrEx2Record before = r;
    EXPECT_TRUE(SetColumnValue(&v, 44, &r));
    EXPECT_EQ(Describe(r), Describe(before));
    ASSERT_TRUE(GetColumnValue(&r, 4, &v));
    EXPECT_EQ(*v.bstrVal, u"3");
    ASSERT_TRUE(GetColumnValue(&r, 3, &v));
    EXPECT_EQ(v.vt, PM_VT_BOOL);
    CxCopyText(r.m_szWebsite, "");
    ASSERT_TRUE(GetColumnValue(&r, 67, &v));
    EXPECT_FALSE(v.bstrVal.has_value());

    PmSqlValue empty;
    r.m_nStatus = 9;
    EXPECT_FALSE(SetColumnValue(&empty, 1, &r));
    EXPECT_EQ(r.m_nStatus, 9);

    PmSqlValues row(94);
    EXPECT_FALSE(RowToRecord(row.data(), 94, &r));
    EXPECT_EQ(r.m_nStatus, 9);
}

TEST(AddrEx2Columns, ChangedColumnsComeInTheirOrder) {
    PmAddrEx2Record a = MakeRecord(1);
    PmAddrEx2Record b = a;
    int cols[PM_ADDREX2_COLUMNS];
    int n = -1;
    ASSERT_TRUE(ListChangedColumns(&a, &b, cols, n));
    EXPECT_EQ(n, 0);
    b.m_nPlacement = 1000;                  // 2
    CxCopyText(b.m_szRingtoneURL, "r");     // 91
    CxCopyText(b.m_szCustom[13], "z");      // 77
    CxCopyText(b.m_szCustom[0], "z");       // 48
    b.m_nPrimaryContact = 99;               // 52
    b.m_nAvatar = 99;                       // 80
    b.m_nChat1LabelID = 99;                 // 65
    b.m_nPhoneLabel[1] = 7;                 // not listed: slot 2's number stays
    b.m_nPhoneLabel[6] = 1;                 // 59, with slot 7's new number
    CxCopyText(b.m_szFirstYomi, "y");       // never listed
    b.m_nAddrLabel2 = 99;                   // never listed
    CxCopyText(b.m_szPhone[6], "p");        // 40
    ASSERT_TRUE(ListChangedColumns(&a, &b, cols, n));
    EXPECT_EQ(std::vector<int>(cols, cols + n), (std::vector<int>{2, 40, 48, 77, 52, 80, 91, 59, 65}));
    EXPECT_FALSE(ListChangedColumns(&a, nullptr, cols, n));
    EXPECT_FALSE(RecordsEqual(&a, nullptr));
    EXPECT_TRUE(RecordsEqual(&a, &a));
    EXPECT_FALSE(RecordsEqual(&a, &b));
    ASSERT_TRUE(ListAllColumns(cols, n));
    EXPECT_EQ(n, 95);
    EXPECT_EQ(cols[94], 94);
}

// The acceptance case: a book of 2,000 contacts loads, takes an update and
// an insert, and reads back equal.
TEST_F(AddrEx2Test, TwoThousandContactsRoundTrip) {
    std::vector<PmAddrEx2Record> book;
    book.reserve(2001);
    for (int i = 1; i <= 2000; ++i) book.push_back(MakeRecord(i, i % 100 == 0));
    MakeBook(book);
    const char* cats[] = {"", "Business", "Friends", "Quick List"};
    for (auto& r : book) CxCopyText(r.m_szCategory, cats[r.m_nCategoryID]);

    PmAddrEx2Util util(Path().c_str());
    ASSERT_TRUE(util.IsLoaded());
    ASSERT_EQ(util.GetRecords()->GetCount(), 2000);
    int i = 0;
    for (PmAddrEx2Record* r = util.GetRecords()->GetFirst(); r; r = util.GetRecords()->GetNext(), ++i)
        ASSERT_EQ(Describe(*r), Describe(book[static_cast<size_t>(i)])) << i;

    PmAddrEx2Record changed = *util.GetRecords()->GetAt(999);
    CxCopyText(changed.m_szCompany, "M\xfcller & S\xf6hne \x80");
    CxCopyText(changed.m_szNote, "A new note, isn't it?");
    changed.m_nStatus = 2;
    ASSERT_TRUE(util.WriteRecord(&changed));
    book[999] = changed;
    PmAddrEx2Record added = MakeRecord(2001, true);
    CxCopyText(added.m_szFirstName, "J\xfcrgen \x80");
    ASSERT_TRUE(util.WriteRecord(&added));
    CxCopyText(added.m_szCategory, cats[added.m_nCategoryID]);
    book.push_back(added);

    PmAddrEx2Util again(Path().c_str());
    ASSERT_EQ(again.GetRecords()->GetCount(), 2001);
    i = 0;
    for (PmAddrEx2Record* r = again.GetRecords()->GetFirst(); r; r = again.GetRecords()->GetNext(), ++i)
        ASSERT_EQ(Describe(*r), Describe(book[static_cast<size_t>(i)])) << i;
}

}  // namespace
}  // namespace palm6_test
