// The fake sides and window the run's tests drive it through.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "src/SyncEngine.h"
#include "src/SyncHistory.h"
#include "support/TestSupport.h"

namespace sync_test {

inline CommAddr Rec(const char* first, const char* last, const char* email, const char* company = "") {
    CommAddr r;
    SetFieldText(r, FID_FIRST_NAME, first);
    SetFieldText(r, FID_LAST_NAME, last);
    SetFieldText(r, FID_EMAIL, email);
    SetFieldText(r, FID_COMPANY, company);
    return r;
}

inline void Add(CommAddrMgr& store, const CommAddr& rec) { ASSERT_NE(store.AddCopy(&rec), nullptr); }

// A side over a plain store. Both sides merge on update as the real ones
// do: a non-empty value replaces, an empty one leaves the stored value.
class FakeSide : public ISyncSide {
public:
    CommAddrMgr store;
    bool failWrites = false;
    bool failSave = false;
    int saves = 0, adds = 0, updates = 0;
    CommSideState state = SIDE_AVAILABLE;
    bool changedSinceLoad = false;
    bool saveFindsChange = false;
    bool savesAtEnd = false;
    uint32_t unreadable = 0;

    // Writes that land elsewhere than the side's own lookup says.
    int wrongAnswers = 0;
    bool AddContact(const CommAddr& rec) override {
        ++adds;
        if (store.FindMatch(&rec, nullptr, nullptr) != MATCH_NEW) ++wrongAnswers;
        if (failWrites) return false;
        return store.AddCopy(&rec) != nullptr;
    }
    bool UpdateContact(const CommAddr& rec, uint32_t pos) override {
        ++updates;
        uint32_t own = 0;
        if (store.FindMatch(&rec, nullptr, &own) != MATCH_DIFF || own != pos) ++wrongAnswers;
        if (failWrites) return false;
        return store.UpdateAt(&rec, pos);
    }
    bool WouldChange(const CommAddr& rec, uint32_t pos) override {
        const CommAddr* stored = store.GetAt(pos);
        if (!stored) return true;
        CommAddrMgr scratch;
        scratch.AddCopy(stored);
        scratch.UpdateAt(&rec, 0);
        return !CommSameValues(*scratch.GetAt(0), *stored);
    }
    bool Save() override {
        ++saves;
        return !failSave && !saveFindsChange;
    }
    CommAddrMgr& GetStore() override { return store; }
    CommSideState GetSideState() const override { return state; }
    bool ChangedSinceLoad() const override { return changedSinceLoad; }
    bool LastSaveFoundChange() const override { return saveFindsChange && saves > 0; }
    bool SavesAtEnd() const override { return savesAtEnd; }
    uint32_t UnreadableCount() const override { return unreadable; }
};

struct Answer {
    bool ok;
    int32_t action;
    bool thisRun;
    bool always;
};

class FakeUi : public ISyncCallback {
public:
    std::vector<int> progress;
    std::vector<std::string> messages;
    std::vector<SyncIcon> icons;
    std::deque<Answer> answers;
    int asked = 0, refreshes = 0;
    bool busy = false, progressShown = false;

    void SetBusy(bool b) override { busy = b; }
    void ShowProgress(bool v) override { progressShown = v; }
    void SetProgress(int p) override { progress.push_back(p); }
    void SetRowTicked(bool, size_t, bool) override {}
    void ShowMessage(const char* text, const char*, SyncIcon icon) override {
        messages.push_back(text);
        icons.push_back(icon);
    }
    bool AskConflict(const CommAddr&, const CommAddr&, int32_t& action, bool& thisRun,
                     bool& always) override {
        ++asked;
        if (answers.empty()) return false;
        Answer a = answers.front();
        answers.pop_front();
        action = a.action;
        thisRun = a.thisRun;
        always = a.always;
        return a.ok;
    }
    void RefreshAfterChange() override { ++refreshes; }
    int reloads = 0;
    std::function<void()> onReload;
    void ReloadPalmAfterRun() override {
        ++reloads;
        if (onReload) onReload();
    }
};

struct SyncFixture : ::testing::Test {
    vt_test::TempDir dir;
    FakeSide palm;
    FakeSide outlook;
    SyncHistoryMgr history;
    FakeUi ui;
    int32_t confAction = 3;

    void SetUp() override { history.SetDataFolder(dir.Path().c_str()); }

    static std::vector<SyncRow> Rows(CommAddrMgr& store, bool ticked) {
        std::vector<SyncRow> rows;
        for (uint32_t i = 0; i < store.GetCount(); ++i) rows.push_back({store.GetAt(i), ticked});
        return rows;
    }
    SyncResult Run(int mode, std::vector<SyncRow>& p, std::vector<SyncRow>& o) {
        SyncEngine engine(palm, outlook, history, ui);
        SyncResult r = engine.Run(mode, p, o, confAction);
        EXPECT_FALSE(ui.busy);
        EXPECT_FALSE(ui.progressShown);
        return r;
    }
    int MaxProgressBefore100() {
        int m = 0;
        for (size_t i = 0; i + 1 < ui.progress.size(); ++i) m = std::max(m, ui.progress[i]);
        return m;
    }
};

}  // namespace sync_test
