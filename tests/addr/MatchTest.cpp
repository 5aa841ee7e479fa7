#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AddrTestUtil.h"
#include "common/addr/CommAddr.h"
#include "common/misc/CxText.h"

using addr_test::MakeRec;

TEST(CommCompareText, Cases) {
    struct Case {
        const char* a;
        const char* b;
        int expected;
    };
    const Case cases[] = {
        {"Smith", "Smith", 0},
        {"SMITH", "smith", 0},
        {"", "", 0},
        {"Smith\r\n", "Smith", 1},  // a trailing line break counts
        {"Smith", "Smith\r\n", -1},
        {"Smith\r\n", "Smith\n", 0},
        {"Smith\r", "SMITH\r\n\r\n", 0},
        {"a\r\nb", "ab", 0},
        {"\r\nab", "ab", 0},
        {"1 Main St\r\nSuite 4", "1 main st suite 4", 1},  // the space is a character
        {"1 Main St\r\nSuite 4", "1 Main StSuite 4", 0},
        {"", "\r\n", -1},
        {"\n", "\r", 0},
        {"abc", "ab", 1},
        {"ab", "abc", -1},
        {"abc", "abd", -1},
        {"[", "a", 1},                 // letters fold to upper case: '[' > 'A'
        {"\xE9", "\xC9", 1},           // accented letters are not folded
        {"a", "\xE9", 1},              // bytes compare as signed 8-bit values
        {"ab\r", "ab\xE9", 1},         // ended side against a high byte
        {"ab\r", "abc", -1},
        {nullptr, "a", -1},
        {"a", nullptr, -1},
        {nullptr, nullptr, -1},
    };
    CommAddrMgr store;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a ? c.a : "<null>") + " | " + (c.b ? c.b : "<null>"));
        EXPECT_EQ(store.CompareText(c.a, c.b), c.expected);
    }
}

TEST(CommFieldsEqual, KindsOfFields) {
    CommAddrMgr store;
    CommAddr a = MakeRec({{FID_FIRST_NAME, "Ann"}});
    CommAddr b = a;
    const int32_t ids[] = {FID_FIRST_NAME};
    EXPECT_TRUE(store.FieldsEqual(&a, &b, ids, 1));
    EXPECT_FALSE(store.FieldsEqual(nullptr, &b, ids, 1));
    EXPECT_FALSE(store.FieldsEqual(&a, nullptr, ids, 1));
    EXPECT_FALSE(store.FieldsEqual(&a, &b, nullptr, 1));
    EXPECT_FALSE(store.FieldsEqual(&a, &b, ids, 0));

    struct Case {
        int32_t id;
        bool counts;  // does a difference in this field make the records differ?
    };
    const Case cases[] = {
        {FID_MIDDLE_NAME, true}, {FID_EMAIL2, true},       {FID_CUSTOM1, true},
        {FID_SPOUSE_NAME, true}, {FID_CHILDREN_NAMES, false}, {FID_PROFESSION, false},
        {FID_HOBBY, false},      {FID_ACCOUNT, true},      {FID_LOCATION, true},
        {FID_MHS_COMMON_NAME, false}, {FID_CATEGORY, false}, {FID_ID, false},
        {FID_CUSTOM_LABEL1, true}, {FID_CUSTOM_LABEL9, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        CommAddr x = MakeRec({{c.id, "one"}});
        CommAddr y = MakeRec({{c.id, "two"}});
        EXPECT_EQ(store.FieldsEqual(&x, &y, &c.id, 1), !c.counts);
    }
    // Dates must be exactly equal; numbers and unknown ids never differ.
    CommAddr x, y;
    x.m_dtBirthday = 100.0;
    y.m_dtBirthday = 100.0 + 1e-9;
    x.m_nGender = 1;
    x.m_nPrivate = 1;
    x.m_nStatus = 2;
    x.m_dtCreationTime = 5.0;
    const int32_t birthday[] = {FID_BIRTHDAY};
    EXPECT_FALSE(store.FieldsEqual(&x, &y, birthday, 1));
    y.m_dtBirthday = 100.0;
    y.m_dtAnniversary = 1.0;
    EXPECT_TRUE(store.FieldsEqual(&x, &y, birthday, 1));
    const int32_t anniversary[] = {FID_ANNIVERSARY};
    EXPECT_FALSE(store.FieldsEqual(&x, &y, anniversary, 1));
    const int32_t skipped[] = {FID_GENDER, FID_PRIVATE, FID_STATUS, FID_CREATION_TIME, 0, 91, -3};
    EXPECT_TRUE(store.FieldsEqual(&x, &y, skipped, 7));
}

TEST(CommFieldsEqual, UnterminatedSlotsCompareWithinTheirSize) {
    CommAddrMgr store;
    CommAddr a = MakeRec({{FID_MIDDLE_NAME, "x"}});
    CommAddr b = MakeRec({{FID_MIDDLE_NAME, "y"}});
    memset(a.m_szFirstName, 'q', sizeof(a.m_szFirstName));
    memset(b.m_szFirstName, 'Q', sizeof(b.m_szFirstName));
    const int32_t ids[] = {FID_FIRST_NAME};
    EXPECT_TRUE(store.FieldsEqual(&a, &b, ids, 1));  // the next slot is not read
}

namespace {

// A store filled from a list of records.
void Fill(CommAddrMgr& store, const std::vector<CommAddr>& recs) {
    for (const CommAddr& r : recs) ASSERT_NE(store.AddCopy(&r), nullptr);
}

CommAddr Person(const char* first, const char* last, const char* email) {
    return MakeRec({{FID_FIRST_NAME, first}, {FID_LAST_NAME, last}, {FID_EMAIL, email}});
}

}  // namespace

TEST(CommFindMatch, Cases) {
    CommAddr sentinel;
    CommAddr ann = Person("Ann", "Lee", "ann@x");
    CommAddr annCaps = Person("ANN", "LEE", "ANN@X");
    CommAddr annNewPhone = ann;
    CxCopyText(annNewPhone.m_szHomePhone, "555");
    CommAddr annOtherStreet = ann;
    CxCopyText(annOtherStreet.m_OtherAddr.m_szStreet, "1 Side Rd");
    CommAddr annMiddle = ann;
    CxCopyText(annMiddle.m_szMiddleName, "Q");
    annMiddle.m_dtBirthday = 12345.0;
    CommAddr annBreak = Person("Ann\r\n", "Lee", "ann@x");
    CommAddr bob = Person("Bob", "", "");
    CommAddr empty;
    CommAddr acme;  // company only: no key
    CxCopyText(acme.m_szCompany, "Acme");
    CommAddr acmeCaps;
    CxCopyText(acmeCaps.m_szCompany, "ACME");
    CommAddr zeta;
    CxCopyText(zeta.m_szCompany, "Zeta");

    struct Case {
        const char* name;
        std::vector<CommAddr> store;
        CommAddr rec;
        int result;
        int matchedPos;  // -1: matched left alone
        uint32_t index;
    };
    const std::vector<Case> cases = {
        {"empty store", {}, ann, MATCH_NEW, -1, 0},
        {"no key match", {bob, empty}, ann, MATCH_NEW, -1, 2},
        {"empty keys: equal compared fields are same", {bob, empty}, empty, MATCH_SAME, 1, 1},
        {"empty keys: equal after folding", {zeta, acmeCaps}, acme, MATCH_SAME, 1, 1},
        {"empty keys: other compared fields are new, never different", {acme, empty}, zeta, MATCH_NEW, -1, 2},
        {"empty key against a keyed record is new", {ann}, acme, MATCH_NEW, -1, 1},
        {"case folded key", {bob, annCaps}, ann, MATCH_SAME, 1, 1},
        {"trailing break in the key", {annBreak}, ann, MATCH_NEW, -1, 1},
        {"middle name and birthday do not count", {annMiddle}, ann, MATCH_SAME, 0, 0},
        {"other street counts", {annOtherStreet}, ann, MATCH_DIFF, 0, 0},
        {"second of two key matches equal", {annNewPhone, ann, annOtherStreet}, ann, MATCH_SAME, 1, 1},
        {"neither equal: the last key match", {annNewPhone, annOtherStreet, bob}, ann, MATCH_DIFF, 1, 1},
        {"first equal wins", {bob, annCaps, ann}, ann, MATCH_SAME, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CommAddrMgr store;
        Fill(store, c.store);
        CommAddr* matched = &sentinel;
        uint32_t index = 999;
        EXPECT_EQ(store.FindMatch(&c.rec, &matched, &index), c.result);
        EXPECT_EQ(index, c.index);
        if (c.matchedPos < 0)
            EXPECT_EQ(matched, &sentinel);
        else
            EXPECT_EQ(matched, store.GetAt(static_cast<uint32_t>(c.matchedPos)));
        // The index over the key gives the same answer.
        CommMatchIndex byKey(store);
        CommAddr* matched2 = &sentinel;
        uint32_t index2 = 999;
        EXPECT_EQ(byKey.Find(&c.rec, &matched2, &index2), c.result);
        EXPECT_EQ(matched2, matched);
        EXPECT_EQ(index2, index);
    }
}

TEST(CommFindMatch, RecordOfTheStoreItself) {
    CommAddrMgr store;
    CommAddr ann = Person("Ann", "Lee", "a@x");
    CommAddr annDiff = ann;
    CxCopyText(annDiff.m_szNote, "differs");
    Fill(store, {annDiff, Person("Bob", "", ""), ann, annDiff});
    CommAddr* own = store.GetAt(3);
    CommAddr* matched = nullptr;
    uint32_t index = 0;
    // An equal record before it wins; else the record finds itself.
    EXPECT_EQ(store.FindMatch(own, &matched, &index), MATCH_SAME);
    EXPECT_EQ(matched, store.GetAt(0));
    EXPECT_EQ(index, 0u);
    CommAddr* bob = store.GetAt(1);
    EXPECT_EQ(store.FindMatch(bob, &matched, &index), MATCH_SAME);
    EXPECT_EQ(matched, bob);
    EXPECT_EQ(index, 1u);
    EXPECT_EQ(CommMatchIndex(store).Find(own, &matched, &index), MATCH_SAME);
    EXPECT_EQ(index, 0u);
}

TEST(CommFindMatch, ErrorsAndOptionalOutputs) {
    CommAddrMgr store;
    Fill(store, {Person("Ann", "", "")});
    CommAddr* matched = nullptr;
    uint32_t index = 7;
    EXPECT_EQ(store.FindMatch(nullptr, &matched, &index), MATCH_ERROR);
    EXPECT_EQ(CommMatchIndex(store).Find(nullptr, &matched, &index), MATCH_ERROR);
    CommAddr ann = Person("ann", "", "");
    EXPECT_EQ(store.FindMatch(&ann, nullptr, nullptr), MATCH_SAME);
}

TEST(CommFindMatch, LeavesTheStoreCursorAlone) {
    CommAddrMgr store;
    Fill(store, {Person("A", "", ""), Person("B", "", ""), Person("C", "", "")});
    EXPECT_STREQ(store.GetFirst()->m_szFirstName, "A");
    CommAddr c = Person("C", "", "");
    EXPECT_EQ(store.FindMatch(&c, nullptr, nullptr), MATCH_SAME);
    EXPECT_EQ(store.MarkStatus(&store), true);
    EXPECT_STREQ(store.GetNext()->m_szFirstName, "B");
}

TEST(CommMatchIndexInStep, FollowsAppendsClearsAndAnnouncedChanges) {
    CommAddrMgr store;
    Fill(store, {Person("A", "", "")});
    CommMatchIndex byKey(store);
    CommAddr b = Person("B", "", "");
    // Enough appends to make the index grow its buckets.
    for (int i = 0; i < 40; ++i) {
        CommAddr x = Person(("X" + std::to_string(i)).c_str(), "", "");
        ASSERT_NE(store.AddCopy(&x), nullptr);
    }
    ASSERT_NE(store.AddCopy(&b), nullptr);
    CommAddr* matched = nullptr;
    uint32_t index = 0;
    EXPECT_EQ(byKey.Find(&b, &matched, &index), MATCH_SAME);
    EXPECT_EQ(index, 41u);

    // A key changed in place is found under its new key once announced.
    CommAddr c = Person("C", "", "");
    *store.GetAt(0) = c;
    byKey.Update(0);
    EXPECT_EQ(byKey.Find(&c, &matched, &index), MATCH_SAME);
    EXPECT_EQ(index, 0u);
    CommAddr a = Person("A", "", "");
    EXPECT_EQ(byKey.Find(&a, &matched, &index), MATCH_NEW);
    EXPECT_EQ(index, 42u);

    // Cleared and refilled to a larger count: nothing of the old positions.
    store.Clear();
    EXPECT_EQ(byKey.Find(&b, &matched, &index), MATCH_NEW);
    EXPECT_EQ(index, 0u);
    for (int i = 0; i < 50; ++i) ASSERT_NE(store.AddCopy(&a), nullptr);
    EXPECT_EQ(byKey.Find(&b, &matched, &index), MATCH_NEW);
    EXPECT_EQ(index, 50u);
    EXPECT_EQ(byKey.Find(&a, &matched, &index), MATCH_SAME);
    EXPECT_EQ(index, 0u);
}

TEST(CommMarkStatus, BothWays) {
    CommAddr ann = Person("Ann", "Lee", "a@x");
    CommAddr annDiff = ann;
    CxCopyText(annDiff.m_szWorkPhone, "1");
    CommAddr bob = Person("Bob", "", "");
    CommAddr cy = Person("Cy", "", "");

    CommAddrMgr palm, outlook;
    Fill(palm, {ann, bob, cy});
    Fill(outlook, {annDiff, bob, Person("Dee", "", "")});
    EXPECT_FALSE(palm.MarkStatus(nullptr));
    for (CommAddr* r = palm.GetFirst(); r; r = palm.GetNext()) r->m_nStatus = 99;
    ASSERT_TRUE(palm.MarkStatus(&outlook));
    ASSERT_TRUE(outlook.MarkStatus(&palm));
    std::vector<int32_t> palmStatus, outlookStatus;
    for (CommAddr* r = palm.GetFirst(); r; r = palm.GetNext()) palmStatus.push_back(r->m_nStatus);
    for (CommAddr* r = outlook.GetFirst(); r; r = outlook.GetNext()) outlookStatus.push_back(r->m_nStatus);
    EXPECT_EQ(palmStatus, (std::vector<int32_t>{STATUS_DIFF, STATUS_SAME, STATUS_NEW}));
    EXPECT_EQ(outlookStatus, (std::vector<int32_t>{STATUS_DIFF, STATUS_SAME, STATUS_NEW}));

    // Against an empty store everything is new; a store against itself is all same.
    CommAddrMgr none;
    ASSERT_TRUE(palm.MarkStatus(&none));
    for (CommAddr* r = palm.GetFirst(); r; r = palm.GetNext()) EXPECT_EQ(r->m_nStatus, STATUS_NEW);
    ASSERT_TRUE(none.MarkStatus(&palm));
    Fill(palm, {annDiff});
    ASSERT_TRUE(palm.MarkStatus(&palm));
    for (CommAddr* r = palm.GetFirst(); r; r = palm.GetNext()) EXPECT_EQ(r->m_nStatus, STATUS_SAME);
}
