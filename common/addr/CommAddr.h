// The common contact record, its field catalogue and the store of one side.
// Both sides (Palm Desktop and Outlook) convert their native records into
// CommAddr; display, matching, comparison and copying work on it alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Value types of the catalogue.
constexpr int32_t FIELD_TEXT = 1;
constexpr int32_t FIELD_GENDER = 4;
constexpr int32_t FIELD_INT = 5;
constexpr int32_t FIELD_DATETIME = 6;

// Record status, written by MarkStatus.
constexpr int32_t STATUS_SAME = 0;
constexpr int32_t STATUS_NEW = 1;
constexpr int32_t STATUS_DIFF = 2;

// FindMatch results.
constexpr int MATCH_ERROR = -1;
constexpr int MATCH_SAME = 1;
constexpr int MATCH_NEW = 2;
constexpr int MATCH_DIFF = 3;

// Source Type values with a producer in this program.
constexpr int32_t SOURCE_PALM = 1;
constexpr int32_t SOURCE_OUTLOOK = 3;

// Catalogue ids.
enum CommFieldId : int32_t {
    FID_FIRST_NAME = 1,
    FID_MIDDLE_NAME = 2,
    FID_LAST_NAME = 3,
    FID_PREFIX = 4,
    FID_SUFFIX = 5,
    FID_NICK_NAME = 6,
    FID_DISPLAY_NAME = 7,
    FID_GENDER = 8,
    FID_WORK_STREET = 9,
    FID_WORK_CITY = 10,
    FID_WORK_STATE = 11,
    FID_WORK_POSTAL = 12,
    FID_WORK_COUNTRY = 13,
    FID_HOME_STREET = 14,
    FID_HOME_CITY = 15,
    FID_HOME_STATE = 16,
    FID_HOME_POSTAL = 17,
    FID_HOME_COUNTRY = 18,
    FID_OTHER_STREET = 19,
    FID_OTHER_CITY = 20,
    FID_OTHER_STATE = 21,
    FID_OTHER_POSTAL = 22,
    FID_OTHER_COUNTRY = 23,
    FID_HOME_PHONE = 24,
    FID_WORK_PHONE = 25,
    FID_MOBILE_PHONE = 26,
    FID_OTHER_PHONE = 27,
    FID_PRIMARY_PHONE = 28,
    FID_CALLBACK_PHONE = 29,
    FID_CAR_PHONE = 30,
    FID_RADIO_PHONE = 31,
    FID_WORK_PHONE2 = 32,
    FID_HOME_PHONE2 = 33,
    FID_WORK_FAX = 34,
    FID_HOME_FAX = 35,
    FID_PAGER = 36,
    FID_EMAIL = 37,
    FID_EMAIL2 = 38,
    FID_EMAIL3 = 39,
    FID_PERSONAL_HOME_PAGE = 40,
    FID_WORK_HOME_PAGE = 41,
    FID_FTP_SITE = 42,
    FID_NOTE = 43,
    FID_CUSTOM1 = 44,  // Custom 1..9 are 44..52
    FID_CUSTOM9 = 52,
    FID_COMPANY = 53,
    FID_DEPARTMENT = 54,
    FID_TITLE = 55,
    FID_IM1 = 56,
    FID_IM2 = 57,
    FID_MANAGER_NAME = 58,
    FID_ASSISTANT_NAME = 59,
    FID_ASSISTANT_PHONE = 60,
    FID_SPOUSE_NAME = 61,
    FID_CHILDREN_NAMES = 62,
    FID_PROFESSION = 63,
    FID_HOBBY = 64,
    FID_ACCOUNT = 65,
    FID_ANNIVERSARY = 66,
    FID_BIRTHDAY = 67,
    FID_KEYWORD = 68,
    FID_LANGUAGE = 69,
    FID_LOCATION = 70,
    FID_MHS_COMMON_NAME = 71,
    FID_CUSTOMER_ID = 72,
    FID_GOVERNMENT_ID = 73,
    FID_ORGANIZATION_ID = 74,
    FID_CATEGORY = 75,
    FID_CREATION_TIME = 76,
    FID_LAST_MODIFICATION_TIME = 77,
    FID_SOURCE_TYPE = 78,
    FID_STATUS = 79,
    FID_ID = 80,
    FID_PRIVATE = 81,
    FID_CUSTOM_LABEL1 = 82,  // Custom Label 1..9 are 82..90
    FID_CUSTOM_LABEL9 = 90,
};

// One row of the catalogue.
struct CommFieldInfo {
    int32_t m_nId;
    char m_szName[32];
    int32_t m_nType;
    int32_t m_nMaxLen;
};

constexpr size_t COMM_FIELD_COUNT = 90;
// The catalogue rows, in their fixed order (lookups go by id).
extern const CommFieldInfo g_CommFieldInfo[COMM_FIELD_COUNT];

// An owned copy of a native record buffer. Copying copies the bytes, so two
// records never share one block; the data pointer is null exactly when the
// length is 0.
class CommNativeBlock {
public:
    CommNativeBlock() = default;
    CommNativeBlock(const CommNativeBlock& other);  // throws std::bad_alloc
    CommNativeBlock& operator=(const CommNativeBlock& other);
    CommNativeBlock(CommNativeBlock&& other) noexcept;
    CommNativeBlock& operator=(CommNativeBlock&& other) noexcept;
    ~CommNativeBlock() = default;

    // Copies len bytes of data (null data or len 0 clears the block). False
    // when the memory cannot be had; the block is then unchanged.
    bool Set(const void* data, uint32_t len);
    // Takes a buffer already allocated (null or len 0 clears).
    void Adopt(std::unique_ptr<uint8_t[]> data, uint32_t len);
    void Clear();

    const uint8_t* GetData() const { return m_pData.get(); }
    uint8_t* GetData() { return m_pData.get(); }
    uint32_t GetLength() const { return m_nLength; }
    bool IsEmpty() const { return m_nLength == 0; }

private:
    std::unique_ptr<uint8_t[]> m_pData;
    uint32_t m_nLength = 0;
};

// One postal address: work [9]-[13], home [14]-[18], other [19]-[23].
struct CommPostalAddr {
    char m_szStreet[256];
    char m_szCity[32];
    char m_szState[32];
    char m_szPostal[16];
    char m_szCountry[32];
};

constexpr size_t COMM_CUSTOM_VALUES = 10;  // Custom 1..9 and slot 10
constexpr size_t COMM_CUSTOM_LABELS = 9;

// The value slots of the common contact record, in their fixed order. Every
// slot has its catalogue size; texts are zero-terminated in the ANSI code
// page.
struct CommAddrData {
    char m_szFirstName[32];    // 1
    char m_szLastName[32];     // 3
    char m_szMiddleName[32];   // 2
    char m_szPrefix[32];       // 4
    char m_szSuffix[32];       // 5
    char m_szNickName[32];     // 6
    char m_szDisplayName[32];  // 7
    int32_t m_nGender;         // 8

    CommPostalAddr m_WorkAddr;   // 9..13
    CommPostalAddr m_HomeAddr;   // 14..18
    CommPostalAddr m_OtherAddr;  // 19..23

    char m_szHomePhone[24];      // 24
    char m_szWorkPhone[24];      // 25
    char m_szMobilePhone[24];    // 26
    char m_szPrimaryPhone[24];   // 28
    char m_szOtherPhone[24];     // 27
    char m_szCallbackPhone[24];  // 29
    char m_szRadioPhone[24];     // 31
    char m_szCarPhone[24];       // 30
    char m_szWorkPhone2[24];     // 32
    char m_szHomePhone2[24];     // 33
    char m_szWorkFax[24];        // 34
    char m_szHomeFax[24];        // 35
    char m_szPager[24];          // 36

    char m_szEmail[64];   // 37
    char m_szEmail2[64];  // 38
    char m_szEmail3[64];  // 39

    char m_szWorkHomePage[256];      // 41
    char m_szPersonalHomePage[256];  // 40
    char m_szFtpSite[256];           // 42

    char m_szNote[8192];  // 43, may hold line breaks

    // [0]..[8] are Custom 1..9 (44..52); [9] is the tenth value, which has
    // no catalogue entry and only the 6.x database conversion uses.
    char m_szCustom[COMM_CUSTOM_VALUES][64];

    char m_szCompany[64];  // 53

    char m_szTitle[32];          // 55
    char m_szDepartment[32];     // 54
    char m_szIM1[32];            // 56
    char m_szIM2[32];            // 57
    char m_szManagerName[32];    // 58
    char m_szAssistantName[32];  // 59
    char m_szAssistantPhone[24];  // 60
    char m_szSpouseName[32];     // 61
    char m_szChildrenNames[32];  // 62
    char m_szProfession[64];     // 63
    char m_szHobby[64];          // 64
    char m_szAccount[32];        // 65

    double m_dtBirthday;     // 67
    double m_dtAnniversary;  // 66

    char m_szKeyword[64];   // 68
    char m_szLanguage[64];  // 69
    char m_szLocation[64];  // 70

    char m_szMHSCommonName[32];    // 71
    char m_szCustomerID[32];       // 72
    char m_szGovernmentID[32];     // 73
    char m_szOrganizationID[32];   // 74

    char m_szCategory[256];  // 75

    double m_dtCreationTime;          // 76
    double m_dtLastModificationTime;  // 77

    int32_t m_nSourceType;  // 78
    int32_t m_nStatus;      // 79
    char m_szID[64];        // 80
    int32_t m_nPrivate;     // 81

    char m_szCustomLabel[COMM_CUSTOM_LABELS][64];  // 82..90
};

// The catalogue fields (by id, 1..90) of a record that hold only the cut of
// a longer value its side stores: such a value must never overwrite the
// whole one on the other side.
class CommCutSet {
public:
    void Set(int32_t id) { if (id > 0 && id < 128) m_nBits[id / 64] |= uint64_t{1} << (id % 64); }
    bool Test(int32_t id) const {
        return id > 0 && id < 128 && (m_nBits[id / 64] >> (id % 64) & 1u) != 0;
    }
    bool Any() const { return (m_nBits[0] | m_nBits[1]) != 0; }
    void Clear() { m_nBits[0] = m_nBits[1] = 0; }

private:
    uint64_t m_nBits[2] = {0, 0};
};

// Record flags, beside the value slots (never compared or shown).
// The side could not read the contact whole (a refused property): it is
// listed, but never matched as new and never written on either side.
constexpr uint32_t ADDR_FLAG_UNREADABLE = 1u;

// The common contact record: the value slots and the owned native block. A
// fresh record (CommAddr rec; or CommAddr()) is all zero: every text empty,
// every number 0, no native block. Copies are independent, including the
// native block, so a record can be copied, assigned and destroyed freely.
struct CommAddr : CommAddrData {
    CommAddr() : CommAddrData() {}

    CommNativeBlock m_Native;
    uint32_t m_nFlags = 0;  // ADDR_FLAG_*
    CommCutSet m_Cut;
};

// A common date (an OLE Automation date) holds a date: 0 means none, and a
// value outside the years 100..9999 is not a date either. Such values never
// replace a stored date.
inline bool CommHasDate(double dt) {
    return dt != 0.0 && dt >= -657434.0 && dt < 2958466.0;
}

// The state of one side of the program after its last load.
enum CommSideState : int32_t {
    SIDE_AVAILABLE = 0,    // loaded whole; may be read and written
    SIDE_READONLY = 1,     // loaded, listed, but must not be written
    SIDE_UNAVAILABLE = 2,  // not loaded: nothing listed
};

// Slot access by catalogue id. GetTextSlot gives the text array of a text
// field and its size in bytes (null, size 0 for other ids); GetIntSlot the
// integer of 8, 78, 79, 81; GetDateSlot the date of 66, 67, 76, 77.
char* GetTextSlot(CommAddr& rec, int32_t id, size_t* size);
const char* GetTextSlot(const CommAddr& rec, int32_t id, size_t* size);
int32_t* GetIntSlot(CommAddr& rec, int32_t id);
const int32_t* GetIntSlot(const CommAddr& rec, int32_t id);
double* GetDateSlot(CommAddr& rec, int32_t id);
const double* GetDateSlot(const CommAddr& rec, int32_t id);
// Stores text into a text field, cut to its slot; false for other ids.
bool SetFieldText(CommAddr& rec, int32_t id, const char* text);

// True when every value slot of a and b but the Status holds the same
// (texts byte for byte up to their terminator); flags, cut marks and native
// blocks are not looked at.
bool CommSameValues(const CommAddr& a, const CommAddr& b);

// Copies the catalogue row of the id to out. False (out untouched) when out
// is null or no row has the id.
bool GetFieldInfo(int32_t id, CommFieldInfo* out);

// Writes the display text of one field into buf (size bytes, which must
// exceed the field's max length). False for missing arguments (buf
// untouched), for the fields that have no display text and for a Source
// Type outside 1..15 (buf empty).
bool GetFieldText(const CommAddr* rec, const CommFieldInfo* field, char* buf, size_t size);

// The records of one side, in the order they were added. Records are only
// appended or all cleared, so an index names the same record until Clear;
// pointers to stored records stay valid until Clear.
class CommAddrMgr {
public:
    CommAddrMgr();
    ~CommAddrMgr();
    CommAddrMgr(const CommAddrMgr&) = delete;
    CommAddrMgr& operator=(const CommAddrMgr&) = delete;

    void Clear();
    // Appends a copy of rec (with its own copy of the native block); null
    // for null rec or when memory runs out (the store is then unchanged).
    CommAddr* AddCopy(const CommAddr* rec);
    // Merges src into the record at index; false for null src or an index
    // not below the count.
    bool UpdateAt(const CommAddr* src, uint32_t index);

    // Walk with the store's one cursor; null at the end.
    CommAddr* GetFirst();
    CommAddr* GetNext();
    // Direct access by index; does not move the cursor. Null when out of range.
    CommAddr* GetAt(uint32_t index);
    const CommAddr* GetAt(uint32_t index) const;
    uint32_t GetCount() const;

    // The fixed lists: match key (1, 3, 37) and the 24 compared fields.
    const int32_t* GetMatchKeys(uint32_t* count) const;
    const int32_t* GetCompareFields(uint32_t* count) const;

    // 0 when equal (line breaks skipped, ASCII letters folded, the trailing
    // line-break rule), else +1/-1 by signed 8-bit order; -1 for a null text.
    int CompareText(const char* a, const char* b) const;
    // True when every listed field counts as equal in a and b.
    bool FieldsEqual(const CommAddr* a, const CommAddr* b, const int32_t* ids, uint32_t count) const;
    // True when every match-key text of rec is empty.
    bool KeyEmpty(const CommAddr& rec) const;
    // Searches this store for the counterpart of rec. A record with an empty
    // key is the same only as an empty-key record whose compared fields all
    // agree, and otherwise new (never different). Either out pointer may
    // be null. For MATCH_NEW *matched is left alone and *index is the count.
    // Does not move the store's cursor.
    int FindMatch(const CommAddr* rec, CommAddr** matched, uint32_t* index);
    // Sets the Status of every record against other; false when other is null.
    bool MarkStatus(CommAddrMgr* other);

    static constexpr uint32_t kMaxListIds = 90;

private:
    friend class CommMatchIndex;

    std::vector<std::unique_ptr<CommAddr>> m_Recs;
    size_t m_nCursor = 0;
    int32_t m_nMatchKeys[kMaxListIds];
    uint32_t m_nMatchKeyCount = 0;
    int32_t m_nCompareFields[kMaxListIds];
    uint32_t m_nCompareFieldCount = 0;
    uint64_t m_nClears = 0;  // lets an index tell a refilled store from a grown one
};

// An index of one store over its match key, for many FindMatch calls in a
// row: Find gives exactly what the store's FindMatch gives, without walking
// every record. It holds positions only and keeps in step with the store's
// appends and Clear by itself; a record changed in place (UpdateAt, or a
// write through a record pointer) must be announced with Update.
class CommMatchIndex {
public:
    explicit CommMatchIndex(CommAddrMgr& store);
    int Find(const CommAddr* rec, CommAddr** matched, uint32_t* index);
    // Positions (ascending) of the records whose key equals rec's key.
    void FindKeyMatches(const CommAddr* rec, std::vector<uint32_t>& out);
    // The record at pos was changed in place: file it under its new key.
    void Update(uint32_t pos);
    // Takes in records appended since the last call (all again after a Clear).
    void Refresh();
    // Bytes the index holds.
    size_t MemoryBytes() const;

private:
    static constexpr uint32_t kNone = 0xFFFFFFFFu;
    uint64_t KeyHash(const CommAddr& rec) const;
    void Link(uint32_t pos);
    void Unlink(uint32_t pos);
    void Grow();

    CommAddrMgr& m_Store;
    std::vector<uint64_t> m_Hashes;    // by position
    std::vector<uint32_t> m_Next;      // by position: next in its bucket's chain
    std::vector<uint32_t> m_Heads;     // by bucket (a power of two)
    std::vector<uint32_t> m_Found;     // candidates of one Find
    uint64_t m_nClears = 0;
};

