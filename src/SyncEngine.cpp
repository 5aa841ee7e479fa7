#include "src/SyncEngine.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "common/misc/CxDateTime.h"
#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxText.h"
#include "src/SyncHistory.h"

namespace {

int Percent(double value) {
    if (value < 0) return 0;
    return value > 100.0 ? 100 : static_cast<int>(value);
}

double NowOle() {
    CxDateTime now;
    return now.GetOleDate();
}

using RecordSet = std::unordered_set<const CommAddr*>;

// Records of the given set whose key another record of the set shares
// with other compared values: which of them a target would end up with
// depends on the order, so none of them is written.
RecordSet Ambiguous(CommAddrMgr& store, const RecordSet& taking) {
    RecordSet out;
    CommMatchIndex index(store);
    uint32_t n = 0;
    const int32_t* compared = store.GetCompareFields(&n);
    std::vector<uint32_t> same;
    for (const CommAddr* rec : taking) {
        if (store.KeyEmpty(*rec)) continue;  // such records match only their equals
        index.FindKeyMatches(rec, same);
        for (uint32_t pos : same) {
            const CommAddr* other = store.GetAt(pos);
            if (other != rec && taking.count(other) && !store.FieldsEqual(other, rec, compared, n)) {
                out.insert(rec);
                break;
            }
        }
    }
    return out;
}

std::unordered_map<const CommAddr*, uint32_t> Positions(CommAddrMgr& store) {
    std::unordered_map<const CommAddr*, uint32_t> at;
    at.reserve(store.GetCount());
    for (uint32_t i = 0; i < store.GetCount(); ++i) at.emplace(store.GetAt(i), i);
    return at;
}

bool Unreadable(const CommAddr* rec) { return rec && (rec->m_nFlags & ADDR_FLAG_UNREADABLE) != 0; }

}  // namespace

SyncEngine::SyncEngine(ISyncSide& palm, ISyncSide& outlook, SyncHistoryMgr& history,
                       ISyncCallback& ui)
    : m_Palm(palm), m_Outlook(outlook), m_History(history), m_Ui(ui) {}

void SyncEngine::Count(bool ok, bool toPalm, SyncResult& r) {
    if (ok) {
        r.changed = true;
        ++r.updated;
        if (toPalm) ++r.palmWrites;
    } else {
        ++r.failedWrites;
    }
}

SyncRefusal SyncEngine::CheckSides(int32_t mode) const {
    if (m_Palm.GetSideState() == SIDE_UNAVAILABLE) return SyncRefusal::PalmUnavailable;
    if (m_Outlook.GetSideState() == SIDE_UNAVAILABLE) return SyncRefusal::OutlookUnavailable;
    const bool writesPalm = mode == 2 || mode == 3;
    const bool writesOutlook = mode == 1 || mode == 3;
    if (writesPalm && m_Palm.GetSideState() == SIDE_READONLY) return SyncRefusal::PalmReadOnly;
    if (writesOutlook && m_Outlook.GetSideState() == SIDE_READONLY) return SyncRefusal::OutlookReadOnly;
    if (m_Palm.ChangedSinceLoad()) return SyncRefusal::PalmChanged;
    return SyncRefusal::None;
}

SyncResult SyncEngine::Run(int32_t mode, std::vector<SyncRow>& palmRows,
                           std::vector<SyncRow>& outlookRows, int32_t& confAction) {
    SyncResult r;
    CX_LOG(2, "Start synchronizing Contacts between Palm Desktop and Outlook.");
    m_Handled.clear();
    r.refusal = CheckSides(mode);
    if (r.refusal != SyncRefusal::None) {
        const char* text = SyncRefusalText(r.refusal);
        CX_LOG(2, "%s", text);
        if (r.refusal == SyncRefusal::PalmChanged) {
            // Nothing is written from lists that no longer tell what the file holds.
            r.changedMeanwhile = true;
            m_Ui.ReloadPalmAfterRun();
            r.palmReloaded = true;
            m_Ui.ShowMessage(text, "Warning", SyncIcon::Warning);
        } else {
            m_Ui.ShowMessage(text, "Error", SyncIcon::Error);
        }
        return r;
    }
    const double start = NowOle();

    m_Ui.SetBusy(true);
    m_Ui.SetProgress(0);
    m_Ui.ShowProgress(true);

    bool goOn = true;
    if (mode == 1 || mode == 2)
        goOn = RunOneWay(mode == 1, mode == 1 ? palmRows : outlookRows, r);
    else if (mode == 3)
        goOn = RunTwoWay(palmRows, outlookRows, confAction, r);
    if (!goOn) {
        m_Ui.ShowProgress(false);
        m_Ui.SetBusy(false);
        return r;
    }
    Finish(mode, start, r);
    m_Ui.SetBusy(false);
    return r;
}

void SyncEngine::Finish(int32_t mode, double start, SyncResult& r) {
    r.ran = true;
    m_Ui.SetProgress(100);
    {
        std::set<std::pair<const CommAddr*, const CommAddr*>> pairs(m_Handled.begin(), m_Handled.end());
        uint32_t n = 0;
        const int32_t* compared = m_Palm.GetStore().GetCompareFields(&n);
        for (const auto& [source, target] : pairs)
            if (!m_Palm.GetStore().FieldsEqual(source, target, compared, n)) ++r.stillDiffer;
    }
    // What Palm Desktop holds in memory and not in its file is dropped: a
    // later save must not write what this run's message calls unsaved.
    const bool unsaved = m_Palm.SavesAtEnd() && r.palmWrites > 0 && (r.cancelled || r.saveFailed);
    if (r.saveFailed && m_Palm.LastSaveFoundChange()) {
        r.changedMeanwhile = true;
        r.saveFailed = false;  // told by the line of its own
    }

    SyncOutcome o;
    o.mode = mode;
    o.updated = r.updated;
    o.failedWrites = r.failedWrites;
    o.saveFailed = r.saveFailed;
    o.cancelled = r.cancelled;
    o.palmIsFile = m_Palm.SavesAtEnd();
    o.stillDiffer = r.stillDiffer;
    o.ambiguous = r.ambiguous;
    o.unreadable = m_Outlook.UnreadableCount();
    o.changedMeanwhile = r.changedMeanwhile;
    const SyncMessage message = FinalSyncMessage(o);

    // A run whose only writes went to a Palm Desktop file that changed
    // meanwhile wrote nothing at all: it leaves no history entry.
    const bool wroteNothing = r.changedMeanwhile && r.updated == r.palmWrites;
    if (!wroteNothing) {
        SyncHistoryEntry entry;
        memset(&entry, 0, sizeof(entry));
        entry.dtStart = start;
        entry.dtEnd = NowOle();
        entry.nRecordCount = r.updated;
        CxCopyText(entry.szDescription, message.description.c_str());
        m_History.AddEntry(&entry);
        m_History.Save(nullptr);
    }
    m_Handled.clear();  // its records may go with a reload

    if (unsaved || r.changedMeanwhile) {
        m_Ui.ReloadPalmAfterRun();
        r.palmReloaded = true;
    } else if (r.changed) {
        m_Ui.RefreshAfterChange();
    }

    m_Ui.ShowProgress(false);
    LogSyncMessage(message);
    m_Ui.ShowMessage(message.text.c_str(), message.caption, message.icon);
}

void SyncEngine::Overwrite(ISyncSide& target, const CommAddr& source, uint32_t pos,
                           CommMatchIndex& index, SyncResult& r) {
    const CommAddr* stored = target.GetStore().GetAt(pos);
    if (!stored) return;
    if (target.WouldChange(source, pos)) {
        Count(target.UpdateContact(source, pos), &target == &m_Palm, r);
        index.Update(pos);
    }
    m_Handled.emplace_back(&source, stored);
}

bool SyncEngine::RunOneWay(bool fromPalm, std::vector<SyncRow>& rows, SyncResult& r) {
    CX_LOG(2, "%s", SyncModeLogLine(fromPalm ? 1 : 2));
    RecordSet ticked;
    size_t tickedRows = 0;
    for (const SyncRow& row : rows) {
        if (!row.ticked) continue;
        ++tickedRows;
        if (row.rec) ticked.insert(row.rec);
    }
    if (tickedRows == 0) {
        m_Ui.ShowMessage(fromPalm ? "No Palm Desktop contact record is selected. \r\n\r\nPlease "
                                    "select the records that you want to update to Outlook."
                                  : "No Outlook contact record is selected.\r\n\r\nPlease select "
                                    "the records that you want to update to Palm Desktop.",
                         "Error", SyncIcon::Error);
        return false;
    }
    ISyncSide& source = fromPalm ? m_Palm : m_Outlook;
    ISyncSide& target = fromPalm ? m_Outlook : m_Palm;
    const RecordSet ambiguous = Ambiguous(source.GetStore(), ticked);
    CommMatchIndex targetIndex(target.GetStore());
    const double step = 100.0 / static_cast<double>(tickedRows);
    for (size_t i = 0; i < rows.size(); ++i) {
        SyncRow& row = rows[i];
        if (!row.ticked) continue;
        if (ambiguous.count(row.rec)) {
            ++r.ambiguous;
        } else if (row.rec && !Unreadable(row.rec)) {
            CommAddr* matched = nullptr;
            uint32_t pos = 0;
            const int match = targetIndex.Find(row.rec, &matched, &pos);
            if (match == MATCH_NEW)
                Count(target.AddContact(*row.rec), !fromPalm, r);
            else if (match == MATCH_DIFF && !Unreadable(matched))
                Overwrite(target, *row.rec, pos, targetIndex, r);
        }
        row.ticked = false;
        m_Ui.SetRowTicked(fromPalm, i, false);
        m_Ui.SetProgress(Percent(r.updated * step));
    }
    if (!fromPalm && r.palmWrites > 0 && !m_Palm.Save()) r.saveFailed = true;
    return true;
}

bool SyncEngine::Settle(const CommAddr& palmRec, const CommAddr& outlookRec, int32_t& confAction,
                        int32_t& action) {
    if (m_bDecided) {
        action = m_nAction;
        return true;
    }
    int32_t chosen = CONFLICT_NOTHING;
    bool thisRun = false, always = false;
    if (!m_Ui.AskConflict(palmRec, outlookRec, chosen, thisRun, always)) {
        confAction = CONFLICT_NOTHING;
        return false;
    }
    if (chosen < CONFLICT_PALM_WINS || chosen > CONFLICT_NOTHING) chosen = CONFLICT_NOTHING;
    action = chosen;
    if (thisRun || always) {
        m_bDecided = true;
        m_nAction = chosen;
    }
    if (always && (chosen == CONFLICT_PALM_WINS || chosen == CONFLICT_OUTLOOK_WINS))
        confAction = chosen;
    return true;
}

// One pass of the two-way run: the rows of one side against the other.
struct SyncEngine::Pass {
    bool palmRows;  // the rows are Palm Desktop's
    ISyncSide& own;
    ISyncSide& other;
    CommMatchIndex& ownIndex;
    CommMatchIndex& otherIndex;
    const std::unordered_map<const CommAddr*, uint32_t>& ownPos;
    const RecordSet& ownAmbiguous;
    const RecordSet& otherAmbiguous;
};

bool SyncEngine::RunTwoWay(std::vector<SyncRow>& palmRows, std::vector<SyncRow>& outlookRows,
                           int32_t& confAction, SyncResult& r) {
    CX_LOG(2, "%s", SyncModeLogLine(3));
    const size_t total = palmRows.size() + outlookRows.size();
    if (total == 0) {
        m_Ui.ShowMessage("No contact information records found. Synchronization abort.", "Error",
                         SyncIcon::Error);
        return false;
    }
    const double step = 100.0 / static_cast<double>(total);
    m_bDecided = confAction == CONFLICT_PALM_WINS || confAction == CONFLICT_OUTLOOK_WINS;
    m_nAction = m_bDecided ? confAction : CONFLICT_NOTHING;

    // Every listed row takes part, ticked or not.
    auto taking = [](const std::vector<SyncRow>& rows) {
        RecordSet set;
        for (const SyncRow& row : rows)
            if (row.rec) set.insert(row.rec);
        return set;
    };
    const RecordSet palmAmbiguous = Ambiguous(m_Palm.GetStore(), taking(palmRows));
    const RecordSet olAmbiguous = Ambiguous(m_Outlook.GetStore(), taking(outlookRows));
    const auto palmPos = Positions(m_Palm.GetStore());
    const auto olPos = Positions(m_Outlook.GetStore());

    // Key indexes instead of a walk of the other store per row. Appends are
    // taken in by themselves; every record rewritten in place is announced.
    CommMatchIndex palmIndex(m_Palm.GetStore());
    CommMatchIndex olIndex(m_Outlook.GetStore());
    const Pass passes[2] = {
        {true, m_Palm, m_Outlook, palmIndex, olIndex, palmPos, palmAmbiguous, olAmbiguous},
        {false, m_Outlook, m_Palm, olIndex, palmIndex, olPos, olAmbiguous, palmAmbiguous},
    };
    size_t done = 0;
    for (const Pass& pass : passes) {
        const std::vector<SyncRow>& rows = pass.palmRows ? palmRows : outlookRows;
        for (size_t i = 0; i < rows.size() && !r.cancelled; ++i) {
            m_Ui.SetProgress(Percent(static_cast<double>(++done) * step));
            CommAddr* rec = rows[i].rec;
            if (!rec || Unreadable(rec)) continue;
            if (pass.ownAmbiguous.count(rec)) {
                ++r.ambiguous;
                continue;
            }
            CommAddr* matched = nullptr;
            uint32_t p = 0;
            const int res = pass.otherIndex.Find(rec, &matched, &p);
            if (res == MATCH_NEW) {
                Count(pass.other.AddContact(*rec), !pass.palmRows, r);
                continue;
            }
            if (res != MATCH_DIFF || !matched || Unreadable(matched) || pass.otherAmbiguous.count(matched))
                continue;
            int32_t action = CONFLICT_NOTHING;
            const CommAddr& palmRec = pass.palmRows ? *rec : *matched;
            const CommAddr& olRec = pass.palmRows ? *matched : *rec;
            if (!Settle(palmRec, olRec, confAction, action)) {
                r.cancelled = true;
                break;
            }
            if (action == CONFLICT_NOTHING) continue;
            // The winner's record overwrites the loser's, wherever each one is.
            const bool ownWins = (action == CONFLICT_PALM_WINS) == pass.palmRows;
            if (ownWins) {
                Overwrite(pass.other, *rec, p, pass.otherIndex, r);
            } else {
                const auto own = pass.ownPos.find(rec);
                if (own != pass.ownPos.end()) Overwrite(pass.own, *matched, own->second, pass.ownIndex, r);
            }
        }
    }

    if (!r.cancelled && r.palmWrites > 0 && !m_Palm.Save()) r.saveFailed = true;
    return true;
}
