#include "fuzz/palm/FuzzPalm.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/misc/CxDebugUtil.h"
#include "common/palm/PalmAddr.h"
#include "common/palm/PalmAddrEx.h"

namespace {

struct Paths {
    std::string in, out;
    Paths() {
        const char* tmp = getenv("TMPDIR");
        std::string dir = tmp && *tmp ? tmp : "/tmp";
        if (dir.back() != '/') dir += '/';
        const std::string stem = dir + "vt_fuzz_palm_" + std::to_string(getpid());
        in = stem + "_in.dat";
        out = stem + "_out.dat";
        // Errors are always logged; keep them out of the working folder.
        const char* logDir = getenv("VT_FUZZ_LOG_DIR");
        std::string log = logDir && *logDir ? logDir : dir;
        if (log.back() != '/') log += '/';
        CxDebugUtil::Instance().SetFolder(log.c_str());
    }
};

const Paths& GetPaths() {
    static Paths p;
    return p;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) abort();
    if (size && fwrite(data, 1, size, f) != size) abort();
    fclose(f);
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void Check(bool ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "property broken: %s\n", what);
        abort();
    }
}

template <typename Util>
void Run(const uint8_t* data, size_t size) {
    const Paths& p = GetPaths();
    WriteFile(p.in, data, size);
    Util util(p.in.c_str());
    Check(ReadFile(p.in) == std::vector<uint8_t>(data, data + size), "a load changed the file");
    if (!util.IsLoaded() || !util.IsSchemaWritable()) return;
    WriteFile(p.out, nullptr, 0);
    Check(util.SaveAs(p.out.c_str()), "a loaded file did not save");
    const std::vector<uint8_t> first = ReadFile(p.out);
    Util again(p.out.c_str());
    Check(again.IsLoaded(), "a saved file did not load");
    Check(again.GetRecords()->GetCount() == util.GetRecords()->GetCount(), "record count changed");
    Check(again.SaveAs(p.out.c_str()), "a reloaded file did not save");
    Check(ReadFile(p.out) == first, "saving twice gave different files");
}

}  // namespace

void FuzzPalmClassic(const uint8_t* data, size_t size) { Run<PmAddrUtil>(data, size); }

void FuzzPalmContacts41(const uint8_t* data, size_t size) { Run<PmAddrExUtil>(data, size); }
