// Code-page texts to UTF-8: never "?", undefined bytes as U+FFFD.
#include <gtest/gtest.h>

#include <string>

#include "common/export/CxExport.h"
#include "common/misc/CxPlatform.h"

namespace {

struct CodePageCase {
    unsigned codePage;
    std::string in;
    std::string utf8;
};

TEST(CodePageTest, ConvertsEachPageToUtf8) {
    const CodePageCase cases[] = {
        {1252, "M\xfcller \x80 \x8a \x92", "M\xc3\xbcller \xe2\x82\xac \xc5\xa0 \xe2\x80\x99"},
        // Undefined in 1252: Windows gives the control code of the same value.
        {1252, "a\x81z", "a\xc2\x81z"},
        {1250, "\x8a\xe8", "\xc5\xa0\xc4\x8d"},  // Š č
        {1251, "\xc0\xff", "\xd0\x90\xd1\x8f"},  // А я
        {1253, "\xe1", "\xce\xb1"},              // α
        {932, "\x82\xa0", "\xe3\x81\x82"},       // あ
        {65001, "\xc3\xa9", "\xc3\xa9"},
        {1252, "", ""},
    };
    for (const CodePageCase& c : cases) {
        std::string out;
        ASSERT_TRUE(cxplat::CodePageToUtf8(c.codePage, c.in.data(), c.in.size(), out)) << c.codePage;
        EXPECT_EQ(out, c.utf8) << "code page " << c.codePage;
    }
}

TEST(CodePageTest, UndefinedBytesBecomeTheReplacementCharacterNeverAQuestionMark) {
    const CodePageCase cases[] = {
        {932, std::string("a\x82", 2), "a\xef\xbf\xbd"},  // a lead byte cut off at the end
        {65001, "x\xff" "y", "x\xef\xbf\xbdy"},
    };
    for (const CodePageCase& c : cases) {
        std::string out;
        ASSERT_TRUE(cxplat::CodePageToUtf8(c.codePage, c.in.data(), c.in.size(), out));
        EXPECT_EQ(out, c.utf8) << c.codePage;
        EXPECT_EQ(out.find('?'), std::string::npos);
    }
}

TEST(CodePageTest, RefusesAPageItCannotConvert) {
    std::string out = "old";
    EXPECT_FALSE(cxplat::CodePageToUtf8(4711, "abc", 3, out));
    EXPECT_TRUE(out.empty());
}

TEST(CodePageTest, FixedWidthTextStopsAtItsWidth) {
    const char field[4] = {'a', '\xe9', 'b', 'c'};  // no terminator
    EXPECT_EQ(CxTextToUtf8(field, sizeof field, 1252), "a\xc3\xa9" "bc");
    EXPECT_EQ(CxTextToUtf8(nullptr, 8, 1252), "");
}

}  // namespace
