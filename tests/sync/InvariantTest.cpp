// A run leaves the lists as a fresh load and marking would show them, and
// the same run again writes nothing: randomized contacts on both sides
// over the real address.dat formats (through the program's Palm Desktop
// side) and an Outlook side kept in memory as Outlook keeps its items
// (an empty value never clears a stored one).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/palm/PalmAddrInfo.h"
#include "src/PalmSyncStore.h"
#include "standins/palmdesktop/PdSetup.h"
#include "sync/SyncFakes.h"

using namespace sync_test;

namespace {

constexpr uint32_t kUnknownVersion = 0xFFFFFFFFu;

// Outlook as far as the run sees it: every write lands in the "folder" at
// once; a load reads the folder afresh.
class MemoryOutlook : public ISyncSide {
public:
    std::vector<CommAddr> folder;
    int writes = 0;

    void Load() {
        m_Store.Clear();
        for (const CommAddr& rec : folder) m_Store.AddCopy(&rec);
    }
    bool AddContact(const CommAddr& rec) override {
        ++writes;
        CommAddr item;
        Merge(item, rec);
        folder.push_back(item);
        return m_Store.AddCopy(&item) != nullptr;
    }
    bool UpdateContact(const CommAddr& rec, uint32_t pos) override {
        ++writes;
        if (pos >= folder.size()) return false;
        Merge(folder[pos], rec);
        CommAddr* stored = m_Store.GetAt(pos);
        const int32_t status = stored->m_nStatus;
        *stored = folder[pos];
        stored->m_nStatus = status;
        return true;
    }
    bool WouldChange(const CommAddr& rec, uint32_t pos) override {
        if (pos >= folder.size()) return true;
        CommAddr after = folder[pos];
        Merge(after, rec);
        return !CommSameValues(after, folder[pos]);
    }
    bool Save() override { return true; }
    CommAddrMgr& GetStore() override { return m_Store; }

private:
    // What an item keeps of a write: every non-empty value.
    static void Merge(CommAddr& item, const CommAddr& rec) {
        CommAddrMgr one;
        one.AddCopy(&item);
        one.UpdateAt(&rec, 0);
        item = *one.GetAt(0);
        item.m_nSourceType = SOURCE_OUTLOOK;
        item.m_nStatus = 0;
    }
    CommAddrMgr m_Store;
};

// Random contacts: few names so that keys meet, in other letter cases,
// empty fields, long and non-ASCII texts, company-only contacts.
class Contacts {
public:
    Contacts(uint32_t seed, int longestNote) : m_Rng(seed), m_nLongestNote(longestNote) {}
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_Rng); }

    std::string Text(const std::vector<std::string>& pool) {
        std::string t = pool[static_cast<size_t>(Pick(static_cast<int>(pool.size())))];
        if (Pick(4) == 0)
            for (char& c : t)
                if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        return t;
    }

    CommAddr Make() {
        static const std::vector<std::string> firsts = {"", "Ann", "Bob", "Zo\xEB", "J\xFCrgen"};
        static const std::vector<std::string> lasts = {"", "Able", "M\xFCller", "Baker"};
        static const std::vector<std::string> mails = {"", "a@x.example", "b@x.example"};
        static const std::vector<std::string> texts = {
            "", "", "Acme", "\xC9tude & Co", "555-0100", std::string(60, 'w'), "Zeta"};
        CommAddr r;
        SetFieldText(r, FID_FIRST_NAME, Text(firsts).c_str());
        SetFieldText(r, FID_LAST_NAME, Text(lasts).c_str());
        SetFieldText(r, FID_EMAIL, Text(mails).c_str());
        for (int32_t id : {FID_COMPANY, FID_TITLE, FID_WORK_PHONE, FID_HOME_PHONE, FID_MOBILE_PHONE,
                           FID_WORK_CITY, FID_CUSTOM1})
            SetFieldText(r, id, Text(texts).c_str());
        if (Pick(3) == 0) SetFieldText(r, FID_NOTE, std::string(300 + Pick(m_nLongestNote - 299), 'n').c_str());
        if (Pick(3) == 0) r.m_dtBirthday = 20000 + Pick(20000);
        return r;
    }

    std::vector<CommAddr> Many() {
        std::vector<CommAddr> out;
        const int n = Pick(31);
        for (int i = 0; i < n; ++i) out.push_back(Make());
        return out;
    }

private:
    std::mt19937 m_Rng;
    int m_nLongestNote;
};

// The conflict dialog as a user who always gives the same answer.
struct SteadyUi : FakeUi {
    int32_t answer = SyncEngine::CONFLICT_NOTHING;
    std::function<void()> reloadPalm;
    bool AskConflict(const CommAddr&, const CommAddr&, int32_t& action, bool&, bool&) override {
        ++asked;
        action = answer;
        return true;
    }
    void ReloadPalmAfterRun() override {
        ++reloads;
        reloadPalm();
    }
};

// What a row shows and what its colour comes from: the listed columns
// and the compared fields. The first that differs, or empty.
std::string ShownDifference(CommAddrMgr& store, const CommAddr& a, const CommAddr& b) {
    std::vector<int32_t> ids = {FID_FIRST_NAME, FID_LAST_NAME, FID_EMAIL, FID_WORK_PHONE,
                                FID_HOME_PHONE, FID_MOBILE_PHONE, FID_COMPANY, FID_TITLE};
    uint32_t n = 0;
    const int32_t* compared = store.GetCompareFields(&n);
    ids.insert(ids.end(), compared, compared + n);
    for (int32_t id : ids) {
        const char* ta = GetTextSlot(a, id, nullptr);
        const char* tb = GetTextSlot(b, id, nullptr);
        if (strcmp(ta, tb) != 0) return "field " + std::to_string(id) + ": '" + ta + "' vs '" + tb + "'";
    }
    return {};
}

void Mark(CommAddrMgr& a, CommAddrMgr& b) {
    a.MarkStatus(&b);
    b.MarkStatus(&a);
}

// The records and their statuses, position by position.
void ExpectSameLists(CommAddrMgr& shown, CommAddrMgr& fresh, const char* side) {
    ASSERT_EQ(shown.GetCount(), fresh.GetCount()) << side;
    for (uint32_t i = 0; i < shown.GetCount(); ++i) {
        const CommAddr& a = *shown.GetAt(i);
        const CommAddr& b = *fresh.GetAt(i);
        EXPECT_EQ(ShownDifference(shown, a, b), "") << side << " row " << i << ": " << a.m_szFirstName
                                                    << " " << a.m_szLastName;
        EXPECT_EQ(a.m_nStatus, b.m_nStatus) << side << " row " << i << ": " << a.m_szFirstName;
        EXPECT_STREQ(a.m_szCategory, b.m_szCategory) << side << " row " << i << ": " << a.m_szFirstName;
    }
}

class RunInvariant : public ::testing::TestWithParam<int> {
protected:
    void Check(uint32_t seed, int longestNote);
    vt_test::TempDir m_dir;
};

void RunInvariant::Check(uint32_t seed, int longestNote) {
    const int gen = GetParam();
    Contacts gen_(seed, longestNote);
    const std::string file = m_dir.File("address" + std::to_string(seed) + ".dat");
    std::string error;
    ASSERT_TRUE(pdsetup::WriteAddressData(gen, file, gen_.Many(), error)) << error;

    auto palm = std::make_unique<PalmSyncStore>(kUnknownVersion);
    ASSERT_TRUE(palm->Facade().LoadFile(file.c_str()));
    MemoryOutlook outlook;
    outlook.folder = gen_.Many();
    for (CommAddr& r : outlook.folder) r.m_nSourceType = SOURCE_OUTLOOK;
    outlook.Load();
    Mark(palm->GetStore(), outlook.GetStore());

    SteadyUi ui;
    ui.reloadPalm = [&] { palm->Facade().LoadFile(file.c_str()); };
    ui.answer = 1 + gen_.Pick(3);
    SyncHistoryMgr history;
    history.SetDataFolder(m_dir.Path().c_str());
    const int mode = 1 + gen_.Pick(3);
    int32_t conf = gen_.Pick(2) ? ui.answer : 0;
    std::vector<bool> palmTicks, olTicks;
    for (uint32_t i = 0; i < palm->GetStore().GetCount(); ++i) palmTicks.push_back(gen_.Pick(2) == 0);
    for (uint32_t i = 0; i < outlook.GetStore().GetCount(); ++i) olTicks.push_back(gen_.Pick(2) == 0);
    auto rows = [](CommAddrMgr& store, const std::vector<bool>& ticks) {
        std::vector<SyncRow> out;
        for (uint32_t i = 0; i < store.GetCount(); ++i)
            out.push_back({store.GetAt(i), i < ticks.size() && ticks[i]});
        return out;
    };

    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(testing::Message() << "seed " << seed << " mode " << mode << " answer " << ui.answer
                                        << " run " << run);
        const int outlookWritesBefore = outlook.writes;
        auto p = rows(palm->GetStore(), palmTicks);
        auto o = rows(outlook.GetStore(), olTicks);
        SyncEngine engine(*palm, outlook, history, ui);
        const SyncResult r = engine.Run(mode, p, o, conf);
        EXPECT_EQ(r.failedWrites, 0);
        EXPECT_FALSE(r.saveFailed);
        if (run == 1) {
            EXPECT_EQ(r.updated, 0);
            EXPECT_EQ(outlook.writes, outlookWritesBefore);
        }
        // What the window shows against what a fresh start would show.
        Mark(palm->GetStore(), outlook.GetStore());
        PalmSyncStore freshPalm(kUnknownVersion);
        ASSERT_TRUE(freshPalm.Facade().LoadFile(file.c_str()));
        MemoryOutlook freshOutlook;
        freshOutlook.folder = outlook.folder;
        freshOutlook.Load();
        Mark(freshPalm.GetStore(), freshOutlook.GetStore());
        ExpectSameLists(palm->GetStore(), freshPalm.GetStore(), "Palm Desktop");
        ExpectSameLists(outlook.GetStore(), freshOutlook.GetStore(), "Outlook");
        if (HasFailure()) return;
    }
}

// Notes that fit the 4.1.x note field (2047 characters).
TEST_P(RunInvariant, SecondRunWritesNothingAndListsMatchAFreshLoad) {
    for (uint32_t seed = 1; seed <= 150; ++seed) {
        Check(seed, 2047);
        if (HasFailure()) return;
    }
}

// Longer notes: the file keeps them whole beside the field, so a two-way run
// never writes a cut note back over the whole one.
TEST_P(RunInvariant, NotesLongerThanTheFieldTravelWhole) {
    for (uint32_t seed = 1; seed <= 150; ++seed) {
        Check(seed, 3300);
        if (HasFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(AddressDat, RunInvariant, ::testing::Values(PM_GEN_CLASSIC, PM_GEN_41X),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == PM_GEN_CLASSIC ? std::string("Classic") : std::string("Ex");
                         });

}  // namespace
