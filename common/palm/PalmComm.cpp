#include "common/palm/PalmComm.h"

#include <climits>
#include <cstring>
#include <string>

#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxPlatform.h"
#include "common/misc/CxText.h"

namespace {

PmUserFolderFinder& UserFolderFinder() {
    static PmUserFolderFinder finder;
    return finder;
}

bool IsAsciiEqualNoCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        unsigned char ca = static_cast<unsigned char>(*a);
        unsigned char cb = static_cast<unsigned char>(*b);
        if (ca >= 'A' && ca <= 'Z') ca = static_cast<unsigned char>(ca - 'A' + 'a');
        if (cb >= 'A' && cb <= 'Z') cb = static_cast<unsigned char>(cb - 'A' + 'a');
        if (ca != cb) return false;
        if (ca == 0) return true;
    }
}

bool CopyCut(const char* src, char* buffer, size_t& size) {
    if (!buffer) return false;
    memset(buffer, 0, size);
    const size_t len = strlen(src);
    if (len == 0 || len > size) return false;
    memcpy(buffer, src, len);
    if (len < size) buffer[len] = 0;
    size = len;
    return true;
}

}  // namespace

// ---------------------------------------------------------------- PmCategory

bool PmCategory::CopyName(char* buffer, size_t& size) const {
    return CopyCut(m_szName, buffer, size);
}

bool PmCategory::CopyFileName(char* buffer, size_t& size) const {
    return CopyCut(m_szFileName, buffer, size);
}

void PmCategory::SetName(const char* name) { CxCopyText(m_szName, name); }

void PmCategory::SetFileName(const char* fileName) { CxCopyText(m_szFileName, fileName); }

void PmCategory::SetChanged(bool changed) {
    if (changed)
        m_nFlags |= FLAG_CHANGED;
    else
        m_nFlags &= ~FLAG_CHANGED;
}

bool PmCategory::Equals(const PmCategory& other) const {
    return m_nIndex == other.m_nIndex && m_nId == other.m_nId &&
           strcmp(m_szName, other.m_szName) == 0;
}

// ------------------------------------------------------------- PmCategoryMgr

PmCategory* PmCategoryMgr::FindById(int32_t id) const {
    for (const auto& slot : m_slots)
        if (slot && slot->GetId() == id) return slot.get();
    return nullptr;
}

PmCategory* PmCategoryMgr::GetAt(int32_t index) const {
    if (index < 0 || index >= PM_MAX_CATEGORIES) return nullptr;
    return m_slots[index].get();
}

PmCategory* PmCategoryMgr::FindByName(const char* name) const {
    if (!name || !*name) return nullptr;
    for (const auto& slot : m_slots)
        if (slot && IsAsciiEqualNoCase(slot->GetName(), name)) return slot.get();
    return nullptr;
}

PmCategory* PmCategoryMgr::GetFirst() {
    m_nWalk = 0;
    return GetNext();
}

PmCategory* PmCategoryMgr::GetNext() {
    while (m_nWalk < PM_MAX_CATEGORIES) {
        PmCategory* c = m_slots[m_nWalk++].get();
        if (c) return c;
    }
    return nullptr;
}

void PmCategoryMgr::MakeFileName(const char* name, char* out, size_t size) {
    static const char kRefused[] = "\"*+,./:;<=>?[\\]^|";
    const size_t n = CxCopyText(out, size, name);
    for (size_t i = 0; i < n; ++i)
        if (strchr(kRefused, out[i])) out[i] = '_';
}

bool PmCategoryMgr::Add(const PmCategory* category) {
    if (!category || m_nCount >= PM_MAX_CATEGORIES) return false;
    auto copy = std::make_unique<PmCategory>(*category);
    if (copy->GetIndex() == -1) {
        int32_t free = -1;
        for (int32_t i = 1; i < PM_MAX_CATEGORIES && free < 0; ++i)
            if (!m_slots[i]) free = i;
        if (free < 0) return false;
        copy->SetIndex(free);
        copy->SetChanged(true);
    }
    if (copy->GetId() == -1) {
        // One above the highest ID anywhere in the list, so that a list with
        // gaps never hands out an ID a later slot already holds.
        if (!m_slots[0]) return false;
        int32_t highest = INT32_MIN;
        for (const auto& slot : m_slots)
            if (slot && slot->GetId() > highest) highest = slot->GetId();
        if (highest == INT32_MAX) return false;
        const int32_t id = highest + 1;
        if (FindById(id)) return false;
        copy->SetId(id);
        copy->SetChanged(true);
    } else if (FindById(copy->GetId())) {
        return false;
    }
    if (copy->GetName()[0]) {
        char fileName[PM_FILE_NAME_SIZE];
        MakeFileName(copy->GetName(), fileName, sizeof(fileName));
        copy->SetFileName(fileName);
    }
    const int32_t index = copy->GetIndex();
    if (index < 0 || index >= PM_MAX_CATEGORIES || m_slots[index]) return false;
    m_slots[index] = std::move(copy);
    ++m_nCount;
    m_bChanged = true;
    return true;
}

// ------------------------------------------------------------ user folders

void PmSetUserFolderFinder(PmUserFolderFinder finder) { UserFolderFinder() = std::move(finder); }

bool PmFindUserFolder(uint32_t userId, char* buffer, size_t size) {
    if (!buffer || size == 0) return false;
    buffer[0] = 0;
    const PmUserFolderFinder& finder = UserFolderFinder();
    if (!finder || !finder(userId, buffer, size)) return false;
    buffer[size - 1] = 0;
    return buffer[0] != 0;
}

bool PmBuildUserAddressPath(const char* folder, char* out, size_t size) {
    if (!folder || !*folder || !out || size == 0) return false;
    std::string path(folder);
    if (!cxplat::IsPathSep(path.back())) path += cxplat::kPathSep;
    path += "address";
    path += cxplat::kPathSep;
    path += "address.dat";
    if (path.size() >= size) return false;
    memcpy(out, path.c_str(), path.size() + 1);
    return true;
}

// ------------------------------------------------------------------ PmDBUtil

PmDBUtil::~PmDBUtil() { Close(); }

void PmDBUtil::SetFileName(const char* name) {
    if (name != m_szFileName) CxCopyText(m_szFileName, name);
}

bool PmDBUtil::Open(const char* fileName, int mode) {
    Close();
    if (!fileName || !*fileName || strlen(fileName) >= PM_PATH_SIZE) return false;
    static const char* const kModes[] = {"rb", "r+b", "r+b", "w+b"};
    if (mode < 0 || mode > 3) return false;
    FILE* f = mode == 0 ? cxplat::OpenReadDenyWrite(fileName)
                        : cxplat::OpenExclusive(fileName, kModes[mode]);
    if (!f) return false;
    // Large reads and writes: the formats are made of many small items.
    setvbuf(f, nullptr, _IOFBF, 1 << 16);
    long size = -1;
    if (fseek(f, 0, SEEK_END) == 0) size = ftell(f);
    if (size < 0 || fseek(f, 0, SEEK_SET) != 0) {
        fclose(f);
        return false;
    }
    m_pFile = f;
    m_nPos = 0;
    m_nFileSize = static_cast<uint64_t>(size);
    SetFileName(fileName);
    return true;
}

bool PmDBUtil::OpenForLoad(const char* path) {
    m_Stamp = PmFileStamp{};
    m_szStampPath[0] = 0;
    if (path && strlen(path) >= PM_PATH_SIZE) {
        CX_LOG(0, "The Palm Desktop file path is longer than %d characters; it is not opened: %s",
               static_cast<int>(PM_PATH_SIZE - 1), path);
        return false;
    }
    if (!Open(path, LoadOpenMode())) return false;
    // Holding the target keeps any save of ours out, so a temporary file
    // beside it now is one an interrupted save left.
    if (!m_bReadOnly) PmRemoveStaleTemp(path);
    if (PmStampStream(m_pFile, path, m_Stamp))
        CxCopyText(m_szStampPath, path);
    else
        CX_LOG(0, "Could not read the whole Palm Desktop file to remember its state: %s", path);
    return true;
}

bool PmDBUtil::ChangedSinceLoad() const {
    return m_szStampPath[0] && PmFileChanged(m_szStampPath, m_Stamp);
}

void PmDBUtil::Close() {
    if (m_szTempPath[0]) {
        AbortSafeSave();
        return;
    }
    if (m_pFile) fclose(m_pFile);
    m_pFile = nullptr;
    m_nPos = 0;
    m_nFileSize = 0;
}

bool PmDBUtil::BeginSafeSave(const char* path) {
    m_bSaveFoundChange = false;
    if (!path || !*path || m_bReadOnly) return false;
    if (strlen(path) >= PM_PATH_SIZE) {
        CX_LOG(0, "The Palm Desktop file path is longer than %d characters; it is not written: %s",
               static_cast<int>(PM_PATH_SIZE - 1), path);
        return false;
    }
    char keepName[PM_PATH_SIZE];
    CxCopyText(keepName, m_szFileName);
    // The target must exist and nobody else may hold it.
    if (!Open(path, 2)) return false;
    SetFileName(keepName);
    // Checked while holding the target, so nobody can write it between the
    // check and the replacement.
    if (m_Stamp.valid && strcmp(path, m_szStampPath) == 0 && PmStreamChanged(m_pFile, m_Stamp)) {
        CX_LOG(0, "The Palm Desktop file changed since it was loaded; it is not written: %s", path);
        m_bSaveFoundChange = true;
        Close();
        return false;
    }
    m_pHeld = m_pFile;
    m_pFile = nullptr;
    CxCopyText(m_szTargetPath, path);
    const std::string temp = PmTempPathFor(path);
    if (temp.empty() || temp.size() >= sizeof(m_szTempPath)) {
        CX_LOG(0, "No temporary file name fits beside the Palm Desktop file: %s", path);
        fclose(m_pHeld);
        m_pHeld = nullptr;
        return false;
    }
    CxCopyText(m_szTempPath, temp.c_str());
    m_pFile = cxplat::OpenExclusive(m_szTempPath, "w+b");
    if (!m_pFile) {
        // Someone holds a leftover temporary file: leave it alone.
        CX_LOG(0, "The temporary file of the save could not be opened: %s", m_szTempPath);
        m_szTempPath[0] = 0;
        fclose(m_pHeld);
        m_pHeld = nullptr;
        return false;
    }
    setvbuf(m_pFile, nullptr, _IOFBF, 1 << 16);
    m_nPos = 0;
    m_nFileSize = 0;
    return true;
}

bool PmDBUtil::CommitSafeSave() {
    if (!m_szTempPath[0] || !m_pFile) return false;
    bool ok = cxplat::FlushToDisk(m_pFile);
    ok = fclose(m_pFile) == 0 && ok;
    m_pFile = nullptr;
    if (m_pHeld) fclose(m_pHeld);
    m_pHeld = nullptr;
    if (ok) ok = cxplat::MoveFileReplace(m_szTempPath, m_szTargetPath);
    if (!ok) cxplat::RemoveFile(m_szTempPath);
    if (ok) {
        // What is on disk now is this program's own: later checks compare
        // with it.
        m_Stamp = PmFileStamp{};
        m_szStampPath[0] = 0;
        if (FILE* f = cxplat::OpenReadDenyWrite(m_szTargetPath)) {
            if (PmStampStream(f, m_szTargetPath, m_Stamp)) CxCopyText(m_szStampPath, m_szTargetPath);
            fclose(f);
        }
    }
    m_szTempPath[0] = 0;
    m_szTargetPath[0] = 0;
    m_nPos = 0;
    m_nFileSize = 0;
    return ok;
}

void PmDBUtil::AbortSafeSave() {
    if (m_pFile) fclose(m_pFile);
    m_pFile = nullptr;
    if (m_pHeld) fclose(m_pHeld);
    m_pHeld = nullptr;
    if (m_szTempPath[0]) cxplat::RemoveFile(m_szTempPath);
    m_szTempPath[0] = 0;
    m_szTargetPath[0] = 0;
    m_nPos = 0;
    m_nFileSize = 0;
}

bool PmDBUtil::ReadBytes(void* buffer, size_t count) {
    if (!m_pFile || !buffer || count == 0) return false;
    const size_t n = fread(buffer, 1, count, m_pFile);
    m_nPos += n;
    return n == count;
}

bool PmDBUtil::ReadUpTo(void* buffer, size_t& count) {
    if (!m_pFile || !buffer || count == 0) return false;
    const size_t n = fread(buffer, 1, count, m_pFile);
    m_nPos += n;
    count = n;
    return !ferror(m_pFile);
}

bool PmDBUtil::ReadU8(uint8_t& value) { return ReadBytes(&value, 1); }

bool PmDBUtil::ReadU16(uint16_t& value) {
    uint8_t b[2];
    if (!ReadBytes(b, 2)) return false;
    value = static_cast<uint16_t>(b[0] | b[1] << 8);
    return true;
}

bool PmDBUtil::ReadU32(uint32_t& value) {
    uint8_t b[4];
    if (!ReadBytes(b, 4)) return false;
    value = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    return true;
}

bool PmDBUtil::Read8Bytes(uint8_t (&value)[8]) { return ReadBytes(value, 8); }

bool PmDBUtil::Skip(uint64_t count) {
    if (!m_pFile) return false;
    if (count == 0) return true;
    if (count > GetRemaining()) return false;
    if (fseek(m_pFile, static_cast<long>(count), SEEK_CUR) != 0) return false;
    m_nPos += count;
    return true;
}

bool PmDBUtil::WriteBytes(const void* buffer, size_t count) {
    if (!m_pFile || !buffer || count == 0) return false;
    const size_t n = fwrite(buffer, 1, count, m_pFile);
    m_nPos += n;
    return n == count;
}

bool PmDBUtil::WriteU8(uint8_t value) { return WriteBytes(&value, 1); }

bool PmDBUtil::WriteU16(uint16_t value) {
    const uint8_t b[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
    return WriteBytes(b, 2);
}

bool PmDBUtil::WriteU32(uint32_t value) {
    const uint8_t b[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return WriteBytes(b, 4);
}

bool PmDBUtil::Write8Bytes(const uint8_t (&value)[8]) { return WriteBytes(value, 8); }

bool PmDBUtil::ReadCountedLength(uint32_t& length) {
    uint8_t b = 0;
    if (!ReadU8(b)) return false;
    length = b;
    if (b == 0xFF) {
        uint16_t w = 0;
        if (!ReadU16(w)) return false;
        length = w;
    }
    return true;
}

bool PmDBUtil::ReadCountedString(char* buffer, uint32_t& maximum) {
    if (!buffer) return false;
    buffer[0] = 0;
    uint32_t length = 0;
    if (!ReadCountedLength(length)) return false;
    if (maximum < length) {
        maximum = length;
        return false;
    }
    if (length > 0 && !ReadBytes(buffer, length)) {
        buffer[0] = 0;
        return false;
    }
    buffer[length] = 0;
    return true;
}

bool PmDBUtil::WriteCountedString(const char* text) {
    return WriteCountedBytes(text, text ? strlen(text) : 0);
}

bool PmDBUtil::WriteCountedBytes(const char* text, size_t length) {
    if (!text || length == 0) return WriteU8(0);
    if (length > 0xFFFF) return false;  // the long form holds 16 bits
    if (length < 0xFF) {
        if (!WriteU8(static_cast<uint8_t>(length))) return false;
    } else if (!WriteU8(0xFF) || !WriteU16(static_cast<uint16_t>(length))) {
        return false;
    }
    return WriteBytes(text, length);
}

bool PmDBUtil::ReadIntValue(uint32_t& value) {
    uint32_t code = 0;
    if (!ReadU32(code)) return false;
    if (code != PM_TYPE_INT && code != PM_TYPE_INT3 && code != PM_TYPE_FLAG) return false;
    return ReadU32(value);
}

bool PmDBUtil::ReadTextValue(char* buffer, uint32_t& extra) {
    if (!buffer) return false;
    uint32_t code = 0;
    if (!ReadU32(code) || code != PM_TYPE_TEXT) return false;
    buffer[0] = 0;
    if (!ReadU32(extra)) return false;
    uint32_t length = 0;
    if (!ReadCountedLength(length)) return false;
    if (length == 0) return true;
    constexpr uint32_t kKeep = PM_TEXT_VALUE_SIZE - 1;
    const uint32_t keep = length < kKeep ? length : kKeep;
    if (!ReadBytes(buffer, keep)) {
        buffer[0] = 0;
        return false;
    }
    buffer[keep] = 0;
    // The rest of a longer text is consumed, not kept.
    return Skip(length - keep);
}

bool PmDBUtil::ReadTextValue(std::string& text, uint32_t& extra) {
    text.clear();
    uint32_t code = 0;
    if (!ReadU32(code) || code != PM_TYPE_TEXT) return false;
    if (!ReadU32(extra)) return false;
    uint32_t length = 0;
    if (!ReadCountedLength(length)) return false;
    if (length == 0) return true;
    if (length > GetRemaining()) return false;
    text.resize(length);
    if (!ReadBytes(&text[0], length)) {
        text.clear();
        return false;
    }
    return true;
}

bool PmDBUtil::ReadBlockValue(PmBlockValue& block) {
    if (!ReadU32(block.nType) || !ReadU32(block.nSize)) return false;
    if (block.nSize == 0) {
        block.data.clear();
        return true;
    }
    uint32_t length = block.nSize;
    if (block.nSize <= 3) {
        if (!ReadU32(block.nWordA) || !ReadU32(block.nWordB) || !ReadU32(length)) return false;
    }
    block.nLength = length;
    block.data.clear();
    if (length == 0) return true;
    // The buffer is sized only for bytes the file really has.
    if (length > GetRemaining()) return false;
    block.data.resize(length);
    return ReadBytes(block.data.data(), length);
}

bool PmDBUtil::Read8ByteValue(uint8_t (&value)[8]) {
    uint32_t code = 0;
    return ReadU32(code) && Read8Bytes(value);
}

bool PmDBUtil::SkipTypedValue(uint32_t* typeCode) {
    uint32_t code = 0;
    if (!ReadU32(code)) return false;
    if (typeCode) *typeCode = code;
    uint32_t word = 0;
    switch (code) {
        case PM_TYPE_INT:
        case PM_TYPE_INT3:
        case PM_TYPE_FLAG:
            return ReadU32(word);
        case PM_TYPE_TEXT: {
            uint32_t length = 0;
            if (!ReadU32(word) || !ReadCountedLength(length)) return false;
            return Skip(length);
        }
        case PM_TYPE_8BYTE:
            return Skip(8);
        default:
            break;
    }
    if (code < PM_TYPE_BLOCK_FIRST || code > PM_TYPE_BLOCK_LAST) return false;
    uint32_t size = 0;
    if (!ReadU32(size)) return false;
    if (size == 0) return true;
    if (size >= 4) return Skip(size);
    uint32_t length = 0;
    if (!ReadU32(word) || !ReadU32(word) || !ReadU32(length)) return false;
    return Skip(length);
}

bool PmDBUtil::WriteIntValue(uint32_t value) { return WriteU32(PM_TYPE_INT) && WriteU32(value); }

bool PmDBUtil::WriteFlagValue(uint32_t value) { return WriteU32(PM_TYPE_FLAG) && WriteU32(value); }

bool PmDBUtil::WriteTextValue(const char* text, uint32_t extra) {
    return WriteU32(PM_TYPE_TEXT) && WriteU32(extra) && WriteCountedString(text);
}

bool PmDBUtil::WriteTextValue(const std::string& text, uint32_t extra) {
    return WriteU32(PM_TYPE_TEXT) && WriteU32(extra) && WriteCountedBytes(text.data(), text.size());
}

bool PmDBUtil::WriteBlockValue(const PmBlockValue& block) {
    if (!WriteU32(block.nType) || !WriteU32(block.nSize)) return false;
    if (block.nSize == 0) return true;
    uint32_t length = block.nSize;
    if (block.nSize <= 3) {
        if (!WriteU32(block.nWordA) || !WriteU32(block.nWordB) || !WriteU32(block.nLength))
            return false;
        length = block.nLength;
        if (length == 0) return true;
    }
    if (block.data.size() < length) return false;
    return WriteBytes(block.data.data(), length);
}

bool PmDBUtil::Write8ByteValue(const uint8_t (&value)[8]) {
    return WriteU32(PM_TYPE_8BYTE) && Write8Bytes(value);
}

bool PmDBUtil::ReadColumnValue(const PmColumnRef& column, char* text) {
    switch (column.kind) {
        case PmColKind::Int:
        case PmColKind::Flag: {
            uint32_t v = 0;
            const bool ok = ReadIntValue(v);
            *static_cast<int32_t*>(column.field) = static_cast<int32_t>(v);
            return ok;
        }
        case PmColKind::Text: {
            uint32_t extra = 0;
            if (!ReadTextValue(text, extra)) return false;
            CxCopyText(static_cast<char*>(column.field), column.width, text);
            return true;
        }
        case PmColKind::Block: return ReadBlockValue(*static_cast<PmBlockValue*>(column.field));
        case PmColKind::Eight: return Read8ByteValue(*static_cast<uint8_t(*)[8]>(column.field));
        default:
            // Passed over by its type code so that later rows stay in place.
            return SkipTypedValue();
    }
}

bool PmDBUtil::WriteColumnValue(const PmColumnRef& column) {
    switch (column.kind) {
        case PmColKind::Int:
        case PmColKind::Flag: {
            const auto value = static_cast<uint32_t>(*static_cast<const int32_t*>(column.field));
            return column.kind == PmColKind::Int ? WriteIntValue(value) : WriteFlagValue(value);
        }
        case PmColKind::Text: {
            // Cut to the field even if a caller left it unterminated.
            char text[PM_TEXT_VALUE_SIZE];
            CxCopyText(text, column.width, static_cast<const char*>(column.field));
            return WriteTextValue(text, 1);
        }
        case PmColKind::Block:
            return WriteBlockValue(*static_cast<const PmBlockValue*>(column.field));
        case PmColKind::Eight:
            return Write8ByteValue(*static_cast<const uint8_t(*)[8]>(column.field));
        default: return true;
    }
}

bool PmDBUtil::GetCategoryText(int32_t id, char* text, size_t size) const {
    if (!m_pCatMgr || !text || size == 0) return false;
    const PmCategory* c = m_pCatMgr->FindById(id);
    if (!c) return false;
    CxCopyText(text, size < PM_CATEGORY_NAME_SIZE ? size : PM_CATEGORY_NAME_SIZE, c->GetName());
    return true;
}

bool PmDBUtil::GetCategoryId(const char* text, int32_t& id, bool create) {
    if (!text || !*text) {
        id = 0;
        return true;
    }
    // A category keeps 15 characters of its name: a longer text stands for
    // the category of its cut name, so the lookup after creating finds it.
    char name[PM_CATEGORY_NAME_SIZE];
    CxCopyText(name, text);
    const PmCategory* found = m_pCatMgr ? m_pCatMgr->FindByName(name) : nullptr;
    if (found) {
        id = found->GetId();
        return true;
    }
    if (!create) {
        id = 0;
        return false;
    }
    id = -1;
    if (!m_pCatMgr) return false;
    PmCategory category;
    category.SetName(name);
    m_pCatMgr->Add(&category);
    found = m_pCatMgr->FindByName(name);
    if (!found) return false;
    id = found->GetId();
    return true;
}

bool PmDBUtil::LoadCategoryBlock() {
    LogCategoryEvent(PmCatEvent::LoadStart, nullptr);
    m_pCatMgr = std::make_unique<PmCategoryMgr>();
    PmCategoryMgr& list = *m_pCatMgr;
    uint32_t nextFeedId = 0;
    if (!ReadU32(nextFeedId)) {
        LogCategoryEvent(PmCatEvent::ReadNextFeedIdFailed, nullptr);
        return false;
    }
    list.SetNextFeedId(nextFeedId);
    uint32_t count = 0;
    if (!ReadU32(count)) {
        LogCategoryEvent(PmCatEvent::ReadCountFailed, nullptr);
        return false;
    }
    PmCategory unfiled;
    unfiled.SetIndex(0);
    unfiled.SetId(0);
    unfiled.SetName("Unfiled");
    if (!list.Add(&unfiled)) return false;

    const uint32_t entries = count & 0xFFFF;
    char name[257];
    char fileName[257];
    for (uint32_t i = 0; i < entries; ++i) {
        uint32_t index = 0, id = 0, changed = 0;
        if (!ReadU32(index)) {
            LogCategoryEvent(PmCatEvent::ReadIndexFailed, nullptr);
            return false;
        }
        if (!ReadU32(id)) {
            LogCategoryEvent(PmCatEvent::ReadIdFailed, nullptr);
            return false;
        }
        if (!ReadU32(changed)) {
            LogCategoryEvent(PmCatEvent::ReadChangedFailed, nullptr);
            return false;
        }
        uint32_t maximum = 256;
        if (!ReadCountedString(name, maximum)) {
            LogCategoryEvent(PmCatEvent::ReadNameFailed, nullptr);
            return false;
        }
        LogCategoryEvent(PmCatEvent::NameRead, name);
        maximum = 256;
        if (!ReadCountedString(fileName, maximum)) {
            LogCategoryEvent(PmCatEvent::ReadFileNameFailed, nullptr);
            return false;
        }
        PmCategory work;
        work.SetIndex(static_cast<int32_t>(index));
        work.SetId(static_cast<int32_t>(id));
        work.SetChanged(changed != 0);
        work.SetName(name);
        work.SetFileName(fileName);
        if (!list.Add(&work)) {
            LogCategoryEvent(PmCatEvent::AddFailed, nullptr);
            return false;
        }
    }
    list.SetChanged(false);
    LogCategoryEvent(PmCatEvent::LoadDone, nullptr);
    return true;
}

bool PmDBUtil::SaveCategoryBlock() {
    LogCategoryEvent(PmCatEvent::SaveStart, nullptr);
    const PmCategoryMgr* list = m_pCatMgr.get();
    const uint32_t nextFeedId = list ? list->GetNextFeedId() : PmCategoryMgr::DEFAULT_NEXT_FEED_ID;
    const uint32_t count = list ? list->GetCount() : 1;
    if (!WriteU32(nextFeedId)) return false;
    if (count <= 1) return WriteU32(0);

    // "Unfiled" is implied by every file and never stored.
    uint32_t entries = 0;
    for (int32_t i = 0; i < PM_MAX_CATEGORIES; ++i) {
        const PmCategory* c = list->GetAt(i);
        if (c && c->GetId() != 0) ++entries;
    }
    if (!WriteU32(entries)) return false;
    char text[PM_FILE_NAME_SIZE + 1];
    for (int32_t i = 0; i < PM_MAX_CATEGORIES; ++i) {
        const PmCategory* c = list->GetAt(i);
        if (!c) {
            LogCategoryEvent(PmCatEvent::EmptySlot, nullptr);
            continue;
        }
        if (c->GetId() == 0) {
            LogCategoryEvent(PmCatEvent::SkipUnfiled, nullptr);
            continue;
        }
        if (!WriteU32(static_cast<uint32_t>(i))) {
            LogCategoryEvent(PmCatEvent::WriteIndexFailed, nullptr);
            return false;
        }
        if (!WriteU32(static_cast<uint32_t>(c->GetId()))) {
            LogCategoryEvent(PmCatEvent::WriteIdFailed, nullptr);
            return false;
        }
        if (!WriteU32(0)) {
            LogCategoryEvent(PmCatEvent::WriteChangedFailed, nullptr);
            return false;
        }
        size_t size = PM_FILE_NAME_SIZE;
        if (!c->CopyName(text, size)) text[0] = 0;
        text[PM_FILE_NAME_SIZE] = 0;
        if (!WriteCountedString(text)) {
            LogCategoryEvent(PmCatEvent::WriteNameFailed, text);
            return false;
        }
        LogCategoryEvent(PmCatEvent::NameWritten, text);
        size = PM_FILE_NAME_SIZE;
        if (!c->CopyFileName(text, size)) text[0] = 0;
        if (!WriteCountedString(text)) {
            LogCategoryEvent(PmCatEvent::WriteFileNameFailed, text);
            return false;
        }
    }
    LogCategoryEvent(PmCatEvent::SaveDone, nullptr);
    return true;
}

void PmHexText(const uint8_t* bytes, size_t count, char* out, size_t size) {
    if (!out || size == 0) return;
    out[0] = 0;
    size_t used = 0;
    for (size_t i = 0; i < count && bytes; ++i) {
        if (used + (i ? 3 : 2) + 1 > size) break;
        used += static_cast<size_t>(
            snprintf(out + used, size - used, i ? " %02x" : "%02x", bytes[i]));
    }
}
