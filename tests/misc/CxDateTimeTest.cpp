#include "common/misc/CxDateTime.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// The same table runs against VariantTimeToSystemTime under Wine and the
// POSIX stand-in natively.
struct DateCase {
    double ole;
    bool valid;
    int year, month, day, hour, minute, second;
    const char* dateText;
};

const DateCase kDates[] = {
    {0.0, true, 1899, 12, 30, 0, 0, 0, ""},
    {1.0, true, 1899, 12, 31, 0, 0, 0, ""},
    {2.0, true, 1900, 1, 1, 0, 0, 0, ""},
    {-1.0, true, 1899, 12, 29, 0, 0, 0, ""},
    {-1.25, true, 1899, 12, 29, 6, 0, 0, ""},
    {-0.5, true, 1899, 12, 30, 12, 0, 0, ""},
    {-2.75, true, 1899, 12, 28, 18, 0, 0, ""},
    {11323.0, true, 1930, 12, 31, 0, 0, 0, ""},
    {11323.99999, true, 1930, 12, 31, 23, 59, 59, ""},
    {11324.0, true, 1931, 1, 1, 0, 0, 0, "01/01/1931"},
    {11324.5, true, 1931, 1, 1, 12, 0, 0, "01/01/1931"},
    {47848.0, true, 2030, 12, 31, 0, 0, 0, "12/31/2030"},
    {47848.75, true, 2030, 12, 31, 18, 0, 0, "12/31/2030"},
    {47849.0, true, 2031, 1, 1, 0, 0, 0, ""},
    {46366.0 + (13 * 3600 + 5 * 60 + 9) / 86400.0, true, 2026, 12, 10, 13, 5, 9, "12/10/2026"},
    // fractions of a second: at most half a second rounds down, above rounds up
    {25569.0 + 1.4 / 86400.0, true, 1970, 1, 1, 0, 0, 1, "01/01/1970"},
    {25569.0 + 1.6 / 86400.0, true, 1970, 1, 1, 0, 0, 2, "01/01/1970"},
    {25569.0 + 59.7 / 86400.0, true, 1970, 1, 1, 0, 1, 0, "01/01/1970"},
    {25569.0 + 86399.7 / 86400.0, true, 1970, 1, 2, 0, 0, 0, "01/02/1970"},
    {47848.0 + 86399.8 / 86400.0, true, 2031, 1, 1, 0, 0, 0, ""},
    {-109512.0, true, 1600, 2, 29, 0, 0, 0, ""},
    {2958465.0, true, 9999, 12, 31, 0, 0, 0, ""},
    {-657434.0, true, 100, 1, 1, 0, 0, 0, ""},
    {2958466.0, false, 0, 0, 0, 0, 0, 0, ""},
    {-657435.0, false, 0, 0, 0, 0, 0, 0, ""},
    {1e12, false, 0, 0, 0, 0, 0, 0, ""},
};

class OleDates : public ::testing::TestWithParam<DateCase> {};

TEST_P(OleDates, ConvertLikeVariantTimeToSystemTime) {
    const DateCase& c = GetParam();
    CxDateTime dt;
    EXPECT_EQ(dt.SetOleDate(c.ole), c.valid);
    EXPECT_EQ(dt.IsValid(), c.valid);
    if (!c.valid) return;
    const CxSystemTime& st = dt.GetSystemTime();
    EXPECT_EQ(st.wYear, c.year);
    EXPECT_EQ(st.wMonth, c.month);
    EXPECT_EQ(st.wDay, c.day);
    EXPECT_EQ(st.wHour, c.hour);
    EXPECT_EQ(st.wMinute, c.minute);
    EXPECT_EQ(st.wSecond, c.second);
    EXPECT_EQ(dt.DateText(), c.dateText);
    char time[16];
    snprintf(time, sizeof(time), "%02d:%02d:%02d", c.hour, c.minute, c.second);
    EXPECT_EQ(dt.TimeText(), time);
    EXPECT_EQ(dt.DateTimeText(), std::string(c.dateText) + " " + time);
}

INSTANTIATE_TEST_SUITE_P(Table, OleDates, ::testing::ValuesIn(kDates));

TEST(CxDateTime, OutsideTheTextYearsOnlyTheTimeFollowsASpace) {
    CxDateTime dt;
    dt.SetOleDate(11323.5);
    EXPECT_EQ(dt.DateTimeText(), " 12:00:00");
}

TEST(CxDateTime, NewValueIsNowAndRoundTrips) {
    CxDateTime now;
    EXPECT_TRUE(now.IsValid());
    EXPECT_GE(now.GetSystemTime().wYear, 2020);
    CxDateTime back;
    back.SetOleDate(now.GetOleDate());
    EXPECT_EQ(back.GetSystemTime().wYear, now.GetSystemTime().wYear);
    EXPECT_EQ(back.GetSystemTime().wDay, now.GetSystemTime().wDay);
    EXPECT_EQ(back.GetSystemTime().wHour, now.GetSystemTime().wHour);
    EXPECT_EQ(back.GetSystemTime().wMinute, now.GetSystemTime().wMinute);
}

TEST(CxDateTime, CalendarToOleDateTable) {
    struct Case { CxSystemTime st; double ole; };
    const Case cases[] = {
        {{1899, 12, 0, 30, 0, 0, 0, 0}, 0.0},
        {{1900, 1, 0, 1, 12, 0, 0, 0}, 2.5},
        {{2026, 12, 0, 10, 6, 0, 0, 0}, 46366.25},
        {{1899, 12, 0, 29, 6, 0, 0, 0}, -1.25},
    };
    for (const auto& c : cases) {
        double d = 99;
        ASSERT_TRUE(cxplat::SystemTimeToVariantTime(c.st, d));
        EXPECT_DOUBLE_EQ(d, c.ole);
    }
    CxSystemTime bad{2026, 13, 0, 1, 0, 0, 0, 0};
    double d = 0;
    EXPECT_FALSE(cxplat::SystemTimeToVariantTime(bad, d));
}

}  // namespace
