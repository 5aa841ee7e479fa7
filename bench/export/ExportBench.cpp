// Export of classic and 4.1.x files of 1,000 and 10,000 contacts (load,
// convert, format in memory) against palmdump's plain read and the facade
// load of the same file. Contacts per second are the items per second; the
// complexity fit of each family must stay linear.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <ostream>
#include <streambuf>
#include <string>

#include "common/export/PmExportSource.h"
#include "common/misc/CxDebugUtil.h"
#include "export/ExportFixture.h"
#include "tools/palmdump/PalmDump.h"

namespace {

namespace fs = std::filesystem;
using export_fixture::Format;

std::string FilePath(Format format, int n) {
    static const std::string dir = [] {
        fs::path p = fs::temp_directory_path() / "vt_export_bench";
        fs::create_directories(p);
        const std::string d = p.string() + "/";
        CxDebugUtil::Instance().SetFolder(d.c_str());
        return d;
    }();
    static std::map<std::pair<int, int>, std::string> made;
    auto key = std::make_pair(static_cast<int>(format), n);
    if (made.count(key)) return made[key];
    const std::string path = dir + (format == Format::Classic ? "classic-" : "contacts41-") +
                             std::to_string(n) + ".dat";
    const auto bytes = export_fixture::FileBytes(format, export_fixture::Contacts(format, n));
    FILE* f = fopen(path.c_str(), "wb");
    if (!f || fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) abort();
    fclose(f);
    return made[key] = path;
}

class NullBuf : public std::streambuf {
protected:
    int overflow(int c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

template <Format F, CxExportFormat X>
void BM_Export(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::string path = FilePath(F, n);
    size_t bytes = 0;
    for (auto _ : state) {
        PmAddrInfo info(0xFFFFFFFFu);
        if (!info.LoadFile(path.c_str())) state.SkipWithError("load failed");
        CxExportOptions options;
        options.m_nFormat = X;
        CxExportWriter writer(X);
        CxExportStats stats;
        PmExportAll(info, options, writer, stats);
        if (stats.m_nWritten != static_cast<size_t>(n)) state.SkipWithError("not all written");
        bytes = writer.GetText().size();
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.SetComplexityN(n);
    state.counters["out_bytes"] = static_cast<double>(bytes);
}

template <Format F>
void BM_PalmDump(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::string path = FilePath(F, n);
    NullBuf nb;
    std::ostream out(&nb);
    for (auto _ : state) {
        std::string reason;
        if (!PalmDump(path.c_str(), false, out, reason)) state.SkipWithError(reason.c_str());
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.SetComplexityN(n);
}

template <Format F>
void BM_FacadeLoad(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::string path = FilePath(F, n);
    for (auto _ : state) {
        PmAddrInfo info(0xFFFFFFFFu);
        if (!info.LoadFile(path.c_str())) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(info.GetRecordCount());
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.SetComplexityN(n);
}

#define VT_SIZES ->Arg(1000)->Arg(5000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN)

BENCHMARK(BM_PalmDump<Format::Classic>) VT_SIZES;
BENCHMARK(BM_FacadeLoad<Format::Classic>) VT_SIZES;
BENCHMARK(BM_Export<Format::Classic, CxExportFormat::VCard4>) VT_SIZES;
BENCHMARK(BM_Export<Format::Classic, CxExportFormat::Csv>) VT_SIZES;
BENCHMARK(BM_PalmDump<Format::Contacts41>) VT_SIZES;
BENCHMARK(BM_FacadeLoad<Format::Contacts41>) VT_SIZES;
BENCHMARK(BM_Export<Format::Contacts41, CxExportFormat::VCard4>) VT_SIZES;
BENCHMARK(BM_Export<Format::Contacts41, CxExportFormat::VCard3>) VT_SIZES;
BENCHMARK(BM_Export<Format::Contacts41, CxExportFormat::Csv>) VT_SIZES;

}  // namespace

BENCHMARK_MAIN();
