#include "common/palm/PalmAddrEx.h"

#include <cstring>
#include <vector>

#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxText.h"

namespace {

constexpr uint16_t kDefaultTypes[PM_ADDREX_COLUMNS] = {
    1, 1, 1, 1, 1, 1, 6, 64, 65, 66, 67, 5, 5, 5, 5, 5, 5, 1, 5, 5, 5, 5, 5, 5, 5,
    5, 1, 1, 1, 1, 1, 1, 1, 5, 5, 5, 5, 5, 5, 5, 5, 5, 1, 5, 5, 5, 5, 5, 1, 5,
    5, 5, 5, 5, 1, 5, 5, 5, 5, 5, 5, 5, 1, 1, 5, 68, 6, 1, 1, 5, 5, 5, 5};

constexpr uint8_t kMagicPrefix[5] = {0xBE, 0xBA, 0xFE, 0xCA, 0x0F};
constexpr char kMagicText[] = "PalmSG Database00RV";
constexpr size_t kMagicTextLen = sizeof(kMagicText) - 1;  // 19

const char* const kColumnNames[PM_ADDREX_COLUMNS] = {
    "Record ID", "Column 1", "Status", "Column 3", "Placement", "Category ID", "Private",
    "Block 1", "Block 2", "Block 3", "Block 4", "Column 11", "Column 12", "First Name",
    "Last Name", "Title", "Company", "Column 17", "Note", "Phone 1", "Phone 2", "Phone 3",
    "Phone 4", "Phone 5", "Phone 6", "Phone 7", "Phone 1 Kind", "Phone 2 Kind", "Phone 3 Kind",
    "Phone 4 Kind", "Phone 5 Kind", "Phone 6 Kind", "Phone 7 Kind", "Custom 1", "Custom 2",
    "Custom 3", "Custom 4", "Custom 5", "Custom 6", "Custom 7", "Custom 8", "Custom 9",
    "Work Address Kind", "Work Street", "Work City", "Work State", "Work Postal Code",
    "Work Country", "Home Address Kind", "Home Street", "Home City", "Home State",
    "Home Postal Code", "Home Country", "Other Address Kind", "Other Street", "Other City",
    "Other State", "Other Postal Code", "Other Country", "Instant Messaging 1",
    "Instant Messaging 2", "Column 62", "Column 63", "Column 64", "Birthday", "Column 66",
    "Column 67", "Column 68", "Column 69", "Column 70", "Column 71", "Column 72",
};

PmColumnRef AddressColumn(PmAddrExAddress& a, uint32_t part) {
    switch (part) {
        case 0: return PmIntColumn(a.nKind);
        case 1: return PmTextColumn(a.szStreet);
        case 2: return PmTextColumn(a.szCity);
        case 3: return PmTextColumn(a.szState);
        case 4: return PmTextColumn(a.szZipCode);
        default: return PmTextColumn(a.szCountry);
    }
}

void LogSchema(int level, const char* format, int a, int b) { CX_LOG(level, format, a, b); }

const PmSchemaTexts kSchemaTexts = {
    "Failed to read resource ID.",
    "Failed to read fields per row.",
    "Failed to read Record ID Position.",
    "Failed to read Record Status Position.",
    "Failed to read Placement Position.",
    "Failed to read Fields Count.",
    "Failed to read Field Type. Index=%d",
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    true,
    LogSchema,
};

}  // namespace

PmColumnRef PmAddrExColumn(PmAddrExRecord& r, uint32_t column, bool swapName) {
    switch (column) {
        case 0: return PmIntColumn(r.nRecordId);
        case 1: return PmIntColumn(r.nColumn1);
        case 2: return PmIntColumn(r.nStatus);
        case 3: return PmIntColumn(r.nColumn3);
        case 4: return PmIntColumn(r.nPlacement);
        case 5: return PmIntColumn(r.nCategoryId);
        case 6: return {PmColKind::Flag, &r.nPrivate, 0};
        case 7: case 8: case 9: case 10: return {PmColKind::Block, &r.blocks[column - 7], 0};
        case 11: return PmTextColumn(r.szColumn11);
        case 12: return PmTextColumn(r.szColumn12);
        case 13: return swapName ? PmTextColumn(r.szLastName) : PmTextColumn(r.szFirstName);
        case 14: return swapName ? PmTextColumn(r.szFirstName) : PmTextColumn(r.szLastName);
        case 15: return PmTextColumn(r.szTitle);
        case 16: return PmTextColumn(r.szCompany);
        case 17: return PmIntColumn(r.nColumn17);
        case 18: return PmTextColumn(r.szNote);
        case 60: return PmTextColumn(r.szIm1);
        case 61: return PmTextColumn(r.szIm2);
        case 62: return PmIntColumn(r.nColumn62);
        case 63: return PmIntColumn(r.nColumn63);
        case 64: return PmTextColumn(r.szColumn64);
        case 65: return {PmColKind::Eight, r.birthday, 8};
        case 66: return {PmColKind::Flag, &r.nColumn66, 0};
        case 67: return PmIntColumn(r.nColumn67);
        case 68: return PmIntColumn(r.nColumn68);
        default: break;
    }
    if (column >= 19 && column <= 25) return PmTextColumn(r.szPhone[column - 19]);
    if (column >= 26 && column <= 32) return PmIntColumn(r.nPhoneKind[column - 26]);
    if (column >= 33 && column <= 41) return PmTextColumn(r.szCustom[column - 33]);
    if (column >= 42 && column <= 59)
        return AddressColumn(r.addresses[(column - 42) / 6], (column - 42) % 6);
    if (column >= 69 && column <= 72) return PmTextColumn(r.szColumn69[column - 69]);
    return {};
}

const char* PmAddrExColumnName(uint32_t column) {
    return column < PM_ADDREX_COLUMNS ? kColumnNames[column] : "";
}

bool PmAddrExDataMgr::AddCopy(const PmAddrExRecord& record) {
    return m_pRecs.Append(std::make_unique<PmAddrExRecord>(record)) != nullptr;
}

void PmAddrExDataMgr::FreeBlocks(PmAddrExRecord& record) {
    for (PmBlockValue& b : record.blocks) {
        b.data.clear();
        b.data.shrink_to_fit();
    }
}

PmAddrExUtil::PmAddrExUtil() { Init(); }

PmAddrExUtil::PmAddrExUtil(const char* path) {
    Init();
    m_bLoaded = Load(path);
}

PmAddrExUtil::~PmAddrExUtil() {
    FreeRecords();
    Close();
}

void PmAddrExUtil::Init() {
    m_bSwapName = false;
    m_nVersion = VERSION_TAG;
    ResetSchema(2, 4, kDefaultTypes);
    m_pRecords = std::make_unique<PmAddrExDataMgr>();
    memset(m_reserved1, 0, sizeof(m_reserved1));
    m_reserved1[12] = 0x01;
    m_reserved1[13] = 0x10;
    memset(m_reserved2, 0, sizeof(m_reserved2));
    memset(m_reserved3, 0, sizeof(m_reserved3));
    memset(m_szCustomLabels, 0, sizeof(m_szCustomLabels));
}

void PmAddrExUtil::FreeRecords() { m_pRecords.reset(); }

void PmAddrExUtil::SetCustomLabel(int index, const char* label) {
    if (index >= 0 && index < PM_ADDREX_LABELS) CxCopyText(m_szCustomLabels[index], label);
}

bool PmAddrExUtil::Load(const char* path) {
    const char* shown = path ? path : "";
    CX_LOG(2, "Loading Palm Desktop Contacts: %s", shown);
    bool ok = false;
    do {
        if (!OpenForLoad(path)) {
            CX_LOG(0, "Failed to open file: %s", shown);
            break;
        }
        if (!CheckMagic()) {
            CX_LOG(0, "Failed to check magic code.");
            break;
        }
        if (!CheckVersion()) {
            CX_LOG(0, "Failed to check database version.");
            break;
        }
        if (!LoadDescription()) {
            CX_LOG(0, "Failed to load database file descriptions.");
            break;
        }
        if (!LoadCustomLabels()) {
            CX_LOG(0, "Failed to load custom labels information.");
            break;
        }
        if (!LoadCategories()) {
            CX_LOG(0, "Failed to load category information.");
            break;
        }
        if (!LoadSchema()) {
            CX_LOG(0, "Failed to load database schema information.");
            break;
        }
        if (!LoadRecords()) {
            CX_LOG(0, "Failed to load Contacts records.");
            break;
        }
        ok = true;
    } while (false);
    Close();
    if (!ok) {
        CX_LOG(0, "Can not load Palm Desktop Contacts: %s", shown);
        return false;
    }
    CxCopyText(m_szLoadedPath, path);
    CX_LOG(2, "Palm Desktop Contacts information is loaded successfully.");
    return true;
}

bool PmAddrExUtil::LoadByUser(uint32_t userId) {
    CX_LOG(2, "Start loading Palm Desktop Contacts by user ID: %d", static_cast<int>(userId));
    char folder[CX_MAX_PATH];
    char path[CX_MAX_PATH];
    if (!PmFindUserFolder(userId, folder, sizeof(folder)) ||
        !PmBuildUserAddressPath(folder, path, sizeof(path))) {
        CX_LOG(0, "Failed to get user database path by user ID.");
        return false;
    }
    CX_LOG(2, "Get user file successfully, try loading file:%s", path);
    return Load(path);
}

bool PmAddrExUtil::CheckMagic() {
    CX_LOG(2, "Start checking Palm Desktop Contacts database magic code.");
    uint8_t magic[24];
    if (!ReadBytes(magic, sizeof(magic))) return false;
    if (memcmp(magic + 5, kMagicText, kMagicTextLen) != 0) {
        char text[kMagicTextLen + 1] = {};
        memcpy(text, magic + 5, kMagicTextLen);
        CX_LOG(0, "Incorrect database magic code: %s", text);
        return false;
    }
    CX_LOG(2, "Check magic code successfully.");
    return true;
}

bool PmAddrExUtil::CheckVersion() {
    CX_LOG(2, "Start checking Palm Desktop Contacts database file version.");
    uint32_t version = 0;
    if (!ReadU32(version) || version != VERSION_TAG) {
        CX_LOG(0, "Incorrect database version:%d", static_cast<int>(version));
        return false;
    }
    m_nVersion = version;
    CX_LOG(2, "Database version: %d", static_cast<int>(version));
    char hex[RESERVED1_SIZE * 3 + 1];
    uint8_t block[RESERVED1_SIZE] = {};
    const bool ok = ReadBytes(block, sizeof(block));
    PmHexText(block, sizeof(block), hex, sizeof(hex));
    if (!ok) {
        CX_LOG(0, "Failed to read reserved 1 field. Content=%s, Size=%d", hex,
               static_cast<int>(RESERVED1_SIZE));
        return false;
    }
    memcpy(m_reserved1, block, sizeof(block));
    CX_LOG(2, "Reserved 1 Field: %s", hex);
    CX_LOG(2, "Check database version successfully.");
    return true;
}

bool PmAddrExUtil::LoadDescription() {
    CX_LOG(2, "Start loading Palm Desktop Contacts database file description.");
    char name[261];
    uint32_t maximum = 260;
    if (!ReadCountedString(name, maximum)) {
        CX_LOG(0, "Failed to read database file name.");
        return false;
    }
    CX_LOG(2, "Database file name:%s", name);
    SetFileName(name);
    uint8_t block[RESERVED2_SIZE + 1] = {};
    size_t count = RESERVED2_SIZE;
    if (!ReadUpTo(block, count) || count < RESERVED2_SIZE) {
        CX_LOG(0, "Failed to read reserved 2 field. Content=%s, Size=%d",
               reinterpret_cast<const char*>(block), static_cast<int>(count));
        return false;
    }
    memcpy(m_reserved2, block, RESERVED2_SIZE);
    char hex[RESERVED2_SIZE * 3 + 1];
    PmHexText(m_reserved2, RESERVED2_SIZE, hex, sizeof(hex));
    CX_LOG(2, "Reserved 2 Fields: %s", hex);
    CX_LOG(2, "Load database description information successfully.");
    return true;
}

bool PmAddrExUtil::LoadCustomLabels() {
    memset(m_szCustomLabels, 0, sizeof(m_szCustomLabels));
    memset(m_nLabelWords, 0, sizeof(m_nLabelWords));
    for (int i = 0; i < PM_ADDREX_LABELS; ++i) {
        uint32_t maximum = PM_ADDREX_LABEL_SIZE - 1;
        if (!ReadCountedString(m_szCustomLabels[i], maximum) || !ReadU32(m_nLabelWords[i]))
            return false;
    }
    uint8_t block[RESERVED3_SIZE + 1] = {};
    if (!ReadBytes(block, RESERVED3_SIZE)) {
        CX_LOG(0, "Failed to read reserved 3 field. Content=%s, Size=%d",
               reinterpret_cast<const char*>(block), static_cast<int>(RESERVED3_SIZE));
        return false;
    }
    memcpy(m_reserved3, block, RESERVED3_SIZE);
    CX_LOG(2, "Load custom label information successfully.");
    return true;
}

bool PmAddrExUtil::LoadCategories() { return LoadCategoryBlock(); }

bool PmAddrExUtil::LoadSchema() {
    CX_LOG(2, "Start loading Palm Desktop Contacts database schema.");
    if (!LoadSchemaBlock(kSchemaTexts)) return false;
    if (!IsSchemaWritable())
        CX_LOG(0, "The contacts schema (fields per row %u, field count %u) does not fit the "
                  "known layout of %u columns; this file can be read but not saved.",
               m_nFieldsPerRow, static_cast<unsigned>(m_nFieldCount), PM_ADDREX_COLUMNS);
    CX_LOG(2, "Palm Desktop Contacts database schema is loaded successfully.");
    return true;
}

bool PmAddrExUtil::LoadRecords() {
    if (m_pRecords) m_pRecords->Clear();
    CX_LOG(2, "Start loading Palm Desktop Contacts records.");
    uint32_t total = 0;
    if (!ReadU32(total)) {
        CX_LOG(0, "Failed to read total fields count.");
        return false;
    }
    CX_LOG(2, "Total Fields: %d", static_cast<int>(total));
    const uint32_t count = m_nFieldsPerRow ? total / m_nFieldsPerRow : 0;
    CX_LOG(2, "Calculated Record Count: %d", static_cast<int>(count));
    if ((m_nFieldsPerRow == 0 && total != 0) || (m_nFieldCount == 0 && count != 0)) {
        // Rows without columns take no bytes: their number says nothing.
        CX_LOG(0, "The contacts file has %u values in rows of %u fields with %u columns; its "
                  "rows can not be read.",
               total, m_nFieldsPerRow, static_cast<unsigned>(m_nFieldCount));
        CX_LOG(0, "Palm Desktop Contacts records are not saved successfully.");
        return false;
    }

    bool ok = true;
    bool unknownSaid = false;
    PmRowCodec codec(*this);
    for (uint32_t row = 0; row < count && ok; ++row) {
        auto record = std::make_unique<PmAddrExRecord>();
        PmAddrExRecord& r = *record;
        ok = codec.ReadRow(m_nFieldCount, &r, r.whole, [&](uint32_t c) {
            const PmColumnRef col = PmAddrExColumn(r, c, m_bSwapName);
            if (col.kind == PmColKind::None && !unknownSaid) {
                CX_LOG(0, "Unknown column (%d) in the contacts rows, its values are skipped.",
                       static_cast<int>(c));
                unknownSaid = true;
            }
            return col;
        });
        if (ok && m_nFieldCount > 5)
            GetCategoryText(r.nCategoryId, r.szCategory, sizeof(r.szCategory));
        if (!ok) {
            CX_LOG(0, "Error reading Palm Desktop Contacts, current file position: %d",
                   static_cast<int>(GetPosition()));
            break;
        }
        if (!m_pRecords) {
            ok = false;
            break;
        }
        m_pRecords->Adopt(std::move(record));
    }
    if (!ok) {
        CX_LOG(0, "Palm Desktop Contacts records are not saved successfully.");
        return false;
    }
    CheckAfterRows();
    CX_LOG(2, "Palm Desktop Contacts records information is saved successfully.");
    return true;
}

bool PmAddrExUtil::Save() {
    char stored[PM_PATH_SIZE];
    CxCopyText(stored, GetFileName());
    const char* target = m_szLoadedPath[0] ? m_szLoadedPath : stored;
    char targetCopy[PM_PATH_SIZE];
    CxCopyText(targetCopy, target);
    if (!targetCopy[0]) return false;
    return SaveTo(targetCopy, stored);
}

bool PmAddrExUtil::SaveAs(const char* path) {
    if (!path || !*path) return false;
    char target[PM_PATH_SIZE];
    if (strlen(path) >= sizeof(target)) return false;
    CxCopyText(target, path);
    if (!SaveTo(target, target)) return false;
    SetFileName(target);
    CxCopyText(m_szLoadedPath, target);
    return true;
}

bool PmAddrExUtil::SaveTo(const char* target, const char* storedName) {
    CX_LOG(2, "Saving Palm Desktop Contacts database as file: %s", target);
    bool ok = false;
    bool opened = false;
    do {
        if (!IsSchemaWritable()) {
            CX_LOG(0, "Can not save the contacts file: its schema (fields per row %u, field "
                      "count %u) can not be written back as it was read.",
                   m_nFieldsPerRow, static_cast<unsigned>(m_nFieldCount));
            break;
        }
        if (!BeginSafeSave(target)) {
            CX_LOG(0, "Failed to open file: %s", target);
            break;
        }
        opened = true;
        if (!SaveMagic()) {
            CX_LOG(0, "Failed to save magic code information.");
            break;
        }
        if (!SaveVersion()) {
            CX_LOG(0, "Failed to save database version.");
            break;
        }
        if (!SaveDescription(storedName)) {
            CX_LOG(0, "Failed to save database file dscriptions.");
            break;
        }
        if (!SaveCustomLabels()) {
            CX_LOG(0, "Failed to save custom labels.");
            break;
        }
        if (!SaveCategories()) {
            CX_LOG(0, "Failed to save category information.");
            break;
        }
        if (!SaveSchema()) {
            CX_LOG(0, "Failed to save database schema.");
            break;
        }
        if (!SaveRecords()) {
            CX_LOG(0, "Failed to save Contacts records.");
            break;
        }
        ok = true;
    } while (false);
    if (ok) {
        opened = false;
        if (!CommitSafeSave()) {
            CX_LOG(0, "Failed to replace %s with its new content; the file is unchanged.",
                   target);
            ok = false;
        }
    }
    if (opened) Close();  // the new content is dropped, the file stays as it was
    if (!ok) {
        CX_LOG(0, "Failed to save Palm Desktop Contacts database.");
        return false;
    }
    CX_LOG(2, "Save Palm Desktop Contacts database successfully.");
    return true;
}

bool PmAddrExUtil::SaveMagic() {
    CX_LOG(2, "Start saving Palm Desktop Contacts magic code information.");
    if (!WriteBytes(kMagicPrefix, sizeof(kMagicPrefix))) {
        CX_LOG(0, "Failed to write magic code prefix.");
        return false;
    }
    if (!WriteBytes(kMagicText, kMagicTextLen)) {
        CX_LOG(0, "Failed to write magic code content.");
        return false;
    }
    CX_LOG(2, "Magic code information saved successfully.");
    return true;
}

bool PmAddrExUtil::SaveVersion() {
    CX_LOG(2, "Start saving Palm Desktop Contacts version information.");
    if (!WriteU32(m_nVersion)) {
        CX_LOG(0, "Failed to write the integer value of database version.");
        return false;
    }
    const size_t count = m_pRecords ? m_pRecords->GetCount() : 0;
    m_reserved1[12] = static_cast<uint8_t>(count % 256);
    m_reserved1[13] = static_cast<uint8_t>((count / 256 + 16) % 256);
    if (!WriteBytes(m_reserved1, sizeof(m_reserved1))) {
        CX_LOG(0, "Failed to write reserved 1 field.");
        return false;
    }
    CX_LOG(2, "Palm Desktop Contacts version information is saved successfully.");
    return true;
}

bool PmAddrExUtil::SaveDescription(const char* path) {
    CX_LOG(2, "Start saving Palm Desktop Contacts file description.");
    if (!WriteCountedString(path)) {
        CX_LOG(0, "Failed to write database file name.");
        return false;
    }
    if (!WriteBytes(m_reserved2, sizeof(m_reserved2))) {
        CX_LOG(0, "Failed to write reserved 2 field.");
        return false;
    }
    CX_LOG(2, "Palm Desktop Contacts file description is saved successfully.");
    return true;
}

bool PmAddrExUtil::SaveCustomLabels() {
    CX_LOG(2, "Start saving Palm Desktop Contacts custom labels.");
    for (int i = 0; i < PM_ADDREX_LABELS; ++i)
        if (!WriteCountedString(m_szCustomLabels[i]) || !WriteU32(m_nLabelWords[i])) return false;
    if (!WriteBytes(m_reserved3, sizeof(m_reserved3))) return false;
    CX_LOG(2, "Palm Desktop Contacts custom labels are saved successfully.");
    return true;
}

bool PmAddrExUtil::SaveCategories() { return SaveCategoryBlock(); }

bool PmAddrExUtil::SaveSchema() {
    CX_LOG(2, "Start saving Palm Desktop Contacts database schema.");
    if (!SaveSchemaBlock(kSchemaTexts)) return false;
    CX_LOG(2, "Palm Desktop Contacts database schema is saved successfully.");
    return true;
}

bool PmAddrExUtil::SaveRecords() {
    if (!m_pRecords) return false;
    CX_LOG(2, "Start saving Palm Desktop Contacts records.");
    const size_t count = m_pRecords->GetCount();
    CX_LOG(2, "Total number of records: %d", static_cast<int>(count));
    if (!WriteValueCount(count)) return false;
    for (PmAddrExRecord* r = m_pRecords->GetFirst(); r; r = m_pRecords->GetNext())
        if (!SaveRecord(*r)) return false;
    CX_LOG(2, "Palm Desktop Contacts records are saved successfully.");
    return true;
}

bool PmAddrExUtil::SaveRecord(const PmAddrExRecord& record) {
    PmAddrExRecord& r = const_cast<PmAddrExRecord&>(record);  // columns are only read here
    PmRowCodec codec(*this);
    return codec.WriteRow(m_nFieldsPerRow, &r, r.whole,
                          [&](uint32_t c) { return PmAddrExColumn(r, c, m_bSwapName); });
}

void PmAddrExUtil::LogCategoryEvent(PmCatEvent event, const char* text) {
    const char* t = text ? text : "";
    switch (event) {
        case PmCatEvent::LoadStart:
            CX_LOG(2, "Start loading Palm Desktop Contacts category information.");
            break;
        case PmCatEvent::ReadNextFeedIdFailed: CX_LOG(0, "Failed to read the next feed ID."); break;
        case PmCatEvent::ReadNameFailed: CX_LOG(0, "Failed to read category name."); break;
        case PmCatEvent::NameRead: CX_LOG(2, "Read category:%s", t); break;
        case PmCatEvent::ReadFileNameFailed: CX_LOG(0, "Failed to read category file name."); break;
        case PmCatEvent::LoadDone:
            CX_LOG(2, "Load Palm Desktop Contacts categories successfully.");
            break;
        case PmCatEvent::SaveStart: CX_LOG(2, "Start saving Palm Desktop Contacts categories."); break;
        case PmCatEvent::NameWritten: CX_LOG(2, "Saving category [%s]", t); break;
        case PmCatEvent::SaveDone:
            CX_LOG(2, "Palm Desktop Contacts categories are saved successfully.");
            break;
        default: break;
    }
}
