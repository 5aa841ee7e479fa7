#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/palm/PalmText.h"

namespace {

PmSqlValue Text(const char16_t* s) {
    PmSqlValue v;
    v.vt = PM_VT_BSTR;
    if (s) v.bstrVal = std::u16string(s);
    return v;
}

TEST(PalmText, ConversionsCutToTheBufferAndKeepTheTerminator) {
    char narrow[6];
    memset(narrow, 'x', sizeof narrow);
    EXPECT_TRUE(ToNarrow(u"abcdefgh", narrow, sizeof narrow));
    EXPECT_STREQ(narrow, "abcde");
    EXPECT_TRUE(ToNarrow(u"K\u00f6ln \u20ac", narrow, sizeof narrow));
    EXPECT_STREQ(narrow, "K\xf6ln ");
    EXPECT_TRUE(ToNarrow(nullptr, narrow, sizeof narrow));
    EXPECT_STREQ(narrow, "");

    char16_t wide[4];
    EXPECT_TRUE(ToWide("\x80xyz", wide, 4));
    EXPECT_EQ(std::u16string(wide), u"\u20acxy");
    EXPECT_TRUE(ToWide("", wide, 4));
    EXPECT_EQ(wide[0], 0);
    EXPECT_FALSE(ToWide("a", nullptr, 4));
}

TEST(PalmText, DoubleQuotes) {
    struct Case {
        const char* in;
        size_t size;
        const char* out;
    } const cases[] = {
        {"a'b'c", 5, "a''b"},         // cut to four characters
        {"O'Hara", 64, "O''Hara"},
        {"ab'c", 4, "ab"},            // a pair is never split
        {"''", 5, "''''"},
        {"'''", 6, "''''"},
        {"", 8, ""},
        {"plain", 3, "pl"},
    };
    for (const Case& c : cases) {
        std::vector<char> buf(std::max(c.size, strlen(c.in) + 1), 0);
        memcpy(buf.data(), c.in, strlen(c.in));
        EXPECT_TRUE(DoubleQuotes(buf.data(), c.size)) << c.in;
        EXPECT_STREQ(buf.data(), c.out) << c.in << " size " << c.size;
    }
    EXPECT_FALSE(DoubleQuotes(nullptr, 10));
}

TEST(PalmText, DoubleQuotesLooksAtNoMoreThanItsWorkArea) {
    std::vector<char> big(60000, 'a');
    big.back() = 0;
    ASSERT_TRUE(DoubleQuotes(big.data(), big.size()));
    EXPECT_EQ(strlen(big.data()), PM_QUOTE_WORK_SIZE);
}

TEST(PalmText, FormatSqlLiteral) {
    PmSqlValue yes;
    yes.vt = PM_VT_BOOL;
    yes.boolVal = -1;
    PmSqlValue no = yes;
    no.boolVal = 0;
    PmSqlValue minus5;
    minus5.vt = PM_VT_I4;
    minus5.lVal = -5;
    PmSqlValue date;
    date.vt = PM_VT_DATE;
    struct Case {
        PmSqlValue value;
        size_t size;
        bool ok;
        const char* out;
        bool cut;
    } const cases[] = {
        {Text(u"O'Hara"), 64, true, "'O''Hara'", false},
        {Text(nullptr), 64, true, "''", false},
        {Text(u""), 64, true, "''", false},
        {minus5, 64, true, "-5", false},
        {yes, 64, true, "1", false},
        {no, 64, true, "0", false},
        {Text(u"abcdef"), 6, true, "'abc'", true},
        {Text(u"ab'cd"), 6, true, "'ab'", true},     // the pair does not fit: left out whole
        {Text(u"a'bcd"), 7, true, "'a''b'", true},
        {Text(u"abc"), 6, true, "'abc'", false},
        {date, 64, false, "", false},
    };
    for (const Case& c : cases) {
        char out[64];
        strcpy(out, "");
        bool cut = !c.cut;
        EXPECT_EQ(FormatSqlLiteral(c.value, out, c.size, &cut), c.ok) << c.out;
        EXPECT_STREQ(out, c.out);
        EXPECT_EQ(cut, c.cut) << c.out;
    }
}

TEST(PalmText, FormatSqlLiteralOfALongTextKeepsTheQuotesBalanced) {
    // Every quote pair is whole, so the literal ends with exactly one quote.
    std::u16string s(30000, u'\'');
    std::vector<char> out(40960, 0);
    bool cut = false;
    ASSERT_TRUE(FormatSqlLiteral(Text(s.c_str()), out.data(), out.size(), &cut));
    EXPECT_TRUE(cut);
    std::string lit(out.data());
    ASSERT_GE(lit.size(), 2u);
    EXPECT_EQ(lit.size() % 2, 0u);  // 1 + 2k + 1 characters
    EXPECT_LE(lit.size(), 20481u);
}

// Whatever the size, the literal is well formed and reads back as the start
// of the text: the cut never splits a doubled quote.
TEST(PalmText, EveryCutLiteralIsWellFormed) {
    const char16_t* const texts[] = {u"'''''''", u"a'b''c'''d''''e", u"O'Hara's 'quote'", u"plain text"};
    for (const char16_t* t : texts) {
        std::u16string whole(t);
        for (size_t size = 3; size <= 40; ++size) {
            char out[64];
            ASSERT_TRUE(FormatSqlLiteral(Text(t), out, size));
            std::string lit(out);
            ASSERT_LE(lit.size(), size - 1);
            ASSERT_GE(lit.size(), 2u);
            ASSERT_EQ(lit.front(), '\'');
            ASSERT_EQ(lit.back(), '\'');
            std::u16string read;
            for (size_t i = 1; i + 1 < lit.size(); ++i) {
                if (lit[i] == '\'') {
                    // The pair's second quote must not be the closing one.
                    ASSERT_LT(i + 2, lit.size()) << lit << " size " << size;
                    ASSERT_EQ(lit[i + 1], '\'') << lit << " size " << size;
                    ++i;
                }
                read += static_cast<char16_t>(static_cast<unsigned char>(lit[i]));
            }
            EXPECT_EQ(whole.compare(0, read.size(), read), 0) << lit;
        }
    }
}

}  // namespace
