// Building blocks of the Palm Desktop binary data files (classic address
// book and 4.1.x contacts file): little-endian integers, counted strings,
// typed values, the category list and the category block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/palm/PalmFileStamp.h"

// Type codes of typed values.
enum : uint32_t {
    PM_TYPE_INT = 1,
    PM_TYPE_INT3 = 3,
    PM_TYPE_TEXT = 5,
    PM_TYPE_FLAG = 6,
    PM_TYPE_BLOCK_FIRST = 64,
    PM_TYPE_BLOCK_LAST = 67,
    PM_TYPE_8BYTE = 68,
};

constexpr size_t PM_TEXT_VALUE_SIZE = 8192;  // buffer of ReadTextValue (8191 characters)
constexpr size_t PM_FILE_NAME_SIZE = 256;
constexpr int PM_MAX_CATEGORIES = 16;
constexpr size_t PM_CATEGORY_NAME_SIZE = 16;

// A block value (type codes 64 to 67). The data travels with the holder:
// copying a holder copies its data.
struct PmBlockValue {
    uint32_t nType = 0;
    uint32_t nSize = 0;
    uint32_t nWordA = 0;
    uint32_t nWordB = 0;
    uint32_t nLength = 0;
    std::vector<uint8_t> data;

    bool operator==(const PmBlockValue& o) const {
        return nType == o.nType && nSize == o.nSize && nWordA == o.nWordA &&
               nWordB == o.nWordB && nLength == o.nLength && data == o.data;
    }
};

// How a record column is stored, and where its value lives in a record.
enum class PmColKind { None, Int, Flag, Text, Block, Eight };
struct PmColumnRef {
    PmColKind kind = PmColKind::None;
    void* field = nullptr;  // int32_t, char[width], PmBlockValue or 8 bytes
    size_t width = 0;       // text capacity with the terminator
};

template <size_t N>
PmColumnRef PmTextColumn(char (&field)[N]) {
    return {PmColKind::Text, field, N};
}
inline PmColumnRef PmIntColumn(int32_t& field) { return {PmColKind::Int, &field, 0}; }

class PmCategory {
public:
    static constexpr uint32_t FLAG_CHANGED = 0x10;

    PmCategory() = default;
    virtual ~PmCategory() = default;
    PmCategory(const PmCategory&) = default;
    PmCategory& operator=(const PmCategory&) = default;

    virtual int32_t GetIndex() const { return m_nIndex; }
    virtual int32_t GetId() const { return m_nId; }
    virtual const char* GetName() const { return m_szName; }
    // Clears size bytes; false for an empty name or one longer than size.
    virtual bool CopyName(char* buffer, size_t& size) const;
    virtual bool CopyFileName(char* buffer, size_t& size) const;
    virtual uint32_t GetFlags() const { return m_nFlags; }
    virtual void SetIndex(int32_t index) { m_nIndex = index; }
    virtual void SetId(int32_t id) { m_nId = id; }
    virtual void SetName(const char* name);          // keeps 15 characters
    virtual void SetFileName(const char* fileName);  // keeps 255 characters
    virtual void SetFlags(uint32_t flags) { m_nFlags = flags; }
    virtual void SetChanged(bool changed);
    virtual bool IsFlagBit0Set() const { return (m_nFlags & 0x01) != 0; }
    virtual bool Equals(const PmCategory& other) const;

    const char* GetFileName() const { return m_szFileName; }

private:
    int32_t m_nIndex = -1;
    int32_t m_nId = -1;
    char m_szName[PM_CATEGORY_NAME_SIZE] = {};
    char m_szFileName[PM_FILE_NAME_SIZE] = {};
    uint32_t m_nFlags = 0;
};

class PmCategoryMgr {
public:
    static constexpr uint32_t DEFAULT_NEXT_FEED_ID = 128;

    PmCategoryMgr() = default;
    virtual ~PmCategoryMgr() = default;
    PmCategoryMgr(const PmCategoryMgr&) = delete;
    PmCategoryMgr& operator=(const PmCategoryMgr&) = delete;

    virtual uint32_t GetCount() const { return m_nCount; }
    virtual PmCategory* FindById(int32_t id) const;
    virtual PmCategory* GetAt(int32_t index) const;
    // ASCII letters compare without case; null for an absent or empty text.
    virtual PmCategory* FindByName(const char* name) const;
    virtual PmCategory* GetFirst();
    virtual PmCategory* GetNext();
    // Stores a copy, giving it a free slot and a new ID when it has none.
    virtual bool Add(const PmCategory* category);
    virtual void SetChanged(bool changed) { m_bChanged = changed; }

    bool IsChanged() const { return m_bChanged; }
    uint32_t GetNextFeedId() const { return m_nNextFeedId; }
    void SetNextFeedId(uint32_t id) { m_nNextFeedId = id; }

    // The name as a category keeps it: a category file name stands for it
    // with the characters the file system refuses turned into "_".
    static void MakeFileName(const char* name, char* out, size_t size);

private:
    uint32_t m_nNextFeedId = DEFAULT_NEXT_FEED_ID;
    uint32_t m_nWalk = 0;
    uint32_t m_nCount = 0;
    std::unique_ptr<PmCategory> m_slots[PM_MAX_CATEGORIES];
    bool m_bChanged = false;
};

// The moments of a category block load or save; each file format logs them
// with its own words.
enum class PmCatEvent {
    LoadStart,
    ReadNextFeedIdFailed,
    ReadCountFailed,
    ReadIndexFailed,
    ReadIdFailed,
    ReadChangedFailed,
    ReadNameFailed,
    NameRead,
    ReadFileNameFailed,
    AddFailed,
    LoadDone,
    SaveStart,
    EmptySlot,
    SkipUnfiled,
    WriteIndexFailed,
    WriteIdFailed,
    WriteChangedFailed,
    WriteNameFailed,
    NameWritten,
    WriteFileNameFailed,
    SaveDone,
};

// Finds the data folder of a Palm Desktop user, ending with a separator.
using PmUserFolderFinder = std::function<bool(uint32_t userId, char* buffer, size_t size)>;
// Sets the finder used by every LoadByUser. Without one nothing is found:
// start-up sets the finder that asks Palm Desktop's user manager.
void PmSetUserFolderFinder(PmUserFolderFinder finder);
bool PmFindUserFolder(uint32_t userId, char* buffer, size_t size);
// folder + "address" + separator + "address.dat"; false when it does not fit.
bool PmBuildUserAddressPath(const char* folder, char* out, size_t size);

class PmDBUtil {
public:
    PmDBUtil() = default;
    virtual ~PmDBUtil();
    PmDBUtil(const PmDBUtil&) = delete;
    PmDBUtil& operator=(const PmDBUtil&) = delete;

    // Mode 0 read (others may read too, nobody may write), 1 write, 2 read
    // and write (existing file only), 3 read and write, created or emptied;
    // modes 1 to 3 share the file with nobody. Paths of up to 259 characters.
    bool Open(const char* fileName, int mode);
    void Close();
    bool IsOpen() const { return m_pFile != nullptr; }
    uint64_t GetPosition() const { return m_pFile ? m_nPos : 0; }
    // Bytes between the position and the end of the file as it was opened.
    uint64_t GetRemaining() const { return m_nPos < m_nFileSize ? m_nFileSize - m_nPos : 0; }
    const char* GetFileName() const { return m_szFileName; }

    bool ReadBytes(void* buffer, size_t count);
    bool ReadUpTo(void* buffer, size_t& count);
    bool ReadU8(uint8_t& value);
    bool ReadU16(uint16_t& value);
    bool ReadU32(uint32_t& value);
    bool Read8Bytes(uint8_t (&value)[8]);
    bool Skip(uint64_t count);  // moves past bytes that exist; false past the end

    bool WriteBytes(const void* buffer, size_t count);
    bool WriteU8(uint8_t value);
    bool WriteU16(uint16_t value);
    bool WriteU32(uint32_t value);
    bool Write8Bytes(const uint8_t (&value)[8]);

    // buffer holds maximum + 1 bytes; a longer string stores its length in
    // maximum and fails after reading only the length.
    bool ReadCountedString(char* buffer, uint32_t& maximum);
    bool WriteCountedString(const char* text);
    // 'length' bytes, zero bytes included.
    bool WriteCountedBytes(const char* text, size_t length);

    bool ReadIntValue(uint32_t& value);
    // buffer holds PM_TEXT_VALUE_SIZE bytes; longer texts are cut to 8191.
    bool ReadTextValue(char* buffer, uint32_t& extra);
    // The whole stored text, zero bytes included.
    bool ReadTextValue(std::string& text, uint32_t& extra);
    bool ReadBlockValue(PmBlockValue& block);
    bool Read8ByteValue(uint8_t (&value)[8]);
    // Reads and drops one typed value of any known type code.
    bool SkipTypedValue(uint32_t* typeCode = nullptr);
    bool WriteIntValue(uint32_t value);
    bool WriteFlagValue(uint32_t value);
    bool WriteTextValue(const char* text, uint32_t extra);
    bool WriteTextValue(const std::string& text, uint32_t extra);
    bool WriteBlockValue(const PmBlockValue& block);
    bool Write8ByteValue(const uint8_t (&value)[8]);

    // One typed value of a record column, read into or written from where
    // the column lives. A column without a place (None) is passed over by
    // its type code on reading and writes nothing. text: a buffer of
    // PM_TEXT_VALUE_SIZE bytes; a longer text keeps what its field holds.
    bool ReadColumnValue(const PmColumnRef& column, char* text);
    bool WriteColumnValue(const PmColumnRef& column);

    // The category list of the loaded file.
    PmCategoryMgr* GetCategoryMgr() const { return m_pCatMgr.get(); }
    bool GetCategoryText(int32_t id, char* text, size_t size) const;
    bool GetCategoryId(const char* text, int32_t& id, bool create);

    // Loads by a read-only open (inspection); saving is then refused.
    void SetReadOnly(bool readOnly) { m_bReadOnly = readOnly; }
    bool IsReadOnly() const { return m_bReadOnly; }

    // The file the last load read (or the last save wrote) as it was then.
    const PmFileStamp& GetLoadStamp() const { return m_Stamp; }
    const char* GetStampPath() const { return m_szStampPath; }
    // Whether that file changed on disk since (see PmFileChanged).
    bool ChangedSinceLoad() const;
    // The last safe save wrote nothing because its target had changed since
    // the load.
    bool LastSaveFoundChange() const { return m_bSaveFoundChange; }

protected:
    void SetFileName(const char* name);
    int LoadOpenMode() const { return m_bReadOnly ? 0 : 2; }
    // Opens path for a load in the load mode, stamps it, and (unless read
    // only) removes a temporary file an interrupted save left beside it.
    // A path longer than 259 characters is refused with a log line.
    bool OpenForLoad(const char* path);

    // The category block, each moment logged by the format.
    bool LoadCategoryBlock();
    bool SaveCategoryBlock();
    virtual void LogCategoryEvent(PmCatEvent event, const char* text) {}

    // Safe save: the target is held open without sharing while the new
    // content goes to a temporary file beside it, which then replaces the
    // target in one step. The write primitives write to the temporary file.
    bool BeginSafeSave(const char* path);
    bool CommitSafeSave();  // false: the target was left as it was
    void AbortSafeSave();

    std::unique_ptr<PmCategoryMgr> m_pCatMgr;

private:
    // The length before counted bytes: one byte, or 0xFF and 16 bits.
    bool ReadCountedLength(uint32_t& length);

    FILE* m_pFile = nullptr;
    FILE* m_pHeld = nullptr;  // the target during a safe save
    uint64_t m_nPos = 0;
    uint64_t m_nFileSize = 0;
    char m_szFileName[PM_PATH_SIZE] = {};
    char m_szTempPath[PM_PATH_SIZE + sizeof PM_TEMP_SUFFIX] = {};
    char m_szTargetPath[PM_PATH_SIZE] = {};
    bool m_bReadOnly = false;
    PmFileStamp m_Stamp;
    char m_szStampPath[PM_PATH_SIZE] = {};
    bool m_bSaveFoundChange = false;
};

// Hexadecimal display of the reserved blocks: "%02x" separated by spaces.
void PmHexText(const uint8_t* bytes, size_t count, char* out, size_t size);
