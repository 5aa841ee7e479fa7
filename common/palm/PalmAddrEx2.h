// The contacts of Palm Desktop 6.x: the rows of the table "Main" as
// fixed-size records, their store, and the reader and writer over the
// database utility.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/misc/CxList.h"
#include "common/palm/PalmCommEx2.h"

constexpr int PM_ADDREX2_COLUMNS = 95;
constexpr int PM_ADDREX2_PHONES = 7;

// One contact; a plain value, copied whole and emptied with zeros.
struct PmAddrEx2Record {
    int32_t m_nRecordID;
    int32_t m_nStatus;
    int32_t m_nPlacement;
    uint8_t m_bPrivate;
    int32_t m_nCategoryID;
    char m_szCategory[32];
    char m_szNote[2048];
    char m_szPrefix[32];
    char m_szFirstName[64];
    char m_szMiddleName[64];
    char m_szLastName[64];
    char m_szSuffix[32];
    char m_szNickName[64];
    int32_t m_nAnniversary;
    int32_t m_nBirthday;
    char m_szProfession[128];
    char m_szCompany[128];
    char m_szJobTitle[128];
    char m_szAssistantName[64];
    char m_szAssistantPhone[64];
    char m_szWorkStreet[256];
    char m_szWorkCity[32];
    char m_szWorkState[32];
    char m_szWorkZip[32];
    char m_szWorkCountry[32];
    char m_szHomeStreet[256];
    char m_szHomeCity[32];
    char m_szHomeState[32];
    char m_szHomeZip[32];
    char m_szHomeCountry[32];
    char m_szOtherStreet[256];
    char m_szOtherCity[32];
    char m_szOtherState[32];
    char m_szOtherZip[32];
    char m_szOtherCountry[32];
    char m_szCustom[14][256];
    char m_szPhone[PM_ADDREX2_PHONES][128];
    int32_t m_nPhoneLabel[PM_ADDREX2_PHONES];
    int32_t m_nPrimaryContact;
    char m_szFirstYomi[64];
    char m_szLastYomi[64];
    char m_szCompanyYomi[64];
    char m_szChat1[128];
    char m_szChat2[128];
    int32_t m_nChat1LabelID;
    int32_t m_nChat2LabelID;
    char m_szWebsite[256];
    uint8_t m_bBirthdayAlarmSet;
    int32_t m_nBirthdayAlarmAdv;
    int32_t m_nAvatar;
    int32_t m_nAddrLabel1;
    int32_t m_nAddrLabel2;
    int32_t m_nAddrLabel3;
    uint8_t m_bAnniversaryAlarmSet;
    int32_t m_nAnniversaryAlarmAdv;
    char m_szEnglishName[128];
    char m_szPictureURL[256];
    char m_szPictureFilename[256];
    char m_szPictureMIMEType[32];
    char m_szPictureSyncCounter[32];
    char m_szRingtoneURL[256];
    char m_szRingtoneFilename[256];
    char m_szRingtoneMIMEType[32];
    char m_szRingtoneSyncCounter[32];
    // Not columns: what the store knows of the record's row.
    uint8_t m_bStored;      // read from the database or written to it: never inserted again
    uint8_t m_bNamesExact;  // First and Last Name came whole and exactly in the code page
    uint64_t m_nRowHash;    // the row as last read or written (RowHash)
};

// Fills a record with zeros.
void ClearRecord(PmAddrEx2Record& rec);

class PmAddrEx2DataMgr {
public:
    PmAddrEx2DataMgr() : m_Recs(true) {}
    virtual ~PmAddrEx2DataMgr();
    PmAddrEx2DataMgr(const PmAddrEx2DataMgr&) = delete;
    PmAddrEx2DataMgr& operator=(const PmAddrEx2DataMgr&) = delete;

    void Clear();
    bool AddCopy(const PmAddrEx2Record* rec);
    PmAddrEx2Record* GetFirst();
    PmAddrEx2Record* GetNext();
    PmAddrEx2Record* GetAt(int index);
    int GetCount() const { return static_cast<int>(m_Recs.GetCount()); }

private:
    CxList<PmAddrEx2Record> m_Recs;
};

class PmAddrEx2Util : public PmDBEx2Util {
public:
    PmAddrEx2Util();
    explicit PmAddrEx2Util(const char* path);
    ~PmAddrEx2Util() override;

    bool IsLoaded() const { return m_bLoaded; }
    PmAddrEx2DataMgr* GetRecords() { return m_pRecs.get(); }

    bool LoadByUser(uint32_t userId);
    bool Load(const char* path);
    bool LoadRecords();
    // A record not yet stored is inserted (a Record ID of 0 gets NewRecordId);
    // a stored one updates its own row, and only while that row is as it
    // was read. On success the record holds the row's new state.
    // asStored, when given, is the record as last read or written: its row
    // is the one updated, found by its Record ID and names.
    bool WriteRecord(PmAddrEx2Record* rec, const PmAddrEx2Record* asStored = nullptr);
    // The Record ID for a new row: above every ID the store holds and not
    // below the Information table's "FreeRecID", which is advanced past it.
    // False (nothing changed) when that row cannot be advanced.
    bool NewRecordId(int32_t& id);
    bool FindRecord(const char* const* keyNames, const PmSqlValue* keyValues, int keyCount,
                    PmAddrEx2Record* out);
    bool WriteColumns(const PmAddrEx2Record* rec, const int* columns, int count);
    bool GetCategoryId(const char* text, int32_t& id, bool create);
    bool FillCategoryText(PmAddrEx2Record* rec);

    // The user's data folder, ending with a separator (the user list fills it).
    using UserFolderFn = std::function<bool(uint32_t userId, char* folder, size_t size)>;
    static void SetUserFolderSource(UserFolderFn fn);

private:
    // The one row a stored record stands for (by Record ID and names, or by
    // Record ID alone when the names did not come whole); its WHERE text.
    bool LocateRow(const PmAddrEx2Record& rec, PmSqlValues& row, char* where, size_t size);
    bool InsertRecord(PmAddrEx2Record* rec);
    // An UPDATE with the given WHERE text or, for a list starting with
    // column 0, an INSERT; written receives the values put.
    bool WriteColumns(const PmAddrEx2Record* rec, const int* columns, int count,
                      const char* where, PmSqlValues* written);

    std::unique_ptr<PmAddrEx2DataMgr> m_pRecs;
    bool m_bLoaded = false;
};

// The column list and conversions between rows and records.
const char* GetColumnName(int column);
// The 95 names in column order.
const char* const* GetColumnList();
bool GetColumnValue(const PmAddrEx2Record* rec, int column, PmSqlValue* out);
bool SetColumnValue(const PmSqlValue* value, int column, PmAddrEx2Record* rec);
bool RowToRecord(const PmSqlValue* values, int count, PmAddrEx2Record* rec);
// A digest of a row's 95 values as the database holds them (texts whole),
// to tell whether a row changed between two reads.
uint64_t RowHash(const PmSqlValue* values, int count);
bool RecordsEqual(const PmAddrEx2Record* a, const PmAddrEx2Record* b);
bool ListChangedColumns(const PmAddrEx2Record* rec, const PmAddrEx2Record* stored, int* columns,
                        int& count);
bool ListAllColumns(int* columns, int& count);
