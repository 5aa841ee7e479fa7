#include "common/palm/PalmAddrEx2.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxText.h"

namespace {

enum ColKind { ColInt, ColBool, ColCategory, ColText, ColNone };

struct ColumnInfo {
    const char* name;
    ColKind kind;
    size_t offset;
    size_t width;  // texts only
};

#define FIELD(f) offsetof(PmAddrEx2Record, f)

const ColumnInfo kColumns[PM_ADDREX2_COLUMNS] = {
    {"Record ID", ColInt, FIELD(m_nRecordID), 0},  // 0
    {"Status", ColInt, FIELD(m_nStatus), 0},  // 1
    {"Placement", ColInt, FIELD(m_nPlacement), 0},  // 2
    {"Private", ColBool, FIELD(m_bPrivate), 0},  // 3
    {"Category", ColCategory, FIELD(m_nCategoryID), 0},  // 4
    {"Note", ColText, FIELD(m_szNote), sizeof(PmAddrEx2Record::m_szNote)},  // 5
    {"Prefix", ColText, FIELD(m_szPrefix), sizeof(PmAddrEx2Record::m_szPrefix)},  // 6
    {"First Name", ColText, FIELD(m_szFirstName), sizeof(PmAddrEx2Record::m_szFirstName)},  // 7
    {"Middle Name", ColText, FIELD(m_szMiddleName), sizeof(PmAddrEx2Record::m_szMiddleName)},  // 8
    {"Last Name", ColText, FIELD(m_szLastName), sizeof(PmAddrEx2Record::m_szLastName)},  // 9
    {"Suffix", ColText, FIELD(m_szSuffix), sizeof(PmAddrEx2Record::m_szSuffix)},  // 10
    {"NickName", ColText, FIELD(m_szNickName), sizeof(PmAddrEx2Record::m_szNickName)},  // 11
    {"Anniversary", ColInt, FIELD(m_nAnniversary), 0},  // 12
    {"Birthday", ColInt, FIELD(m_nBirthday), 0},  // 13
    {"Profession", ColText, FIELD(m_szProfession), sizeof(PmAddrEx2Record::m_szProfession)},  // 14
    {"Company", ColText, FIELD(m_szCompany), sizeof(PmAddrEx2Record::m_szCompany)},  // 15
    {"Job Title", ColText, FIELD(m_szJobTitle), sizeof(PmAddrEx2Record::m_szJobTitle)},  // 16
    {"Assistant Name", ColText, FIELD(m_szAssistantName), sizeof(PmAddrEx2Record::m_szAssistantName)},  // 17
    {"Assistant Phone", ColText, FIELD(m_szAssistantPhone), sizeof(PmAddrEx2Record::m_szAssistantPhone)},  // 18
    {"Work Street", ColText, FIELD(m_szWorkStreet), sizeof(PmAddrEx2Record::m_szWorkStreet)},  // 19
    {"Work City", ColText, FIELD(m_szWorkCity), sizeof(PmAddrEx2Record::m_szWorkCity)},  // 20
    {"Work State", ColText, FIELD(m_szWorkState), sizeof(PmAddrEx2Record::m_szWorkState)},  // 21
    {"Work Zip", ColText, FIELD(m_szWorkZip), sizeof(PmAddrEx2Record::m_szWorkZip)},  // 22
    {"Work Country", ColText, FIELD(m_szWorkCountry), sizeof(PmAddrEx2Record::m_szWorkCountry)},  // 23
    {"Home Street", ColText, FIELD(m_szHomeStreet), sizeof(PmAddrEx2Record::m_szHomeStreet)},  // 24
    {"Home City", ColText, FIELD(m_szHomeCity), sizeof(PmAddrEx2Record::m_szHomeCity)},  // 25
    {"Home State", ColText, FIELD(m_szHomeState), sizeof(PmAddrEx2Record::m_szHomeState)},  // 26
    {"Home Zip", ColText, FIELD(m_szHomeZip), sizeof(PmAddrEx2Record::m_szHomeZip)},  // 27
    {"Home Country", ColText, FIELD(m_szHomeCountry), sizeof(PmAddrEx2Record::m_szHomeCountry)},  // 28
    {"Other Street", ColText, FIELD(m_szOtherStreet), sizeof(PmAddrEx2Record::m_szOtherStreet)},  // 29
    {"Other City", ColText, FIELD(m_szOtherCity), sizeof(PmAddrEx2Record::m_szOtherCity)},  // 30
    {"Other State", ColText, FIELD(m_szOtherState), sizeof(PmAddrEx2Record::m_szOtherState)},  // 31
    {"Other Zip", ColText, FIELD(m_szOtherZip), sizeof(PmAddrEx2Record::m_szOtherZip)},  // 32
    {"Other Country", ColText, FIELD(m_szOtherCountry), sizeof(PmAddrEx2Record::m_szOtherCountry)},  // 33
    {"Work Phone", ColText, FIELD(m_szPhone[0]), sizeof(PmAddrEx2Record{}.m_szPhone[0])},  // 34
    {"Work Fax", ColText, FIELD(m_szPhone[1]), sizeof(PmAddrEx2Record{}.m_szPhone[1])},  // 35
    {"Work Mobile", ColText, FIELD(m_szPhone[2]), sizeof(PmAddrEx2Record{}.m_szPhone[2])},  // 36
    {"Home Phone", ColText, FIELD(m_szPhone[3]), sizeof(PmAddrEx2Record{}.m_szPhone[3])},  // 37
    {"Home Fax", ColText, FIELD(m_szPhone[4]), sizeof(PmAddrEx2Record{}.m_szPhone[4])},  // 38
    {"Home Mobile", ColText, FIELD(m_szPhone[5]), sizeof(PmAddrEx2Record{}.m_szPhone[5])},  // 39
    {"Other Phone", ColText, FIELD(m_szPhone[6]), sizeof(PmAddrEx2Record{}.m_szPhone[6])},  // 40
    {"Other Fax", ColNone, 0, 0},  // 41
    {"Other Mobile", ColNone, 0, 0},  // 42
    {"Work E-mail", ColNone, 0, 0},  // 43
    {"E-mail 1", ColNone, 0, 0},  // 44
    {"E-mail 2", ColNone, 0, 0},  // 45
    {"E-mail 3", ColNone, 0, 0},  // 46
    {"Pager", ColNone, 0, 0},  // 47
    {"Custom 1", ColText, FIELD(m_szCustom[0]), sizeof(PmAddrEx2Record{}.m_szCustom[0])},  // 48
    {"Custom 2", ColText, FIELD(m_szCustom[1]), sizeof(PmAddrEx2Record{}.m_szCustom[1])},  // 49
    {"Custom 3", ColText, FIELD(m_szCustom[2]), sizeof(PmAddrEx2Record{}.m_szCustom[2])},  // 50
    {"Custom 4", ColText, FIELD(m_szCustom[3]), sizeof(PmAddrEx2Record{}.m_szCustom[3])},  // 51
    {"Primary Contact", ColInt, FIELD(m_nPrimaryContact), 0},  // 52
    {"Phone Label1", ColInt, FIELD(m_nPhoneLabel[0]), 0},  // 53
    {"Phone Label2", ColInt, FIELD(m_nPhoneLabel[1]), 0},  // 54
    {"Phone Label3", ColInt, FIELD(m_nPhoneLabel[2]), 0},  // 55
    {"Phone Label4", ColInt, FIELD(m_nPhoneLabel[3]), 0},  // 56
    {"Phone Label5", ColInt, FIELD(m_nPhoneLabel[4]), 0},  // 57
    {"Phone Label6", ColInt, FIELD(m_nPhoneLabel[5]), 0},  // 58
    {"Phone Label7", ColInt, FIELD(m_nPhoneLabel[6]), 0},  // 59
    {"First Yomi", ColText, FIELD(m_szFirstYomi), sizeof(PmAddrEx2Record::m_szFirstYomi)},  // 60
    {"Last Yomi", ColText, FIELD(m_szLastYomi), sizeof(PmAddrEx2Record::m_szLastYomi)},  // 61
    {"Company Yomi", ColText, FIELD(m_szCompanyYomi), sizeof(PmAddrEx2Record::m_szCompanyYomi)},  // 62
    {"Chat1", ColText, FIELD(m_szChat1), sizeof(PmAddrEx2Record::m_szChat1)},  // 63
    {"Chat2", ColText, FIELD(m_szChat2), sizeof(PmAddrEx2Record::m_szChat2)},  // 64
    {"Chat1 LabelID", ColInt, FIELD(m_nChat1LabelID), 0},  // 65
    {"Chat2 LabelID", ColInt, FIELD(m_nChat2LabelID), 0},  // 66
    {"Website", ColText, FIELD(m_szWebsite), sizeof(PmAddrEx2Record::m_szWebsite)},  // 67
    {"Custom 5", ColText, FIELD(m_szCustom[4]), sizeof(PmAddrEx2Record{}.m_szCustom[4])},  // 68
    {"Custom 6", ColText, FIELD(m_szCustom[5]), sizeof(PmAddrEx2Record{}.m_szCustom[5])},  // 69
    {"Custom 7", ColText, FIELD(m_szCustom[6]), sizeof(PmAddrEx2Record{}.m_szCustom[6])},  // 70
    {"Custom 8", ColText, FIELD(m_szCustom[7]), sizeof(PmAddrEx2Record{}.m_szCustom[7])},  // 71
    {"Custom 9", ColText, FIELD(m_szCustom[8]), sizeof(PmAddrEx2Record{}.m_szCustom[8])},  // 72
    {"Custom 10", ColText, FIELD(m_szCustom[9]), sizeof(PmAddrEx2Record{}.m_szCustom[9])},  // 73
    {"Custom 11", ColText, FIELD(m_szCustom[10]), sizeof(PmAddrEx2Record{}.m_szCustom[10])},  // 74
    {"Custom 12", ColText, FIELD(m_szCustom[11]), sizeof(PmAddrEx2Record{}.m_szCustom[11])},  // 75
    {"Custom 13", ColText, FIELD(m_szCustom[12]), sizeof(PmAddrEx2Record{}.m_szCustom[12])},  // 76
    {"Custom 14", ColText, FIELD(m_szCustom[13]), sizeof(PmAddrEx2Record{}.m_szCustom[13])},  // 77
    {"Birthday AlarmSet", ColBool, FIELD(m_bBirthdayAlarmSet), 0},  // 78
    {"Birthday AlarmAdv", ColInt, FIELD(m_nBirthdayAlarmAdv), 0},  // 79
    {"Avatar", ColInt, FIELD(m_nAvatar), 0},  // 80
    {"Addr Label1", ColInt, FIELD(m_nAddrLabel1), 0},  // 81
    {"Addr Label2", ColInt, FIELD(m_nAddrLabel2), 0},  // 82
    {"Addr Label3", ColInt, FIELD(m_nAddrLabel3), 0},  // 83
    {"Anniversary AlarmSet", ColBool, FIELD(m_bAnniversaryAlarmSet), 0},  // 84
    {"Anniversary AlarmAdv", ColInt, FIELD(m_nAnniversaryAlarmAdv), 0},  // 85
    {"English Name", ColText, FIELD(m_szEnglishName), sizeof(PmAddrEx2Record::m_szEnglishName)},  // 86
    {"Picture URL", ColText, FIELD(m_szPictureURL), sizeof(PmAddrEx2Record::m_szPictureURL)},  // 87
    {"Picture Filename", ColText, FIELD(m_szPictureFilename), sizeof(PmAddrEx2Record::m_szPictureFilename)},  // 88
    {"Picture MIME type", ColText, FIELD(m_szPictureMIMEType), sizeof(PmAddrEx2Record::m_szPictureMIMEType)},  // 89
    {"Picture Sync counter", ColText, FIELD(m_szPictureSyncCounter), sizeof(PmAddrEx2Record::m_szPictureSyncCounter)},  // 90
    {"Ringtone URL", ColText, FIELD(m_szRingtoneURL), sizeof(PmAddrEx2Record::m_szRingtoneURL)},  // 91
    {"Ringtone Filename", ColText, FIELD(m_szRingtoneFilename), sizeof(PmAddrEx2Record::m_szRingtoneFilename)},  // 92
    {"Ringtone MIME type", ColText, FIELD(m_szRingtoneMIMEType), sizeof(PmAddrEx2Record::m_szRingtoneMIMEType)},  // 93
    {"Ringtone Sync counter", ColText, FIELD(m_szRingtoneSyncCounter), sizeof(PmAddrEx2Record::m_szRingtoneSyncCounter)},  // 94
};

#undef FIELD

const char* const* ColumnNames() {
    static const char* names[PM_ADDREX2_COLUMNS] = {};
    if (!names[0])
        for (int i = 0; i < PM_ADDREX2_COLUMNS; ++i) names[i] = kColumns[i].name;
    return names;
}

int32_t& IntAt(PmAddrEx2Record& r, const ColumnInfo& c) {
    return *reinterpret_cast<int32_t*>(reinterpret_cast<char*>(&r) + c.offset);
}
int32_t IntAt(const PmAddrEx2Record& r, const ColumnInfo& c) {
    int32_t v;
    memcpy(&v, reinterpret_cast<const char*>(&r) + c.offset, sizeof v);
    return v;
}
uint8_t& ByteAt(PmAddrEx2Record& r, const ColumnInfo& c) {
    return *reinterpret_cast<uint8_t*>(reinterpret_cast<char*>(&r) + c.offset);
}
uint8_t ByteAt(const PmAddrEx2Record& r, const ColumnInfo& c) {
    return *(reinterpret_cast<const uint8_t*>(&r) + c.offset);
}
char* TextAt(PmAddrEx2Record& r, const ColumnInfo& c) {
    return reinterpret_cast<char*>(&r) + c.offset;
}
const char* TextAt(const PmAddrEx2Record& r, const ColumnInfo& c) {
    return reinterpret_cast<const char*>(&r) + c.offset;
}

bool ColumnEqual(const PmAddrEx2Record& a, const PmAddrEx2Record& b, int col) {
    const ColumnInfo& c = kColumns[col];
    switch (c.kind) {
    case ColInt:
    case ColCategory:
        return IntAt(a, c) == IntAt(b, c);
    case ColBool:
        return ByteAt(a, c) == ByteAt(b, c);
    case ColText:
        return strncmp(TextAt(a, c), TextAt(b, c), c.width) == 0;
    default:
        return true;
    }
}

const char* const kKeyNames[] = {"Record ID", "First Name", "Last Name"};
const int kKeyColumns[] = {0, 7, 9};

// Makes the three key values of a record; false when one cannot be made.
bool MakeKeys(const PmAddrEx2Record* rec, PmSqlValues& keys) {
    keys.assign(3, PmSqlValue());
    for (int i = 0; i < 3; ++i)
        if (!GetColumnValue(rec, kKeyColumns[i], &keys[static_cast<size_t>(i)])) return false;
    return true;
}

constexpr int kFirstPhoneText = 34;
constexpr int kFirstPhoneLabel = 53;

// Whether First and Last Name of a row come whole and exactly in the code
// page, so that the names in the record find the row again.
uint8_t NamesExact(const PmSqlValue* row) {
    char name[sizeof PmAddrEx2Record{}.m_szFirstName];
    return GetSqlTextExact(&row[7], name, sizeof PmAddrEx2Record{}.m_szFirstName) &&
                   GetSqlTextExact(&row[9], name, sizeof PmAddrEx2Record{}.m_szLastName)
               ? 1
               : 0;
}

// A Record ID no row of the store holds: one above the highest (the store
// keeps every row the load read, offered or not, and every row added since);
// the lowest free positive one when the highest is the largest there is.
int32_t NextFreeId(PmAddrEx2DataMgr& store) {
    std::vector<int32_t> ids;
    int32_t highest = 0;
    for (const PmAddrEx2Record* r = store.GetFirst(); r; r = store.GetNext()) {
        ids.push_back(r->m_nRecordID);
        if (r->m_nRecordID > highest) highest = r->m_nRecordID;
    }
    if (highest < INT32_MAX) return highest + 1;
    std::sort(ids.begin(), ids.end());
    int32_t next = 1;
    for (int32_t id : ids)
        if (id == next) ++next;
        else if (id > next) break;
    return next;
}

// FNV-1a over the bytes given.
void Mix(uint64_t& h, const void* data, size_t n) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < n; ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
}

PmAddrEx2Util::UserFolderFn& UserFolderSource() {
    static PmAddrEx2Util::UserFolderFn fn;
    return fn;
}

}  // namespace

void ClearRecord(PmAddrEx2Record& rec) { memset(&rec, 0, sizeof rec); }

// ---------------------------------------------------------------- columns

const char* GetColumnName(int column) {
    if (column < 0 || column >= PM_ADDREX2_COLUMNS) return "";
    return kColumns[column].name;
}

const char* const* GetColumnList() { return ColumnNames(); }

bool GetColumnValue(const PmAddrEx2Record* rec, int column, PmSqlValue* out) {
    if (!rec || !out || column < 0 || column >= PM_ADDREX2_COLUMNS) return false;
    const ColumnInfo& c = kColumns[column];
    switch (c.kind) {
    case ColInt:
        return SetSqlInt(out, IntAt(*rec, c));
    case ColBool:
        return SetSqlBool(out, ByteAt(*rec, c));
    case ColCategory:
        return SetSqlIntText(out, IntAt(*rec, c));
    case ColText: {
        // The field may be full to its last byte: never read past it.
        std::string text(TextAt(*rec, c), strnlen(TextAt(*rec, c), c.width));
        return SetSqlText(out, text.c_str());
    }
    case ColNone:
        return SetSqlText(out, nullptr);
    }
    return false;
}

bool SetColumnValue(const PmSqlValue* value, int column, PmAddrEx2Record* rec) {
    if (!rec || column < 0 || column >= PM_ADDREX2_COLUMNS) return false;
    const ColumnInfo& c = kColumns[column];
    switch (c.kind) {
    case ColInt:
    case ColCategory: {
        int32_t v = 0;
        if (!GetSqlInt(value, v)) return false;
        IntAt(*rec, c) = v;
        return true;
    }
    case ColBool: {
        bool v = false;
        if (!GetSqlBool(value, v)) return false;
        ByteAt(*rec, c) = v ? 1 : 0;
        return true;
    }
    case ColText:
        return GetSqlText(value, TextAt(*rec, c), c.width);
    case ColNone:
        return true;
    }
    return false;
}

bool RowToRecord(const PmSqlValue* values, int count, PmAddrEx2Record* rec) {
    if (!values || !rec || count != PM_ADDREX2_COLUMNS) return false;
    bool ok = true;
    for (int i = 0; i < PM_ADDREX2_COLUMNS; ++i)
        if (!SetColumnValue(&values[i], i, rec)) ok = false;
    rec->m_bStored = 1;
    rec->m_bNamesExact = NamesExact(values);
    rec->m_nRowHash = RowHash(values, count);
    return ok;
}

// Each value as the column's kind reads it, so a value written and the
// same value read back digest alike (an integer written as text, an absent
// text and an empty one); a null or a value of another kind stands apart.
uint64_t RowHash(const PmSqlValue* values, int count) {
    uint64_t h = 14695981039346656037ull;
    if (!values || count != PM_ADDREX2_COLUMNS) return h;
    for (int col = 0; col < PM_ADDREX2_COLUMNS; ++col) {
        const PmSqlValue& v = values[col];
        const ColKind kind = kColumns[col].kind;
        int32_t n = 0;
        bool b = false;
        char tag = 'o';
        if ((kind == ColInt || kind == ColCategory) && GetSqlInt(&v, n)) {
            tag = 'i';
            Mix(h, &tag, 1);
            Mix(h, &n, sizeof n);
        } else if (kind == ColBool && GetSqlBool(&v, b)) {
            tag = b ? 'T' : 'F';
            Mix(h, &tag, 1);
        } else if ((kind == ColText || kind == ColNone) && v.vt == PM_VT_BSTR) {
            tag = 't';
            const size_t len = v.bstrVal ? v.bstrVal->size() : 0;
            Mix(h, &tag, 1);
            Mix(h, &len, sizeof len);
            if (len) Mix(h, v.bstrVal->data(), len * sizeof(char16_t));
        } else {
            Mix(h, &tag, 1);
            Mix(h, &v.vt, sizeof v.vt);
        }
    }
    return h;
}

bool RecordsEqual(const PmAddrEx2Record* a, const PmAddrEx2Record* b) {
    if (!a || !b) return false;
    if (a == b) return true;
    for (int col = 0; col < PM_ADDREX2_COLUMNS; ++col) {
        // Not compared: Placement, the assistant, the Yomi texts and Avatar.
        if (col == 2 || col == 17 || col == 18 || (col >= 60 && col <= 62) || col == 80) continue;
        if (!ColumnEqual(*a, *b, col)) return false;
    }
    return true;
}

bool ListChangedColumns(const PmAddrEx2Record* rec, const PmAddrEx2Record* stored, int* columns,
                        int& count) {
    if (!rec || !stored || !columns) return false;
    // The phone labels (53 to 59, each with the number of its slot) and the
    // chat columns (63 to 66) are written too: a number placed in a
    // relabelled slot, or a changed chat
    // name, would otherwise come back wrong or not at all after a reload.
    static const int kOrder[] = {
        0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
        21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40,
        48, 49, 50, 51, 68, 69, 70, 71, 72, 73, 74, 75, 76, 77, 52, 67, 78, 79, 80, 84, 85,
        86, 87, 88, 89, 90, 91, 92, 93, 94, 53, 54, 55, 56, 57, 58, 59, 63, 64, 65, 66};
    count = 0;
    for (int col : kOrder) {
        if (ColumnEqual(*rec, *stored, col) || count >= PM_ADDREX2_COLUMNS) continue;
        // A label goes with its number: relabelling a slot whose number
        // stays is no change to write.
        if (col >= kFirstPhoneLabel && col < kFirstPhoneLabel + PM_ADDREX2_PHONES &&
            ColumnEqual(*rec, *stored, col - kFirstPhoneLabel + kFirstPhoneText))
            continue;
        columns[count++] = col;
    }
    return true;
}

bool ListAllColumns(int* columns, int& count) {
    if (!columns) return false;
    for (int i = 0; i < PM_ADDREX2_COLUMNS; ++i) columns[i] = i;
    count = PM_ADDREX2_COLUMNS;
    return true;
}

// ---------------------------------------------------------------- store

PmAddrEx2DataMgr::~PmAddrEx2DataMgr() { Clear(); }

void PmAddrEx2DataMgr::Clear() { m_Recs.RemoveAll(true); }

bool PmAddrEx2DataMgr::AddCopy(const PmAddrEx2Record* rec) {
    if (!rec) return false;
    return m_Recs.Append(std::make_unique<PmAddrEx2Record>(*rec)) != nullptr;
}

PmAddrEx2Record* PmAddrEx2DataMgr::GetFirst() { return m_Recs.GetFirst(); }
PmAddrEx2Record* PmAddrEx2DataMgr::GetNext() { return m_Recs.GetNext(); }
PmAddrEx2Record* PmAddrEx2DataMgr::GetAt(int index) {
    return index < 0 ? nullptr : m_Recs.GetAt(static_cast<size_t>(index));
}

// ---------------------------------------------------------------- PmAddrEx2Util

PmAddrEx2Util::PmAddrEx2Util() : m_pRecs(std::make_unique<PmAddrEx2DataMgr>()) {}

PmAddrEx2Util::PmAddrEx2Util(const char* path) : PmAddrEx2Util() { m_bLoaded = Load(path); }

PmAddrEx2Util::~PmAddrEx2Util() { m_pRecs.reset(); }

void PmAddrEx2Util::SetUserFolderSource(UserFolderFn fn) { UserFolderSource() = std::move(fn); }

bool PmAddrEx2Util::LoadByUser(uint32_t userId) {
    CX_LOG(2, "Start loading Palm Desktop Contacts by user ID: %d", static_cast<int>(userId));
    char folder[CX_MAX_PATH] = {};
    const UserFolderFn& source = UserFolderSource();
    if (!source || !source(userId, folder, sizeof folder) || !folder[0]) {
        CX_LOG(0, "Failed to get user database path by user ID.");
        return false;
    }
    std::string path = folder;
    path += "address\\";
    path += "Address.mdb";
    if (path.size() >= CX_MAX_PATH) {
        CX_LOG(0, "Failed to get user database path by user ID.");
        return false;
    }
    CX_LOG(2, "Get user file successfully, try loading file:%s", path.c_str());
    return Load(path.c_str());
}

bool PmAddrEx2Util::Load(const char* path) {
    if (!path || !path[0]) return false;
    CX_LOG(2, "Loading Palm Desktop Contacts:%s", path);
    m_bLoaded = false;
    if (!Open(PM_DB_ADDR, path)) {
        CX_LOG(0, "Open Palm Desktop Contacts database failed: %s", path);
        return false;
    }
    // Only a store read whole is written to.
    m_bLoaded = LoadRecords();
    return m_bLoaded;
}

bool PmAddrEx2Util::LoadRecords() {
    if (!m_pAccessor || !m_pRecs) return false;
    CX_LOG(2, "Start loading Palm Desktop Contacts main records.");
    PmSqlValues row;
    int count = PM_ADDREX2_COLUMNS;
    bool more = m_pAccessor->SelectFirst("Main", GetColumnList(), row, count);
    if (more)
        CX_LOG(2, "Query first record in the Contacts database table successfully.");
    else
        CX_LOG(2, "Failed to query the first record of the Contacts main table. Check if there "
                  "is any records in the database table.");
    // A selection the database refused is no empty table.
    bool refused = !more && m_pAccessor->LastRefused();
    auto rec = std::make_unique<PmAddrEx2Record>();
    while (more) {
        ClearRecord(*rec);
        RowToRecord(row.data(), static_cast<int>(row.size()), rec.get());
        FillCategoryText(rec.get());
        m_pRecs->AddCopy(rec.get());
        FreeSqlValues(row, count);
        count = PM_ADDREX2_COLUMNS;
        more = m_pAccessor->SelectNext("Main", GetColumnList(), row, count);
        if (!more) {
            CX_LOG(2, "Failed to query the next record of the Contacts main table. Check if it "
                      "is the end of the table.");
            refused = m_pAccessor->LastRefused();
        }
    }
    if (refused) return false;
    CX_LOG(2, "Loading Palm Desktop Contacts main records completed successfully.");
    return true;
}

bool PmAddrEx2Util::FillCategoryText(PmAddrEx2Record* rec) {
    if (!rec || !m_pCatMgr) return false;
    PmCategoryEx2* cat = m_pCatMgr->FindById(rec->m_nCategoryID);
    if (!cat) return false;
    CxCopyText(rec->m_szCategory, cat->m_szName);
    return true;
}

bool PmAddrEx2Util::GetCategoryId(const char* text, int32_t& id, bool create) {
    if (!text || !text[0]) {
        id = 0;
        return true;
    }
    if (PmCategoryEx2* cat = m_pCatMgr->FindByName(text)) {
        id = cat->m_nID;
        return true;
    }
    if (!create) {
        id = 0;
        return false;
    }
    PmCategoryEx2 cat;
    cat.SetName(text);
    m_pCatMgr->CreateCategory(cat);
    if (PmCategoryEx2* found = m_pCatMgr->FindByName(text)) {
        id = found->m_nID;
        return true;
    }
    id = -1;
    return false;
}

bool PmAddrEx2Util::FindRecord(const char* const* keyNames, const PmSqlValue* keyValues,
                               int keyCount, PmAddrEx2Record* out) {
    if (!keyNames || !keyValues || keyCount <= 0 || !out) return false;
    char where[PM_SQL_SELECTION_SIZE];
    if (!BuildWhereClause(keyNames, keyCount, keyValues, where, sizeof where)) return false;
    ClearRecord(*out);
    PmSqlValues row;
    if (!SelectMainWhere(where, GetColumnList(), row, PM_ADDREX2_COLUMNS)) return false;
    for (int i = 0; i < PM_ADDREX2_COLUMNS && i < static_cast<int>(row.size()); ++i)
        SetColumnValue(&row[static_cast<size_t>(i)], i, out);
    FreeSqlValues(row, PM_ADDREX2_COLUMNS);
    return true;
}

bool PmAddrEx2Util::LocateRow(const PmAddrEx2Record& rec, PmSqlValues& row, char* where,
                              size_t size) {
    PmSqlValues keys;
    if (!MakeKeys(&rec, keys)) return false;
    // Names narrowed or cut at load would not find their row again.
    const int keyCount = rec.m_bNamesExact ? 3 : 1;
    if (!rec.m_bNamesExact && rec.m_nRecordID == 0) {
        CX_LOG(0, "Palm Desktop contact %s %s has neither whole names nor a Record ID to find "
                  "its row by; nothing written.",
               rec.m_szFirstName, rec.m_szLastName);
        return false;
    }
    if (!BuildWhereClause(kKeyNames, keyCount, keys.data(), where, size)) return false;
    if (!SelectMainWhere(where, GetColumnList(), row, PM_ADDREX2_COLUMNS) ||
        row.size() != PM_ADDREX2_COLUMNS) {
        CX_LOG(0, "The row of Palm Desktop contact %s %s (Record ID %d) is no longer in the "
                  "database; nothing written.",
               rec.m_szFirstName, rec.m_szLastName, static_cast<int>(rec.m_nRecordID));
        return false;
    }
    if (m_pAccessor->SkipRow()) {
        CX_LOG(0, "More than one row answers for Palm Desktop contact %s %s (Record ID %d); "
                  "nothing written.",
               rec.m_szFirstName, rec.m_szLastName, static_cast<int>(rec.m_nRecordID));
        return false;
    }
    return true;
}

bool PmAddrEx2Util::WriteRecord(PmAddrEx2Record* rec, const PmAddrEx2Record* asStored) {
    if (!rec || !m_pAccessor || !m_bLoaded) return false;
    const PmAddrEx2Record& was = asStored ? *asStored : *rec;
    if (!was.m_bStored) return InsertRecord(rec);
    PmSqlValues row;
    char where[PM_SQL_SELECTION_SIZE];
    if (!LocateRow(was, row, where, sizeof where)) return false;
    if (RowHash(row.data(), static_cast<int>(row.size())) != was.m_nRowHash) {
        CX_LOG(0, "Palm Desktop contact %s %s (Record ID %d) was changed in the database since "
                  "it was loaded; nothing written.",
               rec->m_szFirstName, rec->m_szLastName, static_cast<int>(rec->m_nRecordID));
        return false;
    }
    auto stored = std::make_unique<PmAddrEx2Record>();
    ClearRecord(*stored);
    RowToRecord(row.data(), PM_ADDREX2_COLUMNS, stored.get());
    int columns[PM_ADDREX2_COLUMNS];
    if (RecordsEqual(rec, stored.get())) return true;
    int count = 0;
    ListChangedColumns(rec, stored.get(), columns, count);
    // A label that goes unwritten stays as the row has it.
    for (int i = 0; i < PM_ADDREX2_PHONES; ++i)
        if (std::find(columns, columns + count, kFirstPhoneLabel + i) == columns + count)
            rec->m_nPhoneLabel[i] = stored->m_nPhoneLabel[i];
    if (count == 0) return true;
    PmSqlValues values;
    if (!WriteColumns(rec, columns, count, where, &values)) return false;
    for (int i = 0; i < count; ++i)
        row[static_cast<size_t>(columns[i])] = std::move(values[static_cast<size_t>(i)]);
    rec->m_bStored = 1;
    rec->m_nRowHash = RowHash(row.data(), PM_ADDREX2_COLUMNS);
    rec->m_bNamesExact = NamesExact(row.data());
    return true;
}

bool PmAddrEx2Util::NewRecordId(int32_t& id) {
    if (!m_pAccessor || !m_pRecs) return false;
    int64_t next = int64_t{NextFreeId(*m_pRecs)};
    // Palm Desktop hands out the Information row's "FreeRecID" next.
    static const char* const kInfo[] = {"Name", "Note"};
    PmSqlValue key;
    SetSqlText(&key, "FreeRecID");
    char where[256];
    PmSqlValues row;
    bool haveRow = false;
    if (BuildWhereClause(kInfo, 1, &key, where, sizeof where)) {
        std::string stmt = m_pAccessor->BuildInfoStatement(where, SQL_SELECT, kInfo, nullptr, 2);
        int n = 2;
        haveRow = m_pAccessor->QueryFirst(stmt.c_str(), row, n) && row.size() == 2;
    }
    if (haveRow) {
        char note[32] = {};
        GetSqlText(&row[1], note, sizeof note);
        const int64_t free = CxAtol(note);
        if (free > next && free <= INT32_MAX) next = free;
        char text[32];
        snprintf(text, sizeof text, "%lld", static_cast<long long>(next + 1));
        PmSqlValue value;
        SetSqlText(&value, text);
        static const char* const kNote[] = {"Note"};
        std::string stmt = m_pAccessor->BuildInfoStatement(where, SQL_UPDATE, kNote, &value, 1);
        // Advanced first: a failed insert then only skips a number.
        if (!m_pAccessor->ExecuteQuery(stmt.c_str(), false)) {
            CX_LOG(0, "The next free Palm Desktop Record ID could not be reserved; the contact "
                      "is not added.");
            return false;
        }
    }
    id = static_cast<int32_t>(next);
    return true;
}

bool PmAddrEx2Util::InsertRecord(PmAddrEx2Record* rec) {
    if (rec->m_nRecordID == 0 && !NewRecordId(rec->m_nRecordID)) return false;
    int columns[PM_ADDREX2_COLUMNS];
    int count = 0;
    ListAllColumns(columns, count);
    PmSqlValues values;
    if (!WriteColumns(rec, columns, count, nullptr, &values)) return false;
    rec->m_bStored = 1;
    rec->m_nRowHash = RowHash(values.data(), PM_ADDREX2_COLUMNS);
    rec->m_bNamesExact = NamesExact(values.data());
    return true;
}

bool PmAddrEx2Util::WriteColumns(const PmAddrEx2Record* rec, const int* columns, int count) {
    char where[PM_SQL_SELECTION_SIZE] = {};
    if (!rec || !columns || count <= 0 || count > PM_ADDREX2_COLUMNS) return false;
    if (columns[0] != 0) {
        PmSqlValues keys;
        if (!MakeKeys(rec, keys)) return false;
        if (!BuildWhereClause(kKeyNames, 3, keys.data(), where, sizeof where)) return false;
    }
    return WriteColumns(rec, columns, count, columns[0] != 0 ? where : nullptr, nullptr);
}

bool PmAddrEx2Util::WriteColumns(const PmAddrEx2Record* rec, const int* columns, int count,
                                 const char* where, PmSqlValues* written) {
    if (!rec || !columns || count <= 0 || count > PM_ADDREX2_COLUMNS || !m_pAccessor)
        return false;
    const char* names[PM_ADDREX2_COLUMNS];
    for (int i = 0; i < count; ++i) names[i] = GetColumnName(columns[i]);
    const bool insert = columns[0] == 0;
    if (!insert && (!where || !where[0])) return false;
    PmSqlValues values(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        if (!GetColumnValue(rec, columns[i], &values[static_cast<size_t>(i)])) {
            FreeSqlValues(values, count);
            return false;
        }
    }
    const char* stmt = m_pAccessor->BuildMainStatement(insert ? nullptr : where,
                                                       insert ? SQL_INSERT : SQL_UPDATE, names,
                                                       values.data(), count);
    std::string text(stmt);
    bool ok = m_pAccessor->ExecuteQuery(text.c_str(), false);
    if (ok && written) *written = std::move(values);
    FreeSqlValues(values, count);
    return ok;
}
