#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "AddrTestUtil.h"
#include "common/addr/CommAddr.h"
#include "common/misc/CxText.h"

using addr_test::MakeRec;

namespace {

// OLE Automation date of a calendar day and time (days from 30 Dec 1899).
double OleDate(int days, int h, int m, int s) { return days + (h * 3600 + m * 60 + s) / 86400.0; }

std::string Text(const char* p) { return p ? std::string(p) : std::string("<null>"); }

}  // namespace

// ---------------------------------------------------------------- catalogue

TEST(CommFieldCatalogue, IdsAreUniqueAndCoverOneToNinety) {
    std::set<int32_t> ids;
    for (const CommFieldInfo& row : g_CommFieldInfo) ids.insert(row.m_nId);
    ASSERT_EQ(ids.size(), COMM_FIELD_COUNT);
    EXPECT_EQ(*ids.begin(), 1);
    EXPECT_EQ(*ids.rbegin(), 90);
}

TEST(CommFieldCatalogue, RowsThatBreakTheIdOrder) {
    struct Case { size_t row; int32_t id; const char* name; int32_t type; int32_t maxLen; };
    const Case cases[] = {
        {0, 1, "First Name", FIELD_TEXT, 32},
        {7, 8, "Gender", FIELD_GENDER, 4},
        {8, 9, "(Work) Street", FIELD_TEXT, 256},
        {11, 12, "(Work) Postal", FIELD_TEXT, 16},
        {39, 41, "Work Home Page", FIELD_TEXT, 256},
        {40, 40, "Personal Home Page", FIELD_TEXT, 256},
        {42, 43, "Note", FIELD_TEXT, 8192},
        {53, 55, "Title", FIELD_TEXT, 32},
        {54, 54, "Department", FIELD_TEXT, 32},
        {61, 62, "Children's Names", FIELD_TEXT, 32},
        {65, 67, "Birthday", FIELD_DATETIME, 8},
        {66, 66, "Anniversary", FIELD_DATETIME, 8},
        {76, 77, "Last Modification Time", FIELD_DATETIME, 8},
        {77, 78, "Source Type", FIELD_INT, 4},
        {78, 79, "Status", FIELD_INT, 4},
        {79, 80, "ID", FIELD_TEXT, 64},
        {80, 81, "Private", FIELD_INT, 4},
        {89, 90, "Custom Label 9", FIELD_TEXT, 64},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        const CommFieldInfo& row = g_CommFieldInfo[c.row];
        EXPECT_EQ(row.m_nId, c.id);
        EXPECT_STREQ(row.m_szName, c.name);
        EXPECT_EQ(row.m_nType, c.type);
        EXPECT_EQ(row.m_nMaxLen, c.maxLen);
    }
    // Every other row holds the id one above its row number.
    std::set<size_t> swapped = {39, 40, 53, 54, 65, 66};
    for (size_t row = 0; row < COMM_FIELD_COUNT; ++row)
        if (!swapped.count(row)) {
            EXPECT_EQ(g_CommFieldInfo[row].m_nId, static_cast<int32_t>(row + 1)) << row;
        }
}

// The record's slots must have exactly the catalogue's sizes and kinds.
TEST(CommFieldCatalogue, EverySlotHasItsCatalogueSize) {
    CommAddr rec;
    for (const CommFieldInfo& row : g_CommFieldInfo) {
        SCOPED_TRACE(row.m_szName);
        size_t size = 0;
        char* text = GetTextSlot(rec, row.m_nId, &size);
        int32_t* num = GetIntSlot(rec, row.m_nId);
        double* date = GetDateSlot(rec, row.m_nId);
        switch (row.m_nType) {
        case FIELD_TEXT:
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(size, static_cast<size_t>(row.m_nMaxLen));
            EXPECT_EQ(num, nullptr);
            EXPECT_EQ(date, nullptr);
            break;
        case FIELD_GENDER:
        case FIELD_INT:
            EXPECT_NE(num, nullptr);
            EXPECT_EQ(sizeof(*num), static_cast<size_t>(row.m_nMaxLen));
            EXPECT_EQ(text, nullptr);
            break;
        case FIELD_DATETIME:
            EXPECT_NE(date, nullptr);
            EXPECT_EQ(sizeof(*date), static_cast<size_t>(row.m_nMaxLen));
            EXPECT_EQ(text, nullptr);
            break;
        default:
            ADD_FAILURE() << "type " << row.m_nType;
        }
    }
    size_t size = 1;
    EXPECT_EQ(GetTextSlot(rec, 0, &size), nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(GetTextSlot(rec, 91, &size), nullptr);
    EXPECT_EQ(GetIntSlot(rec, 1), nullptr);
}

// Members stand in their fixed order, the tenth custom value between Custom 9
// and Company, slots never overlapping.
TEST(CommAddrLayout, MembersInDeclaredOrder) {
    CommAddr rec;
    const int32_t order[] = {1,  3,  2,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18,
                             19, 20, 21, 22, 23, 24, 25, 26, 28, 27, 29, 31, 30, 32, 33, 34, 35, 36,
                             37, 38, 39, 41, 40, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, -10, 53,
                             55, 54, 56, 57, 58, 59, 60, 61, 62, 63, 64, 65, 67, 66, 68, 69, 70, 71,
                             72, 73, 74, 75, 76, 77, 78, 79, 80, 81, 82, 83, 84, 85, 86, 87, 88, 89, 90};
    const unsigned char* prevEnd = reinterpret_cast<const unsigned char*>(static_cast<CommAddrData*>(&rec));
    for (int32_t id : order) {
        SCOPED_TRACE(id);
        const unsigned char* p = nullptr;
        size_t size = 0;
        if (id == -10) {
            p = reinterpret_cast<const unsigned char*>(rec.m_szCustom[9]);
            size = sizeof(rec.m_szCustom[9]);
        } else if (char* t = GetTextSlot(rec, id, &size)) {
            p = reinterpret_cast<const unsigned char*>(t);
        } else if (int32_t* n = GetIntSlot(rec, id)) {
            p = reinterpret_cast<const unsigned char*>(n);
            size = sizeof(*n);
        } else if (double* d = GetDateSlot(rec, id)) {
            p = reinterpret_cast<const unsigned char*>(d);
            size = sizeof(*d);
        }
        ASSERT_NE(p, nullptr);
        EXPECT_GE(p, prevEnd);
        prevEnd = p + size;
    }
    EXPECT_LE(prevEnd, reinterpret_cast<const unsigned char*>(static_cast<CommAddrData*>(&rec)) +
                           sizeof(CommAddrData));
    // The value slots open the record; what follows them is not a slot.
    EXPECT_EQ(static_cast<const void*>(static_cast<CommAddrData*>(&rec)), static_cast<const void*>(&rec));
    EXPECT_EQ(rec.m_nFlags, 0u);
    EXPECT_FALSE(rec.m_Cut.Any());
}

TEST(CommAddrRecord, FreshRecordIsAllZeroEvenOverDirtyMemory) {
    std::vector<unsigned char> raw(sizeof(CommAddr) + alignof(CommAddr), 0xAB);
    void* where = raw.data() + (alignof(CommAddr) - reinterpret_cast<uintptr_t>(raw.data()) % alignof(CommAddr)) %
                                   alignof(CommAddr);
    CommAddr* rec = new (where) CommAddr;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(static_cast<CommAddrData*>(rec));
    size_t nonZero = 0;
    for (size_t i = 0; i < sizeof(CommAddrData); ++i) nonZero += bytes[i] != 0;
    EXPECT_EQ(nonZero, 0u);
    EXPECT_EQ(rec->m_Native.GetData(), nullptr);
    EXPECT_EQ(rec->m_Native.GetLength(), 0u);
    rec->~CommAddr();
}

TEST(CommAddrRecord, CopiesOwnTheirNativeBlock) {
    const uint8_t bytes[] = {1, 2, 3, 4, 5};
    CommAddr a = MakeRec({{FID_FIRST_NAME, "Ann"}});
    ASSERT_TRUE(a.m_Native.Set(bytes, sizeof(bytes)));

    CommAddr b(a);
    ASSERT_EQ(b.m_Native.GetLength(), sizeof(bytes));
    EXPECT_NE(b.m_Native.GetData(), a.m_Native.GetData());
    EXPECT_EQ(memcmp(b.m_Native.GetData(), bytes, sizeof(bytes)), 0);
    EXPECT_STREQ(b.m_szFirstName, "Ann");

    CommAddr c;
    c = a;  // assignment over an empty block
    EXPECT_NE(c.m_Native.GetData(), a.m_Native.GetData());
    const uint8_t other[] = {9};
    ASSERT_TRUE(c.m_Native.Set(other, 1));
    c = a;  // assignment over a block: the old one goes
    EXPECT_EQ(c.m_Native.GetLength(), sizeof(bytes));
    c = c;  // self-assignment keeps the block
    EXPECT_EQ(c.m_Native.GetLength(), sizeof(bytes));
    EXPECT_EQ(memcmp(c.m_Native.GetData(), bytes, sizeof(bytes)), 0);

    CommAddr d(std::move(b));
    EXPECT_EQ(b.m_Native.GetData(), nullptr);
    EXPECT_EQ(b.m_Native.GetLength(), 0u);
    EXPECT_EQ(d.m_Native.GetLength(), sizeof(bytes));

    a.m_Native.Clear();
    EXPECT_EQ(a.m_Native.GetData(), nullptr);
    EXPECT_EQ(c.m_Native.GetLength(), sizeof(bytes));  // untouched by a's change
}

TEST(CommAddrRecord, NativeBlockSetRules) {
    CommNativeBlock block;
    const char data[] = "abc";
    EXPECT_TRUE(block.Set(data, 3));
    EXPECT_EQ(block.GetLength(), 3u);
    EXPECT_TRUE(block.Set(nullptr, 3));  // null data clears
    EXPECT_TRUE(block.IsEmpty());
    EXPECT_EQ(block.GetData(), nullptr);
    EXPECT_TRUE(block.Set(data, 0));
    EXPECT_EQ(block.GetData(), nullptr);
    std::unique_ptr<uint8_t[]> own(new uint8_t[2]{7, 8});
    const uint8_t* raw = own.get();
    block.Adopt(std::move(own), 2);
    EXPECT_EQ(block.GetData(), raw);
    EXPECT_EQ(block.GetLength(), 2u);
    block.Adopt(nullptr, 5);
    EXPECT_EQ(block.GetLength(), 0u);
}

TEST(CommAddrRecord, SetFieldTextCutsToTheSlot) {
    CommAddr rec;
    const std::string longText(100, 'x');
    EXPECT_TRUE(SetFieldText(rec, FID_FIRST_NAME, longText.c_str()));
    EXPECT_EQ(strlen(rec.m_szFirstName), 31u);
    EXPECT_EQ(rec.m_szLastName[0], '\0');
    EXPECT_TRUE(SetFieldText(rec, FID_FIRST_NAME, nullptr));
    EXPECT_STREQ(rec.m_szFirstName, "");
    EXPECT_FALSE(SetFieldText(rec, FID_BIRTHDAY, "1"));
    EXPECT_FALSE(SetFieldText(rec, 91, "1"));
}

// ---------------------------------------------------------------- GetFieldInfo / GetFieldText

TEST(CommFieldInfoLookup, FindsByIdAndLeavesOutAloneOnFailure) {
    CommFieldInfo info{};
    ASSERT_TRUE(GetFieldInfo(41, &info));
    EXPECT_STREQ(info.m_szName, "Work Home Page");
    EXPECT_EQ(info.m_nMaxLen, 256);
    EXPECT_FALSE(GetFieldInfo(41, nullptr));
    for (int32_t id : {0, -1, 91, 1000}) {
        CommFieldInfo out{};
        out.m_nId = 12345;
        EXPECT_FALSE(GetFieldInfo(id, &out)) << id;
        EXPECT_EQ(out.m_nId, 12345);
    }
}

TEST(CommFieldText, Rules) {
    CommAddr rec = MakeRec({{FID_FIRST_NAME, "Ann"},
                            {FID_EMAIL, "ann@example.org"},
                            {FID_EMAIL2, "second@example.org"},
                            {FID_SPOUSE_NAME, "Bo"},
                            {FID_ID, "00001"},
                            {FID_NOTE, "line 1\r\nline 2"},
                            {FID_CUSTOM_LABEL1 + 8, "Label 9"}});
    rec.m_nGender = 1;
    rec.m_nStatus = STATUS_DIFF;
    rec.m_nPrivate = 1;
    rec.m_nSourceType = 2;

    struct Case {
        int32_t id;
        size_t size;
        bool result;
        const char* text;  // null: buffer untouched
    };
    const Case cases[] = {
        {FID_EMAIL, 64, false, nullptr},  // size must exceed the max length
        {FID_EMAIL, 65, true, "ann@example.org"},
        {FID_FIRST_NAME, 33, true, "Ann"},
        {FID_FIRST_NAME, 32, false, nullptr},
        {FID_NOTE, 8193, true, "line 1\r\nline 2"},
        {FID_CUSTOM_LABEL1 + 8, 65, true, "Label 9"},
        {FID_GENDER, 5, true, ""},
        {FID_SOURCE_TYPE, 5, true, "Palm"},  // cut to the buffer
        {FID_SOURCE_TYPE, 64, true, "Palm(4.1.2 and aboves)"},
        // Fields without display text empty the buffer and report false.
        {FID_EMAIL2, 65, false, ""},
        {FID_EMAIL3, 65, false, ""},
        {FID_SPOUSE_NAME, 33, false, ""},
        {FID_CHILDREN_NAMES, 33, false, ""},
        {FID_STATUS, 5, false, ""},
        {FID_ID, 65, false, ""},
        {FID_PRIVATE, 5, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        CommFieldInfo info{};
        ASSERT_TRUE(GetFieldInfo(c.id, &info));
        std::vector<char> buf(c.size, '#');
        EXPECT_EQ(GetFieldText(&rec, &info, buf.data(), buf.size()), c.result);
        if (c.text)
            EXPECT_EQ(std::string(buf.data()), c.text);
        else
            EXPECT_EQ(std::string(buf.begin(), buf.end()), std::string(c.size, '#'));
        EXPECT_EQ(buf.back(), c.text ? '\0' : '#');
    }
}

TEST(CommFieldText, MissingArgumentsAndUnknownIds) {
    CommAddr rec = MakeRec({{FID_FIRST_NAME, "Ann"}});
    CommFieldInfo info{};
    ASSERT_TRUE(GetFieldInfo(FID_FIRST_NAME, &info));
    char buf[64] = "untouched";
    EXPECT_FALSE(GetFieldText(nullptr, &info, buf, sizeof(buf)));
    EXPECT_FALSE(GetFieldText(&rec, nullptr, buf, sizeof(buf)));
    EXPECT_FALSE(GetFieldText(&rec, &info, nullptr, sizeof(buf)));
    EXPECT_STREQ(buf, "untouched");

    // A made-up descriptor: unknown id, or no room at all.
    CommFieldInfo made{91, "None", FIELD_TEXT, 4};
    EXPECT_FALSE(GetFieldText(&rec, &made, buf, sizeof(buf)));
    EXPECT_STREQ(buf, "");
    made = CommFieldInfo{FID_FIRST_NAME, "First", FIELD_TEXT, -5};
    EXPECT_FALSE(GetFieldText(&rec, &made, buf, 0));
    // A descriptor with a small max length still cuts to the buffer.
    made.m_nMaxLen = 2;
    EXPECT_TRUE(GetFieldText(&rec, &made, buf, 3));
    EXPECT_STREQ(buf, "An");
}

TEST(CommFieldText, SlotFilledToTheBrimIsNotReadPast) {
    CommAddr rec = MakeRec({{FID_MIDDLE_NAME, "tail"}});
    memset(rec.m_szFirstName, 'x', sizeof(rec.m_szFirstName));  // no terminator
    CommFieldInfo info{};
    ASSERT_TRUE(GetFieldInfo(FID_FIRST_NAME, &info));
    char buf[128];
    ASSERT_TRUE(GetFieldText(&rec, &info, buf, sizeof(buf)));
    EXPECT_EQ(std::string(buf), std::string(32, 'x'));
}

TEST(CommFieldText, Dates) {
    struct Case {
        int32_t id;
        double value;
        size_t size;
        bool result;
        const char* text;
    };
    const Case cases[] = {
        {FID_BIRTHDAY, 0.0, 20, true, " 00:00:00"},
        {FID_BIRTHDAY, OleDate(47849, 7, 8, 9), 20, true, " 07:08:09"},  // 1 Jan 2031
        {FID_BIRTHDAY, OleDate(47848, 13, 5, 9), 20, true, "12/31/2030 13:05:09"},
        {FID_ANNIVERSARY, OleDate(11324, 0, 0, 0), 20, true, "01/01/1931 00:00:00"},
        {FID_CREATION_TIME, OleDate(11323, 23, 59, 59), 20, true, " 23:59:59"},  // 31 Dec 1930
        {FID_LAST_MODIFICATION_TIME, OleDate(47848, 13, 5, 9), 9, true, "12/31/20"},
        // Outside the years the date conversion accepts: no text.
        {FID_BIRTHDAY, -700000.0, 20, false, ""},
        {FID_BIRTHDAY, 3e6, 20, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CommAddr rec;
        *GetDateSlot(rec, c.id) = c.value;
        CommFieldInfo info{};
        ASSERT_TRUE(GetFieldInfo(c.id, &info));
        std::vector<char> buf(c.size, '#');
        EXPECT_EQ(GetFieldText(&rec, &info, buf.data(), buf.size()), c.result);
        EXPECT_STREQ(buf.data(), c.text);
    }
}

TEST(CommFieldText, SourceTypes) {
    const char* const texts[] = {"Palm",   "Palm(4.1.2 and aboves)", "Outlook", "Windows Address Book",
                                 "MSN",    "ICQ",                    "Yahoo",   "Google",
                                 "Domino", "Endora",                 "CSV",     "XML",
                                 "VCard",  "Database",               "Merrowline"};
    CommFieldInfo info{};
    ASSERT_TRUE(GetFieldInfo(FID_SOURCE_TYPE, &info));
    for (int32_t type = -1; type <= 16; ++type) {
        SCOPED_TRACE(type);
        CommAddr rec;
        rec.m_nSourceType = type;
        char buf[32] = "junk";
        const bool known = type >= 1 && type <= 15;
        EXPECT_EQ(GetFieldText(&rec, &info, buf, sizeof(buf)), known);
        EXPECT_STREQ(buf, known ? texts[type - 1] : "");
    }
}

// ---------------------------------------------------------------- store

TEST(CommAddrMgrStore, FixedLists) {
    CommAddrMgr store;
    uint32_t n = 0;
    const int32_t* keys = store.GetMatchKeys(&n);
    EXPECT_EQ(std::vector<int32_t>(keys, keys + n), (std::vector<int32_t>{1, 3, 37}));
    const int32_t* cmp = store.GetCompareFields(&n);
    EXPECT_EQ(std::vector<int32_t>(cmp, cmp + n),
              (std::vector<int32_t>{24, 25, 26, 37, 34, 35, 53, 55, 13, 11, 12, 10, 9, 18, 16, 17, 15, 14, 23,
                                    21, 22, 20, 19, 43}));
}

TEST(CommAddrMgrStore, AddCopyWalkAndClear) {
    CommAddrMgr store;
    EXPECT_EQ(store.GetFirst(), nullptr);
    EXPECT_EQ(store.GetNext(), nullptr);
    EXPECT_EQ(store.AddCopy(nullptr), nullptr);
    EXPECT_EQ(store.GetCount(), 0u);

    const uint8_t bytes[] = {0xDE, 0xAD, 0xBE, 0xEF};
    CommAddr src = MakeRec({{FID_FIRST_NAME, "R0"}});
    ASSERT_TRUE(src.m_Native.Set(bytes, sizeof(bytes)));
    CommAddr* first = store.AddCopy(&src);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, &src);
    ASSERT_EQ(first->m_Native.GetLength(), sizeof(bytes));
    EXPECT_NE(first->m_Native.GetData(), src.m_Native.GetData());
    EXPECT_EQ(memcmp(first->m_Native.GetData(), bytes, sizeof(bytes)), 0);

    // Many more: earlier pointers stay valid, order is kept.
    for (int i = 1; i < 100; ++i) {
        CommAddr r = MakeRec({{FID_FIRST_NAME, ("R" + std::to_string(i)).c_str()}});
        ASSERT_NE(store.AddCopy(&r), nullptr);
    }
    EXPECT_EQ(store.GetAt(0), first);
    EXPECT_EQ(store.GetCount(), 100u);
    int i = 0;
    for (CommAddr* r = store.GetFirst(); r; r = store.GetNext(), ++i)
        EXPECT_EQ(Text(r->m_szFirstName), "R" + std::to_string(i));
    EXPECT_EQ(i, 100);
    EXPECT_EQ(store.GetNext(), nullptr);

    // GetAt does not move the walk's cursor.
    EXPECT_EQ(Text(store.GetFirst()->m_szFirstName), "R0");
    EXPECT_NE(store.GetAt(50), nullptr);
    EXPECT_EQ(store.GetAt(100), nullptr);
    EXPECT_EQ(Text(store.GetNext()->m_szFirstName), "R1");

    store.Clear();  // ASan reports any block freed twice or not at all
    EXPECT_EQ(store.GetCount(), 0u);
    EXPECT_EQ(store.GetFirst(), nullptr);
    EXPECT_EQ(src.m_Native.GetLength(), sizeof(bytes));  // the source keeps its own
}

TEST(CommAddrMgrStore, UpdateAtMergeRules) {
    const uint8_t bytes[] = {1, 2, 3};
    CommAddr stored = MakeRec({{FID_FIRST_NAME, "Ann"},
                               {FID_LAST_NAME, "Old"},
                               {FID_EMAIL2, "keep@x"},
                               {FID_ID, "ID-1"},
                               {FID_CATEGORY, "Business"}});
    stored.m_dtBirthday = 30000.0;
    stored.m_dtAnniversary = 31000.0;
    stored.m_nGender = 1;
    stored.m_nPrivate = 1;
    stored.m_dtCreationTime = 100.0;
    stored.m_dtLastModificationTime = 200.0;
    stored.m_nSourceType = SOURCE_PALM;
    stored.m_nStatus = STATUS_DIFF;
    CxCopyText(stored.m_szCustom[9], "slot ten");
    ASSERT_TRUE(stored.m_Native.Set(bytes, sizeof(bytes)));

    CommAddrMgr store;
    CommAddr* rec = store.AddCopy(&stored);
    ASSERT_NE(rec, nullptr);

    CommAddr src = MakeRec({{FID_LAST_NAME, "New"},
                            {FID_CHILDREN_NAMES, "Kid"},
                            {FID_HOBBY, "Chess"},
                            {FID_ID, "ID-2"},
                            {FID_CUSTOM_LABEL1, "Label"}});
    memset(src.m_szCompany, 'c', sizeof(src.m_szCompany));  // no terminator: cut to 63
    CxCopyText(src.m_szCustom[9], "other ten");
    src.m_dtBirthday = 0.0;
    src.m_dtAnniversary = 5.5;
    src.m_nGender = 0;
    src.m_nPrivate = 0;
    src.m_dtCreationTime = 1.0;
    src.m_dtLastModificationTime = 2.0;
    src.m_nSourceType = SOURCE_OUTLOOK;
    src.m_nStatus = STATUS_NEW;
    const uint8_t other[] = {9, 9};
    ASSERT_TRUE(src.m_Native.Set(other, sizeof(other)));

    EXPECT_FALSE(store.UpdateAt(&src, 1));  // index equal to the count
    EXPECT_FALSE(store.UpdateAt(nullptr, 0));
    EXPECT_STREQ(rec->m_szLastName, "Old");

    ASSERT_TRUE(store.UpdateAt(&src, 0));
    EXPECT_EQ(store.GetAt(0), rec);  // same record, merged in place
    // Non-empty texts replace, empty ones never clear.
    EXPECT_STREQ(rec->m_szFirstName, "Ann");
    EXPECT_STREQ(rec->m_szLastName, "New");
    EXPECT_STREQ(rec->m_szEmail2, "keep@x");
    EXPECT_STREQ(rec->m_szChildrenNames, "Kid");
    EXPECT_STREQ(rec->m_szHobby, "Chess");
    EXPECT_STREQ(rec->m_szCustomLabel[0], "Label");
    EXPECT_STREQ(rec->m_szCategory, "Business");
    EXPECT_EQ(std::string(rec->m_szCompany), std::string(63, 'c'));
    // Copied when a date; no date (0) leaves the stored one.
    EXPECT_EQ(rec->m_dtBirthday, 30000.0);
    EXPECT_EQ(rec->m_dtAnniversary, 5.5);
    EXPECT_EQ(rec->m_nGender, 0);
    EXPECT_EQ(rec->m_nPrivate, 0);
    // Kept.
    EXPECT_STREQ(rec->m_szID, "ID-1");
    EXPECT_STREQ(rec->m_szCustom[9], "slot ten");
    EXPECT_EQ(rec->m_dtCreationTime, 100.0);
    EXPECT_EQ(rec->m_dtLastModificationTime, 200.0);
    EXPECT_EQ(rec->m_nSourceType, SOURCE_PALM);
    EXPECT_EQ(rec->m_nStatus, STATUS_DIFF);
    ASSERT_EQ(rec->m_Native.GetLength(), sizeof(bytes));
    EXPECT_EQ(memcmp(rec->m_Native.GetData(), bytes, sizeof(bytes)), 0);
}

// Only a date replaces a stored date: 0 and values outside the years 100 to
// 9999 leave it.
TEST(CommAddrMgrStore, UpdateAtCopiesOnlyDates) {
    const struct {
        double src;
        double expect;
    } cases[] = {
        {0.0, 30000.0},        {45000.25, 45000.25}, {-657434.0, -657434.0},
        {-657435.0, 30000.0},  {2958465.0, 2958465.0}, {2958466.0, 30000.0},
    };
    for (const auto& c : cases) {
        CommAddrMgr store;
        CommAddr stored = MakeRec({{FID_LAST_NAME, "Ann"}});
        stored.m_dtBirthday = 30000.0;
        stored.m_dtAnniversary = 30000.0;
        CommAddr* rec = store.AddCopy(&stored);
        ASSERT_NE(rec, nullptr);
        CommAddr src = MakeRec({{FID_LAST_NAME, "Ann"}});
        src.m_dtBirthday = c.src;
        src.m_dtAnniversary = c.src;
        ASSERT_TRUE(store.UpdateAt(&src, 0));
        EXPECT_EQ(rec->m_dtBirthday, c.expect) << c.src;
        EXPECT_EQ(rec->m_dtAnniversary, c.expect) << c.src;
    }
}

// Merging a stored record into itself changes nothing.
TEST(CommAddrMgrStore, UpdateAtFromItself) {
    CommAddrMgr store;
    CommAddr src = MakeRec({{FID_FIRST_NAME, "Ann"}, {FID_NOTE, "n"}});
    CommAddr* rec = store.AddCopy(&src);
    ASSERT_TRUE(store.UpdateAt(rec, 0));
    EXPECT_STREQ(rec->m_szFirstName, "Ann");
    EXPECT_STREQ(rec->m_szNote, "n");
}

TEST(CommAddrRecord, CutSetAcrossItsWordBoundaryAndOutOfRange) {
    CommCutSet cut;
    for (int32_t id : {1, 63, 64, 90}) cut.Set(id);
    for (int32_t id : {0, -1, 128, 500}) cut.Set(id);  // ignored, no write outside the set
    for (int32_t id = -1; id <= 130; ++id) {
        const bool want = id == 1 || id == 63 || id == 64 || id == 90;
        EXPECT_EQ(cut.Test(id), want) << id;
    }
    CommAddr a;
    a.m_Cut = cut;
    CommAddr b(a);
    EXPECT_TRUE(b.m_Cut.Test(64));
    b.m_Cut.Clear();
    EXPECT_FALSE(b.m_Cut.Any());
    EXPECT_TRUE(a.m_Cut.Any());
}

TEST(CommAddrRecord, WhichDatesAreDates) {
    struct Case { double dt; bool isDate; } cases[] = {
        {0.0, false},          {1.0, true},        {-1.0, true},
        {-657434.0, true},     // 1 January 100
        {-657435.0, false},    // 31 December 99
        {2958465.5, true},     // 31 December 9999, noon
        {2958466.0, false},    // 1 January 10000
        {-129080608.0, false}, // a Palm day 0 taken as a common date
    };
    for (const Case& c : cases) EXPECT_EQ(CommHasDate(c.dt), c.isDate) << c.dt;
}
