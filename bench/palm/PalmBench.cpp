// Loading and saving files of both formats, next to plain reading and
// writing of the same number of bytes. Loads and saves must grow linearly
// with the number of records (the complexity fit of each family says it).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxPlatform.h"
#include "common/misc/CxText.h"
#include "common/palm/PalmAddr.h"
#include "common/palm/PalmAddrEx.h"
#include "common/palm/PalmAddrInfo.h"

namespace {

namespace fs = std::filesystem;

std::string Folder() {
    static const std::string dir = [] {
        fs::path p = fs::temp_directory_path() / "vt_palm_bench";
        fs::create_directories(p);
        const std::string d = p.string() + "/";
        // Some lines are logged on every load whatever the level: keep them
        // out of the working folder.
        CxDebugUtil::Instance().SetFolder(d.c_str());
        return d;
    }();
    return dir;
}

void Touch(const std::string& path) {
    FILE* f = fopen(path.c_str(), "ab");
    if (f) fclose(f);
}

void FillText(char* field, size_t width, const char* stem, int i) {
    char buf[64];
    snprintf(buf, sizeof(buf), "%s %d", stem, i);
    CxCopyText(field, width, buf);
}

// A file of n typical records, made once per size by the writer itself.
std::string ClassicFile(int n) {
    const std::string path = Folder() + "classic-" + std::to_string(n) + ".dat";
    static std::map<int, bool> made;
    if (made[n]) return path;
    Touch(path);
    PmAddrUtil util;
    util.SetCustomLabels("Birthday\nSpouse\nWeb\nPager\n");
    auto rec = std::make_unique<PmAddrRecord>();
    for (int i = 0; i < n; ++i) {
        *rec = PmAddrRecord{};
        rec->nRecordId = 1000 + i;
        FillText(rec->szLastName, sizeof(rec->szLastName), "Lastname", i);
        FillText(rec->szFirstName, sizeof(rec->szFirstName), "First", i);
        FillText(rec->szCompany, sizeof(rec->szCompany), "Company Incorporated", i);
        FillText(rec->szPhone[0], sizeof(rec->szPhone[0]), "+1 555 0100", i);
        FillText(rec->szPhone[1], sizeof(rec->szPhone[1]), "person@example.com", i);
        FillText(rec->szAddress, sizeof(rec->szAddress), "Main Street", i);
        FillText(rec->szCity, sizeof(rec->szCity), "Springfield", i);
        FillText(rec->szNote, sizeof(rec->szNote), "A note of moderate length about this contact", i);
        util.GetRecords()->AddCopy(*rec);
    }
    if (!util.SaveAs(path.c_str())) abort();
    made[n] = true;
    return path;
}

std::string ContactsFile(int n) {
    const std::string path = Folder() + "contacts41-" + std::to_string(n) + ".dat";
    static std::map<int, bool> made;
    if (made[n]) return path;
    Touch(path);
    PmAddrExUtil util;
    util.SetCustomLabel(0, "Label 1");
    for (int i = 0; i < n; ++i) {
        PmAddrExRecord rec{};
        rec.nRecordId = 2000 + i;
        rec.nColumn1 = 4096 + i;
        FillText(rec.szLastName, sizeof(rec.szLastName), "Lastname", i);
        FillText(rec.szFirstName, sizeof(rec.szFirstName), "First", i);
        FillText(rec.szCompany, sizeof(rec.szCompany), "Company Incorporated", i);
        FillText(rec.szPhone[0], sizeof(rec.szPhone[0]), "+1 555 0100", i);
        FillText(rec.szPhone[1], sizeof(rec.szPhone[1]), "person@example.com", i);
        FillText(rec.addresses[0].szStreet, sizeof(rec.addresses[0].szStreet), "Main Street", i);
        FillText(rec.addresses[0].szCity, sizeof(rec.addresses[0].szCity), "Springfield", i);
        FillText(rec.szNote, sizeof(rec.szNote), "A note of moderate length about this contact", i);
        rec.blocks[1].nType = 65;
        rec.blocks[1].nSize = 8;
        rec.blocks[1].nLength = 8;
        rec.blocks[1].data.assign(8, 0x5A);
        util.GetRecords()->AddCopy(rec);
    }
    if (!util.SaveAs(path.c_str())) abort();
    made[n] = true;
    return path;
}

int64_t SizeOf(const std::string& path) { return static_cast<int64_t>(fs::file_size(path)); }

template <typename Util>
void Load(benchmark::State& state, const std::string& path) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        Util util(path.c_str());
        if (!util.IsLoaded()) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(util.GetRecords()->GetCount());
    }
    state.SetBytesProcessed(state.iterations() * SizeOf(path));
    state.SetItemsProcessed(state.iterations() * n);
    state.SetComplexityN(n);
}

template <typename Util>
void Save(benchmark::State& state, const std::string& path) {
    const int n = static_cast<int>(state.range(0));
    Util util(path.c_str());
    if (!util.IsLoaded()) state.SkipWithError("load failed");
    const std::string out = Folder() + "save-out.dat";
    Touch(out);
    for (auto _ : state)
        if (!util.SaveAs(out.c_str())) state.SkipWithError("save failed");
    state.SetBytesProcessed(state.iterations() * SizeOf(out));
    state.SetItemsProcessed(state.iterations() * n);
    state.SetComplexityN(n);
}

// A load as the program does it: the store, the facade's copies and the
// common records.
void FacadeLoad(benchmark::State& state, const std::string& path) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        PmAddrInfo info(40100);
        if (!info.LoadFile(path.c_str())) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(info.GetRecordCount());
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.SetComplexityN(n);
}

void BM_ClassicFacadeLoad(benchmark::State& s) { FacadeLoad(s, ClassicFile(static_cast<int>(s.range(0)))); }
void BM_Contacts41FacadeLoad(benchmark::State& s) { FacadeLoad(s, ContactsFile(static_cast<int>(s.range(0)))); }

void BM_ClassicLoad(benchmark::State& s) { Load<PmAddrUtil>(s, ClassicFile(static_cast<int>(s.range(0)))); }
void BM_ClassicSave(benchmark::State& s) { Save<PmAddrUtil>(s, ClassicFile(static_cast<int>(s.range(0)))); }
void BM_Contacts41Load(benchmark::State& s) { Load<PmAddrExUtil>(s, ContactsFile(static_cast<int>(s.range(0)))); }
void BM_Contacts41Save(benchmark::State& s) { Save<PmAddrExUtil>(s, ContactsFile(static_cast<int>(s.range(0)))); }

// The plain cost of the same bytes: one read of the whole file; one write
// of it, flushed to disk and put in place as a save does.
void PlainRead(benchmark::State& state, const std::string& path) {
    std::vector<char> buf(static_cast<size_t>(SizeOf(path)));
    for (auto _ : state) {
        FILE* f = fopen(path.c_str(), "rb");
        const size_t n = fread(buf.data(), 1, buf.size(), f);
        fclose(f);
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(state.iterations() * SizeOf(path));
}

void PlainWrite(benchmark::State& state, const std::string& path) {
    std::vector<char> buf(static_cast<size_t>(SizeOf(path)), 'x');
    const std::string tmp = Folder() + "plain.tmp";
    const std::string out = Folder() + "plain-out.dat";
    for (auto _ : state) {
        FILE* f = fopen(tmp.c_str(), "wb");
        fwrite(buf.data(), 1, buf.size(), f);
        cxplat::FlushToDisk(f);
        fclose(f);
        cxplat::MoveFileReplace(tmp.c_str(), out.c_str());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(buf.size()));
}

void BM_ClassicPlainRead(benchmark::State& s) { PlainRead(s, ClassicFile(10000)); }
void BM_ClassicPlainWrite(benchmark::State& s) { PlainWrite(s, ClassicFile(10000)); }
void BM_Contacts41PlainRead(benchmark::State& s) { PlainRead(s, ContactsFile(10000)); }
void BM_Contacts41PlainWrite(benchmark::State& s) { PlainWrite(s, ContactsFile(10000)); }

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(2500)->Arg(5000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
}

BENCHMARK(BM_ClassicLoad)->Apply(Sizes);
BENCHMARK(BM_ClassicSave)->Apply(Sizes);
BENCHMARK(BM_ClassicFacadeLoad)->Apply(Sizes);
BENCHMARK(BM_ClassicPlainRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClassicPlainWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Contacts41Load)->Apply(Sizes);
BENCHMARK(BM_Contacts41Save)->Apply(Sizes);
BENCHMARK(BM_Contacts41FacadeLoad)->Apply(Sizes);
BENCHMARK(BM_Contacts41PlainRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Contacts41PlainWrite)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
