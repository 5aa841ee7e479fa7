// Writes to the 6.x database through the facade that must not lose or
// misplace data: dates, which row a record stands for, new Record IDs, rows
// changed by another program, the file-type check, long paths, read-only use.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Palm6Support.h"
#include "common/misc/CxPlatform.h"
#include "common/misc/CxText.h"
#include "common/palm/PalmAddrInfo.h"

namespace palm6_test {
namespace {

constexpr uint32_t kAnyVersion = 0xFFFFFFFFu;
using Rows = std::vector<std::vector<std::string>>;

class SafeWriteTest : public DbTest {
protected:
    // A book of the records 1..n (three categories), made at path.
    void MakeBook(int n, const std::string& path, const FixtureShape& shape = FixtureShape()) {
        Fixture db(path, shape);
        ASSERT_TRUE(db.Ok()) << db.Error();
        ASSERT_TRUE(db.AddCategory(1, "Business"));
        ASSERT_TRUE(db.AddCategory(2, "Friends"));
        ASSERT_TRUE(db.AddCategory(3, "Quick List"));
        for (int i = 1; i <= n; ++i) ASSERT_TRUE(db.AddRecord(MakeRecord(i))) << db.Error();
    }
    void MakeBook(int n) { MakeBook(n, Path()); }
    // Closes and removes the book, for the next case of a table.
    void Discard() {
        TdmMain::Instance().CloseAll();
        cxplat::RemoveFile(Path().c_str());
    }
    // Statements run by "another program" on a connection of its own.
    bool Exec(const std::string& sql, const std::string& path = "") {
        Fixture db(path.empty() ? Path() : path, Existing());
        bool ok = db.Exec(sql);
        EXPECT_TRUE(ok) << db.Error();
        return ok;
    }
    Rows Query(const std::string& sql, const std::string& path = "") {
        Fixture db(path.empty() ? Path() : path, Existing());
        return db.Rows(sql);
    }
    // The common record at pos with a new company, written back.
    static bool UpdateCompany(PmAddrInfo& info, int pos, const char* company) {
        CommAddr rec = *info.GetStore()->GetAt(static_cast<uint32_t>(pos));
        CxCopyText(rec.m_szCompany, company);
        return info.UpdateContact(&rec, pos);
    }
    static CommAddr NewContact(const char* first, const char* last) {
        CommAddr rec;
        CxCopyText(rec.m_szFirstName, first);
        CxCopyText(rec.m_szLastName, last);
        CxCopyText(rec.m_szCompany, "Added");
        return rec;
    }
};

// ---------------------------------------------------------------- dates

TEST_F(SafeWriteTest, NoDateNeverReplacesAStoredDate) {
    const double kDay = 35392.0;  // 23 November 1996, stored as 129116000
    struct Case {
        const char* what;
        const char* stored;  // the Birthday column as SQL
        double readAs;       // the common date after load
        double written;      // the common date of the update
        const char* after;   // the Birthday column afterwards
    } const cases[] = {
        {"null reads as no date", "NULL", 0.0, 0.0, "<null>"},
        {"zero reads as no date", "0", 0.0, 0.0, "0"},
        {"a date reads with the offset", "129116000", kDay, kDay, "129116000"},
        {"no date keeps the stored one", "129116000", kDay, 0.0, "129116000"},
        {"year 10000 keeps it", "129116000", kDay, 2958466.0, "129116000"},
        {"year 99 keeps it", "129116000", kDay, -657435.0, "129116000"},
        {"the offset's own day keeps it", "129116000", kDay, -129080608.0, "129116000"},
        {"a date replaces null", "NULL", 0.0, kDay + 1, "129116001"},
        {"a date replaces another", "129116000", kDay, kDay + 0.5 + 2, "129116002"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MakeBook(1);
        ASSERT_TRUE(Exec(std::string("UPDATE Main SET [Birthday] = ") + c.stored +
                         ", [Anniversary] = " + c.stored));
        PmAddrInfo info(kAnyVersion);
        ASSERT_TRUE(info.LoadFile(Path().c_str()));
        const CommAddr& loaded = *info.GetStore()->GetAt(0);
        EXPECT_EQ(loaded.m_dtBirthday, c.readAs);
        EXPECT_EQ(loaded.m_dtAnniversary, c.readAs);
        CommAddr rec = loaded;
        rec.m_dtBirthday = c.written;
        rec.m_dtAnniversary = c.written;
        CxCopyText(rec.m_szCompany, "Changed");
        ASSERT_TRUE(info.UpdateContact(&rec, 0));
        EXPECT_EQ(Query("SELECT [Birthday], [Anniversary], [Company] FROM Main"),
                  (Rows{{c.after, c.after, "Changed"}}));
        Discard();
    }
}

TEST_F(SafeWriteTest, AContactAddedWithoutADateStoresZero) {
    MakeBook(1);
    PmAddrInfo info(kAnyVersion);
    ASSERT_TRUE(info.LoadFile(Path().c_str()));
    CommAddr rec = NewContact("No", "Date");
    ASSERT_TRUE(info.AddContact(&rec));
    EXPECT_EQ(Query("SELECT [Birthday], [Anniversary] FROM Main WHERE [Last Name] = 'Date'"),
              (Rows{{"0", "0"}}));
    PmAddrInfo back(kAnyVersion);
    ASSERT_TRUE(back.LoadFile(Path().c_str()));
    EXPECT_EQ(back.GetStore()->GetAt(1)->m_dtBirthday, 0.0);
}

// ---------------------------------------------------------------- row identity

TEST_F(SafeWriteTest, RowsWhoseNamesDidNotComeWholeAreFoundByRecordIdAlone) {
    const std::string longName(70, 'x');
    struct Case {
        const char* what;
        std::string set;    // SQL assignments for row 2
        std::string check;  // a WHERE that still holds after the update
        bool byIdAlone;
    } const cases[] = {
        {"names in the code page", "[First Name] = 'Ann'", "[First Name] = 'Ann'", false},
        {"a letter outside code page 1252", "[First Name] = char(321) || 'ukasz'",
         "[First Name] = char(321) || 'ukasz'", true},
        {"a last name longer than its field", "[Last Name] = '" + longName + "'",
         "[Last Name] = '" + longName + "'", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MakeBook(3);
        ASSERT_TRUE(Exec("UPDATE Main SET " + c.set + " WHERE [Record ID] = 2"));
        PmAddrInfo info(kAnyVersion);
        ASSERT_TRUE(info.LoadFile(Path().c_str()));
        LogCapture log;
        ASSERT_TRUE(UpdateCompany(info, 1, "New Co")) << log.Text();
        EXPECT_EQ(log.Count("INSERT"), 0);
        EXPECT_EQ(log.Count("UPDATE Main SET [Company]='New Co'"), 1);
        EXPECT_EQ(log.Has(2, "Execute SQL Query: UPDATE Main SET [Company]='New Co' WHERE [Record ID] = 2"),
                  c.byIdAlone)
            << log.Text();
        // The names stay as stored, whatever the record could hold of them.
        EXPECT_EQ(Query("SELECT [Record ID] FROM Main WHERE " + c.check + " AND [Company] = 'New Co'"),
                  (Rows{{"2"}}));
        EXPECT_EQ(Query("SELECT count(*) FROM Main"), (Rows{{"3"}}));
        Discard();
    }
}

TEST_F(SafeWriteTest, AWriteWithoutExactlyOneRowFailsAndWritesNothing) {
    FixtureShape noKey;
    noKey.typeOf["Record ID"] = "INTEGER";  // no key: duplicates possible
    struct Case {
        const char* what;
        std::vector<std::string> change;  // run on the database
        bool changeBeforeLoad;
        const char* logged;
    } const cases[] = {
        {"two rows share the Record ID of inexact names",
         {"UPDATE Main SET [First Name] = char(321) || 'ukasz' WHERE [Record ID] = 1",
          "UPDATE Main SET [Record ID] = 1, [First Name] = char(321) || 'ukasz' WHERE [Record ID] = 2"},
         true, "More than one row answers"},
        {"two rows share Record ID and names",
         {"UPDATE Main SET [Record ID] = 1, [First Name] = 'First1', [Last Name] = 'O''Last1' "
          "WHERE [Record ID] = 2"},
         true, "More than one row answers"},
        {"inexact names without a Record ID",
         {"UPDATE Main SET [Record ID] = 0, [First Name] = char(321) || 'ukasz' WHERE [Record ID] = 1"},
         true, "neither whole names nor a Record ID"},
        {"the row was deleted meanwhile", {"DELETE FROM Main WHERE [Record ID] = 1"}, false,
         "is no longer in the database"},
        {"the names were changed meanwhile",
         {"UPDATE Main SET [First Name] = 'Other' WHERE [Record ID] = 1"}, false,
         "is no longer in the database"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MakeBook(2, Path(), noKey);
        auto change = [&] {
            for (const std::string& sql : c.change) ASSERT_TRUE(Exec(sql));
        };
        if (c.changeBeforeLoad) change();
        PmAddrInfo info(kAnyVersion);
        ASSERT_TRUE(info.LoadFile(Path().c_str()));
        if (!c.changeBeforeLoad) change();
        const Rows before = Query("SELECT * FROM Main ORDER BY [Record ID], [Status]");
        LogCapture log;
        EXPECT_FALSE(UpdateCompany(info, 0, "New Co"));
        EXPECT_EQ(log.Count(c.logged), 1) << log.Text();
        EXPECT_EQ(log.Count("Failed to update the contact in the Palm Desktop Contacts database"), 1);
        EXPECT_EQ(log.Count("INSERT"), 0);
        EXPECT_EQ(log.Count("UPDATE Main"), 0);
        EXPECT_EQ(Query("SELECT * FROM Main ORDER BY [Record ID], [Status]"), before);
        // The facade keeps what the database holds.
        EXPECT_STRNE(info.GetStore()->GetAt(0)->m_szCompany, "New Co");
        Discard();
    }
}

// ---------------------------------------------------------------- new Record IDs

TEST_F(SafeWriteTest, NewRecordIdsFollowFreeRecId) {
    struct Case {
        const char* what;
        const char* freeRecId;  // the Note of the row, null for no row
        const char* newId;
        const char* advancedTo;
    } const cases[] = {
        {"no FreeRecID row: above the highest", nullptr, "4", nullptr},
        {"FreeRecID above the highest", "50", "50", "51"},
        {"FreeRecID below the highest", "2", "4", "5"},
        {"FreeRecID not a number", "none", "4", "5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MakeBook(3);
        if (c.freeRecId) {
            Fixture db(Path(), Existing());
            ASSERT_TRUE(db.AddInfo("Version", "6"));
            ASSERT_TRUE(db.AddInfo("FreeRecID", c.freeRecId));
        }
        PmAddrInfo info(kAnyVersion);
        ASSERT_TRUE(info.LoadFile(Path().c_str()));
        CommAddr rec = NewContact("New", "One");
        LogCapture log;
        ASSERT_TRUE(info.AddContact(&rec)) << log.Text();
        EXPECT_EQ(Query("SELECT [Record ID] FROM Main WHERE [Last Name] = 'One'"), (Rows{{c.newId}}));
        if (c.advancedTo) {
            EXPECT_EQ(Query("SELECT [Note] FROM Information WHERE [Name] = 'FreeRecID'"),
                      (Rows{{c.advancedTo}}));
            // Advanced before the insert.
            EXPECT_LT(log.Text().find("UPDATE Information SET [Note]="),
                      log.Text().find("INSERT INTO Main"));
        }
        EXPECT_EQ(Query("SELECT [Note] FROM Information WHERE [Name] = 'Version'"),
                  c.freeRecId ? Rows{{"6"}} : Rows{});
        Discard();
    }
}

TEST_F(SafeWriteTest, AFailedInsertOnlySkipsANumber) {
    MakeBook(3);
    {
        Fixture db(Path(), Existing());
        ASSERT_TRUE(db.AddInfo("FreeRecID", "10"));
    }
    PmAddrInfo info(kAnyVersion);
    ASSERT_TRUE(info.LoadFile(Path().c_str()));
    // Another program takes number 10 without advancing FreeRecID.
    PmAddrEx2Record other = MakeRecord(10);
    {
        Fixture db(Path(), Existing());
        ASSERT_TRUE(db.AddRecord(other)) << db.Error();
    }
    CommAddr first = NewContact("First", "Try");
    EXPECT_FALSE(info.AddContact(&first));
    EXPECT_EQ(info.GetRecordCount(), 3u);
    CommAddr second = NewContact("Second", "Try");
    ASSERT_TRUE(info.AddContact(&second));
    EXPECT_EQ(Query("SELECT [Record ID], [First Name] FROM Main WHERE [Record ID] >= 10 "
                    "ORDER BY [Record ID]"),
              (Rows{{"10", "First10"}, {"11", "Second"}}));
    EXPECT_EQ(Query("SELECT [Note] FROM Information WHERE [Name] = 'FreeRecID'"), (Rows{{"12"}}));
    // The added contact is a stored row now: an update finds it.
    EXPECT_TRUE(UpdateCompany(info, 3, "Later"));
    EXPECT_EQ(Query("SELECT [Company] FROM Main WHERE [Record ID] = 11"), (Rows{{"Later"}}));
}

// ---------------------------------------------------------------- changed meanwhile

TEST_F(SafeWriteTest, ARowChangedByAnotherProgramIsNotOverwritten) {
    const std::string longNote(3000, 'n');
    struct Case {
        const char* what;
        std::string edit;  // the other program's change of row 1; empty for none
        bool refused;
        bool longNote = false;  // the row holds a note longer than the record's
    } const cases[] = {
        {"no change", "", false},
        {"a field the update also writes", "[Company] = 'Theirs'", true},
        {"a field the update leaves", "[Job Title] = 'Theirs'", true},
        {"a column without a record field", "[Pager] = '555-9'", true},
        {"a note beyond what the record holds", "[Note] = '" + longNote + "x'", true, true},
        {"a date set to null", "[Birthday] = NULL", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MakeBook(2);
        if (c.longNote) {
            ASSERT_TRUE(Exec("UPDATE Main SET [Note] = '" + longNote + "' WHERE [Record ID] = 1"));
        }
        PmAddrInfo info(kAnyVersion);
        ASSERT_TRUE(info.LoadFile(Path().c_str()));
        if (!c.edit.empty()) {
            ASSERT_TRUE(Exec("UPDATE Main SET " + c.edit + " WHERE [Record ID] = 1"));
        }
        const Rows before = Query("SELECT * FROM Main ORDER BY [Record ID]");
        LogCapture log;
        EXPECT_EQ(UpdateCompany(info, 0, "Mine"), !c.refused);
        EXPECT_EQ(log.Count("was changed in the database since it was loaded; nothing written."),
                  c.refused ? 1 : 0);
        if (c.refused) {
            EXPECT_EQ(log.Count("UPDATE Main"), 0);
            EXPECT_EQ(Query("SELECT * FROM Main ORDER BY [Record ID]"), before);
        } else {
            EXPECT_EQ(Query("SELECT [Company] FROM Main WHERE [Record ID] = 1"), (Rows{{"Mine"}}));
        }
        Discard();
    }
}

TEST_F(SafeWriteTest, TheProgramsOwnWritesDoNotCountAsChanges) {
    MakeBook(2);
    PmAddrInfo info(kAnyVersion);
    ASSERT_TRUE(info.LoadFile(Path().c_str()));
    // A renaming update finds the row by the names it had, the next one by
    // the names it has now.
    CommAddr rec = *info.GetStore()->GetAt(0);
    CxCopyText(rec.m_szCompany, "One");
    CxCopyText(rec.m_szFirstName, "Renamed");
    ASSERT_TRUE(info.UpdateContact(&rec, 0));
    CxCopyText(rec.m_szCompany, "Two");
    CxCopyText(rec.m_szNote, "It's noted");
    ASSERT_TRUE(info.UpdateContact(&rec, 0));
    EXPECT_EQ(Query("SELECT [First Name], [Company], [Note] FROM Main WHERE [Record ID] = 1"),
              (Rows{{"Renamed", "Two", "It's noted"}}));
    EXPECT_EQ(Query("SELECT count(*) FROM Main"), (Rows{{"2"}}));
}

TEST_F(SafeWriteTest, UnchangedNumbersKeepTheirSlotLabels) {
    MakeBook(1);
    // Slots 1 and 2 hold numbers; the others are empty with label 0.
    ASSERT_TRUE(Exec("UPDATE Main SET [Work Phone] = '555-1', [Phone Label1] = 0, [Work Fax] = "
                     "'555-2', [Phone Label2] = 1, [Work Mobile] = '', [Home Phone] = '', "
                     "[Home Fax] = '', [Home Mobile] = '', [Other Phone] = '', [Phone Label3] = 0, "
                     "[Phone Label4] = 0, [Phone Label5] = 0, [Phone Label6] = 0, [Phone Label7] = 0"));
    PmAddrInfo info(kAnyVersion);
    ASSERT_TRUE(info.LoadFile(Path().c_str()));
    LogCapture log;
    ASSERT_TRUE(UpdateCompany(info, 0, "Relabel"));
    for (int slot = 1; slot <= 7; ++slot)
        EXPECT_EQ(log.Count("[Phone Label" + std::to_string(slot) + "]="), 0) << slot;
    EXPECT_EQ(Query("SELECT [Phone Label3], [Phone Label4], [Phone Label7] FROM Main"),
              (Rows{{"0", "0", "0"}}));
    // A new mobile number takes the first empty slot with its label.
    CommAddr rec = *info.GetStore()->GetAt(0);
    CxCopyText(rec.m_szMobilePhone, "555-7");
    log.Reset();
    ASSERT_TRUE(info.UpdateContact(&rec, 0)) << log.Text();
    EXPECT_EQ(Query("SELECT [Work Mobile], [Phone Label3] FROM Main"), (Rows{{"555-7", "7"}}));
}

// ---------------------------------------------------------------- the file-type check

TEST_F(SafeWriteTest, TheFileTypeCheckLeavesTheLoadedDatabaseAlone) {
    MakeBook(2);
    const std::string other = Path("Other.mdb");
    MakeBook(1, other);
    const std::string text = Path("contacts.mdb");
    vt_test::WriteText(text, "no database");
    PmAddrInfo info(kAnyVersion);
    ASSERT_TRUE(info.LoadFile(Path().c_str()));
    struct Case {
        const char* what;
        std::string path;
        bool sameFacade;
        int type;
    } const cases[] = {
        {"another database, from a facade of its own", other, false, PM_GEN_6X},
        {"another database, from the loaded facade", other, true, PM_GEN_6X},
        {"the loaded database itself", Path(), false, PM_GEN_6X},
        {"a file that is no database", text, false, PM_GEN_FAILED},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.sameFacade) {
            EXPECT_EQ(info.DetectFileType(c.path.c_str()), c.type);
        } else {
            PmAddrInfo probe(kAnyVersion);  // as the options dialog does
            EXPECT_EQ(probe.DetectFileType(c.path.c_str()), c.type);
        }
        const std::string company = "After check " + std::to_string(++n);
        ASSERT_TRUE(UpdateCompany(info, 1, company.c_str()));
        EXPECT_EQ(Query("SELECT [Company] FROM Main WHERE [Record ID] = 2"), (Rows{{company}}));
        EXPECT_EQ(Query("SELECT [Record ID], [Company] FROM Main", other),
                  (Rows{{"1", MakeRecord(1).m_szCompany}}));
    }
    CommAddr added = NewContact("Still", "Here");
    ASSERT_TRUE(info.AddContact(&added));
    EXPECT_EQ(Query("SELECT count(*) FROM Main"), (Rows{{"3"}}));
    EXPECT_EQ(Query("SELECT count(*) FROM Main", other), (Rows{{"1"}}));
}

// ---------------------------------------------------------------- long paths

TEST_F(SafeWriteTest, PathsUpToTheLimitLoadWriteAndCheck) {
    for (size_t want : {size_t{256}, size_t{259}}) {
        SCOPED_TRACE(want);
        // Folders of 100 characters, then a file name that makes up the rest.
        std::string folder = m_dir.Path();
        while (want - folder.size() > 150) {
            folder += std::string(100, static_cast<char>('a' + folder.size() % 26));
            ASSERT_TRUE(cxplat::CreateFolder(folder.c_str()) || cxplat::FolderExists(folder.c_str()));
            folder += cxplat::kPathSep;
        }
        const std::string name = std::string(want - folder.size() - 4, 'n') + ".mdb";
        const std::string path = folder + name;
        ASSERT_EQ(path.size(), want);
        MakeBook(2, path);
        PmAddrInfo info(kAnyVersion);
        ASSERT_TRUE(info.LoadFile(path.c_str()));
        ASSERT_EQ(info.GetRecordCount(), 2u);
        ASSERT_TRUE(UpdateCompany(info, 0, "Long way"));
        EXPECT_EQ(Query("SELECT [Company] FROM Main WHERE [Record ID] = 1", path), (Rows{{"Long way"}}));
        PmAddrInfo probe(kAnyVersion);
        EXPECT_EQ(probe.DetectFileType(path.c_str()), PM_GEN_6X);
        TdmMain::Instance().CloseAll();
    }
}

// ---------------------------------------------------------------- read-only

TEST_F(SafeWriteTest, AReadOnlyStoreReadsButNeverWrites) {
    MakeBook(2);
    const std::string other = Path("Other.mdb");
    MakeBook(1, other);
    // The program's own store on the shared connection.
    PmAddrInfo info(kAnyVersion);
    ASSERT_TRUE(info.LoadFile(other.c_str()));
    {
        PmAddrEx2Util reader;
        reader.SetAccess(PM_ACCESS_READONLY);
        ASSERT_TRUE(reader.Load(Path().c_str()));
        ASSERT_EQ(reader.GetRecords()->GetCount(), 2);
        EXPECT_STREQ(reader.GetRecords()->GetAt(1)->m_szCategory, "Friends");
        const Rows before = Query("SELECT * FROM Main ORDER BY [Record ID]");
        PmAddrEx2Record changed = *reader.GetRecords()->GetAt(0);
        CxCopyText(changed.m_szCompany, "Never");
        PmAddrEx2Record added = MakeRecord(9);
        LogCapture log;
        EXPECT_FALSE(reader.WriteRecord(&changed));
        EXPECT_FALSE(reader.WriteRecord(&added));
        EXPECT_EQ(log.Count("[!!!] - Database Query Error, Query String=UPDATE Main"), 1) << log.Text();
        EXPECT_EQ(log.Count("[!!!] - Database Query Error, Query String=INSERT INTO Main"), 1);
        EXPECT_EQ(Query("SELECT * FROM Main ORDER BY [Record ID]"), before);
    }
    // The shared connection still serves the program's store.
    ASSERT_TRUE(UpdateCompany(info, 0, "Shared"));
    EXPECT_EQ(Query("SELECT [Company] FROM Main", other), (Rows{{"Shared"}}));
}

}  // namespace
}  // namespace palm6_test
