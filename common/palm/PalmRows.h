// The rows of the classic and 4.1.x files, read and written without loss:
// a text longer than its fixed field keeps its whole stored bytes beside
// the field, and the schema and row-count steps are shared by both formats.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/palm/PalmComm.h"

// The whole stored texts of one record that its fixed fields cannot hold
// (too long, or holding a zero byte), each keyed by the field's byte offset
// in the record, so the key does not depend on how columns map to fields.
// Most records have none: an empty holder costs one empty vector.
class PmWholeTexts {
public:
    const std::string* Find(size_t offset) const;
    void Set(size_t offset, std::string text);
    void Erase(size_t offset);
    bool Empty() const { return m_items.empty(); }
    size_t Count() const { return m_items.size(); }
    bool operator==(const PmWholeTexts& o) const { return m_items == o.m_items; }

private:
    std::vector<std::pair<size_t, std::string>> m_items;  // sorted by offset
};

// A text as a reader sees it: at most 'width' bytes, maybe unterminated.
struct PmTextView {
    const char* text;
    size_t width;
};

// Whether 'field' (of 'width' bytes with the terminator) holds what a fixed
// field keeps of 'whole': the bytes before the first zero, at most width - 1.
bool PmIsCutOf(const char* field, size_t width, const std::string& whole);

// The text of a fixed field: its kept whole text while the field still holds
// that text's cut, else the field itself.
PmTextView PmWholeOf(const PmWholeTexts& texts, const void* record, const char* field,
                     size_t width);
template <typename Record, size_t N>
PmTextView PmWholeOf(const Record& record, const char (&field)[N]) {
    return PmWholeOf(record.whole, &record, field, N);
}

inline size_t PmFieldOffset(const void* record, const void* field) {
    return static_cast<size_t>(static_cast<const char*>(field) -
                               static_cast<const char*>(record));
}

// Log texts of a schema block, which each format words its own way; null
// where the format logs nothing.
struct PmSchemaTexts {
    const char* readResourceId;
    const char* readFieldsPerRow;
    const char* readRecordIdPos;
    const char* readStatusPos;
    const char* readPlacementPos;
    const char* readFieldCount;
    const char* readFieldType;  // %d: the index
    const char* writeResourceId;
    const char* writeFieldsPerRow;
    const char* writeRecordIdPos;
    const char* writeStatusPos;
    const char* writePlacementPos;
    const char* writeFieldCount;
    const char* writeFieldType;  // %d: the index
    bool logValues;              // 4.1.x lists each value as read
    // Writes one line to the log from the format's own source, so its lines
    // read as they always did.
    void (*log)(int level, const char* format, int a, int b);
};

// The shared row steps of a file whose contacts are rows of typed values.
class PmRowCodec {
public:
    explicit PmRowCodec(PmDBUtil& db) : m_db(db) {}

    // One row into 'record'; column(c) says where column c lives. Texts that
    // their field cannot hold whole are kept in 'whole'.
    template <typename ColumnFn>
    bool ReadRow(uint32_t columns, const void* record, PmWholeTexts& whole, ColumnFn column) {
        whole = PmWholeTexts();
        for (uint32_t c = 0; c < columns; ++c)
            if (!ReadValue(column(c), record, whole)) return false;
        return true;
    }
    // One row: a text whose field still holds the cut of its kept whole text
    // is written whole.
    template <typename ColumnFn>
    bool WriteRow(uint32_t columns, const void* record, const PmWholeTexts& whole,
                  ColumnFn column) {
        for (uint32_t c = 0; c < columns; ++c)
            if (!WriteValue(column(c), record, whole)) return false;
        return true;
    }

    // Whether the bytes from the position on hold one more complete row of
    // the schema: each value of a type code the column's schema type allows.
    // Moves the position.
    bool ProbeRow(uint32_t columns, const uint16_t* types, uint32_t known);

    bool ReadValue(const PmColumnRef& column, const void* record, PmWholeTexts& whole);
    bool WriteValue(const PmColumnRef& column, const void* record, const PmWholeTexts& whole);

private:
    PmDBUtil& m_db;
    std::string m_text;  // reused for every text read
};

// The schema block as read: resource ID, fields per row, the positions of
// record ID, status and placement, and the field count.
struct PmSchemaValues {
    uint32_t resourceId = 74;
    uint32_t fieldsPerRow = 0;
    uint32_t recordIdPos = 0;
    uint32_t statusPos = 0;
    uint32_t placementPos = 0;
    uint16_t fieldCount = 0;
};
// Reads the block; type codes beyond 'known' columns are read and not kept.
bool PmReadSchema(PmDBUtil& db, PmSchemaValues& s, uint16_t* types, uint32_t known,
                  const PmSchemaTexts& texts);
bool PmWriteSchema(PmDBUtil& db, const PmSchemaValues& s, const uint16_t* types, uint32_t known,
                   const PmSchemaTexts& texts);

// Says how many bytes follow the last row and what they hold.
void PmLogAfterRows(uint64_t bytes, bool furtherRow);

// A data file whose contacts are rows of typed values behind a schema block:
// the resource ID, where the record ID, status and placement sit in a row,
// and a type code per column, kept for the N columns the format knows.
template <uint32_t N>
class PmRowFileUtil : public PmDBUtil {
public:
    uint32_t GetResourceId() const { return m_nResourceId; }
    uint32_t GetFieldsPerRow() const { return m_nFieldsPerRow; }
    uint32_t GetRecordIdPosition() const { return m_nRecordIdPos; }
    uint32_t GetStatusPosition() const { return m_nStatusPos; }
    uint32_t GetPlacementPosition() const { return m_nPlacementPos; }
    uint16_t GetFieldCount() const { return m_nFieldCount; }
    // Type codes beyond the known columns are not kept (0).
    uint16_t GetFieldType(uint32_t index) const { return index < N ? m_nFieldTypes[index] : 0; }
    // Whether a save can write the schema and rows as they were read.
    bool IsSchemaWritable() const {
        return m_nFieldsPerRow != 0 && m_nFieldsPerRow <= N && m_nFieldCount == m_nFieldsPerRow;
    }
    // Bytes of the loaded file after its last announced row.
    uint64_t GetBytesAfterRows() const { return m_nBytesAfterRows; }
    // Those bytes hold at least one more complete row: the row count may be
    // damaged, and a save would drop contacts.
    bool HasFurtherRow() const { return m_bFurtherRow; }

protected:
    // The schema of a new file of the format.
    void ResetSchema(uint32_t statusPos, uint32_t placementPos, const uint16_t (&types)[N]) {
        m_nResourceId = 74;
        m_nFieldsPerRow = N;
        m_nRecordIdPos = 0;
        m_nStatusPos = statusPos;
        m_nPlacementPos = placementPos;
        m_nFieldCount = N;
        memcpy(m_nFieldTypes, types, sizeof(m_nFieldTypes));
        m_nBytesAfterRows = 0;
        m_bFurtherRow = false;
    }

    bool LoadSchemaBlock(const PmSchemaTexts& texts) {
        PmSchemaValues s;
        const bool ok = PmReadSchema(*this, s, m_nFieldTypes, N, texts);
        m_nResourceId = s.resourceId;
        m_nFieldsPerRow = s.fieldsPerRow;
        m_nRecordIdPos = s.recordIdPos;
        m_nStatusPos = s.statusPos;
        m_nPlacementPos = s.placementPos;
        m_nFieldCount = s.fieldCount;
        return ok;
    }
    bool SaveSchemaBlock(const PmSchemaTexts& texts) {
        PmSchemaValues s;
        s.resourceId = m_nResourceId;
        s.fieldsPerRow = m_nFieldsPerRow;
        s.recordIdPos = m_nRecordIdPos;
        s.statusPos = m_nStatusPos;
        s.placementPos = m_nPlacementPos;
        s.fieldCount = m_nFieldCount;
        return PmWriteSchema(*this, s, m_nFieldTypes, N, texts);
    }

    // The number of values before the rows; false when it does not fit 32
    // bits or cannot be written.
    bool WriteValueCount(size_t rows) {
        const uint64_t total = static_cast<uint64_t>(rows) * m_nFieldsPerRow;
        return total <= UINT32_MAX && WriteU32(static_cast<uint32_t>(total));
    }

    // After the announced rows: notes how many bytes follow and whether they
    // hold a further complete row (logged).
    void CheckAfterRows() {
        m_nBytesAfterRows = GetRemaining();
        m_bFurtherRow = false;
        if (m_nBytesAfterRows == 0 || !IsSchemaWritable()) return;
        PmRowCodec codec(*this);
        m_bFurtherRow = codec.ProbeRow(m_nFieldsPerRow, m_nFieldTypes, N);
        PmLogAfterRows(m_nBytesAfterRows, m_bFurtherRow);
    }

    uint32_t m_nResourceId = 74;
    uint32_t m_nFieldsPerRow = N;
    uint32_t m_nRecordIdPos = 0;
    uint32_t m_nStatusPos = 0;
    uint32_t m_nPlacementPos = 0;
    uint16_t m_nFieldCount = N;
    uint16_t m_nFieldTypes[N] = {};
    uint64_t m_nBytesAfterRows = 0;
    bool m_bFurtherRow = false;
};

