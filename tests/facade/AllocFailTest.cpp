// An allocation that fails anywhere in a load fails the whole load with a
// log line: the program never lists (and later saves) only part of the
// contacts. This program replaces operator new to fail one chosen
// allocation, and walks that choice over every allocation of a load.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "FacadeSupport.h"
#include "common/palm/PalmAddrInfo.h"
#include "common/palm/PalmCommEx2.h"
#include "standins/palmdesktop/PdSetup.h"

namespace {

std::atomic<long> g_countdown{0};  // 0: nothing armed
std::atomic<bool> g_fired{false};

void* Allocate(size_t n) {
    if (g_countdown.load() > 0 && --g_countdown == 0) {
        g_fired = true;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(size_t n) { return Allocate(n); }
void* operator new[](size_t n) { return Allocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace {

using facade_test::Contact;
using facade_test::LogCapture;

constexpr int kContacts = 4;

class AllocFailTest : public ::testing::TestWithParam<int> {
protected:
    void TearDown() override { TdmMain::Instance().CloseAll(); }
    vt_test::TempDir m_Dir;
};

TEST_P(AllocFailTest, EveryFailedAllocationFailsTheLoadWhole) {
    const int gen = GetParam();
    const std::string path = m_Dir.File(gen == PM_GEN_6X ? "Address.mdb" : "address.dat");
    std::vector<CommAddr> contacts;
    for (int i = 0; i < kContacts; ++i)
        contacts.push_back(Contact(("First" + std::to_string(i)).c_str(), "Last"));
    std::string error;
    ASSERT_TRUE(pdsetup::WriteAddressData(gen, path, contacts, error)) << error;
    LogCapture log;

    int failedLoads = 0;
    long n = 1;
    for (;; ++n) {
        SCOPED_TRACE("allocation " + std::to_string(n));
        log.Reset();
        PmAddrInfo info(0xFFFFFFFFu);
        g_fired = false;
        g_countdown = n;
        const bool ok = info.LoadFile(path.c_str());
        g_countdown = 0;
        if (!g_fired) {
            // Every allocation of the load has had its turn.
            ASSERT_TRUE(ok);
            EXPECT_EQ(info.GetRecordCount(), static_cast<size_t>(kContacts));
            break;
        }
        if (ok) {
            // Whatever absorbed the failure, nothing may be missing.
            EXPECT_EQ(info.GetRecordCount(), static_cast<size_t>(kContacts));
            EXPECT_EQ(info.GetStore()->GetCount(), static_cast<size_t>(kContacts));
        } else {
            ++failedLoads;
            EXPECT_FALSE(info.IsLoaded());
            EXPECT_EQ(info.GetRecordCount(), 0u);
            EXPECT_EQ(info.GetStore()->GetCount(), 0u);
            EXPECT_GT(log.Count("!!!"), 0) << "a failed load must say so";
        }
        TdmMain::Instance().CloseAll();
        ASSERT_LT(n, 200000) << "the load never stopped allocating";
    }
    // The walk reached the loader's and the facade's own allocations.
    EXPECT_GT(failedLoads, kContacts);
    printf("generation %d: %ld allocations per load, %d failed loads\n", gen, n - 1, failedLoads);
}

INSTANTIATE_TEST_SUITE_P(Generations, AllocFailTest,
                         ::testing::Values(PM_GEN_CLASSIC, PM_GEN_41X, PM_GEN_6X));

}  // namespace
