#include "common/addr/CommAddr.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <type_traits>

#include "common/misc/CxDateTime.h"
#include "common/misc/CxText.h"
#include "common/addr/CommText.h"

static_assert(std::is_standard_layout<CommAddrData>::value, "slots are found by offset");
static_assert(std::is_trivially_copyable<CommAddrData>::value, "slots are copied whole");

const CommFieldInfo g_CommFieldInfo[COMM_FIELD_COUNT] = {
    {1, "First Name", 1, 32},
    {2, "Middle Name", 1, 32},
    {3, "Last Name", 1, 32},
    {4, "Prefix", 1, 32},
    {5, "Suffix", 1, 32},
    {6, "Nick Name", 1, 32},
    {7, "Display Name", 1, 32},
    {8, "Gender", 4, 4},
    {9, "(Work) Street", 1, 256},
    {10, "(Work) City", 1, 32},
    {11, "(Work) State", 1, 32},
    {12, "(Work) Postal", 1, 16},
    {13, "(Work) Country", 1, 32},
    {14, "(Home) Street", 1, 256},
    {15, "(Home) City", 1, 32},
    {16, "(Home) State", 1, 32},
    {17, "(Home) Postal", 1, 16},
    {18, "(Home) Country", 1, 32},
    {19, "(Other) Street", 1, 256},
    {20, "(Other) City", 1, 32},
    {21, "(Other) State", 1, 32},
    {22, "(Other) Postal", 1, 16},
    {23, "(Other) Country", 1, 32},
    {24, "Home Phone", 1, 24},
    {25, "Work Phone", 1, 24},
    {26, "Mobile Phone", 1, 24},
    {27, "Other Phone", 1, 24},
    {28, "Primary Phone", 1, 24},
    {29, "Callback Phone", 1, 24},
    {30, "Car Phone", 1, 24},
    {31, "Radio Phone", 1, 24},
    {32, "Work Phone 2", 1, 24},
    {33, "Home Phone 2", 1, 24},
    {34, "Work Fax", 1, 24},
    {35, "Home Fax", 1, 24},
    {36, "Pager", 1, 24},
    {37, "Email", 1, 64},
    {38, "Email 2", 1, 64},
    {39, "Email 3", 1, 64},
    {41, "Work Home Page", 1, 256},
    {40, "Personal Home Page", 1, 256},
    {42, "FTP Site", 1, 256},
    {43, "Note", 1, 8192},
    {44, "Custom 1", 1, 64},
    {45, "Custom 2", 1, 64},
    {46, "Custom 3", 1, 64},
    {47, "Custom 4", 1, 64},
    {48, "Custom 5", 1, 64},
    {49, "Custom 6", 1, 64},
    {50, "Custom 7", 1, 64},
    {51, "Custom 8", 1, 64},
    {52, "Custom 9", 1, 64},
    {53, "Company", 1, 64},
    {55, "Title", 1, 32},
    {54, "Department", 1, 32},
    {56, "IM 1", 1, 32},
    {57, "IM 2", 1, 32},
    {58, "Manager Name", 1, 32},
    {59, "Assistant Name", 1, 32},
    {60, "Assistant Phone", 1, 24},
    {61, "Spouse Name", 1, 32},
    {62, "Children's Names", 1, 32},
    {63, "Profession", 1, 64},
    {64, "Hobby", 1, 64},
    {65, "Account", 1, 32},
    {67, "Birthday", 6, 8},
    {66, "Anniversary", 6, 8},
    {68, "Keyword", 1, 64},
    {69, "Language", 1, 64},
    {70, "Location", 1, 64},
    {71, "MHS Common Name", 1, 32},
    {72, "Customer ID", 1, 32},
    {73, "Government ID", 1, 32},
    {74, "Organization ID", 1, 32},
    {75, "Category", 1, 256},
    {76, "Creation Time", 6, 8},
    {77, "Last Modification Time", 6, 8},
    {78, "Source Type", 5, 4},
    {79, "Status", 5, 4},
    {80, "ID", 1, 64},
    {81, "Private", 5, 4},
    {82, "Custom Label 1", 1, 64},
    {83, "Custom Label 2", 1, 64},
    {84, "Custom Label 3", 1, 64},
    {85, "Custom Label 4", 1, 64},
    {86, "Custom Label 5", 1, 64},
    {87, "Custom Label 6", 1, 64},
    {88, "Custom Label 7", 1, 64},
    {89, "Custom Label 8", 1, 64},
    {90, "Custom Label 9", 1, 64},
};

// ---------------------------------------------------------------- slots

namespace {

enum SlotKind : uint8_t { SLOT_NONE = 0, SLOT_TEXT, SLOT_INT, SLOT_DATE };

struct SlotInfo {
    int32_t m_nId;
    SlotKind m_nKind;
    uint32_t m_nOffset;
    uint32_t m_nSize;
};

#define VT_SLOT(id, kind, member) \
    SlotInfo { id, kind, static_cast<uint32_t>(offsetof(CommAddrData, member)), \
               static_cast<uint32_t>(sizeof(CommAddrData::member)) }
#define VT_TEXT_SLOT(id, member) VT_SLOT(id, SLOT_TEXT, member)
#define VT_INT_SLOT(id, member) VT_SLOT(id, SLOT_INT, member)
#define VT_DATE_SLOT(id, member) VT_SLOT(id, SLOT_DATE, member)

// Row i describes id i + 1.
constexpr SlotInfo kSlots[COMM_FIELD_COUNT] = {
    VT_TEXT_SLOT(1, m_szFirstName),
    VT_TEXT_SLOT(2, m_szMiddleName),
    VT_TEXT_SLOT(3, m_szLastName),
    VT_TEXT_SLOT(4, m_szPrefix),
    VT_TEXT_SLOT(5, m_szSuffix),
    VT_TEXT_SLOT(6, m_szNickName),
    VT_TEXT_SLOT(7, m_szDisplayName),
    VT_INT_SLOT(8, m_nGender),
    VT_TEXT_SLOT(9, m_WorkAddr.m_szStreet),
    VT_TEXT_SLOT(10, m_WorkAddr.m_szCity),
    VT_TEXT_SLOT(11, m_WorkAddr.m_szState),
    VT_TEXT_SLOT(12, m_WorkAddr.m_szPostal),
    VT_TEXT_SLOT(13, m_WorkAddr.m_szCountry),
    VT_TEXT_SLOT(14, m_HomeAddr.m_szStreet),
    VT_TEXT_SLOT(15, m_HomeAddr.m_szCity),
    VT_TEXT_SLOT(16, m_HomeAddr.m_szState),
    VT_TEXT_SLOT(17, m_HomeAddr.m_szPostal),
    VT_TEXT_SLOT(18, m_HomeAddr.m_szCountry),
    VT_TEXT_SLOT(19, m_OtherAddr.m_szStreet),
    VT_TEXT_SLOT(20, m_OtherAddr.m_szCity),
    VT_TEXT_SLOT(21, m_OtherAddr.m_szState),
    VT_TEXT_SLOT(22, m_OtherAddr.m_szPostal),
    VT_TEXT_SLOT(23, m_OtherAddr.m_szCountry),
    VT_TEXT_SLOT(24, m_szHomePhone),
    VT_TEXT_SLOT(25, m_szWorkPhone),
    VT_TEXT_SLOT(26, m_szMobilePhone),
    VT_TEXT_SLOT(27, m_szOtherPhone),
    VT_TEXT_SLOT(28, m_szPrimaryPhone),
    VT_TEXT_SLOT(29, m_szCallbackPhone),
    VT_TEXT_SLOT(30, m_szCarPhone),
    VT_TEXT_SLOT(31, m_szRadioPhone),
    VT_TEXT_SLOT(32, m_szWorkPhone2),
    VT_TEXT_SLOT(33, m_szHomePhone2),
    VT_TEXT_SLOT(34, m_szWorkFax),
    VT_TEXT_SLOT(35, m_szHomeFax),
    VT_TEXT_SLOT(36, m_szPager),
    VT_TEXT_SLOT(37, m_szEmail),
    VT_TEXT_SLOT(38, m_szEmail2),
    VT_TEXT_SLOT(39, m_szEmail3),
    VT_TEXT_SLOT(40, m_szPersonalHomePage),
    VT_TEXT_SLOT(41, m_szWorkHomePage),
    VT_TEXT_SLOT(42, m_szFtpSite),
    VT_TEXT_SLOT(43, m_szNote),
    VT_TEXT_SLOT(44, m_szCustom[0]),
    VT_TEXT_SLOT(45, m_szCustom[1]),
    VT_TEXT_SLOT(46, m_szCustom[2]),
    VT_TEXT_SLOT(47, m_szCustom[3]),
    VT_TEXT_SLOT(48, m_szCustom[4]),
    VT_TEXT_SLOT(49, m_szCustom[5]),
    VT_TEXT_SLOT(50, m_szCustom[6]),
    VT_TEXT_SLOT(51, m_szCustom[7]),
    VT_TEXT_SLOT(52, m_szCustom[8]),
    VT_TEXT_SLOT(53, m_szCompany),
    VT_TEXT_SLOT(54, m_szDepartment),
    VT_TEXT_SLOT(55, m_szTitle),
    VT_TEXT_SLOT(56, m_szIM1),
    VT_TEXT_SLOT(57, m_szIM2),
    VT_TEXT_SLOT(58, m_szManagerName),
    VT_TEXT_SLOT(59, m_szAssistantName),
    VT_TEXT_SLOT(60, m_szAssistantPhone),
    VT_TEXT_SLOT(61, m_szSpouseName),
    VT_TEXT_SLOT(62, m_szChildrenNames),
    VT_TEXT_SLOT(63, m_szProfession),
    VT_TEXT_SLOT(64, m_szHobby),
    VT_TEXT_SLOT(65, m_szAccount),
    VT_DATE_SLOT(66, m_dtAnniversary),
    VT_DATE_SLOT(67, m_dtBirthday),
    VT_TEXT_SLOT(68, m_szKeyword),
    VT_TEXT_SLOT(69, m_szLanguage),
    VT_TEXT_SLOT(70, m_szLocation),
    VT_TEXT_SLOT(71, m_szMHSCommonName),
    VT_TEXT_SLOT(72, m_szCustomerID),
    VT_TEXT_SLOT(73, m_szGovernmentID),
    VT_TEXT_SLOT(74, m_szOrganizationID),
    VT_TEXT_SLOT(75, m_szCategory),
    VT_DATE_SLOT(76, m_dtCreationTime),
    VT_DATE_SLOT(77, m_dtLastModificationTime),
    VT_INT_SLOT(78, m_nSourceType),
    VT_INT_SLOT(79, m_nStatus),
    VT_TEXT_SLOT(80, m_szID),
    VT_INT_SLOT(81, m_nPrivate),
    VT_TEXT_SLOT(82, m_szCustomLabel[0]),
    VT_TEXT_SLOT(83, m_szCustomLabel[1]),
    VT_TEXT_SLOT(84, m_szCustomLabel[2]),
    VT_TEXT_SLOT(85, m_szCustomLabel[3]),
    VT_TEXT_SLOT(86, m_szCustomLabel[4]),
    VT_TEXT_SLOT(87, m_szCustomLabel[5]),
    VT_TEXT_SLOT(88, m_szCustomLabel[6]),
    VT_TEXT_SLOT(89, m_szCustomLabel[7]),
    VT_TEXT_SLOT(90, m_szCustomLabel[8]),
};

#undef VT_SLOT
#undef VT_TEXT_SLOT
#undef VT_INT_SLOT
#undef VT_DATE_SLOT

constexpr bool SlotRowsInIdOrder() {
    for (size_t i = 0; i < COMM_FIELD_COUNT; ++i)
        if (kSlots[i].m_nId != static_cast<int32_t>(i + 1)) return false;
    return true;
}
static_assert(SlotRowsInIdOrder(), "slot row i must describe id i + 1");

const SlotInfo* FindSlot(int32_t id) {
    if (id < 1 || id > static_cast<int32_t>(COMM_FIELD_COUNT)) return nullptr;
    return &kSlots[id - 1];
}

unsigned char* SlotBase(CommAddr& rec) {
    return reinterpret_cast<unsigned char*>(static_cast<CommAddrData*>(&rec));
}

const unsigned char* SlotBase(const CommAddr& rec) {
    return reinterpret_cast<const unsigned char*>(static_cast<const CommAddrData*>(&rec));
}

bool InRange(int32_t id, int32_t lo, int32_t hi) { return id >= lo && id <= hi; }

// Ids that have a display text.
bool IsDisplayTextId(int32_t id) {
    return InRange(id, 1, 7) || InRange(id, 9, 37) || InRange(id, 40, 60) || InRange(id, 63, 65) ||
           InRange(id, 68, 75) || InRange(id, 82, 90);
}

// Ids taken from a non-empty source value when records are merged.
bool IsMergeTextId(int32_t id) {
    return InRange(id, 1, 7) || InRange(id, 9, 65) || InRange(id, 68, 75) || InRange(id, 82, 90);
}

const char* const kSourceTypeText[] = {
    "Palm",    "Palm(4.1.2 and aboves)", "Outlook", "Windows Address Book", "MSN",
    "ICQ",     "Yahoo",                  "Google",  "Domino",               "Endora",
    "CSV",     "XML",                    "VCard",   "Database",             "Merrowline",
};

const int32_t kDefaultMatchKeys[] = {FID_FIRST_NAME, FID_LAST_NAME, FID_EMAIL};
const int32_t kDefaultCompareFields[] = {24, 25, 26, 37, 34, 35, 53, 55, 13, 11, 12, 10,
                                         9,  18, 16, 17, 15, 14, 23, 21, 22, 20, 19, 43};

}  // namespace

char* GetTextSlot(CommAddr& rec, int32_t id, size_t* size) {
    const SlotInfo* slot = FindSlot(id);
    const bool ok = slot && slot->m_nKind == SLOT_TEXT;
    if (size) *size = ok ? slot->m_nSize : 0;
    return ok ? reinterpret_cast<char*>(SlotBase(rec) + slot->m_nOffset) : nullptr;
}

const char* GetTextSlot(const CommAddr& rec, int32_t id, size_t* size) {
    const SlotInfo* slot = FindSlot(id);
    const bool ok = slot && slot->m_nKind == SLOT_TEXT;
    if (size) *size = ok ? slot->m_nSize : 0;
    return ok ? reinterpret_cast<const char*>(SlotBase(rec) + slot->m_nOffset) : nullptr;
}

int32_t* GetIntSlot(CommAddr& rec, int32_t id) {
    const SlotInfo* slot = FindSlot(id);
    return slot && slot->m_nKind == SLOT_INT ? reinterpret_cast<int32_t*>(SlotBase(rec) + slot->m_nOffset) : nullptr;
}

const int32_t* GetIntSlot(const CommAddr& rec, int32_t id) {
    const SlotInfo* slot = FindSlot(id);
    return slot && slot->m_nKind == SLOT_INT ? reinterpret_cast<const int32_t*>(SlotBase(rec) + slot->m_nOffset) : nullptr;
}

double* GetDateSlot(CommAddr& rec, int32_t id) {
    const SlotInfo* slot = FindSlot(id);
    return slot && slot->m_nKind == SLOT_DATE ? reinterpret_cast<double*>(SlotBase(rec) + slot->m_nOffset) : nullptr;
}

const double* GetDateSlot(const CommAddr& rec, int32_t id) {
    const SlotInfo* slot = FindSlot(id);
    return slot && slot->m_nKind == SLOT_DATE ? reinterpret_cast<const double*>(SlotBase(rec) + slot->m_nOffset) : nullptr;
}

bool SetFieldText(CommAddr& rec, int32_t id, const char* text) {
    size_t size = 0;
    char* slot = GetTextSlot(rec, id, &size);
    if (!slot) return false;
    CxCopyText(slot, size, text ? text : "");
    return true;
}

namespace comm_detail {

// Ids compared as text when records are compared.
bool IsCompareTextId(int32_t id) {
    return InRange(id, 1, 7) || InRange(id, 9, 61) || id == 65 || InRange(id, 68, 70) ||
           InRange(id, 82, 90);
}

// Characters of a text slot up to its terminator or its end, whichever
// comes first: a slot filled to the brim is never read past.
size_t SlotTextLen(const char* text, size_t size) {
    const void* end = memchr(text, 0, size);
    return end ? static_cast<size_t>(static_cast<const char*>(end) - text) : size;
}

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

signed char FoldUpper(char c) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
    return static_cast<signed char>(c);
}

// The text comparison over texts that end at their terminator or after n
// characters.
int CompareTextBounded(const char* a, size_t na, const char* b, size_t nb) {
    size_t i = 0, j = 0;
    auto at = [](const char* s, size_t n, size_t k) -> char { return k < n ? s[k] : '\0'; };
    while (at(a, na, i) && at(b, nb, j)) {
        while (IsLineBreak(at(a, na, i))) ++i;
        while (IsLineBreak(at(b, nb, j))) ++j;
        const signed char ca = FoldUpper(at(a, na, i));
        const signed char cb = FoldUpper(at(b, nb, j));
        if (ca != cb) return ca > cb ? 1 : -1;
        if (at(a, na, i)) ++i;
        if (at(b, nb, j)) ++j;
    }
    const bool aLeft = at(a, na, i) != '\0';
    const bool bLeft = at(b, nb, j) != '\0';
    if (!aLeft && !bLeft) return 0;
    return aLeft ? 1 : -1;
}

}  // namespace comm_detail

using namespace comm_detail;

bool CommSameValues(const CommAddr& a, const CommAddr& b) {
    for (int32_t id = 1; id <= static_cast<int32_t>(COMM_FIELD_COUNT); ++id) {
        if (id == FID_STATUS) continue;
        size_t size = 0;
        if (const char* ta = GetTextSlot(a, id, &size)) {
            const char* tb = GetTextSlot(b, id, nullptr);
            const size_t n = SlotTextLen(ta, size);
            if (n != SlotTextLen(tb, size) || memcmp(ta, tb, n) != 0) return false;
        } else if (const int32_t* ia = GetIntSlot(a, id)) {
            if (*ia != *GetIntSlot(b, id)) return false;
        } else if (const double* da = GetDateSlot(a, id)) {
            if (memcmp(da, GetDateSlot(b, id), sizeof(double)) != 0) return false;
        }
    }
    // The tenth custom value has no catalogue id.
    const size_t n = sizeof a.m_szCustom[9];
    return SlotTextLen(a.m_szCustom[9], n) == SlotTextLen(b.m_szCustom[9], n) &&
           memcmp(a.m_szCustom[9], b.m_szCustom[9], SlotTextLen(a.m_szCustom[9], n)) == 0;
}

// ---------------------------------------------------------------- native block

CommNativeBlock::CommNativeBlock(const CommNativeBlock& other) {
    if (other.m_nLength) {
        m_pData.reset(new uint8_t[other.m_nLength]);
        memcpy(m_pData.get(), other.m_pData.get(), other.m_nLength);
        m_nLength = other.m_nLength;
    }
}

CommNativeBlock& CommNativeBlock::operator=(const CommNativeBlock& other) {
    if (this != &other) {
        CommNativeBlock copy(other);
        *this = std::move(copy);
    }
    return *this;
}

CommNativeBlock::CommNativeBlock(CommNativeBlock&& other) noexcept
    : m_pData(std::move(other.m_pData)), m_nLength(other.m_nLength) {
    other.m_nLength = 0;
}

CommNativeBlock& CommNativeBlock::operator=(CommNativeBlock&& other) noexcept {
    if (this != &other) {
        m_pData = std::move(other.m_pData);
        m_nLength = other.m_nLength;
        other.m_nLength = 0;
    }
    return *this;
}

bool CommNativeBlock::Set(const void* data, uint32_t len) {
    if (!data || len == 0) {
        Clear();
        return true;
    }
    std::unique_ptr<uint8_t[]> copy(new (std::nothrow) uint8_t[len]);
    if (!copy) return false;
    memcpy(copy.get(), data, len);
    m_pData = std::move(copy);
    m_nLength = len;
    return true;
}

void CommNativeBlock::Adopt(std::unique_ptr<uint8_t[]> data, uint32_t len) {
    if (!data || len == 0) {
        Clear();
        return;
    }
    m_pData = std::move(data);
    m_nLength = len;
}

void CommNativeBlock::Clear() {
    m_pData.reset();
    m_nLength = 0;
}

// ---------------------------------------------------------------- catalogue

bool GetFieldInfo(int32_t id, CommFieldInfo* out) {
    if (!out) return false;
    for (const CommFieldInfo& row : g_CommFieldInfo) {
        if (row.m_nId == id) {
            *out = row;
            return true;
        }
    }
    return false;
}

bool GetFieldText(const CommAddr* rec, const CommFieldInfo* field, char* buf, size_t size) {
    if (!rec || !field || !buf || size == 0) return false;
    if (field->m_nMaxLen >= 0 && size <= static_cast<size_t>(field->m_nMaxLen)) return false;
    buf[0] = '\0';
    buf[size - 1] = '\0';

    const int32_t id = field->m_nId;
    if (IsDisplayTextId(id)) {
        size_t slotSize = 0;
        const char* text = GetTextSlot(*rec, id, &slotSize);
        const size_t n = std::min(SlotTextLen(text, slotSize), size - 1);
        memcpy(buf, text, n);
        buf[n] = '\0';
        return true;
    }
    if (id == FID_GENDER) return true;
    if (id == FID_ANNIVERSARY || id == FID_BIRTHDAY || id == FID_CREATION_TIME ||
        id == FID_LAST_MODIFICATION_TIME) {
        CxDateTime dt;
        // A value the date conversion rejects has no text.
        if (!dt.SetOleDate(*GetDateSlot(*rec, id))) return false;
        CxCopyText(buf, size, dt.DateTimeText().c_str());
        return true;
    }
    if (id == FID_SOURCE_TYPE) {
        const int32_t type = rec->m_nSourceType;
        if (type < 1 || type > 15) return false;
        CxCopyText(buf, size, kSourceTypeText[type - 1]);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- store

CommAddrMgr::CommAddrMgr() {
    for (int32_t id : kDefaultMatchKeys) m_nMatchKeys[m_nMatchKeyCount++] = id;
    for (int32_t id : kDefaultCompareFields) m_nCompareFields[m_nCompareFieldCount++] = id;
    std::fill(m_nMatchKeys + m_nMatchKeyCount, m_nMatchKeys + kMaxListIds, 0);
    std::fill(m_nCompareFields + m_nCompareFieldCount, m_nCompareFields + kMaxListIds, 0);
}

CommAddrMgr::~CommAddrMgr() { Clear(); }

void CommAddrMgr::Clear() {
    m_Recs.clear();
    m_nCursor = 0;
    ++m_nClears;
}

CommAddr* CommAddrMgr::AddCopy(const CommAddr* rec) {
    if (!rec) return nullptr;
    if (m_Recs.size() >= UINT32_MAX) return nullptr;  // indexes are 32-bit
    try {
        std::unique_ptr<CommAddr> copy(new CommAddr(*rec));
        CommAddr* stored = copy.get();
        m_Recs.push_back(std::move(copy));
        return stored;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool CommAddrMgr::UpdateAt(const CommAddr* src, uint32_t index) {
    if (!src || index >= m_Recs.size()) return false;
    CommAddr& dst = *m_Recs[index];
    for (int32_t id = 1; id <= static_cast<int32_t>(COMM_FIELD_COUNT); ++id) {
        if (!IsMergeTextId(id)) continue;
        size_t size = 0;
        const char* from = GetTextSlot(*src, id, &size);
        char* to = GetTextSlot(dst, id, &size);
        if (from[0] == '\0') continue;
        const size_t n = std::min(SlotTextLen(from, size), size - 1);
        memmove(to, from, n);
        to[n] = '\0';
    }
    dst.m_nGender = src->m_nGender;
    // A source without a date leaves the stored one.
    if (CommHasDate(src->m_dtBirthday)) dst.m_dtBirthday = src->m_dtBirthday;
    if (CommHasDate(src->m_dtAnniversary)) dst.m_dtAnniversary = src->m_dtAnniversary;
    dst.m_nPrivate = src->m_nPrivate;
    return true;
}

CommAddr* CommAddrMgr::GetFirst() {
    m_nCursor = 0;
    return m_Recs.empty() ? nullptr : m_Recs[0].get();
}

CommAddr* CommAddrMgr::GetNext() {
    if (m_Recs.empty() || m_nCursor + 1 >= m_Recs.size()) return nullptr;
    return m_Recs[++m_nCursor].get();
}

CommAddr* CommAddrMgr::GetAt(uint32_t index) {
    return index < m_Recs.size() ? m_Recs[index].get() : nullptr;
}

const CommAddr* CommAddrMgr::GetAt(uint32_t index) const {
    return index < m_Recs.size() ? m_Recs[index].get() : nullptr;
}

uint32_t CommAddrMgr::GetCount() const { return static_cast<uint32_t>(m_Recs.size()); }

const int32_t* CommAddrMgr::GetMatchKeys(uint32_t* count) const {
    if (count) *count = m_nMatchKeyCount;
    return m_nMatchKeys;
}

const int32_t* CommAddrMgr::GetCompareFields(uint32_t* count) const {
    if (count) *count = m_nCompareFieldCount;
    return m_nCompareFields;
}
