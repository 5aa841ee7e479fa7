// palmdump: the listing of both formats and its refusals.
#include "tools/palmdump/PalmDump.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "common/misc/CxPlatform.h"
#include "palm/PalmFixture.h"
#include "palm/PalmTestUtil.h"
#include "support/TestSupport.h"

using namespace palm_fixture;

namespace {

class PalmDumpTest : public ::testing::Test {
protected:
    std::string Path() const { return m_dir.File("address.dat"); }
    std::string Dump(bool json, bool expectOk = true) {
        std::ostringstream out;
        m_reason.clear();
        EXPECT_EQ(PalmDump(Path().c_str(), json, out, m_reason), expectOk) << m_reason;
        return out.str();
    }
    vt_test::TempDir m_dir;
    palm_test::LogCapture m_log;  // keeps the always-written lines out of the working folder
    std::string m_reason;
};

TEST_F(PalmDumpTest, ListsTheClassicFixture) {
    const auto bytes = BuildClassic(ClassicSample("C:\\Palm\\JohnS\\address\\address.dat"));
    vt_test::WriteBytes(Path(), bytes);
    EXPECT_EQ(PalmDumpDetect(Path().c_str()), PmFileFormat::Classic);
    const std::string text = Dump(false);
    const std::string expectHead =
        "Format: Palm Desktop classic address book file\n"
        "Stored file name: C:\\Palm\\JohnS\\address\\address.dat\n"
        "Custom labels:\n  1: Birthday\n  2: Spouse\n  3: Web\n  4: Pager\n"
        "Categories (index, ID, name):\n  0, 0, Unfiled\n  1, 1, Business\n  2, 3, Personal\n"
        "Schema: resource ID 74, fields per row 30, record ID position 0, status position 1, "
        "placement position 2, field count 30\n"
        "Field types: 1 1 1 5 5 5 5 1 5 1 5 1 5 1 5 1 5 5 5 5 5 5 5 6 1 5 5 5 5 1\n"
        "Records: 3\n"
        "Record ID,Status,Placement,Last Name,First Name,Title,Company,Phone 1 Kind,Phone 1,"
        "Phone 2 Kind,Phone 2,Phone 3 Kind,Phone 3,Phone 4 Kind,Phone 4,Phone 5 Kind,Phone 5,"
        "Address,City,State,Postal Code,Country,Note,Private,Category ID,Custom 1,Custom 2,"
        "Custom 3,Custom 4,Column 29,Category\n"
        "1000,0,0,Smith,John,Manager,\"Acme, Inc.\",0,555-0100,4,john@example.com,0,,0,,0,,"
        "1 Main St,Springfield,IL,62701,USA,\"Line one\r\nLine two\",0,1,Custom value,,,,7,Business\n";
    EXPECT_EQ(text.substr(0, expectHead.size()), expectHead);
    EXPECT_NE(text.find("1002,0,2,M\xc3\xbcller,J\xc3\xbcrgen,"), std::string::npos);  // UTF-8
    EXPECT_EQ(vt_test::ReadBytes(Path()), bytes);
}

TEST_F(PalmDumpTest, ListsThe41xFixtureAsJson) {
    const auto bytes = BuildEx(ExSample("C:\\Palm\\JohnS\\address\\address.dat"));
    vt_test::WriteBytes(Path(), bytes);
    EXPECT_EQ(PalmDumpDetect(Path().c_str()), PmFileFormat::Contacts41);
    const std::string json = Dump(true);
    for (const char* part :
         {"\"format\": \"Palm Desktop 4.1.x contacts file\"",
          "\"storedFileName\": \"C:\\\\Palm\\\\JohnS\\\\address\\\\address.dat\"",
          "\"customLabels\": [\"Label 1\", \"Label 2\", \"\", \"Label 4\", \"\", \"\", \"\", \"\", \"Label 9\"]",
          "{\"index\": 2, \"id\": 3, \"name\": \"Personal\"}",
          "\"fieldsPerRow\": 73", "\"records\": [\n    {\"Record ID\": 2000, \"Column 1\": 4096",
          "\"First Name\": \"John\", \"Last Name\": \"Smith\"",
          "\"Block 2\": \"type 65 size 2 a 11 b 12 data 010203\"", "\"Birthday\": 29221,",
          "\"Work Street\": \"1 Work Rd\"", "\"Category\": \"Business\"}",
          "\"Last Name\": \"M\xc3\xbcller\""})
        EXPECT_NE(json.find(part), std::string::npos) << part << "\n" << json.substr(0, 3000);
    EXPECT_EQ(vt_test::ReadBytes(Path()), bytes);
    const std::string text = Dump(false);
    EXPECT_NE(text.find("Records: 3\nRecord ID,Column 1,Status,"), std::string::npos);
}

// Texts longer than their fields and the labels after the fourth line feed
// are listed whole; the bytes after the last row are counted.
TEST_F(PalmDumpTest, ListsStoredTextsWholeAndTheBytesAfterTheRows) {
    const std::string longName(40, 'L');
    const std::string longMail = std::string(37, 'm') + "@example.com";
    ClassicLayout l = ClassicSample("address.dat");
    l.labels = "One\nTwo\nThree\nFour\nFive\n";
    Row row = ClassicSampleRow(0);
    row.texts[3] = longName;
    row.texts[10] = longMail;
    l.rows[0] = EncodeClassicRow(row);
    l.trailer.Raw(std::string(5, 'z'));
    vt_test::WriteBytes(Path(), BuildClassic(l));
    const std::string text = Dump(false);
    EXPECT_NE(text.find("1000,0,0," + longName + ",John,"), std::string::npos) << text;
    EXPECT_NE(text.find(",4," + longMail + ","), std::string::npos);
    EXPECT_NE(text.find("  5: Five\n"), std::string::npos);
    EXPECT_NE(text.find("Bytes after the last row: 5\n"), std::string::npos);

    // A row after the announced count.
    l.totalFields = 2 * 30;
    l.trailer = Bytes();
    vt_test::WriteBytes(Path(), BuildClassic(l));
    EXPECT_NE(Dump(false).find("Bytes after the last row: " + std::to_string(l.rows[2].data.size()) +
                               " (they hold at least one further complete row)\n"),
              std::string::npos);
    const std::string json = Dump(true);
    EXPECT_NE(json.find("\"furtherCompleteRow\": true"), std::string::npos);
}

TEST_F(PalmDumpTest, RefusesWhatItCannotRead) {
    Dump(false, false);
    EXPECT_EQ(m_reason, "no such file");
    vt_test::WriteText(Path(), "hello, world: not a contacts file");
    Dump(false, false);
    EXPECT_NE(m_reason.find("not a Palm Desktop contacts file"), std::string::npos);
    auto bytes = BuildEx(ExSample(Path()));
    bytes.resize(bytes.size() - 10);
    vt_test::WriteBytes(Path(), bytes);
    EXPECT_EQ(Dump(false, false), "");
    EXPECT_EQ(m_reason, "damaged Palm Desktop 4.1.x contacts file");
    EXPECT_EQ(vt_test::ReadBytes(Path()), bytes);
    vt_test::WriteBytes(Path(), BuildClassic(ClassicSample(Path())));
    FILE* holder = cxplat::OpenExclusive(Path().c_str(), "rb");
    ASSERT_NE(holder, nullptr);
    Dump(false, false);
    EXPECT_NE(m_reason.find("in use"), std::string::npos);
    fclose(holder);
}

}  // namespace
