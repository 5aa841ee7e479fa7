// The synchronization run, apart from any window: it walks the rows of the
// two lists, writes through the two sides and reports through a callback
// interface that the main window implements (and tests fake).
#pragma once

#include <cstdint>
#include <vector>

#include "common/addr/CommAddr.h"

class SyncHistoryMgr;

// One side of a run. The Palm Desktop facade and the Outlook writer both
// satisfy it (through small adapters in the window code).
class ISyncSide {
public:
    virtual ~ISyncSide() = default;
    // One-way write of rec, whose FindMatch answer in this side's store the
    // caller already holds (match and position): add for MATCH_NEW, merge
    // for MATCH_DIFF, nothing otherwise; true when something was written.
    virtual bool PutMatched(const CommAddr& rec, int match, uint32_t pos) = 0;
    // A new record on this side; on success the side's store holds it too.
    virtual bool AddContact(const CommAddr& rec) = 0;
    // Rewrites the record at pos of this side's store from rec; on success
    // the store record shows the new values (as this side keeps them).
    virtual bool UpdateContact(const CommAddr& rec, uint32_t pos) = 0;
    // Writes what this side holds only in memory (Palm Desktop data file).
    virtual bool Save() = 0;
    virtual CommAddrMgr& GetStore() = 0;
};

// A list row as the run sees it: the record it shows and its tick.
struct SyncRow {
    CommAddr* rec;
    bool ticked;
};

enum class SyncIcon { Information, Warning, Error };

// What the run asks of the window.
class ISyncCallback {
public:
    virtual ~ISyncCallback() = default;
    virtual void SetBusy(bool busy) = 0;             // hourglass cursor
    virtual void ShowProgress(bool visible) = 0;
    virtual void SetProgress(int percent) = 0;
    virtual void SetRowTicked(bool palmList, size_t row, bool ticked) = 0;
    virtual void ShowMessage(const char* text, const char* caption, SyncIcon icon) = 0;
    // The conflict dialog (opens on "Do Nothing", boxes clear); false for Cancel.
    virtual bool AskConflict(const CommAddr& palmRec, const CommAddr& outlookRec,
                             int32_t& action, bool& applyThisRun, bool& applyAlways) = 0;
    // After a run that changed something: refill both lists from their
    // stores (no reload), mark them and refill the history list.
    virtual void RefreshAfterChange() = 0;
};

struct SyncResult {
    bool ran = false;          // got past its checks (a history entry was made)
    bool saveFailed = false;   // the Palm Desktop data could not be written
    bool changed = false;
    int32_t updated = 0;
    int32_t failedWrites = 0;  // writes a side reported as failed
    bool cancelled = false;
};

class SyncEngine {
public:
    SyncEngine(ISyncSide& palm, ISyncSide& outlook, SyncHistoryMgr& history,
               ISyncCallback& ui);

    // mode 1 Palm Desktop to Outlook, 2 Outlook to Palm Desktop, 3 two-way.
    // confAction is "ConfAction": read for mode 3 and changed by the user's
    // answers. The rows' ticks are updated as the window's would be.
    SyncResult Run(int32_t mode, std::vector<SyncRow>& palmRows,
                   std::vector<SyncRow>& outlookRows, int32_t& confAction);

    static const char* Description(int32_t mode);

private:
    bool RunOneWay(bool fromPalm, std::vector<SyncRow>& rows, SyncResult& r);
    bool RunTwoWay(std::vector<SyncRow>& palmRows, std::vector<SyncRow>& outlookRows,
                   int32_t& confAction, SyncResult& r);
    // Settles one conflict; false when the user cancelled.
    bool Settle(const CommAddr& palmRec, const CommAddr& outlookRec, int32_t& confAction,
                int32_t& action);
    void Count(bool ok, SyncResult& r);

    ISyncSide& m_Palm;
    ISyncSide& m_Outlook;
    SyncHistoryMgr& m_History;
    ISyncCallback& m_Ui;
    bool m_bDecided = false;
    int32_t m_nAction = CONFLICT_NOTHING;

public:
    static constexpr int32_t CONFLICT_PALM_WINS = 1;
    static constexpr int32_t CONFLICT_OUTLOOK_WINS = 2;
    static constexpr int32_t CONFLICT_NOTHING = 3;
};
