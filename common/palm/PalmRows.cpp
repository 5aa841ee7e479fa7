#include "common/palm/PalmRows.h"

#include <algorithm>

#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxText.h"

// -------------------------------------------------------------- PmWholeTexts

namespace {

using Item = std::pair<size_t, std::string>;

bool ByOffset(const Item& item, size_t offset) { return item.first < offset; }

}  // namespace

const std::string* PmWholeTexts::Find(size_t offset) const {
    auto it = std::lower_bound(m_items.begin(), m_items.end(), offset, ByOffset);
    return it != m_items.end() && it->first == offset ? &it->second : nullptr;
}

void PmWholeTexts::Set(size_t offset, std::string text) {
    auto it = std::lower_bound(m_items.begin(), m_items.end(), offset, ByOffset);
    if (it != m_items.end() && it->first == offset)
        it->second = std::move(text);
    else
        m_items.emplace(it, offset, std::move(text));
}

void PmWholeTexts::Erase(size_t offset) {
    auto it = std::lower_bound(m_items.begin(), m_items.end(), offset, ByOffset);
    if (it != m_items.end() && it->first == offset) m_items.erase(it);
}

bool PmIsCutOf(const char* field, size_t width, const std::string& whole) {
    if (!field || width == 0) return false;
    const size_t cut = std::min(strnlen(whole.c_str(), whole.size()), width - 1);
    return strnlen(field, width) == cut && memcmp(field, whole.data(), cut) == 0;
}

PmTextView PmWholeOf(const PmWholeTexts& texts, const void* record, const char* field,
                     size_t width) {
    const std::string* whole = texts.Find(PmFieldOffset(record, field));
    if (whole && PmIsCutOf(field, width, *whole)) return {whole->c_str(), whole->size() + 1};
    return {field, width};
}

// ---------------------------------------------------------------- PmRowCodec

bool PmRowCodec::ReadValue(const PmColumnRef& column, const void* record, PmWholeTexts& whole) {
    if (column.kind != PmColKind::Text) return m_db.ReadColumnValue(column, nullptr);
    uint32_t extra = 0;
    if (!m_db.ReadTextValue(m_text, extra)) return false;
    char* field = static_cast<char*>(column.field);
    CxCopyText(field, column.width, m_text.c_str());
    // Only what the field cannot give back is kept beside it.
    if (strnlen(field, column.width) != m_text.size())
        whole.Set(PmFieldOffset(record, field), m_text);
    return true;
}

bool PmRowCodec::WriteValue(const PmColumnRef& column, const void* record,
                            const PmWholeTexts& whole) {
    if (column.kind == PmColKind::Text && !whole.Empty()) {
        const char* field = static_cast<const char*>(column.field);
        const std::string* text = whole.Find(PmFieldOffset(record, field));
        if (text && PmIsCutOf(field, column.width, *text)) return m_db.WriteTextValue(*text, 1);
    }
    return m_db.WriteColumnValue(column);
}

bool PmRowCodec::ProbeRow(uint32_t columns, const uint16_t* types, uint32_t known) {
    auto isInt = [](uint32_t code) {
        return code == PM_TYPE_INT || code == PM_TYPE_INT3 || code == PM_TYPE_FLAG;
    };
    for (uint32_t c = 0; c < columns; ++c) {
        uint32_t code = 0;
        if (!m_db.SkipTypedValue(&code)) return false;
        if (c >= known) continue;
        const uint32_t want = types[c];
        if (code != want && !(isInt(code) && isInt(want))) return false;
    }
    return true;
}

// -------------------------------------------------------------------- schema

namespace {

void Say(const PmSchemaTexts& t, int level, const char* text, int a = 0, int b = 0) {
    if (text && t.log) t.log(level, text, a, b);
}

bool ReadWord(PmDBUtil& db, uint32_t& value, const PmSchemaTexts& t, const char* failed) {
    if (db.ReadU32(value)) return true;
    Say(t, 0, failed);
    return false;
}

bool WriteWord(PmDBUtil& db, uint32_t value, const PmSchemaTexts& t, const char* failed,
               int level) {
    if (db.WriteU32(value)) return true;
    Say(t, level, failed);
    return false;
}

}  // namespace

bool PmReadSchema(PmDBUtil& db, PmSchemaValues& s, uint16_t* types, uint32_t known,
                  const PmSchemaTexts& t) {
    if (!ReadWord(db, s.resourceId, t, t.readResourceId)) return false;
    if (t.logValues) Say(t, 2, "Resource ID:%d", static_cast<int>(s.resourceId));
    if (!ReadWord(db, s.fieldsPerRow, t, t.readFieldsPerRow)) return false;
    if (t.logValues) Say(t, 2, "Fields Per Row:%d", static_cast<int>(s.fieldsPerRow));
    if (!ReadWord(db, s.recordIdPos, t, t.readRecordIdPos)) return false;
    if (t.logValues) Say(t, 0, "Record ID Position:%d", static_cast<int>(s.recordIdPos));
    if (!ReadWord(db, s.statusPos, t, t.readStatusPos)) return false;
    if (t.logValues) Say(t, 2, "Record Status Position:%d", static_cast<int>(s.statusPos));
    if (!ReadWord(db, s.placementPos, t, t.readPlacementPos)) return false;
    if (t.logValues) Say(t, 2, "Placement Position:%d", static_cast<int>(s.placementPos));
    if (!db.ReadU16(s.fieldCount)) {
        Say(t, 0, t.readFieldCount);
        return false;
    }
    if (t.logValues) Say(t, 2, "Fields Count:%d", static_cast<int>(s.fieldCount));
    memset(types, 0, known * sizeof(uint16_t));
    for (uint32_t i = 0; i < s.fieldCount; ++i) {
        uint16_t type = 0;
        if (!db.ReadU16(type)) {
            Say(t, 0, t.readFieldType, static_cast<int>(i));
            return false;
        }
        if (i < known) types[i] = type;
        if (t.logValues) Say(t, 2, "Field (%d) - %d", static_cast<int>(i + 1), static_cast<int>(type));
    }
    return true;
}

bool PmWriteSchema(PmDBUtil& db, const PmSchemaValues& s, const uint16_t* types, uint32_t known,
                   const PmSchemaTexts& t) {
    // The classic format logs a failed resource ID at level 2, the rest at 0.
    if (!WriteWord(db, s.resourceId, t, t.writeResourceId, 2) ||
        !WriteWord(db, s.fieldsPerRow, t, t.writeFieldsPerRow, 0) ||
        !WriteWord(db, s.recordIdPos, t, t.writeRecordIdPos, 0) ||
        !WriteWord(db, s.statusPos, t, t.writeStatusPos, 0) ||
        !WriteWord(db, s.placementPos, t, t.writePlacementPos, 0))
        return false;
    if (!db.WriteU16(s.fieldCount)) {
        Say(t, 0, t.writeFieldCount);
        return false;
    }
    for (uint32_t i = 0; i < s.fieldCount; ++i) {
        if (!db.WriteU16(i < known ? types[i] : 0)) {
            Say(t, 0, t.writeFieldType, static_cast<int>(i));
            return false;
        }
    }
    return true;
}

void PmLogAfterRows(uint64_t bytes, bool furtherRow) {
    if (furtherRow)
        CX_LOG(0, "%llu bytes follow the last announced row and hold at least one further "
                  "complete row: the row count may be damaged, so the file is loaded read-only.",
               static_cast<unsigned long long>(bytes));
    else
        CX_LOG(2, "%llu bytes follow the last announced row; they hold no complete row and are "
                  "ignored.",
               static_cast<unsigned long long>(bytes));
}
