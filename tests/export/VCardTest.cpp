// vCard writing: escaping, folding, phone kinds, dates, categories, custom
// fields, private flag.
#include <gtest/gtest.h>

#include <string>

#include "common/export/CxExport.h"
#include "common/export/CxVCard.h"

namespace {

// The unfolded content lines of a card.
std::vector<std::string> Lines(const std::string& card) {
    std::string unfolded;
    for (size_t i = 0; i < card.size(); ++i) {
        if (card.compare(i, 3, "\r\n ") == 0) {
            i += 2;
            continue;
        }
        unfolded += card[i];
    }
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = unfolded.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(unfolded.substr(start, end - start));
    return lines;
}

bool HasLine(const std::string& card, const std::string& line) {
    for (const std::string& l : Lines(card))
        if (l == line) return true;
    return false;
}

std::string Card(const CxExportContact& c, CxVCardVersion v) {
    std::string out;
    CxWriteVCard(c, v, out);
    return out;
}

TEST(VCardTest, EscapesSpecialCharactersAndLineBreaks) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"plain", "plain"},
        {"a,b;c\\d", "a\\,b\\;c\\\\d"},
        {"one\r\ntwo\nthree\rfour", "one\\ntwo\\nthree\\nfour"},
        {"\r\n", "\\n"},
        {"trailing\\", "trailing\\\\"},
    };
    for (const auto& c : cases) EXPECT_EQ(CxVCardEscape(c.in), c.out) << c.in;
}

TEST(VCardTest, QuotesParameterValuesThatNeedIt) {
    EXPECT_EQ(CxVCardParam("Spouse"), "Spouse");
    EXPECT_EQ(CxVCardParam("Web: home"), "\"Web: home\"");
    EXPECT_EQ(CxVCardParam("a;b"), "\"a;b\"");
    EXPECT_EQ(CxVCardParam("say \"hi\"\nnow"), "say 'hi' now");
}

TEST(VCardTest, FoldsAt75OctetsWithoutSplittingACharacter) {
    const std::string u = "\xc3\xbc";  // two octets
    const struct {
        std::string line;
        std::vector<size_t> lengths;  // octets of each physical line, without CR LF
    } cases[] = {
        {std::string(75, 'a'), {75}},
        {std::string(76, 'a'), {75, 2}},
        {std::string(75 + 74 + 1, 'a'), {75, 75, 2}},
        // 74 ASCII then a two-octet character: it may not be cut, so it moves on.
        {std::string(74, 'a') + u + "b", {74, 4}},
        {"NOTE:" + [&] { std::string s; for (int i = 0; i < 100; ++i) s += u; return s; }(), {75, 75, 57}},
    };
    for (const auto& c : cases) {
        std::string out;
        CxVCardAppendLine(out, c.line);
        std::vector<size_t> lengths;
        size_t start = 0;
        for (size_t end; (end = out.find("\r\n", start)) != std::string::npos; start = end + 2) {
            const std::string phys = out.substr(start, end - start);
            lengths.push_back(phys.size());
            // every physical line starts at a character
            if (!phys.empty()) {
                EXPECT_NE(static_cast<unsigned char>(phys[phys[0] == ' ' ? 1 : 0]) & 0xC0, 0x80u);
            }
        }
        EXPECT_EQ(start, out.size()) << "ends with CR LF";
        EXPECT_EQ(lengths, c.lengths) << c.line.size();
        EXPECT_EQ(Lines(out).at(0), c.line);
    }
}

TEST(VCardTest, PhoneKindsGiveTheirTypes) {
    const struct {
        CxTelKind kind;
        const char* v4;
        const char* v3;
    } cases[] = {
        {CxTelKind::Work, "TEL;TYPE=work,voice:1", "TEL;TYPE=work,voice:1"},
        {CxTelKind::Home, "TEL;TYPE=home,voice:1", "TEL;TYPE=home,voice:1"},
        {CxTelKind::Fax, "TEL;TYPE=fax:1", "TEL;TYPE=fax:1"},
        {CxTelKind::WorkFax, "TEL;TYPE=work,fax:1", "TEL;TYPE=work,fax:1"},
        {CxTelKind::Other, "TEL;TYPE=voice:1", "TEL;TYPE=voice:1"},
        {CxTelKind::Main, "TEL;TYPE=voice;PREF=1:1", "TEL;TYPE=voice,pref:1"},
        {CxTelKind::Pager, "TEL;TYPE=pager:1", "TEL;TYPE=pager:1"},
        {CxTelKind::Mobile, "TEL;TYPE=cell:1", "TEL;TYPE=cell,voice:1"},
        {CxTelKind::Car, "TEL;TYPE=voice:1", "TEL;TYPE=car,voice:1"},
        {CxTelKind::Unknown, "TEL:1", "TEL:1"},
    };
    for (const auto& c : cases) {
        CxExportContact contact;
        contact.m_sText[FID_FIRST_NAME] = "A";
        contact.m_Phones.push_back({c.kind, "1"});
        EXPECT_TRUE(HasLine(Card(contact, CxVCardVersion::V4), c.v4)) << c.v4;
        EXPECT_TRUE(HasLine(Card(contact, CxVCardVersion::V3), c.v3)) << c.v3;
    }
}

TEST(VCardTest, BirthdayOnlyWhenTheRecordHasADate) {
    const struct {
        double dt;
        const char* v4;  // null: no BDAY line
        const char* v3;
    } cases[] = {
        {35392.0, "BDAY:19961123", "BDAY:1996-11-23"},
        {35392.75, "BDAY:19961123", "BDAY:1996-11-23"},
        {-657434.0, "BDAY:01000101", "BDAY:0100-01-01"},
        {0.0, nullptr, nullptr},
        {-129080608.0, nullptr, nullptr},  // a 4.1.x birthday stored as 0
        {2958466.0, nullptr, nullptr},     // past the year 9999
    };
    for (const auto& c : cases) {
        CxExportContact contact;
        contact.m_sText[FID_FIRST_NAME] = "A";
        contact.m_Birthday = CxDateFromComm(c.dt);
        const std::string v4 = Card(contact, CxVCardVersion::V4);
        const std::string v3 = Card(contact, CxVCardVersion::V3);
        if (c.v4) {
            EXPECT_TRUE(HasLine(v4, c.v4)) << c.dt << "\n" << v4;
            EXPECT_TRUE(HasLine(v3, c.v3)) << c.dt;
        } else {
            EXPECT_EQ(v4.find("BDAY"), std::string::npos) << c.dt;
            EXPECT_EQ(v3.find("BDAY"), std::string::npos) << c.dt;
        }
    }
}

TEST(VCardTest, FormattedNameFallsBackInOrder) {
    const struct {
        const char* display;
        const char* first;
        const char* middle;
        const char* last;
        const char* company;
        const char* email;
        const char* fn;
    } cases[] = {
        {"Dr. J", "John", "Q", "Smith", "Acme", "j@x", "FN:Dr. J"},
        {"", "John", "Q", "Smith", "Acme", "j@x", "FN:John Q Smith"},
        {"", "", "", "Smith", "Acme", "j@x", "FN:Smith"},
        {"", "", "", "", "Acme\\, Inc.", "j@x", "FN:Acme\\\\\\, Inc."},
        {"", "", "", "", "", "j@x", "FN:j@x"},
    };
    for (const auto& c : cases) {
        CxExportContact contact;
        contact.m_sText[FID_DISPLAY_NAME] = c.display;
        contact.m_sText[FID_FIRST_NAME] = c.first;
        contact.m_sText[FID_MIDDLE_NAME] = c.middle;
        contact.m_sText[FID_LAST_NAME] = c.last;
        contact.m_sText[FID_COMPANY] = c.company;
        if (*c.email) contact.m_Emails.push_back(c.email);
        EXPECT_TRUE(HasLine(Card(contact, CxVCardVersion::V4), c.fn)) << c.fn;
    }
}

TEST(VCardTest, WritesAWholeCardWithCategoriesCustomFieldsAndPrivateFlag) {
    CxExportContact c;
    c.m_sText[FID_FIRST_NAME] = "J\xc3\xbcrgen";
    c.m_sText[FID_LAST_NAME] = "M\xc3\xbcller, Jr";
    c.m_sText[FID_COMPANY] = "Acme; Ltd";
    c.m_sText[FID_DEPARTMENT] = "Sales";
    c.m_sText[FID_WORK_STREET] = "1 Main St\r\nSuite 2";
    c.m_sText[FID_WORK_CITY] = "Springfield";
    c.m_sText[FID_OTHER_COUNTRY] = "USA";
    c.m_sText[FID_NOTE] = "Line one\r\nLine two";
    c.m_sText[FID_SPOUSE_NAME] = "Anna";
    c.m_Emails = {"j@example.com"};
    c.m_Categories = {"Business", "Friends, old"};
    c.m_Customs = {{1, "Web: home", "http://x"}, {3, "", "plain"}};
    c.m_bPrivate = true;
    const std::string v3 = Card(c, CxVCardVersion::V3);
    const std::string v4 = Card(c, CxVCardVersion::V4);
    for (const char* line : {"BEGIN:VCARD", "N:M\xc3\xbcller\\, Jr;J\xc3\xbcrgen;;;",
                             "FN:J\xc3\xbcrgen M\xc3\xbcller\\, Jr", "ORG:Acme\\; Ltd;Sales",
                             "ADR;TYPE=work:;;1 Main St\\nSuite 2;Springfield;;;",
                             "ADR:;;;;;;USA", "NOTE:Line one\\nLine two",
                             "CATEGORIES:Business,Friends\\, old",
                             "X-PALM-CUSTOM1;LABEL=\"Web: home\":http://x", "X-PALM-CUSTOM3:plain",
                             "X-SPOUSE-NAME:Anna", "END:VCARD"}) {
        EXPECT_TRUE(HasLine(v3, line)) << line;
        EXPECT_TRUE(HasLine(v4, line)) << line;
    }
    EXPECT_TRUE(HasLine(v3, "VERSION:3.0"));
    EXPECT_TRUE(HasLine(v3, "EMAIL;TYPE=internet:j@example.com"));
    EXPECT_TRUE(HasLine(v3, "CLASS:PRIVATE"));
    EXPECT_TRUE(HasLine(v4, "VERSION:4.0"));
    EXPECT_TRUE(HasLine(v4, "EMAIL:j@example.com"));
    EXPECT_TRUE(HasLine(v4, "X-CLASS:PRIVATE"));
    EXPECT_FALSE(HasLine(v4, "CLASS:PRIVATE"));
    // No empty properties for values the contact does not have.
    for (const char* name : {"TITLE", "NICKNAME", "URL", "BDAY", "TEL"})
        EXPECT_EQ(v4.find(std::string("\r\n") + name), std::string::npos) << name;
}

}  // namespace
