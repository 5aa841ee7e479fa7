// The contacts reader and writer against the stand-in Outlook. The stand-in
// writes its data file when the session closes, so each test reads the file
// after its OlAddrUtil is gone.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "OlTestEnv.h"
#include "common/misc/CxPlatform.h"
#include "common/outlook/OlAddr.h"
#include "standins/outlook/OlStandIn.h"

using namespace ol_test;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

struct TestOlAddr : OlAddrUtil {
    using OlAddrUtil::GetTargetSlot;
};

// The pairs of the field mapping, as documented for users of the mapping.
struct Pair {
    int32_t id;
    const char* prop;
};
const Pair kPairs[] = {
    {1, "FirstName"}, {2, "MiddleName"}, {3, "LastName"}, {4, "Initials"}, {6, "NickName"},
    {7, "FullName"}, {9, "BusinessAddressStreet"}, {10, "BusinessAddressCity"},
    {11, "BusinessAddressState"}, {12, "BusinessAddressPostalCode"},
    {13, "BusinessAddressCountry"}, {14, "HomeAddressStreet"}, {15, "HomeAddressCity"},
    {16, "HomeAddressState"}, {17, "HomeAddressPostalCode"}, {18, "HomeAddressCountry"},
    {19, "OtherAddressStreet"}, {20, "OtherAddressCity"}, {21, "OtherAddressState"},
    {22, "OtherAddressPostalCode"}, {23, "OtherAddressCountry"}, {24, "HomeTelephoneNumber"},
    {25, "BusinessTelephoneNumber"}, {26, "MobileTelephoneNumber"}, {27, "OtherTelephoneNumber"},
    {28, "PrimaryTelephoneNumber"}, {29, "CallbackTelephoneNumber"}, {30, "CarTelephoneNumber"},
    {31, "RadioTelephoneNumber"}, {34, "BusinessFaxNumber"}, {35, "HomeFaxNumber"},
    {37, "Email1Address"}, {38, "Email2Address"}, {39, "Email3Address"},
    {40, "PersonalHomePage"}, {41, "BusinessHomePage"}, {42, "FTPSite"}, {43, "Body"},
    {53, "CompanyName"}, {54, "Department"}, {55, "JobTitle"}, {56, "IMAddress"},
    {58, "ManagerName"}, {59, "AssistantName"}, {60, "AssistantTelephoneNumber"},
    {61, "Spouse"}, {63, "Profession"}, {64, "Hobby"}, {65, "Account"}, {69, "Language"},
    {72, "CustomerID"}, {75, "Categories"},
};

std::string Narrow(const wchar_t* w) {
    std::string s;
    for (; *w; ++w) s += static_cast<char>(*w);
    return s;
}

// Every property of the buffer with a short distinct value: "v<index>".
Props FullContact() {
    Props p;
    for (size_t i = 0; i < OL_PROP_COUNT; ++i) {
        if (g_OlPropInfo[i].m_nType == OL_PROP_TEXT)
            p[Narrow(g_OlPropInfo[i].m_pszName)] = "v" + std::to_string(i);
    }
    p["Gender"] = "2";
    p["Anniversary"] = "40000.5";
    p["Birthday"] = "30000";
    p["CreationTime"] = "44000.25";
    p["LastModificationTime"] = "44001.75";
    return p;
}

std::string Field(const CommAddr& rec, int32_t id) {
    size_t size = 0;
    const char* t = GetTextSlot(rec, id, &size);
    return t ? std::string(t) : std::string("<no slot>");
}

CommAddr Person(const char* first, const char* last, const char* email) {
    CommAddr r;
    SetFieldText(r, FID_FIRST_NAME, first);
    SetFieldText(r, FID_LAST_NAME, last);
    SetFieldText(r, FID_EMAIL, email);
    return r;
}

Props PersonProps(const std::string& first, const std::string& last, const std::string& email) {
    return {{"FirstName", first}, {"LastName", last}, {"Email1Address", email}};
}

const OlContactBuf* Buffer(const CommAddr& rec) {
    if (rec.m_Native.GetLength() != sizeof(OlContactBuf)) return nullptr;
    return reinterpret_cast<const OlContactBuf*>(rec.m_Native.GetData());
}

std::vector<const CommAddr*> Records(OlAddrUtil& util) {
    std::vector<const CommAddr*> out;
    CommAddrMgr* store = util.GetStore();
    for (uint32_t i = 0; store && i < store->GetCount(); ++i) out.push_back(store->GetAt(i));
    return out;
}

double OleDate(uint16_t y, uint16_t m, uint16_t d) {
    CxSystemTime st;
    st.wYear = y;
    st.wMonth = m;
    st.wDay = d;
    double v = 0;
    cxplat::SystemTimeToVariantTime(st, v);
    return v;
}

std::vector<std::string> WithPrefix(const std::vector<std::string>& messages, const char* prefix) {
    std::vector<std::string> out;
    for (const auto& m : messages)
        if (m.compare(0, strlen(prefix), prefix) == 0) out.push_back(m);
    return out;
}

// ------------------------------------------------------------- lifetime

TEST(OlAddrSession, CountsTwiceAndLeavesTwice) {
    StandInData data;
    {
        OlAddrUtil util;
        EXPECT_TRUE(util.IsStarted());
        EXPECT_TRUE(util.HasFolder());
        EXPECT_EQ(OlBaseUtil::GetUserCount(), 2);
        OlAddrUtil second;
        EXPECT_EQ(OlBaseUtil::GetUserCount(), 4);
    }
    EXPECT_EQ(OlBaseUtil::GetUserCount(), 0);
    EXPECT_FALSE(OlBaseUtil::IsSessionOpen());
}

TEST(OlAddrSession, OutlookNotRegisteredGivesAnEmptyStore) {
    struct Again {
        ~Again() { RegisterStandIn(); }
    } again;
    ASSERT_TRUE(UnregisterStandIn());
    StandInData data({PersonProps("Ann", "Lee", "ann@x")});
    LogCapture log;
    OlAddrUtil util;
    EXPECT_FALSE(util.IsStarted());
    EXPECT_FALSE(util.HasFolder());
    EXPECT_EQ(OlBaseUtil::GetUserCount(), 0);
    EXPECT_FALSE(util.Load());
    ASSERT_NE(util.GetStore(), nullptr);
    EXPECT_EQ(util.GetStore()->GetCount(), 0u);
    CommAddr rec = Person("Ann", "Lee", "ann@x");
    EXPECT_FALSE(util.PutContact(&rec));
    EXPECT_FALSE(util.AddContact(&rec));
    EXPECT_FALSE(util.UpdateContact(&rec, 0));
    EXPECT_THAT(log.Messages(),
                Contains("Can not get the CLSID of Outlook.Application, hr=0x800401f3"));
    EXPECT_THAT(log.Messages(), Not(Contains(HasSubstr("Failed to execute"))));
}

// --------------------------------------------------------------- reading

TEST(OlAddrRead, EmptyFolderLoadsAsEmptyStore) {
    StandInData data;
    OlAddrUtil util;
    LogCapture log;
    EXPECT_TRUE(util.Load());
    EXPECT_EQ(util.GetStore()->GetCount(), 0u);
    auto messages = log.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], "Got the name of the Contacts folder: Contacts");
    EXPECT_THAT(messages[1], HasSubstr("Got the StoreID of the Contact folder: 0000000038A1BB10"));
    for (const auto& line : log.Lines()) {
        EXPECT_THAT(line, HasSubstr("[OlAddr"));
        EXPECT_THAT(line, HasSubstr("][   ] - "));  // level 2
    }
}

TEST(OlAddrRead, EveryPairIsReadAndTheBufferIsKept) {
    StandInData data({FullContact(), PersonProps("Bo", "Ek", "bo@x")});
    OlAddrUtil util;
    ASSERT_TRUE(util.Load());
    auto recs = Records(util);
    ASSERT_EQ(recs.size(), 2u);
    const CommAddr& r = *recs[0];
    const Props full = FullContact();
    for (const Pair& p : kPairs) EXPECT_EQ(Field(r, p.id), full.at(p.prop)) << p.prop;
    EXPECT_EQ(r.m_dtAnniversary, 40000.5);
    EXPECT_EQ(r.m_dtBirthday, 30000.0);
    EXPECT_EQ(r.m_dtCreationTime, 44000.25);
    EXPECT_EQ(r.m_dtLastModificationTime, 44001.75);
    EXPECT_EQ(r.m_nSourceType, 3);
    // fields Outlook does not exchange stay empty
    EXPECT_EQ(r.m_nGender, 0);
    for (int32_t id : {5, 32, 33, 36, 57, 62, 68, 70, 71, 73, 74, 80})
        EXPECT_EQ(Field(r, id), "") << id;
    for (const auto& custom : r.m_szCustom) EXPECT_STREQ(custom, "");
    // the buffer travels with the record
    const OlContactBuf* buf = Buffer(r);
    ASSERT_NE(buf, nullptr);
    EXPECT_EQ(buf->m_nGender, 2);
    EXPECT_STREQ(buf->m_szEmail1AddressType, full.at("Email1AddressType").c_str());
    EXPECT_STREQ(buf->m_szWebPage, full.at("WebPage").c_str());
    EXPECT_STREQ(buf->m_szFolderName, "Contacts");
    EXPECT_EQ(Field(*recs[1], FID_FIRST_NAME), "Bo");  // folder order
}

TEST(OlAddrRead, EachPropertyCostsOneLookupAndOneCall) {
    StandInData data({FullContact(), FullContact(), FullContact()});
    OlAddrUtil util;
    ASSERT_TRUE(util.Load());
    ResetCounts();
    ASSERT_TRUE(util.Load());
    Counts c = GetCounts();
    // Name, StoreID, Items, EntryID, GetFirst, then per item its Class, its
    // EntryID, its properties and one GetNext
    const long long expected = 5 + 3 * (static_cast<long long>(OL_PROP_COUNT) + 3);
    EXPECT_EQ(c.ids, expected);
    EXPECT_EQ(c.invokes, expected);
}

// A walk that fails part-way leaves contacts unknown: the side is listed
// but read only, so no run adds a contact Outlook may already have.
TEST(OlAddrRead, FolderAndWalkFailures) {
    struct Case {
        const wchar_t* failing;
        bool loaded;
        size_t records;
        int32_t state;
        const char* message;
    };
    const Case cases[] = {
        {L"Name", true, 2, SIDE_AVAILABLE, "Failed to get the name of the Contact folder. hr=0x80004005"},
        {L"StoreID", true, 2, SIDE_AVAILABLE, "Failed to get the StoreID of the Contact folder. hr=0x80004005"},
        {L"Items", false, 0, SIDE_UNAVAILABLE,
         "Failed to get the \"Items\" property of the Contact folder. hr=0x80004005"},
        {L"GetFirst", true, 0, SIDE_READONLY,
         "The walk of the Contacts folder failed after 0 items, hr=0x80004005; Outlook is read only for this load."},
        {L"GetNext", true, 1, SIDE_READONLY,
         "The walk of the Contacts folder failed after 1 items, hr=0x80004005; Outlook is read only for this load."},
    };
    for (const Case& c : cases) {
        StandInData data({PersonProps("A", "B", "a@b"), PersonProps("C", "D", "c@d")});
        ScopedSetting fail(VT_OLSTANDIN_FAILNAME, c.failing);
        int32_t map[OlAddrUtil::kMapSize] = {0, 69};  // Custom 1 shows the folder name
        OlAddrUtil util;
        util.SetCustomMap(map);
        LogCapture log;
        EXPECT_EQ(util.Load(), c.loaded) << Narrow(c.failing);
        EXPECT_EQ(util.GetStore()->GetCount(), c.records) << Narrow(c.failing);
        EXPECT_EQ(util.GetSideState(), c.state) << Narrow(c.failing);
        size_t failures = 0;
        for (const auto& line : log.Lines())
            if (line.find("[!!!]") != std::string::npos) ++failures;
        EXPECT_THAT(log.Messages(), Contains(c.message)) << Narrow(c.failing);
        EXPECT_EQ(failures, 1u) << Narrow(c.failing);
        if (c.records > 0) {
            const char* expected = wcscmp(c.failing, L"Name") == 0 ? "" : "Contacts";
            EXPECT_STREQ(util.GetStore()->GetAt(0)->m_szCustom[0], expected);
        }
        if (c.state == SIDE_READONLY) {
            // nothing is written, not even a new contact
            CommAddr rec = Person("New", "One", "new@x");
            EXPECT_FALSE(util.AddAndList(&rec));
            if (c.records > 0) EXPECT_FALSE(util.UpdateContact(&rec, 0));
        }
    }
}

TEST(OlAddrRead, PropertyTheItemLacksStaysEmptyAndIsLogged) {
    StandInData data({FullContact()});
    ScopedSetting unknown(VT_OLSTANDIN_UNKNOWNNAME, L"Spouse");
    OlAddrUtil util;
    LogCapture log;
    ASSERT_TRUE(util.Load());
    const CommAddr& r = *util.GetStore()->GetAt(0);
    EXPECT_EQ(Field(r, FID_SPOUSE_NAME), "");
    EXPECT_EQ(Field(r, FID_HOBBY), FullContact().at("Hobby"));
    EXPECT_THAT(log.Messages(),
                Contains("Failed to call IDispatch->GetIDsOfNames, Name=Spouse, hr=0x80020006"));
}

TEST(OlAddrRead, NamesKnownOnlyInEnglishAreReadWithoutComplaint) {
    StandInData data({FullContact()});
    ScopedSetting english(VT_OLSTANDIN_ENGLISHONLY, L"FirstName");
    OlAddrUtil util;
    LogCapture log;
    ASSERT_TRUE(util.Load());
    EXPECT_EQ(Field(*util.GetStore()->GetAt(0), FID_FIRST_NAME), FullContact().at("FirstName"));
    EXPECT_THAT(WithPrefix(log.Messages(), "Failed"), IsEmpty());
}

TEST(OlAddrRead, CustomFieldsTakeTheirTargets) {
    Props p = FullContact();
    p["Birthday"] = std::to_string(OleDate(1975, 3, 4) + 0.5);
    p["Anniversary"] = std::to_string(OleDate(2031, 1, 1));  // outside the date text window
    StandInData data({p});
    ScopedSetting folder(VT_OLSTANDIN_FOLDERNAME, std::wstring(40, L'F'));
    //                               C1  C2  C3 C4  C5 C6 C7  C8  C9
    const int32_t map[OlAddrUtil::kMapSize] = {0, 23, 69, 5, 34, 2, 79, 53, 18, 80};
    OlAddrUtil util;
    util.SetCustomMap(map);
    ASSERT_TRUE(util.Load());
    const CommAddr& r = *util.GetStore()->GetAt(0);
    EXPECT_STREQ(r.m_szCustom[0], p.at("Email1Address").c_str());
    EXPECT_STREQ(r.m_szCustom[1], std::string(30, 'F').c_str());  // the folder name, cut to 30
    EXPECT_STREQ(r.m_szCustom[2], "03/04/1975");
    EXPECT_STREQ(r.m_szCustom[3], "");  // Gender has no slot
    EXPECT_STREQ(r.m_szCustom[4], "");  // a date outside 1931..2030 has no text
    EXPECT_STREQ(r.m_szCustom[5], "");  // 79 has no slot
    EXPECT_STREQ(r.m_szCustom[6], p.at("MailingAddressStreet").c_str());
    EXPECT_STREQ(r.m_szCustom[7], p.at("CompanyMainTelephoneNumber").c_str());
    EXPECT_STREQ(r.m_szCustom[8], "");  // 80 has no slot
}

TEST(OlAddrTargets, NamesAndSlots) {
    const std::pair<int32_t, const char*> names[] = {
        {0, "None"},           {1, "Account"},      {2, "Anniversary"},
        {18, "CompanyTelephoneNumber"},             {34, "Gender"},
        {43, "HomeAddressFaxNumber"},               {44, "HomeAddressTelephoneNumber"},
        {69, "FolderName"},    {75, "Suffix"},      {78, "Category"},
        {-1, ""},              {79, ""},            {80, ""}};
    for (const auto& n : names) EXPECT_STREQ(OlAddrUtil::GetTargetName(n.first), n.second) << n.first;

    StandInData data;
    TestOlAddr util;
    OlContactBuf buf;
    memset(&buf, 0, sizeof buf);
    for (int32_t i = -2; i <= 82; ++i) {
        size_t size = 99;
        const bool slot = util.GetTargetSlot(&buf, i, &size) != nullptr;
        const bool expected = i >= 1 && i <= 78 && i != 34;
        EXPECT_EQ(slot, expected) << i;
        EXPECT_EQ(size > 0, expected) << i;
    }
    size_t size = 0;
    EXPECT_EQ(util.GetTargetSlot(&buf, 50, &size), buf.m_szMailingAddressPostalCode);
    EXPECT_EQ(size, sizeof buf.m_szMailingAddressPostalCode);
}

// --------------------------------------------------------------- writing

TEST(OlAddrWrite, AddContactWritesTheMappedProperties) {
    StandInData data;
    CommAddr rec = Person(std::string(31, 'f').c_str(), "Lee", "");
    SetFieldText(rec, FID_NOTE, std::string(8191, 'n').c_str());
    SetFieldText(rec, FID_PREFIX, "Prof. Dr.");
    SetFieldText(rec, FID_LANGUAGE, "English (US)");
    SetFieldText(rec, FID_SUFFIX, "Jr.");
    SetFieldText(rec, FID_WORK_PHONE2, "555-2");  // not exchanged
    SetFieldText(rec, FID_CATEGORY, "Friends");
    rec.m_dtBirthday = 0;
    rec.m_dtAnniversary = 40000.5;
    rec.m_dtCreationTime = 1234.0;  // read only: never sent
    rec.m_nGender = 1;             // not exchanged
    {
        OlAddrUtil util;
        ASSERT_TRUE(util.AddContact(&rec));
        const OlContactBuf* buf = Buffer(rec);
        ASSERT_NE(buf, nullptr);
        EXPECT_STREQ(buf->m_szInitials, "Prof. Dr.");
        EXPECT_STREQ(buf->m_szSuffix, "Jr.");
    }
    auto items = data.Read();
    ASSERT_EQ(items.size(), 1u);
    Props& it = items[0];
    EXPECT_EQ(it["FirstName"], std::string(31, 'f'));
    // every common field fits its slot whole
    EXPECT_EQ(it["Body"], std::string(8191, 'n'));
    EXPECT_EQ(it["Initials"], "Prof. Dr.");
    EXPECT_EQ(it["Language"], "English (US)");
    EXPECT_EQ(it["Categories"], "Friends");
    EXPECT_EQ(it["Anniversary"], "40000.5");
    EXPECT_EQ(it.count("Birthday"), 0u);
    EXPECT_EQ(it.count("Email1Address"), 0u);
    EXPECT_EQ(it.count("Gender"), 0u);  // a new item gets Gender 0
    EXPECT_EQ(it.count("Email1AddressType"), 0u);
    EXPECT_EQ(it.count("Email1DisplayName"), 0u);
    EXPECT_NE(it["CreationTime"], "1234");
    EXPECT_FALSE(it["CreationTime"].empty());  // set by Save
    for (const auto& kv : it) EXPECT_NE(kv.second, "Jr.") << kv.first;
    for (const auto& kv : it) EXPECT_NE(kv.second, "555-2") << kv.first;
}

TEST(OlAddrWrite, ShortPrefixIsWrittenWhole) {
    StandInData data;
    CommAddr rec = Person("A", "B", "a@b");
    SetFieldText(rec, FID_PREFIX, "Dr.");
    {
        OlAddrUtil util;
        ASSERT_TRUE(util.AddContact(&rec));
    }
    EXPECT_EQ(data.Read().at(0).at("Initials"), "Dr.");
}

TEST(OlAddrWrite, CustomFieldsReachTheirTargets) {
    struct Case {
        const char* what;
        int32_t custom;  // 1..9
        int32_t target;
        const char* customText;
        const char* expectProp;  // property that must hold expectValue, or absent when null value
        const char* expectValue;
    };
    const Case cases[] = {
        {"custom replaces the Email", 1, 23, "c1@x", "Email1Address", "c1@x"},
        {"empty custom suppresses the Email", 1, 23, "", "Email1Address", nullptr},
        {"folder name reaches nothing", 2, 69, "folder?", "Email1Address", "e@x"},
        {"birthday text reaches nothing", 3, 5, "01/02/2003", "Birthday", nullptr},
        {"gender target does nothing", 4, 34, "zz", "Gender", nullptr},
        {"index 79 does nothing", 4, 79, "zz", "Email1Address", "e@x"},
        {"note wins over a custom field on Body", 5, 68, "custom body", "Body", "the note"},
        {"category wins over a custom field", 5, 78, "custom cat", "Categories", "Cat"},
        {"custom fills a property without a field", 6, 45, "555-ISDN", "ISDNNumber", "555-ISDN"},
        {"custom is cut to its slot", 6, 9, "12345678901234567890", "BusinessAddressPostalCode",
         "123456789012345"},
    };
    for (const Case& c : cases) {
        StandInData data;
        CommAddr rec = Person("Ann", "Lee", "e@x");
        SetFieldText(rec, FID_NOTE, "the note");
        SetFieldText(rec, FID_CATEGORY, "Cat");
        SetFieldText(rec, FID_CUSTOM1 + c.custom - 1, c.customText);
        int32_t map[OlAddrUtil::kMapSize] = {};
        map[c.custom] = c.target;
        {
            OlAddrUtil util;
            util.SetCustomMap(map);
            ASSERT_TRUE(util.AddContact(&rec)) << c.what;
        }
        auto items = data.Read();
        ASSERT_EQ(items.size(), 1u) << c.what;
        if (c.expectValue)
            EXPECT_EQ(items[0][c.expectProp], c.expectValue) << c.what;
        else
            EXPECT_EQ(items[0].count(c.expectProp), 0u) << c.what;
        // the custom text reaches no other property
        const bool expectedSomewhere = c.expectValue && strcmp(c.customText, c.expectValue) == 0;
        for (const auto& kv : items[0]) {
            if (*c.customText && !expectedSomewhere) {
                EXPECT_NE(kv.second, c.customText) << c.what << ": " << kv.first;
            }
        }
    }
}

TEST(OlAddrWrite, LaterCustomFieldWinsOnTheSameTarget) {
    StandInData data;
    CommAddr rec = Person("Ann", "Lee", "e@x");
    SetFieldText(rec, FID_CUSTOM1 + 4, "fifth");
    SetFieldText(rec, FID_CUSTOM1 + 5, "sixth");
    const int32_t map[OlAddrUtil::kMapSize] = {0, 0, 0, 0, 0, 3, 3};
    {
        OlAddrUtil util;
        util.SetCustomMap(map);
        ASSERT_TRUE(util.AddContact(&rec));
    }
    EXPECT_EQ(data.Read().at(0).at("AssistantName"), "sixth");
}

// Three contacts with properties no common field carries, and text
// outside the ANSI code page.
std::vector<Props> ThreeContacts() {
    std::vector<Props> v = {PersonProps("Ann", "Lee", "ann@x"), PersonProps("Bo", "Ek", "bo@x"),
                            PersonProps("Cy", "Ng", "cy@x")};
    for (Props& p : v) {
        p["Gender"] = "2";
        p["Email1AddressType"] = "SMTP";
        p["Email1DisplayName"] = p["FirstName"] + " (work)";
        p["BusinessTelephoneNumber"] = "555-0100";
        p["JobTitle"] = "\xe6\x9d\xb1\xe4\xba\xac \xc3\xa9";  // two CJK letters, space, e acute
    }
    return v;
}

struct PutFixture : ::testing::Test {
    StandInData data{ThreeContacts()};
    std::unique_ptr<OlAddrUtil> util = std::make_unique<OlAddrUtil>();
    void SetUp() override {
        ASSERT_TRUE(util->Load());
        ASSERT_EQ(util->GetStore()->GetCount(), 3u);
    }
    std::vector<Props> Close() {
        util.reset();
        return data.Read();
    }
};

TEST_F(PutFixture, EqualRecordWritesNothing) {
    CommAddr same = *util->GetStore()->GetAt(1);
    same.m_Native.Clear();
    SetFieldText(same, FID_MIDDLE_NAME, "not compared");
    ResetCounts();
    EXPECT_FALSE(util->PutContact(&same));
    EXPECT_EQ(GetCounts().invokes, 0);
    EXPECT_EQ(util->GetStore()->GetCount(), 3u);
    EXPECT_FALSE(util->PutContact(nullptr));
}

TEST_F(PutFixture, DifferentRecordRewritesItsItemAndOnlyWhatChanged) {
    // The record as it came back from Outlook (its JobTitle read through the
    // code page as "?? " and e acute), with one compared field changed.
    const CommAddr* stored = util->GetStore()->GetAt(2);
    CommAddr rec = *stored;
    rec.m_Native.Clear();
    ASSERT_EQ(Field(rec, FID_TITLE), "?? \xe9");
    SetFieldText(rec, FID_WORK_PHONE, "555-0199");
    SetFieldText(rec, FID_PROFESSION, "");  // empty: nothing to send
    const uint8_t* block = stored->m_Native.GetData();
    ResetCounts();
    EXPECT_TRUE(util->PutContact(&rec));
    // GetItemFromID, its Parent and the Parent's EntryID, one changed
    // property, Save: the JobTitle read as "?" and everything else
    // unchanged are not sent
    Counts c = GetCounts();
    EXPECT_EQ(c.invokes, 5);
    EXPECT_EQ(c.ids, 5);
    EXPECT_EQ(util->GetStore()->GetCount(), 3u);
    EXPECT_EQ(util->GetStore()->GetAt(2), stored);
    EXPECT_EQ(Field(*stored, FID_WORK_PHONE), "555-0199");  // the record's values replace the stored ones
    EXPECT_EQ(stored->m_Native.GetData(), block);  // its own buffer is kept
    ASSERT_NE(Buffer(*stored), nullptr);
    EXPECT_EQ(Buffer(*stored)->m_nGender, 2);

    auto items = Close();
    ASSERT_EQ(items.size(), 3u);
    const std::vector<Props> before = ThreeContacts();
    EXPECT_EQ(items[0], before[0]);
    EXPECT_EQ(items[1], before[1]);
    EXPECT_EQ(items[2]["BusinessTelephoneNumber"], "555-0199");
    EXPECT_EQ(items[2]["JobTitle"], before[2].at("JobTitle"));  // the user's text survives
    EXPECT_EQ(items[2]["Gender"], "2");
    EXPECT_EQ(items[2]["Email1AddressType"], "SMTP");
    EXPECT_EQ(items[2]["Email1DisplayName"], "Cy (work)");
    EXPECT_EQ(items[2]["FirstName"], "Cy");
}

TEST_F(PutFixture, LaterUpdatesCompareWithWhatWasWritten) {
    CommAddr rec = *util->GetStore()->GetAt(0);
    rec.m_Native.Clear();
    SetFieldText(rec, FID_TITLE, "Engineer");  // replaces the damaged text on purpose
    SetFieldText(rec, FID_WORK_PHONE, "555-0111");
    EXPECT_TRUE(util->PutContact(&rec));
    // back to the value first read: it must still be sent
    SetFieldText(rec, FID_WORK_PHONE, "555-0100");
    SetFieldText(rec, FID_TITLE, "\xe9");
    EXPECT_TRUE(util->PutContact(&rec));
    // an empty value never clears the property
    SetFieldText(rec, FID_WORK_PHONE, "");
    EXPECT_TRUE(util->PutContact(&rec));
    auto items = Close();
    EXPECT_EQ(items[0]["JobTitle"], "\xc3\xa9");
    EXPECT_EQ(items[0]["BusinessTelephoneNumber"], "555-0100");
}

TEST_F(PutFixture, NewRecordIsAddedToOutlookAndTheStore) {
    CommAddr rec = Person("Di", "Ox", "di@x");
    SetFieldText(rec, FID_MOBILE_PHONE, "555-0300");
    EXPECT_TRUE(util->PutContact(&rec));
    EXPECT_TRUE(rec.m_Native.IsEmpty());  // the caller's record is not touched
    ASSERT_EQ(util->GetStore()->GetCount(), 4u);
    const CommAddr* added = util->GetStore()->GetAt(3);
    EXPECT_EQ(Field(*added, FID_MOBILE_PHONE), "555-0300");
    ASSERT_NE(Buffer(*added), nullptr);
    EXPECT_STREQ(Buffer(*added)->m_szMobileTelephoneNumber, "555-0300");
    // now equal: nothing more is written
    EXPECT_FALSE(util->PutContact(&rec));
    auto items = Close();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[3]["FirstName"], "Di");
    EXPECT_EQ(items[3]["MobileTelephoneNumber"], "555-0300");
}

TEST_F(PutFixture, UpdateWritesTheItemTheStoredRecordWasReadFrom) {
    CommAddr rec = Person("Ann", "Lee", "ann@x");
    SetFieldText(rec, FID_HOBBY, "chess");
    EXPECT_TRUE(util->UpdateContact(&rec, 0));
    LogCapture log;
    EXPECT_FALSE(util->UpdateContact(&rec, -1));
    EXPECT_FALSE(util->UpdateContact(nullptr, 0));
    EXPECT_FALSE(util->UpdateContact(&rec, 3));
    EXPECT_THAT(log.Messages(), ElementsAre("No Outlook contact was read at position 3; nothing was written."));
    auto items = Close();
    EXPECT_EQ(items[0]["Hobby"], "chess");
    EXPECT_EQ(items[1].count("Hobby"), 0u);
}

int32_t TargetIndex(const char* name) {
    for (int32_t i = 0; i < OlAddrUtil::kTargetCount; ++i)
        if (const char* n = OlAddrUtil::GetTargetName(i); n && strcmp(n, name) == 0) return i;
    return -1;
}

// An update writes what the record changed; what it holds only as read
// (long values cut to their common field, Outlook's "no date") stays whole.
TEST(OlAddrUpdate, LongValuesAndDatesTheRecordDidNotChangeStayWhole) {
    const std::string longLast(40, 'L'), longHobby(100, 'h'), longPage(200, 'w');
    Props p = PersonProps("Ann", longLast, "ann@x");
    p["Hobby"] = longHobby;
    p["WebPage"] = longPage;
    p["Birthday"] = "949998";  // how Outlook says "none"
    p["BusinessTelephoneNumber"] = "555-0100";
    StandInData data({p});
    // Custom 2 shows the birthday's text: a target outside the property buffer.
    int32_t map[OlAddrUtil::kMapSize] = {0, TargetIndex("WebPage"), TargetIndex("Birthday")};
    ASSERT_GT(map[1], 0);
    ASSERT_GT(map[2], 0);
    {
        OlAddrUtil util;
        util.SetCustomMap(map);
        ASSERT_TRUE(util.Load());
        CommAddr rec = *util.GetStore()->GetAt(0);
        EXPECT_EQ(Field(rec, FID_LAST_NAME), longLast.substr(0, 31));
        EXPECT_EQ(rec.m_dtBirthday, 0.0);  // no date, not year 4501
        rec.m_Native.Clear();
        SetFieldText(rec, FID_WORK_PHONE, "555-0199");
        ASSERT_TRUE(util.PutContact(&rec));
    }
    const Props after = data.Read().at(0);
    EXPECT_EQ(after.at("BusinessTelephoneNumber"), "555-0199");
    EXPECT_EQ(after.at("LastName"), longLast);
    EXPECT_EQ(after.at("Hobby"), longHobby);
    EXPECT_EQ(after.at("WebPage"), longPage);
    EXPECT_EQ(std::stod(after.at("Birthday")), 949998.0);
}

TEST(OlAddrUpdate, ChangedValuesAreWrittenEvenWhenTheOldOneWasCut) {
    Props p = PersonProps("Ann", std::string(40, 'L'), "ann@x");
    p["Hobby"] = std::string(100, 'h');
    StandInData data({p});
    {
        OlAddrUtil util;
        ASSERT_TRUE(util.Load());
        CommAddr rec = *util.GetStore()->GetAt(0);
        rec.m_Native.Clear();
        SetFieldText(rec, FID_HOBBY, "chess");
        ASSERT_TRUE(util.UpdateContact(&rec, 0));  // the hobby is not compared
    }
    EXPECT_EQ(data.Read().at(0).at("Hobby"), "chess");
}

// A put Outlook refuses fails the whole write: nothing is saved, and the
// stored buffer stays as read.
TEST(OlAddrUpdate, ARefusedPutFailsTheWholeWrite) {
    StandInData data{ThreeContacts()};
    {
        ScopedSetting refuse(VT_OLSTANDIN_REFUSEPUTS, L"Hobby");
        OlAddrUtil util;
        ASSERT_TRUE(util.Load());
        CommAddr rec = *util.GetStore()->GetAt(0);
        rec.m_Native.Clear();
        SetFieldText(rec, FID_WORK_PHONE, "555-0177");  // put before Hobby
        SetFieldText(rec, FID_HOBBY, "chess");
        LogCapture log;
        EXPECT_FALSE(util.UpdateContact(&rec, 0));
        EXPECT_THAT(log.Messages(), Contains("Outlook refused the value of Hobby for the contact \"Ann Lee\", hr=0x80020009; the contact was not saved."));
        const OlContactBuf* held = Buffer(*util.GetStore()->GetAt(0));
        ASSERT_NE(held, nullptr);
        EXPECT_STREQ(held->m_szBusinessTelephoneNumber, "555-0100");
        // a new contact with the refused value is not made either
        CommAddr fresh = Person("Di", "Ox", "di@x");
        SetFieldText(fresh, FID_HOBBY, "golf");
        EXPECT_FALSE(util.AddAndList(&fresh));
        EXPECT_EQ(util.GetStore()->GetCount(), 3u);
        // what is left empty is not sent, so it is no refusal
        CommAddr plain = Person("Ed", "Fu", "ed@x");
        EXPECT_TRUE(util.AddAndList(&plain));
    }
    auto items = data.Read();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0], ThreeContacts()[0]);
    EXPECT_EQ(items[3]["FirstName"], "Ed");
}

TEST(OlAddrWriteDates, DatesOutlookCannotHoldAreNotSent) {
    StandInData data;
    CommAddr rec = Person("Di", "Ho", "di@x");
    rec.m_dtBirthday = -129080608.0;  // a Palm Desktop contact without a birthday
    rec.m_dtAnniversary = OleDate(2001, 2, 3);
    {
        OlAddrUtil util;
        ASSERT_TRUE(util.PutContact(&rec));
    }
    const Props it = data.Read().at(0);
    EXPECT_EQ(it.count("Birthday") ? std::stod(it.at("Birthday")) : 0.0, 0.0);
    EXPECT_EQ(std::stod(it.at("Anniversary")), OleDate(2001, 2, 3));
}

TEST_F(PutFixture, ChangedAddressLeavesTypeAndDisplayNameToOutlook) {
    // Putting an address makes Outlook fill in its type and display name
    // anew; the old display name would name the old address.
    CommAddr rec = *util->GetStore()->GetAt(0);
    rec.m_Native.Clear();
    SetFieldText(rec, FID_EMAIL, "ann@new");
    ResetCounts();
    ASSERT_TRUE(util->UpdateContact(&rec, 0));  // a new address is a new key
    EXPECT_EQ(GetCounts().invokes, 5);  // find, Parent, EntryID, the address, Save
    auto items = Close();
    EXPECT_EQ(items[0]["Email1Address"], "ann@new");
    EXPECT_EQ(items[0]["Email1DisplayName"], "ann@new");
    EXPECT_EQ(items[0]["Email1AddressType"], "SMTP");
}

TEST_F(PutFixture, FailedUpdateLeavesTheStoreAsItWas) {
    // A record the store holds but was never read from Outlook.
    CommAddr ghost = Person("Ed", "Fu", "ed@x");
    SetFieldText(ghost, FID_WORK_PHONE, "555-0400");
    ASSERT_NE(util->GetStore()->AddCopy(&ghost), nullptr);
    CommAddr rec = Person("Ed", "Fu", "ed@x");
    SetFieldText(rec, FID_WORK_PHONE, "555-0401");
    LogCapture log;
    EXPECT_FALSE(util->PutContact(&rec));
    EXPECT_EQ(Field(*util->GetStore()->GetAt(3), FID_WORK_PHONE), "555-0400");
    EXPECT_THAT(log.Messages(), ElementsAre("No Outlook contact was read at position 3; nothing was written."));
}

TEST(OlAddrWriteFailure, FailedAddLeavesTheStoreAsItWas) {
    struct Case {
        const wchar_t* failing;
        const char* message;
    };
    const Case cases[] = {
        {L"Add", "Failed to call the \"Add\" method. hr=0x80004005"},
        {L"Items", "Failed to get the \"Items\" property of the Contact folder. hr=0x80004005"},
        {L"Save", "Failed to save the Contact item. hr=0x80004005"},
    };
    for (const Case& c : cases) {
        StandInData data;
        ScopedSetting fail(VT_OLSTANDIN_FAILNAME, c.failing);
        OlAddrUtil util;
        CommAddr known = Person("Ann", "Lee", "ann@x");
        ASSERT_NE(util.GetStore()->AddCopy(&known), nullptr);
        CommAddr rec = Person("Bo", "Ek", "bo@x");
        LogCapture log;
        EXPECT_FALSE(util.PutContact(&rec)) << Narrow(c.failing);
        EXPECT_EQ(util.GetStore()->GetCount(), 1u) << Narrow(c.failing);
        EXPECT_TRUE(rec.m_Native.IsEmpty());
        EXPECT_THAT(log.Messages(), ElementsAre(c.message)) << Narrow(c.failing);
    }
}

TEST(OlAddrWriteFailure, RefusedSaveOfAnUpdateIsAFailure) {
    StandInData data{ThreeContacts()};
    CommAddr rec = Person("Ann", "Lee", "ann@x");
    SetFieldText(rec, FID_WORK_PHONE, "555-0999");
    std::string before;
    {
        ScopedSetting fail(VT_OLSTANDIN_FAILNAME, L"Save");
        OlAddrUtil util;  // the stand-in reads its switches as the session starts
        ASSERT_TRUE(util.Load());
        before = Field(*util.GetStore()->GetAt(0), FID_WORK_PHONE);
        ASSERT_NE(before, "555-0999");
        LogCapture log;
        EXPECT_FALSE(util.PutContact(&rec));
        EXPECT_THAT(log.Messages(), ElementsAre("Failed to save the Contact item. hr=0x80004005"));
        EXPECT_EQ(Field(*util.GetStore()->GetAt(0), FID_WORK_PHONE), before);
    }
    OlAddrUtil util;
    ASSERT_TRUE(util.Load());
    EXPECT_EQ(Field(*util.GetStore()->GetAt(0), FID_WORK_PHONE), before);
}

TEST(OlAddrRoundTrip, WrittenRecordReadsBackEqual) {
    StandInData data;
    CommAddr rec = Person("Zo\xeb", "M\xfcller", "zoe@x");
    for (const Pair& p : kPairs) {
        if (p.id == FID_FIRST_NAME || p.id == FID_LAST_NAME || p.id == FID_EMAIL) continue;
        SetFieldText(rec, p.id, ("x" + std::to_string(p.id)).c_str());
    }
    SetFieldText(rec, FID_NOTE, "line one\r\nline two \\ end");
    rec.m_dtBirthday = OleDate(1980, 7, 1);
    rec.m_dtAnniversary = OleDate(2005, 6, 30);
    {
        OlAddrUtil util;
        ASSERT_TRUE(util.PutContact(&rec));
    }
    OlAddrUtil util;
    ASSERT_TRUE(util.Load());
    ASSERT_EQ(util.GetStore()->GetCount(), 1u);
    const CommAddr& back = *util.GetStore()->GetAt(0);
    for (const Pair& p : kPairs)
        if (p.id != FID_DISPLAY_NAME) EXPECT_EQ(Field(back, p.id), Field(rec, p.id)) << p.prop;
    // With a first and last name Outlook makes the full name itself.
    EXPECT_EQ(data.Read().at(0).count("FullName"), 0u);
    EXPECT_EQ(Field(back, FID_DISPLAY_NAME), "");
    EXPECT_EQ(back.m_dtBirthday, rec.m_dtBirthday);
    EXPECT_EQ(back.m_dtAnniversary, rec.m_dtAnniversary);
    CommAddr copy = rec;
    EXPECT_EQ(util.GetStore()->FindMatch(&copy, nullptr, nullptr), MATCH_SAME);
    EXPECT_EQ(data.Read().at(0).at("LastName"), "M\xc3\xbcller");  // UTF-8 in the file
}

}  // namespace
