// CSV: Outlook's column names and order, RFC 4180 quoting, phones placed by
// kind, and what has no column going into "Notes".
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "common/export/CxCsv.h"
#include "common/export/CxExport.h"

namespace {

// A minimal RFC 4180 reader for the checks (quoted fields, "" inside).
std::vector<std::vector<std::string>> Parse(const std::string& text) {
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().push_back(field);
            field.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            rows.back().push_back(field);
            field.clear();
            rows.emplace_back();
            ++i;
        } else {
            field += c;
        }
    }
    rows.pop_back();  // after the last CR LF
    return rows;
}

std::map<std::string, std::string> Row(const CxExportContact& c) {
    std::string out;
    CxCsvAppendHeader(out);
    CxCsvAppendRow(c, out);
    EXPECT_EQ(out.compare(0, 3, "\xEF\xBB\xBF"), 0);
    const auto rows = Parse(out.substr(3));
    EXPECT_EQ(rows.size(), 2u);
    std::map<std::string, std::string> m;
    if (rows.size() != 2) return m;
    EXPECT_EQ(rows[0].size(), rows[1].size());
    for (size_t i = 0; i < rows[0].size() && i < rows[1].size(); ++i) m[rows[0][i]] = rows[1][i];
    return m;
}

TEST(CsvTest, HeaderHasOutlooksColumnsInItsOrder) {
    const char* const start[] = {"Title", "First Name", "Middle Name", "Last Name", "Suffix",
                                 "Company", "Department", "Job Title", "Business Street",
                                 "Business Street 2"};
    for (size_t i = 0; i < sizeof start / sizeof start[0]; ++i)
        EXPECT_STREQ(CxCsvColumnName(i), start[i]);
    EXPECT_STREQ(CxCsvColumnName(CxCsvColumnCount() - 1), "Web Page");
    EXPECT_EQ(CxCsvColumnName(CxCsvColumnCount()), nullptr);
    std::string out;
    CxCsvAppendHeader(out);
    EXPECT_EQ(out.substr(0, 3 + 21), "\xEF\xBB\xBF\"Title\",\"First Name\",");
    EXPECT_EQ(out.substr(out.size() - 12), "\"Web Page\"\r\n");
}

TEST(CsvTest, QuotesEveryFieldPerRfc4180) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"", "\"\""},
        {"plain", "\"plain\""},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"one\ntwo\r\nthree\rfour", "\"one\r\ntwo\r\nthree\r\nfour\""},
    };
    for (const auto& c : cases) EXPECT_EQ(CxCsvQuote(c.in), c.out) << c.in;
}

TEST(CsvTest, PhonesFillTheirColumnsByKindAndOverflowIntoNotes) {
    CxExportContact c;
    c.m_sText[FID_LAST_NAME] = "Smith";
    c.m_sText[FID_NOTE] = "The note, \"quoted\"\r\nsecond line";
    c.m_Phones = {{CxTelKind::Work, "w1"},   {CxTelKind::Work, "w2"},   {CxTelKind::Work, "w3"},
                  {CxTelKind::Fax, "f1"},    {CxTelKind::Fax, "f2"},    {CxTelKind::Main, "m"},
                  {CxTelKind::Pager, "p"},   {CxTelKind::Mobile, "c"},  {CxTelKind::Unknown, "u"},
                  {CxTelKind::HomeFax, "hf"}};
    c.m_Emails = {"a@x", "b@x", "c@x", "d@x"};
    auto r = Row(c);
    const std::map<std::string, std::string> want = {
        {"Business Phone", "w1"}, {"Business Phone 2", "w2"}, {"Business Fax", "f1"},
        {"Home Fax", "f2"},       {"Primary Phone", "m"},     {"Pager", "p"},
        {"Mobile Phone", "c"},    {"Other Phone", "u"},       {"E-mail Address", "a@x"},
        {"E-mail Type", "SMTP"},  {"E-mail 2 Address", "b@x"}, {"E-mail 3 Address", "c@x"},
        {"Last Name", "Smith"},   {"Private", "False"},       {"Sensitivity", "Normal"},
    };
    for (const auto& [col, value] : want) EXPECT_EQ(r[col], value) << col;
    EXPECT_EQ(r["Notes"],
              "The note, \"quoted\"\r\nsecond line\r\n\r\nBusiness Phone: w3\r\nHome Fax: hf\r\nE-mail: d@x");
}

TEST(CsvTest, ValuesWithoutAColumnGoToNotes) {
    CxExportContact c;
    c.m_sText[FID_FIRST_NAME] = "Ann";
    c.m_sText[FID_NICK_NAME] = "Annie";
    c.m_sText[FID_IM1] = "ann@chat";
    c.m_sText[FID_SPOUSE_NAME] = "Bob";
    c.m_sText[FID_WORK_HOME_PAGE] = "http://w";
    c.m_sText[FID_PERSONAL_HOME_PAGE] = "http://p";
    c.m_Customs = {{2, "Spouse, Name", "Bob\r\nJr"}, {5, "", "v5"}};
    c.m_Categories = {"Business", "Friends"};
    c.m_Birthday = {1996, 11, 23};
    c.m_bPrivate = true;
    c.m_nGender = 1;
    auto r = Row(c);
    EXPECT_EQ(r["Notes"],
              "Nick Name: Annie\r\nIM 1: ann@chat\r\nPersonal Home Page: http://p\r\n"
              "Spouse, Name: Bob Jr\r\nCustom 5: v5");
    EXPECT_EQ(r["Spouse"], "Bob");
    EXPECT_EQ(r["Web Page"], "http://w");
    EXPECT_EQ(r["Categories"], "Business;Friends");
    EXPECT_EQ(r["Birthday"], "11/23/1996");
    EXPECT_EQ(r["Anniversary"], "");
    EXPECT_EQ(r["Private"], "True");
    EXPECT_EQ(r["Sensitivity"], "Private");
    EXPECT_EQ(r["Gender"], "Female");
}

}  // namespace
