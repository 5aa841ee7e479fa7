// The Outlook half of backups and Restore: reads, whole and in UTF-8, the
// properties a write is about to change, and puts such values back on
// Restore. It shares the Outlook session of the other OlBaseUtil objects.
// Windows only.
#pragma once

#ifdef _WIN32

#include <cstdint>
#include <string>
#include <vector>

#include "common/backup/OlBackupFile.h"
#include "common/outlook/OlComm.h"

// A value of a contact that is not what the run left there.
struct OlRestoreDifference {
    std::string property;
    std::string runValue;      // what the run wrote
    std::string currentValue;  // what Outlook holds now
};

// The questions Restore asks; the window asks the user, tests answer.
class IOlRestoreAsk {
public:
    virtual ~IOlRestoreAsk() = default;
    // The contact was changed after the run: true puts the values from
    // before the run back anyway, false leaves it as it is.
    virtual bool RestoreChangedContact(const std::string& entryId, const std::string& who,
                                       const std::vector<OlRestoreDifference>& differences) = 0;
    // True moves the count contacts the run added to Deleted Items.
    virtual bool MoveAddedToDeletedItems(int32_t count) = 0;
};

// One value the run wrote (from its journal), by Outlook property name.
struct OlRunValue {
    std::string entryId;
    std::string property;
    std::string value;
};

struct OlRestoreResult {
    int32_t restored = 0;     // contacts given their values back
    int32_t kept = 0;         // changed after the run, left as they are
    int32_t failed = 0;       // contacts that could not be restored
    int32_t moved = 0;        // added contacts moved to Deleted Items
    int32_t notMoved = 0;     // added contacts the user kept
    int32_t moveFailed = 0;   // added contacts that could not be moved
    std::vector<std::string> reasons;  // one line per failure
};

class OlBackupIo : public OlBaseUtil {
public:
    // Reads each named property of the item with this EntryID whole into
    // out (texts as UTF-8, dates as their OLE number, none as ""). False,
    // with the reason, when the item is gone or any read is refused: the
    // write that was to follow must not be made.
    bool ReadProperties(const std::string& entryId, const std::vector<std::string>& properties,
                        OlBackupContact& out, std::string& error);

    // Puts the values from before the run back on every contact of the
    // backup (empty texts clear, an empty date is Outlook's "no date"),
    // asking first about contacts whose values are no longer the run's;
    // then, when the user agrees, moves the contacts the run added to
    // Deleted Items. Nothing is deleted outright.
    OlRestoreResult Restore(const OlBackupData& backup, const std::vector<OlRunValue>& runValues,
                            IOlRestoreAsk& ask);
};

#endif  // _WIN32
