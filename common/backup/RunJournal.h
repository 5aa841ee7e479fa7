// The journal of one run: a UTF-8 CSV file a user can open, one row per
// event, written as the run goes so that a run cut short still leaves what
// it did. Columns: Kind, Side, Contact, Key, Field, Old value, New value,
// Reason. Kinds: "Run" (start, mode), "Backup" (each copy made before the
// first write), "Added", "Changed" (one row per field), "Failed", and
// "Palm file after save" (size, time, SHA-256; the last one counts).
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/backup/BackupFiles.h"
#include "common/misc/CxPlatform.h"

enum class JournalSide { Palm, Outlook };
// "Palm Desktop" or "Outlook".
const char* JournalSideText(JournalSide side);

struct JournalContact {
    std::string name;  // as the list shows it
    std::string key;   // Palm record id or Outlook EntryID
};

// What the run tells its journal; the engine calls it, tests record it.
class IRunJournal {
public:
    virtual ~IRunJournal() = default;
    virtual void ContactAdded(JournalSide side, const JournalContact& contact) = 0;
    virtual void FieldChanged(JournalSide side, const JournalContact& contact,
                              const std::string& field, const std::string& oldValue,
                              const std::string& newValue) = 0;
    virtual void WriteFailed(JournalSide side, const JournalContact& contact,
                             const std::string& reason) = 0;
    // The Palm Desktop file after the run's save (for 6.x after its last write).
    virtual void PalmFileSaved(const BackupFileState& state) = 0;
};

namespace journal {
constexpr const char* kRun = "Run";
constexpr const char* kBackup = "Backup";
constexpr const char* kAdded = "Added";
constexpr const char* kChanged = "Changed";
constexpr const char* kFailed = "Failed";
constexpr const char* kPalmAfter = "Palm file after save";
}  // namespace journal

class RunJournal : public IRunJournal {
public:
    RunJournal() = default;
    ~RunJournal() override;
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    // Creates the journal (never over an existing one) and writes the
    // header and the run's start and mode.
    bool Open(const std::string& path, const CxSystemTime& start, const std::string& mode,
              std::string& error);
    // A copy made before the run's first write; fileName is inside the
    // run's backup folder.
    void BackupMade(JournalSide side, const std::string& fileName, const BackupFileState& state);

    void ContactAdded(JournalSide side, const JournalContact& contact) override;
    void FieldChanged(JournalSide side, const JournalContact& contact, const std::string& field,
                      const std::string& oldValue, const std::string& newValue) override;
    void WriteFailed(JournalSide side, const JournalContact& contact,
                     const std::string& reason) override;
    void PalmFileSaved(const BackupFileState& state) override;

    // Puts the journal on disk and closes it; false when any row was lost.
    bool Close(std::string& error);
    // False once a row could not be written; Error says which.
    bool Ok() const { return m_error.empty(); }
    const std::string& Error() const { return m_error; }

private:
    struct Closer {
        void operator()(FILE* f) const {
            if (f) fclose(f);
        }
    };
    void Row(const std::vector<std::string>& fields);
    void StateRows(const char* kind, JournalSide side, const std::string& fileName,
                   const BackupFileState& state);

    std::unique_ptr<FILE, Closer> m_file;
    std::string m_path;
    std::string m_error;
};

// One row of a journal, as written.
struct JournalRow {
    std::string kind, side, contact, key, field, oldValue, newValue, reason;
};

struct RunJournalData {
    std::vector<JournalRow> rows;  // every row after the header, in order
    std::string start;             // "2026-12-11 00:28:47.123"
    std::string mode;
    bool hasPalmBackup = false;
    std::string palmBackupName;
    BackupFileState palmBackup;
    bool hasOutlookBackup = false;
    std::string outlookBackupName;
    bool hasPalmAfter = false;
    BackupFileState palmAfter;  // the last state written
};

// Reads a journal. On damage returns false with the line number in error;
// out then holds the rows read before it.
bool ReadRunJournal(const std::string& path, RunJournalData& out, std::string& error);

// What a run did, for the Restore list: contacts by side.
struct RunJournalCounts {
    int32_t added[2] = {0, 0};    // by JournalSide
    int32_t changed[2] = {0, 0};  // contacts, however many fields
    int32_t failed[2] = {0, 0};   // failed writes
};
RunJournalCounts CountRunJournal(const RunJournalData& data);
