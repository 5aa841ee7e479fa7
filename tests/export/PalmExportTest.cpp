// Palm Desktop contacts as export contacts: whole texts, phone kinds and
// e-mail from the native slots, custom labels of the file, private flag,
// birthday, category, code page; filters and counts.
#include <gtest/gtest.h>

#include "ExportFixture.h"
#include "common/export/PmExportSource.h"
#include "common/misc/CxPlatform.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

namespace {

using export_fixture::Contact;
using export_fixture::Format;

CxTelKind KindOf(int32_t code) {
    const CxTelKind kinds[] = {CxTelKind::Work,  CxTelKind::Home,  CxTelKind::Fax,
                               CxTelKind::Other, CxTelKind::Unknown, CxTelKind::Main,
                               CxTelKind::Pager, CxTelKind::Mobile};
    return kinds[code];
}

class PalmExportTest : public ::testing::TestWithParam<Format> {
protected:
    // Writes a file of the contacts and loads it into m_Info.
    void Load(const std::vector<Contact>& contacts) {
        m_Path = m_Dir.File("address.dat");
        vt_test::WriteBytes(m_Path, export_fixture::FileBytes(GetParam(), contacts));
        ASSERT_TRUE(m_Info.LoadFile(m_Path.c_str()));
        ASSERT_EQ(m_Info.GetRecordCount(), contacts.size());
    }

    vt_test::LogCapture m_Log;
    vt_test::TempDir m_Dir;
    std::string m_Path;
    PmAddrInfo m_Info{0xFFFFFFFFu};
};

TEST_P(PalmExportTest, EveryValueOfTheNativeRecordComesOut) {
    const auto contacts = export_fixture::Contacts(GetParam(), 12);
    Load(contacts);
    const unsigned cp = PmExportCodePage(m_Info, 1252);
    EXPECT_EQ(cp, 1252u);
    for (size_t i = 0; i < contacts.size(); ++i) {
        SCOPED_TRACE("contact " + std::to_string(i));
        const Contact& want = contacts[i];
        CxExportContact got;
        ASSERT_TRUE(PmExportContact(m_Info, i, cp, got));
        EXPECT_EQ(got.Text(FID_FIRST_NAME), want.first);
        EXPECT_EQ(got.Text(FID_LAST_NAME), want.last);
        // Longer than the common field (64) for every fifth contact: whole.
        EXPECT_EQ(got.Text(FID_COMPANY), want.company);
        EXPECT_EQ(got.Text(FID_NOTE), want.note);
        for (int a = 0; a < 3; ++a) {
            EXPECT_EQ(got.Text(FID_WORK_STREET + 5 * a), want.street[a]);
            EXPECT_EQ(got.Text(FID_WORK_CITY + 5 * a), want.city[a]);
            EXPECT_EQ(got.Text(FID_WORK_POSTAL + 5 * a), want.postal[a]);
        }
        std::vector<std::pair<CxTelKind, std::string>> phones, wantPhones;
        std::vector<std::string> wantEmails;
        for (const auto& p : got.m_Phones) phones.emplace_back(p.m_nKind, p.m_sValue);
        for (const auto& p : want.phones) {
            if (p.code == PM_PHONE_EMAIL) {
                wantEmails.push_back(p.value);
            } else {
                wantPhones.emplace_back(KindOf(p.code), p.value);
            }
        }
        EXPECT_EQ(phones, wantPhones);  // pager and repeated kinds included
        EXPECT_EQ(got.m_Emails, wantEmails);
        ASSERT_EQ(got.m_Customs.size(), want.customs.size());
        for (size_t k = 0; k < want.customs.size(); ++k) {
            EXPECT_EQ(got.m_Customs[k].m_nIndex, want.customs[k].index);
            EXPECT_EQ(got.m_Customs[k].m_sLabel, want.customs[k].label);
            EXPECT_EQ(got.m_Customs[k].m_sValue, want.customs[k].value);
        }
        EXPECT_EQ(got.m_Categories,
                  want.category.empty() ? std::vector<std::string>{} : std::vector<std::string>{want.category});
        EXPECT_EQ(got.m_bPrivate, want.isPrivate);
        EXPECT_EQ(got.m_Birthday.m_nYear, want.year);
        EXPECT_EQ(got.m_Birthday.m_nMonth, want.month);
        EXPECT_EQ(got.m_Birthday.m_nDay, want.day);
    }
    EXPECT_FALSE(PmExportContact(m_Info, contacts.size(), cp, *std::make_unique<CxExportContact>()));
}

// Texts longer than their Palm fields (and than the common fields) come out
// as stored, from the name fields, the phone slots and the custom values.
TEST_P(PalmExportTest, TextsWiderThanTheirFieldsComeOutWhole) {
    auto contacts = export_fixture::Contacts(GetParam(), 2);
    Contact& c = contacts[0];
    c.last = std::string(40, 'W');
    c.note = std::string(9000, 'n');
    c.phones = {{PM_PHONE_EMAIL, std::string(45, 'e') + "@example.com"}, {PM_PHONE_WORK, "+1 555 0100 extension 123456789"}};
    c.customs = {{1, export_fixture::Labels(GetParam())[0], std::string(300, 'c')}};
    Load(contacts);
    CxExportContact got;
    ASSERT_TRUE(PmExportContact(m_Info, 0, 1252, got));
    EXPECT_EQ(got.Text(FID_LAST_NAME), c.last);
    EXPECT_EQ(got.Text(FID_NOTE), c.note);  // wider than the common note too
    ASSERT_EQ(got.m_Emails.size(), 1u);
    EXPECT_EQ(got.m_Emails[0], c.phones[0].value);
    ASSERT_EQ(got.m_Phones.size(), 1u);
    EXPECT_EQ(got.m_Phones[0].m_sValue, c.phones[1].value);
    ASSERT_EQ(got.m_Customs.size(), 1u);
    EXPECT_EQ(got.m_Customs[0].m_sValue, c.customs[0].value);
}

TEST_P(PalmExportTest, TextsAreReadInTheChosenCodePage) {
    Load(export_fixture::Contacts(GetParam(), 4));
    EXPECT_EQ(PmExportCodePage(m_Info, 1251), 1251u);
    CxExportContact got;
    ASSERT_TRUE(PmExportContact(m_Info, 3, 1251, got));
    EXPECT_EQ(got.Text(FID_LAST_NAME), "Zo\xd0\xbb 3");  // byte EB is el in 1251
    ASSERT_TRUE(PmExportContact(m_Info, 3, 1252, got));
    EXPECT_EQ(got.Text(FID_LAST_NAME), "Zo\xc3\xab 3");
}

TEST_P(PalmExportTest, FiltersAndCountsEveryListedRecord) {
    auto contacts = export_fixture::Contacts(GetParam(), 9);
    contacts[4] = Contact();  // nothing at all: skipped as empty
    Load(contacts);
    const struct {
        const char* category;
        std::vector<bool> rows;
        size_t written, empty, category_, unticked;
    } cases[] = {
        {"", {}, 8, 1, 0, 0},
        {"business", {}, 2, 0, 7, 0},  // letter case ignored; 4 is now empty and Unfiled
        {"Unfiled", {}, 3, 1, 5, 0},
        {"Pers\xc3\xb6nlich", {}, 3, 0, 6, 0},
        {"", {true, false, true}, 2, 0, 0, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("category ") + c.category);
        CxExportOptions options;
        options.m_nFormat = CxExportFormat::Csv;
        options.m_sCategory = c.category;
        options.m_Rows = c.rows;
        CxExportWriter writer(options.m_nFormat);
        CxExportStats stats;
        PmExportAll(m_Info, options, writer, stats);
        EXPECT_EQ(stats.m_nWritten, c.written);
        EXPECT_EQ(stats.m_nSkippedEmpty, c.empty);
        EXPECT_EQ(stats.m_nSkippedCategory, c.category_);
        EXPECT_EQ(stats.m_nSkippedUnticked, c.unticked);
        EXPECT_EQ(stats.m_nWritten + stats.Skipped(), contacts.size());
    }
}

INSTANTIATE_TEST_SUITE_P(BothFormats, PalmExportTest,
                         ::testing::Values(Format::Classic, Format::Contacts41),
                         [](const auto& info) {
                             return info.param == Format::Classic ? "Classic" : "Contacts41";
                         });

TEST(ExportStatsTest, SummaryNamesEachReason) {
    CxExportStats s;
    s.m_nWritten = 1;
    EXPECT_EQ(s.Summary(), "Wrote 1 contact, skipped 0.");
    s.m_nWritten = 12;
    s.m_nSkippedEmpty = 1;
    s.m_nSkippedCategory = 3;
    EXPECT_EQ(s.Summary(), "Wrote 12 contacts, skipped 4 (1 empty, 3 outside the category).");
}

TEST(ExportStoreTest, OutlookListSkipsRecordsNotReadWholeAndSplitsCategories) {
    CommAddrMgr store;
    CommAddr a;
    SetFieldText(a, FID_FIRST_NAME, "Ann");
    SetFieldText(a, FID_CATEGORY, "Business, Friends;VIP");
    SetFieldText(a, FID_HOME_PHONE2, "555");
    SetFieldText(a, FID_CUSTOM1 + 1, "v2");
    SetFieldText(a, FID_CUSTOM_LABEL1 + 1, "Spouse");
    a.m_dtAnniversary = 35392.0;
    store.AddCopy(&a);
    CommAddr b = a;
    b.m_nFlags = ADDR_FLAG_UNREADABLE;
    store.AddCopy(&b);
    CxExportOptions options;
    options.m_nFormat = CxExportFormat::VCard4;
    CxExportWriter writer(options.m_nFormat);
    CxExportStats stats;
    CxExportStore(store, options, writer, stats);
    EXPECT_EQ(stats.m_nWritten, 1u);
    EXPECT_EQ(stats.m_nSkippedUnreadable, 1u);
    const std::string& text = writer.GetText();
    for (const char* line : {"CATEGORIES:Business,Friends,VIP\r\n", "TEL;TYPE=home,voice:555\r\n",
                             "X-PALM-CUSTOM2;LABEL=Spouse:v2\r\n", "ANNIVERSARY:19961123\r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
}

}  // namespace
