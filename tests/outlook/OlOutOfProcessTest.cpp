// The habit scenarios against the stand-in out of process, as Outlook runs:
// every call crosses to the server program (about 2 ms each under Wine), so
// the sets are small.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "OlHabits.h"
#include "OlTestEnv.h"
#include "common/outlook/OlAddr.h"
#include "standins/outlook/OlStandIn.h"

using namespace ol_test;
using ::testing::Contains;
using ::testing::HasSubstr;

namespace {

class OlOutOfProcess : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(RegisterStandInServer()); }
    static void TearDownTestSuite() { RegisterStandIn(); }
};

TEST_F(OlOutOfProcess, CallsGoToTheServerProgram) {
    StandInData data(People(2));
    ResetCounts();
    {
        OlAddrUtil util;
        ASSERT_TRUE(util.IsStarted());
        ASSERT_TRUE(util.Load());
        EXPECT_EQ(util.GetStore()->GetCount(), 2u);
    }
    // the DLL in this process answered nothing
    EXPECT_EQ(GetCounts().invokes, 0);
    EXPECT_EQ(data.Read(), People(2));
}

TEST_F(OlOutOfProcess, ReshuffledOrderWithAddsAndUpdates) {
    ScopedSetting order(VT_OLSTANDIN_ITEMORDER, L"shuffled");
    ScopedSetting place(VT_OLSTANDIN_NEWITEMPLACE, L"anywhere");
    ScopedSetting ids(VT_OLSTANDIN_LONGENTRYIDS, L"1");
    const std::vector<Props> people = People(6);
    StandInData data(people);
    RunAddsAndUpdates(data, people);
}

TEST_F(OlOutOfProcess, DistributionList) {
    StandInData data;
    RunDistributionList(data);
}

TEST_F(OlOutOfProcess, DeniedEmailAddress) {
    StandInData data;
    RunRefusedReads(data, {false, true, false});
}

TEST_F(OlOutOfProcess, FullNameParsing) {
    ScopedSetting rules(VT_OLSTANDIN_NAMERULES, L"1");
    StandInData data;
    RunNames(data);
}

TEST_F(OlOutOfProcess, ExchangeAddress) {
    StandInData data;
    RunExchangeAddresses(data);
}

TEST_F(OlOutOfProcess, ContactDeletedBetweenLoadAndUpdate) {
    StandInData data(People(3));
    RunDeletedContact(data, People(3));
}

TEST_F(OlOutOfProcess, BusyAtStart) {
    StandInData data(People(2));
    ScopedSetting busy(VT_OLSTANDIN_BUSYMS, L"5000");
    LogCapture log;
    {
        OlAddrUtil util;
        ASSERT_TRUE(util.IsStarted());
        ASSERT_TRUE(util.Load());
        EXPECT_EQ(util.GetStore()->GetCount(), 2u);
        CommAddr rec = *util.GetStore()->GetAt(0);
        rec.m_Native.Clear();
        SetFieldText(rec, FID_WORK_PHONE, "555-1999");
        EXPECT_TRUE(util.PutContact(&rec));
    }
    EXPECT_THAT(log.Messages(), Contains(HasSubstr("Outlook is busy (hr=0x80010001)")));
    EXPECT_THAT(log.Messages(), Contains(HasSubstr("after")));
    auto items = data.Read();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1], People(2)[1]);
}

}  // namespace
