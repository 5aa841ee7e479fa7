// A 6.x Address.mdb through vtexport: whole texts wider than the common
// fields, phone labels, website, profession, custom 11 to 14, dates, and
// texts in the program's own code page whatever --codepage says.
#include <gtest/gtest.h>

#include <sstream>

#include "palm6/Fixture.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"
#include "tools/vtexport/VtExport.h"

namespace {

int Export(const std::vector<std::string>& args, std::string& out, std::string& err) {
    std::vector<const char*> argv{"vtexport"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::ostringstream o, e;
    const int code = VtExportRun(static_cast<int>(argv.size()), argv.data(), o, e);
    out = o.str();
    err = e.str();
    return code;
}

TEST(Palm6ExportTest, ExportsTheDatabaseWithWholeTextsAndNativeValues) {
    vt_test::LogCapture log;
    vt_test::TempDir dir;
    const std::string path = dir.File("Address.mdb");
    {
        palm6_test::Fixture db(path);
        ASSERT_TRUE(db.Ok()) << db.Error();
        ASSERT_TRUE(db.AddCategory(1, "Business"));
        PmAddrEx2Record r;
        ClearRecord(r);
        r.m_nRecordID = 7;
        r.m_nCategoryID = 1;
        r.m_bPrivate = 1;
        const std::string longFirst(50, 'F');  // the common field holds 31
        snprintf(r.m_szFirstName, sizeof r.m_szFirstName, "%s", longFirst.c_str());
        snprintf(r.m_szLastName, sizeof r.m_szLastName, "Zo\xeb");
        snprintf(r.m_szCompany, sizeof r.m_szCompany, "%s", std::string(100, 'C').c_str());
        snprintf(r.m_szProfession, sizeof r.m_szProfession, "Pilot");
        snprintf(r.m_szWebsite, sizeof r.m_szWebsite, "http://example.com/zoe");
        snprintf(r.m_szCustom[11], sizeof r.m_szCustom[11], "twelfth");
        snprintf(r.m_szPhone[0], sizeof r.m_szPhone[0], "555-6");
        r.m_nPhoneLabel[0] = 6;  // pager
        snprintf(r.m_szPhone[1], sizeof r.m_szPhone[1], "zoe@example.com");
        r.m_nPhoneLabel[1] = 4;
        r.m_nBirthday = 129116000;  // 23 November 1996
        r.m_nAnniversary = 0;       // none
        ASSERT_TRUE(db.AddRecord(r)) << db.Error();
    }
    const auto before = vt_test::ReadBytes(path);
    for (const char* codePage : {"1252", "1251"}) {
        SCOPED_TRACE(codePage);
        std::string out, err;
        ASSERT_EQ(Export({"--codepage", codePage, path}, out, err), 0) << err;
        EXPECT_EQ(err, "vtexport: Wrote 1 contact, skipped 0.\n");
        for (const char* line :
             {"N:Zo\xc3\xab;FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF;;;\r\n",
              "TEL;TYPE=pager:555-6\r\n", "EMAIL:zoe@example.com\r\n",
              "URL;TYPE=work:http://example.com/zoe\r\n", "BDAY:19961123\r\n",
              "CATEGORIES:Business\r\n", "X-CLASS:PRIVATE\r\n", "X-PALM-CUSTOM12:twelfth\r\n",
              "X-PROFESSION:Pilot\r\n"})
            EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
        EXPECT_NE(out.find("ORG:" + std::string(71, 'C') + "\r\n " + std::string(29, 'C') + "\r\n"),
                  std::string::npos);
        EXPECT_EQ(out.find("ANNIVERSARY"), std::string::npos);
    }
    EXPECT_EQ(vt_test::ReadBytes(path), before);
}

}  // namespace
