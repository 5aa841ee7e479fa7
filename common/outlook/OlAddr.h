// The Outlook side: reads every item of Outlook's default Contacts folder
// into common records and writes common records back as new items or over
// their counterparts. Every call goes through CDispCmd. Windows only.
#pragma once

#ifdef _WIN32

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/addr/CommAddr.h"
#include "common/outlook/OlComm.h"

// One contact item's properties as the program exchanges them: texts in the
// ANSI code page, each capacity counting the terminator and at least as wide
// as the common field it fills. It is the native
// block of every record read from or added to Outlook, so it is plain and
// fixed-size.
struct OlContactBuf {
    char m_szAccount[32];
    double m_dtAnniversary;
    char m_szAssistantName[64];
    char m_szAssistantTelephoneNumber[24];
    double m_dtBirthday;
    char m_szBusiness2TelephoneNumber[24];
    char m_szBusinessAddressCity[32];
    char m_szBusinessAddressCountry[32];
    char m_szBusinessAddressPostalCode[16];
    char m_szBusinessAddressPostOfficeBox[12];
    char m_szBusinessAddressState[32];
    char m_szBusinessAddressStreet[256];
    char m_szBusinessFaxNumber[24];
    char m_szBusinessHomePage[256];
    char m_szBusinessTelephoneNumber[24];
    char m_szCallbackTelephoneNumber[24];
    char m_szCarTelephoneNumber[24];
    char m_szCompanyMainTelephoneNumber[24];
    char m_szCompanyName[64];
    char m_szComputerNetworkName[32];
    char m_szCustomerID[32];
    char m_szDepartment[32];
    char m_szEmail1Address[64];
    char m_szEmail1AddressType[16];
    char m_szEmail1DisplayName[64];
    char m_szEmail2Address[64];
    char m_szEmail2AddressType[16];
    char m_szEmail2DisplayName[64];
    char m_szEmail3Address[64];
    char m_szEmail3AddressType[16];
    char m_szEmail3DisplayName[64];
    char m_szFirstName[64];
    char m_szFTPSite[256];
    char m_szFullName[64];
    int32_t m_nGender;
    char m_szHobby[128];
    char m_szHome2TelephoneNumber[24];
    char m_szHomeAddressCity[32];
    char m_szHomeAddressCountry[32];
    char m_szHomeAddressPostalCode[16];
    char m_szHomeAddressPostOfficeBox[12];
    char m_szHomeAddressState[32];
    char m_szHomeAddressStreet[256];
    char m_szHomeFaxNumber[24];
    char m_szHomeTelephoneNumber[24];
    char m_szIMAddress[32];
    char m_szInitials[32];
    char m_szISDNNumber[24];
    char m_szJobTitle[32];
    char m_szLanguage[64];
    char m_szLastName[64];
    char m_szMailingAddressCity[24];
    char m_szMailingAddressCountry[24];
    char m_szMailingAddressPostalCode[12];
    char m_szMailingAddressPostOfficeBox[12];
    char m_szMailingAddressState[24];
    char m_szMailingAddressStreet[128];
    char m_szManagerName[64];
    char m_szMiddleName[64];
    char m_szMobileTelephoneNumber[24];
    char m_szNickName[64];
    char m_szOtherAddressCity[32];
    char m_szOtherAddressCountry[32];
    char m_szOtherAddressPostalCode[16];
    char m_szOtherAddressPostOfficeBox[12];
    char m_szOtherAddressState[32];
    char m_szOtherAddressStreet[256];
    char m_szOtherTelephoneNumber[24];
    char m_szPagerNumber[24];
    char m_szPersonalHomePage[256];
    char m_szPrimaryTelephoneNumber[24];
    char m_szProfession[64];
    char m_szRadioTelephoneNumber[24];
    char m_szSpouse[64];
    char m_szWebPage[256];
    char m_szBody[8192];
    double m_dtCreationTime;  // read only
    double m_dtLastModificationTime;  // read only
    char m_szCategories[256];
    // Not item properties.
    char m_szFolderName[32];  // the folder the item was read from
    char m_szSuffix[32];      // the record's Suffix; never sent to Outlook
    // The item's identity, read whole (an Exchange EntryID has 140 and more
    // hex digits); empty until the item was first saved.
    char m_szEntryID[512];
    int32_t m_nClass;  // 40 for a contact
    // Bit p: property p of the table was longer than its slot when read.
    uint64_t m_nCutSlots[2];
};

enum OlPropType : int32_t { OL_PROP_TEXT = 1, OL_PROP_LONG = 2, OL_PROP_DATE = 3 };

// One item property of the buffer: its name, type, place and capacity.
struct OlPropInfo {
    const wchar_t* m_pszName;
    OlPropType m_nType;
    size_t m_nOffset;
    size_t m_nSize;  // bytes of the slot
    bool m_bReadOnly;
};

constexpr size_t OL_PROP_COUNT = 79;
// In the order they are read and written.
extern const OlPropInfo g_OlPropInfo[OL_PROP_COUNT];

// Table indexes of the properties a write of buf puts, in put order; with
// a baseline (what the item held) only those that differ from it.
std::vector<size_t> OlPropertiesToPut(const OlContactBuf& buf, const OlContactBuf* baseline);
// The names of the properties such a write changes: those put and those
// Outlook fills in from them (an address's type and display name, the full
// name from its parts).
std::vector<std::string> OlPropertiesChangedBy(const OlContactBuf& buf, const OlContactBuf* baseline);

class OlAddrUtil : public OlBaseUtil {
public:
    static constexpr int kMapSize = 10;
    static constexpr int32_t kTargetCount = 79;  // custom target list entries

    OlAddrUtil();
    ~OlAddrUtil() override;

    bool Load() override;
    void Clear() override;
    void Init() override;
    void Term() override;
    bool Start() override;
    void Stop() override;

    CommAddrMgr* GetStore() { return m_pStore.get(); }
    bool HasFolder() const { return m_pFolder != nullptr; }
    // After Load: SIDE_AVAILABLE, SIDE_READONLY (the walk failed part-way:
    // nothing is written) or SIDE_UNAVAILABLE (no session, folder or items).
    int32_t GetSideState() const { return m_nSideState; }
    // Listed contacts that could not be read whole (ADDR_FLAG_UNREADABLE).
    uint32_t GetUnreadableCount() const;

    // Ten values; entries 1..9 are the targets of Custom 1..9 (0 none).
    void SetCustomMap(const int32_t map[kMapSize]);

    // Adds rec when Outlook has no match, rewrites the match when it
    // differs; false when nothing was written.
    bool PutContact(const CommAddr* rec);
    // PutContact with the store's FindMatch answer already at hand (match
    // and index exactly as FindMatch gives them for rec).
    bool PutMatched(const CommAddr* rec, int match, uint32_t index);
    // A new item from a copy of rec, listed in the store; true when Outlook
    // has it (if the store cannot take it, updates wait for a reload).
    bool AddAndList(const CommAddr* rec);
    // A new item from rec; rec gets the written buffer as its native block.
    bool AddContact(CommAddr* rec);
    // Rewrites the item the store's record at `position` was read from,
    // found by its EntryID; false when that item has left the Contacts
    // folder, the record could not be read whole, or the side is read-only.
    bool UpdateContact(const CommAddr* rec, int32_t position);
    // What UpdateContact(rec, position) would change, without writing: the
    // item's EntryID and OlPropertiesChangedBy's names (empty when the
    // update puts nothing). False when there is no item read there.
    bool PlanUpdate(const CommAddr* rec, int32_t position, std::string& entryId,
                    std::vector<std::string>& properties);

    // Name of a custom target list entry; empty text outside 0..78.
    static const char* GetTargetName(int32_t index);

protected:
    bool LoadFolder(CDispCmd* folder);
    // False when a property could not be read (a status other than "unknown
    // name"): the contact is then not read whole.
    bool ReadItem(CDispCmd* item, OlContactBuf* buf);
    // Puts every writable property, then saves; false, without a save, when
    // Outlook refuses a put, and false when the save is refused. With a
    // baseline (the buffer last read from this item) only
    // properties whose value differs from it are put: text read from
    // Outlook went through the ANSI code page, and writing it back
    // unchanged would replace characters outside it.
    bool WriteItem(CDispCmd* item, OlContactBuf* buf, const OlContactBuf* baseline = nullptr);
    void ItemToContact(OlContactBuf* buf, CommAddr* rec);
    void ContactToItem(const CommAddr* rec, OlContactBuf* buf);
    // After ContactToItem on an update: every slot whose sources in rec
    // still hold what was read from last gets last's value back.
    void KeepUnchanged(const CommAddr* rec, OlContactBuf* buf, const OlContactBuf* last);
    // The slot of a custom target entry and its size; null for none. The
    // date text entries give a scratch slot filled with the date's text.
    char* GetTargetSlot(OlContactBuf* buf, int32_t index, size_t* size);

private:
    bool MapUsable(int32_t value) const;
    bool GetItems(IDispatch** items);
    bool ReadItemWhole(CDispCmd* item, OlContactBuf* buf, bool* contact);
    bool ResolveExchangeAddresses(CDispCmd* item, OlContactBuf* buf);
    // The item with this EntryID, when it is still in the Contacts folder.
    IDispatch* FindItem(const char* entryId, const char* who);
    bool Writable(const char* what) const;
    // The update's buffer (buf) and what the item held (last); false when
    // no item was read at position.
    bool PrepareUpdate(const CommAddr* rec, int32_t position, OlContactBuf* buf, OlContactBuf* last);

    std::unique_ptr<CommAddrMgr> m_pStore;
    std::unique_ptr<CDispCmd> m_pFolder;
    int32_t m_nCustomMap[kMapSize] = {};
    int32_t m_nSideState = SIDE_UNAVAILABLE;
    char m_szFolderEntryID[512] = {};
    char m_szDateText[64] = {};
};

#endif  // _WIN32
