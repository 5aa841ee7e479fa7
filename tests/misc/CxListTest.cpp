#include "common/misc/CxList.h"

#include <gtest/gtest.h>

namespace {

struct Counted {
    static int alive;
    int value;
    explicit Counted(int v) : value(v) { ++alive; }
    ~Counted() { --alive; }
};
int Counted::alive = 0;

struct ListOfThree : ::testing::Test {
    int a = 1, b = 2, c = 3;
    CxList<int> list;
    void SetUp() override {
        list.Append(&a);
        list.Append(&b);
        list.Append(&c);
    }
};

TEST(CxList, EmptyListGivesNullAndCursorAtZero) {
    CxList<int> list;
    EXPECT_EQ(list.GetFirst(), nullptr);
    EXPECT_EQ(list.GetLast(), nullptr);
    EXPECT_EQ(list.GetCurIndex(), 0u);
    EXPECT_EQ(list.GetNext(), nullptr);
    EXPECT_EQ(list.GetPrev(), nullptr);
    EXPECT_EQ(list.GetAt(0), nullptr);
    EXPECT_EQ(list.GetCount(), 0u);
}

TEST(CxList, OneElementWalkStopsAtBothEnds) {
    int x = 7;
    CxList<int> list;
    ASSERT_TRUE(list.Append(&x));
    EXPECT_EQ(list.GetFirst(), &x);
    EXPECT_EQ(list.GetNext(), nullptr);
    EXPECT_EQ(list.GetFirst(), &x);
    EXPECT_EQ(list.GetPrev(), nullptr);
    EXPECT_EQ(list.GetCurIndex(), 0u);
}

TEST(CxList, NullIsRefusedAndUnknownRemoveFails) {
    int x = 1, y = 2;
    CxList<int> list;
    EXPECT_FALSE(list.Append(static_cast<int*>(nullptr)));
    list.Append(&x);
    EXPECT_FALSE(list.Remove(&y, false));
    EXPECT_FALSE(list.Remove(nullptr, false));
    EXPECT_EQ(list.GetCount(), 1u);
}

TEST_F(ListOfThree, WalksForwardAndBackward) {
    EXPECT_EQ(list.GetFirst(), &a);
    EXPECT_EQ(list.GetNext(), &b);
    EXPECT_EQ(list.GetNext(), &c);
    EXPECT_EQ(list.GetNext(), nullptr);
    EXPECT_EQ(list.GetCurIndex(), 2u);  // the cursor stays on the last one
    EXPECT_EQ(list.GetLast(), &c);
    EXPECT_EQ(list.GetPrev(), &b);
    EXPECT_EQ(list.GetPrev(), &a);
    EXPECT_EQ(list.GetPrev(), nullptr);
}

TEST_F(ListOfThree, GetAtMovesTheCursorBothWays) {
    EXPECT_EQ(list.GetAt(2), &c);
    EXPECT_EQ(list.GetAt(0), &a);
    EXPECT_EQ(list.GetAt(1), &b);
    EXPECT_EQ(list.GetCurIndex(), 1u);
    EXPECT_EQ(list.GetAt(3), nullptr);
    EXPECT_EQ(list.GetCurIndex(), 1u);
}

TEST_F(ListOfThree, RemoveMiddleRenumbersAndMakesFollowerCurrent) {
    ASSERT_TRUE(list.Remove(&b, false));
    EXPECT_EQ(list.GetCount(), 2u);
    EXPECT_EQ(list.GetCurIndex(), 1u);
    EXPECT_EQ(list.GetAt(1), &c);
    EXPECT_EQ(list.GetFirst(), &a);
    EXPECT_EQ(list.GetNext(), &c);
    EXPECT_EQ(list.GetNext(), nullptr);
}

TEST_F(ListOfThree, RemoveFirstAndLastKeepEnds) {
    ASSERT_TRUE(list.Remove(&c, false));
    EXPECT_EQ(list.GetLast(), &b);
    EXPECT_EQ(list.GetAt(0), &a);
    ASSERT_TRUE(list.Remove(&a, false));
    EXPECT_EQ(list.GetFirst(), &b);
    EXPECT_EQ(list.GetLast(), &b);
    EXPECT_EQ(list.GetCount(), 1u);
}

TEST_F(ListOfThree, RemoveLastLeavesAUsableCursor) {
    list.GetLast();
    ASSERT_TRUE(list.Remove(&c, false));
    EXPECT_EQ(list.GetNext(), nullptr);
    EXPECT_EQ(list.GetPrev(), &b);
    EXPECT_EQ(list.GetAt(0), &a);
}

TEST_F(ListOfThree, AppendDuringWalkEndsTheWalk) {
    int d = 4;
    EXPECT_EQ(list.GetFirst(), &a);
    list.Append(&d);
    EXPECT_EQ(list.GetCurIndex(), 3u);
    EXPECT_EQ(list.GetNext(), nullptr);
}

TEST_F(ListOfThree, RemoveAllEmptiesAndResetsCursor) {
    list.GetLast();
    list.RemoveAll(false);
    EXPECT_EQ(list.GetCount(), 0u);
    EXPECT_EQ(list.GetCurIndex(), 0u);
    EXPECT_EQ(list.GetFirst(), nullptr);
    int d = 9;
    list.Append(&d);
    EXPECT_EQ(list.GetFirst(), &d);
}

TEST(CxList, FreeFlagsDeleteElements) {
    Counted::alive = 0;
    {
        CxList<Counted> list;
        Counted* one = new Counted(1);
        list.Append(one);
        list.Append(new Counted(2));
        list.Append(new Counted(3));
        EXPECT_EQ(Counted::alive, 3);
        list.Remove(one, true);
        EXPECT_EQ(Counted::alive, 2);
        list.RemoveAll(true);
        EXPECT_EQ(Counted::alive, 0);
    }
    {
        CxList<Counted> owning(true);
        owning.Append(std::make_unique<Counted>(5));
        owning.Append(std::make_unique<Counted>(6));
        EXPECT_EQ(Counted::alive, 2);
    }
    EXPECT_EQ(Counted::alive, 0);  // an owning list frees what it holds
}

TEST(CxList, LongSequentialWalkVisitsEveryElementInOrder) {
    std::vector<int> values(5000);
    CxList<int> list;
    for (size_t i = 0; i < values.size(); ++i) {
        values[i] = static_cast<int>(i);
        list.Append(&values[i]);
    }
    int expected = 0;
    for (int* p = list.GetFirst(); p; p = list.GetNext()) ASSERT_EQ(*p, expected++);
    EXPECT_EQ(expected, 5000);
    for (size_t i = 0; i < values.size(); i += 7) ASSERT_EQ(*list.GetAt(i), static_cast<int>(i));
}

}  // namespace
