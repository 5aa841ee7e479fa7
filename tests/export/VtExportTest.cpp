// The vtexport command: arguments, bad input (one line, non-zero exit, no
// file), whole writes, and an input that stays as it was.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "ExportFixture.h"
#include "common/misc/CxPlatform.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"
#include "tools/vtexport/VtExport.h"

namespace {

struct Result {
    int code;
    std::string out, err;
};

Result Vtx(std::vector<std::string> args) {
    args.insert(args.begin(), "vtexport");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::ostringstream out, err;
    const int code = VtExportRun(static_cast<int>(argv.size()), argv.data(), out, err);
    return {code, out.str(), err.str()};
}

class VtExportTest : public ::testing::Test {
protected:
    std::string MakeFile(export_fixture::Format format, int n) {
        const std::string path = m_Dir.File(format == export_fixture::Format::Classic ? "classic.dat" : "contacts.dat");
        vt_test::WriteBytes(path, export_fixture::FileBytes(format, export_fixture::Contacts(format, n)));
        return path;
    }
    vt_test::LogCapture m_Log;
    vt_test::TempDir m_Dir;
};

TEST_F(VtExportTest, RefusesBadArgumentsWithUsage) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--format", "vcard2", "x.dat"},
        {"--codepage", "abc", "x.dat"},
        {"--codepage", "0", "x.dat"},
        {"--category", "", "x.dat"},
        {"a.dat", "b.dat"},
        {"--bogus", "x.dat"},
        {"-o"},
    };
    for (const auto& args : cases) {
        const Result r = Vtx(args);
        EXPECT_EQ(r.code, 2) << (args.empty() ? "" : args[0]);
        EXPECT_EQ(r.err.rfind("usage: vtexport", 0), 0u);
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_EQ(Vtx({"--help"}).code, 0);
}

TEST_F(VtExportTest, BadInputGivesOneLineAndLeavesNoFile) {
    vt_test::WriteBytes(m_Dir.File("damaged.dat"), {0xBE, 0xBA, 0xFE, 0xCA, 0x0F, 0x01});
    vt_test::WriteText(m_Dir.File("notes.txt"), "hello");
    const std::string out = m_Dir.File("out.vcf");
    const struct {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{"-o", out, m_Dir.File("missing.dat")}, "no such file"},
        {{"-o", out, m_Dir.File("notes.txt")}, "not a Palm Desktop contacts file"},
        {{"-o", out, m_Dir.File("damaged.dat")}, "cannot be read as Palm Desktop contacts"},
        {{"--codepage", "4711", "-o", out, m_Dir.File("damaged.dat")}, "code page 4711"},
    };
    for (const auto& c : cases) {
        const Result r = Vtx(c.args);
        EXPECT_EQ(r.code, 1) << c.says;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
        EXPECT_FALSE(vt_test::Exists(out));
        EXPECT_FALSE(vt_test::Exists(out + ".vtexport-tmp"));
    }
}

TEST_F(VtExportTest, AFailedExportLeavesAnEarlierOutputAsItWas) {
    const std::string out = m_Dir.File("out.vcf");
    vt_test::WriteText(out, "earlier export");
    vt_test::WriteBytes(m_Dir.File("damaged.dat"), {0x00, 0x01, 0x42, 0x41});
    EXPECT_EQ(Vtx({"-o", out, m_Dir.File("damaged.dat")}).code, 1);
    EXPECT_EQ(vt_test::ReadText(out), "earlier export");
}

TEST_F(VtExportTest, ExportsAFileWholeAndLeavesTheInputUnchanged) {
    for (auto format : {export_fixture::Format::Classic, export_fixture::Format::Contacts41}) {
        const std::string in = MakeFile(format, 30);
        const auto before = vt_test::ReadBytes(in);
        const std::string out = m_Dir.File("out.csv");
        vt_test::WriteText(out, "replaced");
        const Result r = Vtx({"--format", "csv", "--category", "Business", "-o", out, in});
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.err, "vtexport: Wrote 10 contacts, skipped 20 (20 outside the category).\n");
        const std::string text = vt_test::ReadText(out);
        EXPECT_EQ(text.rfind("\xEF\xBB\xBF\"Title\"", 0), 0u);
        size_t lines = 0;
        for (size_t p = 0; (p = text.find("\"Business\",\"", p)) != std::string::npos; ++p) ++lines;
        EXPECT_EQ(lines, 10u);
        EXPECT_EQ(vt_test::ReadBytes(in), before);
        EXPECT_FALSE(vt_test::Exists(out + ".vtexport-tmp"));
    }
}

// The input is opened for reading only: it exports while another program
// holds the file denying writers, and from a file without write permission.
TEST_F(VtExportTest, ReadsAFileItMayNotWrite) {
    for (auto format : {export_fixture::Format::Classic, export_fixture::Format::Contacts41}) {
        const std::string in = MakeFile(format, 3);
        const auto before = vt_test::ReadBytes(in);
        {
            FILE* other = cxplat::OpenReadDenyWrite(in.c_str());
            ASSERT_NE(other, nullptr);
            const Result r = Vtx({in});
            EXPECT_EQ(r.code, 0) << r.err;
            EXPECT_EQ(r.err, "vtexport: Wrote 3 contacts, skipped 0.\n");
            fclose(other);
        }
#ifndef _WIN32
        // Root writes whatever the permission says: there the held file
        // above is the check.
        if (geteuid() != 0) {
            ASSERT_EQ(chmod(in.c_str(), 0444), 0);
            const Result r = Vtx({in});
            EXPECT_EQ(r.code, 0) << r.err;
            EXPECT_NE(r.out.find("BEGIN:VCARD"), std::string::npos);
            ASSERT_EQ(chmod(in.c_str(), 0644), 0);
        }
#endif
        EXPECT_EQ(vt_test::ReadBytes(in), before);
    }
}

TEST_F(VtExportTest, WritesToStandardOutputWithoutAFileName) {
    const std::string in = MakeFile(export_fixture::Format::Contacts41, 3);
    const Result r = Vtx({"--format", "vcard3", in});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.rfind("BEGIN:VCARD\r\nVERSION:3.0\r\nN:M\xc3\xbcller 0;J\xc3\xbcrgen;;;\r\n", 0), 0u)
        << r.out.substr(0, 200);
    EXPECT_EQ(r.err, "vtexport: Wrote 3 contacts, skipped 0.\n");
}

}  // namespace
