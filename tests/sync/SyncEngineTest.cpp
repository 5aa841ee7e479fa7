#include "src/SyncEngine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>
#include <set>
#include <string>

#include "common/misc/CxDebugUtil.h"
#include "src/SyncHistory.h"
#include "support/TestSupport.h"
#include "sync/SyncFakes.h"

using namespace sync_test;

namespace {

TEST_F(SyncFixture, PalmToOutlookCountsOnlyWrittenRecords) {
    Add(palm.store, Rec("Ann", "Ames", "a@x"));
    Add(palm.store, Rec("Bob", "Bell", "b@x", "New Co"));
    Add(palm.store, Rec("Cid", "Cole", "c@x"));
    Add(outlook.store, Rec("Ann", "Ames", "a@x"));          // equal
    Add(outlook.store, Rec("Bob", "Bell", "b@x", "Old Co"));  // differs
    auto p = Rows(palm.store, true);
    auto o = Rows(outlook.store, false);
    SyncResult r = Run(1, p, o);
    EXPECT_TRUE(r.ran);
    EXPECT_EQ(r.updated, 2);
    for (const SyncRow& row : p) EXPECT_FALSE(row.ticked);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "Contact information synchronized successfully. 2 records updated.");
    EXPECT_EQ(ui.icons[0], SyncIcon::Information);
    EXPECT_EQ(MaxProgressBefore100(), 66);
    EXPECT_EQ(ui.progress.back(), 100);
    EXPECT_EQ(outlook.store.GetCount(), 3u);
    EXPECT_STREQ(outlook.store.GetAt(1)->m_szCompany, "New Co");
    EXPECT_EQ(palm.saves, 0);  // Outlook is written record by record
    EXPECT_EQ(ui.refreshes, 1);
    ASSERT_EQ(history.GetCount(), 1u);
    SyncHistoryEntry* e = history.GetLast();
    EXPECT_STREQ(e->szDescription, "Transfer contact information from Palm Desktop to Outlook.");
    EXPECT_EQ(e->nRecordCount, 2);
    EXPECT_LE(e->dtStart, e->dtEnd);
    EXPECT_TRUE(vt_test::Exists(dir.File("synchis.dat")));
}

TEST_F(SyncFixture, NothingToWorkOnStopsWithoutHistory) {
    struct Case { int mode; bool palmRows; const char* message; };
    const Case cases[] = {
        {1, true,
         "No Palm Desktop contact record is selected. \r\n\r\nPlease select the records that you "
         "want to update to Outlook."},
        {2, true,
         "No Outlook contact record is selected.\r\n\r\nPlease select the records that you want "
         "to update to Palm Desktop."},
        {3, false, "No contact information records found. Synchronization abort."},
    };
    Add(palm.store, Rec("Ann", "Ames", "a@x"));
    for (const Case& c : cases) {
        ui.messages.clear();
        std::vector<SyncRow> p = c.palmRows ? Rows(palm.store, false) : std::vector<SyncRow>();
        std::vector<SyncRow> o;
        SyncResult r = Run(c.mode, p, o);
        EXPECT_FALSE(r.ran);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0], c.message);
        EXPECT_EQ(ui.icons.back(), SyncIcon::Error);
    }
    EXPECT_EQ(history.GetCount(), 0u);
    EXPECT_FALSE(vt_test::Exists(dir.File("synchis.dat")));
}

TEST_F(SyncFixture, OutlookToPalmWithNothingChangedStillRecordsTheRun) {
    Add(palm.store, Rec("Ann", "Ames", "a@x"));
    Add(outlook.store, Rec("Ann", "Ames", "a@x"));
    auto p = Rows(palm.store, false);
    auto o = Rows(outlook.store, true);
    SyncResult r = Run(2, p, o);
    EXPECT_EQ(r.updated, 0);
    EXPECT_EQ(palm.saves, 0);
    EXPECT_EQ(ui.refreshes, 0);
    ASSERT_EQ(history.GetCount(), 1u);
    EXPECT_EQ(history.GetLast()->nRecordCount, 0);
    EXPECT_STREQ(history.GetLast()->szDescription,
                 "Transfer contact information from Outlook to Palm Desktop.");
    EXPECT_FALSE(o[0].ticked);
}

TEST_F(SyncFixture, OutlookToPalmSavesOnceAfterChanges) {
    Add(outlook.store, Rec("Ann", "Ames", "a@x"));
    Add(outlook.store, Rec("Bob", "Bell", "b@x"));
    auto p = Rows(palm.store, false);
    auto o = Rows(outlook.store, true);
    SyncResult r = Run(2, p, o);
    EXPECT_EQ(r.updated, 2);
    EXPECT_EQ(palm.saves, 1);
    EXPECT_EQ(palm.store.GetCount(), 2u);
}

TEST_F(SyncFixture, TwoWayAddsMissingRecordsBothWaysAndSaves) {
    Add(palm.store, Rec("Ann", "Ames", "a@x"));
    Add(outlook.store, Rec("Bob", "Bell", "b@x"));
    auto p = Rows(palm.store, false);
    auto o = Rows(outlook.store, false);
    SyncResult r = Run(3, p, o);
    EXPECT_EQ(r.updated, 2);
    EXPECT_EQ(ui.asked, 0);
    EXPECT_EQ(palm.store.GetCount(), 2u);
    EXPECT_EQ(outlook.store.GetCount(), 2u);
    EXPECT_EQ(palm.saves, 1);
    EXPECT_FALSE(p[0].ticked);  // two-way leaves ticks alone
    EXPECT_STREQ(history.GetLast()->szDescription,
                 "Perform two way synchronization between Palm Desktop to Outlook.");
}

struct TwoWayConflict : SyncFixture {
    void SetUp() override {
        SyncFixture::SetUp();
        Add(palm.store, Rec("Ann", "Ames", "a@x", "Palm Co"));
        Add(palm.store, Rec("Bob", "Bell", "b@x", "Palm Co"));
        Add(outlook.store, Rec("Ann", "Ames", "a@x", "Outlook Co"));
        Add(outlook.store, Rec("Bob", "Bell", "b@x", "Outlook Co"));
    }
    SyncResult RunTwoWay() {
        auto p = Rows(palm.store, false);
        auto o = Rows(outlook.store, false);
        return Run(3, p, o);
    }
};

TEST_F(TwoWayConflict, StandingRulesDecideWithoutAsking) {
    struct Case { int32_t conf; const char* palmCompany; const char* outlookCompany; };
    const Case cases[] = {{1, "Palm Co", "Palm Co"}, {2, "Outlook Co", "Outlook Co"}};
    for (const Case& c : cases) {
        TearDown();
        palm.store.Clear();
        outlook.store.Clear();
        SetUp();
        confAction = c.conf;
        ui.asked = 0;
        SyncResult r = RunTwoWay();
        EXPECT_EQ(ui.asked, 0);
        EXPECT_EQ(r.updated, 2);
        EXPECT_STREQ(palm.store.GetAt(0)->m_szCompany, c.palmCompany);
        EXPECT_STREQ(outlook.store.GetAt(0)->m_szCompany, c.outlookCompany);
        EXPECT_EQ(confAction, c.conf);
    }
}

TEST_F(TwoWayConflict, DoNothingRuleAsksAtEachConflict) {
    confAction = 3;
    ui.answers = {{true, 3, false, false}, {true, 3, false, false}, {true, 3, false, false},
                  {true, 3, false, false}};
    SyncResult r = RunTwoWay();
    EXPECT_EQ(ui.asked, 4);  // each pair once per pass, nothing settled
    EXPECT_EQ(r.updated, 0);
    EXPECT_EQ(palm.saves, 0);
}

TEST_F(TwoWayConflict, PalmWinsForAllFutureRunsIsStoredAndAsksNoMore) {
    confAction = 0;
    ui.answers = {{true, 1, false, true}};
    SyncResult r = RunTwoWay();
    EXPECT_EQ(ui.asked, 1);
    EXPECT_EQ(confAction, 1);
    EXPECT_EQ(r.updated, 2);
    EXPECT_STREQ(outlook.store.GetAt(1)->m_szCompany, "Palm Co");
    ui.asked = 0;
    RunTwoWay();  // the next run asks nothing
    EXPECT_EQ(ui.asked, 0);
}

TEST_F(TwoWayConflict, BothBoxesActLikeTheSecond) {
    confAction = 0;
    ui.answers = {{true, 2, true, true}};
    SyncResult r = RunTwoWay();
    EXPECT_EQ(ui.asked, 1);
    EXPECT_EQ(confAction, 2);  // stored for future runs
    EXPECT_EQ(r.updated, 2);   // and applied to the rest of this one
    EXPECT_STREQ(palm.store.GetAt(1)->m_szCompany, "Outlook Co");
}

TEST_F(SyncFixture, TwoWayProgressStepsOverBothLists) {
    // Three Palm Desktop rows and four Outlook rows: steps of 100/7, cut.
    for (const char* n : {"A", "B", "C"}) Add(palm.store, Rec(n, "", ""));
    for (const char* n : {"A", "B", "C", "D"}) Add(outlook.store, Rec(n, "", ""));
    auto p = Rows(palm.store, false);
    auto o = Rows(outlook.store, false);
    Run(3, p, o);
    EXPECT_EQ(ui.progress, (std::vector<int>{0, 14, 28, 42, 57, 71, 85, 100, 100}));
}

TEST_F(TwoWayConflict, DoNothingForAllFutureRunsIsNotStored) {
    confAction = 0;
    ui.answers = {{true, 3, false, true}};
    RunTwoWay();
    EXPECT_EQ(ui.asked, 1);
    EXPECT_EQ(confAction, 0);
}

TEST_F(TwoWayConflict, OutlookWinsButMergeKeepsCompanySoThePairIsAskedAgain) {
    palm.store.Clear();
    outlook.store.Clear();
    Add(palm.store, Rec("Ann", "Ames", "a@x", "Palm Co"));
    Add(outlook.store, Rec("Ann", "Ames", "a@x", ""));
    confAction = 3;
    ui.answers = {{true, 2, false, false}, {true, 3, false, false}};
    RunTwoWay();
    EXPECT_EQ(ui.asked, 2);
    EXPECT_STREQ(palm.store.GetAt(0)->m_szCompany, "Palm Co");
}

TEST_F(TwoWayConflict, CancelEndsTheRunButRecordsIt) {
    // One new Palm Desktop record first (written before the conflict), and
    // an Outlook-only record that the cancelled run never reaches.
    palm.store.Clear();
    Add(palm.store, Rec("New", "Nash", "n@x"));
    Add(palm.store, Rec("Ann", "Ames", "a@x", "Palm Co"));
    Add(outlook.store, Rec("Zed", "Zorn", "z@x"));
    confAction = 0;
    ui.answers = {{false, 0, false, false}};
    SyncResult r = RunTwoWay();
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(ui.asked, 1);
    EXPECT_EQ(r.updated, 1);
    EXPECT_EQ(confAction, 3);
    EXPECT_EQ(palm.saves, 0);
    EXPECT_EQ(palm.store.GetCount(), 2u);
    EXPECT_EQ(outlook.store.GetCount(), 4u);
    EXPECT_EQ(ui.messages.back(),
              "Contact information synchronized successfully. 1 records updated.\r\n\r\n"
              "The synchronization was cancelled.");
    EXPECT_EQ(ui.icons.back(), SyncIcon::Warning);
    EXPECT_EQ(history.GetCount(), 1u);
    EXPECT_STREQ(history.GetLast()->szDescription,
                 "Perform two way synchronization between Palm Desktop to Outlook. (cancelled)");
    EXPECT_EQ(ui.reloads, 0);  // nothing of Palm Desktop's waits unsaved
}

TEST_F(SyncFixture, HiddenRecordsAreNeverWalked) {
    Add(palm.store, Rec("Ann", "Ames", "a@x"));
    Add(palm.store, Rec("Hid", "Den", ""));  // no Email: not listed
    auto p = std::vector<SyncRow>{{palm.store.GetAt(0), false}};
    auto o = Rows(outlook.store, false);
    SyncResult r = Run(3, p, o);
    EXPECT_EQ(r.updated, 1);
    ASSERT_EQ(outlook.store.GetCount(), 1u);
    EXPECT_STREQ(outlook.store.GetAt(0)->m_szFirstName, "Ann");
}

}  // namespace

// Many records, keys repeated on the Outlook side and written in other
// letter cases: under a standing rule every key ends up once more on the
// side that lacked it and every pair equal, however the stores grow during
// the run.
TEST_F(SyncFixture, TwoWayOverManyRecordsAddsEachKeyOnceAndLeavesPairsEqual) {
    for (int32_t rule : {SyncEngine::CONFLICT_PALM_WINS, SyncEngine::CONFLICT_OUTLOOK_WINS}) {
        SCOPED_TRACE(rule);
        palm.store.Clear();
        outlook.store.Clear();
        const int n = 400;
        std::set<std::string> palmKeys, outlookOnly;
        for (int i = 0; i < n; ++i) {
            const std::string last = "L" + std::to_string(i);
            const std::string company = "Co" + std::to_string(i % 7);
            if (i % 4 != 3) {  // on Palm Desktop
                Add(palm.store, Rec("F", last.c_str(), "e@x", company.c_str()));
                palmKeys.insert(last);
            }
            if (i % 4 != 0) {  // on Outlook, sometimes twice, in capitals, or with another company
                const std::string olLast = i % 5 == 0 ? "l" + std::to_string(i) : last;
                const char* olCompany = i % 3 == 0 ? "Other" : company.c_str();
                Add(outlook.store, Rec("F", olLast.c_str(), "E@X", olCompany));
                if (i % 6 == 1) Add(outlook.store, Rec("f", last.c_str(), "e@x", olCompany));
                if (!palmKeys.count(last)) outlookOnly.insert(last);
            }
        }
        const uint32_t palmBefore = palm.store.GetCount();
        const uint32_t outlookBefore = outlook.store.GetCount();
        auto p = Rows(palm.store, true);
        auto o = Rows(outlook.store, true);
        confAction = rule;
        SyncResult r = Run(3, p, o);
        EXPECT_TRUE(r.ran);
        EXPECT_EQ(ui.asked, 0);
        EXPECT_EQ(palm.store.GetCount(), palmBefore + outlookOnly.size());
        const uint32_t palmOnly = static_cast<uint32_t>(n / 4);  // i % 4 == 0
        EXPECT_EQ(outlook.store.GetCount(), outlookBefore + palmOnly);
        ASSERT_TRUE(palm.store.MarkStatus(&outlook.store));
        ASSERT_TRUE(outlook.store.MarkStatus(&palm.store));
        // Under "Outlook wins" one Palm Desktop record cannot equal two
        // different Outlook records of its key: only its own side is checked.
        std::vector<CommAddrMgr*> checked = {&palm.store};
        if (rule == SyncEngine::CONFLICT_PALM_WINS) checked.push_back(&outlook.store);
        for (CommAddrMgr* s : checked)
            for (uint32_t i = 0; i < s->GetCount(); ++i)
                ASSERT_EQ(s->GetAt(i)->m_nStatus, STATUS_SAME) << s->GetAt(i)->m_szLastName;
    }
}

// One way over many rows: every write is handed the answer its own lookup
// would give, however the target grows and changes during the run; keys
// repeated among the ticked rows with other values are left out.
TEST_F(SyncFixture, OneWayOverManyRecordsHandsEachWriteTheRightMatch) {
    for (int i = 0; i < 400; ++i) {
        const std::string last = "L" + std::to_string(i % 300);  // keys repeat on the Palm side
        const std::string company = "Co" + std::to_string(i % 7);
        Add(palm.store, Rec("F", last.c_str(), "e@x", company.c_str()));
        if (i % 3 == 0) Add(outlook.store, Rec("f", last.c_str(), "E@X", i % 2 ? company.c_str() : "Old"));
        if (i % 9 == 0) Add(outlook.store, Rec("F", last.c_str(), "e@x", "Twice"));
    }
    auto p = Rows(palm.store, true);
    auto o = Rows(outlook.store, false);
    SyncResult r = Run(1, p, o);
    EXPECT_TRUE(r.ran);
    EXPECT_EQ(outlook.wrongAnswers, 0);
    EXPECT_GT(outlook.adds, 100);
    EXPECT_GT(outlook.updates, 30);
    EXPECT_EQ(r.updated, outlook.adds + outlook.updates);
    EXPECT_EQ(r.ambiguous, 200);  // L0..L99, twice each with another company
    for (uint32_t i = 100; i < 300; ++i)
        EXPECT_EQ(outlook.store.FindMatch(palm.store.GetAt(i), nullptr, nullptr), MATCH_SAME) << i;
}
