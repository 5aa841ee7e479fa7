// The contacts file of Palm Desktop 4.1.x: loading, saving, damaged files.
#include "common/palm/PalmAddrEx.h"

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

constexpr const char* kSrc = "PalmAddrEx.cpp";

class PalmAddrExTest : public ::testing::Test {
protected:
    std::string Path() const { return m_dir.File("address.dat"); }
    std::vector<uint8_t> Write(const ExLayout& layout) {
        auto bytes = BuildEx(layout);
        vt_test::WriteBytes(Path(), bytes);
        return bytes;
    }
    ExLayout Sample() const {
        ExLayout s = ExSample(Path());
        s.reserved1[0] = 0x11;
        s.reserved1[23] = 0x99;
        return s;
    }

    vt_test::TempDir m_dir;
    palm_test::LogCapture m_log;
};

TEST_F(PalmAddrExTest, LoadsTheKnownRows) {
    Write(Sample());
    PmAddrExUtil util(Path().c_str());
    ASSERT_TRUE(util.IsLoaded());
    EXPECT_STREQ(util.GetCustomLabel(0), "Label 1");
    EXPECT_STREQ(util.GetCustomLabel(8), "Label 9");
    EXPECT_EQ(util.GetReserved2()[10], 11);
    EXPECT_EQ(util.GetReserved3()[41], 0x24);
    EXPECT_EQ(util.GetReserved1()[23], 0x99);
    PmAddrExDataMgr* recs = util.GetRecords();
    ASSERT_EQ(recs->GetCount(), 3u);
    const PmAddrExRecord* r = recs->GetAt(0);
    EXPECT_EQ(r->nRecordId, 2000);
    EXPECT_EQ(r->nColumn1, 4096);
    EXPECT_STREQ(r->szFirstName, "John");
    EXPECT_STREQ(r->szLastName, "Smith");
    EXPECT_STREQ(r->szCompany, "Acme, Inc.");
    EXPECT_STREQ(r->szPhone[1], "555-0102");
    EXPECT_EQ(r->nPhoneKind[1], 1);
    EXPECT_STREQ(r->addresses[0].szStreet, "1 Work Rd");
    EXPECT_EQ(r->addresses[1].nKind, 1);
    EXPECT_STREQ(r->addresses[1].szStreet, "2 Home Ln");
    EXPECT_EQ(r->addresses[2].nKind, 2);
    EXPECT_STREQ(r->szIm1, "jsmith");
    EXPECT_EQ(r->nColumn66, 1);
    EXPECT_STREQ(r->szColumn69[3], "tail");
    double birthday = 0;
    memcpy(&birthday, r->birthday, 8);
    EXPECT_EQ(birthday, 29221.0);
    EXPECT_EQ(r->blocks[1].nWordA, 11u);
    EXPECT_EQ(r->blocks[1].data, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(r->blocks[2].nLength, 6u);
    EXPECT_STREQ(r->szCategory, "Business");
    EXPECT_STREQ(recs->GetAt(1)->szCategory, "Personal");
    EXPECT_STREQ(recs->GetAt(2)->szCategory, "Unfiled");

    for (const char* line :
         {"Check magic code successfully.", "Database version: 1094844928",
          "Reserved 1 Field: 11 00 00 00 00 00 00 00 00 00 00 00 03 10 00 00 00 00 00 00 00 00 00 99",
          "Reserved 2 Fields: 01 02 03 04 05 06 07 08 09 0a 0b", "Read category:Business",
          "Load Palm Desktop Contacts categories successfully.", "Fields Per Row:73",
          "Field (73) - 5", "Total Fields: 219", "Calculated Record Count: 3",
          "Palm Desktop Contacts records information is saved successfully.",
          "Palm Desktop Contacts information is loaded successfully."})
        EXPECT_TRUE(m_log.Has(2, kSrc, line)) << line;
    EXPECT_TRUE(m_log.Has(0, kSrc, "Record ID Position:0"));
}

TEST_F(PalmAddrExTest, LoadThenSaveReproducesTheFileByteForByte) {
    for (bool swap : {false, true}) {
        const auto original = Write(Sample());
        PmAddrExUtil util;
        util.SetSwapName(swap);
        ASSERT_TRUE(util.Load(Path().c_str()));
        ASSERT_TRUE(util.Save());
        EXPECT_EQ(vt_test::ReadBytes(Path()), original) << swap;
        EXPECT_FALSE(vt_test::Exists(Path() + ".vtnew"));
    }
    for (const char* line :
         {"Start saving Palm Desktop Contacts magic code information.",
          "Palm Desktop Contacts version information is saved successfully.",
          "Saving category [Personal]", "Palm Desktop Contacts categories are saved successfully.",
          "Total number of records: 3", "Save Palm Desktop Contacts database successfully."})
        EXPECT_TRUE(m_log.Has(2, kSrc, line)) << line;
}

TEST_F(PalmAddrExTest, NameSwapExchangesColumns13And14) {
    Write(Sample());
    PmAddrExUtil util;
    util.SetSwapName(true);
    ASSERT_TRUE(util.Load(Path().c_str()));
    EXPECT_STREQ(util.GetRecords()->GetAt(0)->szLastName, "John");
    EXPECT_STREQ(util.GetRecords()->GetAt(0)->szFirstName, "Smith");
}

TEST_F(PalmAddrExTest, SaveChangesOnlyWhatTheFormatRebuilds) {
    ExLayout in = Sample();
    const uint8_t prefix[5] = {1, 2, 3, 4, 5};
    memcpy(in.magicPrefix, prefix, 5);
    in.setReserved1Count = false;  // bytes 12 and 13 hold something else
    in.reserved1[12] = 0x77;
    in.labelWord = 0x12345678;
    in.categories = {{2, 3, "Personal", "p", 1}, {1, 1, "Business", ""}};
    Row row = ExSampleRow(1);
    row.intCodes[0] = 3;
    row.intCodes[6] = 1;
    row.intCodes[66] = 3;
    in.rows[1] = EncodeExRow(row);
    // column 65 stored with type code 0
    Bytes before = EncodeExRow(row, 65);
    in.rows[1].data[before.data.size()] = 0;
    Write(in);

    PmAddrExUtil util(Path().c_str());
    ASSERT_TRUE(util.IsLoaded());
    ASSERT_TRUE(util.Save());
    // The words after the labels come back as read.
    ExLayout expect = Sample();
    expect.labelWord = in.labelWord;
    EXPECT_EQ(vt_test::ReadBytes(Path()), BuildEx(expect));
}

TEST_F(PalmAddrExTest, ReservedCountBytesFollowTheRecordCount) {
    struct Case {
        size_t records;
        uint8_t b12, b13;
    };
    const Case cases[] = {{5, 0x05, 0x10}, {300, 0x2C, 0x11}, {0, 0x00, 0x10}};
    for (const Case& c : cases) {
        ExLayout s = Sample();
        s.rows.clear();
        for (size_t i = 0; i < c.records; ++i) s.rows.push_back(EncodeExRow(ExSampleRow(static_cast<int>(i % 3))));
        const auto original = Write(s);
        PmAddrExUtil util(Path().c_str());
        ASSERT_TRUE(util.IsLoaded());
        ASSERT_TRUE(util.Save());
        const auto saved = vt_test::ReadBytes(Path());
        EXPECT_EQ(saved[24 + 4 + 12], c.b12) << c.records;
        EXPECT_EQ(saved[24 + 4 + 13], c.b13) << c.records;
        EXPECT_EQ(saved, original);
    }
}

TEST_F(PalmAddrExTest, SaveGoesToTheLoadedFileNotTheStoredName) {
    // A copy whose stored name names another user's file.
    const std::string other = m_dir.File("other.dat");
    vt_test::WriteText(other, "another user's file");
    ExLayout s = Sample();
    s.dbName = other;
    const auto original = Write(s);
    PmAddrExUtil util(Path().c_str());
    ASSERT_TRUE(util.IsLoaded());
    EXPECT_STREQ(util.GetFileName(), other.c_str());
    EXPECT_STREQ(util.GetLoadedPath(), Path().c_str());
    ASSERT_TRUE(util.Save());
    EXPECT_EQ(vt_test::ReadText(other), "another user's file");
    EXPECT_EQ(vt_test::ReadBytes(Path()), original);  // the stored name stays
    EXPECT_TRUE(m_log.Has(2, kSrc, "Saving Palm Desktop Contacts database as file: " + Path()));

    // SaveAs writes its own path as the stored name.
    const std::string copy = m_dir.File("copy.dat");
    vt_test::WriteText(copy, "");
    ASSERT_TRUE(util.SaveAs(copy.c_str()));
    s.dbName = copy;
    EXPECT_EQ(vt_test::ReadBytes(copy), BuildEx(s));
    EXPECT_STREQ(util.GetFileName(), copy.c_str());
}

TEST_F(PalmAddrExTest, MagicAndVersionChecks) {
    ExLayout anyPrefix = Sample();
    const uint8_t prefix[5] = {0, 0, 0, 0, 0};
    memcpy(anyPrefix.magicPrefix, prefix, 5);
    Write(anyPrefix);
    EXPECT_TRUE(PmAddrExUtil(Path().c_str()).IsLoaded());

    ExLayout classicVersion = Sample();
    classicVersion.version = 0x41420100;
    Write(classicVersion);
    EXPECT_FALSE(PmAddrExUtil(Path().c_str()).IsLoaded());
    EXPECT_TRUE(m_log.Has(0, kSrc, "Incorrect database version:1094844672"));
    EXPECT_TRUE(m_log.Has(0, kSrc, "Failed to check database version."));

    ExLayout badMagic = Sample();
    badMagic.magicText = "PalmSG Database00RW";
    Write(badMagic);
    EXPECT_FALSE(PmAddrExUtil(Path().c_str()).IsLoaded());
    EXPECT_TRUE(m_log.Has(0, kSrc, "Incorrect database magic code: PalmSG Database00RW"));

    ClassicLayout classic = ClassicSample(Path());
    vt_test::WriteBytes(Path(), BuildClassic(classic));
    EXPECT_FALSE(PmAddrExUtil(Path().c_str()).IsLoaded());
    EXPECT_TRUE(m_log.Has(0, kSrc, "Failed to check magic code."));
}

TEST_F(PalmAddrExTest, DamagedFilesFailWithTheirLogLine) {
    struct Case {
        std::string what;
        std::vector<uint8_t> bytes;
        std::string line;
        size_t rowsKept;
    };
    std::vector<Case> cases;
    const auto good = BuildEx(Sample());
    {
        ExLayout s = Sample();
        s.labels[3] = std::string(32, 'L');
        vt_test::WriteBytes(Path(), BuildEx(s));
        PmAddrExUtil util(Path().c_str());
        EXPECT_TRUE(util.IsLoaded());
        EXPECT_EQ(std::string(util.GetCustomLabel(3)), std::string(32, 'L'));
        s.labels[3] = std::string(33, 'L');
        cases.push_back({"label of 33", BuildEx(s), "Failed to load custom labels information.", 0});
    }
    {
        ExLayout s = Sample();
        Row bad = ExSampleRow(1);
        bad.intCodes[18] = 1;
        s.rows[1] = EncodeExRow(bad);
        ExLayout head = s;
        head.rows.clear();
        // the reading stops after the type code of column 18 in row 1
        const size_t at = BuildEx(head).size() + s.rows[0].data.size() +
                          EncodeExRow(bad, 18).data.size() + 4;
        cases.push_back({"note with an integer", BuildEx(s),
                         "Error reading Palm Desktop Contacts, current file position: " + std::to_string(at), 1});
    }
    {
        ExLayout s = Sample();
        s.rows.resize(1);
        s.totalFields = 73;
        Bytes huge;  // block columns announcing far more than the file has
        Row r = ExSampleRow(0);
        s.rows[0] = EncodeExRow(r, 7);
        s.rows[0].U32(64).U32(0x7FFFFFF0u);
        cases.push_back({"huge block", BuildEx(s), "Failed to load Contacts records.", 0});
    }
    {
        ExLayout s = Sample();
        s.totalFields = 0xFFFFFFFFu;  // far more rows than the file has
        cases.push_back({"huge total", BuildEx(s), "Palm Desktop Contacts records are not saved successfully.", 3});
    }
    {
        ExLayout s = Sample();
        s.types.clear();  // no columns: rows would take no bytes
        s.totalFields = 73u * 1000000u;
        s.rows.clear();
        cases.push_back({"rows without columns", BuildEx(s), "Failed to load Contacts records.", 0});
    }
    {
        ExLayout s = Sample();
        s.fieldsPerRow = 0;
        s.totalFields = 219;
        cases.push_back({"zero fields per row", BuildEx(s), "Failed to load Contacts records.", 0});
    }
    cases.push_back({"cut in reserved 1", std::vector<uint8_t>(good.begin(), good.begin() + 40),
                     "Failed to read reserved 1 field. Content=11 00 00 00 00 00 00 00 00 00 00 00 00 "
                     "00 00 00 00 00 00 00 00 00 00 00, Size=24", 0});
    {
        const size_t end2 = 24 + 4 + 24 + 1 + Path().size() + 5;
        cases.push_back({"cut in reserved 2", std::vector<uint8_t>(good.begin(), good.begin() + end2),
                         "Failed to read reserved 2 field. Content=\x01\x02\x03\x04\x05, Size=5", 0});
    }
    cases.push_back({"only the magic", std::vector<uint8_t>(good.begin(), good.begin() + 24),
                     "Incorrect database version:0", 0});
    cases.push_back({"nothing", {}, "Failed to check magic code.", 0});
    for (const Case& c : cases) {
        vt_test::WriteBytes(Path(), c.bytes);
        m_log.Reset();
        PmAddrExUtil util(Path().c_str());
        EXPECT_FALSE(util.IsLoaded()) << c.what;
        EXPECT_TRUE(m_log.Has(0, kSrc, c.line)) << c.what << "\n" << m_log.Text();
        EXPECT_TRUE(m_log.Has(0, kSrc, "Can not load Palm Desktop Contacts: " + Path())) << c.what;
        EXPECT_EQ(util.GetRecords()->GetCount(), c.rowsKept) << c.what;
        EXPECT_EQ(vt_test::ReadBytes(Path()), c.bytes) << c.what;
    }
}

TEST_F(PalmAddrExTest, RecordCountAndUnknownCategory) {
    ExLayout s = Sample();
    s.rows.resize(2);
    s.totalFields = 146;
    Row r = ExSampleRow(0);
    r.ints[5] = 99;  // no such category
    s.rows[1] = EncodeExRow(r);
    Write(s);
    PmAddrExUtil util(Path().c_str());
    ASSERT_TRUE(util.IsLoaded());
    ASSERT_EQ(util.GetRecords()->GetCount(), 2u);
    EXPECT_STREQ(util.GetRecords()->GetAt(1)->szCategory, "");
}

TEST_F(PalmAddrExTest, AddedRecordIsWrittenWithZeroBlocks) {
    ExLayout s = Sample();
    Write(s);
    PmAddrExUtil util(Path().c_str());
    ASSERT_TRUE(util.IsLoaded());
    PmAddrExRecord added{};
    added.nStatus = 1;
    added.nColumn1 = 3 + 4096;
    added.nColumn3 = 3 * 73;
    added.nPlacement = 0x7FFFFFFF;
    added.addresses[1].nKind = 1;
    added.addresses[2].nKind = 2;
    CxCopyText(added.szFirstName, "Ann");
    ASSERT_TRUE(util.GetCategoryId("business", added.nCategoryId, true));
    util.GetRecords()->AddCopy(added);
    ASSERT_TRUE(util.Save());

    Row row;
    row.ints[1] = 3 + 4096;
    row.ints[2] = 1;
    row.ints[3] = 3 * 73;
    row.ints[4] = 0x7FFFFFFF;
    row.ints[5] = 1;
    row.ints[48] = 1;
    row.ints[54] = 2;
    row.texts[13] = "Ann";
    s.rows.push_back(EncodeExRow(row));
    EXPECT_EQ(vt_test::ReadBytes(Path()), BuildEx(s));
}

TEST_F(PalmAddrExTest, SchemaOutsideTheLayoutLoadsButIsNotSaved) {
    ExLayout wide = Sample();
    wide.fieldsPerRow = 75;
    wide.types.push_back(1);
    wide.types.push_back(5);
    wide.rows.clear();
    for (int i = 0; i < 3; ++i) {
        Bytes r = EncodeExRow(ExSampleRow(i));
        r.IntVal(5).TextVal("more");
        wide.rows.push_back(r);
    }
    ExLayout mismatch = Sample();
    mismatch.fieldsPerRow = 72;  // 73 types, rows of 73: the count is 219 / 72
    mismatch.totalFields = 216;
    struct Case {
        const char* what;
        ExLayout layout;
        size_t rows;
    };
    const Case cases[] = {{"75 columns", wide, 3}, {"72 fields per row, 73 types", mismatch, 3}};
    for (const Case& c : cases) {
        const auto bytes = Write(c.layout);
        m_log.Reset();
        PmAddrExUtil util(Path().c_str());
        ASSERT_TRUE(util.IsLoaded()) << c.what << m_log.Text();
        ASSERT_EQ(util.GetRecords()->GetCount(), c.rows) << c.what;
        EXPECT_STREQ(util.GetRecords()->GetAt(2)->szLastName, "M\xfcller") << c.what;
        EXPECT_FALSE(util.Save()) << c.what;
        EXPECT_TRUE(m_log.Has(0, kSrc, "Failed to save Palm Desktop Contacts database."));
        EXPECT_EQ(vt_test::ReadBytes(Path()), bytes) << c.what;
    }
    // Values of columns beyond the layout are passed over; said once per file.
    Write(wide);
    m_log.Reset();
    PmAddrExUtil util(Path().c_str());
    ASSERT_TRUE(util.IsLoaded());
    EXPECT_TRUE(m_log.Has(0, kSrc,
                          "Unknown column (73) in the contacts rows, its values are skipped."));
    EXPECT_FALSE(m_log.Has(0, kSrc,
                           "Unknown column (74) in the contacts rows, its values are skipped."));
    EXPECT_EQ(m_log.Text().find("Unknown column (73)"), m_log.Text().rfind("Unknown column (73)"));
}

TEST_F(PalmAddrExTest, FailedOrRefusedSavesLeaveTheFileAsItWas) {
    const auto original = Write(Sample());
    PmAddrExUtil util(Path().c_str());
    ASSERT_TRUE(util.IsLoaded());

    // A write that fails after most of the file was written.
    PmAddrExRecord* last = util.GetRecords()->GetAt(2);
    last->blocks[2].data.clear();  // announces 6 bytes it does not have
    m_log.Reset();
    EXPECT_FALSE(util.Save());
    EXPECT_TRUE(m_log.Has(0, kSrc, "Failed to save Contacts records."));
    EXPECT_TRUE(m_log.Has(0, kSrc, "Failed to save Palm Desktop Contacts database."));
    EXPECT_EQ(vt_test::ReadBytes(Path()), original);
    EXPECT_FALSE(vt_test::Exists(Path() + ".vtnew"));
    last->blocks[2].data = {9, 8, 7, 6, 5, 4};

    // While another program holds the file: neither loaded nor saved.
    FILE* holder = cxplat::OpenExclusive(Path().c_str(), "r+b");
    ASSERT_NE(holder, nullptr);
    m_log.Reset();
    EXPECT_FALSE(util.Save());
    EXPECT_TRUE(m_log.Has(0, kSrc, "Failed to open file: " + Path()));
    PmAddrExUtil blocked(Path().c_str());
    EXPECT_FALSE(blocked.IsLoaded());
    fclose(holder);
    EXPECT_EQ(vt_test::ReadBytes(Path()), original);

    // A shorter file leaves no stale bytes.
    ASSERT_EQ(util.GetRecords()->GetCount(), 3u);
    CxCopyText(util.GetRecords()->GetAt(0)->szNote, "");
    ASSERT_TRUE(util.Save());
    ExLayout expect = Sample();
    Row row = ExSampleRow(0);
    row.texts.erase(18);
    expect.rows[0] = EncodeExRow(row);
    EXPECT_EQ(vt_test::ReadBytes(Path()), BuildEx(expect));
}

TEST_F(PalmAddrExTest, LoadByUserUsesTheUserFolder) {
    const std::string folder = m_dir.File("JohnS") + cxplat::kPathSep;
    ASSERT_TRUE(cxplat::CreateFolder(folder.c_str()));
    ASSERT_TRUE(cxplat::CreateFolder((folder + "address").c_str()));
    const std::string path = folder + "address" + cxplat::kPathSep + "address.dat";
    vt_test::WriteBytes(path, BuildEx(ExSample(path)));
    PmSetUserFolderFinder([&](uint32_t id, char* buf, size_t size) {
        if (id != 5) return false;
        CxCopyText(buf, size, folder.c_str());
        return true;
    });
    PmAddrExUtil util;
    EXPECT_TRUE(util.LoadByUser(5));
    EXPECT_EQ(util.GetRecords()->GetCount(), 3u);
    EXPECT_TRUE(m_log.Has(2, kSrc, "Start loading Palm Desktop Contacts by user ID: 5"));
    EXPECT_TRUE(m_log.Has(2, kSrc, "Get user file successfully, try loading file:" + path));
    EXPECT_FALSE(util.LoadByUser(6));
    EXPECT_TRUE(m_log.Has(0, kSrc, "Failed to get user database path by user ID."));
    PmSetUserFolderFinder(nullptr);
}

TEST(PalmAddrExRecords, CopiesCarryTheirBlockData) {
    PmAddrExDataMgr mgr;
    PmAddrExRecord r{};
    r.blocks[0].nType = 64;
    r.blocks[0].nSize = 5;
    r.blocks[0].nLength = 5;
    r.blocks[0].data = {1, 2, 3, 4, 5};
    ASSERT_TRUE(mgr.AddCopy(r));
    PmAddrExDataMgr::FreeBlocks(r);
    EXPECT_TRUE(r.blocks[0].data.empty());
    EXPECT_EQ(mgr.GetAt(0)->blocks[0].data.size(), 5u);
    PmAddrExRecord c{};
    PmAddrExDataMgr::CopyRecord(c, *mgr.GetAt(0));
    mgr.Clear();
    EXPECT_EQ(c.blocks[0].data, (std::vector<uint8_t>{1, 2, 3, 4, 5}));
}

}  // namespace
