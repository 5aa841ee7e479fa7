// The synchronization run, apart from any window: it walks the rows of the
// two lists, writes through the two sides and reports through a callback
// interface that the main window implements (and tests fake).
#pragma once

#include <cstdint>
#include <vector>

#include "common/addr/CommAddr.h"
#include "src/SyncMessages.h"

class SyncHistoryMgr;

// One side of a run. The Palm Desktop facade and the Outlook writer both
// satisfy it (through small adapters in the window code).
class ISyncSide {
public:
    virtual ~ISyncSide() = default;
    // A new record on this side; on success the side's store holds it as
    // this side keeps it (what a fresh load would give).
    virtual bool AddContact(const CommAddr& rec) = 0;
    // Rewrites the record at pos of this side's store from rec; on success
    // the store record shows what this side now holds.
    virtual bool UpdateContact(const CommAddr& rec, uint32_t pos) = 0;
    // False when UpdateContact(rec, pos) would leave what this side holds
    // as it is, after this side's own conversion and merge.
    virtual bool WouldChange(const CommAddr& rec, uint32_t pos) = 0;
    // Writes what this side holds only in memory (Palm Desktop data file).
    virtual bool Save() = 0;
    virtual CommAddrMgr& GetStore() = 0;

    virtual CommSideState GetSideState() const { return SIDE_AVAILABLE; }
    // The data behind the side changed since it was loaded.
    virtual bool ChangedSinceLoad() const { return false; }
    // The last Save wrote nothing because the data had changed since the load.
    virtual bool LastSaveFoundChange() const { return false; }
    // Changes wait in memory for Save (an address.dat) instead of being
    // written as they are made.
    virtual bool SavesAtEnd() const { return false; }
    // Listed contacts that could not be read whole.
    virtual uint32_t UnreadableCount() const { return 0; }
};

// A list row as the run sees it: the record it shows and its tick.
struct SyncRow {
    CommAddr* rec;
    bool ticked;
};

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
    // The Palm Desktop side's memory no longer tells what its file holds
    // (changes not saved, or the file changed meanwhile): load it afresh,
    // refill both lists, mark them and refill the history list.
    virtual void ReloadPalmAfterRun() = 0;
};

struct SyncResult {
    bool ran = false;          // got past its checks (a history entry was made)
    bool saveFailed = false;   // the Palm Desktop data could not be written
    bool changed = false;
    int32_t updated = 0;
    int32_t failedWrites = 0;  // writes a side reported as failed
    bool cancelled = false;
    int32_t stillDiffer = 0;   // handled pairs that still differ
    int32_t ambiguous = 0;     // source records left out for a repeated key
    int32_t palmWrites = 0;    // of updated: made to Palm Desktop
    bool changedMeanwhile = false;  // the Palm Desktop data changed since its load
    bool palmReloaded = false;
    SyncRefusal refusal = SyncRefusal::None;
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

    static const char* Description(int32_t mode) { return SyncModeDescription(mode); }

    // Why the sides' states refuse a run of this mode (None when it may run).
    SyncRefusal CheckSides(int32_t mode) const;

private:
    struct Pass;
    bool RunOneWay(bool fromPalm, std::vector<SyncRow>& rows, SyncResult& r);
    bool RunTwoWay(std::vector<SyncRow>& palmRows, std::vector<SyncRow>& outlookRows,
                   int32_t& confAction, SyncResult& r);
    // Settles one conflict; false when the user cancelled.
    bool Settle(const CommAddr& palmRec, const CommAddr& outlookRec, int32_t& confAction,
                int32_t& action);
    // Writes source over the target's record at pos unless that changes
    // nothing; the pair is remembered for the "still differ" count.
    void Overwrite(ISyncSide& target, const CommAddr& source, uint32_t pos, CommMatchIndex& index,
                   SyncResult& r);
    void Count(bool ok, bool toPalm, SyncResult& r);
    void Finish(int32_t mode, double start, SyncResult& r);

    ISyncSide& m_Palm;
    ISyncSide& m_Outlook;
    SyncHistoryMgr& m_History;
    ISyncCallback& m_Ui;
    bool m_bDecided = false;
    int32_t m_nAction = CONFLICT_NOTHING;
    // Pairs a run wrote or found unchanged: (source, target record).
    std::vector<std::pair<const CommAddr*, const CommAddr*>> m_Handled;

public:
    static constexpr int32_t CONFLICT_PALM_WINS = 1;
    static constexpr int32_t CONFLICT_OUTLOOK_WINS = 2;
    static constexpr int32_t CONFLICT_NOTHING = 3;
};
