// The Palm contact store facade on files the tests write: generations,
// loaders, offered records, conversions both ways, writes and saves.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "FacadeSupport.h"
#include "common/misc/CxText.h"
#include "common/palm/PalmAddrInfo.h"
#include "common/palm/PalmCommEx2.h"
#include "standins/palmdesktop/PdSetup.h"

using facade_test::Contact;
using facade_test::LogCapture;

namespace {

constexpr uint32_t kUnknownVersion = 0xFFFFFFFFu;

class FacadeTest : public ::testing::Test {
protected:
    void TearDown() override { TdmMain::Instance().CloseAll(); }

    // A contacts file of the generation holding the contacts.
    std::string Make(int gen, const std::vector<CommAddr>& contacts,
                     const std::string& name = std::string()) {
        const std::string file =
            m_dir.File(name.empty() ? (gen == PM_GEN_6X ? "Address.mdb" : "address.dat") : name);
        std::string error;
        EXPECT_TRUE(pdsetup::WriteAddressData(gen, file, contacts, error)) << error;
        return file;
    }
    void Sql(const std::string& file, const std::string& sql) {
        TdmMain::Instance().CloseAll();
        std::string error;
        ASSERT_TRUE(pdsetup::ExecSql(file, sql, error)) << error;
    }

    vt_test::TempDir m_dir;
};

const PmAddrEx2Record& Ex2At(PmAddrInfo& info, size_t i) { return *info.GetRecordAt(i)->m_pAddrEx2; }

TEST(FacadeGeneration, InstalledGenerationFollowsTheVersion) {
    const struct {
        uint32_t version;
        int gen;
    } cases[] = {{40104, PM_GEN_41X},   {40102, PM_GEN_41X},      {40101, PM_GEN_CLASSIC},
                 {30500, PM_GEN_CLASSIC}, {30499, PM_GEN_UNKNOWN}, {60000, PM_GEN_6X},
                 {60200, PM_GEN_6X},    {kUnknownVersion, PM_GEN_6X}, {0, PM_GEN_UNKNOWN}};
    for (const auto& c : cases) {
        PmAddrInfo info(c.version);
        EXPECT_EQ(info.GetInstalledGeneration(), c.gen) << c.version;
        EXPECT_EQ(info.GetLoadedGeneration(), PM_GEN_UNKNOWN);
        EXPECT_FALSE(info.IsLoaded());
    }
}

TEST(FacadeGeneration, UnknownVersionLogsAndRefusesLoadByUser) {
    LogCapture log;
    PmAddrInfo info(30499);
    EXPECT_TRUE(log.Has(2, "Palm Desktop Version: 30499"));
    EXPECT_FALSE(info.LoadByUser(7));
    EXPECT_TRUE(log.Has(2, "Load Palm Desktop Contacts by user: 7"));
    EXPECT_TRUE(log.Has(0, "Unknown Palm Desktop version"));
    EXPECT_EQ(info.GetLoadedGeneration(), PM_GEN_FAILED);
    CommAddr rec = Contact("A", "B");
    EXPECT_FALSE(info.AddContact(&rec));
    EXPECT_FALSE(info.PutContact(&rec));
    EXPECT_FALSE(info.UpdateContact(&rec, 0));
    EXPECT_FALSE(info.Save());

    PmAddrInfo unknown(kUnknownVersion);
    EXPECT_TRUE(log.Has(2, "Palm Desktop Version: -1"));
}

TEST_F(FacadeTest, UserWithoutDataFolderFailsTheLoad) {
    LogCapture log;
    PmSetUserFolderFinder(nullptr);
    PmAddrInfo info(40104);
    EXPECT_FALSE(info.LoadByUser(3));
    EXPECT_TRUE(log.Has(0, "Could not open Palm Desktop Contacts database by User: 3"));
    EXPECT_EQ(info.GetLoadedGeneration(), PM_GEN_UNKNOWN);
    EXPECT_EQ(info.GetStore()->GetCount(), 0u);
}

TEST_F(FacadeTest, LoadByUserUsesTheInstalledGenerationsFile) {
    const std::vector<CommAddr> contacts = pdsetup::MakeContacts(5, 4);
    vt_test::TempDir user;
    // The user's folder holds address/address.dat.
    const std::string folder = user.Path();
    std::string addressDir = folder + "address";
#ifdef _WIN32
    ASSERT_EQ(system(("mkdir \"" + addressDir + "\"").c_str()), 0);
#else
    ASSERT_EQ(system(("mkdir '" + addressDir + "'").c_str()), 0);
#endif
    std::string error;
    const std::string file = addressDir + (folder.back() == '/' ? "/" : "\\") + "address.dat";
    ASSERT_TRUE(pdsetup::WriteAddressData(PM_GEN_CLASSIC, file, contacts, error)) << error;
    PmSetUserFolderFinder([&](uint32_t id, char* buf, size_t size) {
        if (id != 42) return false;
        snprintf(buf, size, "%s", folder.c_str());
        return true;
    });
    PmAddrInfo info(40100);
    EXPECT_TRUE(info.LoadByUser(42));
    EXPECT_EQ(info.GetLoadedGeneration(), PM_GEN_CLASSIC);
    EXPECT_EQ(info.GetStore()->GetCount(), 4u);
    EXPECT_FALSE(info.LoadByUser(43));
    EXPECT_EQ(info.GetStore()->GetCount(), 0u);
    PmSetUserFolderFinder(nullptr);
}

TEST_F(FacadeTest, LoadFileChoosesTheLoaderByExtension) {
    LogCapture log;
    const std::vector<CommAddr> contacts = pdsetup::MakeContacts(1, 3);
    const std::string mdb = Make(PM_GEN_6X, contacts, "Address.MDB");
    const std::string ex = Make(PM_GEN_41X, contacts, "ex.DAT");
    const std::string classic = Make(PM_GEN_CLASSIC, contacts, "classic.dat");
    const std::string txt = m_dir.File("contacts.txt");
    vt_test::WriteText(txt, "[Contact]\r\n");

    PmAddrInfo info(40104);  // the installed generation plays no part
    log.Reset();
    ASSERT_TRUE(info.LoadFile(mdb.c_str()));
    EXPECT_EQ(info.GetLoadedGeneration(), PM_GEN_6X);
    EXPECT_TRUE(log.Has(2, "Load Palm Desktop Contacts by file: " + mdb));
    EXPECT_TRUE(log.Has(2, ".mdb file, try Palm Desktop 6.x database loader."));
    EXPECT_EQ(info.GetStore()->GetCount(), 3u);

    log.Reset();
    ASSERT_TRUE(info.LoadFile(ex.c_str()));
    EXPECT_EQ(info.GetLoadedGeneration(), PM_GEN_41X);
    EXPECT_TRUE(log.Has(2, ".dat file, try Palm Desktop 4.1.4 database loader."));
    EXPECT_EQ(log.Find("Unable to load this file with Palm Desktop 4.1.4 file loader, try earlier "
                       "loader version."),
              std::string::npos);

    log.Reset();
    ASSERT_TRUE(info.LoadFile(classic.c_str()));
    EXPECT_EQ(info.GetLoadedGeneration(), PM_GEN_CLASSIC);
    const size_t first = log.Find(".dat file, try Palm Desktop 4.1.4 database loader.");
    const size_t second = log.Find(
        "Unable to load this file with Palm Desktop 4.1.4 file loader, try earlier loader version.");
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(first, second);
    EXPECT_EQ(info.GetStore()->GetCount(), 3u);

    log.Reset();
    EXPECT_FALSE(info.LoadFile(txt.c_str()));
    EXPECT_EQ(info.GetLoadedGeneration(), PM_GEN_FAILED);
    EXPECT_TRUE(log.Has(0, "Failed to load Palm Desktop Contacts data file: " + txt));
    EXPECT_EQ(info.GetStore()->GetCount(), 0u);
    EXPECT_EQ(info.GetRecordCount(), 0u);

    // A damaged .dat: neither loader reads it, nothing is offered.
    const std::string bad = m_dir.File("bad.dat");
    vt_test::WriteText(bad, "not a Palm file at all");
    EXPECT_FALSE(info.LoadFile(bad.c_str()));
    EXPECT_EQ(info.GetLoadedGeneration(), PM_GEN_FAILED);

    // No path: nothing changes.
    ASSERT_TRUE(info.LoadFile(classic.c_str()));
    EXPECT_FALSE(info.LoadFile(""));
    EXPECT_FALSE(info.LoadFile(nullptr));
    EXPECT_EQ(info.GetLoadedGeneration(), PM_GEN_CLASSIC);
    EXPECT_EQ(info.GetStore()->GetCount(), 3u);

    info.Clear();
    EXPECT_EQ(info.GetLoadedGeneration(), PM_GEN_UNKNOWN);
    EXPECT_EQ(info.GetStore()->GetCount(), 0u);
    EXPECT_EQ(info.GetClassicStore()->GetRecords()->GetCount(), 0u);
}

TEST_F(FacadeTest, DetectFileTypeLeavesTheLoadedDataAlone) {
    LogCapture log;
    const std::vector<CommAddr> contacts = pdsetup::MakeContacts(2, 2);
    const std::string mdb = Make(PM_GEN_6X, contacts);
    const std::string other = Make(PM_GEN_6X, pdsetup::MakeContacts(3, 1), "Other.mdb");
    const std::string ex = Make(PM_GEN_41X, contacts, "ex.dat");
    const std::string classic = Make(PM_GEN_CLASSIC, contacts, "classic.dat");
    const std::string txt = m_dir.File("contacts.txt");
    vt_test::WriteText(txt, "x");

    PmAddrInfo info(kUnknownVersion);
    ASSERT_TRUE(info.LoadFile(mdb.c_str()));
    EXPECT_EQ(info.DetectFileType(nullptr), PM_GEN_UNKNOWN);
    EXPECT_EQ(info.DetectFileType(""), PM_GEN_UNKNOWN);
    EXPECT_EQ(info.DetectFileType(other.c_str()), PM_GEN_6X);
    EXPECT_TRUE(log.Has(2, "Check Palm Desktop Contacts file type: (" + other + ") - Palm Desktop 6.x"));
    EXPECT_EQ(info.DetectFileType(ex.c_str()), PM_GEN_41X);
    EXPECT_TRUE(log.Has(2, "Check Palm Desktop Contacts file type: (" + ex + ") - Palm Desktop 4.1.x"));
    EXPECT_EQ(info.DetectFileType(classic.c_str()), PM_GEN_CLASSIC);
    EXPECT_TRUE(log.Has(2, "Check Palm Desktop Contacts file type: (" + classic +
                               ") - Palm Desktop 4.1 or earlier"));
    EXPECT_EQ(info.DetectFileType(txt.c_str()), PM_GEN_FAILED);
    EXPECT_TRUE(log.Has(0, "Failed to check Palm Desktop Contacts file type: (" + txt + ")"));

    EXPECT_EQ(info.GetLoadedGeneration(), PM_GEN_6X);
    EXPECT_EQ(info.GetStore()->GetCount(), 2u);
    // A write after the check still reaches the loaded database, not the
    // one that was checked.
    CommAddr added = Contact("After", "Check");
    ASSERT_TRUE(info.AddContact(&added));
    TdmMain::Instance().CloseAll();
    PmAddrInfo back(kUnknownVersion);
    ASSERT_TRUE(back.LoadFile(mdb.c_str()));
    EXPECT_EQ(back.GetStore()->GetCount(), 3u);
    ASSERT_TRUE(back.LoadFile(other.c_str()));
    EXPECT_EQ(back.GetStore()->GetCount(), 1u);
}

TEST_F(FacadeTest, RecordsWithStatusBits4Or128AreNotOfferedButKept) {
    for (int gen : {PM_GEN_CLASSIC, PM_GEN_41X}) {
        SCOPED_TRACE(gen);
        const std::string file =
            Make(gen, pdsetup::MakeContacts(9, 4), gen == PM_GEN_CLASSIC ? "c.dat" : "x.dat");
        {
            PmAddrInfo writer(kUnknownVersion);
            ASSERT_TRUE(writer.LoadFile(file.c_str()));
            if (gen == PM_GEN_CLASSIC) {
                writer.GetClassicStore()->GetRecords()->GetAt(1)->nStatus = 4;
                writer.GetClassicStore()->GetRecords()->GetAt(2)->nStatus = 128 | 1;
            } else {
                writer.GetExStore()->GetRecords()->GetAt(1)->nStatus = 4;
                writer.GetExStore()->GetRecords()->GetAt(2)->nStatus = 128 | 1;
            }
            ASSERT_TRUE(writer.Save());
        }
        PmAddrInfo info(kUnknownVersion);
        ASSERT_TRUE(info.LoadFile(file.c_str()));
        ASSERT_EQ(info.GetStore()->GetCount(), 2u);
        ASSERT_EQ(info.GetRecordCount(), 2u);
        const CommAddr* second = info.GetStore()->GetAt(1);
        EXPECT_STREQ(second->m_szFirstName, pdsetup::MakeContact(9, 3).m_szFirstName);
        EXPECT_EQ(second->m_nSourceType, SOURCE_PALM);
        // Position i of the facade and the common store name the same contact.
        CommAddr changed = *second;
        SetFieldText(changed, FID_NOTE, "changed note");
        ASSERT_TRUE(info.UpdateContact(&changed, 1));
        ASSERT_TRUE(info.Save());
        PmAddrInfo back(kUnknownVersion);
        ASSERT_TRUE(back.LoadFile(file.c_str()));
        if (gen == PM_GEN_CLASSIC) {
            ASSERT_EQ(back.GetClassicStore()->GetRecords()->GetCount(), 4u);
            EXPECT_STREQ(back.GetClassicStore()->GetRecords()->GetAt(3)->szNote, "changed note");
            EXPECT_EQ(back.GetClassicStore()->GetRecords()->GetAt(3)->nStatus, 2);
        } else {
            ASSERT_EQ(back.GetExStore()->GetRecords()->GetCount(), 4u);
            EXPECT_STREQ(back.GetExStore()->GetRecords()->GetAt(3)->szNote, "changed note");
        }
        EXPECT_EQ(back.GetStore()->GetCount(), 2u);
    }
}

TEST_F(FacadeTest, CategoryTextTakesTheFirstOfSeveral) {
    for (int gen : {PM_GEN_CLASSIC, PM_GEN_41X, PM_GEN_6X}) {
        SCOPED_TRACE(gen);
        const std::string file = Make(gen, {}, "cat" + std::to_string(gen) +
                                                   (gen == PM_GEN_6X ? ".mdb" : ".dat"));
        PmAddrInfo info(kUnknownVersion);
        ASSERT_TRUE(info.LoadFile(file.c_str()));
        CommAddr rec = Contact("Cat", "Egory");
        SetFieldText(rec, FID_CATEGORY, "Business, Friends");
        ASSERT_TRUE(info.AddContact(&rec));
        const PmAddrInfoRecord* r = info.GetRecordAt(0);
        const char* text = r->m_pAddr ? r->m_pAddr->szCategory
                           : r->m_pAddrEx ? r->m_pAddrEx->szCategory
                                          : r->m_pAddrEx2->m_szCategory;
        EXPECT_STREQ(text, "Business");
        TdmMain::Instance().CloseAll();
    }
}

TEST_F(FacadeTest, UpdateMovesClassicAndExRecordsButNot6xOnes) {
    CommAddr base = Contact("Move", "Me");
    SetFieldText(base, FID_CATEGORY, "Business");
    for (int gen : {PM_GEN_CLASSIC, PM_GEN_41X, PM_GEN_6X}) {
        SCOPED_TRACE(gen);
        const std::string file =
            Make(gen, {base}, "mv" + std::to_string(gen) + (gen == PM_GEN_6X ? ".mdb" : ".dat"));
        PmAddrInfo info(kUnknownVersion);
        ASSERT_TRUE(info.LoadFile(file.c_str()));
        ASSERT_STREQ(info.GetStore()->GetAt(0)->m_szCategory, "Business");
        CommAddr rec = base;
        SetFieldText(rec, FID_CATEGORY, "Friends");
        // Category is no compared field: the two-way run merges directly.
        EXPECT_FALSE(info.PutContact(&rec));
        ASSERT_TRUE(info.UpdateContact(&rec, 0));
        ASSERT_TRUE(info.Save());
        TdmMain::Instance().CloseAll();
        PmAddrInfo back(kUnknownVersion);
        ASSERT_TRUE(back.LoadFile(file.c_str()));
        EXPECT_STREQ(back.GetStore()->GetAt(0)->m_szCategory,
                     gen == PM_GEN_6X ? "Business" : "Friends");
        TdmMain::Instance().CloseAll();
    }
}

TEST_F(FacadeTest, New6xRecordJoinsCategoryZeroWhenThereIsOne) {
    CommAddr rec = Contact("Zero", "Cat");
    SetFieldText(rec, FID_CATEGORY, "Business");
    CommAddr friends = Contact("New", "Friend");
    SetFieldText(friends, FID_CATEGORY, "Friends");
    {
        const std::string file = Make(PM_GEN_6X, {}, "plain.mdb");
        PmAddrInfo info(kUnknownVersion);
        ASSERT_TRUE(info.LoadFile(file.c_str()));
        ASSERT_TRUE(info.AddContact(&rec));
        EXPECT_EQ(Ex2At(info, 0).m_nCategoryID, 1);
        EXPECT_STREQ(Ex2At(info, 0).m_szCategory, "Business");
        ASSERT_TRUE(info.AddContact(&friends));
        EXPECT_STREQ(Ex2At(info, 1).m_szCategory, "Friends");
        int32_t id = -1;
        EXPECT_TRUE(info.GetEx2Store()->GetCategoryId("Friends", id, false));
        EXPECT_EQ(Ex2At(info, 1).m_nCategoryID, id);
    }
    TdmMain::Instance().CloseAll();
    const std::string file = Make(PM_GEN_6X, {}, "zero.mdb");
    Sql(file, "INSERT INTO Category ([ID], [Name], [Status], [Color]) VALUES (0, 'Unfiled', 1, 0)");
    PmAddrInfo info(kUnknownVersion);
    ASSERT_TRUE(info.LoadFile(file.c_str()));
    ASSERT_TRUE(info.AddContact(&rec));
    EXPECT_EQ(Ex2At(info, 0).m_nCategoryID, 0);
    EXPECT_STREQ(Ex2At(info, 0).m_szCategory, "Unfiled");
}

TEST_F(FacadeTest, PhonesGoToTheirSlots) {
    const std::string file = Make(PM_GEN_6X, {});
    PmAddrInfo info(kUnknownVersion);
    ASSERT_TRUE(info.LoadFile(file.c_str()));
    CommAddr rec = Contact("Phone", "Slots");
    SetFieldText(rec, FID_HOME_PHONE, "555-1");
    SetFieldText(rec, FID_MOBILE_PHONE, "555-2");
    ASSERT_TRUE(info.AddContact(&rec));
    const PmAddrEx2Record& x = Ex2At(info, 0);
    EXPECT_STREQ(x.m_szPhone[0], "555-1");
    EXPECT_EQ(x.m_nPhoneLabel[0], PM_PHONE_HOME);
    EXPECT_STREQ(x.m_szPhone[1], "555-2");
    EXPECT_EQ(x.m_nPhoneLabel[1], PM_PHONE_MOBILE);
    EXPECT_STREQ(x.m_szPhone[2], "");

    // Work, home and mobile: the mobile ends in slot 3 with code 7.
    CommAddr three = Contact("Three", "Phones");
    SetFieldText(three, FID_WORK_PHONE, "555-10");
    SetFieldText(three, FID_HOME_PHONE, "555-11");
    SetFieldText(three, FID_MOBILE_PHONE, "555-12");
    ASSERT_TRUE(info.AddContact(&three));
    ASSERT_EQ(Ex2At(info, 1).m_nPhoneLabel[2], PM_PHONE_MOBILE);
    ASSERT_STREQ(Ex2At(info, 1).m_szPhone[2], "555-12");

    CommAddr newMobile = Contact("Three", "Phones");
    SetFieldText(newMobile, FID_MOBILE_PHONE, "555-99");
    ASSERT_TRUE(info.UpdateContact(&newMobile, 1));
    EXPECT_STREQ(Ex2At(info, 1).m_szPhone[2], "555-99");
    EXPECT_EQ(Ex2At(info, 1).m_nPhoneLabel[2], PM_PHONE_MOBILE);
    EXPECT_STREQ(Ex2At(info, 1).m_szPhone[0], "555-10");

    CommAddr noMobile = Contact("Three", "Phones");
    SetFieldText(noMobile, FID_NOTE, "only a note");
    ASSERT_TRUE(info.UpdateContact(&noMobile, 1));
    EXPECT_STREQ(Ex2At(info, 1).m_szPhone[2], "555-99");
    EXPECT_STREQ(info.GetStore()->GetAt(1)->m_szMobilePhone, "555-99");

    // Home Fax stands in for an empty Work Fax.
    CommAddr fax = Contact("Fax", "Only");
    SetFieldText(fax, FID_HOME_FAX, "555-77");
    ASSERT_TRUE(info.AddContact(&fax));
    EXPECT_STREQ(Ex2At(info, 2).m_szPhone[0], "555-77");
    EXPECT_EQ(Ex2At(info, 2).m_nPhoneLabel[0], PM_PHONE_FAX);

    // Read back: the slots give the common phones again (fax as Work Fax).
    TdmMain::Instance().CloseAll();
    PmAddrInfo back(kUnknownVersion);
    ASSERT_TRUE(back.LoadFile(file.c_str()));
    EXPECT_STREQ(back.GetStore()->GetAt(0)->m_szHomePhone, "555-1");
    EXPECT_STREQ(back.GetStore()->GetAt(0)->m_szMobilePhone, "555-2");
    EXPECT_STREQ(back.GetStore()->GetAt(2)->m_szWorkFax, "555-77");
}

TEST_F(FacadeTest, PhoneWithoutFreeSlotAndLongTextsAreLogged) {
    LogCapture log;
    const std::string classic = Make(PM_GEN_CLASSIC, {}, "c.dat");
    PmAddrInfo info(kUnknownVersion);
    ASSERT_TRUE(info.LoadFile(classic.c_str()));
    CommAddr rec = Contact("Many", "Phones");
    const struct {
        int32_t id;
        const char* text;
    } phones[] = {{FID_WORK_PHONE, "1"}, {FID_HOME_PHONE, "2"}, {FID_WORK_FAX, "3"},
                  {FID_OTHER_PHONE, "4"}, {FID_EMAIL, "5@x"}, {FID_PRIMARY_PHONE, "6"},
                  {FID_MOBILE_PHONE, "7"}};
    for (const auto& p : phones) SetFieldText(rec, p.id, p.text);
    ASSERT_TRUE(info.AddContact(&rec));
    const PmAddrRecord& a = *info.GetRecordAt(0)->m_pAddr;
    for (int i = 0; i < 5; ++i) {
        EXPECT_STREQ(a.szPhone[i], phones[i].text) << i;
        EXPECT_EQ(a.nPhoneKind[i], i) << i;
    }
    EXPECT_TRUE(log.Has(2, "No free Palm Desktop phone slot for Primary Phone; phone dropped: 6"));
    EXPECT_TRUE(log.Has(2, "No free Palm Desktop phone slot for Mobile Phone; phone dropped: 7"));

    const std::string ex = Make(PM_GEN_41X, {}, "x.dat");
    ASSERT_TRUE(info.LoadFile(ex.c_str()));
    CommAddr longNote = Contact("Long", "Note");
    std::string note(3000, 'n');
    SetFieldText(longNote, FID_NOTE, note.c_str());
    log.Reset();
    ASSERT_TRUE(info.AddContact(&longNote));
    EXPECT_EQ(strlen(info.GetRecordAt(0)->m_pAddrEx->szNote), 2047u);
    EXPECT_TRUE(
        log.Has(2, "Text longer than Palm Desktop field Note (2047 characters) is written whole: " +
                       note));
    // The file gets the whole note, not the field's cut.
    ASSERT_TRUE(info.Save());
    PmAddrInfo back(kUnknownVersion);
    ASSERT_TRUE(back.LoadFile(ex.c_str()));
    ASSERT_EQ(back.GetRecordCount(), 1u);
    EXPECT_EQ(std::string(back.GetStore()->GetAt(0)->m_szNote), note);
}

TEST_F(FacadeTest, DatesCarryTheFixedOffset) {
    const std::string ex = Make(PM_GEN_41X, {});
    {
        PmAddrInfo info(kUnknownVersion);
        ASSERT_TRUE(info.LoadFile(ex.c_str()));
        CommAddr rec = Contact("Born", "1996");
        rec.m_dtBirthday = 35392.0;
        ASSERT_TRUE(info.AddContact(&rec));
        double stored = 0;
        memcpy(&stored, info.GetRecordAt(0)->m_pAddrEx->birthday, sizeof stored);
        EXPECT_EQ(stored, 129116000.0);
        ASSERT_TRUE(info.Save());
        PmAddrInfo back(kUnknownVersion);
        ASSERT_TRUE(back.LoadFile(ex.c_str()));
        EXPECT_EQ(back.GetStore()->GetAt(0)->m_dtBirthday, 35392.0);
    }
    const std::string mdb = Make(PM_GEN_6X, {});
    PmAddrInfo info(kUnknownVersion);
    ASSERT_TRUE(info.LoadFile(mdb.c_str()));
    CommAddr rec = Contact("Day", "Zero");
    rec.m_dtBirthday = -129080608.0;
    rec.m_dtAnniversary = 35392.75;  // the time of day is dropped
    ASSERT_TRUE(info.AddContact(&rec));
    EXPECT_EQ(Ex2At(info, 0).m_nBirthday, 0);
    EXPECT_EQ(Ex2At(info, 0).m_nAnniversary, 129116000);
    TdmMain::Instance().CloseAll();
    PmAddrInfo back(kUnknownVersion);
    ASSERT_TRUE(back.LoadFile(mdb.c_str()));
    EXPECT_EQ(back.GetStore()->GetAt(0)->m_dtBirthday, 0.0);  // a stored 0 is no date
    EXPECT_EQ(back.GetStore()->GetAt(0)->m_dtAnniversary, 35392.0);
}

TEST_F(FacadeTest, PutContactAddsMergesAndLeavesEqualRecords) {
    const std::vector<CommAddr> contacts = pdsetup::MakeContacts(4, 3);
    for (int gen : {PM_GEN_CLASSIC, PM_GEN_41X, PM_GEN_6X}) {
        SCOPED_TRACE(gen);
        const std::string file =
            Make(gen, contacts, "put" + std::to_string(gen) + (gen == PM_GEN_6X ? ".mdb" : ".dat"));
        PmAddrInfo info(kUnknownVersion);
        ASSERT_TRUE(info.LoadFile(file.c_str()));
        CommAddr same = *info.GetStore()->GetAt(0);
        EXPECT_FALSE(info.PutContact(&same));
        EXPECT_FALSE(info.PutContact(nullptr));
        CommAddr diff = contacts[1];
        SetFieldText(diff, FID_WORK_CITY, "Elsewhere");
        EXPECT_TRUE(info.PutContact(&diff));
        EXPECT_STREQ(info.GetStore()->GetAt(1)->m_WorkAddr.m_szCity, "Elsewhere");
        CommAddr fresh = Contact("Brand", "New");
        EXPECT_TRUE(info.PutContact(&fresh));
        EXPECT_EQ(info.GetStore()->GetCount(), 4u);
        EXPECT_FALSE(info.UpdateContact(&diff, -1));
        EXPECT_FALSE(info.UpdateContact(&diff, 4));
        ASSERT_TRUE(info.Save());
        TdmMain::Instance().CloseAll();
        PmAddrInfo back(kUnknownVersion);
        ASSERT_TRUE(back.LoadFile(file.c_str()));
        ASSERT_EQ(back.GetStore()->GetCount(), 4u);
        EXPECT_STREQ(back.GetStore()->GetAt(1)->m_WorkAddr.m_szCity, "Elsewhere");
        EXPECT_STREQ(back.GetStore()->GetAt(3)->m_szLastName, "New");
        EXPECT_EQ(back.GetStore()->FindMatch(&same, nullptr, nullptr), MATCH_SAME);
        TdmMain::Instance().CloseAll();
    }
}

TEST_F(FacadeTest, SaveWritesTheLoadedGenerationNotTheInstalledOne) {
    const std::string file = Make(PM_GEN_41X, pdsetup::MakeContacts(6, 2));
    PmAddrInfo info(60200);  // 6.x installed
    ASSERT_TRUE(info.LoadFile(file.c_str()));
    CommAddr rec = Contact("Saved", "ToDat");
    ASSERT_TRUE(info.AddContact(&rec));
    ASSERT_TRUE(info.Save());
    PmAddrExUtil raw(file.c_str());
    ASSERT_TRUE(raw.IsLoaded());
    EXPECT_EQ(raw.GetRecords()->GetCount(), 3u);
    const PmAddrExRecord* added = raw.GetRecords()->GetAt(2);
    EXPECT_EQ(added->nStatus & 1, 1);
    EXPECT_EQ(added->nColumn1, 2 + 4096);
    EXPECT_EQ(added->nColumn3, 2 * 73);
    EXPECT_EQ(added->nPlacement, 0x7FFFFFFF);
}

TEST_F(FacadeTest, Refused6xWritesAreFailures) {
    LogCapture log;
    const std::string file = Make(PM_GEN_6X, pdsetup::MakeContacts(8, 2));
    PmAddrInfo info(kUnknownVersion);
    ASSERT_TRUE(info.LoadFile(file.c_str()));
    const CommAddr before = *info.GetStore()->GetAt(0);
    // The table goes away under the loaded facade: every write is refused.
    Sql(file, "DROP TABLE Main");
    ASSERT_TRUE(info.GetEx2Store()->Open(PM_DB_ADDR, file.c_str()));
    CommAddr fresh = Contact("Refused", "Add");
    EXPECT_FALSE(info.AddContact(&fresh));
    EXPECT_FALSE(info.PutContact(&fresh));
    EXPECT_EQ(info.GetStore()->GetCount(), 2u);
    EXPECT_EQ(info.GetRecordCount(), 2u);
    EXPECT_EQ(info.GetEx2Store()->GetRecords()->GetCount(), 2);

    CommAddr changed = before;
    SetFieldText(changed, FID_WORK_CITY, "Refusedtown");
    EXPECT_FALSE(info.UpdateContact(&changed, 0));
    EXPECT_FALSE(info.PutContact(&changed));
    EXPECT_STREQ(info.GetStore()->GetAt(0)->m_WorkAddr.m_szCity, before.m_WorkAddr.m_szCity);
    EXPECT_STREQ(Ex2At(info, 0).m_szWorkCity, before.m_WorkAddr.m_szCity);
    EXPECT_STREQ(info.GetEx2Store()->GetRecords()->GetAt(0)->m_szWorkCity,
                 before.m_WorkAddr.m_szCity);
    EXPECT_NE(log.Text().find("Failed to update the contact in the Palm Desktop Contacts database"),
              std::string::npos);
}

TEST_F(FacadeTest, SixXRecordKeepsWhatTheCommonRecordDoesNotCarry) {
    const std::string file = Make(PM_GEN_6X, {Contact("Keep", "Fields")});
    Sql(file, "UPDATE Main SET [Website] = 'http://example.com', [Custom 12] = 'c12', "
              "[Profession] = 'Baker'");
    PmAddrInfo info(kUnknownVersion);
    ASSERT_TRUE(info.LoadFile(file.c_str()));
    CommAddr rec = Contact("Keep", "Fields");
    SetFieldText(rec, FID_COMPANY, "New Company");
    CxCopyText(rec.m_szCustom[9], "tenth");
    ASSERT_TRUE(info.PutContact(&rec));
    TdmMain::Instance().CloseAll();
    PmAddrInfo back(kUnknownVersion);
    ASSERT_TRUE(back.LoadFile(file.c_str()));
    const PmAddrEx2Record& x = Ex2At(back, 0);
    EXPECT_STREQ(x.m_szWebsite, "http://example.com");
    EXPECT_STREQ(x.m_szCustom[11], "c12");
    EXPECT_STREQ(x.m_szProfession, "Baker");
    EXPECT_STREQ(x.m_szCompany, "New Company");
    EXPECT_STREQ(x.m_szCustom[9], "tenth");
    EXPECT_STREQ(back.GetStore()->GetAt(0)->m_szCustom[9], "tenth");
}

}  // namespace
