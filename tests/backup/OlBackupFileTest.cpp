// The Outlook values file: every value comes back byte for byte, and a
// damaged file is refused with its line.
#include "common/backup/OlBackupFile.h"
#include "common/backup/OlBackupVCard.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace {

const char* const kValues[] = {
    "",
    "plain",
    "line1\r\nline2",
    "lf\nonly",
    "\r",
    "\r\n\r\n",
    "tab\there\t",
    "back\\slash \\n not a break",
    "Zoë Ünal 中文 😀",
    "\x01\x1f\x7f",
    "  spaced  ",
    "contact\tX",
    "end",
    "complete",
};

TEST(OlBackupFile, EscapingIsLossless) {
    for (const char* v : kValues) {
        const std::string escaped = OlBackupEscape(v);
        EXPECT_EQ(escaped.find_first_of("\t\r\n"), std::string::npos) << v;
        std::string back;
        ASSERT_TRUE(OlBackupUnescape(escaped, back)) << escaped;
        EXPECT_EQ(back, v);
    }
    const std::string withNul("a\0b", 3);
    std::string back;
    EXPECT_EQ(OlBackupEscape(withNul), "a\\x00b");
    ASSERT_TRUE(OlBackupUnescape("a\\x00b", back));
    EXPECT_EQ(back, withNul);
    for (const char* bad : {"\\", "x\\", "\\q", "\\x4", "\\xZZ", "\\x4g", "raw\ttab"})
        EXPECT_FALSE(OlBackupUnescape(bad, back)) << bad;
}

TEST(OlBackupFile, RoundTripKeepsEveryValue) {
    vt_test::TempDir dir;
    const std::string path = dir.File("outlook.vtol");
    std::vector<OlBackupContact> contacts;
    OlBackupContact all{"0000000012AB\\34", {}};
    int i = 0;
    for (const char* v : kValues) all.properties.push_back({"Prop" + std::to_string(i++), v});
    contacts.push_back(all);
    contacts.push_back({"00000000FF01", {{"FirstName", "Anna"}, {"Body", ""}}});
    contacts.push_back({"00000000FF02", {}});  // nothing readable needed keeping
    OlBackupFile f;
    std::string error;
    ASSERT_TRUE(f.Create(path, error)) << error;
    for (const auto& c : contacts) ASSERT_TRUE(f.AddChanged(c, error)) << error;
    ASSERT_TRUE(f.AddAdded("00000000AA01", error));
    ASSERT_TRUE(f.AddAdded("00000000AA02", error));
    ASSERT_TRUE(f.Close(error)) << error;

    OlBackupData d;
    ASSERT_TRUE(OlBackupFile::Read(path, d, error)) << error;
    EXPECT_TRUE(d.complete);
    ASSERT_EQ(d.changed.size(), contacts.size());
    for (size_t c = 0; c < contacts.size(); ++c) {
        EXPECT_EQ(d.changed[c].entryId, contacts[c].entryId);
        ASSERT_EQ(d.changed[c].properties.size(), contacts[c].properties.size());
        for (size_t p = 0; p < contacts[c].properties.size(); ++p) {
            EXPECT_EQ(d.changed[c].properties[p].name, contacts[c].properties[p].name);
            EXPECT_EQ(d.changed[c].properties[p].value, contacts[c].properties[p].value)
                << contacts[c].properties[p].name;
        }
    }
    EXPECT_EQ(d.added, (std::vector<std::string>{"00000000AA01", "00000000AA02"}));
    // Never over an existing backup.
    OlBackupFile again;
    EXPECT_FALSE(again.Create(path, error));
}

TEST(OlBackupFile, WriterRefusesWhatCannotBeReadBack) {
    vt_test::TempDir dir;
    const std::string path = dir.File("outlook.vtol");
    OlBackupFile f;
    std::string error;
    ASSERT_TRUE(f.Create(path, error));
    for (const char* name : {"", "First Name", "a\tb", "Ä"})
        EXPECT_FALSE(f.AddChanged({"01", {{name, "v"}}}, error)) << name;
    EXPECT_FALSE(f.AddChanged({"", {{"FirstName", "v"}}}, error));
    EXPECT_FALSE(f.AddAdded("", error));
    ASSERT_TRUE(f.AddChanged({"01", {{"FirstName", "v"}}}, error));
    ASSERT_TRUE(f.Close(error));
    OlBackupData d;
    ASSERT_TRUE(OlBackupFile::Read(path, d, error)) << error;
    ASSERT_EQ(d.changed.size(), 1u);
    EXPECT_TRUE(d.added.empty());
}

TEST(OlBackupFile, RunCutShortLeavesWhatWasKept) {
    vt_test::TempDir dir;
    const std::string path = dir.File("outlook.vtol");
    {
        OlBackupFile f;
        std::string error;
        ASSERT_TRUE(f.Create(path, error));
        ASSERT_TRUE(f.AddChanged({"01", {{"LastName", "Ng"}}}, error));
        ASSERT_TRUE(f.AddAdded("02", error));
    }  // never closed
    OlBackupData d;
    std::string error;
    ASSERT_TRUE(OlBackupFile::Read(path, d, error)) << error;
    EXPECT_FALSE(d.complete);
    ASSERT_EQ(d.changed.size(), 1u);
    EXPECT_EQ(d.changed[0].properties[0].value, "Ng");
    EXPECT_EQ(d.added, std::vector<std::string>{"02"});
}

TEST(OlBackupFile, DamageIsReportedWithItsLine) {
    const std::string magic = "Vantoro Outlook backup 1\r\n";
    struct Case {
        std::string text;
        const char* where;
    };
    const Case cases[] = {
        {"", "line 1"},
        {"FirstName,LastName\r\n", "line 1"},
        {magic + "contact\t01\r\nFirstName\tAn", "line 3"},   // cut inside a line
        {magic + "contact\t01\r\nFirstName\tAnna\r\n", "line 3"},  // block not ended
        {magic + "FirstName\tAnna\r\n", "line 2"},              // value outside a block
        {magic + "contact\t01\r\nFirst Name\tAnna\r\nend\r\n", "line 3"},
        {magic + "contact\t01\r\nFirstName\tA\\qB\r\nend\r\n", "line 3"},
        {magic + "contact\t\r\nend\r\n", "line 2"},
        {magic + "added\t\r\n", "line 2"},
        {magic + "removed\t01\r\n", "line 2"},
        {magic + "complete\r\nadded\t01\r\n", "line 3"},
    };
    for (const auto& c : cases) {
        vt_test::TempDir dir;
        vt_test::WriteText(dir.File("b.vtol"), c.text);
        OlBackupData d;
        std::string error;
        EXPECT_FALSE(OlBackupFile::Read(dir.File("b.vtol"), d, error)) << c.text;
        EXPECT_NE(error.find(c.where), std::string::npos) << error;
    }
    OlBackupData d;
    std::string error;
    EXPECT_FALSE(OlBackupFile::Read("no-such-file.vtol", d, error));
}

TEST(OlBackupVCard, KeptValuesBecomeCardsWithTheirEntryId) {
    OlBackupData d;
    d.changed.push_back({"00000000AB01",
                         {{"FirstName", "Zoë"},
                          {"LastName", "Ünal"},
                          {"Body", "line1\r\nline2"},
                          {"MobileTelephoneNumber", "+49 170 1"},
                          {"BusinessFaxNumber", "+49 30 2"},
                          {"Email2Address", "z@example.org"},
                          {"Categories", "Friends; Work,,"},
                          {"Birthday", "32874"},          // 1990-01-01
                          {"Anniversary", "949998"},      // none
                          {"HomeAddressCity", ""},        // cleared by nothing
                          {"ReferredBy", "not on a card"}}});
    d.changed.push_back({"00000000AB02", {}});
    CxExportContact c;
    OlBackupToExportContact(d.changed[0], c);
    EXPECT_EQ(c.Text(FID_FIRST_NAME), "Zoë");
    EXPECT_EQ(c.Text(FID_NOTE), "line1\r\nline2");
    ASSERT_EQ(c.m_Phones.size(), 2u);
    EXPECT_EQ(c.m_Phones[0].m_nKind, CxTelKind::Mobile);
    EXPECT_EQ(c.m_Phones[1].m_nKind, CxTelKind::WorkFax);
    EXPECT_EQ(c.m_Emails, std::vector<std::string>{"z@example.org"});
    EXPECT_EQ(c.m_Categories, (std::vector<std::string>{"Friends", "Work"}));
    EXPECT_EQ(c.m_Birthday.m_nYear, 1990);
    EXPECT_EQ(c.m_Birthday.m_nMonth, 1);
    EXPECT_EQ(c.m_Birthday.m_nDay, 1);
    EXPECT_FALSE(c.m_Anniversary.IsSet());

    const std::string cards = OlBackupVCard(d);
    EXPECT_NE(cards.find("N:Ünal;Zoë;;;\r\n"), std::string::npos) << cards;
    EXPECT_NE(cards.find("BDAY:1990-01-01\r\n"), std::string::npos) << cards;
    EXPECT_NE(cards.find("UID:00000000AB01\r\nEND:VCARD\r\n"), std::string::npos) << cards;
    EXPECT_NE(cards.find("UID:00000000AB02\r\nEND:VCARD\r\n"), std::string::npos) << cards;
    EXPECT_EQ(cards.find("not on a card"), std::string::npos);
    size_t begins = 0;
    for (size_t at = cards.find("BEGIN:VCARD"); at != std::string::npos;
         at = cards.find("BEGIN:VCARD", at + 1))
        ++begins;
    EXPECT_EQ(begins, 2u);
}

}  // namespace
