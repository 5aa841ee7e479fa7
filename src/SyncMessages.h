// Every text a run ends with, in one table: the final message, its icon and
// the history description, from what the run did. Nothing else words them.
#pragma once

#include <cstdint>
#include <string>

enum class SyncIcon { Information, Warning, Error };

// What a run did, as far as its final message tells it.
struct SyncOutcome {
    int32_t mode = 0;           // 1, 2, 3
    int32_t updated = 0;        // records written
    int32_t failedWrites = 0;   // writes a side refused
    bool saveFailed = false;    // the Palm Desktop data could not be saved
    bool cancelled = false;     // in the conflict dialog
    bool palmIsFile = false;    // Palm Desktop keeps an address.dat (saved at the end)
    int32_t stillDiffer = 0;    // pairs written or found unchanged that still differ
    int32_t ambiguous = 0;      // source records left out: another has the same key
    uint32_t unreadable = 0;    // Outlook contacts listed but not read whole
    bool changedMeanwhile = false;  // the Palm Desktop file changed since its load
};

struct SyncMessage {
    std::string text;         // lines joined by an empty line
    const char* caption;
    SyncIcon icon;
    std::string description;  // for the history entry
};

// The mode's history description ("" outside 1..3).
const char* SyncModeDescription(int32_t mode);
// The mode's log line ("" outside 1..3).
const char* SyncModeLogLine(int32_t mode);

// The final message of a run that got past its checks.
SyncMessage FinalSyncMessage(const SyncOutcome& outcome);
// Logs each line of the message at level 2.
void LogSyncMessage(const SyncMessage& message);

// A run that did not start because of a side's state.
enum class SyncRefusal { None, PalmUnavailable, OutlookUnavailable, PalmReadOnly, OutlookReadOnly, PalmChanged };
const char* SyncRefusalText(SyncRefusal refusal);
