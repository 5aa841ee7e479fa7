// The one object through which the program sees Palm Desktop contacts: it
// knows the installed storage generation, loads a user's or a file's
// contacts with the matching store, keeps one common record per offered
// native record, and writes common records back in the loaded generation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "common/addr/CommAddr.h"
#include "common/misc/CxList.h"
#include "common/misc/CxText.h"
#include "common/palm/PalmAddr.h"
#include "common/palm/PalmAddrEx.h"
#include "common/palm/PalmAddrEx2.h"

// Storage generation codes.
constexpr int PM_GEN_UNKNOWN = 0;
constexpr int PM_GEN_CLASSIC = 1;  // address book file of 4.1 and earlier
constexpr int PM_GEN_41X = 2;      // contacts file of 4.1.x
constexpr int PM_GEN_6X = 3;       // Address.mdb of 6.x
constexpr int PM_GEN_FAILED = 255;

// Palm day numbers of the 4.1.x and 6.x dates less the common (OLE) date.
constexpr int32_t PM_DATE_OFFSET = 129080608;

// Phone label codes of the Palm slots.
constexpr int32_t PM_PHONE_WORK = 0;
constexpr int32_t PM_PHONE_HOME = 1;
constexpr int32_t PM_PHONE_FAX = 2;
constexpr int32_t PM_PHONE_OTHER = 3;
constexpr int32_t PM_PHONE_EMAIL = 4;
constexpr int32_t PM_PHONE_MAIN = 5;
constexpr int32_t PM_PHONE_PAGER = 6;  // not converted
constexpr int32_t PM_PHONE_MOBILE = 7;

// One offered contact: a copy of the native record of its generation and the
// store record it stands for.
struct PmAddrInfoRecord {
    int m_nGeneration = PM_GEN_UNKNOWN;
    // Exactly the one of the generation is set.
    std::unique_ptr<PmAddrRecord> m_pAddr;
    std::unique_ptr<PmAddrExRecord> m_pAddrEx;  // with its own block data
    std::unique_ptr<PmAddrEx2Record> m_pAddrEx2;
    void* m_pStoreRecord = nullptr;  // the record in the generation's store

    explicit PmAddrInfoRecord(int generation);
};

class PmAddrInfo {
public:
    // Reads the installed Palm Desktop version.
    PmAddrInfo();
    // With a given version (major * 10000 + minor * 100 + third; all bits
    // set when unknown), as if that version were installed.
    explicit PmAddrInfo(uint32_t palmVersion);
    virtual ~PmAddrInfo();
    PmAddrInfo(const PmAddrInfo&) = delete;
    PmAddrInfo& operator=(const PmAddrInfo&) = delete;

    // 60000 and up 6.x, 40102 and up 4.1.x, 30500 and up classic, else
    // unknown; an unknown version (all bits set) counts as 6.x.
    static int GenerationFromVersion(uint32_t palmVersion);

    // Points the user-folder lookups of the three stores at Palm Desktop's
    // user manager (GetUserDataFolder). Start-up calls it once.
    static void UseUserDataFolder();

    int GetInstalledGeneration() const { return m_nInstalledGen; }
    int GetLoadedGeneration() const { return m_nLoadedGen; }
    bool IsLoaded() const;

    // The name-swap flag of the classic and 4.1.x stores; set before a load.
    void SetSwapName(bool swap);
    // Set before a load: classic and 4.1.x files are opened without write
    // access (and Save refuses them); a 6.x database is opened for reading.
    void SetReadOnly(bool readOnly);
    bool IsReadOnly() const { return m_bReadOnly; }

    // The common records, one per offered contact, same positions as the
    // facade records.
    CommAddrMgr* GetStore() { return m_pStore.get(); }
    size_t GetRecordCount() const { return m_Recs.GetCount(); }
    const PmAddrInfoRecord* GetRecordAt(size_t index) const;

    // Empties everything; loaded generation 0.
    void Clear();

    // 0 for no path, 1/2/3 for a file its store loads, 255 otherwise. Works
    // on stores of its own; the loaded data stay as they were.
    int DetectFileType(const char* path);

    bool LoadByUser(uint32_t userId);
    bool LoadFile(const char* path);
    // What the main window loads: the file when useFile is set, else the
    // user; the swap flag is handed to the stores first.
    bool LoadChosen(bool useFile, const char* fileName, uint32_t userId, bool swapName);

    // Add when the store has no counterpart, merge into a differing one,
    // nothing for an equal one. True when something was added or changed.
    bool PutContact(const CommAddr* rec);
    // PutContact with the store's FindMatch answer already at hand (match
    // and index exactly as FindMatch gives them for rec).
    bool PutMatched(const CommAddr* rec, int match, uint32_t index);
    // A new Palm contact; on success the common store holds it too.
    bool AddContact(const CommAddr* rec);
    // Merges rec (its non-empty values) into the contact at position; on
    // success the common store record shows the new values.
    bool UpdateContact(const CommAddr* rec, int position);
    // Writes the loaded generation's file (6.x writes as it goes: true).
    bool Save();

    // SIDE_UNAVAILABLE when nothing is loaded, SIDE_READONLY when the load
    // found data it could not take whole (the file must not be written),
    // else SIDE_AVAILABLE.
    CommSideState GetSideState() const;
    // The loaded address.dat changed on disk since the load: size and time
    // are the quick check, the content's hash confirms, so a file only
    // touched is unchanged. Always false for 6.x.
    bool ChangedSinceLoad() const;
    // The last Save wrote nothing because the file had changed since the load.
    bool LastSaveFoundChange() const { return m_bLastSaveFoundChange; }

    // The stores, for listings and tests.
    PmAddrUtil* GetClassicStore() { return m_pClassic.get(); }
    PmAddrExUtil* GetExStore() { return m_pEx.get(); }
    PmAddrEx2Util* GetEx2Store() { return m_pEx2.get(); }

protected:
    // False when a record could not be offered (memory): the load fails.
    bool BuildRecords();
    void RecordToContact(const PmAddrInfoRecord& rec, CommAddr& out);
    void ContactToRecord(const CommAddr& rec, PmAddrInfoRecord& out);
    void PlacePhone(const CommAddr& rec, int32_t code, PmAddrInfoRecord& out);

private:
    void Init(uint32_t palmVersion);
    // Runs a load; an allocation failure anywhere in it fails the load with
    // a log line and leaves nothing loaded.
    template <class Load>
    bool GuardLoad(const char* what, Load&& load);
    bool LoadByUserUnguarded(uint32_t userId);
    bool LoadFileUnguarded(const char* path);
    // The loaded classic or 4.1.x store; null for 6.x or nothing loaded.
    const PmDBUtil* LoadedFileStore() const;
    bool GetNativeCategoryId(PmAddrInfoRecord& out, const char* text, int32_t& id);

    int m_nInstalledGen = PM_GEN_UNKNOWN;
    int m_nLoadedGen = PM_GEN_UNKNOWN;
    CxList<PmAddrInfoRecord> m_Recs{true};
    std::unique_ptr<CommAddrMgr> m_pStore;
    std::unique_ptr<PmAddrUtil> m_pClassic;
    std::unique_ptr<PmAddrExUtil> m_pEx;
    std::unique_ptr<PmAddrEx2Util> m_pEx2;
    char m_szEx2Path[CX_MAX_PATH] = {};  // the loaded 6.x database
    bool m_bLastSaveFoundChange = false;
    bool m_bReadOnly = false;
};
