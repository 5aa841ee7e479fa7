// The stand-in Outlook's data: contact items as Outlook keeps them (the
// Contacts folder, the Deleted Items folder, an Exchange address book), the
// contacts file, and the switchable habits read from the registry.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace olsi {

// ---------------------------------------------------------------- settings

std::wstring ReadSetting(const wchar_t* value);

enum class Order { kStable, kReversed, kShuffled };
enum class Place { kEnd, kStart, kAnywhere };

// Outlook's habits as one application object has them (read when it is made).
struct Habits {
    std::wstring englishOnlyName;   // answered only under locale 0x0409
    std::wstring unknownName;       // never answered
    std::wstring failName;          // every invocation fails with E_FAIL
    Order order = Order::kStable;   // of every new Items collection
    Place newItemPlace = Place::kEnd;
    bool longEntryIds = false;      // Exchange-sized EntryIDs
    std::set<std::wstring> denied;  // guarded reads refused on every item
    std::set<std::wstring> refusedPuts;
    uint32_t busyMs = 0;            // calls rejected for this long
    bool nameRules = false;         // FullName parsed and derived
    bool noDate4501 = false;        // a date never set reads as 1 January 4501
    void Read();
};

// Member names are ASCII; folding only A-Z keeps lookups cheap.
int NameCompare(const wchar_t* a, const wchar_t* b);
struct NameLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const {
        return NameCompare(a.c_str(), b.c_str()) < 0;
    }
};

// -------------------------------------------------------- contact properties

enum PropType { kText, kLong, kDate };

struct PropDef {
    const wchar_t* name;
    PropType type;
    bool readOnly;
};

extern const PropDef kProps[];
extern const size_t kPropCount;
int FindProp(const wchar_t* name);

constexpr double kNoDate = 949998.0;  // 1 January 4501
constexpr long kClassContact = 40;
constexpr long kClassDistList = 69;

// One item. Text is kept as UTF-16; numbers as the value's bits.
struct Contact {
    std::vector<std::wstring> text = std::vector<std::wstring>(kPropCount);
    std::vector<double> number = std::vector<double>(kPropCount, 0.0);
    long cls = kClassContact;
    std::wstring entryId;  // empty until the first save
    std::set<std::wstring, NameLess> denied;  // this item's refused reads
    std::wstring dlName;   // a distribution list's name
};

// FullName from the parts and back, as Outlook does with its default
// "First Middle Last Suffix" order.
std::wstring DeriveFullName(const Contact& c);
void ParseFullName(Contact& c, const std::wstring& full);

// An Exchange address book entry: the X.500 address's SMTP form (empty:
// none to be had, as for a recipient without a mailbox).
struct AddressEntry {
    std::wstring id;
    std::wstring x500;
    std::wstring smtp;
};

// ---------------------------------------------------------------- the store

std::wstring Utf8ToWide(const std::string& s);
std::string WideToUtf8(const std::wstring& s);

// The folders of one application object.
struct Store {
    std::wstring path;  // empty: kept in memory only
    std::wstring folderName = L"Contacts";
    Habits habits;
    std::vector<std::shared_ptr<Contact>> items;    // the Contacts folder
    std::vector<std::shared_ptr<Contact>> deleted;  // the Deleted Items folder
    std::vector<AddressEntry> addressBook;
    uint64_t nextId = 1;
    uint64_t shuffles = 0;  // collections made, for reshuffling each one
    uint64_t busyUntil = 0;  // GetTickCount64 value
    bool dirty = false;

    ~Store();
    void Load();
    void Save();
    std::wstring NewEntryId();
    // Where a new item joins the folder.
    size_t InsertPosition();
    // The folder's items in the order a new collection has them.
    std::vector<std::shared_ptr<Contact>> Ordered();
    std::shared_ptr<Contact> Find(const std::wstring& entryId, bool* inDeleted);
    const AddressEntry* FindAddress(const std::wstring& id) const;
    bool Busy() const;
};

}  // namespace olsi
