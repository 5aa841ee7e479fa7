// Marking two stores both ways, as the main window does after every load.
// Stores of n records each: 80 % of the keys are on both sides, and a fifth
// of those shared records differ in one compared field.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/addr/CommAddr.h"

namespace {

struct StorePair {
    CommAddrMgr m_Palm;
    CommAddrMgr m_Outlook;
};

CommAddr Contact(uint32_t n) {
    CommAddr rec;
    char text[64];
    snprintf(text, sizeof(text), "Given%u", n % 997);  // first names repeat
    SetFieldText(rec, FID_FIRST_NAME, text);
    snprintf(text, sizeof(text), "Family%u", n);
    SetFieldText(rec, FID_LAST_NAME, text);
    snprintf(text, sizeof(text), "person%u@example.org", n);
    SetFieldText(rec, FID_EMAIL, text);
    snprintf(text, sizeof(text), "+1 555 %07u", n);
    SetFieldText(rec, FID_WORK_PHONE, text);
    SetFieldText(rec, FID_COMPANY, "Example Trading Company");
    snprintf(text, sizeof(text), "%u Main Street\r\nSuite %u", n, n % 50);
    SetFieldText(rec, FID_WORK_STREET, text);
    SetFieldText(rec, FID_WORK_CITY, "Springfield");
    SetFieldText(rec, FID_NOTE, "Met at the trade fair.\r\nCall back in spring.");
    return rec;
}

std::unique_ptr<StorePair> MakeStores(uint32_t n) {
    auto stores = std::make_unique<StorePair>();
    std::mt19937 rng(n);
    const uint32_t shared = n / 5 * 4;
    std::vector<CommAddr> outlook;
    for (uint32_t i = 0; i < n; ++i) {
        CommAddr palm = Contact(i);
        stores->m_Palm.AddCopy(&palm);
        if (i < shared) {
            CommAddr counterpart = palm;
            // Outlook keeps its own case for the e-mail address.
            for (char* c = counterpart.m_szEmail; *c; ++c)
                if (*c >= 'a' && *c <= 'z' && (c - counterpart.m_szEmail) % 3 == 0) *c -= 32;
            if (i % 5 == 0) SetFieldText(counterpart, FID_WORK_PHONE, "+1 555 CHANGED");
            outlook.push_back(counterpart);
        } else {
            outlook.push_back(Contact(n + i));  // only in Outlook
        }
    }
    std::shuffle(outlook.begin(), outlook.end(), rng);  // each side has its own order
    for (const CommAddr& rec : outlook) stores->m_Outlook.AddCopy(&rec);
    return stores;
}

// Marking the plain way: one FindMatch walk per record.
void PlainMark(CommAddrMgr& store, CommAddrMgr& other) {
    for (uint32_t i = 0; i < store.GetCount(); ++i) {
        CommAddr* rec = store.GetAt(i);
        CommAddr* matched = nullptr;
        uint32_t index = 0;
        const int r = other.FindMatch(rec, &matched, &index);
        rec->m_nStatus = r == MATCH_NEW ? STATUS_NEW : r == MATCH_DIFF ? STATUS_DIFF : STATUS_SAME;
    }
}

void Counters(benchmark::State& state, StorePair& s, uint32_t n) {
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 2 * n);
    // Memory: the record, the store's slot for it, and the key index that
    // marking builds for the other store.
    state.counters["record_bytes"] = sizeof(CommAddr);
    state.counters["store_bytes_per_rec"] = sizeof(std::unique_ptr<CommAddr>);
    state.counters["index_bytes_per_rec"] =
        static_cast<double>(CommMatchIndex(s.m_Outlook).MemoryBytes()) / s.m_Outlook.GetCount();
    uint32_t same = 0, diff = 0, fresh = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const int32_t st = s.m_Palm.GetAt(i)->m_nStatus;
        same += st == STATUS_SAME;
        diff += st == STATUS_DIFF;
        fresh += st == STATUS_NEW;
    }
    state.counters["palm_same"] = same;
    state.counters["palm_diff"] = diff;
    state.counters["palm_new"] = fresh;
}

void BM_MarkBothWays(benchmark::State& state) {
    const uint32_t n = static_cast<uint32_t>(state.range(0));
    auto s = MakeStores(n);
    for (auto _ : state) {
        s->m_Palm.MarkStatus(&s->m_Outlook);
        s->m_Outlook.MarkStatus(&s->m_Palm);
        benchmark::ClobberMemory();
    }
    Counters(state, *s, n);
}
BENCHMARK(BM_MarkBothWays)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_PlainWalkBothWays(benchmark::State& state) {
    const uint32_t n = static_cast<uint32_t>(state.range(0));
    auto s = MakeStores(n);
    for (auto _ : state) {
        PlainMark(s->m_Palm, s->m_Outlook);
        PlainMark(s->m_Outlook, s->m_Palm);
        benchmark::ClobberMemory();
    }
    Counters(state, *s, n);
}
BENCHMARK(BM_PlainWalkBothWays)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
