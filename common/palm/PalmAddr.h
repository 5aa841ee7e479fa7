// The classic Palm Desktop address book file "address.dat" (Palm Desktop
// 4.1 and earlier): header, four custom labels, categories, schema and one
// row of thirty typed values per contact.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/misc/CxList.h"
#include "common/palm/PalmRows.h"

constexpr uint32_t PM_ADDR_COLUMNS = 30;
constexpr size_t PM_ADDR_LABEL_SIZE = 512;

struct PmAddrRecord {
    int32_t nRecordId;
    int32_t nStatus;
    int32_t nPlacement;
    char szLastName[32];
    char szFirstName[32];
    char szTitle[32];
    char szCompany[256];
    int32_t nPhoneKind[5];
    char szPhone[5][32];
    char szAddress[256];
    char szCity[32];
    char szState[32];
    char szZipCode[32];
    char szCountry[32];
    char szNote[8192];
    int32_t nPrivate;
    int32_t nCategoryId;
    char szCustom[4][64];
    int32_t nColumn29;
    char szCategory[16];  // from the category ID on loading; never written
    PmWholeTexts whole;   // stored texts the fields above cannot hold
};

// Where column 'column' of a row lives in a record. Columns 3 and 4 are the
// last and first name, exchanged when swapName is set.
PmColumnRef PmAddrColumn(PmAddrRecord& record, uint32_t column, bool swapName);
// English name of a record column (without any exchange), for listings.
const char* PmAddrColumnName(uint32_t column);

class PmAddrDataMgr {
public:
    void Clear() { m_Recs.RemoveAll(); }
    bool AddCopy(const PmAddrRecord& record);
    // Appends a record made for the list (no copy).
    bool Adopt(std::unique_ptr<PmAddrRecord> record) {
        return m_Recs.Append(std::move(record)) != nullptr;
    }
    PmAddrRecord* GetFirst() { return m_Recs.GetFirst(); }
    PmAddrRecord* GetNext() { return m_Recs.GetNext(); }
    PmAddrRecord* GetAt(size_t index) { return m_Recs.GetAt(index); }
    size_t GetCount() const { return m_Recs.GetCount(); }

private:
    CxList<PmAddrRecord> m_Recs{true};
};

class PmAddrUtil : public PmRowFileUtil<PM_ADDR_COLUMNS> {
public:
    static constexpr uint32_t VERSION_TAG = 0x41420100;

    PmAddrUtil();
    explicit PmAddrUtil(const char* path);
    ~PmAddrUtil() override;

    virtual bool SaveAs(const char* path);

    bool IsLoaded() const { return m_bLoaded; }
    bool Load(const char* path);
    bool LoadByUser(uint32_t userId);
    PmAddrDataMgr* GetRecords() { return m_pRecords.get(); }
    void SetSwapName(bool swap) { m_bSwapName = swap; }
    bool GetSwapName() const { return m_bSwapName; }

    // The database file name stored in the loaded file (not used otherwise).
    const char* GetStoredFileName() const { return m_szStoredName; }
    const char* GetCustomLabels() const { return m_szCustomLabels; }
    // The label text as stored, after the fourth line feed too, while the
    // labels are as loaded; else the labels.
    std::string GetWholeCustomLabels() const;
    void SetCustomLabels(const char* labels);

protected:
    virtual bool CheckVersion();
    virtual bool LoadCustomLabels();
    virtual bool LoadCategories();
    virtual bool LoadSchema();
    virtual bool LoadRecords();
    virtual bool SaveCategories();
    virtual bool SaveSchema();
    virtual bool SaveRecords();
    virtual bool SaveRecord(const PmAddrRecord& record);

    void LogCategoryEvent(PmCatEvent event, const char* text) override;

private:
    bool m_bSwapName = false;
    bool m_bLoaded = false;
    uint32_t m_nVersion = VERSION_TAG;
    char m_szStoredName[261] = {};
    char m_szCustomLabels[PM_ADDR_LABEL_SIZE] = {};
    std::string m_labelsStored;  // the whole label text of the file
    std::string m_labelsKept;    // what the label area kept of it
    std::unique_ptr<PmAddrDataMgr> m_pRecords;
};
