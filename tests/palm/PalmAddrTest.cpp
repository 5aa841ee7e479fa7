// The classic address book file: loading, saving, damaged files.
#include "common/palm/PalmAddr.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/misc/CxPlatform.h"
#include "common/misc/CxText.h"
#include "palm/PalmFixture.h"
#include "palm/PalmTestUtil.h"
#include "support/TestSupport.h"

using namespace palm_fixture;

namespace {

constexpr const char* kSrc = "PalmAddr.cpp";

class PalmAddrTest : public ::testing::Test {
protected:
    std::string Path() const { return m_dir.File("address.dat"); }
    std::vector<uint8_t> Write(const ClassicLayout& layout) {
        auto bytes = BuildClassic(layout);
        vt_test::WriteBytes(Path(), bytes);
        return bytes;
    }

    vt_test::TempDir m_dir;
    palm_test::LogCapture m_log;
};

TEST_F(PalmAddrTest, LoadsTheKnownRows) {
    Write(ClassicSample(Path()));
    PmAddrUtil util(Path().c_str());
    ASSERT_TRUE(util.IsLoaded());
    EXPECT_STREQ(util.GetFileName(), Path().c_str());
    EXPECT_STREQ(util.GetCustomLabels(), "Birthday\nSpouse\nWeb\nPager\n");
    PmAddrDataMgr* recs = util.GetRecords();
    ASSERT_EQ(recs->GetCount(), 3u);
    const PmAddrRecord* r = recs->GetAt(0);
    EXPECT_EQ(r->nRecordId, 1000);
    EXPECT_STREQ(r->szLastName, "Smith");
    EXPECT_STREQ(r->szFirstName, "John");
    EXPECT_STREQ(r->szCompany, "Acme, Inc.");
    EXPECT_EQ(r->nPhoneKind[1], 4);
    EXPECT_STREQ(r->szPhone[1], "john@example.com");
    EXPECT_STREQ(r->szNote, "Line one\r\nLine two");
    EXPECT_STREQ(r->szCustom[0], "Custom value");
    EXPECT_EQ(r->nColumn29, 7);
    EXPECT_EQ(r->nCategoryId, 1);
    EXPECT_STREQ(r->szCategory, "Business");
    EXPECT_STREQ(recs->GetAt(1)->szCategory, "Personal");
    EXPECT_EQ(recs->GetAt(1)->nPrivate, 1);
    EXPECT_STREQ(recs->GetAt(2)->szCategory, "Unfiled");
    EXPECT_STREQ(recs->GetAt(2)->szLastName, "M\xfcller");

    EXPECT_TRUE(m_log.Has(2, kSrc, "Loading Palm Desktop Address Book:" + Path()));
    EXPECT_TRUE(m_log.Has(2, kSrc, "Read Palm Desktop address book database file name: " + Path()));
    EXPECT_TRUE(m_log.Has(2, kSrc, "Based on calculation, there are 3 records in total."));
    EXPECT_TRUE(m_log.Has(2, kSrc,
                          "Palm Desktop address book database is loaded successfully. 3 "
                          "record(s) are loaded in total."));
    EXPECT_TRUE(m_log.Has(2, kSrc, "Palm Desktop address book category information was loaded successfully."));
    EXPECT_TRUE(m_log.Has(2, kSrc, "Palm Desktop address book was loaded successfully."));
}

TEST_F(PalmAddrTest, LoadThenSaveReproducesTheFileByteForByte) {
    for (bool swap : {false, true}) {
        const auto original = Write(ClassicSample(Path()));
        PmAddrUtil util;
        util.SetSwapName(swap);
        ASSERT_TRUE(util.Load(Path().c_str()));
        ASSERT_TRUE(util.SaveAs(util.GetFileName()));
        EXPECT_EQ(vt_test::ReadBytes(Path()), original) << swap;
        EXPECT_FALSE(vt_test::Exists(Path() + ".vtnew"));
    }
    EXPECT_TRUE(m_log.Has(2, kSrc, "Save Palm Desktop address book database as file: " + Path()));
    EXPECT_TRUE(m_log.Has(2, kSrc, "There are 3 address book in total"));
    EXPECT_TRUE(m_log.Has(2, kSrc, "Skip the \"unfiled\" category."));
    EXPECT_TRUE(m_log.Has(2, kSrc, "Category not found by index, skip this one."));
    EXPECT_TRUE(m_log.Has(2, kSrc, "Palm Desktop address book database saved successfully."));
}

TEST_F(PalmAddrTest, SaveChangesOnlyWhatTheFormatRebuilds) {
    // Stored differently from how the writer writes: the database name of
    // another place, a fifth label, integer codes 3 and 6, extra words,
    // categories out of order with a changed mark and odd file names.
    ClassicLayout in = ClassicSample("D:\\elsewhere\\address.dat");
    in.labels = "One\nTwo\nThree\nFour\nFive\n";
    in.categories = {{2, 3, "Personal", "whatever", 1}, {1, 1, "Business", "x"}};
    Row row = ClassicSampleRow(0);
    row.intCodes[0] = 3;
    row.intCodes[7] = 6;
    row.intCodes[23] = 1;
    Bytes odd = EncodeClassicRow(row);
    // the extra word of column 5 (title): after columns 0-4
    Bytes head = EncodeClassicRow(row, 5);
    odd.data[head.data.size() + 4] = 9;
    in.rows[0] = odd;
    Write(in);

    // The label text comes back whole, the fifth label too.
    ClassicLayout expect = ClassicSample(Path());
    expect.labels = in.labels;
    PmAddrUtil util(Path().c_str());
    ASSERT_TRUE(util.IsLoaded());
    EXPECT_TRUE(m_log.Has(2, kSrc,
                          "For Palm Desktop ealier than v4.1.2, the max custom label is 4. Break now."));
    EXPECT_STREQ(util.GetCustomLabels(), "One\nTwo\nThree\nFour\n");
    ASSERT_TRUE(util.SaveAs(Path().c_str()));
    EXPECT_EQ(vt_test::ReadBytes(Path()), BuildClassic(expect));
}

TEST_F(PalmAddrTest, CustomLabelBlocks) {
    struct Case {
        std::string stored;
        std::string kept;
    };
    const Case cases[] = {
        {"A\nB\nC\n", "A\nB\nC\n"},
        {"A\nB\nC\nD\nE\n", "A\nB\nC\nD\n"},
        {std::string(300, 'x') + "\n" + std::string(300, 'y') + "\nz\n",
         std::string(300, 'x') + "\n" + std::string(210, 'y')},
        {"", ""},
    };
    for (const Case& c : cases) {
        ClassicLayout layout = ClassicSample(Path());
        layout.labels = c.stored;
        Write(layout);
        PmAddrUtil util(Path().c_str());
        ASSERT_TRUE(util.IsLoaded()) << c.stored.size();
        EXPECT_EQ(std::string(util.GetCustomLabels()), c.kept);
        // The category block after the labels was found.
        EXPECT_STREQ(util.GetRecords()->GetAt(0)->szCategory, "Business");
    }
}

TEST_F(PalmAddrTest, RecordCountComesFromTheTotalFieldCount) {
    ClassicLayout layout = ClassicSample(Path());
    layout.totalFields = 95;  // 3 rows; the 5 values beyond are never read
    layout.trailer.U32(0xDEAD);
    Write(layout);
    PmAddrUtil util(Path().c_str());
    ASSERT_TRUE(util.IsLoaded());
    EXPECT_EQ(util.GetRecords()->GetCount(), 3u);
}

TEST_F(PalmAddrTest, NameSwapExchangesColumnsThreeAndFour) {
    Write(ClassicSample(Path()));
    PmAddrUtil util;
    util.SetSwapName(true);
    ASSERT_TRUE(util.Load(Path().c_str()));
    const PmAddrRecord* r = util.GetRecords()->GetAt(0);
    EXPECT_STREQ(r->szFirstName, "Smith");
    EXPECT_STREQ(r->szLastName, "John");
}

TEST_F(PalmAddrTest, EmptyFileAndAddedRecord) {
    ClassicLayout layout = ClassicSample(Path());
    layout.rows.clear();
    const auto original = Write(layout);
    PmAddrUtil util(Path().c_str());
    ASSERT_TRUE(util.IsLoaded());
    EXPECT_EQ(util.GetRecords()->GetCount(), 0u);
    ASSERT_TRUE(util.SaveAs(Path().c_str()));
    EXPECT_EQ(vt_test::ReadBytes(Path()), original);

    PmAddrRecord added{};
    added.nRecordId = 0;
    added.nStatus = 1;
    added.nPlacement = 0x7FFFFFFF;
    CxCopyText(added.szLastName, "New");
    ASSERT_TRUE(util.GetCategoryId("Hobby", added.nCategoryId, true));
    EXPECT_EQ(added.nCategoryId, 4);
    util.GetRecords()->AddCopy(added);
    ASSERT_TRUE(util.SaveAs(Path().c_str()));

    Row row;
    row.ints[1] = 1;
    row.ints[2] = 0x7FFFFFFF;
    row.texts[3] = "New";
    row.ints[24] = 4;
    layout.categories.push_back({3, 4, "Hobby", ""});
    layout.rows = {EncodeClassicRow(row)};
    EXPECT_EQ(vt_test::ReadBytes(Path()), BuildClassic(layout));
}

TEST_F(PalmAddrTest, LongTextsAreCutToTheirField) {
    ClassicLayout layout = ClassicSample(Path());
    Row row = ClassicSampleRow(0);
    row.texts[5] = std::string(100, 't');
    row.texts[22] = std::string(9000, 'n');
    layout.rows[0] = EncodeClassicRow(row);
    Write(layout);
    PmAddrUtil util(Path().c_str());
    ASSERT_TRUE(util.IsLoaded());
    const PmAddrRecord* r = util.GetRecords()->GetAt(0);
    EXPECT_EQ(std::string(r->szTitle), std::string(31, 't'));
    EXPECT_EQ(std::string(r->szNote), std::string(8191, 'n'));
    EXPECT_STREQ(util.GetRecords()->GetAt(1)->szLastName, "O'Hara");
}

TEST_F(PalmAddrTest, DamagedFilesFailWithTheirLogLine) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* line;
        size_t rowsKept;
    };
    std::vector<Case> cases;
    {
        ClassicLayout s = ClassicSample(Path());
        Row bad = ClassicSampleRow(2);
        bad.intCodes[5] = 1;  // not a text value
        s.rows[2] = EncodeClassicRow(bad);
        cases.push_back({"text column with an integer", BuildClassic(s),
                         "Failed to load Palm Desktop address book records.", 2});
    }
    {
        auto ex = BuildEx(ExSample(Path()));
        cases.push_back({"4.1.x file", ex, "Failed to check Palm Desktop address book file version.", 0});
    }
    const auto good = BuildClassic(ClassicSample(Path()));
    cases.push_back({"empty file", {}, "Failed to check Palm Desktop address book file version.", 0});
    cases.push_back({"only the tag", std::vector<uint8_t>(good.begin(), good.begin() + 4),
                     "Failed to read Palm Desktop address book database file name.", 0});
    {
        ClassicLayout s = ClassicSample(std::string(261, 'p'));
        cases.push_back({"database name of 261", BuildClassic(s),
                         "Failed to read Palm Desktop address book database file name.", 0});
    }
    {
        Bytes b;
        b.U32(0x41420100).Str("n").U8(0xFF).U8(3);
        cases.push_back({"cut label length", b.data, "Incorrect custom label length reading.", 0});
        Bytes c;
        c.U32(0x41420100).Str("n").U8(10).Raw("abc");
        cases.push_back({"cut labels", c.data, "Custom label content reading error.", 0});
        Bytes d;
        d.U32(0x41420100).Str("n");
        cases.push_back({"no labels", d.data, "Failed to read the length of custom labels.", 0});
    }
    {
        ClassicLayout s = ClassicSample(Path());
        s.categories = {{1, 0, "Zero", ""}};
        cases.push_back({"category ID 0", BuildClassic(s), "Failed to add category information.", 0});
    }
    {
        ClassicLayout s = ClassicSample(Path());
        s.rows.clear();
        auto b = BuildClassic(s);
        b.resize(b.size() - 4 - 2 - 1);  // into field type 28
        cases.push_back({"cut schema", b, "Failed to read field type information. Field index=28", 0});
    }
    {
        auto b = good;
        b.resize(b.size() - 3);
        cases.push_back({"cut last row", b, "Failed to load Palm Desktop address book records.", 2});
    }
    for (const Case& c : cases) {
        vt_test::WriteBytes(Path(), c.bytes);
        m_log.Reset();
        PmAddrUtil util(Path().c_str());
        EXPECT_FALSE(util.IsLoaded()) << c.what;
        EXPECT_TRUE(m_log.Has(0, kSrc, c.line)) << c.what << "\n" << m_log.Text();
        EXPECT_TRUE(m_log.Has(0, kSrc, "Can not load Palm Desktop Contacts: " + Path())) << c.what;
        EXPECT_EQ(util.GetRecords()->GetCount(), c.rowsKept) << c.what;
        EXPECT_EQ(vt_test::ReadBytes(Path()), c.bytes) << c.what;
    }
    EXPECT_FALSE(PmAddrUtil(m_dir.File("missing.dat").c_str()).IsLoaded());
    EXPECT_TRUE(m_log.Has(0, kSrc, "Failed to open Palm Desktop address book file: " + m_dir.File("missing.dat")));
}

TEST_F(PalmAddrTest, SchemaOutsideTheLayoutLoadsButIsNotSaved) {
    // 32 columns: the two unknown ones are passed over by their type codes.
    ClassicLayout wide = ClassicSample(Path());
    wide.fieldsPerRow = 32;
    wide.types.push_back(5);
    wide.types.push_back(64);
    wide.rows.clear();
    for (int i = 0; i < 3; ++i) {
        Bytes r = EncodeClassicRow(ClassicSampleRow(i));
        r.TextVal("extra").BlockVal(64, 6, 0, 0, {1, 2, 3, 4, 5, 6});
        wide.rows.push_back(r);
    }
    ClassicLayout zero = ClassicSample(Path());
    zero.fieldsPerRow = 0;
    zero.rows.clear();
    ClassicLayout zeroWithValues = zero;
    zeroWithValues.totalFields = 30;
    ClassicLayout mismatch = ClassicSample(Path());
    mismatch.types.pop_back();  // 29 types for 30 fields per row

    struct Case {
        const char* what;
        ClassicLayout layout;
        bool loads;
        size_t rows;
    };
    const Case cases[] = {
        {"32 columns", wide, true, 3},
        {"0 fields per row", zero, true, 0},
        {"0 fields per row with values", zeroWithValues, false, 0},
        {"29 types for 30 columns", mismatch, true, 3},
    };
    for (const Case& c : cases) {
        const auto bytes = Write(c.layout);
        m_log.Reset();
        PmAddrUtil util(Path().c_str());
        ASSERT_EQ(util.IsLoaded(), c.loads) << c.what;
        EXPECT_EQ(util.GetRecords()->GetCount(), c.rows) << c.what;
        if (!c.loads) continue;
        if (c.rows) {
            EXPECT_STREQ(util.GetRecords()->GetAt(2)->szLastName, "M\xfcller") << c.what;
        }
        EXPECT_FALSE(util.IsSchemaWritable());
        EXPECT_FALSE(util.SaveAs(Path().c_str())) << c.what;
        EXPECT_EQ(vt_test::ReadBytes(Path()), bytes) << c.what;
    }
    Write(wide);
    m_log.Reset();
    PmAddrUtil util(Path().c_str());
    EXPECT_TRUE(m_log.Has(0, kSrc, "Unknown field ID read (ID=30), ignore it."));
    EXPECT_TRUE(m_log.Has(0, kSrc, "Unknown field ID read (ID=31), ignore it."));
}

TEST_F(PalmAddrTest, SavesAreSafe) {
    const auto original = Write(ClassicSample(Path()));
    PmAddrUtil util(Path().c_str());
    ASSERT_TRUE(util.IsLoaded());

    // Another holder: the save is refused and changes nothing.
    FILE* holder = cxplat::OpenExclusive(Path().c_str(), "rb");
    ASSERT_NE(holder, nullptr);
    m_log.Reset();
    EXPECT_FALSE(util.SaveAs(Path().c_str()));
    EXPECT_TRUE(m_log.Has(0, kSrc, "Failed to open Palm Desktop address book database file."));
    fclose(holder);
    EXPECT_EQ(vt_test::ReadBytes(Path()), original);

    // A place for the new content that cannot be made: nothing changes.
    ASSERT_TRUE(cxplat::CreateFolder((Path() + ".vtnew").c_str()));
    EXPECT_FALSE(util.SaveAs(Path().c_str()));
    EXPECT_EQ(vt_test::ReadBytes(Path()), original);
    ASSERT_TRUE(vt_test::Exists(Path() + ".vtnew"));
    std::remove((Path() + ".vtnew").c_str());
#ifdef _WIN32
    ::_rmdir((Path() + ".vtnew").c_str());
#endif

    // A save to a file that is not there fails.
    EXPECT_FALSE(util.SaveAs(m_dir.File("nothere.dat").c_str()));
    EXPECT_FALSE(vt_test::Exists(m_dir.File("nothere.dat")));
    EXPECT_FALSE(util.SaveAs(""));

    // Shorter content leaves no stale bytes behind.
    CxCopyText(util.GetRecords()->GetAt(0)->szNote, "short");
    ASSERT_TRUE(util.SaveAs(Path().c_str()));
    PmAddrUtil back(Path().c_str());
    ASSERT_TRUE(back.IsLoaded());
    EXPECT_STREQ(back.GetRecords()->GetAt(0)->szNote, "short");
    ClassicLayout expect = ClassicSample(Path());
    Row row = ClassicSampleRow(0);
    row.texts[22] = "short";
    expect.rows[0] = EncodeClassicRow(row);
    EXPECT_EQ(vt_test::ReadBytes(Path()), BuildClassic(expect));
}

TEST_F(PalmAddrTest, LoadByUserUsesTheUserFolder) {
    const std::string folder = m_dir.File("JohnS") + cxplat::kPathSep;
    ASSERT_TRUE(cxplat::CreateFolder(folder.c_str()));
    ASSERT_TRUE(cxplat::CreateFolder((folder + "address").c_str()));
    const std::string path = folder + "address" + cxplat::kPathSep + "address.dat";
    vt_test::WriteBytes(path, BuildClassic(ClassicSample(path)));
    PmSetUserFolderFinder([&](uint32_t id, char* buf, size_t size) {
        if (id != 42) return false;
        CxCopyText(buf, size, folder.c_str());
        return true;
    });
    PmAddrUtil util;
    EXPECT_TRUE(util.LoadByUser(42));
    EXPECT_EQ(util.GetRecords()->GetCount(), 3u);
    EXPECT_TRUE(m_log.Has(2, kSrc, "Loading Palm Desktop address book file by user: User(42) - File(" + path + ")"));
    EXPECT_FALSE(util.LoadByUser(7));
    EXPECT_TRUE(m_log.Has(0, kSrc, "Failed to get Palm Desktop data path by user, User ID=7"));
    PmSetUserFolderFinder(nullptr);
    EXPECT_FALSE(util.LoadByUser(42));
}

}  // namespace
