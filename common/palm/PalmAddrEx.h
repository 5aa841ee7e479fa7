// The contacts file "address.dat" of Palm Desktop 4.1.x: magic, reserved
// blocks, nine custom labels, categories, schema and one row of seventy-three
// typed values per contact.
#pragma once

#include <cstdint>
#include <memory>

#include "common/misc/CxList.h"
#include "common/palm/PalmRows.h"

constexpr uint32_t PM_ADDREX_COLUMNS = 73;
constexpr int PM_ADDREX_LABELS = 9;
constexpr size_t PM_ADDREX_LABEL_SIZE = 33;

struct PmAddrExAddress {
    int32_t nKind;
    char szStreet[256];
    char szCity[32];
    char szState[32];
    char szZipCode[32];
    char szCountry[32];
};

// Value-initialise ({}) for an all-zero record.
struct PmAddrExRecord {
    int32_t nRecordId;
    int32_t nColumn1;
    int32_t nStatus;
    int32_t nColumn3;
    int32_t nPlacement;
    int32_t nCategoryId;
    int32_t nPrivate;
    PmBlockValue blocks[4];
    char szColumn11[32];
    char szColumn12[32];
    char szLastName[32];
    char szFirstName[32];
    char szTitle[32];
    char szCompany[256];
    int32_t nColumn17;
    char szNote[2048];
    char szPhone[7][32];
    int32_t nPhoneKind[7];
    char szCustom[9][256];
    PmAddrExAddress addresses[3];  // work, home, other
    char szIm1[32];
    char szIm2[32];
    int32_t nColumn62;
    int32_t nColumn63;
    char szColumn64[256];
    uint8_t birthday[8];  // a 64-bit floating-point number, kept as stored
    int32_t nColumn66;
    int32_t nColumn67;
    int32_t nColumn68;
    char szColumn69[4][32];
    char szCategory[16];  // from the category ID on loading; never written
    PmWholeTexts whole;   // stored texts the fields above cannot hold
};

// Where column 'column' of a row lives in a record. Columns 13 and 14 are
// the first and last name, exchanged when swapName is set.
PmColumnRef PmAddrExColumn(PmAddrExRecord& record, uint32_t column, bool swapName);
// English name of a record column (without any exchange), for listings.
const char* PmAddrExColumnName(uint32_t column);

class PmAddrExDataMgr {
public:
    void Clear() { m_pRecs.RemoveAll(); }
    bool AddCopy(const PmAddrExRecord& record);
    // Appends a record made for the list (no copy).
    bool Adopt(std::unique_ptr<PmAddrExRecord> record) {
        return m_pRecs.Append(std::move(record)) != nullptr;
    }
    PmAddrExRecord* GetFirst() { return m_pRecs.GetFirst(); }
    PmAddrExRecord* GetNext() { return m_pRecs.GetNext(); }
    PmAddrExRecord* GetAt(size_t index) { return m_pRecs.GetAt(index); }
    size_t GetCount() const { return m_pRecs.GetCount(); }

    static void FreeBlocks(PmAddrExRecord& record);
    static void CopyRecord(PmAddrExRecord& to, const PmAddrExRecord& from) { to = from; }

private:
    CxList<PmAddrExRecord> m_pRecs{true};
};

class PmAddrExUtil : public PmRowFileUtil<PM_ADDREX_COLUMNS> {
public:
    static constexpr uint32_t VERSION_TAG = 0x41420200;
    static constexpr size_t RESERVED1_SIZE = 24;
    static constexpr size_t RESERVED2_SIZE = 11;
    static constexpr size_t RESERVED3_SIZE = 42;

    PmAddrExUtil();
    explicit PmAddrExUtil(const char* path);
    ~PmAddrExUtil() override;

    bool IsLoaded() const { return m_bLoaded; }
    bool Load(const char* path);
    bool LoadByUser(uint32_t userId);
    // Writes to the file that was loaded (or last saved as), whatever path
    // the file itself names; that name is what it stores as its own.
    bool Save();
    bool SaveAs(const char* path);
    PmAddrExDataMgr* GetRecords() { return m_pRecords.get(); }
    void SetSwapName(bool swap) { m_bSwapName = swap; }
    bool GetSwapName() const { return m_bSwapName; }
    const char* GetLoadedPath() const { return m_szLoadedPath; }

    const char* GetCustomLabel(int index) const {
        return index >= 0 && index < PM_ADDREX_LABELS ? m_szCustomLabels[index] : "";
    }
    void SetCustomLabel(int index, const char* label);
    const uint8_t* GetReserved1() const { return m_reserved1; }
    const uint8_t* GetReserved2() const { return m_reserved2; }
    const uint8_t* GetReserved3() const { return m_reserved3; }

protected:
    virtual void Init();
    virtual void FreeRecords();
    virtual bool CheckMagic();
    virtual bool CheckVersion();
    virtual bool LoadDescription();
    virtual bool LoadCustomLabels();
    virtual bool LoadCategories();
    virtual bool LoadSchema();
    virtual bool LoadRecords();
    virtual bool SaveMagic();
    virtual bool SaveVersion();
    virtual bool SaveDescription(const char* path);
    virtual bool SaveCustomLabels();
    virtual bool SaveCategories();
    virtual bool SaveSchema();
    virtual bool SaveRecords();
    virtual bool SaveRecord(const PmAddrExRecord& record);

    void LogCategoryEvent(PmCatEvent event, const char* text) override;

private:
    bool SaveTo(const char* target, const char* storedName);

    bool m_bSwapName = false;
    bool m_bLoaded = false;
    uint32_t m_nVersion = VERSION_TAG;
    std::unique_ptr<PmAddrExDataMgr> m_pRecords;
    uint8_t m_reserved1[RESERVED1_SIZE] = {};
    uint8_t m_reserved2[RESERVED2_SIZE] = {};
    uint8_t m_reserved3[RESERVED3_SIZE] = {};
    char m_szCustomLabels[PM_ADDREX_LABELS][PM_ADDREX_LABEL_SIZE] = {};
    uint32_t m_nLabelWords[PM_ADDREX_LABELS] = {};  // the word after each label, as read
    char m_szLoadedPath[PM_PATH_SIZE] = {};
};
