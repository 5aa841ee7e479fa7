// The synchronization run over two in-memory sides of n contacts each:
// every key on both sides, a tenth of the pairs differing in one compared
// field, every row ticked, a standing rule so nothing is asked. The figure
// to watch is the time per contact as n grows (flat: the run stays linear),
// and the run against marking both ways, the least matching the window
// does after every load.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/misc/CxPlatform.h"
#include "src/SyncEngine.h"
#include "src/SyncHistory.h"

namespace {

class MemorySide : public ISyncSide {
public:
    bool AddContact(const CommAddr& rec) override { return m_Store.AddCopy(&rec) != nullptr; }
    bool UpdateContact(const CommAddr& rec, uint32_t pos) override { return m_Store.UpdateAt(&rec, pos); }
    bool WouldChange(const CommAddr&, uint32_t) override { return true; }  // times every write
    bool Save() override { return true; }
    CommAddrMgr& GetStore() override { return m_Store; }

private:
    CommAddrMgr m_Store;
};

class QuietUi : public ISyncCallback {
public:
    void SetBusy(bool) override {}
    void ShowProgress(bool) override {}
    void SetProgress(int) override {}
    void SetRowTicked(bool, size_t, bool) override {}
    void ShowMessage(const char*, const char*, SyncIcon) override {}
    bool AskConflict(const CommAddr&, const CommAddr&, int32_t&, bool&, bool&) override { return false; }
    void RefreshAfterChange() override {}
    void ReloadPalmAfterRun() override {}
};

CommAddr Contact(uint32_t n, bool changed) {
    CommAddr rec;
    char text[64];
    snprintf(text, sizeof(text), "Given%u", n % 997);
    SetFieldText(rec, FID_FIRST_NAME, text);
    snprintf(text, sizeof(text), "Family%u", n);
    SetFieldText(rec, FID_LAST_NAME, text);
    snprintf(text, sizeof(text), "person%u@example.org", n);
    SetFieldText(rec, FID_EMAIL, text);
    snprintf(text, sizeof(text), changed ? "+1 555 %07u x" : "+1 555 %07u", n);
    SetFieldText(rec, FID_WORK_PHONE, text);
    SetFieldText(rec, FID_COMPANY, "Example Trading Company");
    snprintf(text, sizeof(text), "%u Main Street", n);
    SetFieldText(rec, FID_WORK_STREET, text);
    return rec;
}

struct World {
    MemorySide palm, outlook;
    std::vector<SyncRow> palmRows, outlookRows;
    explicit World(uint32_t n) {
        for (uint32_t i = 0; i < n; ++i) {
            CommAddr p = Contact(i, false), o = Contact(n - 1 - i, (n - 1 - i) % 10 == 0);
            palm.GetStore().AddCopy(&p);
            outlook.GetStore().AddCopy(&o);  // the other order
        }
        for (uint32_t i = 0; i < n; ++i) {
            palmRows.push_back({palm.GetStore().GetAt(i), true});
            outlookRows.push_back({outlook.GetStore().GetAt(i), true});
        }
    }
};

std::string HistoryFolder() {
    std::string dir = "sync-bench-history";
    cxplat::CreateFolder(dir.c_str());
    return dir + cxplat::kPathSep;
}

void BM_TwoWayRun(benchmark::State& state) {
    const uint32_t n = static_cast<uint32_t>(state.range(0));
    QuietUi ui;
    SyncHistoryMgr history;
    const std::string folder = HistoryFolder();
    history.SetDataFolder(folder.c_str());
    int32_t updated = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto world = std::make_unique<World>(n);  // each run starts from the differing pairs
        history.Clear();
        state.ResumeTiming();
        SyncEngine engine(world->palm, world->outlook, history, ui);
        int32_t rule = SyncEngine::CONFLICT_PALM_WINS;
        updated = engine.Run(3, world->palmRows, world->outlookRows, rule).updated;
        state.PauseTiming();
        world.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 2 * n);
    state.counters["updated"] = updated;
}
BENCHMARK(BM_TwoWayRun)->Arg(1000)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_MarkBothWays(benchmark::State& state) {
    const uint32_t n = static_cast<uint32_t>(state.range(0));
    World world(n);
    for (auto _ : state) {
        world.palm.GetStore().MarkStatus(&world.outlook.GetStore());
        world.outlook.GetStore().MarkStatus(&world.palm.GetStore());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 2 * n);
}
BENCHMARK(BM_MarkBothWays)->Arg(1000)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
