#include "common/misc/CxIniUtil.h"

#include <gtest/gtest.h>

#include "common/misc/CxPlatform.h"
#include "support/TestSupport.h"

using vt_test::ReadText;
using vt_test::TempDir;
using vt_test::WriteText;

namespace {

struct IniFixture : ::testing::Test {
    TempDir dir;
    CxIniUtil ini{"", "unused.ini"};
    void SetUp() override { ini.SetPath(dir.File("t.ini").c_str()); }
    void Write(const std::string& text) { WriteText(dir.File("t.ini"), text); }
    std::string Read(const char* section, const char* key, const char* def = "dflt",
                     uint32_t size = 64) {
        char buf[256] = "untouched";
        ini.ReadString(section, key, buf, size, def);
        return buf;
    }
};

TEST_F(IniFixture, PathFromFolderOrProgramFolder) {
    CxIniUtil a("C:\\data\\", "x.ini");
    EXPECT_STREQ(a.GetPath(), "C:\\data\\x.ini");
    CxIniUtil b("", "x.ini");
    std::string p = b.GetPath();
    ASSERT_GT(p.size(), 5u);
    EXPECT_EQ(p.substr(p.size() - 6), std::string(1, cxplat::kPathSep) + "x.ini");
    b.SetPath("");
    EXPECT_EQ(p, b.GetPath());  // empty text ignored
}

TEST_F(IniFixture, ReadStringFollowsProfileRules) {
    Write("top=1\r\n[Sec]\r\n  Key  =  some value  \r\nquoted=\"q v\"\r\nsingle='s'\r\n"
          "half=\"x\r\nnovalue\r\nempty=\r\n[sec]\r\nkey=second\r\n; comment=c\r\n");
    struct Case { const char* section; const char* key; const char* expected; };
    const Case cases[] = {
        {"Sec", "Key", "some value"},
        {"SEC", "KEY", "some value"},        // case does not matter
        {" Sec ", " Key ", "some value"},    // blanks around the names do not matter
        {"Sec", "quoted", "q v"},            // matching quotes are removed
        {"Sec", "single", "s"},
        {"Sec", "half", "\"x"},
        {"Sec", "novalue", "dflt"},          // a line without '=' has no value
        {"Sec", "empty", ""},
        {"Sec", "missing", "dflt"},
        {"Other", "Key", "dflt"},
        {"Sec", "top", "dflt"},              // keys before any section are in no section
        {"Sec", "; comment", "dflt"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Read(c.section, c.key), c.expected) << c.section << "/" << c.key;
}

TEST_F(IniFixture, DuplicatesTakeTheFirst) {
    Write("[S]\r\na=1\r\na=2\r\n[S]\r\na=3\r\nb=4\r\n");
    EXPECT_EQ(Read("S", "a"), "1");
    EXPECT_EQ(Read("S", "b"), "dflt");  // the second [S] is never searched
}

TEST_F(IniFixture, CutToBufferAndDefaultBlanksDropped) {
    Write("[S]\r\nlong=abcdefghij\r\n");
    char buf[5] = {};
    EXPECT_EQ(ini.ReadString("S", "long", buf, sizeof(buf), ""), 4u);
    EXPECT_STREQ(buf, "abcd");
    EXPECT_EQ(Read("S", "none", "def   "), "def");
    char one[1] = {'x'};
    EXPECT_EQ(ini.ReadString("S", "long", one, 1, ""), 0u);
    EXPECT_EQ(one[0], 0);
}

TEST_F(IniFixture, EmptyKeyOrZeroSizeReadsNothing) {
    Write("[S]\r\nk=v\r\n");
    char buf[8] = "same";
    EXPECT_EQ(ini.ReadString("S", "", buf, sizeof(buf), "d"), 0u);
    EXPECT_STREQ(buf, "same");
    EXPECT_EQ(ini.ReadString("S", "k", buf, 0, "d"), 0u);
    EXPECT_STREQ(buf, "same");
}

TEST_F(IniFixture, EmptySectionMeansDefaultSection) {
    Write("[Def]\r\nk=from default\r\n");
    EXPECT_EQ(Read("", "k"), "dflt");  // no default section set
    ini.SetDefaultSection("Def");
    EXPECT_EQ(Read("", "k"), "from default");
    EXPECT_TRUE(ini.WriteString("", "n", "1"));
    EXPECT_EQ(Read("Def", "n"), "1");
}

TEST_F(IniFixture, ReadIntAndBoolRules) {
    Write("[S]\r\nspaced=  42abc\r\nempty=\r\nword=yes\r\nneg=-17\r\nhex=0x10\r\n"
          "big=99999999999\r\nlong=1234567890123456789012345678901234567890\r\none=1\r\n"
          "zero=0\r\nplus=+5\r\n");
    struct Case { const char* key; int32_t def; int32_t expected; };
    const Case cases[] = {
        {"spaced", 7, 42},  {"empty", 7, 7},  {"missing", 7, 7}, {"word", 7, 0},
        {"neg", 7, -17},    {"hex", 7, 0},    {"big", 7, 2147483647},
        {"one", 7, 1},      {"zero", 7, 0},   {"plus", 7, 5},
    };
    for (const auto& c : cases) EXPECT_EQ(ini.ReadInt("S", c.key, c.def), c.expected) << c.key;
    // only 31 characters take part
    EXPECT_EQ(ini.ReadInt("S", "long", 0), 2147483647);
    EXPECT_FALSE(ini.ReadBool("S", "word", true));
    EXPECT_TRUE(ini.ReadBool("S", "missing", true));
    EXPECT_FALSE(ini.ReadBool("S", "missing", false));
    EXPECT_TRUE(ini.ReadBool("S", "neg", false));
}

TEST_F(IniFixture, WritesCreateReplaceAndAppend) {
    EXPECT_TRUE(ini.WriteString("S", "a", "1"));
    EXPECT_TRUE(ini.WriteInt("S", "b", -5));
    EXPECT_TRUE(ini.WriteBool("S", "c", true));
    EXPECT_TRUE(ini.WriteString("T", "d", nullptr));
    EXPECT_TRUE(ini.WriteString("s", "A", "2"));  // same key, other case
    EXPECT_EQ(ReadText(dir.File("t.ini")), "[S]\r\na=2\r\nb=-5\r\nc=1\r\n[T]\r\nd=\r\n");
    EXPECT_EQ(ini.ReadInt("S", "b", 0), -5);
}

TEST_F(IniFixture, WriteKeepsOtherContent) {
    Write("; header\r\n[S]\r\nx = 1\r\n[U]\r\ny=2\r\n");
    EXPECT_TRUE(ini.WriteString("S", "x", "3"));
    EXPECT_TRUE(ini.WriteString("S", "z", "  lead"));
    EXPECT_EQ(Read("U", "y"), "2");
    EXPECT_EQ(Read("S", "x"), "3");
    EXPECT_EQ(Read("S", "z"), "lead");  // leading blanks of a value are dropped
    EXPECT_EQ(ReadText(dir.File("t.ini")), "; header\r\n[S]\r\nx=3\r\nz=lead\r\n[U]\r\ny=2\r\n");
}

TEST_F(IniFixture, OddFilesReadWithoutHarm) {
    std::string odd = "no sections at all\r\n=\r\n[\r\n]]]\r\n[unterminated\r\nk=v\r\n";
    odd += "[S]\r\n";
    odd += std::string(70000, 'x') + "=" + std::string(70000, 'y') + "\r\n";
    odd += std::string("bin\x01\x02\xff\xfe=\x80\x81\x7f", 11) + "\r\n";
    odd += "k=last\n\n\n";
    Write(odd);
    EXPECT_EQ(Read("S", "k"), "last");
    EXPECT_EQ(Read("S", "missing"), "dflt");
    EXPECT_TRUE(ini.WriteString("S", "new", "v"));
    EXPECT_EQ(Read("S", "new"), "v");
    EXPECT_EQ(Read("S", "k"), "last");
}

// Files in other encodings and with odd line ends, read the way Wine's
// profile functions read them (this table runs under Wine too).
std::string Utf16(const std::u16string& text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : text) {
        const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

TEST_F(IniFixture, EncodingsAndOddLinesReadLikeWindows) {
    struct Case { const char* name; std::string file; const char* section; const char* key; std::string expected; };
    const Case cases[] = {
        {"UTF-8 mark", "\xEF\xBB\xBF[S]\r\nk=v\r\n", "S", "k", "v"},
        {"UTF-8 mark, accented value", "\xEF\xBB\xBF[S]\r\nk=caf\xC3\xA9\r\n", "S", "k", "caf\xE9"},
        {"UTF-8 mark, value outside the code page", "\xEF\xBB\xBF[S]\r\nk=\xE4\xB8\xAD!\r\n", "S", "k", "?!"},
        {"UTF-8 mark only", "\xEF\xBB\xBF", "S", "k", "dflt"},
        {"UTF-8 without a mark stays ANSI", "[S]\r\nk=caf\xC3\xA9\r\n", "S", "k", "caf\xC3\xA9"},
        {"UTF-16LE mark", Utf16(u"[S]\r\nk=v\r\n", false), "S", "k", "v"},
        {"UTF-16LE mark, accented key and value", Utf16(u"[S]\r\n\u00e9=\u00e8\u4e2d\r\n", false), "S", "\xE9", "\xE8?"},
        {"UTF-16LE mark, odd length", Utf16(u"[S]\r\nk=v\r\n", false) + "x", "S", "k", "v"},
        {"UTF-16BE mark", Utf16(u"[S]\r\nk=v\r\n", true), "S", "k", "v"},
        {"carriage returns only", "[S]\rk=v\rj=w\r", "S", "j", "w"},
        {"carriage returns only, first key", "[S]\rk=v\rj=w\r", "S", "k", "v"},
        {"mixed line ends", "[S]\n\rk=v\r\r\nj=w", "S", "j", "w"},
        {"blanks inside the brackets", "[ S ]\r\nk=v\r\n", "S", "k", "v"},
        {"blank after the name", "[S ]\r\nk=v\r\n", "S", "k", "v"},
        {"tab before the name", "[\tS]\r\nk=v\r\n", "S", "k", "v"},
        {"text after the bracket", "[S] tail\r\nk=v\r\n", "S", "k", "v"},
        {"no closing bracket", "[S\r\nk=v\r\n", "S", "k", "dflt"},
        {"end-of-file character", "[S]\r\nk=v\x1a\r\n", "S", "k", "v"},
        {"non-breaking space kept", "[S]\r\nk=\xA0v\xA0\r\n", "S", "k", "\xA0v\xA0"},
        {"key with blanks inside", "[S]\r\na b = c d \r\n", "S", "a b", "c d"},
        {"NUL inside a value", std::string("[S]\r\nk=a\0b\r\n", 12), "S", "k", "a"},
        // Wine folds only ASCII letters.
        {"accented names in another case", "[\xC9t\xE9]\r\n\xC4pfel=1\r\n", "\xE9T\xC9", "\xE4PFEL", "dflt"},
        {"accented names in the same case", "[\xC9t\xE9]\r\n\xC4pfel=1\r\n", "\xC9T\xE9", "\xC4PFEL", "1"},
        {"other letters of the code page in another case", "[\x8A\x8C]\r\nk=2\r\n", "\x9A\x9C", "K", "dflt"},
    };
    for (const auto& c : cases) {
        Write(c.file);
        EXPECT_EQ(Read(c.section, c.key), c.expected) << c.name;
    }
}

TEST_F(IniFixture, WriteKeepsTheFileEncoding) {
    Write(Utf16(u"[S]\r\nold=\u4e2d\r\n", false));
    EXPECT_TRUE(ini.WriteString("S", "new", "\xE9"));
    EXPECT_EQ(ReadText(dir.File("t.ini")), Utf16(u"[S]\r\nold=\u4e2d\r\nnew=\u00e9\r\n", false));
    Write("\xEF\xBB\xBF[S]\r\nk=\xE4\xB8\xAD\r\n");
    EXPECT_TRUE(ini.WriteString("S", "n", "\xE9"));
    EXPECT_EQ(ReadText(dir.File("t.ini")), "\xEF\xBB\xBF[S]\r\nk=\xE4\xB8\xAD\r\nn=\xC3\xA9\r\n");
    Write("[S]\rk=v\r");
    EXPECT_TRUE(ini.WriteString("S", "j", "w"));
    EXPECT_EQ(ReadText(dir.File("t.ini")), "[S]\r\nk=v\r\nj=w\r\n");
}

TEST_F(IniFixture, MissingFileReadsDefaultsAndIsCreatedOnWrite) {
    EXPECT_EQ(Read("S", "k"), "dflt");
    EXPECT_EQ(ini.ReadInt("S", "k", 9), 9);
    EXPECT_FALSE(vt_test::Exists(dir.File("t.ini")));
    EXPECT_TRUE(ini.WriteInt("S", "k", 3));
    EXPECT_EQ(ini.ReadInt("S", "k", 9), 3);
}

}  // namespace
