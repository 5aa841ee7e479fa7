#include "tools/vtexport/VtExport.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/export/CxExport.h"
#include "common/export/PmExportSource.h"
#include "common/misc/CxPlatform.h"
#include "common/palm/PalmAddrInfo.h"
#include "tools/palmdump/ToolLog.h"

namespace {

const char kUsage[] =
    "usage: vtexport [--format vcard4|vcard3|csv] [--category NAME] [--codepage N]\n"
    "                [-o FILE] [--log FOLDER] INPUT\n"
    "INPUT is a Palm Desktop address.dat (4.1 and earlier, or 4.1.x) or, with Palm\n"
    "Desktop 6.x's database engine, an Address.mdb. Texts of address.dat files are\n"
    "read in code page N (1252 unless given); texts of an Address.mdb pass through\n"
    "this program's own code page, as the program reads them. Without -o the\n"
    "export goes to standard output. The input file is never changed.\n";

bool HasExtension(const std::string& path, const char* ext) {
    const size_t n = strlen(ext);
    if (path.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (tolower(static_cast<unsigned char>(path[path.size() - n + i])) != ext[i]) return false;
    return true;
}

}  // namespace

int VtExportRun(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CxExportOptions options;
    const char* input = nullptr;
    const char* output = nullptr;
    const char* logFolder = nullptr;
    bool bad = false;
    for (int i = 1; i < argc && !bad; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--help" || a == "-h") {
            out << kUsage;
            return 0;
        } else if (a == "--format" && hasValue) {
            bad = !CxParseExportFormat(argv[++i], options.m_nFormat);
        } else if (a == "--category" && hasValue) {
            options.m_sCategory = argv[++i];
            bad = options.m_sCategory.empty();
        } else if (a == "--codepage" && hasValue) {
            char* end = nullptr;
            const unsigned long cp = strtoul(argv[++i], &end, 10);
            bad = !*argv[i] || *end || cp == 0 || cp > 65535;
            options.m_nCodePage = static_cast<unsigned>(cp);
        } else if (a == "-o" && hasValue) {
            output = argv[++i];
        } else if (a == "--log" && hasValue) {
            logFolder = argv[++i];
        } else if (a.empty() || (a[0] == '-' && a.size() > 1) || input) {
            bad = true;
        } else {
            input = argv[i];
        }
    }
    if (bad || !input) {
        err << kUsage;
        return 2;
    }
    std::string probe;
    if (!cxplat::CodePageToUtf8(options.m_nCodePage, "", 0, probe)) {
        err << "vtexport: code page " << options.m_nCodePage << " cannot be converted here\n";
        return 1;
    }
    if (!cxplat::FileExists(input)) {
        err << "vtexport: " << input << ": no such file\n";
        return 1;
    }
    if (!HasExtension(input, ".dat") && !HasExtension(input, ".mdb")) {
        err << "vtexport: " << input << ": not a Palm Desktop contacts file (address.dat or Address.mdb)\n";
        return 1;
    }

    PmToolLog log(logFolder, "vtexport");
    // The installed version plays no part in a file load.
    PmAddrInfo info(0xFFFFFFFFu);
    // Never write the input: every format is opened for reading only.
    info.SetReadOnly(true);
    if (!info.LoadFile(input)) {
        const std::string error = log.FirstError();
        err << "vtexport: " << input << ": cannot be read as Palm Desktop contacts"
            << (error.empty() ? "" : ": ") << error << "\n";
        return 1;
    }

    CxExportWriter writer(options.m_nFormat);
    CxExportStats stats;
    PmExportAll(info, options, writer, stats);
    if (output) {
        std::string reason;
        if (!CxWriteFileReplace(output, writer.GetText(), reason)) {
            err << "vtexport: " << reason << "\n";
            return 1;
        }
    } else {
        out.write(writer.GetText().data(), static_cast<std::streamsize>(writer.GetText().size()));
        out.flush();
        if (!out) {
            err << "vtexport: the export could not be written to standard output\n";
            return 1;
        }
    }
    err << "vtexport: " << stats.Summary() << "\n";
    return 0;
}
