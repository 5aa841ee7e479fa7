#include "common/palm/PalmAddr.h"

#include <cstring>
#include <vector>

#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxText.h"

namespace {

constexpr uint16_t kDefaultTypes[PM_ADDR_COLUMNS] = {1, 1, 1, 5, 5, 5, 5, 1, 5, 1, 5, 1, 5, 1, 5,
                                                     1, 5, 5, 5, 5, 5, 5, 5, 6, 1, 5, 5, 5, 5, 1};

const char* const kColumnNames[PM_ADDR_COLUMNS] = {
    "Record ID", "Status",       "Placement",    "Last Name",    "First Name",  "Title",
    "Company",   "Phone 1 Kind", "Phone 1",      "Phone 2 Kind", "Phone 2",     "Phone 3 Kind",
    "Phone 3",   "Phone 4 Kind", "Phone 4",      "Phone 5 Kind", "Phone 5",     "Address",
    "City",      "State",        "Postal Code",  "Country",      "Note",        "Private",
    "Category ID", "Custom 1",   "Custom 2",     "Custom 3",     "Custom 4",    "Column 29",
};

void LogSchema(int level, const char* format, int a, int b) { CX_LOG(level, format, a, b); }

const PmSchemaTexts kSchemaTexts = {
    "Failed to read schema resource ID.",
    "Failed to read fields per row.",
    "Failed to read resource ID field position.",
    "Failed to read status field position.",
    "Failed to read placement field position.",
    "Failed to read field count.",
    "Failed to read field type information. Field index=%d",
    "Failed to write resource ID.",
    "Failed to write fields per row.",
    "Failed to write resource ID field position.",
    "Failed to write status field position.",
    "Failed to write placement field position.",
    "Failed to write field count.",
    "Failed to write field type. Field index=%d",
    false,
    LogSchema,
};

}  // namespace

PmColumnRef PmAddrColumn(PmAddrRecord& r, uint32_t column, bool swapName) {
    switch (column) {
        case 0: return PmIntColumn(r.nRecordId);
        case 1: return PmIntColumn(r.nStatus);
        case 2: return PmIntColumn(r.nPlacement);
        case 3: return swapName ? PmTextColumn(r.szFirstName) : PmTextColumn(r.szLastName);
        case 4: return swapName ? PmTextColumn(r.szLastName) : PmTextColumn(r.szFirstName);
        case 5: return PmTextColumn(r.szTitle);
        case 6: return PmTextColumn(r.szCompany);
        case 17: return PmTextColumn(r.szAddress);
        case 18: return PmTextColumn(r.szCity);
        case 19: return PmTextColumn(r.szState);
        case 20: return PmTextColumn(r.szZipCode);
        case 21: return PmTextColumn(r.szCountry);
        case 22: return PmTextColumn(r.szNote);
        case 23: return {PmColKind::Flag, &r.nPrivate, 0};
        case 24: return PmIntColumn(r.nCategoryId);
        case 25: case 26: case 27: case 28: return PmTextColumn(r.szCustom[column - 25]);
        case 29: return PmIntColumn(r.nColumn29);
        default: break;
    }
    if (column >= 7 && column <= 16) {
        const uint32_t phone = (column - 7) / 2;
        return (column % 2) ? PmIntColumn(r.nPhoneKind[phone]) : PmTextColumn(r.szPhone[phone]);
    }
    return {};
}

const char* PmAddrColumnName(uint32_t column) {
    return column < PM_ADDR_COLUMNS ? kColumnNames[column] : "";
}

bool PmAddrDataMgr::AddCopy(const PmAddrRecord& record) {
    return m_Recs.Append(std::make_unique<PmAddrRecord>(record)) != nullptr;
}

PmAddrUtil::PmAddrUtil() : m_pRecords(std::make_unique<PmAddrDataMgr>()) {
    ResetSchema(1, 2, kDefaultTypes);
}

PmAddrUtil::PmAddrUtil(const char* path) : PmAddrUtil() { m_bLoaded = Load(path); }

PmAddrUtil::~PmAddrUtil() {
    if (m_pRecords) m_pRecords->Clear();
    Close();
}

void PmAddrUtil::SetCustomLabels(const char* labels) { CxCopyText(m_szCustomLabels, labels); }

std::string PmAddrUtil::GetWholeCustomLabels() const {
    return m_labelsKept == m_szCustomLabels ? m_labelsStored : std::string(m_szCustomLabels);
}

bool PmAddrUtil::Load(const char* path) {
    const char* shown = path ? path : "";
    CX_LOG(2, "Loading Palm Desktop Address Book:%s", shown);
    bool ok = false;
    do {
        if (!OpenForLoad(path)) {
            CX_LOG(0, "Failed to open Palm Desktop address book file: %s", shown);
            break;
        }
        if (!CheckVersion()) {
            CX_LOG(0, "Failed to check Palm Desktop address book file version.");
            break;
        }
        uint32_t maximum = sizeof(m_szStoredName) - 1;
        if (!ReadCountedString(m_szStoredName, maximum)) {
            CX_LOG(0, "Failed to read Palm Desktop address book database file name.");
            break;
        }
        CX_LOG(2, "Read Palm Desktop address book database file name: %s", m_szStoredName);
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
            CX_LOG(0, "Failed to load Palm Desktop address book records.");
            break;
        }
        ok = true;
    } while (false);
    if (!ok) {
        CX_LOG(0, "Can not load Palm Desktop Contacts: %s", shown);
        Close();
        return false;
    }
    Close();
    CX_LOG(2, "Palm Desktop address book was loaded successfully.");
    return true;
}

bool PmAddrUtil::LoadByUser(uint32_t userId) {
    char folder[CX_MAX_PATH];
    if (!PmFindUserFolder(userId, folder, sizeof(folder))) {
        CX_LOG(0, "Failed to get Palm Desktop data path by user, User ID=%d",
               static_cast<int>(userId));
        return false;
    }
    char path[CX_MAX_PATH];
    if (!PmBuildUserAddressPath(folder, path, sizeof(path))) {
        CX_LOG(0, "The Palm Desktop address book path is too long: %saddress", folder);
        return false;
    }
    CX_LOG(2, "Loading Palm Desktop address book file by user: User(%d) - File(%s)",
           static_cast<int>(userId), path);
    return Load(path);
}

bool PmAddrUtil::CheckVersion() {
    uint32_t version = 0;
    if (!ReadU32(version) || version != VERSION_TAG) return false;
    m_nVersion = version;
    return true;
}

bool PmAddrUtil::LoadCustomLabels() {
    CX_LOG(2, "Start loading Palm Desktop address book custom label information.");
    uint8_t b = 0;
    if (!ReadU8(b)) {
        CX_LOG(0, "Failed to read the length of custom labels.");
        return false;
    }
    uint32_t length = b;
    if (b == 0xFF) {
        uint16_t w = 0;
        if (!ReadU16(w)) {
            CX_LOG(0, "Incorrect custom label length reading.");
            return false;
        }
        length = w;
    }
    memset(m_szCustomLabels, 0, sizeof(m_szCustomLabels));
    m_labelsStored.clear();
    m_labelsKept.clear();
    if (length > GetRemaining()) {
        CX_LOG(0, "Custom label content reading error.");
        return false;
    }
    m_labelsStored.resize(length);
    if (length > 0 && !ReadBytes(&m_labelsStored[0], length)) {
        CX_LOG(0, "Custom label content reading error.");
        return false;
    }
    size_t stored = 0;
    int lineFeeds = 0;
    for (uint32_t read = 0; read < length; ++read) {
        const char c = m_labelsStored[read];
        m_szCustomLabels[stored++] = c;
        if (c == '\n' && ++lineFeeds == 4) {
            CX_LOG(2, "For Palm Desktop ealier than v4.1.2, the max custom label is 4. Break now.");
            break;
        }
        if (stored == sizeof(m_szCustomLabels) - 1) {
            // The label area is full: the rest is kept only as stored.
            CX_LOG(2, "Custom labels are longer than %d characters, the rest is cut.",
                   static_cast<int>(stored));
            break;
        }
    }
    m_labelsKept = m_szCustomLabels;
    return true;
}

bool PmAddrUtil::LoadCategories() { return LoadCategoryBlock(); }

bool PmAddrUtil::LoadSchema() {
    CX_LOG(2, "Start loading Palm Desktop address book database schema information.");
    if (!LoadSchemaBlock(kSchemaTexts)) return false;
    if (!IsSchemaWritable())
        CX_LOG(0, "The address book schema (fields per row %u, field count %u) does not fit "
                  "the known layout of %u columns; this file can be read but not saved.",
               m_nFieldsPerRow, static_cast<unsigned>(m_nFieldCount), PM_ADDR_COLUMNS);
    CX_LOG(2, "Palm Desktop address book database schema information is loaded successfully.");
    return true;
}

bool PmAddrUtil::LoadRecords() {
    m_pRecords->Clear();
    CX_LOG(2, "Start loading Palm Desktop address book records.");
    uint32_t total = 0;
    if (!ReadU32(total)) {
        CX_LOG(0, "Failed to read field count information.");
        return false;
    }
    if (m_nFieldsPerRow == 0 && total != 0) {
        CX_LOG(0, "The address book has %u values but no fields per row; its rows can not be "
                  "read.", total);
        return false;
    }
    const uint32_t count = m_nFieldsPerRow ? total / m_nFieldsPerRow : 0;
    CX_LOG(2, "Based on calculation, there are %d records in total.", static_cast<int>(count));

    PmRowCodec codec(*this);
    for (uint32_t row = 0; row < count; ++row) {
        auto record = std::make_unique<PmAddrRecord>();
        PmAddrRecord& r = *record;
        const bool ok = codec.ReadRow(m_nFieldsPerRow, &r, r.whole, [&](uint32_t c) {
            const PmColumnRef col = PmAddrColumn(r, c, m_bSwapName);
            // Every row has the same columns, so an unknown one is said once.
            if (col.kind == PmColKind::None && row == 0)
                CX_LOG(0, "Unknown field ID read (ID=%d), ignore it.", static_cast<int>(c));
            return col;
        });
        if (!ok) return false;
        if (m_nFieldsPerRow > 24) GetCategoryText(r.nCategoryId, r.szCategory, sizeof(r.szCategory));
        if (!m_pRecords) {
            CX_LOG(0, "Failed to read record information. Field ID=%d",
                   static_cast<int>(m_nFieldsPerRow));
            return false;
        }
        m_pRecords->Adopt(std::move(record));
    }
    CheckAfterRows();
    CX_LOG(2,
           "Palm Desktop address book database is loaded successfully. %d record(s) are loaded "
           "in total.",
           static_cast<int>(m_pRecords->GetCount()));
    return true;
}

bool PmAddrUtil::SaveAs(const char* path) {
    if (!path || !*path) return false;
    CX_LOG(2, "Save Palm Desktop address book database as file: %s", path);
    if (!IsSchemaWritable()) {
        CX_LOG(0, "Can not save the address book: its schema (fields per row %u, field count %u) "
                  "can not be written back as it was read.",
               m_nFieldsPerRow, static_cast<unsigned>(m_nFieldCount));
        return false;
    }
    if (!BeginSafeSave(path)) {
        CX_LOG(0, "Failed to open Palm Desktop address book database file.");
        return false;
    }
    bool ok = false;
    do {
        if (!WriteU32(m_nVersion)) {
            CX_LOG(0, "Failed to write database version information.");
            break;
        }
        if (!WriteCountedString(path)) {
            CX_LOG(0, "Failed to write database file name.");
            break;
        }
        const std::string labels = GetWholeCustomLabels();
        if (!WriteCountedBytes(labels.data(), labels.size())) {
            CX_LOG(0, "Failed to write custom labels.");
            break;
        }
        if (!SaveCategories()) {
            CX_LOG(0, "Failed to save categories information.");
            break;
        }
        if (!SaveSchema()) {
            CX_LOG(0, "Failed to save database schema information.");
            break;
        }
        if (!SaveRecords()) {
            CX_LOG(0, "Failed to save address book records information.");
            break;
        }
        ok = true;
    } while (false);
    if (!ok) {
        Close();  // the new content is dropped, the file stays as it was
        return false;
    }
    if (!CommitSafeSave()) {
        CX_LOG(0, "Failed to replace %s with its new content; the file is unchanged.", path);
        return false;
    }
    SetFileName(path);
    CX_LOG(2, "Palm Desktop address book database saved successfully.");
    return true;
}

bool PmAddrUtil::SaveCategories() { return SaveCategoryBlock(); }

bool PmAddrUtil::SaveSchema() {
    CX_LOG(2, "Start saving Palm Desktop address book database schema.");
    if (!SaveSchemaBlock(kSchemaTexts)) return false;
    CX_LOG(2, "Palm Desktop address book database schema is saved successfully.");
    return true;
}

bool PmAddrUtil::SaveRecords() {
    if (!m_pRecords) return false;
    CX_LOG(2, "Start saving Palm Desktop address book records.");
    const size_t count = m_pRecords->GetCount();
    CX_LOG(2, "There are %d address book in total", static_cast<int>(count));
    if (!WriteValueCount(count)) {
        CX_LOG(0, "Failed to write total fields count.");
        return false;
    }
    for (PmAddrRecord* r = m_pRecords->GetFirst(); r; r = m_pRecords->GetNext()) {
        if (!SaveRecord(*r)) {
            CX_LOG(0, "Failed to save address book record.");
            return false;
        }
    }
    CX_LOG(2, "Palm Desktop address book records are saved successfully.");
    return true;
}

bool PmAddrUtil::SaveRecord(const PmAddrRecord& record) {
    PmAddrRecord& r = const_cast<PmAddrRecord&>(record);  // columns are only read here
    PmRowCodec codec(*this);
    for (uint32_t c = 0; c < m_nFieldsPerRow; ++c) {
        if (!codec.WriteValue(PmAddrColumn(r, c, m_bSwapName), &r, r.whole)) {
            CX_LOG(0, "Failed to save record field (%d).", static_cast<int>(c));
            return false;
        }
    }
    return true;
}

void PmAddrUtil::LogCategoryEvent(PmCatEvent event, const char* text) {
    const char* t = text ? text : "";
    switch (event) {
        case PmCatEvent::LoadStart:
            CX_LOG(2, "Start reading Palm Desktop address book category information.");
            break;
        case PmCatEvent::ReadNextFeedIdFailed:
            CX_LOG(0, "Failed to read the next feed ID of the categories.");
            break;
        case PmCatEvent::ReadCountFailed: CX_LOG(0, "Failed to read categories count."); break;
        case PmCatEvent::ReadIndexFailed: CX_LOG(0, "Failed to read category index."); break;
        case PmCatEvent::ReadIdFailed: CX_LOG(0, "Failed to read category ID."); break;
        case PmCatEvent::ReadChangedFailed: CX_LOG(0, "Failed to read category dirty field."); break;
        case PmCatEvent::ReadNameFailed: CX_LOG(0, "Failed to read the name of the category."); break;
        case PmCatEvent::ReadFileNameFailed: CX_LOG(0, "Failed to read category file name."); break;
        case PmCatEvent::AddFailed: CX_LOG(0, "Failed to add category information."); break;
        case PmCatEvent::LoadDone:
            CX_LOG(2, "Palm Desktop address book category information was loaded successfully.");
            break;
        case PmCatEvent::SaveStart:
            CX_LOG(2, "Start saving Palm Desktop address book category information.");
            break;
        case PmCatEvent::EmptySlot: CX_LOG(2, "Category not found by index, skip this one."); break;
        case PmCatEvent::SkipUnfiled: CX_LOG(2, "Skip the \"unfiled\" category."); break;
        case PmCatEvent::WriteIndexFailed: CX_LOG(0, "Failed to write category index."); break;
        case PmCatEvent::WriteIdFailed: CX_LOG(0, "Failed to write category ID."); break;
        case PmCatEvent::WriteChangedFailed: CX_LOG(0, "Failed to write category dirty field."); break;
        case PmCatEvent::WriteNameFailed: CX_LOG(0, "Failed to write category name (%s)", t); break;
        case PmCatEvent::WriteFileNameFailed:
            CX_LOG(0, "Failed to write category file name (%s)", t);
            break;
        case PmCatEvent::SaveDone:
            CX_LOG(2, "Palm Desktop address book category information is saved successfully.");
            break;
        default: break;
    }
}
