// Randomized check that the library's matching gives exactly what the plain
// walk gives: every text comparison, every FindMatch (result, matched record,
// index) and every Status after marking both ways.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "AddrTestUtil.h"
#include "common/addr/CommAddr.h"

namespace {

// ---- the plain walk, written straight from the rules

int RefCompareText(const char* a, const char* b) {
    if (!a || !b) return -1;
    auto fold = [](char c) -> signed char {
        return static_cast<signed char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    };
    while (*a && *b) {
        while (*a == '\r' || *a == '\n') ++a;
        while (*b == '\r' || *b == '\n') ++b;
        const signed char ca = fold(*a), cb = fold(*b);
        if (ca != cb) return ca > cb ? 1 : -1;
        if (*a) ++a;
        if (*b) ++b;
    }
    if (!*a && !*b) return 0;
    return *a ? 1 : -1;
}

const int32_t kKeys[] = {1, 3, 37};
const int32_t kCompared[] = {24, 25, 26, 37, 34, 35, 53, 55, 13, 11, 12, 10,
                             9,  18, 16, 17, 15, 14, 23, 21, 22, 20, 19, 43};

template <size_t N>
bool RefFieldsEqual(CommAddr& a, CommAddr& b, const int32_t (&ids)[N]) {
    for (int32_t id : ids) {  // every id of both lists is a text field
        if (RefCompareText(GetTextSlot(a, id, nullptr), GetTextSlot(b, id, nullptr)) != 0) return false;
    }
    return true;
}

int RefFindMatch(CommAddrMgr& store, CommAddr* rec, CommAddr** matched, uint32_t* index) {
    if (!rec) return MATCH_ERROR;
    *index = 0;
    bool remembered = false;
    uint32_t pos = 0;
    int result = MATCH_NEW;
    // An empty key tells nothing: such a record is same or new, never different.
    bool emptyKey = true;
    for (int32_t id : kKeys) emptyKey = emptyKey && GetTextSlot(*rec, id, nullptr)[0] == '\0';
    for (CommAddr* cur = store.GetFirst(); cur; cur = store.GetNext(), ++*index) {
        if (cur == rec) {
            *matched = cur;
            return MATCH_SAME;
        }
        if (RefFieldsEqual(*cur, *rec, kKeys)) {
            if (emptyKey && !RefFieldsEqual(*cur, *rec, kCompared)) continue;
            if (RefFieldsEqual(*cur, *rec, kCompared)) {
                *matched = cur;
                return MATCH_SAME;
            }
            result = MATCH_DIFF;
            *matched = cur;
            remembered = true;
            pos = *index;
        }
    }
    if (remembered) *index = pos;
    return result;
}

std::vector<int32_t> RefMarkStatus(CommAddrMgr& store, CommAddrMgr& other) {
    std::vector<int32_t> status;
    for (uint32_t i = 0; i < store.GetCount(); ++i) {
        CommAddr* matched = nullptr;
        uint32_t index = 0;
        const int r = RefFindMatch(other, store.GetAt(i), &matched, &index);
        status.push_back(r == MATCH_NEW ? STATUS_NEW : r == MATCH_DIFF ? STATUS_DIFF : STATUS_SAME);
    }
    return status;
}

std::vector<int32_t> Statuses(CommAddrMgr& store) {
    std::vector<int32_t> status;
    for (uint32_t i = 0; i < store.GetCount(); ++i) status.push_back(store.GetAt(i)->m_nStatus);
    return status;
}

// ---- random records over a tiny alphabet: duplicates, case and line-break
// variants of one key are common

class Generator {
public:
    explicit Generator(uint32_t seed) : m_Rng(seed) {}

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_Rng); }

    std::string Text(int maxLen, bool highBytes) {
        static const char kChars[] = {'a', 'A', 'b', 'B', '\r', '\n', 'a', 'b'};
        std::string s;
        const int len = Pick(maxLen + 1);
        for (int i = 0; i < len; ++i)
            s += highBytes && Pick(8) == 0 ? static_cast<char>(0xC9 + Pick(2) * 0x20) : kChars[Pick(8)];
        return s;
    }

    CommAddr Record() {
        CommAddr rec;
        SetFieldText(rec, FID_FIRST_NAME, Text(2, false).c_str());
        SetFieldText(rec, FID_LAST_NAME, Text(2, false).c_str());
        SetFieldText(rec, FID_EMAIL, Pick(3) == 0 ? Text(2, false).c_str() : "");
        // A few compared fields, often empty, so that equal records are common.
        static const int32_t kSome[] = {FID_HOME_PHONE, FID_NOTE, FID_OTHER_STREET, FID_COMPANY};
        for (int32_t id : kSome)
            if (Pick(4) == 0) SetFieldText(rec, id, Text(1, false).c_str());
        // Fields that never count.
        SetFieldText(rec, FID_MIDDLE_NAME, Text(2, false).c_str());
        rec.m_dtBirthday = Pick(3);
        return rec;
    }

    // A copy of rec with one key or compared field given a variant.
    CommAddr Variant(const CommAddr& rec) {
        CommAddr v = rec;
        static const int32_t kIds[] = {FID_FIRST_NAME, FID_LAST_NAME, FID_EMAIL, FID_HOME_PHONE, FID_NOTE};
        const int32_t id = kIds[Pick(5)];
        std::string t = GetTextSlot(v, id, nullptr);
        switch (Pick(4)) {
        case 0: t += "\r\n"; break;
        case 1: t.insert(0, "\n"); break;
        case 2:
            for (char& c : t)
                if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
            break;
        default: t += "b"; break;
        }
        SetFieldText(v, id, t.c_str());
        return v;
    }

    void FillStore(CommAddrMgr& store, int count, const std::vector<CommAddr>& pool) {
        for (int i = 0; i < count; ++i) {
            CommAddr rec = !pool.empty() && Pick(2) == 0 ? pool[Pick(static_cast<int>(pool.size()))] : Record();
            if (Pick(3) == 0) rec = Variant(rec);
            ASSERT_NE(store.AddCopy(&rec), nullptr);
        }
    }

private:
    std::mt19937 m_Rng;
};

void ExpectSameFind(CommAddrMgr& store, CommAddr* rec, CommMatchIndex& byKey) {
    CommAddr sentinel;
    CommAddr* refMatched = &sentinel;
    uint32_t refIndex = 999999;
    const int ref = RefFindMatch(store, rec, &refMatched, &refIndex);

    CommAddr* matched = &sentinel;
    uint32_t index = 888888;
    ASSERT_EQ(store.FindMatch(rec, &matched, &index), ref);
    ASSERT_EQ(matched, refMatched);
    ASSERT_EQ(index, refIndex);

    matched = &sentinel;
    index = 777777;
    ASSERT_EQ(byKey.Find(rec, &matched, &index), ref);
    ASSERT_EQ(matched, refMatched);
    ASSERT_EQ(index, refIndex);
}

}  // namespace

TEST(CommMatchDifferential, CompareTextAgreesWithTheRules) {
    Generator gen(12345);
    CommAddrMgr store;
    int equal = 0;
    for (int i = 0; i < 200000; ++i) {
        const std::string a = gen.Text(4, true), b = gen.Text(4, true);
        ASSERT_EQ(store.CompareText(a.c_str(), b.c_str()), RefCompareText(a.c_str(), b.c_str()))
            << "a=" << testing::PrintToString(a) << " b=" << testing::PrintToString(b);
        equal += RefCompareText(a.c_str(), b.c_str()) == 0;
    }
    EXPECT_GT(equal, 2000);  // the alphabet is small enough for many equal pairs
}

TEST(CommMatchDifferential, FindMatchAndMarkStatusAgreeWithThePlainWalk) {
    Generator gen(20261210);
    int outcomes[4] = {0, 0, 0, 0};
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        CommAddrMgr a, b;
        std::vector<CommAddr> pool;
        for (int i = 0; i < 8; ++i) pool.push_back(gen.Record());
        gen.FillStore(a, gen.Pick(40), pool);
        gen.FillStore(b, gen.Pick(40), pool);

        // Records of the other store, and the searched store's own records.
        CommMatchIndex indexA(a), indexB(b);
        for (uint32_t i = 0; i < a.GetCount(); ++i) {
            ASSERT_NO_FATAL_FAILURE(ExpectSameFind(b, a.GetAt(i), indexB));
            ASSERT_NO_FATAL_FAILURE(ExpectSameFind(a, a.GetAt(i), indexA));
            CommAddr* m = nullptr;
            uint32_t idx = 0;
            ++outcomes[RefFindMatch(b, a.GetAt(i), &m, &idx)];
        }
        for (uint32_t i = 0; i < b.GetCount(); ++i) {
            ASSERT_NO_FATAL_FAILURE(ExpectSameFind(a, b.GetAt(i), indexA));
            ASSERT_NO_FATAL_FAILURE(ExpectSameFind(b, b.GetAt(i), indexB));
        }
        CommAddr loose = gen.Record();
        ASSERT_NO_FATAL_FAILURE(ExpectSameFind(a, &loose, indexA));

        const std::vector<int32_t> refA = RefMarkStatus(a, b), refB = RefMarkStatus(b, a);
        ASSERT_TRUE(a.MarkStatus(&b));
        ASSERT_TRUE(b.MarkStatus(&a));
        EXPECT_EQ(Statuses(a), refA);
        EXPECT_EQ(Statuses(b), refB);
        ASSERT_TRUE(b.MarkStatus(&a));  // the other order gives the same
        ASSERT_TRUE(a.MarkStatus(&b));
        EXPECT_EQ(Statuses(a), refA);
        EXPECT_EQ(Statuses(b), refB);
    }
    // Every outcome occurred often enough to be tested.
    EXPECT_GT(outcomes[MATCH_SAME], 300);
    EXPECT_GT(outcomes[MATCH_NEW], 300);
    EXPECT_GT(outcomes[MATCH_DIFF], 300);
}

// An index kept across appends, changes in place and clears answers as the
// walk does at every step.
TEST(CommMatchDifferential, IndexKeptInStepWithTheStore) {
    Generator gen(4711);
    int outcomes[4] = {0, 0, 0, 0};
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        CommAddrMgr store;
        std::vector<CommAddr> pool;
        for (int i = 0; i < 6; ++i) pool.push_back(gen.Record());
        gen.FillStore(store, gen.Pick(10), pool);
        CommMatchIndex byKey(store);
        for (int step = 0; step < 80; ++step) {
            const int op = gen.Pick(20);
            CommAddr rec = gen.Pick(2) == 0 ? pool[gen.Pick(static_cast<int>(pool.size()))] : gen.Record();
            if (gen.Pick(3) == 0) rec = gen.Variant(rec);
            if (op < 8) {
                ASSERT_NE(store.AddCopy(&rec), nullptr);
            } else if (op < 17 && store.GetCount() > 0) {
                const uint32_t pos = static_cast<uint32_t>(gen.Pick(static_cast<int>(store.GetCount())));
                *store.GetAt(pos) = rec;  // a write through the record pointer
                byKey.Update(pos);
            } else if (op == 19) {
                store.Clear();
                gen.FillStore(store, gen.Pick(4), pool);
            }
            CommAddr probe = gen.Pick(2) == 0 ? rec : gen.Variant(rec);
            ASSERT_NO_FATAL_FAILURE(ExpectSameFind(store, &probe, byKey));
            if (store.GetCount() > 0) {
                CommAddr* own = store.GetAt(static_cast<uint32_t>(gen.Pick(static_cast<int>(store.GetCount()))));
                ASSERT_NO_FATAL_FAILURE(ExpectSameFind(store, own, byKey));
            }
            CommAddr* m = nullptr;
            uint32_t idx = 0;
            ++outcomes[RefFindMatch(store, &probe, &m, &idx)];
        }
    }
    EXPECT_GT(outcomes[MATCH_SAME], 300);
    EXPECT_GT(outcomes[MATCH_NEW], 300);
    EXPECT_GT(outcomes[MATCH_DIFF], 300);
}
