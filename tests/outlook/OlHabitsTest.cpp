// The Outlook side against Outlook's documented habits, each in its worst
// mode: items in no promised order, new items placed anywhere, distribution
// lists among the contacts, guarded properties refused, a busy Outlook,
// FullName parsing, Exchange addresses, and a contact deleted between load
// and update. After each run the stand-in must hold exactly the expected
// contacts. The same scenarios run out of process in OlOutOfProcessTest.cpp.
// Last, values longer than their common fields.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "OlHabits.h"
#include "OlTestEnv.h"
#include "common/outlook/OlAddr.h"
#include "standins/outlook/OlStandIn.h"

using namespace ol_test;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

TEST(OlHabits, OrderAndPlaceOfItemsDoNotMisdirectWrites) {
    struct Case {
        const wchar_t* order;
        const wchar_t* place;
        const wchar_t* longIds;
    };
    const Case cases[] = {
        {L"reversed", L"start", L""},
        {L"shuffled", L"anywhere", L"1"},
    };
    for (const Case& c : cases) {
        ScopedSetting order(VT_OLSTANDIN_ITEMORDER, c.order);
        ScopedSetting place(VT_OLSTANDIN_NEWITEMPLACE, c.place);
        ScopedSetting ids(VT_OLSTANDIN_LONGENTRYIDS, c.longIds);
        const std::vector<Props> people = People(6);
        StandInData data(people);
        RunAddsAndUpdates(data, people);
    }
}

TEST(OlHabits, DistributionListsAreSkipped) {
    StandInData data;
    RunDistributionList(data);
}

TEST(OlHabits, RefusedReadsMakeContactsUnreadable) {
    struct Case {
        const wchar_t* setting;
        const wchar_t* value;
        std::vector<bool> unreadable;  // of the three contacts
    };
    const Case cases[] = {
        // Deny on Email1Address of the second contact only (from the file)
        {nullptr, L"", {false, true, false}},
        // every Body refused
        {VT_OLSTANDIN_DENYREADS, L"Body", {true, true, true}},
        // a read failing for another reason than a missing property
        {VT_OLSTANDIN_FAILNAME, L"Spouse", {true, true, true}},
        // a property the item lacks is no refusal
        {VT_OLSTANDIN_UNKNOWNNAME, L"Spouse", {false, true, false}},
    };
    for (const Case& c : cases) {
        std::unique_ptr<ScopedSetting> s;
        if (c.setting) s.reset(new ScopedSetting(c.setting, c.value));
        StandInData data;
        RunRefusedReads(data, c.unreadable);
    }
}

TEST(OlHabits, BusyOutlookIsWaitedForABoundedTime) {
    struct Case {
        const wchar_t* busyMs;
        uint32_t timeoutMs;
        bool started;
        const char* message;
    };
    const Case cases[] = {
        {L"5000", 30000, true, "Outlook answered GetNameSpace after"},
        {L"4000", 1000, false, "Outlook stayed busy for"},
    };
    const uint32_t before = CDispCmd::GetBusyTimeout();
    for (const Case& c : cases) {
        StandInData data(People(2));
        ScopedSetting busy(VT_OLSTANDIN_BUSYMS, c.busyMs);
        CDispCmd::SetBusyTimeout(c.timeoutMs);
        LogCapture log;
        const auto start = std::chrono::steady_clock::now();
        {
            OlAddrUtil util;
            EXPECT_EQ(util.IsStarted(), c.started);
            EXPECT_EQ(util.Load(), c.started);
            EXPECT_EQ(util.GetStore()->GetCount(), c.started ? 2u : 0u);
            EXPECT_EQ(util.GetSideState(), c.started ? SIDE_AVAILABLE : SIDE_UNAVAILABLE);
        }
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        CDispCmd::SetBusyTimeout(before);
        EXPECT_THAT(log.Messages(), Contains(HasSubstr(c.message)));
        EXPECT_THAT(log.Messages(), Contains(HasSubstr("Outlook is busy (hr=0x80010001); GetNameSpace is tried again")));
        if (c.started)
            EXPECT_GE(ms, 4500);
        else
            EXPECT_LT(ms, 3000);
        // A session that never opened leaves the data untouched.
        EXPECT_EQ(data.Read(), People(2));
    }
}

TEST(OlHabits, FullNameIsLeftToOutlook) {
    ScopedSetting rules(VT_OLSTANDIN_NAMERULES, L"1");
    StandInData data;
    RunNames(data);
}

TEST(OlHabits, ExchangeAddressesGiveTheirSmtpForm) {
    StandInData data;
    RunExchangeAddresses(data);
}

TEST(OlHabits, ContactDeletedBetweenLoadAndUpdateIsNotWritten) {
    StandInData data(People(3));
    RunDeletedContact(data, People(3));
}

TEST(OlHabits, NoDateReadsAsNone) {
    ScopedSetting noDate(VT_OLSTANDIN_NODATE4501, L"1");
    StandInData data(std::vector<Props>{{{"FirstName", "Ann"}, {"LastName", "Lee"}, {"Anniversary", "40000.5"}}});
    {
        OlAddrUtil util;
        ASSERT_TRUE(util.Load());
        const CommAddr& r = *util.GetStore()->GetAt(0);
        EXPECT_EQ(r.m_dtBirthday, 0.0);
        EXPECT_EQ(r.m_dtAnniversary, 40000.5);
        CommAddr rec = r;
        rec.m_Native.Clear();
        SetFieldText(rec, FID_HOBBY, "chess");
        ResetCounts();
        ASSERT_TRUE(util.UpdateContact(&rec, 0));
        EXPECT_EQ(GetCounts().invokes, 5);  // find, Parent, EntryID, Hobby, Save: no date sent
    }
    auto items = data.Read();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].count("Birthday"), 0u);
    EXPECT_EQ(items[0]["Hobby"], "chess");
}

// A value longer than its common field is kept as far as the field goes and
// marked cut, so that it never overwrites the whole value elsewhere.
TEST(OlAddrReadCut, LongValuesAreCutAndMarked) {
    struct Case {
        const char* prop;
        size_t length;
        int32_t id;
        size_t kept;
        bool cut;
    };
    const Case cases[] = {
        {"FirstName", 40, FID_FIRST_NAME, 31, true},  // slot of 64, common field of 32
        {"FirstName", 31, FID_FIRST_NAME, 31, false},
        {"Body", 9000, FID_NOTE, 8191, true},  // slot of 8192 as wide as the note
        {"Body", 3000, FID_NOTE, 3000, false},
        {"Initials", 10, FID_PREFIX, 10, false},
        {"Language", 20, FID_LANGUAGE, 20, false},
        {"BusinessAddressStreet", 300, FID_WORK_STREET, 255, true},
        {"BusinessAddressStreet", 200, FID_WORK_STREET, 200, false},
        {"HomeAddressCity", 31, FID_HOME_CITY, 31, false},
        {"HomeAddressCountry", 40, FID_HOME_COUNTRY, 31, true},
        {"CompanyName", 100, FID_COMPANY, 63, true},
    };
    for (const Case& c : cases) {
        StandInData data({{{c.prop, std::string(c.length, 'k')}}});
        OlAddrUtil util;
        ASSERT_TRUE(util.Load());
        ASSERT_EQ(util.GetStore()->GetCount(), 1u);
        const CommAddr& r = *util.GetStore()->GetAt(0);
        EXPECT_EQ(std::string(GetTextSlot(r, c.id, nullptr)), std::string(c.kept, 'k')) << c.prop << " " << c.length;
        EXPECT_EQ(r.m_Cut.Test(c.id), c.cut) << c.prop << " " << c.length;
        EXPECT_EQ(r.m_Cut.Any(), c.cut) << c.prop << ": no other field is marked";
    }
}
