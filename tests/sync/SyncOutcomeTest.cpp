// What a run tells and leaves behind: the final message table, the side
// states, writes that would change nothing, repeated source keys, and the
// Palm Desktop data that was not saved or changed meanwhile.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "src/SyncMessages.h"
#include "support/LogCapture.h"
#include "sync/SyncFakes.h"

using namespace sync_test;

namespace {

const char kP2O[] = "Transfer contact information from Palm Desktop to Outlook.";
const char kO2P[] = "Transfer contact information from Outlook to Palm Desktop.";
const char kBoth[] = "Perform two way synchronization between Palm Desktop to Outlook.";

TEST(SyncMessageTable, EachOutcome) {
    struct Case {
        const char* name;
        SyncOutcome o;
        const char* text;
        SyncIcon icon;
        std::string description;
    };
    auto with = [](auto change) {
        SyncOutcome o;
        o.mode = 1;
        o.updated = 3;
        change(o);
        return o;
    };
    const Case cases[] = {
        {"all written", with([](SyncOutcome&) {}),
         "Contact information synchronized successfully. 3 records updated.", SyncIcon::Information, kP2O},
        {"writes failed", with([](SyncOutcome& o) { o.failedWrites = 2; }),
         "Contact information was not synchronized completely. 3 records updated.\r\n\r\n"
         "2 records could not be written. The debug log holds the reasons.",
         SyncIcon::Warning, std::string(kP2O) + " (not completed)"},
        {"every line, in the table's order",
         with([](SyncOutcome& o) {
             o.mode = 2;
             o.failedWrites = 1;
             o.saveFailed = true;
             o.stillDiffer = 4;
             o.ambiguous = 2;
             o.unreadable = 5;
             o.changedMeanwhile = true;
         }),
         "Contact information was not synchronized completely. 3 records updated.\r\n\r\n"
         "1 records could not be written. The debug log holds the reasons.\r\n\r\n"
         "The Palm Desktop data could not be saved. The debug log holds the reasons.\r\n\r\n"
         "4 pairs still differ: an empty value does not clear the other side's value.\r\n\r\n"
         "2 records were not written: another record has the same name and e-mail.\r\n\r\n"
         "5 Outlook contacts could not be read and were left out.\r\n\r\n"
         "Palm Desktop's data changed since it was loaded; the lists have been reloaded.",
         SyncIcon::Warning, std::string(kO2P) + " (not completed)"},
        {"cancelled, address.dat",
         with([](SyncOutcome& o) {
             o.mode = 3;
             o.cancelled = true;
             o.palmIsFile = true;
             o.failedWrites = 1;
         }),
         "Contact information synchronized successfully. 3 records updated.\r\n\r\n"
         "The synchronization was cancelled.\r\n\r\n"
         "The Palm Desktop changes of this run were not saved.\r\n\r\n"
         "1 records could not be written. The debug log holds the reasons.",
         SyncIcon::Warning, std::string(kBoth) + " (cancelled)"},
        {"cancelled, database written as it goes",
         with([](SyncOutcome& o) {
             o.mode = 3;
             o.cancelled = true;
         }),
         "Contact information synchronized successfully. 3 records updated.\r\n\r\n"
         "The synchronization was cancelled.",
         SyncIcon::Warning, std::string(kBoth) + " (cancelled)"},
        {"still differing pairs alone are no failure",
         with([](SyncOutcome& o) { o.stillDiffer = 1; }),
         "Contact information synchronized successfully. 3 records updated.\r\n\r\n"
         "1 pairs still differ: an empty value does not clear the other side's value.",
         SyncIcon::Information, kP2O},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SyncMessage m = FinalSyncMessage(c.o);
        EXPECT_EQ(m.text, c.text);
        EXPECT_EQ(m.icon, c.icon);
        EXPECT_EQ(m.description, c.description);
    }
}

TEST(SyncMessageTable, EveryLineIsLoggedAtLevelTwo) {
    vt_test::LogCapture log;
    SyncOutcome o;
    o.mode = 1;
    o.saveFailed = true;
    LogSyncMessage(FinalSyncMessage(o));
    EXPECT_TRUE(log.Has(2, "Contact information was not synchronized completely. 0 records updated."));
    EXPECT_TRUE(log.Has(2, "The Palm Desktop data could not be saved. The debug log holds the reasons."));
}

TEST_F(SyncFixture, SideStatesRefuseTheRunsThatWouldWriteOrReadNothing) {
    struct Case {
        CommSideState palm, outlook;
        int mode;
        const char* refusal;  // null: the run goes ahead
    };
    const char* palmGone = "Nothing can be synchronized with Palm Desktop";
    const char* outlookGone = "Nothing can be synchronized with Outlook";
    const char* palmRo = "The Palm Desktop contacts are read-only";
    const char* outlookRo = "The Outlook contacts are read-only";
    const Case cases[] = {
        {SIDE_UNAVAILABLE, SIDE_AVAILABLE, 1, palmGone},
        {SIDE_UNAVAILABLE, SIDE_AVAILABLE, 3, palmGone},
        {SIDE_AVAILABLE, SIDE_UNAVAILABLE, 2, outlookGone},
        {SIDE_READONLY, SIDE_AVAILABLE, 2, palmRo},
        {SIDE_READONLY, SIDE_AVAILABLE, 3, palmRo},
        {SIDE_READONLY, SIDE_AVAILABLE, 1, nullptr},  // only reads Palm Desktop
        {SIDE_AVAILABLE, SIDE_READONLY, 1, outlookRo},
        {SIDE_AVAILABLE, SIDE_READONLY, 3, outlookRo},
        {SIDE_AVAILABLE, SIDE_READONLY, 2, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.palm << "/" << c.outlook << " mode " << c.mode);
        palm.store.Clear();
        outlook.store.Clear();
        Add(palm.store, Rec("Ann", "Ames", "a@x"));
        Add(outlook.store, Rec("Bob", "Bell", "b@x"));
        palm.state = c.palm;
        outlook.state = c.outlook;
        ui.messages.clear();
        const size_t entries = history.GetCount();
        auto p = Rows(palm.store, true);
        auto o = Rows(outlook.store, true);
        SyncResult r = Run(c.mode, p, o);
        ASSERT_EQ(ui.messages.size(), 1u);
        if (c.refusal) {
            EXPECT_FALSE(r.ran);
            EXPECT_EQ(ui.messages[0].find(c.refusal), 0u) << ui.messages[0];
            EXPECT_EQ(ui.icons.back(), SyncIcon::Error);
            EXPECT_EQ(palm.store.GetCount() + outlook.store.GetCount(), 2u);  // nothing written
            EXPECT_EQ(history.GetCount(), entries);
        } else {
            EXPECT_TRUE(r.ran);
            EXPECT_EQ(r.updated, 1);
        }
    }
}

// Outlook keeps a value the Palm Desktop record lacks: the write would
// change nothing, so none is made, none counted, and the message says the
// pair still differs. The same run again finds the same.
TEST_F(SyncFixture, WriteThatChangesNothingIsNotMade) {
    Add(palm.store, Rec("Ann", "Ames", "a@x", ""));
    Add(outlook.store, Rec("Ann", "Ames", "a@x", "Acme"));
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        ui.messages.clear();
        auto p = Rows(palm.store, true);
        auto o = Rows(outlook.store, false);
        SyncResult r = Run(1, p, o);
        EXPECT_EQ(outlook.updates, 0);
        EXPECT_EQ(r.updated, 0);
        EXPECT_EQ(r.stillDiffer, 1);
        EXPECT_EQ(ui.refreshes, 0);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0],
                  "Contact information synchronized successfully. 0 records updated.\r\n\r\n"
                  "1 pairs still differ: an empty value does not clear the other side's value.");
    }
    // A write that does change something is made, and a pair it leaves
    // different is counted once, not per pass.
    SetFieldText(palm.store.GetAt(0)[0], FID_WORK_PHONE, "555");
    confAction = SyncEngine::CONFLICT_PALM_WINS;
    auto p = Rows(palm.store, false);
    auto o = Rows(outlook.store, false);
    SyncResult r = Run(3, p, o);
    EXPECT_EQ(r.updated, 1);
    EXPECT_EQ(r.stillDiffer, 1);
    EXPECT_STREQ(outlook.store.GetAt(0)->m_szWorkPhone, "555");
}

TEST_F(SyncFixture, RepeatedSourceKeysAreNotWritten) {
    Add(palm.store, Rec("Ann", "Ames", "a@x", "One"));
    Add(palm.store, Rec("ANN", "Ames", "A@X", "Two"));    // same key, other company
    Add(palm.store, Rec("Bob", "Bell", "b@x", "Same"));
    Add(palm.store, Rec("Bob", "Bell", "b@x", "Same"));   // an equal twin is no doubt
    Add(palm.store, Rec("Cid", "Cole", "c@x", "Three"));  // its twin is not ticked
    Add(palm.store, Rec("Cid", "Cole", "c@x", "Four"));
    Add(outlook.store, Rec("Ann", "Ames", "a@x", "Old"));
    for (int mode : {1, 3}) {
        SCOPED_TRACE(mode);
        auto p = Rows(palm.store, true);
        p[5].ticked = false;
        auto o = Rows(outlook.store, false);
        confAction = SyncEngine::CONFLICT_PALM_WINS;
        SyncResult r = Run(mode, p, o);
        EXPECT_EQ(r.ambiguous, mode == 1 ? 2 : 4);  // two-way takes every row
        EXPECT_STREQ(outlook.store.GetAt(0)->m_szCompany, "Old");
        EXPECT_NE(ui.messages.back().find(
                      "records were not written: another record has the same name and e-mail."),
                  std::string::npos);
    }
    // Bob once; Cid (mode 1) once.
    EXPECT_EQ(outlook.store.GetCount(), 3u);
}

TEST_F(SyncFixture, UnreadableOutlookContactsAreNeverWrittenAndAreTold) {
    CommAddr ann = Rec("Ann", "Ames", "a@x", "Acme");
    ann.m_nFlags = ADDR_FLAG_UNREADABLE;
    Add(outlook.store, ann);
    Add(outlook.store, Rec("Bob", "Bell", "b@x"));
    Add(palm.store, Rec("Bob", "Bell", "b@x", "Palm Co"));
    outlook.unreadable = 1;
    auto p = Rows(palm.store, false);
    auto o = Rows(outlook.store, true);
    SyncResult r = Run(2, p, o);
    EXPECT_EQ(palm.store.GetCount(), 1u);  // Ann not added
    EXPECT_EQ(r.updated, 0);               // Bob's empty company changes nothing
    EXPECT_NE(ui.messages.back().find("1 Outlook contacts could not be read and were left out."),
              std::string::npos);
}

// Palm Desktop's file as the fake keeps it: what a reload gives back.
struct PalmFileFixture : SyncFixture {
    std::vector<CommAddr> file;
    void SetUp() override {
        SyncFixture::SetUp();
        palm.savesAtEnd = true;
        Add(palm.store, Rec("Ann", "Ames", "a@x", "Palm Co"));
        for (uint32_t i = 0; i < palm.store.GetCount(); ++i) file.push_back(*palm.store.GetAt(i));
        ui.onReload = [this] {
            palm.store.Clear();
            for (const CommAddr& rec : file) palm.store.AddCopy(&rec);
        };
    }
};

TEST_F(PalmFileFixture, FailedSaveReloadsAndTheNextRunDoesNotClaimSuccess) {
    Add(outlook.store, Rec("Bob", "Bell", "b@x"));
    palm.failSave = true;
    auto p = Rows(palm.store, false);
    auto o = Rows(outlook.store, true);
    SyncResult r = Run(2, p, o);
    EXPECT_TRUE(r.saveFailed);
    EXPECT_EQ(ui.reloads, 1);
    EXPECT_EQ(palm.store.GetCount(), 1u);  // the unsaved Bob is gone from the list
    EXPECT_EQ(ui.icons.back(), SyncIcon::Warning);
    EXPECT_EQ(ui.messages.back(),
              "Contact information was not synchronized completely. 1 records updated.\r\n\r\n"
              "The Palm Desktop data could not be saved. The debug log holds the reasons.");
    EXPECT_EQ(std::string(history.GetLast()->szDescription), std::string(kO2P) + " (not completed)");
    // The next run finds Bob missing again and, with the save failing, says so again.
    o = Rows(outlook.store, true);
    p = Rows(palm.store, false);
    Run(2, p, o);
    EXPECT_EQ(palm.adds, 2);
    EXPECT_EQ(ui.messages.back().find("Contact information was not synchronized completely."), 0u);
}

TEST_F(PalmFileFixture, FileChangedSinceTheLoadIsNotWritten) {
    Add(outlook.store, Rec("Bob", "Bell", "b@x"));
    // Found at Start: nothing runs.
    palm.changedSinceLoad = true;
    auto p = Rows(palm.store, true);
    auto o = Rows(outlook.store, true);
    SyncResult r = Run(3, p, o);
    EXPECT_FALSE(r.ran);
    EXPECT_EQ(palm.adds + outlook.adds + palm.saves, 0);
    EXPECT_EQ(ui.reloads, 1);
    EXPECT_EQ(ui.messages.back(),
              "Palm Desktop's data changed since it was loaded; the lists have been reloaded.");
    EXPECT_EQ(ui.icons.back(), SyncIcon::Warning);
    EXPECT_EQ(history.GetCount(), 0u);

    // Found by the save: the Palm Desktop writes are dropped; a run that
    // wrote only to Palm Desktop leaves no history entry.
    palm.changedSinceLoad = false;
    palm.saveFindsChange = true;
    p = Rows(palm.store, false);
    o = Rows(outlook.store, true);
    r = Run(2, p, o);
    EXPECT_TRUE(r.changedMeanwhile);
    EXPECT_EQ(ui.reloads, 2);
    EXPECT_EQ(palm.store.GetCount(), 1u);
    EXPECT_EQ(ui.messages.back(),
              "Contact information was not synchronized completely. 1 records updated.\r\n\r\n"
              "Palm Desktop's data changed since it was loaded; the lists have been reloaded.");
    EXPECT_EQ(history.GetCount(), 0u);
}

TEST_F(PalmFileFixture, CancelDropsThePalmChangesOfTheRun) {
    Add(outlook.store, Rec("Ann", "Ames", "a@x", "Outlook Co"));
    Add(outlook.store, Rec("Zed", "Zorn", "z@x"));
    Add(outlook.store, Rec("Yul", "Yale", "y@x", "Yul Co"));
    // Ann Outlook wins in the Palm pass; cancel at the next conflict.
    Add(palm.store, Rec("Yul", "Yale", "y@x", "Other Co"));
    file = {*palm.store.GetAt(0), *palm.store.GetAt(1)};
    ui.answers = {{true, 2, false, false}, {false, 0, false, false}};
    auto p = Rows(palm.store, false);
    auto o = Rows(outlook.store, false);
    SyncResult r = Run(3, p, o);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.palmWrites, 1);
    EXPECT_EQ(palm.saves, 0);
    EXPECT_EQ(ui.reloads, 1);
    EXPECT_STREQ(palm.store.GetAt(0)->m_szCompany, "Palm Co");  // as the file has it
    EXPECT_EQ(ui.messages.back(),
              "Contact information synchronized successfully. 1 records updated.\r\n\r\n"
              "The synchronization was cancelled.\r\n\r\n"
              "The Palm Desktop changes of this run were not saved.");
}

}  // namespace
