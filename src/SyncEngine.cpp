#include "src/SyncEngine.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "common/misc/CxDateTime.h"
#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxText.h"
#include "src/SyncHistory.h"

namespace {

struct ModeText {
    const char* logLine;
    const char* description;
};

const ModeText kModes[] = {
    {"Sync Mode: Palm Desktop to Outlook",
     "Transfer contact information from Palm Desktop to Outlook."},
    {"Sync Mode: Outlook to Palm Desktop.",
     "Transfer contact information from Outlook to Palm Desktop."},
    {"Sync Mode: Two-way Synchronization",
     "Perform two way synchronization between Palm Desktop to Outlook."},
};

int Percent(double value) {
    if (value < 0) return 0;
    return value > 100.0 ? 100 : static_cast<int>(value);
}

double NowOle() {
    CxDateTime now;
    return now.GetOleDate();
}

}  // namespace

SyncEngine::SyncEngine(ISyncSide& palm, ISyncSide& outlook, SyncHistoryMgr& history,
                       ISyncCallback& ui)
    : m_Palm(palm), m_Outlook(outlook), m_History(history), m_Ui(ui) {}

const char* SyncEngine::Description(int32_t mode) {
    return (mode >= 1 && mode <= 3) ? kModes[mode - 1].description : "";
}

void SyncEngine::Count(bool ok, SyncResult& r) {
    if (ok) {
        r.changed = true;
        ++r.updated;
    } else {
        ++r.failedWrites;
    }
}

SyncResult SyncEngine::Run(int32_t mode, std::vector<SyncRow>& palmRows,
                           std::vector<SyncRow>& outlookRows, int32_t& confAction) {
    SyncResult r;
    CX_LOG(2, "Start synchronizing Contacts between Palm Desktop and Outlook.");
    SyncHistoryEntry entry;
    memset(&entry, 0, sizeof(entry));
    entry.dtStart = NowOle();

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
    r.ran = true;

    m_Ui.SetProgress(100);
    entry.dtEnd = NowOle();
    entry.nRecordCount = r.updated;
    CxCopyText(entry.szDescription, Description(mode));
    m_History.AddEntry(&entry);
    m_History.Save(nullptr);

    if (r.changed) m_Ui.RefreshAfterChange();

    m_Ui.ShowProgress(false);
    char text[256];
    snprintf(text, sizeof(text),
             "Contact information synchronized successfully. %d records updated.", r.updated);
    CX_LOG(2, "%s", text);
    if (r.failedWrites == 0 && !r.saveFailed) {
        m_Ui.ShowMessage(text, "Information", SyncIcon::Information);
    } else {
        // The count above covers only what was written; say what was not.
        std::string warn = text;
        if (r.failedWrites > 0) {
            char more[160];
            snprintf(more, sizeof(more),
                     "\r\n\r\n%d records could not be written. The debug log holds the reasons.",
                     r.failedWrites);
            warn += more;
        }
        if (r.saveFailed)
            warn += "\r\n\r\nThe Palm Desktop data could not be saved. The debug log holds the reasons.";
        CX_LOG(0, "%d records could not be written; Palm Desktop save failed: %d", r.failedWrites,
               r.saveFailed ? 1 : 0);
        m_Ui.ShowMessage(warn.c_str(), "Information", SyncIcon::Warning);
    }
    m_Ui.SetBusy(false);
    return r;
}

bool SyncEngine::RunOneWay(bool fromPalm, std::vector<SyncRow>& rows, SyncResult& r) {
    const ModeText& text = kModes[fromPalm ? 0 : 1];
    CX_LOG(2, "%s", text.logLine);
    size_t ticked = 0;
    for (const SyncRow& row : rows) ticked += row.ticked ? 1 : 0;
    if (ticked == 0) {
        m_Ui.ShowMessage(fromPalm ? "No Palm Desktop contact record is selected. \r\n\r\nPlease "
                                    "select the records that you want to update to Outlook."
                                  : "No Outlook contact record is selected.\r\n\r\nPlease select "
                                    "the records that you want to update to Palm Desktop.",
                         "Error", SyncIcon::Error);
        return false;
    }
    ISyncSide& target = fromPalm ? m_Outlook : m_Palm;
    // A false answer is an equal record or a failed write: matching first
    // tells which, since a failed write leaves the store as it was.
    CommMatchIndex targetIndex(target.GetStore());
    const double step = 100.0 / static_cast<double>(ticked);
    for (size_t i = 0; i < rows.size(); ++i) {
        SyncRow& row = rows[i];
        if (!row.ticked) continue;
        if (row.rec) {
            uint32_t pos = 0;
            const int match = targetIndex.Find(row.rec, nullptr, &pos);
            if (target.PutMatched(*row.rec, match, pos)) {
                Count(true, r);
                if (match == MATCH_DIFF) targetIndex.Update(pos);  // merged in place
            } else if (match == MATCH_NEW || match == MATCH_DIFF) {
                Count(false, r);
            }
        }
        row.ticked = false;
        m_Ui.SetRowTicked(fromPalm, i, false);
        m_Ui.SetProgress(Percent(r.updated * step));
    }
    if (!fromPalm && r.changed && !m_Palm.Save()) r.saveFailed = true;
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

bool SyncEngine::RunTwoWay(std::vector<SyncRow>& palmRows, std::vector<SyncRow>& outlookRows,
                           int32_t& confAction, SyncResult& r) {
    CX_LOG(2, "%s", kModes[2].logLine);
    const size_t total = palmRows.size() + outlookRows.size();
    if (total == 0) {
        m_Ui.ShowMessage("No contact information records found. Synchronization abort.", "Error",
                         SyncIcon::Error);
        return false;
    }
    const double step = 100.0 / static_cast<double>(total);
    m_bDecided = confAction == CONFLICT_PALM_WINS || confAction == CONFLICT_OUTLOOK_WINS;
    m_nAction = m_bDecided ? confAction : CONFLICT_NOTHING;

    // Key indexes instead of a walk of the other store per row. Appends are
    // taken in by themselves; every record rewritten in place is announced.
    CommMatchIndex palmIndex(m_Palm.GetStore());
    CommMatchIndex olIndex(m_Outlook.GetStore());

    for (size_t i = 0; i < palmRows.size() && !r.cancelled; ++i) {
        m_Ui.SetProgress(Percent(static_cast<double>(i + 1) * step));
        CommAddr* rec = palmRows[i].rec;
        if (!rec) continue;
        CommAddr* matched = nullptr;
        uint32_t p = 0;
        int res = olIndex.Find(rec, &matched, &p);
        if (res == MATCH_NEW) {
            Count(m_Outlook.AddContact(*rec), r);
        } else if (res == MATCH_DIFF && matched) {
            int32_t action = CONFLICT_NOTHING;
            if (!Settle(*rec, *matched, confAction, action)) {
                r.cancelled = true;
                break;
            }
            if (action == CONFLICT_PALM_WINS) {
                Count(m_Outlook.UpdateContact(*rec, p), r);
                olIndex.Update(p);
            } else if (action == CONFLICT_OUTLOOK_WINS) {
                uint32_t own = 0;
                palmIndex.Find(rec, nullptr, &own);
                const CommAddr source = *matched;  // the Outlook store may change under it
                Count(m_Palm.UpdateContact(source, own), r);
                palmIndex.Update(own);
            }
        }
    }

    const size_t palmCount = palmRows.size();
    for (size_t j = 0; j < outlookRows.size() && !r.cancelled; ++j) {
        m_Ui.SetProgress(Percent(static_cast<double>(palmCount + j + 1) * step));
        CommAddr* rec = outlookRows[j].rec;
        if (!rec) continue;
        CommAddr* matched = nullptr;
        uint32_t p = 0;
        int res = palmIndex.Find(rec, &matched, &p);
        if (res == MATCH_NEW) {
            Count(m_Palm.AddContact(*rec), r);
        } else if (res == MATCH_DIFF && matched) {
            int32_t action = CONFLICT_NOTHING;
            if (!Settle(*matched, *rec, confAction, action)) {
                r.cancelled = true;
                break;
            }
            if (action == CONFLICT_PALM_WINS) {
                uint32_t own = 0;
                olIndex.Find(rec, nullptr, &own);
                const CommAddr source = *matched;
                Count(m_Outlook.UpdateContact(source, own), r);
                olIndex.Update(own);
            } else if (action == CONFLICT_OUTLOOK_WINS) {
                const CommAddr source = *rec;
                Count(m_Palm.UpdateContact(source, p), r);
                palmIndex.Update(p);
            }
        }
    }

    if (!r.cancelled && r.changed && !m_Palm.Save()) r.saveFailed = true;
    return true;
}
